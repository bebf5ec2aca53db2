// The package downloads: the version-up service's packages (tools/standin/services/
// versionup.py, the generated pattern of a given size, always with its Content-Length)
// fetched into the private "Download\" folder, the file names a URL may give, failures and
// stops, and the controller's slots.

#include "online/DownLoadCtrl.h"
#include "online/DownLoadWorker.h"

#include "lib/AppFolder.h"
#include "lib/Handle.h"
#include "tests/online/VersionUpTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using onlinetest::CAnswer;
using onlinetest::CapturedMessage;
using onlinetest::CStandIn;
using onlinetest::PatternBytes;
using testsupport::ReadFileBytes;
using namespace versionuptest;

std::string DownloadPath(const std::string& name) { return lib::GetDownloadFolder() + name; }

// Waits until the worker's thread has ended (its state goes idle only then, or at a stop).
bool WaitIdle(CDownLoadWorker& worker, DWORD timeoutMs = 30000)
{
    const DWORD start = GetTickCount();
    while (worker.GetState() != DOWNLOAD_STATE_IDLE) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

class CPackageTest : public CVersionUpTest {
protected:

    // The service's values: packages by name and size, and the modules' package names.
    bool SetPackages(const std::string& packagesJson, const std::string& modulesJson)
    {
        return m_standIn.SetVars("{\"packages\": " + packagesJson +
                                 ", \"versionup\": {\"ret\": 0, \"modules\": " + modulesJson +
                                 "}}");
    }

    // A controller whose version request has read the service's reply.
    void CheckVersions(CDownLoadCtrl& ctrl)
    {
        const std::vector<CapturedMessage> messages = RunVersionCheck(ctrl);
        ASSERT_EQ(1u, messages.size()) << DescribeMessages(messages);
        ASSERT_EQ(0u, messages[0].uLParam);
    }

    // Pumps the progress messages until they have counted `total` bytes; checks that every
    // one announced the total, and that the file is whole when the last one arrives.
    void ExpectProgressToTheWholeFile(uint64_t total, const std::string& path)
    {
        uint64_t counted = 0;
        for (size_t n = 1; counted < total; ++n) {
            ASSERT_TRUE(m_capture.WaitFor(kLauncherProgress, n)) << counted;
            const CapturedMessage message = m_capture.Of(kLauncherProgress)[n - 1];
            EXPECT_EQ(total, message.uWParam);
            counted += message.uLParam;
        }
        EXPECT_EQ(total, counted);
        EXPECT_EQ(PatternBytes(static_cast<size_t>(total)), ReadFileBytes(path));
    }

    std::string PackageUrl(const std::string& name) const
    {
        return m_standIn.Url("/packages/" + name);
    }
};

const uint32_t kTotal = 250000;

} // namespace

TEST_F(CPackageTest, PackageByteForByteReplacingAStaleFile)
{
    ASSERT_TRUE(SetPackages(
        "{\"LauncherSetup.exe\": 250000}",
        "{\"LC\": {\"version\": \"4.1.18\", \"package\": \"LauncherSetup.exe\"}}"));
    const std::string path = DownloadPath("LauncherSetup.exe");
    {
        lib::CHandle stale(
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        const std::string junk(300000, 'S');
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(stale.Get(), junk.data(), static_cast<DWORD>(junk.size()), &written,
                              nullptr));
    }
    CDownLoadCtrl ctrl;
    CheckVersions(ctrl);
    EXPECT_EQ(PackageUrl("LauncherSetup.exe"), ctrl.GetPackageURL(1));
    // The progress window is set before the server answers.
    ASSERT_TRUE(m_standIn.Queue("/packages/LauncherSetup.exe", CAnswer().Service().Hold("go")));

    ASSERT_TRUE(ctrl.StartDownload(1));
    CDownLoadWorker* worker = nullptr;
    ASSERT_TRUE(ctrl.GetDownLoadWorker(1, worker));
    EXPECT_TRUE(worker->SetNotifyWindow(m_capture.Window(), kLauncherProgress));
    ASSERT_TRUE(m_standIn.Release("go"));
    ExpectProgressToTheWholeFile(kTotal, path);
    ASSERT_TRUE(WaitIdle(*worker));

    EXPECT_EQ(path, ctrl.GetDownloadFilePath(1));
    EXPECT_EQ(0u, m_capture.Count(kDownloadError));
    const std::vector<onlinetest::RecordedRequest> requests = m_standIn.Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("GET", requests[1].sMethod);
    EXPECT_EQ("/packages/LauncherSetup.exe", requests[1].sPath);
    EXPECT_EQ("12FerroxPA/2.000000", requests[1].Header("User-Agent"));
}

TEST(PackageFileName, LastSegmentOfThePathOnly)
{
    struct Case {
        const char* url;
        const char* name; // "" refused
    } cases[] = {
        {"http://h.example/p/Setup.msi", "Setup.msi"},
        {"https://h.example:8443/a/b/c/Tool_2.0.1.exe", "Tool_2.0.1.exe"},
        // Query and fragment are no part of the name, whatever "/" they hold.
        {"http://h.example/p/Setup.msi?token=a/b&x=1", "Setup.msi"},
        {"http://h.example/p/Setup.msi#part/2", "Setup.msi"},
        {"http://h.example/p/Setup.msi?", "Setup.msi"},
        // Percent escapes stay as they are; a double-byte name whose trail byte is 0x5C.
        {"http://h.example/p/New%20Setup.msi", "New%20Setup.msi"},
        {"http://h.example/p/\x95\x5C.msi", "\x95\x5C.msi"},
        {"Setup.msi", ""},
        {"http://h.example", ""},
        {"http://h.example/", ""},
        {"http://h.example/p/", ""},
        {"http://h.example/p/?name=Setup.msi", ""},
        {"http://h.example/p/.", ""},
        {"http://h.example/p/..", ""},
        {"http://h.example/p/Setup.", ""},
        {"http://h.example/p/Setup ", ""},
        {"http://h.example/p/a:b.msi", ""},
        {"http://h.example/p/a*b.msi", ""},
        {"http://h.example/p/a\"b.msi", ""},
        {"http://h.example/p/a<b.msi", ""},
        {"http://h.example/p/a>b.msi", ""},
        {"http://h.example/p/a|b.msi", ""},
        {"http://h.example/p/a\\b.msi", ""},
        {"http://h.example/p/a\x01" "b.msi", ""},
        {"http://h.example/p/a\tb.msi", ""},
        {"http://h.example/p/CON", ""},
        {"http://h.example/p/con.msi", ""},
        {"http://h.example/p/Aux.tar.gz", ""},
        {"http://h.example/p/COM1.exe", ""},
        {"http://h.example/p/LPT9", ""},
        {"http://h.example/p/NUL .msi", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.name, CDownLoadWorker::PackageFileName(c.url)) << c.url;
    }
}

TEST_F(CPackageTest, RefusedNamesFailWithoutRequestAndKeepNoPath)
{
    ASSERT_TRUE(SetPackages("{\"Setup.msi\": 5000}", "{}"));
    struct Case {
        std::string url;
        const char* name; // the file kept; "" for a refused name
    } cases[] = {
        {"Setup.msi", ""},
        {m_standIn.BaseUrl().substr(0, m_standIn.BaseUrl().find("/s/")), ""},
        {PackageUrl("CON.msi"), ""},
        {PackageUrl("Setup."), ""},
        {PackageUrl("a|b.msi"), ""},
        {PackageUrl("Setup.msi?token=1/2"), "Setup.msi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        m_capture.Clear();
        DeleteFileA(DownloadPath("Setup.msi").c_str());
        CDownLoadWorker worker(m_capture.Window());
        ASSERT_TRUE(worker.Start(c.url));
        ASSERT_TRUE(WaitIdle(worker));
        m_capture.PumpFor(50);
        std::string path;
        if (c.name[0] == '\0') {
            EXPECT_EQ(1u, m_capture.Count(kDownloadError));
            EXPECT_FALSE(worker.GetFilePath(path));
        } else {
            EXPECT_EQ(0u, m_capture.Count(kDownloadError));
            ASSERT_TRUE(worker.GetFilePath(path));
            EXPECT_EQ(DownloadPath(c.name), path);
            EXPECT_EQ(PatternBytes(5000), ReadFileBytes(path));
        }
        EXPECT_EQ(c.url, worker.GetURL());
    }
    // Only the accepted name reached the server.
    const std::vector<onlinetest::RecordedRequest> requests = m_standIn.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("token=1/2", requests[0].sQuery);
}

TEST_F(CPackageTest, FailedDownloadsLeaveNoFile)
{
    const char packages[] = "{\"Empty.msi\": 0, \"Cut.msi\": 200000, \"Held.msi\": 1000}";
    struct Case {
        const char* name;
        const char* package;
        bool cut;           // the body ends before its Content-Length
        bool holdOldFile;   // an old file of that name cannot be deleted
    } cases[] = {
        {"empty package", "Empty.msi", false, false},
        {"404", "Missing.msi", false, false},
        {"cut body", "Cut.msi", true, false},
        {"old file held open", "Held.msi", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        ASSERT_TRUE(m_standIn.Reset());
        ASSERT_TRUE(SetPackages(packages, "{}"));
        if (c.cut) {
            ASSERT_TRUE(m_standIn.Queue(std::string("/packages/") + c.package,
                                        CAnswer().Service().SendOnly(120000)));
        }
        const std::string path = DownloadPath(c.package);
        DeleteFileA(path.c_str());
        lib::CHandle held;
        if (c.holdOldFile) {
            *held.Out() = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, 0, nullptr);
            ASSERT_TRUE(held.IsValid());
        }
        CDownLoadWorker worker(m_capture.Window());
        ASSERT_TRUE(worker.Start(PackageUrl(c.package)));
        ASSERT_TRUE(m_capture.WaitFor(kDownloadError));
        ASSERT_TRUE(WaitIdle(worker));
        const std::vector<CapturedMessage> errors = m_capture.Of(kDownloadError);
        ASSERT_EQ(1u, errors.size());
        EXPECT_EQ(0u, errors[0].uWParam);
        EXPECT_EQ(0u, errors[0].uLParam);
        if (c.holdOldFile) {
            // The old file stays as it was, and nothing was asked of the server.
            EXPECT_EQ(0u, m_standIn.Requests().size());
            held.Close();
            EXPECT_TRUE(lib::PathFileExistsStr(path));
            DeleteFileA(path.c_str());
        } else {
            EXPECT_EQ(1u, m_standIn.Requests().size());
            EXPECT_FALSE(lib::PathFileExistsStr(path));
        }
    }
}

TEST_F(CPackageTest, ControllerSlots)
{
    CDownLoadCtrl ctrl;
    const char reply[] = "RET=0&LCVER=4.1.18&LCURL=&DGVER=&DGURL=&MDVER=&MDURL=&PMVER=&PMURL=";
    ASSERT_TRUE(ctrl.ParseURLData(reply, sizeof(reply) - 1));
    CDownLoadWorker* worker = nullptr;
    for (uint32_t slot : {0u, 5u, 6u}) {
        EXPECT_FALSE(ctrl.StartDownload(slot)) << slot;
        EXPECT_FALSE(ctrl.GetDownLoadWorker(slot, worker)) << slot;
        EXPECT_EQ("", ctrl.GetDownloadFilePath(slot)) << slot;
    }
    for (uint32_t slot = 1; slot <= VERUP_MODULE_COUNT; ++slot) {
        EXPECT_FALSE(ctrl.GetDownLoadWorker(slot, worker)) << slot;
    }
    // No package URL: the slot holds an idle worker that never started.
    EXPECT_FALSE(ctrl.StartDownload(1));
    ASSERT_TRUE(ctrl.GetDownLoadWorker(1, worker));
    EXPECT_EQ(DOWNLOAD_STATE_IDLE, worker->GetState());
    EXPECT_EQ("", ctrl.GetDownloadFilePath(1));
    EXPECT_TRUE(ctrl.StopAll());
    EXPECT_FALSE(ctrl.GetDownLoadWorker(1, worker));
}

TEST_F(CPackageTest, StartOnlyWhileIdleAndStopDuringTheTransfer)
{
    // A package that keeps coming: the download is running whenever the test looks.
    ASSERT_TRUE(m_standIn.Queue("/packages/Slow.msi", onlinetest::TrickleWithoutEnd()));
    const std::string path = DownloadPath("Slow.msi");
    CDownLoadWorker worker(m_capture.Window());
    worker.SetNotifyWindow(m_capture.Window(), kLauncherProgress);
    ASSERT_TRUE(worker.Start(PackageUrl("Slow.msi")));
    EXPECT_FALSE(worker.Start(PackageUrl("Slow.msi")));
    ASSERT_TRUE(m_capture.WaitFor(kLauncherProgress));
    EXPECT_EQ(DOWNLOAD_STATE_DOWNLOADING, worker.GetState());
    EXPECT_FALSE(worker.Start(PackageUrl("Slow.msi")));

    // The request ends itself at its next piece, well within the wait: nothing terminated.
    EXPECT_TRUE(worker.Stop(DOWNLOAD_ABORT_WAIT_MS));
    EXPECT_EQ(DOWNLOAD_STATE_IDLE, worker.GetState());
    // Its thread has ended: a notice of it would be queued already.
    m_capture.PumpFor(100);
    EXPECT_EQ(0u, m_capture.Count(kDownloadError));
    EXPECT_FALSE(lib::PathFileExistsStr(path));
    // Stopped and idle, it starts again.
    ASSERT_TRUE(m_standIn.Reset());
    ASSERT_TRUE(SetPackages("{\"Slow.msi\": 3000}", "{}"));
    ASSERT_TRUE(worker.Start(PackageUrl("Slow.msi")));
    ASSERT_TRUE(WaitIdle(worker));
    EXPECT_EQ(PatternBytes(3000), ReadFileBytes(path));
}

TEST_F(CPackageTest, StopDuringAStalledDownload)
{
    struct Case {
        const char* name;
        DWORD stopWaitMs;
        bool released; // the rest of the body goes once the worker has seen the stop
    } cases[] = {
        {"ends within the wait", DOWNLOAD_ABORT_WAIT_MS, true},
        {"terminated after a short wait", 300, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        ASSERT_TRUE(m_standIn.Reset()); // also ends the last case's stall
        ASSERT_TRUE(SetPackages("{\"Stall.msi\": 400000}", "{}"));
        // Begun, and unable to finish until the gate opens.
        ASSERT_TRUE(m_standIn.Queue("/packages/Stall.msi",
                                    CAnswer().Service().StallUntil(250000, "rest")));
        std::unique_ptr<CDownLoadWorker> worker(new CDownLoadWorker(m_capture.Window()));
        worker->SetNotifyWindow(m_capture.Window(), kLauncherProgress);
        ASSERT_TRUE(worker->Start(PackageUrl("Stall.msi")));
        ASSERT_TRUE(m_capture.WaitFor(kLauncherProgress));

        bool ended = false;
        if (c.released) {
            onlinetest::CReleaseWhenLogged release(m_standIn, "rest", kDownloadStopped);
            ended = worker->Stop(c.stopWaitMs);
            EXPECT_TRUE(release.SawText());
        } else {
            ended = worker->Stop(c.stopWaitMs);
        }
        EXPECT_EQ(DOWNLOAD_STATE_IDLE, worker->GetState());
        if (c.released) {
            EXPECT_TRUE(ended);
        } else if (testsupport::UnderWine()) {
            // Wine-only: a blocked WinHTTP read outlasts the short wait, so the thread is
            // terminated (Windows ends the read when the request handle is closed).
            EXPECT_FALSE(ended);
        }
        worker.reset(); // nothing of it may run on
        m_capture.PumpFor(100);
        EXPECT_EQ(0u, m_capture.Count(kDownloadError));
        EXPECT_FALSE(lib::PathFileExistsStr(DownloadPath("Stall.msi")));
    }
}

TEST_F(CPackageTest, TwoWorkersOneStoppedTheOtherCompleting)
{
    ASSERT_TRUE(SetPackages("{\"Mendrill.msi\": 300000, \"Pellick.msi\": 120000}",
                            "{\"MD\": {\"version\": \"9.0.0\", \"package\": \"Mendrill.msi\"},"
                            " \"PM\": {\"version\": \"9.0.0\", \"package\": \"Pellick.msi\"}}"));
    CDownLoadCtrl ctrl;
    CheckVersions(ctrl);
    ASSERT_TRUE(m_standIn.Queue("/packages/Mendrill.msi",
                                CAnswer().Service().StallUntil(150000, "mendrill")));
    ASSERT_TRUE(m_standIn.Queue("/packages/Pellick.msi", CAnswer().Service().Hold("pellick")));
    ASSERT_TRUE(ctrl.StartDownload(4));
    ASSERT_TRUE(ctrl.StartDownload(3));
    CDownLoadWorker* mendrill = nullptr;
    CDownLoadWorker* pellick = nullptr;
    ASSERT_TRUE(ctrl.GetDownLoadWorker(3, mendrill));
    ASSERT_TRUE(ctrl.GetDownLoadWorker(4, pellick));
    pellick->SetNotifyWindow(m_capture.Window(), kLauncherProgress);
    ASSERT_EQ(3u, m_standIn.WaitForRequests(3));

    // Each worker has its own abort event: this stop reaches the Mendrill download only (its
    // stalled rest goes once it has seen the stop).
    {
        onlinetest::CReleaseWhenLogged release(m_standIn, "mendrill", kDownloadStopped);
        EXPECT_TRUE(mendrill->Stop(DOWNLOAD_ABORT_WAIT_MS));
        EXPECT_TRUE(release.SawText());
    }
    EXPECT_EQ(DOWNLOAD_STATE_DOWNLOADING, pellick->GetState());
    ASSERT_TRUE(m_standIn.Release("pellick"));
    ExpectProgressToTheWholeFile(120000, DownloadPath("Pellick.msi"));
    ASSERT_TRUE(WaitIdle(*pellick));
    EXPECT_EQ(DownloadPath("Pellick.msi"), ctrl.GetDownloadFilePath(4));
    EXPECT_FALSE(lib::PathFileExistsStr(DownloadPath("Mendrill.msi")));
    EXPECT_EQ(0u, m_capture.Count(kDownloadError));
}

TEST_F(CPackageTest, StartDownloadTwiceOnOneSlotEndsTheFirst)
{
    ASSERT_TRUE(SetPackages(
        "{\"DapplegateSetup.msi\": 200000}",
        "{\"DG\": {\"version\": \"9.0.0\", \"package\": \"DapplegateSetup.msi\"}}"));
    CDownLoadCtrl ctrl;
    CheckVersions(ctrl);
    // The first request gets other bytes, once its worker has seen the stop (under Wine its
    // blocked request ends only when the answer comes).
    ASSERT_TRUE(m_standIn.Queue("/packages/DapplegateSetup.msi",
                                CAnswer().Text(std::string(5000, 'O')).Hold("first")));
    ASSERT_TRUE(ctrl.StartDownload(2));
    ASSERT_EQ(2u, m_standIn.WaitForRequests(2));
    {
        onlinetest::CReleaseWhenLogged release(m_standIn, "first", kDownloadStopped);
        ASSERT_TRUE(ctrl.StartDownload(2));
        EXPECT_TRUE(release.SawText());
    }
    // The first worker and its thread ended before the second began: the first answer is
    // out, and nothing of it may write over the second's file.
    CDownLoadWorker* second = nullptr;
    ASSERT_TRUE(ctrl.GetDownLoadWorker(2, second));
    ASSERT_TRUE(WaitIdle(*second));
    const std::string path = DownloadPath("DapplegateSetup.msi");
    EXPECT_EQ(path, ctrl.GetDownloadFilePath(2));
    EXPECT_EQ(PatternBytes(200000), ReadFileBytes(path));
    // The first worker was stopped: no notice (it would be queued by now).
    m_capture.PumpFor(100);
    EXPECT_EQ(0u, m_capture.Count(kDownloadError));
}
