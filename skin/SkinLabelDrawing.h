#pragma once
// Drawing that several item kinds share: a part of a cached skin image laid centred on an
// area (the button's check and overlay marks, the button list view's labels), and a caption
// drawn antialiased with DrawTextA as its fallback (the buttons' texts).
//
//     SkinImagePart mark = {"CHECK.PNG", {0, 0, 16, 16}};
//     DrawCenteredImagePart(face, area, cache, mark, 0, 0, !IsEnabled());

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

} // namespace ui
