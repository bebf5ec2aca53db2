// The user message catalogue: which text each result code gives, with which style and which
// message code in it; and the common message box, shown over a hidden owner and over the
// desktop and pressed from a thread timer while its modal loop runs.

#include "launcher/UserMessage.h"
#include "lib/StringUtility.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/MessageBoxWindow.h"
#include "skin/SkinWindowItemStatic.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("launcher_catalogue_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("launcher_catalogue_test"));

using lib::FormatString;

// How each text of the catalogue begins, enough to tell it from every other one.
const char* const kOpenings[] = {
    nullptr,
    "ケストラムの更新確認ができませんでした。\r\n\r\nサーバーメンテナンス中です。",
    "ケストラムの更新確認ができませんでした。\r\n\r\nお手数ですが、",
    "インターネットに接続できませんでした。",
    "SDカードが認識できません。",
    "音楽ファイル転送処理に失敗しました。\r\nパソコンの再起動を行っても症状が改善されない場合は",
    "音楽ファイル転送処理に失敗しました。\r\nお手数ですがメッセージコードを控えて頂き",
    "ケストラムの全ての機能をご使用になるには、",
    "サーバーのメンテナンス中です。\r\nしばらくしてから登録確認を行ってください。",
    "入力されたニックネーム、",
    "お客様登録確認に失敗しました。\r\n退会手続を行った場合には、",
    "お客様登録情報の認証ができませんでした。\r\n\r\n退会手続を行った場合には、",
    "このケストラムはご利用になれません。",
    "お客様登録確認に失敗しました。\r\n\r\n再度、",
    "お客様登録確認に失敗しました。\r\n\r\nネットワークが正常に接続されていることを確認して",
    "お客様登録情報の認証ができませんでした。\r\n\r\nネットワークに正常に接続されていることを確認して",
    "お客様の契約状態の確認ができませんでした。",
    "サーバーのメンテナンス中です。\r\nしばらくしてから認証を行ってください。",
    "お客様登録情報の認証ができませんでした。\r\n\r\nニックネームとパスワードを確認の上、",
    "お客様登録情報の認証ができませんでした。\r\n\r\nお手数ですが、詳細はオンラインヘルプをご参照ください。",
    "お客様登録情報の認証ができませんでした。\r\n\r\n入力されたニックネーム/パスワードがご利用のナビゲーションのものかご確認ください。",
    "お客様登録情報の認証ができませんでした。\r\n\r\nお手数ですが、カスタマーサポートセンターへお問い合わせください。",
    "お客様登録確認に失敗しました。\r\nお手数ですがメッセージコードを控えて頂き",
    "ナビゲーション情報の登録を完了していないため、蓄積型プローブ情報をアップロードできません。",
    "蓄積型プローブ情報をアップロードできませんでした。\r\n\r\n退会手続を行った場合には、",
    "蓄積型プローブ情報をアップロードできませんでした。\r\n\r\nサーバーのメンテナンス中です。",
    "ナビゲーション情報の登録を完了していないため、蓄積型プローブ情報をアップロードできませんでした。",
    "蓄積型プローブ情報をアップロードできませんでした。\r\n\r\nお手数ですが、",
    "蓄積型プローブ情報をアップロードできませんでした。\r\n\r\nケストラムに問題がある可能性があります。",
    "蓄積型プローブ情報をアップロードできませんでした。\r\n\r\n再起動を行っても症状が改善されない場合、",
    "ナビゲーション情報の登録を完了していない蓄積型プローブ情報が見つかりました。",
    "vizuvavaを利用できません。\r\n\r\nお手数ですが、",
    "ヴェロセットのご利用登録期間が終了しているため、",
    "ナビゲーション情報の登録を完了していないため、vizuvavaを利用できません。",
    "vizuvavaを利用できません。\r\n\r\n退会手続きを行った場合には、",
    "ヴェロセット渋滞情報の取得に失敗しました。",
    "通信による認証ができませんでした。",
    "エラー報告の送信ができませんでした。",
};

// Texts 30 and 32 are notices without a message code.
bool CarriesCode(int text) { return text != 30 && text != 32; }

const uint32_t kCallerStyle = 0xC0DE;
const int kNone = 0;

struct LookupCase {
    uint32_t code;
    int32_t subCode;
    int text;          // kNone: the empty text
    bool styleWritten; // else the caller's style stays
};

const LookupCase kLookups[] = {
    // A detail of 0 shows nothing without a lookup, except for the log upload.
    {0x24000000, 0, kNone, false},
    {0x10000000, 0, kNone, false},
    {0xFF000000, 0, kNone, false},
    {0x00000000, 0, kNone, false},
    {0x27000000, 0, kNone, true},
    // Categories outside the tables.
    {0x00200001, 0, kNone, true},
    {0x03200005, 0, kNone, true},
    {0x05200005, 0, kNone, true},
    {0x0F102EE7, 0, kNone, true},
    {0x11000010, 0, kNone, true},
    {0x21200001, 0, kNone, true},
    {0x28102EE2, 0, kNone, true},
    {0xFF200001, 0, kNone, true},
    // Version check.
    {0x04200005, 0, 1, true},
    {0x04200063, 0, 2, true},
    {0x04102EFD, 0, 3, true},
    {0x04100000, 0, 3, true},
    {0x04110000, 0, kNone, true},  // bits 16-23 are 0x11, not 0x10
    {0x04300000, 0, kNone, true},
    {0x04200006, 0, kNone, true},
    // HTTP client.
    {0x10000010, 0, 5, true},
    {0x10000011, 0, 6, true},
    {0x1000FF06, 0, 4, true},
    {0x10000194, 0, kNone, true},
    {0x10102EE7, 0, kNone, true},
    // Registration-state check.
    {0x22200001, 0, 7, true},
    {0x22200005, 0, 8, true},
    {0x22200009, 0, 9, true},
    {0x2220000B, 0, 11, true},
    {0x22200020, 0, 12, true},
    {0x22200063, 0, 10, true},
    {0x22400001, 0, 13, true},
    {0x2240FF05, 0, 13, true},
    {0x2240FFFF, 0, 13, true},
    {0x22102EE7, 0, 14, true},
    {0x22200002, 0, kNone, true},
    {0x22400002, 0, kNone, true},
    // Log-in check.
    {0x23200001, 0, 15, true},
    {0x23200002, 0, 15, true},
    {0x23200003, 0, 15, true},
    {0x23200004, 0, 16, true},
    {0x23200005, 0, 17, true},
    {0x23200006, 0, 18, true},
    {0x23200007, 0, 19, true},
    {0x23200008, 0, 20, true},
    {0x23200009, 0, 9, true},
    {0x2320000A, 0, 11, true},
    {0x2320000B, 0, 11, true},
    {0x2320000C, 0, 22, true},
    {0x23200012, 0, 21, true},
    {0x23200063, 0, 21, true},
    {0x23400001, 0, 13, true},
    {0x2340FF05, 0, 13, true},
    {0x2340FFFF, 0, 13, true},
    {0x23100000, 0, 14, true},
    {0x2320000D, 0, kNone, true},
    {0x23400003, 0, kNone, true},
    // Stored-probe upload.
    {0x24200203, 0, 23, true},
    {0x24200301, 0, 23, true},
    {0x24200402, 0, 23, true},
    {0x24200205, 0, 24, true},
    {0x24200206, 0, 25, true},
    {0x24200303, 0, 25, true},
    {0x24200404, 0, 25, true},
    {0x24200207, 0, 26, true},
    {0x24200305, 0, 26, true},
    {0x24200405, 0, 26, true},
    {0x24200299, 0, 27, true},
    {0x24200304, 0, 27, true},
    {0x24200399, 0, 27, true},
    {0x24200499, 0, 27, true},
    {0x24200401, 0, 28, true},
    {0x24400101, 0, kNone, true},
    {0x24400102, 0, 29, true},
    {0x24400104, 0, 29, true},
    {0x24400107, 0, 29, true},
    {0x24400108, 0, kNone, true},
    {0x2440FF08, 0, 30, true},
    {0x24102EE7, 0, 27, true},
    {0x24200208, 0, kNone, true},
    // Traffic information.
    {0x25200202, 0, 32, true},
    {0x2520000F, 0, kNone, true},
    {0x25200010, 0, 31, true},
    {0x25200013, 0, 31, true},
    {0x25200017, 0, 31, true},
    {0x25200018, 0, kNone, true},
    {0x25200203, 0, 33, true},
    {0x25200204, 0, 31, true},
    {0x25200298, 0, 31, true},
    {0x25200299, 0, 31, true},
    {0x252002FF, 0, 31, true},
    {0x25200205, 0, 34, true},
    {0x25102EE7, 0, 35, true},
    {0x25110000, 0, kNone, true},
    {0x25200206, 0, kNone, true},
    // Weather information.
    {0x26102EE2, 0, 31, true},
    {0x2610000E, 0, kNone, true},
    {0x2610000F, 0, 31, true},
    {0x26200001, 0, kNone, true},
    {0x26400001, 0, kNone, true},
    // Application log upload.
    {0x27200200, 0, 36, true},
    {0x27200300, 0, 36, true},
    {0x27200100, 0, 37, true},
    {0x27200001, 0, kNone, true},
    {0x27100000, 0, 37, true},
    {0x27100300, 0, 37, true},
    {0x27300000, 0, kNone, true},
    {0x27000001, 0, kNone, true},
    {0x27400200, 0, kNone, true},
    // Sub-codes: left out at 0, else after a minus sign in hexadecimal without leading zeros,
    // the bits of a negative one as they are.
    {0x23200006, 0x1F4, 18, true},
    {0x23200006, -1, 18, true},
    {0x27200200, 0x0000000A, 36, true},
    {0x22102EE7, 0x7FFFFFFF, 14, true},
    {0x2440FF08, 0x1F4, 30, true},
    {0x25200202, -1, 32, true},
};

TEST(UserMessageCatalogue, GivesEachCodeItsTextStyleAndMessageCode)
{
    for (const LookupCase& c : kLookups) {
        const std::string name = FormatString("code %08X sub %d", c.code, c.subCode);
        uint32_t style = kCallerStyle;
        const std::string text = GetUserMessage(c.code, style, c.subCode);
        EXPECT_EQ(c.styleWritten ? static_cast<uint32_t>(MB_ICONWARNING) : kCallerStyle, style)
            << name;
        if (c.text == kNone) {
            EXPECT_EQ("", text) << name;
            continue;
        }
        EXPECT_EQ(0u, text.find(kOpenings[c.text])) << name << " should give text " << c.text;
        EXPECT_EQ(std::string::npos, text.find('%')) << name;
        if (!CarriesCode(c.text)) {
            EXPECT_EQ(std::string::npos, text.find("メッセージコード")) << name;
            continue;
        }
        const std::string suffix =
            c.subCode == 0 ? "" : FormatString("-%X", static_cast<uint32_t>(c.subCode));
        const std::string line = FormatString("\r\n\r\n(メッセージコード：%08X%s)", c.code,
                                              suffix.c_str());
        EXPECT_NE(std::string::npos, text.find(line)) << name << ": " << text;
    }
}

TEST(UserMessageCatalogue, KeepsTheTextsByteForByte)
{
    const struct {
        uint32_t code;
        int32_t subCode;
        const char* text;
    } kTexts[] = {
        {0x22400001, 0,
         "お客様登録確認に失敗しました。\r\n\r\n再度、登録確認を行っても症状が改善されない場合、\r\n"
         "カスタマーサポートセンターへお問い合わせください。\r\n\r\n(メッセージコード：22400001)\r\n"
         "詳細はオンラインヘルプを参照してください。"},
        {0x2320000C, 0x1F4,
         "お客様登録確認に失敗しました。\r\nお手数ですがメッセージコードを控えて頂き\r\n"
         "カスタマーサポートセンターへお問い合わせください。\r\n\r\n"
         "(メッセージコード：2320000C-1F4)\r\n詳細はオンラインヘルプを参照してください。"},
        {0x2440FF08, 5,
         "ナビゲーション情報の登録を完了していない蓄積型プローブ情報が見つかりました。\r\n"
         "ナビゲーションでSDカード登録を行ってから、お客様登録を行ってください。\r\n"
         "登録済みのナビゲーションで保存された蓄積型プローブ情報のアップロードは完了しています。"},
        {0x25200203, -1,
         "ナビゲーション情報の登録を完了していないため、vizuvavaを利用できません。\r\n"
         "ナビゲーションでSDカード登録を行ってから、お客様登録を行ってください。\r\n\r\n\r\n"
         "(メッセージコード：25200203-FFFFFFFF)"},
        // Text 16 as it has always read, "ださい" included.
        {0x23200004, 0,
         "お客様の契約状態の確認ができませんでした。\r\n\r\n"
         "お手数ですが、カスタマーサポートセンターへお問い合わせださい。\r\n\r\n"
         "(メッセージコード：23200004)"},
        {0x25200202, 0,
         "ヴェロセットのご利用登録期間が終了しているため、\r\nオンデマンドVICS情報のみの取得を行いました。"
         "\r\n再度ヴェロセット利用登録を行いますか？"},
    };
    for (const auto& c : kTexts) {
        uint32_t style = 0;
        EXPECT_EQ(c.text, GetUserMessage(c.code, style, c.subCode))
            << FormatString("code %08X", c.code);
    }
}

// ---- the common message box ----

struct ShownBox {
    HWND box = nullptr;
    HWND owner = nullptr;
    std::string title;
    bool topmost = false;
    bool desktopEnabled = false;
    bool ownerAboveOther = false;
    COLORREF color = 0;
    std::vector<int32_t> buttons;  // the visible standard buttons, left to right
};

HWND g_hwndOwner = nullptr;   // the owner the box is expected to have (null: none)
HWND g_hwndOther = nullptr;   // a window the owner starts below
UINT g_uPress = 0;            // the button to press
ShownBox g_shown;

BOOL CALLBACK FindBox(HWND window, LPARAM found)
{
    if (window != g_hwndOwner && window != g_hwndOther && IsWindowVisible(window) &&
        GetWindow(window, GW_OWNER) == g_hwndOwner) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

bool IsAbove(HWND upper, HWND lower)
{
    for (HWND window = GetWindow(upper, GW_HWNDNEXT); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (window == lower) return true;
    }
    return false;
}

void CALLBACK PressBox(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return;  // not shown yet: the timer fires again
    KillTimer(nullptr, id);
    g_shown.box = box;
    g_shown.owner = GetWindow(box, GW_OWNER);
    char title[100] = {};
    GetWindowTextA(box, title, sizeof title);
    g_shown.title = title;
    g_shown.topmost = (GetWindowLongPtrA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    g_shown.desktopEnabled = IsWindowEnabled(GetDesktopWindow()) != FALSE;
    g_shown.ownerAboveOther = g_hwndOwner != nullptr && IsAbove(g_hwndOwner, g_hwndOther);
    // The box is a window of this thread: its object is at hand.
    auto* object = dynamic_cast<ui::CMessageBoxWindowBase*>(
        reinterpret_cast<lib::wfc::CWindow*>(GetWindowLongPtrA(box, GWLP_USERDATA)));
    if (object != nullptr) {
        g_shown.color = object->GetTextItem()->GetColor();
        namespace key = ui::MessageBoxWindowKey;
        std::vector<std::pair<int32_t, int32_t>> shown;  // left edge, id
        for (const ui::SkinItemKey* button : {&key::kOkButton, &key::kCancelButton,
                                              &key::kYesButton, &key::kNoButton,
                                              &key::kRetryButton}) {
            ui::CSkinWindowItem* item = object->GetItemById(button->m_nId);
            if (item != nullptr && item->IsVisible()) {
                shown.emplace_back(item->GetRect().left, button->m_nId);
            }
        }
        std::sort(shown.begin(), shown.end());
        for (const auto& button : shown) g_shown.buttons.push_back(button.second);
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(g_uPress, 1), 0);
}

// A box that never shows ends the test instead of hanging it.
void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    PostQuitMessage(99);
}

HWND MakeWindow(const char* title)
{
    return CreateWindowExA(0, lib::wfc::kDefaultWindowClass, title, WS_POPUP, 0, 0, 200, 100,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

namespace key = ui::MessageBoxWindowKey;
const COLORREF kRed = ui::CMessageBoxWindowBase::kExclamationTextColor;
const COLORREF kGrey = ui::CMessageBoxWindowBase::kTextColor;
const int32_t kOk = key::kOkButton.m_nId;
const int32_t kCancel = key::kCancelButton.m_nId;
const int32_t kYes = key::kYesButton.m_nId;
const int32_t kNo = key::kNoButton.m_nId;

TEST(ShowMessageBox, LogsItsLineAndAnswersTheButtonPressed)
{
    const std::string text = "一行目\r\n二行目「表示」";
    const std::string logged = "一行目\\r\\n二行目「表示」";
    HWND owner = MakeWindow("ケストラム");
    HWND other = MakeWindow("other");
    ASSERT_NE(nullptr, owner);
    ASSERT_NE(nullptr, other);
    // The other window on top: the box raises its owner above it.
    SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(IsAbove(other, owner));

    const struct {
        const char* name;
        HWND window;      // given to ShowMessageBox
        HWND boxOwner;    // the box's owner
        UINT style;
        UINT press;
        int result;
        const char* title;
        COLORREF color;                // red for the exclamation icon class alone
        std::vector<int32_t> buttons;
    } kCases[] = {
        {"information", owner, owner, MB_YESNO | MB_ICONINFORMATION, IDYES, IDYES, "ケストラム",
         kGrey, {kYes, kNo}},
        // 0x70 as the card windows give it: shown as 0x30, the bit 0x40 left out.
        {"0x70", owner, owner, MB_YESNOCANCEL | 0x70, IDNO, IDNO, "ケストラム", kRed,
         {kYes, kNo, kCancel}},
        {"desktop", GetDesktopWindow(), nullptr, MB_ICONEXCLAMATION, IDOK, IDOK, "", kRed, {kOk}},
    };
    for (const auto& c : kCases) {
        SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        g_hwndOwner = c.boxOwner;
        g_hwndOther = other;
        g_uPress = c.press == IDYES ? kYes : c.press == IDNO ? kNo : kOk;
        g_shown = ShownBox();
        testsupport::CLogCapture log;
        skintest::CSkinErrorCollector errors;
        const UINT_PTR press = SetTimer(nullptr, 0, 30, &PressBox);
        const UINT_PTR guard = SetTimer(nullptr, 0, 60000, &GiveUp);
        const int result = ShowMessageBox(c.window, text, c.style);
        KillTimer(nullptr, press);
        KillTimer(nullptr, guard);
        EXPECT_FALSE(testsupport::TakeQuit()) << c.name << ": no box to press";
        EXPECT_TRUE(errors.Messages().empty()) << c.name;

        EXPECT_EQ(c.result, result) << c.name;
        EXPECT_TRUE(log.HasLine("..", "UserMessage.cpp",
                                FormatString("ShowMessageBox owner:%08X style:0x%08X %s",
                                             static_cast<uint32_t>(
                                                 reinterpret_cast<uintptr_t>(c.window)),
                                             c.style, logged.c_str())))
            << c.name << ":\n" << log.Text();
        EXPECT_NE(nullptr, g_shown.box) << c.name;
        EXPECT_EQ(c.boxOwner, g_shown.owner) << c.name;
        EXPECT_EQ(c.title, g_shown.title) << c.name;
        EXPECT_TRUE(g_shown.topmost) << c.name;
        EXPECT_EQ(c.color, g_shown.color) << c.name;
        EXPECT_EQ(c.buttons, g_shown.buttons) << c.name;
        // The box over the desktop leaves the desktop enabled and raises nothing (Wine keeps
        // its desktop enabled even when asked to disable it; Windows does disable it).
        EXPECT_TRUE(g_shown.desktopEnabled) << c.name;
        if (c.boxOwner != nullptr) {
            EXPECT_TRUE(g_shown.ownerAboveOther) << c.name;
        } else {
            EXPECT_TRUE(IsAbove(other, owner)) << c.name;
        }
        EXPECT_FALSE(IsWindow(g_shown.box)) << c.name;
    }
    DestroyWindow(other);
    DestroyWindow(owner);
}

} // namespace
