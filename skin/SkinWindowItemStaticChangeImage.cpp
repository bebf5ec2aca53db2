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
    , m_rcInit()
    , m_rcFinish()
    , m_bFinish(false)
{
    CheckKeywordGroup(block, StaticChangeImageKeywords(), keyword::kStaticChangeImageRequired);
    const SkinKeywordMap& values = block.m_mapKeyword;
    const RECT rect = ToRectFromPositionSize(values.at("Position"), values.at("Size"));
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
    const SkinValues& init = values.at("ImageInit");
    m_strInitFile = init[0];
    m_rcInit = ToRect(init, 1);
    const SkinValues& finish = values.at("ImageFinish");
    m_strFinishFile = finish[0];
    m_rcFinish = ToRect(finish, 1);
    cache->GetImage(m_strInitFile);
    cache->GetImage(m_strFinishFile);
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
    const std::string& file = m_bFinish ? m_strFinishFile : m_strInitFile;
    const RECT& source = m_bFinish ? m_rcFinish : m_rcInit;
    CSkinImageRef ref = GetAccessor()->GetImageCache()->FindImage(file);
    CSkinImageLock image(ref);
    if (image.Get() == nullptr) return;
    BltCentered(*buffer, GetRect(), *image.Get(), source);
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
