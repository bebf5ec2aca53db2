#pragma once
// What the harness's readers of growing record files share: a file's length now, and the
// whole lines of a text (a writer may be in the middle of the next one).

#include <cstddef>
#include <string>
#include <vector>

namespace launchertest {

// 0 when the file does not exist.
size_t FileLength(const std::string& path);
// The lines that end in the line end ("\r\n" or "\n"), without it; a last line still being
// written is left out.
std::vector<std::string> WholeLines(const std::string& text, const char* lineEnd = "\r\n");

} // namespace launchertest
