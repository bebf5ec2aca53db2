// The delete-data window's question box: its keys, and for every button set the buttons it
// shows and what each of them, the close button and a closed window answer. A real box of the
// product's skin runs its modal loop over a hidden owner and is pressed from a thread timer.

#include "launcher/DelDMInfoMsgWindow.h"
#include "skin/SkinWindowItem.h"
#include "tests/skin/support/MessageTexts.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using ui::CDelDMInfoMsgWindow;
using ui::SkinItemKey;
namespace key = ui::DelDMInfoMsgWindowKey;

CDelDMInfoMsgWindow* g_pBox = nullptr;
std::function<void(CDelDMInfoMsgWindow&)> g_fnPress;
const int32_t kGuardResult = -99;

void CALLBACK PressBox(HWND, UINT, UINT_PTR id, DWORD)
{
    // Not shown yet: the timer fires again.
    if (g_pBox == nullptr || !g_pBox->IsWindow() || !IsWindowVisible(g_pBox->GetHwnd())) return;
    KillTimer(nullptr, id);
    std::function<void(CDelDMInfoMsgWindow&)> press;
    press.swap(g_fnPress);
    if (g_pBox != nullptr && press) press(*g_pBox);
}

// A box the test failed to end ends here, so that the test fails instead of hanging.
void CALLBACK GuardBox(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (g_pBox != nullptr && !g_pBox->IsEnded()) g_pBox->EndWithResult(kGuardResult);
}

int32_t RunBox(HWND owner, UINT type, std::function<void(CDelDMInfoMsgWindow&)> press)
{
    skintest::CSkinErrorCollector errors;
    CDelDMInfoMsgWindow box(true);
    g_pBox = &box;
    g_fnPress = std::move(press);
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &PressBox);
    const UINT_PTR guard = SetTimer(nullptr, 0, 60000, &GuardBox);
    const int32_t result = box.DoModal(owner, skintest::kThreeLineText, type);
    KillTimer(nullptr, timer);
    KillTimer(nullptr, guard);
    g_fnPress = nullptr;
    g_pBox = nullptr;
    EXPECT_TRUE(errors.Messages().empty());
    return result;
}

void Click(CDelDMInfoMsgWindow& box, const SkinItemKey& item)
{
    const ui::SkinRect rect = box.GetItemById(item.m_nId)->GetRect();
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    box.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    box.SendMessage(WM_LBUTTONUP, 0, at);
}

// The visible standard buttons, left to right.
std::vector<uint16_t> ShownButtons(CDelDMInfoMsgWindow& box)
{
    std::vector<ui::CSkinWindowItem*> shown;
    for (const SkinItemKey* button :
         {&key::kOkButton, &key::kCancelButton, &key::kYesButton, &key::kNoButton}) {
        ui::CSkinWindowItem* item = box.GetItemById(button->m_nId);
        if (item != nullptr && item->IsVisible()) shown.push_back(item);
    }
    std::sort(shown.begin(), shown.end(), [](ui::CSkinWindowItem* a, ui::CSkinWindowItem* b) {
        return a->GetRect().left < b->GetRect().left;
    });
    std::vector<uint16_t> ids;
    for (ui::CSkinWindowItem* item : shown) ids.push_back(static_cast<uint16_t>(item->GetId()));
    return ids;
}

TEST(DelDMInfoMsgKeysTest, IdsCountedFrom1024WithoutARetryButton)
{
    const SkinItemKey* keys[] = {&key::kBase,         &key::kCloseButton, &key::kText,
                                 &key::kGroupingBase, &key::kOkButton,    &key::kCancelButton,
                                 &key::kYesButton,    &key::kNoButton,    &key::kIcon,
                                 &key::kFrameOverlay};
    const char* names[] = {"Base",         "CloseButton", "Text",     "GroupingBase",
                           "OkButton",     "CancelButton", "YesButton", "NoButton",
                           "__internal_item_Icon__", "FrameOverlay"};
    for (size_t i = 0; i < sizeof keys / sizeof keys[0]; ++i) {
        EXPECT_EQ(keys[i]->m_nId, 1024 + i) << names[i];
        EXPECT_EQ(keys[i]->m_strName, names[i]);
    }
}

TEST(DelDMInfoMsgBoxTest, EveryTypeShowsItsButtonsAndEachAnswersItsResult)
{
    const std::vector<uint16_t> okOnly = {key::kOkButton.m_nId};
    const std::vector<uint16_t> okCancel = {key::kOkButton.m_nId, key::kCancelButton.m_nId};
    const std::vector<uint16_t> yesNoCancel = {key::kYesButton.m_nId, key::kNoButton.m_nId,
                                               key::kCancelButton.m_nId};
    const std::vector<uint16_t> yesNo = {key::kYesButton.m_nId, key::kNoButton.m_nId};
    const std::vector<uint16_t> none;
    struct Case {
        const char* name;
        UINT type;
        std::vector<uint16_t> buttons;
        const SkinItemKey* pressed;   // nullptr: WM_CLOSE to the box
        int32_t result;
    };
    const Case cases[] = {
        {"OK: OK", MB_OK, okOnly, &key::kOkButton, IDOK},
        {"OK: close button", MB_OK, okOnly, &key::kCloseButton, IDCANCEL},
        {"OK, Cancel: OK", MB_OKCANCEL, okCancel, &key::kOkButton, IDOK},
        {"OK, Cancel: Cancel", MB_OKCANCEL, okCancel, &key::kCancelButton, IDCANCEL},
        {"Yes, No, Cancel: Yes", MB_YESNOCANCEL | MB_ICONQUESTION, yesNoCancel, &key::kYesButton,
         IDYES},
        {"Yes, No, Cancel: No", MB_YESNOCANCEL | MB_ICONQUESTION, yesNoCancel, &key::kNoButton,
         IDNO},
        {"Yes, No, Cancel: Cancel", MB_YESNOCANCEL | MB_ICONQUESTION, yesNoCancel,
         &key::kCancelButton, IDCANCEL},
        {"Yes, No, Cancel: close button", MB_YESNOCANCEL | MB_ICONQUESTION, yesNoCancel,
         &key::kCloseButton, IDCANCEL},
        {"Yes, No: Yes", MB_YESNO, yesNo, &key::kYesButton, IDYES},
        {"Yes, No: No", MB_YESNO | MB_ICONEXCLAMATION, yesNo, &key::kNoButton, IDNO},
        {"abort, retry, ignore: none, close button", MB_ABORTRETRYIGNORE, none,
         &key::kCloseButton, IDCANCEL},
        {"retry, cancel: none, no Retry", MB_RETRYCANCEL, none, &key::kCloseButton, IDCANCEL},
        {"type 6: none, WM_CLOSE", 6, none, nullptr, IDCANCEL},
        {"type 15: none, close button", 15, none, &key::kCloseButton, IDCANCEL},
    };
    HWND owner = CreateWindowExA(0, "STATIC", "ケストラム", WS_POPUP, 0, 0, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    for (const Case& c : cases) {
        std::vector<uint16_t> shown;
        bool closeVisible = false;
        std::string title;
        const int32_t result = RunBox(owner, c.type, [&](CDelDMInfoMsgWindow& box) {
            shown = ShownButtons(box);
            closeVisible = box.GetItemById(key::kCloseButton.m_nId)->IsVisible();
            title = box.GetWindowText();
            if (c.pressed != nullptr) {
                Click(box, *c.pressed);
            } else {
                box.PostMessage(WM_CLOSE, 0, 0);
            }
        });
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(shown, c.buttons) << c.name;
        EXPECT_TRUE(closeVisible) << c.name << ": the close button is there for every type";
        EXPECT_EQ(title, "ケストラム") << c.name;
        EXPECT_TRUE(IsWindowEnabled(owner)) << c.name << ": the owner is enabled again";
    }
    DestroyWindow(owner);
}

} // namespace
