#include "tests/e2e/support/Road.h"

#include "lib/Path.h"
#include "tests/launcher/support/Observer.h"
#include "tests/launcher/support/ProductFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>

namespace roadtest {

const char kAgentWindowTitle[] = "Kestrum4AgentWindowTitle";

namespace {

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

char Lower(char letter) { return static_cast<char>(std::tolower(static_cast<unsigned char>(letter))); }

// The folder without its trailing backslash, as MoveFile wants it.
std::string Bare(std::string folder)
{
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

// A path under Z: (the host's root) as the host names it, for a person to open.
std::string HostPath(const std::string& path)
{
    if (path.size() < 3 || (path[0] != 'Z' && path[0] != 'z') || path.compare(1, 2, ":\\") != 0) {
        return path;
    }
    std::string host = path.substr(2);
    for (char& c : host) c = c == '\\' ? '/' : c;
    return host;
}

} // namespace

std::string E2eFolder()
{
    // Roads stand in "<build>/tests/e2e/"; the harness finds "<build>/tests/" from there.
    std::string folder = lib::GetParentFolder(Bare(launchertest::TestsFolder()));
    lib::AppendBackslash(folder);
    return folder + "e2e\\";
}

std::string ShotsFolder() { return E2eFolder() + "shots\\"; }

std::string CardRoot(char letter) { return std::string(1, letter) + ":\\"; }

std::string CardFolder(char letter) { return E2eFolder() + "cards\\" + Lower(letter) + "\\"; }

std::string CardAwayFolder(char letter)
{
    return E2eFolder() + "cards\\" + Lower(letter) + "-out\\";
}

bool IsCardIn(char letter) { return IsFolder(Bare(CardFolder(letter))); }

void WriteCardFile(char letter, const std::string& relPath, const std::string& bytes)
{
    const std::string path = (IsCardIn(letter) ? CardFolder(letter) : CardAwayFolder(letter)) + relPath;
    const std::string folder = lib::GetParentFolder(path);
    if (!IsFolder(folder) && !lib::CreateDirectoryTree(folder.c_str())) {
        ADD_FAILURE() << "no folder " << folder << " for the card file (" << GetLastError() << ")";
        return;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (file.fail()) ADD_FAILURE() << "the card file " << path << " was not written";
}

void WriteCardFile(char letter, const std::string& relPath, const std::vector<uint8_t>& bytes)
{
    WriteCardFile(letter, relPath, std::string(bytes.begin(), bytes.end()));
}

HWND WaitForAgentWindow(DWORD timeoutMs)
{
    const DWORD begin = GetTickCount();
    for (;;) {
        const HWND agent = FindWindowA(nullptr, kAgentWindowTitle);
        if (agent != nullptr || GetTickCount() - begin >= timeoutMs) return agent;
        Sleep(50);
    }
}

bool AskAgentForCardCheck()
{
    const HWND agent = FindWindowA(nullptr, kAgentWindowTitle);
    return agent != nullptr && PostMessageA(agent, WM_TIMER, kCardCheckTimer, 0);
}

bool RunAgentCardCheck(DWORD timeoutMs)
{
    const HWND agent = FindWindowA(nullptr, kAgentWindowTitle);
    DWORD_PTR result = 0;
    return agent != nullptr && SendMessageTimeoutA(agent, WM_TIMER, kCardCheckTimer, 0, SMTO_NORMAL,
                                                   timeoutMs, &result) != 0;
}

bool InsertCard(char letter)
{
    const std::string in = Bare(CardFolder(letter));
    const std::string away = Bare(CardAwayFolder(letter));
    if (!IsFolder(in)) {
        if (IsFolder(away) ? !MoveFileA(away.c_str(), in.c_str()) : !CreateDirectoryA(in.c_str(), nullptr)) {
            ADD_FAILURE() << "card " << letter << ": " << in << " not put in (" << GetLastError() << ")";
        }
    }
    return AskAgentForCardCheck();
}

bool RemoveCard(char letter)
{
    const std::string in = Bare(CardFolder(letter));
    const std::string away = Bare(CardAwayFolder(letter));
    if (IsFolder(in)) {
        if (IsFolder(away)) lib::DeleteFolder(away.c_str(), true);
        if (!MoveFileA(in.c_str(), away.c_str())) {
            ADD_FAILURE() << "card " << letter << ": " << in << " not taken out (" << GetLastError() << ")";
        }
    }
    return AskAgentForCardCheck();
}

std::string ProcessCommandLine(HWND window)
{
    // The process parameters' command line, where the process environment block points:
    // the offsets of this program's own bitness, which the product's programs share.
#ifdef _WIN64
    const size_t kParametersAt = 0x20;
    const size_t kCommandLineAt = 0x70;
#else
    const size_t kParametersAt = 0x10;
    const size_t kCommandLineAt = 0x40;
#endif
    struct BasicInformation {
        LONG_PTR lExitStatus;
        void* pPeb;
        ULONG_PTR uAffinity;
        LONG_PTR lPriority;
        ULONG_PTR uProcessId;
        ULONG_PTR uParentId;
    };
    struct CountedText {
        USHORT uLength;
        USHORT uMaximum;
        wchar_t* pBuffer;
    };
    typedef LONG(WINAPI * QueryProcess)(HANDLE, int, void*, ULONG, ULONG*);
    const QueryProcess query = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr || query == nullptr) {
        if (process != nullptr) CloseHandle(process);
        return std::string();
    }
    std::wstring text;
    BasicInformation basic = {};
    void* parameters = nullptr;
    CountedText line = {};
    if (query(process, 0, &basic, sizeof basic, nullptr) == 0 &&
        ReadProcessMemory(process, static_cast<char*>(basic.pPeb) + kParametersAt, &parameters,
                          sizeof parameters, nullptr) &&
        ReadProcessMemory(process, static_cast<char*>(parameters) + kCommandLineAt, &line,
                          sizeof line, nullptr) &&
        line.uLength >= sizeof(wchar_t)) {
        // Whole characters only: a length of an odd number of bytes would read past the text.
        text.resize(line.uLength / sizeof(wchar_t));
        if (!ReadProcessMemory(process, line.pBuffer, &text[0], text.size() * sizeof(wchar_t),
                               nullptr)) {
            text.clear();
        }
    }
    CloseHandle(process);
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &narrow[0],
                            size, nullptr, nullptr);
    }
    return narrow;
}

bool Shot(const std::string& road, const std::string& step, const std::string& window, HWND hwnd)
{
    const std::string name = road + "-" + step + "-" + window + ".png";
    const std::string folder = ShotsFolder();
    if (!IsFolder(Bare(folder))) lib::CreateDirectoryTree(Bare(folder).c_str());
    if (!launchertest::ShootWindow(hwnd, folder + name)) {
        ADD_FAILURE() << "no shot " << name << ": the window is not shown or was not copied";
        return false;
    }
    std::printf("shot: %s\n", HostPath(folder + name).c_str());
    std::fflush(stdout);
    return true;
}

std::string Space(const std::string& road) { return "e2e_" + road; }

} // namespace roadtest
