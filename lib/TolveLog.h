#pragma once
// The log writer. Every log site writes one line through a wrapper built with its source
// file and line:
//     TOLVE_LOG(LOG_ERROR, "読込失敗 ERR:0x%08X", error);
// Variable text always goes in as an argument, never as the format.
// A line: local time, level mark, source name, line, thread id, text; tab-separated,
// code page 932, CRLF.

#include <cstdint>

enum TolveLogLevel {
    LOG_INFO = 0,           // ".."  progress
    LOG_ERROR = 1,          // "!!"  every failure
    LOG_DEBUG = 2,          // "@@"  only while the debug switch is on
    LOG_IN = 3,             // "->"
    LOG_OUT = 4,            // "<-"
    LOG_FATAL = 5,          // ";;"  followed by a fatal copy of the log file
    LOG_DUMP = 6,           // ""
    LOG_START = 7,          // "=="  start banner
    LOG_END = 8,            // "--"  end banner, followed by an empty line
    LOG_LOGGER = 9,         // "##"  the writer's own notices
    LOG_LOGGER_DEFAULT = 10 // "##"  the writer's own notices, to the default output
};

class CTolveLogWrapper {
public:
    CTolveLogWrapper(const char* sourceFile, const int& line);
    virtual ~CTolveLogWrapper();

    // Formats (at most 1,023 bytes) and appends one line. Never throws.
    void Write(int level, const char* format, ...) __attribute__((format(gnu_printf, 3, 4)));

    // Sets the log file once per process (null or empty: "<program>_sys.log" in the Log
    // folder), the size limit in KB (1 to 4096) and the debug switch from "QZLOG.ini",
    // then writes the start banner.
    void Start(const char* fileName, int32_t sizeKB, uint32_t reserved);
    // Writes the end banner.
    void End();

private:
    const char* m_pSourceFile;
    int m_iLine;
};

#define TOLVE_LOG(level, ...) CTolveLogWrapper(__FILE__, __LINE__).Write((level), __VA_ARGS__)
