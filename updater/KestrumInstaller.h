#pragma once
// The updater's program: "Launcher" serves the launcher's install requests through a window
// of its own; "removeall" closes the product's programs and uninstalls its packages.

#include <windows.h>

// The whole program; its exit code.
int InstallerWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

// Closes the product's programs by their windows' titles, then uninstalls every package of
// the product that Windows Installer knows.
void RemoveAll();

// Posts WM_CLOSE to the top-level windows of the title (any class) until none is left,
// about 500 ms apart; at the 11th round the window's process is terminated.
void CloseWindowsByTitle(const char* title);
