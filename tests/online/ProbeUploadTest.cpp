// The probe upload job against the stand-in probe gateway ("/probe/OFPB", fc 94, 95, 96 in
// tools/standin/services/_ofpb_upload.py), with recordings built by CProbeBuilder on
// simulated card L: (see tools/wine-prefix) and two users registered in a private
// application folder. The gateway refuses an upload that is not one whole send file and a
// completion of an identity that uploaded nothing, so every completed batch here was sent.

#include "online/ProbeUpload.h"

#include "carddata/ProbeFile.h"
#include "carddata/UserListFile.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "tests/carddata/support/ProbeBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/online/support/ConnectionInfoForTests.h"
#include "tests/online/support/JobTestSupport.h"
#include "tests/online/support/MessageCapture.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using onlinetest::CAnswer;
using onlinetest::CapturedMessage;
using onlinetest::CMessageCapture;
using onlinetest::CReleaseWhenLogged;
using onlinetest::CStandIn;
using onlinetest::DescribeMessages;
using onlinetest::RecordedRequest;

const bool g_privateAppData = testsupport::UsePrivateAppData("online_probeupload_test");

// L: belongs to this test program.
const char kCard = 'L';
const char kGateway[] = "/probe/OFPB";

const UINT kError = lib::GetRegisteredMessage("QZLNotifyError");
const UINT kFinish = lib::GetRegisteredMessage("QZLNotifyFinish");

// Two units, each registered with its own user. The second nickname is Japanese: it goes
// into the form as it stands in code page 932.
const char kDeviceA[] = "DN00000000000001";
const char kCcidA[] = "0746052100000001";
const char kUidA[] = "U000000001";
const char kNickA[] = "driver1";
const char kAgentA[] = "UA-A/1.0";
const char kDeviceB[] = "DN00000000000002";
const char kCcidB[] = "0758062200000002";
const char kUidB[] = "U000000002";
const char kNickB[] = "表示テスト";
const char kAgentB[] = "UA-B/2.0";

const uint32_t kSuccess = 0x24000000;
const uint64_t kLimit = 31457280;

class CProbeUploadEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        CStandIn standIn;
        ASSERT_TRUE(standIn.IsRunning());
        ASSERT_TRUE(onlinetest::WriteConnectionInfo(standIn.BaseUrl()));
        SetProbeUploadRetryWait(20);
    }
};

testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new CProbeUploadEnvironment);

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

CProbeBuilder UnitA(const std::string& data = "driving A")
{
    return CProbeBuilder()
        .SetDeviceNo(kDeviceA)
        .SetCcid(kCcidA)
        .SetUid(kUidA)
        .AddRealFile("20261209120000DRVHISREC.DH6", Bytes(std::string(12, '\0') + data))
        .AddRealFile("20261209120000TRACK.BIN", Bytes(data));
}

CProbeBuilder UnitB(const std::string& data = "driving B")
{
    return CProbeBuilder()
        .SetDeviceNo(kDeviceB)
        .SetCcid(kCcidB)
        .SetUid(kUidB)
        .AddRealFile("20261210080000TRACK.BIN", Bytes(data));
}

// A recording of A with a real file that unpacks to more than the limit (zeros: a small card
// file), built once.
const std::vector<uint8_t>& LargeUnpacked()
{
    static const std::vector<uint8_t> bytes =
        UnitA().AddRealFile("20261209130000LARGE.BIN", std::vector<uint8_t>(kLimit + 1)).Build();
    return bytes;
}

// A recording of a model this program does not serve.
std::vector<uint8_t> OtherModel()
{
    return UnitA().SetCcid("9999999900000001").Build();
}

// The bytes without their last `count`: the end of the last block is missing.
std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t count)
{
    bytes.resize(bytes.size() - count);
    return bytes;
}

std::string ProbePath(const std::string& folder) { return "PROBE\\" + folder + "\\ProbeData.dat"; }

int FcOf(const RecordedRequest& request)
{
    const size_t at = request.sBody.find("fc=");
    return at == 0 ? std::atoi(request.sBody.c_str() + 3) : -1;
}

class ProbeUploadTest : public testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(m_card.IsRemovable()) << "rebuild the test prefix (see tools/wine-prefix)";
        ASSERT_TRUE(m_standIn.IsRunning());
        CUserListFile users;
        ASSERT_TRUE(users.SaveWithCurrentDevice(kDeviceA, kNickA, 0x0746, kAgentA, nullptr));
        ASSERT_TRUE(users.SaveWithCurrentDevice(kDeviceB, kNickB, 0x0758, kAgentB, nullptr));
        Prepare(m_job);
    }

    void Prepare(CProbeUpload& job)
    {
        job.SetNotifyWindow(m_capture.Window());
        job.SetDriveLetter(kCard);
    }

    void Put(const std::string& folder, const CProbeBuilder& builder)
    {
        ASSERT_TRUE(m_card.WriteFile(ProbePath(folder), builder.Build()));
    }
    void PutBytes(const std::string& folder, const std::vector<uint8_t>& bytes)
    {
        ASSERT_TRUE(m_card.WriteFile(ProbePath(folder), bytes));
    }

    // One run to its finish: the result it posted ("QZLNotifyError"'s wParam).
    uint32_t Run() { return Run(m_job); }
    uint32_t Run(CProbeUpload& job)
    {
        m_capture.Clear();
        EXPECT_TRUE(job.StartProc());
        EXPECT_TRUE(m_capture.WaitFor(kFinish, 1, 120000));
        const std::vector<CapturedMessage> errors = m_capture.Of(kError);
        EXPECT_EQ(errors.size(), 1u) << DescribeMessages(m_capture.Messages());
        return errors.empty() ? 0xFFFFFFFF : errors.back().uWParam;
    }

    // The function codes the gateway received since the space was emptied.
    std::vector<int> Fcs() const
    {
        std::vector<int> fcs;
        for (const RecordedRequest& request : m_standIn.Requests()) {
            EXPECT_EQ(request.sPath, kGateway);
            fcs.push_back(FcOf(request));
        }
        return fcs;
    }

    // The recording folders still on the card, sorted.
    std::vector<std::string> Left() const
    {
        std::vector<WIN32_FIND_DATAA> found;
        lib::FindFiles(m_card.GetPath("PROBE\\*"), found);
        std::vector<std::string> names;
        for (const WIN32_FIND_DATAA& entry : found) {
            if (!lib::IsDotEntry(entry.cFileName)) names.push_back(entry.cFileName);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    uint32_t StatusValue(uint32_t step) const
    {
        for (const CapturedMessage& m : m_capture.Of(WM_PROBEUPLOAD_STATUS)) {
            if (m.uWParam == step) return m.uLParam;
        }
        return 0xFFFFFFFF;
    }

    CSimulatedCard m_card{kCard};
    CStandIn m_standIn;
    CMessageCapture m_capture;
    CProbeUpload m_job;
};

typedef std::vector<int> Fc;
typedef std::vector<std::string> Folders;

// --- Batches and consent --------------------------------------------------------------

TEST_F(ProbeUploadTest, BatchesFollowPathOrderAndConsentIsAskedOncePerIdentity)
{
    Put("01", UnitA("first"));
    Put("02", UnitB());
    Put("03", UnitA("third"));
    EXPECT_EQ(Run(), kSuccess);
    // A, then B, then A again: its consent is known by then.
    EXPECT_EQ(Fcs(), (Fc{94, 95, 96, 94, 95, 96, 95, 96}));
    const std::vector<RecordedRequest> requests = m_standIn.Requests();
    ASSERT_EQ(requests.size(), 8u);
    const char* const ccids[] = {kCcidA, kCcidA, kCcidA, kCcidB, kCcidB, kCcidB, kCcidA, kCcidA};
    for (size_t i = 0; i < requests.size(); ++i) {
        EXPECT_NE(requests[i].sBody.find(std::string("&ccid=") + ccids[i] + "&"),
                  std::string::npos)
            << i;
    }
    EXPECT_EQ(Left(), Folders{});

    // The same object in a later run knows both identities' consent.
    ASSERT_TRUE(m_standIn.Reset());
    Put("04", UnitB());
    Put("05", UnitA());
    EXPECT_EQ(Run(), kSuccess);
    EXPECT_EQ(Fcs(), (Fc{95, 96, 95, 96}));
    EXPECT_EQ(Left(), Folders{});

    // A new object asks again.
    ASSERT_TRUE(m_standIn.Reset());
    CProbeUpload other;
    Prepare(other);
    Put("06", UnitA());
    EXPECT_EQ(Run(other), kSuccess);
    EXPECT_EQ(Fcs(), (Fc{94, 95, 96}));
}

TEST_F(ProbeUploadTest, ARefusedConsentIsAskedAgainAndItsRecordingsStay)
{
    const std::string refuseA =
        lib::FormatString("{\"consent_answers\": {\"%s\": \"C03\"}}", kCcidA);
    ASSERT_TRUE(m_standIn.SetVars(refuseA));
    Put("01", UnitA("first"));
    Put("02", UnitA("second"));
    Put("03", UnitB());
    // Each recording of A starts a batch of its own and asks again; the last batch's
    // completion is the run's result.
    EXPECT_EQ(Run(), kSuccess);
    EXPECT_EQ(Fcs(), (Fc{94, 94, 94, 95, 96}));
    EXPECT_EQ(Left(), (Folders{"01", "02"}));

    ASSERT_TRUE(m_standIn.Reset());
    ASSERT_TRUE(m_standIn.SetVars(refuseA));
    EXPECT_EQ(Run(), 0x24200203u);
    EXPECT_EQ(StatusValue(PROBE_STEP_RESULT), 0x200203u);
    EXPECT_EQ(Fcs(), (Fc{94, 94}));
    EXPECT_EQ(Left(), (Folders{"01", "02"}));

    // Consent given at last: asked once, and both recordings go in one batch.
    ASSERT_TRUE(m_standIn.Reset());
    EXPECT_EQ(Run(), kSuccess);
    EXPECT_EQ(Fcs(), (Fc{94, 95, 96}));
    EXPECT_EQ(Left(), Folders{});
}

// --- What goes over the wire -----------------------------------------------------------

// The send file the probe-file reader makes of one recording, built apart from the job.
std::string ExpectedSendFile(const CProbeBuilder& builder)
{
    const std::string folder = testsupport::PrivateRoot() + "expected\\";
    lib::DeleteFolder(folder.c_str(), true);
    lib::CreateDirectoryRecursive(folder);
    const std::string probe = folder + "ProbeData.dat";
    const std::string send = folder + "work\\PROBE.DAT";
    EXPECT_TRUE(builder.WriteTo(probe));
    CProbeFile reader(nullptr);
    reader.ResetSendHeader(false);
    EXPECT_EQ(reader.MakeSendFile(probe.c_str(), send.c_str()), 0u);
    EXPECT_EQ(reader.CombineDrvHiRecFile(), 0u);
    EXPECT_EQ(reader.CreateSendFile(), 0u);
    const std::string bytes = testsupport::ReadFileBytes(send);
    lib::DeleteFolder(folder.c_str(), true);
    return bytes;
}

TEST_F(ProbeUploadTest, RequestsCarryTheFormTheDataRawAndTheUsersAgent)
{
    const CProbeBuilder recording = UnitB("exact bytes");
    const std::string send = ExpectedSendFile(recording);
    ASSERT_GT(send.size(), 24u);
    ASSERT_EQ(send.compare(0, 4, "OFCD"), 0);
    Put("01", recording);
    EXPECT_EQ(Run(), kSuccess);

    const std::string identity =
        std::string("&ccid=") + kCcidB + "&uid=" + kUidB + "&nickname=" + kNickB;
    const std::string bodies[] = {
        "fc=94" + identity,
        "fc=95" + identity + "&navimodel=NV41&maker=Halvorn&aplver=0.01020A&mapver=20.261101" +
            "&dat=" + send + "DCFO",
        "fc=96" + identity,
    };
    const std::vector<RecordedRequest> requests = m_standIn.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(requests[i].sMethod, "POST");
        EXPECT_EQ(requests[i].sPath, kGateway);
        EXPECT_EQ(requests[i].sQuery, "");
        EXPECT_TRUE(requests[i].sBody == bodies[i])
            << requests[i].sBody.size() << " bytes, expected " << bodies[i].size();
        EXPECT_EQ(requests[i].Header("Content-Type"), "application/octet-stream");
        EXPECT_EQ(requests[i].Header("User-Agent"), kAgentB);
        EXPECT_EQ(requests[i].iStatus, 200);
    }
}

TEST_F(ProbeUploadTest, ASuccessfulRunPostsItsStepsAndASuccessResult)
{
    Put("01", UnitA());
    EXPECT_EQ(Run(), kSuccess);
    const UINT S = WM_PROBEUPLOAD_STATUS;
    const UINT P = WM_PROBEUPLOAD_PERCENT;
    const std::vector<CapturedMessage> expected = {
        {P, 0, 0},  {S, 9, 0},  {S, 0, 0},  {S, 1, 0},  {P, 10, 0}, {S, 2, 0},
        {S, 4, 0},  {S, 3, 0},  {P, 30, 0}, {P, 60, 0}, {S, 5, 0},  {P, 80, 0},
        {S, 6, 0},  {P, 100, 0}, {S, 9, 0}, {S, 8, 0},  {S, 7, 0},  {kError, kSuccess, 0},
        {kFinish, 0, CHARGTYPE_PROBE_UPLOAD},
    };
    std::vector<CapturedMessage> got = m_capture.Messages();
    ASSERT_FALSE(got.empty());
    got.back().uWParam = 0; // the finish message's wParam is a thread handle
    EXPECT_EQ(DescribeMessages(got), DescribeMessages(expected));
}

// --- Server notices -------------------------------------------------------------------

TEST_F(ProbeUploadTest, C01AndC02AreNoticedOncePerIdentityAndRun)
{
    struct Case {
        const char* name;
        std::string consents;
        Fc fcs;
        std::vector<CapturedMessage> notices;
    } cases[] = {
        {"C01 for both recordings of A", lib::FormatString("{\"%s\": \"C01\"}", kCcidA),
         {94, 94, 94, 95, 96}, {{WM_PROBEUPLOAD_SERVER, 1, 0}}},
        {"C02 for A, C01 for B",
         lib::FormatString("{\"%s\": \"C02\", \"%s\": \"C01\"}", kCcidA, kCcidB),
         {94, 94, 94}, {{WM_PROBEUPLOAD_SERVER, 2, 0}, {WM_PROBEUPLOAD_SERVER, 1, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CProbeUpload job;
        Prepare(job);
        ASSERT_TRUE(m_card.Clear());
        Put("01", UnitA("one"));
        Put("02", UnitA("two"));
        Put("03", UnitB());
        for (int run = 0; run < 2; ++run) {
            ASSERT_TRUE(m_standIn.Reset());
            ASSERT_TRUE(m_standIn.SetVars("{\"consent_answers\": " + c.consents + "}"));
            Run(job);
            EXPECT_EQ(DescribeMessages(m_capture.Of(WM_PROBEUPLOAD_SERVER)),
                      DescribeMessages(c.notices))
                << run;
            if (run == 0) {
                EXPECT_EQ(Fcs(), c.fcs);
            }
        }
    }
}

TEST_F(ProbeUploadTest, AUserGoneDuringTheRunIsNoticedAsAbsentAndSentWithTheFixedAgent)
{
    // The consent answer waits while the user of B leaves the PC; the completion answers
    // C02.
    ASSERT_TRUE(m_standIn.SetVars("{\"completion_answer\": \"C02\", "
                                  "\"trouble\": {\"94\": {\"times\": 1, \"hold\": \"user\"}}}"));
    Put("01", UnitB());
    m_capture.Clear();
    ASSERT_TRUE(m_job.StartProc());
    ASSERT_EQ(m_standIn.WaitForRequests(1), 1u);
    CUserListFile users;
    ASSERT_TRUE(users.DeleteUserByDeviceNo(kDeviceB));
    ASSERT_TRUE(m_standIn.Release("user"));
    ASSERT_TRUE(m_capture.WaitFor(kFinish, 1, 60000));

    EXPECT_EQ(m_capture.Of(kError).at(0).uWParam, 0x24200202u);
    EXPECT_EQ(DescribeMessages(m_capture.Of(WM_PROBEUPLOAD_SERVER)),
              DescribeMessages({{WM_PROBEUPLOAD_SERVER, 2, 0xFFFFFFFF}}));
    const std::vector<RecordedRequest> requests = m_standIn.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].Header("User-Agent"), kAgentB);
    EXPECT_EQ(requests[1].Header("User-Agent"), "12FerroxPA/2.000000");
    EXPECT_EQ(requests[2].Header("User-Agent"), "12FerroxPA/2.000000");
    EXPECT_EQ(Left(), Folders{"01"});
}

// --- Replies, retries and aborts ---------------------------------------------------------

TEST_F(ProbeUploadTest, RepliesAreReadByTheCodeAfterTheirFirstEquals)
{
    struct Case {
        const char* reply;
        uint32_t result;
    } cases[] = {
        {"SVRRET=C00", kSuccess},
        {"RET=S00", kSuccess},          // any known code counts, whatever the request
        {"C00", kSuccess},              // no "=": the whole reply
        {"C00=C03", 0x24200203},        // the code after the first "="
        {"X=Y=C00", 0x24400102},        // "Y=C00" is no code
        {"SVRRET=C0", 0x24400102},
        {"", 0x24400102},
        {"SVRRET=C04", 0x24400102},     // not a code of this service
        {"SVRRET=C07", 0x24200207},
        {"SVRRET=E99", 0x24200299},     // E99 of the consent check
        {"SVRRET=ABT", 0x2440FF00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        ASSERT_TRUE(m_standIn.Reset());
        ASSERT_TRUE(m_card.Clear());
        ASSERT_TRUE(m_standIn.Queue(kGateway, CAnswer().Text(c.reply)));
        Put("01", UnitA());
        CProbeUpload job;
        Prepare(job);
        EXPECT_EQ(Run(job), c.result);
        EXPECT_EQ(Left(), c.result == kSuccess ? Folders{} : Folders{"01"});
    }
}

TEST_F(ProbeUploadTest, ServerAnswersOfUploadAndCompletion)
{
    struct Case {
        const char* vars;
        uint32_t result;
        Fc fcs;
    } cases[] = {
        {"{\"upload_answer\": \"E99\"}", 0x24200399, {94, 95}},
        {"{\"upload_answer\": \"S05\"}", 0x24200305, {94, 95}},
        {"{\"upload_answer\": \"ABT\"}", 0x2440FF00, {94, 95}},
        {"{\"completion_answer\": \"E99\"}", 0x24200499, {94, 95, 96}},
        {"{\"completion_answer\": \"R04\"}", 0x24200404, {94, 95, 96}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vars);
        ASSERT_TRUE(m_standIn.Reset());
        ASSERT_TRUE(m_card.Clear());
        ASSERT_TRUE(m_standIn.SetVars(c.vars));
        Put("01", UnitA());
        Put("02", UnitB());
        CProbeUpload job;
        Prepare(job);
        // A failed batch ends the run; nothing of it leaves the card.
        EXPECT_EQ(Run(job), c.result);
        EXPECT_EQ(Fcs(), c.fcs);
        EXPECT_EQ(Left(), (Folders{"01", "02"}));
    }
}

TEST_F(ProbeUploadTest, PassingTroublesAreRetriedSixTimes)
{
    struct Case {
        const char* name;
        const char* trouble;
        uint32_t result;
        Fc fcs;
    } cases[] = {
        {"503 every time", "{\"95\": {\"times\": 100, \"status\": 503}}", 0x241001F7,
         {94, 95, 95, 95, 95, 95, 95, 95}},
        {"404", "{\"95\": {\"times\": 100, \"status\": 404}}", 0x24100194, {94, 95}},
        {"503 twice", "{\"95\": {\"times\": 2, \"status\": 503}}", kSuccess,
         {94, 95, 95, 95, 96}},
        {"504 of the completion", "{\"96\": {\"times\": 1, \"status\": 504}}", kSuccess,
         {94, 95, 96, 96}},
        {"a closed connection", "{\"94\": {\"times\": 1, \"close\": true}}", kSuccess,
         {94, 94, 95, 96}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_standIn.Reset());
        ASSERT_TRUE(m_card.Clear());
        ASSERT_TRUE(m_standIn.SetVars(std::string("{\"trouble\": ") + c.trouble + "}"));
        Put("01", UnitA());
        CProbeUpload job;
        Prepare(job);
        EXPECT_EQ(Run(job), c.result);
        EXPECT_EQ(Fcs(), c.fcs);
        EXPECT_EQ(Left(), c.result == kSuccess ? Folders{} : Folders{"01"});
    }
}

TEST_F(ProbeUploadTest, AnAbortWhileTheGatewayStallsEndsTheRunAborted)
{
    ASSERT_TRUE(m_standIn.SetVars("{\"trouble\": {\"95\": {\"times\": 1, \"hold\": \"late\"}}}"));
    Put("01", UnitA());
    m_capture.Clear();
    ASSERT_TRUE(m_job.StartProc());
    ASSERT_EQ(m_standIn.WaitForRequests(2), 2u);
    // Under Wine a blocked request returns only when its answer comes, so the gateway lets
    // go of it once the job has seen the abort; on Windows the abort closes it at once.
    DWORD took = 0;
    {
        CReleaseWhenLogged release(m_standIn, "late",
                                   "CProbeUpload::__PostData Cancellation when probe API stands by");
        const DWORD start = GetTickCount();
        EXPECT_TRUE(m_job.AbortProc(PROBE_ABORT_WAIT_MS + 5000));
        took = GetTickCount() - start;
        EXPECT_TRUE(release.SawText());
    }
    EXPECT_LT(took, PROBE_ABORT_WAIT_MS) << "the request ended before its abort's time-out";
    ASSERT_TRUE(m_capture.WaitFor(kFinish));
    EXPECT_EQ(m_capture.Of(kError).at(0).uWParam, 0x2440FF00u);
    EXPECT_EQ(Fcs(), (Fc{94, 95}));
    EXPECT_EQ(Left(), Folders{"01"});
}

TEST(ProbeRetryError, TheFifteenTransportTroubles)
{
    const uint32_t retried[] = {12001, 12002, 12004, 12007, 12009, 12017, 12019, 12029,
                                12030, 12032, 12152, 500, 502, 503, 504};
    for (uint32_t code : retried) EXPECT_TRUE(IsProbeRetryError(code)) << code;
    const uint32_t final[] = {0, 404, 501, 505, 1235, 12003, 12031, 12157, 12175,
                              0x10000000 | 503};
    for (uint32_t code : final) EXPECT_FALSE(IsProbeRetryError(code)) << code;
}

// --- The scan and the size limit ----------------------------------------------------------

TEST_F(ProbeUploadTest, TheScanNoticesWhatItCannotSendOncePerKind)
{
    struct Case {
        const char* name;
        void (*put)(ProbeUploadTest&);
        std::vector<uint32_t> notices; // in any order
    } cases[] = {
        {"no PROBE folder", [](ProbeUploadTest&) {}, {}},
        {"folders without a recording",
         [](ProbeUploadTest& t) {
             ASSERT_TRUE(t.m_card.WriteFile("PROBE\\01\\other.dat", Bytes("x")));
             ASSERT_TRUE(t.m_card.WriteFile("PROBE\\ProbeData.dat", UnitA().Build()));
         },
         {}},
        {"two other models and an unknown user",
         [](ProbeUploadTest& t) {
             t.PutBytes("01", OtherModel());
             t.PutBytes("02", OtherModel());
             t.Put("03", UnitA().SetDeviceNo("DN99"));
         },
         {0x24400110, 0x2440FF08}},
        {"two empty files",
         [](ProbeUploadTest& t) {
             t.PutBytes("01", {});
             t.PutBytes("02", {});
         },
         {0x2440FF02}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_standIn.Reset());
        ASSERT_TRUE(m_card.Clear());
        c.put(*this);
        const Folders before = Left();
        EXPECT_EQ(Run(), 0x24400111u);
        std::vector<uint32_t> notices;
        for (const CapturedMessage& m : m_capture.Of(WM_PROBEUPLOAD_NOTICE)) {
            EXPECT_EQ(m.uLParam, 0u);
            notices.push_back(m.uWParam);
        }
        // Step 7 carries the last notice posted, 0 without one.
        EXPECT_EQ(StatusValue(PROBE_STEP_RESULT), notices.empty() ? 0u : notices.back());
        std::sort(notices.begin(), notices.end());
        EXPECT_EQ(notices, c.notices);
        EXPECT_EQ(Fcs(), Fc{});
        EXPECT_EQ(Left(), before);
    }
}

TEST_F(ProbeUploadTest, ARecordingAboveTheLimitStopsTheRun)
{
    struct Case {
        uint64_t length;
        uint32_t result;
        Fc fcs;
        Folders left;
    } cases[] = {
        {kLimit + 1, 0x2440FF11, {}, {"01", "02"}},
        {kLimit, kSuccess, {94, 95, 96, 95, 96}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        ASSERT_TRUE(m_standIn.Reset());
        ASSERT_TRUE(m_card.Clear());
        Put("01", UnitA("grown"));
        ASSERT_TRUE(m_card.SetFileLength(ProbePath("01"), c.length));
        Put("02", UnitA("small"));
        EXPECT_EQ(Run(), c.result);
        EXPECT_EQ(StatusValue(PROBE_STEP_RESULT), c.result == kSuccess ? 0 : c.result & 0xFFFFFF);
        EXPECT_EQ(Fcs(), c.fcs);
        EXPECT_EQ(Left(), c.left);
    }
}

// --- Pieces of a batch --------------------------------------------------------------------

TEST_F(ProbeUploadTest, ABatchSentInPiecesIsCompletedAndDeleted)
{
    struct Case {
        const char* name;
        void (*put)(ProbeUploadTest&);
        Fc fcs;
    } cases[] = {
        // The merged data passes the limit with a recording of the same unit still to come:
        // the first piece goes up, the rest with the completion.
        {"then one of its identity",
         [](ProbeUploadTest& t) {
             t.PutBytes("01", LargeUnpacked());
             t.Put("02", UnitA("after"));
         },
         {94, 95, 95, 96}},
        // The next recording starts a new batch: the first batch went up whole as a piece and
        // still has to be completed.
        {"then another identity",
         [](ProbeUploadTest& t) {
             t.PutBytes("01", LargeUnpacked());
             t.Put("02", UnitB());
         },
         {94, 95, 96, 94, 95, 96}},
        {"as the last recording", [](ProbeUploadTest& t) { t.PutBytes("01", LargeUnpacked()); },
         {94, 95, 96}},
        // Recordings whose card files add up past the limit make two batches of one unit.
        {"card files adding up past the limit",
         [](ProbeUploadTest& t) {
             t.Put("01", UnitA("one"));
             ASSERT_TRUE(t.m_card.SetFileLength(ProbePath("01"), 16 * 1024 * 1024));
             t.Put("02", UnitA("two"));
             ASSERT_TRUE(t.m_card.SetFileLength(ProbePath("02"), 16 * 1024 * 1024));
         },
         {94, 95, 96, 95, 96}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_standIn.Reset());
        ASSERT_TRUE(m_card.Clear());
        c.put(*this);
        CProbeUpload job;
        Prepare(job);
        EXPECT_EQ(Run(job), kSuccess);
        EXPECT_EQ(Fcs(), c.fcs);
        EXPECT_EQ(Left(), Folders{});
    }
}

// --- Damaged recordings ---------------------------------------------------------------

TEST_F(ProbeUploadTest, DamagedRecordingsAreNeitherSentNorDeleted)
{
    const std::vector<uint8_t> badGzip = UnitA().SetRawGzip(Bytes("not a gzip stream")).Build();
    // A recording of B without real files: it unpacks, but gives nothing to send.
    const std::vector<uint8_t> empty =
        CProbeBuilder().SetDeviceNo(kDeviceB).SetCcid(kCcidB).SetUid(kUidB).Build();
    struct Case {
        const char* name;
        std::vector<uint8_t> first;
        std::vector<uint8_t> second;
        uint32_t result;
        Fc fcs;
        Folders left;
        uint32_t notice;
    } cases[] = {
        {"unpacking fails, then a good one", badGzip, UnitA().Build(), kSuccess, {94, 95, 96},
         {"01"}, 0},
        {"a good one, then unpacking fails", UnitA().Build(), badGzip, kSuccess, {94, 95, 96},
         {"02"}, 0},
        {"another model beside a good one", OtherModel(), UnitA().Build(), kSuccess,
         {94, 95, 96}, {"01"}, 0x24400110},
        {"a cut recording, then a good one", Cut(UnitA().Build(), 10), UnitA().Build(), kSuccess,
         {94, 95, 96}, {"01"}, 0},
        {"nothing to send, then a good one", empty, UnitA().Build(), kSuccess,
         {94, 94, 95, 96}, {"01"}, 0},
        {"nothing to send alone", empty, {}, 0x24400111, {94}, {"01", "02"}, 0x2440FF02},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_standIn.Reset());
        ASSERT_TRUE(m_card.Clear());
        PutBytes("01", c.first);
        PutBytes("02", c.second);
        CProbeUpload job;
        Prepare(job);
        EXPECT_EQ(Run(job), c.result);
        EXPECT_EQ(Fcs(), c.fcs);
        EXPECT_EQ(Left(), c.left);
        const std::vector<CapturedMessage> notices = m_capture.Of(WM_PROBEUPLOAD_NOTICE);
        if (c.notice == 0) {
            EXPECT_TRUE(notices.empty());
        } else {
            ASSERT_EQ(notices.size(), 1u);
            EXPECT_EQ(notices[0].uWParam, c.notice);
        }
    }
}

} // namespace
