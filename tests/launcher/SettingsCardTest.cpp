// The settings window's deletion on card H:: the locked card, the confirmed deletion and its
// result message, the card record changed while the question is shown (the card confirmed
// is the card deleted) and the card taken out meanwhile, and a second deletion asked for
// while a cancelled one still runs. The card's volume answers through a platform of the test.

#include "carddata/VolumeControl.h"
#include "launcher/DelFileWindow.h"
#include "launcher/SettingWindow.h"
#include "lib/wfc/Window.h"
#include "tests/carddata/support/CardAway.h"
#include "tests/launcher/SettingsSupport.h"
#include "tests/launcher/support/AbortCheckGate.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <map>
#include <utility>
#include <vector>
#include <string>

namespace {

using ui::CSettingWindow;
namespace key = ui::SettingWindowKey;

using settingstest::CCardVolume;

// Every wait for a box or the deletion: a loaded machine's.
const DWORD kBoundMs = 60000;

// The boxes to answer, in the order they come, each once; a hook runs before a box is
// pressed. A box is found by its log line and its owner, so only the next one is looked for.
std::vector<std::pair<std::string, int>> g_answers;
size_t g_uNext = 0;
std::map<std::string, int> g_pressed;
void (*g_pfnBeforePress)(const std::string& text) = nullptr;
// Past it (when set) any box is closed instead, so that a box out of turn fails the case
// rather than waits for ever.
DWORD g_dwGiveUpAt = 0;

void CALLBACK AnswerBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_dwGiveUpAt != 0 && static_cast<LONG>(GetTickCount() - g_dwGiveUpAt) > 0) {
        launchertest::PressBox(launchertest::WaitForBox("", 0), IDCANCEL);
        return;
    }
    if (g_uNext >= g_answers.size()) return;
    const auto& answer = g_answers[g_uNext];
    launchertest::ShownBox box = launchertest::WaitForBox(answer.first, 0);
    if (!box.Found()) return;
    if (g_pfnBeforePress != nullptr) g_pfnBeforePress(answer.first);
    if (launchertest::PressBox(box, answer.second)) {
        ++g_pressed[answer.first];
        ++g_uNext;
    }
}

class CCardOwner : public lib::wfc::CWindow {
public:
    CCardOwner() { Create(0, nullptr, "Kestrum4 Card Owner", WS_POPUP, 0, 0, 100, 100); }
    ~CCardOwner() override { DestroyWindow(); }
};

testsupport::CAgentBlock* g_pBlock = nullptr;
CCardAway* g_pAway = nullptr;

// While the question is shown the agent clears the selection (and the card goes, when the
// case takes it away).
void ClearSelection(const std::string& text)
{
    if (text == CSettingWindow::kDeleteQuestion && g_pBlock != nullptr) {
        g_pBlock->Write(testsupport::DriveBit('H'), testsupport::DriveBit('H'), 0);
        if (g_pAway != nullptr) {
            EXPECT_TRUE(g_pAway->Move());
        }
    }
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

TEST(SettingWindowCardTest, DeletionOfTheConfirmedCardAndItsMessages)
{
    testsupport::CAgentBlock block;
    g_pBlock = &block;
    struct Case {
        const char* name;
        bool writable;
        bool clearSelection;       // the record loses the card while the question is shown
        std::string finalBox;      // the box that ends the case
        bool deleted;
        bool held = false;         // the file in UPDATE held open without sharing
        bool away = false;         // the card's host folder moved away with the selection
    };
    const Case cases[] = {
        {"locked card", false, false, CSettingWindow::kCardLocked, false},
        {"confirmed deletion", true, false, CSettingWindow::kDeleteDone, true},
        {"selection cleared meanwhile: the confirmed card is deleted", true, true,
         CSettingWindow::kDeleteDone, true},
        {"a file held open: card busy", true, false, CSettingWindow::kCardBusy, false, true},
        {"the card taken out meanwhile: not ready, nothing deleted elsewhere", true, true,
         CSettingWindow::kDeleteFailed, false, false, true},
    };
    for (const Case& c : cases) {
        CreateDirectoryA("H:\\UPDATE", nullptr);
        std::ofstream("H:\\UPDATE\\u.bin") << "update";
        block.Write(testsupport::DriveBit('H'), testsupport::DriveBit('H'), 'H');
        HANDLE held = c.held ? CreateFileA("H:\\UPDATE\\u.bin", GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr)
                             : INVALID_HANDLE_VALUE;
        CCardVolume volume(c.writable);
        SetVolumePlatform(&volume);
        testsupport::CLogCapture log;
        g_answers.clear();
        if (c.writable) g_answers.push_back({CSettingWindow::kDeleteQuestion, IDOK});
        g_answers.push_back({c.finalBox, IDOK});
        g_uNext = 0;
        g_pressed.clear();
        g_pfnBeforePress = c.clearSelection ? &ClearSelection : nullptr;
        CCardAway away('H');
        if (c.away) {
            ASSERT_TRUE(away.CanMove()) << "the card's host folder is not found";
        }
        g_pAway = c.away ? &away : nullptr;
        {
            CCardOwner owner;
            CSettingWindow window(owner.GetHwnd());
            window.Create();
            window.ShowWindow(SW_SHOWNA);
            const UINT_PTR timer = SetTimer(nullptr, 0, 50, &AnswerBoxes);
            window.PostMessage(WM_COMMAND, MAKEWPARAM(key::kDeleteButton.m_nId, 1), 0);
            const DWORD start = GetTickCount();
            while (g_pressed[c.finalBox] == 0 && GetTickCount() - start < kBoundMs) {
                testsupport::DispatchQueued();
                Sleep(10);
            }
            KillTimer(nullptr, timer);
            window.DestroyWindow();
        }
        g_pfnBeforePress = nullptr;
        g_pAway = nullptr;
        EXPECT_TRUE(away.Back()) << c.name;
        SetVolumePlatform(nullptr);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_EQ(g_pressed[c.finalBox], 1) << c.name;
        EXPECT_EQ(g_pressed[CSettingWindow::kDeleteQuestion], c.writable ? 1 : 0) << c.name;
        EXPECT_EQ(log.Has("CSettingWindow::_OnButtonDelete  SD Card is lock"), !c.writable)
            << c.name;
        EXPECT_EQ(log.Has("no card at H:\\"), c.away) << c.name << ": 21 posted";
        EXPECT_EQ(Exists("H:\\UPDATE"), !c.deleted) << c.name;
    }
    DeleteFileA("H:\\UPDATE\\u.bin");
    RemoveDirectoryA("H:\\UPDATE");
    block.Write(0, 0, 0);
    g_pBlock = nullptr;
}

CSettingWindow* g_pSettings = nullptr;
bool g_bCancelled = false;

// Cancels the delete-data window once its worker runs, from inside the window's loop.
void CALLBACK CancelDeletion(HWND, UINT, UINT_PTR, DWORD)
{
    ui::CDelFileWindow* deletion = g_pSettings != nullptr ? g_pSettings->GetDelFileWindow() : nullptr;
    if (g_bCancelled || deletion == nullptr || !deletion->IsWindow() || !deletion->IsDeleting()) {
        return;
    }
    g_bCancelled = true;
    deletion->PostMessage(WM_COMMAND, MAKEWPARAM(ui::DelFileWindowKey::kCancelButton.m_nId, 1), 0);
}

// Runs this thread's messages until the boxes up to the count are pressed, running the step
// between rounds.
bool PumpUntilPressed(size_t count, const std::function<void()>& step)
{
    const DWORD start = GetTickCount();
    g_dwGiveUpAt = start + 45000;
    while (g_uNext < count && GetTickCount() - start < 60000) {
        testsupport::DispatchQueued();
        if (step) step();
        Sleep(5);
    }
    g_dwGiveUpAt = 0;
    return g_uNext >= count;
}

// Cancel only closes the window: the deletion goes on. Delete meanwhile is refused with the
// card busy message, the first deletion ends with its one result, and a Delete after it
// runs a deletion of its own (not one stopped at once by the first window's abort). The
// first deletion is held at its first abort check until the refusal has been answered.
TEST(SettingWindowCardTest, ASecondDeletionWaitsUntilTheCancelledOneEnded)
{
    testsupport::CAgentBlock block;
    block.Write(testsupport::DriveBit('H'), testsupport::DriveBit('H'), 'H');
    CCardVolume volume(true);
    SetVolumePlatform(&volume);
    settingstest::WriteMapFiles(20);
    launchertest::CAbortCheckGate gate;
    ASSERT_TRUE(gate.Patched());
    CreateDirectoryA("H:\\UPDATE", nullptr);
    std::ofstream("H:\\UPDATE\\u.bin") << "update";
    testsupport::CLogCapture log;
    g_answers = {{CSettingWindow::kDeleteQuestion, IDOK}, {CSettingWindow::kCardBusy, IDOK},
                 {CSettingWindow::kDeleteDone, IDOK},     {CSettingWindow::kDeleteQuestion, IDOK},
                 {CSettingWindow::kDeleteDone, IDOK}};
    g_uNext = 0;
    g_pressed.clear();
    g_bCancelled = false;
    {
        CCardOwner owner;
        CSettingWindow window(owner.GetHwnd());
        window.Create();
        window.ShowWindow(SW_SHOWNA);
        g_pSettings = &window;
        const UINT_PTR answer = SetTimer(nullptr, 0, 50, &AnswerBoxes);
        const UINT_PTR cancel = SetTimer(nullptr, 0, 20, &CancelDeletion);
        const WPARAM del = MAKEWPARAM(key::kDeleteButton.m_nId, 1);
        window.PostMessage(WM_COMMAND, del, 0);
        bool pressedAgain = false;
        bool runningWhenPressed = false;
        EXPECT_TRUE(PumpUntilPressed(3, [&] {
            // The busy message answered: the first deletion goes on to its end.
            if (g_uNext >= 2) gate.Open();
            ui::CDelFileWindow* deletion = window.GetDelFileWindow();
            if (!g_bCancelled || pressedAgain || deletion == nullptr || deletion->IsWindow()) return;
            pressedAgain = true;
            runningWhenPressed = deletion->IsDeleting();
            window.PostMessage(WM_COMMAND, del, 0);
        }));
        EXPECT_TRUE(runningWhenPressed) << "the deletion ended before the second press";
        KillTimer(nullptr, cancel);
        EXPECT_EQ(g_pressed[CSettingWindow::kCardBusy], 1);
        EXPECT_TRUE(log.Has("CSettingWindow::_OnButtonDelete  deletion still running"));
        testsupport::DispatchQueued();
        EXPECT_EQ(log.Count(launchertest::EscapeBoxText(CSettingWindow::kDeleteDone)), 1u);
        EXPECT_FALSE(Exists("H:\\WEBDMDATA"));
        EXPECT_FALSE(Exists("H:\\UPDATE"));

        // After it ended: a new deletion of its own.
        CreateDirectoryA("H:\\UPDATE", nullptr);
        std::ofstream("H:\\UPDATE\\v.bin") << "update";
        window.PostMessage(WM_COMMAND, del, 0);
        EXPECT_TRUE(PumpUntilPressed(5, nullptr));
        KillTimer(nullptr, answer);
        EXPECT_FALSE(Exists("H:\\UPDATE"));
        EXPECT_EQ(g_pressed[CSettingWindow::kDeleteDone], 2);
        window.DestroyWindow();
        g_pSettings = nullptr;
    }
    SetVolumePlatform(nullptr);
    DeleteFileA("H:\\UPDATE\\v.bin");
    RemoveDirectoryA("H:\\UPDATE");
    block.Write(0, 0, 0);
}

} // namespace
