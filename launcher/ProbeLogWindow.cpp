#include "launcher/ProbeLogWindow.h"

#include "launcher/LauncherSetting.h"
#include "launcher/UserDataFolder.h"
#include "lib/BlockShareMemHolder.h"
#include "lib/Handle.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "online/ProbeUpload.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "skin/SkinWindowItemScrollBar.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemStaticImage.h"
#include "skin/SkinWindowItemToggleButton.h"

#include <algorithm>

namespace ui {

namespace ProbeLogWindowKey {
namespace {
uint16_t g_nKeyId = 2000;
} // namespace

const SkinItemKey kBase("Base", g_nKeyId);
const SkinItemKey kApplicationIcon("ApplicationIcon", g_nKeyId);
const SkinItemKey kTitleKestrumBtn("TitleKestrumBtn", g_nKeyId);
const SkinItemKey kCloseButton("CloseButton", g_nKeyId);
const SkinItemKey kMinimizeButton("MinimizeButton", g_nKeyId);
const SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
const SkinItemKey kAutoBootCheckBox("AutoBootCheckBox", g_nKeyId);
const SkinItemKey kBackImage1("BackImage1", g_nKeyId);
const SkinItemKey kTextStatic("TextStatic", g_nKeyId);
const SkinItemKey kImageBack("ImageBack", g_nKeyId);
const SkinItemKey kImageBar("ImageBar", g_nKeyId);
const SkinItemKey kLogList("LogList", g_nKeyId);
const SkinItemKey kLogListScrollBar("LogListScrollBar", g_nKeyId);
} // namespace ProbeLogWindowKey

namespace {

using namespace ProbeLogWindowKey;

const char kTitle[] = "蓄積型プローブアップロード";
const char kColumnTitle[] = "名称";
const char kDateFormat[] = "%04d/%02d/%02d  %02d:%02d ";
const char kFailureFormat[] = "アップロードできませんでした(%08x)";

struct ProbeUploadStepText {
    uint32_t m_uStep;
    std::string m_strText;
};

const ProbeUploadStepText kStepTexts[] = {
    {PROBE_STEP_STARTED, "---- 蓄積型プローブアップロード開始----"},
    {PROBE_STEP_SCANNING, "SDカード内データ確認中..."},
    {PROBE_STEP_MERGING, "蓄積型プローブデータ読込中..."},
    {PROBE_STEP_CONSENTED, "アップロード準備中..."},
    {PROBE_STEP_CONSENT_REQUEST, "ヴェロセット利用登録確認中..."},
    {PROBE_STEP_UPLOAD_REQUEST, "アップロード実行中..."},
    {PROBE_STEP_COMPLETION_REQUEST, "蓄積型プローブ完了通知中..."},
    {PROBE_STEP_RESULT, "アップロード完了"},
    {PROBE_STEP_ENDED, "---- 蓄積型プローブアップロード終了状況----"},
    {PROBE_STEP_BRACKET, ""},
};

// The current user as the main window published it; empty when the block does not exist.
std::string ReadCurrentUser()
{
    char name[USER_AGENT_SHARE_MEM_SIZE] = {};
    CBlockShareMemHolder holder;
    if (!holder.GetUserAgent(name)) return std::string();
    return name;
}

// The file's lines as a text-mode read gives them (a CR before the LF dropped, a last line
// without its LF kept); more than `limit` lines answer false.
bool ReadLines(const std::string& path, std::string* lines, uint32_t limit, uint32_t* count)
{
    *count = 0;
    lib::CHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return true;
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read != 0) {
        text.append(buffer, read);
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (*count == limit) {
            *count = 0;
            return false;
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines[(*count)++] = line;
        start = end + 1;
    }
    return true;
}

} // namespace

const char CProbeLogWindow::kFileName[] = "ProbeLogInfo.info";

CProbeLogWindow::CProbeLogWindow(HWND owner)
    : Base(&kFrameOverlay, &kApplicationIcon, TOOL_SYSCOMMANDS_CLOSE_MOVE_MINIMIZE)
    , m_hOwner(owner)
    , m_pImageBar(nullptr)
    , m_pImageBack(nullptr)
    , m_pTextStatic(nullptr)
    , m_pAutoBootCheckBox(nullptr)
    , m_pLogList(nullptr)
    , m_pLogListScrollBar(nullptr)
    , m_uLineCount(0)
    , m_uNextLine(0)
    , m_bDisplayUpload(0)
    , m_bViewOnly(0)
    , m_bFinished(0)
    , m_uMaxPercent(0)
    , m_bLoaded(false)
    , m_bEndingSession(false)
    , m_bRunReporting(false)
    , m_uNotifyProgress(lib::GetRegisteredMessage("QZLNotifyProgress"))
    , m_uNotifyError(lib::GetRegisteredMessage("QZLNotifyError"))
    , m_uNotifyFinish(lib::GetRegisteredMessage("QZLNotifyFinish"))
{
    SetResizable(false);
}

CProbeLogWindow::~CProbeLogWindow()
{
    if (IsWindow()) DestroyWindow();
    if (!m_bLoaded) return;
    if (_IsOwnUserCurrent()) {
        CLauncherSetting& setting = CLauncherSetting::GetInstance();
        setting.SetDisplayUpload(m_bDisplayUpload != 0);
        setting.SetUploadCurrNum(m_uNextLine);
        setting.SetUploadTotNum(m_uLineCount);
    } else {
        // The record in memory is another user's now: this user's file takes the values.
        CLauncherSetting::StoreProbeHistory(m_strUserName, m_bDisplayUpload != 0, m_uNextLine,
                                            m_uLineCount);
    }
    _WriteFile();
}

std::string CProbeLogWindow::GetLogFilePath(const std::string& userName)
{
    return GetUserDataFolder(userName) + kFileName;
}

bool CProbeLogWindow::Create(bool viewOnly)
{
    m_bViewOnly = viewOnly ? 1 : 0;
    _LoadLog();
    return CreateFromSkin(&CProbeLogWindow::BuildFromSkin, &CProbeLogWindow::CreateHidden);
}

void CProbeLogWindow::BuildFromSkin()
{
    SkinDefinition definition;
    LoadSkin(definition, "ProbeLogWindow.txt", kBase.m_strName.c_str(), true);
    // The list's frame first: the list and its bar stand on it.
    AddResizableStaticImage(definition, kBackImage1);
    AddButton(definition, kApplicationIcon, CAPTION_ROLE_NONE);
    AddStaticImage(definition, kTitleKestrumBtn);
    SetImageHitTest(kTitleKestrumBtn, false);
    AddButton(definition, kCloseButton, CAPTION_ROLE_CLOSE);
    AddButton(definition, kMinimizeButton, CAPTION_ROLE_MINIMIZE);

    m_pAutoBootCheckBox = AddToggleButton(definition, kAutoBootCheckBox);
    m_pAutoBootCheckBox->SetAutoCheck(true);
    m_bDisplayUpload = CLauncherSetting::GetInstance().GetDisplayUpload() ? 1 : 0;
    _SetCheckBox();
    m_pTextStatic = AddStatic(definition, kTextStatic);
    m_pTextStatic->SetFormat(DT_SINGLELINE | DT_VCENTER);
    m_pTextStatic->SetVisible(true);

    m_pImageBack = AddStaticImage(definition, kImageBack);
    m_pImageBack->EnableStretch();
    m_pImageBack->SetRect(kBarRect);
    m_pImageBar = AddStaticImage(definition, kImageBar);
    m_pImageBar->EnableStretch();
    m_pImageBar->SetRect(SkinRect{kBarRect.left, kBarRect.top, kBarRect.left, kBarRect.bottom});

    m_pLogListScrollBar = CreateScrollBar(kLogListScrollBar.m_nId,
                                          GetSkinBlock(definition, kLogListScrollBar.m_strName));
    m_pLogListScrollBar->SetVisible(true);
    m_pLogList = new CButtonListView(this, kLogList.m_nId,
                                     GetSkinBlock(definition, kLogList.m_strName),
                                     GetImageCache(), m_pLogListScrollBar, this);
    m_pLogList->SetFitColumns(true);
    m_pLogList->ShowHeader(false);
    m_pLogList->AddColumn(kColumnTitle, kColumnFormat, kColumnWidth, true, false, false,
                          DT_VCENTER | DT_SINGLELINE);
    m_pLogList->SetTable(this);
    m_pLogList->RecalcColumns();
    m_pLogList->SetVisible(true);
    AddItem(m_pLogList);
    CreateFrameOverlay(definition);
}

void CProbeLogWindow::CreateHidden()
{
    const SkinSize size = GetDesignSize();
    Base::Create(0, nullptr, kTitle, kStyle, 0, 0, size.cx, size.cy, m_hOwner, nullptr);
    if (!IsWindow()) return;
    EnableIME(false);
    // Over the main window when it is shown; a hidden owner gives the desktop's middle.
    CenterWindow(m_hOwner != nullptr && ::IsWindowVisible(m_hOwner) ? m_hOwner : nullptr);
    if (m_uLineCount >= 1) _ShowNewest();
}

// ---- the history ----

bool CProbeLogWindow::_LoadLog()
{
    const CLauncherSetting& setting = CLauncherSetting::GetInstance();
    m_uLineCount = setting.GetUploadTotNum();
    m_uNextLine = setting.GetUploadCurrNum();
    m_strUserName = ReadCurrentUser();
    m_bLoaded = true;
    const std::string path = GetLogFilePath(m_strUserName);
    uint32_t read = 0;
    ReadLines(path, m_aLines, kRingSize, &read);
    // Lines are appended in order until the ring is full, so a count below 100 stands only
    // with the position right after it; any other pair would put new lines outside the rows
    // shown, and a position outside the ring would write outside it.
    const bool valid = read == m_uLineCount && m_uLineCount <= kRingSize &&
                       (m_uLineCount == kRingSize ? m_uNextLine < kRingSize
                                                  : m_uNextLine == m_uLineCount);
    if (valid) return true;
    ::DeleteFileA(path.c_str());
    m_uLineCount = 0;
    m_uNextLine = 0;
    return false;
}

void CProbeLogWindow::_WriteFile()
{
    // Emptied when it exists: the file is the new history alone.
    lib::CHandle file(::CreateFileA(GetLogFilePath(m_strUserName).c_str(), GENERIC_WRITE,
                                    FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return;
    for (uint32_t index = 0; index < m_uLineCount; ++index) {
        const std::string line = m_aLines[index] + "\n";
        DWORD written = 0;
        const BOOL ok = ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()),
                                    &written, nullptr);
        if (ok && written == 0) break;
        if (!ok || written < line.size()) {
            const DWORD error = ::GetLastError();
            file.Close();
            TOLVE_LOG(LOG_ERROR, "_WriteFile fail: 0x%08X", static_cast<uint32_t>(error));
            return;
        }
    }
}

// ---- the job's reports ----

void CProbeLogWindow::_OnProgress(uint32_t step, uint32_t result)
{
    if (result == 0) {
        if (step == PROBE_STEP_RESULT) _PostOwner(m_uNotifyProgress, 100, kJobType);
        if (step == PROBE_STEP_COMPLETION_REQUEST) {
            _PostOwner(m_uNotifyProgress, 66, kJobType);
            return;
        }
        if (step == PROBE_STEP_CONSENT_REQUEST) _PostOwner(m_uNotifyProgress, 33, kJobType);
    }
    // The job sends no other step; a report of one adds nothing.
    if (step >= sizeof kStepTexts / sizeof kStepTexts[0]) return;
    std::string& entry = m_aLines[m_uNextLine];
    if (step == PROBE_STEP_STARTED || step > PROBE_STEP_RESULT) {
        entry = kStepTexts[step].m_strText;
    } else {
        SYSTEMTIME now = {};
        ::GetLocalTime(&now);
        entry = lib::FormatString(kDateFormat, now.wYear, now.wMonth, now.wDay, now.wHour,
                                  now.wMinute);
        entry += result == 0 ? kStepTexts[step].m_strText
                             : lib::FormatString(kFailureFormat, result | kResultCategory);
    }
    m_uNextLine = (m_uNextLine + 1) % kRingSize;
    m_uLineCount = std::min(m_uLineCount + 1, kRingSize);
    _ShowNewest();
}

void CProbeLogWindow::_OnProgressBar(uint32_t percent)
{
    const SkinRect back = m_pImageBack->GetRect();
    if (percent == 0) {
        m_pImageBar->SetVisible(false);
        RedrawRect(back.left, back.top, back.right, back.bottom, true);
        return;
    }
    m_uMaxPercent = std::min(std::max(m_uMaxPercent, percent), 100u);
    const SkinRect bar = m_pImageBar->GetRect();
    const int32_t width = static_cast<int32_t>(m_uMaxPercent) * kBarWidth / 100;
    m_pImageBar->SetRect(SkinRect{bar.left, bar.top, bar.left + width, bar.bottom});
    m_pImageBar->SetVisible(true);
    RedrawRect(back.left, back.top, back.right, back.bottom, true);
}

void CProbeLogWindow::_OnAutoBootCheck()
{
    m_bDisplayUpload = m_pAutoBootCheckBox->OnMessage(ITEM_MESSAGE_GET_CHECK, 0, 0) == 0 ? 1 : 0;
    // Another user's record takes nothing; the destructor stores this user's value.
    if (_IsOwnUserCurrent()) CLauncherSetting::GetInstance().SetDisplayUpload(m_bDisplayUpload != 0);
}

void CProbeLogWindow::_ShowNewest()
{
    if (m_pLogList == nullptr) return;
    m_pLogList->UpdateRow(-1);
    ScrollItemBy(static_cast<int32_t>(m_uLineCount), m_pLogList, m_pLogListScrollBar);
}

void CProbeLogWindow::_SetCheckBox()
{
    m_pAutoBootCheckBox->OnMessage(ITEM_MESSAGE_SET_CHECK, m_bDisplayUpload == 0 ? 1 : 0, 0);
}

bool CProbeLogWindow::_IsOwnUserCurrent() const { return ReadCurrentUser() == m_strUserName; }

void CProbeLogWindow::_PostOwner(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_hOwner != nullptr) ::PostMessageA(m_hOwner, message, wParam, lParam);
}

// ---- the table ----

int32_t CProbeLogWindow::GetRowCount(CButtonListView*) { return static_cast<int32_t>(m_uLineCount); }
bool CProbeLogWindow::IsRowActive(CButtonListView*, int32_t) { return false; }
bool CProbeLogWindow::HasButton(CButtonListView*, int32_t, uint32_t) { return false; }
bool CProbeLogWindow::IsButtonOn(CButtonListView*, int32_t, uint32_t) { return false; }
int32_t CProbeLogWindow::GetButtonLabel(CButtonListView*, int32_t, uint32_t) { return -1; }

std::string CProbeLogWindow::GetCellText(CButtonListView*, int32_t row, int32_t column,
                                         const ButtonListViewTextFit&)
{
    if (column != 0 || row < 0 || static_cast<uint32_t>(row) >= m_uLineCount) return std::string();
    // A full ring starts with its oldest line, the one the next report overwrites.
    if (m_uLineCount < kRingSize) return m_aLines[row];
    return m_aLines[(m_uNextLine + static_cast<uint32_t>(row)) % kRingSize];
}

COLORREF CProbeLogWindow::GetCellTextColor(CButtonListView*, int32_t, int32_t) { return kTextColor; }
std::string CProbeLogWindow::GetCellToolTip(CButtonListView*, int32_t, int32_t) { return std::string(); }
int32_t CProbeLogWindow::GetMinColumnWidth(CButtonListView*) { return 0; }

std::wstring CProbeLogWindow::GetCellTextW(CButtonListView*, int32_t, int32_t,
                                           const ButtonListViewTextFit&)
{
    return std::wstring();
}

bool CProbeLogWindow::IsWideText(CButtonListView*) { return false; }

void CProbeLogWindow::OnLayoutChanged(CButtonListView*) {}
void CProbeLogWindow::OnPress(CButtonListView*, int32_t, int32_t, int32_t, bool) {}
void CProbeLogWindow::OnDoubleClick(CButtonListView*, int32_t, int32_t, int32_t, bool) {}
void CProbeLogWindow::OnButtonClick(CButtonListView*, int32_t, uint32_t) {}

// ---- window ----

UINT CProbeLogWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

LRESULT CProbeLogWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PROBEUPLOAD_STATUS:
        m_bRunReporting = true;
        _OnProgress(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
        return 0;
    case WM_PROBEUPLOAD_PERCENT:
        m_bRunReporting = true;
        _OnProgressBar(static_cast<uint32_t>(wParam));
        return 0;
    case WM_PROBEUPLOAD_SERVER:
    case WM_PROBEUPLOAD_NOTICE:
        _PostOwner(message, wParam, lParam);
        return 0;
    case kAutoShowMessage:
        // Another user's record says nothing about this history's user.
        if (_IsOwnUserCurrent()) {
            m_bDisplayUpload = CLauncherSetting::GetInstance().GetDisplayUpload() ? 1 : 0;
            _SetCheckBox();
        }
        return 0;
    case kNewNaviSdMessage:
        _PostOwner(message, 0, 0);
        return 0;
    default:
        break;
    }
    if (message != 0 && message == m_uNotifyFinish) {
        m_bFinished = 1;
        m_bRunReporting = false;
        _PostOwner(message, wParam, lParam);
    } else if (message != 0 && message == m_uNotifyError) {
        _PostOwner(message, wParam, lParam);
    }
    return Base::WindowProc(message, wParam, lParam);
}

void CProbeLogWindow::OnCommand(UINT id, UINT code, HWND control)
{
    static const Command kCommands[] = {
        {&kCloseButton, &CProbeLogWindow::PostClose},
        {&kAutoBootCheckBox, &CProbeLogWindow::_OnAutoBootCheck},
        {&kMinimizeButton, &CProbeLogWindow::_OnMinimize},
    };
    if (!RunCommand(kCommands, id)) Base::OnCommand(id, code, control);
}

void CProbeLogWindow::_OnMinimize() { ShowWindow(SW_SHOWMINNOACTIVE); }

bool CProbeLogWindow::FilterKey(UINT key, LPARAM)
{
    return key == VK_TAB && ::GetKeyState(VK_CONTROL) < 0;
}

void CProbeLogWindow::OnClose()
{
    // A window opened from the menu, or kept after an earlier run's end, may be the one a new
    // run reports to: it stays until that run's end too, or the run's reports, its end with
    // them, would be lost and its row left blinking.
    const bool running = (m_bViewOnly == 0 && m_bFinished == 0) || m_bRunReporting;
    if (running && !m_bEndingSession) {
        // The run goes on and its reports keep coming; the menu shows the window again.
        ShowWindow(SW_HIDE);
        if (m_hOwner != nullptr) {
            ::EnableWindow(m_hOwner, TRUE);
            ::SetForegroundWindow(m_hOwner);
            ::SetActiveWindow(m_hOwner);
        }
        return;
    }
    _PostOwner(kChildClosedMessage, kChildCode, 0);
    Base::OnClose();
}

void CProbeLogWindow::OnEndSession(bool ending, LPARAM lParam)
{
    if (ending) {
        // A window that only hid itself would keep the wait below from ever ending.
        m_bEndingSession = true;
        PostMessage(WM_CLOSE, 0, 0);
        _PostOwner(WM_ENDSESSION, ending ? 1 : 0, lParam);
    }
    Base::OnEndSession(ending, lParam);
}

} // namespace ui
