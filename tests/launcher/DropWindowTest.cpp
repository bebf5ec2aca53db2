// The drop window: a real hidden window without owner under Xvfb, the card record written as
// the agent writes it (card I: active), a hidden window titled "Kestrum4 Launcher" that
// records the drop notices, boxes answered by a thread timer. Drags call the drop-target
// item's IDropTarget methods with a data object of the test, as Wine does no real drag here.

#include "launcher/DropWindow.h"
#include "lib/Handle.h"
#include "lib/TolveLog.h"
#include "lib/wfc/Window.h"
#include "skin/SkinWindowItemAnimation.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemDropWindow.h"
#include "skin/SkinWindowItemStaticImage.h"
#include "tests/carddata/ZipTestArchive.h"
#include "tests/carddata/ZipTestSupport.h"
#include "tests/launcher/support/AbortCheckGate.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/skin/support/DropWindowClass.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/FakeDataObject.h"
#include "tests/support/TestSupport.h"


#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("launcher_drop_window_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("launcher_drop_window_test"));
const bool g_bClass = (skintest::RegisterDropWindowClass(), true);

using launchertest::CAbortCheckGate;
using launchertest::CBoxPresser;
using ziptest::Exists;
using ziptest::MakeArchive;
using ziptest::ReadFileBytes;
using ziptest::WriteFileBytes;

const char kCard = 'I';
// Every wait for the worker or a box: a loaded machine's.
const DWORD kBoundMs = 60000;
const std::string kRoot = "I:\\";
const std::string kData = kRoot + "WEBDMDATA\\";
// A file of the unit beside the web data, which no drop may touch.
const std::string kLinkFile = kRoot + "PC\\NAVIINFO.DAT";
const std::string kLinkBytes = std::string("NAVI\0\x01\x02link", 11);

const char kOverwrite[] =
    "転送先に既にお出かけフォルダデータが存在します。\n\r上書きしてもよろしいですか？\n\r"
    "（前回のナビフォルダデータは削除されます）";
const char kDone[] = "SDカードへのお出かけフォルダデータの転送が完了しました。";
const char kFailed[] =
    "ファイルが解凍できませんでした。ファイルが破損している可能性があります。お手数ですが、"
    "再度WEBからダウンロードしてください。";

typedef std::vector<std::pair<std::string, std::string>> Entries;

// The main window's stand-in: records the "QZLDropWindow" notices as "0", "1".
class CLauncherStandIn : public lib::wfc::CWindow {
public:
    CLauncherStandIn() : m_uNotice(::RegisterWindowMessageA("QZLDropWindow"))
    {
        Create(0, nullptr, "Kestrum4 Launcher", WS_POPUP, 0, 0, 100, 100);
    }
    ~CLauncherStandIn() override
    {
        if (IsWindow()) DestroyWindow();
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == m_uNotice) {
            m_strNotices += std::to_string(static_cast<uint32_t>(wParam));
            return 0;
        }
        return lib::wfc::CWindow::WindowProc(message, wParam, lParam);
    }
    std::string Take()
    {
        std::string notices;
        notices.swap(m_strNotices);
        return notices;
    }

private:
    UINT m_uNotice;
    std::string m_strNotices;
};

std::vector<char> FileList(const std::vector<std::string>& paths)
{
    std::string list;
    for (const std::string& path : paths) list += path + '\0';
    list += '\0';
    return testsupport::MakeBlock(testsupport::kDropFilesHeader, false,
                                  testsupport::Ansi(list));
}

void Pump(DWORD milliseconds)
{
    const DWORD start = ::GetTickCount();
    MSG msg;
    while (::GetTickCount() - start < milliseconds) {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(5);
    }
}

class DropWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_agent.IsReady());
        SelectCard(kCard);
        ziptest::RemoveTree(kData);
        ziptest::RemoveTree(kRoot + "PC\\");
        ::CreateDirectoryA((kRoot + "PC").c_str(), nullptr);
        WriteFileBytes(kLinkFile, kLinkBytes);
        m_sWork = ziptest::MakeWorkFolder("launcher_drop_window_test");
        ASSERT_TRUE(m_window.Create());
        m_launcher.Take();
    }
    void TearDown() override { SelectCard(0); }

    void SelectCard(char letter)
    {
        const int32_t mask = letter == 0 ? 0 : testsupport::DriveBit(letter);
        m_agent.Write(mask, mask, letter);
    }

    IDropTarget* Target() { return m_window.GetDropItem(); }
    // The target's own style: the window around it stays hidden in these tests.
    bool TargetShown()
    {
        return (::GetWindowLongPtrA(m_window.GetDropItem()->GetDropWindow(), GWL_STYLE) &
                WS_VISIBLE) != 0;
    }

    HRESULT Enter(const std::vector<std::string>& paths, DWORD* effect)
    {
        testsupport::CFakeDataObject data;
        data.m_block = FileList(paths);
        *effect = DROPEFFECT_COPY;
        return Target()->DragEnter(&data, 0, POINTL{10, 10}, effect);
    }

    // A drag of the paths onto the window's target that ends in a drop; the drop's effect.
    static DWORD DropOn(ui::CDropWindow& window, const std::vector<std::string>& paths)
    {
        IDropTarget* target = window.GetDropItem();
        testsupport::CFakeDataObject data;
        data.m_block = FileList(paths);
        DWORD effect = DROPEFFECT_COPY;
        target->DragEnter(&data, 0, POINTL{10, 10}, &effect);
        effect = DROPEFFECT_COPY;
        target->DragOver(0, POINTL{12, 12}, &effect);
        effect = DROPEFFECT_COPY;
        target->Drop(&data, 0, POINTL{12, 12}, &effect);
        return effect;
    }
    DWORD Drop(const std::vector<std::string>& paths) { return DropOn(m_window, paths); }

    // "WEBDMDATA.ZIP" in the work folder with entries of 1 MiB each: an unpacking of some
    // steps, which a gate (CAbortCheckGate) holds mid-way for the case to act on.
    std::string MakeLargeArchive(int entryCount)
    {
        Entries entries;
        for (int i = 0; i < entryCount; ++i) {
            entries.push_back({"WEBDMDATA/f" + std::to_string(i) + ".bin",
                               ziptest::LogLikeText(1 << 20, static_cast<unsigned>(i))});
        }
        const std::string path = m_sWork + "WEBDMDATA.ZIP";
        MakeArchive(path, entries);
        return path;
    }

    // Dispatches until the unpacking has ended (its box answered by the presser).
    void WaitForEnd(DWORD timeoutMs = kBoundMs)
    {
        const DWORD start = ::GetTickCount();
        while (m_window.IsUnzipping() && ::GetTickCount() - start < timeoutMs) Pump(10);
        EXPECT_FALSE(m_window.IsUnzipping());
    }

    void ExpectFailedRoad(const CBoxPresser& press)
    {
        EXPECT_TRUE(press.Pressed());
        EXPECT_EQ(press.Box().uStyle, static_cast<uint32_t>(MB_OK | MB_ICONWARNING));
        EXPECT_FALSE(Exists(kData));
        EXPECT_EQ(m_launcher.Take(), "01");
        EXPECT_EQ(ReadFileBytes(kLinkFile), kLinkBytes);
        EXPECT_TRUE(m_window.GetCloseButton()->IsVisible());
    }

    testsupport::CAgentBlock m_agent;
    CLauncherStandIn m_launcher;
    ui::CDropWindow m_window{nullptr};
    std::string m_sWork;
};

TEST_F(DropWindowTest, EnterChecksTheNameAndTheCard)
{
    struct Case {
        std::vector<std::string> paths;
        char card;
        bool accepted;
    };
    const std::string folder = "C:\\dl\\";
    const Case cases[] = {
        {{folder + "WEBDMDATA.ZIP"}, kCard, true},
        {{folder + "深い\\more\\webdmdata.zip"}, kCard, true},
        {{folder + "WEBDMDATA (1).ZIP"}, kCard, false},
        {{folder + "WEBDMDATA.ZIP.part"}, kCard, false},
        {{}, kCard, false},
        {{folder + "other.zip", folder + "WEBDMDATA.ZIP"}, kCard, false},
        {{folder + "WEBDMDATA.ZIP"}, 0, false},
        {{folder + "WEBDMDATA.ZIP"}, 'B', true},
        {{folder + "WEBDMDATA.ZIP"}, 'Y', true},
        {{folder + "WEBDMDATA.ZIP"}, 'Z', false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.paths.empty() ? std::string("(none)") : c.paths.front()) +
                     " card " + std::string(1, c.card == 0 ? '0' : c.card));
        SelectCard(c.card);
        DWORD effect = 0;
        Enter(c.paths, &effect);
        EXPECT_EQ(m_window.IsDropAcceptable(), c.accepted);
        Target()->DragLeave();
    }

    // Drops agree with the check on the cards no other program owns: nothing starts.
    ziptest::RemoveTree(kData);
    MakeArchive(m_sWork + "WEBDMDATA.ZIP", {{"WEBDMDATA/a.txt", "a"}});
    for (char card : {'\0', 'Z'}) {
        SelectCard(card);
        Drop({m_sWork + "WEBDMDATA.ZIP"});
        EXPECT_FALSE(m_window.IsUnzipping());
    }
    SelectCard(kCard);
    Drop({m_sWork + "OTHER.ZIP"});
    EXPECT_FALSE(m_window.IsUnzipping());
    EXPECT_EQ(m_launcher.Take(), "");
    EXPECT_FALSE(Exists(kData));
}

TEST_F(DropWindowTest, DragOverShowsTheDragInPictureAndLeaveHidesIt)
{
    DWORD effect = 0;
    Enter({"C:\\dl\\WEBDMDATA.ZIP"}, &effect);
    ASSERT_TRUE(m_window.IsDropAcceptable());
    effect = DROPEFFECT_MOVE;
    EXPECT_EQ(Target()->DragOver(0, POINTL{12, 12}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_TRUE(m_window.GetDragInImage()->IsVisible());
    Target()->DragLeave();
    EXPECT_FALSE(m_window.GetDragInImage()->IsVisible());
}

TEST_F(DropWindowTest, GoodArchiveIsUnpackedOntoTheCard)
{
    const Entries entries = {
        {"WEBDMDATA/", ""},
        {"WEBDMDATA/index.dat", ziptest::LogLikeText(50000, 3)},
        {"WEBDMDATA/地図/東京.bin", std::string("\0\xff\x81\x5c", 4) + "data"},
        {"WEBDMDATA/地図/深い/ソ.txt", "ソ"},
        {"webdmdata/empty.txt", ""},
    };
    MakeArchive(m_sWork + "webdmdata.zip", entries);
    CBoxPresser press(kDone, IDOK);
    Drop({m_sWork + "webdmdata.zip"});
    // Until the end message is read the target and the close button stay hidden.
    EXPECT_TRUE(m_window.IsUnzipping());
    EXPECT_FALSE(TargetShown());
    EXPECT_FALSE(m_window.GetCloseButton()->IsVisible());
    EXPECT_TRUE(m_window.GetAnimation()->IsRunning());
    WaitForEnd();
    EXPECT_TRUE(press.Pressed());
    EXPECT_EQ(press.Box().uStyle, static_cast<uint32_t>(MB_OK));
    EXPECT_EQ(m_launcher.Take(), "01");
    for (const auto& entry : entries) {
        if (entry.first.back() == '/') continue;
        std::string path = kRoot + entry.first;
        for (char& c : path) if (c == '/') c = '\\';
        EXPECT_EQ(ReadFileBytes(path), entry.second) << path;
    }
    EXPECT_EQ(ReadFileBytes(kLinkFile), kLinkBytes);
    EXPECT_TRUE(TargetShown());
    EXPECT_TRUE(m_window.GetCloseButton()->IsVisible());
    EXPECT_FALSE(m_window.GetAnimation()->IsVisible());
    EXPECT_FALSE(m_window.GetAnimation()->IsRunning());
}

TEST_F(DropWindowTest, EarlierDataIsReplacedOnlyWhenTheUserAgrees)
{
    MakeArchive(m_sWork + "WEBDMDATA.ZIP", {{"WEBDMDATA/new.txt", "new"}});
    ::CreateDirectoryA(kData.c_str(), nullptr);
    WriteFileBytes(kData + "old.txt", "old");
    {
        CBoxPresser press(kOverwrite, IDCANCEL);
        Drop({m_sWork + "WEBDMDATA.ZIP"});
        EXPECT_TRUE(press.Pressed());
        EXPECT_EQ(press.Box().uStyle, static_cast<uint32_t>(MB_OKCANCEL));
    }
    EXPECT_FALSE(m_window.IsUnzipping());
    EXPECT_EQ(ReadFileBytes(kData + "old.txt"), "old");
    EXPECT_EQ(m_launcher.Take(), "");
    {
        CBoxPresser press(kOverwrite, IDOK);
        Drop({m_sWork + "WEBDMDATA.ZIP"});
        EXPECT_TRUE(press.Pressed());
    }
    {
        CBoxPresser press(kDone, IDOK);
        WaitForEnd();
        EXPECT_TRUE(press.Pressed());
    }
    EXPECT_FALSE(Exists(kData + "old.txt"));
    EXPECT_EQ(ReadFileBytes(kData + "new.txt"), "new");
    EXPECT_EQ(m_launcher.Take(), "01");

    // An empty folder holds nothing to lose: no question.
    ziptest::RemoveTree(kData);
    ::CreateDirectoryA(kData.c_str(), nullptr);
    CBoxPresser press(kDone, IDOK);
    Drop({m_sWork + "WEBDMDATA.ZIP"});
    WaitForEnd();
    EXPECT_TRUE(press.Pressed());
    EXPECT_EQ(ReadFileBytes(kData + "new.txt"), "new");
}

// Damaged archives and archives with an entry outside "WEBDMDATA" write nothing that stays:
// the folder goes, the unit's files are untouched, and the failed road runs.
TEST_F(DropWindowTest, BadArchivesTakeTheFailedRoad)
{
    MakeArchive(m_sWork + "good.zip", {{"WEBDMDATA/a.txt", ziptest::LogLikeText(100000, 5)}});
    const std::string good = ReadFileBytes(m_sWork + "good.zip");
    std::string wrongCrc = good;
    wrongCrc[14] ^= 1;                               // the local header's CRC
    const size_t central = good.rfind(std::string("PK\x01\x02", 4));
    wrongCrc[central + 16] ^= 1;                     // and the central directory's
    std::vector<std::pair<std::string, std::string>> archives = {
        {"cut in half", good.substr(0, good.size() / 2)},
        {"wrong CRC", wrongCrc},
    };
    const std::vector<std::string> hostile = {
        "../evil.txt", "WEBDMDATA/../PC/NAVIINFO.DAT", "PC/NAVIINFO.DAT", "WEBDMDATAX/a",
        "WEBDMDATA", "C:evil", "\\\\srv\\s\\a",
    };
    int index = 0;
    for (const std::string& name : hostile) {
        const std::string path = m_sWork + "h" + std::to_string(index++) + ".zip";
        MakeArchive(path, {{"WEBDMDATA/first.txt", "harmless"}, {name, "payload"}});
        archives.push_back({name, ReadFileBytes(path)});
    }
    for (const auto& archive : archives) {
        SCOPED_TRACE(archive.first);
        WriteFileBytes(m_sWork + "WEBDMDATA.ZIP", archive.second);
        CBoxPresser press(kFailed, IDOK);
        Drop({m_sWork + "WEBDMDATA.ZIP"});
        WaitForEnd();
        ExpectFailedRoad(press);
        EXPECT_FALSE(Exists(kRoot + "evil.txt"));
        EXPECT_FALSE(Exists(kRoot + "WEBDMDATAX"));
    }

    // The folder alone, in any case, is the archive's place.
    MakeArchive(m_sWork + "WEBDMDATA.ZIP", {{"webdmdata/ok.txt", "ok"}});
    CBoxPresser press(kDone, IDOK);
    Drop({m_sWork + "WEBDMDATA.ZIP"});
    WaitForEnd();
    EXPECT_TRUE(press.Pressed());
    EXPECT_EQ(ReadFileBytes(kData + "ok.txt"), "ok");
}

// Closing only hides the window and aborts the unpacking at its next check: the worker is held
// at the check before the first entry's first piece until the close.
TEST_F(DropWindowTest, CloseDuringALargeUnpackingAbortsIt)
{
    const std::string archive = MakeLargeArchive(4);
    m_window.ShowWindow(SW_SHOWNA);
    CBoxPresser press(kFailed, IDOK);
    CAbortCheckGate gate(1);
    ASSERT_TRUE(gate.Patched());
    Drop({archive});
    ASSERT_TRUE(gate.WaitForHeld(kBoundMs));
    EXPECT_TRUE(Exists(kData + "f0.bin"));
    m_window.PostMessage(WM_CLOSE, 0, 0);
    WaitForEnd();
    EXPECT_TRUE(m_window.IsWindow());
    EXPECT_FALSE(::IsWindowVisible(m_window.GetHwnd()));
    ExpectFailedRoad(press);
}

// Every way the user closes the window only hides it: the main window shows the same one again.
TEST_F(DropWindowTest, EveryWayOfClosingOnlyHidesIt)
{
    namespace key = ui::DropWindowKey;
    struct Case {
        const char* name;
        void (*close)(ui::CDropWindow& window);
    };
    const Case cases[] = {
        {"the close button",
         [](ui::CDropWindow& w) { w.SendMessage(WM_COMMAND, key::kCloseButton.m_nId, 0); }},
        {"Esc", [](ui::CDropWindow& w) { w.OnDefaultKey(0, false); }},
        {"the icon",
         [](ui::CDropWindow& w) {
             w.PostItemCommand(key::kApplicationIcon.m_nId, ui::ITEM_EVENT_LEFT_DBLCLK, 0);
         }},
        {"the menu's close", [](ui::CDropWindow& w) { w.SendMessage(WM_COMMAND, SC_CLOSE, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_window.ShowWindow(SW_SHOWNA);
        ASSERT_TRUE(::IsWindowVisible(m_window.GetHwnd()));
        c.close(m_window);
        Pump(100);
        EXPECT_TRUE(m_window.IsWindow());
        EXPECT_FALSE(::IsWindowVisible(m_window.GetHwnd()));
    }
    // Enter is no close.
    m_window.ShowWindow(SW_SHOWNA);
    m_window.OnDefaultKey(0, true);
    Pump(100);
    EXPECT_TRUE(::IsWindowVisible(m_window.GetHwnd()));
    EXPECT_EQ(m_launcher.Take(), "");
}

// The worker reads the job record and the abort event of the window's object: destruction
// waits for it, however long it takes, and tells the main window the unpacking ended.
TEST_F(DropWindowTest, DestructionWaitsForTheWorker)
{
    const std::string archive = MakeLargeArchive(4);
    auto window = std::make_unique<ui::CDropWindow>(nullptr);
    ASSERT_TRUE(window->Create());
    // Drop through the second window's target; its worker held mid-way until the abort.
    CAbortCheckGate gate(1);
    ASSERT_TRUE(gate.Patched());
    DropOn(*window, {archive});
    ASSERT_TRUE(window->IsUnzipping());
    EXPECT_EQ(m_launcher.Take(), "0");
    ASSERT_TRUE(gate.WaitForHeld(kBoundMs));
    window->DestroyWindow();
    EXPECT_FALSE(window->IsUnzipping());
    EXPECT_EQ(m_launcher.Take(), "1");
    window.reset();
    // The worker's last post found no window; nothing is left to answer.
    Pump(200);
    EXPECT_FALSE(Exists(kData));
}

// The worker held on its failure road by the log file's mutex (every log line takes it) for
// longer than any bounded wait would allow: destruction still returns only after it ended,
// the main window hears the end, and the partly written folder is gone.
TEST_F(DropWindowTest, DestructionWaitsForAWorkerHeldOnItsFailureRoad)
{
    const std::string archive = MakeLargeArchive(4);
    auto window = std::make_unique<ui::CDropWindow>(nullptr);
    ASSERT_TRUE(window->Create());
    CAbortCheckGate gate(1);
    ASSERT_TRUE(gate.Patched());
    DropOn(*window, {archive});
    ASSERT_TRUE(window->IsUnzipping());
    EXPECT_EQ(m_launcher.Take(), "0");
    // Mid-way, held until the abort: the first entry's file is on the card.
    ASSERT_TRUE(gate.WaitForHeld(kBoundMs));
    ASSERT_TRUE(Exists(kData + "f0.bin"));

    const testsupport::CLogCapture log;
    const char kFailureLine[] = "CDropWindow::UnzipThreadProc - UnZip 失敗";
    std::string logName = GetTolveLogOutputPath();
    logName = logName.substr(logName.find_last_of('\\') + 1);
    lib::CHandle held(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    lib::CHandle destroying(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    bool dataWhileHeld = false;
    bool lineWhileHeld = true;
    DWORD releasedAt = 0;
    std::thread holder([&] {
        lib::CHandle mutex(::CreateMutexA(nullptr, FALSE, logName.c_str()));
        if (::WaitForSingleObject(mutex.Get(), kBoundMs) != WAIT_OBJECT_0) return;
        ::SetEvent(held.Get());
        ::WaitForSingleObject(destroying.Get(), kBoundMs);
        // Longer than 5 s, shorter than the 10 s a log writer waits for its turn: the worker
        // meets the held mutex only after the abort, so after this sleep began.
        ::Sleep(5500);
        dataWhileHeld = Exists(kData);
        lineWhileHeld = log.Has(kFailureLine);
        releasedAt = ::GetTickCount();
        ::ReleaseMutex(mutex.Get());
    });
    ASSERT_EQ(::WaitForSingleObject(held.Get(), kBoundMs), WAIT_OBJECT_0);
    ::SetEvent(destroying.Get());
    window->DestroyWindow();
    const DWORD returnedAt = ::GetTickCount();
    holder.join();

    // The worker had not reached its clean-up while it was held, and destruction waited.
    EXPECT_TRUE(dataWhileHeld);
    EXPECT_FALSE(lineWhileHeld);
    EXPECT_GE(static_cast<int32_t>(returnedAt - releasedAt), 0);
    EXPECT_FALSE(window->IsUnzipping());
    EXPECT_TRUE(log.Has(kFailureLine)) << log.Text();
    EXPECT_EQ(m_launcher.Take(), "1");
    window.reset();
    Pump(200);
    EXPECT_FALSE(Exists(kData));
    EXPECT_EQ(ReadFileBytes(kLinkFile), kLinkBytes);
    EXPECT_EQ(m_launcher.Take(), "");
}

} // namespace
