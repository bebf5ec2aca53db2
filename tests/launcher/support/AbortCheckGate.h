#pragma once
// Holds a product worker at its abort checks, so that a close, a cancel or a second press of
// a test always meets the worker while it runs, however fast it would be: the drop window's
// unpacking and the delete-data window's deletion run in threads the windows start with
// CreateThread, which test their abort event with a wait of no time
// (WaitForSingleObject(event, 0)) before each step. While the gate stands, such a wait in a
// thread started through this program's imports of CreateThread since the gate was made
// (after the first `passed` of those waits) waits instead until that event is set or the
// gate is opened, and then answers as the check would; once the event has let a check go,
// the gate stands open. Both imports are patched as
// tests/support/ImportPatch.h does; one gate at a time.
//
//     launchertest::CAbortCheckGate gate(1);   // the first check passes, the next one holds
//     window.Drop(archive);
//     ASSERT_TRUE(gate.WaitForHeld(30000));    // the worker is mid-way
//     window.PostMessage(WM_CLOSE, 0, 0);      // its abort lets the worker go on, aborted

#include "tests/support/ImportPatch.h"

#include <windows.h>

#include <cstddef>
#include <memory>

namespace launchertest {

class CAbortCheckGate {
public:
    explicit CAbortCheckGate(size_t passed = 0);
    // Opens the gate first.
    ~CAbortCheckGate();
    CAbortCheckGate(const CAbortCheckGate&) = delete;
    CAbortCheckGate& operator=(const CAbortCheckGate&) = delete;

    bool Patched() const;
    // Waits until a worker has come to the gate (held there, or let through since).
    bool WaitForHeld(DWORD timeoutMs) const;
    // Lets every held check go on and every later one pass.
    void Open();

private:
    std::unique_ptr<testsupport::CImportPatch> m_pWaitPatch;
    std::unique_ptr<testsupport::CImportPatch> m_pThreadPatch;
};

} // namespace launchertest
