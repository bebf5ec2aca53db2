// The window runtime: class registration, the message pump, the modal loop and window
// placement on the monitors' work areas.
#include "lib/wfc/Window.h"
#include "lib/wfc/WfcRuntime.h"
#include "tests/lib/WindowTestSupport.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using lib::wfc::CWindow;

namespace {

TEST(WfcClasses, RegisterOnceRegistersOnceAndRetriesAFailedName)
{
    const char* name = "lib_window_test_class_once";
    EXPECT_NO_THROW(lib::wfc::RegisterWindowClassOnce(name, 0, nullptr, nullptr, nullptr, nullptr));
    // The system would refuse a second registration; the table keeps it from being tried.
    EXPECT_NO_THROW(lib::wfc::RegisterWindowClassOnce(name, 0, nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(lib::wfc::RegisterWindowClass(name, 0, nullptr, nullptr, nullptr, nullptr));

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), name, &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_DBLCLKS));
    EXPECT_EQ(wc.lpfnWndProc, &lib::wfc::WindowProcA);
    EXPECT_NE(wc.hIcon, nullptr);
    EXPECT_NE(wc.hCursor, nullptr);
    EXPECT_EQ(wc.hbrBackground, GetSysColorBrush(COLOR_BTNFACE));

    // A name the system refuses is not marked, so each call tries again.
    const std::string tooLong(300, 'x');
    EXPECT_THROW(lib::wfc::RegisterWindowClassOnce(tooLong.c_str(), 0, nullptr, nullptr, nullptr, nullptr),
                 lib::wfc::bad_alloc);
    EXPECT_THROW(lib::wfc::RegisterWindowClassOnce(tooLong.c_str(), 0, nullptr, nullptr, nullptr, nullptr),
                 lib::wfc::bad_alloc);

    // Windows of the registered class reach their object.
    CWindow window;
    HWND hwnd = window.Create(0, name, "once", WS_POPUP, 0, 0, 10, 10);
    EXPECT_EQ(window.GetHwnd(), hwnd);
    EXPECT_TRUE(window.DestroyWindow());
}

TEST(WfcRuntime, InitializeKeepsModuleTitleAndRegisteredMessages)
{
    EXPECT_EQ(lib::wfc::GetModuleInstance(), GetModuleHandleA(nullptr));
    EXPECT_STREQ(lib::wfc::GetApplicationTitle(), "lib_window_test");
    EXPECT_EQ(lib::wfc::GetTaskbarCreatedMessage(), RegisterWindowMessageA("TaskbarCreated"));
    EXPECT_EQ(lib::wfc::GetInternalMessage(), RegisterWindowMessageA("WFC-InternalMessage"));
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    EXPECT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "WFC-DefaultWindowClass", &wc));
    EXPECT_NE(lib::wfc::GetThreadMessageRecord(), nullptr);
}

// Handles WM_APP with one action per wParam, and gives up after a while so that a loop
// that fails to end fails the test instead of hanging it.
class CModalWindow : public CWindow {
public:
    HWND owner = nullptr;
    bool* done = nullptr;
    bool ownerEnabledDuringLoop = true;
    bool timedOut = false;
    std::vector<WPARAM> handled;

    enum { ACT_DONE = 1, ACT_QUIT, ACT_DESTROY, ACT_HIDE_OWNER, ACT_NOTE };

    void OnTimer(UINT_PTR) override
    {
        timedOut = true;
        *done = true;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_APP) return CWindow::WindowProc(message, wParam, lParam);
        handled.push_back(wParam);
        if (owner != nullptr) ownerEnabledDuringLoop = IsWindowEnabled(owner) != FALSE;
        switch (wParam) {
        case ACT_DONE: *done = true; break;
        case ACT_QUIT: PostQuitMessage(3); break;
        case ACT_DESTROY: DestroyWindow(); break;
        case ACT_HIDE_OWNER: ::ShowWindow(owner, SW_HIDE); break;
        default: break;
        }
        return 0;
    }
};

void DrainQueue()
{
    testsupport::DispatchQueued();
}

TEST(WfcModal, LoopEndsForEachReasonAndRestoresTheOwner)
{
    struct Case {
        const char* name;
        bool hasOwner;
        bool ownerVisible;
        bool ownerEnabled;
        bool presetDone;
        WPARAM action;
        bool ownerEnabledAfter;
    };
    const Case cases[] = {
        {"done set by a handler", true, false, true, false, CModalWindow::ACT_DONE, true},
        {"done already set", true, false, true, true, CModalWindow::ACT_DONE, true},
        {"quit message", true, false, true, false, CModalWindow::ACT_QUIT, true},
        {"window destroyed", true, false, true, false, CModalWindow::ACT_DESTROY, true},
        {"visible owner hidden", true, true, true, false, CModalWindow::ACT_HIDE_OWNER, true},
        {"disabled owner hidden", true, true, false, false, CModalWindow::ACT_HIDE_OWNER, false},
        {"no owner", false, false, false, false, CModalWindow::ACT_DONE, false},
    };
    for (const Case& c : cases) {
        DrainQueue();
        CWindow owner;
        HWND hOwner = nullptr;
        if (c.hasOwner) {
            // Shown without activation: Wine would otherwise wait on the X server for focus.
            hOwner = owner.Create(WS_EX_NOACTIVATE, nullptr, "owner", WS_POPUP, 0, 0, 100, 100);
            if (c.ownerVisible) ShowWindow(hOwner, SW_SHOWNA);
            EnableWindow(hOwner, c.ownerEnabled ? TRUE : FALSE);
        }
        bool done = c.presetDone;
        CModalWindow modal;
        modal.owner = hOwner;
        modal.done = &done;
        HWND hModal = modal.Create(0, nullptr, "modal", WS_POPUP, 0, 0, 50, 50, hOwner, nullptr);
        modal.SetTimer(1, 3000);
        PostMessageA(hModal, WM_APP, c.action, 0);
        // A note after the action: dispatched only when the loop goes on past the action.
        PostMessageA(hModal, WM_APP, CModalWindow::ACT_NOTE, 0);

        int exitCode = -1;
        const bool quit = lib::wfc::RunModalLoop(hModal, hOwner, &done, &exitCode);

        EXPECT_FALSE(modal.timedOut) << c.name;
        EXPECT_EQ(quit, c.action == CModalWindow::ACT_QUIT && !c.presetDone)
            << c.name << ": only the quit message is reported";
        EXPECT_EQ(exitCode, quit ? 3 : 0) << c.name << ": the quit's code is handed back";
        if (c.presetDone) {
            EXPECT_TRUE(modal.handled.empty()) << c.name << ": nothing pumped";
        } else {
            // The quit message comes only once the queue holds nothing else.
            const std::vector<WPARAM> expected = c.action == CModalWindow::ACT_QUIT
                ? std::vector<WPARAM>{c.action, CModalWindow::ACT_NOTE}
                : std::vector<WPARAM>{c.action};
            EXPECT_EQ(modal.handled, expected) << c.name;
            if (c.hasOwner) {
                EXPECT_FALSE(modal.ownerEnabledDuringLoop) << c.name;
            }
        }
        if (c.hasOwner) {
            EXPECT_EQ(IsWindowEnabled(hOwner) != FALSE, c.ownerEnabledAfter) << c.name;
        }
        MSG msg;
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
            << c.name << ": the quit message is consumed, not posted again";
        modal.KillTimer(1);
        modal.DestroyWindow();
        owner.DestroyWindow();
    }
    DrainQueue();
}

class CCountingWindow : public CWindow {
public:
    int count = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_APP + 1) ++count;
        return CWindow::WindowProc(message, wParam, lParam);
    }
};

// Other processes' broadcasts reach every top-level window, so a message of theirs may come
// before the test's own: the pump is run one message at a time until the window has counted
// `count` of its own messages (never more than one per call). False when a pump said quit.
bool PumpUntilCounted(const CCountingWindow& window, int count)
{
    for (int pumps = 0; pumps < 1000 && window.count < count; ++pumps) {
        const int before = window.count;
        int exitCode = -1;
        if (lib::wfc::PumpMessage(&exitCode)) return false;
        EXPECT_EQ(exitCode, 0);
        EXPECT_LE(window.count, before + 1) << "one message a call";
    }
    return window.count == count;
}

TEST(WfcPump, DispatchesOneMessageAndStopsAtQuit)
{
    DrainQueue();
    CCountingWindow window;
    HWND hwnd = window.Create(0, nullptr, "pump", WS_POPUP, 0, 0, 10, 10);
    PostMessageA(hwnd, WM_APP + 1, 0, 0);
    EXPECT_TRUE(PumpUntilCounted(window, 1));
    PostQuitMessage(4);
    PostMessageA(hwnd, WM_APP + 1, 0, 0);
    // The quit message waits until the queue is otherwise empty.
    EXPECT_TRUE(PumpUntilCounted(window, 2));
    int exitCode = -1;
    bool quit = false;
    for (int pumps = 0; pumps < 1000 && !quit; ++pumps) quit = lib::wfc::PumpMessage(&exitCode);
    EXPECT_TRUE(quit);
    EXPECT_EQ(exitCode, 4);
    EXPECT_EQ(window.count, 2);
    window.DestroyWindow();
}

HWND g_hGarbageTarget = nullptr;
int g_iFailedReads = 0;
bool* g_pGiveUp = nullptr;

// GetMessageA failing: the message it leaves behind names a real window and message. A loop
// that keeps reading is stopped through its done flag, so the test fails instead of hanging.
BOOL WINAPI FailingGetMessage(MSG* msg, HWND, UINT, UINT)
{
    if (++g_iFailedReads > 20 && g_pGiveUp != nullptr) *g_pGiveUp = true;
    msg->hwnd = g_hGarbageTarget;
    msg->message = WM_APP + 1;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
}

TEST(WfcPump, FailedGetMessageEndsTheLoopAndIsLoggedWithoutDispatching)
{
    DrainQueue();
    CCountingWindow window;
    g_hGarbageTarget = window.Create(0, nullptr, "pump", WS_POPUP, 0, 0, 10, 10);
    bool done = false;
    g_iFailedReads = 0;
    g_pGiveUp = &done;
    {
        testsupport::CImportPatch patch("user32.dll", "GetMessageA", reinterpret_cast<void*>(&FailingGetMessage));
        ASSERT_TRUE(patch.Patched());
        EXPECT_TRUE(lib::wfc::PumpMessage());
        // A modal loop ends instead of spinning on the broken queue, as at a quit message.
        EXPECT_TRUE(lib::wfc::RunModalLoop(g_hGarbageTarget, nullptr, &done));
    }
    g_pGiveUp = nullptr;
    EXPECT_EQ(g_iFailedReads, 2);
    EXPECT_EQ(window.count, 0) << "the failed read's message is not dispatched";
    const std::string log = windowtest::ReadLog();
    const size_t at = log.find("\tメッセージ取得失敗 ERR:0x00000578\r\n");
    ASSERT_NE(at, std::string::npos) << log;
    const std::string line = log.substr(log.rfind('\n', at) + 1, at - log.rfind('\n', at));
    EXPECT_NE(line.find("\t!!\tWfcRuntime.cpp\t"), std::string::npos) << line;
    // The pump works again once the queue answers.
    PostMessageA(g_hGarbageTarget, WM_APP + 1, 0, 0);
    EXPECT_TRUE(PumpUntilCounted(window, 1));
    window.DestroyWindow();
}

HWND CreatePlacementWindow(const RECT& r)
{
    return CreateWindowExA(0, "WFC-DefaultWindowClass", "place", WS_POPUP, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

RECT Rect(int left, int top, int width, int height)
{
    return RECT{left, top, left + width, top + height};
}

std::string Show(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

RECT WindowRectOf(HWND hwnd)
{
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return r;
}

TEST(WfcPlacement, CenterWindowTable)
{
    const RECT w = lib::wfc::GetWorkArea();
    const int ww = w.right - w.left;
    const int wh = w.bottom - w.top;
    ASSERT_GT(ww, 400);
    struct Case {
        const char* name;
        RECT over;
        RECT window;
        RECT expected;
    };
    const Case cases[] = {
        {"centred", Rect(w.left + 100, w.top + 100, 400, 300), Rect(0, 0, 200, 100),
         Rect(w.left + 200, w.top + 200, 200, 100)},
        {"odd difference truncates", Rect(w.left + 100, w.top + 100, 401, 301), Rect(0, 0, 200, 100),
         Rect(w.left + 200, w.top + 200, 200, 100)},
        {"negative difference truncates toward zero", Rect(w.left + 300, w.top + 300, 100, 100),
         Rect(0, 0, 201, 201), Rect(w.left + 250, w.top + 250, 201, 201)},
        {"clamped at right and bottom", Rect(w.right - 100, w.bottom - 50, 400, 300),
         Rect(0, 0, 200, 100), Rect(w.right - 200, w.bottom - 100, 200, 100)},
        {"clamped at left and top", Rect(w.left - 300, w.top - 300, 100, 100), Rect(0, 0, 50, 60),
         Rect(w.left, w.top, 50, 60)},
        {"larger than the work area", Rect(w.left, w.top, 100, 100), Rect(0, 0, ww + 100, wh + 80),
         Rect(w.left, w.top, ww + 100, wh + 80)},
    };
    for (const Case& c : cases) {
        HWND over = CreatePlacementWindow(c.over);
        HWND window = CreatePlacementWindow(c.window);
        ASSERT_EQ(Show(WindowRectOf(over)), Show(c.over)) << c.name;
        lib::wfc::CenterWindow(window, over);
        EXPECT_EQ(Show(WindowRectOf(window)), Show(c.expected)) << c.name;
        DestroyWindow(window);
        DestroyWindow(over);
    }

    // Over nothing: the desktop.
    RECT desktop = WindowRectOf(GetDesktopWindow());
    CWindow window;
    window.Create(0, nullptr, "centre", WS_POPUP, 0, 0, 100, 60);
    window.CenterWindow(nullptr);
    RECT r;
    window.GetWindowRect(&r);
    const int x = desktop.left + (desktop.right - desktop.left - 100) / 2;
    const int y = desktop.top + (desktop.bottom - desktop.top - 60) / 2;
    EXPECT_EQ(r.left, std::max<int>(w.left, std::min<int>(x, w.right - 100)));
    EXPECT_EQ(r.top, std::max<int>(w.top, std::min<int>(y, w.bottom - 60)));
    window.DestroyWindow();
}

TEST(WfcPlacement, KeepWindowOnScreenTable)
{
    std::vector<MONITORINFO> monitors;
    ASSERT_GE(lib::wfc::EnumMonitors(monitors), 1);
    EXPECT_NE(monitors[0].dwFlags & MONITORINFOF_PRIMARY, 0u) << "primary first";
    EXPECT_EQ(monitors[0].cbSize, 40u);
    const RECT w = monitors[0].rcWork;
    const int ww = w.right - w.left;
    struct Case {
        const char* name;
        RECT window;
        bool moved;
        RECT expected;
    };
    const Case cases[] = {
        {"inside", Rect(w.left + 10, w.top + 10, 100, 100), false, Rect(w.left + 10, w.top + 10, 100, 100)},
        {"one pixel in on the left", Rect(w.left - 199, w.top + 10, 200, 100), false,
         Rect(w.left - 199, w.top + 10, 200, 100)},
        {"one pixel in at the bottom right", Rect(w.right - 1, w.bottom - 1, 200, 100), false,
         Rect(w.right - 1, w.bottom - 1, 200, 100)},
        {"entirely left", Rect(w.left - 300, w.top + 50, 200, 100), true,
         Rect(w.left, w.top + 50, 200, 100)},
        {"entirely below and right", Rect(w.right + 50, w.bottom + 50, 100, 80), true,
         Rect(w.right - 100, w.bottom - 80, 100, 80)},
        {"wider than the work area, above it", Rect(w.left - 50, w.top - 500, ww + 200, 100), true,
         Rect(w.left, w.top, ww + 200, 100)},
    };
    for (const Case& c : cases) {
        HWND hwnd = CreatePlacementWindow(c.window);
        ASSERT_EQ(Show(WindowRectOf(hwnd)), Show(c.window)) << c.name;
        EXPECT_EQ(lib::wfc::KeepWindowOnScreen(hwnd), c.moved) << c.name;
        EXPECT_EQ(Show(WindowRectOf(hwnd)), Show(c.expected)) << c.name;
        DestroyWindow(hwnd);
    }
}

MONITORINFO Monitor(const RECT& r, DWORD flags)
{
    MONITORINFO m = {};
    m.cbSize = sizeof m;
    m.rcMonitor = r;
    m.rcWork = r;
    m.dwFlags = flags;
    return m;
}

TEST(WfcPlacement, NearestMonitorAndFitTables)
{
    struct Case {
        const char* name;
        std::vector<MONITORINFO> list;
        RECT window;
        int nearest;
    };
    const Case cases[] = {
        {"equal distance: earlier wins",
         {Monitor(Rect(0, 0, 100, 100), 1), Monitor(Rect(200, 0, 100, 100), 0)},
         Rect(140, 40, 20, 20), 0},
        {"nearer second", {Monitor(Rect(0, 0, 100, 100), 1), Monitor(Rect(200, 0, 100, 100), 0)},
         Rect(200, 40, 20, 20), 1},
        // Distances 100.40 and 100.005 both count as 100.
        {"distances truncated", {Monitor(RECT{90, -1, 110, 19}, 1), Monitor(RECT{-110, -11, -90, 9}, 0)},
         RECT{-10, -10, 10, 10}, 0},
        {"single", {Monitor(Rect(0, 0, 10, 10), 1)}, Rect(5000, 5000, 1, 1), 0},
    };
    for (const Case& c : cases) {
        std::vector<MONITORINFO> list = c.list;
        EXPECT_EQ(lib::wfc::FindNearestMonitor(list, c.window), c.nearest) << c.name;
    }
    std::vector<MONITORINFO> empty;
    EXPECT_EQ(lib::wfc::FindNearestMonitor(empty, Rect(0, 0, 10, 10)), 0);
    EXPECT_FALSE(empty.empty()) << "an empty list is enumerated first";

    struct FitCase {
        RECT window;
        RECT bounds;
        bool moved;
        RECT expected;
    };
    const FitCase fits[] = {
        {Rect(10, 10, 50, 50), Rect(0, 0, 100, 100), false, Rect(10, 10, 50, 50)},
        {Rect(80, -20, 50, 50), Rect(0, 0, 100, 100), true, Rect(50, 0, 50, 50)},
        {Rect(-80, 90, 150, 50), Rect(0, 0, 100, 100), true, Rect(0, 50, 150, 50)},
    };
    for (const FitCase& f : fits) {
        HWND hwnd = CreatePlacementWindow(f.window);
        EXPECT_EQ(lib::wfc::FitWindowInRect(hwnd, f.window, f.bounds), f.moved) << Show(f.window);
        EXPECT_EQ(Show(WindowRectOf(hwnd)), Show(f.expected));
        DestroyWindow(hwnd);
    }
}

} // namespace
