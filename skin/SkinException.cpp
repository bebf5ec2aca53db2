#include "skin/SkinException.h"

#include "lib/TolveLog.h"

#include <windows.h>

#include <atomic>

namespace ui {

namespace {

// Constant-initialised, so a reporter installed by another file's static initialiser is
// never overwritten by this file's.
std::atomic<ISkinErrorReporter*> g_pReporter{nullptr};

const char kCaption[] = "Skin Load";

} // namespace

ISkinErrorReporter* SetSkinErrorReporter(ISkinErrorReporter* reporter)
{
    return g_pReporter.exchange(reporter);
}

void ThrowSkinException(const std::string& message)
{
    TOLVE_LOG(LOG_ERROR, "%s", message.c_str());
    ISkinErrorReporter* reporter = g_pReporter.load();
    if (reporter != nullptr) {
        reporter->ReportSkinError(message);
    } else {
        ::MessageBoxA(nullptr, message.c_str(), kCaption, MB_ICONHAND);
    }
    throw CSkinWindowException(message);
}

} // namespace ui
