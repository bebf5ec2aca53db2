// The launcher as a user meets it, for `./kestrum run` and road "demo": the product folder's
// Launcher.exe (the test build) on the display, started while the agent (its test build)
// is resident with card V: holding a navigation unit's link file, job history and two probe
// recordings, a user registered for that unit who has chosen a unit model, and the
// stand-in services answering every request of the launcher well in one space (versions,
// log upload, traffic, weather and the probe upload).
//
//     launcher_demo.exe [--until-shown] [--space NAME] [--shot FILE.png]
//
// Once the main window shows card V: with both downloads done (traffic and weather at
// 100), the demo copies it from the screen into "<build>/e2e/shots/demo-shown-main.png"
// and prints the name. Without --until-shown it then waits for the launcher's end and gives
// its exit code; with it, it closes the launcher and gives the close's exit code. --shot
// writes the whole screen as it then is. The space is "demo" unless named.

#include "carddata/BuiltinAccount.h"
#include "carddata/PcLinkFile.h"
#include "carddata/SDInfoFile.h"
#include "carddata/UserAgent.h"
#include "carddata/UserListFile.h"
#include "launcher/LauncherSetting.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/ProbeBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/LauncherRun.h"
#include "tests/launcher/support/Observer.h"
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
// The unit's map as its link file names it and the user list keeps it for the user: the
// traffic service is asked for that map.
const uint32_t kMapVersion = 0x05000123;
const uint32_t kLinkYear = 0x2026;
const uint32_t kTrafficJob = 37;
const uint32_t kWeatherJob = 38;
const DWORD kShowWaitMs = 90000;
const DWORD kAgentWaitMs = 20000;
const char kCardsVariable[] = "KESTRUM_SIMULATED_CARDS";
const char kProbeLogTitle[] = "蓄積型プローブアップロード";

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

// The answers of the space, every one good: versions no newer than those installed, no log
// upload wanted, the traffic and probe upload dialogues of the services' defaults, and the
// weather files behind their usual access.
bool PrepareServices(onlinetest::CStandIn& standIn)
{
    if (!standIn.IsRunning()) return Fail("the stand-in services do not run (use ./kestrum run)");
    char id[16] = {};
    char password[16] = {};
    if (!GetBuiltinAccount(id, sizeof id, password, sizeof password)) return Fail("no account");
    return standIn.SetVars(launchertest::NothingNewerVars()) &&
           standIn.Rule("/wlink36/*",
                        onlinetest::CAnswer().Auth(onlinetest::AuthMode::Both, id, password));
}

// The unit's files on the card: its link file, a job history a day old (so both downloads
// are due) and two probe recordings waiting for their upload.
bool PrepareCard(const CSimulatedCard& card)
{
    if (!card.IsRemovable()) return Fail("V: is no simulated card (make the test prefix again)");
    if (!CLinkFileBuilder().SetDeviceNo(kDeviceNo).SetCcidHead(kCcidHead)
             .AddRecord(PCLINK_RECORD_UNIT_INFO, 0x01000A05, 0x0012)
             .AddRecord(PCLINK_RECORD_LINK_VALUE, kMapVersion, 0).WriteTo(card)) {
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

// The user of the card's unit, current, who has chosen a unit model on this PC. The agent
// does not start the launcher when it counts the card: the demo starts it.
bool PrepareUser()
{
    const std::string userAgent = GetUserAgent(kCard).GetUserAgent();
    UserStampRecord stamp;
    stamp.m_uMapVersion = kMapVersion;
    stamp.m_uLinkYear = kLinkYear;
    stamp.m_strUserAgent = userAgent;
    CUserListFile users;
    if (!users.SaveWithCurrentDevice(kDeviceNo, kNickName, kCcidHead, userAgent.c_str(), &stamp)) {
        return Fail("the user list could not be written");
    }
    CLauncherSettingFile settings;
    settings.Load(kNickName);
    settings.m_iMachineType = static_cast<int32_t>(kMachineType);
    settings.m_iFirstRan = 0;
    settings.m_iNickNameNo = 0;
    settings.m_iAutoStartLauncher = 0;
    settings.Save(kNickName);
    return true;
}

// The launcher's log line of a job's progress and of its end (launcher/LaunchWindowJobs.cpp).
std::string ProgressLine(uint32_t job, uint32_t percent)
{
    char line[96];
    std::snprintf(line, sizeof line, "_OnProgressFinish uiProgress:%x,uiParam:%x", job, percent);
    return line;
}

std::string FinishLine(uint32_t job)
{
    char line[64];
    std::snprintf(line, sizeof line, "_OnProgressFinish %x\r\n", job);
    return line;
}

bool DownloadDone(const std::string& log, uint32_t job)
{
    return log.find(ProgressLine(job, 100)) != std::string::npos &&
           log.find(FinishLine(job)) != std::string::npos;
}

// The main window on screen with V: as its active card and both downloads at 100.
bool ShownWithTheCard(const launchertest::CLauncherRun& run)
{
    const HWND main = run.MainWindow();
    if (main == nullptr || !IsWindowVisible(main)) return false;
    CardShareRecord record;
    if (!launchertest::ReadCardRecord(record) || record.selectedDrive != kCard) return false;
    const std::string log = run.Log();
    return DownloadDone(log, kTrafficJob) && DownloadDone(log, kWeatherJob);
}

// The agent, resident before the launcher as after a log-on, with the card counted: the
// launcher then finds the card at its start. Its card record names V: as a unit's card.
bool StartAgent(const launchertest::CProductFolder& product)
{
    const std::string agent = product.File("Kestrum4Agent.exe");
    std::string commandLine = "\"" + agent + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(agent.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        product.Path().c_str(), &startup, &started)) {
        return Fail("the agent did not start");
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    const DWORD begin = GetTickCount();
    for (;;) {
        CardShareRecord record;
        if (launchertest::ReadCardRecord(record) &&
            (record.cardMask & testsupport::DriveBit(kCard)) != 0) {
            return true;
        }
        if (GetTickCount() - begin > kAgentWaitMs) return Fail("the agent did not count card V:");
        Sleep(100);
    }
}

int RunDemo(const Options& options)
{
    onlinetest::CStandIn standIn(options.strSpace);
    if (!PrepareServices(standIn)) return 2;
    launchertest::CProductFolder product;
    if (!product.HasLauncher()) return Fail("the product folder holds no Launcher.exe"), 2;
    if (!product.WriteConnectionInfo(standIn)) return Fail("no Connection.info"), 2;
    const launchertest::CProgramSwap agent = product.UseRealAgent();
    if (!agent.Swapped()) return Fail("the agent's test build is missing"), 2;
    CSimulatedCard card(kCard);
    if (!PrepareCard(card)) return 2;

    // The run clears the launcher's files of the prefix user first: the user comes after.
    launchertest::CLauncherRun run(product);
    if (!PrepareUser()) return 2;
    SetEnvironmentVariableA(kCardsVariable, std::string(1, kCard).c_str());
    if (!StartAgent(product)) return 2;
    run.SetEnvironment(kCardsVariable, std::string(1, kCard));
    if (!run.Start()) return Fail("Launcher.exe did not start"), 2;

    const DWORD start = GetTickCount();
    while (!ShownWithTheCard(run)) {
        if (run.HasExited()) {
            if (!options.bUntilShown) return static_cast<int>(run.ExitCode());
            std::fprintf(stderr, "launcher_demo: the launcher ended with %d before its window "
                                 "showed the card\n", static_cast<int>(run.ExitCode()));
            return 3;
        }
        if (GetTickCount() - start > kShowWaitMs) {
            return Fail("no window with the card and both downloads done"), 3;
        }
        Sleep(100);
    }
    std::printf("launcher_demo: the main window shows card %c: with both downloads done\n", kCard);
    std::fflush(stdout);
    roadtest::Shot("demo", "shown", "main", run.MainWindow());
    // The stored-probe upload shows its window over the main window while it runs.
    if (const HWND probeLog = run.FindWindowTitled(kProbeLogTitle)) {
        roadtest::Shot("demo", "shown", "probe_log", probeLog);
    }
    if (!options.strShot.empty() &&
        !launchertest::ShootWindow(GetDesktopWindow(), options.strShot)) {
        Fail("the screen could not be written");
    }
    if (!options.bUntilShown) {
        while (!run.WaitForExit(1000)) {
        }
        return static_cast<int>(run.ExitCode());
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
