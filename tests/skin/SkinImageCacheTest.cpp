// The process-wide image table behind the windows' image caches: shared entries, counting,
// release order, missing images, language images, and an entry's lock held while it is freed.

#include "skin/SkinImageCache.h"
#include "skin/SkinLoader.h"
#include "skin/SkinWindow.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// The references a name has in the table; 0 when it is not there.
int References(const char* name)
{
    ui::SkinImageCache probe;
    const ui::CSkinImageRef ref = probe.FindImage(name);
    return ref.IsEmpty() ? 0 : ref.GetEntry()->m_nRef;
}

std::string BoxOf(ui::SkinImageCache& cache, const char* name)
{
    const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] { cache.GetImage(name); });
    EXPECT_LE(errors.m_vBox.size(), 1u);
    EXPECT_EQ(errors.m_vBox.empty() ? std::string() : errors.m_vBox[0], errors.m_strThrown);
    return errors.m_strThrown;
}

// Sets the skin's language module for one scope.
class CLanguageModule {
public:
    explicit CLanguageModule(HMODULE module) { ui::SetSkinLanguageModule(module); }
    ~CLanguageModule() { ui::SetSkinLanguageModule(nullptr); }
};

TEST(SkinImageCacheTest, NamesDifferingInCaseShareOneEntry)
{
    ui::SkinImageCache first;
    ui::SkinImageCache second;
    EXPECT_EQ(BoxOf(first, "TestShape.png"), "");
    EXPECT_EQ(BoxOf(second, "TESTSHAPE.PNG"), "");
    EXPECT_EQ(References("testshape.png"), 2);
    EXPECT_EQ(first.FindImage("TestShape.png").GetEntry(),
              second.FindImage("TESTSHAPE.PNG").GetEntry());
    EXPECT_EQ(first.FindImage("TestShape.png").GetEntry()->m_strName, "TESTSHAPE.PNG");
    // A window that takes the same image again still holds one reference.
    first.GetImage("testShape.PNG");
    first.GetImage("TestShape.png");
    EXPECT_EQ(References("TestShape.png"), 2);
    EXPECT_EQ(first.GetNames(), std::vector<std::string>{"TESTSHAPE.PNG"});
}

TEST(SkinImageCacheTest, TheLastReleaseFreesTheImage)
{
    for (const bool firstGoesFirst : {true, false}) {
        SCOPED_TRACE(firstGoesFirst ? "first released first" : "second released first");
        std::unique_ptr<ui::SkinImageCache> first(new ui::SkinImageCache);
        std::unique_ptr<ui::SkinImageCache> second(new ui::SkinImageCache);
        first->GetImage("TestShape.png");
        second->GetImage("TestShape.png");
        std::unique_ptr<ui::SkinImageCache>& early = firstGoesFirst ? first : second;
        std::unique_ptr<ui::SkinImageCache>& late = firstGoesFirst ? second : first;
        early.reset();
        EXPECT_EQ(References("TestShape.png"), 1);
        ui::CSkinImageRef kept = late->FindImage("TestShape.png");
        {
            ui::CSkinImageLock image(kept);
            ASSERT_NE(image.Get(), nullptr);
            EXPECT_EQ(image.Get()->GetWidth(), 24);
            EXPECT_EQ(skintest::PixelAt(*image.Get(), 0, 0), RGB(0xFF, 0x00, 0xFF));
        }
        late->ReleaseAll();
        EXPECT_TRUE(late->GetNames().empty());
        EXPECT_EQ(References("TestShape.png"), 0);
        EXPECT_TRUE(late->FindImage("TestShape.png").IsEmpty());
    }
    // A later window loads it afresh.
    ui::SkinImageCache later;
    later.GetImage("TestShape.png");
    EXPECT_EQ(References("TestShape.png"), 1);
}

TEST(SkinImageCacheTest, WindowsShareTheirBackgrounds)
{
    std::unique_ptr<ui::CSkinWindow> first(new ui::CSkinWindow);
    std::unique_ptr<ui::CSkinWindow> second(new ui::CSkinWindow);
    ui::SkinDefinition definition;
    first->LoadSkin(definition, "TestWindow.txt", "Base", true);
    second->LoadSkin(definition, "TestWindow.txt", "Base", true);
    EXPECT_EQ(References("TestWindowBack.png"), 2);
    EXPECT_EQ(References("TestWindowInactive.png"), 2);
    first.reset();
    EXPECT_EQ(References("TestWindowBack.png"), 1);
    second.reset();
    EXPECT_EQ(References("TestWindowBack.png"), 0);
    EXPECT_EQ(References("TestWindowInactive.png"), 0);
}

TEST(SkinImageCacheTest, MissingAndLanguageImages)
{
    const HMODULE program = ::GetModuleHandleA(nullptr);
    const HMODULE noImages = ::GetModuleHandleA("kernel32.dll");
    const struct {
        const char* name;
        HMODULE language;
        const char* box;
        const char* entry; // the entry left in the table
    } cases[] = {
        {"TestNoImage.png", nullptr, "TestNoImage.pngが読み込めません.", nullptr},
        {"TestNoImage.png/lang", nullptr, "TestNoImage.pngが読み込めません.", nullptr},
        // A language image comes from the language module, the program when none is set.
        {"TestShape.png/lang", nullptr, "", "TESTSHAPE.PNG/LANG"},
        {"TestShape.png/LANG", program, "", "TESTSHAPE.PNG/LANG"},
        {"TestShape.png/lang", noImages, "TestShape.pngが読み込めません.", nullptr},
        // Other images never come from the language module.
        {"TestShape.png", noImages, "", "TESTSHAPE.PNG"},
        {"/lang", nullptr, "が読み込めません.", nullptr},
        {"TestShape.png/langs", nullptr, "TestShape.png/langsが読み込めません.", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CLanguageModule language(c.language);
        ui::SkinImageCache cache;
        EXPECT_EQ(BoxOf(cache, c.name), c.box);
        if (c.entry != nullptr) {
            EXPECT_EQ(cache.GetNames(), std::vector<std::string>{c.entry});
            EXPECT_EQ(References(c.name), 1);
        } else {
            EXPECT_TRUE(cache.GetNames().empty());
            EXPECT_EQ(References(c.name), 0) << "no entry is left for an image that failed";
        }
    }
}

TEST(SkinImageCacheTest, EmptyReferenceDrawsNothing)
{
    ui::SkinImageCache cache;
    ui::CSkinImageRef none = cache.FindImage("TestNeverTaken.png");
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_EQ(none.Lock(), nullptr);
    EXPECT_FALSE(none.IsLocked());
    none.Unlock();

    cache.GetImage("TestShape.png");
    ui::CSkinImageRef ref = cache.FindImage("TestShape.png");
    ASSERT_NE(ref.Lock(), nullptr);
    EXPECT_TRUE(ref.IsLocked());
    const ui::CSkinImageRef copy = ref;
    EXPECT_FALSE(copy.IsLocked()) << "a copy does not carry the lock";
    ref.Unlock();
    ref.Unlock();
    EXPECT_FALSE(ref.IsLocked());
}

TEST(SkinImageCacheTest, AnImageBeingDrawnIsFreedOnlyAfterItsDraw)
{
    std::unique_ptr<ui::SkinImageCache> cache(new ui::SkinImageCache);
    cache->GetImage("TestShape.png");
    ui::CSkinImageRef ref = cache->FindImage("TestShape.png");
    HANDLE locked = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD unlockedAt = 0;
    std::thread drawer([&] {
        ui::CSkinImageLock image(ref);
        ::SetEvent(locked);
        // Long enough for the release below to be waiting on the entry's lock.
        ::Sleep(200);
        unlockedAt = ::GetTickCount();
    });
    ASSERT_EQ(::WaitForSingleObject(locked, 5000), WAIT_OBJECT_0);
    cache->ReleaseAll();
    const DWORD releasedAt = ::GetTickCount();
    drawer.join();
    EXPECT_NE(unlockedAt, 0u);
    EXPECT_GE(static_cast<int32_t>(releasedAt - unlockedAt), 0)
        << "the entry was freed while its image was being drawn";
    EXPECT_EQ(References("TestShape.png"), 0);
    ::CloseHandle(locked);
}

} // namespace
