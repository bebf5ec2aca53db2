#pragma once
// What every end-to-end road shares (namespace roadtest, library kestrum_roadsupport). A
// road is one test program, e2e_<road>, registered by kestrum_road (tests/e2e/e2e.cmake)
// and started by tests/e2e/run-road in the end-to-end prefix, which it finds reset: no
// product program running, no application data, empty cards, the registry as made. It
// runs the product folder's three programs through the launcher's harness
// (tests/launcher/support/LauncherTestSupport.h) and checks what they leave.
//
// The prefix's cards are D: to G: (and V:, the launcher demo's), each the host folder
// "<build>/e2e/cards/<letter>". A card is in while its folder is there: a road writes its
// files, lists the letter for the product (KESTRUM_SIMULATED_CARDS, ...) and calls
// InsertCard, which asks the agent for a card check, since Wine raises no media events for
// folder drives; RemoveCard moves the folder away and asks again.
//
//     roadtest::WriteCardFile('D', "PC\\NAVIINFO.DAT", linkFile);
//     roadtest::InsertCard('D');
//     roadtest::Shot("card_inserted", "question", "box", box.hBox);
//
// Screen shots go to "<build>/e2e/shots/<road>-<step>-<window>.png"; each is printed by
// name for a person to look at.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace roadtest {

// The title of the agent's hidden window, and the timer whose tick is its card check.
extern const char kAgentWindowTitle[];
const UINT_PTR kCardCheckTimer = 24;

// "<build>\e2e\" and its "shots\" folder, with their trailing backslashes.
std::string E2eFolder();
std::string ShotsFolder();

// "D:\"
std::string CardRoot(char letter);
// The card's host folder while it is in ("<build>\e2e\cards\d\"), and where RemoveCard
// keeps it while it is out ("...\cards\d-out\").
std::string CardFolder(char letter);
std::string CardAwayFolder(char letter);
bool IsCardIn(char letter);

// Writes a file of the card, creating its folders, wherever the card is: onto the card
// while it is in, into its kept folder while it is out (so that InsertCard brings it).
// A failure is reported to GoogleTest.
void WriteCardFile(char letter, const std::string& relPath, const std::string& bytes);
void WriteCardFile(char letter, const std::string& relPath, const std::vector<uint8_t>& bytes);

// Puts the card in (its kept folder back, when it is out) and posts the agent its card
// check; false when the agent's window is not there (the card is in all the same).
bool InsertCard(char letter);
// Takes the card out (its folder moved away) and posts the agent its card check; false
// when the agent's window is not there.
bool RemoveCard(char letter);

// The agent's hidden window, waited for up to the time-out; null when it did not come.
HWND WaitForAgentWindow(DWORD timeoutMs);
// Posts the agent's window its card check; false when there is no agent.
bool AskAgentForCardCheck();
// Runs the agent's card check and returns once it is done, with whatever it started and
// broadcast (the check does both before it returns); false when there is no agent or it did
// not answer within the bound.
bool RunAgentCardCheck(DWORD timeoutMs);

// The whole command line of the process that owns the window, as it was started (read from
// that process's memory); empty when it cannot be read.
std::string ProcessCommandLine(HWND window);

// Copies the window as it stands on the screen into
// "<build>/e2e/shots/<road>-<step>-<window>.png" and prints the file's host path; a window that
// is not shown, or a copy that fails, is reported to GoogleTest. Waits (bounded) until the
// window's picture is on the screen and holds still, since a layered window reaches the
// screen a moment after it shows.
bool Shot(const std::string& road, const std::string& step, const std::string& window,
          HWND hwnd);

// The road's scenario space at the stand-in services ("e2e_<road>").
std::string Space(const std::string& road);

} // namespace roadtest
