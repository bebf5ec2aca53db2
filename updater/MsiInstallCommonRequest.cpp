#include "updater/MsiInstallRequest.h"

#include "lib/TolveLog.h"
#include "updater/CopyDataInstall.h"
#include "updater/LauncherDownloadFolder.h"
#include "updater/MsiInstall.h"
#include "updater/MsiInstallCallback.h"

#include <memory>

namespace MsiInstaller {

namespace {

// Makes the callback the installer's current one for as long as the request installs, so
// that no message of the installer ever reaches a callback that is gone.
class CCurrentCallback {
public:
    explicit CCurrentCallback(MsiInstallCallback* callback)
    {
        MsiInstall::GetInstance()->SetCallback(callback);
    }
    ~CCurrentCallback() { MsiInstall::GetInstance()->SetCallback(nullptr); }
    CCurrentCallback(const CCurrentCallback&) = delete;
    CCurrentCallback& operator=(const CCurrentCallback&) = delete;
};

} // namespace

const char* InstallCommandLine(int32_t installType)
{
    return installType == INSTALLTYPE_REINSTALL ? "REINSTALLMODE=vomus REINSTALL=ALL" : nullptr;
}

MsiInstallCommonRequest::MsiInstallCommonRequest(int32_t installType, int32_t aplType,
                                                 HWND progressWnd, UINT progressMsg,
                                                 const char* package)
    : m_strPackage(package != nullptr ? package : "")
    , m_hProgressWnd(progressWnd)
    , m_uProgressMsg(progressMsg)
    , m_iAPLType(aplType)
    , m_iInstallType(installType)
{
}

void MsiInstallCommonRequest::DoAction()
{
    if (m_iInstallType != INSTALLTYPE_INSTALL && m_iInstallType != INSTALLTYPE_REINSTALL) return;
    if (m_strPackage.empty()) return;
    // The updater runs elevated: a package from anywhere but the launcher user's own
    // Download folder is not run.
    if (!IsLauncherDownloadPath(m_strPackage)) {
        TOLVE_LOG(LOG_ERROR, "MsiInstallCommonRequest::DoAction not in Download folder[%s]",
                  m_strPackage.c_str());
        return;
    }
    // On the heap: a worker ended by force leaves it in place rather than on a freed stack.
    std::unique_ptr<MsiInstallCallback> callback(new MsiInstallCallback);
    callback->SetTarget(m_hProgressWnd, m_uProgressMsg, m_iAPLType);
    UINT result;
    {
        CCurrentCallback current(callback.get());
        result = MsiInstall::GetInstance()->Install(m_strPackage.c_str(),
                                                    InstallCommandLine(m_iInstallType));
    }
    if (result != ERROR_SUCCESS) {
        TOLVE_LOG(LOG_ERROR, "MsiInstallCommonRequest::DoAction[ERROR:0x%08X]", result);
    }
}

} // namespace MsiInstaller
