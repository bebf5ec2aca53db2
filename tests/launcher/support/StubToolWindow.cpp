#include "tests/launcher/support/StubToolWindow.h"

#include "launcher/LaunchWindowMessages.h"
#include "online/Charge.h"
#include "online/LoginAdmin.h"
#include "online/ProbeUpload.h"

#include <algorithm>

namespace launchertest {

namespace {

const char* const kKindNames[ui::TOOL_KIND_COUNT] = {
    "HelpInfo", "Initialization", "ProbeLog", "SDInfor", "Setting",
    "MachineSetting", "LogUpload", "Drop", "SDManager", "SilentInstall",
};

// The child code of the kinds that have one.
int32_t ChildCodeOf(ui::LaunchToolKind kind)
{
    switch (kind) {
    case ui::TOOL_HELP_INFO: return CHILD_HELP_INFO;
    case ui::TOOL_INITIALIZATION: return CHILD_INITIALIZATION;
    case ui::TOOL_PROBE_LOG: return CHILD_PROBE_LOG;
    case ui::TOOL_SD_INFO: return CHILD_SD_INFO;
    case ui::TOOL_SETTING: return CHILD_SETTING;
    case ui::TOOL_MACHINE_SETTING: return CHILD_MACHINE_SETTING;
    case ui::TOOL_SD_MANAGER: return CHILD_SD_MANAGER;
    case ui::TOOL_SILENT_INSTALL: return CHILD_SILENT_INSTALL;
    default: return -1;
    }
}

} // namespace

int StubToolRecord::Received(UINT message) const
{
    return static_cast<int>(std::count_if(vReceived.begin(), vReceived.end(),
                                          [&](const StubMessage& m) { return m.uMessage == message; }));
}

// ---- the stub ----

CStubToolWindow::CStubToolWindow(CStubToolFactory& factory, ui::LaunchToolKind kind, HWND owner)
    : m_factory(factory), m_eKind(kind), m_hOwner(owner)
{
    ++_Record().nMade;
    m_factory.m_pLive[kind] = this;
}

CStubToolWindow::~CStubToolWindow()
{
    if (m_factory.m_onDelete[m_eKind]) m_factory.m_onDelete[m_eKind]();
    ++_Record().nDeleted;
    if (m_factory.m_pLive[m_eKind] == this) m_factory.m_pLive[m_eKind] = nullptr;
    if (IsWindow()) DestroyWindow();
}

StubToolRecord& CStubToolWindow::_Record() { return m_factory.m_record[m_eKind]; }

void CStubToolWindow::_MakeWindow()
{
    ++_Record().nCreate;
    _Record().hOwner = m_hOwner;
    if (IsWindow()) return;
    const std::string title = std::string("StubTool ") + kKindNames[m_eKind];
    lib::wfc::CWindow::Create(0, nullptr, title.c_str(), WS_POPUP, 0, 0, 100, 40, m_hOwner,
                              nullptr);
}

void CStubToolWindow::Create() { _MakeWindow(); }

// Recorded only: a stub stays hidden, since shown (activated) windows are slow to go under
// a display without a window manager.
void CStubToolWindow::Show(int showCommand) { _Record().vShow.push_back(showCommand); }

void CStubToolWindow::BringBack() { ++_Record().nBringBack; }

void CStubToolWindow::CreateProbeLog(bool viewOnly)
{
    _Record().bViewOnly = viewOnly;
    _MakeWindow();
}

void CStubToolWindow::ShowOver(HWND owner)
{
    ++_Record().nShowOver;
    _Record().hShowOverOwner = owner;
    _MakeWindow();
    _Record().vShow.push_back(SW_SHOW);
}

void CStubToolWindow::SetDeviceInfo(const std::string& deviceNo, uint32_t ccid,
                                    const std::string& userAgent)
{
    _Record().sDeviceNo = deviceNo;
    _Record().uCcid = ccid;
    _Record().sUserAgent = userAgent;
}

void CStubToolWindow::OnVerUpStart() { ++_Record().nVerUpStart; }

void CStubToolWindow::CreateHelp(int32_t index)
{
    _Record().iHelpIndex = index;
    _MakeWindow();
}

void CStubToolWindow::PlaceHelp(const RECT& ownerRect, int32_t index, bool driveMemory)
{
    _Record().rcHelpOwner = ownerRect;
    _Record().iHelpIndex = index;
    _Record().bHelpDriveMemory = driveMemory;
}

void CStubToolWindow::_Post(UINT message, WPARAM wParam, LPARAM lParam, bool twice)
{
    for (int i = 0; i < (twice ? 2 : 1); ++i) ::PostMessageA(m_hOwner, message, wParam, lParam);
}

void CStubToolWindow::PostNotices(int variant, bool twice)
{
    switch (m_eKind) {
    case ui::TOOL_LOG_UPLOAD:
        _Post(WM_LAUNCHER_LOGUPLOAD_DONE, 0, 0, twice);
        return;
    case ui::TOOL_SILENT_INSTALL:
        if (variant == 0) {
            _Post(WM_LAUNCHER_VERUP_DONE, 0, 0, twice);
            _Post(WM_LAUNCHER_CHILD_CLOSED, CHILD_SILENT_INSTALL, 0, twice);
        } else {
            _Post(WM_LAUNCHER_CHILD_CLOSED, CHILD_SILENT_INSTALL_HANDED_OVER, 0, twice);
        }
        return;
    case ui::TOOL_MACHINE_SETTING:
        _Post(WM_LAUNCHER_CHILD_CLOSED, CHILD_MACHINE_SETTING, variant, twice);
        return;
    case ui::TOOL_INITIALIZATION:
        _Post(WM_LOGINADMIN_RESULT, 0, 0, twice);
        _Post(WM_LAUNCHER_CHILD_CLOSED, CHILD_INITIALIZATION, 0, twice);
        return;
    default: {
        const int32_t code = ChildCodeOf(m_eKind);
        if (code >= 0) _Post(WM_LAUNCHER_CHILD_CLOSED, code, 0, twice);
        return;
    }
    }
}

LRESULT CStubToolWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE || message >= WM_APP || message == WM_ENDSESSION) {
        _Record().vReceived.push_back(StubMessage{message, static_cast<uint32_t>(wParam),
                                                  static_cast<uint32_t>(lParam)});
    }
    if (message == WM_MOUSEMOVE && m_eKind == ui::TOOL_HELP_INFO) {
        _Post(WM_LAUNCHER_CHILD_CLOSED, CHILD_HELP_INFO, 0, false);
    }
    if (m_eKind == ui::TOOL_PROBE_LOG) _ForwardProbeReport(message, wParam, lParam);
    if (message == WM_DESTROY && m_eKind == ui::TOOL_INITIALIZATION) {
        _Post(WM_LAUNCHER_CHILD_CLOSED, CHILD_INITIALIZATION, 0, false);
    }
    return lib::wfc::CWindow::WindowProc(message, wParam, lParam);
}

// As the probe log window passes the upload job's reports on to its owner: steps 4, 6 and 7
// done as the progress of job type 36, the rest unchanged.
void CStubToolWindow::_ForwardProbeReport(UINT message, WPARAM wParam, LPARAM lParam)
{
    static const UINT progress = ::RegisterWindowMessageA(QZL_NOTIFY_PROGRESS);
    static const UINT finish = ::RegisterWindowMessageA(QZL_NOTIFY_FINISH);
    static const UINT error = ::RegisterWindowMessageA(QZL_NOTIFY_ERROR);
    if (message == WM_PROBEUPLOAD_STATUS && lParam == 0) {
        const WPARAM percent = wParam == 4 ? 33 : wParam == 6 ? 66 : wParam == 7 ? 100 : 0;
        if (percent != 0) _Post(progress, percent, CHARGTYPE_PROBE_UPLOAD, false);
    } else if (message == WM_PROBEUPLOAD_SERVER || message == WM_PROBEUPLOAD_NOTICE ||
               message == finish || message == error) {
        _Post(message, wParam, lParam, false);
    } else if (message == WM_LAUNCHER_NEW_NAVI_SD) {
        _Post(message, 0, 0, false);
    }
}

// ---- a real window, counted ----

// The product's window of a kind behind the small interface, counted in the kind's record as
// a stub is.
class CRealToolWindow : public ui::ILaunchToolWindow {
public:
    CRealToolWindow(CStubToolFactory& factory, ui::LaunchToolKind kind, HWND owner)
        : m_factory(factory), m_eKind(kind),
          m_pWindow(ui::CLaunchToolFactory().Make(kind, owner))
    {
        ++_Record().nMade;
        _Record().hOwner = owner;
        m_factory.m_pLiveReal[kind] = this;
    }
    ~CRealToolWindow() override
    {
        if (m_factory.m_onDelete[m_eKind]) m_factory.m_onDelete[m_eKind]();
        ++_Record().nDeleted;
        if (m_factory.m_pLiveReal[m_eKind] == this) m_factory.m_pLiveReal[m_eKind] = nullptr;
    }
    bool IsMade() const { return m_pWindow != nullptr; }

    HWND GetWindow() override { return m_pWindow->GetWindow(); }
    void Create() override
    {
        ++_Record().nCreate;
        m_pWindow->Create();
    }
    void Show(int showCommand) override
    {
        _Record().vShow.push_back(showCommand);
        m_pWindow->Show(showCommand);
    }
    void BringBack() override
    {
        ++_Record().nBringBack;
        m_pWindow->BringBack();
    }
    void CreateProbeLog(bool viewOnly) override
    {
        ++_Record().nCreate;
        _Record().bViewOnly = viewOnly;
        m_pWindow->CreateProbeLog(viewOnly);
    }
    void ShowOver(HWND owner) override
    {
        ++_Record().nCreate;
        ++_Record().nShowOver;
        _Record().hShowOverOwner = owner;
        _Record().vShow.push_back(SW_SHOW);
        m_pWindow->ShowOver(owner);
    }
    void SetDeviceInfo(const std::string& deviceNo, uint32_t ccid,
                       const std::string& userAgent) override
    {
        _Record().sDeviceNo = deviceNo;
        _Record().uCcid = ccid;
        _Record().sUserAgent = userAgent;
        m_pWindow->SetDeviceInfo(deviceNo, ccid, userAgent);
    }
    void OnVerUpStart() override
    {
        ++_Record().nVerUpStart;
        m_pWindow->OnVerUpStart();
    }
    void CreateHelp(int32_t index) override
    {
        ++_Record().nCreate;
        _Record().iHelpIndex = index;
        m_pWindow->CreateHelp(index);
    }
    void PlaceHelp(const RECT& ownerRect, int32_t index, bool driveMemory) override
    {
        _Record().rcHelpOwner = ownerRect;
        _Record().iHelpIndex = index;
        _Record().bHelpDriveMemory = driveMemory;
        m_pWindow->PlaceHelp(ownerRect, index, driveMemory);
    }

private:
    StubToolRecord& _Record() { return m_factory.m_record[m_eKind]; }

    CStubToolFactory& m_factory;
    ui::LaunchToolKind m_eKind;
    std::unique_ptr<ui::ILaunchToolWindow> m_pWindow;
};

// ---- the factory ----

CStubToolFactory::CStubToolFactory()
    : m_pLive{}, m_bReal{}, m_pLiveReal{}, m_bRealVersionInfo(false), m_nVersionInfoRuns(0),
      m_hVersionInfoOwner(nullptr)
{
    std::fill(std::begin(m_bAvailable), std::end(m_bAvailable), true);
}

CStubToolFactory::~CStubToolFactory() = default;

void CStubToolFactory::SetAvailable(ui::LaunchToolKind kind, bool available)
{
    m_bAvailable[kind] = available;
}

void CStubToolFactory::SetOnDelete(ui::LaunchToolKind kind, std::function<void()> onDelete)
{
    m_onDelete[kind] = std::move(onDelete);
}

void CStubToolFactory::UseRealWindow(ui::LaunchToolKind kind) { m_bReal[kind] = true; }

void CStubToolFactory::UseRealVersionInfo() { m_bRealVersionInfo = true; }

HWND CStubToolFactory::RealWindow(ui::LaunchToolKind kind) const
{
    return m_pLiveReal[kind] ? m_pLiveReal[kind]->GetWindow() : nullptr;
}

std::unique_ptr<ui::ILaunchToolWindow> CStubToolFactory::_Make(ui::LaunchToolKind kind,
                                                                HWND owner)
{
    if (!m_bAvailable[kind]) return nullptr;
    if (m_bReal[kind]) {
        std::unique_ptr<CRealToolWindow> real(new CRealToolWindow(*this, kind, owner));
        if (!real->IsMade()) return nullptr;
        return real;
    }
    return std::unique_ptr<ui::ILaunchToolWindow>(new CStubToolWindow(*this, kind, owner));
}

std::unique_ptr<ui::ILaunchToolWindow> CStubToolFactory::MakeHelpInfoWindow(HWND owner)
{
    return _Make(ui::TOOL_HELP_INFO, owner);
}
std::unique_ptr<ui::ILaunchToolWindow> CStubToolFactory::MakeInitializationWindow(HWND owner)
{
    return _Make(ui::TOOL_INITIALIZATION, owner);
}
std::unique_ptr<ui::ILaunchToolWindow> CStubToolFactory::MakeProbeLogWindow(HWND owner)
{
    return _Make(ui::TOOL_PROBE_LOG, owner);
}
std::unique_ptr<ui::ILaunchToolWindow> CStubToolFactory::MakeSDInforWindow(HWND owner)
{
    return _Make(ui::TOOL_SD_INFO, owner);
}
std::unique_ptr<ui::ILaunchToolWindow> CStubToolFactory::MakeSettingWindow(HWND owner)
{
    return _Make(ui::TOOL_SETTING, owner);
}
std::unique_ptr<ui::ILaunchToolWindow> CStubToolFactory::MakeMachineSettingWindow(HWND owner)
{
    return _Make(ui::TOOL_MACHINE_SETTING, owner);
}
std::unique_ptr<ui::ILaunchToolWindow> CStubToolFactory::MakeLogUploadWindow(HWND owner)
{
    return _Make(ui::TOOL_LOG_UPLOAD, owner);
}
std::unique_ptr<ui::ILaunchToolWindow> CStubToolFactory::MakeDropWindow()
{
    return _Make(ui::TOOL_DROP, nullptr);
}
std::unique_ptr<ui::ILaunchToolWindow> CStubToolFactory::MakeSDManagerWindow(HWND owner)
{
    return _Make(ui::TOOL_SD_MANAGER, owner);
}
std::unique_ptr<ui::ILaunchToolWindow> CStubToolFactory::MakeSilentInstallWindow(HWND owner)
{
    return _Make(ui::TOOL_SILENT_INSTALL, owner);
}

void CStubToolFactory::RunVersionInfo(HWND owner)
{
    ++m_nVersionInfoRuns;
    m_hVersionInfoOwner = owner;
    if (m_bRealVersionInfo) ui::CLaunchToolFactory().RunVersionInfo(owner);
}

} // namespace launchertest
