#include "skin/SkinItemCaption.h"

#include "lib/wfc/DC.h"
#include "lib/wfc/TextAntialias.h"
#include "skin/SkinLabelDrawing.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindowItemAccessor.h"

namespace ui {

namespace {

const int kDisabledBrightness = 40;

} // namespace

CSkinItemCaption::CSkinItemCaption(UINT format)
    : m_logFont()
    , m_crText(RGB(0, 0, 0))
    , m_bAntialias(true)
    , m_rcText()
    , m_uFormat(format)
{
    lib::wfc::GetDefaultLogFont(&m_logFont);
}

void CSkinItemCaption::Read(const SkinBlock& block, const KeywordTable& table, KeywordGroup group)
{
    CheckKeywordIfPresent(block, table, group);
    if (!block.Has("Text")) return;
    const SkinKeywordMap& values = block.m_mapKeyword;
    m_strText = values.at("Text")[0];
    m_logFont = ToLogFont(values.at("TextFont"), 0);
    m_bAntialias = SkinValueToInt(values.at("TextAntialias"), 0) != 0;
    m_crText = ToColor(values.at("TextColor"), 0);
    m_rcText = ToRectFromPositionSize(values.at("TextPosition"), values.at("TextSize"));
}

void CSkinItemCaption::Draw(lib::wfc::CDIB& buffer, SkinPoint itemPosition, bool enabled) const
{
    if (m_strText.empty()) return;
    CSkinBufferDC bufferDC(buffer, &m_logFont);
    HDC dc = bufferDC.GetHDC();
    ::SetTextColor(dc, SkinCaptionColor(m_crText, enabled));

    RECT rect = m_rcText;
    ::OffsetRect(&rect, itemPosition.x, itemPosition.y);
    RECT box = rect;
    const RECT clip = buffer.GetClipRect();
    if (!m_bAntialias || !lib::wfc::DrawTextAntialias(dc, buffer, m_logFont.lfHeight,
                                                      m_strText.c_str(), &box, m_uFormat,
                                                      &clip)) {
        box = rect;
        lib::wfc::DrawText(dc, m_strText.c_str(), -1, &box, m_uFormat);
    }
}

COLORREF SkinCaptionColor(COLORREF color, bool enabled)
{
    if (enabled) return color;
    return lib::wfc::LightenColor(lib::wfc::ToGrayColor(color), kDisabledBrightness);
}

// ---- mouse reporting ----

void CSkinWindowItemMouseReport::OnMouseMove(int, int)
{
    GetAccessor()->PostItemCommand(GetId(), ITEM_EVENT_MOUSE_MOVE, 0);
}

bool CSkinWindowItemMouseReport::OnLButtonDown(int, int)
{
    GetAccessor()->PostItemCommand(GetId(), ITEM_EVENT_IMAGE_LEFT_DOWN, 0);
    return false;
}

void CSkinWindowItemMouseReport::OnMouseLeave()
{
    GetAccessor()->PostItemCommand(GetId(), ITEM_EVENT_MOUSE_LEAVE, 0);
}

} // namespace ui
