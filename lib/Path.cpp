#include "lib/Path.h"

#include "lib/DbcsText.h"
#include "lib/Exception.h"
#include "lib/Handle.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"

#include <shlwapi.h>
#include <winioctl.h>

#include <cstdio>
#include <cstring>
#include <share.h>

// The log writer builds its own folders through CreateDirectoryRecursive and
// CreateDirectoryTree, so those two (and the wrappers under them) never log: a failure
// there would come back into the writer while it looks for its folder.

namespace lib {

namespace {

// The shell's path functions work in place and may grow the text up to MAX_PATH.
class CPathBuffer {
public:
    explicit CPathBuffer(const std::string& path) : m_vBuffer(path.size() + MAX_PATH, '\0')
    {
        std::memcpy(m_vBuffer.data(), path.data(), path.size());
    }
    char* Get() { return m_vBuffer.data(); }
    std::string Str() const { return std::string(m_vBuffer.data()); }

private:
    std::vector<char> m_vBuffer;
};

class CStdFile {
public:
    explicit CStdFile(FILE* file) : m_pFile(file) {}
    ~CStdFile()
    {
        if (m_pFile != nullptr) std::fclose(m_pFile);
    }
    CStdFile(const CStdFile&) = delete;
    CStdFile& operator=(const CStdFile&) = delete;
    FILE* Get() const { return m_pFile; }

private:
    FILE* m_pFile;
};

uint64_t FindDataSize(DWORD high, DWORD low)
{
    return (static_cast<uint64_t>(high) << 32) | low;
}

} // namespace

bool PathFileExistsStr(const std::string& path)
{
    CPathBuffer buffer(path);
    return PathFileExistsA(buffer.Get()) != FALSE;
}

bool PathIsDirectoryStr(const std::string& path)
{
    CPathBuffer buffer(path);
    return PathIsDirectoryA(buffer.Get()) != FALSE;
}

bool PathIsRootStr(const std::string& path)
{
    CPathBuffer buffer(path);
    return PathIsRootA(buffer.Get()) != FALSE;
}

std::string PathFindFileNameStr(const std::string& path)
{
    CPathBuffer buffer(path);
    const char* name = PathFindFileNameA(buffer.Get());
    if (name == nullptr || name == buffer.Get()) return std::string();
    return std::string(name);
}

std::string GetParentFolder(const std::string& path)
{
    CPathBuffer buffer(path);
    if (PathRemoveFileSpecA(buffer.Get())) return buffer.Str();
    if (GetLastError() == ERROR_INVALID_NAME) return std::string();
    return path;
}

std::string PathRemoveFileSpecStr(const std::string& path)
{
    CPathBuffer buffer(path);
    PathRemoveFileSpecA(buffer.Get());
    return buffer.Str();
}

std::string PathAppendStr(const std::string& path, const std::string& more)
{
    CPathBuffer buffer(path);
    CPathBuffer moreBuffer(more);
    if (!PathAppendA(buffer.Get(), moreBuffer.Get())) return std::string();
    return buffer.Str();
}

std::string PathAddBackslashStr(const std::string& path)
{
    CPathBuffer buffer(path);
    if (PathAddBackslashA(buffer.Get()) == nullptr) return std::string();
    return buffer.Str();
}

std::string GetModuleFileNameStr(HMODULE module)
{
    char name[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(module, name, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return std::string(name, length);
}

bool IsDotEntry(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

bool IsDotEntry(const wchar_t* name)
{
    return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
}

bool IsDeviceName(const std::string& name)
{
    const char* dot = DbcsFindChar(name.c_str(), '.');
    std::string base = dot == nullptr ? name : std::string(name.c_str(), dot);
    while (!base.empty() && base.back() == ' ') base.pop_back();
    base = StringToUpper(base);
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices) {
        if (base == device) return true;
    }
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '0' && base[3] <= '9';
}

bool IsForbiddenFileNameChar(unsigned char c)
{
    // A zero byte is a control character, never looked up in the list.
    return c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", c) != nullptr;
}

bool IsAsciiFileNameText(const std::string& text)
{
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || IsForbiddenFileNameChar(byte)) return false;
    }
    return true;
}

bool EndsWithBackslash(const std::string& path)
{
    const char* last = DbcsFindLastChar(path.c_str(), '\\');
    return last != nullptr && last[1] == '\0';
}

void AppendBackslash(std::string& path)
{
    if (!path.empty() && !EndsWithBackslash(path)) path += '\\';
}

void AppendBackslashW(std::wstring& path)
{
    if (!path.empty() && path.back() != L'\\') path += L'\\';
}

bool CreateDirectoryRecursive(const std::string& path)
{
    if (path.empty()) return false;
    if (PathIsDirectoryStr(path) || PathIsRootStr(path)) return true;
    if (PathFileExistsStr(path)) return false;
    const std::string parent = GetParentFolder(path);
    if (parent == path) return false;
    if (!CreateDirectoryRecursive(parent)) return false;
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

void CreateDirectories(const std::string& path, bool cutFileName)
{
    std::string folder = path;
    if (cutFileName) {
        const char* last = DbcsFindLastChar(path.c_str(), '\\');
        if (last == nullptr) return; // a bare file name: nothing to create
        folder.assign(path.c_str(), last - path.c_str());
    }
    folder += '\\';

    const char* text = folder.c_str();
    const char* start = text;
    if (folder.size() >= 2 && text[1] == ':') {
        start = DbcsFindChar(text, '\\') + 1;
    } else if (folder.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
        // Past "\\server\share\": the third backslash after the leading two.
        const char* p = text + 2;
        for (int found = 0; found < 2 && p != nullptr; ++found) {
            p = DbcsFindChar(p, '\\');
            if (p != nullptr) ++p;
        }
        if (p == nullptr) return; // only a server or share: no folder level to create
        start = p;
    }

    for (const char* p = DbcsFindChar(start, '\\'); p != nullptr; p = DbcsFindChar(p + 1, '\\')) {
        const std::string level(text, p - text);
        if (!CreateDirectoryA(level.c_str(), nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_ALREADY_EXISTS) continue;
            TOLVE_LOG(LOG_ERROR, "CreateDirectory失敗 %s ERR:%lu", level.c_str(), error);
            throw IOException("IOエラー：ディレクトリ作成失敗");
        }
    }
}

BOOL CreateDirectoryLongPath(const char* path, LPSECURITY_ATTRIBUTES attributes)
{
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string longPath;
    if (path[0] == '\\' && path[1] == '\\') {
        longPath = std::string("\\\\?\\UNC") + (path + 1);
    } else {
        longPath = std::string("\\\\?\\") + path;
    }
    const int capacity = 32768;
    std::vector<wchar_t> wide(capacity, L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, longPath.c_str(), -1, wide.data(), capacity) == 0) {
        return FALSE;
    }
    return CreateDirectoryW(wide.data(), attributes);
}

bool CreateDirectoryTree(const char* path)
{
    if (path == nullptr || path[0] == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (std::strlen(path) >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    const std::string whole(path);
    for (const char* p = DbcsFindChar(path + DbcsCharSize(path), '\\'); p != nullptr;
         p = DbcsFindChar(p + 1, '\\')) {
        if (PathIsDirectoryStr(whole)) break;
        const std::string level(path, p - path);
        CreateDirectoryLongPath(level.c_str(), nullptr); // an existing level fails; fine
    }
    if (PathIsDirectoryStr(whole)) return true;
    return CreateDirectoryLongPath(path, nullptr) != FALSE;
}

uint64_t GetFolderSize(const std::string& folder)
{
    std::string base = folder;
    AppendBackslash(base);
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA((base + "*").c_str(), &data));
    if (!find.IsValid()) return 0;
    uint64_t total = 0;
    do {
        if (IsDotEntry(data.cFileName)) continue;
        // A junction or link leads outside the folder (or back into it): not ours to count.
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            total += GetFolderSize(base + data.cFileName);
        } else {
            total += FindDataSize(data.nFileSizeHigh, data.nFileSizeLow);
        }
    } while (FindNextFileA(find.Get(), &data));
    return total;
}

uint64_t GetFolderSizeW(const std::wstring& folder)
{
    std::wstring base = folder;
    AppendBackslashW(base);
    WIN32_FIND_DATAW data;
    CFindHandle find(FindFirstFileW((base + L"*").c_str(), &data));
    if (!find.IsValid()) return 0;
    uint64_t total = 0;
    do {
        if (IsDotEntry(data.cFileName)) continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            total += GetFolderSizeW(base + data.cFileName);
        } else {
            total += FindDataSize(data.nFileSizeHigh, data.nFileSizeLow);
        }
    } while (FindNextFileW(find.Get(), &data));
    return total;
}

bool DeleteFolder(const char* folder, bool removeSelf)
{
    if (folder == nullptr) return false;
    std::string base = folder;
    if (base.empty()) return false;
    AppendBackslash(base);

    bool result = true;
    {
        WIN32_FIND_DATAA data;
        CFindHandle find(FindFirstFileA((base + "*").c_str(), &data));
        if (!find.IsValid()) {
            TOLVE_LOG(LOG_ERROR, "FindFirstFile失敗 %s ERR:%lu", base.c_str(), GetLastError());
            return false;
        }
        do {
            if (IsDotEntry(data.cFileName)) continue;
            const std::string path = base + data.cFileName;
            if (path.size() > 519) {
                TOLVE_LOG(LOG_ERROR, "パスが長すぎます %s", path.c_str());
                result = false;
                continue;
            }
            const DWORD attributes = GetFileAttributesA(path.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) continue;
            BOOL done = TRUE;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                // Removing the link itself leaves whatever it points at untouched.
                done = RemoveDirectoryA(path.c_str());
            } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                done = DeleteFolder(path.c_str(), true);
                if (!done) result = false;
                continue; // the inner call logged its own failures
            } else {
                done = DeleteFileA(path.c_str());
            }
            if (!done) {
                TOLVE_LOG(LOG_ERROR, "削除失敗 %s ERR:%lu", path.c_str(), GetLastError());
                result = false;
            }
        } while (FindNextFileA(find.Get(), &data));
    } // the search handle must be closed before the folder can go

    if (removeSelf) {
        // The process must not hold the folder open as its current directory.
        std::string own = GetModuleFileNameStr(nullptr);
        const char* last = DbcsFindLastChar(own.c_str(), '\\');
        if (last != nullptr) {
            own.resize(last - own.c_str() + 1);
            SetCurrentDirectoryA(own.c_str());
        }
        if (!RemoveDirectoryA(base.c_str())) {
            TOLVE_LOG(LOG_ERROR, "RemoveDirectory失敗 %s ERR:%lu", base.c_str(), GetLastError());
            result = false;
        }
    }
    return result;
}

void FindFiles(const std::string& pattern, std::vector<WIN32_FIND_DATAA>& found)
{
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(pattern.c_str(), &data));
    if (!find.IsValid()) return;
    do {
        found.push_back(data);
    } while (FindNextFileA(find.Get(), &data));
}

bool FileExists(const std::string& path)
{
    CStdFile file(_fsopen(path.c_str(), "rb", _SH_DENYNO));
    return file.Get() != nullptr;
}

int32_t GetFileLength(const std::string& path)
{
    // Callers tell the cases apart by class; the exceptions carry no message.
    if (!FileExists(path)) throw FileNotFoundException();
    CStdFile file(_fsopen(path.c_str(), "rb", _SH_DENYNO));
    if (file.Get() == nullptr) {
        TOLVE_LOG(LOG_ERROR, "ファイルオープン失敗 %s ERR:%lu", path.c_str(), GetLastError());
        throw IOException();
    }
    if (_fseeki64(file.Get(), 0, SEEK_END) != 0) {
        TOLVE_LOG(LOG_ERROR, "ファイルシーク失敗 %s", path.c_str());
        throw IOException();
    }
    const long long length = _ftelli64(file.Get());
    if (length < 0 || length > INT32_MAX) {
        TOLVE_LOG(LOG_ERROR, "ファイルサイズ取得失敗 %s SIZE:%lld", path.c_str(), length);
        throw IOException();
    }
    return static_cast<int32_t>(length);
}

bool IsLockableDrive(char driveLetter)
{
    char device[8];
    std::snprintf(device, sizeof device, "\\\\.\\%c:", driveLetter);
    CHandle volume(CreateFileA(device, GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr));
    if (!volume.IsValid()) return true;
    DWORD bytes = 0;
    DeviceIoControl(volume.Get(), FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &bytes, nullptr);
    if (!DeviceIoControl(volume.Get(), FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &bytes,
                         nullptr)) {
        return false;
    }
    return DeviceIoControl(volume.Get(), FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &bytes,
                           nullptr) != FALSE;
}

BOOL ForceForegroundWindow(HWND window)
{
    HWND foreground = GetForegroundWindow();
    if (foreground == nullptr) {
        foreground = FindWindowA("Progman", "Program Manager");
        if (foreground != nullptr) SetForegroundWindow(foreground);
    }
    if (foreground != nullptr) {
        const DWORD foregroundThread = GetWindowThreadProcessId(foreground, nullptr);
        const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
        if (foregroundThread != windowThread) {
            // Windows lets only the foreground thread hand the foreground on; sharing its
            // input state makes our request count as its own.
            AttachThreadInput(windowThread, foregroundThread, TRUE);
            SetForegroundWindow(window);
            SetFocus(window);
            BringWindowToTop(window);
            AttachThreadInput(windowThread, foregroundThread, FALSE);
            return TRUE;
        }
    }
    return SetForegroundWindow(window);
}

bool ExecuteCommandLine(const char* commandLine, int showCommand, HANDLE* process)
{
    if (process != nullptr) *process = nullptr;
    if (commandLine == nullptr || commandLine[0] == '\0') {
        TOLVE_LOG(LOG_ERROR, "コマンドラインが空です");
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const size_t length = std::strlen(commandLine);
    if (length >= MAX_PATH) {
        TOLVE_LOG(LOG_ERROR, "コマンドラインが長すぎます LEN:%u", static_cast<unsigned>(length));
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    // CreateProcessA may write into its command line, so it gets its own copy.
    char line[MAX_PATH] = {};
    std::memcpy(line, commandLine, length);
    char folder[MAX_PATH] = {};
    std::memcpy(folder, commandLine, length);
    PathRemoveArgsA(folder);
    PathUnquoteSpacesA(folder);
    PathRemoveFileSpecA(folder);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        folder[0] != '\0' ? folder : nullptr, &startup, &info)) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CreateProcess失敗 %s ERR:%lu", commandLine, error);
        SetLastError(error);
        return false;
    }
    CloseHandle(info.hThread);
    if (process != nullptr) {
        *process = info.hProcess;
    } else {
        CloseHandle(info.hProcess);
    }
    return true;
}

UINT GetRegisteredMessage(const char* name)
{
    const UINT message = RegisterWindowMessageA(name);
    if (message == 0) {
        TOLVE_LOG(LOG_ERROR, "RegisterWindowMessage失敗 %s ERR:%lu", name ? name : "",
                  GetLastError());
    }
    return message;
}

} // namespace lib
