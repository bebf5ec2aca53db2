#pragma once
// The skin text language: after a header line, blocks of keywords with value lists.
//     <Definition File Version 1.00>
//     #include "Common.txt"
//     Base                         // a block
//     {
//         Image = "Back.png", 0, 0, 300, 200;
//         Title = "前半" \          // a backslash joins quoted pieces,
//                 "後半";           // also across lines
//     }
// "//" cuts the rest of a line, also inside quotes. A block, a value list and a joined value
// may span lines. Errors stop the parse with "<file> line <n>:<message>" raised through
// ThrowSkinException.

#include "skin/SkinDefinition.h"

#include <string>
#include <vector>

namespace ui {

// The tokens of one line: runs of text, quoted pieces and the one-character delimiters
// "{", "}", ",", ";", "=" and backslash; blanks and tabs only separate.
std::vector<SkinToken> TokenizeSkinLine(const std::wstring& line);

// The state machine that turns the tokens of a text's lines into blocks. Its state carries
// over from line to line; nothing is checked at the end of the text.
class CSkinTextParser {
public:
    CSkinTextParser(const char* fileName, SkinDefinition& definition,
                    std::vector<std::string>& includes, std::vector<std::string>& languages);

    CSkinTextParser(const CSkinTextParser&) = delete;
    CSkinTextParser& operator=(const CSkinTextParser&) = delete;

    // One line of the text; lineNumber counts from 1, the header being line 1.
    void ParseLine(const std::wstring& line, int lineNumber);

private:
    enum State {
        STATE_ITEM_NAME = 0,
        STATE_INCLUDE_NAME = 1,
        STATE_LANGUAGE_NAME = 2,
        STATE_OPEN = 3,
        STATE_KEYWORD = 4,
        STATE_EQUALS = 5,
        STATE_VALUE = 6,
        STATE_AFTER_BACKSLASH = 7,
        STATE_AFTER_VALUE = 8,
    };

    void _Feed(const SkinToken& token);
    [[noreturn]] void _Fail(const std::string& message) const;

    std::string m_strFileName;
    SkinDefinition& m_definition;
    std::vector<std::string>& m_vInclude;
    std::vector<std::string>& m_vLanguage;
    State m_eState;
    int m_iLine;
    SkinBlock* m_pBlock;     // the open block
    SkinValues* m_pValues;   // the values of the current keyword
};

// Parses the lines of a text (the first one, the header, unread) into the definition,
// appending the names of "#include" and "#language" in the order written.
void ParseSkinText(const char* fileName, const std::vector<std::wstring>& lines,
                   SkinDefinition& definition, std::vector<std::string>& includes,
                   std::vector<std::string>& languages);

} // namespace ui
