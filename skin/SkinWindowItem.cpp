#include "skin/SkinWindowItem.h"

#include "skin/SkinWindowItemAccessor.h"

namespace ui {

CSkinWindowItem::CSkinWindowItem(ISkinWindowItemAccessor* accessor, int32_t id)
    : m_pAccessor(accessor)
    , m_nId(id)
    , m_ptPosition{0, 0}
    , m_size{0, 0}
    , m_bVisible(true)
    , m_bEnabled(true)
    , m_toolInfo()
{
    m_toolInfo.cbSize = sizeof m_toolInfo;
    m_toolInfo.uFlags = TTF_SUBCLASS;
    m_toolInfo.uId = static_cast<UINT_PTR>(static_cast<uint32_t>(id));
    m_toolInfo.lpszText = LPSTR_TEXTCALLBACKA;
    SetToolState(TOOL_ADD);
}

CSkinWindowItem::~CSkinWindowItem() = default;

void CSkinWindowItem::Dispose()
{
    delete this;
}

bool CSkinWindowItem::IsEnabled() { return m_bEnabled; }
std::string CSkinWindowItem::GetTooltipText() { return std::string(); }
bool CSkinWindowItem::IsHitTestable() { return true; }
int CSkinWindowItem::OnMessage(UINT, WPARAM, LPARAM) { return 0; }
void CSkinWindowItem::OnMouseMove(int, int) {}
bool CSkinWindowItem::OnLButtonDown(int, int) { return false; }
bool CSkinWindowItem::OnLButtonDblClk(int x, int y) { return OnLButtonDown(x, y); }
void CSkinWindowItem::OnLButtonUp(int, int) {}
void CSkinWindowItem::OnLButtonCancel(int x, int y) { OnLButtonUp(x, y); }
bool CSkinWindowItem::OnRButtonDown(int, int) { return false; }
bool CSkinWindowItem::OnRButtonDblClk(int x, int y) { return OnRButtonDown(x, y); }
void CSkinWindowItem::OnRButtonUp(int, int) {}
void CSkinWindowItem::OnRButtonCancel(int x, int y) { OnRButtonUp(x, y); }
void CSkinWindowItem::OnMouseLeave() {}
bool CSkinWindowItem::OnSetCursor(int, int) { return false; }
void CSkinWindowItem::OnTick(DWORD) {}
void CSkinWindowItem::OnAttach(HWND, int, int) {}
void CSkinWindowItem::OnSetFocus() {}
void CSkinWindowItem::OnKillFocus() {}
bool CSkinWindowItem::PreTranslateMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }
void CSkinWindowItem::Draw() {}
void CSkinWindowItem::OnEnableChanged() {}
void CSkinWindowItem::OnVisibleChanged() {}

void CSkinWindowItem::SetRect(const SkinRect& rect)
{
    SetPosition(rect.left, rect.top);
}

void CSkinWindowItem::SetVisible(bool visible)
{
    if (visible == m_bVisible) return;
    m_bVisible = visible;
    OnVisibleChanged();
    _Redraw();
}

void CSkinWindowItem::_Redraw()
{
    const SkinRect rect = GetRect();
    m_pAccessor->RedrawRect(rect.left, rect.top, rect.right, rect.bottom, false);
}

void CSkinWindowItem::SetEnable(bool enable)
{
    if (enable == m_bEnabled) return;
    m_bEnabled = enable;
    OnEnableChanged();
}

void CSkinWindowItem::SetPosition(int32_t x, int32_t y)
{
    m_ptPosition = SkinPoint{x, y};
}

void CSkinWindowItem::SetSize(int32_t width, int32_t height)
{
    m_size = SkinSize{width, height};
}

void CSkinWindowItem::SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    SetPosition(left, top);
    SetSize(right - left, bottom - top);
}

void CSkinWindowItem::SetTooltipText(const char* text)
{
    if (text != nullptr) {
        m_strTooltipText = text;
        m_toolInfo.lpszText = &m_strTooltipText[0];
    } else {
        m_strTooltipText.clear();
        m_toolInfo.lpszText = LPSTR_TEXTCALLBACKA;
    }
    if (m_pAccessor->IsReady()) m_pAccessor->SetTooltip(this);
}

} // namespace ui
