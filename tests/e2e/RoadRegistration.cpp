// Road "registration and log-in": a unit's card with no user on this PC. The user opens the wizard
// from the main window's log-in button, opens the registration page, goes to the log-in page, types
// a wrong password (the service refuses it with its catalogue text), then the right one, and
// finishes: the user is registered for the card's unit, published to the other programs, and the
// card's downloads come due.

#include "carddata/UserListFile.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/e2e/RoadSteps.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/LauncherTestSupport.h"

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
const DWORD kWaitMs = roadsteps::kShowWaitMs;

// The main window's log-in button and the wizard's buttons, by their item ids.
const WORD kButtonLogin = 1018;
const WORD kNextButton = 1004;
const WORD kFinishButton = 1005;
const WORD kConfirmButton = 1009;
const WORD kRegistrationButton = 1010;

const char kWizardTitle[] = "お客様登録";
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

bool HasUser(const char* nickName)
{
    CUserListFile users;
    std::string deviceNo;
    return users.GetUserByNickName(nickName, &deviceNo) && deviceNo == kDeviceNo;
}

class RoadRegistration : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_road.IsReady());
        ASSERT_TRUE(m_road.StandIn().SetVars(
            std::string("{\"accounts\": {\"") + kNickName + "\": {\"pass\": \"" + kPassword +
            "\", \"deviceno\": \"" + kDeviceNo + "\", \"ccid_head\": \"07460000\"}}}"));
        ASSERT_TRUE(m_observer.IsReady());
        ASSERT_TRUE(launchertest::CBrowserRecord::IsInstalled());
        roadtest::WriteCardFile(kCard, CLinkFileBuilder::kNaviInfoPath,
                                CLinkFileBuilder()
                                    .SetDeviceNo(kDeviceNo)
                                    .SetCcidHead(kCcidHead)
                                    .AddRecord(PCLINK_RECORD_UNIT_INFO, 0x0A000010, 0x12)
                                    .Build());
    }

    roadsteps::CRoadProduct m_road{kRoad};
    launchertest::CObserver m_observer{{"UserChanger"}};
};

TEST_F(RoadRegistration, TheWizardRegistersTheCardsUserAfterARefusal)
{
    CLauncherRun run(m_road.Product());
    // A PC whose unit model was chosen, with no user yet; the user starts the launcher.
    roadsteps::ModelChosenSettings().Save("");
    SetEnvironmentVariableA("KESTRUM_SIMULATED_CARDS", std::string(1, kCard).c_str());
    ASSERT_TRUE(roadsteps::StartResidentAgentWithCards(m_road.Product(), m_observer));
    ASSERT_TRUE(run.Start());
    ASSERT_EQ(run.WaitForMainWindow(kWaitMs), CLauncherRun::MAIN_WINDOW) << run.Log();
    const ShownBox needsUser = run.WaitForBox(kNeedsRegistration, kWaitMs);
    ASSERT_TRUE(needsUser.Found()) << run.Log();
    ASSERT_TRUE(roadsteps::PressAndWaitGone(needsUser, IDOK));
    const HWND main = run.MainWindow();
    roadtest::Shot(kRoad, "1-start", "main", main);

    // Page 0, and the registration page with the card's unit in its query.
    roadsteps::ClickItem(main, kButtonLogin);
    const HWND wizard = roadsteps::WaitForShownWindow(run.ProcessId(), kWizardTitle);
    ASSERT_NE(wizard, nullptr) << run.Log();
    roadtest::Shot(kRoad, "2-log-in-button", "wizard-page0", wizard);
    launchertest::CBrowserRecord browser;
    roadsteps::ClickItem(wizard, kRegistrationButton);
    const std::vector<std::string> opened = browser.WaitForOpened(kWaitMs);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], m_road.StandIn().Url("/ferrox/UserRegistration") +
                             "?UserAgent=12FerroxPA%2FA.000010");

    // Page 1: a wrong password first.
    roadsteps::ClickItem(wizard, kNextButton);
    Edits edits;
    roadsteps::WaitUntil([&] {
        EnumChildWindows(wizard, &CollectEdit, reinterpret_cast<LPARAM>(&edits));
        return edits.hNickName != nullptr && IsWindowVisible(edits.hNickName);
    });
    ASSERT_NE(edits.hNickName, nullptr);
    ASSERT_NE(edits.hPassword, nullptr);
    Type(edits.hNickName, kNickName);
    Type(edits.hPassword, "wrong1");
    roadtest::Shot(kRoad, "3-next", "wizard-page1", wizard);
    roadsteps::ClickItem(wizard, kConfirmButton);
    const ShownBox refused = run.WaitForBox(kRefused, kWaitMs);
    ASSERT_TRUE(refused.Found()) << run.Log();
    EXPECT_EQ(refused.uStyle, kCatalogueStyle);
    roadtest::Shot(kRoad, "4-wrong-password", "refusal", refused.hBox);
    ASSERT_TRUE(roadsteps::PressAndWaitGone(refused, IDOK));
    EXPECT_FALSE(HasUser(kNickName));

    // The right one: page 2, and the user registered for the card's unit.
    roadsteps::WaitUntil([&edits] { return GetWindowTextLengthA(edits.hNickName) == 0; });
    Type(edits.hNickName, kNickName);
    Type(edits.hPassword, kPassword);
    m_observer.Forget();
    roadsteps::ClickItem(wizard, kConfirmButton);
    ASSERT_TRUE(roadsteps::WaitUntil([] { return HasUser(kNickName); }));
    roadtest::Shot(kRoad, "5-right-password", "wizard-page2", wizard);
    const std::vector<onlinetest::RecordedRequest> requests = m_road.StandIn().Requests();
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
    roadsteps::ClickItem(wizard, kFinishButton);
    EXPECT_TRUE(m_observer.WaitFor("UserChanger", 0, kWaitMs));
    EXPECT_EQ(launchertest::ReadUserBlock(), kNickName);
    CUserListFile users;
    std::string current;
    ASSERT_TRUE(users.GetCurrentUser(nullptr, &current));
    EXPECT_EQ(current, kNickName);
    EXPECT_TRUE(roadsteps::WaitForGone(wizard));
    EXPECT_EQ(run.FindWindowTitled(kWizardTitle), nullptr);
    roadtest::Shot(kRoad, "6-finish", "main", run.MainWindow());
    EXPECT_EQ(run.Close(roadsteps::kShowWaitMs), 0u);
}

} // namespace
