// The window object: routing of each message to its operation, the default procedure,
// borrowing and giving back a window, the exception guard, the current-message record,
// the internal commands and the wheel accumulator.
#include "lib/StringUtility.h"
#include "lib/wfc/Window.h"
#include "tests/lib/WindowTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using lib::FormatString;
using lib::wfc::CWindow;

namespace {

::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new windowtest::CFrameworkEnvironment);

unsigned long long Num(const void* p)
{
    return static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p));
}

// A message value as the program receives it, without sign extension, so that the 32-bit and
// the 64-bit build print the same: one the message defines as 32 bits (flags, key data, two
// words), and one that is pointer-sized (a pointer, a handle or data).
uint32_t Bits32(LPARAM value)
{
    return static_cast<uint32_t>(value);
}

unsigned long long BitsPtr(LPARAM value)
{
    return static_cast<ULONG_PTR>(value);
}

HWND FakeHwnd(uintptr_t value)
{
    return reinterpret_cast<HWND>(value);
}

// Overrides most operations without passing on, noting each call with its arguments.
class CRecordingWindow : public CWindow {
public:
    std::vector<std::string> calls;
    LRESULT notifyAnswer = 0;

    std::string Calls() const
    {
        std::string all;
        for (const std::string& call : calls) all += (all.empty() ? "" : "|") + call;
        return all;
    }
    void Note(const std::string& call) { calls.push_back(call); }

    void OnMove(int x, int y) override { Note(FormatString("OnMove %d %d", x, y)); }
    void OnSize(UINT t, int cx, int cy) override { Note(FormatString("OnSize %u %d %d", t, cx, cy)); }
    void OnActivate(UINT s, HWND o) override { Note(FormatString("OnActivate %u %llx", s, Num(o))); }
    void OnDevModeChange(const char* d) override { Note(FormatString("OnDevModeChange %s", d)); }
    void OnSetFocus(HWND h) override { Note(FormatString("OnSetFocus %llx", Num(h))); }
    void OnKillFocus(HWND h) override { Note(FormatString("OnKillFocus %llx", Num(h))); }
    void OnEnable(bool e) override { Note(FormatString("OnEnable %d", e)); }
    void OnPaint() override { Note("OnPaint"); }
    void OnClose() override { Note("OnClose"); }
    bool OnQueryEndSession(LPARAM l) override
    {
        Note(FormatString("OnQueryEndSession %x", Bits32(l)));
        return true;
    }
    bool OnQueryOpen() override { Note("OnQueryOpen"); return true; }
    void OnEndSession(bool e, LPARAM l) override
    {
        Note(FormatString("OnEndSession %d %x", e, Bits32(l)));
    }
    bool OnEraseBkgnd(HDC dc) override { Note(FormatString("OnEraseBkgnd %llx", Num(dc))); return false; }
    void OnShowWindow(bool s, UINT st) override { Note(FormatString("OnShowWindow %d %u", s, st)); }
    void OnSettingChange(WPARAM w, LPARAM l) override
    {
        Note(FormatString("OnSettingChange %llu %llu", static_cast<unsigned long long>(w),
                          BitsPtr(l)));
    }
    void OnActivateApp(bool a, DWORD t) override { Note(FormatString("OnActivateApp %d %lu", a, t)); }
    bool OnSetCursor(LPARAM l) override
    {
        Note(FormatString("OnSetCursor %x", Bits32(l)));
        return true;
    }
    bool OnDrawItem(UINT id, DRAWITEMSTRUCT*) override { Note(FormatString("OnDrawItem %u", id)); return true; }
    bool OnMeasureItem(UINT id, MEASUREITEMSTRUCT*) override { Note(FormatString("OnMeasureItem %u", id)); return false; }
    void OnMouseMove(UINT k, int x, int y) override { Note(FormatString("OnMouseMove %u %d %d", k, x, y)); }
    void OnLButtonDown(UINT k, int x, int y) override { Note(FormatString("OnLButtonDown %u %d %d", k, x, y)); }
    void OnLButtonUp(UINT k, int x, int y) override { Note(FormatString("OnLButtonUp %u %d %d", k, x, y)); }
    void OnLButtonDblClk(UINT k, int x, int y) override { Note(FormatString("OnLButtonDblClk %u %d %d", k, x, y)); }
    void OnRButtonDown(UINT k, int x, int y) override { Note(FormatString("OnRButtonDown %u %d %d", k, x, y)); }
    void OnRButtonUp(UINT k, int x, int y) override { Note(FormatString("OnRButtonUp %u %d %d", k, x, y)); }
    void OnRButtonDblClk(UINT k, int x, int y) override { Note(FormatString("OnRButtonDblClk %u %d %d", k, x, y)); }
    void OnMouseWheel(UINT k, UINT d, int x, int y) override { Note(FormatString("OnMouseWheel %u %u %d %d", k, d, x, y)); }
    void OnMouseWheelStep(UINT k, int s, int x, int y) override { Note(FormatString("OnMouseWheelStep %u %d %d %d", k, s, x, y)); }
    void OnMouseHover() override { Note("OnMouseHover"); }
    void OnMouseLeave() override { Note("OnMouseLeave"); }
    void OnCaptureChanged(HWND h) override { Note(FormatString("OnCaptureChanged %llx", Num(h))); }
    void OnParentNotify(UINT e, UINT id, LPARAM l) override
    {
        Note(FormatString("OnParentNotify %u %u %x", e, id, Bits32(l)));
    }
    bool OnSizing(UINT e, RECT* r) override { Note(FormatString("OnSizing %u %ld", e, r->left)); return true; }
    void OnMoving(RECT* r) override { Note(FormatString("OnMoving %ld", r->left)); }
    bool OnNotify(WPARAM id, NMHDR* h, LRESULT* result) override
    {
        Note(FormatString("OnNotify %llu %u", static_cast<unsigned long long>(id), h->code));
        if (h->code == 1) *result = notifyAnswer;
        return h->code != 3;
    }
    void OnDisplayChange(UINT b, UINT w, UINT h) override { Note(FormatString("OnDisplayChange %u %u %u", b, w, h)); }
    LRESULT OnNcHitTest(int x, int y) override { Note(FormatString("OnNcHitTest %d %d", x, y)); return 0x1234; }
    bool OnNcActivate(bool a) override { Note(FormatString("OnNcActivate %d", a)); return false; }
    void OnNcMouseMove(UINT h, int x, int y) override { Note(FormatString("OnNcMouseMove %u %d %d", h, x, y)); }
    void OnNcLButtonDown(UINT h, int x, int y) override { Note(FormatString("OnNcLButtonDown %u %d %d", h, x, y)); }
    void OnNcRButtonUp(UINT h, int x, int y) override { Note(FormatString("OnNcRButtonUp %u %d %d", h, x, y)); }
    void OnNcMButtonDblClk(UINT h, int x, int y) override { Note(FormatString("OnNcMButtonDblClk %u %d %d", h, x, y)); }
    void OnKeyDown(UINT k, LPARAM l) override { Note(FormatString("OnKeyDown %u %x", k, Bits32(l))); }
    void OnKeyUp(UINT k, LPARAM l) override { Note(FormatString("OnKeyUp %u %x", k, Bits32(l))); }
    void OnChar(UINT c, LPARAM l) override { Note(FormatString("OnChar %u %x", c, Bits32(l))); }
    void OnUniChar(UINT c, UINT, LPARAM) override { Note(FormatString("OnUniChar %u", c)); }
    void OnSysKeyDown(UINT k, LPARAM) override { Note(FormatString("OnSysKeyDown %u", k)); }
    void OnSysKeyUp(UINT k, LPARAM) override { Note(FormatString("OnSysKeyUp %u", k)); }
    bool OnInitDialog() override { Note("OnInitDialog"); return true; }
    void OnCommand(UINT id, UINT c, HWND h) override { Note(FormatString("OnCommand %u %u %llx", id, c, Num(h))); }
    void OnSysCommand(WPARAM w, LPARAM) override { Note(FormatString("OnSysCommand %llu", static_cast<unsigned long long>(w))); }
    void OnTimer(UINT_PTR id) override { Note(FormatString("OnTimer %llu", static_cast<unsigned long long>(id))); }
    void OnHScroll(UINT c, UINT p, HWND h) override { Note(FormatString("OnHScroll %u %u %llx", c, p, Num(h))); }
    void OnVScroll(UINT c, UINT p, HWND h) override { Note(FormatString("OnVScroll %u %u %llx", c, p, Num(h))); }
    LRESULT OnPowerBroadcast(WPARAM e, LPARAM d) override
    {
        Note(FormatString("OnPowerBroadcast %llu %llu", static_cast<unsigned long long>(e),
                          BitsPtr(d)));
        return 0x424D;
    }
    void OnEnterSizeMove() override { Note("OnEnterSizeMove"); }
    void OnExitSizeMove() override { Note("OnExitSizeMove"); }
    void OnDropFiles(HDROP d) override { Note(FormatString("OnDropFiles %llx", Num(d))); }
    void OnGetMinMaxInfo(MINMAXINFO* m) override { Note(FormatString("OnGetMinMaxInfo %ld", m->ptMaxSize.x)); }
    void OnTaskbarCreated() override { Note("OnTaskbarCreated"); }
    bool OnReflectedDrawItem(DRAWITEMSTRUCT* d) override { Note(FormatString("OnReflectedDrawItem %u", d->CtlID)); return true; }
    bool OnReflectedMeasureItem(MEASUREITEMSTRUCT* m) override { Note(FormatString("OnReflectedMeasureItem %u", m->CtlID)); return false; }
};

HWND CreateHidden(CWindow& window)
{
    return window.Create(0, nullptr, "lib_window_test", WS_POPUP, 0, 0, 120, 80);
}

// A plain window procedure that another component might have installed: it answers 77 to
// everything while recording, so the tests can tell which messages reached it.
std::vector<UINT> g_vForeignMessages;
std::vector<std::pair<WPARAM, LPARAM>> g_vForeignParams;
bool g_bForeignRecording = false;

LRESULT CALLBACK ForeignProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!g_bForeignRecording) return DefWindowProcA(hwnd, message, wParam, lParam);
    g_vForeignMessages.push_back(message);
    g_vForeignParams.push_back(std::make_pair(wParam, lParam));
    return 77;
}

HWND CreateForeignWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &ForeignProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "lib_window_test_foreign";
        registered = RegisterClassExA(&wc) != 0;
    }
    return CreateWindowExA(0, "lib_window_test_foreign", "foreign", WS_POPUP, 0, 0, 50, 50,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

struct RouteCase {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::string calls;
    LRESULT answer;
};

TEST(WindowDispatch, EveryRoutedMessageReachesItsOperationWithUnpackedArguments)
{
    CRecordingWindow window;
    HWND hwnd = CreateHidden(window);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_EQ(window.GetHwnd(), hwnd);

    RECT rect = {11, 0, 0, 0};
    MINMAXINFO minMax = {};
    minMax.ptMaxSize.x = 640;
    DRAWITEMSTRUCT draw = {};
    MEASUREITEMSTRUCT measure = {};
    const char device[] = "DISPLAY1";
    const LPARAM minus = MAKELPARAM(static_cast<WORD>(-3), 7);
    const std::vector<RouteCase> cases = {
        {WM_MOVE, 0, MAKELPARAM(10, static_cast<WORD>(-5)), "OnMove 10 -5", 0},
        {WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(300, 200), "OnSize 2 300 200", 0},
        {WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), 0x51, "OnActivate 2 51", 0},
        {WM_DEVMODECHANGE, 0, reinterpret_cast<LPARAM>(device), "OnDevModeChange DISPLAY1", 0},
        {WM_SETFOCUS, 0x52, 0, "OnSetFocus 52", 0},
        {WM_KILLFOCUS, 0x53, 0, "OnKillFocus 53", 0},
        {WM_ENABLE, 5, 0, "OnEnable 1", 0},
        {WM_PAINT, 0, 0, "OnPaint", 0},
        {WM_CLOSE, 0, 0, "OnClose", 0},
        {WM_QUERYENDSESSION, 0, static_cast<LPARAM>(0x80000000u), "OnQueryEndSession 80000000", 1},
        {WM_QUERYOPEN, 0, 0, "OnQueryOpen", 1},
        {WM_ENDSESSION, 1, static_cast<LPARAM>(0x80000000u), "OnEndSession 1 80000000", 0},
        {WM_ERASEBKGND, 0x54, 0, "OnEraseBkgnd 54", 0},
        {WM_SHOWWINDOW, 1, SW_PARENTOPENING, "OnShowWindow 1 3", 0},
        {WM_SETTINGCHANGE, 47, 0, "OnSettingChange 47 0", 0},
        {WM_ACTIVATEAPP, 0, 1234, "OnActivateApp 0 1234", 0},
        {WM_SETCURSOR, 0x55, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), "OnSetCursor 2000001", 1},
        {WM_DRAWITEM, 3, reinterpret_cast<LPARAM>(&draw), "OnDrawItem 3", 1},
        {WM_MEASUREITEM, 4, reinterpret_cast<LPARAM>(&measure), "OnMeasureItem 4", 0},
        {WM_MOUSEMOVE, MK_LBUTTON, minus, "OnMouseMove 1 -3 7", 0},
        {WM_LBUTTONDOWN, MK_SHIFT, minus, "OnLButtonDown 4 -3 7", 0},
        {WM_LBUTTONUP, 0, minus, "OnLButtonUp 0 -3 7", 0},
        {WM_LBUTTONDBLCLK, 0, minus, "OnLButtonDblClk 0 -3 7", 0},
        {WM_RBUTTONDOWN, MK_CONTROL, minus, "OnRButtonDown 8 -3 7", 0},
        {WM_RBUTTONUP, 0, minus, "OnRButtonUp 0 -3 7", 0},
        {WM_RBUTTONDBLCLK, 0, minus, "OnRButtonDblClk 0 -3 7", 0},
        // The accumulator runs first; a notch towards the user gives +3 steps.
        {WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-120)), MAKELPARAM(5, 6),
         "OnMouseWheelStep 4 3 5 6|OnMouseWheel 4 65416 5 6", 0},
        {WM_MOUSEHOVER, 0, 0, "OnMouseHover", 0},
        {WM_MOUSELEAVE, 0, 0, "OnMouseLeave", 0},
        {WM_CAPTURECHANGED, 0, 0x56, "OnCaptureChanged 56", 0},
        {WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, 9), 0x57, "OnParentNotify 513 9 57", 0},
        {WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&rect), "OnSizing 1 11", 1},
        {WM_MOVING, 0, reinterpret_cast<LPARAM>(&rect), "OnMoving 11", 0},
        {WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024), "OnDisplayChange 32 1280 1024", 0},
        {WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(-20), 30), "OnNcHitTest -20 30", 0x1234},
        {WM_NCACTIVATE, 1, 0, "OnNcActivate 1", 0},
        {WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(1, 2), "OnNcMouseMove 2 1 2", 0},
        {WM_NCLBUTTONDOWN, HTCAPTION, minus, "OnNcLButtonDown 2 -3 7", 0},
        {WM_NCRBUTTONUP, HTSYSMENU, MAKELPARAM(1, 2), "OnNcRButtonUp 3 1 2", 0},
        {WM_NCMBUTTONDBLCLK, HTCAPTION, MAKELPARAM(1, 2), "OnNcMButtonDblClk 2 1 2", 0},
        {WM_KEYDOWN, VK_RETURN, 0x1C0001, "OnKeyDown 13 1c0001", 0},
        {WM_KEYUP, VK_ESCAPE, 0x10001, "OnKeyUp 27 10001", 0},
        // A release as the system sends it: the transition bits fill the top of the word.
        {WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u), "OnKeyUp 27 c0010001", 0},
        {WM_CHAR, 'a', 1, "OnChar 97 1", 0},
        {WM_SYSKEYDOWN, VK_F10, 0, "OnSysKeyDown 121", 0},
        {WM_SYSKEYUP, VK_MENU, 0, "OnSysKeyUp 18", 0},
        {WM_COMMAND, MAKEWPARAM(1001, 1), 0x58, "OnCommand 1001 1 58", 0},
        {WM_SYSCOMMAND, SC_CLOSE, 0, "OnSysCommand 61536", 0},
        {WM_TIMER, 7, 0, "OnTimer 7", 0},
        {WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 40), 0x59, "OnHScroll 5 40 59", 0},
        {WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0, "OnVScroll 1 0 0", 0},
        {WM_POWERBROADCAST, PBT_APMSUSPEND, 9, "OnPowerBroadcast 4 9", 0x424D},
        {WM_ENTERSIZEMOVE, 0, 0, "OnEnterSizeMove", 0},
        {WM_EXITSIZEMOVE, 0, 0, "OnExitSizeMove", 0},
        {WM_DROPFILES, 0x5A, 0, "OnDropFiles 5a", 0},
        {WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&minMax), "OnGetMinMaxInfo 640", 0},
        {lib::wfc::GetTaskbarCreatedMessage(), 0, 0, "OnTaskbarCreated", 0},
        // Not routed: the default procedure answers them.
        {0x0109 /* WM_UNICHAR */, 'a', 0, "", 0},
        {WM_DEADCHAR, 'a', 0, "", 0},
        {WM_USER + 5, 0, 0, "", 0},
    };
    for (const RouteCase& c : cases) {
        window.calls.clear();
        const LRESULT answer = SendMessageA(hwnd, c.message, c.wParam, c.lParam);
        EXPECT_EQ(window.Calls(), c.calls) << "message 0x" << std::hex << c.message;
        EXPECT_EQ(answer, c.answer) << "message 0x" << std::hex << c.message;
    }
    EXPECT_TRUE(window.DestroyWindow());
    EXPECT_EQ(window.GetHwnd(), nullptr);
}

TEST(WindowDispatch, NotifyAnswersWhatTheHandlerStoredOrTheDefault)
{
    CRecordingWindow window;
    HWND hwnd = CreateHidden(window);
    struct Case {
        UINT code;
        LRESULT stored;
        LRESULT answer;
    };
    // 1: handled and stored; 2: handled, nothing stored; 3: not handled (default answers 0).
    const Case cases[] = {{1, 5, 5}, {1, -1, -1}, {2, 9, 0}, {3, 9, 0}};
    for (const Case& c : cases) {
        NMHDR header = {FakeHwnd(0x60), 12, c.code};
        window.notifyAnswer = c.stored;
        window.calls.clear();
        EXPECT_EQ(SendMessageA(hwnd, WM_NOTIFY, 12, reinterpret_cast<LPARAM>(&header)), c.answer);
        EXPECT_EQ(window.Calls(), FormatString("OnNotify 12 %u", c.code));
    }
    window.DestroyWindow();
}

TEST(WindowDispatch, InitDialogCentresTheWindowBeforeItsHandler)
{
    CRecordingWindow window;
    HWND hwnd = CreateHidden(window);
    // The framework's procedure takes the object from lParam on this message.
    EXPECT_EQ(SendMessageA(hwnd, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&window)), 1);
    ASSERT_FALSE(window.calls.empty());
    EXPECT_EQ(window.calls.back(), "OnInitDialog");
    EXPECT_NE(window.Calls().find("OnMove"), std::string::npos) << "moved before the handler";
    RECT desktop, r;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(hwnd, &r);
    const RECT work = lib::wfc::GetWorkArea();
    int x = desktop.left + (desktop.right - desktop.left - 120) / 2;
    int y = desktop.top + (desktop.bottom - desktop.top - 80) / 2;
    x = std::max<int>(work.left, std::min<int>(x, work.right - 120));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - 80));
    EXPECT_EQ(r.left, x);
    EXPECT_EQ(r.top, y);
    EXPECT_EQ(r.right - r.left, 120);
    window.DestroyWindow();
}

struct DefaultCase {
    UINT message;
    WPARAM wParam;
    bool reaches;
    LRESULT answer;
};

TEST(WindowDefaults, UnhandledMessagesReachTheBorrowedWindowsOwnProcedure)
{
    HWND hwnd = CreateForeignWindow();
    ASSERT_NE(hwnd, nullptr);
    CWindow window;
    window.Attach(hwnd);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&window));
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&lib::wfc::WindowProcA));

    NMHDR header = {hwnd, 1, 0};
    const std::vector<DefaultCase> cases = {
        {WM_SIZE, 0, true, 0},          // void operations answer 0 whatever the default said
        {WM_PAINT, 0, true, 0},
        {WM_KEYDOWN, VK_SPACE, true, 0},
        {WM_DEVMODECHANGE, 0, false, 0}, // never passed on
        {WM_DISPLAYCHANGE, 0, false, 0},
        {WM_QUERYOPEN, 0, true, 1},      // bool operations: default's answer is not 0
        {WM_ERASEBKGND, 0, true, 1},
        {WM_NCHITTEST, 0, true, 77},     // value operations: the default's answer as is
        {WM_POWERBROADCAST, 0, true, 77},
        {WM_SYSCHAR, 'x', true, 77},     // not routed at all
        {WM_USER + 5, 3, true, 77},
        {WM_NOTIFY, 1, true, 77},
        {WM_CREATE, 0, false, 0},        // OnCreate's default: true, answered 0
        {lib::wfc::GetTaskbarCreatedMessage(), 0, true, 0},
    };
    g_bForeignRecording = true;
    for (const DefaultCase& c : cases) {
        g_vForeignMessages.clear();
        const LPARAM lParam = c.message == WM_NOTIFY ? reinterpret_cast<LPARAM>(&header) : 0;
        EXPECT_EQ(SendMessageA(hwnd, c.message, c.wParam, lParam), c.answer)
            << "message 0x" << std::hex << c.message;
        const std::vector<UINT> expected = c.reaches ? std::vector<UINT>{c.message} : std::vector<UINT>{};
        EXPECT_EQ(g_vForeignMessages, expected) << "message 0x" << std::hex << c.message;
    }

    // WM_ENABLE enables the (empty) group first: the internal message stays inside.
    g_vForeignMessages.clear();
    SendMessageA(hwnd, WM_ENABLE, TRUE, 0);
    EXPECT_EQ(g_vForeignMessages, std::vector<UINT>{WM_ENABLE});
    // WM_ACTIVATE synchronises the caption of the window itself, then passes on.
    g_vForeignMessages.clear();
    g_vForeignParams.clear();
    SendMessageA(hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(g_vForeignMessages, (std::vector<UINT>{WM_NCACTIVATE, WM_ACTIVATE}));
    ASSERT_EQ(g_vForeignParams.size(), 2u);
    EXPECT_EQ(g_vForeignParams[0].first, static_cast<WPARAM>(TRUE));

    // Giving the window back restores its procedure; its messages no longer reach the object.
    EXPECT_EQ(window.Detach(), hwnd);
    EXPECT_EQ(window.GetHwnd(), nullptr);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&ForeignProc));
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), 0);
    EXPECT_EQ(window.DefaultProc(), 0);
    g_vForeignMessages.clear();
    EXPECT_EQ(SendMessageA(hwnd, WM_DEVMODECHANGE, 0, 0), 77);
    EXPECT_EQ(g_vForeignMessages, std::vector<UINT>{WM_DEVMODECHANGE});
    g_bForeignRecording = false;
    DestroyWindow(hwnd);
}

TEST(WindowDefaults, PlainWindowBehavesAsTheSystemDefault)
{
    CWindow window;
    HWND hwnd = CreateHidden(window);
    EXPECT_TRUE(SetWindowTextA(hwnd, "既定のテキスト"));
    EXPECT_EQ(window.GetWindowText(), "既定のテキスト");
    EXPECT_EQ(SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(10, 10)), HTCLIENT);
    EXPECT_EQ(SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(500, 500)), HTNOWHERE);
    EXPECT_EQ(SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(GetDC(hwnd)), 0), 1);
    // WM_CLOSE's default destroys the window, and the object lets go of it.
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window.GetHwnd(), nullptr);
}

// Calls DefaultProc after a nested message was dispatched (and one that threw).
class CNestingWindow : public CWindow {
public:
    bool throwOnTimer = false;
    void OnTimer(UINT_PTR) override
    {
        if (throwOnTimer) {
            SetLastError(0x57);
            throw std::runtime_error("lib_window_test boom");
        }
    }
    void OnClose() override
    {
        ::SendMessageA(GetHwnd(), WM_USER + 9, 1, 2);
        ::SendMessageA(GetHwnd(), WM_TIMER, 3, 0);
        DefaultProc();
    }
};

TEST(WindowDefaults, DefaultProcAnswersTheOuterMessageAfterNestedDispatches)
{
    for (const bool inner_throws : {false, true}) {
        HWND hwnd = CreateForeignWindow();
        CNestingWindow window;
        window.throwOnTimer = inner_throws;
        window.Attach(hwnd);
        g_bForeignRecording = true;
        g_vForeignMessages.clear();
        g_vForeignParams.clear();
        SendMessageA(hwnd, WM_CLOSE, 0x31, 0x32);
        g_bForeignRecording = false;
        const std::vector<UINT> expected = {WM_USER + 9, WM_CLOSE};
        EXPECT_EQ(g_vForeignMessages, expected) << "inner throws " << inner_throws;
        ASSERT_FALSE(g_vForeignParams.empty());
        EXPECT_EQ(g_vForeignParams.back(), std::make_pair(WPARAM(0x31), LPARAM(0x32)));
        const lib::wfc::ThreadMessageRecord* record = lib::wfc::GetThreadMessageRecord();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->nesting, 0);
        EXPECT_EQ(record->current.message, 0u);
        EXPECT_EQ(record->current.hwnd, nullptr);
        window.Detach();
        DestroyWindow(hwnd);
    }
}

TEST(WindowGuard, ExceptionFromAHandlerIsLoggedAndAnswersZero)
{
    CNestingWindow window;
    window.throwOnTimer = true;
    HWND hwnd = CreateHidden(window);
    EXPECT_EQ(SendMessageA(hwnd, WM_TIMER, 1, 0), 0);
    const std::string log = windowtest::ReadLog();
    EXPECT_NE(log.find("\t!!\t_WindowPolicy\t47\t"), std::string::npos) << log;
    // The error code is whatever GetLastError says after the unwinding; only its form is fixed.
    const std::string text = "ウィンドウプロシージャ コールバック致命的エラー lib_window_test boom ERR:0x";
    const size_t at = log.find(text);
    ASSERT_NE(at, std::string::npos) << log;
    const std::string code = log.substr(at + text.size(), 10);
    EXPECT_EQ(code.size(), 10u);
    EXPECT_EQ(code.find_first_not_of("0123456789ABCDEF"), 8u) << code;
    EXPECT_EQ(code.substr(8), "\r\n");
    EXPECT_TRUE(IsWindow(hwnd)) << "the program goes on";
    window.DestroyWindow();
}

class CFailingCreateWindow : public CWindow {
public:
    bool throwInstead = false;
    bool OnCreate(CREATESTRUCTA*) override
    {
        if (throwInstead) throw std::runtime_error("lib_window_test create refused");
        return false;
    }
};

TEST(WindowCreate, RefusedCreationThrowsBadAllocAndLeavesNoHandle)
{
    for (const bool throwInstead : {false, true}) {
        CFailingCreateWindow window;
        window.throwInstead = throwInstead;
        EXPECT_THROW(CreateHidden(window), lib::wfc::bad_alloc);
        EXPECT_EQ(window.GetHwnd(), nullptr);
    }
    EXPECT_EQ(windowtest::ReadLog().find("create refused"), std::string::npos)
        << "an exception from OnCreate fails the creation silently";
    CWindow window;
    try {
        window.Create(0, "lib_window_test_no_such_class", "x", WS_POPUP, 0, 0, 1, 1);
        ADD_FAILURE() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "メモリが不足しています。");
    }
    // A class named by an unknown atom fails the same way.
    EXPECT_THROW(window.Create(0, MAKEINTATOM(0xBEEF), "x", WS_POPUP, 0, 0, 1, 1),
                 lib::wfc::bad_alloc);
    EXPECT_EQ(window.GetHwnd(), nullptr);
}

// Notes the message each handler's DefaultProc would answer.
class CDestroyWatchWindow : public CWindow {
public:
    std::vector<std::string> seen;
    void Note(const char* name)
    {
        const lib::wfc::ThreadMessageRecord* record = lib::wfc::GetThreadMessageRecord();
        seen.push_back(FormatString("%s %u", name, record ? record->current.message : 0u));
        DefaultProc();
    }
    void OnDestroy() override { Note("OnDestroy"); }
    void OnNcDestroy() override { Note("OnNcDestroy"); }
};

TEST(WindowRecord, WindowDestroyedWithoutAThreadRecordStillRunsItsHandlers)
{
    // A thread that never asked for a record.
    CDestroyWatchWindow onThread;
    bool recordOutside = true;
    std::thread worker([&] {
        CreateHidden(onThread);
        onThread.DestroyWindow();
        recordOutside = lib::wfc::GetThreadMessageRecord() != nullptr;
    });
    worker.join();
    EXPECT_EQ(onThread.seen, (std::vector<std::string>{"OnDestroy 2", "OnNcDestroy 130"}));
    EXPECT_EQ(onThread.GetHwnd(), nullptr);
    EXPECT_FALSE(recordOutside) << "the temporary record lives only for the dispatch";

    // The main window destroyed after the framework stopped.
    CDestroyWatchWindow late;
    HWND hwnd = CreateHidden(late);
    lib::wfc::FreeThreadMessageRecord();
    lib::wfc::Terminate();
    DestroyWindow(hwnd);
    lib::wfc::Initialize(GetModuleHandleA(nullptr), "lib_window_test", nullptr, nullptr);
    lib::wfc::AllocThreadMessageRecord();
    EXPECT_EQ(late.seen, (std::vector<std::string>{"OnDestroy 2", "OnNcDestroy 130"}));
    EXPECT_EQ(late.GetHwnd(), nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(WindowInternal, GroupCommandsAndReflection)
{
    CWindow leader;
    CRecordingWindow first, second;
    HWND hLeader = CreateHidden(leader);
    HWND hFirst = CreateHidden(first);
    HWND hSecond = CreateHidden(second);
    const auto send = [&](WPARAM command, LPARAM lParam) {
        return lib::wfc::SendInternalMessage(hLeader, command, lParam);
    };
    EXPECT_EQ(send(lib::wfc::INTERNAL_ADD_TO_GROUP, reinterpret_cast<LPARAM>(hFirst)), 0);
    EXPECT_EQ(send(lib::wfc::INTERNAL_ADD_TO_GROUP, reinterpret_cast<LPARAM>(hSecond)), 0);

    // Disabling the leader disables the whole group, in order.
    first.calls.clear();
    second.calls.clear();
    SendMessageA(hLeader, WM_ENABLE, FALSE, 0);
    EXPECT_EQ(first.Calls(), "OnEnable 0");
    EXPECT_EQ(second.Calls(), "OnEnable 0");
    EXPECT_FALSE(IsWindowEnabled(hFirst));
    EXPECT_FALSE(IsWindowEnabled(hSecond));
    send(lib::wfc::INTERNAL_ENABLE_GROUP, TRUE);
    EXPECT_TRUE(IsWindowEnabled(hFirst));
    EXPECT_TRUE(IsWindowEnabled(hSecond));

    struct CaptionCase {
        WPARAM state;
        HWND other;
        const char* captions;
    };
    // Deactivation towards a member keeps every caption active; towards a stranger greys
    // them all.
    const CaptionCase captionCases[] = {
        {WA_INACTIVE, hSecond, "OnNcActivate 1"},
        {WA_INACTIVE, hLeader, "OnNcActivate 1"},
        {WA_INACTIVE, FakeHwnd(0x70), "OnNcActivate 0"},
        {WA_ACTIVE, nullptr, "OnNcActivate 1"},
    };
    for (const CaptionCase& c : captionCases) {
        first.calls.clear();
        second.calls.clear();
        lib::wfc::InternalCaptionRecord record = {c.state != WA_INACTIVE, c.other};
        send(lib::wfc::INTERNAL_SYNC_CAPTION, reinterpret_cast<LPARAM>(&record));
        EXPECT_EQ(first.Calls(), c.captions);
        EXPECT_EQ(second.Calls(), c.captions);
    }

    // Removing: the first equal entry only; an absent window changes nothing.
    send(lib::wfc::INTERNAL_REMOVE_FROM_GROUP, reinterpret_cast<LPARAM>(hFirst));
    send(lib::wfc::INTERNAL_REMOVE_FROM_GROUP, 0x71);
    first.calls.clear();
    second.calls.clear();
    lib::wfc::InternalCaptionRecord record = {true, nullptr};
    send(lib::wfc::INTERNAL_SYNC_CAPTION, reinterpret_cast<LPARAM>(&record));
    EXPECT_EQ(first.Calls(), "");
    EXPECT_EQ(second.Calls(), "OnNcActivate 1");

    // Reflection: the record's lParam goes to the reflected operations.
    DRAWITEMSTRUCT draw = {};
    draw.CtlID = 21;
    MEASUREITEMSTRUCT measure = {};
    measure.CtlID = 22;
    lib::wfc::InternalReflectRecord drawRecord = {WM_DRAWITEM, 21, reinterpret_cast<LPARAM>(&draw)};
    lib::wfc::InternalReflectRecord measureRecord = {WM_MEASUREITEM, 22, reinterpret_cast<LPARAM>(&measure)};
    lib::wfc::InternalReflectRecord otherRecord = {WM_SETTEXT, 0, 0};
    first.calls.clear();
    EXPECT_EQ(lib::wfc::SendInternalMessage(hFirst, lib::wfc::INTERNAL_REFLECT,
                                            reinterpret_cast<LPARAM>(&drawRecord)), 1);
    EXPECT_EQ(lib::wfc::SendInternalMessage(hFirst, lib::wfc::INTERNAL_REFLECT,
                                            reinterpret_cast<LPARAM>(&measureRecord)), 0);
    EXPECT_EQ(lib::wfc::SendInternalMessage(hFirst, lib::wfc::INTERNAL_REFLECT,
                                            reinterpret_cast<LPARAM>(&otherRecord)), 0);
    EXPECT_EQ(lib::wfc::SendInternalMessage(hFirst, 99, 0), 0);
    EXPECT_EQ(first.Calls(), "OnReflectedDrawItem 21|OnReflectedMeasureItem 22");

    leader.DestroyWindow();
    first.DestroyWindow();
    second.DestroyWindow();
}

TEST(WindowIme, InputContextIsDetachedAndGivenBack)
{
    CWindow window;
    HWND hwnd = CreateHidden(window);
    HIMC original = ImmGetContext(hwnd);
    ImmReleaseContext(hwnd, original);
    if (original == nullptr) GTEST_SKIP() << "no input context on this system";
    window.EnableIME(false);
    window.EnableIME(false); // a second call must not lose the kept context
    HIMC now = ImmGetContext(hwnd);
    EXPECT_EQ(now, nullptr);
    ImmReleaseContext(hwnd, now);
    window.EnableIME(true);
    now = ImmGetContext(hwnd);
    EXPECT_EQ(now, original);
    ImmReleaseContext(hwnd, now);
    // Destroying gives the context back too.
    window.EnableIME(false);
    window.DestroyWindow();
}

struct WheelStep {
    int32_t delta;
    int32_t time;
    int32_t steps;
};

TEST(WindowWheel, AccumulatorTable)
{
    struct Case {
        const char* name;
        std::vector<WheelStep> steps;
        int32_t remainder;
    };
    const Case cases[] = {
        {"two notches away", {{120, 1000, -3}, {120, 1100, -3}}, 0},
        {"away then back", {{120, 1000, -3}, {-120, 1100, 3}}, 0},
        {"small deltas add up", {{20, 1000, 0}, {20, 1200, -1}}, 0},
        {"pause restarts the sum", {{20, 1000, 0}, {20, 1600, 0}}, 20},
        {"exactly 500 ms still adds", {{20, 1000, 0}, {20, 1500, -1}}, 0},
        {"sign change drops the rest", {{30, 1000, 0}, {-30, 1100, 0}, {-30, 1200, 1}}, -20},
        {"remainder kept", {{50, 1000, -1}, {35, 1100, -1}}, 5},
        {"zero delta ignored", {{20, 1000, 0}, {0, 5000, 0}, {20, 1100, -1}}, 0},
        {"time running backwards", {{20, 1000, 0}, {20, 400, 0}}, 20},
    };
    for (const Case& c : cases) {
        lib::wfc::WheelAccumulator wheel = {0, 0, 0};
        for (const WheelStep& s : c.steps) {
            EXPECT_EQ(lib::wfc::AccumulateWheel(wheel, s.delta, s.time), s.steps) << c.name;
        }
        EXPECT_EQ(wheel.sum, c.remainder) << c.name;
    }
}

TEST(WindowHelpers, RootTextChildrenCommandsAndModuleFolder)
{
    CRecordingWindow top;
    HWND hTop = CreateHidden(top);
    HWND child = lib::wfc::CreateWindowExChecked(0, "STATIC", "子", WS_CHILD, 0, 0, 10, 10, hTop,
                                                 reinterpret_cast<HMENU>(5));
    HWND grandChild = lib::wfc::CreateWindowExChecked(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5,
                                                      child, nullptr);
    HWND second = lib::wfc::CreateWindowExChecked(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, hTop,
                                                  nullptr);
    EXPECT_EQ(lib::wfc::GetRootWindow(grandChild), hTop);
    EXPECT_EQ(lib::wfc::GetRootWindow(hTop), hTop);
    EXPECT_EQ(top.GetRootWindow(), hTop);
    EXPECT_EQ(lib::wfc::GetWindowTextString(child), "子");
    EXPECT_EQ(lib::wfc::GetWindowTextWString(child), L"子");
    EXPECT_EQ(top.GetDlgItem(5), child);
    HWND wide = lib::wfc::CreateWindowExChecked(0, L"STATIC", L"ワイド", WS_CHILD, 0, 0, 5, 5,
                                                hTop, nullptr);
    EXPECT_EQ(lib::wfc::GetWindowTextWString(wide), L"ワイド");
    EXPECT_EQ(lib::wfc::GetWindowTextString(wide), "ワイド") << "the same text in code page 932";
    EXPECT_TRUE(top.SetWindowText(std::wstring(L"上の窓")));
    EXPECT_EQ(top.GetWindowText(), "上の窓");
    std::vector<HWND> children;
    lib::wfc::GetChildWindows(hTop, children);
    EXPECT_EQ(children.size(), 4u);
    EXPECT_NE(std::find(children.begin(), children.end(), second), children.end());
    EXPECT_THROW(lib::wfc::CreateWindowExChecked(0, "lib_window_test_no_class", "", WS_CHILD, 0,
                                                 0, 1, 1, hTop, nullptr),
                 lib::wfc::bad_alloc);

    // A click reported by an item: WM_COMMAND with notification code 1.
    EXPECT_TRUE(lib::wfc::PostCommand(hTop, 1234));
    MSG msg = {};
    ASSERT_TRUE(PeekMessageA(&msg, hTop, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(msg.wParam, MAKEWPARAM(1234, 1));
    EXPECT_EQ(msg.lParam, 0);

    char folder[MAX_PATH];
    lib::wfc::GetModuleDirectory(nullptr, folder);
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string name = std::string(module).substr(std::string(folder).size());
    EXPECT_EQ(std::string(module).rfind(folder, 0), 0u);
    EXPECT_EQ(name, "lib_window_test.exe");
    top.DestroyWindow();
}

} // namespace
