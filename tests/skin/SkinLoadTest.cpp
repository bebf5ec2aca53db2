// Skin texts and images as the program finds them among its resources: the reader, includes
// and language texts, the cache, the real "Skin Load" box, the lint, and what the build made
// of the test skins (texts in code page 932 with CR LF, flattened images, an atlas with its
// generated text).
#include "lib/wfc/DIB.h"
#include "skin/SkinException.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "tests/skin/support/SkinTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

const COLORREF kKey = RGB(0xFF, 0x00, 0xFF);
const COLORREF kSurface = RGB(0xF4, 0xF6, 0xF9); // the test set's matte

struct LoadResult {
    std::string m_strDump;
    std::vector<std::string> m_vBox;
    std::string m_strThrown;
};

template <class Load>
LoadResult RunLoad(Load load)
{
    LoadResult result;
    const skintest::SkinErrors errors = skintest::CatchSkinErrors(
        [&] { result.m_strDump = skintest::DumpSkinDefinition(load()); });
    result.m_vBox = errors.m_vBox;
    result.m_strThrown = errors.m_strThrown;
    return result;
}

LoadResult LoadDefinition(const char* name, HMODULE module = nullptr)
{
    return RunLoad([&] { return ui::LoadSkinDefinition(name, module); });
}

// Sets the language module for one scope.
class CLanguageModule {
public:
    explicit CLanguageModule(HMODULE module) { ui::SetSkinLanguageModule(module); }
    ~CLanguageModule() { ui::SetSkinLanguageModule(nullptr); }
};

// A module that holds no skin texts.
HMODULE OtherModule()
{
    return ::GetModuleHandleA("kernel32.dll");
}

TEST(SkinResourceTest, TextsFromTheResources)
{
    struct Case {
        const char* name;
        const char* dump;
        const char* error;
    };
    const Case cases[] = {
        {"TestNoSuchText.txt", nullptr, "skin file open error"},
        {"TestEmpty.txt", nullptr, "skin file open error"},
        {"TestHeaderOnly.txt", "", nullptr},
        // Resource names ignore case; the name as given stays in the messages.
        {"testheaderonly.TXT", "", nullptr},
        {"TestWide.txt", "W{K=[表]}", nullptr},
        {"TestOddWide.txt", "W{K=[表]}", nullptr},
        {"TestNul.txt", "A{K=[1]} B{M=[3]}", nullptr},
        {"TestCp932.txt", "表示{ソフト=[能力][ボマ] 波=[～]}", nullptr},
        {"TestBadSyntax.txt", nullptr, "TestBadSyntax.txt line 4:=が見つかりません。"},
        {"testbadsyntax.txt", nullptr, "testbadsyntax.txt line 4:=が見つかりません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadResult result = LoadDefinition(c.name);
        if (c.error == nullptr) {
            EXPECT_EQ(result.m_strDump, c.dump);
            EXPECT_TRUE(result.m_vBox.empty());
        } else {
            EXPECT_EQ(result.m_vBox, std::vector<std::string>{c.error});
            EXPECT_EQ(result.m_strThrown, c.error);
        }
    }
}

TEST(SkinResourceTest, BuiltTextIsCodePage932WithCrLf)
{
    const char expected[] =
        "<Definition File Version 1.00>\r\n"
        "// Characters whose second byte is a backslash (表 ソ 能) or a brace (ボ マ), and the "
        "wave dash.\r\n"
        "表示\r\n"
        "{\r\n"
        "\tソフト = \"能力\", ボマ;\r\n"
        "\t波 = \"～\";\r\n"
        "}\r\n";
    DWORD size = 0;
    const void* bytes = lib::wfc::LoadResourceBytes(nullptr, "TestCp932.txt", "SKIN", &size);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(bytes), size), expected);
}

TEST(SkinIncludeTest, IncludingTextWinsThenEarlierIncludes)
{
    std::vector<std::string> includes;
    std::vector<std::string> languages;
    const LoadResult result = RunLoad([&] {
        return ui::LoadSkinText("TestIncludeTop.txt", nullptr, includes, languages);
    });
    // Top's X; First's Y over Second's; Nested (First's include) over Second; the language
    // text only fills in V.
    EXPECT_EQ(result.m_strDump,
              "Base{V=[言語] W=[nested] X=[top] Y=[first] Z=[nested]} First{K=[1][2]} "
              "Second{K=[2]}");
    EXPECT_TRUE(result.m_vBox.empty());
    // The text named twice is loaded once.
    EXPECT_EQ(includes, (std::vector<std::string>{"TestIncludeFirst.txt",
                                                  "TestIncludeNested.txt",
                                                  "TestIncludeSecond.txt"}));
    EXPECT_EQ(languages, std::vector<std::string>{"TestLanguage.txt"});
}

TEST(SkinIncludeTest, TextsIncludingEachOtherEnd)
{
    std::vector<std::string> includes;
    std::vector<std::string> languages;
    const LoadResult result =
        RunLoad([&] { return ui::LoadSkinText("TestMutualA.txt", nullptr, includes, languages); });
    EXPECT_EQ(result.m_strDump, "A{Only=[b] Who=[a]} B{Who=[b]}");
    // The top text is not in the list, so it is read once more under the other.
    EXPECT_EQ(includes, (std::vector<std::string>{"TestMutualB.txt", "TestMutualA.txt"}));
}

TEST(SkinIncludeTest, FailedIncludeShowsEachBoxInOrder)
{
    const std::string syntax = "TestBadSyntax.txt line 4:=が見つかりません。";
    struct Case {
        const char* name;
        HMODULE languageModule;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {"TestMissingInclude.txt", nullptr,
         {"skin file open error", "[TestNoSuchText.txtの取り込みエラー]skin file open error"}},
        {"TestDeepInclude.txt", nullptr,
         {syntax, "[TestBadSyntax.txtの取り込みエラー]" + syntax,
          "[TestBadInclude.txtの取り込みエラー][TestBadSyntax.txtの取り込みエラー]" + syntax}},
        // Language texts come from the language module, includes from the text's own.
        {"TestLanguageTop.txt", OtherModule(),
         {"skin file open error", "[TestLanguage.txtの取り込みエラー]skin file open error"}},
        {"TestIncludeTop.txt", OtherModule(),
         {"skin file open error", "[TestLanguage.txtの取り込みエラー]skin file open error"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CLanguageModule language(c.languageModule);
        std::vector<std::string> includes;
        std::vector<std::string> languages;
        const LoadResult result =
            RunLoad([&] { return ui::LoadSkinText(c.name, nullptr, includes, languages); });
        EXPECT_EQ(result.m_vBox, c.boxes);
        EXPECT_EQ(result.m_strThrown, c.boxes.back());
    }
}

TEST(SkinCacheTest, LoadedOncePerNameAndModule)
{
    // Loaded and cached while the language text can be read...
    const LoadResult first = LoadDefinition("TestLanguageTop.txt");
    EXPECT_EQ(first.m_strDump, "Base{V=[言語] X=[top]}");
    CLanguageModule language(OtherModule());
    // ...and not read again once it cannot.
    EXPECT_EQ(LoadDefinition("TestLanguageTop.txt").m_strDump, first.m_strDump);
    EXPECT_TRUE(LoadDefinition("TestLanguageTop.txt").m_vBox.empty());
    // Another module is another entry (this program's own handle, not null).
    EXPECT_EQ(LoadDefinition("TestLanguageTop.txt", ::GetModuleHandleA(nullptr)).m_vBox.size(), 2u);

    // Each caller gets its own copy.
    ui::SkinDefinition copy = ui::LoadSkinDefinition("TestLanguageTop.txt", nullptr);
    copy.m_mapBlock.clear();
    EXPECT_EQ(LoadDefinition("TestLanguageTop.txt").m_strDump, first.m_strDump);
}

TEST(SkinCacheTest, FailedLoadIsNotCached)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(LoadDefinition("TestMissingInclude.txt").m_vBox.size(), 2u);
        EXPECT_EQ(LoadDefinition("TestBadSyntax.txt", ::GetModuleHandleA(nullptr)).m_vBox.size(), 1u);
    }
}

TEST(SkinCacheTest, ThreadsLoadingOneTextAtOnce)
{
    const HMODULE module = ::GetModuleHandleA(nullptr);
    const std::string expected = LoadDefinition("TestMutualB.txt", nullptr).m_strDump;
    std::vector<std::string> dumps(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < dumps.size(); ++i) {
        threads.emplace_back(
            [&, i] { dumps[i] = skintest::DumpSkinDefinition(ui::LoadSkinDefinition("TestMutualB.txt", module)); });
    }
    for (std::thread& thread : threads) thread.join();
    for (const std::string& dump : dumps) EXPECT_EQ(dump, expected);
}

TEST(SkinStringTableTest, WindowTextsUnescaped)
{
    std::map<std::string, std::string> table;
    const LoadResult result = RunLoad([&] {
        table = ui::GetStringTable(ui::LoadSkinDefinition("TestStringTable.txt", nullptr));
        return ui::SkinDefinition();
    });
    EXPECT_TRUE(result.m_vBox.empty());
    const std::map<std::string, std::string> expected = {
        {"Lines", "一行目\n二行目\r"}, {"Quote", "\"引用\""}, {"Table", "表n"},
        {"First", "前"},              {"Empty", ""}};
    EXPECT_EQ(table, expected);
    EXPECT_EQ(RunLoad([] {
                  ui::GetStringTable(ui::LoadSkinDefinition("TestHeaderOnly.txt", nullptr));
                  return ui::SkinDefinition();
              }).m_strThrown,
              "StringTableが記述されていません");
}

// The thread timer runs inside the box's own message loop: it finds the box, reads it and
// presses its OK button.
struct SeenBox {
    std::string m_strCaption;
    std::string m_strText;
    bool m_bHandIcon;
    int m_iBoxes;
};
SeenBox g_seen;

BOOL CALLBACK FindBox(HWND window, LPARAM data)
{
    char className[16] = {};
    ::GetClassNameA(window, className, sizeof className);
    if (std::string(className) != "#32770") return TRUE;
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
}

void CALLBACK CloseBox(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr || !::IsWindowVisible(box)) return;
    char text[512] = {};
    ::GetWindowTextA(box, text, sizeof text);
    g_seen.m_strCaption = text;
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    g_seen.m_strText = text;
    // The icon's control is 0x14 on Windows, 0x440 in Wine.
    const HICON hand = ::LoadIconA(nullptr, IDI_HAND);
    g_seen.m_bHandIcon = false;
    for (int id : {0x14, 0x440}) {
        const HWND icon = ::GetDlgItem(box, id);
        if (icon != nullptr && reinterpret_cast<HICON>(::SendMessageA(icon, STM_GETICON, 0, 0)) == hand) {
            g_seen.m_bHandIcon = true;
        }
    }
    ++g_seen.m_iBoxes;
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST(SkinErrorBoxTest, RealBoxThenException)
{
    g_seen = SeenBox();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &CloseBox);
    ASSERT_NE(timer, 0u);
    const std::string message = "表示.txt line 7:=が見つかりません。";
    std::string thrown;
    try {
        ui::ThrowSkinException(message);
    } catch (const ui::CSkinWindowException& error) {
        thrown = error.what();
        // The library's convention: the exception raises a copy of itself.
        try {
            error.Throw();
        } catch (const ui::CSkinWindowException& copy) {
            EXPECT_EQ(std::string(copy.what()), message);
        }
    }
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(g_seen.m_iBoxes, 1);
    EXPECT_EQ(g_seen.m_strCaption, "Skin Load");
    EXPECT_EQ(g_seen.m_strText, message);
    EXPECT_TRUE(g_seen.m_bHandIcon);
    EXPECT_EQ(thrown, message);
}

// The pipeline's atlas text, included like any skin text.
TEST(SkinPipelineTest, AtlasTextGivesEachPieceItsPlace)
{
    EXPECT_EQ(LoadDefinition("TestAtlasUse.txt").m_strDump,
              "Bar{Image=[TestParts.png][8][0][24][4]} "
              "Dot{Image=[TestParts.png][0][0][8][8] Size=[8][8]}");
    std::vector<std::string> includes;
    std::vector<std::string> languages;
    const ui::SkinDefinition raw = ui::LoadSkinText("TestAtlas.txt", nullptr, includes, languages);
    const ui::SkinBlock table = raw.m_mapBlock.at("ReplacementTable");
    EXPECT_EQ(table.m_mapKeyword.size(), 14u);
    EXPECT_EQ(table.m_mapKeyword.at("%TestBar.W%"), ui::SkinValues{"16"});
}

COLORREF Pixel(const lib::wfc::CDIB& dib, int x, int y)
{
    const uint8_t* p = dib.GetBits() +
                       static_cast<size_t>(dib.GetHeight() - 1 - y) * dib.GetRowBytes() + 3 * x;
    return RGB(p[2], p[1], p[0]);
}

bool Between(int value, int a, int b)
{
    return value >= (a < b ? a : b) && value <= (a < b ? b : a);
}

TEST(SkinPipelineTest, RenderedImagesKeepTheKeyColourExact)
{
    lib::wfc::CDIB shape;
    ASSERT_TRUE(shape.LoadFromResource(nullptr, "TestShape.png", "SKIN"));
    ASSERT_EQ(shape.GetWidth(), 24);
    ASSERT_EQ(shape.GetHeight(), 16);
    const COLORREF fill = RGB(0x25, 0x63, 0xA8);
    EXPECT_EQ(Pixel(shape, 0, 0), kKey);
    EXPECT_EQ(Pixel(shape, 23, 15), kKey);
    EXPECT_EQ(Pixel(shape, 8, 8), fill);
    EXPECT_EQ(Pixel(shape, 20, 8), RGB(0xB8, 0x32, 0x32));
    int edges = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const COLORREF c = Pixel(shape, x, y);
            if (c == kKey || c == fill) continue;
            // An anti-aliased edge lies between the fill and the matte, never near magenta.
            ++edges;
            EXPECT_TRUE(Between(GetRValue(c), 0x25, GetRValue(kSurface)) &&
                        Between(GetGValue(c), 0x63, GetGValue(kSurface)) &&
                        Between(GetBValue(c), 0xA8, GetBValue(kSurface)))
                << x << "," << y << " " << std::hex << c;
        }
    }
    EXPECT_GT(edges, 0);

    // Three quarters of white over this image's own black matte; a quarter is transparent.
    lib::wfc::CDIB matte;
    ASSERT_TRUE(matte.LoadFromResource(nullptr, "TestMatte.png", "SKIN"));
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(Pixel(matte, x, 0), RGB(191, 191, 191));
        EXPECT_EQ(Pixel(matte, x, 1), kKey);
    }

    lib::wfc::CDIB atlas;
    ASSERT_TRUE(atlas.LoadFromResource(nullptr, "TestParts.png", "SKIN"));
    EXPECT_EQ(atlas.GetWidth(), 32);
    EXPECT_EQ(Pixel(atlas, 0, 0), RGB(0x2E, 0x7D, 0x4F));
    EXPECT_EQ(Pixel(atlas, 7, 7), RGB(0x2E, 0x7D, 0x4F));
    EXPECT_EQ(Pixel(atlas, 8, 0), RGB(0xA8, 0x64, 0x12));
    EXPECT_EQ(Pixel(atlas, 23, 3), RGB(0xA8, 0x64, 0x12));
    // Where no piece lies, the atlas is the key colour.
    EXPECT_EQ(Pixel(atlas, 8, 4), kKey);
    EXPECT_EQ(Pixel(atlas, 31, 15), kKey);
}

// The lint over this program's test skins finds exactly what a user would be shown.
TEST(SkinLintTest, FindsEveryBoxAndMissingImage)
{
    const std::string syntax = "TestBadSyntax.txt line 4:=が見つかりません。";
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"TESTBADINCLUDE.TXT", syntax},
        {"TESTBADINCLUDE.TXT", "[TestBadSyntax.txtの取り込みエラー]" + syntax},
        {"TESTBADSYNTAX.TXT", "TESTBADSYNTAX.TXT line 4:=が見つかりません。"},
        {"TESTDEEPINCLUDE.TXT", syntax},
        {"TESTDEEPINCLUDE.TXT", "[TestBadSyntax.txtの取り込みエラー]" + syntax},
        {"TESTDEEPINCLUDE.TXT",
         "[TestBadInclude.txtの取り込みエラー][TestBadSyntax.txtの取り込みエラー]" + syntax},
        {"TESTEMPTY.TXT", "skin file open error"},
        {"TESTMISSINGIMAGE.TXT", "TestNoImage.pngが読み込めません."},
        {"TESTMISSINGINCLUDE.TXT", "skin file open error"},
        {"TESTMISSINGINCLUDE.TXT", "[TestNoSuchText.txtの取り込みエラー]skin file open error"},
        {"TESTWINDOWBAD.TXT", "TestNoWindowImage.pngが読み込めません."},
    };
    std::vector<std::pair<std::string, std::string>> found;
    for (const skintest::LintFinding& finding : skintest::LintSkinTexts(nullptr)) {
        found.emplace_back(finding.m_strText, finding.m_strMessage);
    }
    EXPECT_EQ(found, expected);
}

} // namespace
