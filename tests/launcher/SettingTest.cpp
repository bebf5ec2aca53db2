// The launcher's settings: ini texts read into the process-wide record and saved back, in a
// private application folder; and the folder each user name gives.

#include "launcher/LauncherSetting.h"
#include "launcher/UserDataFolder.h"
#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("launcher_setting_test");

using lib::FormatString;

typedef std::map<std::string, std::string> KeyValues;

void WriteText(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(text.size(), written) << path;
}

// The keys of section "Launcher" as the file's text holds them; the file's other sections
// are left out.
KeyValues ReadLauncherKeys(const std::string& path)
{
    KeyValues keys;
    bool inSection = false;
    for (std::string line : lib::SplitString(testsupport::ReadFileBytes(path).c_str(), "\n")) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inSection = line == "[Launcher]";
            continue;
        }
        const size_t equals = line.find('=');
        if (inSection && equals != std::string::npos) {
            keys[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return keys;
}

// The record in its declaration order: MachineType, AutoDLWeather, AutoDLTraffic,
// DriveMemory, DisplayUpload, Atlaro, UploadCurrNum, UploadTotNum, FirstRan, NickNameNo,
// AutoStartLauncher.
std::vector<int64_t> Record(const CLauncherSetting& s)
{
    return {s.GetMachineType(),  s.GetAutoDLWeather(), s.GetAutoDLTraffic(), s.GetDriveMemory(),
            s.GetDisplayUpload(), s.GetAtlaro(),        s.GetUploadCurrNum(),  s.GetUploadTotNum(),
            s.GetFirstRan(),     s.GetNickNameNo(),     s.GetAutoStartLauncher()};
}

std::string PcFile() { return lib::GetSettingFolder() + "Launcher.ini"; }

void RemoveFiles()
{
    DeleteFileA(PcFile().c_str());
    lib::DeleteFolder(lib::GetDataFolder().c_str(), false);
}

const std::vector<int64_t> kDefaults = {0, 1, 1, 1, 1, 1, 0, 0, 1, -1, 1};

const KeyValues kUserDefaults = {
    {"AutoDLWeather", "1"}, {"AutoDLTraffic", "1"}, {"MachineType", "0"},  {"DriveMemory", "1"},
    {"DisplayUpload", "1"}, {"UploadCurrNum", "0"}, {"UploadTotNum", "0"}, {"Atlaro", "1"},
};
const KeyValues kPcDefaults = {{"FirstRan", "1"}, {"NickNameNo", "-1"}, {"AutoStartLauncher", "1"}};

KeyValues With(KeyValues keys, const KeyValues& changes)
{
    for (const auto& change : changes) keys[change.first] = change.second;
    return keys;
}

const char kAllKeys[] =
    "[Launcher]\r\nAutoDLWeather=0\r\nAutoDLTraffic=0\r\nMachineType=3\r\nDriveMemory=0\r\n"
    "DisplayUpload=0\r\nUploadCurrNum=12\r\nUploadTotNum=40\r\nAtlaro=0\r\nFirstRan=0\r\n"
    "NickNameNo=2\r\nAutoStartLauncher=0\r\n";
const KeyValues kAllKeysSaved = {
    {"AutoDLWeather", "0"}, {"AutoDLTraffic", "0"}, {"MachineType", "3"},   {"DriveMemory", "0"},
    {"DisplayUpload", "0"}, {"UploadCurrNum", "12"}, {"UploadTotNum", "40"}, {"Atlaro", "0"},
    {"FirstRan", "0"},      {"NickNameNo", "2"},     {"AutoStartLauncher", "0"},
};

struct SettingCase {
    const char* name;
    const char* user;
    const char* pcText;    // null: no "Launcher.ini"
    const char* userText;  // null: no "Setting.ini" (for a user)
    std::vector<int64_t> record;
    KeyValues pcSaved;
    KeyValues userSaved;   // for a user
};

TEST(LauncherSetting, ReadsTheFilesIntoTheRecordAndSavesItBack)
{
    const std::vector<SettingCase> cases = {
        {"no files, no user", "", nullptr, nullptr, kDefaults,
         With(kUserDefaults, kPcDefaults), {}},
        {"no files, a user", "taro", nullptr, nullptr, kDefaults, kPcDefaults, kUserDefaults},
        {"a flag of 2 reads as false and is saved as 0", "taro", nullptr,
         "[Launcher]\r\nAutoDLWeather=2\r\n", {0, 0, 1, 1, 1, 1, 0, 0, 1, -1, 1}, kPcDefaults,
         With(kUserDefaults, {{"AutoDLWeather", "0"}})},
        {"a value that is no number reads as 0", "taro", "[Launcher]\r\nNickNameNo=abc\r\n",
         "[Launcher]\r\nAutoDLTraffic=abc\r\nMachineType=abc\r\nUploadTotNum=abc\r\n",
         {0, 1, 0, 1, 1, 1, 0, 0, 1, 0, 1}, With(kPcDefaults, {{"NickNameNo", "0"}}),
         With(kUserDefaults, {{"AutoDLTraffic", "0"}})},
        {"NickNameNo -1", "", "[Launcher]\r\nNickNameNo=-1\r\nUploadCurrNum=7\r\n",
         nullptr, {0, 1, 1, 1, 1, 1, 7, 0, 1, -1, 1},
         With(With(kUserDefaults, kPcDefaults), {{"UploadCurrNum", "7"}}), {}},
        {"no user: every key in Launcher.ini", "", kAllKeys, nullptr,
         {3, 0, 0, 0, 0, 0, 12, 40, 0, 2, 0}, kAllKeysSaved, {}},
        // Keys 1 to 8 of Launcher.ini are not the user's: they stay there as they were.
        {"a user without Setting.ini", "hanako", kAllKeys, nullptr,
         {0, 1, 1, 1, 1, 1, 0, 0, 0, 2, 0}, kAllKeysSaved, kUserDefaults},
        {"a user with Setting.ini", "hanako", kAllKeys,
         "[Launcher]\r\nMachineType=5\r\nAtlaro=0\r\nFirstRan=1\r\nNickNameNo=9\r\n",
         {5, 1, 1, 1, 1, 0, 0, 0, 0, 2, 0}, kAllKeysSaved,
         // The PC's keys in the user's file are not read, nor written.
         With(kUserDefaults, {{"MachineType", "5"}, {"Atlaro", "0"}, {"FirstRan", "1"},
                              {"NickNameNo", "9"}})},
        {"other sections and keys", "", "[Other]\r\nFirstRan=0\r\n[Launcher]\r\nFirstRan=0\r\n"
         "Extra=1\r\n", nullptr, {0, 1, 1, 1, 1, 1, 0, 0, 0, -1, 1},
         With(With(With(kUserDefaults, kPcDefaults), {{"FirstRan", "0"}}), {{"Extra", "1"}}),
         {}},
    };
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    for (const SettingCase& c : cases) {
        RemoveFiles();
        const std::string userFile = lib::GetDataFolder() + c.user + "\\Setting.ini";
        if (c.pcText != nullptr) WriteText(PcFile(), c.pcText);
        if (c.userText != nullptr) {
            lib::CreateDirectoryRecursive(lib::GetDataFolder() + c.user);
            WriteText(userFile, c.userText);
        }
        setting.Load(c.user);
        EXPECT_EQ(c.record, Record(setting)) << c.name;

        setting.Save(c.user);
        EXPECT_EQ(c.pcSaved, ReadLauncherKeys(PcFile())) << c.name;
        if (*c.user != '\0') {
            EXPECT_EQ(c.userSaved, ReadLauncherKeys(userFile)) << c.name;
        }
    }
    RemoveFiles();
}

TEST(LauncherSetting, SavesWhatTheWindowsSet)
{
    RemoveFiles();
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    setting.Load("taro");
    setting.SetMachineType(4);
    setting.SetAutoDLWeather(false);
    setting.SetAutoDLTraffic(false);
    setting.SetDriveMemory(false);
    setting.SetDisplayUpload(false);
    setting.SetAtlaro(false);
    setting.SetUploadCurrNum(0x80000000u);
    setting.SetUploadTotNum(100);
    setting.SetFirstRan(false);
    setting.SetNickNameNo(-1);
    setting.SetAutoStartLauncher(false);
    setting.Save("taro");
    EXPECT_EQ((KeyValues{{"FirstRan", "0"}, {"NickNameNo", "-1"}, {"AutoStartLauncher", "0"}}),
              ReadLauncherKeys(PcFile()));
    // The counter's top bit travels as the file's signed number and back.
    EXPECT_EQ((KeyValues{{"AutoDLWeather", "0"}, {"AutoDLTraffic", "0"}, {"MachineType", "4"},
                         {"DriveMemory", "0"}, {"DisplayUpload", "0"},
                         {"UploadCurrNum", "-2147483648"}, {"UploadTotNum", "100"},
                         {"Atlaro", "0"}}),
              ReadLauncherKeys(lib::GetDataFolder() + "taro\\Setting.ini"));

    setting.SetNickNameNo(5);
    setting.Load("taro");
    EXPECT_EQ((std::vector<int64_t>{4, 0, 0, 0, 0, 0, 0x80000000u, 100, 0, -1, 0}),
              Record(setting));
    RemoveFiles();
}

TEST(UserDataFolder, GivesEveryNameOneFolderItCanHold)
{
    const struct {
        const char* user;
        const char* folder;
    } kNames[] = {
        {"taro", "taro"},
        {"表示", "表示"},             // 0x95 0x5C: the trail byte is no separator
        {"ソフト", "ソフト"},         // 0x83 0x5C
        {"a:b", "a_b"},
        {"a/b\\c*?\"<>|", "a_b_c______"},
        {"tab\tcr\r", "tab_cr_"},
        {"CON", "CON_"},
        {"nul", "nul_"},
        {"COM1", "COM1_"},
        {"lpt9", "lpt9_"},
        {"con.txt", "con_.txt"},
        {"CONSOLE", "CONSOLE"},
        {"COM10", "COM10"},
        {"x.", "x_"},
        {"x ", "x_"},
        {"x..", "x._"},
        {".", "_"},
        {"..", "._"},
        {"ナビ.", "ナビ_"},
        {"", "_"},
    };
    for (const auto& n : kNames) {
        EXPECT_EQ(n.folder, MakeUserFolderName(n.user)) << n.user;
        const std::string folder = GetUserDataFolder(n.user);
        EXPECT_EQ(lib::GetDataFolder() + n.folder + "\\", folder) << n.user;
        EXPECT_TRUE(lib::PathIsDirectoryStr(folder)) << n.user;
    }
}

// A user's settings land in the folder of its name and are read back from there.
TEST(UserDataFolder, HoldsTheUsersSettings)
{
    const struct {
        const char* user;
        const char* folder;
    } kNames[] = {{"plain", "plain"}, {"表示", "表示"}, {"a:b", "a_b"}, {"CON", "CON_"},
                  {"x.", "x_"}};
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    for (const auto& n : kNames) {
        RemoveFiles();
        setting.Load(n.user);
        setting.SetMachineType(7);
        setting.Save(n.user);
        const std::string file = lib::GetDataFolder() + n.folder + "\\Setting.ini";
        EXPECT_EQ("7", ReadLauncherKeys(file)["MachineType"]) << n.user;
        setting.Load("");
        EXPECT_EQ(0u, setting.GetMachineType()) << n.user;
        setting.Load(n.user);
        EXPECT_EQ(7u, setting.GetMachineType()) << n.user;
    }
    RemoveFiles();
}

} // namespace
