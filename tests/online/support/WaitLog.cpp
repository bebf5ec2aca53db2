#include "tests/online/support/WaitLog.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace onlinetest {

namespace {

typedef DWORD(WINAPI* WaitFunction)(DWORD, const HANDLE*, BOOL, DWORD);

WaitFunction g_pfnReal = nullptr;
std::mutex g_oMutex;
std::vector<HANDLE> g_vHandles; // each handle of each wait begun, in order

DWORD WINAPI NotedWait(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD timeoutMs)
{
    {
        std::lock_guard<std::mutex> lock(g_oMutex);
        g_vHandles.insert(g_vHandles.end(), handles, handles + count);
    }
    return g_pfnReal(count, handles, waitAll, timeoutMs);
}

// The stand-in, once the real function it passes every call on to is known.
void* Prepared()
{
    g_pfnReal = reinterpret_cast<WaitFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "WaitForMultipleObjects")));
    std::lock_guard<std::mutex> lock(g_oMutex);
    g_vHandles.clear();
    return reinterpret_cast<void*>(&NotedWait);
}

} // namespace

CWaitLog::CWaitLog() : m_oPatch("kernel32.dll", "WaitForMultipleObjects", Prepared()) {}

CWaitLog::~CWaitLog()
{
    std::lock_guard<std::mutex> lock(g_oMutex);
    g_vHandles.clear();
}

size_t CWaitLog::WaitsOn(HANDLE handle) const
{
    std::lock_guard<std::mutex> lock(g_oMutex);
    return static_cast<size_t>(std::count(g_vHandles.begin(), g_vHandles.end(), handle));
}

bool CWaitLog::WaitForWaitsOn(HANDLE handle, size_t count, DWORD timeoutMs) const
{
    const DWORD start = GetTickCount();
    while (WaitsOn(handle) < count) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(5);
    }
    return true;
}

} // namespace onlinetest
