// Road "card inserted": the agent runs alone and a navigation card goes in. The agent broadcasts
// the arrival and starts "Launcher.exe AutoStart", which takes the card as its active one and
// relays its own broadcast; a card that comes back to the running launcher asks for the
// registration of its unit; with "AutoStartLauncher" 0 no launcher comes; an NTFS card is refused
// with its text; a card taken out is broadcast as a removal.

#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/e2e/RoadSteps.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/LauncherTestSupport.h"
#include "tests/launcher/support/RecordFile.h"
#include "tests/support/AgentBlock.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

using launchertest::CLauncherRun;
using launchertest::ShownBox;

const char kRoad[] = "card_inserted";
const char kCard = 'D';
const char kNtfsCard = 'E';
const char kDeviceNo[] = "DN00000000000051";
const char kDeviceChange[] = "WM_DEVICECHANGE";
const char kRelay[] = "DEVICECHANGE_KESTRUM";
const DWORD kWaitMs = roadsteps::kShowWaitMs;

const char kNewCardQuestion[] =
    "新しいナビゲーション情報の入ったSDカードを認識しました。\r\n"
    "ナビゲーション情報の登録を行います。よろしいですか？";
const char kNeedsRegistration[] =
    "本機能を利用するにはナビゲーション情報の登録が必要です。\r\n"
    "ナビゲーションでSDカード登録を行ってから、お客様登録を行ってください。";
const char kUnsupportedCard[] =
    "サポートされていないSDカードです。\r\nナビゲーションでの更新がご利用頂けません。\r\n"
    "SDまたはSDHC規格に対応したメモリーカードをご使用ください。";
const UINT kQuestionStyle = 0x44;
const UINT kWarningStyle = 0x70;

// A running "Launcher.exe" of the prefix, as the toolhelp snapshot lists it.
struct LauncherProcess {
    DWORD dwId = 0;
    DWORD dwParent = 0;
};

std::vector<LauncherProcess> LauncherProcesses()
{
    std::vector<LauncherProcess> found;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "Launcher.exe") == 0) {
            LauncherProcess process;
            process.dwId = entry.th32ProcessID;
            process.dwParent = entry.th32ParentProcessID;
            found.push_back(process);
        }
    }
    CloseHandle(snapshot);
    return found;
}

class RoadCardInserted : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_road.IsReady());
        ASSERT_TRUE(m_observer.IsReady());
        // Inherited by the agent and the launcher it starts.
        SetEnvironmentVariableA("KESTRUM_SIMULATED_CARDS", std::string(1, kCard).c_str());
        SetEnvironmentVariableA("KESTRUM_NTFS_CARDS", std::string(1, kNtfsCard).c_str());
        // Both readers empty; no agent looks yet.
        roadtest::RemoveCard(kCard);
        roadtest::RemoveCard(kNtfsCard);
    }

    void TearDown() override { launchertest::EndProductPrograms(); }

    // The card's files written, then the agent asked to look (Wine raises no media notice for a
    // folder drive).
    static void InsertCard(char letter)
    {
        roadtest::WriteCardFile(letter, CLinkFileBuilder::kNaviInfoPath,
                                CLinkFileBuilder().SetDeviceNo(kDeviceNo).Build());
        ASSERT_TRUE(roadtest::InsertCard(letter));
    }

    // The PC's settings, with the agent starting the launcher at a card's arrival or not.
    static void SaveSettings(int autoStart)
    {
        CLauncherSettingFile settings = roadsteps::ModelChosenSettings();
        settings.m_iAutoStartLauncher = autoStart;
        settings.Save("");
    }

    static char SelectedDrive()
    {
        CardShareRecord record;
        return launchertest::ReadCardRecord(record) ? static_cast<char>(record.selectedDrive) : 0;
    }

    roadsteps::CRoadProduct m_road{kRoad};
    launchertest::CObserver m_observer{{kRelay, "UserChanger"}};
};

TEST_F(RoadCardInserted, TheCardStartsTheLauncherThatTakesItAndAsksForItsUnit)
{
    launchertest::RemoveUserFiles();
    SaveSettings(1);
    const size_t logStart = launchertest::FileLength(launchertest::LauncherLogPath());
    const DWORD agent = roadsteps::StartResidentAgent(m_road.Product());
    ASSERT_NE(agent, 0u);

    // Card in: the agent's broadcast, and one launcher started by it with "AutoStart".
    InsertCard(kCard);
    ASSERT_TRUE(m_observer.WaitFor(kDeviceChange, 1, kWaitMs));
    std::vector<LauncherProcess> launchers;
    roadsteps::WaitUntil([&launchers] { return !(launchers = LauncherProcesses()).empty(); });
    ASSERT_EQ(launchers.size(), 1u);
    EXPECT_EQ(launchers[0].dwParent, agent);
    const DWORD launcher = launchers[0].dwId;
    const HWND main = roadsteps::WaitForShownWindow(launcher, CLauncherRun::kTitle);
    ASSERT_NE(main, nullptr);
    const std::string line = roadtest::ProcessCommandLine(main);
    EXPECT_EQ(line.substr(line.size() < 10 ? 0 : line.size() - 10), " AutoStart") << line;
    EXPECT_EQ(SelectedDrive(), kCard);
    EXPECT_TRUE(m_observer.WaitFor(kRelay, 1, kWaitMs));
    // The downloads the shown window starts want a registered user first.
    launchertest::CBoxWatch boxes(launchertest::LauncherLogPath(), launcher, logStart);
    const ShownBox needsUser = boxes.WaitForBox(kNeedsRegistration, kWaitMs);
    ASSERT_TRUE(needsUser.Found());
    EXPECT_EQ(needsUser.uStyle, kWarningStyle);
    roadtest::Shot(kRoad, "1-card-in", "needs-registration", needsUser.hBox);
    ASSERT_TRUE(roadsteps::PressAndWaitGone(needsUser, IDOK));
    roadtest::Shot(kRoad, "1-card-in", "main", main);
    // Another look with nothing changed starts no second launcher: the check starts one, if at
    // all, before it returns.
    ASSERT_TRUE(roadtest::RunAgentCardCheck(kWaitMs));
    EXPECT_EQ(LauncherProcesses().size(), 1u);

    // Out: the agent's removal and the launcher's relay of it.
    m_observer.Forget();
    ASSERT_TRUE(roadtest::RemoveCard(kCard));
    EXPECT_TRUE(m_observer.WaitFor(kDeviceChange, 2, kWaitMs));
    EXPECT_TRUE(m_observer.WaitFor(kRelay, 2, kWaitMs));

    // In again while the launcher runs: its unit has no user here, so it asks.
    InsertCard(kCard);
    const ShownBox question = boxes.WaitForBox(kNewCardQuestion, kWaitMs);
    ASSERT_TRUE(question.Found());
    EXPECT_EQ(question.uStyle, kQuestionStyle);
    EXPECT_EQ(SelectedDrive(), kCard);
    roadtest::Shot(kRoad, "2-card-again", "question", question.hBox);
    ASSERT_TRUE(roadsteps::PressAndWaitGone(question, IDYES));
    const HWND wizard = roadsteps::WaitForShownWindow(launcher, "お客様登録");
    ASSERT_NE(wizard, nullptr);
    roadtest::Shot(kRoad, "3-yes", "wizard", wizard);
}

TEST_F(RoadCardInserted, WithoutAutoStartTheAgentOnlyBroadcasts)
{
    launchertest::RemoveUserFiles();
    SaveSettings(0);
    ASSERT_NE(roadsteps::StartResidentAgent(m_road.Product()), 0u);

    InsertCard(kCard);
    ASSERT_TRUE(m_observer.WaitFor(kDeviceChange, 1, kWaitMs));
    CardShareRecord record;
    ASSERT_TRUE(launchertest::ReadCardRecord(record));
    EXPECT_EQ(record.cardMask, testsupport::DriveBit(kCard));
    // The check that broadcast the card would have started the launcher before it did so.
    EXPECT_TRUE(LauncherProcesses().empty());
}

TEST_F(RoadCardInserted, AnNtfsCardIsRefusedAndItsRemovalBroadcast)
{
    CLauncherRun run(m_road.Product());
    SaveSettings(0);
    ASSERT_TRUE(run.Start());
    ASSERT_EQ(run.WaitForMainWindow(kWaitMs), CLauncherRun::MAIN_WINDOW) << run.Log();
    // The agent the launcher started, with no card to see yet.
    ASSERT_NE(roadtest::WaitForAgentWindow(kWaitMs), nullptr);

    InsertCard(kNtfsCard);
    ASSERT_TRUE(m_observer.WaitFor(kDeviceChange, 1, kWaitMs));
    const ShownBox refused = run.WaitForBox(kUnsupportedCard, kWaitMs);
    ASSERT_TRUE(refused.Found()) << run.Log();
    EXPECT_EQ(refused.uStyle, kWarningStyle);
    EXPECT_EQ(SelectedDrive(), 0);
    roadtest::Shot(kRoad, "4-ntfs-card", "refusal", refused.hBox);
    ASSERT_TRUE(roadsteps::PressAndWaitGone(refused, IDOK));

    m_observer.Forget();
    ASSERT_TRUE(roadtest::RemoveCard(kNtfsCard));
    EXPECT_TRUE(m_observer.WaitFor(kDeviceChange, 2, kWaitMs));
    EXPECT_EQ(run.Close(roadsteps::kShowWaitMs), 0u);
}

} // namespace
