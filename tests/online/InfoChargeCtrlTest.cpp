// The information download scheduler on simulated card Y:, with this program playing the
// agent in "KestrumShareMemName" (the active card's letter) and the launcher in
// "UserAgentShareMemName" (the current user, whom the traffic job looks up in the user
// list of the program's private application folder).

#include "online/InfoChargeCtrl.h"

#include "carddata/SDInfoFile.h"
#include "carddata/UserListFile.h"
#include "carddata/UserStampRecord.h"
#include "lib/BlockShareMemHolder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/online/WeatherTestSupport.h"
#include "tests/online/support/JobTestSupport.h"
#include "tests/online/support/MessageCapture.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/AgentBlock.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using onlinetest::CAnswer;
using onlinetest::CapturedMessage;
using onlinetest::CMessageCapture;
using onlinetest::CStandIn;
using onlinetest::CurrentUserBlock;
using onlinetest::LocalNow;
using onlinetest::RecordedRequest;
using namespace weathertest;

const char kOtpPath[] = "/probe/OFPB";
const char kOdvPath[] = "/cgi-bin/odv.cgi/";
const char kNickName[] = "kazuko";

// The user whom the traffic job asks for.
bool RegisterUser()
{
    UserStampRecord stamp;
    stamp.m_uPositionX = 460800;
    stamp.m_uPositionY = 307200;
    stamp.m_uMapVersion = 0x05000123;
    stamp.m_uLinkYear = 0x2010;
    stamp.m_strUserAgent = kUserAgent;
    CUserListFile list;
    return list.Load() &&
           list.SaveWithCurrentDevice("0123456789ABCDEF", kNickName, 0x000A0005, kUserAgent, &stamp);
}

// The local time `seconds` from now (negative: ago).
SYSTEMTIME FromNow(int64_t seconds)
{
    const SYSTEMTIME now = LocalNow();
    FILETIME file;
    SystemTimeToFileTime(&now, &file);
    const uint64_t units = (static_cast<uint64_t>(file.dwHighDateTime) << 32 | file.dwLowDateTime) +
                           static_cast<uint64_t>(seconds * 10000000);
    file.dwHighDateTime = static_cast<DWORD>(units >> 32);
    file.dwLowDateTime = static_cast<DWORD>(units);
    SYSTEMTIME time;
    FileTimeToSystemTime(&file, &time);
    return time;
}

class InfoChargeCtrlTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_agent.IsReady());
        ASSERT_TRUE(m_card.IsRemovable()) << "rebuild the test prefix (see tools/wine-prefix)";
        ASSERT_TRUE(PrepareStandIn(m_standIn));
        ASSERT_TRUE(WriteLinkFile(m_card));
        ASSERT_TRUE(RegisterUser());
        ASSERT_TRUE(CurrentUserBlock().SetUserAgent(kNickName));
        Select(kCard);
    }

    void TearDown() override
    {
        m_ctrl.AbortAll(INFINITE);
        Select(0);
    }

    void Select(char letter)
    {
        const int32_t bit = testsupport::DriveBit(kCard);
        m_agent.Write(bit, bit, letter);
    }

    // Each job's first request is refused, so that a started run ends after one request.
    void Fresh()
    {
        m_standIn.Reset();
        ASSERT_TRUE(m_standIn.Rule(kFolder, AccountAuth(onlinetest::AuthMode::Both)));
        for (const std::string& path : {std::string(kFolderPath) + "all.man",
                                       std::string(kOtpPath), std::string(kOdvPath)}) {
            ASSERT_TRUE(m_standIn.Queue(path, CAnswer().Status(503).Count(10)));
        }
        m_capture.Clear();
    }

    // The paths that the stand-in saw, as far as they belong to the job of `type`.
    std::vector<std::string> PathsOf(uint32_t type) const
    {
        std::vector<std::string> paths;
        for (const RecordedRequest& r : m_standIn.Requests()) {
            const bool weather = r.sPath.compare(0, 9, kFolderPath) == 0;
            if (weather == (type == kWeatherType)) paths.push_back(r.sPath);
        }
        return paths;
    }

    testsupport::CAgentBlock m_agent;
    CStandIn m_standIn;
    CSimulatedCard m_card{kCard};
    CMessageCapture m_capture;
    CInfoChargeCtrl m_ctrl;
};

TEST_F(InfoChargeCtrlTest, LastSuccessDecidesWhetherADownloadRuns)
{
    // A record's time is taken from the clock when the record is written, just before the
    // start it decides, so that the boundaries hold to the second.
    enum Damage { NONE, MONTH_13, YEAR_0 };
    struct Record {
        uint32_t m_uKey;
        int64_t m_iSeconds; // from now; negative: ago
        uint32_t m_uResult;
        Damage m_eDamage = NONE;
    };
    auto success = [](uint32_t key, int64_t seconds) { return Record{key, seconds, key << 24}; };
    const char noCard = FindUnusedDriveLetter();
    ASSERT_NE(0, noCard);

    struct Case {
        const char* m_pszName;
        uint32_t m_uType; // the job asked for
        std::vector<Record> m_vecRecords;
        char m_cSelected;
        int32_t m_iResult;
        uint32_t m_uError; // posted, without the job type; 0: none (skipped)
    };
    const uint32_t W = kWeatherType;
    const uint32_t T = kTrafficType;
    const uint32_t refused = 0x1001F7; // the stand-in's 503
    const Case cases[] = {
        {"weather, nothing recorded", W, {}, kCard, 1, refused},
        {"weather 719:59 ago", W, {success(W, -(719 * 60 + 59))}, kCard, -1, 0},
        {"weather 720:00 ago", W, {success(W, -720 * 60)}, kCard, 1, refused},
        {"weather a minute ago with an error", W, {{W, -60, W << 24 | 0x10000E}}, kCard, 1,
         refused},
        {"weather a minute ago with another type's success", W, {{W, -60, T << 24}}, kCard, 1,
         refused},
        {"weather after a traffic success", W, {success(T, -60)}, kCard, 1, refused},
        {"weather in the future", W, {success(W, 3600)}, kCard, 1, refused},
        {"weather in month 13", W, {{W, -3600, W << 24, MONTH_13}}, kCard, 1, refused},
        {"weather in year 0", W, {{W, -3600, W << 24, YEAR_0}}, kCard, 1, refused},
        {"weather a day ago, among other records", W,
         {success(T, -60), {36, -60, 36u << 24}, success(W, -86400)}, kCard, 1, refused},
        {"weather, no card selected", W, {}, 0, 1, 0xFF06},
        {"weather, the selected card is gone", W, {}, noCard, 1, 0xFF06},
        {"traffic, nothing recorded", T, {}, kCard, 1, refused},
        {"traffic 29:59 ago", T, {success(T, -(29 * 60 + 59))}, kCard, -1, 0},
        {"traffic 30:00 ago", T, {success(T, -30 * 60)}, kCard, 1, refused},
        {"traffic after a weather success", T, {success(W, -60)}, kCard, 1, refused},
        {"traffic a minute ago with an error", T, {{T, -60, T << 24 | 0x200099}}, kCard, 1,
         refused},
        {"traffic in the future", T, {success(T, 60)}, kCard, 1, refused},
        {"traffic, no card selected", T, {}, 0, 1, 0xFF06},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        Fresh();
        ASSERT_TRUE(m_card.RemoveFile("PC\\SDINFO.DAT") || GetLastError() == ERROR_FILE_NOT_FOUND);
        for (const Record& record : c.m_vecRecords) {
            SYSTEMTIME time = FromNow(record.m_iSeconds);
            if (record.m_eDamage == MONTH_13) time.wMonth = 13;
            if (record.m_eDamage == YEAR_0) time.wYear = 0;
            CSDInfoFile history(kCard);
            ASSERT_TRUE(history.SaveHistory(record.m_uKey, time, SDINFO_PHASE_SUCCEEDED,
                                            record.m_uResult, 0, 0, nullptr));
        }
        Select(c.m_cSelected);

        const int32_t result = c.m_uType == W ? m_ctrl.StartWeather(m_capture.Window())
                                              : m_ctrl.StartVelocet(m_capture.Window());
        EXPECT_EQ(c.m_iResult, result);
        if (result == 1) {
            ASSERT_TRUE(m_capture.WaitFor(kFinish, 1, 20000));
            EXPECT_EQ(c.m_uType, m_capture.Of(kFinish)[0].uLParam);
        }
        m_capture.PumpFor(30);
        std::vector<uint32_t> errors;
        for (const CapturedMessage& m : m_capture.Of(kError)) errors.push_back(m.uWParam);
        EXPECT_EQ(c.m_uError != 0 ? std::vector<uint32_t>{c.m_uType << 24 | c.m_uError}
                                  : std::vector<uint32_t>{},
                  errors);
        const bool asked = c.m_uError != 0 && c.m_uError != 0xFF06;
        EXPECT_EQ(asked, !PathsOf(c.m_uType).empty()) << "a request of the job";
        EXPECT_TRUE(PathsOf(c.m_uType == W ? T : W).empty()) << "nothing of the other job";
    }
}

TEST_F(InfoChargeCtrlTest, AbortAllStopsBothRunningJobs)
{
    Fresh();
    m_standIn.Reset();
    ASSERT_TRUE(m_standIn.Rule(kFolder, AccountAuth(onlinetest::AuthMode::Both)));
    // Both jobs in a reply that trickles in without end, pieces often enough that each read
    // of the client ends and it sees the abort before the next (see README).
    ASSERT_TRUE(m_standIn.Queue(std::string(kFolderPath) + "all.man",
                                onlinetest::TrickleWithoutEnd()));
    ASSERT_TRUE(m_standIn.Queue(kOdvPath, onlinetest::TrickleWithoutEnd()));

    ASSERT_EQ(1, m_ctrl.StartWeather(m_capture.Window()));
    ASSERT_EQ(1, m_ctrl.StartVelocet(m_capture.Window()));
    // The weather job's two exchanges of "all.man", the password and the traffic data.
    ASSERT_EQ(4u, m_standIn.WaitForRequests(4, 30000));
    // A running job refuses a second start.
    EXPECT_EQ(0, m_ctrl.StartWeather(m_capture.Window()));
    EXPECT_EQ(0, m_ctrl.StartVelocet(m_capture.Window()));

    testsupport::CLogCapture log;
    m_ctrl.AbortAll(INFINITE);
    EXPECT_FALSE(log.Has("中断要求にタイムアウトしました")) << "no request thread terminated";
    ASSERT_TRUE(m_capture.WaitFor(kFinish, 2));
    m_capture.PumpFor(30);
    std::vector<uint32_t> finished;
    for (const CapturedMessage& m : m_capture.Of(kFinish)) finished.push_back(m.uLParam);
    EXPECT_EQ(2u, finished.size());
    std::vector<uint32_t> errors;
    for (const CapturedMessage& m : m_capture.Of(kError)) errors.push_back(m.uWParam & 0xFF00FFFF);
    std::sort(errors.begin(), errors.end());
    EXPECT_EQ((std::vector<uint32_t>{kTrafficType << 24 | 0xFF00, kWeatherType << 24 | 0xFF00}),
              errors);
    EXPECT_EQ(4u, m_standIn.Requests().size()) << "no request after the abort";
}

} // namespace
