#include "SharedMemTestSupport.h"

#include "lib/StringUtility.h"
#include "lib/TolveLog.h"

#include <fstream>
#include <sstream>

namespace sharedmem_test {

namespace {

std::string ModulePath()
{
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    return module;
}

} // namespace

std::string UniqueName(const char* what)
{
    static LONG counter = 0;
    return lib::FormatString("KestrumTest_sharedmem_%lu_%ld_%s", GetCurrentProcessId(),
                             InterlockedIncrement(&counter), what);
}

void RemoveTempFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found = {};
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileA((folder + found.cFileName).c_str());
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string TempFolder()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + UniqueName("files") + "\\";
    // Process ids come back: a run that ended early may have left this folder behind.
    RemoveTempFolder(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

HANDLE StartChild(const std::string& arguments)
{
    std::string program = ModulePath();
    program = program.substr(0, program.find_last_of('\\') + 1) + "lib_sharedmem_child.exe";
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD RunChild(const std::string& arguments, DWORD timeoutMs)
{
    HANDLE process = StartChild(arguments);
    if (process == nullptr) return 0xFFFFFFFF;
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process, &code);
    } else {
        TerminateProcess(process, 0xFFFFFFFF);
    }
    CloseHandle(process);
    return code;
}

std::string LogPath()
{
    return GetTolveLogOutputPath();
}

size_t LogSize()
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(LogPath().c_str(), GetFileExInfoStandard, &data)) return 0;
    return data.nFileSizeLow;
}

std::string LogSince(size_t from)
{
    std::ifstream file(LogPath().c_str(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    const std::string all = text.str();
    return from < all.size() ? all.substr(from) : std::string();
}

} // namespace sharedmem_test
