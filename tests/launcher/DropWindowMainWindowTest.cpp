// The drop window as the main window opens it: the product's drop window under the real
// main window, the other tool windows stubs, card I: active and the web drive on.

#include "carddata/EnvironmentVolumePlatform.h"
#include "launcher/DropWindow.h"
#include "launcher/LaunchWindow.h"
#include "launcher/LauncherSetting.h"
#include "tests/launcher/MainWindowTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

using namespace mainwindowtest;
namespace key = ui::LaunchWindowKey;

// The fixture's cards and I:, which the drop window's own cases use, as FAT32 cards.
CEnvironmentVolumePlatform g_platform("IMNO", "", "", "");

class DropWindowUnderMainWindowTest : public CMainWindowTest {
protected:
    void SetUp() override
    {
        CMainWindowTest::SetUp();
        SetVolumePlatform(&g_platform);
    }
    void PressWebButton()
    {
        Window().SendMessage(WM_COMMAND, MAKEWPARAM(key::kWebButton.m_nId, 1), 0);
        Pump();
    }
};

TEST_F(DropWindowUnderMainWindowTest, WebButtonShowsOneDropWindowThatGoesWithTheMainWindow)
{
    Tools().UseRealWindow(ui::TOOL_DROP);
    // The card the drop window's own tests unpack onto, active in the agent's record.
    Agent().Write(CardBits("I"), CardBits("I"), 'I');
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    setting.Load("");
    setting.SetAtlaro(true);
    setting.Save("");
    CreateMainWindow();
    FinishChain();

    // A drop from a program of lower rights reaches no elevated window: a standard user's.
    CStandardUserToken standardUser;
    ASSERT_TRUE(standardUser.IsActive());
    PressWebButton();
    const launchertest::StubToolRecord& record = Tools().Record(ui::TOOL_DROP);
    const HWND drop = Tools().RealWindow(ui::TOOL_DROP);
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(record.nMade, 1);
    EXPECT_EQ(record.nCreate, 1);
    EXPECT_TRUE(::IsWindowVisible(drop));
    EXPECT_EQ(::GetWindow(drop, GW_OWNER), nullptr);
    char title[32] = {};
    ::GetWindowTextA(drop, title, sizeof title);
    EXPECT_STREQ(title, "DropWindow");
    EXPECT_NE(::GetWindowLongPtrA(drop, GWL_EXSTYLE) & WS_EX_LAYERED, 0);

    // Closing only hides it; the second press shows the same window again.
    ::SendMessageA(drop, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(::IsWindowVisible(drop));
    PressWebButton();
    EXPECT_EQ(Tools().RealWindow(ui::TOOL_DROP), drop);
    EXPECT_TRUE(::IsWindowVisible(drop));
    EXPECT_EQ(record.nMade, 1);
    EXPECT_EQ(record.nCreate, 1);
    EXPECT_EQ(record.vShow.size(), 2u);
    EXPECT_EQ(record.nDeleted, 0);

    // It has no owner to take it along: the main window deletes it when it goes.
    DestroyWindowObject();
    EXPECT_EQ(record.nDeleted, 1);
    EXPECT_FALSE(::IsWindow(drop));
    EXPECT_FALSE(Tools().Holds(ui::TOOL_DROP));
}

} // namespace
