#include "agent/ConsoleLogon.h"

#include "agent/WtsSession.h"
#include "lib/Handle.h"

#include <vector>

CLogonSid::CLogonSid() : m_pSid(nullptr)
{
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&authority, 3, SECURITY_LOGON_IDS_RID, 0, 0, 0, 0, 0, 0, 0,
                                  &m_pSid)) {
        m_pSid = nullptr;
    }
}

CLogonSid::~CLogonSid()
{
    if (m_pSid != nullptr) FreeSid(m_pSid);
}

PSID CLogonSid::Get()
{
    static CLogonSid sid;
    return sid.m_pSid;
}

bool IsConsoleUserLoggedOn()
{
    lib::CHandle token(GetConsoleUserToken());
    return token.IsValid() && TokenHasLogonSid(token.Get());
}

HANDLE GetConsoleUserToken()
{
    HANDLE token = nullptr;
    if (agent::QueryUserToken(agent::GetActiveConsoleSessionId(), &token)) return token;
    return GetShellProcessToken();
}

HANDLE GetShellProcessToken()
{
    HDESK own = GetThreadDesktop(GetCurrentThreadId());
    HDESK desktop = OpenDesktopA("default", 0, FALSE, 0x60081);
    HANDLE token = nullptr;
    // A thread that owns windows cannot change its desktop, so the agent's window thread
    // always takes this road; a successful switch gives no token.
    if (desktop != nullptr && !SetThreadDesktop(desktop)) {
        HWND shell = FindWindowA("Progman", "Program Manager");
        DWORD processId = 0;
        if (shell != nullptr) GetWindowThreadProcessId(shell, &processId);
        lib::CHandle process(processId != 0 ? OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId)
                                            : nullptr);
        SetThreadDesktop(own);
        if (process.IsValid() && !OpenProcessToken(process.Get(), TOKEN_ALL_ACCESS, &token)) {
            token = nullptr;
        }
    }
    if (desktop != nullptr) CloseDesktop(desktop);
    if (own != nullptr) CloseDesktop(own);
    return token;
}

bool TokenHasLogonSid(HANDLE token)
{
    DWORD size = 0;
    GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
    if (size == 0) return false;
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token, TokenGroups, buffer.data(), size, &size)) return false;
    const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    PSID logon = CLogonSid::Get();
    if (logon == nullptr) return false;
    for (DWORD index = 0; index < groups->GroupCount; ++index) {
        PSID sid = groups->Groups[index].Sid;
        if (IsValidSid(sid) && EqualPrefixSid(sid, logon)) return true;
    }
    return false;
}
