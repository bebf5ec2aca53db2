#pragma once
// What the button list view tests share: a row source whose answers the test sets, a listener
// that writes down what it hears, the test lists of TestListView.txt on a fake window, and a
// driver that plays mouse input as the skin window would (the capture taken by a press that
// answers true, released before the item hears the release).
//
//     CListFixture f;                       // the block "List", 200 x 120 at 20, 40
//     f.Build();                            // columns 60, 50, 40, the table, header shown
//     f.Play("down 30 25; up 30 25");
//     EXPECT_EQ(f.m_listener.Take(), "press 0 3 0 0|click 0 3 0 0");

#include "skin/ButtonListView.h"
#include "skin/SkinDefinition.h"
#include "skin/SkinWindowItemScrollBar.h"
#include "tests/skin/support/SkinItemTestSupport.h"

#include <windows.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace listtest {

typedef std::pair<int32_t, uint32_t> RowButton;
typedef std::pair<int32_t, int32_t> RowColumn;

class CListTable : public ui::CButtonListViewTableW {
public:
    int32_t m_nRows = 4;
    std::set<int32_t> m_setActive;
    std::set<RowButton> m_setMissingButton;   // every other button exists
    std::set<RowButton> m_setOn;
    int32_t m_nLabel = 0;                     // what GetButtonLabel answers
    std::map<RowColumn, std::string> m_mapText;
    std::map<RowColumn, std::wstring> m_mapWideText;
    bool m_bWide = false;
    COLORREF m_crText = RGB(0, 0, 0xFF);
    std::map<int32_t, int32_t> m_mapHeaderIcon;
    std::map<RowColumn, int32_t> m_mapCellIcon;
    std::string m_strAdjust;                  // appended to every button tip
    int32_t m_nMinWidth = 50;
    // The fits the list handed over, "r c width".
    std::vector<std::string> m_vFit;

    int32_t GetRowCount(ui::CButtonListView* view) override;
    bool IsRowActive(ui::CButtonListView* view, int32_t row) override;
    bool HasButton(ui::CButtonListView* view, int32_t row, uint32_t id) override;
    bool IsButtonOn(ui::CButtonListView* view, int32_t row, uint32_t id) override;
    int32_t GetButtonLabel(ui::CButtonListView* view, int32_t row, uint32_t id) override;
    std::string GetCellText(ui::CButtonListView* view, int32_t row, int32_t column,
                            const ui::ButtonListViewTextFit& fit) override;
    COLORREF GetCellTextColor(ui::CButtonListView* view, int32_t row, int32_t column) override;
    int32_t GetHeaderIcon(ui::CButtonListView* view, int32_t column) override;
    int32_t GetCellIcon(ui::CButtonListView* view, int32_t row, int32_t column) override;
    // "header <column>", "cell <row> <column>".
    std::string GetHeaderToolTip(ui::CButtonListView* view, int32_t column) override;
    void AdjustButtonToolTip(ui::CButtonListView* view, int32_t row, uint32_t id,
                             std::string& text) override;
    std::string GetCellToolTip(ui::CButtonListView* view, int32_t row, int32_t column) override;
    int32_t GetMinColumnWidth(ui::CButtonListView* view) override;
    std::wstring GetCellTextW(ui::CButtonListView* view, int32_t row, int32_t column,
                              const ui::ButtonListViewTextFit& fit) override;
    bool IsWideText(ui::CButtonListView* view) override;
};

// Writes "layout", "press r part index icon", "click ...", "double ...", "right ...",
// "header c", "button r id", "drag x y r c", "drop x y r".
class CListListener : public ui::CButtonListViewListener {
public:
    // What OnCustomDrawCell answers; the cells it was asked for, "r c".
    bool m_bCustomDraw = false;
    std::vector<std::string> m_vCustom;

    // The lines since the last call, joined by "|".
    std::string Take();

    void OnLayoutChanged(ui::CButtonListView* view) override;
    void OnPress(ui::CButtonListView* view, int32_t row, int32_t part, int32_t index,
                 bool onIcon) override;
    void OnClick(ui::CButtonListView* view, int32_t row, int32_t part, int32_t index,
                 bool onIcon) override;
    void OnDoubleClick(ui::CButtonListView* view, int32_t row, int32_t part, int32_t index,
                       bool onIcon) override;
    void OnRightClick(ui::CButtonListView* view, int32_t row, int32_t part, int32_t index,
                      bool onIcon) override;
    void OnHeaderClick(ui::CButtonListView* view, int32_t column) override;
    void OnButtonClick(ui::CButtonListView* view, int32_t row, uint32_t id) override;
    void OnDragStart(ui::CButtonListView* view, int32_t x, int32_t y, int32_t row,
                     int32_t column) override;
    void OnDrop(ui::CButtonListView* view, int32_t x, int32_t y, int32_t row) override;
    bool OnCustomDrawCell(ui::CButtonListView* view, int32_t row, int32_t column, HDC dc,
                          lib::wfc::CDIB* buffer, const RECT& cell, const RECT& clip) override;

private:
    // "<kind> row part index icon".
    void _WritePart(const char* kind, int32_t row, int32_t part, int32_t index, bool onIcon);

    std::vector<std::string> m_vLine;
};

// A block of TestListView.txt.
ui::SkinBlock ListBlock(const char* name = "List");

// The test list on a fake window of 320 x 200 (a white back buffer), with its scroll bar.
class CListFixture {
public:
    CListFixture();
    ~CListFixture();

    // Builds the list from the block; then, unless bare: header shown, the columns
    // (width, fixed) with headers clickable and cell icons as given (not fitted), no fit
    // flag, the table set.
    struct ColumnSpec {
        int32_t m_nWidth;
        bool m_bFixed;
    };
    ui::CButtonListView& Build(const ui::SkinBlock& block = ListBlock(),
                               std::vector<ColumnSpec> columns = {{60, false}, {50, false},
                                                                  {40, false}},
                               bool bare = false);
    // The table's row count, announced to the list (UpdateRow -1).
    void SetRows(int32_t rows);
    // Row buttons: two on the left (the second hidden) and two on the right, ids 101 to 104,
    // label 0, the first right one a toggle.
    void AddTestButtons();

    // Mouse input as the window plays it, points relative to the list: "down x y", "up x y",
    // "dbl x y", "move x y", "rdown x y", "rup x y", "cancel", "leave", "disable",
    // "enable"; steps separated by ";".
    void Play(const std::string& script);
    // Draws the whole list into the back buffer (white first).
    void Draw();
    COLORREF Pixel(int x, int y);   // client coordinates

    skintest::CRecordingAccessor m_window;
    CListTable m_table;
    CListListener m_listener;
    std::unique_ptr<ui::CSkinWindowItemScrollBar> m_pBar;
    std::unique_ptr<ui::CButtonListView> m_pList;

private:
    bool m_bRightCapture = false;
};

// "l t r b" of a rectangle.
std::string Text(const ui::SkinRect& rect);
std::string Text(const RECT& rect);
// "row part index".
std::string Text(const ui::ButtonListViewPart& part);
// The column widths, "60 50 40".
std::string Widths(const ui::CButtonListView& list);

} // namespace listtest
