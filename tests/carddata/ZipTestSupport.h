#pragma once
// Fixture helpers of the zip and gzip tests: a private work folder, files, and the log.

#include "lib/TolveLog.h"
#include "tests/support/TestSupport.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace ziptest {

using testsupport::ReadFileBytes;

inline void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
            else DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// A fresh folder under the temporary folder, named after the test and the process, ending
// with a backslash.
inline std::string MakeWorkFolder(const std::string& testName)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "kestrum_" + testName + "_" +
                         std::to_string(GetCurrentProcessId());
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\";
}

// A file that reports more bytes than it gives, as a source that shrinks while it is read:
// a kernel attribute file seen through Wine's Z: drive (its size says 4096, its text is a
// few bytes). "" when there is none here.
inline std::string ShortReadingFile()
{
    const char* const candidates[] = {
        "Z:\\sys\\kernel\\mm\\transparent_hugepage\\enabled",
        "Z:\\sys\\kernel\\mm\\transparent_hugepage\\defrag",
        "Z:\\sys\\power\\state",
    };
    for (const char* candidate : candidates) {
        HANDLE file = CreateFileA(candidate, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        const DWORD size = GetFileSize(file, nullptr);
        char buffer[8192];
        DWORD read = 0;
        const BOOL done = ReadFile(file, buffer, sizeof buffer, &read, nullptr);
        CloseHandle(file);
        if (done && read > 0 && size != INVALID_FILE_SIZE && size > read) return candidate;
    }
    return "";
}

// Log text written after a mark: take a mark before the step, read after it.
using CLogWatch = testsupport::CLogCapture;

// Text that compresses like our log files: time stamps, marks, source names, numbers.
inline std::string LogLikeText(size_t bytes, unsigned seed)
{
    std::string text;
    text.reserve(bytes + 200);
    unsigned state = seed * 2654435761u + 1;
    while (text.size() < bytes) {
        state = state * 1103515245u + 12345u;
        char line[200];
        std::snprintf(line, sizeof line,
                      "2026/12/09 %02u:%02u:%02u:%03u\t!!\tProbeFile.cpp\t%u\t%x\t"
                      "CProbeFile::_ReadFile ERR:0x%08X count=%u\r\n",
                      (state >> 8) % 24, (state >> 13) % 60, (state >> 19) % 60,
                      state % 1000, 100 + state % 900, 0x1a4 + (state >> 24), state,
                      state % 77);
        text += line;
    }
    text.resize(bytes);
    return text;
}

} // namespace ziptest
