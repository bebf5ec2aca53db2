#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "lib/TolveLog.h"
#include "lib/TolvelogPathString.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of a log file, each with its "\r\n" removed; a missing "\r\n" at the end
// leaves the last piece marked with a trailing '?'.
std::vector<std::string> ReadLines(const std::string& path)
{
    const std::string all = ReadAll(path);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < all.size()) {
        const size_t end = all.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(all.substr(start) + "?");
            break;
        }
        lines.push_back(all.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// "yyyy/mm/dd hh:mm:ss:mmm\t"
bool HasTimeColumn(const std::string& line)
{
    const char* shape = "dddd/dd/dd dd:dd:dd:ddd\t";
    if (line.size() < std::strlen(shape)) return false;
    for (size_t i = 0; shape[i]; ++i) {
        if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(line[i]))
                            : line[i] != shape[i]) {
            return false;
        }
    }
    return true;
}

// The line without its time column; empty when the column is malformed.
std::string AfterTime(const std::string& line)
{
    return HasTimeColumn(line) ? line.substr(24) : std::string("<bad time>" + line);
}

std::string ThreadHex()
{
    char text[16];
    std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(GetCurrentThreadId()));
    return text;
}

std::string Expected(const char* mark, const char* source, int line, const std::string& text)
{
    return std::string(mark) + "\t" + source + "\t" + std::to_string(line) + "\t" + ThreadHex() +
           "\t" + text;
}

std::string TempFolder(const char* what)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    char name[96];
    std::snprintf(name, sizeof name, "kestrum_%s_%lu\\", what, GetCurrentProcessId());
    const std::string folder = std::string(temp) + name;
    lib::CreateDirectoryRecursive(folder);
    return folder;
}

std::string ProgramFolder()
{
    const std::string program = lib::GetModuleFileNameStr(nullptr);
    return program.substr(0, program.rfind('\\') + 1);
}

const char* const kSource = "LogTest.cpp";

// The one log site of most cases, so every line carries the same line number.
const int kSiteLine = __LINE__ + 1;
void Log(int level, const std::string& text) { TOLVE_LOG(level, "%s", text.c_str()); }

class LogEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        Folder() = TempFolder("log");
        lib::DeleteFolder(Folder().c_str(), false);
        Path() = Folder() + "lib_log_test_sys.log";
        CTolveLogWrapper(__FILE__, __LINE__).Start(Path().c_str(), 4096, static_cast<uint32_t>(-1));
    }
    void TearDown() override { lib::DeleteFolder(Folder().c_str(), true); }

    static std::string& Folder()
    {
        static std::string folder;
        return folder;
    }
    static std::string& Path()
    {
        static std::string path;
        return path;
    }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

class LogTest : public ::testing::Test {
protected:
    // Each case starts from an empty log file.
    void SetUp() override
    {
        m_path = LogEnvironment::Path();
        DeleteFileA(m_path.c_str());
        DeleteFileA((m_path + ".BAK").c_str());
    }
    std::vector<std::string> Lines() const { return ReadLines(m_path); }

    std::string m_path;
};

} // namespace

TEST_F(LogTest, LineLayoutAndMarks)
{
    EXPECT_EQ(m_path, GetTolveLogOutputPath());
    const struct {
        int level;
        const char* mark;
    } cases[] = {
        {LOG_INFO, ".."}, {LOG_ERROR, "!!"}, {LOG_IN, "->"},     {LOG_OUT, "<-"},
        {LOG_DUMP, ""},   {LOG_START, "=="}, {LOG_LOGGER, "##"},
    };
    for (const auto& c : cases) {
        Log(c.level, "テキスト " + std::to_string(c.level));
    }
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(std::size(cases), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(cases[i].level);
        EXPECT_EQ(Expected(cases[i].mark, kSource, kSiteLine,
                           "テキスト " + std::to_string(cases[i].level)),
                  AfterTime(lines[i]));
    }
    // The dump level's empty mark: time and source name two tabs apart.
    EXPECT_EQ(std::string("\t\tLogTest.cpp\t"), lines[4].substr(23, 14));

    // Exact bytes of one whole line, CRLF included.
    Log(LOG_ERROR, "0x%08X 100%");
    const std::string all = ReadAll(m_path);
    const std::string last = all.substr(all.rfind("\r\n", all.size() - 3) + 2);
    EXPECT_EQ(Expected("!!", kSource, kSiteLine, "0x%08X 100%") + "\r\n", last.substr(24));
}

TEST_F(LogTest, EndBannerIsFollowedByAnEmptyLine)
{
    const int line = __LINE__ + 1;
    CTolveLogWrapper(__FILE__, line).End();
    const std::string all = ReadAll(m_path);
    ASSERT_GT(all.size(), 24u);
    EXPECT_EQ(Expected("--", kSource, line, "----------<終了>----------") + "\r\n\r\n",
              all.substr(24));
}

TEST_F(LogTest, SourceNameDropsFoldersOfEitherSeparator)
{
    const struct {
        const char* file;
        const char* name;
    } cases[] = {
        {"/work/main/carddata/PcLinkFile.cpp", "PcLinkFile.cpp"},
        {"C:\\src\\carddata\\SDInfoFile.cpp", "SDInfoFile.cpp"},
        // 0x95 0x5C is one character whose second byte looks like a backslash.
        {"C:\\src\\\x95\\Name.cpp", "\x95\\Name.cpp"},
        {"Bare.cpp", "Bare.cpp"},
    };
    for (const auto& c : cases) CTolveLogWrapper(c.file, 7).Write(LOG_INFO, "%s", "x");
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(std::size(cases), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(Expected("..", cases[i].name, 7, "x"), AfterTime(lines[i]));
    }
}

TEST_F(LogTest, DebugLineDroppedWhileSwitchIsOff)
{
    Log(LOG_INFO, "before");
    const std::string before = ReadAll(m_path);
    Log(LOG_DEBUG, "debug");
    EXPECT_EQ(before, ReadAll(m_path));
}

TEST_F(LogTest, TextIsCutAt1023Bytes)
{
    Log(LOG_INFO, std::string(1023, 'a'));
    Log(LOG_INFO, std::string(1024, 'b'));
    Log(LOG_INFO, std::string(3000, 'c'));
    // A double-byte character across the limit is left out whole.
    Log(LOG_INFO, std::string(1022, 'd') + "あ");
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(7u, lines.size());
    const std::string notice = Expected("##", kSource, kSiteLine,
                                        "出力サイズオーバーです。出力を切り詰めます");
    EXPECT_EQ(Expected("..", kSource, kSiteLine, std::string(1023, 'a')), AfterTime(lines[0]));
    EXPECT_EQ(notice, AfterTime(lines[1]));
    EXPECT_EQ(Expected("..", kSource, kSiteLine, std::string(1023, 'b')), AfterTime(lines[2]));
    EXPECT_EQ(notice, AfterTime(lines[3]));
    EXPECT_EQ(Expected("..", kSource, kSiteLine, std::string(1023, 'c')), AfterTime(lines[4]));
    EXPECT_EQ(notice, AfterTime(lines[5]));
    EXPECT_EQ(Expected("..", kSource, kSiteLine, std::string(1022, 'd')), AfterTime(lines[6]));
}

TEST_F(LogTest, UnknownLevelWritesOnlyTheNotice)
{
    Log(11, "never");
    Log(-1, "never");
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(Expected("##", kSource, kSiteLine, "不正なログ種別[11]が指定されました"),
              AfterTime(lines[0]));
    EXPECT_EQ(Expected("##", kSource, kSiteLine, "不正なログ種別[-1]が指定されました"),
              AfterTime(lines[1]));
}

TEST_F(LogTest, RotationAtTheExactLimit)
{
    CTolveLogWrapper(__FILE__, __LINE__).Start("ignored.log", 1, static_cast<uint32_t>(-1));
    DeleteFileA(m_path.c_str());

    Log(LOG_INFO, "a");
    const size_t first = ReadAll(m_path).size();
    const size_t prefix = first - 3; // the text "a" and CRLF
    // The next line brings the file to exactly 1,024 bytes: appended.
    const size_t fill = 1024 - first - prefix - 2;
    Log(LOG_INFO, std::string(fill, 'f'));
    EXPECT_EQ(1024u, ReadAll(m_path).size());
    EXPECT_FALSE(lib::FileExists(m_path + ".BAK"));

    // One byte more than the limit: the file becomes the backup, the line starts anew.
    Log(LOG_INFO, "b");
    EXPECT_EQ(1024u, ReadAll(m_path + ".BAK").size());
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(Expected("..", kSource, kSiteLine, "b"), AfterTime(lines[0]));

    // The next rotation replaces the old backup.
    Log(LOG_INFO, std::string(1024 - (prefix + 3) - prefix - 2 + 1, 'g'));
    lines = ReadLines(m_path + ".BAK");
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(Expected("..", kSource, kSiteLine, "b"), AfterTime(lines[0]));

    CTolveLogWrapper(__FILE__, __LINE__).Start(nullptr, 4096, static_cast<uint32_t>(-1));
}

TEST_F(LogTest, FatalCopiesKeepTheNewestFour)
{
    const std::string folder = LogEnvironment::Folder();
    const std::string stem = folder + "lib_log_test_sys_fatal";
    const char* const old[] = {"20000101000003", "20000101000000", "20000101000002",
                               "20000101000001"};
    auto copies = [&] {
        std::vector<WIN32_FIND_DATAA> found;
        lib::FindFiles(stem + "*", found);
        std::vector<std::string> names;
        for (const auto& data : found) names.push_back(data.cFileName);
        std::sort(names.begin(), names.end());
        return names;
    };

    // Two fatal lines within one second: the second copy name exists already. Repeated
    // when the clock crossed a second between them.
    bool sameSecond = false;
    for (int attempt = 0; attempt < 3 && !sameSecond; ++attempt) {
        for (const std::string& name : copies()) DeleteFileA((folder + name).c_str());
        for (const char* stamp : old) std::ofstream(stem + stamp + ".log") << "old";
        DeleteFileA(m_path.c_str());

        SYSTEMTIME before, after;
        GetLocalTime(&before);
        Log(LOG_FATAL, "fatal one");
        const std::vector<std::string> afterOne = copies();
        Log(LOG_FATAL, "fatal two");
        GetLocalTime(&after);
        sameSecond = before.wSecond == after.wSecond && before.wMinute == after.wMinute;
        if (!sameSecond) continue;

        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", before.wYear,
                      before.wMonth, before.wDay, before.wHour, before.wMinute, before.wSecond);
        const std::string newest = std::string("lib_log_test_sys_fatal") + stamp + ".log";
        // Four present: the oldest goes, the new copy comes.
        EXPECT_EQ((std::vector<std::string>{"lib_log_test_sys_fatal20000101000001.log",
                                            "lib_log_test_sys_fatal20000101000002.log",
                                            "lib_log_test_sys_fatal20000101000003.log", newest}),
                  afterOne);
        const std::vector<std::string> copy = ReadLines(folder + newest);
        ASSERT_EQ(1u, copy.size());
        EXPECT_EQ(Expected(";;", kSource, kSiteLine, "fatal one"), AfterTime(copy[0]));

        // The second line of that second: the next oldest went, but the copy name is taken.
        EXPECT_EQ((std::vector<std::string>{"lib_log_test_sys_fatal20000101000002.log",
                                            "lib_log_test_sys_fatal20000101000003.log", newest}),
                  copies());
        const std::vector<std::string> lines = Lines();
        ASSERT_EQ(3u, lines.size());
        EXPECT_EQ(Expected(";;", kSource, kSiteLine, "fatal two"), AfterTime(lines[1]));
        EXPECT_EQ(Expected("##", kSource, kSiteLine, "退避ファイルの作成に失敗しました"),
                  AfterTime(lines[2]));
    }
    EXPECT_TRUE(sameSecond);
}

TEST_F(LogTest, OwnNoticesGoToTheDefaultOutput)
{
    const std::string fallback = lib::GetLogFolder() + "lib_log_test_sys.log";
    const std::string mark = "default " + std::to_string(GetTickCount());
    Log(LOG_LOGGER_DEFAULT, mark);
    const std::vector<std::string> lines = ReadLines(fallback);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(Expected("##", kSource, kSiteLine, mark), AfterTime(lines.back()));
    EXPECT_TRUE(Lines().empty());
}

// ----------------------------------------------------------------------------------------
// Scenarios in a fresh process each: a renamed copy of lib_log_child in a folder of its
// own, so its default log name, program folder and "QZLOG.ini" are its own too.

namespace {

class CChild {
public:
    explicit CChild(const std::string& tag)
    {
        m_folder = TempFolder(("logchild_" + tag).c_str());
        m_name = "logchild_" + tag + "_" + std::to_string(GetCurrentProcessId());
        m_program = m_folder + m_name + ".exe";
        CopyFileA((ProgramFolder() + "lib_log_child.exe").c_str(), m_program.c_str(), FALSE);
    }
    ~CChild()
    {
        DeleteFileA(DefaultLog().c_str());
        lib::DeleteFolder(m_folder.c_str(), true);
    }
    CChild(const CChild&) = delete;
    CChild& operator=(const CChild&) = delete;

    const std::string& Folder() const { return m_folder; }
    std::string DefaultLog() const { return lib::GetLogFolder() + m_name + "_sys.log"; }

    HANDLE Start(const std::vector<std::string>& arguments) const
    {
        std::string line = "\"" + m_program + "\"";
        for (const std::string& argument : arguments) line += " \"" + argument + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info)) {
            return nullptr;
        }
        CloseHandle(info.hThread);
        return info.hProcess;
    }

    DWORD Run(const std::vector<std::string>& arguments) const
    {
        HANDLE process = Start(arguments);
        if (process == nullptr) return 1000;
        DWORD code = 1001;
        if (WaitForSingleObject(process, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
        CloseHandle(process);
        return code;
    }

private:
    std::string m_folder;
    std::string m_name;
    std::string m_program;
};

// The child's log sites: its own source name and line numbers vary, so compare the mark
// and the text columns only.
std::string MarkAndText(const std::string& line)
{
    const std::string rest = AfterTime(line);
    const size_t mark = rest.find('\t');
    size_t text = mark;
    for (int column = 0; column < 3 && text != std::string::npos; ++column) {
        text = rest.find('\t', text + 1);
    }
    if (mark == std::string::npos || text == std::string::npos) return "<bad line>" + line;
    return rest.substr(0, mark) + "|" + rest.substr(text + 1);
}

} // namespace

TEST(LogProcessTest, DefaultOutputWhenStartWasNeverCalled)
{
    CChild child("nostart");
    DeleteFileA(child.DefaultLog().c_str());
    const std::string report = child.Folder() + "path.txt";
    ASSERT_EQ(0u, child.Run({"-", "0", "L0:hello", "L9:dropped", "L2:debug", "P" + report}));
    EXPECT_EQ(child.DefaultLog(), ReadAll(report));
    const std::vector<std::string> lines = ReadLines(child.DefaultLog());
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("##|出力先が設定されていません。デフォルト出力先を使用します", MarkAndText(lines[0]));
    EXPECT_EQ("..|hello", MarkAndText(lines[1]));
}

TEST(LogProcessTest, StartWithNoNameWritesTheBannerIntoTheLogFolder)
{
    CChild child("banner");
    DeleteFileA(child.DefaultLog().c_str());
    const std::string report = child.Folder() + "path.txt";
    ASSERT_EQ(0u, child.Run({"default", "4096", "L0:line", "E", "P" + report}));
    EXPECT_EQ(child.DefaultLog(), ReadAll(report));
    const std::vector<std::string> lines = ReadLines(child.DefaultLog());
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("==|==========<開始(4.1.0.7)>==========", MarkAndText(lines[0]));
    EXPECT_EQ("..|line", MarkAndText(lines[1]));
    EXPECT_EQ("--|----------<終了>----------", MarkAndText(lines[2]));
    EXPECT_EQ("", lines[3]);
}

TEST(LogProcessTest, NoticeFromAStaticDestructorReachesTheDefaultOutput)
{
    // The run asks for the Log folder (Start with no name) but never for the default
    // output, so the line after main is the first to need it.
    CChild child("atexit");
    DeleteFileA(child.DefaultLog().c_str());
    ASSERT_EQ(0u, child.Run({"default", "4096", "Xafter main"}));
    const std::vector<std::string> lines = ReadLines(child.DefaultLog());
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("==|==========<開始(4.1.0.7)>==========", MarkAndText(lines[0]));
    EXPECT_EQ("##|after main", MarkAndText(lines[1]));
}

TEST(LogProcessTest, SizeOutOfRangeIsNoticedBeforeTheBanner)
{
    for (const char* size : {"0", "5000", "-1"}) {
        SCOPED_TRACE(size);
        CChild child(std::string("size") + (size[0] == '-' ? "m1" : size));
        const std::string log = child.Folder() + "sub\\size.log";
        ASSERT_EQ(0u, child.Run({log, size}));
        const std::vector<std::string> lines = ReadLines(log);
        ASSERT_EQ(2u, lines.size());
        EXPECT_EQ(std::string("##|サイズ指定") + size + "KBは不正です。4096KBとします",
                  MarkAndText(lines[0]));
        EXPECT_EQ("==|==========<開始(4.1.0.7)>==========", MarkAndText(lines[1]));
    }
}

TEST(LogProcessTest, BareNameGoesBesideTheProgramWithItsLimit)
{
    CChild child("bare");
    const std::string text(900, 't');
    ASSERT_EQ(0u, child.Run({"trace.log", "100", "R130:" + text}));
    const std::string log = child.Folder() + "trace.log";
    const size_t backup = ReadAll(log + ".BAK").size();
    EXPECT_LE(backup, 102400u);
    EXPECT_GT(backup, 102400u - 1000u);
    EXPECT_FALSE(ReadLines(log).empty());
}

TEST(LogProcessTest, SecondStartKeepsTheFirstPath)
{
    CChild child("second");
    const std::string first = child.Folder() + "first.log";
    const std::string second = child.Folder() + "second.log";
    ASSERT_EQ(0u, child.Run({first, "4096", "S" + second, "L0:after"}));
    EXPECT_FALSE(lib::FileExists(second));
    const std::vector<std::string> lines = ReadLines(first);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("==|==========<開始(4.1.0.7)>==========", MarkAndText(lines[0]));
    EXPECT_EQ("==|==========<開始(4.1.0.7)>==========", MarkAndText(lines[1]));
    EXPECT_EQ("..|after", MarkAndText(lines[2]));
}

TEST(LogProcessTest, DebugSwitchFromQzlogIni)
{
    const struct {
        const char* ini; // null: no file
        bool written;
    } cases[] = {{"[Log]\r\nRecover=1\r\n", true},
                 {"[Log]\r\nRecover=7\r\n", true},
                 {"[Log]\r\nRecover=0\r\n", false},
                 {"[Other]\r\nRecover=1\r\n", false},
                 {nullptr, false}};
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(index);
        CChild child("debug" + std::to_string(index++));
        if (c.ini != nullptr) std::ofstream(child.Folder() + "QZLOG.ini") << c.ini;
        const std::string log = child.Folder() + "debug.log";
        ASSERT_EQ(0u, child.Run({log, "4096", "L2:trace", "L0:info"}));
        const std::vector<std::string> lines = ReadLines(log);
        ASSERT_EQ(c.written ? 3u : 2u, lines.size());
        if (c.written) {
            const std::string debug = MarkAndText(lines[1]);
            // "@@|[WS:<n>KB, PF:<n>KB]\ttrace"
            EXPECT_EQ(0u, debug.find("@@|[WS:")) << debug;
            EXPECT_NE(std::string::npos, debug.find("KB, PF:")) << debug;
            EXPECT_EQ(debug.size() - 9, debug.find("KB]\ttrace")) << debug;
        }
        EXPECT_EQ("..|info", MarkAndText(lines.back()));
    }
}

TEST(LogProcessTest, TwoProcessesLeaveOnlyWholeLines)
{
    CChild child("pair");
    const std::string log = child.Folder() + "shared.log";
    const std::string payload(150, 'p');
    const int count = 500;
    HANDLE first = child.Start({log, "4096", "R" + std::to_string(count) + ":A" + payload});
    HANDLE second = child.Start({log, "4096", "R" + std::to_string(count) + ":B" + payload});
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    HANDLE both[2] = {first, second};
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, both, TRUE, 120000));
    CloseHandle(first);
    CloseHandle(second);

    const std::vector<std::string> lines = ReadLines(log);
    ASSERT_EQ(static_cast<size_t>(2 * count + 2), lines.size());
    int next[2] = {0, 0};
    int banners = 0;
    for (const std::string& line : lines) {
        const std::string columns = MarkAndText(line);
        if (columns == "==|==========<開始(4.1.0.7)>==========") {
            ++banners;
            continue;
        }
        ASSERT_EQ(0u, columns.find("..|")) << line;
        const int writer = columns[3] == 'A' ? 0 : 1;
        // Each writer's lines arrive whole and in its own order.
        ASSERT_EQ(std::string(1, "AB"[writer]) + payload + "-" + std::to_string(next[writer]),
                  columns.substr(3))
            << line;
        ++next[writer];
    }
    EXPECT_EQ(2, banners);
    EXPECT_EQ(count, next[0]);
    EXPECT_EQ(count, next[1]);
}

TEST(LogProcessTest, NamesThatWouldNotFitSkipRotationAndFatalCopy)
{
    CChild child("long");
    // 257 bytes: the log fits, its ".BAK" and "_fatal<time>" names would not.
    std::string log = child.Folder() + std::string(150, 'd') + "\\";
    log += std::string(257 - log.size() - 4, 'n') + ".log";
    ASSERT_EQ(257u, log.size());
    ASSERT_EQ(0u, child.Run({log, "1", "R20:" + std::string(100, 'x'), "L5:fatal"}));
    EXPECT_GT(ReadAll(log).size(), 2048u);
    EXPECT_FALSE(lib::FileExists(log + ".BAK"));
    const std::vector<std::string> lines = ReadLines(log);
    ASSERT_EQ(23u, lines.size());
    EXPECT_EQ(";;|fatal", MarkAndText(lines[21]));
    EXPECT_EQ("##|退避ファイルの作成に失敗しました", MarkAndText(lines[22]));
}

TEST(LogProcessTest, FileErrorsAreNoticedInTheDefaultOutput)
{
    CChild child("fileerror");
    DeleteFileA(child.DefaultLog().c_str());
    // A folder where the log file should be: every open for writing fails.
    const std::string log = child.Folder() + "isdir.log";
    ASSERT_TRUE(CreateDirectoryA(log.c_str(), nullptr));
    ASSERT_EQ(0u, child.Run({log, "4096", "L0:lost", "L6:dump"}));
    const std::vector<std::string> lines = ReadLines(child.DefaultLog());
    ASSERT_EQ(3u, lines.size());
    const std::string file = "##|ファイルエラーが発生しました。GetLastError[";
    const std::string dump = "##|ダンプファイルエラーが発生しました。GetLastError[";
    EXPECT_EQ(0u, MarkAndText(lines[0]).find(file)) << lines[0]; // the start banner
    EXPECT_EQ(0u, MarkAndText(lines[1]).find(file)) << lines[1];
    EXPECT_EQ(0u, MarkAndText(lines[2]).find(dump)) << lines[2];
    for (const std::string& line : lines) {
        EXPECT_EQ(std::string::npos, line.find("[0]")) << line; // the error code is kept
    }
    RemoveDirectoryA(log.c_str());
}

// A log path without any folder (the writer's own set-up never makes one, so the writer
// is driven directly): with four fatal copies present no oldest copy can be named.
TEST(LogFileTest, FatalCopyOfALogWithoutFolderPart)
{
    const std::string folder = TempFolder("barefatal");
    char saved[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    const std::string name = "bare" + std::to_string(GetCurrentProcessId()) + "_sys";
    for (int i = 0; i < 4; ++i) {
        std::ofstream(name + "_fatal2000010100000" + std::to_string(i) + ".log") << "old";
    }
    CTolvelogPathString path;
    path.Set((name + ".log").c_str());
    uint32_t result = 0;
    {
        CTolveLog log("Bare.cpp", 3, path);
        result = log.WriteLine(LOG_FATAL, "fatal");
    }
    std::vector<WIN32_FIND_DATAA> copies;
    lib::FindFiles(name + "_fatal*", copies);
    const std::vector<std::string> lines = ReadLines(name + ".log");
    SetCurrentDirectoryA(saved);
    lib::DeleteFolder(folder.c_str(), true);

    EXPECT_EQ(static_cast<uint32_t>(CTolveLog::RESULT_FATAL_NO_FOLDER), result);
    EXPECT_EQ(4u, copies.size());
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(Expected(";;", "Bare.cpp", 3, "fatal"), AfterTime(lines[0]));
}

TEST(LogPathStringTest, SetOnceWithinTheBufferAndWholeCharacters)
{
    const struct {
        std::string path;
        size_t kept;
    } cases[] = {
        {std::string(100, 'a'), 100},
        {std::string(259, 'b'), 259},
        {std::string(300, 'c'), 259},
        // A double-byte character across the last byte is left out whole.
        {std::string(258, 'd') + "あ", 258},
        {std::string(257, 'e') + "あ", 259},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kept);
        CTolvelogPathString path;
        char buffer[300];
        EXPECT_TRUE(path.IsEmpty());
        EXPECT_FALSE(path.Get(buffer, sizeof buffer));
        EXPECT_STREQ("", buffer);
        path.Set(c.path.c_str());
        path.Set("other");
        EXPECT_FALSE(path.IsEmpty());
        ASSERT_TRUE(path.Get(buffer, sizeof buffer));
        EXPECT_EQ(c.path.substr(0, c.kept), buffer);
    }
}
