// The main window in the product's own launcher, from outside: "Launcher.exe" of the
// product folder with the unit's card O: and its registered user, the stand-in services,
// and this program playing the agent's card record. The window's account of itself is its
// log and its picture on the screen.

#include "carddata/BuiltinAccount.h"
#include "carddata/PcLinkFile.h"
#include "carddata/UserAgent.h"
#include "carddata/UserListFile.h"
#include "launcher/LauncherSetting.h"
#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "tests/carddata/support/CardAway.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/launcher/support/LauncherRun.h"
#include "tests/launcher/support/Observer.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using launchertest::CLauncherRun;

const char kCard = 'O';
const char kDeviceNo[] = "DN00000000000041";
const uint32_t kCcidHead = 0x0746;
const char kNickName[] = "saburo";
const DWORD kWaitMs = 30000;

// Whether the log tells of the job reaching 100 % and then finishing: its row all shown and
// its finished image.
bool RowDone(const std::string& log, uint32_t job)
{
    char progress[96];
    std::snprintf(progress, sizeof progress,
                  "CLaunchWindow::_OnProgressFinish uiProgress:%x,uiParam:64\r\n", job);
    char finish[64];
    std::snprintf(finish, sizeof finish, "CLaunchWindow::_OnProgressFinish %x\r\n", job);
    const size_t at = log.rfind(progress);
    return at != std::string::npos && log.find(finish, at) != std::string::npos;
}

// The pixels of the card button's corner as the screen shows the window: where the skin
// puts the card buttons, 70 pixels further left in the narrow window.
std::vector<COLORREF> CardButtonPixels(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    const int left = rect.left + (rect.right - rect.left == 618 ? 548 : 478) + 4;
    const int top = rect.top + 42 + 4;
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) pixels.push_back(GetPixel(screen, left + x, top + y));
    }
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The launcher reads the prefix user's files, while this program's own go to a private
// folder: a file written there is copied to its place in the prefix user's.
void CopyToThePrefixUser(const std::string& privatePath)
{
    const std::string data = lib::GetDataFolder();
    const std::string product = data.substr(0, data.size() - 5); // less "Data\"
    ASSERT_EQ(privatePath.compare(0, product.size(), product), 0) << privatePath;
    const std::string target =
        launchertest::UserProductFolder() + privatePath.substr(product.size());
    lib::CreateDirectoryRecursive(lib::GetParentFolder(target));
    ASSERT_TRUE(CopyFileA(privatePath.c_str(), target.c_str(), FALSE)) << target;
}

TEST(MainWindowLauncherTest, ChainEndFillsTheCardAndARemovedCardIsTold)
{
    onlinetest::CStandIn standIn;
    ASSERT_TRUE(standIn.IsRunning());
    char id[16] = {};
    char password[16] = {};
    ASSERT_TRUE(GetBuiltinAccount(id, sizeof id, password, sizeof password));
    ASSERT_TRUE(standIn.SetVars(launchertest::NothingNewerVars()));
    ASSERT_TRUE(standIn.Rule("/wlink36/*",
                             onlinetest::CAnswer().Auth(onlinetest::AuthMode::Both, id, password)));
    launchertest::CProductFolder product;
    ASSERT_TRUE(product.HasLauncher());
    ASSERT_TRUE(product.WriteConnectionInfo(standIn));
    CSimulatedCard card(kCard);
    ASSERT_TRUE(card.IsRemovable());
    ASSERT_TRUE(CLinkFileBuilder()
                    .SetDeviceNo(kDeviceNo)
                    .SetCcidHead(kCcidHead)
                    .SetPosition(128000, 503000)
                    .SetLinkWord(2026)
                    .AddRecord(PCLINK_RECORD_UNIT_INFO, 0x01000A05, 0x12)
                    .AddRecord(PCLINK_RECORD_LINK_VALUE, 0x00020611, 0)
                    .WriteTo(card));
    // The agent has the unit's card.
    testsupport::CAgentBlock agent;
    ASSERT_TRUE(agent.IsReady());
    const int32_t bit = testsupport::DriveBit(kCard);
    agent.Write(bit, bit, kCard);
    launchertest::CObserver observer({"DEVICECHANGE_KESTRUM"});
    ASSERT_TRUE(observer.IsReady());

    CLauncherRun run(product);
    // The card's user, current, on a PC whose unit model was chosen; after the run's clean-up.
    CUserListFile users;
    ASSERT_TRUE(users.SaveWithCurrentDevice(kDeviceNo, kNickName, kCcidHead,
                                            GetUserAgent(kCard).GetUserAgent().c_str(), nullptr));
    CLauncherSettingFile settings;
    settings.Load(kNickName);
    settings.m_iMachineType = 1;
    settings.m_iFirstRan = 0;
    settings.m_iNickNameNo = 0;
    settings.m_iAutoDLTraffic = 1;
    settings.m_iAutoDLWeather = 1;
    settings.Save(kNickName);
    CopyToThePrefixUser(lib::GetDataFolder() + "UserList.info");
    CopyToThePrefixUser(CLauncherSettingFile::GetUserFilePath(kNickName));
    CopyToThePrefixUser(CLauncherSettingFile::GetPcFilePath());
    run.SetEnvironment("KESTRUM_SIMULATED_CARDS", std::string(1, kCard));
    ASSERT_TRUE(run.Start());
    ASSERT_EQ(run.WaitForMainWindow(kWaitMs), CLauncherRun::MAIN_WINDOW) << run.Log();

    // The chain's end downloads both onto the card.
    bool done = false;
    for (const DWORD start = GetTickCount(); !done && GetTickCount() - start < kWaitMs;
         Sleep(100)) {
        const std::string log = run.Log();
        done = RowDone(log, 37) && RowDone(log, 38);
    }
    ASSERT_TRUE(done) << run.Log();
    EXPECT_EQ(testsupport::ReadFileBytes(card.GetPath("PC\\PROBE\\RCVDAT.DAT.ENC")).size(), 3000u);
    EXPECT_EQ(testsupport::ReadFileBytes(card.GetPath("PC\\WEATHER\\WT_DATA.DAT")).size(), 46200u);

    // The card leaves its reader; the agent tells the window.
    const HWND main = run.MainWindow();
    ASSERT_NE(main, nullptr);
    const std::vector<COLORREF> removalMark = CardButtonPixels(main);
    CCardAway away(kCard);
    ASSERT_TRUE(away.CanMove()) << "only under Wine";
    ASSERT_TRUE(away.Move());
    agent.Write(0, 0, kCard);
    observer.Forget();
    ASSERT_TRUE(PostMessageA(main, WM_DEVICECHANGE, 2, 0));
    EXPECT_TRUE(observer.WaitFor("DEVICECHANGE_KESTRUM", 2, kWaitMs));
    // The window has dropped the card's choice and shows the card choice button instead.
    bool dropped = false;
    for (const DWORD start = GetTickCount(); !dropped && GetTickCount() - start < kWaitMs;
         Sleep(100)) {
        dropped = agent.Read().selectedDrive == 0 && CardButtonPixels(main) != removalMark;
    }
    EXPECT_TRUE(dropped);
    EXPECT_NE(run.Log().find("CLaunchWindow::_OnDeviceChange DEVICE_REMOVE "), std::string::npos);
    EXPECT_EQ(run.Close(), 0u);
}

} // namespace
