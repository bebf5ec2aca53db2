#include "lib/wfc/Window.h"

#include "lib/TolveLog.h"

#include <windowsx.h>

#include <cstdlib>

namespace lib {
namespace wfc {

namespace {

// Wheel deltas further apart than this start a new sum.
const int64_t kWheelPauseMs = 500;
// Units of wheel delta per reported step: one notch of 120 gives three steps.
const int32_t kWheelUnitsPerStep = 40;

int Sign(int32_t value)
{
    return (value > 0) - (value < 0);
}

} // namespace

int32_t AccumulateWheel(WheelAccumulator& wheel, int32_t delta, int32_t now)
{
    if (delta == 0) return 0;
    const int64_t pause = static_cast<int64_t>(now) - wheel.lastTime;
    if (std::llabs(pause) > kWheelPauseMs || Sign(wheel.lastDelta) != Sign(delta)) {
        wheel.sum = 0;
    }
    wheel.sum += delta;
    wheel.lastDelta = delta;
    wheel.lastTime = now;
    const int32_t steps = wheel.sum / kWheelUnitsPerStep;
    if (steps == 0) return 0;
    wheel.sum -= steps * kWheelUnitsPerStep;
    return -steps;
}

CWindow::CWindow()
    : m_hWnd(nullptr), m_pfnSavedProc(nullptr), m_wheel{0, 0, 0}, m_hSavedImc(nullptr)
{
}

CWindow::~CWindow()
{
    if (m_hWnd != nullptr) Detach();
    m_vGroup.clear();
    m_mapReflectItem.clear();
    m_mapReflectNotify.clear();
}

HWND CWindow::GetRootWindow()
{
    return lib::wfc::GetRootWindow(m_hWnd);
}

LRESULT CWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return _Dispatch(message, wParam, lParam);
}

LRESULT CWindow::_Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    const bool flag = wParam != 0;
    const UINT keys = static_cast<UINT>(wParam);

    switch (message) {
    case WM_CREATE:
        try {
            return OnCreate(reinterpret_cast<CREATESTRUCTA*>(lParam)) ? 0 : -1;
        } catch (const std::exception&) {
            // A constructor-like failure: the window is not made, Create reports it.
            return -1;
        }
    case WM_DESTROY: EnableIME(true); OnDestroy(); return 0;
    case WM_MOVE: OnMove(x, y); return 0;
    case WM_SIZE: OnSize(static_cast<UINT>(wParam), x, y); return 0;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_DEVMODECHANGE: OnDevModeChange(reinterpret_cast<const char*>(lParam)); return 0;
    case WM_SETFOCUS: OnSetFocus(reinterpret_cast<HWND>(wParam)); return 0;
    case WM_KILLFOCUS: OnKillFocus(reinterpret_cast<HWND>(wParam)); return 0;
    case WM_ENABLE: OnEnable(flag); return 0;
    case WM_PAINT: OnPaint(); return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_QUERYENDSESSION: return OnQueryEndSession(lParam) ? 1 : 0;
    case WM_QUERYOPEN: return OnQueryOpen() ? 1 : 0;
    case WM_ENDSESSION: OnEndSession(flag, lParam); return 0;
    case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<HDC>(wParam)) ? 1 : 0;
    case WM_SHOWWINDOW: OnShowWindow(flag, static_cast<UINT>(lParam)); return 0;
    case WM_SETTINGCHANGE: OnSettingChange(wParam, lParam); return 0;
    case WM_ACTIVATEAPP: OnActivateApp(flag, static_cast<DWORD>(lParam)); return 0;
    case WM_SETCURSOR: return OnSetCursor(lParam) ? 1 : 0;
    case WM_DRAWITEM:
    case WM_MEASUREITEM: {
        const auto hit = m_mapReflectItem.find(std::make_pair(message, wParam));
        if (hit != m_mapReflectItem.end()) {
            InternalReflectRecord record = {message, wParam, lParam};
            return SendInternalMessage(hit->second, INTERNAL_REFLECT,
                                       reinterpret_cast<LPARAM>(&record));
        }
        if (message == WM_DRAWITEM) {
            return OnDrawItem(static_cast<UINT>(wParam),
                              reinterpret_cast<DRAWITEMSTRUCT*>(lParam)) ? 1 : 0;
        }
        return OnMeasureItem(static_cast<UINT>(wParam),
                             reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)) ? 1 : 0;
    }
    case WM_MOUSEMOVE: OnMouseMove(keys, x, y); return 0;
    case WM_LBUTTONDOWN: OnLButtonDown(keys, x, y); return 0;
    case WM_LBUTTONUP: OnLButtonUp(keys, x, y); return 0;
    case WM_LBUTTONDBLCLK: OnLButtonDblClk(keys, x, y); return 0;
    case WM_RBUTTONDOWN: OnRButtonDown(keys, x, y); return 0;
    case WM_RBUTTONUP: OnRButtonUp(keys, x, y); return 0;
    case WM_RBUTTONDBLCLK: OnRButtonDblClk(keys, x, y); return 0;
    case WM_MOUSEWHEEL: {
        const int32_t delta = static_cast<int16_t>(HIWORD(wParam));
        const int32_t steps = AccumulateWheel(m_wheel, delta, GetMessageTime());
        if (steps != 0) OnMouseWheelStep(LOWORD(wParam), steps, x, y);
        OnMouseWheel(LOWORD(wParam), HIWORD(wParam), x, y);
        return 0;
    }
    case WM_MOUSEHOVER: OnMouseHover(); return 0;
    case WM_MOUSELEAVE: OnMouseLeave(); return 0;
    case WM_CAPTURECHANGED: OnCaptureChanged(reinterpret_cast<HWND>(lParam)); return 0;
    case WM_PARENTNOTIFY: OnParentNotify(LOWORD(wParam), HIWORD(wParam), lParam); return 0;
    case WM_SIZING:
        return OnSizing(static_cast<UINT>(wParam), reinterpret_cast<RECT*>(lParam)) ? 1 : 0;
    case WM_MOVING: OnMoving(reinterpret_cast<RECT*>(lParam)); return 0;
    case WM_NOTIFY: {
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        if (header != nullptr) {
            const auto hit = m_mapReflectNotify.find(std::make_pair(header->hwndFrom, header->code));
            if (hit != m_mapReflectNotify.end()) {
                return ::SendMessageA(header->hwndFrom, WM_NOTIFY, wParam, lParam);
            }
        }
        LRESULT answer = 0;
        if (!OnNotify(wParam, header, &answer)) return DefaultProc();
        return answer;
    }
    case WM_DISPLAYCHANGE:
        OnDisplayChange(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_NCCREATE: return OnNcCreate(reinterpret_cast<CREATESTRUCTA*>(lParam)) ? 1 : 0;
    case WM_NCDESTROY: OnNcDestroy(); Detach(); return 0;
    case WM_NCCALCSIZE: OnNcCalcSize(wParam, lParam); return 0;
    case WM_NCHITTEST: return OnNcHitTest(x, y);
    case WM_NCPAINT: OnNcPaint(); return 0;
    case WM_NCACTIVATE: return OnNcActivate(flag) ? 1 : 0;
    case WM_NCMOUSEMOVE: OnNcMouseMove(keys, x, y); return 0;
    case WM_NCLBUTTONDOWN: OnNcLButtonDown(keys, x, y); return 0;
    case WM_NCLBUTTONUP: OnNcLButtonUp(keys, x, y); return 0;
    case WM_NCLBUTTONDBLCLK: OnNcLButtonDblClk(keys, x, y); return 0;
    case WM_NCRBUTTONDOWN: OnNcRButtonDown(keys, x, y); return 0;
    case WM_NCRBUTTONUP: OnNcRButtonUp(keys, x, y); return 0;
    case WM_NCRBUTTONDBLCLK: OnNcRButtonDblClk(keys, x, y); return 0;
    case WM_NCMBUTTONDOWN: OnNcMButtonDown(keys, x, y); return 0;
    case WM_NCMBUTTONUP: OnNcMButtonUp(keys, x, y); return 0;
    case WM_NCMBUTTONDBLCLK: OnNcMButtonDblClk(keys, x, y); return 0;
    case WM_KEYDOWN: OnKeyDown(keys, lParam); return 0;
    case WM_KEYUP: OnKeyUp(keys, lParam); return 0;
    case WM_CHAR: OnChar(keys, lParam); return 0;
    case WM_SYSKEYDOWN: OnSysKeyDown(keys, lParam); return 0;
    case WM_SYSKEYUP: OnSysKeyUp(keys, lParam); return 0;
    case WM_INITDIALOG: CenterWindow(nullptr); return OnInitDialog() ? 1 : 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_SYSCOMMAND: OnSysCommand(wParam, lParam); return 0;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_HSCROLL:
        OnHScroll(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_POWERBROADCAST: return OnPowerBroadcast(wParam, lParam);
    case WM_ENTERSIZEMOVE: OnEnterSizeMove(); return 0;
    case WM_EXITSIZEMOVE: OnExitSizeMove(); return 0;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
    default:
        break;
    }

    // Registered messages have no fixed number; 0 means the framework is not started.
    const UINT taskbarCreated = GetTaskbarCreatedMessage();
    if (taskbarCreated != 0 && message == taskbarCreated) {
        OnTaskbarCreated();
        return 0;
    }
    const UINT internal = GetInternalMessage();
    if (internal != 0 && message == internal) return _InternalCommand(wParam, lParam);
    return DefaultProc();
}

LRESULT CWindow::_InternalCommand(WPARAM command, LPARAM lParam)
{
    switch (command) {
    case INTERNAL_REFLECT: {
        const InternalReflectRecord* record = reinterpret_cast<const InternalReflectRecord*>(lParam);
        if (record == nullptr) return 0;
        if (record->message == WM_DRAWITEM) {
            return OnReflectedDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(record->lParam)) ? 1 : 0;
        }
        if (record->message == WM_MEASUREITEM) {
            return OnReflectedMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(record->lParam))
                       ? 1
                       : 0;
        }
        return 0;
    }
    case INTERNAL_ADD_TO_GROUP:
        m_vGroup.push_back(reinterpret_cast<HWND>(lParam));
        return 0;
    case INTERNAL_REMOVE_FROM_GROUP: {
        for (auto it = m_vGroup.begin(); it != m_vGroup.end(); ++it) {
            if (*it == reinterpret_cast<HWND>(lParam)) {
                m_vGroup.erase(it);
                break;
            }
        }
        return 0;
    }
    case INTERNAL_SYNC_CAPTION: {
        const InternalCaptionRecord* record = reinterpret_cast<const InternalCaptionRecord*>(lParam);
        if (record != nullptr) _SyncCaption(*record);
        return 0;
    }
    case INTERNAL_ENABLE_GROUP: {
        // A handler may change the group while it is enabled or disabled; walk a copy.
        const std::vector<HWND> group = m_vGroup;
        for (HWND member : group) ::EnableWindow(member, lParam != 0 ? TRUE : FALSE);
        return 0;
    }
    default:
        return 0;
    }
}

void CWindow::_SyncCaption(const InternalCaptionRecord& record)
{
    // Windows of one group show their captions active together: activating one of them
    // from another must not grey the others' captions.
    std::vector<HWND> windows = m_vGroup;
    windows.push_back(m_hWnd);
    bool active = record.active;
    for (HWND member : windows) {
        if (member == record.other) active = true;
    }
    for (HWND member : windows) ::SendMessageA(member, WM_NCACTIVATE, active ? TRUE : FALSE, 0);
}

bool CWindow::OnCreate(CREATESTRUCTA*) { return true; }
void CWindow::OnDestroy() { _PassOn(); }
void CWindow::OnMove(int, int) { _PassOn(); }
void CWindow::OnSize(UINT, int, int) { _PassOn(); }

void CWindow::OnActivate(UINT state, HWND other)
{
    InternalCaptionRecord record = {state != WA_INACTIVE, other};
    SendInternalMessage(m_hWnd, INTERNAL_SYNC_CAPTION, reinterpret_cast<LPARAM>(&record));
    _PassOn();
}

void CWindow::OnDevModeChange(const char*) {}
void CWindow::OnSetFocus(HWND) { _PassOn(); }
void CWindow::OnKillFocus(HWND) { _PassOn(); }

void CWindow::OnEnable(bool enable)
{
    SendInternalMessage(m_hWnd, INTERNAL_ENABLE_GROUP, enable ? TRUE : FALSE);
    _PassOn();
}

void CWindow::OnPaint() { _PassOn(); }
void CWindow::OnClose() { _PassOn(); }
bool CWindow::OnQueryEndSession(LPARAM) { return _PassOnBool(); }
bool CWindow::OnQueryOpen() { return _PassOnBool(); }
void CWindow::OnEndSession(bool, LPARAM) { _PassOn(); }
bool CWindow::OnEraseBkgnd(HDC) { return _PassOnBool(); }
void CWindow::OnShowWindow(bool, UINT) { _PassOn(); }
void CWindow::OnSettingChange(WPARAM, LPARAM) { _PassOn(); }
void CWindow::OnActivateApp(bool, DWORD) { _PassOn(); }
bool CWindow::OnSetCursor(LPARAM) { return _PassOnBool(); }
bool CWindow::OnDrawItem(UINT, DRAWITEMSTRUCT*) { return _PassOnBool(); }
bool CWindow::OnMeasureItem(UINT, MEASUREITEMSTRUCT*) { return _PassOnBool(); }
void CWindow::OnMouseMove(UINT, int, int) { _PassOn(); }
void CWindow::OnLButtonDown(UINT, int, int) { _PassOn(); }
void CWindow::OnLButtonUp(UINT, int, int) { _PassOn(); }
void CWindow::OnLButtonDblClk(UINT, int, int) { _PassOn(); }
void CWindow::OnRButtonDown(UINT, int, int) { _PassOn(); }
void CWindow::OnRButtonUp(UINT, int, int) { _PassOn(); }
void CWindow::OnRButtonDblClk(UINT, int, int) { _PassOn(); }
void CWindow::OnMouseWheel(UINT, UINT, int, int) { _PassOn(); }
void CWindow::OnMouseHover() { _PassOn(); }
void CWindow::OnMouseLeave() { _PassOn(); }
void CWindow::OnCaptureChanged(HWND) { _PassOn(); }
void CWindow::OnParentNotify(UINT, UINT, LPARAM) { _PassOn(); }
bool CWindow::OnSizing(UINT, RECT*) { return _PassOnBool(); }
void CWindow::OnMoving(RECT*) { _PassOn(); }
bool CWindow::OnNotify(WPARAM, NMHDR*, LRESULT*) { return false; }
void CWindow::OnDisplayChange(UINT, UINT, UINT) {}
bool CWindow::OnNcCreate(CREATESTRUCTA*) { return _PassOnBool(); }
void CWindow::OnNcDestroy() { _PassOn(); }
void CWindow::OnNcCalcSize(WPARAM, LPARAM) { _PassOn(); }
LRESULT CWindow::OnNcHitTest(int, int) { return _PassOn(); }
void CWindow::OnNcPaint() { _PassOn(); }
bool CWindow::OnNcActivate(bool) { return _PassOnBool(); }
void CWindow::OnNcMouseMove(UINT, int, int) { _PassOn(); }
void CWindow::OnNcLButtonDown(UINT, int, int) { _PassOn(); }
void CWindow::OnNcLButtonUp(UINT, int, int) { _PassOn(); }
void CWindow::OnNcLButtonDblClk(UINT, int, int) { _PassOn(); }
void CWindow::OnNcRButtonDown(UINT, int, int) { _PassOn(); }
void CWindow::OnNcRButtonUp(UINT, int, int) { _PassOn(); }
void CWindow::OnNcRButtonDblClk(UINT, int, int) { _PassOn(); }
void CWindow::OnNcMButtonDown(UINT, int, int) { _PassOn(); }
void CWindow::OnNcMButtonUp(UINT, int, int) { _PassOn(); }
void CWindow::OnNcMButtonDblClk(UINT, int, int) { _PassOn(); }
void CWindow::OnKeyDown(UINT, LPARAM) { _PassOn(); }
void CWindow::OnKeyUp(UINT, LPARAM) { _PassOn(); }
void CWindow::OnChar(UINT, LPARAM) { _PassOn(); }
void CWindow::OnUniChar(UINT, UINT, LPARAM) { _PassOn(); }
void CWindow::OnSysKeyDown(UINT, LPARAM) { _PassOn(); }
void CWindow::OnSysKeyUp(UINT, LPARAM) { _PassOn(); }
bool CWindow::OnInitDialog() { return _PassOnBool(); }
void CWindow::OnCommand(UINT, UINT, HWND) { _PassOn(); }
void CWindow::OnSysCommand(WPARAM, LPARAM) { _PassOn(); }
void CWindow::OnTimer(UINT_PTR) { _PassOn(); }
void CWindow::OnHScroll(UINT, UINT, HWND) { _PassOn(); }
void CWindow::OnVScroll(UINT, UINT, HWND) { _PassOn(); }
LRESULT CWindow::OnPowerBroadcast(WPARAM, LPARAM) { return _PassOn(); }
void CWindow::OnEnterSizeMove() { _PassOn(); }
void CWindow::OnExitSizeMove() { _PassOn(); }
void CWindow::OnDropFiles(HDROP) { _PassOn(); }
void CWindow::OnGetMinMaxInfo(MINMAXINFO*) { _PassOn(); }
void CWindow::OnTaskbarCreated() { _PassOn(); }
void CWindow::OnMouseWheelStep(UINT, int, int, int) {}
bool CWindow::OnReflectedDrawItem(DRAWITEMSTRUCT*) { return false; }
bool CWindow::OnReflectedMeasureItem(MEASUREITEMSTRUCT*) { return false; }

LRESULT CWindow::DefaultProc()
{
    if (m_hWnd == nullptr) return 0;
    const ThreadMessageRecord* record = GetThreadMessageRecord();
    if (record == nullptr) return 0;
    const CurrentMessage& current = record->current;
    if (m_pfnSavedProc != nullptr) {
        return ::CallWindowProcA(m_pfnSavedProc, m_hWnd, current.message, current.wParam,
                                 current.lParam);
    }
    return ::DefWindowProcA(m_hWnd, current.message, current.wParam, current.lParam);
}

HWND CWindow::Create(DWORD exStyle, const char* className, const char* title, DWORD style,
                     int x, int y, int width, int height, HWND parent, HMENU menuOrId)
{
    HWND hwnd = ::CreateWindowExA(exStyle, className ? className : kDefaultWindowClass, title,
                                  style, x, y, width, height, parent, menuOrId,
                                  GetModuleInstance(), this);
    if (hwnd == nullptr) {
        // A class given as an atom has no text to print.
        const char* shown = className == nullptr       ? kDefaultWindowClass
                            : IS_INTRESOURCE(className) ? ""
                                                        : className;
        TOLVE_LOG(LOG_ERROR, "ウィンドウ作成失敗 %s ERR:0x%08lX", shown, GetLastError());
        ThrowBadAlloc();
    }
    return hwnd;
}

HWND CWindow::Create(DWORD exStyle, const char* className, const char* title, DWORD style,
                     int x, int y, int width, int height)
{
    return Create(exStyle, className, title, style, x, y, width, height, nullptr, nullptr);
}

void CWindow::Attach(HWND hwnd)
{
    m_pfnSavedProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
    ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProcA));
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_hWnd = hwnd;
}

HWND CWindow::Detach()
{
    EnableIME(true);
    HWND hwnd = m_hWnd;
    if (hwnd != nullptr) {
        if (m_pfnSavedProc != nullptr) {
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSavedProc));
        }
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    }
    m_hWnd = nullptr;
    return hwnd;
}

void CWindow::EnableIME(bool enable)
{
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd)) return;
    if (!enable) {
        if (m_hSavedImc == nullptr) m_hSavedImc = ::ImmAssociateContext(m_hWnd, nullptr);
    } else if (m_hSavedImc != nullptr) {
        ::ImmAssociateContext(m_hWnd, m_hSavedImc);
        m_hSavedImc = nullptr;
    }
}

void CWindow::CenterWindow(HWND over)
{
    lib::wfc::CenterWindow(m_hWnd, over);
}

bool CWindow::DestroyWindow()
{
    return m_hWnd != nullptr && ::DestroyWindow(m_hWnd) != FALSE;
}

bool CWindow::GetClientRect(RECT* rect) const { return ::GetClientRect(m_hWnd, rect) != FALSE; }
bool CWindow::GetWindowRect(RECT* rect) const { return ::GetWindowRect(m_hWnd, rect) != FALSE; }

LRESULT CWindow::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

bool CWindow::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessageA(m_hWnd, message, wParam, lParam) != FALSE;
}

bool CWindow::ShowWindow(int command) { return ::ShowWindow(m_hWnd, command) != FALSE; }
bool CWindow::UpdateWindow() { return ::UpdateWindow(m_hWnd) != FALSE; }

bool CWindow::MoveWindow(int x, int y, int width, int height, bool repaint)
{
    return ::MoveWindow(m_hWnd, x, y, width, height, repaint ? TRUE : FALSE) != FALSE;
}

bool CWindow::MoveWindow(const RECT& rect, bool repaint)
{
    return MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                      repaint);
}

bool CWindow::InvalidateRect(const RECT* rect, bool erase)
{
    return ::InvalidateRect(m_hWnd, rect, erase ? TRUE : FALSE) != FALSE;
}

UINT_PTR CWindow::SetTimer(UINT_PTR id, UINT milliseconds)
{
    return ::SetTimer(m_hWnd, id, milliseconds, nullptr);
}

bool CWindow::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id) != FALSE; }

LRESULT CWindow::SetIcon(HICON icon, bool big)
{
    return ::SendMessageA(m_hWnd, WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                          reinterpret_cast<LPARAM>(icon));
}

HWND CWindow::GetParent() const { return ::GetParent(m_hWnd); }
HWND CWindow::GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
bool CWindow::ScreenToClient(POINT* point) const { return ::ScreenToClient(m_hWnd, point) != FALSE; }

bool CWindow::SetWindowText(const std::string& text)
{
    return ::SetWindowTextA(m_hWnd, text.c_str()) != FALSE;
}

bool CWindow::SetWindowText(const std::wstring& text)
{
    return ::SetWindowTextW(m_hWnd, text.c_str()) != FALSE;
}

std::string CWindow::GetWindowText() const { return GetWindowTextString(m_hWnd); }

} // namespace wfc
} // namespace lib
