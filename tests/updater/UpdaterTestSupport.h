#pragma once
// What the updater's tests share: a window standing in for the launcher (titled as the
// launcher's, recording the updater's messages), install records, and the prefix user's
// own Download folder, where the updater takes packages from.

#include "updater/CopyDataInstall.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace updatertest {

constexpr char kLauncherTitle[] = "Kestrum4 Launcher";

// One "InstallNotifyProgress" message as it arrived: wParam and lParam, both 32-bit.
struct Progress {
    uint32_t uCode;
    uint32_t uValue;
    bool operator==(const Progress& other) const
    {
        return uCode == other.uCode && uValue == other.uValue;
    }
};
std::string Describe(const std::vector<Progress>& progress);

// A hidden top-level window of this thread titled "Kestrum4 Launcher".
class CLauncherWindow {
public:
    CLauncherWindow();
    ~CLauncherWindow();
    CLauncherWindow(const CLauncherWindow&) = delete;
    CLauncherWindow& operator=(const CLauncherWindow&) = delete;

    HWND Handle() const { return m_hWnd; }
    const std::vector<Progress>& Received() const { return m_vecProgress; }
    void Clear() { m_vecProgress.clear(); }
    int VerUpStarts() const { return m_iVerUpStarts; }
    // Whether an INSTALL_PROGRESS_END has arrived.
    bool Ended() const;

private:
    static LRESULT CALLBACK _WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd;
    std::vector<Progress> m_vecProgress;
    int m_iVerUpStarts;
};

// The registered "InstallNotifyProgress".
UINT ProgressMessage();

// Runs this thread's messages until done() holds or the time is over; done()'s last answer.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

// A record as the launcher fills it.
COPYDATAINSTALL MakeRecord(int32_t aplType, int32_t installType, HWND progressWnd,
                           const std::string& package);

// "<prefix user's application data>\Halvorn\Kestrum4\Download\", asked of the system for
// this process's user (never a private folder of the test).
std::string UserDownloadFolder();

// A file copied into a place for the test's life, deleted with the object.
class CPlacedFile {
public:
    CPlacedFile(const std::string& from, const std::string& to);
    ~CPlacedFile();
    CPlacedFile(const CPlacedFile&) = delete;
    CPlacedFile& operator=(const CPlacedFile&) = delete;
    bool Placed() const { return m_bPlaced; }
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
    bool m_bPlaced;
};

} // namespace updatertest
