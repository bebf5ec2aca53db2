#include "skin/SkinWindowItemStaticImage.h"

#include "skin/SkinKeywordTable.h"
#include "skin/SkinLookup.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemAccessor.h"

namespace ui {

namespace {

// Left-aligned, vertically centred, one line.
const UINT kCaptionFormat = DT_VCENTER | DT_SINGLELINE;

} // namespace

CSkinWindowItemStaticImage::CSkinWindowItemStaticImage(ISkinWindowItemAccessor* accessor,
                                                       int32_t id, const SkinBlock& block,
                                                       SkinImageCache* cache)
    : CSkinWindowItemMouseReport(accessor, id)
    , m_image()
    , m_bTile(false)
    , m_caption(kCaptionFormat)
    , m_bStretch(false)
    , m_bHitTest(true)
{
    using namespace keyword;
    const KeywordTable& table = StaticImageKeywords();
    CheckKeywordGroup(block, table, kStaticImageRequired);
    CheckKeywordIfPresent(block, table, kStaticImageToolTipText);
    CheckKeywordIfPresent(block, table, kStaticImageTile);

    const SkinKeywordMap& values = block.m_mapKeyword;
    const RECT rect = ToRectFromPositionSize(values.at("Position"), values.at("Size"));
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
    m_image = ToImageCut(values.at("Image"), 0);
    cache->GetImage(m_image.m_strName);
    if (block.Has("ToolTipText")) SetTipText(values.at("ToolTipText")[0]);
    if (block.Has("Tile")) m_bTile = SkinValueToInt(values.at("Tile"), 0) != 0;
    m_caption.Read(block, table, kStaticImageText);
}

CSkinWindowItemStaticImage::~CSkinWindowItemStaticImage() = default;

std::string CSkinWindowItemStaticImage::GetTooltipText() { return m_strTooltipText; }
bool CSkinWindowItemStaticImage::IsHitTestable() { return m_bHitTest; }

void CSkinWindowItemStaticImage::SetRect(const SkinRect& rect)
{
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
}

void CSkinWindowItemStaticImage::OnEnableChanged()
{
    _Redraw();
}

void CSkinWindowItemStaticImage::SetTipText(const std::string& text)
{
    // The tool lets go of the old text before it is replaced.
    SetTooltipText(nullptr);
    m_strTooltipText = text;
    SetTooltipText(m_strTooltipText.c_str());
}

void CSkinWindowItemStaticImage::Draw()
{
    lib::wfc::CDIB* buffer = GetAccessor()->GetBackBuffer();
    if (!IsVisible() || buffer == nullptr) return;
    {
        CSkinImageRef ref = GetAccessor()->GetImageCache()->FindImage(m_image.m_strName);
        CSkinImageLock image(ref);
        if (image.Get() != nullptr) _DrawImage(*buffer, *image.Get());
    }
    m_caption.Draw(*buffer, GetPosition(), IsEnabled());
}

void CSkinWindowItemStaticImage::_DrawImage(lib::wfc::CDIB& buffer, const lib::wfc::CDIB& image)
{
    const SkinRect item = GetRect();
    const RECT& source = m_image.m_rcCut;
    if (m_bTile) {
        // Pieces from the source's top-left corner, the last column and row cut to the item;
        // an empty tile draws nothing rather than never covering the item.
        if (source.right - source.left < 1 || source.bottom - source.top < 1) return;
        buffer.TileBlt(item.left, item.top, item.Width(), item.Height(), image, true, &source,
                       255, kSkinKeyColor);
    } else if (m_bStretch) {
        buffer.StretchBltClipped(item.ToRECT(), image, source, 255, lib::wfc::kNoKeyColor);
    } else {
        BltCentered(buffer, item, image, source);
    }
}

void BltCentered(lib::wfc::CDIB& buffer, const SkinRect& item, const lib::wfc::CDIB& image,
                 const RECT& source)
{
    const int32_t sw = source.right - source.left;
    const int32_t sh = source.bottom - source.top;
    buffer.Blt(item.left + (item.Width() - sw) / 2, item.top + (item.Height() - sh) / 2, sw, sh,
               image, source.left, source.top, kSkinKeyColor);
}

// ---- the window's lookup and factory ----

CSkinWindowItemStaticImage* CSkinWindow::AddStaticImage(const SkinDefinition& definition,
                                                        const SkinItemKey& key)
{
    return CreateStaticImage(key.m_nId, GetSkinBlock(definition, key.m_strName));
}

CSkinWindowItemStaticImage* CSkinWindow::CreateStaticImage(int32_t id, const SkinBlock& block)
{
    return AdoptItem(new CSkinWindowItemStaticImage(this, id, block, GetImageCache()));
}

} // namespace ui
