#pragma once
// A drawn scroll bar inside a skin window, vertical or horizontal: two arrow buttons, a track
// and a proportional thumb, all cut from skin images. It owns no window. Its owner sets the
// range and the position; the bar reports every user action to its window as WM_VSCROLL or
// WM_HSCROLL (through the accessor's SendItemMessage) and never moves itself: the owner
// answers by setting the position.
//
//     CSkinWindowItemScrollBar* bar =
//         window.CreateScrollBar(kBarKey.m_nId, GetSkinBlock(definition, kBarKey.m_strName));
//     bar->SetRange(rowCount - 1, visibleRows);   // last element counted from 0, and the page
//     bar->SetPos(firstVisibleRow);
//
// The notifications (wParam the code, lParam the value):
//     SB_LINEUP    the up (left) button, only while the position is above 0
//     SB_LINEDOWN  the down (right) button, only while the position is below the maximum
//     SB_PAGEUP    the track before the thumb
//     SB_PAGEDOWN  the track after the thumb
//     SB_THUMBPOSITION  the thumb dragged, lParam the new position
// Held buttons and track repeat from the window's tick: 500 ms after the press, then every
// 40 ms; paging stops once the thumb has reached the mouse.

#include "skin/SkinDefinition.h"
#include "skin/SkinWindowItem.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace lib {
namespace wfc {
class CDIB;
}
} // namespace lib

namespace ui {

class SkinImageCache;

// The parts of a bar, also the answers of its hit test. 3 is no part.
enum ScrollBarPart : int32_t {
    SCROLL_PART_NONE = -1,
    SCROLL_PART_UP = 0,            // up or left button
    SCROLL_PART_DOWN = 1,          // down or right button
    SCROLL_PART_THUMB = 2,
    SCROLL_PART_TRACK_BEFORE = 4,  // the track between the up button and the thumb
    SCROLL_PART_TRACK_AFTER = 5,   // the track between the thumb and the down button
};

// How a part is drawn: the index of its image among the four of its kind.
enum ScrollBarPartState : int32_t {
    SCROLL_STATE_NORMAL = 0,
    SCROLL_STATE_HOT = 1,
    SCROLL_STATE_PRESSED = 2,
    SCROLL_STATE_PRESSED_HOT = 3,
};

class CSkinWindowItemScrollBar : public CSkinWindowItem {
public:
    // Checks the block against the scroll bar's keyword table and reads it; the images are
    // taken into the cache (null: none taken, nothing drawn). A Type other than "V" or "H"
    // raises the skin error.
    CSkinWindowItemScrollBar(ISkinWindowItemAccessor* accessor, int32_t id,
                             const SkinBlock& block, SkinImageCache* cache);
    ~CSkinWindowItemScrollBar() override;

    // `last`: the number of the last line counted from 0. A page below 1 counts as 1; the
    // maximum position becomes last - page + 1 (0 when everything fits) and the position is
    // cut to it.
    void SetRange(int32_t last, int32_t page);
    // Cut to 0 .. the maximum position.
    void SetPos(int32_t position);
    int32_t GetPos() const { return m_nPos; }
    // The maximum position and the page.
    void GetRange(int32_t* maxPos, int32_t* page) const;
    int32_t GetMaxPos() const { return m_nMaxPos; }
    bool IsHorizontal() const { return m_bHorizontal; }

    // The part under a point relative to the item, in the order up button, down button,
    // thumb, track before, track after; SCROLL_PART_NONE elsewhere.
    int32_t HitTest(int32_t x, int32_t y);
    // A part's rectangle relative to the item (empty when the part has no room); a disabled
    // bar's thumb fills the track.
    SkinRect GetPartRect(int32_t part);
    // The look the part is drawn in.
    ScrollBarPartState GetPartState(int32_t part);

    // ---- item slots ----
    // Enabled, and something to scroll (a maximum position above 0).
    bool IsEnabled() override;
    void OnMouseMove(int x, int y) override;
    bool OnLButtonDown(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnMouseLeave() override;
    void OnTick(DWORD tick) override;
    void Draw() override;
    void OnEnableChanged() override;

protected:
    // The millisecond clock of presses and re-entries; a test steps it by hand.
    virtual uint32_t _GetTickCount() const;

private:
    // Where the parts lie along the bar's axis (offsets from the item's start) and the
    // thumb across it.
    struct Layout {
        int32_t m_nUpEnd;
        int32_t m_nDownStart;
        int32_t m_nTrackStart;
        int32_t m_nTrackEnd;
        int32_t m_nThumbStart;
        int32_t m_nThumbEnd;
        int32_t m_nThumbAcrossStart;
        int32_t m_nThumbAcrossEnd;
        int32_t m_nUsable;   // the thumb's travel, at least 1
    };

    void LoadFromBlock(const SkinBlock& block, SkinImageCache* cache);
    // The parts for the position (the thumb's place depends on it).
    Layout _GetLayout(int32_t position);
    SkinRect _PartRect(const Layout& layout, int32_t part) const;
    // A rectangle from spans along and across the axis.
    SkinRect _MakeRect(int32_t alongStart, int32_t alongEnd, int32_t acrossStart,
                       int32_t acrossEnd) const;
    int32_t _Along(int32_t x, int32_t y) const { return m_bHorizontal ? x : y; }
    int32_t _AlongSize(const RECT& rect) const;
    int32_t _AcrossSize(const RECT& rect) const;
    int32_t _ItemAlong() const;
    int32_t _ItemAcross() const;

    void _Move(int32_t x, int32_t y);
    // One action of a held part: a line, or a page unless the thumb reached the mouse.
    void _Act(int32_t part);
    void _Drag(int32_t along);
    void _Notify(WORD code, int32_t value);
    void _Redraw();

    void _DrawBase(lib::wfc::CDIB& buffer, const SkinRect& item);
    void _DrawButton(lib::wfc::CDIB& buffer, const SkinRect& item, const Layout& layout,
                     int32_t part);
    void _DrawThumb(lib::wfc::CDIB& buffer, const SkinRect& item, const Layout& layout);
    // The image's whole cut at (x, y) of the buffer, unscaled, key colour left out.
    void _DrawCut(lib::wfc::CDIB& buffer, const ImageCut& image, int32_t x, int32_t y);
    // `length` rows (columns) of the cut from `sourceStart` on, to `along` of the item's axis
    // and `across` beside it; the cut's full width (height) across.
    void _CopyAlong(lib::wfc::CDIB& buffer, const lib::wfc::CDIB& picture, const SkinRect& item,
                    const RECT& cut, int32_t sourceStart, int32_t length, int32_t along,
                    int32_t across);
    // Fills `length` from `along` with copies of the cut's rows (columns) sourceStart ..
    // sourceStart + sourceLength.
    void _TileAlong(lib::wfc::CDIB& buffer, const lib::wfc::CDIB& picture, const SkinRect& item,
                    const RECT& cut, int32_t sourceStart, int32_t sourceLength, int32_t along,
                    int32_t length, int32_t across);

    bool m_bHorizontal;
    int32_t m_nPos;
    int32_t m_nMaxPos;
    int32_t m_nPage;
    int32_t m_nCapturePart;
    int32_t m_nPressPart;    // the captured part while the mouse is over it
    int32_t m_nHotPart;      // the part under the mouse while nothing is captured
    bool m_bRepeat;          // a repeat is due at m_dwNextRepeat
    uint32_t m_dwNextRepeat;
    int32_t m_nPressPos;
    int32_t m_nPressAlong;   // the mouse along the axis at the press
    int32_t m_nLastAlong;    // ... while a track part is held

    SkinImageCache* m_pImageCache;   // the window's; not owned
    // Up button, down button, thumb; four looks each (ScrollBarPartState).
    ImageCut m_aPartImage[12];
    // Up, down, disabled up, disabled down.
    ImageCut m_aGlyph[4];
    ImageCut m_baseImage;
    int32_t m_nBaseStartCap;
    int32_t m_nBaseEndCap;
    int32_t m_nThumbStart;
    int32_t m_nThumbMiddle;
    int32_t m_nThumbEnd;
};

} // namespace ui
