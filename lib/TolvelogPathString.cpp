#include "lib/TolvelogPathString.h"

#include "lib/DbcsText.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

CTolvelogPathString::CTolvelogPathString() : m_bSet(0), m_szPath() {}

CTolvelogPathString::~CTolvelogPathString() = default;

void CTolvelogPathString::Set(const char* path)
{
    // The name holds the object's address and the process id: the lock is private to this
    // object, yet threads of the process setting it at once take turns.
    char name[64];
    std::snprintf(name, sizeof name, "TolveLogPathStringMutex_%08X_%08X",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(this)),
                  static_cast<unsigned>(GetCurrentProcessId()));
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (mutex != nullptr) WaitForSingleObject(mutex, INFINITE);
    if (m_bSet.load() == 0) {
        lib::DbcsCopy(m_szPath, sizeof m_szPath, path != nullptr ? path : "");
        m_bSet.store(1);
    }
    if (mutex != nullptr) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
}

bool CTolvelogPathString::Get(char* buffer, size_t size) const
{
    if (size == 0) return !IsEmpty();
    if (IsEmpty()) {
        buffer[0] = '\0';
        return false;
    }
    lib::DbcsCopy(buffer, size, m_szPath);
    return true;
}

bool CTolvelogPathString::IsEmpty() const
{
    return m_bSet.load() == 0;
}

TolveLogSettings& GetTolveLogSettings()
{
    // Never destroyed: static destructors of other parts may still log at exit.
    static TolveLogSettings* settings = new TolveLogSettings;
    return *settings;
}
