// The installer engine in the test's own process: progress records, the handlers' counting,
// the queue and its worker, cancel and stop, the request protocol and the package folder,
// with a scripted installer in place of msi.dll and a window standing in for the launcher.

#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/wfc/CriticalSection.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/TestSupport.h"
#include "tests/updater/ScriptedInstaller.h"
#include "tests/updater/UpdaterTestSupport.h"
#include "updater/CopyDataInstall.h"
#include "updater/LauncherDownloadFolder.h"
#include "updater/MsiInstall.h"
#include "updater/MsiInstallCallback.h"
#include "updater/MsiInstallControl.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <vector>

using namespace updatertest;
using MsiInstaller::MsiInstallCallback;
using MsiInstaller::MsiInstallControl;

namespace {

constexpr DWORD kWakeMs = 5000;
// A queued request may wait for the worker's next wake: the bound is a loaded machine's.
constexpr DWORD kPickUpMs = 60000;

// The worker's waits for its next wake, seen through this program's imports: every
// WaitForSingleObject of kWakeMs made by a thread other than the test's, with the number of
// installs finished when it began and how it ended. One at a time.
class CWakeWaits {
public:
    struct Wait {
        size_t uFinishedBefore;
        DWORD dwResult; // WAIT_FAILED until it ended
    };

    explicit CWakeWaits(const CScriptedInstaller& installer)
        : m_cPatch("kernel32.dll", "WaitForSingleObject", reinterpret_cast<void*>(&_Wait))
    {
        State& state = _State();
        lib::wfc::CCriticalSection::CLock lock(&state.lock, true);
        state.waits.clear();
        state.pInstaller = &installer;
        state.dwTestThread = GetCurrentThreadId();
        state.bActive = true;
    }
    ~CWakeWaits() { _State().bActive = false; }
    CWakeWaits(const CWakeWaits&) = delete;
    CWakeWaits& operator=(const CWakeWaits&) = delete;

    bool Patched() const { return m_cPatch.Patched(); }
    std::vector<Wait> Waits() const
    {
        State& state = _State();
        lib::wfc::CCriticalSection::CLock lock(&state.lock, true);
        return state.waits;
    }
    // Whether a wait began after that many installs had finished.
    bool BegunAfter(size_t finished) const
    {
        for (const Wait& wait : Waits()) {
            if (wait.uFinishedBefore >= finished) return true;
        }
        return false;
    }

private:
    typedef DWORD(WINAPI* WaitFunction)(HANDLE, DWORD);
    struct State {
        lib::wfc::CCriticalSection lock;
        std::vector<Wait> waits;
        const CScriptedInstaller* pInstaller = nullptr;
        DWORD dwTestThread = 0;
        std::atomic<bool> bActive{false};
        WaitFunction pOriginal = reinterpret_cast<WaitFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "WaitForSingleObject")));
    };
    // For the program's life: a worker may still be inside the stand-in when the object goes.
    static State& _State()
    {
        static State state;
        return state;
    }
    static DWORD WINAPI _Wait(HANDLE handle, DWORD timeoutMs)
    {
        State& state = _State();
        if (timeoutMs != kWakeMs || !state.bActive || GetCurrentThreadId() == state.dwTestThread) {
            return state.pOriginal(handle, timeoutMs);
        }
        size_t index = 0;
        {
            lib::wfc::CCriticalSection::CLock lock(&state.lock, true);
            index = state.waits.size();
            state.waits.push_back({state.pInstaller->Finished(), WAIT_FAILED});
        }
        const DWORD result = state.pOriginal(handle, timeoutMs);
        lib::wfc::CCriticalSection::CLock lock(&state.lock, true);
        if (index < state.waits.size()) state.waits[index].dwResult = result;
        return result;
    }

    testsupport::CImportPatch m_cPatch;
};

class CCallbackProbe : public MsiInstallCallback {
public:
    using MsiInstallCallback::_ParseProgress;
    using MsiInstallCallback::ProgressFields;
};

// The engine's cancel flag outlives a test; only a terminate message clears it.
void ClearCancelFlag()
{
    MsiInstallCallback quiet;
    MsiInstall::GetInstance()->SetCallback(&quiet);
    MsiInstall::GetInstance()->OnExternalUI(INSTALLMESSAGE_TERMINATE, "");
    MsiInstall::GetInstance()->SetCallback(nullptr);
}

std::vector<Progress> WithoutEnds(const std::vector<Progress>& progress)
{
    std::vector<Progress> kept;
    for (const Progress& item : progress) {
        if (item.uCode != INSTALL_PROGRESS_END) kept.push_back(item);
    }
    return kept;
}

size_t CountCode(const std::vector<Progress>& progress, uint32_t code)
{
    size_t count = 0;
    for (const Progress& item : progress) count += item.uCode == code ? 1 : 0;
    return count;
}

// ---- progress records ----

struct ParseCase {
    const char* pszText;
    int32_t iKind, iField2, iField3, iField4;
};

class ParseProgressTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseProgressTest, ReadsTheFieldsUpToTheFirstMissingLabel)
{
    const ParseCase& c = GetParam();
    const CCallbackProbe::ProgressFields fields = CCallbackProbe::_ParseProgress(c.pszText);
    EXPECT_EQ(c.iKind, fields.iKind);
    EXPECT_EQ(c.iField2, fields.iField2);
    EXPECT_EQ(c.iField3, fields.iField3);
    EXPECT_EQ(c.iField4, fields.iField4);
}

INSTANTIATE_TEST_SUITE_P(
    Records, ParseProgressTest,
    ::testing::Values(
        ParseCase{"1: 0 2: 24006 3: 0 4: 0", 0, 24006, 0, 0},
        ParseCase{"1: 2 2: 6 3: 1 4: 9", 2, 6, 1, 9},
        ParseCase{"1: 3 2: -5 3: 7 4: 12345678", 3, -5, 7, 12345678},
        ParseCase{"1: 2 2: 6", 2, 6, 0, 0},              // Windows Installer's short report
        ParseCase{"1: 1 2: 7 4: 9", 1, 7, 0, 0},         // no "3:": field 4 is not read
        ParseCase{"1: 2 3: 4 4: 5", 2, 0, 0, 0},         // no "2:": nothing after it
        ParseCase{"2: 5 3: 1 4: 1", 0, 0, 0, 0},         // no "1:"
        ParseCase{"", 0, 0, 0, 0},
        ParseCase{"1:", 0, 0, 0, 0},                     // "1:" at the end
        ParseCase{"1: ", 0, 0, 0, 0},
        ParseCase{"2: 5 1: ", 0, 0, 0, 0},
        ParseCase{"1: x 2: 3", 'x' - '0', 3, 0, 0},      // a kind that is no digit
        ParseCase{"1:  2 2: 3", ' ' - '0', 3, 0, 0},
        ParseCase{"1: 22 2: 3", 2, 3, 0, 0}));           // one character only

// ---- the handlers' counting ----

struct Message {
    int iKind; // 9 action data, 10 progress, 12 initialise, 13 terminate, 0 fatal exit
    const char* pszText;
};

struct CountingCase {
    const char* pszName;
    std::vector<Message> vecMessages;
    std::vector<Progress> vecExpected;
};

const uint32_t kId = 3u << 16;

std::vector<CountingCase> CountingCases()
{
    return {
        {"Forward", {{12, ""}, {10, "1: 0 2: 100 3: 0 4: 0"}, {10, "1: 2 2: 10"}, {10, "1: 2 2: 5"}},
         {{0, kId}, {1, 100u << 16}, {2, 10}, {2, 15}}},
        {"Backward", {{12, ""}, {10, "1: 0 2: 100 3: 1 4: 0"}, {10, "1: 2 2: 10"}, {10, "1: 2 2: 30"}},
         {{0, kId}, {1, 100u << 16}, {2, 90}, {2, 60}}},
        {"ActionDataSteps",
         {{10, "1: 0 2: 50 3: 0 4: 0"}, {10, "1: 1 2: 7 3: 1 4: 0"}, {9, "file"}, {9, "file"}},
         {{1, 50u << 16}, {2, 7}, {2, 14}}},
        {"ActionDataStepsBackward",
         {{10, "1: 0 2: 50 3: 1 4: 0"}, {10, "1: 1 2: 7 3: 1 4: 0"}, {9, "file"}},
         {{1, 50u << 16}, {2, 43}}},
        {"ActionDataOff",
         {{10, "1: 0 2: 50 3: 0 4: 0"}, {10, "1: 1 2: 7 3: 1"}, {10, "1: 1 2: 9 3: 0"}, {9, "file"}},
         {{1, 50u << 16}}},
        {"ReportBeforeReset", {{12, ""}, {10, "1: 2 2: 10"}, {9, "file"}}, {{0, kId}}},
        {"AddTotal", {{10, "1: 0 2: 100 3: 0"}, {10, "1: 3 2: 0"}, {10, "1: 3 2: 50"}},
         {{1, 100u << 16}, {3, 150u << 16}}},
        {"PastSixteenBits", {{10, "1: 0 2: 70000 3: 0"}, {10, "1: 2 2: 70000"}, {10, "1: 3 2: 1"}},
         {{1, 70000u << 16}, {2, 70000}, {3, 70001u << 16}}},
        {"BelowZero", {{10, "1: 0 2: 10 3: 1"}, {10, "1: 2 2: 25"}}, {{1, 10u << 16}, {2, 0xFFFFFFF1u}}},
        {"OtherKindsSendNothing", {{10, "1: 4 2: 10"}, {10, "1: x 2: 10"}, {11, "1: 0 2: 3"}}, {}},
        {"FatalExitResets", {{10, "1: 0 2: 100 3: 0"}, {0, ""}, {10, "1: 2 2: 10"}}, {{1, 100u << 16}}},
        {"TerminateResets",
         {{12, ""}, {10, "1: 0 2: 100 3: 0"}, {13, ""}, {10, "1: 2 2: 10"}},
         {{0, kId}, {1, 100u << 16}, {4, kId}}},
    };
}

TEST(CallbackCounting, SendsTicksAsTheRecordsSay)
{
    for (const CountingCase& c : CountingCases()) {
        SCOPED_TRACE(c.pszName);
        CLauncherWindow window;
        MsiInstallCallback callback;
        callback.SetTarget(window.Handle(), ProgressMessage(), 3);
        for (const Message& message : c.vecMessages) {
            callback.Dispatch(message.iKind, 0, message.pszText);
        }
        PumpFor(20); // the end is posted
        EXPECT_EQ(c.vecExpected, window.Received()) << Describe(window.Received());
    }
}

TEST(CallbackCounting, SendsNothingToAWindowThatIsGone)
{
    CLauncherWindow* window = new CLauncherWindow;
    const HWND gone = window->Handle();
    delete window;
    MsiInstallCallback callback;
    callback.SetTarget(gone, ProgressMessage(), 2);
    EXPECT_EQ(0, callback.Dispatch(15, 0, "")); // no sixteenth kind
    callback.Dispatch(12, 0, "");
    callback.Dispatch(10, 0, "1: 0 2: 100 3: 0");
    callback.Dispatch(13, 0, "");
    CLauncherWindow other; // may take the freed handle's slot; must hear nothing
    PumpFor(20);
    EXPECT_TRUE(other.Received().empty());
}

TEST(CallbackAnswers, UserMessageAnswersByButtonSet)
{
    MsiInstallCallback callback;
    const int expected[16] = {IDOK, IDOK, IDABORT, IDYES, IDYES, IDCANCEL, IDNO, IDNO,
                              IDNO, IDNO, IDNO, IDNO, IDNO, IDNO, IDNO, IDNO};
    for (UINT buttons = 0; buttons < 16; ++buttons) {
        EXPECT_EQ(expected[buttons], callback.OnUser(buttons | MB_ICONWARNING, "")) << buttons;
    }
}

TEST(ExternalUI, AnswersZeroButCancelToAProgressRecordWhileTheFlagIsSet)
{
    CLauncherWindow window;
    MsiInstallCallback callback;
    callback.SetTarget(window.Handle(), ProgressMessage(), 2);
    MsiInstall* msi = MsiInstall::GetInstance();
    msi->Cancel();
    // Without a current callback nothing is answered, not even the cancel.
    EXPECT_EQ(0, msi->OnExternalUI(INSTALLMESSAGE_PROGRESS, "1: 0 2: 10 3: 0"));
    msi->SetCallback(&callback);
    EXPECT_EQ(IDCANCEL, msi->OnExternalUI(INSTALLMESSAGE_PROGRESS, "1: 0 2: 10 3: 0"));
    EXPECT_EQ(0, msi->OnExternalUI(INSTALLMESSAGE_USER | MB_YESNO, "question"));
    EXPECT_EQ(0, msi->OnExternalUI(15u << 24, "no such kind"));
    EXPECT_EQ(0, msi->OnExternalUI(INSTALLMESSAGE_TERMINATE, ""));
    EXPECT_EQ(0, msi->OnExternalUI(INSTALLMESSAGE_PROGRESS, "1: 0 2: 10 3: 0"));
    msi->SetCallback(nullptr);
    PumpFor(20);
    // The cancelled record never reached the handler; the one after the end did (sent
    // at once, while the end was posted).
    EXPECT_EQ((std::vector<Progress>{{1, 10u << 16}, {4, 2u << 16}}), window.Received())
        << Describe(window.Received());
}

// ---- the engine with its worker ----

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { ClearCancelFlag(); }
    void TearDown() override
    {
        MsiInstallControl::GetInstance()->Stop();
        MsiInstallControl::ReleaseInstance();
        ClearCancelFlag();
    }

    MsiInstallControl* Control() { return MsiInstallControl::GetInstance(); }

    LRESULT Send(const COPYDATAINSTALL& record, ULONG_PTR kind = MSG_REQUEST_INSTALL,
                 DWORD size = kCopyDataInstallSentSize)
    {
        // The launcher sends one byte more than the record.
        struct {
            COPYDATAINSTALL record;
            char extra[4];
        } sent = {record, {}};
        COPYDATASTRUCT data = {kind, size, &sent};
        return Control()->OnCopyData(&data);
    }
    LRESULT Install(int32_t aplType, const std::string& package, int32_t type = INSTALLTYPE_INSTALL)
    {
        return Send(MakeRecord(aplType, type, m_cLauncher.Handle(), package));
    }
    LRESULT Cancel()
    {
        COPYDATASTRUCT data = {MSG_REQUEST_CANCELINSTALL, 0, nullptr};
        return Control()->OnCopyData(&data);
    }
    bool WaitCalls(size_t count, DWORD timeoutMs = kPickUpMs)
    {
        return PumpUntil([&] { return m_cInstaller.Calls().size() >= count; }, timeoutMs);
    }
    // The ends that arrived, and the installs that returned (the end is posted before its
    // install returns); finished counts every install of the test.
    bool WaitEnds(size_t count, size_t finished = 0)
    {
        if (finished == 0) finished = count;
        return PumpUntil(
            [&] {
                return CountCode(m_cLauncher.Received(), INSTALL_PROGRESS_END) >= count &&
                       m_cInstaller.Finished() >= finished;
            },
            kPickUpMs);
    }
    std::string Package(const char* name) const { return UserDownloadFolder() + name; }

    CScriptedInstaller m_cInstaller;
    CLauncherWindow m_cLauncher;
};

TEST_F(EngineTest, QueuedRequestsRunInOrderOfArrivalEachToItsEnd)
{
    m_cInstaller.SetScript(PlainInstall());
    ASSERT_EQ(1, Install(APLTYPE_DAPPLEGATE, Package("first.msi")));
    ASSERT_EQ(1, Install(APLTYPE_MENDRILL, Package("second.msi"), INSTALLTYPE_REINSTALL));
    ASSERT_TRUE(WaitEnds(2));

    const std::vector<InstallCall> calls = m_cInstaller.Calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(Package("first.msi"), calls[0].strPackage);
    EXPECT_EQ(Package("second.msi"), calls[1].strPackage);
    // An install passes no command line, a reinstall the repair over the installed version.
    EXPECT_FALSE(calls[0].bCommandLine);
    EXPECT_TRUE(calls[1].bCommandLine);
    EXPECT_EQ("REINSTALLMODE=vomus REINSTALL=ALL", calls[1].strCommandLine);
    // Windows Installer is answered 0 whatever the handlers computed.
    EXPECT_EQ(std::vector<int>(5, 0), calls[0].vecAnswers);

    // The ends are posted, so they may arrive after the next package's sent start.
    const std::vector<Progress> expected = {{0, 2u << 16}, {1, 100u << 16}, {2, 40}, {2, 100},
                                            {0, 3u << 16}, {1, 100u << 16}, {2, 40}, {2, 100}};
    EXPECT_EQ(expected, WithoutEnds(m_cLauncher.Received())) << Describe(m_cLauncher.Received());
    std::vector<Progress> ends;
    for (const Progress& item : m_cLauncher.Received()) {
        if (item.uCode == INSTALL_PROGRESS_END) ends.push_back(item);
    }
    EXPECT_EQ((std::vector<Progress>{{4, 2u << 16}, {4, 3u << 16}}), ends);
}

// Not at once, and within the wake's 5 s: the worker found the queue empty and waits for its
// wake before the request comes; that wait ends by its time-out, and the request runs.
TEST_F(EngineTest, RequestQueuedIntoAnIdleEngineStartsAtTheWorkersNextWake)
{
    CWakeWaits waits(m_cInstaller);
    ASSERT_TRUE(waits.Patched());
    ASSERT_TRUE(Control()->Start());
    ASSERT_TRUE(PumpUntil([&] { return waits.BegunAfter(0); }, kPickUpMs));
    ASSERT_EQ(1, Install(APLTYPE_PELLICKMANAGER, Package("idle.msi")));
    ASSERT_TRUE(WaitCalls(1));
    const std::vector<CWakeWaits::Wait> seen = waits.Waits();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), seen[0].dwResult) << "woken by the request";
}

TEST_F(EngineTest, CancelDuringAnInstallStopsItAtTheNextProgressRecordAndDropsTheQueue)
{
    m_cInstaller.SetScript({
        {INSTALLMESSAGE_INITIALIZE, "", false},
        {INSTALLMESSAGE_PROGRESS, "1: 0 2: 100 3: 0 4: 0", false},
        {INSTALLMESSAGE_PROGRESS, "1: 2 2: 10", false},
        {0, nullptr, true},
        {INSTALLMESSAGE_ACTIONSTART, "Action", false},
        {INSTALLMESSAGE_PROGRESS, "1: 2 2: 20", false},
        {INSTALLMESSAGE_PROGRESS, "1: 2 2: 30", false},
        {INSTALLMESSAGE_TERMINATE, "", false},
    });
    ASSERT_EQ(1, Install(APLTYPE_DAPPLEGATE, Package("running.msi")));
    ASSERT_TRUE(PumpUntil([&] { return m_cInstaller.TakePaused(); }, kPickUpMs));
    ASSERT_EQ(1, Install(APLTYPE_MENDRILL, Package("dropped.msi")));

    testsupport::CLogCapture log;
    EXPECT_EQ(1, Cancel());
    EXPECT_TRUE(log.HasLine("..", "MsiInstallControl.cpp", "OnCopyData  MSG_REQUEST_CANCELINSTALL"));
    m_cInstaller.Resume();
    ASSERT_TRUE(WaitEnds(1));

    std::vector<InstallCall> calls = m_cInstaller.Calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, IDCANCEL, IDCANCEL, 0}), calls[0].vecAnswers);
    EXPECT_EQ((std::vector<Progress>{{0, 2u << 16}, {1, 100u << 16}, {2, 10}, {4, 2u << 16}}),
              m_cLauncher.Received())
        << Describe(m_cLauncher.Received());

    // The terminate message cleared the flag: the next package installs, the dropped one never.
    m_cInstaller.SetScript(PlainInstall());
    m_cLauncher.Clear();
    ASSERT_EQ(1, Install(APLTYPE_PELLICKMANAGER, Package("next.msi")));
    ASSERT_TRUE(WaitEnds(1, 2));
    calls = m_cInstaller.Calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(Package("next.msi"), calls[1].strPackage);
    EXPECT_EQ(std::vector<int>(5, 0), calls[1].vecAnswers);
}

TEST_F(EngineTest, CancelWhileIdleCancelsTheNextPackage)
{
    m_cInstaller.SetScript(PlainInstall());
    EXPECT_EQ(1, Cancel());
    ASSERT_EQ(1, Install(APLTYPE_DAPPLEGATE, Package("cancelled.msi")));
    ASSERT_TRUE(WaitEnds(1));
    const std::vector<InstallCall> calls = m_cInstaller.Calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ((std::vector<int>{0, IDCANCEL, IDCANCEL, IDCANCEL, 0}), calls[0].vecAnswers);
    EXPECT_EQ((std::vector<Progress>{{0, 2u << 16}, {4, 2u << 16}}), m_cLauncher.Received())
        << Describe(m_cLauncher.Received());
}

TEST_F(EngineTest, StopTerminatesAWorkerThatOutlivesItsWait)
{
    // An installer that ignores the cancel and runs on.
    m_cInstaller.SetScript({{INSTALLMESSAGE_INITIALIZE, "", false}, {0, nullptr, true}});
    ASSERT_EQ(1, Install(APLTYPE_DAPPLEGATE, Package("endless.msi")));
    ASSERT_TRUE(PumpUntil([&] { return m_cInstaller.TakePaused(); }, kPickUpMs));
    const std::vector<InstallCall> calls = m_cInstaller.Calls();
    ASSERT_EQ(1u, calls.size());
    HANDLE worker = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, calls[0].dwThreadId);
    ASSERT_NE(nullptr, worker);

    // The stop waits for the worker first (a wait cannot end early), then ends it.
    const DWORD start = GetTickCount();
    Control()->Stop();
    EXPECT_GE(GetTickCount() - start, kWakeMs - 100);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker, kPickUpMs));
    DWORD exitCode = 1;
    GetExitCodeThread(worker, &exitCode);
    EXPECT_EQ(0u, exitCode); // terminated, not ended by itself (1)
    CloseHandle(worker);
}

// Idle again after its install, the worker is woken by the stop (its wait ends on the event,
// not by its time-out) and ends by itself.
TEST_F(EngineTest, WorkerLeftByItselfEndsWithOne)
{
    CWakeWaits waits(m_cInstaller);
    ASSERT_TRUE(waits.Patched());
    ASSERT_TRUE(Control()->Start());
    m_cInstaller.SetScript({});
    ASSERT_EQ(1, Install(APLTYPE_DAPPLEGATE, Package("quick.msi")));
    ASSERT_TRUE(WaitCalls(1));
    HANDLE worker =
        OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, m_cInstaller.Calls()[0].dwThreadId);
    ASSERT_NE(nullptr, worker);
    ASSERT_TRUE(PumpUntil([&] { return waits.BegunAfter(1); }, kPickUpMs));
    Control()->Stop();
    const std::vector<CWakeWaits::Wait> seen = waits.Waits();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(1u, seen.back().uFinishedBefore);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), seen.back().dwResult) << "the stop woke it";
    DWORD exitCode = 0;
    GetExitCodeThread(worker, &exitCode);
    EXPECT_EQ(1u, exitCode);
    CloseHandle(worker);
}

TEST_F(EngineTest, FailedInstallIsLoggedAndTheNextOneRuns)
{
    m_cInstaller.SetScript({{INSTALLMESSAGE_INITIALIZE, "", false}}, ERROR_INSTALL_PACKAGE_INVALID);
    testsupport::CLogCapture log;
    ASSERT_EQ(1, Install(APLTYPE_DAPPLEGATE, Package("broken.msi")));
    ASSERT_EQ(1, Install(APLTYPE_MENDRILL, Package("after.msi")));
    // Both installs returned and logged their failure; what they sent has arrived.
    const std::string failure =
        lib::FormatString("MsiInstallCommonRequest::DoAction[ERROR:0x%08X]",
                          static_cast<uint32_t>(ERROR_INSTALL_PACKAGE_INVALID));
    ASSERT_TRUE(PumpUntil([&] { return m_cInstaller.Finished() >= 2 && log.Count(failure) >= 2; },
                          kPickUpMs));
    testsupport::DispatchQueued();
    EXPECT_TRUE(log.HasLine("!!", "MsiInstallCommonRequest.cpp",
                            lib::FormatString("MsiInstallCommonRequest::DoAction[ERROR:0x%08X]",
                                              static_cast<uint32_t>(ERROR_INSTALL_PACKAGE_INVALID))));
    // The level it replaced, as the scripted installer answers it.
    EXPECT_TRUE(log.HasLine("..", "MsiInstall.cpp", "MsiInstall::SetInternalUI[UILevel:0x00000001]"));
    EXPECT_EQ((std::vector<Progress>{{0, 2u << 16}, {0, 3u << 16}}), m_cLauncher.Received());
}

// ---- where a package may come from ----

TEST_F(EngineTest, PackagesRunOnlyFromTheLauncherUsersDownloadFolder)
{
    const std::string download = UserDownloadFolder();
    std::string upper = download;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    const std::string product = lib::GetParentFolder(lib::GetParentFolder(download));
    struct PathCase {
        std::string strPath;
        bool bRuns;
    };
    const std::vector<PathCase> cases = {
        {download + "run.msi", true},
        {upper + "RUN-UPPER.MSI", true},
        {download + "..\\Setting\\up.msi", false},
        {download + "sub\\..\\..\\Data\\up.msi", false},
        {download + "...\\dots.msi", false},
        {product + "\\DownloadX\\beside.msi", false},
        {product + "\\Download", false},
        {"C:\\windows\\temp\\elsewhere.msi", false},
        {"\\\\server\\share\\remote.msi", false},
        {"relative.msi", false},
        // Last, so that every refusal above is logged once it has run.
        {download + "sub\\nested.msi", true},
    };
    m_cInstaller.SetScript({});
    testsupport::CLogCapture log;
    size_t runs = 0;
    for (const PathCase& c : cases) {
        ASSERT_EQ(1, Install(APLTYPE_DAPPLEGATE, c.strPath)) << c.strPath;
        runs += c.bRuns ? 1 : 0;
    }
    ASSERT_TRUE(WaitCalls(runs));
    std::vector<std::string> ran;
    for (const InstallCall& call : m_cInstaller.Calls()) ran.push_back(call.strPackage);
    std::vector<std::string> expected;
    for (const PathCase& c : cases) {
        if (c.bRuns) {
            expected.push_back(c.strPath);
        } else {
            EXPECT_TRUE(log.HasLine("!!", "MsiInstallCommonRequest.cpp",
                                    "not in Download folder[" + c.strPath + "]"))
                << c.strPath;
        }
    }
    EXPECT_EQ(expected, ran);
}

TEST(PackageFolder, ComparesWholeCharactersIgnoringCase)
{
    struct FolderCase {
        const char* pszPath;
        const char* pszFolder;
        bool bInside;
    };
    const FolderCase cases[] = {
        {"C:\\Users\\a\\Download\\x.msi", "C:\\Users\\a\\Download\\", true},
        {"c:\\users\\A\\DOWNLOAD\\x.msi", "C:\\Users\\a\\Download\\", true},
        {"C:/Users/a/Download/x.msi", "C:\\Users\\a\\Download\\", true},
        {"C:\\Users\\a\\Download\\.\\x.msi", "C:\\Users\\a\\Download\\", true},
        {"C:\\Users\\a\\Download\\", "C:\\Users\\a\\Download\\", false},
        {"C:\\Users\\a\\Download\\x.msi", "C:\\Users\\a\\Download", false},
        // "ア" (83 41) and "ッ" (83 62), and "ア" against (83 61): a byte-wise lower-casing
        // would take the trail byte 0x41 for an "A".
        {"C:\\\x83\x41\\x.msi", "C:\\\x83\x41\\", true},
        {"C:\\\x83\x61\\x.msi", "C:\\\x83\x41\\", false},
        {"C:\\\x83\x62\\x.msi", "C:\\\x83\x41\\", false},
        // "表" ends in 0x5C: it is one character, not a folder and a backslash.
        {"C:\\\x95\x5C\\x.msi", "C:\\\x95\x5C\\", true},
        {"C:\\a\\..\\a\\x.msi", "C:\\a\\", false},
        {"", "C:\\a\\", false},
    };
    for (const FolderCase& c : cases) {
        EXPECT_EQ(c.bInside, MsiInstaller::IsPathInFolder(c.pszPath, c.pszFolder))
            << c.pszPath << " in " << c.pszFolder;
    }
}

// ---- the request protocol ----

struct CopyDataCase {
    const char* pszName;
    ULONG_PTR uKind;
    DWORD dwSize;
    int32_t iAPLType;
    int32_t iInstallType;
    int iWindow; // 0 the launcher's, 1 none, 2 the desktop's (another process)
    bool bRightMessage;
    bool bTerminated;
    LRESULT lAnswer;
    const char* pszLine; // the line logged ("" none of the request's)
    bool bQueued;
};

TEST_F(EngineTest, CopyDataAnswersEachRecordAsTheProtocolSays)
{
    const char* const request = "OnCopyData  APLType:";
    const CopyDataCase cases[] = {
        // First: a cancel drops what the rows below queue.
        {"CancelWithoutRecord", 1, 0, 0, 0, 0, true, true, 1, "OnCopyData  MSG_REQUEST_CANCELINSTALL", false},
        {"Install", 0, 277, 2, 1, 0, true, true, 1, request, true},
        {"Reinstall", 0, 277, 4, 2, 0, true, true, 1, request, true},
        {"ExactSize", 0, 276, 3, 1, 0, true, true, 1, request, true},
        {"SizeZero", 0, 0, 2, 1, 0, true, true, 0, "OnCopyData without COPYDATAINSTALL data", false},
        {"SizeOne", 0, 1, 2, 1, 0, true, true, 0, "OnCopyData without COPYDATAINSTALL data", false},
        {"OneShort", 0, 275, 2, 1, 0, true, true, 0, "OnCopyData without COPYDATAINSTALL data", false},
        {"NoInstallType", 0, 277, 2, 0, 0, true, true, 0, "", false},
        {"NoTerminator", 0, 277, 2, 1, 0, true, false, 0, "PathPackage without terminator", false},
        {"ForeignWindow", 0, 277, 2, 1, 2, true, true, 0, "ProgressWnd not of the launcher", false},
        {"NoWindow", 0, 277, 2, 1, 1, true, true, 0, "ProgressWnd not of the launcher", false},
        {"WrongMessage", 0, 277, 2, 1, 0, false, true, 0, "ProgressMsg not InstallNotifyProgress", false},
        {"APLTypeZero", 0, 277, 0, 1, 0, true, true, 0, request, false},
        {"APLTypeFive", 0, 277, 5, 1, 0, true, true, 0, request, false},
        {"LauncherInstall", 0, 277, 1, 1, 0, true, true, 1, request, false},
        {"OtherKind", 2, 277, 2, 1, 0, true, true, 0, "", false},
    };
    m_cInstaller.SetScript({});
    size_t queued = 0;
    for (const CopyDataCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        const HWND window = c.iWindow == 0 ? m_cLauncher.Handle()
                            : c.iWindow == 1 ? nullptr : GetDesktopWindow();
        COPYDATAINSTALL record = MakeRecord(c.iAPLType, c.iInstallType, window,
                                            Package(lib::FormatString("%s.msi", c.pszName).c_str()));
        if (!c.bRightMessage) record.ProgressMsg = lib::GetRegisteredMessage("QZLNotifyProgress");
        if (!c.bTerminated) std::memset(record.PathPackage, 'a', sizeof record.PathPackage);
        testsupport::CLogCapture log;
        EXPECT_EQ(c.lAnswer, Send(record, c.uKind, c.dwSize));
        if (c.pszLine[0] != '\0') {
            EXPECT_TRUE(log.Has(c.pszLine)) << log.Text();
        } else {
            EXPECT_FALSE(log.Has("OnCopyData")) << log.Text();
        }
        if (c.uKind == MSG_REQUEST_CANCELINSTALL) ClearCancelFlag();
        EXPECT_FALSE(testsupport::TakeQuit());
        queued += c.bQueued ? 1 : 0;
    }
    // Requests run in order: once one queued last has run, every request the rows queued has
    // run, and no other.
    ASSERT_EQ(1, Install(APLTYPE_DAPPLEGATE, Package("last.msi")));
    ASSERT_TRUE(WaitCalls(queued + 1));
    std::vector<std::string> expected;
    for (const CopyDataCase& c : cases) {
        if (c.bQueued) expected.push_back(Package(lib::FormatString("%s.msi", c.pszName).c_str()));
    }
    expected.push_back(Package("last.msi"));
    std::vector<std::string> ran;
    for (const InstallCall& call : m_cInstaller.Calls()) ran.push_back(call.strPackage);
    EXPECT_EQ(expected, ran);
}

TEST_F(EngineTest, CopyDataLogsTheRequestWithItsFields)
{
    testsupport::CLogCapture log;
    ASSERT_EQ(1, Install(APLTYPE_MENDRILL, Package("fields.msi"), INSTALLTYPE_REINSTALL));
    EXPECT_TRUE(log.HasLine("..", "MsiInstallControl.cpp",
                            "OnCopyData  APLType:3  InstallType:2  PathPackage:" +
                                Package("fields.msi")));
}

TEST_F(EngineTest, EmptyPackagePathIsTakenAndDoesNothing)
{
    m_cInstaller.SetScript(PlainInstall());
    ASSERT_EQ(1, Install(APLTYPE_DAPPLEGATE, ""));
    ASSERT_EQ(1, Install(APLTYPE_MENDRILL, Package("after-empty.msi")));
    ASSERT_TRUE(WaitEnds(1));
    ASSERT_EQ(1u, m_cInstaller.Calls().size());
    EXPECT_EQ(Package("after-empty.msi"), m_cInstaller.Calls()[0].strPackage);
}

TEST_F(EngineTest, LauncherSetupRequestEndsTheUpdaterWhetherOrNotItStarts)
{
    struct SetupCase {
        const char* pszName;
        int32_t iInstallType;
        std::string strPath;
        bool bQuits;
        const char* pszLine;
    };
    const SetupCase cases[] = {
        {"InstallDoesNothing", INSTALLTYPE_INSTALL, Package("Setup.exe"), false, ""},
        {"EmptyPath", INSTALLTYPE_REINSTALL, "", false, ""},
        {"Missing", INSTALLTYPE_REINSTALL, Package("missing-setup.exe"), true,
         "MsiInstallControl::RequestLauncherInstall[ERROR:0x"},
        {"Elsewhere", INSTALLTYPE_REINSTALL, "C:\\windows\\system32\\cmd.exe", true,
         "MsiInstallControl::RequestLauncherInstall not in Download folder[C:\\windows\\system32\\cmd.exe]"},
    };
    for (const SetupCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        testsupport::CLogCapture log;
        EXPECT_EQ(1, Install(APLTYPE_LAUNCHER, c.strPath, c.iInstallType));
        EXPECT_EQ(c.bQuits, testsupport::TakeQuit());
        if (c.pszLine[0] != '\0') {
            EXPECT_TRUE(log.HasLine("!!", "MsiInstallControl.cpp", c.pszLine)) << log.Text();
        } else {
            EXPECT_FALSE(log.Has("RequestLauncherInstall"));
        }
    }
}

} // namespace
