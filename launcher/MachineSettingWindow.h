#pragma once
// The choice of the navigation unit's model, and so of whether the camera unit is attached:
// seven radio items in two groups (with and without the camera unit). OK stores the model as
// the setting MachineType and the camera unit as DriveMemory (CLauncherSetting; the main
// window saves the record later); Cancel and every other way of closing store nothing.
//
// Modeless and single; the main window makes it at the end of its first start chain and
// from its menu, and deletes it on its child-closed notice (WM_LAUNCHER_CHILD_CLOSED, code 9;
// lParam 1 after OK, 0 otherwise). Exactly one notice is posted whichever way the window goes:
//     m_pMachineSetting.reset(new ui::CMachineSettingWindow(hwnd));
//     m_pMachineSetting->Create();
// Its skin text is "MachineSettingWindow.txt"; ids are counted from 2000.

#include "launcher/LaunchWindowMessages.h"
#include "launcher/ToolWindowBase.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace ui {

namespace MachineSettingWindowKey {
extern const SkinItemKey kBase;
extern const SkinItemKey kApplicationIcon;
extern const SkinItemKey kTitle;
extern const SkinItemKey kCloseButton;
extern const SkinItemKey kFrameOverlay;
extern const SkinItemKey kOKButton;
extern const SkinItemKey kCancelButton;
extern const SkinItemKey kMachineTRK700H;
extern const SkinItemKey kMachineTRK900H;
extern const SkinItemKey kMachineTRK500CM01;
extern const SkinItemKey kMachineRK600CM01;
extern const SkinItemKey kMachineTRK500;
extern const SkinItemKey kMachineTRK600;
extern const SkinItemKey kMachineTRK400;
extern const SkinItemKey kBackImage1;
extern const SkinItemKey kBackImage2;
// The model images and labels, in the order of the skin text.
extern const SkinItemKey* const kModelImages[7];
extern const SkinItemKey kMacTitleText;
extern const SkinItemKey kVarnTitleText;
extern const SkinItemKey* const kModelLabels[13];
} // namespace MachineSettingWindowKey

class CMachineSettingWindow : public CToolWindowBase<CMachineSettingWindow> {
public:
    typedef CToolWindowBase<CMachineSettingWindow> Base;

    static const size_t kModelCount = 7;
    // The model items by model index, the value stored as MachineType.
    static const SkinItemKey* const kModelItems[kModelCount];
    // The models 0 to 3 have the camera unit attached.
    static const int32_t kCameraModelCount = 4;
    // The model index until the skin is loaded.
    static const int32_t kInitialModel = 2;
    static const DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU;
    // The child-closed notice and this window's code in it.
    static const UINT kChildClosedMessage = WM_LAUNCHER_CHILD_CLOSED;
    static const WPARAM kChildCode = CHILD_MACHINE_SETTING;

    explicit CMachineSettingWindow(HWND owner);
    ~CMachineSettingWindow() override;

    // Loads the skin and the two settings, creates the window, shows it (activated) and
    // updates it. A skin error raises ui::CSkinWindowException.
    void Create();

    int32_t GetModelIndex() const { return m_iModel; }
    bool GetCameraUnit() const { return m_bCameraUnit; }

    // ---- window ----
    UINT GetOverlayMessage() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void OnDestroy() override;

protected:
    // The steps of Create: the settings and the items from the skin text, and the hidden
    // window.
    void BuildFromSkin();
    void CreateHiddenWindow();

private:
    void _OnOK();
    void _OnCancel();
    // Posts the notice with its result, once, and closes the window.
    void _Finish(LPARAM result);
    void _PostNotice(LPARAM result);

    HWND m_hOwner;
    bool m_bCameraUnit;
    int32_t m_iModel;
    UINT m_uUpdateInfoMessage;
    // Set once OK or Cancel has posted the notice; the window's end posts it otherwise.
    bool m_bNoticePosted;
};

} // namespace ui
