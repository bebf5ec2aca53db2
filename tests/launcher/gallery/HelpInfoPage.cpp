// Gallery page of the help balloon (product skin "HelpInfoWindow.txt"): wide under the first
// button, and narrow (drive button hidden) under the fourth with the last button's texts.

#include "launcher/HelpInfoWindow.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

class CGalleryHelpInfo : public ui::CHelpInfoWindow {
public:
    CGalleryHelpInfo() : ui::CHelpInfoWindow(nullptr) {}
    using ui::CHelpInfoWindow::BuildFromSkin;
    using ui::CHelpInfoWindow::CreateHiddenWindow;
};

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CGalleryHelpInfo> window(new CGalleryHelpInfo);
    window->BuildFromSkin(0);
    return window;
}

void Create(ui::CSkinWindow& window)
{
    dynamic_cast<CGalleryHelpInfo&>(window).CreateHiddenWindow();
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    auto& balloon = dynamic_cast<CGalleryHelpInfo&>(window);
    balloon.ShowHelp(0, 0, 618, 128, 0, true);
    shots.Take("wide-index0", window);
    balloon.ShowHelp(0, 0, 548, 128, 3, false);
    shots.Take("narrow-index3", window);
}

const bool g_bPage = gallery::RegisterPage(
    {"HelpInfo", gallery::PAGE_PRODUCT, &Build, &Create, &Looks});

} // namespace
