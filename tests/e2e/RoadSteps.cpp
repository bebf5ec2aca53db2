#include "tests/e2e/RoadSteps.h"

#include "carddata/UserAgent.h"
#include "carddata/UserListFile.h"
#include "lib/Path.h"
#include "lib/wfc/DC.h"
#include "lib/wfc/DIB.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/gallery/PngWriter.h"
#include "tests/launcher/support/SharedBlocks.h"

#include <cstdio>

namespace roadsteps {

namespace {

const char kDeviceNo[] = "DN00000000000051";
const uint32_t kCcidHead = 0x0746;
const UINT_PTR kAgentCardTimer = 24;

} // namespace

const char kCurrentVersions[] =
    "{\"versionup\": {\"ret\": 0, \"modules\": {"
    "\"LC\": {\"version\": \"4.1.0.0\"}, \"DG\": {\"version\": \"4.1.17.5\"},"
    "\"MD\": {\"version\": \"2.10.0.3\"}, \"PM\": {\"version\": \"1.0.0.0\"}}},"
    "\"log_upload_wanted\": []}";

const char CRoadLauncher::kUserName[] = "ロード";

CRoadLauncher::CRoadLauncher(const std::string& road)
    : m_bReady(false), m_cStandIn(road), m_cAgent(m_cProduct.UseRealAgent()), m_pRun(nullptr)
{
    // The run clears the launcher's files of the prefix user: the road's come after.
    m_pRun = new launchertest::CLauncherRun(m_cProduct);
    m_cSettings.m_iMachineType = 1;
    m_cSettings.m_iFirstRan = 0;
    m_cSettings.m_iNickNameNo = 0;
    m_cSettings.m_iAutoDLTraffic = 0;
    m_cSettings.m_iAutoDLWeather = 0;
    m_bReady = m_cStandIn.IsRunning() && m_cAgent.Swapped() && m_cProduct.HasLauncher() &&
               m_cStandIn.SetVars(kCurrentVersions) && m_cProduct.WriteConnectionInfo(m_cStandIn);
}

CRoadLauncher::~CRoadLauncher() { delete m_pRun; }

bool CRoadLauncher::PrepareUnitCard(const CSimulatedCard& card)
{
    if (!card.IsRemovable() ||
        !CLinkFileBuilder().SetDeviceNo(kDeviceNo).SetCcidHead(kCcidHead).WriteTo(card)) {
        return false;
    }
    const std::string userAgent = GetUserAgent(card.GetLetter()).GetUserAgent();
    CUserListFile users;
    return users.SaveWithCurrentDevice(kDeviceNo, kUserName, kCcidHead, userAgent.c_str(),
                                       nullptr);
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
    // Wine raises no media events for folder drives: the agent's card check is its timer's.
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
            const HWND agent = FindWindowA("Kestrum4AgentWinClassName", "Kestrum4AgentWindowTitle");
            if (agent != nullptr) PostMessageA(agent, WM_TIMER, kAgentCardTimer, 0);
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

void Shot(const std::string& road, const std::string& step, const std::string& window, HWND hwnd)
{
    RECT rect = {};
    if (hwnd == nullptr || !GetWindowRect(hwnd, &rect)) {
        std::printf("shot %s-%s-%s: no window\n", road.c_str(), step.c_str(), window.c_str());
        return;
    }
    // A layered window's first paint reaches the screen a moment after it shows.
    Sleep(300);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    lib::wfc::CDIB picture;
    picture.Create(screen, width, height, 24);
    lib::wfc::CMemDC memory(screen);
    const HGDIOBJ previous = memory.SelectObject(picture.GetHandle());
    const bool copied = BitBlt(memory.GetHDC(), 0, 0, width, height, screen, rect.left, rect.top,
                               SRCCOPY | CAPTUREBLT) != 0;
    memory.SelectObject(previous);
    ReleaseDC(nullptr, screen);
    const std::string folder = launchertest::TestsFolder() + "..\\e2e\\shots\\";
    lib::CreateDirectoryRecursive(folder);
    const std::string name = road + "-" + step + "-" + window + ".png";
    if (copied && gallery::WritePng(folder + name, picture, CLR_INVALID)) {
        std::printf("shot %s\n", name.c_str());
    } else {
        std::printf("shot %s: not written\n", name.c_str());
    }
}

} // namespace roadsteps
