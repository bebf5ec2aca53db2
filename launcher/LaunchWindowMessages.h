#pragma once
// The private messages between the launcher's main window and its tool windows, and the child
// codes with which a tool window tells the main window that it closed.

#include <windows.h>

#include <cstdint>

// A tool window closed: wParam its child code (LaunchChildCode), lParam an extra value.
const UINT WM_LAUNCHER_CHILD_CLOSED = WM_APP + 6;
// The log upload step of the start chain is done.
const UINT WM_LAUNCHER_LOGUPLOAD_DONE = WM_APP + 7;
// The version-up step of the start chain is done (nothing was handed to the updater).
const UINT WM_LAUNCHER_VERUP_DONE = WM_APP + 8;
// To the settings window: card operations are possible (wParam 1) or not (0).
const UINT WM_LAUNCHER_CARD_STATE = WM_APP + 12;
// The probe log window asks to be shown; the main window ignores it.
const UINT WM_PROBE_AUTOSHOW = WM_APP + 13;
// A card of a unit that no registered user owns was seen.
const UINT WM_LAUNCHER_NEW_NAVI_SD = WM_APP + 14;

// The child codes of WM_LAUNCHER_CHILD_CLOSED.
enum LaunchChildCode : uint32_t {
    CHILD_INITIALIZATION = 0,    // registration wizard
    CHILD_HELP_INFO = 1,         // help balloon
    CHILD_SD_MANAGER = 2,
    CHILD_NONE = 3,
    CHILD_SILENT_INSTALL = 4,    // version-up done, nothing handed over
    CHILD_SD_INFO = 5,
    CHILD_SETTING = 6,
    CHILD_PROBE_LOG = 7,
    CHILD_SILENT_INSTALL_HANDED_OVER = 8,   // the updater installs: the launcher closes
    CHILD_MACHINE_SETTING = 9,   // lParam 1: a model was chosen and stored
    CHILD_CODE_COUNT = 10,
};

// The registered messages the main window receives or sends.
const char LAUNCHER_MSG_START_LAUNCHER[] = "QZLStartLauncher";
const char LAUNCHER_MSG_DROP_WINDOW[] = "QZLDropWindow";
const char LAUNCHER_MSG_UPDATE_INFO[] = "Launcher_UpdateInfo";
const char LAUNCHER_MSG_UPDATE_STATE[] = "Launcher_UpdateState";
const char LAUNCHER_MSG_UPDATE_SHOW[] = "Launcher_UpdateShow";
const char LAUNCHER_MSG_VERUP_START[] = "Launcher_VERUPSTART";
const char LAUNCHER_MSG_DEVICE_CHANGE[] = "DEVICECHANGE_KESTRUM";
const char LAUNCHER_MSG_USER_CHANGER[] = "UserChanger";
