// Reading probe files: deciphering, the pre-check, unpacking into the work folder and the
// identity that binds the files of one send file.

#include "carddata/ProbeFile.h"
#include "tests/carddata/ProbeTestSupport.h"
#include "tests/carddata/support/ProbeBuilder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using namespace probetest;

namespace {

struct CaseFolders {
    std::string m_strProbe;   // card\PROBE\0001\ProbeData.dat
    std::string m_strWork;    // work\ (with backslash)
    std::string m_strSend;    // work\PROBE.DAT
};

CaseFolders MakeCase(const std::string& name)
{
    const std::string folder = MakeCaseFolder(name);
    CaseFolders folders;
    folders.m_strProbe = folder + "card\\PROBE\\0001\\ProbeData.dat";
    folders.m_strWork = folder + "work\\";
    folders.m_strSend = folders.m_strWork + "PROBE.DAT";
    return folders;
}

std::vector<uint8_t> Pattern(size_t size, uint32_t seed)
{
    std::vector<uint8_t> data(size);
    uint32_t x = seed * 2654435761u + 1;
    for (uint8_t& b : data) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return data;
}

} // namespace

TEST(ProbeFileRead, UnpacksRealFilesIntoTheirKindsAndKeepsTheHeaderTexts)
{
    const CaseFolders c = MakeCase("unpack");
    // "表" is 0x95 0x5C in code page 932: its trail byte is no folder separator.
    const std::string dbcsName = "20261209120000\x95\x5C.LOG";
    CProbeBuilder builder;
    builder.AddRealFile("20261209120000/DRVHISREC.DH6", Bytes("drive history"))
        .AddRealFile("20261209120000TRIPLOG.BIN", Pattern(5000, 1))
        .AddDataBlock()
        .AddRealFile("20261209130000/MSVPLYHST.MP1", Bytes("music"))
        .AddRealFile(dbcsName, Bytes("dbcs"))
        .AddRealFile("20261209130000EMPTY.BIN", {});
    ASSERT_TRUE(builder.WriteTo(c.m_strProbe));
    const std::vector<uint8_t> before = ReadBytes(c.m_strProbe);

    CProbeFile probe(nullptr);
    ASSERT_EQ(probe.MakeSendFile(c.m_strProbe.c_str(), c.m_strSend.c_str()), 0u);

    EXPECT_EQ(ReadBytes(c.m_strWork + "20261209120000DRVHISREC.DH6"), Bytes("drive history"));
    EXPECT_EQ(ReadBytes(c.m_strWork + "20261209120000TRIPLOG.BIN"), Pattern(5000, 1));
    EXPECT_EQ(ReadBytes(c.m_strWork + dbcsName), Bytes("dbcs"));
    EXPECT_EQ(probe.GetHistoryKindSlot(0).m_uCombineMode, 0u);
    EXPECT_EQ(probe.GetHistoryKindSlot(0).m_vecPath,
              std::vector<std::string>{c.m_strWork + "20261209120000DRVHISREC.DH6"});
    EXPECT_EQ(probe.GetHistoryKindSlot(1).m_uCombineMode, 1u);
    EXPECT_EQ(probe.GetHistoryKindSlot(2).m_uCombineMode, 4u);
    const std::vector<std::string> sendList = {c.m_strWork + "20261209120000TRIPLOG.BIN",
                                               c.m_strWork + dbcsName,
                                               c.m_strWork + "20261209130000EMPTY.BIN"};
    EXPECT_EQ(probe.GetSendList(), sendList);
    // Only the real files: the block's temporary files are gone.
    EXPECT_EQ(ListFolder(c.m_strWork).size(), 5u);

    EXPECT_EQ(probe.GetLastCCID(), "0746052100000001");
    EXPECT_EQ(probe.GetUid(), "U000000001");
    EXPECT_EQ(probe.GetNickName(), kNickName);
    EXPECT_EQ(probe.GetNaviModel(), "NV41");
    EXPECT_EQ(probe.GetMaker(), "Halvorn");
    EXPECT_EQ(probe.GetAplVer(), 0x0001020Au);
    EXPECT_EQ(probe.GetMapVer(), 0x20261101u);
    EXPECT_EQ(ReadBytes(c.m_strProbe), before);
}

TEST(ProbeFileRead, DeviceNumberAndUidFillTheirWholeFieldAndTextsRunOnToTheHeaderEnd)
{
    const CaseFolders c = MakeCase("fullwidth");
    CProbeBuilder builder;
    // A navimodel of six characters has no terminator in its field and reads on into the
    // maker's field.
    builder.SetUid("UUUUUUUUUU").SetNaviModel("ABCDEF").SetMaker("MK");
    ASSERT_TRUE(builder.WriteTo(c.m_strProbe));
    CProbeFile probe(nullptr);
    ASSERT_EQ(probe.MakeSendFile(c.m_strProbe.c_str(), c.m_strSend.c_str()), 0u);
    EXPECT_EQ(probe.GetUid(), "UUUUUUUUUU");
    EXPECT_EQ(probe.GetNaviModel(), "ABCDEFMK");
    EXPECT_EQ(probe.GetMaker(), "MK");
}

// The cipher runs in independent 307,200-byte chunks, each from the block's IV, and a tail
// shorter than 8 bytes stays as stored; any other split garbles the gzip data behind it.
TEST(ProbeFileRead, PayloadsDecipherInIndependentChunks)
{
    {
        SCOPED_TRACE("HEAD of 307,201 bytes: a chunk of 307,200 and one of a single byte");
        const CaseFolders c = MakeCase("head_307201");
        CProbeBuilder builder;
        builder.SetHeadPayloadLength(307201).AddRealFile("20261209120000SMALL.BIN", Pattern(100, 7));
        ASSERT_TRUE(builder.WriteTo(c.m_strProbe));
        CProbeFile probe(nullptr);
        ASSERT_EQ(probe.MakeSendFile(c.m_strProbe.c_str(), c.m_strSend.c_str()), 0u);
        EXPECT_EQ(probe.GetLastCCID(), "0746052100000001");
        EXPECT_EQ(ReadBytes(c.m_strWork + "20261209120000SMALL.BIN"), Pattern(100, 7));
    }
    // A DATA payload over the boundary whose gzip trailer ends in a partial DES block.
    const size_t dataAt = 8 + 20 + 132;
    for (size_t size = 400003;; ++size) {
        CProbeBuilder builder;
        builder.AddRealFile("20261209120000RANDOM.BIN", Pattern(size, 9));
        const std::vector<uint8_t> file = builder.Build();
        const uint32_t payload = GetU32(file, dataAt + 4);
        if (payload % 8 == 0) continue;
        ASSERT_GT(payload, CProbeFile::CIPHER_CHUNK);
        const CaseFolders c = MakeCase("data_2chunks");
        ASSERT_TRUE(builder.WriteTo(c.m_strProbe));
        CProbeFile probe(nullptr);
        ASSERT_EQ(probe.MakeSendFile(c.m_strProbe.c_str(), c.m_strSend.c_str()), 0u);
        EXPECT_EQ(ReadBytes(c.m_strWork + "20261209120000RANDOM.BIN"), Pattern(size, 9));
        break;
    }
}

TEST(ProbeFileRead, PreCheckCodes)
{
    struct Case {
        const char* m_pszName;
        std::vector<uint8_t> m_vecFile;
        uint32_t m_uExpected;
    };
    const std::vector<uint8_t> valid = CProbeBuilder().AddRealFile("20261209120000A.BIN", Bytes("x")).Build();
    std::vector<uint8_t> shortHead = valid;
    shortHead.resize(27);
    std::vector<uint8_t> shortOtherTag = CProbeBuilder().SetHeadTag("DATA").Build();
    shortOtherTag.resize(12);
    const Case cases[] = {
        {"first model", valid, 0},
        {"second model", CProbeBuilder().SetCcid("0758062299999999").Build(), 0},
        {"other model", CProbeBuilder().SetCcid("0746052").Build(), CProbeFile::PROBE_OTHER_MODEL},
        {"other model 2", CProbeBuilder().SetCcid("9999999900000001").Build(), CProbeFile::PROBE_OTHER_MODEL},
        {"no HEAD tag", CProbeBuilder().SetHeadTag("DATA").Build(), CProbeFile::PROBE_OTHER_MODEL},
        {"unregistered", CProbeBuilder().SetDeviceNo("DN99").Build(), CProbeFile::PROBE_UNKNOWN_USER},
        {"empty", {}, CProbeFile::PROBE_EMPTY_FILE},
        {"cut in the block header", shortHead, CProbeFile::PROBE_BAD_DATA},
        {"cut behind another tag", shortOtherTag, CProbeFile::PROBE_OTHER_MODEL},
    };
    const std::string folder = MakeCaseFolder("precheck");
    for (const Case& t : cases) {
        SCOPED_TRACE(t.m_pszName);
        const std::string path = folder + "ProbeData.dat";
        ASSERT_TRUE(WriteBytes(path, t.m_vecFile));
        CProbeFile probe(nullptr);
        EXPECT_EQ(probe._CheckProbeFile(path.c_str()), t.m_uExpected);
        EXPECT_EQ(probe.GetLastCCID(), "");
        EXPECT_EQ(ReadBytes(path), t.m_vecFile);
    }
    CProbeFile probe(nullptr);
    EXPECT_EQ(probe._CheckProbeFile(nullptr), CProbeFile::PROBE_BAD_DATA);
}

TEST(ProbeFileRead, ASecondUnitOrSoftwareStartsANewSendFile)
{
    const CaseFolders c = MakeCase("identity");
    const std::string second = c.m_strWork + "..\\card\\PROBE\\0002\\ProbeData.dat";
    ASSERT_TRUE(CProbeBuilder().WriteTo(c.m_strProbe));

    struct Case {
        const char* m_pszName;
        CProbeBuilder m_cBuilder;
        uint32_t m_uExpected;
        uint32_t m_uAfterReset;
    };
    Case cases[] = {
        {"other device", CProbeBuilder(), CProbeFile::PROBE_OTHER_IDENTITY, CProbeFile::PROBE_UNKNOWN_USER},
        {"other CCID", CProbeBuilder(), CProbeFile::PROBE_OTHER_IDENTITY, 0},
        {"other maker", CProbeBuilder(), CProbeFile::PROBE_OTHER_SOFTWARE, 0},
        {"other map", CProbeBuilder(), CProbeFile::PROBE_OTHER_SOFTWARE, 0},
        {"same unit", CProbeBuilder(), 0, 0},
    };
    cases[0].m_cBuilder.SetDeviceNo("DN00000000000002");
    cases[1].m_cBuilder.SetCcid("0746052100000002");
    cases[2].m_cBuilder.SetMaker("Other");
    cases[3].m_cBuilder.SetMapVer("20270101");
    for (Case& t : cases) {
        SCOPED_TRACE(t.m_pszName);
        ASSERT_TRUE(t.m_cBuilder.WriteTo(second));
        CProbeFile probe(nullptr);
        ASSERT_EQ(probe.MakeSendFile(c.m_strProbe.c_str(), c.m_strSend.c_str()), 0u);
        EXPECT_EQ(probe.MakeSendFile(second.c_str(), c.m_strSend.c_str()), t.m_uExpected);
        EXPECT_EQ(probe.GetLastCCID(), "0746052100000001");
        EXPECT_EQ(probe.GetMaker(), "Halvorn");
        // A full reset starts a new identity; the kept texts are gone until the next read.
        probe.ResetSendHeader(false);
        EXPECT_EQ(probe.GetLastCCID(), "");
        EXPECT_EQ(probe.GetMaker(), "");
        EXPECT_EQ(probe.MakeSendFile(second.c_str(), c.m_strSend.c_str()), t.m_uAfterReset);
        probe.ClearTempData();
    }
}

TEST(ProbeFileRead, BlockWalkEndsAtTheEndMarkOrWhenTheCountRunsOut)
{
    struct Case {
        const char* m_pszName;
        bool m_bEndMark;
        int64_t m_llCount;   // -1: as built
        size_t m_nFiles;
    };
    const Case cases[] = {
        {"head only", true, 1, 0},
        {"head only no mark", false, 1, 0},
        {"count says more than written", true, 9, 2},
        {"count says more, no mark", false, 9, 2},
        {"count runs out first", true, 2, 1},
        {"count zero wraps round", false, 0, 2},
        {"as built", true, -1, 2},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.m_pszName);
        const CaseFolders c = MakeCase("walk");
        CProbeBuilder builder;
        builder.AddRealFile("20261209120000ONE.BIN", Bytes("1"))
            .AddDataBlock()
            .AddRealFile("20261209120000TWO.BIN", Bytes("2"))
            .SetEndMark(t.m_bEndMark);
        if (t.m_llCount >= 0) builder.SetBlockCount(static_cast<uint64_t>(t.m_llCount));
        ASSERT_TRUE(builder.WriteTo(c.m_strProbe));
        CProbeFile probe(nullptr);
        EXPECT_EQ(probe.MakeSendFile(c.m_strProbe.c_str(), c.m_strSend.c_str()), 0u);
        EXPECT_EQ(probe.GetSendList().size(), t.m_nFiles);
    }
    EXPECT_NE(LogText().find("A file concerned deletes each falda, and skips processing\r\n"),
              std::string::npos);
}

TEST(ProbeFileRead, AGzipBombStopsAtTheUnpackLimit)
{
    const CaseFolders c = MakeCase("bomb");
    // A bundle whose real file is 4 MiB of zeros gzips to a few kilobytes.
    const std::vector<uint8_t> bundle = CProbeBuilder::BuildBundle(
        {ProbeRealFile{"20261209120000ZERO.BIN", std::vector<uint8_t>(4 << 20, 0)}});
    CProbeBuilder builder;
    builder.AddDataBlock().SetRawGzip(CProbeBuilder::Gzip(bundle));
    ASSERT_TRUE(builder.WriteTo(c.m_strProbe));

    CProbeFile limited(nullptr, 1 << 20);
    EXPECT_EQ(limited.MakeSendFile(c.m_strProbe.c_str(), c.m_strSend.c_str()),
              CProbeFile::PROBE_GUNZIP_FAILED);
    EXPECT_TRUE(ListFolder(c.m_strWork).empty());

    CProbeFile roomy(nullptr, 8 << 20);
    EXPECT_EQ(roomy.MakeSendFile(c.m_strProbe.c_str(), c.m_strSend.c_str()), 0u);
    EXPECT_EQ(ReadBytes(c.m_strWork + "20261209120000ZERO.BIN").size(), 4u << 20);
}

TEST(ProbeFileRead, GzipDataOfSeveralMembersOrNotGzip)
{
    const std::vector<uint8_t> bundle =
        CProbeBuilder::BuildBundle({ProbeRealFile{"20261209120000PART.BIN", Pattern(3000, 3)}});
    const std::vector<uint8_t> first(bundle.begin(), bundle.begin() + 1000);
    const std::vector<uint8_t> rest(bundle.begin() + 1000, bundle.end());
    std::vector<uint8_t> twoMembers = CProbeBuilder::Gzip(first);
    const std::vector<uint8_t> second = CProbeBuilder::Gzip(rest);
    twoMembers.insert(twoMembers.end(), second.begin(), second.end());
    std::vector<uint8_t> cut = CProbeBuilder::Gzip(bundle);
    cut.resize(cut.size() - 5);

    struct Case {
        const char* m_pszName;
        std::vector<uint8_t> m_vecGzip;
        uint32_t m_uExpected;
    };
    const Case cases[] = {
        {"two members", twoMembers, 0},
        {"plain bundle", bundle, CProbeFile::PROBE_GUNZIP_FAILED},
        {"cut short", cut, CProbeFile::PROBE_GUNZIP_FAILED},
        {"empty", {}, CProbeFile::PROBE_BAD_DATA},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.m_pszName);
        const CaseFolders c = MakeCase("members");
        CProbeBuilder builder;
        builder.AddDataBlock().SetRawGzip(t.m_vecGzip);
        ASSERT_TRUE(builder.WriteTo(c.m_strProbe));
        CProbeFile probe(nullptr);
        EXPECT_EQ(probe.MakeSendFile(c.m_strProbe.c_str(), c.m_strSend.c_str()), t.m_uExpected);
        if (t.m_uExpected == 0) {
            EXPECT_EQ(ReadBytes(c.m_strWork + "20261209120000PART.BIN"), Pattern(3000, 3));
        } else {
            EXPECT_TRUE(ListFolder(c.m_strWork).empty());
        }
    }
}

TEST(ProbeFileRead, RealFileNamesStayInsideTheWorkFolder)
{
    struct Case {
        const char* m_pszName;
        std::string m_strStored;
        uint32_t m_uExpected;
        const char* m_pszWritten;
    };
    const Case cases[] = {
        {"slash dropped", "20261209120000/DRVHISREC.DH6", 0, "20261209120000DRVHISREC.DH6"},
        {"14 characters", "20261209120000", 0, "20261209120000"},
        {"13 characters", "2026120912000", CProbeFile::PROBE_BAD_DATA, nullptr},
        {"only slashes", "////", CProbeFile::PROBE_BAD_DATA, nullptr},
        {"dot dot", "../..", CProbeFile::PROBE_BAD_DATA, nullptr},
        {"backslash", "..\\..\\20261209120000EVIL.BIN", CProbeFile::PROBE_BAD_DATA, nullptr},
        {"drive", "C:20261209120000EVIL.BIN", CProbeFile::PROBE_BAD_DATA, nullptr},
        {"stream", "20261209120000A.BIN:evil", CProbeFile::PROBE_BAD_DATA, nullptr},
        {"device", "nul.20261209120000", CProbeFile::PROBE_BAD_DATA, nullptr},
        {"port", "COM1 .20261209120000", CProbeFile::PROBE_BAD_DATA, nullptr},
        {"device-like", "NULL20261209120000", 0, "NULL20261209120000"},
        {"trail byte 0x5C", "20261209120000\x95\x5C\x95\x5C", 0, "20261209120000\x95\x5C\x95\x5C"},
        {"127 characters", std::string(127, 'N'), CProbeFile::PROBE_BAD_DATA, nullptr},
        {"our block file", "BlockData.dat_src", CProbeFile::PROBE_BAD_DATA, nullptr},
        {"our merge file", "probedatcombine.DAT", CProbeFile::PROBE_BAD_DATA, nullptr},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.m_pszName);
        const std::string folder = MakeCaseFolder("names");
        const std::string probePath = folder + "card\\ProbeData.dat";
        const std::string work = folder + "deep\\work\\";
        ASSERT_TRUE(CProbeBuilder().AddRealFile(t.m_strStored, Bytes("data")).WriteTo(probePath));
        CProbeFile probe(nullptr);
        EXPECT_EQ(probe.MakeSendFile(probePath.c_str(), (work + "PROBE.DAT").c_str()), t.m_uExpected);
        EXPECT_EQ(ListFolder(folder), (std::vector<std::string>{"card\\", "deep\\"}));
        EXPECT_EQ(ListFolder(folder + "deep\\"), std::vector<std::string>{"work\\"});
        if (t.m_pszWritten != nullptr) {
            EXPECT_EQ(ListFolder(work), std::vector<std::string>{t.m_pszWritten});
        } else {
            EXPECT_TRUE(ListFolder(work).empty());
        }
    }
}

TEST(ProbeFileRead, MissingOrNullPaths)
{
    CProbeFile probe(nullptr);
    const std::string folder = MakeCaseFolder("missing");
    EXPECT_EQ(probe.MakeSendFile(nullptr, (folder + "PROBE.DAT").c_str()), CProbeFile::PROBE_BAD_DATA);
    EXPECT_EQ(probe.MakeSendFile("", (folder + "PROBE.DAT").c_str()), CProbeFile::PROBE_BAD_DATA);
    EXPECT_EQ(probe.MakeSendFile((folder + "none.dat").c_str(), (folder + "PROBE.DAT").c_str()),
              CProbeFile::PROBE_BAD_DATA);
    ASSERT_TRUE(WriteBytes(folder + "empty.dat", {}));
    EXPECT_EQ(probe.MakeSendFile((folder + "empty.dat").c_str(), (folder + "PROBE.DAT").c_str()),
              CProbeFile::PROBE_EMPTY_FILE);
    const std::string text = LogText();
    EXPECT_NE(text.find("CProbeFile::MakeSendFile The probe file passing is NULL"), std::string::npos);
    EXPECT_NE(text.find("CProbeFile::MakeSendFile The former probe file doesn't exist"),
              std::string::npos);
}
