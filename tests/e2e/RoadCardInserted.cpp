// Road "card inserted": the agent runs alone and a navigation card goes in. The agent broadcasts
// the arrival and starts "Launcher.exe AutoStart", which takes the card as its active one and
// relays its own broadcast; a card that comes back to the running launcher asks for the
// registration of its unit; with "AutoStartLauncher" 0 no launcher comes; an NTFS card is refused
// with its text; a card taken out is broadcast as a removal.

#include "launcher/LauncherSetting.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/LauncherTestSupport.h"
#include "tests/launcher/support/RecordFile.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/AgentBlock.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using launchertest::CLauncherRun;
using launchertest::ShownBox;

const char kRoad[] = "card_inserted";
const char kCard = 'D';
const char kNtfsCard = 'E';
const char kDeviceNo[] = "DN00000000000051";
const char kDeviceChange[] = "WM_DEVICECHANGE";
const char kRelay[] = "DEVICECHANGE_KESTRUM";
const DWORD kWaitMs = 30000;

const char kNewCardQuestion[] =
    "新しいナビゲーション情報の入ったSDカードを認識しました。\r\n"
    "ナビゲーション情報の登録を行います。よろしいですか？";
const char kNeedsRegistration[] =
    "本機能を利用するにはナビゲーション情報の登録が必要です。\r\n"
    "ナビゲーションでSDカード登録を行ってから、お客様登録を行ってください。";
const char kUnsupportedCard[] =
    "サポートされていないSDカードです。\r\nナビゲーションでの更新がご利用頂けません。\r\n"
    "SDまたはSDHC規格に対応したメモリーカードをご使用ください。";
const UINT kQuestionStyle = 0x44;
const UINT kWarningStyle = 0x70;

// A running "Launcher.exe" of the prefix, as the toolhelp snapshot lists it.
struct LauncherProcess {
    DWORD dwId = 0;
    DWORD dwParent = 0;
};

std::vector<LauncherProcess> LauncherProcesses()
{
    std::vector<LauncherProcess> found;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "Launcher.exe") == 0) {
            LauncherProcess process;
            process.dwId = entry.th32ProcessID;
            process.dwParent = entry.th32ParentProcessID;
            found.push_back(process);
        }
    }
    CloseHandle(snapshot);
    return found;
}

struct WindowSearch {
    DWORD dwProcess;
    const char* pszTitle;
    bool bNotHidden; // the main window: not the hidden window of the same title
    HWND hFound;
};

BOOL CALLBACK TestWindow(HWND window, LPARAM data)
{
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char title[128] = {};
    char name[64] = {};
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, name, sizeof name);
    if (owner != search.dwProcess || !IsWindowVisible(window) ||
        lstrcmpA(title, search.pszTitle) != 0 ||
        (search.bNotHidden &&
         (GetWindow(window, GW_OWNER) != nullptr || lstrcmpA(name, "KESTRUMLAUNCHER") == 0))) {
        return TRUE;
    }
    search.hFound = window;
    return FALSE;
}

HWND FindShown(DWORD processId, const char* title, bool main)
{
    WindowSearch search = {processId, title, main, nullptr};
    EnumWindows(&TestWindow, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

HWND WaitForShown(DWORD processId, const char* title, bool main, DWORD timeoutMs)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
        if (HWND found = FindShown(processId, title, main)) return found;
    }
    return nullptr;
}

// The agent of the product folder, started as the launcher starts it.
class CAgent {
public:
    ~CAgent()
    {
        if (m_hProcess != nullptr) CloseHandle(m_hProcess);
    }

    bool Start(const std::string& program)
    {
        std::string line = "\"" + program + "\" Launcher";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started = {};
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &started)) {
            return false;
        }
        CloseHandle(started.hThread);
        m_hProcess = started.hProcess;
        m_dwId = started.dwProcessId;
        return roadtest::WaitForAgentWindow(kWaitMs) != nullptr;
    }

    DWORD Id() const { return m_dwId; }

private:
    HANDLE m_hProcess = nullptr;
    DWORD m_dwId = 0;
};

// Settings of a PC whose unit model was chosen; the agent reads "AutoStartLauncher".
void WriteLauncherIni(int autoStart)
{
    CreateDirectoryA((launchertest::UserProductFolder() + "Setting").c_str(), nullptr);
    CLauncherSettingFile settings;
    settings.Load("");
    settings.m_iMachineType = 1;
    settings.m_iFirstRan = 0;
    settings.m_iAutoStartLauncher = autoStart;
    settings.Save("");
}

// Presses the box's button and waits until the box has left the screen, so that a shot after
// it shows the window beneath.
bool PressAndWaitGone(const ShownBox& box, int result)
{
    if (!launchertest::PressBox(box, result)) return false;
    for (const DWORD start = GetTickCount(); IsWindow(box.hBox) && GetTickCount() - start < kWaitMs;
         Sleep(50)) {
    }
    return !IsWindow(box.hBox);
}

class RoadCardInserted : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_standIn.IsRunning());
        ASSERT_TRUE(m_standIn.SetVars(launchertest::NothingNewerVars()));
        ASSERT_TRUE(m_product.HasLauncher());
        ASSERT_TRUE(m_agentSwap.Swapped());
        ASSERT_TRUE(m_product.WriteConnectionInfo(m_standIn));
        ASSERT_TRUE(m_observer.IsReady());
        // Inherited by the agent and the launcher it starts.
        SetEnvironmentVariableA("KESTRUM_SIMULATED_CARDS", std::string(1, kCard).c_str());
        SetEnvironmentVariableA("KESTRUM_NTFS_CARDS", std::string(1, kNtfsCard).c_str());
        // Both readers empty; no agent looks yet.
        roadtest::RemoveCard(kCard);
        roadtest::RemoveCard(kNtfsCard);
    }

    void TearDown() override { launchertest::EndProductPrograms(); }

    // The card's files written, then the agent asked to look (Wine raises no media notice for a
    // folder drive).
    static void InsertCard(char letter)
    {
        const std::vector<uint8_t> link = CLinkFileBuilder().SetDeviceNo(kDeviceNo).Build();
        roadtest::WriteCardFile(letter, "PC\\NAVIINFO.DAT", std::string(link.begin(), link.end()));
        ASSERT_TRUE(roadtest::InsertCard(letter));
    }

    static char SelectedDrive()
    {
        CardShareRecord record;
        return launchertest::ReadCardRecord(record) ? static_cast<char>(record.selectedDrive) : 0;
    }

    launchertest::CProductFolder m_product;
    launchertest::CProgramSwap m_agentSwap = m_product.UseRealAgent();
    onlinetest::CStandIn m_standIn{roadtest::Space(kRoad)};
    launchertest::CObserver m_observer{{kRelay, "UserChanger"}};
};

TEST_F(RoadCardInserted, TheCardStartsTheLauncherThatTakesItAndAsksForItsUnit)
{
    launchertest::RemoveUserFiles();
    WriteLauncherIni(1);
    const size_t logStart = launchertest::FileLength(launchertest::LauncherLogPath());
    CAgent agent;
    ASSERT_TRUE(agent.Start(m_product.File("Kestrum4Agent.exe")));

    // Card in: the agent's broadcast, and one launcher started by it with "AutoStart".
    InsertCard(kCard);
    ASSERT_TRUE(m_observer.WaitFor(kDeviceChange, 1, kWaitMs));
    std::vector<LauncherProcess> launchers;
    for (const DWORD start = GetTickCount(); launchers.empty() && GetTickCount() - start < kWaitMs;
         Sleep(50)) {
        launchers = LauncherProcesses();
    }
    ASSERT_EQ(launchers.size(), 1u);
    EXPECT_EQ(launchers[0].dwParent, agent.Id());
    const DWORD launcher = launchers[0].dwId;
    const HWND main = WaitForShown(launcher, CLauncherRun::kTitle, true, kWaitMs);
    ASSERT_NE(main, nullptr);
    const std::string line = roadtest::ProcessCommandLine(main);
    EXPECT_EQ(line.substr(line.size() < 10 ? 0 : line.size() - 10), " AutoStart") << line;
    EXPECT_EQ(SelectedDrive(), kCard);
    EXPECT_TRUE(m_observer.WaitFor(kRelay, 1, kWaitMs));
    // The downloads the shown window starts want a registered user first.
    launchertest::CBoxWatch boxes(launchertest::LauncherLogPath(), launcher, logStart);
    const ShownBox needsUser = boxes.WaitForBox(kNeedsRegistration, kWaitMs);
    ASSERT_TRUE(needsUser.Found());
    EXPECT_EQ(needsUser.uStyle, kWarningStyle);
    roadtest::Shot(kRoad, "1-card-in", "needs-registration", needsUser.hBox);
    ASSERT_TRUE(PressAndWaitGone(needsUser, IDOK));
    roadtest::Shot(kRoad, "1-card-in", "main", main);
    // Another look with nothing changed starts no second launcher.
    ASSERT_TRUE(roadtest::AskAgentForCardCheck());
    Sleep(1500);
    EXPECT_EQ(LauncherProcesses().size(), 1u);

    // Out: the agent's removal and the launcher's relay of it.
    m_observer.Forget();
    ASSERT_TRUE(roadtest::RemoveCard(kCard));
    EXPECT_TRUE(m_observer.WaitFor(kDeviceChange, 2, kWaitMs));
    EXPECT_TRUE(m_observer.WaitFor(kRelay, 2, kWaitMs));

    // In again while the launcher runs: its unit has no user here, so it asks.
    InsertCard(kCard);
    const ShownBox question = boxes.WaitForBox(kNewCardQuestion, kWaitMs);
    ASSERT_TRUE(question.Found());
    EXPECT_EQ(question.uStyle, kQuestionStyle);
    EXPECT_EQ(SelectedDrive(), kCard);
    roadtest::Shot(kRoad, "2-card-again", "question", question.hBox);
    ASSERT_TRUE(PressAndWaitGone(question, IDYES));
    const HWND wizard = WaitForShown(launcher, "お客様登録", false, kWaitMs);
    ASSERT_NE(wizard, nullptr);
    roadtest::Shot(kRoad, "3-yes", "wizard", wizard);
}

TEST_F(RoadCardInserted, WithoutAutoStartTheAgentOnlyBroadcasts)
{
    launchertest::RemoveUserFiles();
    WriteLauncherIni(0);
    CAgent agent;
    ASSERT_TRUE(agent.Start(m_product.File("Kestrum4Agent.exe")));

    InsertCard(kCard);
    ASSERT_TRUE(m_observer.WaitFor(kDeviceChange, 1, kWaitMs));
    CardShareRecord record;
    ASSERT_TRUE(launchertest::ReadCardRecord(record));
    EXPECT_EQ(record.cardMask, testsupport::DriveBit(kCard));
    Sleep(3000);
    EXPECT_TRUE(LauncherProcesses().empty());
}

TEST_F(RoadCardInserted, AnNtfsCardIsRefusedAndItsRemovalBroadcast)
{
    CLauncherRun run(m_product);
    WriteLauncherIni(0);
    ASSERT_TRUE(run.Start());
    ASSERT_EQ(run.WaitForMainWindow(kWaitMs), CLauncherRun::MAIN_WINDOW) << run.Log();
    // The agent the launcher started, with no card to see yet.
    ASSERT_NE(roadtest::WaitForAgentWindow(kWaitMs), nullptr);

    InsertCard(kNtfsCard);
    ASSERT_TRUE(m_observer.WaitFor(kDeviceChange, 1, kWaitMs));
    const ShownBox refused = run.WaitForBox(kUnsupportedCard, kWaitMs);
    ASSERT_TRUE(refused.Found()) << run.Log();
    EXPECT_EQ(refused.uStyle, kWarningStyle);
    EXPECT_EQ(SelectedDrive(), 0);
    roadtest::Shot(kRoad, "4-ntfs-card", "refusal", refused.hBox);
    ASSERT_TRUE(PressAndWaitGone(refused, IDOK));

    m_observer.Forget();
    ASSERT_TRUE(roadtest::RemoveCard(kNtfsCard));
    EXPECT_TRUE(m_observer.WaitFor(kDeviceChange, 2, kWaitMs));
    EXPECT_EQ(run.Close(), 0u);
}

} // namespace
