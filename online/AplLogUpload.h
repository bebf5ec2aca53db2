#pragma once
// The upload of the system's own logs to the maker's support service. The log upload window
// first asks the service whether it wants this unit's logs (kind 0, the permission check);
// after the user's consent it starts the upload (kind 1): the logs of the Log folder and a
// description of the PC ("PcInfo.txt") are gathered in a work folder, zipped and sent as a
// multipart form; after the service accepted them the sent logs are deleted from the PC.
// Both kinds run on a worker thread of the one process-wide instance, which posts
//     (owner window, message, wParam = result code, lParam = last system error)
// once when it ends. During the upload the HTTP client posts WM_LOGUPLOAD_PROGRESS (wParam
// the reply's content length, lParam the chunk's bytes) to the same window.
//
//     CAplLogUpload* upload = CAplLogUpload::GetInstance();
//     upload->SetNaviInfo(ccidHead, deviceNo, userAgent);
//     upload->Start(window, WM_LOGUPLOAD_PERMISSION, APLLOG_KIND_PERMISSION);
//     ... result 0: ask the user, then Start(window, WM_LOGUPLOAD_FINISHED, APLLOG_KIND_UPLOAD)
//     CAplLogUpload::DeleteInstance();              // when the window goes
//
// Only the owner's thread calls the members. Start hands the worker a copy of the unit data,
// so SetNaviInfo may come at any time; it names the archive of the next upload.
// The named auto-reset event "AplLogUploadCancel" cancels a running request: whoever opens
// it may set it; the worker then aborts the request and ends with APLLOG_RESULT_CANCELLED.
//
// What is deleted after an upload is what was sent: each log copied into the archive, while
// its size and last write time are still those of the copy. A log written to after it was
// copied, one begun during the upload and one too large to send stay for the next upload.

#include "lib/Handle.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CWinHttpWrapper;

const UINT WM_LOGUPLOAD_PERMISSION = WM_APP + 2;
const UINT WM_LOGUPLOAD_PROGRESS = WM_APP + 3;
const UINT WM_LOGUPLOAD_FINISHED = WM_APP + 4;

const char APLLOG_UPLOAD_CANCEL_EVENT_NAME[] = "AplLogUploadCancel";

enum AplLogUploadKind : int32_t {
    APLLOG_KIND_NONE = -1, // nothing started yet
    APLLOG_KIND_PERMISSION = 0,
    APLLOG_KIND_UPLOAD = 1,
};

// Result codes (wParam of the posted message). The window puts its message category in the
// top byte, so every code stays within 24 bits.
enum : uint32_t {
    APLLOG_RESULT_SUCCESS = 0,           // uploaded / an upload is wanted
    APLLOG_RESULT_NOT_WANTED = 1,        // the service wants no upload
    APLLOG_RESULT_CANCELLED = 0x00FF00,  // through the cancel event
    APLLOG_RESULT_TRANSPORT = 0x100000,  // | the HTTP client's result (status mark dropped)
    APLLOG_RESULT_PERMISSION_REPLY = 0x200100, // | the reply reader's code (bit 31 dropped)
    APLLOG_RESULT_UPLOAD_REPLY = 0x200200,     // | the reply reader's code (bit 31 dropped)
    APLLOG_RESULT_HTTP_SETUP = 0x40FF04,   // the client could not be initialised or connected
    APLLOG_RESULT_REQUEST_BODY = 0x40FFA0, // the request body could not be built
    APLLOG_RESULT_BAD_ARGUMENT = 0x40FFA1, // window, message, kind, unit data, path, work folder
    APLLOG_RESULT_THREAD = 0x40FFFF,       // no worker, or the wait for the request failed
    APLLOG_RESULT_LIST_FOLDER = 0x600001,  // a log folder could not be listed
    APLLOG_RESULT_DELETE = 0x600005,       // a sent log could not be deleted
    APLLOG_RESULT_ZIP = 0x600009,          // zipping failed (last error: the zip's code)
};

// Named logs larger than this are not sent.
const uint64_t APLLOG_NAMED_LOG_MAX_SIZE = 0x400400;
// How long a cancelled request may take to stop.
const DWORD APLLOG_REQUEST_ABORT_MS = 25000;
// How long Start waits for the previous worker.
const DWORD APLLOG_START_WAIT_MS = 1500;
// How long DeleteInstance waits for a cancelled worker: longer than its request's abort.
const DWORD APLLOG_DELETE_WAIT_MS = 30000;

// Which logs are sent, by file name.
enum AplLogFileKind {
    APLLOG_FILE_OTHER, // not sent
    APLLOG_FILE_NAMED, // holds a program's log name; sent up to APLLOG_NAMED_LOG_MAX_SIZE
    APLLOG_FILE_DAILY, // "YYYYMMDD.log" of 1980 to 2099; any size
};

class CAplLogUpload {
public:
    // The process-wide instance, made on first use.
    static CAplLogUpload* GetInstance();
    // Deletes the instance. A running worker is cancelled first and waited for up to
    // APLLOG_DELETE_WAIT_MS; one that outlives the wait is logged and the instance stays
    // (false), never freed under it. True when no instance is left.
    static bool DeleteInstance();

    // The unit's CCID head, device number and user agent for the requests; the device number
    // and the local time now name the archive. False (result APLLOG_RESULT_BAD_ARGUMENT,
    // nothing stored) when one is missing, or the device number cannot be part of a file
    // name.
    bool SetNaviInfo(uint32_t ccidHead, const char* deviceNo, const char* userAgent);

    // Starts the worker of the kind. False, with nothing started, for a bad window, message 0
    // or an unknown kind (APLLOG_RESULT_BAD_ARGUMENT), while the previous worker still runs
    // after APLLOG_START_WAIT_MS (it is left to end by itself; start again later), and when
    // no thread can be made (APLLOG_RESULT_THREAD).
    bool Start(HWND owner, UINT message, int32_t kind);

    // The last refusal of Start or SetNaviInfo, or the result code and system error the last
    // worker posted. A worker's result is its own: calls refused while it runs do not
    // change what it posts.
    uint32_t GetResult() const { return m_uResult.load(); }
    DWORD GetLastSystemError() const { return m_dwLastError.load(); }
    // "<temporary folder>Ferrox_<device number>_<local time>.zip" and the work folder of the
    // same name with a final backslash; empty before SetNaviInfo.
    const std::string& GetArchivePath() const { return m_strArchivePath; }
    const std::string& GetWorkFolder() const { return m_strWorkFolder; }

    static AplLogFileKind ClassifyLogFileName(const char* name);

    // Test seam: the wait of DeleteInstance (default APLLOG_DELETE_WAIT_MS).
    static void SetDeleteWait(DWORD ms);

private:
    // What a worker works with, copied by Start.
    struct Run {
        int32_t iKind = APLLOG_KIND_NONE;
        HWND hOwnerWnd = nullptr;
        UINT uMessage = 0;
        uint32_t uCcidHead = 0;
        std::string strDeviceNo;
        std::string strUserAgent;
        std::string strArchivePath;
        std::string strWorkFolder;
        // What the worker will post.
        uint32_t uResult = APLLOG_RESULT_SUCCESS;
        DWORD dwLastError = 0;
    };
    // A log copied into the work folder, as its copy holds it.
    struct CopiedLog {
        std::string strFolder;
        std::string strName;
        uint64_t ullSize;
        FILETIME ftLastWrite;
    };

    CAplLogUpload();
    ~CAplLogUpload();
    CAplLogUpload(const CAplLogUpload&) = delete;
    CAplLogUpload& operator=(const CAplLogUpload&) = delete;

    bool _IsWorkerRunning() const;
    static unsigned __stdcall _PermissionThread(void* parameter);
    static unsigned __stdcall _UploadThread(void* parameter);
    // Posts the run's result and makes it the object's; the result.
    uint32_t _PostResult();
    // The object's result (the owner's thread) and the running worker's.
    void _SetResult(uint32_t code, DWORD lastError);
    void _SetRunResult(uint32_t code, DWORD lastError);

    // The permission check; true when the service answered (permitted tells its answer).
    bool _CheckPermission(bool& permitted);
    // The upload's steps.
    std::vector<std::string> _CollectLogFolders();
    // Calls visit for each log file of the folder (base ends in a backslash) until it answers
    // false; a folder that cannot be listed is logged under caller's name and stored as the
    // result (false).
    bool _ForEachLogFile(const std::string& base, const char* caller,
                         const std::function<bool(const WIN32_FIND_DATAA&,
                                                  AplLogFileKind)>& visit);
    void _CollectLogFiles(const std::string& folder, std::vector<CopiedLog>& copied);
    bool _RecordCopy(const std::string& folder, const WIN32_FIND_DATAA& found,
                     std::vector<CopiedLog>& copied);
    void _WritePcInfo();
    bool _CreateSendFile();
    bool _SendLogFile();
    void _DeleteLogFiles(const std::string& folder, const std::vector<CopiedLog>& copied);
    void _CleanUp();

    // Sends the body (form or multipart) on the client and waits for its end or the cancel
    // event; true with the reply in the client, else the failure's result is stored.
    // method names the caller in the log.
    bool _Transfer(CWinHttpWrapper& client, const std::string& url, const void* body,
                   uint32_t size, bool multipart, const char* method);

    static CAplLogUpload* s_pInstance;

    lib::CHandle m_hCancelEvent;
    lib::CHandle m_hThread;
    std::atomic<uint32_t> m_uResult;
    std::atomic<DWORD> m_dwLastError;
    // The unit data of SetNaviInfo and the names they give.
    uint32_t m_uCcidHead;
    std::string m_strDeviceNo;
    std::string m_strUserAgent;
    std::string m_strArchivePath;
    std::string m_strWorkFolder;
    // The worker's copy.
    Run m_stRun;
};
