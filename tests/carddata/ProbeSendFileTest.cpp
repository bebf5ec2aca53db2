// The driving-history merge and the probe send file, parsed back byte by byte.

#include "carddata/ProbeFile.h"
#include "tests/carddata/ProbeTestSupport.h"
#include "tests/carddata/support/ProbeBuilder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace probetest;

namespace {

const char kEarly[] = "20261209120000";
const char kLate[] = "20261209130000";

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct SendEntry {
    std::string m_strName;
    std::vector<uint8_t> m_vecData;   // gunzipped on the host
};

struct SendBlock {
    uint64_t m_ullFullLength = 0;
    std::string m_strText;
    std::vector<SendEntry> m_vecEntries;
};

// Parses a send file completely; any layout fault fails the calling test.
std::vector<SendBlock> ParseSendFile(const std::vector<uint8_t>& file, uint32_t* blockCount)
{
    std::vector<SendBlock> blocks;
    EXPECT_GE(file.size(), 24u);
    if (file.size() < 24) return blocks;
    EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "OFCD01");
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 6, file.begin() + 12), std::vector<uint8_t>(6, 0));
    *blockCount = GetU32(file, 12);
    EXPECT_EQ(GetU64(file, 16), file.size() - 24);
    size_t at = 24;
    while (at < file.size()) {
        SendBlock block;
        const uint64_t length = GetU64(file, at);
        block.m_ullFullLength = length + 8;
        EXPECT_LE(at + block.m_ullFullLength, file.size());
        if (at + block.m_ullFullLength > file.size()) return blocks;
        EXPECT_EQ(std::string(file.begin() + at + 8, file.begin() + at + 16),
                  std::string("PROBE_\0\0", 8));
        EXPECT_EQ(std::string(file.begin() + at + 16, file.begin() + at + 20), "0000");
        const uint32_t entries = GetU32(file, at + 20);
        block.m_strText.assign(reinterpret_cast<const char*>(file.data() + at + 24), 20);
        size_t p = at + 44;
        for (uint32_t i = 0; i < entries; ++i) {
            RealFileHeader header;
            std::memcpy(&header, file.data() + p, sizeof header);
            EXPECT_EQ(std::string(header.m_szMagic, 4), "8BIN");
            SendEntry entry;
            entry.m_strName = header.m_szName;
            EXPECT_EQ(header.m_uNameLength, entry.m_strName.size());
            const std::vector<uint8_t> gzip(file.begin() + p + sizeof header,
                                            file.begin() + p + sizeof header + header.m_ullDataSize);
            bool ok = false;
            entry.m_vecData = CProbeBuilder::Gunzip(gzip, &ok);
            EXPECT_TRUE(ok) << entry.m_strName;
            block.m_vecEntries.push_back(entry);
            p += sizeof header + header.m_ullDataSize;
        }
        EXPECT_EQ(std::string(file.begin() + p, file.begin() + p + 4), "EOF_");
        EXPECT_EQ(p + 4, at + block.m_ullFullLength);
        blocks.push_back(block);
        at += block.m_ullFullLength;
    }
    return blocks;
}

class ProbeSendFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string folder =
            MakeCaseFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_strProbe = folder + "card\\PROBE\\0001\\ProbeData.dat";
        m_strWork = folder + "work\\";
        m_strSend = m_strWork + "PROBE.DAT";
    }

    std::string m_strProbe;
    std::string m_strWork;
    std::string m_strSend;
};

} // namespace

TEST_F(ProbeSendFile, EachMergeModeFollowsItsHeaderRules)
{
    const std::string a = "AAAA", b = "BBBBBB";
    CProbeBuilder builder;
    builder.AddRealFile(std::string(kEarly) + "/DRVHISREC.DH6", HistoryFile(0, 30000, 0x01, Bytes(a)))
        .AddRealFile(std::string(kLate) + "/DRVHISREC.DH6", HistoryFile(0, 20000, 0x04, Bytes(b)))
        // Mode 1 takes from a further file only the record bytes its header names.
        .AddRealFile(std::string(kEarly) + "/MSVPLYHST.MP1",
                     Concat(HistoryFile(1, 10, 0x10, Bytes("abc"), 5, 9), Bytes("tail1")))
        .AddRealFile(std::string(kLate) + "/MSVPLYHST.MP1",
                     Concat(HistoryFile(1, 29995, 0x02, Bytes("de"), 7, 3), Bytes("XYZ")))
        .AddRealFile(std::string(kEarly) + "/VPSREPORT.D01", HistoryFile(2, 100, 0, Bytes("r1")))
        .AddRealFile(std::string(kLate) + "/VPSREPORT.D01", HistoryFile(2, 200, 0, Bytes("r2")))
        .AddDataBlock()
        .AddRealFile(std::string(kEarly) + "/ACCEL2REC.DA0", HistoryFile(3, 1, 0x80, Bytes("x")))
        .AddRealFile(std::string(kLate) + "/ACCEL2REC.DA0", HistoryFile(3, 2, 0x01, Bytes("yz")))
        // A kind with one file keeps its name; a 0-byte history file is dropped.
        .AddRealFile(std::string(kEarly) + "/GPSDATA.GD0", Bytes("gps"))
        .AddRealFile(std::string(kEarly) + "/DTVPLYHST.DP0", {})
        .AddRealFile(std::string(kLate) + "/DTVPLYHST.DP0", HistoryFile(1, 4, 0, Bytes("tv")))
        .AddRealFile(std::string(kEarly) + "TRIP.BIN", Bytes("plain"));
    ASSERT_TRUE(builder.WriteTo(m_strProbe));
    CProbeFile probe(nullptr);
    ASSERT_EQ(probe.MakeSendFile(m_strProbe.c_str(), m_strSend.c_str()), 0u);
    ASSERT_EQ(probe.CombineDrvHiRecFile(), 0u);

    std::vector<uint8_t> mode0 = HistoryFile(0, 50000, 0x05, Bytes(a + b));
    std::vector<uint8_t> mode1 = Concat(HistoryFile(1, 30005, 0x12, Bytes("abc"), 7, 9), Bytes("tail1de"));
    mode1[20] = 5;   // record bytes summed; the first file's bytes all stay
    std::vector<uint8_t> mode2 = HistoryFile(2, 300, 0, Bytes("r1r2"));
    std::vector<uint8_t> mode3 = HistoryFile(3, 3, 0x81, Bytes("xyz"));
    const std::string late = m_strWork + kLate;
    const std::string early = m_strWork + kEarly;
    EXPECT_EQ(ReadBytes(late + "DRVHISREC.DH6"), mode0);
    EXPECT_EQ(ReadBytes(late + "MSVPLYHST.MP1"), mode1);
    EXPECT_EQ(ReadBytes(late + "VPSREPORT.D01"), mode2);
    EXPECT_EQ(ReadBytes(late + "ACCEL2REC.DA0"), mode3);
    EXPECT_EQ(ReadBytes(late + "DTVPLYHST.DP0"), HistoryFile(1, 4, 0, Bytes("tv")));
    EXPECT_EQ(ReadBytes(early + "GPSDATA.GD0"), Bytes("gps"));
    const std::vector<std::string> sendList = {
        early + "TRIP.BIN",          late + "DRVHISREC.DH6", late + "MSVPLYHST.MP1",
        late + "VPSREPORT.D01",      late + "DTVPLYHST.DP0", early + "GPSDATA.GD0",
        late + "ACCEL2REC.DA0"};
    EXPECT_EQ(probe.GetSendList(), sendList);
    EXPECT_EQ(ListFolder(m_strWork).size(), sendList.size());   // no work or merged-away file

    const std::string log = LogText();
    EXPECT_NE(log.find("ブロック数規定値(41000)超え"), std::string::npos);
    EXPECT_NE(log.find("ブロック数規定値(30000)超え"), std::string::npos);
    EXPECT_NE(log.find("Probe Data size is 0"), std::string::npos);
}

TEST_F(ProbeSendFile, HistoryHeadersThatPromiseMoreThanTheFileHoldsAreRefused)
{
    std::vector<uint8_t> longRecords = HistoryFile(1, 1, 0, Bytes("ab"));
    longRecords[20] = 3;
    struct Case {
        const char* m_pszName;
        const char* m_pszKind;
        std::vector<uint8_t> m_vecDamaged;
    };
    const Case cases[] = {
        {"mode 0 header cut", "DRVHISREC.DH6", Bytes("12345678901")},
        {"mode 1 header cut", "MSVPLYHST.MP1", std::vector<uint8_t>(63, 1)},
        {"mode 1 record bytes past the data", "MSVPLYHST.MP1", longRecords},
        {"mode 2 header cut", "VPSREPORT.D01", std::vector<uint8_t>(15, 1)},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.m_pszName);
        const uint32_t mode = std::string(t.m_pszKind) == "MSVPLYHST.MP1" ? 1
                              : std::string(t.m_pszKind) == "VPSREPORT.D01" ? 2 : 0;
        const std::vector<uint8_t> good = HistoryFile(mode, 1, 0, Bytes("ok"));
        CProbeBuilder builder;
        builder.AddRealFile(std::string(kEarly) + "/" + t.m_pszKind, good)
            .AddRealFile(std::string(kLate) + "/" + t.m_pszKind, t.m_vecDamaged);
        ASSERT_TRUE(builder.WriteTo(m_strProbe));
        CProbeFile probe(nullptr);
        ASSERT_EQ(probe.MakeSendFile(m_strProbe.c_str(), m_strSend.c_str()), 0u);
        EXPECT_EQ(probe.CombineDrvHiRecFile(), CProbeFile::PROBE_READ_FAILED);
        // What was merged before the damaged file stays, under the merged name.
        EXPECT_EQ(ReadBytes(m_strWork + kLate + t.m_pszKind), good);
        EXPECT_EQ(ListFolder(m_strWork), std::vector<std::string>{std::string(kLate) + t.m_pszKind});
        EXPECT_EQ(probe.ClearTempData(), 0u);
        EXPECT_TRUE(ListFolder(m_strWork).empty());
    }
}

TEST_F(ProbeSendFile, BlocksOfSeveralProbeFilesParseBackExactly)
{
    // Stale bytes of an earlier send file must not survive the first block.
    CreateDirectoryA(m_strWork.c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(m_strSend, std::vector<uint8_t>(5000, 0xEE)));

    CProbeFile probe(nullptr);
    probe.ResetSendHeader(false);
    uint32_t originalBytes = 0;
    std::vector<std::map<std::string, std::vector<uint8_t>>> expected;
    for (int i = 0; i < 3; ++i) {
        const std::string prefix = std::string("2026120912000") + static_cast<char>('0' + i);
        std::vector<uint8_t> plain(1000 * (i + 1), static_cast<uint8_t>('a' + i));
        const std::vector<uint8_t> history = HistoryFile(0, 5, 0, Bytes("rec"));
        CProbeBuilder builder;
        builder.AddRealFile(prefix + "PLAIN.BIN", plain)
            .AddRealFile(prefix + "/DRVHISREC.DH6", history)
            .AddRealFile(prefix + "EMPTY.BIN", {});
        ASSERT_TRUE(builder.WriteTo(m_strProbe));
        ASSERT_EQ(probe.ClearTempData(), 0u);
        ASSERT_EQ(probe.MakeSendFile(m_strProbe.c_str(), m_strSend.c_str()), 0u);
        ASSERT_EQ(probe.CombineDrvHiRecFile(), 0u);
        ASSERT_EQ(probe.CreateSendFile(), 0u);
        originalBytes += static_cast<uint32_t>(plain.size() + history.size());
        expected.push_back({{prefix + "/PLAIN.BIN", plain},
                            {prefix + "/DRVHISREC.DH6", history},
                            {prefix + "/EMPTY.BIN", {}}});
        EXPECT_EQ(probe.GetTotalSize(), originalBytes);
    }
    EXPECT_EQ(ListFolder(m_strWork), std::vector<std::string>{"PROBE.DAT"});

    uint32_t blockCount = 0;
    const std::vector<SendBlock> blocks = ParseSendFile(ReadBytes(m_strSend), &blockCount);
    EXPECT_EQ(blockCount, 3u);
    ASSERT_EQ(blocks.size(), 3u);
    for (size_t i = 0; i < blocks.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(blocks[i].m_strText, std::string("PB-TEXT-0001\0\0\0\0\0\0\0\0", 20));
        std::map<std::string, std::vector<uint8_t>> found;
        for (const SendEntry& entry : blocks[i].m_vecEntries) found[entry.m_strName] = entry.m_vecData;
        EXPECT_EQ(found, expected[i]);
    }

    // An empty send list writes nothing; a reset starts the next send file afresh.
    EXPECT_EQ(probe.CreateSendFile(), 0u);
    probe.ResetSendHeader(true);
    EXPECT_EQ(probe.GetTotalSize(), 0u);
    EXPECT_EQ(probe.GetLastCCID(), "0746052100000001");
}

TEST_F(ProbeSendFile, ABlockThatWouldOverflowItsBufferAppendsNothing)
{
    CProbeBuilder builder;
    builder.AddRealFile(std::string(kEarly) + "FIRST.BIN", Bytes("1"))
        .AddRealFile(std::string(kEarly) + "SECOND.BIN", Bytes("2"));
    ASSERT_TRUE(builder.WriteTo(m_strProbe));
    CProbeFile probe(nullptr);
    ASSERT_EQ(probe.MakeSendFile(m_strProbe.c_str(), m_strSend.c_str()), 0u);
    ASSERT_EQ(probe.CreateSendFile(), 0u);
    const std::vector<uint8_t> oneBlock = ReadBytes(m_strSend);

    // Two unpacked files that do not compress and together pass the 30 MiB block buffer.
    ASSERT_EQ(probe.MakeSendFile(m_strProbe.c_str(), m_strSend.c_str()), 0u);
    std::vector<uint8_t> noise(16 << 20);
    uint32_t x = 12345;
    for (uint8_t& b : noise) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 23);
    }
    ASSERT_TRUE(WriteBytes(m_strWork + kEarly + "FIRST.BIN", noise));
    ASSERT_TRUE(WriteBytes(m_strWork + kEarly + "SECOND.BIN", noise));
    EXPECT_EQ(probe.CreateSendFile(), CProbeFile::PROBE_WRITE_FAILED);
    EXPECT_EQ(ReadBytes(m_strSend), oneBlock);
    // The running size counts every file taken up, the failed block's included.
    EXPECT_EQ(probe.GetTotalSize(), 2u + 2 * noise.size());
    EXPECT_EQ(GetFileAttributesA((m_strWork + kEarly + "SECOND.BIN.DAT").c_str()), INVALID_FILE_ATTRIBUTES);

    // The send file goes on from its last good block.
    EXPECT_EQ(probe.ClearTempData(), 0u);
    ASSERT_EQ(probe.MakeSendFile(m_strProbe.c_str(), m_strSend.c_str()), 0u);
    ASSERT_EQ(probe.CreateSendFile(), 0u);
    uint32_t blockCount = 0;
    EXPECT_EQ(ParseSendFile(ReadBytes(m_strSend), &blockCount).size(), 2u);
    EXPECT_EQ(blockCount, 2u);
}

TEST_F(ProbeSendFile, ClearTempDataExcusesOnlyHistoryFilesThatAreGone)
{
    CProbeBuilder builder;
    builder.AddRealFile(std::string(kEarly) + "/DRVHISREC.DH6", HistoryFile(0, 1, 0, {}))
        .AddRealFile(std::string(kLate) + "/DRVHISREC.DH6", HistoryFile(0, 1, 0, {}))
        .AddRealFile(std::string(kEarly) + "PLAIN.BIN", Bytes("p"));
    ASSERT_TRUE(builder.WriteTo(m_strProbe));
    CProbeFile probe(nullptr);
    ASSERT_EQ(probe.MakeSendFile(m_strProbe.c_str(), m_strSend.c_str()), 0u);
    DeleteFileA((m_strWork + kEarly + "DRVHISREC.DH6").c_str());
    EXPECT_EQ(probe.ClearTempData(), 0u);
    EXPECT_TRUE(ListFolder(m_strWork).empty());
    EXPECT_TRUE(probe.GetSendList().empty());
    EXPECT_TRUE(probe.GetHistoryKindSlot(0).m_vecPath.empty());

    ASSERT_EQ(probe.MakeSendFile(m_strProbe.c_str(), m_strSend.c_str()), 0u);
    DeleteFileA((m_strWork + kEarly + "PLAIN.BIN").c_str());
    EXPECT_EQ(probe.ClearTempData(), CProbeFile::PROBE_CLEAR_FAILED);
    EXPECT_TRUE(ListFolder(m_strWork).empty());
}
