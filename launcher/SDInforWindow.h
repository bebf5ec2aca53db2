#pragma once
// How the active card is used: one bar for the card's capacity, in which the used space is
// drawn and, over it, one segment per kind of the product's data, laid left to right in
// kind order; a legend of an icon, a name, a colour and the newest file's date per kind;
// and the total "Total <used>/<capacity>". Everything is read once, when it is built: the
// window does not follow the card. It closes itself at once when the selected drive's root
// is missing. Closing tells the owner with its child-closed notice
// (WM_LAUNCHER_CHILD_CLOSED, code 5):
//     m_pSDInfor.reset(new ui::CSDInforWindow(hwnd));
//     m_pSDInfor->Create();
// Skin "SDInforWindow.txt"; item ids are counted from 2000.

#include "carddata/SDInfoMgr.h"
#include "launcher/LaunchWindowMessages.h"
#include "launcher/ToolWindowBase.h"
#include "skin/ButtonListView.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class CSkinWindowItemResizableStaticImage;
class CSkinWindowItemScrollBar;
class CSkinWindowItemStatic;

// The kinds of the legend: the card's ten categories, then "Other", which has no segment
// of its own (the used space shows through) and, like Probe, no date.
const uint32_t SD_LEGEND_COUNT = SD_CATEGORY_COUNT + 1;
const uint32_t SD_DATED_COUNT = SD_CATEGORY_COUNT - 1;

// Where the bar's rectangles go: the used space and a segment per category. A rectangle
// that is not laid keeps the skin's.
struct SDUsageBarLayout {
    bool m_bUsedLaid = false;
    SkinRect m_rcUsed = {};
    bool m_bSegmentLaid[SD_CATEGORY_COUNT] = {};
    SkinRect m_rcSegments[SD_CATEGORY_COUNT] = {};
};

// The bar from the figures alone: nothing is laid for a capacity of 0, nor a segment for a
// category that could not be read (read[i] false). Each category with data is at least
// kSDBarMinWidth wide; the segments never pass the bar's end.
const int32_t kSDBarLeft = 22;
const int32_t kSDBarTop = 485;
const int32_t kSDBarBottom = 499;
const int32_t kSDBarWidth = 436;
const int32_t kSDBarMinWidth = 3;
SDUsageBarLayout LayOutUsageBar(uint64_t capacity, uint64_t freeBytes,
                                const SDCategoryUsage (&usages)[SD_CATEGORY_COUNT],
                                const bool (&read)[SD_CATEGORY_COUNT]);

// "2026/12/10  12:34", or "----/--/--  --:--" for a time whose year is 0 (no file).
std::string FormatUsageDate(const SYSTEMTIME& time);

namespace SDInforWindowKey {
extern const SkinItemKey kBase;
extern const SkinItemKey kApplicationIcon;
extern const SkinItemKey kTitle;
extern const SkinItemKey kCloseButton;
extern const SkinItemKey kFrameOverlay;
extern const SkinItemKey kOKButton;
extern const SkinItemKey kMemoryText;
extern const SkinItemKey kBackImage1;
extern const SkinItemKey kBackImage2;
extern const SkinItemKey kLogList;
extern const SkinItemKey kLogListScrollBar;
// Per legend kind, Traffic to Other.
extern const SkinItemKey kImage[SD_LEGEND_COUNT];
extern const SkinItemKey kImageIcon[SD_LEGEND_COUNT];
extern const SkinItemKey kImageBack;
extern const SkinItemKey kImageUseSize;
// The bar segments: the same blocks as the legend squares, Traffic to Probe.
extern const SkinItemKey kSegment[SD_CATEGORY_COUNT];
extern const SkinItemKey kText[SD_LEGEND_COUNT];
extern const SkinItemKey kDateText[SD_LEGEND_COUNT];
extern const SkinItemKey kTitleTextDate;
extern const SkinItemKey kTitleTextName;
extern const SkinItemKey kTitleTextColor;
} // namespace SDInforWindowKey

class CSDInforWindow
    : public CToolWindowBase<CSDInforWindow>,
      private CButtonListViewListener,
      private CButtonListViewTableW {
public:
    typedef CToolWindowBase<CSDInforWindow> Base;

    static constexpr int32_t kGridRows = 9;
    static constexpr COLORREF kTextColor = RGB(55, 49, 68);
    static constexpr UINT kChildClosedMessage = WM_LAUNCHER_CHILD_CLOSED;
    static constexpr WPARAM kChildCode = CHILD_SD_INFO;
    static constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU;

    explicit CSDInforWindow(HWND owner);
    ~CSDInforWindow() override;

    // Builds the items from the card's figures, creates the window centred over its owner
    // and shows it; a missing root of the selected drive has it close itself at once. False
    // when the skin could not be loaded (its error has been shown).
    bool Create();

    // ---- for tests and the gallery ----
    CSkinWindowItemStatic* GetMemoryText() const { return m_pMemoryText; }
    CSkinWindowItemStatic* GetDateText(uint32_t kind) const { return m_pDateText[kind]; }
    CSkinWindowItemResizableStaticImage* GetUsedBar() const { return m_pImageUseSize; }
    CSkinWindowItemResizableStaticImage* GetSegment(uint32_t kind) const
    {
        return m_pSegment[kind];
    }
    CButtonListView* GetList() const { return m_pLogList; }

    // ---- window ----
    UINT GetOverlayMessage() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void OnClose() override;
    void OnDestroy() override;
    void OnEndSession(bool ending, LPARAM lParam) override;

protected:
    CButtonListView* GetScrolledList() override { return m_pLogList; }
    // The steps of Create (the gallery shows them): the items from the skin text, and the
    // hidden window centred over its owner.
    void BuildFromSkin();
    void CreateHidden();
    // The bar's rectangles as laid out.
    void ApplyLayout(const SDUsageBarLayout& layout);
    void _UpdateUsage();

private:
    // ---- the table: nine empty rows, the grid behind the legend ----
    int32_t GetRowCount(CButtonListView* view) override;
    bool IsRowActive(CButtonListView* view, int32_t row) override;
    bool HasButton(CButtonListView* view, int32_t row, uint32_t id) override;
    bool IsButtonOn(CButtonListView* view, int32_t row, uint32_t id) override;
    int32_t GetButtonLabel(CButtonListView* view, int32_t row, uint32_t id) override;
    std::string GetCellText(CButtonListView* view, int32_t row, int32_t column,
                            const ButtonListViewTextFit& fit) override;
    COLORREF GetCellTextColor(CButtonListView* view, int32_t row, int32_t column) override;
    std::string GetCellToolTip(CButtonListView* view, int32_t row, int32_t column) override;
    int32_t GetMinColumnWidth(CButtonListView* view) override;
    std::wstring GetCellTextW(CButtonListView* view, int32_t row, int32_t column,
                              const ButtonListViewTextFit& fit) override;
    bool IsWideText(CButtonListView* view) override;

    // ---- the listener: nothing is done ----
    void OnLayoutChanged(CButtonListView* view) override;
    void OnPress(CButtonListView* view, int32_t row, int32_t part, int32_t index,
                 bool onIcon) override;
    void OnDoubleClick(CButtonListView* view, int32_t row, int32_t part, int32_t index,
                       bool onIcon) override;
    void OnButtonClick(CButtonListView* view, int32_t row, uint32_t id) override;

    HWND m_hOwner;
    CButtonListView* m_pLogList;
    CSkinWindowItemScrollBar* m_pLogListScrollBar;
    CSkinWindowItemStatic* m_pMemoryText;
    CSkinWindowItemStatic* m_pDateText[SD_LEGEND_COUNT];
    CSkinWindowItemResizableStaticImage* m_pImageUseSize;
    CSkinWindowItemResizableStaticImage* m_pSegment[SD_CATEGORY_COUNT];
    CSDInfoMgr* m_pSDInfoMgr;
};

} // namespace ui
