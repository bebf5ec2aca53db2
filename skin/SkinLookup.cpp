#include "skin/SkinLookup.h"

#include "lib/StringUtility.h"
#include "skin/SkinException.h"

namespace ui {

namespace {

const char kStringTable[] = "StringTable";

[[noreturn]] void ThrowNotWritten(const std::string& name)
{
    ThrowSkinException(lib::FormatString("%sが記述されていません", name.c_str()));
}

} // namespace

SkinBlock GetSkinBlock(const SkinDefinition& definition, const std::string& name)
{
    const auto found = definition.m_mapBlock.find(name);
    if (found == definition.m_mapBlock.end()) ThrowNotWritten(name);
    return found->second;
}

void CheckSkinKeys(const SkinBlock& block, const std::vector<std::string>& keywords)
{
    for (const std::string& keyword : keywords) {
        if (!block.Has(keyword)) ThrowNotWritten(keyword);
    }
}

std::map<std::string, std::string> GetStringTable(const SkinDefinition& definition)
{
    std::map<std::string, std::string> table;
    const auto found = definition.m_mapBlock.find(kStringTable);
    if (found == definition.m_mapBlock.end()) ThrowNotWritten(kStringTable);
    for (const auto& keyword : found->second.m_mapKeyword) {
        if (!keyword.second.empty()) table[keyword.first] = UnescapeSkinValue(keyword.second.front());
    }
    return table;
}

std::string UnescapeSkinValue(const std::string& text)
{
    // Matched on character boundaries: a double-byte character whose trail byte is a
    // backslash ("表", 0x95 0x5C) never starts an escape.
    std::string result = text;
    lib::ReplaceAll(result, "\\n", "\n");
    lib::ReplaceAll(result, "\\r", "\r");
    lib::ReplaceAll(result, "\\0x22", "\"");
    return result;
}

} // namespace ui
