#include "skin/SkinWindowItemStatic.h"

#include "lib/StringUtility.h"
#include "lib/wfc/DC.h"
#include "lib/wfc/TextAntialias.h"
#include "skin/SkinItemCaption.h"
#include "skin/SkinKeywordTable.h"
#include "skin/SkinLabelDrawing.h"
#include "skin/SkinLookup.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemAccessor.h"

namespace ui {

namespace {

const UINT kCenterFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

// The four characters backslash, r, backslash, n are a line break; matched on character
// boundaries, so a double-byte character ending in 0x5C never starts one.
std::string ExpandLineBreaks(const std::string& text)
{
    std::string result = text;
    lib::ReplaceAll(result, "\\r\\n", "\r\n");
    return result;
}

} // namespace

CSkinWindowItemStatic::CSkinWindowItemStatic(ISkinWindowItemAccessor* accessor, int32_t id,
                                             const SkinBlock& block, SkinImageCache*)
    : CSkinWindowItem(accessor, id)
    , m_logFont()
    , m_crText(0)
    , m_uFormat(DT_WORDBREAK)
    , m_bAntialias(false)
{
    lib::wfc::GetDefaultLogFont(&m_logFont);
    using namespace keyword;
    const KeywordTable& table = StaticKeywords();
    CheckKeywordGroup(block, table, kStaticRequired);
    CheckKeywordIfPresent(block, table, kStaticText);
    CheckKeywordIfPresent(block, table, kStaticAntialias);
    CheckKeywordIfPresent(block, table, kStaticColor);
    CheckKeywordIfPresent(block, table, kStaticAlignment);

    const SkinKeywordMap& values = block.m_mapKeyword;
    const POINT position = ToPoint(values.at("Position"), 0);
    const POINT size = ToPoint(values.at("Size"), 0);
    SetPosition(position.x, position.y);
    SetSize(size.x, size.y);
    m_logFont = ToLogFont(values.at("Font"), 0);
    if (block.Has("Text")) m_strText = ExpandLineBreaks(values.at("Text")[0]);
    if (block.Has("Antialias")) m_bAntialias = SkinValueToInt(values.at("Antialias"), 0) != 0;
    if (block.Has("Color")) m_crText = ToColor(values.at("Color"), 0);
    if (block.Has("Alignment")) {
        const int32_t alignment = SkinValueToInt(values.at("Alignment"), 0);
        if (alignment == 0) m_uFormat |= DT_CENTER;
        if (alignment == 1) m_uFormat |= DT_RIGHT;
    }
}

CSkinWindowItemStatic::~CSkinWindowItemStatic() = default;

bool CSkinWindowItemStatic::IsHitTestable() { return false; }

void CSkinWindowItemStatic::SetRect(const SkinRect& rect)
{
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
}

void CSkinWindowItemStatic::OnEnableChanged()
{
    _Redraw();
}

void CSkinWindowItemStatic::SetText(const std::string& text)
{
    m_strText = ExpandLineBreaks(text);
    if (!GetAccessor()->HasWindow()) return;
    _Redraw();
}

COLORREF CSkinWindowItemStatic::GetDrawColor()
{
    return SkinCaptionColor(m_crText, IsEnabled());
}

void CSkinWindowItemStatic::Draw()
{
    lib::wfc::CDIB* buffer = GetAccessor()->GetBackBuffer();
    if (!IsVisible() || buffer == nullptr || m_strText.empty()) return;
    CSkinBufferDC bufferDC(*buffer, &m_logFont);
    HDC dc = bufferDC.GetHDC();
    ::SetTextColor(dc, GetDrawColor());
    RECT rect = GetRect().ToRECT();
    if (!m_bAntialias || !DrawAntialiasText(dc, m_strText, &rect, m_uFormat)) {
        rect = GetRect().ToRECT();
        DrawPlainText(dc, m_strText, &rect, m_uFormat);
    }
}

void CSkinWindowItemStatic::DrawPlainText(HDC dc, const std::string& text, RECT* rect,
                                          UINT format)
{
    TEXTMETRICA metrics = {};
    if (::GetTextMetricsA(dc, &metrics)) rect->top -= metrics.tmInternalLeading / 2;
    lib::wfc::DrawText(dc, text.c_str(), -1, rect, format);
}

bool CSkinWindowItemStatic::DrawAntialiasText(HDC dc, const std::string& text, RECT* rect,
                                              UINT format)
{
    lib::wfc::CDIB* buffer = GetAccessor()->GetBackBuffer();
    if (buffer == nullptr) return false;
    const RECT clip = buffer->GetClipRect();
    return lib::wfc::DrawTextAntialias(dc, *buffer, m_logFont.lfHeight, text.c_str(), rect, format,
                                       &clip);
}

SkinSize CSkinWindowItemStatic::CalcTextRect(const std::string& text)
{
    lib::wfc::CFont font(&m_logFont);
    lib::wfc::CMemDC memory(nullptr);
    lib::wfc::CDCStateSaver saver(&memory);
    lib::wfc::CDIB* buffer = GetAccessor()->GetBackBuffer();
    if (buffer != nullptr) saver.SelectBitmap(buffer->GetHandle());
    saver.SelectFont(font.GetHandle());
    RECT rect = GetRect().ToRECT();
    DrawPlainText(saver.GetHDC(), text, &rect, m_uFormat | DT_CALCRECT);
    saver.Restore();
    return SkinSize{rect.right - rect.left, rect.bottom - rect.top};
}

// ---- the window's lookup and factories ----

CSkinWindowItemStatic* CSkinWindow::AddStatic(const SkinDefinition& definition,
                                              const SkinItemKey& key)
{
    return CreateStatic(key.m_nId, GetSkinBlock(definition, key.m_strName));
}

CSkinWindowItemStatic* CSkinWindow::CreateStatic(int32_t id, const SkinBlock& block)
{
    return AdoptItem(new CSkinWindowItemStatic(this, id, block, GetImageCache()));
}

CSkinWindowItemStatic* CSkinWindow::CreateCenterStatic(int32_t id, const SkinBlock& block)
{
    // One line centred both ways, never antialiased, whatever the block says.
    CSkinWindowItemStatic* item = new CSkinWindowItemStatic(this, id, block, GetImageCache());
    item->SetFormat(kCenterFormat);
    item->SetAntialias(false);
    return AdoptItem(item);
}

} // namespace ui
