#include "updater/KestrumInstaller.h"

#include "lib/Path.h"
#include "lib/SystemVersion.h"
#include "lib/TolveLog.h"
#include "updater/KestrumInstallerResource.h"
#include "updater/LauncherDownloadFolder.h"
#include "updater/MsiInstall.h"
#include "updater/MsiInstallControl.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr char kLauncherMode[] = "Launcher";
constexpr char kRemoveAllMode[] = "removeall";
constexpr char kInstallerTitle[] = "KestrumInstaller";
constexpr char kInstallerClass[] = "KESTRUMINSTALLER";
constexpr char kSingleInstanceMutex[] = "KESTRUM41_ONLY_ONE_INSTALL";
constexpr int32_t kLogSizeKB = 4096;

// The product's programs, closed in this order: the launcher first, so it cannot start the
// others again.
const char* const kProgramTitles[] = {
    "Kestrum4 Launcher", "Kestrum4AgentWindowTitle", "Mendrill", "Dapplegate", "PellickManager",
};
// The sibling tools' packages, then the product's own, which uninstalls the updater too
// and so is not waited for.
const char* const kProductCodes[] = {
    "{3F1C7A20-5B8E-4D21-9A37-0C6E2B7D4F10}",
    "{7A2E9C41-1D3B-4F6A-8E52-6B0D3C9F2A84}",
    "{C4B81E06-92A7-4C3D-B1F5-8E2A7D60C913}",
    "{5E93D2B8-6C14-4A0F-A7E9-31B4C8F0D256}",
};

constexpr int kCloseRounds = 10;
constexpr DWORD kCloseWaitMs = 500;
constexpr DWORD kUninstallWaitMs = 60000;
constexpr ULONG kUninstallMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT;
#ifndef MSGFLT_ADD
constexpr DWORD MSGFLT_ADD = 1;
#endif

char g_szTitle[100];
char g_szWindowClass[100];
HINSTANCE g_hInstance = nullptr;

// True when the window's process ended within the time, or cannot be waited for.
bool WaitWindowProcessExit(HWND window, DWORD ms)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) return true;
    const bool ended = WaitForSingleObject(process, ms) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

void TerminateWindowProcess(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId);
    if (process == nullptr) return;
    TerminateProcess(process, 0xFFFFFFFF);
    CloseHandle(process);
}

void UninstallProduct(const char* productCode, bool wait)
{
    char parameters[100];
    std::snprintf(parameters, sizeof parameters, "/uninstall %s /passive", productCode);
    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof execute;
    execute.fMask = kUninstallMask;
    execute.hwnd = GetDesktopWindow();
    execute.lpVerb = "open";
    execute.lpFile = "msiexec.exe";
    execute.lpParameters = parameters;
    execute.nShow = SW_SHOW;
    if (!ShellExecuteExA(&execute) || execute.hProcess == nullptr) return;
    if (wait) WaitForSingleObject(execute.hProcess, kUninstallWaitMs);
    CloseHandle(execute.hProcess);
}

// The launcher runs without elevation; its WM_COPYDATA would not reach an elevated window
// otherwise. The function exists from Windows Vista on.
void AllowCopyDataFromLauncher()
{
    if (!lib::IsVistaOrLater()) return;
    HMODULE user32 = LoadLibraryA("user32.dll");
    if (user32 == nullptr) return;
    typedef BOOL(WINAPI * ChangeFilter)(UINT message, DWORD flag);
    ChangeFilter change = reinterpret_cast<ChangeFilter>(
        reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilter")));
    if (change != nullptr) change(WM_COPYDATA, MSGFLT_ADD);
    FreeLibrary(user32);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

LRESULT CALLBACK InstallerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COPYDATA:
        return MsiInstaller::MsiInstallControl::GetInstance()->OnCopyData(
                   reinterpret_cast<const COPYDATASTRUCT*>(lParam)) & 0xFF;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_ABOUT:
            DialogBoxA(g_hInstance, MAKEINTRESOURCEA(IDD_ABOUTBOX), window, &AboutProc);
            return 0;
        case IDM_EXIT:
            DestroyWindow(window);
            return 0;
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

ATOM RegisterInstallerClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &InstallerWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KESTRUMINSTALLER));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDC_KESTRUMINSTALLER);
    windowClass.lpszClassName = g_szWindowClass;
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL));
    return RegisterClassExA(&windowClass);
}

bool InitInstance(HINSTANCE instance, int showCommand)
{
    g_hInstance = instance;
    HWND window = CreateWindowA(g_szWindowClass, g_szTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return false;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return true;
}

} // namespace

void CloseWindowsByTitle(const char* title)
{
    for (int round = 1;; ++round) {
        HWND window = FindWindowA(nullptr, title);
        if (window == nullptr) return;
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (round > kCloseRounds) {
            TerminateWindowProcess(window);
            return;
        }
        if (WaitWindowProcessExit(window, kCloseWaitMs)) return;
    }
}

void RemoveAll()
{
    for (const char* title : kProgramTitles) CloseWindowsByTitle(title);
    const size_t count = sizeof kProductCodes / sizeof kProductCodes[0];
    for (size_t i = 0; i < count; ++i) {
        const INSTALLSTATE state = MsiInstall::GetInstance()->QueryProductState(kProductCodes[i]);
        if (state == INSTALLSTATE_ABSENT || state == INSTALLSTATE_LOCAL ||
            state == INSTALLSTATE_DEFAULT) {
            UninstallProduct(kProductCodes[i], i + 1 < count);
        }
    }
}

int InstallerWinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    if (commandLine == nullptr) return -1;
    if (std::strcmp(commandLine, kRemoveAllMode) == 0) {
        RemoveAll();
        return 0;
    }
    if (std::strcmp(commandLine, kLauncherMode) != 0) return -1;

    HWND launcher = MsiInstaller::FindLauncherWindow();
    if (launcher == nullptr) {
        TOLVE_LOG(LOG_ERROR, "FindWindow LAUNCHER failed");
        return -1;
    }
    TOLVE_LOG(LOG_INFO, "Start version up");
    // Before the single-instance test: a second updater tells the launcher too.
    PostMessageA(launcher, lib::GetRegisteredMessage("Launcher_VERUPSTART"), 0, 0);

    HANDLE mutex = CreateMutexA(nullptr, FALSE, kSingleInstanceMutex);
    if (mutex == nullptr) return -1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return -1;
    }

    lstrcpynA(g_szTitle, kInstallerTitle, sizeof g_szTitle);
    lstrcpynA(g_szWindowClass, kInstallerClass, sizeof g_szWindowClass);
    CTolveLogWrapper(__FILE__, __LINE__).Start(nullptr, kLogSizeKB, static_cast<uint32_t>(-1));

    RegisterInstallerClass(instance);
    if (!InitInstance(instance, showCommand)) {
        TOLVE_LOG(LOG_ERROR, "InitInstance APL Start failed[ERR:0x%08X]",
                  static_cast<uint32_t>(GetLastError()));
        CTolveLogWrapper(__FILE__, __LINE__).End();
        return 0;
    }

    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_KESTRUMINSTALLER));
    MsiInstaller::MsiInstallControl* control = MsiInstaller::MsiInstallControl::GetInstance();
    control->Start();
    AllowCopyDataFromLauncher();

    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    control->Stop();
    MsiInstaller::MsiInstallControl::ReleaseInstance();
    CTolveLogWrapper(__FILE__, __LINE__).End();
    CloseHandle(mutex);
    return static_cast<int>(message.wParam);
}
