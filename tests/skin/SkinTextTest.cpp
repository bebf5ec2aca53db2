// The skin text language from bytes to definitions: the reader's lines (both encodings,
// NUL and odd-length texts), the tokenizer, every row of the parser's state machine with its
// exact messages, macros, classes, the keyword check, lookups and value converters.
#include "skin/SkinKeyword.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinParser.h"
#include "skin/SkinReader.h"
#include "skin/SkinValue.h"
#include "tests/skin/support/SkinTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kHeader[] = "<Definition File Version 1.00>\n";

template <size_t N>
std::string Bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

// LF line ends as the build writes them: CR LF (no code-page-932 trail byte is an LF).
std::string Crlf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// The same text as a UTF-16 resource: the mark FF FE, then little-endian characters.
std::string Utf16(const std::string& ansi)
{
    std::wstring wide(ansi.size(), L'\0');
    const int count = ::MultiByteToWideChar(932, 0, ansi.data(), static_cast<int>(ansi.size()),
                                            &wide[0], static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(count));
    return std::string("\xFF\xFE", 2) +
           std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

struct ParseResult {
    std::string m_strDump;              // includes as "+name ", language texts as "@name ",
                                        // then the definition
    std::vector<std::string> m_vBox;    // the "Skin Load" boxes, in order
    std::string m_strThrown;            // the exception's text
};

// Reads the bytes as the reader does, parses them as "T.txt", then applies macros and
// classes as a load does.
ParseResult ParseBytes(const std::string& bytes)
{
    ParseResult result;
    const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] {
        ui::SkinDefinition definition;
        std::vector<std::string> includes;
        std::vector<std::string> languages;
        ui::ParseSkinText("T.txt", ui::SplitSkinText(bytes.data(), bytes.size()), definition,
                          includes, languages);
        ui::ApplyReplacementTable(definition);
        ui::ResolveSkinClasses(definition);
        for (const std::string& name : includes) result.m_strDump += "+" + name + " ";
        for (const std::string& name : languages) result.m_strDump += "@" + name + " ";
        result.m_strDump += skintest::DumpSkinDefinition(definition);
        for (const auto& block : definition.m_mapBlock) EXPECT_EQ(block.second.m_strName, block.first);
    });
    result.m_vBox = errors.m_vBox;
    result.m_strThrown = errors.m_strThrown;
    return result;
}

struct TextCase {
    const char* text;    // after the header line, LF line ends
    const char* dump;    // expected definition, or null when error is given
    const char* error;   // the box's exact text
};

// Each case in both encodings: the ANSI bytes and the same text as UTF-16.
void CheckTextCases(const TextCase* cases, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const TextCase& c = cases[i];
        const std::string ansi = Crlf(std::string(kHeader) + c.text);
        for (const std::string& bytes : {ansi, Utf16(ansi)}) {
            SCOPED_TRACE(std::string(bytes[0] == '\xFF' ? "UTF-16: " : "ANSI: ") + c.text);
            const ParseResult result = ParseBytes(bytes);
            if (c.error == nullptr) {
                EXPECT_EQ(result.m_strDump, c.dump);
                EXPECT_TRUE(result.m_vBox.empty());
                EXPECT_EQ(result.m_strThrown, "");
            } else {
                EXPECT_EQ(result.m_vBox, std::vector<std::string>{c.error});
                EXPECT_EQ(result.m_strThrown, c.error);
            }
        }
    }
}

TEST(SkinReaderTest, LinesByLengthInBothEncodings)
{
    struct Case {
        std::string bytes;
        std::vector<std::wstring> lines;
    };
    const Case cases[] = {
        {Bytes("a\r\nb\r\n"), {L"a", L"b"}},
        {Bytes("a\r\nb"), {L"a", L"b"}},
        {Bytes("a\r\n\r\nb"), {L"a", L"", L"b"}},
        // LF alone ends no line; a CR before CR LF stays in its line.
        {Bytes("a\nb\r\n"), {L"a\nb"}},
        {Bytes("a\r\r\nb"), {L"a\r", L"b"}},
        {Bytes(""), {}},
        {Bytes("\r\n"), {L""}},
        // A NUL ends its line only; the lines after it are read.
        {Bytes("ab\0cd\r\nef"), {L"ab", L"ef"}},
        {Bytes("\0\r\nx\0"), {L"", L"x"}},
        {Bytes("表\r\nソ能"), {L"表", L"ソ能"}},
        {Bytes("\xFF\xFE" "a\0\r\0\n\0b\0"), {L"a", L"b"}},
        // (size - 2) / 2 characters: a trailing odd byte is not read.
        {Bytes("\xFF\xFE" "a\0b"), {L"a"}},
        {Bytes("\xFF\xFE" "a\0\0\0b\0\r\0\n\0c\0"), {L"a", L"c"}},
        {Bytes("\xFF\xFE"), {}},
        {Bytes("\xFF\xFE\x41"), {}},
        {Bytes("\xFF\xFE" "\x68\x88\r\0\n\0"), {L"表"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(ui::SplitSkinText(c.bytes.data(), c.bytes.size()), c.lines);
    }
    // A lone byte FF is ANSI text, one line.
    EXPECT_EQ(ui::SplitSkinText("\xFF", 1).size(), 1u);
}

TEST(SkinTokenizerTest, DelimitersQuotesAndJoins)
{
    struct Case {
        const wchar_t* line;
        const wchar_t* tokens;   // each token as [text], a quoted one followed by q
    };
    const Case cases[] = {
        {L"a b\tc", L"[a][b][c]"},
        {L"K=1,2;", L"[K][=][1][,][2][;]"},
        {L"{}", L"[{][}]"},
        {L"\"a b\"", L"[a b]q"},
        {L"ab\"cd\"", L"[abcd]q"},
        {L"\"ab\"cd", L"[ab]q[cd]"},
        {L"\"\" x", L"[x]"},
        {L"\"a\\b{;\"", L"[a\\b{;]q"},
        {L"\"abc", L"[abc]q"},
        {L"a\\\"b\"", L"[a][\\][b]q"},
        {L"\",\"", L"[,]q"},
        {L"表\\ソ", L"[表][\\][ソ]"},
    };
    for (const Case& c : cases) {
        std::wstring out;
        for (const ui::SkinToken& token : ui::TokenizeSkinLine(c.line)) {
            out += L"[" + token.m_wstrText + L"]" + (token.m_bQuoted ? L"q" : L"");
        }
        EXPECT_EQ(out, c.tokens) << testing::PrintToString(std::wstring(c.line));
    }
}

TEST(SkinParserTest, TextsIntoBlocks)
{
    const TextCase cases[] = {
        {"", "", nullptr},
        {"B { Image = A.PNG, 0, 0, 10, 10; }", "B{Image=[A.PNG][0][0][10][10]}", nullptr},
        {"B{Image=A.PNG,0,0,10,10;}", "B{Image=[A.PNG][0][0][10][10]}", nullptr},
        {"B { Font =\t, 14, 400; }", "B{Font=[][14][400]}", nullptr},
        {"B { Key = ; }", "B{Key=[]}", nullptr},
        {"B { Key = a,,b; }", "B{Key=[a][][b]}", nullptr},
        // Written twice, a keyword or block collects the values of both writings in order.
        {"B { K = 1; K = 2, 3; }\nB { K = 4; L = x; }\nA {}", "A{} B{K=[1][2][3][4] L=[x]}",
         nullptr},
        // Quoted, a comma or semicolon is still the delimiter.
        {"B { K = \",\", x; L = a \";\" }", "B{K=[][][x] L=[a]}", nullptr},
        {"B { T = \"\"; U = \"\", x; }", "B{T=[] U=[][x]}", nullptr},
        {"B { T = ab\"cd ef\"; }", "B{T=[abcd ef]}", nullptr},
        // A backslash joins quoted pieces, also across lines, delimiters inside them included.
        {"B {\n T = \"abc\" \\\n  \"def\";\n}", "B{T=[abcdef]}", nullptr},
        {"B { T = \"a\" \\ \";\" \\ \"}\"; }", "B{T=[a;}]}", nullptr},
        // An unclosed quote ends with its line.
        {"B { T = \"a b\n; }", "B{T=[a b]}", nullptr},
        // "//" cuts inside quotes too; the value ends there, and a later ";" closes it.
        {"B {\n Url = \"http://example.jp/\"\n ; }", "B{Url=[http:]}", nullptr},
        {"B { K = 1; // L = 2;\n}", "B{K=[1]}", nullptr},
        {"#INCLUDE \"a.txt\"\n#Include b.txt\n#language \"c.txt\"\nB { }",
         "+a.txt +b.txt @c.txt B{}", nullptr},
        // Nothing is checked at the end: an open block or value list simply ends.
        {"B { K = 1;", "B{K=[1]}", nullptr},
        {"B { K = 1", "B{K=[1]}", nullptr},
        // Trail bytes 0x5C (表 ソ 能) and 0x7B, 0x7D (ボ マ) are no delimiters.
        {"ソ { 表 = 能, ボマ; 波 = \"～\"; }", "ソ{波=[～] 表=[能][ボマ]}", nullptr},
        {"ソ { 表 = \"能\" \\ \"ソ\"; }", "ソ{表=[能ソ]}", nullptr},

        {"}", nullptr, "T.txt line 2:アイテム名が存在しません。"},
        {"\"{\"", nullptr, "T.txt line 2:アイテム名が存在しません。"},
        {"B {\n K = 1;\n}\n}", nullptr, "T.txt line 5:アイテム名が存在しません。"},
        {"#define X", nullptr, "T.txt line 2:#defineは異常なプリプロセッサ命令です。"},
        {"#表", nullptr, "T.txt line 2:#表は異常なプリプロセッサ命令です。"},
        {"#include ;", nullptr, "T.txt line 2:#includeの構文が不正です。"},
        {"#language\n=", nullptr, "T.txt line 3:#languageの構文が不正です。"},
        {"B x", nullptr, "T.txt line 2:{が見つかりません。"},
        {"B\n;", nullptr, "T.txt line 3:{が見つかりません。"},
        {"B { ; }", nullptr, "T.txt line 2:}が見つかりません。"},
        {"B { K ; }", nullptr, "T.txt line 2:=が見つかりません。"},
        {"B { K V }", nullptr, "T.txt line 2:=が見つかりません。"},
        {"B { K = = }", nullptr, "T.txt line 2:;が見つかりません。"},
        {"B { K = \\ \"a\"; }", nullptr, "T.txt line 2:;が見つかりません。"},
        // A quoted blank is the blank delimiter.
        {"B { K = \" \"; }", nullptr, "T.txt line 2:;が見つかりません。"},
        {"B { K = \"a\" \\\n def; }", nullptr, "T.txt line 3:\\の次は文字列で無ければなりません。"},
        {"B { K = a = }", nullptr, "T.txt line 2:,または;が必要です。"},
        {"B { K = a }", nullptr, "T.txt line 2:,または;が必要です。"},
        {"B {\n Url = \"http://example.jp/\";\n}", nullptr, "T.txt line 4:,または;が必要です。"},
        {"B {\n Url = \"http://example.jp/\";\n Next = 1;\n}", nullptr,
         "T.txt line 4:区切り文字が見つかりません。"},
        {"B { K = a b; }", nullptr, "T.txt line 2:区切り文字が見つかりません。"},
        // Text right after a closing quote is a token of its own.
        {"B { K = \"a\"b; }", nullptr, "T.txt line 2:区切り文字が見つかりません。"},
    };
    CheckTextCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(SkinParserTest, MacrosReplaceWholeValuesInByteOrder)
{
    const TextCase cases[] = {
        // The first value only; whole values only; any ASCII case; the table is removed.
        {"ReplacementTable { %Color% = 255, 0, 0; }\nB { C = %color%, x%Color%, %COLOR%; }",
         "B{C=[255][x%Color%][255]}", nullptr},
        // %A% gives %b%, which the later %B% replaces; %Z% gives %a%, whose macro came before.
        {"ReplacementTable { %Z% = %a%; %B% = x; %A% = \"%b%\"; }\nB { V = %a%, %z%; }",
         "B{V=[x][%a%]}", nullptr},
        {"ReplacementTable { %E% = ; %F% = \"\", y; }\nB { V = %e%, %f%; }", "B{V=[][]}",
         nullptr},
        // Case folds ASCII letters only: ア (83 41) and ヂ (83 61) stay apart.
        {"ReplacementTable { %ア% = 1; %a% = 2; }\nB { V = %ア%, %ヂ%, %A%; }",
         "B{V=[1][%ヂ%][2]}", nullptr},
        // Macros come before classes, so a class passes its replaced values on.
        {"ReplacementTable { %S% = 14; }\nBase { Size = %S%; }\nItem { Class = Base; }",
         "Base{Size=[14]} Item{Size=[14]}", nullptr},
        {"ReplacementTable { }\nB { V = %X%; }", "B{V=[%X%]}", nullptr},
    };
    CheckTextCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(SkinParserTest, ClassesLayTheirKeywordsUnderTheBlock)
{
    const TextCase cases[] = {
        {"B { Class = A; X = 1; }\nA { X = 2; Y = 3; }", "A{X=[2] Y=[3]} B{X=[1] Y=[3]}",
         nullptr},
        {"C { Class = B; }\nB { Class = A; Own = b; }\nA { Own = a; Deep = a; }",
         "A{Deep=[a] Own=[a]} B{Deep=[a] Own=[b]} C{Deep=[a] Own=[b]}", nullptr},
        // A cycle ends: each Class is removed before its class is resolved.
        {"P { Class = Q; p = 1; }\nQ { Class = P; q = 1; }", "P{p=[1] q=[1]} Q{p=[1] q=[1]}",
         nullptr},
        {"S { Class = S; v = 1; }", "S{v=[1]}", nullptr},
        {"B { Class = Nope; }", nullptr, "B 無効な Class(Nope)が指定されました"},
        {"B { Class = ; }", nullptr, "B 無効な Class()が指定されました"},
        {"B { Class = A, A; }\nA { }", nullptr,
         "B/Classのパラメータは 1個必要ですが、2個指定されています"},
    };
    CheckTextCases(cases, sizeof cases / sizeof cases[0]);
}

ui::SkinBlock MakeBlock(const char* name, const ui::SkinKeywordMap& keywords)
{
    ui::SkinBlock block;
    block.m_strName = name;
    block.m_mapKeyword = keywords;
    return block;
}

// The message of the one box a call raised ("" when none), checking it was also thrown.
template <class Call>
std::string BoxOf(Call call)
{
    const skintest::SkinErrors errors = skintest::CatchSkinErrors(call);
    EXPECT_LE(errors.m_vBox.size(), 1u);
    EXPECT_EQ(errors.m_vBox.empty() ? std::string() : errors.m_vBox[0], errors.m_strThrown);
    return errors.m_strThrown;
}

TEST(SkinKeywordTest, CountsAndMessages)
{
    using ui::KeywordSpec;
    const KeywordSpec position("Position", {1, 1, -1});
    const KeywordSpec title("Title", {0, -1});
    const KeywordSpec image("Image", {0, 1, 1, 1, 1, -1});
    EXPECT_EQ(KeywordSpec("X", {1, 1, -1, 1}).m_vKind.size(), 2u);
    EXPECT_EQ(KeywordSpec("X", {-1}).m_vKind.size(), 0u);

    struct Case {
        ui::SkinKeywordMap keywords;
        std::vector<KeywordSpec> specs;
        const char* error;
    };
    const Case cases[] = {
        {{{"Position", {"1", "2"}}, {"Title", {""}}}, {position, title}, ""},
        {{}, {position}, "Drop/Positionが定義されていません"},
        {{{"Position", {"1"}}}, {position}, "Drop/Positionのパラメータは 2個必要です"},
        {{{"Position", {}}}, {position}, "Drop/Positionのパラメータは 2個必要です"},
        {{{"Title", {"a", "b"}}}, {title},
         "Drop/Titleのパラメータは 1個必要ですが、2個指定されています"},
        // The group's first failure is the one reported.
        {{{"Position", {"1"}}}, {title, position}, "Drop/Titleが定義されていません"},
        // Kinds are not compared: letters where numbers belong pass the count.
        {{{"Image", {"1", "a", "b", "c", "d"}}}, {image}, ""},
    };
    for (const Case& c : cases) {
        const ui::SkinBlock block = MakeBlock("Drop", c.keywords);
        EXPECT_EQ(BoxOf([&] { ui::CheckKeywordParams(block, c.specs.data(), c.specs.size()); }),
                  c.error);
    }
}

TEST(SkinKeywordTest, DefaultSkinKeyCopiesTheOtherKeyword)
{
    const ui::KeywordSpec imageP("ImageP", {0, 1, 1, -1});
    ui::SkinBlock block = MakeBlock("Button", {{"Image", {"B.png", "0", "0"}}});
    EXPECT_EQ(BoxOf([&] { ui::DefaultSkinKey(block, imageP, "Image"); }), "");
    EXPECT_EQ(block.m_mapKeyword["ImageP"], (ui::SkinValues{"B.png", "0", "0"}));

    block.m_mapKeyword["ImageP"] = {"P.png", "1", "1"};
    ui::DefaultSkinKey(block, imageP, "Image");
    EXPECT_EQ(block.m_mapKeyword["ImageP"], (ui::SkinValues{"P.png", "1", "1"}));

    ui::SkinBlock bare = MakeBlock("Button", {{"Image", {"B.png", "0"}}});
    EXPECT_EQ(BoxOf([&] { ui::DefaultSkinKey(bare, imageP, "Image"); }),
              "Button/ImagePのパラメータは 3個必要です");
    ui::SkinBlock none = MakeBlock("Button", {});
    EXPECT_EQ(BoxOf([&] { ui::DefaultSkinKey(none, imageP, "Image"); }),
              "Button/ImagePが定義されていません");
    EXPECT_FALSE(none.Has("ImageP"));
}

TEST(SkinLookupTest, BlocksKeysAndStringTable)
{
    ui::SkinDefinition definition;
    definition.m_mapBlock["Base"] = MakeBlock("Base", {{"Image", {"a.png"}}, {"Title", {"t"}}});
    ui::SkinBlock copy;
    EXPECT_EQ(BoxOf([&] { copy = ui::GetSkinBlock(definition, "Base"); }), "");
    EXPECT_EQ(copy.m_mapKeyword.size(), 2u);
    EXPECT_EQ(BoxOf([&] { ui::GetSkinBlock(definition, "base"); }), "baseが記述されていません");
    EXPECT_EQ(BoxOf([&] { ui::CheckSkinKeys(copy, {"Image", "Title"}); }), "");
    EXPECT_EQ(BoxOf([&] { ui::CheckSkinKeys(copy, {"Image", "Size", "Font"}); }),
              "Sizeが記述されていません");
    EXPECT_EQ(BoxOf([&] { ui::GetStringTable(definition); }), "StringTableが記述されていません");

    definition.m_mapBlock["StringTable"] =
        MakeBlock("StringTable", {{"Two", {"前", "後"}}, {"Lines", {"a\\nb"}}, {"Empty", {""}},
                                  {"None", {}}});
    const std::map<std::string, std::string> table = ui::GetStringTable(definition);
    const std::map<std::string, std::string> expected = {
        {"Two", "前"}, {"Lines", "a\nb"}, {"Empty", ""}};
    EXPECT_EQ(table, expected);
}

TEST(SkinLookupTest, UnescapeOnCharacterBoundaries)
{
    struct Case {
        std::string text;
        std::string result;
    };
    const Case cases[] = {
        {"a\\nb", "a\nb"},
        {"\\r\\n", "\r\n"},
        {"\\0x22引用\\0x22", "\"引用\""},
        {"\\n\\r\\0x22", "\n\r\""},
        {"\\\\n", "\\\n"},
        {"\\0x2", "\\0x2"},
        {"\\N\\R\\0X22", "\\N\\R\\0X22"},
        // 表 is 95 5C: its trail byte and the n after it are no escape.
        {"表n表r表0x22", "表n表r表0x22"},
        {"表\\n", "表\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(ui::UnescapeSkinValue(c.text), c.result) << c.text;
}

TEST(SkinValueTest, Converters)
{
    struct PointCase {
        ui::SkinValues values;
        size_t first;
        LONG x;
        LONG y;
    };
    const PointCase points[] = {
        {{"10", "-20"}, 0, 10, -20},
        {{" 7px", "\t+3"}, 0, 7, 3},
        {{"abc", ""}, 0, 0, 0},
        {{"name", "5", "6"}, 1, 5, 6},
        {{"99999999999", "-99999999999"}, 0, INT_MAX, INT_MIN},
        {{"1"}, 0, 1, 0},   // a value beyond the list reads as empty
    };
    for (const PointCase& c : points) {
        const POINT p = ui::ToPoint(c.values, c.first);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
    }

    const RECT rect = ui::ToRect({"A.png", "1", "2", "3", "4"}, 1);
    EXPECT_EQ(rect.left, 1);
    EXPECT_EQ(rect.top, 2);
    EXPECT_EQ(rect.right, 3);
    EXPECT_EQ(rect.bottom, 4);
    const RECT item = ui::ToRectFromPositionSize({"10", "20"}, {"30", "40"});
    EXPECT_EQ(item.left, 10);
    EXPECT_EQ(item.top, 20);
    EXPECT_EQ(item.right, 40);
    EXPECT_EQ(item.bottom, 60);

    EXPECT_EQ(ui::ToColor({"255", "0", "0"}, 0), 0x0000FFu);
    EXPECT_EQ(ui::ToColor({"x", "256", "-1", "300"}, 1), 0x2CFF00u);

    const ui::ImageCut cut = ui::ToImageCut({"Parts.png", "300", "316", "608", "624"}, 0);
    EXPECT_EQ(cut.m_strName, "Parts.png");
    EXPECT_EQ(cut.m_rcCut.left, 300);
    EXPECT_EQ(cut.m_rcCut.bottom, 624);
}

TEST(SkinValueTest, FontsKeepTheSystemFace)
{
    LOGFONTA system;
    lib::wfc::GetDefaultLogFont(&system);
    const LOGFONTA font = ui::ToLogFont({"Arial", "14", "700"}, 0);
    EXPECT_EQ(font.lfHeight, -14);
    EXPECT_EQ(font.lfWidth, 0);
    EXPECT_EQ(font.lfWeight, 700);
    EXPECT_EQ(font.lfCharSet, DEFAULT_CHARSET);
    EXPECT_STREQ(font.lfFaceName, system.lfFaceName);

    struct Case {
        bool force;
        const char* face;
    };
    const Case cases[] = {{false, system.lfFaceName}, {true, "MS PGothic"}};
    for (const Case& c : cases) {
        const std::unique_ptr<lib::wfc::CFont> made = ui::CreateSkinFont({"x", "12", "400"}, 0, c.force);
        LOGFONTA back = {};
        ASSERT_NE(::GetObjectA(made->GetHandle(), sizeof back, &back), 0);
        EXPECT_STREQ(back.lfFaceName, c.face);
        EXPECT_EQ(back.lfHeight, -12);
    }
}

} // namespace
