// Road "traffic and weather": a registered user's unit card. The launcher's start runs both
// downloads: the weather lands on the card, the traffic service answers an error, whose text the
// user reads; the update button then brings the traffic data (the weather, just fetched, is not
// due). A locked card stops both, at the start and at the button, with its text.

#include "carddata/BuiltinAccount.h"
#include "carddata/SDInfoFile.h"
#include "lib/Path.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/e2e/RoadSteps.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/LauncherTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using launchertest::CLauncherRun;
using launchertest::ShownBox;

const char kRoad[] = "traffic_weather";
const char kCard = 'D';
const char kDeviceNo[] = "DN00000000000053";
const uint32_t kCcidHead = 0x0746;
const char kNickName[] = "jiro";
const uint32_t kTrafficJob = 37;
const uint32_t kWeatherJob = 38;
const WORD kButtonUpdate = 1017;
const DWORD kWaitMs = roadsteps::kShowWaitMs;

const char kTrafficFailed[] =
    "vizuvavaを利用できません。\r\n\r\n"
    "お手数ですが、カスタマーサポートセンターへお問い合わせください。\r\n\r\n"
    "(メッセージコード：25200010)";
const char kCardLocked[] =
    "挿入されているSDカードはロックされています。\r\nSDカードを確認してください。";
const UINT kCatalogueStyle = 0x30;
const UINT kWarningStyle = 0x70;

// The card files each download writes, with their sizes for the service's default answers.
struct CardFile {
    const char* path;
    size_t size;
};
const CardFile kTrafficFiles[] = {{"PC\\PROBE\\RCVDAT.DAT.ENC", 3000},
                                  {"PC\\PROBE\\RCVTIME.DAT", 24}};
const CardFile kWeatherFiles[] = {{"PC\\WEATHER\\WT_INFO.DAT", 556},
                                  {"PC\\WEATHER\\WT_DATA.DAT", 46200},
                                  {"PC\\WEATHER\\AMDSDATA.DAT", 13500},
                                  {"PC\\WEATHER\\WTCWDATA.DAT", 11550}};

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The window's own account of a job that reached 100 % and then finished: the images of its row all
// shown, and its finished image. Waits for it.
void ExpectRowDone(const CLauncherRun& run, uint32_t job)
{
    char progress[96];
    std::snprintf(progress, sizeof progress,
                  "CLaunchWindow::_OnProgressFinish uiProgress:%x,uiParam:64\r\n", job);
    char finish[64];
    std::snprintf(finish, sizeof finish, "CLaunchWindow::_OnProgressFinish %x\r\n", job);
    EXPECT_TRUE(roadsteps::WaitUntil([&] {
        const std::string log = run.Log();
        const size_t at = log.rfind(progress);
        return at != std::string::npos && log.find(finish, at) != std::string::npos;
    })) << job;
}

// The job's record in the card's SD information file: a success of today.
void ExpectRecorded(uint32_t job)
{
    CSDInfoFile history(kCard);
    ASSERT_TRUE(history.Read());
    SYSTEMTIME time = {};
    uint32_t phase = 0;
    uint32_t result = 1;
    std::string text;
    ASSERT_TRUE(history.GetHistory(job, &time, &phase, &text, &result)) << job;
    EXPECT_EQ(phase, static_cast<uint32_t>(SDINFO_PHASE_SUCCEEDED)) << job;
    EXPECT_EQ(result, job << 24) << job;
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    EXPECT_EQ(time.wYear, now.wYear);
    EXPECT_EQ(time.wDay, now.wDay);
}

template <size_t N> void ExpectCardFiles(const CardFile (&files)[N])
{
    for (const auto& file : files) {
        EXPECT_EQ(testsupport::ReadFileBytes(roadtest::CardRoot(kCard) + file.path).size(),
                  file.size)
            << file.path;
    }
}

class RoadTrafficWeather : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_road.IsReady());
        char id[16] = {};
        char password[16] = {};
        ASSERT_TRUE(GetBuiltinAccount(id, sizeof id, password, sizeof password));
        ASSERT_TRUE(m_road.StandIn().Rule(
            "/wlink36/*", onlinetest::CAnswer().Auth(onlinetest::AuthMode::Both, id, password)));
        ASSERT_TRUE(m_observer.IsReady());
        roadtest::WriteCardFile(kCard, CLinkFileBuilder::kNaviInfoPath,
                                CLinkFileBuilder()
                                    .SetDeviceNo(kDeviceNo)
                                    .SetCcidHead(kCcidHead)
                                    .SetPosition(128000, 503000)
                                    .SetLinkWord(2026)
                                    .AddRecord(PCLINK_RECORD_UNIT_INFO, 0x01000A05, 0x12)
                                    .AddRecord(PCLINK_RECORD_LINK_VALUE, 0x00020611, 0)
                                    .Build());
        SetEnvironmentVariableA("KESTRUM_SIMULATED_CARDS", std::string(1, kCard).c_str());
    }

    // The card's user, current, on a PC whose unit model was chosen; the resident agent has
    // published the card. After the run's own clean-up, before its start.
    void PrepareStart()
    {
        ASSERT_TRUE(roadsteps::RegisterCardUser(kCard, kDeviceNo, kNickName, kCcidHead));
        roadsteps::SaveSelectedUserSettings(roadsteps::ModelChosenSettings(), kNickName);
        m_observer.Forget();
        ASSERT_TRUE(roadsteps::StartResidentAgentWithCards(m_road.Product(), m_observer));
    }

    roadsteps::CRoadProduct m_road{kRoad};
    launchertest::CObserver m_observer{{"UserChanger"}};
};

TEST_F(RoadTrafficWeather, TheStartAndTheUpdateButtonFillTheCard)
{
    // The traffic service's first answer is an error block (code 1).
    ASSERT_TRUE(
        m_road.StandIn().SetVars("{\"odv_replies\": [{\"kind\": \"error\", \"code\": 1}]}"));
    CLauncherRun run(m_road.Product());
    PrepareStart();
    ASSERT_TRUE(run.Start());
    ASSERT_EQ(run.WaitForMainWindow(kWaitMs), CLauncherRun::MAIN_WINDOW) << run.Log();

    const ShownBox failed = run.WaitForBox(kTrafficFailed, kWaitMs);
    ASSERT_TRUE(failed.Found()) << run.Log();
    EXPECT_EQ(failed.uStyle, kCatalogueStyle);
    roadtest::Shot(kRoad, "1-start", "traffic-error", failed.hBox);
    ASSERT_TRUE(roadsteps::PressAndWaitGone(failed, IDOK));
    ExpectRowDone(run, kWeatherJob);
    ExpectRecorded(kWeatherJob);
    ExpectCardFiles(kWeatherFiles);
    EXPECT_TRUE(
        testsupport::ReadFileBytes(roadtest::CardRoot(kCard) + kTrafficFiles[0].path).empty());
    roadtest::Shot(kRoad, "1-start", "main", run.MainWindow());

    // The update button: the traffic data now; the weather of a moment ago is not due.
    roadsteps::ClickItem(run.MainWindow(), kButtonUpdate);
    ExpectRowDone(run, kTrafficJob);
    ExpectRecorded(kTrafficJob);
    ExpectCardFiles(kTrafficFiles);
    EXPECT_EQ(CountOf(run.Log(), "CLaunchWindow::_OnProgressFinish 26\r\n"), 1u);
    roadtest::Shot(kRoad, "2-update-button", "main", run.MainWindow());
    EXPECT_EQ(run.Close(roadsteps::kShowWaitMs), 0u);
}

TEST_F(RoadTrafficWeather, ALockedCardIsNotWrittenAndSaysSo)
{
    for (const char* folder : {"PC\\WEATHER", "PC\\PROBE"}) {
        lib::DeleteFolder((roadtest::CardRoot(kCard) + folder).c_str(), true);
    }
    CLauncherRun run(m_road.Product());
    run.SetEnvironment("KESTRUM_LOCKED_CARDS", std::string(1, kCard));
    PrepareStart();
    ASSERT_TRUE(run.Start());
    ASSERT_EQ(run.WaitForMainWindow(kWaitMs), CLauncherRun::MAIN_WINDOW) << run.Log();

    const ShownBox atStart = run.WaitForBox(kCardLocked, kWaitMs);
    ASSERT_TRUE(atStart.Found()) << run.Log();
    EXPECT_EQ(atStart.uStyle, kWarningStyle);
    roadtest::Shot(kRoad, "3-locked-start", "locked", atStart.hBox);
    ASSERT_TRUE(roadsteps::PressAndWaitGone(atStart, IDOK));

    roadsteps::ClickItem(run.MainWindow(), kButtonUpdate);
    const ShownBox atButton = run.WaitForBox(kCardLocked, kWaitMs);
    ASSERT_TRUE(atButton.Found()) << run.Log();
    ASSERT_TRUE(roadsteps::PressAndWaitGone(atButton, IDOK));
    const std::vector<onlinetest::RecordedRequest> requests = m_road.StandIn().Requests();
    for (const onlinetest::RecordedRequest& request : requests) {
        EXPECT_NE(request.sPath.compare(0, 9, "/wlink36/"), 0) << request.sPath;
        EXPECT_NE(request.sPath, "/cgi-bin/odv.cgi/");
    }
    EXPECT_TRUE(
        testsupport::ReadFileBytes(roadtest::CardRoot(kCard) + kWeatherFiles[0].path).empty());
    EXPECT_EQ(run.Close(roadsteps::kShowWaitMs), 0u);
}

} // namespace
