#include "lib/WinFileSystemLib.h"

#include "lib/StringUtility.h"
#include "lib/TolveLog.h"

#include <string>

namespace {

const int ATTEMPTS = 3;

} // namespace

CWinFileSystemLib::CWinFileSystemLib(HANDLE abortEvent)
    : m_dwLastError(0), m_hAbortEvent(abortEvent)
{
}

CWinFileSystemLib::~CWinFileSystemLib() = default;

void CWinFileSystemLib::_Wait(DWORD milliseconds)
{
    if (m_hAbortEvent != nullptr) {
        WaitForSingleObject(m_hAbortEvent, milliseconds);
    } else {
        Sleep(milliseconds);
    }
}

BOOL CWinFileSystemLib::ReadFile_Recover(HANDLE file, LPVOID buffer, DWORD bytesToRead,
                                         LPDWORD bytesRead, LPOVERLAPPED overlapped)
{
    BOOL result = FALSE;
    DWORD error = 0;
    for (int attempt = 0; attempt < ATTEMPTS; ++attempt) {
        result = ReadFile(file, buffer, bytesToRead, bytesRead, overlapped);
        if (result) return result;
        error = ::GetLastError();
        // An overlapped read that is still running has not failed; reading again would
        // start a second read into the same buffer.
        if (overlapped != nullptr && error == ERROR_IO_PENDING) return result;
        _Wait(RETRY_WAIT_MS);
    }
    m_dwLastError = error;
    TOLVE_LOG(LOG_ERROR, "ReadFile_Recover( ) - Error ERR:0x%08X SIZE:%d",
              static_cast<unsigned>(error), static_cast<int>(bytesToRead));
    SetLastError(error);
    return result;
}

BOOL CWinFileSystemLib::WriteFile_Recover(HANDLE file, LPCVOID buffer, DWORD bytesToWrite,
                                          LPDWORD bytesWritten, LPOVERLAPPED overlapped)
{
    BOOL result = FALSE;
    DWORD error = 0;
    for (int attempt = 0; attempt < ATTEMPTS; ++attempt) {
        result = WriteFile(file, buffer, bytesToWrite, bytesWritten, overlapped);
        if (result) return result;
        error = ::GetLastError();
        if (overlapped != nullptr && error == ERROR_IO_PENDING) return result;
        _Wait(RETRY_WAIT_MS);
    }
    m_dwLastError = error;
    TOLVE_LOG(LOG_ERROR, "WriteFile_Recover( ) - Error ERR:0x%08X SIZE:%d",
              static_cast<unsigned>(error), static_cast<int>(bytesToWrite));
    SetLastError(error);
    return result;
}

HANDLE CWinFileSystemLib::CreateFile_Recover(LPCSTR name, DWORD access, DWORD shareMode,
                                             LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                             DWORD flagsAndAttributes, HANDLE templateFile,
                                             LPCWSTR wideName)
{
    if (name == nullptr && wideName == nullptr) {
        // No name at all is the caller's fault: retrying cannot mend it.
        m_dwLastError = ERROR_INVALID_PARAMETER;
        TOLVE_LOG(LOG_ERROR, "CreateFile_Recover( ) - Error ERR:0x%08X PATH:%s ACCESS:%X SHARE:%X",
                  static_cast<unsigned>(m_dwLastError), "", static_cast<unsigned>(access),
                  static_cast<unsigned>(shareMode));
        SetLastError(m_dwLastError);
        return INVALID_HANDLE_VALUE;
    }

    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = 0;
    for (int attempt = 0; attempt < ATTEMPTS; ++attempt) {
        if (name != nullptr) {
            file = CreateFileA(name, access, shareMode, security, disposition,
                               flagsAndAttributes, templateFile);
        } else {
            file = CreateFileW(wideName, access, shareMode, security, disposition,
                               flagsAndAttributes, templateFile);
        }
        if (file != nullptr && file != INVALID_HANDLE_VALUE) return file;
        error = ::GetLastError();
        // A file that is simply not there yet is worth only a short pause.
        const bool missing = disposition == OPEN_EXISTING && error == ERROR_FILE_NOT_FOUND;
        _Wait(missing ? MISSING_FILE_WAIT_MS : RETRY_WAIT_MS);
    }
    m_dwLastError = error;
    const std::string path = name != nullptr ? std::string(name) : lib::WStringToString(wideName);
    TOLVE_LOG(LOG_ERROR, "CreateFile_Recover( ) - Error ERR:0x%08X PATH:%s ACCESS:%X SHARE:%X",
              static_cast<unsigned>(error), path.c_str(), static_cast<unsigned>(access),
              static_cast<unsigned>(shareMode));
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}
