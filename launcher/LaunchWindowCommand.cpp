// The main window's commands, context menu, users and help balloons.

#include "launcher/LaunchWindow.h"

#include "carddata/PcLinkFile.h"
#include "carddata/SDInfoMgr.h"
#include "launcher/LaunchWindowMessages.h"
#include "launcher/LaunchWindowTexts.h"
#include "launcher/LauncherSetting.h"
#include "launcher/RunAPPMgr.h"
#include "launcher/UserMessage.h"
#include "lib/BlockShareMemHolder.h"
#include "lib/DbcsText.h"
#include "lib/SystemVersion.h"
#include "lib/TolveLog.h"
#include "lib/wfc/WfcRuntime.h"
#include "online/LoginAdmin.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemToggleButton.h"

#include <string>
#include <vector>

namespace ui {

namespace {

using namespace LaunchWindowKey;
using namespace LaunchWindowText;

// The update tool's window, as it registers it.
const char kUpdateToolClass[] = "WFC-DefaultWindowClass";
const char kUpdateToolTitle[] = "Dapplegate";

// Help balloons: the tool buttons and their help index.
struct HelpRow {
    const SkinItemKey* m_pKey;
    int32_t m_nIndex;
};
const HelpRow kHelpTable[] = {
    {&kWebButton, 0},      {&kButtonClassFive, 1}, {&kMaintenanceButton, 2},
    {&kDriveButton, 3},    {&kUpdateButton, 4},    {&kNeedUpdateButton, 4},
};
// Where a balloon shown stays while the pointer is still over it.
const SkinItemKey* const kHelpStaysOver[] = {&kWebButton, &kDriveButton, &kMaintenanceButton,
                                             &kNeedUpdateButton, &kButtonClassFive};

bool IsCardLetter(char letter) { return letter >= 'D' && letter <= 'Z'; }
bool IsDriveLetter(char letter) { return letter >= 'C' && letter <= 'Z'; }

} // namespace

// ---- commands ----

const std::vector<CLaunchWindow::CommandRow>& CLaunchWindow::_CommandTable()
{
    static const std::vector<CommandRow> table = {
        {kWebButton.m_nId, &CLaunchWindow::_OnButtonWebDrive},
        {kDriveButton.m_nId, &CLaunchWindow::_OnButtonDrive},
        {kMaintenanceButton.m_nId, &CLaunchWindow::_OnButtonMaintenance},
        {kUpdateButton.m_nId, &CLaunchWindow::_OnButtonUpdate},
        {kNeedUpdateButton.m_nId, &CLaunchWindow::_OnButtonUpdate},
        {kButtonClassFive.m_nId, &CLaunchWindow::_OnButtonClassFive},
        {kButtonClassSD.m_nId, &CLaunchWindow::_OnButtonClassSD},
        {kButtonClassSDPairing.m_nId, &CLaunchWindow::_OnButtonClassSD},
        {kButtonSDChoose.m_nId, &CLaunchWindow::_OnButtonSDChoose},
        {kButtonUpdate.m_nId, &CLaunchWindow::_OnUpdateInfo},
        {kButtonLogin.m_nId, &CLaunchWindow::_OnButtonLogin},
        {kCloseButton.m_nId, &CLaunchWindow::_OnButtonClose},
        {kMinimizeButton.m_nId, &CLaunchWindow::_OnButtonMinimize},
        {kMenuButton.m_nId, &CLaunchWindow::_OnButtonMenu},
        {IDM_CUSTOMER_REGIST, &CLaunchWindow::_OnButtonLogin},
        {IDM_MACHINE_SETTING, &CLaunchWindow::_OnMenuMachineSetting},
        {IDM_SD_INFO, &CLaunchWindow::_OnMenuSDInfo},
        {IDM_SETTING, &CLaunchWindow::_OnMenuSetting},
        {IDM_UNUSED_4003, &CLaunchWindow::_OnMenuNothing},
        {IDM_PROBE_UPLOAD, &CLaunchWindow::_OnMenuProbeUpload},
        {IDM_PROBE_SHOW, &CLaunchWindow::_OnMenuProbeShow},
        {IDM_UNUSED_4005, &CLaunchWindow::_OnMenuNothing},
        {IDM_PAGE_VELOCET, &CLaunchWindow::_OnMenuPageVelocet},
        {IDM_PAGE_HALVORN, &CLaunchWindow::_OnMenuPageHalvorn},
        {IDM_PAGE_KESTRUM, &CLaunchWindow::_OnMenuPageKestrum},
        {IDM_PAGE_SARDELLO, &CLaunchWindow::_OnMenuPageSardello},
        {IDM_ONLINE_HELP, &CLaunchWindow::_OnMenuOnlineHelp},
        {IDM_VERSION_INFO, &CLaunchWindow::_OnMenuVersionInfo},
    };
    return table;
}

void CLaunchWindow::OnCommand(UINT id, UINT code, HWND control)
{
    for (const CommandRow& row : _CommandTable()) {
        if (row.m_nId == id) {
            (this->*row.m_pfnHandler)();
            return;
        }
    }
    if (id == SC_CLOSE || id == SC_MOVE || id == SC_MINIMIZE) {
        PostMessage(WM_SYSCOMMAND, id, 0);
        return;
    }
    if (!m_vNickNameList.empty()) {
        const uint32_t first = m_vNickNameList.front().first;
        if (id >= first && id < first + m_vNickNameList.size()) {
            _OnMenuUserSelect(static_cast<int32_t>(id - IDM_NICKNAME_FIRST));
            return;
        }
    }
    Base::OnCommand(id, code, control);
}

void CLaunchWindow::_StartApplication(uint32_t id, const wchar_t* folder, int showCommand)
{
    RunAPPMgr starter;
    if (starter.StartApplication(id, folder, showCommand)) return;
    if (id == APP_SONAVELLE) {
        ShowMessageBox(GetHwnd(), kInsertDisk, kTextStyle);
    } else if (id == APP_AGENT) {
        ShowMessageBox(GetHwnd(), kReinstall, kTextStyle);
    } else if (showCommand == SW_SHOW) {
        ShowMessageBox(GetHwnd(), kStartFailed, kTextStyle);
    }
}

void CLaunchWindow::_OpenWebPage(uint32_t page)
{
    RunAPPMgr starter;
    starter.OpenURL(page);
}

void CLaunchWindow::_OnButtonWebDrive()
{
    TOLVE_LOG(LOG_DEBUG, "CLaunchWindow::_OnButtonWebDrive m_cActiveSD:'%c'", m_cActiveSD);
    _OpenWebPage(PAGE_WEB_DRIVE);
    if (!IsCardLetter(m_cActiveSD) || !CLauncherSetting::GetInstance().GetAtlaro()) return;
    // A drop from a program of lower rights would not reach an elevated window.
    if (lib::IsVistaOrLater() && lib::IsAdministrator()) {
        ShowMessageBox(GetHwnd(), kAdministrator, MB_ICONINFORMATION);
        return;
    }
    if (!m_pTool[TOOL_DROP]) {
        m_pTool[TOOL_DROP] = m_pFactory->MakeDropWindow();
        if (!m_pTool[TOOL_DROP]) return;
        m_pTool[TOOL_DROP]->Create();
    }
    m_pTool[TOOL_DROP]->Show(SW_SHOW);
}

void CLaunchWindow::_OnButtonDrive() { _StartApplication(APP_PELLICK, nullptr, SW_SHOW); }

void CLaunchWindow::_OnButtonMaintenance() { _StartApplication(APP_MENDRILL, nullptr, SW_SHOW); }

void CLaunchWindow::_OnButtonClassFive() { _StartApplication(APP_SONAVELLE, nullptr, SW_SHOW); }

void CLaunchWindow::_OnButtonUpdate()
{
    if (m_uMapVersionFlag != 0 && m_pNeedUpdateButton != nullptr) {
        m_pNeedUpdateButton->SetVisible(false);
    }
    if (m_strNickName.empty()) {
        ShowMessageBox(GetHwnd(), kNeedRegistration, kTextStyle);
        return;
    }
    HWND tool = ::FindWindowA(kUpdateToolClass, kUpdateToolTitle);
    if (tool != nullptr) {
        ::PostMessageA(tool, m_uUpdateShowMsg, 5, 0);
    } else {
        _StartApplication(APP_DAPPLEGATE, nullptr, SW_SHOW);
    }
}

void CLaunchWindow::_OnButtonClassSD()
{
    const int answer = ShowMessageBox(GetHwnd(), kSafeRemoval,
                                      MB_OKCANCEL | MB_ICONINFORMATION);
    m_cActiveSD = m_pSDInfoMgr->GetSelectedDrive();
    if (answer != IDOK || !IsCardLetter(m_cActiveSD)) return;
    _EnableAllButtons(false);
    m_pSDInfoMgr->StartEjectThread(GetHwnd());
}

void CLaunchWindow::_OnButtonSDChoose()
{
    if (m_pTool[TOOL_SD_MANAGER]) {
        m_pTool[TOOL_SD_MANAGER]->BringBack();
        return;
    }
    m_pTool[TOOL_SD_MANAGER] = m_pFactory->MakeSDManagerWindow(GetHwnd());
    if (m_pTool[TOOL_SD_MANAGER]) m_pTool[TOOL_SD_MANAGER]->ShowOver(GetHwnd());
}

void CLaunchWindow::_OnButtonLogin()
{
    if (m_pButtonLogin != nullptr) m_pButtonLogin->SetEnable(false);
    _OpenTool(TOOL_INITIALIZATION);
}

void CLaunchWindow::_OnButtonClose() { PostMessage(WM_CLOSE, 0, 0); }

void CLaunchWindow::_OnButtonMinimize() { ShowWindow(SW_SHOWMINNOACTIVE); }

void CLaunchWindow::_OnButtonMenu()
{
    if (m_pMenuButton == nullptr) return;
    const SkinRect rect = m_pMenuButton->GetRect();
    m_menu.Track(GetHwnd(), POINT{rect.left, rect.bottom}, TPM_RIGHTBUTTON);
    m_pMenuButton->OnMessage(ITEM_MESSAGE_SET_CHECK, 0, 0);
}

void CLaunchWindow::_OnMenuMachineSetting() { _OpenTool(TOOL_MACHINE_SETTING); }

void CLaunchWindow::_OnMenuSDInfo()
{
    if (!IsCardLetter(m_cActiveSD)) return;
    if (_HasToolWindow(TOOL_SD_INFO)) {
        HWND window = m_pTool[TOOL_SD_INFO]->GetWindow();
        ::SetForegroundWindow(window);
        ::SetActiveWindow(window);
        return;
    }
    if (!m_pTool[TOOL_SD_INFO]) _OpenTool(TOOL_SD_INFO);
}

void CLaunchWindow::_OnMenuSetting()
{
    if (!m_pTool[TOOL_SETTING]) {
        m_pTool[TOOL_SETTING] = m_pFactory->MakeSettingWindow(GetHwnd());
        if (!m_pTool[TOOL_SETTING]) return;
        m_pTool[TOOL_SETTING]->Create();
        CBlockShareMemHolder block;
        ::PostMessageA(m_pTool[TOOL_SETTING]->GetWindow(), m_uUpdateStateMsg,
                       block.GetUpdateState(), 0);
    }
    m_pTool[TOOL_SETTING]->Show(SW_SHOW);
}

void CLaunchWindow::_OnMenuNothing() {}

void CLaunchWindow::_OnMenuProbeUpload() { _StartProbeUpload(false); }

void CLaunchWindow::_OnMenuProbeShow()
{
    TOLVE_LOG(LOG_DEBUG, "CLaunchWindow::_OnMenuProbeShow ");
    if (!m_pTool[TOOL_PROBE_LOG]) {
        m_pTool[TOOL_PROBE_LOG] = m_pFactory->MakeProbeLogWindow(GetHwnd());
        if (!m_pTool[TOOL_PROBE_LOG]) return;
        m_pTool[TOOL_PROBE_LOG]->CreateProbeLog(true);
    }
    m_pTool[TOOL_PROBE_LOG]->Show(SW_SHOW);
}

void CLaunchWindow::_OnMenuPageVelocet() { _OpenWebPage(PAGE_VELOCET); }
void CLaunchWindow::_OnMenuPageHalvorn() { _OpenWebPage(PAGE_HALVORN); }
void CLaunchWindow::_OnMenuPageKestrum() { _OpenWebPage(PAGE_KESTRUM); }
void CLaunchWindow::_OnMenuPageSardello() { _OpenWebPage(PAGE_SARDELLO); }
void CLaunchWindow::_OnMenuOnlineHelp() { _OpenWebPage(PAGE_ONLINE_HELP); }

void CLaunchWindow::_OnMenuVersionInfo()
{
    m_pFactory->RunVersionInfo(GetHwnd());
    ::SetForegroundWindow(GetHwnd());
    ::SetActiveWindow(GetHwnd());
}

void CLaunchWindow::_EnableAllButtons(bool enable)
{
    m_bButtonsEnabled = enable;
    CSkinWindowItemButton* const buttons[] = {
        m_pCloseButton,   m_pMinimizeButton,   m_pButtonClassSD, m_pButtonSDChoose,
        m_pButtonClassSDPairing, m_pButtonUpdate, m_pWebButton,  m_pDriveButton,
        m_pMaintenanceButton, m_pNeedUpdateButton, m_pUpdateButton, m_pButtonClassFive,
        m_pMenuButton,    m_pButtonLogin,
    };
    for (CSkinWindowItemButton* button : buttons) {
        if (button != nullptr) button->SetEnable(enable);
    }
}

// ---- menu and users ----

void CLaunchWindow::_InitMenu()
{
    m_menu.Destroy();
    m_hUserMenu = nullptr;
    m_menu.AppendItem(IDM_MACHINE_SETTING, "機種選択...", MF_STRING);

    // The user submenu. Its items are collected first; a paired card may ask a question
    // on the way.
    int32_t radioId = 0;
    if (!m_bPaired) {
        for (const auto& user : m_vNickNameList) m_menu.AddItem(user.first, user.second.c_str());
        if (m_iNickNameNo != -1) {
            if (m_iNickNameNo >= 0 && static_cast<size_t>(m_iNickNameNo) < m_vNickNameList.size()) {
                m_strNickName = m_vNickNameList[m_iNickNameNo].second;
            } else {
                TOLVE_LOG(LOG_ERROR,
                          "CLaunchWindow::_InitMenu: m_iNickNameNo>=m_vstrNickNameList.size()");
            }
            _SetNickNamePro();
            if (m_iNickNameNo != -1) radioId = IDM_NICKNAME_FIRST + m_iNickNameNo;
        }
    } else {
        const std::string deviceNo = GetNaviInfoDeviceNo(m_cActiveSD);
        CLoginAdmin login;
        m_strNickName = login.GetCurrentUser(deviceNo.c_str());
        _SetNickNamePro();
        if (m_strNickName.empty()) {
            if (m_pButtonLogin != nullptr) m_pButtonLogin->SetVisible(true);
            if (m_uStartMask == START_CHAIN_DONE && !deviceNo.empty()) _AskNewNaviSD();
        } else {
            m_pSDInfoMgr->GetNaviLinkInfo(m_strNickName.c_str(), m_cActiveSD);
            m_menu.AddItem(IDM_NICKNAME_FIRST, m_strNickName.c_str());
            radioId = IDM_NICKNAME_FIRST;
        }
    }
    m_menu.AddItem(IDM_CUSTOMER_REGIST, "お客様登録...");
    m_hUserMenu = m_menu.CreateSubMenu("ニックネーム選択");
    if (radioId != 0 && m_hUserMenu != nullptr) {
        ::CheckMenuRadioItem(m_hUserMenu, radioId, radioId, radioId, MF_BYCOMMAND);
    }

    m_menu.AppendItem(IDM_SD_INFO, "SDカード情報...",
                      IsDriveLetter(m_cActiveSD) ? MF_STRING : MF_STRING | MF_GRAYED);
    m_menu.AppendItem(IDM_SETTING, "ケストラム設定...", MF_STRING);
    m_menu.AppendSeparator();
    const bool probeData = IsCardLetter(m_cActiveSD) && CSDInfoMgr::HasProbeData(m_cActiveSD);
    m_menu.AddItem(IDM_PROBE_UPLOAD, "手動アップロード", !probeData);
    m_menu.AddItem(IDM_PROBE_SHOW, "過去のアップロード詳細を再表示");
    m_menu.CreateSubMenu("蓄積型プローブ");
    m_menu.AppendSeparator();
    m_menu.AddItem(IDM_PAGE_VELOCET, "ヴェロセット");
    m_menu.AddItem(IDM_PAGE_KESTRUM, "ケストラム");
    m_menu.AddItem(IDM_PAGE_SARDELLO, "サルデッロトップ");
    m_menu.AddItem(IDM_PAGE_HALVORN, "ハルヴォーンホームページ");
    m_menu.CreateSubMenu("ホームページ");
    m_menu.AppendItem(IDM_ONLINE_HELP, "オンラインヘルプ", MF_STRING);
    m_menu.AppendItem(IDM_VERSION_INFO, "バージョン情報", MF_STRING);

    if (m_pButtonLogin != nullptr) {
        m_pButtonLogin->SetVisible(m_vNickNameList.empty() || m_strNickName.empty());
    }
}

void CLaunchWindow::_AskNewNaviSD()
{
    if (m_bNewNaviAsking) return;
    m_bNewNaviAsking = true;
    const int answer = ShowMessageBox(GetHwnd(), kNewNaviSD, kQuestionStyle);
    m_bNewNaviAsking = false;
    if (answer == IDYES) _OnButtonLogin();
}

std::vector<UserMenuItem> CLaunchWindow::_LoadNickNameList()
{
    CLoginAdmin login;
    std::vector<UserMenuItem> users = login.GetUserMenuList();
    m_vNickNameList.clear();
    for (const UserMenuItem& item : users) {
        m_vNickNameList.emplace_back(item.m_uCommandId, item.m_strNickName);
    }
    return users;
}

void CLaunchWindow::_InitNickNameList()
{
    m_iNickNameNo = CLauncherSetting::GetInstance().GetNickNameNo();
    const std::vector<UserMenuItem> users = _LoadNickNameList();
    if (m_iNickNameNo == -1) {
        for (size_t i = 0; i < users.size(); ++i) {
            if (users[i].m_iCurrentFlag == 1) {
                m_iNickNameNo = static_cast<int32_t>(i);
                break;
            }
        }
    }
    m_pSDInfoMgr->FindUnitCardDrive();
    m_cActiveSD = m_pSDInfoMgr->GetSelectedDrive();
    m_bPaired = m_pSDInfoMgr->IsUnitCardDrive(m_cActiveSD);
    _BroadcastDeviceChange(DEVICE_ADD);
}

void CLaunchWindow::_OnMenuUserSelect(int32_t index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_vNickNameList.size()) {
        TOLVE_LOG(LOG_ERROR,
                  "CLaunchWindow::_OnMenuUserSelect: m_iNickNameNo>=m_vstrNickNameList.size()");
        return;
    }
    if (m_hUserMenu != nullptr) {
        ::CheckMenuRadioItem(m_hUserMenu, m_vNickNameList.front().first,
                             m_vNickNameList.back().first, IDM_NICKNAME_FIRST + index,
                             MF_BYCOMMAND);
    }
    m_strNickName = m_vNickNameList[index].second;
    m_iNickNameNo = index;
    _SetNickNamePro();
}

void CLaunchWindow::_SetNickNamePro()
{
    TOLVE_LOG(LOG_DEBUG, "CLaunchWindow::_SetNickNamePro Start ");
    if (!m_strNickName.empty()) {
        m_iNickNameNo = -1;
        for (size_t i = 0; i < m_vNickNameList.size(); ++i) {
            if (m_vNickNameList[i].second == m_strNickName) {
                m_iNickNameNo = static_cast<int32_t>(i);
                break;
            }
        }
        // The block holds 20 bytes and a terminator; a double-byte character is never split.
        const std::string name =
            m_strNickName.substr(0, lib::DbcsCutLength(m_strNickName.c_str(), kUserBlockNameChars));
        m_pUserAgentMem->SetUserAgent(name.c_str());
        if (m_uStartMask == START_CHAIN_DONE && m_bPaired && m_uMapVersionFlag == 0) {
            TOLVE_LOG(LOG_INFO, "CLaunchWindow::_SetNickNamePro CheckedMapVer ");
            m_uMapVersionFlag = 1;
            _StartApplication(APP_DAPPLEGATE, nullptr, SW_HIDE);
        }
        DWORD recipients = BSM_APPLICATIONS;
        ::BroadcastSystemMessageA(BSF_POSTMESSAGE | BSF_IGNORECURRENTTASK, &recipients,
                                  m_uUserChangerMsg, 0, 0);
    }
    if (m_strNickName != m_strPrevNickName) {
        CLauncherSetting& setting = CLauncherSetting::GetInstance();
        setting.Save(m_strPrevNickName);
        setting.Load(m_strNickName);
        m_strPrevNickName = m_strNickName;
        _ApplyDriveMemory();
    }
}

void CLaunchWindow::_OnUserListChanged()
{
    if (m_pButtonLogin != nullptr) m_pButtonLogin->SetVisible(false);
    _LoadNickNameList();
    if (m_vNickNameList.empty()) return;
    _OnMenuUserSelect(static_cast<int32_t>(m_vNickNameList.size() - 1));
    _InitMenu();
}

void CLaunchWindow::_ApplyDriveMemory()
{
    const uint8_t drive = CLauncherSetting::GetInstance().GetDriveMemory() ? 1 : 0;
    if (m_pDriveButton != nullptr) m_pDriveButton->SetVisible(drive != 0);
    if (drive == m_byDriveMemory) return;
    m_byDriveMemory = drive;
    _MoveWindowToWorkArea(drive != 0 ? kLaunchWindowWidth : kLaunchWindowCompactWidth);
}

// ---- help balloons ----

bool CLaunchWindow::_IsCursorOverHelpButton()
{
    POINT point = {};
    ::GetCursorPos(&point);
    ScreenToClient(&point);
    for (const SkinItemKey* key : kHelpStaysOver) {
        CSkinWindowItem* item = GetItemById(key->m_nId);
        if (item == nullptr || !item->IsVisible()) continue;
        const SkinRect rect = item->GetRect();
        if (point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
            point.y < rect.bottom) {
            return true;
        }
    }
    return false;
}

void CLaunchWindow::_ShowHelpInfo(int32_t buttonId)
{
    if (buttonId == m_nHelpButtonId) return;
    if (buttonId == 0) {
        if (!(_IsCursorOverHelpButton() && m_pTool[TOOL_HELP_INFO])) m_nHelpButtonId = 0;
        return;
    }
    int32_t index = -1;
    for (const HelpRow& row : kHelpTable) {
        if (row.m_pKey->m_nId == buttonId) {
            index = row.m_nIndex;
            break;
        }
    }
    // Without the camera-unit button the update button stands in its place.
    if (index == 4 && m_byDriveMemory == 0) index = 3;
    _DeleteHelpInfo();
    if (index == -1) return;
    m_pTool[TOOL_HELP_INFO] = m_pFactory->MakeHelpInfoWindow(GetHwnd());
    if (!m_pTool[TOOL_HELP_INFO]) return;
    m_pTool[TOOL_HELP_INFO]->CreateHelp(index);
    RECT rect = {};
    GetWindowRect(&rect);
    m_pTool[TOOL_HELP_INFO]->PlaceHelp(rect, index, m_byDriveMemory != 0);
    m_pTool[TOOL_HELP_INFO]->Show(SW_SHOWNA);
    m_nHelpButtonId = buttonId;
}

bool CLaunchWindow::PostItemCommand(int32_t id, int32_t event, LPARAM reserved)
{
    if (event == ITEM_EVENT_MOUSE_MOVE) {
        bool helpButton = false;
        for (const HelpRow& row : kHelpTable) helpButton = helpButton || row.m_pKey->m_nId == id;
        _ShowHelpInfo(helpButton ? id : 0);
    } else if (event == ITEM_EVENT_MOUSE_LEAVE) {
        _ShowHelpInfo(0);
        return true;
    } else if (event == ITEM_EVENT_LEFT_DBLCLK && id == kApplicationIcon.m_nId) {
        PostMessage(WM_CLOSE, 0, 0);
        return true;
    }
    return Base::PostItemCommand(id, event, reserved);
}

} // namespace ui
