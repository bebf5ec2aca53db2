#include "tests/e2e/RoadSteps.h"

#include "carddata/UserAgent.h"
#include "carddata/UserListFile.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/Observer.h"
#include "tests/launcher/support/SharedBlocks.h"

#include <string>

namespace roadsteps {

namespace {

const char kDeviceNo[] = "DN00000000000051";
const uint32_t kCcidHead = 0x0746;
// The agent's WM_DEVICECHANGE for a card that came (agent/DriveWatcher.h).
const uint32_t kCardArrival = 1;

struct WindowSearch {
    DWORD dwProcess;
    const std::function<bool(HWND)>* pAccept;
    std::vector<HWND> vFound;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter)
{
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search.dwProcess && IsWindowVisible(window) &&
        (!*search.pAccept || (*search.pAccept)(window))) {
        search.vFound.push_back(window);
    }
    return TRUE;
}

} // namespace

const char CRoadLauncher::kUserName[] = "ロード";

CRoadProduct::CRoadProduct(const std::string& road)
    : m_cStandIn(roadtest::Space(road)), m_cAgent(m_cProduct.UseRealAgent()), m_bReady(false)
{
    m_bReady = m_cStandIn.IsRunning() && m_cAgent.Swapped() && m_cProduct.HasLauncher() &&
               m_cStandIn.SetVars(launchertest::NothingNewerVars()) &&
               m_cProduct.WriteConnectionInfo(m_cStandIn);
}

CLauncherSettingFile ModelChosenSettings()
{
    CLauncherSettingFile settings;
    settings.m_iMachineType = 1;
    settings.m_iFirstRan = 0;
    settings.m_iAutoStartLauncher = 0;
    return settings;
}

bool RegisterCardUser(char letter, const std::string& deviceNo, const std::string& nickName,
                      uint32_t ccidHead)
{
    const std::string userAgent = GetUserAgent(letter).GetUserAgent();
    CUserListFile users;
    return !userAgent.empty() && users.SaveWithCurrentDevice(deviceNo.c_str(), nickName.c_str(),
                                                             ccidHead, userAgent.c_str(), nullptr);
}

void SaveSelectedUserSettings(CLauncherSettingFile settings, const std::string& nickName)
{
    settings.m_iNickNameNo = 0;
    settings.Save(nickName);
}

DWORD StartResidentAgent(const launchertest::CProductFolder& product)
{
    std::string line = "\"" + product.File("Kestrum4Agent.exe") + "\" Launcher";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        return 0;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return roadtest::WaitForAgentWindow(kShowWaitMs) != nullptr ? started.dwProcessId : 0;
}

bool StartResidentAgentWithCards(const launchertest::CProductFolder& product,
                                 const launchertest::CObserver& observer)
{
    return StartResidentAgent(product) != 0 &&
           observer.WaitFor("WM_DEVICECHANGE", kCardArrival, kShowWaitMs);
}

CRoadLauncher::CRoadLauncher(const std::string& road)
    : m_cRoad(road),
      // The run clears the launcher's files of the prefix user: the road's come after.
      m_pRun(new launchertest::CLauncherRun(m_cRoad.Product())),
      m_cSettings(ModelChosenSettings())
{
    m_cSettings.m_iAutoDLTraffic = 0;
    m_cSettings.m_iAutoDLWeather = 0;
}

bool CRoadLauncher::PrepareUnitCard(char letter)
{
    roadtest::WriteCardFile(
        letter, CLinkFileBuilder::kNaviInfoPath,
        CLinkFileBuilder().SetDeviceNo(kDeviceNo).SetCcidHead(kCcidHead).Build());
    return RegisterCardUser(letter, kDeviceNo, kUserName, kCcidHead);
}

bool CRoadLauncher::Start(const std::string& cards)
{
    SaveSelectedUserSettings(m_cSettings, kUserName);
    // The pointer away in a corner, where it opens no help balloon over the main window.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    m_pRun->SetEnvironment("KESTRUM_SIMULATED_CARDS", cards);
    return m_pRun->Start();
}

HWND CRoadLauncher::WaitForCard(char letter, DWORD timeoutMs)
{
    // The cards are in before the agent starts; its card check is asked for until it has
    // seen them and the launcher has chosen one.
    DWORD lastPoke = 0;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(100)) {
        if (m_pRun->HasExited()) return nullptr;
        const HWND main = m_pRun->MainWindow();
        CardShareRecord record;
        if (main != nullptr && launchertest::ReadCardRecord(record) &&
            record.selectedDrive == letter) {
            return main;
        }
        if (GetTickCount() - lastPoke > 2000) {
            lastPoke = GetTickCount();
            roadtest::AskAgentForCardCheck();
        }
    }
    return nullptr;
}

void CRoadLauncher::Command(uint16_t id) const
{
    PostMessageA(m_pRun->MainWindow(), WM_COMMAND, id, 0);
}

HWND CRoadLauncher::WaitForWindow(const std::string& title, DWORD timeoutMs) const
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
        if (const HWND window = launchertest::FindWindowTitled(m_pRun->ProcessId(), title)) return window;
        if (m_pRun->HasExited()) break;
    }
    return nullptr;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(100)) {
        if (done()) return true;
    }
    return done();
}

void ClickItem(HWND window, uint16_t id)
{
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 1), 0);
}

std::vector<HWND> ShownWindowsOf(DWORD processId, const std::function<bool(HWND)>& accept)
{
    WindowSearch search = {processId, &accept, {}};
    if (processId != 0) EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.vFound;
}

std::string ClassOf(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TitleOf(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

HWND WaitForShownWindow(DWORD processId, const std::string& title, DWORD timeoutMs)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
        if (const HWND window = launchertest::FindWindowTitled(processId, title)) return window;
    }
    return nullptr;
}

HWND FindBoxOf(DWORD processId, HWND owner)
{
    return launchertest::CBoxWatch::FindBoxWindow(
        processId, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(owner)));
}

HWND WaitForBoxOf(DWORD processId, HWND owner, DWORD timeoutMs)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
        if (const HWND box = FindBoxOf(processId, owner)) return box;
    }
    return nullptr;
}

bool WaitForGone(HWND window, DWORD timeoutMs)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
        if (!IsWindow(window) || !IsWindowVisible(window)) return true;
    }
    return false;
}

bool PressAndWaitGone(const launchertest::ShownBox& box, int result)
{
    return launchertest::PressBox(box, result) && WaitForGone(box.hBox);
}

} // namespace roadsteps
