// The program Kestrum4Update as the launcher meets it: its command lines, the hand-shake,
// single instance, menu exit, a real package installed and reinstalled through Windows
// Installer, and the launcher's own setup handed over. The test's own window stands in for
// the launcher; packages lie in the prefix user's Download folder, where the updater takes
// them from, so this test keeps the user's real application data.

#include "lib/AppFolder.h"
#include "lib/Handle.h"
#include "lib/Path.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/support/TestSupport.h"
#include "tests/updater/UpdaterTestSupport.h"
#include "updater/CopyDataInstall.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <msi.h>

#include <memory>
#include <string>
#include <vector>

using namespace updatertest;

namespace {

constexpr DWORD kExitWaitMs = 60000;
constexpr DWORD kInstallWaitMs = 120000;
constexpr UINT kMenuExit = 105;
constexpr char kSibling1[] = "{3F1C7A20-5B8E-4D21-9A37-0C6E2B7D4F10}";
constexpr DWORD kFailedExit = 0xFFFFFFFF;

const testsupport::CCopiedProgram& Program()
{
    static testsupport::CCopiedProgram program("..\\updater\\Kestrum4Update.exe", "updater");
    return program;
}

std::string Packages() { return testsupport::ProgramFolder() + "updater_packages\\"; }

// The updater's own log, from the moment the object was made.
class CUpdaterLog {
public:
    CUpdaterLog() : m_uStart(testsupport::ReadFileBytes(Path()).size()) {}
    static std::string Path() { return lib::GetLogFolder() + "Kestrum4Update_sys.log"; }
    std::string Text() const { return testsupport::ReadFileBytes(Path(), m_uStart); }
    size_t Count(const std::string& text) const
    {
        const std::string log = Text();
        size_t count = 0;
        for (size_t at = 0; (at = log.find(text, at)) != std::string::npos; at += text.size()) {
            ++count;
        }
        return count;
    }

private:
    size_t m_uStart;
};

// A program started with exactly this text after its quoted name, ended by force if it
// outlives the object.
class CProgram {
public:
    CProgram(const std::string& path, const std::string& arguments, int showCommand = SW_SHOW)
    {
        std::string line = "\"" + path + "\"";
        if (!arguments.empty()) line += " " + arguments;
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
        PROCESS_INFORMATION info = {};
        if (CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           lib::GetParentFolder(path).c_str(), &startup, &info)) {
            *m_cProcess.Out() = info.hProcess;
            CloseHandle(info.hThread);
        }
    }
    ~CProgram()
    {
        if (m_cProcess.IsValid() && WaitForSingleObject(m_cProcess.Get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_cProcess.Get(), 1001);
            WaitForSingleObject(m_cProcess.Get(), 5000);
        }
    }
    bool Started() const { return m_cProcess.IsValid(); }
    // Its exit code, pumping this thread's messages meanwhile; 1001 while it still runs.
    DWORD Wait(DWORD timeoutMs) const
    {
        PumpUntil([&] { return WaitForSingleObject(m_cProcess.Get(), 0) == WAIT_OBJECT_0; },
                  timeoutMs);
        DWORD code = 1001;
        if (WaitForSingleObject(m_cProcess.Get(), 0) == WAIT_OBJECT_0) {
            GetExitCodeProcess(m_cProcess.Get(), &code);
        }
        return code;
    }

private:
    lib::CHandle m_cProcess;
};

// The updater, shown without taking the activation (which costs seconds under Xvfb).
class CUpdater : public CProgram {
public:
    explicit CUpdater(const std::string& arguments)
        : CProgram(Program().Program(), arguments, SW_SHOWNOACTIVATE)
    {
    }
};

HWND FindInstallerWindow() { return FindWindowA("KESTRUMINSTALLER", "KestrumInstaller"); }

HWND WaitInstallerWindow()
{
    PumpUntil([] { return FindInstallerWindow() != nullptr; }, kExitWaitMs);
    return FindInstallerWindow();
}

LRESULT SendRequest(HWND installer, HWND sender, const COPYDATAINSTALL& record)
{
    struct {
        COPYDATAINSTALL record;
        char extra[4];
    } sent = {record, {}};
    COPYDATASTRUCT data = {MSG_REQUEST_INSTALL, kCopyDataInstallSentSize, &sent};
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(installer, WM_COPYDATA, reinterpret_cast<WPARAM>(sender),
                             reinterpret_cast<LPARAM>(&data), SMTO_BLOCK, kExitWaitMs, &answer)) {
        return -1;
    }
    return static_cast<LRESULT>(answer);
}

// Leaves the product uninstalled, before and after the test.
class CProductAbsent {
public:
    explicit CProductAbsent(const char* code) : m_pszCode(code) { Remove(); }
    ~CProductAbsent() { Remove(); }
    void Remove() const
    {
        if (MsiQueryProductStateA(m_pszCode) == INSTALLSTATE_DEFAULT) {
            MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
            MsiConfigureProductA(m_pszCode, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT);
        }
    }

private:
    const char* m_pszCode;
};

// A whole package's progress: its start first, its end last, ticks in between.
void ExpectOnePackage(const std::vector<Progress>& progress, uint32_t aplType)
{
    ASSERT_GE(progress.size(), 2u) << Describe(progress);
    EXPECT_EQ((Progress{INSTALL_PROGRESS_START, aplType << 16}), progress.front()) << Describe(progress);
    EXPECT_EQ((Progress{INSTALL_PROGRESS_END, aplType << 16}), progress.back()) << Describe(progress);
    bool total = false;
    bool position = false;
    for (size_t i = 1; i + 1 < progress.size(); ++i) {
        EXPECT_GE(progress[i].uCode, INSTALL_PROGRESS_TOTAL) << Describe(progress);
        EXPECT_LE(progress[i].uCode, INSTALL_PROGRESS_ADDTOTAL) << Describe(progress);
        total = total || progress[i].uCode == INSTALL_PROGRESS_TOTAL;
        position = position || progress[i].uCode == INSTALL_PROGRESS_POSITION;
    }
    EXPECT_TRUE(total) << Describe(progress);
    EXPECT_TRUE(position) << Describe(progress);
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Program().Copied()); }
};

TEST_F(ProgramTest, AnyOtherCommandLineEndsAtOnceWithMinusOne)
{
    CLauncherWindow launcher;
    for (const char* arguments : {"launcher", "Launcher ", "", "removeall x"}) {
        SCOPED_TRACE(arguments);
        CUpdaterLog log;
        CUpdater updater(arguments);
        ASSERT_TRUE(updater.Started());
        EXPECT_EQ(kFailedExit, updater.Wait(kExitWaitMs));
        // What it posted before it ended is queued by now.
        testsupport::DispatchQueued();
        EXPECT_EQ(0, launcher.VerUpStarts());
        EXPECT_EQ("", log.Text());
        EXPECT_EQ(nullptr, FindInstallerWindow());
    }
}

TEST_F(ProgramTest, WithoutTheLauncherWindowLogsAndEnds)
{
    ASSERT_EQ(nullptr, FindWindowA(nullptr, kLauncherTitle));
    CUpdaterLog log;
    CUpdater updater("Launcher");
    EXPECT_EQ(kFailedExit, updater.Wait(kExitWaitMs));
    EXPECT_NE(std::string::npos, log.Text().find("FindWindow LAUNCHER failed")) << log.Text();
}

TEST_F(ProgramTest, SecondUpdaterTellsTheLauncherAndEndsAndMenuExitEndsTheFirst)
{
    CLauncherWindow launcher;
    CUpdaterLog log;
    CUpdater first("Launcher");
    const HWND installer = WaitInstallerWindow();
    ASSERT_NE(nullptr, installer);
    EXPECT_TRUE(PumpUntil([&] { return launcher.VerUpStarts() == 1; }, kExitWaitMs));

    CUpdater second("Launcher");
    EXPECT_EQ(kFailedExit, second.Wait(kExitWaitMs));
    EXPECT_TRUE(PumpUntil([&] { return launcher.VerUpStarts() == 2; }, kExitWaitMs));
    EXPECT_EQ(2u, log.Count("Start version up"));
    EXPECT_EQ(installer, FindInstallerWindow());

    PostMessageA(installer, WM_COMMAND, kMenuExit, 0);
    EXPECT_EQ(0u, first.Wait(kExitWaitMs));
    EXPECT_EQ(nullptr, FindInstallerWindow());
    EXPECT_EQ(1u, log.Count("\t==\t")); // one start banner: the second never started its log
}

TEST_F(ProgramTest, AboutBoxOpensFromTheMenuOverTheWindowAndClosesOnOk)
{
    // Its accelerators (Alt+"?", Alt+"/") are not driven here: Wine matches an accelerator
    // with Alt against the keyboard's state, which a posted character does not change.
    CLauncherWindow launcher;
    CUpdater updater("Launcher");
    const HWND installer = WaitInstallerWindow();
    ASSERT_NE(nullptr, installer);
    PostMessageA(installer, WM_COMMAND, 104, 0);
    HWND about = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (about = FindWindowA("#32770", "About")) != nullptr; },
                          kExitWaitMs));
    EXPECT_EQ(installer, GetWindow(about, GW_OWNER));
    // The box is found as soon as it is made, before its controls are (a text read from
    // another process meanwhile may be anything).
    char text[64] = {};
    EXPECT_TRUE(PumpUntil(
        [&] {
            GetWindowTextA(GetDlgItem(about, 1000), text, sizeof text);
            return std::string(text) == "KestrumInstaller Version 1.0";
        },
        kExitWaitMs))
        << text;
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(about); }, kExitWaitMs));
    PostMessageA(installer, WM_COMMAND, kMenuExit, 0);
    EXPECT_EQ(0u, updater.Wait(kExitWaitMs));
}

TEST_F(ProgramTest, InstallsAndReinstallsARealPackage)
{
    const std::string download = UserDownloadFolder();
    CPlacedFile first(Packages() + "Sibling1.msi", download + "UpdaterTest_Sibling1.msi");
    CPlacedFile second(Packages() + "Sibling1v2.msi", download + "UpdaterTest_Sibling1v2.msi");
    ASSERT_TRUE(first.Placed());
    ASSERT_TRUE(second.Placed());
    CProductAbsent absent(kSibling1);
    ASSERT_EQ(INSTALLSTATE_UNKNOWN, MsiQueryProductStateA(kSibling1));

    CLauncherWindow launcher;
    CUpdaterLog log;
    CUpdater updater("Launcher");
    const HWND installer = WaitInstallerWindow();
    ASSERT_NE(nullptr, installer);

    EXPECT_EQ(1, SendRequest(installer, launcher.Handle(),
                             MakeRecord(APLTYPE_DAPPLEGATE, INSTALLTYPE_INSTALL, launcher.Handle(),
                                        first.Path())));
    ASSERT_TRUE(PumpUntil([&] { return launcher.Ended(); }, kInstallWaitMs)) << log.Text();
    ExpectOnePackage(launcher.Received(), APLTYPE_DAPPLEGATE);
    EXPECT_EQ(INSTALLSTATE_DEFAULT, MsiQueryProductStateA(kSibling1));

    launcher.Clear();
    EXPECT_EQ(1, SendRequest(installer, launcher.Handle(),
                             MakeRecord(APLTYPE_DAPPLEGATE, INSTALLTYPE_REINSTALL,
                                        launcher.Handle(), second.Path())));
    ASSERT_TRUE(PumpUntil([&] { return launcher.Ended(); }, kInstallWaitMs)) << log.Text();
    ExpectOnePackage(launcher.Received(), APLTYPE_DAPPLEGATE);
    EXPECT_EQ(INSTALLSTATE_DEFAULT, MsiQueryProductStateA(kSibling1));
    EXPECT_EQ(std::string::npos, log.Text().find("DoAction[ERROR")) << log.Text();

    PostMessageA(installer, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, updater.Wait(kExitWaitMs));
}

TEST_F(ProgramTest, LauncherSetupIsStartedWithItsSilentParametersAndTheUpdaterQuits)
{
    CPlacedFile setup(testsupport::ProgramFolder() + "updater_setup_standin.exe",
                      UserDownloadFolder() + "UpdaterTest_Setup.exe");
    ASSERT_TRUE(setup.Placed());
    const std::string record = setup.Path() + ".args";
    DeleteFileA(record.c_str());

    CLauncherWindow launcher;
    CUpdater updater("Launcher");
    const HWND installer = WaitInstallerWindow();
    ASSERT_NE(nullptr, installer);
    EXPECT_EQ(1, SendRequest(installer, launcher.Handle(),
                             MakeRecord(APLTYPE_LAUNCHER, INSTALLTYPE_REINSTALL, launcher.Handle(),
                                        setup.Path())));
    EXPECT_EQ(0u, updater.Wait(kExitWaitMs));
    // The stand-in puts its record in place whole; what the updater posted before it ended
    // is dispatched on the way.
    EXPECT_TRUE(PumpUntil([&] { return lib::FileExists(record); }, kExitWaitMs));
    EXPECT_EQ("/S /v/passive", testsupport::ReadFileBytes(record));
    EXPECT_TRUE(launcher.Received().empty()) << Describe(launcher.Received());
    DeleteFileA(record.c_str());
}

// ---- removeall ----

const char* const kProductCodes[] = {
    "{3F1C7A20-5B8E-4D21-9A37-0C6E2B7D4F10}",
    "{7A2E9C41-1D3B-4F6A-8E52-6B0D3C9F2A84}",
    "{C4B81E06-92A7-4C3D-B1F5-8E2A7D60C913}",
    "{5E93D2B8-6C14-4A0F-A7E9-31B4C8F0D256}",
};
const char* const kPackages[] = {"Sibling1.msi", "Sibling2.msi", "Sibling3.msi", "Product.msi"};
const char* const kTitles[] = {"Kestrum4 Launcher", "Kestrum4AgentWindowTitle", "Mendrill",
                               "Dapplegate", "PellickManager"};

TEST_F(ProgramTest, RemoveAllClosesTheProgramsAndUninstallsEveryPackage)
{
    std::vector<std::unique_ptr<CProductAbsent>> absent;
    for (const char* code : kProductCodes) absent.emplace_back(new CProductAbsent(code));
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    for (size_t i = 0; i < 4; ++i) {
        ASSERT_EQ(static_cast<UINT>(ERROR_SUCCESS),
                  MsiInstallProductA((Packages() + kPackages[i]).c_str(), nullptr))
            << kPackages[i];
        ASSERT_EQ(INSTALLSTATE_DEFAULT, MsiQueryProductStateA(kProductCodes[i]));
    }

    launchertest::CProductFolder product;
    launchertest::CProgramSwap agent = product.UseRealAgent();
    ASSERT_TRUE(agent.Swapped());
    CProgram launcher(testsupport::ProgramFolder() + "updater_launcher\\Launcher.exe", "");
    CProgram realAgent(product.File("Kestrum4Agent.exe"), "Launcher");
    CProgram mendrill(product.File("Mendrill.exe"), "");
    CProgram dapplegate(product.File("Dapplegate.exe"), "");
    CProgram pellick(product.File("PellickManager.exe"), "--ignore-close");
    for (const char* title : kTitles) {
        EXPECT_TRUE(PumpUntil([&] { return FindWindowA(nullptr, title) != nullptr; }, kExitWaitMs))
            << title;
    }

    const DWORD start = GetTickCount();
    CUpdater updater("removeall");
    EXPECT_EQ(0u, updater.Wait(kInstallWaitMs));
    // Ten polite rounds of about 500 ms for the tool that ignores them.
    EXPECT_GE(GetTickCount() - start, 4500u);
    EXPECT_EQ(nullptr, FindInstallerWindow());

    for (const char* title : kTitles) EXPECT_EQ(nullptr, FindWindowA(nullptr, title)) << title;
    EXPECT_EQ(0u, launcher.Wait(kExitWaitMs));
    EXPECT_EQ(0u, realAgent.Wait(kExitWaitMs));
    EXPECT_EQ(0u, mendrill.Wait(kExitWaitMs));
    EXPECT_EQ(0u, dapplegate.Wait(kExitWaitMs));
    EXPECT_EQ(kFailedExit, pellick.Wait(kExitWaitMs));

    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(INSTALLSTATE_UNKNOWN, MsiQueryProductStateA(kProductCodes[i])) << kProductCodes[i];
    }
    // The product's own package is not waited for.
    EXPECT_TRUE(PumpUntil([] { return MsiQueryProductStateA(kProductCodes[3]) == INSTALLSTATE_UNKNOWN; },
                          kInstallWaitMs));
}

TEST_F(ProgramTest, RemoveAllWithNothingInstalledOrRunningEndsWithZero)
{
    for (const char* code : kProductCodes) ASSERT_EQ(INSTALLSTATE_UNKNOWN, MsiQueryProductStateA(code));
    for (const char* title : kTitles) ASSERT_EQ(nullptr, FindWindowA(nullptr, title)) << title;
    CUpdaterLog log;
    CUpdater updater("removeall");
    // Nothing runs and nothing is installed: nothing to close or to wait for.
    EXPECT_EQ(0u, updater.Wait(kExitWaitMs));
    EXPECT_EQ("", log.Text()); // removeall writes no log
}

} // namespace
