#include "lib/AppFolder.h"
#include "lib/Exception.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string TempRoot()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    char name[64];
    std::snprintf(name, sizeof name, "kestrum_paths_%lu\\", GetCurrentProcessId());
    return std::string(temp) + name;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes what a test left behind, read-only files and links included, without relying on
// the code under test.
void Scrub(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                Scrub(path + "\\");
            } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryA(path.c_str());
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

class PathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = TempRoot();
        Scrub(m_root);
        ASSERT_TRUE(CreateDirectoryA(m_root.c_str(), nullptr));
    }
    void TearDown() override { Scrub(m_root); }

    std::string m_root;
};

// Mount-point reparse data as FSCTL_SET_REPARSE_POINT takes it.
struct MountPointReparse {
    DWORD tag;
    WORD dataLength;
    WORD reserved;
    WORD substituteOffset;
    WORD substituteLength;
    WORD printOffset;
    WORD printLength;
    WCHAR names[1024];
};

bool MakeJunction(const std::string& link, const std::string& target)
{
    if (!CreateDirectoryA(link.c_str(), nullptr)) return false;
    HANDLE handle = CreateFileA(link.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    std::wstring substitute = L"\\??\\";
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, wide, MAX_PATH);
    substitute += wide;
    const std::wstring print = wide;
    MountPointReparse data = {};
    data.tag = IO_REPARSE_TAG_MOUNT_POINT;
    data.substituteOffset = 0;
    data.substituteLength = static_cast<WORD>(substitute.size() * sizeof(WCHAR));
    data.printOffset = static_cast<WORD>(data.substituteLength + sizeof(WCHAR));
    data.printLength = static_cast<WORD>(print.size() * sizeof(WCHAR));
    std::memcpy(data.names, substitute.c_str(), data.substituteLength + sizeof(WCHAR));
    std::memcpy(reinterpret_cast<char*>(data.names) + data.printOffset, print.c_str(),
                data.printLength + sizeof(WCHAR));
    data.dataLength = static_cast<WORD>(8 + data.printOffset + data.printLength + sizeof(WCHAR));
    DWORD bytes = 0;
    const BOOL done = DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, &data,
                                      data.dataLength + 8, nullptr, 0, &bytes, nullptr);
    CloseHandle(handle);
    return done != FALSE;
}

bool MakeDirectoryLink(const std::string& link, const std::string& target)
{
    typedef BOOLEAN(WINAPI * CreateLinkW)(LPCWSTR, LPCWSTR, DWORD);
    const auto create = reinterpret_cast<CreateLinkW>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkW")));
    if (create == nullptr) return false;
    wchar_t wideLink[MAX_PATH] = {};
    wchar_t wideTarget[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wideLink, MAX_PATH);
    MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, wideTarget, MAX_PATH);
    return create(wideLink, wideTarget, 1 /* directory */) != 0;
}

bool IsReparsePoint(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string ProgramFolder()
{
    std::string program = lib::GetModuleFileNameStr(nullptr);
    return program.substr(0, program.rfind('\\') + 1);
}

} // namespace

TEST(PathWrapperTest, TextResults)
{
    struct Case {
        const char* path;
        const char* fileName;
        const char* parent;
        const char* withBackslash;
    } cases[] = {
        {"C:\\a\\b.txt", "b.txt", "C:\\a", "C:\\a\\b.txt\\"},
        {"C:\\a\\", "a\\", "C:\\a", "C:\\a\\"},
        {"C:\\", "", "C:\\", "C:\\"},
        {"b.txt", "", "", "b.txt\\"},
        // 0x95 0x5C is one character ending in a backslash byte: not a separator.
        {"C:\\\x95\\\\x.txt", "x.txt", "C:\\\x95\\", "C:\\\x95\\\\x.txt\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.fileName, lib::PathFindFileNameStr(c.path));
        SetLastError(0);
        EXPECT_EQ(c.parent, lib::GetParentFolder(c.path));
        EXPECT_EQ(c.withBackslash, lib::PathAddBackslashStr(c.path));
    }
    EXPECT_EQ("C:\\a\\b\\c.txt", lib::PathAppendStr("C:\\a", "b\\c.txt"));
    EXPECT_EQ("", lib::PathAppendStr(std::string(250, 'a'), std::string(20, 'b')));
    EXPECT_EQ("C:\\a", lib::PathRemoveFileSpecStr("C:\\a\\b"));

    std::string text;
    lib::AppendBackslash(text);
    EXPECT_EQ("", text);
    text = "C:\\a";
    lib::AppendBackslash(text);
    lib::AppendBackslash(text);
    EXPECT_EQ("C:\\a\\", text);
    std::wstring wide;
    lib::AppendBackslashW(wide);
    EXPECT_EQ(L"", wide);
    wide = L"C:\\a";
    lib::AppendBackslashW(wide);
    EXPECT_EQ(L"C:\\a\\", wide);

    EXPECT_TRUE(lib::PathIsRootStr("C:\\"));
    EXPECT_FALSE(lib::PathIsRootStr("C:\\a"));
    const std::string program = lib::GetModuleFileNameStr(nullptr);
    EXPECT_NE(std::string::npos, program.find("lib_paths_test.exe"));
    EXPECT_TRUE(lib::PathFileExistsStr(program));
    EXPECT_FALSE(lib::PathIsDirectoryStr(program));
}

TEST(PathWrapperTest, DeviceNames)
{
    const char* const devices[] = {"CON", "con", "PRN.txt", "aux.tar.gz", "NUL .log", "COM1",
                                   "com9.bin", "LPT1", "lpt0.x", "CONIN$", "conout$.y"};
    for (const char* name : devices) EXPECT_TRUE(lib::IsDeviceName(name)) << name;
    const char* const files[] = {"", "CONSOLE", "COM", "COM10", "LPTX", "NULL.txt", ".CON",
                                 "a.CON", "CON_1.msi", "COM1x.txt"};
    for (const char* name : files) EXPECT_FALSE(lib::IsDeviceName(name)) << name;
}

TEST(PathWrapperTest, FileNameCharacters)
{
    for (const char c : std::string("\\/:*?\"<>|\t\r\n\x01\x1F\x7F")) {
        EXPECT_TRUE(lib::IsForbiddenFileNameChar(static_cast<unsigned char>(c))) << int(c);
    }
    EXPECT_TRUE(lib::IsForbiddenFileNameChar(0));
    for (const char c : std::string(" .-_~'+,;=[]{}!#$%&()@^`aZ09")) {
        EXPECT_FALSE(lib::IsForbiddenFileNameChar(static_cast<unsigned char>(c))) << c;
    }
    // Bytes above ASCII are left to the caller's walk of double-byte text.
    EXPECT_FALSE(lib::IsForbiddenFileNameChar(0x81));
    EXPECT_FALSE(lib::IsForbiddenFileNameChar(0xB1));

    EXPECT_TRUE(lib::IsAsciiFileNameText(""));
    EXPECT_TRUE(lib::IsAsciiFileNameText("D0001234-x.y z"));
    const char* const refused[] = {"D\\1", "D/1", "..\\x", "C:", "a*", "a?", "\"a\"", "<a>",
                                   "a|b", "a\tb", "a\x7F", "\xB1", "\x82\xA0"};
    for (const char* text : refused) EXPECT_FALSE(lib::IsAsciiFileNameText(text)) << text;
}

TEST_F(PathTest, CreateDirectoryRecursive)
{
    EXPECT_FALSE(lib::CreateDirectoryRecursive(""));

    const std::string twoLevels = m_root + "one\\two";
    EXPECT_TRUE(lib::CreateDirectoryRecursive(twoLevels));
    EXPECT_TRUE(IsFolder(twoLevels));
    EXPECT_TRUE(lib::CreateDirectoryRecursive(twoLevels)); // existing: true

    WriteFile(m_root + "file", "x");
    EXPECT_FALSE(lib::CreateDirectoryRecursive(m_root + "file"));

    // The backslash-ended form creates the folder through the inner call, then the outer
    // CreateDirectoryA finds it there.
    const std::string trailing = m_root + "three\\four\\";
    SetLastError(0);
    EXPECT_FALSE(lib::CreateDirectoryRecursive(trailing));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_TRUE(IsFolder(trailing));
}

TEST_F(PathTest, CreateDirectoriesAndTree)
{
    lib::CreateDirectories(m_root + "a\\b\\c\\file.txt", true);
    EXPECT_TRUE(IsFolder(m_root + "a\\b\\c"));
    EXPECT_FALSE(Exists(m_root + "a\\b\\c\\file.txt"));
    lib::CreateDirectories(m_root + "a\\b\\c\\d", false);
    EXPECT_TRUE(IsFolder(m_root + "a\\b\\c\\d"));

    // A folder level below a file cannot be made.
    WriteFile(m_root + "plain", "x");
    try {
        lib::CreateDirectories(m_root + "plain\\sub\\x.txt", true);
        FAIL() << "no exception";
    } catch (const lib::IOException& e) {
        EXPECT_STREQ("IOエラー：ディレクトリ作成失敗", e.what());
    }

    EXPECT_TRUE(lib::CreateDirectoryTree((m_root + "t1\\t2\\t3").c_str()));
    EXPECT_TRUE(IsFolder(m_root + "t1\\t2\\t3"));
    EXPECT_TRUE(lib::CreateDirectoryTree((m_root + "t1\\t2\\t3").c_str()));
    EXPECT_FALSE(lib::CreateDirectoryTree((m_root + "plain\\below").c_str()));
    EXPECT_FALSE(lib::CreateDirectoryTree((m_root + std::string(300, 'x')).c_str()));

    // The long form takes paths beyond MAX_PATH, one level at a time.
    std::string deep = m_root + "long";
    ASSERT_TRUE(lib::CreateDirectoryLongPath(deep.c_str(), nullptr));
    for (int i = 0; i < 4; ++i) {
        deep += "\\" + std::string(80, static_cast<char>('k' + i));
        ASSERT_TRUE(lib::CreateDirectoryLongPath(deep.c_str(), nullptr)) << i;
    }
    EXPECT_GT(deep.size(), 300u);
    EXPECT_FALSE(lib::CreateDirectoryLongPath(deep.c_str(), nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    // Too deep for the ANSI calls of the clean-up: remove it level by level.
    while (deep.size() > m_root.size() + 4) {
        RemoveDirectoryW(lib::StringToWString("\\\\?\\" + deep).c_str());
        deep.resize(deep.rfind('\\'));
    }
}

// Wine answers "\\server\share\..." from the prefix's dosdevices\unc folder, which this
// test reaches through the Z: drive; elsewhere it skips itself.
TEST_F(PathTest, CreateDirectoriesOnANetworkPathStartsBelowTheShare)
{
    char prefix[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || prefix[0] != '/') {
        GTEST_SKIP() << "no Wine prefix to serve a network path from";
    }
    std::string unc = std::string("Z:") + prefix + "/dosdevices/unc/";
    std::replace(unc.begin(), unc.end(), '/', '\\');
    CreateDirectoryA(unc.c_str(), nullptr);
    if (!IsFolder(unc)) GTEST_SKIP() << "cannot make " << unc;
    const std::string server = "kestrumsrv" + std::to_string(GetCurrentProcessId());
    const std::string serverFolder = unc + server + "\\";
    Scrub(serverFolder);
    const std::string path = "\\\\" + server + "\\share\\one\\two";

    // The server answers but has no such share: the first level tried is below the share,
    // so neither the server nor the share is created on the way.
    EXPECT_THROW(lib::CreateDirectories(path, false), lib::IOException);
    EXPECT_FALSE(Exists(serverFolder));

    ASSERT_TRUE(CreateDirectoryA(serverFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((serverFolder + "share").c_str(), nullptr));
    lib::CreateDirectories(path, false);
    EXPECT_TRUE(IsFolder(serverFolder + "share\\one\\two"));
    EXPECT_TRUE(IsFolder(path));
    Scrub(serverFolder);
}

TEST_F(PathTest, FolderSizeCountsFilesBelowAndLargeSparseFiles)
{
    EXPECT_EQ(0u, lib::GetFolderSize(m_root + "missing"));
    EXPECT_EQ(0u, lib::GetFolderSize(m_root));

    CreateDirectoryA((m_root + "sub").c_str(), nullptr);
    CreateDirectoryA((m_root + "sub\\deeper").c_str(), nullptr);
    WriteFile(m_root + "a.bin", std::string(10, 'a'));
    WriteFile(m_root + "sub\\b.bin", std::string(200, 'b'));
    WriteFile(m_root + "sub\\deeper\\c.bin", std::string(3000, 'c'));
    EXPECT_EQ(3210u, lib::GetFolderSize(m_root));
    EXPECT_EQ(3210u, lib::GetFolderSize(m_root.substr(0, m_root.size() - 1)));
    EXPECT_EQ(3200u, lib::GetFolderSizeW(lib::StringToWString(m_root + "sub")));
}

TEST_F(PathTest, FolderSizeOfSparseFileBeyondFourGigabytes)
{
    const std::string path = m_root + "sparse.bin";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD bytes = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &bytes, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 5000000000LL;
    ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);

    EXPECT_EQ(5000000000ull, lib::GetFolderSize(m_root));
    EXPECT_EQ(5000000000ull, lib::GetFolderSizeW(lib::StringToWString(m_root)));
    try {
        lib::GetFileLength(path); // beyond the 32-bit result
        FAIL() << "no exception";
    } catch (const lib::FileNotFoundException&) {
        FAIL() << "the file is there";
    } catch (const lib::IOException& e) {
        EXPECT_STREQ("", e.what());
    }
}

TEST_F(PathTest, DeleteFolderGoesOnPastAReadOnlyFile)
{
    EXPECT_FALSE(lib::DeleteFolder(nullptr, true));
    EXPECT_FALSE(lib::DeleteFolder((m_root + "missing").c_str(), true));

    const std::string tree = m_root + "tree\\";
    CreateDirectoryA(tree.c_str(), nullptr);
    CreateDirectoryA((tree + "sub").c_str(), nullptr);
    CreateDirectoryA((tree + "sub\\empty").c_str(), nullptr);
    WriteFile(tree + "a.txt", "a");
    WriteFile(tree + "sub\\b.txt", "b");
    WriteFile(tree + "sub\\locked.txt", "c");
    SetFileAttributesA((tree + "sub\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteFile(tree + "z.txt", "z");

    EXPECT_FALSE(lib::DeleteFolder(tree.c_str(), true));
    EXPECT_TRUE(Exists(tree + "sub\\locked.txt"));
    EXPECT_FALSE(Exists(tree + "a.txt"));
    EXPECT_FALSE(Exists(tree + "z.txt"));
    EXPECT_FALSE(Exists(tree + "sub\\b.txt"));
    EXPECT_FALSE(Exists(tree + "sub\\empty"));

    // Removing the folder itself moved the current directory out of the way.
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    std::string currentFolder = current;
    lib::AppendBackslash(currentFolder);
    EXPECT_STRCASEEQ(ProgramFolder().c_str(), currentFolder.c_str());

    SetFileAttributesA((tree + "sub\\locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(lib::DeleteFolder(tree.c_str(), false));
    EXPECT_TRUE(IsFolder(tree));
    EXPECT_TRUE(lib::DeleteFolder(tree.c_str(), true));
    EXPECT_FALSE(Exists(tree));
}

TEST_F(PathTest, LinksInsideATreeAreNeitherFollowedNorCounted)
{
    const std::string outside = m_root + "outside\\";
    CreateDirectoryA(outside.c_str(), nullptr);
    WriteFile(outside + "keep.txt", std::string(1000, 'k'));
    const std::string tree = m_root + "tree\\";
    CreateDirectoryA(tree.c_str(), nullptr);
    WriteFile(tree + "own.txt", std::string(7, 'o'));

    const std::string link = tree + "link";
    bool made = MakeJunction(link, outside) && IsReparsePoint(link);
    const DWORD junctionError = GetLastError();
    if (!made) {
        RemoveDirectoryA(link.c_str());
        made = MakeDirectoryLink(link, outside) && IsReparsePoint(link);
    }
    if (!made) {
        const DWORD linkError = GetLastError();
        RemoveDirectoryA(link.c_str());
        GTEST_SKIP() << "this system makes no junction or directory link with the "
                        "reparse-point attribute (errors "
                     << junctionError << ", " << linkError << ")";
    }
    ASSERT_TRUE(Exists(link + "\\keep.txt"));

    EXPECT_EQ(7u, lib::GetFolderSize(tree));
    EXPECT_EQ(7u, lib::GetFolderSizeW(lib::StringToWString(tree)));
    EXPECT_TRUE(lib::DeleteFolder(tree.c_str(), true));
    EXPECT_FALSE(Exists(tree));
    EXPECT_EQ(std::string(1000, 'k'), ReadFile(outside + "keep.txt"));
}

TEST_F(PathTest, FindFilesListsOneLevelWithDotEntries)
{
    CreateDirectoryA((m_root + "sub").c_str(), nullptr);
    WriteFile(m_root + "a.txt", "a");
    WriteFile(m_root + "sub\\b.txt", "b");
    std::vector<WIN32_FIND_DATAA> found;
    lib::FindFiles(m_root + "*", found);
    std::vector<std::string> names;
    for (const WIN32_FIND_DATAA& data : found) names.push_back(data.cFileName);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{".", "..", "a.txt", "sub"}), names);

    lib::FindFiles(m_root + "*.none", found);
    EXPECT_EQ(4u, found.size());
}

TEST_F(PathTest, FileExistsAndLength)
{
    const std::string path = m_root + "data.bin";
    EXPECT_FALSE(lib::FileExists(path));
    EXPECT_FALSE(lib::FileExists(m_root)); // a folder is no file
    try {
        lib::GetFileLength(path);
        FAIL() << "no exception";
    } catch (const lib::FileNotFoundException& e) {
        EXPECT_STREQ("", e.what()); // told apart by class, no message
    }

    WriteFile(path, std::string(12345, 'x'));
    // Held open for writing by someone else: still readable.
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    EXPECT_TRUE(lib::FileExists(path));
    EXPECT_EQ(12345, lib::GetFileLength(path));
    CloseHandle(writer);

    WriteFile(path, "");
    EXPECT_EQ(0, lib::GetFileLength(path));
}

TEST(DriveTest, MissingDriveCountsAsLockable)
{
    char missing = 0;
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Z'; letter >= 'D'; --letter) {
        if (!(drives & (1u << (letter - 'A')))) {
            missing = letter;
            break;
        }
    }
    ASSERT_NE(0, missing);
    EXPECT_TRUE(lib::IsLockableDrive(missing));
}

TEST_F(PathTest, ExecuteCommandLineStartsInTheProgramsFolder)
{
    const std::string report = m_root + "cwd.txt";
    const std::string child = ProgramFolder() + "lib_paths_child.exe";
    ASSERT_TRUE(lib::FileExists(child));

    // Quoted program path: the child starts in its own folder.
    HANDLE process = nullptr;
    ASSERT_TRUE(lib::ExecuteCommandLine(("\"" + child + "\" " + report).c_str(), SW_HIDE,
                                        &process));
    ASSERT_NE(nullptr, process);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 20000));
    DWORD code = 99;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    EXPECT_EQ(0u, code);
    std::string folder = ReadFile(report);
    lib::AppendBackslash(folder);
    EXPECT_STRCASEEQ(ProgramFolder().c_str(), folder.c_str());

    // No folder in the command line: no working folder is passed, the child inherits ours.
    const std::string here = m_root + "here";
    CreateDirectoryA(here.c_str(), nullptr);
    char saved[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(here.c_str()));
    DeleteFileA(report.c_str());
    ASSERT_TRUE(lib::ExecuteCommandLine(("lib_paths_child.exe " + report).c_str(), SW_HIDE,
                                        &process));
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 20000));
    CloseHandle(process);
    EXPECT_STRCASEEQ(here.c_str(), ReadFile(report).c_str());

    // Without a handle wanted, the caller gets none and nothing leaks.
    DeleteFileA(report.c_str());
    ASSERT_TRUE(lib::ExecuteCommandLine(("\"" + child + "\" " + report).c_str(), SW_HIDE,
                                        nullptr));
    for (int i = 0; i < 1200 && !lib::FileExists(report); ++i) Sleep(50); // a minute
    EXPECT_TRUE(lib::FileExists(report));
}

TEST(ExecuteCommandLineTest, RefusesWhatCannotStart)
{
    const std::string tooLong = "\"" + ProgramFolder() + "lib_paths_child.exe\" " +
                                std::string(300, 'a');
    HANDLE process = reinterpret_cast<HANDLE>(1);
    SetLastError(0);
    EXPECT_FALSE(lib::ExecuteCommandLine(tooLong.c_str(), SW_HIDE, &process));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    EXPECT_EQ(nullptr, process);

    // 259 characters still fit (the program is missing, so the start itself fails).
    std::string longest = "C:\\missing\\" + std::string(259 - 11 - 4, 'p') + ".exe";
    ASSERT_EQ(259u, longest.size());
    SetLastError(0);
    EXPECT_FALSE(lib::ExecuteCommandLine(longest.c_str(), SW_HIDE, nullptr));
    EXPECT_NE(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    EXPECT_NE(0u, GetLastError());

    EXPECT_FALSE(lib::ExecuteCommandLine("", SW_HIDE, nullptr));
    EXPECT_FALSE(lib::ExecuteCommandLine(nullptr, SW_HIDE, nullptr));
}

TEST(RegisteredMessageTest, SameNumberEachTime)
{
    const UINT first = lib::GetRegisteredMessage("KestrumPathTestMessage");
    EXPECT_GE(first, 0xC000u);
    EXPECT_EQ(first, lib::GetRegisteredMessage("KestrumPathTestMessage"));
    EXPECT_NE(first, lib::GetRegisteredMessage("KestrumPathTestMessage2"));
}

TEST(ForegroundTest, BringsOwnWindowToFront)
{
    HWND window = CreateWindowExA(0, "STATIC", "KestrumPathTest", WS_OVERLAPPEDWINDOW, 0, 0,
                                  100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    ShowWindow(window, SW_SHOW);
    // The foreground is shared by every program of the session: a test program that shows a
    // window at the same moment may take it back, so a few tries are allowed.
    bool front = false;
    for (int attempt = 0; attempt < 10 && !front; ++attempt) {
        EXPECT_TRUE(lib::ForceForegroundWindow(window));
        testsupport::DispatchQueued();
        front = GetForegroundWindow() == window;
        if (!front) Sleep(100);
    }
    EXPECT_TRUE(front);
    DestroyWindow(window);
}

TEST(AppFolderTest, LogFolderUnderTheUsersApplicationData)
{
    char appData[MAX_PATH] = {};
    ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                     appData));
    const std::string product = std::string(appData) + "\\Halvorn\\Kestrum4\\";
    EXPECT_EQ(product, lib::GetAppDataFolder());
    const struct {
        std::string (*function)();
        const char* name;
    } folders[] = {
        {lib::GetSettingFolder, "Setting\\"},
        {lib::GetLogFolder, "Log\\"},
        {lib::GetDataFolder, "Data\\"},
        {lib::GetTemporaryFileFolder, "TemporaryFile\\"},
        {lib::GetDownloadFolder, "Download\\"},
    };
    for (const auto& folder : folders) {
        SCOPED_TRACE(folder.name);
        EXPECT_EQ(product + folder.name, folder.function());
        EXPECT_TRUE(IsFolder(product + folder.name));
    }
}
