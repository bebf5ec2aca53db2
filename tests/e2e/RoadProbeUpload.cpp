// Road "probe upload": the card holds the unit's driving recordings and its user wants to see the
// upload (DisplayUpload 1). The launcher's start uploads them by itself: the probe log window shows
// the run, the recordings leave the card, and at the exit the run's lines and their counters stay
// with the user. When the probe-traffic service answers that the user is not registered with it,
// the launcher asks whether to register, and Yes opens its page.

#include "lib/AppFolder.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/ProbeBuilder.h"
#include "tests/e2e/RoadSteps.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/LauncherTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

using launchertest::CLauncherRun;
using launchertest::ShownBox;

const char kRoad[] = "probe_upload";
const char kCard = 'D';
const char kDeviceNo[] = "DN00000000000054";
const char kCcid[] = "0746052100000054";
const uint32_t kCcidHead = 0x0746;
const char kNickName[] = "saburo";
const char kRecording[] = "PROBE\\01\\ProbeData.dat";
const char kWindowTitle[] = "蓄積型プローブアップロード";
const DWORD kWaitMs = roadsteps::kShowWaitMs;

const char kNotRegistered[] =
    "下記ニックネームのヴェロセット利用登録が行われていないため、蓄積型プロー\r\n"
    "ブ情報をヴェロセット専用サーバーに送信できませんでした。\r\n"
    "ヴェロセット利用登録を行いますか？\r\n\r\nニックネーム：saburo";
const UINT kQuestionStyle = 0x44;

// The lines of one complete run, their dates left out.
const char* const kRunLines[] = {"",
                                 "---- 蓄積型プローブアップロード開始----",
                                 "SDカード内データ確認中...",
                                 "蓄積型プローブデータ読込中...",
                                 "ヴェロセット利用登録確認中...",
                                 "アップロード準備中...",
                                 "アップロード実行中...",
                                 "",
                                 "---- 蓄積型プローブアップロード終了状況----",
                                 "アップロード完了"};

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file's lines, each ended by a line feed alone, without their "YYYY/MM/DD  HH:MM " dates.
std::vector<std::string> UndatedLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', from)) {
        std::string line = text.substr(from, end - from);
        if (line.size() >= 18 && line[4] == '/' && line[7] == '/' && line[14] == ':') {
            line = line.substr(18);
        }
        lines.push_back(line);
        from = end + 1;
    }
    if (from != text.size()) lines.push_back("<unended>" + text.substr(from));
    return lines;
}

class RoadProbeUpload : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_road.IsReady());
        ASSERT_TRUE(m_observer.IsReady());
        roadtest::WriteCardFile(kCard, CLinkFileBuilder::kNaviInfoPath,
                                CLinkFileBuilder()
                                    .SetDeviceNo(kDeviceNo)
                                    .SetCcidHead(kCcidHead)
                                    .AddRecord(PCLINK_RECORD_UNIT_INFO, 0x01000A05, 0x12)
                                    .Build());
        const std::string track = "a drive along the coast";
        roadtest::WriteCardFile(kCard, kRecording,
                                CProbeBuilder()
                                    .SetDeviceNo(kDeviceNo)
                                    .SetCcid(kCcid)
                                    .SetUid("U000000054")
                                    .AddRealFile("20261210080000TRACK.BIN",
                                                 std::vector<uint8_t>(track.begin(), track.end()))
                                    .Build());
        SetEnvironmentVariableA("KESTRUM_SIMULATED_CARDS", std::string(1, kCard).c_str());
    }

    // The card's user, current and wanting to see the upload; only the upload runs at the start.
    // After the run's own clean-up, before its start.
    void PrepareStart()
    {
        ASSERT_TRUE(roadsteps::RegisterCardUser(kCard, kDeviceNo, kNickName, kCcidHead));
        CLauncherSettingFile settings = roadsteps::ModelChosenSettings();
        settings.m_iAutoDLTraffic = 0;
        settings.m_iAutoDLWeather = 0;
        settings.m_iDisplayUpload = 1;
        roadsteps::SaveSelectedUserSettings(settings, kNickName);
        ASSERT_TRUE(roadsteps::StartResidentAgentWithCards(m_road.Product(), m_observer));
    }

    roadsteps::CRoadProduct m_road{kRoad};
    launchertest::CObserver m_observer{{"UserChanger"}};
};

TEST_F(RoadProbeUpload, TheStartUploadsTheRecordingsAndTheUserKeepsTheRun)
{
    CLauncherRun run(m_road.Product());
    PrepareStart();
    ASSERT_TRUE(run.Start());
    ASSERT_EQ(run.WaitForMainWindow(kWaitMs), CLauncherRun::MAIN_WINDOW) << run.Log();
    const HWND window = roadsteps::WaitForShownWindow(run.ProcessId(), kWindowTitle);
    ASSERT_NE(window, nullptr) << run.Log();

    EXPECT_TRUE(
        roadsteps::WaitUntil([] { return !Exists(roadtest::CardRoot(kCard) + kRecording); }));
    roadsteps::WaitUntil([&run] {
        return run.Log().find("CLaunchWindow::_OnProgressFinish 24\r\n") != std::string::npos;
    });
    ASSERT_NE(run.Log().find("CLaunchWindow::_OnProgressFinish uiProgress:24,uiParam:64\r\n"),
              std::string::npos);
    if (run.FindWindowTitled(kWindowTitle) != nullptr) {
        roadtest::Shot(kRoad, "1-start", "probe-log", window);
    }
    roadtest::Shot(kRoad, "1-start", "main", run.MainWindow());
    // The gateway had the consent check, the upload and its completion.
    size_t gateway = 0;
    for (const onlinetest::RecordedRequest& request : m_road.StandIn().Requests()) {
        if (request.sPath == "/probe/OFPB") ++gateway;
    }
    EXPECT_GE(gateway, 3u);

    // The run's lines and where they stand in the ring stay with the user.
    EXPECT_EQ(run.Close(roadsteps::kShowWaitMs), 0u);
    const std::string lines =
        testsupport::ReadFileBytes(lib::GetDataFolder() + kNickName + "\\ProbeLogInfo.info");
    EXPECT_EQ(UndatedLines(lines),
              std::vector<std::string>(std::begin(kRunLines), std::end(kRunLines)));
    CLauncherSettingFile settings;
    settings.Load(kNickName);
    EXPECT_EQ(settings.m_iUploadTotNum, 10);
    EXPECT_EQ(settings.m_iUploadCurrNum, 10);
    EXPECT_EQ(settings.m_iDisplayUpload, 1);
}

TEST_F(RoadProbeUpload, AUserTheServiceDoesNotKnowIsAskedToRegister)
{
    ASSERT_TRUE(m_road.StandIn().SetVars("{\"consent_answer\": \"C01\"}"));
    CLauncherRun run(m_road.Product());
    PrepareStart();
    ASSERT_TRUE(run.Start());
    ASSERT_EQ(run.WaitForMainWindow(kWaitMs), CLauncherRun::MAIN_WINDOW) << run.Log();

    const ShownBox question = run.WaitForBox(kNotRegistered, kWaitMs);
    ASSERT_TRUE(question.Found()) << run.Log();
    EXPECT_EQ(question.uStyle, kQuestionStyle);
    roadtest::Shot(kRoad, "2-not-registered", "question", question.hBox);
    launchertest::CBrowserRecord browser;
    ASSERT_TRUE(launchertest::PressBox(question, IDYES));
    const std::vector<std::string> opened = browser.WaitForOpened(kWaitMs);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], m_road.StandIn().Url("/velocet/index.html"));
    // Nothing went up: the recording waits on the card.
    EXPECT_TRUE(Exists(roadtest::CardRoot(kCard) + kRecording));
    EXPECT_EQ(run.Close(roadsteps::kShowWaitMs), 0u);
}

} // namespace
