#include "skin/SkinWindowItemToggleButton.h"

#include "skin/SkinLookup.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemAccessor.h"

namespace ui {

CSkinWindowItemToggleButton::CSkinWindowItemToggleButton(ISkinWindowItemAccessor* accessor,
                                                         int32_t id, const SkinBlock& block,
                                                         SkinImageCache* cache)
    : CSkinWindowItemButton(accessor, id, block, cache)
{
}

CSkinWindowItemToggleButton::~CSkinWindowItemToggleButton() = default;

int CSkinWindowItemToggleButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case ITEM_MESSAGE_SET_CHECK:
        if (m_bPressed) return 0;
        m_bChecked = wParam != 0;
        m_bShownPressed = m_bChecked;
        _Redraw();
        GetAccessor()->SetTooltip(this);
        return 0;
    default:
        return CSkinWindowItemButton::OnMessage(message, wParam, lParam);
    }
}

bool CSkinWindowItemToggleButton::_ShowCheckState(bool hot)
{
    const bool changed = m_bShownPressed != m_bChecked || m_bHot != hot;
    m_bShownPressed = m_bChecked;
    m_bHot = hot;
    return changed;
}

void CSkinWindowItemToggleButton::OnMouseMove(int x, int y)
{
    if (!IsEnabled()) return;
    const bool inside = _Inside(x, y);
    bool changed;
    if (m_bPressed) {
        // Inside, the press shows pushed; outside, the hot look of the state.
        const bool shown = inside || m_bChecked;
        changed = shown != m_bShownPressed || m_bHot != !inside;
        m_bShownPressed = shown;
        m_bHot = !inside;
    } else {
        changed = m_bHot != inside;
        m_bHot = inside;
    }
    if (changed) _Redraw();
}

void CSkinWindowItemToggleButton::OnLButtonUp(int x, int y)
{
    if (!IsEnabled() || !m_bPressed) return;
    m_bPressed = false;
    const bool inside = _Inside(x, y);
    if (inside && IsAutoCheck()) {
        // Flipped by the item message, which shows the new state, redraws and refreshes the
        // tip.
        m_bHot = true;
        OnMessage(ITEM_MESSAGE_SET_CHECK, m_bChecked ? 0 : 1, 0);
    } else {
        _ShowCheckState(inside);
        _Redraw();
    }
    if (inside) _Report(ITEM_EVENT_CLICK);
}

void CSkinWindowItemToggleButton::OnLButtonCancel(int x, int y)
{
    if (!IsEnabled() || !m_bPressed) return;
    m_bPressed = false;
    if (_ShowCheckState(_Inside(x, y))) _Redraw();
}

void CSkinWindowItemToggleButton::_EndPressOnDisable()
{
    // As a cancelled press: the look returns to the state, nothing is reported.
    m_bPressed = false;
    _ShowCheckState(false);
}

// ---- the window's lookup and factory ----

CSkinWindowItemToggleButton* CSkinWindow::AddToggleButton(const SkinDefinition& definition,
                                                          const SkinItemKey& key)
{
    return CreateToggleButton(key.m_nId, GetSkinBlock(definition, key.m_strName));
}

CSkinWindowItemToggleButton* CSkinWindow::CreateToggleButton(int32_t id, const SkinBlock& block)
{
    return AdoptItem(new CSkinWindowItemToggleButton(this, id, block, GetImageCache()));
}

} // namespace ui
