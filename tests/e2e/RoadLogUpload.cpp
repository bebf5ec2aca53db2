// Road "log upload": the unit's card gives the device data, and the support service wants this PC's
// logs. At the launcher's start the user is asked first: Yes sends the zipped logs, which the
// service keeps (opened here with the host's Python), and the start goes on to the main window once
// the user has read the outcome; No sends nothing.

#include "lib/Path.h"
#include "tests/carddata/HostShell.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/e2e/RoadSteps.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/LauncherTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using launchertest::CLauncherRun;
using launchertest::ShownBox;

const char kRoad[] = "log_upload";
const char kCard = 'D';
const char kDeviceNo[] = "DN00000000000055";
const char kUploadPath[] = "/pcapp/LogUploadAPI";
const char kWindowTitle[] = "ケストラム　ログアップロード";
// The upload thread's last line, when the upload succeeded.
const char kUploadEnd[] = "CAplLogUpload::_UploadThread - End RET:0x00000000";
const WORD kOkButton = 4001; // the cancel button, which reads "OK" once the upload is over
const DWORD kWaitMs = roadsteps::kShowWaitMs;

const char kConsent[] =
    "ケストラム４のエラー情報、およびお客様の\r\n"
    "パソコン環境をハルヴォーン株式会社へ送信します。\r\n\r\n"
    "エラー情報　：ケストラム４が作成したエラー情報\r\n"
    "パソコン環境：OSの種類、バージョン/CPU/メモリ容量\r\n\r\n"
    "情報をアップロードして宜しいでしょうか。";

// Where the service keeps the archives it was sent.
std::string KeptFolder()
{
    return roadtest::E2eFolder() + "log_upload_kept\\";
}

// The names of the kept archive's entries, and whether every entry reads back whole, as the host's
// Python sees them; empty when there is no one archive.
std::set<std::string> KeptEntries(bool* whole)
{
    *whole = false;
    const std::string script = "import glob, sys, zipfile\n"
                               "names = glob.glob('*.zip')\n"
                               "if len(names) != 1: sys.exit(3)\n"
                               "with zipfile.ZipFile(names[0]) as z:\n"
                               "    print('bad', z.testzip())\n"
                               "    for name in z.namelist(): print('entry', name)\n";
    std::ofstream(KeptFolder() + "inspect.py", std::ios::binary) << script;
    const hostshell::Result run = hostshell::Run("python3 inspect.py", KeptFolder(), 30000);
    std::set<std::string> entries;
    if (!run.ran || run.exitCode != 0) return entries;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        if (line == "bad None") *whole = true;
        if (line.compare(0, 6, "entry ") == 0) entries.insert(line.substr(6));
    }
    return entries;
}

size_t Uploads(const onlinetest::CStandIn& standIn)
{
    size_t count = 0;
    for (const onlinetest::RecordedRequest& request : standIn.Requests()) {
        if (request.sPath == kUploadPath) ++count;
    }
    return count;
}

class RoadLogUpload : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_road.IsReady());
        lib::DeleteFolder(KeptFolder().c_str(), true);
        ASSERT_TRUE(lib::CreateDirectoryTree(KeptFolder().c_str()));
        const std::string kept = hostshell::UnixPath(KeptFolder());
        ASSERT_FALSE(kept.empty());
        ASSERT_TRUE(
            m_road.StandIn().SetVars("{\"log_upload_wanted\": [\"" + std::string(kDeviceNo) +
                              "\"], \"log_upload_folder\": " + onlinetest::JsonString(kept) + "}"));
        ASSERT_TRUE(m_observer.IsReady());
        roadtest::WriteCardFile(kCard, CLinkFileBuilder::kNaviInfoPath,
                                CLinkFileBuilder()
                                    .SetDeviceNo(kDeviceNo)
                                    .SetCcidHead(0x0746)
                                    .AddRecord(PCLINK_RECORD_UNIT_INFO, 0x01000A05, 0x12)
                                    .Build());
        SetEnvironmentVariableA("KESTRUM_SIMULATED_CARDS", std::string(1, kCard).c_str());
    }

    void TearDown() override { lib::DeleteFolder(KeptFolder().c_str(), true); }

    // A PC whose unit model was chosen, with no user: only the log upload comes before the main
    // window. The resident agent has published the card. Then the launcher's start and the consent
    // question.
    ShownBox StartAndAsk(CLauncherRun& run)
    {
        CLauncherSettingFile settings = roadsteps::ModelChosenSettings();
        settings.m_iAutoDLTraffic = 0;
        settings.m_iAutoDLWeather = 0;
        settings.Save("");
        EXPECT_TRUE(roadsteps::StartResidentAgentWithCards(m_road.Product(), m_observer));
        EXPECT_TRUE(run.Start());
        const ShownBox consent = run.WaitForBox(kConsent, kWaitMs);
        EXPECT_TRUE(consent.Found()) << run.Log();
        EXPECT_EQ(consent.uStyle, static_cast<uint32_t>(MB_YESNO));
        // Asked before anything else shows.
        EXPECT_EQ(run.MainWindow(), nullptr);
        return consent;
    }

    roadsteps::CRoadProduct m_road{kRoad};
    launchertest::CObserver m_observer{{"UserChanger"}};
};

TEST_F(RoadLogUpload, YesSendsTheLogsAndTheStartGoesOn)
{
    CLauncherRun run(m_road.Product());
    const ShownBox consent = StartAndAsk(run);
    ASSERT_TRUE(consent.Found());
    roadtest::Shot(kRoad, "1-start", "consent", consent.hBox);
    ASSERT_TRUE(roadsteps::PressAndWaitGone(consent, IDYES));

    // The window of the upload (the box before it bore the same title).
    const HWND window = roadsteps::WaitForShownWindow(run.ProcessId(), kWindowTitle);
    ASSERT_NE(window, nullptr) << run.Log();
    // The upload's end, once the service's answer (after it kept the archive) is in.
    ASSERT_TRUE(roadsteps::WaitUntil(
        [&run] { return run.Log().find(kUploadEnd) != std::string::npos; }))
        << run.Log();
    ASSERT_EQ(Uploads(m_road.StandIn()), 1u);
    // Once the bar has run to its end and the outcome line stands (the shot waits until the
    // picture holds still).
    roadtest::Shot(kRoad, "2-yes", "log-upload", window);
    bool whole = false;
    const std::set<std::string> entries = KeptEntries(&whole);
    EXPECT_TRUE(whole);
    EXPECT_EQ(entries.count("Launcher_sys.log"), 1u) << entries.size();
    EXPECT_EQ(entries.count("PcInfo.txt"), 1u) << entries.size();

    roadsteps::ClickItem(window, kOkButton);
    ASSERT_EQ(run.WaitForMainWindow(kWaitMs), CLauncherRun::MAIN_WINDOW) << run.Log();
    EXPECT_EQ(run.FindWindowTitled(kWindowTitle), nullptr);
    EXPECT_EQ(run.Close(roadsteps::kShowWaitMs), 0u);
}

TEST_F(RoadLogUpload, NoSendsNothing)
{
    CLauncherRun run(m_road.Product());
    const ShownBox consent = StartAndAsk(run);
    ASSERT_TRUE(consent.Found());
    ASSERT_TRUE(roadsteps::PressAndWaitGone(consent, IDNO));
    ASSERT_EQ(run.WaitForMainWindow(kWaitMs), CLauncherRun::MAIN_WINDOW) << run.Log();
    roadtest::Shot(kRoad, "3-no", "main", run.MainWindow());
    EXPECT_EQ(Uploads(m_road.StandIn()), 0u);
    bool whole = false;
    EXPECT_TRUE(KeptEntries(&whole).empty());
    EXPECT_EQ(run.Close(roadsteps::kShowWaitMs), 0u);
}

} // namespace
