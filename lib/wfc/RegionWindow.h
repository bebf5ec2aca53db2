#pragma once
// Shaped windows: a window region made of every pixel of an image area that is not the key
// colour, and the window that takes such a region.

#include "lib/wfc/DIB.h"
#include "lib/wfc/Window.h"

#include <windows.h>

namespace lib {
namespace wfc {

class CRegionWindow : public CWindow {
public:
    CRegionWindow() = default;
    ~CRegionWindow() override = default;

    // The pixels of the area (left, top)-(right, bottom) whose colour differs from key, in
    // coordinates relative to the area's top-left corner; one rectangle per run of a row.
    // The part of the area outside the image counts as key colour. The caller owns the
    // region. Throws lib::wfc::bad_alloc when no region can be made.
    static HRGN CreateRegionFromDIB(const CDIB& dib, int left, int top, int right, int bottom,
                                    COLORREF key);
    static HRGN CreateRegionFromDIB(const CDIB& dib, const RECT& area, COLORREF key);

    // Gives the window its own copy of the region (null removes the shape) and repaints it;
    // the caller keeps its region.
    void SetWindowRegion(HRGN region);
};

// A new copy of a region, owned by the caller. Throws lib::wfc::bad_alloc when no region
// can be made.
HRGN CopyRgn(HRGN region);

} // namespace wfc
} // namespace lib
