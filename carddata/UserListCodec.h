#pragma once
// Scrambling of the lines of "UserList.info": every byte of a plain line becomes four
// hexadecimal digits (the two "%02X" digits of the byte, each printed again with "%02X",
// optionally after swapping the nibbles of its character code), so that the file cannot be
// read or edited casually. There is no key. The user list passes swap = true both ways.

#include <cstdint>

// Scrambles the zero-terminated `text` into `out`. `size` is the size of `out` in bytes;
// when it is below 4 x length + 1, `size` receives that figure, the last error is
// ERROR_INSUFFICIENT_BUFFER and `out` is left untouched.
bool ScrambleUserListLine(const char* text, char* out, uint32_t& size, bool swap);

// The inverse. Fails with ERROR_INVALID_PARAMETER for a length that is not a multiple of
// 4 (before any size test), with ERROR_INSUFFICIENT_BUFFER (and `size` set to
// length / 4 + 1) for a small `out`, and with ERROR_INVALID_DATA for a character that is
// not a hexadecimal digit; after that last failure `out` holds unterminated garbage.
// Either letter case is accepted.
bool UnscrambleUserListLine(const char* text, char* out, uint32_t& size, bool swap);

// Prints the value with "%X" and reads the printed digits as a decimal number up to the
// first character that is not a decimal digit: 0x2010 gives 2010, 0x20AB gives 20 and
// 0xC gives 0.
int32_t HexDigitsAsDecimal(uint32_t value);
