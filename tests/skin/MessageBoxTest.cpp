// The skinned message box: real boxes of the product's skin, shown over a hidden owner and run
// by DoModal, inspected and ended from a thread timer that fires inside the modal loop; and
// the icon item on a fake window.

#include "lib/wfc/DC.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/MessageBoxWindow.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindowItemIcon.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "skin/SkinWindowItemStatic.h"
#include "tests/skin/support/FakeItemAccessor.h"
#include "tests/skin/support/MessageTexts.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("skin_message_box_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("skin_message_box_test"));

using ui::CMessageBoxWindow;
using ui::SkinItemKey;
namespace key = ui::MessageBoxWindowKey;

const char kOwnerTitle[] = "ケストラム";
using skintest::kFourLineText;
using skintest::kOneLineText;
using skintest::kSixLineText;
using skintest::kThreeLineText;

// ---- running a box ----

CMessageBoxWindow* g_pBox = nullptr;
std::function<void(CMessageBoxWindow&)> g_fnInspect;
const int32_t kGuardResult = -99;
const UINT kCancelTheBox = WM_APP + 9;

void CALLBACK InspectBox(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    std::function<void(CMessageBoxWindow&)> inspect;
    inspect.swap(g_fnInspect);
    if (g_pBox != nullptr && inspect) inspect(*g_pBox);
}

// A box the test failed to end ends here, so that the test fails instead of hanging.
void CALLBACK GuardBox(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (g_pBox != nullptr && !g_pBox->IsEnded()) g_pBox->EndWithResult(kGuardResult);
}

// The box's owner: hidden, titled, and asking the open box to cancel on kCancelTheBox, as
// another window of the launcher would.
class COwnerWindow : public lib::wfc::CWindow {
public:
    HWND Make(bool visible)
    {
        Create(0, nullptr, kOwnerTitle, WS_POPUP, 0, 0, 200, 100);
        if (visible) ::ShowWindow(GetHwnd(), SW_SHOWNA);
        return GetHwnd();
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kCancelTheBox && g_pBox != nullptr) g_pBox->OnCancel();
        return CWindow::WindowProc(message, wParam, lParam);
    }
};

int32_t RunBox(HWND owner, const std::string& text, UINT type,
               std::function<void(CMessageBoxWindow&)> inspect, bool topmost = true)
{
    // A skin error fails the test instead of waiting in its box.
    skintest::CSkinErrorCollector errors;
    CMessageBoxWindow box(topmost);
    g_pBox = &box;
    g_fnInspect = std::move(inspect);
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &InspectBox);
    const UINT_PTR guard = SetTimer(nullptr, 0, 60000, &GuardBox);
    const int32_t result = box.DoModal(owner, text, type);
    KillTimer(nullptr, timer);
    KillTimer(nullptr, guard);
    g_fnInspect = nullptr;
    g_pBox = nullptr;
    EXPECT_TRUE(errors.Messages().empty());
    return result;
}

ui::SkinRect ItemRect(CMessageBoxWindow& box, const SkinItemKey& item)
{
    return box.GetItemById(item.m_nId)->GetRect();
}

// A click as the mouse makes it, at the middle of the item. Press and release are sent one
// after the other: posted, a change of activation that another program of the session caused
// could be read between them and cancel the press.
void Click(CMessageBoxWindow& box, const SkinItemKey& item)
{
    const ui::SkinRect rect = ItemRect(box, item);
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    box.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    box.SendMessage(WM_LBUTTONUP, 0, at);
}

// ---- what a box shows ----

struct BoxShot {
    RECT window = {};
    std::vector<int32_t> buttons;          // visible standard buttons, left to right
    std::vector<ui::SkinRect> buttonRects;
    bool closeVisible = false;
    ui::SkinRect text = {};
    ui::SkinRect grouping = {};
    COLORREF color = 0;
    int32_t lines = -1;
    int32_t lineHeight = 0;
    std::string title;
    LONG_PTR exStyle = 0;
    bool ownerEnabled = true;
    bool visible = false;
};

int32_t FontLineHeight(const LOGFONTA& logFont)
{
    lib::wfc::CFont font(&logFont);
    lib::wfc::CMemDC memory(nullptr);
    HGDIOBJ old = SelectObject(memory.GetHDC(), font.GetHandle());
    TEXTMETRICA metrics = {};
    GetTextMetricsA(memory.GetHDC(), &metrics);
    SelectObject(memory.GetHDC(), old);
    return metrics.tmHeight;
}

BoxShot Shoot(CMessageBoxWindow& box, HWND owner)
{
    BoxShot shot;
    box.GetWindowRect(&shot.window);
    const SkinItemKey* standard[] = {&key::kOkButton, &key::kCancelButton, &key::kYesButton,
                                     &key::kNoButton, &key::kRetryButton};
    std::vector<ui::CSkinWindowItem*> shown;
    for (const SkinItemKey* button : standard) {
        ui::CSkinWindowItem* item = box.GetItemById(button->m_nId);
        if (item != nullptr && item->IsVisible()) shown.push_back(item);
    }
    std::sort(shown.begin(), shown.end(), [](ui::CSkinWindowItem* a, ui::CSkinWindowItem* b) {
        return a->GetRect().left < b->GetRect().left;
    });
    for (ui::CSkinWindowItem* item : shown) {
        shot.buttons.push_back(item->GetId());
        shot.buttonRects.push_back(item->GetRect());
    }
    shot.closeVisible = box.GetItemById(key::kCloseButton.m_nId)->IsVisible();
    shot.text = box.GetTextItem()->GetRect();
    shot.grouping = box.GetGroupingItem()->GetRect();
    shot.color = box.GetTextItem()->GetColor();
    shot.lines = box.GetLineCount();
    shot.lineHeight = FontLineHeight(box.GetTextItem()->GetLogFont());
    shot.title = box.GetWindowText();
    shot.exStyle = GetWindowLongPtrA(box.GetHwnd(), GWL_EXSTYLE);
    shot.ownerEnabled = owner == nullptr || IsWindowEnabled(owner) != FALSE;
    shot.visible = IsWindowVisible(box.GetHwnd()) != FALSE;
    return shot;
}

std::vector<int32_t> Ids(const std::vector<const SkinItemKey*>& keys)
{
    std::vector<int32_t> ids;
    for (const SkinItemKey* k : keys) ids.push_back(k->m_nId);
    return ids;
}

// The frame as the product's skin places it.
ui::SkinRect DesignGrouping()
{
    const ui::SkinDefinition definition = ui::LoadSkinDefinition("MessageBoxWindow.txt", nullptr);
    const ui::SkinBlock block = ui::GetSkinBlock(definition, key::kGroupingBase.m_strName);
    const POINT position = ui::ToPoint(block.m_mapKeyword.at("Position"), 0);
    const POINT size = ui::ToPoint(block.m_mapKeyword.at("Size"), 0);
    return ui::SkinRect{position.x, position.y, position.x + size.x, position.y + size.y};
}

// The box laid out as designed for its lines and buttons: 600 wide, 120 high and 20 more for
// each line beyond three, centred on the work area; the frame grown by as much; the text
// centred in the box across and in the frame down; the buttons right-aligned at the bottom.
void ExpectLaidOut(const BoxShot& shot, int32_t lines, const std::vector<int32_t>& buttons,
                   const std::string& name)
{
    const int32_t extra = lines > 3 ? 20 * (lines - 3) : 0;
    const int32_t width = 600;
    const int32_t height = 120 + extra;
    EXPECT_EQ(shot.lines, lines) << name;
    EXPECT_EQ(shot.window.right - shot.window.left, width) << name;
    EXPECT_EQ(shot.window.bottom - shot.window.top, height) << name;
    const RECT work = lib::wfc::GetWorkArea();
    EXPECT_EQ(shot.window.left, work.left + (work.right - work.left - width) / 2) << name;
    EXPECT_EQ(shot.window.top, work.top + (work.bottom - work.top - height) / 2) << name;

    const ui::SkinRect design = DesignGrouping();
    EXPECT_EQ(shot.grouping.left, design.left) << name;
    EXPECT_EQ(shot.grouping.top, design.top) << name;
    EXPECT_EQ(shot.grouping.right, design.right) << name;
    EXPECT_EQ(shot.grouping.bottom, design.bottom + extra) << name;

    EXPECT_GT(shot.text.Width(), 0) << name;
    EXPECT_LE(shot.text.Width(), 560) << name;
    EXPECT_EQ(shot.text.left, (width - shot.text.Width()) / 2) << name;
    EXPECT_EQ(shot.text.Height(), lines * shot.lineHeight) << name;
    EXPECT_EQ(shot.text.top, shot.grouping.top + (shot.grouping.Height() - shot.text.Height()) / 2)
        << name;

    EXPECT_EQ(shot.buttons, buttons) << name;
    EXPECT_TRUE(shot.closeVisible) << name << ": the close button is there for every type";
    for (size_t i = 0; i < shot.buttonRects.size(); ++i) {
        const ui::SkinRect& rect = shot.buttonRects[i];
        EXPECT_EQ(rect.bottom, height - 10) << name << " button " << i;
        EXPECT_EQ(rect.Height(), 28) << name << " button " << i << " keeps its skin size";
        if (i + 1 == shot.buttonRects.size()) {
            EXPECT_EQ(rect.right, width - 10) << name << " last button";
        } else {
            EXPECT_EQ(rect.right, shot.buttonRects[i + 1].left - 5) << name << " button " << i;
        }
    }
}

// ---- the boxes ----

TEST(MessageBoxKeysTest, IdsCountedFrom1024InTheirOrder)
{
    const SkinItemKey* keys[] = {&key::kBase,      &key::kCloseButton,  &key::kText,
                                 &key::kGroupingBase, &key::kOkButton,  &key::kCancelButton,
                                 &key::kYesButton, &key::kNoButton,     &key::kRetryButton,
                                 &key::kIcon,      &key::kFrameOverlay};
    const char* names[] = {"Base",   "CloseButton",  "Text",     "GroupingBase",
                           "OkButton", "CancelButton", "YesButton", "NoButton",
                           "RetryButton", "__internal_item_Icon__", "FrameOverlay"};
    for (size_t i = 0; i < sizeof keys / sizeof keys[0]; ++i) {
        EXPECT_EQ(keys[i]->m_nId, 1024 + i) << names[i];
        EXPECT_EQ(keys[i]->m_strName, names[i]);
    }
}

TEST(MessageBoxTest, EveryButtonSetItsLayoutAndItsResults)
{
    enum Action { CLICK, CLOSE_MESSAGE, CANCEL_FROM_OWNER };
    struct Case {
        const char* name;
        UINT type;
        const char* text;
        int32_t lines;
        std::vector<const SkinItemKey*> buttons;
        Action action;
        const SkinItemKey* clicked;
        int32_t result;
    };
    const std::vector<const SkinItemKey*> none;
    const Case cases[] = {
        {"OK", MB_OK, kOneLineText, 1, {&key::kOkButton}, CLICK, &key::kOkButton, IDOK},
        {"OK, Cancel", MB_OKCANCEL | MB_ICONINFORMATION, kThreeLineText, 3,
         {&key::kOkButton, &key::kCancelButton}, CLICK, &key::kCancelButton, IDCANCEL},
        {"abort, retry, ignore: no button", MB_ABORTRETRYIGNORE, kOneLineText, 1, none, CLICK,
         &key::kCloseButton, IDCANCEL},
        {"Yes, No, Cancel", MB_YESNOCANCEL | MB_ICONEXCLAMATION, kFourLineText, 4,
         {&key::kYesButton, &key::kNoButton, &key::kCancelButton}, CLICK, &key::kYesButton, IDYES},
        {"Yes, No", MB_YESNO | MB_ICONQUESTION, kSixLineText, 6,
         {&key::kYesButton, &key::kNoButton}, CLICK, &key::kNoButton, IDNO},
        {"Retry, Cancel", MB_RETRYCANCEL | MB_ICONHAND, kThreeLineText, 3,
         {&key::kRetryButton, &key::kCancelButton}, CLICK, &key::kRetryButton, IDRETRY},
        {"type 6: no button, closed by WM_CLOSE", 6, kOneLineText, 1, none, CLOSE_MESSAGE, nullptr,
         IDCANCEL},
        {"type 15: no button, cancelled by another window", 15, kFourLineText, 4, none,
         CANCEL_FROM_OWNER, nullptr, IDCANCEL},
        {"the wait notice's type 255", 255, kOneLineText, 1, none, CANCEL_FROM_OWNER, nullptr,
         IDCANCEL},
    };
    COwnerWindow owner;
    HWND hOwner = owner.Make(false);
    for (const Case& c : cases) {
        BoxShot shot;
        const int32_t result = RunBox(hOwner, c.text, c.type, [&](CMessageBoxWindow& box) {
            shot = Shoot(box, hOwner);
            switch (c.action) {
            case CLICK: Click(box, *c.clicked); break;
            case CLOSE_MESSAGE: box.PostMessage(WM_CLOSE, 0, 0); break;
            case CANCEL_FROM_OWNER: PostMessageA(hOwner, kCancelTheBox, 0, 0); break;
            }
        });
        EXPECT_EQ(result, c.result) << c.name;
        ExpectLaidOut(shot, c.lines, Ids(c.buttons), c.name);
        EXPECT_TRUE(shot.visible) << c.name;
        EXPECT_EQ(shot.color, (c.type & MB_ICONMASK) == MB_ICONEXCLAMATION ? RGB(224, 0, 88)
                                                                            : RGB(40, 40, 40))
            << c.name;
        EXPECT_EQ(shot.title, kOwnerTitle) << c.name;
        EXPECT_NE(shot.exStyle & WS_EX_TOPMOST, 0) << c.name;
        EXPECT_FALSE(shot.ownerEnabled) << c.name << ": the owner is disabled while the box runs";
        EXPECT_TRUE(IsWindowEnabled(hOwner)) << c.name << ": and enabled again";
    }
    owner.DestroyWindow();
}

TEST(MessageBoxTest, KeysDoNothingAndFreeSpotsDragTheBox)
{
    COwnerWindow owner;
    HWND hOwner = owner.Make(false);
    bool endedByKeys = true;
    LRESULT free = 0, overButton = 0, overFrame = 0, overText = 0;
    const int32_t result = RunBox(hOwner, kOneLineText, MB_OKCANCEL, [&](CMessageBoxWindow& box) {
        box.SendMessage(WM_KEYDOWN, VK_RETURN, 0);
        box.SendMessage(WM_KEYDOWN, VK_ESCAPE, 0);
        endedByKeys = box.IsEnded();
        RECT window = {};
        box.GetWindowRect(&window);
        const auto hit = [&](int x, int y) {
            return box.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(window.left + x, window.top + y));
        };
        const ui::SkinRect ok = ItemRect(box, key::kOkButton);
        const ui::SkinRect frame = box.GetGroupingItem()->GetRect();
        const ui::SkinRect text = box.GetTextItem()->GetRect();
        free = hit(4, 110);
        overButton = hit(ok.left + 2, ok.top + 2);
        overFrame = hit(frame.left + 2, frame.top + 2);
        overText = hit(text.left + 1, text.top + 1);
        Click(box, key::kOkButton);
    });
    EXPECT_FALSE(endedByKeys) << "Enter and Esc have no effect of their own";
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(free, HTCAPTION);
    EXPECT_EQ(overButton, HTCLIENT);
    EXPECT_EQ(overFrame, HTCLIENT) << "the frame is an item";
    EXPECT_EQ(overText, HTCLIENT) << "the text lets the mouse through to the frame";
    owner.DestroyWindow();
}

TEST(MessageBoxTest, ALaterLayoutKeepsTheBoxAsLaidOut)
{
    COwnerWindow owner;
    HWND hOwner = owner.Make(false);
    BoxShot before, after;
    RunBox(hOwner, kSixLineText, MB_YESNOCANCEL, [&](CMessageBoxWindow& box) {
        before = Shoot(box, hOwner);
        // The skin window's relayout message, as any sender may send it.
        box.SendMessage(ui::GetSkinWindowInternalMessage(), 0, 0);
        after = Shoot(box, hOwner);
        box.OnCancel();
    });
    EXPECT_EQ(after.window.bottom - after.window.top, before.window.bottom - before.window.top);
    EXPECT_EQ(after.buttons, before.buttons);
    for (size_t i = 0; i < before.buttonRects.size() && i < after.buttonRects.size(); ++i) {
        EXPECT_EQ(after.buttonRects[i].left, before.buttonRects[i].left) << i;
        EXPECT_EQ(after.buttonRects[i].top, before.buttonRects[i].top) << i;
    }
    EXPECT_EQ(after.text.left, before.text.left);
    EXPECT_EQ(after.text.top, before.text.top);
    EXPECT_EQ(after.text.Height(), before.text.Height());
    owner.DestroyWindow();
}

TEST(MessageBoxTest, ALongLineWrapsAndCountsItsLines)
{
    COwnerWindow owner;
    HWND hOwner = owner.Make(false);
    std::string paragraph;
    for (int i = 0; i < 16; ++i) paragraph += "通信が混み合っているため、";
    paragraph += "しばらくしてからもう一度お試しください。";
    BoxShot shot;
    RunBox(hOwner, paragraph, MB_OK, [&](CMessageBoxWindow& box) {
        shot = Shoot(box, hOwner);
        box.OnCancel();
    });
    EXPECT_GE(shot.lines, 5) << "the paragraph wraps within 560 pixels";
    ExpectLaidOut(shot, shot.lines, {key::kOkButton.m_nId}, "long line");
    owner.DestroyWindow();
}

TEST(MessageBoxTest, EndsWithoutAButtonWhenItsLoopIsLeft)
{
    // A visible owner hidden ends the loop: nothing was pressed.
    {
        COwnerWindow owner;
        HWND hOwner = owner.Make(true);
        bool stillOpen = false;
        const auto hideOwner = [&](CMessageBoxWindow& box) {
            stillOpen = !box.IsEnded();
            ShowWindow(hOwner, SW_HIDE);
        };
        const int32_t result = RunBox(hOwner, kOneLineText, MB_OKCANCEL, hideOwner);
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(result, 0) << "hidden owner";
        EXPECT_TRUE(IsWindowEnabled(hOwner));
        owner.DestroyWindow();
    }
    // A quit message ends the loop and is posted again for the thread's main loop.
    {
        testsupport::TakeQuit();
        COwnerWindow owner;
        HWND hOwner = owner.Make(false);
        const int32_t result = RunBox(hOwner, kOneLineText, MB_YESNO, [&](CMessageBoxWindow&) {
            PostQuitMessage(5);
        });
        EXPECT_EQ(result, 0) << "quit";
        WPARAM exitCode = 0;
        EXPECT_TRUE(testsupport::TakeQuit(&exitCode)) << "the quit reaches the main loop";
        EXPECT_EQ(exitCode, 5u) << "with the program's exit code";
        owner.DestroyWindow();
    }
}

HWND g_hOwnerToDestroy = nullptr;
bool g_bBoxAliveAtOwnersEnd = false;

void CALLBACK DestroyOwner(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_bBoxAliveAtOwnersEnd = g_pBox != nullptr && g_pBox->IsWindow() && !g_pBox->IsEnded();
    DestroyWindow(g_hOwnerToDestroy);
}

TEST(MessageBoxTest, AtTheEndOfTheSessionTheBoxGoesWithItsOwner)
{
    COwnerWindow owner;
    g_hOwnerToDestroy = owner.Make(false);
    g_bBoxAliveAtOwnersEnd = false;
    bool returned = false;
    const auto endSession = [&](CMessageBoxWindow& box) {
        SetTimer(nullptr, 0, 50, &DestroyOwner);
        // The box waits in here, pumping, until the owner takes it along.
        box.SendMessage(WM_ENDSESSION, TRUE, 0);
        returned = !box.IsWindow();
    };
    const int32_t result = RunBox(g_hOwnerToDestroy, kOneLineText, MB_YESNO, endSession);
    EXPECT_TRUE(g_bBoxAliveAtOwnersEnd) << "the box does not close itself";
    EXPECT_TRUE(returned) << "the wait ends when the box is gone";
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(IsWindow(g_hOwnerToDestroy));
    g_hOwnerToDestroy = nullptr;
}

BOOL WINAPI FailingGetTextMetrics(HDC, TEXTMETRICA*)
{
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

TEST(MessageBoxTest, AFontWithoutMetricsCountsNoLines)
{
    COwnerWindow owner;
    HWND hOwner = owner.Make(false);
    BoxShot shot;
    int32_t result = 0;
    {
        testsupport::CImportPatch patch("gdi32.dll", "GetTextMetricsA",
                                        reinterpret_cast<void*>(&FailingGetTextMetrics));
        ASSERT_TRUE(patch.Patched());
        result = RunBox(hOwner, kSixLineText, MB_OK, [&](CMessageBoxWindow& box) {
            shot = Shoot(box, hOwner);
            Click(box, key::kOkButton);
        });
    }
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(shot.lines, 0);
    EXPECT_EQ(shot.window.bottom - shot.window.top, 120) << "no growth without a line height";
    owner.DestroyWindow();
}

TEST(MessageBoxTest, TopmostOnlyWhenAskedAndOpaqueWhenActivated)
{
    COwnerWindow owner;
    HWND hOwner = owner.Make(false);
    BoxShot shot;
    BYTE alpha = 0;
    RunBox(hOwner, kOneLineText, MB_OK, [&](CMessageBoxWindow& box) {
        shot = Shoot(box, hOwner);
        // A box made layered and faded by someone else comes back opaque when activated.
        HWND hwnd = box.GetHwnd();
        SetWindowLongPtrA(hwnd, GWL_EXSTYLE, GetWindowLongPtrA(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED);
        SetLayeredWindowAttributes(hwnd, 0, 100, LWA_ALPHA);
        box.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
        COLORREF key = 0;
        DWORD flags = 0;
        GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags);
        box.OnCancel();
    }, false);
    EXPECT_EQ(shot.exStyle & WS_EX_TOPMOST, 0);
    EXPECT_EQ(alpha, 255);
    owner.DestroyWindow();
}

// ---- the icon item ----

TEST(SkinIconItemTest, AnIconTakesTheSystemSizeAndDrawsInsideItsPlace)
{
    skintest::CFakeItemAccessor accessor(80, 80, RGB(0xFF, 0xFF, 0xFF));
    ui::CSkinWindowItemIcon none(&accessor, 1033, nullptr);
    EXPECT_EQ(none.GetSize().cx, 0);
    EXPECT_EQ(none.GetSize().cy, 0);
    EXPECT_EQ(none.GetToolState(), ui::TOOL_NONE);
    none.Draw();

    ui::CSkinWindowItemIcon icon(&accessor, 1033, IDI_HAND);
    ASSERT_NE(icon.GetIcon(), nullptr);
    EXPECT_EQ(icon.GetIcon(), LoadIconA(nullptr, IDI_HAND));
    const int cx = GetSystemMetrics(SM_CXICON);
    const int cy = GetSystemMetrics(SM_CYICON);
    EXPECT_EQ(icon.GetSize().cx, cx);
    EXPECT_EQ(icon.GetSize().cy, cy);
    icon.SetPosition(20, 10);
    // Only the right half of the buffer may be drawn on.
    accessor.Buffer().SetClipRect(RECT{20 + cx / 2, 0, 80, 80});
    icon.Draw();
    int inside = 0, leftOfClip = 0, outside = 0;
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 80; ++x) {
            if (skintest::PixelAt(accessor.Buffer(), x, y) == RGB(0xFF, 0xFF, 0xFF)) continue;
            const bool inIcon = x >= 20 && x < 20 + cx && y >= 10 && y < 10 + cy;
            if (!inIcon) {
                ++outside;
            } else if (x < 20 + cx / 2) {
                ++leftOfClip;
            } else {
                ++inside;
            }
        }
    }
    EXPECT_GT(inside, 0) << "the icon is drawn";
    EXPECT_EQ(leftOfClip, 0) << "and kept in the clip rectangle";
    EXPECT_EQ(outside, 0);
    EXPECT_TRUE(none.GetRect().Width() == 0);
}

} // namespace
