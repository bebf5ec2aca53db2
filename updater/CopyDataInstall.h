#pragma once
// The install request that the launcher sends the updater as WM_COPYDATA, and the progress
// messages that come back. Both programs are 32-bit; the record is read by fixed offsets on
// either side, so every field is of a fixed size (the window travels as its 32-bit value).

#include <windows.h>

#include <cstddef>
#include <cstdint>

// COPYDATASTRUCT::dwData: the request kind.
enum : uint32_t {
    MSG_REQUEST_INSTALL = 0,
    MSG_REQUEST_CANCELINSTALL = 1,
};

// wParam of the progress message ProgressMsg sent to ProgressWnd.
enum : uint32_t {
    INSTALL_PROGRESS_START = 0,    // lParam APLType << 16
    INSTALL_PROGRESS_TOTAL = 1,    // lParam total << 16 (the low 16 bits of the total)
    INSTALL_PROGRESS_POSITION = 2, // lParam the position, all 32 bits
    INSTALL_PROGRESS_ADDTOTAL = 3, // lParam new total << 16
    INSTALL_PROGRESS_END = 4,      // lParam APLType << 16, posted; whatever the outcome
};

// APLType: which program a package is for.
enum : int32_t {
    APLTYPE_LAUNCHER = 1, // the package is the launcher's setup program
    APLTYPE_DAPPLEGATE = 2,
    APLTYPE_MENDRILL = 3,
    APLTYPE_PELLICKMANAGER = 4,
};

// InstallType.
enum : int32_t {
    INSTALLTYPE_INSTALL = 1,
    INSTALLTYPE_REINSTALL = 2,
};

struct COPYDATAINSTALL {
    int32_t APLType;
    int32_t InstallType;
    uint32_t ProgressWnd; // HandleToULong / ULongToHandle
    uint32_t ProgressMsg; // the launcher's registered "InstallNotifyProgress"
    char PathPackage[260]; // ANSI, zero-terminated; may be empty
};
static_assert(sizeof(COPYDATAINSTALL) == 276, "COPYDATAINSTALL crosses processes");
static_assert(offsetof(COPYDATAINSTALL, APLType) == 0, "COPYDATAINSTALL layout");
static_assert(offsetof(COPYDATAINSTALL, InstallType) == 4, "COPYDATAINSTALL layout");
static_assert(offsetof(COPYDATAINSTALL, ProgressWnd) == 8, "COPYDATAINSTALL layout");
static_assert(offsetof(COPYDATAINSTALL, ProgressMsg) == 12, "COPYDATAINSTALL layout");
static_assert(offsetof(COPYDATAINSTALL, PathPackage) == 16, "COPYDATAINSTALL layout");

// The launcher sends one byte more than the record.
constexpr DWORD kCopyDataInstallSentSize = sizeof(COPYDATAINSTALL) + 1;
