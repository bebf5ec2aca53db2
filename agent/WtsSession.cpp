#include "agent/WtsSession.h"

namespace agent {

namespace {

// One entry point of a library loaded for one call.
class CLoadedEntry {
public:
    CLoadedEntry(const char* library, const char* name)
        : m_hModule(LoadLibraryA(library)),
          m_pfnEntry(m_hModule != nullptr ? GetProcAddress(m_hModule, name) : nullptr)
    {
    }
    ~CLoadedEntry()
    {
        if (m_hModule != nullptr) FreeLibrary(m_hModule);
    }
    CLoadedEntry(const CLoadedEntry&) = delete;
    CLoadedEntry& operator=(const CLoadedEntry&) = delete;

    // Null when the library or the entry point is missing.
    template <typename Function> Function Get() const
    {
        // FARPROC is a placeholder type: the entry point is called through its real one.
        return reinterpret_cast<Function>(reinterpret_cast<void*>(m_pfnEntry));
    }

private:
    HMODULE m_hModule;
    FARPROC m_pfnEntry;
};

typedef DWORD(WINAPI* GetActiveConsoleSessionIdFn)();
typedef BOOL(WINAPI* RegisterSessionNotificationFn)(HWND, DWORD);
typedef BOOL(WINAPI* UnRegisterSessionNotificationFn)(HWND);
typedef BOOL(WINAPI* QueryUserTokenFn)(ULONG, PHANDLE);

const char WTSAPI_LIBRARY[] = "WTSApi32.dll";

} // namespace

DWORD GetActiveConsoleSessionId()
{
    CLoadedEntry entry("Kernel32.dll", "WTSGetActiveConsoleSessionId");
    GetActiveConsoleSessionIdFn function = entry.Get<GetActiveConsoleSessionIdFn>();
    if (function == nullptr) return 0;
    const DWORD session = function();
    return session == 0xFFFFFFFF ? 0 : session;
}

bool RegisterSessionNotification(HWND window, DWORD flags)
{
    CLoadedEntry entry(WTSAPI_LIBRARY, "WTSRegisterSessionNotification");
    RegisterSessionNotificationFn function = entry.Get<RegisterSessionNotificationFn>();
    return function != nullptr && function(window, flags) != FALSE;
}

bool UnRegisterSessionNotification(HWND window)
{
    CLoadedEntry entry(WTSAPI_LIBRARY, "WTSUnRegisterSessionNotification");
    UnRegisterSessionNotificationFn function = entry.Get<UnRegisterSessionNotificationFn>();
    return function != nullptr && function(window) != FALSE;
}

bool QueryUserToken(ULONG sessionId, HANDLE* token)
{
    *token = nullptr;
    CLoadedEntry entry(WTSAPI_LIBRARY, "WTSQueryUserToken");
    QueryUserTokenFn function = entry.Get<QueryUserTokenFn>();
    return function != nullptr && function(sessionId, token) != FALSE && *token != nullptr;
}

} // namespace agent
