// The launcher's start and end as another program sees them: one launcher per session, the
// agent started first, the reinstall box without it, the main window found by the title it
// shares with the hidden window, the close button's exit, and a broken message queue.

#include "launcher/LaunchWindow.h"
#include "tests/launcher/support/LauncherRun.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/launcher/support/Observer.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/launcher/support/RecordFile.h"
#include "tests/launcher/support/StartRecord.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using launchertest::CLauncherRun;
using launchertest::CProductFolder;
using launchertest::CStartRecord;

const DWORD kShowWaitMs = 30000;
const DWORD kExitWaitMs = 60000;
const DWORD kLauncherFailed = static_cast<DWORD>(-1);
const char kStartBanner[] = "==========<開始(";
const char kReinstallText[] =
    "ランチャーに問題がある可能性があります。\r\nケストラムを再インストール後、パソコンを再起動してください。";

// Runs a program of the product folder and waits for its end: its exit code, or 1000 when it
// could not start, 1001 when it outlived the bound (it is then ended).
DWORD RunProgram(const std::string& program, const std::string& arguments, const std::string& folder)
{
    std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &started)) {
        return 1000;
    }
    CloseHandle(started.hThread);
    DWORD code = 1001;
    if (WaitForSingleObject(started.hProcess, kExitWaitMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(started.hProcess, &code);
    } else {
        TerminateProcess(started.hProcess, 1001);
    }
    CloseHandle(started.hProcess);
    return code;
}

// The file version of a program as "a.b.c.d"; empty when it has none.
std::string FileVersion(const std::string& program)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    if (size == 0) return std::string();
    std::vector<char> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(program.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length)) {
        return std::string();
    }
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(info->dwFileVersionMS),
                  LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS),
                  LOWORD(info->dwFileVersionLS));
    return text;
}

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A first run asks for the unit's model before the main window shows: the choice is closed
// undone, and the start chain ends with the shown main window.
CLauncherRun::Outcome WaitForMainWindowOfFirstRun(CLauncherRun& run)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < kShowWaitMs; Sleep(50)) {
        const HWND choice = run.FindWindowTitled("機種選択");
        if (choice != nullptr) {
            PostMessageA(choice, WM_CLOSE, 0, 0);
            break;
        }
        if (run.HasExited()) break;
    }
    return run.WaitForMainWindow(kShowWaitMs);
}

// The start chain's version check asks the stand-in service, which has nothing newer than
// the programs installed and wants no logs, so the chain ends without a box.
class StartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_standIn.IsRunning());
        ASSERT_TRUE(m_standIn.SetVars(launchertest::NothingNewerVars()));
        ASSERT_TRUE(m_product.WriteConnectionInfo(m_standIn));
    }

    CProductFolder m_product;
    onlinetest::CStandIn m_standIn{"launcher_start"};
};

// With or without "AutoStart" (the agent's start), the same start: the agent first, with
// "Launcher", then the main window, which a lookup by the title alone finds before the hidden
// window of the same title; the log's start line carries the program's version.
TEST_F(StartTest, StartsTheAgentAndShowsTheMainWindowFoundByTitle)
{
    ASSERT_TRUE(m_product.HasLauncher());
    const std::string version = FileVersion(m_product.File("Launcher.exe"));
    ASSERT_FALSE(version.empty());
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, std::vector<std::string>{"AutoStart"}}) {
        SCOPED_TRACE(arguments.empty() ? "no arguments" : arguments[0]);
        CStartRecord record(m_product.Path());
        CLauncherRun run(m_product);
        ASSERT_TRUE(run.Start(arguments));
        ASSERT_EQ(WaitForMainWindowOfFirstRun(run), CLauncherRun::MAIN_WINDOW) << run.Log();

        const std::vector<launchertest::StartedProgram> agent =
            record.WaitForStart("Kestrum4Agent.exe", kShowWaitMs);
        ASSERT_EQ(agent.size(), 1u);
        EXPECT_EQ(agent[0].sArguments, "Launcher");
        EXPECT_EQ(agent[0].iShow, SW_SHOW);

        const HWND main = run.MainWindow();
        EXPECT_EQ(FindWindowA(nullptr, CLauncherRun::kTitle), main);
        EXPECT_NE(ClassOf(main), "KESTRUMLAUNCHER");
        EXPECT_EQ(GetForegroundWindow(), main);
        const HWND hidden = FindWindowA("KESTRUMLAUNCHER", CLauncherRun::kTitle);
        ASSERT_NE(hidden, nullptr);
        EXPECT_FALSE(IsWindowVisible(hidden));
        DWORD owner = 0;
        GetWindowThreadProcessId(hidden, &owner);
        EXPECT_EQ(owner, run.ProcessId());
        EXPECT_EQ((GetWindowLongPtrA(hidden, GWL_STYLE) & WS_OVERLAPPEDWINDOW),
                  static_cast<LONG_PTR>(WS_OVERLAPPEDWINDOW));

        const std::string log = run.Log();
        EXPECT_NE(log.find(kStartBanner + version + ")>"), std::string::npos) << log;
        EXPECT_EQ(log.find("ShowMessageBox"), std::string::npos) << log;
        EXPECT_EQ(run.Close(), 0u);
    }
}

// A second launcher, plain or started by the agent, ends with -1 before it logs, starts or
// broadcasts anything; the first goes on. What it would have started has noted its start
// once the folder runs only what ran before, and what it would have broadcast is recorded
// once the observer has synced.
TEST_F(StartTest, ASecondLauncherEndsAtOnceAndShowsNothing)
{
    CLauncherRun run(m_product);
    CStartRecord first(m_product.Path());
    ASSERT_TRUE(run.Start());
    ASSERT_EQ(WaitForMainWindowOfFirstRun(run), CLauncherRun::MAIN_WINDOW) << run.Log();
    ASSERT_EQ(first.WaitForStart("Kestrum4Agent.exe", kShowWaitMs).size(), 1u);
    launchertest::CObserver observer;
    ASSERT_TRUE(observer.IsReady());
    for (const char* arguments : {"", "AutoStart"}) {
        SCOPED_TRACE(arguments);
        CStartRecord record(m_product.Path());
        observer.Forget();
        const std::vector<DWORD> running = launchertest::ProcessesIn(m_product.Path());
        EXPECT_EQ(RunProgram(m_product.File("Launcher.exe"), arguments, m_product.Path()),
                  kLauncherFailed);
        EXPECT_TRUE(launchertest::WaitForProcessesIn(m_product.Path(), running, kExitWaitMs));
        ASSERT_TRUE(observer.Sync());
        EXPECT_TRUE(record.Starts().empty());
        EXPECT_TRUE(observer.Seen().empty());
    }
    const std::string log = run.Log();
    EXPECT_EQ(CountOf(log, kStartBanner), 1u) << log;
    EXPECT_EQ(log.find("ShowMessageBox"), std::string::npos) << log;
    EXPECT_NE(run.MainWindow(), nullptr);
    EXPECT_FALSE(run.HasExited());
}

// Without the agent beside it the launcher asks for a reinstall in a box owned by the
// desktop, builds no main window and ends with -1 once the box is closed.
TEST_F(StartTest, WithoutTheAgentAsksForAReinstallAndEnds)
{
    launchertest::CProgramSwap agent = m_product.Remove("Kestrum4Agent.exe");
    ASSERT_TRUE(agent.Swapped());
    CLauncherRun run(m_product);
    ASSERT_TRUE(run.Start());
    const launchertest::ShownBox box = run.WaitForBox(kReinstallText, kShowWaitMs);
    ASSERT_TRUE(box.Found()) << run.Log();
    EXPECT_EQ(box.uOwner, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(GetDesktopWindow())));
    EXPECT_EQ(box.uStyle, static_cast<uint32_t>(MB_ICONEXCLAMATION));
    EXPECT_EQ(run.MainWindow(), nullptr);
    ASSERT_TRUE(launchertest::PressBox(box, IDOK));
    ASSERT_TRUE(run.WaitForExit(kExitWaitMs));
    EXPECT_EQ(run.ExitCode(), kLauncherFailed);
}

// The close button ends the launcher with 0, the settings saved on the way out.
TEST_F(StartTest, TheCloseButtonEndsWithZeroAndSavesTheSettings)
{
    const std::string settings = launchertest::UserProductFolder() + "Setting\\Launcher.ini";
    CLauncherRun run(m_product);
    ASSERT_TRUE(run.Start({"AutoStart"}));
    ASSERT_EQ(WaitForMainWindowOfFirstRun(run), CLauncherRun::MAIN_WINDOW) << run.Log();
    ASSERT_EQ(GetFileAttributesA(settings.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(PostMessageA(run.MainWindow(), WM_COMMAND,
                             MAKEWPARAM(ui::LaunchWindowKey::kCloseButton.m_nId, 1), 0));
    ASSERT_TRUE(run.WaitForExit(kExitWaitMs));
    EXPECT_EQ(run.ExitCode(), 0u);
    // Keys of the PC and, with no user yet, of the user: their defaults, but for the first
    // run's model choice, which the start chain asked once.
    EXPECT_EQ(GetPrivateProfileIntA("Launcher", "FirstRan", -5, settings.c_str()), 0);
    EXPECT_EQ(GetPrivateProfileIntA("Launcher", "MachineType", -5, settings.c_str()), 0);
}

// A message queue whose read fails: the loop logs the error with its code and the program
// ends as after a quit, with 0.
TEST_F(StartTest, AFailedMessageReadIsLoggedAndEndsTheLoop)
{
    CLauncherRun run(m_product); // ends what runs and clears the launcher's files
    const std::string child = m_product.File("launcher_start_loop_child.exe");
    const std::string log =
        launchertest::UserProductFolder() + "Log\\launcher_start_loop_child_sys.log";
    const size_t from = launchertest::FileLength(log);
    EXPECT_EQ(RunProgram(child, "5AA", m_product.Path()), 0u);
    const std::string lines = testsupport::ReadFileBytes(log, from);
    EXPECT_NE(lines.find("\t!!\tKestrumLauncher.cpp\t"), std::string::npos) << lines;
    EXPECT_NE(lines.find("::GetMessageG[ 0x000005AA"), std::string::npos) << lines;
    launchertest::EndProductPrograms();
}

} // namespace
