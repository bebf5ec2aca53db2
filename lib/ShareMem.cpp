#include "lib/ShareMem.h"

#include <cstring>
#include <new>

namespace {

const char GLOBAL_PREFIX[] = "Global\\";
const char MUTEX_SUFFIX[] = "_MTX_EXT";

// A failed call that left no error behind still has to read as a failure.
DWORD LastErrorOr(DWORD fallback)
{
    const DWORD error = GetLastError();
    return error != 0 ? error : fallback;
}

} // namespace

CObjGlobalName::CObjGlobalName(const char* name, bool global)
    : m_pszName(nullptr), m_dwError(0)
{
    bool prefix = false;
    if (name == nullptr) {
        m_dwError = ERROR_INVALID_PARAMETER;
    } else if (global) {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
        if (!GetVersionExA(&version)) {
            m_dwError = LastErrorOr(ERROR_GEN_FAILURE);
        } else {
            prefix = version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5;
        }
    }
    if (m_dwError == 0) {
        const size_t head = prefix ? sizeof GLOBAL_PREFIX - 1 : 0;
        const size_t length = std::strlen(name);
        m_pszName = new (std::nothrow) char[head + length + 1];
        if (m_pszName == nullptr) {
            m_dwError = ERROR_OUTOFMEMORY;
        } else {
            std::memcpy(m_pszName, GLOBAL_PREFIX, head);
            std::memcpy(m_pszName + head, name, length + 1);
        }
    }
    SetLastError(m_dwError);
}

CObjGlobalName::~CObjGlobalName()
{
    delete[] m_pszName;
}

CFullCtrlSecrDes::CFullCtrlSecrDes() : m_sdDescriptor(), m_dwError(0)
{
    if (!InitializeSecurityDescriptor(&m_sdDescriptor, SECURITY_DESCRIPTOR_REVISION)) {
        m_dwError = LastErrorOr(ERROR_GEN_FAILURE);
    } else if (!SetSecurityDescriptorDacl(&m_sdDescriptor, TRUE, nullptr, FALSE)) {
        m_dwError = LastErrorOr(ERROR_GEN_FAILURE);
    }
    if (m_dwError != 0) SetLastError(m_dwError);
}

CFullCtrlSecrDes::~CFullCtrlSecrDes() = default;

CFullCtrlSecrAttr::CFullCtrlSecrAttr() : m_saAttributes()
{
    // 12 bytes on the 32-bit programs. A descriptor that could not be set up would make
    // every creation fail; without one the object still serves this account.
    m_saAttributes.nLength = sizeof m_saAttributes;
    m_saAttributes.lpSecurityDescriptor = m_dwError == 0 ? &m_sdDescriptor : nullptr;
    m_saAttributes.bInheritHandle = FALSE;
}

CFullCtrlSecrAttr::~CFullCtrlSecrAttr() = default;

CShareMem::CShareMem() : m_hMapping(nullptr), m_pView(nullptr)
{
}

CShareMem::~CShareMem()
{
    Close();
}

DWORD CShareMem::Create(const char* name, DWORD size, bool allowExisting, bool global)
{
    Close();
    CObjGlobalName objectName(name, global);
    if (objectName.GetName() == nullptr) return objectName.GetError();
    CFullCtrlSecrAttr security;

    m_hMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, security.GetSecurityAttributes(),
                                    PAGE_READWRITE, 0, size, objectName.GetName());
    if (m_hMapping == nullptr) return LastErrorOr(ERROR_GEN_FAILURE);
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    if (existed && !allowExisting) {
        Close();
        return ERROR_ALREADY_EXISTS;
    }

    m_pView = MapViewOfFile(m_hMapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (m_pView == nullptr) {
        const DWORD error = LastErrorOr(ERROR_GEN_FAILURE);
        Close();
        return error;
    }
    if (!existed) ZeroMemory(m_pView, size);
    return 0;
}

DWORD CShareMem::Open(const char* name, bool global)
{
    Close();
    CObjGlobalName objectName(name, global);
    if (objectName.GetName() == nullptr) return objectName.GetError();

    m_hMapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, objectName.GetName());
    if (m_hMapping == nullptr) return LastErrorOr(ERROR_GEN_FAILURE);
    m_pView = MapViewOfFile(m_hMapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (m_pView == nullptr) {
        const DWORD error = LastErrorOr(ERROR_GEN_FAILURE);
        Close();
        return error;
    }
    return 0;
}

void CShareMem::Close()
{
    if (m_pView != nullptr) {
        UnmapViewOfFile(m_pView);
        m_pView = nullptr;
    }
    if (m_hMapping != nullptr) {
        CloseHandle(m_hMapping);
        m_hMapping = nullptr;
    }
}

CMutexObj::CMutexObj() : m_hMutex(nullptr), m_iHeld(0)
{
}

CMutexObj::~CMutexObj()
{
    Close();
}

DWORD CMutexObj::Create(const char* name, bool allowExisting)
{
    Close();
    // One mutex serves the blocks of every session.
    CObjGlobalName objectName(name, true);
    if (objectName.GetName() == nullptr) return objectName.GetError();
    CFullCtrlSecrAttr security;

    m_hMutex = CreateMutexA(security.GetSecurityAttributes(), FALSE, objectName.GetName());
    if (m_hMutex == nullptr) return LastErrorOr(ERROR_GEN_FAILURE);
    if (GetLastError() == ERROR_ALREADY_EXISTS && !allowExisting) {
        Close();
        return ERROR_ALREADY_EXISTS;
    }
    return 0;
}

void CMutexObj::Close()
{
    if (m_hMutex == nullptr) return;
    for (; m_iHeld > 0; --m_iHeld) ReleaseMutex(m_hMutex);
    CloseHandle(m_hMutex);
    m_hMutex = nullptr;
}

bool CMutexObj::Lock()
{
    if (m_hMutex == nullptr) return false;
    // An abandoned mutex is ours now; its guarded record is still whole because every
    // holder copies fixed-size records only.
    const DWORD wait = WaitForSingleObject(m_hMutex, INFINITE);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return false;
    ++m_iHeld;
    return true;
}

void CMutexObj::Unlock()
{
    if (m_hMutex == nullptr || m_iHeld == 0) return;
    ReleaseMutex(m_hMutex);
    --m_iHeld;
}

CBlockShareMem::CBlockShareMem() = default;

CBlockShareMem::~CBlockShareMem()
{
    Close();
}

DWORD CBlockShareMem::Create(const char* name, DWORD size, bool allowExisting, bool global)
{
    return _Init(true, name, size, allowExisting, global);
}

DWORD CBlockShareMem::Open(const char* name, bool global)
{
    return _Init(false, name, 0, false, global);
}

void CBlockShareMem::Close()
{
    m_oLock.Close();
    m_oMemory.Close();
}

DWORD CBlockShareMem::_Init(bool create, const char* name, DWORD size, bool allowExisting,
                            bool global)
{
    Close();
    DWORD error = create ? m_oMemory.Create(name, size, allowExisting, global)
                         : m_oMemory.Open(name, global);
    if (error == 0 && name != nullptr && *name != '\0') {
        // The mutex always goes under the global-name rule, so on Windows 2000 and later
        // it is "Global\<block>_MTX_EXT" while the memory may stay in the session.
        char* lockName = new (std::nothrow) char[std::strlen(name) + sizeof MUTEX_SUFFIX];
        if (lockName == nullptr) {
            error = ERROR_OUTOFMEMORY;
        } else {
            std::strcpy(lockName, name);
            std::strcat(lockName, MUTEX_SUFFIX);
            // Opening a block creates its mutex when nobody has yet.
            error = m_oLock.Create(lockName, true);
            delete[] lockName;
        }
    }
    if (error != 0) Close();
    return error;
}
