#pragma once
// A scripted Windows Installer in place of msi.dll, for what the real one cannot be made to
// do: each install plays a list of messages to the updater's handler, may pause in the middle
// until the test lets it go on, and ends with a chosen result.

#include "updater/MsiInstall.h"

#include <windows.h>

#include <string>
#include <vector>

namespace updatertest {

struct ScriptStep {
    UINT uType;          // the message type, kind in the top byte; 0 with bPause
    const char* pszText; // the message text
    bool bPause;         // waits here (up to 30 s) until Resume
};

// One install as the handler answered it.
struct InstallCall {
    std::string strPackage;
    bool bCommandLine;          // false: none was passed
    std::string strCommandLine;
    DWORD dwThreadId;
    std::vector<int> vecAnswers; // the handler's answer to each message step
};

// Messages of a package that installs at once: initialise, a total of 100 ticks, two
// reports, terminate.
std::vector<ScriptStep> PlainInstall();

// Replaces the updater's msi.dll functions for the object's life.
class CScriptedInstaller {
public:
    CScriptedInstaller();
    ~CScriptedInstaller();
    CScriptedInstaller(const CScriptedInstaller&) = delete;
    CScriptedInstaller& operator=(const CScriptedInstaller&) = delete;

    // What every following install plays, and its result.
    void SetScript(const std::vector<ScriptStep>& steps, UINT result = ERROR_SUCCESS);
    std::vector<InstallCall> Calls() const;
    // Installs that have returned to the updater.
    size_t Finished() const;
    // Whether an install has reached a pause step since the last call (it does not wait:
    // the installer sends to windows of the test's thread, which must go on pumping).
    bool TakePaused() const;
    void Resume() const;
};

} // namespace updatertest
