// The button list view's mouse input: presses, clicks, drags and separator drags, the hover
// and pressed looks, and the tooltip that follows the hovered part.

#include "skin/ButtonListView.h"

#include "skin/SkinWindowItemAccessor.h"

#include <algorithm>

namespace ui {

namespace {

const char kDragSection[] = "windows";
const char kDragKey[] = "DragMinDist";
const int kDefaultDragDistance = 2;

// Farther than the drag distance, which the user may change at any time.
bool IsBeyondDragDistance(const POINT& from, int x, int y)
{
    const int64_t distance = ::GetProfileIntA(kDragSection, kDragKey, kDefaultDragDistance);
    if (distance < 0) return true;
    const int64_t dx = static_cast<int64_t>(from.x) - x;
    const int64_t dy = static_cast<int64_t>(from.y) - y;
    return dx * dx + dy * dy > distance * distance;
}

} // namespace

bool CButtonListView::OnLButtonDown(int x, int y)
{
    if (!IsEnabled()) return false;
    int32_t row = -1;
    int32_t index = -1;
    const int32_t part = HitTest(x, y, &row, &index);
    bool capture = false;
    switch (part) {
    case LIST_PART_HEADER:
        if (m_vColumn[index].m_bHeaderClickable) {
            SetPressedPart(ButtonListViewPart{0, LIST_PART_HEADER, index});
            capture = true;
        }
        break;
    case LIST_PART_BUTTON:
        SetPressedPart(ButtonListViewPart{row, LIST_PART_BUTTON, index});
        capture = true;
        break;
    case LIST_PART_SEPARATOR:
        // A fixed column's separator is held too (the press and click still count), but its
        // moves resize nothing.
        m_nPressWidth = m_vColumn[index].m_nWidth;
        capture = true;
        break;
    case LIST_PART_CELL:
        capture = row != -1;
        break;
    default:
        break;
    }
    if (row != -1 &&
        (part == LIST_PART_BUTTON || part == LIST_PART_CELL || part == LIST_PART_SEPARATOR) &&
        m_pListener != nullptr) {
        m_pListener->OnPress(this, row, part, part == LIST_PART_CELL ? index : -1,
                             _IsOnIcon(row, part, index, x));
    }
    if (capture) {
        m_pressPart = ButtonListViewPart{row, part, index};
        m_ptPress = POINT{x, y};
        m_bPressRight = false;
        m_bDragStarted = false;
    }
    return capture;
}

bool CButtonListView::OnLButtonDblClk(int x, int y)
{
    if (!IsEnabled()) return false;
    int32_t row = -1;
    int32_t index = -1;
    const int32_t part = HitTest(x, y, &row, &index);
    if ((part == LIST_PART_CELL || part == LIST_PART_SEPARATOR) && row != -1) {
        if (m_pListener != nullptr) {
            m_pListener->OnDoubleClick(this, row, part, index, _IsOnIcon(row, part, index, x));
        }
        return false;
    }
    // A header cell or a button: the double click is a press, and the window captures for it.
    if (part == LIST_PART_HEADER || part == LIST_PART_BUTTON) return OnLButtonDown(x, y);
    return false;
}

void CButtonListView::OnMouseMove(int x, int y)
{
    int32_t row = -1;
    int32_t index = -1;
    const int32_t part = HitTest(x, y, &row, &index);
    if (GetAccessor()->GetCaptureItem() != this || m_pressPart.m_nPart == LIST_PART_NONE) {
        SetHoverPart(ButtonListViewPart{row, part, index});
        return;
    }
    switch (m_pressPart.m_nPart) {
    case LIST_PART_HEADER:
    case LIST_PART_BUTTON:
        // The pushed look follows the mouse out of the pressed part and back in.
        SetPressedPart(ButtonListViewPart{row, part, index} == m_pressPart
                           ? m_pressPart
                           : ButtonListViewPart::None());
        break;
    case LIST_PART_SEPARATOR:
        _DragSeparator(x);
        break;
    case LIST_PART_CELL:
        // Only a left press drags: a right press has no drop to end it.
        if (!m_bDragStarted && !m_bPressRight && IsBeyondDragDistance(m_ptPress, x, y)) {
            m_bDragStarted = true;
            if (m_pListener != nullptr) {
                m_pListener->OnDragStart(this, x, y, m_pressPart.m_nRow, m_pressPart.m_nIndex);
            }
        }
        break;
    default:
        break;
    }
}

void CButtonListView::_DragSeparator(int32_t x)
{
    ButtonListViewColumn& column = m_vColumn.at(m_pressPart.m_nIndex);
    if (column.m_bFixed) return;
    const int64_t minimum = GetMinColumnWidth();
    // The dragged edge keeps a minimum column width from both ends of the list; the lower
    // limit wins when they cross.
    const int64_t lowest = GetButtonGroupWidth(LIST_SIDE_LEFT) + minimum;
    const int64_t highest = GetSize().cx - minimum;
    const int64_t edge = std::max(std::min<int64_t>(x, highest), lowest);
    column.m_nWidth = ClampToInt32(m_nPressWidth + (edge - m_ptPress.x));
    RecalcColumns();
    _RedrawItem(false);
    if (m_pListener != nullptr) m_pListener->OnLayoutChanged(this);
}

void CButtonListView::OnLButtonUp(int x, int y)
{
    if (m_pressPart.m_nPart == LIST_PART_NONE) return;
    int32_t row = -1;
    int32_t index = -1;
    const int32_t part = HitTest(x, y, &row, &index);
    const ButtonListViewPart press = m_pressPart;
    m_pressPart = ButtonListViewPart::None();
    SetPressedPart(ButtonListViewPart::None());

    bool handled = false;
    if (row != -1 && row == press.m_nRow && part == press.m_nPart) {
        if (part == LIST_PART_BUTTON) {
            if (index == press.m_nIndex) {
                OnButtonClicked(row, index);
                handled = true;
            }
        } else if (part == LIST_PART_HEADER) {
            if (index == press.m_nIndex && m_pListener != nullptr) {
                m_pListener->OnHeaderClick(this, index);
            }
            handled = true;
        }
    }
    if (!handled && ButtonListViewPart{row, part, index} == press && m_pListener != nullptr) {
        m_pListener->OnClick(this, row, part, index, _IsOnIcon(row, part, index, x));
    }
    if (m_bDragStarted) {
        m_bDragStarted = false;
        if (m_pListener != nullptr) {
            const SkinPoint at = GetPosition();
            m_pListener->OnDrop(this, at.x + x, at.y + y, press.m_nRow);
        }
    }
}

bool CButtonListView::OnRButtonDown(int x, int y)
{
    if (!IsEnabled()) return false;
    int32_t row = -1;
    int32_t index = -1;
    if (HitTest(x, y, &row, &index) != LIST_PART_CELL || row == -1) return false;
    m_pressPart = ButtonListViewPart{row, LIST_PART_CELL, index};
    m_ptPress = POINT{x, y};
    m_bPressRight = true;
    m_bDragStarted = false;
    return true;
}

void CButtonListView::OnRButtonUp(int x, int y)
{
    int32_t row = -1;
    int32_t index = -1;
    const int32_t part = HitTest(x, y, &row, &index);
    if (m_pressPart.m_nPart == LIST_PART_NONE) return;
    const ButtonListViewPart press = m_pressPart;
    _DropPress();
    if (part == LIST_PART_CELL && ButtonListViewPart{row, part, index} == press &&
        m_pListener != nullptr) {
        m_pListener->OnRightClick(this, row, part, index, _IsOnIcon(row, part, index, x));
    }
}

void CButtonListView::OnLButtonCancel(int, int)
{
    _DropPress();
}

void CButtonListView::OnRButtonCancel(int, int)
{
    _DropPress();
}

void CButtonListView::_DropPress()
{
    m_pressPart = ButtonListViewPart::None();
    m_bDragStarted = false;
    m_bPressRight = false;
    SetPressedPart(ButtonListViewPart::None());
}

void CButtonListView::OnMouseLeave()
{
    SetPressedPart(ButtonListViewPart::None());
    SetHoverPart(ButtonListViewPart::None());
}

bool CButtonListView::OnSetCursor(int x, int y)
{
    int32_t row = -1;
    int32_t index = -1;
    const int32_t part = HitTest(x, y, &row, &index);
    if (part == LIST_PART_SEPARATOR) return true;
    if (part == LIST_PART_BUTTON && m_pTable != nullptr &&
        m_pTable->HasButton(this, row, m_vButton[index].m_uId)) {
        ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
        return true;
    }
    return false;
}

void CButtonListView::OnEnableChanged()
{
    // The labels show the disabled faces.
    _RedrawItem(false);
}

// ---- looks and tooltip ----

void CButtonListView::SetPressedPart(const ButtonListViewPart& part)
{
    if (part == m_pressedPart) return;
    const ButtonListViewPart previous = m_pressedPart;
    m_pressedPart = part;
    for (const ButtonListViewPart& changed : {previous, part}) {
        if (changed.IsValid()) _RedrawPart(changed);
    }
}

void CButtonListView::SetHoverPart(const ButtonListViewPart& part)
{
    if (part == m_hoverPart) return;
    const ButtonListViewPart previous = m_hoverPart;
    m_hoverPart = part;
    if (previous.IsValid()) _RedrawPart(previous);
    UpdateToolTip();
}

void CButtonListView::UpdateToolTip()
{
    const RECT area = m_hoverPart.IsValid() ? _RedrawPart(m_hoverPart) : RECT();

    std::string text;
    const int32_t row = m_hoverPart.m_nRow;
    const int32_t index = m_hoverPart.m_nIndex;
    if (m_pTable != nullptr && index != -1) {
        switch (m_hoverPart.m_nPart) {
        case LIST_PART_HEADER:
            text = m_pTable->GetHeaderToolTip(this, index);
            break;
        case LIST_PART_BUTTON: {
            const ButtonListViewButton& button = m_vButton.at(index);
            int32_t label = -1;
            bool on = false;
            if (_ButtonLabelAndOn(row, button, &label, &on)) {
                text = m_vButtonTooltip[static_cast<size_t>(label) * 2 + (on ? 1 : 0)];
            }
            m_pTable->AdjustButtonToolTip(this, row, button.m_uId, text);
            break;
        }
        case LIST_PART_CELL:
            text = m_pTable->GetCellToolTip(this, row, index);
            break;
        default:
            break;
        }
    }

    bool changed = false;
    if (text != m_strTooltip) {
        m_strTooltip = text;
        changed = true;
    }
    RECT& tool = GetToolInfo().rect;
    if (!::EqualRect(&tool, &area)) {
        tool = area;
        changed = true;
    }
    if (changed) GetAccessor()->SetTooltip(this);
}

RECT CButtonListView::_RedrawPart(const ButtonListViewPart& part)
{
    const RECT rect = DrawPart(part);
    if (!::IsRectEmpty(&rect)) {
        GetAccessor()->RedrawRect(rect.left, rect.top, rect.right, rect.bottom, false);
    }
    return rect;
}

std::string CButtonListView::GetTooltipText()
{
    return m_strTooltip;
}

} // namespace ui
