#pragma once
// What windows and items ask of a loaded skin text: a block, the presence of keywords, and
// the window texts of the block "StringTable".

#include "skin/SkinDefinition.h"

#include <map>
#include <string>
#include <vector>

namespace ui {

// A copy of the block; a missing block raises "<name>が記述されていません".
SkinBlock GetSkinBlock(const SkinDefinition& definition, const std::string& name);

// Every keyword must be in the block; the first missing one raises "<keyword>が記述されていません".
void CheckSkinKeys(const SkinBlock& block, const std::vector<std::string>& keywords);

// The first value of each keyword of "StringTable" that has one, unescaped (a missing block
// raises as GetSkinBlock does).
std::map<std::string, std::string> GetStringTable(const SkinDefinition& definition);

// "\n" becomes a line feed, then "\r" a carriage return, then "\0x22" a double quote.
std::string UnescapeSkinValue(const std::string& text);

} // namespace ui
