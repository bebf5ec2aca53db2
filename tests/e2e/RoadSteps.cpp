#include "tests/e2e/RoadSteps.h"

#include "carddata/UserAgent.h"
#include "carddata/UserListFile.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/SharedBlocks.h"

#include <string>
#include <vector>

namespace roadsteps {

namespace {

const char kDeviceNo[] = "DN00000000000051";
const uint32_t kCcidHead = 0x0746;

} // namespace

const char CRoadLauncher::kUserName[] = "ロード";

CRoadLauncher::CRoadLauncher(const std::string& road)
    : m_bReady(false), m_cStandIn(roadtest::Space(road)), m_cAgent(m_cProduct.UseRealAgent()),
      // The run clears the launcher's files of the prefix user: the road's come after.
      m_pRun(new launchertest::CLauncherRun(m_cProduct))
{
    m_cSettings.m_iMachineType = 1;
    m_cSettings.m_iFirstRan = 0;
    m_cSettings.m_iNickNameNo = 0;
    m_cSettings.m_iAutoDLTraffic = 0;
    m_cSettings.m_iAutoDLWeather = 0;
    m_bReady = m_cStandIn.IsRunning() && m_cAgent.Swapped() && m_cProduct.HasLauncher() &&
               m_cStandIn.SetVars(launchertest::NothingNewerVars()) &&
               m_cProduct.WriteConnectionInfo(m_cStandIn);
}

bool CRoadLauncher::PrepareUnitCard(char letter)
{
    const std::vector<uint8_t> link =
        CLinkFileBuilder().SetDeviceNo(kDeviceNo).SetCcidHead(kCcidHead).Build();
    roadtest::WriteCardFile(letter, CLinkFileBuilder::kNaviInfoPath,
                            std::string(link.begin(), link.end()));
    const std::string userAgent = GetUserAgent(letter).GetUserAgent();
    CUserListFile users;
    return !userAgent.empty() &&
           users.SaveWithCurrentDevice(kDeviceNo, kUserName, kCcidHead, userAgent.c_str(), nullptr);
}

bool CRoadLauncher::Start(const std::string& cards)
{
    m_cSettings.Save(kUserName);
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
        if (const HWND window = m_pRun->FindWindowTitled(title)) return window;
        if (m_pRun->HasExited()) break;
    }
    return nullptr;
}

void ClickItem(HWND window, uint16_t id)
{
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 1), 0);
}

HWND WaitForBoxOf(DWORD processId, HWND owner, DWORD timeoutMs)
{
    const uint32_t handle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(owner));
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
        if (const HWND box = launchertest::CBoxWatch::FindBoxWindow(processId, handle)) return box;
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

} // namespace roadsteps
