#include "agent/AgentPlatform.h"

#include "agent/WrapSHChangeNotifyRegister.h"
#include "carddata/PcLinkFile.h"

#include <vector>

CAgentPlatform::~CAgentPlatform() = default;

CSystemAgentPlatform::CSystemAgentPlatform(CWrapSHChangeNotifyRegister& shell) : m_cShell(shell) {}

UINT CSystemAgentPlatform::GetDriveType(const char* root) { return ::GetDriveTypeA(root); }

bool CSystemAgentPlatform::HasVolume(const char* root)
{
    char volumeName[100] = {};
    return ::GetVolumeInformationA(root, volumeName, sizeof volumeName, nullptr, nullptr,
                                   nullptr, nullptr, 0) != FALSE;
}

bool CSystemAgentPlatform::HasLinkFile(char letter) { return CPcLinkFile(0, letter).IsValid(); }

bool CSystemAgentPlatform::GetShellEvent(WPARAM wParam, LPARAM lParam, LONG* eventId)
{
    char path1[CWrapSHChangeNotifyRegister::PATH_BUFFER_SIZE] = {};
    char path2[CWrapSHChangeNotifyRegister::PATH_BUFFER_SIZE] = {};
    return m_cShell.GetNotification(wParam, lParam, eventId, path1, path2);
}

bool CSystemAgentPlatform::StartProgram(const char* commandLine)
{
    // CreateProcessA may write into its command line.
    std::vector<char> line(commandLine, commandLine + lstrlenA(commandLine) + 1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        return false;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

void CSystemAgentPlatform::Broadcast(WPARAM event)
{
    DWORD recipients = BSM_APPLICATIONS;
    ::BroadcastSystemMessageA(BSF_POSTMESSAGE | BSF_IGNORECURRENTTASK, &recipients,
                              WM_DEVICECHANGE, event, 0);
}
