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

bool Shot(const std::string& road, const std::string& step, const std::string& window, HWND hwnd)
{
    const std::string name = road + "-" + step + "-" + window + ".png";
    const std::string folder = ShotsFolder();
    if (!IsFolder(Bare(folder))) lib::CreateDirectoryTree(Bare(folder).c_str());
    if (!launchertest::ShootWindow(hwnd, folder + name)) {
        ADD_FAILURE() << "no shot " << name << ": the window is not shown or was not copied";
        return false;
    }
    std::printf("shot: %s%s\n", folder.c_str(), name.c_str());
    std::fflush(stdout);
    return true;
}

std::string Space(const std::string& road) { return "e2e_" + road; }

} // namespace roadtest
