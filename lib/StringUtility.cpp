#include "lib/StringUtility.h"

#include "lib/DbcsText.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <locale>

namespace lib {

std::string FormatStringV(const char* format, va_list args)
{
    if (format == nullptr) return std::string();
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return std::string();

    std::string text(static_cast<size_t>(length) + 1, '\0');
    va_list write;
    va_copy(write, args);
    const int written = std::vsnprintf(&text[0], text.size(), format, write);
    va_end(write);
    if (written != length) return std::string();
    text.resize(static_cast<size_t>(length));
    return text;
}

std::string FormatString(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatStringV(format, args);
    va_end(args);
    return text;
}

void ReplaceAll(std::string& text, const std::string& what, const std::string& by)
{
    if (what.empty()) return;
    std::string result;
    const char* p = text.c_str();
    const char* end = p + text.size();
    bool changed = false;
    while (p < end) {
        // Text after an embedded NUL is compared byte by byte.
        if (static_cast<size_t>(end - p) >= what.size() &&
            std::memcmp(p, what.data(), what.size()) == 0) {
            result += by;
            p += what.size();
            changed = true;
            continue;
        }
        const size_t size = *p ? DbcsCharSize(p) : 1;
        result.append(p, size);
        p += size;
    }
    if (changed) text.swap(result);
}

void ReplaceAll(std::wstring& text, const std::wstring& what, const std::wstring& by)
{
    if (what.empty()) return;
    for (size_t pos = text.find(what); pos != std::wstring::npos;
         pos = text.find(what, pos + by.size())) {
        text.replace(pos, what.size(), by);
    }
}

std::wstring StringToWString(const std::string& text)
{
    const int length = static_cast<int>(std::strlen(text.c_str()));
    if (length == 0) return std::wstring();
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.c_str(), length, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(needed) + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), length, &wide[0], needed);
    wide.resize(std::wcslen(wide.c_str()));
    return wide;
}

std::string WStringToString(const std::wstring& text)
{
    const int length = static_cast<int>(std::wcslen(text.c_str()));
    if (length == 0) return std::string();
    const int needed =
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string narrow(static_cast<size_t>(needed) + 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), length, &narrow[0], needed, nullptr, nullptr);
    narrow.resize(std::strlen(narrow.c_str()));
    return narrow;
}

namespace {

template <bool Upper>
std::wstring ConvertAsciiCase(const std::wstring& text)
{
    const auto& facet = std::use_facet<std::ctype<wchar_t>>(std::locale());
    std::wstring result(text);
    for (wchar_t& c : result) {
        if (static_cast<unsigned>(c) < 128) c = Upper ? facet.toupper(c) : facet.tolower(c);
    }
    return result;
}

} // namespace

std::wstring WStringToUpper(const std::wstring& text) { return ConvertAsciiCase<true>(text); }
std::wstring WStringToLower(const std::wstring& text) { return ConvertAsciiCase<false>(text); }

std::string StringToUpper(const std::string& text)
{
    return WStringToString(WStringToUpper(StringToWString(text)));
}

std::string StringToLower(const std::string& text)
{
    return WStringToString(WStringToLower(StringToWString(text)));
}

std::vector<std::string> SplitString(const char* text, const char* delimiter, size_t maxCount)
{
    std::vector<std::string> pieces;
    if (text == nullptr) return pieces;
    if (delimiter == nullptr || *delimiter == '\0') {
        if (*text) pieces.emplace_back(text);
        return pieces;
    }
    const size_t delimiterLength = std::strlen(delimiter);
    const char* rest = text;
    while (maxCount == 0 || pieces.size() + 1 < maxCount) {
        const char* hit = DbcsFindString(rest, delimiter);
        if (hit == nullptr) break;
        pieces.emplace_back(rest, hit);
        rest = hit + delimiterLength;
    }
    if (*rest) pieces.emplace_back(rest);
    return pieces;
}

std::vector<std::wstring> SplitWString(const wchar_t* text, const wchar_t* delimiter,
                                       size_t maxCount)
{
    std::vector<std::wstring> pieces;
    if (text == nullptr) return pieces;
    if (delimiter == nullptr || *delimiter == L'\0') {
        if (*text) pieces.emplace_back(text);
        return pieces;
    }
    const size_t delimiterLength = std::wcslen(delimiter);
    const wchar_t* rest = text;
    while (maxCount == 0 || pieces.size() + 1 < maxCount) {
        const wchar_t* hit = std::wcsstr(rest, delimiter);
        if (hit == nullptr) break;
        pieces.emplace_back(rest, hit);
        rest = hit + delimiterLength;
    }
    if (*rest) pieces.emplace_back(rest);
    return pieces;
}

namespace {

// Finds the fields of one delimited line and hands each one's [start, end) to `visit`,
// which returns false to stop early. Quoting decides only where fields end.
template <typename Visit>
void ScanFields(const char* line, char delimiter, Visit visit)
{
    const char* start = line;
    const char* p = line;
    bool quoteOpened = false; // a quoted section was opened in the current field
    bool inQuotes = false;
    uint32_t index = 0;
    while (*p) {
        const size_t size = DbcsCharSize(p);
        if (size == 2) {
            p += 2;
            continue;
        }
        if (inQuotes) {
            if (*p == '"') {
                if (p[1] == '"') {
                    p += 2;
                    continue;
                }
                inQuotes = false;
            }
        } else if (*p == '"' && !quoteOpened) {
            quoteOpened = inQuotes = true;
        } else if (*p == delimiter) {
            if (!visit(index++, start, p)) return;
            start = p + 1;
            quoteOpened = false;
        }
        ++p;
    }
    visit(index, start, p);
}

// The bytes of one field: a leading quote opens quoting, "" inside it is one quote and a
// single quote closes it; neither opening nor closing quote is copied.
std::string CopyField(const char* start, const char* end)
{
    std::string field;
    const char* p = start;
    bool inQuotes = false;
    if (p < end && *p == '"') {
        inQuotes = true;
        ++p;
    }
    while (p < end) {
        const size_t size = DbcsCharSizeN(p, static_cast<size_t>(end - p));
        if (size == 2) {
            field.append(p, 2);
            p += 2;
            continue;
        }
        if (inQuotes && *p == '"') {
            if (p + 1 < end && p[1] == '"') {
                field += '"';
                p += 2;
                continue;
            }
            inQuotes = false;
            ++p;
            continue;
        }
        field += *p++;
    }
    return field;
}

} // namespace

uint32_t GetFieldCount(const char* line, char delimiter)
{
    if (line == nullptr) return 0;
    uint32_t count = 0;
    ScanFields(line, delimiter, [&](uint32_t, const char*, const char*) {
        ++count;
        return true;
    });
    return count;
}

bool GetField(const char* line, uint32_t index, std::string& field, char delimiter)
{
    if (line == nullptr) return false;
    bool found = false;
    ScanFields(line, delimiter, [&](uint32_t i, const char* start, const char* end) {
        if (i != index) return true;
        field = CopyField(start, end);
        found = true;
        return false;
    });
    return found;
}

} // namespace lib
