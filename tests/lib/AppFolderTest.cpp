// The product folder is remembered for the whole process, so these cases run in order in
// one test of their own executable: first the system failing, then a fresh folder, then
// the remembered one.
#include "lib/AppFolder.h"
#include "lib/Path.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string g_fakeAppData;
LONG g_queries = 0;

HRESULT FailingQuery(char*)
{
    InterlockedIncrement(&g_queries);
    return E_FAIL;
}

HRESULT FakeQuery(char* path)
{
    InterlockedIncrement(&g_queries);
    Sleep(20); // widen the window in which a second thread asks at the same time
    std::strcpy(path, g_fakeAppData.c_str());
    return S_OK;
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD WINAPI AskFolder(void* result)
{
    *static_cast<std::string*>(result) = lib::GetLogFolder();
    return 0;
}

} // namespace

TEST(AppFolderTest, FallbackThenFreshFolderThenRemembered)
{
    // The system cannot answer: the common folder of the system drive, not remembered.
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string fallback =
        std::string(1, system[0]) + ":\\Documents and Settings\\All Users\\Application Data\\";
    lib::SetAppDataFolderQuery(FailingQuery);
    EXPECT_EQ(fallback + "Setting\\", lib::GetSettingFolder());
    EXPECT_EQ(1, g_queries);
    EXPECT_EQ(fallback, lib::GetAppDataFolder());
    EXPECT_EQ(2, g_queries);

    // A fresh application data folder: the product folder and its parents get created.
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    char name[64];
    std::snprintf(name, sizeof name, "kestrum_appdata_%lu", GetCurrentProcessId());
    g_fakeAppData = std::string(temp) + name;
    lib::SetAppDataFolderQuery(FakeQuery);
    g_queries = 0;

    // Two threads asking at once both get the whole text, and the system is asked once.
    std::string first, second;
    HANDLE threads[2] = {CreateThread(nullptr, 0, AskFolder, &first, 0, nullptr),
                         CreateThread(nullptr, 0, AskFolder, &second, 0, nullptr)};
    WaitForMultipleObjects(2, threads, TRUE, 10000);
    CloseHandle(threads[0]);
    CloseHandle(threads[1]);
    const std::string product = g_fakeAppData + "\\Halvorn\\Kestrum4\\";
    EXPECT_EQ(product + "Log\\", first);
    EXPECT_EQ(product + "Log\\", second);
    EXPECT_EQ(1, g_queries);
    EXPECT_TRUE(IsFolder(product + "Log\\"));

    const struct {
        std::string (*function)();
        const char* name;
    } folders[] = {
        {lib::GetAppDataFolder, ""},
        {lib::GetSettingFolder, "Setting\\"},
        {lib::GetLogFolder, "Log\\"},
        {lib::GetDataFolder, "Data\\"},
        {lib::GetTemporaryFileFolder, "TemporaryFile\\"},
        {lib::GetDownloadFolder, "Download\\"},
    };
    for (const auto& folder : folders) {
        SCOPED_TRACE(folder.name);
        EXPECT_EQ(product + folder.name, folder.function());
        EXPECT_TRUE(IsFolder(product + folder.name));
    }
    // Remembered: no further question to the system, even after the folder vanished.
    EXPECT_EQ(1, g_queries);
    EXPECT_TRUE(lib::DeleteFolder(g_fakeAppData.c_str(), true));
    EXPECT_EQ(product + "Data\\", lib::GetDataFolder());
    EXPECT_TRUE(IsFolder(product + "Data\\"));
    EXPECT_EQ(1, g_queries);

    lib::SetAppDataFolderQuery(nullptr);
    EXPECT_TRUE(lib::DeleteFolder(g_fakeAppData.c_str(), true));
}
