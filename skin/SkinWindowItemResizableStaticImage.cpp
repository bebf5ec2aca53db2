#include "skin/SkinWindowItemResizableStaticImage.h"

#include "lib/wfc/DC.h"
#include "lib/wfc/TextAntialias.h"
#include "skin/SkinKeywordTable.h"
#include "skin/SkinLookup.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemAccessor.h"

namespace ui {

namespace {

const UINT kDefaultTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
const int kDisabledLighten = 40;

} // namespace

CSkinWindowItemResizableStaticImage::CSkinWindowItemResizableStaticImage(
    ISkinWindowItemAccessor* accessor, int32_t id, const SkinBlock& block, SkinImageCache* cache)
    : CSkinWindowItem(accessor, id)
    , m_cells()
    , m_logFont()
    , m_crText(RGB(0, 0, 0))
    , m_bAntialias(true)
    , m_rcText()
    , m_uFormat(kDefaultTextFormat)
{
    lib::wfc::GetDefaultLogFont(&m_logFont);
    const KeywordTable& table = ResizableStaticImageKeywords();
    CheckKeywordGroup(block, table, keyword::kResizableStaticImageRequired);
    CheckKeywordIfPresent(block, table, keyword::kResizableStaticImageText);
    _LoadFromBlock(block);
    cache->GetImage(m_strImage);
}

CSkinWindowItemResizableStaticImage::~CSkinWindowItemResizableStaticImage() = default;

void CSkinWindowItemResizableStaticImage::_LoadFromBlock(const SkinBlock& block)
{
    const SkinKeywordMap& keywords = block.m_mapKeyword;
    const POINT position = ToPoint(keywords.at("Position"), 0);
    const POINT size = ToPoint(keywords.at("Size"), 0);
    SetPosition(position.x, position.y);
    SetSize(size.x, size.y);
    const SkinValues& image = keywords.at("Image");
    m_strImage = image[0];
    m_cells = MakeNineGridCells(image, 1);
    if (!block.Has("Text")) return;
    m_strText = keywords.at("Text")[0];
    m_rcText = ToRectFromPositionSize(keywords.at("TextPosition"), keywords.at("TextSize"));
    m_logFont = ToLogFont(keywords.at("TextFont"), 0);
    m_bAntialias = SkinValueToInt(keywords.at("TextAntialias"), 0) != 0;
    m_crText = ToColor(keywords.at("TextColor"), 0);
}

void CSkinWindowItemResizableStaticImage::Draw()
{
    ISkinWindowItemAccessor* accessor = GetAccessor();
    if (!accessor->IsReady() || !IsVisible()) return;
    lib::wfc::CDIB* buffer = accessor->GetBackBuffer();
    if (buffer == nullptr) return;
    {
        CSkinImageRef ref = accessor->GetImageCache()->FindImage(m_strImage);
        CSkinImageLock image(ref);
        if (image.Get() != nullptr) {
            DrawNineGrid(*buffer, *image.Get(), GetRect().ToRECT(), nullptr, m_cells, 255,
                         lib::wfc::kNoKeyColor);
        }
    }
    if (!m_strText.empty()) _DrawText(*buffer);
}

void CSkinWindowItemResizableStaticImage::_DrawText(lib::wfc::CDIB& buffer)
{
    lib::wfc::CFont font(&m_logFont);
    lib::wfc::CMemDC memory;
    lib::wfc::CDCStateSaver saver(&memory);
    saver.SelectBitmap(buffer.GetHandle());
    saver.SelectFont(font.GetHandle());
    const HDC dc = memory.GetHDC();
    const COLORREF color =
        IsEnabled() ? m_crText
                    : lib::wfc::LightenColor(lib::wfc::ToGrayColor(m_crText), kDisabledLighten);
    ::SetTextColor(dc, color);
    ::SetBkMode(dc, TRANSPARENT);

    const SkinPoint at = GetPosition();
    RECT rect = m_rcText;
    ::OffsetRect(&rect, at.x, at.y);
    const RECT& clip = buffer.GetClipRect();
    RECT box = rect;
    if (!m_bAntialias || !lib::wfc::DrawTextAntialias(dc, buffer, m_logFont.lfHeight,
                                                       m_strText.c_str(), &box, m_uFormat,
                                                       &clip)) {
        // GDI draws into the same pixels: kept inside the buffer's clipping like the rest.
        ::IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
        box = rect;
        lib::wfc::DrawText(dc, m_strText.c_str(), -1, &box, m_uFormat);
        ::GdiFlush();
        ::SelectClipRgn(dc, nullptr);
    }
    saver.Restore();
}

void CSkinWindowItemResizableStaticImage::SetRect(const SkinRect& rect)
{
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
}

void CSkinWindowItemResizableStaticImage::OnEnableChanged()
{
    const SkinRect rect = GetRect();
    GetAccessor()->RedrawRect(rect.left, rect.top, rect.right, rect.bottom, false);
}

// ---- the window's lookup and factory of this kind ----

CSkinWindowItemResizableStaticImage* CSkinWindow::AddResizableStaticImage(
    const SkinDefinition& definition, const SkinItemKey& key)
{
    return CreateResizableStaticImage(key.m_nId, GetSkinBlock(definition, key.m_strName));
}

CSkinWindowItemResizableStaticImage* CSkinWindow::CreateResizableStaticImage(
    int32_t id, const SkinBlock& block)
{
    return AdoptItem(new CSkinWindowItemResizableStaticImage(this, id, block, GetImageCache()));
}

} // namespace ui
