// How long the launcher's main window takes from its construction to the end of its first
// WM_PAINT (its jobs, drive manager, user block and settings made, its skin loaded and images
// decoded, the window created, shown and painted), beside a plain window of the same size
// whose WM_PAINT copies the same picture with BitBlt, in the same run; median of 40 rounds.
// The settings go to a folder of the benchmark's own, not to the user's.

#include "bench/SkinBenchSupport.h"
#include "launcher/LaunchWindow.h"
#include "lib/AppFolder.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinException.h"

#include <windows.h>

#include <cstdio>
#include <memory>

namespace {

const int kRounds = 40;
const char kPlainClass[] = "LaunchWindowBenchPlain";

using skinbench::CStopOnError;
using skinbench::Figures;
using skinbench::Now;

HRESULT BenchAppData(char* path)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::snprintf(path, MAX_PATH, "%slaunch_window_bench", temp);
    ::CreateDirectoryA(path, nullptr);
    return S_OK;
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
        skinbench::PreparePlainWindow(*window->GetBackBuffer(), kPlainClass);
        window->DestroyWindow();
    }

    const Figures launch = skinbench::Measure(kRounds, &LaunchRound);
    const Figures reference = skinbench::Measure(kRounds, &PlainRound);
    std::printf("main window %d x %d, %d rounds each, construction to the end of the first "
                "WM_PAINT (images decoded each time)\n",
                ui::kLaunchWindowWidth, ui::kLaunchWindowHeight, kRounds);
    std::printf("  main window:                              %7.3f ms (best %.3f)\n",
                launch.median, launch.best);
    std::printf("  plain layered window, BitBlt of the picture: %5.3f ms (best %.3f)\n",
                reference.median, reference.best);
    std::printf("  main window / plain window: %.1f times\n", launch.median / reference.median);

    ::DeleteObject(skinbench::g_hPicture);
    ui::SetSkinErrorReporter(nullptr);
    lib::wfc::FreeThreadMessageRecord();
    lib::wfc::Terminate();
    return 0;
}
