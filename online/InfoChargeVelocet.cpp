#include "online/InfoChargeVelocet.h"

#include "carddata/UserListFile.h"
#include "carddata/UserStampRecord.h"
#include "lib/BlockShareMemHolder.h"
#include "lib/Handle.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "online/ConnectionFile.h"
#include "online/ConnectionParameterData.h"
#include "online/DataManager.h"
#include "online/WinHttpWrapper.h"

#include <cstring>
#include <limits>
#include <new>

namespace {

const uint32_t kRequestOneTimePassword = 6;
const uint32_t kRequestTrafficData = 12;
const char kFormContentType[] = "application/x-www-form-urlencoded";

// The fixed values of the traffic data request.
const char kRange[] = "3,3";
const uint32_t kCompType = 0;
const uint32_t kClass = 0;
const uint32_t kMaxBytes = 204800;
const char kGeodeticSystem[] = "tokyo";
const uint32_t kAccuracy = 8;
const uint32_t kMaxLinks = 30000;
const uint32_t kCryptoType = 1;

const char kTrafficDataFile[] = ":\\PC\\PROBE\\RCVDAT.DAT.ENC";
const char kTrafficTimeFile[] = ":\\PC\\PROBE\\RCVTIME.DAT";

// The first byte of a traffic service reply.
const unsigned char kDataBlock = 0x4F; // 'O'
const unsigned char kErrorBlock = 0xFF;
// An error block: kind, one byte nobody reads, the code in 16 bits big-endian.
const uint32_t kErrorBlockSize = 4;

const size_t kCcidLength = 16;
const size_t kPasswordLength = 8;

// The answers of the one-time-password request, by the first three characters of the text
// after the reply's first "=".
struct PasswordAnswer {
    const char* m_pszCode;
    uint32_t m_uResult;
    const char* m_pszRefusal; // the line of an answer that gives no password
};

const PasswordAnswer kPasswordAnswers[] = {
    {"C00", CHARGE_RESULT_SUCCESS, nullptr},
    {"C01", CHARGE_RESULT_OTP_C01, nullptr},
    {"C02", CHARGE_RESULT_OTP_C02, nullptr},
    {"C03", CHARGE_RESULT_OTP_C03, nullptr},
    {"C05", CHARGE_RESULT_OTP_C05, nullptr},
    {"C04", CHARGE_RESULT_OTP_C04, "GetOneTimePassword CCID overlap with the response"},
    {"E98", CHARGE_RESULT_OTP_E98, "GetOneTimePassword OTP E98 in obtaining a response"},
    {"E99", CHARGE_RESULT_OTP_E99, "GetOneTimePassword E99 OTP in obtaining a response"},
};

// The traffic service's error blocks.
struct ServiceError {
    uint32_t m_uCode;
    uint32_t m_uResult;
};

const ServiceError kServiceErrors[] = {
    {0x0001, CHARGE_RESULT_TRAFFIC_ERROR_0001},
    {0x0010, CHARGE_RESULT_TRAFFIC_ERROR_0010},
    {0x0100, CHARGE_RESULT_NO_TRAFFIC_DATA},
    {0x0102, CHARGE_RESULT_TRAFFIC_ERROR_0102},
    {0x0104, CHARGE_RESULT_TRAFFIC_ERROR_0104},
    {0x0105, CHARGE_RESULT_TRAFFIC_ERROR_0105},
    {0xFFFE, CHARGE_RESULT_TRAFFIC_ERROR_FFFE},
    {0xFFFF, CHARGE_RESULT_TRAFFIC_ERROR_FFFF},
};
// The password is no longer valid: it is dropped and the run repeated with a new one.
const uint32_t kPasswordInvalid = 0xFFFF;

// The `length` characters after `name`, copied into `out` (length + 1 bytes) when they all
// stand before the end of the field: the next "&", CR, LF or the end of the reply.
bool TakeReplyField(const std::string& reply, const char* name, size_t length, char* out)
{
    const size_t at = reply.find(name);
    if (at == std::string::npos) return false;
    const size_t start = at + std::strlen(name);
    const size_t end = reply.find_first_of("&\r\n", start);
    const size_t fieldLength = (end == std::string::npos ? reply.size() : end) - start;
    if (fieldLength < length) return false;
    std::memcpy(out, reply.data() + start, length);
    out[length] = '\0';
    return true;
}

// Copies a text that fits the field whole; one that does not leaves the field empty.
template <size_t N>
void CopyWhole(char (&field)[N], const std::string& text)
{
    const size_t length = text.size() < N ? text.size() : 0;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

} // namespace

CInfoChargeVelocet::CInfoChargeVelocet()
    : CCharge(CHARGTYPE_TRAFFIC)
    , m_oPassword()
    , m_uLastCardError(0)
{
}

uint32_t CInfoChargeVelocet::_Proc()
{
    TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeVelocet::_Proc - Start");
    m_uLastCardError = 0;
    _NotifyProgress(0);
    _SaveHistory(CHARGE_HISTORY_STARTED, CHARGE_RESULT_SUCCESS);
    if (!_IsSDExists()) {
        TOLVE_LOG(LOG_INFO, "%s", "CInfoChargeVelocet::_Proc: NO SD Card");
        return CHARGE_RESULT_NO_CARD;
    }
    if (IsAbort()) {
        TOLVE_LOG(LOG_INFO, "%s",
                  "CInfoChargeVelocet::_Proc:Interruption after transmission setting is confirmed");
        return CHARGE_RESULT_ABORTED;
    }

    m_oPassword.m_uStatus = 0;
    uint32_t code = _PrepareOneTimePassword();
    if (code != CHARGE_RESULT_SUCCESS) {
        _NotifyError(code, m_uLastCardError);
        _SaveHistory(CHARGE_HISTORY_FAILED, code);
        return code;
    }

    _NotifyProgress(33);
    if (!_IsSDExists()) {
        TOLVE_LOG(LOG_INFO, "%s", "CInfoChargeVelocet::_Proc: NO SD Card");
        return CHARGE_RESULT_NO_CARD;
    }

    code = VelocetRequest();
    if (code != CHARGE_RESULT_SUCCESS) {
        _NotifyError(code, m_uLastCardError);
        _SaveHistory(CHARGE_HISTORY_FAILED, code);
        return code;
    }

    TOLVE_LOG(LOG_DEBUG, "%s", "NaviManageFile Update - End");
    _NotifyProgress(100);
    _SaveHistory(CHARGE_HISTORY_SUCCEEDED, CHARGE_RESULT_SUCCESS);
    TOLVE_LOG(LOG_DEBUG, "CInfoChargeVelocet::_Proc - End[0x%08X]", CHARGE_RESULT_SUCCESS);
    TOLVE_LOG(LOG_INFO, "Velocet Get Succeed[0x%08X]", CHARGE_RESULT_SUCCESS);
    return CHARGE_RESULT_SUCCESS;
}

uint32_t CInfoChargeVelocet::_ReadCurrentUser()
{
    m_oUser = VelocetUser();
    char nickName[USER_AGENT_SHARE_MEM_SIZE] = {};
    CBlockShareMemHolder holder;
    if (!holder.GetUserAgent(nickName)) {
        TOLVE_LOG(LOG_ERROR, "CInfoChargeVelocet: current user unreadable[ERR:0x%08lX]",
                  GetLastError());
    }

    CUserListFile userList;
    if (!userList.Load()) {
        TOLVE_LOG(LOG_ERROR, "GetOneTimePassword: UserListFile.ReadFileError[ERR:0x%08lX]",
                  GetLastError());
        return CHARGE_RESULT_USER_LIST;
    }
    VelocetUser user;
    UserStampRecord stamp;
    if (nickName[0] == '\0' ||
        !userList.GetUserByNickName(nickName, &user.m_strDeviceNo, &user.m_uCcidHead, nullptr,
                                    &user.m_strUserAgent) ||
        !userList.GetUserStampByNickName(nickName, stamp)) {
        TOLVE_LOG(LOG_ERROR, "CInfoChargeVelocet: current user not in the user list[%s]",
                  nickName);
        return CHARGE_RESULT_USER_NOT_LISTED;
    }
    user.m_strNickName = nickName;
    user.m_iPositionX = static_cast<int32_t>(stamp.m_uPositionX);
    user.m_iPositionY = static_cast<int32_t>(stamp.m_uPositionY);
    user.m_uMapVersion = stamp.m_uMapVersion;
    user.m_uLinkYear = stamp.m_uLinkYear;
    m_oUser = user;
    return CHARGE_RESULT_SUCCESS;
}

uint32_t CInfoChargeVelocet::_PrepareOneTimePassword()
{
    const uint32_t code = _ReadCurrentUser();
    if (code != CHARGE_RESULT_SUCCESS) return code;
    // The fillers of both requests refuse a user without these; nothing is sent for such a
    // user, not even the password request.
    if (m_oUser.m_strDeviceNo.empty() || m_oUser.m_uCcidHead == 0 || m_oUser.m_uMapVersion == 0 ||
        m_oUser.m_uLinkYear == 0) {
        TOLVE_LOG(LOG_ERROR,
                  "CInfoChargeVelocet: request values missing[DEVICE:%s CCID:0x%08X MAP:0x%08X "
                  "LINKYEAR:0x%08X]",
                  m_oUser.m_strDeviceNo.c_str(), m_oUser.m_uCcidHead, m_oUser.m_uMapVersion,
                  m_oUser.m_uLinkYear);
        return CHARGE_RESULT_REQUEST_BODY;
    }

    VelocetPasswordRecord kept;
    uint32_t size = sizeof kept;
    if (CDataManager::GetInstance().GetData(VELOCET_PASSWORD_KEY, &kept, &size) == 1 &&
        size == sizeof kept) {
        if (m_oUser.m_strNickName == kept.m_szNickName &&
            m_oUser.m_strDeviceNo == kept.m_szDeviceNo) {
            m_oPassword = kept;
            return CHARGE_RESULT_SUCCESS;
        }
        TOLVE_LOG(LOG_INFO, "%s",
                  "CInfoChargeVelocet::_PrepareOneTimePassword: kept password of another user");
    }
    // Whatever is kept is not this user's: it goes, and the user gets a password of their own.
    _ForgetPassword();
    return GetOneTimePassword();
}

void CInfoChargeVelocet::_ForgetPassword()
{
    m_oPassword = VelocetPasswordRecord();
    CDataManager::GetInstance().SetData(VELOCET_PASSWORD_KEY, nullptr, 0);
}

uint32_t CInfoChargeVelocet::GetOneTimePassword()
{
    TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeVelocet::GetOneTimePassword - Start");
    const uint32_t code = _AskOneTimePassword();
    TOLVE_LOG(LOG_DEBUG, "CInfoChargeVelocet::GetOneTimePassword - End:0x%08X", code);
    return code;
}

uint32_t CInfoChargeVelocet::_AskOneTimePassword()
{
    CConnectionParameterData parameters;
    // An empty device number is as missing as a CCID head of 0: the gateway could not tell
    // the unit.
    if (!parameters.SetOneTimePassword(
            m_oUser.m_strDeviceNo.empty() ? nullptr : m_oUser.m_strDeviceNo.c_str(),
            m_oUser.m_uCcidHead, VELOCET_OTP_FUNCTION_CODE)) {
        TOLVE_LOG(LOG_ERROR, "GetOneTimePassword: request values refused[DEVICE:%s CCID:0x%08X]",
                  m_oUser.m_strDeviceNo.c_str(), m_oUser.m_uCcidHead);
        return CHARGE_RESULT_REQUEST_BODY;
    }
    uint32_t size = 0;
    lib::CMallocBuffer body =
        CConnectionFile::GetInstance().CreatePostData(kRequestOneTimePassword, parameters, size);
    if (!body || size == 0) {
        TOLVE_LOG(LOG_ERROR, "GetOneTimePassword: CreatePostData failure [ERR:0x%08lX]",
                  GetLastError());
        return CHARGE_RESULT_REQUEST_BODY;
    }

    static const RequestTexts texts = {
        "GetOneTimePassword Initialize failure[ERR:0x%08X]",
        "GetOneTimePassword Initialize Abort",
        "GetOneTimePassword Connect failure [ERR:0x%08X]",
        0,
        "GetOneTimePassword Connect Abort",
        "CInfoChargeVelocet::GetOneTimePassword: NO SD Card",
        "GetOneTimePassword WaitForMultipleObjects Abort",
        nullptr,
        "GetOneTimePassword Fatal error when standing one-time acquisition ERR:0x%08X",
        "GetOneTimePassword GetResponse failure [nResponse:0x%08X]",
    };
    CWinHttpWrapper client;
    const uint32_t code = _PostForm(client, kRequestOneTimePassword, body.get(), size, texts);
    body.reset();
    if (code != CHARGE_RESULT_SUCCESS) return code;

    const char* data = client.GetResponseData();
    const uint32_t replySize = data != nullptr ? client.GetResponseSize() : 0;
    if (replySize == 0) {
        // Nothing to take a password from: a data request with an empty ccid and otp could
        // only be refused.
        TOLVE_LOG(LOG_ERROR, "%s", "GetOneTimePassword The server responds with no text");
        return CHARGE_RESULT_OTP_UNDEFINED;
    }
    try {
        // The answer is a text: it ends at the reply's end or at a NUL within it.
        return _TakePassword(std::string(data, strnlen(data, replySize)));
    } catch (const std::bad_alloc&) {
        TOLVE_LOG(LOG_ERROR, "%s", "GetOneTimePassword Memory allocation failure");
        return CHARGE_RESULT_NO_MEMORY;
    }
}

uint32_t CInfoChargeVelocet::_TakePassword(const std::string& reply)
{
    const size_t equals = reply.find('=');
    const std::string answer = equals == std::string::npos ? reply : reply.substr(equals + 1);
    const PasswordAnswer* found = nullptr;
    for (const PasswordAnswer& candidate : kPasswordAnswers) {
        if (answer.compare(0, 3, candidate.m_pszCode) == 0) {
            found = &candidate;
            break;
        }
    }
    if (found == nullptr) {
        // The rest of the reply may hold the password.
        TOLVE_LOG(LOG_ERROR, "GetOneTimePassword The server responds positively Undefined SVRRET:%s",
                  MaskSecretsForLog(answer).c_str());
        return CHARGE_RESULT_OTP_UNDEFINED;
    }
    if (found->m_pszRefusal != nullptr) {
        TOLVE_LOG(LOG_ERROR, "%s", found->m_pszRefusal);
        return found->m_uResult;
    }

    VelocetPasswordRecord taken = VelocetPasswordRecord();
    if (!TakeReplyField(reply, "CCID=", kCcidLength, taken.m_szCcid) ||
        !TakeReplyField(reply, "PASS=", kPasswordLength, taken.m_szPassword)) {
        TOLVE_LOG(LOG_ERROR, "GetOneTimePassword The server responds without CCID or PASS SVRRET:%s",
                  found->m_pszCode);
        return CHARGE_RESULT_OTP_UNDEFINED;
    }
    taken.m_uStatus = found->m_uResult;
    GetLocalTime(&taken.m_stObtained);
    CopyWhole(taken.m_szNickName, m_oUser.m_strNickName);
    CopyWhole(taken.m_szDeviceNo, m_oUser.m_strDeviceNo);
    m_oPassword = taken;
    if (taken.m_uStatus != CHARGE_RESULT_SUCCESS && taken.m_uStatus != CHARGE_RESULT_OTP_C01) {
        _NotifyError(taken.m_uStatus, m_uLastCardError);
    }
    if (CDataManager::GetInstance().SetData(VELOCET_PASSWORD_KEY, &m_oPassword,
                                            sizeof m_oPassword) == 0) {
        // This run still has it; the next one asks again.
        TOLVE_LOG(LOG_ERROR, "%s", "GetOneTimePassword: the password could not be kept");
    }
    return CHARGE_RESULT_SUCCESS;
}

uint32_t CInfoChargeVelocet::VelocetRequest()
{
    TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeVelocet::VelocetRequest - Start");
    const uint32_t code = _RequestTrafficData();
    TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeVelocet::VelocetRequest - End");
    return code;
}

uint32_t CInfoChargeVelocet::_RequestTrafficData()
{
    const uint32_t vics =
        m_oPassword.m_uStatus == CHARGE_RESULT_SUCCESS ? VELOCET_VICS_FULL : VELOCET_VICS_LIMITED;
    if (m_oUser.m_strNickName.empty()) return CHARGE_RESULT_USER_NOT_LISTED;

    // The south-west corner of the 3 x 3 cells centred on the user's position.
    const int64_t baseX = static_cast<int64_t>(m_oUser.m_iPositionX) - VELOCET_CELL_WIDTH;
    const int64_t baseY = static_cast<int64_t>(m_oUser.m_iPositionY) - VELOCET_CELL_HEIGHT;
    if (baseX < std::numeric_limits<int32_t>::min() ||
        baseY < std::numeric_limits<int32_t>::min()) {
        TOLVE_LOG(LOG_ERROR, "渋滞情報 基準点算出失敗 X:%d Y:%d", m_oUser.m_iPositionX,
                  m_oUser.m_iPositionY);
        return CHARGE_RESULT_NO_BASE_POINT;
    }
    const std::string targetPoint =
        lib::FormatString("%d,%d", m_oUser.m_iPositionX, m_oUser.m_iPositionY);
    const std::string basePoint =
        lib::FormatString("%d,%d", static_cast<int32_t>(baseX), static_cast<int32_t>(baseY));

    CConnectionParameterData parameters;
    if (!parameters.SetODVParameter(
            m_oPassword.m_szCcid[0] != '\0' ? m_oPassword.m_szCcid : nullptr,
            m_oPassword.m_szPassword[0] != '\0' ? m_oPassword.m_szPassword : nullptr,
            m_oUser.m_uMapVersion, vics, targetPoint.c_str(), basePoint.c_str(),
            m_oUser.m_uLinkYear, kRange, kCompType, kClass, kMaxBytes, kGeodeticSystem,
            kAccuracy, kMaxLinks, kCryptoType)) {
        TOLVE_LOG(LOG_ERROR, "ODV要求値不正[MAP:0x%08X LINKYEAR:0x%08X]", m_oUser.m_uMapVersion,
                  m_oUser.m_uLinkYear);
        return CHARGE_RESULT_REQUEST_BODY;
    }
    uint32_t size = 0;
    lib::CMallocBuffer body =
        CConnectionFile::GetInstance().CreatePostData(kRequestTrafficData, parameters, size);
    if (!body || size == 0) {
        TOLVE_LOG(LOG_ERROR, "ODVまたは、ヴェロセット渋滞情報取得時のPOSTデータ生成失敗[ERR:0x%08lX]",
                  GetLastError());
        return CHARGE_RESULT_REQUEST_BODY;
    }
    TOLVE_LOG(LOG_INFO, "VelocetRequest PostData: %s", MaskSecretsForLog(body.get(), size).c_str());

    static const RequestTexts texts = {
        "ODVまたは、ヴェロセット渋滞情報設定要求初期化時の失敗[ERR:0x%08X]",
        "ワンタイムパスワード 作成処理中断",
        "ODVまたは、ヴェロセット渋滞情報設定要求接続時の失敗[ERR:0x%08X]",
        66,
        "ODVまたは、ヴェロセット渋滞情報 取得処理中断",
        "CInfoChargeVelocet::VelocetRequest: NO SD Card",
        "ODVまたは、ヴェロセット渋滞情報 取得処理中断",
        "CInfoChargeVelocet::VelocetRequest: NO SD Card",
        "渋滞情報 取得待機時の致命的エラー ERR:0x%08X",
        "ODVまたは、ヴェロセット渋滞情報設定要求ダウンロード時の失敗[nResponse:0x%08X]",
    };
    CWinHttpWrapper client;
    uint32_t code = _PostForm(client, kRequestTrafficData, body.get(), size, texts);
    body.reset();
    if (code != CHARGE_RESULT_SUCCESS) return code;

    const char* reply = client.GetResponseData();
    const uint32_t replySize = reply != nullptr ? client.GetResponseSize() : 0;
    code = _AnalyzeODVData(reply, replySize);
    if (code != CHARGE_RESULT_SUCCESS) return code;
    const char* data = nullptr;
    uint32_t dataSize = 0;
    code = _GetODVDataSize(reply, replySize, &data, &dataSize);
    if (code != CHARGE_RESULT_SUCCESS) return code;
    if (data == nullptr || dataSize == 0) {
        TOLVE_LOG(LOG_ERROR, "%s", "渋滞情報データ書込みデータなし");
        return CHARGE_RESULT_NOTHING_TO_WRITE;
    }

    code = AcquisitiondatePreservation();
    if (code != CHARGE_RESULT_SUCCESS) return code;
    const char letter = GetDriveLetter();
    if (letter == 0) {
        TOLVE_LOG(LOG_ERROR, "%s", "渋滞情報取得時-ドライブレター取得失敗");
        return CHARGE_RESULT_NO_DRIVE_LETTER;
    }
    return _WriteCardFile(std::string(1, letter) + kTrafficDataFile, data, dataSize,
                          "ODVまたは、ヴェロセット渋滞情報データ書込み時のファイルオープン失敗[ERR:0x%08X].%s",
                          "ODVまたは、ヴェロセット渋滞情報データ書込み失敗[ERR:0x%08X");
}

uint32_t CInfoChargeVelocet::_PostForm(CWinHttpWrapper& client, uint32_t requestId,
                                       const char* body, uint32_t size,
                                       const RequestTexts& texts)
{
    const std::string url = CConnectionFile::GetInstance().GetURL(requestId);
    if (!client.Initialize(url.c_str(), 0, nullptr, true)) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, texts.m_pszInitializeFailed, static_cast<uint32_t>(error));
        return error | CHARGE_RESULT_TRANSPORT;
    }
    if (IsAbort()) {
        TOLVE_LOG(LOG_INFO, "%s", texts.m_pszInitializeAbort);
        return CHARGE_RESULT_ABORTED;
    }
    const std::wstring userAgent = lib::StringToWString(m_oUser.m_strUserAgent);
    if (!client.Connect(HTTP_VERB_POST, userAgent.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, texts.m_pszConnectFailed, static_cast<uint32_t>(error));
        return error | CHARGE_RESULT_TRANSPORT;
    }
    if (texts.m_uProgressBeforeSend != 0) _NotifyProgress(texts.m_uProgressBeforeSend);
    if (IsAbort()) {
        TOLVE_LOG(LOG_INFO, "%s", texts.m_pszConnectAbort);
        return CHARGE_RESULT_ABORTED;
    }
    if (!_IsSDExists()) {
        TOLVE_LOG(LOG_INFO, "%s", texts.m_pszNoCardBeforeSend);
        return CHARGE_RESULT_NO_CARD;
    }

    const HANDLE handles[2] = {client.Upload(body, size, kFormContentType, nullptr, nullptr),
                               GetAbortEvent()};
    const DWORD waited = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    const DWORD waitError = GetLastError();
    if (waited == WAIT_OBJECT_0 + 1 || IsAbort()) {
        client.RequestAbort(VELOCET_ABORT_WAIT_MS);
        TOLVE_LOG(LOG_INFO, "%s", texts.m_pszWaitAbort);
        return CHARGE_RESULT_ABORTED;
    }
    if (waited != WAIT_OBJECT_0) {
        client.RequestAbort(VELOCET_ABORT_WAIT_MS);
        TOLVE_LOG(LOG_ERROR, texts.m_pszWaitFailed, static_cast<uint32_t>(waitError));
        return CHARGE_RESULT_WAIT_FAILED;
    }
    if (texts.m_pszNoCardAfterWait != nullptr && !_IsSDExists()) {
        TOLVE_LOG(LOG_INFO, "%s", texts.m_pszNoCardAfterWait);
        return CHARGE_RESULT_NO_CARD;
    }
    const uint32_t result = client.GetResult();
    if (result != 0) {
        TOLVE_LOG(LOG_ERROR, texts.m_pszResponseFailed, result);
        return ChargeTransportResult(result);
    }
    return CHARGE_RESULT_SUCCESS;
}

uint32_t CInfoChargeVelocet::_AnalyzeODVData(const char* reply, uint32_t size)
{
    if (reply == nullptr || size == 0) {
        TOLVE_LOG(LOG_ERROR, "%s", "サーバーレスポンス無し");
        return CHARGE_RESULT_NO_REPLY_BODY;
    }
    const unsigned char kind = static_cast<unsigned char>(reply[0]);
    if (kind == kDataBlock) {
        TOLVE_LOG(LOG_DEBUG, "正常データ受信 SIZE:%uBYTE", size);
        return CHARGE_RESULT_SUCCESS;
    }
    if (kind != kErrorBlock) {
        TOLVE_LOG(LOG_ERROR, "未定義サーバーエラー DATATYPE:%02X", kind);
        return CHARGE_RESULT_TRAFFIC_UNDEFINED;
    }
    if (size < kErrorBlockSize) {
        TOLVE_LOG(LOG_ERROR, "データサイズ 不正 %u", size);
        return CHARGE_RESULT_TRAFFIC_LENGTH;
    }
    const uint32_t error = static_cast<uint32_t>(static_cast<unsigned char>(reply[2])) << 8 |
                           static_cast<unsigned char>(reply[3]);
    TOLVE_LOG(LOG_ERROR, "ODVエラー %04X", error);
    for (const ServiceError& known : kServiceErrors) {
        if (known.m_uCode != error) continue;
        if (error == kPasswordInvalid) {
            _ForgetPassword();
            m_byReRun = 1;
        }
        return known.m_uResult;
    }
    TOLVE_LOG(LOG_ERROR, "未定義サーバーエラー %04X", error);
    return CHARGE_RESULT_TRAFFIC_UNDEFINED;
}

uint32_t CInfoChargeVelocet::_GetODVDataSize(const char* reply, uint32_t size, const char** data,
                                             uint32_t* dataSize)
{
    *data = nullptr;
    *dataSize = 0;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(reply);
    if (bytes == nullptr || size == 0 || bytes[0] != kDataBlock) {
        TOLVE_LOG(LOG_ERROR, "未定義サーバーエラー DATATYPE:%02X", bytes != nullptr && size != 0 ? bytes[0] : 0);
        return CHARGE_RESULT_TRAFFIC_LENGTH;
    }
    // The top two bits of the length field's first byte give its width, the rest is L: the
    // width of the field and the data after it.
    if (size < 2) {
        TOLVE_LOG(LOG_ERROR, "データサイズ 不正(受信サイズより大きい) %u", size);
        return CHARGE_RESULT_TRAFFIC_LENGTH;
    }
    const uint32_t width = 1 + (bytes[1] >> 6);
    if (size < 1 + width) {
        TOLVE_LOG(LOG_ERROR, "データサイズ 不正(受信サイズより大きい) %u", size);
        return CHARGE_RESULT_TRAFFIC_LENGTH;
    }
    uint32_t length = bytes[1] & 0x3F;
    for (uint32_t i = 1; i < width; ++i) length = length << 8 | bytes[1 + i];
    if (length <= width) {
        TOLVE_LOG(LOG_ERROR, "データサイズ 不正 %d",
                  static_cast<int>(length) - static_cast<int>(width));
        return CHARGE_RESULT_TRAFFIC_LENGTH;
    }
    const uint32_t dataLength = length - width;
    if (uint64_t(1) + width + dataLength > size) {
        TOLVE_LOG(LOG_ERROR, "データサイズ 不正(受信サイズより大きい) %u", dataLength);
        return CHARGE_RESULT_TRAFFIC_LENGTH;
    }
    TOLVE_LOG(LOG_DEBUG, "受信ODVデータサイズ %u", dataLength);
    *data = reply + 1 + width;
    *dataSize = dataLength;
    return CHARGE_RESULT_SUCCESS;
}

uint32_t CInfoChargeVelocet::AcquisitiondatePreservation()
{
    TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeVelocet::AcquisitiondatePreservation - Start");
    SYSTEMTIME now;
    GetLocalTime(&now);
    VelocetTimeRecord record = {1, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                                now.wSecond, 0, 0};
    uint32_t code = CHARGE_RESULT_SUCCESS;
    const char letter = GetDriveLetter();
    if (letter == 0) {
        TOLVE_LOG(LOG_ERROR, "%s", "取得日時作成時-ドライブレター取得失敗");
        code = CHARGE_RESULT_NO_DRIVE_LETTER;
    } else if (!_IsSDExists()) {
        TOLVE_LOG(LOG_INFO, "%s", "日時データ保存時のSD無し");
        code = CHARGE_RESULT_NO_CARD;
    } else {
        code = _WriteCardFile(std::string(1, letter) + kTrafficTimeFile, &record, sizeof record,
                              "ODVまたは、ヴェロセット渋滞情報の取得日時書込み時のファイルオープン失敗[ERR:0x%08X].%s",
                              "ODVまたは、ヴェロセット渋滞情報の取得日時書込み失敗[ERR:0x%08X");
    }
    TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeVelocet::AcquisitiondatePreservation - End");
    return code;
}

uint32_t CInfoChargeVelocet::_WriteCardFile(const std::string& path, const void* data,
                                            uint32_t size, const char* openFailedText,
                                            const char* writeFailedText)
{
    uint32_t error = 0;
    const uint32_t code = _WriteNewCardFile(path, data, size, &error);
    if (code == CHARGE_RESULT_CARD_CREATE) {
        m_uLastCardError = error;
        TOLVE_LOG(LOG_ERROR, openFailedText, m_uLastCardError, path.c_str());
    } else if (code == CHARGE_RESULT_CARD_WRITE) {
        m_uLastCardError = error;
        TOLVE_LOG(LOG_ERROR, writeFailedText, m_uLastCardError);
    }
    return code;
}
