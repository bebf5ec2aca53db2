// The settings window closed while it runs a nested window: the delete-data window's loop or
// the check's progress box. The end of the session sent to it, or its owner destroyed, must
// not delete the object under its own call: no crash, no hang, and the object goes once,
// after the call returned (on code 6, or deleted by the test after the owner went). The
// deletion's worker is held at its abort check until the object's deletion aborts it, and
// chkdsk at its gate until the window is gone and the object about to go.

#include "launcher/DelFileWindow.h"
#include "launcher/SettingWindow.h"
#include "tests/launcher/SettingsSupport.h"
#include "tests/launcher/support/AbortCheckGate.h"
#include "tests/launcher/support/ChkdskGate.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using settingstest::CSettingOwner;
using ui::CSettingWindow;
namespace key = ui::SettingWindowKey;

enum NestedCall { DURING_DELETION, DURING_CHECK };
enum Ending { END_SESSION, OWNER_DESTROYED };

struct NestedState {
    NestedCall call = DURING_DELETION;
    Ending ending = END_SESSION;
    CSettingOwner* owner = nullptr;
    HWND settings = nullptr;
    launchertest::CBoxPresser* question = nullptr;
    launchertest::CChkdskGate* check = nullptr;
    HWND nested = nullptr;          // the nested window when the ending came
    bool inCall = false;            // the command's call has not returned yet
    bool deletedInCall = false;
    bool windowAtDelete = false;    // the window still stood when the owner deleted the object
};
NestedState g_state;

// The nested window once it stands: the delete-data window while its worker runs, or the
// progress box after the question went.
HWND NestedWindow()
{
    if (!g_state.owner->m_pWindow) return nullptr;
    if (g_state.call == DURING_DELETION) {
        ui::CDelFileWindow* deletion = g_state.owner->m_pWindow->GetDelFileWindow();
        return deletion != nullptr && deletion->IsWindow() && deletion->IsDeleting()
                   ? deletion->GetHwnd()
                   : nullptr;
    }
    if (!g_state.question->Pressed() || IsWindow(g_state.question->Box().hBox)) return nullptr;
    return settingstest::FindOwnedWindow(g_state.settings);
}

// From inside the nested window's loop.
void CALLBACK EndWhileNested(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_state.nested != nullptr) return;
    const HWND nested = NestedWindow();
    if (nested == nullptr) return;
    g_state.nested = nested;
    if (g_state.ending == END_SESSION) {
        SendMessageA(g_state.settings, WM_ENDSESSION, TRUE, 0);
    } else {
        DestroyWindow(g_state.owner->GetHwnd());
    }
}

TEST(SettingWindowNestedTest, ClosedUnderItsNestedWindowTheObjectGoesOnceAfterTheCall)
{
    testsupport::CAgentBlock block;
    block.Write(testsupport::DriveBit('H'), testsupport::DriveBit('H'), 'H');
    settingstest::CCardVolume volume(true);
    SetVolumePlatform(&volume);
    SetEnvironmentVariableA("KESTRUM_CHKDSK_EXIT", "0");
    const struct {
        const char* name;
        NestedCall call;
        Ending ending;
    } cases[] = {
        {"the session ends during a deletion", DURING_DELETION, END_SESSION},
        {"the owner goes during a deletion", DURING_DELETION, OWNER_DESTROYED},
        {"the session ends during a check", DURING_CHECK, END_SESSION},
        {"the owner goes during a check", DURING_CHECK, OWNER_DESTROYED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.call == DURING_DELETION) settingstest::WriteMapFiles(20);
        std::unique_ptr<launchertest::CAbortCheckGate> deletion;
        std::unique_ptr<launchertest::CChkdskGate> check;
        if (c.call == DURING_DELETION) {
            deletion.reset(new launchertest::CAbortCheckGate);
            ASSERT_TRUE(deletion->Patched());
        } else {
            check.reset(new launchertest::CChkdskGate);
            ASSERT_TRUE(check->IsReady());
        }
        std::unique_ptr<CSettingOwner> owner(new CSettingOwner);
        owner->m_pWindow.reset(new CSettingWindow(owner->GetHwnd()));
        owner->m_pWindow->Create();
        owner->m_pWindow->ShowWindow(SW_SHOWNA);
        launchertest::CBoxPresser question(
            c.call == DURING_DELETION ? CSettingWindow::kDeleteQuestion
                                      : CSettingWindow::kCheckQuestion,
            IDOK);
        g_state = NestedState();
        g_state.call = c.call;
        g_state.ending = c.ending;
        g_state.owner = owner.get();
        g_state.settings = owner->m_pWindow->GetHwnd();
        g_state.question = &question;
        g_state.check = check.get();
        owner->m_onDelete = [] {
            g_state.deletedInCall = g_state.inCall;
            g_state.windowAtDelete = IsWindow(g_state.settings) != FALSE;
            // The window is gone, so the check's end finds none; chkdsk let go now, the
            // object's wait for the check returns.
            if (g_state.check != nullptr) g_state.check->Release();
        };
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, &EndWhileNested);
        const UINT command = c.call == DURING_DELETION ? key::kDeleteButton.m_nId
                                                       : key::kScandiskButton.m_nId;
        g_state.inCall = true;
        owner->m_pWindow->SendMessage(WM_COMMAND, MAKEWPARAM(command, 1), 0);
        g_state.inCall = false;
        const DWORD start = GetTickCount();
        while ((g_state.nested == nullptr || IsWindow(g_state.settings) ||
                (c.ending == END_SESSION && owner->m_pWindow)) &&
               GetTickCount() - start < 60000) {
            testsupport::DispatchQueued();
            Sleep(5);
        }
        testsupport::DispatchQueued();
        KillTimer(nullptr, timer);
        ASSERT_NE(g_state.nested, nullptr) << "no nested window came";
        EXPECT_FALSE(IsWindow(g_state.settings));
        EXPECT_FALSE(IsWindow(g_state.nested));
        const size_t closed = std::count(
            owner->m_vPosted.begin(), owner->m_vPosted.end(),
            settingstest::Posted{CSettingWindow::kChildClosedMessage, CSettingWindow::kChildCode});
        if (c.ending == END_SESSION) {
            EXPECT_EQ(closed, 1u);
            EXPECT_EQ(owner->m_nDeleted, 1);
            EXPECT_FALSE(g_state.deletedInCall) << "deleted before the nested call returned";
            // A window that outlived its close notice would show a late result's box, and
            // the object would be deleted inside that box's loop.
            EXPECT_FALSE(g_state.windowAtDelete) << "the window went with its close notice";
            EXPECT_EQ(owner->m_nEndSession, 1) << "the owner is told the session ends";
        } else {
            EXPECT_EQ(closed, 0u);
            EXPECT_EQ(owner->m_nDeleted, 0);
            // The main window's destructor deletes the object later.
            EXPECT_NE(owner->m_pWindow, nullptr);
            if (check) check->Release();
            owner->m_pWindow.reset();
        }
        owner.reset();
        std::error_code error;
        std::filesystem::remove_all("H:\\WEBDMDATA", error);
    }
    SetEnvironmentVariableA("KESTRUM_CHKDSK_EXIT", nullptr);
    SetVolumePlatform(nullptr);
    block.Write(0, 0, 0);
}

} // namespace
