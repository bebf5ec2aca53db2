#include "tests/launcher/SmallWindowsSupport.h"

#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace smallwindows {

std::string ToString(const Posted& posted)
{
    char text[64];
    std::snprintf(text, sizeof text, "(%04X %u %u)", posted.message, posted.wParam, posted.lParam);
    return text;
}

std::string ToString(const std::vector<Posted>& posted)
{
    std::string text;
    for (const Posted& one : posted) text += ToString(one);
    return text;
}

COwnerWindow::COwnerWindow() : m_uUpdateInfo(::RegisterWindowMessageA("Launcher_UpdateInfo"))
{
    Create(0, nullptr, "Kestrum4 Launcher", WS_POPUP, 0, 0, 548, 128);
}

COwnerWindow::~COwnerWindow()
{
    if (IsWindow()) DestroyWindow();
}

std::vector<Posted> COwnerWindow::Take()
{
    std::vector<Posted> posted;
    posted.swap(m_vPosted);
    return posted;
}

LRESULT COwnerWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if ((message >= WM_APP && message <= 0xBFFF) || message == m_uUpdateInfo ||
        message == WM_ENDSESSION) {
        m_vPosted.push_back(
            Posted{message, static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam)});
        return 0;
    }
    return CWindow::WindowProc(message, wParam, lParam);
}

bool PumpUntilGone(HWND window, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while (::IsWindow(window)) {
        if (::GetTickCount() - start > timeoutMs) return false;
        MSG message;
        if (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageA(&message);
        } else {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    // What the window posted on its way out.
    PumpFor(0);
    return true;
}

void PumpFor(DWORD milliseconds)
{
    const DWORD start = ::GetTickCount();
    do {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
        if (milliseconds != 0) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (::GetTickCount() - start < milliseconds);
}

} // namespace smallwindows

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("launcher_small_windows_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("launcher_small_windows_test"));

} // namespace
