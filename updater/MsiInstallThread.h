#pragma once
// The installer engine's one worker: runs queued requests one after another. A queued
// request waits for the worker's next wake, at most 5000 ms.

#include "lib/wfc/CriticalSection.h"
#include "updater/MsiInstallRequest.h"

#include <windows.h>

#include <atomic>
#include <list>
#include <memory>

namespace MsiInstaller {

class MsiInstallThread {
public:
    MsiInstallThread();
    virtual ~MsiInstallThread();
    MsiInstallThread(const MsiInstallThread&) = delete;
    MsiInstallThread& operator=(const MsiInstallThread&) = delete;

    // True when the worker runs (it may have run already).
    bool StartThread();
    // Asks the worker to stop and waits up to ms; a worker still running then is
    // terminated. False when the wait failed or the termination did. The queue is emptied.
    bool StopThread(DWORD ms);
    // Takes the request; starts the worker when it is not running.
    void AddRequest(MsiInstallRequest* request);
    // Drops every request still queued.
    void _ClearRequests();

protected:
    // The thread body; ends with 1 once the stop flag is seen.
    virtual DWORD Run();

private:
    static unsigned __stdcall _ThreadEntry(void* self);
    bool _IsRunning() const;

    HANDLE m_hThread;
    std::atomic<bool> m_bStop;
    HANDLE m_hWake;
    std::list<std::unique_ptr<MsiInstallRequest>> m_listRequest;
    lib::wfc::CCriticalSection m_csQueue;
};

} // namespace MsiInstaller
