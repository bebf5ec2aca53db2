#pragma once
// One package download of the version-up: a worker thread with its own HTTP client fetches
// one URL into the application's "Download\" folder. CDownLoadCtrl (online/DownLoadCtrl.h)
// makes one worker per module slot and owns it; the version-up window reads the file's path
// once the client's progress messages have counted the whole package.
//
// What the windows receive:
//   progress window (SetNotifyWindow)  the client's reading progress: wParam the package's
//                                      Content-Length, lParam the bytes of one chunk; the
//                                      last message only once the file is whole on disk
//   owner window                       "QZLDownloadNotifyError" (0, 0) when a download
//                                      failed; a stop by the owner posts nothing
//
// Only the owner's thread calls Start, Stop, SetNotifyWindow and deletes the worker; the
// state and the file path may be read from any thread.

#include "lib/Handle.h"
#include "lib/wfc/CriticalSection.h"
#include "online/WinHttpWrapper.h"

#include <windows.h>

#include <cstdint>
#include <string>

// A worker's state.
enum : int32_t {
    DOWNLOAD_STATE_IDLE = -1,       // never started, ended, or stopped
    DOWNLOAD_STATE_STARTED = 0,     // Start made the thread
    DOWNLOAD_STATE_DOWNLOADING = 1, // the thread runs the request
    DOWNLOAD_STATE_FINISHED = 2,    // the file is complete; lasts until the thread ends
};

// The wait for a stopped request (the client's RequestAbort) and the owner's wait for a
// stopped worker.
const DWORD DOWNLOAD_ABORT_WAIT_MS = 25000;

// How a thread that was told to stop came to its end.
enum ThreadEnd { THREAD_ENDED, THREAD_TERMINATED, THREAD_WAIT_FAILED };
// Waits for the thread up to the time-out and terminates it after that; the handle is
// closed unless the wait itself failed.
ThreadEnd EndStoppedThread(lib::CHandle& thread, DWORD timeoutMs);

class CDownLoadWorker {
public:
    // owner: receives "QZLDownloadNotifyError". Takes the download folder; state idle.
    explicit CDownLoadWorker(HWND owner);
    // Stops a thread that still runs (the owner normally stopped it already).
    ~CDownLoadWorker();
    CDownLoadWorker(const CDownLoadWorker&) = delete;
    CDownLoadWorker& operator=(const CDownLoadWorker&) = delete;

    // The client's progress goes to that window with that message. Set it before the
    // request reaches the server: messages of chunks read earlier go nowhere.
    bool SetNotifyWindow(HWND window, UINT message);

    // Only while idle: forgets the previous file path, starts the download thread. False
    // (state idle again) when the thread cannot be made.
    bool Start(const std::string& url);
    // Sets the worker's abort event and the state idle, then waits for the thread up to the
    // time-out; true when it ended (or none ran). After the time-out the thread is
    // terminated and the client's request thread is stopped with the same time-out: false.
    bool Stop(DWORD timeoutMs);

    int32_t GetState();
    // The path of the file of the last started download; false while there is none (before
    // the thread chose it, or when the URL gave no acceptable file name).
    bool GetFilePath(std::string& path);
    const std::string& GetURL() const { return m_strURL; }

    // The file name a package URL gives: the last segment of the URL's path, without query
    // or fragment. Empty (refused) when the URL cannot be cracked, or the name is empty,
    // "." or "..", ends in a dot or a blank, holds \ / : * ? " < > | or a control
    // character, or names a device ("CON", "com1.msi").
    static std::string PackageFileName(const std::string& url);

private:
    enum Outcome { OUTCOME_SUCCEEDED, OUTCOME_FAILED, OUTCOME_STOPPED };

    static unsigned __stdcall _DownLoadThread(void* parameter);
    Outcome _DownLoad();
    // Waits for the client's request; OUTCOME_STOPPED when the abort event came first.
    Outcome _RunRequest(const std::string& path);
    bool _IsAborted() const;
    void _SetState(int32_t state);
    void _SetFilePath(const std::string& path);

    lib::CHandle m_hAbortEvent; // manual reset, this worker's alone; Start resets it
    HWND m_hOwnerWnd;
    CWinHttpWrapper m_cClient;
    int32_t m_iState;
    lib::wfc::CCriticalSection m_csState; // guards the state and the file path
    std::string m_strDownloadFolder;
    std::string m_strFilePath;
    std::string m_strURL;
    lib::CHandle m_hThread;
};
