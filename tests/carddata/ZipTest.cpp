#include "carddata/ZipIF.h"

#include "tests/carddata/HostShell.h"
#include "tests/carddata/ZipTestArchive.h"
#include "tests/carddata/ZipTestSupport.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

using namespace ziptest;

namespace {

// While set, the first write of a whole piece of zeros (the first piece of a large entry
// of zeros; log lines are text) sets this event before it writes.
HANDLE g_hAbortAtFirstZeros = nullptr;
decltype(&::WriteFile) g_pfnRealWriteFile = nullptr;

BOOL WINAPI WriteFileAbortingAtZeros(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written,
                                     LPOVERLAPPED overlapped)
{
    const char* bytes = static_cast<const char*>(buffer);
    if (g_hAbortAtFirstZeros != nullptr && size == 4096 &&
        std::all_of(bytes, bytes + size, [](char c) { return c == 0; })) {
        SetEvent(g_hAbortAtFirstZeros);
        g_hAbortAtFirstZeros = nullptr;
    }
    return g_pfnRealWriteFile(file, buffer, size, written, overlapped);
}

struct Entry {
    std::string name;
    uLong dosDate = 0;
    uLong externalAttributes = 0;
    uLong method = 0;
    uLong size = 0;
};

std::vector<Entry> ListEntries(const std::string& archivePath)
{
    std::vector<Entry> entries;
    unzFile archive = unzOpen(archivePath.c_str());
    if (archive == nullptr) return entries;
    for (int rc = unzGoToFirstFile(archive); rc == UNZ_OK; rc = unzGoToNextFile(archive)) {
        unz_file_info info;
        char name[1024] = {};
        if (unzGetCurrentFileInfo(archive, &info, name, sizeof name - 1, nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            break;
        Entry entry;
        entry.name = name;
        entry.dosDate = info.dosDate;
        entry.externalAttributes = info.external_fa;
        entry.method = info.compression_method;
        entry.size = info.uncompressed_size;
        entries.push_back(entry);
    }
    unzClose(archive);
    return entries;
}

const Entry* FindEntry(const std::vector<Entry>& entries, const std::string& name)
{
    for (const Entry& entry : entries) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

uint32_t ReadU32(const std::string& bytes, size_t at)
{
    return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8 |
           static_cast<uint8_t>(bytes[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

void WriteU32(std::string& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// Sets a field of the single entry's local header (offset in it) and central header alike,
// so that minizip's coherency check between the two still passes.
void PatchEntryField(std::string& archive, size_t localOffset, size_t centralOffset, uint32_t value)
{
    ASSERT_EQ(archive.compare(0, 4, "PK\x03\x04", 4), 0);
    WriteU32(archive, localOffset, value);
    const size_t central = archive.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    WriteU32(archive, central + centralOffset, value);
}

void SetWriteTimeUtc(const std::string& path, WORD year, WORD month, WORD day, WORD hour,
                     WORD minute, WORD second)
{
    SYSTEMTIME utc = {};
    utc.wYear = year;
    utc.wMonth = month;
    utc.wDay = day;
    utc.wHour = hour;
    utc.wMinute = minute;
    utc.wSecond = second;
    FILETIME time;
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
}

uLong DosDate(int year, int month, int day, int hour, int minute, int second)
{
    return static_cast<uLong>(((year - 1980) << 9 | month << 5 | day) << 16 |
                              (hour << 11 | minute << 5 | second / 2));
}

class ZipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_sWork = MakeWorkFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { RemoveTree(m_sWork.substr(0, m_sWork.size() - 1)); }

    std::string m_sWork;
};

// "表" (0x95 0x5C) and "ソ" (0x83 0x5C) end in a byte that looks like a backslash.
const char* const kDbcsFolder = "表示";
const char* const kDbcsFile = "ソース.txt";

void BuildTree(const std::string& root)
{
    CreateDirectoryA(root.c_str(), nullptr);
    WriteFileBytes(root + "a.txt", "alpha");
    CreateDirectoryA((root + "sub").c_str(), nullptr);
    WriteFileBytes(root + "sub\\b.txt", LogLikeText(70000, 1));
    WriteFileBytes(root + "sub\\zero.bin", "");
    CreateDirectoryA((root + "empty").c_str(), nullptr);
    CreateDirectoryA((root + kDbcsFolder).c_str(), nullptr);
    WriteFileBytes(root + kDbcsFolder + "\\" + kDbcsFile, "double-byte");
    WriteFileBytes(root + "readonly.txt", "ro");
    SetFileAttributesA((root + "readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
}

} // namespace

TEST_F(ZipTest, ZipsTreeWithExactNamesDatesAndAttributes)
{
    TIME_ZONE_INFORMATION zone;
    GetTimeZoneInformation(&zone);
    ASSERT_EQ(zone.Bias, -540) << "run with TZ=Asia/Tokyo (set by the test registration)";

    const std::string source = m_sWork + "src\\";
    BuildTree(source);
    SetWriteTimeUtc(source + "a.txt", 2025, 7, 1, 3, 4, 6);
    const std::string archive = m_sWork + "out\\deeper\\logs.zip";

    CZipIF zip;
    SYSTEMTIME before;
    GetLocalTime(&before);
    ASSERT_TRUE(zip.ZipFolder(source, archive));
    EXPECT_EQ(zip.GetError(), 0u);

    const std::vector<Entry> entries = ListEntries(archive);
    std::vector<std::string> names;
    for (const Entry& entry : entries) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    const std::string dbcsName = std::string(kDbcsFolder) + "\\" + kDbcsFile;
    std::vector<std::string> expected = {"a.txt", "empty\\", "readonly.txt", "sub\\b.txt",
                                         "sub\\zero.bin", dbcsName};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);

    const Entry* a = FindEntry(entries, "a.txt");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->dosDate, DosDate(2025, 7, 1, 12, 4, 6));  // 03:04:06 UTC in Tokyo
    EXPECT_EQ(a->method, static_cast<uLong>(Z_DEFLATED));
    EXPECT_EQ(a->externalAttributes, GetFileAttributesA((source + "a.txt").c_str()));

    const Entry* readOnly = FindEntry(entries, "readonly.txt");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_TRUE(readOnly->externalAttributes & FILE_ATTRIBUTE_READONLY);

    const Entry* zero = FindEntry(entries, "sub\\zero.bin");
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(zero->size, 0u);

    const Entry* empty = FindEntry(entries, "empty\\");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->externalAttributes, static_cast<uLong>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(empty->size, 0u);
    // The empty folder carries the time of zipping (DOS times have 2-second steps).
    const uLong day = empty->dosDate >> 16;
    EXPECT_EQ(day, DosDate(before.wYear, before.wMonth, before.wDay, 0, 0, 0) >> 16);
    const int minutes = static_cast<int>((empty->dosDate >> 11 & 0x1F) * 60 + (empty->dosDate >> 5 & 0x3F));
    EXPECT_LE(std::abs(minutes - (before.wHour * 60 + before.wMinute)), 1);
}

TEST_F(ZipTest, RoundTripRestoresTheTree)
{
    const std::string source = m_sWork + "src\\";
    BuildTree(source);
    const std::string archive = m_sWork + "tree.zip";
    const std::string dest = m_sWork + "dest\\";

    CZipIF zip;
    ASSERT_TRUE(zip.ZipFolder(source, archive));
    ASSERT_TRUE(zip.UnZip(archive, dest, nullptr));

    for (const std::string& name : std::vector<std::string>{"a.txt", "sub\\b.txt", "sub\\zero.bin", "readonly.txt",
                                   std::string(kDbcsFolder) + "\\" + kDbcsFile}) {
        ASSERT_TRUE(Exists(dest + name)) << name;
        EXPECT_EQ(ReadFileBytes(dest + name), ReadFileBytes(source + name)) << name;
    }
    EXPECT_TRUE(IsFolder(dest + "empty"));
}

TEST_F(ZipTest, EmptySourceGivesOneEntryWithEmptyName)
{
    const std::string source = m_sWork + "nothing";
    CreateDirectoryA(source.c_str(), nullptr);
    CZipIF zip;
    ASSERT_TRUE(zip.ZipFolder(source, m_sWork + "nothing.zip"));
    const std::vector<Entry> entries = ListEntries(m_sWork + "nothing.zip");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "");
    EXPECT_EQ(entries[0].externalAttributes, static_cast<uLong>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(ZipTest, ZipFolderFailures)
{
    CLogWatch log;
    CZipIF zip;
    WriteFileBytes(m_sWork + "plain.txt", "x");
    EXPECT_FALSE(zip.ZipFolder(m_sWork + "plain.txt", m_sWork + "a.zip"));
    EXPECT_FALSE(zip.ZipFolder(m_sWork + "missing", m_sWork + "b.zip"));
    EXPECT_EQ(log.Count("CZipIF::ZipFolder - PathIsDirectory 失敗 PATH:"), 2u);
    EXPECT_FALSE(Exists(m_sWork + "a.zip"));

    // The archive's folder cannot be made below a file.
    CreateDirectoryA((m_sWork + "src").c_str(), nullptr);
    EXPECT_FALSE(zip.ZipFolder(m_sWork + "src", m_sWork + "plain.txt\\c.zip"));
    EXPECT_NE(zip.GetError(), 0u);
    EXPECT_EQ(log.Count("CZipIF::ZipFolder - CreateDirectories 失敗 PATH:"), 1u);

    // A file that another program holds open without sharing fails its entry.
    WriteFileBytes(m_sWork + "src\\held.txt", "held");
    HANDLE held = CreateFileA((m_sWork + "src\\held.txt").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(zip.ZipFolder(m_sWork + "src", m_sWork + "d.zip"));
    CloseHandle(held);
    EXPECT_EQ(zip.GetError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(log.Count("CZipIF::_ZipFileEx - CreateFile 失敗 PATH"), 1u);
    EXPECT_EQ(log.Count("CZipIF::ZipFolder - _ZipFolderEx 失敗 PATH:"), 1u);
}

// A file that gives fewer bytes than its size said ends its entry instead of reading on.
TEST_F(ZipTest, FileShorterThanItsSizeFailsItsEntry)
{
    const std::string file = ShortReadingFile();
    if (file.empty()) GTEST_SKIP() << "no file here reads shorter than its size";
    const std::string folder = file.substr(0, file.rfind('\\'));
    CLogWatch log;
    CZipIF zip;
    EXPECT_FALSE(zip.ZipFolder(folder, m_sWork + "short.zip"));
    EXPECT_EQ(zip.GetError(), static_cast<DWORD>(ERROR_HANDLE_EOF));
    EXPECT_EQ(log.Count("CZipIF::_ZipFileEx - ReadFile 失敗 PATH"), 1u) << log.Text();
    // The partial archive was closed.
    EXPECT_TRUE(DeleteFileA((m_sWork + "short.zip").c_str()));
}

TEST_F(ZipTest, AbortBeforeWritesNothingAndKeepsTheError)
{
    const std::string source = m_sWork + "src\\";
    BuildTree(source);
    CZipIF zip;
    ASSERT_TRUE(zip.ZipFolder(source, m_sWork + "tree.zip"));
    HANDLE abort = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    EXPECT_FALSE(zip.UnZip(m_sWork + "tree.zip", m_sWork + "dest\\", abort));
    EXPECT_EQ(zip.GetError(), 0u);
    EXPECT_FALSE(Exists(m_sWork + "dest"));
    CloseHandle(abort);
}

TEST_F(ZipTest, AbortDuringStopsInsideTheEntry)
{
    const std::string source = m_sWork + "src\\";
    CreateDirectoryA(source.c_str(), nullptr);
    const size_t bigSize = 32u << 20;
    WriteFileBytes(source + "a_big.bin", std::string(bigSize, '\0'));
    WriteFileBytes(source + "z_last.txt", "last");
    CZipIF zip;
    ASSERT_TRUE(zip.ZipFolder(source, m_sWork + "big.zip"));
    const std::vector<Entry> entries = ListEntries(m_sWork + "big.zip");
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_EQ(entries[0].name, "a_big.bin");

    // The event is set as the big entry's first piece is written (through the program's own
    // import of WriteFile): the unzip is then inside that entry, whatever the machine's pace.
    const std::string dest = m_sWork + "dest\\";
    HANDLE abort = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_pfnRealWriteFile = reinterpret_cast<decltype(&::WriteFile)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "WriteFile")));
    g_hAbortAtFirstZeros = abort;
    bool ok = true;
    {
        testsupport::CImportPatch patch("kernel32.dll", "WriteFile",
                                        reinterpret_cast<void*>(&WriteFileAbortingAtZeros));
        ASSERT_TRUE(patch.Patched());
        ok = zip.UnZip(m_sWork + "big.zip", dest, abort);
    }
    EXPECT_EQ(g_hAbortAtFirstZeros, nullptr) << "the big entry was written";
    g_hAbortAtFirstZeros = nullptr;
    CloseHandle(abort);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(Exists(dest + "z_last.txt"));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA((dest + "a_big.bin").c_str(), GetFileExInfoStandard, &data));
    EXPECT_LT(data.nFileSizeLow, bigSize);
}

// Names that would leave the destination (after '/' became '\'), and names of 260 bytes or
// more, fail the whole unzip before anything is written.
TEST_F(ZipTest, RefusesEntriesOutsideTheDestination)
{
    const std::string longName = std::string(250, 'n') + "/" + std::string(9, 'x');
    const std::vector<std::string> refused = {
        "",
        "\\evil.txt",
        "/evil.txt",
        "C:evil.txt",
        "a:b.txt",
        "sub/evil.txt:stream",
        "../evil.txt",
        "..\\evil.txt",
        "sub/../../evil.txt",
        "sub\\..",
        "sub/.. /evil.txt",
        "sub/.../evil.txt",
        longName,
        std::string(300, 'y'),
        "表\\..\\..\\evil.txt",
        // Device names open a port or the console whatever folder stands before them.
        "CON",
        "sub/aux.txt",
        "com1",
        "Lpt9.log",
        "nul .txt",
        "CONOUT$",
    };
    ASSERT_EQ(longName.size(), 260u);
    int index = 0;
    for (const std::string& name : refused) {
        SCOPED_TRACE("entry name: " + name);
        const std::string case_ = m_sWork + "case" + std::to_string(index++) + "\\";
        CreateDirectoryA(case_.c_str(), nullptr);
        MakeArchive(case_ + "bad.zip", {{"first.txt", "harmless"}, {name, "payload"}});
        const std::string dest = case_ + "in\\out\\";
        CLogWatch log;
        CZipIF zip;
        EXPECT_FALSE(zip.UnZip(case_ + "bad.zip", dest, nullptr));
        EXPECT_EQ(zip.GetError(), static_cast<DWORD>(ERROR_INVALID_DATA));
        EXPECT_EQ(log.Count("CZipIF::_UnzipEx - 不正なエントリ名 "), 1u);
        EXPECT_FALSE(Exists(dest + "first.txt"));
        EXPECT_FALSE(Exists(case_ + "in\\evil.txt"));
        EXPECT_FALSE(Exists(case_ + "evil.txt"));
        EXPECT_FALSE(Exists(m_sWork + "evil.txt"));
    }
}

// With a top folder every entry must lie in it: an archive from the web unpacked onto a
// card's root must not replace the unit's own files beside that folder.
TEST_F(ZipTest, TopFolderRefusesEntriesBesideIt)
{
    const std::vector<std::string> refused = {
        "../evil.txt",
        "WEBDMDATA/../PC/NAVIINFO.DAT",
        "PC/NAVIINFO.DAT",
        "WEBDMDATAX/a",
        "WEBDMDATA",
        "WEBDMDAT/a",
        "C:evil",
        "\\\\srv\\s\\a",
        "表/WEBDMDATA/a",
    };
    int index = 0;
    for (const std::string& name : refused) {
        SCOPED_TRACE("entry name: " + name);
        const std::string case_ = m_sWork + "top" + std::to_string(index++) + "\\";
        CreateDirectoryA(case_.c_str(), nullptr);
        MakeArchive(case_ + "bad.zip", {{"WEBDMDATA/first.txt", "harmless"}, {name, "payload"}});
        const std::string dest = case_ + "card\\";
        CreateDirectoryA(dest.c_str(), nullptr);
        CLogWatch log;
        CZipIF zip;
        EXPECT_FALSE(zip.UnZip(case_ + "bad.zip", dest, nullptr, "WEBDMDATA"));
        EXPECT_EQ(zip.GetError(), static_cast<DWORD>(ERROR_INVALID_DATA));
        EXPECT_EQ(log.Count("CZipIF::_UnzipEx - 不正なエントリ名 "), 1u) << log.Text();
        EXPECT_FALSE(Exists(dest + "WEBDMDATA"));
        EXPECT_FALSE(Exists(dest + "PC"));
        EXPECT_FALSE(Exists(case_ + "evil.txt"));
    }

    // Case does not matter, and the folder's own entry belongs to it; without a top folder
    // an entry beside it is still written.
    const std::string dest = m_sWork + "good\\";
    MakeArchive(m_sWork + "good.zip", {{"webdmdata/", ""}, {"webdmdata/ok.txt", "ok"},
                                       {"WebDmData/表示/深い.txt", "深い"}});
    CZipIF zip;
    ASSERT_TRUE(zip.UnZip(m_sWork + "good.zip", dest, nullptr, "WEBDMDATA"));
    EXPECT_EQ(ReadFileBytes(dest + "webdmdata\\ok.txt"), "ok");
    EXPECT_EQ(ReadFileBytes(dest + "WEBDMDATA\\表示\\深い.txt"), "深い");
    MakeArchive(m_sWork + "beside.zip", {{"PC/NAVIINFO.DAT", "mine"}});
    ASSERT_TRUE(zip.UnZip(m_sWork + "beside.zip", dest, nullptr));
    EXPECT_EQ(ReadFileBytes(dest + "PC\\NAVIINFO.DAT"), "mine");
}

TEST_F(ZipTest, AcceptsNamesWhoseTrailByteLooksLikeABackslash)
{
    // Byte-wise, "ソ.." would read as 0x83, '\', ".." and be taken for a parent folder
    // (Windows drops the trailing dots: the file is "ソ").
    const std::string name = std::string("表示") + "\\" + "ソ..";
    MakeArchive(m_sWork + "dbcs.zip", {{name, "kept"}, {"d/", ""}, {"d/e/f.txt", "deep"}});
    const std::string dest = m_sWork + "dest\\";
    CLogWatch log;
    CZipIF zip;
    ASSERT_TRUE(zip.UnZip(m_sWork + "dbcs.zip", dest, nullptr));
    EXPECT_EQ(ReadFileBytes(dest + "表示\\ソ"), "kept");
    EXPECT_EQ(ReadFileBytes(dest + "d\\e\\f.txt"), "deep");
    // A folder entry of a new folder reports the trailing backslash's "already exists".
    EXPECT_EQ(log.Count("CZipIF::_UnzipEx - CreateDirectories 失敗 PATH:" + dest + "d\\ ERR:0x000000B7"), 1u);
}

TEST_F(ZipTest, DamagedArchivesFail)
{
    const std::string data = LogLikeText(100000, 7);
    MakeArchive(m_sWork + "good.zip", {{"data.txt", data}});
    const std::string good = ReadFileBytes(m_sWork + "good.zip");
    const size_t dataStart = 30 + 8;  // local header + "data.txt"

    struct Case {
        const char* what;
        std::string bytes;
        const char* logPiece;  // null: the archive is refused as a whole
    };
    std::vector<Case> cases;
    cases.push_back({"cut in half", good.substr(0, good.size() / 2), nullptr});
    cases.push_back({"empty file", "", nullptr});
    {
        std::string bytes = good;
        bytes[dataStart + 200] ^= 0x55;
        bytes[dataStart + 201] ^= 0x55;
        cases.push_back({"damaged deflate data", bytes, "CZipIF::_UnzipEx - "});
    }
    {
        std::string bytes = good;
        PatchEntryField(bytes, 14, 16, ReadU32(good, 14) ^ 1u);
        cases.push_back({"wrong CRC", bytes, "CZipIF::_UnzipEx - unzCloseCurrentFile 失敗 data.txt"});
    }
    {
        std::string bytes = good;
        PatchEntryField(bytes, 22, 24, static_cast<uint32_t>(data.size() + 5000));
        cases.push_back({"declared size beyond the data", bytes,
                         "CZipIF::_UnzipEx - unzReadCurrentFile 失敗 data.txt ERR:0x0000000D"});
    }
    {
        std::string bytes = good;
        PatchEntryField(bytes, 22, 24, 0xFFFFFFF0u);
        cases.push_back({"absurd declared size", bytes,
                         "CZipIF::_UnzipEx - メモリ確保 失敗 ERR:0x00000008"});
    }
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string archive = m_sWork + "bad" + std::to_string(index) + ".zip";
        const std::string dest = m_sWork + "dest" + std::to_string(index++) + "\\";
        WriteFileBytes(archive, c.bytes);
        CLogWatch log;
        CZipIF zip;
        EXPECT_FALSE(zip.UnZip(archive, dest, nullptr));
        EXPECT_NE(zip.GetError(), 0u);
        if (c.logPiece != nullptr) {
            EXPECT_EQ(log.Count(c.logPiece), 1u) << log.Text();
            EXPECT_EQ(log.Count("CZipIF::UnZip - _UnzipEx 失敗 PATH:" + dest), 1u);
        } else {
            EXPECT_EQ(log.Count("CZipIF::UnZip - "), 1u) << log.Text();
        }
    }
}

// Our archives read by the host's Info-ZIP tools, and the host's archives read by us.
TEST_F(ZipTest, HostZipToolsAgree)
{
    const std::string source = m_sWork + "src\\";
    BuildTree(source);
    SetWriteTimeUtc(source + "a.txt", 2025, 7, 1, 3, 4, 6);
    CZipIF zip;
    ASSERT_TRUE(zip.ZipFolder(source, m_sWork + "ours.zip"));

    const hostshell::Result check =
        hostshell::Run("unzip -tq ours.zip && zipinfo -T ours.zip", m_sWork);
    if (!check.ran) GTEST_SKIP() << "no host shell";
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_NE(check.output.find("No errors detected"), std::string::npos) << check.output;
    EXPECT_NE(check.output.find("20250701.120406 a.txt"), std::string::npos) << check.output;
    EXPECT_NE(check.output.find("defN"), std::string::npos) << check.output;

    const hostshell::Result made = hostshell::Run(
        "mkdir -p h/d/deep h/e && printf 'from host' > h/d/deep/f.txt && printf '' > h/zero && "
        "cd h && zip -qr ../host.zip .",
        m_sWork);
    ASSERT_TRUE(made.ran);
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const std::string dest = m_sWork + "fromhost\\";
    ASSERT_TRUE(zip.UnZip(m_sWork + "host.zip", dest, nullptr));
    EXPECT_EQ(ReadFileBytes(dest + "d\\deep\\f.txt"), "from host");
    EXPECT_TRUE(Exists(dest + "zero"));
    EXPECT_TRUE(IsFolder(dest + "e"));
}
