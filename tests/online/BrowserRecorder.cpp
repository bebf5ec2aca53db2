// Stands in for a browser in online_browser_test: registered for a URL scheme of the test's
// own, it appends its arguments to "opened.txt" beside itself, one line per start, and then
// signals the event the test waits on. The launcher's tests build it with an event of
// their own (RECORDER_DONE_EVENT), so that neither test is woken by the other's browser.
// Pages opened together start recorders together: each line goes in whole.
#include "tests/launcher/standins/StandInRecord.h"

#include <windows.h>

#include <string>

#ifndef RECORDER_DONE_EVENT
#define RECORDER_DONE_EVENT "KestrumBrowserRecorderDone"
#endif

int main(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) line += (i == 1 ? "" : " ") + std::string(argv[i]);
    if (!standin::AppendWholeLine(standin::FileBesideProgram("opened.txt"), line + "\n")) {
        return 2;
    }
    HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, RECORDER_DONE_EVENT);
    if (done != nullptr) {
        SetEvent(done);
        CloseHandle(done);
    }
    return 0;
}
