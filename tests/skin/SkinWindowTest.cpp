// The skin window on real windows (hidden where Windows' answer allows): its skin, region and
// back buffer, drawing and hit order, mouse presses and their releases and cancellations,
// keys, redraw suspension, the relayout message, the tick, both looks, tooltips, and that no
// replaced or deleted item is ever called again. Probe items record every call the window
// makes on them.

#include "lib/StringUtility.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindow.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using lib::FormatString;
using skintest::CProbeItem;
using skintest::CProbeJournal;
using skintest::PixelAt;

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("skin_window_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("skin_window_test"));

const COLORREF kKey = RGB(0xFF, 0x00, 0xFF);
const COLORREF kRed = RGB(0xC0, 0x20, 0x20);
const COLORREF kGreen = RGB(0x20, 0xA0, 0x40);
const COLORREF kBlue = RGB(0x20, 0x40, 0xC0);
// Colours of the test window's face (tests/skin/skins/images/TestWindowBack.svg).
const COLORREF kPanel = RGB(0xFF, 0xFF, 0xFF);
const COLORREF kTitleBar = RGB(0xE6, 0xEB, 0xF1);
const COLORREF kMark = RGB(0x25, 0x63, 0xA8);
const COLORREF kInactiveSurface = RGB(0xF4, 0xF6, 0xF9);

using skintest::ClientPoint;
typedef skintest::CTestSkinWindow CTestWindow;

class SkinWindowTest : public ::testing::Test {
protected:
    void SetUp() override { m_pWindow.reset(new CTestWindow); }
    void TearDown() override
    {
        if (m_pWindow->IsWindow()) {
            ::ShowWindow(m_pWindow->GetHwnd(), SW_HIDE);
            m_pWindow->DestroyWindow();
        }
        m_pWindow.reset();
    }

    // Loads the test window's skin, expecting no box.
    void Load(bool region = true, const char* text = "TestWindow.txt")
    {
        const skintest::SkinErrors errors = skintest::CatchSkinErrors(
            [&] { m_pWindow->LoadSkin(m_definition, text, "Base", region); });
        ASSERT_TRUE(errors.m_vBox.empty()) << errors.m_vBox.front();
    }
    // Creates the window hidden and gives it the focus, as a first press would (which also
    // activates it); what the probes heard meanwhile is kept in m_strCreation.
    HWND Create(int width = 320, int height = 200)
    {
        HWND hwnd =
            m_pWindow->Create(0, nullptr, "skin_window_test", WS_POPUP, 0, 0, width, height);
        ::SetFocus(hwnd);
        m_strCreation = Journal();
        m_pWindow->Calls();
        return hwnd;
    }
    bool CreationStartsWith(const std::string& calls) const
    {
        return m_strCreation.compare(0, calls.size(), calls) == 0;
    }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::SendMessageA(m_pWindow->GetHwnd(), message, wParam, lParam);
    }
    std::string Journal() { return m_pWindow->m_journal.Take(); }
    const lib::wfc::CDIB& Buffer() { return *m_pWindow->GetBackBuffer(); }

    std::unique_ptr<CTestWindow> m_pWindow;
    ui::SkinDefinition m_definition;
    std::string m_strCreation;
};

// ---- skin, region and back buffer ----

TEST_F(SkinWindowTest, ReadsItsBlockAndLendsItsFontToTheOthers)
{
    Load();
    EXPECT_EQ(m_pWindow->GetTitle(), "テスト ウィンドウ");
    EXPECT_EQ(m_pWindow->GetCaptionHeight(), 32);
    EXPECT_NE(m_pWindow->GetFont(), nullptr);
    EXPECT_EQ(m_pWindow->GetDesignSize().cx, 320);
    EXPECT_EQ(m_pWindow->GetDesignSize().cy, 200);
    const RECT track = m_pWindow->GetMinTrackRect();
    EXPECT_EQ(track.right, 320);
    EXPECT_EQ(track.bottom, 200);
    EXPECT_EQ(ui::GetSkinBlock(m_definition, "Plain").m_mapKeyword.at("Font"),
              (ui::SkinValues{"MS PGothic", "14", "400"}));
    EXPECT_EQ(ui::GetSkinBlock(m_definition, "Bold").m_mapKeyword.at("Font"),
              (ui::SkinValues{"MS PGothic", "16", "700"}));
    // Both images are held from the start.
    EXPECT_EQ(m_pWindow->GetImageCache()->GetNames(),
              (std::vector<std::string>{"TESTWINDOWBACK.PNG", "TESTWINDOWINACTIVE.PNG"}));
}

TEST_F(SkinWindowTest, RefusesAMalformedWindowBlock)
{
    const struct {
        const char* block;
        const char* box;
    } cases[] = {
        {"TwoTitles", "TwoTitles/Titleのパラメータは 1個必要ですが、2個指定されています"},
        {"NoFont", "NoFont/Fontが定義されていません"},
        {"ShortImage", "ShortImage/Imageのパラメータは 5個必要です"},
        {"MissingImage", "TestNoWindowImage.pngが読み込めません."},
        {"NoSuchBlock", "NoSuchBlockが記述されていません"},
    };
    for (const auto& c : cases) {
        CTestWindow window;
        ui::SkinDefinition definition;
        const skintest::SkinErrors errors = skintest::CatchSkinErrors(
            [&] { window.LoadSkin(definition, "TestWindowBad.txt", c.block, true); });
        EXPECT_EQ(errors.m_vBox, std::vector<std::string>{c.box}) << c.block;
        EXPECT_EQ(errors.m_strThrown, c.box) << c.block;
    }
}

TEST_F(SkinWindowTest, KeyColourShapesTheWindow)
{
    for (const bool region : {true, false}) {
        CTestWindow window;
        ui::SkinDefinition definition;
        window.LoadSkin(definition, "TestWindow.txt", "Base", region);
        window.Create(0, nullptr, "skin_window_test", WS_POPUP, 0, 0, 320, 200);
        const lib::wfc::CDIB& buffer = *window.GetBackBuffer();
        EXPECT_EQ(PixelAt(buffer, 0, 0), kKey);
        EXPECT_EQ(PixelAt(buffer, 319, 199), kKey);
        EXPECT_EQ(PixelAt(buffer, 160, 10), kTitleBar);
        EXPECT_EQ(PixelAt(buffer, 18, 16), kMark);
        EXPECT_EQ(PixelAt(buffer, 160, 100), kPanel);

        HRGN shape = ::CreateRectRgn(0, 0, 0, 0);
        const int kind = ::GetWindowRgn(window.GetHwnd(), shape);
        if (region) {
            EXPECT_NE(kind, ERROR);
            EXPECT_FALSE(::PtInRegion(shape, 0, 0));
            EXPECT_FALSE(::PtInRegion(shape, 1, 1));
            EXPECT_FALSE(::PtInRegion(shape, 319, 199));
            EXPECT_TRUE(::PtInRegion(shape, 160, 0));
            EXPECT_TRUE(::PtInRegion(shape, 160, 100));
            EXPECT_TRUE(::PtInRegion(shape, 0, 100));
        } else {
            EXPECT_EQ(kind, ERROR) << "a window without the region flag keeps its rectangle";
        }
        ::DeleteObject(shape);
        window.DestroyWindow();
    }
}

TEST_F(SkinWindowTest, BackgroundIsReadFromTheCutRectangle)
{
    Load(true, "TestWindowCut.txt");
    EXPECT_EQ(m_pWindow->GetDesignSize().cx, 16);
    EXPECT_EQ(m_pWindow->GetDesignSize().cy, 4);
    Create(16, 4);
    // The bar of the atlas (at 8, 0), not the dot at its origin.
    EXPECT_EQ(PixelAt(Buffer(), 0, 0), RGB(0xA8, 0x64, 0x12));
    EXPECT_EQ(PixelAt(Buffer(), 15, 3), RGB(0xA8, 0x64, 0x12));
}

TEST_F(SkinWindowTest, EmptyClientStillHasAOnePixelBuffer)
{
    Load();
    ui::ISkinWindowItemAccessor* accessor = m_pWindow->Accessor();
    EXPECT_FALSE(accessor->IsReady());
    Create(0, 0);
    RECT client = {};
    m_pWindow->GetClientRect(&client);
    EXPECT_EQ(client.right, 0);
    EXPECT_EQ(client.bottom, 0);
    ASSERT_NE(m_pWindow->GetBackBuffer(), nullptr);
    EXPECT_EQ(Buffer().GetWidth(), 1);
    EXPECT_EQ(Buffer().GetHeight(), 1);
    EXPECT_TRUE(accessor->IsReady());
    // The same when the size drops to nothing later.
    ::SetWindowPos(m_pWindow->GetHwnd(), nullptr, 0, 0, 320, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Buffer().GetWidth(), 320);
    ::SetWindowPos(m_pWindow->GetHwnd(), nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Buffer().GetWidth(), 1);
    EXPECT_EQ(Buffer().GetHeight(), 1);
}

// ---- items: order, visibility, hit tests ----

TEST_F(SkinWindowTest, LastAddedIsDrawnLastAndHitFirst)
{
    Load();
    m_pWindow->AddProbe(1, {40, 60, 140, 120}, kRed);
    m_pWindow->AddProbe(2, {100, 80, 200, 140}, kGreen);
    Create();
    EXPECT_TRUE(CreationStartsWith("1 Draw|2 Draw|1 Attach 0 0|2 Attach 0 0")) << m_strCreation;
    EXPECT_EQ(PixelAt(Buffer(), 50, 70), kRed);
    EXPECT_EQ(PixelAt(Buffer(), 120, 100), kGreen);
    EXPECT_EQ(m_pWindow->FindItemFromPoint(120, 100)->GetId(), 2);
    EXPECT_EQ(m_pWindow->FindItemFromPoint(139, 119)->GetId(), 2);
    EXPECT_EQ(m_pWindow->FindItemFromPoint(140, 79), nullptr) << "outside both";
    EXPECT_EQ(m_pWindow->FindItemFromPoint(99, 79)->GetId(), 1);
    EXPECT_EQ(m_pWindow->FindItemFromPoint(200, 100), nullptr) << "right edge is outside";

    // A new item with the first one's id takes its place below the second.
    m_pWindow->AddItem(m_pWindow->MakeProbe(1, {40, 60, 140, 120}, kBlue));
    EXPECT_EQ(Journal(), "1 Attach 0 0|1 Draw|2 Draw");
    EXPECT_EQ(PixelAt(Buffer(), 50, 70), kBlue);
    EXPECT_EQ(PixelAt(Buffer(), 120, 100), kGreen);
    ASSERT_EQ(m_pWindow->GetItems().size(), 2u);
    EXPECT_EQ(m_pWindow->GetItems()[0]->GetId(), 1);
    EXPECT_EQ(m_pWindow->GetItems()[1]->GetId(), 2);

    Send(WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(120, 100));
    Send(WM_LBUTTONUP, 0, ClientPoint(120, 100));
    EXPECT_EQ(Journal(), "2 LDown 20 20|2 SetFocus|2 LUp 20 20");
}

TEST_F(SkinWindowTest, HiddenAndNonHitTestableItems)
{
    Load();
    CProbeItem* under = m_pWindow->AddProbe(1, {40, 60, 200, 140}, kRed);
    CProbeItem* glass = m_pWindow->AddProbe(2, {40, 60, 120, 100}, kGreen);
    CProbeItem* hidden = m_pWindow->AddProbe(3, {100, 60, 200, 100}, kBlue);
    glass->m_bHitTestable = false;
    hidden->SetVisible(false);
    EXPECT_EQ(Journal(), "3 VisibleChanged");
    Create();
    EXPECT_TRUE(CreationStartsWith("1 Draw|2 Draw|1 Attach 0 0|2 Attach 0 0|3 Attach 0 0"))
        << m_strCreation;
    EXPECT_EQ(PixelAt(Buffer(), 50, 70), kGreen) << "drawn, though not hit";
    EXPECT_EQ(PixelAt(Buffer(), 150, 70), kRed) << "the hidden item is not drawn";

    // Presses and moves fall through both to the item beneath.
    Send(WM_MOUSEMOVE, 0, ClientPoint(50, 70));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(50, 70));
    Send(WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(150, 70));
    Send(WM_LBUTTONUP, 0, ClientPoint(150, 70));
    EXPECT_EQ(Journal(), "1 Move 10 10|1 LDown 10 10|1 SetFocus|1 Move 110 10|1 LUp 110 10");
    EXPECT_EQ(m_pWindow->GetHotItem(), under);
    EXPECT_EQ(m_pWindow->GetFocusItem(), under);

    // Hiding an item redraws its rectangle: what lies beneath shows again.
    glass->SetVisible(false);
    EXPECT_EQ(Journal(), "2 VisibleChanged|1 Draw");
    EXPECT_EQ(PixelAt(Buffer(), 50, 70), kRed);
    hidden->SetVisible(true);
    EXPECT_EQ(Journal(), "3 VisibleChanged|1 Draw|3 Draw");
    EXPECT_EQ(PixelAt(Buffer(), 150, 70), kBlue);
    // The same value again changes nothing.
    hidden->SetVisible(true);
    glass->SetEnable(true);
    EXPECT_EQ(Journal(), "");
    glass->SetEnable(false);
    EXPECT_EQ(Journal(), "2 EnableChanged");
    EXPECT_FALSE(glass->IsEnabled());
}

TEST_F(SkinWindowTest, ItemAddedToALivingWindowIsAttachedAndShown)
{
    Load();
    Create();
    EXPECT_EQ(PixelAt(Buffer(), 150, 150), kPanel);
    m_pWindow->AddProbe(5, {140, 140, 160, 160}, kGreen);
    EXPECT_EQ(Journal(), "5 Attach 0 0|5 Draw");
    EXPECT_EQ(PixelAt(Buffer(), 150, 150), kGreen);
    EXPECT_EQ(::SendMessageA(m_pWindow->GetTooltipWindow(), TTM_GETTOOLCOUNT, 0, 0), 1);
}

// ---- mouse ----

struct ButtonMessages {
    const char* name;
    UINT down;
    UINT up;
    UINT doubleClick;
    WPARAM keys;
};

const ButtonMessages kButtons[] = {
    {"L", WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, MK_LBUTTON},
    {"R", WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, MK_RBUTTON},
};

TEST_F(SkinWindowTest, EveryWayOfLosingAPressCancelsIt)
{
    Load();
    m_pWindow->AddProbe(1, {40, 60, 140, 120}, kRed);
    Create();
    HWND other = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    ::SetCursorPos(70, 80);
    // A change of look redraws the whole picture after the cancel.
    const struct {
        const char* way;
        std::function<void()> lose;
        const char* redraws;
    } ways[] = {
        {"capture taken by another window", [&] { ::SetCapture(other); }, ""},
        {"window activated", [&] { Send(WM_ACTIVATE, WA_ACTIVE, 0); }, "|1 Draw"},
        {"window clicked active", [&] { Send(WM_ACTIVATE, WA_CLICKACTIVE, 0); }, "|1 Draw"},
        {"window hidden", [&] { Send(WM_SHOWWINDOW, FALSE, 0); }, "|1 Draw|1 Draw"},
    };
    for (const auto& way : ways) {
        for (const ButtonMessages& button : kButtons) {
            SCOPED_TRACE(std::string(way.way) + " " + button.name);
            Send(button.down, button.keys, ClientPoint(50, 70));
            ASSERT_EQ(::GetCapture(), m_pWindow->GetHwnd());
            ASSERT_NE(m_pWindow->GetCaptureItem(), nullptr);
            Journal();
            m_pWindow->Calls();
            way.lose();
            // The base turns a cancel into a release, at the cursor.
            EXPECT_EQ(Journal(), FormatString("1 %sCancel|1 %sUp 30 20%s", button.name,
                                              button.name, way.redraws));
            EXPECT_EQ(m_pWindow->Calls(), "CaptureReleased");
            EXPECT_EQ(m_pWindow->GetCaptureItem(), nullptr);
            EXPECT_NE(::GetCapture(), m_pWindow->GetHwnd());
            ::ReleaseCapture();
            // The release that follows is an ordinary one without capture.
            Send(button.up, 0, ClientPoint(50, 70));
            EXPECT_EQ(Journal(), FormatString("1 %sUp 10 10", button.name));
        }
    }
    ::DestroyWindow(other);
}

TEST_F(SkinWindowTest, DoubleClickTakesTheCaptureLikeAPress)
{
    Load();
    CProbeItem* probe = m_pWindow->AddProbe(1, {40, 60, 140, 120}, kRed);
    Create();
    bool first = true;
    for (const ButtonMessages& button : kButtons) {
        SCOPED_TRACE(button.name);
        const std::string b = button.name;
        // Without a press before it: the base acts as a press, and the capture is taken.
        Send(button.doubleClick, button.keys, ClientPoint(50, 70));
        EXPECT_EQ(Journal(), "1 " + b + "DblClk 10 10|1 " + b + "Down 10 10" +
                                 (first ? "|1 SetFocus" : ""));
        first = false;
        EXPECT_EQ(m_pWindow->GetCaptureItem(), probe);
        EXPECT_EQ(::GetCapture(), m_pWindow->GetHwnd());
        EXPECT_EQ(m_pWindow->GetHotItem(), probe);
        // Released outside the item, which still hears of it.
        Send(button.up, 0, ClientPoint(300, 190));
        EXPECT_EQ(Journal(), "1 " + b + "Up 260 130");
        EXPECT_EQ(m_pWindow->Calls(), "CaptureReleased");
        EXPECT_NE(::GetCapture(), m_pWindow->GetHwnd());

        // A capture still held ends as a release before the double click.
        Send(button.down, button.keys, ClientPoint(50, 70));
        Send(button.doubleClick, button.keys, ClientPoint(60, 80));
        EXPECT_EQ(Journal(), "1 " + b + "Down 10 10|1 " + b + "Up 20 20|1 " + b + "DblClk 20 20|1 " +
                                 b + "Down 20 20");
        Send(button.up, 0, ClientPoint(60, 80));
        EXPECT_EQ(Journal(), "1 " + b + "Up 20 20");
        m_pWindow->Calls();
    }

    // An item that takes no press takes no capture from a double click either.
    probe->m_bTakePress = false;
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, ClientPoint(50, 70));
    EXPECT_EQ(Journal(), "1 LDblClk 10 10|1 LDown 10 10");
    EXPECT_EQ(m_pWindow->GetCaptureItem(), nullptr);
    EXPECT_NE(::GetCapture(), m_pWindow->GetHwnd());
}

TEST_F(SkinWindowTest, HotItemFocusAndLeave)
{
    Load();
    CProbeItem* a = m_pWindow->AddProbe(1, {40, 60, 140, 120}, kRed);
    CProbeItem* b = m_pWindow->AddProbe(2, {160, 60, 260, 120}, kGreen);
    Create();
    Send(WM_MOUSEMOVE, 0, ClientPoint(50, 70));
    Send(WM_MOUSEMOVE, 0, ClientPoint(51, 70));
    Send(WM_MOUSEMOVE, 0, ClientPoint(170, 70));
    Send(WM_MOUSEMOVE, 0, ClientPoint(10, 190));
    EXPECT_EQ(Journal(), "1 Move 10 10|1 Move 11 10|1 Leave|2 Move 10 10|2 Leave");
    EXPECT_EQ(m_pWindow->GetHotItem(), nullptr);

    Send(WM_MOUSEMOVE, 0, ClientPoint(50, 70));
    Send(WM_MOUSELEAVE);
    EXPECT_EQ(Journal(), "1 Move 10 10|1 Leave");
    EXPECT_EQ(m_pWindow->GetHotItem(), nullptr);

    // Focus follows presses, and the window's own focus.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(50, 70));
    Send(WM_LBUTTONUP, 0, ClientPoint(50, 70));
    Send(WM_RBUTTONDOWN, MK_RBUTTON, ClientPoint(170, 70));
    Send(WM_RBUTTONUP, 0, ClientPoint(170, 70));
    EXPECT_EQ(Journal(), "1 LDown 10 10|1 SetFocus|1 LUp 10 10|2 RDown 10 10|1 KillFocus|"
                         "2 SetFocus|2 RUp 10 10");
    EXPECT_EQ(m_pWindow->GetFocusItem(), b);
    Send(WM_KILLFOCUS);
    Send(WM_SETFOCUS);
    EXPECT_EQ(Journal(), "2 KillFocus|2 SetFocus");
    (void)a;

    // While a press is held, moves go to the pressed item only.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(50, 70));
    Send(WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(170, 70));
    Send(WM_LBUTTONUP, 0, ClientPoint(170, 70));
    EXPECT_EQ(Journal(), "1 LDown 10 10|2 KillFocus|1 SetFocus|1 Move 130 10|1 LUp 130 10");
}

TEST_F(SkinWindowTest, FocusItemSeesEveryMessageFirst)
{
    Load();
    CProbeItem* probe = m_pWindow->AddProbe(1, {40, 60, 140, 120}, kRed);
    Create();
    Send(WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(50, 70));
    Send(WM_LBUTTONUP, 0, ClientPoint(50, 70));
    Journal();
    m_pWindow->Calls();
    probe->m_uConsume = WM_KEYDOWN;
    EXPECT_EQ(Send(WM_KEYDOWN, VK_RETURN, 0), 77);
    EXPECT_EQ(Journal(), FormatString("1 Consume %u", WM_KEYDOWN));
    EXPECT_EQ(m_pWindow->Calls(), "") << "a consumed key never reaches the window";
    probe->m_uConsume = 0;
    Send(WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(m_pWindow->Calls(), "DefaultKey -1 1");
}

TEST_F(SkinWindowTest, EnterAndEscape)
{
    Load();
    Create();
    const struct {
        WPARAM key;
        const char* calls;
    } cases[] = {
        {VK_RETURN, "DefaultKey -1 1"},
        {VK_ESCAPE, "DefaultKey -1 0"},
        {'A', ""},
        {VK_SPACE, ""},
    };
    for (const auto& c : cases) {
        Send(WM_KEYDOWN, c.key, 1);
        EXPECT_EQ(m_pWindow->Calls(), c.calls) << c.key;
    }
    ui::ISkinWindowItemAccessor* accessor = m_pWindow->Accessor();
    accessor->NotifyEnter(5);
    accessor->NotifyEscape(6);
    EXPECT_EQ(m_pWindow->Calls(), "DefaultKey 5 1|DefaultKey 6 0");

    // A forwarded key comes back as the window's own key press when the window takes it.
    EXPECT_FALSE(accessor->ForwardKey(VK_TAB, 0x0F0001));
    m_pWindow->m_bFilterKeys = true;
    EXPECT_TRUE(accessor->ForwardKey(VK_TAB, 0x0F0001));
    MSG message = {};
    ASSERT_TRUE(::PeekMessageA(&message, m_pWindow->GetHwnd(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(message.wParam, static_cast<WPARAM>(VK_TAB));
    EXPECT_EQ(message.lParam, 0x0F0001);
    EXPECT_FALSE(::PeekMessageA(&message, m_pWindow->GetHwnd(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
}

TEST_F(SkinWindowTest, CaptionAndCursor)
{
    Load();
    CProbeItem* inCaption = m_pWindow->AddProbe(1, {290, 4, 314, 28}, kRed);
    CProbeItem* below = m_pWindow->AddProbe(2, {40, 60, 140, 120}, kGreen);
    Create();
    EXPECT_EQ(Send(WM_NCHITTEST, 0, ClientPoint(200, 10)), HTCAPTION);
    EXPECT_EQ(Send(WM_NCHITTEST, 0, ClientPoint(200, 31)), HTCAPTION);
    EXPECT_EQ(Send(WM_NCHITTEST, 0, ClientPoint(300, 10)), HTCLIENT) << "over an item";
    EXPECT_EQ(Send(WM_NCHITTEST, 0, ClientPoint(200, 32)), HTCLIENT) << "below the caption";
    inCaption->SetVisible(false);
    EXPECT_EQ(Send(WM_NCHITTEST, 0, ClientPoint(300, 10)), HTCAPTION) << "a hidden item is no item";

    // Moves over the caption reach the items as client moves.
    Journal();
    Send(WM_NCMOUSEMOVE, HTCAPTION, ClientPoint(50, 70));
    EXPECT_EQ(Journal(), "2 Move 10 10");

    // The cursor is asked of the item under it.
    ::SetCursorPos(60, 90);
    below->m_bSetCursor = true;
    EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(m_pWindow->GetHwnd()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(Journal(), "2 SetCursor 20 30");
    below->m_bSetCursor = false;
    Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(m_pWindow->GetHwnd()),
         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(Journal(), "2 SetCursor 20 30");
}

// ---- redraw ----

TEST_F(SkinWindowTest, OneUpdatePerOutermostSuspension)
{
    Load();
    CProbeItem* probe = m_pWindow->AddProbe(1, {40, 60, 140, 120}, kRed);
    // Shown, never activated: an activated window takes seconds to go under Xvfb.
    m_pWindow->Create(0, nullptr, "skin_window_test", WS_POPUP, 0, 0, 320, 200);
    ::ShowWindow(m_pWindow->GetHwnd(), SW_SHOWNOACTIVATE);
    m_pWindow->UpdateWindow();
    ui::ISkinWindowItemAccessor* accessor = probe->Accessor();

    m_pWindow->m_nPaints = 0;
    accessor->RedrawRect(40, 60, 140, 120, false);
    accessor->RedrawRect(40, 60, 140, 120, true);
    EXPECT_EQ(m_pWindow->m_nPaints, 2) << "each redraw outside a suspension updates at once";

    m_pWindow->m_nPaints = 0;
    {
        ui::CRedrawSuspension outer(accessor);
        {
            ui::CRedrawSuspension inner(accessor);
            accessor->RedrawRect(40, 60, 140, 120, true);
            accessor->RedrawRect(0, 0, 10, 10, true);
        }
        EXPECT_EQ(m_pWindow->m_nPaints, 0);
        RECT pending = {};
        EXPECT_TRUE(::GetUpdateRect(m_pWindow->GetHwnd(), &pending, FALSE));
        EXPECT_EQ(pending.left, 0);
        EXPECT_EQ(pending.bottom, 120);
        accessor->RedrawRect(200, 150, 210, 160, true);
        EXPECT_EQ(m_pWindow->m_nPaints, 0);
    }
    EXPECT_EQ(m_pWindow->m_nPaints, 1);
    EXPECT_FALSE(accessor->SuspendRedraw(true));
    EXPECT_TRUE(accessor->SuspendRedraw(false));
}

TEST_F(SkinWindowTest, RedrawTakesTheItemsItMeets)
{
    Load();
    m_pWindow->AddProbe(1, {10, 40, 30, 60}, kRed);     // meets nothing
    m_pWindow->AddProbe(2, {40, 40, 80, 80}, kGreen);
    m_pWindow->AddProbe(3, {70, 70, 100, 100}, kBlue);  // meets the second
    m_pWindow->AddProbe(4, {200, 150, 220, 170}, kRed); // far away
    CProbeItem* distant = static_cast<CProbeItem*>(m_pWindow->GetItemById(4));
    Create();
    Journal();
    ui::ISkinWindowItemAccessor* accessor = m_pWindow->Accessor();
    accessor->RedrawRect(50, 50, 60, 60, false);
    // The items that meet the rectangle, or what it grew by, draw again.
    EXPECT_EQ(Journal(), "2 Draw|3 Draw");
    // Drawing stays inside the rectangle asked for.
    skintest::FillRectClipped(*m_pWindow->GetBackBuffer(), {0, 0, 320, 200}, kKey);
    accessor->RedrawRect(50, 50, 60, 60, false);
    EXPECT_EQ(PixelAt(Buffer(), 55, 55), kGreen);
    EXPECT_EQ(PixelAt(Buffer(), 45, 45), kKey);
    EXPECT_EQ(PixelAt(Buffer(), 75, 75), kKey);
    distant->SetVisible(false);
    EXPECT_EQ(Journal(), "2 Draw|3 Draw|4 VisibleChanged");

    // Before creation nothing is drawn.
    CTestWindow unborn;
    unborn.AddProbe(1, {0, 0, 10, 10}, kRed);
    unborn.Accessor()->RedrawRect(0, 0, 10, 10, true);
    EXPECT_EQ(unborn.m_journal.Take(), "");
}

TEST_F(SkinWindowTest, RelayoutMessage)
{
    Load();
    m_pWindow->AddProbe(1, {40, 60, 140, 120}, kRed);
    Create();
    Journal();
    m_pWindow->Calls();
    const UINT relayout = ui::GetSkinWindowInternalMessage();
    ASSERT_NE(relayout, 0u);
    EXPECT_EQ(relayout, ::RegisterWindowMessageA(
                            "SkinWindowInternalMessage-{774AC32D-5AEC-4eb1-B2F8-8905C27F00F2}"));
    Send(relayout, 0, 0);
    EXPECT_EQ(m_pWindow->Calls(), "BeforeRelayout|UpdateBuffer 0 320 200");
    EXPECT_EQ(Journal(), "1 Draw|1 Draw");
    Send(relayout, 1, 0);
    EXPECT_EQ(m_pWindow->Calls(), "");
    EXPECT_EQ(Journal(), "");
}

TEST_F(SkinWindowTest, TickReachesEveryItemInOrder)
{
    Load();
    m_pWindow->AddProbe(1, {40, 60, 140, 120}, kRed);
    m_pWindow->AddProbe(2, {160, 60, 260, 120}, kGreen)->SetVisible(false);
    Create();
    Journal();
    Send(WM_TIMER, ui::kSkinTickTimerId, 0);
    EXPECT_EQ(Journal(), "1 Tick|2 Tick") << "hidden items tick too";
    Send(WM_TIMER, 5, 0);
    EXPECT_EQ(Journal(), "");

    // The window's own timer, every 33 ms.
    const DWORD start = ::GetTickCount();
    while (!m_pWindow->m_journal.Has("Tick") && ::GetTickCount() - start < 30000) {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
        ::Sleep(5);
    }
    EXPECT_TRUE(m_pWindow->m_journal.Has("1 Tick"));
}

TEST_F(SkinWindowTest, BothLooks)
{
    Load();
    Create();
    EXPECT_FALSE(m_pWindow->IsInactiveLook());
    const struct {
        UINT message;
        WPARAM wParam;
        bool inactive;
    } steps[] = {
        {WM_ACTIVATE, WA_INACTIVE, true},
        {WM_ACTIVATE, WA_ACTIVE, false},
        {WM_ACTIVATE, WA_INACTIVE, true},
        {WM_ACTIVATE, WA_CLICKACTIVE, false},
        {WM_SHOWWINDOW, FALSE, true},
        {WM_SHOWWINDOW, TRUE, true},
        {WM_ACTIVATE, WA_ACTIVE, false},
    };
    for (const auto& step : steps) {
        Send(step.message, step.wParam, 0);
        EXPECT_EQ(m_pWindow->IsInactiveLook(), step.inactive) << step.message << " " << step.wParam;
        // The face comes from "Image" in both looks.
        EXPECT_EQ(PixelAt(Buffer(), 160, 10), kTitleBar);
        EXPECT_EQ(PixelAt(Buffer(), 0, 0), kKey);
    }
    // "ImageInactive" is offered to the window's own drawing.
    ui::CSkinImageRef inactive = m_pWindow->GetInactiveImage();
    ui::CSkinImageLock image(inactive);
    ASSERT_NE(image.Get(), nullptr);
    EXPECT_EQ(PixelAt(*image.Get(), 160, 10), kInactiveSurface);
}

// ---- tooltips ----

std::string AskTip(HWND window, HWND tooltip, int32_t id)
{
    NMTTDISPINFOA info = {};
    info.hdr.hwndFrom = tooltip;
    info.hdr.idFrom = static_cast<UINT_PTR>(id);
    info.hdr.code = TTN_GETDISPINFOA;
    std::memset(info.szText, 'x', sizeof info.szText);
    ::SendMessageA(window, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.lpszText, info.szText);
    EXPECT_NE(std::memchr(info.szText, '\0', sizeof info.szText), nullptr) << "terminated";
    return info.szText;
}

TEST_F(SkinWindowTest, TooltipsAskTheItemUnderTheMouse)
{
    Load();
    CProbeItem* save = m_pWindow->AddProbe(1, {40, 60, 140, 120}, kRed);
    CProbeItem* quiet = m_pWindow->AddProbe(2, {160, 60, 260, 120}, kGreen);
    quiet->SetToolState(ui::TOOL_NONE);
    Create();
    HWND tip = m_pWindow->GetTooltipWindow();
    ASSERT_NE(tip, nullptr);
    char className[64] = {};
    ::GetClassNameA(tip, className, sizeof className);
    EXPECT_STREQ(className, "tooltips_class32");
    EXPECT_EQ(::GetWindow(tip, GW_OWNER), m_pWindow->GetHwnd());
    EXPECT_EQ(::SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0), 640);
    EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(save->GetToolState(), ui::TOOL_ADDED);

    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = m_pWindow->GetHwnd();
    tool.uId = 1;
    ASSERT_TRUE(::SendMessageA(tip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_EQ(tool.rect.left, 40);
    EXPECT_EQ(tool.rect.bottom, 120);
    EXPECT_TRUE(tool.uFlags & TTF_SUBCLASS);

    // "あ" is 82 A0: a text one byte too long for the buffer loses its last whole character.
    std::string japanese;
    for (int i = 0; i < 50; ++i) japanese += "あ";
    const struct {
        const char* name;
        std::string text;
        bool enabled;
        std::string shown;
    } cases[] = {
        {"enabled", "保存します", true, "保存します"},
        {"disabled", "保存します", false, ""},
        {"empty", "", true, ""},
        {"79 bytes", std::string(79, 'a'), true, std::string(79, 'a')},
        {"80 bytes", std::string(80, 'b'), true, std::string(79, 'b')},
        {"long Japanese", japanese, true, japanese.substr(0, 78)},
        {"long Japanese after one byte", "a" + japanese, true, "a" + japanese.substr(0, 78)},
    };
    for (const auto& c : cases) {
        save->m_strTooltip = c.text;
        save->SetEnable(c.enabled);
        Send(WM_MOUSEMOVE, 0, ClientPoint(50, 70));
        EXPECT_EQ(m_pWindow->GetTooltipItem(), save);
        EXPECT_EQ(AskTip(m_pWindow->GetHwnd(), tip, 1), c.shown) << c.name;
    }
    save->SetEnable(true);

    // Over an item without a tooltip, or over nothing, there is nothing to ask.
    Send(WM_MOUSEMOVE, 0, ClientPoint(170, 70));
    EXPECT_EQ(m_pWindow->GetTooltipItem(), nullptr);
    Send(WM_MOUSEMOVE, 0, ClientPoint(300, 190));
    EXPECT_EQ(m_pWindow->GetTooltipItem(), nullptr);
    m_pWindow->m_journal.Clear();
    EXPECT_EQ(AskTip(m_pWindow->GetHwnd(), tip, 1), "");
    EXPECT_FALSE(m_pWindow->m_journal.Has("GetTooltipText"));
}

TEST_F(SkinWindowTest, ToolsFollowTheirItems)
{
    Load();
    CProbeItem* a = m_pWindow->AddProbe(1, {40, 60, 140, 120}, kRed);
    m_pWindow->AddProbe(2, {160, 60, 260, 120}, kGreen);
    Create();
    HWND tip = m_pWindow->GetTooltipWindow();
    EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 2);

    a->SetVisible(false);
    m_pWindow->RefreshTooltips();
    EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(a->GetToolState(), ui::TOOL_REMOVE);
    a->SetVisible(true);
    a->SetPosition(10, 150);
    m_pWindow->RefreshTooltips();
    EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 2);

    TTTOOLINFOA tool = {};
    char text[80] = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = m_pWindow->GetHwnd();
    tool.uId = 1;
    tool.lpszText = text;
    ASSERT_TRUE(::SendMessageA(tip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_EQ(tool.rect.left, 10);
    EXPECT_EQ(tool.rect.top, 150);
    EXPECT_EQ(tool.lpszText, LPSTR_TEXTCALLBACKA);

    // A fixed text replaces the callback at once.
    a->SetTooltipText("固定の説明");
    tool.lpszText = text;
    ASSERT_TRUE(::SendMessageA(tip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_STREQ(tool.lpszText, "固定の説明");
}

// ---- commands ----

TEST_F(SkinWindowTest, ClicksBecomeCommands)
{
    Load();
    CProbeItem* a = m_pWindow->AddProbe(1001, {40, 60, 140, 120}, kRed);
    m_pWindow->AddProbe(1002, {160, 60, 260, 120}, kGreen);
    Create();
    ui::ISkinWindowItemAccessor* accessor = m_pWindow->Accessor();
    HWND hwnd = m_pWindow->GetHwnd();
    auto takeCommands = [&] {
        std::string all;
        MSG message;
        while (::PeekMessageA(&message, hwnd, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
            // lParam is the control's handle: zero-extended, as both builds print it.
            all += FormatString("%s%llx,%llu", all.empty() ? "" : "|",
                                static_cast<unsigned long long>(message.wParam),
                                static_cast<unsigned long long>(
                                    static_cast<ULONG_PTR>(message.lParam)));
        }
        return all;
    };
    EXPECT_TRUE(accessor->PostItemCommand(1001, ui::ITEM_EVENT_CLICK, 0));
    for (int32_t event : {1, 2, 3, 14, 15}) EXPECT_FALSE(accessor->PostItemCommand(1001, event, 0));
    EXPECT_EQ(takeCommands(), "103e9,0");

    m_pWindow->ClickItem(1002);
    m_pWindow->ClickItem(999);
    a->SetEnable(false);
    m_pWindow->ClickItem(1001);
    EXPECT_EQ(takeCommands(), "103ea,0");
    ::EnableWindow(hwnd, FALSE);
    m_pWindow->ClickItem(1002);
    EXPECT_EQ(takeCommands(), "");
    ::EnableWindow(hwnd, TRUE);
}

TEST_F(SkinWindowTest, CheckRadioButtonSkipsUnknownIds)
{
    Load();
    m_pWindow->AddProbe(1, {0, 40, 10, 50}, kRed);
    m_pWindow->AddProbe(2, {0, 60, 10, 70}, kRed);
    m_pWindow->AddProbe(3, {0, 80, 10, 90}, kRed);
    const int32_t group[] = {1, 99, 2, 3};
    m_pWindow->CheckRadioButton(group, 4, 2);
    EXPECT_EQ(Journal(), "1 OnMessage 100000002 0 0|1 OnMessage 100000001 0 0|"
                         "2 OnMessage 100000002 0 0|2 OnMessage 100000001 1 0|"
                         "3 OnMessage 100000002 0 0|3 OnMessage 100000001 0 0");
    EXPECT_TRUE(static_cast<CProbeItem*>(m_pWindow->GetItemById(2))->m_bChecked);
    EXPECT_EQ(m_pWindow->GetItemById(99), nullptr);
}

// ---- item keys ----

uint16_t g_nKeyId = 2000;
const ui::SkinItemKey kFirstKey("First", g_nKeyId);
const ui::SkinItemKey kSecondKey("Second", g_nKeyId);
const ui::SkinItemKey kThirdKey("Third", g_nKeyId);

TEST(SkinItemKeyTest, IdsFollowTheOrderOfDeclaration)
{
    EXPECT_EQ(kFirstKey.m_nId, 2000);
    EXPECT_EQ(kSecondKey.m_nId, 2001);
    EXPECT_EQ(kThirdKey.m_nId, 2002);
    EXPECT_EQ(kThirdKey.m_strName, "Third");
    const ui::SkinItemKey copy = kSecondKey;
    EXPECT_EQ(copy.m_nId, 2001);
    EXPECT_EQ(copy.m_strName, "Second");
}

// ---- nothing reaches a deleted item ----

enum class Role { Capture, Hot, Focus, Tooltip, CaptionButton };

TEST_F(SkinWindowTest, ReplacedOrDeletedItemsAreNeverCalledAgain)
{
    const struct {
        const char* name;
        Role role;
    } roles[] = {
        {"capture", Role::Capture},   {"hot", Role::Hot},
        {"focus", Role::Focus},       {"tooltip", Role::Tooltip},
        {"caption button", Role::CaptionButton},
    };
    for (const auto& role : roles) {
        for (const bool replace : {true, false}) {
            SCOPED_TRACE(std::string(role.name) + (replace ? " replaced" : " deleted"));
            CTestWindow window;
            ui::SkinDefinition definition;
            window.LoadSkin(definition, "TestWindow.txt", "Base", true);
            CProbeItem* victim = window.AddProbe(7, {40, 60, 140, 120}, kRed);
            window.AddProbe(8, {160, 60, 260, 120}, kGreen);
            window.Create(0, nullptr, "skin_window_test", WS_POPUP, 0, 0, 320, 200);
            HWND hwnd = window.GetHwnd();
            HWND tip = window.GetTooltipWindow();
            auto send = [&](UINT message, WPARAM wParam, LPARAM lParam) {
                return ::SendMessageA(hwnd, message, wParam, lParam);
            };
            switch (role.role) {
            case Role::Capture:
                send(WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(50, 70));
                ASSERT_EQ(window.GetCaptureItem(), victim);
                break;
            case Role::Hot:
                send(WM_MOUSEMOVE, 0, ClientPoint(50, 70));
                ASSERT_EQ(window.GetHotItem(), victim);
                break;
            case Role::Focus:
                victim->m_bTakePress = false;
                send(WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(50, 70));
                send(WM_LBUTTONUP, 0, ClientPoint(50, 70));
                send(WM_MOUSEMOVE, 0, ClientPoint(300, 190));
                ASSERT_EQ(window.GetFocusItem(), victim);
                break;
            case Role::Tooltip:
                send(WM_MOUSEMOVE, 0, ClientPoint(50, 70));
                ASSERT_EQ(window.GetTooltipItem(), victim);
                break;
            case Role::CaptionButton:
                window.SetCloseButton(victim);
                break;
            }
            window.m_vCall.clear();
            if (replace) {
                window.AddItem(window.MakeProbe(7, {40, 60, 140, 120}, kBlue));
                EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 2);
            } else {
                window.DeleteAllItems();
                EXPECT_TRUE(window.GetItems().empty());
                EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
            }
            EXPECT_EQ(window.GetCaptureItem(), nullptr);
            EXPECT_NE(::GetCapture(), hwnd);
            EXPECT_EQ(window.Calls(), role.role == Role::Capture ? "CaptureReleased" : "");
            EXPECT_EQ(window.GetHotItem(), nullptr);
            EXPECT_EQ(window.GetFocusItem(), nullptr);
            EXPECT_EQ(window.GetTooltipItem(), nullptr);

            // Everything that would reach a stale pointer; the trap fails the test.
            send(WM_MOUSEMOVE, 0, ClientPoint(300, 190));
            send(WM_MOUSELEAVE, 0, 0);
            send(WM_LBUTTONUP, 0, ClientPoint(300, 190));
            send(WM_CAPTURECHANGED, 0, 0);
            send(WM_TIMER, ui::kSkinTickTimerId, 0);
            send(WM_ACTIVATE, WA_INACTIVE, 0);
            send(WM_ACTIVATE, WA_ACTIVE, 0);
            send(WM_KEYDOWN, VK_RETURN, 0);
            send(WM_KILLFOCUS, 0, 0);
            AskTip(hwnd, tip, 7);
            window.Accessor()->RedrawRect(0, 0, 320, 200, true);
            send(WM_PAINT, 0, 0);
            window.DestroyWindow();
        }
    }
}

} // namespace
