#pragma once
// What the item tests share: an accessor that stands in for the window and records what an
// item asks of it (events, redraws, tool refreshes), with a back buffer of its own and a real
// image cache, so that an item's state machine and drawing run without a window; and script
// steps that drive an item the way its window would.
//
//     skintest::CRecordingAccessor window;
//     ui::CSkinWindowItemButton button(&window, 7, block, window.Cache());
//     skintest::RunItemScript(button, "down 5 5; move 50 5; up 50 5");
//     EXPECT_EQ(window.TakeEvents(), "1 14 2 14 4");

#include "lib/wfc/DIB.h"
#include "skin/SkinDefinition.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinWindowItem.h"
#include "skin/SkinWindowItemAccessor.h"

#include <windows.h>

#include <set>
#include <string>

namespace skintest {

class CRecordingAccessor : public ui::ISkinWindowItemAccessor {
public:
    // A back buffer of the size, filled with the colour.
    CRecordingAccessor(int width = 320, int height = 200, COLORREF background = RGB(255, 255, 255));
    ~CRecordingAccessor() override;

    // ---- what it answers ----
    // Events besides the click that the "window" takes (the click is always taken).
    std::set<int32_t> m_setConsumed;
    // The item whose check state each click records (null: none recorded).
    ui::CSkinWindowItem* m_pItem = nullptr;

    // ---- what it recorded ----
    // The events since the last call, "1 14 2 0 4".
    std::string TakeEvents();
    // The check state ("1" or "0") each click found, in order, since the last call.
    std::string TakeCheckAtClicks();
    int m_nCommands = 0;   // clicks, each a WM_COMMAND of a real window
    int m_nRedraws = 0;
    int m_nTooltips = 0;
    RECT m_rcLastRedraw = {};

    ui::SkinImageCache* Cache() { return &m_cache; }
    lib::wfc::CDIB& Buffer() { return m_buffer; }
    const lib::wfc::CDIB& Buffer() const { return m_buffer; }
    void Clear();

    bool IsReady() override { return true; }
    ui::CSkinWindowItem* FindItemFromPoint(int32_t, int32_t) override { return nullptr; }
    ui::SkinImageCache* GetImageCache() override { return &m_cache; }
    lib::wfc::CDIB* GetBackBuffer() override { return &m_buffer; }
    void RedrawRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                    bool updateNow) override;
    bool PostItemCommand(int32_t id, int32_t event, LPARAM reserved) override;
    void NotifyEnter(int32_t) override {}
    void NotifyEscape(int32_t) override {}
    bool ForwardKey(UINT, LPARAM) override { return false; }
    LRESULT SendItemMessage(UINT, WPARAM, LPARAM) override { return 0; }
    ui::CSkinWindowItem* GetCaptureItem() override { return nullptr; }
    bool HasWindow() override { return true; }
    void SetTooltip(ui::CSkinWindowItem*) override { ++m_nTooltips; }
    bool SuspendRedraw(bool) override { return false; }

private:
    std::string m_strEvents;
    std::string m_strCheckAtClicks;
    lib::wfc::CDIB m_buffer;
    ui::SkinImageCache m_cache;
};

// Runs steps separated by ";" on the item, as its window would call it (points relative to
// the item): "down x y", "up x y", "cancel x y", "dbl x y", "move x y", "rdown", "rup",
// "rdbl", "leave", "disable", "enable", "check 0|1", "kind 0|1", "blink 0|1", "tick ms",
// "auto 0|1" (a button's SetAutoCheck). An unknown step fails the test.
void RunItemScript(ui::CSkinWindowItem& item, const std::string& script);

// A block built in code: "Keyword=value,value;Keyword=value" (values without quotes).
ui::SkinBlock MakeSkinBlock(const std::string& name, const std::string& keywords);

} // namespace skintest
