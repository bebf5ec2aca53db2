#pragma once
// The skinned list of skin windows: rows of text cells under an optional header row, with
// optional buttons at the left and right ends of each row, header and cell icons, and a
// vertical scroll bar item beside it. The list holds no rows of its own: it asks a row source
// (CButtonListViewTable, or CButtonListViewTableW for wide cell texts) for everything it shows
// and reports what the user does to a listener (CButtonListViewListener). The window that
// owns the list usually implements both.
//
// A window builds it after its scroll bar, then:
//     CButtonListView* list = new CButtonListView(this, kListKey.m_nId, listBlock,
//                                                 GetImageCache(), scrollBar, this);
//     list->SetFitColumns(true);
//     list->ShowHeader(true);
//     list->AddColumn("名前", DT_LEFT, 192, true, false, true, DT_VCENTER | DT_SINGLELINE);
//     list->SetTable(this);                // before the list joins the window
//     list->RecalcColumns();
//     list->SetVisible(true);
//     AddItem(list);
// hands it every WM_VSCROLL its scroll bar sends (list->OnMessage(WM_VSCROLL, wParam,
// lParam)), announces each change of its rows with UpdateRow (-1 for all), and scrolls by
// code with ScrollItemBy.
//
// Skin block (the list view's keyword table; indexed keys are the keyword, ".", the index):
//     Position, Size, Font
//     NormalButton, NormalHotButton, PushedButton, PushedHotButton = image, l, t, r, b;
//                              the button faces; NormalButton's height is the row height,
//                              its width the button width
//     NormalHeader, PushedHeader, ActiveRow = image, x0, x1, x2, x3, y0, y1;
//                              three pieces from one image row: left cap x0..x1, repeated
//                              middle x1..x2, right cap x2..x3; the header is y1 - y0 high
//     NormalRowCount = n;  NormalRow.0 .. NormalRow.<n-1> = (as above)   row styles in turn
//     LabelCount = n;  OnLabel.N, OffLabel.N, OnDLabel.N, OffDLabel.N = image, l, t, r, b;
//                      ButtonToolTipText.N, ButtonToolTipTextP.N = text;   button labels
//     IconCount = n;  IconImage.N = image, l, t, r, b, x offset, y offset   (optional)

#include "lib/wfc/DC.h"
#include "lib/wfc/DIB.h"
#include "skin/SkinDefinition.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinLabelDrawing.h"
#include "skin/SkinWindowItem.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

class CButtonListView;
class CSkinWindowItemScrollBar;

// What a point of the list is on: the answer of HitTest and the kind of a part reference.
enum ButtonListViewPartCode : int32_t {
    LIST_PART_NONE = 0,
    LIST_PART_HEADER = 1,     // index: the column
    LIST_PART_BUTTON = 2,     // index: the button's place among the buttons
    LIST_PART_CELL = 3,       // index: the column
    LIST_PART_SEPARATOR = 4,  // index: the column left of the separator
};

// The group of a row button.
enum ButtonListViewSide : uint8_t {
    LIST_SIDE_RIGHT = 0,
    LIST_SIDE_LEFT = 1,
};

// A part of the list: its row (0 for a header cell), its code and its index.
struct ButtonListViewPart {
    int32_t m_nRow;
    int32_t m_nPart;
    int32_t m_nIndex;

    // A part that can be drawn: a row and an index, and a code.
    bool IsValid() const { return m_nRow != -1 && m_nIndex != -1 && m_nPart != LIST_PART_NONE; }
    bool operator==(const ButtonListViewPart& other) const
    {
        return m_nRow == other.m_nRow && m_nPart == other.m_nPart && m_nIndex == other.m_nIndex;
    }
    bool operator!=(const ButtonListViewPart& other) const { return !(*this == other); }
    static ButtonListViewPart None() { return ButtonListViewPart{-1, LIST_PART_NONE, -1}; }
};

// What a row source may use to fit a cell's text: the list's drawing context (its font
// selected) and the width the text has.
struct ButtonListViewTextFit {
    HDC m_hDC;
    int32_t m_nWidth;
};

// The common base of the list and its listener.
class CButtonListViewBase {
};

// The row source. Every operation gets the asking list first.
class CButtonListViewTable {
public:
    virtual ~CButtonListViewTable();

    virtual int32_t GetRowCount(CButtonListView* view) = 0;
    // Drawn with the "ActiveRow" pieces.
    virtual bool IsRowActive(CButtonListView* view, int32_t row) = 0;
    // The button exists in that row (hit test, cursor, look).
    virtual bool HasButton(CButtonListView* view, int32_t row, uint32_t id) = 0;
    virtual bool IsButtonOn(CButtonListView* view, int32_t row, uint32_t id) = 0;
    // The label of a button whose record asks the table (label -1).
    virtual int32_t GetButtonLabel(CButtonListView* view, int32_t row, uint32_t id) = 0;
    virtual std::string GetCellText(CButtonListView* view, int32_t row, int32_t column,
                                    const ButtonListViewTextFit& fit) = 0;
    virtual COLORREF GetCellTextColor(CButtonListView* view, int32_t row, int32_t column) = 0;
    // Indexes into the list's icons; -1 for none.
    virtual int32_t GetHeaderIcon(CButtonListView* view, int32_t column);
    virtual int32_t GetCellIcon(CButtonListView* view, int32_t row, int32_t column);
    virtual std::string GetHeaderToolTip(CButtonListView* view, int32_t column);
    // May change the tooltip the list chose for a button.
    virtual void AdjustButtonToolTip(CButtonListView* view, int32_t row, uint32_t id,
                                     std::string& text);
    virtual std::string GetCellToolTip(CButtonListView* view, int32_t row, int32_t column) = 0;
    // The smallest width of a column that is not fixed.
    virtual int32_t GetMinColumnWidth(CButtonListView* view) = 0;
};

// A row source that may give cell texts as wide strings (drawn with DrawTextW).
class CButtonListViewTableW : public CButtonListViewTable {
public:
    virtual std::wstring GetCellTextW(CButtonListView* view, int32_t row, int32_t column,
                                      const ButtonListViewTextFit& fit) = 0;
    // True: cell texts come from GetCellTextW.
    virtual bool IsWideText(CButtonListView* view) = 0;
};

// What the user did. onIcon: the point lay on the cell's icon (only for cells).
class CButtonListViewListener : public CButtonListViewBase {
public:
    virtual ~CButtonListViewListener();

    // After SetRect and after a column was resized by dragging its separator.
    virtual void OnLayoutChanged(CButtonListView* view) = 0;
    // A left press on a button, cell or separator with a row under it (index -1 for a
    // button or separator).
    virtual void OnPress(CButtonListView* view, int32_t row, int32_t part, int32_t index,
                         bool onIcon) = 0;
    // A left release on the cell or separator of the press.
    virtual void OnClick(CButtonListView* view, int32_t row, int32_t part, int32_t index,
                         bool onIcon);
    // A left double click on a cell or separator of a row.
    virtual void OnDoubleClick(CButtonListView* view, int32_t row, int32_t part, int32_t index,
                               bool onIcon) = 0;
    // A right release on the cell of the right press.
    virtual void OnRightClick(CButtonListView* view, int32_t row, int32_t part, int32_t index,
                              bool onIcon);
    // A left release on the clickable header cell of the press.
    virtual void OnHeaderClick(CButtonListView* view, int32_t column);
    // A left release on the button of the press.
    virtual void OnButtonClick(CButtonListView* view, int32_t row, uint32_t id) = 0;
    // The mouse went farther than the drag distance from a cell press; x, y relative to the
    // list.
    virtual void OnDragStart(CButtonListView* view, int32_t x, int32_t y, int32_t row,
                             int32_t column);
    // The release that ends a drag; x, y in the window's client coordinates; the press row.
    virtual void OnDrop(CButtonListView* view, int32_t x, int32_t y, int32_t row);
    // Before a cell's icon and text are drawn (rectangles in client coordinates); true: the
    // listener drew them.
    virtual bool OnCustomDrawCell(CButtonListView* view, int32_t row, int32_t column, HDC dc,
                                  lib::wfc::CDIB* buffer, const RECT& cell, const RECT& clip);
};

// A row button: its label (-1: the table gives it per row), the id handed to the table and
// the listener, its side, and whether it shows pushed while on and whether it shows at all.
struct ButtonListViewButton {
    int32_t m_nLabel;
    uint32_t m_uId;
    uint8_t m_bySide;      // ButtonListViewSide
    uint8_t m_byToggle;
    uint8_t m_byVisible;
};

struct ButtonListViewColumn {
    int32_t m_nWidth;
    std::string m_strTitle;
    uint32_t m_uCellFormat;     // DrawText flags
    uint32_t m_uHeaderFormat;   // DrawText flags
    // RecalcColumns keeps the width (a fitted first column excepted) and the separator does
    // not resize it.
    bool m_bFixed;
    bool m_bHeaderClickable;
    bool m_bCellIcons;
    int32_t m_nAddedWidth;      // the width AddColumn gave
};

// Three pieces of one image row: a left cap, a middle repeated between the caps, a right cap.
struct ButtonListViewPieces {
    SkinImagePart m_left;
    SkinImagePart m_middle;
    SkinImagePart m_right;
};

class CButtonListView : public CSkinWindowItem, public CButtonListViewBase {
public:
    // Checks the block against the list view's keyword table and reads it, taking its images
    // into the cache (null: none taken, nothing drawn).
    CButtonListView(ISkinWindowItemAccessor* accessor, int32_t id, const SkinBlock& block,
                    SkinImageCache* cache, CSkinWindowItemScrollBar* scrollBar,
                    CButtonListViewListener* listener);
    ~CButtonListView() override;

    // ---- what the owner sets ----
    // Stores the table and refreshes the whole list.
    void SetTable(CButtonListViewTable* table);
    // Column 0 takes the room the others leave, from the next RecalcColumns on.
    void SetFitColumns(bool fit);
    void ShowHeader(bool show);
    void AddColumn(const std::string& title, uint32_t cellFormat, int32_t width, bool fixed,
                   bool headerClickable, bool cellIcons, uint32_t headerFormat);
    // Appends a row button (the owner calls RecalcColumns afterwards).
    void AddButton(int32_t label, uint32_t id, uint8_t side, bool toggle, bool visible);
    // Fits the column widths to the list's width.
    void RecalcColumns();
    // -1: the row count changed (scroll range, whole list); else that row, when visible.
    // Drops a hovered part whose row is gone and brings the tooltip up to date.
    void UpdateRow(int32_t row);

    // ---- geometry (relative to the list) ----
    // The part under the point; row and index -1 unless the part gives them (row 0 for a
    // header cell).
    int32_t HitTest(int32_t x, int32_t y, int32_t* row, int32_t* index);
    SkinRect GetRowRect(int32_t row);
    SkinRect GetCellRect(int32_t row, int32_t column);
    SkinRect GetSeparatorRect(int32_t row, int32_t column);
    SkinRect GetHeaderRect(int32_t column);
    SkinRect GetButtonRect(int32_t row, int32_t button);
    int32_t GetButtonGroupWidth(uint8_t side) const;
    int32_t GetFirstVisibleRow() const;
    // Rows that show at least in part, and rows that show whole.
    int32_t GetVisibleRowCount() const;
    int32_t GetFullRowCount() const;
    // The row (below the row count) whose rectangle holds y, else -1.
    int32_t GetRowAt(int32_t y);
    int32_t GetMinColumnWidth();
    // The icon of a header or cell and its offset; null for none.
    const SkinImagePart* GetHeaderIcon(int32_t column, POINT* offset);
    const SkinImagePart* GetCellIcon(int32_t row, int32_t column, POINT* offset);

    // ---- what it holds ----
    CButtonListViewTable* GetTable() const { return m_pTable; }
    size_t GetColumnCount() const { return m_vColumn.size(); }
    const ButtonListViewColumn& GetColumn(size_t column) const { return m_vColumn.at(column); }
    const std::vector<ButtonListViewButton>& GetButtons() const { return m_vButton; }
    bool IsHeaderShown() const { return m_bHeaderShown; }
    int32_t GetRowHeight() const { return m_nRowHeight; }
    int32_t GetButtonWidth() const { return m_nButtonWidth; }
    int32_t GetHeaderHeight() const { return m_nHeaderHeight; }
    int32_t GetTextMarginTop() const { return m_nTextMarginTop; }
    int32_t GetTextMarginBottom() const { return m_nTextMarginBottom; }
    ButtonListViewPart GetHoverPart() const { return m_hoverPart; }
    ButtonListViewPart GetPressedPart() const { return m_pressedPart; }
    ButtonListViewPart GetPressPart() const { return m_pressPart; }
    bool IsDragStarted() const { return m_bDragStarted; }

    // ---- item slots ----
    std::string GetTooltipText() override;
    // WM_VSCROLL (code in the low word of wParam, a position in lParam) scrolls; answers 0.
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnMouseMove(int x, int y) override;
    bool OnLButtonDown(int x, int y) override;
    // A header cell or button: the press it starts; a cell or separator of a row:
    // OnDoubleClick, and no capture.
    bool OnLButtonDblClk(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnLButtonCancel(int x, int y) override;
    bool OnRButtonDown(int x, int y) override;
    void OnRButtonUp(int x, int y) override;
    void OnRButtonCancel(int x, int y) override;
    void OnMouseLeave() override;
    bool OnSetCursor(int x, int y) override;
    void Draw() override;
    // Moves and resizes the list, fits its columns and scroll range, tells the listener.
    void SetRect(const SkinRect& rect) override;
    void OnEnableChanged() override;

protected:
    // For lists that indent the text of some columns while the indent flag is set.
    virtual int32_t GetIndent(lib::wfc::CDIB* buffer, int32_t row, int32_t column,
                              const RECT& cell);
    virtual bool IsIndentedColumn(int32_t column);
    // A button of a row was clicked: tells the listener.
    virtual void OnButtonClicked(int32_t row, int32_t button);

    bool m_bIndent;

private:
    void LoadFromBlock(const SkinBlock& block, SkinImageCache* cache);

    // ---- model ----
    int32_t _GetRowCount();
    int32_t _HeaderOffset() const;
    int32_t _VisibleButtonsBefore(size_t button) const;
    void _UpdateScrollRange();
    // WM_VSCROLL's code and position.
    void _Scroll(int32_t code, int32_t position);
    bool _IsOnIcon(int32_t row, int32_t part, int32_t column, int32_t x);
    // The button's label (its own or the table's) and whether it is on in that row; true
    // when the skin has that label.
    bool _ButtonLabelAndOn(int32_t row, const ButtonListViewButton& button, int32_t* label,
                           bool* on);
    void _RedrawItem(bool updateNow);
    // The list's icon of that number and its offset; null for none.
    const SkinImagePart* _IconAt(int32_t icon, POINT* offset);

    // ---- input ----
    void SetHoverPart(const ButtonListViewPart& part);
    void SetPressedPart(const ButtonListViewPart& part);
    void UpdateToolTip();
    // Draws the part and has its rectangle (client coordinates, empty when out of sight)
    // brought to the screen; answers that rectangle.
    RECT _RedrawPart(const ButtonListViewPart& part);
    // Ends a held press without a notification.
    void _DropPress();
    void _DragSeparator(int32_t x);

    // ---- drawing (client coordinates) ----
    // The back buffer selected into the list's drawing context and both clipped to the list,
    // for one drawing; defined with the drawing.
    struct DrawContext;
    // Draws the part (while the window is ready) and answers its rectangle in client
    // coordinates, cut to the list (empty for a separator or a part out of sight).
    RECT DrawPart(const ButtonListViewPart& part);
    RECT DrawRow(DrawContext& context, int32_t row);
    RECT DrawHeaderCell(DrawContext& context, int32_t column);
    RECT DrawButton(DrawContext& context, int32_t row, int32_t button);
    RECT DrawCell(DrawContext& context, int32_t row, int32_t column);
    RECT _ToClient(const SkinRect& rect) const;
    // The three pieces across the rectangle, caps cut to a narrow one, inside the clip.
    void _DrawPieces(DrawContext& context, const ButtonListViewPieces& pieces,
                     const RECT& rect);
    // An icon at (x, y), key colour left out, inside the cell.
    void _DrawIcon(DrawContext& context, const SkinImagePart& icon, int32_t x, int32_t y,
                   const RECT& cell);
    // A text in the rectangle with the list's font and the colour (narrow or wide).
    void _DrawText(DrawContext& context, const std::string* text, const std::wstring* wideText,
                   RECT rect, UINT format, COLORREF color);
    // The cell text's box: the margins, and a top for narrow or wide text.
    RECT _TextRect(const RECT& cell, int32_t left, bool wide, bool lineFeed) const;

    CSkinWindowItemScrollBar* m_pScrollBar;   // not owned
    CButtonListViewTable* m_pTable;           // not owned
    CButtonListViewListener* m_pListener;     // not owned
    SkinImageCache* m_pImageCache;            // the window's; not owned
    std::vector<ButtonListViewPieces> m_vRowStyle;
    // Button faces: normal, normal hot, pushed, pushed hot.
    SkinImagePart m_aButtonFace[4];
    ButtonListViewPieces m_normalHeader;
    ButtonListViewPieces m_pushedHeader;
    ButtonListViewPieces m_activeRow;
    // Four per label: on, off, on disabled, off disabled.
    std::vector<SkinImagePart> m_vLabelFace;
    std::vector<SkinImagePart> m_vIcon;
    std::vector<POINT> m_vIconOffset;
    // Two per label: off, on.
    std::vector<std::string> m_vButtonTooltip;
    std::string m_strTooltip;
    std::vector<ButtonListViewButton> m_vButton;
    std::vector<ButtonListViewColumn> m_vColumn;
    int32_t m_nLabelCount;
    int32_t m_nRowHeight;
    int32_t m_nButtonWidth;
    int32_t m_nColumnGap;
    int32_t m_nTextMarginLeft;
    int32_t m_nTextMarginTop;
    int32_t m_nTextMarginRight;
    int32_t m_nTextMarginBottom;
    bool m_bHeaderShown;
    lib::wfc::CFont m_font;
    lib::wfc::CMemDC m_dc;
    HGDIOBJ m_hOldFont;
    ButtonListViewPart m_hoverPart;
    ButtonListViewPart m_pressedPart;
    ButtonListViewPart m_pressPart;
    POINT m_ptPress;
    int32_t m_nPressWidth;
    bool m_bPressRight;     // the held press is the right button's
    bool m_bDragStarted;
    bool m_bFitColumns;
    int32_t m_nHeaderHeight;
    int32_t m_nHeaderIconMode;
};

// Scrolls the list by lines (negative: up) as its scroll bar would, within 0 .. the bar's
// maximum position.
void ScrollItemBy(int32_t lines, CSkinWindowItem* item, CSkinWindowItemScrollBar* scrollBar);

} // namespace ui
