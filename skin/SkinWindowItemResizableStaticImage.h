#pragma once
// A framed panel: a skin image cut into a nine-grid fills the item's whole rectangle (corners
// kept, edges and centre stretched), with one optional text on top. Its size comes from the
// skin or from the window's layout, which may stretch it. It takes no input, but being hit
// testable it keeps clicks from the items beneath it.
//
//     Panel
//     {
//         Position = 16, 48;  Size = 288, 120;
//         Image = "Parts.png", 0, 8, 16, 24, 0, 8, 16, 24;   // x0..x3, y0..y3
//         Text = "接続中";                                     // optional; then all of:
//         TextPosition = 0, 0;  TextSize = 288, 120;  TextFont = "Meiryo", 14, 400;
//         TextAntialias = 1;  TextColor = 31, 42, 55;
//     }

#include "skin/ResizableDIBHelper.h"
#include "skin/SkinDefinition.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinItemCaption.h"
#include "skin/SkinWindowItem.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class CSkinWindowItemResizableStaticImage : public CSkinWindowItem, private CResizableDIBHelper {
public:
    // Raises the skin error for a block without Position, Size or Image, or with Text but
    // without the rest of the text's keywords.
    CSkinWindowItemResizableStaticImage(ISkinWindowItemAccessor* accessor, int32_t id,
                                        const SkinBlock& block, SkinImageCache* cache);
    ~CSkinWindowItemResizableStaticImage() override;

    void Draw() override;
    // Moves and resizes: the layout stretches the panel.
    void SetRect(const SkinRect& rect) override;
    void OnEnableChanged() override;

private:
    void _LoadFromBlock(const SkinBlock& block);

    std::string m_strImage;
    NineGridCells m_cells;
    CSkinItemCaption m_caption;   // centred both ways on one line
};

} // namespace ui
