#include "launcher/DropWindow.h"

#include "carddata/SDInfoMgr.h"
#include "carddata/ZipIF.h"
#include "launcher/UserMessage.h"
#include "lib/Path.h"
#include "lib/TolveLog.h"
#include "skin/SkinWindowItemAnimation.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemDropWindow.h"
#include "skin/SkinWindowItemStaticImage.h"

#include <cstdio>

namespace ui {

namespace DropWindowKey {
namespace {
uint16_t g_nKeyId = 2000;
} // namespace

const SkinItemKey kBase("Base", g_nKeyId);
const SkinItemKey kApplicationIcon("ApplicationIcon", g_nKeyId);
const SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
const SkinItemKey kCloseButton("CloseButton", g_nKeyId);
const SkinItemKey kDropWindow("DropWindow", g_nKeyId);
const SkinItemKey kTextProgress("TextProgress", g_nKeyId);
const SkinItemKey kImageNormal("ImageNormal", g_nKeyId);
const SkinItemKey kImageDragIn("ImageDragIn", g_nKeyId);
const SkinItemKey kImageAnimation("ImageAnimation", g_nKeyId);
} // namespace DropWindowKey

const char CDropWindow::kArchiveName[] = "WEBDMDATA.ZIP";
const char CDropWindow::kDataFolder[] = "WEBDMDATA";
const char CDropWindow::kOverwriteText[] =
    "転送先に既にお出かけフォルダデータが存在します。\n\r上書きしてもよろしいですか？\n\r"
    "（前回のナビフォルダデータは削除されます）";
const char CDropWindow::kDoneText[] = "SDカードへのお出かけフォルダデータの転送が完了しました。";
const char CDropWindow::kFailedText[] =
    "ファイルが解凍できませんでした。ファイルが破損している可能性があります。お手数ですが、"
    "再度WEBからダウンロードしてください。";

namespace {

using namespace DropWindowKey;

static_assert(CDropWindow::kStyle == 0x820A0000, "the window's style");

const char kTitle[] = "DropWindow";
const char kLauncherTitle[] = "Kestrum4 Launcher";
const char kNoticeMessage[] = "QZLDropWindow";
// The one unzip job of the process, filled before its thread starts.
struct DropUnzipJob {
    char archivePath[MAX_PATH];
    char root[MAX_PATH];
    HANDLE abortEvent;
    HWND window;
};
DropUnzipJob g_unzipJob;

// Upper-cases a-z only: double-byte names are compared as bytes.
std::string UpperAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

} // namespace

CDropWindow::CDropWindow(HWND activateOnDestroy)
    : Base(&kFrameOverlay, &kApplicationIcon, TOOL_SYSCOMMANDS_CLOSE_MOVE_MINIMIZE)
    , m_hActivateWnd(activateOnDestroy)
    , m_pDropWindow(nullptr)
    , m_pImageNormal(nullptr)
    , m_pImageDragIn(nullptr)
    , m_pImageAnimation(nullptr)
    , m_pCloseButton(nullptr)
    , m_bDropAcceptable(false)
    , m_hUnzipThread(nullptr)
    , m_hAbortEvent(::CreateEventA(nullptr, FALSE, FALSE, nullptr))
    , m_uDropMessage(::RegisterWindowMessageA(kNoticeMessage))
{
    SetResizable(false);
}

CDropWindow::~CDropWindow()
{
    // WM_DESTROY waits for the worker, so the event is closed only once nobody uses it.
    if (IsWindow()) DestroyWindow();
    _ReleaseThread();
    if (m_hAbortEvent != nullptr) ::CloseHandle(m_hAbortEvent);
}

bool CDropWindow::Create()
{
    return CreateFromSkin(&CDropWindow::BuildFromSkin, &CDropWindow::CreateHidden);
}

void CDropWindow::BuildFromSkin()
{
    SkinDefinition definition;
    LoadSkin(definition, "DropWindow.txt", kBase.m_strName.c_str(), true);
    AddStaticImage(definition, kApplicationIcon);
    m_pCloseButton = AddButton(definition, kCloseButton, CAPTION_ROLE_CLOSE);
    AddStatic(definition, kTextProgress);
    m_pImageNormal = AddStaticImage(definition, kImageNormal);
    m_pImageDragIn = AddStaticImage(definition, kImageDragIn);
    m_pImageDragIn->SetVisible(false);
    m_pImageAnimation = AddAnimation(definition, kImageAnimation);
    m_pImageAnimation->Stop();
    m_pImageAnimation->SetVisible(false);
    m_pDropWindow = AddDropWindow(definition, kDropWindow);
    CreateFrameOverlay(definition);
}

void CDropWindow::CreateHidden()
{
    const SkinSize size = GetDesignSize();
    Base::Create(WS_EX_LAYERED, nullptr, kTitle, kStyle, 0, 0, size.cx, size.cy, nullptr,
                 nullptr);
    if (!IsWindow()) return;
    ::SetLayeredWindowAttributes(GetHwnd(), 0, kAlpha, LWA_ALPHA);
    EnableIME(false);
    if (m_pDropWindow->GetDropWindow() != nullptr) {
        ::ShowWindow(m_pDropWindow->GetDropWindow(), SW_SHOW);
    }
}

void CDropWindow::NotifyLauncher(WPARAM state)
{
    const HWND launcher = ::FindWindowA(nullptr, kLauncherTitle);
    if (launcher != nullptr) ::SendMessageA(launcher, m_uDropMessage, state, 0);
}

// ---- the drag ----

bool CDropWindow::_IsArchive(const std::vector<std::string>* files)
{
    if (files == nullptr || files->empty()) return false;
    std::string name = lib::PathFindFileNameStr(files->front());
    if (name.size() > MAX_PATH) name.resize(MAX_PATH);
    return UpperAscii(name) == kArchiveName;
}

// The active card's letter when a drop may go onto it; 0 otherwise. A card at Z is refused.
char CDropWindow::_GetAcceptedCard()
{
    CSDInfoMgr info;
    const char letter = info.GetSelectedDrive();
    return letter >= 'B' && letter <= 'Y' ? letter : 0;
}

LRESULT CDropWindow::_OnDragEnter(const std::vector<std::string>* files)
{
    m_bDropAcceptable = _IsArchive(files) && _GetAcceptedCard() != 0;
    return m_bDropAcceptable ? 1 : 0;
}

LRESULT CDropWindow::_OnDragOver(DWORD* effect)
{
    if (effect != nullptr) *effect = DROPEFFECT_COPY;
    m_pImageDragIn->SetVisible(true);
    return 1;
}

void CDropWindow::_OnDragLeave()
{
    m_pImageDragIn->SetVisible(false);
}

LRESULT CDropWindow::_OnDrop(const std::vector<std::string>* files)
{
    // The job record holds one unpacking; the target is hidden meanwhile anyway.
    if (m_hUnzipThread != nullptr) return 0;
    if (!_IsArchive(files)) {
        m_pImageDragIn->SetVisible(false);
        return 0;
    }
    const char card = _GetAcceptedCard();
    if (card == 0) return 0;
    char root[MAX_PATH];
    std::snprintf(root, sizeof root, "%c:\\", card);
    const std::string folder = std::string(root) + kDataFolder + "\\";
    if (lib::GetFolderSize(folder) > 0 &&
        ShowMessageBox(GetHwnd(), kOverwriteText, MB_OKCANCEL) != IDOK) {
        m_pImageDragIn->SetVisible(false);
        return 0;
    }
    m_pImageDragIn->SetVisible(false);
    if (m_pDropWindow->GetDropWindow() != nullptr) {
        ::ShowWindow(m_pDropWindow->GetDropWindow(), SW_HIDE);
    }
    m_pImageAnimation->SetVisible(true);
    m_pImageAnimation->Start();
    lib::DeleteFolder(folder.c_str(), true);

    // Copies always end within their fields: a longer path then simply fails to open.
    std::snprintf(g_unzipJob.archivePath, sizeof g_unzipJob.archivePath, "%s",
                  files->front().c_str());
    std::snprintf(g_unzipJob.root, sizeof g_unzipJob.root, "%s", root);
    g_unzipJob.abortEvent = m_hAbortEvent;
    g_unzipJob.window = GetHwnd();
    m_pCloseButton->SetVisible(false);
    NotifyLauncher(0);
    ::ResetEvent(m_hAbortEvent);
    m_hUnzipThread = ::CreateThread(nullptr, 0, &CDropWindow::UnzipThreadProc, nullptr, 0, nullptr);
    if (m_hUnzipThread == nullptr) {
        TOLVE_LOG(LOG_ERROR, "CDropWindow::_OnDrop - CreateThread 失敗 ERR:0x%08X",
                  static_cast<unsigned>(::GetLastError()));
        // No worker will report: the end comes as its failure would.
        PostMessage(WM_DROP_UNZIP_FAILED, 0, 0);
    }
    return 1;
}

DWORD WINAPI CDropWindow::UnzipThreadProc(LPVOID)
{
    CZipIF zip;
    if (zip.UnZip(g_unzipJob.archivePath, g_unzipJob.root, g_unzipJob.abortEvent, kDataFolder)) {
        ::PostMessageA(g_unzipJob.window, WM_DROP_UNZIP_DONE, 0, 0);
        return 1;
    }
    TOLVE_LOG(LOG_ERROR, "CDropWindow::UnzipThreadProc - UnZip 失敗 PATH:%s ERR:0x%08X",
              g_unzipJob.archivePath, static_cast<unsigned>(zip.GetError()));
    const std::string folder = std::string(g_unzipJob.root) + kDataFolder + "\\";
    if (lib::PathIsDirectoryStr(folder)) lib::DeleteFolder(folder.c_str(), true);
    ::PostMessageA(g_unzipJob.window, WM_DROP_UNZIP_FAILED, 0, 0);
    return 0;
}

void CDropWindow::_OnUnzipEnd(bool done)
{
    // The worker posts as its last act.
    _ReleaseThread();
    m_pImageAnimation->Stop();
    if (done) {
        ShowMessageBox(GetHwnd(), kDoneText, MB_OK);
    } else {
        ShowMessageBox(GetHwnd(), kFailedText, MB_OK | MB_ICONWARNING);
    }
    m_pImageAnimation->SetVisible(false);
    if (m_pDropWindow->GetDropWindow() != nullptr) {
        ::ShowWindow(m_pDropWindow->GetDropWindow(), SW_SHOW);
    }
    m_pCloseButton->SetVisible(true);
    NotifyLauncher(1);
}

void CDropWindow::_ReleaseThread()
{
    if (m_hUnzipThread == nullptr) return;
    ::WaitForSingleObject(m_hUnzipThread, INFINITE);
    ::CloseHandle(m_hUnzipThread);
    m_hUnzipThread = nullptr;
}

// ---- window ----

UINT CDropWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

LRESULT CDropWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SKINITEM_DRAGENTER:
        return _OnDragEnter(reinterpret_cast<const std::vector<std::string>*>(wParam));
    case WM_SKINITEM_DRAGOVER:
        return _OnDragOver(reinterpret_cast<DWORD*>(lParam));
    case WM_SKINITEM_DRAGLEAVE:
        _OnDragLeave();
        return 0;
    case WM_SKINITEM_DROP:
        return _OnDrop(reinterpret_cast<const std::vector<std::string>*>(wParam));
    case WM_DROP_UNZIP_DONE:
    case WM_DROP_UNZIP_FAILED:
        // A message of a worker already waited for at destruction finds no thread.
        if (m_hUnzipThread != nullptr) _OnUnzipEnd(message == WM_DROP_UNZIP_DONE);
        return 0;
    default:
        return Base::WindowProc(message, wParam, lParam);
    }
}

void CDropWindow::OnCommand(UINT id, UINT code, HWND control)
{
    static const Command kCommands[] = {
        {&kCloseButton, &CDropWindow::PostClose},
    };
    if (!RunCommand(kCommands, id)) Base::OnCommand(id, code, control);
}

void CDropWindow::OnDefaultKey(int32_t, bool enter)
{
    if (enter) return;
    if (::IsWindowEnabled(GetHwnd()) && m_pCloseButton->IsEnabled() &&
        m_pCloseButton->IsVisible()) {
        PostMessage(WM_COMMAND, kCloseButton.m_nId, 0);
    }
}

// Closing only hides: the main window shows the same window again.
void CDropWindow::OnClose()
{
    ::SetEvent(m_hAbortEvent);
    ShowWindow(SW_HIDE);
}

void CDropWindow::OnDestroy()
{
    ::SetEvent(m_hAbortEvent);
    // Without limit: the worker reads the job record and the abort event, which go with this
    // object. It tests the event before every entry and every written piece, so it ends soon.
    const bool wasUnzipping = m_hUnzipThread != nullptr;
    _ReleaseThread();
    ShowWindow(SW_HIDE);
    if (wasUnzipping) NotifyLauncher(1);
    if (m_hActivateWnd != nullptr && ::IsWindow(m_hActivateWnd)) {
        ::SetForegroundWindow(m_hActivateWnd);
        ::SetActiveWindow(m_hActivateWnd);
    }
    Base::OnDestroy();
}

} // namespace ui
