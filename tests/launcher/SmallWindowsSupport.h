#pragma once
// What the small windows' tests share: the hidden top-level owner that records the messages
// its tool windows post it, and pumping until a window is gone.

#include "lib/wfc/Window.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace smallwindows {

// The child-closed notice, as the tool windows post it to their owner.
const UINT kChildClosedMessage = WM_APP + 6;

// One posted message as the owner received it; values printed without sign extension.
struct Posted {
    UINT message;
    uint32_t wParam;
    uint32_t lParam;

    bool operator==(const Posted& other) const
    {
        return message == other.message && wParam == other.wParam && lParam == other.lParam;
    }
};
std::string ToString(const Posted& posted);
std::string ToString(const std::vector<Posted>& posted);

// A hidden popup that records every message in the WM_APP range, "Launcher_UpdateInfo" and
// WM_ENDSESSION.
class COwnerWindow : public lib::wfc::CWindow {
public:
    COwnerWindow();
    ~COwnerWindow() override;

    std::vector<Posted> Take();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    UINT m_uUpdateInfo;
    std::vector<Posted> m_vPosted;
};

// Dispatches this thread's messages until the window is gone or the time is up (a loaded
// machine's by default); whether it went.
bool PumpUntilGone(HWND window, DWORD timeoutMs = 60000);
// Dispatches this thread's messages for a while (0: what is queued now).
void PumpFor(DWORD milliseconds);

} // namespace smallwindows
