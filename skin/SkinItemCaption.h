#pragma once
// The optional caption that the static image and animation items draw over their picture, and
// the mouse reporting they share.
//
// A caption comes from a block's caption group, read only when the block writes "Text":
//     Text = "準備中";  TextPosition = 0, 60;  TextSize = 110, 18;
//     TextFont = "MS PGothic", 12, 400;  TextAntialias = 1;  TextColor = 75, 88, 104;
// Its rectangle is relative to the item; its format is fixed by the item kind.

#include "lib/wfc/DIB.h"
#include "skin/SkinDefinition.h"
#include "skin/SkinKeywordTable.h"
#include "skin/SkinWindowItem.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class CSkinItemCaption {
public:
    explicit CSkinItemCaption(UINT format);

    // Checks the group when the block has its first keyword ("Text") and then reads it; a
    // block without it leaves the caption empty.
    void Read(const SkinBlock& block, const KeywordTable& table, KeywordGroup group);

    bool IsEmpty() const { return m_strText.empty(); }
    const std::string& GetText() const { return m_strText; }
    COLORREF GetColor() const { return m_crText; }
    bool IsAntialias() const { return m_bAntialias; }
    UINT GetFormat() const { return m_uFormat; }
    // Relative to the item.
    const RECT& GetRect() const { return m_rcText; }
    const LOGFONTA& GetLogFont() const { return m_logFont; }

    // Draws the caption with its rectangle moved to the item's position, inside the buffer's
    // clip rectangle: antialiased when asked and the renderer can, else with DrawTextA.
    void Draw(lib::wfc::CDIB& buffer, SkinPoint itemPosition, bool enabled) const;

private:
    std::string m_strText;
    LOGFONTA m_logFont;
    COLORREF m_crText;
    bool m_bAntialias;
    RECT m_rcText;
    UINT m_uFormat;
};

// The colour a caption is drawn in: its own when enabled, else its grey lightened by 40 per
// cent of 255 (black becomes RGB 102, 102, 102).
COLORREF SkinCaptionColor(COLORREF color, bool enabled);

// An item that takes no clicks but tells its window of a left press (12, without taking the
// capture), of every move over it (14) and of the mouse leaving it (15).
class CSkinWindowItemMouseReport : public CSkinWindowItem {
public:
    using CSkinWindowItem::CSkinWindowItem;

    void OnMouseMove(int x, int y) override;
    bool OnLButtonDown(int x, int y) override;
    void OnMouseLeave() override;
};

} // namespace ui
