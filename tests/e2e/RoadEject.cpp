// Road "eject": the user removes the card safely with the main window's card button. With
// the card reader's controls answering, the volume goes, the active card is cleared and the
// device library ejects the reader's device; with the card held by another program (its
// lock refused with 5), the launcher says the card is in use and ejects nothing.

#include "launcher/LaunchWindow.h"
#include "tests/e2e/RoadSteps.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/launcher/support/SharedBlocks.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

using roadtest::Shot;

const char kRoad[] = "eject";
const char kCard = 'D';
const char kQuestion[] = "SDカードを安全に取り外します。\r\nよろしいですか？";
const char kRemoved[] = "SDカードの取り外しが可能な状態になりました。";
const char kInUse[] =
    "他の機能を使用中のため取り外しできません。\r\n関連するウィンドウを閉じてから操作してください。";
// The reader's device for D: as the library stand-in numbers it, around one eject.
const char kEjectCalls[] =
    "load\n"
    "OpenDevices 1 -> 0x00005E70\n"
    "GetDeviceFromDriveLetter 0x00005E70 D -> 0x00000103\n"
    "EjectDevice 0x00005E70 0x00000103 -> 1\n"
    "CloseDevices 0x00005E70 -> 1\n"
    "unload\n";
// The volume lock is tried 20 times, 500 ms apart, before the card counts as in use.
const DWORD kLockTriesMs = 10000;

std::string TessalyRecord()
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "e2e_eject_tessaly.txt";
}

char SelectedDrive()
{
    CardShareRecord record;
    return launchertest::ReadCardRecord(record) ? static_cast<char>(record.selectedDrive) : '?';
}

TEST(EjectRoad, TheCardGoesWhenTheReaderLetsItAndStaysInUseWhenItsLockIsRefused)
{
    const struct {
        const char* step;
        const char* busyCards;
        const char* text;
        uint32_t style;
        char selectedAfter;
        const char* libraryCalls;
    } cases[] = {
        {"removed", "", kRemoved, MB_ICONINFORMATION, 0, kEjectCalls},
        {"in-use", "D", kInUse, 0x70, kCard, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        roadsteps::CRoadLauncher launcher(kRoad);
        ASSERT_TRUE(launcher.IsReady());
        const launchertest::CProgramSwap library(
            "Tessaly.dll",
            launchertest::TestsFolder() + "carddata_drives_tessaly\\full\\Tessaly.dll");
        ASSERT_TRUE(library.Swapped());
        ASSERT_TRUE(launcher.PrepareUnitCard(kCard));
        DeleteFileA(TessalyRecord().c_str());
        launcher.Run().SetEnvironment("KESTRUM_TESSALY_RECORD", TessalyRecord());
        launcher.Run().SetEnvironment("KESTRUM_BUSY_CARDS", c.busyCards);
        ASSERT_TRUE(launcher.Start(std::string(1, kCard)));
        const HWND main = launcher.WaitForCard(kCard);
        ASSERT_NE(main, nullptr) << launcher.Run().Log();
        Shot(kRoad, c.step, "main", main);

        roadsteps::ClickItem(main, ui::LaunchWindowKey::kButtonClassSDPairing.m_nId);
        const launchertest::ShownBox question =
            launcher.Run().WaitForBox(kQuestion, roadsteps::kBoxWaitMs);
        ASSERT_TRUE(question.Found()) << launcher.Run().Log();
        EXPECT_EQ(question.uStyle, static_cast<uint32_t>(MB_OKCANCEL | MB_ICONINFORMATION));
        Shot(kRoad, c.step, "question", question.hBox);
        ASSERT_TRUE(launchertest::PressBox(question, IDOK));

        const launchertest::ShownBox outcome =
            launcher.Run().WaitForBox(c.text, roadsteps::kBoxWaitMs + kLockTriesMs);
        ASSERT_TRUE(outcome.Found()) << launcher.Run().Log();
        EXPECT_EQ(outcome.uStyle, c.style);
        Shot(kRoad, c.step, "outcome", outcome.hBox);
        EXPECT_EQ(SelectedDrive(), c.selectedAfter);
        EXPECT_EQ(testsupport::ReadFileBytes(TessalyRecord()), c.libraryCalls);
        EXPECT_TRUE(roadsteps::PressAndWaitGone(outcome, IDOK));
        EXPECT_EQ(launcher.Run().Close(roadsteps::kShowWaitMs), 0u);
    }
    DeleteFileA(TessalyRecord().c_str());
}

} // namespace
