#include "launcher/LogUploadWindow.h"

#include "launcher/LaunchWindowMessages.h"
#include "launcher/UserMessage.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "online/AplLogUpload.h"
#include "skin/SkinException.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemStaticImage.h"

namespace ui {

namespace LogUploadWindowKey {
namespace {
uint16_t g_nKeyId = 4000;
} // namespace

const SkinItemKey kBase("Base", g_nKeyId);
const SkinItemKey kCancelButton("CancelButton", g_nKeyId);
const SkinItemKey kBackImage("BackImage", g_nKeyId);
const SkinItemKey kImageBack("ImageBack", g_nKeyId);
const SkinItemKey kImageBar("ImageBar", g_nKeyId);
const SkinItemKey kTextStatic("TextStatic", g_nKeyId);
const SkinItemKey kPercentTextStatic("PercentTextStatic", g_nKeyId);
const SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
} // namespace LogUploadWindowKey

namespace {

using namespace LogUploadWindowKey;

const char kTitle[] = "ケストラム　ログアップロード";
const char kUploading[] = "アップロード中...";
const char kDone[] = "ログアップロードが完了しました。";
const char kFailed[] = "ログアップロードに失敗しました。";
const char kConsent[] =
    "ケストラム４のエラー情報、およびお客様の\r\nパソコン環境をハルヴォーン株式会社へ送信"
    "します。\r\n\r\nエラー情報　：ケストラム４が作成したエラー情報\r\nパソコン環境：OSの種"
    "類、バージョン/CPU/メモリ容量\r\n\r\n情報をアップロードして宜しいでしょうか。";
const char kOk[] = "OK";
// Where the outcome line stands once the bar is gone: in the middle of the frame.
const SkinRect kOutcomeRect = {20, 38, 580, 52};
const DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN;

} // namespace

CLogUploadWindow::CLogUploadWindow(HWND owner)
    : Base(&kFrameOverlay, nullptr, TOOL_SYSCOMMANDS_NONE)
    , m_hOwnerWnd(owner)
    , m_pPercentTextStatic(nullptr)
    , m_pTextStatic(nullptr)
    , m_pCancelButton(nullptr)
    , m_pImageBar(nullptr)
    , m_pImageBack(nullptr)
    , m_uCcid(0)
    , m_uPercent(0)
    , m_bFinished(false)
    , m_uResult(0)
    , m_bUploadDeleted(false)
{
    SetResizable(false);
}

CLogUploadWindow::~CLogUploadWindow()
{
    // A window still standing goes while the object can answer its last messages.
    if (IsWindow()) DestroyWindow();
}

void CLogUploadWindow::SetLogUploadInfo(const char* deviceNo, uint32_t ccid,
                                        const char* userAgent)
{
    if (deviceNo == nullptr || *deviceNo == '\0') {
        TOLVE_LOG(LOG_ERROR, "%s", "CLogUploadWindow::SetLogUploadInfo - DwvicwNo指定不正");
        return;
    }
    if (userAgent == nullptr || *userAgent == '\0') {
        TOLVE_LOG(LOG_ERROR, "%s", "CLogUploadWindow::SetLogUploadInfo - UserAgent指定不正");
        return;
    }
    if (ccid == 0) {
        TOLVE_LOG(LOG_ERROR, "%s", "CLogUploadWindow::SetLogUploadInfo - CCID指定不正");
        return;
    }
    m_strDeviceNo = deviceNo;
    m_uCcid = ccid;
    m_strUserAgent = userAgent;
}

bool CLogUploadWindow::Create(HWND owner)
{
    m_hOwnerWnd = owner;
    try {
        BuildFromSkin();
    } catch (const CSkinWindowException&) {
        return false;
    }
    CreateHidden(owner);
    if (!IsWindow()) return false;
    CAplLogUpload* upload = CAplLogUpload::GetInstance();
    m_bUploadDeleted = false;
    upload->SetNaviInfo(m_uCcid, m_strDeviceNo.c_str(), m_strUserAgent.c_str());
    _StartUpload(WM_LOGUPLOAD_PERMISSION, APLLOG_KIND_PERMISSION);
    return true;
}

void CLogUploadWindow::_StartUpload(UINT message, int32_t kind)
{
    CAplLogUpload* upload = CAplLogUpload::GetInstance();
    if (upload->Start(GetHwnd(), message, kind)) return;
    // No worker will ever report: its refusal stands as the result, so that the window
    // still ends (a check that cannot run closes silently, an upload shows its failure).
    const uint32_t refusal = upload->GetResult();
    PostMessage(message, refusal != 0 ? refusal : APLLOG_RESULT_THREAD,
                static_cast<LPARAM>(upload->GetLastSystemError()));
}

void CLogUploadWindow::BuildFromSkin()
{
    SkinDefinition definition;
    LoadSkin(definition, "LogUploadWindow.txt", kBase.m_strName.c_str(), true);
    m_pCancelButton = AddButton(definition, kCancelButton, CAPTION_ROLE_NONE);
    AddStaticImage(definition, kBackImage);
    m_pImageBack = AddStaticImage(definition, kImageBack);
    m_pImageBar = AddStaticImage(definition, kImageBar);
    m_pTextStatic = AddStatic(definition, kTextStatic);
    m_pPercentTextStatic = AddStatic(definition, kPercentTextStatic);
    CreateFrameOverlay(definition);
}

void CLogUploadWindow::CreateHidden(HWND owner)
{
    const SkinSize size = GetDesignSize();
    Base::Create(0, nullptr, kTitle, kStyle, 0, 0, size.cx, size.cy, owner, nullptr);
    if (!IsWindow()) return;
    m_pTextStatic->SetText(kUploading);
    m_pPercentTextStatic->SetText("0%");
    m_pImageBar->SetVisible(false);
}

void CLogUploadWindow::ShowPercent(uint32_t percent)
{
    const SkinRect track = m_pImageBack->GetRect();
    const int32_t width = static_cast<int32_t>(percent) * kBarWidth / 100;
    m_pImageBar->SetRect(SkinRect{track.left, track.top, track.left + width, track.bottom});
    m_pImageBar->SetVisible(true);
    RedrawRect(track.left, track.top, track.left + kBarWidth, track.bottom, true);
    m_pPercentTextStatic->SetText(lib::FormatString("%d%c", static_cast<int>(percent), '%'));
}

void CLogUploadWindow::ShowOutcome(bool failed)
{
    m_pImageBack->SetVisible(false);
    m_pImageBar->SetVisible(false);
    m_pPercentTextStatic->SetText("");
    m_pCancelButton->CalcTextRect(kOk, false);
    const SkinRect before = m_pTextStatic->GetRect();
    m_pTextStatic->SetRect(kOutcomeRect);
    RedrawRect(before.left, before.top, before.right, before.bottom, true);
    m_pTextStatic->SetText(failed ? kFailed : kDone);
    m_pTextStatic->SetVisible(true);
}

// ---- the steps ----

void CLogUploadWindow::_OnCheckPermission(WPARAM result)
{
    if (result != 0) {
        m_uResult = static_cast<uint32_t>(result) | kResultCategory;
        PostMessage(WM_CLOSE, 0, 0);
        return;
    }
    if (ShowMessageBox(GetHwnd(), kConsent, MB_YESNO) != IDYES) {
        PostMessage(WM_CLOSE, 0, 0);
        return;
    }
    ShowWindow(SW_SHOW);
    UpdateWindow();
    ::SetActiveWindow(GetHwnd());
    ::SetForegroundWindow(GetHwnd());
    CAplLogUpload* upload = CAplLogUpload::GetInstance();
    upload->SetNaviInfo(m_uCcid, m_strDeviceNo.c_str(), m_strUserAgent.c_str());
    _StartUpload(WM_LOGUPLOAD_FINISHED, APLLOG_KIND_UPLOAD);
    ::SetTimer(GetHwnd(), kProgressTimer, kProgressPeriodMs, nullptr);
}

void CLogUploadWindow::_OnProgressTimer()
{
    if (m_uPercent >= kWaitPercent && !m_bFinished) return;
    if (m_uPercent < 100) ++m_uPercent;
    ShowPercent(m_uPercent);
    if (m_uPercent >= 100) {
        ::KillTimer(GetHwnd(), kProgressTimer);
        _Result(0, 0);
    }
}

void CLogUploadWindow::_Result(WPARAM wParam, LPARAM lParam)
{
    if (m_bFinished && m_uPercent == 100) {
        ::KillTimer(GetHwnd(), kProgressTimer);
        ShowOutcome(m_uResult != 0);
    }
    if (m_bFinished && (wParam != 0 || lParam != 0)) {
        m_uResult = static_cast<uint32_t>(wParam) | kResultCategory;
        uint32_t style = 0;
        const std::string text =
            GetUserMessage(m_uResult, style, static_cast<int32_t>(static_cast<uint32_t>(lParam)));
        if (!text.empty()) ShowMessageBox(GetHwnd(), text, style);
    }
}

void CLogUploadWindow::_DeleteUpload()
{
    if (m_bUploadDeleted) return;
    // A worker that outlives the wait keeps its instance; it only posts to this window.
    CAplLogUpload::DeleteInstance();
    m_bUploadDeleted = true;
}

// ---- window ----

UINT CLogUploadWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

LRESULT CLogUploadWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LOGUPLOAD_PERMISSION:
        _OnCheckPermission(wParam);
        return 0;
    case WM_LOGUPLOAD_PROGRESS:
        // The bar does not follow the upload's own progress.
        UpdateWindow();
        return 0;
    case WM_LOGUPLOAD_FINISHED:
        m_bFinished = true;
        _Result(wParam, lParam);
        return 0;
    default:
        return Base::WindowProc(message, wParam, lParam);
    }
}

void CLogUploadWindow::OnCommand(UINT id, UINT code, HWND control)
{
    static const Command kCommands[] = {
        {&kCancelButton, &CLogUploadWindow::PostClose},
    };
    if (!RunCommand(kCommands, id)) Base::OnCommand(id, code, control);
}

void CLogUploadWindow::OnTimer(UINT_PTR id)
{
    if (id == kProgressTimer) {
        _OnProgressTimer();
        return;
    }
    Base::OnTimer(id);
}

void CLogUploadWindow::OnClose()
{
    ::PostMessageA(m_hOwnerWnd, WM_LAUNCHER_LOGUPLOAD_DONE, 0, 0);
    _DeleteUpload();
    Base::OnClose();
}

void CLogUploadWindow::OnDestroy()
{
    ::KillTimer(GetHwnd(), kProgressTimer);
    _DeleteUpload();
    if (m_hOwnerWnd != nullptr && ::IsWindow(m_hOwnerWnd)) {
        ::SetForegroundWindow(m_hOwnerWnd);
        ::SetActiveWindow(m_hOwnerWnd);
    }
    Base::OnDestroy();
}

} // namespace ui
