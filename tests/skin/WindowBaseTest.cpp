// The application window base: item keys numbered in declaration order, the frame overlay and
// its message, the shared close, the helpers for window files, and the wait at the end of the
// session.

#include "skin/EndSessionWaitingWindow.h"
#include "skin/FrameOverlayWindowBase.h"
#include "skin/ResizableSkinWindow.h"
#include "skin/SkinItemKey.h"
#include "skin/SkinWindowItemEditBox.h"
#include "skin/SkinWindowItemOverlay.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemStaticImage.h"
#include "skin/WindowBase.h"
#include "tests/skin/support/SkinItemTestSupport.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("skin_window_base_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("skin_window_base_test"));

// This file's keys, as a window file declares them.
uint16_t g_nKeyId = 2000;
const ui::SkinItemKey kPanel("Panel", g_nKeyId);
const ui::SkinItemKey kOverlay("Overlay", g_nKeyId);
const ui::SkinItemKey kLabel("Label", g_nKeyId);
const ui::SkinItemKey kPicture("Picture", g_nKeyId);
const ui::SkinItemKey kEdit("Edit", g_nKeyId);

typedef ui::CFrameOverlayWindowBase<ui::CEndSessionWaitingWindow<ui::CResizableSkinWindow>>
    CApplicationWindow;

// An application window of the test skin "TestResizable.txt" (320 x 200): a panel and,
// when asked, the frame overlay.
class CTestApplicationWindow : public CApplicationWindow, public ui::CWindowBase {
public:
    CTestApplicationWindow() : CApplicationWindow(&kOverlay) {}

    UINT GetOverlayMessage() override { return ui::kWindowOverlayMessage; }
    bool CanShowOverlay() override { return m_bCanShowOverlay; }

    void Build(bool overlay)
    {
        ui::SkinDefinition definition;
        LoadSkin(definition, "TestResizable.txt", "Base", true);
        AddResizableStaticImage(definition, kPanel);
        if (overlay) CreateFrameOverlay(definition);
    }
    HWND CreateHidden(HWND parent = nullptr, DWORD style = WS_POPUP)
    {
        return Create(0, nullptr, "base", style, 0, 0, 320, 200, parent, nullptr);
    }
    ui::CSkinWindowItem* Overlay() { return GetItemById(kOverlay.m_nId); }

    bool m_bCanShowOverlay = true;
};

TEST(SkinItemKeyTest, IdsFollowTheFileCounterInDeclarationOrder)
{
    EXPECT_EQ(kPanel.m_nId, 2000);
    EXPECT_EQ(kOverlay.m_nId, 2001);
    EXPECT_EQ(kLabel.m_nId, 2002);
    EXPECT_EQ(kPicture.m_nId, 2003);
    EXPECT_EQ(kEdit.m_nId, 2004);
    EXPECT_EQ(g_nKeyId, 2005) << "the counter stands after the last key";

    // Another file's counter starts where that file says.
    uint16_t counter = 1024;
    const ui::SkinItemKey first("A", counter);
    const ui::SkinItemKey second("B", counter);
    EXPECT_EQ(first.m_nId, 1024);
    EXPECT_EQ(second.m_nId, 1025);
    const ui::SkinItemKey copy = second;
    EXPECT_EQ(copy.m_strName, "B");
    EXPECT_EQ(copy.m_nId, 1025);
    EXPECT_EQ(counter, 1026) << "a copy takes no id";
}

TEST(FrameOverlayTest, CreatedHiddenOverTheWholeWindowAndFollowsItsSize)
{
    CTestApplicationWindow window;
    window.Build(true);
    ASSERT_TRUE(window.HasOverlay());
    ui::CSkinWindowItem* overlay = window.Overlay();
    ASSERT_NE(dynamic_cast<ui::CSkinWindowItemOverlay*>(overlay), nullptr);
    EXPECT_FALSE(overlay->IsVisible());
    const ui::SkinRect design = overlay->GetRect();
    EXPECT_EQ(design.left, 0);
    EXPECT_EQ(design.top, 0);
    EXPECT_EQ(design.right, 320);
    EXPECT_EQ(design.bottom, 200);
    ASSERT_EQ(window.GetAnchors().size(), 1u);
    const ui::AnchorEntry& anchor = window.GetAnchors()[0];
    EXPECT_EQ(anchor.m_nId, kOverlay.m_nId);
    EXPECT_EQ(std::vector<int32_t>(anchor.m_nKind, anchor.m_nKind + 4),
              (std::vector<int32_t>{ui::ANCHOR_NEAR, ui::ANCHOR_NEAR, ui::ANCHOR_FAR,
                                    ui::ANCHOR_FAR}));

    window.CreateHidden();
    SetWindowPos(window.GetHwnd(), nullptr, 0, 0, 410, 260,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const ui::SkinRect grown = overlay->GetRect();
    EXPECT_EQ(grown.right, 410);
    EXPECT_EQ(grown.bottom, 260);
    window.DestroyWindow();
    testsupport::DispatchQueued();
}

TEST(FrameOverlayTest, ANewWindowStartsWithItsOverlayHidden)
{
    testsupport::DispatchQueued();
    CTestApplicationWindow window;
    window.Build(true);
    // Shown before the window exists, as a window built over an old state would have it.
    window.Overlay()->SetVisible(true);
    window.CreateHidden();
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, window.GetHwnd(), ui::kWindowOverlayMessage,
                             ui::kWindowOverlayMessage, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(ui::OVERLAY_SHOW_OR_HIDE));
    EXPECT_EQ(msg.lParam, 0);
    testsupport::DispatchQueued();
    EXPECT_FALSE(window.Overlay()->IsVisible());
    window.DestroyWindow();

    // A window without an overlay posts nothing.
    CTestApplicationWindow plain;
    plain.Build(false);
    plain.CreateHidden();
    EXPECT_FALSE(PeekMessageA(&msg, plain.GetHwnd(), ui::kWindowOverlayMessage,
                              ui::kWindowOverlayMessage, PM_NOREMOVE));
    plain.DestroyWindow();
    testsupport::DispatchQueued();
}

TEST(FrameOverlayTest, TheOverlayMessageAsATable)
{
    enum Kind { HIDDEN, VISIBLE, CHILD };
    // A request, and what CanShowOverlay answers meanwhile.
    struct Request {
        WPARAM wParam;
        LPARAM lParam;
        bool canShow;
    };
    const Request kShow = {0, 1, true}, kShowOther = {0, -7, true}, kShowRefused = {0, 1, false},
                  kHideVeil = {0, 0, true}, kHideVeilRefusing = {0, 0, false},
                  kHide = {1, 0, true}, kRestore = {2, 0, true}, kUnknown = {3, 1, true};
    struct Case {
        const char* name;
        bool overlay;
        Kind kind;
        std::vector<Request> requests;
        bool overlayVisible;
        bool windowVisible;
        bool hiddenByOverlay;
    };
    const Case cases[] = {
        {"veil shown", true, HIDDEN, {kShow}, true, false, false},
        {"any lParam but 0 shows", true, HIDDEN, {kShowOther}, true, false, false},
        {"veil refused", true, HIDDEN, {kShowRefused}, false, false, false},
        {"veil shown then hidden", true, HIDDEN, {kShow, kHideVeil}, false, false, false},
        {"hidden while showing is refused", true, HIDDEN, {kShow, kHideVeilRefusing}, false,
         false, false},
        {"no overlay: shows nothing", false, HIDDEN, {kShow}, false, false, false},
        {"visible window hidden", true, VISIBLE, {kHide}, false, false, true},
        {"hidden and shown again", true, VISIBLE, {kHide, kRestore}, false, true, false},
        {"shown again once per hiding", true, VISIBLE, {kHide, kRestore, kHide, kRestore, kRestore},
         false, true, false},
        {"hidden window: 1 does nothing, 2 does not show it", true, HIDDEN, {kHide, kRestore},
         false, false, false},
        {"2 without 1 does nothing", true, HIDDEN, {kRestore}, false, false, false},
        {"child window stays", true, CHILD, {kHide}, false, true, false},
        {"child window: 2 does not show a hidden child", true, CHILD, {kHide, kRestore}, false,
         true, false},
        {"no overlay: the window is still hidden", false, VISIBLE, {kHide}, false, false, true},
        {"unknown request", true, VISIBLE, {kUnknown}, false, true, false},
        {"veil on a window the protocol hid", true, VISIBLE, {kHide, kShow}, true, false, true},
    };
    for (const Case& c : cases) {
        testsupport::DispatchQueued();
        lib::wfc::CWindow parent;
        CTestApplicationWindow window;
        window.Build(c.overlay);
        if (c.kind == CHILD) {
            parent.Create(0, nullptr, "parent", WS_POPUP, 0, 0, 400, 300);
            ShowWindow(parent.GetHwnd(), SW_SHOWNA);
            window.CreateHidden(parent.GetHwnd(), WS_CHILD);
        } else {
            window.CreateHidden();
        }
        testsupport::DispatchQueued();
        if (c.kind != HIDDEN) ShowWindow(window.GetHwnd(), SW_SHOWNA);
        for (const Request& request : c.requests) {
            window.m_bCanShowOverlay = request.canShow;
            window.SendMessage(ui::kWindowOverlayMessage, request.wParam, request.lParam);
        }
        ui::CSkinWindowItem* overlay = window.Overlay();
        EXPECT_EQ(overlay != nullptr, c.overlay) << c.name;
        if (overlay != nullptr) {
            EXPECT_EQ(overlay->IsVisible(), c.overlayVisible) << c.name;
        }
        EXPECT_EQ(IsWindowVisible(window.GetHwnd()) != FALSE, c.windowVisible) << c.name;
        EXPECT_EQ(window.IsHiddenByOverlay(), c.hiddenByOverlay) << c.name;
        EXPECT_NE(GetActiveWindow(), window.GetHwnd()) << c.name << ": shown without activation";
        window.DestroyWindow();
        parent.DestroyWindow();
    }
    testsupport::DispatchQueued();
}

TEST(FrameOverlayTest, OtherMessagesAndTheSharedCloseReachTheWindow)
{
    testsupport::DispatchQueued();
    CTestApplicationWindow window;
    window.Build(true);
    window.CreateHidden();
    testsupport::DispatchQueued();
    // The message box's number means nothing to an application window.
    window.SendMessage(ui::kMessageBoxOverlayMessage, 0, 1);
    EXPECT_FALSE(window.Overlay()->IsVisible());
    window.SendMessage(WM_CLOSE, 0, 0);
    EXPECT_FALSE(window.IsWindow()) << "the default close destroys the window";
    testsupport::DispatchQueued();
}

TEST(FrameOverlayTest, HelpersReachItemsOfTheirKindOnly)
{
    testsupport::DispatchQueued();
    skintest::CSkinErrorCollector errors;
    CTestApplicationWindow window;
    window.Build(false);
    window.CreateStatic(kLabel.m_nId, skintest::MakeSkinBlock(
        "Label", "Position=10,10;Size=100,20;Font=MS PGothic,14,400;Text=ラベル"));
    window.CreateStaticImage(kPicture.m_nId, skintest::MakeSkinBlock(
        "Picture", "Position=10,40;Size=16,16;Image=TestResizableFace.png,0,0,16,16"));
    window.CreateEditBox(kEdit.m_nId, skintest::MakeSkinBlock(
        "Edit", "Position=10,70;Size=100,24;Font=MS PGothic,14,400"));
    ASSERT_TRUE(errors.Messages().empty());
    window.SetEditFocus(kEdit);   // no control yet: nothing happens
    window.CreateHidden();
    auto* label = dynamic_cast<ui::CSkinWindowItemStatic*>(window.GetItemById(kLabel.m_nId));
    auto* picture =
        dynamic_cast<ui::CSkinWindowItemStaticImage*>(window.GetItemById(kPicture.m_nId));
    ASSERT_NE(label, nullptr);
    ASSERT_NE(picture, nullptr);

    EXPECT_EQ(window.GetStaticFormat(kLabel), static_cast<UINT>(DT_WORDBREAK));
    window.SetStaticFormat(kLabel, DT_WORDBREAK | DT_CENTER);
    EXPECT_EQ(label->GetFormat(), static_cast<UINT>(DT_WORDBREAK | DT_CENTER));
    EXPECT_EQ(window.GetStaticFormat(kLabel), static_cast<UINT>(DT_WORDBREAK | DT_CENTER));
    window.SetStaticColor(kLabel, RGB(1, 2, 3));
    EXPECT_EQ(label->GetColor(), RGB(1, 2, 3));
    EXPECT_TRUE(picture->IsHitTestable());
    window.SetImageHitTest(kPicture, false);
    EXPECT_FALSE(picture->IsHitTestable());
    EXPECT_EQ(window.FindItemFromPoint(12, 42), nullptr) << "the mouse passes through";
    auto* edit = dynamic_cast<ui::CSkinWindowItemEditBox*>(window.GetItemById(kEdit.m_nId));
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(edit->GetControl(), nullptr);
    window.SetEditFocus(kEdit);
    EXPECT_EQ(GetFocus(), edit->GetControl()) << "the focus is in the edit control";

    // Keys of another kind, or of no item, are passed over.
    window.SetStaticFormat(kPanel, DT_CENTER);
    window.SetStaticColor(kOverlay, RGB(1, 2, 3));
    window.SetImageHitTest(kLabel, true);
    SetFocus(window.GetHwnd());
    window.SetEditFocus(kLabel);
    EXPECT_EQ(GetFocus(), window.GetHwnd());
    EXPECT_EQ(window.GetStaticFormat(kPanel), 0u);
    EXPECT_EQ(window.GetStaticFormat(kOverlay), 0u);
    EXPECT_FALSE(picture->IsHitTestable());
    window.DestroyWindow();
    testsupport::DispatchQueued();
}

// ---- the end of the session ----

const UINT kNote = WM_APP + 5;

class CEndingWindow : public CTestApplicationWindow {
public:
    bool m_bCloseItself = false;
    bool m_bWaited = false;
    int m_nNotes = 0;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kNote) ++m_nNotes;
        return CTestApplicationWindow::WindowProc(message, wParam, lParam);
    }

    void OnEndSession(bool ending, LPARAM lParam) override
    {
        if (ending && m_bCloseItself) PostMessage(WM_CLOSE, 0, 0);
        CTestApplicationWindow::OnEndSession(ending, lParam);
        m_bWaited = true;
    }
};

HWND g_hDestroyLater = nullptr;

void CALLBACK DestroyLater(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (IsWindow(g_hDestroyLater)) DestroyWindow(g_hDestroyLater);
}

TEST(EndSessionTest, WaitsUntilTheWindowIsGone)
{
    struct Case {
        const char* name;
        bool ending;
        bool closeItself;
        bool destroyByTimer;
        bool quitBefore;
        bool windowGone;
        bool quitAfter;
    };
    const Case cases[] = {
        {"the session goes on: no wait", false, true, false, false, false, false},
        {"a window that closes itself", true, true, false, false, true, false},
        {"a window its owner's timer destroys", true, false, true, false, true, false},
        // The posted close comes before the quit: the quit is never read, and stays.
        {"closing itself with a quit pending", true, true, false, true, true, true},
        // Read, the quit ends the wait and is posted again for the main loop; the timer that
        // would have ended the window has not run.
        {"a quit read during the wait", true, false, true, true, false, true},
    };
    for (const Case& c : cases) {
        testsupport::DispatchQueued();
        testsupport::TakeQuit();
        CEndingWindow window;
        window.Build(true);
        window.m_bCloseItself = c.closeItself;
        HWND hwnd = window.CreateHidden();
        testsupport::DispatchQueued();
        UINT_PTR timer = 0;
        if (c.destroyByTimer) {
            g_hDestroyLater = hwnd;
            timer = SetTimer(nullptr, 0, 30, &DestroyLater);
        }
        if (c.quitBefore) PostQuitMessage(6);
        // Posted after the quit, read before it: a wait pumps it.
        PostMessageA(hwnd, kNote, 0, 0);

        window.SendMessage(WM_ENDSESSION, c.ending ? TRUE : FALSE, 0);

        EXPECT_TRUE(window.m_bWaited) << c.name;
        EXPECT_EQ(!IsWindow(hwnd), c.windowGone) << c.name;
        EXPECT_EQ(window.m_nNotes, c.ending ? 1 : 0) << c.name << ": only a wait pumps";
        WPARAM exitCode = 0;
        EXPECT_EQ(testsupport::TakeQuit(&exitCode), c.quitAfter) << c.name;
        if (c.quitAfter) {
            EXPECT_EQ(exitCode, 6u) << c.name << ": the exit code is kept";
        }
        if (timer != 0) KillTimer(nullptr, timer);
        g_hDestroyLater = nullptr;
        window.DestroyWindow();
    }
    testsupport::DispatchQueued();
}

TEST(WindowBaseTest, ApplicationWindowsAreDeletedThroughTheOneBase)
{
    std::unique_ptr<ui::CWindowBase> held(new CTestApplicationWindow);
    CTestApplicationWindow* window = dynamic_cast<CTestApplicationWindow*>(held.get());
    ASSERT_NE(window, nullptr);
    window->Build(true);
    window->CreateHidden();
    HWND hwnd = window->GetHwnd();
    window->DestroyWindow();
    held.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    testsupport::DispatchQueued();
}

} // namespace
