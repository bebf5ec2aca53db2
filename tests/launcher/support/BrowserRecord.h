#pragma once
// The pages the launcher opened in "the browser": tools/wine-prefix registers the browser
// recorder "C:\kestrum\BrowserRecorder.exe" for http and https (tools/wine-session puts it
// there), which appends each URL it was given to "C:\kestrum\opened.txt". Only pages
// opened after the record object was made count.

#include <windows.h>

#include <string>
#include <vector>

namespace launchertest {

class CBrowserRecord {
public:
    CBrowserRecord();

    // Whether the recorder is in place (the session's prefix has it).
    static bool IsInstalled();
    // The URLs opened so far, in order.
    std::vector<std::string> Opened() const;
    // Waits until `count` pages were opened; those opened (fewer after the time-out).
    std::vector<std::string> WaitForOpened(DWORD timeoutMs, size_t count = 1) const;

    static const char kFolder[];

private:
    size_t m_uStart;
};

} // namespace launchertest
