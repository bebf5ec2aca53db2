// Stands in for the launcher's setup program: writes the command line it was given into
// "<its own path>.args" and ends. The record is written beside it first and then moved into
// place, so a test that finds the file finds it whole.
#include <windows.h>

#include <cstring>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string record = std::string(self) + ".args";
    const std::string part = record + ".part";
    HANDLE file = CreateFileA(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, commandLine, static_cast<DWORD>(std::strlen(commandLine)), &written, nullptr);
    CloseHandle(file);
    return MoveFileExA(part.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 2;
}
