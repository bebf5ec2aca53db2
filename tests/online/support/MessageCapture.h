#pragma once
// A hidden message-only window that records what background workers post to their notify
// window: every registered message (0xC000 to 0xFFFF) and every WM_APP-range message, with
// wParam and lParam cut to their low 32 bits (the test build is 64-bit; the programs are not).

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace onlinetest {

struct CapturedMessage {
    UINT uMessage;
    uint32_t uWParam;
    uint32_t uLParam;
};

class CMessageCapture {
public:
    CMessageCapture();
    ~CMessageCapture();
    CMessageCapture(const CMessageCapture&) = delete;
    CMessageCapture& operator=(const CMessageCapture&) = delete;

    HWND Window() const { return m_hWnd; }

    // Pumps this thread's messages until `message` has been recorded `count` times in all
    // (counting those recorded earlier) or the time-out passes; true when it was.
    bool WaitFor(UINT message, size_t count = 1, DWORD timeoutMs = 30000);
    // Pumps for a fixed time (to show that nothing more arrives).
    void PumpFor(DWORD ms);

    const std::vector<CapturedMessage>& Messages() const { return m_vMessages; }
    // The recorded messages with this number, in order.
    std::vector<CapturedMessage> Of(UINT message) const;
    size_t Count(UINT message) const { return Of(message).size(); }
    void Clear() { m_vMessages.clear(); }

private:
    static LRESULT CALLBACK _WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd;
    std::vector<CapturedMessage> m_vMessages;
};

// "{message wParam lParam} " for each, in hexadecimal: for failure output and for comparing
// sequences of messages.
std::string DescribeMessages(const std::vector<CapturedMessage>& messages);

} // namespace onlinetest
