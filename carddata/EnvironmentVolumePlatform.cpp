#include "carddata/EnvironmentVolumePlatform.h"

#include <winioctl.h>

#include <cctype>

namespace {

std::string ReadList(const char* variable)
{
    char value[64] = {};
    const DWORD length = GetEnvironmentVariableA(variable, value, sizeof value);
    return length < sizeof value ? std::string(value, length) : std::string();
}

bool Holds(const std::string& list, char letter)
{
    const int upper = std::toupper(static_cast<unsigned char>(letter));
    for (const char c : list) {
        if (std::toupper(static_cast<unsigned char>(c)) == upper) return true;
    }
    return false;
}

} // namespace

CEnvironmentVolumePlatform::CEnvironmentVolumePlatform()
    : CEnvironmentVolumePlatform(ReadList("KESTRUM_SIMULATED_CARDS"), ReadList("KESTRUM_NTFS_CARDS"),
                                 ReadList("KESTRUM_LOCKED_CARDS"), ReadList("KESTRUM_BUSY_CARDS"))
{
}

CEnvironmentVolumePlatform::CEnvironmentVolumePlatform(const std::string& simulated,
                                                       const std::string& ntfs,
                                                       const std::string& locked,
                                                       const std::string& busy)
    : m_strSimulated(simulated), m_strNtfs(ntfs), m_strLocked(locked), m_strBusy(busy)
{
}

bool CEnvironmentVolumePlatform::ListsLetter(const char* variable, char letter)
{
    return Holds(ReadList(variable), letter);
}

const char* CEnvironmentVolumePlatform::_FileSystemOf(char letter) const
{
    // A letter in both lists is the card the launcher refuses.
    if (Holds(m_strNtfs, letter)) return "NTFS";
    if (Holds(m_strSimulated, letter)) return "FAT32";
    return nullptr;
}

char CEnvironmentVolumePlatform::_LetterOf(HANDLE volume)
{
    std::lock_guard<std::mutex> lock(m_oLock);
    const auto found = m_mapLetters.find(volume);
    return found != m_mapLetters.end() ? found->second : 0;
}

BOOL CEnvironmentVolumePlatform::GetFileSystemName(const char* root, char* name, DWORD size)
{
    const char* fileSystem = root != nullptr ? _FileSystemOf(root[0]) : nullptr;
    if (fileSystem == nullptr) return CVolumePlatform::GetFileSystemName(root, name, size);
    if (name == nullptr || size <= static_cast<DWORD>(lstrlenA(fileSystem))) {
        SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    lstrcpyA(name, fileSystem);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

HANDLE CEnvironmentVolumePlatform::OpenVolumeHandle(char letter, DWORD access)
{
    HANDLE volume = CVolumePlatform::OpenVolumeHandle(letter, access);
    if (volume != INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        std::lock_guard<std::mutex> lock(m_oLock);
        m_mapLetters[volume] = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
        SetLastError(error);
    }
    return volume;
}

BOOL CEnvironmentVolumePlatform::CloseVolumeHandle(HANDLE volume)
{
    {
        // Forgotten first: Windows may give the value to the next handle at once.
        std::lock_guard<std::mutex> lock(m_oLock);
        m_mapLetters.erase(volume);
    }
    return CVolumePlatform::CloseVolumeHandle(volume);
}

BOOL CEnvironmentVolumePlatform::DeviceControl(HANDLE volume, DWORD code, void* input,
                                               DWORD inputSize)
{
    const char letter = _LetterOf(volume);
    const char* fileSystem = letter != 0 ? _FileSystemOf(letter) : nullptr;
    if (fileSystem == nullptr) return CVolumePlatform::DeviceControl(volume, code, input, inputSize);
    // Locked and busy apply to the FAT32 cards only.
    const bool simulated = Holds(m_strSimulated, letter) && !Holds(m_strNtfs, letter);
    DWORD error = ERROR_SUCCESS;
    if (simulated && code == IOCTL_DISK_IS_WRITABLE && Holds(m_strLocked, letter)) {
        error = ERROR_WRITE_PROTECT;
    } else if (simulated && code == FSCTL_LOCK_VOLUME && Holds(m_strBusy, letter)) {
        error = ERROR_ACCESS_DENIED;
    }
    SetLastError(error);
    return error == ERROR_SUCCESS;
}

void InstallEnvironmentVolumePlatform()
{
    // Lives as long as the process: a removal thread may still use it at exit.
    static CEnvironmentVolumePlatform* s_pPlatform = new CEnvironmentVolumePlatform();
    SetVolumePlatform(s_pPlatform);
}
