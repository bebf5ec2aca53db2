// The probe log window as the real main window opens it from its menu, the other tool windows
// stubs (tests/launcher/MainWindowTestSupport.h): two users with a history each, the current
// one's shown.

#include "tests/launcher/MainWindowTestSupport.h"

#include "launcher/LaunchWindowMessages.h"
#include "launcher/LauncherSetting.h"
#include "launcher/ProbeLogWindow.h"
#include "launcher/UserDataFolder.h"
#include "lib/BlockShareMemHolder.h"
#include "lib/Path.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace mainwindowtest;

class CProbeLogMainWindowTest : public CMainWindowTest {
protected:
    // A history of the user's own lines, with its counters in the user's settings.
    void StoreHistory(const std::string& user, const std::vector<std::string>& lines)
    {
        CLauncherSettingFile file;
        file.Load(user);
        file.m_iUploadTotNum = static_cast<int32_t>(lines.size());
        file.m_iUploadCurrNum = static_cast<int32_t>(lines.size());
        file.Save(user);
        ::CreateDirectoryA(GetUserDataFolder(user).c_str(), nullptr);
        std::ofstream log(ui::CProbeLogWindow::GetLogFilePath(user),
                          std::ios::binary | std::ios::trunc);
        for (const std::string& line : lines) log << line << "\n";
    }
    static std::string ReadFile(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
};

TEST_F(CProbeLogMainWindowTest, MenuShowsTheCurrentUsersHistoryUntilItIsClosed)
{
    AddUser("U1", "Hanako", 0x1111, "UA/Hanako", false);
    AddUser("U2", "Taro", 0x2222, "UA/Taro", true);
    SetSettings(false, true);
    const std::vector<std::string> taro = {"2026/12/01  09:00 taro one",
                                           "2026/12/01  09:01 taro two"};
    StoreHistory("Taro", taro);
    StoreHistory("Hanako", {"2026/11/30  18:00 hanako one", "2026/11/30  18:01 hanako two",
                            "2026/11/30  18:02 hanako three"});
    const std::string taroFile = ReadFile(ui::CProbeLogWindow::GetLogFilePath("Taro"));
    Tools().UseRealWindow(ui::TOOL_PROBE_LOG);
    CreateMainWindow();
    FinishChain();
    char current[USER_AGENT_SHARE_MEM_SIZE] = {};
    ASSERT_TRUE(CBlockShareMemHolder().GetUserAgent(current));
    ASSERT_STREQ(current, "Taro");

    Window().SendMessage(WM_COMMAND, MAKEWPARAM(ui::IDM_PROBE_SHOW, 1), 0);
    Pump();
    ui::CProbeLogWindow* window = Tools().RealObject<ui::CProbeLogWindow>(ui::TOOL_PROBE_LOG);
    ASSERT_NE(window, nullptr);
    const HWND hwnd = window->GetHwnd();
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(::GetWindow(hwnd, GW_OWNER), Window().GetHwnd());
    EXPECT_TRUE(Tools().Record(ui::TOOL_PROBE_LOG).bViewOnly);
    EXPECT_TRUE(window->IsViewOnly());
    ui::CButtonListView* list = window->GetList();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->GetTable()->GetRowCount(list), static_cast<int32_t>(taro.size()));
    for (size_t row = 0; row < taro.size(); ++row) {
        EXPECT_EQ(list->GetTable()->GetCellText(list, static_cast<int32_t>(row), 0,
                                                ui::ButtonListViewTextFit{nullptr, 0}),
                  taro[row]);
    }

    // View mode closes at once: the notice makes the main window delete it, and the history
    // goes back to its user's file as it was.
    window->PostMessage(WM_COMMAND, MAKEWPARAM(ui::ProbeLogWindowKey::kCloseButton.m_nId, 1), 0);
    Pump();
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_FALSE(Tools().Holds(ui::TOOL_PROBE_LOG));
    EXPECT_EQ(Tools().Record(ui::TOOL_PROBE_LOG).nDeleted, 1);
    EXPECT_TRUE(::IsWindowVisible(Window().GetHwnd()));
    EXPECT_EQ(ReadFile(ui::CProbeLogWindow::GetLogFilePath("Taro")), taroFile);
    EXPECT_EQ(CLauncherSetting::GetInstance().GetUploadTotNum(), taro.size());
}

} // namespace
