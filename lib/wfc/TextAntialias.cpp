#include "lib/wfc/TextAntialias.h"

#include "lib/DbcsText.h"
#include "lib/TolveLog.h"

#include <mbctype.h>

#include <algorithm>
#include <new>

namespace lib {
namespace wfc {

namespace {

const MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
const size_t kInitialGlyphBuffer = 1024;
const int kGrayLevels = 64; // GGO_GRAY8_BITMAP gives 0 .. 64

bool IsLineBreak(UINT code)
{
    return code == '\r' || code == '\n';
}

} // namespace

UINT _NextMBChar(const char** cursor)
{
    const char* p = *cursor;
    size_t size = lib::DbcsCharSize(p);
    if (size == 0) return 0;
    // A lead byte pairs only with a real trail byte, so that in damaged text a line break
    // after a stray lead byte still breaks the line instead of vanishing into a bad code.
    if (size == 2 && !_ismbbtrail(static_cast<unsigned char>(p[1]))) size = 1;
    *cursor = p + size;
    const auto lead = static_cast<unsigned char>(p[0]);
    if (size == 1) return lead;
    return (static_cast<UINT>(lead) << 8) | static_cast<unsigned char>(p[1]);
}

bool _MeasureTextLines(HDC dc, const char* text, int lineHeight, bool multiLine, SIZE* size,
                       std::vector<int32_t>* lineWidths, int* lineCount)
{
    lineWidths->assign(1, 0);
    const char* cursor = text;
    for (UINT code = _NextMBChar(&cursor); code != 0; code = _NextMBChar(&cursor)) {
        if (multiLine && code == '\r') continue;
        if (multiLine && code == '\n') {
            lineWidths->push_back(0);
            continue;
        }
        GLYPHMETRICS metrics = {};
        if (::GetGlyphOutlineA(dc, code, GGO_METRICS, &metrics, 0, nullptr, &kIdentity) ==
            GDI_ERROR) {
            TOLVE_LOG(LOG_ERROR, "GetGlyphOutline(GGO_METRICS) ERR:0x%08lX CODE:0x%X", GetLastError(),
                      code);
            return false;
        }
        lineWidths->back() += metrics.gmCellIncX;
    }
    *lineCount = static_cast<int>(lineWidths->size());
    size->cx = *std::max_element(lineWidths->begin(), lineWidths->end());
    size->cy = lineHeight * *lineCount;
    return true;
}

bool DrawTextAntialias(HDC dc, const BITMAPINFOHEADER* header, void* bits,
                       const DrawTextAntialiasParams* params)
{
    if (dc == nullptr || header == nullptr || bits == nullptr || params == nullptr ||
        params->text == nullptr || params->rect == nullptr) {
        return false;
    }
    const UINT format = params->format;
    if ((format & ~kDrawTextAntialiasFormats) != 0) return false;
    const UINT horizontal = format & 3;
    UINT vertical = format & 12;
    if (horizontal == 3 || vertical == 12) return false;
    if (header->biPlanes != 1 || header->biBitCount != 24 || header->biHeight < 0 ||
        header->biWidth <= 0) {
        return false;
    }
    const bool multiLine = (format & DT_SINGLELINE) == 0;
    if (multiLine) vertical = DT_TOP;

    RECT& rect = *params->rect;
    const int dibWidth = header->biWidth;
    const int dibHeight = header->biHeight;
    RECT visible = {0, 0, dibWidth, dibHeight};
    if (params->clip != nullptr && !::IntersectRect(&visible, &visible, params->clip)) return true;
    if ((format & DT_NOCLIP) == 0 && !::IntersectRect(&visible, &visible, &rect)) return true;

    TEXTMETRICA tm = {};
    if (!::GetTextMetricsA(dc, &tm)) {
        TOLVE_LOG(LOG_ERROR, "GetTextMetrics ERR:0x%08lX", GetLastError());
        return false;
    }
    const int lineHeight =
        tm.tmHeight + ((format & DT_EXTERNALLEADING) != 0 ? tm.tmExternalLeading : 0);
    SIZE textSize = {};
    std::vector<int32_t> lineWidths;
    int lineCount = 0;
    try {
        if (!_MeasureTextLines(dc, params->text, lineHeight, multiLine, &textSize, &lineWidths,
                               &lineCount)) {
            return false;
        }
    } catch (const std::bad_alloc&) {
        TOLVE_LOG(LOG_ERROR, "文字列の行幅を確保できません");
        return false;
    }
    const int rectWidth = rect.right - rect.left;
    const int rectHeight = rect.bottom - rect.top;

    if ((format & DT_CALCRECT) != 0) {
        rect.right = rect.left + textSize.cx;
        if (vertical == DT_VCENTER) {
            rect.bottom = rect.top + (rectHeight - textSize.cy) / 2 + textSize.cy;
        } else if (vertical == DT_BOTTOM) {
            rect.bottom = rect.top + std::max<int>(rectHeight, textSize.cy);
        } else {
            rect.bottom = rect.top + textSize.cy;
        }
        return true;
    }

    int penY = rect.top;
    if (vertical == DT_VCENTER) penY = rect.top + (rectHeight - textSize.cy) / 2;
    if (vertical == DT_BOTTOM) penY = rect.top + rectHeight - textSize.cy;
    auto lineStartX = [&](int line) -> int {
        const int width = lineWidths[static_cast<size_t>(line)];
        if (horizontal == DT_CENTER) return rect.left + (rectWidth - width) / 2;
        if (horizontal == DT_RIGHT) return rect.left + rectWidth - width;
        return rect.left;
    };

    const COLORREF color = ::GetTextColor(dc);
    const int target[3] = {GetBValue(color), GetGValue(color), GetRValue(color)};
    const size_t rowBytes = (static_cast<size_t>(dibWidth) * 3 + 3) & ~static_cast<size_t>(3);
    auto* pixels = static_cast<uint8_t*>(bits);
    std::vector<uint8_t> glyph;
    try {
        glyph.resize(kInitialGlyphBuffer);
    } catch (const std::bad_alloc&) {
        return false;
    }

    int line = 0;
    int penX = lineStartX(0);
    const char* cursor = params->text;
    for (UINT code = _NextMBChar(&cursor); code != 0; code = _NextMBChar(&cursor)) {
        if (multiLine && IsLineBreak(code)) {
            if (code == '\n') {
                ++line;
                penX = lineStartX(line);
                penY += lineHeight;
            }
            continue;
        }
        GLYPHMETRICS metrics = {};
        const DWORD needed =
            ::GetGlyphOutlineA(dc, code, GGO_GRAY8_BITMAP, &metrics, 0, nullptr, &kIdentity);
        if (needed == GDI_ERROR) {
            TOLVE_LOG(LOG_ERROR, "GetGlyphOutline(GGO_GRAY8_BITMAP) ERR:0x%08lX CODE:0x%X",
                      GetLastError(), code);
            return false;
        }
        // A glyph without pixels (a space) only moves the pen.
        const size_t stride = (static_cast<size_t>(metrics.gmBlackBoxX) + 3) & ~static_cast<size_t>(3);
        if (needed > 0 && metrics.gmBlackBoxX > 0) {
            if (needed > glyph.size()) {
                try {
                    glyph.resize(needed);
                } catch (const std::bad_alloc&) {
                    TOLVE_LOG(LOG_ERROR, "グリフの領域を確保できません SIZE:%lu", needed);
                    return false;
                }
            }
            if (::GetGlyphOutlineA(dc, code, GGO_GRAY8_BITMAP, &metrics, needed, glyph.data(),
                                   &kIdentity) == GDI_ERROR) {
                TOLVE_LOG(LOG_ERROR, "GetGlyphOutline(GGO_GRAY8_BITMAP) ERR:0x%08lX CODE:0x%X",
                          GetLastError(), code);
                return false;
            }
            const size_t rows = std::min<size_t>(needed / stride, metrics.gmBlackBoxY);
            const int originX = penX + metrics.gmptGlyphOrigin.x;
            const int originY = penY + tm.tmAscent - metrics.gmptGlyphOrigin.y;
            for (size_t j = 0; j < rows; ++j) {
                const uint8_t* source = glyph.data() + j * stride;
                for (size_t i = 0; i < metrics.gmBlackBoxX; ++i) {
                    const int g = std::min<int>(source[i], kGrayLevels);
                    if (g == 0) continue;
                    const int level = (g * 255) >> 6;
                    const POINT at = {originX + static_cast<int>(i), originY + static_cast<int>(j)};
                    if (!::PtInRect(&visible, at)) continue;
                    uint8_t* d = pixels + static_cast<size_t>(dibHeight - at.y - 1) * rowBytes +
                                 static_cast<size_t>(at.x) * 3;
                    for (int k = 0; k < 3; ++k) {
                        d[k] = static_cast<uint8_t>(d[k] + (((target[k] - d[k]) * (level + 1)) >> 8));
                    }
                }
            }
        }
        penX += metrics.gmCellIncX;
    }
    return true;
}

bool DrawTextAntialias(HDC dc, CDIB& dib, int /*fontHeight*/, const char* text, RECT* rect,
                       UINT format, const RECT* clip)
{
    DrawTextAntialiasParams params = {text, rect, format, clip};
    return DrawTextAntialias(dc, dib.GetInfoHeader(), dib.GetBits(), &params);
}

} // namespace wfc
} // namespace lib
