#include "skin/SkinWindowItemIcon.h"

#include "lib/wfc/DC.h"
#include "skin/SkinWindowItemAccessor.h"

namespace ui {

CSkinWindowItemIcon::CSkinWindowItemIcon(ISkinWindowItemAccessor* accessor, int32_t id,
                                         LPCSTR icon)
    : CSkinWindowItem(accessor, id), m_hIcon(nullptr)
{
    SetToolState(TOOL_NONE);
    if (icon == nullptr) return;
    m_hIcon = ::LoadIconA(nullptr, icon);
    SetSize(::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
}

CSkinWindowItemIcon::~CSkinWindowItemIcon() = default;

void CSkinWindowItemIcon::Draw()
{
    lib::wfc::CDIB* buffer = GetAccessor()->GetBackBuffer();
    if (m_hIcon == nullptr || !IsVisible() || buffer == nullptr) return;
    lib::wfc::CMemDC memory(nullptr);
    lib::wfc::CDCStateSaver saver(&memory);
    saver.SelectBitmap(buffer->GetHandle());
    HDC dc = saver.GetHDC();
    const RECT clip = buffer->GetClipRect();
    ::IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    const SkinPoint at = GetPosition();
    ::DrawIcon(dc, at.x, at.y, m_hIcon);
    ::GdiFlush();
    ::SelectClipRgn(dc, nullptr);
    saver.Restore();
}

} // namespace ui
