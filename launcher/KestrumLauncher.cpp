#include "launcher/KestrumLauncher.h"

#include "launcher/LaunchWindow.h"
#include "launcher/RunAPPMgr.h"
#include "launcher/UserMessage.h"
#include "lib/Path.h"
#include "lib/SystemVersion.h"
#include "lib/TolveLog.h"
#include "lib/wfc/WfcRuntime.h"

#include <cstring>
#include <exception>
#include <memory>

const char* const kLauncherClassName = "KESTRUMLAUNCHER";
const char* const kDropWindowClassName = "KESTRUMDROPWINDOW";
const char* const kLauncherTitle = "Kestrum4 Launcher";
const char* const kLauncherMutexName = "LAUNCHER_ONLY_ONE";

namespace {

// Writable copies of the names, as the window calls of the program take them.
char g_szWindowClass[32];
char g_szWindowTitle[32];
char g_szDropWindowClass[32];
HINSTANCE g_hInstance = nullptr;
HANDLE g_hMutex = nullptr;

const char kReinstallText[] =
    "ランチャーに問題がある可能性があります。\r\nケストラムを再インストール後、パソコンを再起動してください。";

// Lets the agent's WM_DEVICECHANGE broadcast through the message filter of Vista and later;
// older systems have neither the filter nor the function.
void AllowDeviceChangeBroadcast()
{
    if (!lib::IsVistaOrLater()) return;
    HMODULE user32 = LoadLibraryA("user32.dll");
    if (user32 == nullptr) return;
    typedef BOOL(WINAPI * ChangeFilterProc)(UINT, DWORD);
    // FARPROC is a placeholder type: the function is called through its real one.
    const ChangeFilterProc change = reinterpret_cast<ChangeFilterProc>(
        reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilter")));
    if (change != nullptr) change(WM_DEVICECHANGE, 1 /* MSGFLT_ADD */);
    FreeLibrary(user32);
}

HICON LoadLauncherIcon(HINSTANCE instance, WORD id, int size)
{
    return static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_SHARED));
}

// The loop until WM_QUIT; its wParam is the exit code. A failed read ends the loop with the
// last message's code.
int RunMessageLoop()
{
    MSG msg = {};
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) {
            TOLVE_LOG(LOG_ERROR, "::GetMessageG[ 0x%08X", static_cast<uint32_t>(GetLastError()));
            break;
        }
        if (got == 0) break;
        if (!TranslateAcceleratorA(msg.hwnd, nullptr, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

} // namespace

int LauncherWinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // 1. One launcher per session.
    g_hMutex = CreateMutexA(nullptr, FALSE, kLauncherMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) return -1;

    // 2. The agent; a missing one is told only once the framework runs.
    const bool agentStarted = StartAgent();

    // 3.
    std::strcpy(g_szWindowTitle, kLauncherTitle);
    std::strcpy(g_szWindowClass, kLauncherClassName);
    std::strcpy(g_szDropWindowClass, kDropWindowClassName);
    RegisterLauncherClasses(instance);

    // 4.
    CTolveLogWrapper(__FILE__, __LINE__).Start(nullptr, 4096, static_cast<uint32_t>(-1));

    // 5. Hidden; being made first, it lies below the main window in the Z-order, so a
    // lookup by the shared title finds the main window. Nothing ever raises it.
    if (!CreateLauncherWindow(instance, SW_HIDE)) return 0;

    // 6.
    AllowDeviceChangeBroadcast();

    // 7.
    lib::wfc::Initialize(instance, kLauncherTitle,
                         LoadLauncherIcon(instance, IDI_LAUNCHER, GetSystemMetrics(SM_CXICON)),
                         LoadLauncherIcon(instance, IDI_LAUNCHER, GetSystemMetrics(SM_CXSMICON)));
    lib::wfc::AllocThreadMessageRecord();

    // 8. The process ends here as it is: framework and mutex stay.
    if (!agentStarted) {
        ShowMessageBox(GetDesktopWindow(), kReinstallText, MB_ICONEXCLAMATION);
        return -1;
    }

    // 9. and 10.
    std::unique_ptr<ui::CLaunchWindow> window;
    int exitCode = 0;
    try {
        window.reset(new ui::CLaunchWindow());
        window->Create();
        lib::ForceForegroundWindow(window->GetHwnd());
        exitCode = RunMessageLoop();
    } catch (const std::exception& error) {
        // A skin error has been shown to the user already; end as after a quit.
        TOLVE_LOG(LOG_ERROR, "CLaunchWindow %s", error.what());
        exitCode = -1;
    }

    // 11. The mutex goes before the main window, whose destructor stops the jobs within
    // their time-outs.
    lib::wfc::FreeThreadMessageRecord();
    lib::wfc::Terminate();
    CloseHandle(g_hMutex);
    g_hMutex = nullptr;
    window.reset();
    return exitCode;
}

bool StartAgent()
{
    RunAPPMgr starter;
    return starter.StartApplication(APP_AGENT, nullptr, SW_SHOW);
}

void RegisterLauncherClasses(HINSTANCE instance)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = LauncherWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_LAUNCHER));
    wc.hIconSm = LoadLauncherIcon(instance, IDI_LAUNCHER_SMALL, GetSystemMetrics(SM_CXSMICON));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = g_szWindowClass;
    RegisterClassExA(&wc);
    wc.lpszClassName = g_szDropWindowClass;
    RegisterClassExA(&wc);
}

bool CreateLauncherWindow(HINSTANCE instance, int showCommand)
{
    g_hInstance = instance;
    HWND window = CreateWindowExA(0, g_szWindowClass, g_szWindowTitle, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, instance,
                                  nullptr);
    if (window == nullptr) return false;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return true;
}

LRESULT CALLBACK LauncherWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
