#include "launcher/LaunchWindow.h"

#include "carddata/PcLinkFile.h"
#include "carddata/SDInfoMgr.h"
#include "carddata/UserAgent.h"
#include "carddata/UserListFile.h"
#include "launcher/LaunchWindowMessages.h"
#include "launcher/LauncherSetting.h"
#include "lib/BlockShareMemHolder.h"
#include "lib/TolveLog.h"
#include "lib/wfc/WfcRuntime.h"
#include "online/Charge.h"
#include "online/InfoChargeCtrl.h"
#include "online/LoginAdmin.h"
#include "online/ProbeUpload.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "skin/SkinWindowItemStaticImage.h"
#include "skin/SkinWindowItemToggleButton.h"

#include <exception>
#include <initializer_list>
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

bool IsCardLetter(char letter) { return letter >= 'D' && letter <= 'Z'; }

} // namespace

CLaunchWindow::CLaunchWindow() : CLaunchWindow(nullptr, 0) {}

CLaunchWindow::CLaunchWindow(ILaunchToolFactory& factory) : CLaunchWindow(&factory, 0) {}

CLaunchWindow::CLaunchWindow(ILaunchToolFactory* factory, int)
    : Base(&kFrameOverlay),
      m_pOwnFactory(factory == nullptr ? new CLaunchToolFactory : nullptr),
      m_pFactory(factory == nullptr ? m_pOwnFactory.get() : factory),
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
      m_uStartLauncherMsg(0),
      m_uDropWindowMsg(0),
      m_uNotifyErrorMsg(0),
      m_uNotifyProgressMsg(0),
      m_uNotifyFinishMsg(0),
      m_uUpdateInfoMsg(0),
      m_uUpdateStateMsg(0),
      m_uUpdateShowMsg(0),
      m_uVerUpStartMsg(0),
      m_uDeviceChangeMsg(0),
      m_uUserChangerMsg(0),
      m_nHelpButtonId(0),
      m_uWeatherProgress(0),
      m_uVelocetProgress(0),
      m_uProbeProgress(0),
      m_dwVelocetFinishTick(0),
      m_byWeatherBlink(0),
      m_byVelocetBlink(0),
      m_byProbeBlink(0),
      m_uMapVersionFlag(0),
      m_byDriveMemory(1),
      m_cActiveSD(0),
      m_bPaired(false),
      m_bVelocetRunning(false),
      m_iNickNameNo(-1),
      m_bNewNaviAsking(false),
      m_bAutoUpdateState(false),
      m_bButtonsEnabled(true),
      m_hUserMenu(nullptr),
      m_uStartMask(0),
      m_bSkinLoaded(false)
{
    _RegisterMessages();
    m_pProbeUpload.reset(new CProbeUpload);
    m_pSDInfoMgr.reset(new CSDInfoMgr);
    m_pInfoChargeCtrl.reset(new CInfoChargeCtrl);
    m_pUserAgentMem.reset(new CBlockShareMemHolder);
    const DWORD error = m_pUserAgentMem->CreateUserAgentMem();
    if (error != 0) {
        TOLVE_LOG(LOG_ERROR, "CLaunchWindow::CLaunchWindow CreateUserAgentMem ERR:0x%08X",
                  static_cast<uint32_t>(error));
    }
    CLauncherSetting::GetInstance().Load("");
    SetResizable(false);
}

CLaunchWindow::~CLaunchWindow()
{
    // The tool windows go first: what they store on their way out (the probe log window's
    // counters, its history under the current user's name read from the user block) must
    // reach the settings saved below and find the block still open.
    for (int32_t kind = 0; kind < TOOL_KIND_COUNT; ++kind) m_pTool[kind].reset();

    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    if (m_iNickNameNo != -1) setting.SetNickNameNo(m_iNickNameNo);
    setting.Save(m_strNickName);

    m_pUserAgentMem->CloseUserAgentMem();
    m_pUserAgentMem.reset();

    m_pSDInfoMgr->SelectDrive(0);
    m_pSDInfoMgr.reset();

    m_pInfoChargeCtrl->AbortAll(INFINITE);
    m_pInfoChargeCtrl.reset();
    m_pProbeUpload->AbortProc(INFINITE);
    m_pProbeUpload.reset();
    TOLVE_LOG(LOG_DEBUG, "CLaunchWindow::~CLaunchWindow end");
}

void CLaunchWindow::_RegisterMessages()
{
    m_uStartLauncherMsg = ::RegisterWindowMessageA(LAUNCHER_MSG_START_LAUNCHER);
    m_uDropWindowMsg = ::RegisterWindowMessageA(LAUNCHER_MSG_DROP_WINDOW);
    m_uNotifyErrorMsg = ::RegisterWindowMessageA(QZL_NOTIFY_ERROR);
    m_uNotifyProgressMsg = ::RegisterWindowMessageA(QZL_NOTIFY_PROGRESS);
    m_uNotifyFinishMsg = ::RegisterWindowMessageA(QZL_NOTIFY_FINISH);
    m_uUpdateInfoMsg = ::RegisterWindowMessageA(LAUNCHER_MSG_UPDATE_INFO);
    m_uUpdateStateMsg = ::RegisterWindowMessageA(LAUNCHER_MSG_UPDATE_STATE);
    m_uUpdateShowMsg = ::RegisterWindowMessageA(LAUNCHER_MSG_UPDATE_SHOW);
    m_uVerUpStartMsg = ::RegisterWindowMessageA(LAUNCHER_MSG_VERUP_START);
    m_uDeviceChangeMsg = ::RegisterWindowMessageA(LAUNCHER_MSG_DEVICE_CHANGE);
    m_uUserChangerMsg = ::RegisterWindowMessageA(LAUNCHER_MSG_USER_CHANGER);
}

// ---- creation ----

bool CLaunchWindow::Create()
{
    _InitNickNameList();
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
    // The card buttons follow the card chosen above.
    _UpdateSDState();
    _InitMenu();
    _SetIcon();
    PostMessage(m_uStartLauncherMsg, 0, 0);
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
    m_byDriveMemory = CLauncherSetting::GetInstance().GetDriveMemory() ? 1 : 0;

    m_pButtonUpdate = AddButton(definition, kButtonUpdate, CAPTION_ROLE_NONE);
    m_pButtonLogin = AddButton(definition, kButtonLogin, CAPTION_ROLE_NONE);
    m_pButtonSDChoose = AddButton(definition, kButtonSDChoose, CAPTION_ROLE_NONE);
    m_pButtonClassSD = AddButton(definition, kButtonClassSD, CAPTION_ROLE_NONE);
    m_pButtonClassSDPairing = AddButton(definition, kButtonClassSDPairing, CAPTION_ROLE_NONE);
    // Until the first card refresh no card is known: the choice stands alone.
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
    // The emblem is a button so that its double click reaches the window.
    AddButton(definition, kApplicationIcon, CAPTION_ROLE_NONE);
    m_pCloseButton = AddButton(definition, kCloseButton, CAPTION_ROLE_CLOSE);
    m_pMinimizeButton = AddButton(definition, kMinimizeButton, CAPTION_ROLE_MINIMIZE);
    m_pMenuButton = AddToggleButton(definition, kMenuButton);
    CreateFrameOverlay(definition);
    _AnchorItems();
    m_pDriveButton->SetVisible(m_byDriveMemory != 0);
}

void CLaunchWindow::_AnchorItems()
{
    for (const SkinItemKey* key : kLeftAnchored) {
        SetAnchor(key->m_nId, ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_NEAR);
    }
    for (const SkinItemKey* key : kRightAnchored) {
        SetAnchor(key->m_nId, ANCHOR_FAR, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_NEAR);
    }
}

void CLaunchWindow::_SetIcon()
{
    HINSTANCE module = ::GetModuleHandleA(nullptr);
    const LPCSTR name = MAKEINTRESOURCEA(kLaunchWindowIconId);
    HICON big = static_cast<HICON>(::LoadImageA(module, name, IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXICON),
                                                ::GetSystemMetrics(SM_CYICON), LR_SHARED));
    HICON small = static_cast<HICON>(::LoadImageA(module, name, IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXSMICON),
                                                  ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    // A program without the icon (a test) keeps the class's.
    if (big != nullptr) SetIcon(big, true);
    if (small != nullptr) SetIcon(small, false);
}

// ---- window messages ----

UINT CLaunchWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

LRESULT CLaunchWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (_Dispatch(message, wParam, lParam, &result)) return result;
    return Base::WindowProc(message, wParam, lParam);
}

bool CLaunchWindow::_Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    *result = 0;
    switch (message) {
    case WM_PROBE_AUTOSHOW:
        return true;
    case WM_LAUNCHER_NEW_NAVI_SD:
        _OnNewNaviSD();
        return true;
    case WM_SDCARD_EJECTED:
        _OnSDCardEjected(wParam);
        return true;
    case WM_PROBEUPLOAD_NOTICE:
        _OnProbeUploadError(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
        return true;
    case WM_PROBEUPLOAD_SERVER:
        _ProbeMessagePro(static_cast<uint32_t>(wParam), static_cast<int32_t>(lParam));
        return true;
    case WM_SYSCOMMAND:
        *result = Base::WindowProc(message, wParam, lParam);
        return true;
    case WM_LAUNCHER_CHILD_CLOSED:
        _PrcWindowClose(wParam, lParam);
        return true;
    case WM_DEVICECHANGE:
        _OnDeviceChange(wParam);
        return false;
    case WM_LOGINADMIN_RESULT:
        _OnUserListChanged();
        return false;
    case WM_LAUNCHER_LOGUPLOAD_DONE:
        _ServerMessagePro(1);
        return false;
    case WM_LAUNCHER_VERUP_DONE:
        _ServerMessagePro(2);
        return false;
    default:
        break;
    }
    // Registered messages: a number that could not be registered is 0 and matches nothing.
    if (message == 0) return false;
    if (message == m_uNotifyProgressMsg) {
        _OnProgress(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
    } else if (message == m_uNotifyFinishMsg) {
        _OnProgressFinish(static_cast<uint32_t>(lParam));
    } else if (message == m_uStartLauncherMsg) {
        _OnStartLauncher();
    } else if (message == m_uUpdateInfoMsg) {
        if (wParam == 1 && m_pNeedUpdateButton != nullptr) m_pNeedUpdateButton->SetVisible(true);
    } else if (message == m_uNotifyErrorMsg) {
        _OnNotifyError(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
    } else if (message == m_uDropWindowMsg) {
        // Disabled while the drop window writes to the card.
        if (m_pCloseButton != nullptr) m_pCloseButton->SetEnable(wParam == 1);
    } else if (message == m_uUpdateStateMsg) {
        m_bAutoUpdateState = wParam != 0;
        if (_HasToolWindow(TOOL_SETTING)) {
            ::PostMessageA(m_pTool[TOOL_SETTING]->GetWindow(), m_uUpdateStateMsg, wParam, lParam);
        }
    } else if (message == m_uVerUpStartMsg) {
        if (m_pTool[TOOL_SILENT_INSTALL]) m_pTool[TOOL_SILENT_INSTALL]->OnVerUpStart();
    }
    return false;
}

void CLaunchWindow::OnDestroy()
{
    _CloseAllWindows();
    Base::OnDestroy();
}

void CLaunchWindow::OnActivate(UINT state, HWND other)
{
    const bool active = state != WA_INACTIVE;
    if (!active) _DeleteHelpInfo();
    ::SetLayeredWindowAttributes(GetHwnd(), 0,
                                 active ? kLaunchWindowAlpha : kLaunchWindowInactiveAlpha,
                                 LWA_ALPHA);
    if (m_pMenuButton != nullptr && m_pMenuButton->IsInactiveLook() == active) {
        m_pMenuButton->SetInactiveLook(!active);
        const SkinRect rect = m_pMenuButton->GetRect();
        RedrawRect(rect.left, rect.top, rect.right, rect.bottom, false);
    }
    Base::OnActivate(state, other);
}

bool CLaunchWindow::OnSetCursor(LPARAM lParam)
{
    if ((::GetWindowLongPtrA(GetHwnd(), GWL_STYLE) & WS_MAXIMIZE) != 0) return true;
    return Base::OnSetCursor(lParam);
}

void CLaunchWindow::OnMouseMove(UINT keys, int x, int y)
{
    if ((keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) _ShowHelpInfo(0);
    Base::OnMouseMove(keys, x, y);
}

void CLaunchWindow::OnEndSession(bool ending, LPARAM lParam)
{
    if (ending) PostMessage(WM_CLOSE, 0, 0);
    Base::OnEndSession(ending, lParam);
}

// ---- start chain ----

void CLaunchWindow::_OnStartLauncher() { _OnLogUpload(); }

void CLaunchWindow::_OnLogUpload()
{
    TOLVE_LOG(LOG_DEBUG, "CLaunchWindow::_OnLogUpload Start");
    std::string deviceNo;
    std::string userAgent;
    uint32_t ccid = 0;
    if (IsCardLetter(m_cActiveSD)) {
        CPcLinkFile link(0, m_cActiveSD);
        if (link.IsValid()) {
            deviceNo = link.GetDeviceNo();
            ccid = link.GetCcidHead();
            userAgent = GetUserAgent(m_cActiveSD).GetUserAgent();
        }
    } else if (m_cActiveSD == 0) {
        CUserListFile users;
        if (!users.GetCurrentUser(&deviceNo, nullptr, &userAgent, &ccid)) {
            TOLVE_LOG(LOG_ERROR, "CLauncherWindow::OnLogUpLoadStart -GetLastUserInfo failure ");
        }
    }

    if (!deviceNo.empty() && ccid != 0 && !userAgent.empty()) {
        if (m_pTool[TOOL_LOG_UPLOAD]) return;
        m_pTool[TOOL_LOG_UPLOAD] = m_pFactory->MakeLogUploadWindow(GetHwnd());
        if (m_pTool[TOOL_LOG_UPLOAD]) {
            m_pTool[TOOL_LOG_UPLOAD]->SetDeviceInfo(deviceNo, ccid, userAgent);
            m_pTool[TOOL_LOG_UPLOAD]->Create();
            return;
        }
    } else {
        TOLVE_LOG(LOG_ERROR,
                  "CLauncherWindow::OnLogUpLoadStart - Need more UserInfo　DeviceNo:%s ID:%X "
                  "UserAgent:%s",
                  deviceNo.c_str(), ccid, userAgent.c_str());
    }
    // Nothing to upload, or no window to upload with: the chain goes on.
    PostMessage(WM_LAUNCHER_LOGUPLOAD_DONE, 0, 0);
}

void CLaunchWindow::_ServerMessagePro(WPARAM step)
{
    TOLVE_LOG(LOG_DEBUG, "CLaunchWindow::_ServerMessagePro  wParam:%d", static_cast<int>(step));
    if (step == 1) {
        m_uStartMask |= START_LOG_UPLOAD_DONE;
        if (m_pTool[TOOL_SILENT_INSTALL]) return;
        m_pTool[TOOL_SILENT_INSTALL] = m_pFactory->MakeSilentInstallWindow(GetHwnd());
        if (m_pTool[TOOL_SILENT_INSTALL]) {
            m_pTool[TOOL_SILENT_INSTALL]->Create();
        } else {
            // No version check to wait for.
            PostMessage(WM_LAUNCHER_VERUP_DONE, 0, 0);
        }
        return;
    }
    if (step != 2 || (m_uStartMask & START_VERUP_DONE) != 0) return;
    m_uStartMask |= START_VERUP_DONE;
    if (m_uStartMask != START_CHAIN_DONE) return;
    if (CLauncherSetting::GetInstance().GetFirstRan()) {
        _OnMenuMachineSetting();
        // No model to choose from: the chain goes on as after a choice left undone.
        if (!m_pTool[TOOL_MACHINE_SETTING]) _OnMachineSettingClosed();
    } else {
        _OnServerStartFinish();
    }
}

void CLaunchWindow::_OnMachineSettingClosed()
{
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    if (!setting.GetFirstRan()) return;
    setting.SetFirstRan(false);
    _OnServerStartFinish();
}

void CLaunchWindow::_OnServerStartFinish()
{
    TOLVE_LOG(LOG_DEBUG, "CLaunchWindow::_OnServerStartFinish ");
    if (m_byDriveMemory == 0) _MoveWindowToWorkArea(kLaunchWindowCompactWidth);
    ShowWindow(SW_SHOW);
    CSkinWindow::CenterWindow(GetHwnd(), nullptr);
    ::SetLayeredWindowAttributes(GetHwnd(), 0, kLaunchWindowAlpha, LWA_ALPHA);
    if (m_bPaired) _OnUpdateInfo();
    _SetNickNamePro();
    _StartProbeUpload(true);
}

void CLaunchWindow::_MoveWindowToWorkArea(int32_t width)
{
    if (!IsWindow()) return;
    const RECT work = lib::wfc::GetWorkArea();
    ::SetWindowPos(GetHwnd(), nullptr, work.left, work.top, width, kLaunchWindowHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// ---- tool windows ----

ILaunchToolWindow* CLaunchWindow::_OpenTool(LaunchToolKind kind)
{
    if (m_pTool[kind]) {
        m_pTool[kind]->BringBack();
        return m_pTool[kind].get();
    }
    m_pTool[kind] = m_pFactory->Make(kind, GetHwnd());
    if (!m_pTool[kind]) return nullptr;
    m_pTool[kind]->Create();
    m_pTool[kind]->Show(SW_SHOW);
    return m_pTool[kind].get();
}

void CLaunchWindow::_DeleteTool(LaunchToolKind kind) { m_pTool[kind].reset(); }

bool CLaunchWindow::_HasToolWindow(LaunchToolKind kind) const
{
    if (!m_pTool[kind]) return false;
    HWND window = m_pTool[kind]->GetWindow();
    return window != nullptr && ::IsWindow(window);
}

void CLaunchWindow::_DeleteHelpInfo()
{
    m_pTool[TOOL_HELP_INFO].reset();
    m_nHelpButtonId = 0;
}

// A close notice can come twice for one window (the wizard's buttons and its WM_DESTROY, the
// silent install window's close button and its WM_CLOSE, the balloon at every mouse move):
// the window's own steps run only while its object exists; the rest runs every time.
void CLaunchWindow::_PrcWindowClose(WPARAM code, LPARAM extra)
{
    TOLVE_LOG(LOG_DEBUG, "CLaunchWindow::_PrcWindowClose %x", static_cast<uint32_t>(code));
    switch (code) {
    case CHILD_INITIALIZATION:
        if (m_pButtonLogin != nullptr) m_pButtonLogin->SetEnable(true);
        if (_HasToolWindow(TOOL_INITIALIZATION)) {
            ::ShowWindow(m_pTool[TOOL_INITIALIZATION]->GetWindow(), SW_HIDE);
            ::SetForegroundWindow(GetHwnd());
            ::SetActiveWindow(GetHwnd());
        }
        _DeleteTool(TOOL_INITIALIZATION);
        return;
    case CHILD_HELP_INFO:
        if (_HasToolWindow(TOOL_HELP_INFO)) {
            ::PostMessageA(m_pTool[TOOL_HELP_INFO]->GetWindow(), WM_CLOSE, 0, 0);
        }
        _DeleteHelpInfo();
        return;
    case CHILD_SD_MANAGER: {
        _DeleteTool(TOOL_SD_MANAGER);
        const char selected = m_pSDInfoMgr->GetSelectedDrive();
        if (selected != m_cActiveSD) {
            m_cActiveSD = selected;
            _InitMenu();
            _UpdateSDState();
        }
        return;
    }
    case CHILD_SILENT_INSTALL:
        _DeleteTool(TOOL_SILENT_INSTALL);
        return;
    case CHILD_SD_INFO:
        _DeleteTool(TOOL_SD_INFO);
        return;
    case CHILD_SETTING:
        _DeleteTool(TOOL_SETTING);
        return;
    case CHILD_PROBE_LOG:
        _DeleteTool(TOOL_PROBE_LOG);
        return;
    case CHILD_SILENT_INSTALL_HANDED_OVER:
        _DeleteTool(TOOL_SILENT_INSTALL);
        PostMessage(WM_CLOSE, 0, 0);
        return;
    case CHILD_MACHINE_SETTING:
        if (extra == 1) _ApplyDriveMemory();
        _DeleteTool(TOOL_MACHINE_SETTING);
        _OnMachineSettingClosed();
        return;
    default:
        return;
    }
}

void CLaunchWindow::_CloseAllWindows()
{
    for (int32_t kind = 0; kind < TOOL_KIND_COUNT; ++kind) {
        if (_HasToolWindow(static_cast<LaunchToolKind>(kind))) {
            ::PostMessageA(m_pTool[kind]->GetWindow(), WM_CLOSE, 0, 0);
        }
    }
    ::PostQuitMessage(0);
}

uint32_t CLaunchWindow::GetProgress(uint32_t jobType) const
{
    switch (jobType) {
    case CHARGTYPE_PROBE_UPLOAD: return m_uProbeProgress;
    case CHARGTYPE_TRAFFIC: return m_uVelocetProgress;
    case CHARGTYPE_WEATHER: return m_uWeatherProgress;
    default: return 0;
    }
}

} // namespace ui
