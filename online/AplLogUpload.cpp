#include "online/AplLogUpload.h"

#include "carddata/ZipIF.h"
#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "online/Charge.h"
#include "online/ConnectionFile.h"
#include "online/ConnectionParameterData.h"
#include "online/PcInfo.h"
#include "online/ReplyAnalyzer.h"
#include "online/WinHttpWrapper.h"

#include <process.h>

#include <atomic>
#include <cstring>

namespace {

// Rows of the request table and the parameters they carry.
const uint32_t kRequestPermission = 23; // "/pcapp/LogUploadCheckAPI"
const uint32_t kRequestUpload = 24;     // "/pcapp/LogUploadAPI"
const uint32_t kParameterDeviceNo = 3;  // "deviceno"
const uint32_t kParameterCcidHead = 8;  // "ccid_head"

const char kFormContentType[] = "application/x-www-form-urlencoded";
const char kMultipartContentType[] = "multipart/form-data";
const char kArchivePrefix[] = "Ferrox";
const char kPcInfoName[] = "PcInfo.txt";

// The programs' log names, tested in this order.
const char* const kNamedLogs[] = {"Launcher_sys.log", "Mendrill_sys.log", "Dapplegate_sys.log",
                                  "PellickManger_sys.log", "Kestrum4Update_sys.log"};

std::atomic<DWORD> g_dwDeleteWait{APLLOG_DELETE_WAIT_MS};

uint64_t FileSize(DWORD high, DWORD low) { return static_cast<uint64_t>(high) << 32 | low; }

bool IsDigits(const char* text, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

int ReadNumber(const char* text, size_t count)
{
    int value = 0;
    for (size_t i = 0; i < count; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

// The log texts of one kind of request.
struct TransferTexts {
    const char* pszDone;
    const char* pszCancelled;
    const char* pszFailed;
};

const TransferTexts kPermissionTexts = {
    "AplLogUpload::_CheckPermission - ログアップロード許可確認通信完了",
    "AplLogUpload::_CheckPermission - ログアップロード許可確認時のユーザキャンセル",
    "CAplLogUpload::_CheckPermission - ログアップロード許可確認通信失敗",
};
const TransferTexts kUploadTexts = {
    "AplLogUpload::_SendLogFile - ログアップロード通信完了",
    "AplLogUpload::_SendLogFile - ログアップロード時のユーザキャンセル",
    "CAplLogUpload::_SendLogFile - ログアップロード通信失敗",
};

} // namespace

CAplLogUpload* CAplLogUpload::s_pInstance = nullptr;

CAplLogUpload* CAplLogUpload::GetInstance()
{
    if (s_pInstance == nullptr) s_pInstance = new CAplLogUpload();
    return s_pInstance;
}

bool CAplLogUpload::DeleteInstance()
{
    CAplLogUpload* instance = s_pInstance;
    if (instance == nullptr) return true;
    if (instance->_IsWorkerRunning()) {
        // The worker uses the instance until it ends; its request stops within
        // APLLOG_REQUEST_ABORT_MS of the cancel, collecting and zipping do not look at it.
        SetEvent(instance->m_hCancelEvent.Get());
        if (WaitForSingleObject(instance->m_hThread.Get(), g_dwDeleteWait.load()) ==
            WAIT_TIMEOUT) {
            TOLVE_LOG(LOG_ERROR, "%s",
                      "CAplLogUpload::DeleteInstance - 処理中スレッド生存のため解放せず");
            return false;
        }
    }
    s_pInstance = nullptr;
    delete instance;
    return true;
}

void CAplLogUpload::SetDeleteWait(DWORD ms) { g_dwDeleteWait.store(ms); }

CAplLogUpload::CAplLogUpload()
    : m_uResult(APLLOG_RESULT_SUCCESS)
    , m_dwLastError(0)
    , m_uCcidHead(0)
{
    *m_hCancelEvent.Out() = CreateEventA(nullptr, FALSE, FALSE, APLLOG_UPLOAD_CANCEL_EVENT_NAME);
    if (!m_hCancelEvent.IsValid()) {
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::CAplLogUpload - CreateEvent失敗 ERR:0x%08X",
                  static_cast<unsigned>(GetLastError()));
    }
}

CAplLogUpload::~CAplLogUpload() = default;

bool CAplLogUpload::SetNaviInfo(uint32_t ccidHead, const char* deviceNo, const char* userAgent)
{
    if (ccidHead == 0) {
        TOLVE_LOG(LOG_ERROR, "%s", "CAplLogUpload::SetNaviInfo - CCID指定なし");
        _SetResult(APLLOG_RESULT_BAD_ARGUMENT, 0);
        return false;
    }
    if (deviceNo == nullptr || deviceNo[0] == '\0') {
        TOLVE_LOG(LOG_ERROR, "%s", "CAplLogUpload::SetNaviInfo - DeviceNo指定なし");
        _SetResult(APLLOG_RESULT_BAD_ARGUMENT, 0);
        return false;
    }
    if (userAgent == nullptr || userAgent[0] == '\0') {
        TOLVE_LOG(LOG_ERROR, "%s", "CAplLogUpload::SetNaviInfo - UserAgent指定なし");
        _SetResult(APLLOG_RESULT_BAD_ARGUMENT, 0);
        return false;
    }
    // The device number names the archive and the work folder, which are deleted again after
    // the upload: it may only hold characters that stay inside one file name. Device numbers
    // are ASCII, so a byte beyond it is refused rather than read as a double-byte character.
    if (!lib::IsAsciiFileNameText(deviceNo)) {
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::SetNaviInfo - DeviceNo不正 %s", deviceNo);
        _SetResult(APLLOG_RESULT_BAD_ARGUMENT, 0);
        return false;
    }
    m_uCcidHead = ccidHead;
    m_strDeviceNo = deviceNo;
    m_strUserAgent = userAgent;

    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string name =
        lib::FormatString("%s_%s_%02d%02d%02d%02d%02d%02d", kArchivePrefix, deviceNo,
                          now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
    const std::string temporary = lib::GetTemporaryFileFolder();
    m_strArchivePath = temporary + name + ".zip";
    m_strWorkFolder = temporary + name + "\\";
    return true;
}

bool CAplLogUpload::Start(HWND owner, UINT message, int32_t kind)
{
    _SetResult(APLLOG_RESULT_SUCCESS, 0);
    if (!IsWindow(owner)) {
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::Start - 指定HWND不正 %08X",
                  static_cast<unsigned>(reinterpret_cast<UINT_PTR>(owner)));
        _SetResult(APLLOG_RESULT_BAD_ARGUMENT, 0);
        return false;
    }
    if (message == 0) {
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::Start - 指定WindowMessage不正 %08X", message);
        _SetResult(APLLOG_RESULT_BAD_ARGUMENT, 0);
        return false;
    }
    if (kind != APLLOG_KIND_PERMISSION && kind != APLLOG_KIND_UPLOAD) {
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::Start - 指定処理種別不正 %X",
                  static_cast<unsigned>(kind));
        _SetResult(APLLOG_RESULT_BAD_ARGUMENT, 0);
        return false;
    }

    if (m_hThread.IsValid()) {
        // Never ended by force: a worker stopped in the middle of a request could leave the
        // request table's lock or the heap's held for every later request of the process.
        if (WaitForSingleObject(m_hThread.Get(), APLLOG_START_WAIT_MS) == WAIT_TIMEOUT) {
            TOLVE_LOG(LOG_ERROR,
                      "CAplLogUpload::Start - 開始要求時の処理中エラー直前スレッド生存 %X",
                      static_cast<unsigned>(m_stRun.iKind));
            return false;
        }
        m_hThread.Close();
    }
    if (!m_hCancelEvent.IsValid()) {
        *m_hCancelEvent.Out() =
            CreateEventA(nullptr, FALSE, FALSE, APLLOG_UPLOAD_CANCEL_EVENT_NAME);
    }
    if (!m_hCancelEvent.IsValid()) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::Start - CreateEvent失敗 ERR:0x%08X",
                  static_cast<unsigned>(error));
        _SetResult(APLLOG_RESULT_THREAD, error);
        return false;
    }

    m_stRun.iKind = kind;
    m_stRun.hOwnerWnd = owner;
    m_stRun.uMessage = message;
    m_stRun.uCcidHead = m_uCcidHead;
    m_stRun.strDeviceNo = m_strDeviceNo;
    m_stRun.strUserAgent = m_strUserAgent;
    m_stRun.strArchivePath = m_strArchivePath;
    m_stRun.strWorkFolder = m_strWorkFolder;
    m_stRun.uResult = APLLOG_RESULT_SUCCESS;
    m_stRun.dwLastError = 0;
    ResetEvent(m_hCancelEvent.Get());

    unsigned(__stdcall * entry)(void*) =
        kind == APLLOG_KIND_PERMISSION ? &CAplLogUpload::_PermissionThread
                                       : &CAplLogUpload::_UploadThread;
    *m_hThread.Out() =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, entry, this, 0, nullptr));
    if (!m_hThread.IsValid()) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::Start - スレッド開始失敗(種別:%d) ERR:0x%08X", kind,
                  static_cast<unsigned>(error));
        _SetResult(APLLOG_RESULT_THREAD, error);
        return false;
    }
    return true;
}

AplLogFileKind CAplLogUpload::ClassifyLogFileName(const char* name)
{
    if (name == nullptr) return APLLOG_FILE_OTHER;
    for (const char* named : kNamedLogs) {
        if (std::strstr(name, named) != nullptr) return APLLOG_FILE_NAMED;
    }
    // Exactly "YYYYMMDD.log".
    if (std::strlen(name) != 12 || !IsDigits(name, 8) || std::strcmp(name + 8, ".log") != 0) {
        return APLLOG_FILE_OTHER;
    }
    const int year = ReadNumber(name, 4);
    const int month = ReadNumber(name + 4, 2);
    const int day = ReadNumber(name + 6, 2);
    if (year < 1980 || year > 2099 || month < 1 || month > 12 || day < 1 || day > 31) {
        return APLLOG_FILE_OTHER;
    }
    return APLLOG_FILE_DAILY;
}

bool CAplLogUpload::_IsWorkerRunning() const
{
    return m_hThread.IsValid() && WaitForSingleObject(m_hThread.Get(), 0) == WAIT_TIMEOUT;
}

void CAplLogUpload::_SetResult(uint32_t code, DWORD lastError)
{
    // The window's category goes into the top byte.
    m_uResult.store(code & CHARGE_CODE_MASK);
    m_dwLastError.store(lastError);
}

void CAplLogUpload::_SetRunResult(uint32_t code, DWORD lastError)
{
    m_stRun.uResult = code & CHARGE_CODE_MASK;
    m_stRun.dwLastError = lastError;
}

uint32_t CAplLogUpload::_PostResult()
{
    _SetResult(m_stRun.uResult, m_stRun.dwLastError);
    PostMessageA(m_stRun.hOwnerWnd, m_stRun.uMessage, static_cast<WPARAM>(m_stRun.uResult),
                 static_cast<LPARAM>(m_stRun.dwLastError));
    return m_stRun.uResult;
}

unsigned __stdcall CAplLogUpload::_PermissionThread(void* parameter)
{
    CAplLogUpload* self = static_cast<CAplLogUpload*>(parameter);
    TOLVE_LOG(LOG_DEBUG, "%s", "CAplLogUpload::_PermissionThread - Start");
    bool permitted = false;
    if (self->_CheckPermission(permitted)) {
        self->_SetRunResult(permitted ? APLLOG_RESULT_SUCCESS : APLLOG_RESULT_NOT_WANTED, 0);
    }
    const uint32_t result = self->_PostResult();
    TOLVE_LOG(LOG_DEBUG, "CAplLogUpload::_PermissionThread - End RET:0x%08X", result);
    return result;
}

unsigned __stdcall CAplLogUpload::_UploadThread(void* parameter)
{
    CAplLogUpload* self = static_cast<CAplLogUpload*>(parameter);
    TOLVE_LOG(LOG_DEBUG, "%s", "CAplLogUpload::_UploadThread - Start");
    if (self->m_stRun.strWorkFolder.empty() || self->m_stRun.strArchivePath.empty()) {
        TOLVE_LOG(LOG_ERROR, "%s", "CAplLogUpload::_UploadThread - 端末情報なし");
        self->_SetRunResult(APLLOG_RESULT_BAD_ARGUMENT, 0);
    } else {
        const std::vector<std::string> folders = self->_CollectLogFolders();
        const std::string& work = self->m_stRun.strWorkFolder;
        // Only this run's copies go into the archive.
        if (lib::PathFileExistsStr(work)) lib::DeleteFolder(work.c_str(), false);
        if (!lib::CreateDirectoryTree(work.c_str())) {
            TOLVE_LOG(LOG_ERROR, "CAplLogUpload::_UploadThread - 収集フォルダ作成失敗 %s ERR:0x%08X",
                      work.c_str(), static_cast<unsigned>(GetLastError()));
        }
        std::vector<CopiedLog> copied;
        for (const std::string& folder : folders) self->_CollectLogFiles(folder, copied);
        self->_WritePcInfo();
        if (self->_CreateSendFile() && self->_SendLogFile()) {
            for (const std::string& folder : folders) self->_DeleteLogFiles(folder, copied);
        }
        self->_CleanUp();
    }
    const uint32_t result = self->_PostResult();
    TOLVE_LOG(LOG_DEBUG, "CAplLogUpload::_UploadThread - End RET:0x%08X", result);
    return result;
}

bool CAplLogUpload::_CheckPermission(bool& permitted)
{
    TOLVE_LOG(LOG_DEBUG, "%s", "CAplLogUpload::_CheckPermission - Start");
    // The unit data go as they are stored, also none: the service then answers for no unit.
    CConnectionParameterData parameters;
    if (m_stRun.uCcidHead != 0) parameters.SetCcid(kParameterCcidHead, m_stRun.uCcidHead);
    if (!m_stRun.strDeviceNo.empty()) {
        parameters.SetString(kParameterDeviceNo, m_stRun.strDeviceNo.c_str());
    }
    uint32_t size = 0;
    lib::CMallocBuffer body =
        CConnectionFile::GetInstance().CreatePostData(kRequestPermission, parameters, size);
    if (!body || size == 0) {
        TOLVE_LOG(LOG_ERROR, "%s",
                  "CAplLogUpload::_CheckPermission - ログアップロード許可確認時のパラメータ生成失敗");
        _SetRunResult(APLLOG_RESULT_REQUEST_BODY, GetLastError());
        return false;
    }

    CWinHttpWrapper client;
    const std::string url = CConnectionFile::GetInstance().GetURL(kRequestPermission);
    const bool sent = _Transfer(client, url, body.get(), size, false, "_CheckPermission");
    body.reset();
    if (!sent) return false;

    permitted = false;
    const uint32_t analyzed =
        AnalyzeLogUploadPermission(client.GetResponseData(), client.GetResponseSize(),
                                   permitted) &
        ~REPLY_SERVER_CODE;
    if (analyzed != REPLY_RESULT_SUCCESS) {
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::_CheckPermission - 応答エラー RET:0x%08X", analyzed);
        _SetRunResult(analyzed | APLLOG_RESULT_PERMISSION_REPLY, 0);
        return false;
    }
    TOLVE_LOG(LOG_DEBUG, "CAplLogUpload::_CheckPermission - End VALID:%d", permitted ? 1 : 0);
    return true;
}

std::vector<std::string> CAplLogUpload::_CollectLogFolders()
{
    std::vector<std::string> folders;
    const std::string logFolder = lib::GetLogFolder();
    if (!lib::PathIsDirectoryStr(logFolder)) {
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::_CollectLogFolders - ログフォルダなし %s",
                  logFolder.c_str());
        return folders;
    }
    folders.push_back(logFolder);
    return folders;
}

bool CAplLogUpload::_ForEachLogFile(const std::string& base, const char* caller,
                                    const std::function<bool(const WIN32_FIND_DATAA&,
                                                             AplLogFileKind)>& visit)
{
    WIN32_FIND_DATAA found;
    lib::CFindHandle find(FindFirstFileA((base + "*").c_str(), &found));
    if (!find.IsValid()) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "%s - FindFirstFile失敗 %s ERR:0x%08X", caller, base.c_str(),
                  static_cast<unsigned>(error));
        _SetRunResult(APLLOG_RESULT_LIST_FOLDER, error);
        return false;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        const AplLogFileKind kind = ClassifyLogFileName(found.cFileName);
        if (kind == APLLOG_FILE_OTHER) continue;
        if (!visit(found, kind)) break;
    } while (FindNextFileA(find.Get(), &found));
    return true;
}

void CAplLogUpload::_CollectLogFiles(const std::string& folder, std::vector<CopiedLog>& copied)
{
    if (folder.empty()) {
        TOLVE_LOG(LOG_ERROR, "%s", "CAplLogUpload::_CollectLogFiles - パス指定不正");
        _SetRunResult(APLLOG_RESULT_BAD_ARGUMENT, 0);
        return;
    }
    std::string base = folder;
    lib::AppendBackslash(base);
    _ForEachLogFile(base, "CAplLogUpload::_CollectLogFiles", [&](const WIN32_FIND_DATAA& found,
                                                                 AplLogFileKind kind) {
        const std::string source = base + found.cFileName;
        if (kind == APLLOG_FILE_NAMED &&
            FileSize(found.nFileSizeHigh, found.nFileSizeLow) > APLLOG_NAMED_LOG_MAX_SIZE) {
            TOLVE_LOG(LOG_ERROR,
                      "CAplLogUpload::_CollectLogFiles - ログファイルサイズ超過 SIZE:%X%08Xbyte %s",
                      static_cast<unsigned>(found.nFileSizeHigh),
                      static_cast<unsigned>(found.nFileSizeLow), source.c_str());
            return true;
        }
        const std::string copy = m_stRun.strWorkFolder + found.cFileName;
        bool recorded = false;
        DWORD error = 0;
        {
            // No writer adds a line while the copy is made and measured.
            const CTolveLogFileLock lock(source.c_str());
            if (CopyFileA(source.c_str(), copy.c_str(), FALSE)) {
                recorded = _RecordCopy(base, found, copied);
            } else {
                error = GetLastError();
            }
        }
        if (error != 0) {
            TOLVE_LOG(LOG_ERROR,
                      "CAplLogUpload::_CollectLogFiles - CopyFile失敗 SRC:%s DST:%s ERR:0x%08X",
                      source.c_str(), copy.c_str(), static_cast<unsigned>(error));
            // A daily log that cannot be copied ends this folder's collection.
            return kind != APLLOG_FILE_DAILY;
        }
        if (!recorded) {
            TOLVE_LOG(LOG_INFO, "CAplLogUpload::_CollectLogFiles - 複写中に更新(削除対象外) %s",
                      source.c_str());
        }
        return true;
    });
}

bool CAplLogUpload::_RecordCopy(const std::string& folder, const WIN32_FIND_DATAA& found,
                                std::vector<CopiedLog>& copied)
{
    // The log counts as sent as it stands now only when its copy holds all of it.
    WIN32_FILE_ATTRIBUTE_DATA source = {};
    WIN32_FILE_ATTRIBUTE_DATA copy = {};
    if (!GetFileAttributesExA((folder + found.cFileName).c_str(), GetFileExInfoStandard,
                              &source) ||
        !GetFileAttributesExA((m_stRun.strWorkFolder + found.cFileName).c_str(),
                              GetFileExInfoStandard, &copy)) {
        return false;
    }
    const uint64_t size = FileSize(source.nFileSizeHigh, source.nFileSizeLow);
    if (size != FileSize(copy.nFileSizeHigh, copy.nFileSizeLow)) return false;
    copied.push_back({folder, found.cFileName, size, source.ftLastWriteTime});
    return true;
}

void CAplLogUpload::_WritePcInfo()
{
    const std::string path = m_stRun.strWorkFolder + kPcInfoName;
    if (!WritePcInfoFile(path, FormatPcInfo(GatherPcInfoFacts()))) {
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::_WritePcInfo - PC情報ファイル作成失敗 %s",
                  path.c_str());
    }
}

bool CAplLogUpload::_CreateSendFile()
{
    const std::string& work = m_stRun.strWorkFolder;
    if (!lib::PathIsDirectoryStr(work)) {
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::_CreateSendFile - 送信ファイル作成時の収集フォルダなし %s",
                  work.c_str());
        _SetRunResult(APLLOG_RESULT_BAD_ARGUMENT, 0);
        return false;
    }
    CZipIF zip;
    if (!zip.ZipFolder(work, m_stRun.strArchivePath)) {
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::_CreateSendFile - 送信ファイル圧縮失敗 %s ERR:0x%08X",
                  m_stRun.strArchivePath.c_str(), static_cast<unsigned>(zip.GetError()));
        _SetRunResult(APLLOG_RESULT_ZIP, zip.GetError());
        return false;
    }
    return true;
}

bool CAplLogUpload::_SendLogFile()
{
    TOLVE_LOG(LOG_DEBUG, "%s", "CAplLogUpload::_SendLogFile - Start");
    CConnectionParameterData parameters;
    uint32_t size = 0;
    lib::CMallocBuffer body;
    if (parameters.SetLogUpload(m_stRun.strDeviceNo.c_str(), m_stRun.uCcidHead,
                                m_stRun.strArchivePath.c_str())) {
        body = CConnectionFile::GetInstance().CreateMultiPartData(kRequestUpload, parameters,
                                                                  size);
    }
    if (!body || size == 0) {
        TOLVE_LOG(LOG_ERROR, "%s",
                  "CAplLogUpload::_SendLogFile - ログアップロード時のパラメータ生成失敗");
        _SetRunResult(APLLOG_RESULT_REQUEST_BODY, GetLastError());
        return false;
    }
    TOLVE_LOG(LOG_INFO, "CAplLogUpload::_SendLogFile - ログアップロードデータサイズ %dbyte",
              static_cast<int>(size));

    CWinHttpWrapper client;
    client.SetNotifyWindow(m_stRun.hOwnerWnd, WM_LOGUPLOAD_PROGRESS);
    const std::string url = CConnectionFile::GetInstance().GetURL(kRequestUpload);
    const bool sent = _Transfer(client, url, body.get(), size, true, "_SendLogFile");
    body.reset();
    if (!sent) return false;

    const uint32_t analyzed =
        AnalyzeRet(client.GetResponseData(), client.GetResponseSize()) & ~REPLY_SERVER_CODE;
    if (analyzed != REPLY_RESULT_SUCCESS) {
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::_SendLogFile - 応答エラー RET:0x%08X", analyzed);
        _SetRunResult(analyzed | APLLOG_RESULT_UPLOAD_REPLY, 0);
        return false;
    }
    TOLVE_LOG(LOG_DEBUG, "%s", "CAplLogUpload::_SendLogFile - End");
    return true;
}

bool CAplLogUpload::_Transfer(CWinHttpWrapper& client, const std::string& url, const void* body,
                              uint32_t size, bool multipart, const char* method)
{
    const TransferTexts& texts = multipart ? kUploadTexts : kPermissionTexts;
    if (!client.Initialize(url.c_str(), 0, nullptr, true)) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::%s - Initialize失敗 URL:%s ERR:0x%08X", method,
                  url.c_str(), static_cast<unsigned>(error));
        _SetRunResult(APLLOG_RESULT_HTTP_SETUP, error);
        return false;
    }
    const std::wstring userAgent = lib::StringToWString(m_stRun.strUserAgent);
    if (!client.Connect(HTTP_VERB_POST, userAgent.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::%s - Connect失敗 ERR:0x%08X", method,
                  static_cast<unsigned>(error));
        _SetRunResult(APLLOG_RESULT_HTTP_SETUP, error);
        return false;
    }

    const HANDLE request =
        multipart ? client.UploadMultiPart(body, size, CConnectionFile::MULTIPART_BOUNDARY,
                                           kMultipartContentType)
                  : client.Upload(body, size, kFormContentType, nullptr, nullptr);
    if (request == nullptr) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::%s - 送信開始失敗 ERR:0x%08X", method,
                  static_cast<unsigned>(error));
        _SetRunResult(APLLOG_RESULT_THREAD, error);
        return false;
    }
    const HANDLE waits[2] = {request, m_hCancelEvent.Get()};
    const DWORD waited = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    const DWORD waitError = GetLastError();
    TOLVE_LOG(LOG_INFO, "%s", texts.pszDone);

    if (waited == WAIT_OBJECT_0 + 1) {
        _SetRunResult(APLLOG_RESULT_CANCELLED, 0);
        client.RequestAbort(APLLOG_REQUEST_ABORT_MS);
        TOLVE_LOG(LOG_INFO, "%s", texts.pszCancelled);
        return false;
    }
    if (waited != WAIT_OBJECT_0) {
        TOLVE_LOG(LOG_ERROR, "%s WAIT:0x%08X ERR:0x%08X", texts.pszFailed,
                  static_cast<unsigned>(waited), static_cast<unsigned>(waitError));
        _SetRunResult(APLLOG_RESULT_THREAD, waitError);
        return false;
    }
    const uint32_t httpResult = client.GetResult();
    if (httpResult != 0) {
        TOLVE_LOG(LOG_ERROR, "%s RESULT:0x%08X", texts.pszFailed, httpResult);
        _SetRunResult(ChargeTransportResult(httpResult), GetLastError());
        return false;
    }
    return true;
}

void CAplLogUpload::_DeleteLogFiles(const std::string& folder,
                                    const std::vector<CopiedLog>& copied)
{
    std::string base = folder;
    lib::AppendBackslash(base);
    _ForEachLogFile(base, "CAplLogUpload::DeleteFile", [&](const WIN32_FIND_DATAA& found,
                                                           AplLogFileKind kind) {
        const CopiedLog* sent = nullptr;
        for (const CopiedLog& log : copied) {
            if (log.strFolder == base && log.strName == found.cFileName) sent = &log;
        }
        // Never sent: too large, not copied, or begun after the copies were made.
        if (sent == nullptr) return true;

        const std::string path = base + found.cFileName;
        bool unchanged = false;
        bool deleted = false;
        DWORD error = 0;
        {
            // No writer may add a line between the comparison and the deletion.
            const CTolveLogFileLock lock(path.c_str());
            WIN32_FILE_ATTRIBUTE_DATA now = {};
            unchanged = lock.IsLocked() &&
                        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &now) &&
                        FileSize(now.nFileSizeHigh, now.nFileSizeLow) == sent->ullSize &&
                        CompareFileTime(&now.ftLastWriteTime, &sent->ftLastWrite) == 0;
            if (unchanged) {
                deleted = DeleteFileA(path.c_str()) != FALSE;
                if (!deleted) error = GetLastError();
            }
        }
        if (!unchanged) {
            TOLVE_LOG(LOG_INFO, "CAplLogUpload::DeleteFile - 送信後に更新(次回送信) %s",
                      path.c_str());
            return true;
        }
        if (!deleted) {
            TOLVE_LOG(LOG_ERROR, "CAplLogUpload::DeleteFile - DeleteFile失敗 PATH:%s ERR:0x%08X",
                      path.c_str(), static_cast<unsigned>(error));
            _SetRunResult(APLLOG_RESULT_DELETE, error);
            if (kind == APLLOG_FILE_DAILY) return false;
        }
        return true;
    });
}

void CAplLogUpload::_CleanUp()
{
    if (!m_stRun.strArchivePath.empty() && lib::PathFileExistsStr(m_stRun.strArchivePath) &&
        !DeleteFileA(m_stRun.strArchivePath.c_str())) {
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::_CleanUp - 送信ファイル削除失敗 %s ERR:0x%08X",
                  m_stRun.strArchivePath.c_str(), static_cast<unsigned>(GetLastError()));
    }
    if (!m_stRun.strWorkFolder.empty() && lib::PathFileExistsStr(m_stRun.strWorkFolder) &&
        !lib::DeleteFolder(m_stRun.strWorkFolder.c_str(), true)) {
        TOLVE_LOG(LOG_ERROR, "CAplLogUpload::_CleanUp - 収集フォルダ削除失敗 %s",
                  m_stRun.strWorkFolder.c_str());
    }
}
