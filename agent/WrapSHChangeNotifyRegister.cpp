#include "agent/WrapSHChangeNotifyRegister.h"

#include <shlobj.h>

namespace {

struct NotifyEntry {
    LPCITEMIDLIST pidl; // null: the whole namespace
    BOOL recursive;
};

typedef ULONG(WINAPI* RegisterFn)(HWND, int, LONG, UINT, int, const NotifyEntry*);
typedef BOOL(WINAPI* DeregisterFn)(ULONG);
typedef HANDLE(WINAPI* LockFn)(HANDLE, DWORD, LPITEMIDLIST**, LONG*);
typedef BOOL(WINAPI* UnlockFn)(HANDLE);

// Interrupt level, shell level, recursive interrupt, new delivery.
const int NOTIFY_SOURCES = 0x9003;
const LONG NOTIFY_EVENTS = static_cast<LONG>(0xFFF901E1);

template <typename Function> Function As(FARPROC entry)
{
    // FARPROC is a placeholder type: each entry point is called through its real one.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(entry));
}

// The path of an item list in the ANSI code page, left empty unless it fits with room to spare.
void PathOf(LPCITEMIDLIST list, char* path)
{
    path[0] = '\0';
    if (list == nullptr) return;
    WCHAR wide[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(list, wide)) return;
    const int needed = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0 || needed >= CWrapSHChangeNotifyRegister::PATH_BUFFER_SIZE - 1) return;
    WideCharToMultiByte(CP_ACP, 0, wide, -1, path, CWrapSHChangeNotifyRegister::PATH_BUFFER_SIZE,
                        nullptr, nullptr);
}

} // namespace

CWrapSHChangeNotifyRegister::CWrapSHChangeNotifyRegister()
    : m_hShell32(nullptr), m_pfnRegister(nullptr), m_pfnDeregister(nullptr), m_pfnLock(nullptr),
      m_pfnUnlock(nullptr), m_ulRegisterId(0)
{
}

CWrapSHChangeNotifyRegister::~CWrapSHChangeNotifyRegister() { Deregister(); }

bool CWrapSHChangeNotifyRegister::Load()
{
    if (m_hShell32 != nullptr) return true;
    m_hShell32 = LoadLibraryA("Shell32.DLL");
    if (m_hShell32 == nullptr) return false;
    m_pfnRegister = GetProcAddress(m_hShell32, MAKEINTRESOURCEA(2));
    m_pfnDeregister = GetProcAddress(m_hShell32, MAKEINTRESOURCEA(4));
    m_pfnLock = GetProcAddress(m_hShell32, MAKEINTRESOURCEA(644));
    m_pfnUnlock = GetProcAddress(m_hShell32, MAKEINTRESOURCEA(645));
    if (m_pfnRegister == nullptr || m_pfnDeregister == nullptr || m_pfnLock == nullptr ||
        m_pfnUnlock == nullptr) {
        _Free();
        return false;
    }
    return true;
}

bool CWrapSHChangeNotifyRegister::Register(HWND window, UINT message)
{
    if (!Load()) return false;
    const NotifyEntry entry = {nullptr, TRUE};
    m_ulRegisterId = As<RegisterFn>(m_pfnRegister)(window, NOTIFY_SOURCES, NOTIFY_EVENTS,
                                                   message, 1, &entry);
    return m_ulRegisterId != 0;
}

void CWrapSHChangeNotifyRegister::Deregister()
{
    if (m_ulRegisterId != 0 && m_pfnDeregister != nullptr) {
        As<DeregisterFn>(m_pfnDeregister)(m_ulRegisterId);
    }
    m_ulRegisterId = 0;
    _Free();
}

bool CWrapSHChangeNotifyRegister::GetNotification(WPARAM wParam, LPARAM lParam, LONG* eventId,
                                                  char* path1, char* path2)
{
    path1[0] = '\0';
    path2[0] = '\0';
    if (m_pfnLock == nullptr || m_pfnUnlock == nullptr) return false;
    LPITEMIDLIST* lists = nullptr;
    LONG event = 0;
    // New delivery: wParam is the notification's shared memory, lParam the sender's process.
    HANDLE lock = As<LockFn>(m_pfnLock)(reinterpret_cast<HANDLE>(wParam),
                                        static_cast<DWORD>(lParam), &lists, &event);
    if (lock == nullptr) return false;
    if (lists != nullptr) {
        PathOf(lists[0], path1);
        PathOf(lists[1], path2);
    }
    As<UnlockFn>(m_pfnUnlock)(lock);
    *eventId = event;
    return true;
}

void CWrapSHChangeNotifyRegister::_Free()
{
    if (m_hShell32 != nullptr) FreeLibrary(m_hShell32);
    m_hShell32 = nullptr;
    m_pfnRegister = nullptr;
    m_pfnDeregister = nullptr;
    m_pfnLock = nullptr;
    m_pfnUnlock = nullptr;
}
