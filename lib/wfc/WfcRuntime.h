#pragma once
// The process-wide and per-thread machinery under CWindow: start and stop, class
// registration, the one window procedure of every framework window, the current message of
// each thread, message pumps, window placement on the monitors' work areas and the
// exception that reports every window or drawing object that could not be made.

#include <windows.h>

#include <cstdint>
#include <new>
#include <string>
#include <vector>

namespace lib {
namespace wfc {

// A window, window class, device context, drawing object, region or bitmap section that
// could not be made, and memory exhaustion reported through the new-handler.
class bad_alloc : public std::bad_alloc {
public:
    bad_alloc() = default;
    const char* what() const noexcept override;
};

[[noreturn]] void ThrowBadAlloc();
// Installed as the new-handler while the framework runs.
[[noreturn]] void NewHandler();

// The message being dispatched on a thread; DefaultProc reads it instead of taking
// arguments, so a handler deep inside a dispatch still answers the right message.
struct CurrentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LONG time;
    DWORD pos;
};

struct ThreadMessageRecord {
    int32_t nesting;        // dispatches in progress on this thread
    CurrentMessage current; // all zero when none
};

// Framework start and stop. Initialize throws std::bad_alloc when no thread-local slot is
// left.
void Initialize(HINSTANCE module, const char* title, HICON icon, HICON smallIcon);
void Terminate();
void AllocThreadMessageRecord();
void FreeThreadMessageRecord();
// The calling thread's record; while a message is dispatched on a thread that has none,
// the temporary record of that dispatch. Null otherwise.
ThreadMessageRecord* GetThreadMessageRecord();
HINSTANCE GetModuleInstance();
const char* GetApplicationTitle();
UINT GetTaskbarCreatedMessage();
UINT GetInternalMessage();

extern const char* const kDefaultWindowClass; // "WFC-DefaultWindowClass"

// Classes and creation.
bool RegisterWindowClass(const char* name, UINT style, HICON icon, HICON smallIcon,
                         HCURSOR cursor, HBRUSH brush);
void RegisterWindowClassOnce(const char* name, UINT style, HICON icon, HICON smallIcon,
                             HCURSOR cursor, HBRUSH brush);
// For windows without a CWindow of their own (tooltips, child controls of skin items).
HWND CreateWindowExChecked(DWORD exStyle, const char* className, const char* title,
                           DWORD style, int x, int y, int width, int height, HWND parent,
                           HMENU menuOrId);
HWND CreateWindowExChecked(DWORD exStyle, const wchar_t* className, const wchar_t* title,
                           DWORD style, int x, int y, int width, int height, HWND parent,
                           HMENU menuOrId);

// Message flow.
LRESULT CALLBACK WindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// One round of the thread's message loop; true when the loop must end (WM_QUIT, or a
// failed GetMessageA, which is logged). exitCode, when given, receives the quit message's
// code (0 after a failed read), for a caller that posts the quit again.
bool PumpMessage(int* exitCode = nullptr);
// Pumps until *done is true, the window is gone, WM_QUIT arrives or a visible owner
// becomes hidden; the owner is disabled meanwhile when it was enabled. True when the loop
// ended as PumpMessage ends a loop (WM_QUIT, which is then consumed, or a failed read): a
// caller nested in the thread's main loop posts the quit again, with the code exitCode
// receives, so that loop ends too and the program keeps its exit code.
bool RunModalLoop(HWND window, HWND owner, const bool* done, int* exitCode = nullptr);

// Placement, in screen coordinates.
void CenterWindow(HWND window, HWND over);
RECT GetWorkArea();
int EnumMonitors(std::vector<MONITORINFO>& list); // primary first
int FindNearestMonitor(std::vector<MONITORINFO>& list, const RECT& r);
bool FitWindowInRect(HWND hwnd, const RECT& windowRect, const RECT& bounds);
bool KeepWindowOnScreen(HWND hwnd);

// Small helpers on any window.
std::string GetWindowTextString(HWND hwnd);
std::wstring GetWindowTextWString(HWND hwnd);
HWND GetRootWindow(HWND hwnd);
LRESULT SendInternalMessage(HWND hwnd, WPARAM command, LPARAM lParam);
bool PostCommand(HWND hwnd, UINT id);
void GetChildWindows(HWND parent, std::vector<HWND>& children);
// The module's folder with its trailing backslash, into a buffer of MAX_PATH characters.
void GetModuleDirectory(HMODULE module, char* buffer);

} // namespace wfc
} // namespace lib
