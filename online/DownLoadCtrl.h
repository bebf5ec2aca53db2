#pragma once
// The version check and the package downloads of the version-up. The version-up window owns
// one CDownLoadCtrl:
//
//     ctrl.SetNotifyOwner(window, RegisterWindowMessage("URLThreadProgress"));
//     ctrl.StartGetURL();             // asks the service for the newest versions
//     ... "URLThreadProgress" arrives: lParam 0 the reply was read, -1 it was not ...
//     uint32_t mask = ctrl.CheckHaveNewVersion();
//     ctrl.StartDownload(4);          // then GetDownLoadWorker(4, worker) and
//     worker->SetNotifyWindow(window, progressMessage);
//     ... progress until the bytes equal the Content-Length, then ...
//     std::string package = ctrl.GetDownloadFilePath(4);
//     ctrl.StopAll();                 // on cancel or close; the destructor does it too
//
// What the owner window receives from the version check, in this order:
//   "QZLNotifyError" (wParam VERUP_NOTICE_TRANSPORT | low 16 bits of the HTTP result, or
//                     VERUP_NOTICE_SERVER | the reply's "RET"; lParam 0)  when one applies
//   owner message     (wParam 0, lParam 0 when the reply was read, else -1)  always once
//                     per StartGetURL, also after a stop
// and from each download worker "QZLDownloadNotifyError" when that download failed.
//
// Only the owner's thread calls the members. The module records and the server result are
// written by the request thread and read after the owner message has arrived.

#include "lib/Handle.h"
#include "online/DownLoadWorker.h"
#include "online/WinHttpWrapper.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

// A program that the version-up keeps up to date, beside the launcher.
struct VerUpModule {
    uint32_t uId;              // 1 to 4; the slot of its download
    uint32_t uUpdateBit;       // set in the update mask when the server has a newer version
    uint32_t uFirstInstallBit; // and this too when the program is not installed
    const char* pszFileName;   // the program's file in the launcher's folder
};
const uint32_t VERUP_MODULE_COUNT = 4;
// Row n - 1 is module n. "Dapplegate.exe " is named with its trailing blank, as the product
// always stored it; Windows drops the blank when it opens the file.
extern const VerUpModule VERUP_MODULES[VERUP_MODULE_COUNT];

// The request of the newest versions in the request table.
const uint32_t VERUP_REQUEST_ID = 30;

// Top bits of the version check's "QZLNotifyError" notices.
const uint32_t VERUP_NOTICE_TRANSPORT = 0x04100000;
const uint32_t VERUP_NOTICE_SERVER = 0x04200000;
// The server result after a reply without a body.
const int32_t VERUP_RESULT_NO_BODY = 99;

class CDownLoadCtrl {
public:
    // Server result -1, no records, no workers.
    CDownLoadCtrl();
    // Stops everything as StopAll does.
    ~CDownLoadCtrl();
    CDownLoadCtrl(const CDownLoadCtrl&) = delete;
    CDownLoadCtrl& operator=(const CDownLoadCtrl&) = delete;

    // Where the version check's outcome and notices go, and what the download workers
    // name as their owner.
    void SetNotifyOwner(HWND window, UINT message);

    // Starts the version request on a thread of its own (a request still running is
    // stopped first and posts its outcome); false when no thread can be made.
    bool StartGetURL();

    // Reads a reply of nine "key=value" fields (RET, then version and URL of each module)
    // into the server result and the module records. False for any other reply; a reply
    // that begins with "RET=" still sets the server result, one without a body sets
    // VERUP_RESULT_NO_BODY. A field with an unknown key ends the reading (the fields
    // before it stay stored).
    bool ParseURLData(const char* data, uint32_t size);

    // The update mask over the four modules: the update and first-install bits of each
    // program missing beside the launcher (or without a version resource), the update bit
    // of each installed program older than the server's version. A server version of three
    // or four decimal parts compares that many parts of the file's version; any other form
    // never asks for an update.
    uint32_t CheckHaveNewVersion();

    // Stops and deletes every worker, then stops the version request, each with
    // DOWNLOAD_ABORT_WAIT_MS. False when a thread had to be terminated.
    bool StopAll();

    // Slot 1 to 4: stops and deletes the slot's worker, puts a new one there and starts it
    // on the module's package URL. False for another slot, an empty URL (the new worker
    // stays idle in the slot) or a start that failed.
    bool StartDownload(uint32_t slot);
    // The slot's worker; false when the slot is out of range or empty.
    bool GetDownLoadWorker(uint32_t slot, CDownLoadWorker*& worker);
    // The file of the slot's worker; empty when there is none.
    std::string GetDownloadFilePath(uint32_t slot);

    // What the last replies gave: the "RET" value (-1 before any), and per slot 1 to 4 the
    // server's version text and package URL (empty for another slot).
    int32_t GetServerResult() const { return m_iServerResult; }
    std::string GetServerVersion(uint32_t slot) const;
    std::string GetPackageURL(uint32_t slot) const;

private:
    struct ModuleRecord {
        std::string strURL;
        std::string strServerVersion;
    };

    static unsigned __stdcall _GetURLThread(void* parameter);
    // The request; true when the reply was read.
    bool _GetURL();
    void _PostNotice(uint32_t notice);
    bool _StopGetURL(DWORD timeoutMs);
    static bool _IsSlot(uint32_t slot) { return slot >= 1 && slot <= VERUP_MODULE_COUNT; }

    HWND m_hOwnerWnd;
    UINT m_uOwnerMessage;
    lib::CHandle m_hAbortEvent; // "INSTALLERDOWNLOADURLABORT", auto reset
    lib::CHandle m_hURLThread;
    // The version request's client; it lives as long as its request thread might.
    std::unique_ptr<CWinHttpWrapper> m_pURLClient;
    int32_t m_iServerResult;
    ModuleRecord m_aModules[VERUP_MODULE_COUNT];
    std::unique_ptr<CDownLoadWorker> m_apWorkers[VERUP_MODULE_COUNT];
};
