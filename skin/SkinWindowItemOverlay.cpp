#include "skin/SkinWindowItemOverlay.h"

#include "skin/SkinKeywordTable.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemAccessor.h"

#include <algorithm>

namespace ui {

CSkinWindowItemOverlay::CSkinWindowItemOverlay(ISkinWindowItemAccessor* accessor, int32_t id,
                                               const SkinBlock& block, SkinImageCache* cache)
    : CSkinWindowItem(accessor, id), m_cells(), m_nAlpha(255)
{
    CheckKeywordGroup(block, OverlayKeywords(), keyword::kOverlayRequired);
    _LoadFromBlock(block, cache);
    SetToolState(TOOL_NONE);
}

CSkinWindowItemOverlay::~CSkinWindowItemOverlay() = default;

void CSkinWindowItemOverlay::_LoadFromBlock(const SkinBlock& block, SkinImageCache* cache)
{
    const SkinValues& image = block.m_mapKeyword.at("Image");
    m_strImage = image[0];
    m_cells = MakeNineGridCells(image, 1);
    cache->GetImage(m_strImage);
    if (block.Has("Alpha")) {
        CheckKeywordGroup(block, OverlayKeywords(), keyword::kOverlayAlpha);
        m_nAlpha = std::max(0, std::min(255, SkinValueToInt(block.m_mapKeyword.at("Alpha"), 0)));
    }
}

bool CSkinWindowItemOverlay::IsHitTestable() { return false; }

void CSkinWindowItemOverlay::Draw()
{
    ISkinWindowItemAccessor* accessor = GetAccessor();
    lib::wfc::CDIB* buffer = accessor->GetBackBuffer();
    if (buffer == nullptr) return;
    CSkinImageRef ref = accessor->GetImageCache()->FindImage(m_strImage);
    CSkinImageLock image(ref);
    if (image.Get() == nullptr) return;
    DrawNineGrid(*buffer, *image.Get(), GetRect().ToRECT(), nullptr, m_cells, m_nAlpha,
                 kSkinKeyColor);
}

void CSkinWindowItemOverlay::SetRect(const SkinRect& rect)
{
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
}

void CSkinWindowItemOverlay::OnEnableChanged()
{
    _Redraw();
}

// ---- the window's factory of this kind ----

CSkinWindowItemOverlay* CSkinWindow::CreateOverlay(int32_t id, const SkinBlock& block)
{
    return AdoptItem(new CSkinWindowItemOverlay(this, id, block, GetImageCache()));
}

} // namespace ui
