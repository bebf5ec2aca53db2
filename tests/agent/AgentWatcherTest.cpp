// The drive watcher's rules over scripted drives: when the shared card record is written,
// with what, which broadcast follows, and when the launcher is started. The record is the
// real block "KestrumShareMemName" (lock shared_blocks); the setting is read from a private
// "Launcher.ini".

#include "agent/AgentPlatform.h"
#include "agent/DriveWatcher.h"
#include "lib/AppFolder.h"
#include "lib/BlockShareMemHolder.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

namespace {

const bool g_privateAppData = testsupport::UsePrivateAppData("agent_watcher_test");

using testsupport::DriveBit;

struct ScriptedDrive {
    UINT type;
    bool media;
    bool linkFile;
};

// Drives written as letters, each optionally followed by '*' (holds the link file),
// '-' (no media) or '!' (a fixed drive): "D* Z".
class CScriptedPlatform : public CAgentPlatform {
public:
    void SetDrives(const std::string& drives)
    {
        m_mapDrives.clear();
        for (size_t index = 0; index < drives.size(); ++index) {
            const char letter = drives[index];
            if (letter < 'A' || letter > 'Z') continue;
            ScriptedDrive drive = {DRIVE_REMOVABLE, true, false};
            for (; index + 1 < drives.size() && drives[index + 1] != ' '; ++index) {
                const char mark = drives[index + 1];
                if (mark == '*') drive.linkFile = true;
                if (mark == '-') drive.media = false;
                if (mark == '!') drive.type = DRIVE_FIXED;
            }
            m_mapDrives[letter] = drive;
        }
    }
    void SetShellEvent(bool locked, LONG eventId)
    {
        m_bLocked = locked;
        m_lEvent = eventId;
    }
    void ClearRecords()
    {
        m_iDriveQueries = 0;
        m_vecStarted.clear();
        m_vecBroadcasts.clear();
    }

    UINT GetDriveType(const char* root) override
    {
        ++m_iDriveQueries;
        auto drive = m_mapDrives.find(root[0]);
        return drive == m_mapDrives.end() ? DRIVE_NO_ROOT_DIR : drive->second.type;
    }
    bool HasVolume(const char* root) override
    {
        auto drive = m_mapDrives.find(root[0]);
        return drive != m_mapDrives.end() && drive->second.media;
    }
    bool HasLinkFile(char letter) override
    {
        auto drive = m_mapDrives.find(letter);
        return drive != m_mapDrives.end() && drive->second.media && drive->second.linkFile;
    }
    bool GetShellEvent(WPARAM, LPARAM, LONG* eventId) override
    {
        if (m_bLocked) *eventId = m_lEvent;
        return m_bLocked;
    }
    bool StartProgram(const char* commandLine) override
    {
        m_vecStarted.push_back(commandLine);
        return true;
    }
    void Broadcast(WPARAM event) override { m_vecBroadcasts.push_back(event); }

    int m_iDriveQueries = 0;
    std::vector<std::string> m_vecStarted;
    std::vector<WPARAM> m_vecBroadcasts;

private:
    std::map<char, ScriptedDrive> m_mapDrives;
    bool m_bLocked = true;
    LONG m_lEvent = 0;
};

// Neither agent nor launcher writes these, so a record still holding them was not written.
const int32_t kUntouchedMask = 0x40000000;
const char kSelected = 'Q';

std::string LauncherIni() { return lib::GetSettingFolder() + "Launcher.ini"; }

void WriteAutoStart(const char* value)
{
    const std::string path = LauncherIni();
    DeleteFileA(path.c_str());
    if (value != nullptr) {
        // A file of the launcher's that lacks the key still has its section.
        WritePrivateProfileStringA("Launcher", "AutoDLWeather", "1", path.c_str());
        if (value[0] != '\0') {
            WritePrivateProfileStringA("Launcher", "AutoStartLauncher", value, path.c_str());
        }
    }
}

class AgentWatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_cBlock.IsReady());
        WriteAutoStart(nullptr);
    }
    void TearDown() override { WriteAutoStart(nullptr); }

    // Checks the drives of "before", then marks the record and checks those of "after".
    void CheckBeforeAndAfter(const std::string& before, const std::string& after)
    {
        m_cPlatform.SetDrives(before);
        m_cWatcher.CheckCards(nullptr);
        MarkRecord();
        m_cPlatform.ClearRecords();
        m_cPlatform.SetDrives(after);
        m_cWatcher.CheckCards(nullptr);
    }
    void MarkRecord() { m_cBlock.Write(kUntouchedMask, kUntouchedMask, kSelected); }
    CardShareRecord ReadRecord()
    {
        CardShareRecord record;
        CBlockShareMemHolder holder;
        EXPECT_TRUE(holder.GetDriveInfo(&record));
        return record;
    }

    testsupport::CAgentBlock m_cBlock;
    CScriptedPlatform m_cPlatform;
    CDriveWatcher m_cWatcher{m_cPlatform};
};

struct ChangeCase {
    const char* name;
    const char* before;
    const char* after;
    bool written;
    int32_t removableMask;
    int32_t cardMask;
    WPARAM broadcast; // 0: none
    bool started;
};

const int32_t D = DriveBit('D');
const int32_t Z = DriveBit('Z');

const ChangeCase kChangeCases[] = {
    {"FirstCard", "", "D*", true, D, D, DEVICE_ADD, true},
    {"SecondCard", "D*", "D* Z*", true, D | Z, D | Z, DEVICE_ADD, true},
    {"PlainBesideCard", "D*", "D* Z", true, D | Z, D, DEVICE_ADD, false},
    {"PlainOnly", "", "D", true, D, 0, DEVICE_ADD, false},
    {"LastCardOut", "D*", "", true, 0, 0, DEVICE_REMOVE, false},
    {"SwappedSameCount", "D*", "Z*", false, 0, 0, 0, false},
    {"PlainOut", "D* Z", "D*", true, D, D, DEVICE_REMOVE, false},
    {"RemovedCardLeavesOtherCard", "D* Z*", "Z*", true, Z, Z, DEVICE_REMOVE, false},
    {"DrivesAToCNeverCount", "", "A* B* C*", false, 0, 0, 0, false},
    {"ReaderWithoutMedia", "", "D-", false, 0, 0, 0, false},
    {"FixedDrive", "", "D*!", false, 0, 0, 0, false},
};

class AgentWatcherChangeTest : public AgentWatcherTest,
                               public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(AgentWatcherChangeTest, WritesBroadcastsAndStartsAsTheCountChanges)
{
    const ChangeCase& change = GetParam();
    CheckBeforeAndAfter(change.before, change.after);

    const CardShareRecord record = ReadRecord();
    if (change.written) {
        EXPECT_EQ(change.removableMask, record.removableMask);
        EXPECT_EQ(change.cardMask, record.cardMask);
        EXPECT_EQ(0, record.reserved);
    } else {
        EXPECT_EQ(kUntouchedMask, record.removableMask);
        EXPECT_EQ(kUntouchedMask, record.cardMask);
    }
    // The launcher's choice survives every write.
    EXPECT_EQ(kSelected, record.selectedDrive);

    const std::vector<WPARAM> broadcasts =
        change.broadcast != 0 ? std::vector<WPARAM>{change.broadcast} : std::vector<WPARAM>{};
    EXPECT_EQ(broadcasts, m_cPlatform.m_vecBroadcasts);
    const std::vector<std::string> started =
        change.started ? std::vector<std::string>{"Launcher.exe AutoStart"}
                       : std::vector<std::string>{};
    EXPECT_EQ(started, m_cPlatform.m_vecStarted);
}

INSTANTIATE_TEST_SUITE_P(Changes, AgentWatcherChangeTest, ::testing::ValuesIn(kChangeCases),
                         [](const ::testing::TestParamInfo<ChangeCase>& info) {
                             return std::string(info.param.name);
                         });

struct SettingCase {
    const char* name;
    const char* value; // nullptr: no file; "": the key missing
    bool started;
};

const SettingCase kSettingCases[] = {
    {"Off", "0", false},
    {"On", "1", true},
    {"AnyOtherNumber", "2", true},
    {"KeyMissing", "", true},
    {"FileMissing", nullptr, true},
};

class AgentWatcherSettingTest : public AgentWatcherTest,
                                public ::testing::WithParamInterface<SettingCase> {};

TEST_P(AgentWatcherSettingTest, AutoStartLauncherDecidesTheStartOnly)
{
    WriteAutoStart(GetParam().value);
    CheckBeforeAndAfter("", "D*");

    const CardShareRecord record = ReadRecord();
    EXPECT_EQ(D, record.removableMask);
    EXPECT_EQ(D, record.cardMask);
    EXPECT_EQ(std::vector<WPARAM>{DEVICE_ADD}, m_cPlatform.m_vecBroadcasts);
    EXPECT_EQ(GetParam().started ? 1u : 0u, m_cPlatform.m_vecStarted.size());
}

INSTANTIATE_TEST_SUITE_P(Settings, AgentWatcherSettingTest, ::testing::ValuesIn(kSettingCases),
                         [](const ::testing::TestParamInfo<SettingCase>& info) {
                             return std::string(info.param.name);
                         });

struct ShellCase {
    const char* name;
    bool locked;
    unsigned long eventId;
    bool checks;
};

const ShellCase kShellCases[] = {
    {"MediaInserted", true, SHCNE_MEDIAINSERTED, true},
    {"MediaRemoved", true, SHCNE_MEDIAREMOVED, true},
    {"DriveRemoved", true, SHCNE_DRIVEREMOVED, true},
    {"DriveAdd", true, SHCNE_DRIVEADD, true},
    {"DriveAddGui", true, SHCNE_DRIVEADDGUI, true},
    {"Rename", true, SHCNE_RENAMEITEM, false},
    {"InsertedAndRemovedAtOnce", true, SHCNE_MEDIAINSERTED | SHCNE_MEDIAREMOVED, false},
    {"LockRefused", false, SHCNE_MEDIAINSERTED, false},
};

class AgentWatcherShellTest : public AgentWatcherTest,
                              public ::testing::WithParamInterface<ShellCase> {};

TEST_P(AgentWatcherShellTest, OnlyMediaAndDriveEventsCheck)
{
    const ShellCase& shell = GetParam();
    MarkRecord();
    m_cPlatform.SetDrives("D*");
    m_cPlatform.SetShellEvent(shell.locked, static_cast<LONG>(shell.eventId));
    m_cWatcher.OnShellNotification(nullptr, 0, 0);

    const CardShareRecord record = ReadRecord();
    if (shell.checks) {
        EXPECT_GT(m_cPlatform.m_iDriveQueries, 0);
        EXPECT_EQ(D, record.removableMask);
        EXPECT_EQ(std::vector<WPARAM>{DEVICE_ADD}, m_cPlatform.m_vecBroadcasts);
    } else {
        EXPECT_EQ(0, m_cPlatform.m_iDriveQueries);
        EXPECT_EQ(kUntouchedMask, record.removableMask);
        EXPECT_TRUE(m_cPlatform.m_vecBroadcasts.empty());
    }
    EXPECT_EQ(kSelected, record.selectedDrive);
}

INSTANTIATE_TEST_SUITE_P(Events, AgentWatcherShellTest, ::testing::ValuesIn(kShellCases),
                         [](const ::testing::TestParamInfo<ShellCase>& info) {
                             return std::string(info.param.name);
                         });

struct LauncherHold {
    testsupport::CAgentBlock block;
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

// Plays a launcher that holds the mutex a while and writes its choice meanwhile.
DWORD WINAPI HoldAndSelect(void* parameter)
{
    LauncherHold& holder = *static_cast<LauncherHold*>(parameter);
    if (!holder.block.Lock()) return 1;
    SetEvent(holder.held);
    Sleep(300);
    holder.block.Write(kUntouchedMask, kUntouchedMask, 'K');
    holder.block.Unlock();
    return 0;
}

// The letter is taken from the block under the same hold of the mutex as the write: a
// launcher that writes while the agent waits keeps its choice.
TEST_F(AgentWatcherTest, SelectionWrittenWhileTheAgentWaitsSurvives)
{
    LauncherHold holder;
    ASSERT_TRUE(holder.block.IsReady());
    HANDLE thread = CreateThread(nullptr, 0, HoldAndSelect, &holder, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(holder.held, 10000));

    m_cPlatform.SetDrives("D*");
    m_cWatcher.CheckCards(nullptr);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(holder.held);

    const CardShareRecord record = ReadRecord();
    EXPECT_EQ(D, record.removableMask);
    EXPECT_EQ(D, record.cardMask);
    EXPECT_EQ('K', record.selectedDrive);
}

// A new block starts all zeros, and a second watcher (a second agent before it ends) opens
// the first one's block without changing it.
TEST(AgentWatcherBlockTest, SecondWatcherKeepsTheFirstOnesRecord)
{
    CScriptedPlatform platform;
    CDriveWatcher first(platform);
    CBlockShareMemHolder holder;
    CardShareRecord record;
    ASSERT_TRUE(holder.GetDriveInfo(&record));
    EXPECT_EQ(0, record.removableMask);
    EXPECT_EQ(0, record.cardMask);
    EXPECT_EQ(0, record.selectedDrive);

    platform.SetDrives("D* E");
    first.CheckCards(nullptr);
    ASSERT_TRUE(holder.SetSelectDrive('D'));
    {
        CDriveWatcher second(platform);
    }
    ASSERT_TRUE(holder.GetDriveInfo(&record));
    EXPECT_EQ(D | DriveBit('E'), record.removableMask);
    EXPECT_EQ(D, record.cardMask);
    EXPECT_EQ('D', record.selectedDrive);
}

} // namespace
