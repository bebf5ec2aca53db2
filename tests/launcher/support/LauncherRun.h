#pragma once
// One run of the product folder's "Launcher.exe" for a case: the harness's way to start the
// launcher with arguments and an environment, see its main window or its end, read its log
// and its boxes, and close it. Before the start and after the end every program of the
// product folder is ended and the launcher's and the agent's files of the prefix user are
// removed (RemoveUserFiles); the log stays, read from its length at the case's start.
//
//     launchertest::CProductFolder product;
//     launchertest::CLauncherRun run(product);
//     run.SetEnvironment("KESTRUM_SIMULATED_CARDS", "V");
//     ASSERT_TRUE(run.Start({"AutoStart"}));
//     ASSERT_EQ(run.WaitForMainWindow(30000), launchertest::CLauncherRun::MAIN_WINDOW);
//     EXPECT_EQ(run.Close(), 0u);
//
// Such tests hold the CTest locks "launcher_process" and, since the launcher's agent
// creates the card block, "shared_blocks".

#include "tests/launcher/support/MessageBoxes.h"

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace launchertest {

class CProductFolder;

// A visible top-level window of the process with the title that is not a box of a window
// with that title (a box takes its owner's title), null when there is none (now).
HWND FindWindowTitled(DWORD processId, const std::string& title);

class CLauncherRun {
public:
    enum Outcome { MAIN_WINDOW, EXITED, TIMED_OUT };
    // The exit code Close gives when it had to end the launcher itself.
    static const DWORD kTerminated = 0xDEAD;
    static const char kTitle[];

    explicit CLauncherRun(const CProductFolder& product);
    ~CLauncherRun();
    CLauncherRun(const CLauncherRun&) = delete;
    CLauncherRun& operator=(const CLauncherRun&) = delete;

    // For the launcher's environment (and so its agent's and tools'); before Start.
    void SetEnvironment(const std::string& name, const std::string& value);
    // Wine's version for "Launcher.exe" ("winxp", "win2k", ...) for this case only (Wine's
    // AppDefaults of the program); before Start.
    void SetWindowsVersion(const std::string& version);

    // Starts the launcher, the arguments each quoted; false when it could not start.
    bool Start(const std::vector<std::string>& arguments = {});
    DWORD ProcessId() const { return m_dwProcessId; }

    // Waits for the main window to show, or for the launcher's end.
    Outcome WaitForMainWindow(DWORD timeoutMs);
    // The launcher's visible, unowned top-level "Kestrum4 Launcher" window that is not its
    // hidden window, null when there is none (now).
    HWND MainWindow() const;
    // FindWindowTitled of the launcher's process.
    HWND FindWindowTitled(const std::string& title) const;

    bool WaitForExit(DWORD timeoutMs);
    bool HasExited() const;
    // STILL_ACTIVE while it runs.
    DWORD ExitCode() const;
    // WM_CLOSE to the main window, and the launcher's exit code once it ended; ended
    // after the bound (kTerminated). The code of an ended launcher at once.
    DWORD Close(DWORD boundMs = 60000);

    // The launcher's log lines written since the case's start.
    std::string Log() const;
    // The launcher's next box with the text (MessageBoxes.h).
    ShownBox WaitForBox(const std::string& text, DWORD timeoutMs);

private:
    std::string _EnvironmentBlock() const;
    void _End();

    std::string m_strProgram;
    std::string m_strFolder;
    std::vector<std::pair<std::string, std::string>> m_vecEnvironment;
    bool m_bVersionSet;
    size_t m_uLogStart;
    HANDLE m_hProcess;
    DWORD m_dwProcessId;
    std::unique_ptr<CBoxWatch> m_pBoxes;
};

} // namespace launchertest
