#include "lib/StringUtility.h"

#include "lib/DbcsText.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace lib;

namespace {

using Pieces = std::vector<std::string>;

// "ソ" is 83 5C in code page 932: its trail byte is a backslash.
const char kSo[] = "ソ";

TEST(EnvironmentTest, AnsiCodePageIs932)
{
    EXPECT_EQ(932u, GetACP());
    // "お" compiles to 82 A8 and converts to U+304A.
    ASSERT_STREQ("\x82\xA8", "お");
    EXPECT_EQ(std::wstring(L"\x304A"), StringToWString("お"));
    EXPECT_EQ(std::string("\x83\x5C"), std::string(kSo));
}

TEST(FormatStringTest, FormatsAndGrows)
{
    EXPECT_EQ("a=1 b=x", FormatString("a=%d b=%s", 1, "x"));
    EXPECT_EQ("", FormatString("%s", ""));
    const std::string big(5000, 'q');
    EXPECT_EQ(big, FormatString("%s", big.c_str()));
    EXPECT_EQ(std::string(5000, ' ') + "7", FormatString("%5001d", 7));
    EXPECT_EQ("ERR:0x0000001F", FormatString("ERR:0x%08X", 31u));
}

TEST(FormatStringTest, NullFormatGivesEmptyText)
{
    EXPECT_EQ("", FormatStringV(nullptr, nullptr));
}

TEST(ReplaceAllTest, Table)
{
    struct Case {
        const char* text;
        const char* what;
        const char* by;
        const char* expected;
    } cases[] = {
        {"aaa", "a", "aa", "aaaaaa"},
        {"abcabc", "bc", "", "aa"},
        {"abc", "", "x", "abc"},
        {"", "a", "b", ""},
        {"x\\y", "\\", "/", "x/y"},
        // The backslash inside "ソ" is a trail byte, not a match.
        {"ソフト\\a", "\\", "/", "ソフト/a"},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        ReplaceAll(text, c.what, c.by);
        EXPECT_EQ(c.expected, text) << c.text << " / " << c.what;
    }
    std::wstring wide = L"aaa";
    ReplaceAll(wide, L"a", L"aa");
    EXPECT_EQ(L"aaaaaa", wide);
    ReplaceAll(wide, L"", L"b");
    EXPECT_EQ(L"aaaaaa", wide);
}

TEST(ConversionTest, RoundTripsAndStopsAtNul)
{
    EXPECT_EQ(L"", StringToWString(""));
    EXPECT_EQ("", WStringToString(L""));
    const std::string japanese = "日本語テキスト abc";
    EXPECT_EQ(japanese, WStringToString(StringToWString(japanese)));
    EXPECT_EQ(L"ab", StringToWString(std::string("ab\0cd", 5)));
    EXPECT_EQ("ab", WStringToString(std::wstring(L"ab\0cd", 5)));
}

TEST(CaseTest, OnlyAsciiLettersChange)
{
    EXPECT_EQ("ABCＡｂｃ1", StringToUpper("aBcＡｂｃ1"));
    EXPECT_EQ("abcＡｂｃ", StringToLower("ABCＡｂｃ"));
    EXPECT_EQ(L"XY\xFF41", WStringToUpper(L"xY\xFF41"));
    EXPECT_EQ(L"xy\xFF21", WStringToLower(L"XY\xFF21"));
}

TEST(SplitStringTest, Table)
{
    struct Case {
        const char* text;
        const char* delimiter;
        size_t max;
        Pieces expected;
    } cases[] = {
        {"a,,b,", ",", 0, {"a", "", "b"}},
        {",a", ",", 0, {"", "a"}},
        {"a,b,c", ",", 2, {"a", "b,c"}},
        {"a,b,c", ",", 1, {"a,b,c"}},
        {"", ",", 0, {}},
        {"abc", ",", 0, {"abc"}},
        {"a<>b<>", "<>", 0, {"a", "b"}},
        {"abc", "", 0, {"abc"}},
        {"", "", 0, {}},
        // A trail byte equal to the delimiter is never a split point.
        {"C:\\ソフト\\x", "\\", 0, {"C:", "ソフト", "x"}},
        {"ソ", "\\", 0, {"ソ"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, SplitString(c.text, c.delimiter, c.max))
            << c.text << " at " << c.delimiter << " max " << c.max;
    }
    EXPECT_TRUE(SplitString(nullptr, ",").empty());
}

TEST(SplitStringTest, WideTable)
{
    using WPieces = std::vector<std::wstring>;
    EXPECT_EQ((WPieces{L"a", L"", L"b"}), SplitWString(L"a,,b,", L","));
    EXPECT_EQ((WPieces{L"a", L"b,c"}), SplitWString(L"a,b,c", L",", 2));
    EXPECT_EQ((WPieces{L"abc"}), SplitWString(L"abc", L""));
    EXPECT_TRUE(SplitWString(L"", L",").empty());
    EXPECT_TRUE(SplitWString(nullptr, L",").empty());
}

TEST(FieldScannerTest, Table)
{
    struct Case {
        const char* line;
        char delimiter;
        uint32_t count;
        std::vector<const char*> fields; // nullptr: the field does not exist
    } cases[] = {
        {"", ',', 1, {"", nullptr}},
        {"a,b,c", ',', 3, {"a", "b", "c", nullptr}},
        {"a,,", ',', 3, {"a", "", "", nullptr}},
        {"\"x,y\",z", ',', 2, {"x,y", "z", nullptr}},
        {"\"a\",\"x\"\"y\"", ',', 2, {"a", "x\"y", nullptr}},
        // A quote that is not a field's first byte opens quoting for the scan but is
        // copied as it stands.
        {"ab\"c,d\"e,f", ',', 2, {"ab\"c,d\"e", "f", nullptr}},
        // After the quoted section closed, a later quote is an ordinary character.
        {"\"a\"b\"c,d", ',', 2, {"ab\"c", "d", nullptr}},
        // An unterminated quote runs to the end of the line.
        {"\"a,b", ',', 1, {"a,b", nullptr}},
        // Trail bytes equal to the delimiter (ソ and 表 end in 0x5C) split nothing.
        {"ソ\\x\\y", '\\', 3, {"ソ", "x", "y", nullptr}},
        {"表,能", ',', 2, {"表", "能", nullptr}},
        {"表能", '\\', 1, {"表能", nullptr}},
    };
    for (const auto& c : cases) {
        const char delimiter = c.delimiter;
        EXPECT_EQ(c.count, GetFieldCount(c.line, delimiter)) << c.line;
        for (uint32_t i = 0; i < c.fields.size(); ++i) {
            std::string field = "unchanged";
            const bool found = GetField(c.line, i, field, delimiter);
            if (c.fields[i] == nullptr) {
                EXPECT_FALSE(found) << c.line << " #" << i;
                EXPECT_EQ("unchanged", field);
            } else {
                EXPECT_TRUE(found) << c.line << " #" << i;
                EXPECT_EQ(c.fields[i], field) << c.line << " #" << i;
            }
        }
    }
}

TEST(FieldScannerTest, BrokenDoubleByteAtEndStaysInside)
{
    // 0x83 is a lead byte; as the last byte of the line it must not swallow the NUL.
    const char line[] = {'a', ',', '\x83', '\0', 'X', ',', 'Y', '\0'};
    EXPECT_EQ(2u, GetFieldCount(line, ','));
    std::string field;
    ASSERT_TRUE(GetField(line, 1, field, ','));
    EXPECT_EQ("\x83", field);
    EXPECT_FALSE(GetField(line, 2, field, ','));
}

TEST(DbcsTextTest, HelpersNeverStepOverTerminator)
{
    const char broken[] = {'a', '\x83', '\0', '\\', '\0'};
    EXPECT_EQ(1u, DbcsCharSize(broken + 1));
    EXPECT_EQ(nullptr, DbcsFindChar(broken, '\\'));
    EXPECT_EQ(2u, DbcsCutLength(broken, 10));
    EXPECT_STREQ("\\x", DbcsFindLastChar("ソ\\x", '\\'));
    EXPECT_EQ(nullptr, DbcsFindLastChar("ソ", '\\'));
    // Cut never splits a character.
    EXPECT_EQ(1u, DbcsCutLength("aソ", 2));
    EXPECT_EQ(3u, DbcsCutLength("aソ", 3));
    char buffer[3];
    EXPECT_EQ(1u, DbcsCopy(buffer, sizeof buffer, "aソ"));
    EXPECT_STREQ("a", buffer);
    EXPECT_EQ(1u, DbcsCharSizeN("\x83", 1));
    EXPECT_EQ(2u, DbcsCharSizeN("\x83\x5C", 2));
}

} // namespace
