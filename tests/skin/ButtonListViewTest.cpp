// The button list view's model: where its rows, cells, separators, headers and buttons lie,
// how many rows show, its scroll range and every scroll command, the column fitting with and
// without the fit flag over fixed and free columns, the hit test at every edge, and its skin
// block with the indexed keys and the counts it must not trust.

#include "lib/StringUtility.h"
#include "skin/ButtonListView.h"
#include "skin/SkinKeywordTable.h"
#include "skin/SkinValue.h"
#include "tests/skin/ButtonListViewTestSupport.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using lib::FormatString;
using listtest::CListFixture;
using listtest::ListBlock;
using listtest::Text;
using listtest::Widths;

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("skin_listview_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("skin_listview_test"));

const int32_t kNothing = ui::LIST_PART_NONE;
const int32_t kHeader = ui::LIST_PART_HEADER;
const int32_t kButton = ui::LIST_PART_BUTTON;
const int32_t kCell = ui::LIST_PART_CELL;
const int32_t kSeparator = ui::LIST_PART_SEPARATOR;

// The list block with its size changed.
ui::SkinBlock SizedBlock(int width, int height)
{
    ui::SkinBlock block = ListBlock();
    block.m_mapKeyword["Size"] = {std::to_string(width), std::to_string(height)};
    return block;
}

// ---- geometry ----

TEST(ButtonListViewGeometryTest, RectanglesWithAndWithoutHeaderAndButtons)
{
    // Columns 60, 50, 40 on a list 200 wide; rows 20, header 18; buttons 16 wide: one visible
    // and one hidden on the left, two on the right.
    const struct {
        const char* name;
        bool header;
        bool buttons;
        int32_t first;   // first visible row
        const char* row0;
        const char* row2;
        const char* cells;        // columns 0, 1, 2 of row 0
        const char* separators;   // columns 0, 1, 2 of row 0
        const char* headers;      // columns 0, 1, 2
        const char* buttonRects;  // buttons 0 .. 3 of row 0
    } cases[] = {
        {"header", true, false, 0, "0 18 200 38", "0 58 200 78",
         "0 18 60 38|60 18 110 38|110 18 200 38", "60 18 60 38|110 18 110 38|200 18 200 38",
         "0 0 60 18|60 0 110 18|110 0 200 18", ""},
        {"no header", false, false, 0, "0 0 200 20", "0 40 200 60",
         "0 0 60 20|60 0 110 20|110 0 200 20", "60 0 60 20|110 0 110 20|200 0 200 20",
         "0 0 60 0|60 0 110 0|110 0 200 0", ""},
        {"scrolled", true, false, 2, "0 -22 200 -2", "0 18 200 38",
         "0 -22 60 -2|60 -22 110 -2|110 -22 200 -2",
         "60 -22 60 -2|110 -22 110 -2|200 -22 200 -2", "0 0 60 18|60 0 110 18|110 0 200 18",
         ""},
        {"buttons", true, true, 0, "0 18 200 38", "0 58 200 78",
         "16 18 76 38|76 18 126 38|126 18 168 38", "76 18 76 38|126 18 126 38|168 18 168 38",
         "0 0 76 18|76 0 126 18|126 0 200 18",
         "0 18 16 38|16 18 16 38|168 18 184 38|184 18 200 38"},
    };
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build();
        f.m_table.m_nRows = 20;
        if (c.buttons) f.AddTestButtons();
        list.ShowHeader(c.header);
        list.UpdateRow(-1);
        f.m_pBar->SetPos(c.first);
        EXPECT_EQ(list.GetFirstVisibleRow(), c.first) << c.name;
        EXPECT_EQ(Text(list.GetRowRect(0)), c.row0) << c.name;
        EXPECT_EQ(Text(list.GetRowRect(2)), c.row2) << c.name;
        std::string cells, separators, headers, buttons;
        for (int32_t i = 0; i < 3; ++i) {
            cells += (i ? "|" : "") + Text(list.GetCellRect(0, i));
            separators += (i ? "|" : "") + Text(list.GetSeparatorRect(0, i));
            headers += (i ? "|" : "") + Text(list.GetHeaderRect(i));
        }
        for (int32_t b = 0; b < static_cast<int32_t>(list.GetButtons().size()); ++b) {
            buttons += (b ? "|" : "") + Text(list.GetButtonRect(0, b));
        }
        EXPECT_EQ(cells, c.cells) << c.name;
        EXPECT_EQ(separators, c.separators) << c.name;
        EXPECT_EQ(headers, c.headers) << c.name;
        EXPECT_EQ(buttons, c.buttonRects) << c.name;
        EXPECT_EQ(list.GetButtonGroupWidth(ui::LIST_SIDE_LEFT), c.buttons ? 16 : 0) << c.name;
        EXPECT_EQ(list.GetButtonGroupWidth(ui::LIST_SIDE_RIGHT), c.buttons ? 32 : 0) << c.name;
    }
}

TEST(ButtonListViewGeometryTest, ACellReachingTheRightButtonsEndsThere)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build(ListBlock(), {{120, true}, {90, true}, {40, true}});
    f.AddTestButtons();
    // Column 1 would end at 16 + 120 + 90 = 226, past the right buttons at 168.
    EXPECT_EQ(Text(list.GetCellRect(0, 1)), "136 18 168 38");
    EXPECT_EQ(Text(list.GetSeparatorRect(0, 1)), "168 18 168 38");
    EXPECT_EQ(Text(list.GetCellRect(0, 2)), "226 18 168 38");
}

TEST(ButtonListViewGeometryTest, VisibleAndFullRowCounts)
{
    const struct {
        int height;
        bool header;
        int32_t visible;
        int32_t full;
    } cases[] = {
        {120, true, 6, 5},   // 102 below the header: five whole rows and a part
        {120, false, 6, 6},
        {121, false, 7, 6},
        {119, false, 6, 5},
        {1, false, 1, 0},
        {0, false, 0, 0},
        {18, true, 0, 0},
        {10, true, 0, 0},    // shorter than the header
    };
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build(SizedBlock(200, c.height));
        list.ShowHeader(c.header);
        EXPECT_EQ(list.GetVisibleRowCount(), c.visible) << c.height << " " << c.header;
        EXPECT_EQ(list.GetFullRowCount(), c.full) << c.height << " " << c.header;
    }
}

TEST(ButtonListViewGeometryTest, RowsUnderAPointStopAtTheRowCount)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    f.SetRows(4);
    const struct {
        int32_t y;
        int32_t row;
    } cases[] = {{0, -1}, {17, -1}, {18, 0}, {37, 0}, {38, 1}, {97, 3}, {98, -1}, {119, -1},
                 {500, -1}, {-5, -1}};
    for (const auto& c : cases) EXPECT_EQ(list.GetRowAt(c.y), c.row) << c.y;

    f.SetRows(30);
    f.m_pBar->SetPos(10);
    // Six rows show from row 10; the partly shown sixth counts.
    EXPECT_EQ(list.GetRowAt(18), 10);
    EXPECT_EQ(list.GetRowAt(119), 15);
}

// ---- scrolling ----

TEST(ButtonListViewScrollTest, TheRangeFollowsTheRowsAndThePage)
{
    const struct {
        int32_t rows;
        bool header;
        int32_t maxPos;
        int32_t page;
    } cases[] = {
        {0, true, 0, 5},
        {5, true, 0, 5},     // the rows fit
        {6, true, 1, 5},
        {100, true, 95, 5},
        {100, false, 94, 6},
    };
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build();
        f.m_table.m_nRows = c.rows;
        list.ShowHeader(c.header);
        list.UpdateRow(-1);
        int32_t maxPos = -1;
        int32_t page = -1;
        f.m_pBar->GetRange(&maxPos, &page);
        EXPECT_EQ(maxPos, c.maxPos) << c.rows << " " << c.header;
        EXPECT_EQ(page, c.page) << c.rows << " " << c.header;
    }
}

TEST(ButtonListViewScrollTest, EveryCommandStaysInsideTheRange)
{
    // 100 rows, five whole rows a page: positions 0 to 95.
    const struct {
        const char* name;
        int32_t from;
        WORD code;
        int32_t value;
        int32_t to;
    } cases[] = {
        {"line up", 10, SB_LINEUP, 0, 9},
        {"line up at the top", 0, SB_LINEUP, 0, 0},
        {"line down", 10, SB_LINEDOWN, 0, 11},
        {"line down at the end", 95, SB_LINEDOWN, 0, 95},
        {"page up", 10, SB_PAGEUP, 0, 5},
        {"page up near the top", 3, SB_PAGEUP, 0, 0},
        {"page down", 10, SB_PAGEDOWN, 0, 15},
        {"page down near the end", 93, SB_PAGEDOWN, 0, 95},
        {"thumb position", 10, SB_THUMBPOSITION, 40, 40},
        {"thumb track", 10, SB_THUMBTRACK, 41, 41},
        {"thumb beyond the end", 10, SB_THUMBTRACK, 200, 95},
        {"thumb before the start", 10, SB_THUMBPOSITION, -5, 0},
        {"top", 50, SB_TOP, 0, 0},
        {"bottom", 0, SB_BOTTOM, 0, 95},
        {"end of scrolling", 10, SB_ENDSCROLL, 0, 10},
    };
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build();
        f.SetRows(100);
        f.m_pBar->SetPos(c.from);
        f.m_window.Clear();
        EXPECT_EQ(list.OnMessage(WM_VSCROLL, MAKEWPARAM(c.code, 0), c.value), 0) << c.name;
        EXPECT_EQ(f.m_pBar->GetPos(), c.to) << c.name;
        EXPECT_EQ(list.GetFirstVisibleRow(), c.to) << c.name;
        // A change redraws the whole list at once (and the bar); no change redraws nothing.
        const std::string calls = f.m_window.Take();
        EXPECT_EQ(calls.find("Redraw 20 40 220 160 1") != std::string::npos, c.from != c.to)
            << c.name << ": " << calls;
        if (c.from == c.to) {
            EXPECT_EQ(calls, "") << c.name;
        }
    }
}

TEST(ButtonListViewScrollTest, RowsThatFitKeepTheTop)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    f.SetRows(5);
    f.m_window.Clear();
    list.OnMessage(WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    list.OnMessage(WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    EXPECT_EQ(list.GetFirstVisibleRow(), 0);
    EXPECT_EQ(f.m_window.Take(), "");
}

TEST(ButtonListViewScrollTest, ScrollItemByMovesAsTheBarWould)
{
    const struct {
        int32_t from;
        int32_t lines;
        int32_t to;
    } cases[] = {{10, 3, 13}, {10, -3, 7}, {10, -20, 0}, {10, 1000, 95}, {95, 1, 95},
                 {0, INT32_MIN, 0}, {90, INT32_MAX, 95}};
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build();
        f.SetRows(100);
        f.m_pBar->SetPos(c.from);
        ui::ScrollItemBy(c.lines, &list, f.m_pBar.get());
        EXPECT_EQ(list.GetFirstVisibleRow(), c.to) << c.from << " " << c.lines;
    }
}

TEST(ButtonListViewScrollTest, TheBarsOwnNotificationsScrollTheList)
{
    // The fixture's window hands the list what its bar sends, as the launcher's windows do.
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    f.SetRows(100);
    // The bar's down button lies at its bottom 8 pixels.
    f.m_pBar->OnLButtonDown(5, 115);
    f.m_pBar->OnLButtonUp(5, 115);
    EXPECT_EQ(list.GetFirstVisibleRow(), 1);
    // The track below the thumb pages down.
    f.m_pBar->OnLButtonDown(5, 100);
    f.m_pBar->OnLButtonUp(5, 100);
    EXPECT_EQ(list.GetFirstVisibleRow(), 6);
}

// ---- column fitting ----

struct FitCase {
    const char* name;
    bool fit;
    std::vector<CListFixture::ColumnSpec> columns;
    std::vector<int> widths;   // list widths, one fitting after another
    std::vector<std::string> expected;
};

TEST(ButtonListViewColumnsTest, FittingOverFixedAndFreeColumns)
{
    const FitCase cases[] = {
        {"fit, room to spare", true, {{60, false}, {50, false}, {50, false}}, {200},
         {"100 50 50"}},
        {"no fit, room to spare", false, {{60, false}, {50, false}, {50, false}}, {200},
         {"60 50 50"}},
        {"fit, the first column gives first", true, {{120, false}, {80, false}, {60, false}},
         {200}, {"60 80 60"}},
        {"fit, every free column down to the minimum", true,
         {{100, false}, {80, false}, {60, false}}, {100}, {"50 50 50"}},
        {"no fit, the last column gives first", false, {{100, false}, {80, false}, {60, false}},
         {200}, {"100 50 50"}},
        {"fixed columns keep their width", true, {{100, false}, {80, true}, {60, false}},
         {150}, {"50 80 50"}},
        {"no fit, a fixed first column stays", false, {{100, true}, {80, false}}, {120},
         {"100 50"}},
        {"free columns raised to the minimum count", true, {{30, false}, {40, true}}, {200},
         {"160 40"}},
        // Every launcher column is fixed and its first one fitted.
        {"widened, then narrowed, then narrower", true, {{192, true}, {80, true}, {160, true}},
         {600, 432, 300, 600}, {"360 80 160", "192 80 160", "192 80 160", "360 80 160"}},
        {"a fitted fixed first column gives back its growth first", true,
         {{100, true}, {60, false}}, {300, 200, 150, 120},
         {"240 60", "140 60", "100 50", "100 50"}},
    };
    for (const FitCase& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build(ListBlock(), c.columns);
        list.SetFitColumns(c.fit);
        for (size_t i = 0; i < c.widths.size(); ++i) {
            list.SetRect(ui::SkinRect{20, 40, 20 + c.widths[i], 160});
            EXPECT_EQ(Widths(list), c.expected[i]) << c.name << " at " << c.widths[i];
        }
    }
}

TEST(ButtonListViewColumnsTest, TheFlagTakesEffectAtTheNextFitting)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build(ListBlock(), {{100, true}, {60, false}});
    list.SetFitColumns(true);
    EXPECT_EQ(Widths(list), "100 60");
    list.RecalcColumns();
    EXPECT_EQ(Widths(list), "140 60");
    // Without the flag a grown fixed column gives its growth back, after the free ones.
    list.SetFitColumns(false);
    list.SetRect(ui::SkinRect{20, 40, 160, 160});
    EXPECT_EQ(Widths(list), "100 50");
}

TEST(ButtonListViewColumnsTest, ButtonsTakeTheirRoomFirst)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build(ListBlock(), {{60, false}, {50, false}});
    f.AddTestButtons();
    list.SetFitColumns(true);
    list.RecalcColumns();
    // 200 less 16 on the left and 32 on the right.
    EXPECT_EQ(Widths(list), "102 50");
    EXPECT_EQ(Text(list.GetCellRect(0, 1)), "118 18 168 38");
}

TEST(ButtonListViewColumnsTest, WithoutATableTheMinimumIsFifty)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build(ListBlock(), {}, true);
    list.AddColumn("a", 0, 30, false, false, false, 0);
    list.AddColumn("b", 0, 90, false, false, false, 0);
    EXPECT_EQ(list.GetMinColumnWidth(), 50);
    list.SetFitColumns(false);
    list.RecalcColumns();
    EXPECT_EQ(Widths(list), "50 90");
    f.m_table.m_nMinWidth = 20;
    list.SetTable(&f.m_table);
    EXPECT_EQ(list.GetMinColumnWidth(), 20);
}

TEST(ButtonListViewColumnsTest, SetRectMovesSizesFitsAndTells)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    f.SetRows(100);
    list.SetFitColumns(true);
    list.SetRect(ui::SkinRect{30, 50, 280, 191});
    EXPECT_EQ(Text(list.GetRect()), "30 50 280 191");
    // The last column was raised to the minimum, 50.
    EXPECT_EQ(Widths(list), "150 50 50");
    // 141 high: 123 below the header, six whole rows.
    EXPECT_EQ(f.m_pBar->GetMaxPos(), 94);
    EXPECT_EQ(f.m_listener.Take(), "layout");
}

// ---- hit test ----

TEST(ButtonListViewHitTest, EveryEdge)
{
    // Buttons: 101 at 0..16 on the left (102 hidden), 103 at 168..184 and 104 at 184..200 on
    // the right; cells 16..76, 76..126, 126..168; four rows from y 18, 20 high.
    const struct {
        int32_t x;
        int32_t y;
        int32_t part;
        int32_t row;
        int32_t index;
    } cases[] = {
        {0, 20, kButton, 0, 0},       // the left button's both edges
        {16, 20, kButton, 0, 0},
        {17, 20, kCell, 0, 0},
        {74, 20, kCell, 0, 0},
        {75, 20, kSeparator, 0, 0},   // the separator, one pixel wider on each side
        {76, 20, kSeparator, 0, 0},
        {77, 20, kCell, 0, 1},
        {125, 57, kSeparator, 1, 1},
        {166, 20, kCell, 0, 2},
        {167, 20, kSeparator, 0, 2},  // the last column's right end
        {168, 20, kButton, 0, 2},     // the buttons are tried first
        {184, 20, kButton, 0, 2},     // on the edge both share, the first one wins
        {185, 20, kButton, 0, 3},
        {199, 97, kButton, 3, 3},
        {170, 40, kNothing, 1, -1},   // the table has no button 103 in row 1
        {30, 5, kHeader, 0, 0},       // the header row
        {75, 5, kSeparator, -1, 0},
        {100, 5, kHeader, 0, 1},
        {5, 5, kHeader, 0, 0},        // the first header spans the left buttons
        {190, 5, kHeader, 0, 2},      // the last the right ones
        {30, 98, kNothing, -1, -1},   // rows beyond the row count
        {5, 110, kNothing, -1, -1},
        {76, 110, kSeparator, -1, 0},
        {167, 110, kSeparator, -1, 2},
    };
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    f.AddTestButtons();
    f.m_table.m_setMissingButton.insert(listtest::RowButton(1, 103));
    for (const auto& c : cases) {
        int32_t row = 99;
        int32_t index = 99;
        EXPECT_EQ(list.HitTest(c.x, c.y, &row, &index), c.part) << c.x << ", " << c.y;
        EXPECT_EQ(row, c.row) << c.x << ", " << c.y;
        EXPECT_EQ(index, c.index) << c.x << ", " << c.y;
    }
}

TEST(ButtonListViewHitTest, ADisabledListHitsNoButtonAndAHiddenHeaderNothing)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    f.AddTestButtons();
    int32_t row = 0;
    int32_t index = 0;
    list.SetEnable(false);
    EXPECT_EQ(list.HitTest(5, 20, &row, &index), kNothing);
    EXPECT_EQ(row, 0);
    EXPECT_EQ(list.HitTest(30, 20, &row, &index), kCell);
    list.SetEnable(true);
    list.ShowHeader(false);
    EXPECT_EQ(list.HitTest(30, 5, &row, &index), kCell);
    EXPECT_EQ(row, 0);
    f.SetRows(0);
    EXPECT_EQ(list.HitTest(30, 5, &row, &index), kNothing);
}

// ---- the block ----

TEST(ButtonListViewBlockTest, DerivedMeasuresAndTheImagesItHolds)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    EXPECT_EQ(list.GetRowHeight(), 20);
    EXPECT_EQ(list.GetButtonWidth(), 16);
    EXPECT_EQ(list.GetHeaderHeight(), 18);
    EXPECT_EQ(Text(list.GetRect()), "20 40 220 160");
    // The margins share what the font leaves of the row, the larger half on top.
    TEXTMETRICA metrics = {};
    {
        LOGFONTA logFont = ui::ToLogFont({"MS PGothic", "12", "400"}, 0);
        lib::wfc::CFont font(&logFont);
        lib::wfc::CMemDC dc(nullptr);
        HGDIOBJ old = dc.SelectObject(font.GetHandle());
        ::GetTextMetricsA(dc.GetHDC(), &metrics);
        ::SelectObject(dc.GetHDC(), old);
    }
    const int spare = 20 - metrics.tmHeight;
    EXPECT_EQ(list.GetTextMarginTop() + list.GetTextMarginBottom(), spare);
    EXPECT_EQ(list.GetTextMarginTop(), spare - spare / 2);
    EXPECT_EQ(f.m_window.Cache()->GetNames(),
              (std::vector<std::string>{"TESTSCROLLPARTS.PNG", "TESTLISTPARTS.PNG"}));
}

TEST(ButtonListViewBlockTest, IndexedKeysAreCheckedLikeTheirKeyword)
{
    const struct {
        const char* name;
        const char* key;
        ui::SkinValues values;   // empty: the key is removed
        const char* box;
    } cases[] = {
        {"row style missing", "NormalRow.1", {}, "List/NormalRow.1が定義されていません"},
        {"row style short", "NormalRow.0", {"TestListParts.png", "0", "4", "10", "14", "40"},
         "List/NormalRow.0のパラメータは 7個必要です"},
        {"label face missing", "OffDLabel.0", {}, "List/OffDLabel.0が定義されていません"},
        {"label tip missing", "ButtonToolTipTextP.0", {},
         "List/ButtonToolTipTextP.0が定義されていません"},
        {"icon short", "IconImage.1", {"TestListParts.png", "30", "60", "36", "64"},
         "List/IconImage.1のパラメータは 7個必要です"},
        {"icon long", "IconImage.0", {"TestListParts.png", "24", "60", "30", "66", "1", "2", "3"},
         "List/IconImage.0のパラメータは 7個必要ですが、8個指定されています"},
        {"icon count wrong", "IconCount", {"2", "3"},
         "List/IconCountのパラメータは 1個必要ですが、2個指定されています"},
        {"required keyword missing", "ActiveRow", {}, "List/ActiveRowが定義されていません"},
        {"more rows than written", "NormalRowCount", {"3"}, "List/NormalRow.2が定義されていません"},
    };
    for (const auto& c : cases) {
        ui::SkinBlock block = ListBlock();
        if (c.values.empty()) {
            block.m_mapKeyword.erase(c.key);
        } else {
            block.m_mapKeyword[c.key] = c.values;
        }
        CListFixture f;
        const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] { f.Build(block); });
        ASSERT_EQ(errors.m_vBox.size(), 1u) << c.name;
        EXPECT_EQ(errors.m_vBox[0], c.box) << c.name;
        EXPECT_EQ(errors.m_strThrown, c.box) << c.name;
    }
}

TEST(ButtonListViewBlockTest, CountsItDoesNotTrust)
{
    const struct {
        const char* name;
        const char* key;
        ui::SkinValues values;
        int32_t rowHeight;
    } cases[] = {
        {"a flat button face", "NormalButton", {"TestListParts.png", "0", "0", "16", "0"}, 1},
        {"an upside-down face", "NormalButton", {"TestListParts.png", "0", "20", "16", "0"}, 1},
        {"no row styles", "NormalRowCount", {"0"}, 20},
        {"fewer than none", "NormalRowCount", {"-4"}, 20},
        {"labels fewer than none", "LabelCount", {"-1"}, 20},
        {"icons fewer than none", "IconCount", {"-2"}, 20},
        {"a huge count stops at its first missing key", "LabelCount", {"2147483647"}, 0},
    };
    for (const auto& c : cases) {
        ui::SkinBlock block = ListBlock();
        block.m_mapKeyword[c.key] = c.values;
        CListFixture f;
        const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] { f.Build(block); });
        if (c.rowHeight == 0) {
            ASSERT_EQ(errors.m_vBox.size(), 1u) << c.name;
            EXPECT_EQ(errors.m_vBox[0], "List/OnLabel.1が定義されていません") << c.name;
            continue;
        }
        ASSERT_TRUE(errors.m_vBox.empty()) << c.name << ": " << errors.m_vBox[0];
        ui::CButtonListView& list = *f.m_pList;
        EXPECT_EQ(list.GetRowHeight(), c.rowHeight) << c.name;
        // Every count below 1 still draws and hit-tests.
        f.SetRows(30);
        f.Draw();
        int32_t row = 0;
        int32_t index = 0;
        list.HitTest(30, 18 + c.rowHeight, &row, &index);
        EXPECT_EQ(row, 1) << c.name;
    }
}

} // namespace
