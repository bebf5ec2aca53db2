#include "carddata/GZipIF.h"

#include "tests/carddata/HostShell.h"
#include "tests/carddata/ZipTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace ziptest;

namespace {

class GZipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_sWork = MakeWorkFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { RemoveTree(m_sWork.substr(0, m_sWork.size() - 1)); }

    std::string m_sWork;
};

} // namespace

TEST_F(GZipTest, RoundTrips)
{
    struct Case {
        const char* what;
        std::string data;
    };
    const std::vector<Case> cases = {
        {"empty file", ""},
        {"one byte", "x"},
        {"text", LogLikeText(100000, 3)},
        // Crosses the 16 MiB piece boundary by a few bytes.
        {"more than one piece", LogLikeText((16u << 20) + 3, 4)},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string base = m_sWork + std::to_string(index++);
        WriteFileBytes(base + ".src", c.data);
        CGZipIF gzip(nullptr);
        ASSERT_TRUE(gzip.GZipFile(base + ".src", base + ".gz"));
        const std::string packed = ReadFileBytes(base + ".gz");
        ASSERT_GE(packed.size(), 18u);  // header and trailer even for no data
        EXPECT_EQ(static_cast<uint8_t>(packed[0]), 0x1F);
        EXPECT_EQ(static_cast<uint8_t>(packed[1]), 0x8B);
        ASSERT_TRUE(gzip.UnGZipFile(base + ".gz", base + ".out"));
        EXPECT_TRUE(ReadFileBytes(base + ".out") == c.data);
        EXPECT_EQ(gzip.GetError(), 0u);
    }
}

TEST_F(GZipTest, ZeroByteInputGivesAnEmptyTarget)
{
    WriteFileBytes(m_sWork + "empty.gz", "");
    WriteFileBytes(m_sWork + "out", "old contents");
    CGZipIF gzip(nullptr);
    ASSERT_TRUE(gzip.UnGZipFile(m_sWork + "empty.gz", m_sWork + "out"));
    EXPECT_TRUE(Exists(m_sWork + "out"));
    EXPECT_EQ(ReadFileBytes(m_sWork + "out"), "");
}

TEST_F(GZipTest, MissingSources)
{
    CLogWatch log;
    CGZipIF gzip(nullptr);
    EXPECT_FALSE(gzip.GZipFile(m_sWork + "missing", m_sWork + "a.gz"));
    EXPECT_EQ(gzip.GetError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(Exists(m_sWork + "a.gz"));
    EXPECT_FALSE(gzip.GZipFile(m_sWork, m_sWork + "b.gz"));  // a folder
    EXPECT_EQ(gzip.GetError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(log.Text(), "");

    EXPECT_FALSE(gzip.UnGZipFile(m_sWork + "missing.gz", m_sWork + "out"));
    EXPECT_EQ(gzip.GetError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(log.Count("CGZipIF::UnGZipFile - 元ファイル無し！ " + m_sWork + "missing.gz ERR:0x00000002"), 1u);
    EXPECT_FALSE(Exists(m_sWork + "out"));
}

TEST_F(GZipTest, DamagedOrForeignInputFails)
{
    const std::string data = LogLikeText(300000, 9);
    WriteFileBytes(m_sWork + "data", data);
    CGZipIF gzip(nullptr);
    ASSERT_TRUE(gzip.GZipFile(m_sWork + "data", m_sWork + "good.gz"));
    const std::string good = ReadFileBytes(m_sWork + "good.gz");

    struct Case {
        const char* what;
        std::string bytes;
        DWORD error;
        const char* logPiece;
    };
    std::string flipped = good;
    flipped[good.size() / 2] ^= 0x5A;
    std::string badCrc = good;
    badCrc[good.size() - 8] ^= 0x01;
    const std::vector<Case> cases = {
        // zlib hands out what it could inflate and then 0; only the close tells.
        {"cut in the middle", good.substr(0, good.size() / 2), static_cast<DWORD>(Z_BUF_ERROR),
         "CGZipIF::UnGZipFileEx - gzclose 失敗 "},
        {"trailer missing", good.substr(0, good.size() - 8), static_cast<DWORD>(Z_BUF_ERROR),
         "CGZipIF::UnGZipFileEx - gzclose 失敗 "},
        {"damaged data", flipped, static_cast<DWORD>(Z_DATA_ERROR),
         "CGZipIF::UnGZipFileEx - gzread 失敗 "},
        {"wrong CRC", badCrc, static_cast<DWORD>(Z_DATA_ERROR),
         "CGZipIF::UnGZipFileEx - gzread 失敗 "},
        {"not gzip at all", "plain text, no gzip header", static_cast<DWORD>(ERROR_INVALID_DATA),
         "CGZipIF::UnGZipFileEx - gzip形式ではありません "},
        {"one byte", "\x1f", static_cast<DWORD>(ERROR_INVALID_DATA),
         "CGZipIF::UnGZipFileEx - gzip形式ではありません "},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string base = m_sWork + "case" + std::to_string(index++);
        WriteFileBytes(base + ".gz", c.bytes);
        CLogWatch log;
        CGZipIF unzip(nullptr);
        EXPECT_FALSE(unzip.UnGZipFile(base + ".gz", base + ".out"));
        EXPECT_EQ(unzip.GetError(), c.error);
        EXPECT_EQ(log.Count(c.logPiece), 1u) << log.Text();
        // Every handle is closed again: the files can be removed at once.
        EXPECT_TRUE(DeleteFileA((base + ".gz").c_str()));
        DeleteFileA((base + ".out").c_str());
        EXPECT_FALSE(Exists(base + ".out"));
    }
}

// A source that gives fewer bytes than its size said ends the gzip instead of reading on.
TEST_F(GZipTest, SourceShorterThanItsSizeFails)
{
    const std::string source = ShortReadingFile();
    if (source.empty()) GTEST_SKIP() << "no file here reads shorter than its size";
    CLogWatch log;
    CGZipIF gzip(nullptr);
    EXPECT_FALSE(gzip.GZipFile(source, m_sWork + "short.gz"));
    EXPECT_EQ(gzip.GetError(), static_cast<DWORD>(ERROR_HANDLE_EOF));
    EXPECT_EQ(log.Count("CGZipIF::GZipFileEx - ReadFile 失敗 " + source + " ERR:0x00000026"), 1u)
        << log.Text();
    // The stream was closed, so a retry could open the file again.
    EXPECT_TRUE(DeleteFileA((m_sWork + "short.gz").c_str()));
}

TEST_F(GZipTest, TargetsThatCannotBeCreated)
{
    WriteFileBytes(m_sWork + "data", "data");
    CLogWatch log;
    CGZipIF gzip(nullptr);
    EXPECT_FALSE(gzip.GZipFile(m_sWork + "data", m_sWork + "no\\such\\folder.gz"));
    EXPECT_EQ(log.Count("CGZipIF::GZipFile - gzopen ERROR ERR:"), 1u);

    ASSERT_TRUE(gzip.GZipFile(m_sWork + "data", m_sWork + "data.gz"));
    EXPECT_FALSE(gzip.UnGZipFile(m_sWork + "data.gz", m_sWork + "no\\such\\out"));
    EXPECT_EQ(gzip.GetError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(log.Count("CGZipIF::UnGZipFileEx - CreateFile 失敗 " + m_sWork + "no\\such\\out"), 1u);
    EXPECT_TRUE(DeleteFileA((m_sWork + "data.gz").c_str()));
}

TEST_F(GZipTest, RecoverRetriesThreeTimesAndLogs)
{
    // A set abort event ends every retry wait at once.
    HANDLE abort = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    CLogWatch log;
    CGZipIF gzip(abort);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(gzip.UnGZipFile_Recover(m_sWork + "missing.gz", m_sWork + "out"));
    EXPECT_EQ(gzip.GetError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(log.Count("CGZipIF::UnGZipFile - 元ファイル無し！ "), 3u);
    EXPECT_EQ(log.Count("UnGZipFile_Recover( ) - Error ERR:0x00000002 SRC:" + m_sWork +
                        "missing.gz, DST:" + m_sWork + "out"),
              1u);

    // A source held open without sharing fails each attempt the same way.
    WriteFileBytes(m_sWork + "held", "held");
    HANDLE held = CreateFileA((m_sWork + "held").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(gzip.GZipFile_Recover(m_sWork + "held", m_sWork + "held.gz"));
    CloseHandle(held);
    EXPECT_EQ(gzip.GetError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(log.Count("CGZipIF::GZipFileEx - CreateFile 失敗 "), 3u);
    EXPECT_EQ(log.Count("GZipFile_Recover( ) - Error ERR:0x00000020 SRC:" + m_sWork +
                        "held, DST:" + m_sWork + "held.gz"),
              1u);
    // Waited out, the six pauses would take 18 s.
    EXPECT_LT(GetTickCount() - start, 9000u);
    CloseHandle(abort);
}

TEST_F(GZipTest, RecoverSucceedsOnceTheSourceIsFree)
{
    const std::string data = LogLikeText(5000, 2);
    WriteFileBytes(m_sWork + "src", data);
    HANDLE held = CreateFileA((m_sWork + "src").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CLogWatch log;
    // Let go of the source once the first attempt has failed, and end the pause after it
    // then: the second attempt comes only once the source is free, however late.
    HANDLE freed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(freed, nullptr);
    std::thread releaser([&] {
        for (int i = 0; i < 15000 && log.Count("CGZipIF::GZipFileEx - CreateFile 失敗 ") == 0; ++i)
            Sleep(2);
        CloseHandle(held);
        SetEvent(freed);
    });
    CGZipIF gzip(freed, 60000);
    const bool ok = gzip.GZipFile_Recover(m_sWork + "src", m_sWork + "src.gz");
    releaser.join();
    ASSERT_TRUE(ok);
    EXPECT_EQ(gzip.GetError(), 0u);
    EXPECT_EQ(log.Count("CGZipIF::GZipFileEx - CreateFile 失敗 "), 1u);
    EXPECT_EQ(log.Count("GZipFile_Recover( )"), 0u);
    ASSERT_TRUE(gzip.UnGZipFile_Recover(m_sWork + "src.gz", m_sWork + "back"));
    EXPECT_TRUE(ReadFileBytes(m_sWork + "back") == data);
    CloseHandle(freed);
}

// The one slow case: without an abort event each failed attempt sleeps the full 3 s.
TEST_F(GZipTest, RecoverWithoutAbortEventWaitsThreeSecondsAfterEachFailure)
{
    CLogWatch log;
    CGZipIF gzip(nullptr);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(gzip.UnGZipFile_Recover(m_sWork + "missing.gz", m_sWork + "out"));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 3 * CGZipIF::kRetryWaitMs - 50);
    EXPECT_LT(elapsed, 3 * CGZipIF::kRetryWaitMs + 3000);
    EXPECT_EQ(gzip.GetError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(log.Count("CGZipIF::UnGZipFile - 元ファイル無し！ " + m_sWork + "missing.gz ERR:0x00000002"), 3u);
    EXPECT_EQ(log.Count("UnGZipFile_Recover( ) - Error ERR:0x00000002"), 1u);
}

// Our gzip files read by the host's gzip, and the host's read by us.
TEST_F(GZipTest, HostGzipAgrees)
{
    const std::string data = LogLikeText(200000, 5);
    WriteFileBytes(m_sWork + "ours", data);
    CGZipIF gzip(nullptr);
    ASSERT_TRUE(gzip.GZipFile(m_sWork + "ours", m_sWork + "ours.gz"));
    const hostshell::Result result = hostshell::Run(
        "gzip -t ours.gz && gzip -dc ours.gz | cmp - ours && gzip -c ours > host.gz", m_sWork);
    if (!result.ran) GTEST_SKIP() << "no host shell";
    ASSERT_EQ(result.exitCode, 0) << result.output;
    ASSERT_TRUE(gzip.UnGZipFile(m_sWork + "host.gz", m_sWork + "host.out"));
    EXPECT_TRUE(ReadFileBytes(m_sWork + "host.out") == data);
}
