#include "carddata/UserListCodec.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// Exchanges the two 4-bit halves of a character code: '4' (0x34) becomes 0x43.
inline unsigned char SwapNibbles(unsigned char c)
{
    return static_cast<unsigned char>((c << 4) | (c >> 4));
}

// The value of a hexadecimal digit of either case, or -1.
inline int HexValue(unsigned char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

bool ScrambleUserListLine(const char* text, char* out, uint32_t& size, bool swap)
{
    const size_t length = std::strlen(text);
    // A line this long cannot be sized in 32 bits; no caller comes near it.
    if (length > (UINT32_MAX - 1) / 4) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const uint32_t needed = static_cast<uint32_t>(length * 4 + 1);
    if (size < needed) {
        size = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    char* p = out;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        unsigned char h1 = static_cast<unsigned char>(kHexDigits[b >> 4]);
        unsigned char h2 = static_cast<unsigned char>(kHexDigits[b & 0x0F]);
        if (swap) {
            h1 = SwapNibbles(h1);
            h2 = SwapNibbles(h2);
        }
        *p++ = kHexDigits[h1 >> 4];
        *p++ = kHexDigits[h1 & 0x0F];
        *p++ = kHexDigits[h2 >> 4];
        *p++ = kHexDigits[h2 & 0x0F];
    }
    *p = '\0';
    return true;
}

bool UnscrambleUserListLine(const char* text, char* out, uint32_t& size, bool swap)
{
    const size_t length = std::strlen(text);
    if (length % 4 != 0 || length / 4 >= UINT32_MAX) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const uint32_t needed = static_cast<uint32_t>(length / 4 + 1);
    if (size < needed) {
        size = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    const unsigned char* group = reinterpret_cast<const unsigned char*>(text);
    char* p = out;
    for (size_t i = 0; i < length; i += 4, group += 4) {
        const int v0 = HexValue(group[0]);
        const int v1 = HexValue(group[1]);
        const int v2 = HexValue(group[2]);
        const int v3 = HexValue(group[3]);
        if (v0 < 0 || v1 < 0 || v2 < 0 || v3 < 0) {
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
        // 8-bit arithmetic: the rebuilt codes are the scrambler's digit characters.
        const unsigned char h1 =
            static_cast<unsigned char>(swap ? (v1 << 4) | v0 : (v0 << 4) | v1);
        const unsigned char h2 =
            static_cast<unsigned char>(swap ? (v3 << 4) | v2 : (v2 << 4) | v3);
        const int high = HexValue(h1);
        const int low = HexValue(h2);
        if (high < 0 || low < 0) {
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
        *p++ = static_cast<char>((high << 4) | low);
    }
    *p = '\0';
    return true;
}

int32_t HexDigitsAsDecimal(uint32_t value)
{
    char text[9] = {};
    std::snprintf(text, sizeof text, "%X", value);
    int32_t result = 0;
    // At most eight decimal digits: the sum stays far below the 32-bit limit.
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p) result = result * 10 + (*p - '0');
    return result;
}
