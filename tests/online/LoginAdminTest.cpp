// The log-in check against the stand-in registration service (tools/standin/services/
// registration.py), with the unit's card on simulated card K: (see tools/wine-prefix) or
// without a card. The test plays the agent: it writes the card record of
// "KestrumShareMemName" (CTest lock "shared_blocks"). The user list lives in this program's
// private application folder; the result messages go to a message-only window on the test's
// thread (tests/online/support/MessageCapture.h).

#include "online/LoginAdmin.h"

#include "carddata/PcLinkFile.h"
#include "carddata/UserListFile.h"
#include "lib/AppFolder.h"
#include "lib/Handle.h"
#include "lib/Path.h"
#include "lib/TolveLog.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/online/support/ConnectionInfoForTests.h"
#include "tests/online/support/JobTestSupport.h"
#include "tests/online/support/MessageCapture.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

const bool g_privateAppData = testsupport::UsePrivateAppData("online_login_test");

using onlinetest::CAnswer;
using onlinetest::CMessageCapture;
using onlinetest::CReleaseWhenLogged;
using onlinetest::CStandIn;
using onlinetest::Hex;
using onlinetest::RecordedRequest;
using testsupport::CAgentBlock;
using testsupport::CLogCapture;
using testsupport::DriveBit;

const char kCard = 'K';
const char kSource[] = "LoginAdmin.cpp";
const char kWithCardPath[] = "/pcapp/DeviceNoUserAuthenticationFerroxAPI";
const char kWithoutCardPath[] = "/pcapp/GetDeviceInfoAPI";

// The unit on the card, and the user agent its link file gives.
const char kCardDeviceNo[] = "D0001234";
const uint32_t kCardCcidHead = 0xABCD0123; // "0291ABCD" on the wire
const char kCardUserAgent[] = "0EFerroxPA/2.000010";

// The accounts of the stand-in: taro has a unit, jiro none.
const char kAccounts[] = R"({"accounts": {
    "taro": {"pass": "secret", "deviceno": "D9", "ccid_head": "8000ABCD",
             "useragent": "12FerroxPA/2.000010"},
    "jiro": {"pass": "pw"}}})";
const char kTaroDeviceNo[] = "D9";
const uint32_t kTaroCcidHead = 0xABCD1F40;
const char kTaroUserAgent[] = "12FerroxPA/2.000010/1.000000";

std::string UserListPath() { return lib::GetDataFolder() + "UserList.info"; }

// The user list's bytes, or a mark for a missing file.
std::string UserListBytes()
{
    return lib::PathFileExistsStr(UserListPath()) ? testsupport::ReadFileBytes(UserListPath()) : "(none)";
}

struct StoredUser {
    std::string sDeviceNo;
    std::string sNickName;
    std::string sUserAgent;
    uint32_t uCcidHead = 0;
};

// The current user of a fresh read of the list; empty when there is none.
StoredUser CurrentUser()
{
    StoredUser user;
    CUserListFile list;
    list.GetCurrentUser(&user.sDeviceNo, &user.sNickName, &user.sUserAgent, &user.uCcidHead);
    return user;
}

// The worker's line right after its wait for the request ended.
const char kWaitEndedLine[] = "ユーザー認証通信完了";

// The ids of this process's threads.
std::set<DWORD> ThreadIds()
{
    std::set<DWORD> ids;
    lib::CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more;
         more = Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
    }
    return ids;
}

// How a check ended: its message (if any) and its thread's exit code.
struct Outcome {
    size_t uMessages = 0;
    uint32_t uResult = 0xDEADBEEF;
    DWORD dwExitCode = 0xDEADBEEF;
};

class LoginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_oStandIn.IsRunning());
        // The request table reads "Connection.info" once, at its first use in the process.
        static const bool pointed = onlinetest::WriteConnectionInfo(m_oStandIn.BaseUrl());
        ASSERT_TRUE(pointed);
        ASSERT_TRUE(m_oStandIn.SetVars(kAccounts));
        ASSERT_TRUE(m_oCard.IsRemovable())
            << "K: is not a removable drive: the Wine prefix predates it; delete the build "
               "folder's wineprefix";
        ASSERT_TRUE(m_oAgent.IsReady());
        m_oAgent.Write(0, 0, 0);
        DeleteFileA(UserListPath().c_str());
    }
    void TearDown() override
    {
        m_oAgent.Write(0, 0, 0);
        DeleteFileA(UserListPath().c_str());
    }

    // The card on K: with its link file (or without one), selected, and published by the
    // agent as a unit's card only when it has the file.
    void SelectCard(bool withLinkFile, uint32_t ccidHead = kCardCcidHead)
    {
        ASSERT_TRUE(m_oCard.Clear());
        if (withLinkFile) {
            ASSERT_TRUE(CLinkFileBuilder()
                            .SetDeviceNo(kCardDeviceNo)
                            .SetCcidHead(ccidHead)
                            .AddRecord(PCLINK_RECORD_UNIT_INFO, 0x02000010, 0x0E)
                            .WriteTo(m_oCard));
        }
        m_oAgent.Write(DriveBit(kCard), withLinkFile ? DriveBit(kCard) : 0, kCard);
    }

    // Some other user already in the list, so that "unchanged" means something.
    void SaveOtherUser()
    {
        CUserListFile list;
        ASSERT_TRUE(list.SaveWithCurrentDevice("D0", "other", 0x12345678, "UA0", nullptr));
    }

    // Pumps until the check's worker has ended (at most 30 s), then collects its message.
    Outcome WaitForEnd(CLoginAdmin& admin)
    {
        Outcome outcome;
        const HANDLE thread = admin.GetThreadHandle();
        EXPECT_NE(nullptr, thread);
        if (thread == nullptr) return outcome;
        const DWORD start = GetTickCount();
        while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT && GetTickCount() - start < 30000) {
            m_oCapture.PumpFor(10);
        }
        m_oCapture.PumpFor(20);
        GetExitCodeThread(thread, &outcome.dwExitCode);
        Collect(outcome);
        return outcome;
    }

    void Collect(Outcome& outcome)
    {
        const auto messages = m_oCapture.Of(WM_LOGINADMIN_RESULT);
        outcome.uMessages = messages.size();
        if (!messages.empty()) {
            EXPECT_EQ(0u, messages[0].uWParam);
            outcome.uResult = messages[0].uLParam;
        }
    }

    // A whole check: started, waited for, its handle let go as the wizard does.
    Outcome Check(CLoginAdmin& admin, const char* nickName, const char* password)
    {
        m_oCapture.Clear();
        EXPECT_TRUE(admin.LogIn(m_oCapture.Window(), nickName, password));
        const Outcome outcome = WaitForEnd(admin);
        admin.SafeCloseHandle();
        return outcome;
    }

    Outcome Check(const char* nickName, const char* password)
    {
        CLoginAdmin admin;
        return Check(admin, nickName, password);
    }

    // Starts a check without a card whose reply the stand-in holds at the gate "reply";
    // returns once the request has arrived.
    void StartHeldCheck(CLoginAdmin& admin)
    {
        ASSERT_TRUE(m_oStandIn.Queue(
            kWithoutCardPath,
            CAnswer().Text("deviceno=D5&ccid_head=0291ABCD&RET=0&useragent=U").Hold("reply")));
        m_oCapture.Clear();
        ASSERT_TRUE(admin.LogIn(m_oCapture.Window(), "taro", "secret"));
        ASSERT_EQ(1u, m_oStandIn.WaitForRequests(1));
    }

    // A posted result that is also the exit code.
    static void ExpectPosted(uint32_t expected, const Outcome& outcome, const std::string& row)
    {
        EXPECT_EQ(1u, outcome.uMessages) << row;
        EXPECT_EQ(Hex(expected), Hex(outcome.uResult)) << row;
        EXPECT_EQ(Hex(expected), Hex(outcome.dwExitCode)) << row;
    }

    // A quiet end: no message, exit code 0.
    static void ExpectQuiet(const Outcome& outcome)
    {
        EXPECT_EQ(0u, outcome.uMessages) << Hex(outcome.uResult);
        EXPECT_EQ(0u, outcome.dwExitCode);
    }

    CStandIn m_oStandIn;
    CSimulatedCard m_oCard{kCard};
    CAgentBlock m_oAgent;
    CMessageCapture m_oCapture;
};

// ---------------------------------------------------------------------------------------
// The two requests.

TEST_F(LoginTest, WithTheUnitsCardSendsItsIdentityAndRecordsTheUser)
{
    SelectCard(true);
    CLoginAdmin admin;
    EXPECT_FALSE(admin.IsCardPresent());
    CLogCapture log;
    ExpectPosted(0, Check(admin, "taro", "secret"), "card");
    EXPECT_TRUE(admin.IsCardPresent());
    EXPECT_TRUE(log.HasLine("..", kSource, "お客様登録確認完了[RET:0x00000000]")) << log.Text();

    const std::vector<RecordedRequest> requests = m_oStandIn.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("POST", requests[0].sMethod);
    EXPECT_EQ(kWithCardPath, requests[0].sPath);
    EXPECT_EQ(kCardUserAgent, requests[0].Header("User-Agent"));
    EXPECT_EQ("application/x-www-form-urlencoded", requests[0].Header("Content-Type"));
    EXPECT_EQ("nick=taro&pass=secret&ccid_head=0291ABCD&deviceno=D0001234", requests[0].sBody);

    const StoredUser user = CurrentUser();
    EXPECT_EQ(kCardDeviceNo, user.sDeviceNo);
    EXPECT_EQ("taro", user.sNickName);
    EXPECT_EQ(kCardUserAgent, user.sUserAgent); // a card's own user agent, as it is
    EXPECT_EQ(Hex(kCardCcidHead), Hex(user.uCcidHead));
}

TEST_F(LoginTest, WithoutTheUnitsCardAsksForTheUnitWithTheFixedUserAgent)
{
    const struct {
        const char* name;
        int32_t removableMask;
        int32_t cardMask;
        char selected;
        bool linkFile;
    } cases[] = {
        {"no card selected", 0, 0, 0, false},
        {"a card without the link file", DriveBit(kCard), 0, kCard, false},
        // The agent's mask decides, not the file.
        {"a link file the agent did not report", DriveBit(kCard), 0, kCard, true},
        {"a unit's card that is not selected", DriveBit(kCard), DriveBit(kCard), 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_oStandIn.Reset());
        ASSERT_TRUE(m_oStandIn.SetVars(kAccounts));
        DeleteFileA(UserListPath().c_str());
        SelectCard(c.linkFile);
        m_oAgent.Write(c.removableMask, c.cardMask, c.selected);

        CLoginAdmin admin;
        ExpectPosted(0, Check(admin, "taro", "secret"), c.name);
        EXPECT_FALSE(admin.IsCardPresent());

        const std::vector<RecordedRequest> requests = m_oStandIn.Requests();
        ASSERT_EQ(1u, requests.size());
        EXPECT_EQ("POST", requests[0].sMethod);
        EXPECT_EQ(kWithoutCardPath, requests[0].sPath);
        EXPECT_EQ("12FerroxPA/2.000000", requests[0].Header("User-Agent"));
        EXPECT_EQ("nick=taro&pass=secret", requests[0].sBody);

        const StoredUser user = CurrentUser();
        EXPECT_EQ(kTaroDeviceNo, user.sDeviceNo);
        EXPECT_EQ("taro", user.sNickName);
        EXPECT_EQ(kTaroUserAgent, user.sUserAgent);
        EXPECT_EQ(Hex(kTaroCcidHead), Hex(user.uCcidHead));
    }
}

TEST_F(LoginTest, AJapaneseNicknameIsStoredAsTyped)
{
    // The service reads the form's escapes as UTF-8.
    ASSERT_TRUE(m_oStandIn.SetVars(R"({"accounts": {"\u592a\u90ce": {"pass": "pw",
        "deviceno": "D7", "ccid_head": "0291ABCD", "useragent": "UA"}}})"));
    ExpectPosted(0, Check("太郎", "pw"), "japanese");
    const std::vector<RecordedRequest> requests = m_oStandIn.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("nick=%E5%A4%AA%E9%83%8E&pass=pw", requests[0].sBody);
    const StoredUser user = CurrentUser();
    EXPECT_EQ("太郎", user.sNickName);
    EXPECT_EQ("D7", user.sDeviceNo);
}

// ---------------------------------------------------------------------------------------
// Every result of a check that does not store the user; the list stays as it was.

TEST_F(LoginTest, RefusalsAndFailuresPostTheirCodeAndLeaveTheListAlone)
{
    const char* const kFromAccounts = nullptr; // the service module answers
    const struct {
        const char* name;
        bool card;
        const char* nick;
        const char* reply;     // a queued body, or the module's answer
        int status;            // of the queued answer
        uint32_t expected;
    } cases[] = {
        // With the card: the one-field error form is hexadecimal, several fields decimal.
        {"card, unknown nickname", true, "nobody", kFromAccounts, 200, 0x200001},
        {"card, wrong password", true, "taro", kFromAccounts, 200, 0x200002},
        {"card, one field", true, "taro", "RET=1A", 200, 0x20001A},
        {"card, several fields", true, "taro", "RET=12&nick=taro", 200, 0x20000C},
        {"card, no usable form", true, "taro", "NG", 200, 0x200FFF},
        {"card, empty reply", true, "taro", "", 200, 0x200FFF},
        // Without a card: decimal codes, the unknown unit, and replies without a unit.
        {"no card, unknown nickname", false, "nobody", kFromAccounts, 200, 0x200001},
        {"no card, account without a unit", false, "jiro", kFromAccounts, 200, 0x20000A},
        {"no card, one field", false, "taro", "RET=1A", 200, 0x200001},
        {"no card, no usable form", false, "taro", "NG", 200, 0x200FFF},
        {"no card, code in the last field", false, "taro",
         "deviceno=D5&ccid_head=0291ABCD&useragent=U&RET=7", 200, 0x200007},
        {"no card, unknown key after the code", false, "taro",
         "deviceno=D5&ccid_head=0291ABCD&RET=7&foo=1", 200, 0x200007},
        // The reader accepts these; the user list refuses an empty device number.
        {"no card, empty reply", false, "taro", "", 200, 0x400001},
        {"no card, empty device number", false, "taro",
         "deviceno=&ccid_head=0291ABCD&RET=0&useragent=U", 200, 0x400001},
        {"no card, no device number field", false, "taro",
         "ccid_head=0291ABCD&RET=0&useragent=U&RET=0", 200, 0x400001},
        // HTTP statuses arrive with bit 28, which is dropped.
        {"status 500", false, "taro", "busy", 500, 0x1001F4},
        {"status 404", true, "taro", "gone", 404, 0x100194},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_oStandIn.Reset());
        ASSERT_TRUE(m_oStandIn.SetVars(kAccounts));
        DeleteFileA(UserListPath().c_str());
        SaveOtherUser();
        const std::string before = UserListBytes();
        if (c.card) {
            SelectCard(true);
        } else {
            m_oAgent.Write(0, 0, 0);
        }
        if (c.reply != kFromAccounts) {
            ASSERT_TRUE(m_oStandIn.Queue(c.card ? kWithCardPath : kWithoutCardPath,
                                         CAnswer().Status(c.status).Text(c.reply)));
        }
        CLoginAdmin admin;
        CLogCapture log;
        ExpectPosted(c.expected, Check(admin, c.nick, "pw"), c.name);
        EXPECT_EQ(c.card, admin.IsCardPresent());
        EXPECT_EQ(1u, m_oStandIn.Requests().size());
        EXPECT_EQ(before, UserListBytes());
        EXPECT_TRUE(log.HasLine("..", kSource, "お客様登録確認完了[RET:" + Hex(c.expected) + "]"))
            << log.Text();
    }
}

TEST_F(LoginTest, AReplyWithoutAUnitNeverTakesTheUnitOfAnEarlierCheck)
{
    CLoginAdmin admin;
    SelectCard(true);
    ExpectPosted(0, Check(admin, "taro", "secret"), "with the card");
    const std::string before = UserListBytes();

    m_oAgent.Write(0, 0, 0);
    ASSERT_TRUE(m_oStandIn.Queue(kWithoutCardPath,
                                 CAnswer().Text("ccid_head=0291ABCD&RET=0&useragent=U&RET=0")));
    ExpectPosted(0x400001, Check(admin, "jiro", "pw"), "without the card");
    EXPECT_EQ(before, UserListBytes());
}

TEST_F(LoginTest, AConnectionClosedWithoutAReplyIsATransportError)
{
    SaveOtherUser();
    const std::string before = UserListBytes();
    for (const CAnswer& answer : {CAnswer().Reset(), CAnswer().Close()}) {
        ASSERT_TRUE(m_oStandIn.Queue(kWithoutCardPath, answer));
        const Outcome outcome = Check("taro", "secret");
        EXPECT_EQ(1u, outcome.uMessages);
        // 0x100000 | the WinHTTP error of the failed receive
        EXPECT_EQ(0x100000u, outcome.uResult & 0xFFFF0000u) << Hex(outcome.uResult);
        EXPECT_NE(0u, outcome.uResult & 0xFFFFu) << Hex(outcome.uResult);
        EXPECT_EQ(before, UserListBytes());
    }
}

TEST_F(LoginTest, ACardWithoutACcidHeadGivesNoRequest)
{
    SelectCard(true, 0);
    SaveOtherUser();
    const std::string before = UserListBytes();
    CLogCapture log;
    ExpectPosted(0x40FF05, Check("taro", "secret"), "ccid 0");
    EXPECT_TRUE(m_oStandIn.Requests().empty());
    EXPECT_EQ(before, UserListBytes());
    EXPECT_TRUE(log.HasLine("!!", kSource, "ユーザー認証初期化時のPOSTデータ生成失敗[ERR:0x"))
        << log.Text();
}

TEST_F(LoginTest, AUserListThatCannotBeReadOrWrittenGives400001)
{
    SaveOtherUser();
    const std::string before = UserListBytes();
    const struct {
        const char* name;
        DWORD share; // of the test's own handle on the list
        const char* line;
    } cases[] = {
        // Nobody else may open it: the read fails.
        {"locked", 0, "ユーザ情報ファイル読み込み失敗[ERR:0x"},
        // Readable, but open without delete sharing: replacing it fails.
        {"held open", FILE_SHARE_READ | FILE_SHARE_WRITE, "ユーザ情報ファイル書き込み失敗[ERR:0x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        lib::CHandle held(CreateFileA(UserListPath().c_str(), GENERIC_READ, c.share, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.IsValid());
        CLogCapture log;
        ExpectPosted(0x400001, Check("taro", "secret"), c.name);
        EXPECT_TRUE(log.HasLine("!!", kSource, c.line)) << log.Text();
        held.Close();
        EXPECT_EQ(before, UserListBytes());
    }
}

// ---------------------------------------------------------------------------------------
// Values of a reply without a card that are stored and used again: the device number names a
// folder that is later deleted whole, the user agent becomes a request header.

TEST_F(LoginTest, DeviceNumbersAndUserAgentsThatCannotBeUsedAreRefused)
{
    const std::string k32(32, 'A');
    const std::string k64(64, 'u');
    const struct {
        const char* name;
        std::string deviceNo;
        std::string userAgent;
        uint32_t expected;
    } cases[] = {
        {"backslash", "D1\\x", "UA", 0x200FFF},
        {"parent folder", "..\\x", "UA", 0x200FFF},
        {"slash", "a/b", "UA", 0x200FFF},
        {"colon", "C:x", "UA", 0x200FFF},
        {"wildcard", "D*", "UA", 0x200FFF},
        {"control character", "D\t1", "UA", 0x200FFF},
        {"byte above 0x7E", "D\xB1", "UA", 0x200FFF},
        {"33 characters", k32 + "B", "UA", 0x200FFF},
        {"CR LF in the user agent", "D1", "UA\r\nX-Other: 1", 0x200FFF},
        {"byte above 0x7E in the user agent", "D1", "UA\xB1", 0x200FFF},
        {"double-byte user agent", "D1", "\x83\x65\x83\x58\x83\x67", 0x200FFF},
        {"65 characters of user agent", "D1", k64 + "v", 0x200FFF},
        // What a real unit sends passes.
        {"32 characters", k32, "UA", 0},
        {"64 characters of user agent", "D1", k64, 0},
        {"a real user agent", "D-1.2_3 x", "12FerroxPA/2.000010", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_oStandIn.Reset());
        DeleteFileA(UserListPath().c_str());
        SaveOtherUser();
        const std::string before = UserListBytes();
        ASSERT_TRUE(m_oStandIn.Queue(kWithoutCardPath,
                                     CAnswer().Text("deviceno=" + c.deviceNo +
                                                    "&ccid_head=0291ABCD&RET=0&useragent=" +
                                                    c.userAgent)));
        ExpectPosted(c.expected, Check("taro", "secret"), c.name);
        if (c.expected != 0) {
            EXPECT_EQ(before, UserListBytes());
        } else {
            const StoredUser user = CurrentUser();
            EXPECT_EQ(c.deviceNo, user.sDeviceNo);
            EXPECT_EQ(c.userAgent + "/1.000000", user.sUserAgent);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Cancels, and the life of the worker's handle.

TEST_F(LoginTest, ACancelBeforeTheRequestEndsQuietly)
{
    SaveOtherUser();
    const std::string before = UserListBytes();
    CLoginAdmin admin;
    // The worker's first step reads the card record: it waits there while the agent holds
    // the record's mutex, and finds the cancel when it goes on.
    ASSERT_TRUE(m_oAgent.Lock());
    m_oCapture.Clear();
    ASSERT_TRUE(admin.LogIn(m_oCapture.Window(), "taro", "secret"));
    admin.AbortProc(0);
    EXPECT_NE(nullptr, admin.GetThreadHandle()); // still running: the handle is kept
    m_oAgent.Unlock();
    ExpectQuiet(WaitForEnd(admin));
    EXPECT_TRUE(m_oStandIn.Requests().empty());
    EXPECT_EQ(before, UserListBytes());
}

TEST_F(LoginTest, ACancelDuringTheRequestPostsFF00)
{
    SaveOtherUser();
    const std::string before = UserListBytes();
    CLoginAdmin admin;
    CLogCapture log;
    ASSERT_NO_FATAL_FAILURE(StartHeldCheck(admin));
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), admin.GetThreadHandle(), GetCurrentProcess(),
                                &copy, 0, FALSE, DUPLICATE_SAME_ACCESS));
    lib::CHandle thread(copy);
    {
        CReleaseWhenLogged release(m_oStandIn, "reply", kWaitEndedLine);
        admin.AbortProc(INFINITE);
        EXPECT_TRUE(release.SawText());
    }
    EXPECT_EQ(nullptr, admin.GetThreadHandle());
    m_oCapture.PumpFor(20);
    Outcome outcome;
    GetExitCodeThread(thread.Get(), &outcome.dwExitCode);
    Collect(outcome);
    ExpectPosted(0xFF00, outcome, "cancel");
    EXPECT_TRUE(log.HasLine("..", kSource, "ユーザー認証ダウンロード時のユーザキャンセル"))
        << log.Text();
    EXPECT_EQ(before, UserListBytes());
}

TEST_F(LoginTest, ACancelAfterTheReplyEndsQuietly)
{
    SaveOtherUser();
    const std::string before = UserListBytes();
    CLoginAdmin admin;
    const std::set<DWORD> earlierThreads = ThreadIds();
    ASSERT_NO_FATAL_FAILURE(StartHeldCheck(admin));
    const DWORD worker = GetThreadId(admin.GetThreadHandle());

    // The worker's line right after the reply came waits for the log file's mutex (named
    // after the file) while the test holds it.
    std::string logName = GetTolveLogOutputPath();
    logName = logName.substr(logName.find_last_of('\\') + 1);
    lib::CHandle logMutex(CreateMutexA(nullptr, FALSE, logName.c_str()));
    ASSERT_TRUE(logMutex.IsValid());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(logMutex.Get(), 10000));
    m_oStandIn.Release("reply");
    // The reply is in once the HTTP client's thread has ended: the worker is then the only
    // thread the check still has.
    const std::set<DWORD> onlyWorker = {worker};
    std::set<DWORD> added;
    const DWORD start = GetTickCount();
    do {
        Sleep(5);
        added.clear();
        for (const DWORD id : ThreadIds()) {
            if (earlierThreads.count(id) == 0) added.insert(id);
        }
    } while (added != onlyWorker && GetTickCount() - start < 9000);
    EXPECT_EQ(onlyWorker, added);
    admin.AbortProc(0);
    ReleaseMutex(logMutex.Get());

    ExpectQuiet(WaitForEnd(admin));
    EXPECT_EQ(1u, m_oStandIn.Requests().size());
    EXPECT_EQ(before, UserListBytes());
}

TEST_F(LoginTest, ASecondLogInWaitsUntilTheFinishedHandleIsClosed)
{
    CLoginAdmin admin;
    m_oCapture.Clear();
    ASSERT_TRUE(admin.LogIn(m_oCapture.Window(), "taro", "secret"));
    ExpectPosted(0, WaitForEnd(admin), "first");
    const HANDLE first = admin.GetThreadHandle();

    CLogCapture log;
    EXPECT_FALSE(admin.LogIn(m_oCapture.Window(), "jiro", "pw"));
    EXPECT_TRUE(log.HasLine("!!", kSource, "CLoginAdmin::LogIn: already Start")) << log.Text();
    EXPECT_EQ(first, admin.GetThreadHandle());
    m_oCapture.PumpFor(100);
    EXPECT_EQ(1u, m_oCapture.Count(WM_LOGINADMIN_RESULT));
    EXPECT_EQ(1u, m_oStandIn.Requests().size());

    admin.SafeCloseHandle();
    EXPECT_EQ(nullptr, admin.GetThreadHandle());
    ExpectPosted(0x20000A, Check(admin, "jiro", "pw"), "second");
    EXPECT_EQ(2u, m_oStandIn.Requests().size());
}

TEST_F(LoginTest, AbortWithoutAWorkerOnlyLogs)
{
    CLoginAdmin admin;
    CLogCapture log;
    admin.AbortProc(0);
    admin.AbortProc(INFINITE);
    EXPECT_EQ(2u, log.Count("CCharge::AbortProc Thread none at processing interruption"));

    // After a finished check the abort lets go of the handle.
    m_oCapture.Clear();
    ASSERT_TRUE(admin.LogIn(m_oCapture.Window(), "taro", "secret"));
    ExpectPosted(0, WaitForEnd(admin), "finished");
    admin.AbortProc(INFINITE);
    EXPECT_EQ(nullptr, admin.GetThreadHandle());
}

TEST_F(LoginTest, DestroyingTheObjectCancelsARunningCheck)
{
    auto admin = std::make_unique<CLoginAdmin>();
    ASSERT_NO_FATAL_FAILURE(StartHeldCheck(*admin));
    {
        CReleaseWhenLogged release(m_oStandIn, "reply", kWaitEndedLine);
        admin.reset();
        EXPECT_TRUE(release.SawText());
    }
    m_oCapture.PumpFor(20);
    Outcome outcome;
    Collect(outcome);
    EXPECT_EQ(1u, outcome.uMessages);
    EXPECT_EQ(Hex(0xFF00), Hex(outcome.uResult));
}

// ---------------------------------------------------------------------------------------
// The user menu.

TEST_F(LoginTest, TheUserMenuListsUsersByDeviceNumber)
{
    {
        CUserListFile list;
        ASSERT_TRUE(list.SaveWithCurrentDevice("D3", "carol", 3, "UA3", nullptr));
        ASSERT_TRUE(list.SaveWithCurrentDevice("D1", "alice", 1, "UA1", nullptr));
        ASSERT_TRUE(list.SaveWithCurrentDevice("D2", "bob", 2, "UA2", nullptr));
        // alice has used a second unit since; her current one is now D4.
        ASSERT_TRUE(list.SaveWithCurrentDevice("D4", "alice", 1, "UA4", nullptr));
    }
    CLoginAdmin admin;
    CLogCapture log;
    const std::vector<UserMenuItem> menu = admin.GetUserMenuList();
    // Reading every user is no error of position.
    EXPECT_FALSE(log.Has("不正なインデックス"));
    const struct {
        uint32_t id;
        const char* nickName;
        int32_t current;
    } expected[] = {{4100, "bob", 0}, {4101, "carol", 0}, {4102, "alice", 1}};
    ASSERT_EQ(3u, menu.size());
    for (size_t i = 0; i < menu.size(); ++i) {
        EXPECT_EQ(expected[i].id, menu[i].m_uCommandId) << i;
        EXPECT_EQ(expected[i].nickName, menu[i].m_strNickName) << i;
        EXPECT_EQ(expected[i].current, menu[i].m_iCurrentFlag) << i;
    }

    const struct {
        const char* deviceNo;
        const char* nickName;
    } owners[] = {{"D1", "alice"}, {"D4", "alice"}, {"D2", "bob"}, {"D3", "carol"},
                  {"D5", ""},      {"", ""},         {"d2", ""}};
    for (const auto& o : owners) {
        EXPECT_EQ(o.nickName, admin.GetCurrentUser(o.deviceNo)) << o.deviceNo;
    }
}

TEST_F(LoginTest, AUserListThatCannotBeReadGivesNoMenu)
{
    EXPECT_TRUE(CLoginAdmin().GetUserMenuList().empty()); // no list at all
    SaveOtherUser();
    lib::CHandle locked(CreateFileA(UserListPath().c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(locked.IsValid());
    CLoginAdmin admin;
    EXPECT_TRUE(admin.GetUserMenuList().empty());
    EXPECT_EQ("", admin.GetCurrentUser("D0"));
    locked.Close();
    EXPECT_EQ("other", admin.GetCurrentUser("D0"));
    ASSERT_EQ(1u, admin.GetUserMenuList().size());
}

} // namespace
