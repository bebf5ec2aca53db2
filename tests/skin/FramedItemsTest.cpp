// The framed items: the resizable static image (its block, its nine-grid, its text in both
// looks and by either renderer) and the overlay (its alpha, blend and see-through key, and
// that it takes no clicks and has no tooltip). Items draw into the buffer of a stand-in
// window (tests/skin/support/FakeItemAccessor.h); hit tests run on a real window.

#include "lib/wfc/DIB.h"
#include "skin/ResizableSkinWindow.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindowItemOverlay.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "tests/skin/support/FakeItemAccessor.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

using skintest::PixelAt;

namespace {

const COLORREF kGround = RGB(255, 255, 255);
const COLORREF kFrame = RGB(0xD3, 0xDA, 0xE3);   // TestPanel.svg
const COLORREF kInk = RGB(0x1F, 0x2A, 0x37);     // TestOverlay.svg
const COLORREF kText = RGB(184, 50, 50);         // PanelText in TestResizable.txt
// Its disabled look: its grey, lightened by 40 per cent.
const COLORREF kDisabledText = RGB(191, 191, 191);

// A stand-in window of the size; a top-down buffer makes the antialiased renderer decline.
class CBufferAccessor : public skintest::CFakeItemAccessor {
public:
    CBufferAccessor(int width, int height, bool topDown)
        : skintest::CFakeItemAccessor(width, height, kGround)
    {
        if (!topDown) return;
        Buffer().Create(nullptr, width, -height, 24);
        Buffer().Fill(kGround);
    }
};

ui::SkinBlock Block(const char* name)
{
    return ui::GetSkinBlock(ui::LoadSkinDefinition("TestResizable.txt", nullptr), name);
}

// Pixels of exactly the colour inside the rectangle.
int CountColor(const lib::wfc::CDIB& dib, const RECT& rect, COLORREF color)
{
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            if (PixelAt(dib, x, y) == color) ++count;
        }
    }
    return count;
}

// ---- resizable static image ----

TEST(ResizableStaticImageTest, RefusesAnIncompleteBlock)
{
    const struct {
        const char* keyword;
        ui::SkinValues values;   // empty: removed
        const char* box;
    } cases[] = {
        {"Position", {}, "PanelText/Positionが定義されていません"},
        {"Size", {"10"}, "PanelText/Sizeのパラメータは 2個必要です"},
        {"Image", {}, "PanelText/Imageが定義されていません"},
        {"Image", {"TestPanel.png", "0", "8", "16", "24", "0", "8", "16"},
         "PanelText/Imageのパラメータは 9個必要です"},
        {"TextColor", {}, "PanelText/TextColorが定義されていません"},
        {"TextSize", {}, "PanelText/TextSizeが定義されていません"},
        {"TextAntialias", {"1", "2"},
         "PanelText/TextAntialiasのパラメータは 1個必要ですが、2個指定されています"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyword);
        ui::SkinBlock block = Block("PanelText");
        if (c.values.empty()) {
            block.m_mapKeyword.erase(c.keyword);
        } else {
            block.m_mapKeyword[c.keyword] = c.values;
        }
        CBufferAccessor window(320, 200, false);
        const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] {
            ui::CSkinWindowItemResizableStaticImage item(&window, 1, block, window.GetImageCache());
        });
        EXPECT_EQ(errors.m_vBox, std::vector<std::string>{c.box});
    }
    // Without a text, the text's keywords are not needed.
    ui::SkinBlock plain = Block("Panel");
    CBufferAccessor window(320, 200, false);
    const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] {
        ui::CSkinWindowItemResizableStaticImage item(&window, 1, plain, window.GetImageCache());
    });
    EXPECT_TRUE(errors.m_vBox.empty());
}

TEST(ResizableStaticImageTest, FillsItsRectangleAndFollowsSetRect)
{
    CBufferAccessor window(320, 200, false);
    ui::CSkinWindowItemResizableStaticImage panel(&window, 1, Block("Panel"),
                                                  window.GetImageCache());
    EXPECT_EQ(panel.GetRect().left, 40);
    EXPECT_EQ(panel.GetRect().bottom, 160);
    EXPECT_TRUE(panel.IsHitTestable());
    panel.SetRect(ui::SkinRect{10, 20, 310, 190});
    panel.Draw();
    const lib::wfc::CDIB& buffer = window.Buffer();
    EXPECT_EQ(PixelAt(buffer, 10, 20), kFrame);
    EXPECT_EQ(PixelAt(buffer, 309, 189), kFrame);
    EXPECT_EQ(PixelAt(buffer, 160, 20), kFrame) << "the top edge, stretched";
    EXPECT_EQ(PixelAt(buffer, 160, 100), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(buffer, 9, 20), kGround) << "nothing outside";
    EXPECT_EQ(PixelAt(buffer, 310, 100), kGround);
    EXPECT_EQ(CountColor(buffer, RECT{0, 0, 320, 200}, kText), 0) << "no text, none drawn";

    // An empty text draws the image only.
    ui::SkinBlock empty = Block("PanelText");
    empty.m_mapKeyword["Text"] = {""};
    CBufferAccessor other(320, 200, false);
    ui::CSkinWindowItemResizableStaticImage quiet(&other, 2, empty, other.GetImageCache());
    quiet.Draw();
    EXPECT_EQ(CountColor(other.Buffer(), RECT{0, 0, 320, 200}, kText), 0);
    EXPECT_EQ(PixelAt(other.Buffer(), 40, 60), kFrame);
}

TEST(ResizableStaticImageTest, TextInBothLooksByEitherRenderer)
{
    // The text box is 20..220 x 10..90 of the panel at 40, 60: the glyphs lie inside it.
    const RECT textBox = {60, 70, 260, 150};
    const RECT panel = {40, 60, 280, 160};
    const struct {
        const char* what;
        const char* block;
        bool topDown;   // the antialiased renderer declines a top-down buffer
    } cases[] = {
        {"antialiased", "PanelText", false},
        {"drawn by the system as asked", "PanelPlainText", false},
        {"the system's when the antialiased renderer declines", "PanelText", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CBufferAccessor window(320, 200, c.topDown);
        ui::CSkinWindowItemResizableStaticImage item(&window, 1, Block(c.block),
                                                     window.GetImageCache());
        item.Draw();
        const lib::wfc::CDIB& buffer = window.Buffer();
        EXPECT_GT(CountColor(buffer, textBox, kText), 40);
        EXPECT_EQ(CountColor(buffer, textBox, kDisabledText), 0);
        EXPECT_EQ(PixelAt(buffer, 40, 60), kFrame);

        window.Buffer().Fill(kGround);
        item.SetEnable(false);
        EXPECT_EQ(window.CountRedraws(), 1u) << "a change of look asks for a redraw";
        item.Draw();
        EXPECT_EQ(CountColor(buffer, textBox, kText), 0);
        EXPECT_GT(CountColor(buffer, textBox, kDisabledText), 40);
        EXPECT_EQ(PixelAt(buffer, 40, 60), kFrame) << "the image keeps its look";

        // The text stays inside the buffer's clipping: here the panel's left half.
        window.Buffer().Fill(kGround);
        item.SetEnable(true);
        window.Buffer().SetClipRect(RECT{panel.left, panel.top, 160, panel.bottom});
        item.Draw();
        EXPECT_GT(CountColor(buffer, RECT{60, 70, 160, 150}, kText), 0);
        EXPECT_EQ(CountColor(buffer, RECT{160, 0, 320, 200}, kText), 0);
        EXPECT_EQ(PixelAt(buffer, 279, 60), kGround);
    }
}

// ---- overlay ----

TEST(OverlayTest, AlphaIsClampedAndTheKeyIsSeeThrough)
{
    // Ink over white: at 128 the library's blend gives 142, 147, 154.
    const struct {
        const char* what;
        ui::SkinValues alpha;   // empty: no "Alpha"
        COLORREF ring;
    } cases[] = {
        {"as written, 128", {"128"}, RGB(142, 147, 154)},
        {"above 255", {"300"}, kInk},
        {"below 0", {"-5"}, kGround},
        {"none: opaque", {}, kInk},
        {"0", {"0"}, kGround},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ui::SkinBlock block = Block("Overlay");
        if (c.alpha.empty()) {
            block.m_mapKeyword.erase("Alpha");
        } else {
            block.m_mapKeyword["Alpha"] = c.alpha;
        }
        CBufferAccessor window(100, 80, false);
        ui::CSkinWindowItemOverlay overlay(&window, 1, block, window.GetImageCache());
        overlay.SetRect(ui::SkinRect{10, 10, 90, 70});
        overlay.Draw();
        const lib::wfc::CDIB& buffer = window.Buffer();
        EXPECT_EQ(PixelAt(buffer, 10, 10), c.ring) << "corner";
        EXPECT_EQ(PixelAt(buffer, 50, 12), c.ring) << "top edge";
        EXPECT_EQ(PixelAt(buffer, 89, 69), c.ring) << "bottom-right corner";
        EXPECT_EQ(PixelAt(buffer, 50, 40), kGround) << "the key colour in the middle";
        EXPECT_EQ(PixelAt(buffer, 9, 9), kGround) << "outside";
        EXPECT_EQ(PixelAt(buffer, 90, 70), kGround) << "outside";
    }
}

TEST(OverlayTest, RefusesABlockWithoutImage)
{
    const struct {
        const char* keyword;
        ui::SkinValues values;
        const char* box;
    } cases[] = {
        {"Image", {}, "Overlay/Imageが定義されていません"},
        {"Image", {"TestOverlay.png", "0", "8"}, "Overlay/Imageのパラメータは 9個必要です"},
        {"Alpha", {"1", "2"}, "Overlay/Alphaのパラメータは 1個必要ですが、2個指定されています"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyword);
        ui::SkinBlock block = Block("Overlay");
        if (c.values.empty()) {
            block.m_mapKeyword.erase(c.keyword);
        } else {
            block.m_mapKeyword[c.keyword] = c.values;
        }
        CBufferAccessor window(100, 80, false);
        const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] {
            ui::CSkinWindowItemOverlay overlay(&window, 1, block, window.GetImageCache());
        });
        EXPECT_EQ(errors.m_vBox, std::vector<std::string>{c.box});
    }
}

TEST(OverlayTest, ClicksReachWhatLiesBeneathAndItHasNoTooltip)
{
    ui::CResizableSkinWindow window;
    ui::SkinDefinition definition;
    window.LoadSkin(definition, "TestResizable.txt", "Base", true);
    ui::CSkinWindowItem* panel =
        window.CreateResizableStaticImage(1, ui::GetSkinBlock(definition, "Panel"));
    ui::CSkinWindowItemOverlay* overlay =
        window.CreateOverlay(2, ui::GetSkinBlock(definition, "Overlay"));
    overlay->SetRect(ui::SkinRect{0, 0, 320, 200});
    EXPECT_EQ(overlay->GetToolState(), ui::TOOL_NONE);
    EXPECT_FALSE(overlay->IsHitTestable());
    window.Create(0, nullptr, "skin_resizable_test", WS_POPUP, 100, 100, 320, 200);
    EXPECT_EQ(window.FindItemFromPoint(100, 100), panel);
    EXPECT_EQ(window.FindItemFromPoint(10, 10), nullptr);
    // Drawn last over the whole window: the ring dims the face's top edge (#4B5868) at half
    // opacity, and the see-through middle leaves the panel as it is.
    EXPECT_EQ(PixelAt(*window.GetBackBuffer(), 160, 4), RGB(52, 64, 79));
    EXPECT_EQ(PixelAt(*window.GetBackBuffer(), 40, 60), kFrame);
    window.DestroyWindow();
}

} // namespace
