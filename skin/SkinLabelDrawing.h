#pragma once
// Drawing that several item kinds share: a part of a cached skin image laid centred on an
// area (the button's check and overlay marks, the button list view's labels), a caption
// drawn antialiased with DrawTextA as its fallback (the buttons' texts), and a device context
// for GDI drawing into a window's back buffer.
//
//     SkinImagePart mark = {"CHECK.PNG", {0, 0, 16, 16}};
//     DrawCenteredImagePart(face, area, cache, mark, 0, 0, !IsEnabled());

#include "lib/wfc/DC.h"
#include "lib/wfc/DIB.h"
#include "skin/SkinImageCache.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

// A part of a cached image: the image's name as the skin writes it and the source rectangle
// in it. A part without a name draws nothing.
struct SkinImagePart {
    std::string m_strFile;
    RECT m_rcSource;

    bool HasFile() const { return !m_strFile.empty(); }
    int32_t Width() const { return m_rcSource.right - m_rcSource.left; }
    int32_t Height() const { return m_rcSource.bottom - m_rcSource.top; }
};

// Copies the part centred on `area` of `target` (integer halves), moved by (dx, dy), only
// inside `area` and the target's clip rectangle; the part's key-colour pixels leave the
// target as it was. With `gray` the part is drawn in the computed disabled look: each pixel's
// grey, brightened by 40 per cent. The image's lock is held only while it is copied.
void DrawCenteredImagePart(lib::wfc::CDIB& target, const RECT& area, SkinImageCache& cache,
                           const SkinImagePart& part, int dx, int dy, bool gray);

// Draws the text into `dib`, which `dc` has selected together with the font and the text
// colour (transparent background): antialiased when asked and the renderer can, otherwise
// with DrawTextA and DT_NOPREFIX, its rectangle one pixel wider when its width is odd.
void DrawSkinCaption(HDC dc, lib::wfc::CDIB& dib, int fontHeight, const std::string& text,
                     const RECT& rect, UINT format, bool antialias);

// A memory device context with the buffer selected, its GDI drawing kept inside the buffer's
// clip rectangle as every item's drawing must be (outside it the window did not redraw what
// lies beneath), text drawn transparent, in the font when one is given. It flushes GDI when it
// goes, so the buffer's bits may be touched again.
class CSkinBufferDC {
public:
    CSkinBufferDC(lib::wfc::CDIB& buffer, const LOGFONTA* logFont);
    ~CSkinBufferDC();

    CSkinBufferDC(const CSkinBufferDC&) = delete;
    CSkinBufferDC& operator=(const CSkinBufferDC&) = delete;

    HDC GetHDC() const { return m_saver.GetHDC(); }

private:
    lib::wfc::CFont m_font;   // none without a font; outlives its selection
    lib::wfc::CMemDC m_memory;
    lib::wfc::CDCStateSaver m_saver;
};

} // namespace ui
