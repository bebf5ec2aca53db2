// The launcher as a user meets it, for `./kestrum run` and launcher_demo_test: the product
// folder's Launcher.exe (the test build) on the display, with card V: holding a navigation
// unit's link file, job history and two probe recordings, a user registered for that unit
// who has chosen a unit model, and the stand-in services answering in one space.
//
//     launcher_demo.exe [--until-shown] [--space NAME] [--shot FILE.png]
//
// Without --until-shown the demo ends with the launcher and gives its exit code; with it,
// it closes the launcher once the main window is on screen with the card (the card record
// lists V: as a card of the unit) and gives the close's exit code. --shot writes the screen
// as it then is. The space is "demo" unless named.

#include "carddata/BuiltinAccount.h"
#include "carddata/SDInfoFile.h"
#include "carddata/UserAgent.h"
#include "carddata/UserListFile.h"
#include "launcher/LauncherSetting.h"
#include "lib/wfc/DC.h"
#include "lib/wfc/DIB.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/ProbeBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/gallery/PngWriter.h"
#include "tests/launcher/support/LauncherRun.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/launcher/support/SharedBlocks.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/AgentBlock.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kCard = 'V';
const char kDeviceNo[] = "DN00000000000039";
const char kCcid[] = "0746052100000039";
const char kUid[] = "U000000039";
const uint32_t kCcidHead = 0x0746;
const char kNickName[] = "デモ";
const uint32_t kMachineType = 1;
const uint32_t kTrafficJob = 37;
const uint32_t kWeatherJob = 38;
const DWORD kShowWaitMs = 60000;

struct Options {
    bool bUntilShown = false;
    std::string strSpace = "demo";
    std::string strShot;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--until-shown") {
            options.bUntilShown = true;
        } else if (argument == "--space" && i + 1 < argc) {
            options.strSpace = argv[++i];
        } else if (argument == "--shot" && i + 1 < argc) {
            options.strShot = argv[++i];
        } else {
            std::fprintf(stderr, "usage: launcher_demo [--until-shown] [--space NAME] [--shot FILE.png]\n");
            return false;
        }
    }
    return true;
}

bool Fail(const char* what)
{
    std::fprintf(stderr, "launcher_demo: %s\n", what);
    return false;
}

// The answers of the space: versions no newer than those installed, no log upload wanted,
// and the traffic and weather services behind their usual access.
bool PrepareServices(onlinetest::CStandIn& standIn)
{
    if (!standIn.IsRunning()) return Fail("the stand-in services do not run (use ./kestrum run)");
    char id[16] = {};
    char password[16] = {};
    if (!GetBuiltinAccount(id, sizeof id, password, sizeof password)) return Fail("no account");
    const std::string versions =
        "{\"versionup\": {\"ret\": 0, \"modules\": {"
        "\"LC\": {\"version\": \"4.1.0.0\"}, \"DG\": {\"version\": \"4.1.17.5\"},"
        "\"MD\": {\"version\": \"2.10.0.3\"}, \"PM\": {\"version\": \"1.0.0.0\"}}},"
        "\"log_upload_wanted\": []}";
    return standIn.SetVars(versions) &&
           standIn.Rule("/wlink36/*",
                        onlinetest::CAnswer().Auth(onlinetest::AuthMode::Both, id, password));
}

// The unit's files on the card: its link file, a job history a day old (so both downloads
// are due) and two probe recordings waiting for their upload.
bool PrepareCard(const CSimulatedCard& card)
{
    if (!card.IsRemovable()) return Fail("V: is no simulated card (make the test prefix again)");
    if (!CLinkFileBuilder().SetDeviceNo(kDeviceNo).SetCcidHead(kCcidHead)
             .AddRecord(0x10000001, 0x01000A05, 0x0012).WriteTo(card)) {
        return Fail("the link file could not be written");
    }
    SYSTEMTIME yesterday = {};
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time = {{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= 24ULL * 3600 * 10000000;
    FILETIME earlier = {time.LowPart, time.HighPart};
    FILETIME local = {};
    FileTimeToLocalFileTime(&earlier, &local);
    FileTimeToSystemTime(&local, &yesterday);
    CSDInfoFile history(kCard);
    for (const uint32_t job : {kTrafficJob, kWeatherJob}) {
        if (!history.SaveHistory(job, yesterday, SDINFO_PHASE_SUCCEEDED, 0, 0, 0, nullptr)) {
            return Fail("the job history could not be written");
        }
    }
    const std::vector<uint8_t> track(4096, 0x5A);
    for (const char* folder : {"01", "02"}) {
        CProbeBuilder probe;
        probe.SetDeviceNo(kDeviceNo).SetCcid(kCcid).SetUid(kUid)
            .AddRealFile(std::string("2026120908000") + folder + "TRACK.BIN", track);
        if (!probe.WriteTo(card.GetPath(std::string("PROBE\\") + folder + "\\ProbeData.dat"))) {
            return Fail("a probe recording could not be written");
        }
    }
    return true;
}

// The user of the card's unit, current, who has chosen a unit model on this PC.
bool PrepareUser()
{
    const std::string userAgent = GetUserAgent(kCard).GetUserAgent();
    CUserListFile users;
    if (!users.SaveWithCurrentDevice(kDeviceNo, kNickName, kCcidHead, userAgent.c_str(), nullptr)) {
        return Fail("the user list could not be written");
    }
    CLauncherSettingFile settings;
    settings.Load(kNickName);
    settings.m_iMachineType = static_cast<int32_t>(kMachineType);
    settings.m_iFirstRan = 0;
    settings.m_iNickNameNo = 0;
    settings.Save(kNickName);
    return true;
}

bool ShownWithTheCard(const launchertest::CLauncherRun& run)
{
    const HWND main = run.MainWindow();
    if (main == nullptr || !IsWindowVisible(main)) return false;
    CardShareRecord record;
    return launchertest::ReadCardRecord(record) &&
           (record.cardMask & testsupport::DriveBit(kCard)) != 0;
}

// The screen as it is now, as a PNG file.
bool WriteScreen(const std::string& path)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    lib::wfc::CDIB picture;
    picture.Create(screen, width, height, 24);
    lib::wfc::CMemDC memory(screen);
    const HGDIOBJ previous = memory.SelectObject(picture.GetHandle());
    const bool copied =
        BitBlt(memory.GetHDC(), 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT) != 0;
    memory.SelectObject(previous);
    ReleaseDC(nullptr, screen);
    // CAPTUREBLT takes layered windows in on Windows; CLR_INVALID: no pixel is a key colour.
    return copied && gallery::WritePng(path, picture, CLR_INVALID);
}

int RunDemo(const Options& options)
{
    onlinetest::CStandIn standIn(options.strSpace);
    if (!PrepareServices(standIn)) return 2;
    launchertest::CProductFolder product;
    if (!product.HasLauncher()) return Fail("the product folder holds no Launcher.exe"), 2;
    if (!product.WriteConnectionInfo(standIn)) return Fail("no Connection.info"), 2;
    CSimulatedCard card(kCard);
    if (!PrepareCard(card)) return 2;

    // The run clears the launcher's files of the prefix user first: the user comes after.
    launchertest::CLauncherRun run(product);
    if (!PrepareUser()) return 2;
    run.SetEnvironment("KESTRUM_SIMULATED_CARDS", std::string(1, kCard));
    if (!run.Start()) return Fail("Launcher.exe did not start"), 2;

    if (!options.bUntilShown) {
        while (!run.WaitForExit(1000)) {
        }
        return static_cast<int>(run.ExitCode());
    }
    const DWORD start = GetTickCount();
    while (!ShownWithTheCard(run)) {
        if (run.HasExited()) return Fail("the launcher ended before its window showed"), 3;
        if (GetTickCount() - start > kShowWaitMs) return Fail("no window with the card"), 3;
        Sleep(100);
    }
    std::printf("launcher_demo: the main window is on screen with card %c:\n", kCard);
    // The first paint of a layered window reaches the screen a moment after it shows.
    if (!options.strShot.empty()) Sleep(1000);
    if (!options.strShot.empty() && !WriteScreen(options.strShot)) {
        Fail("the screen could not be written");
    }
    return static_cast<int>(run.Close());
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) return 2;
    return RunDemo(options);
}
