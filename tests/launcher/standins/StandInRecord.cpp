#include "tests/launcher/standins/StandInRecord.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace standin {

namespace {

std::string ProgramPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

} // namespace

std::string FileBesideProgram(const char* name)
{
    const std::string program = ProgramPath();
    return program.substr(0, program.rfind('\\') + 1) + name;
}

bool AppendWholeLine(const std::string& file, const std::string& line)
{
    // One mutex for every record file: programs started together take turns, and each
    // line goes in one write through an append-only handle.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "KestrumStandInRecord");
    const DWORD waited = mutex != nullptr ? WaitForSingleObject(mutex, 10000) : WAIT_FAILED;
    const bool owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    bool whole = false;
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE out = CreateFileA(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            whole = WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written,
                              nullptr) &&
                    written == line.size();
            CloseHandle(out);
            break;
        }
        // The harness may be reading the file just now.
        Sleep(20);
    }
    if (owned) ReleaseMutex(mutex);
    if (mutex != nullptr) CloseHandle(mutex);
    return whole;
}

int StartupShowCommand()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : -1;
}

void RecordStart()
{
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    const char* commandLine = GetCommandLineA();
    AppendWholeLine(FileBesideProgram(kRecordFile),
                    std::string(kStartKind) + "\t" + ProgramPath() + "\t" +
                        (commandLine != nullptr ? commandLine : "") + "\t" + folder + "\t" +
                        std::to_string(StartupShowCommand()) + "\r\n");
}

void RecordMessage(const char* name, uint32_t wParam, uint32_t lParam)
{
    char values[32];
    std::snprintf(values, sizeof values, "%08X\t%08X", wParam, lParam);
    AppendWholeLine(FileBesideProgram(kRecordFile), std::string(kMessageKind) + "\t" +
                                                        ProgramPath() + "\t" + name + "\t" +
                                                        values + "\r\n");
}

DWORD EnvironmentNumber(const char* name, DWORD defaultValue)
{
    char value[32] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) return defaultValue;
    char* end = nullptr;
    const unsigned long number = std::strtoul(value, &end, 0);
    return end != value && *end == '\0' ? static_cast<DWORD>(number) : defaultValue;
}

} // namespace standin
