#pragma once
// The fixture of the main window's tests: a ui::CLaunchWindow over stub tool windows in this
// process, with the card record of the agent, simulated cards M: and N: (tools/wine-prefix)
// answered as "FAT32", and the user list and settings a case writes first. The program that
// compiles it in gives itself a private application folder (it empties the data folder) and
// the window framework, as MainWindowProgram.cpp does.

#include "carddata/EnvironmentVolumePlatform.h"
#include "launcher/LaunchWindow.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/launcher/support/StubToolWindow.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct UserStampRecord;

namespace mainwindowtest {

enum CardState {
    CARD_NONE = 0,     // no removable drive at all
    CARD_UNPAIRED = 1, // M: without the unit's link file
    CARD_PAIRED = 2,   // M: with it
};

// How long a case waits for another thread or program to do its part: long enough for a
// loaded machine, never a time the part must keep to.
const DWORD kWaitMs = 30000;

// The link file of card M: in CARD_PAIRED.
extern const char kCardDeviceNo[];
const uint32_t kCardCcid = 0x00C0FFEE;

// The record's drive mask of the letters.
int32_t CardBits(const char* letters);

// While it lives, this thread runs with a token whose Administrators group is deny-only, as
// a standard user's token on Windows Vista and later: the administrator check says no.
class CStandardUserToken {
public:
    CStandardUserToken();
    ~CStandardUserToken();
    bool IsActive() const { return m_bActive; }

private:
    bool m_bActive;
};

// Other card answers for a while (letter lists as CEnvironmentVolumePlatform takes them);
// the fixture's come back with the object. "MNO" less the NTFS letters are FAT32 cards.
class CCardPlatform {
public:
    explicit CCardPlatform(const std::string& ntfs, const std::string& locked = "");
    ~CCardPlatform();
    CCardPlatform(const CCardPlatform&) = delete;
    CCardPlatform& operator=(const CCardPlatform&) = delete;

private:
    std::unique_ptr<CEnvironmentVolumePlatform> m_pPlatform;
};

class CMainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Before CreateWindow.
    void SetCard(CardState state);
    void AddUser(const char* deviceNo, const char* nickName, uint32_t ccid, const char* userAgent,
                 bool current, const UserStampRecord* stamp = nullptr);
    // FirstRan and DriveMemory in "Launcher.ini" and in each user's "Setting.ini".
    void SetSettings(bool firstRan, bool driveMemory);

    // Builds and creates the window and runs what it posted.
    void CreateMainWindow();
    // The notices of the chain's windows, up to the shown window.
    void FinishChain();
    // The same, up to the window of the kind made by the chain (hidden still).
    void FinishChainUpTo(ui::LaunchToolKind kind);
    // Opens the kind through the command the user gives for it.
    void OpenTool(ui::LaunchToolKind kind);
    // Deletes the window object (destroying the window when it stands) and takes its quit.
    void DestroyWindowObject();

    // Runs every message queued for this thread, also those posted on the way.
    static void Pump();
    // Runs this thread's messages until done() holds; false when the bound passed first.
    static bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs);
    // Whether Pump met the quit message since the last call.
    static bool TookQuit();

    ui::CLaunchWindow& Window() { return *m_pWindow; }
    launchertest::CStubToolFactory& Tools() { return m_tools; }
    launchertest::CProductFolder& Product() { return *m_pProduct; }
    testsupport::CAgentBlock& Agent() { return *s_pAgent; }
    const testsupport::CLogCapture& Log() const { return *m_pLog; }
    ui::CSkinWindowItem* Item(const ui::SkinItemKey& key);
    RECT WindowRect();
    // How many of a row's three images show.
    int Shown(const ui::SkinItemKey (&images)[3]);
    // The row of images of a job type (36 probe, 37 traffic, else weather).
    static const ui::SkinItemKey (&RowOf(uint32_t jobType))[3];
    // The blink timer of that row.
    static UINT_PTR BlinkTimerOf(uint32_t jobType);
    // Whether the window has the timer; KillTimer answers it, and the timer is set again.
    bool HasTimer(UINT_PTR timer);
    BYTE LayeredAlpha();
    // Where CenterWindow puts a window of the width on the desktop.
    static int32_t CentredLeft(int32_t width);

    static void SetUpTestSuite();
    static void TearDownTestSuite();

private:
    static testsupport::CAgentBlock* s_pAgent;
    static bool s_bQuit;
    std::unique_ptr<launchertest::CProductFolder> m_pProduct;
    launchertest::CStubToolFactory m_tools;
    std::unique_ptr<ui::CLaunchWindow> m_pWindow;
    std::unique_ptr<testsupport::CLogCapture> m_pLog;
    std::unique_ptr<CSimulatedCard> m_pCardM;
    std::unique_ptr<CSimulatedCard> m_pCardN;
    std::vector<std::string> m_vUsers;
};

} // namespace mainwindowtest
