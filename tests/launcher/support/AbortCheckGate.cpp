#include "tests/launcher/support/AbortCheckGate.h"

#include <atomic>

namespace launchertest {

namespace {

typedef DWORD(WINAPI* WaitFunction)(HANDLE, DWORD);
typedef HANDLE(WINAPI* ThreadFunction)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE,
                                       LPVOID, DWORD, LPDWORD);

// A held check waits no longer than this: a test that never lets it go fails, not hangs.
const DWORD kHoldBoundMs = 120000;
const size_t kMaxWorkers = 16;

// The gate's state lives for the program: a worker may still be inside the stand-in when the
// gate goes.
struct GateState {
    std::atomic<bool> bActive{false};
    WaitFunction pWait = nullptr;
    ThreadFunction pCreateThread = nullptr;
    std::atomic<DWORD> dwWorkers[kMaxWorkers] = {};
    std::atomic<size_t> uWorkers{0};
    size_t uPassed = 0;
    std::atomic<size_t> uChecks{0};
    HANDLE hOpen = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE hHeld = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

GateState& State()
{
    static GateState* state = [] {
        GateState* made = new GateState;
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        made->pWait = reinterpret_cast<WaitFunction>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "WaitForSingleObject")));
        made->pCreateThread = reinterpret_cast<ThreadFunction>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "CreateThread")));
        return made;
    }();
    return *state;
}

bool IsWorker(const GateState& state, DWORD thread)
{
    const size_t count = state.uWorkers.load();
    for (size_t i = 0; i < count && i < kMaxWorkers; ++i) {
        if (state.dwWorkers[i].load() == thread) return true;
    }
    return false;
}

DWORD WINAPI GatedWait(HANDLE handle, DWORD timeoutMs)
{
    GateState& state = State();
    if (timeoutMs != 0 || !state.bActive.load() || !IsWorker(state, GetCurrentThreadId()) ||
        ++state.uChecks <= state.uPassed) {
        return state.pWait(handle, timeoutMs);
    }
    SetEvent(state.hHeld);
    const HANDLE waits[2] = {handle, state.hOpen};
    // Set meanwhile, the event was taken as the check takes it (an auto-reset one is reset);
    // the worker goes on aborted, and the gate stands open for the rest of its way.
    if (WaitForMultipleObjects(2, waits, FALSE, kHoldBoundMs) == WAIT_OBJECT_0) {
        SetEvent(state.hOpen);
        return WAIT_OBJECT_0;
    }
    return state.pWait(handle, 0);
}

// Starts the thread suspended, so that it is known as a worker before its first check.
HANDLE WINAPI RecordedCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                                   LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                                   LPDWORD threadId)
{
    GateState& state = State();
    DWORD id = 0;
    HANDLE thread = state.pCreateThread(security, stack, start, parameter,
                                        flags | CREATE_SUSPENDED, &id);
    if (thread == nullptr) return nullptr;
    if (state.bActive.load()) {
        const size_t slot = state.uWorkers++;
        if (slot < kMaxWorkers) state.dwWorkers[slot] = id;
    }
    if (threadId != nullptr) *threadId = id;
    if ((flags & CREATE_SUSPENDED) == 0) ResumeThread(thread);
    return thread;
}

} // namespace

CAbortCheckGate::CAbortCheckGate(size_t passed)
{
    GateState& state = State();
    state.uWorkers = 0;
    state.uPassed = passed;
    state.uChecks = 0;
    ResetEvent(state.hOpen);
    ResetEvent(state.hHeld);
    state.bActive = true;
    m_pWaitPatch.reset(new testsupport::CImportPatch("kernel32.dll", "WaitForSingleObject",
                                                     reinterpret_cast<void*>(&GatedWait)));
    m_pThreadPatch.reset(new testsupport::CImportPatch(
        "kernel32.dll", "CreateThread", reinterpret_cast<void*>(&RecordedCreateThread)));
}

CAbortCheckGate::~CAbortCheckGate()
{
    Open();
    State().bActive = false;
    // A worker still inside the stand-in finishes there: the state lives on.
    m_pThreadPatch.reset();
    m_pWaitPatch.reset();
}

bool CAbortCheckGate::Patched() const
{
    return m_pWaitPatch->Patched() && m_pThreadPatch->Patched();
}

bool CAbortCheckGate::WaitForHeld(DWORD timeoutMs) const
{
    return State().pWait(State().hHeld, timeoutMs) == WAIT_OBJECT_0;
}

void CAbortCheckGate::Open() { SetEvent(State().hOpen); }

} // namespace launchertest
