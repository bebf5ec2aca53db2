// The drop-target item on a hidden test window: its child window and registration, the
// messages a drag sends to the holding window (driven by calling the registered target's
// methods with data objects of the test), its rectangle, and its end: disposed of through
// DeleteAllItems, replacement or the window's end while OLE (here the test) still holds a
// reference, it sends nothing more and is freed at the last Release, and the thread's OLE
// is left as it was before the item came.

#include "lib/StringUtility.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemDropWindow.h"
#include "tests/skin/support/DropWindowClass.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/FakeDataObject.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <imm.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using lib::FormatString;

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("skin_drop_window_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("skin_drop_window_test"));
const bool g_bClass = (skintest::RegisterDropWindowClass(), true);

const int32_t kId = 7;

// The heard messages, one a line; kept apart from the holder, which may be gone.
typedef std::vector<std::string> Heard;

std::string Join(const std::vector<std::string>& lines, const char* separator)
{
    std::string all;
    for (const std::string& line : lines) all += (all.empty() ? "" : separator) + line;
    return all;
}

std::string Take(Heard& heard)
{
    const std::string all = Join(heard, "|");
    heard.clear();
    return all;
}

// A skin window that holds a drop-target item: it notes the item's messages and answers them
// as the test says.
class CHolderWindow : public skintest::CTestSkinWindow {
public:
    explicit CHolderWindow(Heard* heard) : m_pHeard(heard) {}

    LRESULT m_lEnterReply = 1;
    LRESULT m_lOverReply = 1;
    DWORD m_dwOverEffect = DROPEFFECT_COPY;   // what it sets on 0x8881
    LRESULT m_lDropReply = S_OK;
    DWORD m_dwDropEffect = DROPEFFECT_COPY;   // what it sets on 0x8883
    std::function<void()> m_fnDuringEnter;   // run inside the answer to 0x8880

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case ui::WM_SKINITEM_DRAGENTER: {
            const auto* files = reinterpret_cast<const std::vector<std::string>*>(wParam);
            m_pHeard->push_back(FormatString("enter [%s] %lld", Join(*files, ",").c_str(),
                                             static_cast<long long>(lParam)));
            if (m_fnDuringEnter) m_fnDuringEnter();
            return m_lEnterReply;
        }
        case ui::WM_SKINITEM_DRAGOVER: {
            DWORD* effect = reinterpret_cast<DWORD*>(lParam);
            m_pHeard->push_back(FormatString("over %llu %lu", static_cast<unsigned long long>(wParam),
                                             *effect));
            *effect = m_dwOverEffect;
            return m_lOverReply;
        }
        case ui::WM_SKINITEM_DRAGLEAVE:
            m_pHeard->push_back(FormatString("leave %llu %lld",
                                             static_cast<unsigned long long>(wParam),
                                             static_cast<long long>(lParam)));
            return 0;
        case ui::WM_SKINITEM_DROP: {
            const auto* files = reinterpret_cast<const std::vector<std::string>*>(wParam);
            DWORD* effect = reinterpret_cast<DWORD*>(lParam);
            m_pHeard->push_back(FormatString("drop [%s] %lu", Join(*files, ",").c_str(), *effect));
            *effect = m_dwDropEffect;
            return m_lDropReply;
        }
        default:
            return CTestSkinWindow::WindowProc(message, wParam, lParam);
        }
    }

private:
    Heard* m_pHeard;
};

// Counts its own destruction.
class CCountedDropWindow : public ui::CSkinWindowItemDropWindow {
public:
    CCountedDropWindow(ui::ISkinWindowItemAccessor* accessor, int32_t id, const ui::SkinBlock& block,
                       ui::SkinImageCache* cache, int* freed)
        : ui::CSkinWindowItemDropWindow(accessor, id, block, cache), m_pFreed(freed)
    {
    }
    ~CCountedDropWindow() override { ++*m_pFreed; }

private:
    int* m_pFreed;
};

ui::SkinBlock DropBlock()
{
    ui::SkinBlock block;
    block.m_strName = "Drop";
    block.m_mapKeyword["Position"] = {"40", "60"};
    block.m_mapKeyword["Size"] = {"200", "100"};
    return block;
}

// The thread's apartment as a probe sees it, without changing it: "none", "sta" or "mta".
std::string Apartment()
{
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (hr == RPC_E_CHANGED_MODE) return "mta";
    ::CoUninitialize();
    return hr == S_OK ? "none" : "sta";
}

RECT ClientRectOf(HWND child)
{
    RECT rect = {};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(const RECT& rect)
{
    return FormatString("%ld %ld %ld %ld", rect.left, rect.top, rect.right, rect.bottom);
}

// A WM_QUIT waiting in the thread's queue (taken out).
bool QuitPosted()
{
    MSG message;
    return ::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

class DropWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_files.m_block = testsupport::MakeBlock(
            testsupport::kDropFilesHeader, false,
            testsupport::Ansi(std::string("C:\\a.zip\0D:\\データ\\b.txt\0\0", 25)));
        m_noList.m_bRefuse = true;
    }
    void TearDown() override
    {
        if (m_pWindow && m_pWindow->IsWindow()) m_pWindow->DestroyWindow();
        m_pWindow.reset();
        EXPECT_FALSE(QuitPosted()) << "the child's end reached the class procedure";
    }

    // A holder window with a counted drop item, created hidden.
    void Build()
    {
        m_pWindow.reset(new CHolderWindow(&m_heard));
        ui::SkinDefinition definition;
        const skintest::SkinErrors errors = skintest::CatchSkinErrors(
            [&] { m_pWindow->LoadSkin(definition, "TestWindow.txt", "Base", false); });
        ASSERT_TRUE(errors.m_vBox.empty());
        m_pItem = MakeItem(&m_nFreed);
        m_pWindow->AddItem(m_pItem);
        m_pWindow->Create(0, nullptr, "skin_drop_window_test", WS_POPUP, 0, 0, 320, 200);
        m_pWindow->KillTimer(ui::kSkinTickTimerId);
    }
    CCountedDropWindow* MakeItem(int* freed)
    {
        return new CCountedDropWindow(m_pWindow->Accessor(), kId, DropBlock(),
                                      m_pWindow->GetImageCache(), freed);
    }
    POINTL Screen(int x, int y)
    {
        POINT point = {x, y};
        ::ClientToScreen(m_pWindow->GetHwnd(), &point);
        return POINTL{point.x, point.y};
    }
    // One drag on the target: enter, over, leave, enter again and drop, each with the effects
    // copy and move offered; "<call> <result> <effect>" each.
    std::string Drag(IDropTarget* target, IDataObject* data)
    {
        std::vector<std::string> results;
        const POINTL point = Screen(60, 80);
        auto note = [&](const char* call, HRESULT hr, DWORD effect) {
            results.push_back(FormatString("%s %lX %lu", call, static_cast<unsigned long>(hr), effect));
        };
        const DWORD offered = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        DWORD effect = offered;
        HRESULT hr = target->DragEnter(data, 0, point, &effect);
        note("Enter", hr, effect);
        effect = offered;
        hr = target->DragOver(0, point, &effect);
        note("Over", hr, effect);
        note("Leave", target->DragLeave(), 0);
        effect = offered;
        hr = target->DragEnter(data, 0, point, &effect);
        note("Enter", hr, effect);
        effect = offered;
        hr = target->Drop(data, 0, point, &effect);
        note("Drop", hr, effect);
        return Join(results, "|");
    }

    Heard m_heard;
    std::unique_ptr<CHolderWindow> m_pWindow;
    CCountedDropWindow* m_pItem = nullptr;
    int m_nFreed = 0;
    testsupport::CFakeDataObject m_files;
    testsupport::CFakeDataObject m_noList;
};

TEST_F(DropWindowTest, ChildWindowAtTheItemIsTheRegisteredTarget)
{
    Build();
    HWND child = ::GetDlgItem(m_pWindow->GetHwnd(), kId);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(m_pItem->GetDropWindow(), child);
    char className[64] = {};
    ::GetClassNameA(child, className, sizeof className);
    EXPECT_STREQ(className, "KESTRUMDROPWINDOW");
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongPtrA(child, GWL_STYLE)), 0x54010000u);
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongPtrA(child, GWL_EXSTYLE)) & WS_EX_TRANSPARENT,
              static_cast<DWORD>(WS_EX_TRANSPARENT));
    EXPECT_EQ(::GetWindowTextLengthA(child), 0);
    EXPECT_EQ(Describe(ClientRectOf(child)), "40 60 240 160");
    EXPECT_EQ(::ImmGetContext(child), nullptr) << "its input method is off";
    EXPECT_EQ(::RegisterDragDrop(child, m_pItem), DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_EQ(Apartment(), "sta") << "the item started OLE";

    // A window made again gives the item a new child, registered again.
    m_pWindow->DestroyWindow();
    EXPECT_FALSE(::IsWindow(child));
    EXPECT_EQ(m_pItem->GetDropWindow(), nullptr);
    m_pWindow->Create(0, nullptr, "skin_drop_window_test", WS_POPUP, 0, 0, 320, 200);
    child = ::GetDlgItem(m_pWindow->GetHwnd(), kId);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(::RegisterDragDrop(child, m_pItem), DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_EQ(Drag(m_pItem, &m_files).substr(0, 9), "Enter 0 1");
    EXPECT_EQ(m_heard.front(), "enter [C:\\a.zip,D:\\データ\\b.txt] 0");

    m_pWindow->DeleteAllItems();
    EXPECT_EQ(m_nFreed, 1);
    EXPECT_EQ(Apartment(), "none") << "started once, ended once";
}

TEST_F(DropWindowTest, SetRectMovesAndSizesTheChild)
{
    Build();
    HWND child = m_pItem->GetDropWindow();
    const struct {
        ui::SkinRect rect;
        const char* expected;
    } cases[] = {
        {{10, 40, 110, 90}, "10 40 110 90"},
        {{0, 0, 320, 200}, "0 0 320 200"},
        {{-20, 150, 30, 230}, "-20 150 30 230"},
    };
    for (const auto& c : cases) {
        m_pItem->SetRect(c.rect);
        EXPECT_EQ(Describe(ClientRectOf(child)), c.expected);
        EXPECT_EQ(Describe(m_pItem->GetRect().ToRECT()), c.expected);
    }
}

TEST_F(DropWindowTest, DragsReachTheHolderAsMessages)
{
    const std::string files = "C:\\a.zip,D:\\データ\\b.txt";
    const struct {
        const char* name;
        bool withList;
        LRESULT enterReply;
        LRESULT overReply;
        DWORD overEffect;
        LRESULT dropReply;
        const char* results;
        std::string heard;
    } cases[] = {
        {"accepted: over at the enter and before the drop", true, 1, 1, DROPEFFECT_COPY, S_FALSE,
         "Enter 0 1|Over 0 1|Leave 0 0|Enter 0 1|Drop 1 1",
         "enter [" + files + "] 0|over 0 3|over 0 3|leave 0 0|enter [" + files +
             "] 0|over 0 3|over 0 3|drop [" + files + "] 1"},
        {"refused: nothing more is sent for the drag", true, 0, 1, DROPEFFECT_COPY, S_OK,
         "Enter 0 0|Over 0 0|Leave 0 0|Enter 0 0|Drop 0 0",
         "enter [" + files + "] 0|enter [" + files + "] 0"},
        {"data without a file list: an empty list, the holder decides", false, 1, 1,
         DROPEFFECT_LINK, E_FAIL, "Enter 0 4|Over 0 4|Leave 0 0|Enter 0 4|Drop 80004005 1",
         "enter [] 0|over 0 3|over 0 3|leave 0 0|enter [] 0|over 0 3|over 0 3|drop [] 4"},
        {"over answered 0: the effect stays as the holder left it", true, 1, 0, DROPEFFECT_MOVE,
         S_OK, "Enter 0 2|Over 0 2|Leave 0 0|Enter 0 2|Drop 0 1",
         "enter [" + files + "] 0|over 0 3|over 0 3|leave 0 0|enter [" + files +
             "] 0|over 0 3|over 0 3|drop [" + files + "] 2"},
    };
    for (const auto& c : cases) {
        Build();
        m_pWindow->m_lEnterReply = c.enterReply;
        m_pWindow->m_lOverReply = c.overReply;
        m_pWindow->m_dwOverEffect = c.overEffect;
        m_pWindow->m_lDropReply = c.dropReply;
        EXPECT_EQ(Drag(m_pItem, c.withList ? &m_files : &m_noList), c.results) << c.name;
        EXPECT_EQ(Take(m_heard), c.heard) << c.name;
        if (c.overReply == 0) {
            EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, IDC_NO)) << c.name;
        }
        m_pWindow->DestroyWindow();
        m_pWindow.reset();
        EXPECT_EQ(m_nFreed, 1) << c.name;
        m_nFreed = 0;
    }
}

TEST_F(DropWindowTest, DisposedWhileOleHoldsItSendsNothingAndIsFreedAtTheLastRelease)
{
    const struct {
        const char* name;
        std::function<void()> dispose;
    } ways[] = {
        {"DeleteAllItems", [this] { m_pWindow->DeleteAllItems(); }},
        {"replaced",
         [this] {
             static int replacementFreed = 0;
             m_pWindow->AddItem(MakeItem(&replacementFreed));
         }},
        {"the window destroyed, then deleted",
         [this] {
             m_pWindow->DestroyWindow();
             m_pWindow.reset();
         }},
        {"the window deleted while it stands",
         [this] {
             HWND hwnd = m_pWindow->GetHwnd();
             m_pWindow.reset();
             ::DestroyWindow(hwnd);
         }},
    };
    for (const auto& way : ways) {
        for (const bool held : {true, false}) {
            const std::string name = std::string(way.name) + (held ? ", held" : ", not held");
            Build();
            m_nFreed = 0;
            IDropTarget* target = m_pItem;
            // During a drag, as OLE holds its target.
            target->AddRef();
            DWORD effect = DROPEFFECT_COPY;
            target->DragEnter(&m_files, 0, Screen(60, 80), &effect);
            m_heard.clear();
            HWND child = m_pItem->GetDropWindow();
            const POINTL point = Screen(61, 80);   // the window may be gone below
            if (!held) target->Release();

            way.dispose();
            EXPECT_FALSE(::IsWindow(child)) << name;
            EXPECT_FALSE(QuitPosted()) << name;
            if (!held) {
                EXPECT_EQ(m_nFreed, 1) << name << ": freed at once";
            } else {
                EXPECT_EQ(m_nFreed, 0) << name << ": kept for OLE";
                effect = DROPEFFECT_COPY;
                EXPECT_EQ(target->DragOver(0, point, &effect), S_OK) << name;
                EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE)) << name;
                EXPECT_EQ(target->DragLeave(), S_OK) << name;
                effect = DROPEFFECT_COPY;
                EXPECT_EQ(target->Drop(&m_files, 0, point, &effect), S_OK) << name;
                EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE)) << name;
                effect = DROPEFFECT_COPY;
                EXPECT_EQ(target->DragEnter(&m_files, 0, point, &effect), S_OK) << name;
                EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE)) << name;
                EXPECT_EQ(Take(m_heard), "") << name << ": nothing sent";
                EXPECT_EQ(m_nFreed, 0) << name;
                EXPECT_EQ(target->Release(), 0u) << name;
                EXPECT_EQ(m_nFreed, 1) << name << ": freed at the last Release";
            }
            EXPECT_EQ(Take(m_heard), "") << name;
            if (m_pWindow) {
                m_pWindow->DestroyWindow();
                m_pWindow.reset();
            }
            EXPECT_EQ(Apartment(), "none") << name << ": OLE ended as often as started";
        }
    }
}

TEST_F(DropWindowTest, HolderMayDisposeOfTheItemWhileItAnswers)
{
    Build();
    m_pWindow->m_fnDuringEnter = [this] { m_pWindow->DeleteAllItems(); };
    IDropTarget* target = m_pItem;
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(&m_files, 0, Screen(60, 80), &effect), S_OK);
    // Accepted, but gone before the drag could go on: no effect, nothing more sent.
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(Take(m_heard), "enter [C:\\a.zip,D:\\データ\\b.txt] 0");
    EXPECT_EQ(m_nFreed, 1);
}

TEST_F(DropWindowTest, OleIsLeftAsTheItemFoundIt)
{
    const struct {
        const char* name;
        HRESULT (*start)();
        const char* during;
        const char* after;   // after the item, before the thread's own end
        void (*end)();
    } cases[] = {
        {"OLE not started", [] { return S_OK; }, "sta", "none", [] {}},
        {"OLE started by the program", [] { return ::OleInitialize(nullptr); }, "sta", "sta",
         [] { ::OleUninitialize(); }},
        {"a multithreaded apartment",
         [] { return ::CoInitializeEx(nullptr, COINIT_MULTITHREADED); }, "mta", "mta",
         [] { ::CoUninitialize(); }},
    };
    for (const auto& c : cases) {
        std::string during;
        std::string after;
        std::string final;
        int freed = 0;
        Heard heard;
        std::thread thread([&] {
            ASSERT_EQ(c.start(), S_OK);
            {
                CHolderWindow window(&heard);
                ui::SkinDefinition definition;
                window.LoadSkin(definition, "TestWindow.txt", "Base", false);
                window.AddItem(new CCountedDropWindow(window.Accessor(), kId, DropBlock(),
                                                      window.GetImageCache(), &freed));
                window.Create(0, nullptr, "skin_drop_window_test", WS_POPUP, 0, 0, 320, 200);
                during = Apartment();
                window.DestroyWindow();
            }
            after = Apartment();
            c.end();
            final = Apartment();
            EXPECT_FALSE(QuitPosted());
        });
        thread.join();
        EXPECT_EQ(during, c.during) << c.name;
        EXPECT_EQ(after, c.after) << c.name;
        EXPECT_EQ(final, "none") << c.name << ": the program's own end undoes it";
        EXPECT_EQ(freed, 1) << c.name;
    }
}

TEST_F(DropWindowTest, BlockNeedsPositionAndSize)
{
    Build();
    ui::SkinBlock block = DropBlock();
    block.m_mapKeyword.erase("Size");
    const skintest::SkinErrors errors =
        skintest::CatchSkinErrors([&] { m_pWindow->CreateDropWindow(9, block); });
    EXPECT_EQ(errors.m_vBox, std::vector<std::string>{"Drop/Sizeが定義されていません"});
    EXPECT_EQ(::GetDlgItem(m_pWindow->GetHwnd(), 9), nullptr);
}

} // namespace
