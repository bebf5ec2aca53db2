#include "tests/launcher/MainWindowTestSupport.h"

#include "carddata/UserListFile.h"
#include "carddata/EnvironmentVolumePlatform.h"
#include "launcher/LaunchWindowMessages.h"
#include "launcher/LauncherSetting.h"
#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "skin/SkinWindowItem.h"
#include "tests/carddata/support/LinkFileBuilder.h"

#include <algorithm>


namespace mainwindowtest {

const char kCardDeviceNo[] = "NAVI0000M1";

namespace {

// The launcher's test platform: M:, N: and O: are FAT32 cards that take every control.
CEnvironmentVolumePlatform g_platform("MNO", "", "", "");

} // namespace

int32_t CardBits(const char* letters)
{
    int32_t bits = 0;
    for (const char* p = letters; *p != '\0'; ++p) bits |= testsupport::DriveBit(*p);
    return bits;
}

CCardPlatform::CCardPlatform(const std::string& ntfs, const std::string& locked)
{
    std::string fat = "MNO";
    for (char letter : ntfs) fat.erase(std::remove(fat.begin(), fat.end(), letter), fat.end());
    m_pPlatform.reset(new CEnvironmentVolumePlatform(fat, ntfs, locked, ""));
    SetVolumePlatform(m_pPlatform.get());
}

CCardPlatform::~CCardPlatform() { SetVolumePlatform(&g_platform); }

CStandardUserToken::CStandardUserToken() : m_bActive(false)
{
    HANDLE process = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &process)) return;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    HANDLE restricted = nullptr;
    HANDLE impersonation = nullptr;
    if (::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                   DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins)) {
        SID_AND_ATTRIBUTES disable = {admins, 0};
        if (::CreateRestrictedToken(process, 0, 1, &disable, 0, nullptr, 0, nullptr,
                                    &restricted) &&
            ::DuplicateToken(restricted, SecurityImpersonation, &impersonation)) {
            m_bActive = ::SetThreadToken(nullptr, impersonation) != FALSE;
        }
        ::FreeSid(admins);
    }
    if (impersonation != nullptr) ::CloseHandle(impersonation);
    if (restricted != nullptr) ::CloseHandle(restricted);
    ::CloseHandle(process);
}

CStandardUserToken::~CStandardUserToken()
{
    if (m_bActive) ::RevertToSelf();
}

testsupport::CAgentBlock* CMainWindowTest::s_pAgent = nullptr;

void CMainWindowTest::SetUpTestSuite()
{
    SetVolumePlatform(&g_platform);
    if (s_pAgent == nullptr) s_pAgent = new testsupport::CAgentBlock;
}

void CMainWindowTest::TearDownTestSuite() { SetVolumePlatform(nullptr); }

void CMainWindowTest::SetUp()
{
    ASSERT_TRUE(s_pAgent->IsReady());
    // Debug lines on; the stand-ins in place and none running.
    m_pProduct.reset(new launchertest::CProductFolder);
    // Away from where the window shows: a pointer over a tool button would open its balloon.
    ::SetCursorPos(0, 0);

    s_pAgent->Write(0, 0, 0);
    lib::DeleteFolder(lib::GetDataFolder().c_str(), false);
    ::DeleteFileA(CLauncherSettingFile::GetPcFilePath().c_str());
    m_pCardM.reset(new CSimulatedCard('M'));
    m_pCardN.reset(new CSimulatedCard('N'));
    ASSERT_TRUE(m_pCardM->IsRemovable());
    SetSettings(false, true);
    m_pLog.reset(new testsupport::CLogCapture);
}

void CMainWindowTest::TearDown()
{
    DestroyWindowObject();
    // The tools the window started end with the case.
    launchertest::EndProductPrograms();
    m_pProduct.reset();
    s_pAgent->Write(0, 0, 0);
    m_pCardN.reset();
    m_pCardM.reset();
}

void CMainWindowTest::SetCard(CardState state)
{
    if (state == CARD_NONE) {
        s_pAgent->Write(0, 0, 0);
        return;
    }
    if (state == CARD_PAIRED) {
        ASSERT_TRUE(CLinkFileBuilder().SetDeviceNo(kCardDeviceNo).SetCcidHead(kCardCcid).WriteTo(
            *m_pCardM));
    }
    s_pAgent->Write(CardBits("M"), state == CARD_PAIRED ? CardBits("M") : 0, 0);
}

void CMainWindowTest::AddUser(const char* deviceNo, const char* nickName, uint32_t ccid,
                              const char* userAgent, bool current, const UserStampRecord* stamp)
{
    CUserListFile users;
    users.Load();
    std::string currentDevice;
    const bool hadCurrent = users.GetCurrentUser(&currentDevice);
    ASSERT_TRUE(users.SaveWithCurrentDevice(deviceNo, nickName, ccid, userAgent, stamp));
    if (!current && hadCurrent) {
        CUserListFile again;
        std::string name;
        again.Load();
        ASSERT_TRUE(again.FindUserByDeviceNo(&currentDevice, &name));
        ASSERT_TRUE(again.SetCurrentUserByNickName(name.c_str(), nullptr));
        ASSERT_TRUE(again.Save());
    }
    m_vUsers.push_back(nickName);
}

void CMainWindowTest::SetSettings(bool firstRan, bool driveMemory)
{
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    setting.Load("");
    setting.SetFirstRan(firstRan);
    // Downloads are the jobs' cases; here they would only ask the network.
    auto apply = [&] {
        setting.SetDriveMemory(driveMemory);
        setting.SetAutoDLTraffic(false);
        setting.SetAutoDLWeather(false);
    };
    apply();
    setting.Save("");
    for (const std::string& user : m_vUsers) {
        setting.Load(user);
        apply();
        setting.Save(user);
    }
}

bool CMainWindowTest::s_bQuit = false;

void CMainWindowTest::Pump()
{
    // A round may post more; a few empty rounds in a row end it, and a bound a flood.
    const DWORD start = ::GetTickCount();
    for (int idle = 0; idle < 3;) {
        MSG message;
        if (::GetTickCount() - start > 10000) {
            ADD_FAILURE() << "messages keep coming";
            return;
        }
        if (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                s_bQuit = true;
            } else {
                ::DispatchMessageA(&message);
            }
            idle = 0;
        } else {
            ::Sleep(1);
            ++idle;
        }
    }
}

bool CMainWindowTest::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        MSG message;
        if (!::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        } else if (message.message == WM_QUIT) {
            s_bQuit = true;
        } else {
            ::DispatchMessageA(&message);
        }
    }
    return true;
}

bool CMainWindowTest::TookQuit()
{
    const bool quit = s_bQuit;
    s_bQuit = false;
    return quit;
}

void CMainWindowTest::CreateMainWindow()
{
    m_pWindow.reset(new ui::CLaunchWindow(m_tools));
    ASSERT_TRUE(m_pWindow->Create());
    Pump();
}

void CMainWindowTest::FinishChainUpTo(ui::LaunchToolKind kind)
{
    const ui::LaunchToolKind chain[] = {ui::TOOL_LOG_UPLOAD, ui::TOOL_SILENT_INSTALL,
                                        ui::TOOL_MACHINE_SETTING};
    for (ui::LaunchToolKind step : chain) {
        if (step == kind) return;
        launchertest::CStubToolWindow* tool = m_tools.Live(step);
        if (tool != nullptr && m_pWindow->GetTool(step) == tool) {
            tool->PostNotices();
            Pump();
        }
    }
}

void CMainWindowTest::FinishChain()
{
    FinishChainUpTo(ui::TOOL_KIND_COUNT);
    ASSERT_EQ(m_pWindow->GetStartMask(), ui::START_CHAIN_DONE);
    ASSERT_TRUE(::IsWindowVisible(m_pWindow->GetHwnd()));
}

void CMainWindowTest::OpenTool(ui::LaunchToolKind kind)
{
    namespace key = ui::LaunchWindowKey;
    UINT command = 0;
    switch (kind) {
    case ui::TOOL_INITIALIZATION: command = key::kButtonLogin.m_nId; break;
    case ui::TOOL_PROBE_LOG: command = ui::IDM_PROBE_SHOW; break;
    case ui::TOOL_SD_INFO: command = ui::IDM_SD_INFO; break;
    case ui::TOOL_SETTING: command = ui::IDM_SETTING; break;
    case ui::TOOL_MACHINE_SETTING: command = ui::IDM_MACHINE_SETTING; break;
    case ui::TOOL_SD_MANAGER: command = key::kButtonSDChoose.m_nId; break;
    case ui::TOOL_DROP: command = key::kWebButton.m_nId; break;
    case ui::TOOL_HELP_INFO:
        m_pWindow->PostItemCommand(key::kWebButton.m_nId, ui::ITEM_EVENT_MOUSE_MOVE, 0);
        Pump();
        break;
    default: break;
    }
    if (command != 0) {
        // The drop window is refused to an administrator.
        CStandardUserToken standardUser;
        m_pWindow->SendMessage(WM_COMMAND, MAKEWPARAM(command, 1), 0);
        Pump();
    }
    ASSERT_TRUE(m_tools.Holds(kind)) << kind;
}

void CMainWindowTest::DestroyWindowObject()
{
    if (!m_pWindow) return;
    if (m_pWindow->IsWindow()) m_pWindow->DestroyWindow();
    Pump();
    m_pWindow.reset();
    TookQuit();
}

ui::CSkinWindowItem* CMainWindowTest::Item(const ui::SkinItemKey& key)
{
    ui::CSkinWindowItem* item = m_pWindow->GetItemById(key.m_nId);
    EXPECT_NE(item, nullptr) << key.m_strName;
    return item;
}

int CMainWindowTest::Shown(const ui::SkinItemKey (&images)[3])
{
    int shown = 0;
    for (const ui::SkinItemKey& image : images) shown += Item(image)->IsVisible() ? 1 : 0;
    return shown;
}

const ui::SkinItemKey (&CMainWindowTest::RowOf(uint32_t jobType))[3]
{
    namespace key = ui::LaunchWindowKey;
    return jobType == 36 ? key::kProbleIngImage
                         : jobType == 37 ? key::kVelocetIngImage : key::kWeatherIngImage;
}

UINT_PTR CMainWindowTest::BlinkTimerOf(uint32_t jobType)
{
    return jobType == 36 ? ui::TIMER_PROBE_BLINK
                         : jobType == 37 ? ui::TIMER_VELOCET_BLINK : ui::TIMER_WEATHER_BLINK;
}

bool CMainWindowTest::HasTimer(UINT_PTR timer)
{
    if (!::KillTimer(m_pWindow->GetHwnd(), timer)) return false;
    ::SetTimer(m_pWindow->GetHwnd(), timer, 1800000, nullptr);
    return true;
}

RECT CMainWindowTest::WindowRect()
{
    RECT rect = {};
    ::GetWindowRect(m_pWindow->GetHwnd(), &rect);
    return rect;
}

BYTE CMainWindowTest::LayeredAlpha()
{
    BYTE alpha = 0;
    DWORD flags = 0;
    ::GetLayeredWindowAttributes(m_pWindow->GetHwnd(), nullptr, &alpha, &flags);
    return alpha;
}

int32_t CMainWindowTest::CentredLeft(int32_t width)
{
    RECT desktop = {};
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    return desktop.left + (desktop.right - desktop.left - width) / 2;
}

} // namespace mainwindowtest
