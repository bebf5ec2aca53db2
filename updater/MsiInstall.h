#pragma once
// The wrapper of Windows Installer (msi.dll, bound by ordinal). One instance for the
// process; it keeps the cancel flag that a cancel request sets and the callback of the
// request being installed, to which msi.dll's messages go.

#include "lib/wfc/CriticalSection.h"

#include <windows.h>
#include <msi.h>

#include <atomic>

namespace MsiInstaller {
class MsiInstallCallback;
}

// The four functions of msi.dll that the updater calls. Tests replace the table with a
// scripted installer (SetMsiFunctions) for what a real installer cannot be made to do.
struct MsiFunctions {
    UINT(WINAPI* InstallProduct)(LPCSTR package, LPCSTR commandLine);        // ordinal 87
    INSTALLSTATE(WINAPI* QueryProductState)(LPCSTR product);                // ordinal 112
    INSTALLUI_HANDLERA(WINAPI* SetExternalUI)(INSTALLUI_HANDLERA handler, DWORD filter,
                                               LPVOID context);             // ordinal 136
    INSTALLUILEVEL(WINAPI* SetInternalUI)(INSTALLUILEVEL level, HWND* window); // ordinal 141
};

// Null goes back to msi.dll. Set it while no install runs.
void SetMsiFunctions(const MsiFunctions* functions);

class MsiInstall {
public:
    static MsiInstall* GetInstance();

    // The running install is cancelled at its next progress record; set while nothing
    // installs, the flag waits for the next package. Only a terminate message clears it.
    void Cancel();
    // The callback msi.dll's messages go to; null while no request runs.
    void SetCallback(MsiInstaller::MsiInstallCallback* callback);

    // Windows Installer's own interface off, messages to the current callback; the result of
    // MsiInstallProductA (ERROR_PROC_NOT_FOUND when msi.dll cannot be used).
    UINT Install(const char* package, const char* commandLine);
    // INSTALLSTATE_UNKNOWN when msi.dll cannot be used.
    INSTALLSTATE QueryProductState(const char* product);

    static INT CALLBACK ExternalUIHandler(LPVOID context, UINT messageType, LPCSTR message);
    // Every answer is 0, but IDCANCEL to a progress record while the cancel flag is set.
    int OnExternalUI(UINT messageType, const char* message);

private:
    MsiInstall();

    bool m_bCancel;
    lib::wfc::CCriticalSection m_csCancel;
    // Set and cleared by the worker, read by msi.dll's callbacks.
    std::atomic<MsiInstaller::MsiInstallCallback*> m_pCallback;
};
