// The button list view: building it from its block, its geometry, the column fitting, the
// hit test and the scroll model. Input and tooltips are in ButtonListViewInput.cpp, drawing
// in ButtonListViewDraw.cpp.

#include "skin/ButtonListView.h"

#include "lib/StringUtility.h"
#include "skin/SkinKeywordTable.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindowItemAccessor.h"
#include "skin/SkinWindowItemScrollBar.h"

#include <algorithm>

namespace ui {

namespace {

// The minimum column width while no table is set.
const int32_t kDefaultMinColumnWidth = 50;
const int32_t kTextMarginSide = 8;

// A count written in the block; below 0 counts as none.
int32_t SkinCount(const SkinValues& values)
{
    return std::max(SkinValueToInt(values, 0), 0);
}

SkinImagePart ToImagePart(const SkinValues& values)
{
    const ImageCut cut = ToImageCut(values, 0);
    return SkinImagePart{cut.m_strName, cut.m_rcCut};
}

// image, x0, x1, x2, x3, y0, y1.
ButtonListViewPieces ToPieces(const SkinValues& values)
{
    const std::string& image = values.at(0);
    int32_t x[4];
    for (size_t i = 0; i < 4; ++i) x[i] = SkinValueToInt(values, 1 + i);
    const int32_t top = SkinValueToInt(values, 5);
    const int32_t bottom = SkinValueToInt(values, 6);
    return ButtonListViewPieces{SkinImagePart{image, RECT{x[0], top, x[1], bottom}},
                                SkinImagePart{image, RECT{x[1], top, x[2], bottom}},
                                SkinImagePart{image, RECT{x[2], top, x[3], bottom}}};
}

// The values of the indexed key "<keyword>.<index>", checked as the keyword's own entry.
const SkinValues& IndexedValues(const SkinBlock& block, KeywordGroup group, int32_t index)
{
    KeywordSpec spec = KeywordAt(ButtonListViewKeywords(), group);
    spec.m_strName += lib::FormatString(".%d", index);
    CheckKeywordParams(block, &spec, 1);
    return block.m_mapKeyword.at(spec.m_strName);
}

void TakeImage(SkinImageCache* cache, const SkinImagePart& part)
{
    if (part.HasFile()) cache->GetImage(part.m_strFile);
}

void TakePieces(SkinImageCache* cache, const ButtonListViewPieces& pieces)
{
    TakeImage(cache, pieces.m_left);
}

} // namespace

// ---- the interfaces' defaults ----

CButtonListViewTable::~CButtonListViewTable() = default;
int32_t CButtonListViewTable::GetHeaderIcon(CButtonListView*, int32_t) { return -1; }
int32_t CButtonListViewTable::GetCellIcon(CButtonListView*, int32_t, int32_t) { return -1; }
std::string CButtonListViewTable::GetHeaderToolTip(CButtonListView*, int32_t)
{
    return std::string();
}
void CButtonListViewTable::AdjustButtonToolTip(CButtonListView*, int32_t, uint32_t, std::string&)
{
}

CButtonListViewListener::~CButtonListViewListener() = default;
void CButtonListViewListener::OnClick(CButtonListView*, int32_t, int32_t, int32_t, bool) {}
void CButtonListViewListener::OnRightClick(CButtonListView*, int32_t, int32_t, int32_t, bool) {}
void CButtonListViewListener::OnHeaderClick(CButtonListView*, int32_t) {}
void CButtonListViewListener::OnDragStart(CButtonListView*, int32_t, int32_t, int32_t, int32_t) {}
void CButtonListViewListener::OnDrop(CButtonListView*, int32_t, int32_t, int32_t) {}
bool CButtonListViewListener::OnCustomDrawCell(CButtonListView*, int32_t, int32_t, HDC,
                                               lib::wfc::CDIB*, const RECT&, const RECT&)
{
    return false;
}

// ---- building ----

CButtonListView::CButtonListView(ISkinWindowItemAccessor* accessor, int32_t id,
                                 const SkinBlock& block, SkinImageCache* cache,
                                 CSkinWindowItemScrollBar* scrollBar,
                                 CButtonListViewListener* listener)
    : CSkinWindowItem(accessor, id)
    , m_bIndent(false)
    , m_pScrollBar(scrollBar)
    , m_pTable(nullptr)
    , m_pListener(listener)
    , m_pImageCache(cache)
    , m_aButtonFace()
    , m_nLabelCount(0)
    , m_nRowHeight(1)
    , m_nButtonWidth(0)
    , m_nColumnGap(0)
    , m_nTextMarginLeft(kTextMarginSide)
    , m_nTextMarginTop(0)
    , m_nTextMarginRight(kTextMarginSide)
    , m_nTextMarginBottom(0)
    , m_bHeaderShown(false)
    , m_dc(nullptr)
    , m_hOldFont(nullptr)
    , m_hoverPart(ButtonListViewPart::None())
    , m_pressedPart(ButtonListViewPart::None())
    , m_pressPart(ButtonListViewPart::None())
    , m_ptPress{0, 0}
    , m_nPressWidth(0)
    , m_bPressRight(false)
    , m_bDragStarted(false)
    , m_bFitColumns(true)
    , m_nHeaderHeight(0)
    , m_nHeaderIconMode(0)
{
    CheckKeywordGroup(block, ButtonListViewKeywords(), keyword::kButtonListViewRequired);
    LoadFromBlock(block, cache);
}

CButtonListView::~CButtonListView()
{
    if (m_hOldFont != nullptr && m_dc.GetHDC() != nullptr) {
        ::SelectObject(m_dc.GetHDC(), m_hOldFont);
    }
}

void CButtonListView::LoadFromBlock(const SkinBlock& block, SkinImageCache* cache)
{
    const SkinKeywordMap& keywords = block.m_mapKeyword;
    const RECT bounds = ToRectFromPositionSize(keywords.at("Position"), keywords.at("Size"));
    SetBounds(bounds.left, bounds.top, bounds.right, bounds.bottom);

    const char* const faces[] = {"NormalButton", "NormalHotButton", "PushedButton",
                                 "PushedHotButton"};
    for (size_t i = 0; i < 4; ++i) m_aButtonFace[i] = ToImagePart(keywords.at(faces[i]));
    m_normalHeader = ToPieces(keywords.at("NormalHeader"));
    m_pushedHeader = ToPieces(keywords.at("PushedHeader"));
    m_activeRow = ToPieces(keywords.at("ActiveRow"));

    // Counts are read one key at a time, so a huge count ends at its first missing key
    // instead of asking for the memory first.
    const int32_t rowStyles = SkinCount(keywords.at("NormalRowCount"));
    for (int32_t i = 0; i < rowStyles; ++i) {
        m_vRowStyle.push_back(
            ToPieces(IndexedValues(block, keyword::kButtonListViewNormalRow, i)));
    }

    const int32_t labels = SkinCount(keywords.at("LabelCount"));
    const KeywordGroup labelKeys[] = {keyword::kButtonListViewOnLabel,
                                      keyword::kButtonListViewOffLabel,
                                      keyword::kButtonListViewOnDLabel,
                                      keyword::kButtonListViewOffDLabel};
    for (int32_t label = 0; label < labels; ++label) {
        for (const KeywordGroup group : labelKeys) {
            m_vLabelFace.push_back(ToImagePart(IndexedValues(block, group, label)));
        }
        for (const KeywordGroup group : {keyword::kButtonListViewButtonToolTipText,
                                         keyword::kButtonListViewButtonToolTipTextP}) {
            m_vButtonTooltip.push_back(IndexedValues(block, group, label).at(0));
        }
    }
    m_nLabelCount = labels;

    const KeywordTable& table = ButtonListViewKeywords();
    CheckKeywordIfPresent(block, table, keyword::kButtonListViewIconCount);
    if (block.Has(KeywordAt(table, keyword::kButtonListViewIconCount).m_strName)) {
        const int32_t icons = SkinCount(keywords.at("IconCount"));
        for (int32_t i = 0; i < icons; ++i) {
            const SkinValues& values = IndexedValues(block, keyword::kButtonListViewIconImage, i);
            m_vIcon.push_back(ToImagePart(values));
            m_vIconOffset.push_back(POINT{SkinValueToInt(values, 5), SkinValueToInt(values, 6)});
        }
    }

    // Every image the list draws is held from here on, so drawing never loads one.
    if (cache != nullptr) {
        for (const SkinImagePart& face : m_aButtonFace) TakeImage(cache, face);
        for (const ButtonListViewPieces* pieces : {&m_normalHeader, &m_pushedHeader, &m_activeRow}) {
            TakePieces(cache, *pieces);
        }
        for (const ButtonListViewPieces& style : m_vRowStyle) TakePieces(cache, style);
        for (const SkinImagePart& face : m_vLabelFace) TakeImage(cache, face);
        for (const SkinImagePart& icon : m_vIcon) TakeImage(cache, icon);
    }

    // A skin whose button face has no height still gets rows of one pixel.
    m_nRowHeight = std::max(m_aButtonFace[0].Height(), 1);
    m_nButtonWidth = std::max(m_aButtonFace[0].Width(), 0);

    const LOGFONTA logFont = ToLogFont(keywords.at("Font"), 0);
    m_font.CreateFontIndirect(&logFont);
    m_hOldFont = m_dc.SelectObject(m_font.GetHandle());
    ::SetBkMode(m_dc.GetHDC(), TRANSPARENT);
    TEXTMETRICA metrics = {};
    ::GetTextMetricsA(m_dc.GetHDC(), &metrics);
    const int32_t spare = m_nRowHeight - metrics.tmHeight;
    m_nTextMarginTop = std::max(spare / 2, spare - spare / 2);
    m_nTextMarginBottom = std::min(spare / 2, spare - spare / 2);

    m_nHeaderHeight = std::max(m_normalHeader.m_left.Height(), 0);
}

// ---- what the owner sets ----

void CButtonListView::SetTable(CButtonListViewTable* table)
{
    m_pTable = table;
    UpdateRow(-1);
}

void CButtonListView::SetFitColumns(bool fit)
{
    m_bFitColumns = fit;
}

void CButtonListView::ShowHeader(bool show)
{
    if (show == m_bHeaderShown) return;
    m_bHeaderShown = show;
    if (m_pTable != nullptr) _UpdateScrollRange();
    _RedrawItem(false);
}

void CButtonListView::AddColumn(const std::string& title, uint32_t cellFormat, int32_t width,
                                bool fixed, bool headerClickable, bool cellIcons,
                                uint32_t headerFormat)
{
    m_vColumn.push_back(ButtonListViewColumn{width, title, cellFormat, headerFormat, fixed,
                                             headerClickable, cellIcons, width});
}

void CButtonListView::AddButton(int32_t label, uint32_t id, uint8_t side, bool toggle,
                                bool visible)
{
    m_vButton.push_back(ButtonListViewButton{label, id, side, static_cast<uint8_t>(toggle),
                                             static_cast<uint8_t>(visible)});
}

// The windows ask for a fitted first column, and every column of theirs is fixed. So with the
// fit flag column 0 takes the room the others leave whether it is fixed or not; when the list
// narrows again a fixed column 0 gives back what it grew (first, as the walk goes from the
// first column with the flag), never going below the width it was added with. Any other fixed
// column keeps its width; free columns never go below the minimum column width.
void CButtonListView::RecalcColumns()
{
    if (m_vColumn.empty()) return;
    const int64_t available = std::max<int64_t>(
        static_cast<int64_t>(GetSize().cx) - GetButtonGroupWidth(LIST_SIDE_LEFT) -
            GetButtonGroupWidth(LIST_SIDE_RIGHT),
        0);
    const int32_t minimum = GetMinColumnWidth();
    for (ButtonListViewColumn& column : m_vColumn) {
        if (!column.m_bFixed) column.m_nWidth = std::max(column.m_nWidth, minimum);
    }
    // Counted after the raise, so that a column raised to the minimum is paid for.
    int64_t total = static_cast<int64_t>(m_vColumn.size() - 1) * m_nColumnGap;
    for (const ButtonListViewColumn& column : m_vColumn) total += column.m_nWidth;
    if (available >= total) {
        if (m_bFitColumns) m_vColumn[0].m_nWidth = ClampToInt32(m_vColumn[0].m_nWidth + available - total);
        return;
    }

    int64_t excess = total - available;
    const size_t count = m_vColumn.size();
    for (size_t step = 0; step < count && excess >= 1; ++step) {
        const size_t index = m_bFitColumns ? step : count - 1 - step;
        ButtonListViewColumn& column = m_vColumn[index];
        int64_t floor;
        if (!column.m_bFixed) {
            floor = minimum;
        } else if (index == 0) {
            floor = column.m_nAddedWidth;   // what it grew, and no more
        } else {
            continue;
        }
        const int64_t given = std::min<int64_t>(std::max<int64_t>(column.m_nWidth - floor, 0), excess);
        column.m_nWidth = ClampToInt32(column.m_nWidth - given);
        excess -= given;
    }
}

void CButtonListView::UpdateRow(int32_t row)
{
    if (row == -1) {
        _UpdateScrollRange();
        _RedrawItem(false);
    } else {
        const int32_t first = GetFirstVisibleRow();
        if (row >= first && static_cast<int64_t>(row) < static_cast<int64_t>(first) + GetVisibleRowCount()) {
            const RECT rect = _ToClient(GetRowRect(row));
            GetAccessor()->RedrawRect(rect.left, rect.top, rect.right, rect.bottom, false);
        }
    }
    if (!GetAccessor()->HasWindow()) return;
    if (m_hoverPart.m_nRow >= _GetRowCount()) m_hoverPart = ButtonListViewPart::None();
    UpdateToolTip();
}

// ---- model ----

int32_t CButtonListView::_GetRowCount()
{
    return m_pTable != nullptr ? std::max(m_pTable->GetRowCount(this), 0) : 0;
}

int32_t CButtonListView::_HeaderOffset() const
{
    return m_bHeaderShown ? m_nHeaderHeight : 0;
}

int32_t CButtonListView::GetFirstVisibleRow() const
{
    return m_pScrollBar != nullptr ? m_pScrollBar->GetPos() : 0;
}

int32_t CButtonListView::GetVisibleRowCount() const
{
    const int64_t room = static_cast<int64_t>(GetSize().cy) - _HeaderOffset();
    if (room + m_nRowHeight - 1 < 0) return 0;
    return ClampToInt32((room + m_nRowHeight - 1) / m_nRowHeight);
}

int32_t CButtonListView::GetFullRowCount() const
{
    const int64_t room = static_cast<int64_t>(GetSize().cy) - _HeaderOffset();
    return room < 0 ? 0 : ClampToInt32(room / m_nRowHeight);
}

void CButtonListView::_UpdateScrollRange()
{
    if (m_pScrollBar == nullptr) return;
    m_pScrollBar->SetRange(std::max(_GetRowCount() - 1, 0), GetFullRowCount());
}

int CButtonListView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_VSCROLL) return CSkinWindowItem::OnMessage(message, wParam, lParam);
    _Scroll(LOWORD(wParam), static_cast<int32_t>(lParam));
    return 0;
}

void CButtonListView::_Scroll(int32_t code, int32_t position)
{
    if (m_pScrollBar == nullptr) return;
    int32_t maxPos = 0;
    int32_t page = 0;
    m_pScrollBar->GetRange(&maxPos, &page);
    const int64_t current = m_pScrollBar->GetPos();
    int64_t wanted;
    switch (code) {
    case SB_LINEUP: wanted = current - 1; break;
    case SB_LINEDOWN: wanted = current + 1; break;
    case SB_PAGEUP: wanted = current - page; break;
    case SB_PAGEDOWN: wanted = current + page; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: wanted = position; break;
    case SB_TOP: wanted = 0; break;
    case SB_BOTTOM: wanted = maxPos; break;
    default: return;
    }
    wanted = std::min<int64_t>(std::max<int64_t>(wanted, 0), maxPos);
    if (wanted == current) return;
    // The bar's thumb and the rows reach the screen in one update.
    CRedrawSuspension suspension(GetAccessor());
    m_pScrollBar->SetPos(static_cast<int32_t>(wanted));
    _RedrawItem(true);
}

void ScrollItemBy(int32_t lines, CSkinWindowItem* item, CSkinWindowItemScrollBar* scrollBar)
{
    if (item == nullptr || scrollBar == nullptr) return;
    const int64_t wanted = std::min<int64_t>(
        std::max<int64_t>(static_cast<int64_t>(scrollBar->GetPos()) + lines, 0),
        scrollBar->GetMaxPos());
    item->OnMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 0), static_cast<LPARAM>(wanted));
}

void CButtonListView::SetRect(const SkinRect& rect)
{
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
    RecalcColumns();
    _UpdateScrollRange();
    if (m_pListener != nullptr) m_pListener->OnLayoutChanged(this);
}

void CButtonListView::_RedrawItem(bool updateNow)
{
    const SkinRect rect = GetRect();
    GetAccessor()->RedrawRect(rect.left, rect.top, rect.right, rect.bottom, updateNow);
}

// ---- geometry ----

int32_t CButtonListView::GetButtonGroupWidth(uint8_t side) const
{
    int64_t count = 0;
    for (const ButtonListViewButton& button : m_vButton) {
        if (button.m_byVisible && button.m_bySide == side) ++count;
    }
    return ClampToInt32(count * m_nButtonWidth);
}

int32_t CButtonListView::_VisibleButtonsBefore(size_t button) const
{
    int32_t count = 0;
    for (size_t i = 0; i < button; ++i) {
        if (m_vButton[i].m_byVisible && m_vButton[i].m_bySide == m_vButton[button].m_bySide) {
            ++count;
        }
    }
    return count;
}

SkinRect CButtonListView::GetRowRect(int32_t row)
{
    const int64_t top = (static_cast<int64_t>(row) - GetFirstVisibleRow()) * m_nRowHeight +
                        _HeaderOffset();
    return SkinRect{0, ClampToInt32(top), GetSize().cx, ClampToInt32(top + m_nRowHeight)};
}

SkinRect CButtonListView::GetButtonRect(int32_t row, int32_t button)
{
    SkinRect rect = GetRowRect(row);
    if (button < 0 || static_cast<size_t>(button) >= m_vButton.size()) {
        rect.right = rect.left;
        return rect;
    }
    const ButtonListViewButton& record = m_vButton[button];
    const int64_t before = static_cast<int64_t>(_VisibleButtonsBefore(button)) * m_nButtonWidth;
    const int64_t left = record.m_bySide == LIST_SIDE_LEFT
                             ? before
                             : GetSize().cx - GetButtonGroupWidth(LIST_SIDE_RIGHT) + before;
    rect.left = ClampToInt32(left);
    rect.right = record.m_byVisible ? ClampToInt32(left + m_nButtonWidth) : rect.left;
    return rect;
}

SkinRect CButtonListView::GetCellRect(int32_t row, int32_t column)
{
    SkinRect rect = GetRowRect(row);
    if (column < 0 || static_cast<size_t>(column) >= m_vColumn.size()) {
        rect.left = rect.right = 0;
        return rect;
    }
    int64_t left = GetButtonGroupWidth(LIST_SIDE_LEFT) + static_cast<int64_t>(column) * m_nColumnGap;
    for (int32_t c = 0; c < column; ++c) left += m_vColumn[c].m_nWidth;
    int64_t right = left + m_vColumn[column].m_nWidth;
    const int64_t end = static_cast<int64_t>(GetSize().cx) - GetButtonGroupWidth(LIST_SIDE_RIGHT);
    if (static_cast<size_t>(column) + 1 == m_vColumn.size() || right >= end) right = end;
    rect.left = ClampToInt32(left);
    rect.right = ClampToInt32(right);
    return rect;
}

SkinRect CButtonListView::GetSeparatorRect(int32_t row, int32_t column)
{
    SkinRect rect = GetCellRect(row, column);
    rect.left = rect.right;
    if (static_cast<size_t>(column) + 1 < m_vColumn.size()) {
        const int32_t end = GetSize().cx - GetButtonGroupWidth(LIST_SIDE_RIGHT);
        rect.right = std::min(ClampToInt32(static_cast<int64_t>(rect.left) + m_nColumnGap), end);
    }
    return rect;
}

SkinRect CButtonListView::GetHeaderRect(int32_t column)
{
    SkinRect rect = {0, 0, 0, _HeaderOffset()};
    if (column < 0 || static_cast<size_t>(column) >= m_vColumn.size()) return rect;
    // The first column's header also spans the left buttons, the last one's the right
    // buttons; between them the headers meet at the separators.
    rect.left = column == 0 ? 0 : GetSeparatorRect(0, column - 1).left;
    rect.right = static_cast<size_t>(column) + 1 == m_vColumn.size()
                     ? GetSize().cx
                     : GetSeparatorRect(0, column).left;
    return rect;
}

int32_t CButtonListView::GetRowAt(int32_t y)
{
    const int64_t offset = static_cast<int64_t>(y) - _HeaderOffset();
    if (offset < 0) return -1;
    const int64_t row = GetFirstVisibleRow() + offset / m_nRowHeight;
    const int64_t end = std::min<int64_t>(_GetRowCount(),
                                          static_cast<int64_t>(GetFirstVisibleRow()) +
                                              GetVisibleRowCount());
    return row < end ? static_cast<int32_t>(row) : -1;
}

int32_t CButtonListView::GetMinColumnWidth()
{
    return m_pTable != nullptr ? m_pTable->GetMinColumnWidth(this) : kDefaultMinColumnWidth;
}

int32_t CButtonListView::HitTest(int32_t x, int32_t y, int32_t* row, int32_t* index)
{
    *row = GetRowAt(y);
    *index = -1;
    if (*row != -1) {
        for (size_t b = 0; b < m_vButton.size(); ++b) {
            if (!m_vButton[b].m_byVisible) continue;
            const SkinRect rect = GetButtonRect(*row, static_cast<int32_t>(b));
            // Both edges belong to the button.
            if (x < rect.left || x > rect.right) continue;
            if (!IsEnabled() || *row >= _GetRowCount() || m_pTable == nullptr ||
                !m_pTable->HasButton(this, *row, m_vButton[b].m_uId)) {
                return LIST_PART_NONE;
            }
            *index = static_cast<int32_t>(b);
            return LIST_PART_BUTTON;
        }
    }
    for (size_t c = 0; c < m_vColumn.size(); ++c) {
        const int32_t column = static_cast<int32_t>(c);
        // The separator, one pixel wider on each side, in any row and in the header.
        const SkinRect separator = GetSeparatorRect(0, column);
        if (static_cast<int64_t>(x) >= static_cast<int64_t>(separator.left) - 1 &&
            static_cast<int64_t>(x) < static_cast<int64_t>(separator.right) + 1) {
            *index = column;
            return LIST_PART_SEPARATOR;
        }
        if (*row != -1) {
            const SkinRect cell = GetCellRect(*row, column);
            if (x >= cell.left && x < cell.right) {
                *index = column;
                return LIST_PART_CELL;
            }
        }
    }
    for (size_t c = 0; c < m_vColumn.size(); ++c) {
        if (GetHeaderRect(static_cast<int32_t>(c)).Contains(x, y)) {
            *row = 0;
            *index = static_cast<int32_t>(c);
            return LIST_PART_HEADER;
        }
    }
    return LIST_PART_NONE;
}

const SkinImagePart* CButtonListView::GetHeaderIcon(int32_t column, POINT* offset)
{
    if (m_pTable == nullptr) return nullptr;
    return _IconAt(m_pTable->GetHeaderIcon(this, column), offset);
}

const SkinImagePart* CButtonListView::GetCellIcon(int32_t row, int32_t column, POINT* offset)
{
    if (m_pTable == nullptr) return nullptr;
    return _IconAt(m_pTable->GetCellIcon(this, row, column), offset);
}

const SkinImagePart* CButtonListView::_IconAt(int32_t icon, POINT* offset)
{
    if (icon < 0 || static_cast<size_t>(icon) >= m_vIcon.size()) return nullptr;
    if (offset != nullptr) *offset = m_vIconOffset[icon];
    return &m_vIcon[icon];
}

bool CButtonListView::_IsOnIcon(int32_t row, int32_t part, int32_t column, int32_t x)
{
    if (part != LIST_PART_CELL || !m_vColumn.at(column).m_bCellIcons) return false;
    const SkinImagePart* icon = GetCellIcon(row, column, nullptr);
    return icon != nullptr &&
           static_cast<int64_t>(x) < static_cast<int64_t>(GetCellRect(row, column).left) + icon->Width();
}

bool CButtonListView::_ButtonLabelAndOn(int32_t row, const ButtonListViewButton& button,
                                        int32_t* label, bool* on)
{
    const bool exists = m_pTable != nullptr && row < _GetRowCount();
    *on = exists && m_pTable->IsButtonOn(this, row, button.m_uId);
    *label = button.m_nLabel;
    if (*label == -1 && m_pTable != nullptr) *label = m_pTable->GetButtonLabel(this, row, button.m_uId);
    // A label the skin does not have gives no face and no tip.
    return *label >= 0 && *label < m_nLabelCount;
}

int32_t CButtonListView::GetIndent(lib::wfc::CDIB*, int32_t, int32_t, const RECT&)
{
    return 0;
}

bool CButtonListView::IsIndentedColumn(int32_t)
{
    return true;
}

void CButtonListView::OnButtonClicked(int32_t row, int32_t button)
{
    if (m_pListener == nullptr || button < 0 || static_cast<size_t>(button) >= m_vButton.size()) {
        return;
    }
    m_pListener->OnButtonClick(this, row, m_vButton[button].m_uId);
}

} // namespace ui
