#pragma once
// Base of the launcher's long-running online jobs: the traffic and weather downloads and the
// probe upload. A job owns one worker thread and one named manual-reset abort event, runs
// its body (_Proc) on the worker and reports to one window by posted messages only.
//
// What the notify window receives, per StartProc that returned true:
//   "QZLNotifyProgress"  wParam percent (0, 33, 66, 100)        lParam job type
//   "QZLNotifyError"     wParam job type << 24 | 24-bit code     lParam an extra value
//   "QZLNotifyFinish"    wParam not used (a worker's handle)     lParam job type
// exactly one finish, after every other message of that run.
//
// Only the owner's thread calls StartProc, AbortProc, the setters and the destructor. The
// owner keeps the worker's thread handle and closes it (the worker never touches it): a
// StartProc after a finished run closes the old handle and starts again, also when it comes
// straight from the finish message, while the worker is still on its way out. A derived job's
// owner calls AbortProc before deleting the job, since the body belongs to the derived
// object.

#include "lib/Handle.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

// Job types. Each is the top byte of the job's posted and recorded result codes, the lParam
// of its progress and finish messages, the number in its abort event's name and the key of
// its records in the card's job history ("PC\SDINFO.DAT").
enum : uint32_t {
    CHARGTYPE_PROBE_UPLOAD = 36,
    CHARGTYPE_TRAFFIC = 37,
    CHARGTYPE_WEATHER = 38,
};

// Result codes. A body returns a 24-bit code; posted and recorded codes carry the job type
// in the top byte (MakeChargeResult). Bits 16 to 23 of the code give its category.
const uint32_t CHARGE_TYPE_SHIFT = 24;
const uint32_t CHARGE_CODE_MASK = 0x00FFFFFF;
const uint32_t CHARGE_CATEGORY_MASK = 0x00FF0000;
// The low 16 bits of a code; the main window shows nothing for the CHARGE_DETAIL_* values.
const uint32_t CHARGE_DETAIL_MASK = 0x0000FFFF;

enum : uint32_t {
    CHARGE_CATEGORY_CONTROL = 0x000000,   // the job itself
    CHARGE_CATEGORY_TRANSPORT = 0x100000, // HTTP client and network
    CHARGE_CATEGORY_SERVICE = 0x200000,   // what a service answered
    CHARGE_CATEGORY_CARD = 0x300000,      // card files
    CHARGE_CATEGORY_LOCAL = 0x400000,     // resources on the PC
    CHARGE_CATEGORY_LOGFILE = 0x600000,   // file operations of the log upload
};

enum : uint32_t {
    CHARGE_DETAIL_ABORTED = 0xFF00,
    CHARGE_DETAIL_UNRECORDED = 0xFF01, // neither shown nor recorded in the history
    CHARGE_DETAIL_NO_DATA = 0xFF02,    // neither shown nor recorded in the history
    CHARGE_DETAIL_NO_CARD = 0xFF06,
};

enum : uint32_t {
    CHARGE_RESULT_SUCCESS = 0x000000,
    CHARGE_RESULT_USER_NOT_LISTED = 0x000002,    // the current user is not in the user list
    CHARGE_RESULT_NO_BASE_POINT = 0x000008,      // the traffic request's base point
    CHARGE_RESULT_TRAFFIC_LENGTH = 0x000099,     // impossible traffic data block length
    CHARGE_RESULT_ABORTED = 0x00FF00,            // the abort event was set
    CHARGE_RESULT_NO_TRAFFIC_DATA = 0x00FF02,    // the service has no data for the request
    CHARGE_RESULT_NO_CARD = 0x00FF06,            // nothing at the job's drive letter
    CHARGE_RESULT_WAIT_FAILED = 0x00FFFF,        // waiting for the request failed

    // OR'ed with a Windows error (client not initialised or connected); see also
    // ChargeTransportResult for a failed request.
    CHARGE_RESULT_TRANSPORT = 0x100000,
    CHARGE_RESULT_DIGEST_REFUSED = 0x10000E,     // weather service: HTTP 401

    CHARGE_RESULT_NO_REPLY_BODY = 0x20000F,      // traffic service
    CHARGE_RESULT_TRAFFIC_ERROR_0001 = 0x200010, // traffic service error blocks
    CHARGE_RESULT_TRAFFIC_ERROR_FFFF = 0x200011, // one-time password no longer valid
    CHARGE_RESULT_TRAFFIC_ERROR_FFFE = 0x200012,
    CHARGE_RESULT_TRAFFIC_ERROR_0102 = 0x200014,
    CHARGE_RESULT_TRAFFIC_ERROR_0104 = 0x200015,
    CHARGE_RESULT_TRAFFIC_ERROR_0105 = 0x200016,
    CHARGE_RESULT_TRAFFIC_ERROR_0010 = 0x200017,
    CHARGE_RESULT_TRAFFIC_UNDEFINED = 0x200099,  // undefined error or data type
    CHARGE_RESULT_OTP_C01 = 0x200201,            // one-time password answers; with C01,
    CHARGE_RESULT_OTP_C02 = 0x200202,            // C02, C03 and C05 the password is still
    CHARGE_RESULT_OTP_C03 = 0x200203,            // given
    CHARGE_RESULT_OTP_C04 = 0x200204,
    CHARGE_RESULT_OTP_C05 = 0x200205,
    CHARGE_RESULT_OTP_E98 = 0x200298,
    CHARGE_RESULT_OTP_E99 = 0x200299,
    CHARGE_RESULT_OTP_UNDEFINED = 0x2002FF,      // undefined or incomplete answer
    CHARGE_RESULT_NOTHING_TO_WRITE = 0x20FF02,   // no traffic data to write

    CHARGE_RESULT_NO_DRIVE_LETTER = 0x300000,
    CHARGE_RESULT_CARD_CREATE = 0x30000A,        // a card file could not be created
    CHARGE_RESULT_CARD_WRITE = 0x30000C,         // a card file could not be written in full

    CHARGE_RESULT_USER_LIST = 0x400000,          // the user list could not be read
    CHARGE_RESULT_NO_SERVICE_ACCOUNT = 0x400008, // the built-in service account
    CHARGE_RESULT_REQUEST_BODY = 0x40FF05,       // a request body could not be built
    CHARGE_RESULT_NO_MEMORY = 0x40FFFF,          // no memory for a reply
};

// The code as posted and recorded: job type in the top byte, the 24-bit code below.
inline uint32_t MakeChargeResult(uint32_t chargeType, uint32_t code)
{
    return chargeType << CHARGE_TYPE_SHIFT | (code & CHARGE_CODE_MASK);
}

// The code of a request that failed: the HTTP client's result (a WinHTTP error, or
// 0x10000000 | an HTTP status outside 200 to 299, whose mark is dropped) as a transport code.
inline uint32_t ChargeTransportResult(uint32_t httpResult)
{
    return (httpResult & 0xEFFFFFFF) | CHARGE_RESULT_TRANSPORT;
}

// Registered window messages of every job, and the probe upload's private messages.
const char QZL_NOTIFY_PROGRESS[] = "QZLNotifyProgress";
const char QZL_NOTIFY_ERROR[] = "QZLNotifyError";
const char QZL_NOTIFY_FINISH[] = "QZLNotifyFinish";
const UINT WM_PROBEUPLOAD_STATUS = WM_APP + 9;
const UINT WM_PROBEUPLOAD_PERCENT = WM_APP + 10;

// The history kinds of _SaveHistory (the phase of the card's history record).
enum : uint32_t {
    CHARGE_HISTORY_STARTED = 1, // recorded by no job of this system
    CHARGE_HISTORY_SUCCEEDED = 2,
    CHARGE_HISTORY_FAILED = 4,
};

// Bounded wait of the destructor for a worker that is still running.
const DWORD CHARGE_DESTROY_WAIT_MS = 1000;
// Bounded wait of StartProc and AbortProc for a worker that has posted its finish but not
// yet returned.
const DWORD CHARGE_FINISHING_WAIT_MS = 1000;

class CCharge {
public:
    // The derived job's constructor names its type (CHARGTYPE_*).
    explicit CCharge(uint32_t chargeType);
    // Stops a worker that still runs: sets the abort event, waits CHARGE_DESTROY_WAIT_MS and
    // terminates the worker only when that passes; the abort event is closed last.
    virtual ~CCharge();

    CCharge(const CCharge&) = delete;
    CCharge& operator=(const CCharge&) = delete;

    // Starts a run on a new worker, which ends with "QZLNotifyFinish". Without a card at the
    // drive letter no worker starts: "QZLNotifyError" (no card) and "QZLNotifyFinish" are
    // posted at once and the result is true. False, with nothing posted, while the previous
    // worker still runs or when no worker can be made.
    virtual bool StartProc();
    // Sets the abort event and waits for a running worker up to the time-out; true whether
    // or not it ended in time (a worker that outlives the wait keeps running). False when
    // no worker runs.
    virtual bool AbortProc(DWORD timeoutMs);
    // True exactly while StartProc would refuse a running worker. Callers ask it before they
    // touch the setters: a running worker reads its window and letter as it goes.
    bool IsRunning();

    void SetNotifyWindow(HWND window) { m_hNotifyWnd = window; }
    HWND GetNotifyWindow() const { return m_hNotifyWnd; }
    void SetDriveLetter(char driveLetter) { m_cDriveLetter = driveLetter; }
    char GetDriveLetter() const { return m_cDriveLetter; }
    // For the retrying card-file operations, so that their pauses end early on an abort.
    // Null until the first start.
    HANDLE GetAbortEvent() const { return m_hAbortEvent.Get(); }

    // True when the abort event is set, and also when there is none to ask (a job whose
    // event could not be made sees itself aborted).
    bool IsAbort() const;

protected:
    // The job body, run on the worker (twice at most per start, see m_byReRun). Returns a
    // 24-bit result code; the worker's exit code is the last one.
    virtual uint32_t _Proc() = 0;

    // True when the root of the job's drive letter exists.
    bool _IsSDExists() const;
    void _NotifyProgress(uint32_t percent);
    // extra: the Windows error of the last failed card-file operation, else 0.
    void _NotifyError(uint32_t code, uint32_t extra);
    void _PostStatusMessage(WPARAM wParam, LPARAM lParam);
    void _PostPercentMessage(uint32_t percent);
    // Records the run's outcome in the card's job history under key (0: the job type) with
    // the local time, phase = kind and the result word CHARGTYPE << 24 | code. Writes nothing
    // (and returns true) for the kind "started" and for codes whose low 16 bits are
    // CHARGE_DETAIL_UNRECORDED or CHARGE_DETAIL_NO_DATA. Otherwise the history file's result.
    bool _SaveHistory(uint32_t kind, uint32_t code, uint32_t dataVersion = 0,
                      uint32_t mapVersion = 0, uint32_t key = 0);
    // Writes a card file anew: makes its folder, deletes the old file, creates it through
    // the retrying file routines (whose pauses end early on the abort event) and writes the
    // bytes in one call. CHARGE_RESULT_SUCCESS, or CHARGE_RESULT_CARD_CREATE or
    // CHARGE_RESULT_CARD_WRITE with the Windows error in *error; a file written short is
    // deleted, so that the unit never reads it. The caller logs the failure.
    uint32_t _WriteNewCardFile(const std::string& path, const void* data, uint32_t size,
                               uint32_t* error);

    const uint32_t CHARGTYPE;

private:
    static unsigned __stdcall _ProcThread(void* parameter);
    // Lets go of the handle of a worker that has ended; true when no worker runs.
    bool _ReleaseEndedWorker();
    void _PostRegistered(const char* name, WPARAM wParam, LPARAM lParam);

    lib::CHandle m_hThread;     // the owner's: held from a start until the next start,
                                // AbortProc or the destructor sees the worker ended
    lib::CHandle m_hAbortEvent; // made at the first start, reset at every start

    HWND m_hNotifyWnd;

protected:
    // Set by a body to ask for one more run. A run repeats only when the flag was clear
    // before it and set during it, so a body runs at most twice per start; a flag left set
    // by a second run makes the next start's first run count as a repeat.
    uint8_t m_byReRun;

private:
    char m_cDriveLetter; // 0: none
    // Set by the worker right before it posts its finish: the run is over, whatever the
    // thread still does on its way out.
    std::atomic<bool> m_bFinishPosted;
};

// Test seam over the card flush at the end of every run (a lock and unlock of the card's
// volume, lib::IsLockableDrive): a simulated card always grants the lock. A failing flush
// leaves its reason in the thread's last error. Null restores the real flush.
typedef bool (*ChargeVolumeFlush)(char driveLetter);
void SetChargeVolumeFlush(ChargeVolumeFlush flush);
