#pragma once
// What many test programs need: reading files whole, the lines this process logged, and a
// private application-data folder so that tests running side by side in one Wine prefix
// never share "UserList.info", settings or logs.

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace testsupport {

// The bytes of a file from an offset (empty when it cannot be read); the file may be open
// for writing elsewhere.
std::string ReadFileBytes(const std::string& path, size_t from = 0);

// The whole log file this process writes to.
std::string ReadLog();

// The log lines written since the capture was made.
class CLogCapture {
public:
    CLogCapture();
    std::string Text() const;
    bool Has(const std::string& text) const { return Text().find(text) != std::string::npos; }
    // A captured line of this level mark from this source file ("PcLinkFile.cpp") holding
    // the text.
    bool HasLine(const char* mark, const char* source, const std::string& text) const;
    size_t Count(const std::string& text) const;

private:
    size_t m_uStart;
};

// Runs every message queued for this thread (a quit message is taken off the queue and does
// nothing); translate also turns key messages into characters, as a message loop does.
inline void DispatchQueued(bool translate = false)
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (translate) ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

// Takes a quit message waiting in this thread's queue off it: whether there was one.
inline bool TakeQuit(WPARAM* exitCode = nullptr)
{
    MSG message;
    if (!::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
    if (exitCode != nullptr) *exitCode = message.wParam;
    return true;
}

// True when the test runs under Wine, for expectations that hold there only (each such
// expectation says so where it stands).
bool UnderWine();

// Sends this process's application folders (Log, Data, Setting, ...) into
// "%TEMP%\<name>_<pid>\" for the whole test run, and deletes it at the end. Call it once,
// from a namespace-scope initialiser, before any test runs.
bool UsePrivateAppData(const char* name);

// "%TEMP%\<name>_<pid>\" of UsePrivateAppData, with its trailing backslash.
const std::string& PrivateRoot();

// The folder of the running test program, with its trailing backslash.
std::string ProgramFolder();

// Runs a program (the arguments after its quoted path) and waits for its end up to the
// bound, ending it when it outlives it. Its exit code; STILL_ACTIVE when it outlived the
// bound, and *started false when it could not start.
DWORD RunProgramWithin(const std::string& program, const std::string& arguments, DWORD boundMs,
                       bool* started = nullptr);

// A helper program copied into a folder of its own below the private root, for scenarios
// that need a fresh process whose program folder is the test's: the files it reads beside
// itself ("Connection.info", "QZLOG.ini") are the ones the test puts there. The folder is
// deleted with the object.
class CCopiedProgram {
public:
    // helper: the helper's path relative to the test program's folder; tag names the folder.
    CCopiedProgram(const std::string& helper, const std::string& tag);
    ~CCopiedProgram();
    CCopiedProgram(const CCopiedProgram&) = delete;
    CCopiedProgram& operator=(const CCopiedProgram&) = delete;

    bool Copied() const { return m_bCopied; }
    // The copy's folder, with its trailing backslash, and the copy's full path.
    const std::string& Folder() const { return m_strFolder; }
    const std::string& Program() const { return m_strProgram; }

    // Runs the copy with the arguments (each passed quoted) and waits for it; its exit code,
    // 1000 when it could not start, 1001 when it outlived the time-out (it is then ended).
    DWORD Run(const std::vector<std::string>& arguments, DWORD timeoutMs = 60000) const;

private:
    std::string m_strFolder;
    std::string m_strProgram;
    bool m_bCopied;
};

} // namespace testsupport
