#include "tests/skin/support/SkinTestSupport.h"

#include "lib/StringUtility.h"
#include "lib/wfc/DIB.h"
#include "skin/SkinLoader.h"

#include <algorithm>
#include <set>

namespace skintest {

namespace {

const char kResourceType[] = "SKIN";
const char kLanguageSuffix[] = "/lang";

bool EndsWithNoCase(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           lib::StringToUpper(text.substr(text.size() - end.size())) == lib::StringToUpper(end);
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR data)
{
    if (!IS_INTRESOURCE(name)) reinterpret_cast<std::vector<std::string>*>(data)->push_back(name);
    return TRUE;
}

std::vector<std::string> ListResources(HMODULE module)
{
    std::vector<std::string> names;
    ::EnumResourceNamesA(module, kResourceType, &CollectName, reinterpret_cast<LONG_PTR>(&names));
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

CSkinErrorCollector::CSkinErrorCollector() : m_pPrevious(ui::SetSkinErrorReporter(this))
{
}

CSkinErrorCollector::~CSkinErrorCollector()
{
    ui::SetSkinErrorReporter(m_pPrevious);
}

void CSkinErrorCollector::ReportSkinError(const std::string& message)
{
    lib::wfc::CCriticalSection::CLock lock(&m_csLock, true);
    m_vMessage.push_back(message);
}

std::vector<std::string> CSkinErrorCollector::Messages() const
{
    lib::wfc::CCriticalSection::CLock lock(&m_csLock, true);
    return m_vMessage;
}

void CSkinErrorCollector::Clear()
{
    lib::wfc::CCriticalSection::CLock lock(&m_csLock, true);
    m_vMessage.clear();
}

std::vector<std::string> ListSkinTexts(HMODULE module)
{
    std::vector<std::string> texts;
    for (const std::string& name : ListResources(module)) {
        if (EndsWithNoCase(name, ".txt")) texts.push_back(name);
    }
    return texts;
}

std::vector<LintFinding> LintSkinTexts(HMODULE module)
{
    std::vector<LintFinding> findings;
    std::vector<std::string> resources;
    for (const std::string& name : ListResources(module)) resources.push_back(lib::StringToUpper(name));
    for (const std::string& text : ListSkinTexts(module)) {
        CSkinErrorCollector collector;
        ui::SkinDefinition definition;
        try {
            definition = ui::LoadSkinDefinition(text.c_str(), module);
        } catch (const ui::CSkinWindowException&) {
        }
        for (const std::string& message : collector.Messages()) {
            findings.push_back(LintFinding{text, message});
        }
        std::set<std::string> missing;
        for (const auto& block : definition.m_mapBlock) {
            for (const auto& keyword : block.second.m_mapKeyword) {
                for (std::string value : keyword.second) {
                    if (EndsWithNoCase(value, kLanguageSuffix)) {
                        value.resize(value.size() - (sizeof kLanguageSuffix - 1));
                    }
                    if (!EndsWithNoCase(value, ".png")) continue;
                    if (std::find(resources.begin(), resources.end(), lib::StringToUpper(value)) ==
                        resources.end()) {
                        missing.insert(value);
                    }
                }
            }
        }
        for (const std::string& image : missing) {
            findings.push_back(LintFinding{text, image + "が読み込めません."});
        }
    }
    return findings;
}

std::string DumpSkinDefinition(const ui::SkinDefinition& definition)
{
    std::string out;
    for (const auto& block : definition.m_mapBlock) {
        if (!out.empty()) out += ' ';
        out += block.first + "{";
        bool first = true;
        for (const auto& keyword : block.second.m_mapKeyword) {
            if (!first) out += ' ';
            first = false;
            out += keyword.first + "=";
            for (const std::string& value : keyword.second) out += "[" + value + "]";
        }
        out += "}";
    }
    return out;
}

std::string FormatFindings(const std::vector<LintFinding>& findings)
{
    std::string text;
    for (const LintFinding& finding : findings) {
        text += finding.m_strText + ": " + finding.m_strMessage + "\n";
    }
    return text;
}

} // namespace skintest
