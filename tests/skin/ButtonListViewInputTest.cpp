// The button list view's input, played as the skin window plays it (the capture taken by a
// press that answers true): presses and releases on cells, headers and buttons, right clicks,
// double clicks, cancels, drags from the drag distance on, separator drags with their limits
// and the fixed column's separator, the pushed look following the mouse, the hover part with
// its tooltip, and UpdateRow dropping a hover whose row went.

#include "lib/StringUtility.h"
#include "skin/ButtonListView.h"
#include "tests/skin/ButtonListViewTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using lib::FormatString;
using listtest::CListFixture;
using listtest::ListBlock;
using listtest::RowButton;
using listtest::RowColumn;
using listtest::Text;
using listtest::Widths;

namespace {

// Buttons 101 (0..16) on the left and 103 (168..184), 104 (184..200) on the right; cells
// 16..76, 76..126, 126..168; four rows from y 18, 20 high; the header 18 high, its columns
// clickable. Row 0's first cell has icon 0 (6 wide).
TEST(ButtonListViewInputTest, PressesAndReleases)
{
    const struct {
        const char* name;
        const char* script;
        const char* heard;
        const char* pressed;   // the part shown pushed afterwards
        bool captured;         // the window holds the capture afterwards
    } cases[] = {
        {"cell, released on it", "down 30 25; up 40 30", "press 0 3 0 0|click 0 3 0 0",
         "-1 0 -1", false},
        {"cell, released on another row", "down 30 25; up 30 45", "press 0 3 0 0", "-1 0 -1",
         false},
        {"cell, released on another column", "down 30 25; up 90 25", "press 0 3 0 0",
         "-1 0 -1", false},
        {"cell, held", "down 30 25", "press 0 3 0 0", "-1 0 -1", true},
        {"on the icon", "down 21 25; up 17 25", "press 0 3 0 1|click 0 3 0 1", "-1 0 -1", false},
        {"just after the icon", "down 22 25; up 22 25", "press 0 3 0 0|click 0 3 0 0",
         "-1 0 -1", false},
        {"separator", "down 76 25; up 75 25", "press 0 4 -1 0|click 0 4 0 0", "-1 0 -1", false},
        {"separator with no row", "down 76 110; up 76 110", "click -1 4 0 0", "-1 0 -1", false},
        {"header", "down 30 5; up 35 8", "header 0", "-1 0 -1", false},
        {"header, held", "down 30 5", "", "0 1 0", true},
        {"header, released on another", "down 30 5; up 100 5", "", "-1 0 -1", false},
        {"header, mouse out", "down 30 5; move 100 5", "", "-1 0 -1", true},
        {"header, mouse out and back", "down 30 5; move 100 5; move 40 10", "", "0 1 0", true},
        {"button", "down 5 25; up 8 30", "press 0 2 -1 0|button 0 101", "-1 0 -1", false},
        {"button, held", "down 5 25", "press 0 2 -1 0", "0 2 0", true},
        {"button, mouse out", "down 5 25; move 50 25", "press 0 2 -1 0", "-1 0 -1", true},
        {"button, mouse onto the same button of another row", "down 5 25; move 5 45",
         "press 0 2 -1 0", "-1 0 -1", true},
        {"button, out and back in", "down 5 25; move 50 25; move 6 26; up 6 26",
         "press 0 2 -1 0|button 0 101", "-1 0 -1", false},
        {"button, released on another", "down 5 25; up 190 25", "press 0 2 -1 0", "-1 0 -1",
         false},
        {"button, released on another row", "down 5 25; up 5 45", "press 0 2 -1 0", "-1 0 -1",
         false},
        {"right button", "down 188 65; up 188 65", "press 2 2 -1 0|button 2 104", "-1 0 -1",
         false},
        {"nothing", "down 30 110; up 30 110", "", "-1 0 -1", false},
        {"right click", "rdown 90 45; rup 95 50", "right 1 3 1 0", "-1 0 -1", false},
        {"right click on the icon", "rdown 19 25; rup 19 25", "right 0 3 0 1", "-1 0 -1", false},
        {"right, released on another cell", "rdown 90 45; rup 90 65", "", "-1 0 -1", false},
        {"right, on a header", "rdown 30 5; rup 30 5", "", "-1 0 -1", false},
        {"right, on a button", "rdown 5 25; rup 5 25", "", "-1 0 -1", false},
        {"right, on a separator", "rdown 76 25; rup 76 25", "", "-1 0 -1", false},
        {"disabled", "disable; down 30 25; up 30 25; down 5 25; rdown 30 25; dbl 30 25", "",
         "-1 0 -1", false},
        {"disabled while held", "down 5 25; disable; up 5 25", "press 0 2 -1 0", "-1 0 -1",
         false},
        {"cancel", "down 5 25; cancel", "press 0 2 -1 0", "-1 0 -1", false},
        {"cancel, then a release", "down 30 25; cancel; up 30 25", "press 0 3 0 0", "-1 0 -1",
         false},
        {"right cancel", "rdown 30 25; cancel; rup 30 25", "", "-1 0 -1", false},
        // A double click comes after a press and a release.
        {"double click on a cell", "down 30 25; up 30 25; dbl 30 25; up 30 25",
         "press 0 3 0 0|click 0 3 0 0|double 0 3 0 0", "-1 0 -1", false},
        {"double click on the icon", "dbl 20 25", "double 0 3 0 1", "-1 0 -1", false},
        {"double click on a separator", "dbl 76 25; up 76 25", "double 0 4 0 0", "-1 0 -1",
         false},
        {"double click on a separator with no row", "dbl 76 110", "", "-1 0 -1", false},
        {"double click on a header", "down 30 5; up 30 5; dbl 30 5", "header 0", "0 1 0", true},
        {"double click on a header, released", "down 30 5; up 30 5; dbl 30 5; up 30 5",
         "header 0|header 0", "-1 0 -1", false},
        {"double click on a header, released outside", "dbl 30 5; up 30 300", "", "-1 0 -1",
         false},
        {"double click on a button", "down 5 25; up 5 25; dbl 5 25; up 5 25",
         "press 0 2 -1 0|button 0 101|press 0 2 -1 0|button 0 101", "-1 0 -1", false},
        {"double click on nothing", "dbl 30 110", "", "-1 0 -1", false},
    };
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build();
        f.AddTestButtons();
        f.m_table.m_mapCellIcon[RowColumn(0, 0)] = 0;
        f.Play(c.script);
        EXPECT_EQ(f.m_listener.Take(), c.heard) << c.name;
        EXPECT_EQ(Text(list.GetPressedPart()), c.pressed) << c.name;
        EXPECT_EQ(f.m_window.m_pCaptureItem != nullptr, c.captured) << c.name;
        if (!c.captured) {
            EXPECT_EQ(Text(list.GetPressPart()), "-1 0 -1") << c.name;
        }
        EXPECT_FALSE(list.IsDragStarted()) << c.name;
    }
}

TEST(ButtonListViewInputTest, AHeaderThatIsNotClickableTakesNoPress)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build(ListBlock(), {}, true);
    list.ShowHeader(true);
    list.AddColumn("名前", DT_LEFT, 100, true, false, false, DT_SINGLELINE);
    list.AddColumn("種類", DT_LEFT, 100, true, true, false, DT_SINGLELINE);
    list.SetTable(&f.m_table);
    EXPECT_FALSE(list.OnLButtonDown(30, 5));
    EXPECT_EQ(Text(list.GetPressedPart()), "-1 0 -1");
    EXPECT_FALSE(list.OnLButtonDblClk(30, 5)) << "a double click is a press too";
    f.Play("down 30 5; up 30 5; down 150 5; up 150 5");
    EXPECT_EQ(f.m_listener.Take(), "header 1");
}

TEST(ButtonListViewInputTest, ADragStartsBeyondTheDragDistanceOnce)
{
    // The distance is the user's, read on every move.
    const int distance = ::GetProfileIntA("windows", "DragMinDist", 2);
    ASSERT_GE(distance, 1);
    const int d = distance;
    const struct {
        const char* name;
        std::string script;
        std::string heard;
    } cases[] = {
        {"at the distance", FormatString("down 30 25; move %d 25; move 30 %d", 30 + d, 25 - d),
         "press 0 3 0 0"},
        {"one pixel beyond", FormatString("down 30 25; move %d 25; move 40 60; move 90 70",
                                          31 + d),
         FormatString("press 0 3 0 0|drag %d 25 0 0", 31 + d)},
        {"dropped on another cell", FormatString("down 30 25; move %d 25; up 90 70", 31 + d),
         FormatString("press 0 3 0 0|drag %d 25 0 0|drop 110 110 0", 31 + d)},
        {"dropped on its own cell", FormatString("down 30 25; move 30 %d; up 30 %d", 26 + d, 26 + d),
         FormatString("press 0 3 0 0|drag 30 %d 0 0|click 0 3 0 0|drop 50 %d 0", 26 + d,
                      66 + d)},
        {"dropped outside the list", FormatString("down 30 45; move -40 45; up -40 300"),
         "press 1 3 0 0|drag -40 45 1 0|drop -20 340 1"},
        {"cancelled", FormatString("down 30 25; move 60 60; cancel; up 60 60"),
         "press 0 3 0 0|drag 60 60 0 0"},
        {"a right press does not drag", "rdown 30 25; move 90 90; rup 90 90", ""},
        {"a button press does not drag", "down 5 25; move 90 90; up 90 90", "press 0 2 -1 0"},
    };
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build();
        f.AddTestButtons();
        f.Play(c.script);
        EXPECT_EQ(f.m_listener.Take(), c.heard) << c.name;
        f.Play("up 0 0");
        EXPECT_FALSE(list.IsDragStarted()) << c.name;
    }
}

TEST(ButtonListViewInputTest, TheDragDistanceIsReadOnEveryMove)
{
    char saved[32] = {};
    const DWORD had = ::GetProfileStringA("windows", "DragMinDist", "", saved, sizeof saved);
    ASSERT_TRUE(::WriteProfileStringA("windows", "DragMinDist", "6"));
    CListFixture f;
    f.Build();
    f.Play("down 30 25; move 36 25");
    EXPECT_EQ(f.m_listener.Take(), "press 0 3 0 0");
    ::WriteProfileStringA("windows", "DragMinDist", "3");
    f.Play("move 34 25");
    EXPECT_EQ(f.m_listener.Take(), "drag 34 25 0 0");
    f.Play("up 34 25");
    ::WriteProfileStringA("windows", "DragMinDist", had > 0 ? saved : nullptr);
}

TEST(ButtonListViewInputTest, SeparatorDragsAndTheirLimits)
{
    const struct {
        const char* name;
        bool buttons;
        int width;            // of the list
        std::vector<CListFixture::ColumnSpec> columns;
        const char* script;
        const char* widths;
        const char* heard;
    } cases[] = {
        {"wider", false, 200, {{60, false}, {50, false}}, "down 60 25; move 80 25",
         "80 50", "press 0 4 -1 0|layout"},
        {"from one pixel left of the edge", false, 200, {{60, false}, {50, false}},
         "down 59 25; move 70 25", "71 50", "press 0 4 -1 0|layout"},
        {"narrower, to the minimum", false, 200, {{60, false}, {50, false}},
         "down 60 25; move 10 25", "50 50", "press 0 4 -1 0|layout"},
        {"to the far right", false, 200, {{60, false}, {50, false}}, "down 60 25; move 400 25",
         "150 50", "press 0 4 -1 0|layout"},
        {"past the left buttons", true, 200, {{60, false}, {50, false}},
         "down 76 25; move 0 25", "50 50", "press 0 4 -1 0|layout"},
        {"the second column", false, 200, {{60, false}, {50, false}, {40, false}},
         "down 110 25; move 130 25", "60 70 50", "press 0 4 -1 0|layout"},
        {"every move tells", false, 200, {{60, false}, {50, false}},
         "down 60 25; move 70 25; move 90 25; up 90 25", "90 50",
         "press 0 4 -1 0|layout|layout|click 0 4 0 0"},
        {"in the header row", false, 200, {{60, false}, {50, false}},
         "down 60 5; move 90 5; up 90 5", "90 50", "layout|click -1 4 0 0"},
        // Too narrow for both limits: the lower one wins.
        {"limits crossed", false, 90, {{40, false}, {50, false}}, "down 40 25; move 45 25",
         "50 50", "press 0 4 -1 0|layout"},
        // A fixed column's separator is held and clicked, but its moves resize nothing.
        {"fixed column", false, 200, {{60, true}, {50, false}},
         "down 60 25; move 90 25; move 20 25; up 60 25", "60 50",
         "press 0 4 -1 0|click 0 4 0 0"},
    };
    for (const auto& c : cases) {
        ui::SkinBlock block = ListBlock();
        block.m_mapKeyword["Size"] = {std::to_string(c.width), "120"};
        CListFixture f;
        ui::CButtonListView& list = f.Build(block, c.columns);
        if (c.buttons) f.AddTestButtons();
        f.Play(c.script);
        EXPECT_EQ(Widths(list), c.widths) << c.name;
        EXPECT_EQ(f.m_listener.Take(), c.heard) << c.name;
    }
}

TEST(ButtonListViewInputTest, SeparatorDragsRedrawTheWholeList)
{
    CListFixture f;
    f.Build();
    f.Play("down 60 25");
    f.m_window.Clear();
    f.Play("move 70 25");
    EXPECT_EQ(f.m_window.Take(), "Redraw 20 40 220 160 0");
}

TEST(ButtonListViewInputTest, TheHoveredPartGivesTheTooltip)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    f.AddTestButtons();
    const struct {
        const char* name;
        const char* script;
        const char* hover;
        const char* tip;
        const char* area;    // the tool rectangle, client coordinates
        bool told;           // the window's SetTooltip was called
    } steps[] = {
        {"a cell", "move 30 25", "0 3 0", "cell 0 0", "36 58 96 78", true},
        {"the same cell", "move 40 30", "0 3 0", "cell 0 0", "36 58 96 78", false},
        {"another cell", "move 90 45", "1 3 1", "cell 1 1", "96 78 146 98", true},
        {"a header", "move 30 5", "0 1 0", "header 0", "20 40 96 58", true},
        {"a separator", "move 76 25", "0 4 0", "", "0 0 0 0", true},
        {"a button that is off", "move 5 25", "0 2 0", "オフです", "20 58 36 78", true},
        {"a toggle button that is on", "move 170 65", "2 2 2", "オンです", "188 98 204 118",
         true},
        {"a row beyond the count", "move 30 110", "-1 0 -1", "", "0 0 0 0", true},
        {"back to a cell", "move 100 65", "2 3 1", "cell 2 1", "96 98 146 118", true},
        {"away", "leave", "-1 0 -1", "", "0 0 0 0", true},
    };
    f.m_table.m_setOn.insert(RowButton(2, 103));
    for (const auto& s : steps) {
        f.m_window.m_nTooltips = 0;
        f.Play(s.script);
        EXPECT_EQ(Text(list.GetHoverPart()), s.hover) << s.name;
        EXPECT_EQ(list.GetTooltipText(), s.tip) << s.name;
        EXPECT_EQ(Text(list.GetToolInfo().rect), s.area) << s.name;
        EXPECT_EQ(f.m_window.m_nTooltips, s.told ? 1 : 0) << s.name;
    }
}

TEST(ButtonListViewInputTest, ButtonTipsByLabel)
{
    const struct {
        const char* name;
        int32_t recordLabel;
        int32_t tableLabel;
        bool on;
        const char* adjust;
        const char* tip;
    } cases[] = {
        {"off", 0, 9, false, "", "オフです"},
        {"on", 0, 9, true, "", "オンです"},
        {"adjusted by the table", 0, 9, true, "（選択中）", "オンです（選択中）"},
        {"the table's label", -1, 0, false, "", "オフです"},
        {"a label the skin lacks", 1, 0, false, "", ""},
        {"the table's label, which the skin lacks", -1, 1, true, "", ""},
        {"a label below zero", -2, 0, true, "", ""},
        {"the table fills in", -1, -5, true, "手動", "手動"},
    };
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build();
        list.AddButton(c.recordLabel, 201, ui::LIST_SIDE_LEFT, false, true);
        f.m_table.m_nLabel = c.tableLabel;
        f.m_table.m_strAdjust = c.adjust;
        if (c.on) f.m_table.m_setOn.insert(RowButton(1, 201));
        f.Play("move 5 45");
        EXPECT_EQ(list.GetTooltipText(), c.tip) << c.name;
    }
}

TEST(ButtonListViewInputTest, MovesWhilePressedLeaveTheHoverAlone)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    f.Play("move 30 25; down 30 25; move 90 45");
    EXPECT_EQ(Text(list.GetHoverPart()), "0 3 0");
    f.Play("up 90 45; move 90 45");
    EXPECT_EQ(Text(list.GetHoverPart()), "1 3 1");
}

TEST(ButtonListViewInputTest, UpdateRowDropsAVanishedHover)
{
    const struct {
        const char* name;
        bool hasWindow;
        int32_t rows;
        const char* hover;
        const char* tip;
    } cases[] = {
        {"the row went", true, 3, "-1 0 -1", ""},
        {"the row stays", true, 4, "3 3 0", "cell 3 0"},
        {"no window yet", false, 3, "3 3 0", "cell 3 0"},
    };
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build();
        f.Play("move 30 85");
        ASSERT_EQ(Text(list.GetHoverPart()), "3 3 0") << c.name;
        f.m_window.m_bHasWindow = c.hasWindow;
        f.SetRows(c.rows);
        EXPECT_EQ(Text(list.GetHoverPart()), c.hover) << c.name;
        EXPECT_EQ(list.GetTooltipText(), c.tip) << c.name;
    }
}

TEST(ButtonListViewInputTest, UpdateRowRedrawsOnlyAVisibleRow)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    f.SetRows(100);
    const struct {
        int32_t first;
        int32_t row;
        const char* redraw;
    } cases[] = {
        {0, 0, "Redraw 20 58 220 78 0"},
        {0, 5, "Redraw 20 158 220 178 0"},   // partly shown
        {0, 6, ""},
        {10, 9, ""},
        {10, 10, "Redraw 20 58 220 78 0"},
        {10, -1, "Redraw 20 40 220 160 0"},
    };
    for (const auto& c : cases) {
        f.m_pBar->SetPos(c.first);
        f.m_window.m_bHasWindow = false;
        f.m_window.Clear();
        list.UpdateRow(c.row);
        EXPECT_EQ(f.m_window.Take(), c.redraw) << c.first << " " << c.row;
    }
}

TEST(ButtonListViewInputTest, TheCursorOverSeparatorsAndButtons)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    f.AddTestButtons();
    f.m_table.m_setMissingButton.insert(RowButton(1, 101));
    HCURSOR arrow = ::LoadCursor(nullptr, IDC_ARROW);
    HCURSOR hand = ::LoadCursor(nullptr, IDC_HAND);
    const struct {
        const char* name;
        int x;
        int y;
        bool answer;
        HCURSOR cursor;
    } cases[] = {
        {"a separator", 76, 25, true, arrow},    // answered, the cursor left as it is
        {"a button", 5, 25, true, hand},
        {"a button the row lacks", 5, 45, false, arrow},
        {"a cell", 30, 25, false, arrow},
        {"a header", 30, 5, false, arrow},
        {"a button beyond the rows", 5, 110, false, arrow},
    };
    for (const auto& c : cases) {
        ::SetCursor(arrow);
        EXPECT_EQ(list.OnSetCursor(c.x, c.y), c.answer) << c.name;
        EXPECT_EQ(::GetCursor(), c.cursor) << c.name;
    }
}

} // namespace
