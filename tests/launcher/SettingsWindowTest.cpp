// The settings window over a hidden owner that records what the window posts it: its five
// switches, OK, Cancel and the close button, and its card buttons over the card record, the
// update state and the main window's card state.

#include "launcher/LauncherSetting.h"
#include "launcher/SettingWindow.h"
#include "lib/Path.h"
#include "lib/wfc/Window.h"
#include "skin/SkinWindowItem.h"
#include "skin/SkinWindowItemButton.h"
#include "tests/launcher/SettingsSupport.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/support/AgentBlock.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using ui::CSettingWindow;
using ui::SkinItemKey;
namespace key = ui::SettingWindowKey;

using settingstest::CSettingOwner;
using settingstest::Posted;
using settingstest::PumpFor;

void Click(CSettingWindow& window, const SkinItemKey& item)
{
    const ui::SkinRect rect = window.GetItemById(item.m_nId)->GetRect();
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    window.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    window.SendMessage(WM_LBUTTONUP, 0, at);
}

bool Checked(CSettingWindow& window, const SkinItemKey& item)
{
    return window.GetItemById(item.m_nId)->OnMessage(ui::ITEM_MESSAGE_GET_CHECK, 0, 0) != 0;
}

struct Switches {
    bool traffic, weather, display, atlaro, agent;
    bool operator==(const Switches& o) const
    {
        return traffic == o.traffic && weather == o.weather && display == o.display &&
               atlaro == o.atlaro && agent == o.agent;
    }
};

std::ostream& operator<<(std::ostream& out, const Switches& s)
{
    return out << s.traffic << s.weather << s.display << s.atlaro << s.agent;
}

void Store(const Switches& s)
{
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    setting.SetAutoDLTraffic(s.traffic);
    setting.SetAutoDLWeather(s.weather);
    setting.SetDisplayUpload(s.display);
    setting.SetAtlaro(s.atlaro);
    setting.SetAutoStartLauncher(s.agent);
}

Switches Stored()
{
    const CLauncherSetting& setting = CLauncherSetting::GetInstance();
    return Switches{setting.GetAutoDLTraffic(), setting.GetAutoDLWeather(),
                    setting.GetDisplayUpload(), setting.GetAtlaro(), setting.GetAutoStartLauncher()};
}

const SkinItemKey* const kBoxes[] = {&key::kAutoDLTrefficCheckBox, &key::kAutoDLWeatherCheckBox,
                                     &key::kAutoDisplayCheckBox, &key::kAtlaroCheckBox,
                                     &key::kRunAgentCheckBox};

TEST(SettingWindowTest, SwitchesFromTheRecordStoredOnlyByOK)
{
    const Posted closed = {CSettingWindow::kChildClosedMessage, 6};
    const Posted autoShow = {CSettingWindow::WM_PROBE_AUTOSHOW, 0};
    struct Case {
        const char* name;
        Switches before;
        std::vector<const SkinItemKey*> clicks;
        const SkinItemKey* end;
        Switches after;
        std::vector<Posted> posted;
    };
    const Case cases[] = {
        {"OK, display changed", {true, true, true, true, true},
         {&key::kAutoDisplayCheckBox, &key::kAtlaroCheckBox}, &key::kOKButton,
         {true, true, false, false, true}, {autoShow, closed}},
        {"OK, display kept", {false, true, false, true, false},
         {&key::kAutoDLTrefficCheckBox, &key::kRunAgentCheckBox, &key::kAutoDLWeatherCheckBox},
         &key::kOKButton, {true, false, false, true, true}, {closed}},
        {"OK, display clicked twice", {true, false, true, false, true},
         {&key::kAutoDisplayCheckBox, &key::kAutoDisplayCheckBox}, &key::kOKButton,
         {true, false, true, false, true}, {closed}},
        {"Cancel leaves the record", {true, false, true, false, true},
         {&key::kAutoDisplayCheckBox, &key::kAutoDLTrefficCheckBox}, &key::kCancelButton,
         {true, false, true, false, true}, {closed}},
        {"the close button leaves the record", {false, false, false, false, false},
         {&key::kAutoDisplayCheckBox, &key::kRunAgentCheckBox}, &key::kCloseButton,
         {false, false, false, false, false}, {closed}},
    };
    for (const Case& c : cases) {
        skintest::CSkinErrorCollector errors;
        Store(c.before);
        CSettingOwner owner;
        owner.m_pWindow.reset(new CSettingWindow(owner.GetHwnd()));
        CSettingWindow& window = *owner.m_pWindow;
        window.Create();
        window.ShowWindow(SW_SHOWNA);
        const bool values[] = {c.before.traffic, c.before.weather, c.before.display,
                               c.before.atlaro, c.before.agent};
        for (size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(Checked(window, *kBoxes[i]), values[i]) << c.name << " box " << i;
        }
        for (const SkinItemKey* box : c.clicks) Click(window, *box);
        Click(window, *c.end);
        PumpFor(300);
        EXPECT_EQ(Stored(), c.after) << c.name;
        EXPECT_EQ(owner.m_vPosted, c.posted) << c.name;
        EXPECT_EQ(owner.m_nDeleted, 1) << c.name << ": deleted on code 6";
        EXPECT_TRUE(errors.Messages().empty()) << c.name;
    }
}

TEST(SettingWindowTest, CardButtonsFollowTheCardTheUpdateAndTheCardState)
{
    testsupport::CAgentBlock block;
    const UINT updateState = lib::GetRegisteredMessage("Launcher_UpdateState");
    struct Case {
        char letter;       // 0: no card selected
        bool atCreate;     // enabled when made: a card C to Z
        bool afterIdle;    // after "Launcher_UpdateState" 0: a card D to Z
    };
    const Case cases[] = {{0, false, false}, {'C', true, false}, {'H', true, true}};
    for (const Case& c : cases) {
        for (WPARAM update : {0, 1}) {
            for (WPARAM cardState : {0, 1}) {
                const std::string name = std::string("card ") + (c.letter ? c.letter : '-') +
                                         " update " + std::to_string(update) + " card state " +
                                         std::to_string(cardState);
                block.Write(testsupport::DriveBit('H'), testsupport::DriveBit('H'), c.letter);
                CSettingOwner owner;
                CSettingWindow window(owner.GetHwnd());
                window.Create();
                ui::CSkinWindowItem* del = window.GetItemById(key::kDeleteButton.m_nId);
                ui::CSkinWindowItem* scan = window.GetItemById(key::kScandiskButton.m_nId);
                EXPECT_EQ(del->IsEnabled(), c.atCreate) << name << " at create";
                EXPECT_EQ(scan->IsEnabled(), c.atCreate) << name << " at create";
                window.SendMessage(updateState, update, 0);
                const bool afterUpdate = update == 0 && c.afterIdle;
                EXPECT_EQ(del->IsEnabled(), afterUpdate) << name << " after the update state";
                EXPECT_EQ(window.IsBusy(), update != 0) << name;
                window.SendMessage(CSettingWindow::WM_LAUNCHER_CARD_STATE, cardState, 0);
                const bool afterCard = cardState != 0 && update == 0;
                EXPECT_EQ(del->IsEnabled(), afterCard) << name << " after the card state";
                EXPECT_EQ(scan->IsEnabled(), afterCard) << name << " after the card state";
                window.DestroyWindow();
            }
        }
    }
    block.Write(0, 0, 0);
}

} // namespace
