#pragma once
// Nine-grid drawing: one small skin image cut into three columns and three rows frames an
// area of any size. The four corners are copied as they are, the four edges are stretched
// along the border, and the centre is stretched over the rest. The resizable window draws
// its background this way, and the item kinds that frame an area (resizable static image,
// overlay, edit box) derive from this helper.
//
//     NineGridCells cells = CResizableDIBHelper::MakeNineGridCells(values, 1);
//     CResizableDIBHelper::DrawNineGrid(buffer, image, area, nullptr, cells, 255, kNoKeyColor);

#include "lib/wfc/DIB.h"
#include "skin/SkinDefinition.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>

namespace ui {

// The cells of a nine-grid, in image pixels (left, top, right, bottom).
enum NineGridCell : int32_t {
    CELL_TOP_LEFT = 0,
    CELL_TOP = 1,
    CELL_TOP_RIGHT = 2,
    CELL_LEFT = 3,
    CELL_CENTER = 4,
    CELL_RIGHT = 5,
    CELL_BOTTOM_LEFT = 6,
    CELL_BOTTOM = 7,
    CELL_BOTTOM_RIGHT = 8,
};
typedef std::array<RECT, 9> NineGridCells;

class CResizableDIBHelper {
public:
    virtual ~CResizableDIBHelper();

    // Draws the cells of `source` into `area` of `target`: corners top-left, top-right,
    // bottom-left, bottom-right unscaled; then the top, left, right and bottom edges and the
    // centre stretched. Column widths are the left and right corner cells' widths, row
    // heights the top and bottom corner cells' heights. A middle column or row of no size
    // draws nothing there; corners that overlap on a small area are drawn in that order.
    // Nothing is drawn outside `area`, outside `clip` (when given) or outside the target's
    // clip rectangle, which is the same again afterwards. Alpha 255 copies; key pixels of the
    // source (kNoKeyColor: none) leave the target as it was.
    static void DrawNineGrid(lib::wfc::CDIB& target, const lib::wfc::CDIB& source,
                             const RECT& area, const RECT* clip, const NineGridCells& cells,
                             int alpha, COLORREF key);

    // The cells from eight values x0, x1, x2, x3, y0, y1, y2, y3 starting at `first`
    // (columns x0..x1, x1..x2, x2..x3; rows y0..y1, y1..y2, y2..y3), as an item's "Image"
    // writes them after the image name.
    static NineGridCells MakeNineGridCells(const SkinValues& values, size_t first);
    // The cells between four column lines and four row lines.
    static NineGridCells MakeNineGridCells(const int32_t (&columns)[4], const int32_t (&rows)[4]);
};

} // namespace ui
