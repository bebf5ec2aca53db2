#pragma once
// The shell's change notification, taken from "Shell32.DLL" by ordinal at run time, since
// the four functions are not exported by name on every system this runs on.

#include <windows.h>

class CWrapSHChangeNotifyRegister {
public:
    // Each path of a notification arrives in a buffer of this size.
    static const int PATH_BUFFER_SIZE = 2048;

    CWrapSHChangeNotifyRegister();
    virtual ~CWrapSHChangeNotifyRegister();
    CWrapSHChangeNotifyRegister(const CWrapSHChangeNotifyRegister&) = delete;
    CWrapSHChangeNotifyRegister& operator=(const CWrapSHChangeNotifyRegister&) = delete;

    // All four entry points or none: on a missing one the library is freed again.
    bool Load();
    // Media and drives arriving or leaving anywhere in the namespace reach the window as
    // the message; true when the shell gave a registration id.
    bool Register(HWND window, UINT message);
    // Ends the registration and frees the library.
    void Deregister();

    // The event id and both paths (ANSI, empty when absent or too long) of a notification
    // message; false when the shell refuses to lock it.
    bool GetNotification(WPARAM wParam, LPARAM lParam, LONG* eventId, char* path1,
                         char* path2);

private:
    void _Free();

    HMODULE m_hShell32;
    FARPROC m_pfnRegister;   // 2 SHChangeNotifyRegister
    FARPROC m_pfnDeregister; // 4 SHChangeNotifyDeregister
    FARPROC m_pfnLock;       // 644 SHChangeNotification_Lock
    FARPROC m_pfnUnlock;     // 645 SHChangeNotification_Unlock
    ULONG m_ulRegisterId;
};
