#pragma once
// Tool windows for the main window's tests: CStubToolFactory gives the main window a
// CStubToolWindow of every kind, a hidden popup owned by the main window (the drop window's
// by none) that records what the main window asked of it and posts, when the test asks, the
// notices its real window posts, in their order (or, for a kind the test asks for with
// UseRealWindow, the product's real window, still counted in the kind's record):
//
//     launchertest::CStubToolFactory tools;
//     ui::CLaunchWindow window(tools);
//     window.Create();
//     ... the chain makes the log upload window ...
//     tools.Live(ui::TOOL_LOG_UPLOAD)->PostNotices();      // WM_LAUNCHER_LOGUPLOAD_DONE
//     EXPECT_EQ(tools.Record(ui::TOOL_SILENT_INSTALL).nMade, 1);
//
// Notices by kind (PostNotices(variant, twice): each notice twice when asked):
//   log upload        WM_LAUNCHER_LOGUPLOAD_DONE
//   silent install    variant 0: WM_LAUNCHER_VERUP_DONE, then code 4; variant 1: code 8
//   machine setting   code 9 with lParam = variant (0 closed, 1 a model stored)
//   wizard            WM_LOGINADMIN_RESULT, then code 0 (and code 0 again at its WM_DESTROY)
//   help balloon      code 1 (also at every mouse move over it)
//   SD manager 2, SD information 5, settings 6, probe log 7; the drop window has none.
// Every message posted or sent to a stub's window is recorded, and WM_CLOSE destroys it. The
// probe log stub passes the upload job's reports on as the probe log window does: steps 4, 6
// and 7 done as "QZLNotifyProgress" 33, 66 and 100 of job type 36; finish, error, server and
// notice unchanged; WM_LAUNCHER_NEW_NAVI_SD with 0, 0.

#include "launcher/LaunchToolFactory.h"
#include "lib/wfc/Window.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace launchertest {

struct StubMessage {
    UINT uMessage = 0;
    uint32_t uWParam = 0;
    uint32_t uLParam = 0;
};

// What the main window did with one kind of tool window, over every object of that kind.
struct StubToolRecord {
    int nMade = 0;
    int nDeleted = 0;
    int nCreate = 0;                 // Create, CreateProbeLog, CreateHelp and ShowOver
    std::vector<int> vShow;          // the show commands, in order
    int nBringBack = 0;
    bool bViewOnly = false;          // the probe log window's last CreateProbeLog
    int nShowOver = 0;
    HWND hShowOverOwner = nullptr;
    std::string sDeviceNo;           // the log upload window's device values
    uint32_t uCcid = 0;
    std::string sUserAgent;
    int nVerUpStart = 0;
    int32_t iHelpIndex = -1;         // the balloon's CreateHelp and PlaceHelp
    RECT rcHelpOwner = {};
    bool bHelpDriveMemory = false;
    HWND hOwner = nullptr;           // the owner of the last window made
    std::vector<StubMessage> vReceived;

    // How many of the received messages were this one.
    int Received(UINT message) const;
};

class CStubToolFactory;
class CRealToolWindow;

class CStubToolWindow : public ui::ILaunchToolWindow, public lib::wfc::CWindow {
public:
    CStubToolWindow(CStubToolFactory& factory, ui::LaunchToolKind kind, HWND owner);
    ~CStubToolWindow() override;

    ui::LaunchToolKind GetKind() const { return m_eKind; }
    // The kind's notices to the owner, as the table above; each twice when twice.
    void PostNotices(int variant = 0, bool twice = false);

    // ---- ui::ILaunchToolWindow ----
    HWND GetWindow() override { return GetHwnd(); }
    void Create() override;
    void Show(int showCommand) override;
    void BringBack() override;
    void CreateProbeLog(bool viewOnly) override;
    void ShowOver(HWND owner) override;
    void SetDeviceInfo(const std::string& deviceNo, uint32_t ccid,
                       const std::string& userAgent) override;
    void OnVerUpStart() override;
    void CreateHelp(int32_t index) override;
    void PlaceHelp(const RECT& ownerRect, int32_t index, bool driveMemory) override;

    // ---- window ----
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void _MakeWindow();
    void _Post(UINT message, WPARAM wParam, LPARAM lParam, bool twice);
    void _ForwardProbeReport(UINT message, WPARAM wParam, LPARAM lParam);
    StubToolRecord& _Record();

    CStubToolFactory& m_factory;
    ui::LaunchToolKind m_eKind;
    HWND m_hOwner;
};

class CStubToolFactory : public ui::ILaunchToolFactory {
public:
    CStubToolFactory();
    ~CStubToolFactory() override;

    // Off: the kind's operation gives null, as when its window cannot be had.
    void SetAvailable(ui::LaunchToolKind kind, bool available);
    // Runs when a stub of the kind is deleted, before its window goes.
    void SetOnDelete(ui::LaunchToolKind kind, std::function<void()> onDelete);
    // From now on the kind gives the product's real window; its record counts nMade,
    // nDeleted, nCreate, nShowOver and vShow, and SetOnDelete runs as for a stub.
    void UseRealWindow(ui::LaunchToolKind kind);
    // RunVersionInfo runs the product's modal window (and still counts the runs).
    void UseRealVersionInfo();
    // The real window of the kind the main window holds now, null when none.
    HWND RealWindow(ui::LaunchToolKind kind) const;
    // The object of the real window RealWindow gives, as its class, null when none or of
    // another class (a window of this thread keeps its object in its user data).
    template <class TWindow>
    TWindow* RealObject(ui::LaunchToolKind kind) const
    {
        const HWND window = RealWindow(kind);
        if (window == nullptr) return nullptr;
        return dynamic_cast<TWindow*>(
            reinterpret_cast<lib::wfc::CWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA)));
    }
    // Whether the main window holds an object of the kind now, stub or real.
    bool Holds(ui::LaunchToolKind kind) const { return m_pLive[kind] || m_pLiveReal[kind]; }

    StubToolRecord& Record(ui::LaunchToolKind kind) { return m_record[kind]; }
    // The stub of the kind the main window holds now, null when none.
    CStubToolWindow* Live(ui::LaunchToolKind kind) const { return m_pLive[kind]; }
    int VersionInfoRuns() const { return m_nVersionInfoRuns; }
    HWND VersionInfoOwner() const { return m_hVersionInfoOwner; }

    // ---- ui::ILaunchToolFactory ----
    std::unique_ptr<ui::ILaunchToolWindow> MakeHelpInfoWindow(HWND owner) override;
    std::unique_ptr<ui::ILaunchToolWindow> MakeInitializationWindow(HWND owner) override;
    std::unique_ptr<ui::ILaunchToolWindow> MakeProbeLogWindow(HWND owner) override;
    std::unique_ptr<ui::ILaunchToolWindow> MakeSDInforWindow(HWND owner) override;
    std::unique_ptr<ui::ILaunchToolWindow> MakeSettingWindow(HWND owner) override;
    std::unique_ptr<ui::ILaunchToolWindow> MakeMachineSettingWindow(HWND owner) override;
    std::unique_ptr<ui::ILaunchToolWindow> MakeLogUploadWindow(HWND owner) override;
    std::unique_ptr<ui::ILaunchToolWindow> MakeDropWindow() override;
    std::unique_ptr<ui::ILaunchToolWindow> MakeSDManagerWindow(HWND owner) override;
    std::unique_ptr<ui::ILaunchToolWindow> MakeSilentInstallWindow(HWND owner) override;
    // Answers at once, without a modal loop.
    void RunVersionInfo(HWND owner) override;

private:
    friend class CStubToolWindow;
    friend class CRealToolWindow;
    std::unique_ptr<ui::ILaunchToolWindow> _Make(ui::LaunchToolKind kind, HWND owner);

    StubToolRecord m_record[ui::TOOL_KIND_COUNT];
    CStubToolWindow* m_pLive[ui::TOOL_KIND_COUNT];
    bool m_bAvailable[ui::TOOL_KIND_COUNT];
    bool m_bReal[ui::TOOL_KIND_COUNT];
    ui::ILaunchToolWindow* m_pLiveReal[ui::TOOL_KIND_COUNT];
    bool m_bRealVersionInfo;
    std::function<void()> m_onDelete[ui::TOOL_KIND_COUNT];
    int m_nVersionInfoRuns;
    HWND m_hVersionInfoOwner;
};

} // namespace launchertest
