#pragma once
// Gzips one file into a gzip file and expands a gzip file into a file (zlib), in pieces of
// at most 16 MiB; the _Recover forms try three times with a wait after each failure.

#include <windows.h>

#include <string>

#include "zlib.h"

class CGZipIF {
public:
    static const DWORD kRetryWaitMs = 3000;

    // `abortEvent` (may be null, not owned) only ends the retry waits early.
    explicit CGZipIF(HANDLE abortEvent, DWORD retryWaitMs = kRetryWaitMs);
    CGZipIF(const CGZipIF&) = delete;
    CGZipIF& operator=(const CGZipIF&) = delete;

    bool GZipFile(const std::string& source, const std::string& gzipFile);
    bool GZipFile_Recover(const std::string& source, const std::string& gzipFile);
    // A 0-byte gzip file gives an empty target; other data that is not gzip is refused.
    bool UnGZipFile(const std::string& gzipFile, const std::string& target);
    bool UnGZipFile_Recover(const std::string& gzipFile, const std::string& target);

    // 0, 2 for a missing source, otherwise the Windows error or zlib's error number of
    // the last failure.
    DWORD GetError() const { return m_dwError; }

    bool GZipFileEx(gzFile stream, const std::string& source);
    bool UnGZipFileEx(const std::string& gzipFile, const std::string& target);

private:
    bool _TakeStreamError(gzFile stream, DWORD windowsError, const char** message);
    void _WaitBeforeRetry() const;

    DWORD m_dwError;
    HANDLE m_hAbortEvent;
    DWORD m_dwRetryWaitMs;
};
