// Road "demo": the launcher demo of `./kestrum run`, as a new user first meets the product,
// run to its shown window: card V: with both downloads done, then closed cleanly.

#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/ProductFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

const DWORD kDemoBoundMs = 180000;

TEST(RoadDemo, ShowsCardVWithBothDownloadsAndEndsWithZero)
{
    const std::string demo = launchertest::TestsFolder() + "launcher_demo\\launcher_demo.exe";
    std::string commandLine = "\"" + demo + "\" --until-shown";
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
