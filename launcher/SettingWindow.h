#pragma once
// The launcher's settings: five switches of the settings record (the automatic traffic and
// weather downloads, the upload's progress window, the drop window of the map web service,
// the resident agent) and two operations on the active card: deleting the product's data
// (through ui::CDelFileWindow) and checking its file system with "chkdsk.exe" on a worker.
//
// Modeless; the main window makes it from its menu and deletes it on its child-closed notice
// (WM_LAUNCHER_CHILD_CLOSED, code 6). OK stores the switches in memory (the main window saves
// the record); Cancel and the close button store nothing. While the delete-data window or the check's
// progress box runs over it, a close only ends that window; the settings window closes once
// the call returns, so that the object is never deleted under its own call.
// Its skin text is "SettingWindow.txt"; ids are counted from 2000.

#include "launcher/LaunchWindowMessages.h"
#include "launcher/ToolWindowBase.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <cstdint>
#include <memory>

namespace ui {

class CDelFileWindow;
class CMessageBoxWindow;
class CSkinWindowItemButton;

namespace SettingWindowKey {
extern const SkinItemKey kBase;
extern const SkinItemKey kApplicationIcon;
extern const SkinItemKey kTitle;
extern const SkinItemKey kCloseButton;
extern const SkinItemKey kFrameOverlay;
extern const SkinItemKey kOKButton;
extern const SkinItemKey kCancelButton;
extern const SkinItemKey kAutoDLTrefficCheckBox;
extern const SkinItemKey kAutoDLWeatherCheckBox;
extern const SkinItemKey kAutoDisplayCheckBox;
extern const SkinItemKey kDeleteButton;
extern const SkinItemKey kAtlaroCheckBox;
extern const SkinItemKey kRunAgentCheckBox;
extern const SkinItemKey kScandiskButton;
} // namespace SettingWindowKey

class CSettingWindow : public CToolWindowBase<CSettingWindow> {
public:
    typedef CToolWindowBase<CSettingWindow> Base;

    static const DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU;
    static const UINT kChildClosedMessage = WM_LAUNCHER_CHILD_CLOSED;
    static const WPARAM kChildCode = CHILD_SETTING;
    // From the main window: whether card operations are possible (wParam 1 or 0).
    static const UINT WM_LAUNCHER_CARD_STATE = ::WM_LAUNCHER_CARD_STATE;
    // To the main window: the upload's progress-window switch changed.
    static const UINT WM_PROBE_AUTOSHOW = ::WM_PROBE_AUTOSHOW;
    // How long the check waits for chkdsk, twice.
    static const DWORD kScanWaitMs = 180000;

    static const char kCardLocked[];
    static const char kDeleteQuestion[];
    static const char kCardBusy[];
    static const char kDeleteFailed[];
    static const char kDeleteDone[];
    static const char kCheckQuestion[];
    static const char kCheckRunning[];
    static const char kCheckDone[];

    explicit CSettingWindow(HWND owner);
    ~CSettingWindow() override;

    // Loads the skin, builds the items and creates the window centred over its owner, which
    // shows it. A skin error raises ui::CSkinWindowException.
    void Create();

    bool GetTraffic() const { return m_bTraffic; }
    bool GetWeather() const { return m_bWeather; }
    bool GetDisplay() const { return m_bDisplay; }
    bool GetAtlaro() const { return m_bAtlaro; }
    bool GetAgent() const { return m_bAgent; }
    bool IsBusy() const { return m_bBusy; }
    CDelFileWindow* GetDelFileWindow() const { return m_pDelFileWindow.get(); }
    // For tests: a shorter wait for chkdsk.
    void SetScanWaitForTest(DWORD milliseconds) { m_dwScanWaitMs = milliseconds; }

    // ---- window ----
    UINT GetOverlayMessage() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void OnClose() override;
    void OnDestroy() override;
    void OnEndSession(bool ending, LPARAM lParam) override;

protected:
    void BuildFromSkin();
    void CreateHiddenWindow();

private:
    void _OnClosing(UINT id);
    void _OnButtonOK(UINT id);
    void _OnCheckBox(UINT id);
    void _OnButtonDelete(UINT id);
    void _StartScanDisk(UINT id);
    void _OnScanDiskEnd();
    void _OnDeleteFinished(uint32_t result);
    void _EnableCardButtons(bool enable);
    // Runs a nested modal call; a close that came meanwhile closes the window after it, when
    // the window is still there.
    template <class TCall>
    void _Nested(TCall call);

    static DWORD WINAPI _NotifyScanDiskEnd(LPVOID parameter);
    bool _ScanDiskThread();

    HWND m_hOwner;
    CSkinWindowItemButton* m_pCloseButton;
    CSkinWindowItemButton* m_pTrafficBox;
    CSkinWindowItemButton* m_pWeatherBox;
    CSkinWindowItemButton* m_pDisplayBox;
    CSkinWindowItemButton* m_pAtlaroBox;
    CSkinWindowItemButton* m_pAgentBox;
    CSkinWindowItemButton* m_pDeleteButton;
    CSkinWindowItemButton* m_pScandiskButton;
    bool m_bBusy;
    bool m_bTraffic;
    bool m_bWeather;
    bool m_bDisplay;
    bool m_bAtlaro;
    bool m_bAgent;
    std::unique_ptr<CDelFileWindow> m_pDelFileWindow;
    HANDLE m_hScanThread;
    CMessageBoxWindow* m_pScanBox;
    UINT m_uUpdateStateMessage;
    UINT m_uScanDiskEndMessage;
    HWND m_hScanTarget;       // this window's handle as the check thread posts to it
    DWORD m_dwScanWaitMs;
    bool m_bInNestedCall;
    bool m_bCloseNoted;
};

} // namespace ui
