#pragma once
// The steps the roads share beside roadtest:: (Road.h), library kestrum_roadsteps: the road's
// product folder with the real agent and its space of the stand-in, the PC's settings and the
// card's user as the launcher finds them at its start, the resident agent, and the windows and
// boxes of the running launcher found and pressed from outside, as a user would. CRoadLauncher
// starts the launcher on the prefix's cards for the roads of the card tools and the
// version-up:
//
//     roadsteps::CRoadLauncher launcher("check_disk");
//     ASSERT_TRUE(launcher.PrepareUnitCard('D'));
//     ASSERT_TRUE(launcher.Start("D"));
//     ASSERT_NE(launcher.WaitForCard('D'), nullptr);
//     launcher.Command(4002);
//     HWND settings = launcher.WaitForWindow("ケストラム設定");
//
// Every wait is for a condition, bounded generously for a loaded machine.

#include "launcher/LauncherSetting.h"
#include "tests/launcher/support/LauncherRun.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/online/support/StandIn.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace launchertest {
class CObserver;
}

namespace roadsteps {

// The bounds of a step that waits for a window, or for a box to come or go.
const DWORD kShowWaitMs = 60000;
const DWORD kBoxWaitMs = 60000;

// The road's product folder with the real agent, its programs pointed at the road's space of
// the stand-in (roadtest::Space), whose version check finds nothing newer and which wants no
// log.
class CRoadProduct {
public:
    explicit CRoadProduct(const std::string& road);
    CRoadProduct(const CRoadProduct&) = delete;
    CRoadProduct& operator=(const CRoadProduct&) = delete;

    bool IsReady() const { return m_bReady; }
    onlinetest::CStandIn& StandIn() { return m_cStandIn; }
    const onlinetest::CStandIn& StandIn() const { return m_cStandIn; }
    const launchertest::CProductFolder& Product() const { return m_cProduct; }

private:
    onlinetest::CStandIn m_cStandIn;
    launchertest::CProductFolder m_cProduct;
    launchertest::CProgramSwap m_cAgent;
    bool m_bReady;
};

// The settings of a PC whose unit model was chosen (model 1, no first run) and whose agent
// does not start the launcher when a card comes; the user's keys as a new user has them (both
// automatic downloads on). A road changes what it needs and saves them for its user ("" while
// there is none), after CLauncherRun has cleared the files of the run before.
CLauncherSettingFile ModelChosenSettings();

// The unit of the card's link file registered on this PC with the user, as its current user
// (the list's first: NickNameNo 0); false when the card gives no user agent or the list was
// not written.
bool RegisterCardUser(char letter, const std::string& deviceNo, const std::string& nickName,
                      uint32_t ccidHead);
// Saves the settings for the user that RegisterCardUser registered, selected (NickNameNo 0).
void SaveSelectedUserSettings(CLauncherSettingFile settings, const std::string& nickName);

// The product folder's agent started as the session's log-on starts it ("Launcher"), once
// its hidden window is up: its process id, 0 when it did not start or show.
DWORD StartResidentAgent(const launchertest::CProductFolder& product);
// The same, once the agent has published the cards it found at its first check (the
// observer saw its arrival broadcast); false when either did not come.
bool StartResidentAgentWithCards(const launchertest::CProductFolder& product,
                                 const launchertest::CObserver& observer);

class CRoadLauncher {
public:
    // road: its space of the stand-in (CRoadProduct).
    explicit CRoadLauncher(const std::string& road);
    CRoadLauncher(const CRoadLauncher&) = delete;
    CRoadLauncher& operator=(const CRoadLauncher&) = delete;

    bool IsReady() const { return m_cRoad.IsReady(); }
    onlinetest::CStandIn& StandIn() { return m_cRoad.StandIn(); }
    const launchertest::CProductFolder& Product() const { return m_cRoad.Product(); }
    launchertest::CLauncherRun& Run() { return *m_pRun; }
    // The user registered for the unit's card.
    static const char kUserName[];

    // The settings the launcher starts with, saved for the road's user (selected) by Start: a
    // model chosen, no first run, both automatic downloads off.
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
    // A shown top-level window of the launcher with the title that is no box
    // (launchertest::FindWindowTitled), null after the bound or once the launcher ended.
    HWND WaitForWindow(const std::string& title, DWORD timeoutMs = kShowWaitMs) const;

private:
    CRoadProduct m_cRoad;
    std::unique_ptr<launchertest::CLauncherRun> m_pRun;
    CLauncherSettingFile m_cSettings;
};

// Waits until the condition holds, asking it every 100 ms; false when it still fails after
// the bound.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = kShowWaitMs);

// A click of a skin item: the command the skin window posts for it.
void ClickItem(HWND window, uint16_t id);

// The shown top-level windows of the process that `accept` takes (all without one), in
// z-order, the topmost first.
std::vector<HWND> ShownWindowsOf(DWORD processId,
                                 const std::function<bool(HWND)>& accept = nullptr);
// The window's class name and title.
std::string ClassOf(HWND window);
std::string TitleOf(HWND window);

// A shown top-level window of the process with the title, waited for; null after the
// bound. Its boxes, which take its title, are passed over (launchertest::FindWindowTitled):
// a window that opens a box over itself at once is found, not its box, however late the
// road looks.
HWND WaitForShownWindow(DWORD processId, const std::string& title,
                        DWORD timeoutMs = kShowWaitMs);

// A skinned box of the process over the owner, found without its log line (boxes shown
// directly, not through the launcher's message function); null when there is none (now),
// or after the bound.
HWND FindBoxOf(DWORD processId, HWND owner);
HWND WaitForBoxOf(DWORD processId, HWND owner, DWORD timeoutMs = kBoxWaitMs);

// Waits until the window is gone (destroyed or hidden); false after the bound.
bool WaitForGone(HWND window, DWORD timeoutMs = kBoxWaitMs);

// Presses the box's button (launchertest::PressBox) and waits until the box has left the
// screen, so that what comes next (a shot, the next box) finds the window beneath.
bool PressAndWaitGone(const launchertest::ShownBox& box, int result);

} // namespace roadsteps
