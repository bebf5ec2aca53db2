// The resizable skin window on real (hidden) windows: its block, the nine-grid background,
// the resize zones and hit tests, the size cursors, the drag by posted mouse messages with
// its limits, a drag whose capture is lost, the cap of WM_SIZING, anchored items following
// the size, and a window brought back on screen when a move ends.

#include "lib/StringUtility.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/LayoutManager.h"
#include "skin/ResizableSkinWindow.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

using lib::FormatString;
using skintest::ClientPoint;
using skintest::CProbeItem;
using skintest::PixelAt;
using ui::CResizableSkinWindow;

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("skin_resizable_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("skin_resizable_test"));

// The cells of the test face (tests/skin/skins/images/TestResizableFace.svg).
const COLORREF kTopLeft = RGB(0x1F, 0x2A, 0x37);
const COLORREF kTop = RGB(0x4B, 0x58, 0x68);
const COLORREF kTopRight = RGB(0x2E, 0x7D, 0x4F);
const COLORREF kLeft = RGB(0xA8, 0x64, 0x12);
const COLORREF kCenter = RGB(0xF4, 0xF6, 0xF9);
const COLORREF kRight = RGB(0x25, 0x63, 0xA8);
const COLORREF kBottomLeft = RGB(0xB8, 0x32, 0x32);
const COLORREF kBottom = RGB(0x87, 0x93, 0xA1);
const COLORREF kBottomRight = RGB(0x1D, 0x4F, 0x87);
const COLORREF kProbe = RGB(0x20, 0xA0, 0x40);

// The test window: 320 x 200 designed, border 4, caption 24, minimum 160 x 120, made at
// (100, 100).
const RECT kStart = {100, 100, 420, 300};

class CTestResizableWindow : public CResizableSkinWindow {
public:
    skintest::CProbeJournal m_journal;
    int m_nExitSizeMove = 0;
    std::vector<UINT> m_vSizingEdge;

    CProbeItem* AddProbe(int32_t id, const ui::SkinRect& rect)
    {
        return AdoptItem(new CProbeItem(this, id, &m_journal, rect, kProbe));
    }
    void OnExitSizeMove() override
    {
        ++m_nExitSizeMove;
        CResizableSkinWindow::OnExitSizeMove();
    }
    bool OnSizing(UINT edge, RECT* rect) override
    {
        m_vSizingEdge.push_back(edge);
        return CResizableSkinWindow::OnSizing(edge, rect);
    }
};

std::string Text(const RECT& rect)
{
    return FormatString("%ld,%ld,%ld,%ld", rect.left, rect.top, rect.right, rect.bottom);
}

class ResizableSkinWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pWindow.reset(new CTestResizableWindow);
        const skintest::SkinErrors errors = skintest::CatchSkinErrors(
            [&] { m_pWindow->LoadSkin(m_definition, "TestResizable.txt", "Base", true); });
        ASSERT_TRUE(errors.m_vBox.empty()) << errors.m_vBox.front();
    }
    void TearDown() override
    {
        if (::GetCapture() != nullptr) ::ReleaseCapture();
        if (m_pWindow->IsWindow()) m_pWindow->DestroyWindow();
        m_pWindow.reset();
    }

    HWND Create(const RECT& rect = kStart)
    {
        HWND hwnd = m_pWindow->Create(0, nullptr, "skin_resizable_test", WS_POPUP, rect.left,
                                      rect.top, rect.right - rect.left, rect.bottom - rect.top);
        // A first press would give the window the focus and activate it; done here once.
        ::SetFocus(hwnd);
        // The items' tick would only add noise to what the probes heard while messages are
        // pumped.
        ::KillTimer(hwnd, ui::kSkinTickTimerId);
        return hwnd;
    }
    HWND Hwnd() { return m_pWindow->GetHwnd(); }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::SendMessageA(Hwnd(), message, wParam, lParam);
    }
    RECT WindowRect()
    {
        RECT rect = {};
        ::GetWindowRect(Hwnd(), &rect);
        return rect;
    }
    // Posts the mouse message for a screen point, made a client point where the window is
    // now, and lets the thread handle it.
    void PostAt(UINT message, WPARAM keys, POINT screen)
    {
        POINT client = screen;
        ::ScreenToClient(Hwnd(), &client);
        ::PostMessageA(Hwnd(), message, keys, ClientPoint(client.x, client.y));
        testsupport::DispatchQueued(true);
    }
    void SetMaximized(bool maximized)
    {
        LONG_PTR style = ::GetWindowLongPtrA(Hwnd(), GWL_STYLE);
        style = maximized ? (style | WS_MAXIMIZE) : (style & ~static_cast<LONG_PTR>(WS_MAXIMIZE));
        ::SetWindowLongPtrA(Hwnd(), GWL_STYLE, style);
    }
    const lib::wfc::CDIB& Buffer() { return *m_pWindow->GetBackBuffer(); }

    std::unique_ptr<CTestResizableWindow> m_pWindow;
    ui::SkinDefinition m_definition;
};

// ---- the block ----

TEST_F(ResizableSkinWindowTest, ReadsItsBlock)
{
    EXPECT_EQ(m_pWindow->GetBorderWidth(), 4);
    EXPECT_EQ(m_pWindow->GetDesignSize().cx, 320);
    EXPECT_EQ(m_pWindow->GetDesignSize().cy, 200);
    EXPECT_EQ(m_pWindow->GetMinSize().cx, 160);
    EXPECT_EQ(m_pWindow->GetMinSize().cy, 120);
    EXPECT_EQ(Text(m_pWindow->GetMinTrackRect()), "0,0,320,200") << "the design size is larger";
    const ui::NineGridCells& cells = m_pWindow->GetBackgroundCells();
    EXPECT_EQ(Text(cells[ui::CELL_TOP_LEFT]), "0,0,16,16");
    EXPECT_EQ(Text(cells[ui::CELL_CENTER]), "16,16,48,48");
    EXPECT_EQ(Text(cells[ui::CELL_BOTTOM_RIGHT]), "48,48,64,64");
}

TEST_F(ResizableSkinWindowTest, MinimumSizeFromTheCornersOrTheSkin)
{
    const struct {
        const char* what;
        const char* image;       // "Image" after the name: the cut
        ui::SkinValues division;
        ui::SkinValues minimum;
        const char* size;        // minimum width x height
        const char* track;
    } cases[] = {
        {"as written", "0,0,64,64", {"16", "16", "48", "48"}, {"160", "120"}, "160x120",
         "0,0,320,200"},
        {"zeros: the corners alone", "0,0,64,64", {"16", "16", "48", "48"}, {"0", "0"}, "32x32",
         "0,0,320,200"},
        {"a height only", "0,0,64,64", {"16", "16", "48", "48"}, {"0", "90"}, "32x90",
         "0,0,320,200"},
        {"a width only", "0,0,64,64", {"16", "16", "48", "48"}, {"150", "0"}, "150x32",
         "0,0,320,200"},
        {"uneven corners", "0,0,64,64", {"20", "10", "40", "50"}, {"0", "0"}, "44x24",
         "0,0,320,200"},
        {"a cut inside the image", "8,4,64,60", {"16", "16", "48", "48"}, {"0", "0"}, "24x24",
         "0,0,320,200"},
        {"larger than the design size", "0,0,64,64", {"16", "16", "48", "48"}, {"400", "150"},
         "400x150", "0,0,400,200"},
    };
    const ui::SkinBlock written = ui::GetSkinBlock(m_definition, "Base");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ui::SkinBlock block = written;
        block.m_mapKeyword["Image"] = {"TestResizableFace.png"};
        for (const std::string& value : lib::SplitString(c.image, ",")) {
            block.m_mapKeyword["Image"].push_back(value);
        }
        block.m_mapKeyword["DivPoint"] = c.division;
        block.m_mapKeyword["MinSize"] = c.minimum;
        m_pWindow->ApplySkin(block);
        const ui::SkinSize minimum = m_pWindow->GetMinSize();
        EXPECT_EQ(FormatString("%dx%d", minimum.cx, minimum.cy), c.size);
        EXPECT_EQ(Text(m_pWindow->GetMinTrackRect()), c.track);
    }
    // The cells follow the cut and the division.
    EXPECT_EQ(Text(m_pWindow->GetBackgroundCells()[ui::CELL_TOP_LEFT]), "0,0,16,16");
    ui::SkinBlock inside = written;
    inside.m_mapKeyword["Image"] = {"TestResizableFace.png", "8", "4", "64", "60"};
    m_pWindow->ApplySkin(inside);
    EXPECT_EQ(Text(m_pWindow->GetBackgroundCells()[ui::CELL_TOP_LEFT]), "8,4,16,16");
    EXPECT_EQ(Text(m_pWindow->GetBackgroundCells()[ui::CELL_BOTTOM_RIGHT]), "48,48,64,60");
}

TEST_F(ResizableSkinWindowTest, RefusesAMalformedBlock)
{
    const struct {
        const char* keyword;
        ui::SkinValues values;   // empty: the keyword removed
        const char* box;
    } cases[] = {
        {"BorderWidth", {}, "Base/BorderWidthが定義されていません"},
        {"DivPoint", {"16", "16", "48"}, "Base/DivPointのパラメータは 4個必要です"},
        {"MinSize", {"1"}, "Base/MinSizeのパラメータは 2個必要です"},
        {"LayoutSize", {"1", "2", "3"}, "Base/LayoutSizeのパラメータは 2個必要ですが、3個指定されています"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyword);
        ui::SkinBlock block = ui::GetSkinBlock(m_definition, "Base");
        if (c.values.empty()) {
            block.m_mapKeyword.erase(c.keyword);
        } else {
            block.m_mapKeyword[c.keyword] = c.values;
        }
        const skintest::SkinErrors errors =
            skintest::CatchSkinErrors([&] { m_pWindow->ApplySkin(block); });
        ASSERT_EQ(errors.m_vBox.size(), 1u);
        EXPECT_EQ(errors.m_vBox[0], c.box);
        EXPECT_EQ(errors.m_strThrown, c.box);
    }
}

// ---- the background ----

TEST_F(ResizableSkinWindowTest, BackgroundIsANineGridOfTheWholeWindow)
{
    Create(RECT{100, 100, 500, 360});
    const struct {
        int x;
        int y;
        COLORREF color;
    } pixels[] = {
        {0, 0, kTopLeft},        {15, 15, kTopLeft},      {16, 0, kTop},
        {383, 15, kTop},         {384, 0, kTopRight},     {399, 15, kTopRight},
        {0, 16, kLeft},          {15, 243, kLeft},        {16, 16, kCenter},
        {383, 243, kCenter},     {384, 130, kRight},      {0, 244, kBottomLeft},
        {200, 259, kBottom},     {384, 244, kBottomRight}, {399, 259, kBottomRight},
    };
    for (const auto& p : pixels) {
        EXPECT_EQ(PixelAt(Buffer(), p.x, p.y), p.color) << p.x << "," << p.y;
    }
}

// ---- zones, hit tests and cursors ----

TEST(ResizeZoneTest, EveryBand)
{
    // Columns [0,4) [4,16) [16,304) [304,316) [316,320); rows [0,4) [4,16) [16,40) [40,184)
    // [184,196) [196,200): each band's first and last pixel.
    const int xs[] = {0, 3, 4, 15, 16, 303, 304, 315, 316, 319};
    const int ys[] = {0, 3, 4, 15, 16, 39, 40, 183, 184, 195, 196, 199};
    const char* rows[] = {
        "0 0 0 0 1 1 2 2 2 2", "0 0 0 0 1 1 2 2 2 2", "0 0 0 0 10 10 2 2 2 2",
        "0 0 0 0 10 10 2 2 2 2", "3 3 4 4 4 4 4 4 5 5", "3 3 4 4 4 4 4 4 5 5",
        "3 3 4 4 4 4 4 4 5 5", "3 3 4 4 4 4 4 4 5 5", "6 6 6 6 4 4 8 8 8 8",
        "6 6 6 6 4 4 8 8 8 8", "6 6 6 6 7 7 8 8 8 8", "6 6 6 6 7 7 8 8 8 8",
    };
    const RECT client = {0, 0, 320, 200};
    for (size_t r = 0; r < sizeof ys / sizeof ys[0]; ++r) {
        std::string zones;
        for (int x : xs) {
            zones += FormatString("%s%d", zones.empty() ? "" : " ",
                                  CResizableSkinWindow::ResizeZoneAt(x, ys[r], client, 4, 24));
        }
        EXPECT_EQ(zones, rows[r]) << "y " << ys[r];
    }
    const struct {
        const char* what;
        int x;
        int y;
        int border;
        int zone;
    } cases[] = {
        {"left of the window", -1, 100, 4, ui::ZONE_OUTSIDE},
        {"right of the window", 320, 100, 4, ui::ZONE_OUTSIDE},
        {"above", 100, -1, 4, ui::ZONE_OUTSIDE},
        {"below", 100, 200, 4, ui::ZONE_OUTSIDE},
        {"border 0: the top-left pixel is client", 0, 0, 0, ui::ZONE_CLIENT},
        {"border 0: the bottom-right pixel is client", 319, 199, 0, ui::ZONE_CLIENT},
        {"border 0: the caption band starts at the top", 160, 0, 0, ui::ZONE_CLIENT},
        {"border 0: outside is still outside", 320, 0, 0, ui::ZONE_OUTSIDE},
        {"a border wider than the corners", 19, 100, 20, ui::ZONE_LEFT},
        {"a border wider than the corners, inside", 20, 100, 20, ui::ZONE_CLIENT},
        {"a border wider than the corners, corner", 19, 19, 20, ui::ZONE_TOP_LEFT},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CResizableSkinWindow::ResizeZoneAt(c.x, c.y, client, c.border, 24), c.zone)
            << c.what;
    }
}

TEST_F(ResizableSkinWindowTest, AnItemInTheBorderBandIsClient)
{
    CProbeItem* corner = m_pWindow->AddProbe(1, {0, 0, 30, 30});
    Create();
    EXPECT_EQ(m_pWindow->HitTestResizeZone(2, 2), ui::ZONE_CLIENT);
    EXPECT_EQ(m_pWindow->HitTestResizeZone(31, 2), ui::ZONE_TOP);
    corner->m_bHitTestable = false;
    EXPECT_EQ(m_pWindow->HitTestResizeZone(2, 2), ui::ZONE_TOP_LEFT);
    corner->m_bHitTestable = true;
    corner->SetVisible(false);
    EXPECT_EQ(m_pWindow->HitTestResizeZone(2, 2), ui::ZONE_TOP_LEFT);
}

// Client points of the test window, one per zone.
const struct ZonePoint {
    int x;
    int y;
    int zone;
} kZonePoints[] = {
    {1, 1, ui::ZONE_TOP_LEFT},       {160, 1, ui::ZONE_TOP},
    {318, 10, ui::ZONE_TOP_RIGHT},   {1, 100, ui::ZONE_LEFT},
    {160, 100, ui::ZONE_CLIENT},     {318, 100, ui::ZONE_RIGHT},
    {10, 198, ui::ZONE_BOTTOM_LEFT}, {160, 198, ui::ZONE_BOTTOM},
    {318, 190, ui::ZONE_BOTTOM_RIGHT}, {160, 10, ui::ZONE_CAPTION},
};

TEST_F(ResizableSkinWindowTest, HitTestPerZone)
{
    Create();
    const auto hit = [&](int x, int y) {
        return Send(WM_NCHITTEST, 0, ClientPoint(kStart.left + x, kStart.top + y));
    };
    for (const ZonePoint& p : kZonePoints) {
        EXPECT_EQ(m_pWindow->HitTestResizeZone(p.x, p.y), p.zone) << p.x << "," << p.y;
        const LRESULT expected = p.zone == ui::ZONE_CAPTION ? HTCAPTION : HTCLIENT;
        EXPECT_EQ(hit(p.x, p.y), expected) << p.x << "," << p.y;
    }
    // Client: the skin window's own answer, which makes the caption height a caption.
    EXPECT_EQ(hit(160, 20), HTCAPTION);

    // Not resizable: the skin window answers everywhere.
    m_pWindow->SetResizable(false);
    EXPECT_EQ(hit(1, 10), HTCAPTION) << "top-left zone above the caption height";
    EXPECT_EQ(hit(160, 1), HTCAPTION) << "top zone";
    EXPECT_EQ(hit(1, 100), HTCLIENT);
}

TEST_F(ResizableSkinWindowTest, SizeCursorPerZone)
{
    Create();
    const HCURSOR arrow = ::LoadCursorA(nullptr, IDC_ARROW);
    const struct {
        int zone;
        LPCSTR cursor;
    } cursors[] = {
        {ui::ZONE_TOP_LEFT, IDC_SIZENWSE},   {ui::ZONE_TOP, IDC_SIZENS},
        {ui::ZONE_TOP_RIGHT, IDC_SIZENESW},  {ui::ZONE_LEFT, IDC_SIZEWE},
        {ui::ZONE_RIGHT, IDC_SIZEWE},        {ui::ZONE_BOTTOM_LEFT, IDC_SIZENESW},
        {ui::ZONE_BOTTOM, IDC_SIZENS},       {ui::ZONE_BOTTOM_RIGHT, IDC_SIZENWSE},
    };
    const auto cursorAt = [&](const ZonePoint& p) {
        ::SetCursor(arrow);
        const POINT target = {kStart.left + p.x, kStart.top + p.y};
        ::SetCursorPos(target.x, target.y);
        // The window asks where the pointer is; under load the move can arrive late.
        POINT at = {};
        for (int i = 0; i < 3000 && (!::GetCursorPos(&at) || at.x != target.x ||
                                     at.y != target.y); ++i) {
            ::Sleep(10);
        }
        Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(Hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return ::GetCursor();
    };
    const auto sizeCursorOf = [&](int zone) -> HCURSOR {
        for (const auto& c : cursors) {
            if (c.zone == zone) return ::LoadCursorA(nullptr, c.cursor);
        }
        return nullptr;
    };
    const auto isSizeCursor = [&](HCURSOR cursor) {
        for (const auto& c : cursors) {
            if (::LoadCursorA(nullptr, c.cursor) == cursor) return true;
        }
        return false;
    };
    for (const ZonePoint& p : kZonePoints) {
        SCOPED_TRACE(p.zone);
        const HCURSOR want = sizeCursorOf(p.zone);
        if (want != nullptr) {
            EXPECT_EQ(cursorAt(p), want);
        } else {
            EXPECT_FALSE(isSizeCursor(cursorAt(p)));
        }
    }
    // Neither a maximised window nor one that is not resizable shows a size cursor.
    for (const bool maximized : {true, false}) {
        SetMaximized(maximized);
        m_pWindow->SetResizable(maximized);
        for (const ZonePoint& p : kZonePoints) {
            EXPECT_FALSE(isSizeCursor(cursorAt(p))) << maximized << " " << p.zone;
        }
    }
}

// ---- the drag ----

TEST(ResizeDragTest, LimitsPerZone)
{
    const ui::SkinSize minimum = {160, 120};
    const char* limits[] = {
        "260,180,420,300", "100,180,420,300", "100,180,260,300", "260,100,420,300",
        "100,100,420,300", "100,100,260,300", "260,100,420,220", "100,100,420,220",
        "100,100,260,220",
    };
    for (int zone = ui::ZONE_TOP_LEFT; zone <= ui::ZONE_BOTTOM_RIGHT; ++zone) {
        EXPECT_EQ(Text(CResizableSkinWindow::DragLimits(zone, kStart, minimum)), limits[zone])
            << zone;
    }
}

TEST_F(ResizableSkinWindowTest, DragByPostedMouseMessages)
{
    const struct {
        const char* what;
        POINT press;                    // client point of the press
        std::vector<POINT> moves;       // screen displacements from the press
        std::vector<std::string> rects; // the window after each move
        UINT edge;
    } cases[] = {
        {"bottom-right corner: grown, then shrunk below the minimum",
         {318, 198},
         {{40, 30}, {-300, -300}},
         {"100,100,460,330", "100,100,260,220"},
         WMSZ_BOTTOMRIGHT},
        {"top-left corner: past the minimum keeps the bottom-right corner",
         {1, 1},
         {{500, 500}, {-20, -10}},
         {"260,180,420,300", "80,90,420,300"},
         WMSZ_TOPLEFT},
        {"top-right corner band",
         {318, 10},
         {{-400, -30}},
         {"100,70,260,300"},
         WMSZ_TOPRIGHT},
        {"left edge: the vertical move is ignored",
         {1, 100},
         {{-50, 77}},
         {"50,100,420,300"},
         WMSZ_LEFT},
        {"bottom edge: the horizontal move is ignored",
         {160, 198},
         {{33, 25}},
         {"100,100,420,325"},
         WMSZ_BOTTOM},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (m_pWindow->IsWindow()) m_pWindow->DestroyWindow();
        m_pWindow.reset(new CTestResizableWindow);
        m_pWindow->LoadSkin(m_definition, "TestResizable.txt", "Base", true);
        Create();
        const POINT press = {kStart.left + c.press.x, kStart.top + c.press.y};
        PostAt(WM_LBUTTONDOWN, MK_LBUTTON, press);
        ASSERT_TRUE(m_pWindow->IsDragging());
        EXPECT_EQ(::GetCapture(), Hwnd());
        POINT at = press;
        for (size_t i = 0; i < c.moves.size(); ++i) {
            at = POINT{press.x + c.moves[i].x, press.y + c.moves[i].y};
            PostAt(WM_MOUSEMOVE, MK_LBUTTON, at);
            EXPECT_EQ(Text(WindowRect()), c.rects[i]) << "move " << i;
        }
        PostAt(WM_LBUTTONUP, 0, at);
        EXPECT_EQ(Text(WindowRect()), c.rects.back());
        EXPECT_FALSE(m_pWindow->IsDragging());
        EXPECT_NE(::GetCapture(), Hwnd());
        EXPECT_EQ(m_pWindow->m_nExitSizeMove, 1);
        ASSERT_FALSE(m_pWindow->m_vSizingEdge.empty());
        EXPECT_EQ(m_pWindow->m_vSizingEdge.front(), c.edge);
        // The buffer follows the window.
        const RECT now = WindowRect();
        EXPECT_EQ(Buffer().GetWidth(), now.right - now.left);
        EXPECT_EQ(Buffer().GetHeight(), now.bottom - now.top);
    }
}

TEST_F(ResizableSkinWindowTest, NoDragWhenMaximisedOrNotResizable)
{
    m_pWindow->AddProbe(1, {200, 100, 260, 140});
    Create();
    for (const bool maximized : {true, false}) {
        SetMaximized(maximized);
        m_pWindow->SetResizable(maximized);
        m_pWindow->m_journal.Take();
        PostAt(WM_LBUTTONDOWN, MK_LBUTTON, POINT{kStart.left + 318, kStart.top + 198});
        EXPECT_FALSE(m_pWindow->IsDragging()) << maximized;
        PostAt(WM_MOUSEMOVE, MK_LBUTTON, POINT{kStart.left + 350, kStart.top + 230});
        PostAt(WM_LBUTTONUP, 0, POINT{kStart.left + 350, kStart.top + 230});
        EXPECT_EQ(Text(WindowRect()), Text(kStart));
        EXPECT_EQ(m_pWindow->m_nExitSizeMove, 0);
    }
    // Presses elsewhere still reach the items.
    PostAt(WM_LBUTTONDOWN, MK_LBUTTON, POINT{kStart.left + 210, kStart.top + 110});
    PostAt(WM_LBUTTONUP, 0, POINT{kStart.left + 210, kStart.top + 110});
    EXPECT_TRUE(m_pWindow->m_journal.Has("1 LDown 10 10"));
    EXPECT_TRUE(m_pWindow->m_journal.Has("1 LUp 10 10"));
}

TEST_F(ResizableSkinWindowTest, ALostCaptureEndsTheDragWhereItIs)
{
    m_pWindow->AddProbe(1, {200, 100, 260, 140});
    Create();
    HWND other = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    const POINT press = {kStart.left + 318, kStart.top + 198};
    PostAt(WM_LBUTTONDOWN, MK_LBUTTON, press);
    PostAt(WM_MOUSEMOVE, MK_LBUTTON, POINT{press.x + 20, press.y + 20});
    ASSERT_EQ(Text(WindowRect()), "100,100,440,320");

    ::SetCapture(other);
    EXPECT_FALSE(m_pWindow->IsDragging());
    EXPECT_EQ(m_pWindow->m_nExitSizeMove, 1) << "ended as at a release";
    ::ReleaseCapture();
    m_pWindow->m_journal.Take();

    // A click on an item afterwards is the item's, and the window stays as it was.
    const POINT onItem = {kStart.left + 230, kStart.top + 120};
    PostAt(WM_LBUTTONDOWN, MK_LBUTTON, onItem);
    PostAt(WM_LBUTTONUP, 0, onItem);
    EXPECT_EQ(m_pWindow->m_journal.Take(), "1 LDown 30 20|1 SetFocus|1 LUp 30 20");
    EXPECT_EQ(Text(WindowRect()), "100,100,440,320");
    // So is a lone release anywhere.
    PostAt(WM_MOUSEMOVE, 0, POINT{kStart.left + 50, kStart.top + 50});
    PostAt(WM_LBUTTONUP, 0, POINT{kStart.left + 50, kStart.top + 50});
    EXPECT_EQ(Text(WindowRect()), "100,100,440,320");
    EXPECT_EQ(m_pWindow->m_nExitSizeMove, 1);
    ::DestroyWindow(other);
}

TEST_F(ResizableSkinWindowTest, SizingIsCappedAtTheLargestTrackingSize)
{
    Create();
    const LONG width = ::GetSystemMetrics(SM_CXMAXTRACK);
    const LONG height = ::GetSystemMetrics(SM_CYMAXTRACK);
    const RECT large = {10, 20, 10 + width + 50, 20 + height + 40};
    const struct {
        UINT edge;
        RECT capped;
    } cases[] = {
        {WMSZ_LEFT, {60, 20, large.right, large.bottom}},
        {WMSZ_RIGHT, {10, 20, 10 + width, large.bottom}},
        {WMSZ_TOP, {10, 60, large.right, large.bottom}},
        {WMSZ_TOPLEFT, {60, 60, large.right, large.bottom}},
        {WMSZ_TOPRIGHT, {10, 60, 10 + width, large.bottom}},
        {WMSZ_BOTTOM, {10, 20, large.right, 20 + height}},
        {WMSZ_BOTTOMLEFT, {60, 20, large.right, 20 + height}},
        {WMSZ_BOTTOMRIGHT, {10, 20, 10 + width, 20 + height}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        RECT rect = large;
        EXPECT_EQ(Send(WM_SIZING, c.edge, reinterpret_cast<LPARAM>(&rect)), TRUE);
        EXPECT_EQ(Text(rect), Text(c.capped));
        RECT small = {10, 20, 300, 200};
        EXPECT_EQ(Send(WM_SIZING, c.edge, reinterpret_cast<LPARAM>(&small)), TRUE);
        EXPECT_EQ(Text(small), "10,20,300,200");
    }
    RECT other = large;
    Send(WM_SIZING, 9, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(Text(other), Text(large)) << "not an edge code";
}

// ---- layout, items and the end of a move ----

TEST_F(ResizableSkinWindowTest, AnchoredItemsFollowTheSize)
{
    ui::CSkinWindowItem* panel = m_pWindow->CreateResizableStaticImage(
        7, ui::GetSkinBlock(m_definition, "Panel"));
    CProbeItem* corner = m_pWindow->AddProbe(8, {280, 170, 310, 190});
    m_pWindow->SetAnchor(7, ui::ANCHOR_NEAR, ui::ANCHOR_NEAR, ui::ANCHOR_FAR, ui::ANCHOR_FAR);
    m_pWindow->SetAnchor(8, ui::ANCHOR_FAR, ui::ANCHOR_FAR, ui::ANCHOR_FAR, ui::ANCHOR_FAR);
    // Made larger than designed: laid out before the first picture.
    Create(RECT{100, 100, 500, 350});
    EXPECT_EQ(Text(panel->GetRect().ToRECT()), "40,60,360,210");
    EXPECT_EQ(Text(corner->GetRect().ToRECT()), "360,220,390,240");
    EXPECT_EQ(PixelAt(Buffer(), 365, 225), kProbe);
    EXPECT_EQ(PixelAt(Buffer(), 359, 209), RGB(0xD3, 0xDA, 0xE3)) << "the panel's frame";

    ::SetWindowPos(Hwnd(), nullptr, 0, 0, 320, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Text(panel->GetRect().ToRECT()), "40,60,280,160");
    EXPECT_EQ(Text(corner->GetRect().ToRECT()), "280,170,310,190");

    m_pWindow->DeleteAllItems();
    EXPECT_TRUE(m_pWindow->GetAnchors().empty());
}

TEST_F(ResizableSkinWindowTest, TheEndOfAMoveBringsAWindowBackOnScreen)
{
    Create();
    Send(WM_EXITSIZEMOVE);
    EXPECT_EQ(Text(WindowRect()), Text(kStart)) << "on screen: left alone";
    ::SetWindowPos(Hwnd(), nullptr, -5000, -4000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Send(WM_EXITSIZEMOVE);
    const RECT now = WindowRect();
    RECT common;
    const RECT work = lib::wfc::GetWorkArea();
    EXPECT_TRUE(::IntersectRect(&common, &now, &work)) << Text(now);
    EXPECT_EQ(now.right - now.left, 320);
    EXPECT_EQ(now.bottom - now.top, 200);
}

} // namespace
