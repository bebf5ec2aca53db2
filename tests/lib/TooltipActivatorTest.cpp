// The tooltip activator: the posted update after a rest of the mouse, measured on a tick
// counter that the tests can put anywhere, across its wrap too.

#include "lib/wfc/TooltipActivator.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

using lib::wfc::CTooltipActivator;

namespace {

LRESULT g_lInitialDelay = 500;

// Stands in for the tooltip control: answers its initial delay and keeps posted updates in
// the queue for the test to count.
LRESULT CALLBACK FakeTipProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TTM_GETDELAYTIME && wParam == TTDT_INITIAL) {
        return g_lInitialDelay;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeFakeTip()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = FakeTipProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "lib_tooltip_test_tip";
    ::RegisterClassA(&windowClass);
    return ::CreateWindowExA(0, "lib_tooltip_test_tip", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                             nullptr, ::GetModuleHandleA(nullptr), nullptr);
}

// Takes the updates posted to the window out of the queue.
int TakeUpdates(HWND window)
{
    int count = 0;
    MSG message;
    while (::PeekMessageA(&message, window, TTM_UPDATE, TTM_UPDATE, PM_REMOVE)) {
        EXPECT_EQ(0u, message.wParam);
        EXPECT_EQ(0, message.lParam);
        ++count;
    }
    return count;
}

class CClockedActivator : public CTooltipActivator {
public:
    bool m_bFakeClock = true;
    uint32_t m_dwNow = 0;

protected:
    uint32_t _GetTickCount() const override
    {
        return m_bFakeClock ? m_dwNow : CTooltipActivator::_GetTickCount();
    }
};

struct Step {
    enum Kind { Move, Tick, Show, Hide } kind;
    uint32_t now;
    int32_t x;
    int32_t y;
    int updates; // posted by a tick
};

struct RestCase {
    const char* name;
    std::vector<Step> steps;
};

TEST(TooltipActivator, PostsOneUpdatePerRest)
{
    const int32_t any = 0;
    const std::vector<RestCase> cases = {
        {"update at the first tick past the delay, once",
         {{Step::Move, 1000, 5, 5, 0}, {Step::Tick, 1400, any, any, 0},
          {Step::Tick, 1500, any, any, 0}, {Step::Tick, 1501, any, any, 1},
          {Step::Tick, 1600, any, any, 0}, {Step::Tick, 9000, any, any, 0}}},
        {"the same point does not restart the rest",
         {{Step::Move, 1000, 5, 5, 0}, {Step::Move, 1400, 5, 5, 0},
          {Step::Tick, 1501, any, any, 1}}},
        {"a moved point restarts it and a new rest updates again",
         {{Step::Move, 1000, 5, 5, 0}, {Step::Move, 1400, 6, 5, 0},
          {Step::Tick, 1501, any, any, 0}, {Step::Tick, 1901, any, any, 1},
          {Step::Move, 2000, 6, 6, 0}, {Step::Tick, 2501, any, any, 1}}},
        {"rest across the wrap of the tick counter",
         {{Step::Move, 0xFFFFFF00u, 5, 5, 0}, {Step::Tick, 0xFFFFFFF0u, any, any, 0},
          {Step::Tick, 0x000000F4u, any, any, 0}, {Step::Tick, 0x000000F5u, any, any, 1}}},
        {"move just before the wrap",
         {{Step::Move, 0xFFFFFFF0u, 5, 5, 0}, {Step::Tick, 0xFFFFFFFFu, any, any, 0},
          {Step::Tick, 0x00000010u, any, any, 0}, {Step::Tick, 0x000001E5u, any, any, 1}}},
        {"a visible tip gets nothing and the rest is used up",
         {{Step::Move, 1000, 5, 5, 0}, {Step::Show, 0, any, any, 0},
          {Step::Tick, 1501, any, any, 0}, {Step::Hide, 0, any, any, 0},
          {Step::Tick, 1600, any, any, 0}, {Step::Move, 1700, 7, 7, 0},
          {Step::Tick, 2201, any, any, 1}}},
    };
    g_lInitialDelay = 500;
    for (const RestCase& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        HWND tip = MakeFakeTip();
        ASSERT_NE(nullptr, tip);
        CClockedActivator activator;
        activator.Attach(tip, false);
        for (size_t i = 0; i < testCase.steps.size(); ++i) {
            SCOPED_TRACE(i);
            const Step& step = testCase.steps[i];
            switch (step.kind) {
            case Step::Move:
                activator.m_dwNow = step.now;
                activator.OnMouseMove(step.x, step.y);
                break;
            case Step::Tick:
                activator.m_dwNow = step.now;
                activator._OnTick();
                break;
            case Step::Show:
                ::ShowWindow(tip, SW_SHOWNA);
                break;
            case Step::Hide:
                ::ShowWindow(tip, SW_HIDE);
                break;
            }
            EXPECT_EQ(step.updates, TakeUpdates(tip));
        }
        ::DestroyWindow(tip);
    }
}

TEST(TooltipActivator, TakesTheInitialDelayOfTheTooltipControl)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    ASSERT_TRUE(::InitCommonControlsEx(&controls));
    HWND tip = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0,
                                 0, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, tip);
    ::SendMessageA(tip, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(123, 0));

    CClockedActivator activator;
    activator.Attach(tip, false);
    activator.m_dwNow = 10;
    activator.OnMouseMove(1, 2);
    activator.m_dwNow = 133;
    activator._OnTick();
    EXPECT_EQ(0, TakeUpdates(tip));
    activator.m_dwNow = 134;
    activator._OnTick();
    EXPECT_EQ(1, TakeUpdates(tip));
    ::DestroyWindow(tip);
}

TEST(TooltipActivator, UpdateIsDueFromConstruction)
{
    // The construction reads the real tick counter: the fake clock is then put on either
    // side of the delay from it, counted from the ticks read just before and after.
    g_lInitialDelay = 60000;
    HWND tip = MakeFakeTip();
    ASSERT_NE(nullptr, tip);
    const uint32_t before = ::GetTickCount();
    CClockedActivator activator;
    const uint32_t after = ::GetTickCount();
    activator.Attach(tip, false);
    activator.m_dwNow = before + 60000;
    activator._OnTick();
    EXPECT_EQ(0, TakeUpdates(tip));
    activator.m_dwNow = after + 60001;
    activator._OnTick();
    EXPECT_EQ(1, TakeUpdates(tip));
    activator._OnTick();
    EXPECT_EQ(0, TakeUpdates(tip));
    ::DestroyWindow(tip);
    g_lInitialDelay = 500;
}

TEST(TooltipActivator, StoppedActivatorPostsNothing)
{
    g_lInitialDelay = 500;
    HWND tip = MakeFakeTip();
    ASSERT_NE(nullptr, tip);
    CClockedActivator activator;
    activator.Attach(tip, false);
    activator.m_dwNow = 1000;
    activator.OnMouseMove(3, 3);
    activator.Stop();
    activator.m_dwNow = 2000;
    activator._OnTick();
    EXPECT_EQ(0, TakeUpdates(tip));
    // Nothing went to the thread's own queue either.
    MSG message;
    EXPECT_FALSE(::PeekMessageA(&message, reinterpret_cast<HWND>(-1), TTM_UPDATE, TTM_UPDATE,
                                PM_REMOVE));
    ::DestroyWindow(tip);
}

} // namespace
