#include "online/DownLoadWorker.h"

#include "lib/AppFolder.h"
#include "lib/DbcsText.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "online/FixedUserAgent.h"

#include <process.h>
#include <winhttp.h>

namespace {

const UINT kDownloadError = lib::GetRegisteredMessage("QZLDownloadNotifyError");

bool IsAcceptableFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == ".." || lib::IsDeviceName(name)) return false;
    char last = '\0';
    for (const char* p = name.c_str(); *p != '\0';) {
        const size_t size = lib::DbcsCharSize(p);
        if (size == 1 && lib::IsForbiddenFileNameChar(static_cast<unsigned char>(*p))) return false;
        last = size == 1 ? *p : '\0';
        p += size;
    }
    // Windows drops a final dot or blank, so the file would get another name than the one
    // kept for it.
    return last != '.' && last != ' ';
}

// The size of the file at the path; -1 when it cannot be opened.
int64_t FileSizeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return -1;
    return static_cast<int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

} // namespace

ThreadEnd EndStoppedThread(lib::CHandle& thread, DWORD timeoutMs)
{
    const DWORD wait = WaitForSingleObject(thread.Get(), timeoutMs);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        thread.Close();
        return THREAD_ENDED;
    }
    if (wait != WAIT_TIMEOUT) return THREAD_WAIT_FAILED;
    TerminateThread(thread.Get(), 0);
    WaitForSingleObject(thread.Get(), INFINITE);
    thread.Close();
    return THREAD_TERMINATED;
}

CDownLoadWorker::CDownLoadWorker(HWND owner)
    : m_hAbortEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    , m_hOwnerWnd(owner)
    , m_iState(DOWNLOAD_STATE_IDLE)
    , m_strDownloadFolder(lib::GetDownloadFolder())
{
    if (!m_hAbortEvent.IsValid()) {
        TOLVE_LOG(LOG_ERROR, "CDownLoadWorker::CDownLoadWorker CreateEvent fail [ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
    }
}

CDownLoadWorker::~CDownLoadWorker()
{
    // The thread and the client's request thread both work on this object.
    if (m_hThread.IsValid()) Stop(DOWNLOAD_ABORT_WAIT_MS);
}

bool CDownLoadWorker::SetNotifyWindow(HWND window, UINT message)
{
    m_cClient.SetNotifyWindow(window, message);
    return true;
}

bool CDownLoadWorker::Start(const std::string& url)
{
    {
        lib::wfc::CCriticalSection::CLock lock(&m_csState, true);
        if (m_iState != DOWNLOAD_STATE_IDLE) {
            TOLVE_LOG(LOG_ERROR, "CDownLoadWorker::Start already Start STATE:%d",
                      static_cast<int>(m_iState));
            return false;
        }
        if (!m_hAbortEvent.IsValid()) return false;
        m_iState = DOWNLOAD_STATE_STARTED;
        m_strFilePath.clear();
    }
    // An idle worker's thread has ended or is on its last step.
    if (m_hThread.IsValid()) {
        WaitForSingleObject(m_hThread.Get(), INFINITE);
        m_hThread.Close();
    }
    // A stop of an earlier run may have left the event set.
    ResetEvent(m_hAbortEvent.Get());
    m_strURL = url;
    *m_hThread.Out() = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &CDownLoadWorker::_DownLoadThread, this, 0, nullptr));
    if (!m_hThread.IsValid()) {
        TOLVE_LOG(LOG_ERROR, "CDownLoadWorker::Start thread fail [ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        _SetState(DOWNLOAD_STATE_IDLE);
        return false;
    }
    return true;
}

bool CDownLoadWorker::Stop(DWORD timeoutMs)
{
    if (m_hAbortEvent.IsValid()) SetEvent(m_hAbortEvent.Get());
    _SetState(DOWNLOAD_STATE_IDLE);
    if (!m_hThread.IsValid()) return true;

    const ThreadEnd end = EndStoppedThread(m_hThread, timeoutMs);
    if (end == THREAD_ENDED) return true;
    if (end == THREAD_WAIT_FAILED) {
        TOLVE_LOG(LOG_ERROR, "CDownLoadWorker::Stop wait fail [ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return false;
    }
    TOLVE_LOG(LOG_ERROR, "CDownLoadWorker::Stop timeout: thread terminated URL:%s",
              m_strURL.c_str());
    // The client's request thread outlives the terminated one; it must end before the
    // client can go. Whatever it wrote is no package.
    m_cClient.RequestAbort(timeoutMs);
    std::string path;
    if (GetFilePath(path)) DeleteFileA(path.c_str());
    // The terminated thread may have moved the state on after the stop set it.
    _SetState(DOWNLOAD_STATE_IDLE);
    return false;
}

int32_t CDownLoadWorker::GetState()
{
    lib::wfc::CCriticalSection::CLock lock(&m_csState, true);
    return m_iState;
}

bool CDownLoadWorker::GetFilePath(std::string& path)
{
    lib::wfc::CCriticalSection::CLock lock(&m_csState, true);
    if (m_strFilePath.empty()) return false;
    path = m_strFilePath;
    return true;
}

std::string CDownLoadWorker::PackageFileName(const std::string& url)
{
    const std::wstring wideURL = lib::StringToWString(url);
    if (wideURL.empty()) return std::string();
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    // Asking for the extra information keeps the query and the fragment out of the path.
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wideURL.c_str(), 0, 0, &parts) || parts.lpszUrlPath == nullptr) {
        return std::string();
    }
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    // Wine leaves a fragment that follows no query in the path.
    path = path.substr(0, path.find_first_of(L"?#"));
    const size_t slash = path.rfind(L'/');
    const std::string name =
        lib::WStringToString(slash == std::wstring::npos ? path : path.substr(slash + 1));
    return IsAcceptableFileName(name) ? name : std::string();
}

unsigned __stdcall CDownLoadWorker::_DownLoadThread(void* parameter)
{
    CDownLoadWorker* worker = static_cast<CDownLoadWorker*>(parameter);
    TOLVE_LOG(LOG_DEBUG, "%s", "CDownLoadWorker::_DownLoadThread - Start");
    const Outcome outcome = worker->_DownLoad();
    if (outcome == OUTCOME_FAILED && worker->m_hOwnerWnd != nullptr) {
        PostMessageA(worker->m_hOwnerWnd, kDownloadError, 0, 0);
    }
    TOLVE_LOG(LOG_DEBUG, "CDownLoadWorker::_DownLoadThread - End OUTCOME:%d",
              static_cast<int>(outcome));
    worker->_SetState(DOWNLOAD_STATE_IDLE);
    return static_cast<unsigned>(outcome);
}

CDownLoadWorker::Outcome CDownLoadWorker::_DownLoad()
{
    // Set at the start only by a Stop of this run: the owner wants no notice.
    if (_IsAborted()) {
        TOLVE_LOG(LOG_INFO, "CDownLoadWorker::_DownLoadThread stopped before start URL:%s",
                  m_strURL.c_str());
        return OUTCOME_STOPPED;
    }
    _SetState(DOWNLOAD_STATE_DOWNLOADING);

    std::string folder = m_strDownloadFolder;
    lib::AppendBackslash(folder);
    lib::CreateDirectoryRecursive(folder);
    const std::string name = PackageFileName(m_strURL);
    if (name.empty()) {
        TOLVE_LOG(LOG_ERROR, "CDownLoadWorker::_DownLoadThread no file name in URL:%s",
                  m_strURL.c_str());
        return OUTCOME_FAILED;
    }
    const std::string path = folder + name;
    _SetFilePath(path);
    // A file left by an earlier download must never pass for this one.
    if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        TOLVE_LOG(LOG_ERROR,
                  "CDownLoadWorker::_DownLoadThread old file not deleted [ERR:0x%08X] %s",
                  static_cast<unsigned>(GetLastError()), path.c_str());
        return OUTCOME_FAILED;
    }
    const Outcome outcome = _RunRequest(path);
    if (outcome != OUTCOME_SUCCEEDED) {
        // No part of a failed or stopped package stays behind.
        DeleteFileA(path.c_str());
        return outcome;
    }
    _SetState(DOWNLOAD_STATE_FINISHED);
    return OUTCOME_SUCCEEDED;
}

CDownLoadWorker::Outcome CDownLoadWorker::_RunRequest(const std::string& path)
{
    if (!m_cClient.Initialize(m_strURL.c_str(), 0, path.c_str(), true)) {
        TOLVE_LOG(LOG_ERROR, "CDownLoadWorker::_DownLoadThread Initialize fail [ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return OUTCOME_FAILED;
    }
    if (!m_cClient.Connect(HTTP_VERB_GET, KESTRUM_FIXED_USER_AGENT_W, nullptr)) {
        TOLVE_LOG(LOG_ERROR, "CDownLoadWorker::_DownLoadThread Connect fail [ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return OUTCOME_FAILED;
    }
    if (_IsAborted()) return OUTCOME_STOPPED;
    const HANDLE request = m_cClient.SendRequest(nullptr, nullptr);
    if (request == nullptr) {
        TOLVE_LOG(LOG_ERROR, "CDownLoadWorker::_DownLoadThread SendRequest fail [ERR:0x%08X]",
                  static_cast<unsigned>(GetLastError()));
        return OUTCOME_FAILED;
    }
    const HANDLE waits[2] = {request, m_hAbortEvent.Get()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        TOLVE_LOG(LOG_INFO, "CDownLoadWorker::_DownLoadThread stopped URL:%s", m_strURL.c_str());
        m_cClient.RequestAbort(DOWNLOAD_ABORT_WAIT_MS);
        return OUTCOME_STOPPED;
    }
    const uint32_t result = m_cClient.GetResult();
    if (result != 0) {
        TOLVE_LOG(LOG_ERROR, "CDownLoadWorker::_DownLoadThread GetResponse fail [ERR:0x%08X] %s",
                  static_cast<unsigned>(result), m_strURL.c_str());
        return OUTCOME_FAILED;
    }
    // The client writes no file for an empty body, and a package is the whole body or
    // nothing.
    const int64_t size = FileSizeOf(path);
    if (m_cClient.GetResponseSize() == 0 || size != m_cClient.GetResponseSize()) {
        TOLVE_LOG(LOG_ERROR,
                  "CDownLoadWorker::_DownLoadThread file incomplete SIZE:%d RECEIVED:%u %s",
                  static_cast<int>(size), static_cast<unsigned>(m_cClient.GetResponseSize()),
                  path.c_str());
        return OUTCOME_FAILED;
    }
    return OUTCOME_SUCCEEDED;
}

bool CDownLoadWorker::_IsAborted() const
{
    return WaitForSingleObject(m_hAbortEvent.Get(), 0) == WAIT_OBJECT_0;
}

void CDownLoadWorker::_SetState(int32_t state)
{
    lib::wfc::CCriticalSection::CLock lock(&m_csState, true);
    m_iState = state;
}

void CDownLoadWorker::_SetFilePath(const std::string& path)
{
    lib::wfc::CCriticalSection::CLock lock(&m_csState, true);
    m_strFilePath = path;
}
