#include "carddata/VolumeControl.h"

#include "lib/TolveLog.h"

#include <winioctl.h>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<CVolumePlatform*> g_pInstalledPlatform(nullptr);

// A control that failed: its error, logged at the step's level, then handed back through
// the thread's last error as the control left it.
BOOL ReportControl(BOOL result, int line, int level, const char* format)
{
    if (!result) {
        const DWORD error = GetLastError();
        CTolveLogWrapper(__FILE__, line).Write(level, format, static_cast<unsigned>(error));
        SetLastError(error);
    }
    return result;
}

void FormatDevicePath(char driveLetter, char (&path)[8])
{
    std::snprintf(path, sizeof path, "\\\\.\\%c:", driveLetter);
}

} // namespace

BOOL CVolumePlatform::GetFileSystemName(const char* root, char* name, DWORD size)
{
    return GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, name, size);
}

BOOL CVolumePlatform::QueryDiskFreeSpace(const char* root, DWORD* sectorsPerCluster,
                                         DWORD* bytesPerSector, DWORD* freeClusters,
                                         DWORD* totalClusters)
{
    return ::GetDiskFreeSpaceA(root, sectorsPerCluster, bytesPerSector, freeClusters,
                               totalClusters);
}

HANDLE CVolumePlatform::OpenVolumeHandle(char letter, DWORD access)
{
    char device[8];
    FormatDevicePath(letter, device);
    return CreateFileA(device, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       0, nullptr);
}

BOOL CVolumePlatform::CloseVolumeHandle(HANDLE volume)
{
    return CloseHandle(volume);
}

BOOL CVolumePlatform::DeviceControl(HANDLE volume, DWORD code, void* input, DWORD inputSize)
{
    DWORD returned = 0;
    return DeviceIoControl(volume, code, input, inputSize, nullptr, 0, &returned, nullptr);
}

void CVolumePlatform::WaitBeforeRetry(DWORD milliseconds)
{
    Sleep(milliseconds);
}

CVolumePlatform& GetVolumePlatform()
{
    static CVolumePlatform s_oWindows;
    CVolumePlatform* installed = g_pInstalledPlatform.load();
    return installed != nullptr ? *installed : s_oWindows;
}

void SetVolumePlatform(CVolumePlatform* platform)
{
    g_pInstalledPlatform.store(platform);
}

HANDLE OpenVolume(char driveLetter)
{
    TOLVE_LOG(LOG_INFO, "OpenVolume - Start");
    char root[4];
    std::snprintf(root, sizeof root, "%c:\\", driveLetter);
    DWORD access = 0;
    const UINT type = GetDriveTypeA(root);
    if (type == DRIVE_REMOVABLE) {
        TOLVE_LOG(LOG_INFO, "OpenVolume - ボリューム種別:DRIVE_REMOVABLE");
        access = GENERIC_READ | GENERIC_WRITE;
    } else if (type == DRIVE_CDROM) {
        TOLVE_LOG(LOG_INFO, "OpenVolume - ボリューム種別:DRIVE_CDROM");
        access = GENERIC_READ;
    } else {
        TOLVE_LOG(LOG_ERROR, "OpenVolume - ボリューム種別NG (%d)", static_cast<int>(type));
        // A hard disk or network drive is never ejected; say which drive was wrong.
        SetLastError(ERROR_INVALID_DRIVE);
        return INVALID_HANDLE_VALUE;
    }

    HANDLE volume = GetVolumePlatform().OpenVolumeHandle(driveLetter, access);
    const DWORD error = GetLastError();
    if (volume != INVALID_HANDLE_VALUE) {
        TOLVE_LOG(LOG_INFO, "OpenVolume - CreatFile成功");
    } else {
        TOLVE_LOG(LOG_ERROR, "OpenVolume - CreatFile失敗 ERR:0x%08X", static_cast<unsigned>(error));
    }
    TOLVE_LOG(LOG_INFO, "OpenVolume - End");
    SetLastError(volume != INVALID_HANDLE_VALUE ? 0 : error);
    return volume;
}

BOOL CloseVolume(HANDLE volume)
{
    return GetVolumePlatform().CloseVolumeHandle(volume);
}

BOOL UnlockVolume(HANDLE volume)
{
    const BOOL result = GetVolumePlatform().DeviceControl(volume, FSCTL_UNLOCK_VOLUME, nullptr, 0);
    return ReportControl(result, __LINE__, LOG_INFO,
                         "DeviceIoControl - FSCTL_UNLOCK_VOLUME ERR:0x%08X");
}

BOOL LockVolume(HANDLE volume)
{
    UnlockVolume(volume);
    CVolumePlatform& platform = GetVolumePlatform();
    for (int attempt = 1;; ++attempt) {
        if (platform.DeviceControl(volume, FSCTL_LOCK_VOLUME, nullptr, 0)) return TRUE;
        // No pause after the last try: nothing is waited for any more.
        if (attempt == VOLUME_LOCK_TRIES) break;
        const DWORD error = GetLastError();
        platform.WaitBeforeRetry(VOLUME_LOCK_RETRY_MS);
        SetLastError(error);
    }
    return ReportControl(FALSE, __LINE__, LOG_ERROR,
                         "DeviceIoControl - FSCTL_LOCK_VOLUME ERR:0x%08X");
}

BOOL DismountVolume(HANDLE volume)
{
    const BOOL result =
        GetVolumePlatform().DeviceControl(volume, FSCTL_DISMOUNT_VOLUME, nullptr, 0);
    return ReportControl(result, __LINE__, LOG_ERROR,
                         "DeviceIoControl - FSCTL_DISMOUNT_VOLUME ERR:0x%08X");
}

BOOL SetPreventMediaRemoval(HANDLE volume, bool prevent)
{
    PREVENT_MEDIA_REMOVAL flag;
    flag.PreventMediaRemoval = prevent ? TRUE : FALSE;
    const BOOL result = GetVolumePlatform().DeviceControl(volume, IOCTL_STORAGE_MEDIA_REMOVAL,
                                                          &flag, sizeof flag);
    return ReportControl(result, __LINE__, LOG_ERROR,
                         "DeviceIoControl - IOCTL_STORAGE_MEDIA_REMOVAL ERR:0x%08X");
}

BOOL EjectMedia(HANDLE volume)
{
    const BOOL result =
        GetVolumePlatform().DeviceControl(volume, IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0);
    return ReportControl(result, __LINE__, LOG_ERROR,
                         "DeviceIoControl - IOCTL_STORAGE_EJECT_MEDIA ERR:0x%08X");
}

bool RemoveVolumeSafely(char driveLetter)
{
    HANDLE volume = OpenVolume(driveLetter);
    if (volume == INVALID_HANDLE_VALUE) {
        // The card was pulled, or the user may not open volumes. Either way it was not
        // removed by us, and the window must not read "removed", "in use" or "no card".
        DWORD error = GetLastError();
        if (error == ERROR_SUCCESS || error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_DATA) {
            error = ERROR_INVALID_DRIVE;
        }
        SetLastError(error);
        return false;
    }

    bool removed = false;
    DWORD kept = ERROR_SUCCESS;
    if (LockVolume(volume) && DismountVolume(volume)) {
        // The volume is gone from the file system now; whether the reader lets the medium
        // out is its own affair and does not change the outcome.
        if (EjectMedia(volume)) SetPreventMediaRemoval(volume, false);
        removed = true;
    } else {
        kept = GetLastError();
        if (kept == ERROR_SUCCESS) kept = ERROR_INVALID_DRIVE;
    }

    UnlockVolume(volume);
    if (!CloseVolume(volume)) {
        if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    SetLastError(kept);
    return removed;
}

bool IsWritableDrive(char driveLetter)
{
    TOLVE_LOG(LOG_INFO, "IsWritableDrive - Start");
    TOLVE_LOG(LOG_INFO, "IsWritableDrive - Drive %c:", driveLetter);
    CVolumePlatform& platform = GetVolumePlatform();
    HANDLE volume = platform.OpenVolumeHandle(driveLetter, FILE_READ_ATTRIBUTES);
    if (volume == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "IsWritableDrive - CreatFile失敗 ERR:0x%08X",
                  static_cast<unsigned>(error));
        TOLVE_LOG(LOG_INFO, "IsWritableDrive - End");
        SetLastError(error);
        return false;
    }
    TOLVE_LOG(LOG_INFO, "IsWritableDrive - CreatFile成功");

    const BOOL writable = platform.DeviceControl(volume, IOCTL_DISK_IS_WRITABLE, nullptr, 0);
    const DWORD error = GetLastError();
    if (writable) {
        TOLVE_LOG(LOG_INFO, "DeviceIoControl - Drive %c is writable", driveLetter);
    } else {
        TOLVE_LOG(LOG_ERROR, "DeviceIoControl - IOCTL_DISK_IS_WRITABLE ERR:0x%08X",
                  static_cast<unsigned>(error));
    }
    platform.CloseVolumeHandle(volume);
    TOLVE_LOG(LOG_INFO, "IsWritableDrive - End");
    SetLastError(writable ? ERROR_SUCCESS : error);
    return writable != FALSE;
}
