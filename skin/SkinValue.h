#pragma once
// Converters from a keyword's values to points, rectangles, colours and fonts. Numbers are
// read as decimal integers the way atoi reads them (leading blanks, an optional sign, the
// digits up to the first other character; none gives 0). Each converter starts at the value
// `first`; callers check the number of values first, and a value beyond the list reads as
// an empty one.

#include "lib/wfc/DC.h"
#include "skin/SkinDefinition.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ui {

// atoi's reading, clamped to the 32-bit range instead of overflowing.
int32_t SkinValueToInt(const SkinValues& values, size_t index);

// (x, y): Position, Size, MinSize and the like.
POINT ToPoint(const SkinValues& values, size_t first);
// (left, top, right, bottom) as written.
RECT ToRect(const SkinValues& values, size_t first);
// The rectangle at position[0], position[1] of size[0] x size[1].
RECT ToRectFromPositionSize(const SkinValues& position, const SkinValues& size);
// R, G, B, each cut to its low 8 bits.
COLORREF ToColor(const SkinValues& values, size_t first);
// Face, size, weight: the library's default font (its face kept; the face value is not
// read) with lfHeight = -size, lfWidth = 0, lfWeight = weight.
LOGFONTA ToLogFont(const SkinValues& values, size_t first);
// A font from ToLogFont; forceFace makes its face "MS PGothic". Throws lib::wfc::bad_alloc
// when the font cannot be made.
std::unique_ptr<lib::wfc::CFont> CreateSkinFont(const SkinValues& values, size_t first,
                                                bool forceFace);
// Name, left, top, right, bottom.
ImageCut ToImageCut(const SkinValues& values, size_t first);

} // namespace ui
