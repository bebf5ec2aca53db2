#include "carddata/SDInfoMgr.h"

#include "carddata/PcLinkFile.h"
#include "carddata/TessalyDll.h"
#include "carddata/UserAgent.h"
#include "carddata/UserListFile.h"
#include "carddata/VolumeControl.h"
#include "lib/BlockShareMemHolder.h"
#include "lib/Path.h"
#include "lib/TolveLog.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

const char kRemovableKind[] = "リムーバブルディスク";

// The folder of each usage category, to follow the drive letter; category 3 sums several.
const char* const kCategoryFolder[SD_CATEGORY_COUNT] = {
    ":\\PC\\PROBE",       // 0
    ":\\PC\\WEATHER",     // 1
    ":\\AVMTR",           // 2
    nullptr,              // 3: kCategory3Folders
    ":\\PC\\ORBIS",       // 4
    ":\\NAVIDATA\\IMG",   // 5
    ":\\NAVIDATA\\POINT", // 6
    ":\\WEBDMDATA",       // 7
    ":\\VP_UNIT",         // 8
    ":\\PROBE",           // 9: size only
};
const char* const kCategory3Folders[] = {
    ":\\PC\\PROGRAM", ":\\PC\\BT",      ":\\UPDATE",
    ":\\PC\\MAP",     ":\\PC\\SEARCH1", ":\\PC\\SEARCH2",
    ":\\PC\\SEARCH3", ":\\PC\\SEARCH4", ":\\PC\\SEARCH5",
};
const uint32_t kCategorySeveralFolders = 3;
const uint32_t kCategoryWithoutTime = 9;

// The drives whose removal runs in this process, one bit per letter. A removal that
// outlived StopEjectThread still holds its bit, so no second one starts on the same card.
std::atomic<uint32_t> g_uRemovingDrives(0);

// What the removal thread needs, its own copy: the manager may be gone before it ends.
struct EjectContext {
    HWND m_hWindow;
    char m_cDrive;
    uint32_t m_uDriveBit;
};

uint32_t DriveBit(char driveLetter)
{
    if (driveLetter >= 'A' && driveLetter <= 'Z') return 1u << (driveLetter - 'A');
    if (driveLetter >= 'a' && driveLetter <= 'z') return 1u << (driveLetter - 'a');
    return 0;
}

char UpperDriveLetter(char driveLetter)
{
    return (driveLetter >= 'a' && driveLetter <= 'z') ? static_cast<char>(driveLetter - 'a' + 'A')
                                                      : driveLetter;
}

bool IsCardLetter(char driveLetter)
{
    return driveLetter >= 'C' && driveLetter <= 'Z';
}

CardShareRecord ReadCardRecord()
{
    CardShareRecord record;
    CBlockShareMemHolder holder;
    if (!holder.GetDriveInfo(&record)) record = CardShareRecord();
    return record;
}

std::string DriveRoot(char driveLetter)
{
    char root[4];
    std::snprintf(root, sizeof root, "%c:\\", driveLetter);
    return root;
}

// Clusters times sectors times bytes, of the whole volume or of its free part; 0 when the
// volume cannot be asked.
uint64_t DiskBytes(char driveLetter, bool total)
{
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    const std::string root = DriveRoot(driveLetter);
    if (!GetVolumePlatform().QueryDiskFreeSpace(root.c_str(), &sectorsPerCluster, &bytesPerSector,
                                                &freeClusters, &totalClusters)) {
        TOLVE_LOG(LOG_ERROR, "GetDiskFreeSpace失敗 %c: ERR:0x%08X", driveLetter,
                  static_cast<unsigned>(GetLastError()));
        return 0;
    }
    return static_cast<uint64_t>(total ? totalClusters : freeClusters) * sectorsPerCluster *
           bytesPerSector;
}

uint64_t FileTimeValue(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The newest last-write time below the folder (which ends with a backslash), 0 for none.
uint64_t NewestFileTimeValue(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    uint64_t newest = 0;
    do {
        if (lib::IsDotEntry(data.cFileName)) continue;
        uint64_t time = 0;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A link back up the tree would be walked for ever; the card holds none.
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            time = NewestFileTimeValue(folder + data.cFileName + "\\");
        } else {
            time = FileTimeValue(data.ftLastWriteTime);
        }
        if (time > newest) newest = time;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return newest;
}

} // namespace

bool IsLaterSystemTime(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    const WORD left[] = {a.wYear, a.wMonth, a.wDay, a.wHour, a.wMinute, a.wSecond};
    const WORD right[] = {b.wYear, b.wMonth, b.wDay, b.wHour, b.wMinute, b.wSecond};
    for (size_t i = 0; i < sizeof left / sizeof left[0]; ++i) {
        if (left[i] != right[i]) return left[i] > right[i];
    }
    return false;
}

CSDInfoMgr::CSDInfoMgr() : m_hNotifyWnd(nullptr), m_hEjectThread(nullptr)
{
}

CSDInfoMgr::~CSDInfoMgr()
{
    // The thread works on its own copy of what it needs; it may outlive the manager.
    if (m_hEjectThread != nullptr) CloseHandle(m_hEjectThread);
}

bool CSDInfoMgr::GetDriveList(std::vector<SDDriveInfo>& list)
{
    const CardShareRecord record = ReadCardRecord();
    char letters[27];
    MaskToDriveLetters(record.removableMask, letters);
    for (const char* letter = letters; *letter != '\0'; ++letter) {
        if (*letter < 'D') continue;
        const std::string root = DriveRoot(*letter);
        char label[MAX_PATH] = {};
        if (!GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr,
                                   nullptr, 0)) {
            // A reader without a card.
            TOLVE_LOG(LOG_INFO, "ボリューム情報なし %c: ERR:0x%08X", *letter,
                      static_cast<unsigned>(GetLastError()));
            continue;
        }
        SDDriveInfo info;
        info.m_cDrive = *letter;
        char name[MAX_PATH + 8];
        std::snprintf(name, sizeof name, "%s(%c:)", label, *letter);
        info.m_strDisplayName = name;
        info.m_strKind = kRemovableKind;
        info.m_strSize = FormatSizeText(DiskBytes(*letter, false));
        info.m_byUnitCard = (record.cardMask & static_cast<int32_t>(DriveBit(*letter))) != 0;
        list.push_back(info);
    }
    return true;
}

bool CSDInfoMgr::FindUnitCardDrive()
{
    std::vector<SDDriveInfo> list;
    GetDriveList(list);
    char chosen = 0;
    for (const SDDriveInfo& info : list) {
        if (info.m_cDrive >= 'D' && info.m_cDrive <= 'Z' && IsUnitCardDrive(info.m_cDrive)) {
            chosen = info.m_cDrive;
            break;
        }
    }
    // A lone removable drive can only be the card the user means, link file or not.
    if (chosen == 0 && list.size() == 1) chosen = list[0].m_cDrive;
    return SelectDrive(chosen);
}

bool CSDInfoMgr::SelectDrive(char driveLetter)
{
    if (driveLetter != 0 && !IsFatVolume(driveLetter)) {
        TOLVE_LOG(LOG_INFO, "FAT/FAT32以外のため選択しません %c:", driveLetter);
        return false;
    }
    CBlockShareMemHolder holder;
    if (!holder.SetSelectDrive(driveLetter)) {
        TOLVE_LOG(LOG_ERROR, "選択ドライブの書込失敗 %c", driveLetter != 0 ? driveLetter : '-');
    }
    return true;
}

char CSDInfoMgr::GetSelectedDrive()
{
    CBlockShareMemHolder holder;
    return holder.GetSelectDrive();
}

bool CSDInfoMgr::IsUnitCardDrive(char driveLetter)
{
    if (!IsCardLetter(driveLetter)) return false;
    return (ReadCardRecord().cardMask & static_cast<int32_t>(DriveBit(driveLetter))) != 0;
}

uint64_t CSDInfoMgr::GetTotalBytes()
{
    const char drive = GetSelectedDrive();
    return IsCardLetter(drive) ? DiskBytes(drive, true) : 0;
}

uint64_t CSDInfoMgr::GetFreeBytes()
{
    const char drive = GetSelectedDrive();
    return IsCardLetter(drive) ? DiskBytes(drive, false) : 0;
}

bool CSDInfoMgr::GetCategoryUsage(SDCategoryUsage& usage, uint32_t category)
{
    if (category >= SD_CATEGORY_COUNT) return false;
    usage = SDCategoryUsage();
    const char drive = GetSelectedDrive();
    // Without a card the paths would start at ":\", the current drive's root.
    if (drive == 0) return true;
    const std::string letter(1, drive);

    if (category == kCategorySeveralFolders) {
        for (const char* folder : kCategory3Folders) {
            const std::string path = letter + folder;
            usage.m_ullTotalBytes += GetFolderSize(path);
            const SYSTEMTIME time = GetNewestFileTime(path);
            if (IsLaterSystemTime(time, usage.m_stNewest)) usage.m_stNewest = time;
        }
        return true;
    }
    const std::string path = letter + kCategoryFolder[category];
    usage.m_ullTotalBytes = GetFolderSize(path);
    if (category != kCategoryWithoutTime) usage.m_stNewest = GetNewestFileTime(path);
    return true;
}

uint64_t CSDInfoMgr::GetFolderSize(const std::string& folder)
{
    // An empty text would be read as the current folder.
    if (folder.empty()) return 0;
    const int length = MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, nullptr, 0);
    if (length <= 0) return 0;
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return lib::GetFolderSizeW(wide);
}

SYSTEMTIME CSDInfoMgr::GetNewestFileTime(const std::string& folder)
{
    SYSTEMTIME result = {};
    if (folder.empty()) return result;
    std::string base = folder;
    lib::AppendBackslash(base);
    const uint64_t newest = NewestFileTimeValue(base);
    if (newest == 0) return result;
    FILETIME utc, local;
    utc.dwLowDateTime = static_cast<DWORD>(newest);
    utc.dwHighDateTime = static_cast<DWORD>(newest >> 32);
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &result)) {
        TOLVE_LOG(LOG_ERROR, "時刻変換失敗 ERR:0x%08X", static_cast<unsigned>(GetLastError()));
        result = SYSTEMTIME();
    }
    return result;
}

std::string CSDInfoMgr::FormatSizeText(uint64_t bytes)
{
    const double mb = static_cast<double>(bytes) / 1024 / 1024;
    char text[64];
    if (mb < 1024) {
        const char* format = mb < 10 ? "%1.2fMB" : mb < 100 ? "%2.1fMB" : "%3.0fMB";
        std::snprintf(text, sizeof text, format, mb);
    } else {
        const double gb = mb / 1024;
        const char* format = mb < 10240 ? "%1.2fGB" : mb < 102400 ? "%2.1fGB" : "%3.0fGB";
        std::snprintf(text, sizeof text, format, gb);
    }
    return text;
}

void CSDInfoMgr::MaskToDriveLetters(int32_t mask, char* letters)
{
    const uint32_t bits = static_cast<uint32_t>(mask);
    for (int n = 0; n < 26; ++n) {
        if (bits & (1u << n)) *letters++ = static_cast<char>('A' + n);
    }
    *letters = '\0';
}

bool CSDInfoMgr::HasProbeData(char driveLetter)
{
    if (driveLetter == 0) return false;
    const std::string probe = std::string(1, driveLetter) + ":\\PROBE\\";
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((probe + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
        if (lib::IsDotEntry(data.cFileName)) continue;
        const DWORD attributes =
            GetFileAttributesA((probe + data.cFileName + "\\ProbeData.dat").c_str());
        found = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    } while (!found && FindNextFileA(find, &data));
    FindClose(find);
    return found;
}

void CSDInfoMgr::GetNaviLinkInfo(const char* nickName, char driveLetter)
{
    if (nickName == nullptr || driveLetter == 0) return;
    CPcLinkFile link(0, driveLetter);
    if (!link.IsValid()) return;
    UserStampRecord stamp;
    stamp.m_uPositionX = static_cast<uint32_t>(link.GetPositionX());
    stamp.m_uPositionY = static_cast<uint32_t>(link.GetPositionY());
    stamp.m_uMapVersion = link.GetRecordValue(PCLINK_RECORD_LINK_VALUE);
    stamp.m_uLinkYear = link.GetLinkWord();
    stamp.m_strUserAgent = GetUserAgent(driveLetter).GetUserAgent();
    // A card that lacks any of them would overwrite the user's good values with holes.
    if (stamp.m_uPositionX == 0 || stamp.m_uPositionY == 0 || stamp.m_uMapVersion == 0 ||
        stamp.m_uLinkYear == 0 || stamp.m_strUserAgent.empty()) {
        return;
    }
    CUserListFile users;
    if (!users.SetCurrentUserByNickName(nickName, &stamp)) {
        TOLVE_LOG(LOG_ERROR, "リンク情報の保存失敗 %s", nickName);
    }
}

bool CSDInfoMgr::IsFatVolume(char driveLetter)
{
    char name[MAX_PATH] = {};
    if (!GetVolumePlatform().GetFileSystemName(DriveRoot(driveLetter).c_str(), name,
                                               sizeof name)) {
        TOLVE_LOG(LOG_ERROR, "GetVolumeInformation失敗 %c: ERR:0x%08X", driveLetter,
                  static_cast<unsigned>(GetLastError()));
        return false;
    }
    return lstrcmpiA(name, "FAT") == 0 || lstrcmpiA(name, "FAT32") == 0;
}

void CSDInfoMgr::StartEjectThread(HWND window)
{
    if (m_hEjectThread != nullptr) return;
    const char drive = GetSelectedDrive();
    const uint32_t bit = DriveBit(drive);
    if (bit != 0 && (g_uRemovingDrives.fetch_or(bit) & bit) != 0) {
        // Its outcome still reaches the window that asked for it.
        TOLVE_LOG(LOG_INFO, "取り外し処理中のため開始しません %c:", drive);
        return;
    }
    EjectContext* context = new (std::nothrow) EjectContext{window, drive, bit};
    HANDLE thread = nullptr;
    if (context != nullptr) {
        thread = CreateThread(nullptr, 0, EjectThreadProc, context, 0, nullptr);
    }
    if (thread == nullptr) {
        TOLVE_LOG(LOG_ERROR, "取り外しスレッド起動失敗 ERR:0x%08X",
                  static_cast<unsigned>(GetLastError()));
        delete context;
        g_uRemovingDrives.fetch_and(~bit);
        return;
    }
    m_hNotifyWnd = window;
    m_hEjectThread = thread;
}

void CSDInfoMgr::StopEjectThread()
{
    if (m_hEjectThread == nullptr) return;
    const DWORD waited = WaitForSingleObject(m_hEjectThread, EJECT_STOP_WAIT_MS);
    if (waited == WAIT_TIMEOUT) {
        // Ending it here could leave the volume locked or the heap or log lock held; it
        // ends by itself on its own copy of what it needs.
        TOLVE_LOG(LOG_INFO, "取り外しスレッド実行中のまま解放します");
    } else if (waited == WAIT_FAILED) {
        TOLVE_LOG(LOG_ERROR, "取り外しスレッドの待機失敗 ERR:0x%08X",
                  static_cast<unsigned>(GetLastError()));
    }
    CloseHandle(m_hEjectThread);
    m_hEjectThread = nullptr;
}

uint32_t CSDInfoMgr::EjectByDriveLetter(char driveLetter)
{
    if (driveLetter == 0) return ERROR_INVALID_DATA;
    CTessalyDll library(nullptr);
    const uint32_t devices = library.OpenDevices(1);
    if (devices == 0) return 0;
    const uint32_t device = library.GetDeviceFromDriveLetter(devices, driveLetter);
    // Asked even for an unknown device: the library decides what that means.
    const uint32_t result = library.EjectDevice(devices, device);
    library.CloseDevices(devices);
    return result;
}

DWORD WINAPI CSDInfoMgr::EjectThreadProc(LPVOID parameter)
{
    const std::unique_ptr<EjectContext> context(static_cast<EjectContext*>(parameter));
    DWORD code = ERROR_SUCCESS;
    if (context->m_cDrive == 0) {
        code = ERROR_INVALID_DATA;
    } else if (!RemoveVolumeSafely(context->m_cDrive)) {
        code = GetLastError();
        // The window reads 0 as "removed" and 13 as "no card selected".
        if (code == ERROR_SUCCESS || code == ERROR_INVALID_DATA) code = ERROR_INVALID_DRIVE;
    } else {
        // The reader's device may have gone with the volume; then there is nothing left
        // for the device library to eject.
        if (GetFileAttributesA(DriveRoot(UpperDriveLetter(context->m_cDrive)).c_str()) !=
            INVALID_FILE_ATTRIBUTES) {
            EjectByDriveLetter(context->m_cDrive);
        }
    }
    g_uRemovingDrives.fetch_and(~context->m_uDriveBit);
    if (!PostMessageA(context->m_hWindow, WM_SDCARD_EJECTED, code, 0)) {
        TOLVE_LOG(LOG_ERROR, "取り外し結果の通知失敗 %lu ERR:0x%08X",
                  static_cast<unsigned long>(code), static_cast<unsigned>(GetLastError()));
    }
    return code;
}
