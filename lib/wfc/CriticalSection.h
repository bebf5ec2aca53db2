#pragma once
// The in-process lock of the library: one Win32 critical section, always taken through the
// scoped lock CCriticalSection::CLock so that every early return leaves it.
//     lib::wfc::CCriticalSection::CLock lock(&m_csState, true);
// Kept in the header so that programs which need only the lock (the updater) link nothing
// of the window library.

#include <windows.h>

namespace lib {
namespace wfc {

class CCriticalSection {
public:
    CCriticalSection() { InitializeCriticalSection(&m_csSection); }
    virtual ~CCriticalSection() { DeleteCriticalSection(&m_csSection); }

    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    // Re-entrant for the owning thread: every Enter needs its own Leave.
    void Enter() { EnterCriticalSection(&m_csSection); }
    void Leave() { LeaveCriticalSection(&m_csSection); }

    // Holds the section at most once per lock object; used by one thread only.
    class CLock {
    public:
        CLock(CCriticalSection* section, bool lockNow) : m_pSection(section), m_bHeld(false)
        {
            if (lockNow) Lock();
        }
        ~CLock()
        {
            if (m_bHeld) Unlock();
        }

        CLock(const CLock&) = delete;
        CLock& operator=(const CLock&) = delete;

        // A lock that already holds its section does not enter it again, so the one Unlock
        // of the destructor always balances it.
        void Lock()
        {
            if (m_bHeld || m_pSection == nullptr) return;
            m_bHeld = true;
            m_pSection->Enter();
        }
        // Leaving a section this lock does not hold would release another holder's entry
        // (or corrupt the section), so it does nothing.
        void Unlock()
        {
            if (!m_bHeld) return;
            m_pSection->Leave();
            m_bHeld = false;
        }

    private:
        CCriticalSection* m_pSection;
        bool m_bHeld;
    };

private:
    CRITICAL_SECTION m_csSection;
};

} // namespace wfc
} // namespace lib
