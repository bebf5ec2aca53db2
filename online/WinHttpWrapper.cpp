#include "online/WinHttpWrapper.h"

#include "lib/Handle.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "online/WinHttpApi.h"

#include <process.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

const wchar_t* const kVerbTexts[] = {L"GET", L"POST", L"HEAD"};
const DWORD kSendAttempts = 3;
const int kMaxEmptyReads = 10;
const DWORD kEmptyReadPauseMs = 100;
const DWORD kBodyEndPauseMs = 50;
// Certificate errors that requests over TLS ignore: unknown authority (0x100), wrong usage
// (0x200), name mismatch (0x1000), invalid date (0x2000).
const DWORD kIgnoredCertificateErrors = 0x3300;
const size_t kMaxHostLength = 511;
const char kMultiPartPrefix[] = "CWinHttpWrapper::_UploadThreadMultiPart - ";

unsigned Hex32(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

// A registry key opened for reading, closed on every way out.
class CRegistryKey {
public:
    CRegistryKey(HKEY root, const char* path)
        : m_lOpenError(RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &m_hKey))
    {
    }
    ~CRegistryKey()
    {
        if (m_lOpenError == ERROR_SUCCESS) RegCloseKey(m_hKey);
    }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    bool IsOpen() const { return m_lOpenError == ERROR_SUCCESS; }
    // A text of at most 1024 bytes; 0 or the error.
    LONG ReadText(const char* name, std::string& text) const
    {
        if (!IsOpen()) return m_lOpenError;
        char buffer[1024] = {};
        DWORD size = sizeof buffer;
        const LONG error = RegQueryValueExA(m_hKey, name, nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(buffer), &size);
        if (error == ERROR_SUCCESS) text.assign(buffer, strnlen(buffer, size));
        return error;
    }
    LONG ReadDword(const char* name, DWORD& value) const
    {
        if (!IsOpen()) return m_lOpenError;
        DWORD size = sizeof value;
        return RegQueryValueExA(m_hKey, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                                &size);
    }

private:
    HKEY m_hKey = nullptr;
    LONG m_lOpenError;
};

// The value of a reply header read as text; false when it is absent (or cannot be asked
// for), error 0. A header that is there but cannot be read: false with its error.
bool QueryHeaderText(HINTERNET request, DWORD info, std::wstring& text, DWORD& error)
{
    error = 0;
    DWORD size = 0;
    if (WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                            &size, WINHTTP_NO_HEADER_INDEX) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return false;
    }
    std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (!WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, &buffer[0], &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        error = GetLastError();
        return false;
    }
    buffer.resize(size / sizeof(wchar_t));
    text = buffer;
    return true;
}

} // namespace

CWinHttpWrapper::CWinHttpWrapper()
    : m_wPort(0)
    , m_eVerb(HTTP_VERB_GET)
    , m_nScheme(0)
    , m_wUrlPort(0)
    , m_hSession(nullptr)
    , m_hConnect(nullptr)
    , m_hRequest(nullptr)
    // One unnamed event per client: an abort of one client never stops or re-arms another.
    , m_hRunEvent(CreateEventA(nullptr, TRUE, TRUE, nullptr))
    , m_hThread(nullptr)
    , m_eThreadKind(THREAD_REQUEST)
    , m_pResponseData(nullptr)
    , m_uResponseSize(0)
    , m_uResponseCapacity(0)
    , m_bKeepInMemory(true)
    , m_pUploadData(nullptr)
    , m_uUploadSize(0)
    , m_uResult(0)
    , m_hNotifyWnd(nullptr)
    , m_uNotifyMessage(0)
    , m_bProgressHeld(false)
    , m_wpHeldAmount(0)
    , m_lpHeldChunk(0)
    , m_bTimeoutsSet(false)
    , m_iResolveTimeout(0)
    , m_iConnectTimeout(0)
    , m_iSendTimeout(0)
    , m_iReceiveTimeout(0)
{
}

CWinHttpWrapper::~CWinHttpWrapper()
{
    _CloseHandles();
    _FreeResponse();
    std::free(m_pUploadData);
    if (m_hThread != nullptr) CloseHandle(m_hThread);
    if (m_hRunEvent != nullptr) CloseHandle(m_hRunEvent);
}

bool CWinHttpWrapper::_AnyHandleOpen() const
{
    return m_hSession != nullptr || m_hConnect != nullptr || m_hRequest.load() != nullptr;
}

void CWinHttpWrapper::_CloseHandles()
{
    // The request handle may be closed by RequestAbort on another thread: whoever takes it
    // first closes it, once.
    HINTERNET request = m_hRequest.exchange(nullptr);
    if (request != nullptr) WinHttpCloseHandle(request);
    if (m_hConnect != nullptr) WinHttpCloseHandle(m_hConnect);
    if (m_hSession != nullptr) WinHttpCloseHandle(m_hSession);
    m_hConnect = nullptr;
    m_hSession = nullptr;
}

void CWinHttpWrapper::_FreeResponse()
{
    std::free(m_pResponseData);
    m_pResponseData = nullptr;
    m_uResponseSize = 0;
    m_uResponseCapacity = 0;
}

bool CWinHttpWrapper::_IsRunning() const
{
    return m_hRunEvent != nullptr && WaitForSingleObject(m_hRunEvent, 0) == WAIT_OBJECT_0;
}

std::string CWinHttpWrapper::_UrlText() const { return lib::WStringToString(m_wsUrl); }

bool CWinHttpWrapper::Initialize(const char* url, uint16_t port, const char* filePath,
                                 bool keepInMemory)
{
    if (_AnyHandleOpen()) {
        SetLastError(ERROR_BUSY);
        return false;
    }
    if (m_hThread != nullptr) {
        // The previous request's thread closed its handles and is on its way out.
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
    _FreeResponse();
    std::free(m_pUploadData);
    m_pUploadData = nullptr;
    m_uUploadSize = 0;
    // A new request carries nothing of the last one: no Content-Type of another body, and
    // no credentials that another server could be sent.
    m_wsHeader.clear();
    SecureZeroMemory(&m_wsPassword[0], m_wsPassword.size() * sizeof(wchar_t));
    m_wsPassword.clear();
    m_wsUserName.clear();
    m_wPort = port;
    if (m_hRunEvent != nullptr) SetEvent(m_hRunEvent);
    if (url != nullptr) m_wsUrl = lib::StringToWString(url);
    if (filePath != nullptr) {
        m_sOutputFilePath = filePath;
        m_bKeepInMemory = keepInMemory;
    }
    m_wsHostName.clear();
    m_wsUrlPath.clear();
    m_nScheme = 0;
    m_wUrlPort = 0;
    return true;
}

void CWinHttpWrapper::SetTimeouts(int32_t resolveMs, int32_t connectMs, int32_t sendMs,
                                  int32_t receiveMs)
{
    m_iResolveTimeout = resolveMs;
    m_iConnectTimeout = connectMs;
    m_iSendTimeout = sendMs;
    m_iReceiveTimeout = receiveMs;
    m_bTimeoutsSet = true;
}

void CWinHttpWrapper::SetNotifyWindow(HWND window, UINT message)
{
    m_hNotifyWnd = window;
    m_uNotifyMessage = message;
}

HttpPortChoice CWinHttpWrapper::ChoosePort(uint16_t callerPort, INTERNET_SCHEME scheme,
                                           INTERNET_PORT urlPort)
{
    // The URL's own port and scheme: a server moved to another port is still found, and
    // a password never goes in clear to a TLS port, nor TLS to a plain one.
    if (callerPort == 0) return {urlPort, scheme == INTERNET_SCHEME_HTTPS};
    INTERNET_PORT port = callerPort;
    if (callerPort == INTERNET_DEFAULT_HTTP_PORT || callerPort == INTERNET_DEFAULT_HTTPS_PORT) {
        port = scheme == INTERNET_SCHEME_HTTPS  ? INTERNET_DEFAULT_HTTPS_PORT
               : scheme == INTERNET_SCHEME_HTTP ? INTERNET_DEFAULT_HTTP_PORT
                                                : 0;
    }
    return {port, port == INTERNET_DEFAULT_HTTPS_PORT};
}

bool CWinHttpWrapper::Connect(HTTPVerbType verb, const wchar_t* userAgent, const wchar_t* proxy)
{
    if (static_cast<uint32_t>(verb) >= 3) {
        TOLVE_LOG(LOG_ERROR, "HTTPVerb指定が不正 HTTPVerbType:%d", static_cast<int>(verb));
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    m_eVerb = verb;
    if (m_wsUrl.empty()) {
        TOLVE_LOG(LOG_ERROR, "%s", "接続先URLが未設定");
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (_AnyHandleOpen()) {
        SetLastError(ERROR_BUSY);
        return false;
    }
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    BOOL cracked = WinHttpCrackUrl(m_wsUrl.c_str(), static_cast<DWORD>(m_wsUrl.size()), 0, &parts);
    if (cracked && parts.dwHostNameLength > kMaxHostLength) {
        cracked = FALSE;
        SetLastError(ERROR_WINHTTP_INVALID_URL);
    }
    if (!cracked) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "接続先URL解析に失敗[ERR:0x%08X]", static_cast<unsigned>(error));
        SetLastError(error);
        return false;
    }
    m_wsHostName.assign(parts.lpszHostName, parts.dwHostNameLength);
    // The path runs on to the end of the URL, so it carries the query.
    m_wsUrlPath = parts.lpszUrlPath != nullptr ? std::wstring(parts.lpszUrlPath) : std::wstring();
    m_nScheme = parts.nScheme;
    m_wUrlPort = parts.nPort;

    // Found for this client alone: jobs connecting at once never read each other's proxy.
    m_wsProxy = proxy != nullptr ? std::wstring(proxy) : _DiscoverProxy();

    DWORD error = 0;
    if (m_wsProxy.empty()) {
        TOLVE_LOG(LOG_DEBUG, "%s", "WinHttpOpen WINHTTP_NO_PROXY_NAME");
        m_hSession = WinHttpOpen(userAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                 WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    } else {
        TOLVE_LOG(LOG_DEBUG, "WinHttpOpen Proxy:%s", lib::WStringToString(m_wsProxy).c_str());
        m_hSession = WinHttpOpen(userAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, m_wsProxy.c_str(),
                                 WINHTTP_NO_PROXY_BYPASS, 0);
    }
    if (m_hSession == nullptr) {
        error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "WinHttpOpen失敗[ERR:0x%08X]", static_cast<unsigned>(error));
    } else if (m_bTimeoutsSet &&
               !WinHttpSetTimeouts(m_hSession, m_iResolveTimeout, m_iConnectTimeout, m_iSendTimeout,
                                   m_iReceiveTimeout)) {
        error = GetLastError();
    }
    const HttpPortChoice choice = ChoosePort(m_wPort, m_nScheme, m_wUrlPort);
    if (error == 0) {
        m_hConnect = WinHttpConnect(m_hSession, m_wsHostName.c_str(), choice.wPort, 0);
        if (m_hConnect == nullptr) {
            error = GetLastError();
            TOLVE_LOG(LOG_ERROR, "WinHttpConnect失敗[ERR:0x%08X]", static_cast<unsigned>(error));
        }
    }
    if (error == 0) {
        LPCWSTR acceptTypes[] = {L"*/*", nullptr};
        const DWORD flags =
            WINHTTP_FLAG_BYPASS_PROXY_CACHE | (choice.bSecure ? WINHTTP_FLAG_SECURE : 0);
        HINTERNET request = WinHttpOpenRequest(m_hConnect, kVerbTexts[m_eVerb],
                                               m_wsUrlPath.empty() ? nullptr : m_wsUrlPath.c_str(),
                                               nullptr, WINHTTP_NO_REFERER, acceptTypes, flags);
        if (request == nullptr) {
            error = GetLastError();
            TOLVE_LOG(LOG_ERROR, "WinHttpOpenRequest失敗[ERR:0x%08X]",
                      static_cast<unsigned>(error));
        }
        m_hRequest.store(request);
    }
    if (error == 0 && choice.bSecure) {
        DWORD securityFlags = kIgnoredCertificateErrors;
        if (!WinHttpSetOption(m_hRequest.load(), WINHTTP_OPTION_SECURITY_FLAGS, &securityFlags,
                              sizeof securityFlags)) {
            error = GetLastError();
        }
    }
    if (error != 0) {
        _CloseHandles();
        SetLastError(error);
        return false;
    }
    return true;
}

std::wstring CWinHttpWrapper::_DiscoverProxy() const
{
    std::wstring proxy;
    HINTERNET session = WinHttpOpen(L"WinHTTP AutoProxy Get/1.0", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (session == nullptr) return proxy;
    const CRegistryKey settings(HKEY_CURRENT_USER, CWinHttpApi::Current().InternetSettingsKey());

    std::string configUrl;
    if (settings.IsOpen()) {
        if (settings.ReadText("AutoConfigURL", configUrl) == ERROR_SUCCESS && !configUrl.empty()) {
            TOLVE_LOG(LOG_DEBUG, "AutoConfigURL取得[SVR:%s]", configUrl.c_str());
        } else {
            configUrl.clear();
            TOLVE_LOG(LOG_DEBUG, "%s", "AutoConfigURL設定無し");
        }
    }
    const std::wstring wideConfigUrl = lib::StringToWString(configUrl);
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    if (!wideConfigUrl.empty()) {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = wideConfigUrl.c_str();
    } else {
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info = {};
    if (WinHttpGetProxyForUrl(session, m_wsUrl.c_str(), &options, &info)) {
        if (info.dwAccessType == WINHTTP_ACCESS_TYPE_DEFAULT_PROXY) {
            TOLVE_LOG(LOG_DEBUG, "%s",
                      "WinHttpGetProxyForUrl() : WINHTTP_ACCESS_TYPE_DEFAULT_PROXY\n");
        } else if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NO_PROXY) {
            TOLVE_LOG(LOG_DEBUG, "%s", "WinHttpGetProxyForUrl() : WINHTTP_ACCESS_TYPE_NO_PROXY");
        } else if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY) {
            TOLVE_LOG(LOG_DEBUG, "%s", "WinHttpGetProxyForUrl() : WINHTTP_ACCESS_TYPE_NAMED_PROXY");
        }
        if (info.lpszProxy != nullptr) {
            proxy = info.lpszProxy;
            TOLVE_LOG(LOG_DEBUG, "WinHttpGetProxyForUrl() : %s",
                      lib::WStringToString(proxy).c_str());
        }
        if (info.lpszProxy != nullptr) GlobalFree(info.lpszProxy);
        if (info.lpszProxyBypass != nullptr) GlobalFree(info.lpszProxyBypass);
    } else {
        TOLVE_LOG(LOG_DEBUG, "WinHttpGetProxyForUrl()失敗[ERR:%d]",
                  static_cast<int>(GetLastError()));
    }
    WinHttpCloseHandle(session);
    if (!proxy.empty()) return proxy;

    // The manual setting of the same key.
    DWORD enabled = 0;
    LONG error = settings.ReadDword("ProxyEnable", enabled);
    if (error != ERROR_SUCCESS) {
        TOLVE_LOG(LOG_ERROR, "プロキシ設定取得失敗[ERR:0x%08X]", static_cast<unsigned>(error));
        return proxy;
    }
    if (enabled == 0) {
        TOLVE_LOG(LOG_DEBUG, "%s", "プロキシ設定無し");
        return proxy;
    }
    std::string server;
    error = settings.ReadText("ProxyServer", server);
    if (error != ERROR_SUCCESS) {
        TOLVE_LOG(LOG_ERROR, "プロキシサーバ取得失敗[ERR:0x%08X]", static_cast<unsigned>(error));
        return proxy;
    }
    TOLVE_LOG(LOG_DEBUG, "プロキシサーバ取得[SVR:%s]", server.c_str());
    return lib::StringToWString(server);
}

HANDLE CWinHttpWrapper::SendRequest(const char* userName, const char* password)
{
    if (m_hSession == nullptr || m_hConnect == nullptr || m_hRequest.load() == nullptr)
        return nullptr;
    if (m_hRunEvent != nullptr) SetEvent(m_hRunEvent);
    if (userName != nullptr && password != nullptr) {
        m_wsUserName = lib::StringToWString(userName);
        m_wsPassword = lib::StringToWString(password);
    }
    return _StartThread(THREAD_REQUEST);
}

HANDLE CWinHttpWrapper::Upload(const void* body, uint32_t size, const char* contentType,
                               const char* userName, const char* password)
{
    if (m_hSession == nullptr || m_hConnect == nullptr || m_hRequest.load() == nullptr)
        return nullptr;
    if (m_hRunEvent != nullptr) SetEvent(m_hRunEvent);
    if (contentType == nullptr) {
        TOLVE_LOG(LOG_ERROR, "アップロード要求時のパラメータ不正 0x%08X, 0x%08X, 0x%08X, 0x%08X, ",
                  Hex32(body), static_cast<unsigned>(size), 0u, 0u);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (*contentType != '\0') m_wsHeader = L"Content-Type:" + lib::StringToWString(contentType);
    if (userName != nullptr && password != nullptr) {
        m_wsUserName = lib::StringToWString(userName);
        m_wsPassword = lib::StringToWString(password);
    }
    if (!_CopyUploadBody(body, size)) return nullptr;
    return _StartThread(THREAD_UPLOAD);
}

HANDLE CWinHttpWrapper::UploadMultiPart(const void* body, uint32_t size, const char* boundary,
                                        const char* contentType)
{
    if (m_hSession == nullptr || m_hConnect == nullptr || m_hRequest.load() == nullptr)
        return nullptr;
    if (m_hRunEvent != nullptr) SetEvent(m_hRunEvent);
    if (boundary == nullptr) {
        TOLVE_LOG(LOG_ERROR,
                  "アップロード要求時のパラメータ不正 バウンダリー未指定 0x%08X, 0x%08X, ",
                  Hex32(body), static_cast<unsigned>(size));
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (contentType != nullptr && *contentType != '\0') {
        m_wsHeader = L"Content-Type:" + lib::StringToWString(contentType) + L"; boundary=\"" +
                     lib::StringToWString(boundary) + L"\"";
    }
    if (!_CopyUploadBody(body, size)) return nullptr;
    return _StartThread(THREAD_MULTIPART);
}

bool CWinHttpWrapper::_CopyUploadBody(const void* body, uint32_t size)
{
    std::free(m_pUploadData);
    m_uUploadSize = 0;
    // The caller may free its buffer at once; a missing body goes as zero bytes of its size.
    m_pUploadData = static_cast<char*>(std::calloc(size != 0 ? size : 1, 1));
    if (m_pUploadData == nullptr) {
        TOLVE_LOG(LOG_ERROR, "領域確保失敗[ERR:0x%08X]",
                  static_cast<unsigned>(ERROR_NOT_ENOUGH_MEMORY));
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    if (body != nullptr && size != 0) std::memcpy(m_pUploadData, body, size);
    m_uUploadSize = size;
    return true;
}

HANDLE CWinHttpWrapper::_StartThread(ThreadKind kind)
{
    if (m_hThread != nullptr) {
        // One request at a time: a second sender while the thread runs is refused.
        if (WaitForSingleObject(m_hThread, 0) == WAIT_TIMEOUT) {
            SetLastError(ERROR_BUSY);
            return nullptr;
        }
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
    m_eThreadKind = kind;
    m_bProgressHeld = false;
    m_hThread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &CWinHttpWrapper::_ThreadEntry, this, 0, nullptr));
    return m_hThread;
}

unsigned __stdcall CWinHttpWrapper::_ThreadEntry(void* parameter)
{
    auto* self = static_cast<CWinHttpWrapper*>(parameter);
    switch (self->m_eThreadKind) {
    case THREAD_UPLOAD:
        return self->_UploadThread();
    case THREAD_MULTIPART:
        return self->_UploadThreadMultiPart();
    default:
        return self->_RequestThread();
    }
}

uint32_t CWinHttpWrapper::_Finish(uint32_t result)
{
    // Once the run event was reset the request was stopped, whatever its last call said
    // (a call cut short by the closed request handle fails with 12017 or 6).
    if (!_IsRunning()) result = ERROR_REQUEST_ABORTED;
    _CloseHandles();
    m_uResult = result;
    return result;
}

void CWinHttpWrapper::_SetCredentials()
{
    if (m_wsUserName.empty() || m_wsPassword.empty()) return;
    HINTERNET request = m_hRequest.load();
    WinHttpSetOption(request, WINHTTP_OPTION_USERNAME, &m_wsUserName[0],
                     static_cast<DWORD>(m_wsUserName.size()));
    WinHttpSetOption(request, WINHTTP_OPTION_PASSWORD, &m_wsPassword[0],
                     static_cast<DWORD>(m_wsPassword.size()));
}

uint32_t CWinHttpWrapper::_Send(const char* logPrefix, DWORD attempts, LPCWSTR headers,
                                void* optional, DWORD optionalLength, DWORD totalLength)
{
    for (DWORD attempt = 0;; ++attempt) {
        if (CWinHttpApi::Current().SendRequest(
                m_hRequest.load(), headers,
                headers != WINHTTP_NO_ADDITIONAL_HEADERS ? static_cast<DWORD>(-1) : 0, optional,
                optionalLength, totalLength)) {
            return 0;
        }
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "%sWinHttpSendRequest失敗[ERR:0x%08X] %s", logPrefix,
                  static_cast<unsigned>(error), _UrlText().c_str());
        if (error != ERROR_WINHTTP_TIMEOUT || attempt + 1 >= attempts) return error;
        TOLVE_LOG(LOG_INFO, "%sWinHttpSendRequestリトライ[%d]", logPrefix,
                  static_cast<int>(attempt));
    }
}

LPCWSTR CWinHttpWrapper::_Headers() const
{
    return m_wsHeader.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : m_wsHeader.c_str();
}

uint32_t CWinHttpWrapper::_RequestThread()
{
    if (!_IsRunning()) return _Finish(ERROR_REQUEST_ABORTED);
    _SetCredentials();
    uint32_t result =
        _Send("", kSendAttempts, WINHTTP_NO_ADDITIONAL_HEADERS, WINHTTP_NO_REQUEST_DATA, 0, 0);
    if (result == 0) result = _GetResponse();
    if (result == 0) result = _WriteResponseFileIfAsked();
    return _Finish(result);
}

uint32_t CWinHttpWrapper::_UploadThread()
{
    _SetCredentials();
    uint32_t result = _Send("", 1, _Headers(), m_pUploadData, m_uUploadSize, m_uUploadSize);
    if (result == 0) {
        result = _GetResponse();
        if (result != 0) {
            TOLVE_LOG(LOG_DEBUG, "_GetResponse 終了 終了コード%d.", static_cast<int>(result));
        } else {
            result = _WriteResponseFileIfAsked();
        }
    }
    result = _Finish(result);
    if (result != 0) {
        TOLVE_LOG(LOG_DEBUG, "_UploadThread 終了 終了コード:%d.", static_cast<int>(result));
    }
    return result;
}

uint32_t CWinHttpWrapper::_UploadThreadMultiPart()
{
    TOLVE_LOG(LOG_INFO, "%s_UploadThread 開始.", kMultiPartPrefix);
    uint32_t result = _Send(kMultiPartPrefix, kSendAttempts, _Headers(), WINHTTP_NO_REQUEST_DATA, 0,
                            m_uUploadSize);
    // One write of the whole body, never repeated: a write that failed part-way would send
    // its bytes twice.
    DWORD offset = 0;
    while (result == 0 && offset < m_uUploadSize) {
        DWORD written = 0;
        if (!CWinHttpApi::Current().WriteData(m_hRequest.load(), m_pUploadData + offset,
                                              m_uUploadSize - offset, &written)) {
            result = GetLastError();
        } else if (written == 0) {
            result = ERROR_WRITE_FAULT;
        }
        if (result != 0) {
            TOLVE_LOG(LOG_ERROR, "%sWinHttpWriteData失敗[ERR:0x%08X] %s", kMultiPartPrefix,
                      static_cast<unsigned>(result), _UrlText().c_str());
        }
        offset += written;
    }
    if (result == 0) {
        result = _GetResponse();
        if (result != 0) {
            TOLVE_LOG(LOG_DEBUG, "%s_GetResponse 終了 終了コード%d.", kMultiPartPrefix,
                      static_cast<int>(result));
        } else {
            result = _WriteResponseFileIfAsked();
        }
    }
    result = _Finish(result);
    TOLVE_LOG(LOG_INFO, "%s_UploadThread 終了 終了コード:%d.", kMultiPartPrefix,
              static_cast<int>(result));
    return result;
}

uint32_t CWinHttpWrapper::_GetResponse()
{
    if (!_IsRunning()) return ERROR_REQUEST_ABORTED;
    HINTERNET request = m_hRequest.load();
    if (!WinHttpReceiveResponse(request, nullptr)) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "WinHttpReceiveResponse失敗[ERR:0x%08X] %s",
                  static_cast<unsigned>(error), _UrlText().c_str());
        return error;
    }
    if (!_IsRunning()) return ERROR_REQUEST_ABORTED;

    DWORD status = 0;
    int64_t contentLength = -1; // unknown
    std::wstring text;
    DWORD error = 0;
    if (QueryHeaderText(request, WINHTTP_QUERY_STATUS_CODE, text, error)) {
        status = std::wcstoul(text.c_str(), nullptr, 10);
    } else if (error != 0) {
        return error;
    }
    if (QueryHeaderText(request, WINHTTP_QUERY_CONTENT_LENGTH, text, error)) {
        wchar_t* end = nullptr;
        const long long length = std::wcstoll(text.c_str(), &end, 10);
        // A length this client cannot count is read as unknown: to the end of the body.
        if (end != text.c_str() && length >= 0 && length <= 0xFFFFFFFFLL) contentLength = length;
        TOLVE_LOG(LOG_DEBUG, "WINHTTP_QUERY_CONTENT_LENGTH %dBYTE",
                  static_cast<int>(contentLength));
    } else if (error != 0) {
        TOLVE_LOG(LOG_ERROR, "WINHTTP_QUERY_CONTENT_LENGTH 失敗 0x%08X",
                  static_cast<unsigned>(error));
        return error;
    }
    if (status < 200 || status > 299) {
        TOLVE_LOG(LOG_ERROR, "WinHttpQueryHeaders HTTPSTATUSエラー:%d  %s",
                  static_cast<int>(status), _UrlText().c_str());
        return HTTP_RESULT_STATUS_FLAG | status;
    }

    // The reply to HEAD has no body, whatever length it announces for the GET reply.
    if (m_eVerb == HTTP_VERB_HEAD) contentLength = 0;
    TOLVE_LOG(LOG_DEBUG, "実ファイルダウンロード開始 %s", _UrlText().c_str());
    lib::CMallocBuffer chunk(static_cast<char*>(std::calloc(HTTP_READ_CHUNK, 1)));
    if (!chunk) {
        TOLVE_LOG(LOG_ERROR, "領域確保失敗[ERR:0x%08X]",
                  static_cast<unsigned>(ERROR_NOT_ENOUGH_MEMORY));
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    _FreeResponse();
    uint32_t received = 0;
    uint32_t result = 0;
    // Failures that drop what came so far.
    auto dropped = [this](uint32_t code) {
        _FreeResponse();
        return code;
    };
    for (;;) {
        DWORD passAmount = 0;
        if (contentLength >= 0) {
            passAmount = static_cast<DWORD>(contentLength);
        } else if (!CWinHttpApi::Current().QueryDataAvailable(request, &passAmount)) {
            error = GetLastError();
            TOLVE_LOG(LOG_ERROR, "WinHttpQueryDataAvailable失敗[ERR:0x%08X]",
                      static_cast<unsigned>(error));
            return dropped(error);
        }
        if (!_IsRunning()) return dropped(ERROR_REQUEST_ABORTED);
        if (contentLength < 0 && passAmount == 0) {
            Sleep(kBodyEndPauseMs);
            break;
        }
        DWORD passRead = 0;
        int emptyReads = 0;
        while (result == 0 && passRead < passAmount) {
            if (!_IsRunning()) return dropped(ERROR_REQUEST_ABORTED);
            const DWORD wanted = std::min(HTTP_READ_CHUNK, passAmount - passRead);
            DWORD got = 0;
            if (!CWinHttpApi::Current().ReadData(request, chunk.get(), wanted, &got)) {
                result = GetLastError();
                TOLVE_LOG(LOG_ERROR, "WinHttpReadData失敗[ERR:0x%08X]",
                          static_cast<unsigned>(result));
                break;
            }
            if (got == 0) {
                const unsigned lastError = static_cast<unsigned>(GetLastError());
                if (++emptyReads > kMaxEmptyReads) {
                    TOLVE_LOG(LOG_ERROR, "WinHttpReadData 取得サイズリトライオーバー [ERR:0x%08X]",
                              lastError);
                    result = ERROR_WINHTTP_TIMEOUT;
                    break;
                }
                TOLVE_LOG(LOG_INFO, "WinHttpReadData 取得サイズ０ 継続 [ERR:0x%08X]", lastError);
                Sleep(kEmptyReadPauseMs);
                continue;
            }
            if (m_bKeepInMemory) {
                if (!_AppendResponse(chunk.get(), got)) {
                    TOLVE_LOG(LOG_ERROR, "領域確保失敗[ERR:0x%08X]",
                              static_cast<unsigned>(ERROR_NOT_ENOUGH_MEMORY));
                    return dropped(ERROR_NOT_ENOUGH_MEMORY);
                }
            } else {
                const uint32_t written = _AppendToFile(chunk.get(), got);
                if (written != 0) {
                    TOLVE_LOG(LOG_ERROR, "WinHttpReadData失敗[ERR:0x%08X]",
                              static_cast<unsigned>(written));
                    return dropped(written);
                }
            }
            passRead += got;
            received += got;
            _Notify(passAmount, got);
        }
        if (result != 0) break;
        if (contentLength >= 0) break; // one pass reads the whole announced length
    }
    TOLVE_LOG(LOG_DEBUG, "実ファイルダウンロード終了 総サイズ%d", static_cast<int>(received));
    // A partial body stays readable after a failed read.
    if (!m_bKeepInMemory || m_pResponseData == nullptr) m_uResponseSize = received;
    return result;
}

bool CWinHttpWrapper::_AppendResponse(const char* data, DWORD size)
{
    // Counted in 64 bits: a 32-bit size_t would wrap before the 4 GiB check could see it.
    const uint64_t needed = static_cast<uint64_t>(m_uResponseSize) + size;
    if (needed > 0xFFFFFFFFu) return false;
    if (needed > m_uResponseCapacity) {
        // Doubling keeps a large body from being copied once per chunk.
        const uint64_t doubled = std::max<uint64_t>(uint64_t{m_uResponseCapacity} * 2, 65536);
        const size_t capacity = static_cast<size_t>(
            std::min<uint64_t>(std::max(needed, doubled), std::numeric_limits<size_t>::max()));
        char* grown = static_cast<char*>(std::realloc(m_pResponseData, capacity));
        if (grown == nullptr) return false;
        m_pResponseData = grown;
        m_uResponseCapacity = capacity;
    }
    std::memcpy(m_pResponseData + m_uResponseSize, data, size);
    m_uResponseSize = static_cast<uint32_t>(needed);
    return true;
}

void CWinHttpWrapper::_Notify(WPARAM passAmount, LPARAM chunkBytes)
{
    if (m_hNotifyWnd == nullptr) return;
    // Initialize, the only place that changes the mode and the path, never runs beside the
    // request thread.
    if (!m_bKeepInMemory || m_sOutputFilePath.empty()) {
        PostMessageA(m_hNotifyWnd, m_uNotifyMessage, passAmount, chunkBytes);
        return;
    }
    _FlushHeldProgress(true);
    m_bProgressHeld = true;
    m_wpHeldAmount = passAmount;
    m_lpHeldChunk = chunkBytes;
}

void CWinHttpWrapper::_FlushHeldProgress(bool post)
{
    if (m_bProgressHeld && post) {
        PostMessageA(m_hNotifyWnd, m_uNotifyMessage, m_wpHeldAmount, m_lpHeldChunk);
    }
    m_bProgressHeld = false;
}

uint32_t CWinHttpWrapper::_WriteAll(HANDLE file, const char* data, DWORD size)
{
    DWORD written = 0;
    if (!CWinHttpApi::Current().WriteFile(file, data, size, &written)) {
        const DWORD error = GetLastError();
        return error != 0 ? error : static_cast<uint32_t>(ERROR_WRITE_FAULT);
    }
    // A short write sets no error of its own.
    return written == size ? 0 : static_cast<uint32_t>(ERROR_WRITE_FAULT);
}

uint32_t CWinHttpWrapper::_AppendToFile(const char* data, DWORD size)
{
    if (data == nullptr || size == 0 || m_sOutputFilePath.empty()) {
        TOLVE_LOG(LOG_ERROR, "ファイル書込み時のデータエラー 0x%08X, 0x%08X, %s", Hex32(data),
                  static_cast<unsigned>(size), m_sOutputFilePath.c_str());
        return ERROR_INVALID_PARAMETER;
    }
    lib::CHandle file(CreateFileA(m_sOutputFilePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, OPEN_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.IsValid()) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "ダウンロードデータ書込み時のファイルオープン失敗[ERR:0x%08X].%s",
                  static_cast<unsigned>(error), m_sOutputFilePath.c_str());
        return error;
    }
    LARGE_INTEGER zero = {};
    if (!SetFilePointerEx(file.Get(), zero, nullptr, FILE_END)) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "ダウンロードデータ書込みファイルポインタ移動失敗[ERR:0x%08X",
                  static_cast<unsigned>(error));
        return error;
    }
    const uint32_t error = _WriteAll(file.Get(), data, size);
    if (error != 0) {
        TOLVE_LOG(LOG_ERROR, "ダウンロードデータ書込み失敗[ERR:0x%08X]",
                  static_cast<unsigned>(error));
    }
    return error;
}

uint32_t CWinHttpWrapper::_WriteResponseFileIfAsked()
{
    if (!m_bKeepInMemory || m_sOutputFilePath.empty()) return 0;
    uint32_t error = 0;
    // An empty body writes no file.
    if (m_pResponseData != nullptr && m_uResponseSize != 0) {
        DeleteFileA(m_sOutputFilePath.c_str());
        lib::CHandle file(CreateFileA(m_sOutputFilePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file.IsValid()) {
            error = GetLastError();
            TOLVE_LOG(LOG_ERROR, "ダウンロードデータ書込み時のファイルオープン失敗[ERR:0x%08X].%s",
                      static_cast<unsigned>(error), m_sOutputFilePath.c_str());
            _FlushHeldProgress(false);
            return error;
        }
        error = _WriteAll(file.Get(), m_pResponseData, m_uResponseSize);
        file.Close();
        if (error != 0) {
            TOLVE_LOG(LOG_ERROR, "ダウンロードデータ書込み失敗[ERR:0x%08X",
                      static_cast<unsigned>(error));
            // Never leave a file that looks like the whole reply.
            DeleteFileA(m_sOutputFilePath.c_str());
        }
    }
    // The last progress message only once the file is whole and closed.
    _FlushHeldProgress(error == 0);
    return error;
}

bool CWinHttpWrapper::RequestAbort(DWORD timeoutMs)
{
    if (m_hRunEvent != nullptr) ResetEvent(m_hRunEvent);
    if (m_hThread == nullptr) return true;
    if (WaitForSingleObject(m_hThread, 0) == WAIT_TIMEOUT) {
        // Closing the request handle makes a blocked WinHTTP call return on Windows (Wine
        // lets it run on to its own end or time-out).
        HINTERNET request = m_hRequest.exchange(nullptr);
        if (request != nullptr) WinHttpCloseHandle(request);
    }
    const DWORD wait = WaitForSingleObject(m_hThread, timeoutMs);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        CloseHandle(m_hThread);
        m_hThread = nullptr;
        return true;
    }
    const DWORD error = GetLastError();
    if (wait == WAIT_TIMEOUT) {
        TOLVE_LOG(LOG_ERROR, "中断要求にタイムアウトしました[ERR:0x%08X]",
                  static_cast<unsigned>(error));
        TerminateThread(m_hThread, ERROR_REQUEST_ABORTED);
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
        m_uResult = ERROR_REQUEST_ABORTED;
        return false;
    }
    TOLVE_LOG(LOG_ERROR, "中断要求に失敗しました[ERR:0x%08X]", static_cast<unsigned>(error));
    return false;
}
