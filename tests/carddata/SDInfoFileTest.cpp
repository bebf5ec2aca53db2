#include "carddata/SDInfoFile.h"

#include "lib/TolveLog.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Q: belongs to this test program (see tools/wine-prefix).
const char kCard = 'Q';
const std::string kPcFolder = "Q:\\PC";
const std::string kFilePath = "Q:\\PC\\SDINFO.DAT";

std::string ReadCardFile() { return testsupport::ReadFileBytes(kFilePath); }

void WriteCardFile(const std::string& bytes)
{
    FILE* file = std::fopen(kFilePath.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

void PutU32(std::string& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutU16(std::string& bytes, size_t offset, uint16_t value)
{
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

SYSTEMTIME MakeTime(WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDayOfWeek = 3;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = 7;
    time.wMilliseconds = 123;
    return time;
}

// The record as the unit expects it on the card, laid out by offsets.
std::string ExpectedRecord(uint32_t key, const SYSTEMTIME& time, uint32_t phase,
                           const std::string& text, uint32_t mapVersion, uint32_t resultCode,
                           uint32_t dataVersion)
{
    std::string bytes(128, '\0');
    PutU32(bytes, 0, key);
    const WORD words[8] = {time.wYear, time.wMonth, time.wDayOfWeek, time.wDay,
                           time.wHour, time.wMinute, time.wSecond, time.wMilliseconds};
    for (int i = 0; i < 8; ++i) PutU16(bytes, 4 + 2 * i, words[i]);
    PutU32(bytes, 20, phase);
    bytes.replace(24, text.size(), text);
    PutU32(bytes, 116, mapVersion);
    PutU32(bytes, 120, resultCode);
    PutU32(bytes, 124, dataVersion);
    return bytes;
}

class SDInfoFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_card.IsRemovable()) << "rebuild the test prefix (see tools/wine-prefix)";
        ASSERT_TRUE(CreateDirectoryA(kPcFolder.c_str(), nullptr));
    }

    // Empties the card before and after each test.
    CSimulatedCard m_card{kCard};
};

TEST_F(SDInfoFileTest, FirstSaveCreatesOneRecord)
{
    const SYSTEMTIME time = MakeTime(2026, 12, 9, 22, 1);
    CSDInfoFile info(kCard);
    ASSERT_TRUE(info.SaveHistory(37, time, SDINFO_PHASE_SUCCEEDED, 0x25000000, 0x11, 0x22,
                                 nullptr));
    EXPECT_EQ(ExpectedRecord(37, time, 2, "", 0x22, 0x25000000, 0x11), ReadCardFile());
}

TEST_F(SDInfoFileTest, NewKeyAppendsAndKnownKeyIsReplacedInPlace)
{
    const SYSTEMTIME first = MakeTime(2026, 12, 9, 10, 0);
    const SYSTEMTIME second = MakeTime(2026, 12, 9, 11, 30);
    const SYSTEMTIME third = MakeTime(2026, 12, 10, 0, 5);
    ASSERT_TRUE(CSDInfoFile(kCard).SaveHistory(37, first, 1, 0, 1, 2, nullptr));
    ASSERT_TRUE(CSDInfoFile(kCard).SaveHistory(38, second, 4, 0x26100005, 3, 4, "雨"));
    const std::string record37 = ExpectedRecord(37, first, 1, "", 2, 0, 1);
    const std::string record38 = ExpectedRecord(38, second, 4, "雨", 4, 0x26100005, 3);
    EXPECT_EQ(record37 + record38, ReadCardFile());

    // The first key again: same length, same order, the other record untouched, and a
    // save without text keeps the stored text.
    ASSERT_TRUE(CSDInfoFile(kCard).SaveHistory(37, third, 2, 0x25000000, 5, 6, "晴れ"));
    ASSERT_TRUE(CSDInfoFile(kCard).SaveHistory(37, third, 2, 0x25000000, 5, 6, nullptr));
    EXPECT_EQ(ExpectedRecord(37, third, 2, "晴れ", 6, 0x25000000, 5) + record38, ReadCardFile());

    CSDInfoFile info(kCard);
    SYSTEMTIME time;
    uint32_t phase = 0;
    std::string text;
    uint32_t result = 0;
    uint32_t dataVersion = 0;
    uint32_t mapVersion = 0;
    ASSERT_TRUE(info.GetHistory(38, &time, &phase, &text, &result, &dataVersion, &mapVersion));
    EXPECT_EQ(0, std::memcmp(&second, &time, sizeof time));
    EXPECT_EQ(4u, phase);
    EXPECT_EQ("雨", text);
    EXPECT_EQ(0x26100005u, result);
    EXPECT_EQ(3u, dataVersion);
    EXPECT_EQ(4u, mapVersion);
    // The versions may be left out.
    EXPECT_TRUE(info.GetHistory(37, &time, &phase, &text, &result));
    EXPECT_EQ("晴れ", text);
}

TEST_F(SDInfoFileTest, AbsentKeyGivesDefaults)
{
    ASSERT_TRUE(CSDInfoFile(kCard).SaveHistory(38, MakeTime(2026, 1, 2, 3, 4), 2, 0, 0, 0, "x"));
    CSDInfoFile info(kCard);
    SYSTEMTIME time;
    std::memset(&time, 0xAB, sizeof time);
    uint32_t phase = 2;
    std::string text = "stale";
    uint32_t result = 0x12345678;
    EXPECT_FALSE(info.GetHistory(37, &time, &phase, &text, &result));
    const SYSTEMTIME zero = {};
    EXPECT_EQ(0, std::memcmp(&zero, &time, sizeof time));
    EXPECT_EQ(0xFFFFFFFFu, phase);
    EXPECT_EQ("", text);

    // Required outputs missing.
    EXPECT_FALSE(info.GetHistory(38, nullptr, &phase, &text, &result));
    EXPECT_FALSE(info.GetHistory(38, &time, nullptr, &text, &result));
    EXPECT_FALSE(info.GetHistory(38, &time, &phase, nullptr, &result));
    EXPECT_FALSE(info.GetHistory(38, &time, &phase, &text, nullptr));
}

struct TextCase {
    std::string given;
    std::string stored; // what the field holds before its zero fill
};

// The field holds at most 91 bytes and its terminator; a cut never splits a double-byte
// character (\x82\xA0 is "あ" in code page 932).
const TextCase kTextCases[] = {
    {std::string(91, 'a'), std::string(91, 'a')},
    {std::string(92, 'b'), std::string(91, 'b')},
    {std::string(200, 'c'), std::string(91, 'c')},
    {std::string(90, 'd') + "\x82\xA0", std::string(90, 'd')},
    {std::string(89, 'e') + "\x82\xA0", std::string(89, 'e') + "\x82\xA0"},
    {"", ""},
};

TEST_F(SDInfoFileTest, TextIsCutAtTheFieldOnACharacterBoundary)
{
    for (const TextCase& c : kTextCases) {
        DeleteFileA(kFilePath.c_str());
        const SYSTEMTIME time = MakeTime(2026, 5, 6, 7, 8);
        ASSERT_TRUE(CSDInfoFile(kCard).SaveHistory(37, time, 2, 0, 0, 0, c.given.c_str()));
        EXPECT_EQ(ExpectedRecord(37, time, 2, c.stored, 0, 0, 0), ReadCardFile())
            << c.given.size() << " bytes given";
        SYSTEMTIME readTime;
        uint32_t phase = 0;
        uint32_t result = 0;
        std::string text;
        EXPECT_TRUE(CSDInfoFile(kCard).GetHistory(37, &readTime, &phase, &text, &result));
        EXPECT_EQ(c.stored, text);
    }
}

TEST_F(SDInfoFileTest, UnterminatedTextIsReadOnlyToTheFieldEnd)
{
    std::string record = ExpectedRecord(40, MakeTime(2026, 1, 1, 0, 0), 2, "", 0, 0, 0);
    record.replace(24, 92, std::string(92, 'z'));
    PutU32(record, 116, 0x7A7A7A7A); // the bytes after the field are not text either
    WriteCardFile(record);
    SYSTEMTIME time;
    uint32_t phase = 0;
    uint32_t result = 0;
    std::string text;
    EXPECT_TRUE(CSDInfoFile(kCard).GetHistory(40, &time, &phase, &text, &result));
    EXPECT_EQ(std::string(92, 'z'), text);
}

// A file that does not end on a record boundary, or that exists but cannot be opened,
// must fail the read and stay exactly as it was.
TEST_F(SDInfoFileTest, UnreadableFileIsLeftUntouched)
{
    const std::string valid = ExpectedRecord(37, MakeTime(2026, 3, 4, 5, 6), 2, "", 9, 0, 8);
    const std::string damaged = valid + "\x01\x02";
    WriteCardFile(damaged);
    size_t logStart = testsupport::ReadLog().size();
    EXPECT_FALSE(CSDInfoFile(kCard).SaveHistory(38, MakeTime(2026, 12, 1, 0, 0), 1, 0, 0, 0,
                                                nullptr));
    EXPECT_EQ(damaged, ReadCardFile());
    EXPECT_NE(std::string::npos,
              testsupport::ReadLog().find("\t!!\tSDInfoFile.cpp\t", logStart));
    EXPECT_NE(std::string::npos,
              testsupport::ReadLog().find("\tSD情報ファイルデータ読込失敗 0x0000000D\r\n", logStart));

    // Held open by another program that lets others write but not read: the file cannot be
    // read, yet a write would go through and wipe its records.
    WriteCardFile(valid);
    HANDLE holder = CreateFileA(kFilePath.c_str(), GENERIC_READ, FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    logStart = testsupport::ReadLog().size();
    EXPECT_FALSE(CSDInfoFile(kCard).SaveHistory(37, MakeTime(2026, 12, 1, 0, 0), 1, 0, 0, 0,
                                                nullptr));
    CloseHandle(holder);
    EXPECT_EQ(valid, ReadCardFile());
    EXPECT_NE(std::string::npos,
              testsupport::ReadLog().find("\tSD情報ファイルデータ読込失敗 0x00000020\r\n", logStart));

    // Whole records without end, as a broken cluster chain makes: 8192 still read, one more
    // is damage.
    std::string records;
    for (uint32_t key = 1000; key < 1000 + 8191; ++key) {
        records += ExpectedRecord(key, MakeTime(2026, 3, 4, 5, 6), 2, "", 0, 0, 0);
    }
    records += valid;
    WriteCardFile(records);
    SYSTEMTIME time;
    uint32_t phase = 0;
    uint32_t result = 0;
    std::string text;
    EXPECT_TRUE(CSDInfoFile(kCard).GetHistory(37, &time, &phase, &text, &result));
    const std::string endless = records + valid;
    WriteCardFile(endless);
    logStart = testsupport::ReadLog().size();
    EXPECT_FALSE(CSDInfoFile(kCard).SaveHistory(37, MakeTime(2026, 12, 1, 0, 0), 1, 0, 0, 0,
                                                nullptr));
    EXPECT_TRUE(endless == ReadCardFile()) << "the file was changed";
    EXPECT_NE(std::string::npos,
              testsupport::ReadLog().find("\tSD情報ファイルデータ読込失敗 0x0000000D\r\n", logStart));
}

TEST_F(SDInfoFileTest, NoCardWritesNothing)
{
    // The first letter from the end that no drive uses.
    const DWORD drives = GetLogicalDrives();
    char missing = 0;
    for (char letter = 'Y'; letter > 'D'; --letter) {
        if ((drives & (1u << (letter - 'A'))) == 0) {
            missing = letter;
            break;
        }
    }
    ASSERT_NE(0, missing);
    const size_t logStart = testsupport::ReadLog().size();
    EXPECT_FALSE(CSDInfoFile(missing).SaveHistory(37, MakeTime(2026, 1, 1, 0, 0), 1, 0, 0, 0,
                                                  nullptr));
    EXPECT_FALSE(CSDInfoFile(0).SaveHistory(37, MakeTime(2026, 1, 1, 0, 0), 1, 0, 0, 0, nullptr));
    EXPECT_NE(std::string::npos, testsupport::ReadLog().find("\t..\tSDInfoFile.cpp\t", logStart));
    EXPECT_NE(std::string::npos,
              testsupport::ReadLog().find("\tSDINFOファイル読み込み時のSD無し\r\n", logStart));
}

} // namespace
