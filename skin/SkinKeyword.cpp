#include "skin/SkinKeyword.h"

#include "lib/StringUtility.h"
#include "skin/SkinException.h"

namespace ui {

KeywordSpec::KeywordSpec(const char* name, std::initializer_list<int32_t> kinds)
    : m_strName(name != nullptr ? name : "")
{
    for (int32_t kind : kinds) {
        if (kind == SKIN_VALUE_END) break;
        m_vKind.push_back(kind);
    }
}

void CheckKeywordParams(const SkinBlock& block, const KeywordSpec* specs, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const KeywordSpec& spec = specs[i];
        const auto found = block.m_mapKeyword.find(spec.m_strName);
        if (found == block.m_mapKeyword.end()) {
            ThrowSkinException(lib::FormatString("%s/%sが定義されていません",
                                                 block.m_strName.c_str(),
                                                 spec.m_strName.c_str()));
        }
        const size_t needed = spec.m_vKind.size();
        const size_t given = found->second.size();
        if (given < needed) {
            ThrowSkinException(lib::FormatString("%s/%sのパラメータは %u個必要です",
                                                 block.m_strName.c_str(), spec.m_strName.c_str(),
                                                 static_cast<unsigned>(needed)));
        }
        if (given > needed) {
            ThrowSkinException(lib::FormatString(
                "%s/%sのパラメータは %u個必要ですが、%u個指定されています",
                block.m_strName.c_str(), spec.m_strName.c_str(), static_cast<unsigned>(needed),
                static_cast<unsigned>(given)));
        }
    }
}

void DefaultSkinKey(SkinBlock& block, const KeywordSpec& spec, const std::string& other)
{
    if (!block.Has(spec.m_strName)) {
        const auto source = block.m_mapKeyword.find(other);
        if (source != block.m_mapKeyword.end()) {
            // Copied first: inserting the new keyword must not be read from a moved node.
            const SkinValues values = source->second;
            block.m_mapKeyword[spec.m_strName] = values;
        }
    }
    CheckKeywordParams(block, &spec, 1);
}

} // namespace ui
