// The button list view's drawing, by decisive pixels of TestListParts.png (every piece a flat
// colour of its own): three-piece backgrounds with caps cut to narrow cells, row styles in
// turn, the active row, rows beyond the row count, header and pushed header, button faces in
// their looks with their labels, icons, cell texts where their box says and clipped to the
// list and the buffer's clip rectangle, texts too long for their cell ending in an ellipsis,
// wide texts, and a listener that draws cells itself.

#include "lib/StringUtility.h"
#include "skin/ButtonListView.h"
#include "tests/skin/ButtonListViewTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

using lib::FormatString;
using listtest::CListFixture;
using listtest::ListBlock;
using listtest::RowButton;
using listtest::RowColumn;
using listtest::Text;

namespace {

const COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
// The six column groups of a three-piece strip: left cap 1 + 3, middle 3 + 3, right cap 3 + 1.
const COLORREF kRow0[6] = {RGB(0x40, 0x10, 0x10), RGB(0x50, 0x18, 0x18), RGB(0x60, 0x20, 0x20),
                           RGB(0x70, 0x28, 0x28), RGB(0x80, 0x30, 0x30), RGB(0x90, 0x38, 0x38)};
const COLORREF kRow1[6] = {RGB(0x10, 0x40, 0x10), RGB(0x18, 0x50, 0x18), RGB(0x20, 0x60, 0x20),
                           RGB(0x28, 0x70, 0x28), RGB(0x30, 0x80, 0x30), RGB(0x38, 0x90, 0x38)};
const COLORREF kActive[6] = {RGB(0x10, 0x10, 0x40), RGB(0x18, 0x18, 0x50), RGB(0x20, 0x20, 0x60),
                             RGB(0x28, 0x28, 0x70), RGB(0x30, 0x30, 0x80), RGB(0x38, 0x38, 0x90)};
const COLORREF kHeader[6] = {RGB(0x40, 0x40, 0x10), RGB(0x50, 0x50, 0x18), RGB(0x60, 0x60, 0x20),
                             RGB(0x70, 0x70, 0x28), RGB(0x80, 0x80, 0x30), RGB(0x90, 0x90, 0x38)};
const COLORREF kPushedHeader[6] = {RGB(0x10, 0x40, 0x40), RGB(0x18, 0x50, 0x50),
                                   RGB(0x20, 0x60, 0x60), RGB(0x28, 0x70, 0x70),
                                   RGB(0x30, 0x80, 0x80), RGB(0x38, 0x90, 0x90)};
const COLORREF kFaceNormal = RGB(0xA0, 0x50, 0x00);
const COLORREF kFaceHot = RGB(0xA0, 0x60, 0x00);
const COLORREF kFacePushed = RGB(0xA0, 0x70, 0x00);
const COLORREF kLabelOn = RGB(0x00, 0xB0, 0xB0);
const COLORREF kLabelOff = RGB(0x00, 0xA0, 0xA0);
const COLORREF kLabelOnDisabled = RGB(0x00, 0x90, 0x90);
const COLORREF kLabelOffDisabled = RGB(0x00, 0x80, 0x80);
const COLORREF kIcon0 = RGB(0xC0, 0xC0, 0x00);
const COLORREF kIcon1 = RGB(0xB0, 0xB0, 0x00);

// Full-width squares, solid glyphs.
const char kSquares[] = "■■■■";

// Where the pixels of a colour class lie inside a rectangle: their bounding box, empty when
// none.
template <class Test>
RECT FindInk(CListFixture& f, const RECT& area, Test test)
{
    RECT box = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    bool any = false;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (!test(f.Pixel(x, y))) continue;
            any = true;
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    }
    return any ? box : RECT();
}

bool IsEmpty(const RECT& rect)
{
    return ::IsRectEmpty(&rect) != FALSE;
}

bool IsBlue(COLORREF c)
{
    return GetBValue(c) > GetRValue(c) + 64 && GetBValue(c) > GetGValue(c) + 64;
}

bool IsDark(COLORREF c)
{
    return GetRValue(c) < 0x30 && GetGValue(c) < 0x30 && GetBValue(c) < 0x30;
}

const RECT kWholeBuffer = {0, 0, 320, 200};

// ---- backgrounds ----

TEST(ButtonListViewDrawTest, ThreePieceBackgroundsWithCapsCutToNarrowCells)
{
    // Cells of row 0 at y 58..78: 6, 3, 5 and 60 wide from x 20 (the last to the list's end).
    CListFixture f;
    f.Build(ListBlock(), {{6, true}, {3, true}, {5, true}, {60, true}});
    f.Draw();
    const struct {
        int x;
        int piece;   // the column group of the strip; -1 white
    } cases[] = {
        // 6 wide: the left cap whole, the right cap's last two columns.
        {20, 0}, {21, 1}, {23, 1}, {24, 4}, {25, 5},
        // 3 wide: the left cap's first three columns.
        {26, 0}, {27, 1}, {28, 1},
        // 5 wide: the left cap, the right cap's last column.
        {29, 0}, {30, 1}, {32, 1}, {33, 5},
        // 186 wide (34..220): caps, and the middle repeated from its first column on.
        {34, 0}, {35, 1}, {38, 2}, {40, 2}, {41, 3}, {43, 3}, {44, 2}, {212, 2}, {214, 2},
        {215, 3}, {216, 4}, {218, 4}, {219, 5}, {220, -1},
    };
    for (const auto& c : cases) {
        const COLORREF expected = c.piece < 0 ? kWhite : kRow0[c.piece];
        EXPECT_EQ(f.Pixel(c.x, 60), expected) << c.x;
        EXPECT_EQ(f.Pixel(c.x, 77), expected) << c.x;
    }
}

TEST(ButtonListViewDrawTest, RowStylesInTurnTheActiveRowAndRowsBeyondTheCount)
{
    const struct {
        const char* name;
        int32_t rows;
        int32_t first;
        std::vector<int32_t> active;
        // The left cap's first column in rows 0 .. 5 on screen: 0 style 0, 1 style 1, 2 active.
        std::vector<int> looks;
    } cases[] = {
        {"in turn", 4, 0, {}, {0, 1, 0, 1, 0, 1}},
        {"active rows", 4, 0, {1, 2}, {0, 2, 2, 1, 0, 1}},
        {"scrolled by one", 10, 1, {3}, {1, 0, 2, 0, 1, 0}},
        {"no rows", 0, 0, {}, {0, 1, 0, 1, 0, 1}},
        {"an active row beyond the count shows its style", 2, 0, {3}, {0, 1, 0, 1, 0, 1}},
    };
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build();
        f.m_table.m_nRows = c.rows;
        f.m_table.m_setActive.insert(c.active.begin(), c.active.end());
        for (int32_t r = 0; r < 12; ++r) f.m_table.m_mapText[RowColumn(r, 1)] = kSquares;
        list.UpdateRow(-1);
        f.m_pBar->SetPos(c.first);
        f.m_table.m_vFit.clear();
        f.Draw();
        for (size_t i = 0; i < c.looks.size(); ++i) {
            const int y = 58 + static_cast<int>(i) * 20;
            const COLORREF* strip = c.looks[i] == 0 ? kRow0 : c.looks[i] == 1 ? kRow1 : kActive;
            EXPECT_EQ(f.Pixel(20, y + 1), strip[0]) << c.name << " row " << i;
            EXPECT_EQ(f.Pixel(79, y + 1), strip[5]) << c.name << " row " << i;
            // Text only in rows below the count (the sixth row shows too little of it).
            if (i == 5) continue;
            const RECT cell = {81, y, 130, y + 20};
            const bool inked = !IsEmpty(FindInk(f, cell, IsBlue));
            EXPECT_EQ(inked, c.first + static_cast<int32_t>(i) < c.rows) << c.name << " row " << i;
        }
        // Nothing below the list.
        EXPECT_EQ(f.Pixel(20, 160), kWhite) << c.name;
        for (const std::string& fit : f.m_table.m_vFit) {
            EXPECT_LT(std::stoi(fit), c.rows) << c.name << ": asked for " << fit;
        }
    }
}

TEST(ButtonListViewDrawTest, WithoutRowStylesRowsHaveNoBackground)
{
    ui::SkinBlock block = ListBlock();
    block.m_mapKeyword["NormalRowCount"] = {"0"};
    CListFixture f;
    ui::CButtonListView& list = f.Build(block);
    f.m_table.m_setActive.insert(1);
    f.m_table.m_mapText[RowColumn(0, 0)] = kSquares;
    list.UpdateRow(-1);
    f.Draw();
    EXPECT_EQ(f.Pixel(20, 60), kWhite);
    EXPECT_EQ(f.Pixel(20, 80), kActive[0]);
    EXPECT_FALSE(IsEmpty(FindInk(f, RECT{20, 58, 80, 78}, IsBlue)));
}

// ---- header ----

TEST(ButtonListViewDrawTest, HeaderCellsAndThePushedHeader)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    f.Draw();
    // Header cells at y 40..58: 20..80, 80..130, 130..220.
    EXPECT_EQ(f.Pixel(20, 41), kHeader[0]);
    EXPECT_EQ(f.Pixel(79, 57), kHeader[5]);
    EXPECT_EQ(f.Pixel(80, 41), kHeader[0]);
    EXPECT_EQ(f.Pixel(219, 41), kHeader[5]);
    const RECT normalTitle = FindInk(f, RECT{80, 40, 130, 58}, IsDark);
    ASSERT_FALSE(::IsRectEmpty(&normalTitle));

    f.Play("down 70 5");
    f.Draw();
    EXPECT_EQ(f.Pixel(80, 41), kPushedHeader[0]);
    EXPECT_EQ(f.Pixel(129, 57), kPushedHeader[5]);
    EXPECT_EQ(f.Pixel(20, 41), kHeader[0]);
    // The title of a pushed header moves by one pixel right and down.
    const RECT pushedTitle = FindInk(f, RECT{80, 40, 130, 58}, IsDark);
    EXPECT_EQ(pushedTitle.left, normalTitle.left + 1);
    EXPECT_EQ(pushedTitle.top, normalTitle.top + 1);
    // Out of the cell: normal again; hidden: rows from the top.
    f.Play("move 150 5");
    f.Draw();
    EXPECT_EQ(f.Pixel(80, 41), kHeader[0]);
    f.Play("up 150 5");
    list.ShowHeader(false);
    f.Draw();
    EXPECT_EQ(f.Pixel(20, 41), kRow0[0]);
}

TEST(ButtonListViewDrawTest, TheHeaderIconStandsWhereTheTitleStarts)
{
    CListFixture f;
    f.Build();
    f.m_table.m_mapHeaderIcon[0] = 1;   // 6 x 4, no offset
    f.m_table.m_mapHeaderIcon[1] = 7;   // none such
    f.Draw();
    // Column 0's title starts at 20 + 8 and its icon there; the title follows it.
    EXPECT_EQ(f.Pixel(28, 40), kIcon1);
    EXPECT_EQ(f.Pixel(33, 43), kIcon1);
    EXPECT_EQ(f.Pixel(34, 40), kHeader[3]);
    const RECT title = FindInk(f, RECT{20, 40, 80, 58}, IsDark);
    EXPECT_GE(title.left, 34);
    EXPECT_EQ(FindInk(f, RECT{80, 40, 130, 58}, [](COLORREF c) { return c == kIcon0 || c == kIcon1; })
                  .right,
              0);
}

// ---- buttons ----

TEST(ButtonListViewDrawTest, ButtonFacesAndLabels)
{
    // Button 101 at 20..36 of row 0 (58..78): its label, 6 x 6, at 25..31, 65..71.
    const struct {
        const char* name;
        const char* script;
        bool on;
        bool present;
        int32_t label;
        COLORREF face;
        COLORREF label25;   // at the label's first pixel (25, 65)
        COLORREF label31;   // one past its last (31, 71): the label when pushed
    } cases[] = {
        {"normal, off", "", false, true, 0, kFaceNormal, kLabelOff, kFaceNormal},
        {"normal, on", "", true, true, 0, kFaceNormal, kLabelOn, kFaceNormal},
        {"hot", "move 5 25", false, true, 0, kFaceHot, kLabelOff, kFaceHot},
        {"pushed", "down 5 25", false, true, 0, kFacePushed, kFacePushed, kLabelOff},
        {"pushed, mouse out", "down 5 25; move 60 25", false, true, 0, kFaceNormal, kLabelOff,
         kFaceNormal},
        {"disabled", "disable", true, true, 0, kFaceNormal, kLabelOnDisabled, kFaceNormal},
        {"not in this row", "move 5 25", false, false, 0, kFaceNormal, kLabelOffDisabled,
         kFaceNormal},
        {"the table's label", "", true, true, -1, kFaceNormal, kLabelOn, kFaceNormal},
        {"a label the skin lacks", "", true, true, 3, kFaceNormal, kFaceNormal, kFaceNormal},
    };
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build();
        list.AddButton(c.label, 101, ui::LIST_SIDE_LEFT, false, true);
        f.m_table.m_nLabel = 0;
        if (c.on) f.m_table.m_setOn.insert(RowButton(0, 101));
        if (!c.present) f.m_table.m_setMissingButton.insert(RowButton(0, 101));
        f.Play(c.script);
        f.Draw();
        EXPECT_EQ(f.Pixel(20, 60), kWhite) << c.name << ": the face's key colour";
        EXPECT_EQ(f.Pixel(21, 60), c.face) << c.name;
        EXPECT_EQ(f.Pixel(35, 77), c.face) << c.name;
        EXPECT_EQ(f.Pixel(25, 65), c.label25) << c.name;
        EXPECT_EQ(f.Pixel(31, 71), c.label31) << c.name;
        EXPECT_EQ(f.Pixel(36, 60), kRow0[0]) << c.name << ": the cells follow";
    }
}

TEST(ButtonListViewDrawTest, AToggleButtonThatIsOnShowsPushed)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    list.AddButton(0, 103, ui::LIST_SIDE_RIGHT, true, true);
    f.m_table.m_setOn.insert(RowButton(1, 103));
    f.SetRows(2);
    f.Play("move 190 45");
    f.Draw();
    // Right button at 204..220; row 1 at 78..98, row 0 off, rows beyond the count without
    // the button in them (the disabled off label).
    EXPECT_EQ(f.Pixel(205, 60), kFaceNormal);
    EXPECT_EQ(f.Pixel(205, 80), kFacePushed);
    EXPECT_EQ(f.Pixel(209, 85), kFacePushed);
    EXPECT_EQ(f.Pixel(210, 86), kLabelOn);
    EXPECT_EQ(f.Pixel(209, 105), kLabelOffDisabled);
}

// ---- icons and texts ----

TEST(ButtonListViewDrawTest, CellIconsAndTheTextAfterThem)
{
    const struct {
        const char* name;
        int32_t icon;
        bool column;    // the column asks for icons
        const char* fit;
        COLORREF at21;  // the icon's first pixel, 1 right and 2 down of the cell's corner
    } cases[] = {
        {"icon", 0, true, "0 0 38", kIcon0},
        {"none", -1, true, "0 0 44", kRow0[1]},
        {"beyond the icons", 2, true, "0 0 44", kRow0[1]},
        {"the column has none", 0, false, "0 0 44", kRow0[1]},
    };
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build(ListBlock(), {}, true);
        list.AddColumn("a", DT_LEFT, 60, true, false, c.column, 0);
        list.AddColumn("b", DT_LEFT, 60, true, false, true, 0);
        list.SetTable(&f.m_table);
        f.m_table.m_mapCellIcon[RowColumn(0, 0)] = c.icon;
        f.m_table.m_mapText[RowColumn(0, 0)] = kSquares;
        f.m_table.m_vFit.clear();
        f.Draw();
        EXPECT_EQ(f.Pixel(21, 42), c.at21) << c.name;
        EXPECT_EQ(f.m_table.m_vFit.front(), c.fit) << c.name;
        const RECT text = FindInk(f, RECT{20, 40, 80, 60}, IsBlue);
        EXPECT_GE(text.left, c.fit == std::string("0 0 38") ? 34 : 28) << c.name;
    }
}

TEST(ButtonListViewDrawTest, CellTextsKeepToTheirBoxTheListAndTheClip)
{
    // A list only 30 high under its header: row 0 (58..78) is cut at 70.
    ui::SkinBlock block = ListBlock();
    block.m_mapKeyword["Size"] = {"200", "30"};
    CListFixture f;
    ui::CButtonListView& list = f.Build(block);
    std::string wide;
    for (int i = 0; i < 30; ++i) wide += "■";
    f.m_table.m_mapText[RowColumn(0, 0)] = wide;
    f.m_table.m_mapText[RowColumn(0, 2)] = wide;
    list.UpdateRow(-1);
    f.Draw();
    const RECT first = FindInk(f, kWholeBuffer, IsBlue);
    ASSERT_FALSE(::IsRectEmpty(&first));
    EXPECT_GE(first.left, 28);                       // the left margin
    EXPECT_EQ(first.bottom, 70);                     // cut by the list's bottom
    EXPECT_GE(first.top, 58 + list.GetTextMarginTop() / 2);
    // Each text stays in its own cell, short of the right margin.
    EXPECT_TRUE(IsEmpty(FindInk(f, RECT{72, 40, 138, 70}, IsBlue)));
    EXPECT_TRUE(IsEmpty(FindInk(f, RECT{212, 40, 320, 200}, IsBlue)));

    // The buffer's clip rectangle keeps everything of the list inside it.
    f.m_window.Buffer().Fill(kWhite);
    f.m_window.Buffer().SetClipRect(RECT{50, 0, 160, 200});
    list.Draw();
    f.m_window.Buffer().ResetClipRect();
    EXPECT_EQ(f.Pixel(49, 60), kWhite);
    EXPECT_EQ(f.Pixel(49, 45), kWhite);
    EXPECT_EQ(f.Pixel(160, 60), kWhite);
    EXPECT_NE(f.Pixel(50, 60), kWhite);
    const RECT clipped = FindInk(f, kWholeBuffer, IsBlue);
    EXPECT_GE(clipped.left, 50);
    EXPECT_LE(clipped.right, 160);
}

TEST(ButtonListViewDrawTest, ATextTooLongForItsCellEndsInAnEllipsisInsideIt)
{
    // Fixed columns 100, 30 and 100 after a left button of 16 add up to more than the list:
    // the last cell ends at the list's edge (client 166..220) and its text box 8 short of it.
    const struct {
        const char* name;
        int32_t column;
        RECT cell;   // client coordinates, row 0
    } cases[] = {
        {"a cell of its own width", 0, {36, 58, 136, 78}},
        {"the last cell, cut at the list's edge", 2, {166, 58, 220, 78}},
    };
    std::string text;
    for (int i = 0; i < 30; ++i) text += "■";
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build(ListBlock(), {{100, true}, {30, true}, {100, true}});
        list.AddButton(0, 101, ui::LIST_SIDE_LEFT, false, true);
        list.SetFitColumns(true);
        list.RecalcColumns();
        f.m_table.m_mapText[RowColumn(0, c.column)] = text;
        f.Draw();
        const RECT ink = FindInk(f, kWholeBuffer, IsBlue);
        ASSERT_FALSE(IsEmpty(ink)) << c.name;
        EXPECT_GE(ink.left, c.cell.left + 8) << c.name;
        EXPECT_LE(ink.right, c.cell.right - 8) << c.name;
        // Whole squares first, then the dots of the ellipsis, low in the line.
        const RECT tail = FindInk(f, RECT{ink.right - 3, ink.top, ink.right, ink.bottom}, IsBlue);
        EXPECT_GT(tail.top, (ink.top + ink.bottom) / 2) << c.name;
        EXPECT_GT(ink.bottom - ink.top, 2 * (tail.bottom - tail.top)) << c.name;
    }
}

TEST(ButtonListViewDrawTest, WideTextsStartAWholeMarginDownUnlessOfSeveralLines)
{
    const struct {
        const char* name;
        bool wide;
        const wchar_t* text;
        bool wholeMargin;
    } cases[] = {
        {"narrow", false, nullptr, false},
        {"wide", true, L"\x25A0\x25A0", true},
        {"wide, two lines", true, L"\x25A0\x25A0\n\x25A0", false},
    };
    int narrowTop = -1;
    for (const auto& c : cases) {
        CListFixture f;
        ui::CButtonListView& list = f.Build();
        f.m_table.m_bWide = c.wide;
        f.m_table.m_mapText[RowColumn(0, 0)] = "■■";
        if (c.text != nullptr) f.m_table.m_mapWideText[RowColumn(0, 0)] = c.text;
        f.Draw();
        const RECT ink = FindInk(f, RECT{20, 58, 80, 78}, IsBlue);
        ASSERT_FALSE(::IsRectEmpty(&ink)) << c.name;
        if (!c.wide) {
            narrowTop = ink.top;
            continue;
        }
        const int margin = list.GetTextMarginTop();
        EXPECT_EQ(ink.top - narrowTop, c.wholeMargin ? margin - margin / 2 : 0) << c.name;
    }
}

TEST(ButtonListViewDrawTest, AListenerThatDrawsACellItself)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    f.m_table.m_nRows = 2;
    f.m_table.m_mapText[RowColumn(0, 0)] = kSquares;
    f.m_table.m_mapCellIcon[RowColumn(0, 0)] = 0;
    list.UpdateRow(-1);
    f.m_listener.m_bCustomDraw = true;
    f.Draw();
    // The background is the list's; icon and text the listener's.
    EXPECT_EQ(f.Pixel(20, 60), kRow0[0]);
    EXPECT_EQ(f.Pixel(21, 60), kRow0[1]);
    EXPECT_TRUE(IsEmpty(FindInk(f, RECT{20, 58, 80, 78}, IsBlue)));
    EXPECT_EQ(f.m_listener.m_vCustom,
              (std::vector<std::string>{"0 0", "0 1", "0 2", "1 0", "1 1", "1 2"}));
}

TEST(ButtonListViewDrawTest, NothingIsDrawnBeforeTheWindowIsReady)
{
    CListFixture f;
    ui::CButtonListView& list = f.Build();
    f.m_window.m_bReady = false;
    f.Draw();
    EXPECT_EQ(f.Pixel(20, 60), kWhite);
    // A hovered part still gives its place for the tooltip.
    f.Play("move 30 25");
    EXPECT_EQ(Text(list.GetToolInfo().rect), "20 58 80 78");
    EXPECT_EQ(f.Pixel(20, 60), kWhite);
}

} // namespace
