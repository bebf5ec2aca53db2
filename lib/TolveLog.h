#pragma once
// The log writer. Every log site writes one line through a wrapper built with its source
// file and line:
//     TOLVE_LOG(LOG_ERROR, "読込失敗 ERR:0x%08X", error);
// Variable text always goes in as an argument, never as the format.
// A line: local time, level mark, source name, line, thread id, text; tab-separated,
// code page 932, CRLF. Each line opens, appends and closes the file under a named mutex
// shared by every writer of that file, in any thread of any program.

#include <cstdint>
#include <string>

enum TolveLogLevel {
    LOG_INFO = 0,           // ".."  progress
    LOG_ERROR = 1,          // "!!"  every failure
    LOG_DEBUG = 2,          // "@@"  only while the debug switch is on; with memory figures
    LOG_IN = 3,             // "->"
    LOG_OUT = 4,            // "<-"
    LOG_FATAL = 5,          // ";;"  followed by a fatal copy of the log file
    LOG_DUMP = 6,           // ""
    LOG_START = 7,          // "=="  start banner
    LOG_END = 8,            // "--"  end banner, followed by an empty line
    LOG_LOGGER = 9,         // "##"  the writer's own notices
    LOG_LOGGER_DEFAULT = 10 // "##"  the writer's own notices, to the default output
};

class CTolvelogPathString;

class CTolveLogWrapper {
public:
    CTolveLogWrapper(const char* sourceFile, const int& line);
    virtual ~CTolveLogWrapper();

    // Formats (at most 1,023 bytes) and appends one line. Never throws.
    void Write(int level, const char* format, ...) __attribute__((format(gnu_printf, 3, 4)));

    // Sets the log file once per process (null or empty: "<program>_sys.log" in the Log
    // folder; a bare name: in the program's folder), the size limit in KB (1 to 4096,
    // else 4096 with a notice) and the debug switch from "QZLOG.ini" beside the program,
    // then writes the start banner. reserved: -1 stands for 1024; nothing reads it.
    void Start(const char* fileName, int32_t sizeKB, uint32_t reserved);
    // Writes the end banner.
    void End();

    // The running program's "FileVersion" text (Japanese block, Unicode or Shift-JIS);
    // empty when the program has none.
    static std::string GetFileVersionString();

private:
    uint32_t _HandleError(uint32_t result, int level);
    uint32_t _ReportFileError(uint32_t result, int level);

    static void _SetOutputPath(const char* path);
    static void _SetDefaultOutputPath();
    static bool _ReadRecoverSetting();
    static void _SetDebugOutput(bool on);

    const char* m_pSourceFile;
    int m_iLine;
};

// One write of one line to one file; built by the wrapper for each line.
class CTolveLog {
public:
    enum Result : uint32_t {
        RESULT_OK = 0,
        RESULT_NO_OUTPUT = 1,
        RESULT_BAD_LEVEL = 2,
        RESULT_CUT = 4,
        RESULT_FATAL_COPY = 5,
        RESULT_FATAL_DELETE = 6,
        RESULT_MUTEX_CREATE = 8,
        RESULT_MUTEX_WAIT = 9,
        RESULT_FILE_OPEN = 10,
        RESULT_FATAL_NO_FOLDER = 11,
    };

    CTolveLog(const char* sourceFile, int line, const CTolvelogPathString& pathSetting);
    virtual ~CTolveLog();
    CTolveLog(const CTolveLog&) = delete;
    CTolveLog& operator=(const CTolveLog&) = delete;

    uint32_t WriteLine(int level, const char* text);

private:
    uint32_t _CopyFatalLog();

    char m_szSourceName[260];
    int32_t m_iLine;
    char m_szOutputPath[260];
    char m_szBackupPath[260];
};

// The turn of the writers of one log file: a named mutex, named after the file's name, that
// every writer of the file holds for one line, in any thread of any program. Whoever copies
// or deletes a log file holds it meanwhile, so that no line is half in a copy or written
// into a file that is then deleted. A thread that holds it may still write lines itself.
class CTolveLogFileLock {
public:
    // Waits for the mutex as long as a writer does (10 s).
    explicit CTolveLogFileLock(const char* logPath);
    ~CTolveLogFileLock();
    CTolveLogFileLock(const CTolveLogFileLock&) = delete;
    CTolveLogFileLock& operator=(const CTolveLogFileLock&) = delete;

    bool IsValid() const { return m_pMutex != nullptr; }
    bool IsLocked() const { return m_bOwned; }

private:
    void* m_pMutex; // HANDLE
    bool m_bOwned;
};

// The file the next line of this process goes to: the output path once Start set it,
// otherwise the default output path. Tests of other parts read their log lines there.
std::string GetTolveLogOutputPath();

#define TOLVE_LOG(level, ...) CTolveLogWrapper(__FILE__, __LINE__).Write((level), __VA_ARGS__)
