// Damaged probe files: every field of a valid file truncated or overwritten in turn, at
// each layer (the file, the deciphered payload, the gunzipped bundle). Each variant must end
// with a clean code, leave the probe file as it was and write nothing outside the work
// folder; the fields whose damage the reader can tell give their exact code.

#include "carddata/ProbeFile.h"
#include "tests/carddata/ProbeTestSupport.h"
#include "tests/carddata/support/ProbeBuilder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

using namespace probetest;

namespace {

const uint64_t kFourGiB = 0x100000000ull;

// Two DATA blocks of two real files each, with the end mark.
CProbeBuilder BaseBuilder()
{
    CProbeBuilder builder;
    builder.AddRealFile("20261209120000/DRVHISREC.DH6", HistoryFile(0, 2, 1, Bytes("rec")))
        .AddRealFile("20261209120000PLAIN1.BIN", Bytes("plain one"))
        .AddDataBlock()
        .AddRealFile("20261209130000/DRVHISREC.DH6", HistoryFile(0, 3, 2, Bytes("more")))
        .AddRealFile("20261209130000PLAIN2.BIN", Bytes("plain two"));
    return builder;
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

void Put64(std::vector<uint8_t>& bytes, size_t at, uint64_t value)
{
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

class ProbeSweep : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_strFolder = MakeCaseFolder("sweep");
        m_strProbe = m_strFolder + "card\\ProbeData.dat";
        m_strWork = m_strFolder + "work\\";
        CreateDirectoryA((m_strFolder + "card").c_str(), nullptr);
    }

    // Runs the reader (and with pack, on success, the merge and the send file) over one
    // variant and checks what every variant must hold; returns the reader's code.
    uint32_t Run(const std::vector<uint8_t>& file, size_t* realFiles = nullptr, bool pack = true)
    {
        static const std::set<uint32_t> clean = {
            0, CProbeFile::PROBE_BAD_DATA, CProbeFile::PROBE_WRITE_FAILED,
            CProbeFile::PROBE_GUNZIP_FAILED, CProbeFile::PROBE_EMPTY_FILE,
            CProbeFile::PROBE_UNKNOWN_USER};
        EXPECT_TRUE(WriteBytes(m_strProbe, file));
        CProbeFile probe(nullptr, 1 << 20);
        const uint32_t check = probe._CheckProbeFile(m_strProbe.c_str());
        EXPECT_TRUE(check == 0 || check == CProbeFile::PROBE_BAD_DATA ||
                    check == CProbeFile::PROBE_OTHER_MODEL || check == CProbeFile::PROBE_EMPTY_FILE ||
                    check == CProbeFile::PROBE_UNKNOWN_USER)
            << std::hex << check;
        const uint32_t result = probe.MakeSendFile(m_strProbe.c_str(), (m_strWork + "PROBE.DAT").c_str());
        EXPECT_EQ(clean.count(result), 1u) << std::hex << result;
        size_t files = probe.GetSendList().size();
        for (size_t slot = 0; slot < CProbeFile::HISTORY_KIND_COUNT; ++slot) {
            files += probe.GetHistoryKindSlot(slot).m_vecPath.size();
        }
        if (realFiles != nullptr) *realFiles = files;
        if (result == 0 && pack) {
            EXPECT_EQ(probe.CombineDrvHiRecFile(), 0u);
            EXPECT_EQ(probe.CreateSendFile(), 0u);
        }
        EXPECT_EQ(probe.ClearTempData(), 0u);
        EXPECT_EQ(ReadBytes(m_strProbe), file);
        const std::vector<std::string> top = ListFolder(m_strFolder);
        EXPECT_TRUE(top == std::vector<std::string>({"card\\"}) ||
                    top == std::vector<std::string>({"card\\", "work\\"}));
        EXPECT_EQ(ListFolder(m_strFolder + "card\\"), std::vector<std::string>{"ProbeData.dat"});
        const std::vector<std::string> left = ListFolder(m_strWork);
        EXPECT_TRUE(left.empty() || left == std::vector<std::string>{"PROBE.DAT"});
        DeleteFileA((m_strWork + "PROBE.DAT").c_str());
        return result;
    }

    std::string m_strFolder;
    std::string m_strProbe;
    std::string m_strWork;
};

} // namespace

TEST_F(ProbeSweep, TheUntouchedFileUnpacksAllFourFiles)
{
    size_t files = 0;
    EXPECT_EQ(Run(BaseBuilder().Build(), &files), 0u);
    EXPECT_EQ(files, 4u);
}

TEST_F(ProbeSweep, EveryTruncationAndEveryOverwrittenByteOfTheFile)
{
    const std::vector<uint8_t> base = BaseBuilder().Build();
    for (size_t length = 0; length < base.size(); ++length) {
        SCOPED_TRACE(::testing::Message() << "cut at " << length);
        Run(std::vector<uint8_t>(base.begin(), base.begin() + length), nullptr, false);
        if (HasFailure()) return;
    }
    for (size_t at = 0; at < base.size(); ++at) {
        SCOPED_TRACE(::testing::Message() << "byte " << at);
        std::vector<uint8_t> file = base;
        file[at] ^= 0xFF;
        Run(file, nullptr, false);
        if (HasFailure()) return;
    }
}

TEST_F(ProbeSweep, FieldsOfTheFileGiveTheirCodes)
{
    const std::vector<uint8_t> base = BaseBuilder().Build();
    const size_t data1 = 8 + 20 + 132;
    const uint32_t payload1 = GetU32(base, data1 + 4);
    const size_t data2 = data1 + 20 + payload1;
    struct Case {
        const char* m_pszName;
        std::function<void(std::vector<uint8_t>&)> m_fnEdit;
        uint32_t m_uExpected;
        size_t m_nFiles;
    };
    const Case cases[] = {
        {"count 0", [](std::vector<uint8_t>& f) { Put64(f, 0, 0); }, 0, 4},
        {"count 1", [](std::vector<uint8_t>& f) { Put64(f, 0, 1); }, 0, 0},
        {"count 2", [](std::vector<uint8_t>& f) { Put64(f, 0, 2); }, 0, 2},
        {"count huge", [](std::vector<uint8_t>& f) { Put64(f, 0, ~0ull); }, 0, 4},
        {"count huge, no end mark", [](std::vector<uint8_t>& f) { Put64(f, 0, ~0ull); f.resize(f.size() - 4); }, 0, 4},
        {"count huge, end mark damaged", [](std::vector<uint8_t>& f) { Put64(f, 0, ~0ull); f[f.size() - 1] = 'X'; }, CProbeFile::PROBE_BAD_DATA, 4},
        {"end mark damaged", [](std::vector<uint8_t>& f) { f[f.size() - 1] = 'X'; }, 0, 4},
        {"HEAD tag", [](std::vector<uint8_t>& f) { f[8] = 'h'; }, CProbeFile::PROBE_BAD_DATA, 0},
        {"HEAD length 0", [](std::vector<uint8_t>& f) { Put32(f, 12, 0); }, CProbeFile::PROBE_BAD_DATA, 0},
        {"HEAD length 131", [](std::vector<uint8_t>& f) { Put32(f, 12, 131); }, CProbeFile::PROBE_BAD_DATA, 0},
        {"HEAD length max", [](std::vector<uint8_t>& f) { Put32(f, 12, 0xFFFFFFFF); }, CProbeFile::PROBE_BAD_DATA, 0},
        {"HEAD unread word", [](std::vector<uint8_t>& f) { Put32(f, 16, 0xDEADBEEF); }, 0, 4},
        {"HEAD iv", [](std::vector<uint8_t>& f) { f[20] ^= 1; }, CProbeFile::PROBE_UNKNOWN_USER, 0},
        {"DATA tag", [=](std::vector<uint8_t>& f) { f[data2] = 'd'; }, CProbeFile::PROBE_BAD_DATA, 2},
        {"DATA length 0", [=](std::vector<uint8_t>& f) { Put32(f, data1 + 4, 0); }, CProbeFile::PROBE_BAD_DATA, 0},
        {"DATA length 7", [=](std::vector<uint8_t>& f) { Put32(f, data1 + 4, 7); }, CProbeFile::PROBE_BAD_DATA, 0},
        {"DATA length max", [=](std::vector<uint8_t>& f) { Put32(f, data2 + 4, 0xFFFFFFFF); }, CProbeFile::PROBE_BAD_DATA, 2},
        {"DATA length one past", [=](std::vector<uint8_t>& f) { Put32(f, data2 + 4, static_cast<uint32_t>(f.size() - data2 - 19)); }, CProbeFile::PROBE_BAD_DATA, 2},
        {"DATA unread word", [=](std::vector<uint8_t>& f) { Put32(f, data1 + 8, 7); }, 0, 4},
        {"DATA iv", [=](std::vector<uint8_t>& f) { f[data1 + 19] ^= 0x80; }, CProbeFile::PROBE_WRITE_FAILED, 0},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.m_pszName);
        std::vector<uint8_t> file = base;
        t.m_fnEdit(file);
        size_t files = 0;
        EXPECT_EQ(Run(file, &files), t.m_uExpected);
        EXPECT_EQ(files, t.m_nFiles);
    }
}

TEST_F(ProbeSweep, FieldsOfThePayloadAndTheBundleGiveTheirCodes)
{
    typedef std::function<void(std::vector<uint8_t>&)> Edit;
    struct Case {
        const char* m_pszName;
        Edit m_fnPayload;
        Edit m_fnBundle;
        uint32_t m_uExpected;
        size_t m_nFiles;   // files of the second block only
    };
    const size_t second = 8 + 144 + 16;   // the second header of the last block's bundle
    const Case cases[] = {
        {"gzip length 0", [](std::vector<uint8_t>& p) { Put64(p, 0, 0); }, nullptr, CProbeFile::PROBE_BAD_DATA, 0},
        {"gzip length 1", [](std::vector<uint8_t>& p) { Put64(p, 0, 1); }, nullptr, CProbeFile::PROBE_GUNZIP_FAILED, 0},
        {"gzip length one short", [](std::vector<uint8_t>& p) { Put64(p, 0, p.size() - 9); }, nullptr, CProbeFile::PROBE_GUNZIP_FAILED, 0},
        {"gzip length one past", [](std::vector<uint8_t>& p) { Put64(p, 0, p.size() - 7); }, nullptr, CProbeFile::PROBE_BAD_DATA, 0},
        {"gzip length 4 GiB - 1", [](std::vector<uint8_t>& p) { Put64(p, 0, kFourGiB - 1); }, nullptr, CProbeFile::PROBE_BAD_DATA, 0},
        {"gzip length 4 GiB", [](std::vector<uint8_t>& p) { Put64(p, 0, kFourGiB); }, nullptr, CProbeFile::PROBE_WRITE_FAILED, 0},
        {"gzip length max", [](std::vector<uint8_t>& p) { Put64(p, 0, ~0ull); }, nullptr, CProbeFile::PROBE_WRITE_FAILED, 0},
        {"payload cut to 7", [](std::vector<uint8_t>& p) { p.resize(7); }, nullptr, CProbeFile::PROBE_BAD_DATA, 0},
        {"gzip byte damaged", [](std::vector<uint8_t>& p) { p[p.size() / 2] ^= 0x10; }, nullptr, CProbeFile::PROBE_GUNZIP_FAILED, 0},
        {"bundle count 0", nullptr, [](std::vector<uint8_t>& b) { Put64(b, 0, 0); }, 0, 0},
        {"bundle count 1", nullptr, [](std::vector<uint8_t>& b) { Put64(b, 0, 1); }, 0, 1},
        {"bundle count 100", nullptr, [](std::vector<uint8_t>& b) { Put64(b, 0, 100); }, 0, 2},
        {"bundle count max", nullptr, [](std::vector<uint8_t>& b) { Put64(b, 0, ~0ull); }, 0, 2},
        {"bundle cut to 7", nullptr, [](std::vector<uint8_t>& b) { b.resize(7); }, CProbeFile::PROBE_BAD_DATA, 0},
        {"bundle of a count only", nullptr, [](std::vector<uint8_t>& b) { b.resize(8); }, 0, 0},
        {"bundle cut in a header", nullptr, [](std::vector<uint8_t>& b) { b.resize(8 + 100); }, CProbeFile::PROBE_BAD_DATA, 0},
        {"bundle cut in the data", nullptr, [](std::vector<uint8_t>& b) { b.resize(b.size() - 1); }, CProbeFile::PROBE_BAD_DATA, 1},
        {"magic", nullptr, [](std::vector<uint8_t>& b) { b[8] = '9'; }, CProbeFile::PROBE_BAD_DATA, 0},
        {"data size 0", nullptr, [](std::vector<uint8_t>& b) { Put64(b, 12, 0); }, CProbeFile::PROBE_BAD_DATA, 1},
        {"data size one past", nullptr, [=](std::vector<uint8_t>& b) { Put64(b, second + 4, 10); }, CProbeFile::PROBE_BAD_DATA, 1},
        {"data size 4 GiB", nullptr, [](std::vector<uint8_t>& b) { Put64(b, 12, kFourGiB); }, CProbeFile::PROBE_WRITE_FAILED, 0},
        {"data size max", nullptr, [](std::vector<uint8_t>& b) { Put64(b, 12, ~0ull); }, CProbeFile::PROBE_WRITE_FAILED, 0},
        {"name length unread", nullptr, [](std::vector<uint8_t>& b) { Put32(b, 20, 0xFFFFFFFF); }, 0, 2},
        {"name without terminator", nullptr, [](std::vector<uint8_t>& b) { std::memset(b.data() + 24, 'N', 128); }, CProbeFile::PROBE_BAD_DATA, 0},
        {"name empty", nullptr, [](std::vector<uint8_t>& b) { b[24] = 0; }, CProbeFile::PROBE_BAD_DATA, 0},
        {"name up and out", nullptr, [](std::vector<uint8_t>& b) { std::memcpy(b.data() + 24, "..\\..\\..\\", 9); }, CProbeFile::PROBE_BAD_DATA, 0},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.m_pszName);
        CProbeBuilder builder = BaseBuilder();
        if (t.m_fnPayload) builder.SetPayloadEditor(t.m_fnPayload);
        if (t.m_fnBundle) builder.SetBundleEditor(t.m_fnBundle);
        size_t files = 0;
        EXPECT_EQ(Run(builder.Build(), &files), t.m_uExpected);
        EXPECT_EQ(files, 2 + t.m_nFiles);   // the first block is always whole
    }
}
