// Opening web pages: a recorder registered for a URL scheme of the test's own stands in for
// the browser; the fallback browser is never really started (its start goes to a stand-in
// for the shell call in this program's imports).
#include "lib/Handle.h"
#include "lib/StringUtility.h"
#include "online/WebBrowseHelper.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <shlwapi.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

const bool g_privateAppData = testsupport::UsePrivateAppData("online_browser_test");

const char kScheme[] = "kestrumtestopen";
const char kSchemeKey[] = "Software\\Classes\\kestrumtestopen";
const char kRecorderDone[] = "KestrumBrowserRecorderDone";

bool SetKeyValue(const std::string& key, const char* name, const std::string& value)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG result = RegSetValueExA(handle, name, 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

// The recorder, copied into a folder of its own and registered as the scheme's "open"
// command (the classes root is the machine's: Wine merges no per-user classes into it).
class CRecorderScheme {
public:
    CRecorderScheme() : m_cProgram("..\\online_browser_recorder.exe", "recorder")
    {
        m_bRegistered = m_cProgram.Copied() &&
                        SetKeyValue(kSchemeKey, nullptr, std::string("URL:") + kScheme) &&
                        SetKeyValue(kSchemeKey, "URL Protocol", "") &&
                        SetKeyValue(std::string(kSchemeKey) + "\\shell\\open\\command", nullptr,
                                    "\"" + m_cProgram.Program() + "\" \"%1\"");
    }
    ~CRecorderScheme() { SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSchemeKey); }
    CRecorderScheme(const CRecorderScheme&) = delete;
    CRecorderScheme& operator=(const CRecorderScheme&) = delete;

    bool Registered() const { return m_bRegistered; }
    std::string Opened() const
    {
        return testsupport::ReadFileBytes(m_cProgram.Folder() + "opened.txt");
    }

private:
    testsupport::CCopiedProgram m_cProgram;
    bool m_bRegistered;
};

TEST(OpenWebBrowser, OpensTheURLWithTheProgramOfItsScheme)
{
    CRecorderScheme scheme;
    ASSERT_TRUE(scheme.Registered());
    lib::CHandle done(CreateEventA(nullptr, TRUE, FALSE, kRecorderDone));
    testsupport::CLogCapture log;
    const std::string url = std::string(kScheme) + "://page/x?a=1&b=%20c";
    EXPECT_TRUE(OpenWebBrowser(url.c_str()));
    ASSERT_EQ(WaitForSingleObject(done.Get(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(scheme.Opened(), url + "\n");
    EXPECT_EQ(log.Text(), "");
}

TEST(OpenWebBrowser, AnEmptyURLOpensNothingAndLogsNothing)
{
    testsupport::CLogCapture log;
    EXPECT_FALSE(OpenWebBrowser(nullptr));
    EXPECT_FALSE(OpenWebBrowser(""));
    EXPECT_EQ(log.Text(), "");
}

// The shell call of this program: every call goes to the real shell except the start of the
// fallback browser, which is recorded and answered with a scripted result.
struct ShellCall {
    std::string operation;
    std::string file;
    std::string parameters;
    std::string directory;
    INT show;
    bool lineLoggedBefore; // the failure of the default browser was logged already
};
testsupport::CImportPatch* g_pShellPatch = nullptr;
const testsupport::CLogCapture* g_pLog = nullptr;
std::vector<ShellCall> g_vecFallbackCalls;
std::vector<UINT_PTR> g_vecShellResults;
UINT_PTR g_uFallbackResult = 0;

std::string Text(LPCSTR text) { return text != nullptr ? text : "<null>"; }

HINSTANCE WINAPI StandInShellExecuteA(HWND window, LPCSTR operation, LPCSTR file,
                                      LPCSTR parameters, LPCSTR directory, INT show)
{
    if (file != nullptr && lstrcmpiA(file, "iexplore.exe") == 0) {
        g_vecFallbackCalls.push_back({Text(operation), file, Text(parameters), Text(directory),
                                      show, g_pLog->Has("既定のブラウザ起動失敗")});
        return reinterpret_cast<HINSTANCE>(g_uFallbackResult);
    }
    using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    const HINSTANCE result = reinterpret_cast<ShellExecuteFunction>(g_pShellPatch->Original())(
        window, operation, file, parameters, directory, show);
    g_vecShellResults.push_back(reinterpret_cast<UINT_PTR>(result));
    return result;
}

TEST(OpenWebBrowser, AFailedOpenIsLoggedAndFallsBackToTheFallbackBrowser)
{
    const std::string unknownScheme = "kestrumnoscheme://page?a=1";
    const std::string missingFile = "C:\\kestrum_no_such_folder\\page.html";
    const struct {
        std::string url;
        UINT_PTR fallbackResult;
        bool opened;
    } cases[] = {
        {unknownScheme, 42, true},
        {missingFile, 33, true},
        {unknownScheme, SE_ERR_NOASSOC, false},
        {missingFile, 2, false},
    };
    testsupport::CImportPatch patch("shell32.dll", "ShellExecuteA",
                                    reinterpret_cast<void*>(&StandInShellExecuteA));
    ASSERT_TRUE(patch.Patched());
    g_pShellPatch = &patch;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url + " " + std::to_string(c.fallbackResult));
        testsupport::CLogCapture log;
        g_pLog = &log;
        g_vecFallbackCalls.clear();
        g_vecShellResults.clear();
        g_uFallbackResult = c.fallbackResult;
        EXPECT_EQ(OpenWebBrowser(c.url.c_str()), c.opened);

        ASSERT_EQ(g_vecShellResults.size(), 1u) << "the default browser was asked once";
        EXPECT_LE(g_vecShellResults[0], 32u);
        EXPECT_TRUE(log.HasLine("!!", "WebBrowseHelper.cpp",
                                lib::FormatString("\t既定のブラウザ起動失敗 ShellExecute:0x%08X ERR:0x",
                                                  static_cast<unsigned>(g_vecShellResults[0]))))
            << log.Text();
        ASSERT_EQ(g_vecFallbackCalls.size(), 1u);
        const ShellCall& call = g_vecFallbackCalls[0];
        EXPECT_EQ(call.operation, "open");
        EXPECT_EQ(call.parameters, c.url);
        EXPECT_EQ(call.directory, "");
        EXPECT_EQ(call.show, SW_SHOWNORMAL);
        EXPECT_TRUE(call.lineLoggedBefore);
        EXPECT_EQ(log.Has("代替ブラウザ起動失敗"), !c.opened) << log.Text();
    }
    g_pLog = nullptr;
    g_pShellPatch = nullptr;
}

} // namespace
