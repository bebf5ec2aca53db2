// Nine-grid drawing on small synthetic images, pixel by pixel: at the image's own size, grown,
// on an area smaller than its corners, clipped, blended and with a key colour; and the cells
// read from skin values.

#include "lib/StringUtility.h"
#include "lib/wfc/DIB.h"
#include "skin/ResizableDIBHelper.h"
#include "tests/skin/support/SkinWindowTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

using lib::FormatString;
using skintest::FillRectClipped;
using skintest::PixelAt;
using ui::CResizableDIBHelper;
using ui::NineGridCells;

namespace {

const COLORREF kGround = RGB(250, 250, 250);
const COLORREF kKey = RGB(0xFF, 0x00, 0xFF);

// A 7 x 6 source cut at columns 0, 2, 4, 7 and rows 0, 3, 4, 6: corners 2 or 3 wide and 3 or
// 2 high. Every cell is flat, except that the top edge has its first row in a colour of its
// own and the left edge its first column: a stretch that blurred across an edge would mix
// them.
const int kColumns[4] = {0, 2, 4, 7};
const int kRows[4] = {0, 3, 4, 6};
const COLORREF kCell[9] = {
    RGB(10, 0, 0),  RGB(20, 0, 0),  RGB(30, 0, 0),    // top-left, top (rows 1, 2), top-right
    RGB(40, 0, 0),  RGB(50, 0, 0),  RGB(60, 0, 0),    // left (column 1), centre, right
    RGB(70, 0, 0),  RGB(80, 0, 0),  RGB(90, 0, 0),    // bottom-left, bottom, bottom-right
};
const COLORREF kTopFirstRow = RGB(0, 20, 0);
const COLORREF kLeftFirstColumn = RGB(0, 40, 0);

void MakeSource(lib::wfc::CDIB& source)
{
    source.Create(nullptr, kColumns[3], kRows[3], 24);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            FillRectClipped(source, RECT{kColumns[column], kRows[row], kColumns[column + 1],
                                         kRows[row + 1]},
                            kCell[row * 3 + column]);
        }
    }
    FillRectClipped(source, RECT{kColumns[1], 0, kColumns[2], 1}, kTopFirstRow);
    FillRectClipped(source, RECT{0, kRows[1], 1, kRows[2]}, kLeftFirstColumn);
}

NineGridCells SourceCells()
{
    return CResizableDIBHelper::MakeNineGridCells(kColumns, kRows);
}

// What the grid puts at (x, y) of a w x h area: corners from the sides (later corners over
// earlier ones: right over left, bottom over top), the striped edges by their first line.
COLORREF Expected(int x, int y, int w, int h)
{
    const int left = kColumns[1] - kColumns[0];
    const int right = kColumns[3] - kColumns[2];
    const int top = kRows[1] - kRows[0];
    const int bottom = kRows[3] - kRows[2];
    const int column = x >= w - right ? 2 : x < left ? 0 : 1;
    const int row = y >= h - bottom ? 2 : y < top ? 0 : 1;
    if (row == 0 && column == 1 && y == 0) return kTopFirstRow;
    if (row == 1 && column == 0 && x == 0) return kLeftFirstColumn;
    return kCell[row * 3 + column];
}

struct Target {
    lib::wfc::CDIB dib;
    Target(int w, int h)
    {
        dib.Create(nullptr, w, h, 24);
        dib.Fill(kGround);
    }
};

// Every pixel of the target: the grid's inside `area`, the ground elsewhere; "" when all hold.
std::string Mismatches(const lib::wfc::CDIB& target, const RECT& area, const RECT& drawn)
{
    std::string found;
    for (int y = 0; y < target.GetHeight(); ++y) {
        for (int x = 0; x < target.GetWidth(); ++x) {
            const POINT point = {x, y};
            const COLORREF want =
                ::PtInRect(&drawn, point)
                    ? Expected(x - area.left, y - area.top, area.right - area.left,
                               area.bottom - area.top)
                    : kGround;
            const COLORREF got = PixelAt(target, x, y);
            if (got != want && found.size() < 400) {
                found += FormatString("(%d,%d) %06lX not %06lX; ", x, y,
                                      static_cast<unsigned long>(got),
                                      static_cast<unsigned long>(want));
            }
        }
    }
    return found;
}

TEST(NineGridTest, EveryPixelAtItsOwnSizeGrownAndBelowItsCorners)
{
    lib::wfc::CDIB source;
    MakeSource(source);
    const struct {
        const char* what;
        RECT area;
    } cases[] = {
        {"own size: the source itself", {3, 2, 10, 8}},
        {"grown both ways", {3, 2, 16, 12}},
        {"one pixel more than the corners", {1, 1, 7, 7}},
        {"narrower than its corners: no middle column", {3, 2, 7, 12}},
        {"lower than its corners: no middle row", {3, 2, 16, 6}},
        {"smaller than its corners both ways", {3, 2, 6, 4}},
        {"one pixel", {3, 2, 4, 3}},
        {"reaching past the target's edges", {-5, -4, 14, 10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Target target(18, 14);
        CResizableDIBHelper::DrawNineGrid(target.dib, source, c.area, nullptr, SourceCells(), 255,
                                          lib::wfc::kNoKeyColor);
        EXPECT_EQ(Mismatches(target.dib, c.area, c.area), "");
    }
}

TEST(NineGridTest, ClipRectangleNarrowsTheDrawingAndIsPutBack)
{
    lib::wfc::CDIB source;
    MakeSource(source);
    const RECT area = {1, 1, 17, 13};
    const struct {
        const char* what;
        RECT targetClip;
        bool hasClip;
        RECT clip;
        RECT drawn;
    } cases[] = {
        {"a clip rectangle", {0, 0, 18, 14}, true, {4, 3, 9, 20}, {4, 3, 9, 13}},
        {"the target's own clipping", {0, 0, 6, 5}, false, {}, {1, 1, 6, 5}},
        {"both", {5, 0, 18, 14}, true, {0, 6, 12, 9}, {5, 6, 12, 9}},
        {"clip outside the area", {0, 0, 18, 14}, true, {0, 13, 18, 14}, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Target target(18, 14);
        target.dib.SetClipRect(c.targetClip);
        CResizableDIBHelper::DrawNineGrid(target.dib, source, area, c.hasClip ? &c.clip : nullptr,
                                          SourceCells(), 255, lib::wfc::kNoKeyColor);
        EXPECT_TRUE(::EqualRect(&target.dib.GetClipRect(), &c.targetClip));
        EXPECT_EQ(Mismatches(target.dib, area, c.drawn), "");
    }
}

TEST(NineGridTest, AlphaBlendsEveryCellAndTheKeyLeavesTheTarget)
{
    // A 3 x 3 source of one-pixel cells: white, with the key colour in a corner, an edge and
    // the centre.
    lib::wfc::CDIB source;
    source.Create(nullptr, 3, 3, 24);
    source.Fill(RGB(255, 255, 255));
    FillRectClipped(source, RECT{0, 0, 1, 1}, kKey);
    FillRectClipped(source, RECT{1, 2, 2, 3}, kKey);
    FillRectClipped(source, RECT{1, 1, 2, 2}, kKey);
    const int lines[4] = {0, 1, 2, 3};
    const NineGridCells cells = CResizableDIBHelper::MakeNineGridCells(lines, lines);
    const COLORREF under = RGB(0, 100, 255);
    // The library's blend: target + (source - target) x (alpha + 1) / 256, rounded down.
    const struct {
        int alpha;
        COLORREF over;   // a white pixel over `under`
    } cases[] = {
        {255, RGB(255, 255, 255)},
        {128, RGB(128, 178, 255)},
        {1, RGB(1, 101, 255)},
        {0, under},
        {-20, under},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.alpha);
        lib::wfc::CDIB target;
        target.Create(nullptr, 6, 6, 24);
        target.Fill(under);
        CResizableDIBHelper::DrawNineGrid(target, source, RECT{0, 0, 6, 6}, nullptr, cells,
                                          c.alpha, kKey);
        EXPECT_EQ(PixelAt(target, 0, 0), under) << "key in the top-left corner";
        EXPECT_EQ(PixelAt(target, 3, 5), under) << "key along the bottom edge";
        EXPECT_EQ(PixelAt(target, 2, 3), under) << "key in the centre";
        EXPECT_EQ(PixelAt(target, 5, 0), c.over) << "top-right corner";
        EXPECT_EQ(PixelAt(target, 3, 0), c.over) << "top edge";
        EXPECT_EQ(PixelAt(target, 0, 3), c.over) << "left edge";
        EXPECT_EQ(PixelAt(target, 5, 5), c.over) << "bottom-right corner";
    }
}

TEST(NineGridTest, CellsFromSkinValues)
{
    // After the image name: x0, x1, x2, x3, y0, y1, y2, y3.
    const ui::SkinValues values = {"Parts.png", "300", "316", "608", "624", "10", "26", "72", "88"};
    const NineGridCells cells = CResizableDIBHelper::MakeNineGridCells(values, 1);
    const RECT want[9] = {
        {300, 10, 316, 26}, {316, 10, 608, 26}, {608, 10, 624, 26},
        {300, 26, 316, 72}, {316, 26, 608, 72}, {608, 26, 624, 72},
        {300, 72, 316, 88}, {316, 72, 608, 88}, {608, 72, 624, 88},
    };
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(::EqualRect(&cells[i], &want[i]));
    }
}

} // namespace
