// The settings window's check disk against the "chkdsk.exe" stand-in of the system folder: the
// command line, the log line of each outcome and the done message after every one of them.

#include "launcher/SettingWindow.h"
#include "lib/wfc/Window.h"
#include "skin/SkinWindowItem.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/launcher/support/StartRecord.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

using ui::CSettingWindow;
namespace key = ui::SettingWindowKey;

bool g_bDoneShown = false;

// Answers the check's question with OK and its done message with OK, from inside their loops.
void CALLBACK AnswerBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    launchertest::ShownBox question = launchertest::WaitForBox(CSettingWindow::kCheckQuestion, 0);
    if (question.Found()) launchertest::PressBox(question, IDOK);
    launchertest::ShownBox done = launchertest::WaitForBox(CSettingWindow::kCheckDone, 0);
    if (done.Found() && launchertest::PressBox(done, IDOK)) g_bDoneShown = true;
}

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
        const char* delayMs;
        DWORD waitMs;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"no error", "0", "0", CSettingWindow::kScanWaitMs, {"CHKDSK エラーなし"}},
        {"errors mended", "1", "0", CSettingWindow::kScanWaitMs, {"CHKDSK エラーがあった為、修復"}},
        {"errors left", "3", "0", CSettingWindow::kScanWaitMs,
         {"CHKDSKエラー EXTCODE:0x00000003", "SDカードスキャン終了 0x00000000"}},
        {"two time-outs", "0", "1500", 300,
         {"CHKDSKタイムアウト1回目", "CHKDSKタイムアウト2回目", "SDカードスキャン終了 0x00000000"}},
    };
    for (const Case& c : cases) {
        SetEnvironmentVariableA("KESTRUM_CHKDSK_EXIT", c.exitCode);
        SetEnvironmentVariableA("KESTRUM_CHKDSK_DELAY_MS", c.delayMs);
        launchertest::CStartRecord record(folder);
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
        while (!g_bDoneShown && GetTickCount() - start < 15000) {
            testsupport::DispatchQueued();
            Sleep(10);
        }
        KillTimer(nullptr, timer);
        EXPECT_TRUE(g_bDoneShown) << c.name << ": the done message after every outcome";
        const std::vector<launchertest::StartedProgram> starts =
            record.WaitForStart("chkdsk.exe", 5000);
        ASSERT_EQ(starts.size(), 1u) << c.name;
        EXPECT_EQ(starts[0].sArguments, "H: /F /X") << c.name;
        EXPECT_TRUE(log.Has("SDカードスキャン開始")) << c.name;
        for (const std::string& line : c.lines) EXPECT_TRUE(log.Has(line)) << c.name << ": " << line;
        window.DestroyWindow();
    }
    SetEnvironmentVariableA("KESTRUM_CHKDSK_EXIT", nullptr);
    SetEnvironmentVariableA("KESTRUM_CHKDSK_DELAY_MS", nullptr);
    block.Write(0, 0, 0);
}

} // namespace
