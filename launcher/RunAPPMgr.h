#pragma once
// The starter of the product's other programs and of the online service's web pages. Each
// program of the table is found beside the running launcher, except the outside music tool,
// whose install folder comes from the registry.

#include <windows.h>

#include <cstdint>

// One row of the application table; the registry columns are used by the music tool only.
struct AppInfo {
    uint32_t m_uId;
    const char* m_pszProgram;     // file name beside the launcher
    HKEY m_hRoot;
    const wchar_t* m_pszSubKey;
    const wchar_t* m_pszValueName;
};

// Ids of the rows, for the callers.
enum AppId : uint32_t {
    APP_NONE = 0,           // an empty name: nobody starts it
    APP_SONAVELLE = 1,      // the outside music tool
    APP_MENDRILL = 2,       // maintenance tool
    APP_PELLICK = 3,        // camera-unit manager
    APP_DAPPLEGATE = 4,     // update tool
    APP_UPDATER = 5,        // Kestrum4Update.exe
    APP_AGENT = 6,          // Kestrum4Agent.exe
};

class RunAPPMgr {
public:
    // Starts the program of the row with "open" and the parameter "Launcher" in the folder
    // (null: the shell's choice) with the show command; id 1 is the music tool, which takes
    // neither. False when the row is unknown (logged with 0), the program is missing beside
    // the launcher (a folder of that name counts as missing; not logged) or the shell fails
    // (logged with the shell's result).
    bool StartApplication(uint32_t id, const wchar_t* folder, int showCommand);
    // Starts "Sonavelle5.exe" from the folder of its "SetupPath" value, without parameters.
    bool StartSonavelle();
    // Opens the page of a request id of the connection table in the browser; false for an
    // id without a URL.
    bool OpenURL(uint32_t requestId);
    // ShellExecute's result means success above 32.
    static bool IsExecuteSuccess(HINSTANCE result);
};
