#include "launcher/LaunchToolFactory.h"

#include "launcher/DropWindow.h"
#include "launcher/HelpInfoWindow.h"
#include "launcher/InitializationWindow.h"
#include "launcher/LaunchWindowMessages.h"
#include "launcher/LogUploadWindow.h"
#include "launcher/MachineSettingWindow.h"
#include "launcher/ProbeLogWindow.h"
#include "launcher/SDInforWindow.h"
#include "launcher/SDManagerWindow.h"
#include "launcher/SettingWindow.h"
#include "launcher/SilentInstallWindow.h"
#include "launcher/VersionInfoWindow.h"
#include "lib/TolveLog.h"
#include "lib/wfc/WfcRuntime.h"

#include <exception>
#include <new>

namespace ui {

void ILaunchToolWindow::BringBack()
{
    HWND window = GetWindow();
    if (window == nullptr || !::IsWindow(window)) return;
    if (!::IsWindowVisible(window)) {
        Show(SW_SHOW);
        return;
    }
    ::SetForegroundWindow(window);
    ::SetActiveWindow(window);
}

std::unique_ptr<ILaunchToolWindow> ILaunchToolFactory::Make(LaunchToolKind kind, HWND owner)
{
    switch (kind) {
    case TOOL_HELP_INFO: return MakeHelpInfoWindow(owner);
    case TOOL_INITIALIZATION: return MakeInitializationWindow(owner);
    case TOOL_PROBE_LOG: return MakeProbeLogWindow(owner);
    case TOOL_SD_INFO: return MakeSDInforWindow(owner);
    case TOOL_SETTING: return MakeSettingWindow(owner);
    case TOOL_MACHINE_SETTING: return MakeMachineSettingWindow(owner);
    case TOOL_LOG_UPLOAD: return MakeLogUploadWindow(owner);
    case TOOL_DROP: return MakeDropWindow();
    case TOOL_SD_MANAGER: return MakeSDManagerWindow(owner);
    case TOOL_SILENT_INSTALL: return MakeSilentInstallWindow(owner);
    default: return nullptr;
    }
}

namespace {

// A real tool window behind the small interface. A window that cannot be built (its skin
// error has been shown) stays without a window, which the main window treats as closed.
template <class TWindow>
class CToolWindow : public ILaunchToolWindow {
public:
    explicit CToolWindow(HWND owner) : m_hOwner(owner), m_window(owner) {}
    HWND GetWindow() override { return m_window.GetHwnd(); }
    void Show(int showCommand) override
    {
        if (m_window.IsWindow()) m_window.ShowWindow(showCommand);
    }

protected:
    template <class Step>
    void _Build(Step step)
    {
        try {
            step();
        } catch (const std::exception& error) {
            TOLVE_LOG(LOG_ERROR, "CLaunchToolFactory: window not made: %s", error.what());
        }
    }

    HWND m_hOwner;
    TWindow m_window;
};

class CHelpInfoTool : public CToolWindow<CHelpInfoWindow> {
public:
    using CToolWindow::CToolWindow;
    void Create() override { CreateHelp(0); }
    void CreateHelp(int32_t index) override
    {
        _Build([&] { m_window.Create(index); });
    }
    void PlaceHelp(const RECT& ownerRect, int32_t index, bool driveMemory) override
    {
        if (!m_window.IsWindow()) return;
        m_window.ShowHelp(ownerRect.left, ownerRect.top, ownerRect.right, ownerRect.bottom, index,
                          driveMemory);
    }
};

class CMachineSettingTool : public CToolWindow<CMachineSettingWindow> {
public:
    using CToolWindow::CToolWindow;
    void Create() override
    {
        _Build([&] { m_window.Create(); });
    }
};

class CLogUploadTool : public CToolWindow<CLogUploadWindow> {
public:
    using CToolWindow::CToolWindow;
    void SetDeviceInfo(const std::string& deviceNo, uint32_t ccid,
                       const std::string& userAgent) override
    {
        m_window.SetLogUploadInfo(deviceNo.c_str(), ccid, userAgent.c_str());
    }
    void Create() override
    {
        bool made = false;
        _Build([&] { made = m_window.Create(m_hOwner); });
        // Without its window nothing would ever end the step.
        if (!made) ::PostMessageA(m_hOwner, WM_LAUNCHER_LOGUPLOAD_DONE, 0, 0);
    }
};

class CProbeLogTool : public CToolWindow<CProbeLogWindow> {
public:
    using CToolWindow::CToolWindow;
    void Create() override { CreateProbeLog(false); }
    void CreateProbeLog(bool viewOnly) override
    {
        _Build([&] { m_window.Create(viewOnly); });
    }
};

class CSDManagerTool : public CToolWindow<CSDManagerWindow> {
public:
    using CToolWindow::CToolWindow;
    void Create() override
    {
        _Build([&] { m_window.Create(); });
    }
    void ShowOver(HWND owner) override
    {
        _Build([&] { m_window.ShowOver(owner); });
    }
};

class CSDInforTool : public CToolWindow<CSDInforWindow> {
public:
    using CToolWindow::CToolWindow;
    void Create() override
    {
        _Build([&] { m_window.Create(); });
    }
};

class CDropTool : public CToolWindow<CDropWindow> {
public:
    using CToolWindow::CToolWindow;
    void Create() override
    {
        _Build([&] { m_window.Create(); });
    }
};

class CSettingTool : public CToolWindow<CSettingWindow> {
public:
    using CToolWindow::CToolWindow;
    void Create() override
    {
        _Build([&] { m_window.Create(); });
    }
};

class CInitializationTool : public CToolWindow<CInitializationWindow> {
public:
    using CToolWindow::CToolWindow;
    void Create() override
    {
        _Build([&] { m_window.Create(); });
    }
};

class CSilentInstallTool : public CToolWindow<CSilentInstallWindow> {
public:
    using CToolWindow::CToolWindow;
    void Create() override
    {
        bool made = false;
        _Build([&] { made = m_window.Create(); });
        // Without its window no version check runs: the chain goes on as after "nothing new".
        if (!made) {
            ::PostMessageA(m_hOwner, WM_LAUNCHER_VERUP_DONE, 0, 0);
            ::PostMessageA(m_hOwner, WM_LAUNCHER_CHILD_CLOSED, CHILD_SILENT_INSTALL, 0);
        }
    }
    void OnVerUpStart() override
    {
        if (m_window.IsWindow()) m_window._OnVerUpStart();
    }
};

template <class TTool>
std::unique_ptr<ILaunchToolWindow> MakeTool(HWND owner)
{
    return std::unique_ptr<ILaunchToolWindow>(new (std::nothrow) TTool(owner));
}

} // namespace

std::unique_ptr<ILaunchToolWindow> CLaunchToolFactory::MakeHelpInfoWindow(HWND owner)
{
    return MakeTool<CHelpInfoTool>(owner);
}

std::unique_ptr<ILaunchToolWindow> CLaunchToolFactory::MakeInitializationWindow(HWND owner)
{
    return MakeTool<CInitializationTool>(owner);
}

std::unique_ptr<ILaunchToolWindow> CLaunchToolFactory::MakeProbeLogWindow(HWND owner)
{
    return MakeTool<CProbeLogTool>(owner);
}

std::unique_ptr<ILaunchToolWindow> CLaunchToolFactory::MakeSDInforWindow(HWND owner)
{
    return MakeTool<CSDInforTool>(owner);
}

std::unique_ptr<ILaunchToolWindow> CLaunchToolFactory::MakeSettingWindow(HWND owner)
{
    return MakeTool<CSettingTool>(owner);
}

std::unique_ptr<ILaunchToolWindow> CLaunchToolFactory::MakeMachineSettingWindow(HWND owner)
{
    return MakeTool<CMachineSettingTool>(owner);
}

std::unique_ptr<ILaunchToolWindow> CLaunchToolFactory::MakeLogUploadWindow(HWND owner)
{
    return MakeTool<CLogUploadTool>(owner);
}

std::unique_ptr<ILaunchToolWindow> CLaunchToolFactory::MakeDropWindow()
{
    return MakeTool<CDropTool>(nullptr);
}

std::unique_ptr<ILaunchToolWindow> CLaunchToolFactory::MakeSDManagerWindow(HWND owner)
{
    return MakeTool<CSDManagerTool>(owner);
}

std::unique_ptr<ILaunchToolWindow> CLaunchToolFactory::MakeSilentInstallWindow(HWND owner)
{
    return MakeTool<CSilentInstallTool>(owner);
}

void CLaunchToolFactory::RunVersionInfo(HWND owner)
{
    CVersionInfoWindow window(owner);
    try {
        window.Create();
    } catch (const std::exception& error) {
        TOLVE_LOG(LOG_ERROR, "CLaunchToolFactory: window not made: %s", error.what());
        return;
    }
    window.ShowWindow(SW_SHOW);
    // A quit read by the modal loop is the program's: posted again for its own loop.
    int exitCode = 0;
    if (lib::wfc::RunModalLoop(window.GetHwnd(), owner, nullptr, &exitCode)) {
        ::PostQuitMessage(exitCode);
    }
}

} // namespace ui
