#pragma once
// The base of every drawn element of a skin window: a rectangle of the window's client area
// with an id, a visible and an enabled flag and its own tool record for the window's tooltip.
// An item never draws to the screen and never holds its window: it draws into the window's
// back buffer when asked (Draw) and asks everything else through the accessor it was built
// with (skin/SkinWindowItemAccessor.h). The window owns its items and ends each with Dispose.
//
// An item kind derives from it, overrides what it needs, and is built by the window's factory
// of that kind (skin/SkinWindow.h), which hands it to AddItem.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace ui {

class ISkinWindowItemAccessor;

struct SkinPoint {
    int32_t x;
    int32_t y;
};

struct SkinSize {
    int32_t cx;
    int32_t cy;
};

struct SkinRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool Contains(int32_t x, int32_t y) const
    {
        return x >= left && x < right && y >= top && y < bottom;
    }
    RECT ToRECT() const
    {
        RECT rect = {left, top, right, bottom};
        return rect;
    }
    static SkinRect FromPositionSize(SkinPoint position, SkinSize size)
    {
        return SkinRect{position.x, position.y, position.x + size.cx, position.y + size.cy};
    }
};

// Whether two rectangles share a pixel, and the rectangle they share (empty when none).
inline bool RectsMeet(const RECT& a, const RECT& b)
{
    RECT common;
    return ::IntersectRect(&common, &a, &b) != FALSE;
}

inline RECT CommonRect(const RECT& a, const RECT& b)
{
    RECT common;
    if (!::IntersectRect(&common, &a, &b)) common = RECT();
    return common;
}

// A sum done in 64 bits brought back into 32, cut at either end instead of wrapping.
inline int32_t ClampToInt32(int64_t value)
{
    return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(value, INT32_MIN), INT32_MAX));
}

// What the window does next with an item's tool; kept in the tool record's lParam.
enum ToolState : int32_t {
    TOOL_NONE = -1,    // the item has no tooltip
    TOOL_ADD = 0,      // to be added
    TOOL_ADDED = 1,
    TOOL_REMOVE = 2,   // to be removed
};

// The user's actions an item reports through the accessor's PostItemCommand.
enum ItemEvent : int32_t {
    ITEM_EVENT_CLICK = 0,
    ITEM_EVENT_PUSHED_ON = 1,
    ITEM_EVENT_PUSHED_OFF = 2,
    ITEM_EVENT_LEFT_DBLCLK = 3,
    ITEM_EVENT_LEFT_UP = 4,
    ITEM_EVENT_RIGHT_DOWN = 5,
    ITEM_EVENT_RIGHT_UP = 6,
    ITEM_EVENT_RIGHT_DBLCLK = 7,
    ITEM_EVENT_IMAGE_LEFT_DOWN = 12,
    ITEM_EVENT_MOUSE_MOVE = 14,
    ITEM_EVENT_MOUSE_LEAVE = 15,
};

// Messages of OnMessage that the button items answer.
enum ItemMessage : UINT {
    ITEM_MESSAGE_SET_CHECK = 100000001,
    ITEM_MESSAGE_GET_CHECK = 100000002,
    ITEM_MESSAGE_GET_AUTO_CHECK = 100000003,
    ITEM_MESSAGE_SET_BLINK = 100000004,
    ITEM_MESSAGE_SET_KIND = 100000005,
};

// The system's own tool record: 48 bytes in the 32-bit programs, larger in a 64-bit build.
static_assert(sizeof(void*) != 4 || sizeof(TTTOOLINFOA) == 48, "the 48-byte tool record");

class CSkinWindowItem {
public:
    CSkinWindowItem(ISkinWindowItemAccessor* accessor, int32_t id);
    virtual ~CSkinWindowItem();

    CSkinWindowItem(const CSkinWindowItem&) = delete;
    CSkinWindowItem& operator=(const CSkinWindowItem&) = delete;

    // How the window lets an item go, in place of delete: the base deletes it. An item that
    // others may still hold (a COM reference) overrides it to cut its ties and leave its
    // freeing to the last of them. Nothing may reach the item through its window afterwards.
    virtual void Dispose();

    // ---- what item kinds override (relative points are client points minus left, top) ----
    virtual bool IsEnabled();
    virtual std::string GetTooltipText();
    // False lets a click fall through to what lies beneath.
    virtual bool IsHitTestable();
    virtual int OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnMouseMove(int x, int y);
    // True: the item takes the mouse capture until the release.
    virtual bool OnLButtonDown(int x, int y);
    // True, as for a press: the item takes the capture. The base acts as a second press.
    virtual bool OnLButtonDblClk(int x, int y);
    virtual void OnLButtonUp(int x, int y);
    // A left press that ended without a release (capture lost, window activated or hidden);
    // the base acts as a release.
    virtual void OnLButtonCancel(int x, int y);
    virtual bool OnRButtonDown(int x, int y);
    virtual bool OnRButtonDblClk(int x, int y);
    virtual void OnRButtonUp(int x, int y);
    virtual void OnRButtonCancel(int x, int y);
    virtual void OnMouseLeave();
    // True when the item set the cursor.
    virtual bool OnSetCursor(int x, int y);
    // Every 33 ms, with GetTickCount().
    virtual void OnTick(DWORD tick);
    // Once the window exists (or at once for an item added later).
    virtual void OnAttach(HWND window, int originX, int originY);
    virtual void OnSetFocus();
    virtual void OnKillFocus();
    // The focus item sees every window message first; true consumes it with *result.
    virtual bool PreTranslateMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Draws into the window's back buffer, inside the buffer's clip rectangle.
    virtual void Draw();
    // Moves the item to the rectangle's left, top; the size is kept.
    virtual void SetRect(const SkinRect& rect);
    virtual void OnEnableChanged();
    virtual void OnVisibleChanged();

    // ---- state ----
    int32_t GetId() const { return m_nId; }
    bool IsVisible() const { return m_bVisible; }
    // A change redraws the item's rectangle.
    void SetVisible(bool visible);
    // A change is left to the item kind to show (OnEnableChanged).
    void SetEnable(bool enable);
    SkinPoint GetPosition() const { return m_ptPosition; }
    SkinSize GetSize() const { return m_size; }
    SkinRect GetRect() const { return SkinRect::FromPositionSize(m_ptPosition, m_size); }
    // These only store; the caller redraws.
    void SetPosition(int32_t x, int32_t y);
    void SetSize(int32_t width, int32_t height);
    void SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom);

    // A fixed tooltip text, or null to be asked (GetTooltipText) when the tip shows; an added
    // tool is updated at once.
    void SetTooltipText(const char* text);
    // The record the window hands to its tooltip control.
    TTTOOLINFOA& GetToolInfo() { return m_toolInfo; }
    ToolState GetToolState() const { return static_cast<ToolState>(m_toolInfo.lParam); }
    void SetToolState(ToolState state) { m_toolInfo.lParam = static_cast<LPARAM>(state); }

protected:
    ISkinWindowItemAccessor* GetAccessor() const { return m_pAccessor; }
    // Redraws the item's rectangle.
    void _Redraw();

private:
    ISkinWindowItemAccessor* m_pAccessor;
    int32_t m_nId;
    SkinPoint m_ptPosition;
    SkinSize m_size;
    bool m_bVisible;
    bool m_bEnabled;
    TTTOOLINFOA m_toolInfo;
    std::string m_strTooltipText;   // what a fixed text points to
};

// Disposes of an item when it leaves a std::unique_ptr.
struct SkinItemDisposer {
    void operator()(CSkinWindowItem* item) const { item->Dispose(); }
};

} // namespace ui
