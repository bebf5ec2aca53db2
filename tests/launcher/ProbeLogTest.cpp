// The probe log window as a real window under Xvfb, over a hidden top-level owner that
// records what it is posted. The settings are the process-wide CLauncherSetting in a private
// application folder; the current user is the name this test writes into
// "UserAgentShareMemName" (hence the lock "shared_blocks"). One run of the real upload job
// goes to the stand-in probe gateway with a recording on card U: (tools/wine-prefix).

#include "launcher/ProbeLogWindow.h"

#include "carddata/UserListFile.h"
#include "launcher/LauncherSetting.h"
#include "launcher/UserDataFolder.h"
#include "lib/BlockShareMemHolder.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "online/ProbeUpload.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemScrollBar.h"
#include "skin/SkinWindowItemStaticImage.h"
#include "skin/SkinWindowItemToggleButton.h"
#include "tests/carddata/support/ProbeBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/launcher/LogUploadOwner.h"
#include "tests/online/support/ConnectionInfoForTests.h"
#include "tests/online/support/StandIn.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using launchertest::COwnerWindow;
using launchertest::OwnerMessage;
using launchertest::PumpFor;
using launchertest::PumpUntil;
using ui::CProbeLogWindow;

const bool g_bPrivate = testsupport::UsePrivateAppData("launcher_probe_log_test");

class CProbeLogEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        onlinetest::CStandIn standIn;
        ASSERT_TRUE(standIn.IsRunning());
        ASSERT_TRUE(onlinetest::WriteConnectionInfo(standIn.BaseUrl()));
    }
};
::testing::Environment* const g_framework = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("launcher_probe_log_test"));
::testing::Environment* const g_standIn =
    ::testing::AddGlobalTestEnvironment(new CProbeLogEnvironment);

const char kUserA[] = "userA";
const char kUserB[] = "userB";
const UINT kProgress = lib::GetRegisteredMessage("QZLNotifyProgress");
const UINT kError = lib::GetRegisteredMessage("QZLNotifyError");
const UINT kFinish = lib::GetRegisteredMessage("QZLNotifyFinish");
const UINT kChildClosed = WM_APP + 6;
const uint32_t kNoValue = 0xFFFFFFFF;

const char kStart[] = "---- 蓄積型プローブアップロード開始----";
const char kEnd[] = "---- 蓄積型プローブアップロード終了状況----";
// The dated lines' texts after the date, by step.
const char* const kStepText[] = {nullptr,
                                 "SDカード内データ確認中...",
                                 "蓄積型プローブデータ読込中...",
                                 "アップロード準備中...",
                                 "ヴェロセット利用登録確認中...",
                                 "アップロード実行中...",
                                 nullptr,
                                 "アップロード完了"};

std::string EntryText(int index) { return lib::FormatString("記録%03d", index); }

std::string Join(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
}

// The lines of a file: `count` entries, each of `filler` more bytes.
std::string LogOf(int count, size_t filler = 0)
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back(EntryText(i) + std::string(filler, 'x'));
    return Join(lines);
}

// "2026/12/10  12:34 " at the start of a dated line, as a minute count; -1 when there is none.
long long MinuteOf(const std::string& line)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    char blanks[3] = {};
    if (line.size() < 18 || line[10] != ' ' || line[11] != ' ' || line[17] != ' ' ||
        std::sscanf(line.c_str(), "%4d/%2d/%2d%2[ ]%2d:%2d", &year, &month, &day, blanks, &hour,
                    &minute) != 6) {
        return -1;
    }
    return ((((year * 12LL + month) * 31 + day) * 24 + hour) * 60) + minute;
}

long long MinuteNow()
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return ((((now.wYear * 12LL + now.wMonth) * 31 + now.wDay) * 24 + now.wHour) * 60) +
           now.wMinute;
}

// The line without its date (the whole line when it has none).
std::string Undated(const std::string& line) { return MinuteOf(line) < 0 ? line : line.substr(18); }

class ProbeLogTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_EQ(m_oBlock.CreateUserAgentMem(), 0u);
        SetCurrentUser(kUserA);
        for (const char* user : {kUserA, kUserB}) {
            lib::DeleteFolder(GetUserDataFolder(user).c_str(), true);
        }
        // The record in memory as the main window leaves it for user A: the defaults.
        CLauncherSetting::GetInstance().Load(kUserA);
    }
    void TearDown() override
    {
        m_pWindow.reset();
        for (const char* user : {kUserA, kUserB}) {
            lib::DeleteFolder(GetUserDataFolder(user).c_str(), true);
        }
    }

    void SetCurrentUser(const char* user) { ASSERT_TRUE(m_oBlock.SetUserAgent(user)); }

    // A's stored counters and history, then the record loaded for A.
    void StoreHistory(int32_t total, int32_t current, const std::string* log,
                      int32_t displayUpload = 1)
    {
        CLauncherSettingFile file;
        file.Load(kUserA);
        file.m_iUploadTotNum = total;
        file.m_iUploadCurrNum = current;
        file.m_iDisplayUpload = displayUpload;
        file.Save(kUserA);
        if (log != nullptr) WriteBytes(LogPath(kUserA), *log);
        CLauncherSetting::GetInstance().Load(kUserA);
    }

    CProbeLogWindow& Open(bool viewOnly)
    {
        m_pWindow.reset(new CProbeLogWindow(m_oOwner.Window()));
        EXPECT_TRUE(m_pWindow->Create(viewOnly));
        return *m_pWindow;
    }
    // The window goes as the owner deletes it.
    void Delete() { m_pWindow.reset(); }

    static std::string LogPath(const char* user) { return CProbeLogWindow::GetLogFilePath(user); }
    static bool Exists(const std::string& path)
    {
        return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::string Row(int32_t row)
    {
        ui::CButtonListView* list = m_pWindow->GetList();
        return list->GetTable()->GetCellText(list, row, 0, ui::ButtonListViewTextFit{nullptr, 0});
    }

    void Report(uint32_t step, uint32_t result = 0)
    {
        ::PostMessageA(m_pWindow->GetHwnd(), WM_PROBEUPLOAD_STATUS, step, result);
    }
    void Percent(uint32_t percent)
    {
        ::PostMessageA(m_pWindow->GetHwnd(), WM_PROBEUPLOAD_PERCENT, percent, 0);
    }
    // A whole run as the job posts it, with the result of step 7 and the finish.
    void PostRun(uint32_t result, uint32_t failedStep = 0)
    {
        Percent(PROBE_PERCENT_START);
        Report(PROBE_STEP_BRACKET);
        Report(PROBE_STEP_STARTED);
        Report(PROBE_STEP_SCANNING);
        Percent(PROBE_PERCENT_FOUND);
        Report(PROBE_STEP_MERGING);
        Report(PROBE_STEP_CONSENT_REQUEST);
        if (failedStep != 0) {
            Report(failedStep, result);
        } else {
            Report(PROBE_STEP_CONSENTED);
            Percent(PROBE_PERCENT_BATCH_UPLOAD);
            Percent(PROBE_PERCENT_REQUEST);
            Report(PROBE_STEP_UPLOAD_REQUEST);
            Percent(PROBE_PERCENT_BATCH_SENT);
            Report(PROBE_STEP_COMPLETION_REQUEST);
        }
        Percent(PROBE_PERCENT_END);
        Report(PROBE_STEP_BRACKET);
        Report(PROBE_STEP_ENDED);
        Report(PROBE_STEP_RESULT, result);
        ::PostMessageA(m_pWindow->GetHwnd(), kError, kResultCategory | result, 0);
        ::PostMessageA(m_pWindow->GetHwnd(), kFinish, 0, 36);
        testsupport::DispatchQueued();
    }

    // The entries of the ring in list order.
    std::vector<std::string> Rows()
    {
        std::vector<std::string> rows;
        for (uint32_t row = 0; row < m_pWindow->GetLineCount(); ++row) {
            rows.push_back(Row(static_cast<int32_t>(row)));
        }
        return rows;
    }

    static constexpr uint32_t kResultCategory = 0x24000000;

    CBlockShareMemHolder m_oBlock;
    COwnerWindow m_oOwner;
    std::unique_ptr<CProbeLogWindow> m_pWindow;
};

// --- loading -----------------------------------------------------------------------------

TEST_F(ProbeLogTest, LoadingKeepsAMatchingHistoryAndDeletesAnyOther)
{
    struct Case {
        const char* what;
        int fileLines;    // -1: no file
        int32_t total;    // UploadTotNum
        int32_t current;  // UploadCurrNum
        uint32_t rows;    // shown
        int firstEntry;   // the entry row 0 shows, -1 for none
        bool kept;
    };
    const Case cases[] = {
        {"a full ring at 37", 100, 100, 37, 100, 37, true},
        {"99 lines counted 100", 99, 100, 37, 0, -1, false},
        {"101 lines", 101, 100, 0, 0, -1, false},
        {"5 lines at 5", 5, 5, 5, 5, 0, true},
        {"5 lines at 3", 5, 5, 3, 0, -1, false},
        {"a position past the ring", 100, 100, 500, 0, -1, false},
        {"a negative position", 100, 100, -1, 0, -1, false},
        {"no file and no count", -1, 0, 0, 0, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::DeleteFileA(LogPath(kUserA).c_str());
        const std::string log = LogOf(c.fileLines < 0 ? 0 : c.fileLines);
        StoreHistory(c.total, c.current, c.fileLines < 0 ? nullptr : &log);
        CProbeLogWindow& window = Open(false);
        EXPECT_EQ(window.GetLineCount(), c.rows);
        EXPECT_EQ(window.GetNextLine(), c.kept ? static_cast<uint32_t>(c.current) : 0u);
        if (c.firstEntry >= 0) {
            EXPECT_EQ(Row(0), EntryText(c.firstEntry));
            EXPECT_EQ(Row(static_cast<int32_t>(c.rows) - 1),
                      EntryText((c.firstEntry + static_cast<int>(c.rows) - 1) % 100));
        }
        EXPECT_EQ(Row(static_cast<int32_t>(c.rows)), "");
        EXPECT_EQ(Exists(LogPath(kUserA)), c.kept && c.fileLines >= 0);
        // The newest line is in view.
        EXPECT_EQ(window.GetScrollBar()->GetPos(), window.GetScrollBar()->GetMaxPos());
        EXPECT_EQ(window.GetScrollBar()->GetMaxPos() > 0, c.rows > 6);
        Delete();
    }
}

TEST_F(ProbeLogTest, AFullRingOverwritesItsOldestEntryAndIsWrittenBackInRingOrder)
{
    // Long old lines: the new history is shorter than the file it replaces.
    const std::string log = LogOf(100, 40);
    StoreHistory(100, 37, &log);
    Open(false);
    Report(PROBE_STEP_BRACKET);
    testsupport::DispatchQueued();
    EXPECT_EQ(m_pWindow->GetEntry(37), "");
    EXPECT_EQ(m_pWindow->GetNextLine(), 38u);
    EXPECT_EQ(m_pWindow->GetLineCount(), 100u);
    EXPECT_EQ(Row(0), EntryText(38) + std::string(40, 'x'));
    EXPECT_EQ(Row(99), "");
    Delete();

    std::vector<std::string> expected;
    for (int i = 0; i < 100; ++i) expected.push_back(i == 37 ? "" : EntryText(i) + std::string(40, 'x'));
    EXPECT_EQ(testsupport::ReadFileBytes(LogPath(kUserA)), Join(expected));
    const CLauncherSetting& setting = CLauncherSetting::GetInstance();
    EXPECT_EQ(setting.GetUploadCurrNum(), 38u);
    EXPECT_EQ(setting.GetUploadTotNum(), 100u);
}

// --- writing -----------------------------------------------------------------------------

TEST_F(ProbeLogTest, WritingReplacesTheFileWithLinesEndedByLineFeedsAlone)
{
    const std::string log = LogOf(3, 60);
    StoreHistory(3, 3, &log);
    Open(true);
    Report(PROBE_STEP_STARTED);
    testsupport::DispatchQueued();
    Delete();
    const std::string written = testsupport::ReadFileBytes(LogPath(kUserA));
    EXPECT_EQ(written, log + kStart + "\n");
    EXPECT_EQ(written.find('\r'), std::string::npos);
}

TEST_F(ProbeLogTest, AFolderInTheFilesPlaceGetsNothingAndNoLogLine)
{
    StoreHistory(0, 0, nullptr);
    ASSERT_TRUE(::CreateDirectoryA(LogPath(kUserA).c_str(), nullptr));
    testsupport::CLogCapture log;
    Open(true);
    Report(PROBE_STEP_STARTED);
    testsupport::DispatchQueued();
    Delete();
    EXPECT_TRUE(lib::PathIsDirectoryStr(LogPath(kUserA)));
    EXPECT_FALSE(log.Has("_WriteFile")) << log.Text();
    ::RemoveDirectoryA(LogPath(kUserA).c_str());
}

TEST_F(ProbeLogTest, AUserWithoutAFolderGetsOne)
{
    StoreHistory(0, 0, nullptr);
    Open(true);
    Report(PROBE_STEP_ENDED);
    testsupport::DispatchQueued();
    ASSERT_TRUE(lib::DeleteFolder(GetUserDataFolder(kUserA).c_str(), true));
    ASSERT_FALSE(Exists(LogPath(kUserA)));
    Delete();
    EXPECT_EQ(testsupport::ReadFileBytes(LogPath(kUserA)), std::string(kEnd) + "\n");
}

// --- the job's reports -------------------------------------------------------------------

TEST_F(ProbeLogTest, ASuccessfulRunAddsTenLinesAndTellsTheOwnerItsProgress)
{
    StoreHistory(0, 0, nullptr);
    Open(false);
    const long long before = MinuteNow();
    PostRun(0);
    const long long after = MinuteNow();
    const std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 10u);
    std::vector<std::string> undated;
    for (const std::string& row : rows) undated.push_back(Undated(row));
    EXPECT_EQ(undated, (std::vector<std::string>{"", kStart, kStepText[1], kStepText[2],
                                                 kStepText[4], kStepText[3], kStepText[5], "",
                                                 kEnd, kStepText[7]}));
    for (const std::string& row : rows) {
        if (row.empty() || row == kStart || row == kEnd) continue;
        const long long minute = MinuteOf(row);
        EXPECT_GE(minute, before) << row;
        EXPECT_LE(minute, after) << row;
    }
    EXPECT_EQ(m_oOwner.WParams(kProgress), (std::vector<uint32_t>{33, 66, 100}));
    for (const OwnerMessage& m : m_oOwner.Messages()) {
        if (m.uMessage == kProgress) {
            EXPECT_EQ(m.uLParam, 36u);
        }
    }
    EXPECT_TRUE(m_pWindow->IsFinished());
}

TEST_F(ProbeLogTest, AFailingStepAddsItsResultInTheProbeCategory)
{
    StoreHistory(0, 0, nullptr);
    Open(false);
    Report(PROBE_STEP_CONSENTED, 0x1234);
    testsupport::DispatchQueued();
    ASSERT_EQ(m_pWindow->GetLineCount(), 1u);
    EXPECT_GE(MinuteOf(Row(0)), 0);
    EXPECT_EQ(Undated(Row(0)), "アップロードできませんでした(24001234)");
    // A failed request step sends no progress.
    Report(PROBE_STEP_CONSENT_REQUEST, 0x200203);
    testsupport::DispatchQueued();
    EXPECT_EQ(m_oOwner.Count(kProgress), 0u);
    EXPECT_EQ(Undated(Row(1)), "アップロードできませんでした(24200203)");
}

TEST_F(ProbeLogTest, TheBarFollowsTheLargestPercentAndHidesAtZero)
{
    StoreHistory(0, 0, nullptr);
    Open(false);
    ui::CSkinWindowItemStaticImage* bar = m_pWindow->GetBarItem();
    struct Step {
        uint32_t percent;
        bool visible;
        int32_t width;
    };
    const Step steps[] = {{60, true, 168}, {30, true, 168}, {0, false, 168},
                          {10, true, 168}, {100, true, 280}, {250, true, 280}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.percent);
        Percent(step.percent);
        testsupport::DispatchQueued();
        EXPECT_EQ(bar->IsVisible(), step.visible);
        EXPECT_EQ(bar->GetRect().left, 100);
        EXPECT_EQ(bar->GetRect().Width(), step.width);
        EXPECT_EQ(bar->GetRect().top, 45);
        EXPECT_EQ(bar->GetRect().bottom, 52);
    }
}

TEST_F(ProbeLogTest, TheJobsOtherMessagesReachTheOwnerUnchanged)
{
    StoreHistory(0, 0, nullptr);
    Open(false);
    struct Case {
        UINT message;
        uint32_t wParam;
        uint32_t lParam;
        uint32_t ownerWParam;
        uint32_t ownerLParam;
    };
    const Case cases[] = {
        {WM_PROBEUPLOAD_SERVER, PROBE_SERVER_C01, 0xFFFFFFFF, PROBE_SERVER_C01, 0xFFFFFFFF},
        {WM_PROBEUPLOAD_SERVER, PROBE_SERVER_C02, 1, PROBE_SERVER_C02, 1},
        {WM_PROBEUPLOAD_NOTICE, PROBE_NOTICE_NEED_LOGIN, 0, PROBE_NOTICE_NEED_LOGIN, 0},
        {kError, 0x24200201, 87, 0x24200201, 87},
        {kFinish, 0, 36, 0, 36},
        {CProbeLogWindow::kNewNaviSdMessage, 5, 6, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        m_oOwner.Clear();
        ::PostMessageA(m_pWindow->GetHwnd(), c.message, c.wParam,
                       static_cast<LPARAM>(static_cast<int32_t>(c.lParam)));
        testsupport::DispatchQueued();
        ASSERT_EQ(m_oOwner.Messages().size(), 1u);
        EXPECT_EQ(m_oOwner.Messages()[0].uMessage, c.message);
        EXPECT_EQ(m_oOwner.Messages()[0].uWParam, c.ownerWParam);
        EXPECT_EQ(m_oOwner.Messages()[0].uLParam, c.ownerLParam);
    }
    EXPECT_EQ(m_pWindow->GetLineCount(), 0u);
}

// --- closing -----------------------------------------------------------------------------

TEST_F(ProbeLogTest, UploadModeOnlyHidesUntilTheFinishAndViewModeGoesAtOnce)
{
    StoreHistory(0, 0, nullptr);
    // Every way of closing: the close button, the system's close, the icon's double click.
    struct Way {
        const char* what;
        void (*close)(CProbeLogWindow& window);
    };
    const Way ways[] = {
        {"close button",
         [](CProbeLogWindow& w) {
             ::PostMessageA(w.GetHwnd(), WM_COMMAND,
                            MAKEWPARAM(ui::ProbeLogWindowKey::kCloseButton.m_nId, 1), 0);
         }},
        {"SC_CLOSE", [](CProbeLogWindow& w) { ::PostMessageA(w.GetHwnd(), WM_COMMAND, SC_CLOSE, 0); }},
        {"icon",
         [](CProbeLogWindow& w) {
             w.PostItemCommand(ui::ProbeLogWindowKey::kApplicationIcon.m_nId,
                               ui::ITEM_EVENT_LEFT_DBLCLK, 0);
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        CProbeLogWindow& upload = Open(false);
        upload.ShowWindow(SW_SHOWNOACTIVATE);
        m_oOwner.Clear();
        way.close(upload);
        PumpFor(100);
        EXPECT_TRUE(upload.IsWindow());
        EXPECT_FALSE(::IsWindowVisible(upload.GetHwnd()));
        EXPECT_EQ(m_oOwner.Count(kChildClosed), 0u);
        // The run goes on while hidden; after its finish the window goes.
        Report(PROBE_STEP_STARTED);
        ::PostMessageA(upload.GetHwnd(), kFinish, 0, 36);
        way.close(upload);
        EXPECT_TRUE(PumpUntil([&] { return !upload.IsWindow(); }));
        PumpFor(50);
        EXPECT_EQ(m_oOwner.Count(kChildClosed), 1u);
        EXPECT_EQ(m_oOwner.WParams(kChildClosed), std::vector<uint32_t>{7});
        Delete();
        EXPECT_EQ(testsupport::ReadFileBytes(LogPath(kUserA)), std::string(kStart) + "\n");
        StoreHistory(0, 0, nullptr);
        ::DeleteFileA(LogPath(kUserA).c_str());

        CProbeLogWindow& view = Open(true);
        m_oOwner.Clear();
        way.close(view);
        EXPECT_TRUE(PumpUntil([&] { return !view.IsWindow(); }));
        PumpFor(50);
        ASSERT_EQ(m_oOwner.Messages().size(), 1u);
        EXPECT_EQ(m_oOwner.Messages()[0].uMessage, kChildClosed);
        EXPECT_EQ(m_oOwner.Messages()[0].uWParam, 7u);
        EXPECT_EQ(m_oOwner.Messages()[0].uLParam, 0u);
        Delete();
    }
}

// What the owner's own procedure does not record: the end of the session passed on.
WNDPROC g_pfnOwnerProc = nullptr;
std::vector<LPARAM> g_vEndSessions;

LRESULT CALLBACK RecordEndSession(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENDSESSION && wParam != 0) g_vEndSessions.push_back(lParam);
    return ::CallWindowProcA(g_pfnOwnerProc, window, message, wParam, lParam);
}

TEST_F(ProbeLogTest, TheEndOfTheSessionClosesEvenARunningUpload)
{
    StoreHistory(0, 0, nullptr);
    CProbeLogWindow& upload = Open(false);
    Report(PROBE_STEP_STARTED);
    testsupport::DispatchQueued();
    m_oOwner.Clear();
    g_vEndSessions.clear();
    g_pfnOwnerProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(
        m_oOwner.Window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordEndSession)));
    upload.SendMessage(WM_ENDSESSION, TRUE, static_cast<LPARAM>(ENDSESSION_LOGOFF));
    EXPECT_FALSE(upload.IsWindow());
    PumpFor(50);
    ::SetWindowLongPtrA(m_oOwner.Window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pfnOwnerProc));
    EXPECT_EQ(m_oOwner.WParams(kChildClosed), std::vector<uint32_t>{7});
    EXPECT_EQ(g_vEndSessions, std::vector<LPARAM>{static_cast<LPARAM>(ENDSESSION_LOGOFF)});
    Delete();
    EXPECT_EQ(testsupport::ReadFileBytes(LogPath(kUserA)), std::string(kStart) + "\n");
}

TEST_F(ProbeLogTest, TheCheckBoxIsDisplayUploadTheOtherWayRound)
{
    StoreHistory(0, 0, nullptr, 0);
    CProbeLogWindow& window = Open(false);
    window.ShowWindow(SW_SHOWNOACTIVATE);
    ui::CSkinWindowItemToggleButton* box = window.GetCheckBox();
    EXPECT_EQ(box->OnMessage(ui::ITEM_MESSAGE_GET_CHECK, 0, 0), 1);
    // Clicked as the user clicks it.
    const ui::SkinRect rect = box->GetRect();
    const LPARAM at = MAKELPARAM(rect.left + 12, rect.top + 12);
    window.SendMessage(WM_MOUSEMOVE, 0, at);
    window.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    window.SendMessage(WM_LBUTTONUP, 0, at);
    testsupport::DispatchQueued();
    EXPECT_EQ(box->OnMessage(ui::ITEM_MESSAGE_GET_CHECK, 0, 0), 0);
    EXPECT_TRUE(CLauncherSetting::GetInstance().GetDisplayUpload());
    EXPECT_TRUE(window.GetDisplayUpload());
    // The settings window turns it off again; the window reads it when told.
    CLauncherSetting::GetInstance().SetDisplayUpload(false);
    window.SendMessage(CProbeLogWindow::kAutoShowMessage, 0, 0);
    EXPECT_EQ(box->OnMessage(ui::ITEM_MESSAGE_GET_CHECK, 0, 0), 1);
    Delete();
    EXPECT_FALSE(CLauncherSetting::GetInstance().GetDisplayUpload());
}

// --- the user ----------------------------------------------------------------------------

TEST_F(ProbeLogTest, AHistoryStaysWithItsUserAfterTheUserChanges)
{
    const std::string log = LogOf(5);
    StoreHistory(5, 5, &log, 1);
    // B's own record: DisplayUpload 0, two lines of history counted.
    CLauncherSettingFile b;
    b.Load(kUserB);
    b.m_iDisplayUpload = 0;
    b.m_iUploadTotNum = 2;
    b.m_iUploadCurrNum = 2;
    b.Save(kUserB);
    const std::string bSetting = testsupport::ReadFileBytes(GetUserDataFolder(kUserB) + "Setting.ini");

    CProbeLogWindow& window = Open(true);
    Report(PROBE_STEP_STARTED);
    testsupport::DispatchQueued();
    // The main window changes the user: saves A's record, publishes B, loads B's.
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    setting.Save(kUserA);
    SetCurrentUser(kUserB);
    setting.Load(kUserB);
    // A change of the PC's keys in memory, not yet saved, stays out of "Launcher.ini".
    setting.SetNickNameNo(5);
    const std::string pcSetting = testsupport::ReadFileBytes(CLauncherSettingFile::GetPcFilePath());
    window.SendMessage(CProbeLogWindow::kAutoShowMessage, 0, 0);
    EXPECT_TRUE(window.GetDisplayUpload());
    EXPECT_EQ(window.GetCheckBox()->OnMessage(ui::ITEM_MESSAGE_GET_CHECK, 0, 0), 0);
    Report(PROBE_STEP_ENDED);
    testsupport::DispatchQueued();
    Delete();

    EXPECT_EQ(testsupport::ReadFileBytes(LogPath(kUserA)), log + kStart + "\n" + kEnd + "\n");
    CLauncherSettingFile a;
    a.Load(kUserA);
    EXPECT_EQ(a.m_iUploadTotNum, 7);
    EXPECT_EQ(a.m_iUploadCurrNum, 7);
    EXPECT_EQ(a.m_iDisplayUpload, 1);
    // B's record, in memory and in its file, and B's folder are as they were.
    EXPECT_EQ(setting.GetUploadTotNum(), 2u);
    EXPECT_EQ(setting.GetUploadCurrNum(), 2u);
    EXPECT_FALSE(setting.GetDisplayUpload());
    EXPECT_EQ(testsupport::ReadFileBytes(GetUserDataFolder(kUserB) + "Setting.ini"), bSetting);
    EXPECT_FALSE(Exists(LogPath(kUserB)));
    EXPECT_EQ(testsupport::ReadFileBytes(CLauncherSettingFile::GetPcFilePath()), pcSetting);
    EXPECT_EQ(setting.GetNickNameNo(), 5);
}

TEST_F(ProbeLogTest, AHistoryGoesIntoTheRecordWhileItsUserIsCurrent)
{
    StoreHistory(0, 0, nullptr);
    Open(true);
    Report(PROBE_STEP_STARTED);
    Report(PROBE_STEP_BRACKET);
    testsupport::DispatchQueued();
    Delete();
    const CLauncherSetting& setting = CLauncherSetting::GetInstance();
    EXPECT_EQ(setting.GetUploadTotNum(), 2u);
    EXPECT_EQ(setting.GetUploadCurrNum(), 2u);
    // The record reaches the file only when the main window saves it.
    CLauncherSettingFile a;
    a.Load(kUserA);
    EXPECT_EQ(a.m_iUploadTotNum, 0);
}

// --- one real run --------------------------------------------------------------------------

TEST_F(ProbeLogTest, ARealRunOfTheUploadJobIsRecordedInOrder)
{
    CSimulatedCard card('U');
    ASSERT_TRUE(card.IsRemovable()) << "rebuild the test prefix (see tools/wine-prefix)";
    onlinetest::CStandIn standIn;
    ASSERT_TRUE(standIn.IsRunning());
    const char device[] = "DN00000000000047";
    CUserListFile users;
    ASSERT_TRUE(users.SaveWithCurrentDevice(device, kUserA, 0x0746, "UA-A/1.0", nullptr));
    const std::string data = "driving";
    ASSERT_TRUE(card.WriteFile("PROBE\\01\\ProbeData.dat",
                               CProbeBuilder()
                                   .SetDeviceNo(device)
                                   .SetCcid("0746052100000047")
                                   .SetUid("U000000047")
                                   .AddRealFile("20261210120000TRACK.BIN",
                                                std::vector<uint8_t>(data.begin(), data.end()))
                                   .Build()));
    StoreHistory(0, 0, nullptr);
    CProbeLogWindow& window = Open(false);
    CProbeUpload job;
    job.SetNotifyWindow(window.GetHwnd());
    job.SetDriveLetter(card.GetLetter());
    ASSERT_TRUE(job.StartProc());
    ASSERT_TRUE(PumpUntil([&] { return m_oOwner.Count(kFinish) == 1; }, 120000));
    PumpFor(50);

    std::vector<std::string> undated;
    for (const std::string& row : Rows()) undated.push_back(Undated(row));
    EXPECT_EQ(undated, (std::vector<std::string>{"", kStart, kStepText[1], kStepText[2],
                                                 kStepText[4], kStepText[3], kStepText[5], "",
                                                 kEnd, kStepText[7]}));
    EXPECT_EQ(m_oOwner.WParams(kError), std::vector<uint32_t>{0x24000000});
    EXPECT_EQ(m_oOwner.WParams(kProgress), (std::vector<uint32_t>{33, 66, 100}));
    EXPECT_EQ(window.GetMaxPercent(), 100u);
    EXPECT_FALSE(Exists(card.GetPath("PROBE\\01\\ProbeData.dat")));
    const std::vector<std::string> rows = Rows();
    Delete();
    EXPECT_EQ(testsupport::ReadFileBytes(LogPath(kUserA)), Join(rows));
    EXPECT_EQ(CLauncherSetting::GetInstance().GetUploadTotNum(), 10u);
    EXPECT_EQ(CLauncherSetting::GetInstance().GetUploadCurrNum(), 10u);
}

} // namespace
