#include "lib/AppFolder.h"

#include "lib/Path.h"

#include <shlobj.h>

#include <cstring>

namespace lib {

namespace {

// Workers and the user-interface thread ask for the folders at once; the cache is one
// std::string, so its first fill is serialised. The lock is built on first use because
// static initialisers of other parts may already need the folders.
class CFolderCacheLock {
public:
    CFolderCacheLock() { InitializeCriticalSection(&m_section); }
    ~CFolderCacheLock() { DeleteCriticalSection(&m_section); }
    CFolderCacheLock(const CFolderCacheLock&) = delete;
    CFolderCacheLock& operator=(const CFolderCacheLock&) = delete;
    void Enter() { EnterCriticalSection(&m_section); }
    void Leave() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

struct CFolderCache {
    CFolderCacheLock lock;
    std::string productFolder;
    AppDataFolderQuery query = nullptr;
};

CFolderCache& Cache()
{
    // Never destroyed: the log writer may look for its folder from static destructors.
    static CFolderCache* cache = new CFolderCache;
    return *cache;
}

HRESULT SystemAppDataFolder(char* path)
{
    return SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                            SHGFP_TYPE_CURRENT, path);
}

// The common application data folder of Windows 2000/XP on the system drive; only used
// when the user's folder cannot be had, and then without the product folder.
std::string FallbackFolder()
{
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    std::string folder(1, system[0] != '\0' ? system[0] : 'C');
    return folder + ":\\Documents and Settings\\All Users\\Application Data\\";
}

std::string SubFolder(const char* name)
{
    const std::string folder = GetAppDataFolder() + name;
    if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        CreateDirectoryRecursive(folder);
    }
    return folder;
}

} // namespace

void SetAppDataFolderQuery(AppDataFolderQuery query)
{
    CFolderCache& cache = Cache();
    cache.lock.Enter();
    cache.query = query;
    cache.lock.Leave();
}

std::string GetAppDataFolder()
{
    CFolderCache& cache = Cache();
    std::string folder;
    cache.lock.Enter();
    if (cache.productFolder.empty()) {
        char path[MAX_PATH + 1] = {};
        const HRESULT result = cache.query ? cache.query(path) : SystemAppDataFolder(path);
        if (SUCCEEDED(result)) {
            const std::string product = PathAppendStr(path, "Halvorn\\Kestrum4\\");
            if (!product.empty()) {
                cache.productFolder = product;
                AppendBackslash(cache.productFolder);
            }
        }
    }
    folder = cache.productFolder;
    cache.lock.Leave();

    if (folder.empty()) folder = FallbackFolder();
    if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        CreateDirectoryRecursive(folder); // gives false with 183 for a backslash-ended path
    }
    return folder;
}

std::string GetSettingFolder() { return SubFolder("Setting\\"); }
std::string GetLogFolder() { return SubFolder("Log\\"); }
std::string GetDataFolder() { return SubFolder("Data\\"); }
std::string GetTemporaryFileFolder() { return SubFolder("TemporaryFile\\"); }
std::string GetDownloadFolder() { return SubFolder("Download\\"); }

} // namespace lib
