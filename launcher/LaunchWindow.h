#pragma once
// The launcher's main window: a small layered skin window titled "Kestrum4 Launcher" with the
// product's title images, the tool buttons, the card buttons, the update and log-in buttons,
// the menu button and three progress rows (weather, traffic, stored probe data). Its skin text
// is "LaunchWindow.txt"; its item ids count from 1000 and are its command ids.
//
//     ui::CLaunchWindow window;   // jobs, drive manager, "UserAgentShareMemName", settings
//     window.Create();            // users and card, skin, window, menu; posts the chain's start
//     ... the message loop until the window posts the quit ...
//
// The start chain runs once, each step started when the tool window of the one before has
// gone: the application log upload, the version check (which may hand over to the updater:
// then the launcher closes, never shown), on a first run the choice of the unit's model; at
// its end the window shows itself, starts the downloads and publishes the current user. The
// window owns every tool window (made through the tool factory, launcher/LaunchToolFactory.h)
// and deletes each on its close notice.
//
// The skin draws the window 618 x 128 with the camera-unit button (DriveButton); without it
// (the DriveMemory setting off) the window is 548 x 128, the items right of that button
// anchored to the right edge so that they close the gap.

#include "launcher/LaunchToolFactory.h"
#include "lib/wfc/ContextMenu.h"
#include "skin/EndSessionWaitingWindow.h"
#include "skin/FrameOverlayWindowBase.h"
#include "skin/ResizableSkinWindow.h"
#include "skin/SkinItemKey.h"
#include "skin/WindowBase.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CBlockShareMemHolder;
struct UserMenuItem;
class CInfoChargeCtrl;
class CProbeUpload;
class CSDInfoMgr;

namespace ui {

class CSkinWindowItemButton;
class CSkinWindowItemStaticImage;
class CSkinWindowItemToggleButton;

namespace LaunchWindowKey {
extern const SkinItemKey kApplicationIcon;
extern const SkinItemKey kBase;
extern const SkinItemKey kTitleHalvornImg;
extern const SkinItemKey kTitleSardelloImg;
extern const SkinItemKey kTitleKestrumImg;
extern const SkinItemKey kCloseButton;
extern const SkinItemKey kMinimizeButton;
extern const SkinItemKey kFrameOverlay;
extern const SkinItemKey kWebButton;
extern const SkinItemKey kDriveButton;
extern const SkinItemKey kMaintenanceButton;
extern const SkinItemKey kUpdateButton;
extern const SkinItemKey kNeedUpdateButton;
extern const SkinItemKey kButtonClassFive;
extern const SkinItemKey kButtonClassSD;
extern const SkinItemKey kButtonSDChoose;
extern const SkinItemKey kButtonClassSDPairing;
extern const SkinItemKey kButtonUpdate;
extern const SkinItemKey kButtonLogin;
extern const SkinItemKey kMenuButton;
extern const SkinItemKey kBackGrayImage;
extern const SkinItemKey kProbleINGImage;
extern const SkinItemKey kVelocetDLImage;
extern const SkinItemKey kWeatherDLImage;
extern const SkinItemKey kProbleDISImage;
extern const SkinItemKey kVelocetBKImage;
extern const SkinItemKey kWeatherBKImage;
// The three steps of each progress row: the track ("Back") and the reached step ("Ing").
extern const SkinItemKey kWeatherBackImage[3];
extern const SkinItemKey kWeatherIngImage[3];
extern const SkinItemKey kVelocetBackImage[3];
extern const SkinItemKey kVelocetIngImage[3];
extern const SkinItemKey kProbleBackImage[3];
extern const SkinItemKey kProbleIngImage[3];
extern const SkinItemKey kLineBackImage1;
extern const SkinItemKey kLineBackImage2;
} // namespace LaunchWindowKey

// Menu ids of the context menu; the users' items are IDM_NICKNAME_FIRST + their index.
enum LaunchMenuId : uint32_t {
    IDM_MACHINE_SETTING = 4000,
    IDM_SD_INFO = 4001,
    IDM_SETTING = 4002,
    IDM_UNUSED_4003 = 4003,
    IDM_VERSION_INFO = 4004,
    IDM_UNUSED_4005 = 4005,
    IDM_PAGE_VELOCET = 4006,
    IDM_ONLINE_HELP = 4010,
    IDM_PROBE_SHOW = 4011,
    IDM_PROBE_UPLOAD = 4012,
    IDM_PAGE_KESTRUM = 4013,
    IDM_PAGE_SARDELLO = 4014,
    IDM_PAGE_HALVORN = 4015,
    IDM_NICKNAME_FIRST = 4100,
    IDM_CUSTOMER_REGIST = 4200,
};

// Web pages (request ids of the connection table) the window opens.
enum LaunchWebPage : uint32_t {
    PAGE_VELOCET = 31,
    PAGE_HALVORN = 35,
    PAGE_SARDELLO = 36,
    PAGE_KESTRUM = 37,
    PAGE_WEB_DRIVE = 38,
    PAGE_ONLINE_HELP = 39,
    PAGE_VELOCET_REGIST = 40,
    PAGE_VELOCET_RENEW = 42,
};

// The window's timers.
enum LaunchTimerId : UINT_PTR {
    TIMER_PROBE_BLINK = 0x7001,
    TIMER_WEATHER_BLINK = 0x7002,
    TIMER_VELOCET_BLINK = 0x7003,
    TIMER_AUTO_VELOCET = 0x7004,
    TIMER_AUTO_WEATHER = 0x7005,
};
const UINT kBlinkPeriodMs = 500;
const UINT kAutoVelocetPeriodMs = 1800000;
const UINT kAutoWeatherPeriodMs = 43200000;

// The broadcast kinds of WM_DEVICECHANGE the agent posts.
const WPARAM DEVICE_ADD = 1;
const WPARAM DEVICE_REMOVE = 2;

// The window's sizes: the skin's, with DriveButton, and without it.
const int32_t kLaunchWindowWidth = 618;
const int32_t kLaunchWindowCompactWidth = 548;
const int32_t kLaunchWindowHeight = 128;
// Layered alpha of the active and the inactive window.
const BYTE kLaunchWindowAlpha = 242;
const BYTE kLaunchWindowInactiveAlpha = 204;
// The icon resource of the launcher program.
const WORD kLaunchWindowIconId = 107;
// Bits of the start mask.
const uint32_t START_LOG_UPLOAD_DONE = 0x1;
const uint32_t START_VERUP_DONE = 0x2;
const uint32_t START_CHAIN_DONE = START_LOG_UPLOAD_DONE | START_VERUP_DONE;
// The longest name the user block holds.
const size_t kUserBlockNameChars = 20;

class CLaunchWindow
    : public CFrameOverlayWindowBase<CEndSessionWaitingWindow<CResizableSkinWindow>>,
      public CWindowBase {
public:
    typedef CFrameOverlayWindowBase<CEndSessionWaitingWindow<CResizableSkinWindow>> Base;

    // The product's tool windows.
    CLaunchWindow();
    // Tool windows from the factory, which must outlive the window.
    explicit CLaunchWindow(ILaunchToolFactory& factory);
    ~CLaunchWindow() override;

    // The six steps of creation; false when the window could not be made (a skin error has
    // been shown to the user by then).
    bool Create();
    // The skin and every item, without a window: Create's second step, and the gallery's.
    void LoadWindowSkin();

    // ---- window ----
    UINT GetOverlayMessage() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroy() override;
    void OnActivate(UINT state, HWND other) override;
    bool OnSetCursor(LPARAM lParam) override;
    void OnMouseMove(UINT keys, int x, int y) override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void OnTimer(UINT_PTR id) override;
    // The session's end closes the window, and the wait lasts until it is gone.
    void OnEndSession(bool ending, LPARAM lParam) override;
    // Hover help on the tool buttons; a double click on the emblem closes.
    bool PostItemCommand(int32_t id, int32_t event, LPARAM reserved) override;

    // ---- state, for the tests and the gallery ----
    ILaunchToolWindow* GetTool(LaunchToolKind kind) const { return m_pTool[kind].get(); }
    uint32_t GetStartMask() const { return m_uStartMask; }
    char GetActiveSD() const { return m_cActiveSD; }
    bool IsActiveSDPaired() const { return m_bPaired; }
    const std::string& GetNickName() const { return m_strNickName; }
    int32_t GetNickNameNo() const { return m_iNickNameNo; }
    const std::vector<std::pair<uint32_t, std::string>>& GetNickNameList() const
    {
        return m_vNickNameList;
    }
    HMENU GetMenu() const { return m_menu.GetHandle(); }
    HMENU GetUserMenu() const { return m_hUserMenu; }
    int32_t GetHelpButtonId() const { return m_nHelpButtonId; }
    bool IsAutoUpdateState() const { return m_bAutoUpdateState; }
    bool IsAllButtonsEnabled() const { return m_bButtonsEnabled; }
    uint32_t GetProgress(uint32_t jobType) const;

private:
    // The given factory, or the product's for null.
    CLaunchWindow(ILaunchToolFactory* factory, int);

    typedef void (CLaunchWindow::*CommandHandler)();
    struct CommandRow {
        uint16_t m_nId;
        CommandHandler m_pfnHandler;
    };
    static const std::vector<CommandRow>& _CommandTable();

    void _RegisterMessages();
    void _LoadSkin();
    // Anchors the items so that the narrow window keeps the right-hand ones in view.
    void _AnchorItems();
    void _SetIcon();
    // Returns true when the message was one of the rows that answer 0 without the base.
    bool _Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // ---- start chain ----
    void _OnStartLauncher();
    void _OnLogUpload();
    void _ServerMessagePro(WPARAM step);
    void _OnServerStartFinish();
    // Step 4: the machine setting window of a first run has closed.
    void _OnMachineSettingClosed();

    // ---- tool windows ----
    // The tool of the kind, made and created when there is none; null when it cannot be had.
    ILaunchToolWindow* _OpenTool(LaunchToolKind kind);
    void _DeleteTool(LaunchToolKind kind);
    bool _HasToolWindow(LaunchToolKind kind) const;
    void _PrcWindowClose(WPARAM code, LPARAM extra);
    void _CloseAllWindows();
    void _DeleteHelpInfo();

    // ---- commands ----
    void _StartApplication(uint32_t id, const wchar_t* folder, int showCommand);
    void _OpenWebPage(uint32_t page);
    void _OnButtonWebDrive();
    void _OnButtonDrive();
    void _OnButtonMaintenance();
    void _OnButtonUpdate();
    void _OnButtonClassFive();
    void _OnButtonClassSD();
    void _OnButtonSDChoose();
    void _OnButtonLogin();
    void _OnButtonClose();
    void _OnButtonMinimize();
    void _OnButtonMenu();
    void _OnMenuMachineSetting();
    void _OnMenuSDInfo();
    void _OnMenuSetting();
    void _OnMenuNothing();
    void _OnMenuProbeUpload();
    void _OnMenuProbeShow();
    void _OnMenuPageVelocet();
    void _OnMenuPageHalvorn();
    void _OnMenuPageKestrum();
    void _OnMenuPageSardello();
    void _OnMenuOnlineHelp();
    void _OnMenuVersionInfo();
    void _EnableAllButtons(bool enable);

    // ---- menu and users ----
    void _InitMenu();
    void _InitNickNameList();
    // The users of the user list, which the list of (menu id, name) is made from.
    std::vector<UserMenuItem> _LoadNickNameList();
    void _OnMenuUserSelect(int32_t index);
    void _SetNickNamePro();
    void _OnUserListChanged();
    void _ApplyDriveMemory();
    void _MoveWindowToWorkArea(int32_t width);
    // Asks the new-card question unless it is open already; Yes opens the wizard.
    void _AskNewNaviSD();
    void _ShowHelpInfo(int32_t buttonId);
    bool _IsCursorOverHelpButton();

    // ---- jobs, progress, errors and cards ----
    void _OnUpdateInfo();
    void _StartProbeUpload(bool automatic);
    void _OnProgress(uint32_t percent, uint32_t jobType);
    void _OnProgressFinish(uint32_t jobType);
    void _OnNotifyError(uint32_t code, uint32_t extra);
    void _OnProbeUploadError(uint32_t code, uint32_t extra);
    void _ProbeMessagePro(uint32_t kind, int32_t userIndex);
    void _OnNewNaviSD();
    void _OnSDCardEjected(WPARAM result);
    void _OnDeviceChange(WPARAM kind);
    void _UpdateSDState();
    // The automatic probe upload runs while its window is not displayed: its errors are silent.
    bool _IsSilentProbeUpload() const;
    void _BroadcastDeviceChange(WPARAM kind);
    void _ShowImages(CSkinWindowItemStaticImage* const images[3], int32_t count);
    void _Blink(UINT_PTR timer, uint32_t percent, uint8_t& phase,
                CSkinWindowItemStaticImage* const images[3]);
    void _StartRepeat(UINT_PTR timer, bool velocet);

    std::unique_ptr<ILaunchToolFactory> m_pOwnFactory;   // the product's, when none was given
    ILaunchToolFactory* m_pFactory;

    // Items of the skin, owned by the skin window.
    CSkinWindowItemButton* m_pCloseButton;
    CSkinWindowItemButton* m_pMinimizeButton;
    CSkinWindowItemButton* m_pWebButton;
    CSkinWindowItemButton* m_pDriveButton;
    CSkinWindowItemButton* m_pMaintenanceButton;
    CSkinWindowItemButton* m_pUpdateButton;
    CSkinWindowItemButton* m_pNeedUpdateButton;
    CSkinWindowItemButton* m_pButtonClassFive;
    CSkinWindowItemButton* m_pButtonClassSD;
    CSkinWindowItemButton* m_pButtonSDChoose;
    CSkinWindowItemButton* m_pButtonClassSDPairing;
    CSkinWindowItemButton* m_pButtonUpdate;
    CSkinWindowItemButton* m_pButtonLogin;
    CSkinWindowItemToggleButton* m_pMenuButton;
    CSkinWindowItemStaticImage* m_pWeatherIngImage[3];
    CSkinWindowItemStaticImage* m_pVelocetIngImage[3];
    CSkinWindowItemStaticImage* m_pProbleIngImage[3];
    CSkinWindowItemStaticImage* m_pWeatherDLImage;
    CSkinWindowItemStaticImage* m_pVelocetDLImage;
    CSkinWindowItemStaticImage* m_pProbleINGImage;

    UINT m_uStartLauncherMsg;
    UINT m_uDropWindowMsg;
    UINT m_uNotifyErrorMsg;
    UINT m_uNotifyProgressMsg;
    UINT m_uNotifyFinishMsg;
    UINT m_uUpdateInfoMsg;
    UINT m_uUpdateStateMsg;
    UINT m_uUpdateShowMsg;
    UINT m_uVerUpStartMsg;
    UINT m_uDeviceChangeMsg;
    UINT m_uUserChangerMsg;

    int32_t m_nHelpButtonId;   // the balloon's button, 0 none
    uint32_t m_uWeatherProgress;
    uint32_t m_uVelocetProgress;
    uint32_t m_uProbeProgress;
    DWORD m_dwVelocetFinishTick;
    uint8_t m_byWeatherBlink;
    uint8_t m_byVelocetBlink;
    uint8_t m_byProbeBlink;
    uint32_t m_uMapVersionFlag;   // the update tool was started for the card
    std::vector<std::pair<uint32_t, std::string>> m_vNickNameList;   // (menu id, name)
    std::string m_strNickName;
    std::string m_strPrevNickName;   // the name the settings were last loaded under
    uint8_t m_byDriveMemory;   // the window's copy of the setting; 1 until the skin is loaded
    char m_cActiveSD;          // 0 none
    bool m_bPaired;            // the active card holds the unit's link file
    bool m_bVelocetRunning;    // written, never read
    int32_t m_iNickNameNo;     // -1 none
    bool m_bNewNaviAsking;
    bool m_bAutoUpdateState;
    bool m_bButtonsEnabled;
    HMENU m_hUserMenu;
    uint32_t m_uStartMask;
    bool m_bSkinLoaded;

    std::unique_ptr<ILaunchToolWindow> m_pTool[TOOL_KIND_COUNT];
    std::unique_ptr<CProbeUpload> m_pProbeUpload;
    std::unique_ptr<CSDInfoMgr> m_pSDInfoMgr;
    std::unique_ptr<CInfoChargeCtrl> m_pInfoChargeCtrl;
    std::unique_ptr<CBlockShareMemHolder> m_pUserAgentMem;
    lib::wfc::CContextMenu m_menu;
};

} // namespace ui
