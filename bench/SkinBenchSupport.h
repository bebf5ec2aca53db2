#pragma once
// What the skin benchmarks share: a skin error stops the run, and a clock in seconds.

#include "skin/SkinException.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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

} // namespace skinbench
