// The wizard as the real main window opens it from its log-in button, the other tool windows
// stubs (tests/launcher/MainWindowTestSupport.h).

#include "tests/launcher/MainWindowTestSupport.h"

#include "launcher/InitializationWindow.h"
#include "skin/SkinWindowItem.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using namespace mainwindowtest;
namespace key = ui::LaunchWindowKey;

class CInitializationMainWindowTest : public CMainWindowTest {};

TEST_F(CInitializationMainWindowTest, LogInButtonWaitsForTheWizardItOpened)
{
    Tools().UseRealWindow(ui::TOOL_INITIALIZATION);
    CreateMainWindow();
    FinishChain();
    ui::CSkinWindowItem* login = Item(key::kButtonLogin);
    ASSERT_NE(login, nullptr);
    ASSERT_TRUE(login->IsEnabled());

    Window().SendMessage(WM_COMMAND, MAKEWPARAM(key::kButtonLogin.m_nId, 1), 0);
    Pump();
    ui::CInitializationWindow* wizard =
        Tools().RealObject<ui::CInitializationWindow>(ui::TOOL_INITIALIZATION);
    ASSERT_NE(wizard, nullptr);
    const HWND hwnd = wizard->GetHwnd();
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(::GetWindow(hwnd, GW_OWNER), Window().GetHwnd());
    EXPECT_EQ(wizard->GetPage(), 0);
    EXPECT_FALSE(login->IsEnabled()) << "a second wizard could be asked for";

    // Cancel: the wizard's two notices, the second after its object went.
    wizard->PostMessage(WM_COMMAND,
                        MAKEWPARAM(ui::InitializationWindowKey::kCancelButton.m_nId, 1), 0);
    Pump();
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_FALSE(Tools().Holds(ui::TOOL_INITIALIZATION));
    EXPECT_EQ(Tools().Record(ui::TOOL_INITIALIZATION).nMade, 1);
    EXPECT_EQ(Tools().Record(ui::TOOL_INITIALIZATION).nDeleted, 1);
    EXPECT_TRUE(login->IsEnabled());
    EXPECT_TRUE(login->IsVisible()) << "nobody was registered";
    EXPECT_TRUE(::IsWindowVisible(Window().GetHwnd()));
}

} // namespace
