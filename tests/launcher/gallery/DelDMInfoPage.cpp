// Gallery page of the delete-data window's question box (product skin
// "DelDMInfoMsgWindow.txt"): the delete-data window's question about the
// camera unit's recordings with Yes, No and Cancel, and under its veil.

#include "launcher/DelDMInfoMsgWindow.h"
#include "launcher/DelFileWindow.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

class CGalleryDelDMInfo : public ui::CDelDMInfoMsgWindow {
public:
    CGalleryDelDMInfo() : ui::CDelDMInfoMsgWindow(true) {}
    using ui::CDelDMInfoMsgWindow::BuildFromSkin;
    using ui::CDelDMInfoMsgWindow::CreateBox;
    using ui::CDelDMInfoMsgWindow::LayoutBox;
};

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CGalleryDelDMInfo> box(new CGalleryDelDMInfo);
    box->BuildFromSkin();
    return box;
}

void Create(ui::CSkinWindow& window)
{
    dynamic_cast<CGalleryDelDMInfo&>(window).CreateBox(nullptr);
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    auto& box = dynamic_cast<CGalleryDelDMInfo&>(window);
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    box.LayoutBox(ui::CDelFileWindow::kVideoQuestion, MB_YESNOCANCEL | MB_ICONQUESTION);
    shots.Take("question", window);
    window.SendMessage(ui::kMessageBoxOverlayMessage, ui::OVERLAY_SHOW_OR_HIDE, 1);
    shots.Take("veil", window);
}

const bool g_bPage = gallery::RegisterPage(
    {"DelDMInfo", gallery::PAGE_PRODUCT, &Build, &Create, &Looks});

} // namespace
