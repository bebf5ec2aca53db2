#pragma once
// String helpers over std::string (ANSI code page text) and std::wstring (UTF-16).

#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

namespace lib {

// printf into a string; a formatting error gives an empty text.
std::string FormatString(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
std::string FormatStringV(const char* format, va_list args);

// Replaces every occurrence of `what`, continuing after the inserted text. An empty
// `what` leaves the text unchanged. Narrow text is matched on character boundaries.
void ReplaceAll(std::string& text, const std::string& what, const std::string& by);
void ReplaceAll(std::wstring& text, const std::wstring& what, const std::wstring& by);

// ANSI code page <-> UTF-16; text after an embedded NUL is dropped.
std::wstring StringToWString(const std::string& text);
std::string WStringToString(const std::wstring& text);

// Only characters below 128 change; full-width letters stay as they are.
std::wstring WStringToUpper(const std::wstring& text);
std::wstring WStringToLower(const std::wstring& text);
std::string StringToUpper(const std::string& text);
std::string StringToLower(const std::string& text);

// Splits at each delimiter. An empty first or middle piece is kept, an empty last piece is
// not; with maxCount (0 = none) the last piece holds the unsplit rest. A null or empty
// text gives no piece; an empty delimiter gives the whole text as one piece.
// Narrow text is split on character boundaries only.
std::vector<std::string> SplitString(const char* text, const char* delimiter, size_t maxCount = 0);
std::vector<std::wstring> SplitWString(const wchar_t* text, const wchar_t* delimiter,
                                       size_t maxCount = 0);

// Delimited text lines with double-quoted fields ("" inside quotes is one quote).
uint32_t GetFieldCount(const char* line, char delimiter);
bool GetField(const char* line, uint32_t index, std::string& field, char delimiter);

} // namespace lib
