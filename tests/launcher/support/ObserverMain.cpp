// launcher_observer.exe RECORD [--visible] NAME...: a top-level window in a process of its own
// (a broadcast skips only its sender's windows) that appends every WM_DEVICECHANGE and every
// registered message named on its command line to the record file, one line each:
// "<name>\t<wParam %08X>\t<lParam %08X>". The first line, "ready\t<window %08X>", says that
// the window is there. --visible shows it off-screen without activating it. It ends on
// WM_CLOSE. Its own message "KestrumLauncherObserverSync" is recorded as "sync", so that the
// harness knows what was posted before it has been recorded (CObserver::Sync).

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string g_strRecord;
std::vector<std::pair<UINT, std::string>> g_vecNamed;

void Append(const std::string& line)
{
    HANDLE out = CreateFileA(g_strRecord.c_str(), FILE_APPEND_DATA,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(out);
}

void Note(const std::string& name, WPARAM wParam, LPARAM lParam)
{
    char values[32];
    std::snprintf(values, sizeof values, "\t%08X\t%08X\r\n", static_cast<uint32_t>(wParam),
                  static_cast<uint32_t>(lParam));
    Append(name + values);
}

LRESULT CALLBACK ObserverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DEVICECHANGE) {
        Note("WM_DEVICECHANGE", wParam, lParam);
        return TRUE;
    }
    for (const auto& named : g_vecNamed) {
        if (named.first == message) {
            Note(named.second, wParam, lParam);
            return 0;
        }
    }
    switch (message) {
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 1;
    g_strRecord = argv[1];
    bool visible = false;
    g_vecNamed.emplace_back(RegisterWindowMessageA("KestrumLauncherObserverSync"), "sync");
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--visible") {
            visible = true;
        } else {
            g_vecNamed.emplace_back(RegisterWindowMessageA(argument.c_str()), argument);
        }
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &ObserverProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KestrumLauncherTestObserver";
    if (RegisterClassA(&windowClass) == 0) return 2;
    HWND window = CreateWindowExA(0, windowClass.lpszClassName,
                                  "launcher observer", WS_POPUP, -32000, -32000, 10, 10, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return 3;
    if (visible) ShowWindow(window, SW_SHOWNOACTIVATE);
    char ready[32];
    std::snprintf(ready, sizeof ready, "ready\t%08X\r\n",
                  static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)));
    Append(ready);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
