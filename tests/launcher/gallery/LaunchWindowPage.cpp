// Gallery pages of the launcher's main window (product skin "LaunchWindow.txt"): the window
// as the skin draws it, 618 x 128 with the camera-unit button, and the narrow 548 x 128 one
// without it, whose items right of that button close its gap; each active and inactive.

#include "launcher/LaunchWindow.h"
#include "launcher/LauncherSetting.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

std::unique_ptr<ui::CSkinWindow> BuildWith(bool driveMemory)
{
    std::unique_ptr<ui::CLaunchWindow> window(new ui::CLaunchWindow);
    // The constructor has loaded the settings; the skin reads the flag from them.
    CLauncherSetting::GetInstance().SetDriveMemory(driveMemory);
    window->LoadWindowSkin();
    return window;
}

std::unique_ptr<ui::CSkinWindow> BuildWide() { return BuildWith(true); }
std::unique_ptr<ui::CSkinWindow> BuildNarrow() { return BuildWith(false); }

void CreateNarrow(ui::CSkinWindow& window)
{
    window.Create(0, nullptr, window.GetTitle().c_str(), WS_POPUP, 0, 0,
                  ui::kLaunchWindowCompactWidth, ui::kLaunchWindowHeight);
}

const bool g_bWide = gallery::RegisterPage(
    {"LaunchWindow", gallery::PAGE_PRODUCT, &BuildWide, nullptr, nullptr});
const bool g_bNarrow = gallery::RegisterPage(
    {"LaunchWindowNarrow", gallery::PAGE_PRODUCT, &BuildNarrow, &CreateNarrow, nullptr});

} // namespace
