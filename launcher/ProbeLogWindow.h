#pragma once
// The window of the stored-probe upload: while the upload job (CProbeUpload) runs, each of
// its step reports becomes a dated line of a one-column list and its percents move a bar;
// between runs the last 100 lines stay in "ProbeLogInfo.info" of the user's data folder, in
// ring order, with the ring's count and position kept as the settings UploadTotNum and
// UploadCurrNum. The check box "今後、この画面を表示しない" is DisplayUpload seen the other
// way round.
//
// Modeless and single; the main window makes it in one of two modes and deletes it on its
// child-closed notice (WM_LAUNCHER_CHILD_CLOSED, code 7):
//     m_pProbeLog.reset(new ui::CProbeLogWindow(hwnd));
//     m_pProbeLog->Create(false);       // upload mode: hidden; shown when DisplayUpload is 1
//     job.SetNotifyWindow(m_pProbeLog->GetHwnd());
//     m_pProbeLog->Create(true);        // view mode, from the menu; the owner shows it
// In upload mode, closing before the job's "QZLNotifyFinish" only hides the window.
//
// The history belongs to the user whose name "UserAgentShareMemName" held when Create read
// it: every file access uses that name, and the settings in memory take the window's values
// only while the block still names that user (otherwise the user's own file takes them, at
// the destructor). Skin "ProbeLogWindow.txt"; item ids are counted from 2000.

#include "launcher/LaunchWindowMessages.h"
#include "launcher/ToolWindowBase.h"
#include "skin/ButtonListView.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class CSkinWindowItemScrollBar;
class CSkinWindowItemStatic;
class CSkinWindowItemStaticImage;
class CSkinWindowItemToggleButton;

namespace ProbeLogWindowKey {
extern const SkinItemKey kBase;
extern const SkinItemKey kApplicationIcon;
extern const SkinItemKey kTitleKestrumBtn;
extern const SkinItemKey kCloseButton;
extern const SkinItemKey kMinimizeButton;
extern const SkinItemKey kFrameOverlay;
extern const SkinItemKey kAutoBootCheckBox;
extern const SkinItemKey kBackImage1;
extern const SkinItemKey kTextStatic;
extern const SkinItemKey kImageBack;
extern const SkinItemKey kImageBar;
extern const SkinItemKey kLogList;
extern const SkinItemKey kLogListScrollBar;
} // namespace ProbeLogWindowKey

class CProbeLogWindow
    : public CToolWindowBase<CProbeLogWindow>,
      private CButtonListViewListener,
      private CButtonListViewTableW {
public:
    typedef CToolWindowBase<CProbeLogWindow> Base;

    static constexpr uint32_t kRingSize = 100;
    // The bar's background spans (100, 45)-(380, 52).
    static constexpr SkinRect kBarRect = {100, 45, 380, 52};
    static constexpr int32_t kBarWidth = 280;
    static constexpr COLORREF kTextColor = RGB(40, 40, 40);
    // The list's one column.
    static constexpr int32_t kColumnWidth = 500;
    static constexpr UINT kColumnFormat = DT_VCENTER;
    // The probe upload's job type: lParam of "QZLNotifyProgress", the category of its codes.
    static constexpr LPARAM kJobType = 36;
    static constexpr uint32_t kResultCategory = 0x24000000;
    // Messages to and from the owner.
    static constexpr UINT kChildClosedMessage = WM_LAUNCHER_CHILD_CLOSED;
    static constexpr WPARAM kChildCode = CHILD_PROBE_LOG;
    static constexpr UINT kAutoShowMessage = WM_PROBE_AUTOSHOW;
    static constexpr UINT kNewNaviSdMessage = WM_LAUNCHER_NEW_NAVI_SD;
    static constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
    static const char kFileName[];

    explicit CProbeLogWindow(HWND owner);
    // Stores the three values into the settings, writes the history file.
    ~CProbeLogWindow() override;

    // Loads the history of the current user, builds the skin and creates the window hidden,
    // centred over its owner, the newest line in view. False when the skin could not be
    // loaded (its error has been shown).
    bool Create(bool viewOnly);

    // ---- state, for the owner and tests ----
    uint32_t GetLineCount() const { return m_uLineCount; }
    uint32_t GetNextLine() const { return m_uNextLine; }
    // Entry i of the ring (not row i of the list).
    const std::string& GetEntry(uint32_t index) const { return m_aLines[index % kRingSize]; }
    bool GetDisplayUpload() const { return m_bDisplayUpload != 0; }
    bool IsViewOnly() const { return m_bViewOnly != 0; }
    bool IsFinished() const { return m_bFinished != 0; }
    uint32_t GetMaxPercent() const { return m_uMaxPercent; }
    const std::string& GetUserName() const { return m_strUserName; }
    // The history file of a user.
    static std::string GetLogFilePath(const std::string& userName);
    CSkinWindowItemStaticImage* GetBarItem() const { return m_pImageBar; }
    CSkinWindowItemToggleButton* GetCheckBox() const { return m_pAutoBootCheckBox; }
    CButtonListView* GetList() const { return m_pLogList; }
    CSkinWindowItemScrollBar* GetScrollBar() const { return m_pLogListScrollBar; }

    // ---- window ----
    UINT GetOverlayMessage() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    bool FilterKey(UINT key, LPARAM keyData) override;
    void OnClose() override;
    void OnEndSession(bool ending, LPARAM lParam) override;

protected:
    CButtonListView* GetScrolledList() override { return m_pLogList; }
    // The steps of Create after the log is loaded (the gallery shows them): the items from
    // the skin text, and the hidden window with the list at its newest line.
    void BuildFromSkin();
    void CreateHidden();

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

    // ---- the listener: the list is only looked at ----
    void OnLayoutChanged(CButtonListView* view) override;
    void OnPress(CButtonListView* view, int32_t row, int32_t part, int32_t index,
                 bool onIcon) override;
    void OnDoubleClick(CButtonListView* view, int32_t row, int32_t part, int32_t index,
                       bool onIcon) override;
    void OnButtonClick(CButtonListView* view, int32_t row, uint32_t id) override;

    // ---- the steps ----
    bool _LoadLog();
    void _OnProgress(uint32_t step, uint32_t result);
    void _OnProgressBar(uint32_t percent);
    void _OnAutoBootCheck();
    void _OnMinimize();
    void _WriteFile();
    // The list refreshed whole and scrolled so that the newest line is in view.
    void _ShowNewest();
    void _SetCheckBox();
    // Whether "UserAgentShareMemName" still names the user the history was loaded for.
    bool _IsOwnUserCurrent() const;
    void _PostOwner(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hOwner;
    CSkinWindowItemStaticImage* m_pImageBar;
    CSkinWindowItemStaticImage* m_pImageBack;
    CSkinWindowItemStatic* m_pTextStatic;
    CSkinWindowItemToggleButton* m_pAutoBootCheckBox;
    CButtonListView* m_pLogList;
    CSkinWindowItemScrollBar* m_pLogListScrollBar;
    uint32_t m_uLineCount;
    uint32_t m_uNextLine;
    uint8_t m_bDisplayUpload;
    uint8_t m_bViewOnly;
    std::string m_aLines[kRingSize];
    uint8_t m_bFinished;
    uint32_t m_uMaxPercent;
    // The user of the history, read once when it is loaded; the destructor stores and
    // writes only a history that was loaded.
    std::string m_strUserName;
    bool m_bLoaded;
    // At the end of the session the window goes even in upload mode.
    bool m_bEndingSession;
    bool m_bRunReporting; // a run's reports have come and its end has not
    UINT m_uNotifyProgress;
    UINT m_uNotifyError;
    UINT m_uNotifyFinish;
};

} // namespace ui
