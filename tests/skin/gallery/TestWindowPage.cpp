// Gallery pages of the test skins' windows: a shaped window with its caption, and a window
// whose face is a piece of an atlas.

#include "tests/gallery/Gallery.h"

#include <memory>

namespace {

std::unique_ptr<ui::CSkinWindow> BuildFromText(const char* text)
{
    std::unique_ptr<ui::CSkinWindow> window(new ui::CSkinWindow);
    ui::SkinDefinition definition;
    window->LoadSkin(definition, text, "Base", true);
    return window;
}

std::unique_ptr<ui::CSkinWindow> BuildTestWindow()
{
    return BuildFromText("TestWindow.txt");
}

std::unique_ptr<ui::CSkinWindow> BuildTestWindowCut()
{
    return BuildFromText("TestWindowCut.txt");
}

const bool g_bPages =
    gallery::RegisterPage({"TestWindow", gallery::PAGE_TEST, &BuildTestWindow, nullptr, nullptr}) &&
    gallery::RegisterPage(
        {"TestWindowCut", gallery::PAGE_TEST, &BuildTestWindowCut, nullptr, nullptr});

} // namespace
