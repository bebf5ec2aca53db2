#pragma once
// A 24-bit picture as a PNG file, for the gallery's pictures. Pixels of the key colour show
// as a grey checkerboard, so a shaped window's outline stays visible in any viewer.

#include "lib/wfc/DIB.h"

#include <windows.h>

#include <string>

namespace gallery {

// The checkerboard's two greys and the side of its squares.
const COLORREF kBackdropLight = RGB(0xE9, 0xEC, 0xEF);
const COLORREF kBackdropDark = RGB(0xC8, 0xCD, 0xD3);
const int kBackdropSquare = 8;

// The bytes of the PNG (8-bit RGB, no interlace); empty for anything but a 24-bit image.
std::string EncodePng(const lib::wfc::CDIB& picture, COLORREF key);
// Writes EncodePng's bytes to the file; false when there is nothing to write or it fails.
bool WritePng(const std::string& path, const lib::wfc::CDIB& picture, COLORREF key);

} // namespace gallery
