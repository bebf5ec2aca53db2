#pragma once
// The product's per-user folders: "<application data>\Halvorn\Kestrum4\" and its Setting,
// Log, Data, TemporaryFile and Download folders. Each function returns its folder with a
// trailing backslash, so a file name can be appended at once, and creates it when it is
// missing; a folder that cannot be created is still returned.

#include <windows.h>

#include <string>

namespace lib {

std::string GetAppDataFolder();
std::string GetSettingFolder();
std::string GetLogFolder();
std::string GetDataFolder();
std::string GetTemporaryFileFolder();
std::string GetDownloadFolder();

// Test seam over the one system question behind these folders (SHGetFolderPathA of the
// user's application data folder). Null restores the system's answer. The product folder
// is remembered after the first successful answer for the rest of the process.
typedef HRESULT (*AppDataFolderQuery)(char* path);
void SetAppDataFolderQuery(AppDataFolderQuery query);

} // namespace lib
