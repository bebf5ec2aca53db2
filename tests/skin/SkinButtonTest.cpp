// The button and the toggle button without a window: their state machines as tables of
// scripted mouse input (events in order, look, check state, clicks that become WM_COMMAND),
// blinking from the tick value, the item messages, the skin block's rules and errors, the
// image records, and sizing to a caption. The accessor stands in for the window and records
// what the item asks of it.

#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemToggleButton.h"
#include "tests/skin/support/SkinItemTestSupport.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

using ui::CSkinWindowItemButton;
using ui::CSkinWindowItemToggleButton;
using Look = ui::CSkinWindowItemButton::Look;

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("skin_button_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("skin_button_test"));

const int kNoConsume = -1;

ui::SkinBlock TestBlock(const char* name)
{
    return ui::GetSkinBlock(ui::LoadSkinDefinition("TestButtons.txt", nullptr), name);
}

// The keywords every button block needs, for blocks built in code.
const char kRequired[] =
    "Position=1,2;Size=40,20;NormalImage=TestButtonFaces.png,0,0;"
    "PushImage=TestButtonFaces.png,-1,-1;HotNormalImage=TestButtonFaces.png,-1,-1;"
    "HotPushImage=TestButtonFaces.png,-1,-1;PushImageShift=1,1;ToolTipText=tip";

struct MachineCase {
    const char* name;
    const char* script;
    int consume;             // an event the window takes besides the click, or kNoConsume
    const char* events;
    Look look;
    bool checked;
    int commands;            // clicks, each a WM_COMMAND
    const char* checkAtClicks;
};

template <class Item>
void RunMachine(const MachineCase& c)
{
    SCOPED_TRACE(c.name);
    skintest::CRecordingAccessor window;
    Item button(&window, 7, TestBlock("Strip"), window.Cache());
    window.m_pItem = &button;
    if (c.consume != kNoConsume) window.m_setConsumed.insert(c.consume);
    skintest::RunItemScript(button, c.script);
    EXPECT_EQ(window.TakeEvents(), c.events);
    EXPECT_EQ(button.GetLook(), c.look);
    EXPECT_EQ(button.IsChecked(), c.checked);
    EXPECT_EQ(button.OnMessage(ui::ITEM_MESSAGE_GET_CHECK, 0, 0), c.checked ? 1 : 0);
    EXPECT_EQ(window.m_nCommands, c.commands);
    EXPECT_EQ(window.TakeCheckAtClicks(), c.checkAtClicks);
}

// Inside is (5, 5), outside (50, 5) of the 40 x 20 button.
TEST(SkinButtonMachineTest, PushButton)
{
    const MachineCase cases[] = {
        {"click", "down 5 5; up 5 5", kNoConsume, "1 14 2 0 4", Look::LOOK_HOT_NORMAL, false, 1,
         "0"},
        {"pressed inside shows pushed", "down 5 5", kNoConsume, "1 14", Look::LOOK_PUSHED, false,
         0, ""},
        {"pressed outside shows hot normal", "down 5 5; move 50 5", kNoConsume, "1 14 2 14",
         Look::LOOK_HOT_NORMAL, false, 0, ""},
        {"out, in, out, released outside",
         "down 5 5; move 50 5; move 5 5; move 50 5; up 50 5", kNoConsume,
         "1 14 2 14 1 14 2 14 4", Look::LOOK_NORMAL, false, 0, ""},
        {"released inside without moving back", "down 5 5; move 50 5; up 5 5", kNoConsume,
         "1 14 2 14 0 4", Look::LOOK_HOT_NORMAL, false, 1, "0"},
        {"double click, event 3 not taken", "down 5 5; up 5 5; dbl 5 5; up 5 5", kNoConsume,
         "1 14 2 0 4 3 1 14 2 0 4", Look::LOOK_HOT_NORMAL, false, 2, "00"},
        {"double click, event 3 taken", "down 5 5; up 5 5; dbl 5 5; up 5 5",
         ui::ITEM_EVENT_LEFT_DBLCLK, "1 14 2 0 4 3", Look::LOOK_HOT_NORMAL, false, 1, "0"},
        {"right button", "rdown 5 5; rup 5 5; rdbl 5 5; rup 5 5", kNoConsume, "5 6 7 5 6",
         Look::LOOK_NORMAL, false, 0, ""},
        {"right double click taken", "rdbl 5 5", ui::ITEM_EVENT_RIGHT_DBLCLK, "7",
         Look::LOOK_NORMAL, false, 0, ""},
        {"hover and leave", "move 5 5; leave", kNoConsume, "14 15", Look::LOOK_NORMAL, false, 0,
         ""},
        {"leave during a press stays hot", "down 5 5; leave", kNoConsume, "1 14 15",
         Look::LOOK_HOT_PUSHED, false, 0, ""},
        {"capture lost inside", "down 5 5; cancel 5 5", kNoConsume, "1 14 2 4",
         Look::LOOK_HOT_NORMAL, false, 0, ""},
        {"capture lost outside", "down 5 5; move 50 5; cancel 50 5", kNoConsume, "1 14 2 14 4",
         Look::LOOK_NORMAL, false, 0, ""},
        {"disabled during a press", "down 5 5; disable; up 5 5", kNoConsume, "1 14 2 4",
         Look::LOOK_NORMAL, false, 0, ""},
        {"enabled again before the release", "down 5 5; disable; enable; up 5 5", kNoConsume,
         "1 14 2 4", Look::LOOK_NORMAL, false, 0, ""},
        {"disabled takes nothing",
         "disable; move 5 5; down 5 5; dbl 5 5; up 5 5; rdown 5 5; rdbl 5 5; rup 5 5",
         kNoConsume, "", Look::LOOK_NORMAL, false, 0, ""},
        {"set check during a press is ignored", "down 5 5; check 1; up 5 5", kNoConsume,
         "1 14 2 0 4", Look::LOOK_HOT_NORMAL, false, 1, "0"},
        {"a push button never flips", "check 1; down 5 5; up 5 5", kNoConsume, "1 14 2 0 4",
         Look::LOOK_HOT_NORMAL, true, 1, "1"},
    };
    for (const MachineCase& c : cases) RunMachine<CSkinWindowItemButton>(c);
}

// A check button flips only on a real click, before the click is reported.
TEST(SkinButtonMachineTest, CheckButton)
{
    const MachineCase cases[] = {
        {"click checks", "kind 1; down 5 5; up 5 5", kNoConsume, "1 14 2 0 4",
         Look::LOOK_HOT_NORMAL, true, 1, "1"},
        {"second click unchecks", "kind 1; down 5 5; up 5 5; down 5 5; up 5 5", kNoConsume,
         "1 14 2 0 4 1 14 2 0 4", Look::LOOK_HOT_NORMAL, false, 2, "10"},
        {"released outside", "kind 1; down 5 5; move 50 5; up 50 5", kNoConsume, "1 14 2 14 4",
         Look::LOOK_NORMAL, false, 0, ""},
        {"capture lost inside", "kind 1; down 5 5; cancel 5 5", kNoConsume, "1 14 2 4",
         Look::LOOK_HOT_NORMAL, false, 0, ""},
        {"disabled during a press", "kind 1; down 5 5; disable", kNoConsume, "1 14 2 4",
         Look::LOOK_NORMAL, false, 0, ""},
        {"auto check off", "kind 1; auto 0; down 5 5; up 5 5", kNoConsume, "1 14 2 0 4",
         Look::LOOK_HOT_NORMAL, false, 1, "0"},
        {"double click, event 3 not taken", "kind 1; down 5 5; up 5 5; dbl 5 5; up 5 5",
         kNoConsume, "1 14 2 0 4 3 1 14 2 0 4", Look::LOOK_HOT_NORMAL, false, 2, "10"},
        {"double click, event 3 taken", "kind 1; down 5 5; up 5 5; dbl 5 5; up 5 5",
         ui::ITEM_EVENT_LEFT_DBLCLK, "1 14 2 0 4 3", Look::LOOK_HOT_NORMAL, true, 1, "1"},
        {"set check during a press is ignored", "kind 1; down 5 5; check 1; up 5 5", kNoConsume,
         "1 14 2 0 4", Look::LOOK_HOT_NORMAL, true, 1, "1"},
        {"checked, a click unchecks", "kind 1; check 1; down 5 5; up 5 5", kNoConsume,
         "1 14 2 0 4", Look::LOOK_HOT_NORMAL, false, 1, "0"},
        {"back to a push button", "kind 1; kind 0; down 5 5; up 5 5", kNoConsume, "1 14 2 0 4",
         Look::LOOK_HOT_NORMAL, false, 1, "0"},
    };
    for (const MachineCase& c : cases) RunMachine<CSkinWindowItemButton>(c);
}

// The toggle: its pushed look is its state; only the click is its own event.
TEST(SkinButtonMachineTest, ToggleButton)
{
    const MachineCase cases[] = {
        {"click checks", "down 5 5; up 5 5", kNoConsume, "0", Look::LOOK_HOT_PUSHED, true, 1,
         "1"},
        {"second click unchecks", "down 5 5; up 5 5; down 5 5; up 5 5", kNoConsume, "0 0",
         Look::LOOK_HOT_NORMAL, false, 2, "10"},
        {"pressed inside", "down 5 5", kNoConsume, "", Look::LOOK_PUSHED, false, 0, ""},
        {"pressed outside, unchecked", "down 5 5; move 50 5", kNoConsume, "",
         Look::LOOK_HOT_NORMAL, false, 0, ""},
        {"pressed outside, checked", "check 1; down 5 5; move 50 5", kNoConsume, "",
         Look::LOOK_HOT_PUSHED, true, 0, ""},
        {"released outside", "down 5 5; move 50 5; up 50 5", kNoConsume, "", Look::LOOK_NORMAL,
         false, 0, ""},
        {"checked, released outside", "check 1; down 5 5; move 50 5; up 50 5", kNoConsume, "",
         Look::LOOK_PUSHED, true, 0, ""},
        {"auto check off", "auto 0; down 5 5; up 5 5", kNoConsume, "0", Look::LOOK_HOT_NORMAL,
         false, 1, "0"},
        {"set check during a press is ignored", "down 5 5; check 1; up 50 5", kNoConsume, "",
         Look::LOOK_NORMAL, false, 0, ""},
        {"capture lost restores the state's look", "check 1; down 5 5; move 50 5; cancel 50 5",
         kNoConsume, "", Look::LOOK_PUSHED, true, 0, ""},
        {"capture lost inside", "down 5 5; cancel 5 5", kNoConsume, "", Look::LOOK_HOT_NORMAL,
         false, 0, ""},
        {"disabled during a press keeps the state's look", "check 1; down 5 5; disable",
         kNoConsume, "", Look::LOOK_PUSHED, true, 0, ""},
        {"double click, event 3 not taken", "down 5 5; up 5 5; dbl 5 5; up 5 5", kNoConsume,
         "0 3 0", Look::LOOK_HOT_NORMAL, false, 2, "10"},
        {"double click, event 3 taken", "down 5 5; up 5 5; dbl 5 5; up 5 5",
         ui::ITEM_EVENT_LEFT_DBLCLK, "0 3", Look::LOOK_HOT_PUSHED, true, 1, "1"},
        {"right button and leave as the button", "rdown 5 5; rup 5 5; move 5 5; leave",
         kNoConsume, "5 6 15", Look::LOOK_NORMAL, false, 0, ""},
        {"set check shows pushed", "check 1", kNoConsume, "", Look::LOOK_PUSHED, true, 0, ""},
    };
    for (const MachineCase& c : cases) RunMachine<CSkinWindowItemToggleButton>(c);
}

// The press a double click starts is answered true, so the window captures it.
TEST(SkinButtonMachineTest, DoubleClickAnswersThePressItStarted)
{
    const struct {
        const char* setup;
        int consume;
        bool answer;
    } cases[] = {
        {"", kNoConsume, true},
        {"", ui::ITEM_EVENT_LEFT_DBLCLK, false},
        {"disable", kNoConsume, false},
        {"down 5 5", kNoConsume, false},   // already pressed
    };
    for (const auto& c : cases) {
        for (const bool toggle : {false, true}) {
            SCOPED_TRACE(std::string(c.setup) + (toggle ? " toggle" : " button"));
            skintest::CRecordingAccessor window;
            std::unique_ptr<CSkinWindowItemButton> button(
                toggle ? new CSkinWindowItemToggleButton(&window, 7, TestBlock("Strip"),
                                                         window.Cache())
                       : new CSkinWindowItemButton(&window, 7, TestBlock("Strip"), window.Cache()));
            if (c.consume != kNoConsume) window.m_setConsumed.insert(c.consume);
            skintest::RunItemScript(*button, c.setup);
            EXPECT_EQ(button->OnLButtonDblClk(5, 5), c.answer);
            EXPECT_EQ(button->OnRButtonDblClk(5, 5), false);
            EXPECT_EQ(button->IsPressed(), c.answer || std::string(c.setup) == "down 5 5");
        }
    }
}

// The phase comes from the tick value alone: 400 ms shown, 400 ms hidden.
TEST(SkinButtonMachineTest, BlinkPhaseFollowsTheTickValue)
{
    skintest::CRecordingAccessor window;
    CSkinWindowItemButton button(&window, 7, TestBlock("Strip"), window.Cache());
    button.OnTick(400);
    EXPECT_TRUE(button.IsBlinkVisible()) << "no blinking, no phase";
    EXPECT_EQ(window.m_nRedraws, 0);

    button.OnMessage(ui::ITEM_MESSAGE_SET_BLINK, 1, 0);
    EXPECT_TRUE(button.IsBlinking());
    const struct {
        DWORD tick;
        bool visible;
    } ticks[] = {
        {0, true},   {399, true},  {400, false}, {799, false}, {800, true},
        {1199, true}, {1200, false}, {1200, false}, {0xFFFFFFFFu, true},   // 4294967295 % 800 = 95
    };
    bool previous = button.IsBlinkVisible();
    for (const auto& t : ticks) {
        window.m_nRedraws = 0;
        button.OnTick(t.tick);
        EXPECT_EQ(button.IsBlinkVisible(), t.visible) << t.tick;
        EXPECT_EQ(window.m_nRedraws, previous != t.visible ? 1 : 0) << t.tick;
        previous = t.visible;
    }
    button.OnTick(400);
    window.m_nRedraws = 0;
    button.OnMessage(ui::ITEM_MESSAGE_SET_BLINK, 0, 0);
    EXPECT_TRUE(button.IsBlinkVisible()) << "blinking off shows the mark";
    EXPECT_EQ(window.m_nRedraws, 1);
    button.OnTick(400);
    EXPECT_TRUE(button.IsBlinkVisible());
}

// Each item message: its answer, and whether it redraws and refreshes the tool.
TEST(SkinButtonMachineTest, ItemMessages)
{
    const struct {
        const char* name;
        bool toggle;
        const char* setup;
        UINT message;
        WPARAM wParam;
        int answer;
        int redraws;
        int tooltips;
        bool checked;
    } cases[] = {
        {"set check", false, "", ui::ITEM_MESSAGE_SET_CHECK, 1, 0, 1, 1, true},
        {"set check, any non-zero", false, "", ui::ITEM_MESSAGE_SET_CHECK, 2, 0, 1, 1, true},
        {"set check unchanged", false, "check 1", ui::ITEM_MESSAGE_SET_CHECK, 1, 0, 0, 0, true},
        {"clear check", false, "check 1", ui::ITEM_MESSAGE_SET_CHECK, 0, 0, 1, 1, false},
        {"set check while pressed", false, "down 5 5", ui::ITEM_MESSAGE_SET_CHECK, 1, 0, 0, 0,
         false},
        {"get check", false, "check 1", ui::ITEM_MESSAGE_GET_CHECK, 0, 1, 0, 0, true},
        {"get auto check", false, "", ui::ITEM_MESSAGE_GET_AUTO_CHECK, 0, 1, 0, 0, false},
        {"get auto check, off", false, "auto 0", ui::ITEM_MESSAGE_GET_AUTO_CHECK, 0, 0, 0, 0,
         false},
        {"set blinking", false, "", ui::ITEM_MESSAGE_SET_BLINK, 1, 0, 1, 0, false},
        {"set blinking unchanged", false, "blink 1", ui::ITEM_MESSAGE_SET_BLINK, 1, 0, 0, 0, false},
        {"set kind", false, "", ui::ITEM_MESSAGE_SET_KIND, 1, 0, 1, 0, false},
        {"set kind unchanged", false, "", ui::ITEM_MESSAGE_SET_KIND, 0, 0, 0, 0, false},
        {"another message", false, "check 1", ui::ITEM_MESSAGE_SET_KIND + 1, 1, 0, 0, 0, true},
        {"a window message", false, "", WM_LBUTTONDOWN, 1, 0, 0, 0, false},
        {"toggle: set check unchanged still shows", true, "", ui::ITEM_MESSAGE_SET_CHECK, 0, 0,
         1, 1, false},
        {"toggle: set check", true, "", ui::ITEM_MESSAGE_SET_CHECK, 1, 0, 1, 1, true},
        {"toggle: set check while pressed", true, "down 5 5", ui::ITEM_MESSAGE_SET_CHECK, 1, 0, 0,
         0, false},
        {"toggle: get check", true, "check 1", ui::ITEM_MESSAGE_GET_CHECK, 0, 1, 0, 0, true},
        {"toggle: set blinking as the button", true, "", ui::ITEM_MESSAGE_SET_BLINK, 1, 0, 1, 0,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        skintest::CRecordingAccessor window;
        std::unique_ptr<CSkinWindowItemButton> button(
            c.toggle
                ? new CSkinWindowItemToggleButton(&window, 7, TestBlock("Strip"), window.Cache())
                : new CSkinWindowItemButton(&window, 7, TestBlock("Strip"), window.Cache()));
        skintest::RunItemScript(*button, c.setup);
        window.Clear();
        EXPECT_EQ(button->OnMessage(c.message, c.wParam, 0), c.answer);
        EXPECT_EQ(window.m_nRedraws, c.redraws);
        EXPECT_EQ(window.m_nTooltips, c.tooltips);
        EXPECT_EQ(button->IsChecked(), c.checked);
        EXPECT_EQ(window.TakeEvents(), "");
    }
}

TEST(SkinButtonMachineTest, TooltipFollowsTheCheckState)
{
    skintest::CRecordingAccessor window;
    CSkinWindowItemButton button(&window, 7, TestBlock("Strip"), window.Cache());
    EXPECT_EQ(button.GetTooltipText(), "押していない");
    button.OnMessage(ui::ITEM_MESSAGE_SET_KIND, 1, 0);
    skintest::RunItemScript(button, "down 5 5; up 5 5");
    EXPECT_EQ(button.GetTooltipText(), "押してある");
    EXPECT_EQ(window.m_nTooltips, 1) << "the click refreshed the tool";
}

TEST(SkinButtonMachineTest, HandCursorOnlyOverAnEnabledVisibleButton)
{
    const struct {
        const char* setup;
        bool visible;
        bool taken;
    } cases[] = {
        {"", true, true},
        {"disable", true, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        skintest::CRecordingAccessor window;
        CSkinWindowItemButton button(&window, 7, TestBlock("Plain"), window.Cache());
        skintest::RunItemScript(button, c.setup);
        button.SetVisible(c.visible);
        ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
        EXPECT_EQ(button.OnSetCursor(5, 5), c.taken) << c.setup << c.visible;
        EXPECT_EQ(::GetCursor() == ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)),
                  c.taken);
    }
}

// ---- the skin block ----

TEST(SkinButtonBlockTest, GroupsAreCheckedAsTheirRulesSay)
{
    const struct {
        const char* extra;     // added to the required keywords (replacing one of the same name)
        const char* remove;    // a keyword taken out, or ""
        const char* box;       // "" when the block passes
    } cases[] = {
        {"", "", ""},
        {"", "Position", "B/Positionが定義されていません"},
        {"", "ToolTipText", "B/ToolTipTextが定義されていません"},
        {"Size=40", "", "B/Sizeのパラメータは 2個必要です"},
        {"ToolTipText=a,b", "", "B/ToolTipTextのパラメータは 1個必要ですが、2個指定されています"},
        {"Image=TestMarkOff.png,0,0", "", "B/ImageSizeが定義されていません"},
        {"Image=TestMarkOff.png,0,0;ImageSize=8,8;ImageP=TestMarkOn.png,0", "",
         "B/ImagePのパラメータは 3個必要です"},
        {"ImageP=TestMarkOn.png,0", "", ""},   // only read with Image
        {"ToolTipTextP=a,b", "", "B/ToolTipTextPのパラメータは 1個必要ですが、2個指定されています"},
        {"DisableImage=TestButtonFaces.png,0", "", "B/DisableImageのパラメータは 3個必要です"},
        {"DisableImageP=TestButtonFaces.png,0", "", "B/DisableImagePのパラメータは 3個必要です"},
        {"Width=100", "", "B/Divideが定義されていません"},
        {"Divide=10,0,12", "", "B/Widthが定義されていません"},
        {"Width=100;Divide=10,12", "", "B/Divideのパラメータは 3個必要です"},
        {"TextP=x", "", "B/Textが定義されていません"},
        {"Text=x;TextColor=1,2,3", "", "B/Fontが定義されていません"},
        {"Text=x;Font=f,14,400", "", "B/TextColorが定義されていません"},
        {"Text=x;Font=f,14,400;TextColor=1,2,3;TextP=a,b", "",
         "B/TextPのパラメータは 1個必要ですが、2個指定されています"},
        {"TextColorNormal=1,2,3;TextColorDisable=1,2,3;TextColorPush=1,2,3;"
         "TextColorHotNormal=1,2,3",
         "", "B/TextColorHotPushが定義されていません"},
        {"TextColorHotPush=1,2,3", "", ""},   // the group starts with TextColorNormal
        {"TextColorHotNormalShadow=1,2,3", "", "B/TextShadowOffsetが定義されていません"},
        {"TextShadowOffset=2", "", ""},
        {"Antialias=1,1", "", "B/Antialiasのパラメータは 1個必要ですが、2個指定されています"},
        {"TextIndent=1,2", "", "B/TextIndentのパラメータは 1個必要ですが、2個指定されています"},
        {"AutoDisable=1", "", ""},
        {"NormalImage=TestNoFace.png,0,0", "", "TestNoFace.pngが読み込めません."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.extra) + " -" + c.remove);
        ui::SkinBlock block = skintest::MakeSkinBlock("B", std::string(kRequired) + ";" + c.extra);
        block.m_mapKeyword.erase(c.remove);
        skintest::CRecordingAccessor window;
        const skintest::SkinErrors errors = skintest::CatchSkinErrors(
            [&] { CSkinWindowItemButton button(&window, 7, block, window.Cache()); });
        if (*c.box == '\0') {
            EXPECT_TRUE(errors.m_vBox.empty()) << errors.m_vBox.front();
        } else {
            EXPECT_EQ(errors.m_vBox, std::vector<std::string>{c.box});
            EXPECT_EQ(errors.m_strThrown, c.box);
        }
    }
}

// Records by index: their source rectangles, the defaults of y -1 and x -1.
TEST(SkinButtonBlockTest, ImageRecordsStackByIndex)
{
    using Index = CSkinWindowItemButton::ImageIndex;
    const struct {
        const char* keywords;
        Index index;
        const char* file;
        RECT source;
    } cases[] = {
        {"", Index::IMAGE_NORMAL, "TestButtonFaces.png", {0, 0, 40, 20}},
        {"", Index::IMAGE_HOT_NORMAL, "TestButtonFaces.png", {0, 20, 40, 40}},
        {"", Index::IMAGE_PUSH, "TestButtonFaces.png", {0, 40, 40, 60}},
        {"", Index::IMAGE_HOT_PUSH, "TestButtonFaces.png", {0, 60, 40, 80}},
        {"", Index::IMAGE_MARK, "", {0, 0, 0, 0}},
        {"NormalImage=TestButtonFaces.png,5,7", Index::IMAGE_HOT_PUSH, "TestButtonFaces.png",
         {5, 67, 45, 87}},
        {"NormalImage=TestButtonFaces.png,-1,-1", Index::IMAGE_HOT_NORMAL, "TestButtonFaces.png",
         {0, 20, 40, 40}},
        {"HotPushImage=TestButtonFaces.png,3,-1", Index::IMAGE_HOT_PUSH, "TestButtonFaces.png",
         {3, 60, 43, 80}},
        {"Image=TestMarkOff.png,-1,-1;ImageSize=8,8", Index::IMAGE_MARK, "TestMarkOff.png",
         {0, 32, 8, 40}},
        {"Image=TestMarkOff.png,1,2;ImageSize=8,8", Index::IMAGE_MARK_CHECKED, "TestMarkOff.png",
         {1, 2, 9, 10}},   // ImageP defaults to Image
        {"Image=TestMarkOff.png,0,0;ImageSize=8,8;ImageP=TestMarkOn.png,-1,-1",
         Index::IMAGE_MARK_CHECKED, "TestMarkOn.png", {0, 40, 8, 48}},
        {"NormalImage=TestButtonFaces.png,5,7;DisableImage=TestButtonFaces.png,-1,-1",
         Index::IMAGE_DISABLE, "TestButtonFaces.png", {0, 120, 40, 140}},
        {"DisableImageP=TestButtonFaces.png,0,-1", Index::IMAGE_DISABLE_CHECKED,
         "TestButtonFaces.png", {0, 140, 40, 160}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.keywords) + " " + std::to_string(c.index));
        ui::SkinBlock block =
            skintest::MakeSkinBlock("B", std::string(kRequired) + ";" + c.keywords);
        skintest::CRecordingAccessor window;
        CSkinWindowItemButton button(&window, 7, block, window.Cache());
        const ui::SkinImagePart& part = button.GetImage(c.index);
        EXPECT_EQ(part.m_strFile, c.file);
        if (*c.file == '\0') continue;
        EXPECT_EQ(part.m_rcSource.left, c.source.left);
        EXPECT_EQ(part.m_rcSource.top, c.source.top);
        EXPECT_EQ(part.m_rcSource.right, c.source.right);
        EXPECT_EQ(part.m_rcSource.bottom, c.source.bottom);
    }
}

TEST(SkinButtonBlockTest, ReadsPlaceTextsAndDefaults)
{
    skintest::CRecordingAccessor window;
    {
        // ToolTipTextP defaults to ToolTipText; no caption keywords are read without Text.
        ui::SkinBlock block = skintest::MakeSkinBlock(
            "B", std::string(kRequired) + ";TextColor=1,2,3;Font=f,30,700;Antialias=1");
        CSkinWindowItemButton button(&window, 7, block, window.Cache());
        EXPECT_EQ(button.GetRect().left, 1);
        EXPECT_EQ(button.GetRect().top, 2);
        EXPECT_EQ(button.GetSize().cx, 40);
        EXPECT_EQ(button.GetSize().cy, 20);
        EXPECT_EQ(button.GetDrawingWidth(), 0);
        button.OnMessage(ui::ITEM_MESSAGE_SET_CHECK, 1, 0);
        EXPECT_EQ(button.GetTooltipText(), "tip");
        EXPECT_EQ(button.GetText(), "");
        LOGFONTA font;
        lib::wfc::GetDefaultLogFont(&font);
        EXPECT_EQ(button.GetLogFont().lfHeight, font.lfHeight);
        EXPECT_EQ(button.GetCaptionColor(), RGB(0, 0, 0));
        EXPECT_FALSE(button.IsInactiveLook());
        EXPECT_TRUE(button.IsAutoCheck());
        EXPECT_EQ(button.GetKind(), CSkinWindowItemButton::KIND_PUSH);
    }
    {
        // Width replaces the width; TextP alone changes the checked caption.
        ui::SkinBlock block = skintest::MakeSkinBlock(
            "B", std::string(kRequired) +
                     ";Width=120;Divide=10,0,12;Text=押す;TextP=押した;Font=f,30,700;"
                     "TextColor=1,2,3");
        CSkinWindowItemButton button(&window, 7, block, window.Cache());
        EXPECT_EQ(button.GetSize().cx, 120);
        EXPECT_EQ(button.GetDrawingWidth(), 120);
        EXPECT_EQ(button.GetText(), "押す");
        EXPECT_EQ(button.GetCheckedText(), "押した");
        EXPECT_EQ(button.GetLogFont().lfHeight, -30);
        EXPECT_EQ(button.GetLogFont().lfWeight, 700);
        EXPECT_EQ(button.GetCaptionColor(), RGB(1, 2, 3));
    }
    {
        // Width 0 keeps the Size's width and the one-piece face.
        ui::SkinBlock block =
            skintest::MakeSkinBlock("B", std::string(kRequired) + ";Width=0;Divide=10,0,12");
        CSkinWindowItemButton button(&window, 7, block, window.Cache());
        EXPECT_EQ(button.GetSize().cx, 40);
        EXPECT_EQ(button.GetDrawingWidth(), 0);
    }
}

// Sized to its caption: both outer parts plus the text's width; place and height kept.
TEST(SkinButtonBlockTest, CalcTextRectFitsTheCaption)
{
    ui::SkinBlock block = skintest::MakeSkinBlock(
        "B", std::string(kRequired) +
                 ";Position=30,40;Width=100;Divide=10,0,12;Text=x;Font=f,16,400;TextColor=1,2,3");
    skintest::CRecordingAccessor window;
    CSkinWindowItemButton button(&window, 7, block, window.Cache());

    button.CalcTextRect("■", false);
    EXPECT_EQ(button.GetText(), "■");
    EXPECT_EQ(button.GetSize().cx, 100) << "without fit the size stays";
    EXPECT_EQ(window.m_nRedraws, 1);

    button.CalcTextRect("", true);
    EXPECT_EQ(button.GetSize().cx, 22);
    EXPECT_EQ(button.GetDrawingWidth(), 22);
    EXPECT_EQ(window.m_rcLastRedraw.right, 130) << "the old place is redrawn too";

    button.CalcTextRect("■", true);
    const int one = button.GetSize().cx - 22;
    EXPECT_GT(one, 8);
    button.CalcTextRect("■■■", true);
    EXPECT_EQ(button.GetSize().cx, 22 + 3 * one);
    EXPECT_EQ(button.GetDrawingWidth(), button.GetSize().cx);
    EXPECT_EQ(button.GetRect().left, 30);
    EXPECT_EQ(button.GetRect().top, 40);
    EXPECT_EQ(button.GetSize().cy, 20);
    EXPECT_EQ(window.m_rcLastRedraw.right, 30 + 22 + 3 * one);
}

TEST(SkinButtonBlockTest, SetRectMovesAndWidensTheFace)
{
    skintest::CRecordingAccessor window;
    CSkinWindowItemButton button(&window, 7, TestBlock("Plain"), window.Cache());
    button.SetRect(ui::SkinRect{5, 6, 95, 9});
    EXPECT_EQ(button.GetRect().left, 5);
    EXPECT_EQ(button.GetRect().top, 6);
    EXPECT_EQ(button.GetSize().cx, 90);
    EXPECT_EQ(button.GetSize().cy, 20) << "the height stays";
    EXPECT_EQ(button.GetDrawingWidth(), 90);
    EXPECT_EQ(window.m_nRedraws, 0);
}

} // namespace
