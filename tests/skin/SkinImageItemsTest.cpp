// The static image, change image and animation items on a hidden test window: the pixels
// they leave in its back buffer (centred, tiled and stretched pictures, captions in both
// states, the frame shown), the redraws they ask for, the mouse events they report, and the
// skin errors of their blocks. Tick times are handed to the animation by the test; the
// window's own tick timer is stopped.

#include "lib/StringUtility.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemAnimation.h"
#include "skin/SkinWindowItemStaticChangeImage.h"
#include "skin/SkinWindowItemStaticImage.h"
#include "tests/skin/support/FakeItemAccessor.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using lib::FormatString;
using skintest::ClientPoint;
using skintest::PixelAt;

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("skin_image_items_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("skin_image_items_test"));

// The test window's panel and the colours of the test pictures (tests/skin/skins/images).
const COLORREF kPanel = RGB(0xFF, 0xFF, 0xFF);
const COLORREF kAccent = RGB(0x25, 0x63, 0xA8);   // tile top left, the frames' lit dot
const COLORREF kFaint = RGB(0x87, 0x93, 0xA1);    // tile top right
const COLORREF kLine = RGB(0xD3, 0xDA, 0xE3);     // tile bottom left, unlit dots, step to come
const COLORREF kSky = RGB(0xE6, 0xEB, 0xF1);
const COLORREF kHill = RGB(0x2E, 0x7D, 0x4F);
const COLORREF kSun = RGB(0xA8, 0x64, 0x12);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kDisabledBlack = RGB(102, 102, 102);

// A test window that notes the redraws its items ask for and the events they report.
class CItemWindow : public skintest::CTestSkinWindow {
public:
    std::vector<std::string> m_vRedraw;   // "left top right bottom"
    std::vector<std::string> m_vEvent;    // "id event"

    void RedrawRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                    bool updateNow) override
    {
        m_vRedraw.push_back(FormatString("%d %d %d %d", left, top, right, bottom));
        CTestSkinWindow::RedrawRect(left, top, right, bottom, updateNow);
    }
    bool PostItemCommand(int32_t id, int32_t event, LPARAM reserved) override
    {
        m_vEvent.push_back(FormatString("%d %d", id, event));
        return CTestSkinWindow::PostItemCommand(id, event, reserved);
    }
    std::string TakeEvents()
    {
        std::string all;
        for (const std::string& event : m_vEvent) all += (all.empty() ? "" : "|") + event;
        m_vEvent.clear();
        return all;
    }
};

typedef std::vector<std::pair<const char*, ui::SkinValues>> Keywords;

ui::SkinBlock Block(const char* name, const Keywords& keywords)
{
    ui::SkinBlock block;
    block.m_strName = name;
    for (const auto& keyword : keywords) block.m_mapKeyword[keyword.first] = keyword.second;
    return block;
}

struct Pixel {
    int x;
    int y;
    COLORREF color;
    const char* what;
};

std::string Hex(COLORREF color) { return FormatString("%06lX", static_cast<unsigned long>(color)); }

std::string Describe(const ui::SkinRect& rect)
{
    return FormatString("%d %d %d %d", rect.left, rect.top, rect.right, rect.bottom);
}

class ImageItemsTest : public ::testing::Test {
protected:
    void SetUp() override { Load("TestImageItems.txt"); }
    void TearDown() override
    {
        if (m_pWindow && m_pWindow->IsWindow()) m_pWindow->DestroyWindow();
        m_pWindow.reset();
    }

    void Load(const char* text)
    {
        if (m_pWindow && m_pWindow->IsWindow()) m_pWindow->DestroyWindow();
        m_pWindow.reset(new CItemWindow);
        const skintest::SkinErrors errors = skintest::CatchSkinErrors(
            [&] { m_pWindow->LoadSkin(m_definition, text, "Base", false); });
        ASSERT_TRUE(errors.m_vBox.empty()) << errors.m_vBox.front();
    }
    // Creates the window hidden, its tick stopped, and forgets what creation redrew.
    void Create()
    {
        m_pWindow->Create(0, nullptr, "skin_image_items_test", WS_POPUP, 0, 0, 320, 200);
        m_pWindow->KillTimer(ui::kSkinTickTimerId);
        m_pWindow->m_vRedraw.clear();
        m_pWindow->m_vEvent.clear();
    }
    ui::SkinBlock Named(const char* name) { return ui::GetSkinBlock(m_definition, name); }
    COLORREF At(int x, int y) { return PixelAt(*m_pWindow->GetBackBuffer(), x, y); }
    void ExpectPixels(const std::vector<Pixel>& pixels, const std::string& where)
    {
        for (const Pixel& pixel : pixels) {
            EXPECT_EQ(Hex(At(pixel.x, pixel.y)), Hex(pixel.color))
                << where << ": " << pixel.what << " at " << pixel.x << ", " << pixel.y;
        }
    }
    // Pixels of the colour inside the rectangle.
    int Count(const RECT& rect, COLORREF color)
    {
        int count = 0;
        for (int y = rect.top; y < rect.bottom; ++y) {
            for (int x = rect.left; x < rect.right; ++x) count += At(x, y) == color ? 1 : 0;
        }
        return count;
    }

    std::unique_ptr<CItemWindow> m_pWindow;
    ui::SkinDefinition m_definition;
};

// ---- static image ----

TEST_F(ImageItemsTest, StaticImagePixelsCentredTiledAndStretched)
{
    const ui::SkinValues tileAt = {"140", "60"};
    const ui::SkinValues tileSize = {"25", "15"};
    const struct {
        const char* name;
        ui::SkinBlock block;
        bool stretch;
        std::vector<Pixel> pixels;
    } cases[] = {
        {"the whole picture once", Named("PictureFits"), false,
         {{48, 60, kSky, "sky"}, {48, 86, kHill, "hill"}, {60, 65, kSun, "sun"},
          {24, 56, kPanel, "a key-colour corner is skipped"},
          {71, 87, kPanel, "the opposite corner too"}}},
        {"a larger picture is centred and overflows evenly", Named("PictureCentred"), false,
         {{110, 58, kSky, "picture 24, 4 at 86 + 24, 54 + 4"},
          {88, 82, kHill, "below the item: not cut to it"},
          {87, 70, kSky, "left of the item"},
          {130, 70, kSky, "right of the item"},
          {86, 54, kPanel, "its key-colour corner"},
          {84, 70, kPanel, "beyond the picture"}}},
        {"tiles of 10 x 10 over 25 x 15", Named("Tiled"), false,
         {{142, 62, kAccent, "first tile, top left"}, {147, 62, kFaint, "top right"},
          {142, 67, kLine, "bottom left"}, {147, 67, kPanel, "the key-colour quarter"},
          {152, 62, kAccent, "second column"}, {162, 62, kAccent, "the cut third column"},
          {162, 67, kLine, "its lower half"}, {167, 62, kPanel, "nothing past the item"},
          {142, 72, kAccent, "the cut second row"}, {147, 72, kFaint, "its right quarter"},
          {162, 72, kAccent, "the 5 x 5 corner piece"}, {142, 77, kPanel, "nothing below"}}},
        {"a tile of zero width draws nothing",
         Block("ZeroWide", {{"Position", tileAt}, {"Size", tileSize},
                            {"Image", {"TestTile.png", "0", "0", "0", "10"}}, {"Tile", {"1"}}}),
         false, {{142, 62, kPanel, "first tile"}, {162, 72, kPanel, "last tile"}}},
        {"a tile of zero height draws nothing",
         Block("ZeroHigh", {{"Position", tileAt}, {"Size", tileSize},
                            {"Image", {"TestTile.png", "0", "0", "10", "0"}}, {"Tile", {"1"}}}),
         false, {{142, 62, kPanel, "first tile"}}},
        {"a tile of negative size draws nothing",
         Block("Negative", {{"Position", tileAt}, {"Size", tileSize},
                            {"Image", {"TestTile.png", "10", "10", "0", "0"}}, {"Tile", {"1"}}}),
         false, {{142, 62, kPanel, "first tile"}, {147, 67, kPanel, "its other corner"}}},
        {"Tile 0 centres instead",
         Block("TileOff", {{"Position", tileAt}, {"Size", tileSize},
                           {"Image", {"TestTile.png", "0", "0", "10", "10"}}, {"Tile", {"0"}}}),
         false, {{148, 63, kAccent, "the tile at 147, 62"}, {142, 62, kPanel, "left of it"}}},
        {"stretched to twice its size", Named("Stretched"), true,
         {{228, 68, kSky, "picture 24, 4"}, {228, 120, kHill, "picture 24, 30"},
          {252, 78, kSun, "picture 36, 9"}, {250, 122, kHill, "near the bottom edge"},
          {276, 100, kPanel, "right of the item"}}},
        {"a tile is tiled even when stretch is on", Named("Tiled"), true,
         {{152, 62, kAccent, "second column"}, {167, 62, kPanel, "nothing past the item"}}},
    };
    for (const auto& c : cases) {
        Load("TestImageItems.txt");
        ui::CSkinWindowItemStaticImage* item = m_pWindow->CreateStaticImage(1, c.block);
        if (c.stretch) item->EnableStretch();
        Create();
        ExpectPixels(c.pixels, c.name);
    }
}

TEST_F(ImageItemsTest, CaptionColourFollowsTheEnabledState)
{
    // "■" fills its cell, so its inside has exactly the caption's colour either way.
    const RECT text = {28, 142, 88, 162};
    for (const char* antialias : {"0", "1"}) {
        SCOPED_TRACE(std::string("TextAntialias ") + antialias);
        Load("TestImageItems.txt");
        ui::SkinBlock block = Named("Captioned");
        block.m_mapKeyword["TextAntialias"] = {antialias};
        ui::CSkinWindowItemStaticImage* item = m_pWindow->CreateStaticImage(3, block);
        Create();
        EXPECT_GT(Count(text, kBlack), 40);
        EXPECT_EQ(Count(text, kDisabledBlack), 0);

        item->SetEnable(false);
        EXPECT_EQ(m_pWindow->m_vRedraw, std::vector<std::string>{"24 140 144 164"});
        EXPECT_EQ(Count(text, kBlack), 0);
        EXPECT_GT(Count(text, kDisabledBlack), 40);
        // The picture stays as it was: only the caption has a disabled look.
        EXPECT_EQ(Hex(At(84, 150)), Hex(kAccent));

        item->SetEnable(true);
        EXPECT_GT(Count(text, kBlack), 40);
    }
}

TEST_F(ImageItemsTest, HiddenItemDrawsNothingAndAnEmptyTileKeepsItsCaption)
{
    // The picture of the window without the item.
    Create();
    const lib::wfc::CDIB& buffer = *m_pWindow->GetBackBuffer();
    std::vector<COLORREF> bare;
    for (int y = 130; y < 170; ++y) {
        for (int x = 20; x < 150; ++x) bare.push_back(PixelAt(buffer, x, y));
    }
    auto unchanged = [&] {
        size_t i = 0;
        int differing = 0;
        for (int y = 130; y < 170; ++y) {
            for (int x = 20; x < 150; ++x) differing += At(x, y) != bare[i++] ? 1 : 0;
        }
        return differing == 0;
    };

    Load("TestImageItems.txt");
    uint16_t id = 3;
    ui::CSkinWindowItemStaticImage* item =
        m_pWindow->AddStaticImage(m_definition, ui::SkinItemKey("Captioned", id));
    Create();
    EXPECT_FALSE(unchanged());
    item->SetVisible(false);
    EXPECT_TRUE(unchanged()) << "a hidden item";

    Load("TestImageItems.txt");
    ui::SkinBlock block = Named("Captioned");
    block.m_mapKeyword["Image"] = {"TestTile.png", "0", "0", "0", "5"};
    block.m_mapKeyword["Tile"] = {"1"};
    m_pWindow->CreateStaticImage(3, block);
    Create();
    EXPECT_EQ(Hex(At(84, 150)), Hex(kPanel)) << "no tile";
    EXPECT_GT(Count({28, 142, 88, 162}, kBlack), 40) << "the caption";
}

TEST_F(ImageItemsTest, ReportsPressMoveAndLeaveWithoutTakingTheMouse)
{
    skintest::CProbeItem* beneath = m_pWindow->AddProbe(9, {20, 130, 150, 170}, RGB(1, 2, 3));
    ui::CSkinWindowItemStaticImage* item = m_pWindow->CreateStaticImage(5, Named("Captioned"));
    Create();
    auto send = [&](UINT message, int x, int y) {
        ::SendMessageA(m_pWindow->GetHwnd(), message, 0, ClientPoint(x, y));
    };

    send(WM_MOUSEMOVE, 30, 150);
    send(WM_MOUSEMOVE, 31, 150);
    send(WM_LBUTTONDOWN, 31, 150);
    EXPECT_NE(::GetCapture(), m_pWindow->GetHwnd()) << "a press takes no capture";
    send(WM_LBUTTONUP, 31, 150);
    send(WM_LBUTTONDBLCLK, 31, 150);
    send(WM_LBUTTONUP, 31, 150);
    send(WM_MOUSEMOVE, 250, 30);
    EXPECT_EQ(m_pWindow->TakeEvents(), "5 14|5 14|5 12|5 12|5 15");
    EXPECT_FALSE(m_pWindow->m_journal.Has("9 LDown")) << "the item beneath heard nothing";
    m_pWindow->m_journal.Clear();

    // Transparent to the mouse, it lets the item beneath have the press.
    item->SetHitTest(false);
    EXPECT_FALSE(item->IsHitTestable());
    send(WM_LBUTTONDOWN, 31, 150);
    send(WM_LBUTTONUP, 31, 150);
    EXPECT_EQ(m_pWindow->TakeEvents(), "");
    EXPECT_TRUE(m_pWindow->m_journal.Has("9 LDown"));
    (void)beneath;
}

TEST_F(ImageItemsTest, TooltipRectangleAndEnableRedraw)
{
    ui::CSkinWindowItemStaticImage* item = m_pWindow->CreateStaticImage(5, Named("Captioned"));
    EXPECT_EQ(item->GetTooltipText(), "画像のヒント");
    EXPECT_STREQ(item->GetToolInfo().lpszText, "画像のヒント");
    Create();
    item->SetTipText("新しいヒント");
    EXPECT_EQ(item->GetTooltipText(), "新しいヒント");
    EXPECT_STREQ(item->GetToolInfo().lpszText, "新しいヒント");
    EXPECT_EQ(item->GetToolState(), ui::TOOL_ADDED);

    // SetRect takes position and size and leaves the redraw to the caller.
    item->SetRect({40, 100, 90, 130});
    EXPECT_EQ(item->GetRect().ToRECT().right, 90);
    EXPECT_EQ(item->GetSize().cy, 30);
    EXPECT_TRUE(m_pWindow->m_vRedraw.empty());

    const ui::CSkinItemCaption& caption = item->GetCaption();
    EXPECT_EQ(caption.GetFormat(), static_cast<UINT>(DT_VCENTER | DT_SINGLELINE));
    EXPECT_FALSE(caption.IsAntialias());
    EXPECT_EQ(caption.GetLogFont().lfHeight, -16);
}

TEST_F(ImageItemsTest, BlockDefaults)
{
    // A block without the optional keywords: no tile, no tooltip, no caption.
    ui::CSkinWindowItemStaticImage* item = m_pWindow->CreateStaticImage(5, Named("PictureFits"));
    EXPECT_FALSE(item->IsTile());
    EXPECT_FALSE(item->IsStretch());
    EXPECT_TRUE(item->IsHitTestable());
    EXPECT_EQ(item->GetTooltipText(), "");
    EXPECT_TRUE(item->GetCaption().IsEmpty());
    EXPECT_TRUE(item->GetCaption().IsAntialias());
    EXPECT_EQ(item->GetCaption().GetColor(), kBlack);
    EXPECT_EQ(item->GetSourceRect().right, 48);
    EXPECT_EQ(item->GetImageFile(), "TestPicture.png");
    // Grey (200 x 306 + 40 x 600 + 40 x 117) >> 10 = 87, lightened by 102.
    EXPECT_EQ(ui::SkinCaptionColor(RGB(200, 40, 40), false), RGB(189, 189, 189));
    EXPECT_EQ(ui::SkinCaptionColor(RGB(200, 40, 40), true), RGB(200, 40, 40));
}

// ---- static change image ----

// The product's step mark: the class block "StaticChangeImage" of "Common.txt" at a position.
ui::SkinBlock StepMark(const char* x, const char* y)
{
    ui::SkinBlock block =
        ui::GetSkinBlock(ui::LoadSkinDefinition("Common.txt", nullptr), "StaticChangeImage");
    block.m_mapKeyword["Position"] = {x, y};
    return block;
}

TEST_F(ImageItemsTest, ChangeImageRedrawsOnlyOnAChange)
{
    skintest::CFakeItemAccessor accessor(320, 200, kPanel);
    ui::CSkinWindowItemStaticChangeImage mark(&accessor, 20, StepMark("92", "64"),
                                              accessor.GetImageCache());
    EXPECT_EQ(Describe(mark.GetRect()), "92 64 228 76");
    const std::vector<Pixel> toCome = {{160, 70, kLine, "the bar's middle"},
                                       {92, 64, kPanel, "the strip's key-colour top row"}};
    const std::vector<Pixel> done = {{160, 70, kAccent, "the bar's middle"},
                                     {92, 64, kPanel, "the strip's key-colour top row"}};
    auto expectPixels = [&](const std::vector<Pixel>& pixels, const char* where) {
        mark.Draw();
        for (const Pixel& pixel : pixels) {
            EXPECT_EQ(Hex(PixelAt(accessor.Buffer(), pixel.x, pixel.y)), Hex(pixel.color))
                << where << ": " << pixel.what;
        }
    };
    EXPECT_FALSE(mark.IsFinish());
    expectPixels(toCome, "new");

    const struct {
        bool finish;
        size_t redraws;
        const std::vector<Pixel>& pixels;
    } steps[] = {{false, 0, toCome}, {true, 1, done}, {true, 1, done}, {false, 2, toCome}};
    for (const auto& step : steps) {
        mark.SetFinish(step.finish);
        EXPECT_EQ(mark.IsFinish(), step.finish);
        EXPECT_EQ(accessor.CountRedraws(), step.redraws) << step.finish;
        expectPixels(step.pixels, step.finish ? "finished" : "initial");
    }
    EXPECT_EQ(accessor.Take(), "Redraw 92 64 228 76 0|Redraw 92 64 228 76 0");
}

TEST_F(ImageItemsTest, ChangeImageIsCentredEitherWay)
{
    const struct {
        const char* size[2];
        std::vector<Pixel> pixels;
    } cases[] = {
        // 140 x 16 around 136 x 12: moved by 2, 2.
        {{"140", "16"},
         {{40 + 2 + 68, 60 + 2 + 6, kLine, "the bar's middle"},
          {40 + 1, 60 + 5, kPanel, "the margin"}}},
        // 100 x 8 inside 136 x 12: 18 and 2 over on each side.
        {{"100", "8"},
         {{40 - 18 + 68, 60 - 2 + 6, kLine, "the bar's middle"},
          {40 - 10, 60 + 4, kLine, "left of the item"},
          {40 + 100 + 10, 60 + 4, kLine, "right of the item"}}},
    };
    for (const auto& c : cases) {
        Load("TestImageItems.txt");
        m_pWindow->CreateStaticChangeImage(
            4, Block("Mark", {{"Position", {"40", "60"}},
                              {"Size", {c.size[0], c.size[1]}},
                              {"ImageInit", {"StepMark.png", "0", "0", "136", "12"}},
                              {"ImageFinish", {"StepMark.png", "0", "12", "136", "24"}}}));
        Create();
        ExpectPixels(c.pixels, std::string(c.size[0]) + " x " + c.size[1]);
    }
}

// ---- animation ----

// The lit dot of frame f of the test frames, from the frame's corner (TestFrames.svg).
POINT LitDot(int frame)
{
    static const POINT offsets[8] = {{0, -8}, {6, -6}, {8, 0}, {6, 6},
                                     {0, 8},  {-6, 6}, {-8, 0}, {-6, -6}};
    return POINT{12 + offsets[frame % 8].x, 12 + offsets[frame % 8].y};
}

enum AnimationOp { START, STOP, ENABLE, DISABLE, TICK };

struct AnimationStep {
    AnimationOp op;
    DWORD tick;
    int32_t frame;   // shown afterwards
};

TEST_F(ImageItemsTest, AnimationFrameFollowsTheTimeSinceTheRunBegan)
{
    const DWORD wrap = 0xFFFFFF9Cu;  // 100 ms before the tick count wraps
    const struct {
        const char* name;
        std::vector<AnimationStep> steps;
    } cases[] = {
        {"runs from frame 0, timed from its first tick",
         {{TICK, 500, 0}, {START, 0, 0}, {TICK, 1000, 0}, {TICK, 1099, 0}, {TICK, 1100, 1},
          {TICK, 1533, 5}, {TICK, 1799, 7}, {TICK, 1800, 0}, {TICK, 2550, 7}}},
        {"stop shows frame 0, and the next run begins there",
         {{START, 0, 0}, {TICK, 1000, 0}, {TICK, 1350, 3}, {STOP, 0, 0}, {TICK, 1500, 0},
          {START, 0, 0}, {TICK, 2000, 0}, {TICK, 2100, 1}}},
        {"start while running continues from the frame shown",
         {{START, 0, 0}, {TICK, 1000, 0}, {TICK, 1350, 3}, {START, 0, 3}, {TICK, 1360, 3},
          {TICK, 1459, 3}, {TICK, 1460, 4}, {TICK, 1860, 0}, {TICK, 2160, 3}}},
        {"disabled it stops at frame 0, enabled it runs again",
         {{START, 0, 0}, {TICK, 1000, 0}, {TICK, 1250, 2}, {DISABLE, 0, 0}, {TICK, 1400, 0},
          {ENABLE, 0, 0}, {TICK, 2000, 0}, {TICK, 2300, 3}}},
        {"enabling a stopped item starts it",
         {{DISABLE, 0, 0}, {ENABLE, 0, 0}, {TICK, 100, 0}, {TICK, 700, 6}}},
        {"a tick count that wraps",
         {{START, 0, 0}, {TICK, wrap, 0}, {TICK, 0xFFFFFFFFu, 0}, {TICK, 0, 1}, {TICK, 250, 3},
          {TICK, 600, 7}, {TICK, 700, 0}}},
    };
    for (const auto& c : cases) {
        Load("TestImageItems.txt");
        ui::CSkinWindowItemAnimation* busy =
            m_pWindow->CreateAnimation(6, Named("Busy"));
        Create();
        EXPECT_FALSE(busy->IsRunning()) << c.name;
        int32_t shown = 0;
        size_t redraws = 0;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const AnimationStep& step = c.steps[i];
            const std::string where = FormatString("%s, step %u", c.name, static_cast<unsigned>(i));
            switch (step.op) {
            case START: busy->Start(); break;
            case STOP: busy->Stop(); ++redraws; break;
            case ENABLE: busy->SetEnable(true); ++redraws; break;
            case DISABLE: busy->SetEnable(false); ++redraws; break;
            case TICK: busy->OnTick(step.tick); break;
            }
            EXPECT_EQ(busy->GetCurrentFrame(), step.frame) << where;
            // A new frame, and only a new frame, is redrawn; stopping always is.
            if (step.op == TICK && step.frame != shown) ++redraws;
            EXPECT_EQ(m_pWindow->m_vRedraw.size(), redraws) << where;
            shown = step.frame;

            // Frame f comes from column f mod 4 of row f / 4; only its own dot is lit.
            const POINT corner = busy->GetFrameCorner(step.frame);
            EXPECT_EQ(corner.x, 24 * (step.frame % 4)) << where;
            EXPECT_EQ(corner.y, 24 * (step.frame / 4)) << where;
            const POINT lit = LitDot(step.frame);
            const POINT next = LitDot(step.frame + 1);
            EXPECT_EQ(Hex(At(200 + lit.x, 140 + lit.y)), Hex(kAccent)) << where;
            EXPECT_EQ(Hex(At(200 + next.x, 140 + next.y)), Hex(kLine)) << where;
        }
        EXPECT_EQ(Hex(At(200, 140)), Hex(kPanel)) << c.name << ": the frame's key colour";
        if (!m_pWindow->m_vRedraw.empty()) {
            EXPECT_EQ(m_pWindow->m_vRedraw.front(), "200 140 224 164") << c.name;
        }
    }
}

TEST_F(ImageItemsTest, AnimationWithoutTimeOrGridShowsFrameZeroFromItsOrigin)
{
    const struct {
        const char* name;
        ui::SkinValues image;
        const char* time;
        int litFrame;   // the frame of the test image that lies at the origin
    } cases[] = {
        {"frame time 0", {"TestFrames.png", "0", "0", "4", "2"}, "0", 0},
        {"negative frame time", {"TestFrames.png", "0", "0", "4", "2"}, "-100", 0},
        {"no columns", {"TestFrames.png", "0", "0", "0", "2"}, "100", 0},
        {"negative columns", {"TestFrames.png", "0", "0", "-4", "2"}, "100", 0},
        {"no rows", {"TestFrames.png", "0", "0", "4", "0"}, "100", 0},
        {"negative rows, origin at frame 5", {"TestFrames.png", "24", "24", "4", "-1"}, "100", 5},
    };
    for (const auto& c : cases) {
        Load("TestImageItems.txt");
        ui::CSkinWindowItemAnimation* busy = m_pWindow->CreateAnimation(
            6, Block("Still", {{"Position", {"200", "140"}}, {"Size", {"24", "24"}},
                               {"Image", c.image}, {"Time", {c.time}}}));
        Create();
        busy->Start();
        for (DWORD tick = 1000; tick < 3000; tick += 33) busy->OnTick(tick);
        busy->OnTick(0xFFFFFFFFu);
        EXPECT_EQ(busy->GetCurrentFrame(), 0) << c.name;
        EXPECT_TRUE(m_pWindow->m_vRedraw.empty()) << c.name;
        const POINT lit = LitDot(c.litFrame);
        EXPECT_EQ(Hex(At(200 + lit.x, 140 + lit.y)), Hex(kAccent)) << c.name;
    }
}

TEST_F(ImageItemsTest, AnimationFrameCorners)
{
    const struct {
        const char* size[2];
        ui::SkinValues image;
        int32_t frame;
        POINT corner;
    } cases[] = {
        // The drop window's animation: 16 frames of 110 x 78 in one row.
        {{"110", "78"}, {"TestFrames.png", "0", "0", "16", "1"}, 0, {0, 0}},
        {{"110", "78"}, {"TestFrames.png", "0", "0", "16", "1"}, 1, {110, 0}},
        {{"110", "78"}, {"TestFrames.png", "0", "0", "16", "1"}, 15, {1650, 0}},
        {{"24", "24"}, {"TestFrames.png", "0", "0", "4", "2"}, 5, {24, 24}},
        {{"24", "24"}, {"TestFrames.png", "0", "0", "4", "2"}, 7, {72, 24}},
        {{"24", "24"}, {"TestFrames.png", "24", "0", "2", "2"}, 3, {48, 24}},
        {{"10", "20"}, {"TestFrames.png", "5", "7", "3", "3"}, 8, {25, 47}},
    };
    for (const auto& c : cases) {
        ui::CSkinWindowItemAnimation* item = m_pWindow->CreateAnimation(
            6, Block("Corners", {{"Position", {"0", "0"}}, {"Size", {c.size[0], c.size[1]}},
                                 {"Image", c.image}, {"Time", {"100"}}}));
        const POINT corner = item->GetFrameCorner(c.frame);
        EXPECT_EQ(corner.x, c.corner.x) << c.frame;
        EXPECT_EQ(corner.y, c.corner.y) << c.frame;
    }
}

TEST_F(ImageItemsTest, AnimationOnTheWindowTickShowsEachFrameForThreeOrFourTicks)
{
    ui::CSkinWindowItemAnimation* busy = m_pWindow->CreateAnimation(6, Named("Busy"));
    Create();
    busy->Start();
    std::vector<int> ticksPerFrame;
    int32_t frame = -1;
    for (DWORD tick = 5000; tick < 5000 + 3 * 800; tick += ui::kSkinTickPeriod) {
        busy->OnTick(tick);
        if (busy->GetCurrentFrame() != frame) {
            ticksPerFrame.push_back(0);
            frame = busy->GetCurrentFrame();
        }
        ++ticksPerFrame.back();
    }
    // The first and the last frame seen may be cut short by the ends of the loop.
    ASSERT_GT(ticksPerFrame.size(), 20u);
    for (size_t i = 1; i + 1 < ticksPerFrame.size(); ++i) {
        EXPECT_TRUE(ticksPerFrame[i] == 3 || ticksPerFrame[i] == 4) << i << ": " << ticksPerFrame[i];
    }
}

TEST_F(ImageItemsTest, AnimationCaption)
{
    ui::SkinBlock block = Named("Busy");
    block.m_mapKeyword["Text"] = {"■"};
    block.m_mapKeyword["TextPosition"] = {"0", "0"};
    block.m_mapKeyword["TextSize"] = {"24", "24"};
    block.m_mapKeyword["TextFont"] = {"MS PGothic", "12", "400"};
    block.m_mapKeyword["TextAntialias"] = {"0"};
    block.m_mapKeyword["TextColor"] = {"0", "0", "0"};
    ui::CSkinWindowItemAnimation* busy = m_pWindow->CreateAnimation(6, block);
    Create();
    EXPECT_EQ(busy->GetCaption().GetFormat(), static_cast<UINT>(DT_CENTER | DT_VCENTER | DT_SINGLELINE));
    // Centred on the frame.
    EXPECT_EQ(Hex(At(212, 152)), Hex(kBlack));
    busy->SetEnable(false);
    EXPECT_EQ(Hex(At(212, 152)), Hex(kDisabledBlack));
}

// ---- skin errors ----

TEST_F(ImageItemsTest, MalformedBlocksAreSkinErrors)
{
    const Keywords picture = {{"Position", {"1", "2"}},
                              {"Size", {"10", "10"}},
                              {"Image", {"TestPicture.png", "0", "0", "48", "32"}}};
    auto with = [](Keywords keywords, std::initializer_list<std::pair<const char*, ui::SkinValues>>
                                          more) {
        for (const auto& keyword : more) keywords.push_back(keyword);
        return keywords;
    };
    auto without = [](Keywords keywords, const char* name) {
        for (auto it = keywords.begin(); it != keywords.end(); ++it) {
            if (std::string(it->first) == name) {
                keywords.erase(it);
                break;
            }
        }
        return keywords;
    };
    const Keywords change = {{"Position", {"1", "2"}},
                             {"Size", {"10", "10"}},
                             {"ImageInit", {"StepMark.png", "0", "0", "136", "12"}},
                             {"ImageFinish", {"StepMark.png", "0", "12", "136", "24"}}};
    const Keywords frames = {{"Position", {"1", "2"}},
                             {"Size", {"24", "24"}},
                             {"Image", {"TestFrames.png", "0", "0", "4", "2"}},
                             {"Time", {"100"}}};
    enum Kind { IMAGE, CHANGE, ANIMATION };
    const struct {
        Kind kind;
        Keywords keywords;
        const char* box;
    } cases[] = {
        {IMAGE, without(picture, "Image"), "X/Imageが定義されていません"},
        {IMAGE, without(picture, "Size"), "X/Sizeが定義されていません"},
        {IMAGE, with(picture, {{"Tile", {"1", "2"}}}),
         "X/Tileのパラメータは 1個必要ですが、2個指定されています"},
        {IMAGE, with(picture, {{"ToolTipText", {}}}), "X/ToolTipTextのパラメータは 1個必要です"},
        {IMAGE, with(picture, {{"Text", {"a"}}, {"TextPosition", {"0", "0"}}, {"TextSize", {"1", "1"}}}),
         "X/TextFontが定義されていません"},
        {IMAGE, with(picture, {{"Text", {"a"}}}), "X/TextPositionが定義されていません"},
        {IMAGE, with(without(picture, "Image"), {{"Image", {"TestNoSuchPicture.png", "0", "0", "1", "1"}}}),
         "TestNoSuchPicture.pngが読み込めません."},
        {CHANGE, without(change, "ImageFinish"), "X/ImageFinishが定義されていません"},
        {CHANGE, without(change, "ImageInit"), "X/ImageInitが定義されていません"},
        {ANIMATION, without(frames, "Time"), "X/Timeが定義されていません"},
        {ANIMATION, with(without(frames, "Image"), {{"Image", {"TestFrames.png", "0", "0", "4"}}}),
         "X/Imageのパラメータは 5個必要です"},
        {ANIMATION, with(frames, {{"Text", {"a"}}, {"TextPosition", {"0", "0"}}, {"TextSize", {"1", "1"}},
                                  {"TextFont", {"MS PGothic", "12", "400"}}, {"TextAntialias", {"1"}}}),
         "X/TextColorが定義されていません"},
    };
    for (const auto& c : cases) {
        const ui::SkinBlock block = Block("X", c.keywords);
        const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] {
            switch (c.kind) {
            case IMAGE: m_pWindow->CreateStaticImage(1, block); break;
            case CHANGE: m_pWindow->CreateStaticChangeImage(1, block); break;
            case ANIMATION: m_pWindow->CreateAnimation(1, block); break;
            }
        });
        EXPECT_EQ(errors.m_vBox, std::vector<std::string>{c.box});
        EXPECT_EQ(errors.m_strThrown, c.box);
    }
    EXPECT_TRUE(m_pWindow->GetItems().empty()) << "no item of a refused block was added";
    // A lookup of a block the text lacks.
    uint16_t id = 30;
    const skintest::SkinErrors missing = skintest::CatchSkinErrors(
        [&] { m_pWindow->AddAnimation(m_definition, ui::SkinItemKey("NoSuchBlock", id)); });
    EXPECT_EQ(missing.m_vBox, std::vector<std::string>{"NoSuchBlockが記述されていません"});
}

} // namespace
