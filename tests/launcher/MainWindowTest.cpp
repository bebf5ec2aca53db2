// The launcher's main window in this process over stub tool windows
// (tests/launcher/support/StubToolWindow.h): its start chain, the close notices of its tool
// windows, its window messages, closing, users and help balloons. Card M: is the active
// card where a case wants one; the card record is written as the agent writes it, and the
// launcher's test platform answers "FAT32" for M:, N: and O:.

#include "tests/launcher/MainWindowTestSupport.h"

#include "carddata/UserListFile.h"
#include "launcher/LaunchWindowMessages.h"
#include "launcher/LauncherSetting.h"
#include "launcher/UserDataFolder.h"
#include "lib/BlockShareMemHolder.h"
#include "online/LoginAdmin.h"
#include "skin/SkinWindowItem.h"
#include "skin/SkinWindowItemButton.h"
#include "tests/launcher/support/LauncherRun.h"
#include "tests/launcher/support/ProductFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace mainwindowtest;
using launchertest::StubToolRecord;
namespace key = ui::LaunchWindowKey;

// ---- the start chain ----

struct ChainCase {
    const char* name;
    CardState card;
    bool currentUser;     // a user marked current in the user list
    bool firstRan;
    bool driveMemory;
    bool twice;           // every notice of the chain twice
};

class StartChainTest : public CMainWindowTest, public ::testing::WithParamInterface<ChainCase> {};

TEST_P(StartChainTest, RunsToTheShownWindow)
{
    const ChainCase& c = GetParam();
    SetCard(c.card);
    if (c.currentUser) AddUser("U1", "Taro", 0x1234, "UA/Taro", true);
    SetSettings(c.firstRan, c.driveMemory);
    CreateMainWindow();

    // Step 1: the log upload window gets the device data, or the step is skipped.
    StubToolRecord& upload = Tools().Record(ui::TOOL_LOG_UPLOAD);
    if (c.card == CARD_PAIRED) {
        ASSERT_EQ(upload.nMade, 1);
        EXPECT_EQ(upload.sDeviceNo, kCardDeviceNo);
        EXPECT_EQ(upload.uCcid, kCardCcid);
        EXPECT_FALSE(upload.sUserAgent.empty());
        Tools().Live(ui::TOOL_LOG_UPLOAD)->PostNotices(0, c.twice);
        Pump();
    } else if (c.currentUser) {
        ASSERT_EQ(upload.nMade, 1);
        EXPECT_EQ(upload.sDeviceNo, "U1");
        EXPECT_EQ(upload.uCcid, 0x1234u);
        EXPECT_EQ(upload.sUserAgent, "UA/Taro");
        Tools().Live(ui::TOOL_LOG_UPLOAD)->PostNotices(0, c.twice);
        Pump();
    } else {
        EXPECT_EQ(upload.nMade, 0);
        EXPECT_TRUE(Log().HasLine("!!", "LaunchWindow.cpp", "Need more UserInfo"));
    }
    // The log upload window stays until the main window goes.
    EXPECT_EQ(upload.nDeleted, 0);
    EXPECT_FALSE(IsWindowVisible(Window().GetHwnd()));

    // Step 2: the version check, closed without handing over.
    ASSERT_EQ(Tools().Record(ui::TOOL_SILENT_INSTALL).nMade, 1);
    Tools().Live(ui::TOOL_SILENT_INSTALL)->PostNotices(0, c.twice);
    Pump();
    EXPECT_EQ(Window().GetStartMask(), ui::START_CHAIN_DONE);
    EXPECT_EQ(Tools().Record(ui::TOOL_SILENT_INSTALL).nDeleted, 1);

    // Step 3 and 4: a first run chooses the model first.
    if (c.firstRan) {
        EXPECT_FALSE(IsWindowVisible(Window().GetHwnd()));
        ASSERT_EQ(Tools().Record(ui::TOOL_MACHINE_SETTING).nMade, 1);
        Tools().Live(ui::TOOL_MACHINE_SETTING)->PostNotices(0, c.twice);
        Pump();
        EXPECT_FALSE(CLauncherSetting::GetInstance().GetFirstRan());
    } else {
        EXPECT_EQ(Tools().Record(ui::TOOL_MACHINE_SETTING).nMade, 0);
    }

    // Step 5: shown, centred, at the size of the layout, faded to 242.
    ASSERT_TRUE(IsWindowVisible(Window().GetHwnd()));
    const RECT rect = WindowRect();
    const int32_t width = c.driveMemory ? ui::kLaunchWindowWidth : ui::kLaunchWindowCompactWidth;
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_EQ(rect.bottom - rect.top, ui::kLaunchWindowHeight);
    EXPECT_EQ(rect.left, CentredLeft(width));
    EXPECT_EQ(LayeredAlpha(), ui::kLaunchWindowAlpha);
    EXPECT_EQ(Item(key::kDriveButton)->IsVisible(), c.driveMemory);
    // A second version-up notice changes nothing.
    Window().PostMessage(WM_LAUNCHER_VERUP_DONE, 0, 0);
    Pump();
    EXPECT_EQ(Tools().Record(ui::TOOL_MACHINE_SETTING).nMade, c.firstRan ? 1 : 0);
    EXPECT_EQ(Tools().Record(ui::TOOL_SILENT_INSTALL).nMade, 1);
}

const ChainCase kChainCases[] = {
    {"PairedCard", CARD_PAIRED, false, false, true, false},
    {"CurrentUser", CARD_NONE, true, false, true, false},
    {"Neither", CARD_NONE, false, false, true, false},
    {"FirstRun", CARD_NONE, false, true, true, false},
    {"Narrow", CARD_NONE, false, false, false, false},
    {"FirstRunNarrow", CARD_NONE, true, true, false, false},
    {"EachNoticeTwice", CARD_PAIRED, false, true, true, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, StartChainTest, ::testing::ValuesIn(kChainCases),
                         [](const ::testing::TestParamInfo<ChainCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(CMainWindowTest, HandingOverToTheUpdaterClosesWithoutShowing)
{
    SetSettings(false, true);
    CreateMainWindow();
    Tools().Live(ui::TOOL_SILENT_INSTALL)->PostNotices(1, true);
    Pump();
    EXPECT_FALSE(Window().IsWindow());
    EXPECT_TRUE(TookQuit());
    EXPECT_EQ(Tools().Record(ui::TOOL_SILENT_INSTALL).nDeleted, 1);
    EXPECT_TRUE(Tools().Record(ui::TOOL_SILENT_INSTALL).vShow.empty());
}

TEST_F(CMainWindowTest, ChainGoesOnWithoutItsWindows)
{
    // Windows that cannot be had leave nothing to wait for.
    AddUser("U1", "Taro", 0x1234, "UA/Taro", true);
    SetSettings(true, true);
    for (ui::LaunchToolKind kind : {ui::TOOL_LOG_UPLOAD, ui::TOOL_SILENT_INSTALL,
                                    ui::TOOL_MACHINE_SETTING}) {
        Tools().SetAvailable(kind, false);
    }
    CreateMainWindow();
    EXPECT_TRUE(IsWindowVisible(Window().GetHwnd()));
    EXPECT_EQ(Window().GetStartMask(), ui::START_CHAIN_DONE);
}

// ---- the close notices of the tool windows ----

struct ChildCodeCase {
    const char* name;
    uint32_t code;
    ui::LaunchToolKind kind;   // the window of the code; TOOL_KIND_COUNT for none
    LPARAM extra;
};

class ChildCodeTest : public CMainWindowTest,
                      public ::testing::WithParamInterface<std::tuple<ChildCodeCase, bool, bool>> {
};

// Each code once and twice, with its window open and already gone: the window's steps run
// while its object exists, the others every time, and nothing is deleted twice.
TEST_P(ChildCodeTest, DeletesItsWindowOnce)
{
    const ChildCodeCase& c = std::get<0>(GetParam());
    const bool present = std::get<1>(GetParam());
    const bool twice = std::get<2>(GetParam());
    SetCard(CARD_PAIRED);
    SetSettings(false, true);
    CreateMainWindow();
    // The version-up window is the chain's: open while the chain waits for it.
    const bool chainWindow = c.kind == ui::TOOL_SILENT_INSTALL;
    if (chainWindow && present) {
        FinishChainUpTo(ui::TOOL_SILENT_INSTALL);
    } else {
        FinishChain();
    }
    if (c.kind != ui::TOOL_KIND_COUNT && present && !chainWindow) OpenTool(c.kind);
    const int deletedBefore = c.kind == ui::TOOL_KIND_COUNT ? 0 : Tools().Record(c.kind).nDeleted;
    if (c.code == CHILD_INITIALIZATION) Item(key::kButtonLogin)->SetEnable(false);
    // The card changed while the card manager was open.
    if (c.code == CHILD_SD_MANAGER) Agent().Write(CardBits("MN"), CardBits("N"), 'N');

    for (int i = 0; i < (twice ? 2 : 1); ++i) {
        Window().PostMessage(WM_LAUNCHER_CHILD_CLOSED, c.code, c.extra);
    }
    Pump();

    if (c.kind != ui::TOOL_KIND_COUNT && c.kind != ui::TOOL_LOG_UPLOAD) {
        const StubToolRecord& after = Tools().Record(c.kind);
        EXPECT_EQ(after.nDeleted - deletedBefore, present ? 1 : 0) << "each object deleted once";
        EXPECT_EQ(after.nDeleted, after.nMade);
        EXPECT_EQ(Window().GetTool(c.kind), nullptr);
    }
    switch (c.code) {
    case CHILD_INITIALIZATION:
        EXPECT_TRUE(Item(key::kButtonLogin)->IsEnabled());
        break;
    case CHILD_SD_MANAGER:
        EXPECT_EQ(Window().GetActiveSD(), 'N');
        break;
    case CHILD_SILENT_INSTALL_HANDED_OVER:
        EXPECT_FALSE(Window().IsWindow());
        EXPECT_TRUE(TookQuit());
        break;
    default:
        EXPECT_TRUE(Window().IsWindow());
        // The chain waits no longer for a version-up window that is gone.
        if (!chainWindow) {
            EXPECT_TRUE(IsWindowVisible(Window().GetHwnd()));
        }
        break;
    }
}

const ChildCodeCase kChildCodes[] = {
    {"Wizard0", CHILD_INITIALIZATION, ui::TOOL_INITIALIZATION, 0},
    {"Balloon1", CHILD_HELP_INFO, ui::TOOL_HELP_INFO, 0},
    {"CardManager2", CHILD_SD_MANAGER, ui::TOOL_SD_MANAGER, 0},
    {"None3", CHILD_NONE, ui::TOOL_KIND_COUNT, 0},
    {"VersionUp4", CHILD_SILENT_INSTALL, ui::TOOL_SILENT_INSTALL, 0},
    {"CardInfo5", CHILD_SD_INFO, ui::TOOL_SD_INFO, 0},
    {"Settings6", CHILD_SETTING, ui::TOOL_SETTING, 0},
    {"ProbeLog7", CHILD_PROBE_LOG, ui::TOOL_PROBE_LOG, 0},
    {"HandedOver8", CHILD_SILENT_INSTALL_HANDED_OVER, ui::TOOL_SILENT_INSTALL, 0},
    {"MachineSetting9", CHILD_MACHINE_SETTING, ui::TOOL_MACHINE_SETTING, 1},
    {"Unknown10", 10, ui::TOOL_KIND_COUNT, 0},
};

INSTANTIATE_TEST_SUITE_P(
    Codes, ChildCodeTest,
    ::testing::Combine(::testing::ValuesIn(kChildCodes), ::testing::Bool(), ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<ChildCodeCase, bool, bool>>& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) ? "Present" : "Gone") +
               (std::get<2>(info.param) ? "Twice" : "Once");
    });

TEST_F(CMainWindowTest, MachineSettingStoredReappliesTheLayout)
{
    SetSettings(true, true);
    CreateMainWindow();
    FinishChainUpTo(ui::TOOL_MACHINE_SETTING);
    // The model chosen has no camera unit: the machine setting window stored that.
    CLauncherSetting::GetInstance().SetDriveMemory(false);
    Tools().Live(ui::TOOL_MACHINE_SETTING)->PostNotices(1, true);
    Pump();
    EXPECT_FALSE(Item(key::kDriveButton)->IsVisible());
    EXPECT_EQ(WindowRect().right - WindowRect().left, ui::kLaunchWindowCompactWidth);
    EXPECT_FALSE(CLauncherSetting::GetInstance().GetFirstRan());
    EXPECT_TRUE(IsWindowVisible(Window().GetHwnd()));
}

// ---- window messages ----

TEST_F(CMainWindowTest, DropWindowDisablesTheCloseButtonWhileItWrites)
{
    CreateMainWindow();
    FinishChain();
    const UINT drop = ::RegisterWindowMessageA("QZLDropWindow");
    HWND found = ::FindWindowA(nullptr, "Kestrum4 Launcher");
    ASSERT_EQ(found, Window().GetHwnd());
    ::PostMessageA(found, drop, 0, 0);
    Pump();
    EXPECT_FALSE(Item(key::kCloseButton)->IsEnabled());
    // Its command closes nothing meanwhile: a click of a disabled button is never posted.
    ::PostMessageA(found, drop, 1, 0);
    Pump();
    EXPECT_TRUE(Item(key::kCloseButton)->IsEnabled());
}

TEST_F(CMainWindowTest, RegisteredMessagesReachTheirTargets)
{
    CreateMainWindow();
    FinishChain();
    EXPECT_FALSE(Item(key::kNeedUpdateButton)->IsVisible());
    Window().PostMessage(::RegisterWindowMessageA("Launcher_UpdateInfo"), 0, 0);
    Pump();
    EXPECT_FALSE(Item(key::kNeedUpdateButton)->IsVisible());
    Window().PostMessage(::RegisterWindowMessageA("Launcher_UpdateInfo"), 1, 0);
    Pump();
    EXPECT_TRUE(Item(key::kNeedUpdateButton)->IsVisible());

    // Relayed to the settings window while it is open, kept either way.
    const UINT state = ::RegisterWindowMessageA("Launcher_UpdateState");
    Window().PostMessage(state, 1, 7);
    Pump();
    EXPECT_TRUE(Window().IsAutoUpdateState());
    OpenTool(ui::TOOL_SETTING);
    const int before = Tools().Record(ui::TOOL_SETTING).Received(state);
    Window().PostMessage(state, 0, 9);
    Pump();
    EXPECT_FALSE(Window().IsAutoUpdateState());
    const std::vector<launchertest::StubMessage>& got = Tools().Record(ui::TOOL_SETTING).vReceived;
    ASSERT_EQ(Tools().Record(ui::TOOL_SETTING).Received(state), before + 1);
    EXPECT_EQ(got.back().uWParam, 0u);
    EXPECT_EQ(got.back().uLParam, 9u);

    // The updater's start reaches the version-up window only while it exists.
    const UINT verUp = ::RegisterWindowMessageA("Launcher_VERUPSTART");
    Window().PostMessage(verUp, 0, 0);
    Pump();
    EXPECT_EQ(Tools().Record(ui::TOOL_SILENT_INSTALL).nVerUpStart, 0);
    Window().PostMessage(WM_PROBE_AUTOSHOW, 0, 0);
    Pump();
    EXPECT_EQ(Tools().Record(ui::TOOL_PROBE_LOG).nMade, 0);
}

TEST_F(CMainWindowTest, VersionUpStartReachesTheOpenVersionUpWindow)
{
    CreateMainWindow();
    ASSERT_NE(Tools().Live(ui::TOOL_SILENT_INSTALL), nullptr);
    ::PostMessageA(::FindWindowA(nullptr, "Kestrum4 Launcher"),
                   ::RegisterWindowMessageA("Launcher_VERUPSTART"), 0, 0);
    Pump();
    EXPECT_EQ(Tools().Record(ui::TOOL_SILENT_INSTALL).nVerUpStart, 1);
}

// ---- closing ----

TEST_F(CMainWindowTest, ClosingTakesEveryToolWindowWithIt)
{
    AddUser(kCardDeviceNo, "Taro", kCardCcid, "UA/Taro", true);
    SetCard(CARD_PAIRED);
    SetSettings(false, true);
    CreateMainWindow();
    FinishChain();
    for (ui::LaunchToolKind kind : {ui::TOOL_INITIALIZATION, ui::TOOL_PROBE_LOG, ui::TOOL_SD_INFO,
                                    ui::TOOL_SETTING, ui::TOOL_MACHINE_SETTING, ui::TOOL_DROP,
                                    ui::TOOL_SD_MANAGER}) {
        OpenTool(kind);
    }
    // The probe log window keeps its counter on its way out, under the current user.
    std::string nameSeen;
    Tools().SetOnDelete(ui::TOOL_PROBE_LOG, [&nameSeen] {
        char name[21] = {};
        CBlockShareMemHolder block;
        if (block.GetUserAgent(name)) nameSeen = name;
        CLauncherSetting::GetInstance().SetUploadTotNum(77);
    });
    std::vector<HWND> windows;
    for (int kind = 0; kind < ui::TOOL_KIND_COUNT; ++kind) {
        if (Tools().Live(static_cast<ui::LaunchToolKind>(kind)) != nullptr) {
            windows.push_back(Tools().Live(static_cast<ui::LaunchToolKind>(kind))->GetHwnd());
        }
    }

    Window().PostMessage(WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(Window().IsWindow());
    EXPECT_TRUE(TookQuit());
    // Owned windows go before their owner's WM_DESTROY; the drop window has no owner and is
    // the one asked to close.
    for (HWND window : windows) EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(Tools().Record(ui::TOOL_DROP).Received(WM_CLOSE), 1);
    DestroyWindowObject();
    for (int kind = 0; kind < ui::TOOL_KIND_COUNT; ++kind) {
        const StubToolRecord& record = Tools().Record(static_cast<ui::LaunchToolKind>(kind));
        EXPECT_EQ(record.nDeleted, record.nMade) << kind;
    }
    EXPECT_EQ(nameSeen, "Taro");
    EXPECT_EQ(::GetPrivateProfileIntA("Launcher", "UploadTotNum", -1,
                                      CLauncherSettingFile::GetUserFilePath("Taro").c_str()),
              77);
    EXPECT_EQ(::GetPrivateProfileIntA("Launcher", "NickNameNo", -2,
                                      CLauncherSettingFile::GetPcFilePath().c_str()),
              0);
}

TEST_F(CMainWindowTest, CloseButtonAndTheEmblemClose)
{
    CreateMainWindow();
    FinishChain();
    Window().PostMessage(WM_COMMAND, MAKEWPARAM(key::kCloseButton.m_nId, 1), 0);
    Pump();
    EXPECT_FALSE(Window().IsWindow());
    EXPECT_TRUE(TookQuit());

    DestroyWindowObject();
    CreateMainWindow();
    FinishChain();
    EXPECT_TRUE(Window().PostItemCommand(key::kApplicationIcon.m_nId, ui::ITEM_EVENT_LEFT_DBLCLK, 0));
    Pump();
    EXPECT_FALSE(Window().IsWindow());
    EXPECT_TRUE(TookQuit());
}

} // namespace

namespace {

// The product's own tool windows: the chain of a first run goes through the real machine
// setting window to the shown main window.
TEST(MainWindowProductTest, ChainOfTheProductEndsShown)
{
    launchertest::CProductFolder product;
    // The launcher's test build lies there once its build has made it.
    if (::GetFileAttributesA((product.Path() + "Launcher.exe").c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no Launcher.exe in the product folder";
    }
    launchertest::CLauncherRun run(product);
    ASSERT_TRUE(run.Start());
    HWND machineSetting = nullptr;
    for (const DWORD start = ::GetTickCount();
         machineSetting == nullptr && !run.HasExited() && ::GetTickCount() - start < kWaitMs;
         ::Sleep(50)) {
        machineSetting = run.FindWindowTitled("機種選択");
    }
    ASSERT_NE(machineSetting, nullptr) << run.Log();
    EXPECT_EQ(run.MainWindow(), nullptr);
    ::PostMessageA(machineSetting, WM_CLOSE, 0, 0);
    ASSERT_EQ(run.WaitForMainWindow(kWaitMs), launchertest::CLauncherRun::MAIN_WINDOW) << run.Log();
    RECT rect = {};
    ::GetWindowRect(run.MainWindow(), &rect);
    EXPECT_EQ(rect.right - rect.left, ui::kLaunchWindowWidth);
    EXPECT_EQ(rect.bottom - rect.top, ui::kLaunchWindowHeight);
    // Layered at the product's alpha: the active one, or the inactive one once another test's
    // window on the shared display has taken the activation (both are tested in-process).
    BYTE alpha = 0;
    ::GetLayeredWindowAttributes(run.MainWindow(), nullptr, &alpha, nullptr);
    EXPECT_TRUE(alpha == ui::kLaunchWindowAlpha || alpha == ui::kLaunchWindowInactiveAlpha)
        << static_cast<int>(alpha);
    EXPECT_EQ(run.Close(), 0u);
}

} // namespace
