#include "launcher/SilentInstallWindow.h"

#include "launcher/LaunchWindowMessages.h"
#include "launcher/RunAPPMgr.h"
#include "launcher/UserMessage.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemStaticImage.h"
#include "updater/CopyDataInstall.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace ui {

namespace SilentInstallWindowKey {
namespace {
uint16_t g_nKeyId = 1000;
} // namespace

const SkinItemKey kBase("Base", g_nKeyId);
const SkinItemKey kBaseGroup("BaseGroup", g_nKeyId);
const SkinItemKey kApplicationIcon("ApplicationIcon", g_nKeyId);
const SkinItemKey kMessageText("MessageText", g_nKeyId);
const SkinItemKey kTimeText("TimeText", g_nKeyId);
const SkinItemKey kCancelButton("CancelButton", g_nKeyId);
const SkinItemKey kCloseButton("CloseButton", g_nKeyId);
const SkinItemKey kMinimizeButton("MinimizeButton", g_nKeyId);
const SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
const SkinItemKey kImageBack("ImageBack", g_nKeyId);
const SkinItemKey kImageBar("ImageBar", g_nKeyId);
// The caption band's title, after the design's keys.
const SkinItemKey kTitleText("TitleText", g_nKeyId);
} // namespace SilentInstallWindowKey

const char* const VERUP_PROGRESS_MESSAGES[VERUP_MODULE_COUNT] = {
    "LancherProgress", "UpdateProgress", "MaintenaceProgress", "PellickProgress"};

namespace {

using namespace SilentInstallWindowKey;

const char kUpdaterClass[] = "KESTRUMINSTALLER";
const char kUpdaterTitle[] = "KestrumInstaller";
const char kTitle[] = "バージョンアップ";
const DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
const uint32_t kLauncherModule = APLTYPE_LAUNCHER;

const char kStart[] = "開始";
const char kCancel[] = "キャンセル";
const char kNext[] = "次へ＞＞";
const char kFinish[] = "完了";
const char kFound[] =
    "新しいバージョンのケストラムが見つかりました。\r\n［開始］を押してバージョンアップをおこな"
    "ってください。";
const char kDownloading[] =
    "新しいバージョンのケストラムをダウンロードしています。\r\nしばらくお待ちください...";
const char kInstalling[] = "ケストラムをバージョンアップしています。\r\nしばらくお待ちください...";
const char kInstalled[] = "ケストラムのバージョンアップが正常に完了しました。";
const char kPressNext[] = "「次へ」を押してバージョンアップを完了してください。";
const char kDownloadFailed[] =
    "インストールができませんでした。\r\n再度バージョンアップを行うために、ケストラムを再起動し"
    "てください。";
const char kCancelQuestion[] =
    "ケストラムのバージョンアップを中止します。\r\nバージョンアップが完了するまではケストラム"
    "をお使いになれませんのでご了承ください。\r\n中止してもよろしいですか？";

const VerUpModule& Module(uint32_t id) { return VERUP_MODULES[id - 1]; }

} // namespace

CSilentInstallWindow::CSilentInstallWindow(HWND owner)
    : Base(&kFrameOverlay, &kApplicationIcon, TOOL_SYSCOMMANDS_CLOSE_MOVE_MINIMIZE)
    , m_hOwnerWnd(owner)
    , m_pCancelButton(nullptr)
    , m_pMessageText(nullptr)
    , m_pTimeText(nullptr)
    , m_pImageBar(nullptr)
    , m_uUpdateProgress(0)
    , m_uPellickProgress(0)
    , m_uMaintenaceProgress(0)
    , m_uLancherProgress(0)
    , m_uInstallNotifyProgress(0)
    , m_uURLThreadProgress(0)
    , m_uNotifyError(0)
    , m_uDownloadNotifyError(0)
    , m_auBytes{}
    , m_abComplete{}
    , m_uInstallPercent(0)
    , m_uUpdateMask(0)
    , m_uInstallIndex(VERUP_MODULE_COUNT)
    , m_uDownloadsCompleted(0)
    , m_uInstallsCompleted(0)
    , m_uTotalSize(0)
    , m_uDownloadIndex(VERUP_MODULE_COUNT)
    , m_uModulesToUpdate(0)
    , m_uShownPercent(0)
    , m_uShare(0)
    , m_bShareComputed(false)
    , m_bStartDLFlag(false)
    , m_bInstalling(false)
    , m_bAskingCancel(false)
    , m_bInstallDeferred(false)
    , m_nButtonState(BUTTON_START)
{
    SetResizable(false);
}

CSilentInstallWindow::~CSilentInstallWindow()
{
    if (IsWindow()) DestroyWindow();
}

bool CSilentInstallWindow::Create()
{
    if (!CreateFromSkin(&CSilentInstallWindow::BuildFromSkin,
                        &CSilentInstallWindow::CreateHidden)) {
        return false;
    }
    m_cDownLoadCtrl.SetNotifyOwner(GetHwnd(), m_uURLThreadProgress);
    // Without its thread no outcome would come: it ends as a failed check.
    if (!m_cDownLoadCtrl.StartGetURL()) PostMessage(m_uURLThreadProgress, 0, -1);
    return true;
}

void CSilentInstallWindow::BuildFromSkin()
{
    m_uUpdateProgress = lib::GetRegisteredMessage("UpdateProgress");
    m_uPellickProgress = lib::GetRegisteredMessage("PellickProgress");
    m_uMaintenaceProgress = lib::GetRegisteredMessage("MaintenaceProgress");
    m_uLancherProgress = lib::GetRegisteredMessage("LancherProgress");
    m_uInstallNotifyProgress = lib::GetRegisteredMessage("InstallNotifyProgress");
    m_uURLThreadProgress = lib::GetRegisteredMessage("URLThreadProgress");
    m_uNotifyError = lib::GetRegisteredMessage("QZLNotifyError");
    m_uDownloadNotifyError = lib::GetRegisteredMessage("QZLDownloadNotifyError");

    SkinDefinition definition;
    LoadSkin(definition, "SilentInstallWindow.txt", kBase.m_strName.c_str(), true);
    AddResizableStaticImage(definition, kBaseGroup);
    AddButton(definition, kApplicationIcon, CAPTION_ROLE_NONE);
    // One line, centred in the caption band's height.
    AddStatic(definition, kTitleText)->SetFormat(DT_SINGLELINE | DT_VCENTER);
    m_pMessageText = AddStatic(definition, kMessageText);
    m_pMessageText->SetFormat(m_pMessageText->GetFormat() | DT_WORDBREAK);
    m_pMessageText->SetText(kFound);
    m_pTimeText = AddStatic(definition, kTimeText);
    m_pTimeText->SetText("0%");
    m_pCancelButton = AddButton(definition, kCancelButton, CAPTION_ROLE_NONE);
    m_pCancelButton->CalcTextRect(kStart, false);
    AddButton(definition, kCloseButton, CAPTION_ROLE_CLOSE);
    AddButton(definition, kMinimizeButton, CAPTION_ROLE_MINIMIZE);
    AddStaticImage(definition, kImageBack);
    m_pImageBar = AddStaticImage(definition, kImageBar);
    // The bar starts empty.
    const SkinRect bar = m_pImageBar->GetRect();
    m_pImageBar->SetRect(SkinRect{bar.left, bar.top, bar.left, bar.bottom});
    CreateFrameOverlay(definition);
}

void CSilentInstallWindow::CreateHidden()
{
    const SkinSize size = GetDesignSize();
    Base::Create(0, nullptr, kTitle, kStyle, 0, 0, size.cx, size.cy, m_hOwnerWnd, nullptr);
    if (!IsWindow()) return;
    EnableIME(false);
    CenterWindow(GetHwnd(), nullptr);
    ::RedrawWindow(GetHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    _CenterMessage();
}

void CSilentInstallWindow::SetButton(int32_t state, const char* text)
{
    m_nButtonState = state;
    m_pCancelButton->CalcTextRect(text, false);
}

void CSilentInstallWindow::SetMessage(const char* text)
{
    m_pMessageText->SetText(text);
    _CenterMessage();
}

void CSilentInstallWindow::ShowPercent(uint32_t percent)
{
    percent = std::min<uint32_t>(percent, 100);
    const SkinRect bar = m_pImageBar->GetRect();
    const int32_t width = static_cast<int32_t>(percent) * kBarWidth / 100;
    m_pImageBar->SetRect(SkinRect{bar.left, bar.top, bar.left + width, bar.bottom});
    m_pImageBar->SetVisible(true);
    RedrawRect(bar.left, bar.top, bar.left + kBarWidth, bar.bottom, true);
    m_pTimeText->SetText(lib::FormatString("%u%c", static_cast<unsigned>(percent), '%'));
}

void CSilentInstallWindow::_CenterMessage()
{
    if (m_pMessageText == nullptr) return;
    m_pMessageText->SetVisible(false);
    m_pMessageText->SetRect(kMessageRect);
    const std::string text = m_pMessageText->GetText();
    const SkinSize size = m_pMessageText->CalcTextRect(text);
    // A text larger than the room starts at its top left rather than off to one side.
    const int32_t left = kMessageRect.left + std::max(0, (kMessageRect.Width() - size.cx) / 2);
    const int32_t top = kMessageRect.top + std::max(0, (kMessageRect.Height() - size.cy) / 2);
    m_pMessageText->SetRect(SkinRect{left, top, left + size.cx, top + size.cy});
    m_pMessageText->SetVisible(true);
}

// ---- the version check and the downloads ----

void CSilentInstallWindow::_OnVersionChecked(LPARAM lParam)
{
    if (lParam != 0) {
        m_uInstallIndex = 0;
        PostMessage(WM_CLOSE, 0, 0);
        return;
    }
    m_uUpdateMask = m_cDownLoadCtrl.CheckHaveNewVersion();
    if (m_uUpdateMask == 0) {
        m_uInstallIndex = 0;
        PostMessage(WM_CLOSE, 0, 0);
        return;
    }
    ::SetForegroundWindow(GetHwnd());
    ::SetActiveWindow(GetHwnd());
    ShowWindow(SW_SHOW);
}

void CSilentInstallWindow::_OnVerUpStart()
{
    if (m_bStartDLFlag) {
        TOLVE_LOG(LOG_INFO, "%s", "m_bStartDLFlag is true");
        return;
    }
    m_bStartDLFlag = true;
    SetButton(BUTTON_RUNNING, kCancel);
    m_uModulesToUpdate = 0;
    for (const VerUpModule& module : VERUP_MODULES) {
        if ((m_uUpdateMask & module.uUpdateBit) != 0) ++m_uModulesToUpdate;
    }
    _StartNextDownload();
}

void CSilentInstallWindow::_StartNextDownload()
{
    while (m_uDownloadIndex >= 1) {
        const uint32_t id = m_uDownloadIndex--;
        if ((m_uUpdateMask & Module(id).uUpdateBit) == 0) continue;
        ::SetTimer(GetHwnd(), kDownloadTimer, kDownloadPeriodMs, nullptr);
        if (!m_cDownLoadCtrl.StartDownload(id)) {
            // No package URL, or no thread: no progress would ever come.
            TOLVE_LOG(LOG_ERROR, "CSilentInstallWindow::_StartNextDownload StartDownload fail %u",
                      static_cast<unsigned>(id));
            PostMessage(m_uDownloadNotifyError, 0, 0);
        }
        break;
    }
    SetMessage(kDownloading);
    for (uint32_t id = 1; id <= VERUP_MODULE_COUNT; ++id) {
        CDownLoadWorker* worker = nullptr;
        if (m_cDownLoadCtrl.GetDownLoadWorker(id, worker)) {
            worker->SetNotifyWindow(GetHwnd(),
                                    lib::GetRegisteredMessage(VERUP_PROGRESS_MESSAGES[id - 1]));
        }
    }
}

void CSilentInstallWindow::_OnDownloadProgress(uint32_t module, WPARAM total, LPARAM bytes)
{
    // Any process can post these: a message without a total, before the downloads began,
    // for a module that is not downloaded or is complete already, moves nothing.
    CDownLoadWorker* worker = nullptr;
    if (total == 0 || !m_bStartDLFlag || m_uModulesToUpdate == 0 ||
        !m_cDownLoadCtrl.GetDownLoadWorker(module, worker) || m_abComplete[module - 1]) {
        return;
    }
    m_auBytes[module - 1] += static_cast<uint32_t>(bytes);
    m_uTotalSize = static_cast<uint32_t>(total);
    _UpdateProgress(module);
}

bool CSilentInstallWindow::_IsDownloadComplete(uint32_t module)
{
    const uint32_t bytes = m_auBytes[module - 1];
    if (bytes < m_uTotalSize) return false;
    // The client's last message comes only once the file is whole; with no Content-Length
    // each pass's bytes stand as the total, so only the file tells the last one.
    const std::string path = m_cDownLoadCtrl.GetDownloadFilePath(module);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (path.empty() || !::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    return data.nFileSizeHigh == 0 && data.nFileSizeLow == bytes;
}

void CSilentInstallWindow::_UpdateProgress(uint32_t module)
{
    uint32_t percent = m_uShownPercent;
    if (module != 0) {
        if (!m_bShareComputed) {
            ::KillTimer(GetHwnd(), kDownloadTimer);
            const uint32_t target = (m_uDownloadsCompleted + 1) * 100 / m_uModulesToUpdate;
            m_uShare = target > m_uShownPercent ? target - m_uShownPercent : 0;
            m_bShareComputed = true;
        }
        const uint64_t total = m_uTotalSize;
        const uint64_t bytes = std::min<uint64_t>(m_auBytes[module - 1], total);
        percent = m_uShownPercent + static_cast<uint32_t>(m_uShare * bytes / total);
        if (_IsDownloadComplete(module)) {
            m_abComplete[module - 1] = true;
            m_uShownPercent = std::min<uint32_t>(percent, 100);
            ++m_uDownloadsCompleted;
            if (m_uDownloadsCompleted < m_uModulesToUpdate) {
                ::SetTimer(GetHwnd(), kDownloadTimer, kDownloadPeriodMs, nullptr);
                m_bShareComputed = false;
                _StartNextDownload();
            }
        }
        ShowPercent(percent);
        if (m_abComplete[module - 1] && m_uDownloadsCompleted == m_uModulesToUpdate) {
            ::KillTimer(GetHwnd(), kDownloadTimer);
            m_uShownPercent = 0;
            SetMessage(kInstalling);
            _RequestInstall();
            m_pImageBar->SetVisible(false);
        }
        return;
    }

    if (m_uInstallPercent != 100) return;
    const uint32_t installs = _InstallCount();
    if (installs == 0) return;
    ++m_uInstallsCompleted;
    m_uShownPercent = std::min<uint32_t>(m_uInstallsCompleted * 100 / installs, 100);
    ::KillTimer(GetHwnd(), kInstallTimer);
    ShowPercent(m_uShownPercent);
    if (m_uShownPercent < 100) {
        _RequestInstall();
        return;
    }
    if ((m_uUpdateMask & Module(kLauncherModule).uUpdateBit) == 0) {
        SetButton(BUTTON_FINISHED, kFinish);
        SetMessage(kInstalled);
        m_uInstallIndex = 0;
    } else {
        SetButton(BUTTON_NEXT, kNext);
        SetMessage(kPressNext);
        m_uInstallIndex = kLauncherModule;
    }
}

uint32_t CSilentInstallWindow::_InstallCount() const
{
    const bool launcher = (m_uUpdateMask & Module(kLauncherModule).uUpdateBit) != 0;
    if (launcher && m_uDownloadsCompleted == 0) return 0;
    return m_uDownloadsCompleted - (launcher ? 1 : 0);
}

void CSilentInstallWindow::_OnDownloadError()
{
    ::KillTimer(GetHwnd(), kDownloadTimer);
    m_cDownLoadCtrl.StopAll();
    ShowMessageBox(GetHwnd(), kDownloadFailed, MB_OK | MB_ICONWARNING);
    PostMessage(WM_CLOSE, 0, 0);
}

void CSilentInstallWindow::_OnDownloadTimer()
{
    if (m_uModulesToUpdate == 0 || !_IsNetworkAlive()) return;
    const int32_t limit =
        static_cast<int32_t>((m_uDownloadsCompleted + 1) * 100 / m_uModulesToUpdate) - 5;
    if (static_cast<int32_t>(m_uShownPercent) < limit) {
        ++m_uShownPercent;
        ShowPercent(m_uShownPercent);
    }
}

// ---- the installs ----

CSilentInstallWindow::SendOutcome CSilentInstallWindow::_SendRequest(uint32_t kind,
                                                                    uint32_t module)
{
    const std::string path = m_cDownLoadCtrl.GetDownloadFilePath(module);
    if (path.empty()) return SEND_NO_PATH;
    COPYDATAINSTALL record = {};
    if (path.size() >= sizeof record.PathPackage) {
        TOLVE_LOG(LOG_ERROR, "CSilentInstallWindow::_SendRequest path too long %s",
                  path.c_str());
        return SEND_PATH_TOO_LONG;
    }
    record.APLType = static_cast<int32_t>(module);
    record.InstallType = (m_uUpdateMask & Module(module).uFirstInstallBit) != 0
                             ? INSTALLTYPE_INSTALL
                             : INSTALLTYPE_REINSTALL;
    record.ProgressWnd = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(GetHwnd()));
    record.ProgressMsg = m_uInstallNotifyProgress;
    std::memcpy(record.PathPackage, path.c_str(), path.size());
    // One byte more than the record is sent, as the updater has always been given; it comes
    // from a zeroed buffer, never from past the record.
    unsigned char buffer[kCopyDataInstallSentSize] = {};
    std::memcpy(buffer, &record, sizeof record);
    COPYDATASTRUCT data = {};
    data.dwData = kind;
    data.cbData = kCopyDataInstallSentSize;
    data.lpData = buffer;
    HWND updater = ::FindWindowA(kUpdaterClass, kUpdaterTitle);
    if (updater == nullptr) {
        TOLVE_LOG(LOG_ERROR, "%s", "CSilentInstallWindow::_SendRequest no updater window");
        return SEND_SENT;
    }
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutA(updater, WM_COPYDATA, reinterpret_cast<WPARAM>(GetHwnd()),
                          reinterpret_cast<LPARAM>(&data), SMTO_BLOCK, kRequestTimeoutMs,
                          &answer);
    return SEND_SENT;
}

void CSilentInstallWindow::_RequestInstall()
{
    while (m_uInstallIndex > 0 && (m_uUpdateMask & Module(m_uInstallIndex).uUpdateBit) == 0) {
        --m_uInstallIndex;
    }
    if (m_uInstallIndex == 0) return;
    if (m_bAskingCancel) {
        // The user is being asked whether to stop: nothing more goes to the updater until
        // the answer, and after an OK nothing at all.
        m_bInstallDeferred = true;
        return;
    }
    const uint32_t module = m_uInstallIndex;
    m_uInstallPercent = 0;
    m_bInstalling = true;
    switch (_SendRequest(MSG_REQUEST_INSTALL, module)) {
    case SEND_NO_PATH:
        m_bInstalling = false;
        return;
    case SEND_PATH_TOO_LONG:
        m_bInstalling = false;
        _OnDownloadError();
        return;
    case SEND_SENT:
        break;
    }
    if (module == kLauncherModule) {
        _PostOwner(WM_LAUNCHER_CHILD_CLOSED, CHILD_SILENT_INSTALL_HANDED_OVER);
    } else {
        ::SetTimer(GetHwnd(), kInstallTimer, kInstallPeriodMs, nullptr);
    }
}

void CSilentInstallWindow::_OnInstallProgress(WPARAM code)
{
    // Codes 0 to 3 only tell how the package goes. An end that no request of this window
    // asked for (any process can post the message) moves nothing.
    if (code != INSTALL_PROGRESS_END || !m_bInstalling || _InstallCount() == 0) return;
    m_bInstalling = false;
    m_uInstallPercent = 100;
    --m_uInstallIndex;
    _UpdateProgress(0);
}

void CSilentInstallWindow::_OnInstallTimer()
{
    const uint32_t installs = _InstallCount();
    if (installs == 0) return;
    const int32_t limit = static_cast<int32_t>((m_uInstallsCompleted + 1) * 100 / installs) - 3;
    if (static_cast<int32_t>(m_uShownPercent) < limit) {
        ++m_uShownPercent;
        ShowPercent(m_uShownPercent);
    }
}

void CSilentInstallWindow::_RequestCancelInstall()
{
    const bool launcher = (m_uUpdateMask & Module(kLauncherModule).uUpdateBit) != 0;
    if (m_uInstallIndex == 0 || (m_uInstallIndex == kLauncherModule && !launcher)) {
        _PostOwner(WM_LAUNCHER_VERUP_DONE, 0);
        _PostOwner(WM_LAUNCHER_CHILD_CLOSED, CHILD_SILENT_INSTALL);
        PostMessage(WM_CLOSE, 0, 0);
        return;
    }
    // Downloads and installs go on while the question stands; a package that becomes ready
    // meanwhile waits for the answer (_RequestInstall).
    m_bAskingCancel = true;
    m_bInstallDeferred = false;
    const int answer = ShowMessageBox(GetHwnd(), kCancelQuestion, MB_OKCANCEL);
    m_bAskingCancel = false;
    const bool deferred = m_bInstallDeferred;
    m_bInstallDeferred = false;
    if (answer != IDOK) {
        if (deferred && IsWindow()) _RequestInstall();
        return;
    }
    if (m_uInstallIndex >= 1 && m_uInstallIndex <= 3) {
        _SendRequest(MSG_REQUEST_CANCELINSTALL, m_uInstallIndex);
    }
    m_cDownLoadCtrl.StopAll();
    _PostOwner(WM_LAUNCHER_CHILD_CLOSED, CHILD_SILENT_INSTALL_HANDED_OVER);
    PostMessage(WM_CLOSE, 0, 0);
}

void CSilentInstallWindow::_OnCommandButton()
{
    switch (m_nButtonState) {
    case BUTTON_START:
        _StartUpdater();
        return;
    case BUTTON_RUNNING:
    case BUTTON_FINISHED:
        _RequestCancelInstall();
        return;
    case BUTTON_NEXT:
        _RequestInstall();
        return;
    default:
        return;
    }
}

void CSilentInstallWindow::_PostOwner(UINT message, WPARAM wParam)
{
    ::PostMessageA(m_hOwnerWnd, message, wParam, 0);
}

void CSilentInstallWindow::_StopAndNotifyOwner()
{
    m_cDownLoadCtrl.StopAll();
    if (m_uInstallIndex == 0) {
        _PostOwner(WM_LAUNCHER_VERUP_DONE, 0);
        _PostOwner(WM_LAUNCHER_CHILD_CLOSED, CHILD_SILENT_INSTALL);
    } else {
        _PostOwner(WM_LAUNCHER_CHILD_CLOSED, CHILD_SILENT_INSTALL_HANDED_OVER);
    }
}

void CSilentInstallWindow::_StartUpdater()
{
    if (!RunAPPMgr().StartApplication(APP_UPDATER, nullptr, SW_HIDE)) {
        TOLVE_LOG(LOG_ERROR, "%s", "CSilentInstallWindow::_StartUpdater StartApplication fail");
    }
}

bool CSilentInstallWindow::_IsNetworkAlive()
{
    typedef BOOL(WINAPI * IsNetworkAliveProc)(LPDWORD);
    HMODULE library = ::LoadLibraryA("sensapi.dll");
    if (library == nullptr) return true;
    auto isAlive = reinterpret_cast<IsNetworkAliveProc>(
        reinterpret_cast<void*>(::GetProcAddress(library, "IsNetworkAlive")));
    DWORD flags = 0;
    // Without the function nothing tells the network is down.
    const bool alive = isAlive == nullptr || isAlive(&flags) != FALSE;
    ::FreeLibrary(library);
    return alive;
}

// ---- window ----

UINT CSilentInstallWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

LRESULT CSilentInstallWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != 0 && message >= 0xC000) {
        if (message == m_uURLThreadProgress) {
            _OnVersionChecked(lParam);
            return 0;
        }
        const UINT progress[VERUP_MODULE_COUNT] = {m_uLancherProgress, m_uUpdateProgress,
                                                   m_uMaintenaceProgress, m_uPellickProgress};
        for (uint32_t id = 1; id <= VERUP_MODULE_COUNT; ++id) {
            if (message == progress[id - 1]) {
                _OnDownloadProgress(id, wParam, lParam);
                return 0;
            }
        }
        if (message == m_uInstallNotifyProgress) {
            _OnInstallProgress(wParam);
            return 0;
        }
        if (message == m_uNotifyError) {
            ::PostMessageA(m_hOwnerWnd, message, wParam, lParam);
            return 0;
        }
        if (message == m_uDownloadNotifyError) {
            _OnDownloadError();
            return 0;
        }
    }
    return Base::WindowProc(message, wParam, lParam);
}

void CSilentInstallWindow::OnCommand(UINT id, UINT code, HWND control)
{
    static const Command kCommands[] = {
        {&kCancelButton, &CSilentInstallWindow::_OnCommandButton},
        {&kCloseButton, &CSilentInstallWindow::_OnCloseButton},
        {&kMinimizeButton, &CSilentInstallWindow::_OnMinimizeButton},
    };
    if (!RunCommand(kCommands, id)) Base::OnCommand(id, code, control);
}

void CSilentInstallWindow::_OnCloseButton()
{
    // WM_CLOSE posts the notices again; the owner takes them twice.
    _StopAndNotifyOwner();
    PostClose();
}

void CSilentInstallWindow::_OnMinimizeButton() { ShowWindow(SW_MINIMIZE); }

void CSilentInstallWindow::OnTimer(UINT_PTR id)
{
    if (id == kDownloadTimer) {
        _OnDownloadTimer();
    } else if (id == kInstallTimer) {
        _OnInstallTimer();
    } else {
        Base::OnTimer(id);
    }
}

bool CSilentInstallWindow::OnSetCursor(LPARAM lParam)
{
    if (!::IsZoomed(GetHwnd())) {
        POINT point = {};
        ::GetCursorPos(&point);
        ScreenToClient(&point);
        CSkinWindowItem* item = FindItemFromPoint(point.x, point.y);
        if (item != nullptr &&
            (item->GetId() == kCloseButton.m_nId || item->GetId() == kCancelButton.m_nId)) {
            ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
            return true;
        }
    }
    return Base::OnSetCursor(lParam);
}

bool CSilentInstallWindow::PostItemCommand(int32_t id, int32_t event, LPARAM reserved)
{
    if (event == ITEM_EVENT_MOUSE_LEAVE) return false;
    return Base::PostItemCommand(id, event, reserved);
}

void CSilentInstallWindow::OnClose()
{
    _StopAndNotifyOwner();
    Base::OnClose();
}

void CSilentInstallWindow::OnDestroy()
{
    ::KillTimer(GetHwnd(), kDownloadTimer);
    ::KillTimer(GetHwnd(), kInstallTimer);
    if (m_hOwnerWnd != nullptr && ::IsWindow(m_hOwnerWnd)) {
        ::SetForegroundWindow(m_hOwnerWnd);
        ::SetActiveWindow(m_hOwnerWnd);
    }
    Base::OnDestroy();
}

} // namespace ui
