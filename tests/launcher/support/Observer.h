#pragma once
// What the launcher broadcasts, seen from outside: launcher_observer.exe, a top-level window
// in a process of its own (a broadcast skips only the sender's own windows), records every
// WM_DEVICECHANGE and the registered messages named to it, with wParam and lParam.
//
//     launchertest::CObserver observer({"DEVICECHANGE_KESTRUM", "UserChanger"});
//     ... the launcher chooses card V: ...
//     EXPECT_TRUE(observer.WaitFor("DEVICECHANGE_KESTRUM", 1, 30000));
//
// WM_DEVICECHANGE is recorded under the name "WM_DEVICECHANGE". The observer ends with the
// object. The blocks the launcher and the agent share are read by ReadCardRecord and
// ReadUserBlock (tests/launcher/support/SharedBlocks.h); what a window shows is copied from
// the screen by ShootWindow.

#include "lib/wfc/DIB.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace launchertest {

struct ObservedMessage {
    std::string sName;
    uint32_t uWParam = 0;
    uint32_t uLParam = 0;
};

class CObserver {
public:
    // Starts the observer and waits until its window is there. visible: shown off-screen
    // without activation, should a broadcast miss a hidden window.
    explicit CObserver(const std::vector<std::string>& names = {"DEVICECHANGE_KESTRUM",
                                                                "UserChanger"},
                       bool visible = false);
    ~CObserver();
    CObserver(const CObserver&) = delete;
    CObserver& operator=(const CObserver&) = delete;

    bool IsReady() const { return m_hWindow != nullptr; }
    HWND Window() const { return m_hWindow; }

    // Everything recorded so far, in order of arrival.
    std::vector<ObservedMessage> Seen() const;
    size_t Count(const std::string& name) const;
    // Waits for a message of that name and wParam; false after the time-out.
    bool WaitFor(const std::string& name, uint32_t wParam, DWORD timeoutMs) const;
    // Waits until everything posted to the observer before the call is recorded: a message
    // of its own goes after them through its queue. For "nothing more came" once the sender
    // has posted all it would (its call returned, or it ended). False after the time-out.
    bool Sync(DWORD timeoutMs = 60000) const;
    // Forgets what was recorded so far: later calls see only what arrives from now on.
    void Forget();

private:
    std::string m_strRecord;
    size_t m_uStart;
    mutable uint32_t m_uSyncs;
    HANDLE m_hProcess;
    HWND m_hWindow;
};

// Copies a shown window (of any process) from the screen, as the user sees it with
// whatever covers it: BitBlt of the window's rectangle from the screen's device context
// into a 24-bit picture, the parts off the screen black. False for a window that is not
// shown, an empty rectangle or a failed copy.
bool CopyWindowFromScreen(HWND window, lib::wfc::CDIB& picture);
// The copy as a PNG file; waits up to the bound until the window's picture is on the screen
// and holds still (two copies alike, not all black), since a layered window's first picture
// comes a moment after it shows. False when no copy was written.
bool ShootWindow(HWND window, const std::string& pngPath, DWORD boundMs = 3000);

} // namespace launchertest
