// Gallery page of the settings window (product skin "SettingWindow.txt"): idle with a card
// selected, and with its card buttons disabled while an update runs.

#include "launcher/SettingWindow.h"
#include "lib/Path.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

class CGallerySetting : public ui::CSettingWindow {
public:
    CGallerySetting() : ui::CSettingWindow(nullptr) {}
    using ui::CSettingWindow::BuildFromSkin;
    using ui::CSettingWindow::CreateHiddenWindow;
};

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CGallerySetting> window(new CGallerySetting);
    window->BuildFromSkin();
    return window;
}

void Create(ui::CSkinWindow& window)
{
    dynamic_cast<CGallerySetting&>(window).CreateHiddenWindow();
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    window.SendMessage(ui::CSettingWindow::WM_LAUNCHER_CARD_STATE, 1, 0);
    shots.Take("idle", window);
    window.SendMessage(lib::GetRegisteredMessage("Launcher_UpdateState"), 1, 0);
    shots.Take("card-buttons-disabled", window);
}

const bool g_bPage = gallery::RegisterPage(
    {"Setting", gallery::PAGE_PRODUCT, &Build, &Create, &Looks});

} // namespace
