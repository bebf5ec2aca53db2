#pragma once
// The text item of skin windows: a rectangle in which a text from the skin, or set by the
// window, is drawn in the item's font and colour over the window's picture (titles, labels,
// messages). It takes no mouse input, so clicks reach what lies beneath.
//
// Skin block:
//     Position = x, y;  Size = width, height;  Font = face, size, weight;
//     Text = "一行目\r\n二行目";   the four characters \r\n make a line break
//     Color = R, G, B;  Antialias = 1;  Alignment = -1 (left) | 0 (centre) | 1 (right);
// A window makes one with AddStatic, or centred on one line with CreateCenterStatic.

#include "skin/SkinDefinition.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinWindowItem.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class CSkinWindowItemStatic : public CSkinWindowItem {
public:
    // Reads and checks the block; a skin error ends the window's construction.
    CSkinWindowItemStatic(ISkinWindowItemAccessor* accessor, int32_t id, const SkinBlock& block,
                          SkinImageCache* cache);
    ~CSkinWindowItemStatic() override;

    bool IsHitTestable() override;
    void Draw() override;
    // Position and size from the rectangle; no redraw.
    void SetRect(const SkinRect& rect) override;
    void OnEnableChanged() override;

    // DrawTextA (with DT_NOPREFIX) into the rectangle, its top moved up by half the font's
    // internal leading.
    virtual void DrawPlainText(HDC dc, const std::string& text, RECT* rect, UINT format);
    // The antialiased renderer into the window's back buffer (selected into dc); false when it
    // cannot draw, having drawn nothing.
    virtual bool DrawAntialiasText(HDC dc, const std::string& text, RECT* rect, UINT format);

    // The four characters \r\n become a line break; redrawn when the window exists.
    void SetText(const std::string& text);
    const std::string& GetText() const { return m_strText; }
    // Store only; the caller redraws.
    void SetColor(COLORREF color) { m_crText = color; }
    COLORREF GetColor() const { return m_crText; }
    void SetFormat(UINT format) { m_uFormat = format; }
    UINT GetFormat() const { return m_uFormat; }
    void SetAntialias(bool antialias) { m_bAntialias = antialias; }
    bool IsAntialias() const { return m_bAntialias; }
    const LOGFONTA& GetLogFont() const { return m_logFont; }
    // The colour the text is drawn in now: the lightened grey of the colour when disabled.
    COLORREF GetDrawColor();

    // The width and height the text needs in the item's font and format, measured from the
    // item's rectangle.
    SkinSize CalcTextRect(const std::string& text);

private:
    std::string m_strText;
    LOGFONTA m_logFont;
    COLORREF m_crText;
    UINT m_uFormat;
    bool m_bAntialias;
};

} // namespace ui
