#include "online/WinHttpApi.h"

#include <atomic>

namespace {

CWinHttpApi g_realApi;
std::atomic<CWinHttpApi*> g_pApi{&g_realApi};

} // namespace

BOOL CWinHttpApi::SendRequest(HINTERNET request, LPCWSTR headers, DWORD headersLength,
                              LPVOID optional, DWORD optionalLength, DWORD totalLength)
{
    return WinHttpSendRequest(request, headers, headersLength, optional, optionalLength,
                              totalLength, 0);
}

BOOL CWinHttpApi::WriteData(HINTERNET request, LPCVOID buffer, DWORD bytesToWrite,
                            LPDWORD bytesWritten)
{
    return WinHttpWriteData(request, buffer, bytesToWrite, bytesWritten);
}

BOOL CWinHttpApi::QueryDataAvailable(HINTERNET request, LPDWORD bytesAvailable)
{
    return WinHttpQueryDataAvailable(request, bytesAvailable);
}

BOOL CWinHttpApi::ReadData(HINTERNET request, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead)
{
    return WinHttpReadData(request, buffer, bytesToRead, bytesRead);
}

BOOL CWinHttpApi::WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten)
{
    return ::WriteFile(file, buffer, bytesToWrite, bytesWritten, nullptr);
}

const char* CWinHttpApi::InternetSettingsKey()
{
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
}

CWinHttpApi& CWinHttpApi::Current() { return *g_pApi.load(); }

void CWinHttpApi::Use(CWinHttpApi* api) { g_pApi.store(api != nullptr ? api : &g_realApi); }
