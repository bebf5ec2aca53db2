#include "tests/launcher/support/LauncherRun.h"

#include "tests/launcher/support/ProductFolder.h"
#include "tests/launcher/support/RecordFile.h"
#include "tests/support/TestSupport.h"

#include <cstring>

namespace launchertest {

namespace {

const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\Launcher.exe";
const char kHiddenClass[] = "KESTRUMLAUNCHER";

struct TitleSearch {
    DWORD dwProcess;
    const char* pszTitle;
    bool bMainWindow;
    HWND hFound;
};

BOOL CALLBACK TestWindow(HWND window, LPARAM parameter)
{
    TitleSearch& search = *reinterpret_cast<TitleSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search.dwProcess || !IsWindowVisible(window)) return TRUE;
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    if (std::strcmp(title, search.pszTitle) != 0) return TRUE;
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    // The main window is neither the hidden window nor owned: its boxes and tool windows,
    // which may carry its title, are.
    const HWND owner = GetWindow(window, GW_OWNER);
    if (search.bMainWindow && (std::strcmp(name, kHiddenClass) == 0 || owner != nullptr)) {
        return TRUE;
    }
    // A box takes its owner's title: it is not the window of that title.
    char ownerTitle[256] = {};
    if (owner != nullptr && GetWindowTextA(owner, ownerTitle, sizeof ownerTitle) > 0 &&
        std::strcmp(ownerTitle, search.pszTitle) == 0) {
        return TRUE;
    }
    search.hFound = window;
    return FALSE;
}

bool SameName(const std::string& entry, const std::string& name)
{
    return entry.size() > name.size() && entry[name.size()] == '=' &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, entry.c_str(),
                          static_cast<int>(name.size()), name.c_str(),
                          static_cast<int>(name.size())) == CSTR_EQUAL;
}

} // namespace

const char CLauncherRun::kTitle[] = "Kestrum4 Launcher";

CLauncherRun::CLauncherRun(const CProductFolder& product)
    : m_strProgram(product.File("Launcher.exe")), m_strFolder(product.Path()),
      m_bVersionSet(false), m_uLogStart(0), m_hProcess(nullptr), m_dwProcessId(0)
{
    EndProductPrograms();
    RemoveUserFiles();
    m_uLogStart = FileLength(LauncherLogPath());
}

CLauncherRun::~CLauncherRun()
{
    if (m_hProcess != nullptr) Close();
    _End();
    if (m_bVersionSet) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "Version");
            RegCloseKey(key);
        }
    }
}

void CLauncherRun::_End()
{
    EndProductPrograms();
    RemoveUserFiles();
    if (m_hProcess != nullptr) {
        CloseHandle(m_hProcess);
        m_hProcess = nullptr;
    }
}

void CLauncherRun::SetEnvironment(const std::string& name, const std::string& value)
{
    for (auto& entry : m_vecEnvironment) {
        if (lstrcmpiA(entry.first.c_str(), name.c_str()) == 0) {
            entry.second = value;
            return;
        }
    }
    m_vecEnvironment.emplace_back(name, value);
}

void CLauncherRun::SetWindowsVersion(const std::string& version)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                   static_cast<DWORD>(version.size() + 1));
    RegCloseKey(key);
    m_bVersionSet = true;
}

std::string CLauncherRun::_EnvironmentBlock() const
{
    std::string block;
    char* strings = GetEnvironmentStringsA();
    for (const char* entry = strings; entry != nullptr && *entry != '\0';
         entry += std::strlen(entry) + 1) {
        bool replaced = false;
        for (const auto& own : m_vecEnvironment) replaced = replaced || SameName(entry, own.first);
        if (!replaced) block.append(entry).push_back('\0');
    }
    if (strings != nullptr) FreeEnvironmentStringsA(strings);
    for (const auto& own : m_vecEnvironment) {
        block.append(own.first + "=" + own.second).push_back('\0');
    }
    block.push_back('\0');
    return block;
}

bool CLauncherRun::Start(const std::vector<std::string>& arguments)
{
    if (m_hProcess != nullptr) return false;
    std::string commandLine = "\"" + m_strProgram + "\"";
    for (const std::string& argument : arguments) commandLine += " \"" + argument + "\"";
    std::string environment = _EnvironmentBlock();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(m_strProgram.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                        &environment[0], m_strFolder.c_str(), &startup, &started)) {
        return false;
    }
    CloseHandle(started.hThread);
    m_hProcess = started.hProcess;
    m_dwProcessId = started.dwProcessId;
    m_pBoxes.reset(new CBoxWatch(LauncherLogPath(), m_dwProcessId, m_uLogStart));
    return true;
}

HWND FindWindowTitled(DWORD processId, const std::string& title)
{
    if (processId == 0) return nullptr;
    TitleSearch search = {processId, title.c_str(), false, nullptr};
    EnumWindows(&TestWindow, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

HWND CLauncherRun::FindWindowTitled(const std::string& title) const
{
    return launchertest::FindWindowTitled(m_dwProcessId, title);
}

HWND CLauncherRun::MainWindow() const
{
    if (m_dwProcessId == 0) return nullptr;
    TitleSearch search = {m_dwProcessId, kTitle, true, nullptr};
    EnumWindows(&TestWindow, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

CLauncherRun::Outcome CLauncherRun::WaitForMainWindow(DWORD timeoutMs)
{
    if (m_hProcess == nullptr) return EXITED;
    const DWORD begin = GetTickCount();
    for (;;) {
        if (MainWindow() != nullptr) return MAIN_WINDOW;
        if (HasExited()) return EXITED;
        if (GetTickCount() - begin >= timeoutMs) return TIMED_OUT;
        WaitForSingleObject(m_hProcess, 20);
    }
}

bool CLauncherRun::WaitForExit(DWORD timeoutMs)
{
    return m_hProcess != nullptr && WaitForSingleObject(m_hProcess, timeoutMs) == WAIT_OBJECT_0;
}

bool CLauncherRun::HasExited() const
{
    return m_hProcess != nullptr && WaitForSingleObject(m_hProcess, 0) == WAIT_OBJECT_0;
}

DWORD CLauncherRun::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (m_hProcess != nullptr) GetExitCodeProcess(m_hProcess, &code);
    return code;
}

DWORD CLauncherRun::Close(DWORD boundMs)
{
    if (m_hProcess == nullptr) return kTerminated;
    if (!HasExited()) {
        if (HWND window = MainWindow()) PostMessageA(window, WM_CLOSE, 0, 0);
        if (!WaitForExit(boundMs)) {
            TerminateProcess(m_hProcess, kTerminated);
            WaitForSingleObject(m_hProcess, 10000);
        }
    }
    return ExitCode();
}

std::string CLauncherRun::Log() const
{
    return testsupport::ReadFileBytes(LauncherLogPath(), m_uLogStart);
}

ShownBox CLauncherRun::WaitForBox(const std::string& text, DWORD timeoutMs)
{
    if (!m_pBoxes) return ShownBox();
    return m_pBoxes->WaitForBox(text, timeoutMs);
}

} // namespace launchertest
