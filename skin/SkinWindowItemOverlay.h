#pragma once
// A partly transparent picture laid over an area: a skin image cut into a nine-grid, blended
// at the item's alpha, its key-colour pixels leaving what lies beneath. Application windows
// lay one over the whole window and show it to dim the window while another one asks the
// user something. It takes no mouse input (clicks reach what lies under it) and has no
// tooltip; its rectangle is given by the window (SetRect), not by its block.
//
//     FrameOverlay
//     {
//         Image = "Parts.png", 300, 316, 608, 624, 10, 26, 72, 88;   // x0..x3, y0..y3
//         Alpha = 128;                                                 // 0 .. 255, optional
//     }

#include "skin/ResizableDIBHelper.h"
#include "skin/SkinDefinition.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinWindowItem.h"

#include <cstdint>
#include <string>

namespace ui {

class CSkinWindowItemOverlay : public CSkinWindowItem, private CResizableDIBHelper {
public:
    // Raises the skin error for a block without Image or with wrongly counted values.
    CSkinWindowItemOverlay(ISkinWindowItemAccessor* accessor, int32_t id, const SkinBlock& block,
                           SkinImageCache* cache);
    ~CSkinWindowItemOverlay() override;

    bool IsHitTestable() override;
    void Draw() override;
    // Moves and resizes.
    void SetRect(const SkinRect& rect) override;
    void OnEnableChanged() override;

private:
    void _LoadFromBlock(const SkinBlock& block, SkinImageCache* cache);

    std::string m_strImage;
    NineGridCells m_cells;
    int32_t m_nAlpha;
};

} // namespace ui
