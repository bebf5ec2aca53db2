#pragma once
// The choice of the active card among the removable drives D to Z that hold a volume: a
// three-column list of them (name, free space, type), one row marked at most, a refresh
// button, and OK, which makes the marked drive the active card in the shared card record
// (an empty list clears it). Every way of closing tells the owner with its child-closed
// notice (WM_LAUNCHER_CHILD_CLOSED, code 2); the owner then reads the active card anew:
//     m_pSDManager.reset(new ui::CSDManagerWindow(hwnd));
//     m_pSDManager->ShowOver(hwnd);
// Skin "SDManagerWindow.txt"; item ids are counted from 2000.

#include "launcher/LaunchWindowMessages.h"
#include "launcher/ToolWindowBase.h"
#include "skin/ButtonListView.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <cstdint>
#include <list>
#include <string>

class CSDInfoMgr;

// One row of the list, made from a drive of the drive list. The first byte is the user's
// mark, not the unit-card flag the drive list carries.
struct SDCardListEntry {
    uint8_t bMarked;
    uint8_t cDrive;
    std::string strName;
    std::string strType;
    std::string strFree;

    SDCardListEntry();
    ~SDCardListEntry();

    // Column 0 the name, 1 the free space, 2 the type; empty for any other.
    const std::string& GetColumnText(int32_t column) const;
    bool IsMarked() const { return bMarked != 0; }
    char GetDrive() const { return static_cast<char>(cDrive); }
};

namespace ui {

class CSkinWindowItemScrollBar;

namespace SDManagerWindowKey {
extern const SkinItemKey kBase;
extern const SkinItemKey kApplicationIcon;
extern const SkinItemKey kTitle;
extern const SkinItemKey kCloseButton;
extern const SkinItemKey kFrameOverlay;
extern const SkinItemKey kOKButton;
extern const SkinItemKey kCancelButton;
extern const SkinItemKey kUpdateSDButton;
extern const SkinItemKey kBackImage;
extern const SkinItemKey kLogList;
extern const SkinItemKey kLogListScrollBar;
} // namespace SDManagerWindowKey

class CSDManagerWindow
    : public CToolWindowBase<CSDManagerWindow>,
      private CButtonListViewListener,
      private CButtonListViewTableW {
public:
    typedef CToolWindowBase<CSDManagerWindow> Base;

    static constexpr COLORREF kTextColor = RGB(55, 49, 68);
    static constexpr int32_t kMinColumnWidth = 50;
    static constexpr UINT kChildClosedMessage = WM_LAUNCHER_CHILD_CLOSED;
    static constexpr WPARAM kChildCode = CHILD_SD_MANAGER;
    static constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU;
    static const char kUnsupportedCardMessage[];
    static constexpr UINT kUnsupportedCardStyle = 112;

    explicit CSDManagerWindow(HWND owner);
    ~CSDManagerWindow() override;

    // Builds the items, creates the window hidden and centred over its owner, and fills
    // the list. False when the skin could not be loaded (its error has been shown).
    bool Create();
    // The owner's way to open it: Create, centred over the owner again, shown and painted.
    bool ShowOver(HWND owner);

    // ---- state, for the owner and tests ----
    const std::list<SDCardListEntry>& GetEntries() const { return m_listEntries; }
    CButtonListView* GetList() const { return m_pLogList; }
    CSkinWindowItemScrollBar* GetScrollBar() const { return m_pLogListScrollBar; }

    // ---- window ----
    UINT GetOverlayMessage() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    bool FilterKey(UINT key, LPARAM keyData) override;
    void OnDestroy() override;
    void OnEndSession(bool ending, LPARAM lParam) override;

protected:
    CButtonListView* GetScrolledList() override { return m_pLogList; }
    // The steps of Create (the gallery shows them): the items from the skin text, then the
    // hidden window; and the list filled from the drive list.
    void BuildFromSkin();
    void CreateHidden();
    void _UpdateList();

    std::list<SDCardListEntry> m_listEntries;

private:
    // ---- the table (CButtonListViewTableW) ----
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

    // ---- the listener: a press on a row marks it, a double click confirms ----
    void OnLayoutChanged(CButtonListView* view) override;
    void OnPress(CButtonListView* view, int32_t row, int32_t part, int32_t index,
                 bool onIcon) override;
    void OnDoubleClick(CButtonListView* view, int32_t row, int32_t part, int32_t index,
                       bool onIcon) override;
    void OnButtonClick(CButtonListView* view, int32_t row, uint32_t id) override;

    // ---- the steps ----
    void _OnButtonOK();
    // The entry of the row, null for a row out of range.
    const SDCardListEntry* _EntryAt(int32_t row) const;

    HWND m_hOwner;
    CButtonListView* m_pLogList;
    CSkinWindowItemScrollBar* m_pLogListScrollBar;
    CSDInfoMgr* m_pSDInfoMgr;
};

} // namespace ui
