// Road "remove all": whoever uninstalls the product runs "Kestrum4Update.exe removeall" while
// the launcher, its agent and the three sibling tools run and the four packages of the
// product are installed. Every program's window goes, the one tool that ignores WM_CLOSE is
// ended by force, and no package of the product stays installed.

#include "lib/Handle.h"
#include "tests/e2e/RoadSteps.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/StartRecord.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <msi.h>

#include <string>
#include <vector>

namespace {

using roadtest::Shot;

const char kRoad[] = "remove_all";
const DWORD kRemoveWaitMs = 240000;
const DWORD kTerminated = 0xFFFFFFFF;
// The updater's WM_CLOSE rounds for a program before it ends it by force.
const size_t kCloseRounds = 10;

// The product's packages in the order the updater removes them, and the test packages that
// install them.
const struct {
    const char* code;
    const char* package;
} kPackages[] = {
    {"{3F1C7A20-5B8E-4D21-9A37-0C6E2B7D4F10}", "Sibling1.msi"},
    {"{7A2E9C41-1D3B-4F6A-8E52-6B0D3C9F2A84}", "Sibling2.msi"},
    {"{C4B81E06-92A7-4C3D-B1F5-8E2A7D60C913}", "Sibling3.msi"},
    {"{5E93D2B8-6C14-4A0F-A7E9-31B4C8F0D256}", "Product.msi"},
};
const char* const kTitles[] = {"Kestrum4 Launcher", "Kestrum4AgentWindowTitle", "Mendrill",
                               "Dapplegate", "PellickManager"};

bool Installed(const char* code)
{
    const INSTALLSTATE state = MsiQueryProductStateA(code);
    return state == INSTALLSTATE_DEFAULT || state == INSTALLSTATE_LOCAL ||
           state == INSTALLSTATE_ABSENT;
}

// Leaves none of the product's packages installed, before the road and after it.
void UninstallAll()
{
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    for (const auto& package : kPackages) {
        if (Installed(package.code)) {
            MsiConfigureProductA(package.code, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT);
        }
    }
}

// A program of the product folder, ended by force should it outlive the object.
class CProgram {
public:
    CProgram(const std::string& path, const std::string& arguments)
    {
        std::string line = "\"" + path + "\"" + (arguments.empty() ? "" : " " + arguments);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &info)) {
            *m_cProcess.Out() = info.hProcess;
            CloseHandle(info.hThread);
        }
    }
    ~CProgram()
    {
        if (m_cProcess.IsValid() && WaitForSingleObject(m_cProcess.Get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_cProcess.Get(), 1001);
        }
    }
    bool Started() const { return m_cProcess.IsValid(); }
    // Its exit code once it ended within the bound, STILL_ACTIVE otherwise.
    DWORD Wait(DWORD timeoutMs) const
    {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(m_cProcess.Get(), timeoutMs) == WAIT_OBJECT_0) {
            GetExitCodeProcess(m_cProcess.Get(), &code);
        }
        return code;
    }

private:
    lib::CHandle m_cProcess;
};

TEST(RemoveAllRoad, EveryProgramClosesTheStubbornOneIsEndedAndNoPackageStays)
{
    UninstallAll();
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    const std::string packages = launchertest::TestsFolder() + "updater_packages\\";
    for (const auto& package : kPackages) {
        ASSERT_EQ(MsiInstallProductA((packages + package.package).c_str(), nullptr),
                  static_cast<UINT>(ERROR_SUCCESS))
            << package.package;
        ASSERT_TRUE(Installed(package.code)) << package.code;
    }

    roadsteps::CRoadLauncher launcher(kRoad);
    ASSERT_TRUE(launcher.IsReady());
    const launchertest::CProgramSwap updater(
        "Kestrum4Update.exe", launchertest::TestsFolder() + "..\\updater\\Kestrum4Update.exe");
    ASSERT_TRUE(updater.Swapped());
    ASSERT_TRUE(launcher.Start(""));
    ASSERT_EQ(launcher.Run().WaitForMainWindow(roadsteps::kShowWaitMs),
              launchertest::CLauncherRun::MAIN_WINDOW)
        << launcher.Run().Log();
    const launchertest::CProductFolder& product = launcher.Product();
    const launchertest::CStartRecord record(product.Path());
    const CProgram mendrill(product.File("Mendrill.exe"), "");
    const CProgram dapplegate(product.File("Dapplegate.exe"), "");
    const CProgram pellick(product.File("PellickManager.exe"), "--ignore-close");
    for (const char* title : kTitles) {
        EXPECT_TRUE(roadsteps::WaitUntil([title] { return FindWindowA(nullptr, title) != nullptr; }))
            << title;
    }
    Shot(kRoad, "before", "main", launcher.Run().MainWindow());

    const CProgram removeAll(product.File("Kestrum4Update.exe"), "removeall");
    ASSERT_TRUE(removeAll.Started());
    EXPECT_EQ(removeAll.Wait(kRemoveWaitMs), 0u);
    // Ten polite rounds for the tool that ignores them (an eleventh close may come with its
    // end), then its end by force.
    size_t closes = 0;
    for (const launchertest::NotedMessage& message : record.Messages()) {
        if (message.sName == "WM_CLOSE") ++closes;
    }
    EXPECT_GE(closes, kCloseRounds);
    EXPECT_LE(closes, kCloseRounds + 1);
    EXPECT_EQ(pellick.Wait(roadsteps::kShowWaitMs), kTerminated);

    // The force ends a process a moment after the updater asked for it.
    for (const char* title : kTitles) {
        EXPECT_TRUE(roadsteps::WaitUntil([title] { return FindWindowA(nullptr, title) == nullptr; }))
            << title;
    }
    EXPECT_TRUE(launcher.Run().WaitForExit(roadsteps::kShowWaitMs));
    EXPECT_EQ(launcher.Run().ExitCode(), 0u);
    EXPECT_EQ(mendrill.Wait(roadsteps::kShowWaitMs), 0u);
    EXPECT_EQ(dapplegate.Wait(roadsteps::kShowWaitMs), 0u);
    // The product's own package is removed last and not waited for.
    for (const auto& package : kPackages) {
        EXPECT_TRUE(
            roadsteps::WaitUntil([&package] { return !Installed(package.code); }, kRemoveWaitMs))
            << package.code;
    }
    UninstallAll();
}

} // namespace
