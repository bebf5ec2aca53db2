#pragma once
// The skin window that every application window uses: its background is a nine-grid of the
// skin image, so that one small picture frames the window at any size; the user resizes it
// by dragging its border and corners, which the window does itself with the mouse capture;
// and its anchored items (skin/LayoutManager.h) follow each new size.
//
// Its block adds to the skin window's keywords:
//     BorderWidth = 4;               // the band along the edges that resizes
//     DivPoint = 16, 40, 304, 184;   // x0, y0, x1, y1: the inner lines of the nine-grid
//     MinSize = 240, 0;              // non-zero values replace the corners' size
//     LayoutSize = 320, 200;         // the size the items' positions were written for
//
// Resize zones: a client point lies in one of them, by bands of the border width along the
// edges and 16-pixel corners (none when the border width is 0).

#include "skin/LayoutManager.h"
#include "skin/ResizableDIBHelper.h"
#include "skin/SkinWindow.h"

#include <windows.h>

#include <cstdint>

namespace ui {

enum ResizeZone : int32_t {
    ZONE_TOP_LEFT = 0,
    ZONE_TOP = 1,
    ZONE_TOP_RIGHT = 2,
    ZONE_LEFT = 3,
    ZONE_CLIENT = 4,
    ZONE_RIGHT = 5,
    ZONE_BOTTOM_LEFT = 6,
    ZONE_BOTTOM = 7,
    ZONE_BOTTOM_RIGHT = 8,
    ZONE_CAPTION = 10,
    ZONE_OUTSIDE = 11,
};

// The corners' size along the edges when the border width is not 0.
const int32_t kResizeCornerSize = 16;

class CResizableSkinWindow : public CSkinWindow,
                             public CLayoutManager,
                             public CResizableDIBHelper {
public:
    CResizableSkinWindow();
    ~CResizableSkinWindow() override;

    // ---- window messages ----
    bool OnSetCursor(LPARAM lParam) override;
    void OnMouseMove(UINT keys, int x, int y) override;
    void OnLButtonDown(UINT keys, int x, int y) override;
    void OnLButtonUp(UINT keys, int x, int y) override;
    // A drag whose capture is taken away ends where its last move left the window.
    void OnCaptureChanged(HWND gaining) override;
    bool OnSizing(UINT edge, RECT* rect) override;
    LRESULT OnNcHitTest(int x, int y) override;
    void OnExitSizeMove() override;

    // ---- the skin window's operations ----
    // The "LayoutSize".
    SkinSize GetDesignSize() override;
    // The larger of the minimum size and the design size.
    RECT GetMinTrackRect() override;
    void ApplySkin(const SkinBlock& block) override;
    // Drops the anchors first.
    void DeleteAllItems() override;
    // The image as a nine-grid over the whole buffer.
    void DrawBackground(int x, int y, lib::wfc::CDIB& buffer, CSkinImageRef& image,
                        const RECT* clip) override;
    // Lays the items out for the size, then rebuilds the buffer.
    bool UpdateBuffer(UINT type, int width, int height) override;
    // The layout manager's lookup is the window's.
    CSkinWindowItem* GetItemById(int32_t id) override;

    // ---- own ----
    // Off: no border dragging, and hit testing is the skin window's.
    void SetResizable(bool resizable) { m_bResizable = resizable; }
    bool IsResizable() const { return m_bResizable; }
    void SetLayoutSize(int32_t width, int32_t height);
    // The zone of a client point: ZONE_CLIENT over an item, else by the bands.
    int32_t HitTestResizeZone(int32_t x, int32_t y);

    int32_t GetBorderWidth() const { return m_nBorderWidth; }
    SkinSize GetMinSize() const { return m_sizeMin; }
    const NineGridCells& GetBackgroundCells() const { return m_backgroundCells; }
    bool IsDragging() const { return m_nDragZone != ZONE_OUTSIDE; }

    // ---- the rules, on their own ----
    // The zone of a point by the bands of the client rectangle alone.
    static int32_t ResizeZoneAt(int32_t x, int32_t y, const RECT& client, int32_t borderWidth,
                                int32_t captionHeight);
    static bool IsResizeZone(int32_t zone);
    // The size cursor (IDC_...) of a zone, null for zones that resize nothing.
    static LPCSTR ResizeCursorOf(int32_t zone);
    // The WMSZ_ code of a zone, 0 for zones that resize nothing.
    static UINT SizingEdgeOf(int32_t zone);
    // For a drag of `zone` started on `start`, keeping `minimum`: greatest left (left),
    // greatest top (top), smallest right (right), smallest bottom (bottom).
    static RECT DragLimits(int32_t zone, const RECT& start, SkinSize minimum);
    // The start rectangle with the zone's edges moved by (dx, dy), kept within the limits.
    static RECT DraggedRect(int32_t zone, const RECT& start, int32_t dx, int32_t dy,
                            const RECT& limits);

private:
    // One step of the drag to the message's client point.
    void _DragTo(int x, int y);
    // The drag is over: the zone is cleared before the capture goes.
    void _EndDrag(bool releaseCapture);

    int32_t m_nBorderWidth;
    NineGridCells m_backgroundCells;
    SkinSize m_sizeMin;
    SkinSize m_sizeDesign;
    int32_t m_nDragZone;
    POINT m_ptDragStart;     // screen
    RECT m_rcDragStart;      // window rectangle at the press
    RECT m_rcDragLimit;      // DragLimits
    bool m_bResizable;
};

} // namespace ui
