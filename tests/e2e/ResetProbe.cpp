// e2e_reset_probe.exe leave|check: the road wrapper's reset seen from two roads in a row.
// "leave" leaves behind what a road may leave: a program still running, registry values
// in both hives, an installed package's folder, application data, files on a card and a
// card taken out. "check", run as the next road, finds none of it and every card in and
// empty; it names what is left and ends with 1.

#include "lib/Path.h"
#include "tests/e2e/support/Road.h"

#include <shlobj.h>
#include <tlhelp32.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

const char kKey[] = "Software\\Kestrum4ResetProbe";
const char kLinger[] = "linger";

std::string Folder(int csidl)
{
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder);
    return folder;
}

std::string LeftSetting() { return Folder(CSIDL_APPDATA) + "\\Halvorn\\Kestrum4\\Setting\\Launcher.ini"; }
std::string LeftPackage() { return Folder(CSIDL_PROGRAM_FILES) + "\\Kestrum4TestProbe"; }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool KeyExists(HKEY root)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool SetKey(HKEY root)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const DWORD one = 1;
    const bool set = RegSetValueExA(key, "Left", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                                    sizeof one) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

bool WriteText(const std::string& path, const std::string& text)
{
    const std::string folder = path.substr(0, path.rfind('\\'));
    if (!lib::CreateDirectoryTree(folder.c_str())) return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    return !file.fail();
}

// Another process of this program, running on.
bool StartLingering(const std::string& program)
{
    std::string commandLine = "\"" + program + "\" " + kLinger;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
        return false;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

int CountOtherProcesses(const std::string& exeName)
{
    int count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID != GetCurrentProcessId() && lstrcmpiA(entry.szExeFile, exeName.c_str()) == 0) {
            ++count;
        }
    }
    CloseHandle(snapshot);
    return count;
}

int Leave(const std::string& program)
{
    bool left = SetKey(HKEY_CURRENT_USER) && SetKey(HKEY_LOCAL_MACHINE);
    left = CreateDirectoryA(LeftPackage().c_str(), nullptr) && left;
    roadtest::WriteCardFile('D', "PC\\NAVIINFO.DAT", "left by a road");
    roadtest::WriteCardFile('E', "PC\\NAVIINFO.DAT", "left by a road");
    roadtest::RemoveCard('E');
    left = WriteText(LeftSetting(), "[Launcher]\r\nAutoStartLauncher=0\r\n") && left;
    left = StartLingering(program) && left;
    std::printf("left behind: %s\n", left ? "all" : "not all");
    return left && !roadtest::IsCardIn('E') ? 0 : 1;
}

int Check(const std::string& exeName)
{
    int left = 0;
    const auto note = [&left](bool isLeft, const char* what) {
        if (isLeft) std::printf("left from the road before: %s\n", what);
        left += isLeft ? 1 : 0;
    };
    note(CountOtherProcesses(exeName) != 0, "a program running");
    note(KeyExists(HKEY_CURRENT_USER), "a value under HKEY_CURRENT_USER");
    note(KeyExists(HKEY_LOCAL_MACHINE), "a value under HKEY_LOCAL_MACHINE");
    note(Exists(LeftPackage()), "a package's folder");
    note(Exists(LeftSetting()), "the application data");
    note(Exists(roadtest::CardRoot('D') + "PC"), "a file on card D:");
    note(!roadtest::IsCardIn('E') || Exists(roadtest::CardAwayFolder('E')), "card E: out");
    return left == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program = path;
    const std::string exeName = program.substr(program.find_last_of("\\/") + 1);
    if (mode == kLinger) {
        Sleep(INFINITE);
        return 0;
    }
    if (mode == "leave") return Leave(program);
    if (mode == "check") return Check(exeName);
    std::fprintf(stderr, "usage: e2e_reset_probe leave|check\n");
    return 2;
}
