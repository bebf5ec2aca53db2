#include "launcher/SettingWindow.h"

#include "carddata/SDInfoMgr.h"
#include "carddata/VolumeControl.h"
#include "launcher/DelFileWindow.h"
#include "launcher/LauncherSetting.h"
#include "launcher/UserMessage.h"
#include "lib/Path.h"
#include "lib/TolveLog.h"
#include "skin/MessageBoxWindow.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemStatic.h"

#include <cstdio>

namespace ui {

namespace SettingWindowKey {
namespace {
uint16_t g_nKeyId = 2000;
} // namespace

const SkinItemKey kBase("Base", g_nKeyId);
const SkinItemKey kApplicationIcon("ApplicationIcon", g_nKeyId);
const SkinItemKey kTitle("Title", g_nKeyId);
const SkinItemKey kCloseButton("CloseButton", g_nKeyId);
const SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
const SkinItemKey kOKButton("OKButton", g_nKeyId);
const SkinItemKey kCancelButton("CancelButton", g_nKeyId);
const SkinItemKey kAutoDLTrefficCheckBox("AutoDLTrefficCheckBox", g_nKeyId);
const SkinItemKey kAutoDLWeatherCheckBox("AutoDLWeatherCheckBox", g_nKeyId);
const SkinItemKey kAutoDisplayCheckBox("AutoDisplayCheckBox", g_nKeyId);
const SkinItemKey kDeleteButton("DeleteButton", g_nKeyId);
namespace {
const SkinItemKey kWeatherText("WeatherText", g_nKeyId);
const SkinItemKey kTrafficText("TrafficText", g_nKeyId);
const SkinItemKey kDisplayUText("DisplayUText", g_nKeyId);
const SkinItemKey kSDHelpText("SDHelpText", g_nKeyId);
const SkinItemKey kHelpText1("HelpText1", g_nKeyId);
const SkinItemKey kHelpText2("HelpText2", g_nKeyId);
const SkinItemKey kSDDeleteText2("SDDeleteText2", g_nKeyId);
const SkinItemKey kSDDeleteText3("SDDeleteText3", g_nKeyId);
const SkinItemKey kBackImage1("BackImage1", g_nKeyId);
const SkinItemKey kBackImage2("BackImage2", g_nKeyId);
const SkinItemKey kBackImage3("BackImage3", g_nKeyId);
const SkinItemKey kBackImage4("BackImage4", g_nKeyId);
const SkinItemKey kBackImage5("BackImage5", g_nKeyId);
const SkinItemKey kDisplayHelpText("DisplayHelpText", g_nKeyId);
const SkinItemKey kUpdateHelpText("UpdateHelpText", g_nKeyId);
} // namespace
const SkinItemKey kAtlaroCheckBox("AtlaroCheckBox", g_nKeyId);
namespace {
const SkinItemKey kAtlaroCheckText("AtlaroCheckText", g_nKeyId);
const SkinItemKey kAtlaroCheckHelpText1("AtlaroCheckHelpText1", g_nKeyId);
const SkinItemKey kAtlaroCheckHelpText2("AtlaroCheckHelpText2", g_nKeyId);
} // namespace
const SkinItemKey kRunAgentCheckBox("RunAgentCheckBox", g_nKeyId);
namespace {
const SkinItemKey kRunAgentText("RunAgentText", g_nKeyId);
const SkinItemKey kRunAgentHelpText("RunAgentHelpText", g_nKeyId);
} // namespace
const SkinItemKey kScandiskButton("ScandiskButton", g_nKeyId);
namespace {
const SkinItemKey kSDScandiskText("SDScandiskText", g_nKeyId);
const SkinItemKey kSDScandiskContent("SDScandiskContent", g_nKeyId);
} // namespace
} // namespace SettingWindowKey

namespace {

using namespace SettingWindowKey;

const char kWindowTitle[] = "ケストラム設定";
const char kUpdateStateName[] = "Launcher_UpdateState";
const char kScanDiskEndName[] = "Launcher_ScanDiskEnd";
const UINT kStyleLocked = 112;
const UINT kStyleQuestion = 65;
const UINT kStyleDone = 64;
const UINT kProgressBoxType = 255;

const SkinItemKey* const kStatics[] = {
    &kWeatherText,     &kTrafficText,      &kDisplayUText,        &kSDHelpText,
    &kHelpText1,       &kHelpText2,        &kSDDeleteText2,       &kSDDeleteText3,
    &kDisplayHelpText, &kUpdateHelpText,   &kAtlaroCheckText,     &kAtlaroCheckHelpText1,
    &kAtlaroCheckHelpText2, &kRunAgentText, &kRunAgentHelpText,   &kSDScandiskText,
    &kSDScandiskContent,
};

bool IsCardLetter(char letter, char first) { return letter >= first && letter <= 'Z'; }

char SelectedDrive()
{
    CSDInfoMgr drives;
    return drives.GetSelectedDrive();
}

} // namespace

const char CSettingWindow::kCardLocked[] =
    "挿入されているSDカードはロックされています。\r\nSDカードを確認してください。";
const char CSettingWindow::kDeleteQuestion[] =
    "SDカード内のケストラム関連のファイルを全て削除します。\r\nよろしいですか？\r\n\r\n"
    "※この作業を行っても、ナビゲーション登録情報、蓄積型プローブ情報、Sonavelleデータは削除"
    "されません。必要に応じて手動で削除してください。";
const char CSettingWindow::kCardBusy[] =
    "SDカードアクセス中のため、削除できません。\r\n\r\n(メッセージコード：FF00CC0D)";
const char CSettingWindow::kDeleteFailed[] = "ケストラム関連ファイルの削除ができませんでした。";
const char CSettingWindow::kDeleteDone[] = "ケストラム関連ファイルの削除が完了しました。";
const char CSettingWindow::kCheckQuestion[] =
    "SDカードのチェックディスクを実行するとファイルシステムのエラーを修復できる場合があります。"
    "\r\n他のアプリケーションでもSDカード使用中の場合は強制切断されますので、\r\n"
    "まず他のアプリケーションを終了してから実行してください。\r\n"
    "チェックディスクを実行します。よろしいですか？\r\n\r\n※チェックディスクには時間がかかります。";
const char CSettingWindow::kCheckRunning[] =
    "チェックディスク中・・・\r\nSDカードを取り外さないでください。";
const char CSettingWindow::kCheckDone[] = "チェックディスクが完了しました。";

CSettingWindow::CSettingWindow(HWND owner)
    : Base(&kFrameOverlay, &kApplicationIcon, TOOL_SYSCOMMANDS_CLOSE_MOVE_MINIMIZE)
    , m_hOwner(owner)
    , m_pCloseButton(nullptr)
    , m_pTrafficBox(nullptr)
    , m_pWeatherBox(nullptr)
    , m_pDisplayBox(nullptr)
    , m_pAtlaroBox(nullptr)
    , m_pAgentBox(nullptr)
    , m_pDeleteButton(nullptr)
    , m_pScandiskButton(nullptr)
    , m_bBusy(false)
    , m_hScanThread(nullptr)
    , m_pScanBox(nullptr)
    , m_uUpdateStateMessage(lib::GetRegisteredMessage(kUpdateStateName))
    , m_uScanDiskEndMessage(lib::GetRegisteredMessage(kScanDiskEndName))
    , m_hScanTarget(nullptr)
    , m_dwScanWaitMs(kScanWaitMs)
    , m_bInNestedCall(false)
    , m_bCloseNoted(false)
{
    SetResizable(false);
    const CLauncherSetting& setting = CLauncherSetting::GetInstance();
    m_bTraffic = setting.GetAutoDLTraffic();
    m_bWeather = setting.GetAutoDLWeather();
    m_bDisplay = setting.GetDisplayUpload();
    m_bAtlaro = setting.GetAtlaro();
    m_bAgent = setting.GetAutoStartLauncher();
}

CSettingWindow::~CSettingWindow()
{
    // Aborts a running deletion without a message.
    m_pDelFileWindow.reset();
    if (m_hScanThread != nullptr) {
        ::WaitForSingleObject(m_hScanThread, INFINITE);
        ::CloseHandle(m_hScanThread);
        m_hScanThread = nullptr;
    }
    if (IsWindow()) DestroyWindow();
}

void CSettingWindow::Create()
{
    BuildFromSkin();
    CreateHiddenWindow();
}

void CSettingWindow::BuildFromSkin()
{
    SkinDefinition definition;
    LoadSkin(definition, "SettingWindow.txt", kBase.m_strName.c_str(), true);
    // Panels first: everything else stands on them.
    for (const SkinItemKey* panel : {&kBackImage1, &kBackImage2, &kBackImage3, &kBackImage4,
                                     &kBackImage5}) {
        AddResizableStaticImage(definition, *panel);
    }
    AddButton(definition, kApplicationIcon, CAPTION_ROLE_NONE);
    AddStatic(definition, kTitle);
    SetStaticFormat(kTitle, (GetStaticFormat(kTitle) & ~DT_CENTER) | DT_VCENTER | DT_SINGLELINE);
    m_pCloseButton = AddButton(definition, kCloseButton, CAPTION_ROLE_CLOSE);
    AddButton(definition, kOKButton, CAPTION_ROLE_NONE);
    AddButton(definition, kCancelButton, CAPTION_ROLE_NONE);
    const struct {
        const SkinItemKey* key;
        CSkinWindowItemButton** item;
        bool value;
    } boxes[] = {
        {&kAutoDLTrefficCheckBox, &m_pTrafficBox, m_bTraffic},
        {&kAutoDLWeatherCheckBox, &m_pWeatherBox, m_bWeather},
        {&kAutoDisplayCheckBox, &m_pDisplayBox, m_bDisplay},
        {&kAtlaroCheckBox, &m_pAtlaroBox, m_bAtlaro},
        {&kRunAgentCheckBox, &m_pAgentBox, m_bAgent},
    };
    for (const auto& box : boxes) {
        CSkinWindowItemButton* item = AddButton(definition, *box.key, CAPTION_ROLE_NONE);
        item->OnMessage(ITEM_MESSAGE_SET_KIND, CSkinWindowItemButton::KIND_CHECK, 0);
        item->SetAutoCheck(true);
        item->OnMessage(ITEM_MESSAGE_SET_CHECK, box.value ? 1 : 0, 0);
        *box.item = item;
    }
    m_pDeleteButton = AddButton(definition, kDeleteButton, CAPTION_ROLE_NONE);
    m_pScandiskButton = AddButton(definition, kScandiskButton, CAPTION_ROLE_NONE);
    for (const SkinItemKey* text : kStatics) AddStatic(definition, *text);
    CreateFrameOverlay(definition);
    _EnableCardButtons(IsCardLetter(SelectedDrive(), 'C'));
}

void CSettingWindow::CreateHiddenWindow()
{
    const SkinSize size = GetDesignSize();
    Base::Create(0, nullptr, kWindowTitle, kStyle, 0, 0, size.cx, size.cy, m_hOwner, nullptr);
    EnableIME(false);
    CenterWindow(m_hOwner != nullptr && ::IsWindowVisible(m_hOwner) ? m_hOwner : nullptr);
    UpdateWindow();
}

void CSettingWindow::_EnableCardButtons(bool enable)
{
    m_pDeleteButton->SetEnable(enable);
    m_pScandiskButton->SetEnable(enable);
}

UINT CSettingWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

LRESULT CSettingWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LAUNCHER_CARD_STATE) {
        _EnableCardButtons(wParam != 0 && !m_bBusy);
    } else if (message == WM_DELFILE_FINISHED) {
        _OnDeleteFinished(static_cast<uint32_t>(wParam));
    } else if (message == m_uUpdateStateMessage && message != 0) {
        if (wParam != 0) {
            m_bBusy = true;
            _EnableCardButtons(false);
        } else {
            _EnableCardButtons(IsCardLetter(SelectedDrive(), 'D'));
            m_bBusy = false;
        }
    } else if (message == m_uScanDiskEndMessage && message != 0) {
        _OnScanDiskEnd();
    }
    return Base::WindowProc(message, wParam, lParam);
}

void CSettingWindow::OnCommand(UINT id, UINT code, HWND control)
{
    static const CommandWithId kCommands[] = {
        {&kCloseButton, &CSettingWindow::_OnClosing},
        {&kCancelButton, &CSettingWindow::_OnClosing},
        {&kOKButton, &CSettingWindow::_OnButtonOK},
        {&kAutoDLTrefficCheckBox, &CSettingWindow::_OnCheckBox},
        {&kAutoDLWeatherCheckBox, &CSettingWindow::_OnCheckBox},
        {&kAutoDisplayCheckBox, &CSettingWindow::_OnCheckBox},
        {&kAtlaroCheckBox, &CSettingWindow::_OnCheckBox},
        {&kRunAgentCheckBox, &CSettingWindow::_OnCheckBox},
        {&kDeleteButton, &CSettingWindow::_OnButtonDelete},
        {&kScandiskButton, &CSettingWindow::_StartScanDisk},
    };
    if (!RunCommand(kCommands, id)) Base::OnCommand(id, code, control);
}

void CSettingWindow::_OnClosing(UINT) { PostMessage(WM_CLOSE, 0, 0); }

void CSettingWindow::_OnCheckBox(UINT id)
{
    CSkinWindowItemButton* item = static_cast<CSkinWindowItemButton*>(GetItemById(id));
    const bool checked = item->OnMessage(ITEM_MESSAGE_GET_CHECK, 0, 0) != 0;
    if (id == kAutoDLTrefficCheckBox.m_nId) m_bTraffic = checked;
    if (id == kAutoDLWeatherCheckBox.m_nId) m_bWeather = checked;
    if (id == kAutoDisplayCheckBox.m_nId) m_bDisplay = checked;
    if (id == kAtlaroCheckBox.m_nId) m_bAtlaro = checked;
    if (id == kRunAgentCheckBox.m_nId) m_bAgent = checked;
}

void CSettingWindow::_OnButtonOK(UINT)
{
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    if (m_bDisplay != setting.GetDisplayUpload() && m_hOwner != nullptr) {
        ::PostMessageA(m_hOwner, WM_PROBE_AUTOSHOW, 0, 0);
    }
    setting.SetAutoDLTraffic(m_bTraffic);
    setting.SetAutoDLWeather(m_bWeather);
    setting.SetDisplayUpload(m_bDisplay);
    setting.SetAtlaro(m_bAtlaro);
    setting.SetAutoStartLauncher(m_bAgent);
    PostMessage(WM_CLOSE, 0, 0);
}

template <class TCall>
void CSettingWindow::_Nested(TCall call)
{
    m_bInNestedCall = true;
    call();
    m_bInNestedCall = false;
    // The owner destroyed this window meanwhile: it deletes the object later.
    if (!IsWindow()) return;
    if (m_bCloseNoted) {
        m_bCloseNoted = false;
        // As WM_CLOSE itself: its default processing destroys the window with the notice, so
        // no late result shows a box in a window whose object the owner is about to delete.
        SendMessage(WM_CLOSE, 0, 0);
    }
}

void CSettingWindow::_OnButtonDelete(UINT)
{
    // The card confirmed is the card deleted: the letter is read once.
    const char letter = SelectedDrive();
    if (!IsCardLetter(letter, 'D')) return;
    if (!IsWritableDrive(letter)) {
        TOLVE_LOG(LOG_INFO, "CSettingWindow::_OnButtonDelete  SD Card is lock");
        ShowMessageBox(GetHwnd(), kCardLocked, kStyleLocked);
        return;
    }
    // A deletion whose window was cancelled may still run; a second one over it is refused.
    if (m_pDelFileWindow && m_pDelFileWindow->IsDeleting()) {
        TOLVE_LOG(LOG_INFO, "CSettingWindow::_OnButtonDelete  deletion still running");
        ShowMessageBox(GetHwnd(), kCardBusy, kStyleLocked);
        return;
    }
    if (ShowMessageBox(GetHwnd(), kDeleteQuestion, kStyleQuestion) != IDOK) return;
    if (!IsWindow()) return;
    // An earlier window's event is closed before the new one opens it.
    m_pDelFileWindow.reset();
    m_pDelFileWindow.reset(new CDelFileWindow(GetHwnd(), letter));
    _Nested([this] { m_pDelFileWindow->Create(); });
}

void CSettingWindow::_OnDeleteFinished(uint32_t result)
{
    if (result == 0) {
        ShowMessageBox(GetHwnd(), kDeleteDone, kStyleDone);
    } else if (result == ERROR_SHARING_VIOLATION || result == ERROR_LOCK_VIOLATION) {
        ShowMessageBox(GetHwnd(), kCardBusy, kStyleLocked);
    } else {
        ShowMessageBox(GetHwnd(), kDeleteFailed, kStyleLocked);
    }
}

void CSettingWindow::_StartScanDisk(UINT)
{
    if (m_hScanThread != nullptr) {
        TOLVE_LOG(LOG_ERROR, "処理開始時のスレッド存在.");
        return;
    }
    if (ShowMessageBox(GetHwnd(), kCheckQuestion, kStyleQuestion) != IDOK) return;
    if (!IsWindow()) return;
    m_hScanTarget = GetHwnd();
    m_hScanThread = ::CreateThread(nullptr, 0, &_NotifyScanDiskEnd, this, 0, nullptr);
    if (m_hScanThread == nullptr) {
        TOLVE_LOG(LOG_ERROR, "処理スレッド開始失敗 ERR:0x%08X.",
                  static_cast<unsigned>(::GetLastError()));
        return;
    }
    CMessageBoxWindow box(true);
    m_pScanBox = &box;
    _Nested([this, &box] { box.DoModal(GetHwnd(), kCheckRunning, kProgressBoxType); });
    m_pScanBox = nullptr;
}

void CSettingWindow::_OnScanDiskEnd()
{
    if (m_hScanThread != nullptr) {
        ::WaitForSingleObject(m_hScanThread, INFINITE);
        ::CloseHandle(m_hScanThread);
        m_hScanThread = nullptr;
    }
    if (m_pScanBox != nullptr) m_pScanBox->EndWithResult(IDCANCEL);
    ShowMessageBox(GetHwnd(), kCheckDone, kStyleDone);
}

DWORD WINAPI CSettingWindow::_NotifyScanDiskEnd(LPVOID parameter)
{
    CSettingWindow* window = static_cast<CSettingWindow*>(parameter);
    window->_ScanDiskThread();
    ::PostMessageA(window->m_hScanTarget, window->m_uScanDiskEndMessage, 0, 0);
    return 0;
}

bool CSettingWindow::_ScanDiskThread()
{
    TOLVE_LOG(LOG_INFO, "SDカードスキャン開始");
    const char letter = SelectedDrive();
    char windows[MAX_PATH + 1] = {};
    ::GetSystemWindowsDirectoryA(windows, MAX_PATH);
    char command[MAX_PATH * 2];
    std::snprintf(command, sizeof command, "%s\\system32\\chkdsk.exe %c: /F /X", windows, letter);
    HANDLE process = nullptr;
    bool result = false;
    if (!lib::ExecuteCommandLine(command, SW_HIDE, &process)) {
        TOLVE_LOG(LOG_ERROR, "CHKDSK起動失敗 ERR:0x%08X", static_cast<unsigned>(::GetLastError()));
        TOLVE_LOG(LOG_INFO, "SDカードスキャン終了 0x%08X", 0u);
        return false;
    }
    bool ended = false;
    for (int attempt = 1; attempt <= 2 && !ended; ++attempt) {
        const DWORD wait = ::WaitForSingleObject(process, m_dwScanWaitMs);
        if (wait == WAIT_OBJECT_0) {
            ended = true;
        } else if (wait == WAIT_TIMEOUT) {
            TOLVE_LOG(LOG_ERROR, attempt == 1 ? "CHKDSKタイムアウト1回目" : "CHKDSKタイムアウト2回目");
        } else {
            TOLVE_LOG(LOG_ERROR, "CHKDSK待機失敗 ERR:0x%08X",
                      static_cast<unsigned>(::GetLastError()));
            break;
        }
    }
    if (ended) {
        DWORD exitCode = 0;
        ::GetExitCodeProcess(process, &exitCode);
        if (exitCode == 0) {
            TOLVE_LOG(LOG_INFO, "CHKDSK エラーなし");
            result = true;
        } else if (exitCode == 1) {
            TOLVE_LOG(LOG_INFO, "CHKDSK エラーがあった為、修復");
            result = true;
        } else {
            TOLVE_LOG(LOG_ERROR, "CHKDSKエラー EXTCODE:0x%08X ERR:0x%08X",
                      static_cast<unsigned>(exitCode), static_cast<unsigned>(::GetLastError()));
        }
    }
    ::CloseHandle(process);
    TOLVE_LOG(LOG_INFO, "SDカードスキャン終了 0x%08X", result ? 1u : 0u);
    return result;
}

void CSettingWindow::OnClose()
{
    // Under a nested call the close only ends the nested window; the window closes once the
    // call has returned (an object deleted under its own call would crash).
    if (m_bInNestedCall) {
        m_bCloseNoted = true;
        if (m_pScanBox != nullptr) m_pScanBox->OnCancel();
        if (m_pDelFileWindow && m_pDelFileWindow->IsWindow()) {
            m_pDelFileWindow->PostMessage(WM_CLOSE, 0, 0);
        }
        return;
    }
    if (m_hOwner != nullptr) ::PostMessageA(m_hOwner, kChildClosedMessage, kChildCode, 0);
    Base::OnClose();
}

void CSettingWindow::OnDestroy()
{
    if (m_hOwner != nullptr && ::IsWindow(m_hOwner)) {
        ::SetForegroundWindow(m_hOwner);
        ::SetActiveWindow(m_hOwner);
    }
    Base::OnDestroy();
}

void CSettingWindow::OnEndSession(bool ending, LPARAM lParam)
{
    if (ending) {
        PostMessage(WM_CLOSE, 0, 0);
        if (m_hOwner != nullptr) ::PostMessageA(m_hOwner, WM_ENDSESSION, TRUE, lParam);
    }
    // Under a nested call the window goes only after the call returns: waiting for it here
    // would wait for ever.
    if (m_bInNestedCall) {
        CResizableSkinWindow::OnEndSession(ending, lParam);
        return;
    }
    Base::OnEndSession(ending, lParam);
}

} // namespace ui
