// Retrying file operations: attempts, pauses, the abort event and the log lines.
// Most cases record the pauses instead of waiting them; two cases wait for real.

#include "lib/WinFileSystemLib.h"

#include "lib/StringUtility.h"
#include "SharedMemTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using sharedmem_test::LogSince;
using sharedmem_test::LogSize;
using sharedmem_test::RemoveTempFolder;
using sharedmem_test::TempFolder;

namespace {

class CRecordingFileSystem : public CWinFileSystemLib {
public:
    explicit CRecordingFileSystem(HANDLE abortEvent = nullptr, bool realWaits = false)
        : CWinFileSystemLib(abortEvent), m_bRealWaits(realWaits)
    {
    }

    std::vector<DWORD> m_vWaits;
    std::function<void()> m_fnOnWait;

protected:
    void _Wait(DWORD milliseconds) override
    {
        m_vWaits.push_back(milliseconds);
        if (m_fnOnWait) m_fnOnWait();
        if (m_bRealWaits) CWinFileSystemLib::_Wait(milliseconds);
    }

private:
    bool m_bRealWaits;
};

size_t CountOf(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// How many lines of the log end with the text as an error line of this library.
size_t CountErrorLines(const std::string& log, const std::string& text)
{
    size_t count = 0;
    for (size_t begin = 0; begin < log.size();) {
        size_t end = log.find("\r\n", begin);
        if (end == std::string::npos) end = log.size();
        const std::string line = log.substr(begin, end - begin);
        if (line.size() >= text.size() &&
            line.compare(line.size() - text.size(), text.size(), text) == 0 &&
            line.find("\t!!\tWinFileSystemLib.cpp\t") != std::string::npos) {
            ++count;
        }
        begin = end + 2;
    }
    return count;
}

class WinFileSystemLibTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_strFolder = TempFolder();
        m_strExisting = m_strFolder + "existing.dat";
        HANDLE file = CreateFileA(m_strExisting.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written = 0;
        WriteFile(file, "0123456789ABCDEF", 16, &written, nullptr);
        CloseHandle(file);
    }
    void TearDown() override { RemoveTempFolder(m_strFolder); }

    std::string m_strFolder;
    std::string m_strExisting;
};

TEST_F(WinFileSystemLibTest, CreatePausesByDispositionAndError)
{
    const std::string missing = m_strFolder + "missing.dat";
    const std::string noFolder = m_strFolder + "nofolder\\missing.dat";
    struct Case {
        const char* label;
        std::string path;
        DWORD disposition;
        DWORD error;  // 0: opens at the first attempt
        DWORD pause;
    };
    const Case cases[] = {
        {"existing file", m_strExisting, OPEN_EXISTING, 0, 0},
        {"missing file opened as existing", missing, OPEN_EXISTING, ERROR_FILE_NOT_FOUND, 500},
        {"missing folder", noFolder, OPEN_EXISTING, ERROR_PATH_NOT_FOUND, 3000},
        {"missing folder, open always", noFolder, OPEN_ALWAYS, ERROR_PATH_NOT_FOUND, 3000},
        {"existing file created anew", m_strExisting, CREATE_NEW, ERROR_FILE_EXISTS, 3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const size_t logStart = LogSize();
        CRecordingFileSystem files;
        HANDLE file = files.CreateFile_Recover(c.path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                               nullptr, c.disposition, FILE_ATTRIBUTE_NORMAL,
                                               nullptr);
        const DWORD threadError = GetLastError();
        const std::string log = LogSince(logStart);
        if (c.error == 0) {
            EXPECT_NE(INVALID_HANDLE_VALUE, file);
            CloseHandle(file);
            EXPECT_TRUE(files.m_vWaits.empty());
            EXPECT_EQ(0u, files.GetLastError());
            EXPECT_EQ(0u, CountOf(log, "CreateFile_Recover"));
            continue;
        }
        EXPECT_EQ(INVALID_HANDLE_VALUE, file);
        EXPECT_EQ(c.error, files.GetLastError());
        EXPECT_EQ(c.error, threadError);
        EXPECT_EQ(std::vector<DWORD>(3, c.pause), files.m_vWaits) << "three attempts, a pause after each";
        const std::string expected = lib::FormatString(
            "CreateFile_Recover( ) - Error ERR:0x%08X PATH:%s ACCESS:80000000 SHARE:1",
            static_cast<unsigned>(c.error), c.path.c_str());
        EXPECT_EQ(1u, CountOf(log, "CreateFile_Recover")) << log;
        EXPECT_EQ(1u, CountErrorLines(log, expected)) << log;
    }
}

TEST_F(WinFileSystemLibTest, CreateSucceedsOnceTheFileIsFree)
{
    // Another opener holds the file without sharing until the first pause.
    HANDLE blocker = CreateFileA(m_strExisting.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, blocker);
    CRecordingFileSystem files;
    files.m_fnOnWait = [&blocker] {
        CloseHandle(blocker);
        blocker = nullptr;
    };
    const size_t logStart = LogSize();
    HANDLE file = files.CreateFile_Recover(m_strExisting.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    EXPECT_EQ(std::vector<DWORD>{3000}, files.m_vWaits);
    EXPECT_EQ(0u, files.GetLastError());
    EXPECT_EQ(0u, CountOf(LogSince(logStart), "CreateFile_Recover"));
    if (blocker) CloseHandle(blocker);
}

TEST_F(WinFileSystemLibTest, WideNameOpensAndLogsInTheAnsiCodePage)
{
    // 日本.dat: the log line carries the code page 932 form of the name.
    const std::wstring wide = lib::StringToWString(m_strFolder) + L"\u65e5\u672c.dat";
    const std::string narrow = m_strFolder + "\x93\xfa\x96\x7b.dat";
    CRecordingFileSystem files;
    const size_t logStart = LogSize();
    HANDLE file = files.CreateFile_Recover(nullptr, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr,
                                           wide.c_str());
    EXPECT_EQ(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(std::vector<DWORD>(3, 500), files.m_vWaits);
    EXPECT_NE(std::string::npos, LogSince(logStart).find("PATH:" + narrow + " ACCESS:80000000"));

    file = files.CreateFile_Recover(nullptr, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr, wide.c_str());
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(narrow.c_str()));

    // No name at all cannot get better by trying again.
    files.m_vWaits.clear();
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              files.CreateFile_Recover(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), files.GetLastError());
    EXPECT_TRUE(files.m_vWaits.empty());
}

TEST_F(WinFileSystemLibTest, ReadAndWriteSucceedAtOnce)
{
    CRecordingFileSystem files;
    HANDLE file = files.CreateFile_Recover(m_strExisting.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    char buffer[17] = {};
    DWORD count = 0;
    EXPECT_TRUE(files.ReadFile_Recover(file, buffer, 16, &count, nullptr));
    EXPECT_EQ(16u, count);
    EXPECT_STREQ("0123456789ABCDEF", buffer);
    EXPECT_TRUE(files.WriteFile_Recover(file, "tail", 4, &count, nullptr));
    EXPECT_EQ(4u, count);
    // At the end of the file a read succeeds with 0 bytes: nothing to retry.
    EXPECT_TRUE(files.ReadFile_Recover(file, buffer, 16, &count, nullptr));
    EXPECT_EQ(0u, count);
    CloseHandle(file);
    EXPECT_TRUE(files.m_vWaits.empty());
    EXPECT_EQ(0u, files.GetLastError());
}

TEST_F(WinFileSystemLibTest, ReadAndWriteGiveUpAfterThreeAttempts)
{
    // Reading a handle opened only for writing, and the other way round, always fails.
    HANDLE writeOnly = CreateFileA(m_strExisting.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE readOnly = CreateFileA(m_strExisting.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writeOnly);
    ASSERT_NE(INVALID_HANDLE_VALUE, readOnly);
    char buffer[16] = {};
    DWORD count = 0;

    size_t logStart = LogSize();
    CRecordingFileSystem reader;
    EXPECT_FALSE(reader.ReadFile_Recover(writeOnly, buffer, 16, &count, nullptr));
    EXPECT_EQ(std::vector<DWORD>(3, 3000), reader.m_vWaits);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), reader.GetLastError());
    std::string log = LogSince(logStart);
    EXPECT_EQ(1u, CountErrorLines(log, "ReadFile_Recover( ) - Error ERR:0x00000005 SIZE:16"))
        << log;

    logStart = LogSize();
    CRecordingFileSystem writer;
    EXPECT_FALSE(writer.WriteFile_Recover(readOnly, "0123456789", 10, &count, nullptr));
    EXPECT_EQ(std::vector<DWORD>(3, 3000), writer.m_vWaits);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), writer.GetLastError());
    log = LogSince(logStart);
    EXPECT_EQ(1u, CountErrorLines(log, "WriteFile_Recover( ) - Error ERR:0x00000005 SIZE:10"))
        << log;

    CloseHandle(writeOnly);
    CloseHandle(readOnly);
}

// Real pauses: three of 500 ms, not three of 3,000 (their lengths are recorded, and the
// time shows they were waited).
TEST_F(WinFileSystemLibTest, MissingFileGivesUpAfterShortPauses)
{
    const std::string missing = m_strFolder + "missing.dat";
    CRecordingFileSystem files(nullptr, true);
    const DWORD start = GetTickCount();
    HANDLE file = files.CreateFile_Recover(missing.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), files.GetLastError());
    EXPECT_EQ(std::vector<DWORD>(3, 500), files.m_vWaits);
    EXPECT_GE(elapsed, 1400u);
}

// A set abort event cuts every pause short but still lets all three attempts run.
TEST_F(WinFileSystemLibTest, AbortEventShortensThePausesOnly)
{
    HANDLE abort = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    ASSERT_NE(nullptr, abort);
    HANDLE writeOnly = CreateFileA(m_strExisting.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writeOnly);

    CRecordingFileSystem files(abort, true);
    const size_t logStart = LogSize();
    DWORD start = GetTickCount();
    char buffer[8] = {};
    DWORD count = 0;
    EXPECT_FALSE(files.ReadFile_Recover(writeOnly, buffer, 8, &count, nullptr));
    HANDLE file = files.CreateFile_Recover((m_strFolder + "nofolder\\x.dat").c_str(), GENERIC_READ,
                                           0, nullptr, OPEN_EXISTING, 0, nullptr);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(INVALID_HANDLE_VALUE, file);
    // Waited out, the six pauses would take 18 s.
    EXPECT_LT(elapsed, 9000u);
    EXPECT_EQ(std::vector<DWORD>(6, 3000), files.m_vWaits);
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), files.GetLastError());
    const std::string log = LogSince(logStart);
    EXPECT_EQ(1u, CountErrorLines(log, "ReadFile_Recover( ) - Error ERR:0x00000005 SIZE:8")) << log;
    EXPECT_EQ(1u, CountOf(log, "CreateFile_Recover( ) - Error ERR:0x00000003 PATH:")) << log;

    CloseHandle(writeOnly);
    CloseHandle(abort);
}

} // namespace
