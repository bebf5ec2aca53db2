// The card-reader answers of the test builds: a letter in each list in turn, asked through
// the product's volume calls, and a drive in no list that gets Windows' own answers.

#include "carddata/EnvironmentVolumePlatform.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <string>

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("carddata_volume_seam_test");

const char kCard = 'V';
const char* const kVariables[] = {"KESTRUM_SIMULATED_CARDS", "KESTRUM_NTFS_CARDS",
                                  "KESTRUM_LOCKED_CARDS", "KESTRUM_BUSY_CARDS"};

// The lists set in this process's environment for one case, and cleared after it.
class CCardLists {
public:
    CCardLists(const char* simulated, const char* ntfs, const char* locked, const char* busy)
    {
        const char* values[] = {simulated, ntfs, locked, busy};
        for (int i = 0; i < 4; ++i) SetEnvironmentVariableA(kVariables[i], values[i]);
    }
    ~CCardLists()
    {
        for (const char* variable : kVariables) SetEnvironmentVariableA(variable, nullptr);
    }
};

// Built from the environment like the programs' platform, without the pauses between lock
// tries, so that a busy card's twenty refusals take no time.
class CEnvironmentWithoutPauses : public CEnvironmentVolumePlatform {
public:
    CEnvironmentWithoutPauses() { SetVolumePlatform(this); }
    ~CEnvironmentWithoutPauses() override { SetVolumePlatform(nullptr); }
    void WaitBeforeRetry(DWORD) override { ++m_iPauses; }
    int m_iPauses = 0;
};

struct Answers {
    std::string fileSystem; // empty when the query failed
    bool writable = false;
    DWORD writableError = 0;
    bool locked = false;
    DWORD lockError = 0;
    bool dismounted = false;
};

Answers AskCard(char letter)
{
    Answers answers;
    char name[MAX_PATH] = {};
    const std::string root = std::string(1, letter) + ":\\";
    if (GetVolumePlatform().GetFileSystemName(root.c_str(), name, sizeof name)) {
        answers.fileSystem = name;
    }
    answers.writable = IsWritableDrive(letter);
    answers.writableError = answers.writable ? 0 : GetLastError();
    HANDLE volume = OpenVolume(letter);
    EXPECT_NE(volume, INVALID_HANDLE_VALUE) << letter << ": " << GetLastError();
    if (volume == INVALID_HANDLE_VALUE) return answers;
    answers.locked = LockVolume(volume) != FALSE;
    answers.lockError = answers.locked ? 0 : GetLastError();
    answers.dismounted = DismountVolume(volume) != FALSE;
    UnlockVolume(volume);
    EXPECT_TRUE(CloseVolume(volume));
    return answers;
}

TEST(EnvironmentVolumePlatform, AnswersEachListedCardAsItsListSays)
{
    ASSERT_EQ(GetDriveTypeA("V:\\"), static_cast<UINT>(DRIVE_REMOVABLE))
        << "the prefix lacks card V: (delete the build's wineprefix)";
    struct Case {
        const char* name;
        const char* simulated;
        const char* ntfs;
        const char* locked;
        const char* busy;
        const char* fileSystem;
        DWORD writableError; // 0: writable
        DWORD lockError;     // 0: locked
    };
    const Case cases[] = {
        {"simulated", "V", "", "", "", "FAT32", 0, 0},
        {"simulated among others, lower case", "pvw", "", "", "", "FAT32", 0, 0},
        {"NTFS", "", "V", "", "", "NTFS", 0, 0},
        {"locked", "V", "", "V", "", "FAT32", ERROR_WRITE_PROTECT, 0},
        {"busy", "V", "", "", "V", "FAT32", 0, ERROR_ACCESS_DENIED},
        {"locked and busy", "V", "", "V", "V", "FAT32", ERROR_WRITE_PROTECT, ERROR_ACCESS_DENIED},
        {"in both card lists: NTFS, neither locked nor busy", "V", "V", "V", "V", "NTFS", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCardLists lists(c.simulated, c.ntfs, c.locked, c.busy);
        CEnvironmentWithoutPauses platform;
        const Answers answers = AskCard(kCard);
        EXPECT_EQ(answers.fileSystem, c.fileSystem);
        EXPECT_EQ(answers.writable, c.writableError == 0);
        EXPECT_EQ(answers.writableError, c.writableError);
        EXPECT_EQ(answers.locked, c.lockError == 0);
        EXPECT_EQ(answers.lockError, c.lockError);
        EXPECT_EQ(platform.m_iPauses, c.lockError == 0 ? 0 : VOLUME_LOCK_TRIES - 1);
        EXPECT_TRUE(answers.dismounted) << "every other control is accepted";
    }
}

TEST(EnvironmentVolumePlatform, ALetterInNoCardListGetsTheRealAnswers)
{
    // Windows' own answers, asked without any platform installed.
    const Answers real = AskCard(kCard);
    struct Case {
        const char* name;
        const char* simulated;
        const char* ntfs;
        const char* locked;
        const char* busy;
    };
    const Case cases[] = {
        {"no lists", "", "", "", ""},
        {"other cards", "PW", "Q", "P", "W"},
        {"locked and busy only", "", "", "V", "V"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCardLists lists(c.simulated, c.ntfs, c.locked, c.busy);
        CEnvironmentWithoutPauses platform;
        const Answers answers = AskCard(kCard);
        EXPECT_EQ(answers.fileSystem, real.fileSystem);
        EXPECT_EQ(answers.writable, real.writable);
        EXPECT_EQ(answers.writableError, real.writableError);
        EXPECT_EQ(answers.locked, real.locked);
        EXPECT_EQ(answers.lockError, real.lockError);
        EXPECT_EQ(answers.dismounted, real.dismounted);
    }
    if (testsupport::UnderWine()) {
        EXPECT_EQ(real.fileSystem, "NTFS") << "Wine's answer for a simulated card";
        EXPECT_EQ(real.writableError, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    }
}

TEST(EnvironmentVolumePlatform, AHardDiskHandleOpenedThroughItGetsTheRealAnswers)
{
    CCardLists lists("V", "V", "V", "V");
    CEnvironmentWithoutPauses platform;
    CVolumePlatform windows;
    char name[MAX_PATH] = {};
    char realName[MAX_PATH] = {};
    const BOOL named = platform.GetFileSystemName("C:\\", name, sizeof name);
    EXPECT_EQ(named, windows.GetFileSystemName("C:\\", realName, sizeof realName));
    EXPECT_STREQ(name, realName);

    HANDLE seam = platform.OpenVolumeHandle('C', GENERIC_READ);
    ASSERT_NE(seam, INVALID_HANDLE_VALUE) << GetLastError();
    HANDLE real = windows.OpenVolumeHandle('C', GENERIC_READ);
    ASSERT_NE(real, INVALID_HANDLE_VALUE) << GetLastError();
    for (const DWORD code : {IOCTL_DISK_IS_WRITABLE, FSCTL_DISMOUNT_VOLUME, IOCTL_STORAGE_EJECT_MEDIA}) {
        SetLastError(0);
        const BOOL answered = platform.DeviceControl(seam, code, nullptr, 0);
        const DWORD error = answered ? 0 : GetLastError();
        SetLastError(0);
        const BOOL expected = windows.DeviceControl(real, code, nullptr, 0);
        EXPECT_EQ(answered, expected) << std::hex << code;
        EXPECT_EQ(error, expected ? 0 : GetLastError()) << std::hex << code;
    }
    EXPECT_TRUE(platform.CloseVolumeHandle(seam));
    EXPECT_TRUE(windows.CloseVolumeHandle(real));
}

TEST(EnvironmentVolumePlatform, InstalledFromTheEnvironmentAtInstallTime)
{
    {
        CCardLists lists("V", "", "V", "");
        InstallEnvironmentVolumePlatform();
    }
    EXPECT_TRUE(dynamic_cast<CEnvironmentVolumePlatform*>(&GetVolumePlatform()) != nullptr);
    EXPECT_FALSE(IsWritableDrive(kCard)) << "the lists read when it was installed";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_PROTECT));
    SetVolumePlatform(nullptr);

    CCardLists lists("", "", "", "vW");
    EXPECT_TRUE(CEnvironmentVolumePlatform::ListsLetter("KESTRUM_BUSY_CARDS", 'V'));
    EXPECT_TRUE(CEnvironmentVolumePlatform::ListsLetter("KESTRUM_BUSY_CARDS", 'w'));
    EXPECT_FALSE(CEnvironmentVolumePlatform::ListsLetter("KESTRUM_BUSY_CARDS", 'X'));
    EXPECT_FALSE(CEnvironmentVolumePlatform::ListsLetter("KESTRUM_NO_SUCH_LIST", 'V'));
}

} // namespace
