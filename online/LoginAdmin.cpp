#include "online/LoginAdmin.h"

#include "carddata/PcLinkFile.h"
#include "carddata/SDInfoMgr.h"
#include "carddata/UserAgent.h"
#include "carddata/UserListFile.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "online/ConnectionFile.h"
#include "online/ConnectionParameterData.h"
#include "online/FixedUserAgent.h"
#include "online/ReplyAnalyzer.h"
#include "online/WinHttpWrapper.h"

#include <process.h>

#include <cstring>

namespace {

// Rows of the request table.
const uint32_t kRequestWithCard = 4;     // "/pcapp/DeviceNoUserAuthenticationFerroxAPI"
const uint32_t kRequestWithoutCard = 26; // "/pcapp/GetDeviceInfoAPI"

const char kFormContentType[] = "application/x-www-form-urlencoded";
const wchar_t kReplyUserAgentSuffix[] = L"/1.000000";

// What a reply without a card may give the user list: the device number later names the log
// archive and its work folder, and the user agent becomes the header of later requests.
const size_t kMaxDeviceNoLength = 32;
const size_t kMaxUserAgentLength = 64; // before the suffix the reader appends

bool IsPrintableAscii(unsigned int c) { return c >= 0x20 && c <= 0x7E; }

// Empty is left to the user list, which refuses it.
bool IsUsableDeviceNo(const std::string& deviceNo)
{
    return deviceNo.size() <= kMaxDeviceNoLength && lib::IsAsciiFileNameText(deviceNo);
}

bool IsUsableUserAgent(const std::wstring& userAgent)
{
    std::wstring text = userAgent;
    const size_t suffixLength = std::wcslen(kReplyUserAgentSuffix);
    if (text.size() >= suffixLength &&
        text.compare(text.size() - suffixLength, suffixLength, kReplyUserAgentSuffix) == 0) {
        text.resize(text.size() - suffixLength);
    }
    if (text.size() > kMaxUserAgentLength) return false;
    for (const wchar_t c : text) {
        if (!IsPrintableAscii(c)) return false;
    }
    return true;
}

} // namespace

CLoginAdmin::CLoginAdmin() : m_hOwnerWnd(nullptr), m_uCcidHead(0), m_bCardPresent(false) {}

CLoginAdmin::~CLoginAdmin()
{
    if (m_hThread.IsValid() && WaitForSingleObject(m_hThread.Get(), 0) == WAIT_TIMEOUT) {
        // The worker reads and writes this object until it ends; a cancel stops it within
        // the HTTP client's abort time.
        if (m_hCancelEvent.IsValid()) SetEvent(m_hCancelEvent.Get());
        WaitForSingleObject(m_hThread.Get(), INFINITE);
    }
    m_hCancelEvent.Close();
    m_hThread.Close();
}

bool CLoginAdmin::LogIn(HWND owner, const char* nickName, const char* password)
{
    if (m_hThread.IsValid()) {
        TOLVE_LOG(LOG_ERROR, "%s", "CLoginAdmin::LogIn: already Start");
        return false;
    }
    if (!m_hCancelEvent.IsValid()) {
        *m_hCancelEvent.Out() = CreateEventA(nullptr, FALSE, FALSE, LOGIN_CANCEL_EVENT_NAME);
        if (!m_hCancelEvent.IsValid()) {
            TOLVE_LOG(LOG_ERROR, "CLoginAdmin::LogIn: CreateEvent失敗[ERR:0x%08X]",
                      static_cast<unsigned>(GetLastError()));
            return false;
        }
    }
    ResetEvent(m_hCancelEvent.Get());

    m_strNickName = nickName != nullptr ? nickName : "";
    m_strPassword = password != nullptr ? password : "";
    m_hOwnerWnd = owner;
    *m_hThread.Out() = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &CLoginAdmin::_LogInThread, this, 0, nullptr));
    if (!m_hThread.IsValid()) {
        TOLVE_LOG(LOG_ERROR, "CLoginAdmin::LogIn: スレッド起動失敗[ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return false;
    }
    return true;
}

void CLoginAdmin::AbortProc(DWORD timeoutMs)
{
    if (!m_hThread.IsValid()) {
        TOLVE_LOG(LOG_ERROR, "%s", "CCharge::AbortProc Thread none at processing interruption");
        return;
    }
    SetEvent(m_hCancelEvent.Get());
    if (WaitForSingleObject(m_hThread.Get(), timeoutMs) != WAIT_TIMEOUT) m_hThread.Close();
}

void CLoginAdmin::SafeCloseHandle() { m_hThread.Close(); }

std::vector<UserMenuItem> CLoginAdmin::GetUserMenuList()
{
    std::vector<UserMenuItem> items;
    CUserListFile userList;
    if (!userList.Load()) return items;

    // Saves keep exactly one user current: the first flagged one of the list.
    std::string currentDeviceNo;
    const bool hasCurrent = userList.GetCurrentUser(&currentDeviceNo);
    std::string deviceNo;
    std::string nickName;
    std::string dataFolder;
    // Bounded by the count: a position past the end is logged as the caller's error.
    const int32_t count = userList.GetUserCount();
    for (int32_t index = 0;
         index < count && userList.GetUserByIndex(index, deviceNo, nickName, dataFolder);
         ++index) {
        const bool current = hasCurrent && deviceNo == currentDeviceNo;
        items.push_back({IDM_NICKNAME_FIRST + static_cast<uint32_t>(index), nickName,
                         current ? 1 : 0});
    }
    return items;
}

std::string CLoginAdmin::GetCurrentUser(const char* deviceNo)
{
    CUserListFile userList;
    if (deviceNo == nullptr || !userList.Load()) return std::string();
    std::string device = deviceNo;
    std::string nickName;
    if (!userList.FindUserByDeviceNo(&device, &nickName)) return std::string();
    return nickName;
}

unsigned __stdcall CLoginAdmin::_LogInThread(void* parameter)
{
    CLoginAdmin* self = static_cast<CLoginAdmin*>(parameter);
    TOLVE_LOG(LOG_DEBUG, "%s", "CLoginAdmin::_LogInThread - Start");
    bool notify = true;
    const uint32_t result = self->_Check(notify);
    // Everything the check built is released before the owner hears of it.
    if (notify) _NotifyResult(self->m_hOwnerWnd, result);
    TOLVE_LOG(LOG_DEBUG, "%s", "CLoginAdmin::_LogInThread - End");
    return notify ? result : 0;
}

uint32_t CLoginAdmin::_Check(bool& notify)
{
    CUserListFile userList;
    CSDInfoMgr drives;
    const char drive = drives.GetSelectedDrive();

    CConnectionParameterData parameters;
    uint32_t requestId = kRequestWithCard;
    std::wstring userAgent;
    bool filled = false;
    m_bCardPresent = drives.IsUnitCardDrive(drive);
    if (!m_bCardPresent) {
        requestId = kRequestWithoutCard;
        // The reply names the unit; nothing of an earlier check may stand in for it.
        m_strDeviceNo.clear();
        m_uCcidHead = 0;
        filled = parameters.SetDeviceInfo(m_strNickName.c_str(), m_strPassword.c_str());
        userAgent = KESTRUM_FIXED_USER_AGENT_W;
    } else {
        m_strDeviceNo = GetNaviInfoDeviceNo(drive);
        m_uCcidHead = GetNaviInfoCcidHead(drive);
        filled = parameters.SetUserAuthentication(m_strNickName.c_str(), m_strPassword.c_str(),
                                                  m_strDeviceNo.c_str(), m_uCcidHead);
        userAgent = GetUserAgent(drive).GetUserAgentW();
    }

    // A request whose values were refused (a card without a CCID head) has no body either.
    uint32_t bodySize = 0;
    lib::CMallocBuffer body;
    if (filled) {
        body = CConnectionFile::GetInstance().CreatePostData(requestId, parameters, bodySize);
    }
    if (!body || bodySize == 0) {
        TOLVE_LOG(LOG_ERROR, "ユーザー認証初期化時のPOSTデータ生成失敗[ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return LOGIN_RESULT_REQUEST_BODY;
    }

    const std::string url = CConnectionFile::GetInstance().GetURL(requestId);
    CWinHttpWrapper client;
    if (!client.Initialize(url.c_str(), 0, nullptr, true)) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "ユーザー認証初期化時の失敗[ERR:0x%08X]", static_cast<unsigned>(error));
        return error | LOGIN_RESULT_TRANSPORT;
    }
    if (_IsCancelled()) {
        notify = false;
        return LOGIN_RESULT_SUCCESS;
    }
    if (!client.Connect(HTTP_VERB_POST, userAgent.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "ユーザー認証接続時の失敗[ERR:0x%08X]", static_cast<unsigned>(error));
        return error | LOGIN_RESULT_TRANSPORT;
    }
    TOLVE_LOG(LOG_DEBUG, "%s", "INITNO 接続完了");
    if (_IsCancelled()) {
        notify = false;
        return LOGIN_RESULT_SUCCESS;
    }

    const HANDLE waits[2] = {client.Upload(body.get(), bodySize, kFormContentType, nullptr,
                                           nullptr),
                             m_hCancelEvent.Get()};
    const DWORD waited = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    const DWORD waitError = GetLastError();
    TOLVE_LOG(LOG_INFO, "%s", "ユーザー認証通信完了");
    body.reset();

    if (waited == WAIT_OBJECT_0 + 1) {
        client.RequestAbort(LOGIN_REQUEST_ABORT_MS);
        TOLVE_LOG(LOG_INFO, "%s", "ユーザー認証ダウンロード時のユーザキャンセル");
        return LOGIN_RESULT_CANCELLED;
    }
    if (waited != WAIT_OBJECT_0) {
        TOLVE_LOG(LOG_ERROR, "ユーザー認証ダウンロード時の失敗[ERR:0x%08X]",
                  static_cast<unsigned>(waitError));
        return LOGIN_RESULT_WAIT_FAILED;
    }

    const uint32_t response = client.GetResult();
    if (response != 0) {
        TOLVE_LOG(LOG_ERROR, "ユーザー認証ダウンロード時の失敗[nResponse:0x%08X]", response);
        return ChargeTransportResult(response);
    }
    uint32_t analyzed = 0;
    if (requestId == kRequestWithCard) {
        analyzed = AnalyzeUserAuthentication(client.GetResponseData(), client.GetResponseSize());
    } else {
        analyzed = AnalyzeDeviceInfo(client.GetResponseData(), client.GetResponseSize(),
                                     m_strDeviceNo, m_uCcidHead, userAgent);
        if (analyzed == REPLY_RESULT_SUCCESS &&
            (!IsUsableDeviceNo(m_strDeviceNo) || !IsUsableUserAgent(userAgent))) {
            TOLVE_LOG(LOG_ERROR, "%s", "ユーザー認証応答の端末情報が使用できない値");
            analyzed = REPLY_RESULT_UNUSABLE;
        }
    }
    if (analyzed != REPLY_RESULT_SUCCESS) {
        TOLVE_LOG(LOG_ERROR, "ユーザー認証ダウンロード時の失敗[AnalyzeERR:0x%08X]", analyzed);
        return (analyzed & ~REPLY_SERVER_CODE) | LOGIN_RESULT_SERVICE;
    }
    if (_IsCancelled()) {
        notify = false;
        return LOGIN_RESULT_SUCCESS;
    }

    if (!userList.Load()) {
        TOLVE_LOG(LOG_ERROR, "ユーザ情報ファイル読み込み失敗[ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return LOGIN_RESULT_USER_LIST;
    }
    const std::string narrowUserAgent = lib::WStringToString(userAgent);
    if (!userList.SaveWithCurrentDevice(m_strDeviceNo.c_str(), m_strNickName.c_str(), m_uCcidHead,
                                        narrowUserAgent.c_str(), nullptr)) {
        TOLVE_LOG(LOG_ERROR, "ユーザ情報ファイル書き込み失敗[ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return LOGIN_RESULT_USER_LIST;
    }
    return LOGIN_RESULT_SUCCESS;
}

bool CLoginAdmin::_IsCancelled()
{
    return WaitForSingleObject(m_hCancelEvent.Get(), 0) == WAIT_OBJECT_0;
}

void CLoginAdmin::_NotifyResult(HWND owner, uint32_t result)
{
    PostMessageA(owner, WM_LOGINADMIN_RESULT, 0, static_cast<LPARAM>(result));
    TOLVE_LOG(LOG_INFO, "お客様登録確認完了[RET:0x%08X]", result);
}
