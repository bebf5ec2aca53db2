// Parsing speed of the launcher's skin texts, uncached, beside reading and converting the
// same bytes into wide lines in the same run. For each text: reading alone; reading and
// parsing the text itself; and the whole uncached load a first window does (its includes,
// macros and classes). Every figure is the mean of as many rounds as fill a quarter second.

#include "bench/SkinBenchSupport.h"
#include "lib/wfc/DIB.h"
#include "skin/SkinException.h"
#include "skin/SkinLoader.h"
#include "skin/SkinParser.h"
#include "skin/SkinReader.h"
#include "tests/skin/support/SkinTestSupport.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const double kRoundSeconds = 0.25;

using skinbench::CStopOnError;
using skinbench::Now;

// Milliseconds per call.
template <class Call>
double Measure(Call call)
{
    call(); // warm
    long rounds = 0;
    const double start = Now();
    double elapsed = 0;
    do {
        call();
        ++rounds;
        elapsed = Now() - start;
    } while (elapsed < kRoundSeconds);
    return elapsed * 1000.0 / static_cast<double>(rounds);
}

} // namespace

int main()
{
    CStopOnError reporter;
    ui::SetSkinErrorReporter(&reporter);
    const std::vector<std::string> texts = skintest::ListSkinTexts(nullptr);
    std::printf("%-24s %8s %6s %12s %12s %12s %8s\n", "text", "bytes", "lines", "read ms",
                "parse ms", "load ms", "load/read");
    double totalRead = 0, totalParse = 0, totalLoad = 0;
    for (const std::string& text : texts) {
        const char* name = text.c_str();
        const std::vector<std::wstring> lines = ui::ReadSkinResource(name, nullptr);
        DWORD size = 0;
        lib::wfc::LoadResourceBytes(nullptr, name, "SKIN", &size);
        const double read = Measure([&] { ui::ReadSkinResource(name, nullptr); });
        const double parse = Measure([&] {
            ui::SkinDefinition definition;
            std::vector<std::string> includes, languages;
            ui::ParseSkinText(name, ui::ReadSkinResource(name, nullptr), definition, includes,
                              languages);
        });
        const double load = Measure([&] {
            std::vector<std::string> includes, languages;
            ui::SkinDefinition definition = ui::LoadSkinText(name, nullptr, includes, languages);
            ui::ApplyReplacementTable(definition);
            ui::ResolveSkinClasses(definition);
        });
        totalRead += read;
        totalParse += parse;
        totalLoad += load;
        std::printf("%-24s %8lu %6u %12.4f %12.4f %12.4f %8.1f\n", name,
                    static_cast<unsigned long>(size), static_cast<unsigned>(lines.size()), read,
                    parse, load, load / read);
    }
    std::printf("%-24s %8s %6s %12.4f %12.4f %12.4f %8.1f\n", "all texts", "", "", totalRead,
                totalParse, totalLoad, totalLoad / totalRead);
    ui::SetSkinErrorReporter(nullptr);
    return 0;
}
