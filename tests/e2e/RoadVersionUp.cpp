// Road "version-up": the service announces a newer version of all four programs while the
// product folder holds older ones. The user presses "開始" in the version-up window: the
// launcher starts the real updater, downloads the four packages (the launcher's own last),
// the updater installs the three sibling packages through Windows Installer, and "次へ＞＞"
// hands over the launcher's setup, which the updater runs silently before the launcher ends.

#include "launcher/SilentInstallWindow.h"
#include "skin/MessageBoxWindow.h"
#include "lib/Path.h"
#include "tests/e2e/RoadSteps.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/RecordFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <msi.h>

#include <string>
#include <vector>

namespace {

using onlinetest::CAnswer;
using roadtest::Shot;

const char kRoad[] = "version_up";
const char kTitle[] = "バージョンアップ";
const char kUpdaterClass[] = "KESTRUMINSTALLER";
const char kUpdaterTitle[] = "KestrumInstaller";
const DWORD kInstallWaitMs = 120000;
const char kCancelQuestion[] =
    "ケストラムのバージョンアップを中止します。\r\nバージョンアップが完了するまではケストラムを"
    "お使いになれませんのでご了承ください。\r\n中止してもよろしいですか？";

// The packages the service offers, in the order the launcher fetches them (its own last),
// with the test files served for them, the products they reinstall and the older packages
// that installed those products' versions beside the launcher. Dapplegate's, installed
// last, is a newer version of its product.
const struct {
    const char* module;
    const char* version;
    const char* name;
    const char* source;    // below the tests' folder
    const char* installed; // the older package, below the tests' folder; null for the setup
    const char* product;
    int aplType;
} kPackages[] = {
    {"PM", "1.0.1", "VerUp_Pellick.msi", "updater_packages\\Sibling3.msi",
     "updater_packages\\Sibling3.msi", "{C4B81E06-92A7-4C3D-B1F5-8E2A7D60C913}", 4},
    {"MD", "2.10.1", "VerUp_Mendrill.msi", "updater_packages\\Sibling2.msi",
     "updater_packages\\Sibling2.msi", "{7A2E9C41-1D3B-4F6A-8E52-6B0D3C9F2A84}", 3},
    {"DG", "4.1.18", "VerUp_Dapplegate.msi", "updater_packages\\Sibling1v2.msi",
     "updater_packages\\Sibling1.msi", "{3F1C7A20-5B8E-4D21-9A37-0C6E2B7D4F10}", 2},
    {"LC", "4.1.18", "VerUp_Setup.exe", "updater_setup_standin.exe", nullptr, nullptr, 1},
};
const char kDapplegateProduct[] = "{3F1C7A20-5B8E-4D21-9A37-0C6E2B7D4F10}";

std::string ProductVersion(const char* product)
{
    char version[64] = {};
    DWORD size = sizeof version;
    if (MsiGetProductInfoA(product, INSTALLPROPERTY_VERSIONSTRING, version, &size) !=
        ERROR_SUCCESS) {
        return std::string();
    }
    return version;
}

void UninstallAll()
{
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    for (const auto& package : kPackages) {
        if (package.product != nullptr &&
            MsiQueryProductStateA(package.product) == INSTALLSTATE_DEFAULT) {
            MsiConfigureProductA(package.product, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT);
        }
    }
}

std::string Versions()
{
    std::string modules;
    for (const auto& package : kPackages) {
        if (!modules.empty()) modules += ", ";
        modules += std::string("\"") + package.module + "\": {\"version\": \"" + package.version +
                   "\", \"package\": \"" + package.name + "\"}";
    }
    return "{\"versionup\": {\"ret\": 0, \"modules\": {" + modules +
           "}}, \"log_upload_wanted\": []}";
}

// The updater's log from where it stood when the object was made.
class CUpdaterLog {
public:
    CUpdaterLog() : m_uStart(launchertest::FileLength(Path())) {}
    static std::string Path()
    {
        return launchertest::UserProductFolder() + "Log\\Kestrum4Update_sys.log";
    }
    std::string Text() const { return testsupport::ReadFileBytes(Path(), m_uStart); }

private:
    size_t m_uStart;
};

std::string RequestLine(int aplType, const std::string& package)
{
    return "OnCopyData  APLType:" + std::to_string(aplType) + "  InstallType:2  PathPackage:" +
           launchertest::UserProductFolder() + "Download\\" + package;
}

TEST(VersionUpRoad, FourPackagesDownloadLauncherLastThreeInstallAndTheSetupEndsTheLauncher)
{
    UninstallAll();
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    for (const auto& package : kPackages) {
        if (package.installed == nullptr) continue;
        ASSERT_EQ(MsiInstallProductA((launchertest::TestsFolder() + package.installed).c_str(),
                                     nullptr),
                  static_cast<UINT>(ERROR_SUCCESS))
            << package.installed;
    }
    ASSERT_EQ(ProductVersion(kDapplegateProduct), "1.0.0");
    roadsteps::CRoadLauncher launcher(kRoad);
    ASSERT_TRUE(launcher.IsReady());
    ASSERT_TRUE(launcher.StandIn().SetVars(Versions()));
    for (const auto& package : kPackages) {
        const std::string source = launchertest::TestsFolder() + package.source;
        ASSERT_TRUE(lib::FileExists(source)) << source;
        ASSERT_TRUE(launcher.StandIn().Queue(std::string("/packages/") + package.name,
                                             CAnswer().BodyFile(source)));
    }
    const launchertest::CProgramSwap updater(
        "Kestrum4Update.exe", launchertest::TestsFolder() + "..\\updater\\Kestrum4Update.exe");
    ASSERT_TRUE(updater.Swapped());
    ASSERT_EQ(FindWindowA(kUpdaterClass, kUpdaterTitle), nullptr) << "another updater";
    const CUpdaterLog log;

    ASSERT_TRUE(launcher.Start(""));
    const HWND window = launcher.WaitForWindow(kTitle);
    ASSERT_NE(window, nullptr) << launcher.Run().Log();
    Shot(kRoad, "found", "window", window);
    roadsteps::ClickItem(window, ui::SilentInstallWindowKey::kCancelButton.m_nId);

    // The sibling packages go one after another, each once the one before has ended; the
    // last brings its product's newer version.
    for (const auto& package : kPackages) {
        if (package.product == nullptr) continue;
        SCOPED_TRACE(package.name);
        const std::string request = RequestLine(package.aplType, package.name);
        EXPECT_TRUE(roadsteps::WaitUntil(
            [&] { return log.Text().find(request) != std::string::npos; }, kInstallWaitMs))
            << log.Text();
        if (package.aplType == 4) Shot(kRoad, "installing", "window", window);
    }
    EXPECT_TRUE(roadsteps::WaitUntil([] { return ProductVersion(kDapplegateProduct) == "1.0.1"; },
                                     kInstallWaitMs));
    for (const auto& package : kPackages) {
        if (package.product != nullptr) {
            EXPECT_EQ(MsiQueryProductStateA(package.product), INSTALLSTATE_DEFAULT)
                << package.name;
        }
    }
    std::vector<std::string> downloads;
    for (const onlinetest::RecordedRequest& request : launcher.StandIn().Requests()) {
        if (request.sPath.compare(0, 10, "/packages/") == 0) {
            downloads.push_back(request.sPath.substr(10));
        }
    }
    std::vector<std::string> expected;
    for (const auto& package : kPackages) expected.push_back(package.name);
    EXPECT_EQ(downloads, expected);

    // "次へ＞＞" stands once the last sibling package's end has reached the window. Pressed
    // before, the same button cancels: its question is answered Cancel, which changes
    // nothing, and the press is tried again, until one hands the launcher's setup over.
    const std::string setupRequest = RequestLine(1, "VerUp_Setup.exe");
    const DWORD launcherProcess = launcher.Run().ProcessId();
    bool next = false;
    for (const DWORD begin = GetTickCount(); !next && GetTickCount() - begin < kInstallWaitMs;) {
        Shot(kRoad, "next", "window", window);
        roadsteps::ClickItem(window, ui::SilentInstallWindowKey::kCancelButton.m_nId);
        HWND box = nullptr;
        ASSERT_TRUE(roadsteps::WaitUntil(
            [&] {
                next = log.Text().find(setupRequest) != std::string::npos || !IsWindow(window);
                box = next ? nullptr : roadsteps::FindBoxOf(launcherProcess, window);
                return next || box != nullptr;
            },
            roadsteps::kBoxWaitMs))
            << "neither the question nor the setup came";
        if (next) break;
        EXPECT_EQ(launcher.Run().WaitForBox(kCancelQuestion, roadsteps::kBoxWaitMs).hBox, box);
        roadsteps::ClickItem(box, ui::MessageBoxWindowKey::kCancelButton.m_nId);
        ASSERT_TRUE(roadsteps::WaitForGone(box));
    }
    EXPECT_TRUE(next);
    const std::string record =
        launchertest::UserProductFolder() + "Download\\VerUp_Setup.exe.args";
    EXPECT_TRUE(roadsteps::WaitUntil([&] { return lib::FileExists(record); }, kInstallWaitMs))
        << log.Text();
    EXPECT_TRUE(launcher.Run().WaitForExit(roadsteps::kShowWaitMs))
        << "the launcher closes for its setup";
    EXPECT_TRUE(
        roadsteps::WaitUntil([] { return FindWindowA(kUpdaterClass, kUpdaterTitle) == nullptr; }));
    EXPECT_EQ(testsupport::ReadFileBytes(record), "/S /v/passive");
    EXPECT_NE(log.Text().find(setupRequest), std::string::npos) << log.Text();
    UninstallAll();
}

} // namespace
