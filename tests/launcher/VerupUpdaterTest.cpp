// The version-up window with the real updater Kestrum4Update beside the test program, which
// "開始" starts from there: the updater finds the owner by its title "Kestrum4 Launcher",
// posts "Launcher_VERUPSTART" (passed on as the main window does), and installs the real
// Windows Installer packages the window downloads from the stand-in, then runs the
// launcher's setup (a stand-in that records its command line) and quits. The packages land
// in the prefix user's own Download folder, the only one the updater runs them from, so this
// test keeps the user's real application data; they are uninstalled again at the end.
// Then the start chain of the product folder's launcher through its real main window: the
// log upload's consent question, and the version-up window that its close button ends.

#include "launcher/SilentInstallWindow.h"

#include "carddata/UserListFile.h"
#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "tests/carddata/HostShell.h"
#include "tests/launcher/LogUploadOwner.h"
#include "tests/launcher/support/LauncherRun.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/online/support/ConnectionInfoForTests.h"
#include "tests/online/support/StandIn.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <msi.h>

#include <string>
#include <vector>

namespace {

::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("launcher_verup_updater_test"));

using launchertest::COwnerWindow;
using launchertest::PumpUntil;
using ui::CSilentInstallWindow;

const UINT WM_LAUNCHER_CHILD_CLOSED = WM_APP + 6;
const UINT kVerUpStart = lib::GetRegisteredMessage("Launcher_VERUPSTART");
const DWORD kInstallWaitMs = 240000;

// The updater's test packages and the launcher's setup stand-in, as the package names the
// service gives them; the products their packages install.
struct Package {
    const char* source;   // relative to the test program's folder
    const char* name;
    const char* product;  // null for the setup program
};
const Package kSetup = {"..\\updater_setup_standin.exe", "VerUpTest_Setup.exe", nullptr};
const Package kDapplegate = {"..\\updater_packages\\Sibling2.msi", "VerUpTest_Sibling2.msi",
                             "{7A2E9C41-1D3B-4F6A-8E52-6B0D3C9F2A84}"};
const Package kPellick = {"..\\updater_packages\\Sibling3.msi", "VerUpTest_Sibling3.msi",
                          "{C4B81E06-92A7-4C3D-B1F5-8E2A7D60C913}"};
const Package* const kPackages[] = {&kSetup, &kDapplegate, &kPellick};

void Uninstall(const char* product)
{
    if (product != nullptr && MsiQueryProductStateA(product) == INSTALLSTATE_DEFAULT) {
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        MsiConfigureProductA(product, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT);
    }
}

// Nothing of the run before or after: no package installed, no download, no record.
void CleanUp()
{
    const std::string download = lib::GetDownloadFolder();
    for (const Package* package : kPackages) {
        Uninstall(package->product);
        DeleteFileA((download + package->name).c_str());
    }
    DeleteFileA((download + kSetup.name + ".args").c_str());
}

HWND UpdaterWindow() { return FindWindowA("KESTRUMINSTALLER", "KestrumInstaller"); }

TEST(VerUpWithTheUpdater, TwoPackagesInstallInTurnThenTheLauncherSetupIsHandedOver)
{
    onlinetest::CStandIn standIn;
    ASSERT_TRUE(standIn.IsRunning());
    ASSERT_TRUE(onlinetest::WriteConnectionInfo(standIn.BaseUrl()));
    ASSERT_EQ(nullptr, UpdaterWindow()) << "another updater runs";
    CleanUp();
    // The service's packages are the files themselves.
    std::string packages;
    for (const Package* package : kPackages) {
        const std::string source = testsupport::ProgramFolder() + package->source;
        ASSERT_TRUE(lib::FileExists(source)) << source;
        packages += std::string(packages.empty() ? "" : ", ") + "\"" + package->name +
                    "\": {\"file\": " + onlinetest::JsonString(hostshell::UnixPath(source)) + "}";
    }
    // The launcher is newer, Mendrill as installed; Dapplegate and PellickManager are not
    // beside the test program, so their packages are first installs.
    ASSERT_TRUE(standIn.SetVars(
        "{\"packages\": {" + packages + "}, \"versionup\": {\"ret\": 0, \"modules\": {" +
        "\"LC\": {\"version\": \"4.1.18\", \"package\": \"" + kSetup.name + "\"}, " +
        "\"DG\": {\"version\": \"4.1.18\", \"package\": \"" + kDapplegate.name + "\"}, " +
        "\"MD\": {\"version\": \"2.10.0.3\", \"package\": \"Mendrill.msi\"}, " +
        "\"PM\": {\"version\": \"1.0.1\", \"package\": \"" + kPellick.name + "\"}}}}"));

    skintest::CSkinErrorCollector errors;
    COwnerWindow owner("Kestrum4 Launcher");
    CSilentInstallWindow window(owner.Window());
    ASSERT_TRUE(window.Create());
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window.GetHwnd()) != FALSE; }));
    ASSERT_EQ(0x1u | 0x2u | 0x2000u | 0x8u | 0x8000u, window.GetUpdateMask());

    // "開始": the updater answers through the owner, which passes it on.
    window.PostMessage(WM_COMMAND, MAKEWPARAM(ui::SilentInstallWindowKey::kCancelButton.m_nId, 1),
                       0);
    bool started = false;
    const bool next = PumpUntil(
        [&] {
            if (!started && owner.Count(kVerUpStart) > 0) {
                started = true;
                window._OnVerUpStart();
            }
            return window.GetButtonState() == CSilentInstallWindow::BUTTON_NEXT ||
                   !window.IsWindow();
        },
        kInstallWaitMs);
    EXPECT_TRUE(started);
    ASSERT_TRUE(next);
    ASSERT_EQ(CSilentInstallWindow::BUTTON_NEXT, window.GetButtonState());
    EXPECT_EQ(1u, owner.Count(kVerUpStart));
    EXPECT_EQ(INSTALLSTATE_DEFAULT, MsiQueryProductStateA(kPellick.product));
    EXPECT_EQ(INSTALLSTATE_DEFAULT, MsiQueryProductStateA(kDapplegate.product));
    std::vector<std::string> downloads;
    for (const onlinetest::RecordedRequest& r : standIn.Requests()) {
        if (r.sPath.compare(0, 10, "/packages/") == 0) downloads.push_back(r.sPath.substr(10));
    }
    EXPECT_EQ((std::vector<std::string>{kPellick.name, kDapplegate.name, kSetup.name}),
              downloads);
    EXPECT_EQ(0u, owner.Count(WM_LAUNCHER_CHILD_CLOSED));

    // "次へ＞＞": the setup is handed over, the updater runs it and quits, and the owner is
    // told that the launcher closes.
    window.PostMessage(WM_COMMAND, MAKEWPARAM(ui::SilentInstallWindowKey::kCancelButton.m_nId, 1),
                       0);
    // The stand-in puts its record in place whole.
    const std::string record = lib::GetDownloadFolder() + kSetup.name + ".args";
    EXPECT_TRUE(PumpUntil(
        [&] {
            return lib::FileExists(record) && UpdaterWindow() == nullptr &&
                   owner.Count(WM_LAUNCHER_CHILD_CLOSED) > 0;
        },
        60000));
    EXPECT_EQ("/S /v/passive", testsupport::ReadFileBytes(record));
    EXPECT_EQ(std::vector<uint32_t>{8}, owner.WParams(WM_LAUNCHER_CHILD_CLOSED));
    EXPECT_TRUE(errors.Messages().empty());

    window.DestroyWindow();
    CleanUp();
}

std::string TitleOf(HWND window)
{
    char title[128] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
}

size_t RequestsOf(const onlinetest::CStandIn& standIn, const std::string& path)
{
    size_t count = 0;
    for (const onlinetest::RecordedRequest& r : standIn.Requests()) {
        count += r.sPath.compare(0, path.size(), path) == 0 ? 1 : 0;
    }
    return count;
}

// The launcher of the product folder with a registered user whose logs the support service
// wants, and a newer launcher on the version-up service: the hidden log upload window asks
// first, and after No the version-up window shows in front, centred, owned by the main
// window, which stays hidden while the chain waits. Its close button stops everything
// before any download and closes the launcher.
TEST(VerUpThroughTheMainWindow, ConsentRefusedThenTheVersionUpWindowsCloseButtonEndsTheLauncher)
{
    const char kDeviceNo[] = "D0004401";
    launchertest::CProductFolder product;
    ASSERT_TRUE(product.HasLauncher());
    onlinetest::CStandIn standIn("launcher_verup_main_window");
    ASSERT_TRUE(standIn.IsRunning());
    ASSERT_TRUE(standIn.SetVars(
        std::string("{\"log_upload_wanted\": [\"") + kDeviceNo + "\"], " +
        "\"versionup\": {\"ret\": 0, \"modules\": {"
        "\"LC\": {\"version\": \"4.1.18\", \"package\": \"Launcher_Setup.exe\"}, "
        "\"DG\": {\"version\": \"4.1.17.5\"}, \"MD\": {\"version\": \"2.10.0.3\"}, "
        "\"PM\": {\"version\": \"1.0.0.0\"}}}}"));
    ASSERT_TRUE(product.WriteConnectionInfo(standIn));
    launchertest::CLauncherRun run(product);
    // The run cleared the prefix user's files: the user comes after, into the same folder.
    ASSERT_TRUE(CUserListFile().SaveWithCurrentDevice(kDeviceNo, "ログ太郎", 0x4401ABCD,
                                                      "0EFerroxPA/2.000010", nullptr));
    ASSERT_TRUE(lib::FileExists(launchertest::UserProductFolder() + "Data\\UserList.info"));

    ASSERT_TRUE(run.Start());
    const launchertest::ShownBox consent = run.WaitForBox(
        "ケストラム４のエラー情報、およびお客様の\r\nパソコン環境をハルヴォーン株式会社へ送信"
        "します。\r\n\r\nエラー情報　：ケストラム４が作成したエラー情報\r\nパソコン環境：OSの種"
        "類、バージョン/CPU/メモリ容量\r\n\r\n情報をアップロードして宜しいでしょうか。",
        30000);
    ASSERT_TRUE(consent.Found()) << run.Log();
    EXPECT_EQ(static_cast<uint32_t>(MB_YESNO), consent.uStyle & MB_TYPEMASK);
    // Asked by the log upload window, still hidden.
    const HWND upload = reinterpret_cast<HWND>(static_cast<uintptr_t>(consent.uOwner));
    EXPECT_EQ("ケストラム　ログアップロード", TitleOf(upload));
    EXPECT_FALSE(IsWindowVisible(upload));
    EXPECT_EQ(nullptr, run.MainWindow());
    ASSERT_TRUE(launchertest::PressBox(consent, IDNO));

    HWND verup = nullptr;
    for (const DWORD begin = GetTickCount(); verup == nullptr && GetTickCount() - begin < 30000;
         Sleep(50)) {
        if (run.HasExited()) break;
        verup = run.FindWindowTitled("バージョンアップ");
    }
    ASSERT_NE(nullptr, verup) << run.Log();
    // The permission was asked for the current user's unit; after No nothing was sent and
    // the log upload window is gone.
    bool askedForTheUnit = false;
    for (const onlinetest::RecordedRequest& r : standIn.Requests()) {
        askedForTheUnit = askedForTheUnit || (r.sPath == "/pcapp/LogUploadCheckAPI" &&
                                              r.sBody.find(kDeviceNo) != std::string::npos);
    }
    EXPECT_TRUE(askedForTheUnit);
    EXPECT_EQ(1u, RequestsOf(standIn, "/pcapp/LogUploadCheckAPI"));
    EXPECT_EQ(0u, RequestsOf(standIn, "/pcapp/LogUploadAPI"));
    EXPECT_EQ(1u, RequestsOf(standIn, "/pcapp/GetLatestPCAplZoneAPI"));
    EXPECT_FALSE(IsWindow(upload));
    EXPECT_EQ(nullptr, run.MainWindow());
    const HWND owner = GetWindow(verup, GW_OWNER);
    EXPECT_EQ(launchertest::CLauncherRun::kTitle, TitleOf(owner));
    char ownerClass[64] = {};
    GetClassNameA(owner, ownerClass, sizeof ownerClass);
    EXPECT_STRNE("KESTRUMLAUNCHER", ownerClass);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == verup; }));
    RECT rect = {};
    GetWindowRect(verup, &rect);
    EXPECT_EQ(480, rect.right - rect.left);
    EXPECT_EQ(198, rect.bottom - rect.top);
    EXPECT_NEAR(GetSystemMetrics(SM_CXSCREEN) / 2, (rect.left + rect.right) / 2, 1);
    EXPECT_NEAR(GetSystemMetrics(SM_CYSCREEN) / 2, (rect.top + rect.bottom) / 2, 1);

    ASSERT_TRUE(PostMessageA(
        verup, WM_COMMAND, MAKEWPARAM(ui::SilentInstallWindowKey::kCloseButton.m_nId, 1), 0));
    ASSERT_TRUE(run.WaitForExit(60000)) << run.Log();
    EXPECT_EQ(0u, run.ExitCode());
    EXPECT_EQ(0u, RequestsOf(standIn, "/packages/"));
    const std::string log = run.Log();
    EXPECT_EQ(log.find("ShowMessageBox"), log.rfind("ShowMessageBox")) << log;
}

} // namespace
