#pragma once
// The base of every window of the launcher. One object owns one window handle (or borrows
// one through Attach) and turns each message into a call of one of its virtual operations
// with the parameters unpacked. An operation that a subclass does not override hands the
// message to the default procedure, so unhandled messages behave as in a plain window.

#include "lib/wfc/WfcRuntime.h"

#include <windows.h>
#include <imm.h>

#include <cstdint>
#include <exception>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace lib {
namespace wfc {

template <class E>
class CWindowPolicyBase {
public:
    virtual ~CWindowPolicyBase() = default;
};

class CWindowPolicy : public CWindowPolicyBase<std::exception> {
};

// Commands of the registered message "WFC-InternalMessage" (in wParam).
enum InternalCommand : WPARAM {
    INTERNAL_REFLECT = 0,         // lParam: InternalReflectRecord*
    INTERNAL_ADD_TO_GROUP = 1,    // lParam: HWND
    INTERNAL_REMOVE_FROM_GROUP = 2, // lParam: HWND
    INTERNAL_SYNC_CAPTION = 3,    // lParam: InternalCaptionRecord*
    INTERNAL_ENABLE_GROUP = 4,    // lParam: BOOL
};

struct InternalReflectRecord {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct InternalCaptionRecord {
    bool active;
    HWND other;
};

// Running state of the wheel: deltas are summed while they keep their sign and come
// within 500 ms of each other; every 40 units make one step.
struct WheelAccumulator {
    int32_t sum;
    int32_t lastDelta;
    int32_t lastTime;
};

// Adds one wheel delta at message time `now`; returns the steps to report (negative for a
// wheel turned away from the user), 0 when none.
int32_t AccumulateWheel(WheelAccumulator& wheel, int32_t delta, int32_t now);

class CWindow : public CWindowPolicy {
public:
    CWindow();
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;
    ~CWindow() override;

    virtual HWND GetRootWindow();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual bool OnCreate(CREATESTRUCTA* create);
    virtual void OnDestroy();
    virtual void OnMove(int x, int y);
    virtual void OnSize(UINT type, int cx, int cy);
    virtual void OnActivate(UINT state, HWND other);
    virtual void OnDevModeChange(const char* deviceName);
    virtual void OnSetFocus(HWND previous);
    virtual void OnKillFocus(HWND next);
    virtual void OnEnable(bool enable);
    virtual void OnPaint();
    virtual void OnClose();
    virtual bool OnQueryEndSession(LPARAM lParam);
    virtual bool OnQueryOpen();
    virtual void OnEndSession(bool ending, LPARAM lParam);
    virtual bool OnEraseBkgnd(HDC dc);
    virtual void OnShowWindow(bool show, UINT status);
    virtual void OnSettingChange(WPARAM wParam, LPARAM lParam);
    virtual void OnActivateApp(bool active, DWORD threadId);
    virtual bool OnSetCursor(LPARAM lParam);
    virtual bool OnDrawItem(UINT id, DRAWITEMSTRUCT* item);
    virtual bool OnMeasureItem(UINT id, MEASUREITEMSTRUCT* item);
    virtual void OnMouseMove(UINT keys, int x, int y);
    virtual void OnLButtonDown(UINT keys, int x, int y);
    virtual void OnLButtonUp(UINT keys, int x, int y);
    virtual void OnLButtonDblClk(UINT keys, int x, int y);
    virtual void OnRButtonDown(UINT keys, int x, int y);
    virtual void OnRButtonUp(UINT keys, int x, int y);
    virtual void OnRButtonDblClk(UINT keys, int x, int y);
    virtual void OnMouseWheel(UINT keys, UINT delta, int x, int y);
    virtual void OnMouseHover();
    virtual void OnMouseLeave();
    virtual void OnCaptureChanged(HWND gaining);
    virtual void OnParentNotify(UINT event, UINT id, LPARAM lParam);
    virtual bool OnSizing(UINT edge, RECT* rect);
    virtual void OnMoving(RECT* rect);
    virtual bool OnNotify(WPARAM id, NMHDR* header, LRESULT* result);
    virtual void OnDisplayChange(UINT bitsPerPixel, UINT width, UINT height);
    virtual bool OnNcCreate(CREATESTRUCTA* create);
    virtual void OnNcDestroy();
    virtual void OnNcCalcSize(WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnNcHitTest(int x, int y);
    virtual void OnNcPaint();
    virtual bool OnNcActivate(bool active);
    virtual void OnNcMouseMove(UINT hit, int x, int y);
    virtual void OnNcLButtonDown(UINT hit, int x, int y);
    virtual void OnNcLButtonUp(UINT hit, int x, int y);
    virtual void OnNcLButtonDblClk(UINT hit, int x, int y);
    virtual void OnNcRButtonDown(UINT hit, int x, int y);
    virtual void OnNcRButtonUp(UINT hit, int x, int y);
    virtual void OnNcRButtonDblClk(UINT hit, int x, int y);
    virtual void OnNcMButtonDown(UINT hit, int x, int y);
    virtual void OnNcMButtonUp(UINT hit, int x, int y);
    virtual void OnNcMButtonDblClk(UINT hit, int x, int y);
    virtual void OnKeyDown(UINT key, LPARAM lParam);
    virtual void OnKeyUp(UINT key, LPARAM lParam);
    virtual void OnChar(UINT character, LPARAM lParam);
    virtual void OnUniChar(UINT character, UINT reserved, LPARAM lParam);
    virtual void OnSysKeyDown(UINT key, LPARAM lParam);
    virtual void OnSysKeyUp(UINT key, LPARAM lParam);
    virtual bool OnInitDialog();
    virtual void OnCommand(UINT id, UINT code, HWND control);
    virtual void OnSysCommand(WPARAM wParam, LPARAM lParam);
    virtual void OnTimer(UINT_PTR id);
    virtual void OnHScroll(UINT code, UINT position, HWND scrollBar);
    virtual void OnVScroll(UINT code, UINT position, HWND scrollBar);
    virtual LRESULT OnPowerBroadcast(WPARAM event, LPARAM data);
    virtual void OnEnterSizeMove();
    virtual void OnExitSizeMove();
    virtual void OnDropFiles(HDROP drop);
    virtual void OnGetMinMaxInfo(MINMAXINFO* info);
    virtual void OnTaskbarCreated();
    virtual void OnMouseWheelStep(UINT keys, int steps, int x, int y);
    // The default handling of the message being dispatched on this thread.
    virtual LRESULT DefaultProc();
    virtual bool OnReflectedDrawItem(DRAWITEMSTRUCT* item);
    virtual bool OnReflectedMeasureItem(MEASUREITEMSTRUCT* item);

    // Creates the window with this object as its creation parameter; a null class name is
    // "WFC-DefaultWindowClass". Throws lib::wfc::bad_alloc when the window cannot be made.
    HWND Create(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                int y, int width, int height, HWND parent, HMENU menuOrId);
    HWND Create(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                int y, int width, int height);

    // Borrows a window another component made: its messages reach this object, unhandled
    // ones its earlier window procedure.
    void Attach(HWND hwnd);
    // Gives the input context and the window procedure back; returns the handle.
    HWND Detach();
    void EnableIME(bool enable);
    void CenterWindow(HWND over);

    HWND GetHwnd() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd) != FALSE; }

    bool DestroyWindow();
    bool GetClientRect(RECT* rect) const;
    bool GetWindowRect(RECT* rect) const;
    LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool PostMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool ShowWindow(int command);
    bool UpdateWindow();
    bool MoveWindow(int x, int y, int width, int height, bool repaint);
    bool MoveWindow(const RECT& rect, bool repaint);
    bool InvalidateRect(const RECT* rect, bool erase);
    UINT_PTR SetTimer(UINT_PTR id, UINT milliseconds);
    bool KillTimer(UINT_PTR id);
    LRESULT SetIcon(HICON icon, bool big);
    HWND GetParent() const;
    HWND GetDlgItem(int id) const;
    bool ScreenToClient(POINT* point) const;
    bool SetWindowText(const std::string& text);
    bool SetWindowText(const std::wstring& text);
    std::string GetWindowText() const;

private:
    friend LRESULT CALLBACK WindowProcA(HWND, UINT, WPARAM, LPARAM);

    LRESULT _Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT _InternalCommand(WPARAM command, LPARAM lParam);
    void _SyncCaption(const InternalCaptionRecord& record);
    LRESULT _PassOn() { return DefaultProc(); }
    bool _PassOnBool() { return DefaultProc() != 0; }

    HWND m_hWnd;
    WNDPROC m_pfnSavedProc;
    std::vector<HWND> m_vGroup;
    WheelAccumulator m_wheel;
    HIMC m_hSavedImc;
    // Reflection of owner-draw and notification messages to other windows. Nothing in the
    // system registers an entry; a miss sends the message to this window's own operation.
    std::map<std::pair<UINT, WPARAM>, HWND> m_mapReflectItem;
    std::map<std::pair<HWND, UINT>, HWND> m_mapReflectNotify;
};

} // namespace wfc
} // namespace lib
