#include "lib/SystemVersion.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using lib::OSVersionFacts;

struct ClassifyCase {
    DWORD major;
    DWORD minor;
    DWORD platform;
    const char* servicePack;
    bool serverR2;
    bool serverProduct;
    int kind;
};

const DWORD kNT = VER_PLATFORM_WIN32_NT;
const DWORD k9x = VER_PLATFORM_WIN32_WINDOWS;
const DWORD kWin32s = VER_PLATFORM_WIN32s;

// Every row of the classification, and the combinations that fall outside it.
const ClassifyCase kClassifyCases[] = {
    {3, 51, kNT, "", false, false, 1},
    {3, 51, k9x, "", false, false, 0},
    {3, 10, kNT, "", false, false, 0},
    {4, 0, k9x, " C", false, false, 3},    // equal is not greater
    {4, 0, k9x, " c", false, false, 3},    // case ignored
    {4, 0, k9x, " D", false, false, 2},
    {4, 0, k9x, " C ", false, false, 2},   // the whole text counts
    {4, 0, k9x, " B", false, false, 3},
    {4, 0, k9x, "", false, false, 3},
    {4, 0, kNT, "Service Pack 6", false, false, 4},
    {4, 10, k9x, " A", false, false, 6},
    {4, 10, k9x, " a ", false, false, 5},
    {4, 10, k9x, " B", false, false, 5},
    {4, 10, k9x, "", false, false, 6},
    {4, 90, k9x, " ", false, false, 7},
    {4, 10, kNT, "", false, false, 0},
    {4, 90, kNT, "", false, false, 0},
    {4, 3, k9x, "", false, false, 0},
    {4, 0, kWin32s, "", false, false, 0},
    {5, 0, kNT, "Service Pack 4", false, false, 8},
    {5, 1, kNT, "Service Pack 3", false, false, 9},
    {5, 2, kNT, "", false, false, 10},
    {5, 2, kNT, "", true, false, 11},
    {5, 3, kNT, "", false, false, 0},
    {5, 1, k9x, "", false, false, 0},
    {6, 0, kNT, "", false, false, 12},
    {6, 0, kNT, "", false, true, 13},
    {6, 1, kNT, "", false, true, 14},
    {6, 2, kNT, "", false, false, 15},
    {6, 3, kNT, "", false, false, 15},
    {6, 0, k9x, "", false, false, 0},
    {10, 0, kNT, "", false, false, 15},
    {7, 5, kNT, "", false, false, 15},
    {10, 0, k9x, "", false, false, 0},
    {2, 0, kNT, "", false, false, 0},
};

TEST(SystemVersion, ClassifiesEveryVersionOfTheTable)
{
    for (const ClassifyCase& c : kClassifyCases) {
        OSVersionFacts facts = {c.major, c.minor, c.platform, c.servicePack, c.serverR2,
                                c.serverProduct};
        EXPECT_EQ(c.kind, lib::ClassifyOSVersion(facts))
            << c.major << "." << c.minor << " platform " << c.platform << " ["
            << c.servicePack << "] r2 " << c.serverR2 << " server " << c.serverProduct;
    }
    OSVersionFacts noText = {4, 0, k9x, nullptr, false, false};
    EXPECT_EQ(3, lib::ClassifyOSVersion(noText));
}

std::string ChildPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text = path;
    return text.substr(0, text.find_last_of('\\') + 1) + "lib_sysversion_child.exe";
}

const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\lib_sysversion_child.exe";

// Wine reads the version of a program from its AppDefaults key when the process starts.
bool SetChildVersion(const char* version)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExA(key, "Version", 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(version),
                                       static_cast<DWORD>(strlen(version) + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// Runs the child and gives its one line of output (empty on failure).
std::string RunChild()
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return "";
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + ChildPath() + "\"";
    const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char buffer[256];
        DWORD read = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0)
            output.append(buffer, read);
        WaitForSingleObject(process.hProcess, 30000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(readEnd);
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    return output;
}

struct WineVersionCase {
    const char* wineVersion;
    // kind server xp vistaOrLater major.minor globalName; '?' = not compared
    const char* expected;
};

// Wine 8.0 reports the server product type for "win7" and the workstation type for
// "win2008r2" (its table has the two the wrong way round), so the server column of 6.1 is not
// compared. Without a manifest Windows 8 and later report 6.2, as real Windows does.
const WineVersionCase kWineVersions[] = {
    {"win2k", "8 0 0 0 5.0 Global\\Kestrum"},       {"winxp", "9 0 1 0 5.1 Global\\Kestrum"},
    {"winxp64", "10 0 0 0 5.2 Global\\Kestrum"},    {"win2003", "10 1 0 0 5.2 Global\\Kestrum"},
    {"vista", "12 0 0 1 6.0 Global\\Kestrum"},      {"win2008", "13 1 0 1 6.0 Global\\Kestrum"},
    {"win7", "14 ? 0 1 6.1 Global\\Kestrum"},       {"win2008r2", "14 ? 0 1 6.1 Global\\Kestrum"},
    {"win8", "15 0 0 1 6.2 Global\\Kestrum"},       {"win10", "15 0 0 1 6.2 Global\\Kestrum"},
    // Before Windows 2000 there are no session namespaces: global names stay as given.
    {"nt40", "4 0 0 0 4.0 Kestrum"},                 {"win95", "3 0 0 0 4.0 Kestrum"},
};

bool Matches(const std::string& expected, const std::string& actual)
{
    if (expected.size() != actual.size()) return false;
    for (size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] != '?' && expected[i] != actual[i]) return false;
    }
    return true;
}

TEST(SystemVersion, ClassifiesTheVersionsWineReports)
{
    for (const WineVersionCase& c : kWineVersions) {
        ASSERT_TRUE(SetChildVersion(c.wineVersion));
        const std::string line = RunChild();
        EXPECT_TRUE(Matches(c.expected, line))
            << c.wineVersion << ": expected " << c.expected << ", got " << line;
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaults);
}

// Wine's user is a member of Administrators.
TEST(SystemVersion, AdministratorByProcessToken)
{
    EXPECT_TRUE(lib::IsAdministrator());
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &token));
    EXPECT_TRUE(lib::IsAdminToken(token));
    CloseHandle(token);
}

// An impersonated token without the Administrators group wins over the process token.
TEST(SystemVersion, ThreadTokenDecides)
{
    HANDLE process = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(),
                                 TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY, &process));
    SID_IDENTIFIER_AUTHORITY ntAuthority = {SECURITY_NT_AUTHORITY};
    PSID admins = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                         DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins));
    SID_AND_ATTRIBUTES disable = {admins, 0};
    HANDLE restricted = nullptr;
    ASSERT_TRUE(CreateRestrictedToken(process, 0, 1, &disable, 0, nullptr, 0, nullptr,
                                      &restricted))
        << GetLastError();
    HANDLE impersonation = nullptr;
    ASSERT_TRUE(DuplicateToken(restricted, SecurityImpersonation, &impersonation));

    EXPECT_FALSE(lib::IsAdminToken(restricted));
    ASSERT_TRUE(SetThreadToken(nullptr, impersonation)) << GetLastError();
    EXPECT_FALSE(lib::IsAdministrator());
    RevertToSelf();
    EXPECT_TRUE(lib::IsAdministrator());

    CloseHandle(impersonation);
    CloseHandle(restricted);
    CloseHandle(process);
    FreeSid(admins);
}

} // namespace
