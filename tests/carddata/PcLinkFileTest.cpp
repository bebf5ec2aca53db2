// Link file reader on simulated card P: (owned by this test; see tools/wine-prefix).

#include "carddata/PcLinkFile.h"
#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "lib/TolveLog.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const char kCardLetter = 'P';

// The file this program's log lines go to.
std::string TestLogPath() { return GetTolveLogOutputPath(); }

using testsupport::CLogCapture;

class PcLinkFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A fresh log, so that no size limit rotates it under a capture.
        DeleteFileA(TestLogPath().c_str());
        ASSERT_TRUE(m_card.IsRemovable())
            << "P: is not a removable drive: the Wine prefix predates the simulated cards; "
               "delete the build folder's wineprefix";
    }
    CSimulatedCard m_card{kCardLetter};
};

struct RecordExpectation {
    uint32_t id;
    uint32_t value;
    uint16_t shortValue;
};

struct LinkFileCase {
    const char* name;
    std::function<void(CLinkFileBuilder&)> build; // null: no file on the card
    bool readOk;
    bool valid;
    std::vector<std::string> errorLines;           // level-1 lines expected, in any order
    std::vector<RecordExpectation> records;        // lookups, also when the read failed
    const char* deviceNo;                          // expected when the headers were read
};

const uint32_t kUnit = PCLINK_RECORD_UNIT_INFO;
const uint32_t kLink = PCLINK_RECORD_LINK_VALUE;
const char* const kDefaultDevice = "KS40012345678";

const std::string kRecordReadFailed = "お出かけ管理ファイルデータレコード読込失敗 0x";
const std::string kRecordMarkerBad = "お出かけ管理ファイルデータレコード復号化不正";

const LinkFileCase kCases[] = {
    {"valid with records",
     [](CLinkFileBuilder& b) { b.AddRecord(kUnit, 0x02000123, 0x0E05).AddRecord(kLink, 777, 9); },
     true, true, {}, {{kUnit, 0x02000123, 0x0E05}, {kLink, 777, 9}, {0x12345678, 0, 0}},
     kDefaultDevice},
    {"ends right after the data header", [](CLinkFileBuilder&) {}, true, true, {},
     {{kUnit, 0, 0}, {kLink, 0, 0}}, kDefaultDevice},
    {"tail that is not a whole record",
     [](CLinkFileBuilder& b) {
         b.AddRecord(kUnit, 0x02000001, 0x0E).AddRecord(kLink, 55, 1).SetPartialTail(100);
     },
     false, false, {kRecordReadFailed + "00000000"}, {{kUnit, 0x02000001, 0x0E}, {kLink, 55, 1}},
     kDefaultDevice},
    {"a record with a wrong marker",
     [](CLinkFileBuilder& b) {
         b.AddRecordWithWrongMarker(kUnit, 0x01000002, 0x0E).AddRecord(kLink, 66, 2);
     },
     true, true, {kRecordMarkerBad}, {{kUnit, 0x01000002, 0x0E}, {kLink, 66, 2}},
     kDefaultDevice},
    {"two records with one id",
     [](CLinkFileBuilder& b) { b.AddRecord(kLink, 1, 10).AddRecord(kUnit, 3, 30).AddRecord(kLink, 2, 20); },
     true, true, {}, {{kLink, 1, 10}, {kUnit, 3, 30}}, kDefaultDevice},
    {"another model code", [](CLinkFileBuilder& b) { b.SetModelCode(13).AddRecord(kLink, 5, 6); },
     true, false, {}, {{kLink, 5, 6}}, kDefaultDevice},
    {"another format version",
     [](CLinkFileBuilder& b) { b.SetFormatVersion(0x01000000); }, true, false, {}, {},
     kDefaultDevice},
    {"format version in the wrong byte order",
     [](CLinkFileBuilder& b) { b.SetFormatVersion(0x00000002); }, true, false, {}, {},
     kDefaultDevice},
    {"a 16-character device number",
     [](CLinkFileBuilder& b) { b.SetDeviceNo("0123456789ABCDEF"); }, true, true, {}, {},
     "0123456789ABCDEF"},
    {"an empty device number", [](CLinkFileBuilder& b) { b.SetDeviceNo(""); }, true, true, {},
     {}, ""},
    {"file header cut short", [](CLinkFileBuilder& b) { b.SetTruncateAt(20); }, false, false,
     {"お出かけ管理ファイルファイルヘッダ読込失敗 0x"}, {}, nullptr},
    {"data header cut short", [](CLinkFileBuilder& b) { b.SetTruncateAt(32 + 40); }, false,
     false, {"お出かけ管理ファイルデータヘッダ読込失敗 0x"}, {}, nullptr},
    {"enciphered under other key material",
     [](CLinkFileBuilder& b) {
         const uint8_t other[8] = {1, 2, 3, 4, 5, 6, 7, 8};
         b.SetKey(other).AddRecord(kLink, 9, 9);
     },
     false, false, {"お出かけ管理ファイルデータヘッダ復号化不正"}, {{kLink, 0, 0}}, nullptr},
    {"card without the file", nullptr, false, false, {}, {}, nullptr},
};

TEST_F(PcLinkFileTest, CardsAsTheUnitLeavesThem)
{
    for (const LinkFileCase& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_card.Clear());
        CLinkFileBuilder builder;
        if (c.build) {
            c.build(builder);
            ASSERT_TRUE(builder.WriteTo(m_card)) << GetLastError();
        }
        CLogCapture log;
        // A stale end-of-file code must not end the records early.
        SetLastError(ERROR_HANDLE_EOF);
        const CPcLinkFile file(0, kCardLetter);

        EXPECT_EQ(file.IsReadOk(), c.readOk);
        EXPECT_EQ(file.IsValid(), c.valid);
        for (const RecordExpectation& r : c.records) {
            EXPECT_EQ(file.GetRecordValue(r.id), r.value) << std::hex << r.id;
            EXPECT_EQ(file.GetRecordShort(r.id), r.shortValue) << std::hex << r.id;
        }
        if (c.deviceNo != nullptr) {
            EXPECT_EQ(file.GetDeviceNo(), c.deviceNo);
            EXPECT_EQ(file.GetPositionY(), 128456789);
            EXPECT_EQ(file.GetPositionX(), 503123456);
            EXPECT_EQ(file.GetCcidHead(), 0x00A1B2C3u);
            EXPECT_EQ(file.GetLinkWord(), 2026);
        }

        // The free queries read the card afresh and fall back to their defaults.
        int32_t y = -1, x = -2;
        GetNaviInfoPosition(kCardLetter, y, x);
        if (c.valid) {
            EXPECT_EQ(GetNaviInfoDeviceNo(kCardLetter), c.deviceNo);
            EXPECT_EQ(GetNaviInfoCcidHead(kCardLetter), 0x00A1B2C3u);
            EXPECT_EQ(y, 128456789);
            EXPECT_EQ(x, 503123456);
        } else {
            EXPECT_EQ(GetNaviInfoDeviceNo(kCardLetter), "");
            EXPECT_EQ(GetNaviInfoCcidHead(kCardLetter), 0u);
            EXPECT_EQ(y, -1);
            EXPECT_EQ(x, -2);
        }

        const std::string text = log.Text();
        for (const std::string& line : c.errorLines) {
            EXPECT_TRUE(log.HasLine("!!", "PcLinkFile.cpp", line)) << line << "\n" << text;
        }
        if (c.errorLines.empty()) {
            EXPECT_EQ(text.find("\t!!\t"), std::string::npos) << text;
        }
        EXPECT_EQ(text.find("\t..\t"), std::string::npos) << "a card is present\n" << text;
    }
}

TEST_F(PcLinkFileTest, UnreadFieldsAreZero)
{
    const CPcLinkFile file(0, kCardLetter); // empty card
    EXPECT_FALSE(file.IsReadOk());
    EXPECT_EQ(file.GetDeviceNo(), "");
    EXPECT_EQ(file.GetPositionY(), 0);
    EXPECT_EQ(file.GetPositionX(), 0);
    EXPECT_EQ(file.GetCcidHead(), 0u);
    EXPECT_EQ(file.GetModelCode(), 0);
    EXPECT_EQ(file.GetLinkWord(), 0);
    EXPECT_EQ(file.GetFileVersion(), 0u);
    EXPECT_EQ(file.GetRecordValue(kUnit), 0u);
}

TEST_F(PcLinkFileTest, FieldsComeFromTheirOffsets)
{
    CLinkFileBuilder builder;
    builder.SetDeviceNo("NAVI-42").SetPosition(-12345, 67890).SetCcidHead(0xFEDCBA98)
        .SetLinkWord(0xABCD).AddRecord(kUnit, 0x0300000A, 0x110E);
    ASSERT_TRUE(builder.WriteTo(m_card));
    const CPcLinkFile file(0, kCardLetter);
    ASSERT_TRUE(file.IsValid());
    EXPECT_EQ(file.GetDeviceNo(), "NAVI-42");
    EXPECT_EQ(file.GetPositionY(), -12345);
    EXPECT_EQ(file.GetPositionX(), 67890);
    EXPECT_EQ(file.GetCcidHead(), 0xFEDCBA98u);
    EXPECT_EQ(file.GetModelCode(), 14);
    EXPECT_EQ(file.GetLinkWord(), 0xABCD);
    EXPECT_EQ(file.GetFileVersion(), 0x02000000u);
    EXPECT_EQ(file.GetRecordValue(kUnit), 0x0300000Au);
    EXPECT_EQ(file.GetRecordShort(kUnit), 0x110E);
}

TEST_F(PcLinkFileTest, OtherKindsReadTheFileAtTheRoot)
{
    CLinkFileBuilder builder;
    builder.SetDeviceNo("ROOTFILE").AddRecord(kLink, 31, 0);
    ASSERT_TRUE(builder.WriteTo(m_card, CLinkFileBuilder::kPcLinkPath));
    EXPECT_FALSE(CPcLinkFile(0, kCardLetter).IsReadOk());
    const CPcLinkFile file(1, kCardLetter);
    ASSERT_TRUE(file.IsValid());
    EXPECT_EQ(file.GetDeviceNo(), "ROOTFILE");
    EXPECT_EQ(file.GetRecordValue(kLink), 31u);
}

TEST_F(PcLinkFileTest, OversizedFileIsRefusedBeforeItsRecordsAreRead)
{
    CLinkFileBuilder builder;
    builder.AddRecord(kLink, 1, 1);
    ASSERT_TRUE(builder.WriteTo(m_card));
    ASSERT_TRUE(m_card.SetFileLength(CLinkFileBuilder::kNaviInfoPath, PCLINK_MAX_FILE_SIZE + 1ull));
    CLogCapture log;
    const CPcLinkFile file(0, kCardLetter);
    EXPECT_FALSE(file.IsReadOk());
    EXPECT_EQ(file.GetRecordValue(kLink), 0u);
    EXPECT_TRUE(log.HasLine("!!", "PcLinkFile.cpp", kRecordReadFailed + "000000DF"))
        << log.Text();
}

TEST_F(PcLinkFileTest, NoCardWritesTheLevelZeroLine)
{
    const char unused = FindUnusedDriveLetter();
    ASSERT_NE(unused, 0);
    struct {
        uint8_t kind;
        char letter;
        const char* name;
    } const cases[] = {{0, unused, "NAVIINFO"}, {0, '\0', "NAVIINFO"}, {1, unused, "PCLINK"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.letter));
        CLogCapture log;
        const CPcLinkFile file(c.kind, c.letter);
        EXPECT_FALSE(file.IsReadOk());
        EXPECT_FALSE(file.IsValid());
        const std::string text = log.Text();
        EXPECT_TRUE(log.HasLine("..", "PcLinkFile.cpp",
                                std::string(c.name) + "ファイル読み込み時のSD無し"))
            << text;
        EXPECT_EQ(text.find("\t!!\t"), std::string::npos) << text;
    }
    int32_t y = 7, x = 8;
    GetNaviInfoPosition(unused, y, x);
    EXPECT_EQ(y, 7);
    EXPECT_EQ(x, 8);
}

TEST_F(PcLinkFileTest, ReadingLeavesTheCardUnlocked)
{
    CLinkFileBuilder builder;
    ASSERT_TRUE(builder.WriteTo(m_card));
    { const CPcLinkFile file(0, kCardLetter); ASSERT_TRUE(file.IsValid()); }
    // No handle stays open: the file can be replaced right away with no sharing at all.
    HANDLE exclusive = CreateFileA(m_card.GetPath(CLinkFileBuilder::kNaviInfoPath).c_str(),
                                   GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                   nullptr);
    EXPECT_NE(exclusive, INVALID_HANDLE_VALUE) << GetLastError();
    if (exclusive != INVALID_HANDLE_VALUE) CloseHandle(exclusive);
}

} // namespace
