#include "agent/AgentWindow.h"

#include "agent/AgentPlatform.h"
#include "agent/ConsoleLogon.h"
#include "agent/DriveWatcher.h"
#include "agent/WrapSHChangeNotifyRegister.h"
#include "agent/WtsSession.h"
#include "lib/ShareMem.h"
#include "lib/SystemVersion.h"

// In this order: the platform asks the shell wrapper, the watcher the platform.
CWrapSHChangeNotifyRegister g_cShellNotify;
namespace {
CSystemAgentPlatform g_cSystemPlatform(g_cShellNotify);
}
CDriveWatcher g_cDriveWatcher(g_cSystemPlatform);

namespace {

const char AGENT_MUTEX_NAME[] = "AGENT_ONLY_ONE";
const char AGENT_CLASS_NAME[] = "Kestrum4AgentWinClassName";
const char AGENT_WINDOW_TITLE[] = "Kestrum4AgentWindowTitle";
// No menu resource has this name: the class only names it.
const char AGENT_MENU_NAME[] = "Kestrum4AgentMENUName";
const char EXIT_EVENT_NAME[] = "Kestrum_Event_Exit";
const UINT TIMER_PERIOD_MS = 1000;

HINSTANCE g_hInstance = nullptr;
HWND g_hWindow = nullptr;
// Set once the card timer has been armed for the current log-on.
bool g_bLogon = false;
DWORD g_dwPlatformId = 0;

bool IsWindows2000() { return lib::GetOSVersionKind() == lib::OSKIND_WIN2000; }

void ArmCardTimer(HWND window)
{
    if (g_bLogon) return;
    g_bLogon = true;
    SetTimer(window, AGENT_TIMER_CARD, TIMER_PERIOD_MS, nullptr);
}

// Windows 2000 has no session notification: the log-on test is repeated every second until
// it succeeds. Later systems retry only the registration, then wait for session messages.
void LogonWaitStep(HWND window)
{
    KillTimer(window, AGENT_TIMER_LOGON);
    const bool windows2000 = IsWindows2000();
    if (windows2000 || agent::RegisterSessionNotification(window, NOTIFY_FOR_ALL_SESSIONS)) {
        if (IsConsoleUserLoggedOn()) {
            ArmCardTimer(window);
            return;
        }
        if (!windows2000) return;
    }
    SetTimer(window, AGENT_TIMER_LOGON, TIMER_PERIOD_MS, nullptr);
}

void LogoffSteps(HWND window)
{
    if (!g_bLogon) return;
    g_bLogon = false;
    if (IsWindows2000()) {
        KillTimer(window, AGENT_TIMER_LOGON);
        SetTimer(window, AGENT_TIMER_LOGON, TIMER_PERIOD_MS, nullptr);
    }
}

} // namespace

int AgentWinMain(HINSTANCE instance)
{
    // Kept open for the agent's whole life.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, AGENT_MUTEX_NAME);
    if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return -1;
    }
    g_hInstance = instance;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version)) g_dwPlatformId = version.dwPlatformId;
    RunAgent();
    return 0;
}

void RunAgent()
{
    if (CreateAgentWindow()) AgentMessageLoop();
    ExitAgent();
}

bool CreateAgentWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = AgentWndProc;
    windowClass.hInstance = g_hInstance;
    windowClass.lpszMenuName = AGENT_MENU_NAME;
    windowClass.lpszClassName = AGENT_CLASS_NAME;
    if (RegisterClassA(&windowClass) == 0) return false;
    // Never shown: other programs find the agent by its title.
    g_hWindow = CreateWindowExA(0, AGENT_CLASS_NAME, AGENT_WINDOW_TITLE, WS_POPUP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                g_hInstance, nullptr);
    return g_hWindow != nullptr;
}

void AgentMessageLoop()
{
    // Without the shell's notices the agent still makes its check after the log-on.
    g_cShellNotify.Register(g_hWindow, WM_AGENT_SHELL_NOTIFY);
    MSG message;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        // Ends the loop undispatched; nothing in the system posts it.
        if (message.message == WM_APP) break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    g_cShellNotify.Deregister();
}

LRESULT CALLBACK AgentWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        SetTimer(window, AGENT_TIMER_LOGON, TIMER_PERIOD_MS, nullptr);
        break;
    case WM_CLOSE:
        PostQuitMessage(0);
        break;
    case WM_ENDSESSION:
        if (IsWindows2000()) LogoffSteps(window);
        break;
    case WM_TIMER:
        if (wParam == AGENT_TIMER_LOGON) {
            LogonWaitStep(window);
        } else if (wParam == AGENT_TIMER_CARD) {
            g_cDriveWatcher.CheckCards(window);
        }
        break;
    case WM_WTSSESSION_CHANGE:
        if (wParam == WTS_SESSION_LOGON) {
            ArmCardTimer(window);
        } else if (wParam == WTS_SESSION_LOGOFF) {
            LogoffSteps(window);
        }
        break;
    case WM_AGENT_SHELL_NOTIFY:
        g_cDriveWatcher.OnShellNotification(window, wParam, lParam);
        break;
    default:
        break;
    }
    // Every message goes on, so WM_CLOSE also destroys the window.
    return DefWindowProcA(window, message, wParam, lParam);
}

void ExitAgent()
{
    // Nothing in the system creates this event; it is still signalled for whoever waits on it.
    CObjGlobalName exitName(EXIT_EVENT_NAME, true);
    if (exitName.GetName() != nullptr) {
        HANDLE exitEvent = OpenEventA(EVENT_MODIFY_STATE, FALSE, exitName.GetName());
        if (exitEvent != nullptr) {
            SetEvent(exitEvent);
            CloseHandle(exitEvent);
        }
    }
    if (g_hWindow == nullptr) return;
    KillTimer(g_hWindow, AGENT_TIMER_LOGON);
    if (!IsWindows2000()) agent::UnRegisterSessionNotification(g_hWindow);
    DestroyWindow(g_hWindow);
    g_hWindow = nullptr;
}
