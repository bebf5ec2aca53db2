#pragma once
// Helpers shared by the window tests: the framework started around the whole run, and the
// program's log file (one place to change when the log writer moves it).

#include "lib/DbcsText.h"
#include "lib/TolveLog.h"
#include "lib/wfc/WfcRuntime.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

namespace windowtest {

// This run's own log file, beside the test program and named after its process, so that
// test programs running at the same time never read each other's lines.
inline std::string LogPath()
{
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path = module;
    const char* slash = lib::DbcsFindLastChar(module, '\\');
    if (slash != nullptr) path.resize(slash + 1 - module);
    return path + "lib_window_test_" + std::to_string(GetCurrentProcessId()) + "_sys.log";
}

inline std::string ReadLog()
{
    std::ifstream file(LogPath(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class CFrameworkEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        DeleteFileA(LogPath().c_str());
        CTolveLogWrapper(__FILE__, __LINE__).Start(LogPath().c_str(), 4096, 0xFFFFFFFFu);
        lib::wfc::Initialize(GetModuleHandleA(nullptr), "lib_window_test", nullptr, nullptr);
        lib::wfc::AllocThreadMessageRecord();
    }
    void TearDown() override
    {
        lib::wfc::FreeThreadMessageRecord();
        lib::wfc::Terminate();
        DeleteFileA(LogPath().c_str());
    }
};

} // namespace windowtest
