// The program starter against the stand-ins of the product folder. This program lies in that
// folder, as Launcher.exe does, so the starter finds the programs beside it.

#include "launcher/RunAPPMgr.h"
#include "online/ConnectionFile.h"
#include "tests/launcher/support/BrowserRecord.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/launcher/support/StartRecord.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using launchertest::CProductFolder;
using launchertest::CProgramSwap;
using launchertest::CStartRecord;
using launchertest::StartedProgram;

const DWORD kStartWaitMs = 60000;
// The shell's answer to a file that is no program: ERROR_BAD_FORMAT.
const char kStartFailure[] = "StartApplication  Error ERR:0x0000000B";
const char kMusicFailure[] = "StartSonavelle  Error ERR:0x0000000B";
const char kErrorMark[] = "\t!!\t";

bool SameFolder(const std::string& a, const std::string& b)
{
    std::string x = a, y = b;
    while (!x.empty() && x.back() == '\\') x.pop_back();
    while (!y.empty() && y.back() == '\\') y.pop_back();
    return lstrcmpiA(x.c_str(), y.c_str()) == 0;
}

// A short text file, to put in a program's place.
bool WriteText(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, "text\r\n", 6, &written, nullptr) && written == 6;
    CloseHandle(file);
    return ok;
}

std::string CurrentFolder()
{
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

class StarterTest : public ::testing::Test {
protected:
    void TearDown() override { launchertest::EndProductPrograms(); }

    CProductFolder m_product;
};

// Rows 2 to 6: each program beside the starter, "open" with "Launcher", in the folder and
// with the show command asked for (no folder: the starter's own). Row 4's name ends in a
// blank, which the file test and the shell drop; row 5 is the updater, a recorder for the case.
TEST_F(StarterTest, StartsEachProgramOfTheTableWithLauncher)
{
    struct Case {
        uint32_t id;
        const char* program;
        const wchar_t* folder;
        const char* folderText; // null: the starter's current folder
        int show;
    };
    const Case cases[] = {
        {APP_MENDRILL, "Mendrill.exe", L"C:\\windows", "C:\\windows", SW_SHOWNORMAL},
        {APP_PELLICK, "PellickManager.exe", nullptr, nullptr, SW_SHOWMINNOACTIVE},
        {APP_DAPPLEGATE, "Dapplegate.exe", L"C:\\windows\\system32", "C:\\windows\\system32",
         SW_SHOW},
        {APP_UPDATER, "Kestrum4Update.exe", nullptr, nullptr, SW_SHOWNORMAL},
        {APP_AGENT, "Kestrum4Agent.exe", nullptr, nullptr, SW_SHOW},
    };
    CProgramSwap updater = m_product.UseRecorder("Kestrum4Update.exe");
    ASSERT_TRUE(updater.Swapped());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        CStartRecord record(m_product.Path());
        testsupport::CLogCapture log;
        RunAPPMgr starter;
        ASSERT_TRUE(starter.StartApplication(c.id, c.folder, c.show));
        const std::vector<StartedProgram> starts = record.WaitForStart(c.program, kStartWaitMs);
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(starts[0].sArguments, "Launcher");
        EXPECT_TRUE(SameFolder(starts[0].sPath, m_product.File(c.program)))
            << starts[0].sPath;
        const std::string folder = c.folderText != nullptr ? c.folderText : CurrentFolder();
        EXPECT_TRUE(SameFolder(starts[0].sFolder, folder)) << starts[0].sFolder;
        EXPECT_EQ(starts[0].iShow, c.show);
        EXPECT_FALSE(log.Has(kErrorMark)) << log.Text();
        launchertest::EndProductPrograms();
    }
}

// Nothing to start: no row, the empty name of row 0 (the starter's folder itself, which the
// shell would open as a folder window), a program missing beside the starter, and a file
// that is no program. Only an unknown row and a shell failure are logged.
TEST_F(StarterTest, RefusesWhatCannotStart)
{
    CProgramSwap missing = m_product.Remove("Mendrill.exe");
    ASSERT_TRUE(missing.Swapped());
    const std::string notAProgram = testsupport::ProgramFolder() + "NotAProgram.txt";
    ASSERT_TRUE(WriteText(notAProgram));
    CProgramSwap damaged("PellickManager.exe", notAProgram);
    ASSERT_TRUE(damaged.Swapped());

    struct Case {
        uint32_t id;
        const char* logged; // null: no line of the starter
    };
    const Case cases[] = {
        {APP_NONE, nullptr},
        {7, "StartApplication  Error ERR:0x00000000"},
        {0xFFFFFFFF, "StartApplication  Error ERR:0x00000000"},
        {APP_MENDRILL, nullptr},
        {APP_PELLICK, kStartFailure},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        CStartRecord record(m_product.Path());
        testsupport::CLogCapture log;
        RunAPPMgr starter;
        EXPECT_FALSE(starter.StartApplication(c.id, nullptr, SW_SHOW));
        // The writer's own notice of its default output may come first.
        EXPECT_EQ(log.Count(kErrorMark), c.logged != nullptr ? 1u : 0u) << log.Text();
        if (c.logged != nullptr) {
            EXPECT_TRUE(log.HasLine("!!", "RunAPPMgr.cpp", c.logged)) << log.Text();
        }
        // A program the shell started would have noted its start by the time it ended.
        EXPECT_TRUE(launchertest::WaitForProcessesIn(m_product.Path(), {}, kStartWaitMs));
        EXPECT_TRUE(record.Starts().empty());
    }
    EXPECT_FALSE(RunAPPMgr::IsExecuteSuccess(reinterpret_cast<HINSTANCE>(32)));
    EXPECT_TRUE(RunAPPMgr::IsExecuteSuccess(reinterpret_cast<HINSTANCE>(33)));
    DeleteFileA(notAProgram.c_str());
}

// A request's page opens in the browser (the session's recorder) at the table's URL; an id
// without a URL opens nothing.
TEST_F(StarterTest, OpensTheWebPageOfARequest)
{
    ASSERT_TRUE(launchertest::CBrowserRecord::IsInstalled());
    size_t count = 0;
    const ConnectionRow* rows = GetBuiltinConnectionRows(count);
    uint32_t id = 0;
    std::string url;
    for (size_t i = 0; i < count && url.empty(); ++i) {
        if (rows[i].m_uId == 0xFFFFFFFF) continue;
        id = rows[i].m_uId;
        url = CConnectionFile::GetInstance().GetURL(id);
    }
    ASSERT_FALSE(url.empty());
    RunAPPMgr starter;
    {
        launchertest::CBrowserRecord record;
        EXPECT_TRUE(starter.OpenURL(id));
        EXPECT_EQ(record.WaitForOpened(kStartWaitMs), std::vector<std::string>{url});
    }
    launchertest::CBrowserRecord record;
    EXPECT_FALSE(starter.OpenURL(0xFFFFFFF0));
    // A browser the shell started would have recorded its page by the time it ended.
    EXPECT_TRUE(launchertest::WaitForProcessesIn(launchertest::CBrowserRecord::kFolder, {},
                                                 kStartWaitMs));
    EXPECT_TRUE(record.Opened().empty());
}

// The music tool: its folder from "SetupPath", offered 256 characters, REG_SZ only, and
// started there without parameters with SW_SHOWNORMAL whatever the caller asked.
class MusicToolTest : public StarterTest {
protected:
    void TearDown() override
    {
        StarterTest::TearDown();
        m_product.RegisterMusicTool();
    }

    static bool SetValue(DWORD type, const std::wstring& text, bool terminated)
    {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, CProductFolder::kMusicToolKey, 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
            return false;
        }
        const DWORD bytes = static_cast<DWORD>((text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
        const LONG result = RegSetValueExW(key, L"SetupPath", 0, type,
                                           reinterpret_cast<const BYTE*>(text.c_str()), bytes);
        RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }
    static void RemoveKey() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, CProductFolder::kMusicToolKey); }

    std::wstring MusicFolder() const
    {
        const std::string folder = m_product.File("Sonavelle");
        return std::wstring(folder.begin(), folder.end());
    }
};

TEST_F(MusicToolTest, StartsFromTheRegisteredFolder)
{
    struct Case {
        const char* name;
        DWORD type;
        bool terminated;
        bool trailingBackslash;
    };
    const Case cases[] = {
        {"the value", REG_SZ, true, false},
        {"with a backslash", REG_SZ, true, true},
        {"stored without terminator", REG_SZ, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring folder = MusicFolder() + (c.trailingBackslash ? L"\\" : L"");
        ASSERT_TRUE(SetValue(c.type, folder, c.terminated));
        CStartRecord record(m_product.File("Sonavelle\\"));
        RunAPPMgr starter;
        ASSERT_TRUE(starter.StartApplication(APP_SONAVELLE, L"C:\\windows", SW_HIDE));
        const std::vector<StartedProgram> starts = record.WaitForStart("Sonavelle5.exe", kStartWaitMs);
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(starts[0].sArguments, "");
        EXPECT_EQ(starts[0].iShow, SW_SHOWNORMAL);
        EXPECT_TRUE(SameFolder(starts[0].sPath, m_product.File("Sonavelle\\Sonavelle5.exe")))
            << starts[0].sPath;
        launchertest::EndProductPrograms();
    }
}

TEST_F(MusicToolTest, RefusesAValueItCannotUse)
{
    const std::wstring productFolder = MusicFolder().substr(0, MusicFolder().size() - 9);
    struct Case {
        const char* name;
        bool key;
        DWORD type;
        std::wstring value;
        bool terminated;
    };
    std::wstring longFolder = L"C:\\";
    while (longFolder.size() < 250) longFolder += L"abcdefghi\\";
    longFolder.resize(250);
    const Case cases[] = {
        {"no key", false, REG_SZ, L"", true},
        {"256 characters", true, REG_SZ, L"C:\\" + std::wstring(253, L'a'), true},
        {"256 characters without terminator", true, REG_SZ, L"C:\\" + std::wstring(253, L'a'), false},
        {"a 250-character folder: the program's path would not fit", true, REG_SZ, longFolder, true},
        {"REG_EXPAND_SZ", true, REG_EXPAND_SZ, MusicFolder(), true},
        {"REG_BINARY", true, REG_BINARY, MusicFolder(), true},
        {"a folder without the program", true, REG_SZ, productFolder, true},
        {"an empty value", true, REG_SZ, L"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveKey();
        if (c.key) {
            ASSERT_TRUE(SetValue(c.type, c.value, c.terminated));
        }
        CStartRecord record(m_product.File("Sonavelle\\"));
        testsupport::CLogCapture log;
        RunAPPMgr starter;
        EXPECT_FALSE(starter.StartApplication(APP_SONAVELLE, nullptr, SW_SHOW));
        EXPECT_FALSE(log.Has(kErrorMark)) << log.Text();
        EXPECT_TRUE(launchertest::WaitForProcessesIn(m_product.Path(), {}, kStartWaitMs));
        EXPECT_TRUE(record.Starts().empty());
    }

    // A file in the program's place that is no program: the shell's failure is logged.
    ASSERT_TRUE(SetValue(REG_SZ, MusicFolder(), true));
    const std::string notAProgram = testsupport::ProgramFolder() + "NotAMusicTool.txt";
    ASSERT_TRUE(WriteText(notAProgram));
    CProgramSwap damaged("Sonavelle\\Sonavelle5.exe", notAProgram);
    ASSERT_TRUE(damaged.Swapped());
    testsupport::CLogCapture log;
    RunAPPMgr starter;
    EXPECT_FALSE(starter.StartApplication(APP_SONAVELLE, nullptr, SW_SHOW));
    EXPECT_TRUE(log.HasLine("!!", "RunAPPMgr.cpp", kMusicFailure)) << log.Text();
    DeleteFileA(notAProgram.c_str());
}

} // namespace
