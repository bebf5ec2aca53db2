#pragma once
// Named kernel objects shared between the programs and between the accounts logged on:
// the object-name rule, security that lets every account open an object, a page-file
// mapping, a mutex, and a block that pairs a mapping with the mutex guarding it.
// Create and open operations return a Windows error code, 0 for success; a failed object
// is always left closed. Failures are not logged here: the callers log them.

#include <windows.h>

// "Global\" + name when global is set on Windows NT 5 or later (terminal-services session
// namespaces exist there), the name unchanged otherwise.
class CObjGlobalName {
public:
    // Sets the thread's last error to the result: 0, 87 for a null name, 14 when the text
    // cannot be allocated, or the error of the version query.
    CObjGlobalName(const char* name, bool global);
    virtual ~CObjGlobalName();

    CObjGlobalName(const CObjGlobalName&) = delete;
    CObjGlobalName& operator=(const CObjGlobalName&) = delete;

    // Null when building the name failed.
    const char* GetName() const { return m_pszName; }
    DWORD GetError() const { return m_dwError; }

private:
    char* m_pszName;
    DWORD m_dwError;
};

// A security descriptor with a present, null DACL: everyone has full access.
class CFullCtrlSecrDes {
public:
    CFullCtrlSecrDes();
    virtual ~CFullCtrlSecrDes();

    CFullCtrlSecrDes(const CFullCtrlSecrDes&) = delete;
    CFullCtrlSecrDes& operator=(const CFullCtrlSecrDes&) = delete;

    // The error of the failed set-up step, 0 when the descriptor is ready.
    DWORD GetError() const { return m_dwError; }

protected:
    SECURITY_DESCRIPTOR m_sdDescriptor;
    DWORD m_dwError;
};

class CFullCtrlSecrAttr : public CFullCtrlSecrDes {
public:
    CFullCtrlSecrAttr();
    ~CFullCtrlSecrAttr() override;

    LPSECURITY_ATTRIBUTES GetSecurityAttributes() { return &m_saAttributes; }

private:
    SECURITY_ATTRIBUTES m_saAttributes;
};

// A named page-file mapping with one read-write view of all of it.
class CShareMem {
public:
    CShareMem();
    virtual ~CShareMem();

    CShareMem(const CShareMem&) = delete;
    CShareMem& operator=(const CShareMem&) = delete;

    // A new mapping starts all zeros; an existing one (only with allowExisting, else 183)
    // keeps its contents.
    DWORD Create(const char* name, DWORD size, bool allowExisting, bool global);
    DWORD Open(const char* name, bool global);
    void Close();

    // Null while closed. A view covers whole pages, so at least one page is readable.
    void* GetView() const { return m_pView; }

private:
    HANDLE m_hMapping;
    void* m_pView;
};

// A named mutex, never owned at creation, always under the global-name rule.
class CMutexObj {
public:
    CMutexObj();
    virtual ~CMutexObj();

    CMutexObj(const CMutexObj&) = delete;
    CMutexObj& operator=(const CMutexObj&) = delete;

    DWORD Create(const char* name, bool allowExisting);
    // Releases the holds this object still has, then closes the handle.
    void Close();

    // Waits without time-out. True only when the mutex was acquired, also when its last
    // owner ended without releasing it; false for a closed object or a failed wait.
    bool Lock();
    // Releases one hold taken by Lock; nothing when this object holds none.
    void Unlock();

    HANDLE GetHandle() const { return m_hMutex; }

private:
    HANDLE m_hMutex;
    // Holds taken through this object: Close gives back only these, never a hold that the
    // thread took through another handle on the same mutex.
    int m_iHeld;
};

// A shared block and its guard, the mutex named after the block with "_MTX_EXT".
// Opening a block creates its mutex when nobody has yet.
class CBlockShareMem {
public:
    CBlockShareMem();
    virtual ~CBlockShareMem();

    CBlockShareMem(const CBlockShareMem&) = delete;
    CBlockShareMem& operator=(const CBlockShareMem&) = delete;

    DWORD Create(const char* name, DWORD size, bool allowExisting, bool global);
    DWORD Open(const char* name, bool global);
    // The mutex first, then the memory.
    void Close();

    void* GetView() const { return m_oMemory.GetView(); }
    HANDLE GetMutex() const { return m_oLock.GetHandle(); }

    // Hold the block's mutex for one copy in or out of the view.
    bool Lock() { return m_oLock.Lock(); }
    void Unlock() { m_oLock.Unlock(); }

private:
    DWORD _Init(bool create, const char* name, DWORD size, bool allowExisting, bool global);

    CShareMem m_oMemory;
    CMutexObj m_oLock;
};
