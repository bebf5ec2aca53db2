#include "skin/SkinParser.h"

#include "lib/StringUtility.h"
#include "skin/SkinException.h"

#include <cwchar>

namespace ui {

namespace {

bool IsDelimiterChar(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'{' || c == L'}' || c == L',' || c == L';' ||
           c == L'=' || c == L'\\';
}

// Quoted or not, a token made of one delimiter character acts as that delimiter.
bool IsDelimiter(const SkinToken& token)
{
    return token.m_wstrText.size() == 1 && IsDelimiterChar(token.m_wstrText[0]);
}

bool Is(const SkinToken& token, wchar_t c)
{
    return token.m_wstrText.size() == 1 && token.m_wstrText[0] == c;
}

bool EqualsNoCase(const std::wstring& text, const wchar_t* word)
{
    return lib::WStringToLower(text) == word;
}

void Emit(std::vector<SkinToken>& tokens, std::wstring& pending, bool quoted)
{
    if (pending.empty()) return;
    tokens.push_back(SkinToken{pending, quoted});
    pending.clear();
}

} // namespace

std::vector<SkinToken> TokenizeSkinLine(const std::wstring& line)
{
    std::vector<SkinToken> tokens;
    std::wstring pending;
    bool inQuotes = false;
    bool quoted = false;
    for (wchar_t c : line) {
        if (inQuotes) {
            if (c == L'"') {
                Emit(tokens, pending, true);
                inQuotes = false;
                quoted = false;
            } else {
                pending += c;
            }
        } else if (c == L'"') {
            // Text written right before the quote joins the quoted token.
            inQuotes = true;
            quoted = true;
        } else if (IsDelimiterChar(c)) {
            Emit(tokens, pending, quoted);
            quoted = false;
            if (c != L' ' && c != L'\t') tokens.push_back(SkinToken{std::wstring(1, c), false});
        } else {
            pending += c;
        }
    }
    // An unclosed quote ends with the line.
    Emit(tokens, pending, quoted);
    return tokens;
}

CSkinTextParser::CSkinTextParser(const char* fileName, SkinDefinition& definition,
                                 std::vector<std::string>& includes,
                                 std::vector<std::string>& languages)
    : m_strFileName(fileName != nullptr ? fileName : "")
    , m_definition(definition)
    , m_vInclude(includes)
    , m_vLanguage(languages)
    , m_eState(STATE_ITEM_NAME)
    , m_iLine(0)
    , m_pBlock(nullptr)
    , m_pValues(nullptr)
{
}

void CSkinTextParser::ParseLine(const std::wstring& line, int lineNumber)
{
    m_iLine = lineNumber;
    // The cut ignores quotes: a quoted address loses everything from its "//" on.
    const size_t comment = line.find(L"//");
    const std::wstring text = comment == std::wstring::npos ? line : line.substr(0, comment);
    if (text.empty()) return;
    for (const SkinToken& token : TokenizeSkinLine(text)) _Feed(token);
}

void CSkinTextParser::_Feed(const SkinToken& token)
{
    const bool delimiter = IsDelimiter(token);
    switch (m_eState) {
    case STATE_ITEM_NAME:
        if (delimiter) _Fail("アイテム名が存在しません。");
        if (!token.m_wstrText.empty() && token.m_wstrText[0] == L'#') {
            if (EqualsNoCase(token.m_wstrText, L"#include")) {
                m_eState = STATE_INCLUDE_NAME;
            } else if (EqualsNoCase(token.m_wstrText, L"#language")) {
                m_eState = STATE_LANGUAGE_NAME;
            } else {
                _Fail(lib::FormatString("%sは異常なプリプロセッサ命令です。",
                                        lib::WStringToString(token.m_wstrText).c_str()));
            }
            return;
        }
        {
            const std::string name = lib::WStringToString(token.m_wstrText);
            SkinBlock& block = m_definition.m_mapBlock[name];
            block.m_strName = name;
            m_pBlock = &block;
        }
        m_eState = STATE_OPEN;
        return;
    case STATE_INCLUDE_NAME:
        if (delimiter) _Fail("#includeの構文が不正です。");
        m_vInclude.push_back(lib::WStringToString(token.m_wstrText));
        m_eState = STATE_ITEM_NAME;
        return;
    case STATE_LANGUAGE_NAME:
        if (delimiter) _Fail("#languageの構文が不正です。");
        m_vLanguage.push_back(lib::WStringToString(token.m_wstrText));
        m_eState = STATE_ITEM_NAME;
        return;
    case STATE_OPEN:
        if (!Is(token, L'{')) _Fail("{が見つかりません。");
        m_eState = STATE_KEYWORD;
        return;
    case STATE_KEYWORD:
        if (Is(token, L'}')) {
            m_pBlock = nullptr;
            m_eState = STATE_ITEM_NAME;
            return;
        }
        if (delimiter) _Fail("}が見つかりません。");
        // A keyword written again keeps its values and collects the new ones after them.
        m_pValues = &m_pBlock->m_mapKeyword[lib::WStringToString(token.m_wstrText)];
        m_eState = STATE_EQUALS;
        return;
    case STATE_EQUALS:
        if (!Is(token, L'=')) _Fail("=が見つかりません。");
        m_eState = STATE_VALUE;
        return;
    case STATE_VALUE:
        if (Is(token, L',')) {
            m_pValues->emplace_back();
            return;
        }
        if (Is(token, L';')) {
            m_pValues->emplace_back();
            m_eState = STATE_KEYWORD;
            return;
        }
        if (delimiter) _Fail(";が見つかりません。");
        m_pValues->push_back(lib::WStringToString(token.m_wstrText));
        m_eState = STATE_AFTER_VALUE;
        return;
    case STATE_AFTER_BACKSLASH:
        if (!token.m_bQuoted) _Fail("\\の次は文字列で無ければなりません。");
        m_pValues->back() += lib::WStringToString(token.m_wstrText);
        m_eState = STATE_AFTER_VALUE;
        return;
    case STATE_AFTER_VALUE:
        if (Is(token, L',')) {
            m_eState = STATE_VALUE;
            return;
        }
        if (Is(token, L';')) {
            m_eState = STATE_KEYWORD;
            return;
        }
        if (Is(token, L'\\')) {
            if (m_pValues->empty()) _Fail("\\の使用が不正です。");
            m_eState = STATE_AFTER_BACKSLASH;
            return;
        }
        if (delimiter) _Fail(",または;が必要です。");
        _Fail("区切り文字が見つかりません。");
    }
}

void CSkinTextParser::_Fail(const std::string& message) const
{
    ThrowSkinException(
        lib::FormatString("%s line %d:%s", m_strFileName.c_str(), m_iLine, message.c_str()));
}

void ParseSkinText(const char* fileName, const std::vector<std::wstring>& lines,
                   SkinDefinition& definition, std::vector<std::string>& includes,
                   std::vector<std::string>& languages)
{
    CSkinTextParser parser(fileName, definition, includes, languages);
    // The first line is the header ("<Definition File Version 1.00>"), never read.
    for (size_t i = 1; i < lines.size(); ++i) parser.ParseLine(lines[i], static_cast<int>(i + 1));
}

} // namespace ui
