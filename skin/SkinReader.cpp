#include "skin/SkinReader.h"

#include "lib/wfc/DIB.h"
#include "skin/SkinException.h"

#include <algorithm>
#include <cstring>

namespace ui {

namespace {

// Resource type names match without regard to case: this is the type "SKIN".
const char kResourceType[] = "Skin";

template <class Char>
void AddLine(std::vector<std::wstring>& lines, const Char* begin, const Char* end);

template <>
void AddLine<wchar_t>(std::vector<std::wstring>& lines, const wchar_t* begin, const wchar_t* end)
{
    lines.emplace_back(begin, std::find(begin, end, L'\0'));
}

template <>
void AddLine<char>(std::vector<std::wstring>& lines, const char* begin, const char* end)
{
    end = std::find(begin, end, '\0');
    std::wstring line;
    const int length = static_cast<int>(end - begin);
    if (length > 0) {
        const int wide = ::MultiByteToWideChar(CP_ACP, 0, begin, length, nullptr, 0);
        line.resize(static_cast<size_t>(wide > 0 ? wide : 0));
        if (wide > 0) ::MultiByteToWideChar(CP_ACP, 0, begin, length, &line[0], wide);
    }
    lines.push_back(line);
}

// Splits at CR LF. In code page 932 no trail byte is a CR or LF, so splitting the bytes
// before converting never cuts a character.
template <class Char>
std::vector<std::wstring> SplitLines(const Char* text, size_t count)
{
    std::vector<std::wstring> lines;
    const Char* const end = text + count;
    const Char* begin = text;
    for (const Char* p = text; p + 1 < end; ++p) {
        if (p[0] == Char('\r') && p[1] == Char('\n')) {
            AddLine(lines, begin, p);
            begin = p + 2;
            ++p;
        }
    }
    if (begin != end) AddLine(lines, begin, end);
    return lines;
}

} // namespace

std::vector<std::wstring> SplitSkinText(const void* bytes, size_t size)
{
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        // Resource bytes need not be aligned for wchar_t: copy them out first.
        std::wstring wide((size - 2) / 2, L'\0');
        if (!wide.empty()) std::memcpy(&wide[0], data + 2, wide.size() * sizeof(wchar_t));
        return SplitLines(wide.data(), wide.size());
    }
    return SplitLines(reinterpret_cast<const char*>(data), size);
}

std::vector<std::wstring> ReadSkinResource(const char* fileName, HMODULE module)
{
    DWORD size = 0;
    const void* bytes = lib::wfc::LoadResourceBytes(module, fileName, kResourceType, &size);
    if (bytes == nullptr || size == 0) ThrowSkinException("skin file open error");
    return SplitSkinText(bytes, size);
}

} // namespace ui
