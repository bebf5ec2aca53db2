// The drive manager and the safe removal of a card, on simulated cards R: and S: (the
// choice of the active card, the card's usage) and T: (removal); see tools/wine-prefix.
//
// The test plays the agent: it creates "KestrumShareMemName" and writes the drive masks.
// A simulated card answers "NTFS" and refuses every volume control a card reader accepts,
// so the file-system name and the controls are scripted through the volume seam; the
// device library is our stand-in "Tessaly.dll" (tests/carddata/tessaly), in the release
// that each case places on the library search.

#include "carddata/SDInfoMgr.h"
#include "carddata/TessalyDll.h"
#include "carddata/UserListFile.h"
#include "carddata/VolumeControl.h"
#include "lib/AppFolder.h"
#include "lib/BlockShareMemHolder.h"
#include "lib/Path.h"
#include "lib/ShareMem.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------
// Private folders of this process: application data (user list, log) and scratch files.

const bool g_privateAppData = testsupport::UsePrivateAppData("carddata_drives_test");

std::string TestRoot() { return testsupport::PrivateRoot(); }
using testsupport::CLogCapture;

using testsupport::CAgentBlock;

int32_t Bit(char letter) { return testsupport::DriveBit(letter); }

// ---------------------------------------------------------------------------------------
// Windows' answers of a card reader, scripted.

const char* ControlName(DWORD code)
{
    switch (code) {
    case FSCTL_UNLOCK_VOLUME: return "unlock";
    case FSCTL_LOCK_VOLUME: return "lock";
    case FSCTL_DISMOUNT_VOLUME: return "dismount";
    case IOCTL_STORAGE_EJECT_MEDIA: return "eject";
    case IOCTL_STORAGE_MEDIA_REMOVAL: return "removal";
    case IOCTL_DISK_IS_WRITABLE: return "writable";
    default: return "other";
    }
}

// A control that fails and leaves no error code behind.
const DWORD kFailWithoutCode = 0xFFFFFFFF;

class CScriptedVolume : public CVolumePlatform {
public:
    CScriptedVolume() { SetVolumePlatform(this); }
    ~CScriptedVolume() override { SetVolumePlatform(nullptr); }

    // File-system names by drive letter; a letter not listed cannot be asked.
    std::map<char, std::string> m_mapFileSystem;
    // Each control's error, 0 for success. The lock is granted at try m_iLockGrantedAt
    // (0: never, failing with m_dwLockError).
    std::map<DWORD, DWORD> m_mapError;
    int m_iLockGrantedAt = 1;
    DWORD m_dwLockError = ERROR_ACCESS_DENIED;
    // Set: each pause between lock tries waits for it (a removal held up on purpose).
    HANDLE m_hHoldLock = nullptr;

    BOOL GetFileSystemName(const char* root, char* name, DWORD size) override
    {
        const auto found = m_mapFileSystem.find(root[0]);
        if (found == m_mapFileSystem.end()) {
            SetLastError(ERROR_NOT_READY);
            return FALSE;
        }
        lstrcpynA(name, found->second.c_str(), static_cast<int>(size));
        return TRUE;
    }

    BOOL DeviceControl(HANDLE volume, DWORD code, void* input, DWORD inputSize) override
    {
        std::lock_guard<std::mutex> lock(m_oMutex);
        std::string call = ControlName(code);
        if (code == IOCTL_STORAGE_MEDIA_REMOVAL) {
            call += inputSize == 1 && *static_cast<const uint8_t*>(input) == 0 ? "(allow)"
                                                                               : "(prevent)";
        }
        m_vecCalls.push_back(call);
        DWORD error = 0;
        if (code == FSCTL_LOCK_VOLUME) {
            ++m_iLockTries;
            const bool granted = m_iLockGrantedAt != 0 && m_iLockTries >= m_iLockGrantedAt;
            error = granted ? 0 : m_dwLockError;
        } else {
            const auto found = m_mapError.find(code);
            if (found != m_mapError.end()) error = found->second;
        }
        if (error == kFailWithoutCode) {
            SetLastError(0);
            return FALSE;
        }
        SetLastError(error);
        return error == 0;
    }

    void WaitBeforeRetry(DWORD milliseconds) override
    {
        {
            std::lock_guard<std::mutex> lock(m_oMutex);
            m_vecWaits.push_back(milliseconds);
        }
        if (m_hHoldLock != nullptr) WaitForSingleObject(m_hHoldLock, 60000);
    }

    std::vector<std::string> Calls()
    {
        std::lock_guard<std::mutex> lock(m_oMutex);
        return m_vecCalls;
    }
    std::vector<DWORD> Waits()
    {
        std::lock_guard<std::mutex> lock(m_oMutex);
        return m_vecWaits;
    }

private:
    std::mutex m_oMutex;
    std::vector<std::string> m_vecCalls;
    std::vector<DWORD> m_vecWaits;
    int m_iLockTries = 0;
};

// ---------------------------------------------------------------------------------------
// The stand-in device library: which release the search finds, and what it recorded.

std::string ProgramFolder()
{
    return lib::PathRemoveFileSpecStr(lib::GetModuleFileNameStr(nullptr)) + "\\";
}

std::string TessalyFolder(const char* variant)
{
    return ProgramFolder() + "carddata_drives_tessaly\\" + variant + "\\";
}

// Puts one folder on the library search (SetDllDirectoryA, looked up: the headers of
// Windows 2000 do not declare it), or an empty folder: no library to be found.
class CTessalyOnSearch {
public:
    explicit CTessalyOnSearch(const char* variant)
    {
        static int s_iRecordNo = 0;
        m_strRecord = lib::FormatString("%stessaly_%d.txt", TestRoot().c_str(), ++s_iRecordNo);
        SetEnvironmentVariableA("KESTRUM_TESSALY_RECORD", m_strRecord.c_str());
        SetEnvironmentVariableA("KESTRUM_TESSALY_FAIL", nullptr);
        std::string folder;
        if (variant != nullptr) {
            folder = TessalyFolder(variant);
        } else {
            folder = TestRoot() + "no_library\\";
            CreateDirectoryA(folder.c_str(), nullptr);
        }
        SetSearchFolder(folder.c_str());
    }
    ~CTessalyOnSearch()
    {
        SetSearchFolder(nullptr);
        SetEnvironmentVariableA("KESTRUM_TESSALY_RECORD", nullptr);
        SetEnvironmentVariableA("KESTRUM_TESSALY_FAIL", nullptr);
    }
    void Fail(const char* names) { SetEnvironmentVariableA("KESTRUM_TESSALY_FAIL", names); }
    std::vector<std::string> Recorded() const
    {
        return lib::SplitString(testsupport::ReadFileBytes(m_strRecord).c_str(), "\n");
    }

private:
    static void SetSearchFolder(const char* folder)
    {
        typedef BOOL(WINAPI * SetDllDirectoryFn)(LPCSTR);
        static const SetDllDirectoryFn setDllDirectory = reinterpret_cast<SetDllDirectoryFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                   "SetDllDirectoryA")));
        ASSERT_NE(nullptr, setDllDirectory);
        ASSERT_TRUE(setDllDirectory(folder));
    }

    std::string m_strRecord;
};

// What the process writes to the debugger. OutputDebugStringA raises
// DBG_PRINTEXCEPTION_C with the text and handles it itself; a vectored handler sees it
// first (looked up: the headers of Windows 2000 do not declare it).
class CDebuggerOutput {
public:
    CDebuggerOutput()
    {
        typedef PVOID(WINAPI * AddHandlerFn)(ULONG, PVECTORED_EXCEPTION_HANDLER);
        const AddHandlerFn add = reinterpret_cast<AddHandlerFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "AddVectoredExceptionHandler")));
        Texts().clear();
        m_pHandler = add != nullptr ? add(1, &CDebuggerOutput::Handler) : nullptr;
    }
    ~CDebuggerOutput()
    {
        typedef ULONG(WINAPI * RemoveHandlerFn)(PVOID);
        const RemoveHandlerFn remove = reinterpret_cast<RemoveHandlerFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                   "RemoveVectoredExceptionHandler")));
        if (m_pHandler != nullptr && remove != nullptr) remove(m_pHandler);
    }
    std::vector<std::string> Lines() const { return Texts(); }

private:
    static std::vector<std::string>& Texts()
    {
        static std::vector<std::string> texts;
        return texts;
    }
    static LONG CALLBACK Handler(PEXCEPTION_POINTERS pointers)
    {
        const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
        if (record->ExceptionCode == 0x40010006 && record->NumberParameters >= 2) {
            Texts().push_back(reinterpret_cast<const char*>(record->ExceptionInformation[1]));
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    PVOID m_pHandler;
};

// ---------------------------------------------------------------------------------------
// A hidden window that receives the removal's outcome.

class CNotifyWindow {
public:
    CNotifyWindow()
    {
        m_hWnd = CreateWindowExA(0, "STATIC", "carddata_drives_test", 0, 0, 0, 0, 0,
                                 HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    ~CNotifyWindow()
    {
        if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
    }
    HWND Get() const { return m_hWnd; }

    // The wParam of the next WM_SDCARD_EJECTED; -1 when none came in time.
    int64_t WaitEjected(DWORD timeoutMs)
    {
        const DWORD start = GetTickCount();
        for (;;) {
            MSG msg;
            while (PeekMessageA(&msg, m_hWnd, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_SDCARD_EJECTED) {
                    EXPECT_EQ(0, msg.lParam);
                    return static_cast<int64_t>(msg.wParam);
                }
            }
            const DWORD elapsed = GetTickCount() - start;
            if (elapsed >= timeoutMs) return -1;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_POSTMESSAGE);
        }
    }

private:
    HWND m_hWnd;
};

// ---------------------------------------------------------------------------------------
// Pure helpers.

TEST(DriveTexts, SizeTexts)
{
    const uint64_t MB = 1024ull * 1024;
    const uint64_t GB = 1024 * MB;
    const struct {
        uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0.00MB"},
        {5 * MB, "5.00MB"},
        {50 * MB, "50.0MB"},
        {512 * MB, "512MB"},
        {1023 * MB, "1023MB"},
        {1536 * MB, "1.50GB"},
        {20 * GB, "20.0GB"},
        {200 * GB, "200GB"},
        {9999999 * GB, "9999999GB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.text, CSDInfoMgr::FormatSizeText(c.bytes)) << c.bytes;
        EXPECT_LE(CSDInfoMgr::FormatSizeText(c.bytes).size(), 9u);
    }
}

TEST(DriveTexts, MaskToDriveLetters)
{
    const struct {
        int32_t mask;
        const char* letters;
    } cases[] = {
        {0, ""},
        {0x1, "A"},
        {0x18, "DE"},
        {Bit('C') | Bit('R') | Bit('Z'), "CRZ"},
        // Bits above Z name no drive.
        {-1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
        {static_cast<int32_t>(0xFC000000u), ""},
    };
    for (const auto& c : cases) {
        char letters[27];
        std::memset(letters, 'x', sizeof letters);
        CSDInfoMgr::MaskToDriveLetters(c.mask, letters);
        EXPECT_STREQ(c.letters, letters) << std::hex << c.mask;
    }
}

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second,
                WORD milliseconds = 0, WORD dayOfWeek = 0)
{
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = milliseconds;
    time.wDayOfWeek = dayOfWeek;
    return time;
}

TEST(DriveTexts, LaterSystemTime)
{
    const SYSTEMTIME base = Time(2026, 12, 9, 10, 20, 30);
    const struct {
        SYSTEMTIME a;
        bool later;
    } cases[] = {
        {Time(2026, 12, 9, 10, 20, 30), false},
        {Time(2026, 12, 9, 10, 20, 31), true},
        {Time(2026, 12, 9, 10, 20, 29), false},
        {Time(2027, 1, 1, 0, 0, 0), true},
        {Time(2026, 11, 30, 23, 59, 59), false},
        {Time(2026, 12, 10, 0, 0, 0), true},
        {Time(2026, 12, 9, 11, 0, 0), true},
        {Time(2026, 12, 9, 10, 21, 0), true},
        // Milliseconds and the day of the week do not count.
        {Time(2026, 12, 9, 10, 20, 30, 999, 5), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.later, IsLaterSystemTime(c.a, base))
            << c.a.wYear << "/" << c.a.wMonth << "/" << c.a.wDay << " " << c.a.wHour << ":"
            << c.a.wMinute << ":" << c.a.wSecond << "." << c.a.wMilliseconds;
    }
    EXPECT_FALSE(IsLaterSystemTime(Time(0, 0, 0, 0, 0, 0), Time(0, 0, 0, 0, 0, 0)));
    EXPECT_TRUE(IsLaterSystemTime(Time(2000, 1, 1, 0, 0, 0), Time(0, 0, 0, 0, 0, 0)));
}

// ---------------------------------------------------------------------------------------
// The drive list and the choice of the active card, on R: and S:.

class DriveManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_oCardR.IsRemovable() && m_oCardS.IsRemovable())
            << "R: or S: is not a removable drive: the Wine prefix predates them; delete the "
               "build folder's wineprefix";
        ASSERT_TRUE(m_oAgent.IsReady());
        m_oAgent.Write(0, 0, 0);
    }
    void TearDown() override { m_oAgent.Write(0, 0, 0); }

    CSimulatedCard m_oCardR{'R'};
    CSimulatedCard m_oCardS{'S'};
    CAgentBlock m_oAgent;
    CScriptedVolume m_oVolume;
};

struct CardChoiceCase {
    const char* name;
    int32_t removableMask;
    int32_t cardMask;
    const char* fileSystemR; // null: the volume cannot be asked
    const char* fileSystemS;
    char selectedBefore;
    bool result;
    char selectedAfter;
};

TEST_F(DriveManagerTest, ChoiceOfTheActiveCard)
{
    const char unused = FindUnusedDriveLetter();
    ASSERT_NE(0, unused);
    const CardChoiceCase cases[] = {
        {"one removable FAT drive without a card bit", Bit('R'), 0, "FAT", "FAT", 0, true, 'R'},
        {"one removable FAT32 drive, named in lower case", Bit('S'), 0, "FAT", "fat32", 'R', true,
         'S'},
        {"two removable drives without card bits clear the selection", Bit('R') | Bit('S'), 0,
         "FAT32", "FAT32", 'R', true, 0},
        {"a card bit on a non-FAT volume keeps the selection", Bit('R'), Bit('R'), "NTFS",
         "FAT32", 'S', false, 'S'},
        {"a card bit on an exFAT volume keeps the selection", Bit('R') | Bit('S'), Bit('S'),
         "FAT32", "exFAT", 0, false, 0},
        {"a volume whose file system cannot be asked", Bit('R'), Bit('R'), nullptr, "FAT", 'S',
         false, 'S'},
        {"removable R and S with the card bit on S", Bit('R') | Bit('S'), Bit('S'), "FAT32",
         "FAT32", 0, true, 'S'},
        {"two cards: the first letter", Bit('R') | Bit('S'), Bit('R') | Bit('S'), "FAT", "FAT32",
         'S', true, 'R'},
        {"a bit for C is ignored", Bit('C') | Bit('R'), Bit('C'), "FAT", "FAT", 0, true, 'R'},
        {"A and B are never listed", Bit('A') | Bit('B') | Bit('R'), Bit('A') | Bit('B'), "FAT",
         "FAT", 0, true, 'R'},
        {"a letter without a medium is not listed", Bit(unused) | Bit('R'), 0, "FAT", "FAT", 0,
         true, 'R'},
        {"a card bit without a medium", Bit(unused) | Bit('R') | Bit('S'), Bit(unused), "FAT",
         "FAT", 'R', true, 0},
        {"no removable drive clears the selection", 0, 0, "FAT", "FAT", 'S', true, 0},
    };
    for (const CardChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_oVolume.m_mapFileSystem.clear();
        if (c.fileSystemR != nullptr) m_oVolume.m_mapFileSystem['R'] = c.fileSystemR;
        if (c.fileSystemS != nullptr) m_oVolume.m_mapFileSystem['S'] = c.fileSystemS;
        m_oVolume.m_mapFileSystem['C'] = "FAT";
        m_oVolume.m_mapFileSystem[unused] = "FAT";
        m_oAgent.Write(c.removableMask, c.cardMask, c.selectedBefore);

        CSDInfoMgr manager;
        EXPECT_EQ(c.result, manager.FindUnitCardDrive());
        EXPECT_EQ(c.selectedAfter, manager.GetSelectedDrive());
        // Another manager, as in another window or process, sees the same card.
        CSDInfoMgr other;
        EXPECT_EQ(c.selectedAfter, other.GetSelectedDrive());
        // The agent's masks are left as they were.
        const CardShareRecord record = m_oAgent.Read();
        EXPECT_EQ(c.removableMask, record.removableMask);
        EXPECT_EQ(c.cardMask, record.cardMask);
    }
}

TEST_F(DriveManagerTest, DriveListEntries)
{
    m_oAgent.Write(Bit('A') | Bit('C') | Bit('R') | Bit('S'), Bit('S'), 0);
    // Other programs write to the same host disk meanwhile: the free space is read on both
    // sides of the listing.
    const auto freeSpaceText = [](const char* root) {
        ULARGE_INTEGER available, total, freeBytes;
        EXPECT_TRUE(GetDiskFreeSpaceExA(root, &available, &total, &freeBytes));
        return CSDInfoMgr::FormatSizeText(freeBytes.QuadPart);
    };
    const std::string sizesBefore[] = {freeSpaceText("R:\\"), freeSpaceText("S:\\")};
    CSDInfoMgr manager;
    std::vector<SDDriveInfo> list(1); // entries are appended
    ASSERT_TRUE(manager.GetDriveList(list));
    const std::string sizesAfter[] = {freeSpaceText("R:\\"), freeSpaceText("S:\\")};
    ASSERT_EQ(3u, list.size());
    const char letters[] = {'R', 'S'};
    for (int i = 0; i < 2; ++i) {
        const SDDriveInfo& info = list[i + 1];
        const char letter = letters[i];
        SCOPED_TRACE(std::string(1, letter));
        EXPECT_EQ(letter, info.m_cDrive);
        EXPECT_EQ(letter == 'S' ? 1 : 0, info.m_byUnitCard);
        char label[MAX_PATH] = {};
        const std::string root = std::string(1, letter) + ":\\";
        ASSERT_TRUE(GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr,
                                          nullptr, nullptr, 0));
        EXPECT_EQ(std::string(label) + "(" + letter + ":)", info.m_strDisplayName);
        EXPECT_EQ("リムーバブルディスク", info.m_strKind);
        EXPECT_TRUE(info.m_strSize == sizesBefore[i] || info.m_strSize == sizesAfter[i])
            << info.m_strSize << " " << sizesBefore[i] << " " << sizesAfter[i];
    }

    EXPECT_FALSE(manager.IsUnitCardDrive('R'));
    EXPECT_TRUE(manager.IsUnitCardDrive('S'));
}

TEST_F(DriveManagerTest, UnitCardDriveLetters)
{
    m_oAgent.Write(0, Bit('A') | Bit('B') | Bit('C') | Bit('Z'), 0);
    CSDInfoMgr manager;
    const struct {
        char letter;
        bool card;
    } cases[] = {{'A', false}, {'B', false}, {'C', true}, {'D', false},
                 {'Z', true},  {0, false},    {'z', false}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.card, manager.IsUnitCardDrive(c.letter)) << static_cast<int>(c.letter);
    }
}

TEST_F(DriveManagerTest, CapacityAndFreeSpaceOfTheSelectedCard)
{
    CSDInfoMgr manager;
    EXPECT_EQ(0u, manager.GetTotalBytes());
    EXPECT_EQ(0u, manager.GetFreeBytes());

    m_oVolume.m_mapFileSystem['R'] = "FAT32";
    ASSERT_TRUE(manager.SelectDrive('R'));
    ULARGE_INTEGER available, total, freeBytes;
    ASSERT_TRUE(GetDiskFreeSpaceExA("R:\\", &available, &total, &freeBytes));
    EXPECT_EQ(total.QuadPart, manager.GetTotalBytes());
    EXPECT_GT(manager.GetFreeBytes(), 0u);
    EXPECT_LE(manager.GetFreeBytes(), manager.GetTotalBytes());

    // A letter that names no card reader gives 0, as does a selection that is no drive.
    const char unused = FindUnusedDriveLetter();
    m_oAgent.Write(0, 0, unused);
    EXPECT_EQ(0u, manager.GetTotalBytes());
    m_oAgent.Write(0, 0, 'B');
    EXPECT_EQ(0u, manager.GetTotalBytes());
    EXPECT_EQ(0u, manager.GetFreeBytes());

    ASSERT_TRUE(manager.SelectDrive(0));
    EXPECT_EQ(0, manager.GetSelectedDrive());
}

// ---------------------------------------------------------------------------------------
// Usage by category, on a tree of files on R:.

FILETIME FileTimeOf(uint64_t value)
{
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(value);
    time.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return time;
}

SYSTEMTIME LocalSystemTime(uint64_t value)
{
    const FILETIME utc = FileTimeOf(value);
    FILETIME local;
    SYSTEMTIME time = {};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &time);
    return time;
}

bool SameTime(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool IsZeroTime(const SYSTEMTIME& time)
{
    return SameTime(time, SYSTEMTIME());
}

// 2026/12/09 10:20:30 UTC as a FILETIME value, plus seconds and milliseconds.
uint64_t At(int seconds, int milliseconds = 0)
{
    const uint64_t base = 134098572300000000ull;
    return base + static_cast<uint64_t>(seconds) * 10000000ull +
           static_cast<uint64_t>(milliseconds) * 10000ull;
}

class CategoryUsageTest : public DriveManagerTest {
protected:
    void SetUp() override
    {
        DriveManagerTest::SetUp();
        m_oVolume.m_mapFileSystem['R'] = "FAT32";
    }
    void Put(const std::string& path, size_t bytes, uint64_t time)
    {
        ASSERT_TRUE(m_oCardR.WriteFile(path, std::vector<uint8_t>(bytes, 0x5A))) << path;
        HANDLE file = CreateFileA(m_oCardR.GetPath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        const FILETIME written = FileTimeOf(time);
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &written));
        CloseHandle(file);
    }
};

TEST_F(CategoryUsageTest, CategoriesOfACard)
{
    Put("PC\\PROBE\\RCVTIME.DAT", 100, At(10));
    Put("PC\\PROBE\\deep\\er\\RCVDAT.DAT.ENC", 50, At(70));
    Put("PC\\WEATHER\\W01.DAT", 7, At(5));
    // Category 3: the newest file lies in PC\MAP, one second later than PC\PROGRAM's.
    Put("PC\\PROGRAM\\p.bin", 10, At(1));
    Put("PC\\MAP\\m.bin", 20, At(2));
    Put("PC\\SEARCH5\\s.bin", 30, At(0));
    Put("UPDATE\\u.bin", 3, At(-100));
    Put("PROBE\\20261209\\ProbeData.dat", 40, At(99));
    // Folders without files.
    for (const char* folder : {"NAVIDATA", "NAVIDATA\\IMG", "NAVIDATA\\IMG\\empty", "VP_UNIT"}) {
        ASSERT_TRUE(CreateDirectoryA(m_oCardR.GetPath(folder).c_str(), nullptr)) << folder;
    }

    CSDInfoMgr manager;
    ASSERT_TRUE(manager.SelectDrive('R'));
    const struct {
        uint32_t category;
        uint64_t bytes;
        uint64_t newest; // 0: the time stays all zero
    } cases[] = {
        {0, 150, At(70)}, {1, 7, At(5)}, {2, 0, 0}, {3, 63, At(2)}, {4, 0, 0},
        {5, 0, 0},        {6, 0, 0},     {7, 0, 0}, {8, 0, 0},      {9, 40, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.category);
        SDCategoryUsage usage;
        usage.m_ullTotalBytes = 12345;
        usage.m_stNewest.wYear = 1999;
        ASSERT_TRUE(manager.GetCategoryUsage(usage, c.category));
        EXPECT_EQ(c.bytes, usage.m_ullTotalBytes);
        if (c.newest == 0) {
            EXPECT_TRUE(IsZeroTime(usage.m_stNewest));
        } else {
            EXPECT_TRUE(SameTime(LocalSystemTime(c.newest), usage.m_stNewest))
                << usage.m_stNewest.wHour << ":" << usage.m_stNewest.wMinute << ":"
                << usage.m_stNewest.wSecond;
        }
    }
    SDCategoryUsage usage;
    EXPECT_FALSE(manager.GetCategoryUsage(usage, 10));
    EXPECT_FALSE(manager.GetCategoryUsage(usage, 0xFFFFFFFF));
}

TEST_F(CategoryUsageTest, EqualTimesInCategory3KeepTheFirstFolders)
{
    // Within one second: the later milliseconds of PC\BT do not make it newer.
    Put("PC\\PROGRAM\\p.bin", 1, At(30, 100));
    Put("PC\\BT\\b.bin", 1, At(30, 900));
    CSDInfoMgr manager;
    ASSERT_TRUE(manager.SelectDrive('R'));
    SDCategoryUsage usage;
    ASSERT_TRUE(manager.GetCategoryUsage(usage, 3));
    EXPECT_EQ(2u, usage.m_ullTotalBytes);
    EXPECT_TRUE(SameTime(LocalSystemTime(At(30, 100)), usage.m_stNewest))
        << usage.m_stNewest.wMilliseconds;
}

TEST_F(CategoryUsageTest, NoCardSelectedWalksNoFolder)
{
    // With the current folder on a card whose root has every category's folder, a path
    // formed from drive letter 0 (":\PROBE") would be measured there.
    Put("PROBE\\x\\ProbeData.dat", 64, At(0));
    Put("PC\\PROBE\\a.bin", 32, At(0));
    struct CCurrentFolder {
        CCurrentFolder() { GetCurrentDirectoryA(MAX_PATH, m_szPrevious); }
        ~CCurrentFolder() { SetCurrentDirectoryA(m_szPrevious); }
        char m_szPrevious[MAX_PATH] = {};
    } keep;
    ASSERT_TRUE(SetCurrentDirectoryA("R:\\PC"));
    ASSERT_EQ(64u, lib::GetFolderSize("\\PROBE")) << "the fixture must show the fault";

    CSDInfoMgr manager;
    ASSERT_TRUE(manager.SelectDrive(0));
    for (uint32_t category = 0; category < 10; ++category) {
        SDCategoryUsage usage;
        usage.m_ullTotalBytes = 1;
        usage.m_stNewest.wYear = 2000;
        EXPECT_TRUE(manager.GetCategoryUsage(usage, category)) << category;
        EXPECT_EQ(0u, usage.m_ullTotalBytes) << category;
        EXPECT_TRUE(IsZeroTime(usage.m_stNewest)) << category;
    }
    SDCategoryUsage usage;
    EXPECT_FALSE(manager.GetCategoryUsage(usage, 10));
    // An empty folder text would name the current folder.
    EXPECT_EQ(0u, CSDInfoMgr::GetFolderSize(""));
    EXPECT_TRUE(IsZeroTime(CSDInfoMgr::GetNewestFileTime("")));
    EXPECT_EQ(32u, CSDInfoMgr::GetFolderSize("R:\\PC\\PROBE\\"));
    EXPECT_TRUE(SameTime(LocalSystemTime(At(0)), CSDInfoMgr::GetNewestFileTime("R:\\PC\\PROBE\\")));
}

TEST_F(CategoryUsageTest, ProbeData)
{
    CSDInfoMgr manager;
    EXPECT_FALSE(manager.HasProbeData('R')) << "no PROBE folder";
    Put("PROBE\\ProbeData.dat", 1, At(0));
    Put("PROBE\\rec1\\Other.dat", 1, At(0));
    ASSERT_TRUE(CreateDirectoryA(m_oCardR.GetPath("PROBE\\rec2").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(m_oCardR.GetPath("PROBE\\rec2\\ProbeData.dat").c_str(), nullptr));
    Put("PROBE\\rec3\\deeper\\ProbeData.dat", 1, At(0));
    EXPECT_FALSE(manager.HasProbeData('R')) << "only a file right inside a recording's folder";
    EXPECT_FALSE(manager.HasProbeData(0));
    Put("PROBE\\rec4\\ProbeData.dat", 0, At(0));
    EXPECT_TRUE(manager.HasProbeData('R'));
    EXPECT_FALSE(manager.HasProbeData('S'));
}

// ---------------------------------------------------------------------------------------
// The card's link values recorded for a user.

TEST_F(DriveManagerTest, LinkValuesForAUser)
{
    const struct {
        const char* name;
        int32_t positionX;
        int32_t positionY;
        uint32_t mapVersion; // 0: no record 0x30020001
        uint16_t linkWord;
        bool stored;
    } cases[] = {
        {"every value", 0x1234, 0x5678, 0x20261209, 0x07EA, true},
        {"no position x", 0, 0x5678, 0x20261209, 0x07EA, false},
        {"no position y", 0x1234, 0, 0x20261209, 0x07EA, false},
        {"no map version", 0x1234, 0x5678, 0, 0x07EA, false},
        {"no link word", 0x1234, 0x5678, 0x20261209, 0, false},
        {"a negative position", -2, 0x5678, 1, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = lib::GetDataFolder();
        DeleteFileA((folder + "UserList.info").c_str());
        UserStampRecord earlier;
        earlier.m_uPositionX = 1;
        earlier.m_uPositionY = 2;
        earlier.m_uMapVersion = 3;
        earlier.m_uLinkYear = 4;
        earlier.m_strUserAgent = "earlier";
        {
            CUserListFile users;
            ASSERT_TRUE(users.SaveWithCurrentDevice("KS4DEVICE0001", "ドライバー", 0x77, "ua",
                                                    &earlier));
        }
        CLinkFileBuilder builder;
        builder.SetPosition(c.positionY, c.positionX).SetLinkWord(c.linkWord);
        builder.AddRecord(PCLINK_RECORD_UNIT_INFO, 0x02000010, 0x0E);
        if (c.mapVersion != 0) builder.AddRecord(PCLINK_RECORD_LINK_VALUE, c.mapVersion, 0);
        ASSERT_TRUE(builder.WriteTo(m_oCardR));

        CSDInfoMgr manager;
        manager.GetNaviLinkInfo("ドライバー", 'R');

        CUserListFile users;
        UserStampRecord stamp;
        ASSERT_TRUE(users.GetUserStampByNickName("ドライバー", stamp));
        if (c.stored) {
            EXPECT_EQ(static_cast<uint32_t>(c.positionX), stamp.m_uPositionX);
            EXPECT_EQ(static_cast<uint32_t>(c.positionY), stamp.m_uPositionY);
            EXPECT_EQ(c.mapVersion, stamp.m_uMapVersion);
            EXPECT_EQ(c.linkWord, stamp.m_uLinkYear);
            EXPECT_EQ("0EFerroxPA/2.000010", stamp.m_strUserAgent);
        } else {
            EXPECT_EQ(1u, stamp.m_uPositionX);
            EXPECT_EQ(2u, stamp.m_uPositionY);
            EXPECT_EQ(3u, stamp.m_uMapVersion);
            EXPECT_EQ(4u, stamp.m_uLinkYear);
            EXPECT_EQ("earlier", stamp.m_strUserAgent);
        }
    }
    // A foreign card, or none, changes nothing and breaks nothing.
    m_oCardR.Clear();
    CSDInfoMgr manager;
    manager.GetNaviLinkInfo("ドライバー", 'R');
    manager.GetNaviLinkInfo("unknown user", 'R');
    manager.GetNaviLinkInfo(nullptr, 'R');
    manager.GetNaviLinkInfo("ドライバー", 0);
}

// ---------------------------------------------------------------------------------------
// The volume steps and the writable test on T:.

class VolumeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_oCardT.IsRemovable())
            << "T: is not a removable drive: the Wine prefix predates it; delete the build "
               "folder's wineprefix";
    }
    CSimulatedCard m_oCardT{'T'};
};

TEST_F(VolumeTest, OpenVolumeByDriveType)
{
    CLogCapture log;
    HANDLE volume = OpenVolume('T');
    ASSERT_NE(INVALID_HANDLE_VALUE, volume);
    EXPECT_TRUE(CloseVolume(volume));
    EXPECT_TRUE(log.HasLine("..", "VolumeControl.cpp", "OpenVolume - Start"));
    EXPECT_TRUE(log.HasLine("..", "VolumeControl.cpp", "OpenVolume - ボリューム種別:DRIVE_REMOVABLE"));
    EXPECT_TRUE(log.HasLine("..", "VolumeControl.cpp", "OpenVolume - CreatFile成功"));
    EXPECT_TRUE(log.HasLine("..", "VolumeControl.cpp", "OpenVolume - End"));

    const struct {
        char letter;
        const char* line;
    } refused[] = {
        {'C', "OpenVolume - ボリューム種別NG (3)"},
        {FindUnusedDriveLetter(), "OpenVolume - ボリューム種別NG (1)"},
    };
    for (const auto& c : refused) {
        CLogCapture refusedLog;
        SetLastError(0);
        EXPECT_EQ(INVALID_HANDLE_VALUE, OpenVolume(c.letter)) << c.letter;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DRIVE), GetLastError());
        EXPECT_TRUE(refusedLog.HasLine("!!", "VolumeControl.cpp", c.line)) << refusedLog.Text();
        EXPECT_FALSE(refusedLog.Has("CreatFile"));
    }
}

TEST_F(VolumeTest, WritableDrive)
{
    {
        CScriptedVolume volume;
        CLogCapture log;
        EXPECT_TRUE(IsWritableDrive('T'));
        EXPECT_EQ(std::vector<std::string>{"writable"}, volume.Calls());
        EXPECT_TRUE(log.HasLine("..", "VolumeControl.cpp", "IsWritableDrive - Drive T:"));
        EXPECT_TRUE(log.HasLine("..", "VolumeControl.cpp", "IsWritableDrive - CreatFile成功"));
        EXPECT_TRUE(log.HasLine("..", "VolumeControl.cpp", "DeviceIoControl - Drive T is writable"));
        EXPECT_TRUE(log.HasLine("..", "VolumeControl.cpp", "IsWritableDrive - End"));
    }
    {
        CScriptedVolume volume;
        volume.m_mapError[IOCTL_DISK_IS_WRITABLE] = ERROR_WRITE_PROTECT;
        CLogCapture log;
        EXPECT_FALSE(IsWritableDrive('T'));
        EXPECT_EQ(static_cast<DWORD>(ERROR_WRITE_PROTECT), GetLastError());
        EXPECT_TRUE(log.HasLine("!!", "VolumeControl.cpp",
                                "DeviceIoControl - IOCTL_DISK_IS_WRITABLE ERR:0x00000013"));
        EXPECT_TRUE(log.HasLine("..", "VolumeControl.cpp", "IsWritableDrive - End"));
    }
    {
        CScriptedVolume volume;
        CLogCapture log;
        EXPECT_FALSE(IsWritableDrive(FindUnusedDriveLetter()));
        EXPECT_TRUE(volume.Calls().empty());
        EXPECT_TRUE(log.HasLine("!!", "VolumeControl.cpp", "IsWritableDrive - CreatFile失敗 ERR:0x"));
        EXPECT_TRUE(log.HasLine("..", "VolumeControl.cpp", "IsWritableDrive - End"));
    }
    // Wine itself answers the writable query of a folder drive with error 50.
    EXPECT_FALSE(IsWritableDrive('T'));
}

// ---------------------------------------------------------------------------------------
// The stand-in device library bound directly.

TEST(TessalyDll, BindsAllEntryPointsOrNone)
{
    CTessalyOnSearch search("full");
    {
        CTessalyDll library(TessalyFolder("full").c_str());
        ASSERT_TRUE(library.IsLoaded());
        const uint32_t devices = library.OpenDevices(1);
        EXPECT_EQ(0x5E70u, devices);
        EXPECT_EQ(0x113u, library.GetDeviceFromDriveLetter(devices, 'T'));
        EXPECT_EQ(1u, library.EjectDevice(devices, 0x113));
        EXPECT_EQ(1u, library.CloseDevices(devices));
        library.Unload();
        EXPECT_FALSE(library.IsLoaded());
        // Unbound: the defaults, and nothing reaches the library.
        EXPECT_EQ(0u, library.OpenDevices(1));
        EXPECT_EQ(0xFFFFFFFFu, library.GetDeviceFromDriveLetter(devices, 'T'));
        EXPECT_EQ(0u, library.EjectDevice(devices, 0x113));
        EXPECT_EQ(0u, library.CloseDevices(devices));
    }
    EXPECT_EQ((std::vector<std::string>{"load", "OpenDevices 1 -> 0x00005E70",
                                        "GetDeviceFromDriveLetter 0x00005E70 T -> 0x00000113",
                                        "EjectDevice 0x00005E70 0x00000113 -> 1",
                                        "CloseDevices 0x00005E70 -> 1", "unload"}),
              search.Recorded());

    // The folder text is used as it is: without its backslash it names another file.
    std::string folder = TessalyFolder("full");
    folder.pop_back();
    EXPECT_FALSE(CTessalyDll(folder.c_str()).IsLoaded());
    // Null and empty folders leave the search to the system: it finds the placed library.
    EXPECT_TRUE(CTessalyDll(nullptr).IsLoaded());
    EXPECT_TRUE(CTessalyDll("").IsLoaded());

    CTessalyOnSearch lacking("lacking");
    CDebuggerOutput debugger;
    CTessalyDll partial(TessalyFolder("lacking").c_str());
    EXPECT_FALSE(partial.IsLoaded());
    EXPECT_EQ(std::vector<std::string>{"DLL初期化エラー\n"}, debugger.Lines());
    EXPECT_EQ(0u, partial.OpenDevices(1));
    EXPECT_EQ(0xFFFFFFFFu, partial.GetDeviceFromDriveLetter(0x5E70, 'T'));
    EXPECT_EQ((std::vector<std::string>{"load", "unload"}), lacking.Recorded())
        << "loaded, then released at once";
}

TEST(TessalyDll, DeviceLevelEject)
{
    const struct {
        const char* name;
        const char* variant; // null: no library on the search
        const char* fail;
        char letter;
        uint32_t result;
        std::vector<std::string> recorded;
    } cases[] = {
        {"ejected", "full", nullptr, 'T', 1,
         {"load", "OpenDevices 1 -> 0x00005E70",
          "GetDeviceFromDriveLetter 0x00005E70 T -> 0x00000113",
          "EjectDevice 0x00005E70 0x00000113 -> 1", "CloseDevices 0x00005E70 -> 1", "unload"}},
        {"unknown device still asked", "full", "GetDeviceFromDriveLetter", 'T', 0,
         {"load", "OpenDevices 1 -> 0x00005E70",
          "GetDeviceFromDriveLetter 0x00005E70 T -> 0xFFFFFFFF",
          "EjectDevice 0x00005E70 0xFFFFFFFF -> 0", "CloseDevices 0x00005E70 -> 1", "unload"}},
        {"no device set", "full", "OpenDevices", 'T', 0,
         {"load", "OpenDevices 1 -> 0x00000000", "unload"}},
        {"library missing", nullptr, nullptr, 'T', 0, {}},
        {"library lacking an entry point", "lacking", nullptr, 'T', 0, {"load", "unload"}},
        {"no drive letter", "full", nullptr, 0, 13, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTessalyOnSearch search(c.variant);
        if (c.fail != nullptr) search.Fail(c.fail);
        EXPECT_EQ(c.result, CSDInfoMgr::EjectByDriveLetter(c.letter));
        EXPECT_EQ(c.recorded, search.Recorded());
    }
}

// ---------------------------------------------------------------------------------------
// The removal thread: T: is the selected card, its volume scripted, the library placed.

class RemovalTest : public VolumeTest {
protected:
    void SetUp() override
    {
        VolumeTest::SetUp();
        ASSERT_TRUE(m_oAgent.IsReady());
        ASSERT_NE(nullptr, m_oWindow.Get());
        m_oAgent.Write(Bit('T'), Bit('T'), 'T');
        m_oVolume.m_mapFileSystem['T'] = "FAT32";
    }
    void TearDown() override { m_oAgent.Write(0, 0, 0); }

    // Starts a removal and gives the posted code, -1 when none came within ten seconds.
    int64_t Remove()
    {
        CSDInfoMgr manager;
        manager.StartEjectThread(m_oWindow.Get());
        const int64_t code = m_oWindow.WaitEjected(10000);
        manager.StopEjectThread();
        return code;
    }

    CAgentBlock m_oAgent;
    CScriptedVolume m_oVolume;
    CNotifyWindow m_oWindow;
};

const std::vector<std::string> kDeviceEjected = {
    "load", "OpenDevices 1 -> 0x00005E70", "GetDeviceFromDriveLetter 0x00005E70 T -> 0x00000113",
    "EjectDevice 0x00005E70 0x00000113 -> 1", "CloseDevices 0x00005E70 -> 1", "unload"};

TEST_F(RemovalTest, VolumeOutcomes)
{
    const std::vector<std::string> lockedOut = [] {
        std::vector<std::string> calls{"unlock"};
        calls.insert(calls.end(), VOLUME_LOCK_TRIES, "lock");
        calls.push_back("unlock");
        return calls;
    }();
    const struct {
        const char* name;
        int lockGrantedAt;
        std::map<DWORD, DWORD> errors;
        int64_t code;
        std::vector<std::string> calls;
        size_t waits;
        const char* errorLine; // a level-1 line of VolumeControl
        bool deviceEjected;
    } cases[] = {
        {"removed", 1, {}, 0,
         {"unlock", "lock", "dismount", "eject", "removal(allow)", "unlock"}, 0, nullptr, true},
        {"the lock granted at the third try", 3, {}, 0,
         {"unlock", "lock", "lock", "lock", "dismount", "eject", "removal(allow)", "unlock"}, 2,
         nullptr, true},
        {"the medium not ejected still counts as removed", 1,
         {{IOCTL_STORAGE_EJECT_MEDIA, ERROR_NOT_SUPPORTED}}, 0,
         {"unlock", "lock", "dismount", "eject", "unlock"}, 0,
         "DeviceIoControl - IOCTL_STORAGE_EJECT_MEDIA ERR:0x00000032", true},
        {"the medium not let go still counts as removed", 1,
         {{IOCTL_STORAGE_MEDIA_REMOVAL, ERROR_INVALID_FUNCTION}}, 0,
         {"unlock", "lock", "dismount", "eject", "removal(allow)", "unlock"}, 0,
         "DeviceIoControl - IOCTL_STORAGE_MEDIA_REMOVAL ERR:0x00000001", true},
        {"an unlock refused is no failure", 1, {{FSCTL_UNLOCK_VOLUME, ERROR_NOT_LOCKED}}, 0,
         {"unlock", "lock", "dismount", "eject", "removal(allow)", "unlock"}, 0, nullptr, true},
        {"the lock never granted: in use", 0, {}, ERROR_ACCESS_DENIED, lockedOut,
         VOLUME_LOCK_TRIES - 1, "DeviceIoControl - FSCTL_LOCK_VOLUME ERR:0x00000005", false},
        {"the dismount refused", 1, {{FSCTL_DISMOUNT_VOLUME, ERROR_NOT_SUPPORTED}},
         ERROR_NOT_SUPPORTED, {"unlock", "lock", "dismount", "unlock"}, 0,
         "DeviceIoControl - FSCTL_DISMOUNT_VOLUME ERR:0x00000032", false},
        {"the dismount refused without a code", 1, {{FSCTL_DISMOUNT_VOLUME, kFailWithoutCode}},
         ERROR_INVALID_DRIVE, {"unlock", "lock", "dismount", "unlock"}, 0,
         "DeviceIoControl - FSCTL_DISMOUNT_VOLUME ERR:0x00000000", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CScriptedVolume volume;
        volume.m_mapFileSystem['T'] = "FAT32";
        volume.m_iLockGrantedAt = c.lockGrantedAt;
        volume.m_mapError = c.errors;
        CTessalyOnSearch search("full");
        CLogCapture log;

        EXPECT_EQ(c.code, Remove());
        EXPECT_EQ(c.calls, volume.Calls());
        EXPECT_EQ(std::vector<DWORD>(c.waits, VOLUME_LOCK_RETRY_MS), volume.Waits());
        if (c.errorLine != nullptr) {
            EXPECT_TRUE(log.HasLine("!!", "VolumeControl.cpp", c.errorLine)) << log.Text();
        }
        EXPECT_EQ(c.deviceEjected ? kDeviceEjected : std::vector<std::string>(),
                  search.Recorded());
        // The thread leaves the choice to the window.
        EXPECT_EQ('T', m_oAgent.Read().selectedDrive);
    }
}

TEST_F(RemovalTest, DeviceLibraryMissingOrIncomplete)
{
    const struct {
        const char* name;
        const char* variant;
        const char* fail;
        std::vector<std::string> recorded;
    } cases[] = {
        {"missing", nullptr, nullptr, {}},
        {"lacking an entry point", "lacking", nullptr, {"load", "unload"}},
        {"no device set", "full", "OpenDevices", {"load", "OpenDevices 1 -> 0x00000000", "unload"}},
        {"device not ejected", "full", "EjectDevice",
         {"load", "OpenDevices 1 -> 0x00005E70",
          "GetDeviceFromDriveLetter 0x00005E70 T -> 0x00000113",
          "EjectDevice 0x00005E70 0x00000113 -> 0", "CloseDevices 0x00005E70 -> 1", "unload"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTessalyOnSearch search(c.variant);
        if (c.fail != nullptr) search.Fail(c.fail);
        // The volume is gone already: the window hears "removed" whatever the library does.
        EXPECT_EQ(0, Remove());
        EXPECT_EQ(c.recorded, search.Recorded());
    }
}

TEST_F(RemovalTest, NoCardSelected)
{
    m_oAgent.Write(Bit('T'), Bit('T'), 0);
    CTessalyOnSearch search("full");
    CLogCapture log;
    EXPECT_EQ(ERROR_INVALID_DATA, Remove());
    EXPECT_TRUE(m_oVolume.Calls().empty());
    EXPECT_FALSE(log.Has("OpenVolume"));
    EXPECT_TRUE(search.Recorded().empty());
}

TEST_F(RemovalTest, VolumeThatCannotBeOpened)
{
    const char unused = FindUnusedDriveLetter();
    const struct {
        const char* name;
        char selected;
        const char* line;
    } cases[] = {
        {"the card was pulled", unused, "OpenVolume - ボリューム種別NG (1)"},
        {"a hard disk", 'C', "OpenVolume - ボリューム種別NG (3)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_oAgent.Write(Bit('T'), Bit('T'), c.selected);
        CTessalyOnSearch search("full");
        CLogCapture log;
        // Neither "removed" nor "in use" nor "no card selected".
        EXPECT_EQ(ERROR_INVALID_DRIVE, Remove());
        EXPECT_TRUE(log.HasLine("!!", "VolumeControl.cpp", c.line)) << log.Text();
        EXPECT_TRUE(m_oVolume.Calls().empty());
        EXPECT_TRUE(search.Recorded().empty());
    }
}

TEST_F(RemovalTest, OneRemovalPerCardAtATime)
{
    // The lock is held up until the test lets it go, as by a program holding the card.
    HANDLE hold = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, hold);
    m_oVolume.m_iLockGrantedAt = 2;
    m_oVolume.m_hHoldLock = hold;
    CTessalyOnSearch search("full");
    CLogCapture log;

    CSDInfoMgr* manager = new CSDInfoMgr;
    manager->StartEjectThread(m_oWindow.Get());
    const DWORD before = GetTickCount();
    manager->StopEjectThread();
    const DWORD waited = GetTickCount() - before;
    // Its wait, not the held removal's minute.
    EXPECT_GE(waited, 900u);
    EXPECT_LT(waited, 30000u);
    // The thread runs on its own copy of the window and the letter.
    delete manager;

    // Neither the same manager nor another one starts a second removal of the card.
    CSDInfoMgr again;
    again.StartEjectThread(m_oWindow.Get());
    again.StopEjectThread();
    CSDInfoMgr other;
    other.StartEjectThread(m_oWindow.Get());

    SetEvent(hold);
    EXPECT_EQ(0, m_oWindow.WaitEjected(10000)) << "the first removal was not ended by force";
    other.StopEjectThread();
    EXPECT_EQ(-1, m_oWindow.WaitEjected(300));
    EXPECT_EQ(1u, log.Count("OpenVolume - Start"));
    EXPECT_EQ(kDeviceEjected, search.Recorded());

    // Once it has ended, the card can be removed again.
    CloseHandle(hold);
    m_oVolume.m_hHoldLock = nullptr;
    EXPECT_EQ(0, Remove());
}

TEST_F(RemovalTest, HeldHandleNeedsAStop)
{
    CTessalyOnSearch search("full");
    CSDInfoMgr manager;
    manager.StartEjectThread(m_oWindow.Get());
    EXPECT_EQ(0, m_oWindow.WaitEjected(10000));
    // The handle of the ended thread is still held: nothing starts.
    manager.StartEjectThread(m_oWindow.Get());
    EXPECT_EQ(-1, m_oWindow.WaitEjected(300));
    manager.StopEjectThread();
    manager.StopEjectThread(); // nothing held: nothing to do
    manager.StartEjectThread(m_oWindow.Get());
    EXPECT_EQ(0, m_oWindow.WaitEjected(10000));
    manager.StopEjectThread();
}

} // namespace
