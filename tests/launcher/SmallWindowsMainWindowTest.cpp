// The three small windows as the real main window opens them, the other tool windows stubs
// (tests/launcher/MainWindowTestSupport.h): the model choice that ends a first run's start
// chain however it is closed, the modal version window of the menu, and the balloon of a
// tool button.

#include "tests/launcher/MainWindowTestSupport.h"

#include "launcher/HelpInfoWindow.h"
#include "launcher/LaunchWindowMessages.h"
#include "launcher/LauncherSetting.h"
#include "launcher/MachineSettingWindow.h"
#include "launcher/VersionInfoWindow.h"
#include "skin/SkinWindowItem.h"
#include "skin/SkinWindowItemStatic.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

using namespace mainwindowtest;
namespace key = ui::LaunchWindowKey;
namespace machine = ui::MachineSettingWindowKey;

class CSmallWindowsMainWindowTest : public CMainWindowTest {};

// ---- the model choice of a first run ----

enum CloseWay {
    CLOSE_OK,
    CLOSE_CANCEL,
    CLOSE_CLOSE_BUTTON,
    CLOSE_ICON_DOUBLE_CLICK,
    CLOSE_SC_CLOSE,
    CLOSE_WM_CLOSE,   // what Alt+F4 gives the window
};

struct ChainEndCase {
    const char* name;
    const ui::SkinItemKey* model;   // clicked before the window is closed
    CloseWay way;
    uint32_t storedMachineType;
    bool cameraUnit;                // the stored DriveMemory, which sets the width
};

const uint32_t kOpeningMachineType = 4;

const ChainEndCase kChainEndCases[] = {
    {"OkWithoutTheCameraUnit", &machine::kMachineTRK400, CLOSE_OK, 6, false},
    {"OkWithTheCameraUnit", &machine::kMachineRK600CM01, CLOSE_OK, 3, true},
    {"Cancel", &machine::kMachineTRK400, CLOSE_CANCEL, kOpeningMachineType, true},
    {"CloseButton", &machine::kMachineTRK400, CLOSE_CLOSE_BUTTON, kOpeningMachineType, true},
    {"IconDoubleClick", &machine::kMachineTRK400, CLOSE_ICON_DOUBLE_CLICK, kOpeningMachineType,
     true},
    {"SystemMenuClose", &machine::kMachineTRK400, CLOSE_SC_CLOSE, kOpeningMachineType, true},
    {"AltF4", &machine::kMachineTRK400, CLOSE_WM_CLOSE, kOpeningMachineType, true},
};

class ChainEndTest : public CSmallWindowsMainWindowTest,
                     public ::testing::WithParamInterface<ChainEndCase> {};

TEST_P(ChainEndTest, ShowsTheMainWindowAtTheWidthOfTheModel)
{
    const ChainEndCase& c = GetParam();
    SetSettings(true, true);
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    setting.Load("");
    setting.SetMachineType(kOpeningMachineType);
    setting.Save("");
    Tools().UseRealWindow(ui::TOOL_MACHINE_SETTING);
    CreateMainWindow();
    FinishChainUpTo(ui::TOOL_MACHINE_SETTING);

    ui::CMachineSettingWindow* window =
        Tools().RealObject<ui::CMachineSettingWindow>(ui::TOOL_MACHINE_SETTING);
    ASSERT_NE(window, nullptr);
    const HWND hwnd = window->GetHwnd();
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(::GetWindow(hwnd, GW_OWNER), Window().GetHwnd());
    EXPECT_EQ(window->GetModelIndex(), static_cast<int32_t>(kOpeningMachineType));
    EXPECT_FALSE(::IsWindowVisible(Window().GetHwnd())) << "shown before the model is chosen";

    window->PostMessage(WM_COMMAND, MAKEWPARAM(c.model->m_nId, 1), 0);
    Pump();
    switch (c.way) {
    case CLOSE_OK: window->PostMessage(WM_COMMAND, MAKEWPARAM(machine::kOKButton.m_nId, 1), 0);
        break;
    case CLOSE_CANCEL:
        window->PostMessage(WM_COMMAND, MAKEWPARAM(machine::kCancelButton.m_nId, 1), 0);
        break;
    case CLOSE_CLOSE_BUTTON:
        window->PostMessage(WM_COMMAND, MAKEWPARAM(machine::kCloseButton.m_nId, 1), 0);
        break;
    case CLOSE_ICON_DOUBLE_CLICK:
        EXPECT_TRUE(window->PostItemCommand(machine::kApplicationIcon.m_nId,
                                            ui::ITEM_EVENT_LEFT_DBLCLK, 0));
        break;
    case CLOSE_SC_CLOSE: window->PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0); break;
    case CLOSE_WM_CLOSE: window->PostMessage(WM_CLOSE, 0, 0); break;
    }
    Pump();

    // The chain's last step came: the window is gone, its object deleted, the main window
    // shown at the width of the model's layout.
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_FALSE(Tools().Holds(ui::TOOL_MACHINE_SETTING));
    EXPECT_EQ(Tools().Record(ui::TOOL_MACHINE_SETTING).nDeleted, 1);
    EXPECT_EQ(Window().GetStartMask(), ui::START_CHAIN_DONE);
    ASSERT_TRUE(::IsWindowVisible(Window().GetHwnd()));
    const RECT rect = WindowRect();
    EXPECT_EQ(rect.right - rect.left,
              c.cameraUnit ? ui::kLaunchWindowWidth : ui::kLaunchWindowCompactWidth);
    EXPECT_EQ(rect.bottom - rect.top, ui::kLaunchWindowHeight);
    EXPECT_EQ(Item(key::kDriveButton)->IsVisible(), c.cameraUnit);
    EXPECT_FALSE(setting.GetFirstRan());
    EXPECT_EQ(setting.GetMachineType(), c.storedMachineType);
    EXPECT_EQ(setting.GetDriveMemory(), c.cameraUnit);

    // Nothing of the old window is held: the menu opens the choice again.
    OpenTool(ui::TOOL_MACHINE_SETTING);
    EXPECT_EQ(Tools().Record(ui::TOOL_MACHINE_SETTING).nMade, 2);
    EXPECT_TRUE(::IsWindowVisible(Tools().RealWindow(ui::TOOL_MACHINE_SETTING)));
}

INSTANTIATE_TEST_SUITE_P(Ways, ChainEndTest, ::testing::ValuesIn(kChainEndCases),
                         [](const ::testing::TestParamInfo<ChainEndCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- the version information of the menu ----

// What the thread timer saw of the modal window before it closed it.
struct ModalSight {
    HWND hMain = nullptr;
    HWND hWindow = nullptr;
    HWND hOwner = nullptr;
    bool bVisible = false;
    bool bMainEnabled = true;
    DWORD dwStart = 0;
};
ModalSight g_sight;

BOOL CALLBACK FindVersionWindow(HWND window, LPARAM found)
{
    char title[64] = {};
    ::GetWindowTextA(window, title, sizeof title);
    if (::GetWindow(window, GW_OWNER) == g_sight.hMain &&
        std::string(title) == "バージョン情報") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Runs in the modal loop (the window lives in this thread): notes the window and clicks its
// whole-window close button; gives up after a while, closing whatever is active instead, so
// that a missing window cannot hold the case for ever.
void CALLBACK CloseVersionWindow(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindVersionWindow,
                        reinterpret_cast<LPARAM>(&found));
    if (found == nullptr) {
        if (::GetTickCount() - g_sight.dwStart < 10000) return;
        ::KillTimer(nullptr, id);
        const HWND active = ::GetActiveWindow();
        if (active != nullptr && active != g_sight.hMain) ::PostMessageA(active, WM_CLOSE, 0, 0);
        return;
    }
    ::KillTimer(nullptr, id);
    g_sight.hWindow = found;
    g_sight.hOwner = ::GetWindow(found, GW_OWNER);
    g_sight.bVisible = ::IsWindowVisible(found) != FALSE;
    g_sight.bMainEnabled = ::IsWindowEnabled(g_sight.hMain) != FALSE;
    ::PostMessageA(found, WM_COMMAND,
                   MAKEWPARAM(ui::VersionInfoWindowKey::kCloseButton.m_nId, BN_CLICKED), 0);
}

TEST_F(CSmallWindowsMainWindowTest, VersionInformationRunsModalAndGivesTheWindowBack)
{
    Tools().UseRealVersionInfo();
    CreateMainWindow();
    FinishChain();
    g_sight = ModalSight();
    g_sight.hMain = Window().GetHwnd();
    g_sight.dwStart = ::GetTickCount();
    ::SetTimer(nullptr, 0, 100, &CloseVersionWindow);

    // Returns once the modal loop has ended.
    Window().SendMessage(WM_COMMAND, MAKEWPARAM(ui::IDM_VERSION_INFO, 1), 0);
    Pump();

    EXPECT_EQ(Tools().VersionInfoRuns(), 1);
    ASSERT_NE(g_sight.hWindow, nullptr) << "no version window while the menu command ran";
    EXPECT_TRUE(g_sight.bVisible);
    EXPECT_EQ(g_sight.hOwner, Window().GetHwnd());
    EXPECT_FALSE(g_sight.bMainEnabled) << "the main window took input while the window ran";
    EXPECT_FALSE(::IsWindow(g_sight.hWindow));
    EXPECT_TRUE(::IsWindowEnabled(Window().GetHwnd()));
    EXPECT_EQ(::GetActiveWindow(), Window().GetHwnd());
    EXPECT_TRUE(::IsWindowVisible(Window().GetHwnd()));
    EXPECT_FALSE(TookQuit());
}

// ---- the balloon of a tool button ----

TEST_F(CSmallWindowsMainWindowTest, PointerOverTheWebButtonShowsItsBalloonUnderIt)
{
    Tools().UseRealWindow(ui::TOOL_HELP_INFO);
    CreateMainWindow();
    FinishChain();
    Window().PostItemCommand(key::kWebButton.m_nId, ui::ITEM_EVENT_MOUSE_MOVE, 0);
    Pump();

    ui::CHelpInfoWindow* balloon = Tools().RealObject<ui::CHelpInfoWindow>(ui::TOOL_HELP_INFO);
    ASSERT_NE(balloon, nullptr);
    const HWND hwnd = balloon->GetHwnd();
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(::GetWindow(hwnd, GW_OWNER), Window().GetHwnd());
    EXPECT_NE(::GetActiveWindow(), hwnd) << "the balloon took the activation";
    EXPECT_NE(::GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED, 0);

    // Under the main window's left edge, as wide as the layout with the camera unit, with
    // the web button's texts and arrow.
    const RECT main = WindowRect();
    RECT rect = {};
    ::GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, main.left + ui::CHelpInfoWindow::kOffsetX);
    EXPECT_EQ(rect.top, main.top + ui::CHelpInfoWindow::kOffsetY);
    const int32_t wide = ui::CHelpInfoWindow::kWideWidth;
    EXPECT_EQ(rect.right - rect.left, wide);
    EXPECT_GE(rect.bottom - rect.top, ui::CHelpInfoWindow::BalloonHeight(1, 1));
    namespace help = ui::HelpInfoWindowKey;
    const ui::HelpInfoEntry& entry = ui::CHelpInfoWindow::kEntries[0];
    auto* title = dynamic_cast<ui::CSkinWindowItemStatic*>(
        balloon->GetItemById(help::kTextStaticAPP.m_nId));
    auto* text = dynamic_cast<ui::CSkinWindowItemStatic*>(
        balloon->GetItemById(help::kTextStaticHelp.m_nId));
    ASSERT_NE(title, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(title->GetText(), entry.m_pszTitle);
    EXPECT_EQ(text->GetText(), entry.m_pszHelp);
    ui::CSkinWindowItem* arrow = balloon->GetItemById(help::kTextBackIcon.m_nId);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(arrow->GetRect().left, entry.m_nArrowX);

    // The pointer reaching the balloon closes it: the main window deletes it.
    ::PostMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    Pump();
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_FALSE(Tools().Holds(ui::TOOL_HELP_INFO));
    EXPECT_EQ(Tools().Record(ui::TOOL_HELP_INFO).nDeleted, 1);
}

} // namespace
