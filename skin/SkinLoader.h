#pragma once
// Loading skin texts with the texts they include, the text macros of "ReplacementTable" and
// class inheritance ("Class"), and the process-wide cache of loaded texts.
//
// Includes: "#include" and "#language" name further texts, each loaded once per load. The
// including text wins keyword by keyword, and an earlier include wins over a later one.
// Macros: the keywords of the block "ReplacementTable" (e.g. %FontName%) replace every
// whole value equal to them, compared without regard to ASCII case, by their first value.
// Classes: a block with "Class = Other;" takes Other's keywords under its own.

#include "skin/SkinDefinition.h"

#include <windows.h>

#include <string>
#include <vector>

namespace ui {

// A copy of the text's definition, with its includes, macros and classes resolved; loaded
// once per process and module (null: the program itself) and copied from the cache later.
// A failed load is reported, thrown and not cached.
SkinDefinition LoadSkinDefinition(const char* fileName, HMODULE module);

// The steps of a load, uncached. LoadSkinText reads and parses one text and merges the texts
// it names; names already in the lists (shared by the whole load) are skipped. A named text
// that fails is reported once more as "[<name>の取り込みエラー]<its message>".
SkinDefinition LoadSkinText(const char* fileName, HMODULE module,
                            std::vector<std::string>& includes,
                            std::vector<std::string>& languages);
void ApplyReplacementTable(SkinDefinition& definition);
void ResolveSkinClasses(SkinDefinition& definition);

// The module that holds the language texts and language images (null, the default: the
// program itself).
void SetSkinLanguageModule(HMODULE module);
HMODULE GetSkinLanguageModule();

} // namespace ui
