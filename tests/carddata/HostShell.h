#pragma once
// Runs a shell script on the Linux host from a program under Wine, to check our archives
// with the host's own zip tools. Wine starts Unix programs through CreateProcess but gives
// back no process handle, so the script drops a marker file when it is done.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace hostshell {

// The host path of a Windows path, or "" when not running under Wine.
inline std::string UnixPath(const std::string& windowsPath)
{
    typedef char*(__cdecl * UnixNameFn)(const WCHAR*);
    const UnixNameFn toUnix = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr) return "";
    WCHAR wide[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 2);
    char* unixName = toUnix(wide);
    if (unixName == nullptr) return "";
    std::string result = unixName;
    HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

inline std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Result {
    bool ran = false;     // false: no host shell (not under Wine) or it never finished
    int exitCode = -1;
    std::string output;   // stdout and stderr together
};

// Runs `script` with /bin/sh in `workFolder` (a Windows folder, ending with a backslash),
// waiting at most `timeoutMs`.
inline Result Run(const std::string& script, const std::string& workFolder,
                  DWORD timeoutMs = 120000)
{
    Result result;
    const std::string unixFolder = UnixPath(workFolder);
    if (unixFolder.empty()) return result;
    const std::string scriptFile = workFolder + "host.sh";
    const std::string outFile = workFolder + "host.out";
    const std::string doneFile = workFolder + "host.rc";
    DeleteFileA(outFile.c_str());
    DeleteFileA(doneFile.c_str());
    {
        std::ofstream out(scriptFile, std::ios::binary);
        out << "cd '" << unixFolder << "' || exit 99\n"
            << "( " << script << "\n) > host.out 2>&1\n"
            << "echo $? > host.rc.tmp && mv host.rc.tmp host.rc\n";
    }
    std::string command = "/bin/sh \"" + unixFolder + "/host.sh\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA("Z:\\bin\\sh", &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return result;
    }
    if (process.hProcess != nullptr) CloseHandle(process.hProcess);
    if (process.hThread != nullptr) CloseHandle(process.hThread);
    for (DWORD waited = 0; waited < timeoutMs; waited += 5) {
        if (GetFileAttributesA(doneFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            result.ran = true;
            result.exitCode = std::atoi(ReadWhole(doneFile).c_str());
            result.output = ReadWhole(outFile);
            break;
        }
        Sleep(5);
    }
    DeleteFileA(scriptFile.c_str());
    DeleteFileA(outFile.c_str());
    DeleteFileA(doneFile.c_str());
    return result;
}

} // namespace hostshell
