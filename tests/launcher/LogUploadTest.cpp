// The log upload window against the stand-in support service (tools/standin/services/
// logupload.py), over a hidden owner window that records what the window posts it, with the
// logs in this program's private application folder. The window's own boxes (the consent
// question, a failure's message) are pressed from a thread timer inside their modal loop.

#include "launcher/LogUploadWindow.h"

#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "lib/TolveLog.h"
#include "online/AplLogUpload.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemStaticImage.h"
#include "tests/launcher/LogUploadOwner.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/online/support/ConnectionInfoForTests.h"
#include "tests/online/support/JobTestSupport.h"
#include "tests/online/support/StandIn.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <memory>
#include <string>

namespace {

const bool g_privateAppData = testsupport::UsePrivateAppData("launcher_logupload_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("launcher_logupload_test"));

using launchertest::CBoxPresser;
using launchertest::COwnerWindow;
using launchertest::PumpUntil;
using onlinetest::CAnswer;
using onlinetest::CReleaseWhenLogged;
using onlinetest::CStandIn;
using onlinetest::Hex;
using testsupport::CLogCapture;
namespace key = ui::LogUploadWindowKey;

const UINT WM_LAUNCHER_LOGUPLOAD_DONE = WM_APP + 7;
const char kCheckPath[] = "/pcapp/LogUploadCheckAPI";
const char kUploadPath[] = "/pcapp/LogUploadAPI";
const uint32_t kCcid = 0xABCD0123;
const char kDeviceNo[] = "D0001234";
const char kUserAgent[] = "0EFerroxPA/2.000010";
const char kBoxLine[] = "ShowMessageBox owner:";
const char kConsent[] =
    "ケストラム４のエラー情報、およびお客様の\r\nパソコン環境をハルヴォーン株式会社へ送信"
    "します。\r\n\r\nエラー情報　：ケストラム４が作成したエラー情報\r\nパソコン環境：OSの種"
    "類、バージョン/CPU/メモリ容量\r\n\r\n情報をアップロードして宜しいでしょうか。";
const char kUploadWaitEnded[] = "ログアップロード通信完了";

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

class LogUploadWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_privateAppData);
        ASSERT_TRUE(m_oStandIn.IsRunning());
        static const bool pointed = onlinetest::WriteConnectionInfo(m_oStandIn.BaseUrl());
        ASSERT_TRUE(pointed);
        ASSERT_TRUE(m_oStandIn.SetVars("{\"log_upload_wanted\": [\"" + std::string(kDeviceNo) +
                                       "\"]}"));
        ASSERT_NE(nullptr, m_oOwner.Window());
        WriteFile(lib::GetLogFolder() + "20240131.log", "2024/01/31 10:00:00:000\t..\tX\r\n");
    }
    void TearDown() override
    {
        m_pWindow.reset();
        CAplLogUpload::SetDeleteWait(APLLOG_DELETE_WAIT_MS);
        EXPECT_TRUE(CAplLogUpload::DeleteInstance());
        EXPECT_TRUE(m_oErrors.Messages().empty());
    }

    // Creates the window as the main window does; the boxes it asks are pressed with press.
    void Start()
    {
        m_pWindow.reset(new ui::CLogUploadWindow(m_oOwner.Window()));
        m_pWindow->SetLogUploadInfo(kDeviceNo, kCcid, kUserAgent);
        ASSERT_TRUE(m_pWindow->Create(m_oOwner.Window()));
    }
    // Until the window is gone, and what it posted on its way has been handled.
    bool WaitClosed(DWORD timeoutMs = 60000)
    {
        const bool closed = PumpUntil([this] { return !m_pWindow->IsWindow(); }, timeoutMs);
        testsupport::DispatchQueued();
        return closed;
    }
    size_t UploadRequests() const
    {
        size_t count = 0;
        for (const onlinetest::RecordedRequest& r : m_oStandIn.Requests()) {
            count += r.sPath == kUploadPath ? 1 : 0;
        }
        return count;
    }
    // Presses Yes on the consent question and waits for the upload request to arrive.
    void ConsentAndWaitForUpload()
    {
        CBoxPresser press(kConsent, IDYES);
        ASSERT_TRUE(PumpUntil([&] { return press.Pressed(); })) << "no consent box";
        ASSERT_TRUE(PumpUntil([this] { return UploadRequests() == 1; }));
    }

    skintest::CSkinErrorCollector m_oErrors;
    CStandIn m_oStandIn;
    COwnerWindow m_oOwner;
    std::unique_ptr<ui::CLogUploadWindow> m_pWindow;
};

TEST(LogUploadWindow, SetLogUploadInfoLogsTheFirstBadValue)
{
    const struct {
        const char* deviceNo;
        uint32_t ccid;
        const char* userAgent;
        const char* logged;
    } kCases[] = {
        {nullptr, 0, nullptr, "DwvicwNo指定不正"},
        {"", kCcid, kUserAgent, "DwvicwNo指定不正"},
        {kDeviceNo, 0, "", "UserAgent指定不正"},
        {kDeviceNo, 0, nullptr, "UserAgent指定不正"},
        {kDeviceNo, 0, kUserAgent, "CCID指定不正"},
    };
    for (const auto& c : kCases) {
        ui::CLogUploadWindow window(nullptr);
        CLogCapture log;
        window.SetLogUploadInfo(c.deviceNo, c.ccid, c.userAgent);
        EXPECT_TRUE(log.HasLine("!!", "LogUploadWindow.cpp",
                                std::string("CLogUploadWindow::SetLogUploadInfo - ") + c.logged))
            << c.logged << "\n" << log.Text();
        EXPECT_EQ(1u, log.Count("CLogUploadWindow::SetLogUploadInfo")) << c.logged;
    }
}

TEST_F(LogUploadWindowTest, ARefusedOrFailedPermissionClosesWithoutABox)
{
    const struct {
        const char* name;
        bool wanted;
        int status;     // 0: the service answers
        uint32_t result;
    } kCases[] = {
        {"not wanted", false, 0, 0x27000001},
        {"transport failure", true, 500, 0x27000000 | APLLOG_RESULT_TRANSPORT | 500},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_oStandIn.Reset());
        ASSERT_TRUE(m_oStandIn.SetVars(std::string("{\"log_upload_wanted\": [") +
                                       (c.wanted ? "\"D0001234\"" : "") + "]}"));
        if (c.status != 0) {
            ASSERT_TRUE(m_oStandIn.Queue(kCheckPath, CAnswer().Status(c.status)));
        }
        m_oOwner.Clear();
        CLogCapture log;
        Start();
        ASSERT_TRUE(WaitClosed());
        launchertest::PumpFor(100);
        EXPECT_EQ(0u, log.Count(kBoxLine));
        EXPECT_EQ(1u, m_oOwner.Count(WM_LAUNCHER_LOGUPLOAD_DONE));
        EXPECT_EQ(0u, UploadRequests());
        EXPECT_EQ(Hex(c.result), Hex(m_pWindow->GetResult()));
    }
}

TEST_F(LogUploadWindowTest, NoToTheConsentClosesWithoutUpload)
{
    CBoxPresser press(kConsent, IDNO);
    Start();
    ASSERT_TRUE(WaitClosed());
    EXPECT_TRUE(press.Pressed());
    EXPECT_EQ(static_cast<uint32_t>(MB_YESNO), press.Box().uStyle);
    EXPECT_EQ(1u, m_oOwner.Count(WM_LAUNCHER_LOGUPLOAD_DONE));
    launchertest::PumpFor(200);
    EXPECT_EQ(0u, UploadRequests());
}

TEST_F(LogUploadWindowTest, AnAcceptedUploadRunsTheBarToTheEndAndShowsNoBox)
{
    CLogCapture log;
    Start();
    ConsentAndWaitForUpload();
    // The bar runs to 100 once the worker reported, then gives way to the outcome line.
    int32_t barAtHundred = -1;
    ASSERT_TRUE(PumpUntil([&] {
        if (m_pWindow->GetPercent() == 100 && barAtHundred < 0) {
            barAtHundred = m_pWindow->GetBarItem()->GetSize().cx;
        }
        return m_pWindow->GetTextItem()->GetText() == "ログアップロードが完了しました。";
    }));
    EXPECT_EQ(280, barAtHundred);
    EXPECT_TRUE(m_pWindow->IsFinished());
    EXPECT_EQ(0u, m_pWindow->GetResult());
    EXPECT_EQ("OK", m_pWindow->GetCancelButton()->GetText());
    EXPECT_FALSE(m_pWindow->GetBarItem()->IsVisible());
    EXPECT_FALSE(m_pWindow->GetTrackItem()->IsVisible());
    EXPECT_EQ("", m_pWindow->GetPercentItem()->GetText());
    EXPECT_EQ(1u, log.Count(kBoxLine)) << "only the consent question";
    EXPECT_EQ(0u, m_oOwner.Count(WM_LAUNCHER_LOGUPLOAD_DONE));
    EXPECT_FALSE(lib::PathFileExistsStr(lib::GetLogFolder() + "20240131.log"));

    // "OK" closes it.
    m_pWindow->PostMessage(WM_COMMAND, MAKEWPARAM(key::kCancelButton.m_nId, 1), 0);
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(1u, m_oOwner.Count(WM_LAUNCHER_LOGUPLOAD_DONE));
}

TEST_F(LogUploadWindowTest, AnUploadReplyErrorShowsItsMessageThenTheFailureLine)
{
    ASSERT_TRUE(m_oStandIn.Queue(kUploadPath, CAnswer().Text("RET=5")));
    CLogCapture log;
    Start();
    ConsentAndWaitForUpload();
    {
        CBoxPresser press("", IDOK);
        ASSERT_TRUE(PumpUntil([&] { return press.Pressed(); })) << log.Text();
        EXPECT_EQ(static_cast<uint32_t>(MB_ICONWARNING), press.Box().uStyle);
    }
    const uint32_t result = m_pWindow->GetResult();
    EXPECT_EQ(Hex(0x27000000 | APLLOG_RESULT_UPLOAD_REPLY), Hex(result & 0xFF200200))
        << "bits 21 and 9 with the category";
    EXPECT_TRUE(log.Has("通信による認証ができませんでした。")) << log.Text();
    EXPECT_TRUE(log.Has("(メッセージコード：272002")) << log.Text();
    ASSERT_TRUE(PumpUntil([this] {
        return m_pWindow->GetTextItem()->GetText() == "ログアップロードに失敗しました。";
    }));
    EXPECT_EQ("OK", m_pWindow->GetCancelButton()->GetText());
    EXPECT_TRUE(lib::PathFileExistsStr(lib::GetLogFolder() + "20240131.log"));
}

TEST_F(LogUploadWindowTest, TheBarWaitsAt95UntilTheWorkerReports)
{
    ASSERT_TRUE(m_oStandIn.Queue(kUploadPath, CAnswer().Service().Hold("held")));
    Start();
    ConsentAndWaitForUpload();
    for (int i = 0; i < 120; ++i) {
        m_pWindow->PostMessage(WM_TIMER, ui::CLogUploadWindow::kProgressTimer, 0);
    }
    launchertest::PumpFor(300);
    EXPECT_EQ(95u, m_pWindow->GetPercent());
    EXPECT_EQ(266, m_pWindow->GetBarItem()->GetSize().cx);
    EXPECT_EQ("95%", m_pWindow->GetPercentItem()->GetText());
    EXPECT_FALSE(m_pWindow->IsFinished());

    ASSERT_TRUE(m_oStandIn.Release("held"));
    ASSERT_TRUE(PumpUntil([this] {
        return m_pWindow->GetTextItem()->GetText() == "ログアップロードが完了しました。";
    }));
}

TEST_F(LogUploadWindowTest, CancelDuringTheUploadWaitsForTheWorkerBeforeFreeing)
{
    ASSERT_TRUE(m_oStandIn.Queue(kUploadPath, CAnswer().Service().Hold("held")));
    Start();
    ConsentAndWaitForUpload();
    const std::string work = CAplLogUpload::GetInstance()->GetWorkFolder();
    CLogCapture log;
    {
        CReleaseWhenLogged release(m_oStandIn, "held", kUploadWaitEnded);
        m_pWindow->PostMessage(WM_COMMAND, MAKEWPARAM(key::kCancelButton.m_nId, 1), 0);
        ASSERT_TRUE(WaitClosed());
    }
    EXPECT_EQ(1u, m_oOwner.Count(WM_LAUNCHER_LOGUPLOAD_DONE));
    // The worker had ended, cleaned up and logged its cancel before the instance went.
    EXPECT_TRUE(log.Has("ログアップロード時のユーザキャンセル")) << log.Text();
    EXPECT_FALSE(log.Has("処理中スレッド生存のため解放せず"));
    EXPECT_FALSE(work.empty());
    EXPECT_FALSE(lib::PathFileExistsStr(work));
    EXPECT_TRUE(lib::PathFileExistsStr(lib::GetLogFolder() + "20240131.log"));
}

TEST_F(LogUploadWindowTest, AWorkerThatOutlivesTheWaitKeepsItsInstanceAndTheWindowCloses)
{
    ASSERT_TRUE(m_oStandIn.Queue(kUploadPath, CAnswer().Service().Hold("held")));
    Start();
    ConsentAndWaitForUpload();
    CAplLogUpload* instance = CAplLogUpload::GetInstance();
    CAplLogUpload::SetDeleteWait(0);
    {
        CReleaseWhenLogged release(m_oStandIn, "held", kUploadWaitEnded);
        CLogCapture log;
        m_pWindow->PostMessage(WM_COMMAND, MAKEWPARAM(key::kCancelButton.m_nId, 1), 0);
        ASSERT_TRUE(WaitClosed());
        EXPECT_TRUE(log.Has("処理中スレッド生存のため解放せず")) << log.Text();
        EXPECT_EQ(1u, log.Count("処理中スレッド生存のため解放せず")) << "not again at destroy";
        EXPECT_EQ(instance, CAplLogUpload::GetInstance());
    }
    EXPECT_EQ(1u, m_oOwner.Count(WM_LAUNCHER_LOGUPLOAD_DONE));
    // The worker's late result goes to a window that is gone.
    launchertest::PumpFor(200);
}

TEST_F(LogUploadWindowTest, AStartRefusedWhileAnEarlierWorkerRunsClosesAsAFailedCheck)
{
    // The first window's permission check outlives its window.
    ASSERT_TRUE(m_oStandIn.Queue(kCheckPath, CAnswer().Service().Hold("held")));
    Start();
    ASSERT_EQ(m_oStandIn.WaitForRequests(1, 60000), 1u);
    CAplLogUpload::SetDeleteWait(0);
    m_pWindow->PostMessage(WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitClosed());
    CAplLogUpload::SetDeleteWait(APLLOG_DELETE_WAIT_MS);

    // The next window's check is refused: it ends as after a failed check, not hidden for
    // ever.
    m_oOwner.Clear();
    CLogCapture log;
    CReleaseWhenLogged release(m_oStandIn, "held", "開始要求時の処理中エラー直前スレッド生存");
    Start();
    ASSERT_TRUE(WaitClosed());
    EXPECT_TRUE(release.SawText());
    EXPECT_EQ(1u, m_oOwner.Count(WM_LAUNCHER_LOGUPLOAD_DONE));
    EXPECT_EQ(0u, log.Count(kBoxLine));
    EXPECT_EQ(Hex(0x27000000 | APLLOG_RESULT_THREAD), Hex(m_pWindow->GetResult()));
}

} // namespace
