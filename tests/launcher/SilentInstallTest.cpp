// The version-up window against the stand-in version-up service (tools/standin/services/
// versionup.py) and a stand-in updater window on a thread of the test, which records every
// install request and answers as the updater does. Stand-ins of the four programs lie
// beside the test program (the launcher's folder for the version check), at the versions
// below; the packages land in the Download folder of this program's private application
// folder. The main window is a hidden owner that records what it is posted.

#include "launcher/SilentInstallWindow.h"

#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemStaticImage.h"
#include "tests/launcher/LogUploadOwner.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/online/support/ConnectionInfoForTests.h"
#include "tests/online/support/StandIn.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const bool g_privateAppData = testsupport::UsePrivateAppData("launcher_silentinstall_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("launcher_silentinstall_test"));

using launchertest::COwnerWindow;
using launchertest::PumpFor;
using launchertest::PumpUntil;
using onlinetest::CAnswer;
using onlinetest::CStandIn;
using ui::CSilentInstallWindow;
namespace key = ui::SilentInstallWindowKey;

const UINT WM_LAUNCHER_CHILD_CLOSED = WM_APP + 6;
const UINT WM_LAUNCHER_VERUP_DONE = WM_APP + 8;
const UINT kNotifyError = lib::GetRegisteredMessage("QZLNotifyError");
const UINT kInstallNotify = lib::GetRegisteredMessage("InstallNotifyProgress");
const UINT kPellickProgress = lib::GetRegisteredMessage("PellickProgress");
const char kVersionPath[] = "/pcapp/GetLatestPCAplZoneAPI";
const char kPackageGate[] = "package";
// Long enough for any step of a loaded machine; the stand-in holds at most 60 s.
const DWORD kAnswerWaitMs = 60000;
const char kFinished[] = "ケストラムのバージョンアップが正常に完了しました。";
const char kCancelQuestion[] =
    "ケストラムのバージョンアップを中止します。\r\nバージョンアップが完了するまではケストラム"
    "をお使いになれませんのでご了承ください。\r\n中止してもよろしいですか？";

// ---- the updater's window, on a thread of its own ----

struct InstallRequest {
    uint32_t uKind;   // dwData
    uint32_t uSize;   // cbData
    std::string sBytes;
    int32_t APLType() const { return Field(0); }
    int32_t InstallType() const { return Field(4); }
    uint32_t ProgressWnd() const { return static_cast<uint32_t>(Field(8)); }
    uint32_t ProgressMsg() const { return static_cast<uint32_t>(Field(12)); }
    std::string Path() const { return sBytes.size() > 16 ? sBytes.c_str() + 16 : ""; }
    int32_t Field(size_t offset) const
    {
        int32_t value = 0;
        if (sBytes.size() >= offset + 4) std::memcpy(&value, sBytes.data() + offset, 4);
        return value;
    }
};

class CUpdaterStandIn {
public:
    CUpdaterStandIn()
    {
        m_oThread = std::thread([this] { _Run(); });
        while (m_hWnd == nullptr && !m_bFailed) Sleep(5);
    }
    ~CUpdaterStandIn()
    {
        PostThreadMessageA(m_dwThread, WM_QUIT, 0, 0);
        m_oThread.join();
    }
    HWND Window() const { return m_hWnd; }
    // A package of this program gets no end: it is still installing.
    void SetUnfinished(int32_t aplType) { m_iUnfinished = aplType; }
    std::vector<InstallRequest> Requests()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_vRequests;
    }

private:
    void _Run()
    {
        m_dwThread = GetCurrentThreadId();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &CUpdaterStandIn::_WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KESTRUMINSTALLER";
        RegisterClassA(&wc);
        HWND window = CreateWindowExA(0, wc.lpszClassName, "KestrumInstaller", WS_POPUP, 0, 0, 10,
                                      10, nullptr, nullptr, wc.hInstance, this);
        if (window == nullptr) {
            m_bFailed = true;
            return;
        }
        m_hWnd = window;
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
        DestroyWindow(window);
    }
    static LRESULT CALLBACK _WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<CUpdaterStandIn*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_COPYDATA && self != nullptr) {
            self->_OnCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
            return 1;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // As the updater: the request is taken at once, its progress follows, and its end is
    // posted (the launcher's own package ends nothing: the updater runs its setup and quits).
    void _OnCopyData(const COPYDATASTRUCT& data)
    {
        InstallRequest request;
        request.uKind = static_cast<uint32_t>(data.dwData);
        request.uSize = data.cbData;
        request.sBytes.assign(static_cast<const char*>(data.lpData), data.cbData);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_vRequests.push_back(request);
        }
        ReplyMessage(1);
        if (request.uKind != 0 || request.APLType() == 1 || request.APLType() == m_iUnfinished) {
            return;
        }
        HWND progress = reinterpret_cast<HWND>(static_cast<uintptr_t>(request.ProgressWnd()));
        const LPARAM type = static_cast<LPARAM>(request.APLType()) << 16;
        DWORD_PTR answer = 0;
        for (WPARAM code = 0; code < 4; ++code) {
            SendMessageTimeoutA(progress, request.ProgressMsg(), code, type, SMTO_BLOCK, 10000,
                                &answer);
        }
        PostMessageA(progress, request.ProgressMsg(), 4, type);
    }

    std::thread m_oThread;
    DWORD m_dwThread = 0;
    HWND m_hWnd = nullptr;
    bool m_bFailed = false;
    std::atomic<int32_t> m_iUnfinished{0};
    std::mutex m_mutex;
    std::vector<InstallRequest> m_vRequests;
};

// ---- what the service answers ----

// The versions of the stand-ins beside the test program, and newer ones.
struct ModuleVersions {
    const char* key;
    const char* package;
    const char* installed;
    const char* newer;
};
const ModuleVersions kModules[] = {
    {"LC", "LauncherSetup.exe", "4.1.17.0", "4.1.18"},
    {"DG", "Dapplegate.msi", "4.1.17.5", "4.1.18"},
    {"MD", "Mendrill.msi", "2.10.0.3", "2.10.1"},
    {"PM", "PellickManager.msi", "1.0.0.0", "1.0.1"},
};

// The newest versions: those of the modules in `newer` (module bits) are newer; every package
// is served with its size, except those named missing.
std::string Versions(uint32_t newer, uint64_t size = 3000, const std::string& missing = "")
{
    std::string modules;
    std::string packages;
    for (uint32_t i = 0; i < 4; ++i) {
        const ModuleVersions& m = kModules[i];
        const bool isNewer = (newer & (1u << i)) != 0;
        if (!modules.empty()) modules += ", ";
        modules += std::string("\"") + m.key + "\": {\"version\": \"" +
                   (isNewer ? m.newer : m.installed) + "\", \"package\": \"" + m.package + "\"}";
        if (missing == m.package) continue;
        if (!packages.empty()) packages += ", ";
        packages += std::string("\"") + m.package + "\": " + std::to_string(size);
    }
    return "{\"versionup\": {\"ret\": 0, \"modules\": {" + modules + "}}, \"packages\": {" +
           packages + "}}";
}

std::string DownloadPath(const char* package) { return lib::GetDownloadFolder() + package; }

// ---- IsNetworkAlive as the window finds it ----

void* g_pRealGetProcAddress = nullptr;

BOOL WINAPI NetworkDown(LPDWORD) { return FALSE; }

FARPROC WINAPI GetProcAddressNetworkDown(HMODULE module, LPCSTR name)
{
    if (reinterpret_cast<uintptr_t>(name) > 0xFFFF && std::strcmp(name, "IsNetworkAlive") == 0) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&NetworkDown));
    }
    return reinterpret_cast<decltype(&GetProcAddress)>(g_pRealGetProcAddress)(module, name);
}

class SilentInstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_privateAppData);
        ASSERT_TRUE(m_oStandIn.IsRunning());
        static const bool pointed = onlinetest::WriteConnectionInfo(m_oStandIn.BaseUrl());
        ASSERT_TRUE(pointed);
        ASSERT_NE(nullptr, m_oOwner.Window());
        ASSERT_NE(nullptr, m_oUpdater.Window());
        for (const ModuleVersions& m : kModules) DeleteFileA(DownloadPath(m.package).c_str());
    }
    void TearDown() override
    {
        m_oStandIn.Reset();
        m_pWindow.reset();
        EXPECT_TRUE(m_oErrors.Messages().empty());
    }

    // Creates the window and waits for the version check: true when it showed itself.
    bool StartAndCheck(const std::string& versions)
    {
        EXPECT_TRUE(m_oStandIn.SetVars(versions));
        m_pWindow.reset(new CSilentInstallWindow(m_oOwner.Window()));
        EXPECT_TRUE(m_pWindow->Create());
        bool shown = false;
        PumpUntil([&] {
            shown = shown || IsWindowVisible(m_pWindow->GetHwnd()) != FALSE;
            return shown || !m_pWindow->IsWindow();
        });
        return shown;
    }
    // Shown with the mask, then the updater's go-ahead as the main window passes it on.
    void StartVersionUp(const std::string& versions, uint32_t mask)
    {
        ASSERT_TRUE(StartAndCheck(versions));
        ASSERT_EQ(mask, m_pWindow->GetUpdateMask());
        EXPECT_EQ(CSilentInstallWindow::BUTTON_START, m_pWindow->GetButtonState());
        EXPECT_EQ("開始", m_pWindow->GetCancelButton()->GetText());
        m_pWindow->_OnVerUpStart();
        EXPECT_EQ("キャンセル", m_pWindow->GetCancelButton()->GetText());
    }
    // The version-up of the mask with its first package (module 4, 8 MB) held at the stand-in
    // after its first megabyte: begun, its share shown, and not ending before the release.
    void StartHeldDownload(uint32_t mask)
    {
        ASSERT_TRUE(m_oStandIn.Queue("/packages/PellickManager.msi",
                                     CAnswer().Service().StallUntil(1000000, kPackageGate)));
        StartVersionUp(Versions(mask, 8000000), mask);
        ASSERT_TRUE(PumpUntil([&] { return m_pWindow->GetTimeItem()->GetText() != "0%"; },
                              kAnswerWaitMs));
    }
    // The question is answered only once the held package has been let go and every one of
    // the `packages` has come in, all while it stands; what went to the updater meanwhile
    // is counted.
    void PressWhenDownloaded(launchertest::CBoxPresser& press, uint32_t packages, size_t before,
                             size_t& handedWhileAsked)
    {
        press.PressWhen([this, packages, before, &handedWhileAsked, released = false]() mutable {
            released = released || m_oStandIn.Release(kPackageGate);
            if (m_pWindow->GetDownloadsCompleted() < packages) return false;
            handedWhileAsked = m_oUpdater.Requests().size() - before;
            return true;
        });
    }
    bool WaitRequests(size_t count)
    {
        return PumpUntil([&] { return m_oUpdater.Requests().size() >= count; }, 20000);
    }
    bool WaitState(int32_t state)
    {
        return PumpUntil([&] { return m_pWindow->GetButtonState() == state; }, 20000);
    }
    bool WaitClosed()
    {
        // A stop may wait 25 s for each download worker.
        const bool closed = PumpUntil([&] { return !m_pWindow->IsWindow(); }, 90000);
        testsupport::DispatchQueued();
        return closed;
    }
    void Press(const ui::SkinItemKey& button)
    {
        m_pWindow->PostMessage(WM_COMMAND, MAKEWPARAM(button.m_nId, 1), 0);
    }
    // The packages the window asked for, in order.
    std::vector<std::string> PackageRequests() const
    {
        std::vector<std::string> names;
        for (const onlinetest::RecordedRequest& r : m_oStandIn.Requests()) {
            if (r.sPath.compare(0, 10, "/packages/") == 0) names.push_back(r.sPath.substr(10));
        }
        return names;
    }
    void ExpectInstallRequest(const InstallRequest& r, int32_t aplType, int32_t installType,
                              const char* package)
    {
        SCOPED_TRACE(package);
        EXPECT_EQ(0u, r.uKind);
        EXPECT_EQ(277u, r.uSize);
        ASSERT_EQ(277u, r.sBytes.size());
        EXPECT_EQ(0, r.sBytes[276]);
        EXPECT_EQ(aplType, r.APLType());
        EXPECT_EQ(installType, r.InstallType());
        EXPECT_EQ(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_pWindow->GetHwnd())),
                  r.ProgressWnd());
        EXPECT_EQ(kInstallNotify, r.ProgressMsg());
        EXPECT_EQ(DownloadPath(package), r.Path());
        EXPECT_EQ(std::string(r.sBytes.size() - 16 - r.Path().size(), '\0'),
                  r.sBytes.substr(16 + r.Path().size()));
    }

    skintest::CSkinErrorCollector m_oErrors;
    CStandIn m_oStandIn;
    COwnerWindow m_oOwner;
    CUpdaterStandIn m_oUpdater;
    std::unique_ptr<CSilentInstallWindow> m_pWindow;
};

TEST_F(SilentInstallTest, NothingNewerOrAFailedCheckClosesUnseen)
{
    const struct {
        const char* name;
        const char* reply; // null: the service's own answer
        uint32_t notice;   // forwarded "QZLNotifyError", 0 for none
    } kCases[] = {
        {"nothing newer", nullptr, 0},
        {"server error", "RET=3", VERUP_NOTICE_SERVER | 3},
        {"transport error", "", 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_oStandIn.Reset());
        if (c.reply != nullptr) {
            CAnswer answer = *c.reply != '\0' ? CAnswer().Text(c.reply) : CAnswer().Status(503);
            ASSERT_TRUE(m_oStandIn.Queue(kVersionPath, answer));
        }
        m_oOwner.Clear();
        EXPECT_FALSE(StartAndCheck(Versions(0)));
        ASSERT_TRUE(WaitClosed());
        EXPECT_EQ(1u, m_oOwner.Count(WM_LAUNCHER_VERUP_DONE));
        EXPECT_EQ(std::vector<uint32_t>{4}, m_oOwner.WParams(WM_LAUNCHER_CHILD_CLOSED));
        if (c.notice != 0) {
            EXPECT_EQ(std::vector<uint32_t>{c.notice}, m_oOwner.WParams(kNotifyError));
        } else if (c.reply == nullptr) {
            EXPECT_EQ(0u, m_oOwner.Count(kNotifyError));
        } else {
            EXPECT_EQ(1u, m_oOwner.Count(kNotifyError));
        }
        EXPECT_TRUE(m_oUpdater.Requests().empty());
    }
}

TEST_F(SilentInstallTest, TwoSiblingsDownloadAndInstallInTurnThenFinish)
{
    StartVersionUp(Versions(0x8 | 0x2), 0x8 | 0x2);
    ASSERT_TRUE(WaitState(CSilentInstallWindow::BUTTON_FINISHED));
    EXPECT_EQ((std::vector<std::string>{"PellickManager.msi", "Dapplegate.msi"}),
              PackageRequests());
    const std::vector<InstallRequest> requests = m_oUpdater.Requests();
    ASSERT_EQ(2u, requests.size());
    ExpectInstallRequest(requests[0], 4, 2, "PellickManager.msi");
    ExpectInstallRequest(requests[1], 2, 2, "Dapplegate.msi");
    EXPECT_EQ("完了", m_pWindow->GetCancelButton()->GetText());
    EXPECT_EQ(kFinished, m_pWindow->GetMessageItem()->GetText());
    EXPECT_EQ(100u, m_pWindow->GetShownPercent());
    EXPECT_EQ("100%", m_pWindow->GetTimeItem()->GetText());
    EXPECT_EQ(0u, m_oOwner.Count(WM_LAUNCHER_CHILD_CLOSED));

    // "完了": nothing was handed over that ends the launcher.
    Press(key::kCancelButton);
    ASSERT_TRUE(WaitClosed());
    EXPECT_GE(m_oOwner.Count(WM_LAUNCHER_VERUP_DONE), 1u);
    for (uint32_t code : m_oOwner.WParams(WM_LAUNCHER_CHILD_CLOSED)) EXPECT_EQ(4u, code);
    EXPECT_EQ(2u, m_oUpdater.Requests().size());
}

TEST_F(SilentInstallTest, AMissingSiblingIsInstalledAfresh)
{
    const std::string program = testsupport::ProgramFolder() + "Mendrill.exe";
    const std::string away = program + ".away";
    ASSERT_TRUE(MoveFileA(program.c_str(), away.c_str()));
    StartVersionUp(Versions(0), 0x4 | 0x4000);
    const bool finished = WaitState(CSilentInstallWindow::BUTTON_FINISHED);
    MoveFileA(away.c_str(), program.c_str());
    ASSERT_TRUE(finished);
    const std::vector<InstallRequest> requests = m_oUpdater.Requests();
    ASSERT_EQ(1u, requests.size());
    ExpectInstallRequest(requests[0], 3, 1, "Mendrill.msi");
}

TEST_F(SilentInstallTest, TheLauncherAloneIsHandedOverWithoutAClick)
{
    StartVersionUp(Versions(0x1), 0x1);
    ASSERT_TRUE(WaitRequests(1));
    PumpFor(100);
    const std::vector<InstallRequest> requests = m_oUpdater.Requests();
    ASSERT_EQ(1u, requests.size());
    ExpectInstallRequest(requests[0], 1, 2, "LauncherSetup.exe");
    EXPECT_EQ(std::vector<uint32_t>{8}, m_oOwner.WParams(WM_LAUNCHER_CHILD_CLOSED));

    // A stray end (any process can post it) finds no package of this window installing.
    const uint32_t shown = m_pWindow->GetShownPercent();
    m_pWindow->PostMessage(kInstallNotify, 4, 1 << 16);
    PumpFor(100);
    EXPECT_EQ(0u, m_pWindow->GetInstallsCompleted());
    EXPECT_EQ(shown, m_pWindow->GetShownPercent());
    EXPECT_EQ(1u, m_oUpdater.Requests().size());
}

TEST_F(SilentInstallTest, TheLauncherWaitsForNextAfterItsSibling)
{
    StartVersionUp(Versions(0x1 | 0x8), 0x1 | 0x8);
    ASSERT_TRUE(WaitState(CSilentInstallWindow::BUTTON_NEXT));
    EXPECT_EQ((std::vector<std::string>{"PellickManager.msi", "LauncherSetup.exe"}),
              PackageRequests());
    EXPECT_EQ("次へ＞＞", m_pWindow->GetCancelButton()->GetText());
    EXPECT_EQ("「次へ」を押してバージョンアップを完了してください。",
              m_pWindow->GetMessageItem()->GetText());
    ASSERT_EQ(1u, m_oUpdater.Requests().size());
    EXPECT_EQ(0u, m_oOwner.Count(WM_LAUNCHER_CHILD_CLOSED));

    Press(key::kCancelButton);
    ASSERT_TRUE(WaitRequests(2));
    PumpFor(50);
    ExpectInstallRequest(m_oUpdater.Requests()[1], 1, 2, "LauncherSetup.exe");
    EXPECT_EQ(std::vector<uint32_t>{8}, m_oOwner.WParams(WM_LAUNCHER_CHILD_CLOSED));
}

TEST_F(SilentInstallTest, AFailedDownloadTellsTheUserAndClosesTheLauncher)
{
    launchertest::CBoxPresser press("インストールができませんでした。\r\n再度バージョンアップを"
                                    "行うために、ケストラムを再起動してください。",
                                    IDOK, 20000);
    StartVersionUp(Versions(0x8 | 0x2, 3000, "PellickManager.msi"), 0x8 | 0x2);
    ASSERT_TRUE(WaitClosed());
    EXPECT_TRUE(press.Pressed());
    EXPECT_EQ(static_cast<uint32_t>(MB_OK | MB_ICONWARNING), press.Box().uStyle);
    EXPECT_EQ((std::vector<std::string>{"PellickManager.msi"}), PackageRequests());
    EXPECT_TRUE(m_oUpdater.Requests().empty());
    const std::vector<uint32_t> codes = m_oOwner.WParams(WM_LAUNCHER_CHILD_CLOSED);
    ASSERT_FALSE(codes.empty());
    for (uint32_t code : codes) EXPECT_EQ(8u, code);
    EXPECT_EQ(0u, m_oOwner.Count(WM_LAUNCHER_VERUP_DONE));
}

// How the cancel question meets the downloads: asked while the first package is held part-way
// at the stand-in, or held until every package has come in while the question stands.
enum class CancelMoment { WhileInstalling, WhileDownloading, DownloadsEndWhileAsked };

TEST_F(SilentInstallTest, CancelAskedAndConfirmed)
{
    const struct {
        const char* name;
        CancelMoment moment;
    } kCases[] = {
        {"while module 2 installs", CancelMoment::WhileInstalling},
        {"while downloading", CancelMoment::WhileDownloading},
        {"the downloads end while it is asked", CancelMoment::DownloadsEndWhileAsked},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_oStandIn.Reset());
        m_oOwner.Clear();
        m_oUpdater.SetUnfinished(c.moment == CancelMoment::WhileInstalling ? 2 : 0);
        const size_t before = m_oUpdater.Requests().size();
        if (c.moment == CancelMoment::WhileInstalling) {
            StartVersionUp(Versions(0x8 | 0x2), 0x8 | 0x2);
            ASSERT_TRUE(WaitRequests(before + 2));
            EXPECT_EQ(2u, m_pWindow->GetInstallIndex());
        } else {
            StartHeldDownload(0x8 | 0x2);
        }
        {
            launchertest::CBoxPresser press(kCancelQuestion, IDOK, kAnswerWaitMs);
            size_t handedWhileAsked = 0;
            if (c.moment == CancelMoment::DownloadsEndWhileAsked) {
                PressWhenDownloaded(press, 2, before, handedWhileAsked);
            } else if (c.moment == CancelMoment::WhileDownloading) {
                // The package goes on as the answer is given: under Wine a stopped download's
                // read returns only once its whole chunk has come (tools/README.md), so a
                // body held through the stop would keep it waiting its full 25 s.
                press.PressWhen([this] { return m_oStandIn.Release(kPackageGate); });
            }
            Press(key::kCancelButton);
            ASSERT_TRUE(WaitClosed());
            EXPECT_TRUE(press.Pressed());
            EXPECT_EQ(static_cast<uint32_t>(MB_OKCANCEL), press.Box().uStyle);
            EXPECT_EQ(0u, handedWhileAsked) << "a package went to the updater meanwhile";
        }
        const std::vector<InstallRequest> requests = m_oUpdater.Requests();
        if (c.moment == CancelMoment::WhileInstalling) {
            ASSERT_EQ(before + 3, requests.size());
            const InstallRequest& cancel = requests.back();
            EXPECT_EQ(1u, cancel.uKind);
            EXPECT_EQ(277u, cancel.uSize);
            EXPECT_EQ(2, cancel.APLType());
            EXPECT_EQ(DownloadPath("Dapplegate.msi"), cancel.Path());
        } else {
            // Nothing was handed over, so nothing installs after the user's OK.
            EXPECT_EQ(before, requests.size());
        }
        const std::vector<uint32_t> codes = m_oOwner.WParams(WM_LAUNCHER_CHILD_CLOSED);
        ASSERT_FALSE(codes.empty());
        for (uint32_t code : codes) EXPECT_EQ(8u, code);
        EXPECT_EQ(0u, m_oOwner.Count(WM_LAUNCHER_VERUP_DONE));
    }
}

TEST_F(SilentInstallTest, CancelAskedAndRefusedGoesOnWhereItStands)
{
    const struct {
        const char* name;
        CancelMoment moment;
    } kCases[] = {
        {"while downloading", CancelMoment::WhileDownloading},
        {"the download ends while it is asked", CancelMoment::DownloadsEndWhileAsked},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_oStandIn.Reset());
        m_oOwner.Clear();
        const size_t before = m_oUpdater.Requests().size();
        StartHeldDownload(0x8);
        {
            launchertest::CBoxPresser press(kCancelQuestion, IDCANCEL, kAnswerWaitMs);
            size_t handedWhileAsked = 0;
            if (c.moment == CancelMoment::DownloadsEndWhileAsked) {
                PressWhenDownloaded(press, 1, before, handedWhileAsked);
            }
            Press(key::kCancelButton);
            ASSERT_TRUE(PumpUntil([&] { return press.Pressed(); }, kAnswerWaitMs));
            EXPECT_EQ(0u, handedWhileAsked) << "a package went to the updater meanwhile";
        }
        // The box's loop has returned: what the answer did, it did synchronously.
        EXPECT_TRUE(m_pWindow->IsWindow());
        EXPECT_EQ(CSilentInstallWindow::BUTTON_RUNNING, m_pWindow->GetButtonState());
        EXPECT_EQ(0u, m_oOwner.Count(WM_LAUNCHER_CHILD_CLOSED));
        EXPECT_EQ(0u, m_oOwner.Count(WM_LAUNCHER_VERUP_DONE));
        // The version-up goes on from where it stood, to its install.
        ASSERT_TRUE(m_oStandIn.Release(kPackageGate));
        ASSERT_TRUE(WaitState(CSilentInstallWindow::BUTTON_FINISHED));
        const std::vector<InstallRequest> requests = m_oUpdater.Requests();
        ASSERT_EQ(before + 1, requests.size());
        ExpectInstallRequest(requests.back(), 4, 2, "PellickManager.msi");
        m_pWindow.reset();
    }
}

TEST_F(SilentInstallTest, ProgressStaysInRangeAndEachPackageCompletesOnce)
{
    const struct {
        const char* name;
        uint64_t size;
        bool noLength;
        uint32_t mask;
    } kCases[] = {
        {"a 50 MB package", 50000000, false, 0x8},
        {"no Content-Length", 300000, true, 0x8 | 0x2},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_oStandIn.Reset());
        const size_t before = m_oUpdater.Requests().size();
        if (c.noLength) {
            ASSERT_TRUE(m_oStandIn.Queue("/packages/PellickManager.msi",
                                         CAnswer().Service().NoLength().Trickle(65536, 10)));
        }
        StartVersionUp(Versions(c.mask, c.size), c.mask);
        const uint32_t packages = c.mask == 0x8 ? 1 : 2;
        // While the first package downloads, its bar only grows and stays on the track.
        int32_t width = 0;
        bool shrank = false;
        bool beyond = false;
        ASSERT_TRUE(PumpUntil([&] {
            const int32_t now = m_pWindow->GetBarItem()->GetSize().cx;
            if (m_pWindow->GetDownloadsCompleted() == 0) {
                shrank = shrank || now < width;
                width = now;
            }
            beyond = beyond || now > 280 || m_pWindow->GetShownPercent() > 100;
            return m_pWindow->GetButtonState() == CSilentInstallWindow::BUTTON_FINISHED;
        }, 60000));
        EXPECT_FALSE(shrank);
        EXPECT_FALSE(beyond);
        EXPECT_EQ(packages, m_pWindow->GetDownloadsCompleted());
        const std::vector<InstallRequest> requests = m_oUpdater.Requests();
        ASSERT_EQ(before + packages, requests.size());
        ExpectInstallRequest(requests[before], 4, 2, "PellickManager.msi");
        if (packages == 2) ExpectInstallRequest(requests[before + 1], 2, 2, "Dapplegate.msi");

        // Late, repeated or empty progress changes nothing.
        const LPARAM size = static_cast<LPARAM>(c.size);
        m_pWindow->PostMessage(kPellickProgress, static_cast<WPARAM>(size), size);
        m_pWindow->PostMessage(kPellickProgress, 0, size);
        PumpFor(100);
        EXPECT_EQ(packages, m_pWindow->GetDownloadsCompleted());
        EXPECT_EQ(100u, m_pWindow->GetShownPercent());
        EXPECT_EQ(before + packages, m_oUpdater.Requests().size());
        m_pWindow.reset();
    }
}

TEST_F(SilentInstallTest, TheDownloadTimerWaitsForTheNetwork)
{
    const struct {
        const char* name;
        bool alive;
    } kCases[] = {
        {"network alive", true},
        {"network down", false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_oStandIn.Reset());
        ASSERT_TRUE(m_oStandIn.Queue("/packages/PellickManager.msi",
                                     CAnswer().Service().Hold("held")));
        std::unique_ptr<testsupport::CImportPatch> patch;
        if (!c.alive) {
            patch.reset(new testsupport::CImportPatch("kernel32.dll", "GetProcAddress",
                                                      reinterpret_cast<void*>(
                                                          &GetProcAddressNetworkDown)));
            ASSERT_TRUE(patch->Patched());
            g_pRealGetProcAddress = patch->Original();
        }
        StartVersionUp(Versions(0x8), 0x8);
        for (int i = 0; i < 20; ++i) {
            m_pWindow->PostMessage(WM_TIMER, CSilentInstallWindow::kDownloadTimer, 0);
        }
        PumpFor(200);
        if (c.alive) {
            EXPECT_GE(m_pWindow->GetShownPercent(), 20u);
            EXPECT_LE(m_pWindow->GetShownPercent(), 95u);
        } else {
            EXPECT_EQ(0u, m_pWindow->GetShownPercent());
        }
        ASSERT_TRUE(m_oStandIn.Release("held"));
        ASSERT_TRUE(WaitState(CSilentInstallWindow::BUTTON_FINISHED));
        m_pWindow.reset();
    }
}

} // namespace
