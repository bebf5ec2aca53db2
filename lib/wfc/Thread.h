#pragma once
// Base of an object that may run a body on a thread of its own. The object owns the thread
// handle; a subclass that starts the thread must end it before the object goes away.

#include <windows.h>

#include <process.h>

namespace lib {
namespace wfc {

class CThread {
public:
    CThread()
        : m_hThread(nullptr)
        , m_dwThreadId(0)
    {
    }

    virtual ~CThread()
    {
        if (m_hThread != nullptr) {
            ::CloseHandle(m_hThread);
        }
    }

    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Runs _ProcThread on a new thread; false when one was started already or none could be.
    virtual bool Start()
    {
        if (m_hThread != nullptr) {
            return false;
        }
        unsigned threadId = 0;
        m_hThread = reinterpret_cast<HANDLE>(
            ::_beginthreadex(nullptr, 0, &CThread::_ThreadEntry, this, 0, &threadId));
        m_dwThreadId = threadId;
        return m_hThread != nullptr;
    }

protected:
    virtual DWORD _ProcThread() = 0;

    HANDLE m_hThread;
    DWORD m_dwThreadId;

private:
    static unsigned __stdcall _ThreadEntry(void* self)
    {
        return static_cast<unsigned>(static_cast<CThread*>(self)->_ProcThread());
    }
};

} // namespace wfc
} // namespace lib
