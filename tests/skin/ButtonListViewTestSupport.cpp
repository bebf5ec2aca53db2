#include "tests/skin/ButtonListViewTestSupport.h"

#include "lib/StringUtility.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "tests/skin/support/SkinWindowTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using lib::FormatString;

namespace listtest {

namespace {

template <class Map, class Key, class Value>
Value Find(const Map& map, const Key& key, Value fallback)
{
    const auto it = map.find(key);
    return it != map.end() ? it->second : fallback;
}

} // namespace

// ---- table ----

int32_t CListTable::GetRowCount(ui::CButtonListView*) { return m_nRows; }
bool CListTable::IsRowActive(ui::CButtonListView*, int32_t row) { return m_setActive.count(row) != 0; }

bool CListTable::HasButton(ui::CButtonListView*, int32_t row, uint32_t id)
{
    return m_setMissingButton.count(RowButton(row, id)) == 0;
}

bool CListTable::IsButtonOn(ui::CButtonListView*, int32_t row, uint32_t id)
{
    return m_setOn.count(RowButton(row, id)) != 0;
}

int32_t CListTable::GetButtonLabel(ui::CButtonListView*, int32_t, uint32_t) { return m_nLabel; }

std::string CListTable::GetCellText(ui::CButtonListView*, int32_t row, int32_t column,
                                    const ui::ButtonListViewTextFit& fit)
{
    m_vFit.push_back(FormatString("%d %d %d", row, column, fit.m_nWidth));
    return Find(m_mapText, RowColumn(row, column), std::string());
}

COLORREF CListTable::GetCellTextColor(ui::CButtonListView*, int32_t, int32_t) { return m_crText; }

int32_t CListTable::GetHeaderIcon(ui::CButtonListView*, int32_t column)
{
    return Find(m_mapHeaderIcon, column, -1);
}

int32_t CListTable::GetCellIcon(ui::CButtonListView*, int32_t row, int32_t column)
{
    return Find(m_mapCellIcon, RowColumn(row, column), -1);
}

std::string CListTable::GetHeaderToolTip(ui::CButtonListView*, int32_t column)
{
    return FormatString("header %d", column);
}

void CListTable::AdjustButtonToolTip(ui::CButtonListView*, int32_t, uint32_t, std::string& text)
{
    text += m_strAdjust;
}

std::string CListTable::GetCellToolTip(ui::CButtonListView*, int32_t row, int32_t column)
{
    return FormatString("cell %d %d", row, column);
}

int32_t CListTable::GetMinColumnWidth(ui::CButtonListView*) { return m_nMinWidth; }

std::wstring CListTable::GetCellTextW(ui::CButtonListView*, int32_t row, int32_t column,
                                      const ui::ButtonListViewTextFit& fit)
{
    m_vFit.push_back(FormatString("%d %d %d", row, column, fit.m_nWidth));
    return Find(m_mapWideText, RowColumn(row, column), std::wstring());
}

bool CListTable::IsWideText(ui::CButtonListView*) { return m_bWide; }

// ---- listener ----

std::string CListListener::Take()
{
    std::string all;
    for (const std::string& line : m_vLine) all += (all.empty() ? "" : "|") + line;
    m_vLine.clear();
    return all;
}

void CListListener::_WritePart(const char* kind, int32_t row, int32_t part, int32_t index,
                               bool onIcon)
{
    m_vLine.push_back(FormatString("%s %d %d %d %d", kind, row, part, index, onIcon ? 1 : 0));
}

void CListListener::OnLayoutChanged(ui::CButtonListView*) { m_vLine.push_back("layout"); }

void CListListener::OnPress(ui::CButtonListView*, int32_t row, int32_t part, int32_t index,
                            bool onIcon)
{
    _WritePart("press", row, part, index, onIcon);
}

void CListListener::OnClick(ui::CButtonListView*, int32_t row, int32_t part, int32_t index,
                            bool onIcon)
{
    _WritePart("click", row, part, index, onIcon);
}

void CListListener::OnDoubleClick(ui::CButtonListView*, int32_t row, int32_t part, int32_t index,
                                  bool onIcon)
{
    _WritePart("double", row, part, index, onIcon);
}

void CListListener::OnRightClick(ui::CButtonListView*, int32_t row, int32_t part, int32_t index,
                                 bool onIcon)
{
    _WritePart("right", row, part, index, onIcon);
}

void CListListener::OnHeaderClick(ui::CButtonListView*, int32_t column)
{
    m_vLine.push_back(FormatString("header %d", column));
}

void CListListener::OnButtonClick(ui::CButtonListView*, int32_t row, uint32_t id)
{
    m_vLine.push_back(FormatString("button %d %u", row, id));
}

void CListListener::OnDragStart(ui::CButtonListView*, int32_t x, int32_t y, int32_t row,
                                int32_t column)
{
    m_vLine.push_back(FormatString("drag %d %d %d %d", x, y, row, column));
}

void CListListener::OnDrop(ui::CButtonListView*, int32_t x, int32_t y, int32_t row)
{
    m_vLine.push_back(FormatString("drop %d %d %d", x, y, row));
}

bool CListListener::OnCustomDrawCell(ui::CButtonListView*, int32_t row, int32_t column, HDC,
                                     lib::wfc::CDIB*, const RECT&, const RECT&)
{
    m_vCustom.push_back(FormatString("%d %d", row, column));
    return m_bCustomDraw;
}

// ---- fixture ----

ui::SkinBlock ListBlock(const char* name)
{
    return ui::GetSkinBlock(ui::LoadSkinDefinition("TestListView.txt", nullptr), name);
}

CListFixture::CListFixture() : m_window(320, 200)
{
    m_window.m_fnSend = [this](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        // The window hands its list every scroll the bar reports.
        if (message == WM_VSCROLL && m_pList) m_pList->OnMessage(message, wParam, lParam);
        return 0;
    };
}

CListFixture::~CListFixture()
{
    m_window.m_pCaptureItem = nullptr;
}

ui::CButtonListView& CListFixture::Build(const ui::SkinBlock& block, std::vector<ColumnSpec> columns,
                                         bool bare)
{
    m_pBar.reset(new ui::CSkinWindowItemScrollBar(&m_window, 8, ListBlock("ListScrollBar"),
                                                  m_window.Cache()));
    m_pList.reset(new ui::CButtonListView(&m_window, 7, block, m_window.Cache(), m_pBar.get(),
                                          &m_listener));
    if (!bare) {
        m_pList->SetFitColumns(false);
        m_pList->ShowHeader(true);
        for (size_t i = 0; i < columns.size(); ++i) {
            m_pList->AddColumn(FormatString("列%d", static_cast<int>(i)), DT_LEFT,
                               columns[i].m_nWidth, columns[i].m_bFixed, true, true,
                               DT_VCENTER | DT_SINGLELINE);
        }
        m_pList->SetTable(&m_table);
    }
    m_window.Clear();
    return *m_pList;
}

void CListFixture::SetRows(int32_t rows)
{
    m_table.m_nRows = rows;
    m_pList->UpdateRow(-1);
}

void CListFixture::AddTestButtons()
{
    m_pList->AddButton(0, 101, ui::LIST_SIDE_LEFT, false, true);
    m_pList->AddButton(0, 102, ui::LIST_SIDE_LEFT, false, false);
    m_pList->AddButton(0, 103, ui::LIST_SIDE_RIGHT, true, true);
    m_pList->AddButton(0, 104, ui::LIST_SIDE_RIGHT, false, true);
}

void CListFixture::Play(const std::string& script)
{
    ui::CButtonListView& list = *m_pList;
    for (const std::string& step : lib::SplitString(script.c_str(), ";")) {
        std::istringstream in(step);
        std::string verb;
        int x = 0;
        int y = 0;
        in >> verb >> x >> y;
        const bool held = m_window.m_pCaptureItem != nullptr;
        // As the window does: the capture is let go before the item hears of the release.
        auto release = [&](bool cancel) {
            const bool right = m_bRightCapture;
            m_window.m_pCaptureItem = nullptr;
            m_bRightCapture = false;
            if (cancel) {
                right ? list.OnRButtonCancel(x, y) : list.OnLButtonCancel(x, y);
            } else {
                right ? list.OnRButtonUp(x, y) : list.OnLButtonUp(x, y);
            }
        };
        auto take = [&](bool taken, bool right) {
            if (!taken) return;
            m_window.m_pCaptureItem = &list;
            m_bRightCapture = right;
        };
        if (verb == "down") {
            if (!held) take(list.OnLButtonDown(x, y), false);
        } else if (verb == "dbl") {
            if (held) release(false);
            take(list.OnLButtonDblClk(x, y), false);
        } else if (verb == "rdown") {
            if (!held) take(list.OnRButtonDown(x, y), true);
        } else if (verb == "up" || verb == "rup") {
            if (held) {
                release(false);
            } else if (verb == "up") {
                list.OnLButtonUp(x, y);
            } else {
                list.OnRButtonUp(x, y);
            }
        } else if (verb == "cancel") {
            if (held) release(true);
        } else if (verb == "move") {
            list.OnMouseMove(x, y);
        } else if (verb == "leave") {
            list.OnMouseLeave();
        } else if (verb == "disable" || verb == "enable") {
            list.SetEnable(verb == "enable");
        } else if (!verb.empty()) {
            ADD_FAILURE() << "unknown step: " << step;
        }
    }
}

void CListFixture::Draw()
{
    m_window.Buffer().Fill(RGB(0xFF, 0xFF, 0xFF));
    m_pList->Draw();
}

COLORREF CListFixture::Pixel(int x, int y)
{
    return skintest::PixelAt(m_window.Buffer(), x, y);
}

std::string Text(const ui::SkinRect& rect)
{
    return FormatString("%d %d %d %d", rect.left, rect.top, rect.right, rect.bottom);
}

std::string Text(const RECT& rect)
{
    return FormatString("%ld %ld %ld %ld", rect.left, rect.top, rect.right, rect.bottom);
}

std::string Text(const ui::ButtonListViewPart& part)
{
    return FormatString("%d %d %d", part.m_nRow, part.m_nPart, part.m_nIndex);
}

std::string Widths(const ui::CButtonListView& list)
{
    std::string text;
    for (size_t c = 0; c < list.GetColumnCount(); ++c) {
        text += (c ? " " : "") + std::to_string(list.GetColumn(c).m_nWidth);
    }
    return text;
}

} // namespace listtest
