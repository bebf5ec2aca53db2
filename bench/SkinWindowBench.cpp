// How long the largest window of the gallery takes from its construction to the end of its
// first WM_PAINT (built from its skin, created, laid out, shown and painted), beside a plain
// window of the same size whose WM_PAINT copies the same picture with BitBlt, in the same run.
// The skin window is timed twice: alone, so that its images are decoded each time, and while
// another window of the same skin holds its images. Each figure is the median of its rounds.

#include "bench/SkinBenchSupport.h"
#include "lib/wfc/DC.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinException.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kRounds = 40;
const char kPlainClass[] = "SkinWindowBenchPlain";

using skinbench::CStopOnError;
using skinbench::Figures;
using skinbench::Now;

// The gallery page whose window has the largest client area.
bool FindLargest(gallery::Page* largest, ui::SkinSize* size)
{
    long long best = -1;
    for (const gallery::Page& page : gallery::Pages()) {
        const std::unique_ptr<ui::CSkinWindow> window = page.m_pfnBuild();
        const ui::SkinSize design = window->GetDesignSize();
        const long long area = static_cast<long long>(design.cx) * design.cy;
        if (area > best) {
            best = area;
            *largest = page;
            *size = design;
        }
    }
    return best >= 0;
}

// One skin window from construction to the end of its first paint, in ms.
double SkinRound(const gallery::Page& page)
{
    const double start = Now();
    std::unique_ptr<ui::CSkinWindow> window = page.m_pfnBuild();
    gallery::CreatePageWindow(page, *window);
    ::ShowWindow(window->GetHwnd(), SW_SHOWNOACTIVATE);
    window->UpdateWindow();
    const double elapsed = (Now() - start) * 1000.0;
    ::ShowWindow(window->GetHwnd(), SW_HIDE);
    window->DestroyWindow();
    return elapsed;
}

double PlainRound(const ui::SkinSize& size)
{
    const double start = Now();
    const int paints = skinbench::g_nPlainPaints;
    HWND window = lib::wfc::CreateWindowExChecked(0, kPlainClass, "", WS_POPUP, 0, 0, size.cx,
                                                  size.cy, nullptr, nullptr);
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::UpdateWindow(window);
    const double elapsed = (Now() - start) * 1000.0;
    if (skinbench::g_nPlainPaints == paints) std::fprintf(stderr, "the plain window did not paint\n");
    ::ShowWindow(window, SW_HIDE);
    ::DestroyWindow(window);
    return elapsed;
}

} // namespace

int main()
{
    lib::wfc::Initialize(::GetModuleHandleA(nullptr), "skin_window_bench", nullptr, nullptr);
    lib::wfc::AllocThreadMessageRecord();
    CStopOnError stop;
    ui::SetSkinErrorReporter(&stop);

    gallery::Page page = {};
    ui::SkinSize size = {};
    if (!FindLargest(&page, &size)) {
        std::fprintf(stderr, "the gallery has no pages\n");
        return 1;
    }

    // The plain window paints the skin window's own first picture.
    {
        std::unique_ptr<ui::CSkinWindow> window = page.m_pfnBuild();
        gallery::CreatePageWindow(page, *window);
        skinbench::PreparePlainWindow(*window->GetBackBuffer(), kPlainClass);
        window->DestroyWindow();
    }

    const Figures alone = skinbench::Measure(kRounds, [&] { return SkinRound(page); });
    Figures held;
    {
        std::unique_ptr<ui::CSkinWindow> holder = page.m_pfnBuild();
        held = skinbench::Measure(kRounds, [&] { return SkinRound(page); });
    }
    const Figures reference = skinbench::Measure(kRounds, [&] { return PlainRound(size); });

    std::printf("largest gallery window: %s, %d x %d, %d rounds each, construction to the end "
                "of the first WM_PAINT\n", page.m_pszName, size.cx, size.cy, kRounds);
    std::printf("  skin window, images decoded each time:  %7.3f ms (best %.3f)\n", alone.median,
                alone.best);
    std::printf("  skin window, images held by another one: %7.3f ms (best %.3f)\n", held.median,
                held.best);
    std::printf("  plain window, BitBlt of the same picture: %6.3f ms (best %.3f)\n",
                reference.median, reference.best);
    std::printf("  skin window / plain window: %.1f times (images held: %.1f times)\n",
                alone.median / reference.median, held.median / reference.median);

    ::DeleteObject(skinbench::g_hPicture);
    ui::SetSkinErrorReporter(nullptr);
    lib::wfc::FreeThreadMessageRecord();
    lib::wfc::Terminate();
    return 0;
}
