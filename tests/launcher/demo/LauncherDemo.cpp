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
// 100) and the stored-probe upload of the start has ended, the demo copies the upload's
// window from the screen into "<build>/e2e/shots/demo-shown-probe_log.png", moves it aside
// (it opens centred over the main window) and copies the main window, whole, into
// "demo-shown-main.png", printing each name. A picture is taken only while no window stands
// over the one it names (the help balloon of a button under the pointer, a box); the demo
// never moves the pointer. Without --until-shown it then waits for the launcher's end and
// gives its exit code; with it, it closes the launcher and gives the close's exit code, or
// 4 when a picture stayed covered. --shot writes the whole screen as it then is. The space
// is "demo" unless named.

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

#include <algorithm>
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
const uint32_t kProbeJob = 36;
const DWORD kShowWaitMs = 90000;
// How long a window over a picture's window may stand before the demo gives up waiting.
const DWORD kUncoveredWaitMs = 30000;
// The room left between the main window and the upload's window moved beside it.
const LONG kAsideGap = 8;
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

bool Meet(const RECT& one, const RECT& other)
{
    RECT common = {};
    return IntersectRect(&common, &one, &other) != FALSE;
}

// The first shown window that stands over the window on the screen: a top-level window
// above it in the z-order whose rectangle meets its own; null when none.
HWND WindowOver(HWND window)
{
    RECT own = {};
    if (!GetWindowRect(window, &own)) return nullptr;
    for (HWND above = GetWindow(window, GW_HWNDPREV); above != nullptr;
         above = GetWindow(above, GW_HWNDPREV)) {
        RECT rect = {};
        if (IsWindowVisible(above) && !IsIconic(above) && GetWindowRect(above, &rect) &&
            Meet(own, rect)) {
            return above;
        }
    }
    return nullptr;
}

std::string Describe(HWND window)
{
    char title[128] = {};
    char kind[64] = {};
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, kind, sizeof kind);
    return std::string("\"") + title + "\" (" + kind + ")";
}

// The shot "demo-shown-<name>.png" of the window once nothing stands over it, as a user sees
// it whole: a window over it is waited out, and a copy during which one came is taken
// again. A window that still stands over it at the bound (the balloon of a button under a
// pointer that nobody moves) is named, and the window is shot as the screen shows it;
// false then. (A shot that cannot be written is reported by roadtest::Shot.)
bool ShotUncovered(const char* name, HWND window)
{
    const DWORD begin = GetTickCount();
    for (;;) {
        const HWND over = WindowOver(window);
        if (over == nullptr) {
            roadtest::Shot("demo", "shown", name, window);
            if (WindowOver(window) == nullptr) return true;
        } else if (GetTickCount() - begin > kUncoveredWaitMs) {
            std::fprintf(stderr, "launcher_demo: %s stands over the window of shot %s (the "
                                 "balloon of a button under the pointer?)\n",
                         Describe(over).c_str(), name);
            roadtest::Shot("demo", "shown", name, window);
            return false;
        }
        Sleep(100);
    }
}

// The upload's window off the main window, as a user drags it away to see both: below the
// main window, or above it where the screen has no room below, within the screen's work
// area, not activated. Where neither has room it is closed, as a user may once the upload
// is done. True once it no longer meets the main window.
bool PutAside(HWND window, HWND main)
{
    RECT own = {};
    RECT owner = {};
    MONITORINFO screen = {};
    screen.cbSize = sizeof screen;
    if (!GetWindowRect(window, &own) || !GetWindowRect(main, &owner) ||
        !GetMonitorInfoA(MonitorFromWindow(main, MONITOR_DEFAULTTONEAREST), &screen)) {
        return false;
    }
    const RECT area = screen.rcWork;
    const LONG width = own.right - own.left;
    const LONG height = own.bottom - own.top;
    LONG left = owner.left + ((owner.right - owner.left) - width) / 2;
    left = std::max(area.left, std::min(left, area.right - width));
    LONG top = owner.bottom + kAsideGap;
    if (top + height > area.bottom) top = owner.top - kAsideGap - height;
    if (top >= area.top) {
        SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    const DWORD begin = GetTickCount();
    for (;;) {
        if (!IsWindow(window) || !IsWindowVisible(window)) return true;
        if (GetWindowRect(window, &own) && GetWindowRect(main, &owner) && !Meet(own, owner)) {
            return true;
        }
        if (GetTickCount() - begin > kUncoveredWaitMs) return false;
        Sleep(100);
    }
}

// The pictures of the start as it ends: the upload's window over the main window, then,
// with it moved aside, the main window whole. False when a picture stayed covered.
bool ShootTheStart(const launchertest::CLauncherRun& run)
{
    const HWND main = run.MainWindow();
    bool uncovered = true;
    const HWND probeLog = run.FindWindowTitled(kProbeLogTitle);
    if (probeLog != nullptr && IsWindowVisible(probeLog)) {
        uncovered = ShotUncovered("probe_log", probeLog);
        if (!PutAside(probeLog, main)) {
            std::fprintf(stderr, "launcher_demo: the upload's window stays over the main window\n");
        }
    }
    return ShotUncovered("main", main) && uncovered;
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
    // The stored-probe upload of the start shows its window over the main window; its
    // pictures are taken once it has ended and its lines stand still.
    while (run.Log().find(FinishLine(kProbeJob)) == std::string::npos) {
        if (run.HasExited() && !options.bUntilShown) return static_cast<int>(run.ExitCode());
        if (run.HasExited() || GetTickCount() - start > kShowWaitMs) {
            return Fail("the stored-probe upload of the start did not end"), 3;
        }
        Sleep(100);
    }
    const bool uncovered = ShootTheStart(run);
    if (!options.strShot.empty() &&
        !launchertest::ShootWindow(GetDesktopWindow(), options.strShot)) {
        Fail("the screen could not be written");
    }
    if (!options.bUntilShown) {
        while (!run.WaitForExit(1000)) {
        }
        return static_cast<int>(run.ExitCode());
    }
    const int closed = static_cast<int>(run.Close());
    if (closed == 0 && !uncovered) return Fail("a picture shows a window over the one it names"), 4;
    return closed;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) return 2;
    return RunDemo(options);
}
