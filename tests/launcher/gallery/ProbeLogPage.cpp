// Gallery page of the probe log window (product skin "ProbeLogWindow.txt"): empty, a run in
// progress with the bar at 60, and a full ring scrolled to its newest line (its check box
// also checked). The window is built and created as its Create does, without loading a
// history (so nothing is stored or written when it goes); its lines come from the job's
// reports, sent as the job posts them.

#include "launcher/ProbeLogWindow.h"
#include "online/ProbeUpload.h"
#include "skin/SkinWindowItemToggleButton.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

class CGalleryProbeLog : public ui::CProbeLogWindow {
public:
    CGalleryProbeLog() : ui::CProbeLogWindow(nullptr) {}
    using ui::CProbeLogWindow::BuildFromSkin;
    using ui::CProbeLogWindow::CreateHidden;
};

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CGalleryProbeLog> window(new CGalleryProbeLog);
    window->BuildFromSkin();
    return window;
}

void Create(ui::CSkinWindow& window) { dynamic_cast<CGalleryProbeLog&>(window).CreateHidden(); }

void Report(ui::CSkinWindow& window, uint32_t step, uint32_t result = 0)
{
    window.SendMessage(WM_PROBEUPLOAD_STATUS, step, static_cast<LPARAM>(result));
}

// One run as the job reports it, up to its upload request (with the bar at 60), or whole.
void Run(ui::CSkinWindow& window, bool whole, uint32_t result = 0)
{
    window.SendMessage(WM_PROBEUPLOAD_PERCENT, PROBE_PERCENT_START, 0);
    Report(window, PROBE_STEP_BRACKET);
    Report(window, PROBE_STEP_STARTED);
    Report(window, PROBE_STEP_SCANNING);
    window.SendMessage(WM_PROBEUPLOAD_PERCENT, PROBE_PERCENT_FOUND, 0);
    Report(window, PROBE_STEP_MERGING);
    Report(window, PROBE_STEP_CONSENTED);
    Report(window, PROBE_STEP_CONSENT_REQUEST);
    window.SendMessage(WM_PROBEUPLOAD_PERCENT, PROBE_PERCENT_REQUEST, 0);
    Report(window, PROBE_STEP_UPLOAD_REQUEST);
    if (!whole) return;
    Report(window, PROBE_STEP_COMPLETION_REQUEST);
    window.SendMessage(WM_PROBEUPLOAD_PERCENT, PROBE_PERCENT_END, 0);
    Report(window, PROBE_STEP_BRACKET);
    Report(window, PROBE_STEP_ENDED);
    Report(window, PROBE_STEP_RESULT, result);
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    shots.Take("empty", window);
    Run(window, false);
    shots.Take("running", window);
    // Ten runs and a half more than the ring holds, the last one failing at its upload.
    for (int run = 0; run < 10; ++run) Run(window, true, run == 9 ? 0x400104 : 0);
    shots.Take("full", window);
    // The check box as a user who does not want the window any more leaves it.
    dynamic_cast<CGalleryProbeLog&>(window).GetCheckBox()->OnMessage(ui::ITEM_MESSAGE_SET_CHECK,
                                                                     1, 0);
    shots.Take("full-unwanted", window);
    window.SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    shots.Take("full-inactive", window);
}

const bool g_bPage =
    gallery::RegisterPage({"ProbeLog", gallery::PAGE_PRODUCT, &Build, &Create, &Looks});

} // namespace
