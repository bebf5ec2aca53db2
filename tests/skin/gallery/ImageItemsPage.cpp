// Gallery pages of the image items on the test window: pictures as drawn, overflowing a
// smaller item, tiled and stretched, captioned, enabled and disabled, with busy marks at
// chosen moments; and the product's step marks in both states.

#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindowItemAnimation.h"
#include "skin/SkinWindowItemStaticChangeImage.h"
#include "skin/SkinWindowItemStaticImage.h"
#include "tests/gallery/Gallery.h"

#include <memory>

namespace {

const int32_t kFirstBusy = 10;
const int kBusyCount = 4;
const int32_t kFirstImage = 1;
const int kImageCount = 5;

std::unique_ptr<ui::CSkinWindow> BuildImageItems()
{
    std::unique_ptr<ui::CSkinWindow> window(new ui::CSkinWindow);
    ui::SkinDefinition definition;
    window->LoadSkin(definition, "TestImageGallery.txt", "Base", true);
    uint16_t id = kFirstImage;
    for (const char* name : {"GalleryPicture", "GalleryOverflow", "GalleryTiled",
                             "GalleryStretched", "GalleryBanner"}) {
        window->AddStaticImage(definition, ui::SkinItemKey(name, id));
    }
    static_cast<ui::CSkinWindowItemStaticImage*>(window->GetItemById(kFirstImage + 3))
        ->EnableStretch();
    id = kFirstBusy;
    for (const char* name : {"GalleryBusy1", "GalleryBusy2", "GalleryBusy3", "GalleryBusy4"}) {
        window->AddAnimation(definition, ui::SkinItemKey(name, id));
    }
    return window;
}

ui::CSkinWindowItemAnimation* Busy(ui::CSkinWindow& window, int index)
{
    return static_cast<ui::CSkinWindowItemAnimation*>(window.GetItemById(kFirstBusy + index));
}

void ImageItemsLooks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    // The page sets the moments itself: the window's own tick stays out of it.
    window.KillTimer(ui::kSkinTickTimerId);
    const DWORD start = 1000;
    for (int i = 0; i < kBusyCount; ++i) {
        Busy(window, i)->Start();
        Busy(window, i)->OnTick(start);
        Busy(window, i)->OnTick(start + 200 * i);   // frames 0, 2, 4, 6
    }
    shots.Take("enabled", window);
    for (int i = 0; i < kBusyCount; ++i) Busy(window, i)->OnTick(start + 200 * i + 100);
    shots.Take("100ms-later", window);
    for (int32_t id = kFirstImage; id < kFirstImage + kImageCount; ++id) {
        window.GetItemById(id)->SetEnable(false);
    }
    for (int i = 0; i < kBusyCount; ++i) Busy(window, i)->SetEnable(false);
    shots.Take("disabled", window);
}

// The product's step marks (class "StaticChangeImage" of "Common.txt"), one above the other
// in the middle of the test window's panel. Taken from the class block itself: a test skin
// text cannot include the product's texts, since test programs carry the test skins alone.
std::unique_ptr<ui::CSkinWindow> BuildStepMarks()
{
    std::unique_ptr<ui::CSkinWindow> window(new ui::CSkinWindow);
    ui::SkinDefinition definition;
    window->LoadSkin(definition, "TestWindow.txt", "Base", true);
    ui::SkinBlock mark =
        ui::GetSkinBlock(ui::LoadSkinDefinition("Common.txt", nullptr), "StaticChangeImage");
    mark.m_mapKeyword["Position"] = {"92", "64"};
    window->CreateStaticChangeImage(1, mark);
    mark.m_mapKeyword["Position"] = {"92", "84"};
    window->CreateStaticChangeImage(2, mark);
    return window;
}

ui::CSkinWindowItemStaticChangeImage* Step(ui::CSkinWindow& window, int32_t id)
{
    return static_cast<ui::CSkinWindowItemStaticChangeImage*>(window.GetItemById(id));
}

void StepMarksLooks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    shots.Take("to-come", window);
    Step(window, 1)->SetFinish(true);
    shots.Take("first-done", window);
    Step(window, 2)->SetFinish(true);
    shots.Take("both-done", window);
}

const bool g_bPages =
    gallery::RegisterPage(
        {"ImageItems", gallery::PAGE_TEST, &BuildImageItems, nullptr, &ImageItemsLooks}) &&
    gallery::RegisterPage(
        {"StepMarks", gallery::PAGE_TEST, &BuildStepMarks, nullptr, &StepMarksLooks});

} // namespace
