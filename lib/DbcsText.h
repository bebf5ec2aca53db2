#pragma once
// Walking narrow text in the ANSI code page (932): a lead byte and the byte after it are
// one character. Every scanner of the library steps through text with these helpers, so a
// trail byte (0x5C '\\' and 0x22 '"' among them) never counts as a separator and a lead
// byte right before the terminator never makes a walk step past it.

#include <cstddef>

namespace lib {

bool IsDbcsLeadByte(unsigned char c);

// Bytes of the character at p: 0 at the terminator, 2 for a lead byte followed by a
// non-NUL byte, otherwise 1.
inline size_t DbcsCharSize(const char* p)
{
    if (*p == '\0') return 0;
    if (IsDbcsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') return 2;
    return 1;
}

// As DbcsCharSize, for a counted text that need not be terminated: a lead byte as the
// last of the `remaining` bytes is one character.
inline size_t DbcsCharSizeN(const char* p, size_t remaining)
{
    if (remaining == 0) return 0;
    if (remaining >= 2 && IsDbcsLeadByte(static_cast<unsigned char>(*p))) return 2;
    return 1;
}

// First and last occurrence of a single-byte character, never matching a trail byte.
const char* DbcsFindChar(const char* text, char c);
const char* DbcsFindLastChar(const char* text, char c);

// First occurrence of `pattern` (non-empty) that starts on a character boundary.
const char* DbcsFindString(const char* text, const char* pattern);

// The longest length of at most `maxBytes` of the terminated text that ends on a character
// boundary (never beyond the terminator).
size_t DbcsCutLength(const char* text, size_t maxBytes);

// Copies at most size - 1 bytes into dest without splitting a character and terminates it;
// gives the length copied. Nothing happens when size is 0.
size_t DbcsCopy(char* dest, size_t size, const char* src);

} // namespace lib
