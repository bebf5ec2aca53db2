#pragma once
// Holds the "chkdsk.exe" stand-in of the system folder (tests/launcher/standins) that this
// program starts, itself or through the product, once it has noted its start and until the
// test releases it: a check then runs for as long as the test needs it to, not for a time.
//
//     launchertest::CChkdskGate gate;     // KESTRUM_CHKDSK_GATE for what this program starts
//     ... the settings window runs the check; the test does what must come meanwhile ...
//     gate.Release();                     // chkdsk ends (and later ones pass at once)

#include <windows.h>

#include <string>

namespace launchertest {

class CChkdskGate {
public:
    CChkdskGate();
    // Releases the stand-in and leaves this program's environment as it was.
    ~CChkdskGate();
    CChkdskGate(const CChkdskGate&) = delete;
    CChkdskGate& operator=(const CChkdskGate&) = delete;

    bool IsReady() const { return m_hGate != nullptr; }
    void Release();

private:
    std::string m_strName;
    HANDLE m_hGate;
};

} // namespace launchertest
