#pragma once
// The launcher's main window: a small layered skin window titled "Kestrum4 Launcher" with the
// product's title images, the tool buttons, the card buttons, the update and log-in buttons,
// the menu button and three progress rows (weather, traffic, stored probe data). Its skin text
// is "LaunchWindow.txt"; its item ids count from 1000 and are its command ids.
//
//     ui::CLaunchWindow window;   // loads the launcher settings for no user
//     window.Create();            // builds the skin, creates the window and shows it
//     ... the message loop until the window posts the quit ...
//
// The skin draws the window 618 x 128 with the camera-unit button (DriveButton); without it
// (the DriveMemory setting off) the window is 548 x 128, the items right of that button
// anchored to the right edge so that they close the gap.

#include "skin/EndSessionWaitingWindow.h"
#include "skin/FrameOverlayWindowBase.h"
#include "skin/ResizableSkinWindow.h"
#include "skin/SkinItemKey.h"
#include "skin/WindowBase.h"

#include <windows.h>

#include <cstdint>

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
// The three steps of each progress row: the track ("Back") and the filled step ("Ing").
extern const SkinItemKey kWeatherBackImage[3];
extern const SkinItemKey kWeatherIngImage[3];
extern const SkinItemKey kVelocetBackImage[3];
extern const SkinItemKey kVelocetIngImage[3];
extern const SkinItemKey kProbleBackImage[3];
extern const SkinItemKey kProbleIngImage[3];
extern const SkinItemKey kLineBackImage1;
extern const SkinItemKey kLineBackImage2;
} // namespace LaunchWindowKey

// The window's sizes: the skin's, with DriveButton, and without it.
const int32_t kLaunchWindowWidth = 618;
const int32_t kLaunchWindowCompactWidth = 548;
const int32_t kLaunchWindowHeight = 128;
// Layered alpha of the active and the inactive window.
const BYTE kLaunchWindowAlpha = 242;
const BYTE kLaunchWindowInactiveAlpha = 204;

class CLaunchWindow
    : public CFrameOverlayWindowBase<CEndSessionWaitingWindow<CResizableSkinWindow>>,
      public CWindowBase {
public:
    typedef CFrameOverlayWindowBase<CEndSessionWaitingWindow<CResizableSkinWindow>> Base;

    CLaunchWindow();
    ~CLaunchWindow() override;

    // Builds the window from its skin, creates it hidden and shows it; false when the window
    // could not be made (a skin error has been shown to the user by then).
    bool Create();
    // The skin and every item, without a window: Create's first step, and the gallery's.
    void LoadWindowSkin();

    // ---- window ----
    UINT GetOverlayMessage() override;
    void OnDestroy() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    // The session's end closes the window, and the wait lasts until it is gone.
    void OnEndSession(bool ending, LPARAM lParam) override;

private:
    void _LoadSkin();
    // Placed, shown and faded in as at the end of the start chain.
    void _ShowWindow();

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

    // The window's copy of the DriveMemory setting; 1 until the skin is loaded.
    uint8_t m_bDriveMemory;
    bool m_bSkinLoaded;
};

} // namespace ui
