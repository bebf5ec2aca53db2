#include "lib/wfc/WfcRuntime.h"

#include "lib/DbcsText.h"
#include "lib/TolveLog.h"
#include "lib/wfc/Window.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>

namespace lib {
namespace wfc {

const char* const kDefaultWindowClass = "WFC-DefaultWindowClass";

namespace {

static_assert(sizeof(MONITORINFO) == 40, "monitor records are the platform's 40-byte form");

const size_t kTitleBytes = 256;

// Process-wide state: written by Initialize and Terminate on the main thread only, before
// and after every window.
HINSTANCE g_hModule = nullptr;
char g_szTitle[kTitleBytes + 1] = {};
std::new_handler g_pfnPreviousNewHandler = nullptr;
UINT g_uTaskbarCreated = 0;
UINT g_uInternalMessage = 0;
DWORD g_dwTlsSlot = TLS_OUT_OF_INDEXES;

// Registered from the main thread only, so no lock.
std::map<std::string, bool>& RegisteredClasses()
{
    static std::map<std::string, bool> classes;
    return classes;
}

// The record of a dispatch on a thread that owns none (a window destroyed after the
// framework stopped, or on a thread that never asked for one). Lives on that dispatch's
// stack and is reachable only while it runs.
thread_local ThreadMessageRecord* t_pTemporaryRecord = nullptr;

ThreadMessageRecord* OwnRecord()
{
    if (g_dwTlsSlot == TLS_OUT_OF_INDEXES) return nullptr;
    return static_cast<ThreadMessageRecord*>(TlsGetValue(g_dwTlsSlot));
}

// Puts the thread's current message back on every way out of a dispatch, a thrown
// handler included, so DefaultProc of an outer handler still answers its own message.
class CCurrentMessageScope {
public:
    CCurrentMessageScope(ThreadMessageRecord& record, const CurrentMessage& message)
        : m_record(record), m_saved(record.current)
    {
        ++m_record.nesting;
        m_record.current = message;
    }
    ~CCurrentMessageScope()
    {
        --m_record.nesting;
        m_record.current = m_saved;
    }
    CCurrentMessageScope(const CCurrentMessageScope&) = delete;
    CCurrentMessageScope& operator=(const CCurrentMessageScope&) = delete;

private:
    ThreadMessageRecord& m_record;
    CurrentMessage m_saved;
};

// Makes a stack record the thread's record for one dispatch when it owns none.
class CTemporaryRecordScope {
public:
    CTemporaryRecordScope() : m_record{}, m_bInstalled(false)
    {
        if (OwnRecord() == nullptr && t_pTemporaryRecord == nullptr) {
            t_pTemporaryRecord = &m_record;
            m_bInstalled = true;
        }
    }
    ~CTemporaryRecordScope()
    {
        if (m_bInstalled) t_pTemporaryRecord = nullptr;
    }
    CTemporaryRecordScope(const CTemporaryRecordScope&) = delete;
    CTemporaryRecordScope& operator=(const CTemporaryRecordScope&) = delete;

private:
    ThreadMessageRecord m_record;
    bool m_bInstalled;
};

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    std::vector<MONITORINFO>* list = reinterpret_cast<std::vector<MONITORINFO>*>(data);
    if (list == nullptr) return FALSE;
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) return TRUE;
    try {
        list->push_back(info);
    } catch (const std::exception&) {
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM data)
{
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
    return TRUE;
}

RECT WindowRect(HWND hwnd)
{
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return r;
}

} // namespace

const char* bad_alloc::what() const noexcept
{
    return "メモリが不足しています。";
}

void ThrowBadAlloc()
{
    throw lib::wfc::bad_alloc();
}

void NewHandler()
{
    throw lib::wfc::bad_alloc();
}

void Initialize(HINSTANCE module, const char* title, HICON icon, HICON smallIcon)
{
    g_hModule = module;
    g_szTitle[0] = '\0';
    if (title != nullptr) lib::DbcsCopy(g_szTitle, sizeof g_szTitle, title);
    // A second start must not keep our own handler as the one to put back.
    const std::new_handler previous = std::set_new_handler(&NewHandler);
    if (previous != &NewHandler) g_pfnPreviousNewHandler = previous;

    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES;
    if (!InitCommonControlsEx(&controls)) {
        TOLVE_LOG(LOG_ERROR, "コモンコントロール初期化失敗 ERR:0x%08lX", GetLastError());
    }
    // The skin's rich-edit box needs its class registered; the module stays loaded for the
    // life of the process, and a missing one only leaves that box out.
    LoadLibraryA("Riched20.dll");

    g_uTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    g_uInternalMessage = RegisterWindowMessageA("WFC-InternalMessage");
    RegisterWindowClassOnce(kDefaultWindowClass, 0, icon, smallIcon, nullptr, nullptr);

    // A second start keeps the slot, and with it the records threads already own.
    if (g_dwTlsSlot == TLS_OUT_OF_INDEXES) g_dwTlsSlot = TlsAlloc();
    if (g_dwTlsSlot == TLS_OUT_OF_INDEXES) {
        TOLVE_LOG(LOG_ERROR, "TLS確保失敗 ERR:0x%08lX", GetLastError());
        throw std::bad_alloc();
    }
}

void Terminate()
{
    std::set_new_handler(g_pfnPreviousNewHandler);
    g_pfnPreviousNewHandler = nullptr;
    if (g_dwTlsSlot != TLS_OUT_OF_INDEXES) {
        // A record the calling thread still holds would be lost with the slot.
        delete OwnRecord();
        TlsFree(g_dwTlsSlot);
        g_dwTlsSlot = TLS_OUT_OF_INDEXES;
    }
}

void AllocThreadMessageRecord()
{
    if (g_dwTlsSlot == TLS_OUT_OF_INDEXES) return;
    ThreadMessageRecord* record = new ThreadMessageRecord{};
    delete OwnRecord();
    TlsSetValue(g_dwTlsSlot, record);
}

void FreeThreadMessageRecord()
{
    if (g_dwTlsSlot == TLS_OUT_OF_INDEXES) return;
    delete OwnRecord();
    TlsSetValue(g_dwTlsSlot, nullptr);
}

ThreadMessageRecord* GetThreadMessageRecord()
{
    ThreadMessageRecord* record = OwnRecord();
    return record != nullptr ? record : t_pTemporaryRecord;
}

HINSTANCE GetModuleInstance() { return g_hModule; }
const char* GetApplicationTitle() { return g_szTitle; }
UINT GetTaskbarCreatedMessage() { return g_uTaskbarCreated; }
UINT GetInternalMessage() { return g_uInternalMessage; }

bool RegisterWindowClass(const char* name, UINT style, HICON icon, HICON smallIcon,
                         HCURSOR cursor, HBRUSH brush)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = style != 0 ? style : CS_DBLCLKS;
    wc.lpfnWndProc = &WindowProcA;
    wc.hInstance = g_hModule;
    wc.hIcon = icon != nullptr ? icon : LoadIconA(nullptr, IDI_APPLICATION);
    wc.hIconSm = smallIcon != nullptr ? smallIcon : wc.hIcon;
    wc.hCursor = cursor != nullptr ? cursor : LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = name;
    if (RegisterClassExA(&wc) == 0) {
        TOLVE_LOG(LOG_ERROR, "ウィンドウクラス登録失敗 %s ERR:0x%08lX", name ? name : "",
                  GetLastError());
        return false;
    }
    return true;
}

void RegisterWindowClassOnce(const char* name, UINT style, HICON icon, HICON smallIcon,
                             HCURSOR cursor, HBRUSH brush)
{
    const std::string key = name ? name : "";
    std::map<std::string, bool>& classes = RegisteredClasses();
    const auto found = classes.find(key);
    if (found != classes.end() && found->second) return;
    if (!RegisterWindowClass(name, style, icon, smallIcon, cursor, brush)) ThrowBadAlloc();
    classes[key] = true;
}

HWND CreateWindowExChecked(DWORD exStyle, const char* className, const char* title,
                           DWORD style, int x, int y, int width, int height, HWND parent,
                           HMENU menuOrId)
{
    HWND hwnd = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                                menuOrId, g_hModule, nullptr);
    if (hwnd == nullptr) {
        TOLVE_LOG(LOG_ERROR, "ウィンドウ作成失敗 %s ERR:0x%08lX",
                  (className && !IS_INTRESOURCE(className)) ? className : "", GetLastError());
        ThrowBadAlloc();
    }
    return hwnd;
}

HWND CreateWindowExChecked(DWORD exStyle, const wchar_t* className, const wchar_t* title,
                           DWORD style, int x, int y, int width, int height, HWND parent,
                           HMENU menuOrId)
{
    HWND hwnd = CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent,
                                menuOrId, g_hModule, nullptr);
    if (hwnd == nullptr) {
        TOLVE_LOG(LOG_ERROR, "ウィンドウ作成失敗 ERR:0x%08lX", GetLastError());
        ThrowBadAlloc();
    }
    return hwnd;
}

LRESULT CALLBACK WindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create ? create->lpCreateParams : nullptr));
    } else if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, lParam);
    }
    CWindow* window = reinterpret_cast<CWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    // Messages before WM_NCCREATE (WM_GETMINMAXINFO) have no object yet.
    if (window == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (window->m_hWnd == nullptr) window->m_hWnd = hwnd;

    LRESULT answer = 0;
    try {
        CTemporaryRecordScope temporary;
        ThreadMessageRecord* record = GetThreadMessageRecord();
        const CurrentMessage current = {window->m_hWnd, message,          wParam,
                                        lParam,         GetMessageTime(), GetMessagePos()};
        CCurrentMessageScope scope(*record, current);
        answer = window->WindowProc(message, wParam, lParam);
    } catch (const std::exception& e) {
        const DWORD error = GetLastError();
        CTolveLogWrapper("lib\\wfc\\_WindowPolicy", 47)
            .Write(LOG_ERROR, "ウィンドウプロシージャ コールバック致命的エラー %s ERR:0x%08lX",
                   e.what(), error);
        answer = 0;
    }
    return answer;
}

bool PumpMessage(int* exitCode)
{
    if (exitCode != nullptr) *exitCode = 0;
    MSG msg = {};
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
        if (exitCode != nullptr) *exitCode = static_cast<int>(msg.wParam);
        return true;
    }
    if (got == -1) {
        // The message is unusable; ending the loop beats spinning on a broken queue.
        TOLVE_LOG(LOG_ERROR, "メッセージ取得失敗 ERR:0x%08lX", GetLastError());
        return true;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return false;
}

bool RunModalLoop(HWND window, HWND owner, const bool* done, int* exitCode)
{
    if (exitCode != nullptr) *exitCode = 0;
    const bool ownerVisible = owner != nullptr && IsWindowVisible(owner);
    if (GetActiveWindow() == owner) SetActiveWindow(window);
    const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);

    bool quit = false;
    while (done == nullptr || !*done) {
        if (PumpMessage(exitCode)) {
            quit = true;
            break;
        }
        if (!IsWindow(window)) break;
        if (ownerVisible && !IsWindowVisible(owner)) break;
    }

    // Without an owner there is nobody to give the activation back to.
    if (!IsWindow(owner)) return quit;
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    if (IsWindow(window) && GetActiveWindow() == window) SetActiveWindow(owner);
    return quit;
}

void CenterWindow(HWND window, HWND over)
{
    const RECT o = WindowRect(over != nullptr ? over : GetDesktopWindow());
    const RECT w = WindowRect(window);
    const int width = w.right - w.left;
    const int height = w.bottom - w.top;
    int x = o.left + ((o.right - o.left) - width) / 2;
    int y = o.top + ((o.bottom - o.top) - height) / 2;
    RECT work = {};
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
        if (x + width > work.right) x = work.right - width;
        if (y + height > work.bottom) y = work.bottom - height;
        // Left and top last: a window larger than the work area keeps its caption reachable.
        if (x < work.left) x = work.left;
        if (y < work.top) y = work.top;
    }
    MoveWindow(window, x, y, width, height, TRUE);
}

RECT GetWorkArea()
{
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

int EnumMonitors(std::vector<MONITORINFO>& list)
{
    list.clear();
    EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor, reinterpret_cast<LPARAM>(&list));
    if (list.empty()) {
        MONITORINFO whole = {};
        whole.cbSize = sizeof whole;
        whole.rcMonitor = GetWorkArea();
        whole.rcWork = whole.rcMonitor;
        whole.dwFlags = MONITORINFOF_PRIMARY;
        list.push_back(whole);
    }
    const auto primary = std::find_if(list.begin(), list.end(), [](const MONITORINFO& m) {
        return (m.dwFlags & MONITORINFOF_PRIMARY) != 0;
    });
    if (primary != list.end() && primary != list.begin()) {
        std::rotate(list.begin(), primary, primary + 1);
    }
    return static_cast<int>(list.size());
}

int FindNearestMonitor(std::vector<MONITORINFO>& list, const RECT& r)
{
    if (list.empty()) EnumMonitors(list);
    const int cx = (r.left + r.right) / 2;
    const int cy = (r.top + r.bottom) / 2;
    int nearest = 0;
    int best = INT_MAX;
    for (size_t i = 0; i < list.size(); ++i) {
        const RECT& m = list[i].rcMonitor;
        const int mx = (m.left + m.right) / 2;
        const int my = (m.top + m.bottom) / 2;
        const int d = static_cast<int>(std::hypot(static_cast<double>(cx - mx),
                                              static_cast<double>(cy - my)));
        if (d < best) {
            best = d;
            nearest = static_cast<int>(i);
        }
    }
    return nearest;
}

bool FitWindowInRect(HWND hwnd, const RECT& r, const RECT& b)
{
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const int x = std::max<int>(b.left, std::min<int>(r.left, b.right - width));
    const int y = std::max<int>(b.top, std::min<int>(r.top, b.bottom - height));
    if (x == r.left && y == r.top) return false;
    MoveWindow(hwnd, x, y, width, height, TRUE);
    return true;
}

bool KeepWindowOnScreen(HWND hwnd)
{
    const RECT r = WindowRect(hwnd);
    std::vector<MONITORINFO> monitors;
    EnumMonitors(monitors);
    RECT meet = {};
    for (const MONITORINFO& m : monitors) {
        if (IntersectRect(&meet, &r, &m.rcWork)) return false;
    }
    for (const MONITORINFO& m : monitors) {
        if (IntersectRect(&meet, &r, &m.rcMonitor)) {
            FitWindowInRect(hwnd, r, m.rcWork);
            return true;
        }
    }
    const int nearest = FindNearestMonitor(monitors, r);
    return FitWindowInRect(hwnd, r, monitors[nearest].rcWork);
}

std::string GetWindowTextString(HWND hwnd)
{
    std::vector<char> text(GetWindowTextLengthA(hwnd) + 1, '\0');
    GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
    return text.data();
}

std::wstring GetWindowTextWString(HWND hwnd)
{
    std::vector<wchar_t> text(GetWindowTextLengthW(hwnd) + 1, L'\0');
    GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
    return text.data();
}

HWND GetRootWindow(HWND hwnd)
{
    HWND root = hwnd;
    for (HWND parent = GetParent(root); parent != nullptr; parent = GetParent(root)) {
        root = parent;
    }
    return root;
}

LRESULT SendInternalMessage(HWND hwnd, WPARAM command, LPARAM lParam)
{
    return SendMessageA(hwnd, g_uInternalMessage, command, lParam);
}

bool PostCommand(HWND hwnd, UINT id)
{
    return PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, 1), 0) != FALSE;
}

void GetChildWindows(HWND parent, std::vector<HWND>& children)
{
    EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&children));
}

void GetModuleDirectory(HMODULE module, char* buffer)
{
    buffer[0] = '\0';
    GetModuleFileNameA(module, buffer, MAX_PATH);
    buffer[MAX_PATH - 1] = '\0';
    // The name starts after the last backslash, found with double-byte characters intact.
    *PathFindFileNameA(buffer) = '\0';
}

} // namespace wfc
} // namespace lib
