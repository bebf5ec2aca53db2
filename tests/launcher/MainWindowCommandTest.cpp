// The main window's commands, context menu, users and help balloons: programs started
// through the stand-ins of the product folder (their record of starts), pages opened in the
// browser recorder, boxes pressed from a thread timer, broadcasts seen by the observer.

#include "tests/launcher/MainWindowTestSupport.h"

#include "launcher/LaunchWindowMessages.h"
#include "launcher/LaunchWindowTexts.h"
#include "launcher/LauncherSetting.h"
#include "online/ConnectionFile.h"
#include "online/LoginAdmin.h"
#include "skin/SkinWindowItemButton.h"
#include "tests/launcher/support/BrowserRecord.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/launcher/support/Observer.h"
#include "tests/launcher/support/SharedBlocks.h"
#include "tests/launcher/support/StartRecord.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

namespace {

using namespace mainwindowtest;
namespace key = ui::LaunchWindowKey;
namespace text = ui::LaunchWindowText;

// The running processes of that program file. A start through the program starter is one
// from the starter's return on (ShellExecute returns once the process exists), and the
// sibling tools' stand-ins stay until they are ended: a start that did not come is seen at
// once, with no wait for its record.
int RunningCount(const char* program)
{
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot, &entry); more;
         more = ::Process32Next(snapshot, &entry)) {
        if (::lstrcmpiA(entry.szExeFile, program) == 0) ++count;
    }
    ::CloseHandle(snapshot);
    return count;
}

class CCommandTest : public CMainWindowTest {
protected:
    void Command(UINT id)
    {
        Window().SendMessage(WM_COMMAND, MAKEWPARAM(id, 1), 0);
        Pump();
    }
    // The command, with its box answered; the box as found.
    launchertest::ShownBox CommandAnswered(UINT id, const std::string& boxText, int answer)
    {
        launchertest::CBoxPresser press(boxText, answer);
        Command(id);
        EXPECT_TRUE(press.Pressed()) << boxText;
        return press.Box();
    }
    void ReadyWithUser(CardState card)
    {
        SetCard(card);
        AddUser(kCardDeviceNo, "Taro", kCardCcid, "UA/Taro", true);
        SetSettings(false, true);
        CreateMainWindow();
        FinishChain();
    }
};

// ---- programs ----

struct StartCase {
    const char* name;
    UINT command;
    const char* program;
    const char* arguments;
    const char* folder;   // where the stand-in keeps its record, in the product folder
    int show;
};

class StartCommandTest : public CCommandTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartCommandTest, StartsTheToolShown)
{
    const StartCase& c = GetParam();
    ReadyWithUser(CARD_NONE);
    launchertest::CStartRecord record(Product().Path() + c.folder);
    Command(c.command);
    const std::vector<launchertest::StartedProgram> starts =
        record.WaitForStart(c.program, kWaitMs);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].sArguments, c.arguments);
    EXPECT_EQ(starts[0].iShow, c.show);
}

const StartCase kStartCases[] = {
    {"Camera", key::kDriveButton.m_nId, "PellickManager.exe", "Launcher", "", SW_SHOW},
    {"Maintenance", key::kMaintenanceButton.m_nId, "Mendrill.exe", "Launcher", "", SW_SHOW},
    {"Music", key::kButtonClassFive.m_nId, "Sonavelle5.exe", "", "Sonavelle\\", SW_SHOWNORMAL},
    {"Update", key::kUpdateButton.m_nId, "Dapplegate.exe", "Launcher", "", SW_SHOW},
    {"NeedUpdate", key::kNeedUpdateButton.m_nId, "Dapplegate.exe", "Launcher", "", SW_SHOW},
};

INSTANTIATE_TEST_SUITE_P(Rows, StartCommandTest, ::testing::ValuesIn(kStartCases),
                         [](const ::testing::TestParamInfo<StartCase>& info) {
                             return std::string(info.param.name);
                         });

struct MissingCase {
    const char* name;
    UINT command;
    const char* program;   // removed for the case
    const char* boxText;
};

class MissingProgramTest : public CCommandTest,
                           public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingProgramTest, TellsWhatToDo)
{
    const MissingCase& c = GetParam();
    ReadyWithUser(CARD_NONE);
    launchertest::CProgramSwap removed(c.program, "");
    ASSERT_TRUE(removed.Swapped());
    const launchertest::ShownBox box = CommandAnswered(c.command, c.boxText, IDOK);
    EXPECT_EQ(box.sText, c.boxText);
    EXPECT_EQ(box.uStyle, text::kTextStyle);
}

const MissingCase kMissingCases[] = {
    {"Maintenance", key::kMaintenanceButton.m_nId, "Mendrill.exe", text::kStartFailed},
    {"Camera", key::kDriveButton.m_nId, "PellickManager.exe", text::kStartFailed},
    {"Music", key::kButtonClassFive.m_nId, "Sonavelle\\Sonavelle5.exe", text::kInsertDisk},
    {"Update", key::kUpdateButton.m_nId, "Dapplegate.exe", text::kStartFailed},
};

INSTANTIATE_TEST_SUITE_P(Rows, MissingProgramTest, ::testing::ValuesIn(kMissingCases),
                         [](const ::testing::TestParamInfo<MissingCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(CCommandTest, UpdateButtonReachesARunningUpdateTool)
{
    ReadyWithUser(CARD_NONE);
    launchertest::CStartRecord record(Product().Path());
    // The update tool runs already (its window is the one the launcher looks for).
    Command(key::kUpdateButton.m_nId);
    ASSERT_EQ(record.WaitForStart("Dapplegate.exe", kWaitMs).size(), 1u);
    ASSERT_TRUE(PumpUntil(
        [] { return ::FindWindowA("WFC-DefaultWindowClass", "Dapplegate") != nullptr; }));
    Command(key::kUpdateButton.m_nId);
    EXPECT_EQ(RunningCount("Dapplegate.exe"), 1);
    launchertest::NotedMessage seen;
    ASSERT_TRUE(record.WaitForMessage("Dapplegate.exe", "Launcher_UpdateShow", &seen, kWaitMs));
    EXPECT_EQ(seen.uWParam, 5u);
    EXPECT_EQ(seen.uLParam, 0u);
    EXPECT_EQ(record.StartsOf("Dapplegate.exe").size(), 1u);
}

TEST_F(CCommandTest, UpdateButtonWithoutAUserAsksToRegister)
{
    SetSettings(false, true);
    CreateMainWindow();
    FinishChain();
    const launchertest::ShownBox box =
        CommandAnswered(key::kUpdateButton.m_nId, text::kNeedRegistration, IDOK);
    EXPECT_EQ(box.uStyle, text::kTextStyle);
    EXPECT_EQ(RunningCount("Dapplegate.exe"), 0);
}

// ---- pages ----

struct PageCase {
    const char* name;
    UINT command;
    uint32_t page;
};

class PageCommandTest : public CCommandTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(PageCommandTest, OpensThePageInTheBrowser)
{
    const PageCase& c = GetParam();
    ASSERT_TRUE(launchertest::CBrowserRecord::IsInstalled());
    CreateMainWindow();
    FinishChain();
    launchertest::CBrowserRecord browser;
    Command(c.command);
    const std::vector<std::string> opened = browser.WaitForOpened(kWaitMs);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], CConnectionFile::GetInstance().GetURL(c.page));
}

const PageCase kPageCases[] = {
    {"Velocet", ui::IDM_PAGE_VELOCET, 31},   {"Halvorn", ui::IDM_PAGE_HALVORN, 35},
    {"Sardello", ui::IDM_PAGE_SARDELLO, 36}, {"Kestrum", ui::IDM_PAGE_KESTRUM, 37},
    {"WebDrive", key::kWebButton.m_nId, 38}, {"OnlineHelp", ui::IDM_ONLINE_HELP, 39},
};

INSTANTIATE_TEST_SUITE_P(Rows, PageCommandTest, ::testing::ValuesIn(kPageCases),
                         [](const ::testing::TestParamInfo<PageCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(CCommandTest, WebDriveRefusesTheDropWindowToAnAdministrator)
{
    ReadyWithUser(CARD_PAIRED);
    const launchertest::ShownBox box =
        CommandAnswered(key::kWebButton.m_nId, text::kAdministrator, IDOK);
    EXPECT_EQ(box.uStyle, static_cast<uint32_t>(MB_ICONINFORMATION));
    EXPECT_EQ(Tools().Record(ui::TOOL_DROP).nMade, 0);

    // A standard user's token: the drop window, made once, shown each time.
    CStandardUserToken standardUser;
    ASSERT_TRUE(standardUser.IsActive());
    Command(key::kWebButton.m_nId);
    Command(key::kWebButton.m_nId);
    EXPECT_EQ(Tools().Record(ui::TOOL_DROP).nMade, 1);
    EXPECT_EQ(Tools().Record(ui::TOOL_DROP).hOwner, nullptr);
    EXPECT_EQ(Tools().Record(ui::TOOL_DROP).vShow.size(), 2u);
}

TEST_F(CCommandTest, WebDriveWithoutACardOpensOnlyThePage)
{
    CreateMainWindow();
    FinishChain();
    CStandardUserToken standardUser;
    Command(key::kWebButton.m_nId);
    EXPECT_EQ(Tools().Record(ui::TOOL_DROP).nMade, 0);
}

// ---- tool windows and the rest of the table ----

TEST_F(CCommandTest, ToolWindowsAreMadeOnceAndBroughtBack)
{
    ReadyWithUser(CARD_PAIRED);
    struct {
        UINT command;
        ui::LaunchToolKind kind;
    } const rows[] = {
        {ui::IDM_MACHINE_SETTING, ui::TOOL_MACHINE_SETTING},
        {ui::IDM_SD_INFO, ui::TOOL_SD_INFO},
        {ui::IDM_SETTING, ui::TOOL_SETTING},
        {ui::IDM_PROBE_SHOW, ui::TOOL_PROBE_LOG},
        {ui::IDM_CUSTOMER_REGIST, ui::TOOL_INITIALIZATION},
        {key::kButtonSDChoose.m_nId, ui::TOOL_SD_MANAGER},
    };
    for (const auto& row : rows) {
        Command(row.command);
        Command(row.command);
        const launchertest::StubToolRecord& record = Tools().Record(row.kind);
        EXPECT_EQ(record.nMade, 1) << row.kind;
        EXPECT_EQ(record.hOwner, Window().GetHwnd()) << row.kind;
    }
    EXPECT_TRUE(Tools().Record(ui::TOOL_PROBE_LOG).bViewOnly);
    EXPECT_EQ(Tools().Record(ui::TOOL_SD_MANAGER).nShowOver, 1);
    EXPECT_EQ(Tools().Record(ui::TOOL_SD_MANAGER).hShowOverOwner, Window().GetHwnd());
    EXPECT_FALSE(Item(key::kButtonLogin)->IsEnabled());
    // The settings window hears the update state when it is made.
    EXPECT_EQ(Tools().Record(ui::TOOL_SETTING).Received(
                  ::RegisterWindowMessageA("Launcher_UpdateState")),
              1);
}

TEST_F(CCommandTest, CardInformationNeedsACard)
{
    CreateMainWindow();
    FinishChain();
    Command(ui::IDM_SD_INFO);
    EXPECT_EQ(Tools().Record(ui::TOOL_SD_INFO).nMade, 0);
}

TEST_F(CCommandTest, UnusedMenuIdsDoNothingAndVersionInfoRunsModal)
{
    CreateMainWindow();
    FinishChain();
    for (UINT id : {ui::IDM_UNUSED_4003, ui::IDM_UNUSED_4005}) Command(id);
    for (int kind = 0; kind < ui::TOOL_KIND_COUNT; ++kind) {
        // The chain's windows, and the balloon the pointer may open, are not the menu's.
        if (kind == ui::TOOL_SILENT_INSTALL || kind == ui::TOOL_HELP_INFO ||
            kind == ui::TOOL_LOG_UPLOAD) {
            continue;
        }
        EXPECT_EQ(Tools().Live(static_cast<ui::LaunchToolKind>(kind)), nullptr) << kind;
    }
    Command(ui::IDM_VERSION_INFO);
    EXPECT_EQ(Tools().VersionInfoRuns(), 1);
    EXPECT_EQ(Tools().VersionInfoOwner(), Window().GetHwnd());
    EXPECT_EQ(::GetActiveWindow(), Window().GetHwnd());
}

TEST_F(CCommandTest, MinimizeAndSystemCommands)
{
    CreateMainWindow();
    FinishChain();
    Command(key::kMinimizeButton.m_nId);
    EXPECT_TRUE(::IsIconic(Window().GetHwnd()));
    Window().ShowWindow(SW_RESTORE);
    Command(SC_CLOSE);
    EXPECT_FALSE(Window().IsWindow());
    EXPECT_TRUE(TookQuit());
}

TEST_F(CCommandTest, SafeRemovalAsksFirst)
{
    ReadyWithUser(CARD_PAIRED);
    EXPECT_EQ(CommandAnswered(key::kButtonClassSDPairing.m_nId, text::kSafeRemoval, IDCANCEL).uStyle,
              static_cast<uint32_t>(MB_OKCANCEL | MB_ICONINFORMATION));
    EXPECT_TRUE(Window().IsAllButtonsEnabled());
    // OK: every button waits for the removal's result.
    {
        launchertest::CBoxPresser press(text::kSafeRemoval, IDOK);
        Window().SendMessage(WM_COMMAND, MAKEWPARAM(key::kButtonClassSD.m_nId, 1), 0);
        EXPECT_TRUE(press.Pressed());
    }
    EXPECT_FALSE(Window().IsAllButtonsEnabled());
    EXPECT_FALSE(Item(key::kCloseButton)->IsEnabled());
    EXPECT_FALSE(Item(key::kMenuButton)->IsEnabled());
    launchertest::CBoxPresser result("", IDOK, kWaitMs);
    EXPECT_TRUE(PumpUntil([&] { return result.Pressed(); }));
    EXPECT_TRUE(Window().IsAllButtonsEnabled());
}

// ---- menu ----

struct MenuEntry {
    UINT id;
    std::string text;
    bool grayed;
    bool checked;
};

std::vector<MenuEntry> Entries(HMENU menu)
{
    std::vector<MenuEntry> entries;
    for (int i = 0; menu != nullptr && i < ::GetMenuItemCount(menu); ++i) {
        char label[128] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU | MIIM_FTYPE;
        info.dwTypeData = label;
        info.cch = sizeof label;
        ::GetMenuItemInfoA(menu, i, TRUE, &info);
        const bool separator = (info.fType & MFT_SEPARATOR) != 0;
        entries.push_back(MenuEntry{separator ? 1u : info.hSubMenu != nullptr ? 0u : info.wID,
                                    label, !separator && (info.fState & MFS_GRAYED) != 0,
                                    (info.fState & MFS_CHECKED) != 0});
    }
    return entries;
}

HMENU SubMenu(HMENU menu, const char* title)
{
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char label[128] = {};
        ::GetMenuStringA(menu, i, label, sizeof label, MF_BYPOSITION);
        if (title == std::string(label)) return ::GetSubMenu(menu, i);
    }
    return nullptr;
}

std::string Ids(const std::vector<MenuEntry>& entries)
{
    std::string ids;
    for (const MenuEntry& entry : entries) {
        // A submenu shows as "sub", a separator as "-".
        const std::string id = entry.id == 0   ? "sub"
                               : entry.id == 1 ? "-"
                                               : std::to_string(entry.id);
        ids += (ids.empty() ? "" : " ") + id + (entry.grayed ? "g" : "") +
               (entry.checked ? "*" : "");
    }
    return ids;
}

TEST_F(CCommandTest, MenuWithoutUsers)
{
    CreateMainWindow();
    FinishChain();
    EXPECT_EQ(Ids(Entries(Window().GetMenu())), "4000 sub 4001g 4002 - sub - sub 4010 4004");
    EXPECT_EQ(Ids(Entries(Window().GetUserMenu())), "4200");
    EXPECT_EQ(Ids(Entries(SubMenu(Window().GetMenu(), "蓄積型プローブ"))), "4012g 4011");
    EXPECT_EQ(Ids(Entries(SubMenu(Window().GetMenu(), "ホームページ"))), "4006 4013 4014 4015");
    EXPECT_TRUE(Item(key::kButtonLogin)->IsVisible());
}

TEST_F(CCommandTest, MenuListsTheUsersWithoutACard)
{
    AddUser("U1", "Taro", 1, "UA1", false);
    AddUser("U2", "Hanako", 2, "UA2", true);
    SetSettings(false, true);
    CreateMainWindow();
    FinishChain();
    EXPECT_EQ(Ids(Entries(Window().GetUserMenu())), "4100 4101* 4200");
    EXPECT_EQ(Window().GetNickName(), "Hanako");
    EXPECT_FALSE(Item(key::kButtonLogin)->IsVisible());

    Command(4100);
    EXPECT_EQ(Window().GetNickName(), "Taro");
    EXPECT_EQ(Window().GetNickNameNo(), 0);
    EXPECT_EQ(Ids(Entries(Window().GetUserMenu())), "4100* 4101 4200");
    // 4102 is no user's: not a user's command, nothing changes.
    Window().SendMessage(WM_COMMAND, 4102, 0);
    EXPECT_EQ(Window().GetNickName(), "Taro");
}

TEST_F(CCommandTest, MenuOfAPairedCardShowsItsUser)
{
    AddUser("U1", "Taro", 1, "UA1", true);
    AddUser(kCardDeviceNo, "Jiro", kCardCcid, "UA2", false);
    SetCard(CARD_PAIRED);
    SetSettings(false, true);
    CreateMainWindow();
    FinishChain();
    EXPECT_EQ(Window().GetNickName(), "Jiro");
    EXPECT_EQ(Ids(Entries(Window().GetUserMenu())), "4100* 4200");
    EXPECT_EQ(Ids(Entries(Window().GetMenu())), "4000 sub 4001 4002 - sub - sub 4010 4004");
}

TEST_F(CCommandTest, NewCardQuestionComesOnceTheChainIsDone)
{
    // A card of a unit no registered user owns.
    AddUser("U1", "Taro", 1, "UA1", true);
    SetCard(CARD_PAIRED);
    SetSettings(false, true);
    testsupport::CLogCapture log;
    CreateMainWindow();
    // Before the chain's end the menu is built without asking.
    EXPECT_TRUE(Item(key::kButtonLogin)->IsVisible());
    EXPECT_EQ(Ids(Entries(Window().GetUserMenu())), "4200");
    FinishChain();
    EXPECT_EQ(log.Count("ShowMessageBox owner"), 0u);

    // A finished probe upload rebuilds the menu: the question, once, while a second rebuild
    // comes inside its loop; Yes opens the registration wizard.
    const UINT progress = ::RegisterWindowMessageA("QZLNotifyProgress");
    const UINT finish = ::RegisterWindowMessageA("QZLNotifyFinish");
    launchertest::CBoxPresser press(text::kNewNaviSD, IDYES);
    for (int i = 0; i < 2; ++i) {
        Window().PostMessage(progress, 100, 36);
        Window().PostMessage(finish, 0, 36);
    }
    Pump();
    EXPECT_TRUE(press.Pressed());
    EXPECT_EQ(press.Box().uStyle, text::kQuestionStyle);
    EXPECT_EQ(log.Count("ShowMessageBox owner"), 1u);
    EXPECT_EQ(Tools().Record(ui::TOOL_INITIALIZATION).nMade, 1);
}

void CALLBACK EndMenuTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    ::EndMenu();
}

TEST_F(CCommandTest, MenuButtonPopsTheMenuUpAndUnchecks)
{
    CreateMainWindow();
    FinishChain();
    // The menu loop runs in this thread: a timer of the thread ends it from inside.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 300, &EndMenuTimer);
    Window().SendMessage(WM_COMMAND, MAKEWPARAM(key::kMenuButton.m_nId, 1), 0);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(Item(key::kMenuButton)->OnMessage(ui::ITEM_MESSAGE_GET_CHECK, 0, 0), 0);
}

// ---- users ----

TEST_F(CCommandTest, ChangingTheUserWritesTheBlockAndTellsEveryone)
{
    const char kLong[] = "abcdefghijklmnopqrstuvwxy";
    AddUser("U1", "abcd", 1, "UA1", true);
    AddUser("U2", kLong, 2, "UA2", false);
    SetSettings(false, true);
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    setting.Load(kLong);
    setting.SetAtlaro(false);
    setting.Save(kLong);
    launchertest::CObserver observer({"UserChanger"});
    ASSERT_TRUE(observer.IsReady());
    CreateMainWindow();
    FinishChain();
    EXPECT_EQ(launchertest::ReadUserBlock(), "abcd");
    EXPECT_TRUE(observer.WaitFor("UserChanger", 0, kWaitMs));
    EXPECT_TRUE(setting.GetAtlaro());

    // The second user: settings saved under "abcd", loaded under the new name, which the
    // block holds cut to 20 characters.
    setting.SetUploadTotNum(5);
    observer.Forget();
    Window().SendMessage(WM_COMMAND, ui::IDM_NICKNAME_FIRST + 1, 0);
    EXPECT_EQ(Window().GetNickName(), kLong);
    EXPECT_EQ(launchertest::ReadUserBlock(), "abcdefghijklmnopqrst");
    EXPECT_TRUE(observer.WaitFor("UserChanger", 0, kWaitMs));
    EXPECT_FALSE(setting.GetAtlaro());
    EXPECT_EQ(::GetPrivateProfileIntA("Launcher", "UploadTotNum", -1,
                                      CLauncherSettingFile::GetUserFilePath("abcd").c_str()),
              5);
}

TEST_F(CCommandTest, PairedCardStartsTheUpdateToolHiddenOnce)
{
    AddUser(kCardDeviceNo, "Taro", kCardCcid, "UA/Taro", true);
    SetCard(CARD_PAIRED);
    SetSettings(false, true);
    launchertest::CStartRecord record(Product().Path());
    CreateMainWindow();
    // Not before the chain's end.
    EXPECT_EQ(RunningCount("Dapplegate.exe"), 0);
    FinishChain();
    EXPECT_EQ(RunningCount("Dapplegate.exe"), 1);
    const std::vector<launchertest::StartedProgram> starts =
        record.WaitForStart("Dapplegate.exe", kWaitMs);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].iShow, SW_HIDE);
    EXPECT_EQ(starts[0].sArguments, "Launcher");
    // Publishing the user again starts nothing more.
    Window().SendMessage(WM_COMMAND, ui::IDM_NICKNAME_FIRST, 0);
    EXPECT_EQ(RunningCount("Dapplegate.exe"), 1);
    EXPECT_EQ(record.StartsOf("Dapplegate.exe").size(), 1u);
}

TEST_F(CCommandTest, NewRegistrationSelectsTheLastUser)
{
    AddUser("U1", "Taro", 1, "UA1", true);
    SetSettings(false, true);
    CreateMainWindow();
    FinishChain();
    AddUser("U2", "Hanako", 2, "UA2", false);
    Window().PostMessage(WM_LOGINADMIN_RESULT, 0, 0);
    Pump();
    ASSERT_EQ(Window().GetNickNameList().size(), 2u);
    EXPECT_EQ(Window().GetNickName(), Window().GetNickNameList().back().second);
    EXPECT_EQ(Window().GetNickNameNo(), 1);
    EXPECT_FALSE(Item(key::kButtonLogin)->IsVisible());
}

// ---- help balloons ----

struct BalloonCase {
    const char* name;
    const ui::SkinItemKey* key;
    bool driveMemory;
    int32_t index;
};

class BalloonTest : public CCommandTest, public ::testing::WithParamInterface<BalloonCase> {};

TEST_P(BalloonTest, ShowsTheButtonsHelp)
{
    const BalloonCase& c = GetParam();
    SetSettings(false, c.driveMemory);
    CreateMainWindow();
    FinishChain();
    EXPECT_FALSE(Window().PostItemCommand(c.key->m_nId, ui::ITEM_EVENT_MOUSE_MOVE, 0));
    const launchertest::StubToolRecord& record = Tools().Record(ui::TOOL_HELP_INFO);
    ASSERT_EQ(record.nMade, 1);
    EXPECT_EQ(record.iHelpIndex, c.index);
    EXPECT_EQ(record.bHelpDriveMemory, c.driveMemory);
    EXPECT_EQ(record.hOwner, Window().GetHwnd());
    ASSERT_EQ(record.vShow.size(), 1u);
    EXPECT_EQ(record.vShow[0], SW_SHOWNA);
    EXPECT_EQ(Window().GetHelpButtonId(), c.key->m_nId);
    // The same button again: nothing new.
    Window().PostItemCommand(c.key->m_nId, ui::ITEM_EVENT_MOUSE_MOVE, 0);
    EXPECT_EQ(record.nMade, 1);
}

const BalloonCase kBalloonCases[] = {
    {"Web", &key::kWebButton, true, 0},
    {"Music", &key::kButtonClassFive, true, 1},
    {"Maintenance", &key::kMaintenanceButton, true, 2},
    {"Camera", &key::kDriveButton, true, 3},
    {"Update", &key::kUpdateButton, true, 4},
    {"NeedUpdate", &key::kNeedUpdateButton, true, 4},
    {"UpdateWithoutCamera", &key::kUpdateButton, false, 3},
};

INSTANTIATE_TEST_SUITE_P(Buttons, BalloonTest, ::testing::ValuesIn(kBalloonCases),
                         [](const ::testing::TestParamInfo<BalloonCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(CCommandTest, BalloonGoesWithThePointerAndTheActivation)
{
    CreateMainWindow();
    FinishChain();
    Window().PostItemCommand(key::kWebButton.m_nId, ui::ITEM_EVENT_MOUSE_MOVE, 0);
    ASSERT_NE(Tools().Live(ui::TOOL_HELP_INFO), nullptr);
    // Leaving with the pointer elsewhere forgets the button; the balloon closes itself when
    // the pointer reaches it (its notice, also twice).
    EXPECT_TRUE(Window().PostItemCommand(key::kWebButton.m_nId, ui::ITEM_EVENT_MOUSE_LEAVE, 0));
    EXPECT_EQ(Window().GetHelpButtonId(), 0);
    Tools().Live(ui::TOOL_HELP_INFO)->PostNotices(0, true);
    Pump();
    EXPECT_EQ(Tools().Record(ui::TOOL_HELP_INFO).nDeleted, 1);

    // The cursor still over the button keeps the balloon and its button.
    Window().PostItemCommand(key::kWebButton.m_nId, ui::ITEM_EVENT_MOUSE_MOVE, 0);
    RECT window = WindowRect();
    const ui::SkinRect web = Item(key::kWebButton)->GetRect();
    ::SetCursorPos(window.left + web.left + 5, window.top + web.top + 5);
    Window().PostItemCommand(key::kWebButton.m_nId, ui::ITEM_EVENT_MOUSE_LEAVE, 0);
    EXPECT_EQ(Window().GetHelpButtonId(), key::kWebButton.m_nId);
    ::SetCursorPos(0, 0);
    // Another item's move: the balloon of the button stays until the pointer is elsewhere.
    Window().PostItemCommand(key::kButtonUpdate.m_nId, ui::ITEM_EVENT_MOUSE_MOVE, 0);
    EXPECT_EQ(Window().GetHelpButtonId(), 0);
    // A move to another button: a new balloon in place of the old one.
    Window().PostItemCommand(key::kMaintenanceButton.m_nId, ui::ITEM_EVENT_MOUSE_MOVE, 0);
    EXPECT_EQ(Tools().Record(ui::TOOL_HELP_INFO).nMade, 3);
    EXPECT_EQ(Tools().Record(ui::TOOL_HELP_INFO).nDeleted, 2);
    // Deactivation deletes it; the window fades to 204, and back to 242 when active.
    Window().SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(Tools().Live(ui::TOOL_HELP_INFO), nullptr);
    EXPECT_EQ(LayeredAlpha(), ui::kLaunchWindowInactiveAlpha);
    Window().SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(LayeredAlpha(), ui::kLaunchWindowAlpha);
}

} // namespace
