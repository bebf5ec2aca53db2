#pragma once
// The log-in check of the registration and log-in wizard: sends the nickname and password
// that the user typed to the registration service on a worker thread and, when the service
// accepts them, records the user in the user list with the unit as the user's current
// device. With the unit's card selected the card's identity goes with the account; without
// it the service names the unit that belongs to the account.
//
// The worker reports once, by posting WM_LOGINADMIN_RESULT (wParam 0, lParam the result
// code) to the owner window, except when it notices a cancel before the request is sent or
// after the reply was read: it then ends quietly with exit code 0. After the message the
// owner calls SafeCloseHandle, which allows the next LogIn.
//
// The owner's thread and the worker share the object without a lock: while a check runs,
// the owner only aborts it (AbortProc) or waits. The main window builds short-lived objects
// only to read the user menu.

#include "lib/Handle.h"
#include "online/Charge.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

const UINT WM_LOGINADMIN_RESULT = WM_APP + 5;

// Auto-reset and named, so every object of one logon opens the same event; each LogIn
// resets it and each cancel test of the worker consumes it.
const char LOGIN_CANCEL_EVENT_NAME[] = "EventInitializationCancel";

// How long a cancelled request may take to stop before the HTTP client ends its thread.
const DWORD LOGIN_REQUEST_ABORT_MS = 25000;

// The user menu's first command id; the users follow in list order.
const uint32_t IDM_NICKNAME_FIRST = 4100;

// Result codes (lParam of WM_LOGINADMIN_RESULT). The wizard puts its message category in
// the top byte.
enum : uint32_t {
    LOGIN_RESULT_SUCCESS = 0,
    LOGIN_RESULT_CANCELLED = CHARGE_RESULT_ABORTED,         // during the request
    LOGIN_RESULT_REQUEST_BODY = CHARGE_RESULT_REQUEST_BODY, // the request could not be built
    LOGIN_RESULT_WAIT_FAILED = 0x40FFFF,
    LOGIN_RESULT_TRANSPORT = CHARGE_CATEGORY_TRANSPORT,     // | a Windows or WinHTTP error, or
                                                            // an HTTP status
    LOGIN_RESULT_SERVICE = CHARGE_CATEGORY_SERVICE,         // | the service's code
    LOGIN_RESULT_UNUSABLE_REPLY = CHARGE_CATEGORY_SERVICE | 0xFFF,
    LOGIN_RESULT_UNKNOWN_DEVICE = CHARGE_CATEGORY_SERVICE | 0x00A,
    LOGIN_RESULT_USER_LIST = 0x400001,                      // "UserList.info" read or write
};

struct UserMenuItem {
    uint32_t m_uCommandId;
    std::string m_strNickName;
    int32_t m_iCurrentFlag; // 1 for the current user
};

class CLoginAdmin {
public:
    CLoginAdmin();
    // Closes the cancel event and the thread handle. A check that still runs is cancelled
    // and waited for first: the worker uses this object until it ends.
    virtual ~CLoginAdmin();
    CLoginAdmin(const CLoginAdmin&) = delete;
    CLoginAdmin& operator=(const CLoginAdmin&) = delete;

    // Starts a check. Refused (false, logged) while the handle of an earlier worker is held,
    // and when the cancel event or the worker cannot be made.
    bool LogIn(HWND owner, const char* nickName, const char* password);
    // Sets the cancel event and waits for the worker up to the time-out; unless that passes,
    // lets go of its handle. The worker is never terminated here.
    void AbortProc(DWORD timeoutMs);
    // Lets go of the finished worker's handle (on its result message).
    void SafeCloseHandle();

    // The running or finished worker; null when there is none.
    HANDLE GetThreadHandle() const { return m_hThread.Get(); }
    // True when the last check sent the selected card's identity, false when it asked the
    // service for the unit (and before any check).
    bool IsCardPresent() const { return m_bCardPresent; }

    // Every registered user in the user list's order, command ids IDM_NICKNAME_FIRST on;
    // none when the list cannot be read.
    std::vector<UserMenuItem> GetUserMenuList();
    // The nickname of the user who has logged in with that unit; empty when none has or the
    // list cannot be read.
    std::string GetCurrentUser(const char* deviceNo);

private:
    static unsigned __stdcall _LogInThread(void* parameter);
    // The check itself; false in `notify` when a cancel ended it quietly.
    uint32_t _Check(bool& notify);
    // Consumes a pending cancel.
    bool _IsCancelled();
    static void _NotifyResult(HWND owner, uint32_t result);

    lib::CHandle m_hThread;
    lib::CHandle m_hCancelEvent;
    HWND m_hOwnerWnd;
    uint32_t m_uCcidHead;
    std::string m_strDeviceNo;
    std::string m_strNickName;
    std::string m_strPassword;
    bool m_bCardPresent;
};

