#include "skin/SkinWindowItemResizableStaticImage.h"

#include "skin/SkinKeywordTable.h"
#include "skin/SkinLookup.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemAccessor.h"

namespace ui {

namespace {

const UINT kDefaultTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

} // namespace

CSkinWindowItemResizableStaticImage::CSkinWindowItemResizableStaticImage(
    ISkinWindowItemAccessor* accessor, int32_t id, const SkinBlock& block, SkinImageCache* cache)
    : CSkinWindowItem(accessor, id)
    , m_cells()
    , m_caption(kDefaultTextFormat)
{
    const KeywordTable& table = ResizableStaticImageKeywords();
    CheckKeywordGroup(block, table, keyword::kResizableStaticImageRequired);
    m_caption.Read(block, table, keyword::kResizableStaticImageText);
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
    m_caption.Draw(*buffer, GetPosition(), IsEnabled());
}

void CSkinWindowItemResizableStaticImage::SetRect(const SkinRect& rect)
{
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
}

void CSkinWindowItemResizableStaticImage::OnEnableChanged()
{
    _Redraw();
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
