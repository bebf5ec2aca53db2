// "chkdsk.exe" of the system folder, which Wine lacks: notes its start with the command line
// (StandInRecord.h, "started.txt" in the system folder), waits KESTRUM_CHKDSK_DELAY_MS
// (default 0), then, when KESTRUM_CHKDSK_GATE names an event, until that event is set
// (launchertest::CChkdskGate; at most two minutes), and ends with KESTRUM_CHKDSK_EXIT
// (default 0). tools/wine-session puts it into the prefix's system folder.

#include "tests/launcher/standins/StandInRecord.h"

#include <windows.h>

int main()
{
    standin::RecordStart();
    Sleep(standin::EnvironmentNumber("KESTRUM_CHKDSK_DELAY_MS", 0));
    char gate[128] = {};
    const DWORD length = GetEnvironmentVariableA("KESTRUM_CHKDSK_GATE", gate, sizeof gate);
    if (length > 0 && length < sizeof gate) {
        HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, gate);
        if (event != nullptr) {
            WaitForSingleObject(event, 120000);
            CloseHandle(event);
        }
    }
    return static_cast<int>(standin::EnvironmentNumber("KESTRUM_CHKDSK_EXIT", 0));
}
