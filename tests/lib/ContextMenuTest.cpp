// The context menu: popups built from item records, submenus and their ownership, and real
// tracking, steered by a timer that types into the menu while TrackPopupMenu runs its loop.

#include "lib/wfc/ContextMenu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using lib::wfc::CContextMenu;

namespace {

std::string MenuText(HMENU menu, UINT position)
{
    char text[256] = {};
    ::GetMenuStringA(menu, position, text, sizeof(text), MF_BYPOSITION);
    return text;
}

struct ExpectedEntry {
    UINT id;          // 0 for separators and submenus
    const char* text; // null for separators
    bool grayed;
    bool popup;
};

void ExpectMenu(HMENU menu, const std::vector<ExpectedEntry>& expected)
{
    ASSERT_TRUE(::IsMenu(menu));
    ASSERT_EQ(static_cast<int>(expected.size()), ::GetMenuItemCount(menu));
    for (UINT i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const ExpectedEntry& entry = expected[i];
        UINT state = ::GetMenuState(menu, i, MF_BYPOSITION);
        if (entry.text == nullptr) {
            EXPECT_TRUE(state & MF_SEPARATOR);
            continue;
        }
        EXPECT_EQ(std::string(entry.text), MenuText(menu, i));
        EXPECT_EQ(entry.grayed, (state & MF_GRAYED) != 0);
        if (entry.popup) {
            EXPECT_NE(nullptr, ::GetSubMenu(menu, i));
        } else {
            EXPECT_EQ(nullptr, ::GetSubMenu(menu, i));
            EXPECT_EQ(entry.id, ::GetMenuItemID(menu, i));
        }
    }
}

TEST(ContextMenu, AppendItemCreatesThePopupOnceAndKeepsAppending)
{
    CContextMenu menu;
    EXPECT_EQ(nullptr, menu.GetHandle());
    HMENU first = menu.AppendItem(4000, "機種選択...", MF_STRING);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, menu.AppendSeparator());
    EXPECT_EQ(first, menu.AppendItem(CContextMenu::Item{4001, "SDカード情報...", MF_GRAYED}));
    // A grayed flag passed as a bool is MF_GRAYED.
    EXPECT_EQ(first, menu.AppendItem(4002, "ケストラム設定...", true));
    EXPECT_EQ(first, menu.GetHandle());
    ExpectMenu(first, {{4000, "機種選択...", false, false},
                       {0, nullptr, false, false},
                       {4001, "SDカード情報...", true, false},
                       {4002, "ケストラム設定...", true, false}});
}

TEST(ContextMenu, BuildTwiceLeavesOnlyTheSecondList)
{
    CContextMenu menu;
    std::vector<CContextMenu::Item> items;
    CContextMenu::AddItem(items, 1, "one", MF_STRING);
    CContextMenu::AddItem(items, 2, "two", MF_STRING);
    CContextMenu::AddItem(items, 0, nullptr, MF_SEPARATOR);
    CContextMenu::AddItem(items, 3, "three", MF_GRAYED);
    menu.Build(items);
    HMENU first = menu.GetHandle();
    ExpectMenu(first, {{1, "one", false, false},
                       {2, "two", false, false},
                       {0, nullptr, false, false},
                       {3, "three", true, false}});

    std::vector<CContextMenu::Item> second;
    CContextMenu::AddItem(second, 7, "seven", MF_STRING);
    menu.Build(second);
    EXPECT_FALSE(::IsMenu(first));
    ExpectMenu(menu.GetHandle(), {{7, "seven", false, false}});

    // An empty description still gives an (empty) popup to track.
    menu.Build({});
    ASSERT_NE(nullptr, menu.GetHandle());
    EXPECT_EQ(0, ::GetMenuItemCount(menu.GetHandle()));
}

TEST(ContextMenu, SubMenusBelongToTheParentPopup)
{
    CContextMenu menu;
    std::vector<CContextMenu::Item> probe;
    CContextMenu::AddItem(probe, 4012, "手動アップロード", MF_GRAYED);
    CContextMenu::AddItem(probe, 4011, "過去のアップロード詳細を再表示", MF_STRING);
    std::vector<CContextMenu::Item> home;
    CContextMenu::AddItem(home, 4006, "ヴェロセット", MF_STRING);

    menu.AppendItem(4000, "機種選択...", MF_STRING);
    HMENU parent = menu.AppendSubMenu(probe, "蓄積型プローブ");
    EXPECT_EQ(menu.GetHandle(), parent);
    menu.AppendSeparator();
    HMENU homeMenu = menu.CreateSubMenu(home, "ホームページ");
    ASSERT_NE(nullptr, homeMenu);
    EXPECT_NE(parent, homeMenu);

    ExpectMenu(parent, {{4000, "機種選択...", false, false},
                        {0, "蓄積型プローブ", false, true},
                        {0, nullptr, false, false},
                        {0, "ホームページ", false, true}});
    HMENU probeMenu = ::GetSubMenu(parent, 1);
    ExpectMenu(probeMenu, {{4012, "手動アップロード", true, false},
                           {4011, "過去のアップロード詳細を再表示", false, false}});
    EXPECT_EQ(homeMenu, ::GetSubMenu(parent, 3));
    ExpectMenu(homeMenu, {{4006, "ヴェロセット", false, false}});

    menu.Destroy();
    EXPECT_EQ(nullptr, menu.GetHandle());
    EXPECT_FALSE(::IsMenu(parent));
    EXPECT_FALSE(::IsMenu(probeMenu));
    EXPECT_FALSE(::IsMenu(homeMenu));
}

TEST(ContextMenu, CollectedItemsBecomeASubMenuAndTheCollectionEmpties)
{
    CContextMenu menu;
    menu.AppendItem(4000, "機種選択...", MF_STRING);
    for (int i = 0; i < 2; ++i) {
        // Texts of temporaries: the menu keeps its own copies.
        std::string name = "ユーザー" + std::to_string(i);
        menu.AddItem(4100 + i, name.c_str());
    }
    menu.AddItem(4200, "お客様登録...", true);
    HMENU users = menu.CreateSubMenu("ニックネーム選択");
    ASSERT_NE(nullptr, users);
    ExpectMenu(users, {{4100, "ユーザー0", false, false},
                       {4101, "ユーザー1", false, false},
                       {4200, "お客様登録...", true, false}});

    menu.AddItem(4006, "ヴェロセット");
    HMENU home = menu.CreateSubMenu("ホームページ");
    ExpectMenu(home, {{4006, "ヴェロセット", false, false}});
    ExpectMenu(menu.GetHandle(), {{4000, "機種選択...", false, false},
                                  {0, "ニックネーム選択", false, true},
                                  {0, "ホームページ", false, true}});
    EXPECT_EQ(users, ::GetSubMenu(menu.GetHandle(), 1));
}

// --- Tracking -------------------------------------------------------------------------------

// Keys the timer types into the open menu, one per tick; an empty script ends the menu.
std::vector<WPARAM> g_keys;
size_t g_nextKey = 0;
HWND g_owner = nullptr;
RECT g_popupRect = {};
bool g_popupSeen = false;

BOOL CALLBACK FindVisiblePopup(HWND window, LPARAM found)
{
    char className[16] = {};
    ::GetClassNameA(window, className, sizeof(className));
    if (std::string(className) == "#32768" && ::IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK DriveMenu(HWND, UINT, UINT_PTR, DWORD)
{
    HWND popup = nullptr;
    ::EnumWindows(FindVisiblePopup, reinterpret_cast<LPARAM>(&popup));
    if (popup == nullptr) {
        return;
    }
    if (!g_popupSeen) {
        g_popupSeen = true;
        ::GetWindowRect(popup, &g_popupRect);
    }
    // The menu loop takes every keystroke of the thread, whichever window it is posted to.
    if (g_nextKey < g_keys.size()) {
        ::PostMessageA(g_owner, WM_KEYDOWN, g_keys[g_nextKey++], 0);
    } else {
        ::EndMenu();
    }
}

class ContextMenuTrack : public ::testing::Test {
protected:
    static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        return ::DefWindowProcA(window, message, wParam, lParam);
    }

    void SetUp() override
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = OwnerProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "lib_menu_test_owner";
        ::RegisterClassA(&windowClass);
        m_hOwner = ::CreateWindowExA(0, "lib_menu_test_owner", "menu owner",
                                     WS_POPUP, 100, 120, 300, 200, nullptr,
                                     nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, m_hOwner);
        g_owner = m_hOwner;
    }

    void TearDown() override
    {
        ::DestroyWindow(m_hOwner);
    }

    // Tracks with TPM_RETURNCMD while a timer types keys, then ends the menu.
    BOOL TrackWithKeys(CContextMenu& menu, const std::vector<WPARAM>& keys)
    {
        g_keys = keys;
        g_nextKey = 0;
        g_popupSeen = false;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 60, DriveMenu);
        EXPECT_NE(0u, timer);
        POINT clientPoint = {10, 20};
        BOOL result = menu.Track(m_hOwner, clientPoint, TPM_RIGHTBUTTON | TPM_RETURNCMD);
        ::KillTimer(nullptr, timer);
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageA(&message);
        }
        return result;
    }

    HWND m_hOwner = nullptr;
};

TEST_F(ContextMenuTrack, ChoosesItemsAndShowsAtTheClientPoint)
{
    CContextMenu menu;
    std::vector<CContextMenu::Item> items;
    CContextMenu::AddItem(items, 4000, "機種選択...", MF_STRING);
    CContextMenu::AddItem(items, 0, nullptr, MF_SEPARATOR);
    CContextMenu::AddItem(items, 4001, "SDカード情報...", MF_STRING);
    menu.Build(items);
    menu.AddItem(4006, "ヴェロセット");
    menu.AddItem(4013, "ケストラム");
    menu.CreateSubMenu("ホームページ");

    // Down moves to the first entry; separators are skipped.
    EXPECT_EQ(4000, TrackWithKeys(menu, {VK_DOWN, VK_RETURN}));
    ASSERT_TRUE(g_popupSeen);
    EXPECT_EQ(100 + 10, g_popupRect.left);
    EXPECT_EQ(120 + 20, g_popupRect.top);

    EXPECT_EQ(4001, TrackWithKeys(menu, {VK_DOWN, VK_DOWN, VK_RETURN}));
    // Into the submenu, second entry.
    EXPECT_EQ(4013, TrackWithKeys(menu, {VK_UP, VK_RIGHT, VK_DOWN, VK_RETURN}));
    // Dismissed without a choice.
    EXPECT_EQ(0, TrackWithKeys(menu, {VK_DOWN}));

    // A rebuilt menu tracks its new items.
    std::vector<CContextMenu::Item> second;
    CContextMenu::AddItem(second, 4010, "オンラインヘルプ", MF_STRING);
    CContextMenu::AddItem(second, 4004, "バージョン情報", MF_STRING);
    menu.Build(second);
    EXPECT_EQ(4004, TrackWithKeys(menu, {VK_UP, VK_RETURN}));
}

TEST_F(ContextMenuTrack, NothingToTrackWithoutItems)
{
    CContextMenu menu;
    POINT clientPoint = {0, 0};
    EXPECT_FALSE(menu.Track(m_hOwner, clientPoint, TPM_RETURNCMD));
}

} // namespace
