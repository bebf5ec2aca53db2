#include "updater/MsiInstallControl.h"

#include "lib/Path.h"
#include "lib/TolveLog.h"
#include "updater/LauncherDownloadFolder.h"
#include "updater/MsiInstall.h"

#include <shellapi.h>

#include <cstring>

namespace MsiInstaller {

namespace {

constexpr DWORD kStopWaitMs = 5000;
constexpr char kLauncherSetupParameters[] = "/S /v/passive";

MsiInstallControl* g_pControl = nullptr;

} // namespace

MsiInstallControl* MsiInstallControl::GetInstance()
{
    if (g_pControl == nullptr) g_pControl = new MsiInstallControl;
    return g_pControl;
}

void MsiInstallControl::ReleaseInstance()
{
    delete g_pControl;
    g_pControl = nullptr;
}

bool MsiInstallControl::Start() { return m_cThread.StartThread(); }

void MsiInstallControl::Stop()
{
    CancelInstall();
    m_cThread.StopThread(kStopWaitMs);
    // A worker ended by force left its request's callback current.
    MsiInstall::GetInstance()->SetCallback(nullptr);
}

void MsiInstallControl::CancelInstall()
{
    MsiInstall::GetInstance()->Cancel();
    m_cThread._ClearRequests();
}

void MsiInstallControl::RequestCommonInstall(const COPYDATAINSTALL& record)
{
    if (record.InstallType == 0) return;
    m_cThread.AddRequest(new MsiInstallCommonRequest(
        record.InstallType, record.APLType, static_cast<HWND>(ULongToHandle(record.ProgressWnd)),
        record.ProgressMsg, record.PathPackage[0] != '\0' ? record.PathPackage : nullptr));
}

void MsiInstallControl::RequestLauncherInstall(const COPYDATAINSTALL& record)
{
    if (record.InstallType != INSTALLTYPE_REINSTALL || record.PathPackage[0] == '\0') return;
    if (!IsLauncherDownloadPath(record.PathPackage)) {
        TOLVE_LOG(LOG_ERROR, "MsiInstallControl::RequestLauncherInstall not in Download folder[%s]",
                  record.PathPackage);
    } else {
        SHELLEXECUTEINFOA execute = {};
        execute.cbSize = sizeof execute;
        // No box of the shell's on a failure: the updater ends at once, and a box of an
        // elevated program might wait for an answer nobody can give.
        execute.fMask = SEE_MASK_FLAG_NO_UI;
        execute.hwnd = GetDesktopWindow();
        execute.lpVerb = "open";
        execute.lpFile = record.PathPackage;
        execute.lpParameters = kLauncherSetupParameters;
        execute.nShow = SW_HIDE;
        if (!ShellExecuteExA(&execute)) {
            TOLVE_LOG(LOG_ERROR, "MsiInstallControl::RequestLauncherInstall[ERROR:0x%08X]",
                      static_cast<uint32_t>(GetLastError()));
        }
    }
    // The launcher sent its own package last and closes itself; the updater's work is done.
    PostQuitMessage(0);
}

LRESULT MsiInstallControl::OnCopyData(const COPYDATASTRUCT* data)
{
    if (data == nullptr) return 0;
    switch (data->dwData) {
    case MSG_REQUEST_INSTALL:
        return _OnInstallRequest(*data);
    case MSG_REQUEST_CANCELINSTALL:
        TOLVE_LOG(LOG_INFO, "OnCopyData  MSG_REQUEST_CANCELINSTALL");
        CancelInstall();
        return 1;
    default:
        return 0;
    }
}

LRESULT MsiInstallControl::_OnInstallRequest(const COPYDATASTRUCT& data)
{
    // The sender is any program of the session: read no more than it sent, and only a copy.
    if (data.cbData < sizeof(COPYDATAINSTALL) || data.lpData == nullptr) {
        TOLVE_LOG(LOG_ERROR, "OnCopyData without COPYDATAINSTALL data");
        return 0;
    }
    COPYDATAINSTALL record;
    std::memcpy(&record, data.lpData, sizeof record);
    if (record.InstallType == 0) return 0;
    if (std::memchr(record.PathPackage, '\0', sizeof record.PathPackage) == nullptr) {
        TOLVE_LOG(LOG_ERROR, "OnCopyData PathPackage without terminator[APLType:%d]",
                  record.APLType);
        return 0;
    }
    TOLVE_LOG(LOG_INFO, "OnCopyData  APLType:%d  InstallType:%d  PathPackage:%s", record.APLType,
              record.InstallType, record.PathPackage);

    // Progress goes only to the launcher's own windows, by the launcher's own message.
    const HWND progressWnd = static_cast<HWND>(ULongToHandle(record.ProgressWnd));
    if (!IsLauncherProcessWindow(progressWnd)) {
        TOLVE_LOG(LOG_ERROR, "OnCopyData ProgressWnd not of the launcher[%08X]",
                  record.ProgressWnd);
        return 0;
    }
    if (record.ProgressMsg != lib::GetRegisteredMessage("InstallNotifyProgress")) {
        TOLVE_LOG(LOG_ERROR, "OnCopyData ProgressMsg not InstallNotifyProgress[0x%08X]",
                  record.ProgressMsg);
        return 0;
    }

    switch (record.APLType) {
    case APLTYPE_DAPPLEGATE:
    case APLTYPE_MENDRILL:
    case APLTYPE_PELLICKMANAGER:
        RequestCommonInstall(record);
        return 1;
    case APLTYPE_LAUNCHER:
        RequestLauncherInstall(record);
        return 1;
    default:
        return 0;
    }
}

} // namespace MsiInstaller
