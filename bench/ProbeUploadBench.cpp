// The probe upload end to end against the stand-in probe gateway: a 30 MiB probe set (six
// recordings of 5 MiB of real files each) on simulated card L: is scanned, unpacked, merged
// into the send file and sent with its consent check and completion, beside a plain
// CWinHttpWrapper::Upload of the very upload body the job sent, to the same endpoint, made
// as the job makes each request (one client, Initialize, Connect, Upload, wait). Best of
// three runs each; every run must end with success and an empty card, and the gateway checks
// each send file it receives.
//
// L: is the probe upload test's card letter: never run this beside online_probeupload_test.

#include "online/FixedUserAgent.h"
#include "online/ProbeUpload.h"
#include "online/WinHttpWrapper.h"

#include "carddata/UserListFile.h"
#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "tests/carddata/support/ProbeBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/online/support/ConnectionInfoForTests.h"
#include "tests/online/support/MessageCapture.h"
#include "tests/online/support/StandIn.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const char kCard = 'L';
const int kRecordings = 6;
const size_t kRealBytesPerRecording = 5u << 20;
const int kRuns = 3;
const char kDeviceNo[] = "DN00000000000001";
const char kGateway[] = "/probe/OFPB";

std::string g_strRoot;

HRESULT BenchAppDataFolder(char* path)
{
    std::strcpy(path, (g_strRoot + "AppData").c_str());
    return S_OK;
}

double Now()
{
    LARGE_INTEGER counter, freq;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&freq);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(freq.QuadPart);
}

double MBps(uint64_t bytes, double seconds)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds;
}

// Log-like bytes: 32-byte records of a running time, a slowly moving position and noise.
std::vector<uint8_t> LogRecords(size_t size, std::mt19937& random)
{
    std::vector<uint8_t> data(size);
    uint32_t x = random(), y = random();
    for (size_t i = 0; i + 32 <= size; i += 32) {
        x += random() % 32;
        y += random() % 16;
        const uint32_t record[8] = {static_cast<uint32_t>(i / 32), x, y, random() % 1024,
                                    0, 0x1000 + (x & 0xFF), random(), 0xFFFFFFFF};
        std::memcpy(data.data() + i, record, sizeof record);
    }
    return data;
}

// Writes the probe set onto the card; the bytes of its real files.
uint64_t WriteProbeSet(const CSimulatedCard& card, std::mt19937& random)
{
    uint64_t realBytes = 0;
    for (int i = 0; i < kRecordings; ++i) {
        const std::string prefix = lib::FormatString("2026121008%02d00", i);
        std::vector<uint8_t> history(12, 0);
        const std::vector<uint8_t> records = LogRecords(kRealBytesPerRecording / 2 - 12, random);
        history.insert(history.end(), records.begin(), records.end());
        const std::vector<uint8_t> track = LogRecords(kRealBytesPerRecording / 2, random);
        CProbeBuilder builder;
        builder.SetDeviceNo(kDeviceNo)
            .AddRealFile(prefix + "/DRVHISREC.DH6", history)
            .AddDataBlock()
            .AddRealFile(prefix + "/TRACK.BIN", track);
        if (!card.WriteFile(lib::FormatString("PROBE\\%04d\\ProbeData.dat", i), builder.Build())) {
            return 0;
        }
        realBytes += history.size() + track.size();
    }
    return realBytes;
}

bool CardIsEmpty(const CSimulatedCard& card)
{
    std::vector<WIN32_FIND_DATAA> found;
    lib::FindFiles(card.GetPath("PROBE\\*"), found);
    for (const WIN32_FIND_DATAA& entry : found) {
        if (!lib::IsDotEntry(entry.cFileName)) return false;
    }
    return true;
}

// One request as the job makes it; true when the gateway accepted the upload.
bool PlainUpload(const std::string& url, const std::string& body)
{
    CWinHttpWrapper client;
    if (!client.Initialize(url.c_str(), 0, nullptr, true)) return false;
    client.SetTimeouts(0, 60000, 240000, 240000);
    if (!client.Connect(HTTP_VERB_POST, KESTRUM_FIXED_USER_AGENT_W, nullptr)) return false;
    const HANDLE thread = client.Upload(body.data(), static_cast<uint32_t>(body.size()),
                                        "application/octet-stream", nullptr, nullptr);
    if (thread == nullptr || WaitForSingleObject(thread, INFINITE) != WAIT_OBJECT_0) return false;
    return client.GetResult() == 0 &&
           std::string(client.GetResponseData(), client.GetResponseSize()) == "SVRRET=S00";
}

int Fail(const char* what)
{
    std::printf("%s\n", what);
    lib::DeleteFolder(g_strRoot.c_str(), true);
    DeleteFileA(onlinetest::ConnectionInfoPath().c_str());
    return 1;
}

} // namespace

int main()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    g_strRoot = lib::FormatString("%sprobe_upload_bench_%lu\\", temp,
                                  static_cast<unsigned long>(GetCurrentProcessId()));
    lib::CreateDirectoryRecursive(g_strRoot + "AppData");
    lib::SetAppDataFolderQuery(&BenchAppDataFolder);
    CUserListFile users;
    if (!users.SaveWithCurrentDevice(kDeviceNo, "bench", 0x0746, "UA/1.0", nullptr)) {
        return Fail("cannot register the bench user");
    }
    onlinetest::CStandIn standIn("probe_upload_bench");
    if (!standIn.IsRunning()) return Fail("no stand-in (run through ./kestrum bench)");
    if (!onlinetest::WriteConnectionInfo(standIn.BaseUrl())) return Fail("no Connection.info");
    CSimulatedCard card(kCard);
    if (!card.IsRemovable()) return Fail("L: is no simulated card");

    std::mt19937 random(2026);
    onlinetest::CMessageCapture capture;
    const UINT finish = lib::GetRegisteredMessage("QZLNotifyFinish");
    const UINT error = lib::GetRegisteredMessage("QZLNotifyError");
    double bestJob = 1e30;
    double bestPlain = 1e30;
    uint64_t realBytes = 0;
    std::string uploadBody;
    for (int run = 0; run < kRuns; ++run) {
        // A new job each run, as the consent would otherwise be known from the first.
        standIn.Reset();
        realBytes = WriteProbeSet(card, random);
        if (realBytes == 0) return Fail("cannot write the probe set");
        CProbeUpload job;
        job.SetNotifyWindow(capture.Window());
        job.SetDriveLetter(kCard);
        capture.Clear();
        const double start = Now();
        if (!job.StartProc() || !capture.WaitFor(finish, 1, 600000)) return Fail("no finish");
        const double seconds = Now() - start;
        const std::vector<onlinetest::CapturedMessage> errors = capture.Of(error);
        if (errors.size() != 1 || errors[0].uWParam != 0x24000000) {
            std::printf("run %d ended with 0x%08X\n", run, errors.empty() ? 0 : errors[0].uWParam);
            return Fail("the upload failed");
        }
        if (!CardIsEmpty(card)) return Fail("recordings left on the card");
        if (seconds < bestJob) bestJob = seconds;

        uploadBody.clear();
        for (const onlinetest::RecordedRequest& request : standIn.Requests()) {
            if (request.sBody.compare(0, 5, "fc=95") == 0) uploadBody = request.sBody;
        }
        if (uploadBody.empty()) return Fail("no upload recorded");

        // The same bytes once more, sent plainly.
        standIn.Reset(false);
        const double plainStart = Now();
        if (!PlainUpload(standIn.Url(kGateway), uploadBody)) return Fail("plain upload failed");
        const double plainSeconds = Now() - plainStart;
        if (plainSeconds < bestPlain) bestPlain = plainSeconds;
    }

    std::printf("probe set: %d recordings, %.1f MB of real files; upload body %.1f MB\n",
                kRecordings, realBytes / 1048576.0, uploadBody.size() / 1048576.0);
    std::printf("probe upload end to end (scan, merge, send file, fc 94/95/96, delete): "
                "%8.1f ms %7.1f MB/s of real files, %7.1f MB/s on the wire\n",
                bestJob * 1000, MBps(realBytes, bestJob), MBps(uploadBody.size(), bestJob));
    std::printf("plain CWinHttpWrapper::Upload of the same upload body:                 "
                "%8.1f ms %7.1f MB/s on the wire\n",
                bestPlain * 1000, MBps(uploadBody.size(), bestPlain));

    lib::DeleteFolder(g_strRoot.c_str(), true);
    DeleteFileA(onlinetest::ConnectionInfoPath().c_str());
    return 0;
}
