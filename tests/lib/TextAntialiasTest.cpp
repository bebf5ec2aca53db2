// Antialiased text drawn straight into a 24-bit DIB with the Japanese font of the system.
#include "lib/wfc/TextAntialias.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

using lib::wfc::CDCStateSaver;
using lib::wfc::CDIB;
using lib::wfc::CFont;
using lib::wfc::CMemDC;
using lib::wfc::DrawTextAntialias;
using lib::wfc::DrawTextAntialiasParams;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kInk = RGB(200, 0, 40);

LOGFONTA JapaneseFont()
{
    LOGFONTA logFont = {};
    logFont.lfHeight = -24;
    logFont.lfCharSet = DEFAULT_CHARSET;
    std::strcpy(logFont.lfFaceName, "MS PGothic");
    return logFont;
}

COLORREF Pixel(const CDIB& dib, int x, int y)
{
    const uint8_t* p = dib.GetBits() + static_cast<size_t>(dib.GetHeight() - 1 - y) *
                                           dib.GetRowBytes() + 3 * x;
    return RGB(p[2], p[1], p[0]);
}

// The rectangle around every pixel that is no longer white; empty when none changed.
RECT Changed(const CDIB& dib)
{
    RECT box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = 0; y < dib.GetHeight(); ++y) {
        for (int x = 0; x < dib.GetWidth(); ++x) {
            if (Pixel(dib, x, y) == kWhite) continue;
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    }
    if (box.left == INT_MAX) box = RECT();
    return box;
}

class TextAntialiasTest : public ::testing::Test {
protected:
    TextAntialiasTest() : m_saver(&m_dc)
    {
        const LOGFONTA logFont = JapaneseFont();
        m_font.CreateFontIndirect(&logFont);
        m_saver.SelectFont(m_font.GetHandle());
        SetTextColor(m_dc.GetHDC(), kInk);
        GetTextMetricsA(m_dc.GetHDC(), &m_tm);
        m_dib.Create(nullptr, 200, 80, 24);
        m_dib.Fill(kWhite);
    }
    ~TextAntialiasTest() override { m_saver.Restore(); }

    int CellWidth(UINT code)
    {
        GLYPHMETRICS metrics = {};
        const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
        EXPECT_NE(GetGlyphOutlineA(m_dc.GetHDC(), code, GGO_METRICS, &metrics, 0, nullptr,
                                   &identity),
                  GDI_ERROR);
        return metrics.gmCellIncX;
    }

    bool Draw(const char* text, RECT* rect, UINT format, const RECT* clip = nullptr)
    {
        return DrawTextAntialias(m_dc.GetHDC(), m_dib, 0, text, rect, format, clip);
    }

    CMemDC m_dc;
    CFont m_font;
    CDCStateSaver m_saver;
    TEXTMETRICA m_tm = {};
    CDIB m_dib;
};

TEST_F(TextAntialiasTest, RejectsWhatItDoesNotHandleBeforeDrawing)
{
    RECT rect = {0, 0, 200, 80};
    const UINT formats[] = {DT_CENTER | DT_RIGHT, DT_VCENTER | DT_BOTTOM | DT_SINGLELINE,
                            DT_WORDBREAK, DT_END_ELLIPSIS, DT_NOPREFIX};
    for (UINT format : formats) EXPECT_FALSE(Draw("Abc", &rect, format)) << format;

    DrawTextAntialiasParams params = {"Abc", &rect, 0, nullptr};
    BITMAPINFOHEADER header = *m_dib.GetInfoHeader();
    EXPECT_FALSE(DrawTextAntialias(nullptr, &header, m_dib.GetBits(), &params));
    EXPECT_FALSE(DrawTextAntialias(m_dc.GetHDC(), nullptr, m_dib.GetBits(), &params));
    EXPECT_FALSE(DrawTextAntialias(m_dc.GetHDC(), &header, nullptr, &params));
    params.text = nullptr;
    EXPECT_FALSE(DrawTextAntialias(m_dc.GetHDC(), &header, m_dib.GetBits(), &params));
    params.text = "Abc";
    params.rect = nullptr;
    EXPECT_FALSE(DrawTextAntialias(m_dc.GetHDC(), &header, m_dib.GetBits(), &params));
    params.rect = &rect;
    header.biBitCount = 32;
    EXPECT_FALSE(DrawTextAntialias(m_dc.GetHDC(), &header, m_dib.GetBits(), &params));
    header.biBitCount = 24;
    header.biHeight = -header.biHeight;
    EXPECT_FALSE(DrawTextAntialias(m_dc.GetHDC(), &header, m_dib.GetBits(), &params));
    EXPECT_EQ(Changed(m_dib).right, 0);
}

TEST_F(TextAntialiasTest, NothingVisibleIsDoneAtOnce)
{
    RECT outside = {300, 10, 400, 40};
    EXPECT_TRUE(Draw("Abc", &outside, DT_CALCRECT));
    EXPECT_EQ(outside.right, 400) << "not measured either";
    RECT inside = {0, 0, 200, 80};
    const RECT away = {500, 500, 600, 600};
    EXPECT_TRUE(Draw("Abc", &inside, 0, &away));
    EXPECT_EQ(Changed(m_dib).right, 0);
}

TEST_F(TextAntialiasTest, BlankGlyphsOnlyMoveThePen)
{
    RECT blank = {0, 0, 200, 80};
    EXPECT_TRUE(Draw("   ", &blank, DT_SINGLELINE));
    EXPECT_EQ(Changed(m_dib).right, 0);
    RECT empty = {0, 0, 200, 80};
    EXPECT_TRUE(Draw("", &empty, DT_CALCRECT));
    EXPECT_EQ(empty.right, 0);
    EXPECT_EQ(empty.bottom, m_tm.tmHeight) << "an empty text is one line high";
    RECT spaced = {0, 0, 200, 80};
    ASSERT_TRUE(Draw(" A", &spaced, DT_SINGLELINE));
    EXPECT_GE(Changed(m_dib).left, CellWidth(' '));
}

TEST_F(TextAntialiasTest, LineBreaksInMultiAndSingleLineMode)
{
    const int a = CellWidth('A');
    const int b = CellWidth('B');
    const int lf = CellWidth('\n');
    RECT multi = {5, 5, 195, 75};
    ASSERT_TRUE(Draw("A\r\nB", &multi, DT_CALCRECT));
    EXPECT_EQ(multi.right, 5 + std::max(a, b));
    EXPECT_EQ(multi.bottom, 5 + 2 * m_tm.tmHeight);
    RECT single = {5, 5, 195, 75};
    ASSERT_TRUE(Draw("A\nB", &single, DT_CALCRECT | DT_SINGLELINE));
    EXPECT_EQ(single.right, 5 + a + lf + b);
    EXPECT_EQ(single.bottom, 5 + m_tm.tmHeight);

    RECT rect = {5, 5, 195, 75};
    ASSERT_TRUE(Draw("A\nB", &rect, 0));
    RECT box = Changed(m_dib);
    EXPECT_GE(box.top, 5);
    EXPECT_GT(box.bottom, 5 + m_tm.tmHeight) << "a second line";
    EXPECT_LE(box.right, 5 + std::max(a, b) + 2);

    m_dib.Fill(kWhite);
    ASSERT_TRUE(Draw("A\nB", &rect, DT_SINGLELINE | DT_VCENTER));
    box = Changed(m_dib);
    EXPECT_LE(box.bottom, 40 + m_tm.tmHeight / 2 + 1) << "one line, in the middle";
    EXPECT_GT(box.right, 5 + a + lf) << "B after the line-feed glyph";
}

TEST_F(TextAntialiasTest, FullLevelTakesTheTextColourAndNothingLeavesTheVisibleArea)
{
    const char* square = "\x81\xA1"; // a filled square of code page 932
    RECT rect = {10, 10, 190, 70};
    const RECT clip = {0, 0, 22, 80};
    ASSERT_TRUE(Draw(square, &rect, DT_SINGLELINE, &clip));
    const RECT box = Changed(m_dib);
    EXPECT_GE(box.left, 10);
    EXPECT_LE(box.right, 22);
    bool full = false;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) full = full || Pixel(m_dib, x, y) == kInk;
    }
    EXPECT_TRUE(full) << "a level-64 pixel takes the text colour exactly";

    m_dib.Fill(kWhite);
    RECT right = {10, 10, 190, 70};
    ASSERT_TRUE(Draw(square, &right, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM));
    const RECT placed = Changed(m_dib);
    EXPECT_GE(placed.left, 190 - CellWidth(0x81A1));
    EXPECT_LE(placed.right, 190);
    EXPECT_LE(placed.bottom, 70);
}

TEST_F(TextAntialiasTest, DoubleByteCharacterIsOneGlyph)
{
    const char* text = "\x82\xA0"; // hiragana a
    const char* cursor = text;
    EXPECT_EQ(lib::wfc::_NextMBChar(&cursor), 0x82A0u);
    EXPECT_EQ(cursor, text + 2);
    EXPECT_EQ(lib::wfc::_NextMBChar(&cursor), 0u);
    const char* lone = "A\x82";
    cursor = lone;
    EXPECT_EQ(lib::wfc::_NextMBChar(&cursor), static_cast<UINT>('A'));
    EXPECT_EQ(lib::wfc::_NextMBChar(&cursor), 0x82u) << "a lead byte at the end stands alone";
    EXPECT_EQ(cursor, lone + 2);
    const char* broken = "\x82\nB"; // a lead byte before a byte that cannot trail it
    cursor = broken;
    EXPECT_EQ(lib::wfc::_NextMBChar(&cursor), 0x82u);
    EXPECT_EQ(lib::wfc::_NextMBChar(&cursor), static_cast<UINT>('\n'));
    EXPECT_EQ(lib::wfc::_NextMBChar(&cursor), static_cast<UINT>('B'));
    RECT twoLines = {0, 0, 200, 80};
    ASSERT_TRUE(Draw(broken, &twoLines, DT_CALCRECT));
    EXPECT_EQ(twoLines.bottom, 2 * m_tm.tmHeight) << "the line feed still breaks the line";

    const int glyph = CellWidth(0x82A0);
    EXPECT_GT(glyph, 10);
    RECT measure = {0, 0, 200, 80};
    ASSERT_TRUE(Draw(text, &measure, DT_CALCRECT | DT_SINGLELINE));
    EXPECT_EQ(measure.right, glyph);

    RECT rect = {0, 0, 200, 80};
    ASSERT_TRUE(Draw(text, &rect, DT_SINGLELINE));
    const RECT box = Changed(m_dib);
    EXPECT_GT(box.right - box.left, glyph / 2) << "drawn as the wide kana";
    EXPECT_LE(box.right, glyph + 2);

    m_dib.Fill(kWhite);
    RECT loneRect = {0, 0, 200, 80};
    EXPECT_TRUE(Draw("\x82", &loneRect, DT_SINGLELINE));
}

} // namespace
