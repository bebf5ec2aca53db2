// A button list view on a real skin window (hidden, under Xvfb), built as the launcher's
// windows build theirs: posted presses, clicks and double clicks through the window's capture,
// the scroll bar's notifications handed to the list, a lost capture ending a drag without a
// drop, and the tooltip tool following the hovered part.

#include "skin/ButtonListView.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemScrollBar.h"
#include "tests/skin/ButtonListViewTestSupport.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using listtest::RowColumn;
using listtest::Text;
using skintest::ClientPoint;

namespace {

const int32_t kListId = 7;
const int32_t kBarId = 8;

// Owns a list with its scroll bar and hands the list what the bar reports.
class CListWindow : public ui::CSkinWindow {
public:
    listtest::CListTable m_table;
    listtest::CListListener m_listener;
    ui::CButtonListView* m_pList = nullptr;
    ui::CSkinWindowItemScrollBar* m_pBar = nullptr;

    void Build()
    {
        ui::SkinDefinition definition;
        LoadSkin(definition, "TestListView.txt", "Base", true);
        m_pBar = CreateScrollBar(kBarId, ui::GetSkinBlock(definition, "ListScrollBar"));
        m_pList = new ui::CButtonListView(this, kListId, ui::GetSkinBlock(definition, "List"),
                                          GetImageCache(), m_pBar, &m_listener);
        m_pList->SetFitColumns(true);
        m_pList->ShowHeader(true);
        m_pList->AddColumn("名前", DT_LEFT, 60, true, true, true, DT_VCENTER | DT_SINGLELINE);
        m_pList->AddColumn("空き容量", DT_RIGHT, 50, true, false, true,
                           DT_VCENTER | DT_SINGLELINE);
        m_pList->AddColumn("種類", DT_LEFT, 40, true, false, true, DT_VCENTER | DT_SINGLELINE);
        m_pList->SetTable(&m_table);
        m_pList->RecalcColumns();
        m_pList->SetVisible(true);
        AddItem(m_pList);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_VSCROLL && m_pList != nullptr) m_pList->OnMessage(message, wParam, lParam);
        return ui::CSkinWindow::WindowProc(message, wParam, lParam);
    }
};

struct Input {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class ButtonListViewWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pWindow.reset(new CListWindow);
        const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] { m_pWindow->Build(); });
        ASSERT_TRUE(errors.m_vBox.empty()) << errors.m_vBox.front();
        m_hWnd = m_pWindow->Create(0, nullptr, "skin_listview_test", WS_POPUP, 0, 0, 320, 200);
        ::SetFocus(m_hWnd);
        Pump();
        m_pWindow->m_listener.Take();
    }
    void TearDown() override
    {
        if (m_pWindow->IsWindow()) m_pWindow->DestroyWindow();
        m_pWindow.reset();
    }
    static void Pump() { testsupport::DispatchQueued(true); }
    void Post(const std::vector<Input>& input)
    {
        for (const Input& i : input) ::PostMessageA(m_hWnd, i.message, i.wParam, i.lParam);
        Pump();
    }

    std::unique_ptr<CListWindow> m_pWindow;
    HWND m_hWnd = nullptr;
};

// The list at 20, 40 of the window: its header 40..58, rows from 58, 20 high; columns
// (fitted to 200) 20..130, 130..180, 180..220.
TEST_F(ButtonListViewWindowTest, PostedPressesAndDoubleClicks)
{
    const struct {
        const char* name;
        std::vector<Input> input;
        const char* heard;
    } cases[] = {
        {"a click on a cell",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(60, 65)}, {WM_LBUTTONUP, 0, ClientPoint(62, 66)}},
         "press 0 3 0 0|click 0 3 0 0"},
        {"released on another row",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(60, 65)},
          {WM_LBUTTONUP, 0, ClientPoint(60, 105)}},
         "press 0 3 0 0"},
        {"a double click on a cell",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(150, 85)},
          {WM_LBUTTONUP, 0, ClientPoint(150, 85)},
          {WM_LBUTTONDBLCLK, MK_LBUTTON, ClientPoint(150, 85)},
          {WM_LBUTTONUP, 0, ClientPoint(150, 85)}},
         "press 1 3 1 0|click 1 3 1 0|double 1 3 1 0"},
        {"a double click on a clickable header",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(60, 45)},
          {WM_LBUTTONUP, 0, ClientPoint(60, 45)},
          {WM_LBUTTONDBLCLK, MK_LBUTTON, ClientPoint(60, 45)},
          {WM_LBUTTONUP, 0, ClientPoint(60, 45)}},
         "header 0|header 0"},
        {"a double click on a header released outside",
         {{WM_LBUTTONDBLCLK, MK_LBUTTON, ClientPoint(60, 45)},
          {WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(300, 190)},
          {WM_LBUTTONUP, 0, ClientPoint(300, 190)}},
         ""},
        {"a header that is not clickable",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(150, 45)},
          {WM_LBUTTONUP, 0, ClientPoint(150, 45)}},
         ""},
        {"a right click",
         {{WM_RBUTTONDOWN, MK_RBUTTON, ClientPoint(200, 65)},
          {WM_RBUTTONUP, 0, ClientPoint(201, 66)}},
         "right 0 3 2 0"},
        {"a drag released outside the window",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(60, 65)},
          {WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(60, 105)},
          {WM_LBUTTONUP, 0, ClientPoint(400, 300)}},
         "press 0 3 0 0|drag 40 65 0 0|drop 400 300 0"},
        {"a drag whose window is deactivated",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(60, 65)},
          {WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(60, 105)},
          {WM_ACTIVATE, WA_INACTIVE, 0},
          {WM_LBUTTONUP, 0, ClientPoint(60, 105)}},
         "press 0 3 0 0|drag 40 65 0 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Post(c.input);
        EXPECT_EQ(m_pWindow->m_listener.Take(), c.heard);
        EXPECT_EQ(m_pWindow->GetCaptureItem(), nullptr);
        EXPECT_NE(::GetCapture(), m_hWnd);
        EXPECT_FALSE(m_pWindow->m_pList->GetPressedPart().IsValid());
        EXPECT_FALSE(m_pWindow->m_pList->IsDragStarted());
        ::SendMessageA(m_hWnd, WM_ACTIVATE, WA_ACTIVE, 0);
    }
}

TEST_F(ButtonListViewWindowTest, TheHeaderDoubleClickHoldsTheCaptureUntilTheRelease)
{
    Post({{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(60, 45)},
          {WM_LBUTTONUP, 0, ClientPoint(60, 45)},
          {WM_LBUTTONDBLCLK, MK_LBUTTON, ClientPoint(60, 45)}});
    EXPECT_EQ(m_pWindow->GetCaptureItem(), m_pWindow->m_pList);
    EXPECT_EQ(::GetCapture(), m_hWnd);
    EXPECT_TRUE(m_pWindow->m_pList->GetPressedPart().IsValid());
    Post({{WM_LBUTTONUP, 0, ClientPoint(60, 45)}});
    EXPECT_EQ(m_pWindow->GetCaptureItem(), nullptr);
    // A double click on a cell takes none.
    Post({{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(60, 65)},
          {WM_LBUTTONUP, 0, ClientPoint(60, 65)},
          {WM_LBUTTONDBLCLK, MK_LBUTTON, ClientPoint(60, 65)}});
    EXPECT_EQ(m_pWindow->GetCaptureItem(), nullptr);
    EXPECT_EQ(m_pWindow->m_listener.Take(),
              "header 0|header 0|press 0 3 0 0|click 0 3 0 0|double 0 3 0 0");
}

TEST_F(ButtonListViewWindowTest, TheScrollBarScrollsTheList)
{
    m_pWindow->m_table.m_nRows = 40;
    m_pWindow->m_pList->UpdateRow(-1);
    EXPECT_EQ(m_pWindow->m_pBar->GetMaxPos(), 35);
    // The bar's down button: its bottom 8 pixels at 220..230, 152..160.
    Post({{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(225, 155)},
          {WM_LBUTTONUP, 0, ClientPoint(225, 155)}});
    EXPECT_EQ(m_pWindow->m_pList->GetFirstVisibleRow(), 1);
    ui::ScrollItemBy(100, m_pWindow->m_pList, m_pWindow->m_pBar);
    EXPECT_EQ(m_pWindow->m_pList->GetFirstVisibleRow(), 35);
    EXPECT_EQ(m_pWindow->m_pBar->GetPos(), 35);
    // The rows under the mouse follow.
    Post({{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(60, 65)}, {WM_LBUTTONUP, 0, ClientPoint(60, 65)}});
    EXPECT_EQ(m_pWindow->m_listener.Take(), "press 35 3 0 0|click 35 3 0 0");
}

TEST_F(ButtonListViewWindowTest, TheToolFollowsTheHoveredPart)
{
    HWND tip = m_pWindow->GetTooltipWindow();
    ASSERT_NE(tip, nullptr);
    auto toolRect = [&] {
        TTTOOLINFOA tool = {};
        tool.cbSize = sizeof tool;
        tool.hwnd = m_hWnd;
        tool.uId = kListId;
        EXPECT_TRUE(::SendMessageA(tip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)));
        return Text(tool.rect);
    };
    auto askTip = [&] {
        NMTTDISPINFOA info = {};
        info.hdr.hwndFrom = tip;
        info.hdr.idFrom = kListId;
        info.hdr.code = TTN_GETDISPINFOA;
        ::SendMessageA(m_hWnd, WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&info));
        return std::string(info.lpszText);
    };
    EXPECT_EQ(toolRect(), "20 40 220 160");
    const struct {
        int x;
        int y;
        const char* rect;
        const char* tip;
    } cases[] = {
        {60, 65, "20 58 130 78", "cell 0 0"},
        {150, 85, "130 78 180 98", "cell 1 1"},
        {150, 45, "130 40 180 58", "header 1"},
        {60, 150, "0 0 0 0", ""},   // below the rows
    };
    for (const auto& c : cases) {
        ::SendMessageA(m_hWnd, WM_MOUSEMOVE, 0, ClientPoint(c.x, c.y));
        EXPECT_EQ(toolRect(), c.rect) << c.x << ", " << c.y;
        EXPECT_EQ(askTip(), c.tip) << c.x << ", " << c.y;
    }
    // Rebuilding the window's tools gives the tool its whole item again.
    m_pWindow->RefreshTooltips();
    EXPECT_EQ(toolRect(), "20 40 220 160");
}

TEST_F(ButtonListViewWindowTest, TheWindowShowsTheList)
{
    m_pWindow->m_table.m_nRows = 2;
    m_pWindow->m_table.m_mapText[RowColumn(0, 0)] = "■■■";
    m_pWindow->m_pList->UpdateRow(-1);
    lib::wfc::CDIB* buffer = m_pWindow->GetBackBuffer();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(skintest::PixelAt(*buffer, 20, 41), RGB(0x40, 0x40, 0x10));   // header
    EXPECT_EQ(skintest::PixelAt(*buffer, 20, 60), RGB(0x40, 0x10, 0x10));   // row 0
    EXPECT_EQ(skintest::PixelAt(*buffer, 20, 80), RGB(0x10, 0x40, 0x10));   // row 1
    EXPECT_EQ(skintest::PixelAt(*buffer, 20, 100), RGB(0x40, 0x10, 0x10));  // beyond the rows
    bool inked = false;
    for (int x = 28; x < 122 && !inked; ++x) {
        for (int y = 58; y < 78 && !inked; ++y) inked = skintest::PixelAt(*buffer, x, y) == RGB(0, 0, 0xFF);
    }
    EXPECT_TRUE(inked);
}

} // namespace
