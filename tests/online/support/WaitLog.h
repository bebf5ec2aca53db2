#pragma once
// Notes every wait that a thread of this program begins through WaitForMultipleObjects (the
// program's own imports, tests/support/ImportPatch.h): a job waits so for its request's
// thread and its abort event at once. A wait noted has begun, with nothing the job checks
// between the note and the wait itself, so a test that must stop a job while it waits for
// its reply (not at the check just before) waits for that wait, not for a while.
//
//     onlinetest::CWaitLog waits;                    // before the job starts
//     job.StartProc();
//     waits.WaitForWaitsOn(job.GetAbortEvent(), 2);  // the second request's wait has begun
//
// One log at a time in a program.

#include "tests/support/ImportPatch.h"

#include <windows.h>

#include <cstddef>

namespace onlinetest {

class CWaitLog {
public:
    CWaitLog();
    ~CWaitLog();
    CWaitLog(const CWaitLog&) = delete;
    CWaitLog& operator=(const CWaitLog&) = delete;

    bool Patched() const { return m_oPatch.Patched(); }
    // The waits begun since the log was made that include the handle.
    size_t WaitsOn(HANDLE handle) const;
    // Until `count` such waits have begun; false when the time-out passed first.
    bool WaitForWaitsOn(HANDLE handle, size_t count, DWORD timeoutMs = 30000) const;

private:
    testsupport::CImportPatch m_oPatch;
};

} // namespace onlinetest
