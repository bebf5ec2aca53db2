// Road "demo": the launcher demo of `./kestrum run --until-shown`, as a new user first meets
// the product: it ends with 0 within its bound, once the main window has shown card V: with
// both downloads at 100 and the stored-probe upload of the start has ended, and leaves the
// shots of the upload's window and of the main window, each taken while no other window
// stood over it (the demo ends with 4 otherwise).

#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

const DWORD kDemoBoundMs = 180000;

TEST(RoadDemo, ShowsCardVWithBothDownloadsAndEndsWithZero)
{
    const std::vector<std::string> shots = {roadtest::ShotsFolder() + "demo-shown-main.png",
                                            roadtest::ShotsFolder() + "demo-shown-probe_log.png"};
    for (const std::string& shot : shots) DeleteFileA(shot.c_str());
    const std::string demo = launchertest::TestsFolder() + "launcher_demo\\launcher_demo.exe";
    bool started = false;
    const DWORD code = testsupport::RunProgramWithin(demo, "--until-shown", kDemoBoundMs, &started);
    ASSERT_TRUE(started) << demo;
    EXPECT_NE(code, static_cast<DWORD>(STILL_ACTIVE)) << "the demo outlived its bound";
    EXPECT_EQ(code, 0u);

    // What the demo waited for, as the launcher logged it: each download's progress at 100
    // (traffic 0x25, weather 0x26) and its end, and the end of the upload (0x24).
    const std::string log = testsupport::ReadFileBytes(launchertest::LauncherLogPath());
    for (const char* line : {"_OnProgressFinish uiProgress:25,uiParam:64",
                             "_OnProgressFinish uiProgress:26,uiParam:64",
                             "_OnProgressFinish 25\r\n", "_OnProgressFinish 26\r\n",
                             "_OnProgressFinish 24\r\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
    for (const std::string& shot : shots) {
        EXPECT_NE(GetFileAttributesA(shot.c_str()), INVALID_FILE_ATTRIBUTES) << shot;
    }
}

} // namespace
