#pragma once
// Text drawn straight into the pixels of a 24-bit bottom-up DIB with smooth edges: each
// glyph's 65-level grey outline bitmap blended with the device context's text colour. Lays
// text out like a small part of DrawTextA (left, centre or right; top, middle or bottom;
// one or several lines; measuring only). Text is in the ANSI code page (932).

#include "lib/wfc/DIB.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace lib {
namespace wfc {

struct DrawTextAntialiasParams {
    const char* text;  // required
    RECT* rect;        // required; written back with DT_CALCRECT
    UINT format;       // DT_ flags of kDrawTextAntialiasFormats only
    const RECT* clip;  // extra clip rectangle in DIB coordinates, or null
};

// DT_LEFT, DT_CENTER, DT_RIGHT, DT_TOP, DT_VCENTER, DT_BOTTOM, DT_SINGLELINE, DT_NOCLIP,
// DT_EXTERNALLEADING and DT_CALCRECT.
const UINT kDrawTextAntialiasFormats = 0x72F;

// dc gives the selected font and the text colour. True when the text was drawn or measured,
// or nothing of it was visible; false, before drawing anything, for an argument or format it
// does not handle (the caller then draws with DrawTextA), and false when a glyph call fails
// (the glyphs drawn so far stay). Never throws.
bool DrawTextAntialias(HDC dc, const BITMAPINFOHEADER* header, void* bits,
                       const DrawTextAntialiasParams* params);
// The skin items' form. The selected font decides the layout, so fontHeight is not read.
bool DrawTextAntialias(HDC dc, CDIB& dib, int fontHeight, const char* text, RECT* rect,
                       UINT format, const RECT* clip);

// The character at *cursor as the glyph functions take it ((lead << 8) | trail for a double-
// byte character), advancing the cursor; 0 at the end of the text.
UINT _NextMBChar(const char** cursor);
// Widths of the text's lines and the size of the whole text; false when a glyph call fails.
bool _MeasureTextLines(HDC dc, const char* text, int lineHeight, bool multiLine, SIZE* size,
                       std::vector<int32_t>* lineWidths, int* lineCount);

} // namespace wfc
} // namespace lib
