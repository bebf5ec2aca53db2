// Gallery page of the product's frames: a resizable window made of the classes of the
// product's "Common.txt" alone (FrameWindow, FramePanel, FrameOverlay), with a framed panel
// that grows with it and one with a text that keeps to its bottom-left corner, at its design
// size, grown, shrunk to its minimum, and under the frame overlay. What a window's own text
// would add to the classes (title, sizes, positions, texts) is written here.

#include "lib/StringUtility.h"
#include "skin/FrameOverlayWindowBase.h"
#include "skin/LayoutManager.h"
#include "skin/ResizableSkinWindow.h"
#include "skin/SkinItemKey.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "tests/gallery/Gallery.h"

#include <cstdint>
#include <memory>

namespace {

uint16_t g_nKeyId = 2000;
const ui::SkinItemKey kMainPanel("FramePanel", g_nKeyId);
const ui::SkinItemKey kStatusPanel("FramePanel", g_nKeyId);
const ui::SkinItemKey kOverlay("FrameOverlay", g_nKeyId);

// The window block is the class itself, completed as a window's text would; the veil is laid
// as every application window lays it.
class CFrameSampleWindow : public ui::CFrameOverlayWindowBase<ui::CResizableSkinWindow> {
public:
    CFrameSampleWindow() : CFrameOverlayWindowBase(&kOverlay) {}

    UINT GetOverlayMessage() override { return ui::kWindowOverlayMessage; }

    void ApplySkin(const ui::SkinBlock& block) override
    {
        ui::SkinBlock window = block;
        window.m_mapKeyword["Title"] = {"フレーム"};
        window.m_mapKeyword["MinSize"] = {"360", "240"};
        window.m_mapKeyword["LayoutSize"] = {"480", "320"};
        ui::CResizableSkinWindow::ApplySkin(window);
    }
};

ui::SkinBlock Panel(const ui::SkinDefinition& definition, const char* position,
                    const char* size)
{
    ui::SkinBlock block = ui::GetSkinBlock(definition, kMainPanel.m_strName);
    block.m_mapKeyword["Position"] = lib::SplitString(position, ",");
    block.m_mapKeyword["Size"] = lib::SplitString(size, ",");
    return block;
}

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CFrameSampleWindow> window(new CFrameSampleWindow);
    ui::SkinDefinition definition;
    window->LoadSkin(definition, "Common.txt", "FrameWindow", true);
    // Grows with the window (a list would lie on it).
    window->CreateResizableStaticImage(kMainPanel.m_nId, Panel(definition, "16,48", "448,200"));
    // Keeps its size: its text is centred in its own box, which the layout does not stretch.
    ui::SkinBlock status = Panel(definition, "16,264", "240,40");
    status.m_mapKeyword["Text"] = {"準備ができました"};
    status.m_mapKeyword["TextPosition"] = {"0", "0"};
    status.m_mapKeyword["TextSize"] = {"240", "40"};
    status.m_mapKeyword["TextColor"] = {"75", "88", "104"};
    window->CreateResizableStaticImage(kStatusPanel.m_nId, status);
    window->CreateFrameOverlay(definition);

    window->SetAnchor(kMainPanel.m_nId, ui::ANCHOR_NEAR, ui::ANCHOR_NEAR, ui::ANCHOR_FAR,
                      ui::ANCHOR_FAR);
    window->SetAnchor(kStatusPanel.m_nId, ui::ANCHOR_NEAR, ui::ANCHOR_FAR, ui::ANCHOR_NEAR,
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
    window.SendMessage(ui::kWindowOverlayMessage, ui::OVERLAY_SHOW_OR_HIDE, 1);
    shots.Take("overlay", window);
}

const bool g_bPage = gallery::RegisterPage(
    {"ProductFrame", gallery::PAGE_PRODUCT, &Build, nullptr, &Looks});

} // namespace
