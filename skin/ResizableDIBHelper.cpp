#include "skin/ResizableDIBHelper.h"

#include "skin/SkinValue.h"

#include <algorithm>

namespace ui {

namespace {

int32_t WidthOf(const RECT& rect) { return rect.right - rect.left; }
int32_t HeightOf(const RECT& rect) { return rect.bottom - rect.top; }

void CopyCell(lib::wfc::CDIB& target, const lib::wfc::CDIB& source, int x, int y,
              const RECT& cell, int alpha, COLORREF key)
{
    if (alpha >= 255) {
        target.Blt(x, y, WidthOf(cell), HeightOf(cell), source, cell.left, cell.top, key);
    } else {
        target.AlphaBlt(x, y, WidthOf(cell), HeightOf(cell), source, cell.left, cell.top, alpha,
                        key);
    }
}

// Stretches an edge along the border only. The smoothing of the stretch mixes each pixel
// with its neighbours, which would blur a frame's lines into each other across the edge and
// leave them sharper in the corners: so each line across the edge is stretched on its own
// while the edge keeps the thickness of its cell.
void StretchEdge(lib::wfc::CDIB& target, const lib::wfc::CDIB& source, const RECT& to,
                 const RECT& from, bool alongX, int alpha, COLORREF key)
{
    const int32_t across = alongX ? HeightOf(to) : WidthOf(to);
    if (across != (alongX ? HeightOf(from) : WidthOf(from))) {
        target.StretchBltClipped(to, source, from, alpha, key);
        return;
    }
    for (int32_t i = 0; i < across; ++i) {
        const RECT line = alongX ? RECT{to.left, to.top + i, to.right, to.top + i + 1}
                                 : RECT{to.left + i, to.top, to.left + i + 1, to.bottom};
        const RECT cut = alongX ? RECT{from.left, from.top + i, from.right, from.top + i + 1}
                                : RECT{from.left + i, from.top, from.left + i + 1, from.bottom};
        target.StretchBltClipped(line, source, cut, alpha, key);
    }
}

} // namespace

CResizableDIBHelper::~CResizableDIBHelper() = default;

void CResizableDIBHelper::DrawNineGrid(lib::wfc::CDIB& target, const lib::wfc::CDIB& source,
                                       const RECT& area, const RECT* clip,
                                       const NineGridCells& cells, int alpha, COLORREF key)
{
    if (alpha <= 0) return;
    alpha = std::min(alpha, 255);
    // Also on an exception the target's clipping comes back, innermost scope first.
    lib::wfc::CDIBClipScope toArea(target, area);
    lib::wfc::CDIBClipScope toClip(target, clip != nullptr ? *clip : area);
    if (::IsRectEmpty(&target.GetClipRect())) return;

    const int32_t left = std::max(0, WidthOf(cells[CELL_TOP_LEFT]));
    const int32_t right = std::max(0, WidthOf(cells[CELL_TOP_RIGHT]));
    const int32_t top = std::max(0, HeightOf(cells[CELL_TOP_LEFT]));
    const int32_t bottom = std::max(0, HeightOf(cells[CELL_BOTTOM_LEFT]));
    // Inner lines of the destination; on an area smaller than its corners x2 < x1.
    const int32_t x1 = area.left + left;
    const int32_t x2 = area.right - right;
    const int32_t y1 = area.top + top;
    const int32_t y2 = area.bottom - bottom;

    CopyCell(target, source, area.left, area.top, cells[CELL_TOP_LEFT], alpha, key);
    CopyCell(target, source, x2, area.top, cells[CELL_TOP_RIGHT], alpha, key);
    CopyCell(target, source, area.left, y2, cells[CELL_BOTTOM_LEFT], alpha, key);
    CopyCell(target, source, x2, y2, cells[CELL_BOTTOM_RIGHT], alpha, key);

    const bool middleColumn = x2 > x1;
    const bool middleRow = y2 > y1;
    if (middleColumn) {
        StretchEdge(target, source, RECT{x1, area.top, x2, y1}, cells[CELL_TOP], true, alpha,
                    key);
    }
    if (middleRow) {
        StretchEdge(target, source, RECT{area.left, y1, x1, y2}, cells[CELL_LEFT], false, alpha,
                    key);
        StretchEdge(target, source, RECT{x2, y1, area.right, y2}, cells[CELL_RIGHT], false,
                    alpha, key);
    }
    if (middleColumn) {
        StretchEdge(target, source, RECT{x1, y2, x2, area.bottom}, cells[CELL_BOTTOM], true,
                    alpha, key);
    }
    if (middleColumn && middleRow) {
        target.StretchBltClipped(RECT{x1, y1, x2, y2}, source, cells[CELL_CENTER], alpha, key);
    }
}

NineGridCells CResizableDIBHelper::MakeNineGridCells(const SkinValues& values, size_t first)
{
    int32_t columns[4];
    int32_t rows[4];
    for (size_t i = 0; i < 4; ++i) {
        columns[i] = SkinValueToInt(values, first + i);
        rows[i] = SkinValueToInt(values, first + 4 + i);
    }
    return MakeNineGridCells(columns, rows);
}

NineGridCells CResizableDIBHelper::MakeNineGridCells(const int32_t (&columns)[4],
                                                     const int32_t (&rows)[4])
{
    NineGridCells cells;
    for (size_t row = 0; row < 3; ++row) {
        for (size_t column = 0; column < 3; ++column) {
            cells[row * 3 + column] =
                RECT{columns[column], rows[row], columns[column + 1], rows[row + 1]};
        }
    }
    return cells;
}

} // namespace ui
