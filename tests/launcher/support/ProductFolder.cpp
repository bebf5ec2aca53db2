#include "tests/launcher/support/ProductFolder.h"

#include "lib/Handle.h"
#include "lib/Path.h"
#include "tests/online/support/ConnectionInfoForTests.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/TestSupport.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>
#include <windows.h>

#include <algorithm>
#include <fstream>

namespace launchertest {

namespace {

// The stand-ins the build copies into the product folder: where each stands there, and the
// name of its pristine copy in the stand-in folder.
struct StandInFile {
    const char* m_pszProduct;
    const char* m_pszStandIn;
};
const StandInFile kStandIns[] = {
    {"Kestrum4Agent.exe", "Kestrum4Agent.exe"},
    {"Dapplegate.exe", "Dapplegate.exe"},
    {"Mendrill.exe", "Mendrill.exe"},
    {"PellickManager.exe", "PellickManager.exe"},
    {"Sonavelle\\Sonavelle5.exe", "Sonavelle5.exe"},
};

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool StartsWithNoCase(const std::string& text, const std::string& start)
{
    return text.size() >= start.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(),
                          static_cast<int>(start.size()), start.c_str(),
                          static_cast<int>(start.size())) == CSTR_EQUAL;
}

bool EndsWithNoCase(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           lstrcmpiA(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

// The full path of a running process's program, empty when it cannot be asked.
std::string ProcessImage(HANDLE process)
{
    typedef BOOL(WINAPI * QueryImage)(HANDLE, DWORD, LPSTR, PDWORD);
    static const QueryImage query = reinterpret_cast<QueryImage>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA")));
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (query == nullptr || !query(process, 0, path, &size)) return std::string();
    return std::string(path, size);
}

std::string SystemFolder()
{
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    std::string path = folder;
    lib::AppendBackslash(path);
    return path;
}

} // namespace

std::string TestsFolder()
{
    // Test programs stand in "<build>/tests/" or, built into a folder of their own, one below.
    const std::string program = testsupport::ProgramFolder();
    if (IsFolder(program + "standins")) return program;
    std::string parent = lib::GetParentFolder(program.substr(0, program.size() - 1));
    lib::AppendBackslash(parent);
    return parent;
}

std::string StandInFolder() { return TestsFolder() + "standins\\"; }

std::string ProductFolderPath() { return TestsFolder() + "product\\"; }

std::string UserProductFolder()
{
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder);
    std::string path = folder;
    lib::AppendBackslash(path);
    return path + "Halvorn\\Kestrum4\\";
}

std::string LauncherLogPath() { return UserProductFolder() + "Log\\Launcher_sys.log"; }

std::string NothingNewerVars()
{
    // The versions of the launcher's test build and of the stand-ins (product.cmake).
    return "{\"versionup\": {\"ret\": 0, \"modules\": {"
           "\"LC\": {\"version\": \"4.1.0.0\"}, \"DG\": {\"version\": \"4.1.17.5\"},"
           "\"MD\": {\"version\": \"2.10.0.3\"}, \"PM\": {\"version\": \"1.0.0.0\"}}},"
           "\"log_upload_wanted\": []}";
}

void RemoveUserFiles()
{
    const std::string folder = UserProductFolder();
    DeleteFileA((folder + "Setting\\Launcher.ini").c_str());
    for (const char* sub : {"Data", "Download", "TemporaryFile"}) {
        const std::string path = folder + sub;
        if (IsFolder(path)) lib::DeleteFolder(path.c_str(), true);
    }
}

namespace {

// Open handles of the other running processes whose program the test accepts (test
// programs "*_test.exe" never), with the access asked for.
std::vector<HANDLE> OpenProcesses(DWORD access, bool (*accept)(const std::string& image,
                                                                const std::string& place),
                                  const std::string& place)
{
    std::vector<HANDLE> found;
    lib::CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot.IsValid() && Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | access, FALSE,
                                     entry.th32ProcessID);
        if (process == nullptr) continue;
        const std::string image = ProcessImage(process);
        // Test programs built into the folder are no programs of the product.
        if (!image.empty() && !EndsWithNoCase(image, "_test.exe") && accept(image, place)) {
            found.push_back(process);
        } else {
            CloseHandle(process);
        }
    }
    return found;
}

bool InFolder(const std::string& image, const std::string& folder)
{
    return StartsWithNoCase(image, folder);
}

bool OfTheProduct(const std::string& image, const std::string&)
{
    return StartsWithNoCase(image, ProductFolderPath()) ||
           lstrcmpiA(image.c_str(), (SystemFolder() + "chkdsk.exe").c_str()) == 0;
}

} // namespace

int EndProductPrograms()
{
    const std::vector<HANDLE> ended =
        OpenProcesses(PROCESS_TERMINATE | SYNCHRONIZE, &OfTheProduct, std::string());
    for (HANDLE process : ended) TerminateProcess(process, 1);
    for (HANDLE process : ended) {
        WaitForSingleObject(process, 30000);
        CloseHandle(process);
    }
    return static_cast<int>(ended.size());
}

std::vector<DWORD> ProcessesIn(const std::string& folder)
{
    std::vector<DWORD> ids;
    for (HANDLE process : OpenProcesses(0, &InFolder, folder)) {
        ids.push_back(GetProcessId(process));
        CloseHandle(process);
    }
    return ids;
}

bool WaitForProcessesIn(const std::string& folder, const std::vector<DWORD>& kept,
                        DWORD timeoutMs)
{
    const DWORD begin = GetTickCount();
    for (;;) {
        bool others = false;
        for (const DWORD id : ProcessesIn(folder)) {
            others = others || std::find(kept.begin(), kept.end(), id) == kept.end();
        }
        if (!others) return true;
        if (GetTickCount() - begin >= timeoutMs) return false;
        Sleep(20);
    }
}

// ---- swapping a program ----

CProgramSwap::CProgramSwap(const std::string& program, const std::string& source)
    : m_strProgram(ProductFolderPath() + program)
{
    if (GetFileAttributesA(m_strProgram.c_str()) != INVALID_FILE_ATTRIBUTES) {
        m_strKept = m_strProgram + ".kept";
        DeleteFileA(m_strKept.c_str());
        if (!MoveFileA(m_strProgram.c_str(), m_strKept.c_str())) {
            m_strKept.clear();
            return;
        }
    }
    m_bSwapped = source.empty() || CopyFileA(source.c_str(), m_strProgram.c_str(), FALSE);
}

CProgramSwap::~CProgramSwap() { _Restore(); }

CProgramSwap::CProgramSwap(CProgramSwap&& other) noexcept { *this = std::move(other); }

CProgramSwap& CProgramSwap::operator=(CProgramSwap&& other) noexcept
{
    if (this != &other) {
        _Restore();
        m_strProgram = std::move(other.m_strProgram);
        m_strKept = std::move(other.m_strKept);
        m_bSwapped = other.m_bSwapped;
        other.m_strProgram.clear();
        other.m_strKept.clear();
        other.m_bSwapped = false;
    }
    return *this;
}

void CProgramSwap::_Restore()
{
    if (m_strProgram.empty()) return;
    // A swapped program may still run: it goes first.
    EndProductPrograms();
    DeleteFileA(m_strProgram.c_str());
    if (!m_strKept.empty()) MoveFileA(m_strKept.c_str(), m_strProgram.c_str());
    m_strProgram.clear();
    m_strKept.clear();
    m_bSwapped = false;
}

// ---- the folder ----

const char CProductFolder::kMusicToolKey[] = "Software\\Corvalis\\Sonavelle 5\\Settings";

CProductFolder::CProductFolder() : m_strPath(ProductFolderPath())
{
    EndProductPrograms();
    RestoreStandIns();
    for (const char* file : {"Connection.info", "QZLOG.ini", "started.txt",
                             "Sonavelle\\started.txt"}) {
        DeleteFileA(File(file).c_str());
    }
    WriteLogSetting(true);
    RegisterMusicTool();
}

CProductFolder::~CProductFolder()
{
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Corvalis");
    DeleteFileA(File("Connection.info").c_str());
    DeleteFileA(File("QZLOG.ini").c_str());
}

bool CProductFolder::HasLauncher() const { return lib::FileExists(File("Launcher.exe")); }

bool CProductFolder::WriteConnectionInfo(const onlinetest::CStandIn& standIn) const
{
    return WriteConnectionInfo(standIn.BaseUrl());
}

bool CProductFolder::WriteConnectionInfo(const std::string& baseURL) const
{
    return onlinetest::WriteConnectionInfoAt(File("Connection.info"), baseURL);
}

bool CProductFolder::WriteLogSetting(bool debug) const
{
    std::ofstream file(File("QZLOG.ini"), std::ios::binary | std::ios::trunc);
    file << "[Log]\r\nRecover=" << (debug ? 1 : 0) << "\r\n";
    file.close();
    return !file.fail();
}

CProgramSwap CProductFolder::UseRealAgent() const
{
    const std::string real = StandInFolder() + "real\\Kestrum4Agent.exe";
    if (!lib::FileExists(real)) return CProgramSwap();
    return CProgramSwap("Kestrum4Agent.exe", real);
}

CProgramSwap CProductFolder::UseRecorder(const std::string& program) const
{
    return CProgramSwap(program, StandInFolder() + "Recorder.exe");
}

CProgramSwap CProductFolder::Remove(const std::string& program) const
{
    return CProgramSwap(program, std::string());
}

bool CProductFolder::RestoreStandIns() const
{
    bool restored = true;
    for (const StandInFile& file : kStandIns) {
        const std::string target = File(file.m_pszProduct);
        CreateDirectoryA(lib::GetParentFolder(target).c_str(), nullptr);
        // A program set aside by a case that never ended goes back first.
        if (lib::FileExists(target + ".kept")) DeleteFileA((target + ".kept").c_str());
        if (!CopyFileA((StandInFolder() + file.m_pszStandIn).c_str(), target.c_str(), FALSE)) {
            restored = false;
        }
    }
    return restored;
}

bool CProductFolder::RegisterMusicTool() const
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMusicToolKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const std::string folder = File("Sonavelle");
    const LONG result = RegSetValueExA(key, "SetupPath", 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(folder.c_str()),
                                       static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

} // namespace launchertest
