// Road "check disk": the user opens the settings from the menu and checks the card's file
// system. The system folder's "chkdsk.exe" (a stand-in) runs until the road lets it go, and
// ends with a code of errors mended, then, in a second start, of errors left: either way the
// launcher ran it on the active card, kept its progress box up meanwhile and says the check
// is done once it has ended.

#include "launcher/SettingWindow.h"
#include "lib/Handle.h"
#include "tests/e2e/RoadSteps.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/launcher/support/StartRecord.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

using roadtest::Shot;

const char kRoad[] = "check_disk";
const char kCard = 'D';
const uint16_t kMenuSetting = 4002;
const char kSettingTitle[] = "ケストラム設定";
const char kQuestion[] =
    "SDカードのチェックディスクを実行するとファイルシステムのエラーを修復できる場合があります。"
    "\r\n他のアプリケーションでもSDカード使用中の場合は強制切断されますので、\r\n"
    "まず他のアプリケーションを終了してから実行してください。\r\n"
    "チェックディスクを実行します。よろしいですか？\r\n\r\n※チェックディスクには時間がかかります。";
const char kDone[] = "チェックディスクが完了しました。";
// The event that holds the chkdsk stand-in (KESTRUM_CHKDSK_GATE) until the road sets it.
const char kGate[] = "Kestrum4RoadCheckDiskGate";

std::string SystemFolder()
{
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\";
}

TEST(CheckDiskRoad, ChkdskRunsOnTheCardBehindTheProgressBoxAndTheDoneTextFollowsEitherCode)
{
    const struct {
        const char* exitCode;
        const char* step;
        const char* logLine; // how the launcher took the code
    } cases[] = {
        {"1", "mended", "CHKDSK エラーがあった為、修復"},
        {"3", "errors-left", "CHKDSKエラー EXTCODE:0x00000003"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        const lib::CHandle gate(CreateEventA(nullptr, TRUE, FALSE, kGate));
        ASSERT_TRUE(gate.IsValid());
        ResetEvent(gate.Get()); // held again, should the case before have left it open
        roadsteps::CRoadLauncher launcher(kRoad);
        ASSERT_TRUE(launcher.IsReady());
        ASSERT_TRUE(launcher.PrepareUnitCard(kCard));
        launcher.Run().SetEnvironment("KESTRUM_CHKDSK_EXIT", c.exitCode);
        launcher.Run().SetEnvironment("KESTRUM_CHKDSK_GATE", kGate);
        ASSERT_TRUE(launcher.Start(std::string(1, kCard)));
        const HWND main = launcher.WaitForCard(kCard);
        ASSERT_NE(main, nullptr) << launcher.Run().Log();

        launcher.Command(kMenuSetting);
        const HWND settings = launcher.WaitForWindow(kSettingTitle);
        ASSERT_NE(settings, nullptr) << launcher.Run().Log();
        Shot(kRoad, c.step, "settings", settings);

        launchertest::CStartRecord record(SystemFolder());
        roadsteps::ClickItem(settings, ui::SettingWindowKey::kScandiskButton.m_nId);
        const launchertest::ShownBox question =
            launcher.Run().WaitForBox(kQuestion, roadsteps::kBoxWaitMs);
        ASSERT_TRUE(question.Found()) << launcher.Run().Log();
        EXPECT_EQ(question.uStyle, static_cast<uint32_t>(MB_OKCANCEL | MB_ICONINFORMATION));
        Shot(kRoad, c.step, "question", question.hBox);
        ASSERT_TRUE(roadsteps::PressAndWaitGone(question, IDOK));

        // While chkdsk runs (held at the gate): started on the active card, under the progress
        // box, which has no log line: it is the settings window's next box.
        const std::vector<launchertest::StartedProgram> starts =
            record.WaitForStart("chkdsk.exe", roadsteps::kShowWaitMs);
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(starts[0].sCommandLine,
                  std::string("C:\\windows\\system32\\chkdsk.exe ") + kCard + ": /F /X");
        const HWND progress = roadsteps::WaitForBoxOf(launcher.Run().ProcessId(), settings);
        ASSERT_NE(progress, nullptr);
        EXPECT_FALSE(IsWindowEnabled(settings)) << "the progress box is modal";
        Shot(kRoad, c.step, "progress", progress);
        EXPECT_EQ(launcher.Run().Log().find(kDone), std::string::npos) << "done while chkdsk runs";
        ASSERT_TRUE(SetEvent(gate.Get()));

        const launchertest::ShownBox done = launcher.Run().WaitForBox(kDone, roadsteps::kBoxWaitMs);
        ASSERT_TRUE(done.Found()) << launcher.Run().Log();
        // The launcher read chkdsk's code, which it has only once chkdsk ended, before the text.
        const std::string log = launcher.Run().Log();
        EXPECT_LT(log.find(c.logLine), log.find(kDone)) << log;
        EXPECT_FALSE(IsWindowVisible(progress)) << "the progress box ends with the check";
        EXPECT_EQ(done.uStyle, static_cast<uint32_t>(MB_ICONINFORMATION));
        Shot(kRoad, c.step, "done", done.hBox);

        EXPECT_TRUE(roadsteps::PressAndWaitGone(done, IDOK));
        EXPECT_EQ(launcher.Run().Close(roadsteps::kShowWaitMs), 0u);
    }
}

} // namespace
