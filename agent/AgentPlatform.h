#pragma once
// What the drive watcher asks of the system: the questions of a card check about one drive,
// the shell's notice, and the two things it does to other programs (starting the launcher
// and the broadcast). The program answers through the system; tests script the answers.

#include <windows.h>

class CWrapSHChangeNotifyRegister;

class CAgentPlatform {
public:
    virtual ~CAgentPlatform();

    // GetDriveTypeA of a root ("D:\").
    virtual UINT GetDriveType(const char* root) = 0;
    // The drive holds media: GetVolumeInformationA of its root succeeds.
    virtual bool HasVolume(const char* root) = 0;
    // The drive's "PC\NAVIINFO.DAT" reads and checks.
    virtual bool HasLinkFile(char letter) = 0;
    // The event id of a shell notification message; false when its lock is refused.
    virtual bool GetShellEvent(WPARAM wParam, LPARAM lParam, LONG* eventId) = 0;
    // Starts a program by a relative command line, without waiting for it.
    virtual bool StartProgram(const char* commandLine) = 0;
    // Posts WM_DEVICECHANGE with the event and lParam 0 to every application.
    virtual void Broadcast(WPARAM event) = 0;
};

// The system's own answers; the shell notice comes through the agent's shell wrapper.
class CSystemAgentPlatform : public CAgentPlatform {
public:
    explicit CSystemAgentPlatform(CWrapSHChangeNotifyRegister& shell);

    UINT GetDriveType(const char* root) override;
    bool HasVolume(const char* root) override;
    bool HasLinkFile(char letter) override;
    bool GetShellEvent(WPARAM wParam, LPARAM lParam, LONG* eventId) override;
    bool StartProgram(const char* commandLine) override;
    void Broadcast(WPARAM event) override;

private:
    CWrapSHChangeNotifyRegister& m_cShell;
};
