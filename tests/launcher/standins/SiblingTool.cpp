// The sibling tools of the product folder ("Dapplegate.exe", "Mendrill.exe",
// "PellickManager.exe") and the music tool ("Sonavelle5.exe"), as the launcher's tests need
// them: each notes its start (StandInRecord.h). A sibling tool then keeps a hidden window of
// the class "WFC-DefaultWindowClass" titled TOOL_TITLE, notes every "Launcher_UpdateShow" it
// receives, and ends on WM_CLOSE, unless it was started with "--ignore-close": then it notes
// each WM_CLOSE it ignores. The music tool (an empty TOOL_TITLE) ends at once.

#include "tests/launcher/standins/StandInRecord.h"

#include <windows.h>

#include <cstring>

namespace {

UINT g_uUpdateShow = 0;
bool g_bIgnoreClose = false;

LRESULT CALLBACK ToolWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == g_uUpdateShow && g_uUpdateShow != 0) {
        standin::RecordMessage("Launcher_UpdateShow", static_cast<uint32_t>(wParam),
                               static_cast<uint32_t>(lParam));
        return 0;
    }
    switch (message) {
    case WM_CLOSE:
        if (g_bIgnoreClose) {
            standin::RecordMessage("WM_CLOSE", static_cast<uint32_t>(wParam),
                                   static_cast<uint32_t>(lParam));
            return 0;
        }
        DestroyWindow(window);
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    standin::RecordStart();
    if (TOOL_TITLE[0] == '\0') return 0;
    g_bIgnoreClose = commandLine != nullptr && std::strstr(commandLine, "--ignore-close") != nullptr;
    g_uUpdateShow = RegisterWindowMessageA("Launcher_UpdateShow");

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &ToolWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "WFC-DefaultWindowClass";
    if (RegisterClassA(&windowClass) == 0) return 2;
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, TOOL_TITLE, WS_OVERLAPPEDWINDOW,
                                  0, 0, 100, 100, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 3;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
