// Regions cut from an image's non-key pixels, region copies and the region window.
#include "lib/wfc/RegionWindow.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <string>
#include <vector>

using lib::wfc::CDIB;
using lib::wfc::CRegionWindow;

namespace {

const COLORREF kKey = 0xFF00FF;

class CFrameworkEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        lib::wfc::Initialize(GetModuleHandleA(nullptr), "lib_region_test", nullptr, nullptr);
        lib::wfc::AllocThreadMessageRecord();
    }
    void TearDown() override
    {
        lib::wfc::FreeThreadMessageRecord();
        lib::wfc::Terminate();
    }
};

::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new CFrameworkEnvironment);

// An image drawn from text rows: 'x' key colour, any other letter a visible colour.
void MakeImage(CDIB& dib, const std::vector<std::string>& rows)
{
    const int height = static_cast<int>(rows.size());
    const int width = static_cast<int>(rows[0].size());
    dib.Create(nullptr, width, height, 24);
    for (int y = 0; y < height; ++y) {
        uint8_t* line = dib.GetBits() + static_cast<size_t>(height - 1 - y) * dib.GetRowBytes();
        for (int x = 0; x < width; ++x) {
            const COLORREF color = rows[y][x] == 'x' ? kKey : RGB(rows[y][x], 0, 0);
            line[3 * x] = GetBValue(color);
            line[3 * x + 1] = GetGValue(color);
            line[3 * x + 2] = GetRValue(color);
        }
    }
}

// The region read back as rows of '#' (inside) and '.' over width x height.
std::vector<std::string> Picture(HRGN region, int width, int height)
{
    std::vector<std::string> rows;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) row += PtInRegion(region, x, y) ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

TEST(RegionTest, RunsOfNonKeyPixelsRelativeToTheArea)
{
    CDIB dib;
    MakeImage(dib, {"xaaxa",
                    "aaaaa",
                    "xxxxx",
                    "bxbxb"});
    struct Case {
        RECT area;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{0, 0, 5, 4}, {".##.#", "#####", ".....", "#.#.#"}},
        {{1, 1, 4, 4}, {"###", "...", ".#."}},
        // Beyond the image: the outside counts as key colour, the coordinates stay.
        {{-2, 2, 7, 5}, {".........", "..#.#.#..", "........."}},
    };
    for (const Case& c : cases) {
        HRGN region = CRegionWindow::CreateRegionFromDIB(dib, c.area, kKey);
        ASSERT_NE(region, nullptr);
        const int width = c.area.right - c.area.left;
        const int height = c.area.bottom - c.area.top;
        std::vector<std::string> got = Picture(region, width, height);
        EXPECT_EQ(got, c.expected) << c.area.left << "," << c.area.top;
        EXPECT_FALSE(PtInRegion(region, width, 0));
        EXPECT_FALSE(PtInRegion(region, 0, height));
        DeleteObject(region);
    }
}

TEST(RegionTest, OneRectanglePerRowWithoutKeyPixels)
{
    CDIB dib;
    MakeImage(dib, {"abc", "def"});
    HRGN region = CRegionWindow::CreateRegionFromDIB(dib, 0, 0, 3, 2, kKey);
    RECT box = {};
    EXPECT_EQ(GetRgnBox(region, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 3);
    EXPECT_EQ(box.bottom, 2);
    DeleteObject(region);
}

TEST(RegionTest, EmptyInvertedOrAllKeyAreasGiveAnEmptyRegion)
{
    CDIB dib;
    CDIB other;
    other.Create(nullptr, 3, 2, 32);
    CDIB none;
    struct Case {
        const CDIB* dib;
        int left, top, right, bottom;
    };
    MakeImage(dib, {"xxx", "xax"});
    const Case cases[] = {
        {&dib, 0, 0, 3, 1},     {&dib, 2, 2, 2, 2},    {&dib, 3, 2, 0, 0},
        {&dib, 10, 10, 20, 20}, {&other, 0, 0, 3, 2},  {&none, 0, 0, 3, 2},
        {&dib, INT_MIN, INT_MIN, INT_MAX, INT_MAX},
    };
    for (const Case& c : cases) {
        HRGN region = CRegionWindow::CreateRegionFromDIB(*c.dib, c.left, c.top, c.right, c.bottom, kKey);
        ASSERT_NE(region, nullptr);
        RECT box = {};
        EXPECT_EQ(GetRgnBox(region, &box), NULLREGION) << c.left << "," << c.right;
        DeleteObject(region);
    }
}

TEST(RegionTest, CopyIsEqualAndIndependent)
{
    HRGN original = CreateEllipticRgn(0, 0, 20, 10);
    HRGN copy = lib::wfc::CopyRgn(original);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, original);
    EXPECT_TRUE(EqualRgn(copy, original));
    DeleteObject(original);
    EXPECT_TRUE(PtInRegion(copy, 10, 5));
    DeleteObject(copy);
}

TEST(RegionTest, WindowKeepsItsShapeAfterTheCallerDeletesTheRegion)
{
    CDIB dib;
    MakeImage(dib, {"xaaax",
                    "aaaaa",
                    "xaaax"});
    CRegionWindow window;
    window.Create(0, nullptr, "lib_region_test", WS_POPUP | WS_VISIBLE, 20, 20, 5, 3);
    HRGN region = CRegionWindow::CreateRegionFromDIB(dib, 0, 0, 5, 3, kKey);
    window.SetWindowRegion(region);
    DeleteObject(region);

    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(window.GetHwnd(), shape), ERROR);
    EXPECT_EQ(Picture(shape, 5, 3), (std::vector<std::string>{".###.", "#####", ".###."}));
    DeleteObject(shape);

    window.SetWindowRegion(nullptr); // back to the plain rectangle
    shape = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(window.GetHwnd(), shape), ERROR);
    DeleteObject(shape);
    window.DestroyWindow();
}

} // namespace
