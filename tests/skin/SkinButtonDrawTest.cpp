// The button's picture, by decisive pixels on small synthetic images (tests/skin/skins/
// TestButtons.txt): the face of each look, the inactive look, the three-part face and its
// empty middle, the centred mark, its pushed shift, blinking and its greyed and disabled
// forms, and the caption's colour by state with its shadow. The accessor's back buffer is
// white, so transparent pixels show white.

#include "lib/wfc/DIB.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemToggleButton.h"
#include "tests/skin/support/SkinItemTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

using ui::CSkinWindowItemButton;

namespace {

// tests/skin/skins/images/TestButtonFaces.svg, TestMarkOff.svg, TestMarkOn.svg.
const COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
const COLORREF kLeft = RGB(0x3A, 0x6E, 0xA5);
const COLORREF kMarker = RGB(0x20, 0x40, 0x20);
const COLORREF kRight = RGB(0xA5, 0x57, 0x3A);
const COLORREF kNormal = RGB(0xD0, 0xE0, 0xF0);
const COLORREF kHotNormal = RGB(0xC0, 0xF0, 0xC0);
const COLORREF kPushed = RGB(0xF0, 0xE0, 0xA0);
const COLORREF kHotPushed = RGB(0xA0, 0xA0, 0xF0);
const COLORREF kInactive = RGB(0xB0, 0xB0, 0xB0);
const COLORREF kInactiveChecked = RGB(0x70, 0x70, 0x70);
const COLORREF kMarkOff = RGB(0xC8, 0x28, 0x28);
const COLORREF kMarkOn = RGB(0x28, 0xA0, 0x50);
// The marks greyed ((R x 306 + G x 600 + B x 117) >> 10) and brightened by 102.
const COLORREF kMarkOffGrey = RGB(189, 189, 189);
const COLORREF kMarkOnGrey = RGB(216, 216, 216);
// TestCaptionFace.svg and the caption blocks' colours.
const COLORREF kCaptionFace = RGB(0xE8, 0xE8, 0xE8);
const COLORREF kText = RGB(10, 20, 30);
const COLORREF kShadow = RGB(200, 120, 40);

ui::SkinBlock TestBlock(const char* name)
{
    return ui::GetSkinBlock(ui::LoadSkinDefinition("TestButtons.txt", nullptr), name);
}

// A button of the block, driven by the script, drawn into the accessor's white buffer.
class CDrawnButton {
public:
    CDrawnButton(const char* block, const std::string& script, bool inactive = false,
                 bool toggle = false)
        : m_pButton(toggle ? new ui::CSkinWindowItemToggleButton(&m_window, 7, TestBlock(block),
                                                                 m_window.Cache())
                           : new CSkinWindowItemButton(&m_window, 7, TestBlock(block),
                                                       m_window.Cache()))
    {
        m_pButton->SetInactiveLook(inactive);
        skintest::RunItemScript(*m_pButton, script);
        m_pButton->Draw();
    }
    // The pixel at (x, y) of the button.
    COLORREF At(int x, int y)
    {
        const ui::SkinPoint at = m_pButton->GetPosition();
        return skintest::PixelAt(m_window.Buffer(), at.x + x, at.y + y);
    }
    CSkinWindowItemButton& Button() { return *m_pButton; }
    skintest::CRecordingAccessor& Window() { return m_window; }

private:
    skintest::CRecordingAccessor m_window;
    std::unique_ptr<CSkinWindowItemButton> m_pButton;
};

// Pixels of the face away from the mark: (14, 2) in the middle, (0, 0) transparent.
TEST(SkinButtonDrawTest, FaceOfEachLook)
{
    const struct {
        const char* script;
        bool inactive;
        COLORREF middle;
    } cases[] = {
        {"", false, kNormal},
        {"move 5 5", false, kHotNormal},
        {"down 5 5", false, kPushed},
        {"down 5 5; leave", false, kHotPushed},
        {"down 5 5; move 50 5", false, kHotNormal},
        {"disable", false, kInactive},        // DisableImage drawn over as the disabled mark
        {"", true, kInactive},
        {"down 5 5", true, kInactive},
        {"move 5 5", true, kHotNormal},       // hot wins over the inactive look
        {"down 5 5; leave", true, kHotPushed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.script) + (c.inactive ? " inactive" : ""));
        CDrawnButton drawn("Strip", c.script, c.inactive);
        EXPECT_EQ(drawn.At(14, 2), c.middle);
        EXPECT_EQ(drawn.At(2, 2), kLeft);
        EXPECT_EQ(drawn.At(35, 2), kRight);
        EXPECT_EQ(drawn.At(0, 0), kWhite) << "the face's key colour is not copied";
    }
    // Without a face for the inactive look a caption button vanishes: nothing is drawn.
    CDrawnButton plain("Plain", "", true);
    EXPECT_EQ(plain.At(14, 2), kWhite);
    EXPECT_EQ(plain.At(2, 2), kWhite);
    // Disabling alone never changes the face.
    CDrawnButton disabled("Plain", "disable");
    EXPECT_EQ(disabled.At(14, 2), kNormal);
}

// Width 200 from a 40 wide face with Divide 10, 0, 12: 10 of the left edge, 178 of the 18
// wide middle repeated (each copy starting with its marker), 12 of the right edge.
TEST(SkinButtonDrawTest, ThreePartFace)
{
    CDrawnButton drawn("Wide", "");
    ASSERT_EQ(drawn.Button().GetSize().cx, 200);
    const struct {
        int x;
        COLORREF color;
    } columns[] = {
        {1, kLeft},    {9, kLeft},    {10, kMarker}, {11, kNormal},  {27, kNormal},
        {28, kMarker}, {29, kNormal}, {46, kMarker}, {154, kMarker}, {172, kMarker},
        {173, kNormal}, {187, kNormal}, {188, kRight}, {199, kRight},
    };
    for (const auto& column : columns) EXPECT_EQ(drawn.At(column.x, 5), column.color) << column.x;
    EXPECT_EQ(drawn.At(0, 0), kWhite);
    EXPECT_EQ(drawn.At(200, 5), kWhite) << "nothing beyond the item";
}

// Both edges fill the source: the middle part stays empty, the edges are drawn, and drawing
// ends.
TEST(SkinButtonDrawTest, EmptyMiddleLeavesTheKeyColour)
{
    CDrawnButton drawn("NoMiddle", "");
    ASSERT_EQ(drawn.Button().GetSize().cx, 60);
    const struct {
        int x;
        COLORREF color;
    } columns[] = {
        {5, kLeft},   {10, kMarker}, {19, kNormal}, {20, kWhite}, {30, kWhite},
        {39, kWhite}, {40, kNormal}, {47, kNormal}, {48, kRight}, {59, kRight},
    };
    for (const auto& column : columns) EXPECT_EQ(drawn.At(column.x, 5), column.color) << column.x;
}

// The 8 x 8 mark centred on the 40 x 20 button lies at 16, 6 (its own top-left pixel is
// transparent); pushed, it moves by the shift (1, 1).
TEST(SkinButtonDrawTest, MarkCentredShiftedBlinkingAndGreyed)
{
    const struct {
        const char* name;
        const char* script;
        int x;               // the mark's top-left corner, or -1 where no mark is drawn
        int y;
        COLORREF mark;
        COLORREF face;       // what shows through the mark's transparent corner
    } cases[] = {
        {"unchecked", "", 16, 6, kMarkOff, kNormal},
        {"checked", "check 1", 16, 6, kMarkOn, kNormal},
        {"pushed", "down 5 5", 17, 7, kMarkOff, kPushed},
        {"pressed outside", "down 5 5; move 50 5", 16, 6, kMarkOff, kHotNormal},
        {"disabled, checked: the mark greyed", "check 1; disable", 16, 6, kMarkOnGrey, kNormal},
        {"push button blinking, shown", "check 1; blink 1; tick 0", 16, 6, kMarkOn, kNormal},
        {"push button blinking, hidden", "check 1; blink 1; tick 400", -1, -1, 0, kNormal},
        {"push button blinking, unchecked", "blink 1; tick 0", 16, 6, kMarkOff, kNormal},
        {"check button blinking shows checked", "kind 1; blink 1; tick 0", 16, 6, kMarkOn,
         kNormal},
        {"check button blinking shows unchecked", "kind 1; check 1; blink 1; tick 400", 16, 6,
         kMarkOff, kNormal},
        {"check button blinking, disabled, shows its state",
         "kind 1; check 1; blink 1; tick 400; disable", 16, 6, kMarkOnGrey, kNormal},
        {"check button stopped blinking", "kind 1; blink 1; tick 0; blink 0", 16, 6, kMarkOff,
         kNormal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CDrawnButton drawn("Strip", c.script);
        if (c.x < 0) {
            for (int y = 6; y < 14; ++y) {
                for (int x = 16; x < 24; ++x) ASSERT_EQ(drawn.At(x, y), c.face) << x << "," << y;
            }
            continue;
        }
        EXPECT_EQ(drawn.At(c.x, c.y), c.face) << "the mark's transparent corner";
        EXPECT_EQ(drawn.At(c.x + 1, c.y), c.mark);
        EXPECT_EQ(drawn.At(c.x + 7, c.y + 7), c.mark);
        EXPECT_EQ(drawn.At(c.x + 8, c.y + 7), c.face);
        EXPECT_EQ(drawn.At(c.x + 7, c.y + 8), c.face);
    }
}

// A disabled button with DisableImage draws it centred over its face: on the 60 wide button
// the 40 wide image lies at 10; DisableImageP when checked. Without one, the mark is greyed;
// a push button's mark shows while disabled even in the hidden blink phase.
TEST(SkinButtonDrawTest, DisabledFormsOfTheMark)
{
    {
        // The face: left 0..9, markers at 10, 28 and 46, right from 48. The image over it:
        // left 10..19, marker 20, middle 21..37, right 38..49.
        CDrawnButton drawn("DisabledMark", "disable");
        EXPECT_EQ(drawn.At(10, 5), kLeft) << "the disabled image's left edge over the marker";
        EXPECT_EQ(drawn.At(10, 0), kMarker) << "its transparent corner";
        EXPECT_EQ(drawn.At(20, 5), kMarker);
        EXPECT_EQ(drawn.At(24, 5), kInactive);
        EXPECT_EQ(drawn.At(38, 5), kRight);
        EXPECT_EQ(drawn.At(47, 5), kRight);
    }
    {
        CDrawnButton drawn("DisabledMark", "check 1; disable");
        EXPECT_EQ(drawn.At(24, 5), kInactiveChecked);
    }
    {
        CDrawnButton drawn("Strip", "blink 1; tick 400; disable");
        EXPECT_EQ(drawn.At(14, 2), kInactive) << "DisableImage over the whole face";
    }
    {
        CDrawnButton drawn("DisabledMark", "disable; enable");
        EXPECT_EQ(drawn.At(24, 5), kNormal);
        EXPECT_EQ(drawn.At(10, 5), kMarker);
    }
    {
        // Strip's mark without DisableImage: greyed.
        CDrawnButton drawn("Strip", "check 1; kind 1; disable");
        EXPECT_EQ(drawn.At(17, 7), kMarkOnGrey);
        EXPECT_EQ(drawn.At(16, 6), kNormal);
    }
}

// The black square's middle is exactly the caption's colour.
TEST(SkinButtonDrawTest, CaptionColoursAndShadow)
{
    const struct {
        const char* block;
        const char* script;
        bool inactive;
        COLORREF middle;     // at the caption's centre (40, 20)
        COLORREF shadow;     // at the shadow's centre (52, 32)
        COLORREF face;       // no inactive face: nothing but the caption is drawn
    } cases[] = {
        {"Caption", "", false, kText, kCaptionFace, kCaptionFace},
        {"Caption", "move 5 5", false, kText, kShadow, kCaptionFace},   // shadow: hot normal only
        {"Caption", "down 5 5", false, kText, kCaptionFace, kCaptionFace},
        {"Caption", "down 5 5; leave", false, kText, kCaptionFace, kCaptionFace},
        {"Caption", "", true, kText, kWhite, kWhite},
        {"Caption", "disable", false, RGB(0xB0, 0xB0, 0xB0), kCaptionFace, kCaptionFace},
        {"Caption", "check 1", false, kCaptionFace, kCaptionFace, kCaptionFace},   // TextP's □
        {"CaptionSmooth", "", false, kText, kCaptionFace, kCaptionFace},
        {"CaptionSmooth", "move 5 5", false, kText, kShadow, kCaptionFace},
        {"CaptionStates", "", false, RGB(10, 20, 30), kCaptionFace, kCaptionFace},
        {"CaptionStates", "move 5 5", false, RGB(100, 110, 120), kShadow, kCaptionFace},
        {"CaptionStates", "down 5 5", false, RGB(70, 80, 90), kCaptionFace, kCaptionFace},
        {"CaptionStates", "down 5 5; leave", false, RGB(130, 140, 150), kCaptionFace,
         kCaptionFace},
        {"CaptionStates", "disable", false, RGB(40, 50, 60), kCaptionFace, kCaptionFace},
        {"CaptionStates", "", true, RGB(40, 50, 60), kWhite, kWhite},
        {"CaptionStates", "move 5 5", true, RGB(100, 110, 120), kShadow, kCaptionFace},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.block) + " " + c.script + (c.inactive ? " inactive" : ""));
        CDrawnButton drawn(c.block, c.script, c.inactive);
        EXPECT_EQ(drawn.At(40, 20), c.middle);
        EXPECT_EQ(drawn.At(52, 32), c.shadow);
        EXPECT_EQ(drawn.At(2, 2), c.face);
    }
}

// The caption follows the push shift while the pushed look is shown.
TEST(SkinButtonDrawTest, CaptionMovesWithThePushShift)
{
    ui::SkinBlock block = TestBlock("Caption");
    block.m_mapKeyword["PushImageShift"] = {"10", "0"};
    int left[2] = {-1, -1};   // the square's first column on the caption's middle row
    for (const bool pushed : {false, true}) {
        skintest::CRecordingAccessor window;
        CSkinWindowItemButton button(&window, 7, block, window.Cache());
        if (pushed) skintest::RunItemScript(button, "down 5 5");
        button.Draw();
        for (int x = 0; x < 80 && left[pushed] < 0; ++x) {
            if (skintest::PixelAt(window.Buffer(), 200 + x, 50 + 20) == kText) left[pushed] = x;
        }
    }
    ASSERT_GE(left[0], 0);
    EXPECT_EQ(left[1], left[0] + 10);
}

// Drawing keeps to the back buffer's clip rectangle, as the window's partial redraws need.
TEST(SkinButtonDrawTest, DrawsOnlyInsideTheClipRectangle)
{
    skintest::CRecordingAccessor window;
    CSkinWindowItemButton button(&window, 7, TestBlock("Strip"), window.Cache());
    window.Buffer().SetClipRect(RECT{20, 60, 40, 70});
    button.Draw();
    EXPECT_EQ(skintest::PixelAt(window.Buffer(), 20 + 2, 60 + 2), kLeft);
    EXPECT_EQ(skintest::PixelAt(window.Buffer(), 20 + 25, 60 + 2), kWhite);
    EXPECT_EQ(skintest::PixelAt(window.Buffer(), 20 + 2, 60 + 12), kWhite);
}

} // namespace
