#pragma once
// The user-agent text that names the unit on the card and its software version in every
// request to the online service: "<unit code>FerroxPA/<major>.<minor>", all hexadecimal.
// One process-wide object keeps the text of the last card that passed the link file's test;
// a missing or foreign card leaves it as it was (empty until a valid card was read).

#include <string>

class CUserAgent {
public:
    CUserAgent();
    virtual ~CUserAgent();

    // Rebuilds the text from the link file of the kept drive; false, leaving the text as it
    // was, when the drive letter is 0 or the drive holds no valid link file.
    bool Build();

    std::string GetUserAgent() const { return m_strUserAgent; }
    // Through the ANSI code page, for the HTTP client.
    std::wstring GetUserAgentW() const;

    char GetDriveLetter() const { return m_cDrive; }
    void SetDriveLetter(char driveLetter) { m_cDrive = driveLetter; }

private:
    std::string m_strUserAgent;
    char m_cDrive;
};

// Sets the process-wide object's drive letter, rebuilds it and hands back a copy of it.
// The window thread and the job threads all call this: the shared object is changed and
// copied under one lock, so a caller's copy is never torn by another thread's rebuild.
CUserAgent GetUserAgent(char driveLetter);
