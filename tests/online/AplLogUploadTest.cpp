// The application log upload against the stand-in support service (tools/standin/services/
// logupload.py), with the Log and TemporaryFile folders in this program's private
// application folder. The results go to a message-only window on the test's thread
// (tests/online/support/MessageCapture.h); the service keeps each uploaded archive in a
// folder of the private root, and the host's Python opens it (tests/carddata/HostShell.h).

#include "online/AplLogUpload.h"

#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "online/PcInfo.h"
#include "tests/carddata/HostShell.h"
#include "tests/online/support/ConnectionInfoForTests.h"
#include "tests/online/support/JobTestSupport.h"
#include "tests/online/support/MessageCapture.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <windows.h>

#include <atomic>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const bool g_privateAppData = testsupport::UsePrivateAppData("online_logupload_test");

using onlinetest::CAnswer;
using onlinetest::CMessageCapture;
using onlinetest::CReleaseWhenLogged;
using onlinetest::CStandIn;
using onlinetest::Hex;
using onlinetest::RecordedRequest;
using testsupport::CLogCapture;

const char kSource[] = "AplLogUpload.cpp";
const char kCheckPath[] = "/pcapp/LogUploadCheckAPI";
const char kUploadPath[] = "/pcapp/LogUploadAPI";

const uint32_t kCcidHead = 0xABCD0123; // "0291ABCD" on the wire
const char kDeviceNo[] = "D0001234";
const char kUserAgent[] = "0EFerroxPA/2.000010";

// The worker's lines right after its wait for the request ended.
const char kCheckWaitEnded[] = "ログアップロード許可確認通信完了";
const char kUploadWaitEnded[] = "ログアップロード通信完了";

std::string LogFolder() { return lib::GetLogFolder(); }

std::string KeptFolder() { return testsupport::PrivateRoot() + "kept\\"; }

// A log of `size` bytes of text lines (compressible, like a real log).
std::string LogText(size_t size, char mark = 'a')
{
    std::string text;
    text.reserve(size);
    for (int line = 0; text.size() < size; ++line) {
        text += lib::FormatString("2024/01/31 10:00:00:000\t..\tX.cpp\t%d\t%c\r\n", line, mark);
    }
    text.resize(size);
    return text;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void AppendFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The names in a folder (files and folders), without "." and "..".
std::set<std::string> Names(const std::string& folder)
{
    std::set<std::string> names;
    std::vector<WIN32_FIND_DATAA> found;
    lib::FindFiles(folder + "*", found);
    for (const WIN32_FIND_DATAA& entry : found) {
        if (!lib::IsDotEntry(entry.cFileName)) names.insert(entry.cFileName);
    }
    return names;
}

// The Log folder holds only this program's own log.
void EmptyLogFolder()
{
    const std::string own = lib::PathFindFileNameStr(GetTolveLogOutputPath());
    for (const std::string& name : Names(LogFolder())) {
        if (name == own) continue;
        const std::string path = LogFolder() + name;
        if (!DeleteFileA(path.c_str())) lib::DeleteFolder(path.c_str(), true);
    }
}

std::string FileName(const std::string& path) { return lib::PathFindFileNameStr(path); }

uint32_t Crc(const std::string& bytes)
{
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// An archive as the host's Python reads it.
struct HostZip {
    bool bOpened = false;
    std::string sBadEntry; // testzip(): the first damaged entry, "None" when all are whole
    std::map<std::string, uint32_t> mapCrc; // entry name, CRC-32 of its data as stored
    std::string sPcInfo;
};

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

HostZip OpenOnHost(const std::string& archiveName)
{
    HostZip zip;
    WriteFile(KeptFolder() + "inspect.py",
              "import sys, zipfile\n"
              "with zipfile.ZipFile(sys.argv[1]) as z:\n"
              "    print('bad', z.testzip())\n"
              "    for i in z.infolist():\n"
              "        print('entry', '%08X' % i.CRC, i.filename)\n"
              "        if i.filename == 'PcInfo.txt':\n"
              "            print('pcinfo', z.read(i).hex())\n");
    const hostshell::Result run =
        hostshell::Run("python3 inspect.py '" + archiveName + "'", KeptFolder(), 30000);
    if (!run.ran || run.exitCode != 0) {
        ADD_FAILURE() << "the host could not open " << archiveName << ": " << run.output;
        return zip;
    }
    zip.bOpened = true;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, 4, "bad ") == 0) zip.sBadEntry = line.substr(4);
        if (line.compare(0, 6, "entry ") == 0) {
            zip.mapCrc[line.substr(15)] = static_cast<uint32_t>(std::stoul(line.substr(6, 8),
                                                                            nullptr, 16));
        }
        if (line.compare(0, 7, "pcinfo ") == 0) zip.sPcInfo = FromHex(line.substr(7));
    }
    return zip;
}

struct Posted {
    bool bPosted = false;
    uint32_t uResult = 0xDEADBEEF;
    uint32_t uLastError = 0xDEADBEEF;
};

class LogUploadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_privateAppData);
        ASSERT_TRUE(m_oStandIn.IsRunning());
        // The request table reads "Connection.info" once, at its first use in the process.
        static const bool pointed = onlinetest::WriteConnectionInfo(m_oStandIn.BaseUrl());
        ASSERT_TRUE(pointed);
        CreateDirectoryA(KeptFolder().c_str(), nullptr);
        const std::string kept = hostshell::UnixPath(KeptFolder());
        ASSERT_FALSE(kept.empty()) << "the kept archives need Wine's host paths";
        ASSERT_TRUE(m_oStandIn.SetVars("{\"log_upload_wanted\": [\"" + std::string(kDeviceNo) +
                                       "\"], \"log_upload_folder\": " +
                                       onlinetest::JsonString(kept) + "}"));
        EmptyLogFolder();
        lib::DeleteFolder(lib::GetTemporaryFileFolder().c_str(), false);
        m_pUpload = CAplLogUpload::GetInstance();
    }
    void TearDown() override
    {
        CAplLogUpload::SetDeleteWait(APLLOG_DELETE_WAIT_MS);
        EXPECT_TRUE(CAplLogUpload::DeleteInstance());
        EmptyLogFolder();
        lib::DeleteFolder(KeptFolder().c_str(), false);
    }

    // Starts the kind and waits for its one message.
    Posted Run(int32_t kind, DWORD timeoutMs = 20000)
    {
        const UINT message = kind == APLLOG_KIND_UPLOAD ? WM_LOGUPLOAD_FINISHED
                                                         : WM_LOGUPLOAD_PERMISSION;
        Posted posted;
        if (!m_pUpload->Start(m_oCapture.Window(), message, kind)) {
            ADD_FAILURE() << "Start refused, result " << Hex(m_pUpload->GetResult());
            return posted;
        }
        return WaitForResult(message, timeoutMs);
    }
    Posted WaitForResult(UINT message, DWORD timeoutMs = 20000)
    {
        Posted posted;
        if (!m_oCapture.WaitFor(message, 1, timeoutMs)) {
            ADD_FAILURE() << "no result message";
            return posted;
        }
        posted.bPosted = true;
        posted.uResult = m_oCapture.Of(message)[0].uWParam;
        posted.uLastError = m_oCapture.Of(message)[0].uLParam;
        m_oCapture.Clear();
        return posted;
    }
    void SetUnit() { ASSERT_TRUE(m_pUpload->SetNaviInfo(kCcidHead, kDeviceNo, kUserAgent)); }

    std::vector<RecordedRequest> RequestsOf(const char* path) const
    {
        std::vector<RecordedRequest> found;
        for (const RecordedRequest& request : m_oStandIn.Requests()) {
            if (request.sPath == path) found.push_back(request);
        }
        return found;
    }
    // Neither the archive nor the work folder of the last upload is left.
    void ExpectCleanedUp() const
    {
        EXPECT_FALSE(lib::PathFileExistsStr(m_pUpload->GetArchivePath())) << m_pUpload->GetArchivePath();
        EXPECT_FALSE(lib::PathFileExistsStr(m_pUpload->GetWorkFolder())) << m_pUpload->GetWorkFolder();
        EXPECT_TRUE(Names(lib::GetTemporaryFileFolder()).empty());
    }

    CStandIn m_oStandIn;
    CMessageCapture m_oCapture;
    CAplLogUpload* m_pUpload = nullptr;
};

// ---------------------------------------------------------------------------------------
// Arguments

TEST_F(LogUploadTest, StartRefusesBadArgumentsWithoutAWorker)
{
    HWND gone = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                              nullptr);
    DestroyWindow(gone);
    struct Case {
        const char* name;
        HWND window;
        UINT message;
        int32_t kind;
        const char* logged;
    };
    const Case cases[] = {
        {"destroyed window", gone, WM_LOGUPLOAD_PERMISSION, 0, "指定HWND不正"},
        {"no window", nullptr, WM_LOGUPLOAD_PERMISSION, 0, "指定HWND不正"},
        {"message 0", m_oCapture.Window(), 0, 0, "指定WindowMessage不正"},
        {"kind 2", m_oCapture.Window(), WM_LOGUPLOAD_FINISHED, 2, "指定処理種別不正 2"},
        {"kind -1", m_oCapture.Window(), WM_LOGUPLOAD_FINISHED, -1, "指定処理種別不正 FFFFFFFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CLogCapture log;
        EXPECT_FALSE(m_pUpload->Start(c.window, c.message, c.kind));
        EXPECT_EQ(Hex(m_pUpload->GetResult()), Hex(APLLOG_RESULT_BAD_ARGUMENT));
        EXPECT_TRUE(log.HasLine("!!", kSource, std::string("CAplLogUpload::Start - ") + c.logged));
    }
    m_oCapture.PumpFor(200);
    EXPECT_TRUE(m_oCapture.Messages().empty());
    EXPECT_TRUE(m_oStandIn.Requests().empty());
}

TEST_F(LogUploadTest, UnitDataAreCheckedAndNameTheArchive)
{
    struct Case {
        uint32_t ccid;
        const char* deviceNo;
        const char* userAgent;
        const char* logged;
    };
    const Case refused[] = {
        {0, kDeviceNo, kUserAgent, "CCID指定なし"},
        {kCcidHead, nullptr, kUserAgent, "DeviceNo指定なし"},
        {kCcidHead, "", kUserAgent, "DeviceNo指定なし"},
        {kCcidHead, kDeviceNo, nullptr, "UserAgent指定なし"},
        {kCcidHead, kDeviceNo, "", "UserAgent指定なし"},
        // The device number names a folder that is deleted after the upload.
        {kCcidHead, "..\\..\\Setting", kUserAgent, "DeviceNo不正"},
        {kCcidHead, "D1/x", kUserAgent, "DeviceNo不正"},
        {kCcidHead, "C:x", kUserAgent, "DeviceNo不正"},
        {kCcidHead, "D1\t", kUserAgent, "DeviceNo不正"},
        {kCcidHead, "D\x95\x5C", kUserAgent, "DeviceNo不正"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.logged);
        CLogCapture log;
        EXPECT_FALSE(m_pUpload->SetNaviInfo(c.ccid, c.deviceNo, c.userAgent));
        EXPECT_EQ(Hex(m_pUpload->GetResult()), Hex(APLLOG_RESULT_BAD_ARGUMENT));
        EXPECT_TRUE(log.HasLine("!!", kSource,
                                std::string("CAplLogUpload::SetNaviInfo - ") + c.logged));
        EXPECT_EQ(m_pUpload->GetArchivePath(), "");
    }

    SYSTEMTIME before;
    GetLocalTime(&before);
    ASSERT_TRUE(m_pUpload->SetNaviInfo(kCcidHead, "D1.x y", kUserAgent));
    const std::string temporary = lib::GetTemporaryFileFolder();
    const std::string archive = m_pUpload->GetArchivePath();
    ASSERT_EQ(archive.size(), temporary.size() + std::string("Ferrox_D1.x y_20240131100000.zip").size());
    EXPECT_EQ(archive.substr(0, temporary.size() + 14), temporary + "Ferrox_D1.x y_");
    EXPECT_EQ(archive.substr(archive.size() - 4), ".zip");
    const std::string stamp = archive.substr(temporary.size() + 14, 14);
    EXPECT_EQ(stamp.substr(0, 4), lib::FormatString("%04d", before.wYear));
    EXPECT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(m_pUpload->GetWorkFolder(), archive.substr(0, archive.size() - 4) + "\\");
}

TEST_F(LogUploadTest, UploadWithoutUnitDataIsRefusedByTheWorker)
{
    // A fresh instance has no unit data.
    const Posted posted = Run(APLLOG_KIND_UPLOAD);
    EXPECT_EQ(Hex(posted.uResult), Hex(APLLOG_RESULT_BAD_ARGUMENT));
    EXPECT_TRUE(m_oStandIn.Requests().empty());
    EXPECT_TRUE(Names(lib::GetTemporaryFileFolder()).empty());
}

// ---------------------------------------------------------------------------------------
// Permission check

TEST_F(LogUploadTest, PermissionRepliesAndTheirResults)
{
    SetUnit();
    struct Case {
        const char* name;
        CAnswer answer;
        uint32_t result;
    };
    const Case cases[] = {
        {"wanted", CAnswer().Text("RET=0&VALID=TRUE"), APLLOG_RESULT_SUCCESS},
        {"wanted, any letter case", CAnswer().Text("RET=0&VALID=tRuE"), APLLOG_RESULT_SUCCESS},
        {"not wanted", CAnswer().Text("RET=0&VALID=FALSE"), APLLOG_RESULT_NOT_WANTED},
        {"no VALID field", CAnswer().Text("RET=0&X=TRUE"), APLLOG_RESULT_NOT_WANTED},
        {"a server code with VALID", CAnswer().Text("RET=12&VALID=TRUE"), 0x20010C},
        {"one field, decimal code", CAnswer().Text("RET=12"), 0x20010C},
        {"one field, code 0", CAnswer().Text("RET=0"), APLLOG_RESULT_NOT_WANTED},
        {"one field, not RET", CAnswer().Text("VALID=TRUE"), 0x200FFF},
        {"three fields", CAnswer().Text("VALID=TRUE&RET=0&X=1"), 0x200FFF},
        {"empty body", CAnswer().Text(""), 0x200FFF},
        {"a huge code keeps the top byte free", CAnswer().Text("RET=2147483647"), 0xFFFFFF},
        {"HTTP 503", CAnswer().Status(503).Text("busy"), 0x1001F7},
        {"HTTP 404", CAnswer().Status(404).Text("RET=0&VALID=TRUE"), 0x100194},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_oStandIn.Queue(kCheckPath, c.answer));
        const Posted posted = Run(APLLOG_KIND_PERMISSION);
        EXPECT_EQ(Hex(posted.uResult), Hex(c.result));
        EXPECT_EQ(Hex(m_pUpload->GetResult()), Hex(c.result));
    }
    EXPECT_EQ(RequestsOf(kCheckPath).size(), sizeof cases / sizeof cases[0]);
}

TEST_F(LogUploadTest, CheckIsSentWithWhateverUnitDataAreStored)
{
    struct Case {
        const char* name;
        bool setUnit;
        const char* deviceNo;
        const char* body;
        const char* userAgent;
        uint32_t result;
    };
    const Case cases[] = {
        {"no unit data", false, nullptr, "ccid_head=&deviceno=", "", APLLOG_RESULT_NOT_WANTED},
        {"a wanted unit", true, kDeviceNo, "ccid_head=0291ABCD&deviceno=D0001234", kUserAgent,
         APLLOG_RESULT_SUCCESS},
        {"another unit", true, "D42", "ccid_head=0291ABCD&deviceno=D42", kUserAgent,
         APLLOG_RESULT_NOT_WANTED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(CAplLogUpload::DeleteInstance());
        m_pUpload = CAplLogUpload::GetInstance();
        if (c.setUnit) {
            ASSERT_TRUE(m_pUpload->SetNaviInfo(kCcidHead, c.deviceNo, kUserAgent));
        }
        ASSERT_TRUE(m_oStandIn.Reset());
        ASSERT_TRUE(m_oStandIn.SetVars("{\"log_upload_wanted\": [\"D0001234\"]}"));

        const Posted posted = Run(APLLOG_KIND_PERMISSION);
        EXPECT_EQ(Hex(posted.uResult), Hex(c.result));
        const std::vector<RecordedRequest> sent = RequestsOf(kCheckPath);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].sMethod, "POST");
        EXPECT_EQ(sent[0].sBody, c.body);
        EXPECT_EQ(sent[0].Header("Content-Type"), "application/x-www-form-urlencoded");
        EXPECT_EQ(sent[0].Header("User-Agent"), c.userAgent);
    }
}

// ---------------------------------------------------------------------------------------
// Upload

TEST_F(LogUploadTest, UploadSendsTheMultipartFormAndDeletesTheSentLogs)
{
    SetUnit();
    const std::string launcher = LogText(3000, 'L');
    const std::string daily = LogText(500, 'D');
    WriteFile(LogFolder() + "Launcher_sys.log", launcher);
    WriteFile(LogFolder() + "20240131.log", daily);
    WriteFile(LogFolder() + "notes.txt", "not a log");
    CreateDirectoryA((LogFolder() + "Mendrill_sys.log").c_str(), nullptr); // folders are skipped
    const std::string archiveName = FileName(m_pUpload->GetArchivePath());

    const Posted posted = Run(APLLOG_KIND_UPLOAD);
    EXPECT_EQ(Hex(posted.uResult), Hex(APLLOG_RESULT_SUCCESS));
    EXPECT_EQ(posted.uLastError, 0u);

    const std::vector<RecordedRequest> sent = RequestsOf(kUploadPath);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].sMethod, "POST");
    EXPECT_EQ(sent[0].Header("Content-Type"), "multipart/form-data; boundary=\"KestrumBoundary\"");
    EXPECT_EQ(sent[0].Header("User-Agent"), kUserAgent);
    const std::string zipBytes = testsupport::ReadFileBytes(KeptFolder() + archiveName);
    ASSERT_FALSE(zipBytes.empty()) << "the service kept no " << archiveName;
    EXPECT_EQ(sent[0].sBody,
              "--KestrumBoundary\r\n"
              "Content-Disposition: form-data; name=\"ccid_head\"\r\n\r\n0291ABCD\r\n"
              "--KestrumBoundary\r\n"
              "Content-Disposition: form-data; name=\"deviceno\"\r\n\r\nD0001234\r\n"
              "--KestrumBoundary\r\n"
              "Content-Disposition: form-data; name=\"file\"; filename=\"" + archiveName +
                  "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + zipBytes +
                  "\r\n--KestrumBoundary--");
    EXPECT_EQ(archiveName.compare(0, 16, "Ferrox_D0001234_"), 0) << archiveName;

    const HostZip zip = OpenOnHost(archiveName);
    EXPECT_EQ(zip.sBadEntry, "None");
    const std::map<std::string, uint32_t> expected = {
        {"Launcher_sys.log", Crc(launcher)},
        {"20240131.log", Crc(daily)},
        {"PcInfo.txt", Crc(zip.sPcInfo)},
    };
    EXPECT_EQ(zip.mapCrc, expected);

    // The four blocks; the available memory changes from one moment to the next.
    const std::string now = FormatPcInfo(GatherPcInfoFacts());
    const std::vector<std::string> blocks = lib::SplitString(zip.sPcInfo.c_str(), "\r\n\r\n");
    const std::vector<std::string> nowBlocks = lib::SplitString(now.c_str(), "\r\n\r\n");
    ASSERT_EQ(zip.sPcInfo.substr(zip.sPcInfo.size() - 4), "\r\n\r\n");
    ASSERT_EQ(blocks.size(), 4u);
    ASSERT_EQ(nowBlocks.size(), 4u);
    EXPECT_EQ(blocks[0], nowBlocks[0]);
    EXPECT_EQ(blocks[1], nowBlocks[1]);
    const size_t available = nowBlocks[2].find("有効サイズ");
    EXPECT_EQ(blocks[2].substr(0, available), nowBlocks[2].substr(0, available));
    EXPECT_EQ(blocks[3], nowBlocks[3]);

    // The sent logs are gone; the rest stays.
    const std::set<std::string> left = Names(LogFolder());
    EXPECT_EQ(left.count("Launcher_sys.log"), 0u);
    EXPECT_EQ(left.count("20240131.log"), 0u);
    EXPECT_EQ(left.count("notes.txt"), 1u);
    EXPECT_EQ(left.count("Mendrill_sys.log"), 1u);
    ExpectCleanedUp();
}

TEST_F(LogUploadTest, ProgressOfTheReplyReachesTheWindowBeforeTheResult)
{
    SetUnit();
    WriteFile(LogFolder() + "Launcher_sys.log", LogText(100));
    ASSERT_TRUE(m_pUpload->Start(m_oCapture.Window(), WM_LOGUPLOAD_FINISHED, APLLOG_KIND_UPLOAD));
    ASSERT_TRUE(m_oCapture.WaitFor(WM_LOGUPLOAD_FINISHED));
    const std::vector<onlinetest::CapturedMessage>& messages = m_oCapture.Messages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages.back().uMessage, WM_LOGUPLOAD_FINISHED);
    EXPECT_EQ(messages.back().uWParam, APLLOG_RESULT_SUCCESS);
    size_t bytes = 0;
    for (size_t i = 0; i + 1 < messages.size(); ++i) {
        EXPECT_EQ(messages[i].uMessage, WM_LOGUPLOAD_PROGRESS);
        EXPECT_EQ(messages[i].uWParam, 5u); // the length of "RET=0"
        bytes += messages[i].uLParam;
    }
    EXPECT_EQ(bytes, 5u);
}

TEST_F(LogUploadTest, CollectionRulesByNameAndSize)
{
    SetUnit();
    struct Case {
        const char* name;
        size_t size;
        bool sent;
    };
    const Case cases[] = {
        {"Launcher_sys.log", 0x400400, true},          // at the limit
        {"old_Launcher_sys.log", 0x400401, false},     // one past it
        {"Launcher_sys.log.BAK", 100, true},           // text after the name
        {"x_Mendrill_sys.log", 100, true},             // text before it
        {"Dapplegate_sys.log", 100, true},
        {"PellickManger_sys.log", 100, true},          // the tool's own spelling
        {"PellickManager_sys.log", 100, false},
        {"Kestrum4Update_sys.log", 100, true},
        {"Kestrum4Agent_sys.log", 100, false},
        {"Launcher_sys_fatal20240131100000.log", 100, false},
        {"19800101.log", 100, true},                   // the range's ends
        {"20991231.log", 100, true},
        {"19791231.log", 100, false},
        {"21000101.log", 100, false},
        {"20241301.log", 100, false},                  // month 13
        {"20240001.log", 100, false},                  // month 0
        {"20240100.log", 100, false},                  // day 0
        {"20240132.log", 100, false},                  // day 32
        {"20240231.log", 100, true},                   // the day is not checked against the month
        {"20240102.log", 0x400401, true},              // daily logs have no limit
        {"2024011.log", 100, false},
        {"202401011.log", 100, false},
        {"2024-1-1.log", 100, false},
        {"20240101.log.old", 100, false},
        {"20240101.txt", 100, false},
        {"x20240101.log", 100, false},
    };
    std::map<std::string, uint32_t> expected = {{"PcInfo.txt", 0}};
    for (const Case& c : cases) {
        const std::string bytes = LogText(c.size, c.name[0]);
        WriteFile(LogFolder() + c.name, bytes);
        if (c.sent) expected[c.name] = Crc(bytes);
    }
    CreateDirectoryA((LogFolder() + "20240103.log").c_str(), nullptr);
    const std::string archiveName = FileName(m_pUpload->GetArchivePath());

    CLogCapture log;
    const Posted posted = Run(APLLOG_KIND_UPLOAD, 60000);
    EXPECT_EQ(Hex(posted.uResult), Hex(APLLOG_RESULT_SUCCESS));
    EXPECT_TRUE(log.HasLine("!!", kSource,
                            "ログファイルサイズ超過 SIZE:000400401byte " + LogFolder() +
                                "old_Launcher_sys.log"));

    HostZip zip = OpenOnHost(archiveName);
    EXPECT_EQ(zip.sBadEntry, "None");
    expected["PcInfo.txt"] = Crc(zip.sPcInfo);
    EXPECT_EQ(zip.mapCrc, expected);

    const std::set<std::string> left = Names(LogFolder());
    for (const Case& c : cases) {
        EXPECT_EQ(left.count(c.name), c.sent ? 0u : 1u) << c.name;
    }
    EXPECT_EQ(left.count("20240103.log"), 1u);
    ExpectCleanedUp();
}

TEST_F(LogUploadTest, NoLogsUploadsThePcInformationAlone)
{
    SetUnit();
    const std::string archiveName = FileName(m_pUpload->GetArchivePath());
    const Posted posted = Run(APLLOG_KIND_UPLOAD);
    EXPECT_EQ(Hex(posted.uResult), Hex(APLLOG_RESULT_SUCCESS));
    const HostZip zip = OpenOnHost(archiveName);
    ASSERT_EQ(zip.mapCrc.size(), 1u);
    EXPECT_EQ(zip.mapCrc.begin()->first, "PcInfo.txt");
    ExpectCleanedUp();
}

TEST_F(LogUploadTest, RefusedOrFailedUploadKeepsTheLogs)
{
    SetUnit();
    struct Case {
        const char* name;
        CAnswer answer;
        uint32_t result;
    };
    const Case cases[] = {
        {"service code", CAnswer().Text("RET=7"), 0x200207},
        {"service code with more fields", CAnswer().Text("RET=12&MSG=x"), 0x20020C},
        {"unusable reply", CAnswer().Text("OK"), 0x200FFF},
        {"no body", CAnswer().Text(""), 0x200FFF},
        {"HTTP 500", CAnswer().Status(500).Text("RET=0"), 0x1001F4},
    };
    const std::string launcher = LogText(1000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(LogFolder() + "Launcher_sys.log", launcher);
        WriteFile(LogFolder() + "20240131.log", launcher);
        ASSERT_TRUE(m_oStandIn.Queue(kUploadPath, c.answer));
        const Posted posted = Run(APLLOG_KIND_UPLOAD);
        EXPECT_EQ(Hex(posted.uResult), Hex(c.result));
        EXPECT_EQ(testsupport::ReadFileBytes(LogFolder() + "Launcher_sys.log"), launcher);
        EXPECT_EQ(testsupport::ReadFileBytes(LogFolder() + "20240131.log"), launcher);
        ExpectCleanedUp();
    }
}

TEST_F(LogUploadTest, ZipFailureSendsNothingAndCleansUp)
{
    SetUnit();
    WriteFile(LogFolder() + "Launcher_sys.log", LogText(100));
    // A folder where the archive should go.
    const std::string archive = m_pUpload->GetArchivePath();
    ASSERT_TRUE(CreateDirectoryA(archive.c_str(), nullptr));
    CLogCapture log;
    const Posted posted = Run(APLLOG_KIND_UPLOAD);
    EXPECT_EQ(Hex(posted.uResult), Hex(APLLOG_RESULT_ZIP));
    EXPECT_NE(posted.uLastError, 0u);
    EXPECT_TRUE(log.HasLine("!!", kSource, "送信ファイル圧縮失敗 " + archive));
    EXPECT_TRUE(RequestsOf(kUploadPath).empty());
    EXPECT_TRUE(lib::PathFileExistsStr(LogFolder() + "Launcher_sys.log"));
    EXPECT_FALSE(lib::PathFileExistsStr(m_pUpload->GetWorkFolder()));
    RemoveDirectoryA(archive.c_str());
}

TEST_F(LogUploadTest, LogThatCannotBeDeletedIsReportedAndTheOthersGo)
{
    SetUnit();
    WriteFile(LogFolder() + "Launcher_sys.log", LogText(100));
    WriteFile(LogFolder() + "Mendrill_sys.log", LogText(100));
    WriteFile(LogFolder() + "20240131.log", LogText(100));
    // Open for reading without delete sharing: the copy works, the deletion does not.
    HANDLE held = CreateFileA((LogFolder() + "Launcher_sys.log").c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CLogCapture log;
    const Posted posted = Run(APLLOG_KIND_UPLOAD);
    CloseHandle(held);
    EXPECT_EQ(Hex(posted.uResult), Hex(APLLOG_RESULT_DELETE));
    EXPECT_EQ(posted.uLastError, static_cast<uint32_t>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(log.HasLine("!!", kSource,
                            "CAplLogUpload::DeleteFile - DeleteFile失敗 PATH:" + LogFolder() +
                                "Launcher_sys.log"));
    EXPECT_TRUE(lib::PathFileExistsStr(LogFolder() + "Launcher_sys.log"));
    EXPECT_FALSE(lib::PathFileExistsStr(LogFolder() + "Mendrill_sys.log"));
    EXPECT_FALSE(lib::PathFileExistsStr(LogFolder() + "20240131.log"));
    ExpectCleanedUp();
}

TEST_F(LogUploadTest, LogsWrittenDuringTheUploadStay)
{
    SetUnit();
    const std::string sentPart = LogText(2000, 'S');
    const std::string unchanged = LogText(700, 'U');
    WriteFile(LogFolder() + "Launcher_sys.log", sentPart);
    WriteFile(LogFolder() + "20240201.log", unchanged);
    const std::string archiveName = FileName(m_pUpload->GetArchivePath());
    ASSERT_TRUE(m_oStandIn.Queue(kUploadPath, CAnswer().Service().Hold("reply")));

    ASSERT_TRUE(m_pUpload->Start(m_oCapture.Window(), WM_LOGUPLOAD_FINISHED, APLLOG_KIND_UPLOAD));
    ASSERT_EQ(m_oStandIn.WaitForRequests(1), 1u);
    // The launcher goes on logging while the service answers; a new day begins.
    const std::string later = "2024/02/01 10:00:01:000\t..\tX.cpp\t1\tafter the copy\r\n";
    AppendFile(LogFolder() + "Launcher_sys.log", later);
    WriteFile(LogFolder() + "20240202.log", "new day\r\n");
    ASSERT_TRUE(m_oStandIn.Release("reply"));

    const Posted posted = WaitForResult(WM_LOGUPLOAD_FINISHED);
    EXPECT_EQ(Hex(posted.uResult), Hex(APLLOG_RESULT_SUCCESS));
    EXPECT_EQ(testsupport::ReadFileBytes(LogFolder() + "Launcher_sys.log"), sentPart + later);
    EXPECT_EQ(testsupport::ReadFileBytes(LogFolder() + "20240202.log"), "new day\r\n");
    EXPECT_FALSE(lib::PathFileExistsStr(LogFolder() + "20240201.log"));

    const HostZip zip = OpenOnHost(archiveName);
    EXPECT_EQ(zip.mapCrc.at("Launcher_sys.log"), Crc(sentPart));
    EXPECT_EQ(zip.mapCrc.at("20240201.log"), Crc(unchanged));
    EXPECT_EQ(zip.mapCrc.count("20240202.log"), 0u);
    ExpectCleanedUp();
}

// ---------------------------------------------------------------------------------------
// Cancel and the end of the instance

TEST_F(LogUploadTest, CancelThroughTheNamedEventDuringEitherRequest)
{
    SetUnit();
    struct Case {
        int32_t kind;
        const char* path;
        UINT message;
        const char* waitEnded;
        const char* logged;
    };
    const Case cases[] = {
        {APLLOG_KIND_PERMISSION, kCheckPath, WM_LOGUPLOAD_PERMISSION, kCheckWaitEnded,
         "AplLogUpload::_CheckPermission - ログアップロード許可確認時のユーザキャンセル"},
        {APLLOG_KIND_UPLOAD, kUploadPath, WM_LOGUPLOAD_FINISHED, kUploadWaitEnded,
         "AplLogUpload::_SendLogFile - ログアップロード時のユーザキャンセル"},
    };
    const std::string launcher = LogText(1000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        WriteFile(LogFolder() + "Launcher_sys.log", launcher);
        ASSERT_TRUE(m_oStandIn.Reset());
        ASSERT_TRUE(m_oStandIn.Queue(c.path, CAnswer().Service().Hold("held")));
        CLogCapture log;
        ASSERT_TRUE(m_pUpload->Start(m_oCapture.Window(), c.message, c.kind));
        ASSERT_EQ(m_oStandIn.WaitForRequests(1), 1u);
        {
            CReleaseWhenLogged release(m_oStandIn, "held", c.waitEnded);
            lib::CHandle cancel(OpenEventA(EVENT_MODIFY_STATE, FALSE, "AplLogUploadCancel"));
            ASSERT_TRUE(cancel.IsValid());
            SetEvent(cancel.Get());
            const Posted posted = WaitForResult(c.message);
            EXPECT_EQ(Hex(posted.uResult), Hex(APLLOG_RESULT_CANCELLED));
        }
        EXPECT_TRUE(log.HasLine("..", kSource, c.logged));
        EXPECT_EQ(testsupport::ReadFileBytes(LogFolder() + "Launcher_sys.log"), launcher);
        ExpectCleanedUp();
    }
}

TEST_F(LogUploadTest, DeleteInstanceDuringTheUploadWaitsForTheCancelledWorker)
{
    SetUnit();
    WriteFile(LogFolder() + "Launcher_sys.log", LogText(1000));
    const std::string work = m_pUpload->GetWorkFolder();
    ASSERT_TRUE(m_oStandIn.Queue(kUploadPath, CAnswer().Service().Hold("held")));
    ASSERT_TRUE(m_pUpload->Start(m_oCapture.Window(), WM_LOGUPLOAD_FINISHED, APLLOG_KIND_UPLOAD));
    ASSERT_EQ(m_oStandIn.WaitForRequests(1), 1u);
    {
        CReleaseWhenLogged release(m_oStandIn, "held", kUploadWaitEnded);
        EXPECT_TRUE(CAplLogUpload::DeleteInstance());
    }
    // The worker ended before the instance went: its result is already posted.
    m_oCapture.PumpFor(50);
    ASSERT_EQ(m_oCapture.Count(WM_LOGUPLOAD_FINISHED), 1u);
    EXPECT_EQ(Hex(m_oCapture.Of(WM_LOGUPLOAD_FINISHED)[0].uWParam), Hex(APLLOG_RESULT_CANCELLED));
    EXPECT_TRUE(lib::PathFileExistsStr(LogFolder() + "Launcher_sys.log"));
    EXPECT_FALSE(lib::PathFileExistsStr(work));
    m_pUpload = CAplLogUpload::GetInstance();
}

TEST_F(LogUploadTest, DeleteInstanceLeavesAWorkerThatOutlivesTheWaitItsInstance)
{
    SetUnit();
    ASSERT_TRUE(m_oStandIn.Queue(kUploadPath, CAnswer().Service().Hold("held")));
    ASSERT_TRUE(m_pUpload->Start(m_oCapture.Window(), WM_LOGUPLOAD_FINISHED, APLLOG_KIND_UPLOAD));
    ASSERT_EQ(m_oStandIn.WaitForRequests(1), 1u);
    CAplLogUpload::SetDeleteWait(0);
    {
        CReleaseWhenLogged release(m_oStandIn, "held", kUploadWaitEnded);
        CLogCapture log;
        EXPECT_FALSE(CAplLogUpload::DeleteInstance());
        EXPECT_TRUE(log.HasLine("!!", kSource, "処理中スレッド生存のため解放せず"));
        EXPECT_EQ(CAplLogUpload::GetInstance(), m_pUpload);
        // The cancel stands: the worker ends with it.
        const Posted posted = WaitForResult(WM_LOGUPLOAD_FINISHED);
        EXPECT_EQ(Hex(posted.uResult), Hex(APLLOG_RESULT_CANCELLED));
    }
    CAplLogUpload::SetDeleteWait(APLLOG_DELETE_WAIT_MS);
    EXPECT_TRUE(CAplLogUpload::DeleteInstance());
    m_pUpload = CAplLogUpload::GetInstance();
}

TEST_F(LogUploadTest, StartWhileTheWorkerRunsIsRefusedAndTheWorkerCarriesOn)
{
    SetUnit();
    ASSERT_TRUE(m_oStandIn.Queue(kCheckPath, CAnswer().Service().Hold("held")));
    ASSERT_TRUE(m_pUpload->Start(m_oCapture.Window(), WM_LOGUPLOAD_PERMISSION,
                                 APLLOG_KIND_PERMISSION));
    ASSERT_EQ(m_oStandIn.WaitForRequests(1), 1u);

    CLogCapture log;
    const DWORD start = GetTickCount();
    EXPECT_FALSE(m_pUpload->Start(m_oCapture.Window(), WM_LOGUPLOAD_FINISHED, APLLOG_KIND_UPLOAD));
    EXPECT_GE(GetTickCount() - start, APLLOG_START_WAIT_MS - 100);
    EXPECT_TRUE(log.HasLine("!!", kSource, "開始要求時の処理中エラー直前スレッド生存 0"));

    ASSERT_TRUE(m_oStandIn.Release("held"));
    const Posted posted = WaitForResult(WM_LOGUPLOAD_PERMISSION);
    EXPECT_EQ(Hex(posted.uResult), Hex(APLLOG_RESULT_SUCCESS));
    EXPECT_EQ(m_oCapture.Count(WM_LOGUPLOAD_FINISHED), 0u);
    // Once it has ended the next start goes.
    EXPECT_EQ(Hex(Run(APLLOG_KIND_PERMISSION).uResult), Hex(APLLOG_RESULT_SUCCESS));
}

TEST_F(LogUploadTest, CallsRefusedDuringTheUploadLeaveTheWorkersResult)
{
    SetUnit();
    WriteFile(LogFolder() + "Launcher_sys.log", LogText(1000));
    ASSERT_TRUE(m_oStandIn.Queue(kUploadPath, CAnswer().Service().Hold("held")));
    ASSERT_TRUE(m_pUpload->Start(m_oCapture.Window(), WM_LOGUPLOAD_FINISHED, APLLOG_KIND_UPLOAD));
    ASSERT_EQ(m_oStandIn.WaitForRequests(1), 1u);

    // The window's own mistakes while the upload runs are refused on the spot ...
    EXPECT_FALSE(m_pUpload->Start(nullptr, WM_LOGUPLOAD_FINISHED, APLLOG_KIND_UPLOAD));
    EXPECT_EQ(Hex(m_pUpload->GetResult()), Hex(APLLOG_RESULT_BAD_ARGUMENT));
    EXPECT_FALSE(m_pUpload->SetNaviInfo(0, kDeviceNo, kUserAgent));

    // ... and the upload still reports its own outcome.
    ASSERT_TRUE(m_oStandIn.Release("held"));
    const Posted posted = WaitForResult(WM_LOGUPLOAD_FINISHED);
    EXPECT_EQ(Hex(posted.uResult), Hex(APLLOG_RESULT_SUCCESS));
    EXPECT_EQ(posted.uLastError, 0u);
    EXPECT_EQ(Hex(m_pUpload->GetResult()), Hex(APLLOG_RESULT_SUCCESS));
    EXPECT_FALSE(lib::PathFileExistsStr(LogFolder() + "Launcher_sys.log"));
}

} // namespace
