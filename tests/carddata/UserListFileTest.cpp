#include "carddata/UserListFile.h"

#include "carddata/UserListCodec.h"
#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Every folder of this process lives below a folder of its own, so the test never meets
// another program's "UserList.info".
const bool g_privateAppData = testsupport::UsePrivateAppData("carddata_userlist_test");

using testsupport::ReadFileBytes;

std::string LogText() { return testsupport::ReadLog(); }

// While set, the first replace that a reader refuses closes that reader before it answers
// (the refusal stands): the save meets the reader once and then finds the file free.
HANDLE g_hReaderToClose = INVALID_HANDLE_VALUE;
decltype(&::MoveFileExA) g_pfnRealMoveFileEx = nullptr;

BOOL WINAPI MoveFileExClosingTheReader(LPCSTR from, LPCSTR to, DWORD flags)
{
    const BOOL moved = g_pfnRealMoveFileEx(from, to, flags);
    const DWORD error = GetLastError();
    if (!moved && (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) &&
        g_hReaderToClose != INVALID_HANDLE_VALUE) {
        CloseHandle(g_hReaderToClose);
        g_hReaderToClose = INVALID_HANDLE_VALUE;
    }
    SetLastError(error);
    return moved;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_HIDDEN, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string Scramble(const std::string& plain)
{
    std::vector<char> out(plain.size() * 4 + 1);
    uint32_t size = static_cast<uint32_t>(out.size());
    EXPECT_TRUE(ScrambleUserListLine(plain.c_str(), out.data(), size, true));
    return out.data();
}

// The plain lines of the file, in file order.
std::vector<std::string> PlainLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    for (const std::string& line : lib::SplitString(bytes.c_str(), "\r\n")) {
        std::vector<char> out(line.size() / 4 + 1);
        uint32_t size = static_cast<uint32_t>(out.size());
        EXPECT_TRUE(UnscrambleUserListLine(line.c_str(), out.data(), size, true)) << line;
        lines.push_back(out.data());
    }
    return lines;
}

class UserListFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_strData = lib::GetDataFolder();
        m_strPath = m_strData + "UserList.info";
        lib::DeleteFolder(m_strData.c_str(), false);
        m_uLogStart = LogText().size();
    }

    // Log text written since the test began.
    std::string NewLog() const { return LogText().substr(m_uLogStart); }
    std::vector<std::string> FileLines() const { return PlainLines(ReadFileBytes(m_strPath)); }
    std::string Folder(const char* name) const { return m_strData + name; }

    std::string m_strData;
    std::string m_strPath;
    size_t m_uLogStart = 0;
};

UserStampRecord Stamp(uint32_t base, const char* userAgent)
{
    UserStampRecord stamp;
    stamp.m_uPositionX = base + 1;
    stamp.m_uPositionY = base + 2;
    stamp.m_uMapVersion = base + 3;
    stamp.m_uLinkYear = base + 4;
    stamp.m_strUserAgent = userAgent;
    return stamp;
}

TEST_F(UserListFileTest, FirstUserIsWrittenAsOneScrambledHiddenLine)
{
    CUserListFile list;
    ASSERT_TRUE(list.Load()); // no file yet
    ASSERT_TRUE(list.SaveWithCurrentDevice("0012AB", "Taro", 0x1A2B, "01K4/1.000010", nullptr));

    const std::string plain =
        "1,0,0012AB,Taro," + Folder("Taro") + ",01K4/1.000010,1,1A2B,0,0,0,0";
    EXPECT_EQ(ReadFileBytes(m_strPath), Scramble(plain) + "\r\n");
    const DWORD attributes = GetFileAttributesA(m_strPath.c_str());
    EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_TRUE(lib::PathIsDirectoryStr(Folder("Taro")));

    // Nothing of the write is left beside the file.
    std::vector<WIN32_FIND_DATAA> found;
    lib::FindFiles(m_strData + "UserList.info*", found);
    EXPECT_EQ(found.size(), 1u);
}

TEST_F(UserListFileTest, KnownDeviceLoggingInAgainUpdatesItsUser)
{
    {
        CUserListFile list;
        ASSERT_TRUE(list.SaveWithCurrentDevice("D1", "Taro", 0x10, "UA-1", nullptr));
        ASSERT_TRUE(list.SaveWithCurrentDevice("E1", "Jiro", 0x20, "UA-2", nullptr));
    }
    CUserListFile list;
    ASSERT_TRUE(list.Load());
    const UserStampRecord stamp = Stamp(0x100, "UA-stamp");
    // CCID 0 keeps the old one; the stamp's text wins over the user agent.
    ASSERT_TRUE(list.SaveWithCurrentDevice("D1", "Taro", 0, "UA-new", &stamp));
    EXPECT_EQ(FileLines(),
              (std::vector<std::string>{
                  "1,0,D1,Taro," + Folder("Taro") + ",UA-stamp,1,10,101,102,103,104",
                  "1,0,E1,Jiro," + Folder("Jiro") + ",UA-2,0,20,0,0,0,0"}));

    ASSERT_TRUE(list.SaveWithCurrentDevice("D1", nullptr, 0x11, "UA-3", nullptr));
    CUserListFile reread;
    std::string deviceNo, nickName, userAgent;
    uint32_t ccid = 0;
    ASSERT_TRUE(reread.GetCurrentUser(&deviceNo, &nickName, &userAgent, &ccid));
    EXPECT_EQ(deviceNo, "D1");
    EXPECT_EQ(nickName, "Taro");
    EXPECT_EQ(userAgent, "UA-3");
    EXPECT_EQ(ccid, 0x11u);
    UserStampRecord kept;
    ASSERT_TRUE(reread.GetUserStampByNickName("Taro", kept));
    EXPECT_EQ(kept.m_uPositionX, 0x101u);
    EXPECT_EQ(kept.m_uLinkYear, 0x104u);
}

TEST_F(UserListFileTest, NewDeviceUnderKnownNicknameJoinsThatUser)
{
    {
        CUserListFile list;
        const UserStampRecord stamp = Stamp(0x50, "UA-old");
        ASSERT_TRUE(list.SaveWithCurrentDevice("B7", "Hanako", 0x5, "UA-old", &stamp));
        ASSERT_TRUE(list.SaveWithCurrentDevice("C1", "Other", 0x6, "UA-o", nullptr));
        ASSERT_TRUE(list.SaveWithCurrentDevice("A9", "Hanako", 0x7, "UA-A9", nullptr));
        ASSERT_TRUE(list.SaveWithCurrentDevice("Z3", "Hanako", 0x8, "UA-Z3", nullptr));
    }
    // The newest unit first, the earlier ones behind it; the stamp words travel along.
    EXPECT_EQ(FileLines(),
              (std::vector<std::string>{
                  "1,0,C1,Other," + Folder("Other") + ",UA-o,0,6,0,0,0,0",
                  "3,0,Z3,A9,B7,Hanako," + Folder("Hanako") + ",UA-Z3,1,8,51,52,53,54"}));

    CUserListFile list;
    std::string deviceNo = "B7", nickName, dataFolder;
    ASSERT_TRUE(list.FindUserByDeviceNo(&deviceNo, &nickName, &dataFolder));
    EXPECT_EQ(deviceNo, "Z3");
    EXPECT_EQ(nickName, "Hanako");
    EXPECT_EQ(dataFolder, Folder("Hanako"));
    deviceNo = "nobody";
    EXPECT_FALSE(list.FindUserByDeviceNo(&deviceNo, &nickName));
    deviceNo = "B7";
    EXPECT_FALSE(list.FindUserByDeviceNo(&deviceNo, nullptr));

    // A new nickname on one of Hanako's earlier units is a user of its own; a look-up by
    // that unit finds whichever of the two comes first in key order.
    ASSERT_TRUE(list.SaveWithCurrentDevice("A9", "Kaz", 0x9, "UA-K", nullptr));
    deviceNo = "A9";
    ASSERT_TRUE(list.FindUserByDeviceNo(&deviceNo, &nickName));
    EXPECT_EQ(nickName, "Kaz");
    deviceNo = "B7";
    ASSERT_TRUE(list.FindUserByDeviceNo(&deviceNo, &nickName));
    EXPECT_EQ(nickName, "Hanako");
}

TEST_F(UserListFileTest, DataFolderOnANewUnitAndOnAnotherNickname)
{
    CUserListFile list;
    ASSERT_TRUE(list.SaveWithCurrentDevice("K1", "***", 1, "ua", nullptr));
    ASSERT_TRUE(list.SaveWithCurrentDevice("M1", "Bob", 2, "ua", nullptr));
    // A known nickname on a new unit keeps its folder and the files in it, although the
    // folder rule would now count two users and give USER2.
    ASSERT_TRUE(list.SaveWithCurrentDevice("A1", "***", 3, "ua", nullptr));
    std::string deviceNo, dataFolder;
    ASSERT_TRUE(list.GetUserByNickName("***", &deviceNo, nullptr, &dataFolder));
    EXPECT_EQ(deviceNo, "A1");
    EXPECT_EQ(dataFolder, Folder("USER1"));

    // A known unit under another nickname: the user takes that nickname and its folder.
    ASSERT_TRUE(list.SaveWithCurrentDevice("M1", "Robert", 2, "ua", nullptr));
    EXPECT_EQ(list.GetIndexByNickName("Bob"), -1);
    ASSERT_TRUE(list.GetUserByNickName("Robert", &deviceNo, nullptr, &dataFolder));
    EXPECT_EQ(deviceNo, "M1");
    EXPECT_EQ(dataFolder, Folder("Robert"));
    EXPECT_TRUE(lib::PathIsDirectoryStr(dataFolder));

    // A user without a folder gets one at the next log-in of its unit.
    WriteFileBytes(m_strPath, Scramble("1,0,C1,Cid,,ua,0,1,0,0,0,0") + "\r\n");
    CUserListFile old;
    ASSERT_TRUE(old.Load());
    ASSERT_TRUE(old.SaveWithCurrentDevice("C1", "Cid", 0, nullptr, nullptr));
    ASSERT_TRUE(old.GetUserByNickName("Cid", nullptr, nullptr, &dataFolder));
    EXPECT_EQ(dataFolder, Folder("Cid"));
    EXPECT_TRUE(lib::PathIsDirectoryStr(dataFolder));
}

TEST_F(UserListFileTest, LongLinesAreWrittenAndReadBack)
{
    std::string nickName(100, 'n');
    std::string userAgent(700, 'u');
    {
        CUserListFile list;
        ASSERT_TRUE(list.SaveWithCurrentDevice("A1", "Short", 1, "ua", nullptr));
        ASSERT_TRUE(list.SaveWithCurrentDevice("B1", nickName.c_str(), 2, userAgent.c_str(), nullptr));
        for (int i = 2; i < 40; ++i) {
            const std::string deviceNo = lib::FormatString("B%02d-0123456789", i);
            ASSERT_TRUE(list.SaveWithCurrentDevice(deviceNo.c_str(), nickName.c_str(), 2,
                                                   userAgent.c_str(), nullptr));
        }
    }
    ASSERT_GT(FileLines().at(1).size(), 1024u);

    // A second object reads the long user and keeps it through its own save.
    CUserListFile list;
    ASSERT_TRUE(list.Load());
    ASSERT_TRUE(list.SetCurrentUserByNickName("Short", nullptr));
    CUserListFile reread;
    std::string deviceNo = "B05-0123456789", found, dataFolder, foundAgent;
    uint32_t ccid = 0;
    ASSERT_TRUE(reread.FindUserByDeviceNo(&deviceNo, &found, &dataFolder, &foundAgent, &ccid));
    EXPECT_EQ(deviceNo, "B39-0123456789");
    EXPECT_EQ(found, nickName);
    EXPECT_EQ(foundAgent, userAgent);
    EXPECT_EQ(ccid, 2u);
    std::string current;
    ASSERT_TRUE(reread.GetCurrentUser(nullptr, &current));
    EXPECT_EQ(current, "Short");
}

TEST_F(UserListFileTest, UsersFollowTheOrderOfTheirCurrentDeviceNumbers)
{
    {
        CUserListFile list;
        ASSERT_TRUE(list.SaveWithCurrentDevice("B100", "Bee", 2, "ua-b", nullptr));
        ASSERT_TRUE(list.SaveWithCurrentDevice("A200", "Ay", 1, "ua-a", nullptr));
        ASSERT_TRUE(list.SaveWithCurrentDevice("a000", "Lower", 3, "ua-l", nullptr));
    }
    CUserListFile list;
    EXPECT_EQ(list.GetIndexByNickName("Ay"), 0);
    EXPECT_EQ(list.GetIndexByNickName("Bee"), 1);
    EXPECT_EQ(list.GetIndexByNickName("Lower"), 2); // byte order: 'a' after 'B'
    EXPECT_EQ(list.GetIndexByNickName("ay"), -1);   // exact comparison
    std::string deviceNo, nickName, dataFolder, userAgent;
    uint32_t ccid = 0;
    ASSERT_TRUE(list.GetUserByIndex(1, deviceNo, nickName, dataFolder, &userAgent, &ccid));
    EXPECT_EQ(deviceNo, "B100");
    EXPECT_EQ(nickName, "Bee");
    EXPECT_EQ(dataFolder, Folder("Bee"));
    EXPECT_EQ(userAgent, "ua-b");
    EXPECT_EQ(ccid, 2u);
    EXPECT_FALSE(list.GetUserByIndex(3, deviceNo, nickName, dataFolder));
    EXPECT_FALSE(list.GetUserByIndex(-1, deviceNo, nickName, dataFolder));
    EXPECT_NE(NewLog().find("データ取得で不正なインデックスを指定された:3"), std::string::npos);

    // Exactly one user is current after each log-in: the one of the given device.
    const auto flags = [this] {
        std::string text;
        for (const std::string& line : FileLines()) {
            std::string flag;
            lib::GetField(line.c_str(), 6, flag, ',');
            text += flag;
        }
        return text;
    };
    EXPECT_EQ(flags(), "001");
    ASSERT_TRUE(list.SaveWithCurrentDevice("B100", nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(flags(), "010");
    const UserStampRecord stamp = Stamp(0, "ua-s");
    ASSERT_TRUE(list.SetCurrentUserByNickName("Ay", &stamp));
    EXPECT_EQ(flags(), "100");
    ASSERT_TRUE(list.GetCurrentUser(&deviceNo, &nickName));
    EXPECT_EQ(nickName, "Ay");
    EXPECT_FALSE(list.SetCurrentUserByNickName("Nobody", &stamp));

    // A plain save keeps the flags as they stand, even two of them.
    CUserListFile edited = list;
    ASSERT_TRUE(edited.SaveWithCurrentDevice("B100", nullptr, 0, nullptr, nullptr));
    ASSERT_TRUE(list.Save());
    EXPECT_EQ(flags(), "100");
}

TEST_F(UserListFileTest, DataFolderNamesComeFromTheNickname)
{
    struct Step {
        const char* deviceNo;
        const char* nickName;
        const char* folder;
    };
    // Keys order the users B..., C..., A... below; the collision walk goes round until the
    // name is free ("X6" is taken when "X:" arrives as the sixth user), and a name that
    // differs from another only in the case of its letters is the same folder on Windows.
    const Step steps[] = {
        {"K1", "\\/:*?\"<>|,", "USER1"},
        {"K2", "a\\b/c:d*e?f\"g<h>i|j,k", "abcdefghijk"},
        {"K3", "***", "USER3"},
        {"B1", "X", "X"},
        {"A1", "X6", "X6"},
        {"C1", "X:", "X66"},
        {"D1", "USER1", "USER17"},
        {"E1", "x6", "x68"},
        // The trail byte 0x5C of "ソ" is dropped; the lead byte left last goes too.
        {"F1", "ソ", "USER9"},
        {"G1", "ソラ", "\x83\x83"},
    };
    CUserListFile list;
    for (const Step& step : steps) {
        ASSERT_TRUE(list.SaveWithCurrentDevice(step.deviceNo, step.nickName, 1, "ua", nullptr));
        std::string nickName, dataFolder;
        ASSERT_TRUE(list.GetUserByNickName(step.nickName, nullptr, nullptr, &dataFolder))
            << step.nickName;
        EXPECT_EQ(dataFolder, Folder(step.folder)) << step.nickName;
        EXPECT_TRUE(lib::PathIsDirectoryStr(dataFolder)) << dataFolder;
    }
    // Every user's line reads back whole, its folder and the fields behind it.
    CUserListFile reread;
    for (const Step& step : steps) {
        std::string dataFolder, userAgent;
        uint32_t ccid = 0;
        ASSERT_TRUE(reread.GetUserByNickName(step.nickName, nullptr, &ccid, &dataFolder,
                                             &userAgent))
            << step.nickName;
        EXPECT_EQ(dataFolder, Folder(step.folder)) << step.nickName;
        EXPECT_EQ(userAgent, "ua") << step.nickName;
        EXPECT_EQ(ccid, 1u) << step.nickName;
    }
    const std::string log = NewLog();
    EXPECT_NE(log.find("ニックネームからデータパスを設定できなかった:***."), std::string::npos);
    EXPECT_NE(log.find("データパスが重複した(変更パス), " + Folder("X66") + "."), std::string::npos);
}

TEST_F(UserListFileTest, DeletingByAnyDeviceNumberRemovesTheWholeUser)
{
    {
        CUserListFile list;
        ASSERT_TRUE(list.SaveWithCurrentDevice("D1", "Taro", 1, "ua", nullptr));
        ASSERT_TRUE(list.SaveWithCurrentDevice("D2", "Taro", 1, "ua", nullptr));
        ASSERT_TRUE(list.SaveWithCurrentDevice("E1", "Jiro", 2, "ua", nullptr));
    }
    CUserListFile list;
    ASSERT_TRUE(list.DeleteUserByDeviceNo("D1")); // not Taro's current unit
    EXPECT_EQ(FileLines(), (std::vector<std::string>{"1,0,E1,Jiro," + Folder("Jiro") +
                                                     ",ua,1,2,0,0,0,0"}));
    EXPECT_TRUE(lib::PathIsDirectoryStr(Folder("Taro")));

    EXPECT_FALSE(list.DeleteUserByDeviceNo("D2"));
    EXPECT_NE(NewLog().find("ユーザー情報削除失敗：ユーザー情報なし"), std::string::npos);

    // The last user's deletion leaves an empty list behind, not the old one.
    ASSERT_TRUE(list.DeleteUserByDeviceNo("E1"));
    EXPECT_EQ(ReadFileBytes(m_strPath), "");
    CUserListFile empty;
    std::string nickName;
    EXPECT_FALSE(empty.GetCurrentUser(nullptr, &nickName));
}

TEST_F(UserListFileTest, DamagedLinesAreSkippedAndTheOthersRead)
{
    const std::string good = Scramble("1,0,A1,Ann,C:\\x,ua,0,1,0,0,0,0");
    const struct {
        const char* what;
        std::string line;
    } damaged[] = {
        {"length not a multiple of 4", Scramble("1,0,B1,Bad,C:\\x,ua,0,1,0,0,0,0").substr(2)},
        {"1,022 characters", Scramble(std::string(255, 'q')).substr(0, 1022)},
        {"not hexadecimal", std::string(1022, 'G') + "GG"},
        {"rebuilds no digit", "0000" + Scramble("1,0,B2,Bad")},
        {"index out of range", Scramble("2,2,B3,B4,Bad,C:\\x,ua,0,1,0,0,0,0")},
        {"no devices", Scramble("0,0,Bad,C:\\x,ua,0,1,0,0,0,0")},
    };
    for (const auto& bad : damaged) {
        SCOPED_TRACE(bad.what);
        // An empty line and a "\n" line end must not end the reading either.
        WriteFileBytes(m_strPath, good + "\r\n\r\n" + bad.line + "\r\n" + "\n" +
                                      Scramble("1,0,C1,Cid,C:\\y,ua,1,2,0,0,0,0") + "\n" +
                                      Scramble("1,0,D1,Dee,C:\\z,ua,0,3,0,0,0,0"));
        const size_t logStart = LogText().size();
        CUserListFile list;
        ASSERT_TRUE(list.Load());
        std::vector<std::string> names;
        std::string deviceNo, nickName, dataFolder;
        for (int32_t i = 0; list.GetUserByIndex(i, deviceNo, nickName, dataFolder); ++i) {
            names.push_back(nickName);
        }
        EXPECT_EQ(names, (std::vector<std::string>{"Ann", "Cid", "Dee"}));
        const std::string log = LogText().substr(logStart);
        EXPECT_NE(log.find("複合化時の不正な行:" + bad.line.substr(0, 100)), std::string::npos);
    }
}

TEST_F(UserListFileTest, FieldsWithCommasAndQuotesSurviveASave)
{
    // A data folder below an account name with a comma, as older lists may hold it.
    const std::string folder = "C:\\Users\\Doe, John\\Data\\x";
    WriteFileBytes(m_strPath,
                   Scramble("1,0,A1,Ann,\"" + folder + "\",ua,0,1,0,0,0,0") + "\r\n");
    CUserListFile list;
    ASSERT_TRUE(list.Load());
    ASSERT_TRUE(list.SaveWithCurrentDevice("B\"1", "\"Bob\", the 2nd", 2, "ua,with \"quotes\"",
                                           nullptr));
    const std::vector<std::string> lines = FileLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "1,0,A1,Ann,\"" + folder + "\",ua,0,1,0,0,0,0");
    EXPECT_EQ(lines[1], "1,0,\"B\"\"1\",\"\"\"Bob\"\", the 2nd\"," + Folder("Bob the 2nd") +
                            ",\"ua,with \"\"quotes\"\"\",1,2,0,0,0,0");

    CUserListFile reread;
    std::string deviceNo = "A1", nickName, dataFolder, userAgent;
    ASSERT_TRUE(reread.FindUserByDeviceNo(&deviceNo, &nickName, &dataFolder));
    EXPECT_EQ(dataFolder, folder);
    ASSERT_TRUE(reread.GetUserByNickName("\"Bob\", the 2nd", &deviceNo, nullptr, &dataFolder,
                                         &userAgent));
    EXPECT_EQ(deviceNo, "B\"1");
    EXPECT_EQ(userAgent, "ua,with \"quotes\"");
}

TEST_F(UserListFileTest, SaveWaitsForAReaderAndNeverLosesTheOldList)
{
    CUserListFile list;
    ASSERT_TRUE(list.SaveWithCurrentDevice("A1", "Ann", 1, "ua", nullptr));

    // A reader's handle: read and write sharing, no delete sharing.
    const auto openAsReader = [this] {
        return CreateFileA(m_strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    };
    HANDLE reader = openAsReader();
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    g_pfnRealMoveFileEx = reinterpret_cast<decltype(&::MoveFileExA)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "MoveFileExA")));
    g_hReaderToClose = reader;
    {
        // The reader goes while the save waits between its tries (through the program's own
        // import of MoveFileExA).
        testsupport::CImportPatch patch("kernel32.dll", "MoveFileExA",
                                        reinterpret_cast<void*>(&MoveFileExClosingTheReader));
        ASSERT_TRUE(patch.Patched());
        EXPECT_TRUE(list.SaveWithCurrentDevice("B1", "Bob", 2, "ua", nullptr));
    }
    EXPECT_EQ(g_hReaderToClose, INVALID_HANDLE_VALUE) << "the save met the reader";
    if (g_hReaderToClose != INVALID_HANDLE_VALUE) CloseHandle(g_hReaderToClose);
    g_hReaderToClose = INVALID_HANDLE_VALUE;
    EXPECT_EQ(FileLines().size(), 2u);

    const std::string saved = ReadFileBytes(m_strPath);
    reader = openAsReader();
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(list.SaveWithCurrentDevice("C1", "Cid", 3, "ua", nullptr));
    CloseHandle(reader);
    EXPECT_EQ(ReadFileBytes(m_strPath), saved);
    EXPECT_NE(NewLog().find("UserList.infoファイル置換失敗"), std::string::npos);
    std::vector<WIN32_FIND_DATAA> found;
    lib::FindFiles(m_strData + "UserList.info*", found);
    EXPECT_EQ(found.size(), 1u);
    EXPECT_NE(GetFileAttributesA(m_strPath.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST_F(UserListFileTest, MissingFileGivesAnEmptyListAndIsAskedForAgain)
{
    CUserListFile list;
    ASSERT_TRUE(list.Load());
    EXPECT_EQ(list.GetIndexByNickName("Ann"), -1);
    EXPECT_NE(NewLog().find("UserList.infoファイルが存在しない:" + m_strPath + "."),
              std::string::npos);
    EXPECT_FALSE(list.SaveWithCurrentDevice("", "Ann", 1, "ua", nullptr));
    EXPECT_FALSE(list.SaveWithCurrentDevice(nullptr, "Ann", 1, "ua", nullptr));
    EXPECT_FALSE(list.SaveWithCurrentDevice("A1", "", 1, "ua", nullptr));
    EXPECT_FALSE(list.SaveWithCurrentDevice("A1", nullptr, 1, "ua", nullptr));
    EXPECT_EQ(GetFileAttributesA(m_strPath.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(NewLog().find("UserList.infoファイル保存時のデータ無し"), std::string::npos);

    // Another writer's user appears at the next query of the still empty list.
    CUserListFile writer;
    ASSERT_TRUE(writer.SaveWithCurrentDevice("A1", "Ann", 1, "ua", nullptr));
    EXPECT_EQ(list.GetIndexByNickName("Ann"), 0);
}

} // namespace
