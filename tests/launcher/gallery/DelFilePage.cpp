// Gallery page of the delete-data window (product skin "DelFileWindow.txt"): the animated
// line at each of its four steps, and the window inactive.

#include "launcher/DelFileWindow.h"
#include "skin/SkinWindowItem.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

class CGalleryDelFile : public ui::CDelFileWindow {
public:
    CGalleryDelFile() : ui::CDelFileWindow(nullptr, 'H') {}
    using ui::CDelFileWindow::BuildFromSkin;
    using ui::CDelFileWindow::CreateHiddenWindow;
    using ui::CDelFileWindow::StepAnimation;
};

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CGalleryDelFile> window(new CGalleryDelFile);
    window->BuildFromSkin();
    return window;
}

void Create(ui::CSkinWindow& window)
{
    dynamic_cast<CGalleryDelFile&>(window).CreateHiddenWindow();
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    auto& deleting = dynamic_cast<CGalleryDelFile&>(window);
    window.GetItemById(ui::DelFileWindowKey::kDelTextStatic.m_nId)->SetVisible(true);
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    const char* const steps[] = {"dots-0", "dots-1", "dots-2", "dots-3"};
    for (const char* step : steps) {
        shots.Take(step, window);
        deleting.StepAnimation();
    }
    window.SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    shots.Take("inactive", window);
}

const bool g_bPage = gallery::RegisterPage(
    {"DelFile", gallery::PAGE_PRODUCT, &Build, &Create, &Looks});

} // namespace
