// The launcher's start and loop in a program of the product folder whose GetMessageA fails
// from the first call on, as a broken message queue would: the loop must log the error and
// end the program normally. The failure code is the program's first argument (hexadecimal).

#include "launcher/KestrumLauncher.h"
#include "tests/support/ImportPatch.h"

#include <cstdlib>

namespace {

DWORD g_dwFailure = ERROR_INVALID_WINDOW_HANDLE;

BOOL WINAPI FailingGetMessage(LPMSG, HWND, UINT, UINT)
{
    SetLastError(g_dwFailure);
    return -1;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    if (commandLine != nullptr && commandLine[0] != '\0') {
        g_dwFailure = static_cast<DWORD>(std::strtoul(commandLine, nullptr, 16));
    }
    testsupport::CImportPatch patch("user32.dll", "GetMessageA",
                                    reinterpret_cast<void*>(&FailingGetMessage));
    if (!patch.Patched()) return 3;
    return LauncherWinMain(instance, previous, commandLine, showCommand);
}
