#include "skin/SkinWindowItemAnimation.h"

#include "skin/SkinKeywordTable.h"
#include "skin/SkinLookup.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemAccessor.h"

namespace ui {

namespace {

// Centred both ways, one line.
const UINT kCaptionFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

} // namespace

CSkinWindowItemAnimation::CSkinWindowItemAnimation(ISkinWindowItemAccessor* accessor, int32_t id,
                                                   const SkinBlock& block, SkinImageCache* cache)
    : CSkinWindowItemMouseReport(accessor, id)
    , m_ptOrigin()
    , m_nColumns(0)
    , m_nRows(0)
    , m_nFrameTime(0)
    , m_bRunning(false)
    , m_nCurrentFrame(0)
    , m_dwStartTick(0)
    , m_bStartTaken(false)
    , m_nStartFrame(0)
    , m_caption(kCaptionFormat)
{
    const KeywordTable& table = AnimationKeywords();
    CheckKeywordGroup(block, table, keyword::kAnimationRequired);
    const SkinKeywordMap& values = block.m_mapKeyword;
    const RECT rect = ToRectFromPositionSize(values.at("Position"), values.at("Size"));
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
    const SkinValues& image = values.at("Image");
    m_strImageFile = image[0];
    m_ptOrigin = ToPoint(image, 1);
    m_nColumns = SkinValueToInt(image, 3);
    m_nRows = SkinValueToInt(image, 4);
    cache->GetImage(m_strImageFile);
    m_nFrameTime = SkinValueToInt(values.at("Time"), 0);
    m_caption.Read(block, table, keyword::kAnimationText);
}

CSkinWindowItemAnimation::~CSkinWindowItemAnimation() = default;

bool CSkinWindowItemAnimation::_CanAdvance() const
{
    return m_nFrameTime >= 1 && m_nColumns >= 1 && m_nRows >= 1;
}

void CSkinWindowItemAnimation::Start()
{
    m_bRunning = true;
    m_nStartFrame = m_nCurrentFrame;
    m_bStartTaken = false;
    m_dwStartTick = 0;
}

void CSkinWindowItemAnimation::Stop()
{
    m_bRunning = false;
    m_nCurrentFrame = 0;
    _Redraw();
}

void CSkinWindowItemAnimation::OnEnableChanged()
{
    if (IsEnabled()) {
        Start();
        // The caption takes its enabled colour.
        _Redraw();
    } else {
        Stop();
    }
}

void CSkinWindowItemAnimation::OnTick(DWORD tick)
{
    if (!m_bRunning || !_CanAdvance()) return;
    if (!m_bStartTaken) {
        m_dwStartTick = tick;
        m_bStartTaken = true;
    }
    // Unsigned: a tick count that wrapped since the start still gives the time between.
    const uint64_t elapsed = static_cast<DWORD>(tick - m_dwStartTick) /
                             static_cast<DWORD>(m_nFrameTime);
    const uint64_t total = static_cast<uint64_t>(m_nColumns) * static_cast<uint64_t>(m_nRows);
    const uint64_t start = static_cast<uint64_t>(m_nStartFrame) % total;
    const int32_t frame = static_cast<int32_t>((elapsed % total + start) % total);
    if (frame == m_nCurrentFrame) return;
    m_nCurrentFrame = frame;
    _Redraw();
}

POINT CSkinWindowItemAnimation::GetFrameCorner(int32_t frame) const
{
    // Without a grid there is only frame 0, at the origin.
    const int32_t columns = m_nColumns >= 1 ? m_nColumns : 1;
    const int64_t row = frame / columns;
    const int64_t column = frame % columns;
    // Each frame is the item's size.
    const SkinSize size = GetSize();
    POINT corner;
    corner.x = static_cast<LONG>(size.cx * column + m_ptOrigin.x);
    corner.y = static_cast<LONG>(size.cy * row + m_ptOrigin.y);
    return corner;
}

void CSkinWindowItemAnimation::Draw()
{
    lib::wfc::CDIB* buffer = GetAccessor()->GetBackBuffer();
    if (!IsVisible() || buffer == nullptr) return;
    {
        CSkinImageRef ref = GetAccessor()->GetImageCache()->FindImage(m_strImageFile);
        CSkinImageLock image(ref);
        if (image.Get() != nullptr) {
            const SkinRect item = GetRect();
            const POINT corner = GetFrameCorner(m_nCurrentFrame);
            buffer->Blt(item.left, item.top, item.Width(), item.Height(), *image.Get(), corner.x,
                        corner.y, kSkinKeyColor);
        }
    }
    m_caption.Draw(*buffer, GetPosition(), IsEnabled());
}

// ---- the window's lookup and factory ----

CSkinWindowItemAnimation* CSkinWindow::AddAnimation(const SkinDefinition& definition,
                                                    const SkinItemKey& key)
{
    return CreateAnimation(key.m_nId, GetSkinBlock(definition, key.m_strName));
}

CSkinWindowItemAnimation* CSkinWindow::CreateAnimation(int32_t id, const SkinBlock& block)
{
    return AdoptItem(new CSkinWindowItemAnimation(this, id, block, GetImageCache()));
}

} // namespace ui
