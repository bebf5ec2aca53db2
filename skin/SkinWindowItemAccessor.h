#pragma once
// The two small interfaces through which an item reaches its window (the skin window
// implements both, non-publicly), and the scope that merges a burst of redraws into one
// screen update.
//
// What an item may ask: whether the window is ready, the item at a point, the image cache,
// the back buffer to draw into, a redraw of a rectangle, to post its events, to report Enter
// or Esc, to forward a key, to send the window a message, which item holds the capture,
// whether the window has a handle, to add, update or remove its tool, to suspend redraw.

#include "lib/wfc/DIB.h"

#include <windows.h>

#include <cstdint>

namespace ui {

class CSkinWindowItem;
class SkinImageCache;

class ISkinWindowItemAccessor {
public:
    virtual ~ISkinWindowItemAccessor() = default;

    // The window handle and the back buffer exist.
    virtual bool IsReady() = 0;
    // The topmost visible, hit-testable item at the client point, or null.
    virtual CSkinWindowItem* FindItemFromPoint(int32_t x, int32_t y) = 0;
    virtual SkinImageCache* GetImageCache() = 0;
    virtual lib::wfc::CDIB* GetBackBuffer() = 0;
    // Redraws that part of the back buffer and invalidates it.
    virtual void RedrawRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                            bool updateNow) = 0;
    // An item event (ItemEvent); true when the window took it. The skin window posts a click
    // as WM_COMMAND (id, notification code 1).
    virtual bool PostItemCommand(int32_t id, int32_t event, LPARAM reserved) = 0;
    virtual void NotifyEnter(int32_t id) = 0;
    virtual void NotifyEscape(int32_t id) = 0;
    // True when the window takes the key (it is then posted to the window as WM_KEYDOWN).
    virtual bool ForwardKey(UINT key, LPARAM keyData) = 0;
    virtual LRESULT SendItemMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual CSkinWindowItem* GetCaptureItem() = 0;
    virtual bool HasWindow() = 0;
    // Adds, updates or removes the item's tool by its tool state, with the rectangle of the
    // item's tool record (the window gives it the item's rectangle when it refreshes its tools;
    // an item may narrow it to a part of itself).
    virtual void SetTooltip(CSkinWindowItem* item) = 0;
    // Answers the previous value; ending a suspension on a created window updates it.
    virtual bool SuspendRedraw(bool suspend) = 0;
};

class CSkinWindowItemTabAccessor {
public:
    virtual ~CSkinWindowItemTabAccessor() = default;

    // The item with that id, the last added first; null when none.
    virtual CSkinWindowItem* GetItemById(int32_t id) = 0;
    // Visible items with a tooltip get theirs added, hidden ones removed; then every tool
    // rectangle follows its item.
    virtual void RefreshTooltips() = 0;
};

// Suspends redraw for one scope; only the outermost scope ends with one screen update.
class CRedrawSuspension {
public:
    explicit CRedrawSuspension(ISkinWindowItemAccessor* accessor)
        : m_pAccessor(accessor), m_bPrevious(accessor->SuspendRedraw(true))
    {
    }
    ~CRedrawSuspension() { m_pAccessor->SuspendRedraw(m_bPrevious); }

    CRedrawSuspension(const CRedrawSuspension&) = delete;
    CRedrawSuspension& operator=(const CRedrawSuspension&) = delete;

private:
    ISkinWindowItemAccessor* m_pAccessor;
    bool m_bPrevious;
};

} // namespace ui
