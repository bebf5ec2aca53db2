// The HTTP client against the stand-in services: reply forms, the body in memory or in a
// file with its progress messages, stopping a request, authentication, what goes on the
// wire, and the refusals of its operations.

#include "online/WinHttpWrapper.h"

#include "lib/Path.h"
#include "tests/online/HttpTestSupport.h"
#include "tests/online/support/JobTestSupport.h"
#include "tests/online/support/MessageCapture.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using httptest::CScriptedApi;
using httptest::Finish;
using httptest::Get;
using httptest::kAgent;
using httptest::kProgress;
using httptest::Outcome;
using onlinetest::AuthMode;
using onlinetest::CAnswer;
using onlinetest::CStandIn;
using onlinetest::PatternBytes;
using testsupport::ReadFileBytes;

namespace {

const bool g_privateAppData = testsupport::UsePrivateAppData("online_http_test");
const char kSource[] = "WinHttpWrapper.cpp";
const uint32_t kStatus = HTTP_RESULT_STATUS_FLAG;

std::string TempFile(const char* name) { return testsupport::PrivateRoot() + name; }

// Equal bytes, or where they first differ (never the whole of a large body).
::testing::AssertionResult SameBytes(const std::string& got, const std::string& expected)
{
    if (got == expected) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
    return ::testing::AssertionFailure() << got.size() << " bytes where " << expected.size()
                                         << " were expected; they differ from byte " << at;
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void RemoveFile(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

// --- Reply forms -----------------------------------------------------------------------

TEST(HttpReplies, FormsOfReplyTable)
{
    CStandIn standIn;
    ASSERT_TRUE(standIn.IsRunning());
    const std::string big = PatternBytes(250000);
    const struct {
        const char* name;
        CAnswer answer;
        uint32_t result;
        std::string body;
        DWORD minMs; // pauses the client must have made
    } cases[] = {
        {"with length", CAnswer().Text("hello"), 0, "hello", 0},
        {"without length", CAnswer().Text("hello").NoLength(), 0, "hello", 50},
        {"without length, large", CAnswer().Pattern(250000).NoLength(), 0, big, 50},
        {"chunked", CAnswer().Pattern(250000).Chunked(7000), 0, big, 50},
        {"length 0", CAnswer(), 0, "", 0},
        {"404", CAnswer().Status(404).Text("not here"), kStatus | 404, "", 0},
        {"500", CAnswer().Status(500).Text("broken"), kStatus | 500, "", 0},
        {"503", CAnswer().Status(503).Text("busy"), kStatus | 503, "", 0},
        {"short body keeps what came", CAnswer().Text("0123456789").SendOnly(4), 12002, "0123",
         1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(standIn.Queue("/reply", c.answer));
        testsupport::CLogCapture log;
        const Outcome outcome = Get(standIn.Url("/reply"));
        ASSERT_TRUE(outcome.bEnded);
        EXPECT_EQ(outcome.uResult, c.result);
        EXPECT_TRUE(SameBytes(outcome.sBody, c.body));
        EXPECT_EQ(outcome.uSize, c.body.size());
        EXPECT_GE(outcome.dwMs + 20, c.minMs); // tick counts are coarse
        if (c.result == 12002) {
            EXPECT_EQ(log.Count("WinHttpReadData 取得サイズ０ 継続"), 10u);
            EXPECT_TRUE(log.HasLine("!!", kSource, "WinHttpReadData 取得サイズリトライオーバー"));
        } else {
            EXPECT_EQ(log.Count("WinHttpReadData 取得サイズ０ 継続"), 0u);
        }
        if (c.result & kStatus) {
            EXPECT_TRUE(log.HasLine(
                "!!", kSource,
                "WinHttpQueryHeaders HTTPSTATUSエラー:" + std::to_string(c.result & 0xFFF) + "  " +
                    standIn.Url("/reply")));
        }
    }
}

TEST(HttpReplies, RedirectIsFollowedToTheFinalAnswer)
{
    CStandIn standIn;
    ASSERT_TRUE(standIn.Queue("/old", CAnswer().Redirect("/new", 302)));
    ASSERT_TRUE(standIn.Queue("/new", CAnswer().Text("moved here")));
    ASSERT_TRUE(standIn.Queue("/gone", CAnswer().Redirect("/missing", 301)));
    const Outcome moved = Get(standIn.Url("/old"));
    EXPECT_EQ(moved.uResult, 0u);
    EXPECT_EQ(moved.sBody, "moved here");
    EXPECT_EQ(Get(standIn.Url("/gone")).uResult, kStatus | 404); // only the final status counts
    const auto requests = standIn.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[1].sPath, "/new");
    EXPECT_EQ(requests[3].sPath, "/missing");
}

TEST(HttpReplies, RefusedConnectionIsNotRetried)
{
    CStandIn standIn;
    testsupport::CLogCapture log;
    const Outcome outcome = Get(standIn.RefusedUrl("/x"));
    EXPECT_EQ(outcome.uResult, static_cast<uint32_t>(ERROR_WINHTTP_CANNOT_CONNECT));
    EXPECT_EQ(log.Count("WinHttpSendRequest失敗[ERR:0x00002EFD]"), 1u);
    EXPECT_EQ(log.Count("WinHttpSendRequestリトライ"), 0u);
}

TEST(HttpReplies, CallerPortAndUrlPort)
{
    CStandIn standIn;
    ASSERT_TRUE(standIn.Queue("/p", CAnswer().Text("by caller's port").Count(2)));
    // A caller's port other than 80 and 443 goes unchanged to a URL that names none.
    const std::string bare = "http://127.0.0.1/s/" + standIn.Space() + "/p";
    CWinHttpWrapper client;
    ASSERT_TRUE(client.Initialize(bare.c_str(), standIn.Port(), nullptr, true));
    ASSERT_TRUE(client.Connect(HTTP_VERB_GET, kAgent, nullptr));
    const DWORD start = GetTickCount();
    EXPECT_EQ(Finish(client, client.SendRequest(nullptr, nullptr), start).sBody,
              "by caller's port");
    // Port 0: the URL's own port (every other test goes this way too).
    EXPECT_EQ(Get(standIn.Url("/p")).sBody, "by caller's port");
}

// --- Progress and output files -------------------------------------------------------

// A notify window that notes, at each progress message, how large the output file is then.
class CProgressRecorder {
public:
    struct Seen {
        uint32_t uAmount;
        uint32_t uChunk;
        int64_t iFileSize; // -1: no file
    };

    explicit CProgressRecorder(const std::string& path)
        : m_sPath(path)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = _Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KestrumHttpProgressRecorder";
        RegisterClassA(&wc);
        m_hWnd = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 wc.hInstance, nullptr);
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CProgressRecorder() { DestroyWindow(m_hWnd); }
    HWND Window() const { return m_hWnd; }
    const std::vector<Seen>& Messages() const { return m_vSeen; }

    // Pumps until the thread ends, then takes what is still queued.
    void PumpUntil(HANDLE thread)
    {
        for (int i = 0; i < 2000; ++i) {
            const DWORD wait = MsgWaitForMultipleObjects(1, &thread, FALSE, 20, QS_ALLINPUT);
            _Pump();
            if (wait == WAIT_OBJECT_0) break;
        }
        _Pump();
    }

private:
    void _Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, m_hWnd, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    static LRESULT CALLBACK _Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<CProgressRecorder*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && message == kProgress) {
            WIN32_FILE_ATTRIBUTE_DATA data = {};
            const int64_t size =
                GetFileAttributesExA(self->m_sPath.c_str(), GetFileExInfoStandard, &data)
                    ? static_cast<int64_t>(data.nFileSizeLow)
                    : -1;
            self->m_vSeen.push_back(
                {static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam), size});
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    std::string m_sPath;
    HWND m_hWnd = nullptr;
    std::vector<Seen> m_vSeen;
};

struct FileRun {
    Outcome outcome;
    std::vector<CProgressRecorder::Seen> messages;
};

FileRun Download(const std::string& url, const std::string& path, bool keepInMemory)
{
    FileRun run;
    CProgressRecorder recorder(path);
    CWinHttpWrapper client;
    client.SetNotifyWindow(recorder.Window(), kProgress);
    EXPECT_TRUE(client.Initialize(url.c_str(), 0, path.c_str(), keepInMemory));
    EXPECT_TRUE(client.Connect(HTTP_VERB_GET, kAgent, nullptr));
    const DWORD start = GetTickCount();
    HANDLE thread = client.SendRequest(nullptr, nullptr);
    if (thread != nullptr) recorder.PumpUntil(thread);
    run.outcome = Finish(client, thread, start);
    run.messages = recorder.Messages();
    return run;
}

uint64_t ChunkSum(const std::vector<CProgressRecorder::Seen>& messages)
{
    uint64_t sum = 0;
    for (const auto& m : messages) sum += m.uChunk;
    return sum;
}

TEST(HttpProgress, KnownLengthReportsEachChunkOfTheRead)
{
    CStandIn standIn;
    CScriptedApi api;
    api.bFullReads = true; // each read returns all it asks for
    ASSERT_TRUE(standIn.Queue("/p", CAnswer().Pattern(250000)));
    onlinetest::CMessageCapture capture;
    const Outcome outcome =
        Get(standIn.Url("/p"), HTTP_VERB_GET, nullptr, nullptr, capture.Window());
    EXPECT_EQ(outcome.uResult, 0u);
    EXPECT_TRUE(SameBytes(outcome.sBody, PatternBytes(250000)));
    capture.PumpFor(100);
    const auto messages = capture.Of(kProgress);
    ASSERT_EQ(messages.size(), 3u);
    const uint32_t chunks[] = {102400, 102400, 45200};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(messages[i].uWParam, 250000u);
        EXPECT_EQ(messages[i].uLParam, chunks[i]);
    }
}

TEST(HttpProgress, UnknownLengthReportsWhatEachPassHad)
{
    CStandIn standIn;
    ASSERT_TRUE(standIn.Queue("/p", CAnswer().Pattern(30000).Chunked(10000).Trickle(10000, 100)));
    onlinetest::CMessageCapture capture;
    EXPECT_EQ(Get(standIn.Url("/p"), HTTP_VERB_GET, nullptr, nullptr, capture.Window()).uResult,
              0u);
    capture.PumpFor(100);
    uint64_t sum = 0;
    for (const auto& m : capture.Of(kProgress)) {
        EXPECT_LE(m.uLParam, m.uWParam); // a chunk never exceeds its pass
        sum += m.uLParam;
    }
    EXPECT_EQ(sum, 30000u);
}

TEST(HttpFiles, MemoryModeWritesTheFileBeforeTheLastMessage)
{
    CStandIn standIn;
    CScriptedApi api;
    api.dwFileWriteDelayMs = 300; // a slow disk: a message sent before the write would show it
    const std::string path = TempFile("memory.bin");
    WriteAll(path, "an older file of another length");
    ASSERT_TRUE(standIn.Queue("/f", CAnswer().Pattern(250000)));
    const FileRun run = Download(standIn.Url("/f"), path, true);
    EXPECT_EQ(run.outcome.uResult, 0u);
    EXPECT_TRUE(SameBytes(run.outcome.sBody, PatternBytes(250000)));
    EXPECT_TRUE(SameBytes(ReadFileBytes(path), PatternBytes(250000)));
    ASSERT_FALSE(run.messages.empty());
    EXPECT_EQ(ChunkSum(run.messages), 250000u);
    EXPECT_EQ(run.messages.back().iFileSize, 250000); // the whole file is there at the last
    for (size_t i = 0; i + 1 < run.messages.size(); ++i) {
        EXPECT_NE(run.messages[i].iFileSize, 250000) << "message " << i << " came after the file";
    }
    RemoveFile(path);
}

TEST(HttpFiles, FileModeAppendsEachChunkBeforeItsMessage)
{
    CStandIn standIn;
    const std::string path = TempFile("filemode.bin");
    RemoveFile(path);
    ASSERT_TRUE(standIn.Queue("/f", CAnswer().Pattern(300000).Chunked(50000)));
    const FileRun run = Download(standIn.Url("/f"), path, false);
    EXPECT_EQ(run.outcome.uResult, 0u);
    EXPECT_EQ(run.outcome.sBody, ""); // nothing kept in memory
    EXPECT_EQ(run.outcome.uSize, 300000u);
    EXPECT_TRUE(SameBytes(ReadFileBytes(path), PatternBytes(300000)));
    uint64_t sum = 0;
    for (const auto& m : run.messages) {
        sum += m.uChunk;
        EXPECT_GE(m.iFileSize, static_cast<int64_t>(sum));
    }
    EXPECT_EQ(sum, 300000u);
    RemoveFile(path);
}

TEST(HttpFiles, FailedAndEmptyOutputTable)
{
    CStandIn standIn;
    const std::string path = TempFile("target.bin");
    enum Obstacle { NONE, READ_ONLY, HELD_OPEN, FOLDER };
    const struct {
        const char* name;
        bool keepInMemory;
        Obstacle obstacle;
        bool shortWrite;
        uint64_t bodySize;
        uint32_t result;
        bool bodyInMemory;
    } cases[] = {
        {"memory mode, read-only target", true, READ_ONLY, false, 250000, ERROR_ACCESS_DENIED,
         true},
        {"file mode, read-only target", false, READ_ONLY, false, 250000, ERROR_ACCESS_DENIED,
         false},
        {"memory mode, target held open", true, HELD_OPEN, false, 250000, ERROR_SHARING_VIOLATION,
         true},
        {"file mode, target held open", false, HELD_OPEN, false, 250000, ERROR_SHARING_VIOLATION,
         false},
        {"memory mode, a folder in the way", true, FOLDER, false, 250000, ERROR_ACCESS_DENIED,
         true},
        {"file mode, a folder in the way", false, FOLDER, false, 250000, ERROR_ACCESS_DENIED,
         false},
        {"memory mode, short write", true, NONE, true, 250000, ERROR_WRITE_FAULT, true},
        {"file mode, short write", false, NONE, true, 250000, ERROR_WRITE_FAULT, false},
        {"memory mode, empty body", true, NONE, false, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Wine-only: Wine run as root (as here) opens a read-only file for writing, since the
        // Unix permissions that stand for the attribute do not bind root.
        if (c.obstacle == READ_ONLY && testsupport::UnderWine()) continue;
        RemoveFile(path);
        RemoveDirectoryA(path.c_str());
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.obstacle == READ_ONLY || c.obstacle == HELD_OPEN) WriteAll(path, "old");
        if (c.obstacle == READ_ONLY) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        if (c.obstacle == HELD_OPEN) {
            held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
        }
        if (c.obstacle == FOLDER) {
            ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
        }
        CScriptedApi api;
        api.bShortFileWrite = c.shortWrite;
        ASSERT_TRUE(standIn.Queue("/f", CAnswer().Pattern(c.bodySize)));
        const FileRun run = Download(standIn.Url("/f"), path, c.keepInMemory);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_EQ(run.outcome.uResult, c.result);
        EXPECT_EQ(run.outcome.sBody.size(), c.bodyInMemory ? c.bodySize : 0);
        if (c.obstacle == READ_ONLY || c.obstacle == HELD_OPEN) {
            EXPECT_EQ(ReadFileBytes(path), "old");
        }
        if (c.obstacle == NONE && c.keepInMemory) {
            EXPECT_FALSE(lib::PathFileExistsStr(path)); // nothing half-written
        }
        if (c.obstacle == NONE && !c.keepInMemory) {
            // File mode appends as it goes: half of the first chunk is there, never more.
            EXPECT_EQ(ReadFileBytes(path).size(), HTTP_READ_CHUNK / 2);
        }
        if (c.result != 0) {
            // No window is told of a file that is not whole.
            EXPECT_LT(ChunkSum(run.messages), c.bodySize);
        }
    }
    RemoveFile(path);
    RemoveDirectoryA(path.c_str());
}

// --- Stopping a request ----------------------------------------------------------------

TEST(HttpAbort, AbortBeforeTheSenderIsUndoneByTheSender)
{
    CStandIn standIn;
    ASSERT_TRUE(standIn.Queue("/a", CAnswer().Text("ran")));
    CWinHttpWrapper client;
    ASSERT_TRUE(client.Initialize(standIn.Url("/a").c_str(), 0, nullptr, true));
    ASSERT_TRUE(client.Connect(HTTP_VERB_GET, kAgent, nullptr));
    // With no thread to wait for it is done at once: a running one would be terminated.
    EXPECT_TRUE(client.RequestAbort(0));
    const DWORD start = GetTickCount();
    const Outcome outcome = Finish(client, client.SendRequest(nullptr, nullptr), start);
    EXPECT_EQ(outcome.uResult, 0u);
    EXPECT_EQ(outcome.sBody, "ran");
}

TEST(HttpAbort, AbortWhileTricklingEndsTheThreadItself)
{
    // Pieces come 40 ms apart: the thread sees the reset event before its next read (under
    // Wine a read waits for all it asks, up to 102,400 bytes: some 250 ms here).
    CStandIn standIn;
    ASSERT_TRUE(standIn.Queue("/t", onlinetest::TrickleWithoutEnd()));
    testsupport::CLogCapture log;
    onlinetest::CMessageCapture capture;
    CWinHttpWrapper client;
    client.SetNotifyWindow(capture.Window(), kProgress);
    ASSERT_TRUE(client.Initialize(standIn.Url("/t").c_str(), 0, nullptr, true));
    ASSERT_TRUE(client.Connect(HTTP_VERB_GET, kAgent, nullptr));
    HANDLE thread = client.SendRequest(nullptr, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(capture.WaitFor(kProgress)) << "the body is coming in";
    // Ended by itself: well within the wait, and nothing terminated.
    EXPECT_TRUE(client.RequestAbort(30000));
    EXPECT_EQ(client.GetResult(), static_cast<uint32_t>(ERROR_REQUEST_ABORTED));
    EXPECT_FALSE(log.Has("中断要求にタイムアウトしました"));
}

TEST(HttpAbort, AbortWhileStalledIsBounded)
{
    // Held before the status line, and stalled after the headers, until the next space is
    // opened: the request cannot go on by itself while the test looks.
    const struct {
        const char* name;
        CAnswer answer;
        bool blockedInRead; // else in the send, which under Wine waits for the headers
    } stalls[] = {
        {"before the status line", CAnswer().Text("late").Hold("never"), false},
        {"after the headers", CAnswer().Text("late").StallUntil(0, "never"), true},
    };
    for (const auto& stall : stalls) {
        SCOPED_TRACE(stall.name);
        CStandIn standIn;
        ASSERT_TRUE(standIn.Queue("/s", stall.answer));
        testsupport::CLogCapture log;
        CScriptedApi api; // every call real; counted as it begins
        CWinHttpWrapper client;
        ASSERT_TRUE(client.Initialize(standIn.Url("/s").c_str(), 0, nullptr, true));
        ASSERT_TRUE(client.Connect(HTTP_VERB_GET, kAgent, nullptr));
        ASSERT_NE(client.SendRequest(nullptr, nullptr), nullptr);
        ASSERT_EQ(standIn.WaitForRequests(1), 1u);
        // The client's thread is in the call that waits for the server (nothing it checks
        // lies between the count and the call).
        const std::atomic<int>& calls = stall.blockedInRead ? api.iReads : api.iSends;
        for (int i = 0; i < 6000 && calls.load() == 0; ++i) Sleep(5);
        ASSERT_EQ(calls.load(), 1);
        const DWORD start = GetTickCount();
        const bool ended = client.RequestAbort(500);
        EXPECT_LT(GetTickCount() - start, 20000u) << "bounded by its time-out, not the server";
        EXPECT_EQ(client.GetResult(), static_cast<uint32_t>(ERROR_REQUEST_ABORTED));
        if (testsupport::UnderWine()) {
            // Wine-only: closing the request handle does not end a blocked WinHTTP call, so
            // the thread is terminated at the time-out and its handles stay open.
            EXPECT_FALSE(ended);
            EXPECT_TRUE(log.HasLine("!!", kSource, "中断要求にタイムアウトしました"));
            EXPECT_FALSE(client.Initialize(nullptr, 0, nullptr, true));
        } else {
            EXPECT_TRUE(ended);
            EXPECT_TRUE(client.Initialize(nullptr, 0, nullptr, true));
        }
    }
}

TEST(HttpAbort, TwoClientsOfOneThreadStopApart)
{
    CStandIn standIn;
    ASSERT_TRUE(standIn.Queue("/slow", onlinetest::TrickleWithoutEnd()));
    ASSERT_TRUE(standIn.Queue("/held", CAnswer().Text("second").Hold("go")));
    CWinHttpWrapper first, second;
    ASSERT_TRUE(first.Initialize(standIn.Url("/slow").c_str(), 0, nullptr, true));
    ASSERT_TRUE(second.Initialize(standIn.Url("/held").c_str(), 0, nullptr, true));
    ASSERT_TRUE(first.Connect(HTTP_VERB_GET, kAgent, nullptr));
    ASSERT_TRUE(second.Connect(HTTP_VERB_GET, kAgent, nullptr));
    ASSERT_NE(first.SendRequest(nullptr, nullptr), nullptr);
    const DWORD start = GetTickCount();
    HANDLE secondThread = second.SendRequest(nullptr, nullptr);
    ASSERT_NE(secondThread, nullptr);
    ASSERT_EQ(standIn.WaitForRequests(2), 2u);
    EXPECT_TRUE(first.RequestAbort(30000));
    EXPECT_EQ(first.GetResult(), static_cast<uint32_t>(ERROR_REQUEST_ABORTED));
    ASSERT_TRUE(standIn.Release("go"));
    const Outcome outcome = Finish(second, secondThread, start);
    EXPECT_EQ(outcome.uResult, 0u);
    EXPECT_EQ(outcome.sBody, "second");
}

// --- Authentication ----------------------------------------------------------------------

TEST(HttpAuth, ChallengeModesTable)
{
    CStandIn standIn;
    const bool wine = testsupport::UnderWine();
    const struct {
        const char* name;
        AuthMode mode;
        const char* user;
        const char* password;
        uint32_t result;
    } cases[] = {
        {"both schemes, right password", AuthMode::Both, "acct", "secret", 0},
        {"both schemes, wrong password", AuthMode::Both, "acct", "guess", kStatus | 401},
        {"wrong-password mode", AuthMode::WrongPassword, "acct", "secret", kStatus | 401},
        {"no password given", AuthMode::Both, "acct", nullptr, kStatus | 401},
        // Wine-only: Wine's WinHTTP has no Digest, so a Digest-only server refuses it;
        // on Windows the client answers the Digest challenge.
        {"digest only", AuthMode::DigestOnly, "acct", "secret", wine ? kStatus | 401 : 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(standIn.Reset());
        ASSERT_TRUE(standIn.Queue("/w", CAnswer().Text("weather").Auth(c.mode, "acct", "secret")));
        const Outcome outcome = Get(standIn.Url("/w"), HTTP_VERB_GET, c.user, c.password);
        EXPECT_EQ(outcome.uResult, c.result);
        EXPECT_EQ(outcome.sBody, c.result == 0 ? "weather" : "");
        const auto requests = standIn.Requests();
        ASSERT_FALSE(requests.empty());
        EXPECT_FALSE(requests[0].HasHeader("Authorization"));
        if (c.result == 0) {
            ASSERT_EQ(requests.size(), 2u);
            const std::string answer = requests[1].Header("Authorization");
            // Wine-only: Wine answers "both schemes" with Basic (Windows takes Digest).
            if (wine) {
                EXPECT_EQ(answer, "Basic YWNjdDpzZWNyZXQ=");
            } else {
                EXPECT_EQ(answer.compare(0, 7, "Digest "), 0) << answer;
            }
        }
    }
}

TEST(HttpAuth, ReusedClientForgetsTheLastRequestsCredentialsAndType)
{
    CStandIn standIn;
    for (const char* path : {"/first", "/second"}) {
        ASSERT_TRUE(standIn.Queue(path, CAnswer().Text(path).Auth(AuthMode::Both, "acct", "secret")));
    }
    CWinHttpWrapper client;
    ASSERT_TRUE(client.Initialize(standIn.Url("/first").c_str(), 0, nullptr, true));
    ASSERT_TRUE(client.Connect(HTTP_VERB_POST, kAgent, nullptr));
    DWORD start = GetTickCount();
    const Outcome first = Finish(
        client, client.Upload("a=1", 3, "application/x-www-form-urlencoded", "acct", "secret"),
        start);
    EXPECT_EQ(first.uResult, 0u);
    EXPECT_EQ(first.sBody, "/first");

    // The next request names no type and no account: it sends neither.
    ASSERT_TRUE(client.Initialize(standIn.Url("/second").c_str(), 0, nullptr, true));
    ASSERT_TRUE(client.Connect(HTTP_VERB_POST, kAgent, nullptr));
    start = GetTickCount();
    const Outcome second = Finish(client, client.Upload("b=2", 3, "", nullptr, nullptr), start);
    EXPECT_EQ(second.uResult, kStatus | 401);
    for (const auto& r : standIn.Requests()) {
        if (r.sPath != "/second") continue;
        EXPECT_FALSE(r.HasHeader("Authorization"));
        EXPECT_EQ(r.Header("Content-Type"), "");
    }
}

// --- The wire ----------------------------------------------------------------------------

TEST(HttpWire, WhatEachSenderPuts)
{
    CStandIn standIn;
    ASSERT_TRUE(standIn.Queue("/*", CAnswer().Text("ok").Count(20)));
    std::string binary = "a=1&b=";
    for (int i = 0; i < 256; ++i) binary += static_cast<char>(i);
    const std::string multipart = "--KestrumBoundary\r\nContent-Disposition: form-data; "
                                  "name=\"x\"\r\n\r\n1\r\n--KestrumBoundary--";
    const struct {
        const char* name;
        int sender; // 0 SendRequest, 1 Upload, 2 UploadMultiPart
        HTTPVerbType verb;
        const char* path;
        const void* body;
        uint32_t size;
        const char* type; // content type, or the boundary's type for a multipart
        std::string sentBody;
        std::string contentType; // "" : no Content-Type header
    } cases[] = {
        {"GET with a query", 0, HTTP_VERB_GET, "/get?a=1&b=%20", nullptr, 0, nullptr, "", ""},
        {"HEAD", 0, HTTP_VERB_HEAD, "/head", nullptr, 0, nullptr, "", ""},
        {"form POST", 1, HTTP_VERB_POST, "/form", binary.data(),
         static_cast<uint32_t>(binary.size()), "application/x-www-form-urlencoded", binary,
         "application/x-www-form-urlencoded"},
        {"POST of an empty body", 1, HTTP_VERB_POST, "/empty", nullptr, 0,
         "application/x-www-form-urlencoded", "", "application/x-www-form-urlencoded"},
        {"missing body of a size", 1, HTTP_VERB_POST, "/zeros", nullptr, 5,
         "application/octet-stream", std::string(5, '\0'), "application/octet-stream"},
        {"no content type", 1, HTTP_VERB_POST, "/untyped", "abc", 3, "", "abc", ""},
        {"multipart", 2, HTTP_VERB_POST, "/multi", multipart.data(),
         static_cast<uint32_t>(multipart.size()), "multipart/form-data", multipart,
         "multipart/form-data; boundary=\"KestrumBoundary\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(standIn.Reset());
        ASSERT_TRUE(standIn.Queue("/*", CAnswer().Text("ok")));
        CWinHttpWrapper client;
        ASSERT_TRUE(client.Initialize(standIn.Url(c.path).c_str(), 0, nullptr, true));
        ASSERT_TRUE(client.Connect(c.verb, kAgent, nullptr));
        const DWORD start = GetTickCount();
        HANDLE thread = nullptr;
        {
            // The client sends its own copy: the caller's buffer may go at once.
            std::string callerCopy = c.body != nullptr
                                         ? std::string(static_cast<const char*>(c.body), c.size)
                                         : std::string();
            const void* body = c.body != nullptr ? callerCopy.data() : nullptr;
            if (c.sender == 0) thread = client.SendRequest(nullptr, nullptr);
            if (c.sender == 1) thread = client.Upload(body, c.size, c.type, nullptr, nullptr);
            if (c.sender == 2)
                thread = client.UploadMultiPart(body, c.size, "KestrumBoundary", c.type);
            callerCopy.assign(callerCopy.size(), 'X');
        }
        const Outcome outcome = Finish(client, thread, start);
        EXPECT_EQ(outcome.uResult, 0u);
        EXPECT_EQ(outcome.sBody, c.verb == HTTP_VERB_HEAD ? "" : "ok");
        const auto requests = standIn.Requests();
        ASSERT_EQ(requests.size(), 1u);
        const auto& r = requests[0];
        EXPECT_EQ(r.sMethod, c.verb == HTTP_VERB_GET    ? "GET"
                             : c.verb == HTTP_VERB_HEAD ? "HEAD"
                                                        : "POST");
        EXPECT_EQ(r.sTarget, "/s/" + standIn.Space() + c.path);
        EXPECT_EQ(r.Header("User-Agent"), "KestrumTest/1.0");
        EXPECT_EQ(r.Header("Accept"), "*/*");
        EXPECT_EQ(r.Header("Content-Type"), c.contentType);
        EXPECT_TRUE(SameBytes(r.sBody, c.sentBody));
        if (c.sender != 0) {
            EXPECT_EQ(r.Header("Content-Length"), std::to_string(c.size));
        }
        EXPECT_FALSE(r.bProxied);
    }
}

// --- Refusals ----------------------------------------------------------------------------

TEST(HttpRefusals, InitializeWhileHandlesAreOpen)
{
    CStandIn standIn;
    ASSERT_TRUE(standIn.Queue("/r", CAnswer().Text("first").Count(2)));
    CWinHttpWrapper client;
    ASSERT_TRUE(client.Initialize(standIn.Url("/r").c_str(), 0, nullptr, true));
    ASSERT_TRUE(client.Connect(HTTP_VERB_GET, kAgent, nullptr));
    EXPECT_FALSE(client.Initialize("http://127.0.0.1:1/other", 0, nullptr, true));
    DWORD start = GetTickCount();
    EXPECT_EQ(Finish(client, client.SendRequest(nullptr, nullptr), start).sBody, "first");
    // Done: a new request on the same client, with the URL kept when none is given.
    ASSERT_TRUE(client.Initialize(nullptr, 0, nullptr, true));
    EXPECT_EQ(client.GetResponseSize(), 0u);
    ASSERT_TRUE(client.Connect(HTTP_VERB_GET, kAgent, nullptr));
    start = GetTickCount();
    EXPECT_EQ(Finish(client, client.SendRequest(nullptr, nullptr), start).sBody, "first");
}

TEST(HttpRefusals, OperationsRefusedTable)
{
    CStandIn standIn;
    const struct {
        const char* name;
        const char* url; // null: a stand-in URL
        uint32_t verb;
        int sender; // -1: none; 0 SendRequest; 1 Upload without type; 2 multipart without boundary
        bool connected;
        DWORD error;
        const char* line; // the level-1 line, or null
    } cases[] = {
        {"verb 3", nullptr, 3, -1, false, ERROR_INVALID_PARAMETER,
         "HTTPVerb指定が不正 HTTPVerbType:3"},
        {"no URL", "", HTTP_VERB_GET, -1, false, ERROR_INVALID_PARAMETER, "接続先URLが未設定"},
        {"unknown scheme", "ftp://127.0.0.1/x", HTTP_VERB_GET, -1, false,
         ERROR_WINHTTP_UNRECOGNIZED_SCHEME, "接続先URL解析に失敗[ERR:0x00002EE6]"},
        {"sender before Connect", nullptr, HTTP_VERB_GET, 0, false, 0, nullptr},
        {"upload without content type", nullptr, HTTP_VERB_POST, 1, true, ERROR_INVALID_PARAMETER,
         "アップロード要求時のパラメータ不正 "},
        {"multipart without boundary", nullptr, HTTP_VERB_POST, 2, true, ERROR_INVALID_PARAMETER,
         "アップロード要求時のパラメータ不正 バウンダリー未指定 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::CLogCapture log;
        CWinHttpWrapper client;
        const std::string url = c.url != nullptr ? c.url : standIn.Url("/never");
        ASSERT_TRUE(client.Initialize(url.c_str(), 0, nullptr, true));
        if (c.sender != 0) {
            const bool connected =
                client.Connect(static_cast<HTTPVerbType>(c.verb), kAgent, nullptr);
            const DWORD connectError = GetLastError();
            EXPECT_EQ(connected, c.connected);
            if (c.sender < 0) {
                EXPECT_EQ(connectError, c.error);
            }
        }
        HANDLE thread = nullptr;
        if (c.sender == 0) thread = client.SendRequest(nullptr, nullptr);
        if (c.sender == 1) thread = client.Upload("x", 1, nullptr, nullptr, nullptr);
        if (c.sender == 2) thread = client.UploadMultiPart("x", 1, nullptr, "multipart/form-data");
        if (c.sender > 0) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        EXPECT_EQ(thread, nullptr);
        if (c.line != nullptr) {
            EXPECT_TRUE(log.HasLine("!!", kSource, c.line));
        }
    }
    EXPECT_TRUE(standIn.Requests().empty());
}

} // namespace
