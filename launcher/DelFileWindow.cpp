#include "launcher/DelFileWindow.h"

#include "carddata/SDInfoMgr.h"
#include "launcher/DelDMInfoMsgWindow.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinWindowItemStatic.h"

namespace ui {

namespace DelFileWindowKey {
namespace {
uint16_t g_nKeyId = 4000;
} // namespace

const SkinItemKey kBase("Base", g_nKeyId);
const SkinItemKey kCancelButton("CancelButton", g_nKeyId);
const SkinItemKey kBackImage("BackImage", g_nKeyId);
const SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
const SkinItemKey kDelTextStatic("DelTextStatic", g_nKeyId);
} // namespace DelFileWindowKey

namespace {

using namespace DelFileWindowKey;

const char kTitle[] = "ケストラム設定 ";
const char* const kDotTexts[4] = {"ファイル削除中", "ファイル削除中.", "ファイル削除中..",
                                  "ファイル削除中..."};

// Deleted whole, in this order.
const char* const kDeletedFolders[] = {
    ":\\WEBDMDATA", ":\\NAVIDATA",  ":\\UPDATE", ":\\TRK500", ":\\TRK500_1", ":\\TRK500_2",
    ":\\HUD_VERUP\\only_pg_update", ":\\HUD_VERUP\\all_update",
};
const char kDeletedFile[] = ":\\NormalImage.bin";
// Emptied but kept, with the unit's link files in it.
const char kEmptiedFolder[] = ":\\PC";
const char* const kKeptFiles[] = {":\\PC\\NAVIINFO.DAT", ":\\PC\\EXDEVICE.DAT"};
const char kVideoFolder[] = ":\\VP_UNIT";

bool IsFolderW(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

const char CDelFileWindow::kAbortEventName[] = "Event_Delete_Flie_Abort";
const char CDelFileWindow::kVideoQuestion[] =
    "パソコンに取り込まれていないヴァーンペリックユニットで撮影された映像ファイルが存在します。"
    "\r\nこのまますべてのファイルを削除してもよろしいですか？\r\n\r\n"
    "※削除したファイルは復旧できませんのでご注意ください。\r\n"
    "※映像ファイルはペリックマネージャーで取り込むことができます。";

CDelFileWindow::CDelFileWindow(HWND owner, char driveLetter)
    : Base(&kFrameOverlay, nullptr, TOOL_SYSCOMMANDS_NONE)
    , m_hOwner(owner)
    , m_pDelText(nullptr)
    , m_uDots(0)
    , m_hDeleteThread(nullptr)
    , m_hAbortEvent(nullptr)
    , m_iVideoAnswer(0)
    , m_chDrive(driveLetter)
    , m_hWorkerWindow(nullptr)
{
    SetResizable(false);
}

CDelFileWindow::~CDelFileWindow()
{
    StopDeleteThread();
    if (m_hAbortEvent != nullptr) ::CloseHandle(m_hAbortEvent);
    if (IsWindow()) DestroyWindow();
}

void CDelFileWindow::Create()
{
    BuildFromSkin();
    CreateHiddenWindow();
    EnableIME(false);
    ShowWindow(SW_SHOW);
    if (m_hOwner != nullptr) CenterWindow(m_hOwner);
    UpdateWindow();
    StartDelete();
    int exitCode = 0;
    if (lib::wfc::RunModalLoop(GetHwnd(), m_hOwner, nullptr, &exitCode)) {
        ::PostQuitMessage(exitCode);
    }
}

void CDelFileWindow::BuildFromSkin()
{
    SkinDefinition definition;
    LoadSkin(definition, "DelFileWindow.txt", kBase.m_strName.c_str(), true);
    AddResizableStaticImage(definition, kBackImage);
    AddButton(definition, kCancelButton, CAPTION_ROLE_NONE);
    m_pDelText = AddStatic(definition, kDelTextStatic);
    m_pDelText->SetText(kDotTexts[0]);
    m_pDelText->SetVisible(false);
    CreateFrameOverlay(definition);
}

void CDelFileWindow::CreateHiddenWindow()
{
    const SkinSize size = GetDesignSize();
    Base::Create(0, nullptr, kTitle, kStyle, 0, 0, size.cx, size.cy, m_hOwner, nullptr);
    if (m_hOwner != nullptr) CenterWindow(m_hOwner);
}

void CDelFileWindow::StartDelete()
{
    m_pDelText->SetVisible(true);
    if (m_hDeleteThread != nullptr) return;
    if (m_hAbortEvent == nullptr) {
        m_hAbortEvent = ::CreateEventA(nullptr, TRUE, FALSE, kAbortEventName);
    }
    const std::string video = std::string(1, m_chDrive) + kVideoFolder;
    if (lib::PathIsDirectoryStr(video) && CSDInfoMgr::GetFolderSize(video) != 0) {
        ::SetWindowPos(GetHwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        CDelDMInfoMsgWindow box(true);
        m_iVideoAnswer = box.DoModal(GetHwnd(), kVideoQuestion, MB_YESNOCANCEL);
        if (m_iVideoAnswer == IDCANCEL) {
            PostMessage(WM_CLOSE, 0, 0);
            return;
        }
    }
    m_hWorkerWindow = GetHwnd();
    m_hDeleteThread = ::CreateThread(nullptr, 0, &DeleteThreadProc, this, 0, nullptr);
    if (m_hDeleteThread == nullptr) {
        const DWORD error = ::GetLastError();
        TOLVE_LOG(LOG_ERROR, "CDelFileWindow::StartDelete: CreateThread ERR:0x%08X",
                  static_cast<unsigned>(error));
        ::PostMessageA(m_hOwner, WM_DELFILE_FINISHED, error, 0);
        PostMessage(WM_CLOSE, 0, 0);
    }
}

bool CDelFileWindow::IsDeleting() const
{
    return m_hDeleteThread != nullptr && ::WaitForSingleObject(m_hDeleteThread, 0) == WAIT_TIMEOUT;
}

void CDelFileWindow::StopDeleteThread()
{
    if (m_hDeleteThread == nullptr) return;
    if (m_hAbortEvent != nullptr) ::SetEvent(m_hAbortEvent);
    ::WaitForSingleObject(m_hDeleteThread, INFINITE);
    ::CloseHandle(m_hDeleteThread);
    m_hDeleteThread = nullptr;
}

DWORD WINAPI CDelFileWindow::DeleteThreadProc(LPVOID parameter)
{
    return static_cast<CDelFileWindow*>(parameter)->_RunDelete();
}

uint32_t CDelFileWindow::_RunDelete()
{
    ::PostMessageA(m_hWorkerWindow, kAnimationMessage, 1, 0);
    uint32_t result = 0;
    // The card confirmed may have gone meanwhile; another card in its place is not deleted.
    const std::string root = std::string(1, m_chDrive) + ":\\";
    if (!lib::PathIsDirectoryStr(root)) {
        TOLVE_LOG(LOG_ERROR, "CDelFileWindow::DeleteThreadProc: no card at %s", root.c_str());
        result = ERROR_NOT_READY;
    } else {
        result = DeleteSDData(m_chDrive);
    }
    if (_IsAborted()) return kAborted;
    ::PostMessageA(m_hOwner, WM_DELFILE_FINISHED, result, 0);
    ::PostMessageA(m_hWorkerWindow, kAnimationMessage, 0, 0);
    ::PostMessageA(m_hWorkerWindow, WM_CLOSE, 0, 0);
    return 0;
}

bool CDelFileWindow::_IsAborted() const
{
    return m_hAbortEvent != nullptr && ::WaitForSingleObject(m_hAbortEvent, 0) == WAIT_OBJECT_0;
}

std::wstring CDelFileWindow::_CardPath(char driveLetter, const char* path)
{
    return lib::StringToWString(std::string(1, driveLetter) + path);
}

uint32_t CDelFileWindow::DeleteSDData(char driveLetter)
{
    for (const char* folder : kDeletedFolders) {
        const std::wstring path = _CardPath(driveLetter, folder);
        if (!IsFolderW(path)) continue;
        const uint32_t result = ClearSD(driveLetter, path, true);
        if (result != 0) return result;
    }
    const std::wstring file = _CardPath(driveLetter, kDeletedFile);
    if (::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (!::DeleteFileW(file.c_str())) return ::GetLastError();
    }
    const std::wstring pc = _CardPath(driveLetter, kEmptiedFolder);
    if (IsFolderW(pc)) {
        const uint32_t result = ClearSD(driveLetter, pc, false);
        if (result != 0) return result;
    }
    if (m_iVideoAnswer == IDYES) {
        const std::wstring video = _CardPath(driveLetter, kVideoFolder);
        if (IsFolderW(video)) {
            const uint32_t result = ClearSD(driveLetter, video, true);
            if (result != 0) return result;
        }
    }
    return 0;
}

uint32_t CDelFileWindow::ClearSD(char driveLetter, const std::wstring& folder, bool removeFolder)
{
    if (_IsAborted()) return kAborted;
    if (folder.empty()) return ERROR_PATH_NOT_FOUND;
    std::wstring base = folder;
    if (base.back() != L'\\') base += L'\\';
    WIN32_FIND_DATAW found = {};
    HANDLE find = ::FindFirstFileW((base + L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        TOLVE_LOG(LOG_ERROR, "CDelFileWindow::ClearSD: FindFirstFileW ERROR Path:%s",
                  lib::WStringToString(base).c_str());
        return ERROR_PATH_NOT_FOUND;
    }
    uint32_t result = 0;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::wstring path = base + name + (isFolder ? L"\\" : L"");
        bool kept = false;
        for (const char* keptFile : kKeptFiles) {
            if (::lstrcmpiW(path.c_str(), _CardPath(driveLetter, keptFile).c_str()) == 0) {
                kept = true;
            }
        }
        if (kept) continue;
        if (isFolder) {
            result = ClearSD(driveLetter, path, true);
        } else if (!::DeleteFileW(path.c_str())) {
            result = ::GetLastError();
        }
    } while (result == 0 && ::FindNextFileW(find, &found));
    ::FindClose(find);
    if (result != 0) return result;
    if (removeFolder && !::RemoveDirectoryW(base.c_str())) return ::GetLastError();
    return 0;
}

UINT CDelFileWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

LRESULT CDelFileWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kAnimationMessage) {
        if (wParam != 0) {
            SetTimer(TIMER_DELETE_ANIMATION, kAnimationPeriodMs);
        } else {
            KillTimer(TIMER_DELETE_ANIMATION);
        }
        return 0;
    }
    return Base::WindowProc(message, wParam, lParam);
}

void CDelFileWindow::OnCommand(UINT id, UINT code, HWND control)
{
    static const Command kCommands[] = {
        {&kCancelButton, &CDelFileWindow::PostClose},
    };
    if (!RunCommand(kCommands, id)) Base::OnCommand(id, code, control);
}

void CDelFileWindow::OnTimer(UINT_PTR id)
{
    if (id != TIMER_DELETE_ANIMATION) {
        Base::OnTimer(id);
        return;
    }
    StepAnimation();
}

void CDelFileWindow::StepAnimation()
{
    m_uDots = m_uDots >= 3 ? 0 : m_uDots + 1;
    m_pDelText->SetText(kDotTexts[m_uDots]);
}

void CDelFileWindow::OnDestroy()
{
    KillTimer(TIMER_DELETE_ANIMATION);
    if (m_hOwner != nullptr && ::IsWindow(m_hOwner)) {
        ::SetForegroundWindow(m_hOwner);
        ::SetActiveWindow(m_hOwner);
    }
    Base::OnDestroy();
}

void CDelFileWindow::OnEndSession(bool ending, LPARAM lParam)
{
    if (ending) {
        PostMessage(WM_CLOSE, 0, 0);
        if (m_hOwner != nullptr) ::PostMessageA(m_hOwner, WM_ENDSESSION, TRUE, lParam);
    }
    Base::OnEndSession(ending, lParam);
}

} // namespace ui
