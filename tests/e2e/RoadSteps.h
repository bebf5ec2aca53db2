#pragma once
// What the roads of the card tools and the version-up share beside roadtest:: (Road.h): the
// launcher of the product folder started on the prefix's cards with the real agent, the
// start chain answered as "nothing to do" by the road's space of the stand-in, and the
// windows and boxes of the running launcher found and pressed from outside, as a user would.
//
//     roadsteps::CRoadLauncher launcher("check_disk");
//     ASSERT_TRUE(launcher.PrepareUnitCard('D'));
//     ASSERT_TRUE(launcher.Start("D"));
//     ASSERT_NE(launcher.WaitForCard('D'), nullptr);
//     launcher.Command(4002);
//     HWND settings = launcher.WaitForWindow("ケストラム設定");

#include "launcher/LauncherSetting.h"
#include "tests/launcher/support/LauncherRun.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/online/support/StandIn.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace roadsteps {

const DWORD kShowWaitMs = 60000;
const DWORD kBoxWaitMs = 30000;

class CRoadLauncher {
public:
    // road: its space of the stand-in (roadtest::Space), whose version check finds nothing
    // newer and which wants no log.
    explicit CRoadLauncher(const std::string& road);
    CRoadLauncher(const CRoadLauncher&) = delete;
    CRoadLauncher& operator=(const CRoadLauncher&) = delete;

    bool IsReady() const { return m_bReady; }
    onlinetest::CStandIn& StandIn() { return m_cStandIn; }
    const launchertest::CProductFolder& Product() const { return m_cProduct; }
    launchertest::CLauncherRun& Run() { return *m_pRun; }
    // The user registered for the unit's card.
    static const char kUserName[];

    // The settings the launcher starts with, saved for the road's user by Start: a model
    // chosen, no first run, both automatic downloads off.
    CLauncherSettingFile& Settings() { return m_cSettings; }
    // A unit's card: its link file written and its unit's user registered as the current
    // user, so the launcher knows the card and asks nothing about it.
    bool PrepareUnitCard(char letter);
    // Saves the settings and starts the launcher with the cards as FAT32 cards
    // (KESTRUM_SIMULATED_CARDS) and the run's other variables.
    bool Start(const std::string& cards);
    // The main window once it shows and the agent's card record names the letter as the
    // active card, null after the bound.
    HWND WaitForCard(char letter, DWORD timeoutMs = kShowWaitMs);
    // The main window's menu or button command, as a click gives it.
    void Command(uint16_t id) const;
    // A visible top-level window of the launcher with the title, null after the bound.
    HWND WaitForWindow(const std::string& title, DWORD timeoutMs = kShowWaitMs) const;

private:
    bool m_bReady;
    onlinetest::CStandIn m_cStandIn;
    launchertest::CProductFolder m_cProduct;
    launchertest::CProgramSwap m_cAgent;
    std::unique_ptr<launchertest::CLauncherRun> m_pRun;
    CLauncherSettingFile m_cSettings;
};

// A click of a skin item: the command the skin window posts for it.
void ClickItem(HWND window, uint16_t id);

// A skinned box of the process over the owner, found without its log line (boxes shown
// directly, not through the launcher's message function); null after the bound.
HWND WaitForBoxOf(DWORD processId, HWND owner, DWORD timeoutMs = kBoxWaitMs);

// Waits until the window is gone; false after the bound.
bool WaitForGone(HWND window, DWORD timeoutMs = kBoxWaitMs);

} // namespace roadsteps
