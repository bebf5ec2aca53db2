// The launcher demo of `./kestrum run`, run to its shown window in a space of this test: the
// card, the user and the services it prepares bring the launcher up, and it closes cleanly.

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

const DWORD kDemoBoundMs = 120000;

TEST(LauncherDemoTest, ShowsTheLauncherWithTheCardAndClosesIt)
{
    const std::string demo = testsupport::ProgramFolder() + "launcher_demo\\launcher_demo.exe";
    std::string commandLine = "\"" + demo + "\" --until-shown --space launcher_demo_test";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessA(demo.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &started))
        << demo;
    CloseHandle(started.hThread);
    const DWORD waited = WaitForSingleObject(started.hProcess, kDemoBoundMs);
    DWORD code = STILL_ACTIVE;
    if (waited == WAIT_OBJECT_0) {
        GetExitCodeProcess(started.hProcess, &code);
    } else {
        TerminateProcess(started.hProcess, 1);
    }
    CloseHandle(started.hProcess);
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "the demo outlived its bound";
    EXPECT_EQ(code, 0u);
}

} // namespace
