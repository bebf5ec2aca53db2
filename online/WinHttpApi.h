#pragma once
// The platform calls of the HTTP client (online/WinHttpWrapper.h) that a test cannot make
// fail on demand against a real server, and the registry key it reads the user's proxy
// settings from. The client makes them through the current CWinHttpApi; the default object
// makes the real calls and names the real key. Tests derive from it, override what they
// script, and install it with Use before any client runs:
//   - send and write time-outs, empty reads and failed data queries (WinHTTP);
//   - short and failed writes of the output file;
//   - a private key instead of HKCU's "Internet Settings", so that a test of the proxy
//     discovery never changes what other tests running beside it read.

#include <windows.h>
#include <winhttp.h>

class CWinHttpApi {
public:
    virtual ~CWinHttpApi() = default;

    virtual BOOL SendRequest(HINTERNET request, LPCWSTR headers, DWORD headersLength,
                             LPVOID optional, DWORD optionalLength, DWORD totalLength);
    virtual BOOL WriteData(HINTERNET request, LPCVOID buffer, DWORD bytesToWrite,
                           LPDWORD bytesWritten);
    virtual BOOL QueryDataAvailable(HINTERNET request, LPDWORD bytesAvailable);
    virtual BOOL ReadData(HINTERNET request, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead);
    virtual BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten);
    // The key below HKEY_CURRENT_USER that holds "AutoConfigURL", "ProxyEnable" and
    // "ProxyServer".
    virtual const char* InternetSettingsKey();

    // The calls in use.
    static CWinHttpApi& Current();
    // Installs the calls (null: the real ones again). The object must outlive every client
    // that runs while it is installed.
    static void Use(CWinHttpApi* api);
};
