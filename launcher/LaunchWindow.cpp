#include "launcher/LaunchWindow.h"

#include "launcher/LauncherSetting.h"
#include "lib/TolveLog.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinException.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "skin/SkinWindowItemStaticImage.h"
#include "skin/SkinWindowItemToggleButton.h"

#include <exception>
#include <string>

namespace ui {

namespace LaunchWindowKey {
namespace {
uint16_t g_nKeyId = 1000;
}
const SkinItemKey kApplicationIcon("ApplicationIcon", g_nKeyId);
const SkinItemKey kBase("Base", g_nKeyId);
const SkinItemKey kTitleHalvornImg("TitleHalvornImg", g_nKeyId);
const SkinItemKey kTitleSardelloImg("TitleSardelloImg", g_nKeyId);
const SkinItemKey kTitleKestrumImg("TitleKestrumImg", g_nKeyId);
const SkinItemKey kCloseButton("CloseButton", g_nKeyId);
const SkinItemKey kMinimizeButton("MinimizeButton", g_nKeyId);
const SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
const SkinItemKey kWebButton("WebButton", g_nKeyId);
const SkinItemKey kDriveButton("DriveButton", g_nKeyId);
const SkinItemKey kMaintenanceButton("MaintenanceButton", g_nKeyId);
const SkinItemKey kUpdateButton("UpdateButton", g_nKeyId);
const SkinItemKey kNeedUpdateButton("NeedUpdateButton", g_nKeyId);
const SkinItemKey kButtonClassFive("ButtonClassFive", g_nKeyId);
const SkinItemKey kButtonClassSD("ButtonClassSD", g_nKeyId);
const SkinItemKey kButtonSDChoose("ButtonSDChoose", g_nKeyId);
const SkinItemKey kButtonClassSDPairing("ButtonClassSDPairing", g_nKeyId);
const SkinItemKey kButtonUpdate("ButtonUpdate", g_nKeyId);
const SkinItemKey kButtonLogin("ButtonLogin", g_nKeyId);
const SkinItemKey kMenuButton("MenuButton", g_nKeyId);
const SkinItemKey kBackGrayImage("BackGrayImage", g_nKeyId);
const SkinItemKey kProbleINGImage("ProbleINGImage", g_nKeyId);
const SkinItemKey kVelocetDLImage("VelocetDLImage", g_nKeyId);
const SkinItemKey kWeatherDLImage("WeatherDLImage", g_nKeyId);
const SkinItemKey kProbleDISImage("ProbleDISImage", g_nKeyId);
const SkinItemKey kVelocetBKImage("VelocetBKImage", g_nKeyId);
const SkinItemKey kWeatherBKImage("WeatherBKImage", g_nKeyId);
const SkinItemKey kWeatherBackImage[3] = {{"WeatherBackImage1", g_nKeyId},
                                          {"WeatherBackImage2", g_nKeyId},
                                          {"WeatherBackImage3", g_nKeyId}};
const SkinItemKey kWeatherIngImage[3] = {{"WeatherIngImage1", g_nKeyId},
                                         {"WeatherIngImage2", g_nKeyId},
                                         {"WeatherIngImage3", g_nKeyId}};
const SkinItemKey kVelocetBackImage[3] = {{"VelocetBackImage1", g_nKeyId},
                                          {"VelocetBackImage2", g_nKeyId},
                                          {"VelocetBackImage3", g_nKeyId}};
const SkinItemKey kVelocetIngImage[3] = {{"VelocetIngImage1", g_nKeyId},
                                         {"VelocetIngImage2", g_nKeyId},
                                         {"VelocetIngImage3", g_nKeyId}};
const SkinItemKey kProbleBackImage[3] = {{"ProbleBackImage1", g_nKeyId},
                                         {"ProbleBackImage2", g_nKeyId},
                                         {"ProbleBackImage3", g_nKeyId}};
const SkinItemKey kProbleIngImage[3] = {{"ProbleIngImage1", g_nKeyId},
                                        {"ProbleIngImage2", g_nKeyId},
                                        {"ProbleIngImage3", g_nKeyId}};
const SkinItemKey kLineBackImage1("LineBackImage1", g_nKeyId);
const SkinItemKey kLineBackImage2("LineBackImage2", g_nKeyId);
} // namespace LaunchWindowKey

namespace {

using namespace LaunchWindowKey;

const char* const kSkinName = "LaunchWindow.txt";
const char* const kWindowTitle = "Kestrum4 Launcher";
const DWORD kWindowStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;

// Right of DriveButton everything keeps to the right edge, so that the narrow window closes
// the button's gap; left of it, and the title row, keep to the left.
const SkinItemKey* const kRightAnchored[] = {
    &kUpdateButton, &kNeedUpdateButton, &kButtonClassSD, &kButtonSDChoose,
    &kButtonClassSDPairing, &kButtonUpdate, &kButtonLogin, &kMenuButton, &kCloseButton,
    &kMinimizeButton, &kBackGrayImage, &kProbleINGImage, &kVelocetDLImage, &kWeatherDLImage,
    &kProbleDISImage, &kVelocetBKImage, &kWeatherBKImage, &kLineBackImage1, &kLineBackImage2,
    &kWeatherBackImage[0], &kWeatherBackImage[1], &kWeatherBackImage[2],
    &kWeatherIngImage[0], &kWeatherIngImage[1], &kWeatherIngImage[2],
    &kVelocetBackImage[0], &kVelocetBackImage[1], &kVelocetBackImage[2],
    &kVelocetIngImage[0], &kVelocetIngImage[1], &kVelocetIngImage[2],
    &kProbleBackImage[0], &kProbleBackImage[1], &kProbleBackImage[2],
    &kProbleIngImage[0], &kProbleIngImage[1], &kProbleIngImage[2],
};
const SkinItemKey* const kLeftAnchored[] = {
    &kApplicationIcon, &kTitleHalvornImg, &kTitleSardelloImg, &kTitleKestrumImg,
    &kWebButton, &kDriveButton, &kMaintenanceButton, &kButtonClassFive,
};

} // namespace

CLaunchWindow::CLaunchWindow()
    : Base(&kFrameOverlay),
      m_pCloseButton(nullptr),
      m_pMinimizeButton(nullptr),
      m_pWebButton(nullptr),
      m_pDriveButton(nullptr),
      m_pMaintenanceButton(nullptr),
      m_pUpdateButton(nullptr),
      m_pNeedUpdateButton(nullptr),
      m_pButtonClassFive(nullptr),
      m_pButtonClassSD(nullptr),
      m_pButtonSDChoose(nullptr),
      m_pButtonClassSDPairing(nullptr),
      m_pButtonUpdate(nullptr),
      m_pButtonLogin(nullptr),
      m_pMenuButton(nullptr),
      m_pWeatherIngImage{},
      m_pVelocetIngImage{},
      m_pProbleIngImage{},
      m_pWeatherDLImage(nullptr),
      m_pVelocetDLImage(nullptr),
      m_pProbleINGImage(nullptr),
      m_bDriveMemory(1),
      m_bSkinLoaded(false)
{
    CLauncherSetting::GetInstance().Load("");
    SetResizable(false);
}

CLaunchWindow::~CLaunchWindow()
{
    CLauncherSetting::GetInstance().Save("");
    TOLVE_LOG(LOG_DEBUG, "CLaunchWindow::~CLaunchWindow end");
}

bool CLaunchWindow::Create()
{
    try {
        LoadWindowSkin();
        const SkinSize size = GetDesignSize();
        Base::Create(WS_EX_LAYERED, nullptr, kWindowTitle, kWindowStyle, 0, 0, size.cx, size.cy,
                     nullptr, nullptr);
    } catch (const std::exception& error) {
        TOLVE_LOG(LOG_ERROR, "CLaunchWindow::Create failed: %s", error.what());
        return false;
    }
    // The window takes no text input.
    EnableIME(false);
    _ShowWindow();
    return true;
}

void CLaunchWindow::LoadWindowSkin()
{
    if (m_bSkinLoaded) return;
    _LoadSkin();
    m_bSkinLoaded = true;
}

void CLaunchWindow::_LoadSkin()
{
    SkinDefinition definition;
    LoadSkin(definition, kSkinName, kBase.m_strName.c_str(), true);

    m_pWebButton = AddButton(definition, kWebButton, CAPTION_ROLE_NONE);
    m_pDriveButton = AddButton(definition, kDriveButton, CAPTION_ROLE_NONE);
    m_pMaintenanceButton = AddButton(definition, kMaintenanceButton, CAPTION_ROLE_NONE);
    m_pUpdateButton = AddButton(definition, kUpdateButton, CAPTION_ROLE_NONE);
    m_pNeedUpdateButton = AddButton(definition, kNeedUpdateButton, CAPTION_ROLE_NONE);
    m_pNeedUpdateButton->SetVisible(false);
    m_pButtonClassFive = AddButton(definition, kButtonClassFive, CAPTION_ROLE_NONE);
    m_bDriveMemory = CLauncherSetting::GetInstance().GetDriveMemory() ? 1 : 0;

    m_pButtonUpdate = AddButton(definition, kButtonUpdate, CAPTION_ROLE_NONE);
    m_pButtonLogin = AddButton(definition, kButtonLogin, CAPTION_ROLE_NONE);
    m_pButtonSDChoose = AddButton(definition, kButtonSDChoose, CAPTION_ROLE_NONE);
    m_pButtonClassSD = AddButton(definition, kButtonClassSD, CAPTION_ROLE_NONE);
    m_pButtonClassSDPairing = AddButton(definition, kButtonClassSDPairing, CAPTION_ROLE_NONE);
    // No card is known before the first card refresh: the choice stands alone.
    m_pButtonClassSD->SetVisible(false);
    m_pButtonClassSDPairing->SetVisible(false);

    AddStaticImage(definition, kVelocetBKImage);
    AddStaticImage(definition, kWeatherBKImage);
    AddStaticImage(definition, kProbleDISImage);
    m_pWeatherDLImage = AddStaticImage(definition, kWeatherDLImage);
    m_pVelocetDLImage = AddStaticImage(definition, kVelocetDLImage);
    m_pProbleINGImage = AddStaticImage(definition, kProbleINGImage);
    // Nothing has been downloaded or uploaded yet.
    m_pWeatherDLImage->SetVisible(false);
    m_pVelocetDLImage->SetVisible(false);
    m_pProbleINGImage->SetVisible(false);
    for (const SkinItemKey* keys : {kWeatherBackImage, kVelocetBackImage, kProbleBackImage}) {
        for (int i = 0; i < 3; ++i) AddStaticImage(definition, keys[i]);
    }
    for (int i = 0; i < 3; ++i) {
        m_pWeatherIngImage[i] = AddStaticImage(definition, kWeatherIngImage[i]);
        m_pVelocetIngImage[i] = AddStaticImage(definition, kVelocetIngImage[i]);
        m_pProbleIngImage[i] = AddStaticImage(definition, kProbleIngImage[i]);
    }
    // The frame around the progress rows lies over them; the mouse goes through it.
    AddStaticImage(definition, kBackGrayImage);
    SetImageHitTest(kBackGrayImage, false);
    AddStaticImage(definition, kTitleKestrumImg);
    AddStaticImage(definition, kTitleHalvornImg);
    AddStaticImage(definition, kTitleSardelloImg);
    AddResizableStaticImage(definition, kLineBackImage1);
    AddResizableStaticImage(definition, kLineBackImage2);
    // The icon is a button so that its double click reaches the window.
    AddButton(definition, kApplicationIcon, CAPTION_ROLE_NONE);
    m_pCloseButton = AddButton(definition, kCloseButton, CAPTION_ROLE_CLOSE);
    m_pMinimizeButton = AddButton(definition, kMinimizeButton, CAPTION_ROLE_MINIMIZE);
    m_pMenuButton = AddToggleButton(definition, kMenuButton);
    CreateFrameOverlay(definition);

    for (const SkinItemKey* key : kLeftAnchored) {
        SetAnchor(key->m_nId, ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_NEAR);
    }
    for (const SkinItemKey* key : kRightAnchored) {
        SetAnchor(key->m_nId, ANCHOR_FAR, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_NEAR);
    }
    m_pDriveButton->SetVisible(m_bDriveMemory != 0);
}

void CLaunchWindow::_ShowWindow()
{
    if (m_bDriveMemory == 0) {
        const RECT work = lib::wfc::GetWorkArea();
        ::SetWindowPos(GetHwnd(), nullptr, work.left, work.top, kLaunchWindowCompactWidth,
                       kLaunchWindowHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    ShowWindow(SW_SHOW);
    CSkinWindow::CenterWindow(GetHwnd(), nullptr);
    ::SetLayeredWindowAttributes(GetHwnd(), 0, kLaunchWindowAlpha, LWA_ALPHA);
}

UINT CLaunchWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

void CLaunchWindow::OnDestroy()
{
    ::PostQuitMessage(0);
    Base::OnDestroy();
}

void CLaunchWindow::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == kCloseButton.m_nId) {
        PostMessage(WM_CLOSE, 0, 0);
        return;
    }
    if (id == kMinimizeButton.m_nId) {
        ShowWindow(SW_SHOWMINNOACTIVE);
        return;
    }
    Base::OnCommand(id, code, control);
}

void CLaunchWindow::OnEndSession(bool ending, LPARAM lParam)
{
    if (ending) PostMessage(WM_CLOSE, 0, 0);
    Base::OnEndSession(ending, lParam);
}

} // namespace ui
