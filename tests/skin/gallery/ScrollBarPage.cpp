// Gallery page of the scroll bars in the product's look (the classes of the product's
// "Common.txt") on the test window: vertical and horizontal bars with the thumb at the start,
// in the middle and at the end, and with nothing to scroll; then each button and thumb hot,
// and pressed.

#include "lib/StringUtility.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindowItemScrollBar.h"
#include "tests/gallery/Gallery.h"

#include <memory>

namespace {

struct BarOnPage {
    const char* m_pszClass;
    RECT m_rcBounds;
    int32_t m_nId;
    int32_t m_nLast;        // the range's last element, page 10
    int32_t m_nPos;
    int32_t m_nShownPart;   // hot, then pressed
};

const BarOnPage kBars[] = {
    {"ScrollBarVertical", {28, 56, 46, 176}, 2001, 99, 0, ui::SCROLL_PART_UP},
    {"ScrollBarVertical", {58, 56, 76, 176}, 2002, 99, 45, ui::SCROLL_PART_THUMB},
    {"ScrollBarVertical", {88, 56, 106, 176}, 2003, 99, 90, ui::SCROLL_PART_DOWN},
    {"ScrollBarVertical", {118, 56, 136, 176}, 2004, 5, 0, ui::SCROLL_PART_DOWN},
    {"ScrollBarHorizontal", {148, 60, 292, 78}, 2005, 99, 0, ui::SCROLL_PART_UP},
    {"ScrollBarHorizontal", {148, 90, 292, 108}, 2006, 99, 45, ui::SCROLL_PART_THUMB},
    {"ScrollBarHorizontal", {148, 120, 292, 138}, 2007, 99, 90, ui::SCROLL_PART_DOWN},
    {"ScrollBarHorizontal", {148, 150, 292, 168}, 2008, 5, 0, ui::SCROLL_PART_DOWN},
};

// The block a window's text would write: the class, and the item's own place.
ui::SkinBlock BarBlock(const ui::SkinDefinition& common, const BarOnPage& bar)
{
    ui::SkinBlock block = ui::GetSkinBlock(common, bar.m_pszClass);
    const RECT& r = bar.m_rcBounds;
    block.m_mapKeyword["Position"] = {lib::FormatString("%ld", r.left),
                                      lib::FormatString("%ld", r.top)};
    block.m_mapKeyword["Size"] = {lib::FormatString("%ld", r.right - r.left),
                                  lib::FormatString("%ld", r.bottom - r.top)};
    return block;
}

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<ui::CSkinWindow> window(new ui::CSkinWindow);
    ui::SkinDefinition definition;
    window->LoadSkin(definition, "TestWindow.txt", "Base", true);
    const ui::SkinDefinition common = ui::LoadSkinDefinition("Common.txt", nullptr);
    for (const BarOnPage& bar : kBars) {
        ui::CSkinWindowItemScrollBar* item =
            window->CreateScrollBar(bar.m_nId, BarBlock(common, bar));
        item->SetRange(bar.m_nLast, 10);
        item->SetPos(bar.m_nPos);
    }
    return window;
}

// Drives each bar's shown part straight through the item, as the window would pass the mouse.
void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    shots.Take("normal", window);
    for (const bool press : {false, true}) {
        for (const BarOnPage& bar : kBars) {
            auto* item = static_cast<ui::CSkinWindowItemScrollBar*>(window.GetItemById(bar.m_nId));
            const ui::SkinRect part = item->GetPartRect(bar.m_nShownPart);
            const int x = (part.left + part.right) / 2;
            const int y = (part.top + part.bottom) / 2;
            if (press) {
                item->OnLButtonDown(x, y);
            } else {
                item->OnMouseMove(x, y);
            }
        }
        shots.Take(press ? "pressed" : "hot", window);
    }
}

const bool g_bPage =
    gallery::RegisterPage({"ScrollBar", gallery::PAGE_TEST, &Build, nullptr, &Looks});

} // namespace
