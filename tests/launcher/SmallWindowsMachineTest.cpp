// The machine setting window: real windows over a hidden owner that records what they post
// it, the settings record in memory (a private application folder around it), commands
// posted as the skin window posts a click's.

#include "launcher/LauncherSetting.h"
#include "launcher/MachineSettingWindow.h"
#include "skin/SkinWindowItem.h"
#include "tests/launcher/SmallWindowsSupport.h"
#include "tests/skin/support/SkinTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

using smallwindows::COwnerWindow;
using smallwindows::kChildClosedMessage;
using smallwindows::Posted;
using ui::CMachineSettingWindow;
namespace key = ui::MachineSettingWindowKey;

// The checked model items, by index, as "0100000".
std::string CheckedModels(CMachineSettingWindow& window)
{
    std::string checked;
    for (const ui::SkinItemKey* model : CMachineSettingWindow::kModelItems) {
        ui::CSkinWindowItem* item = window.GetItemById(model->m_nId);
        checked += item != nullptr && item->OnMessage(ui::ITEM_MESSAGE_GET_CHECK, 0, 0) != 0
                       ? '1'
                       : '0';
    }
    return checked;
}

// The two settings the window reads, stored before it opens.
CLauncherSetting& StoreSettings(uint32_t machineType, bool driveMemory)
{
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    setting.SetMachineType(machineType);
    setting.SetDriveMemory(driveMemory);
    return setting;
}

void PostCommand(CMachineSettingWindow& window, const ui::SkinItemKey& item)
{
    window.PostMessage(WM_COMMAND, MAKEWPARAM(item.m_nId, 1), 0);
}

// How a case ends the window.
enum Action {
    ACTION_NONE,
    ACTION_OK,
    ACTION_CANCEL,
    ACTION_CLOSE_BUTTON,
    ACTION_ICON_DOUBLE_CLICK,
    ACTION_SC_CLOSE,
    ACTION_OWNER_WM_CLOSE,
    ACTION_DESTROYED,
};

struct Case {
    const char* name;
    uint32_t machineType;               // stored before the window opens
    bool driveMemory;
    const ui::SkinItemKey* click;       // a model clicked first, or null
    Action action;
    const char* checkedBefore;          // the model items as the action finds them
    uint32_t storedMachineType;
    bool storedDriveMemory;
    std::vector<Posted> notices;
};

const Posted kOkNotice = {kChildClosedMessage, 9, 1};
const Posted kCancelNotice = {kChildClosedMessage, 9, 0};

const Case kCases[] = {
    {"opening with 4 checks only TRK500", 4, false, nullptr, ACTION_CANCEL, "0000100", 4, false,
     {kCancelNotice}},
    {"RK600CM01 and OK", 4, false, &key::kMachineRK600CM01, ACTION_OK, "0001000", 3, true,
     {kOkNotice}},
    {"TRK400 and OK", 1, true, &key::kMachineTRK400, ACTION_OK, "0000001", 6, false,
     {kOkNotice}},
    {"a click unchecks the other six", 4, false, &key::kMachineTRK700H, ACTION_OK, "1000000", 0,
     true, {kOkNotice}},
    {"OK with nothing checked keeps the model", 9, true, nullptr, ACTION_OK, "0000000", 9, false,
     {kOkNotice}},
    {"Cancel stores nothing", 2, true, &key::kMachineTRK400, ACTION_CANCEL, "0000001", 2, true,
     {kCancelNotice}},
    {"close button", 5, false, &key::kMachineTRK900H, ACTION_CLOSE_BUTTON, "0100000", 5, false,
     {kCancelNotice}},
    {"icon double click", 5, false, &key::kMachineTRK900H, ACTION_ICON_DOUBLE_CLICK, "0100000", 5,
     false, {kCancelNotice}},
    {"SC_CLOSE", 0, true, &key::kMachineTRK500, ACTION_SC_CLOSE, "0000100", 0, true,
     {kCancelNotice}},
    {"WM_CLOSE from the owner", 0, true, nullptr, ACTION_OWNER_WM_CLOSE, "1000000", 0, true,
     {kCancelNotice}},
    {"destroyed", 3, true, &key::kMachineTRK600, ACTION_DESTROYED, "0000010", 3, true,
     {kCancelNotice}},
};

class MachineSettingCase : public ::testing::TestWithParam<Case> {};

TEST_P(MachineSettingCase, ChecksStoresAndPostsOneNotice)
{
    const Case& c = GetParam();
    CLauncherSetting& setting = StoreSettings(c.machineType, c.driveMemory);

    COwnerWindow owner;
    skintest::CSkinErrorCollector errors;
    CMachineSettingWindow window(owner.GetHwnd());
    window.Create();
    ASSERT_TRUE(errors.Messages().empty());
    HWND hwnd = window.GetHwnd();
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(owner.GetHwnd(), ::GetWindow(hwnd, GW_OWNER));
    EXPECT_EQ("機種選択", window.GetWindowText());
    EXPECT_EQ(static_cast<int32_t>(c.machineType), window.GetModelIndex());

    if (c.click != nullptr) PostCommand(window, *c.click);
    smallwindows::PumpFor(0);
    EXPECT_EQ(c.checkedBefore, CheckedModels(window));

    switch (c.action) {
    case ACTION_NONE: break;
    case ACTION_OK: PostCommand(window, key::kOKButton); break;
    case ACTION_CANCEL: PostCommand(window, key::kCancelButton); break;
    case ACTION_CLOSE_BUTTON: PostCommand(window, key::kCloseButton); break;
    case ACTION_ICON_DOUBLE_CLICK:
        EXPECT_TRUE(window.PostItemCommand(key::kApplicationIcon.m_nId,
                                           ui::ITEM_EVENT_LEFT_DBLCLK, 0));
        break;
    case ACTION_SC_CLOSE: window.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0); break;
    case ACTION_OWNER_WM_CLOSE: ::PostMessageA(hwnd, WM_CLOSE, 0, 0); break;
    case ACTION_DESTROYED: window.DestroyWindow(); break;
    }
    ASSERT_TRUE(smallwindows::PumpUntilGone(hwnd));
    // Nothing more comes once the window is gone.
    smallwindows::PumpFor(50);
    EXPECT_EQ(smallwindows::ToString(c.notices), smallwindows::ToString(owner.Take()));
    EXPECT_EQ(c.storedMachineType, setting.GetMachineType());
    EXPECT_EQ(c.storedDriveMemory, setting.GetDriveMemory());
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info)
{
    std::string name;
    for (const char* p = info.param.name; *p != '\0'; ++p) {
        name += (isalnum(static_cast<unsigned char>(*p)) != 0) ? *p : '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Actions, MachineSettingCase, ::testing::ValuesIn(kCases), &CaseName);

// A second OK or a Cancel queued behind the first OK neither stores again nor posts again.
TEST(MachineSetting, CommandsAfterTheNoticeDoNothing)
{
    CLauncherSetting& setting = StoreSettings(4, false);
    COwnerWindow owner;
    CMachineSettingWindow window(owner.GetHwnd());
    window.Create();
    HWND hwnd = window.GetHwnd();
    PostCommand(window, key::kMachineTRK500CM01);
    PostCommand(window, key::kOKButton);
    PostCommand(window, key::kMachineTRK400);
    PostCommand(window, key::kOKButton);
    PostCommand(window, key::kCancelButton);
    ASSERT_TRUE(smallwindows::PumpUntilGone(hwnd));
    EXPECT_EQ(smallwindows::ToString({kOkNotice}), smallwindows::ToString(owner.Take()));
    EXPECT_EQ(2u, setting.GetMachineType());
    EXPECT_TRUE(setting.GetDriveMemory());
}

// At the end of the session the window goes with its owner: the notice it posts on the way
// dies in the owner's queue, and nothing is stored.
TEST(MachineSetting, GoesWithItsOwner)
{
    CLauncherSetting& setting = StoreSettings(5, false);
    COwnerWindow owner;
    CMachineSettingWindow window(owner.GetHwnd());
    window.Create();
    HWND hwnd = window.GetHwnd();
    PostCommand(window, key::kMachineTRK700H);
    smallwindows::PumpFor(0);
    owner.DestroyWindow();
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_FALSE(window.IsWindow());
    EXPECT_EQ(5u, setting.GetMachineType());
    EXPECT_FALSE(setting.GetDriveMemory());
}

TEST(MachineSetting, RelaysUpdateInfoToItsOwner)
{
    COwnerWindow owner;
    CMachineSettingWindow window(owner.GetHwnd());
    window.Create();
    const UINT updateInfo = ::RegisterWindowMessageA("Launcher_UpdateInfo");
    window.PostMessage(updateInfo, 0x12345678, 0x9ABCDEF0);
    smallwindows::PumpFor(50);
    EXPECT_EQ(smallwindows::ToString({{updateInfo, 0x12345678, 0x9ABCDEF0}}),
              smallwindows::ToString(owner.Take()));
    EXPECT_TRUE(window.IsWindow());
}

// The window goes back to its owner, which the chain shows next.
bool ForegroundIsOurs()
{
    const HWND foreground = ::GetForegroundWindow();
    DWORD process = 0;
    if (foreground != nullptr) ::GetWindowThreadProcessId(foreground, &process);
    return foreground == nullptr || process == ::GetCurrentProcessId();
}

// Activation is the session's, shared with every other test program that shows an activated
// window meanwhile; a round in which another program took the foreground proves nothing and is
// tried again.
TEST(MachineSetting, ActivatesItsOwnerWhenItGoes)
{
    bool clean = false;
    for (int round = 0; round < 5 && !clean; ++round) {
        COwnerWindow owner;
        ::ShowWindow(owner.GetHwnd(), SW_SHOWNA);
        CMachineSettingWindow window(owner.GetHwnd());
        window.Create();
        HWND hwnd = window.GetHwnd();
        smallwindows::PumpFor(0);
        const bool shownActive = hwnd == ::GetActiveWindow();
        PostCommand(window, key::kCancelButton);
        ASSERT_TRUE(smallwindows::PumpUntilGone(hwnd));
        const bool ownerActive = owner.GetHwnd() == ::GetActiveWindow();
        ::ShowWindow(owner.GetHwnd(), SW_HIDE);
        if (shownActive && ownerActive) {
            clean = true;
        } else if (ForegroundIsOurs()) {
            // Nobody else holds the foreground: the window itself got it wrong.
            EXPECT_TRUE(shownActive);
            EXPECT_TRUE(ownerActive);
            return;
        }
        smallwindows::PumpFor(200);
    }
    EXPECT_TRUE(clean) << "another program held the foreground in every round";
}

} // namespace
