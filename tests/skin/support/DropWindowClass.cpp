#include "tests/skin/support/DropWindowClass.h"

#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinWindowItemDropWindow.h"

#include <windows.h>

namespace skintest {

namespace {

LRESULT CALLBACK LauncherLikeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        ::BeginPaint(hwnd, &paint);
        ::EndPaint(hwnd, &paint);
        return 0;
    }
    default:
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

} // namespace

void RegisterDropWindowClass()
{
    static const bool registered = [] {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = &LauncherLikeProc;
        // The instance the window framework creates its windows with.
        windowClass.hInstance = lib::wfc::GetModuleInstance() != nullptr
                                    ? lib::wfc::GetModuleInstance()
                                    : ::GetModuleHandleA(nullptr);
        windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
        windowClass.lpszClassName = ui::kDropWindowClassName;
        return ::RegisterClassExA(&windowClass) != 0;
    }();
    (void)registered;
}

} // namespace skintest
