// The launcher demo of `./kestrum run`, run to its shown window in a space of this test: the
// card, the user and the services it prepares bring the launcher up, its pictures are taken
// with nothing over the windows they name, and it closes cleanly.

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

const DWORD kDemoBoundMs = 120000;

TEST(LauncherDemoTest, ShowsTheLauncherWithTheCardAndClosesIt)
{
    const std::string demo = testsupport::ProgramFolder() + "launcher_demo\\launcher_demo.exe";
    bool started = false;
    const DWORD code = testsupport::RunProgramWithin(
        demo, "--until-shown --space launcher_demo_test", kDemoBoundMs, &started);
    ASSERT_TRUE(started) << demo;
    EXPECT_NE(code, static_cast<DWORD>(STILL_ACTIVE)) << "the demo outlived its bound";
    EXPECT_EQ(code, 0u);
}

} // namespace
