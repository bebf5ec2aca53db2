// Gallery pages of the launcher's main window (product skin "LaunchWindow.txt"): the window
// as the skin draws it, 618 x 128 with the camera-unit button, and the narrow 548 x 128 one
// without it, whose items right of that button close its gap; each active and inactive, and
// the wide one in the looks a user meets: a newer version waiting, the log-in button shown
// and hidden, the card button with no card, a card and the unit's card, and the close button
// disabled while the drop window writes; and the jobs' rows: downloads running (the step in
// progress blinking away), both downloads and the probe upload finished, and the veil laid
// over the window while a catalogue error asks the user.

#include "launcher/LaunchWindow.h"
#include "launcher/LauncherSetting.h"
#include "skin/SkinWindowItem.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

namespace key = ui::LaunchWindowKey;

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

void Show(ui::CSkinWindow& window, const ui::SkinItemKey& item, bool visible)
{
    window.GetItemById(item.m_nId)->SetVisible(visible);
}

// The card button as the card state shows it: one of three.
void ShowCard(ui::CSkinWindow& window, const ui::SkinItemKey& shown)
{
    for (const ui::SkinItemKey* item :
         {&key::kButtonSDChoose, &key::kButtonClassSD, &key::kButtonClassSDPairing}) {
        Show(window, *item, item == &shown);
    }
}

void WideLooks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    gallery::TakeBothLooks(window, shots);
    Show(window, key::kNeedUpdateButton, true);
    shots.Take("update-waiting", window);
    Show(window, key::kNeedUpdateButton, false);

    Show(window, key::kButtonLogin, false);
    shots.Take("login-hidden", window);
    Show(window, key::kButtonLogin, true);

    ShowCard(window, key::kButtonClassSD);
    shots.Take("card", window);
    ShowCard(window, key::kButtonClassSDPairing);
    shots.Take("unit-card", window);
    // Without a card there is nothing to download.
    ShowCard(window, key::kButtonSDChoose);
    window.GetItemById(key::kButtonUpdate.m_nId)->SetEnable(false);
    window.RedrawRect(0, 0, ui::kLaunchWindowWidth, ui::kLaunchWindowHeight, false);
    shots.Take("no-card", window);
    window.GetItemById(key::kButtonUpdate.m_nId)->SetEnable(true);

    window.GetItemById(key::kCloseButton.m_nId)->SetEnable(false);
    window.RedrawRect(0, 0, ui::kLaunchWindowWidth, ui::kLaunchWindowHeight, false);
    shots.Take("close-disabled", window);
    window.GetItemById(key::kCloseButton.m_nId)->SetEnable(true);

    // The jobs report as they do to the window: started (no step shown), then their percent;
    // each blink tick hides or shows the step in progress.
    const UINT progress = ::RegisterWindowMessageA("QZLNotifyProgress");
    const UINT finish = ::RegisterWindowMessageA("QZLNotifyFinish");
    for (const ui::SkinItemKey* row : {key::kVelocetIngImage, key::kWeatherIngImage}) {
        for (int i = 0; i < 3; ++i) window.GetItemById(row[i].m_nId)->SetVisible(false);
    }
    window.SendMessage(progress, 33, 37);
    window.SendMessage(progress, 66, 38);
    window.SendMessage(WM_TIMER, ui::TIMER_WEATHER_BLINK, 0);
    shots.Take("downloading", window);
    window.SendMessage(WM_TIMER, ui::TIMER_WEATHER_BLINK, 0);
    window.SendMessage(WM_TIMER, ui::TIMER_VELOCET_BLINK, 0);
    shots.Take("downloading-blink", window);
    for (uint32_t type : {37u, 38u, 36u}) {
        window.SendMessage(progress, 100, type);
        window.SendMessage(finish, 0, type);
    }
    shots.Take("all-done", window);
    window.SendMessage(ui::kWindowOverlayMessage, ui::OVERLAY_SHOW_OR_HIDE, 1);
    shots.Take("error-veil", window);
    window.SendMessage(ui::kWindowOverlayMessage, ui::OVERLAY_SHOW_OR_HIDE, 0);
}

const bool g_bWide = gallery::RegisterPage(
    {"LaunchWindow", gallery::PAGE_PRODUCT, &BuildWide, nullptr, &WideLooks});
const bool g_bNarrow = gallery::RegisterPage(
    {"LaunchWindowNarrow", gallery::PAGE_PRODUCT, &BuildNarrow, &CreateNarrow, nullptr});

} // namespace
