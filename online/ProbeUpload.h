#pragma once
// The upload of the unit's driving logs: every recording "%c:\PROBE\<folder>\ProbeData.dat"
// on the card goes to the probe service and, once the service has confirmed its batch, is
// deleted from the card with its folder.
//
// One run: the scan checks every recording (notices for those it cannot send), then the
// recordings, in path order, are merged into batches of one card identity. Per batch the
// service is asked for the owner's consent (fc 94, once per identity while the object
// lives), the merged send file goes up (fc 95; in pieces when it passes 30 MiB), the batch
// is completed (fc 96) and its recordings are deleted. A recording that cannot be unpacked
// or packed is left on the card and tried again in a later run.
//
// What the notify window receives (posted; the probe-log window in the launcher):
//   WM_PROBEUPLOAD_STATUS   wParam step (PROBE_STEP_*)       lParam the step's value
//   WM_PROBEUPLOAD_PERCENT  wParam percent (PROBE_PERCENT_*) lParam 0
//   WM_PROBEUPLOAD_SERVER   wParam PROBE_SERVER_C01 or _C02  lParam the nickname's index in
//                                                            the user list, -1 when absent
//   WM_PROBEUPLOAD_NOTICE   wParam notice (PROBE_NOTICE_*)   lParam 0
//   "QZLNotifyError"        wParam 0x24000000 | the result   lParam last system error
//                           (once per run, also on success)
//   "QZLNotifyFinish"       lParam 36 (the job base)

#include "online/Charge.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CProbeFile;

const UINT WM_PROBEUPLOAD_SERVER = WM_APP + 11;
const UINT WM_PROBEUPLOAD_NOTICE = WM_APP + 17;

// Steps of WM_PROBEUPLOAD_STATUS (value 0 unless said).
enum : uint32_t {
    PROBE_STEP_STARTED = 0,
    PROBE_STEP_SCANNING = 1,         // the card is there; looking for recordings
    PROBE_STEP_MERGING = 2,          // a recording is taken into the batch
    PROBE_STEP_CONSENTED = 3,        // the consent of its identity is confirmed
    PROBE_STEP_CONSENT_REQUEST = 4,
    PROBE_STEP_UPLOAD_REQUEST = 5,
    PROBE_STEP_COMPLETION_REQUEST = 6,
    PROBE_STEP_RESULT = 7,           // value: 0, the run's result, or for "no file" the scan
                                     // notice (0 when nothing was refused)
    PROBE_STEP_ENDED = 8,
    PROBE_STEP_BRACKET = 9,          // before PROBE_STEP_STARTED and before PROBE_STEP_ENDED
};

// Values of WM_PROBEUPLOAD_PERCENT.
enum : uint32_t {
    PROBE_PERCENT_START = 0,
    PROBE_PERCENT_FOUND = 10,       // recordings were found
    PROBE_PERCENT_BATCH_UPLOAD = 30, // before a batch's last upload
    PROBE_PERCENT_REQUEST = 60,     // before every upload request
    PROBE_PERCENT_BATCH_SENT = 80,  // after a batch's last upload
    PROBE_PERCENT_END = 100,
};

// wParam of WM_PROBEUPLOAD_SERVER: what the service said about the identity's owner.
enum : uint32_t {
    PROBE_SERVER_C01 = 1,
    PROBE_SERVER_C02 = 2,
};

// Notices of WM_PROBEUPLOAD_NOTICE: the scan's check result with this added; at most one
// per kind (other model, unknown user, anything else) per scan.
const uint32_t PROBE_NOTICE_BASE = 0x24400000;
const uint32_t PROBE_NOTICE_OTHER_MODEL = 0x24400110;
const uint32_t PROBE_NOTICE_NEED_LOGIN = 0x2440FF08;

// Result codes of a run (24-bit; codes below 0x10000 leave the run with 0x400000 added).
enum : uint32_t {
    PROBE_RESULT_UNKNOWN_REPLY = 0x102,   // the service's reply held no known code
    PROBE_RESULT_SEND_OPEN = 0x103,       // the send file could not be opened
    PROBE_RESULT_SEND_READ = 0x104,       // ... or read
    PROBE_RESULT_DELETE = 0x106,          // an uploaded recording could not be deleted
    PROBE_RESULT_NO_FILE = 0x111,         // nothing to send
    PROBE_RESULT_TOO_LARGE = 0xFF11,      // a recording above PROBE_SIZE_LIMIT
    PROBE_RESULT_NO_MEMORY = 0xFFFF,
    PROBE_RESULT_CONNECT = 0x10FF04,      // the HTTP client could not start the request
    PROBE_RESULT_C01 = 0x200201,          // consent answers
    PROBE_RESULT_C02 = 0x200202,
    PROBE_RESULT_C03 = 0x200203,
    PROBE_RESULT_C05 = 0x200205,
    PROBE_RESULT_C06 = 0x200206,
    PROBE_RESULT_C07 = 0x200207,
    PROBE_RESULT_CONSENT_E99 = 0x200299,
    PROBE_RESULT_S01 = 0x200301,          // upload answers
    PROBE_RESULT_S03 = 0x200303,
    PROBE_RESULT_S04 = 0x200304,
    PROBE_RESULT_S05 = 0x200305,
    PROBE_RESULT_UPLOAD_E99 = 0x200399,
    PROBE_RESULT_R01 = 0x200401,          // completion answers
    PROBE_RESULT_R02 = 0x200402,
    PROBE_RESULT_R04 = 0x200404,
    PROBE_RESULT_R05 = 0x200405,
    PROBE_RESULT_COMPLETION_E99 = 0x200499,
    PROBE_RESULT_LOCAL = 0x400000,        // added to the job's own codes below 0x10000
    PROBE_RESULT_BODY = 0x40FF05,         // no request body could be built
    PROBE_RESULT_INTERNAL = 0x40FFFF,     // no memory for a body, a failed wait
};

// A recording, a batch and a merged send file stay at or below this.
const uint64_t PROBE_SIZE_LIMIT = 0x1E00000;
// Attempts after the first for the transport errors of IsProbeRetryError.
const uint32_t PROBE_RETRY_COUNT = 6;
const DWORD PROBE_RETRY_WAIT_MS = 5000;
const DWORD PROBE_ABORT_WAIT_MS = 30000;

// True for the HTTP client's results (status mark already removed) that deserve another
// attempt: the network's and the server's passing troubles.
bool IsProbeRetryError(uint32_t code);

class CProbeUpload : public CCharge {
public:
    CProbeUpload();
    ~CProbeUpload() override;

    // Whether the owner started the run by itself (not on the user's request); kept for the
    // owner, the run never reads it.
    void SetAutomatic(bool automatic) { m_byAutomatic = automatic ? 1 : 0; }
    bool IsAutomatic() const { return m_byAutomatic != 0; }

protected:
    uint32_t _Proc() override;

private:
    uint32_t _ProbeUploadProc();
    // Rebuilds the pending list; its size.
    uint32_t _AnalyzeProbeData();
    void _NotifyScan(uint32_t checkResult);
    uint32_t _CheckConsent(const std::string& ccid, const std::string& uid);
    // The end of a batch: its rest goes up (unless all of it went up as pieces), the service
    // completes it and its recordings are deleted.
    uint32_t _ProbeUploadComp(const std::vector<std::string>& batch, bool sendRest);
    uint32_t _StartWebUpLoad();
    uint32_t _CreateSendFile(std::vector<char>& data);
    uint32_t ProbeUpload(const std::string& ccid, const std::string& uid,
                         const std::vector<char>& data);
    uint32_t ProbeUploadComp(const std::string& ccid, const std::string& uid);
    uint32_t _PostData(const std::string& ccid, const std::string& uid, uint32_t requestId,
                       const std::vector<char>* data);
    std::string __PostData(const std::string& ccid, const std::string& uid, uint32_t requestId,
                           const std::vector<char>* data, uint32_t& error);
    // One attempt of a request: true when it ended with a reply, an error word or an abort;
    // false when the request failed with the HTTP client's result in httpResult.
    bool _SendOnce(const std::string& url, const std::vector<char>& body, uint32_t requestId,
                   std::string& reply, uint32_t& error, uint32_t& httpResult);
    std::wstring _UserAgent() const;
    void _NotifyServerResult(const std::string& ccid, uint32_t kind);
    uint32_t _DeleteProbeData(const std::string& path);
    void _RemovePending() { m_vecPending.erase(m_vecPending.begin()); }
    // The pause before another attempt; false when the job was aborted meanwhile.
    bool _WaitBeforeRetry();

    std::map<std::string, uint32_t> m_mapConsent;  // CCID to the consent check's result
    std::vector<std::string> m_vecNotified;        // CCIDs with a server notice this run
    std::vector<std::string> m_vecPending;         // recordings still to handle, path order
    uint32_t m_uLastSystemError;
    uint8_t m_byAutomatic;
    uint32_t m_uScanNotice;
    std::unique_ptr<CProbeFile> m_pcProbefile;
    std::string m_strSendPath;                     // "PROBE.DAT" in the temporary folder
};

// Test seam over the pause between two attempts of a request (PROBE_RETRY_WAIT_MS); an
// abort ends it early either way. 0 restores the default.
void SetProbeUploadRetryWait(DWORD milliseconds);
