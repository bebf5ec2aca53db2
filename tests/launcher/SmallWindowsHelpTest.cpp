// The help balloon: real layered popups over a hidden owner, their texts, size and place
// checked against the test's own measurement of the same text in the same font and width.

#include "launcher/HelpInfoWindow.h"
#include "lib/wfc/DC.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemStaticImage.h"
#include "tests/launcher/SmallWindowsSupport.h"
#include "tests/skin/support/SkinTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <imm.h>

#include <string>

namespace {

using smallwindows::COwnerWindow;
using smallwindows::kChildClosedMessage;
using ui::CHelpInfoWindow;
namespace key = ui::HelpInfoWindowKey;

// The height DrawTextA gives the text wrapped to the width in the font, as the help item
// draws it.
int32_t MeasuredHeight(const LOGFONTA& logFont, const std::string& text, int32_t width)
{
    lib::wfc::CFont font(&logFont);
    lib::wfc::CMemDC memory(nullptr);
    HGDIOBJ old = ::SelectObject(memory.GetHDC(), font.GetHandle());
    RECT rect = {0, 0, width, 0};
    ::DrawTextA(memory.GetHDC(), text.c_str(), static_cast<int>(text.size()), &rect,
                DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    ::SelectObject(memory.GetHDC(), old);
    return rect.bottom - rect.top;
}

std::string RectText(const ui::SkinRect& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

struct Shown {
    RECT window = {};
    std::string title;
    std::string help;
    RECT arrowSource = {};
    ui::SkinRect arrow = {};
    ui::SkinRect titleRect = {};
    ui::SkinRect helpRect = {};
    LOGFONTA helpFont = {};
};

Shown ShowBalloon(CHelpInfoWindow& balloon, const RECT& owner, int32_t index, bool driveMemory)
{
    Shown shown;
    balloon.ShowHelp(owner.left, owner.top, owner.right, owner.bottom, index, driveMemory);
    balloon.GetWindowRect(&shown.window);
    auto* title = dynamic_cast<ui::CSkinWindowItemStatic*>(balloon.GetItemById(key::kTextStaticAPP.m_nId));
    auto* help = dynamic_cast<ui::CSkinWindowItemStatic*>(balloon.GetItemById(key::kTextStaticHelp.m_nId));
    auto* arrow = dynamic_cast<ui::CSkinWindowItemStaticImage*>(balloon.GetItemById(key::kTextBackIcon.m_nId));
    if (title == nullptr || help == nullptr || arrow == nullptr) {
        ADD_FAILURE() << "an item is missing";
        return shown;
    }
    shown.title = title->GetText();
    shown.help = help->GetText();
    shown.titleRect = title->GetRect();
    shown.helpRect = help->GetRect();
    shown.arrowSource = arrow->GetSourceRect();
    shown.arrow = arrow->GetRect();
    shown.helpFont = help->GetLogFont();
    return shown;
}

struct Case {
    int32_t index;
    bool driveMemory;
    int32_t textIndex;     // whose texts it shows
    int32_t arrowX;
    int32_t width;
};

const Case kCases[] = {
    {0, true, 0, 24, 605},  {1, true, 1, 96, 605},  {2, false, 2, 168, 533},
    {3, true, 3, 240, 605}, {3, false, 4, 240, 533}, {4, true, 4, 312, 605},
};

class HelpBalloonCase : public ::testing::TestWithParam<Case> {};

TEST_P(HelpBalloonCase, ShowsItsTextsUnderItsButton)
{
    const Case& c = GetParam();
    COwnerWindow owner;
    skintest::CSkinErrorCollector errors;
    CHelpInfoWindow balloon(owner.GetHwnd());
    balloon.Create(c.index);
    ASSERT_TRUE(errors.Messages().empty());
    const RECT ownerRect = {40, 30, 40 + c.width + 13, 158};
    const Shown shown = ShowBalloon(balloon, ownerRect, c.index, c.driveMemory);

    const ui::HelpInfoEntry& entry = CHelpInfoWindow::kEntries[c.textIndex];
    EXPECT_EQ(entry.m_pszTitle, shown.title);
    EXPECT_EQ(entry.m_pszHelp, shown.help);
    EXPECT_EQ(c.arrowX, shown.arrowSource.left);
    EXPECT_EQ(c.arrowX + 15, shown.arrowSource.right);
    EXPECT_EQ(0, shown.arrowSource.top);
    EXPECT_EQ(12, shown.arrowSource.bottom);
    EXPECT_EQ(c.arrowX, shown.arrow.left);

    const int32_t right = c.width - 14;
    const int32_t lines = MeasuredHeight(shown.helpFont, entry.m_pszHelp, right - 10) /
                          MeasuredHeight(shown.helpFont, " ", right - 10);
    ASSERT_GE(lines, 1);
    const int32_t height = 20 * lines + 40;
    EXPECT_EQ(ownerRect.left + 7, shown.window.left);
    EXPECT_EQ(ownerRect.top + 88, shown.window.top);
    EXPECT_EQ(c.width, shown.window.right - shown.window.left);
    EXPECT_EQ(height, shown.window.bottom - shown.window.top);
    EXPECT_EQ(RectText({10, 19, right, 33}), RectText(shown.titleRect));
    // The help text grows with the balloon, so that no wrapped line is cut.
    EXPECT_EQ(RectText({10, 38, right, height - 6}), RectText(shown.helpRect));
    EXPECT_GE(shown.helpRect.Height(),
              MeasuredHeight(shown.helpFont, entry.m_pszHelp, right - 10));
}

INSTANTIATE_TEST_SUITE_P(Buttons, HelpBalloonCase, ::testing::ValuesIn(kCases));

TEST(HelpBalloon, IsANeverActivatedLayeredPopupOfTheDefaultClass)
{
    COwnerWindow owner;
    CHelpInfoWindow balloon(owner.GetHwnd());
    balloon.Create(0);
    HWND hwnd = balloon.GetHwnd();
    balloon.ShowHelp(0, 0, 618, 128, 0, true);
    balloon.ShowWindow(SW_SHOWNA);
    smallwindows::PumpFor(0);

    char className[64] = {};
    ::GetClassNameA(hwnd, className, sizeof className);
    EXPECT_STREQ("WFC-DefaultWindowClass", className);
    // The system adds WS_CLIPSIBLINGS to every top-level window.
    EXPECT_EQ(static_cast<LONG_PTR>(WS_POPUP | WS_CLIPCHILDREN),
              ::GetWindowLongPtrA(hwnd, GWL_STYLE) &
                  ~static_cast<LONG_PTR>(WS_VISIBLE | WS_CLIPSIBLINGS));
    EXPECT_NE(0, ::GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags));
    EXPECT_EQ(242, alpha);
    EXPECT_EQ(static_cast<DWORD>(LWA_ALPHA), flags);
    EXPECT_EQ(owner.GetHwnd(), ::GetWindow(hwnd, GW_OWNER));
    EXPECT_EQ("", balloon.GetWindowText());
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_NE(hwnd, ::GetActiveWindow());
    EXPECT_NE(hwnd, ::GetForegroundWindow());
    // The input method is off for it: it has no input context.
    EXPECT_EQ(nullptr, ::ImmGetContext(hwnd));
    balloon.ShowWindow(SW_HIDE);
}

// Every move over the balloon tells the owner, which closes it; the repeats are the owner's
// to bear.
TEST(HelpBalloon, AMouseMoveOverItTellsTheOwner)
{
    COwnerWindow owner;
    CHelpInfoWindow balloon(owner.GetHwnd());
    balloon.Create(2);
    balloon.ShowHelp(0, 0, 548, 128, 2, false);
    balloon.PostMessage(WM_MOUSEMOVE, 0, MAKELPARAM(100, 40));
    balloon.PostMessage(WM_MOUSEMOVE, 0, MAKELPARAM(101, 40));
    smallwindows::PumpFor(50);
    const smallwindows::Posted notice = {kChildClosedMessage, 1, 0};
    EXPECT_EQ(smallwindows::ToString({notice, notice}), smallwindows::ToString(owner.Take()));
}

TEST(HelpBalloon, HeightIsTwentyALinePlusForty)
{
    COwnerWindow owner;
    CHelpInfoWindow balloon(owner.GetHwnd());
    balloon.Create(0);
    auto* help = dynamic_cast<ui::CSkinWindowItemStatic*>(balloon.GetItemById(key::kTextStaticHelp.m_nId));
    ASSERT_NE(nullptr, help);
    // A fixture text that the narrow balloon's help item wraps into three lines.
    const std::string text =
        "ナビゲーションの地図更新データのダウンロード、有償データの購入・ダウンロード手続きなどを"
        "行ないます。ナビゲーションの地図更新データのダウンロード、有償データの購入手続きなど。";
    const int32_t width = 533 - 14 - 10;
    const int32_t blank = MeasuredHeight(help->GetLogFont(), " ", width);
    const int32_t textHeight = MeasuredHeight(help->GetLogFont(), text, width);
    ASSERT_EQ(3, textHeight / blank) << "the fixture is not three lines";
    EXPECT_EQ(100, CHelpInfoWindow::BalloonHeight(textHeight, blank));

    const struct {
        int32_t text;
        int32_t blank;
        int32_t height;
    } rules[] = {
        {15, 15, 60}, {30, 15, 80}, {45, 15, 100}, {32, 16, 80}, {47, 16, 98},
        // A blank that could not be measured: one line, and nothing divided.
        {45, 0, 60}, {0, 0, 60}, {45, -1, 60},
    };
    for (const auto& rule : rules) {
        EXPECT_EQ(rule.height, CHelpInfoWindow::BalloonHeight(rule.text, rule.blank))
            << rule.text << " / " << rule.blank;
    }
}

} // namespace
