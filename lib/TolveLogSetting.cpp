// Log set-up: the output path, its default, the size limit, the debug switch and the
// banners.
#include "lib/AppFolder.h"
#include "lib/DbcsText.h"
#include "lib/Path.h"
#include "lib/TolveLog.h"
#include "lib/TolvelogPathString.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int32_t kMaxSizeKB = 4096;

std::string ProgramPath()
{
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return std::string(path, length);
}

// The program's folder with its trailing backslash; empty when unknown.
std::string ProgramFolder()
{
    const std::string program = ProgramPath();
    const char* last = lib::DbcsFindLastChar(program.c_str(), '\\');
    if (last == nullptr) return std::string();
    return program.substr(0, last - program.c_str() + 1);
}

// "<program name without extension>_sys.log" in the Log folder.
std::string DefaultLogPath()
{
    const std::string program = ProgramPath();
    const char* last = lib::DbcsFindLastChar(program.c_str(), '\\');
    std::string name = last != nullptr ? std::string(last + 1) : program;
    const size_t dot = name.rfind('.'); // 0x2E is never a trail byte in code page 932
    if (dot != std::string::npos) name.resize(dot);
    return lib::GetLogFolder() + name + "_sys.log";
}

void EnsureDefaultOutputPath()
{
    CTolvelogPathString& fallback = GetTolveLogSettings().defaultOutputPath;
    if (fallback.IsEmpty()) fallback.Set(DefaultLogPath().c_str());
}

} // namespace

void CTolveLogWrapper::Start(const char* fileName, int32_t sizeKB, uint32_t reserved)
{
    TolveLogSettings& settings = GetTolveLogSettings();
    const std::string path =
        (fileName != nullptr && fileName[0] != '\0') ? std::string(fileName) : DefaultLogPath();
    _SetOutputPath(path.c_str());

    if (sizeKB >= 1 && sizeKB <= kMaxSizeKB) {
        settings.sizeLimit.store(sizeKB * 1024);
    } else {
        settings.sizeLimit.store(kMaxSizeKB * 1024);
        Write(LOG_LOGGER, "サイズ指定%dKBは不正です。%dKBとします", static_cast<int>(sizeKB),
              static_cast<int>(kMaxSizeKB));
    }
    settings.reservedSize.store(reserved == 0xFFFFFFFFu ? 1024u : reserved);
    _SetDebugOutput(_ReadRecoverSetting());

    const std::string version = GetFileVersionString();
    Write(LOG_START, "==========<開始(%s)>==========", version.c_str());
}

void CTolveLogWrapper::End()
{
    Write(LOG_END, "%s", "----------<終了>----------");
}

void CTolveLogWrapper::_SetOutputPath(const char* path)
{
    CTolvelogPathString& output = GetTolveLogSettings().outputPath;
    if (!output.IsEmpty()) return;
    std::string full = path;
    if (lib::DbcsFindChar(path, '\\') == nullptr) full = ProgramFolder() + full;
    output.Set(full.c_str());

    char stored[260] = {};
    output.Get(stored, sizeof stored);
    const char* last = lib::DbcsFindLastChar(stored, '\\');
    if (last == nullptr) return;
    const std::string folder(stored, last - stored);
    if (!folder.empty() && !lib::PathIsDirectoryStr(folder)) {
        lib::CreateDirectoryTree(folder.c_str()); // a failure shows as file errors later
    }
}

void CTolveLogWrapper::_SetDefaultOutputPath()
{
    EnsureDefaultOutputPath();
}

bool CTolveLogWrapper::_ReadRecoverSetting()
{
    const std::string folder = ProgramFolder();
    if (folder.empty()) return false;
    const std::string ini = folder + "QZLOG.ini";
    return GetPrivateProfileIntA("Log", "Recover", 0, ini.c_str()) != 0;
}

void CTolveLogWrapper::_SetDebugOutput(bool on)
{
    GetTolveLogSettings().debugOutput.store(on);
}

std::string CTolveLogWrapper::GetFileVersionString()
{
    std::string program = ProgramPath();
    if (program.empty()) return std::string();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(program.c_str(), &handle);
    if (size == 0) return std::string();
    std::vector<char> block(size, '\0');
    if (!GetFileVersionInfoA(program.c_str(), 0, size, block.data())) return std::string();
    const char* const keys[] = {"\\StringFileInfo\\041104b0\\FileVersion",
                                "\\StringFileInfo\\041103a4\\FileVersion"};
    for (const char* key : keys) {
        void* value = nullptr;
        UINT length = 0;
        if (VerQueryValueA(block.data(), key, &value, &length) && value != nullptr &&
            length > 0) {
            // The value may or may not count its terminator; never read past the block.
            const char* text = static_cast<const char*>(value);
            const size_t available =
                static_cast<size_t>(block.data() + block.size() - text);
            return std::string(text, strnlen(text, std::min<size_t>(length, available)));
        }
    }
    return std::string();
}

std::string GetTolveLogOutputPath()
{
    TolveLogSettings& settings = GetTolveLogSettings();
    char path[260] = {};
    if (settings.outputPath.Get(path, sizeof path)) return path;
    EnsureDefaultOutputPath();
    settings.defaultOutputPath.Get(path, sizeof path);
    return path;
}
