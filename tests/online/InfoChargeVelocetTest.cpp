// The traffic download against the stand-in probe gateway and traffic data service
// (tools/standin/services: probe.py with _ofpb_otp.py, odv.py), on simulated card X: (see
// tools/wine-prefix), with users registered in a private application folder and the
// current user's nickname in "UserAgentShareMemName", which this program creates.

#include "online/InfoChargeVelocet.h"

#include "carddata/SDInfoFile.h"
#include "carddata/UserListFile.h"
#include "carddata/UserStampRecord.h"
#include "lib/AppFolder.h"
#include "lib/BlockShareMemHolder.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "online/DataManager.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/online/support/ConnectionInfoForTests.h"
#include "tests/online/support/JobTestSupport.h"
#include "tests/online/support/MessageCapture.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using onlinetest::CAnswer;
using onlinetest::CapturedMessage;
using onlinetest::CMessageCapture;
using onlinetest::CStandIn;
using onlinetest::CurrentUserBlock;
using onlinetest::Describe;
using onlinetest::LocalNow;
using onlinetest::RecordedRequest;
using testsupport::CLogCapture;

const bool g_bPrivateAppData = testsupport::UsePrivateAppData("online_traffic_test");

// X: belongs to this test program.
const char kCard = 'X';
const uint32_t kType = 37;
const char kSource[] = "InfoChargeVelocet.cpp";

const UINT kProgress = lib::GetRegisteredMessage("QZLNotifyProgress");
const UINT kError = lib::GetRegisteredMessage("QZLNotifyError");
const UINT kFinish = lib::GetRegisteredMessage("QZLNotifyFinish");

const char kOtpPath[] = "/probe/OFPB";
const char kOdvPath[] = "/cgi-bin/odv.cgi/";
const char kDataFile[] = "PC\\PROBE\\RCVDAT.DAT.ENC";
const char kTimeFile[] = "PC\\PROBE\\RCVTIME.DAT";
// What the stand-in's data service sends by default (odv.py).
const size_t kDefaultDataSize = 3000;

struct TestUser {
    const char* m_pszNickName;
    const char* m_pszDeviceNo;
    uint32_t m_uCcidHead; // low half, then high half, in the requests
    const char* m_pszUserAgent;
    int32_t m_iX;
    int32_t m_iY;
    uint32_t m_uMapVersion;
    uint32_t m_uLinkYear;
};

const TestUser kUserA = {"hanako",   "0123456789ABCDEF", 0x000A0005, "05KESTRUM-NV/1.000005",
                         460800,     307200,             0x05000123, 0x2010};
// A double-byte nickname (code page 932) on another unit.
const TestUser kUserB = {"ドライバー", "FEDCBA9876543210", 0x000B0007, "07KESTRUM-NX/2.000010",
                         -1000,      50,                 0x06000001, 0x2011};

// The CCID the stand-in's gateway gives a unit: its CCID head as sent, then its device number.
std::string GatewayCcid(const TestUser& user)
{
    return (lib::FormatString("%04u%04X", user.m_uCcidHead & 0xFFFF, user.m_uCcidHead >> 16) +
            user.m_pszDeviceNo)
        .substr(0, 16);
}

std::string OtpBody(const TestUser& user)
{
    return lib::FormatString("fc=72&deviceNo=%s&halfCcid=%04u%04X", user.m_pszDeviceNo,
                             user.m_uCcidHead & 0xFFFF, user.m_uCcidHead >> 16);
}

// The data request's body; target, base, map_ver and vics_link_year as computed here by hand.
std::string OdvBody(const std::string& ccid, const std::string& otp, const std::string& mapVer,
                    int vics, const std::string& target, const std::string& base,
                    const std::string& linkYear)
{
    return "ccid=" + ccid + "&otp=" + otp + "&map_ver=" + mapVer +
           "&comp_type=0&class=0&vics=" + std::to_string(vics) +
           "&max=204800&range=3,3&geo=tokyo&accuracy=8&target_point=" + target +
           "&base_point=" + base + "&vics_link_year=" + linkYear +
           "&max_link=30000&crypto_type=1";
}

std::string OdvBodyOf(const TestUser& user, const std::string& otp, int vics = 125)
{
    return OdvBody(GatewayCcid(user), otp,
                   lib::FormatString("-/%u.%06u", user.m_uMapVersion >> 24,
                                     user.m_uMapVersion & 0xFFFFFF),
                   vics, lib::FormatString("%d,%d", user.m_iX, user.m_iY),
                   lib::FormatString("%d,%d", user.m_iX - 115200, user.m_iY - 76800),
                   lib::FormatString("%X", user.m_uLinkYear));
}

// Stand-in values of the data service's replies (odv.py).
std::string DataReply(size_t size, int width = 0, int64_t length = -1, int cut = -1)
{
    std::string json = "{\"kind\":\"data\",\"size\":" + std::to_string(size);
    if (width != 0) json += ",\"width\":" + std::to_string(width);
    if (length >= 0) json += ",\"length\":" + std::to_string(length);
    if (cut >= 0) json += ",\"cut\":" + std::to_string(cut);
    return json + "}";
}

std::string ErrorReply(uint32_t code, int cut = -1)
{
    std::string json = "{\"kind\":\"error\",\"code\":" + std::to_string(code);
    if (cut >= 0) json += ",\"cut\":" + std::to_string(cut);
    return json + "}";
}

std::string OdvReplies(const std::vector<std::string>& replies)
{
    std::string json = "{\"odv_replies\":[";
    for (size_t i = 0; i < replies.size(); ++i) json += (i ? "," : "") + replies[i];
    return json + "]}";
}

std::string UserListPath() { return lib::GetDataFolder() + "UserList.info"; }

bool Register(const TestUser& user)
{
    UserStampRecord stamp;
    stamp.m_uPositionX = static_cast<uint32_t>(user.m_iX);
    stamp.m_uPositionY = static_cast<uint32_t>(user.m_iY);
    stamp.m_uMapVersion = user.m_uMapVersion;
    stamp.m_uLinkYear = user.m_uLinkYear;
    stamp.m_strUserAgent = user.m_pszUserAgent;
    CUserListFile list;
    return list.Load() && list.SaveWithCurrentDevice(user.m_pszDeviceNo, user.m_pszNickName,
                                                     user.m_uCcidHead, user.m_pszUserAgent, &stamp);
}

bool KeptPassword(VelocetPasswordRecord* record = nullptr)
{
    VelocetPasswordRecord kept;
    uint32_t size = sizeof kept;
    const bool found = CDataManager::GetInstance().GetData(VELOCET_PASSWORD_KEY, &kept, &size) == 1;
    if (found && record != nullptr) *record = kept;
    return found;
}

class VelocetTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_bPrivateAppData);
        ASSERT_TRUE(m_card.IsRemovable()) << "rebuild the test prefix (see tools/wine-prefix)";
        ASSERT_TRUE(m_standIn.IsRunning());
        // The request table reads it once, at its first use in this program.
        static const bool pointed = onlinetest::WriteConnectionInfo(m_standIn.BaseUrl());
        ASSERT_TRUE(pointed);
        DeleteFileA(UserListPath().c_str());
        CDataManager::GetInstance().SetData(VELOCET_PASSWORD_KEY, nullptr, 0);
        ASSERT_TRUE(Register(kUserA));
        ASSERT_TRUE(CurrentUserBlock().SetUserAgent(kUserA.m_pszNickName));
        m_job.SetNotifyWindow(m_capture.Window());
        m_job.SetDriveLetter(kCard);
    }

    void TearDown() override { m_job.AbortProc(INFINITE); }

    // One start, up to its finish: every message of the run has come then, the finish last.
    bool Run()
    {
        const size_t finishes = m_capture.Count(kFinish);
        return m_job.StartProc() && m_capture.WaitFor(kFinish, finishes + 1, 60000);
    }

    // A fresh scenario: no requests, answers or issued passwords; no messages.
    void Fresh()
    {
        m_standIn.Reset();
        m_capture.Clear();
    }

    std::vector<uint32_t> Values(UINT message, bool wParam = true) const
    {
        std::vector<uint32_t> values;
        for (const CapturedMessage& m : m_capture.Of(message)) {
            values.push_back(wParam ? m.uWParam : m.uLParam);
        }
        return values;
    }
    std::vector<uint32_t> Errors() const { return Values(kError); }
    std::vector<uint32_t> Progress() const { return Values(kProgress); }

    std::vector<std::string> Paths() const
    {
        std::vector<std::string> paths;
        for (const RecordedRequest& r : m_standIn.Requests()) paths.push_back(r.sPath);
        return paths;
    }

    // The history record of the job on the card: phase and result.
    std::pair<uint32_t, uint32_t> History() const { return onlinetest::JobHistory(kCard, kType); }

    // Earlier card files that a failed run must leave as they are.
    void WriteEarlierFiles()
    {
        ASSERT_TRUE(m_card.WriteFile(kDataFile, {'o', 'l', 'd', 0, 1}));
        ASSERT_TRUE(m_card.WriteFile(kTimeFile, std::vector<uint8_t>(24, 0x5A)));
    }
    void ExpectEarlierFiles() const
    {
        EXPECT_EQ(std::string("old\0\1", 5), testsupport::ReadFileBytes(m_card.GetPath(kDataFile)));
        EXPECT_EQ(std::string(24, 0x5A), testsupport::ReadFileBytes(m_card.GetPath(kTimeFile)));
    }

    CStandIn m_standIn;
    CSimulatedCard m_card{kCard}; // empty before and after each test
    CMessageCapture m_capture;
    CInfoChargeVelocet m_job;
};

uint64_t Seconds(const SYSTEMTIME& time)
{
    FILETIME file;
    SystemTimeToFileTime(&time, &file);
    return (static_cast<uint64_t>(file.dwHighDateTime) << 32 | file.dwLowDateTime) / 10000000;
}

// ---------------------------------------------------------------------------------------
// A whole exchange

TEST_F(VelocetTest, PasswordThenDataInTableOrderWritesBothCardFiles)
{
    CLogCapture log;
    const SYSTEMTIME before = LocalNow();
    ASSERT_TRUE(Run());
    const SYSTEMTIME after = LocalNow();

    const std::vector<RecordedRequest> requests = m_standIn.Requests();
    ASSERT_EQ(2u, requests.size());
    const std::string bodies[] = {OtpBody(kUserA), OdvBodyOf(kUserA, "K0000001")};
    const char* paths[] = {kOtpPath, kOdvPath};
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(paths[i]);
        EXPECT_EQ("POST", requests[i].sMethod);
        EXPECT_EQ(paths[i], requests[i].sPath);
        EXPECT_EQ(bodies[i], requests[i].sBody);
        EXPECT_EQ("application/x-www-form-urlencoded", requests[i].Header("Content-Type"));
        EXPECT_EQ(kUserA.m_pszUserAgent, requests[i].Header("User-Agent"));
    }

    EXPECT_EQ(Describe({0, 33, 66, 100}), Describe(Progress()));
    EXPECT_EQ(Describe({}), Describe(Errors()));
    ASSERT_EQ(1u, m_capture.Count(kFinish));
    EXPECT_EQ(kFinish, m_capture.Messages().back().uMessage);
    EXPECT_EQ(kType, m_capture.Messages().back().uLParam);

    EXPECT_EQ(onlinetest::PatternBytes(kDefaultDataSize),
              testsupport::ReadFileBytes(m_card.GetPath(kDataFile)));
    const std::string time = testsupport::ReadFileBytes(m_card.GetPath(kTimeFile));
    ASSERT_EQ(24u, time.size());
    VelocetTimeRecord record;
    std::memcpy(&record, time.data(), sizeof record);
    EXPECT_EQ(1u, record.m_uMark);
    EXPECT_EQ(0u, record.m_uReserved1);
    EXPECT_EQ(0u, record.m_uReserved2);
    SYSTEMTIME written = {};
    written.wYear = record.m_wYear;
    written.wMonth = record.m_wMonth;
    written.wDay = record.m_wDay;
    written.wHour = record.m_wHour;
    written.wMinute = record.m_wMinute;
    written.wSecond = record.m_wSecond;
    EXPECT_LE(Seconds(before), Seconds(written));
    EXPECT_GE(Seconds(after), Seconds(written));

    EXPECT_EQ(std::make_pair(2u, kType << 24), History());
    EXPECT_TRUE(log.HasLine("..", kSource, "VelocetRequest PostData: " +
                                               OdvBodyOf(kUserA, "***")));
    EXPECT_FALSE(log.Has("K0000001")) << "the password never reaches the log";

    VelocetPasswordRecord kept;
    ASSERT_TRUE(KeptPassword(&kept));
    EXPECT_STREQ(GatewayCcid(kUserA).c_str(), kept.m_szCcid);
    EXPECT_STREQ("K0000001", kept.m_szPassword);
    EXPECT_EQ(0u, kept.m_uStatus);

    // The next start of the same user reuses the password.
    Fresh();
    ASSERT_TRUE(m_card.WriteFile(kDataFile, {1, 2, 3}));
    ASSERT_TRUE(m_standIn.SetVars(OdvReplies({DataReply(10)})));
    ASSERT_TRUE(Run());
    ASSERT_EQ(std::vector<std::string>{kOdvPath}, Paths());
    EXPECT_EQ(OdvBodyOf(kUserA, "K0000001"), m_standIn.Requests()[0].sBody);
    EXPECT_EQ(onlinetest::PatternBytes(10), testsupport::ReadFileBytes(m_card.GetPath(kDataFile)));
    EXPECT_EQ(Describe({0, 33, 66, 100}), Describe(Progress()));
}

TEST_F(VelocetTest, RequestValuesFollowTheUsersStamp)
{
    struct Case {
        int32_t m_iX, m_iY;
        uint32_t m_uMapVersion, m_uLinkYear;
        const char* m_pszTarget;
        const char* m_pszBase;
        const char* m_pszMapVer;
        const char* m_pszLinkYear;
    };
    const Case cases[] = {
        {460800, 307200, 0x05000123, 0x2010, "460800,307200", "345600,230400", "-/5.000291", "2010"},
        {0, 0, 0x01000001, 0x20AB, "0,0", "-115200,-76800", "-/1.000001", "20"},
        {-1000, 50, 0xFF000000, 0xC, "-1000,50", "-116200,-76750", "-/255.000000", "0"},
        {INT_MAX, INT_MIN + 76800, 0x00FFFFFF, 0x99999999, "2147483647,-2147406848",
         "2147368447,-2147483648", "-/0.16777215", "99999999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszTarget);
        Fresh();
        TestUser user = kUserA;
        user.m_iX = c.m_iX;
        user.m_iY = c.m_iY;
        user.m_uMapVersion = c.m_uMapVersion;
        user.m_uLinkYear = c.m_uLinkYear;
        ASSERT_TRUE(Register(user));
        ASSERT_TRUE(m_standIn.SetVars(OdvReplies({DataReply(8)})));
        ASSERT_TRUE(Run());
        const std::vector<RecordedRequest> requests = m_standIn.Requests();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(OdvBody(GatewayCcid(kUserA), "K0000001", c.m_pszMapVer, 125, c.m_pszTarget,
                          c.m_pszBase, c.m_pszLinkYear),
                  requests.back().sBody);
        EXPECT_EQ(Describe({}), Describe(Errors()));
    }

    // A base point below the smallest position is no position at all.
    Fresh();
    TestUser user = kUserA;
    user.m_iY = INT_MIN + 76799;
    ASSERT_TRUE(Register(user));
    WriteEarlierFiles();
    ASSERT_TRUE(Run());
    EXPECT_EQ(std::vector<std::string>{}, Paths()) << "the kept password is the same user's";
    EXPECT_EQ(Describe({kType << 24 | 0x000008}), Describe(Errors()));
    ExpectEarlierFiles();
}

// ---------------------------------------------------------------------------------------
// The password answers

TEST_F(VelocetTest, PasswordAnswers)
{
    const std::string ccid = "ABCDEFGHIJKLMNOP";
    const std::string password = "Zq9-x7bW";
    struct Case {
        std::string m_strReply;
        std::vector<uint32_t> m_vecErrors; // posted, without the job type
        int m_iVics;                       // of the data request; 0: none is sent
        const char* m_pszCcid;             // sent and kept
        const char* m_pszPassword;
        uint32_t m_uStatus = 0;            // kept
    };
    const std::string fields = "&CCID=" + ccid + "&PASS=" + password;
    const uint32_t undefined = 0x2002FF;
    const Case cases[] = {
        {"SVRRET=C00" + fields, {}, 125, "ABCDEFGHIJKLMNOP", "Zq9-x7bW"},
        {"SVRRET=C01" + fields, {}, 113, "ABCDEFGHIJKLMNOP", "Zq9-x7bW", 0x200201},
        {"SVRRET=C02" + fields, {0x200202}, 113, "ABCDEFGHIJKLMNOP", "Zq9-x7bW", 0x200202},
        {"SVRRET=C03" + fields, {0x200203}, 113, "ABCDEFGHIJKLMNOP", "Zq9-x7bW", 0x200203},
        {"SVRRET=C05" + fields, {0x200205}, 113, "ABCDEFGHIJKLMNOP", "Zq9-x7bW", 0x200205},
        {"SVRRET=C04", {0x200204}, 0, nullptr, nullptr},
        {"SVRRET=C04" + fields, {0x200204}, 0, nullptr, nullptr},
        {"SVRRET=E98", {0x200298}, 0, nullptr, nullptr},
        {"SVRRET=E99", {0x200299}, 0, nullptr, nullptr},
        {"SVRRET=C06" + fields, {undefined}, 0, nullptr, nullptr},
        {"SVRRET=C0", {undefined}, 0, nullptr, nullptr},
        {"<html>busy</html>", {undefined}, 0, nullptr, nullptr},
        // The code is the text after the first "=", or the whole reply without one.
        {"C00" + fields, {undefined}, 0, nullptr, nullptr},
        {"C00", {undefined}, 0, nullptr, nullptr},
        {"X=C00&CCID=ABCDEFGHIJKLMNOP&PASS=12345678", {}, 125, "ABCDEFGHIJKLMNOP", "12345678"},
        // Incomplete: a field missing or too short before "&", CR, LF or the end.
        {"SVRRET=C00&PASS=" + password, {undefined}, 0, nullptr, nullptr},
        {"SVRRET=C00&CCID=" + ccid, {undefined}, 0, nullptr, nullptr},
        {"SVRRET=C02&CCID=ABCDEFGHIJKLMNO&PASS=" + password, {undefined}, 0, nullptr, nullptr},
        {"SVRRET=C00&CCID=" + ccid + "&PASS=1234567", {undefined}, 0, nullptr, nullptr},
        {"SVRRET=C00&PASS=123\r\n45678&CCID=" + ccid, {undefined}, 0, nullptr, nullptr},
        {"SVRRET=C00&CCID=ABCDEFGH\nIJKLMNOP&PASS=12345678", {undefined}, 0, nullptr, nullptr},
        {std::string("SVRRET=C00&CCID=ABCDEFGH\0IJKLMNOP&PASS=12345678", 48), {undefined}, 0,
         nullptr, nullptr},
        // CR LF after whole fields ends them; longer fields give their first characters.
        {"SVRRET=C00\r\nCCID=" + ccid + "\r\nPASS=12345678\r\n", {}, 125, "ABCDEFGHIJKLMNOP",
         "12345678"},
        {"SVRRET=C00&CCID=" + ccid + "QR&PASS=123456789", {}, 125, "ABCDEFGHIJKLMNOP",
         "12345678"},
        {"", {undefined}, 0, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "reply \"" << c.m_strReply << "\"");
        Fresh();
        CDataManager::GetInstance().SetData(VELOCET_PASSWORD_KEY, nullptr, 0);
        ASSERT_TRUE(m_standIn.Queue(kOtpPath, CAnswer().Text(c.m_strReply)));
        ASSERT_TRUE(m_standIn.SetVars(OdvReplies({DataReply(16)})));
        CLogCapture log;
        ASSERT_TRUE(Run());

        std::vector<uint32_t> posted;
        for (const uint32_t code : c.m_vecErrors) posted.push_back(kType << 24 | code);
        EXPECT_EQ(Describe(posted), Describe(Errors()));
        const std::vector<RecordedRequest> requests = m_standIn.Requests();
        if (c.m_iVics == 0) {
            EXPECT_EQ(std::vector<std::string>{kOtpPath}, Paths());
            EXPECT_FALSE(KeptPassword()) << "nothing kept";
            EXPECT_EQ(std::make_pair(4u, posted.back()), History());
            EXPECT_EQ(Describe({0}), Describe(Progress()));
        } else {
            ASSERT_EQ(2u, requests.size());
            EXPECT_EQ(OdvBody(c.m_pszCcid, c.m_pszPassword, "-/5.000291", c.m_iVics,
                              "460800,307200", "345600,230400", "2010"),
                      requests[1].sBody);
            VelocetPasswordRecord kept;
            ASSERT_TRUE(KeptPassword(&kept));
            EXPECT_STREQ(c.m_pszCcid, kept.m_szCcid);
            EXPECT_STREQ(c.m_pszPassword, kept.m_szPassword);
            EXPECT_EQ(c.m_uStatus, kept.m_uStatus);
            EXPECT_EQ(std::make_pair(2u, kType << 24), History());
            EXPECT_EQ(Describe({0, 33, 66, 100}), Describe(Progress()));
            // A posted answer comes before the data stage.
            if (!posted.empty()) {
                EXPECT_EQ(kError, m_capture.Messages()[1].uMessage);
            }
        }
        EXPECT_FALSE(log.Has(password)) << "the password never reaches the log";
        EXPECT_EQ(1u, m_capture.Count(kFinish));
    }
}

TEST_F(VelocetTest, UndefinedAnswerIsLoggedWithoutItsPassword)
{
    ASSERT_TRUE(m_standIn.Queue(kOtpPath,
                                CAnswer().Text("SVRRET=Q12&CCID=ABCDEFGHIJKLMNOP&PASS=Sec4&et9")));
    CLogCapture log;
    ASSERT_TRUE(Run());
    EXPECT_TRUE(log.HasLine("!!", kSource,
                            "GetOneTimePassword The server responds positively Undefined "
                            "SVRRET:Q12&CCID=ABCDEFGHIJKLMNOP&PASS=***"));
    EXPECT_FALSE(log.Has("Sec4"));
}

// ---------------------------------------------------------------------------------------
// The data service's replies

TEST_F(VelocetTest, DataBlocksOfEachFieldWidth)
{
    struct Case {
        size_t m_uSize;
        int m_iWidth;
    };
    const Case cases[] = {
        {4, 1},      // "O", 0x05 and four bytes
        {62, 1},     // the largest one-byte length, 0x3F
        {63, 2},     {16381, 2}, {16382, 3}, {1, 3}, {100, 4}, {1048576, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.m_uSize << " bytes, field of " << c.m_iWidth);
        Fresh();
        WriteEarlierFiles();
        ASSERT_TRUE(m_standIn.SetVars(OdvReplies({DataReply(c.m_uSize, c.m_iWidth)})));
        ASSERT_TRUE(Run());
        EXPECT_EQ(onlinetest::PatternBytes(c.m_uSize),
                  testsupport::ReadFileBytes(m_card.GetPath(kDataFile)));
        EXPECT_EQ(24u, testsupport::ReadFileBytes(m_card.GetPath(kTimeFile)).size());
        EXPECT_EQ(Describe({0, 33, 66, 100}), Describe(Progress()));
        EXPECT_EQ(Describe({}), Describe(Errors()));
        EXPECT_EQ(1u, m_capture.Count(kFinish));
        EXPECT_EQ(std::make_pair(2u, kType << 24), History());
    }
}

TEST_F(VelocetTest, ErrorBlocksAndOtherKinds)
{
    struct Case {
        const char* m_pszName;
        std::string m_strReplies; // the stand-in's values, or a raw body when not JSON
        uint32_t m_uCode;
        bool m_bRecorded;
    };
    const Case cases[] = {
        {"0x0001", OdvReplies({ErrorReply(0x0001)}), 0x200010, true},
        {"0x0010", OdvReplies({ErrorReply(0x0010)}), 0x200017, true},
        {"0x0100", OdvReplies({ErrorReply(0x0100)}), 0x00FF02, false},
        {"0x0102", OdvReplies({ErrorReply(0x0102)}), 0x200014, true},
        {"0x0104", OdvReplies({ErrorReply(0x0104)}), 0x200015, true},
        {"0x0105", OdvReplies({ErrorReply(0x0105)}), 0x200016, true},
        {"0xFFFE", OdvReplies({ErrorReply(0xFFFE)}), 0x200012, true},
        {"0x0002", OdvReplies({ErrorReply(0x0002)}), 0x200099, true},
        {"0x1234", OdvReplies({ErrorReply(0x1234)}), 0x200099, true},
        {"type A", "A\x05" "abcd", 0x200099, true},
        {"type 0", std::string("\0\x05" "abcd", 6), 0x200099, true},
        {"empty", "", 0x20000F, true},
    };
    ASSERT_TRUE(Run());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        Fresh();
        ASSERT_TRUE(m_card.Clear());
        WriteEarlierFiles();
        if (!c.m_strReplies.empty() && c.m_strReplies[0] == '{') {
            ASSERT_TRUE(m_standIn.SetVars(c.m_strReplies));
        } else {
            ASSERT_TRUE(m_standIn.Queue(kOdvPath, CAnswer().Text(c.m_strReplies)));
        }
        ASSERT_TRUE(Run());
        EXPECT_EQ(Describe({kType << 24 | c.m_uCode}), Describe(Errors()));
        EXPECT_EQ(Describe({0, 33, 66}), Describe(Progress()));
        EXPECT_EQ(1u, m_capture.Count(kFinish));
        EXPECT_EQ(c.m_bRecorded ? std::make_pair(4u, kType << 24 | c.m_uCode)
                                : std::make_pair(SDINFO_PHASE_NONE, 0u),
                  History());
        ExpectEarlierFiles();
        EXPECT_EQ(std::vector<std::string>{kOdvPath}, Paths()) << "one run, password kept";
    }
}

TEST_F(VelocetTest, InvalidPasswordRunsOnceMoreWithANewOne)
{
    // A password that the service no longer knows is kept.
    ASSERT_TRUE(m_standIn.Queue(kOtpPath,
                                CAnswer().Text("SVRRET=C00&CCID=" + GatewayCcid(kUserA) +
                                               "&PASS=OLDPASS1")));
    ASSERT_TRUE(m_standIn.SetVars(OdvReplies({DataReply(5)})));
    ASSERT_TRUE(Run());
    ASSERT_TRUE(KeptPassword());
    Fresh();
    CLogCapture log;
    ASSERT_TRUE(Run());
    const std::vector<std::string> rerun = {kOdvPath, kOtpPath, kOdvPath};
    EXPECT_EQ(rerun, Paths());
    const std::vector<RecordedRequest> requests = m_standIn.Requests();
    ASSERT_EQ(3u, requests.size());
    EXPECT_EQ(OdvBodyOf(kUserA, "OLDPASS1"), requests[0].sBody);
    EXPECT_EQ(OtpBody(kUserA), requests[1].sBody);
    EXPECT_EQ(OdvBodyOf(kUserA, "K0000001"), requests[2].sBody);
    EXPECT_EQ(Describe({kType << 24 | 0x200011}), Describe(Errors()));
    EXPECT_EQ(Describe({0, 33, 66, 0, 33, 66, 100}), Describe(Progress()));
    EXPECT_EQ(1u, m_capture.Count(kFinish));
    EXPECT_EQ(kFinish, m_capture.Messages().back().uMessage);
    EXPECT_EQ(std::make_pair(2u, kType << 24), History());
    EXPECT_EQ(onlinetest::PatternBytes(kDefaultDataSize),
              testsupport::ReadFileBytes(m_card.GetPath(kDataFile)));
    EXPECT_TRUE(log.HasLine("!!", kSource, "ODVエラー FFFF"));

    // The next start sends only the data request, with the new password.
    m_capture.Clear();
    ASSERT_TRUE(Run());
    EXPECT_EQ(4u, m_standIn.Requests().size());
    EXPECT_EQ(OdvBodyOf(kUserA, "K0000001"), m_standIn.Requests().back().sBody);
    EXPECT_EQ(Describe({}), Describe(Errors()));

    // Invalid again and again: one repeat per start, no more.
    Fresh();
    ASSERT_TRUE(m_standIn.SetVars(OdvReplies({ErrorReply(0xFFFF), ErrorReply(0xFFFF)})));
    ASSERT_TRUE(Run());
    EXPECT_EQ(rerun, Paths());
    EXPECT_EQ(Describe({kType << 24 | 0x200011, kType << 24 | 0x200011}), Describe(Errors()));
    EXPECT_FALSE(KeptPassword());
}

TEST_F(VelocetTest, DamagedRepliesChangeNothing)
{
    struct Case {
        const char* m_pszName;
        std::string m_strReply;
    };
    const Case cases[] = {
        {"a lone type byte", DataReply(9, 0, -1, 1)},
        {"a two-byte field cut short", DataReply(9, 2, -1, 2)},
        {"a four-byte field cut short", DataReply(9, 4, -1, 4)},
        {"a field smaller than its width", DataReply(0, 2, 1)},
        {"a length of just the field", DataReply(0, 3, 3)},
        {"a one-byte field of 0", DataReply(0, 1, 0)},
        {"an error block of 1 byte", ErrorReply(0xFFFF, 1)},
        {"an error block of 2 bytes", ErrorReply(0xFFFF, 2)},
        {"an error block of 3 bytes", ErrorReply(0xFFFF, 3)},
        {"a length beyond the data", DataReply(4, 1, 6)},
        {"a length one beyond the data", DataReply(40, 2, 43)},
        {"a four-byte field near its top", DataReply(4, 4, 0x3FFFFFFF)},
    };
    ASSERT_TRUE(Run());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        Fresh();
        WriteEarlierFiles();
        ASSERT_TRUE(m_standIn.SetVars(OdvReplies({c.m_strReply})));
        ASSERT_TRUE(Run());
        EXPECT_EQ(Describe({kType << 24 | 0x000099}), Describe(Errors()));
        EXPECT_EQ(std::make_pair(4u, kType << 24 | 0x000099), History());
        EXPECT_EQ(1u, m_capture.Count(kFinish));
        ExpectEarlierFiles();
        EXPECT_TRUE(KeptPassword()) << "a damaged reply is no verdict on the password";
    }
}

TEST_F(VelocetTest, ServiceStatusIsATransportError)
{
    WriteEarlierFiles();
    ASSERT_TRUE(m_standIn.Queue(kOdvPath, CAnswer().Status(503).Text("busy")));
    ASSERT_TRUE(Run());
    EXPECT_EQ(Describe({kType << 24 | 0x1001F7}), Describe(Errors()));
    ExpectEarlierFiles();

    Fresh();
    ASSERT_TRUE(m_standIn.Queue(kOtpPath, CAnswer().Status(404)));
    CDataManager::GetInstance().SetData(VELOCET_PASSWORD_KEY, nullptr, 0);
    ASSERT_TRUE(Run());
    EXPECT_EQ(Describe({kType << 24 | 0x100194}), Describe(Errors()));
    EXPECT_EQ(std::vector<std::string>{kOtpPath}, Paths());
}

TEST_F(VelocetTest, DataFileThatCannotBeCreatedAfterTheNewTimeFile)
{
    // A folder in the data file's place: every attempt to create it is refused (three, some
    // 9 s in all), and its error goes out with the code.
    ASSERT_TRUE(m_card.WriteFile(std::string(kDataFile) + "\\inside", {1}));
    ASSERT_TRUE(m_card.WriteFile(kTimeFile, std::vector<uint8_t>(24, 0x5A)));
    CLogCapture log;
    ASSERT_TRUE(Run());
    const std::vector<CapturedMessage> errors = m_capture.Of(kError);
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(kType << 24 | 0x30000A, errors[0].uWParam);
    EXPECT_EQ(static_cast<uint32_t>(ERROR_ACCESS_DENIED), errors[0].uLParam);
    EXPECT_EQ(std::make_pair(4u, kType << 24 | 0x30000A), History());
    const std::string time = testsupport::ReadFileBytes(m_card.GetPath(kTimeFile));
    EXPECT_EQ(24u, time.size());
    EXPECT_NE(std::string(24, 0x5A), time) << "the time file is written first";
    EXPECT_TRUE(log.HasLine("!!", kSource,
                            "ODVまたは、ヴェロセット渋滞情報データ書込み時のファイルオープン失敗[ERR:0x00000005]." +
                                m_card.GetPath(kDataFile)));

    // The next run's errors carry no stale card error.
    ASSERT_TRUE(m_standIn.Queue(kOdvPath, CAnswer().Text("")));
    m_capture.Clear();
    ASSERT_TRUE(Run());
    ASSERT_EQ(1u, m_capture.Count(kError));
    EXPECT_EQ(0u, m_capture.Of(kError)[0].uLParam);
}

// ---------------------------------------------------------------------------------------
// The user

TEST_F(VelocetTest, UsersWhoCannotBeServedSendNothing)
{
    struct Case {
        const char* m_pszName;
        const char* m_pszCurrent;
        uint32_t m_uCcidHead, m_uMapVersion, m_uLinkYear;
        uint32_t m_uCode;
    };
    const Case cases[] = {
        {"not in the list", "nobody", 0x000A0005, 0x05000123, 0x2010, 0x000002},
        {"no current user", "", 0x000A0005, 0x05000123, 0x2010, 0x000002},
        {"map version 0", "hanako", 0x000A0005, 0, 0x2010, 0x40FF05},
        {"link year 0", "hanako", 0x000A0005, 0x05000123, 0, 0x40FF05},
        {"CCID head 0", "hanako", 0, 0x05000123, 0x2010, 0x40FF05},
    };
    ASSERT_TRUE(Run()); // a password kept for hanako as she was
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        Fresh();
        DeleteFileA(UserListPath().c_str());
        TestUser user = kUserA;
        user.m_uCcidHead = c.m_uCcidHead;
        user.m_uMapVersion = c.m_uMapVersion;
        user.m_uLinkYear = c.m_uLinkYear;
        ASSERT_TRUE(Register(user));
        ASSERT_TRUE(CurrentUserBlock().SetUserAgent(c.m_pszCurrent));
        WriteEarlierFiles();
        ASSERT_TRUE(Run());
        EXPECT_EQ(std::vector<std::string>{}, Paths());
        EXPECT_EQ(Describe({kType << 24 | c.m_uCode}), Describe(Errors()));
        EXPECT_EQ(Describe({0}), Describe(Progress()));
        ExpectEarlierFiles();
    }
}

TEST_F(VelocetTest, APasswordServesOnlyTheUserItWasAskedFor)
{
    ASSERT_TRUE(Register(kUserB));
    ASSERT_TRUE(Run());
    EXPECT_EQ(OdvBodyOf(kUserA, "K0000001"), m_standIn.Requests().back().sBody);

    // Another user: a password of their own, with their own values and agent.
    ASSERT_TRUE(CurrentUserBlock().SetUserAgent(kUserB.m_pszNickName));
    const size_t before = m_standIn.Requests().size();
    ASSERT_TRUE(Run());
    std::vector<RecordedRequest> requests = m_standIn.Requests();
    ASSERT_EQ(before + 2, requests.size());
    EXPECT_EQ(OtpBody(kUserB), requests[before].sBody);
    EXPECT_EQ(OdvBodyOf(kUserB, "K0000002"), requests[before + 1].sBody);
    EXPECT_EQ(kUserB.m_pszUserAgent, requests[before + 1].Header("User-Agent"));

    // Back to the first: hers was dropped for the other's, so she asks anew.
    ASSERT_TRUE(CurrentUserBlock().SetUserAgent(kUserA.m_pszNickName));
    ASSERT_TRUE(Run());
    requests = m_standIn.Requests();
    ASSERT_EQ(before + 4, requests.size());
    EXPECT_EQ(OtpBody(kUserA), requests[before + 2].sBody);
    EXPECT_EQ(OdvBodyOf(kUserA, "K0000003"), requests[before + 3].sBody);

    // The same nickname on a new unit is another owner too.
    TestUser moved = kUserA;
    moved.m_pszDeviceNo = "00000000AAAABBBB";
    ASSERT_TRUE(Register(moved));
    ASSERT_TRUE(Run());
    requests = m_standIn.Requests();
    ASSERT_EQ(before + 6, requests.size());
    EXPECT_EQ(OtpBody(moved), requests[before + 4].sBody);
    EXPECT_EQ(OdvBodyOf(moved, "K0000004"), requests[before + 5].sBody);
    EXPECT_EQ(Describe({}), Describe(Errors()));
}

// ---------------------------------------------------------------------------------------
// No card, and aborts

TEST_F(VelocetTest, NoCardIsSilent)
{
    m_job.SetDriveLetter(FindUnusedDriveLetter());
    ASSERT_TRUE(Run());
    EXPECT_EQ(Describe({kType << 24 | 0xFF06}), Describe(Errors()));
    EXPECT_EQ(std::vector<std::string>{}, Paths());
}

TEST_F(VelocetTest, AbortWhileTheDataTricklesInEndsTheRequest)
{
    // Pieces come often enough that each read of the client ends and it sees the abort
    // before the next (under Wine a blocked WinHTTP call cannot be cut short, see README).
    ASSERT_TRUE(Run());
    Fresh();
    WriteEarlierFiles();
    // The reply never ends: whenever the abort comes, it comes during the request.
    ASSERT_TRUE(m_standIn.Queue(kOdvPath, onlinetest::TrickleWithoutEnd()));
    CLogCapture log;
    ASSERT_TRUE(m_job.StartProc());
    ASSERT_EQ(1u, m_standIn.WaitForRequests(1));
    EXPECT_TRUE(m_job.AbortProc(INFINITE));
    ASSERT_TRUE(m_capture.WaitFor(kFinish));
    EXPECT_EQ(Describe({kType << 24 | 0xFF00}), Describe(Errors()));
    EXPECT_EQ(Describe({0, 33, 66}), Describe(Progress()));
    EXPECT_TRUE(log.HasLine("..", kSource, "ODVまたは、ヴェロセット渋滞情報 取得処理中断"));
    EXPECT_FALSE(log.Has("中断要求にタイムアウトしました")) << "no request thread terminated";
    ExpectEarlierFiles();
    EXPECT_EQ(std::vector<std::string>{kOdvPath}, Paths());
}

} // namespace
