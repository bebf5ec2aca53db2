#include "tests/launcher/support/RecordFile.h"

#include <windows.h>

#include <cstring>

namespace launchertest {

size_t FileLength(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return static_cast<size_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

std::vector<std::string> WholeLines(const std::string& text, const char* lineEnd)
{
    const size_t endSize = std::strlen(lineEnd);
    std::vector<std::string> lines;
    size_t begin = 0;
    for (size_t end; (end = text.find(lineEnd, begin)) != std::string::npos; begin = end + endSize) {
        lines.push_back(text.substr(begin, end - begin));
    }
    return lines;
}

} // namespace launchertest
