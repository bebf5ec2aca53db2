#pragma once
// What the settings program's tests share: the main window's stand-in that owns the settings
// window (and deletes it on its child code, as the main window does), and a card volume that
// is writable or write-protected without opening the drive (Wine fails the write test).

#include "carddata/VolumeControl.h"
#include "launcher/SettingWindow.h"
#include "lib/wfc/Window.h"

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace settingstest {

struct Posted {
    UINT message;
    uint32_t wParam;
    bool operator==(const Posted& other) const
    {
        return message == other.message && wParam == other.wParam;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Posted& posted)
{
    return out << "{WM_APP+" << (posted.message - WM_APP) << ", " << posted.wParam << "}";
}

// Records its WM_APP posts and the end of the session it is told, and deletes the window on
// code 6 (running the hook first).
class CSettingOwner : public lib::wfc::CWindow {
public:
    CSettingOwner() { Create(0, nullptr, "Kestrum4 Test Owner", WS_POPUP, 0, 0, 100, 100); }
    ~CSettingOwner() override { DestroyWindow(); }
    std::unique_ptr<ui::CSettingWindow> m_pWindow;
    std::vector<Posted> m_vPosted;
    int m_nDeleted = 0;
    int m_nEndSession = 0;
    std::function<void()> m_onDelete;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_ENDSESSION) ++m_nEndSession;
        if (message >= WM_APP && message < 0xC000) {
            m_vPosted.push_back(Posted{message, static_cast<uint32_t>(wParam)});
            if (message == ui::CSettingWindow::kChildClosedMessage &&
                wParam == ui::CSettingWindow::kChildCode && m_pWindow) {
                if (m_onDelete) m_onDelete();
                m_pWindow.reset();
                ++m_nDeleted;
            }
            return 0;
        }
        return CWindow::WindowProc(message, wParam, lParam);
    }
};

// A card whose volume is writable or write-protected, without opening the drive.
class CCardVolume : public CVolumePlatform {
public:
    explicit CCardVolume(bool writable) : m_bWritable(writable) {}
    HANDLE OpenVolumeHandle(char, DWORD) override { return reinterpret_cast<HANDLE>(0x4711); }
    BOOL CloseVolumeHandle(HANDLE) override { return TRUE; }
    BOOL DeviceControl(HANDLE, DWORD, void*, DWORD) override
    {
        if (m_bWritable) return TRUE;
        SetLastError(ERROR_WRITE_PROTECT);
        return FALSE;
    }

private:
    bool m_bWritable;
};

struct OwnedWindowSearch {
    HWND owner;
    HWND except;
    HWND found;
};

inline BOOL CALLBACK MatchOwnedWindow(HWND window, LPARAM parameter)
{
    OwnedWindowSearch* search = reinterpret_cast<OwnedWindowSearch*>(parameter);
    if (window == search->except || !::IsWindowVisible(window) ||
        ::GetWindow(window, GW_OWNER) != search->owner) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

// A visible window of this thread that the owner owns, other than the one given: a nested
// window the settings window shows (the delete-data window, the check's progress box, which
// no log line names).
inline HWND FindOwnedWindow(HWND owner, HWND except = nullptr)
{
    OwnedWindowSearch search = {owner, except, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), &MatchOwnedWindow,
                        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Small files in card H:'s "WEBDMDATA", which a deletion takes first (a case that acts while
// the deletion runs holds it with launchertest::CAbortCheckGate).
inline void WriteMapFiles(int files)
{
    ::CreateDirectoryA("H:\\WEBDMDATA", nullptr);
    for (int i = 0; i < files; ++i) {
        std::ofstream("H:\\WEBDMDATA\\" + std::to_string(i) + ".dat") << "map data";
    }
}

inline void PumpFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

} // namespace settingstest
