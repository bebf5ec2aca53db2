#pragma once
// A window that, when Windows ends the session, keeps the thread's messages flowing until it
// has been destroyed, so that whatever closes it (its own posted WM_CLOSE, its owner going)
// still runs before the process is ended. Application windows override OnEndSession to post
// themselves WM_CLOSE first and then call this one:
//     void OnEndSession(bool ending, LPARAM lParam) override
//     {
//         if (ending) PostMessage(WM_CLOSE, 0, 0);
//         CEndSessionWaitingWindow::OnEndSession(ending, lParam);
//     }

#include "lib/wfc/WfcRuntime.h"

#include <windows.h>

namespace ui {

template <class TBase>
class CEndSessionWaitingWindow : public TBase {
public:
    CEndSessionWaitingWindow() = default;
    ~CEndSessionWaitingWindow() override = default;

    void OnEndSession(bool ending, LPARAM lParam) override
    {
        if (ending) WaitUntilDestroyed();
        TBase::OnEndSession(ending, lParam);
    }

protected:
    // One message at a time until the window is gone. A WM_QUIT read on the way ends the
    // wait and is posted again, so that the thread's main loop (and a modal loop between)
    // still ends: pumping on would read the same quit again at once, before any timer or
    // input that might have ended the window, and a window that goes only after the main
    // loop would never go.
    void WaitUntilDestroyed()
    {
        while (this->IsWindow()) {
            int exitCode = 0;
            if (lib::wfc::PumpMessage(&exitCode)) {
                ::PostQuitMessage(exitCode);
                return;
            }
        }
    }
};

} // namespace ui
