#pragma once
// Where the elevated updater may take a package from: the "Download\" folder of the user
// who runs the launcher. The launcher is found by its window's title; its process's token
// names the user, since an updater elevated with another account's credentials has a
// profile of its own.

#include <windows.h>

#include <string>

namespace MsiInstaller {

// The launcher's window, by its title alone ("Kestrum4 Launcher"); null when none.
HWND FindLauncherWindow();

// The window belongs to the process that owns the launcher's window.
bool IsLauncherProcessWindow(HWND window);

// "<application data of the launcher's user>\Halvorn\Kestrum4\Download\"; the updater's own
// Download folder when the launcher's token cannot be had.
std::string GetLauncherDownloadFolder();

// The path, made whole with GetFullPathNameA, lies inside the folder (given with its
// trailing backslash). A part of dots only (".." and the like) is refused before that.
// Letter case is ignored as code page 932 reads it, whole characters only.
bool IsPathInFolder(const std::string& path, const std::string& folder);

// IsPathInFolder with GetLauncherDownloadFolder.
bool IsLauncherDownloadPath(const std::string& path);

} // namespace MsiInstaller
