#pragma once
// The work items of the installer engine's worker, and the one kind of them: install or
// reinstall one Windows Installer package.

#include <windows.h>

#include <cstdint>
#include <string>

namespace MsiInstaller {

class MsiInstallRequest {
public:
    virtual ~MsiInstallRequest() = default;
    // Runs on the worker thread.
    virtual void DoAction() = 0;
};

class MsiInstallCommonRequest : public MsiInstallRequest {
public:
    // package: null or empty for a request that carried none (it then does nothing).
    MsiInstallCommonRequest(int32_t installType, int32_t aplType, HWND progressWnd,
                            UINT progressMsg, const char* package);

    // An install (no command line) or a reinstall of a package from the launcher user's
    // Download folder; anything else is not run.
    void DoAction() override;

private:
    std::string m_strPackage;
    HWND m_hProgressWnd;
    UINT m_uProgressMsg;
    int32_t m_iAPLType;
    int32_t m_iInstallType;
};

// The command line a request of the type passes to Windows Installer; null for none.
const char* InstallCommandLine(int32_t installType);

} // namespace MsiInstaller
