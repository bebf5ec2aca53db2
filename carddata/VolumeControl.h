#pragma once
// The volume steps of a card's safe removal, and the test whether a drive can be written.
// Each step is one device control on the volume "\\.\X:"; a failed step is logged with its
// Windows error and the error is restored afterwards, so the caller reads the control's own
// code, not one left by the log writer.

#include <windows.h>

// The few questions about a card's volume that only a real card reader answers: the
// file-system name, the volume handle and the device controls on it, and the pause between
// lock attempts. The base class asks Windows; a program or test may install its own answers
// (a simulated card reports "NTFS" and refuses every control a reader accepts).
class CVolumePlatform {
public:
    CVolumePlatform() = default;
    virtual ~CVolumePlatform() = default;
    CVolumePlatform(const CVolumePlatform&) = delete;
    CVolumePlatform& operator=(const CVolumePlatform&) = delete;

    // GetVolumeInformationA of the root ("X:\"), file-system name only.
    virtual BOOL GetFileSystemName(const char* root, char* name, DWORD size);
    // GetDiskFreeSpaceA of the root ("X:\"): the figures capacity and free space are made of.
    virtual BOOL QueryDiskFreeSpace(const char* root, DWORD* sectorsPerCluster,
                                    DWORD* bytesPerSector, DWORD* freeClusters,
                                    DWORD* totalClusters);
    // CreateFileA of "\\.\X:" with the access asked for, shared for reading and writing,
    // so that the card's other users are never locked out by a query; INVALID_HANDLE_VALUE
    // with the last error on failure.
    virtual HANDLE OpenVolumeHandle(char letter, DWORD access);
    // Closes a handle OpenVolumeHandle gave.
    virtual BOOL CloseVolumeHandle(HANDLE volume);
    // DeviceIoControl with no output buffer; the thread's last error tells the failure.
    virtual BOOL DeviceControl(HANDLE volume, DWORD code, void* input, DWORD inputSize);
    virtual void WaitBeforeRetry(DWORD milliseconds);
};

// The platform in use: the one installed, else the one that asks Windows.
CVolumePlatform& GetVolumePlatform();
// Null puts back the real calls. The object stays the caller's and must outlive its use,
// also by a removal thread still running.
void SetVolumePlatform(CVolumePlatform* platform);

// Tries and pauses of LockVolume: about ten seconds for another program to let go.
const int VOLUME_LOCK_TRIES = 20;
const DWORD VOLUME_LOCK_RETRY_MS = 500;

// Read-write for a removable drive, read-only for a CD-ROM; any other drive type is
// refused (last error ERROR_INVALID_DRIVE). INVALID_HANDLE_VALUE on failure.
HANDLE OpenVolume(char driveLetter);
BOOL CloseVolume(HANDLE volume);
BOOL UnlockVolume(HANDLE volume);
// Unlocks first (a lock of our own left behind would not count), then tries to lock.
BOOL LockVolume(HANDLE volume);
BOOL DismountVolume(HANDLE volume);
BOOL SetPreventMediaRemoval(HANDLE volume, bool prevent);
BOOL EjectMedia(HANDLE volume);

// Locks, dismounts and ejects the volume and lets the medium go. True when the lock and
// the dismount succeeded (last error 0); false with the failed step's error, which is
// never 0, and when the volume could not be opened at all, neither ERROR_ACCESS_DENIED
// nor ERROR_INVALID_DATA (the window reads those as "in use" and "no card").
bool RemoveVolumeSafely(char driveLetter);

// Whether the drive accepts writes (IOCTL_DISK_IS_WRITABLE); false also when the drive
// cannot be opened.
bool IsWritableDrive(char driveLetter);
