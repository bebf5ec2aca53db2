// Gallery page of the card information window (product skin "SDInforWindow.txt"): without a
// card (the skin's own layout), and with a fixture card of 32 GB laid out by the bar's
// layout function, as the window does from the card's figures.

#include "launcher/SDInforWindow.h"
#include "skin/SkinWindowItemStatic.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

class CGallerySDInfor : public ui::CSDInforWindow {
public:
    CGallerySDInfor() : ui::CSDInforWindow(nullptr) {}
    using ui::CSDInforWindow::ApplyLayout;
    using ui::CSDInforWindow::BuildFromSkin;
    using ui::CSDInforWindow::CreateHidden;
};

const uint64_t kGB = 1024ULL * 1024 * 1024;
const uint64_t kMB = 1024ULL * 1024;

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CGallerySDInfor> window(new CGallerySDInfor);
    window->BuildFromSkin();
    return window;
}

void Create(ui::CSkinWindow& window) { dynamic_cast<CGallerySDInfor&>(window).CreateHidden(); }

// A card of 32 GB with 11.5 GB free: every kind has data, the probe data only a few bytes.
void LayFixtureCard(CGallerySDInfor& window)
{
    const uint64_t capacity = 32 * kGB;
    const uint64_t freeBytes = 11 * kGB + 512 * kMB;
    const uint64_t sizes[SD_CATEGORY_COUNT] = {120 * kMB, 40 * kMB, 6 * kGB, 9 * kGB, 700 * kMB,
                                               900 * kMB, 2 * kMB,  300 * kMB, 1 * kGB, 4096};
    SDCategoryUsage usages[SD_CATEGORY_COUNT];
    bool read[SD_CATEGORY_COUNT];
    for (uint32_t kind = 0; kind < SD_CATEGORY_COUNT; ++kind) {
        usages[kind].m_ullTotalBytes = sizes[kind];
        usages[kind].m_stNewest.wYear = static_cast<WORD>(kind == 6 ? 0 : 2026);
        usages[kind].m_stNewest.wMonth = 12;
        usages[kind].m_stNewest.wDay = static_cast<WORD>(1 + kind);
        usages[kind].m_stNewest.wHour = static_cast<WORD>(8 + kind);
        usages[kind].m_stNewest.wMinute = static_cast<WORD>(5 * kind);
        read[kind] = true;
        if (kind < ui::SD_DATED_COUNT) {
            window.GetDateText(kind)->SetText(ui::FormatUsageDate(usages[kind].m_stNewest));
        }
    }
    window.GetMemoryText()->SetText("Total " + CSDInfoMgr::FormatSizeText(capacity - freeBytes) +
                                    "/" + CSDInfoMgr::FormatSizeText(capacity));
    window.ApplyLayout(ui::LayOutUsageBar(capacity, freeBytes, usages, read));
    window.RedrawRect(0, 0, 480, 564, true);
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    shots.Take("no-card", window);
    LayFixtureCard(dynamic_cast<CGallerySDInfor&>(window));
    shots.Take("card", window);
    window.SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    shots.Take("card-inactive", window);
}

const bool g_bPage =
    gallery::RegisterPage({"SDInfor", gallery::PAGE_PRODUCT, &Build, &Create, &Looks});

} // namespace
