#pragma once
// The agent program: one hidden window that waits for the console user's log-on and then
// turns the shell's notices about media and drives into card checks.

#include <windows.h>

class CDriveWatcher;
class CWrapSHChangeNotifyRegister;

// Built before the entry function runs, so that the shared card block exists even in a
// second agent that ends at once.
extern CWrapSHChangeNotifyRegister g_cShellNotify;
extern CDriveWatcher g_cDriveWatcher;

// The whole program: -1 when an agent runs already, else 0 once the window has gone.
int AgentWinMain(HINSTANCE instance);

void RunAgent();
bool CreateAgentWindow();
void AgentMessageLoop();
LRESULT CALLBACK AgentWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ExitAgent();
