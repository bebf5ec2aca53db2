#pragma once
// How the launcher's main window makes and reaches its tool windows. Each kind has one
// operation of the factory, which gives an object of the small interface below, or null when
// the window cannot be had (the main window then does nothing further):
//
//     std::unique_ptr<ui::ILaunchToolWindow> tool = factory.MakeSettingWindow(GetHwnd());
//     if (tool) { tool->Create(); tool->Show(SW_SHOW); }
//
// The main window keeps one object per kind and deletes it when the window's close notice
// arrives (WM_LAUNCHER_CHILD_CLOSED with its child code, launcher/LaunchWindowMessages.h). The
// product's factory (CLaunchToolFactory) makes the real windows; a kind whose window is not
// built yet gives null.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace ui {

// The kinds, in the order in which the main window closes and deletes them.
enum LaunchToolKind : int32_t {
    TOOL_HELP_INFO = 0,       // help balloon
    TOOL_INITIALIZATION = 1,  // registration wizard
    TOOL_PROBE_LOG = 2,
    TOOL_SD_INFO = 3,
    TOOL_SETTING = 4,
    TOOL_MACHINE_SETTING = 5,
    TOOL_LOG_UPLOAD = 6,
    TOOL_DROP = 7,            // owned by no window
    TOOL_SD_MANAGER = 8,
    TOOL_SILENT_INSTALL = 9,  // version-up
    TOOL_KIND_COUNT = 10,
};

// What the main window does with a tool window. The operations of a single kind have empty
// defaults; a kind overrides its own.
class ILaunchToolWindow {
public:
    virtual ~ILaunchToolWindow() = default;

    // The window, null before Create and for a tool without one.
    virtual HWND GetWindow() = 0;
    // Makes the window; hidden unless the kind shows itself.
    virtual void Create() = 0;
    virtual void Show(int showCommand) = 0;
    // Asked for again while it exists: a hidden window is shown, a shown one made foreground
    // and active.
    virtual void BringBack();

    // Probe log window: Create in upload mode (false: hidden, the job's notify window) or in
    // view mode (true: shown at once).
    virtual void CreateProbeLog(bool viewOnly) { Create(); }
    // SD manager window: creates, centres over the owner and shows itself.
    virtual void ShowOver(HWND owner) {}
    // Log upload window: the card's data the upload sends, before Create.
    virtual void SetDeviceInfo(const std::string& deviceNo, uint32_t ccid,
                               const std::string& userAgent) {}
    // Silent install window: the updater has taken over; start the package downloads.
    virtual void OnVerUpStart() {}
    // Help balloon: Create with the help index, then placed by the owner's window rectangle.
    virtual void CreateHelp(int32_t index) { Create(); }
    virtual void PlaceHelp(const RECT& ownerRect, int32_t index, bool driveMemory) {}
};

class ILaunchToolFactory {
public:
    virtual ~ILaunchToolFactory() = default;

    virtual std::unique_ptr<ILaunchToolWindow> MakeHelpInfoWindow(HWND owner) = 0;
    virtual std::unique_ptr<ILaunchToolWindow> MakeInitializationWindow(HWND owner) = 0;
    virtual std::unique_ptr<ILaunchToolWindow> MakeProbeLogWindow(HWND owner) = 0;
    virtual std::unique_ptr<ILaunchToolWindow> MakeSDInforWindow(HWND owner) = 0;
    virtual std::unique_ptr<ILaunchToolWindow> MakeSettingWindow(HWND owner) = 0;
    virtual std::unique_ptr<ILaunchToolWindow> MakeMachineSettingWindow(HWND owner) = 0;
    virtual std::unique_ptr<ILaunchToolWindow> MakeLogUploadWindow(HWND owner) = 0;
    virtual std::unique_ptr<ILaunchToolWindow> MakeDropWindow() = 0;
    virtual std::unique_ptr<ILaunchToolWindow> MakeSDManagerWindow(HWND owner) = 0;
    virtual std::unique_ptr<ILaunchToolWindow> MakeSilentInstallWindow(HWND owner) = 0;
    // The modal version information window over the owner; returns when it has closed.
    virtual void RunVersionInfo(HWND owner) = 0;

    // The operation of the kind (the drop window's takes no owner).
    std::unique_ptr<ILaunchToolWindow> Make(LaunchToolKind kind, HWND owner);
};

// The product's factory.
class CLaunchToolFactory : public ILaunchToolFactory {
public:
    std::unique_ptr<ILaunchToolWindow> MakeHelpInfoWindow(HWND owner) override;
    std::unique_ptr<ILaunchToolWindow> MakeInitializationWindow(HWND owner) override;
    std::unique_ptr<ILaunchToolWindow> MakeProbeLogWindow(HWND owner) override;
    std::unique_ptr<ILaunchToolWindow> MakeSDInforWindow(HWND owner) override;
    std::unique_ptr<ILaunchToolWindow> MakeSettingWindow(HWND owner) override;
    std::unique_ptr<ILaunchToolWindow> MakeMachineSettingWindow(HWND owner) override;
    std::unique_ptr<ILaunchToolWindow> MakeLogUploadWindow(HWND owner) override;
    std::unique_ptr<ILaunchToolWindow> MakeDropWindow() override;
    std::unique_ptr<ILaunchToolWindow> MakeSDManagerWindow(HWND owner) override;
    std::unique_ptr<ILaunchToolWindow> MakeSilentInstallWindow(HWND owner) override;
    void RunVersionInfo(HWND owner) override;
};

} // namespace ui
