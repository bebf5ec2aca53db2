// The version check: the reply of the version request in its forms, what the owner window
// receives, stops of the request, and the comparison with the stand-in programs built into
// this program's folder (tests/online/versionup.cmake):
//   Launcher.exe 4.1.17.0, Dapplegate.exe 4.1.17.5, Mendrill.exe 2.10.0.3,
//   PellickManager.exe 1.0.0.0.

#include "online/DownLoadCtrl.h"

#include "lib/Path.h"
#include "tests/online/VersionUpTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

using onlinetest::CAnswer;
using onlinetest::CapturedMessage;
using testsupport::CLogCapture;
using namespace versionuptest;

const bool g_privateAppData = testsupport::UsePrivateAppData("online_versionup_test");

const char kSource[] = "DownLoadCtrl.cpp";
const char* const kLocalVersions[VERUP_MODULE_COUNT] = {"4.1.17.0", "4.1.17.5", "2.10.0.3",
                                                        "1.0.0.0"};

// A nine-field reply with these versions and a URL per module.
std::string Reply(int ret, const char* const versions[VERUP_MODULE_COUNT])
{
    static const char* const keys[VERUP_MODULE_COUNT] = {"LC", "DG", "MD", "PM"};
    std::string text = "RET=" + std::to_string(ret);
    for (uint32_t i = 0; i < VERUP_MODULE_COUNT; ++i) {
        text += std::string("&") + keys[i] + "VER=" + versions[i];
        text += std::string("&") + keys[i] + "URL=http://packages.example/" + keys[i] + ".exe";
    }
    return text;
}

// Takes one of the stand-in programs away for one case, leaving nothing or a file without
// a version resource under its name, and puts it back.
class CProgramAway {
public:
    CProgramAway(const char* fileName, bool leaveTextFile)
        : m_strPath(testsupport::ProgramFolder() + fileName)
    {
        m_bMoved = MoveFileExA(m_strPath.c_str(), (m_strPath + ".away").c_str(),
                               MOVEFILE_REPLACE_EXISTING) != FALSE;
        EXPECT_TRUE(m_bMoved) << m_strPath;
        if (leaveTextFile) {
            lib::CHandle file(CreateFileA(m_strPath.c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, 0, nullptr));
            DWORD written = 0;
            EXPECT_TRUE(WriteFile(file.Get(), "MZ but no program", 17, &written, nullptr));
        }
    }
    ~CProgramAway()
    {
        DeleteFileA(m_strPath.c_str());
        if (m_bMoved) MoveFileA((m_strPath + ".away").c_str(), m_strPath.c_str());
    }
    CProgramAway(const CProgramAway&) = delete;
    CProgramAway& operator=(const CProgramAway&) = delete;

private:
    std::string m_strPath;
    bool m_bMoved;
};

// The program files as they lie in the folder (the update tool's name without its blank).
const char* const kFiles[VERUP_MODULE_COUNT] = {"Launcher.exe", "Dapplegate.exe", "Mendrill.exe",
                                                "PellickManager.exe"};

} // namespace

TEST(VersionCheck, ModuleTableInRowOrder)
{
    const uint32_t updateBits[] = {0x1, 0x2, 0x4, 0x8};
    for (uint32_t i = 0; i < VERUP_MODULE_COUNT; ++i) {
        EXPECT_EQ(i + 1, VERUP_MODULES[i].uId);
        EXPECT_EQ(updateBits[i], VERUP_MODULES[i].uUpdateBit);
        EXPECT_EQ(updateBits[i] << 12, VERUP_MODULES[i].uFirstInstallBit);
    }
    EXPECT_STREQ("Dapplegate.exe ", VERUP_MODULES[1].pszFileName);
}

TEST(VersionCheck, TheUpdateToolsNameFindsItsFileWithoutTheBlank)
{
    // Windows drops a trailing blank of a path's last part; so does Wine.
    const std::string folder = testsupport::ProgramFolder();
    DWORD ignored = 0;
    EXPECT_NE(0u, GetFileVersionInfoSizeA((folder + "Dapplegate.exe ").c_str(), &ignored));
    EXPECT_EQ(0u, GetFileVersionInfoSizeA((folder + "Dapplegate.exe x").c_str(), &ignored));
}

TEST(VersionCheck, InstalledProgramsAgainstServerVersions)
{
    struct Case {
        const char* name;
        const char* versions[VERUP_MODULE_COUNT]; // LC, DG, MD, PM
        std::vector<uint32_t> away;               // slots whose program is missing
        uint32_t noVersionSlot;                   // a file without version resource; 0 none
        uint32_t bits;
    } cases[] = {
        {"all equal", {"4.1.17.0", "4.1.17.5", "2.10.0.3", "1.0.0.0"}, {}, 0, 0},
        // Three parts compare three: 4.1.17 is not newer than 4.1.17.5.
        {"three parts", {"4.1.18", "4.1.17", "2.10.0", "1.0.1"}, {}, 0, 0x1 | 0x8},
        {"each part in order", {"4.2.0.0", "4.1.17.6", "2.9.99.99", "0.99.99.99"}, {}, 0, 0x3},
        {"older", {"4.1.16.9", "3.99.99.99", "2.10.0.2", "0.0.0.0"}, {}, 0, 0},
        // Compared as signed 32-bit values, never cut to the file's 16 bits.
        {"signed and wide", {"-1.0.0", "65536.0.0", "2.10.0.3", "1.0.0.0"}, {}, 0, 0x2},
        // Another number of parts never asks for an update; parts beyond four are not read.
        {"two and five parts", {"9.9", "9.0.0.0.0", "99", "1.0.0.0.1.2.3.4"}, {}, 0, 0},
        // A part is read up to its first non-digit; none at all reads 0.
        {"not numbers", {"x.y.z", "4.1.17b.6", "3.a.0", ""}, {}, 0, 0x2 | 0x4},
        // Missing programs need installing whatever the reply says about them.
        {"missing", {"", "", "1.0.0", "9.0.0"}, {1, 4}, 0, 0x1 | 0x1000 | 0x8 | 0x8000},
        {"no version resource", {"4.1.17.0", "4.1.17.5", "2.10.0.3", "1.0.0.0"}, {}, 3, 0x4004},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::unique_ptr<CProgramAway>> away;
        for (uint32_t slot : c.away) away.emplace_back(new CProgramAway(kFiles[slot - 1], false));
        if (c.noVersionSlot != 0) {
            away.emplace_back(new CProgramAway(kFiles[c.noVersionSlot - 1], true));
        }

        CDownLoadCtrl ctrl;
        const std::string reply = Reply(0, c.versions);
        ASSERT_TRUE(ctrl.ParseURLData(reply.data(), static_cast<uint32_t>(reply.size())));
        CLogCapture log;
        EXPECT_EQ(c.bits, ctrl.CheckHaveNewVersion());

        for (uint32_t i = 0; i < VERUP_MODULE_COUNT; ++i) {
            const VerUpModule& module = VERUP_MODULES[i];
            const std::string prefix =
                std::string("CheckHaveNewVersion ") + module.pszFileName + ":";
            const std::string server = std::string("ServerVer:") + c.versions[i];
            if ((c.bits & module.uFirstInstallBit) != 0) {
                EXPECT_TRUE(log.HasLine("..", kSource, prefix + "FirstInstall," + server)) << i;
            } else if ((c.bits & module.uUpdateBit) != 0) {
                EXPECT_TRUE(log.HasLine("..", kSource,
                                        prefix + "LocalVer:" + kLocalVersions[i] + "," + server))
                    << i;
            } else {
                EXPECT_EQ(0u, log.Count(prefix)) << i;
            }
        }
    }
}

TEST(VersionCheck, ParseURLDataDirectly)
{
    static const char kZeroInside[] =
        "RET=4\0&LCVER=1&LCURL=2&DGVER=3&DGURL=4&MDVER=5&MDURL=6&PMVER=7&PMURL=8";
    struct Case {
        const char* name;
        std::string body; // passed with its size
        bool parsed;
        int32_t serverResult;
        const char* lcVersion;
        const char* pmURL;
    } cases[] = {
        {"no body", "", false, VERUP_RESULT_NO_BODY, "", ""},
        {"two fields", "RET=12&LCVER=1.0.0", false, 12, "", ""},
        {"one field, no RET", "RETX=4", false, -1, "", ""},
        // A key matches the beginning of a field; a field without "=" has an empty value.
        {"longer key, no value",
         "RET=0&LCVERSION=1.2.3&LCURL=u&DGVER=&DGURL=&MDVER&MDURL=&PMVER=1.0.0&PMURL=http://p/a=b",
         true, 0, "1.2.3", "http://p/a=b"},
        // The text ends at a zero byte inside the body.
        {"zero byte", std::string(kZeroInside, sizeof(kZeroInside) - 1), false, 4, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDownLoadCtrl ctrl;
        EXPECT_EQ(c.parsed, ctrl.ParseURLData(c.body.empty() ? nullptr : c.body.data(),
                                              static_cast<uint32_t>(c.body.size())));
        EXPECT_EQ(c.serverResult, ctrl.GetServerResult());
        EXPECT_EQ(c.lcVersion, ctrl.GetServerVersion(1));
        EXPECT_EQ(c.pmURL, ctrl.GetPackageURL(4));
    }
}

TEST_F(CVersionUpTest, ReplyFormsAndWhatTheWindowReceives)
{
    const char* const versions[] = {"4.1.18", "4.2.0.1", "2.10.1", "1.0.0.9"};
    const std::string fields[8] = {"4.1.18",  "http://packages.example/LC.exe",
                                   "4.2.0.1", "http://packages.example/DG.exe",
                                   "2.10.1",  "http://packages.example/MD.exe",
                                   "1.0.0.9", "http://packages.example/PM.exe"};
    struct Case {
        const char* name;
        CAnswer answer;
        std::vector<uint32_t> notices; // wParams of "QZLNotifyError", in order
        uint32_t outcome;
        int32_t serverResult;
        size_t stored; // how many of the eight texts the reply left
    } cases[] = {
        {"nine fields", CAnswer().Text(Reply(0, versions)), {}, 0, 0, 8},
        {"nine fields, RET not 0", CAnswer().Text(Reply(7, versions)), {0x04200007}, 0, 7, 8},
        {"RET alone", CAnswer().Text("RET=3"), {0x04200003}, kFailed, 3, 0},
        {"unknown fifth key",
         CAnswer().Text("RET=0&LCVER=4.1.18&LCURL=http://packages.example/LC.exe&DGVER=4.2.0.1"
                        "&XXURL=x&MDVER=1&MDURL=2&PMVER=3&PMURL=4"),
         {}, kFailed, 0, 3},
        {"eight fields",
         CAnswer().Text("RET=0&LCVER=1&LCURL=2&DGVER=3&DGURL=4&MDVER=5&MDURL=6&PMVER=7"), {},
         kFailed, 0, 0},
        {"ten fields", CAnswer().Text(Reply(5, versions) + "&X=1"), {0x04200005}, kFailed, 5, 0},
        {"HTTP status", CAnswer().Status(503).Text("busy"), {0x04100000 | 503}, kFailed, -1, 0},
        {"empty body", CAnswer().Text(""), {0x04200000 | 99}, kFailed, 99, 0},
        // Nothing ever set the server result: its -1 is the notice.
        {"garbage", CAnswer().Text("\x89PNG\r\n\x1A\n..."), {0xFFFFFFFF}, kFailed, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_standIn.Reset());
        ASSERT_TRUE(m_standIn.Queue(kVersionPath, c.answer));
        CDownLoadCtrl ctrl;
        const std::vector<CapturedMessage> messages = RunVersionCheck(ctrl);

        std::vector<CapturedMessage> expected;
        for (uint32_t notice : c.notices) expected.push_back({kNotifyError, notice, 0});
        expected.push_back({kURLThreadProgress, 0, c.outcome});
        ASSERT_EQ(expected.size(), messages.size()) << DescribeMessages(messages);
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(expected[i].uMessage, messages[i].uMessage) << i;
            EXPECT_EQ(expected[i].uWParam, messages[i].uWParam) << i;
            EXPECT_EQ(expected[i].uLParam, messages[i].uLParam) << i;
        }
        EXPECT_EQ(c.serverResult, ctrl.GetServerResult());
        for (uint32_t i = 0; i < 8; ++i) {
            const std::string text = i % 2 == 0 ? ctrl.GetServerVersion(i / 2 + 1)
                                                : ctrl.GetPackageURL(i / 2 + 1);
            EXPECT_EQ(i < c.stored ? fields[i] : std::string(), text) << i;
        }

        const std::vector<onlinetest::RecordedRequest> requests = m_standIn.Requests();
        ASSERT_EQ(1u, requests.size());
        EXPECT_EQ("POST", requests[0].sMethod);
        EXPECT_EQ(kVersionPath, requests[0].sPath);
        EXPECT_EQ("12FerroxPA/2.000000", requests[0].Header("User-Agent"));
        EXPECT_EQ("application/x-www-form-urlencoded", requests[0].Header("Content-Type"));
        EXPECT_EQ("", requests[0].sBody);
    }
}

TEST_F(CVersionUpTest, ConnectionClosedWithoutAnswerIsATransportNotice)
{
    ASSERT_TRUE(m_standIn.Queue(kVersionPath, CAnswer().Close()));
    CDownLoadCtrl ctrl;
    const std::vector<CapturedMessage> messages = RunVersionCheck(ctrl);
    ASSERT_EQ(2u, messages.size()) << DescribeMessages(messages);
    EXPECT_EQ(kNotifyError, messages[0].uMessage);
    EXPECT_EQ(VERUP_NOTICE_TRANSPORT, messages[0].uWParam & 0xFFFF0000);
    EXPECT_NE(0u, messages[0].uWParam & 0xFFFF);
    EXPECT_EQ(kFailed, messages[1].uLParam);
}

TEST_F(CVersionUpTest, StopWhileWaitingForTheServerPostsTheFailedOutcome)
{
    const char* const versions[] = {"1.0.0", "1.0.0", "1.0.0", "1.0.0"};
    ASSERT_TRUE(m_standIn.Queue(kVersionPath, CAnswer().Text(Reply(0, versions)).Hold("reply")));
    CDownLoadCtrl ctrl;
    ctrl.SetNotifyOwner(m_capture.Window(), kURLThreadProgress);
    ASSERT_TRUE(ctrl.StartGetURL());
    ASSERT_EQ(1u, m_standIn.WaitForRequests(1));
    {
        // The reply goes once the request's thread has seen the stop (under Wine the blocked
        // request ends only then): the stop ends it well within its wait, nothing terminated.
        onlinetest::CReleaseWhenLogged release(m_standIn, "reply", kURLThreadStopped);
        EXPECT_TRUE(ctrl.StopAll());
        EXPECT_TRUE(release.SawText());
    }
    ASSERT_TRUE(m_capture.WaitFor(kURLThreadProgress));
    const std::vector<CapturedMessage> messages = m_capture.Messages();
    ASSERT_EQ(1u, messages.size()) << DescribeMessages(messages);
    EXPECT_EQ(kFailed, messages[0].uLParam);
}

TEST_F(CVersionUpTest, EveryRequestPostsItsOutcome)
{
    const char* const versions[] = {"4.1.18", "4.1.17.5", "2.10.0.3", "1.0.0.0"};
    const std::string reply = Reply(0, versions);
    CDownLoadCtrl ctrl;
    ctrl.SetNotifyOwner(m_capture.Window(), kURLThreadProgress);
    // A stop with no request running leaves the abort event set.
    EXPECT_TRUE(ctrl.StopAll());
    ASSERT_TRUE(m_standIn.Queue(kVersionPath, CAnswer().Text(reply)));
    ASSERT_TRUE(ctrl.StartGetURL());
    ASSERT_TRUE(m_capture.WaitFor(kURLThreadProgress, 1));
    // A new request while one waits for the server: the first ends with its outcome.
    ASSERT_TRUE(m_standIn.Queue(kVersionPath, CAnswer().Text(reply).Hold("second")));
    ASSERT_TRUE(m_standIn.Queue(kVersionPath, CAnswer().Text(reply)));
    ASSERT_TRUE(ctrl.StartGetURL());
    ASSERT_EQ(2u, m_standIn.WaitForRequests(2));
    {
        onlinetest::CReleaseWhenLogged release(m_standIn, "second", kURLThreadStopped);
        ASSERT_TRUE(ctrl.StartGetURL());
        EXPECT_TRUE(release.SawText());
    }
    ASSERT_TRUE(m_capture.WaitFor(kURLThreadProgress, 3));
    // The thread of the last request may still be on its way out.
    ASSERT_TRUE(m_standIn.Queue(kVersionPath, CAnswer().Text(reply)));
    ASSERT_TRUE(ctrl.StartGetURL());
    ASSERT_TRUE(m_capture.WaitFor(kURLThreadProgress, 4));

    const std::vector<CapturedMessage> messages = m_capture.Messages();
    const uint32_t outcomes[] = {0, kFailed, 0, 0};
    ASSERT_EQ(4u, messages.size()) << DescribeMessages(messages);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(outcomes[i], messages[i].uLParam) << i;
    EXPECT_EQ(0x1u, ctrl.CheckHaveNewVersion());
}
