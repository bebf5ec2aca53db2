#include "skin/SkinWindowItemStaticChangeImage.h"

#include "skin/SkinKeywordTable.h"
#include "skin/SkinLookup.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemAccessor.h"
#include "skin/SkinWindowItemStaticImage.h"

namespace ui {

CSkinWindowItemStaticChangeImage::CSkinWindowItemStaticChangeImage(
    ISkinWindowItemAccessor* accessor, int32_t id, const SkinBlock& block, SkinImageCache* cache)
    : CSkinWindowItem(accessor, id)
    , m_init()
    , m_finish()
    , m_bFinish(false)
{
    CheckKeywordGroup(block, StaticChangeImageKeywords(), keyword::kStaticChangeImageRequired);
    const SkinKeywordMap& values = block.m_mapKeyword;
    const RECT rect = ToRectFromPositionSize(values.at("Position"), values.at("Size"));
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
    m_init = ToImageCut(values.at("ImageInit"), 0);
    m_finish = ToImageCut(values.at("ImageFinish"), 0);
    cache->GetImage(m_init.m_strName);
    cache->GetImage(m_finish.m_strName);
}

CSkinWindowItemStaticChangeImage::~CSkinWindowItemStaticChangeImage() = default;

void CSkinWindowItemStaticChangeImage::SetFinish(bool finish)
{
    if (finish == m_bFinish) return;
    m_bFinish = finish;
    _Redraw();
}

void CSkinWindowItemStaticChangeImage::Draw()
{
    lib::wfc::CDIB* buffer = GetAccessor()->GetBackBuffer();
    if (!IsVisible() || buffer == nullptr) return;
    const ImageCut& cut = m_bFinish ? m_finish : m_init;
    CSkinImageRef ref = GetAccessor()->GetImageCache()->FindImage(cut.m_strName);
    CSkinImageLock image(ref);
    if (image.Get() == nullptr) return;
    BltCentered(*buffer, GetRect(), *image.Get(), cut.m_rcCut);
}

// ---- the window's lookup and factory ----

CSkinWindowItemStaticChangeImage* CSkinWindow::AddStaticChangeImage(
    const SkinDefinition& definition, const SkinItemKey& key)
{
    return CreateStaticChangeImage(key.m_nId, GetSkinBlock(definition, key.m_strName));
}

CSkinWindowItemStaticChangeImage* CSkinWindow::CreateStaticChangeImage(int32_t id,
                                                                       const SkinBlock& block)
{
    return AdoptItem(new CSkinWindowItemStaticChangeImage(this, id, block, GetImageCache()));
}

} // namespace ui
