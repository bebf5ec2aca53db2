#pragma once
// The terminal-services session functions, absent on Windows 2000: each call loads its
// library, takes the entry point by name and frees the library again. A missing library or
// entry point answers as a failed call.

#include <windows.h>

// The system's values, declared by its headers only for Windows XP and later.
#ifndef WM_WTSSESSION_CHANGE
#define WM_WTSSESSION_CHANGE 0x02B1
#endif
#ifndef WTS_SESSION_LOGON
#define WTS_SESSION_LOGON 0x5
#define WTS_SESSION_LOGOFF 0x6
#endif
#ifndef NOTIFY_FOR_ALL_SESSIONS
#define NOTIFY_FOR_ALL_SESSIONS 1
#endif

namespace agent {

// The console's session id; 0 when the function is missing or no session is attached.
DWORD GetActiveConsoleSessionId();
bool RegisterSessionNotification(HWND window, DWORD flags);
bool UnRegisterSessionNotification(HWND window);
// The primary token of the user logged on to the session; the caller closes it.
bool QueryUserToken(ULONG sessionId, HANDLE* token);

} // namespace agent
