// Road "delete data": the user deletes the product's data from the card from the settings
// window, confirms, and lets the camera unit's recordings go too. What the product never
// wrote stays: the unit's two files in "PC" and every folder the deletion does not list.

#include "launcher/DelDMInfoMsgWindow.h"
#include "launcher/SettingWindow.h"
#include "tests/e2e/RoadSteps.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/MessageBoxes.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using roadtest::Shot;

const char kRoad[] = "delete_data";
const char kCard = 'D';
const uint16_t kMenuSetting = 4002;
const char kSettingTitle[] = "ケストラム設定";
const char kDeleteTitle[] = "ケストラム設定 ";
const char kQuestion[] =
    "SDカード内のケストラム関連のファイルを全て削除します。\r\nよろしいですか？\r\n\r\n"
    "※この作業を行っても、ナビゲーション登録情報、蓄積型プローブ情報、Sonavelleデータは削除"
    "されません。必要に応じて手動で削除してください。";
const char kDone[] = "ケストラム関連ファイルの削除が完了しました。";

// The card's files besides the link file, which the road's card holds already.
const char* const kCardFiles[] = {
    "WEBDMDATA\\DATA\\POINT.DAT",    "NAVIDATA\\IMG\\0001.JPG",
    "UPDATE\\PROGRAM.BIN",           "TRK500\\TRACK.DAT",
    "TRK500_1\\TRACK.DAT",           "TRK500_2\\SUB\\TRACK.DAT",
    "HUD_VERUP\\only_pg_update\\HUD.BIN", "HUD_VERUP\\all_update\\HUD.BIN",
    "HUD_VERUP\\README.TXT",         "NormalImage.bin",
    "PC\\EXDEVICE.DAT",              "PC\\MAP\\MAP.DAT",
    "PC\\WEATHER\\WEATHER.DAT",      "PC\\SETTING.TXT",
    "VP_UNIT\\MOVIE\\0001.MP4",      "AVMTR\\REC.DAT",
    "MUSIC\\SONG.DAT",
};

// What the deletion leaves: the unit's two files and the folders it does not list.
const std::set<std::string> kLeft = {
    "AVMTR\\",      "AVMTR\\REC.DAT",       "HUD_VERUP\\", "HUD_VERUP\\README.TXT",
    "MUSIC\\",      "MUSIC\\SONG.DAT",      "PC\\",        "PC\\EXDEVICE.DAT",
    "PC\\NAVIINFO.DAT",
};

// Every path on the card below its root, folders with a trailing backslash.
std::set<std::string> CardTree()
{
    std::set<std::string> tree;
    const fs::path root = roadtest::CardRoot(kCard);
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end;
         it.increment(error)) {
        std::string path = it->path().lexically_relative(root).string();
        if (it->is_directory()) path += "\\";
        tree.insert(path);
    }
    return tree;
}

TEST(DeleteDataRoad, YesToTheRecordingsDeletesEveryListedFolderAndKeepsTheRest)
{
    roadsteps::CRoadLauncher launcher(kRoad);
    ASSERT_TRUE(launcher.IsReady());
    ASSERT_TRUE(launcher.PrepareUnitCard(kCard));
    for (const char* file : kCardFiles) {
        roadtest::WriteCardFile(kCard, file, std::string(512, 'Z'));
    }
    ASSERT_TRUE(launcher.Start(std::string(1, kCard)));
    ASSERT_NE(launcher.WaitForCard(kCard), nullptr) << launcher.Run().Log();

    launcher.Command(kMenuSetting);
    const HWND settings = launcher.WaitForWindow(kSettingTitle);
    ASSERT_NE(settings, nullptr) << launcher.Run().Log();
    roadsteps::ClickItem(settings, ui::SettingWindowKey::kDeleteButton.m_nId);
    const launchertest::ShownBox question =
        launcher.Run().WaitForBox(kQuestion, roadsteps::kBoxWaitMs);
    ASSERT_TRUE(question.Found()) << launcher.Run().Log();
    EXPECT_EQ(question.uStyle, static_cast<uint32_t>(MB_OKCANCEL | MB_ICONINFORMATION));
    Shot(kRoad, "confirm", "question", question.hBox);
    ASSERT_TRUE(roadsteps::PressAndWaitGone(question, IDOK));

    // The recordings' question stands over the deletion window before anything goes.
    const HWND deleting = launcher.WaitForWindow(kDeleteTitle);
    ASSERT_NE(deleting, nullptr) << launcher.Run().Log();
    const HWND recordings = roadsteps::WaitForBoxOf(launcher.Run().ProcessId(), deleting);
    ASSERT_NE(recordings, nullptr);
    Shot(kRoad, "recordings", "question", recordings);
    EXPECT_EQ(CardTree().count("VP_UNIT\\MOVIE\\0001.MP4"), 1u);
    roadsteps::ClickItem(recordings, ui::DelDMInfoMsgWindowKey::kYesButton.m_nId);

    const launchertest::ShownBox done = launcher.Run().WaitForBox(kDone, roadsteps::kBoxWaitMs);
    ASSERT_TRUE(done.Found()) << launcher.Run().Log();
    EXPECT_EQ(done.uStyle, static_cast<uint32_t>(MB_ICONINFORMATION));
    EXPECT_TRUE(roadsteps::WaitForGone(deleting)) << "the deletion window closes itself";
    Shot(kRoad, "done", "box", done.hBox);
    EXPECT_EQ(CardTree(), kLeft);
    EXPECT_TRUE(roadsteps::PressAndWaitGone(done, IDOK));
    EXPECT_EQ(launcher.Run().Close(roadsteps::kShowWaitMs), 0u);
}

} // namespace
