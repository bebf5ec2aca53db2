#pragma once
// Helpers of the shared-memory, file-retry and lock tests: unique object names, the child
// program, a private temp folder and the log file.

#include <windows.h>

#include <string>

namespace sharedmem_test {

// A kernel-object name no other test process uses.
std::string UniqueName(const char* what);

// A fresh folder under the temp folder, ending with a backslash.
std::string TempFolder();
// Deletes the files of such a folder and the folder itself.
void RemoveTempFolder(const std::string& folder);

// Starts lib_sharedmem_child.exe (next to the test program) with the arguments;
// null when it cannot be started. The caller closes the handle.
HANDLE StartChild(const std::string& arguments);
// Starts the child, waits at most timeoutMs and gives its exit code (0xFFFFFFFF when it
// did not start or did not end in time).
DWORD RunChild(const std::string& arguments, DWORD timeoutMs = 10000);

// This program's log file, and what was appended to it after `from` bytes.
std::string LogPath();
size_t LogSize();
std::string LogSince(size_t from);

} // namespace sharedmem_test
