#include "online/DownLoadCtrl.h"

#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "online/ConnectionFile.h"
#include "online/FixedUserAgent.h"

#include <process.h>

#include <cstdlib>
#include <cstring>
#include <vector>

const VerUpModule VERUP_MODULES[VERUP_MODULE_COUNT] = {
    {1, 0x1, 0x1000, "Launcher.exe"},
    {2, 0x2, 0x2000, "Dapplegate.exe "},
    {3, 0x4, 0x4000, "Mendrill.exe"},
    {4, 0x8, 0x8000, "PellickManager.exe"},
};

namespace {

const UINT kNotifyError = lib::GetRegisteredMessage("QZLNotifyError");
const char kSeparator = '&';
const size_t kReplyFields = 1 + 2 * VERUP_MODULE_COUNT;

// The reply's keys in the order a field is matched against them.
enum FieldKind { FIELD_RESULT, FIELD_VERSION, FIELD_URL };
struct ReplyKey {
    const char* pszKey;
    FieldKind eKind;
    uint32_t uSlot;
};
const ReplyKey kReplyKeys[] = {
    {"RET", FIELD_RESULT, 0},    {"LCVER", FIELD_VERSION, 1}, {"LCURL", FIELD_URL, 1},
    {"DGVER", FIELD_VERSION, 2}, {"DGURL", FIELD_URL, 2},     {"MDVER", FIELD_VERSION, 3},
    {"MDURL", FIELD_URL, 3},     {"PMVER", FIELD_VERSION, 4}, {"PMURL", FIELD_URL, 4},
};

const ReplyKey* FindKey(const std::string& field)
{
    for (const ReplyKey& key : kReplyKeys) {
        if (field.compare(0, std::strlen(key.pszKey), key.pszKey) == 0) return &key;
    }
    return nullptr;
}

// The text behind the field's first "="; empty when it has none.
std::string ValueOf(const std::string& field)
{
    const size_t equals = field.find('=');
    return equals == std::string::npos ? std::string() : field.substr(equals + 1);
}

// Leading digits (after blanks and a sign); 0 when there are none.
int32_t ReadDecimal(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

// A server version read into at most four parts; parts beyond the fourth are neither read
// nor stored.
struct ServerVersion {
    uint32_t uParts = 0; // how many parts the text has
    int32_t aiValues[4] = {};
};

ServerVersion ReadServerVersion(const std::string& text)
{
    ServerVersion version;
    version.uParts = lib::GetFieldCount(text.c_str(), '.');
    const uint32_t stored = version.uParts < 4 ? version.uParts : 4;
    std::string part;
    for (uint32_t i = 0; i < stored; ++i) {
        if (lib::GetField(text.c_str(), i, part, '.')) version.aiValues[i] = ReadDecimal(part);
    }
    return version;
}

// Three parts compare major, minor and build, four parts the revision as well; any other
// form is never newer.
bool IsOlderThan(const int32_t local[4], const ServerVersion& server)
{
    if (server.uParts != 3 && server.uParts != 4) return false;
    for (uint32_t i = 0; i < server.uParts; ++i) {
        if (local[i] != server.aiValues[i]) return local[i] < server.aiValues[i];
    }
    return false;
}

// The fixed file version of a program: false when it has no version resource (also when it
// is missing); `readable` false when the resource exists but its root block cannot be read.
bool ReadFileVersion(const std::string& path, int32_t parts[4], bool& readable)
{
    readable = false;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<char> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length) ||
        info == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
        return true;
    }
    parts[0] = HIWORD(info->dwFileVersionMS);
    parts[1] = LOWORD(info->dwFileVersionMS);
    parts[2] = HIWORD(info->dwFileVersionLS);
    parts[3] = LOWORD(info->dwFileVersionLS);
    readable = true;
    return true;
}

} // namespace

CDownLoadCtrl::CDownLoadCtrl()
    : m_hOwnerWnd(nullptr)
    , m_uOwnerMessage(0)
    , m_hAbortEvent(CreateEventA(nullptr, FALSE, FALSE, "INSTALLERDOWNLOADURLABORT"))
    , m_iServerResult(-1)
{
    if (!m_hAbortEvent.IsValid()) {
        TOLVE_LOG(LOG_ERROR, "CDownLoadCtrl::CDownLoadCtrl CreateEvent fail [ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
    }
}

CDownLoadCtrl::~CDownLoadCtrl() { StopAll(); }

void CDownLoadCtrl::SetNotifyOwner(HWND window, UINT message)
{
    m_hOwnerWnd = window;
    m_uOwnerMessage = message;
}

bool CDownLoadCtrl::StartGetURL()
{
    if (!m_hAbortEvent.IsValid()) return false;
    // One request at a time; the thread of the last one may still be on its way out after
    // its outcome was posted.
    if (m_hURLThread.IsValid()) _StopGetURL(DOWNLOAD_ABORT_WAIT_MS);
    if (m_hURLThread.IsValid()) return false; // its wait failed: it may still use the client
    // A stop made while no request ran left the event set: the new request must not end
    // on it.
    ResetEvent(m_hAbortEvent.Get());
    m_pURLClient.reset(new CWinHttpWrapper());
    *m_hURLThread.Out() = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &CDownLoadCtrl::_GetURLThread, this, 0, nullptr));
    if (!m_hURLThread.IsValid()) {
        TOLVE_LOG(LOG_ERROR, "CDownLoadCtrl::StartGetURL thread fail [ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return false;
    }
    return true;
}

unsigned __stdcall CDownLoadCtrl::_GetURLThread(void* parameter)
{
    CDownLoadCtrl* ctrl = static_cast<CDownLoadCtrl*>(parameter);
    TOLVE_LOG(LOG_DEBUG, "%s", "CDownLoadCtrl::_GetURLThread - Start");
    const bool parsed = ctrl->_GetURL();
    // The window waits for this message whatever happened, a stop included.
    if (ctrl->m_hOwnerWnd != nullptr) {
        PostMessageA(ctrl->m_hOwnerWnd, ctrl->m_uOwnerMessage, 0,
                     parsed ? 0 : static_cast<LPARAM>(-1));
    }
    TOLVE_LOG(LOG_DEBUG, "CDownLoadCtrl::_GetURLThread - End RESULT:%d", parsed ? 0 : -1);
    return parsed ? 0 : 1;
}

bool CDownLoadCtrl::_GetURL()
{
    if (WaitForSingleObject(m_hAbortEvent.Get(), 0) == WAIT_OBJECT_0) {
        TOLVE_LOG(LOG_INFO, "%s", "CDownLoadCtrl::_GetURLThread stopped before start");
        return false;
    }
    CWinHttpWrapper& client = *m_pURLClient;
    const std::string url = CConnectionFile::GetInstance().GetURL(VERUP_REQUEST_ID);
    if (!client.Initialize(url.c_str(), 0, nullptr, true)) {
        TOLVE_LOG(LOG_ERROR, "_GetURLThread Initialize fail [ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return false;
    }
    if (!client.Connect(HTTP_VERB_POST, KESTRUM_FIXED_USER_AGENT_W, nullptr)) {
        TOLVE_LOG(LOG_ERROR, "_GetURLThread Connect fail [ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return false;
    }
    const HANDLE request =
        client.Upload(nullptr, 0, "application/x-www-form-urlencoded", nullptr, nullptr);
    if (request == nullptr) {
        TOLVE_LOG(LOG_ERROR, "_GetURLThread Upload fail [ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return false;
    }
    const HANDLE waits[2] = {request, m_hAbortEvent.Get()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        TOLVE_LOG(LOG_INFO, "%s", "CDownLoadCtrl::_GetURLThread stopped");
        client.RequestAbort(DOWNLOAD_ABORT_WAIT_MS);
        return false;
    }
    const uint32_t result = client.GetResult();
    if (result != 0) {
        _PostNotice(VERUP_NOTICE_TRANSPORT | (result & 0xFFFF));
        TOLVE_LOG(LOG_ERROR, "_GetURLThread GetResponse fail [ERR:0x%08X]",
                  static_cast<unsigned>(result));
        return false;
    }
    const bool parsed = ParseURLData(client.GetResponseData(), client.GetResponseSize());
    if (m_iServerResult != 0) {
        _PostNotice(VERUP_NOTICE_SERVER | static_cast<uint32_t>(m_iServerResult));
    }
    return parsed;
}

void CDownLoadCtrl::_PostNotice(uint32_t notice)
{
    if (m_hOwnerWnd != nullptr) PostMessageA(m_hOwnerWnd, kNotifyError, notice, 0);
}

bool CDownLoadCtrl::ParseURLData(const char* data, uint32_t size)
{
    if (data == nullptr || size == 0) {
        m_iServerResult = VERUP_RESULT_NO_BODY;
        TOLVE_LOG(LOG_ERROR, "CDownLoadCtrl::ParseURLData failure [ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return false;
    }
    // The body is not terminated; a zero byte inside ends the text.
    const std::string text(data, strnlen(data, size));
    const uint32_t count = lib::GetFieldCount(text.c_str(), kSeparator);
    if (count != kReplyFields) {
        if (text.compare(0, 4, "RET=") == 0) m_iServerResult = ReadDecimal(text.substr(4));
        TOLVE_LOG(LOG_ERROR, "CDownLoadCtrl::ParseURLData fields:%u", static_cast<unsigned>(count));
        return false;
    }
    std::string field;
    for (uint32_t i = 0; i < count; ++i) {
        const ReplyKey* key =
            lib::GetField(text.c_str(), i, field, kSeparator) ? FindKey(field) : nullptr;
        if (key == nullptr) {
            TOLVE_LOG(LOG_ERROR, "CDownLoadCtrl::ParseURLData unknown field %u",
                      static_cast<unsigned>(i));
            return false;
        }
        const std::string value = ValueOf(field);
        switch (key->eKind) {
        case FIELD_RESULT:
            m_iServerResult = ReadDecimal(value);
            break;
        case FIELD_VERSION:
            m_aModules[key->uSlot - 1].strServerVersion = value;
            break;
        case FIELD_URL:
            m_aModules[key->uSlot - 1].strURL = value;
            break;
        }
    }
    return true;
}

uint32_t CDownLoadCtrl::CheckHaveNewVersion()
{
    std::string folder = lib::PathRemoveFileSpecStr(lib::GetModuleFileNameStr(nullptr));
    lib::AppendBackslash(folder);
    uint32_t bits = 0;
    for (uint32_t i = 0; i < VERUP_MODULE_COUNT; ++i) {
        const VerUpModule& module = VERUP_MODULES[i];
        const std::string& serverVersion = m_aModules[i].strServerVersion;
        int32_t local[4] = {};
        bool readable = false;
        if (!ReadFileVersion(folder + module.pszFileName, local, readable)) {
            bits |= module.uUpdateBit | module.uFirstInstallBit;
            TOLVE_LOG(LOG_INFO, "CheckHaveNewVersion %s:FirstInstall,ServerVer:%s",
                      module.pszFileName, serverVersion.c_str());
            continue;
        }
        if (!readable) {
            TOLVE_LOG(LOG_ERROR, "CheckHaveNewVersion %s:no fixed file version",
                      module.pszFileName);
            continue;
        }
        if (IsOlderThan(local, ReadServerVersion(serverVersion))) {
            bits |= module.uUpdateBit;
            TOLVE_LOG(LOG_INFO, "CheckHaveNewVersion %s:LocalVer:%d.%d.%d.%d,ServerVer:%s",
                      module.pszFileName, local[0], local[1], local[2], local[3],
                      serverVersion.c_str());
        }
    }
    return bits;
}

bool CDownLoadCtrl::StopAll()
{
    bool ended = true;
    for (std::unique_ptr<CDownLoadWorker>& worker : m_apWorkers) {
        if (worker && !worker->Stop(DOWNLOAD_ABORT_WAIT_MS)) ended = false;
        worker.reset();
    }
    if (!_StopGetURL(DOWNLOAD_ABORT_WAIT_MS)) ended = false;
    return ended;
}

bool CDownLoadCtrl::_StopGetURL(DWORD timeoutMs)
{
    if (!m_hURLThread.IsValid()) return true;
    // The event is named: every program's version request waits on it. It is set only to
    // stop this object's own request while it still runs.
    if (m_hAbortEvent.IsValid() && WaitForSingleObject(m_hURLThread.Get(), 0) == WAIT_TIMEOUT) {
        SetEvent(m_hAbortEvent.Get());
    }
    const ThreadEnd end = EndStoppedThread(m_hURLThread, timeoutMs);
    if (end == THREAD_ENDED) return true;
    if (end == THREAD_WAIT_FAILED) {
        TOLVE_LOG(LOG_ERROR, "CDownLoadCtrl::_StopGetURL wait fail [ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return false;
    }
    TOLVE_LOG(LOG_ERROR, "%s", "CDownLoadCtrl::_StopGetURL timeout: thread terminated");
    // The client's own request thread must end before the client may go.
    if (m_pURLClient) m_pURLClient->RequestAbort(timeoutMs);
    return false;
}

bool CDownLoadCtrl::StartDownload(uint32_t slot)
{
    if (!_IsSlot(slot)) return false;
    std::unique_ptr<CDownLoadWorker>& worker = m_apWorkers[slot - 1];
    // An old worker would go on writing the file the new one writes.
    if (worker) {
        worker->Stop(DOWNLOAD_ABORT_WAIT_MS);
        worker.reset();
    }
    worker.reset(new CDownLoadWorker(m_hOwnerWnd));
    const std::string& url = m_aModules[slot - 1].strURL;
    if (url.empty()) {
        TOLVE_LOG(LOG_ERROR, "CDownLoadCtrl::StartDownload no package URL SLOT:%u",
                  static_cast<unsigned>(slot));
        return false;
    }
    return worker->Start(url);
}

bool CDownLoadCtrl::GetDownLoadWorker(uint32_t slot, CDownLoadWorker*& worker)
{
    if (!_IsSlot(slot) || !m_apWorkers[slot - 1]) return false;
    worker = m_apWorkers[slot - 1].get();
    return true;
}

std::string CDownLoadCtrl::GetDownloadFilePath(uint32_t slot)
{
    std::string path;
    CDownLoadWorker* worker = nullptr;
    if (GetDownLoadWorker(slot, worker)) worker->GetFilePath(path);
    return path;
}

std::string CDownLoadCtrl::GetServerVersion(uint32_t slot) const
{
    return _IsSlot(slot) ? m_aModules[slot - 1].strServerVersion : std::string();
}

std::string CDownLoadCtrl::GetPackageURL(uint32_t slot) const
{
    return _IsSlot(slot) ? m_aModules[slot - 1].strURL : std::string();
}
