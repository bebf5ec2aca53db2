// Gallery page of the product's window frame: a resizable window in the common look with a
// framed panel that grows with it and one with a text that keeps to its bottom-left corner,
// at its design size, grown, shrunk to its minimum, and under the frame overlay.

#include "skin/LayoutManager.h"
#include "skin/ResizableSkinWindow.h"
#include "skin/SkinItemKey.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindowItemOverlay.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "tests/gallery/Gallery.h"

#include <cstdint>
#include <memory>

namespace {

uint16_t g_nKeyId = 2000;
const ui::SkinItemKey kMainPanel("FrameMain", g_nKeyId);
const ui::SkinItemKey kStatusPanel("FrameStatus", g_nKeyId);
const ui::SkinItemKey kOverlay("FrameOverlay", g_nKeyId);

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<ui::CResizableSkinWindow> window(new ui::CResizableSkinWindow);
    ui::SkinDefinition definition;
    window->LoadSkin(definition, "TestFrameWindow.txt", "Base", true);
    window->AddResizableStaticImage(definition, kMainPanel);
    window->AddResizableStaticImage(definition, kStatusPanel);
    // As every application window lays its overlay: over the whole window, hidden.
    const ui::SkinSize design = window->GetDesignSize();
    ui::CSkinWindowItemOverlay* overlay =
        window->CreateOverlay(kOverlay.m_nId, ui::GetSkinBlock(definition, kOverlay.m_strName));
    overlay->SetRect(ui::SkinRect{0, 0, design.cx, design.cy});
    overlay->SetVisible(false);

    window->SetAnchor(kMainPanel.m_nId, ui::ANCHOR_NEAR, ui::ANCHOR_NEAR, ui::ANCHOR_FAR,
                      ui::ANCHOR_FAR);
    window->SetAnchor(kStatusPanel.m_nId, ui::ANCHOR_NEAR, ui::ANCHOR_FAR, ui::ANCHOR_NEAR,
                      ui::ANCHOR_FAR);
    window->SetAnchor(kOverlay.m_nId, ui::ANCHOR_NEAR, ui::ANCHOR_NEAR, ui::ANCHOR_FAR,
                      ui::ANCHOR_FAR);
    return window;
}

void Resize(ui::CSkinWindow& window, int width, int height)
{
    ::SetWindowPos(window.GetHwnd(), nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    auto& frame = dynamic_cast<ui::CResizableSkinWindow&>(window);
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    shots.Take("design", window);
    Resize(window, 640, 420);
    shots.Take("grown", window);
    const ui::SkinSize minimum = frame.GetMinSize();
    Resize(window, minimum.cx, minimum.cy);
    shots.Take("shrunk", window);
    const ui::SkinSize design = frame.GetDesignSize();
    Resize(window, design.cx, design.cy);
    frame.GetItemById(kOverlay.m_nId)->SetVisible(true);
    shots.Take("overlay", window);
}

const bool g_bPage = gallery::RegisterPage(
    {"ProductFrame", gallery::PAGE_TEST, &Build, nullptr, &Looks});

} // namespace
