// The static text item: its block, the four-character line-break escape, alignment, the
// disabled colour, measuring, the centred form whatever its block says, and that clicks fall
// through it. Texts are black squares ("■") so that a glyph's middle is exactly the colour.

#include "lib/wfc/DIB.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemStatic.h"
#include "tests/skin/support/SkinItemTestSupport.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using skintest::PixelAt;
using ui::CSkinWindowItemStatic;

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("skin_static_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("skin_static_test"));

// The label blocks of tests/skin/skins/TestButtons.txt: 200 x 40 at 20, 140.
const COLORREF kColor = RGB(180, 40, 60);
const RECT kLabel = {20, 140, 220, 180};

ui::SkinBlock TestBlock(const char* name)
{
    return ui::GetSkinBlock(ui::LoadSkinDefinition("TestButtons.txt", nullptr), name);
}

// Where the colour lies in the rectangle: its bounds (left > right when nowhere) and the
// number of separate bands of rows that hold it.
struct Ink {
    RECT bounds;
    int bands;
};

Ink FindInk(const lib::wfc::CDIB& dib, const RECT& area, COLORREF color)
{
    Ink ink = {{area.right, area.bottom, area.left - 1, area.top - 1}, 0};
    bool previousRow = false;
    for (int y = area.top; y < area.bottom; ++y) {
        bool row = false;
        for (int x = area.left; x < area.right; ++x) {
            if (PixelAt(dib, x, y) != color) continue;
            row = true;
            ink.bounds.left = std::min<LONG>(ink.bounds.left, x);
            ink.bounds.right = std::max<LONG>(ink.bounds.right, x);
            ink.bounds.top = std::min<LONG>(ink.bounds.top, y);
            ink.bounds.bottom = std::max<LONG>(ink.bounds.bottom, y);
        }
        if (row && !previousRow) ++ink.bands;
        previousRow = row;
    }
    return ink;
}

TEST(SkinStaticTest, ReadsItsBlock)
{
    skintest::CRecordingAccessor window;
    CSkinWindowItemStatic label(&window, 9, TestBlock("Label"), window.Cache());
    EXPECT_EQ(label.GetRect().left, 20);
    EXPECT_EQ(label.GetRect().top, 140);
    EXPECT_EQ(label.GetSize().cx, 200);
    EXPECT_EQ(label.GetSize().cy, 40);
    EXPECT_EQ(label.GetText(), "■");
    EXPECT_EQ(label.GetColor(), kColor);
    EXPECT_EQ(label.GetFormat(), static_cast<UINT>(DT_WORDBREAK));
    EXPECT_FALSE(label.IsAntialias());
    EXPECT_EQ(label.GetLogFont().lfHeight, -16);
    EXPECT_FALSE(label.IsHitTestable());
    EXPECT_EQ(label.GetTooltipText(), "");

    const struct {
        const char* block;
        UINT format;
        bool antialias;
    } cases[] = {
        {"LabelLeft", DT_WORDBREAK, false},
        {"LabelCentre", DT_WORDBREAK | DT_CENTER, false},
        {"LabelRight", DT_WORDBREAK | DT_RIGHT, false},
        {"LabelOther", DT_WORDBREAK, false},
        {"LabelSmooth", DT_WORDBREAK, true},
    };
    for (const auto& c : cases) {
        CSkinWindowItemStatic item(&window, 9, TestBlock(c.block), window.Cache());
        EXPECT_EQ(item.GetFormat(), c.format) << c.block;
        EXPECT_EQ(item.IsAntialias(), c.antialias) << c.block;
    }

    // Only Position, Size and Font are needed; each present keyword is counted.
    const struct {
        const char* keywords;
        const char* box;
    } blocks[] = {
        {"Position=1,2;Size=3,4;Font=f,12,400", ""},
        {"Position=1,2;Size=3,4", "S/Fontが定義されていません"},
        {"Size=3,4;Font=f,12,400", "S/Positionが定義されていません"},
        {"Position=1,2;Size=3,4;Font=f,12,400;Color=1,2", "S/Colorのパラメータは 3個必要です"},
        {"Position=1,2;Size=3,4;Font=f,12,400;Text=a,b",
         "S/Textのパラメータは 1個必要ですが、2個指定されています"},
        {"Position=1,2;Size=3,4;Font=f,12,400;Alignment=0,1",
         "S/Alignmentのパラメータは 1個必要ですが、2個指定されています"},
        {"Position=1,2;Size=3,4;Font=f,12,400;Antialias=1,1",
         "S/Antialiasのパラメータは 1個必要ですが、2個指定されています"},
    };
    for (const auto& b : blocks) {
        const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] {
            CSkinWindowItemStatic item(&window, 9, skintest::MakeSkinBlock("S", b.keywords),
                                       window.Cache());
        });
        if (*b.box == '\0') {
            EXPECT_TRUE(errors.m_vBox.empty()) << b.keywords;
        } else {
            EXPECT_EQ(errors.m_vBox, std::vector<std::string>{b.box}) << b.keywords;
        }
    }
}

// Only the four characters backslash, r, backslash, n become a line break, and only on
// character boundaries.
TEST(SkinStaticTest, LineBreakEscape)
{
    const struct {
        const char* text;
        const char* stored;
    } cases[] = {
        {"A\\r\\nB", "A\r\nB"},
        {"A\r\nB", "A\r\nB"},
        {"A\\nB", "A\\nB"},
        {"A\\rB\\n", "A\\rB\\n"},
        {"\\r\\n\\r\\n", "\r\n\r\n"},
        {"表r\\n", "表r\\n"},      // 0x95 0x5C: the backslash is the character's second byte
        {"表\\r\\n", "表\r\n"},
        {"", ""},
    };
    skintest::CRecordingAccessor window;
    CSkinWindowItemStatic label(&window, 9, TestBlock("Label"), window.Cache());
    for (const auto& c : cases) {
        window.m_nRedraws = 0;
        label.SetText(c.text);
        EXPECT_EQ(label.GetText(), c.stored) << c.text;
        EXPECT_EQ(window.m_nRedraws, 1);
    }
    // The block's text is read the same way.
    CSkinWindowItemStatic lines(&window, 9, TestBlock("LabelLines"), window.Cache());
    EXPECT_EQ(lines.GetText(), "■\r\n■");
}

TEST(SkinStaticTest, DrawsAlignedLinesAndTheDisabledColour)
{
    const struct {
        const char* block;
        const char* script;
        COLORREF color;
        int bands;
        const char* where;    // "left", "centre", "right"
        int redraws;          // each change of the enabled state redraws
    } cases[] = {
        {"Label", "", kColor, 1, "left", 0},
        {"LabelLeft", "", kColor, 1, "left", 0},
        {"LabelOther", "", kColor, 1, "left", 0},
        {"LabelCentre", "", kColor, 1, "centre", 0},
        {"LabelRight", "", kColor, 1, "right", 0},
        {"LabelLines", "", kColor, 2, "left", 0},
        {"LabelSmooth", "", kColor, 1, "left", 0},
        // (180 x 306 + 40 x 600 + 60 x 117) >> 10 = 84, then + 102.
        {"Label", "disable", RGB(186, 186, 186), 1, "left", 1},
        {"Label", "disable; disable; enable", kColor, 1, "left", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.block) + " " + c.script);
        skintest::CRecordingAccessor window;
        CSkinWindowItemStatic label(&window, 9, TestBlock(c.block), window.Cache());
        window.m_nRedraws = 0;
        skintest::RunItemScript(label, c.script);
        EXPECT_EQ(window.m_nRedraws, c.redraws);
        label.Draw();
        const Ink ink = FindInk(window.Buffer(), kLabel, c.color);
        ASSERT_EQ(ink.bands, c.bands);
        const int middle = (ink.bounds.left + ink.bounds.right) / 2;
        const std::string where = c.where;
        if (where == "left") {
            EXPECT_LT(ink.bounds.left, kLabel.left + 4);
        } else if (where == "right") {
            EXPECT_GT(ink.bounds.right, kLabel.right - 5);
        } else {
            EXPECT_NEAR(middle, 120, 2);
        }
        // Drawn inside its rectangle, nothing elsewhere.
        EXPECT_EQ(FindInk(window.Buffer(), RECT{0, 0, 320, kLabel.top}, c.color).bands, 0);
    }
}

// The antialiased renderer takes single lines; a word-broken format falls back to DrawTextA.
TEST(SkinStaticTest, AntialiasedAndPlainDrawTheSameText)
{
    for (const UINT format : {static_cast<UINT>(DT_WORDBREAK), static_cast<UINT>(DT_SINGLELINE)}) {
        skintest::CRecordingAccessor window;
        CSkinWindowItemStatic label(&window, 9, TestBlock("LabelSmooth"), window.Cache());
        label.SetFormat(format);
        RECT rect = label.GetRect().ToRECT();
        lib::wfc::CMemDC memory(nullptr);
        lib::wfc::CDCStateSaver saver(&memory);
        saver.SelectBitmap(window.Buffer().GetHandle());
        EXPECT_EQ(label.DrawAntialiasText(saver.GetHDC(), "■", &rect, format),
                  format == DT_SINGLELINE);
        saver.Restore();
        label.Draw();
        EXPECT_EQ(FindInk(window.Buffer(), kLabel, kColor).bands, 1) << format;
    }
}

// Drawing keeps to the back buffer's clip rectangle, with either renderer.
TEST(SkinStaticTest, DrawsOnlyInsideTheClipRectangle)
{
    for (const UINT format : {static_cast<UINT>(DT_WORDBREAK), static_cast<UINT>(DT_SINGLELINE)}) {
        skintest::CRecordingAccessor window;
        CSkinWindowItemStatic label(&window, 9, TestBlock("LabelSmooth"), window.Cache());
        label.SetFormat(format);
        label.SetText("■■■■■■");
        window.Buffer().SetClipRect(RECT{0, 0, 40, 200});
        label.Draw();
        const Ink ink = FindInk(window.Buffer(), kLabel, kColor);
        EXPECT_EQ(ink.bands, 1) << format;
        EXPECT_LT(ink.bounds.right, 40) << format;
    }
}

TEST(SkinStaticTest, CalcTextRectMeasuresInTheItemsFontAndFormat)
{
    skintest::CRecordingAccessor window;
    CSkinWindowItemStatic label(&window, 9, TestBlock("Label"), window.Cache());
    const ui::SkinSize one = label.CalcTextRect("■");
    const ui::SkinSize two = label.CalcTextRect("■■");
    const ui::SkinSize lines = label.CalcTextRect("■\r\n■");
    EXPECT_GT(one.cx, 8);
    EXPECT_GE(one.cy, 16);
    EXPECT_EQ(two.cx, 2 * one.cx);
    EXPECT_EQ(two.cy, one.cy);
    EXPECT_EQ(lines.cx, one.cx);
    EXPECT_EQ(lines.cy, 2 * one.cy);
    // Words wrap at the item's width.
    const ui::SkinSize wrapped = label.CalcTextRect("■■■■ ■■■■ ■■■■ ■■■■ ■■■■");
    EXPECT_LE(wrapped.cx, 200);
    EXPECT_GE(wrapped.cy, 2 * one.cy);
    // A single-line format does not wrap.
    label.SetFormat(DT_SINGLELINE);
    EXPECT_EQ(label.CalcTextRect("■■■■ ■■■■ ■■■■ ■■■■ ■■■■").cy, one.cy);
    EXPECT_EQ(window.m_nRedraws, 0);
}

// On a real window: clicks fall through a static text; the centred one draws one line
// centred both ways and never antialiased, whatever its block says.
TEST(SkinStaticTest, OnAWindow)
{
    ui::CSkinWindow window;
    ui::SkinDefinition definition;
    window.LoadSkin(definition, "TestButtons.txt", "Base", true);
    uint16_t counter = 100;
    const ui::SkinItemKey labelKey("LabelSmooth", counter);
    CSkinWindowItemStatic* label = window.AddStatic(definition, labelKey);
    EXPECT_EQ(label->GetId(), 100);
    EXPECT_TRUE(label->IsAntialias());
    CSkinWindowItemStatic* centred =
        window.CreateCenterStatic(101, ui::GetSkinBlock(definition, "LabelLines"));
    EXPECT_EQ(centred->GetFormat(), static_cast<UINT>(DT_CENTER | DT_VCENTER | DT_SINGLELINE));
    EXPECT_FALSE(centred->IsAntialias());
    CSkinWindowItemStatic* smooth =
        window.CreateCenterStatic(102, ui::GetSkinBlock(definition, "LabelSmooth"));
    EXPECT_FALSE(smooth->IsAntialias());
    label->SetVisible(false);
    smooth->SetVisible(false);

    window.Create(0, nullptr, "skin_static_test", WS_POPUP, 0, 0, 320, 200);
    EXPECT_EQ(window.FindItemFromPoint(30, 150), nullptr);

    // One line: both squares side by side, centred both ways in 20, 140 .. 220, 180.
    const Ink ink = FindInk(*window.GetBackBuffer(), kLabel, kColor);
    ASSERT_EQ(ink.bands, 1);
    EXPECT_NEAR((ink.bounds.left + ink.bounds.right) / 2, 120, 2);
    EXPECT_NEAR((ink.bounds.top + ink.bounds.bottom) / 2, 160, 3);

    // A text set later is drawn at once, still centred; disabling redraws in grey.
    centred->SetText("■");
    const Ink one = FindInk(*window.GetBackBuffer(), kLabel, kColor);
    EXPECT_LT(one.bounds.right - one.bounds.left, ink.bounds.right - ink.bounds.left);
    EXPECT_NEAR((one.bounds.left + one.bounds.right) / 2, 120, 2);
    centred->SetEnable(false);
    EXPECT_EQ(FindInk(*window.GetBackBuffer(), kLabel, kColor).bands, 0);
    EXPECT_EQ(FindInk(*window.GetBackBuffer(), kLabel, RGB(186, 186, 186)).bands, 1);
    window.DestroyWindow();
}

} // namespace
