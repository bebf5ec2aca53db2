// The HTTP client with scripted platform calls: sends and writes that time out or fail,
// reads that bring nothing or fail, and a failed data query, each against the stand-in.

#include "online/WinHttpWrapper.h"

#include "tests/online/HttpTestSupport.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using httptest::CScriptedApi;
using httptest::Finish;
using httptest::kAgent;
using httptest::Outcome;
using onlinetest::CAnswer;
using onlinetest::CStandIn;
using onlinetest::PatternBytes;

namespace {

const DWORD kTimeout = ERROR_WINHTTP_TIMEOUT;         // 12002
const DWORD kBroken = ERROR_WINHTTP_CONNECTION_ERROR; // 12030
const char kMultiPart[] = "CWinHttpWrapper::_UploadThreadMultiPart - ";

enum Sender { SEND, UPLOAD, MULTIPART };

Outcome RunSender(CWinHttpWrapper& client, Sender sender, const std::string& body)
{
    const DWORD start = GetTickCount();
    HANDLE thread = nullptr;
    if (sender == SEND) thread = client.SendRequest(nullptr, nullptr);
    if (sender == UPLOAD) {
        thread = client.Upload(body.data(), static_cast<uint32_t>(body.size()), "text/plain",
                               nullptr, nullptr);
    }
    if (sender == MULTIPART) {
        thread = client.UploadMultiPart(body.data(), static_cast<uint32_t>(body.size()), "B",
                                        "multipart/form-data");
    }
    return Finish(client, thread, start);
}

TEST(HttpCalls, SendAndWriteFailuresTable)
{
    CStandIn standIn;
    ASSERT_TRUE(standIn.IsRunning());
    const struct {
        const char* name;
        Sender sender;
        std::vector<DWORD> sendErrors;
        std::vector<DWORD> writeErrors;
        uint32_t result;
        int sends;
        int writes;
        size_t retryLines;
    } cases[] = {
        {"three timed-out sends", SEND, {kTimeout, kTimeout, kTimeout}, {}, kTimeout, 3, 0, 2},
        {"third send goes through", SEND, {kTimeout, kTimeout}, {}, 0, 3, 0, 2},
        {"other send error at once", SEND, {kBroken}, {}, kBroken, 1, 0, 0},
        {"upload sends once", UPLOAD, {kTimeout}, {}, kTimeout, 1, 0, 0},
        {"multipart: three timed-out sends",
         MULTIPART,
         {kTimeout, kTimeout, kTimeout},
         {},
         kTimeout,
         3,
         0,
         2},
        {"multipart: second send goes through", MULTIPART, {kTimeout}, {}, 0, 2, 1, 1},
        // A body write is never repeated: bytes of a failed write may have gone out.
        {"multipart: timed-out write", MULTIPART, {}, {kTimeout}, kTimeout, 1, 1, 0},
        {"multipart: failed write", MULTIPART, {}, {kBroken}, kBroken, 1, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(standIn.Reset());
        ASSERT_TRUE(standIn.Queue("/up", CAnswer().Text("stored")));
        CScriptedApi api;
        api.vSendErrors = c.sendErrors;
        api.vWriteErrors = c.writeErrors;
        testsupport::CLogCapture log;
        CWinHttpWrapper client;
        ASSERT_TRUE(client.Initialize(standIn.Url("/up").c_str(), 0, nullptr, true));
        ASSERT_TRUE(
            client.Connect(c.sender == SEND ? HTTP_VERB_GET : HTTP_VERB_POST, kAgent, nullptr));
        const Outcome outcome = RunSender(client, c.sender, "part=1");
        EXPECT_EQ(outcome.uResult, c.result);
        EXPECT_EQ(outcome.sBody, c.result == 0 ? "stored" : "");
        EXPECT_EQ(api.iSends.load(), c.sends);
        EXPECT_EQ(api.iWrites.load(), c.writes);
        const std::string prefix = c.sender == MULTIPART ? kMultiPart : "";
        EXPECT_EQ(log.Count(prefix + "WinHttpSendRequestリトライ["), c.retryLines);
        EXPECT_EQ(log.Count(prefix + "WinHttpWriteDataリトライ"), 0u);
        if (c.sender == MULTIPART) {
            EXPECT_TRUE(log.Has(prefix + "_UploadThread 開始."));
            EXPECT_TRUE(log.Has(prefix +
                                "_UploadThread 終了 終了コード:" + std::to_string(c.result) + "."));
        }
        if (c.result == 0) {
            const auto requests = standIn.Requests();
            ASSERT_EQ(requests.size(), 1u);
            if (c.sender == MULTIPART) {
                EXPECT_EQ(requests[0].sBody, "part=1");
            }
        }
    }
}

TEST(HttpCalls, ReadFailuresTable)
{
    CStandIn standIn;
    const std::string body = PatternBytes(250000);
    const struct {
        const char* name;
        CAnswer answer;
        std::string reads;
        DWORD queryError;
        uint32_t result;
        std::string kept;
        DWORD minMs;
    } cases[] = {
        {"eleven empty reads", CAnswer().Pattern(250000), "EEEEEEEEEEE", 0, kTimeout, "", 1000},
        {"ten empty reads are waited out", CAnswer().Pattern(250000), "EEEEEEEEEE", 0, 0, body,
         1000},
        // A read that brings data does not start the count again within its pass.
        {"data between empty reads", CAnswer().Pattern(250000), "EEEEEREEEEEE", 0, kTimeout,
         body.substr(0, HTTP_READ_CHUNK), 1000},
        {"failed read keeps what came", CAnswer().Pattern(250000), "RF", 0, kBroken,
         body.substr(0, HTTP_READ_CHUNK), 0},
        {"failed data query drops the body", CAnswer().Pattern(250000).Chunked(), "", kBroken,
         kBroken, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(standIn.Reset());
        ASSERT_TRUE(standIn.Queue("/r", c.answer));
        CScriptedApi api;
        api.bFullReads = true;
        api.sReads = c.reads;
        api.dwQueryError = c.queryError;
        CWinHttpWrapper client;
        ASSERT_TRUE(client.Initialize(standIn.Url("/r").c_str(), 0, nullptr, true));
        ASSERT_TRUE(client.Connect(HTTP_VERB_GET, kAgent, nullptr));
        const Outcome outcome = RunSender(client, SEND, "");
        EXPECT_EQ(outcome.uResult, c.result);
        EXPECT_TRUE(outcome.sBody == c.kept)
            << outcome.sBody.size() << " bytes kept, " << c.kept.size() << " expected";
        EXPECT_EQ(outcome.uSize, c.kept.size());
        EXPECT_GE(outcome.dwMs + 20, c.minMs);
    }
}

} // namespace
