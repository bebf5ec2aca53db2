#include "skin/SkinLoader.h"

#include "lib/StringUtility.h"
#include "lib/wfc/CriticalSection.h"
#include "skin/SkinException.h"
#include "skin/SkinKeywordTable.h"
#include "skin/SkinParser.h"
#include "skin/SkinReader.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <utility>

namespace ui {

namespace {

const char kReplacementTable[] = "ReplacementTable";

std::atomic<HMODULE> g_hLanguageModule{nullptr};

typedef std::pair<std::string, HMODULE> CacheKey;

// Built on first use: static initialisers of other files may load skins before main. Never
// destroyed, so a static destructor elsewhere cannot reach a cache that is already gone.
struct DefinitionCache {
    lib::wfc::CCriticalSection m_csLock;
    std::map<CacheKey, SkinDefinition> m_mapDefinition;
};

DefinitionCache& Cache()
{
    static DefinitionCache* cache = new DefinitionCache;
    return *cache;
}

bool Contains(const std::vector<std::string>& list, const std::string& name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

// Lays every keyword of `over` onto the same-named block of `under`.
void MergeOver(SkinDefinition& under, const SkinDefinition& over)
{
    for (const auto& blockEntry : over.m_mapBlock) {
        SkinBlock& target = under.m_mapBlock[blockEntry.first];
        target.m_strName = blockEntry.first;
        for (const auto& keyword : blockEntry.second.m_mapKeyword) {
            target.m_mapKeyword[keyword.first] = keyword.second;
        }
    }
}

// Loads a named text and lays the current definition over it.
void MergeNamedText(SkinDefinition& current, const std::string& name, HMODULE module,
                    std::vector<std::string>& includes, std::vector<std::string>& languages)
{
    SkinDefinition loaded;
    std::string failure;
    bool failed = false;
    try {
        loaded = LoadSkinText(name.c_str(), module, includes, languages);
    } catch (const CSkinWindowException& error) {
        failed = true;
        failure = error.what();
    }
    if (failed) {
        ThrowSkinException(
            lib::FormatString("[%sの取り込みエラー]%s", name.c_str(), failure.c_str()));
    }
    MergeOver(loaded, current);
    current = std::move(loaded);
}

void ResolveClass(SkinDefinition& definition, SkinBlock& block)
{
    const auto found = block.m_mapKeyword.find(ClassKeyword().m_strName);
    if (found == block.m_mapKeyword.end()) return;
    CheckKeywordParams(block, &ClassKeyword(), 1);
    const std::string className = found->second.front();
    // Removed before the recursion, so a cycle of classes ends instead of looping.
    block.m_mapKeyword.erase(found);
    const auto classBlock = definition.m_mapBlock.find(className);
    if (classBlock == definition.m_mapBlock.end()) {
        ThrowSkinException(lib::FormatString("%s 無効な Class(%s)が指定されました",
                                             block.m_strName.c_str(), className.c_str()));
    }
    ResolveClass(definition, classBlock->second);
    SkinKeywordMap keywords = classBlock->second.m_mapKeyword;
    for (auto& keyword : block.m_mapKeyword) keywords[keyword.first] = std::move(keyword.second);
    block.m_mapKeyword = std::move(keywords);
}

} // namespace

SkinDefinition LoadSkinText(const char* fileName, HMODULE module,
                            std::vector<std::string>& includes,
                            std::vector<std::string>& languages)
{
    SkinDefinition definition;
    std::vector<std::string> ownIncludes;
    std::vector<std::string> ownLanguages;
    ParseSkinText(fileName, ReadSkinResource(fileName, module), definition, ownIncludes,
                  ownLanguages);
    for (const std::string& name : ownIncludes) {
        if (Contains(includes, name)) continue;
        includes.push_back(name);
        MergeNamedText(definition, name, module, includes, languages);
    }
    for (const std::string& name : ownLanguages) {
        if (Contains(languages, name)) continue;
        languages.push_back(name);
        MergeNamedText(definition, name, GetSkinLanguageModule(), includes, languages);
    }
    return definition;
}

void ApplyReplacementTable(SkinDefinition& definition)
{
    const auto table = definition.m_mapBlock.find(kReplacementTable);
    if (table == definition.m_mapBlock.end()) return;
    // Macros in byte order of their names; a value replaced by one macro can be replaced
    // again by a later one whose name equals the new text.
    struct Macro {
        std::string m_strUpperName;
        std::string m_strText;
    };
    std::vector<Macro> macros;
    for (const auto& keyword : table->second.m_mapKeyword) {
        macros.push_back(Macro{lib::StringToUpper(keyword.first),
                               keyword.second.empty() ? std::string() : keyword.second.front()});
    }
    definition.m_mapBlock.erase(table);
    if (macros.empty()) return;
    for (auto& blockEntry : definition.m_mapBlock) {
        for (auto& keyword : blockEntry.second.m_mapKeyword) {
            for (std::string& value : keyword.second) {
                std::string upper = lib::StringToUpper(value);
                for (const Macro& macro : macros) {
                    if (upper != macro.m_strUpperName) continue;
                    value = macro.m_strText;
                    upper = lib::StringToUpper(value);
                }
            }
        }
    }
}

void ResolveSkinClasses(SkinDefinition& definition)
{
    for (auto& blockEntry : definition.m_mapBlock) ResolveClass(definition, blockEntry.second);
}

SkinDefinition LoadSkinDefinition(const char* fileName, HMODULE module)
{
    DefinitionCache& cache = Cache();
    const CacheKey key(fileName != nullptr ? fileName : "", module);
    {
        lib::wfc::CCriticalSection::CLock lock(&cache.m_csLock, true);
        const auto found = cache.m_mapDefinition.find(key);
        if (found != cache.m_mapDefinition.end()) return found->second;
    }
    // Read and parsed outside the lock; two threads may both parse, the later store wins.
    std::vector<std::string> includes;
    std::vector<std::string> languages;
    SkinDefinition definition = LoadSkinText(key.first.c_str(), module, includes, languages);
    ApplyReplacementTable(definition);
    ResolveSkinClasses(definition);
    {
        lib::wfc::CCriticalSection::CLock lock(&cache.m_csLock, true);
        cache.m_mapDefinition[key] = definition;
    }
    return definition;
}

void SetSkinLanguageModule(HMODULE module)
{
    g_hLanguageModule.store(module);
}

HMODULE GetSkinLanguageModule()
{
    return g_hLanguageModule.load();
}

} // namespace ui
