// Gallery page of the version information window (product skin "VersionInfoWindow.txt"):
// plain, and with the four versions revealed, one tool not installed.

#include "launcher/VersionInfoWindow.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

class CGalleryVersionInfo : public ui::CVersionInfoWindow {
public:
    CGalleryVersionInfo() : ui::CVersionInfoWindow(nullptr) {}
    using ui::CVersionInfoWindow::BuildFromSkin;
    using ui::CVersionInfoWindow::CreateHiddenWindow;
    using ui::CVersionInfoWindow::ShowVersions;
};

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CGalleryVersionInfo> window(new CGalleryVersionInfo);
    window->BuildFromSkin();
    return window;
}

void Create(ui::CSkinWindow& window)
{
    dynamic_cast<CGalleryVersionInfo&>(window).CreateHiddenWindow();
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    shots.Take("plain", window);
    dynamic_cast<CGalleryVersionInfo&>(window).ShowVersions(
        {"4.1.12.305", "3.0.2.17", "", "2.11.0.8"});
    shots.Take("revealed", window);
}

const bool g_bPage = gallery::RegisterPage(
    {"VersionInfo", gallery::PAGE_PRODUCT, &Build, &Create, &Looks});

} // namespace
