#pragma once
// The launcher's view of the removable drives and of the active card. The agent publishes
// which drives are removable and which hold a unit's card in the shared card record; every
// manager (each launcher window, the log-in job) reads it from there, and the choice of the
// active card is written back there so that every process sees the same card.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Posted to the window given to StartEjectThread when a removal ended. wParam: 0 removed,
// ERROR_INVALID_DATA (13) no card selected, else the Windows error of the failed step
// (ERROR_ACCESS_DENIED: the volume is in use). lParam: 0.
const UINT WM_SDCARD_EJECTED = WM_APP + 0x10;

struct SDDriveInfo {
    uint8_t m_byUnitCard = 0;   // 1 when the drive holds a unit's card
    char m_cDrive = 0;
    std::string m_strDisplayName;
    std::string m_strKind;
    std::string m_strSize;      // free space
};

struct SDCategoryUsage {
    uint64_t m_ullTotalBytes = 0;
    SYSTEMTIME m_stNewest = {}; // local time of the newest file, all zero when none
};

const uint32_t SD_CATEGORY_COUNT = 10;

// True when a is later than b, by year, month, day, hour, minute and second.
bool IsLaterSystemTime(const SYSTEMTIME& a, const SYSTEMTIME& b);

class CSDInfoMgr {
public:
    CSDInfoMgr();
    virtual ~CSDInfoMgr();
    CSDInfoMgr(const CSDInfoMgr&) = delete;
    CSDInfoMgr& operator=(const CSDInfoMgr&) = delete;

    // Appends the removable drives D to Z that hold a volume, in letter order.
    bool GetDriveList(std::vector<SDDriveInfo>& list);
    // Chooses the active card and stores it; the result of SelectDrive.
    bool FindUnitCardDrive();
    // False, storing nothing, when the drive's file system is not FAT or FAT32; 0 clears
    // the selection. True otherwise, even when no agent publishes the shared record.
    bool SelectDrive(char driveLetter);
    // 0 when no card is selected or the shared record cannot be read.
    char GetSelectedDrive();
    bool IsUnitCardDrive(char driveLetter);

    // Of the selected drive; 0 without one or when the drive cannot be asked.
    uint64_t GetTotalBytes();
    uint64_t GetFreeBytes();
    // The usage of one category of the selected card; all zero (and true) without a card.
    // False only for a category above 9.
    bool GetCategoryUsage(SDCategoryUsage& usage, uint32_t category);

    // Bytes of all files below the folder; 0 for a missing folder or an empty text.
    static uint64_t GetFolderSize(const std::string& folder);
    // The newest last-write time of a file below the folder, local time; all zero when
    // there is none or the text is empty.
    static SYSTEMTIME GetNewestFileTime(const std::string& folder);
    // At most 9 characters for any size below ten million gigabytes: "5.00MB", "1.50GB".
    static std::string FormatSizeText(uint64_t bytes);
    // letters: at least 27 bytes; the letters of the set bits in ascending order.
    static void MaskToDriveLetters(int32_t mask, char* letters);
    static bool HasProbeData(char driveLetter);
    // Stores the card's link values and user agent for the user, when the card has all.
    void GetNaviLinkInfo(const char* nickName, char driveLetter);
    static bool IsFatVolume(char driveLetter);

    // Starts the removal of the selected card; it ends with WM_SDCARD_EJECTED to the
    // window. Nothing happens while a thread handle is held, or while an earlier removal
    // of the same card still runs.
    void StartEjectThread(HWND window);
    // Waits up to 1000 ms for the removal and lets go of its handle. A removal still
    // running then ends on its own and still posts its outcome.
    void StopEjectThread();

    // The reader's device-level eject through "Tessaly.dll": EjectDevice's result, 0 when
    // the library or a device set is not available, 13 for a letter of 0.
    static uint32_t EjectByDriveLetter(char driveLetter);

    static const DWORD EJECT_STOP_WAIT_MS = 1000;

private:
    static DWORD WINAPI EjectThreadProc(LPVOID context);

    HWND m_hNotifyWnd;
    HANDLE m_hEjectThread;
};
