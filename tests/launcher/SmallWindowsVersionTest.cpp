// The version information window in the product folder, beside the stand-ins of the sibling
// tools: the launcher's version line, the long press that reveals the four versions (its
// timer posted, and twice the real one), and the ways it closes.

#include "launcher/VersionInfoWindow.h"
#include "lib/wfc/DC.h"
#include "skin/SkinWindowItemStatic.h"
#include "tests/launcher/SmallWindowsSupport.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using smallwindows::COwnerWindow;
using ui::CVersionInfoWindow;
namespace key = ui::VersionInfoWindowKey;

const ui::SkinItemKey* const kLabels[4] = {&key::kLCTextState1, &key::kDGTextState1,
                                           &key::kMDTextState1, &key::kPMTextState1};
const ui::SkinItemKey* const kVersions[4] = {&key::kLCTextState2, &key::kDGTextState2,
                                             &key::kMDTextState2, &key::kPMTextState2};
// The programs by the names the files have (the window asks for "Dapplegate.exe " with its
// blank, which Windows drops).
const char* const kFiles[4] = {"Launcher.exe", "Dapplegate.exe", "Mendrill.exe",
                               "PellickManager.exe"};

// The test's own reading of a file's fixed version.
std::string FileVersion(const std::string& path, bool fourParts)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return std::string();
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length)) {
        return std::string();
    }
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u", HIWORD(info->dwFileVersionMS),
                  LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS));
    std::string version = text;
    if (fourParts) version += "." + std::to_string(LOWORD(info->dwFileVersionLS));
    return version;
}

ui::CSkinWindowItemStatic* Text(CVersionInfoWindow& window, const ui::SkinItemKey& item)
{
    return dynamic_cast<ui::CSkinWindowItemStatic*>(window.GetItemById(item.m_nId));
}

int32_t TextWidth(const LOGFONTA& logFont, const std::string& text)
{
    lib::wfc::CFont font(&logFont);
    lib::wfc::CMemDC memory(nullptr);
    HGDIOBJ old = SelectObject(memory.GetHDC(), font.GetHandle());
    RECT rect = {0, 0, 120, 0};
    DrawTextA(memory.GetHDC(), text.c_str(), -1, &rect, DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    SelectObject(memory.GetHDC(), old);
    return rect.right - rect.left;
}

// A press or release at a client point, sent as the mouse delivers it.
void Press(CVersionInfoWindow& window, int x, int y)
{
    window.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, skintest::ClientPoint(x, y));
}
void Release(CVersionInfoWindow& window, int x, int y)
{
    window.SendMessage(WM_LBUTTONUP, 0, skintest::ClientPoint(x, y));
}
void Click(CVersionInfoWindow& window, int x, int y)
{
    Press(window, x, y);
    Release(window, x, y);
}

// The emblem's middle, where a press arms the reveal.
const int kEmblemX = 62;
const int kEmblemY = 83;

class VersionInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pWindow.reset(new CVersionInfoWindow(m_owner.GetHwnd()));
        m_pWindow->Create();
        ASSERT_TRUE(m_errors.Messages().empty());
        m_pWindow->ShowWindow(SW_SHOWNA);
        m_hWnd = m_pWindow->GetHwnd();
    }
    void TearDown() override { m_pWindow.reset(); }

    // The rows as shown: "label|version" each, "-" for a hidden label.
    void ExpectRows(const std::vector<std::string>& versions)
    {
        int32_t widest = 0;
        for (size_t row = 0; row < 4; ++row) {
            ui::CSkinWindowItemStatic* version = Text(*m_pWindow, *kVersions[row]);
            ASSERT_NE(nullptr, version);
            EXPECT_EQ(versions[row], version->GetText()) << kFiles[row];
            if (!versions[row].empty()) {
                widest = std::max(widest, TextWidth(version->GetLogFont(), versions[row]));
            }
        }
        for (size_t row = 0; row < 4; ++row) {
            ui::CSkinWindowItemStatic* label = Text(*m_pWindow, *kLabels[row]);
            const ui::SkinRect version = Text(*m_pWindow, *kVersions[row])->GetRect();
            ASSERT_NE(nullptr, label);
            EXPECT_TRUE(label->IsVisible()) << kFiles[row];
            EXPECT_EQ(380, version.right);
            EXPECT_EQ(version.right - widest - 25, label->GetRect().left) << kFiles[row];
            EXPECT_EQ(version.right - widest - 5, label->GetRect().right) << kFiles[row];
            EXPECT_EQ(version.top, label->GetRect().top) << kFiles[row];
            EXPECT_EQ(12, label->GetRect().Height()) << kFiles[row];
        }
    }

    std::vector<std::string> ProductVersions() const
    {
        std::vector<std::string> versions;
        for (const char* file : kFiles) versions.push_back(FileVersion(m_product.File(file), true));
        return versions;
    }

    launchertest::CProductFolder m_product;
    COwnerWindow m_owner;
    skintest::CSkinErrorCollector m_errors;
    std::unique_ptr<CVersionInfoWindow> m_pWindow;
    HWND m_hWnd = nullptr;
};

TEST_F(VersionInfo, ShowsTheProgramsOwnVersionInThreeParts)
{
    ASSERT_EQ("4.5.16", FileVersion(testsupport::ProgramFolder() + "launcher_small_windows_test.exe",
                                    false));
    EXPECT_EQ("Ver.4.5.16", Text(*m_pWindow, key::kTextStatic)->GetText());
    EXPECT_EQ("バージョン情報", m_pWindow->GetWindowText());
    EXPECT_EQ(m_owner.GetHwnd(), GetWindow(m_hWnd, GW_OWNER));
    for (const ui::SkinItemKey* label : kLabels) {
        EXPECT_FALSE(Text(*m_pWindow, *label)->IsVisible()) << label->m_strName;
    }
    EXPECT_FALSE(m_pWindow->IsRevealed());
}

TEST_F(VersionInfo, AHeldPressRevealsTheFourVersionsAndItsReleaseIsSwallowed)
{
    const std::vector<std::string> versions = ProductVersions();
    // The stand-ins carry versions, and so does the launcher's test build.
    if (m_product.HasLauncher()) {
        ASSERT_FALSE(versions[0].empty());
    }
    ASSERT_FALSE(versions[1].empty());
    ASSERT_FALSE(versions[2].empty());
    ASSERT_FALSE(versions[3].empty());

    Press(*m_pWindow, kEmblemX, kEmblemY);
    m_pWindow->PostMessage(WM_TIMER, CVersionInfoWindow::kRevealTimerId, 0);
    smallwindows::PumpFor(0);
    ASSERT_TRUE(m_pWindow->IsRevealed());
    // The reveal ended its timer.
    EXPECT_FALSE(KillTimer(m_hWnd, CVersionInfoWindow::kRevealTimerId));
    ExpectRows(versions);

    Release(*m_pWindow, kEmblemX, kEmblemY);
    smallwindows::PumpFor(100);
    EXPECT_TRUE(IsWindow(m_hWnd)) << "the release of the revealing press closed the window";
    EXPECT_FALSE(m_pWindow->IsSwallowingClose());

    // Revealed, a press on the emblem arms nothing; the next click closes.
    Press(*m_pWindow, kEmblemX, kEmblemY);
    EXPECT_FALSE(KillTimer(m_hWnd, CVersionInfoWindow::kRevealTimerId));
    Release(*m_pWindow, kEmblemX, kEmblemY);
    EXPECT_TRUE(smallwindows::PumpUntilGone(m_hWnd));
}

TEST_F(VersionInfo, AToolThatIsNotInstalledShowsAnEmptyVersion)
{
    std::vector<std::string> versions = ProductVersions();
    launchertest::CProgramSwap away = m_product.Remove("Mendrill.exe");
    ASSERT_TRUE(away.Swapped());
    versions[2].clear();
    m_pWindow->PostMessage(WM_TIMER, CVersionInfoWindow::kRevealTimerId, 0);
    smallwindows::PumpFor(0);
    ExpectRows(versions);
}

TEST_F(VersionInfo, AClickAnywhereCloses)
{
    Click(*m_pWindow, 300, 30);
    EXPECT_TRUE(smallwindows::PumpUntilGone(m_hWnd));
    EXPECT_FALSE(m_pWindow->IsRevealed());
}

// A press outside the emblem arms nothing.
TEST_F(VersionInfo, APressBesideTheEmblemArmsNothing)
{
    for (const POINT& at : {POINT{44, 83}, POINT{80, 83}, POINT{62, 65}, POINT{62, 101},
                            POINT{200, 83}}) {
        Press(*m_pWindow, at.x, at.y);
        EXPECT_FALSE(KillTimer(m_hWnd, CVersionInfoWindow::kRevealTimerId)) << at.x << "," << at.y;
        m_pWindow->SendMessage(WM_CANCELMODE, 0, 0);
        ReleaseCapture();
        smallwindows::PumpFor(0);
    }
    Press(*m_pWindow, 45, 66);
    EXPECT_TRUE(KillTimer(m_hWnd, CVersionInfoWindow::kRevealTimerId));
}

TEST_F(VersionInfo, ClosesByItsIconBySystemCommandAndAtTheEndOfTheSession)
{
    EXPECT_TRUE(m_pWindow->PostItemCommand(key::kApplicationIcon.m_nId, ui::ITEM_EVENT_LEFT_DBLCLK, 0));
    EXPECT_TRUE(smallwindows::PumpUntilGone(m_hWnd));

    SetUp();
    m_pWindow->PostMessage(WM_COMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(smallwindows::PumpUntilGone(m_hWnd));

    // The session's end: the window closes itself, tells its owner, and waits until it is gone.
    SetUp();
    m_owner.Take();
    m_pWindow->SendMessage(WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(IsWindow(m_hWnd));
    smallwindows::PumpFor(0);
    EXPECT_EQ(smallwindows::ToString({{WM_ENDSESSION, 1, 0x80000000u}}),
              smallwindows::ToString(m_owner.Take()));
}

// The modal run, ended by a click from a thread timer that fires inside its loop.
struct ModalSeen {
    HWND window = nullptr;
    bool visible = false;
    bool ownerEnabled = true;
};
ModalSeen g_modal;
HWND g_hModalOwner = nullptr;
bool g_bGuardFired = false;

void CALLBACK ClickTheModalWindow(HWND, UINT, UINT_PTR id, DWORD)
{
    // Not there yet: the timer fires again.
    const HWND window = FindWindowA(nullptr, "バージョン情報");
    if (window == nullptr) return;
    KillTimer(nullptr, id);
    g_modal.window = window;
    g_modal.visible = IsWindowVisible(g_modal.window) != FALSE;
    g_modal.ownerEnabled = IsWindowEnabled(g_hModalOwner) != FALSE;
    SendMessageA(g_modal.window, WM_LBUTTONDOWN, MK_LBUTTON, skintest::ClientPoint(300, 30));
    SendMessageA(g_modal.window, WM_LBUTTONUP, 0, skintest::ClientPoint(300, 30));
}

// A guard: a window the click missed ends here, so that the test fails instead of hanging.
void CALLBACK CloseTheModalWindow(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_bGuardFired = true;
    HWND window = FindWindowA(nullptr, "バージョン情報");
    if (window != nullptr) DestroyWindow(window);
}

TEST(VersionInfoModal, RunsModallyOverItsOwnerUntilClosed)
{
    COwnerWindow owner;
    g_hModalOwner = owner.GetHwnd();
    g_modal = ModalSeen();
    g_bGuardFired = false;
    const UINT_PTR click = SetTimer(nullptr, 0, 100, &ClickTheModalWindow);
    const UINT_PTR guard = SetTimer(nullptr, 0, 60000, &CloseTheModalWindow);
    skintest::CSkinErrorCollector errors;
    CVersionInfoWindow::Run(owner.GetHwnd());
    KillTimer(nullptr, click);
    KillTimer(nullptr, guard);
    EXPECT_FALSE(g_bGuardFired) << "ended by the guard";
    EXPECT_TRUE(errors.Messages().empty());
    ASSERT_NE(nullptr, g_modal.window);
    EXPECT_TRUE(g_modal.visible);
    EXPECT_FALSE(g_modal.ownerEnabled);
    EXPECT_FALSE(IsWindow(g_modal.window));
    EXPECT_TRUE(IsWindowEnabled(owner.GetHwnd()));
    EXPECT_FALSE(testsupport::TakeQuit());
}

// On the real timer: five seconds reveal, not fewer; a release before them is a click that
// closes the window, the timer killed before it could fire. Nothing is pumped between that
// press and its release, so the timer cannot fire in between however long they take.
TEST_F(VersionInfo, TheRealTimerRevealsAfterFiveSecondsOnly)
{
    Press(*m_pWindow, kEmblemX, kEmblemY);
    Release(*m_pWindow, kEmblemX, kEmblemY);
    EXPECT_FALSE(KillTimer(m_hWnd, CVersionInfoWindow::kRevealTimerId));
    EXPECT_TRUE(smallwindows::PumpUntilGone(m_hWnd));
    EXPECT_FALSE(m_pWindow->IsRevealed());

    SetUp();
    Press(*m_pWindow, kEmblemX, kEmblemY);
    const DWORD start = GetTickCount();
    while (!m_pWindow->IsRevealed() && GetTickCount() - start < 60000) smallwindows::PumpFor(20);
    EXPECT_TRUE(m_pWindow->IsRevealed());
    // A timer fires no sooner than asked (the press armed it before the count began).
    EXPECT_GE(GetTickCount() - start, 4900u);
    Release(*m_pWindow, kEmblemX, kEmblemY);
    smallwindows::PumpFor(50);
    EXPECT_TRUE(IsWindow(m_hWnd));
}

} // namespace
