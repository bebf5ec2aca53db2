#include "tests/carddata/support/SimulatedCard.h"

#include "lib/Path.h"
#include "lib/StringUtility.h"

#include <windows.h>

namespace {

// Quiet on purpose: a test's log must hold only the lines of the code under test.
bool DeleteTree(const std::string& folder)
{
    bool ok = true;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ok = DeleteTree(path + "\\") && RemoveDirectoryA(path.c_str()) && ok;
        } else {
            ok = DeleteFileA(path.c_str()) && ok;
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return ok;
}

} // namespace

CSimulatedCard::CSimulatedCard(char letter) : m_cLetter(letter) { Clear(); }

CSimulatedCard::~CSimulatedCard() { Clear(); }

std::string CSimulatedCard::GetRoot() const { return lib::FormatString("%c:\\", m_cLetter); }

std::string CSimulatedCard::GetPath(const std::string& relativePath) const
{
    return GetRoot() + relativePath;
}

bool CSimulatedCard::IsRemovable() const
{
    return GetDriveTypeA(GetRoot().c_str()) == DRIVE_REMOVABLE;
}

bool CSimulatedCard::WriteFile(const std::string& relativePath,
                               const std::vector<uint8_t>& bytes) const
{
    const std::string path = GetPath(relativePath);
    const std::string folder = lib::GetParentFolder(path);
    if (!folder.empty() && !lib::PathIsRootStr(folder) &&
        !lib::CreateDirectoryTree(folder.c_str())) {
        return false;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                nullptr);
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return ok && written == bytes.size();
}

bool CSimulatedCard::SetFileLength(const std::string& relativePath, uint64_t length) const
{
    HANDLE file = CreateFileA(GetPath(relativePath).c_str(), GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LONG high = static_cast<LONG>(length >> 32);
    const bool ok = SetFilePointer(file, static_cast<LONG>(length & 0xFFFFFFFFu), &high,
                                   FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                    SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}

bool CSimulatedCard::RemoveFile(const std::string& relativePath) const
{
    return ::DeleteFileA(GetPath(relativePath).c_str()) != FALSE;
}

bool CSimulatedCard::Clear() const { return DeleteTree(GetRoot()); }

char FindUnusedDriveLetter()
{
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Z'; letter >= 'D'; --letter) {
        if (!(drives & (1u << (letter - 'A')))) return letter;
    }
    return 0;
}
