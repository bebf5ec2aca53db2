// "chkdsk.exe" of the system folder, which Wine lacks: notes its start with the command line
// (StandInRecord.h, "started.txt" in the system folder), waits KESTRUM_CHKDSK_DELAY_MS
// (default 0), then, when KESTRUM_CHKDSK_GATE names an event, until that event is set (a
// test or road holds the check so, launchertest::CChkdskGate, for as long as it looks at the
// launcher meanwhile), and ends with
// KESTRUM_CHKDSK_EXIT (default 0). tools/wine-session puts it into the prefix's system folder.

#include "tests/launcher/standins/StandInRecord.h"

#include <windows.h>

namespace {

// Bounded, so that a gate never let go does not hold the launcher's check for ever.
const DWORD kGateBoundMs = 600000;

void WaitAtGate()
{
    char name[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("KESTRUM_CHKDSK_GATE", name, sizeof name);
    if (length == 0 || length >= sizeof name) return;
    // Manual-reset, made by whichever of the test and the stand-in comes first.
    const HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, name);
    if (gate == nullptr) return;
    WaitForSingleObject(gate, kGateBoundMs);
    CloseHandle(gate);
}

} // namespace

int main()
{
    standin::RecordStart();
    Sleep(standin::EnvironmentNumber("KESTRUM_CHKDSK_DELAY_MS", 0));
    WaitAtGate();
    return static_cast<int>(standin::EnvironmentNumber("KESTRUM_CHKDSK_EXIT", 0));
}
