// The card choice and card information windows as real windows under Xvfb, over a hidden
// top-level owner that records what it is posted. The test plays the agent: it writes the
// removable mask and the active card into the shared card record (hence the lock
// "shared_blocks"), and answers the volume questions Wine cannot (a simulated card reports
// "NTFS" and the host disk's size) through its own volume platform. Cards F: and G: are
// this program's (tools/wine-prefix); their empty labels give the names "(F:)" and "(G:)".

#include "launcher/SDInforWindow.h"
#include "launcher/SDManagerWindow.h"

#include "carddata/SDInfoMgr.h"
#include "carddata/VolumeControl.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "skin/SkinWindowItemScrollBar.h"
#include "skin/SkinWindowItemStatic.h"
#include "tests/carddata/support/CardAway.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/launcher/LogUploadOwner.h"
#include "tests/launcher/support/MessageBoxes.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/AgentBlock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using launchertest::COwnerWindow;
using launchertest::PumpFor;
using launchertest::PumpUntil;
using testsupport::DriveBit;
using ui::CSDInforWindow;
using ui::CSDManagerWindow;
namespace ManagerKey = ui::SDManagerWindowKey;
namespace InforKey = ui::SDInforWindowKey;

const bool g_bPrivate = testsupport::UsePrivateAppData("launcher_sd_windows_test");
::testing::Environment* const g_framework = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("launcher_sd_windows_test"));

const UINT kChildClosed = WM_APP + 6;
const DWORD kClusterBytes = 8 * 512;
const uint64_t kMB = 1024ULL * 1024;
const uint64_t kGB = 1024 * kMB;
const char kRemovable[] = "リムーバブルディスク";
const char kNoDate[] = "----/--/--  --:--";

// Scripted answers for the letters a case names; any other letter cannot be asked.
class CScriptedVolume : public CVolumePlatform {
public:
    struct Volume {
        std::string strFileSystem;
        uint64_t ullFree;
        uint64_t ullTotal;
    };

    CScriptedVolume() { SetVolumePlatform(this); }
    ~CScriptedVolume() override { SetVolumePlatform(nullptr); }

    std::map<char, Volume> m_mapVolumes;

    BOOL GetFileSystemName(const char* root, char* name, DWORD size) override
    {
        const auto found = m_mapVolumes.find(root[0]);
        if (found == m_mapVolumes.end()) {
            SetLastError(ERROR_NOT_READY);
            return FALSE;
        }
        lstrcpynA(name, found->second.strFileSystem.c_str(), static_cast<int>(size));
        return TRUE;
    }

    BOOL QueryDiskFreeSpace(const char* root, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                            DWORD* freeClusters, DWORD* totalClusters) override
    {
        const auto found = m_mapVolumes.find(root[0]);
        if (found == m_mapVolumes.end()) {
            SetLastError(ERROR_NOT_READY);
            return FALSE;
        }
        *sectorsPerCluster = 8;
        *bytesPerSector = 512;
        *freeClusters = static_cast<DWORD>(found->second.ullFree / kClusterBytes);
        *totalClusters = static_cast<DWORD>(found->second.ullTotal / kClusterBytes);
        return TRUE;
    }
};

class SDWindowsTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(m_oBlock.IsReady());
        ASSERT_TRUE(m_oCardF.IsRemovable() && m_oCardG.IsRemovable())
            << "the test prefix lacks cards F: and G: (delete the build's wineprefix)";
        m_oVolume.m_mapVolumes['F'] = {"FAT32", 5 * kMB, 32 * kGB};
        m_oVolume.m_mapVolumes['G'] = {"FAT32", 1536 * kMB, 4 * kGB};
    }

    static int32_t Mask(const char* letters)
    {
        int32_t mask = 0;
        for (const char* letter = letters; *letter != '\0'; ++letter) mask |= DriveBit(*letter);
        return mask;
    }

    // The client point inside a row's first cell.
    static LPARAM RowPoint(ui::CButtonListView* list, int32_t row)
    {
        const ui::SkinRect where = list->GetRect();
        const ui::SkinRect cell = list->GetCellRect(row, 0);
        return skintest::ClientPoint(where.left + cell.left + 8, where.top + cell.top + 8);
    }

    static void ClickRow(ui::CSkinWindow& window, ui::CButtonListView* list, int32_t row,
                         bool doubleClick)
    {
        const LPARAM point = RowPoint(list, row);
        window.PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, point);
        window.PostMessage(WM_LBUTTONUP, 0, point);
        if (doubleClick) {
            window.PostMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, point);
            window.PostMessage(WM_LBUTTONUP, 0, point);
        }
        PumpFor(100);
    }

    // The rows as "letter|name|free|type", a "*" before the marked one.
    static std::vector<std::string> Rows(const CSDManagerWindow& window)
    {
        std::vector<std::string> rows;
        for (const SDCardListEntry& entry : window.GetEntries()) {
            rows.push_back(std::string(entry.IsMarked() ? "*" : "") + entry.GetDrive() + "|" +
                           entry.GetColumnText(0) + "|" + entry.GetColumnText(1) + "|" +
                           entry.GetColumnText(2));
        }
        return rows;
    }

    uint8_t SelectedDrive() { return m_oBlock.Read().selectedDrive; }

    testsupport::CAgentBlock m_oBlock;
    CSimulatedCard m_oCardF{'F'};
    CSimulatedCard m_oCardG{'G'};
    CScriptedVolume m_oVolume;
    COwnerWindow m_oOwner;
};

// ---- the card choice window ----

enum ManagerAction {
    ACTION_NONE,
    ACTION_INSERT_G_AND_UPDATE,
    ACTION_CLICK_SECOND,
    ACTION_CLICK_SECOND_AND_UPDATE,
    ACTION_CLICK_SECOND_AND_OK,
    ACTION_DOUBLE_CLICK_SECOND,
    ACTION_OK,
};

TEST_F(SDWindowsTest, ManagerListsMarksAndSelects)
{
    const std::string rowF = "F|(F:)|5.00MB|" + std::string(kRemovable);
    const std::string rowG = "G|(G:)|1.50GB|" + std::string(kRemovable);
    const char unused[2] = {FindUnusedDriveLetter(), '\0'};
    ASSERT_NE(unused[0], 0);
    const struct {
        const char* name;
        std::string letters;
        const char* ntfs;  // letters whose volume reports "NTFS"
        ManagerAction action;
        std::vector<std::string> rows;
        uint8_t selected;  // the record's active card afterwards (it starts as 'Q')
        bool message;
        bool open;
    } cases[] = {
        {"one drive", "F", "", ACTION_NONE, {"*" + rowF}, 'Q', false, true},
        {"a card inserted, then the refresh", "F", "", ACTION_INSERT_G_AND_UPDATE,
         {"*" + rowF, rowG}, 'Q', false, true},
        {"a click on the second row", "FG", "", ACTION_CLICK_SECOND, {rowF, "*" + rowG}, 'Q',
         false, true},
        {"the refresh marks the first row again", "FG", "", ACTION_CLICK_SECOND_AND_UPDATE,
         {"*" + rowF, rowG}, 'Q', false, true},
        {"the second row confirmed", "FG", "", ACTION_CLICK_SECOND_AND_OK, {rowF, "*" + rowG},
         'G', false, false},
        {"a double click confirms", "FG", "", ACTION_DOUBLE_CLICK_SECOND, {rowF, "*" + rowG}, 'G',
         false, false},
        {"a masked letter without a drive is left out", std::string("F") + unused, "",
         ACTION_NONE, {"*" + rowF}, 'Q', false, true},
        {"an NTFS card is refused", "FG", "F", ACTION_OK, {"*" + rowF, rowG}, 'Q', true, true},
        {"OK without drives clears the active card", "", "", ACTION_OK, {}, 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (char letter : {'F', 'G'}) {
            m_oVolume.m_mapVolumes[letter].strFileSystem =
                std::string(c.ntfs).find(letter) != std::string::npos ? "NTFS" : "FAT32";
        }
        m_oBlock.Write(Mask(c.letters.c_str()), 0, 'Q');
        m_oOwner.Clear();
        std::unique_ptr<CSDManagerWindow> window(new CSDManagerWindow(m_oOwner.Window()));
        ASSERT_TRUE(window->ShowOver(m_oOwner.Window()));
        ASSERT_TRUE(::IsWindowVisible(window->GetHwnd()));
        PumpFor(50);

        std::unique_ptr<launchertest::CBoxPresser> press;
        switch (c.action) {
        case ACTION_NONE:
            break;
        case ACTION_INSERT_G_AND_UPDATE:
            m_oBlock.Write(Mask("FG"), 0, 'Q');
            window->ClickItem(ManagerKey::kUpdateSDButton.m_nId);
            break;
        case ACTION_CLICK_SECOND:
        case ACTION_CLICK_SECOND_AND_UPDATE:
        case ACTION_CLICK_SECOND_AND_OK:
            ClickRow(*window, window->GetList(), 1, false);
            if (c.action == ACTION_CLICK_SECOND_AND_UPDATE) {
                window->ClickItem(ManagerKey::kUpdateSDButton.m_nId);
            }
            if (c.action == ACTION_CLICK_SECOND_AND_OK) window->ClickItem(ManagerKey::kOKButton.m_nId);
            break;
        case ACTION_DOUBLE_CLICK_SECOND:
            ClickRow(*window, window->GetList(), 1, true);
            break;
        case ACTION_OK:
            if (c.message) {
                press.reset(new launchertest::CBoxPresser(CSDManagerWindow::kUnsupportedCardMessage,
                                                          IDOK));
            }
            window->ClickItem(ManagerKey::kOKButton.m_nId);
            break;
        }
        PumpFor(200);
        if (press) {
            EXPECT_TRUE(press->Pressed());
            EXPECT_EQ(press->Box().uStyle, 112u);
        }
        EXPECT_EQ(Rows(*window), c.rows);
        EXPECT_EQ(SelectedDrive(), c.selected);
        EXPECT_EQ(window->IsWindow(), c.open);
        // Only a close tells the owner; a refused OK keeps the window and says nothing.
        EXPECT_EQ(m_oOwner.WParams(kChildClosed), c.open ? std::vector<uint32_t>{}
                                                         : std::vector<uint32_t>{2});
        // The owner deletes a window it is still told about: its notice is not the next case's.
        window.reset();
        PumpFor(50);
    }
}

TEST_F(SDWindowsTest, ManagerTellsItsOwnerOnceHoweverItCloses)
{
    const struct {
        const char* name;
        void (*close)(CSDManagerWindow& window);
    } cases[] = {
        {"OK", [](CSDManagerWindow& w) { w.ClickItem(ManagerKey::kOKButton.m_nId); }},
        {"Cancel", [](CSDManagerWindow& w) { w.ClickItem(ManagerKey::kCancelButton.m_nId); }},
        {"the close button",
         [](CSDManagerWindow& w) { w.ClickItem(ManagerKey::kCloseButton.m_nId); }},
        {"the icon",
         [](CSDManagerWindow& w) {
             w.PostItemCommand(ManagerKey::kApplicationIcon.m_nId, ui::ITEM_EVENT_LEFT_DBLCLK, 0);
         }},
        {"SC_CLOSE", [](CSDManagerWindow& w) { w.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_oBlock.Write(Mask("F"), 0, 'F');
        m_oOwner.Clear();
        CSDManagerWindow window(m_oOwner.Window());
        ASSERT_TRUE(window.ShowOver(m_oOwner.Window()));
        c.close(window);
        EXPECT_TRUE(PumpUntil([&] { return !window.IsWindow(); }));
        PumpFor(100);
        EXPECT_EQ(m_oOwner.WParams(kChildClosed), std::vector<uint32_t>{2});
        for (const launchertest::OwnerMessage& m : m_oOwner.Messages()) {
            if (m.uMessage == kChildClosed) {
                EXPECT_EQ(m.uLParam, 0u);
            }
        }
    }
}

TEST_F(SDWindowsTest, ManagerColumnsFollowTheWindowsWidth)
{
    m_oBlock.Write(Mask("F"), 0, 0);
    CSDManagerWindow window(m_oOwner.Window());
    ASSERT_TRUE(window.ShowOver(m_oOwner.Window()));
    ui::CButtonListView* list = window.GetList();
    auto widths = [list] {
        std::vector<int32_t> values;
        for (size_t column = 0; column < list->GetColumnCount(); ++column) {
            values.push_back(list->GetColumn(column).m_nWidth);
        }
        return values;
    };
    EXPECT_EQ(widths(), (std::vector<int32_t>{192, 80, 160}));
    EXPECT_EQ(list->GetColumn(1).m_uCellFormat & (DT_CENTER | DT_RIGHT), UINT(DT_RIGHT));
    EXPECT_TRUE(list->IsHeaderShown());
    EXPECT_FALSE(window.GetScrollBar()->IsVisible());

    const ui::SkinSize design = window.GetDesignSize();
    ::SetWindowPos(window.GetHwnd(), nullptr, 0, 0, design.cx + 100, design.cy, SWP_NOMOVE | SWP_NOZORDER);
    PumpFor(50);
    EXPECT_EQ(widths(), (std::vector<int32_t>{292, 80, 160}));
    ::SetWindowPos(window.GetHwnd(), nullptr, 0, 0, design.cx, design.cy, SWP_NOMOVE | SWP_NOZORDER);
    PumpFor(50);
    EXPECT_EQ(widths(), (std::vector<int32_t>{192, 80, 160}));
}

TEST_F(SDWindowsTest, ManagerTakesCtrlTabWithOrWithoutShift)
{
    m_oBlock.Write(Mask("F"), 0, 0);
    CSDManagerWindow window(m_oOwner.Window());
    ASSERT_TRUE(window.Create());
    BYTE saved[256] = {};
    ASSERT_TRUE(GetKeyboardState(saved));
    const struct {
        bool control;
        bool shift;
        UINT key;
        bool taken;
    } cases[] = {
        {true, false, VK_TAB, true},   {true, true, VK_TAB, true},
        {false, false, VK_TAB, false}, {false, true, VK_TAB, false},
        {true, false, VK_RETURN, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "control " << c.control << " shift " << c.shift
                                        << " key " << c.key);
        BYTE keys[256];
        std::copy(saved, saved + 256, keys);
        keys[VK_CONTROL] = c.control ? 0x80 : 0;
        keys[VK_SHIFT] = c.shift ? 0x80 : 0;
        ASSERT_TRUE(SetKeyboardState(keys));
        EXPECT_EQ(window.FilterKey(c.key, 0), c.taken);
    }
    SetKeyboardState(saved);
}

// ---- the card information window ----

TEST(SDUsageBarTest, LaysTheUsedSpaceAndTheSegments)
{
    const uint64_t card = 32 * kGB;
    const int32_t end = ui::kSDBarLeft + ui::kSDBarWidth;
    struct Case {
        const char* name;
        uint64_t capacity;
        uint64_t free;
        std::vector<uint64_t> sizes;       // ten
        std::vector<bool> read;            // ten; empty: all read
        bool laid;
        int32_t usedRight;
        std::vector<int32_t> rights;       // each segment's right edge; -1: not laid
    };
    const Case cases[] = {
        {"1 byte on a 32 GB card", card, card - 1, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, true, 22,
         {25, 25, 25, 25, 25, 25, 25, 25, 25, 25}},
        {"a quarter and an eighth", card, card / 2, {card / 4, card / 8, 0, 0, 0, 0, 0, 0, 0, 0},
         {}, true, 22 + 218, {22 + 109, 22 + 109 + 54, 185, 185, 185, 185, 185, 185, 185, 185}},
        {"minimums past the end shrink the last segments", 1000, 0,
         {990, 1, 1, 1, 1, 1, 1, 1, 1, 1}, {}, true, end,
         {22 + 431, 22 + 434, end, end, end, end, end, end, end, end}},
        {"a kind larger than the card", card, 0, {2 * card, 5, 0, 0, 0, 0, 0, 0, 0, 0}, {}, true,
         end, {end, end, end, end, end, end, end, end, end, end}},
        {"a failing kind is skipped", card, card / 2, {card / 4, card / 4, 1, 0, 0, 0, 0, 0, 0, 0},
         {true, false, true, true, true, true, true, true, true, true}, true, 22 + 218,
         {22 + 109, -1, 22 + 112, 22 + 112, 22 + 112, 22 + 112, 22 + 112, 22 + 112, 22 + 112,
          22 + 112}},
        {"more free space than capacity uses nothing", 1000, 2000,
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, true, 22, {22, 22, 22, 22, 22, 22, 22, 22, 22, 22}},
        {"capacity 0 moves nothing", 0, 0, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, {}, false, 0,
         {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SDCategoryUsage usages[SD_CATEGORY_COUNT];
        bool read[SD_CATEGORY_COUNT];
        for (uint32_t kind = 0; kind < SD_CATEGORY_COUNT; ++kind) {
            usages[kind].m_ullTotalBytes = c.sizes[kind];
            read[kind] = c.read.empty() || c.read[kind];
        }
        const ui::SDUsageBarLayout layout = ui::LayOutUsageBar(c.capacity, c.free, usages, read);
        EXPECT_EQ(layout.m_bUsedLaid, c.laid);
        if (c.laid) {
            EXPECT_EQ(layout.m_rcUsed.left, 22);
            EXPECT_EQ(layout.m_rcUsed.right, c.usedRight);
            EXPECT_EQ(layout.m_rcUsed.top, 485);
            EXPECT_EQ(layout.m_rcUsed.bottom, 499);
        }
        // Laid left to right: each segment starts where the last laid one ended.
        int32_t x = ui::kSDBarLeft;
        for (uint32_t kind = 0; kind < SD_CATEGORY_COUNT; ++kind) {
            SCOPED_TRACE(kind);
            EXPECT_EQ(layout.m_bSegmentLaid[kind], c.rights[kind] >= 0);
            if (c.rights[kind] < 0) continue;
            const ui::SkinRect& segment = layout.m_rcSegments[kind];
            EXPECT_EQ(segment.left, x);
            EXPECT_EQ(segment.right, c.rights[kind]);
            EXPECT_EQ(segment.top, 485);
            EXPECT_EQ(segment.bottom, 499);
            x = segment.right;
        }
    }
}

TEST(SDUsageBarTest, DateTexts)
{
    SYSTEMTIME time = {};
    EXPECT_EQ(ui::FormatUsageDate(time), kNoDate);
    time.wYear = 2025;
    time.wMonth = 3;
    time.wDay = 4;
    time.wHour = 5;
    time.wMinute = 6;
    time.wSecond = 59;
    EXPECT_EQ(ui::FormatUsageDate(time), "2025/03/04  05:06");
}

// Writes a file of `bytes` bytes whose last write is the local time given.
void WriteDatedFile(const CSimulatedCard& card, const std::string& path, size_t bytes, WORD year,
                    WORD month, WORD day, WORD hour, WORD minute)
{
    ASSERT_TRUE(card.WriteFile(path, std::vector<uint8_t>(bytes, 0x5A)));
    SYSTEMTIME local = {};
    local.wYear = year;
    local.wMonth = month;
    local.wDay = day;
    local.wHour = hour;
    local.wMinute = minute;
    FILETIME localTime, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
    ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
    HANDLE file = CreateFileA(card.GetPath(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &utc));
    CloseHandle(file);
}

TEST_F(SDWindowsTest, InformationShowsTheCardsUsage)
{
    m_oVolume.m_mapVolumes['F'] = {"FAT32", 8 * kGB, 32 * kGB};
    WriteDatedFile(m_oCardF, "PC\\PROBE\\TRAFFIC.DAT", 1000, 2025, 3, 4, 5, 6);
    WriteDatedFile(m_oCardF, "PC\\PROGRAM\\NAVI.BIN", 2000, 2025, 1, 1, 10, 0);
    WriteDatedFile(m_oCardF, "PC\\SEARCH5\\INDEX.DAT", 3000, 2026, 2, 3, 4, 5);
    WriteDatedFile(m_oCardF, "UPDATE\\PATCH.BIN", 4000, 2024, 12, 31, 23, 59);
    m_oBlock.Write(Mask("F"), 0, 'F');

    CSDInforWindow window(m_oOwner.Window());
    ASSERT_TRUE(window.Create());
    EXPECT_TRUE(::IsWindowVisible(window.GetHwnd()));
    PumpFor(100);
    EXPECT_TRUE(window.IsWindow());
    EXPECT_EQ(window.GetMemoryText()->GetText(), "Total 24.0GB/32.0GB");
    EXPECT_EQ(window.GetDateText(0)->GetText(), "2025/03/04  05:06");
    EXPECT_EQ(window.GetDateText(1)->GetText(), kNoDate);
    EXPECT_EQ(window.GetDateText(3)->GetText(), "2026/02/03  04:05");
    // The used space is three quarters of the bar; Traffic's kilobyte gets the minimum and
    // Strata's nine kilobytes too, after the empty Weather and Sonavelle.
    EXPECT_EQ(window.GetUsedBar()->GetRect().right, 22 + 327);
    EXPECT_EQ(window.GetSegment(0)->GetRect().left, 22);
    EXPECT_EQ(window.GetSegment(0)->GetRect().right, 25);
    EXPECT_EQ(window.GetSegment(1)->GetRect().Width(), 0);
    EXPECT_EQ(window.GetSegment(3)->GetRect().left, 25);
    EXPECT_EQ(window.GetSegment(3)->GetRect().right, 28);
    EXPECT_EQ(window.GetList()->GetColumnCount(), 4u);
    EXPECT_EQ(window.GetList()->GetColumn(0).m_nWidth, 180);
    EXPECT_TRUE(m_oOwner.Messages().empty());

    window.ClickItem(InforKey::kOKButton.m_nId);
    EXPECT_TRUE(PumpUntil([&] { return !window.IsWindow(); }));
    PumpFor(100);
    EXPECT_EQ(m_oOwner.WParams(kChildClosed), std::vector<uint32_t>{5});
}

TEST_F(SDWindowsTest, InformationClosesAtOnceWithoutTheCardsRoot)
{
    const char unused = FindUnusedDriveLetter();
    ASSERT_NE(unused, 0);
    const struct {
        const char* name;
        char selected;
        bool away;  // the card's host folder moved away: taken out of its reader
    } cases[] = {
        {"a selected drive that is gone", unused, false},
        {"no card selected", '\0', false},
        {"the selected card taken out", 'F', true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CCardAway away('F');
        if (c.away) {
            ASSERT_TRUE(away.Move());
        }
        m_oBlock.Write(Mask("F"), 0, c.selected);
        m_oOwner.Clear();
        CSDInforWindow window(m_oOwner.Window());
        ASSERT_TRUE(window.Create());
        EXPECT_TRUE(PumpUntil([&] { return !window.IsWindow(); }));
        PumpFor(100);
        EXPECT_EQ(m_oOwner.WParams(kChildClosed), std::vector<uint32_t>{5});
    }
}

TEST_F(SDWindowsTest, InformationTellsItsOwnerOnceHoweverItCloses)
{
    const struct {
        const char* name;
        void (*close)(CSDInforWindow& window);
    } cases[] = {
        {"OK", [](CSDInforWindow& w) { w.ClickItem(InforKey::kOKButton.m_nId); }},
        {"the close button", [](CSDInforWindow& w) { w.ClickItem(InforKey::kCloseButton.m_nId); }},
        {"the icon",
         [](CSDInforWindow& w) {
             w.PostItemCommand(InforKey::kApplicationIcon.m_nId, ui::ITEM_EVENT_LEFT_DBLCLK, 0);
         }},
        {"SC_CLOSE", [](CSDInforWindow& w) { w.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_oBlock.Write(Mask("F"), 0, 'F');
        m_oOwner.Clear();
        CSDInforWindow window(m_oOwner.Window());
        ASSERT_TRUE(window.Create());
        PumpFor(50);
        ASSERT_TRUE(window.IsWindow());
        c.close(window);
        EXPECT_TRUE(PumpUntil([&] { return !window.IsWindow(); }));
        PumpFor(100);
        EXPECT_EQ(m_oOwner.WParams(kChildClosed), std::vector<uint32_t>{5});
    }
}

} // namespace
