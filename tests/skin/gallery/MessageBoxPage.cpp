// Gallery page of the skinned message box (product skin "MessageBoxWindow.txt"): every button
// set, texts of one, three and six lines and a wrapped paragraph, the red text of an
// exclamation, the box without a standard button, and under its veil. Each look is laid out
// as DoModal lays the box out, without running its modal loop.

#include "skin/MessageBoxWindow.h"
#include "tests/gallery/Gallery.h"
#include "tests/skin/support/MessageTexts.h"

#include <windows.h>

#include <memory>
#include <string>

namespace {

class CGalleryMessageBox : public ui::CMessageBoxWindow {
public:
    CGalleryMessageBox() : ui::CMessageBoxWindow(true) {}
    using ui::CMessageBoxWindow::BuildFromSkin;
    using ui::CMessageBoxWindow::CreateBox;
    using ui::CMessageBoxWindow::LayoutBox;
};

const char kWaiting[] = "SDカードをチェックしています。\r\nしばらくお待ちください。";

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CGalleryMessageBox> box(new CGalleryMessageBox);
    box->BuildFromSkin();
    return box;
}

void Create(ui::CSkinWindow& window)
{
    dynamic_cast<CGalleryMessageBox&>(window).CreateBox(nullptr);
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    auto& box = dynamic_cast<CGalleryMessageBox&>(window);
    const struct {
        const char* look;
        const char* text;
        UINT type;
    } looks[] = {
        {"ok-one-line", skintest::kOneLineText, MB_OK | MB_ICONINFORMATION},
        {"okcancel-three-lines", skintest::kThreeLineText, MB_OKCANCEL},
        {"yesnocancel-six-lines", skintest::kSixLineText, MB_YESNOCANCEL | MB_ICONQUESTION},
        {"yesno-wrapped", skintest::kParagraphText, MB_YESNO},
        {"retrycancel-exclamation", skintest::kThreeLineText, MB_RETRYCANCEL | MB_ICONEXCLAMATION},
        {"no-button", kWaiting, 255},
    };
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    for (const auto& look : looks) {
        box.LayoutBox(look.text, look.type);
        shots.Take(look.look, window);
    }
    window.SendMessage(ui::kMessageBoxOverlayMessage, ui::OVERLAY_SHOW_OR_HIDE, 1);
    shots.Take("veil", window);
}

const bool g_bPage = gallery::RegisterPage(
    {"MessageBox", gallery::PAGE_PRODUCT, &Build, &Create, &Looks});

} // namespace
