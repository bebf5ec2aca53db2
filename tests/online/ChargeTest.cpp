// The background job base, with a job whose body is scripted, on simulated card W: (see
// tools/wine-prefix) and on a letter that is no drive. Its messages go to a message-only
// window on the test's thread (tests/online/support/MessageCapture.h).

#include "online/Charge.h"

#include "carddata/SDInfoFile.h"
#include "lib/Handle.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/online/support/MessageCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using onlinetest::CapturedMessage;
using onlinetest::CMessageCapture;
using testsupport::CLogCapture;

// W: belongs to this test program.
const char kCard = 'W';
// Job types of the fake jobs: none of the real ones, whose abort events other test
// programs in the same Wine session may hold.
const uint32_t kType = 0x5A;
const uint32_t kOtherType = 0x5B;

const UINT kProgress = lib::GetRegisteredMessage("QZLNotifyProgress");
const UINT kError = lib::GetRegisteredMessage("QZLNotifyError");
const UINT kFinish = lib::GetRegisteredMessage("QZLNotifyFinish");
const UINT kStatus = WM_APP + 9;
const UINT kPercent = WM_APP + 10;

const char kSource[] = "Charge.cpp";

// What the fake job's body does. Calls are counted over the job's whole life.
struct JobScript {
    enum Wait {
        NO_WAIT,
        WAITS_FOR_ABORT, // until the abort event or the release
        IGNORES_ABORT,   // until the release only, polling the abort event meanwhile
    };
    Wait eWait = NO_WAIT;
    // Result of each call; the last one stands for later calls.
    std::vector<uint32_t> vecResults{0};
    // Whether each call sets the re-run flag (calls beyond the list do not).
    std::vector<bool> vecReRuns;
    // Each call posts the pattern of a failing stage (see PostedPattern).
    bool bPostsPattern = false;

    lib::CHandle hStarted{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    lib::CHandle hRelease{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<int> iCalls{0};
    std::atomic<DWORD> dwThreadId{0};
    std::atomic<bool> bReturned{false};
    // A wait on the abort event failed: the handle had been closed under the body.
    std::atomic<bool> bFailedWait{false};

    bool WaitStarted() const { return WaitForSingleObject(hStarted.Get(), 30000) == WAIT_OBJECT_0; }
    void Release() const { SetEvent(hRelease.Get()); }
};

const uint32_t kPatternStatusW = 9;
const uint32_t kPatternStatusL = 0x12345678;
const uint32_t kPatternPercent = 40;
const uint32_t kPatternExtra = 0xFFFFFFFE;

class CScriptedJob : public CCharge {
public:
    CScriptedJob(uint32_t type, JobScript& script, HWND window, char letter)
        : CCharge(type), m_pScript(&script)
    {
        SetNotifyWindow(window);
        SetDriveLetter(letter);
    }

    using CCharge::_IsSDExists;
    using CCharge::_NotifyError;
    using CCharge::_SaveHistory;

protected:
    uint32_t _Proc() override
    {
        // Kept in a local: the destructor tests take the derived part away while it waits.
        JobScript* script = m_pScript;
        const size_t call = static_cast<size_t>(script->iCalls++);
        script->dwThreadId = GetCurrentThreadId();
        SetEvent(script->hStarted.Get());
        const uint32_t result =
            script->vecResults[call < script->vecResults.size() ? call
                                                                : script->vecResults.size() - 1];
        if (script->bPostsPattern) {
            _NotifyProgress(0);
            _PostStatusMessage(kPatternStatusW, kPatternStatusL);
            _PostPercentMessage(kPatternPercent);
            _NotifyError(result, kPatternExtra);
            _NotifyProgress(100);
        }
        if (script->eWait == JobScript::WAITS_FOR_ABORT) {
            const HANDLE handles[2] = {GetAbortEvent(), script->hRelease.Get()};
            if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0) {
                script->bReturned = true;
                return CHARGE_RESULT_ABORTED;
            }
        } else if (script->eWait == JobScript::IGNORES_ABORT) {
            while (WaitForSingleObject(script->hRelease.Get(), 5) == WAIT_TIMEOUT) {
                if (WaitForSingleObject(GetAbortEvent(), 0) == WAIT_FAILED) {
                    script->bFailedWait = true;
                }
            }
        }
        if (call < script->vecReRuns.size() && script->vecReRuns[call]) m_byReRun = 1;
        script->bReturned = true;
        return result;
    }

private:
    JobScript* m_pScript;
};

// The messages one call of a body with bPostsPattern posts.
std::vector<CapturedMessage> PostedPattern(uint32_t type, uint32_t result)
{
    return {{kProgress, 0, type},
            {kStatus, kPatternStatusW, kPatternStatusL},
            {kPercent, kPatternPercent, 0},
            {kError, type << 24 | result, kPatternExtra},
            {kProgress, 100, type}};
}

std::string Describe(const std::vector<CapturedMessage>& messages)
{
    std::string text;
    for (const CapturedMessage& m : messages) {
        text += lib::FormatString("{%04X %08X %08X} ", m.uMessage, m.uWParam, m.uLParam);
    }
    return text;
}

// The worker by its thread id, while the job still holds its handle.
lib::CHandle OpenWorker(DWORD threadId)
{
    return lib::CHandle(OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, threadId));
}

bool HasEnded(const lib::CHandle& thread, DWORD timeoutMs = 0)
{
    return WaitForSingleObject(thread.Get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD ExitCodeOf(const lib::CHandle& thread)
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeThread(thread.Get(), &code);
    return code;
}

// The scripted flush of the card's volume.
std::atomic<char> g_cFlushedLetter{0};
std::atomic<int> g_iFlushes{0};
bool g_bFlushGranted = true;
const DWORD kFlushError = ERROR_NOT_READY;

bool ScriptedFlush(char letter)
{
    g_cFlushedLetter = letter;
    ++g_iFlushes;
    if (!g_bFlushGranted) SetLastError(kFlushError);
    return g_bFlushGranted;
}

std::string NoCardLine(uint32_t type)
{
    return lib::FormatString("CCharge::StartProc No SD Card CHARGTYPE:%08X", type);
}

const char kAlreadyStarted[] = "CCharge::StartProc: already Start";
const char kNoWorker[] = "CCharge::AbortProc Thread none at processing interruption";

class ChargeTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_card.IsRemovable()) << "rebuild the test prefix (see tools/wine-prefix)";
        ASSERT_NE(0, FindUnusedDriveLetter());
        ASSERT_NE(0u, kFinish);
    }
    void TearDown() override
    {
        SetChargeVolumeFlush(nullptr);
        g_bFlushGranted = true;
    }

    // Starts and waits for the run's finish.
    bool RunOnce(CCharge& job)
    {
        const size_t finishes = m_capture.Count(kFinish);
        return job.StartProc() && m_capture.WaitFor(kFinish, finishes + 1);
    }

    CSimulatedCard m_card{kCard}; // empty before and after each test
    CMessageCapture m_capture;
};

// ---------------------------------------------------------------------------------------
// Starting

TEST_F(ChargeTest, NoCardReportsAndFinishesWithoutWorker)
{
    const char letters[] = {FindUnusedDriveLetter(), 0};
    for (const char letter : letters) {
        SCOPED_TRACE(testing::Message() << "letter " << static_cast<int>(letter));
        m_capture.Clear();
        JobScript script;
        CScriptedJob job(kType, script, m_capture.Window(), letter);
        CLogCapture log;
        EXPECT_FALSE(job._IsSDExists());
        ASSERT_TRUE(job.StartProc());
        m_capture.PumpFor(200);
        const std::vector<CapturedMessage> expected = {{kError, kType << 24 | 0xFF06, 0},
                                                       {kFinish, 0, kType}};
        EXPECT_EQ(Describe(expected), Describe(m_capture.Messages()));
        EXPECT_EQ(0, script.iCalls);
        EXPECT_TRUE(log.HasLine("..", kSource, NoCardLine(kType)));
        EXPECT_FALSE(job.AbortProc(INFINITE)) << "no worker afterwards";
        EXPECT_TRUE(log.HasLine("!!", kSource, kNoWorker));
    }
}

TEST_F(ChargeTest, OneRunPostsBodyMessagesInOrderThenOneFinish)
{
    struct Case {
        const char* m_pszName;
        std::vector<bool> m_vecReRuns;
        std::vector<uint32_t> m_vecResults;
    };
    const Case cases[] = {
        {"one run", {}, {0x30000C}},
        {"repeated run", {true}, {0x200011, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        m_capture.Clear();
        JobScript script;
        script.bPostsPattern = true;
        script.vecReRuns = c.m_vecReRuns;
        script.vecResults = c.m_vecResults;
        CScriptedJob job(kType, script, m_capture.Window(), kCard);
        ASSERT_TRUE(RunOnce(job));
        m_capture.PumpFor(100);

        std::vector<CapturedMessage> expected;
        for (const uint32_t result : c.m_vecResults) {
            const std::vector<CapturedMessage> run = PostedPattern(kType, result);
            expected.insert(expected.end(), run.begin(), run.end());
        }
        std::vector<CapturedMessage> got = m_capture.Messages();
        ASSERT_EQ(expected.size() + 1, got.size()) << Describe(got);
        // The finish's wParam carries the worker's handle, which nobody reads.
        EXPECT_EQ(kFinish, got.back().uMessage);
        EXPECT_EQ(kType, got.back().uLParam);
        got.pop_back();
        EXPECT_EQ(Describe(expected), Describe(got));

        // The worker's exit code is the body's last result.
        const lib::CHandle worker = OpenWorker(script.dwThreadId);
        ASSERT_TRUE(worker.IsValid());
        ASSERT_TRUE(HasEnded(worker, 30000));
        EXPECT_EQ(c.m_vecResults.back(), ExitCodeOf(worker));
    }
}

TEST_F(ChargeTest, ErrorCodeKeepsTheJobTypeInTheTopByte)
{
    struct Case {
        uint32_t m_uType;
        uint32_t m_uCode;
        uint32_t m_uExtra;
        uint32_t m_uPosted;
    };
    const Case cases[] = {
        {37, 0x30000C, 5, 0x2530000C},
        {36, 0x000000, 0, 0x24000000},
        {38, 0xFFFFFF, 0xFFFFFFFF, 0x26FFFFFF},
        {kType, 0x7F20FF02, 1, 0x5A20FF02}, // bits above the 24-bit code never reach the type
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.m_uType << " " << c.m_uCode);
        m_capture.Clear();
        JobScript script;
        CScriptedJob job(c.m_uType, script, m_capture.Window(), kCard);
        job._NotifyError(c.m_uCode, c.m_uExtra);
        ASSERT_TRUE(m_capture.WaitFor(kError));
        const std::vector<CapturedMessage> expected = {{kError, c.m_uPosted, c.m_uExtra}};
        EXPECT_EQ(Describe(expected), Describe(m_capture.Messages()));
        EXPECT_EQ(c.m_uPosted, MakeChargeResult(c.m_uType, c.m_uCode));
    }
}

TEST_F(ChargeTest, StartsAgainStraightAfterEachFinish)
{
    JobScript script;
    CScriptedJob job(kType, script, m_capture.Window(), kCard);
    CLogCapture log;
    const int kRuns = 25;
    for (int i = 0; i < kRuns; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(RunOnce(job));
    }
    m_capture.PumpFor(100);
    EXPECT_EQ(kRuns, script.iCalls);
    EXPECT_EQ(static_cast<size_t>(kRuns), m_capture.Count(kFinish));
    EXPECT_EQ(static_cast<size_t>(kRuns), m_capture.Messages().size());
    EXPECT_EQ(0u, log.Count(kAlreadyStarted));
}

TEST_F(ChargeTest, SecondStartWhileRunningIsRefusedAndChangesNothing)
{
    JobScript script;
    script.eWait = JobScript::IGNORES_ABORT;
    CScriptedJob job(kType, script, m_capture.Window(), kCard);
    ASSERT_TRUE(job.StartProc());
    ASSERT_TRUE(script.WaitStarted());
    const HANDLE event = job.GetAbortEvent();

    CLogCapture log;
    EXPECT_FALSE(job.StartProc());
    // An abort asked for stays asked for: the refused start resets nothing.
    EXPECT_TRUE(job.AbortProc(0));
    EXPECT_FALSE(job.StartProc());
    EXPECT_TRUE(job.IsAbort());
    EXPECT_EQ(event, job.GetAbortEvent());
    EXPECT_EQ(2u, log.Count(kAlreadyStarted));
    EXPECT_TRUE(log.HasLine("!!", kSource, kAlreadyStarted));
    m_capture.PumpFor(100);
    EXPECT_EQ(0u, m_capture.Messages().size()) << Describe(m_capture.Messages());

    script.Release();
    ASSERT_TRUE(m_capture.WaitFor(kFinish));
    m_capture.PumpFor(100);
    EXPECT_EQ(1, script.iCalls);
    EXPECT_EQ(1u, m_capture.Count(kFinish));
}

TEST_F(ChargeTest, AbortEventIsNamedManualResetAndResetAtEveryStart)
{
    JobScript script;
    CScriptedJob job(kOtherType, script, m_capture.Window(), FindUnusedDriveLetter());
    EXPECT_EQ(nullptr, job.GetAbortEvent());
    EXPECT_TRUE(job.IsAbort()) << "without an event a job sees itself aborted";

    ASSERT_TRUE(job.StartProc());
    const HANDLE event = job.GetAbortEvent();
    ASSERT_NE(nullptr, event);
    EXPECT_FALSE(job.IsAbort());
    lib::CHandle byName(OpenEventA(EVENT_MODIFY_STATE, FALSE, "Event_Core_Abort_0000005B"));
    ASSERT_TRUE(byName.IsValid());
    ASSERT_TRUE(SetEvent(byName.Get()));
    EXPECT_TRUE(job.IsAbort());
    EXPECT_TRUE(job.IsAbort()) << "manual reset: a test does not clear it";

    ASSERT_TRUE(job.StartProc());
    EXPECT_EQ(event, job.GetAbortEvent()) << "kept from the first start on";
    EXPECT_FALSE(job.IsAbort());
}

// ---------------------------------------------------------------------------------------
// Repeated runs

TEST_F(ChargeTest, BodyRunsAtMostTwicePerStart)
{
    struct Case {
        const char* m_pszName;
        std::vector<bool> m_vecReRuns; // per call, over three starts
        std::vector<int> m_vecRunsPerStart;
    };
    const Case cases[] = {
        {"never asked", {}, {1, 1, 1}},
        {"asked once", {true}, {2, 1, 1}},
        {"asked on every run", {true, true, true, true, true}, {2, 1, 1}},
        {"asked at the second start", {false, true}, {1, 2, 1}},
        // The flag left set by the second run makes the next start's first run a repeat.
        {"left set, asked again at the next start", {true, true, true, false}, {2, 1, 1}},
        {"left set, then asked afresh", {true, true, false, true}, {2, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        m_capture.Clear();
        JobScript script;
        script.vecReRuns = c.m_vecReRuns;
        CScriptedJob job(kType, script, m_capture.Window(), kCard);
        std::vector<int> runs;
        for (size_t start = 0; start < c.m_vecRunsPerStart.size(); ++start) {
            const int before = script.iCalls;
            ASSERT_TRUE(RunOnce(job));
            runs.push_back(script.iCalls - before);
        }
        EXPECT_EQ(c.m_vecRunsPerStart, runs);
        m_capture.PumpFor(50);
        EXPECT_EQ(c.m_vecRunsPerStart.size(), m_capture.Count(kFinish));
    }
}

// ---------------------------------------------------------------------------------------
// Flushing the card

TEST_F(ChargeTest, FailedFlushIsLoggedOnceAndTheFinishStillArrives)
{
    struct Case {
        const char* m_pszName;
        bool m_bScripted;
        bool m_bGranted;
    };
    const Case cases[] = {
        {"the simulated card's own volume lock", false, true},
        {"a granted lock", true, true},
        {"a refused lock", true, false},
    };
    const std::string failure =
        lib::FormatString("CCharge::_ProcThread: SD flash failure SD:W ERR:0x%08X",
                          static_cast<unsigned>(kFlushError));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        m_capture.Clear();
        g_cFlushedLetter = 0;
        g_iFlushes = 0;
        g_bFlushGranted = c.m_bGranted;
        SetChargeVolumeFlush(c.m_bScripted ? ScriptedFlush : nullptr);
        JobScript script;
        CScriptedJob job(kType, script, m_capture.Window(), kCard);
        CLogCapture log;
        ASSERT_TRUE(RunOnce(job));
        m_capture.PumpFor(100);
        EXPECT_EQ(1u, m_capture.Messages().size()) << Describe(m_capture.Messages());
        if (c.m_bScripted) {
            EXPECT_EQ(1, g_iFlushes);
            EXPECT_EQ(kCard, g_cFlushedLetter);
        }
        EXPECT_EQ(c.m_bGranted ? 0u : 1u, log.Count("SD flash failure"));
        if (!c.m_bGranted) {
            EXPECT_TRUE(log.HasLine("!!", kSource, failure));
        }
    }
}

// ---------------------------------------------------------------------------------------
// Stopping

TEST_F(ChargeTest, AbortWithoutWorkerIsRefused)
{
    struct Case {
        const char* m_pszName;
        char m_cLetter;
        int m_iStarts;
    };
    const Case cases[] = {
        {"never started", kCard, 0},
        {"started without a card", FindUnusedDriveLetter(), 1},
        {"after a finished run", kCard, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        JobScript script;
        CScriptedJob job(kType, script, m_capture.Window(), c.m_cLetter);
        for (int i = 0; i < c.m_iStarts; ++i) ASSERT_TRUE(RunOnce(job));
        CLogCapture log;
        EXPECT_FALSE(job.AbortProc(1000));
        EXPECT_EQ(1u, log.Count(kNoWorker));
        EXPECT_TRUE(log.HasLine("!!", kSource, kNoWorker));
    }
}

TEST_F(ChargeTest, AbortWaitsForTheWorkerUpToTheTimeOut)
{
    struct Case {
        const char* m_pszName;
        JobScript::Wait m_eWait;
        DWORD m_dwTimeoutMs;
        bool m_bEndsInTime;
    };
    const Case cases[] = {
        {"worker stops on the event, no limit", JobScript::WAITS_FOR_ABORT, INFINITE, true},
        {"worker stops on the event, limit", JobScript::WAITS_FOR_ABORT, 30000, true},
        {"worker outlives the limit", JobScript::IGNORES_ABORT, 50, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        m_capture.Clear();
        JobScript script;
        script.eWait = c.m_eWait;
        CScriptedJob job(kType, script, m_capture.Window(), kCard);
        ASSERT_TRUE(job.StartProc());
        ASSERT_TRUE(script.WaitStarted());
        const lib::CHandle worker = OpenWorker(script.dwThreadId);
        ASSERT_TRUE(worker.IsValid());

        EXPECT_TRUE(job.AbortProc(c.m_dwTimeoutMs));
        EXPECT_TRUE(job.IsAbort());
        if (c.m_bEndsInTime) {
            EXPECT_TRUE(HasEnded(worker));
            EXPECT_EQ(CHARGE_RESULT_ABORTED, ExitCodeOf(worker));
            EXPECT_FALSE(job.AbortProc(0)) << "the handle was let go";
        } else {
            EXPECT_FALSE(HasEnded(worker)) << "the worker keeps running";
            EXPECT_FALSE(job.StartProc());
        }
        script.Release(); // the next run's body returns at once
        ASSERT_TRUE(m_capture.WaitFor(kFinish));
        EXPECT_TRUE(HasEnded(worker, 30000));
        // Stopped or not, a job starts again.
        ASSERT_TRUE(RunOnce(job));
        m_capture.PumpFor(50);
        EXPECT_EQ(2u, m_capture.Count(kFinish));
        EXPECT_EQ(2, script.iCalls);
    }
}

TEST_F(ChargeTest, DestructorStopsTheWorkerBeforeClosingItsEvent)
{
    struct Case {
        const char* m_pszName;
        JobScript::Wait m_eWait;
        bool m_bTerminated;
    };
    const Case cases[] = {
        {"worker waits on the abort event", JobScript::WAITS_FOR_ABORT, false},
        {"worker ignores the abort event", JobScript::IGNORES_ABORT, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        m_capture.Clear();
        JobScript script;
        script.eWait = c.m_eWait;
        auto* job = new CScriptedJob(kType, script, m_capture.Window(), kCard);
        ASSERT_TRUE(job->StartProc());
        ASSERT_TRUE(script.WaitStarted());
        const lib::CHandle worker = OpenWorker(script.dwThreadId);
        ASSERT_TRUE(worker.IsValid());

        CLogCapture log;
        const DWORD before = GetTickCount();
        delete job;
        const DWORD took = GetTickCount() - before;

        EXPECT_TRUE(HasEnded(worker)) << "no worker outlives its job";
        EXPECT_FALSE(script.bFailedWait) << "the event was closed under a running worker";
        m_capture.PumpFor(100);
        if (c.m_bTerminated) {
            // Its wait, then the end by force: bounded, though the worker would never return.
            EXPECT_GE(took, 900u);
            EXPECT_LT(took, 20000u);
            EXPECT_FALSE(script.bReturned);
            EXPECT_EQ(0u, ExitCodeOf(worker));
            EXPECT_EQ(0u, m_capture.Count(kFinish));
            EXPECT_EQ(1u, log.Count("CCharge::~CCharge: worker terminated"));
        } else {
            EXPECT_LT(took, CHARGE_DESTROY_WAIT_MS);
            EXPECT_TRUE(script.bReturned);
            EXPECT_EQ(CHARGE_RESULT_ABORTED, ExitCodeOf(worker));
            EXPECT_EQ(1u, m_capture.Count(kFinish));
            EXPECT_EQ(0u, log.Count("terminated"));
        }
        script.Release();
    }
}

// ---------------------------------------------------------------------------------------
// The card's job history

SYSTEMTIME LocalNow()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

ULONGLONG Ticks(const SYSTEMTIME& time)
{
    FILETIME file = {};
    SystemTimeToFileTime(&time, &file);
    return static_cast<ULONGLONG>(file.dwHighDateTime) << 32 | file.dwLowDateTime;
}

TEST_F(ChargeTest, HistoryRecordsSuccessAndFailureUnderTheJobsKey)
{
    struct Case {
        uint32_t m_uKind;
        uint32_t m_uCode;
        uint32_t m_uDataVersion;
        uint32_t m_uMapVersion;
        uint32_t m_uKey;
        uint32_t m_uStoredKey;
        uint32_t m_uStoredResult;
    };
    const Case cases[] = {
        {2, 0x000000, 0x11, 0x22, 0, kType, 0x5A000000},
        {4, 0x30000C, 0, 0, 0, kType, 0x5A30000C},
        {4, 0x200011, 7, 8, 99, 99, 0x5A200011},
        {4, 0x00FF00, 0, 0, 0, kType, 0x5A00FF00}, // only FF01 and FF02 go unrecorded
        {4, 0x10FF03, 0, 0, 0, kType, 0x5A10FF03},
        {2, 0xAB00000A, 0, 0, 0, kType, 0x5A00000A},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.m_uKind << " " << std::hex << c.m_uCode);
        ASSERT_TRUE(m_card.Clear());
        ASSERT_TRUE(CreateDirectoryA(m_card.GetPath("PC").c_str(), nullptr));
        JobScript script;
        CScriptedJob job(kType, script, m_capture.Window(), kCard);
        const SYSTEMTIME before = LocalNow();
        CLogCapture log;
        ASSERT_TRUE(job._SaveHistory(c.m_uKind, c.m_uCode, c.m_uDataVersion, c.m_uMapVersion,
                                     c.m_uKey));
        const SYSTEMTIME after = LocalNow();
        EXPECT_TRUE(log.HasLine(
            "..", kSource,
            lib::FormatString("CCharge::_SaveHistory - Start RES:0x%08X VER:0x%08X MAP:0x%08X",
                              c.m_uStoredResult, c.m_uDataVersion, c.m_uMapVersion)));

        CSDInfoFile history(kCard);
        SYSTEMTIME time;
        uint32_t phase = 0;
        std::string text = "x";
        uint32_t result = 0;
        uint32_t dataVersion = 0;
        uint32_t mapVersion = 0;
        ASSERT_TRUE(history.GetHistory(c.m_uStoredKey, &time, &phase, &text, &result,
                                       &dataVersion, &mapVersion));
        EXPECT_EQ(c.m_uKind, phase);
        EXPECT_EQ(c.m_uStoredResult, result);
        EXPECT_EQ(c.m_uDataVersion, dataVersion);
        EXPECT_EQ(c.m_uMapVersion, mapVersion);
        EXPECT_EQ("", text);
        EXPECT_GE(Ticks(time), Ticks(before));
        EXPECT_LE(Ticks(time), Ticks(after));
        EXPECT_EQ(128u, testsupport::ReadFileBytes(m_card.GetPath("PC\\SDINFO.DAT")).size());
    }
}

TEST_F(ChargeTest, StartRecordsAndSilentCodesLeaveTheHistoryAlone)
{
    struct Case {
        uint32_t m_uKind;
        uint32_t m_uCode;
    };
    const Case cases[] = {
        {1, 0x000000}, {1, 0x30000C}, {2, 0x00FF01}, {4, 0x00FF02},
        {4, 0x20FF02}, {4, 0x10FF01}, {2, 0x40FF02},
    };
    const std::string path = m_card.GetPath("PC\\SDINFO.DAT");
    for (const bool withFile : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (withFile ? "file " : "no file ") << c.m_uKind
                                            << " " << std::hex << c.m_uCode);
            ASSERT_TRUE(m_card.Clear());
            ASSERT_TRUE(CreateDirectoryA(m_card.GetPath("PC").c_str(), nullptr));
            if (withFile) {
                const SYSTEMTIME earlier = {2024, 5, 3, 2, 10, 20, 30, 400};
                ASSERT_TRUE(CSDInfoFile(kCard).SaveHistory(kType, earlier, 2, 0x5A000000, 1, 2,
                                                           "earlier"));
            }
            const std::string stored = testsupport::ReadFileBytes(path);
            ASSERT_EQ(withFile ? 128u : 0u, stored.size());

            JobScript script;
            CScriptedJob job(kType, script, m_capture.Window(), kCard);
            EXPECT_TRUE(job._SaveHistory(c.m_uKind, c.m_uCode, 3, 4, 0));
            EXPECT_EQ(stored, testsupport::ReadFileBytes(path));
            EXPECT_EQ(withFile, lib::FileExists(path));
        }
    }
}

TEST_F(ChargeTest, HistoryWithoutCardFails)
{
    JobScript script;
    CScriptedJob job(kType, script, m_capture.Window(), FindUnusedDriveLetter());
    EXPECT_FALSE(job._SaveHistory(4, 0x30000C, 0, 0, 0));
    EXPECT_TRUE(job._SaveHistory(1, 0x30000C, 0, 0, 0)) << "a start record writes nothing";
}

} // namespace
