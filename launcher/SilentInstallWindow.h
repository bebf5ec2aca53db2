#pragma once
// The second window of the launcher's start chain, the version-up: asks the service which
// of the product's four programs have a newer version (hidden meanwhile, shown only when one
// has), starts the updater on the user's "開始", then downloads the packages one after
// another (the launcher's own last) and hands each to the updater as a WM_COPYDATA install
// request, following the updater's progress with one bar for the whole version-up.
//
//     ui::CSilentInstallWindow window(owner);
//     window.Create();                 // hidden; the version check runs
//     ... the updater posts "Launcher_VERUPSTART" to the owner, which calls ...
//     window._OnVerUpStart();          // the downloads start
//
// What the owner receives: WM_LAUNCHER_VERUP_DONE and WM_LAUNCHER_CHILD_CLOSED 4 when nothing
// was handed over (no update, a failed check, "完了"); WM_LAUNCHER_CHILD_CLOSED 8 when the
// launcher is to close (its own package handed over, a cancel or a failed download while
// something is pending); "QZLNotifyError" of the version check, forwarded unchanged.
// Skin "SilentInstallWindow.txt"; item ids are counted from 1000.

#include "launcher/ToolWindowBase.h"
#include "online/DownLoadCtrl.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class CSkinWindowItemButton;
class CSkinWindowItemStatic;
class CSkinWindowItemStaticImage;

namespace SilentInstallWindowKey {
extern const SkinItemKey kBase;
extern const SkinItemKey kBaseGroup;
extern const SkinItemKey kApplicationIcon;
extern const SkinItemKey kMessageText;
extern const SkinItemKey kTimeText;
extern const SkinItemKey kCancelButton;
extern const SkinItemKey kCloseButton;
extern const SkinItemKey kMinimizeButton;
extern const SkinItemKey kFrameOverlay;
extern const SkinItemKey kImageBack;
extern const SkinItemKey kImageBar;
extern const SkinItemKey kTitleText;
} // namespace SilentInstallWindowKey

// The download progress message of each module, row n - 1 for module n (beside
// VERUP_MODULES of online/DownLoadCtrl.h).
extern const char* const VERUP_PROGRESS_MESSAGES[VERUP_MODULE_COUNT];

class CSilentInstallWindow : public CToolWindowBase<CSilentInstallWindow> {
public:
    typedef CToolWindowBase<CSilentInstallWindow> Base;

    // The timers that move the bar while a package downloads and while it installs.
    static constexpr UINT_PTR kDownloadTimer = 5000;
    static constexpr UINT kDownloadPeriodMs = 500;
    static constexpr UINT_PTR kInstallTimer = 5001;
    static constexpr UINT kInstallPeriodMs = 200;
    static constexpr int32_t kBarWidth = 280;
    // The room the message is centred in.
    static constexpr SkinRect kMessageRect = {22, 59, 458, 121};
    // How long one request to the updater may block.
    static constexpr UINT kRequestTimeoutMs = 10000;

    enum ButtonState : int32_t {
        BUTTON_START = 0,    // "開始"
        BUTTON_RUNNING = 1,  // "キャンセル"
        BUTTON_NEXT = 2,     // "次へ＞＞": all but the launcher installed
        BUTTON_FINISHED = 3, // "完了"
    };

    explicit CSilentInstallWindow(HWND owner);
    ~CSilentInstallWindow() override;

    // Builds the window hidden, centred on the desktop, and starts the version check. False
    // when the window could not be made (a skin error has then been shown).
    bool Create();
    // The updater has taken over: the downloads start (once).
    void _OnVerUpStart();

    // ---- state, for the owner and tests ----
    uint32_t GetUpdateMask() const { return m_uUpdateMask; }
    int32_t GetButtonState() const { return m_nButtonState; }
    uint32_t GetShownPercent() const { return m_uShownPercent; }
    uint32_t GetInstallIndex() const { return m_uInstallIndex; }
    uint32_t GetDownloadsCompleted() const { return m_uDownloadsCompleted; }
    uint32_t GetInstallsCompleted() const { return m_uInstallsCompleted; }
    UINT GetInstallNotifyMessage() const { return m_uInstallNotifyProgress; }
    CSkinWindowItemButton* GetCancelButton() const { return m_pCancelButton; }
    CSkinWindowItemStatic* GetMessageItem() const { return m_pMessageText; }
    CSkinWindowItemStatic* GetTimeItem() const { return m_pTimeText; }
    CSkinWindowItemStaticImage* GetBarItem() const { return m_pImageBar; }
    CDownLoadCtrl& GetDownLoadCtrl() { return m_cDownLoadCtrl; }

    // ---- window ----
    UINT GetOverlayMessage() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void OnTimer(UINT_PTR id) override;
    bool OnSetCursor(LPARAM lParam) override;
    bool PostItemCommand(int32_t id, int32_t event, LPARAM reserved) override;
    void OnClose() override;
    void OnDestroy() override;

protected:
    // The steps of Create before the version check (the gallery shows them).
    // Registers the messages, loads the skin text and makes every item with its first texts.
    void BuildFromSkin();
    // Makes the hidden window, centred, with the message centred.
    void CreateHidden();
    // The looks the steps show, on their own.
    void SetButton(int32_t state, const char* text);
    void SetMessage(const char* text);
    void ShowPercent(uint32_t percent);

private:
    void _OnVersionChecked(LPARAM lParam);
    void _OnDownloadProgress(uint32_t module, WPARAM total, LPARAM bytes);
    void _OnDownloadError();
    void _OnInstallProgress(WPARAM code);
    void _OnCommandButton();
    void _OnCloseButton();
    void _OnMinimizeButton();
    void _StartNextDownload();
    // module 0: the install step.
    void _UpdateProgress(uint32_t module);
    bool _IsDownloadComplete(uint32_t module);
    void _RequestInstall();
    void _RequestCancelInstall();
    // Sends the request of the kind for the module; false when its package has no path, or a
    // path too long for the record.
    enum SendOutcome { SEND_SENT, SEND_NO_PATH, SEND_PATH_TOO_LONG };
    SendOutcome _SendRequest(uint32_t kind, uint32_t module);
    void _OnDownloadTimer();
    void _OnInstallTimer();
    // Downloads completed, less the launcher's when its bit is set: the packages installed
    // before the launcher's.
    uint32_t _InstallCount() const;
    void _CenterMessage();
    void _PostOwner(UINT message, WPARAM wParam);
    // Stops the downloads and tells the owner how the window ends.
    void _StopAndNotifyOwner();
    // Kestrum4Update with "Launcher", hidden; it answers with "Launcher_VERUPSTART".
    void _StartUpdater();
    static bool _IsNetworkAlive();

    HWND m_hOwnerWnd;
    CSkinWindowItemButton* m_pCancelButton;
    CSkinWindowItemStatic* m_pMessageText;
    CSkinWindowItemStatic* m_pTimeText;
    CSkinWindowItemStaticImage* m_pImageBar;
    CDownLoadCtrl m_cDownLoadCtrl;
    UINT m_uUpdateProgress;
    UINT m_uPellickProgress;
    UINT m_uMaintenaceProgress;
    UINT m_uLancherProgress;
    UINT m_uInstallNotifyProgress;
    UINT m_uURLThreadProgress;
    UINT m_uNotifyError;
    UINT m_uDownloadNotifyError;
    uint32_t m_auBytes[VERUP_MODULE_COUNT];
    bool m_abComplete[VERUP_MODULE_COUNT];
    uint32_t m_uInstallPercent;
    uint32_t m_uUpdateMask;
    uint32_t m_uInstallIndex;
    uint32_t m_uDownloadsCompleted;
    uint32_t m_uInstallsCompleted;
    uint32_t m_uTotalSize;
    uint32_t m_uDownloadIndex;
    uint32_t m_uModulesToUpdate;
    uint32_t m_uShownPercent;
    uint32_t m_uShare;
    bool m_bShareComputed;
    bool m_bStartDLFlag;
    bool m_bInstalling;   // a request was sent and its end has not come
    bool m_bAskingCancel;    // the cancel question stands
    bool m_bInstallDeferred; // a package became ready to hand over while it stood
    int32_t m_nButtonState;
};

} // namespace ui
