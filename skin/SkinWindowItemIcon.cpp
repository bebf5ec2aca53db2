#include "skin/SkinWindowItemIcon.h"

#include "skin/SkinLabelDrawing.h"
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
    CSkinBufferDC dc(*buffer, nullptr);
    const SkinPoint at = GetPosition();
    ::DrawIcon(dc.GetHDC(), at.x, at.y, m_hIcon);
}

} // namespace ui
