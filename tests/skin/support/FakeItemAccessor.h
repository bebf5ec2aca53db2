#pragma once
// A window for one item without a window: an accessor that records what the item asks, lends
// it a back buffer and an image cache, and answers the messages the item sends through a
// function the test sets (an owner that answers, or none). Items built on it are tested
// without a window, their time and input driven by hand.
//
//     skintest::CFakeItemAccessor accessor(120, 200);
//     ui::CSkinWindowItemScrollBar bar(&accessor, 7, block, accessor.GetImageCache());
//     accessor.m_fnSend = [&](UINT, WPARAM, LPARAM) -> LRESULT { ...; return 0; };
//     bar.OnLButtonDown(5, 55);
//     accessor.m_vSent   // the messages the item sent, in order

#include "lib/wfc/DIB.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinWindowItemAccessor.h"

#include <windows.h>

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace skintest {

struct SentItemMessage {
    UINT m_uMessage;
    WPARAM m_wParam;
    LPARAM m_lParam;

    bool operator==(const SentItemMessage& other) const
    {
        return m_uMessage == other.m_uMessage && m_wParam == other.m_wParam &&
               m_lParam == other.m_lParam;
    }
};

// "<message> <LOWORD(wParam)> <HIWORD(wParam)> <lParam>", for failure output.
std::string Describe(const SentItemMessage& message);
void PrintTo(const SentItemMessage& message, std::ostream* out);

class CFakeItemAccessor : public ui::ISkinWindowItemAccessor {
public:
    // A back buffer of the size (24-bit, filled with `fill`) and an image cache of its own.
    CFakeItemAccessor(int width, int height, COLORREF fill = RGB(0xFF, 0xFF, 0xFF));
    ~CFakeItemAccessor() override;

    // What the owner answers to SendItemMessage (null: 0, and nothing happens).
    std::function<LRESULT(UINT, WPARAM, LPARAM)> m_fnSend;
    bool m_bReady = true;
    // What GetCaptureItem answers: the item the "window" holds the capture for.
    ui::CSkinWindowItem* m_pCaptureItem = nullptr;

    // Every SendItemMessage, in order.
    std::vector<SentItemMessage> m_vSent;
    // The other calls, one line each: "Redraw l t r b <now>", "Post <id> <event>",
    // "Tooltip <id> <state>", "Enter <id>", "Escape <id>", "Key <key>", "Suspend <0|1>".
    std::vector<std::string> m_vCall;

    // The calls since the last Take, joined by "|", and forgotten (the sent messages too).
    std::string Take();
    // How many redraws were asked since the last Take.
    size_t CountRedraws() const;

    lib::wfc::CDIB& Buffer() { return m_buffer; }

    bool IsReady() override;
    ui::CSkinWindowItem* FindItemFromPoint(int32_t x, int32_t y) override;
    ui::SkinImageCache* GetImageCache() override;
    lib::wfc::CDIB* GetBackBuffer() override;
    void RedrawRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                    bool updateNow) override;
    bool PostItemCommand(int32_t id, int32_t event, LPARAM reserved) override;
    void NotifyEnter(int32_t id) override;
    void NotifyEscape(int32_t id) override;
    bool ForwardKey(UINT key, LPARAM keyData) override;
    LRESULT SendItemMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    ui::CSkinWindowItem* GetCaptureItem() override;
    bool HasWindow() override;
    void SetTooltip(ui::CSkinWindowItem* item) override;
    bool SuspendRedraw(bool suspend) override;

private:
    lib::wfc::CDIB m_buffer;
    ui::SkinImageCache m_cache;
    bool m_bSuspended;
};

} // namespace skintest
