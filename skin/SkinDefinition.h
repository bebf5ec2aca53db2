#pragma once
// The parsed form of a skin text: named blocks, each an ordered map from keyword to the
// values written for it. Names, keywords and values are narrow text in the ANSI code page,
// compared byte by byte (so case-sensitive).
//     Base { Position = 10, 20; Title = "設定"; }
// gives the block "Base" with Position -> {"10", "20"} and Title -> {"設定"}.

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace ui {

typedef std::vector<std::string> SkinValues;
typedef std::map<std::string, SkinValues> SkinKeywordMap;

struct SkinBlock {
    std::string m_strName;
    SkinKeywordMap m_mapKeyword;

    bool Has(const std::string& keyword) const { return m_mapKeyword.count(keyword) != 0; }
};

struct SkinDefinition {
    std::map<std::string, SkinBlock> m_mapBlock;

    bool Has(const std::string& block) const { return m_mapBlock.count(block) != 0; }
};

// One token of a skin line; quoted when any part of it stood between double quotes.
struct SkinToken {
    std::wstring m_wstrText;
    bool m_bQuoted;
};

// A named part of a skin image.
struct ImageCut {
    std::string m_strName;
    RECT m_rcCut;
};

} // namespace ui
