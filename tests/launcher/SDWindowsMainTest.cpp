// The card choice and card information windows through the real main window: its factory
// gives the product's windows of these two kinds (every other kind a stub), its commands open
// them and their child codes make it delete them. Card F: is this program's; the main
// window's fixture answers it as a FAT32 card for the case.

#include "tests/launcher/MainWindowTestSupport.h"

#include "carddata/EnvironmentVolumePlatform.h"
#include "launcher/LaunchWindowMessages.h"
#include "launcher/SDInforWindow.h"
#include "launcher/SDManagerWindow.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using namespace mainwindowtest;
namespace key = ui::LaunchWindowKey;

class SDWindowsMainTest : public CMainWindowTest {
protected:
    void SetUp() override
    {
        CMainWindowTest::SetUp();
        SetVolumePlatform(&m_oPlatform);
    }
    void TearDown() override
    {
        CMainWindowTest::TearDown();
        SetVolumePlatform(nullptr);
    }

    // Presses a skin item of the real window as a click does, and runs what follows.
    static void ClickItem(HWND window, const ui::SkinItemKey& item)
    {
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(item.m_nId, 1), 0);
        Pump();
    }

    static POINT Centre(HWND window)
    {
        RECT rect = {};
        ::GetWindowRect(window, &rect);
        return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }

    // F: beside the fixture's cards, every one FAT32.
    CEnvironmentVolumePlatform m_oPlatform{"FMNO", "", "", ""};
    CSimulatedCard m_oCardF{'F'};
};

TEST_F(SDWindowsMainTest, MainWindowOpensBothWindowsAndDeletesThemOnTheirCodes)
{
    ASSERT_TRUE(m_oCardF.IsRemovable());
    Tools().UseRealWindow(ui::TOOL_SD_MANAGER);
    Tools().UseRealWindow(ui::TOOL_SD_INFO);
    Agent().Write(CardBits("F"), 0, 'F');
    CreateMainWindow();
    FinishChain();
    ASSERT_EQ(Window().GetActiveSD(), 'F');

    // The choice window, centred over the main window; its OK keeps F: and gives code 2.
    OpenTool(ui::TOOL_SD_MANAGER);
    const HWND manager = Tools().RealWindow(ui::TOOL_SD_MANAGER);
    ASSERT_NE(manager, nullptr);
    EXPECT_TRUE(::IsWindowVisible(manager));
    EXPECT_EQ(::GetWindow(manager, GW_OWNER), Window().GetHwnd());
    const POINT managerCentre = Centre(manager);
    const POINT mainCentre = Centre(Window().GetHwnd());
    EXPECT_NEAR(managerCentre.x, mainCentre.x, 1);
    EXPECT_NEAR(managerCentre.y, mainCentre.y, 1);
    EXPECT_EQ(Tools().Record(ui::TOOL_SD_MANAGER).nShowOver, 1);
    ClickItem(manager, ui::SDManagerWindowKey::kOKButton);
    EXPECT_FALSE(::IsWindow(manager));
    EXPECT_FALSE(Tools().Holds(ui::TOOL_SD_MANAGER));
    EXPECT_EQ(Tools().Record(ui::TOOL_SD_MANAGER).nDeleted, 1);
    EXPECT_EQ(Agent().Read().selectedDrive, 'F');
    EXPECT_EQ(Window().GetActiveSD(), 'F');

    // The information window of the active card; its close button gives code 5.
    OpenTool(ui::TOOL_SD_INFO);
    const HWND information = Tools().RealWindow(ui::TOOL_SD_INFO);
    ASSERT_NE(information, nullptr);
    EXPECT_TRUE(::IsWindowVisible(information));
    EXPECT_EQ(::GetWindow(information, GW_OWNER), Window().GetHwnd());
    ClickItem(information, ui::SDInforWindowKey::kCloseButton);
    EXPECT_FALSE(::IsWindow(information));
    EXPECT_FALSE(Tools().Holds(ui::TOOL_SD_INFO));
    EXPECT_EQ(Tools().Record(ui::TOOL_SD_INFO).nMade, 1);
    EXPECT_EQ(Tools().Record(ui::TOOL_SD_INFO).nDeleted, 1);
    EXPECT_TRUE(Window().IsWindow());
}

} // namespace
