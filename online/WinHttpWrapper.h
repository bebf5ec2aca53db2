#pragma once
// The one HTTP and HTTPS client of the launcher. Every online job makes one client per
// request: Initialize, Connect, one sender (SendRequest, Upload or UploadMultiPart), then it
// waits on the returned thread handle together with its own cancel event:
//
//     CWinHttpWrapper client;
//     client.Initialize(url, 0, nullptr, true);
//     client.Connect(HTTP_VERB_POST, userAgent, nullptr);
//     HANDLE thread = client.Upload(body, size, "application/x-www-form-urlencoded",
//                                   nullptr, nullptr);
//     ... wait on {thread, cancel event}; on cancel: client.RequestAbort(25000) ...
//     if (client.GetResult() == 0) use GetResponseData(), GetResponseSize();
//
// WinHTTP runs in synchronous mode on the client's own thread, which alone touches the
// client between the sender and its end (or RequestAbort). The client finds the user's proxy
// itself at every Connect (auto-configuration script, else detection by DHCP and DNS, else
// the manual setting), retries a send that timed out, reads the body in chunks of at most
// 102,400 bytes into memory or a file and posts its reading progress to a window.
//
// Results (GetResult): 0; 1235 (ERROR_REQUEST_ABORTED) when RequestAbort stopped it;
// 12002 (ERROR_WINHTTP_TIMEOUT) after three timed-out sends or more than ten empty reads
// in a pass; 0x10000000 | status for an HTTP status outside 200 to 299; otherwise the
// Windows or WinHTTP error of the failing call. Platform calls go through CWinHttpApi
// (online/WinHttpApi.h).

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <cstdint>
#include <string>

enum HTTPVerbType : uint32_t {
    HTTP_VERB_GET = 0,
    HTTP_VERB_POST = 1,
    HTTP_VERB_HEAD = 2,
};

// Where a request goes: the TCP port and whether it speaks TLS.
struct HttpPortChoice {
    INTERNET_PORT wPort;
    bool bSecure;
};

// The status of a reply outside 200 to 299 comes back as this bit | the status.
const uint32_t HTTP_RESULT_STATUS_FLAG = 0x10000000;
// Every read asks for at most this much.
const DWORD HTTP_READ_CHUNK = 102400;

class CWinHttpWrapper {
public:
    // Makes the run event (set); keep-in-memory on; everything else empty.
    CWinHttpWrapper();
    // Closes the handles, frees the bodies, closes the thread handle and the run event. It
    // does not wait for the thread: destroy a client only after its thread ended or
    // RequestAbort returned.
    ~CWinHttpWrapper();
    CWinHttpWrapper(const CWinHttpWrapper&) = delete;
    CWinHttpWrapper& operator=(const CWinHttpWrapper&) = delete;

    // False, changing nothing, while a WinHTTP handle is open (after a terminated thread).
    // Otherwise frees the previous reply and upload body, forgets the previous request's
    // Content-Type and credentials, stores the port (0: the URL's own port and scheme
    // decide), sets the run event, stores the URL when given, and the file path and
    // keep-in-memory when a path is given.
    // Keep-in-memory true: the body is collected in memory and, with a path, written to that
    // file after success. False: each chunk is appended to the file as it arrives.
    bool Initialize(const char* url, uint16_t port, const char* filePath, bool keepInMemory);
    // Applied to the session by the next Connect.
    void SetTimeouts(int32_t resolveMs, int32_t connectMs, int32_t sendMs, int32_t receiveMs);
    // Reading progress: the message with wParam = the pass's amount (the content length when
    // known) and lParam = the chunk's bytes. A null window gets nothing.
    void SetNotifyWindow(HWND window, UINT message);
    // Opens the session, connection and request; a null proxy runs the proxy discovery for
    // this client's URL. False (all handles closed again, the Windows error readable) on
    // failure.
    bool Connect(HTTPVerbType verb, const wchar_t* userAgent, const wchar_t* proxy);

    // The senders start the request thread and return its handle, which stays the client's
    // (wait on it, never close it); null when the three handles are not all open.
    // The user name and password answer the server's authentication when both are given.
    HANDLE SendRequest(const char* userName, const char* password);
    // Sends a copy of the body with "Content-Type:<contentType>" (an empty type adds no
    // header; a null type is refused with error 87).
    HANDLE Upload(const void* body, uint32_t size, const char* contentType, const char* userName,
                  const char* password);
    // Sends the header with the boundary, then writes the body ("Content-Type:<type>;
    // boundary="<boundary>""); a null boundary is refused with error 87.
    HANDLE UploadMultiPart(const void* body, uint32_t size, const char* boundary,
                           const char* contentType);

    // Stops the request: resets the run event, closes the request handle so that a blocked
    // call may return, and waits for the thread up to the time-out; after that the thread is
    // terminated (false). True when no thread ran or it ended in time.
    bool RequestAbort(DWORD timeoutMs);

    uint32_t GetResult() const { return m_uResult; }
    // The reply's bytes, owned by the client until the next Initialize or its end.
    const char* GetResponseData() const { return m_pResponseData; }
    uint32_t GetResponseSize() const { return m_uResponseSize; }

    // Port and TLS of a request. A caller's port of 0 takes the URL's port (the scheme's
    // default when it names none) and TLS with an "https" URL. A caller's other port: 80 and
    // 443 are replaced by the scheme's default, others stay; TLS exactly on port 443.
    static HttpPortChoice ChoosePort(uint16_t callerPort, INTERNET_SCHEME scheme,
                                     INTERNET_PORT urlPort);

private:
    enum ThreadKind { THREAD_REQUEST, THREAD_UPLOAD, THREAD_MULTIPART };

    bool _CopyUploadBody(const void* body, uint32_t size);
    HANDLE _StartThread(ThreadKind kind);
    static unsigned __stdcall _ThreadEntry(void* parameter);
    uint32_t _RequestThread();
    uint32_t _UploadThread();
    uint32_t _UploadThreadMultiPart();
    // Ends a thread's request: closes the handles and stores the result (1235 once the run
    // event was reset).
    uint32_t _Finish(uint32_t result);
    // Sends up to `attempts` times while the send times out; 0 or the error.
    uint32_t _Send(const char* logPrefix, DWORD attempts, LPCWSTR headers, void* optional,
                   DWORD optionalLength, DWORD totalLength);
    LPCWSTR _Headers() const;
    void _SetCredentials();
    uint32_t _GetResponse();
    bool _AppendResponse(const char* data, DWORD size);
    // File mode: appends a chunk to the output file; 0 or the error.
    uint32_t _AppendToFile(const char* data, DWORD size);
    // Memory mode with a path: writes the body to the file anew; 0 or the error.
    uint32_t _WriteResponseFileIfAsked();
    uint32_t _WriteAll(HANDLE file, const char* data, DWORD size);
    void _Notify(WPARAM passAmount, LPARAM chunkBytes);
    void _FlushHeldProgress(bool post);
    bool _IsRunning() const;
    void _FreeResponse();
    void _CloseHandles();
    bool _AnyHandleOpen() const;
    std::wstring _DiscoverProxy() const;
    std::string _UrlText() const;

    std::wstring m_wsUrl;
    uint16_t m_wPort;
    HTTPVerbType m_eVerb;
    std::wstring m_wsHostName;
    std::wstring m_wsUrlPath; // with the query
    INTERNET_SCHEME m_nScheme;
    INTERNET_PORT m_wUrlPort;
    std::wstring m_wsHeader;
    std::wstring m_wsUserName;
    std::wstring m_wsPassword;
    std::wstring m_wsProxy; // this client's, found or given at Connect

    HINTERNET m_hSession;
    HINTERNET m_hConnect;
    std::atomic<HINTERNET> m_hRequest; // taken by whoever closes it first
    HANDLE m_hRunEvent;                // set: the request may run; reset: stop it
    HANDLE m_hThread;
    ThreadKind m_eThreadKind;

    char* m_pResponseData;
    uint32_t m_uResponseSize;
    size_t m_uResponseCapacity;
    bool m_bKeepInMemory;
    char* m_pUploadData;
    uint32_t m_uUploadSize;
    std::string m_sOutputFilePath;
    uint32_t m_uResult;

    HWND m_hNotifyWnd;
    UINT m_uNotifyMessage;
    // Memory mode with a file: each progress message waits for the next chunk, the last for
    // the file, so that no window is told of bytes not yet in the file.
    bool m_bProgressHeld;
    WPARAM m_wpHeldAmount;
    LPARAM m_lpHeldChunk;

    bool m_bTimeoutsSet;
    int32_t m_iResolveTimeout;
    int32_t m_iConnectTimeout;
    int32_t m_iSendTimeout;
    int32_t m_iReceiveTimeout;
};
