// The button list view's drawing into the window's back buffer: header cells, rows with their
// buttons and cells, icons and texts. Images are copied straight into the buffer; texts are
// drawn with GDI through the list's own drawing context, which holds its font.

#include "skin/ButtonListView.h"

#include "lib/wfc/DC.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemAccessor.h"

#include <algorithm>

namespace ui {

namespace {

const COLORREF kHeaderTextColor = RGB(0, 0, 0);
const UINT kTextFlags = DT_NOPREFIX | DT_END_ELLIPSIS;

} // namespace

struct CButtonListView::DrawContext {
    DrawContext(lib::wfc::CMemDC& dc, lib::wfc::CDIB& buffer, SkinImageCache& cache,
                const RECT& item, int32_t rowCount)
        : m_buffer(buffer)
        , m_cache(cache)
        , m_saver(&dc)
        , m_clip(buffer, item)
        , m_hDC(dc.GetHDC())
        , m_nRowCount(rowCount)
    {
        m_saver.SelectBitmap(buffer.GetHandle());
        const RECT& clip = buffer.GetClipRect();
        ::IntersectClipRect(m_hDC, clip.left, clip.top, clip.right, clip.bottom);
    }
    ~DrawContext()
    {
        ::GdiFlush();
        ::SelectClipRgn(m_hDC, nullptr);
        m_saver.Restore();
    }
    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;

    // The list inside the buffer's clip rectangle.
    const RECT& Clip() const { return m_buffer.GetClipRect(); }

    lib::wfc::CDIB& m_buffer;
    SkinImageCache& m_cache;
    lib::wfc::CDCStateSaver m_saver;
    lib::wfc::CDIBClipScope m_clip;
    HDC m_hDC;
    int32_t m_nRowCount;
};

RECT CButtonListView::_ToClient(const SkinRect& rect) const
{
    const SkinPoint at = GetPosition();
    return RECT{rect.left + at.x, rect.top + at.y, rect.right + at.x, rect.bottom + at.y};
}

void CButtonListView::Draw()
{
    lib::wfc::CDIB* buffer = GetAccessor()->GetBackBuffer();
    if (!GetAccessor()->IsReady() || buffer == nullptr || m_pImageCache == nullptr) return;
    DrawContext context(m_dc, *buffer, *m_pImageCache, GetRect().ToRECT(), _GetRowCount());
    if (::IsRectEmpty(&context.Clip())) return;
    if (m_bHeaderShown) {
        for (size_t c = 0; c < m_vColumn.size(); ++c) {
            DrawHeaderCell(context, static_cast<int32_t>(c));
        }
    }
    // Rows beyond the row count show their background and buttons, without content.
    const int32_t first = GetFirstVisibleRow();
    const int64_t end = static_cast<int64_t>(first) + GetVisibleRowCount();
    for (int64_t row = first; row < end; ++row) DrawRow(context, static_cast<int32_t>(row));
}

RECT CButtonListView::DrawPart(const ButtonListViewPart& part)
{
    SkinRect local = {};
    switch (part.m_nPart) {
    case LIST_PART_HEADER: local = GetHeaderRect(part.m_nIndex); break;
    case LIST_PART_BUTTON: local = GetButtonRect(part.m_nRow, part.m_nIndex); break;
    case LIST_PART_CELL: local = GetCellRect(part.m_nRow, part.m_nIndex); break;
    default: return RECT();
    }
    const RECT item = GetRect().ToRECT();
    const RECT rect = CommonRect(_ToClient(local), item);
    if (::IsRectEmpty(&rect)) return RECT();
    lib::wfc::CDIB* buffer = GetAccessor()->GetBackBuffer();
    if (!GetAccessor()->IsReady() || buffer == nullptr || m_pImageCache == nullptr) return rect;
    DrawContext context(m_dc, *buffer, *m_pImageCache, item, _GetRowCount());
    switch (part.m_nPart) {
    case LIST_PART_HEADER: DrawHeaderCell(context, part.m_nIndex); break;
    case LIST_PART_BUTTON: DrawButton(context, part.m_nRow, part.m_nIndex); break;
    default: DrawCell(context, part.m_nRow, part.m_nIndex); break;
    }
    return rect;
}

RECT CButtonListView::DrawRow(DrawContext& context, int32_t row)
{
    const RECT rect = _ToClient(GetRowRect(row));
    if (!RectsMeet(rect, context.Clip())) return RECT();
    RECT drawn = {};
    for (size_t b = 0; b < m_vButton.size(); ++b) {
        if (!m_vButton[b].m_byVisible) continue;
        const RECT button = DrawButton(context, row, static_cast<int32_t>(b));
        ::UnionRect(&drawn, &drawn, &button);
    }
    for (size_t c = 0; c < m_vColumn.size(); ++c) {
        const RECT cell = DrawCell(context, row, static_cast<int32_t>(c));
        ::UnionRect(&drawn, &drawn, &cell);
    }
    return drawn;
}

RECT CButtonListView::DrawHeaderCell(DrawContext& context, int32_t column)
{
    const RECT rect = _ToClient(GetHeaderRect(column));
    if (!RectsMeet(rect, context.Clip())) return rect;
    const bool pushed = m_pressedPart.m_nPart == LIST_PART_HEADER &&
                        m_pressedPart.m_nIndex == column;
    _DrawPieces(context, pushed ? m_pushedHeader : m_normalHeader, rect);

    const ButtonListViewColumn& record = m_vColumn[column];
    RECT title = rect;
    if (pushed) ::OffsetRect(&title, 1, 1);
    if (column == 0) title.left += GetButtonGroupWidth(LIST_SIDE_LEFT);
    RECT box = _TextRect(title, title.left, false, false);
    UINT format = record.m_uHeaderFormat | kTextFlags;

    POINT offset = {};
    const SkinImagePart* icon = GetHeaderIcon(column, &offset);
    if (icon != nullptr && m_nHeaderIconMode == 0) {
        // The icon stands where the title starts, and the title follows it.
        RECT extent = box;
        lib::wfc::DrawText(context.m_hDC, record.m_strTitle.c_str(), -1, &extent,
                           DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
        const int64_t total = static_cast<int64_t>(icon->Width()) + (extent.right - extent.left);
        int64_t start = box.left;
        if (format & DT_CENTER) {
            start = box.left + (static_cast<int64_t>(box.right - box.left) - total) / 2;
        } else if (format & DT_RIGHT) {
            start = box.right - total;
        }
        start = std::max<int64_t>(start, box.left);
        _DrawIcon(context, *icon, static_cast<int32_t>(start) + offset.x, title.top + offset.y,
                  rect);
        box.left = static_cast<LONG>(std::min<int64_t>(start + icon->Width(), box.right));
        format &= ~static_cast<UINT>(DT_CENTER | DT_RIGHT);
    }
    _DrawText(context, &record.m_strTitle, nullptr, box, format, kHeaderTextColor);
    return rect;
}

RECT CButtonListView::DrawButton(DrawContext& context, int32_t row, int32_t button)
{
    const RECT rect = _ToClient(GetButtonRect(row, button));
    if (::IsRectEmpty(&rect) || !RectsMeet(rect, context.Clip())) return rect;
    const ButtonListViewButton& record = m_vButton[button];
    int32_t label = -1;
    bool on = false;
    const bool hasLabel = _ButtonLabelAndOn(row, record, &label, &on);
    const bool exists = row < context.m_nRowCount;
    const bool pushed = m_pressedPart == ButtonListViewPart{row, LIST_PART_BUTTON, button} ||
                        (record.m_byToggle && on);
    const bool present = exists && m_pTable != nullptr &&
                         m_pTable->HasButton(this, row, record.m_uId);
    const bool hot = m_hoverPart == ButtonListViewPart{row, LIST_PART_BUTTON, button} &&
                     present && !pushed;

    lib::wfc::CDIBClipScope clip(context.m_buffer, rect);
    const SkinImagePart& face = m_aButtonFace[pushed ? (hot ? 3 : 2) : (hot ? 1 : 0)];
    if (face.HasFile()) {
        CSkinImageRef ref = context.m_cache.FindImage(face.m_strFile);
        CSkinImageLock image(ref);
        if (image.Get() != nullptr) {
            context.m_buffer.Blt(rect.left, rect.top, face.Width(), face.Height(), *image.Get(),
                                 face.m_rcSource.left, face.m_rcSource.top, kSkinKeyColor);
        }
    }
    if (hasLabel) {
        const int32_t look = IsEnabled() && present ? (on ? 0 : 1) : (on ? 2 : 3);
        const int shift = pushed ? 1 : 0;
        DrawCenteredImagePart(context.m_buffer, rect, context.m_cache,
                              m_vLabelFace[static_cast<size_t>(label) * 4 + look], shift, shift,
                              false);
    }
    return rect;
}

RECT CButtonListView::DrawCell(DrawContext& context, int32_t row, int32_t column)
{
    const RECT rect = _ToClient(GetCellRect(row, column));
    if (!RectsMeet(rect, context.Clip())) return rect;
    const bool exists = row < context.m_nRowCount && m_pTable != nullptr;
    if (exists && m_pTable->IsRowActive(this, row)) {
        _DrawPieces(context, m_activeRow, rect);
    } else if (!m_vRowStyle.empty()) {
        _DrawPieces(context, m_vRowStyle[static_cast<size_t>(row) % m_vRowStyle.size()], rect);
    }
    if (!exists) return rect;
    if (m_pListener != nullptr &&
        m_pListener->OnCustomDrawCell(this, row, column, context.m_hDC, &context.m_buffer, rect,
                                      context.Clip())) {
        return rect;
    }

    int32_t left = rect.left;
    if (m_vColumn[column].m_bCellIcons) {
        POINT offset = {};
        const SkinImagePart* icon = GetCellIcon(row, column, &offset);
        if (icon != nullptr) {
            _DrawIcon(context, *icon, rect.left + offset.x, rect.top + offset.y, rect);
            left += icon->Width();
        }
    }
    if (m_bIndent && IsIndentedColumn(column)) {
        left += GetIndent(&context.m_buffer, row, column, rect);
    }

    CButtonListViewTableW* wideTable = dynamic_cast<CButtonListViewTableW*>(m_pTable);
    const bool wide = wideTable != nullptr && wideTable->IsWideText(this);
    RECT box = _TextRect(rect, left, false, false);
    const ButtonListViewTextFit fit = {context.m_hDC, box.right - box.left};
    const COLORREF color = m_pTable->GetCellTextColor(this, row, column);
    const UINT format = m_vColumn[column].m_uCellFormat | kTextFlags;
    if (wide) {
        const std::wstring text = wideTable->GetCellTextW(this, row, column, fit);
        box = _TextRect(rect, left, true, text.find(L'\n') != std::wstring::npos);
        _DrawText(context, nullptr, &text, box, format, color);
    } else {
        const std::string text = m_pTable->GetCellText(this, row, column, fit);
        _DrawText(context, &text, nullptr, box, format, color);
    }
    return rect;
}

RECT CButtonListView::_TextRect(const RECT& cell, int32_t left, bool wide, bool lineFeed) const
{
    RECT box = cell;
    box.left = left + m_nTextMarginLeft;
    box.right = cell.right - m_nTextMarginRight;
    // A narrow text, and a wide one of several lines, start half the top margin down; a wide
    // single line the whole margin.
    box.top = cell.top + (wide && !lineFeed ? m_nTextMarginTop : m_nTextMarginTop / 2);
    box.bottom = cell.bottom;
    return CommonRect(box, GetRect().ToRECT());
}

void CButtonListView::_DrawPieces(DrawContext& context, const ButtonListViewPieces& pieces,
                                  const RECT& rect)
{
    const int32_t width = rect.right - rect.left;
    const int32_t height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0 || !pieces.m_left.HasFile()) return;
    CSkinImageRef ref = context.m_cache.FindImage(pieces.m_left.m_strFile);
    CSkinImageLock image(ref);
    if (image.Get() == nullptr) return;
    lib::wfc::CDIBClipScope clip(context.m_buffer, rect);

    // A part narrower than the caps shows the left cap's start and the right cap's end.
    const int32_t leftWidth = std::min(std::max(pieces.m_left.Width(), 0), width);
    const int32_t rightWidth =
        std::min(std::max(pieces.m_right.Width(), 0), std::max(width - leftWidth, 0));
    const RECT& l = pieces.m_left.m_rcSource;
    const RECT& r = pieces.m_right.m_rcSource;
    const RECT leftTile = {l.left, l.top, l.left + leftWidth, l.bottom};
    const RECT rightTile = {r.right - rightWidth, r.top, r.right, r.bottom};
    if (leftWidth > 0) {
        context.m_buffer.TileBlt(rect.left, rect.top, leftWidth, height, *image.Get(), true,
                                 &leftTile, 255, lib::wfc::kNoKeyColor);
    }
    if (rightWidth > 0) {
        context.m_buffer.TileBlt(rect.right - rightWidth, rect.top, rightWidth, height,
                                 *image.Get(), true, &rightTile, 255, lib::wfc::kNoKeyColor);
    }
    // An empty middle piece draws nothing.
    context.m_buffer.TileBlt(rect.left + leftWidth, rect.top, width - leftWidth - rightWidth,
                             height, *image.Get(), true, &pieces.m_middle.m_rcSource, 255,
                             lib::wfc::kNoKeyColor);
}

void CButtonListView::_DrawIcon(DrawContext& context, const SkinImagePart& icon, int32_t x,
                                int32_t y, const RECT& cell)
{
    lib::wfc::CDIBClipScope clip(context.m_buffer, cell);
    CSkinImageRef ref = context.m_cache.FindImage(icon.m_strFile);
    CSkinImageLock image(ref);
    if (image.Get() == nullptr) return;
    context.m_buffer.Blt(x, y, icon.Width(), icon.Height(), *image.Get(), icon.m_rcSource.left,
                         icon.m_rcSource.top, kSkinKeyColor);
}

void CButtonListView::_DrawText(DrawContext& context, const std::string* text,
                                const std::wstring* wideText, RECT rect, UINT format,
                                COLORREF color)
{
    if (::IsRectEmpty(&rect)) return;
    if ((text == nullptr || text->empty()) && (wideText == nullptr || wideText->empty())) return;
    ::SetTextColor(context.m_hDC, color);
    if (wideText != nullptr) {
        lib::wfc::DrawText(context.m_hDC, wideText->c_str(), -1, &rect, format);
    } else {
        lib::wfc::DrawText(context.m_hDC, text->c_str(), -1, &rect, format);
    }
    // The next images go straight into the bits.
    ::GdiFlush();
}

} // namespace ui
