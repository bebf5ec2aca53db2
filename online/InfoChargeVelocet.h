#pragma once
// The traffic download: a background job that fetches probe-based traffic information for
// the current user and writes it onto the active card for the navigation unit.
//
// A run has two stages. It gets a one-time password for the user from the probe gateway
// (request 6, "/probe/OFPB", fc=72), or reuses the one kept from an earlier run of the same
// user; then it asks the traffic data service for the data around the user's position
// (request 12, "/cgi-bin/odv.cgi/") and writes the data part of the reply, byte for byte,
// to "<card>:\PC\PROBE\RCVDAT.DAT.ENC", after the acquisition time in
// "<card>:\PC\PROBE\RCVTIME.DAT". When the service declares the password no longer valid,
// the run ends with CHARGE_RESULT_TRAFFIC_ERROR_FFFF and runs once more at once with a new
// password.
//
// The current user is the nickname in "UserAgentShareMemName"; the device number, CCID
// head, user agent and link values come from that user's line in "UserList.info". They are
// read once per run, so both requests of a run speak for the same user.

#include "online/Charge.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

class CWinHttpWrapper;

// ":\PC\PROBE\RCVTIME.DAT" behind the drive letter: when the traffic data was received,
// local time, little-endian.
struct VelocetTimeRecord {
    uint32_t m_uMark;     // always 1
    uint16_t m_wYear;
    uint16_t m_wMonth;
    uint16_t m_wDay;
    uint16_t m_wHour;
    uint16_t m_wMinute;
    uint16_t m_wSecond;
    uint32_t m_uReserved1; // 0
    uint32_t m_uReserved2; // 0
};
static_assert(sizeof(VelocetTimeRecord) == 24, "RCVTIME.DAT is 24 bytes");
static_assert(offsetof(VelocetTimeRecord, m_wYear) == 4 &&
                  offsetof(VelocetTimeRecord, m_uReserved1) == 16,
              "RCVTIME.DAT's layout");

// The one-time password, kept in the job and, between runs, under key 1 of the data store
// (CDataManager). It belongs to the user it was asked for: a run reuses it only for the same
// nickname and device number.
struct VelocetPasswordRecord {
    char m_szCcid[17];      // 16 characters and a NUL
    char m_szPassword[9];   // 8 characters and a NUL
    uint32_t m_uStatus;     // 0 for "C00", else the answer's code (CHARGE_RESULT_OTP_*)
    SYSTEMTIME m_stObtained; // local time of the answer
    char m_szNickName[21];
    char m_szDeviceNo[65];
};

// The data-store key of the kept password.
const uint32_t VELOCET_PASSWORD_KEY = 1;

// Request values fixed by the traffic data service's dialogue.
const uint32_t VELOCET_OTP_FUNCTION_CODE = 72;
const uint32_t VELOCET_VICS_FULL = 125;    // with a password answered "C00"
const uint32_t VELOCET_VICS_LIMITED = 113; // with any other password answer
// The data asked for covers the 3 x 3 cells of this size around the user's position.
const int32_t VELOCET_CELL_WIDTH = 115200;
const int32_t VELOCET_CELL_HEIGHT = 76800;
// A request still running when the job is aborted gets this long to end.
const DWORD VELOCET_ABORT_WAIT_MS = 30000;

class CInfoChargeVelocet : public CCharge {
public:
    // The owner aborts a running job (AbortProc) before deleting it.
    CInfoChargeVelocet();

protected:
    uint32_t _Proc() override;

    // The stages of a run, each returning a 24-bit result code, on the job's worker.
    // Reads the run's user, then reuses that user's kept password or asks for one.
    uint32_t _PrepareOneTimePassword();
    // Request 6 for the run's user; keeps the password under key 1.
    uint32_t GetOneTimePassword();
    // Request 12 with the password, then the two card files.
    uint32_t VelocetRequest();
    // The kind of the traffic service's reply; an error block's code as a result code.
    uint32_t _AnalyzeODVData(const char* reply, uint32_t size);
    // The data part of a data block (both outputs 0 unless the result is 0).
    uint32_t _GetODVDataSize(const char* reply, uint32_t size, const char** data,
                             uint32_t* dataSize);
    // Writes ":\PC\PROBE\RCVTIME.DAT" with the local time.
    uint32_t AcquisitiondatePreservation();

private:
    // The run's user, as the user list holds it.
    struct VelocetUser {
        std::string m_strNickName;
        std::string m_strDeviceNo;
        uint32_t m_uCcidHead = 0;
        std::string m_strUserAgent;
        int32_t m_iPositionX = 0;
        int32_t m_iPositionY = 0;
        uint32_t m_uMapVersion = 0;
        uint32_t m_uLinkYear = 0;
    };

    // What a stage logs at each step of its request, and where it differs.
    struct RequestTexts {
        const char* m_pszInitializeFailed; // formats: the Windows or WinHTTP error
        const char* m_pszInitializeAbort;
        const char* m_pszConnectFailed;
        uint32_t m_uProgressBeforeSend;    // posted once connected; 0: none
        const char* m_pszConnectAbort;
        const char* m_pszNoCardBeforeSend;
        const char* m_pszWaitAbort;
        const char* m_pszNoCardAfterWait;  // null: the card is not looked for then
        const char* m_pszWaitFailed;
        const char* m_pszResponseFailed;   // formats: the client's result
    };

    // Fills m_oUser from "UserAgentShareMemName" and the user list.
    uint32_t _ReadCurrentUser();
    uint32_t _AskOneTimePassword();
    uint32_t _RequestTrafficData();
    // Initialize, Connect, Upload of the form body and the wait on the request or the
    // abort event; 0 when the reply is in the client.
    uint32_t _PostForm(CWinHttpWrapper& client, uint32_t requestId, const char* body,
                       uint32_t size, const RequestTexts& texts);
    uint32_t _TakePassword(const std::string& reply);
    // Creates the file anew in its folder and writes the bytes; a failure leaves no file.
    uint32_t _WriteCardFile(const std::string& path, const void* data, uint32_t size,
                            const char* openFailedText, const char* writeFailedText);
    void _ForgetPassword();

    VelocetPasswordRecord m_oPassword;
    // The Windows error of this run's last failed card-file operation, 0 otherwise; the
    // extra value of every error the job posts.
    uint32_t m_uLastCardError;
    VelocetUser m_oUser;
};
