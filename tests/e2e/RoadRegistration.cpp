// Road "registration and log-in": a unit's card with no user on this PC. The user opens the wizard
// from the main window's log-in button, opens the registration page, goes to the log-in page, types
// a wrong password (the service refuses it with its catalogue text), then the right one, and
// finishes: the user is registered for the card's unit, published to the other programs, and the
// card's downloads come due.

#include "carddata/UserListFile.h"
#include "launcher/LauncherSetting.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/LauncherTestSupport.h"
#include "tests/online/support/StandIn.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

using launchertest::CLauncherRun;
using launchertest::ShownBox;

const char kRoad[] = "registration";
const char kCard = 'D';
const char kDeviceNo[] = "DN00000000000052";
const uint32_t kCcidHead = 0x0746;
const char kNickName[] = "taro";
const char kPassword[] = "secret1";
const DWORD kWaitMs = 30000;

// The main window's log-in button and the wizard's buttons, by their item ids.
const WORD kButtonLogin = 1018;
const WORD kNextButton = 1004;
const WORD kFinishButton = 1005;
const WORD kConfirmButton = 1009;
const WORD kRegistrationButton = 1010;

const char kLogInPath[] = "/pcapp/DeviceNoUserAuthenticationFerroxAPI";
const char kNeedsRegistration[] =
    "本機能を利用するにはナビゲーション情報の登録が必要です。\r\n"
    "ナビゲーションでSDカード登録を行ってから、お客様登録を行ってください。";
// The service's "wrong password" (2) in the log-in check's category.
const char kRefused[] =
    "お客様登録情報の認証ができませんでした。\r\n\r\n"
    "ネットワークに正常に接続されていることを確認して\r\n"
    "再度、認証を行ってください。\r\n\r\n(メッセージコード：23200002)";
const UINT kWarningStyle = 0x70;
const UINT kCatalogueStyle = 0x30;

void PostCommand(HWND window, WORD id)
{
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 1), 0);
}

struct Edits {
    HWND hNickName = nullptr;
    HWND hPassword = nullptr;
};

BOOL CALLBACK CollectEdit(HWND child, LPARAM data)
{
    Edits& edits = *reinterpret_cast<Edits*>(data);
    char name[16] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Edit") != 0) return TRUE;
    if ((GetWindowLongPtrA(child, GWL_STYLE) & ES_PASSWORD) != 0) {
        edits.hPassword = child;
    } else {
        edits.hNickName = child;
    }
    return TRUE;
}

// Types the text as the keyboard does, character by character (single-byte text).
void Type(HWND edit, const std::string& text)
{
    for (const char c : text) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// The agent as the session's log-on leaves it: resident, having published the cards it found (its
// first check comes two timer ticks after its start).
bool StartResidentAgent(const launchertest::CProductFolder& product,
                        const launchertest::CObserver& observer)
{
    std::string line = "\"" + product.File("Kestrum4Agent.exe") + "\" Launcher";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        return false;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return observer.WaitFor("WM_DEVICECHANGE", 1, kWaitMs);
}

bool HasUser(const char* nickName)
{
    CUserListFile users;
    std::string deviceNo;
    return users.GetUserByNickName(nickName, &deviceNo) && deviceNo == kDeviceNo;
}

// Presses the box's button and waits until the box has left the screen, so that a shot after
// it shows the window beneath.
bool PressAndWaitGone(const ShownBox& box, int result)
{
    if (!launchertest::PressBox(box, result)) return false;
    for (const DWORD start = GetTickCount(); IsWindow(box.hBox) && GetTickCount() - start < kWaitMs;
         Sleep(50)) {
    }
    return !IsWindow(box.hBox);
}

class RoadRegistration : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_standIn.IsRunning());
        ASSERT_TRUE(m_standIn.SetVars(launchertest::NothingNewerVars()));
        ASSERT_TRUE(m_standIn.SetVars(std::string("{\"accounts\": {\"") + kNickName +
                                      "\": {\"pass\": \"" + kPassword + "\", \"deviceno\": \"" +
                                      kDeviceNo + "\", \"ccid_head\": \"07460000\"}}}"));
        ASSERT_TRUE(m_product.HasLauncher());
        ASSERT_TRUE(m_agentSwap.Swapped());
        ASSERT_TRUE(m_product.WriteConnectionInfo(m_standIn));
        ASSERT_TRUE(m_observer.IsReady());
        ASSERT_TRUE(launchertest::CBrowserRecord::IsInstalled());
        const std::vector<uint8_t> link = CLinkFileBuilder()
                                              .SetDeviceNo(kDeviceNo)
                                              .SetCcidHead(kCcidHead)
                                              .AddRecord(PCLINK_RECORD_UNIT_INFO, 0x0A000010, 0x12)
                                              .Build();
        roadtest::WriteCardFile(kCard, "PC\\NAVIINFO.DAT", std::string(link.begin(), link.end()));
    }

    launchertest::CProductFolder m_product;
    launchertest::CProgramSwap m_agentSwap = m_product.UseRealAgent();
    onlinetest::CStandIn m_standIn{roadtest::Space(kRoad)};
    launchertest::CObserver m_observer{{"UserChanger"}};
};

TEST_F(RoadRegistration, TheWizardRegistersTheCardsUserAfterARefusal)
{
    CLauncherRun run(m_product);
    // A PC whose unit model was chosen, with no user yet; the user starts the launcher.
    CLauncherSettingFile settings;
    settings.Load("");
    settings.m_iMachineType = 1;
    settings.m_iFirstRan = 0;
    settings.m_iAutoStartLauncher = 0;
    settings.Save("");
    SetEnvironmentVariableA("KESTRUM_SIMULATED_CARDS", std::string(1, kCard).c_str());
    ASSERT_TRUE(StartResidentAgent(m_product, m_observer));
    ASSERT_TRUE(run.Start());
    ASSERT_EQ(run.WaitForMainWindow(kWaitMs), CLauncherRun::MAIN_WINDOW) << run.Log();
    const ShownBox needsUser = run.WaitForBox(kNeedsRegistration, kWaitMs);
    ASSERT_TRUE(needsUser.Found()) << run.Log();
    ASSERT_TRUE(PressAndWaitGone(needsUser, IDOK));
    const HWND main = run.MainWindow();
    roadtest::Shot(kRoad, "1-start", "main", main);

    // Page 0, and the registration page with the card's unit in its query.
    PostCommand(main, kButtonLogin);
    HWND wizard = nullptr;
    for (const DWORD start = GetTickCount(); wizard == nullptr && GetTickCount() - start < kWaitMs;
         Sleep(50)) {
        wizard = run.FindWindowTitled("お客様登録");
    }
    ASSERT_NE(wizard, nullptr) << run.Log();
    roadtest::Shot(kRoad, "2-log-in-button", "wizard-page0", wizard);
    launchertest::CBrowserRecord browser;
    PostCommand(wizard, kRegistrationButton);
    const std::vector<std::string> opened = browser.WaitForOpened(kWaitMs);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0],
              m_standIn.Url("/ferrox/UserRegistration") + "?UserAgent=12FerroxPA%2FA.000010");

    // Page 1: a wrong password first.
    PostCommand(wizard, kNextButton);
    Edits edits;
    for (const DWORD start = GetTickCount();
         (edits.hNickName == nullptr || !IsWindowVisible(edits.hNickName)) &&
         GetTickCount() - start < kWaitMs;
         Sleep(50)) {
        EnumChildWindows(wizard, &CollectEdit, reinterpret_cast<LPARAM>(&edits));
    }
    ASSERT_NE(edits.hNickName, nullptr);
    ASSERT_NE(edits.hPassword, nullptr);
    Type(edits.hNickName, kNickName);
    Type(edits.hPassword, "wrong1");
    roadtest::Shot(kRoad, "3-next", "wizard-page1", wizard);
    PostCommand(wizard, kConfirmButton);
    const ShownBox refused = run.WaitForBox(kRefused, kWaitMs);
    ASSERT_TRUE(refused.Found()) << run.Log();
    EXPECT_EQ(refused.uStyle, kCatalogueStyle);
    roadtest::Shot(kRoad, "4-wrong-password", "refusal", refused.hBox);
    ASSERT_TRUE(PressAndWaitGone(refused, IDOK));
    EXPECT_FALSE(HasUser(kNickName));

    // The right one: page 2, and the user registered for the card's unit.
    for (const DWORD start = GetTickCount();
         GetWindowTextLengthA(edits.hNickName) != 0 && GetTickCount() - start < kWaitMs;
         Sleep(50)) {
    }
    Type(edits.hNickName, kNickName);
    Type(edits.hPassword, kPassword);
    m_observer.Forget();
    PostCommand(wizard, kConfirmButton);
    for (const DWORD start = GetTickCount();
         !HasUser(kNickName) && GetTickCount() - start < kWaitMs; Sleep(50)) {
    }
    ASSERT_TRUE(HasUser(kNickName));
    roadtest::Shot(kRoad, "5-right-password", "wizard-page2", wizard);
    const std::vector<onlinetest::RecordedRequest> requests = m_standIn.Requests();
    size_t logIns = 0;
    for (const onlinetest::RecordedRequest& request : requests) {
        if (request.sPath == kLogInPath) {
            ++logIns;
            EXPECT_NE(request.sBody.find(std::string("deviceno=") + kDeviceNo), std::string::npos)
                << request.sBody;
        }
    }
    EXPECT_EQ(logIns, 2u);

    // Finish: the main window takes the new user and tells the other programs.
    PostCommand(wizard, kFinishButton);
    EXPECT_TRUE(m_observer.WaitFor("UserChanger", 0, kWaitMs));
    EXPECT_EQ(launchertest::ReadUserBlock(), kNickName);
    CUserListFile users;
    std::string current;
    ASSERT_TRUE(users.GetCurrentUser(nullptr, &current));
    EXPECT_EQ(current, kNickName);
    for (const DWORD start = GetTickCount();
         run.FindWindowTitled("お客様登録") != nullptr && GetTickCount() - start < kWaitMs;
         Sleep(50)) {
    }
    EXPECT_EQ(run.FindWindowTitled("お客様登録"), nullptr);
    roadtest::Shot(kRoad, "6-finish", "main", run.MainWindow());
    EXPECT_EQ(run.Close(), 0u);
}

} // namespace
