#pragma once
// A part of a skin image shown in a skin window: centred on the item (overflowing it when
// larger), tiled over it or stretched to it, with an optional caption on top and an optional
// tooltip. It takes no clicks, but reports a left press, moves and leaves to its window
// (events 12, 14, 15); a window can make it transparent to the mouse with SetHitTest(false).
//
// Skin block:
//     Position = x, y;  Size = width, height;
//     Image = "Picture.png", left, top, right, bottom;   right and bottom are edges
//     ToolTipText = "...";  Tile = 1;                      optional
//     Text = ...; TextPosition, TextSize, TextFont, TextAntialias, TextColor   optional caption
// A tile of zero or negative width or height draws no image (the caption still draws).

#include "skin/SkinDefinition.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinItemCaption.h"
#include "skin/SkinWindowItem.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

// Copies the source rectangle of the image centred on the item (integer halves), pixels of the
// key colour skipped; not cut to the item, so a larger source overflows it evenly. The change
// image item draws the same way.
void BltCentered(lib::wfc::CDIB& buffer, const SkinRect& item, const lib::wfc::CDIB& image,
                 const RECT& source);

class CSkinWindowItemStaticImage : public CSkinWindowItemMouseReport {
public:
    // Reads and checks the block and takes the image into the cache; a skin error ends the
    // window's construction.
    CSkinWindowItemStaticImage(ISkinWindowItemAccessor* accessor, int32_t id,
                               const SkinBlock& block, SkinImageCache* cache);
    ~CSkinWindowItemStaticImage() override;

    std::string GetTooltipText() override;
    bool IsHitTestable() override;
    void Draw() override;
    // Position and size from the rectangle; the caller redraws.
    void SetRect(const SkinRect& rect) override;
    // Redraws: the caption's colour follows the enabled state.
    void OnEnableChanged() override;

    // The tooltip; an added tool takes it at once.
    void SetTipText(const std::string& text);
    // Stretches the image to the item from now on (there is no way back).
    void EnableStretch() { m_bStretch = true; }
    // False lets the window's hit test pass over the item to what lies beneath.
    void SetHitTest(bool hitTest) { m_bHitTest = hitTest; }

    const std::string& GetImageFile() const { return m_image.m_strName; }
    const RECT& GetSourceRect() const { return m_image.m_rcCut; }
    bool IsTile() const { return m_bTile; }
    bool IsStretch() const { return m_bStretch; }
    const CSkinItemCaption& GetCaption() const { return m_caption; }

private:
    void _DrawImage(lib::wfc::CDIB& buffer, const lib::wfc::CDIB& image);

    ImageCut m_image;
    std::string m_strTooltipText;
    bool m_bTile;
    CSkinItemCaption m_caption;
    bool m_bStretch;
    bool m_bHitTest;
};

} // namespace ui
