#pragma once
// What the skin tests share: collecting "Skin Load" errors instead of showing boxes, and the
// skin lint (every skin text of a program loaded as a window would load it).

#include "lib/wfc/CriticalSection.h"
#include "skin/SkinDefinition.h"
#include "skin/SkinException.h"

#include <windows.h>

#include <string>
#include <vector>

namespace skintest {

// Collects the skin errors reported while it lives (on any thread), in order; the reporter
// it replaced is put back when it goes.
class CSkinErrorCollector : public ui::ISkinErrorReporter {
public:
    CSkinErrorCollector();
    ~CSkinErrorCollector() override;
    CSkinErrorCollector(const CSkinErrorCollector&) = delete;
    CSkinErrorCollector& operator=(const CSkinErrorCollector&) = delete;

    void ReportSkinError(const std::string& message) override;
    std::vector<std::string> Messages() const;
    void Clear();

private:
    mutable lib::wfc::CCriticalSection m_csLock;
    std::vector<std::string> m_vMessage;
    ui::ISkinErrorReporter* m_pPrevious;
};

// What a call showed and threw: its "Skin Load" boxes in order, and the text of the
// CSkinWindowException it threw ("" when none).
struct SkinErrors {
    std::vector<std::string> m_vBox;
    std::string m_strThrown;
};

template <class Call>
SkinErrors CatchSkinErrors(Call call)
{
    SkinErrors errors;
    CSkinErrorCollector collector;
    try {
        call();
    } catch (const ui::CSkinWindowException& error) {
        errors.m_strThrown = error.what();
    }
    errors.m_vBox = collector.Messages();
    return errors;
}

// A definition as "Block{Key=[value][value] Key=[value]} Block{...}", in map order.
std::string DumpSkinDefinition(const ui::SkinDefinition& definition);

// The skin texts (names ending in ".txt") among the module's "SKIN" resources, in the
// upper case the resource table keeps them in, sorted.
std::vector<std::string> ListSkinTexts(HMODULE module);

struct LintFinding {
    std::string m_strText;      // the skin text being loaded
    std::string m_strMessage;   // what the user would read in the "Skin Load" box
};

// Loads every skin text of the module (null: this program) as a window does, collecting
// every box a user would see; then checks that each image a loaded text names (a value
// ending in ".png", a "/lang" suffix cut) is among the module's resources, reporting a
// missing one as the image cache would ("<name>が読み込めません.").
std::vector<LintFinding> LintSkinTexts(HMODULE module);

// One finding a line, "<text>: <message>", for a failure message.
std::string FormatFindings(const std::vector<LintFinding>& findings);

} // namespace skintest
