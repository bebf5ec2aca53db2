// The registration and log-in wizard: real windows of the product's skin over a hidden
// top-level owner that records what it is posted. Text is typed as WM_CHAR into the edits
// (single-byte, byte by byte as Wine's controls take it); buttons are their posted commands;
// the wizard's message boxes run in the test's thread and are read and pressed from a thread
// timer (launchertest::CBoxPresser). Checks go to the stand-in's registration service
// (tools/standin/services/registration.py) with the unit's card on simulated card E: (see
// tools/wine-prefix) or without a card; the test plays the agent (the card record of
// "KestrumShareMemName", CTest lock "shared_blocks"). Pages opened "in the browser" are read
// from the browser recorder (launchertest::CBrowserRecord).

#include "launcher/InitializationWindow.h"

#include "carddata/PcLinkFile.h"
#include "carddata/UserListFile.h"
#include "launcher/UserMessage.h"
#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "online/ConnectionFile.h"
#include "online/LoginAdmin.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemEditBox.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemStaticChangeImage.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/launcher/support/BrowserRecord.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/online/support/ConnectionInfoForTests.h"
#include "tests/online/support/JobTestSupport.h"
#include "tests/online/support/MessageCapture.h"
#include "tests/online/support/StandIn.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("launcher_initialization_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("launcher_initialization_test"));

using namespace ui::InitializationWindowKey;
using onlinetest::CAnswer;
using onlinetest::CapturedMessage;
using onlinetest::CStandIn;
using testsupport::CAgentBlock;
using testsupport::CLogCapture;
using testsupport::DriveBit;
using ui::CInitializationWindow;

const char kCard = 'E';
// Every wait for a check, a window or the browser: a loaded machine's.
const DWORD kBoundMs = 60000;
const char kWithCardPath[] = "/pcapp/DeviceNoUserAuthenticationFerroxAPI";
const char kWithoutCardPath[] = "/pcapp/GetDeviceInfoAPI";
const char kRegistrationPath[] = "/ferrox/UserRegistration";

// taro has a unit at the service; hanako has none.
const char kAccounts[] = R"({"accounts": {
    "taro": {"pass": "secret", "deviceno": "D9", "ccid_head": "8000ABCD",
             "useragent": "12FerroxPA/2.000010"},
    "hanako": {"pass": "pw1234"}}})";

const char kNoNickName[] = "ニックネームが未入力です。";
const char kNoPassword[] = "パスワードが未入力です。";
const char kWrongInput[] =
    "入力されたニックネーム、または、パスワードが間違っています。\r\nお確かめの上、再度お試しください。";
const char kBoxLine[] = "ShowMessageBox owner:";

const UINT kChildClosed = CInitializationWindow::kChildClosedMessage;

std::string UserListPath() { return lib::GetDataFolder() + "UserList.info"; }

std::string CurrentNickName()
{
    std::string nickName;
    CUserListFile list;
    list.GetCurrentUser(nullptr, &nickName);
    return nickName;
}

// Runs this thread's messages until the condition holds or the time-out passes.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = kBoundMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        testsupport::DispatchQueued();
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

// A hidden top-level window, the wizard's owner, that records every WM_APP-range message it
// is posted, in order.
class COwnerWindow {
public:
    COwnerWindow()
    {
        static const ATOM atom = [] {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = &COwnerWindow::_WindowProc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "InitializationTestOwner";
            return RegisterClassA(&windowClass);
        }();
        EXPECT_NE(0, atom);
        m_hWnd = CreateWindowExA(0, "InitializationTestOwner", "owner", WS_POPUP, 0, 0, 100, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), this);
        EXPECT_NE(nullptr, m_hWnd);
    }
    ~COwnerWindow() { DestroyWindow(m_hWnd); }
    COwnerWindow(const COwnerWindow&) = delete;
    COwnerWindow& operator=(const COwnerWindow&) = delete;

    HWND Hwnd() const { return m_hWnd; }
    const std::vector<CapturedMessage>& Messages() const { return m_vMessages; }
    size_t Count(UINT message) const
    {
        size_t count = 0;
        for (const CapturedMessage& m : m_vMessages) count += m.uMessage == message ? 1 : 0;
        return count;
    }

private:
    static LRESULT CALLBACK _WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<COwnerWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && message >= WM_APP && message < 0xC000) {
            self->m_vMessages.push_back({message, static_cast<uint32_t>(wParam),
                                         static_cast<uint32_t>(lParam)});
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND m_hWnd = nullptr;
    std::vector<CapturedMessage> m_vMessages;
};

std::vector<CapturedMessage> Expected(std::initializer_list<CapturedMessage> messages)
{
    return std::vector<CapturedMessage>(messages);
}

std::string Describe(const std::vector<CapturedMessage>& messages)
{
    return onlinetest::DescribeMessages(messages);
}

class InitializationTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(m_oStandIn.IsRunning());
        // The request table reads "Connection.info" once, at its first use in the process.
        static const bool pointed = onlinetest::WriteConnectionInfo(m_oStandIn.BaseUrl());
        ASSERT_TRUE(pointed);
        ASSERT_TRUE(m_oStandIn.SetVars(kAccounts));
        ASSERT_TRUE(m_oCard.IsRemovable())
            << "E: is not a removable drive: the Wine prefix predates it; delete the build "
               "folder's wineprefix";
        ASSERT_TRUE(m_oAgent.IsReady());
        m_oAgent.Write(0, 0, 0);
        DeleteFileA(UserListPath().c_str());
    }
    void TearDown() override
    {
        m_pWizard.reset();
        m_oAgent.Write(0, 0, 0);
        DeleteFileA(UserListPath().c_str());
    }

    // The card on E: with a valid link file whose unit record is (value, short value),
    // selected and published by the agent as a unit's card.
    void SelectCard(uint32_t value = 0x02000010, uint16_t shortValue = 0x0E)
    {
        ASSERT_TRUE(m_oCard.Clear());
        ASSERT_TRUE(CLinkFileBuilder()
                        .SetDeviceNo("D0001234")
                        .SetCcidHead(0xABCD0123)
                        .AddRecord(PCLINK_RECORD_UNIT_INFO, value, shortValue)
                        .WriteTo(m_oCard));
        m_oAgent.Write(DriveBit(kCard), DriveBit(kCard), kCard);
    }

    CInitializationWindow& Open(HWND owner = nullptr)
    {
        m_pWizard.reset(new CInitializationWindow(owner != nullptr ? owner : m_oOwner.Hwnd()));
        EXPECT_TRUE(m_pWizard->Create());
        m_pWizard->ShowWindow(SW_SHOW);
        testsupport::DispatchQueued();
        return *m_pWizard;
    }
    // The wizard on page 1.
    CInitializationWindow& OpenLogIn(HWND owner = nullptr)
    {
        CInitializationWindow& wizard = Open(owner);
        Click(kNextButton);
        EXPECT_EQ(1, wizard.GetPage());
        return wizard;
    }

    template <class Item>
    Item* ItemOf(const ui::SkinItemKey& key)
    {
        auto* item = dynamic_cast<Item*>(m_pWizard->GetItemById(key.m_nId));
        EXPECT_NE(nullptr, item) << key.m_strName;
        return item;
    }
    ui::CSkinWindowItemEditBox* Edit(const ui::SkinItemKey& key)
    {
        return ItemOf<ui::CSkinWindowItemEditBox>(key);
    }
    ui::CSkinWindowItem* Item(const ui::SkinItemKey& key)
    {
        return ItemOf<ui::CSkinWindowItem>(key);
    }
    bool Finished(const ui::SkinItemKey& key)
    {
        return ItemOf<ui::CSkinWindowItemStaticChangeImage>(key)->IsFinish();
    }
    std::string Text(const ui::SkinItemKey& key)
    {
        return ItemOf<ui::CSkinWindowItemStatic>(key)->GetText();
    }

    // The button's command, posted as its click posts it, and run.
    void Click(const ui::SkinItemKey& key)
    {
        m_pWizard->PostMessage(WM_COMMAND, MAKEWPARAM(key.m_nId, 1), 0);
        testsupport::DispatchQueued();
    }
    void Type(const ui::SkinItemKey& key, const std::string& text)
    {
        const HWND control = Edit(key)->GetControl();
        ASSERT_NE(nullptr, control);
        for (const char c : text) {
            SendMessageA(control, WM_CHAR, static_cast<unsigned char>(c), 1);
        }
    }
    bool HasFocus(const ui::SkinItemKey& key) { return GetFocus() == Edit(key)->GetControl(); }

    // Confirms the typed account; the box it shows (if any) is pressed and its text answered.
    std::string Confirm(bool expectBox)
    {
        if (!expectBox) {
            CLogCapture log;
            Click(kConfirmButton);
            EXPECT_EQ(0u, log.Count(kBoxLine)) << log.Text();
            return std::string();
        }
        launchertest::CBoxPresser press("", IDOK);
        Click(kConfirmButton);
        EXPECT_TRUE(press.Pressed());
        EXPECT_EQ(static_cast<uint32_t>(MB_OK | MB_ICONWARNING), press.Box().uStyle);
        return press.Box().sText;
    }
    // Runs messages until the running check has reported and its worker was let go.
    bool WaitForResult()
    {
        return PumpUntil([this] { return m_pWizard->GetLoginAdmin().GetThreadHandle() == nullptr; });
    }

    // The edits and the page's buttons while a check runs (false) or not.
    void ExpectEntryEnabled(bool enabled)
    {
        for (const ui::SkinItemKey* key :
             {&kNickNameEdit, &kPasswordEdit, &kPreButton, &kConfirmButton}) {
            EXPECT_EQ(enabled, Item(*key)->IsEnabled()) << key->m_strName;
        }
    }
    // After a failed check: page 1 with empty fields, ready, the nickname focused.
    void ExpectAnotherTry()
    {
        EXPECT_EQ(1, m_pWizard->GetPage());
        EXPECT_EQ("", Edit(kNickNameEdit)->GetText());
        EXPECT_EQ("", Edit(kPasswordEdit)->GetText());
        ExpectEntryEnabled(true);
        EXPECT_TRUE(HasFocus(kNickNameEdit));
    }

    // The account typed and confirmed, and the check's result taken.
    bool LogInAs(const char* nickName, const char* password)
    {
        Type(kNickNameEdit, nickName);
        Type(kPasswordEdit, password);
        Confirm(false);
        return WaitForResult();
    }

    // The wizard's window is gone and the object can go.
    bool WaitForClosed()
    {
        const HWND window = m_pWizard->GetHwnd();
        const bool closed = PumpUntil([window] { return !IsWindow(window); });
        m_pWizard.reset();
        testsupport::DispatchQueued();
        return closed;
    }

    CStandIn m_oStandIn;
    CSimulatedCard m_oCard{kCard};
    CAgentBlock m_oAgent;
    COwnerWindow m_oOwner;
    std::unique_ptr<CInitializationWindow> m_pWizard;
};

// ---- pages ----

struct PageLook {
    const char* name;
    const char* title;
    const char* firstLine;
    std::vector<const ui::SkinItemKey*> shown;
    std::vector<const ui::SkinItemKey*> hidden;
    bool marks[3]; // second, third, fourth step marks finished
};

TEST_F(InitializationTest, PagesShowTheirItemsAndStepMarks)
{
    const PageLook page0 = {
        "page 0", "お客様登録", "ケストラムの全ての機能をご使用になるには、",
        {&kLoginButton, &kNextButton, &kCancelButton, &kCloseButton},
        {&kPreButton, &kConfirmButton, &kFinishButton, &kNickNameTextStatic,
         &kPasswordTextStatic, &kNickNameEdit, &kPasswordEdit},
        {true, false, false}};
    const PageLook page1 = {
        "page 1", "お客様情報認証", "お客様登録時に取得したニックネーム／パスワードを入力し、",
        {&kPreButton, &kConfirmButton, &kCancelButton, &kNickNameTextStatic,
         &kPasswordTextStatic, &kNickNameEdit, &kPasswordEdit},
        {&kLoginButton, &kNextButton, &kFinishButton},
        {true, true, false}};
    const struct {
        const ui::SkinItemKey* command; // null: as the wizard opens
        const PageLook* look;
    } steps[] = {{nullptr, &page0}, {&kNextButton, &page1}, {&kPreButton, &page0},
                 {&kNextButton, &page1}};

    CInitializationWindow& wizard = Open();
    EXPECT_EQ("お客様登録", wizard.GetWindowText());
    const LONG_PTR style = GetWindowLongPtrA(wizard.GetHwnd(), GWL_STYLE);
    EXPECT_EQ(static_cast<LONG_PTR>(WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX),
              style & (WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX | WS_CHILD));
    EXPECT_EQ(m_oOwner.Hwnd(), GetWindow(wizard.GetHwnd(), GW_OWNER));
    for (const auto& step : steps) {
        if (step.command != nullptr) Click(*step.command);
        const PageLook& look = *step.look;
        SCOPED_TRACE(look.name);
        EXPECT_EQ(look.title, Text(kRegistUserTextStatic));
        EXPECT_EQ(look.firstLine, Text(kNotifyFrameText[0]));
        for (const ui::SkinItemKey* key : look.shown) {
            EXPECT_TRUE(Item(*key)->IsVisible()) << key->m_strName;
        }
        for (const ui::SkinItemKey* key : look.hidden) {
            EXPECT_FALSE(Item(*key)->IsVisible()) << key->m_strName;
        }
        EXPECT_EQ(look.marks[0], Finished(kSecondStaticChangeImage));
        EXPECT_EQ(look.marks[1], Finished(kThirdStaticChangeImage));
        EXPECT_EQ(look.marks[2], Finished(kFourthStaticChangeImage));
        // The edits' controls follow their items.
        EXPECT_EQ(Item(kNickNameEdit)->IsVisible(),
                  IsWindowVisible(Edit(kNickNameEdit)->GetControl()) != FALSE);
    }
    EXPECT_TRUE(m_oOwner.Messages().empty()) << Describe(m_oOwner.Messages());
}

TEST_F(InitializationTest, MouseMovesReachTheItemsOnlyWithNoButtonHeld)
{
    CInitializationWindow& wizard = Open();
    const auto over = [this](const ui::SkinItemKey& key) {
        const ui::SkinRect rect = Item(key)->GetRect();
        return MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    };
    wizard.SendMessage(WM_MOUSEMOVE, 0, over(kCancelButton));
    EXPECT_EQ(Item(kCancelButton), wizard.GetHotItem());
    wizard.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, over(kNextButton));
    EXPECT_EQ(Item(kCancelButton), wizard.GetHotItem());
    wizard.SendMessage(WM_MOUSEMOVE, 0, over(kNextButton));
    EXPECT_EQ(Item(kNextButton), wizard.GetHotItem());
}

TEST_F(InitializationTest, EditsTakeSingleByteTextUpToTheirLimits)
{
    OpenLogIn();
    Type(kNickNameEdit, "abcdefghij0123456789XYZ");
    Type(kPasswordEdit, "pass1234567");
    EXPECT_EQ("abcdefghij0123456789", Edit(kNickNameEdit)->GetText());
    EXPECT_EQ("pass1234", Edit(kPasswordEdit)->GetText());
    // The password is masked.
    EXPECT_NE(0, SendMessageA(Edit(kPasswordEdit)->GetControl(), EM_GETPASSWORDCHAR, 0, 0));
}

// ---- confirmation ----

enum Field { NONE, NICKNAME, PASSWORD };

struct ConfirmCase {
    const char* nickName;
    const char* password;
    const char* message; // null: no box, the check starts
    Field focused;       // after the box
    Field cleared;
    const char* sentNickName; // what the request's form carries
};

const ConfirmCase kConfirmCases[] = {
    {"", "pass", kNoNickName, NICKNAME, NONE, nullptr},
    {"abc ", "pass", kWrongInput, NICKNAME, NONE, nullptr},     // read as "abc": too short
    {"ab-_9Z", "pass", nullptr, NONE, NONE, "ab%2D%5F9Z"},
    {" abcd", "pass", kWrongInput, NICKNAME, NICKNAME, nullptr}, // a leading blank is refused
    {"abcd ", "pass", nullptr, NONE, NONE, "abcd"},             // a trailing one is dropped
    {"abcd", "", kNoPassword, PASSWORD, NONE, nullptr},
    {"abcd", "pa ss", kWrongInput, PASSWORD, PASSWORD, nullptr},
    {"abcd", "abc", kWrongInput, PASSWORD, NONE, nullptr},
    {"abcd!", "pass", kWrongInput, NICKNAME, NICKNAME, nullptr},
};

TEST_F(InitializationTest, ConfirmChecksTheEntriesInOrder)
{
    for (const ConfirmCase& c : kConfirmCases) {
        SCOPED_TRACE(std::string("nickname \"") + c.nickName + "\" password \"" + c.password +
                     "\"");
        ASSERT_TRUE(m_oStandIn.Reset());
        ASSERT_TRUE(m_oStandIn.SetVars(kAccounts));
        // Without a card a passing entry is refused with a code that has no text; the answer
        // waits until the running check has been looked at.
        ASSERT_TRUE(m_oStandIn.Queue(kWithoutCardPath, CAnswer().Text("RET=6").Hold("checked")));
        OpenLogIn();
        Type(kNickNameEdit, c.nickName);
        Type(kPasswordEdit, c.password);

        const std::string shown = Confirm(c.message != nullptr);
        if (c.message != nullptr) {
            EXPECT_EQ(c.message, shown);
            EXPECT_TRUE(HasFocus(c.focused == NICKNAME ? kNickNameEdit : kPasswordEdit));
            EXPECT_EQ(c.cleared == NICKNAME ? "" : c.nickName, Edit(kNickNameEdit)->GetText());
            EXPECT_EQ(c.cleared == PASSWORD ? "" : c.password, Edit(kPasswordEdit)->GetText());
            EXPECT_EQ(nullptr, m_pWizard->GetLoginAdmin().GetThreadHandle());
            EXPECT_TRUE(Item(kConfirmButton)->IsEnabled());
            PumpFor(50);
            EXPECT_EQ(0u, m_oStandIn.Requests().size());
            continue;
        }
        // The check runs: nothing can be typed or pressed on the page.
        EXPECT_NE(nullptr, m_pWizard->GetLoginAdmin().GetThreadHandle());
        ExpectEntryEnabled(false);
        // A disabled plain edit is drawn by its item; its control steps aside.
        EXPECT_FALSE(IsWindowVisible(Edit(kNickNameEdit)->GetControl()));
        // 0x22200006 has no text: nothing is shown, and the fields are cleared.
        CLogCapture log;
        ASSERT_TRUE(m_oStandIn.Release("checked"));
        ASSERT_TRUE(WaitForResult());
        EXPECT_EQ(0u, log.Count(kBoxLine)) << log.Text();
        const auto requests = m_oStandIn.Requests();
        ASSERT_EQ(1u, requests.size());
        EXPECT_EQ(kWithoutCardPath, requests[0].sPath);
        EXPECT_EQ(std::string("nick=") + c.sentNickName + "&pass=pass", requests[0].sBody);
        ExpectAnotherTry();
    }
}

// ---- the check against the service ----

TEST_F(InitializationTest, AcceptedRegistersAndFinishTellsTheOwner)
{
    const struct {
        bool card;
        const char* path;
        const char* title;
        const char* firstLine;
        const ui::SkinItemKey* end; // the close box ends page 2 as Finish does
    } cases[] = {
        {true, kWithCardPath, "登録完了",
         "お客様情報とご使用のナビゲーション情報の登録が完了しました。", &kFinishButton},
        {false, kWithoutCardPath, "登録は完了していません",
         "登録を完了するには、ナビゲーションに登録済のSDカードが必要で", &kCloseButton},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.card ? "with the card" : "without a card");
        ASSERT_TRUE(m_oStandIn.Reset());
        ASSERT_TRUE(m_oStandIn.SetVars(kAccounts));
        m_oAgent.Write(0, 0, 0);
        if (c.card) SelectCard();
        COwnerWindow owner;
        OpenLogIn(owner.Hwnd());
        ASSERT_TRUE(LogInAs("taro", "secret"));

        EXPECT_EQ(2, m_pWizard->GetPage());
        EXPECT_TRUE(m_pWizard->IsRegistered());
        EXPECT_EQ(c.title, Text(kRegistUserTextStatic));
        EXPECT_EQ(c.firstLine, Text(kNotifyFrameText[0]));
        EXPECT_TRUE(Finished(kFourthStaticChangeImage));
        EXPECT_FALSE(Item(kCancelButton)->IsVisible());
        EXPECT_TRUE(Item(kFinishButton)->IsVisible());
        const auto requests = m_oStandIn.Requests();
        ASSERT_EQ(1u, requests.size());
        EXPECT_EQ(c.path, requests[0].sPath);
        EXPECT_EQ("taro", CurrentNickName());
        EXPECT_TRUE(owner.Messages().empty()) << Describe(owner.Messages());

        Click(*c.end);
        ASSERT_TRUE(WaitForClosed());
        EXPECT_EQ(Describe(Expected({{WM_LOGINADMIN_RESULT, 0, 0}, {kChildClosed, 0, 0},
                                     {kChildClosed, 0, 0}})),
                  Describe(owner.Messages()));
        DeleteFileA(UserListPath().c_str());
    }
}

TEST_F(InitializationTest, RefusedShowsTheCategoryOfTheCheckAndClearsTheFields)
{
    const struct {
        bool card;
        uint32_t code; // unknown nickname: the service's code 1
    } cases[] = {{true, 0x23200001}, {false, 0x22200001}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.card ? "with the card" : "without a card");
        m_oAgent.Write(0, 0, 0);
        if (c.card) SelectCard();
        // The refusal waits until the box's presser is in place: a result that came while the
        // confirm was being dispatched would show its box with nobody to answer it.
        const std::string gate = c.card ? "refused-card" : "refused-no-card";
        ASSERT_TRUE(m_oStandIn.Queue(c.card ? kWithCardPath : kWithoutCardPath,
                                     CAnswer().Service().Hold(gate)));
        OpenLogIn();
        Type(kNickNameEdit, "nobody");
        Type(kPasswordEdit, "secret");
        Confirm(false);
        uint32_t style = 0;
        const std::string expected = GetUserMessage(c.code, style, 0);
        ASSERT_FALSE(expected.empty());
        EXPECT_NE(std::string::npos, expected.find(lib::FormatString("%08X", c.code)));
        launchertest::CBoxPresser press(expected, IDOK);
        ASSERT_TRUE(m_oStandIn.Release(gate));
        ASSERT_TRUE(WaitForResult());
        EXPECT_TRUE(press.Pressed());
        EXPECT_EQ(style, press.Box().uStyle);

        ExpectAnotherTry();
        EXPECT_FALSE(lib::PathFileExistsStr(UserListPath()));
        // A second try goes out again: the finished worker was let go.
        ASSERT_TRUE(LogInAs("taro", "secret"));
        EXPECT_EQ(2, m_pWizard->GetPage());
        DeleteFileA(UserListPath().c_str());
    }
}

// ---- closing ----

TEST_F(InitializationTest, CancelAndCloseTellTheOwner)
{
    const struct {
        const char* name;
        std::function<void(InitializationTest&)> close;
        size_t notices;
    } cases[] = {
        // The button's notice, then the destruction's.
        {"cancel on page 0", [](InitializationTest& t) { t.Click(kCancelButton); }, 2},
        {"cancel on page 1",
         [](InitializationTest& t) {
             t.Click(kNextButton);
             t.Click(kCancelButton);
         },
         2},
        // Only the destruction's.
        {"WM_CLOSE", [](InitializationTest& t) { t.m_pWizard->PostMessage(WM_CLOSE, 0, 0); }, 1},
        // The system menu's command reaching the window as a command.
        {"SC_CLOSE as a command",
         [](InitializationTest& t) {
             t.m_pWizard->PostMessage(WM_COMMAND, SC_CLOSE, 0);
         },
         1},
        // The wizard closes itself and waits until it is gone.
        {"end of the session",
         [](InitializationTest& t) { t.m_pWizard->SendMessage(WM_ENDSESSION, TRUE, 0); }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        COwnerWindow owner;
        Open(owner.Hwnd());
        c.close(*this);
        ASSERT_TRUE(WaitForClosed());
        EXPECT_EQ(c.notices, owner.Messages().size()) << Describe(owner.Messages());
        EXPECT_EQ(c.notices, owner.Count(kChildClosed)) << Describe(owner.Messages());
    }
}

// The answer is held until the worker has seen the cancel (the end of its wait is logged), so
// the close always comes during the check.
TEST_F(InitializationTest, CloseDuringTheCheckWaitsForItAndShowsNothing)
{
    ASSERT_TRUE(m_oStandIn.Queue(kWithoutCardPath, CAnswer().Service().Hold("held")));
    OpenLogIn();
    Type(kNickNameEdit, "taro");
    Type(kPasswordEdit, "secret");
    Confirm(false);
    ASSERT_EQ(1u, m_oStandIn.WaitForRequests(1, kBoundMs));
    const HANDLE worker = m_pWizard->GetLoginAdmin().GetThreadHandle();
    ASSERT_NE(nullptr, worker);

    CLogCapture log;
    {
        onlinetest::CReleaseWhenLogged release(m_oStandIn, "held", "ユーザー認証通信完了");
        m_pWizard->PostMessage(WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitForClosed());
        EXPECT_TRUE(release.SawText());
    }
    EXPECT_TRUE(log.Has("ユーザー認証ダウンロード時のユーザキャンセル")) << log.Text();
    EXPECT_EQ(0u, log.Count(kBoxLine)) << log.Text();
    EXPECT_EQ(Describe(Expected({{kChildClosed, 0, 0}})), Describe(m_oOwner.Messages()));
    EXPECT_FALSE(lib::PathFileExistsStr(UserListPath()));
}

// ---- the registration page ----

TEST(InitializationDevicePart, KeepsOneCharacterAfterTheEncodedSlash)
{
    const struct {
        uint16_t shortValue;
        uint32_t value;
        const char* part;
    } cases[] = {
        {0x12, 0x0A000010, "12FerroxPA%2FA.000010"},
        {0x12, 0x1A000010, "12FerroxPA%2F1.000010"}, // the second digit of 0x1A is lost
        {0x0E, 0x02ABCDEF, "0EFerroxPA%2F2.ABCDEF"},
        {0x3F12, 0x00000000, "12FerroxPA%2F0.000000"}, // the short value's low byte only
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.part, CInitializationWindow::RegistrationDevicePart(c.shortValue, c.value));
    }
}

class RegistrationPageTest : public InitializationTest {
protected:
    void SetUp() override
    {
        InitializationTest::SetUp();
        ASSERT_TRUE(launchertest::CBrowserRecord::IsInstalled());
    }
    void TearDown() override
    {
        // The table as every other test of the program reads it.
        onlinetest::WriteConnectionInfo(m_oStandIn.BaseUrl());
        CConnectionFile::GetInstance().Load();
        InitializationTest::TearDown();
    }

    // The pages opened by the registration button of a fresh wizard: the shell has started
    // the browser by the time the click has run, so once it has ended its page is recorded.
    std::vector<std::string> OpenRegistrationPage()
    {
        Open();
        launchertest::CBrowserRecord record;
        Click(kLoginButton);
        EXPECT_TRUE(launchertest::WaitForProcessesIn(launchertest::CBrowserRecord::kFolder, {},
                                                     kBoundMs));
        return record.Opened();
    }
    std::string PageUrl() const { return m_oStandIn.Url(kRegistrationPath) + "?UserAgent="; }
};

TEST_F(RegistrationPageTest, WithoutACardTheRequestUrlWithItsQuery)
{
    const auto opened = OpenRegistrationPage();
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(PageUrl(), opened[0]);
}

TEST_F(RegistrationPageTest, WithTheUnitsCardTheDevicePartFollows)
{
    const struct {
        uint32_t value;
        const char* part;
    } cases[] = {{0x0A000010, "12FerroxPA%2FA.000010"}, {0x1A000010, "12FerroxPA%2F1.000010"}};
    for (const auto& c : cases) {
        SelectCard(c.value, 0x12);
        const auto opened = OpenRegistrationPage();
        ASSERT_EQ(1u, opened.size());
        EXPECT_EQ(PageUrl() + c.part, opened[0]);
    }
}

TEST_F(RegistrationPageTest, ACardThatIsNotTheUnitsAddsNothing)
{
    const struct {
        const char* name;
        bool unitCard;     // as the agent publishes it
        uint8_t modelCode; // of the link file on the card
    } cases[] = {{"the agent found no unit's link file", false, PCLINK_MODEL_CODE},
                 {"a link file of another unit family", true, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_oCard.Clear());
        ASSERT_TRUE(CLinkFileBuilder()
                        .SetModelCode(c.modelCode)
                        .AddRecord(PCLINK_RECORD_UNIT_INFO, 0x0A000010, 0x12)
                        .WriteTo(m_oCard));
        m_oAgent.Write(DriveBit(kCard), c.unitCard ? DriveBit(kCard) : 0, kCard);
        const auto opened = OpenRegistrationPage();
        ASSERT_EQ(1u, opened.size());
        EXPECT_EQ(PageUrl(), opened[0]);
    }
}

TEST_F(RegistrationPageTest, AnEmptyRequestOpensNothing)
{
    {
        std::ofstream file(onlinetest::ConnectionInfoPath(), std::ios::binary | std::ios::app);
        file << "3,\"\"\r\n";
    }
    ASSERT_TRUE(CConnectionFile::GetInstance().Load());
    ASSERT_EQ("", CConnectionFile::GetInstance().GetURL(3));
    // Not even the card's part alone.
    SelectCard(0x0A000010, 0x12);
    EXPECT_TRUE(OpenRegistrationPage().empty());
}

} // namespace
