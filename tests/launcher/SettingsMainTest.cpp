// The settings window through the real main window: its factory gives the product's settings
// window (every other kind a stub), its menu opens it, it relays the update state to it, and
// the window's child code makes it delete the window.

#include "tests/launcher/MainWindowTestSupport.h"

#include "launcher/LaunchWindowMessages.h"
#include "launcher/SettingWindow.h"
#include "skin/SkinWindowItem.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using namespace mainwindowtest;
using ui::CSettingWindow;
namespace key = ui::SettingWindowKey;

TEST_F(CMainWindowTest, SettingsFromTheMenuFollowTheUpdateStateAndGoOnCancel)
{
    Tools().UseRealWindow(ui::TOOL_SETTING);
    Agent().Write(CardBits("M"), 0, 'M');
    CreateMainWindow();
    FinishChain();

    OpenTool(ui::TOOL_SETTING);
    const HWND hwnd = Tools().RealWindow(ui::TOOL_SETTING);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(::GetWindow(hwnd, GW_OWNER), Window().GetHwnd());
    CSettingWindow* window = Tools().RealObject<CSettingWindow>(ui::TOOL_SETTING);
    ASSERT_NE(window, nullptr);
    ui::CSkinWindowItem* del = window->GetItemById(key::kDeleteButton.m_nId);
    ui::CSkinWindowItem* scan = window->GetItemById(key::kScandiskButton.m_nId);
    ASSERT_TRUE(del != nullptr && scan != nullptr);
    // The main window told it the update state at once: idle, so card M:'s buttons work.
    EXPECT_TRUE(del->IsEnabled());
    EXPECT_TRUE(scan->IsEnabled());

    // The update tool's state reaches the main window, which relays it.
    Window().PostMessage(::RegisterWindowMessageA("Launcher_UpdateState"), 1, 0);
    Pump();
    EXPECT_TRUE(window->IsBusy());
    EXPECT_FALSE(del->IsEnabled());
    EXPECT_FALSE(scan->IsEnabled());

    ::PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(key::kCancelButton.m_nId, 1), 0);
    Pump();
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_FALSE(Tools().Holds(ui::TOOL_SETTING));
    EXPECT_EQ(Tools().Record(ui::TOOL_SETTING).nMade, 1);
    EXPECT_EQ(Tools().Record(ui::TOOL_SETTING).nDeleted, 1);
    EXPECT_TRUE(Window().IsWindow());
}

} // namespace
