#include "launcher/UserMessage.h"

#include "lib/DbcsText.h"
#include "lib/TolveLog.h"
#include "skin/MessageBoxWindow.h"

#include <cstring>

namespace {

// The catalogue's texts, numbered from 1 as the rows below name them. A text holding
// kCodeMarker carries the message code: "%08X" and "%s" in it are placeholders that
// FormatCode fills; no text ever goes through printf.
const char* const kTexts[] = {
    "ケストラムの更新確認ができませんでした。\r\n\r\nサーバーメンテナンス中です。\r\nしばらくしてからアクセスしてください。\r\n\r\n(メッセージコード：%08X%s)", // 1
    "ケストラムの更新確認ができませんでした。\r\n\r\nお手数ですが、カスタマーサポートセンターへお問い合わせください。\r\n\r\n(メッセージコード：%08X%s)", // 2
    "インターネットに接続できませんでした。\r\n\r\nネットワークが正常に接続されていることを確認し、\r\n再度登録確認を行ってください。\r\n\r\n(メッセージコード：%08X%s)", // 3
    "SDカードが認識できません。\r\nSDカードが正常に接続されていることを確認してください。\r\n\r\n(メッセージコード：%08X%s)", // 4
    "音楽ファイル転送処理に失敗しました。\r\nパソコンの再起動を行っても症状が改善されない場合は\r\nお手数ですがメッセージコードを控えて頂き\r\nカスタマーサポートセンターへお問い合わせください。\r\n\r\n(メッセージコード：%08X%s)", // 5
    "音楽ファイル転送処理に失敗しました。\r\nお手数ですがメッセージコードを控えて頂き\r\nカスタマーサポートセンターへお問い合わせください。\r\n\r\n(メッセージコード：%08X%s)", // 6
    "ケストラムの全ての機能をご使用になるには、ナビゲーション情報の登録が必要です。\r\nナビゲーションの通信機能を使用してお客様登録を行うか、ナビゲーションに登録済のSDカードをケストラムで選択している状態で再度お試しください。\r\n\r\n(メッセージコード：%08X%s)", // 7
    "サーバーのメンテナンス中です。\r\nしばらくしてから登録確認を行ってください。\r\n\r\n(メッセージコード：%08X%s)", // 8
    "入力されたニックネーム、または、パスワードが間違っています。\r\nお確かめの上、再度お試しください。\r\n\r\n(メッセージコード：%08X%s)", // 9
    "お客様登録確認に失敗しました。\r\n退会手続を行った場合には、再度お客様登録からやり直してください。\r\n\r\n(メッセージコード：%08X%s)", // 10
    "お客様登録情報の認証ができませんでした。\r\n\r\n退会手続を行った場合には、再度お客様登録からやり直してください。\r\n\r\n(メッセージコード：%08X%s)", // 11
    "このケストラムはご利用になれません。\r\nお客様のナビゲーションに対応したケストラムをお使いください。\r\n\r\n(メッセージコード：%08X%s)", // 12
    "お客様登録確認に失敗しました。\r\n\r\n再度、登録確認を行っても症状が改善されない場合、\r\nカスタマーサポートセンターへお問い合わせください。\r\n\r\n(メッセージコード：%08X%s)\r\n詳細はオンラインヘルプを参照してください。", // 13
    "お客様登録確認に失敗しました。\r\n\r\nネットワークが正常に接続されていることを確認して\r\n再度、登録確認を行ってください。\r\n\r\n(メッセージコード：%08X%s)", // 14
    "お客様登録情報の認証ができませんでした。\r\n\r\nネットワークに正常に接続されていることを確認して\r\n再度、認証を行ってください。\r\n\r\n(メッセージコード：%08X%s)", // 15
    "お客様の契約状態の確認ができませんでした。\r\n\r\nお手数ですが、カスタマーサポートセンターへお問い合わせださい。\r\n\r\n(メッセージコード：%08X%s)", // 16
    "サーバーのメンテナンス中です。\r\nしばらくしてから認証を行ってください。\r\n\r\n(メッセージコード：%08X%s)", // 17
    "お客様登録情報の認証ができませんでした。\r\n\r\nニックネームとパスワードを確認の上、しばらくしてから\r\nログインしてください。\r\n\r\n(メッセージコード：%08X%s)", // 18
    "お客様登録情報の認証ができませんでした。\r\n\r\nお手数ですが、詳細はオンラインヘルプをご参照ください。\r\n\r\n(メッセージコード：%08X%s)", // 19
    "お客様登録情報の認証ができませんでした。\r\n\r\n入力されたニックネーム/パスワードがご利用のナビゲーションのものかご確認ください。\r\n\r\n(メッセージコード：%08X%s)", // 20
    "お客様登録情報の認証ができませんでした。\r\n\r\nお手数ですが、カスタマーサポートセンターへお問い合わせください。\r\n\r\n(メッセージコード：%08X%s)", // 21
    "お客様登録確認に失敗しました。\r\nお手数ですがメッセージコードを控えて頂き\r\nカスタマーサポートセンターへお問い合わせください。\r\n\r\n(メッセージコード：%08X%s)\r\n詳細はオンラインヘルプを参照してください。", // 22
    "ナビゲーション情報の登録を完了していないため、蓄積型プローブ情報をアップロードできません。\r\nナビゲーションでSDカード登録を行ってから、お客様登録を行ってください。\r\n\r\n(メッセージコード：%08X%s)", // 23
    "蓄積型プローブ情報をアップロードできませんでした。\r\n\r\n退会手続を行った場合には、再度お客様登録からやり直してください。\r\n\r\n(メッセージコード：%08X%s)", // 24
    "蓄積型プローブ情報をアップロードできませんでした。\r\n\r\nサーバーのメンテナンス中です。\r\nしばらくしてから登録確認を行ってください。\r\n\r\n(メッセージコード：%08X%s)", // 25
    "ナビゲーション情報の登録を完了していないため、蓄積型プローブ情報をアップロードできませんでした。\r\nナビゲーションでSDカード登録を行ってから、お客様登録を行ってください。\r\n\r\n(メッセージコード：%08X%s)", // 26
    "蓄積型プローブ情報をアップロードできませんでした。\r\n\r\nお手数ですが、カスタマーサポートセンターへお問い合わせください。\r\n\r\n(メッセージコード：%08X%s)", // 27
    "蓄積型プローブ情報をアップロードできませんでした。\r\n\r\nケストラムに問題がある可能性があります。\r\nパソコンの再起動や、ケストラムをアンインストール後、再度インストールを行ってください。\r\n\r\n改善しない場合はお手数ですが、カスタマーサポートセンター\r\nへお問い合わせください。\r\n\r\n(メッセージコード：%08X%s)", // 28
    "蓄積型プローブ情報をアップロードできませんでした。\r\n\r\n再起動を行っても症状が改善されない場合、\r\nカスタマーサポートセンターへお問い合わせください。\r\n\r\n(メッセージコード：%08X%s)", // 29
    "ナビゲーション情報の登録を完了していない蓄積型プローブ情報が見つかりました。\r\nナビゲーションでSDカード登録を行ってから、お客様登録を行ってください。\r\n登録済みのナビゲーションで保存された蓄積型プローブ情報のアップロードは完了しています。", // 30
    "vizuvavaを利用できません。\r\n\r\nお手数ですが、カスタマーサポートセンターへお問い合わせください。\r\n\r\n(メッセージコード：%08X%s)", // 31
    "ヴェロセットのご利用登録期間が終了しているため、\r\nオンデマンドVICS情報のみの取得を行いました。\r\n再度ヴェロセット利用登録を行いますか？", // 32
    "ナビゲーション情報の登録を完了していないため、vizuvavaを利用できません。\r\nナビゲーションでSDカード登録を行ってから、お客様登録を行ってください。\r\n\r\n\r\n(メッセージコード：%08X%s)", // 33
    "vizuvavaを利用できません。\r\n\r\n退会手続きを行った場合には、再度お客様登録からやり直してください。\r\n\r\n(メッセージコード：%08X%s)", // 34
    "ヴェロセット渋滞情報の取得に失敗しました。\r\nネットワークが正常に接続されていることを確認してください。\r\n\r\n(メッセージコード：%08X%s)", // 35
    "通信による認証ができませんでした。\r\n\r\nネットワークに正しく接続されていることを確認してください。\r\n\r\n(メッセージコード：%08X%s)", // 36
    "エラー報告の送信ができませんでした。\r\n\r\nお手数ですが、カスタマーサポートセンターへお問い合わせください。\r\n\r\n(メッセージコード：%08X%s)", // 37
};
constexpr uint32_t kTextCount = sizeof kTexts / sizeof kTexts[0];
static_assert(kTextCount == 37, "the catalogue holds 37 texts");

const char kCodeMarker[] = "\r\n\r\n(メッセージコード：";

// One rule of a category: a detail matches when (detail AND mask) lies in first..last. The
// rows of a category are tried in order, the first match wins; text 0 is "no text".
struct MessageRule {
    uint8_t m_uCategory;
    uint32_t m_uMask;
    uint32_t m_uFirst;
    uint32_t m_uLast;
    uint32_t m_uText;
};

const uint32_t kWhole = 0xFFFFFF;
const uint32_t kBits16To23 = 0xFF0000;  // 0x10 there: a failure of the network layer
const uint32_t kBit20 = 0x100000;
const uint32_t kBit21 = 0x200000;

#define EXACT(category, detail, text) {category, kWhole, detail, detail, text}
#define RANGE(category, first, last, text) {category, kWhole, first, last, text}
#define MASKED(category, mask, value, text) {category, mask, value, value, text}

const MessageRule kRules[] = {
    // version check
    EXACT(0x04, 0x200005, 1),
    EXACT(0x04, 0x200063, 2),
    MASKED(0x04, kBits16To23, 0x100000, 3),
    // HTTP client
    EXACT(0x10, 0x000010, 5),
    EXACT(0x10, 0x000011, 6),
    EXACT(0x10, 0x00FF06, 4),
    // registration-state check
    EXACT(0x22, 0x200001, 7),
    EXACT(0x22, 0x200005, 8),
    EXACT(0x22, 0x200009, 9),
    EXACT(0x22, 0x20000B, 11),
    EXACT(0x22, 0x200020, 12),
    EXACT(0x22, 0x200063, 10),
    EXACT(0x22, 0x400001, 13),
    EXACT(0x22, 0x40FF05, 13),
    EXACT(0x22, 0x40FFFF, 13),
    MASKED(0x22, kBit20, kBit20, 14),
    // log-in check
    RANGE(0x23, 0x200001, 0x200003, 15),
    EXACT(0x23, 0x200004, 16),
    EXACT(0x23, 0x200005, 17),
    EXACT(0x23, 0x200006, 18),
    EXACT(0x23, 0x200007, 19),
    EXACT(0x23, 0x200008, 20),
    EXACT(0x23, 0x200009, 9),
    RANGE(0x23, 0x20000A, 0x20000B, 11),
    EXACT(0x23, 0x20000C, 22),
    EXACT(0x23, 0x200012, 21),
    EXACT(0x23, 0x200063, 21),
    EXACT(0x23, 0x400001, 13),
    EXACT(0x23, 0x40FF05, 13),
    EXACT(0x23, 0x40FFFF, 13),
    MASKED(0x23, kBit20, kBit20, 14),
    // stored-probe upload
    EXACT(0x24, 0x200203, 23),
    EXACT(0x24, 0x200301, 23),
    EXACT(0x24, 0x200402, 23),
    EXACT(0x24, 0x200205, 24),
    EXACT(0x24, 0x200206, 25),
    EXACT(0x24, 0x200303, 25),
    EXACT(0x24, 0x200404, 25),
    EXACT(0x24, 0x200207, 26),
    EXACT(0x24, 0x200305, 26),
    EXACT(0x24, 0x200405, 26),
    EXACT(0x24, 0x200299, 27),
    EXACT(0x24, 0x200304, 27),
    EXACT(0x24, 0x200399, 27),
    EXACT(0x24, 0x200499, 27),
    EXACT(0x24, 0x200401, 28),
    RANGE(0x24, 0x400102, 0x400107, 29),
    EXACT(0x24, 0x40FF08, 30),
    MASKED(0x24, kBit20, kBit20, 27),
    // traffic information
    EXACT(0x25, 0x200202, 32),
    RANGE(0x25, 0x200010, 0x200017, 31),
    EXACT(0x25, 0x200203, 33),
    EXACT(0x25, 0x200204, 31),
    EXACT(0x25, 0x200298, 31),
    EXACT(0x25, 0x200299, 31),
    EXACT(0x25, 0x2002FF, 31),
    EXACT(0x25, 0x200205, 34),
    MASKED(0x25, kBits16To23, 0x100000, 35),
    // weather information: an authentication the network layer refused shows nothing
    EXACT(0x26, 0x10000E, 0),
    MASKED(0x26, kBits16To23, 0x100000, 31),
    // application log upload
    MASKED(0x27, kBit21 | 0x200, kBit21 | 0x200, 36),
    MASKED(0x27, kBit21 | 0x300, kBit21 | 0x100, 37),
    MASKED(0x27, kBit21 | kBit20, kBit20, 37),
};

#undef EXACT
#undef RANGE
#undef MASKED

const uint8_t kLogUploadCategory = 0x27;

uint32_t FindText(uint8_t category, uint32_t detail)
{
    for (const MessageRule& rule : kRules) {
        if (rule.m_uCategory != category) continue;
        const uint32_t masked = detail & rule.m_uMask;
        if (masked >= rule.m_uFirst && masked <= rule.m_uLast) return rule.m_uText;
    }
    return 0;
}

std::string Hex(uint32_t value, int minDigits)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, minDigits - digits.size(), '0');
    return digits;
}

// Replaces the first placeholder on a character boundary, leaving the text after the
// inserted part alone.
void ReplaceFirst(std::string& text, size_t from, const char* placeholder, const std::string& by,
                   size_t* after)
{
    const char* found = lib::DbcsFindString(text.c_str() + from, placeholder);
    if (found == nullptr) {
        *after = from;
        return;
    }
    const size_t at = static_cast<size_t>(found - text.c_str());
    text.replace(at, std::strlen(placeholder), by);
    *after = at + by.size();
}

std::string FormatCode(const char* pattern, uint32_t code, int32_t subCode)
{
    std::string text = pattern;
    const std::string suffix = subCode == 0 ? std::string()
                                            : "-" + Hex(static_cast<uint32_t>(subCode), 1);
    size_t next = 0;
    ReplaceFirst(text, 0, "%08X", Hex(code, 8), &next);
    ReplaceFirst(text, next, "%s", suffix, &next);
    return text;
}

// The text as one log line: CR and LF spelled out.
std::string OneLine(const std::string& text)
{
    std::string line;
    line.reserve(text.size());
    for (const char* p = text.c_str(); *p != '\0';) {
        const size_t size = lib::DbcsCharSize(p);
        if (*p == '\r') {
            line += "\\r";
        } else if (*p == '\n') {
            line += "\\n";
        } else {
            line.append(p, size);
        }
        p += size;
    }
    return line;
}

} // namespace

std::string GetUserMessage(uint32_t code, uint32_t& style, int32_t subCode)
{
    const uint8_t category = static_cast<uint8_t>(code >> 24);
    const uint32_t detail = code & 0xFFFFFF;
    if (detail == 0 && category != kLogUploadCategory) return std::string();
    style = MB_ICONWARNING;
    const uint32_t number = FindText(category, detail);
    if (number == 0 || number > kTextCount) return std::string();
    const char* text = kTexts[number - 1];
    if (lib::DbcsFindString(text, kCodeMarker) == nullptr) return text;
    return FormatCode(text, code, subCode);
}

int ShowMessageBox(HWND window, const std::string& text, UINT style)
{
    TOLVE_LOG(LOG_INFO, "ShowMessageBox owner:%08X style:0x%08X %s",
              static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)),
              static_cast<uint32_t>(style), OneLine(text).c_str());
    // A box over the desktop is a top-level box of its own: owned by the desktop, its modal
    // loop would disable the desktop window, on which every top-level window stands.
    HWND owner = window;
    if (window == ::GetDesktopWindow()) {
        owner = nullptr;
    } else if (window != nullptr) {
        ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    ui::CMessageBoxWindow box(true);
    return box.DoModal(owner, text, style & ~static_cast<UINT>(MB_ICONINFORMATION));
}
