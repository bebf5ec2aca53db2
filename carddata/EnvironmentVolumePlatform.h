#pragma once
// The card-reader answers of a test build, from its environment: Wine serves a simulated
// card as "NTFS" and refuses the volume controls a card reader accepts, so test builds of
// the programs (KESTRUM_TEST_SEAMS) answer them for the letters the test lists instead.
// Each variable is a list of drive letters ("VW"):
//
//   KESTRUM_SIMULATED_CARDS  FAT32 cards; every control succeeds, except
//   KESTRUM_LOCKED_CARDS     of those, the write test fails with ERROR_WRITE_PROTECT
//   KESTRUM_BUSY_CARDS       of those, the lock fails with ERROR_ACCESS_DENIED
//   KESTRUM_NTFS_CARDS       NTFS cards; every control succeeds
//
// A letter in neither of the first and last lists gets the real calls.

#include "carddata/VolumeControl.h"

#include <windows.h>

#include <map>
#include <mutex>
#include <string>

class CEnvironmentVolumePlatform : public CVolumePlatform {
public:
    // The lists as the environment holds them now.
    CEnvironmentVolumePlatform();
    CEnvironmentVolumePlatform(const std::string& simulated, const std::string& ntfs,
                               const std::string& locked, const std::string& busy);

    // Whether the variable's list holds the letter (either case).
    static bool ListsLetter(const char* variable, char letter);

    BOOL GetFileSystemName(const char* root, char* name, DWORD size) override;
    HANDLE OpenVolumeHandle(char letter, DWORD access) override;
    BOOL CloseVolumeHandle(HANDLE volume) override;
    BOOL DeviceControl(HANDLE volume, DWORD code, void* input, DWORD inputSize) override;

private:
    // The file system a listed letter reports, null for a letter that is not listed.
    const char* _FileSystemOf(char letter) const;
    // The letter a handle was opened for, 0 for a handle this platform did not open.
    char _LetterOf(HANDLE volume);

    std::string m_strSimulated;
    std::string m_strNtfs;
    std::string m_strLocked;
    std::string m_strBusy;
    std::mutex m_oLock; // a removal thread opens and closes volumes too
    std::map<HANDLE, char> m_mapLetters;
};

// Installs a process-wide CEnvironmentVolumePlatform built from the environment now; only
// the test builds of the programs call it, first thing in their entry.
void InstallEnvironmentVolumePlatform();
