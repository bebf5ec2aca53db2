// The launcher's test harness where it can go wrong: what the stand-ins of the product folder
// record and publish, the observer's view of another process's broadcasts, and skinned boxes
// found after their log line and pressed from inside their modal loop.

#include "lib/Handle.h"
#include "lib/Path.h"
#include "lib/TolveLog.h"
#include "online/WebBrowseHelper.h"
#include "skin/MessageBoxWindow.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/launcher/support/LauncherTestSupport.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <functional>

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("launcher_harness_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("launcher_harness_test"));

using launchertest::CProductFolder;
using launchertest::CStartRecord;
using launchertest::StartedProgram;

// Every wait for another process: generous for a loaded machine.
const DWORD kBoundMs = 30000;

// As the launcher's program starter starts a program.
bool ShellStart(const std::string& program, const char* parameters, const char* folder, int show)
{
    const HINSTANCE result =
        ShellExecuteA(nullptr, "open", program.c_str(), parameters, folder, show);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

HWND WaitForWindow(const char* windowClass, const char* title, DWORD timeoutMs)
{
    const DWORD begin = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(windowClass, title);
        if (window != nullptr || GetTickCount() - begin >= timeoutMs) return window;
        Sleep(20);
    }
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs)
{
    const DWORD begin = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - begin >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

std::string WithoutBackslash(std::string path)
{
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

// ---- the stand-ins ----

TEST(StandInTest, EachSiblingToolNotesItsStartAndUpdateShowAndEndsOnClose)
{
    CProductFolder product;
    const UINT updateShow = RegisterWindowMessageA("Launcher_UpdateShow");
    const struct {
        const char* program;
        const char* title;
    } tools[] = {{"Dapplegate.exe", "Dapplegate"}, {"Mendrill.exe", "Mendrill"},
                 {"PellickManager.exe", "PellickManager"}};
    for (const auto& tool : tools) {
        SCOPED_TRACE(tool.program);
        CStartRecord record(product.Path());
        ASSERT_TRUE(ShellStart(product.File(tool.program), "Launcher", product.Path().c_str(),
                               SW_SHOW));
        const std::vector<StartedProgram> starts = record.WaitForStart(tool.program, kBoundMs);
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(starts[0].sArguments, "Launcher");
        EXPECT_EQ(lstrcmpiA(starts[0].sPath.c_str(), product.File(tool.program).c_str()), 0)
            << starts[0].sPath;
        EXPECT_EQ(lstrcmpiA(WithoutBackslash(starts[0].sFolder).c_str(),
                            WithoutBackslash(product.Path()).c_str()), 0)
            << starts[0].sFolder;
        EXPECT_EQ(starts[0].iShow, SW_SHOW);

        HWND window = WaitForWindow("WFC-DefaultWindowClass", tool.title, kBoundMs);
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(IsWindowVisible(window));
        PostMessageA(window, updateShow, 5, static_cast<LPARAM>(0x80000001u));
        launchertest::NotedMessage seen;
        ASSERT_TRUE(record.WaitForMessage(tool.program, "Launcher_UpdateShow", &seen, kBoundMs));
        EXPECT_EQ(seen.uWParam, 5u);
        EXPECT_EQ(seen.uLParam, 0x80000001u);
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitForWindowGone(window, kBoundMs));
        EXPECT_TRUE(launchertest::WaitForProcessesIn(product.Path(), {}, kBoundMs))
            << "the tool ended with its window";
    }

    // One that ignores WM_CLOSE stays until the harness ends it: the notice posted after the
    // close is noted, so the close was read before it, and the window stands.
    CStartRecord record(product.Path());
    ASSERT_TRUE(ShellStart(product.File("Mendrill.exe"), "--ignore-close", nullptr, SW_SHOW));
    HWND stubborn = WaitForWindow("WFC-DefaultWindowClass", "Mendrill", kBoundMs);
    ASSERT_NE(stubborn, nullptr);
    PostMessageA(stubborn, WM_CLOSE, 0, 0);
    PostMessageA(stubborn, updateShow, 7, 0);
    ASSERT_TRUE(record.WaitForMessage("Mendrill.exe", "Launcher_UpdateShow", nullptr, kBoundMs));
    EXPECT_TRUE(IsWindow(stubborn));
    EXPECT_EQ(launchertest::ProcessesIn(product.Path()).size(), 1u);
    EXPECT_EQ(launchertest::EndProductPrograms(), 1);
    EXPECT_FALSE(IsWindow(stubborn));
    EXPECT_TRUE(launchertest::ProcessesIn(product.Path()).empty());
}

TEST(StandInTest, TheMusicToolStartsFromItsRegisteredFolderAndEnds)
{
    CProductFolder product;
    char folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    ASSERT_EQ(SHGetValueA(HKEY_LOCAL_MACHINE, CProductFolder::kMusicToolKey, "SetupPath", nullptr,
                          folder, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(folder), product.File("Sonavelle"));
    CStartRecord record(product.File("Sonavelle\\"));
    ASSERT_TRUE(ShellStart(std::string(folder) + "\\Sonavelle5.exe", nullptr, nullptr,
                           SW_SHOWNORMAL));
    const std::vector<StartedProgram> starts = record.WaitForStart("Sonavelle5.exe", kBoundMs);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].sArguments, "");
    EXPECT_EQ(starts[0].iShow, SW_SHOWNORMAL);
}

TEST(StandInTest, ASwappedProgramIsPutBackAsItWas)
{
    CProductFolder product;
    const std::string updater = product.File("Kestrum4Update.exe");
    const bool updaterThere = GetFileAttributesA(updater.c_str()) != INVALID_FILE_ATTRIBUTES;
    {
        launchertest::CProgramSwap recorder = product.UseRecorder("Kestrum4Update.exe");
        ASSERT_TRUE(recorder.Swapped());
        CStartRecord record(product.Path());
        ASSERT_TRUE(ShellStart(updater, "Launcher", nullptr, SW_SHOW));
        const std::vector<StartedProgram> starts =
            record.WaitForStart("Kestrum4Update.exe", kBoundMs);
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(starts[0].sArguments, "Launcher");
    }
    EXPECT_EQ(GetFileAttributesA(updater.c_str()) != INVALID_FILE_ATTRIBUTES, updaterThere);

    const std::string tool = product.File("Mendrill.exe");
    const int32_t length = lib::GetFileLength(tool);
    {
        launchertest::CProgramSwap gone = product.Remove("Mendrill.exe");
        ASSERT_TRUE(gone.Swapped());
        EXPECT_FALSE(lib::FileExists(tool));
        launchertest::CProgramSwap moved = std::move(gone);
        EXPECT_FALSE(lib::FileExists(tool)) << "moved, the swap still holds";
    }
    EXPECT_EQ(lib::GetFileLength(tool), length);

    // The real agent's test build for a case, then the stand-in again.
    const std::string agent = product.File("Kestrum4Agent.exe");
    const std::string real = launchertest::StandInFolder() + "real\\Kestrum4Agent.exe";
    const std::string standIn = launchertest::StandInFolder() + "Kestrum4Agent.exe";
    ASSERT_TRUE(lib::FileExists(real)) << "the build copies the agent's test build there";
    ASSERT_NE(lib::GetFileLength(real), lib::GetFileLength(standIn));
    {
        launchertest::CProgramSwap realAgent = product.UseRealAgent();
        ASSERT_TRUE(realAgent.Swapped());
        EXPECT_EQ(lib::GetFileLength(agent), lib::GetFileLength(real));
    }
    EXPECT_EQ(lib::GetFileLength(agent), lib::GetFileLength(standIn));
}

// The card record as the agent stand-in wrote it: the launcher's letter 'V' is kept.
TEST(StandInTest, TheAgentPublishesTheListedCardsAtOnceAndStaysUntilClosed)
{
    CProductFolder product;
    CSimulatedCard card('V');
    ASSERT_TRUE(card.IsRemovable());
    ASSERT_TRUE(CLinkFileBuilder().WriteTo(card));
    testsupport::CAgentBlock block;
    ASSERT_TRUE(block.IsReady());
    block.Write(0, 0, 'V');
    // J: is never a drive: listed, it counts as a card without a link file.
    SetEnvironmentVariableA("KESTRUM_SIMULATED_CARDS", "V");
    SetEnvironmentVariableA("KESTRUM_NTFS_CARDS", "j");
    CStartRecord record(product.Path());
    ASSERT_TRUE(ShellStart(product.File("Kestrum4Agent.exe"), "Launcher", nullptr, SW_SHOW));
    HWND agent = WaitForWindow("Kestrum4AgentWinClassName", "Kestrum4AgentWindowTitle", kBoundMs);
    ASSERT_NE(agent, nullptr);
    CardShareRecord shared;
    ASSERT_TRUE(launchertest::ReadCardRecord(shared));
    EXPECT_EQ(shared.removableMask, testsupport::DriveBit('V') | testsupport::DriveBit('J'));
    EXPECT_EQ(shared.cardMask, testsupport::DriveBit('V'));
    EXPECT_EQ(shared.selectedDrive, 'V');

    // A second agent ends at once and leaves the first.
    ASSERT_TRUE(ShellStart(product.File("Kestrum4Agent.exe"), "Launcher", nullptr, SW_SHOW));
    ASSERT_EQ(record.WaitForStart("Kestrum4Agent.exe", kBoundMs, 2).size(), 2u);
    EXPECT_EQ(FindWindowA("Kestrum4AgentWinClassName", nullptr), agent);
    PostMessageA(agent, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForWindowGone(agent, kBoundMs));
    SetEnvironmentVariableA("KESTRUM_SIMULATED_CARDS", nullptr);
    SetEnvironmentVariableA("KESTRUM_NTFS_CARDS", nullptr);
    EXPECT_TRUE(launchertest::WaitForProcessesIn(product.Path(), {}, kBoundMs))
        << "both agents end by themselves";
    EXPECT_EQ(launchertest::EndProductPrograms(), 0);
}

TEST(StandInTest, ChkdskOfTheSystemFolderNotesItsCommandLineWaitsAndEnds)
{
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string folder = std::string(system) + "\\";
    const std::string program = folder + "chkdsk.exe";
    ASSERT_TRUE(lib::FileExists(program)) << "tools/wine-session puts it there";
    const struct {
        const char* delay;
        const char* exit;
        bool gate;  // held by a gate until the start is noted
        DWORD waitedAtLeast;
        DWORD exitCode;
    } cases[] = {{nullptr, nullptr, false, 0, 0},
                 {"300", "5", false, 300, 5},
                 {"0", "0xC0000005", false, 0, 0xC0000005},
                 {nullptr, "2", true, 0, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exit != nullptr ? c.exit : "defaults");
        SetEnvironmentVariableA("KESTRUM_CHKDSK_DELAY_MS", c.delay);
        SetEnvironmentVariableA("KESTRUM_CHKDSK_EXIT", c.exit);
        std::unique_ptr<launchertest::CChkdskGate> gate;
        if (c.gate) gate.reset(new launchertest::CChkdskGate);
        CStartRecord record(folder);
        std::string commandLine = program + " V: /F /X";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started = {};
        const DWORD begin = GetTickCount();
        ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &started));
        CloseHandle(started.hThread);
        if (gate) {
            ASSERT_TRUE(gate->IsReady());
            ASSERT_EQ(record.WaitForStart("chkdsk.exe", kBoundMs).size(), 1u);
            EXPECT_EQ(WaitForSingleObject(started.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT))
                << "held at the gate";
            gate->Release();
        }
        EXPECT_EQ(WaitForSingleObject(started.hProcess, kBoundMs), WAIT_OBJECT_0);
        EXPECT_GE(GetTickCount() - begin, c.waitedAtLeast);
        DWORD code = 0;
        GetExitCodeProcess(started.hProcess, &code);
        CloseHandle(started.hProcess);
        EXPECT_EQ(code, c.exitCode);
        const std::vector<StartedProgram> starts = record.StartsOf("chkdsk.exe");
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(starts[0].sArguments, "V: /F /X");
    }
    SetEnvironmentVariableA("KESTRUM_CHKDSK_DELAY_MS", nullptr);
    SetEnvironmentVariableA("KESTRUM_CHKDSK_EXIT", nullptr);
}

TEST(BrowserRecordTest, WebPagesOpenInTheRecorder)
{
    ASSERT_TRUE(launchertest::CBrowserRecord::IsInstalled()) << "tools/wine-session puts it there";
    launchertest::CBrowserRecord record;
    const std::string pages[] = {"http://127.0.0.1:9/pcapp/page?a=1&b=%20c",
                                 "https://127.0.0.1:9/secure"};
    for (const std::string& page : pages) EXPECT_TRUE(OpenWebBrowser(page.c_str())) << page;
    const std::vector<std::string> opened = record.WaitForOpened(kBoundMs, 2);
    ASSERT_EQ(opened.size(), 2u);
    // The shell starts them one after the other, but either may write first.
    EXPECT_TRUE((opened[0] == pages[0] && opened[1] == pages[1]) ||
                (opened[0] == pages[1] && opened[1] == pages[0]))
        << opened[0] << " " << opened[1];
}

// The harness knows what the shell started there ends before it reads the record.
TEST(BrowserRecordTest, TheRecordersProcessIsSeenUntilItEnds)
{
    ASSERT_TRUE(launchertest::CBrowserRecord::IsInstalled());
    launchertest::CBrowserRecord record;
    const std::string recorder = std::string(launchertest::CBrowserRecord::kFolder) +
                                 "BrowserRecorder.exe";
    std::string commandLine = "\"" + recorder + "\" harness";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                               CREATE_SUSPENDED, nullptr, nullptr, &startup, &started));
    const std::string folder = launchertest::CBrowserRecord::kFolder;
    const std::vector<DWORD> running = launchertest::ProcessesIn(folder);
    EXPECT_NE(std::find(running.begin(), running.end(), started.dwProcessId), running.end());
    EXPECT_FALSE(launchertest::WaitForProcessesIn(folder, {}, 0));
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    EXPECT_TRUE(launchertest::WaitForProcessesIn(folder, {}, kBoundMs));
    EXPECT_EQ(record.Opened(), std::vector<std::string>{"harness"});
}

// Pages opened together start recorders together: every one of them leaves its whole line.
TEST(BrowserRecordTest, RecordersStartedTogetherEachLeaveTheirLine)
{
    ASSERT_TRUE(launchertest::CBrowserRecord::IsInstalled());
    launchertest::CBrowserRecord record;
    const std::string folder = launchertest::CBrowserRecord::kFolder;
    std::vector<std::string> given;
    std::vector<PROCESS_INFORMATION> recorders;
    for (int i = 0; i < 12; ++i) {
        given.push_back("together-" + std::to_string(i) + std::string(i * 7, 'x'));
        std::string commandLine = "\"" + folder + "BrowserRecorder.exe\" " + given.back();
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started = {};
        // Those started are let go below even when one does not start.
        if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                            nullptr, nullptr, &startup, &started)) {
            ADD_FAILURE() << "recorder " << i << " did not start: " << GetLastError();
            break;
        }
        recorders.push_back(started);
    }
    for (const PROCESS_INFORMATION& started : recorders) ResumeThread(started.hThread);
    for (const PROCESS_INFORMATION& started : recorders) {
        EXPECT_EQ(WaitForSingleObject(started.hProcess, kBoundMs), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(started.hProcess, &code);
        EXPECT_EQ(code, 0u) << "the recorder wrote its line whole";
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    std::vector<std::string> opened = record.Opened();
    std::sort(opened.begin(), opened.end());
    std::sort(given.begin(), given.end());
    EXPECT_EQ(opened, given);
}

TEST(StartRecordTest, ReadsTheFieldsOfEachLineAndRefusesOthers)
{
    const struct {
        const char* line;
        bool start;
        const char* program;
        const char* arguments;
        int show;
    } cases[] = {
        {"start\tZ:\\p\\Mendrill.exe\t\"Z:\\p\\Mendrill.exe\"  Launcher x\tZ:\\p\t5", true,
         "Mendrill.exe", "Launcher x", 5},
        {"start\tC:\\a b\\Tool.exe\tC:\\a\\Tool.exe -q\tC:\\\t-1", true, "Tool.exe", "-q", -1},
        {"start\tC:\\T.exe\t\"C:\\T.exe\"\tC:\\\t1", true, "T.exe", "", 1},
        {"start\tC:\\T.exe\tT\tC:\\", false, "", "", 0},        // a field short
        {"start\tC:\\T.exe\tT\tC:\\\tfive", false, "", "", 0},  // no show number
        {"message\tC:\\T.exe\tX\t00000001\t00000002", false, "", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        StartedProgram start;
        ASSERT_EQ(CStartRecord::ParseStart(c.line, start), c.start);
        if (!c.start) continue;
        EXPECT_EQ(start.sProgram, c.program);
        EXPECT_EQ(start.sArguments, c.arguments);
        EXPECT_EQ(start.iShow, c.show);
    }
    launchertest::NotedMessage message;
    ASSERT_TRUE(CStartRecord::ParseMessage("message\tC:\\D.exe\tLauncher_UpdateShow\t00000005\tFFFFFFFF",
                                           message));
    EXPECT_EQ(message.sProgram, "D.exe");
    EXPECT_EQ(message.uWParam, 5u);
    EXPECT_EQ(message.uLParam, 0xFFFFFFFFu);
    EXPECT_FALSE(CStartRecord::ParseMessage("message\tC:\\D.exe\tX\t5x\t0", message));
}

// ---- a run of the launcher ----

TEST(LauncherRunTest, PassesItsEnvironmentAndReadsOnlyItsOwnRunsLog)
{
    CProductFolder product;
    if (!product.HasLauncher()) GTEST_SKIP() << "the build made no Launcher.exe yet";
    CSimulatedCard card('V');
    ASSERT_TRUE(CLinkFileBuilder().WriteTo(card));
    // The start chain's version check finds nothing newer; the first run's model choice is
    // closed undone, and the main window shows.
    onlinetest::CStandIn standIn("launcher_harness_run");
    ASSERT_TRUE(standIn.SetVars(launchertest::NothingNewerVars()));
    ASSERT_TRUE(product.WriteConnectionInfo(standIn));
    {
        launchertest::CLauncherRun run(product);
        EXPECT_EQ(run.Log(), "");
        run.SetEnvironment("KESTRUM_SIMULATED_CARDS", "v");
        run.SetEnvironment("KESTRUM_SIMULATED_CARDS", "V");
        ASSERT_TRUE(run.Start({"AutoStart"}));
        HWND choice = nullptr;
        for (int i = 0; i < 600 && choice == nullptr && !run.HasExited(); ++i, Sleep(50)) {
            choice = run.FindWindowTitled("機種選択");
        }
        ASSERT_NE(choice, nullptr) << run.Log();
        PostMessageA(choice, WM_CLOSE, 0, 0);
        ASSERT_EQ(run.WaitForMainWindow(30000), launchertest::CLauncherRun::MAIN_WINDOW)
            << run.Log();
        // The shell starts the agent while the launcher goes on.
        CardShareRecord shared;
        const DWORD begin = GetTickCount();
        while (!launchertest::ReadCardRecord(shared) && GetTickCount() - begin < kBoundMs) {
            Sleep(20);
        }
        ASSERT_TRUE(launchertest::ReadCardRecord(shared)) << "the agent stand-in runs";
        EXPECT_EQ(shared.removableMask, testsupport::DriveBit('V')) << "with the launcher's cards";
        EXPECT_NE(run.Log().find("==========<開始("), std::string::npos) << run.Log();
        EXPECT_EQ(run.Close(), 0u);
    }
    launchertest::CLauncherRun next(product);
    EXPECT_EQ(next.Log(), "") << "the earlier run's lines are not this run's";
    CardShareRecord shared;
    EXPECT_FALSE(launchertest::ReadCardRecord(shared)) << "the agent was ended with the run";
}

// ---- the observer ----

TEST(ObserverTest, SeesTheBroadcastsOfAnotherProcessHiddenOrShown)
{
    const UINT deviceChange = RegisterWindowMessageA("DEVICECHANGE_KESTRUM");
    const UINT userChanger = RegisterWindowMessageA("UserChanger");
    for (const bool visible : {false, true}) {
        SCOPED_TRACE(visible ? "shown off-screen" : "hidden");
        launchertest::CObserver observer({"DEVICECHANGE_KESTRUM"}, visible);
        ASSERT_TRUE(observer.IsReady());
        EXPECT_EQ(IsWindowVisible(observer.Window()) != FALSE, visible);
        // As the agent broadcasts, and as the launcher relays.
        DWORD recipients = BSM_APPLICATIONS;
        EXPECT_GT(BroadcastSystemMessageA(BSF_POSTMESSAGE | BSF_IGNORECURRENTTASK, &recipients,
                                          WM_DEVICECHANGE, 1, 0),
                  0);
        EXPECT_TRUE(PostMessageA(HWND_BROADCAST, deviceChange, 2, 0x1234));
        EXPECT_TRUE(PostMessageA(HWND_BROADCAST, userChanger, 0, 0));
        // Posted before the observer's own message: recorded once it is.
        ASSERT_TRUE(observer.Sync());
        EXPECT_TRUE(observer.WaitFor("WM_DEVICECHANGE", 1, 0));
        EXPECT_TRUE(observer.WaitFor("DEVICECHANGE_KESTRUM", 2, 0));
        const std::vector<launchertest::ObservedMessage> seen = observer.Seen();
        ASSERT_EQ(seen.size(), 2u) << "the observer's own message is not among them";
        EXPECT_EQ(seen[1].uLParam, 0x1234u);
        EXPECT_EQ(observer.Count("UserChanger"), 0u) << "a message not named is not recorded";
        observer.Forget();
        EXPECT_TRUE(observer.Seen().empty());
    }
}

// ---- the abort-check gate ----

// A thread started as the product starts its workers (CreateThread through the program's
// imports), running the function; joined with the object.
class CWorker {
public:
    explicit CWorker(std::function<void()> run) : m_fnRun(std::move(run))
    {
        m_hThread = CreateThread(nullptr, 0, &CWorker::_Run, this, 0, nullptr);
    }
    ~CWorker() { Join(); }
    void Join()
    {
        if (m_hThread == nullptr) return;
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }

private:
    static DWORD WINAPI _Run(void* self)
    {
        static_cast<CWorker*>(self)->m_fnRun();
        return 0;
    }
    std::function<void()> m_fnRun;
    HANDLE m_hThread;
};

TEST(AbortCheckGateTest, HoldsAWorkersCheckUntilItsEventOrTheGateOpens)
{
    // Auto-reset, as the drop window's abort event.
    lib::CHandle abort(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    DWORD answers[4] = {};
    std::atomic<bool> heldReturned(false);
    {
        launchertest::CAbortCheckGate gate(1);
        ASSERT_TRUE(gate.Patched());
        EXPECT_EQ(WaitForSingleObject(abort.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
            << "the test's own check passes";
        CWorker worker([&] {
            answers[0] = WaitForSingleObject(abort.Get(), 0); // the first passes
            answers[1] = WaitForSingleObject(abort.Get(), 1); // a wait of some time is no check
            answers[2] = WaitForSingleObject(abort.Get(), 0); // held until the abort
            heldReturned = true;
            answers[3] = WaitForSingleObject(abort.Get(), 0); // the abort was taken
        });
        ASSERT_TRUE(gate.WaitForHeld(kBoundMs));
        EXPECT_FALSE(heldReturned) << "the check waits for the abort";
        SetEvent(abort.Get());
        worker.Join();
    }
    EXPECT_EQ(answers[0], static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(answers[1], static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(answers[2], static_cast<DWORD>(WAIT_OBJECT_0)) << "answered as the check would";
    EXPECT_EQ(answers[3], static_cast<DWORD>(WAIT_TIMEOUT));

    // Opened, the gate lets a held check go on unset, and later ones pass.
    DWORD opened[2] = {};
    {
        launchertest::CAbortCheckGate gate;
        std::atomic<bool> returned(false);
        CWorker worker([&] {
            opened[0] = WaitForSingleObject(abort.Get(), 0);
            returned = true;
            opened[1] = WaitForSingleObject(abort.Get(), 0);
        });
        ASSERT_TRUE(gate.WaitForHeld(kBoundMs));
        EXPECT_FALSE(returned);
        gate.Open();
        worker.Join();
    }
    EXPECT_EQ(opened[0], static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(opened[1], static_cast<DWORD>(WAIT_TIMEOUT));
    // Gone, it holds nothing.
    CWorker([&] { opened[0] = WaitForSingleObject(abort.Get(), 0); }).Join();
    EXPECT_EQ(opened[0], static_cast<DWORD>(WAIT_TIMEOUT));
}

// ---- boxes shown in-process ----

// A box as the launcher's ShowMessageBox shows one: its log line first, then the modal box.
int ShowLoggedBox(HWND owner, const std::string& text, UINT style)
{
    TOLVE_LOG(LOG_INFO, "ShowMessageBox owner:%08X style:0x%08X %s",
              static_cast<uint32_t>(reinterpret_cast<uintptr_t>(owner)), style,
              launchertest::EscapeBoxText(text).c_str());
    skintest::CSkinErrorCollector errors;
    ui::CMessageBoxWindow box(true);
    const int result = box.DoModal(owner, text, style);
    EXPECT_TRUE(errors.Messages().empty());
    return result;
}

TEST(MessageBoxHarnessTest, FindsTheBoxAfterItsLineAndPressesTheButtonAsked)
{
    lib::wfc::CWindow owner;
    owner.Create(0, nullptr, "ケストラム", WS_POPUP, 0, 0, 100, 100);
    HWND desktop = GetDesktopWindow();
    const struct {
        const char* name;
        HWND owner;
        const char* text;
        UINT style;
        int press;
        bool pressed;
        int result;
    } cases[] = {
        {"Yes, No: No", owner.GetHwnd(), "一行目です。\r\n二行目は表n件", MB_YESNO | MB_ICONQUESTION,
         IDNO, true, IDNO},
        {"the same text again: the new box", owner.GetHwnd(), "一行目です。\r\n二行目は表n件",
         MB_YESNO | MB_ICONQUESTION, IDYES, true, IDYES},
        {"OK, Cancel: Cancel", owner.GetHwnd(), "確認", MB_OKCANCEL, IDCANCEL, true, IDCANCEL},
        {"OK: cancelled by the close button", owner.GetHwnd(), "確認", MB_OK, IDCANCEL, true,
         IDCANCEL},
        {"owned by the desktop", desktop, "ランチャーに問題がある可能性があります。",
         MB_ICONEXCLAMATION, IDOK, true, IDOK},
        {"OK offers no Yes: closed after the time-out", owner.GetHwnd(), "確認", MB_OK, IDYES,
         false, IDCANCEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        launchertest::CBoxPresser press(c.text, c.press, c.pressed ? kBoundMs : 500);
        EXPECT_EQ(ShowLoggedBox(c.owner, c.text, c.style), c.result);
        EXPECT_EQ(press.Pressed(), c.pressed);
        const launchertest::ShownBox& box = press.Box();
        EXPECT_TRUE(box.Found());
        EXPECT_EQ(box.sText, c.text);
        EXPECT_EQ(box.uStyle, c.style);
        EXPECT_EQ(box.uOwner, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(c.owner)));
        EXPECT_FALSE(IsWindow(box.hBox)) << "the box is gone";
    }
    owner.DestroyWindow();
}

void LogBoxLine(uint32_t owner, UINT style, const char* text)
{
    TOLVE_LOG(LOG_INFO, "ShowMessageBox owner:%08X style:0x%08X %s", owner, style, text);
}

size_t LogLength() { return testsupport::ReadLog().size(); }

TEST(MessageBoxHarnessTest, AWatchTakesTheLinesAfterItsOffsetInTurn)
{
    // Lines without a box: the owner 1 is no window.
    LogBoxLine(1, MB_OK, "前の箱");
    launchertest::CBoxWatch watch(GetTolveLogOutputPath(), GetCurrentProcessId(), LogLength());
    LogBoxLine(1, MB_YESNO, "次の箱");
    LogBoxLine(1, MB_OKCANCEL, "三つ目\\r");

    launchertest::ShownBox box = watch.WaitForBox("前の箱", 100);
    EXPECT_EQ(box.sText, "") << "a line before the offset is not seen";
    box = watch.WaitForBox("次の箱", 100);
    EXPECT_FALSE(box.Found());
    EXPECT_EQ(box.sText, "次の箱") << "the line, although its box never came";
    EXPECT_EQ(box.uStyle, static_cast<uint32_t>(MB_YESNO));
    box = watch.WaitForBox("", 100);
    EXPECT_EQ(box.sText, "三つ目\r") << "the next line, its CR restored";
    EXPECT_EQ(box.uStyle, static_cast<uint32_t>(MB_OKCANCEL));
    EXPECT_EQ(watch.WaitForBox("", 100).sText, "") << "nothing after it";
}

} // namespace
