// Road "drop archive": on Windows XP, with the map web service's drop window switched on, the
// user presses the web-drive button: the service's page opens in the browser and the drop
// window shows. The user drags the downloaded "WEBDMDATA.ZIP" from a small program of this
// road onto it (OLE drag and drop, the pointer moved by SendInput): the archive is unpacked
// onto the card, the launcher's close button is disabled until the user has read the done
// text. On the default (administrator, Vista-or-later) version the same button refuses the
// drop window with its text.

#include "launcher/LaunchWindow.h"
#include "lib/Handle.h"
#include "lib/wfc/WfcRuntime.h"
#include "tests/carddata/ZipTestArchive.h"
#include "tests/e2e/RoadSteps.h"
#include "tests/e2e/support/Road.h"
#include "tests/launcher/support/BrowserRecord.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/support/FakeDataObject.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using roadtest::Shot;

const char kRoad[] = "drop_archive";
const char kCard = 'D';
const char kDone[] = "SDカードへのお出かけフォルダデータの転送が完了しました。";
const char kAdministrator[] =
    "ケストラムが管理者権限で実行されているため、ドロップウィンドウを使用できません。\r\n"
    "ケストラムを再起動してください。\r\n"
    "再起動しても解決しない場合はWindowsの特権レベル設定を見直してください。";
const char kDropTitle[] = "DropWindow";
const DWORD kDragBoundMs = 60000;

// The data object of the drag: the archive's path as CF_HDROP. Its memory goes to the
// receiver whole (released with the medium), since the drop target is in another process.
class CArchiveData : public testsupport::CFakeDataObject {
public:
    explicit CArchiveData(const std::string& path)
    {
        m_block = testsupport::MakeBlock(testsupport::kDropFilesHeader, false,
                                         testsupport::Ansi(path + std::string("\0\0", 2)));
    }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) {
            return DV_E_FORMATETC;
        }
        HGLOBAL global = ::GlobalAlloc(GMEM_MOVEABLE, m_block.size());
        std::memcpy(::GlobalLock(global), m_block.data(), m_block.size());
        ::GlobalUnlock(global);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = global;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        return format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) ? S_OK
                                                                                : DV_E_FORMATETC;
    }
};

// The drag's source: drops when the left button is released, gives up after the bound. The
// button is asked of the input state, not of the key state OLE passes: that follows this
// thread's messages, and the release goes to the window under the pointer when this program
// is not in front (Wine's capture). It tells the hand moving the pointer when the drag has
// begun and when a target has taken it.
class CDragSource : public IDropSource {
public:
    CDragSource() : m_hStarted(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
                    m_hTaken(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override
    {
        SetEvent(m_hStarted.Get());
        if (escape || GetTickCount() - m_dwStart > kDragBoundMs) return DRAGDROP_S_CANCEL;
        return (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0 ? S_OK : DRAGDROP_S_DROP;
    }
    // The effect the target under the pointer answered.
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override
    {
        if ((effect & DROPEFFECT_COPY) != 0) SetEvent(m_hTaken.Get());
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }

    HANDLE Started() const { return m_hStarted.Get(); }
    HANDLE Taken() const { return m_hTaken.Get(); }

private:
    const DWORD m_dwStart = GetTickCount();
    lib::CHandle m_hStarted;
    lib::CHandle m_hTaken;
};

void SendMouse(DWORD flags, POINT at = {0, 0})
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_MOVE) {
        input.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE;
        input.mi.dx = at.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = at.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    SendInput(1, &input, sizeof input);
}

POINT CentreOf(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// Drags the file from a small window of this program onto the target's centre and lets go
// there: the pointer's press, moves and release come from SendInput while this thread runs
// the OLE drag; the hand moves once the drag has begun and lets go once the target has taken
// it. The drag's effect, DROPEFFECT_NONE when nothing took it.
DWORD DragFileOnto(const std::string& path, HWND target)
{
    OleInitialize(nullptr);
    const HWND source = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "drag source",
                                        WS_POPUP | WS_VISIBLE, 0, 0, 60, 60, nullptr, nullptr,
                                        nullptr, nullptr);
    const POINT from = CentreOf(source);
    const POINT to = CentreOf(target);
    SendMouse(MOUSEEVENTF_MOVE, from);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    testsupport::DispatchQueued();
    // The drag begins with the button down, or drops at once.
    for (const DWORD start = GetTickCount();
         (GetAsyncKeyState(VK_LBUTTON) & 0x8000) == 0 && GetTickCount() - start < kDragBoundMs;
         Sleep(20)) {
    }
    CDragSource dragSource;
    std::thread hand([from, to, &dragSource] {
        WaitForSingleObject(dragSource.Started(), kDragBoundMs);
        for (int step = 1; step <= 10; ++step) {
            SendMouse(MOUSEEVENTF_MOVE, POINT{from.x + (to.x - from.x) * step / 10,
                                              from.y + (to.y - from.y) * step / 10});
            Sleep(60);
        }
        // Moves over the target until it answers that it takes the drag.
        for (const DWORD start = GetTickCount();
             WaitForSingleObject(dragSource.Taken(), 200) != WAIT_OBJECT_0 &&
             GetTickCount() - start < kDragBoundMs;) {
            SendMouse(MOUSEEVENTF_MOVE, POINT{to.x + 1, to.y});
            SendMouse(MOUSEEVENTF_MOVE, to);
        }
        SendMouse(MOUSEEVENTF_LEFTUP);
    });
    CArchiveData data(path);
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = DoDragDrop(&data, &dragSource, DROPEFFECT_COPY, &effect);
    hand.join();
    DestroyWindow(source);
    OleUninitialize();
    return result == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}

// A click of the pointer on the main window's close button (the skin's 28 x 24 button at
// 586, 4).
void ClickCloseButton(HWND main)
{
    RECT rect = {};
    GetWindowRect(main, &rect);
    SendMouse(MOUSEEVENTF_MOVE, POINT{rect.left + 600, rect.top + 16});
    Sleep(100);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(100);
    SendMouse(MOUSEEVENTF_LEFTUP);
}

// The pointer moved onto the main window's web button (the skin's 60 x 60 button at 12, 50),
// and the help balloon it opens: a shown window of the launcher without a title, owned by the
// main window. The launcher takes the pointer's input in order, so once the balloon shows, it
// has taken every press and release before the move. Null when the button is covered or no
// balloon came within the bound.
HWND PointAtWebButton(DWORD processId, HWND main)
{
    RECT rect = {};
    GetWindowRect(main, &rect);
    const POINT button = {rect.left + 42, rect.top + 80};
    if (GetAncestor(WindowFromPoint(button), GA_ROOT) != main) {
        ADD_FAILURE() << "the web button is covered";
        return nullptr;
    }
    SendMouse(MOUSEEVENTF_MOVE, button);
    const auto isBalloon = [main](HWND window) {
        return GetWindow(window, GW_OWNER) == main && roadsteps::TitleOf(window).empty() &&
               roadsteps::ClassOf(window) == lib::wfc::kDefaultWindowClass;
    };
    std::vector<HWND> balloons;
    roadsteps::WaitUntil([&] {
        balloons = roadsteps::ShownWindowsOf(processId, isBalloon);
        return !balloons.empty() || !IsWindow(main);
    });
    return balloons.empty() ? nullptr : balloons.front();
}

std::string TempArchive()
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "e2e_drop_archive\\";
    CreateDirectoryA(path.c_str(), nullptr);
    return path + "WEBDMDATA.ZIP";
}

TEST(DropArchiveRoad, OnXpTheWebButtonOpensThePageAndTheDroppedArchiveLandsOnTheCard)
{
    const std::string archive = TempArchive();
    ziptest::MakeArchive(archive, {{"WEBDMDATA/", ""},
                                   {"WEBDMDATA/POINT/SPOT.DAT", "spot"},
                                   {"WEBDMDATA/地図/東京.bin", "map"}});
    roadsteps::CRoadLauncher launcher(kRoad);
    ASSERT_TRUE(launcher.IsReady());
    ASSERT_TRUE(launchertest::CBrowserRecord::IsInstalled());
    ASSERT_TRUE(launcher.PrepareUnitCard(kCard));
    launcher.Settings().m_iAtlaro = 1;
    launcher.Run().SetWindowsVersion("winxp");
    ASSERT_TRUE(launcher.Start(std::string(1, kCard)));
    const HWND main = launcher.WaitForCard(kCard);
    ASSERT_NE(main, nullptr) << launcher.Run().Log();

    launchertest::CBrowserRecord browser;
    roadsteps::ClickItem(main, ui::LaunchWindowKey::kWebButton.m_nId);
    const std::vector<std::string> opened = browser.WaitForOpened(roadsteps::kShowWaitMs);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], launcher.StandIn().Url("/velocet/at_login"));
    const HWND drop = launcher.WaitForWindow(kDropTitle);
    ASSERT_NE(drop, nullptr) << launcher.Run().Log();
    Shot(kRoad, "shown", "drop", drop);
    // The user moves the main window aside, where neither the drop window nor the boxes,
    // centred on the screen, cover its close button.
    SetWindowPos(main, nullptr, 300, GetSystemMetrics(SM_CYSCREEN) - 300, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Shot(kRoad, "moved", "main", main);

    EXPECT_EQ(DragFileOnto(archive, drop), static_cast<DWORD>(DROPEFFECT_COPY));
    const launchertest::ShownBox done = launcher.Run().WaitForBox(kDone, roadsteps::kBoxWaitMs);
    ASSERT_TRUE(done.Found()) << launcher.Run().Log();
    EXPECT_EQ(done.uStyle, static_cast<uint32_t>(MB_OK));
    const std::string data = roadtest::CardRoot(kCard) + "WEBDMDATA\\";
    EXPECT_EQ(testsupport::ReadFileBytes(data + "POINT\\SPOT.DAT"), "spot");
    EXPECT_EQ(testsupport::ReadFileBytes(data + "地図\\東京.bin"), "map");
    Shot(kRoad, "done", "box", done.hBox);
    // The close button stays disabled until the user has read the done text: a click on it
    // closes nothing meanwhile, and closes the launcher afterwards.
    Shot(kRoad, "done", "main", main);
    ClickCloseButton(main);
    const HWND balloon = PointAtWebButton(launcher.Run().ProcessId(), main);
    ASSERT_NE(balloon, nullptr) << "the close button was not disabled, or the click not taken";
    EXPECT_FALSE(launcher.Run().HasExited()) << "the close button was not disabled";
    EXPECT_TRUE(IsWindowVisible(main)) << "the close button was not disabled";
    // A move over the balloon closes it.
    SendMouse(MOUSEEVENTF_MOVE, CentreOf(balloon));
    EXPECT_TRUE(roadsteps::WaitForGone(balloon));
    ASSERT_TRUE(roadsteps::PressAndWaitGone(done, IDOK));
    Shot(kRoad, "after", "main", main);
    ClickCloseButton(main);
    EXPECT_TRUE(launcher.Run().WaitForExit(roadsteps::kShowWaitMs))
        << "the close button was not enabled again";
    EXPECT_EQ(launcher.Run().ExitCode(), 0u);
    DeleteFileA(archive.c_str());
}

TEST(DropArchiveRoad, OnTheDefaultVersionTheAdministratorIsRefusedTheDropWindow)
{
    roadsteps::CRoadLauncher launcher(kRoad);
    ASSERT_TRUE(launcher.IsReady());
    ASSERT_TRUE(launcher.PrepareUnitCard(kCard));
    launcher.Settings().m_iAtlaro = 1;
    ASSERT_TRUE(launcher.Start(std::string(1, kCard)));
    const HWND main = launcher.WaitForCard(kCard);
    ASSERT_NE(main, nullptr) << launcher.Run().Log();

    launchertest::CBrowserRecord browser;
    roadsteps::ClickItem(main, ui::LaunchWindowKey::kWebButton.m_nId);
    EXPECT_EQ(browser.WaitForOpened(roadsteps::kShowWaitMs).size(), 1u);
    const launchertest::ShownBox refused =
        launcher.Run().WaitForBox(kAdministrator, roadsteps::kBoxWaitMs);
    ASSERT_TRUE(refused.Found()) << launcher.Run().Log();
    EXPECT_EQ(refused.uStyle, static_cast<uint32_t>(MB_ICONINFORMATION));
    Shot(kRoad, "administrator", "box", refused.hBox);
    ASSERT_TRUE(launchertest::PressBox(refused, IDOK));
    // The button shows the box in place of the drop window, never both.
    EXPECT_EQ(launcher.Run().FindWindowTitled(kDropTitle), nullptr);
    EXPECT_EQ(launcher.Run().Close(roadsteps::kShowWaitMs), 0u);
}

} // namespace
