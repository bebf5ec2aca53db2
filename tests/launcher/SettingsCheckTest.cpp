// The settings window's check disk against the "chkdsk.exe" stand-in of the system folder: the
// command line, the log line of each outcome (the stand-in missing too) and the done message
// after every one of them, and a second press while the check runs.

#include "launcher/SettingWindow.h"
#include "lib/wfc/Window.h"
#include "skin/SkinWindowItem.h"
#include "tests/launcher/SettingsSupport.h"
#include "tests/launcher/support/ChkdskGate.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/launcher/support/StartRecord.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using ui::CSettingWindow;
namespace key = ui::SettingWindowKey;

// Every wait for a box or chkdsk: a loaded machine's.
const DWORD kBoundMs = 60000;

bool g_bDoneShown = false;

// Answers the check's question with OK and its done message with OK, from inside their loops.
void CALLBACK AnswerBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    launchertest::ShownBox question = launchertest::WaitForBox(CSettingWindow::kCheckQuestion, 0);
    if (question.Found()) launchertest::PressBox(question, IDOK);
    launchertest::ShownBox done = launchertest::WaitForBox(CSettingWindow::kCheckDone, 0);
    if (done.Found() && launchertest::PressBox(done, IDOK)) g_bDoneShown = true;
}

// Sets the system folder's "chkdsk.exe" aside for its life (launcher_process keeps every other
// user of the prefix's stand-in away meanwhile).
class CChkdskAside {
public:
    explicit CChkdskAside(bool aside)
    {
        char system[MAX_PATH] = {};
        GetSystemDirectoryA(system, MAX_PATH);
        m_strPath = std::string(system) + "\\chkdsk.exe";
        m_bAside = aside && MoveFileA(m_strPath.c_str(), (m_strPath + ".aside").c_str());
    }
    ~CChkdskAside()
    {
        if (m_bAside) MoveFileA((m_strPath + ".aside").c_str(), m_strPath.c_str());
    }
    bool IsAside() const { return m_bAside; }

private:
    std::string m_strPath;
    bool m_bAside;
};

class CCheckOwner : public lib::wfc::CWindow {
public:
    CCheckOwner() { Create(0, nullptr, "Kestrum4 Check Owner", WS_POPUP, 0, 0, 100, 100); }
    ~CCheckOwner() override { DestroyWindow(); }
};

TEST(SettingWindowCheckTest, EveryOutcomeIsLoggedAndEndsWithTheDoneMessage)
{
    testsupport::CAgentBlock block;
    block.Write(testsupport::DriveBit('H'), testsupport::DriveBit('H'), 'H');
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string folder = std::string(system) + "\\";
    struct Case {
        const char* name;
        const char* exitCode;
        bool held;              // chkdsk held at its gate until the case ends
        DWORD waitMs;
        std::vector<std::string> lines;
        bool missing = false;   // the stand-in set aside
    };
    const Case cases[] = {
        {"no error", "0", false, CSettingWindow::kScanWaitMs, {"CHKDSK エラーなし"}},
        {"errors mended", "1", false, CSettingWindow::kScanWaitMs, {"CHKDSK エラーがあった為、修復"}},
        {"errors left", "3", false, CSettingWindow::kScanWaitMs,
         {"CHKDSKエラー EXTCODE:0x00000003", "SDカードスキャン終了 0x00000000"}},
        {"two time-outs", "0", true, 300,
         {"CHKDSKタイムアウト1回目", "CHKDSKタイムアウト2回目", "SDカードスキャン終了 0x00000000"}},
        {"the stand-in missing", "0", false, CSettingWindow::kScanWaitMs,
         {"CHKDSK起動失敗", "SDカードスキャン終了 0x00000000"}, true},
    };
    for (const Case& c : cases) {
        SetEnvironmentVariableA("KESTRUM_CHKDSK_EXIT", c.exitCode);
        std::unique_ptr<launchertest::CChkdskGate> gate;
        if (c.held) gate.reset(new launchertest::CChkdskGate);
        launchertest::CStartRecord record(folder);
        CChkdskAside aside(c.missing);
        ASSERT_EQ(aside.IsAside(), c.missing) << c.name;
        testsupport::CLogCapture log;
        CCheckOwner owner;
        CSettingWindow window(owner.GetHwnd());
        window.Create();
        window.ShowWindow(SW_SHOWNA);
        window.SetScanWaitForTest(c.waitMs);
        g_bDoneShown = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, &AnswerBoxes);
        window.PostMessage(WM_COMMAND, MAKEWPARAM(key::kScandiskButton.m_nId, 1), 0);
        const DWORD start = GetTickCount();
        while (!g_bDoneShown && GetTickCount() - start < kBoundMs) {
            testsupport::DispatchQueued();
            Sleep(10);
        }
        KillTimer(nullptr, timer);
        EXPECT_TRUE(g_bDoneShown) << c.name << ": the done message after every outcome";
        const std::vector<launchertest::StartedProgram> starts =
            c.missing ? record.StartsOf("chkdsk.exe") : record.WaitForStart("chkdsk.exe", kBoundMs);
        ASSERT_EQ(starts.size(), c.missing ? 0u : 1u) << c.name;
        if (!c.missing) {
            EXPECT_EQ(starts[0].sArguments, "H: /F /X") << c.name;
        }
        EXPECT_TRUE(log.Has("SDカードスキャン開始")) << c.name;
        for (const std::string& line : c.lines) EXPECT_TRUE(log.Has(line)) << c.name << ": " << line;
        window.DestroyWindow();
    }
    SetEnvironmentVariableA("KESTRUM_CHKDSK_EXIT", nullptr);
    block.Write(0, 0, 0);
}

// The second press's steps, from inside the boxes' loops: the question answered, then the
// progress box closed (the check goes on), then the done message pressed.
HWND g_hSettings = nullptr;
HWND g_hQuestion = nullptr;
HWND g_hProgress = nullptr;

void CALLBACK CloseProgressAndAnswer(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_hQuestion == nullptr) {
        launchertest::ShownBox question =
            launchertest::WaitForBox(CSettingWindow::kCheckQuestion, 0);
        if (question.Found() && launchertest::PressBox(question, IDOK)) g_hQuestion = question.hBox;
        return;
    }
    if (g_hProgress == nullptr) {
        if (IsWindow(g_hQuestion)) return;
        launchertest::ShownBox progress;
        progress.hBox = settingstest::FindOwnedWindow(g_hSettings);
        progress.uStyle = 255;
        if (progress.Found() && launchertest::PressBox(progress, IDCANCEL)) {
            g_hProgress = progress.hBox;
        }
        return;
    }
    launchertest::ShownBox done = launchertest::WaitForBox(CSettingWindow::kCheckDone, 0);
    if (done.Found() && launchertest::PressBox(done, IDOK)) g_bDoneShown = true;
}

// The progress box's close ends only the box: a press while chkdsk still runs (held at its
// gate until the press was refused) asks nothing and starts nothing, and the one check still
// ends with its done message.
TEST(SettingWindowCheckTest, APressWhileTheCheckRunsIsRefused)
{
    testsupport::CAgentBlock block;
    block.Write(testsupport::DriveBit('H'), testsupport::DriveBit('H'), 'H');
    SetEnvironmentVariableA("KESTRUM_CHKDSK_EXIT", "0");
    launchertest::CChkdskGate gate;
    ASSERT_TRUE(gate.IsReady());
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    launchertest::CStartRecord record(std::string(system) + "\\");
    testsupport::CLogCapture log;
    {
        CCheckOwner owner;
        CSettingWindow window(owner.GetHwnd());
        window.Create();
        window.ShowWindow(SW_SHOWNA);
        g_hSettings = window.GetHwnd();
        g_hQuestion = g_hProgress = nullptr;
        g_bDoneShown = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 30, &CloseProgressAndAnswer);
        const WPARAM scan = MAKEWPARAM(key::kScandiskButton.m_nId, 1);
        window.PostMessage(WM_COMMAND, scan, 0);
        bool pressedAgain = false;
        bool released = false;
        const DWORD start = GetTickCount();
        while (!g_bDoneShown && GetTickCount() - start < kBoundMs) {
            testsupport::DispatchQueued();
            if (!pressedAgain && g_hProgress != nullptr && !IsWindow(g_hProgress)) {
                pressedAgain = true;
                EXPECT_FALSE(log.Has("SDカードスキャン終了")) << "the check ended too soon";
                window.PostMessage(WM_COMMAND, scan, 0);
            }
            // The second press refused: chkdsk may end.
            if (pressedAgain && !released && log.Has("処理開始時のスレッド存在.")) {
                released = true;
                gate.Release();
            }
            Sleep(10);
        }
        KillTimer(nullptr, timer);
        EXPECT_TRUE(pressedAgain);
        EXPECT_TRUE(g_bDoneShown);
        EXPECT_TRUE(log.Has("処理開始時のスレッド存在."));
        EXPECT_EQ(log.Count(launchertest::EscapeBoxText(CSettingWindow::kCheckQuestion)), 1u);
        EXPECT_EQ(log.Count(CSettingWindow::kCheckDone), 1u);
        EXPECT_EQ(record.StartsOf("chkdsk.exe").size(), 1u);
        window.DestroyWindow();
    }
    SetEnvironmentVariableA("KESTRUM_CHKDSK_EXIT", nullptr);
    block.Write(0, 0, 0);
}

} // namespace
