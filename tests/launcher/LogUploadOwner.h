#pragma once
// What the tests of the start chain's tool windows (the log upload and silent install
// windows) share: a hidden top-level window standing in for the main window, which records
// every message posted or sent to it in the WM_APP range and the registered range, and a
// pump that runs this thread's messages until a condition holds.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace launchertest {

struct OwnerMessage {
    UINT uMessage;
    uint32_t uWParam;
    uint32_t uLParam;
};

class COwnerWindow {
public:
    explicit COwnerWindow(const char* title = "Kestrum4 Owner")
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &COwnerWindow::_WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KestrumToolOwnerForTests";
        RegisterClassA(&wc); // a second owner finds the class registered already
        m_hWnd = CreateWindowExA(0, wc.lpszClassName, title, WS_POPUP, 0, 0, 100, 100, nullptr,
                                 nullptr, wc.hInstance, this);
    }
    ~COwnerWindow()
    {
        if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
    }
    COwnerWindow(const COwnerWindow&) = delete;
    COwnerWindow& operator=(const COwnerWindow&) = delete;

    HWND Window() const { return m_hWnd; }
    const std::vector<OwnerMessage>& Messages() const { return m_vMessages; }
    void Clear() { m_vMessages.clear(); }
    size_t Count(UINT message) const
    {
        size_t count = 0;
        for (const OwnerMessage& m : m_vMessages) count += m.uMessage == message ? 1 : 0;
        return count;
    }
    // The wParams of the message, in order.
    std::vector<uint32_t> WParams(UINT message) const
    {
        std::vector<uint32_t> values;
        for (const OwnerMessage& m : m_vMessages) {
            if (m.uMessage == message) values.push_back(m.uWParam);
        }
        return values;
    }

private:
    static LRESULT CALLBACK _WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<COwnerWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && ((message >= WM_APP && message < 0xC000) || message >= 0xC000)) {
            self->m_vMessages.push_back({message, static_cast<uint32_t>(wParam),
                                         static_cast<uint32_t>(lParam)});
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND m_hWnd = nullptr;
    std::vector<OwnerMessage> m_vMessages;
};

// Runs this thread's messages until done() holds or the time-out passes (a loaded machine's
// by default); whether it held.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 60000)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
            if (done()) return true;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// Runs this thread's messages for a fixed time: to show that nothing more comes of what could
// only have been posted or sent before the call (a later arrival would go unseen).
inline void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

} // namespace launchertest
