#pragma once
// Owners of one kernel or heap resource each, released on every way out and never copied.

#include <windows.h>

#include <cstdlib>
#include <memory>

namespace lib {

// A kernel handle: file, mutex, event, process, thread or token. Both failure values of the
// API mean "no handle": INVALID_HANDLE_VALUE (CreateFile) and null (CreateMutex and the rest).
class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE handle) : m_hHandle(handle) {}
    ~CHandle() { Close(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    bool IsValid() const { return m_hHandle != nullptr && m_hHandle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_hHandle; }
    // For calls that hand a handle back through a pointer; an earlier one is closed first.
    HANDLE* Out()
    {
        Close();
        return &m_hHandle;
    }
    void Close()
    {
        if (IsValid()) CloseHandle(m_hHandle);
        m_hHandle = nullptr;
    }

private:
    HANDLE m_hHandle = nullptr;
};

// A search of FindFirstFile, closed with FindClose.
class CFindHandle {
public:
    explicit CFindHandle(HANDLE handle) : m_hFind(handle) {}
    ~CFindHandle()
    {
        if (IsValid()) FindClose(m_hFind);
    }
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;

    bool IsValid() const { return m_hFind != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_hFind; }

private:
    HANDLE m_hFind;
};

// A buffer from malloc, for sizes that come from files and may fail to allocate.
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using CMallocBuffer = std::unique_ptr<char, FreeDeleter>;

} // namespace lib
