#pragma once
// What the HTTP client's tests share: running one request to its end, and scripted platform
// calls (online/WinHttpApi.h) for what a real server cannot be made to do on demand.

#include "online/WinHttpApi.h"
#include "online/WinHttpWrapper.h"

#include <gtest/gtest.h>
#include <shlwapi.h>
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

namespace httptest {

const wchar_t kAgent[] = L"KestrumTest/1.0";

// What a request came to.
struct Outcome {
    bool bStarted = false; // the sender gave a thread
    bool bEnded = false;   // the thread ended within the wait
    uint32_t uResult = 0xFFFFFFFF;
    std::string sBody;  // the reply in memory
    uint32_t uSize = 0; // GetResponseSize
    DWORD dwMs = 0;     // from the sender to the thread's end
};

// Waits for a started thread (bounded) and reads the client's outcome.
inline Outcome Finish(CWinHttpWrapper& client, HANDLE thread, DWORD startTick, DWORD waitMs = 20000)
{
    Outcome outcome;
    outcome.bStarted = thread != nullptr;
    if (thread == nullptr) return outcome;
    outcome.bEnded = WaitForSingleObject(thread, waitMs) == WAIT_OBJECT_0;
    outcome.dwMs = GetTickCount() - startTick;
    if (!outcome.bEnded) {
        client.RequestAbort(1000);
        return outcome;
    }
    outcome.uResult = client.GetResult();
    outcome.uSize = client.GetResponseSize();
    if (client.GetResponseData() != nullptr) {
        outcome.sBody.assign(client.GetResponseData(), client.GetResponseSize());
    }
    return outcome;
}

// The progress message of the tests' notify windows.
const UINT kProgress = WM_APP + 3;

// One request with SendRequest, body in memory, the proxy found as the product finds it;
// with a window, its reading progress goes there as kProgress.
inline Outcome Get(const std::string& url, HTTPVerbType verb = HTTP_VERB_GET,
                   const char* user = nullptr, const char* password = nullptr,
                   HWND notifyWindow = nullptr)
{
    CWinHttpWrapper client;
    client.SetNotifyWindow(notifyWindow, kProgress);
    EXPECT_TRUE(client.Initialize(url.c_str(), 0, nullptr, true));
    if (!client.Connect(verb, kAgent, nullptr)) {
        ADD_FAILURE() << "Connect failed: " << GetLastError() << " " << url;
        return Outcome();
    }
    const DWORD start = GetTickCount();
    return Finish(client, client.SendRequest(user, password), start);
}

// Platform calls that a test scripts; every call not scripted is the real one. Installed
// while the object lives.
class CScriptedApi : public CWinHttpApi {
public:
    CScriptedApi() { CWinHttpApi::Use(this); }
    ~CScriptedApi() override { CWinHttpApi::Use(nullptr); }

    // The n-th call fails with the n-th error; 0 and calls past the list are real.
    std::vector<DWORD> vSendErrors;
    std::vector<DWORD> vWriteErrors;
    // The n-th read: 'E' returns no bytes, 'F' fails with 12030, 'R' (and reads past the
    // script) reads; with bFullReads a read fills all it asks for unless the body ends.
    std::string sReads;
    bool bFullReads = false;
    DWORD dwQueryError = 0;       // every data query fails with it
    DWORD dwFileError = 0;        // every file write fails with it
    bool bShortFileWrite = false; // every file write writes half and succeeds
    DWORD dwFileWriteDelayMs = 0;
    std::string sSettingsKey; // the proxy settings' key; empty: the real one

    std::atomic<int> iSends{0}, iWrites{0}, iReads{0}, iFileWrites{0};

    BOOL SendRequest(HINTERNET request, LPCWSTR headers, DWORD headersLength, LPVOID optional,
                     DWORD optionalLength, DWORD totalLength) override
    {
        const size_t n = static_cast<size_t>(iSends++);
        if (n < vSendErrors.size() && vSendErrors[n] != 0) return _Fail(vSendErrors[n]);
        return CWinHttpApi::SendRequest(request, headers, headersLength, optional, optionalLength,
                                        totalLength);
    }
    BOOL WriteData(HINTERNET request, LPCVOID buffer, DWORD size, LPDWORD written) override
    {
        const size_t n = static_cast<size_t>(iWrites++);
        if (n < vWriteErrors.size() && vWriteErrors[n] != 0) return _Fail(vWriteErrors[n]);
        return CWinHttpApi::WriteData(request, buffer, size, written);
    }
    BOOL QueryDataAvailable(HINTERNET request, LPDWORD available) override
    {
        if (dwQueryError != 0) return _Fail(dwQueryError);
        return CWinHttpApi::QueryDataAvailable(request, available);
    }
    BOOL ReadData(HINTERNET request, LPVOID buffer, DWORD size, LPDWORD read) override
    {
        const size_t n = static_cast<size_t>(iReads++);
        const char step = n < sReads.size() ? sReads[n] : 'R';
        *read = 0;
        if (step == 'E') return TRUE;
        if (step == 'F') return _Fail(ERROR_WINHTTP_CONNECTION_ERROR);
        if (!bFullReads) return CWinHttpApi::ReadData(request, buffer, size, read);
        while (*read < size) {
            DWORD got = 0;
            if (!CWinHttpApi::ReadData(request, static_cast<char*>(buffer) + *read, size - *read,
                                       &got)) {
                return FALSE;
            }
            if (got == 0) break;
            *read += got;
        }
        return TRUE;
    }
    BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written) override
    {
        ++iFileWrites;
        if (dwFileWriteDelayMs != 0) Sleep(dwFileWriteDelayMs);
        if (dwFileError != 0) return _Fail(dwFileError);
        if (bShortFileWrite) {
            // A short write sets no error: the last error is whatever it was.
            SetLastError(0);
            return CWinHttpApi::WriteFile(file, buffer, size / 2, written);
        }
        return CWinHttpApi::WriteFile(file, buffer, size, written);
    }
    const char* InternetSettingsKey() override
    {
        return sSettingsKey.empty() ? CWinHttpApi::InternetSettingsKey() : sSettingsKey.c_str();
    }

private:
    static BOOL _Fail(DWORD error)
    {
        SetLastError(error);
        return FALSE;
    }
};

} // namespace httptest
