// The agent program as it runs: its test build counts only card D: (KESTRUM_SIMULATED_CARDS),
// copied into a folder of its own with the recorder as "Launcher.exe", which the agent finds
// there first. Broadcasts are seen by the observer, starts by the recorder's record, the card
// state in the real block "KestrumShareMemName". Wine raises no media notice for a folder
// drive, so a check after the first is asked for with the card timer's WM_TIMER 24; the card
// goes in and out by moving its host folder. The last case runs the real agent in the product
// folder under a running launcher, whose main window takes the card the agent publishes.

#include "carddata/PcLinkFile.h"
#include "lib/BlockShareMemHolder.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/launcher/support/LauncherRun.h"
#include "tests/launcher/support/Observer.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/launcher/support/SharedBlocks.h"
#include "tests/launcher/support/StartRecord.h"
#include "tests/online/WeatherTestSupport.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// D: belongs to agent_program_test (tools/wine-prefix).
const char kCard = 'D';
const char kAgentClass[] = "Kestrum4AgentWinClassName";
const char kAgentTitle[] = "Kestrum4AgentWindowTitle";
const char kDeviceChange[] = "WM_DEVICECHANGE";
const UINT_PTR kCardTimer = 24;
const UINT kShellNotify = WM_USER + 1;
const DWORD kAgentFailed = 0xFFFFFFFF;
const char kCardChanged[] = "DEVICECHANGE_KESTRUM";
// Every wait for another process: a loaded machine's.
const DWORD kBoundMs = 60000;

// One agent in the copied folder, ended at the latest with the object.
class CAgentProcess {
public:
    explicit CAgentProcess(const testsupport::CCopiedProgram& program) : m_cProgram(program) {}
    ~CAgentProcess() { End(); }
    CAgentProcess(const CAgentProcess&) = delete;
    CAgentProcess& operator=(const CAgentProcess&) = delete;

    // Closes it as the updater does (WM_CLOSE), ended after a bound.
    void End()
    {
        if (m_hProcess == nullptr) return;
        if (WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT) {
            if (m_hWindow != nullptr) PostMessageA(m_hWindow, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(m_hProcess, kBoundMs) != WAIT_OBJECT_0) {
                TerminateProcess(m_hProcess, 1);
                WaitForSingleObject(m_hProcess, 5000);
            }
        }
        CloseHandle(m_hProcess);
        m_hProcess = nullptr;
    }

    // Starts it as the launcher does ("Launcher") and waits for its window.
    bool Start()
    {
        std::string line = "\"" + m_cProgram.Program() + "\" Launcher";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started = {};
        m_dwStart = GetTickCount();
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &started)) {
            return false;
        }
        CloseHandle(started.hThread);
        m_hProcess = started.hProcess;
        while (GetTickCount() - m_dwStart < kBoundMs) {
            m_hWindow = FindWindowA(kAgentClass, kAgentTitle);
            if (m_hWindow != nullptr) return true;
            if (WaitForSingleObject(m_hProcess, 20) == WAIT_OBJECT_0) return false;
        }
        return false;
    }

    HWND Window() const { return m_hWindow; }
    DWORD ProcessId() const { return m_hProcess != nullptr ? GetProcessId(m_hProcess) : 0; }
    DWORD MsSinceStart() const { return GetTickCount() - m_dwStart; }
    bool Post(UINT message, WPARAM wParam, LPARAM lParam) const
    {
        return PostMessageA(m_hWindow, message, wParam, lParam) != FALSE;
    }
    // The card timer's message, handled by the time this returns, so that a card moved next
    // is not what the check sees.
    bool CheckCards() const
    {
        return Send(WM_TIMER, kCardTimer, 0);
    }
    // A message handled by the time this returns.
    bool Send(UINT message, WPARAM wParam, LPARAM lParam) const
    {
        DWORD_PTR answer = 0;
        return SendMessageTimeoutA(m_hWindow, message, wParam, lParam, SMTO_BLOCK, kBoundMs,
                                   &answer) != 0;
    }
    // Its exit code once it ended, STILL_ACTIVE after the time-out.
    DWORD WaitForExit(DWORD timeoutMs) const
    {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(m_hProcess, timeoutMs) == WAIT_OBJECT_0) {
            GetExitCodeProcess(m_hProcess, &code);
        }
        return code;
    }

private:
    const testsupport::CCopiedProgram& m_cProgram;
    HANDLE m_hProcess = nullptr;
    HWND m_hWindow = nullptr;
    DWORD m_dwStart = 0;
};

// The prefix user's "Setting\Launcher.ini", which the agent reads; removed with the object.
class CLauncherIni {
public:
    CLauncherIni() : m_strPath(launchertest::UserProductFolder() + "Setting\\Launcher.ini") {}
    ~CLauncherIni() { DeleteFileA(m_strPath.c_str()); }
    CLauncherIni(const CLauncherIni&) = delete;
    CLauncherIni& operator=(const CLauncherIni&) = delete;

    bool WriteAutoStart(const char* value) const { return Write("AutoStartLauncher", value); }
    bool Write(const char* key, const char* value) const
    {
        CreateDirectoryA((launchertest::UserProductFolder() + "Setting").c_str(), nullptr);
        return WritePrivateProfileStringA("Launcher", key, value, m_strPath.c_str()) != FALSE;
    }

private:
    std::string m_strPath;
};

class AgentProgramTest : public ::testing::Test {
protected:
    AgentProgramTest()
        : m_cProgram("agent_seams\\Kestrum4Agent.exe", "agent_program"), m_cCard(kCard),
          m_cAway(kCard), m_cAgent(m_cProgram)
    {
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_cProgram.Copied());
        ASSERT_TRUE(CopyFileA((launchertest::StandInFolder() + "Recorder.exe").c_str(),
                              (m_cProgram.Folder() + "Launcher.exe").c_str(), FALSE));
        ASSERT_TRUE(m_cCard.IsRemovable());
        ASSERT_TRUE(m_cAway.CanMove());
        ASSERT_TRUE(m_cObserver.IsReady());
        // The agent inherits these: only card D: counts for it.
        SetEnvironmentVariableA("KESTRUM_SIMULATED_CARDS", "D");
        SetEnvironmentVariableA("KESTRUM_NTFS_CARDS", nullptr);
        DeleteFileA((launchertest::UserProductFolder() + "Setting\\Launcher.ini").c_str());
        m_pRecord.reset(new launchertest::CStartRecord(m_cProgram.Folder()));
        DeleteFileA(AgentLogPath().c_str());
    }

    void TearDown() override
    {
        m_cAgent.End();
        // Where the agent's lines would go, had it written any.
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(AgentLogPath().c_str()));
    }

    static std::string AgentLogPath()
    {
        return launchertest::UserProductFolder() + "Log\\Kestrum4Agent_sys.log";
    }

    bool WriteLinkFile() const { return CLinkFileBuilder().WriteTo(m_cCard); }

    // The agent's starts of the recorder so far, once every recorder it started has ended and
    // so noted its start: the agent creates the process within the check that starts it.
    std::vector<launchertest::StartedProgram> LauncherStarts() const
    {
        EXPECT_TRUE(launchertest::WaitForProcessesIn(m_cProgram.Folder(), {m_cAgent.ProcessId()},
                                                     kBoundMs));
        return m_pRecord->StartsOf("Launcher.exe");
    }

    CardShareRecord Record() const
    {
        CardShareRecord record;
        EXPECT_TRUE(launchertest::ReadCardRecord(record));
        return record;
    }

    // Waits for one WM_DEVICECHANGE with the wParam; its lParam must be 0.
    void ExpectBroadcast(uint32_t wParam) const
    {
        ASSERT_TRUE(m_cObserver.WaitFor(kDeviceChange, wParam, kBoundMs));
        for (const launchertest::ObservedMessage& seen : m_cObserver.Seen()) {
            if (seen.sName == kDeviceChange) {
                EXPECT_EQ(wParam, seen.uWParam);
                EXPECT_EQ(0u, seen.uLParam);
            }
        }
    }

    testsupport::CCopiedProgram m_cProgram;
    CSimulatedCard m_cCard;
    weathertest::CCardAway m_cAway;
    launchertest::CObserver m_cObserver{std::vector<std::string>()};
    std::unique_ptr<launchertest::CStartRecord> m_pRecord;
    CAgentProcess m_cAgent;
};

using testsupport::DriveBit;

TEST_F(AgentProgramTest, FirstCheckComesTwoTimersAfterStartWithoutAPost)
{
    ASSERT_TRUE(m_cAgent.Start());
    EXPECT_FALSE(IsWindowVisible(m_cAgent.Window()));

    ExpectBroadcast(1);
    // Timer 23 confirms the log-on, timer 24 checks one second later.
    EXPECT_GE(m_cAgent.MsSinceStart(), 1900u);
    const CardShareRecord record = Record();
    EXPECT_EQ(DriveBit(kCard), record.removableMask);
    EXPECT_EQ(0, record.cardMask);
    EXPECT_EQ(0, record.reserved);
    EXPECT_TRUE(LauncherStarts().empty());
}

// The agent's own check comes first, with the card in but no link file: the card timer has
// fired (a check ends it), so every later check is the test's. The card taken out and put
// back with a link file starts the launcher once; a check with the card still in starts
// nothing more and tells nothing more.
TEST_F(AgentProgramTest, CardWithLinkFilePutInStartsTheLauncherOnce)
{
    ASSERT_TRUE(m_cAgent.Start());
    ExpectBroadcast(1);
    m_cObserver.Forget();
    ASSERT_TRUE(WriteLinkFile());
    ASSERT_TRUE(m_cAway.Move());
    ASSERT_TRUE(m_cAgent.CheckCards());
    ExpectBroadcast(2);
    m_cObserver.Forget();

    ASSERT_TRUE(m_cAway.Back());
    ASSERT_TRUE(m_cAgent.CheckCards());
    ExpectBroadcast(1);
    const std::vector<launchertest::StartedProgram> starts =
        m_pRecord->WaitForStart("Launcher.exe", kBoundMs);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ("AutoStart", starts[0].sArguments);
    // Found in the agent's own folder, not in its current one.
    EXPECT_EQ(0, lstrcmpiA((m_cProgram.Folder() + "Launcher.exe").c_str(), starts[0].sPath.c_str()))
        << starts[0].sPath;
    const CardShareRecord record = Record();
    EXPECT_EQ(DriveBit(kCard), record.removableMask);
    EXPECT_EQ(DriveBit(kCard), record.cardMask);

    ASSERT_TRUE(m_cAgent.CheckCards());
    ASSERT_TRUE(m_cObserver.Sync());
    EXPECT_EQ(1u, LauncherStarts().size());
    EXPECT_EQ(1u, m_cObserver.Count(kDeviceChange));
}

TEST_F(AgentProgramTest, AutoStartLauncherZeroBroadcastsWithoutAStart)
{
    CLauncherIni setting;
    ASSERT_TRUE(setting.WriteAutoStart("0"));
    ASSERT_TRUE(WriteLinkFile());
    ASSERT_TRUE(m_cAgent.Start());

    ExpectBroadcast(1);
    EXPECT_EQ(DriveBit(kCard), Record().cardMask);
    EXPECT_TRUE(LauncherStarts().empty());
}

TEST_F(AgentProgramTest, CardTakenOutBroadcastsRemovalAndKeepsTheSelection)
{
    ASSERT_TRUE(WriteLinkFile());
    ASSERT_TRUE(m_cAgent.Start());
    ExpectBroadcast(1);
    ASSERT_EQ(1u, m_pRecord->WaitForStart("Launcher.exe", kBoundMs).size());
    // The launcher's choice of the card.
    CBlockShareMemHolder holder;
    ASSERT_TRUE(holder.SetSelectDrive(kCard));
    m_cObserver.Forget();

    ASSERT_TRUE(m_cAway.Move());
    ASSERT_TRUE(m_cAgent.CheckCards());
    ExpectBroadcast(2);
    const CardShareRecord record = Record();
    EXPECT_EQ(0, record.removableMask);
    EXPECT_EQ(0, record.cardMask);
    EXPECT_EQ(kCard, record.selectedDrive);
    EXPECT_EQ(1u, LauncherStarts().size());
}

TEST_F(AgentProgramTest, SecondAgentEndsWithMinusOneAndLeavesTheBlock)
{
    ASSERT_TRUE(m_cAgent.Start());
    ExpectBroadcast(1);
    CBlockShareMemHolder holder;
    ASSERT_TRUE(holder.SetSelectDrive(kCard));

    EXPECT_EQ(kAgentFailed, m_cProgram.Run({"Launcher"}, kBoundMs));
    const CardShareRecord record = Record();
    EXPECT_EQ(DriveBit(kCard), record.removableMask);
    EXPECT_EQ(kCard, record.selectedDrive);
    EXPECT_EQ(STILL_ACTIVE, m_cAgent.WaitForExit(0));
    EXPECT_EQ(m_cAgent.Window(), FindWindowA(kAgentClass, kAgentTitle));
}

TEST_F(AgentProgramTest, CloseEndsTheAgentWithZeroAndItsBlockWithIt)
{
    ASSERT_TRUE(m_cAgent.Start());
    ExpectBroadcast(1);
    ASSERT_TRUE(m_cAgent.Post(WM_CLOSE, 0, 0));

    EXPECT_EQ(0u, m_cAgent.WaitForExit(kBoundMs));
    EXPECT_EQ(nullptr, FindWindowA(kAgentClass, kAgentTitle));
    CardShareRecord record;
    EXPECT_FALSE(launchertest::ReadCardRecord(record));
}

TEST_F(AgentProgramTest, ShellNoticeTheLockRefusesDoesNothing)
{
    ASSERT_TRUE(m_cAgent.Start());
    ExpectBroadcast(1);
    m_cObserver.Forget();
    ASSERT_TRUE(m_cAway.Move());

    // No notification lies behind this handle. Sent, it is handled by the time the call
    // returns, and a notice it broadcast is recorded once the observer has synced.
    ASSERT_TRUE(m_cAgent.Send(kShellNotify, 0x12345678, GetCurrentProcessId()));
    ASSERT_TRUE(m_cObserver.Sync());
    EXPECT_EQ(0u, m_cObserver.Count(kDeviceChange));
    EXPECT_EQ(DriveBit(kCard), Record().removableMask);

    // The agent lives on and the card really went.
    ASSERT_TRUE(m_cAgent.CheckCards());
    ExpectBroadcast(2);
}

// The card road through both programs: the launcher starts the real agent, which finds no
// card at its own first check; a card with a link file put in then goes from the agent's
// record and broadcast to the launcher's choice of it and its relayed notice, and out again
// the same way. The agent's own start of "Launcher.exe AutoStart" meets the running
// launcher's single-instance mutex, so one launcher runs throughout.
TEST_F(AgentProgramTest, CardPutInAndTakenOutReachesTheRunningLauncher)
{
    launchertest::CProductFolder product;
    ASSERT_TRUE(product.HasLauncher());
    const launchertest::CProgramSwap agent = product.UseRealAgent();
    ASSERT_TRUE(agent.Swapped());
    // The start chain finds nothing newer and wants no logs.
    onlinetest::CStandIn standIn("agent_program");
    ASSERT_TRUE(standIn.IsRunning());
    ASSERT_TRUE(standIn.SetVars(launchertest::NothingNewerVars()));
    ASSERT_TRUE(product.WriteConnectionInfo(standIn));
    launchertest::CObserver observer({kCardChanged});
    ASSERT_TRUE(observer.IsReady());
    ASSERT_TRUE(WriteLinkFile());
    ASSERT_TRUE(m_cAway.Move());

    launchertest::CLauncherRun run(product);
    // Not a first run, so no model choice stands between the chain and the main window.
    CLauncherIni setting;
    ASSERT_TRUE(setting.Write("FirstRan", "0"));
    run.SetEnvironment("KESTRUM_SIMULATED_CARDS", std::string(1, kCard));
    ASSERT_TRUE(run.Start());
    ASSERT_EQ(launchertest::CLauncherRun::MAIN_WINDOW, run.WaitForMainWindow(kBoundMs))
        << run.Log();
    HWND agentWindow = nullptr;
    for (const DWORD begin = GetTickCount();
         agentWindow == nullptr && GetTickCount() - begin < kBoundMs; Sleep(50)) {
        agentWindow = FindWindowA(kAgentClass, kAgentTitle);
    }
    ASSERT_NE(nullptr, agentWindow);
    CardShareRecord record = Record();
    EXPECT_EQ(0, record.removableMask);
    EXPECT_EQ(0, record.selectedDrive);

    // One card check of the agent: its notice and the launcher's relayed one, each once with
    // the same wParam, and the launcher's choice in the record. The agent broadcast within
    // the check and the launcher relays in the handler of the notice it got, so once the
    // relay is seen and the observer has synced, a second of either would be recorded.
    auto checkReaches = [&](uint32_t wParam, char selected) {
        observer.Forget();
        DWORD_PTR answer = 0;
        ASSERT_NE(0, SendMessageTimeoutA(agentWindow, WM_TIMER, kCardTimer, 0, SMTO_BLOCK,
                                         kBoundMs, &answer));
        ASSERT_TRUE(observer.WaitFor(kDeviceChange, wParam, kBoundMs));
        ASSERT_TRUE(observer.WaitFor(kCardChanged, wParam, kBoundMs)) << run.Log();
        const DWORD begin = GetTickCount();
        while (Record().selectedDrive != selected && GetTickCount() - begin < kBoundMs) Sleep(50);
        EXPECT_EQ(selected, Record().selectedDrive);
        ASSERT_TRUE(observer.Sync());
        EXPECT_EQ(1u, observer.Count(kDeviceChange));
        EXPECT_EQ(1u, observer.Count(kCardChanged));
        for (const launchertest::ObservedMessage& seen : observer.Seen()) {
            EXPECT_EQ(wParam, seen.uWParam) << seen.sName;
            EXPECT_EQ(0u, seen.uLParam) << seen.sName;
        }
    };

    ASSERT_TRUE(m_cAway.Back());
    checkReaches(1, kCard);
    record = Record();
    EXPECT_EQ(DriveBit(kCard), record.removableMask);
    EXPECT_EQ(DriveBit(kCard), record.cardMask);
    // The launcher takes it for the unit's card: its unit is not registered yet.
    const launchertest::ShownBox question = run.WaitForBox(
        "新しいナビゲーション情報の入ったSDカードを認識しました。\r\n"
        "ナビゲーション情報の登録を行います。よろしいですか？",
        kBoundMs);
    ASSERT_TRUE(question.Found()) << run.Log();
    EXPECT_EQ(static_cast<uint32_t>(MB_YESNO | MB_ICONINFORMATION), question.uStyle);
    EXPECT_TRUE(launchertest::PressBox(question, IDNO));

    ASSERT_TRUE(m_cAway.Move());
    checkReaches(2, 0);
    record = Record();
    EXPECT_EQ(0, record.removableMask);
    EXPECT_EQ(0, record.cardMask);

    const std::string log = run.Log();
    EXPECT_NE(std::string::npos, log.find("CLaunchWindow::_OnDeviceChange DEVICE_ADD ")) << log;
    EXPECT_NE(std::string::npos, log.find("CLaunchWindow::_OnDeviceChange DEVICE_REMOVE ")) << log;
    EXPECT_EQ(log.find("==========<開始("), log.rfind("==========<開始(")) << log;
    EXPECT_FALSE(run.HasExited());
    EXPECT_EQ(0u, run.Close());
}

} // namespace
