#include "online/ProbeUpload.h"

#include "carddata/ProbeFile.h"
#include "carddata/UserListFile.h"
#include "lib/AppFolder.h"
#include "lib/Handle.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "lib/WinFileSystemLib.h"
#include "online/ConnectionFile.h"
#include "online/ConnectionParameterData.h"
#include "online/FixedUserAgent.h"
#include "online/WinHttpWrapper.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

namespace {

// The three requests of the probe service and the function code each carries.
const uint32_t kConsentRequest = 8;
const uint32_t kUploadRequest = 9;
const uint32_t kCompletionRequest = 10;
const uint32_t kConsentFc = 94;
const uint32_t kUploadFc = 95;
const uint32_t kCompletionFc = 96;

const char kSendFileName[] = "PROBE.DAT";
const char kProbeFolder[] = "%c:\\PROBE\\";
const char kProbeFileName[] = "ProbeData.dat";
const char kDataMark[] = "&dat=";
const char kDataTrailer[] = "DCFO";
const char kContentType[] = "application/octet-stream";
const char kAbortReply[] = "ABT";

const uint32_t kAborted = CHARGE_RESULT_ABORTED;
const uint32_t kNoCard = CHARGE_RESULT_NO_CARD;
const uint32_t kRequestAborted = ERROR_REQUEST_ABORTED; // the HTTP client was stopped
const uint32_t kStatusMark = 0x10000000;                // the HTTP client's status bit

// Time-outs of every request: resolve, connect, send, receive.
const int32_t kResolveTimeout = 0;
const int32_t kConnectTimeout = 60000;
const int32_t kSendTimeout = 240000;
const int32_t kReceiveTimeout = 240000;

std::atomic<DWORD> g_dwRetryWait{PROBE_RETRY_WAIT_MS};

// The service's answer codes, in the order they are compared. A code whose result depends
// on the request has 0 here.
struct ServerCode {
    const char* pszCode;
    uint32_t uResult;
    uint32_t uServerNotice; // WM_PROBEUPLOAD_SERVER kind, 0: none
};

const ServerCode kServerCodes[] = {
    {"C00", CHARGE_RESULT_SUCCESS, 0},
    {"C01", PROBE_RESULT_C01, PROBE_SERVER_C01},
    {"C02", PROBE_RESULT_C02, PROBE_SERVER_C02},
    {"C03", PROBE_RESULT_C03, 0},
    {"C05", PROBE_RESULT_C05, 0},
    {"C06", PROBE_RESULT_C06, 0},
    {"C07", PROBE_RESULT_C07, 0},
    {"E99", 0, 0},
    {"S00", CHARGE_RESULT_SUCCESS, 0},
    {"S01", PROBE_RESULT_S01, 0},
    {"S03", PROBE_RESULT_S03, 0},
    {"S04", PROBE_RESULT_S04, 0},
    {"S05", PROBE_RESULT_S05, 0},
    {"R00", CHARGE_RESULT_SUCCESS, 0},
    {"R01", PROBE_RESULT_R01, 0},
    {"R02", PROBE_RESULT_R02, 0},
    {"R04", PROBE_RESULT_R04, 0},
    {"R05", PROBE_RESULT_R05, 0},
    {kAbortReply, kAborted, 0},
};

uint32_t E99Result(uint32_t requestId)
{
    switch (requestId) {
    case kConsentRequest: return PROBE_RESULT_CONSENT_E99;
    case kUploadRequest: return PROBE_RESULT_UPLOAD_E99;
    default: return PROBE_RESULT_COMPLETION_E99;
    }
}

// The file's size, or false when it cannot be opened (gone since the scan).
bool ProbeFileSize(const std::string& path, uint64_t& size)
{
    lib::CHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER length = {};
    if (!file.IsValid() || !GetFileSizeEx(file.Get(), &length)) return false;
    size = static_cast<uint64_t>(length.QuadPart);
    return true;
}

} // namespace

bool IsProbeRetryError(uint32_t code)
{
    static const uint32_t kRetryCodes[] = {
        ERROR_WINHTTP_OUT_OF_HANDLES,         // 12001
        ERROR_WINHTTP_TIMEOUT,                // 12002
        ERROR_WINHTTP_INTERNAL_ERROR,         // 12004
        ERROR_WINHTTP_NAME_NOT_RESOLVED,      // 12007
        ERROR_WINHTTP_INVALID_OPTION,         // 12009
        ERROR_WINHTTP_OPERATION_CANCELLED,    // 12017
        ERROR_WINHTTP_INCORRECT_HANDLE_STATE, // 12019
        ERROR_WINHTTP_CANNOT_CONNECT,         // 12029
        ERROR_WINHTTP_CONNECTION_ERROR,       // 12030
        ERROR_WINHTTP_RESEND_REQUEST,         // 12032
        ERROR_WINHTTP_INVALID_SERVER_RESPONSE, // 12152
        500, 502, 503, 504,                   // HTTP status
    };
    return std::find(std::begin(kRetryCodes), std::end(kRetryCodes), code) !=
           std::end(kRetryCodes);
}

void SetProbeUploadRetryWait(DWORD milliseconds)
{
    g_dwRetryWait = milliseconds != 0 ? milliseconds : PROBE_RETRY_WAIT_MS;
}

// The reader has no abort event: its file steps always run to their end, and the job looks
// for an abort between them.
CProbeUpload::CProbeUpload()
    : CCharge(CHARGTYPE_PROBE_UPLOAD), m_uLastSystemError(0), m_byAutomatic(0), m_uScanNotice(0),
      m_pcProbefile(new CProbeFile(nullptr))
{
}

CProbeUpload::~CProbeUpload() = default;

uint32_t CProbeUpload::_Proc()
{
    TOLVE_LOG(LOG_INFO, "ProbeUpload start");
    _PostPercentMessage(PROBE_PERCENT_START);
    _PostStatusMessage(PROBE_STEP_BRACKET, 0);
    _PostStatusMessage(PROBE_STEP_STARTED, 0);

    uint32_t result = _ProbeUploadProc();

    _PostPercentMessage(PROBE_PERCENT_END);
    _PostStatusMessage(PROBE_STEP_BRACKET, 0);
    _PostStatusMessage(PROBE_STEP_ENDED, 0);
    if (result == CHARGE_RESULT_SUCCESS) {
        _PostStatusMessage(PROBE_STEP_RESULT, 0);
    } else {
        m_pcProbefile->ClearTempData();
        if (result <= CHARGE_DETAIL_MASK) result |= PROBE_RESULT_LOCAL;
        const uint32_t value =
            result == (PROBE_RESULT_LOCAL | PROBE_RESULT_NO_FILE) ? m_uScanNotice : result;
        _PostStatusMessage(PROBE_STEP_RESULT, static_cast<LPARAM>(value));
    }
    _NotifyError(result, m_uLastSystemError);
    TOLVE_LOG(LOG_INFO, "ProbeUpload end, Ret:%0x", result);
    return result;
}

uint32_t CProbeUpload::_ProbeUploadProc()
{
    m_vecNotified.clear();
    m_uScanNotice = 0;
    if (IsAbort()) return kAborted;
    if (!_IsSDExists()) return kNoCard;

    _PostStatusMessage(PROBE_STEP_SCANNING, 0);
    if (_AnalyzeProbeData() == 0) return PROBE_RESULT_NO_FILE;
    TOLVE_LOG(LOG_INFO, "Probe Upload start");
    _PostPercentMessage(PROBE_PERCENT_FOUND);

    m_strSendPath = lib::GetTemporaryFileFolder() + kSendFileName;
    uint32_t result = CHARGE_RESULT_SUCCESS;
    while (!m_vecPending.empty()) {
        DeleteFileA(m_strSendPath.c_str());
        m_pcProbefile->ResetSendHeader(false);
        uint64_t batchCount = 0;
        std::vector<std::string> batch;
        bool piecesSent = false;

        while (!m_vecPending.empty()) {
            if (IsAbort()) return kAborted;
            if (!_IsSDExists()) return kNoCard;
            const std::string path = m_vecPending.front();
            uint64_t size = 0;
            if (!ProbeFileSize(path, size)) {
                _RemovePending();
                continue;
            }
            if (size > PROBE_SIZE_LIMIT) return PROBE_RESULT_TOO_LARGE;
            uint64_t newCount = batchCount + size;
            if (newCount > PROBE_SIZE_LIMIT) break; // it starts the next batch

            _PostStatusMessage(PROBE_STEP_MERGING, 0);
            m_pcProbefile->ClearTempData();
            result = m_pcProbefile->MakeSendFile(path.c_str(), m_strSendPath.c_str());
            if (result == CProbeFile::PROBE_OTHER_IDENTITY ||
                result == CProbeFile::PROBE_OTHER_SOFTWARE) {
                break; // it starts the next batch
            }
            if (result != CProbeFile::PROBE_OK) {
                _RemovePending(); // stays on the card for a later run
                break;
            }
            result = _CheckConsent(m_pcProbefile->GetLastCCID(), m_pcProbefile->GetUid());
            if (result != CHARGE_RESULT_SUCCESS) {
                // Nothing of a batch without consent is completed.
                batchCount = 0;
                batch.clear();
                _RemovePending();
                break;
            }

            _PostStatusMessage(PROBE_STEP_CONSENTED, 0);
            if (IsAbort()) return kAborted;
            result = m_pcProbefile->CombineDrvHiRecFile();
            if (result != CHARGE_RESULT_SUCCESS) return result;
            uint32_t stepResult = m_pcProbefile->CreateSendFile();
            if (stepResult != CProbeFile::PROBE_OK) {
                TOLVE_LOG(LOG_ERROR,
                          "CProbeUpload::_CreateSendFile: _pcProbefile->CreateSendFile failure "
                          "ERR:0x%08X",
                          stepResult);
            }
            result = stepResult;

            if (m_pcProbefile->GetTotalSize() > PROBE_SIZE_LIMIT && stepResult == 0) {
                if (m_vecPending.size() > 1) {
                    // The send file is full: this much goes up now as a piece of the batch.
                    result = _StartWebUpLoad();
                    DeleteFileA(m_strSendPath.c_str());
                    if (result != CHARGE_RESULT_SUCCESS) return result;
                    m_pcProbefile->ResetSendHeader(true);
                    piecesSent = true;
                    newCount = 0;
                } else {
                    batchCount = newCount;
                    batch.push_back(path);
                    _RemovePending();
                    break;
                }
            }
            if (stepResult != CProbeFile::PROBE_OK) {
                TOLVE_LOG(LOG_ERROR, "_ProbeUploadProc:  _MergeSendFile failure ERR:0x%08X",
                          stepResult);
                _RemovePending(); // left on the card, tried again in a later run
                continue;
            }
            batchCount = newCount;
            batch.push_back(path);
            _RemovePending();
        }

        // A batch with recordings is completed, also when all of it went up in pieces and
        // nothing was merged since the last one. Recordings without real files give no send
        // file: a batch of only those has nothing to send and stays on the card.
        const bool sendRest = batchCount > 0 && lib::PathFileExistsStr(m_strSendPath);
        if (!batch.empty() && !sendRest && !piecesSent) {
            TOLVE_LOG(LOG_INFO, "CProbeUpload::_ProbeUploadProc no data to send FileCnt:%d",
                      static_cast<int>(batch.size()));
            result = PROBE_RESULT_NO_FILE;
        } else if (!batch.empty()) {
            result = _ProbeUploadComp(batch, sendRest);
            if (result != CHARGE_RESULT_SUCCESS) {
                TOLVE_LOG(LOG_ERROR, "CProbeUpload::_ProbeUploadProc: _StartWebUpLoad failure "
                                     "ERR:0x%08X",
                          result);
                return result;
            }
        }
    }
    return result;
}

uint32_t CProbeUpload::_AnalyzeProbeData()
{
    m_vecPending.clear();
    const std::string folder = lib::FormatString(kProbeFolder, GetDriveLetter());
    std::vector<WIN32_FIND_DATAA> entries;
    lib::FindFiles(folder + "*", entries);
    bool otherModel = false;
    bool needLogin = false;
    bool otherError = false;
    for (const WIN32_FIND_DATAA& entry : entries) {
        if (lib::IsDotEntry(entry.cFileName)) continue;
        const std::string path = folder + entry.cFileName + "\\" + kProbeFileName;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        const uint32_t check = m_pcProbefile->_CheckProbeFile(path.c_str());
        if (check == CProbeFile::PROBE_OK) {
            m_vecPending.push_back(path);
        } else if (check == CProbeFile::PROBE_OTHER_MODEL) {
            if (otherModel) continue;
            otherModel = true;
            _NotifyScan(check);
            TOLVE_LOG(LOG_INFO, "Other Model File Notice");
        } else if (check == CProbeFile::PROBE_UNKNOWN_USER) {
            if (needLogin) continue;
            needLogin = true;
            _NotifyScan(check);
            TOLVE_LOG(LOG_INFO, "Need Login notice");
        } else {
            if (otherError) continue;
            otherError = true;
            _NotifyScan(check);
            TOLVE_LOG(LOG_INFO, "Other Error Notice ErrorCode:%x", check);
        }
    }
    std::sort(m_vecPending.begin(), m_vecPending.end());
    TOLVE_LOG(LOG_INFO, "CProbeUpload::_AnalyzeProbeData( ) - End FileCnt:%d",
              static_cast<int>(m_vecPending.size()));
    return static_cast<uint32_t>(m_vecPending.size());
}

void CProbeUpload::_NotifyScan(uint32_t checkResult)
{
    m_uScanNotice = PROBE_NOTICE_BASE | checkResult;
    PostMessageA(GetNotifyWindow(), WM_PROBEUPLOAD_NOTICE, m_uScanNotice, 0);
}

uint32_t CProbeUpload::_CheckConsent(const std::string& ccid, const std::string& uid)
{
    uint32_t result = PROBE_RESULT_UNKNOWN_REPLY;
    const auto known = m_mapConsent.find(ccid);
    if (known != m_mapConsent.end()) {
        result = known->second;
        TOLVE_LOG(LOG_DEBUG, "CProbeUpload::_CheckConsent It has acquired it");
    }
    if (result != CHARGE_RESULT_SUCCESS) {
        if (IsAbort()) return kAborted;
        _PostStatusMessage(PROBE_STEP_CONSENT_REQUEST, 0);
        result = _PostData(ccid, uid, kConsentRequest, nullptr);
        // A refusal or a failed check is asked again the next time.
        m_mapConsent[ccid] = result;
    }
    TOLVE_LOG(LOG_DEBUG, "CheckConsent End[Ret=%d]", static_cast<int>(result));
    return result;
}

uint32_t CProbeUpload::_ProbeUploadComp(const std::vector<std::string>& batch, bool sendRest)
{
    _PostPercentMessage(PROBE_PERCENT_BATCH_UPLOAD);
    const uint32_t upload = sendRest ? _StartWebUpLoad() : CHARGE_RESULT_SUCCESS;
    _PostPercentMessage(PROBE_PERCENT_BATCH_SENT);
    if (upload != CHARGE_RESULT_SUCCESS) return upload;

    if (IsAbort()) return kAborted;
    const uint32_t result =
        ProbeUploadComp(m_pcProbefile->GetLastCCID(), m_pcProbefile->GetUid());
    if (result != CHARGE_RESULT_SUCCESS) {
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::_StartWebUpLoad: send data failure ERR:0x%08X",
                  result);
        return result;
    }
    // Every completed recording goes, even when one of them cannot: what stayed would be
    // sent again by the next run.
    uint32_t deleted = CHARGE_RESULT_SUCCESS;
    for (const std::string& path : batch) {
        if (_DeleteProbeData(path) != CHARGE_RESULT_SUCCESS) deleted = PROBE_RESULT_DELETE;
    }
    return deleted;
}

uint32_t CProbeUpload::_StartWebUpLoad()
{
    if (IsAbort()) return kAborted;
    std::vector<char> data;
    const uint32_t created = _CreateSendFile(data);
    if (created != CHARGE_RESULT_SUCCESS) return created | PROBE_RESULT_LOCAL;
    if (IsAbort()) return kAborted;
    _PostPercentMessage(PROBE_PERCENT_REQUEST);
    const uint32_t result =
        ProbeUpload(m_pcProbefile->GetLastCCID(), m_pcProbefile->GetUid(), data);
    data.clear();
    data.shrink_to_fit();
    if (IsAbort()) return kAborted;
    return result;
}

uint32_t CProbeUpload::_CreateSendFile(std::vector<char>& data)
{
    CWinFileSystemLib files(GetAbortEvent());
    lib::CHandle file(files.CreateFile_Recover(m_strSendPath.c_str(), GENERIC_READ,
                                               FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        m_uLastSystemError = files.GetLastError();
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::_CreateSendFile open failure ERR:0x%08X",
                  m_uLastSystemError);
        DeleteFileA(m_strSendPath.c_str());
        return PROBE_RESULT_SEND_OPEN;
    }
    LARGE_INTEGER length = {};
    const bool sized = GetFileSizeEx(file.Get(), &length) != FALSE;
    const uint64_t size = sized ? static_cast<uint64_t>(length.QuadPart) : 0;
    const size_t trailer = sizeof kDataTrailer - 1;
    // A send file holds one batch: far below what one read of a DWORD can take.
    if (!sized || size == 0 || size > 0x7FFFFFFF) {
        m_uLastSystemError = !sized      ? GetLastError()
                             : size == 0 ? ERROR_HANDLE_EOF
                                         : ERROR_NOT_ENOUGH_MEMORY;
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::_CreateSendFile size failure ERR:0x%08X",
                  m_uLastSystemError);
        return PROBE_RESULT_NO_MEMORY;
    }
    try {
        data.resize(static_cast<size_t>(size) + trailer);
    } catch (const std::bad_alloc&) {
        m_uLastSystemError = ERROR_NOT_ENOUGH_MEMORY;
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::_CreateSendFile memory failure ERR:0x%08X",
                  m_uLastSystemError);
        return PROBE_RESULT_NO_MEMORY;
    }
    DWORD read = 0;
    const BOOL ok = files.ReadFile_Recover(file.Get(), data.data(), static_cast<DWORD>(size),
                                           &read, nullptr);
    file.Close();
    DeleteFileA(m_strSendPath.c_str());
    if (!ok || read != size) {
        m_uLastSystemError = ok ? ERROR_HANDLE_EOF : files.GetLastError();
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::_CreateSendFile read failure ERR:0x%08X",
                  m_uLastSystemError);
        data.clear();
        return PROBE_RESULT_SEND_READ;
    }
    std::memcpy(data.data() + size, kDataTrailer, trailer);
    return CHARGE_RESULT_SUCCESS;
}

uint32_t CProbeUpload::ProbeUpload(const std::string& ccid, const std::string& uid,
                                   const std::vector<char>& data)
{
    _PostStatusMessage(PROBE_STEP_UPLOAD_REQUEST, 0);
    return _PostData(ccid, uid, kUploadRequest, &data);
}

uint32_t CProbeUpload::ProbeUploadComp(const std::string& ccid, const std::string& uid)
{
    _PostStatusMessage(PROBE_STEP_COMPLETION_REQUEST, 0);
    return _PostData(ccid, uid, kCompletionRequest, nullptr);
}

uint32_t CProbeUpload::_PostData(const std::string& ccid, const std::string& uid,
                                 uint32_t requestId, const std::vector<char>* data)
{
    uint32_t result = PROBE_RESULT_UNKNOWN_REPLY;
    uint32_t error = 0;
    const std::string reply = __PostData(ccid, uid, requestId, data, error);
    const size_t equals = reply.find('=');
    const std::string code = equals == std::string::npos ? reply : reply.substr(equals + 1);
    TOLVE_LOG(LOG_DEBUG, "CProbeUpload::_PostData - API:%d, SVRRET:%s",
              static_cast<int>(requestId), code.c_str());
    for (const ServerCode& known : kServerCodes) {
        if (code.compare(0, 3, known.pszCode) != 0) continue;
        result = known.uResult;
        if (std::strcmp(known.pszCode, "E99") == 0) result = E99Result(requestId);
        if (known.uServerNotice != 0) _NotifyServerResult(ccid, known.uServerNotice);
        break;
    }
    if (error != 0) {
        TOLVE_LOG(LOG_ERROR,
                  "CProbeUpload::_PostData Other errors when probe system is communicated "
                  "RES:0x%08X",
                  error);
        result = error;
    }
    return result;
}

std::string CProbeUpload::__PostData(const std::string& ccid, const std::string& uid,
                                     uint32_t requestId, const std::vector<char>* data,
                                     uint32_t& error)
{
    error = 0;
    std::string reply;
    const size_t dataSize = data != nullptr ? data->size() : 0;
    TOLVE_LOG(LOG_DEBUG, "PostData Start ID:%s Type:%d AddData:%08X AddDataSize:%d",
              ccid.c_str(), static_cast<int>(requestId),
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(data)),
              static_cast<int>(dataSize));

    const std::string nickName = m_pcProbefile->GetNickName();
    CConnectionParameterData parameters;
    if (requestId == kConsentRequest || requestId == kCompletionRequest) {
        parameters.SetProbeParameter(nickName.c_str(), ccid.c_str(), uid.c_str(),
                                     requestId == kConsentRequest ? kConsentFc : kCompletionFc);
    } else if (requestId == kUploadRequest) {
        parameters.SetProbeUploadParameter(
            m_pcProbefile->GetMapVer(), m_pcProbefile->GetAplVer(),
            m_pcProbefile->GetMaker().c_str(), m_pcProbefile->GetNaviModel().c_str(),
            nickName.c_str(), ccid.c_str(), uid.c_str(), kUploadFc);
    } else {
        error = PROBE_RESULT_INTERNAL;
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::__PostData: Parameter error [para=%d]",
                  static_cast<int>(requestId));
        return reply;
    }

    CConnectionFile& table = CConnectionFile::GetInstance();
    uint32_t textSize = 0;
    const lib::CMallocBuffer text = table.CreatePostData(requestId, parameters, textSize);
    if (!text) {
        error = PROBE_RESULT_BODY;
        return reply;
    }
    const std::string form(text.get(), textSize);
    TOLVE_LOG(LOG_DEBUG, "ProbeUpload PostData: %s", form.c_str());

    // The data goes behind the form as it is: the service reads it raw, not as a value.
    std::vector<char> body;
    try {
        const size_t mark = data != nullptr ? sizeof kDataMark - 1 : 0;
        body.reserve(form.size() + mark + dataSize);
        body.assign(form.begin(), form.end());
        if (data != nullptr) {
            body.insert(body.end(), kDataMark, kDataMark + mark);
            body.insert(body.end(), data->begin(), data->end());
        }
    } catch (const std::bad_alloc&) {
        error = PROBE_RESULT_INTERNAL;
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::__PostData Memory securing failure");
        return reply;
    }

    const std::string url = table.GetURL(requestId);
    for (uint32_t retries = 0;; ++retries) {
        uint32_t httpResult = 0;
        if (_SendOnce(url, body, requestId, reply, error, httpResult)) break;
        const uint32_t code = httpResult & ~kStatusMark;
        if (retries < PROBE_RETRY_COUNT && IsProbeRetryError(code)) {
            TOLVE_LOG(LOG_INFO, "Conf取得時のWINHTTPエラー時リトライ%d回目",
                      static_cast<int>(retries + 1));
            if (_WaitBeforeRetry()) continue;
            TOLVE_LOG(LOG_INFO, "CProbeUpload::__PostData Cancellation when probe API stands by");
            reply = kAbortReply;
            break;
        }
        error = code | CHARGE_RESULT_TRANSPORT;
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::__PostData PostData error [RES:0x%08X]", error);
        break;
    }
    TOLVE_LOG(LOG_DEBUG, "PostData End[Ret=%s]", reply.c_str());
    return reply;
}

bool CProbeUpload::_SendOnce(const std::string& url, const std::vector<char>& body,
                             uint32_t requestId, std::string& reply, uint32_t& error,
                             uint32_t& httpResult)
{
    CWinHttpWrapper client;
    if (!client.Initialize(url.c_str(), 0, nullptr, true)) {
        error = PROBE_RESULT_CONNECT;
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::__PostData HTTPInitialize failure ERR:0x%08X",
                  static_cast<unsigned>(GetLastError()));
        return true;
    }
    client.SetTimeouts(kResolveTimeout, kConnectTimeout, kSendTimeout, kReceiveTimeout);
    if (!client.Connect(HTTP_VERB_POST, _UserAgent().c_str(), nullptr)) {
        error = PROBE_RESULT_CONNECT;
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::__PostData Connect failure ERR:0x%08X",
                  static_cast<unsigned>(GetLastError()));
        return true;
    }
    const HANDLE thread = client.Upload(body.data(), static_cast<uint32_t>(body.size()),
                                        kContentType, nullptr, nullptr);
    if (thread == nullptr) {
        error = PROBE_RESULT_INTERNAL;
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::__PostData Upload failure ERR:0x%08X",
                  static_cast<unsigned>(GetLastError()));
        return true;
    }
    const HANDLE waits[2] = {thread, GetAbortEvent()};
    const DWORD wait = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (wait == WAIT_OBJECT_0 + 1) {
        TOLVE_LOG(LOG_INFO, "CProbeUpload::__PostData Cancellation when probe API stands by");
        client.RequestAbort(PROBE_ABORT_WAIT_MS);
        reply = kAbortReply;
        return true;
    }
    if (wait != WAIT_OBJECT_0) {
        error = PROBE_RESULT_INTERNAL;
        TOLVE_LOG(LOG_ERROR,
                  "CProbeUpload::__PostData Fatal error when probe API stands by ERR:0x%08X",
                  static_cast<unsigned>(GetLastError()));
        client.RequestAbort(PROBE_ABORT_WAIT_MS);
        return true;
    }
    const uint32_t result = client.GetResult();
    if (result != 0) {
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::__PostData %d Demand Failure[nResponse:0x%08X]",
                  static_cast<int>(requestId), result);
        if (result == kRequestAborted) {
            reply = kAbortReply;
            return true;
        }
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::__PostData - ProbeUpload Error [RES:0x%08X] URI:%s",
                  result, url.c_str());
        httpResult = result;
        return false;
    }
    if (client.GetResponseSize() == 0) {
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::__PostData It is a data size error. 。");
    } else {
        reply.assign(client.GetResponseData(), client.GetResponseSize());
    }
    return true;
}

std::wstring CProbeUpload::_UserAgent() const
{
    const std::string nickName = m_pcProbefile->GetNickName();
    std::string userAgent;
    CUserListFile users;
    if (nickName.empty() ||
        !users.GetUserByNickName(nickName.c_str(), nullptr, nullptr, nullptr, &userAgent) ||
        userAgent.empty()) {
        userAgent = KESTRUM_FIXED_USER_AGENT;
    }
    return lib::StringToWString(userAgent);
}

void CProbeUpload::_NotifyServerResult(const std::string& ccid, uint32_t kind)
{
    if (std::find(m_vecNotified.begin(), m_vecNotified.end(), ccid) != m_vecNotified.end()) {
        return;
    }
    CUserListFile users;
    const int32_t index = users.GetIndexByNickName(m_pcProbefile->GetNickName().c_str());
    PostMessageA(GetNotifyWindow(), WM_PROBEUPLOAD_SERVER, kind, static_cast<LPARAM>(index));
    m_vecNotified.push_back(ccid);
}

uint32_t CProbeUpload::_DeleteProbeData(const std::string& path)
{
    if (!DeleteFileA(path.c_str())) {
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::_DeleteProbeData DeleteFile failure ERR:0x%08X",
                  static_cast<unsigned>(GetLastError()));
        return PROBE_RESULT_DELETE;
    }
    const std::string folder = lib::GetParentFolder(path);
    if (!lib::DeleteFolder(folder.c_str(), true)) {
        TOLVE_LOG(LOG_ERROR, "CProbeUpload::_DeleteProbeData DeleteFolder failure ERR:0x%08X",
                  static_cast<unsigned>(GetLastError()));
        return PROBE_RESULT_DELETE;
    }
    return CHARGE_RESULT_SUCCESS;
}

bool CProbeUpload::_WaitBeforeRetry()
{
    return WaitForSingleObject(GetAbortEvent(), g_dwRetryWait) == WAIT_TIMEOUT;
}
