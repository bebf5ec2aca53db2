// DIB images: sizes, fill, the copies with clipping, key colour and alpha, tiling, scaling
// with rotation, filters, and loading through GDI+ from files and resources.
#include "lib/wfc/DIB.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using lib::wfc::CDIB;
using lib::wfc::CDIBClipScope;
using lib::wfc::kNoKeyColor;

namespace {

const COLORREF kMagenta = 0xFF00FF;

// The picture pixel (0 = top row) as a COLORREF.
COLORREF Pixel(const CDIB& dib, int x, int y)
{
    const uint8_t* p = dib.GetBits() + static_cast<size_t>(dib.GetHeight() - 1 - y) *
                                           dib.GetRowBytes() + 3 * x;
    return RGB(p[2], p[1], p[0]);
}

void SetPixel(CDIB& dib, int x, int y, COLORREF color)
{
    uint8_t* p = dib.GetBits() + static_cast<size_t>(dib.GetHeight() - 1 - y) * dib.GetRowBytes() +
                 3 * x;
    p[0] = GetBValue(color);
    p[1] = GetGValue(color);
    p[2] = GetRValue(color);
}

// A picture whose every pixel tells where it came from: red = x, green = y, blue = 7.
void MakeCoordinateImage(CDIB& dib, int width, int height)
{
    dib.Create(nullptr, width, height, 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) SetPixel(dib, x, y, RGB(x, y, 7));
    }
}

TEST(DIBTest, RowBytesForEveryBitDepth)
{
    struct Case {
        int width;
        int bits;
        uint32_t rowBytes;
    };
    const Case cases[] = {
        {1, 1, 4},  {33, 1, 8},  {3, 4, 4},   {9, 4, 8},   {5, 8, 8},
        {3, 16, 8}, {1, 24, 4},  {5, 24, 16}, {4, 24, 12}, {3, 32, 12},
    };
    for (const Case& c : cases) {
        CDIB dib;
        dib.Create(nullptr, c.width, 3, c.bits);
        EXPECT_EQ(dib.GetRowBytes(), c.rowBytes) << c.width << "x" << c.bits;
        EXPECT_EQ(dib.GetBitsSize(), 3 * c.rowBytes);
        EXPECT_EQ(dib.GetInfoHeader()->biSize, 40u);
    }
}

TEST(DIBTest, CreateKeepsTheImageWhenTheSectionCannotBeMade)
{
    CDIB dib;
    dib.Create(nullptr, 4, 2, 24);
    const RECT clip = dib.GetClipRect();
    EXPECT_EQ(clip.right, 4);
    EXPECT_EQ(clip.bottom, 2);
    EXPECT_THROW(dib.Create(nullptr, 0, 5, 24), lib::wfc::bad_alloc);
    EXPECT_THROW(dib.Create(nullptr, 5, 0, 24), lib::wfc::bad_alloc);
    EXPECT_EQ(dib.GetWidth(), 4);
    EXPECT_NE(dib.GetHandle(), nullptr);
    dib.Destroy();
    EXPECT_EQ(dib.GetHandle(), nullptr);
    EXPECT_EQ(dib.GetBits(), nullptr);
    dib.Fill(0); // nothing to fill, nothing happens
}

TEST(DIBTest, FillWritesBlueGreenRed)
{
    CDIB dib;
    dib.Create(nullptr, 3, 2, 24);
    struct Case {
        COLORREF color;
        uint8_t b, g, r;
    };
    const Case cases[] = {{0, 0, 0, 0}, {kMagenta, 0xFF, 0x00, 0xFF},
                          {RGB(0x80, 0x80, 0x80), 0x80, 0x80, 0x80}, {RGB(1, 2, 3), 3, 2, 1}};
    for (const Case& c : cases) {
        dib.Fill(c.color);
        for (int y = 0; y < 2; ++y) {
            const uint8_t* p = dib.GetBits() + y * dib.GetRowBytes();
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(p[3 * x], c.b);
                EXPECT_EQ(p[3 * x + 1], c.g);
                EXPECT_EQ(p[3 * x + 2], c.r);
            }
        }
    }
}

TEST(DIBTest, BltClipsAndMovesTheSourceWithTheDestination)
{
    CDIB src;
    MakeCoordinateImage(src, 8, 8);
    CDIB dst;
    dst.Create(nullptr, 10, 10, 24);
    dst.Fill(0);
    const RECT clip = {2, 2, 10, 10};
    dst.SetClipRect(clip);
    // Destination starts one column left and one row above the clip rectangle.
    dst.Blt(1, 1, 3, 3, src, 4, 5, kNoKeyColor);
    EXPECT_EQ(Pixel(dst, 1, 1), 0u);
    EXPECT_EQ(Pixel(dst, 2, 2), RGB(5, 6, 7));
    EXPECT_EQ(Pixel(dst, 3, 3), RGB(6, 7, 7));
    EXPECT_EQ(Pixel(dst, 4, 4), 0u);

    // Areas reaching past either image stay inside the bits.
    dst.ResetClipRect();
    dst.Fill(0);
    dst.Blt(8, 8, 100, 100, src, 6, 6, kNoKeyColor);
    EXPECT_EQ(Pixel(dst, 8, 8), RGB(6, 6, 7));
    EXPECT_EQ(Pixel(dst, 9, 9), RGB(7, 7, 7));
    const RECT outside = {-50, -50, 500, 500};
    dst.SetClipRect(outside);
    dst.Blt(-3, -3, 20, 20, src, 0, 0, kNoKeyColor);
    EXPECT_EQ(Pixel(dst, 0, 0), RGB(3, 3, 7));
}

TEST(DIBTest, ClipScopesNarrowAndRestore)
{
    CDIB src;
    MakeCoordinateImage(src, 8, 8);
    CDIB dst;
    dst.Create(nullptr, 10, 10, 24);
    dst.Fill(0);
    const RECT outer = {1, 1, 9, 9};
    dst.SetClipRect(outer);
    {
        CDIBClipScope item(dst, RECT{4, 0, 20, 6});   // narrowed to 4, 1 .. 9, 6
        EXPECT_EQ(dst.GetClipRect().left, 4);
        EXPECT_EQ(dst.GetClipRect().top, 1);
        EXPECT_EQ(dst.GetClipRect().right, 9);
        EXPECT_EQ(dst.GetClipRect().bottom, 6);
        {
            // Apart from the clip: nothing at all may be drawn.
            CDIBClipScope apart(dst, RECT{0, 7, 3, 9});
            dst.Blt(0, 0, 10, 10, src, 0, 0, kNoKeyColor);
            EXPECT_EQ(Pixel(dst, 1, 8), 0u);
            EXPECT_EQ(Pixel(dst, 5, 3), 0u);
        }
        dst.Blt(0, 0, 10, 10, src, 0, 0, kNoKeyColor);
    }
    EXPECT_EQ(Pixel(dst, 4, 1), RGB(4, 1, 7));
    EXPECT_EQ(Pixel(dst, 3, 1), 0u);
    EXPECT_EQ(Pixel(dst, 4, 6), 0u);
    EXPECT_EQ(dst.GetClipRect().left, 1);
    EXPECT_EQ(dst.GetClipRect().bottom, 9);
}

TEST(DIBTest, BltSkipsTheKeyColour)
{
    CDIB src;
    src.Create(nullptr, 2, 1, 24);
    SetPixel(src, 0, 0, kMagenta);
    SetPixel(src, 1, 0, RGB(10, 20, 30));
    CDIB dst;
    dst.Create(nullptr, 2, 1, 24);
    dst.Fill(RGB(1, 1, 1));
    dst.Blt(0, 0, 2, 1, src, 0, 0, kMagenta);
    EXPECT_EQ(Pixel(dst, 0, 0), RGB(1, 1, 1));
    EXPECT_EQ(Pixel(dst, 1, 0), RGB(10, 20, 30));
    dst.Blt(0, 0, 2, 1, src, 0, 0, kNoKeyColor);
    EXPECT_EQ(Pixel(dst, 0, 0), kMagenta);
}

TEST(DIBTest, AlphaBltBlendsEachByte)
{
    struct Case {
        int alpha;
        uint8_t src, dst, expected;
    };
    const Case cases[] = {
        {255, 200, 100, 200}, {128, 200, 100, 150}, {0, 200, 100, 100},
        {0, 100, 200, 199},   {511, 0, 255, 0},     {128, 0, 255, 126},
    };
    for (const Case& c : cases) {
        CDIB src;
        src.Create(nullptr, 1, 1, 24);
        src.Fill(RGB(c.src, c.src, c.src));
        CDIB dst;
        dst.Create(nullptr, 1, 1, 24);
        dst.Fill(RGB(c.dst, c.dst, c.dst));
        dst.AlphaBlt(0, 0, 1, 1, src, 0, 0, c.alpha, kNoKeyColor);
        EXPECT_EQ(dst.GetBits()[0], c.expected) << c.alpha << " " << int(c.src) << " " << int(c.dst);
    }
    CDIB src;
    src.Create(nullptr, 1, 1, 24);
    src.Fill(kMagenta);
    CDIB dst;
    dst.Create(nullptr, 1, 1, 24);
    dst.Fill(RGB(9, 9, 9));
    dst.AlphaBlt(0, 0, 1, 1, src, 0, 0, 128, kMagenta);
    EXPECT_EQ(Pixel(dst, 0, 0), RGB(9, 9, 9));
}

TEST(DIBTest, TileBltFromTheAreaOriginOrOnTheGrid)
{
    CDIB tile;
    MakeCoordinateImage(tile, 10, 10);
    CDIB dst;
    dst.Create(nullptr, 30, 30, 24);

    dst.Fill(RGB(255, 255, 255));
    dst.TileBlt(5, 5, 20, 20, tile, true, nullptr, 255, kNoKeyColor);
    EXPECT_EQ(Pixel(dst, 5, 5), RGB(0, 0, 7));
    EXPECT_EQ(Pixel(dst, 14, 14), RGB(9, 9, 7));
    EXPECT_EQ(Pixel(dst, 15, 5), RGB(0, 0, 7));
    EXPECT_EQ(Pixel(dst, 24, 24), RGB(9, 9, 7));
    EXPECT_EQ(Pixel(dst, 25, 25), RGB(255, 255, 255));

    dst.Fill(RGB(255, 255, 255));
    dst.TileBlt(5, 5, 20, 20, tile, false, nullptr, 255, kNoKeyColor);
    EXPECT_EQ(Pixel(dst, 5, 5), RGB(5, 5, 7));
    EXPECT_EQ(Pixel(dst, 9, 9), RGB(9, 9, 7));
    EXPECT_EQ(Pixel(dst, 10, 10), RGB(0, 0, 7));
    EXPECT_EQ(Pixel(dst, 20, 20), RGB(0, 0, 7));
    EXPECT_EQ(Pixel(dst, 24, 12), RGB(4, 2, 7));
    EXPECT_EQ(Pixel(dst, 4, 4), RGB(255, 255, 255));

    // A part of the source as the tile, blended.
    dst.Fill(0);
    const RECT part = {2, 3, 4, 5};
    dst.TileBlt(0, 0, 4, 4, tile, true, &part, 255, kNoKeyColor);
    EXPECT_EQ(Pixel(dst, 0, 0), RGB(2, 3, 7));
    EXPECT_EQ(Pixel(dst, 3, 3), RGB(3, 4, 7));
    dst.TileBlt(0, 0, 4, 4, tile, true, &part, 0, kNoKeyColor);
    EXPECT_EQ(Pixel(dst, 0, 0), RGB(2, 3, 7)) << "alpha 0 leaves equal bytes";
}

TEST(DIBTest, TileBltWithAnEmptyTileOrAHugeAreaEnds)
{
    CDIB tile;
    MakeCoordinateImage(tile, 4, 4);
    CDIB dst;
    dst.Create(nullptr, 8, 8, 24);
    dst.Fill(0);
    const RECT empties[] = {{1, 1, 1, 3}, {2, 2, 2, 2}, {3, 3, 1, 1}, {10, 10, 20, 20}};
    for (const RECT& empty : empties) {
        dst.TileBlt(0, 0, 8, 8, tile, false, &empty, 255, kNoKeyColor);
        EXPECT_EQ(Pixel(dst, 0, 0), 0u);
    }
    // One-pixel tiles over an area far larger than the image; only the image is walked.
    const RECT dot = {1, 2, 2, 3};
    dst.TileBlt(-1000000000, -1000000000, 2000000000, 2000000000, tile, false, &dot, 255,
                kNoKeyColor);
    EXPECT_EQ(Pixel(dst, 7, 7), RGB(1, 2, 7));
    dst.Fill(0);
    dst.TileBlt(-999999999, -7, 2000000000, 2000000000, tile, true, nullptr, 255, kNoKeyColor);
    EXPECT_EQ(Pixel(dst, 0, 0), RGB(3, 3, 7)); // -999999999 + 4 * 249999999 = -3
}

TEST(DIBTest, StretchSmoothsAndRotates)
{
    CDIB src;
    src.Create(nullptr, 2, 2, 24);
    SetPixel(src, 0, 0, RGB(0, 0, 0));
    SetPixel(src, 1, 0, RGB(40, 0, 0));
    SetPixel(src, 0, 1, RGB(80, 0, 0));
    SetPixel(src, 1, 1, RGB(160, 0, 0));
    CDIB dst;
    dst.Create(nullptr, 2, 2, 24);
    dst.Fill(0);
    dst.StretchBltClipped(0, 0, 2, 2, src, 0, 0, 2, 2, 0, nullptr);
    EXPECT_EQ(Pixel(dst, 0, 0), RGB(70, 0, 0)) << "average of all four";
    EXPECT_EQ(Pixel(dst, 1, 1), RGB(160, 0, 0)) << "the last pixel unchanged";
    EXPECT_EQ(Pixel(dst, 1, 0), RGB(100, 0, 0));

    // A row a-b, turned: 90 puts b at the bottom, 270 at the top, 180 on the left.
    CDIB row;
    row.Create(nullptr, 2, 1, 24);
    SetPixel(row, 0, 0, RGB(0, 0, 0));
    SetPixel(row, 1, 0, RGB(200, 0, 0));
    CDIB column;
    column.Create(nullptr, 1, 2, 24);
    column.StretchBltClipped(0, 0, 1, 2, row, 0, 0, 2, 1, 90, nullptr);
    EXPECT_EQ(Pixel(column, 0, 1), RGB(200, 0, 0));
    EXPECT_EQ(Pixel(column, 0, 0), RGB(100, 0, 0));
    column.StretchBltClipped(0, 0, 1, 2, row, 0, 0, 2, 1, 270, nullptr);
    EXPECT_EQ(Pixel(column, 0, 0), RGB(200, 0, 0));
    CDIB turned;
    turned.Create(nullptr, 2, 1, 24);
    turned.StretchBltClipped(0, 0, 2, 1, row, 0, 0, 2, 1, 180, nullptr);
    EXPECT_EQ(Pixel(turned, 0, 0), RGB(200, 0, 0));

    // Shrinking 4 to 2 samples columns 1 and 3.
    CDIB wide;
    wide.Create(nullptr, 4, 1, 24);
    for (int x = 0; x < 4; ++x) SetPixel(wide, x, 0, RGB(x * 40, 0, 0));
    CDIB narrow;
    narrow.Create(nullptr, 2, 1, 24);
    narrow.StretchBltClipped(0, 0, 2, 1, wide, 0, 0, 4, 1, 0, nullptr);
    EXPECT_EQ(Pixel(narrow, 0, 0), RGB(60, 0, 0));
    EXPECT_EQ(Pixel(narrow, 1, 0), RGB(120, 0, 0));
}

TEST(DIBTest, StretchStaysInsideClipAndSourceBounds)
{
    CDIB src;
    MakeCoordinateImage(src, 4, 4);
    CDIB dst;
    dst.Create(nullptr, 8, 8, 24);
    dst.Fill(RGB(255, 255, 255));
    const RECT extra = {0, 0, 4, 8};
    dst.StretchBltClipped(0, 0, 8, 8, src, 0, 0, 4, 4, 0, &extra);
    EXPECT_EQ(Pixel(dst, 0, 0), RGB(0, 0, 7));
    EXPECT_EQ(Pixel(dst, 5, 0), RGB(255, 255, 255)) << "outside the extra clip";

    // A source rectangle reaching past the image leaves the pixels that map outside it.
    dst.Fill(RGB(255, 255, 255));
    dst.StretchBltClipped(0, 0, 8, 8, src, 2, 2, 8, 8, 0, nullptr);
    EXPECT_EQ(Pixel(dst, 0, 0), RGB(2, 2, 7));
    EXPECT_EQ(Pixel(dst, 7, 7), RGB(255, 255, 255));
    dst.StretchBltClipped(0, 0, 8, 8, src, -100, -100, 200, 200, 90, nullptr);
    dst.StretchBltClipped(-100000000, -100000000, 200000000, 200000000, src, 0, 0, 4, 4, 0,
                          nullptr);
    dst.StretchBltClipped(0, 0, 0, 8, src, 0, 0, 4, 4, 0, nullptr);
    dst.StretchBltClipped(0, 0, 8, 8, src, 0, 0, 0, 4, 0, nullptr);
}

TEST(DIBTest, StretchOfTheSkinItemsBlendsAndKeepsTheKey)
{
    CDIB src;
    src.Create(nullptr, 2, 1, 24);
    SetPixel(src, 0, 0, kMagenta);
    SetPixel(src, 1, 0, RGB(200, 100, 0));
    CDIB dst;
    dst.Create(nullptr, 2, 1, 24);
    dst.Fill(RGB(100, 100, 100));
    const RECT to = {0, 0, 2, 1};
    const RECT from = {0, 0, 2, 1};
    dst.StretchBltClipped(to, src, from, 128, kMagenta);
    EXPECT_EQ(Pixel(dst, 0, 0), RGB(100, 100, 100));
    EXPECT_EQ(Pixel(dst, 1, 0), RGB(150, 100, 49));
    dst.StretchBltClipped(to, src, from, 255, kNoKeyColor);
    EXPECT_EQ(Pixel(dst, 1, 0), RGB(200, 100, 0));
}

TEST(DIBTest, ColourHelpersAndFilters)
{
    EXPECT_EQ(lib::wfc::ToGrayColor(RGB(255, 255, 255)), RGB(254, 254, 254));
    EXPECT_EQ(lib::wfc::ToGrayColor(RGB(100, 0, 0)), RGB(29, 29, 29));
    EXPECT_EQ(lib::wfc::ToGrayColor(RGB(0, 0, 100)), RGB(11, 11, 11));
    EXPECT_EQ(lib::wfc::LightenColor(RGB(10, 200, 0), 40), RGB(112, 255, 102));
    EXPECT_EQ(lib::wfc::LightenColor(RGB(10, 200, 50), -10), RGB(0, 175, 25));
    EXPECT_EQ(lib::wfc::LightenColor(RGB(10, 200, 50), 1), RGB(12, 202, 52));

    CDIB dib;
    dib.Create(nullptr, 3, 1, 24);
    SetPixel(dib, 0, 0, kMagenta);
    SetPixel(dib, 1, 0, RGB(100, 0, 0));
    SetPixel(dib, 2, 0, RGB(200, 200, 200));
    lib::wfc::FilterGray(dib, kMagenta);
    EXPECT_EQ(Pixel(dib, 0, 0), kMagenta);
    EXPECT_EQ(Pixel(dib, 1, 0), RGB(29, 29, 29));
    lib::wfc::FilterBrightness(dib, 40, kMagenta);
    EXPECT_EQ(Pixel(dib, 0, 0), kMagenta);
    EXPECT_EQ(Pixel(dib, 1, 0), RGB(131, 131, 131));
    EXPECT_EQ(Pixel(dib, 2, 0), RGB(255, 255, 255));
    lib::wfc::FilterBrightness(dib, -100, kNoKeyColor);
    EXPECT_EQ(Pixel(dib, 0, 0), RGB(0, 0, 0));
}

// ---- loading ----

std::string TempPath(const std::string& name)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "lib_dib_test_" + std::to_string(GetCurrentProcessId()) + "_" +
           name;
}

std::string WriteTemp(const std::string& name, const std::string& bytes)
{
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary).write(bytes.data(), bytes.size());
    return path;
}

std::string PngBytes()
{
    DWORD size = 0;
    const void* bytes = lib::wfc::LoadResourceBytes("DIB_3X2", "PNG", &size, nullptr);
    return bytes != nullptr ? std::string(static_cast<const char*>(bytes), size) : std::string();
}

// 2 x 1, four palette entries: black, black, red, white; entry 0 transparent; pixels 0, 1.
std::string GifBytes(bool transparent)
{
    const unsigned char bytes[] = {
        'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0x91, 0, 0,
        0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF,
        0x21, 0xF9, 4, static_cast<unsigned char>(transparent ? 1 : 0), 0, 0, 0, 0,
        0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0,
        // LZW, minimum code size 2: clear, 0, 1, end as 3-bit codes
        2, 2, 0x44, 0x0A, 0, 0x3B};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}

void ExpectFixturePng(const CDIB& dib, const CDIB::LoadInfo& info)
{
    EXPECT_EQ(info.error, 0);
    EXPECT_EQ(info.format, CDIB::FORMAT_PNG);
    EXPECT_FALSE(info.hasTransparentColor);
    ASSERT_EQ(dib.GetWidth(), 3);
    ASSERT_EQ(dib.GetHeight(), 2);
    EXPECT_EQ(dib.GetInfoHeader()->biBitCount, 24);
    EXPECT_GT(dib.GetInfoHeader()->biHeight, 0) << "bottom-up";
    EXPECT_EQ(Pixel(dib, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(dib, 1, 0), RGB(0, 255, 0));
    EXPECT_EQ(Pixel(dib, 2, 0), RGB(0, 0, 255));
    EXPECT_EQ(Pixel(dib, 0, 1), RGB(10, 20, 30));
    EXPECT_EQ(Pixel(dib, 1, 1), kMagenta);
    EXPECT_EQ(Pixel(dib, 2, 1), RGB(200, 100, 50));
}

TEST(DIBLoadTest, PngFromResourceAndFile)
{
    CDIB dib;
    CDIB::LoadInfo info;
    ASSERT_TRUE(dib.LoadFromResource("DIB_3X2", "PNG", &info, nullptr));
    ExpectFixturePng(dib, info);

    CDIB fromModule;
    EXPECT_TRUE(fromModule.LoadFromResource(GetModuleHandleA(nullptr), "DIB_3X2", "PNG"));
    EXPECT_EQ(Pixel(fromModule, 2, 1), RGB(200, 100, 50));

    const std::string path = WriteTemp("fixture.png", PngBytes());
    CDIB file;
    ASSERT_TRUE(file.LoadFromFile(path.c_str(), &info));
    ExpectFixturePng(file, info);
    DeleteFileA(path.c_str());
}

TEST(DIBLoadTest, GifTransparentEntryGetsAColourOfItsOwn)
{
    const std::string path = WriteTemp("transparent.gif", GifBytes(true));
    CDIB dib;
    CDIB::LoadInfo info;
    ASSERT_TRUE(dib.LoadFromFile(path.c_str(), &info));
    EXPECT_EQ(info.format, CDIB::FORMAT_GIF);
    EXPECT_TRUE(info.hasTransparentColor);
    EXPECT_EQ(info.transparentColor, 0x000001u);
    EXPECT_EQ(Pixel(dib, 0, 0), 0x000001u) << "the transparent pixel";
    EXPECT_EQ(Pixel(dib, 1, 0), 0u) << "the visible black pixel";
    DeleteFileA(path.c_str());

    const std::string plain = WriteTemp("plain.gif", GifBytes(false));
    ASSERT_TRUE(dib.LoadFromFile(plain.c_str(), &info));
    EXPECT_FALSE(info.hasTransparentColor);
    EXPECT_EQ(Pixel(dib, 0, 0), 0u);
    DeleteFileA(plain.c_str());
}

TEST(DIBLoadTest, FailuresReportTheirKindAndKeepTheImage)
{
    struct Case {
        const char* name;
        std::string bytes;
        int32_t error;
    };
    const std::string png = PngBytes();
    ASSERT_GT(png.size(), 40u);
    const Case cases[] = {
        {"text.png", "This is not a picture at all.\r\n", CDIB::LOAD_BAD_IMAGE},
        {"short.png", "\x89P", CDIB::LOAD_READ_FAILED},
        {"empty.png", "", CDIB::LOAD_READ_FAILED},
        {"truncated.png", png.substr(0, 40), CDIB::LOAD_BAD_IMAGE},
    };
    for (const Case& c : cases) {
        const std::string path = WriteTemp(c.name, c.bytes);
        CDIB dib;
        dib.Create(nullptr, 5, 5, 24);
        CDIB::LoadInfo info;
        EXPECT_FALSE(dib.LoadFromFile(path.c_str(), &info)) << c.name;
        EXPECT_EQ(info.error, c.error) << c.name;
        if (c.error == CDIB::LOAD_READ_FAILED) {
            EXPECT_EQ(dib.GetWidth(), 5) << c.name;
        }
        DeleteFileA(path.c_str());
    }
    CDIB dib;
    CDIB::LoadInfo info;
    EXPECT_FALSE(dib.LoadFromFile(TempPath("missing.png").c_str(), &info));
    EXPECT_EQ(info.error, CDIB::LOAD_NOT_FOUND);
    EXPECT_FALSE(dib.LoadFromResource("NO_SUCH_IMAGE", "PNG", &info, nullptr));
    EXPECT_EQ(info.error, CDIB::LOAD_NOT_FOUND);

    DWORD size = 12345;
    EXPECT_EQ(lib::wfc::LoadResourceBytes(nullptr, "NO_SUCH_IMAGE", "PNG", &size), nullptr);
    EXPECT_EQ(size, 12345u);
}

TEST(DIBLoadTest, ThreadsLoadAtOnceWhileGdiplusStartsAndStops)
{
    ASSERT_TRUE(lib::wfc::StartupGdiplus());
    lib::wfc::ShutdownGdiplus();
    lib::wfc::ShutdownGdiplus(); // one too many does nothing
    std::atomic<int> failures(0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&failures] {
            for (int i = 0; i < 15; ++i) {
                CDIB dib;
                CDIB::LoadInfo info;
                if (!dib.LoadFromResource("DIB_3X2", "PNG", &info, nullptr) ||
                    Pixel(dib, 1, 1) != kMagenta) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

} // namespace
