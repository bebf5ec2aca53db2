#include "tests/online/support/MessageCapture.h"

#include <cstdio>

namespace onlinetest {

namespace {

const char kClassName[] = "KestrumTestMessageCapture";

bool IsRecorded(UINT message)
{
    return (message >= WM_APP && message < 0xC000) || (message >= 0xC000 && message <= 0xFFFF);
}

} // namespace

CMessageCapture::CMessageCapture() : m_hWnd(nullptr)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = _WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc); // a second capture finds the class registered already
    m_hWnd = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

CMessageCapture::~CMessageCapture()
{
    if (m_hWnd != nullptr) {
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hWnd);
    }
}

LRESULT CALLBACK CMessageCapture::_WindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam)
{
    auto* self = reinterpret_cast<CMessageCapture*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && IsRecorded(message)) {
        self->m_vMessages.push_back({message, static_cast<uint32_t>(wParam),
                                     static_cast<uint32_t>(lParam)});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool CMessageCapture::WaitFor(UINT message, size_t count, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (Count(message) >= count) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void CMessageCapture::PumpFor(DWORD ms)
{
    WaitFor(0xFFFFFFFFu, 1, ms); // a message number that is never recorded
}

std::vector<CapturedMessage> CMessageCapture::Of(UINT message) const
{
    std::vector<CapturedMessage> found;
    for (const CapturedMessage& m : m_vMessages) {
        if (m.uMessage == message) found.push_back(m);
    }
    return found;
}

std::string DescribeMessages(const std::vector<CapturedMessage>& messages)
{
    std::string text;
    char item[40];
    for (const CapturedMessage& m : messages) {
        std::snprintf(item, sizeof item, "{%04X %08X %08X} ", m.uMessage, m.uWParam, m.uLParam);
        text += item;
    }
    return text;
}

} // namespace onlinetest
