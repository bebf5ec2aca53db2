#include "updater/MsiInstallThread.h"

#include <process.h>

namespace MsiInstaller {

namespace {

constexpr DWORD kWakeMs = 5000;
constexpr DWORD kStopWaitMs = 5000;

} // namespace

MsiInstallThread::MsiInstallThread()
    : m_hThread(nullptr)
    , m_bStop(false)
    , m_hWake(CreateEventA(nullptr, FALSE, FALSE, nullptr))
{
}

MsiInstallThread::~MsiInstallThread()
{
    StopThread(kStopWaitMs);
    if (m_hWake != nullptr) CloseHandle(m_hWake);
    _ClearRequests();
}

bool MsiInstallThread::_IsRunning() const
{
    return m_hThread != nullptr && WaitForSingleObject(m_hThread, 0) == WAIT_TIMEOUT;
}

bool MsiInstallThread::StartThread()
{
    if (_IsRunning()) return true;
    if (m_hThread != nullptr) {
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
    m_bStop = false;
    unsigned threadId = 0;
    m_hThread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &MsiInstallThread::_ThreadEntry, this, CREATE_SUSPENDED,
                       &threadId));
    if (m_hThread == nullptr) return false;
    ResumeThread(m_hThread);
    return true;
}

bool MsiInstallThread::StopThread(DWORD ms)
{
    if (m_hThread == nullptr) return true;
    m_bStop = true;
    SetEvent(m_hWake);
    bool stopped;
    const DWORD wait = WaitForSingleObject(m_hThread, ms);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        stopped = true;
    } else if (wait == WAIT_TIMEOUT) {
        stopped = TerminateThread(m_hThread, 0) != FALSE;
    } else {
        _ClearRequests();
        return false;
    }
    CloseHandle(m_hThread);
    m_hThread = nullptr;
    _ClearRequests();
    return stopped;
}

void MsiInstallThread::AddRequest(MsiInstallRequest* request)
{
    std::unique_ptr<MsiInstallRequest> owned(request);
    if (!_IsRunning()) StartThread();
    lib::wfc::CCriticalSection::CLock lock(&m_csQueue, true);
    m_listRequest.push_back(std::move(owned));
}

void MsiInstallThread::_ClearRequests()
{
    std::list<std::unique_ptr<MsiInstallRequest>> dropped;
    {
        lib::wfc::CCriticalSection::CLock lock(&m_csQueue, true);
        dropped.swap(m_listRequest);
    }
}

DWORD MsiInstallThread::Run()
{
    while (!m_bStop) {
        for (;;) {
            std::unique_ptr<MsiInstallRequest> request;
            {
                lib::wfc::CCriticalSection::CLock lock(&m_csQueue, true);
                if (m_listRequest.empty()) break;
                request = std::move(m_listRequest.front());
                m_listRequest.pop_front();
            }
            request->DoAction();
            request.reset();
            if (m_bStop) break;
        }
        if (m_bStop) break;
        WaitForSingleObject(m_hWake, kWakeMs);
    }
    return 1;
}

unsigned __stdcall MsiInstallThread::_ThreadEntry(void* self)
{
    return static_cast<unsigned>(static_cast<MsiInstallThread*>(self)->Run());
}

} // namespace MsiInstaller
