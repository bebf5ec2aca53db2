// How long the launcher's main window takes from its construction to the end of its first
// WM_PAINT (its jobs, drive manager, user block and settings made, its skin loaded and images
// decoded, the window created, shown and painted), beside a plain window of the same size
// whose WM_PAINT copies the same picture with BitBlt, in the same run; median of 40 rounds.
// The settings go to a folder of the benchmark's own, not to the user's.

#include "bench/SkinBenchSupport.h"
#include "launcher/LaunchWindow.h"
#include "lib/AppFolder.h"
#include "lib/wfc/DC.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinException.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const int kRounds = 40;
const char kPlainClass[] = "LaunchWindowBenchPlain";

using skinbench::CStopOnError;
using skinbench::Now;

struct Figures {
    double median;
    double best;
};

template <class Round>
Figures Measure(Round round)
{
    round(); // warm
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i) times.push_back(round());
    std::sort(times.begin(), times.end());
    return Figures{times[times.size() / 2], times.front()};
}

HRESULT BenchAppData(char* path)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::snprintf(path, MAX_PATH, "%slaunch_window_bench", temp);
    ::CreateDirectoryA(path, nullptr);
    return S_OK;
}

HBITMAP g_hPicture = nullptr;

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT) return ::DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(window, &paint);
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(memory, g_hPicture);
    ::BitBlt(dc, paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right - paint.rcPaint.left,
             paint.rcPaint.bottom - paint.rcPaint.top, memory, paint.rcPaint.left,
             paint.rcPaint.top, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::EndPaint(window, &paint);
    return 0;
}

// The main window built and created as Create builds it, hidden; without the start chain,
// which would wait for its tool windows.
std::unique_ptr<ui::CLaunchWindow> MakeWindow()
{
    std::unique_ptr<ui::CLaunchWindow> window(new ui::CLaunchWindow);
    window->LoadWindowSkin();
    window->ui::CSkinWindow::Create(WS_EX_LAYERED, nullptr, window->GetTitle().c_str(),
                                    WS_POPUP, 0, 0, ui::kLaunchWindowWidth,
                                    ui::kLaunchWindowHeight);
    ::SetLayeredWindowAttributes(window->GetHwnd(), 0, ui::kLaunchWindowAlpha, LWA_ALPHA);
    return window;
}

double LaunchRound()
{
    const double start = Now();
    std::unique_ptr<ui::CLaunchWindow> window = MakeWindow();
    ::ShowWindow(window->GetHwnd(), SW_SHOWNOACTIVATE);
    window->UpdateWindow();
    const double elapsed = (Now() - start) * 1000.0;
    ::ShowWindow(window->GetHwnd(), SW_HIDE);
    window->DestroyWindow();
    return elapsed;
}

double PlainRound()
{
    const double start = Now();
    HWND window = lib::wfc::CreateWindowExChecked(WS_EX_LAYERED, kPlainClass, "", WS_POPUP, 0, 0,
                                                  ui::kLaunchWindowWidth, ui::kLaunchWindowHeight,
                                                  nullptr, nullptr);
    ::SetLayeredWindowAttributes(window, 0, ui::kLaunchWindowAlpha, LWA_ALPHA);
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::UpdateWindow(window);
    const double elapsed = (Now() - start) * 1000.0;
    ::ShowWindow(window, SW_HIDE);
    ::DestroyWindow(window);
    return elapsed;
}

} // namespace

int main()
{
    lib::SetAppDataFolderQuery(&BenchAppData);
    lib::wfc::Initialize(::GetModuleHandleA(nullptr), "launch_window_bench", nullptr, nullptr);
    lib::wfc::AllocThreadMessageRecord();
    CStopOnError stop;
    ui::SetSkinErrorReporter(&stop);

    // The plain window paints the main window's own first picture.
    {
        std::unique_ptr<ui::CLaunchWindow> window = MakeWindow();
        const lib::wfc::CDIB& buffer = *window->GetBackBuffer();
        lib::wfc::CClientDC screen(nullptr);
        g_hPicture = ::CreateCompatibleBitmap(screen.GetHDC(), buffer.GetWidth(), buffer.GetHeight());
        lib::wfc::CMemDC memory(screen.GetHDC());
        HGDIOBJ old = ::SelectObject(memory.GetHDC(), g_hPicture);
        ::SetDIBitsToDevice(memory.GetHDC(), 0, 0, buffer.GetWidth(), buffer.GetHeight(), 0, 0, 0,
                            buffer.GetHeight(), buffer.GetBits(),
                            reinterpret_cast<const BITMAPINFO*>(buffer.GetInfoHeader()),
                            DIB_RGB_COLORS);
        ::SelectObject(memory.GetHDC(), old);
        window->DestroyWindow();
    }
    WNDCLASSEXA plain = {};
    plain.cbSize = sizeof plain;
    plain.lpfnWndProc = &PlainProc;
    plain.hInstance = ::GetModuleHandleA(nullptr);
    plain.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    plain.lpszClassName = kPlainClass;
    ::RegisterClassExA(&plain);

    const Figures launch = Measure(&LaunchRound);
    const Figures reference = Measure(&PlainRound);
    std::printf("main window %d x %d, %d rounds each, construction to the end of the first "
                "WM_PAINT (images decoded each time)\n",
                ui::kLaunchWindowWidth, ui::kLaunchWindowHeight, kRounds);
    std::printf("  main window:                              %7.3f ms (best %.3f)\n",
                launch.median, launch.best);
    std::printf("  plain layered window, BitBlt of the picture: %5.3f ms (best %.3f)\n",
                reference.median, reference.best);
    std::printf("  main window / plain window: %.1f times\n", launch.median / reference.median);

    ::DeleteObject(g_hPicture);
    ui::SetSkinErrorReporter(nullptr);
    lib::wfc::FreeThreadMessageRecord();
    lib::wfc::Terminate();
    return 0;
}
