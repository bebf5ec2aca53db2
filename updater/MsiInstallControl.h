#pragma once
// The installer engine's front: takes the launcher's WM_COPYDATA requests on the updater's
// window thread, queues installs for the worker, cancels, and runs the launcher's own setup.

#include "updater/CopyDataInstall.h"
#include "updater/MsiInstallThread.h"

#include <windows.h>

namespace MsiInstaller {

class MsiInstallControl final {
public:
    // Created on first use; only the window thread calls these.
    static MsiInstallControl* GetInstance();
    static void ReleaseInstance();

    // Starts the worker; true when it runs.
    virtual bool Start();
    // Cancels, then stops the worker (5000 ms, then it is terminated).
    virtual void Stop();

    // The running install stops at its next progress record (or the next package does,
    // when none runs); every queued request is dropped.
    void CancelInstall();
    // Queues an install of a sibling tool's package.
    void RequestCommonInstall(const COPYDATAINSTALL& record);
    // Runs the launcher's setup program and ends the updater's message loop.
    void RequestLauncherInstall(const COPYDATAINSTALL& record);

    // The WM_COPYDATA of the updater's window: 1 when the request is taken, else 0.
    LRESULT OnCopyData(const COPYDATASTRUCT* data);

private:
    MsiInstallControl() = default;
    ~MsiInstallControl() = default;

    LRESULT _OnInstallRequest(const COPYDATASTRUCT& data);

    MsiInstallThread m_cThread;
};

} // namespace MsiInstaller
