// The critical section and its scoped lock, observed from a second thread: a section is
// held exactly when another thread cannot enter it.

#include "lib/wfc/CriticalSection.h"

#include <gtest/gtest.h>

#include <process.h>

using lib::wfc::CCriticalSection;

namespace {

// A thread that enters and leaves the section once.
class CProbe {
public:
    explicit CProbe(CCriticalSection& section) : m_rSection(section)
    {
        m_hThread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CProbe::Run, this, 0, nullptr));
    }
    ~CProbe()
    {
        // Only after the test thread has left the section for good.
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
    }
    bool EnteredWithin(DWORD milliseconds) { return WaitForSingleObject(m_hThread, milliseconds) == WAIT_OBJECT_0; }

private:
    static unsigned __stdcall Run(void* self)
    {
        CProbe* probe = static_cast<CProbe*>(self);
        probe->m_rSection.Enter();
        probe->m_rSection.Leave();
        return 0;
    }

    CCriticalSection& m_rSection;
    HANDLE m_hThread;
};

bool IsFree(CCriticalSection& section)
{
    CProbe probe(section);
    return probe.EnteredWithin(2000);
}

// Held by this thread: the probe stays out until `release` runs.
template <typename Release>
bool IsHeldUntil(CCriticalSection& section, Release release)
{
    CProbe probe(section);
    const bool held = !probe.EnteredWithin(150);
    release();
    EXPECT_TRUE(probe.EnteredWithin(2000)) << "the section stayed held";
    return held;
}

TEST(CriticalSectionLock, LocksForItsScope)
{
    CCriticalSection section;
    {
        CCriticalSection::CLock lock(&section, true);
        CProbe probe(section);
        EXPECT_FALSE(probe.EnteredWithin(150));
        lock.Unlock();
        EXPECT_TRUE(probe.EnteredWithin(2000));
        // Locked again after an unlock, left again by the destructor.
        lock.Lock();
    }
    EXPECT_TRUE(IsFree(section));
}

// Each case starts with the test thread holding the section once by Enter; afterwards the
// section must still be held exactly once.
TEST(CriticalSectionLock, LeavesOnlyWhatItEntered)
{
    struct Case {
        const char* label;
        void (*use)(CCriticalSection&);
    };
    const Case cases[] = {
        {"never locked", [](CCriticalSection& s) { CCriticalSection::CLock lock(&s, false); }},
        {"unlock without lock", [](CCriticalSection& s) {
             CCriticalSection::CLock lock(&s, false);
             lock.Unlock();
         }},
        {"unlock then destructor", [](CCriticalSection& s) {
             CCriticalSection::CLock lock(&s, true);
             lock.Unlock();
         }},
        {"unlock twice", [](CCriticalSection& s) {
             CCriticalSection::CLock lock(&s, true);
             lock.Unlock();
             lock.Unlock();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        CCriticalSection section;
        section.Enter();
        c.use(section);
        EXPECT_TRUE(IsHeldUntil(section, [&section] { section.Leave(); }));
    }
}

TEST(CriticalSectionLock, SecondLockOnOneObjectEntersOnce)
{
    CCriticalSection section;
    {
        CCriticalSection::CLock lock(&section, true);
        lock.Lock();
    }
    EXPECT_TRUE(IsFree(section)) << "a double enter was left only once";
}

TEST(CriticalSectionLock, NestedLocksEnterAndLeaveInOrder)
{
    CCriticalSection section;
    {
        CCriticalSection::CLock outer(&section, true);
        {
            CCriticalSection::CLock inner(&section, true);
        }
        // The inner lock's leave must not free the outer one's entry.
        CProbe probe(section);
        EXPECT_FALSE(probe.EnteredWithin(150));
        outer.Unlock();
        EXPECT_TRUE(probe.EnteredWithin(2000));
    }
    EXPECT_TRUE(IsFree(section));
}

struct SharedCounter {
    CCriticalSection section;
    volatile long value = 0;
};

unsigned __stdcall AddMany(void* context)
{
    SharedCounter* counter = static_cast<SharedCounter*>(context);
    for (int i = 0; i < 20000; ++i) {
        CCriticalSection::CLock lock(&counter->section, true);
        const long read = counter->value;
        if ((i & 0xFF) == 0) SwitchToThread();
        counter->value = read + 1;
    }
    return 0;
}

TEST(CriticalSectionLock, ExcludesOtherThreads)
{
    SharedCounter counter;
    HANDLE threads[4];
    for (HANDLE& thread : threads) {
        thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &AddMany, &counter, 0, nullptr));
        ASSERT_NE(nullptr, thread);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(4, threads, TRUE, 30000));
    for (HANDLE thread : threads) CloseHandle(thread);
    EXPECT_EQ(4 * 20000, counter.value);
}

} // namespace
