#pragma once
// Whether a user has logged on to the console: that user's token holds a log-on SID.

#include <windows.h>

// S-1-5-5-0-0, the prefix against which log-on SIDs (S-1-5-5-0-n) are compared.
class CLogonSid {
public:
    CLogonSid();
    ~CLogonSid();
    CLogonSid(const CLogonSid&) = delete;
    CLogonSid& operator=(const CLogonSid&) = delete;

    // Built on first use, freed at exit; null when it could not be made.
    static PSID Get();

private:
    PSID m_pSid;
};

bool IsConsoleUserLoggedOn();
// The console session's user token, else the shell's; null when neither can be had. The
// caller closes it.
HANDLE GetConsoleUserToken();
HANDLE GetShellProcessToken();
bool TokenHasLogonSid(HANDLE token);
