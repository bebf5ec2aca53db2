#include "tests/support/TestSupport.h"

#include "lib/AppFolder.h"
#include "lib/DbcsText.h"
#include "lib/Handle.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

namespace testsupport {

std::string ReadFileBytes(const std::string& path, size_t from)
{
    std::string bytes;
    lib::CHandle file;
    // The log writer measures its file through a handle that shares nothing, for an instant
    // in every line: a read that meets it waits for its turn.
    for (int attempt = 0; attempt < 200; ++attempt) {
        *file.Out() = CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file.IsValid() || GetLastError() != ERROR_SHARING_VIOLATION) break;
        Sleep(1);
    }
    if (!file.IsValid()) return bytes;
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(from);
    if (!SetFilePointerEx(file.Get(), offset, nullptr, FILE_BEGIN)) return bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    return bytes;
}

std::string ReadLog() { return ReadFileBytes(GetTolveLogOutputPath()); }

bool UnderWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

namespace {

size_t LogSize()
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(GetTolveLogOutputPath().c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return static_cast<size_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

} // namespace

CLogCapture::CLogCapture() : m_uStart(LogSize()) {}

std::string CLogCapture::Text() const
{
    return ReadFileBytes(GetTolveLogOutputPath(), m_uStart);
}

bool CLogCapture::HasLine(const char* mark, const char* source, const std::string& text) const
{
    const std::string log = Text();
    const std::string columns = std::string("\t") + mark + "\t" + source + "\t";
    for (size_t at = 0; (at = log.find(text, at)) != std::string::npos; at += text.size()) {
        const size_t begin = log.rfind('\n', at) + 1; // npos + 1 == 0 on the first line
        if (log.substr(begin, at - begin).find(columns) != std::string::npos) {
            return true;
        }
    }
    return false;
}

size_t CLogCapture::Count(const std::string& text) const
{
    const std::string log = Text();
    size_t count = 0;
    for (size_t at = 0; (at = log.find(text, at)) != std::string::npos; at += text.size()) {
        ++count;
    }
    return count;
}

namespace {

std::string& Root()
{
    static std::string root;
    return root;
}

HRESULT PrivateAppDataFolder(char* path)
{
    lib::DbcsCopy(path, MAX_PATH, Root().c_str());
    return S_OK;
}

class CPrivateAppData : public ::testing::Environment {
public:
    void TearDown() override { lib::DeleteFolder(Root().c_str(), true); }
};

} // namespace

bool UsePrivateAppData(const char* name)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    Root() = lib::FormatString("%s%s_%lu\\", temp, name,
                               static_cast<unsigned long>(GetCurrentProcessId()));
    // Redirect before anything else runs: the first log line fixes the log's folder.
    lib::SetAppDataFolderQuery(&PrivateAppDataFolder);
    if (GetFileAttributesA(Root().c_str()) != INVALID_FILE_ATTRIBUTES) {
        lib::DeleteFolder(Root().c_str(), true);
    }
    CreateDirectoryA(Root().c_str(), nullptr);
    ::testing::AddGlobalTestEnvironment(new CPrivateAppData);
    return true;
}

const std::string& PrivateRoot() { return Root(); }

std::string ProgramFolder()
{
    std::string folder = lib::GetParentFolder(lib::GetModuleFileNameStr(nullptr));
    lib::AppendBackslash(folder);
    return folder;
}

DWORD RunProgramWithin(const std::string& program, const std::string& arguments, DWORD boundMs,
                       bool* started)
{
    std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const bool made = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                     nullptr, nullptr, &startup, &process) != FALSE;
    if (started != nullptr) *started = made;
    if (!made) return STILL_ACTIVE;
    CloseHandle(process.hThread);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process.hProcess, boundMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 10000);
    }
    CloseHandle(process.hProcess);
    return code;
}

CCopiedProgram::CCopiedProgram(const std::string& helper, const std::string& tag)
    : m_bCopied(false)
{
    const std::string root = Root().empty() ? [] {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        return std::string(temp);
    }() : Root();
    m_strFolder = lib::FormatString("%s%s_%lu\\", root.c_str(), tag.c_str(),
                                    static_cast<unsigned long>(GetCurrentProcessId()));
    if (GetFileAttributesA(m_strFolder.c_str()) != INVALID_FILE_ATTRIBUTES) {
        lib::DeleteFolder(m_strFolder.c_str(), true);
    }
    CreateDirectoryA(m_strFolder.c_str(), nullptr);
    m_strProgram = m_strFolder + lib::PathFindFileNameStr(ProgramFolder() + helper);
    m_bCopied = CopyFileA((ProgramFolder() + helper).c_str(), m_strProgram.c_str(), FALSE) != FALSE;
}

CCopiedProgram::~CCopiedProgram() { lib::DeleteFolder(m_strFolder.c_str(), true); }

DWORD CCopiedProgram::Run(const std::vector<std::string>& arguments, DWORD timeoutMs) const
{
    std::string line = "\"" + m_strProgram + "\"";
    for (const std::string& argument : arguments) line += " \"" + argument + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        m_strFolder.c_str(), &startup, &info)) {
        return 1000;
    }
    lib::CHandle process(info.hProcess);
    lib::CHandle thread(info.hThread);
    DWORD code = 1001;
    if (WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.Get(), &code);
    } else {
        TerminateProcess(process.Get(), 1001);
        WaitForSingleObject(process.Get(), 5000);
    }
    return code;
}

} // namespace testsupport
