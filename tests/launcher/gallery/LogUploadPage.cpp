// Gallery page of the log upload window (product skin "LogUploadWindow.txt"): uploading with
// the bar part way, and the end looks after a finished and after a failed upload. The window
// is built and created as its Create does, without starting the permission check.

#include "launcher/LogUploadWindow.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

class CGalleryLogUpload : public ui::CLogUploadWindow {
public:
    CGalleryLogUpload() : ui::CLogUploadWindow(nullptr) {}
    using ui::CLogUploadWindow::BuildFromSkin;
    using ui::CLogUploadWindow::CreateHidden;
    using ui::CLogUploadWindow::ShowOutcome;
    using ui::CLogUploadWindow::ShowPercent;
};

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CGalleryLogUpload> window(new CGalleryLogUpload);
    window->BuildFromSkin();
    return window;
}

void Create(ui::CSkinWindow& window)
{
    dynamic_cast<CGalleryLogUpload&>(window).CreateHidden(nullptr);
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    auto& upload = dynamic_cast<CGalleryLogUpload&>(window);
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    upload.ShowPercent(42);
    shots.Take("uploading", window);
    upload.ShowPercent(100);
    upload.ShowOutcome(false);
    shots.Take("done", window);
    upload.ShowOutcome(true);
    shots.Take("failed", window);
}

const bool g_bPage = gallery::RegisterPage(
    {"LogUpload", gallery::PAGE_PRODUCT, &Build, &Create, &Looks});

} // namespace
