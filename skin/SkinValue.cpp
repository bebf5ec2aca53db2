#include "skin/SkinValue.h"

#include "lib/DbcsText.h"

#include <cctype>
#include <climits>

namespace ui {

namespace {

const char kForcedFace[] = "MS PGothic";

// atoi without its undefined overflow: the digits are summed in 64 bits and clamped.
int32_t ReadInt(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<int64_t>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int32_t>(value);
}

} // namespace

int32_t SkinValueToInt(const SkinValues& values, size_t index)
{
    return index < values.size() ? ReadInt(values[index]) : 0;
}

POINT ToPoint(const SkinValues& values, size_t first)
{
    POINT point;
    point.x = SkinValueToInt(values, first);
    point.y = SkinValueToInt(values, first + 1);
    return point;
}

RECT ToRect(const SkinValues& values, size_t first)
{
    RECT rect;
    rect.left = SkinValueToInt(values, first);
    rect.top = SkinValueToInt(values, first + 1);
    rect.right = SkinValueToInt(values, first + 2);
    rect.bottom = SkinValueToInt(values, first + 3);
    return rect;
}

RECT ToRectFromPositionSize(const SkinValues& position, const SkinValues& size)
{
    const POINT origin = ToPoint(position, 0);
    const POINT extent = ToPoint(size, 0);
    RECT rect;
    rect.left = origin.x;
    rect.top = origin.y;
    // Wraps like the 32-bit sums Windows rectangles are made of, without overflowing.
    rect.right = static_cast<LONG>(static_cast<uint32_t>(origin.x) + static_cast<uint32_t>(extent.x));
    rect.bottom = static_cast<LONG>(static_cast<uint32_t>(origin.y) + static_cast<uint32_t>(extent.y));
    return rect;
}

COLORREF ToColor(const SkinValues& values, size_t first)
{
    const uint32_t r = static_cast<uint32_t>(SkinValueToInt(values, first)) & 0xFF;
    const uint32_t g = static_cast<uint32_t>(SkinValueToInt(values, first + 1)) & 0xFF;
    const uint32_t b = static_cast<uint32_t>(SkinValueToInt(values, first + 2)) & 0xFF;
    return r | g << 8 | b << 16;
}

LOGFONTA ToLogFont(const SkinValues& values, size_t first)
{
    LOGFONTA font;
    lib::wfc::GetDefaultLogFont(&font);
    const int32_t size = SkinValueToInt(values, first + 1);
    font.lfHeight = size == INT_MIN ? INT_MAX : -size;
    font.lfWidth = 0;
    font.lfWeight = SkinValueToInt(values, first + 2);
    return font;
}

std::unique_ptr<lib::wfc::CFont> CreateSkinFont(const SkinValues& values, size_t first,
                                                bool forceFace)
{
    LOGFONTA font = ToLogFont(values, first);
    if (forceFace) lib::DbcsCopy(font.lfFaceName, sizeof font.lfFaceName, kForcedFace);
    return std::unique_ptr<lib::wfc::CFont>(new lib::wfc::CFont(&font));
}

ImageCut ToImageCut(const SkinValues& values, size_t first)
{
    ImageCut cut;
    cut.m_strName = first < values.size() ? values[first] : std::string();
    cut.m_rcCut = ToRect(values, first + 1);
    return cut;
}

} // namespace ui
