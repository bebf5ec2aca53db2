// Gallery page of the machine setting window (product skin "MachineSettingWindow.txt"):
// opened with the model TRK500 stored, and after a click on the first model.

#include "launcher/LauncherSetting.h"
#include "launcher/MachineSettingWindow.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

namespace key = ui::MachineSettingWindowKey;

class CGalleryMachineSetting : public ui::CMachineSettingWindow {
public:
    CGalleryMachineSetting() : ui::CMachineSettingWindow(nullptr) {}
    using ui::CMachineSettingWindow::BuildFromSkin;
    using ui::CMachineSettingWindow::CreateHiddenWindow;
};

std::unique_ptr<ui::CSkinWindow> Build()
{
    CLauncherSetting::GetInstance().SetMachineType(4);
    std::unique_ptr<CGalleryMachineSetting> window(new CGalleryMachineSetting);
    window->BuildFromSkin();
    return window;
}

void Create(ui::CSkinWindow& window)
{
    dynamic_cast<CGalleryMachineSetting&>(window).CreateHiddenWindow();
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    shots.Take("model-4", window);
    window.SendMessage(WM_COMMAND, MAKEWPARAM(key::kMachineTRK700H.m_nId, 1), 0);
    shots.Take("first-model", window);
    window.SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    shots.Take("inactive", window);
}

const bool g_bPage = gallery::RegisterPage(
    {"MachineSetting", gallery::PAGE_PRODUCT, &Build, &Create, &Looks});

} // namespace
