#pragma once
// Reading a skin text from the resources (type "SKIN", named by file name) into wide
// lines. A text starting with the bytes FF FE is UTF-16 (little-endian); any other is in
// the ANSI code page. Lines end at CR LF only.

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace ui {

// The lines of a text given by its bytes, converted by length, never as terminated text:
// after a UTF-16 mark (size - 2) / 2 characters are read and a trailing odd byte is ignored.
// A NUL ends its line (the rest of that line is dropped; later lines are read). An empty
// piece after the last CR LF is not a line.
std::vector<std::wstring> SplitSkinText(const void* bytes, size_t size);

// The lines of the resource; a missing or empty one raises "skin file open error".
std::vector<std::wstring> ReadSkinResource(const char* fileName, HMODULE module);

} // namespace ui
