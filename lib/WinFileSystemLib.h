#pragma once
// File reads, writes and creations for card files. A card in a reader can be unavailable
// for a moment, so each operation makes three attempts with a pause after every failed one;
// the caller's abort event cuts the pauses short but never the attempts.
// One object per file task, used by one thread; the abort event is set by another thread.

#include <windows.h>

class CWinFileSystemLib {
public:
    // abortEvent may be null (the pauses are then plain sleeps); it stays the caller's.
    explicit CWinFileSystemLib(HANDLE abortEvent);
    virtual ~CWinFileSystemLib();

    CWinFileSystemLib(const CWinFileSystemLib&) = delete;
    CWinFileSystemLib& operator=(const CWinFileSystemLib&) = delete;

    // The ReadFile / WriteFile result of the first successful attempt, or of the third
    // failed one.
    BOOL ReadFile_Recover(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                          LPOVERLAPPED overlapped);
    BOOL WriteFile_Recover(HANDLE file, LPCVOID buffer, DWORD bytesToWrite,
                           LPDWORD bytesWritten, LPOVERLAPPED overlapped);

    // CreateFileA on name, or CreateFileW on wideName when name is null.
    // INVALID_HANDLE_VALUE when all three attempts failed.
    HANDLE CreateFile_Recover(LPCSTR name, DWORD access, DWORD shareMode,
                              LPSECURITY_ATTRIBUTES security, DWORD disposition,
                              DWORD flagsAndAttributes, HANDLE templateFile,
                              LPCWSTR wideName = nullptr);

    // The Windows error of the last operation that gave up; 0 while none did.
    DWORD GetLastError() const { return m_dwLastError; }

    static const DWORD RETRY_WAIT_MS = 3000;
    static const DWORD MISSING_FILE_WAIT_MS = 500;

protected:
    // The pause after a failed attempt: on the abort event when there is one.
    virtual void _Wait(DWORD milliseconds);

private:
    DWORD m_dwLastError;
    HANDLE m_hAbortEvent;
};
