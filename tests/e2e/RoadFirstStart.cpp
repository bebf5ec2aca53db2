// Road "first start": the product's first start on a PC, with no card in and no user yet.
// The launcher starts the agent, skips the log upload (nobody to upload for), asks for the
// unit's model before it shows its main window, and shows that window at the size the
// chosen model gives; its user menu offers only the registration. The choice outlives the
// launcher.

#include "launcher/LaunchWindow.h"
#include "launcher/MachineSettingWindow.h"
#include "tests/e2e/RoadSteps.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/LauncherTestSupport.h"
#include "tests/launcher/support/StartRecord.h"
#include "tests/online/support/StandIn.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

using launchertest::CLauncherRun;

const char kRoad[] = "first_start";
const DWORD kWaitMs = roadsteps::kShowWaitMs;
const char kChoiceTitle[] = "機種選択";
const char kMenuClass[] = "#32768";

// A model with the camera unit (index 3): the wide main window, and a MachineType that no
// default gives.
const ui::SkinItemKey& kChosenModel = ui::MachineSettingWindowKey::kMachineRK600CM01;
const int kChosenMachineType = 3;

// The launcher's shown popup menus, waited for until there are `count` of them.
std::vector<HWND> WaitForMenus(DWORD processId, size_t count)
{
    std::vector<HWND> menus;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < kWaitMs; Sleep(50)) {
        menus = roadsteps::ShownWindowsOf(
            processId, [](HWND window) { return roadsteps::ClassOf(window) == kMenuClass; });
        if (menus.size() == count) break;
    }
    return menus;
}

int Height(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}

// A key for the menu loop of the launcher's thread, posted to its main window.
void PostKey(HWND window, UINT key)
{
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

int PcSetting(const char* key)
{
    const std::string ini = launchertest::UserProductFolder() + "Setting\\Launcher.ini";
    return static_cast<int>(GetPrivateProfileIntA("Launcher", key, -100, ini.c_str()));
}

TEST(RoadFirstStart, AsksForTheModelThenShowsTheMainWindowAndKeepsTheChoice)
{
    // The version check finds nothing newer than the programs installed.
    roadsteps::CRoadProduct road(kRoad);
    ASSERT_TRUE(road.IsReady());
    CLauncherRun run(road.Product());
    // A PC that never ran the product has no "Launcher.ini": FirstRan is 1 by default.
    ASSERT_EQ(PcSetting("FirstRan"), -100);
    ASSERT_TRUE(run.Start());

    // The model is asked for while the main window stays hidden.
    const HWND choice = roadsteps::WaitForShownWindow(run.ProcessId(), kChoiceTitle);
    ASSERT_NE(choice, nullptr) << run.Log();
    EXPECT_EQ(run.MainWindow(), nullptr);
    roadtest::Shot(kRoad, "choice", "machine_setting", choice);

    // The agent runs, started by the launcher with "Launcher".
    const HWND agentWindow = roadtest::WaitForAgentWindow(kWaitMs);
    ASSERT_NE(agentWindow, nullptr);
    EXPECT_EQ(launchertest::CStartRecord::ArgumentsOf(roadtest::ProcessCommandLine(agentWindow)),
              "Launcher");

    roadsteps::ClickItem(choice, kChosenModel.m_nId);
    roadsteps::ClickItem(choice, ui::MachineSettingWindowKey::kOKButton.m_nId);
    ASSERT_EQ(run.WaitForMainWindow(kWaitMs), CLauncherRun::MAIN_WINDOW) << run.Log();
    const HWND main = run.MainWindow();
    EXPECT_EQ(run.FindWindowTitled(kChoiceTitle), nullptr);
    RECT rect = {};
    GetWindowRect(main, &rect);
    EXPECT_EQ(rect.right - rect.left, ui::kLaunchWindowWidth);
    EXPECT_EQ(rect.bottom - rect.top, ui::kLaunchWindowHeight);
    roadtest::Shot(kRoad, "shown", "main", main);

    // Nothing to upload logs for: only the version check went out.
    std::vector<std::string> paths;
    for (const onlinetest::RecordedRequest& request : road.StandIn().Requests()) {
        paths.push_back(request.sPath);
    }
    EXPECT_EQ(paths, std::vector<std::string>{"/pcapp/GetLatestPCAplZoneAPI"});

    // The menu's user submenu (its second item) holds the registration alone: one row, where
    // the menu itself has eight rows and two separators.
    roadsteps::ClickItem(main, ui::LaunchWindowKey::kMenuButton.m_nId);
    const std::vector<HWND> menu = WaitForMenus(run.ProcessId(), 1);
    ASSERT_EQ(menu.size(), 1u);
    roadtest::Shot(kRoad, "menu", "menu", menu[0]);
    for (const UINT key : {VK_DOWN, VK_DOWN, VK_RIGHT}) PostKey(main, key);
    const std::vector<HWND> menus = WaitForMenus(run.ProcessId(), 2);
    ASSERT_EQ(menus.size(), 2u);
    const HWND users = menus[0] == menu[0] ? menus[1] : menus[0];
    roadtest::Shot(kRoad, "menu", "users", users);
    EXPECT_LT(Height(users) * 5, Height(menu[0])) << Height(users) << " " << Height(menu[0]);
    for (const UINT key : {VK_ESCAPE, VK_ESCAPE}) PostKey(main, key);
    EXPECT_TRUE(WaitForMenus(run.ProcessId(), 0).empty());

    EXPECT_EQ(run.Close(roadsteps::kShowWaitMs), 0u);
    EXPECT_EQ(PcSetting("FirstRan"), 0);
    EXPECT_EQ(PcSetting("MachineType"), kChosenMachineType);
}

} // namespace
