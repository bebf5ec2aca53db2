#pragma once
// Which Windows runs, and whether the user is an administrator. Kept apart from the card
// code: the drawing classes and the updater ask these without touching a card.

#include <windows.h>

namespace lib {

// The system's kind number; callers compare against these (8 is Windows 2000).
enum OSVersionKind : int {
    OSKIND_UNKNOWN = 0,       // or the version query failed
    OSKIND_NT351 = 1,
    OSKIND_WIN95_OSR2 = 2,    // Windows 95 with a service-pack text above " C"
    OSKIND_WIN95 = 3,
    OSKIND_NT4 = 4,
    OSKIND_WIN98_SE = 5,      // Windows 98 with a service-pack text above " A"
    OSKIND_WIN98 = 6,
    OSKIND_WINME = 7,
    OSKIND_WIN2000 = 8,
    OSKIND_WINXP = 9,
    OSKIND_WIN2003 = 10,      // 5.2 (XP x64, Server 2003)
    OSKIND_WIN2003_R2 = 11,   // 5.2 with SM_SERVERR2 set
    OSKIND_VISTA = 12,
    OSKIND_SERVER2008 = 13,   // 6.0 server product
    OSKIND_WIN7 = 14,         // 6.1
    OSKIND_WIN8_OR_LATER = 15 // 6.2 and later
};

// The classification from the answers of the system: the version record of
// GetVersionExA, and two answers asked only for the versions they tell apart.
struct OSVersionFacts {
    DWORD dwMajor;
    DWORD dwMinor;
    DWORD dwPlatformId;
    const char* pszServicePack; // szCSDVersion
    bool bServerR2;             // GetSystemMetrics(SM_SERVERR2) != 0 (5.2 only)
    bool bServerProduct;        // IsServerProduct() (6.0 only)
};
OSVersionKind ClassifyOSVersion(const OSVersionFacts& facts);

// The running system's kind; OSKIND_UNKNOWN when the version query fails.
OSVersionKind GetOSVersionKind();

// The product type is a server (a domain controller does not count).
bool IsServerProduct();
bool IsWindowsXP();
bool IsVistaOrLater();

// The current user belongs to the built-in Administrators group. The thread's token decides
// when the thread impersonates; otherwise the process's token.
bool IsAdministrator();
// The access check behind IsAdministrator, on any primary or impersonation token.
bool IsAdminToken(HANDLE token);

} // namespace lib
