#pragma once
// The launcher program's start and end: one launcher per session, the agent started beside
// it, a hidden top-level window, the window framework, the main window and the message loop.
// The program's WinMain (launcher/app) only calls LauncherWinMain, so that a test program
// can run the same start and loop.

#include <windows.h>

// The window class and title of the hidden window; the main window carries the title too.
extern const char* const kLauncherClassName;  // "KESTRUMLAUNCHER"
extern const char* const kDropWindowClassName; // "KESTRUMDROPWINDOW"
extern const char* const kLauncherTitle;      // "Kestrum4 Launcher"
// The single-instance mutex.
extern const char* const kLauncherMutexName;  // "LAUNCHER_ONLY_ONE"
// The icon resources of the program: large and small.
enum LauncherIcon : WORD { IDI_LAUNCHER = 107, IDI_LAUNCHER_SMALL = 108 };

// The whole life of the launcher; the exit code: -1 for a second launcher or a missing
// agent, 0 when the hidden window cannot be made, else the quit message's code. The command
// line ("AutoStart" from the agent) and the show command are not used.
int LauncherWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

// Starts Kestrum4Agent.exe from the launcher's folder with the parameter "Launcher".
bool StartAgent();
void RegisterLauncherClasses(HINSTANCE instance);
bool CreateLauncherWindow(HINSTANCE instance, int showCommand);
LRESULT CALLBACK LauncherWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
