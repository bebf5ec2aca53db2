// Buttons on real skin windows (hidden, under Xvfb): posted presses, double clicks and
// releases outside end every press and let the capture go; a radio group that the window
// keeps with CheckRadioButton always has one button checked; caption buttons follow the
// window's activation; the factories and lookups place what they build.

#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemToggleButton.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

using skintest::ClientPoint;
using skintest::PixelAt;
using ui::CSkinWindowItemButton;

namespace {

const int32_t kRadioIds[] = {11, 12, 13};
const int32_t kToggleId = 20;
const int32_t kCloseId = 30;
const int32_t kMinimizeId = 31;
const COLORREF kNormal = RGB(0xD0, 0xE0, 0xF0);
const COLORREF kInactive = RGB(0xB0, 0xB0, 0xB0);

// A window that keeps its radio buttons as one group, as the launcher's windows do on a click.
class CRadioWindow : public ui::CSkinWindow {
public:
    std::vector<UINT> m_vCommand;

    void OnCommand(UINT id, UINT code, HWND control) override
    {
        m_vCommand.push_back(id);
        for (const int32_t radio : kRadioIds) {
            if (static_cast<int32_t>(id) == radio) {
                CheckRadioButton(kRadioIds, 3, radio);
            }
        }
        ui::CSkinWindow::OnCommand(id, code, control);
    }
    CSkinWindowItemButton* Button(int32_t id)
    {
        return dynamic_cast<CSkinWindowItemButton*>(GetItemById(id));
    }
};

ui::SkinBlock PlacedBlock(const ui::SkinDefinition& definition, const char* name, int x, int y)
{
    ui::SkinBlock block = ui::GetSkinBlock(definition, name);
    block.m_mapKeyword["Position"] = {std::to_string(x), std::to_string(y)};
    return block;
}

class SkinButtonWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pWindow.reset(new CRadioWindow);
        const skintest::SkinErrors errors = skintest::CatchSkinErrors(
            [&] { m_pWindow->LoadSkin(m_definition, "TestButtons.txt", "Base", true); });
        ASSERT_TRUE(errors.m_vBox.empty()) << errors.m_vBox.front();
        // Three radio buttons in a row at y 60, a toggle below them.
        for (int i = 0; i < 3; ++i) {
            CSkinWindowItemButton* radio = m_pWindow->CreateButton(
                kRadioIds[i], PlacedBlock(m_definition, "Strip", 20 + 50 * i, 60),
                ui::CAPTION_ROLE_NONE);
            radio->OnMessage(ui::ITEM_MESSAGE_SET_KIND, 1, 0);
        }
        m_pWindow->CheckRadioButton(kRadioIds, 3, kRadioIds[0]);
        m_pWindow->CreateToggleButton(kToggleId, PlacedBlock(m_definition, "Plain", 20, 100));
        m_hWnd = m_pWindow->Create(0, nullptr, "skin_button_test", WS_POPUP, 0, 0, 320, 200);
        ::SetFocus(m_hWnd);
        Pump();
        m_pWindow->m_vCommand.clear();
    }
    void TearDown() override
    {
        if (m_pWindow->IsWindow()) m_pWindow->DestroyWindow();
        m_pWindow.reset();
    }

    static void Pump() { testsupport::DispatchQueued(true); }
    // Which radio buttons are checked, "100".
    std::string Checked()
    {
        std::string states;
        for (const int32_t id : kRadioIds) states += m_pWindow->Button(id)->IsChecked() ? "1" : "0";
        return states;
    }
    bool AnyPressed()
    {
        for (const int32_t id : {11, 12, 13, kToggleId}) {
            if (m_pWindow->Button(id)->IsPressed()) return true;
        }
        return false;
    }

    std::unique_ptr<CRadioWindow> m_pWindow;
    ui::SkinDefinition m_definition;
    HWND m_hWnd = nullptr;
};

// One posted message: for mouse messages lParam is a client point.
struct Input {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

TEST_F(SkinButtonWindowTest, PostedInputNeverLeavesAButtonPressed)
{
    const struct {
        const char* name;
        std::vector<Input> input;
        std::vector<UINT> commands;
        const char* checked;
    } cases[] = {
        {"click on the second",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(75, 65)},
          {WM_LBUTTONUP, 0, ClientPoint(75, 65)}},
         {12},
         "010"},
        {"click on the checked one keeps it checked",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(25, 65)},
          {WM_LBUTTONUP, 0, ClientPoint(25, 65)}},
         {11},
         "100"},
        {"released outside",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(125, 65)},
          {WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(300, 190)},
          {WM_LBUTTONUP, 0, ClientPoint(300, 190)}},
         {},
         "100"},
        {"double click released outside",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(125, 65)},
          {WM_LBUTTONUP, 0, ClientPoint(125, 65)},
          {WM_LBUTTONDBLCLK, MK_LBUTTON, ClientPoint(125, 65)},
          {WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(300, 190)},
          {WM_LBUTTONUP, 0, ClientPoint(300, 190)}},
         {13},
         "001"},
        {"double click inside: two clicks",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(75, 65)},
          {WM_LBUTTONUP, 0, ClientPoint(75, 65)},
          {WM_LBUTTONDBLCLK, MK_LBUTTON, ClientPoint(75, 65)},
          {WM_LBUTTONUP, 0, ClientPoint(75, 65)}},
         {12, 12},
         "010"},
        {"deactivated during a press",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(75, 65)},
          {WM_ACTIVATE, WA_INACTIVE, 0},
          {WM_LBUTTONUP, 0, ClientPoint(75, 65)}},
         {},
         "100"},
        {"toggle double click released outside",
         {{WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(25, 105)},
          {WM_LBUTTONUP, 0, ClientPoint(25, 105)},
          {WM_LBUTTONDBLCLK, MK_LBUTTON, ClientPoint(25, 105)},
          {WM_LBUTTONUP, 0, ClientPoint(300, 190)}},
         {static_cast<UINT>(kToggleId)},
         "100"},
        {"right button takes no capture",
         {{WM_RBUTTONDOWN, MK_RBUTTON, ClientPoint(75, 65)},
          {WM_RBUTTONDBLCLK, MK_RBUTTON, ClientPoint(75, 65)},
          {WM_RBUTTONUP, 0, ClientPoint(300, 190)}},
         {},
         "100"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_pWindow->CheckRadioButton(kRadioIds, 3, kRadioIds[0]);
        m_pWindow->Button(kToggleId)->OnMessage(ui::ITEM_MESSAGE_SET_CHECK, 0, 0);
        m_pWindow->m_vCommand.clear();
        for (const Input& input : c.input) {
            ::PostMessageA(m_hWnd, input.message, input.wParam, input.lParam);
        }
        Pump();
        EXPECT_EQ(m_pWindow->m_vCommand, c.commands);
        EXPECT_EQ(Checked(), c.checked);
        EXPECT_FALSE(AnyPressed());
        EXPECT_EQ(m_pWindow->GetCaptureItem(), nullptr);
        EXPECT_NE(::GetCapture(), m_hWnd);
        ::SendMessageA(m_hWnd, WM_ACTIVATE, WA_ACTIVE, 0);
    }
}

// The button takes the capture on a press: the release outside the window still reaches it.
TEST_F(SkinButtonWindowTest, PressHoldsTheCaptureUntilTheRelease)
{
    ::SendMessageA(m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(75, 65));
    EXPECT_EQ(::GetCapture(), m_hWnd);
    EXPECT_TRUE(m_pWindow->Button(12)->IsPressed());
    EXPECT_EQ(m_pWindow->Button(12)->GetLook(), CSkinWindowItemButton::LOOK_PUSHED);
    EXPECT_EQ(PixelAt(*m_pWindow->GetBackBuffer(), 70 + 14, 60 + 2), RGB(0xF0, 0xE0, 0xA0));
    ::SendMessageA(m_hWnd, WM_LBUTTONUP, 0, ClientPoint(-50, -50));
    EXPECT_FALSE(m_pWindow->Button(12)->IsPressed());
    EXPECT_NE(::GetCapture(), m_hWnd);
    EXPECT_EQ(PixelAt(*m_pWindow->GetBackBuffer(), 70 + 14, 60 + 2), kNormal);
    Pump();
    EXPECT_TRUE(m_pWindow->m_vCommand.empty());
}

// Caption buttons switch to their inactive face with the window; other buttons keep theirs.
TEST_F(SkinButtonWindowTest, CaptionButtonsFollowTheActivation)
{
    CSkinWindowItemButton* close = m_pWindow->CreateButton(
        kCloseId, PlacedBlock(m_definition, "Strip", 270, 4), ui::CAPTION_ROLE_CLOSE);
    CSkinWindowItemButton* plain = m_pWindow->CreateButton(
        40, PlacedBlock(m_definition, "Strip", 220, 4), ui::CAPTION_ROLE_NONE);
    const struct {
        WPARAM activation;
        UINT message;
        bool inactive;
    } steps[] = {
        {WA_INACTIVE, WM_ACTIVATE, true},
        {WA_ACTIVE, WM_ACTIVATE, false},
        {FALSE, WM_SHOWWINDOW, true},      // hiding ends in the inactive look
        {WA_CLICKACTIVE, WM_ACTIVATE, false},
    };
    for (const auto& step : steps) {
        ::SendMessageA(m_hWnd, step.message, step.activation, 0);
        EXPECT_EQ(m_pWindow->IsInactiveLook(), step.inactive);
        EXPECT_EQ(close->IsInactiveLook(), step.inactive);
        EXPECT_EQ(PixelAt(*m_pWindow->GetBackBuffer(), 270 + 14, 4 + 2),
                  step.inactive ? kInactive : kNormal);
        EXPECT_FALSE(plain->IsInactiveLook());
        EXPECT_EQ(PixelAt(*m_pWindow->GetBackBuffer(), 220 + 14, 4 + 2), kNormal);
    }

    // A caption button made while the window is inactive starts inactive, and so do the
    // minimise and third roles; without an inactive face it draws nothing.
    ::SendMessageA(m_hWnd, WM_ACTIVATE, WA_INACTIVE, 0);
    CSkinWindowItemButton* minimize = m_pWindow->CreateButton(
        kMinimizeId, PlacedBlock(m_definition, "Plain", 220, 30), ui::CAPTION_ROLE_MINIMIZE);
    CSkinWindowItemButton* third = m_pWindow->CreateButton(
        kMinimizeId + 1, PlacedBlock(m_definition, "Plain", 170, 30), ui::CAPTION_ROLE_THIRD);
    EXPECT_TRUE(minimize->IsInactiveLook());
    EXPECT_TRUE(third->IsInactiveLook());
    EXPECT_EQ(PixelAt(*m_pWindow->GetBackBuffer(), 220 + 14, 30 + 10),
              PixelAt(*m_pWindow->GetBackBuffer(), 215, 30 + 10));
    ::SendMessageA(m_hWnd, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_FALSE(minimize->IsInactiveLook());
    EXPECT_FALSE(third->IsInactiveLook());
    EXPECT_EQ(PixelAt(*m_pWindow->GetBackBuffer(), 220 + 14, 30 + 10), kNormal);

    // Replaced by an item of the same id, the old close button is forgotten.
    CSkinWindowItemButton* again = m_pWindow->CreateButton(
        kCloseId, PlacedBlock(m_definition, "Strip", 270, 4), ui::CAPTION_ROLE_NONE);
    ::SendMessageA(m_hWnd, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(again->IsInactiveLook());
    ::SendMessageA(m_hWnd, WM_ACTIVATE, WA_ACTIVE, 0);
}

// The typed lookups fetch the key's block; a missing one is the skin error.
TEST_F(SkinButtonWindowTest, LookupsBuildFromTheKeysBlock)
{
    uint16_t counter = 500;
    const ui::SkinItemKey strip("Strip", counter);
    const ui::SkinItemKey toggle("Plain", counter);
    const ui::SkinItemKey missing("NoSuchButton", counter);
    CSkinWindowItemButton* button = m_pWindow->AddButton(m_definition, strip, ui::CAPTION_ROLE_NONE);
    EXPECT_EQ(button->GetId(), 500);
    EXPECT_EQ(button->GetRect().left, 20);
    EXPECT_EQ(m_pWindow->GetItemById(500), button);
    ui::CSkinWindowItemToggleButton* item = m_pWindow->AddToggleButton(m_definition, toggle);
    EXPECT_EQ(item->GetId(), 501);
    EXPECT_EQ(item->GetRect().left, 80);
    for (const bool asToggle : {false, true}) {
        const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] {
            if (asToggle) {
                m_pWindow->AddToggleButton(m_definition, missing);
            } else {
                m_pWindow->AddButton(m_definition, missing, ui::CAPTION_ROLE_CLOSE);
            }
        });
        EXPECT_EQ(errors.m_vBox, std::vector<std::string>{"NoSuchButtonが記述されていません"});
    }
    EXPECT_EQ(m_pWindow->GetItemById(502), nullptr);

    // A click by ClickItem reaches the window only from an enabled button.
    m_pWindow->ClickItem(500);
    button->SetEnable(false);
    m_pWindow->ClickItem(500);
    Pump();
    EXPECT_EQ(m_pWindow->m_vCommand, std::vector<UINT>{500});
}

} // namespace
