#pragma once
// The registration and log-in wizard: three pages over which the user links the launcher to an
// account of the registration service. Page 0 says what is needed and opens the service's
// registration page in the browser; page 1 takes the nickname and password and checks them
// with the service (CLoginAdmin, which also records the user in the user list); page 2 tells
// whether the unit's card was registered with the account. Its skin text is
// "InitializationWindow.txt" (480 x 440); its item ids count from 1000 and are its command ids.
//
//     ui::CInitializationWindow* wizard = new ui::CInitializationWindow(mainWindow);
//     wizard->Create();               // hidden, centred on the work area
//     wizard->ShowWindow(SW_SHOW);
//
// The wizard reports to its owner only by posted messages: WM_LOGINADMIN_RESULT (0, 0) when a
// check succeeded and the owner's user list changed, and kChildClosedMessage with child code
// 0 when the user ends it (its buttons) and again when its window is destroyed. The owner
// deletes it on that notice.

#include "launcher/LaunchWindowMessages.h"
#include "launcher/ToolWindowBase.h"
#include "online/LoginAdmin.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class CSkinWindowItemButton;
class CSkinWindowItemEditBox;
class CSkinWindowItemStatic;
class CSkinWindowItemStaticChangeImage;

namespace InitializationWindowKey {
extern const SkinItemKey kApplicationIcon;
extern const SkinItemKey kBase;
extern const SkinItemKey kBackImage;
extern const SkinItemKey kTitleKestrumImg;
extern const SkinItemKey kNextButton;
extern const SkinItemKey kFinishButton;
extern const SkinItemKey kCloseButton;
extern const SkinItemKey kCancelButton;
extern const SkinItemKey kPreButton;
extern const SkinItemKey kConfirmButton;
extern const SkinItemKey kLoginButton;
extern const SkinItemKey kNickNameTextStatic;
extern const SkinItemKey kPasswordTextStatic;
extern const SkinItemKey kNickNameEdit;
extern const SkinItemKey kPasswordEdit;
extern const SkinItemKey kSecondStaticChangeImage;
extern const SkinItemKey kThirdStaticChangeImage;
extern const SkinItemKey kFourthStaticChangeImage;
extern const SkinItemKey kRegistUserTextStatic;
extern const SkinItemKey kFrameOverlay;
extern const SkinItemKey kHalvornImg;
extern const SkinItemKey kSardelloImg;
const int32_t kNotifyLineCount = 8;
extern const SkinItemKey kNotifyFrameText[kNotifyLineCount];
} // namespace InitializationWindowKey

class CInitializationWindow : public CToolWindowBase<CInitializationWindow> {
public:
    typedef CToolWindowBase<CInitializationWindow> Base;

    // What the wizard posts to its owner when it closes: this message with wParam
    // kChildCode and lParam 0.
    static constexpr UINT kChildClosedMessage = WM_LAUNCHER_CHILD_CLOSED;
    static constexpr WPARAM kChildCode = CHILD_INITIALIZATION;
    // The request of the service's registration page in the request table.
    static constexpr uint32_t kRegistrationPageRequest = 3;
    // The warning style of every box the wizard shows.
    static constexpr UINT kWarningStyle = MB_OK | MB_ICONWARNING;

    explicit CInitializationWindow(HWND owner);
    ~CInitializationWindow() override;

    // Builds the window from its skin and creates it hidden, owned by the owner and centred
    // on the work area; false when it could not be made (a skin error has been shown to the
    // user by then).
    bool Create();
    // The skin, every item and the first page, without a window: Create's first step, and
    // the gallery's.
    void LoadWindowSkin();

    int32_t GetPage() const { return m_iPage; }
    bool IsRegistered() const { return m_bRegistered; }
    // As last read by the confirmation, trailing blanks removed.
    const std::string& GetNickName() const { return m_strNickName; }
    const std::string& GetPassword() const { return m_strPassword; }
    const CLoginAdmin& GetLoginAdmin() const { return m_oLoginAdmin; }

    // The device part that the registration page's URL ends in, from the unit's link record
    // (its short value and value): the encoded user agent "%02X%s/%X.%06X" kept up to the
    // first character after its encoded slash, then "." and the low 24 bits of the value.
    static std::string RegistrationDevicePart(uint16_t shortValue, uint32_t value);

    // ---- window ----
    UINT GetOverlayMessage() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    // Aborts a running check, waiting for it without limit, then closes.
    void OnClose() override;
    void OnDestroy() override;
    void OnEndSession(bool ending, LPARAM lParam) override;
    // Passed on only while no mouse button is held.
    void OnMouseMove(UINT keys, int x, int y) override;

    // ---- the wizard's steps ----
    // Checks the typed nickname and password, in order, and starts the log-in check.
    void OnConfirm();
    // Opens the service's registration page, with the unit's identity when its card is
    // selected.
    void OnLogin();

protected:
    // Whether the last check used the unit's card: the log-in service's card flag, which
    // picks page 2's texts and a failure's message category. The gallery shows both forms.
    virtual bool IsCardChecked() const { return m_oLoginAdmin.IsCardPresent(); }

private:
    void _LoadSkin();
    // From the page it is on to the page given.
    void _SwitchPage(int32_t page);
    void _OnNext();
    void _OnPrevious();
    // The close and finish buttons; cancel, which never has the owner reload its users.
    void _OnFinish();
    void _OnCancel();
    void _SetPageTexts(const char* const* texts);
    void _OnLoginResult(uint32_t result);
    // The edit's text without its trailing blanks.
    static std::string _ReadEdit(CSkinWindowItemEditBox* edit);
    // One check of a typed text: false (a box shown, the edit focused and, for a wrong
    // character, cleared) when it does not pass.
    bool _CheckEntry(const std::string& text, CSkinWindowItemEditBox* edit,
                     const char* emptyMessage);
    void _ShowWarning(const std::string& text);
    // The edits and the page 1 buttons: usable, or not while a check runs.
    void _EnableEntry(bool enable);

    // Items of the skin, owned by the skin window.
    CSkinWindowItemButton* m_pNextButton;
    CSkinWindowItemButton* m_pFinishButton;
    CSkinWindowItemButton* m_pCancelButton;
    CSkinWindowItemButton* m_pPreButton;
    CSkinWindowItemButton* m_pConfirmButton;
    CSkinWindowItemButton* m_pLoginButton;
    CSkinWindowItemStatic* m_pRegistUserTextStatic;
    CSkinWindowItemStatic* m_pNickNameTextStatic;
    CSkinWindowItemStatic* m_pPasswordTextStatic;
    CSkinWindowItemStaticChangeImage* m_pSecondStaticChangeImage;
    CSkinWindowItemStaticChangeImage* m_pThirdStaticChangeImage;
    CSkinWindowItemStaticChangeImage* m_pFourthStaticChangeImage;
    CSkinWindowItemEditBox* m_pNickNameEdit;
    CSkinWindowItemEditBox* m_pPasswordEdit;
    CSkinWindowItemStatic* m_pNotifyFrameText[InitializationWindowKey::kNotifyLineCount];

    std::string m_strNickName;
    std::string m_strPassword;
    int32_t m_iPage;
    CLoginAdmin m_oLoginAdmin;
    HWND m_hOwnerWnd;
    bool m_bRegistered;
    bool m_bSkinLoaded;
};

} // namespace ui
