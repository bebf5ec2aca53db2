// Gallery page of the drop window (product skin "DropWindow.txt"): idle, a suitable file
// over it, unpacking at two frames of the animation; and its three texts in the message box.

#include "launcher/DropWindow.h"
#include "skin/MessageBoxWindow.h"
#include "skin/SkinWindowItemAnimation.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemStaticImage.h"
#include "tests/gallery/Gallery.h"
#include "tests/skin/support/DropWindowClass.h"

#include <windows.h>

#include <memory>

namespace {

class CGalleryDrop : public ui::CDropWindow {
public:
    CGalleryDrop() : ui::CDropWindow(nullptr) {}
    using ui::CDropWindow::BuildFromSkin;
    using ui::CDropWindow::CreateHidden;
};

std::unique_ptr<ui::CSkinWindow> Build()
{
    // The drop target's child window needs the class the launcher's start registers.
    skintest::RegisterDropWindowClass();
    std::unique_ptr<CGalleryDrop> window(new CGalleryDrop);
    window->BuildFromSkin();
    return window;
}

void Create(ui::CSkinWindow& window)
{
    dynamic_cast<CGalleryDrop&>(window).CreateHidden();
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    auto& drop = dynamic_cast<CGalleryDrop&>(window);
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    shots.Take("idle", window);
    drop.GetDragInImage()->SetVisible(true);
    shots.Take("drag-in", window);
    drop.GetDragInImage()->SetVisible(false);
    drop.GetCloseButton()->SetVisible(false);
    ui::CSkinWindowItemAnimation* animation = drop.GetAnimation();
    animation->SetVisible(true);
    animation->Start();
    // The frame follows the time since the first tick of the run (100 ms a frame).
    const DWORD start = 1000000;
    animation->OnTick(start);
    animation->OnTick(start + 250);
    shots.Take("unpacking-frame2", window);
    animation->OnTick(start + 1150);
    shots.Take("unpacking-frame11", window);
    animation->Stop();
}

class CGalleryBox : public ui::CMessageBoxWindow {
public:
    CGalleryBox() : ui::CMessageBoxWindow(true) {}
    using ui::CMessageBoxWindow::BuildFromSkin;
    using ui::CMessageBoxWindow::CreateBox;
    using ui::CMessageBoxWindow::LayoutBox;
};

std::unique_ptr<ui::CSkinWindow> BuildBox()
{
    std::unique_ptr<CGalleryBox> box(new CGalleryBox);
    box->BuildFromSkin();
    return box;
}

void CreateBox(ui::CSkinWindow& window)
{
    dynamic_cast<CGalleryBox&>(window).CreateBox(nullptr);
}

void BoxLooks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    auto& box = dynamic_cast<CGalleryBox&>(window);
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    box.LayoutBox(ui::CDropWindow::kOverwriteText, MB_OKCANCEL);
    shots.Take("overwrite", window);
    box.LayoutBox(ui::CDropWindow::kDoneText, MB_OK);
    shots.Take("done", window);
    box.LayoutBox(ui::CDropWindow::kFailedText, MB_OK | MB_ICONWARNING);
    shots.Take("failed", window);
}

const bool g_bPage = gallery::RegisterPage(
    {"DropWindow", gallery::PAGE_PRODUCT, &Build, &Create, &Looks});
const bool g_bBoxPage = gallery::RegisterPage(
    {"DropWindowTexts", gallery::PAGE_PRODUCT, &BuildBox, &CreateBox, &BoxLooks});

} // namespace
