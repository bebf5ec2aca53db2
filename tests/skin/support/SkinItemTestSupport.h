#pragma once
// What the button and text tests share: a fake window (FakeItemAccessor.h) that answers item
// events as a skin window does and counts what the item asks, and script steps that drive an
// item the way its window would.
//
//     skintest::CRecordingAccessor window;
//     ui::CSkinWindowItemButton button(&window, 7, block, window.Cache());
//     skintest::RunItemScript(button, "down 5 5; move 50 5; up 50 5");
//     EXPECT_EQ(window.TakeEvents(), "1 14 2 14 4");

#include "skin/SkinDefinition.h"
#include "skin/SkinWindowItem.h"
#include "tests/skin/support/FakeItemAccessor.h"

#include <windows.h>

#include <set>
#include <string>

namespace skintest {

// The fake window answering as a skin window does: it takes the click (a WM_COMMAND of a real
// window) and no other event unless the test says so; it counts clicks, redraws and tool
// refreshes and notes the check state each click finds.
class CRecordingAccessor : public CFakeItemAccessor {
public:
    // A white back buffer of the size.
    explicit CRecordingAccessor(int width = 320, int height = 200);

    // ---- what it answers ----
    // Events besides the click that the "window" takes.
    std::set<int32_t> m_setConsumed;
    // The item whose check state each click records (null: none recorded).
    ui::CSkinWindowItem* m_pItem = nullptr;
    bool m_bHasWindow = true;

    // ---- what it recorded ----
    // The events since the last call, "1 14 2 0 4".
    std::string TakeEvents();
    // The check state ("1" or "0") each click found, in order, since the last call.
    std::string TakeCheckAtClicks();
    int m_nCommands = 0;
    int m_nRedraws = 0;
    int m_nTooltips = 0;
    RECT m_rcLastRedraw = {};
    // Forgets everything recorded.
    void Clear();

    ui::SkinImageCache* Cache() { return GetImageCache(); }

    void RedrawRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                    bool updateNow) override;
    bool PostItemCommand(int32_t id, int32_t event, LPARAM reserved) override;
    bool HasWindow() override { return m_bHasWindow; }
    void SetTooltip(ui::CSkinWindowItem* item) override;

private:
    std::string m_strEvents;
    std::string m_strCheckAtClicks;
};

// Runs steps separated by ";" on the item, as its window would call it (points relative to
// the item): "down x y", "up x y", "cancel x y", "dbl x y", "move x y", "rdown", "rup",
// "rdbl", "leave", "disable", "enable", "check 0|1", "kind 0|1", "blink 0|1", "tick ms",
// "auto 0|1" (a button's SetAutoCheck). An unknown step fails the test.
void RunItemScript(ui::CSkinWindowItem& item, const std::string& script);

// A block built in code: "Keyword=value,value;Keyword=value" (values without quotes).
ui::SkinBlock MakeSkinBlock(const std::string& name, const std::string& keywords);

} // namespace skintest
