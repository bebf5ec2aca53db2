#pragma once
// What a keyword takes: the number (and kind) of values a keyword of a skin block takes,
// and the check that stops a skin load when a block lacks a keyword or has the wrong number
// of values. The tables of each block kind are built from these.

#include "skin/SkinDefinition.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace ui {

enum SkinValueKind : int32_t {
    SKIN_VALUE_END = -1,     // ends a list of kinds
    SKIN_VALUE_STRING = 0,
    SKIN_VALUE_NUMBER = 1,
};

struct KeywordSpec {
    // The kinds are read up to the first SKIN_VALUE_END:
    //     KeywordSpec("Position", {SKIN_VALUE_NUMBER, SKIN_VALUE_NUMBER, SKIN_VALUE_END})
    KeywordSpec(const char* name, std::initializer_list<int32_t> kinds);

    std::string m_strName;
    std::vector<int32_t> m_vKind;   // recorded, not compared with the values
};

// Checks `count` specs from `specs` in order: the block must hold each keyword with exactly
// as many values as it has kinds. The first failure raises
//     "<block>/<keyword>が定義されていません"
//     "<block>/<keyword>のパラメータは <n>個必要です"
//     "<block>/<keyword>のパラメータは <n>個必要ですが、<m>個指定されています"
void CheckKeywordParams(const SkinBlock& block, const KeywordSpec* specs, size_t count);

// When the block lacks the spec's keyword it gets a copy of `other`'s values (when the block
// has `other`); then the keyword is checked against the spec.
void DefaultSkinKey(SkinBlock& block, const KeywordSpec& spec, const std::string& other);

} // namespace ui
