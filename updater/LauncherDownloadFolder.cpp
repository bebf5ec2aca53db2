#include "updater/LauncherDownloadFolder.h"

#include "lib/AppFolder.h"
#include "lib/DbcsText.h"
#include "lib/Handle.h"
#include "lib/Path.h"

#include <shlobj.h>

namespace MsiInstaller {

namespace {

constexpr char kLauncherTitle[] = "Kestrum4 Launcher";
constexpr char kDownloadSubFolder[] = "Halvorn\\Kestrum4\\Download\\";
// Japanese, so that CompareStringA reads both texts as code page 932.
const LCID kJapanese = MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), SORT_DEFAULT);

DWORD WindowProcess(HWND window)
{
    DWORD process = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &process) == 0) return 0;
    return process;
}

// "..", "...", ". ." and the like, which the path rules of Windows may read as a step up.
bool IsDotsPart(const char* begin, const char* end)
{
    int dots = 0;
    for (const char* p = begin; p < end; ++p) {
        if (*p == '.') {
            ++dots;
        } else if (*p != ' ') {
            return false;
        }
    }
    return dots >= 2;
}

bool HasDotsPart(const std::string& path)
{
    const char* part = path.c_str();
    for (const char* p = path.c_str();; p += lib::DbcsCharSize(p)) {
        if (*p == '\0' || *p == '\\' || *p == '/') {
            if (IsDotsPart(part, p)) return true;
            if (*p == '\0') return false;
            part = p + 1;
        }
    }
}

} // namespace

HWND FindLauncherWindow() { return FindWindowA(nullptr, kLauncherTitle); }

bool IsLauncherProcessWindow(HWND window)
{
    const DWORD owner = WindowProcess(window);
    return owner != 0 && owner == WindowProcess(FindLauncherWindow());
}

std::string GetLauncherDownloadFolder()
{
    const DWORD processId = WindowProcess(FindLauncherWindow());
    if (processId != 0) {
        lib::CHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
        lib::CHandle token;
        char folder[MAX_PATH] = {};
        if (process.IsValid() &&
            OpenProcessToken(process.Get(), TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE,
                             token.Out()) &&
            SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, token.Get(), SHGFP_TYPE_CURRENT,
                                       folder)) &&
            folder[0] != '\0') {
            std::string path = folder;
            lib::AppendBackslash(path);
            return path + kDownloadSubFolder;
        }
    }
    return lib::GetDownloadFolder();
}

bool IsPathInFolder(const std::string& path, const std::string& folder)
{
    if (path.empty() || folder.empty() || !lib::EndsWithBackslash(folder)) return false;
    if (HasDotsPart(path)) return false;
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return false;
    const size_t folderLength = folder.size();
    // The folder's part of the path must end on a whole character: its last byte, a
    // backslash, may otherwise be the trail byte of a double-byte character.
    if (length <= folderLength || lib::DbcsCutLength(full, folderLength) != folderLength) {
        return false;
    }
    return CompareStringA(kJapanese, NORM_IGNORECASE, full, static_cast<int>(folderLength),
                          folder.c_str(), static_cast<int>(folderLength)) == CSTR_EQUAL;
}

bool IsLauncherDownloadPath(const std::string& path)
{
    return IsPathInFolder(path, GetLauncherDownloadFolder());
}

} // namespace MsiInstaller
