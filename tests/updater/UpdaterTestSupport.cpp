#include "tests/updater/UpdaterTestSupport.h"

#include "lib/Path.h"
#include "lib/StringUtility.h"

#include <shlobj.h>

#include <cstring>

namespace updatertest {

namespace {

constexpr char kWindowClass[] = "UpdaterTestLauncher";

ATOM RegisterOnce(WNDPROC procedure)
{
    static ATOM atom = [procedure] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassA(&windowClass);
    }();
    return atom;
}

} // namespace

std::string Describe(const std::vector<Progress>& progress)
{
    std::string text;
    for (const Progress& item : progress) {
        text += lib::FormatString("(%u, 0x%08X) ", item.uCode, item.uValue);
    }
    return text;
}

UINT ProgressMessage() { return lib::GetRegisteredMessage("InstallNotifyProgress"); }

CLauncherWindow::CLauncherWindow()
    : m_hWnd(nullptr)
    , m_iVerUpStarts(0)
{
    RegisterOnce(&CLauncherWindow::_WndProc);
    m_hWnd = CreateWindowExA(0, kWindowClass, kLauncherTitle, WS_POPUP, 0, 0, 10, 10, nullptr,
                             nullptr, GetModuleHandleA(nullptr), this);
}

CLauncherWindow::~CLauncherWindow()
{
    if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
}

bool CLauncherWindow::Ended() const
{
    for (const Progress& item : m_vecProgress) {
        if (item.uCode == INSTALL_PROGRESS_END) return true;
    }
    return false;
}

LRESULT CALLBACK CLauncherWindow::_WndProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(
            reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    }
    CLauncherWindow* self =
        reinterpret_cast<CLauncherWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr) {
        if (message == ProgressMessage()) {
            self->m_vecProgress.push_back(
                {static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam)});
            return 0;
        }
        if (message == lib::GetRegisteredMessage("Launcher_VERUPSTART")) {
            ++self->m_iVerUpStarts;
            return 0;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            DispatchMessageA(&message);
        }
        if (done()) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, (timeoutMs - elapsed) < 20 ? timeoutMs - elapsed : 20,
                                  QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

COPYDATAINSTALL MakeRecord(int32_t aplType, int32_t installType, HWND progressWnd,
                           const std::string& package)
{
    COPYDATAINSTALL record;
    std::memset(&record, 0, sizeof record);
    record.APLType = aplType;
    record.InstallType = installType;
    record.ProgressWnd = HandleToULong(progressWnd);
    record.ProgressMsg = ProgressMessage();
    lstrcpynA(record.PathPackage, package.c_str(), sizeof record.PathPackage);
    return record;
}

std::string UserDownloadFolder()
{
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                     folder);
    std::string path = folder;
    lib::AppendBackslash(path);
    path += "Halvorn\\Kestrum4\\Download\\";
    lib::CreateDirectoryRecursive(path);
    return path;
}

CPlacedFile::CPlacedFile(const std::string& from, const std::string& to)
    : m_strPath(to)
    , m_bPlaced(CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE)
{
}

CPlacedFile::~CPlacedFile() { DeleteFileA(m_strPath.c_str()); }

} // namespace updatertest
