// The gallery's pages and pictures: every page builds its window without a "Skin Load" box,
// is created and gives pictures of its whole client area; the picture file keeps decisive
// pixels and shows the key colour as the backdrop.

#include "lib/wfc/WfcRuntime.h"
#include "tests/gallery/Gallery.h"
#include "tests/gallery/PngWriter.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("gallery_test");
::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new skintest::CWindowFrameworkEnvironment("gallery_test"));

class CCheckedShots : public gallery::CShots {
public:
    std::vector<std::string> m_vLook;
    void Take(const std::string& look, ui::CSkinWindow& window) override
    {
        m_vLook.push_back(look);
        RECT client = {};
        window.GetClientRect(&client);
        const lib::wfc::CDIB* buffer = window.GetBackBuffer();
        ASSERT_NE(buffer, nullptr) << look;
        EXPECT_EQ(buffer->GetWidth(), std::max<LONG>(client.right, 1)) << look;
        EXPECT_EQ(buffer->GetHeight(), std::max<LONG>(client.bottom, 1)) << look;
        EXPECT_FALSE(gallery::EncodePng(*buffer, ui::kSkinKeyColor).empty()) << look;
    }
};

TEST(GalleryTest, EveryPageGivesItsPictures)
{
    const std::vector<gallery::Page> pages = gallery::Pages();
    EXPECT_FALSE(pages.empty());
    std::set<std::string> names;
    for (const gallery::Page& page : pages) {
        SCOPED_TRACE(page.m_pszName);
        EXPECT_TRUE(names.insert(page.m_pszName).second) << "two pages of one name";
        CCheckedShots shots;
        std::unique_ptr<ui::CSkinWindow> window;
        const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] {
            window = page.m_pfnBuild();
            gallery::CreatePageWindow(page, *window);
            gallery::TakePageLooks(page, *window, shots);
        });
        EXPECT_TRUE(errors.m_vBox.empty()) << errors.m_vBox.front();
        EXPECT_FALSE(shots.m_vLook.empty());
        EXPECT_EQ(std::set<std::string>(shots.m_vLook.begin(), shots.m_vLook.end()).size(),
                  shots.m_vLook.size()) << "two pictures of one look";
        if (window && window->IsWindow()) window->DestroyWindow();
    }
}

TEST(GalleryTest, PictureFileKeepsItsPixels)
{
    lib::wfc::CDIB picture;
    picture.Create(nullptr, 20, 10, 24);
    picture.Fill(ui::kSkinKeyColor);
    skintest::FillRectClipped(picture, {10, 0, 20, 10}, RGB(0x25, 0x63, 0xA8));
    skintest::FillRectClipped(picture, {19, 9, 20, 10}, RGB(0x01, 0x02, 0x03));
    const std::string path = testsupport::PrivateRoot() + "picture.png";
    ASSERT_TRUE(gallery::WritePng(path, picture, ui::kSkinKeyColor));

    lib::wfc::CDIB decoded;
    lib::wfc::CDIB::LoadInfo info = {};
    ASSERT_TRUE(decoded.LoadFromFile(path.c_str(), &info)) << info.error;
    ASSERT_EQ(decoded.GetWidth(), 20);
    ASSERT_EQ(decoded.GetHeight(), 10);
    EXPECT_EQ(skintest::PixelAt(decoded, 0, 0), gallery::kBackdropLight);
    EXPECT_EQ(skintest::PixelAt(decoded, 8, 0), gallery::kBackdropDark);
    EXPECT_EQ(skintest::PixelAt(decoded, 0, 9), gallery::kBackdropDark);
    EXPECT_EQ(skintest::PixelAt(decoded, 9, 9), gallery::kBackdropLight);
    EXPECT_EQ(skintest::PixelAt(decoded, 10, 0), RGB(0x25, 0x63, 0xA8));
    EXPECT_EQ(skintest::PixelAt(decoded, 19, 9), RGB(0x01, 0x02, 0x03));

    lib::wfc::CDIB empty;
    EXPECT_TRUE(gallery::EncodePng(empty, ui::kSkinKeyColor).empty());
    EXPECT_FALSE(gallery::WritePng(path, empty, ui::kSkinKeyColor));
}

} // namespace
