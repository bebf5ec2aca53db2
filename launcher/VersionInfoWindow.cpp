#include "launcher/VersionInfoWindow.h"

#include "lib/TolveLog.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemStatic.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace ui {

namespace VersionInfoWindowKey {
namespace {
uint16_t g_nKeyId = 2000;
} // namespace

const SkinItemKey kBase("Base", g_nKeyId);
const SkinItemKey kApplicationIcon("ApplicationIcon", g_nKeyId);
const SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
const SkinItemKey kCloseButton("CloseButton", g_nKeyId);
const SkinItemKey kTextStatic("TextStatic", g_nKeyId);
const SkinItemKey kLCTextState1("LCTextState1", g_nKeyId);
const SkinItemKey kLCTextState2("LCTextState2", g_nKeyId);
const SkinItemKey kDGTextState1("DGTextState1", g_nKeyId);
const SkinItemKey kDGTextState2("DGTextState2", g_nKeyId);
const SkinItemKey kMDTextState1("MDTextState1", g_nKeyId);
const SkinItemKey kMDTextState2("MDTextState2", g_nKeyId);
const SkinItemKey kPMTextState1("PMTextState1", g_nKeyId);
const SkinItemKey kPMTextState2("PMTextState2", g_nKeyId);
const SkinItemKey kProductText("ProductText", g_nKeyId);
} // namespace VersionInfoWindowKey

namespace {

using namespace VersionInfoWindowKey;

// Label and version text of each row, in the order of the programs.
const SkinItemKey* const kRowLabel[4] = {&kLCTextState1, &kDGTextState1, &kMDTextState1,
                                         &kPMTextState1};
const SkinItemKey* const kRowVersion[4] = {&kLCTextState2, &kDGTextState2, &kMDTextState2,
                                           &kPMTextState2};

// A label stands this far left of the widest version text, this wide.
const int32_t kLabelGap = 5;
const int32_t kLabelWidth = 20;

const char kTitle[] = "バージョン情報";
const char kVersionPrefix[] = "Ver.";

} // namespace

const char* const CVersionInfoWindow::kProgramFiles[4] = {
    "Launcher.exe", "Dapplegate.exe ", "Mendrill.exe", "PellickManager.exe"};

CVersionInfoWindow::CVersionInfoWindow(HWND owner)
    : Base(&kFrameOverlay, &kApplicationIcon, TOOL_SYSCOMMANDS_CLOSE_MOVE_MINIMIZE)
    , m_hOwner(owner)
    , m_pTextStatic(nullptr)
    , m_pVersionText{nullptr, nullptr, nullptr, nullptr}
    , m_bRevealed(false)
    , m_bSwallowClose(false)
{
    SetResizable(false);
}

CVersionInfoWindow::~CVersionInfoWindow()
{
    if (IsWindow()) DestroyWindow();
}

void CVersionInfoWindow::Run(HWND owner)
{
    CVersionInfoWindow window(owner);
    window.Create();
    window.ShowWindow(SW_SHOW);
    window.UpdateWindow();
    int exitCode = 0;
    if (lib::wfc::RunModalLoop(window.GetHwnd(), owner, nullptr, &exitCode)) {
        ::PostQuitMessage(exitCode);
    }
}

void CVersionInfoWindow::Create()
{
    BuildFromSkin();
    CreateHiddenWindow();
}

void CVersionInfoWindow::BuildFromSkin()
{
    SkinDefinition definition;
    LoadSkin(definition, "VersionInfoWindow.txt", kBase.m_strName.c_str(), true);
    // Drawn first, hit last: the texts lie on the picture, and every click reaches it.
    AddButton(definition, kCloseButton, CAPTION_ROLE_NONE);
    AddStatic(definition, kProductText);
    m_pTextStatic = AddStatic(definition, kTextStatic);
    for (size_t row = 0; row < 4; ++row) {
        AddStatic(definition, *kRowLabel[row])->SetVisible(false);
        m_pVersionText[row] = AddStatic(definition, *kRowVersion[row]);
    }
    CreateFrameOverlay(definition);
}

void CVersionInfoWindow::CreateHiddenWindow()
{
    const SkinSize size = GetDesignSize();
    Base::Create(0, nullptr, kTitle, kStyle, 0, 0, size.cx, size.cy, m_hOwner, nullptr);
    if (m_hOwner != nullptr) CenterWindow(m_hOwner);

    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    path[MAX_PATH - 1] = '\0';
    m_pTextStatic->SetText(kVersionPrefix + _GetFileVersion(path, false));
}

UINT CVersionInfoWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

// The window sees the press before the close button under it does.
void CVersionInfoWindow::OnLButtonDown(UINT keys, int x, int y)
{
    if (!m_bRevealed && _InRevealArea(x, y)) SetTimer(kRevealTimerId, kRevealDelay);
    Base::OnLButtonDown(keys, x, y);
}

void CVersionInfoWindow::OnLButtonUp(UINT keys, int x, int y)
{
    if (!m_bRevealed && _InRevealArea(x, y)) KillTimer(kRevealTimerId);
    Base::OnLButtonUp(keys, x, y);
}

void CVersionInfoWindow::OnTimer(UINT_PTR id)
{
    if (id != kRevealTimerId) {
        Base::OnTimer(id);
        return;
    }
    // The release of the held button comes next and is a click of the close button.
    m_bRevealed = true;
    m_bSwallowClose = true;
    char folder[MAX_PATH];
    lib::wfc::GetModuleDirectory(nullptr, folder);
    std::vector<std::string> versions;
    for (const char* file : kProgramFiles) {
        versions.push_back(_GetFileVersion(std::string(folder) + file, true));
    }
    ShowVersions(versions);
    KillTimer(kRevealTimerId);
}

void CVersionInfoWindow::OnCommand(UINT id, UINT code, HWND control)
{
    static const Command kCommands[] = {
        {&kCloseButton, &CVersionInfoWindow::_OnCloseButton},
    };
    if (!RunCommand(kCommands, id)) Base::OnCommand(id, code, control);
}

void CVersionInfoWindow::_OnCloseButton()
{
    if (m_bSwallowClose) {
        m_bSwallowClose = false;
        return;
    }
    PostClose();
}

void CVersionInfoWindow::OnEndSession(bool ending, LPARAM lParam)
{
    if (ending) {
        PostMessage(WM_CLOSE, 0, 0);
        if (m_hOwner != nullptr) ::PostMessageA(m_hOwner, WM_ENDSESSION, TRUE, lParam);
    }
    Base::OnEndSession(ending, lParam);
}

std::string CVersionInfoWindow::_GetFileVersion(const std::string& path, bool fourParts)
{
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return std::string();
    std::vector<char> data(size);
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, data.data())) {
        TOLVE_LOG(LOG_ERROR, "GetFileVersionInfoA %s ERR:0x%08X", path.c_str(),
                  static_cast<unsigned>(::GetLastError()));
        return std::string();
    }
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) ||
        info == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
        return std::string();
    }
    char text[64];
    if (fourParts) {
        std::snprintf(text, sizeof text, "%d.%d.%d.%d", HIWORD(info->dwFileVersionMS),
                      LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS),
                      LOWORD(info->dwFileVersionLS));
    } else {
        std::snprintf(text, sizeof text, "%d.%d.%d", HIWORD(info->dwFileVersionMS),
                      LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS));
    }
    return text;
}

bool CVersionInfoWindow::_InRevealArea(int x, int y)
{
    return x > kRevealArea.left && x < kRevealArea.right && y > kRevealArea.top &&
           y < kRevealArea.bottom;
}

void CVersionInfoWindow::ShowVersions(const std::vector<std::string>& versions)
{
    int32_t widest = 0;
    for (size_t row = 0; row < 4; ++row) {
        const std::string version = row < versions.size() ? versions[row] : std::string();
        m_pVersionText[row]->SetText(version);
        if (!version.empty()) {
            widest = std::max(widest, m_pVersionText[row]->CalcTextRect(version).cx);
        }
    }
    for (size_t row = 0; row < 4; ++row) {
        CSkinWindowItem* label = GetItemById(kRowLabel[row]->m_nId);
        if (label == nullptr) continue;
        const SkinRect text = m_pVersionText[row]->GetRect();
        const SkinRect old = label->GetRect();
        const int32_t right = text.right - widest - kLabelGap;
        label->SetRect(SkinRect{right - kLabelWidth, old.top, right, old.bottom});
        label->SetVisible(true);
    }
}

} // namespace ui
