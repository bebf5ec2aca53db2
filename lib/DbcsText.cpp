#include "lib/DbcsText.h"

#include <windows.h>

#include <cstring>

namespace lib {

bool IsDbcsLeadByte(unsigned char c)
{
    return c >= 0x80 && IsDBCSLeadByte(c);
}

const char* DbcsFindChar(const char* text, char c)
{
    for (const char* p = text; *p; p += DbcsCharSize(p)) {
        if (*p == c) return p;
    }
    return nullptr;
}

const char* DbcsFindLastChar(const char* text, char c)
{
    const char* last = nullptr;
    for (const char* p = text; *p; p += DbcsCharSize(p)) {
        if (*p == c) last = p;
    }
    return last;
}

const char* DbcsFindString(const char* text, const char* pattern)
{
    const size_t n = std::strlen(pattern);
    if (n == 0) return nullptr;
    for (const char* p = text; *p; p += DbcsCharSize(p)) {
        if (std::strncmp(p, pattern, n) == 0) return p;
    }
    return nullptr;
}

size_t DbcsCutLength(const char* text, size_t maxBytes)
{
    size_t length = 0;
    for (const char* p = text; *p;) {
        const size_t size = DbcsCharSize(p);
        if (length + size > maxBytes) break;
        length += size;
        p += size;
    }
    return length;
}

size_t DbcsCopy(char* dest, size_t size, const char* src)
{
    if (size == 0) return 0;
    const size_t length = DbcsCutLength(src, size - 1);
    std::memcpy(dest, src, length);
    dest[length] = '\0';
    return length;
}

} // namespace lib
