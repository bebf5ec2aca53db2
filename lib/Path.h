#pragma once
// Paths, folders and files. Paths are ANSI text in the system code page (932) with the
// backslash as separator; every backslash search walks double-byte characters whole.
// Only CreateDirectories and GetFileLength throw (lib/Exception.h); everything else gives
// false, 0 or an empty text and leaves the Windows error readable.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lib {

// Thin wrappers over the shell's path functions on a copy of the text.
bool PathFileExistsStr(const std::string& path);
bool PathIsDirectoryStr(const std::string& path);
bool PathIsRootStr(const std::string& path);
// The last part of the path; empty when the path has no folder part.
std::string PathFindFileNameStr(const std::string& path);
// The path without its last part. When nothing can be removed, the path itself, or an
// empty text when the thread's last error is ERROR_INVALID_NAME at that moment.
std::string GetParentFolder(const std::string& path);
std::string PathRemoveFileSpecStr(const std::string& path);
// Empty when the shell call fails (for instance when the result would not fit MAX_PATH).
std::string PathAppendStr(const std::string& path, const std::string& more);
std::string PathAddBackslashStr(const std::string& path);
// The module's full file name (null: the program); empty on failure.
std::string GetModuleFileNameStr(HMODULE module);
// The "." and ".." entries that every folder listing holds.
bool IsDotEntry(const char* name);
bool IsDotEntry(const wchar_t* name);
// Names that Windows opens as a device, not a file, in any folder and with any extension
// ("NUL.BIN", "com1.log", "AUX .txt"): CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0 to COM9 and
// LPT0 to LPT9 in any letter case, the name counted up to its first dot without trailing
// blanks. Nothing from a card or a server may make us write to a port or the console.
bool IsDeviceName(const std::string& name);
// A byte that no file name may hold: a control character, DEL, or \ / : * ? " < > |.
bool IsForbiddenFileNameChar(unsigned char c);
// True when every character is printable ASCII that a file name may hold: for a text from a
// server or a card (a device number) that becomes part of a file name as it stands.
bool IsAsciiFileNameText(const std::string& text);
// True when the last character (not a trail byte) is a backslash.
bool EndsWithBackslash(const std::string& path);
// Appends a backslash unless the text ends with one; an empty text stays empty.
void AppendBackslash(std::string& path);
void AppendBackslashW(std::wstring& path);

// Creates the folder and its missing parents. A path written with a trailing backslash
// gives false with last error ERROR_ALREADY_EXISTS although the folder now exists;
// callers passing folder paths treat that error as success.
bool CreateDirectoryRecursive(const std::string& path);
// Creates every folder level of the path (up to its last backslash when cutFileName),
// never the drive, server or share. Throws lib::IOException on the first failure.
void CreateDirectories(const std::string& path, bool cutFileName);
// CreateDirectoryW on the "\\?\" form of the path, so it may exceed MAX_PATH.
BOOL CreateDirectoryLongPath(const char* path, LPSECURITY_ATTRIBUTES attributes);
// Creates the folder (at most 259 characters) with its parents; true when it exists after.
bool CreateDirectoryTree(const char* path);

// Bytes of all files below the folder; 0 when it cannot be listed. Junctions and
// symbolic links are neither followed nor counted.
uint64_t GetFolderSize(const std::string& folder);
uint64_t GetFolderSizeW(const std::wstring& folder);
// Deletes everything below the folder, and with removeSelf the folder itself (which makes
// the program's folder the current directory). Junctions and symbolic links are removed
// themselves, never followed. False when anything could not be deleted; the walk goes on.
bool DeleteFolder(const char* folder, bool removeSelf);
// Appends every entry matching the pattern, "." and ".." included; not recursive.
void FindFiles(const std::string& pattern, std::vector<WIN32_FIND_DATAA>& found);

// True when the file can be opened for reading.
bool FileExists(const std::string& path);
// Throws lib::FileNotFoundException when the file is missing, lib::IOException when it
// cannot be read or is larger than 2 GB - 1.
int32_t GetFileLength(const std::string& path);
// True when the volume can be locked and unlocked, and also when the drive cannot be opened.
bool IsLockableDrive(char driveLetter);

// Brings the window to the foreground, borrowing the input of the foreground thread.
BOOL ForceForegroundWindow(HWND window);
// Starts the command line (at most 259 characters) in the folder of the program it names.
// The process handle goes to *process when asked for, else it is closed.
bool ExecuteCommandLine(const char* commandLine, int showCommand, HANDLE* process);
// Every registered window message of the system comes from here; 0 on failure.
UINT GetRegisteredMessage(const char* name);

} // namespace lib
