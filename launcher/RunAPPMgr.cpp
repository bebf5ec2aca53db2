#include "launcher/RunAPPMgr.h"

#include "lib/TolveLog.h"
#include "online/ConnectionFile.h"
#include "online/WebBrowseHelper.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <string>

namespace {

// Row 4's name keeps its trailing blank: the path goes to the file test and the shell as it
// is, and both drop the blank as Windows does.
const AppInfo kApplications[] = {
    {APP_NONE, "", HKEY_LOCAL_MACHINE, L"", L""},
    {APP_SONAVELLE, "Sonavelle5.exe", HKEY_LOCAL_MACHINE, L"Software\\Corvalis\\Sonavelle 5\\Settings",
     L"SetupPath"},
    {APP_MENDRILL, "Mendrill.exe", HKEY_LOCAL_MACHINE, L"", L""},
    {APP_PELLICK, "PellickManager.exe", HKEY_LOCAL_MACHINE, L"", L""},
    {APP_DAPPLEGATE, "Dapplegate.exe ", HKEY_LOCAL_MACHINE, L"", L""},
    {APP_UPDATER, "Kestrum4Update.exe", HKEY_LOCAL_MACHINE, L"", L""},
    {APP_AGENT, "Kestrum4Agent.exe", HKEY_LOCAL_MACHINE, L"", L""},
};

// The music tool's folder is offered 256 characters, in a buffer of MAX_PATH for the append.
const DWORD kSetupPathChars = 256;

const AppInfo* FindApplication(uint32_t id)
{
    for (const AppInfo& row : kApplications) {
        if (row.m_uId == id) return &row;
    }
    return nullptr;
}

std::wstring WidenAnsi(const char* text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

// The running program's folder with its trailing backslash; empty on failure.
std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    PathRemoveFileSpecW(path);
    std::wstring folder(path);
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

// A file, not a folder: the shell would open a folder's window.
bool IsProgramFile(const std::wstring& path)
{
    return PathFileExistsW(path.c_str()) && !PathIsDirectoryW(path.c_str());
}

class CRegistryKey {
public:
    CRegistryKey() = default;
    ~CRegistryKey()
    {
        if (m_hKey != nullptr) RegCloseKey(m_hKey);
    }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    bool Open(HKEY root, const wchar_t* subKey, REGSAM access)
    {
        return RegOpenKeyExW(root, subKey, 0, access, &m_hKey) == ERROR_SUCCESS;
    }
    HKEY Get() const { return m_hKey; }

private:
    HKEY m_hKey = nullptr;
};

// The value as a terminated text of 1 to 255 characters into a buffer of MAX_PATH; false for
// another type, a longer value or one that does not end within the characters offered.
bool ReadSetupPath(HKEY key, const wchar_t* valueName, wchar_t (&folder)[MAX_PATH])
{
    DWORD type = 0;
    DWORD bytes = kSetupPathChars * sizeof(wchar_t);
    if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(folder),
                         &bytes) != ERROR_SUCCESS) {
        return false;
    }
    if (type != REG_SZ) return false;
    // A value stored without its terminator ends where its bytes end.
    const DWORD chars = bytes / sizeof(wchar_t);
    folder[chars < kSetupPathChars ? chars : kSetupPathChars] = L'\0';
    const size_t length = wcslen(folder);
    // An empty folder would name the program in whatever folder is current.
    return length > 0 && length < kSetupPathChars;
}

} // namespace

bool RunAPPMgr::StartApplication(uint32_t id, const wchar_t* folder, int showCommand)
{
    if (id == APP_SONAVELLE) return StartSonavelle();

    const AppInfo* row = FindApplication(id);
    if (row == nullptr) {
        TOLVE_LOG(LOG_ERROR, "StartApplication  Error ERR:0x%08X", 0u);
        return false;
    }
    const std::wstring path = ProgramFolder() + WidenAnsi(row->m_pszProgram);
    if (!IsProgramFile(path)) return false;

    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", path.c_str(), L"Launcher", folder, showCommand);
    if (IsExecuteSuccess(result)) return true;
    TOLVE_LOG(LOG_ERROR, "StartApplication  Error ERR:0x%08X",
              static_cast<uint32_t>(reinterpret_cast<INT_PTR>(result)));
    return false;
}

bool RunAPPMgr::StartSonavelle()
{
    const AppInfo* row = FindApplication(APP_SONAVELLE);
    CRegistryKey key;
    if (!key.Open(row->m_hRoot, row->m_pszSubKey, KEY_QUERY_VALUE)) return false;

    wchar_t path[MAX_PATH] = {};
    if (!ReadSetupPath(key.Get(), row->m_pszValueName, path)) return false;
    if (!PathAppendW(path, WidenAnsi(row->m_pszProgram).c_str())) return false;
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return false;

    const HINSTANCE result = ShellExecuteW(nullptr, L"open", path, nullptr, nullptr, SW_SHOWNORMAL);
    if (IsExecuteSuccess(result)) return true;
    TOLVE_LOG(LOG_ERROR, "StartSonavelle  Error ERR:0x%08X",
              static_cast<uint32_t>(reinterpret_cast<INT_PTR>(result)));
    return false;
}

bool RunAPPMgr::OpenURL(uint32_t requestId)
{
    const std::string url = CConnectionFile::GetInstance().GetURL(requestId);
    if (url.empty()) return false;
    return OpenWebBrowser(url.c_str());
}

bool RunAPPMgr::IsExecuteSuccess(HINSTANCE result)
{
    return reinterpret_cast<INT_PTR>(result) > 32;
}
