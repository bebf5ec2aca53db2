#pragma once
// What the skin benchmarks share: a skin error stops the run, and a clock in seconds.

#include "lib/wfc/DC.h"
#include "lib/wfc/DIB.h"
#include "skin/SkinException.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace skinbench {

// A skin error here is a broken skin: say so and stop.
class CStopOnError : public ui::ISkinErrorReporter {
public:
    void ReportSkinError(const std::string& message) override
    {
        std::fprintf(stderr, "skin error: %s\n", message.c_str());
        std::exit(1);
    }
};

// The performance counter in seconds.
inline double Now()
{
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The median and the best of a benchmark's rounds, in ms.
struct Figures {
    double median;
    double best;
};

// One warming round, then `rounds` timed ones.
template <class Round>
Figures Measure(int rounds, Round round)
{
    round();
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) times.push_back(round());
    std::sort(times.begin(), times.end());
    return Figures{times[times.size() / 2], times.front()};
}

// The picture the reference window paints, and the number of its paints.
inline HBITMAP g_hPicture = nullptr;
inline int g_nPlainPaints = 0;

// The reference window's procedure: its WM_PAINT copies the picture with BitBlt, and counts.
inline LRESULT CALLBACK PlainPictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
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
    ++g_nPlainPaints;
    return 0;
}

// The picture becomes a copy of a window's back buffer; the class of the reference window is
// registered under the name.
inline void PreparePlainWindow(const lib::wfc::CDIB& buffer, const char* className)
{
    lib::wfc::CClientDC screen(nullptr);
    g_hPicture = ::CreateCompatibleBitmap(screen.GetHDC(), buffer.GetWidth(), buffer.GetHeight());
    lib::wfc::CMemDC memory(screen.GetHDC());
    HGDIOBJ old = ::SelectObject(memory.GetHDC(), g_hPicture);
    ::SetDIBitsToDevice(memory.GetHDC(), 0, 0, buffer.GetWidth(), buffer.GetHeight(), 0, 0, 0,
                        buffer.GetHeight(), buffer.GetBits(),
                        reinterpret_cast<const BITMAPINFO*>(buffer.GetInfoHeader()),
                        DIB_RGB_COLORS);
    ::SelectObject(memory.GetHDC(), old);
    WNDCLASSEXA plain = {};
    plain.cbSize = sizeof plain;
    plain.lpfnWndProc = &PlainPictureProc;
    plain.hInstance = ::GetModuleHandleA(nullptr);
    plain.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    plain.lpszClassName = className;
    ::RegisterClassExA(&plain);
}

} // namespace skinbench
