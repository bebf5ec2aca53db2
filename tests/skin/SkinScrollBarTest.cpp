// The scroll bar item: its range and position, where its parts lie and which one a point
// hits, presses, moves, releases and the auto-repeat on the window's tick with the clock
// stepped by hand, the thumb drag, the notifications an owner receives (one that answers by
// setting the position, and one that never answers), its drawing on a synthetic image whose
// every piece has a colour of its own, its skin block, and a bar on a real skin window.
// Bars run on a fake accessor (tests/skin/support/FakeItemAccessor.h) except on the window.

#include "lib/StringUtility.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemScrollBar.h"
#include "tests/skin/support/FakeItemAccessor.h"
#include "tests/skin/support/SkinTestSupport.h"
#include "tests/skin/support/SkinWindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using lib::FormatString;
using skintest::CFakeItemAccessor;
using skintest::PixelAt;
using skintest::SentItemMessage;
using ui::CSkinWindowItemScrollBar;

namespace {

const bool g_bPrivate = testsupport::UsePrivateAppData("skin_scrollbar_test");
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(
    new skintest::CWindowFrameworkEnvironment("skin_scrollbar_test"));

// The pieces of TestScrollParts.png (tests/skin/skins/images/TestScrollParts.svg).
const COLORREF kStartCap = RGB(0x10, 0x20, 0x30);
const COLORREF kMiddleA = RGB(0x20, 0x40, 0x60);   // first two rows of the middle piece
const COLORREF kMiddleB = RGB(0x30, 0x60, 0x90);   // last two
const COLORREF kEndCap = RGB(0x40, 0x80, 0xC0);
const COLORREF kUp[4] = {RGB(0x80, 0, 0), RGB(0x90, 0, 0x10), RGB(0xA0, 0, 0x20),
                         RGB(0xB0, 0, 0x30)};
const COLORREF kDown[4] = {RGB(0, 0x80, 0), RGB(0x10, 0x90, 0), RGB(0x20, 0xA0, 0),
                           RGB(0x30, 0xB0, 0)};
const COLORREF kThumbStart = RGB(0, 0, 0x80);
const COLORREF kThumbBefore = RGB(0x10, 0x10, 0x90);   // the start piece's row by the middle
const COLORREF kThumbMiddle[4] = {RGB(0xC0, 0xC0, 0), RGB(0xD0, 0xD0, 0x10),
                                  RGB(0xE0, 0xE0, 0x20), RGB(0xF0, 0xF0, 0x30)};
const COLORREF kThumbAfter = RGB(0x20, 0x20, 0xA0);    // the end piece's row by the middle
const COLORREF kThumbEnd = RGB(0x30, 0x30, 0xB0);
const COLORREF kGlyphUp = RGB(0x60, 0x60, 0x60);
const COLORREF kGlyphDown = RGB(0x70, 0x70, 0x70);
const COLORREF kGlyphUpDisabled = RGB(0x80, 0x80, 0x80);
const COLORREF kGlyphDownDisabled = RGB(0x90, 0x90, 0x90);
const COLORREF kGround = RGB(0xFF, 0xFF, 0xFF);

const int32_t kNone = ui::SCROLL_PART_NONE;
const int32_t kUpButton = ui::SCROLL_PART_UP;
const int32_t kDownButton = ui::SCROLL_PART_DOWN;
const int32_t kThumb = ui::SCROLL_PART_THUMB;
const int32_t kBefore = ui::SCROLL_PART_TRACK_BEFORE;
const int32_t kAfter = ui::SCROLL_PART_TRACK_AFTER;

ui::SkinBlock Block(const char* name)
{
    return ui::GetSkinBlock(ui::LoadSkinDefinition("TestScrollBar.txt", nullptr), name);
}

// The test bars: 10 across; buttons 8 long, thumb pieces 3, 3, 3 long and 6 across; `along`
// long (the block's own 60 when 0).
ui::SkinBlock BarBlock(bool horizontal, int32_t along = 0, const char* name = nullptr)
{
    ui::SkinBlock block = Block(name != nullptr ? name : horizontal ? "Horizontal" : "Vertical");
    if (along != 0) {
        const std::string length = FormatString("%d", along);
        block.m_mapKeyword["Size"] =
            horizontal ? ui::SkinValues{length, "10"} : ui::SkinValues{"10", length};
    }
    return block;
}

// A bar whose clock the test sets.
class CTestScrollBar : public CSkinWindowItemScrollBar {
public:
    CTestScrollBar(CFakeItemAccessor* accessor, const ui::SkinBlock& block)
        : CSkinWindowItemScrollBar(accessor, 7, block, accessor->GetImageCache())
    {
    }
    uint32_t m_dwNow = 100000;

protected:
    uint32_t _GetTickCount() const override { return m_dwNow; }
};

SentItemMessage ScrollMessage(WORD code, int32_t value = 0, bool horizontal = false)
{
    return SentItemMessage{static_cast<UINT>(horizontal ? WM_HSCROLL : WM_VSCROLL),
                           MAKEWPARAM(code, 0), static_cast<LPARAM>(value)};
}

typedef std::vector<SentItemMessage> Sent;

// A point of a bar from its place along the axis and across it.
POINT At(bool horizontal, int32_t along, int32_t across = 5)
{
    return horizontal ? POINT{along, across} : POINT{across, along};
}

class ScrollBarTest : public ::testing::Test {
protected:
    ScrollBarTest() : m_accessor(120, 200) {}

    CTestScrollBar& Make(bool horizontal = false, int32_t along = 0, const char* name = nullptr)
    {
        m_pBar.reset(new CTestScrollBar(&m_accessor, BarBlock(horizontal, along, name)));
        m_bHorizontal = horizontal;
        return *m_pBar;
    }
    // The owner answers as the list does: the position moved by the command, kept in range.
    void Answer()
    {
        m_accessor.m_fnSend = [this](UINT, WPARAM wParam, LPARAM lParam) -> LRESULT {
            CTestScrollBar& bar = *m_pBar;
            int32_t maxPos = 0;
            int32_t page = 0;
            bar.GetRange(&maxPos, &page);
            int64_t pos = bar.GetPos();
            switch (LOWORD(wParam)) {
            case SB_LINEUP: pos -= 1; break;
            case SB_LINEDOWN: pos += 1; break;
            case SB_PAGEUP: pos -= page; break;
            case SB_PAGEDOWN: pos += page; break;
            case SB_THUMBPOSITION: pos = lParam; break;
            default: break;
            }
            bar.SetPos(static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(pos, 0), maxPos)));
            return 0;
        };
    }
    void Move(int32_t along, int32_t across = 5)
    {
        const POINT p = At(m_bHorizontal, along, across);
        m_pBar->OnMouseMove(p.x, p.y);
    }
    bool Press(int32_t along, int32_t across = 5)
    {
        const POINT p = At(m_bHorizontal, along, across);
        return m_pBar->OnLButtonDown(p.x, p.y);
    }
    void Release(int32_t along, int32_t across = 5)
    {
        const POINT p = At(m_bHorizontal, along, across);
        m_pBar->OnLButtonUp(p.x, p.y);
    }
    // A tick `ms` after the press's clock.
    void Tick(uint32_t ms) { m_pBar->OnTick(m_dwPressed + ms); }
    void SetClock(uint32_t ms) { m_pBar->m_dwNow = m_dwPressed + ms; }
    Sent TakeSent()
    {
        Sent sent = m_accessor.m_vSent;
        m_accessor.m_vSent.clear();
        return sent;
    }
    SentItemMessage Scroll(WORD code, int32_t value = 0) const
    {
        return ScrollMessage(code, value, m_bHorizontal);
    }
    // A pixel of the bar from its place along and across, in the buffer.
    COLORREF Pixel(int32_t along, int32_t across)
    {
        const ui::SkinPoint origin = m_pBar->GetPosition();
        const POINT p = At(m_bHorizontal, along, across);
        return PixelAt(m_accessor.Buffer(), origin.x + p.x, origin.y + p.y);
    }
    void Draw()
    {
        m_accessor.Buffer().Fill(kGround);
        m_pBar->Draw();
    }

    CFakeItemAccessor m_accessor;
    std::unique_ptr<CTestScrollBar> m_pBar;
    bool m_bHorizontal = false;
    const uint32_t m_dwPressed = 100000;
};

// ---- range and position ----

TEST_F(ScrollBarTest, RangeAndPosition)
{
    const struct {
        int32_t last;
        int32_t page;
        int32_t posBefore;   // set before the range (within the earlier range 0 .. 1000)
        int32_t posAfter;    // set after it; -2 sets nothing
        int32_t maxPos;
        int32_t keptPage;
        int32_t pos;
        bool enabled;
    } cases[] = {
        {9, 10, 0, -2, 0, 10, 0, false},       // last below the page: nothing to scroll
        {10, 10, 0, -2, 1, 10, 0, true},       // at the page
        {11, 10, 0, 2, 2, 10, 2, true},        // above it
        {99, 10, 0, 200, 90, 10, 90, true},    // a position past the maximum is cut
        {99, 0, 0, -2, 99, 1, 0, true},        // page 0 counts as 1
        {99, -5, 0, -2, 99, 1, 0, true},       // so does a negative page
        {99, 10, 0, -7, 90, 10, 0, true},      // a negative position is cut to 0
        {-1, 1, 0, -2, 0, 1, 0, false},        // no lines at all
        {39, 10, 500, -2, 30, 10, 30, true},   // a shrinking range cuts the position
        {99, 10, 50, -2, 90, 10, 50, true},    // a growing one keeps it
        {INT_MAX, 1, 0, INT_MAX, INT_MAX, 1, INT_MAX, true},
        {INT_MAX, INT_MAX, 0, 5, 1, INT_MAX, 1, true},
    };
    for (const auto& c : cases) {
        const std::string row = FormatString("last %d page %d", c.last, c.page);
        CTestScrollBar& bar = Make();
        EXPECT_EQ(bar.GetPos(), 0) << row;
        EXPECT_FALSE(bar.IsEnabled()) << "a new bar has nothing to scroll";
        bar.SetRange(1000, 1);
        bar.SetPos(c.posBefore);
        bar.SetRange(c.last, c.page);
        if (c.posAfter != -2) bar.SetPos(c.posAfter);
        int32_t maxPos = -1;
        int32_t page = -1;
        bar.GetRange(&maxPos, &page);
        EXPECT_EQ(maxPos, c.maxPos) << row;
        EXPECT_EQ(bar.GetMaxPos(), c.maxPos) << row;
        EXPECT_EQ(page, c.keptPage) << row;
        EXPECT_EQ(bar.GetPos(), c.pos) << row;
        EXPECT_EQ(bar.IsEnabled(), c.enabled) << row;
        EXPECT_TRUE(m_accessor.m_vSent.empty()) << row << ": setting the range notifies nothing";
    }
}

TEST_F(ScrollBarTest, ChangesAreRedrawnAndSameValuesAreNot)
{
    CTestScrollBar& bar = Make();
    m_accessor.Take();
    bar.SetRange(99, 10);
    EXPECT_EQ(m_accessor.Take(), "Redraw 20 40 30 100 0");
    bar.SetRange(99, 10);
    bar.SetPos(0);
    EXPECT_EQ(m_accessor.Take(), "");
    bar.SetPos(5);
    EXPECT_EQ(m_accessor.Take(), "Redraw 20 40 30 100 0");
    bar.SetPos(500);
    bar.SetPos(500);
    EXPECT_EQ(m_accessor.CountRedraws(), 1u);
    // Enabling or disabling the item changes its look.
    m_accessor.Take();
    bar.SetEnable(false);
    EXPECT_EQ(m_accessor.Take(), "Redraw 20 40 30 100 0");
    EXPECT_FALSE(bar.IsEnabled());
}

// ---- geometry ----

struct Span {
    int32_t start;
    int32_t end;
    bool operator==(const Span& other) const { return start == other.start && end == other.end; }
};

void PrintTo(const Span& span, std::ostream* out)
{
    *out << "[" << span.start << ", " << span.end << ")";
}

Span AlongSpan(bool horizontal, const ui::SkinRect& rect)
{
    return horizontal ? Span{rect.left, rect.right} : Span{rect.top, rect.bottom};
}

Span AcrossSpan(bool horizontal, const ui::SkinRect& rect)
{
    return horizontal ? Span{rect.top, rect.bottom} : Span{rect.left, rect.right};
}

TEST_F(ScrollBarTest, ThumbLengthAndOffset)
{
    // Buttons 8 long at both ends; the thumb's fixed pieces 3 + 3.
    const struct {
        int32_t along;
        int32_t last;
        int32_t page;
        int32_t pos;   // INT_MIN: the maximum position
        Span thumb;
        Span track;
    } cases[] = {
        // Track 44 long, travel 38; total = maximum + page.
        {60, 99, 10, 0, {8, 17}, {8, 52}},        // 10 * 38 / 100 = 3, + 6
        {60, 99, 10, 45, {25, 34}, {8, 52}},      // offset 45 * 38 / 100 = 17
        {60, 99, 10, INT_MIN, {42, 51}, {8, 52}}, // 90 * 38 / 100 = 34
        {60, 1, 1, 1, {27, 52}, {8, 52}},         // half the travel each
        {60, 99, 50, 0, {8, 33}, {8, 52}},        // 50 * 38 / 100 = 19, + 6
        // Maxima whose products with the travel overflow 32 bits.
        {60, INT_MAX - 1, 1, INT_MIN, {45, 51}, {8, 52}},
        {60, INT_MAX - 1, 1, (INT_MAX - 1) / 2, {26, 32}, {8, 52}},
        {60, 2000000000, 1000000000, INT_MIN, {27, 51}, {8, 52}},
        {60, INT_MAX, INT_MAX / 2, INT_MIN, {27, 51}, {8, 52}},
        // A track shorter than the thumb's fixed pieces divides by a travel of 1.
        {20, 99, 10, INT_MIN, {8, 14}, {8, 12}},
        {14, 99, 10, 0, {8, 14}, {8, 8}},
        // Nothing to scroll: the thumb fills the track.
        {60, 9, 10, 0, {8, 52}, {8, 52}},
        {100, 0, 1, 0, {8, 92}, {8, 92}},
    };
    for (const bool horizontal : {false, true}) {
        for (const auto& c : cases) {
            const std::string row = FormatString("%s along %d last %d page %d pos %d",
                                                 horizontal ? "H" : "V", c.along, c.last, c.page,
                                                 c.pos);
            CTestScrollBar& bar = Make(horizontal, c.along);
            bar.SetRange(c.last, c.page);
            bar.SetPos(c.pos == INT_MIN ? bar.GetMaxPos() : c.pos);
            EXPECT_EQ(AlongSpan(horizontal, bar.GetPartRect(kThumb)), c.thumb) << row;
            EXPECT_EQ(AcrossSpan(horizontal, bar.GetPartRect(kThumb)), (Span{2, 8})) << row;
            EXPECT_EQ(AlongSpan(horizontal, bar.GetPartRect(kUpButton)), (Span{0, 8})) << row;
            EXPECT_EQ(AlongSpan(horizontal, bar.GetPartRect(kDownButton)),
                      (Span{c.along - 8, c.along}))
                << row;
            EXPECT_EQ(AcrossSpan(horizontal, bar.GetPartRect(kDownButton)), (Span{0, 10})) << row;
            EXPECT_EQ(AlongSpan(horizontal, bar.GetPartRect(kBefore)),
                      (Span{c.track.start, c.thumb.start}))
                << row;
            EXPECT_EQ(AlongSpan(horizontal, bar.GetPartRect(kAfter)),
                      (Span{c.thumb.end, c.track.end}))
                << row;
        }
    }
}

TEST_F(ScrollBarTest, ButtonsOfAnItemShorterThanBoth)
{
    for (const bool horizontal : {false, true}) {
        CTestScrollBar& bar = Make(horizontal, 12);
        bar.SetRange(99, 10);
        EXPECT_EQ(AlongSpan(horizontal, bar.GetPartRect(kUpButton)), (Span{0, 8}));
        EXPECT_EQ(AlongSpan(horizontal, bar.GetPartRect(kDownButton)), (Span{4, 12}));
        EXPECT_EQ(bar.HitTest(At(horizontal, 5).x, At(horizontal, 5).y), kUpButton)
            << "the up button is hit first where both lie";
        EXPECT_EQ(bar.HitTest(At(horizontal, 9).x, At(horizontal, 9).y), kDownButton);
    }
}

TEST_F(ScrollBarTest, HitTestAtPartEdges)
{
    // Along 60 with the thumb at 25 .. 34 and 2 .. 8 across.
    const struct {
        int32_t along;
        int32_t across;
        int32_t part;
    } cases[] = {
        {0, 5, kUpButton},  {7, 0, kUpButton},  {7, 9, kUpButton},   {8, 5, kBefore},
        {24, 0, kBefore},   {24, 9, kBefore},   {25, 2, kThumb},     {25, 7, kThumb},
        {33, 5, kThumb},    {25, 1, kNone},     {30, 8, kNone},      {34, 5, kAfter},
        {34, 0, kAfter},    {51, 9, kAfter},    {52, 5, kDownButton}, {59, 5, kDownButton},
        {60, 5, kNone},     {-1, 5, kNone},     {10, 10, kNone},     {10, -1, kNone},
    };
    for (const bool horizontal : {false, true}) {
        CTestScrollBar& bar = Make(horizontal);
        bar.SetRange(99, 10);
        bar.SetPos(45);
        for (const auto& c : cases) {
            const POINT p = At(horizontal, c.along, c.across);
            EXPECT_EQ(bar.HitTest(p.x, p.y), c.part)
                << (horizontal ? "H" : "V") << " along " << c.along << " across " << c.across;
        }
    }
    // A thumb that runs past a short track into the down button: the button is hit first.
    CTestScrollBar& bar = Make(false, 20);
    bar.SetRange(99, 10);
    bar.SetPos(90);
    EXPECT_EQ(bar.HitTest(5, 11), kThumb);
    EXPECT_EQ(bar.HitTest(5, 12), kDownButton);
    EXPECT_EQ(bar.HitTest(5, 13), kDownButton);
}

// ---- input ----

TEST_F(ScrollBarTest, HeldButtonRepeatsFromTheTickValue)
{
    for (const bool horizontal : {false, true}) {
        Make(horizontal).SetRange(99, 10);
        m_pBar->SetPos(50);
        Move(55);
        EXPECT_TRUE(Press(55));
        EXPECT_EQ(TakeSent(), (Sent{Scroll(SB_LINEDOWN)})) << "the first action at the press";
        const struct {
            uint32_t ms;
            size_t actions;
        } ticks[] = {
            {0, 0}, {33, 0}, {33, 0}, {33, 0}, {499, 0},   // the same tick often: no count
            {500, 1}, {500, 0}, {539, 0}, {540, 1}, {579, 0}, {580, 1}, {620, 1}, {621, 0},
            {700, 1},   // late: one action, the next one 40 ms after the last due time
            {701, 1}, {702, 0}, {740, 1},
        };
        for (const auto& t : ticks) {
            Tick(t.ms);
            EXPECT_EQ(TakeSent().size(), t.actions) << (horizontal ? "H " : "V ") << t.ms;
        }
        Release(55);
        Tick(1000);
        Tick(5000);
        EXPECT_TRUE(TakeSent().empty()) << "the release ends the repeat";
    }
}

TEST_F(ScrollBarTest, LeavingTheHeldPartPausesTheRepeat)
{
    Make().SetRange(99, 10);
    Move(3);
    Press(3);
    EXPECT_EQ(TakeSent(), Sent{}) << "up at position 0 is silent";
    m_pBar->SetPos(20);
    Tick(500);
    EXPECT_EQ(TakeSent(), (Sent{Scroll(SB_LINEUP)})) << "the repeat ran on, silent until now";

    SetClock(510);
    Move(30);   // off the button
    EXPECT_EQ(m_pBar->GetPartState(kUpButton), ui::SCROLL_STATE_HOT);
    Tick(540);
    Tick(900);
    EXPECT_EQ(TakeSent(), Sent{}) << "paused off the held part";
    SetClock(1000);
    Move(4);    // back on it: 40 ms, not another 500
    EXPECT_EQ(m_pBar->GetPartState(kUpButton), ui::SCROLL_STATE_PRESSED_HOT);
    Tick(1039);
    EXPECT_EQ(TakeSent(), Sent{});
    Tick(1040);
    Tick(1080);
    EXPECT_EQ(TakeSent(), (Sent{Scroll(SB_LINEUP), Scroll(SB_LINEUP)}));
    // Over another part while this one is held: still off it.
    Move(55);
    Tick(1200);
    EXPECT_EQ(TakeSent(), Sent{});
    EXPECT_EQ(m_pBar->GetPartState(kDownButton), ui::SCROLL_STATE_NORMAL);
}

TEST_F(ScrollBarTest, PagingStopsWhereTheThumbReachesTheMouse)
{
    const struct {
        const char* name;
        int32_t startPos;
        int32_t mouse;
        WORD code;
        int32_t endPos;      // where the answering owner leaves the bar
        size_t actions;      // the press's and the repeats'
    } cases[] = {
        // Page 10 of 100 on a travel of 38: the thumb moves 3 or 4 pixels a page.
        {"down", 0, 40, SB_PAGEDOWN, 70, 7},     // thumb 34 .. 43 holds 40 then
        {"up", 90, 20, SB_PAGEUP, 30, 6},        // thumb 19 .. 28 holds 20
        {"down to the end", 0, 50, SB_PAGEDOWN, 90, 9},
        {"up to the start", 90, 8, SB_PAGEUP, 0, 9},
    };
    for (const bool horizontal : {false, true}) {
        for (const auto& c : cases) {
            const std::string row = FormatString("%s %s", horizontal ? "H" : "V", c.name);
            Make(horizontal).SetRange(99, 10);
            m_pBar->SetPos(c.startPos);
            Answer();
            Move(c.mouse);
            Press(c.mouse);
            for (uint32_t ms = 0; ms <= 1500; ms += 33) Tick(ms);
            const Sent sent = TakeSent();
            EXPECT_EQ(sent, Sent(c.actions, Scroll(c.code))) << row;
            EXPECT_EQ(m_pBar->GetPos(), c.endPos) << row;
            const Span thumb = AlongSpan(horizontal, m_pBar->GetPartRect(kThumb));
            EXPECT_TRUE(c.mouse >= thumb.start && c.mouse < thumb.end)
                << row << ": the thumb ends under the mouse";
            Release(c.mouse);
        }
    }
}

TEST_F(ScrollBarTest, MovingTheMouseOnTheTrackMovesWherePagingStops)
{
    Make().SetRange(99, 10);
    Answer();
    Move(50);
    Press(50);
    for (uint32_t ms = 0; ms <= 1000; ms += 33) Tick(ms);
    EXPECT_EQ(m_pBar->GetPos(), 90);
    m_pBar->SetPos(0);
    // The mouse went up, still on the track after the thumb (8 .. 17): paging goes on to it.
    Move(30);
    for (uint32_t ms = 1000; ms <= 2000; ms += 33) Tick(ms);
    const Span thumb = AlongSpan(false, m_pBar->GetPartRect(kThumb));
    EXPECT_LE(thumb.start, 30);
    EXPECT_GT(thumb.end, 30);
}

TEST_F(ScrollBarTest, ThumbDraggedPastEitherEnd)
{
    for (const bool horizontal : {false, true}) {
        Make(horizontal).SetRange(99, 10);   // thumb 8 .. 17, travel 38
        Answer();
        Move(10);
        EXPECT_TRUE(Press(10));
        EXPECT_EQ(TakeSent(), Sent{}) << "pressing the thumb sends nothing";
        EXPECT_EQ(m_pBar->GetPartState(kThumb), ui::SCROLL_STATE_PRESSED_HOT);
        Move(10, 3);
        EXPECT_EQ(TakeSent(), Sent{}) << "no move along the axis";
        Move(11);
        EXPECT_EQ(TakeSent(), (Sent{Scroll(SB_THUMBPOSITION, 2)})) << "100 * 1 / 38";
        Move(27);
        EXPECT_EQ(TakeSent(), (Sent{Scroll(SB_THUMBPOSITION, 44)})) << "100 * 17 / 38";
        Move(200);
        EXPECT_EQ(TakeSent(), (Sent{Scroll(SB_THUMBPOSITION, 90)}));
        Move(300);
        Move(201);
        EXPECT_EQ(TakeSent(), Sent{}) << "nothing more at the end";
        Move(-100);
        EXPECT_EQ(TakeSent(), (Sent{Scroll(SB_THUMBPOSITION, 0)}));
        Move(-300);
        Move(9);
        EXPECT_EQ(TakeSent(), Sent{}) << "nothing more at the start";
        EXPECT_EQ(m_pBar->GetPos(), 0);
        for (uint32_t ms = 0; ms < 2000; ms += 33) Tick(ms);
        EXPECT_EQ(TakeSent(), Sent{}) << "a held thumb does not repeat";
        Release(9);
        Move(200);
        EXPECT_EQ(TakeSent(), Sent{}) << "released";
    }
}

TEST_F(ScrollBarTest, AnOwnerThatNeverAnswersLeavesTheBarWhereItWas)
{
    Make().SetRange(99, 10);
    m_pBar->SetPos(45);   // thumb 25 .. 34
    const ui::SkinRect thumb = m_pBar->GetPartRect(kThumb);
    Press(55);
    for (uint32_t ms = 0; ms <= 700; ms += 33) Tick(ms);
    Release(55);
    Press(40);
    for (uint32_t ms = 0; ms <= 700; ms += 33) Tick(ms);
    Release(40);
    Press(30);
    Move(31);
    Move(32);
    Release(32);
    EXPECT_EQ(TakeSent(), (Sent{Scroll(SB_LINEDOWN), Scroll(SB_LINEDOWN), Scroll(SB_LINEDOWN),
                                Scroll(SB_LINEDOWN), Scroll(SB_LINEDOWN), Scroll(SB_LINEDOWN),
                                Scroll(SB_PAGEDOWN), Scroll(SB_PAGEDOWN), Scroll(SB_PAGEDOWN),
                                Scroll(SB_PAGEDOWN), Scroll(SB_PAGEDOWN), Scroll(SB_PAGEDOWN),
                                Scroll(SB_THUMBPOSITION, 47), Scroll(SB_THUMBPOSITION, 50)}));
    EXPECT_EQ(m_pBar->GetPos(), 45);
    EXPECT_EQ(m_pBar->GetPartRect(kThumb).top, thumb.top);
}

TEST_F(ScrollBarTest, ADisabledBarIgnoresPresses)
{
    const struct {
        const char* name;
        int32_t last;
        bool enabled;
    } cases[] = {
        {"nothing to scroll", 9, true},
        {"item disabled", 99, false},
    };
    for (const auto& c : cases) {
        Make().SetRange(c.last, 10);
        m_pBar->SetEnable(c.enabled);
        for (const int32_t along : {3, 20, 40, 55}) {
            Move(along);
            EXPECT_FALSE(Press(along)) << c.name << " at " << along;
            Tick(600);
            Release(along);
        }
        EXPECT_EQ(TakeSent(), Sent{}) << c.name;
        EXPECT_EQ(m_pBar->GetPartState(kDownButton), ui::SCROLL_STATE_NORMAL) << c.name;
    }
    // Disabled while held: the repeat goes silent.
    Make().SetRange(99, 10);
    Press(55);
    m_pBar->SetEnable(false);
    Tick(600);
    EXPECT_EQ(TakeSent(), (Sent{Scroll(SB_LINEDOWN)}));
}

TEST_F(ScrollBarTest, PressesAndTheirLooks)
{
    Make().SetRange(99, 10);
    m_pBar->SetPos(45);
    // Beside the thumb is no part: no capture.
    EXPECT_FALSE(Press(30, 0));
    EXPECT_EQ(TakeSent(), Sent{});
    // Pressed without having been hovered, then hovered parts.
    EXPECT_TRUE(Press(55));
    EXPECT_EQ(m_pBar->GetPartState(kDownButton), ui::SCROLL_STATE_PRESSED);
    EXPECT_FALSE(Press(3)) << "a second press while one is held";
    Release(55);
    EXPECT_EQ(m_pBar->GetPartState(kDownButton), ui::SCROLL_STATE_HOT);
    m_accessor.Take();
    Move(56);
    EXPECT_EQ(m_accessor.CountRedraws(), 0u) << "the same part stays hot";
    Move(3);
    EXPECT_EQ(m_accessor.CountRedraws(), 1u);
    EXPECT_EQ(m_pBar->GetPartState(kUpButton), ui::SCROLL_STATE_HOT);
    EXPECT_EQ(m_pBar->GetPartState(kDownButton), ui::SCROLL_STATE_NORMAL);
    m_pBar->OnMouseLeave();
    EXPECT_EQ(m_pBar->GetPartState(kUpButton), ui::SCROLL_STATE_NORMAL);
    // A cancelled press ends like a release.
    Move(40);
    Press(40);
    m_pBar->OnLButtonCancel(5, 40);
    Tick(600);
    EXPECT_EQ(TakeSent(), (Sent{Scroll(SB_PAGEDOWN)}));
    // Leaving the item while a part is held keeps its hot part.
    Press(40);
    m_pBar->OnMouseLeave();
    EXPECT_EQ(m_pBar->GetPartState(kAfter), ui::SCROLL_STATE_PRESSED_HOT);
    Release(40);
}

// ---- drawing ----

TEST_F(ScrollBarTest, BaseCapsAndRepeatedMiddle)
{
    for (const bool horizontal : {false, true}) {
        // Buttons of no length, and nothing to scroll: the base alone shows.
        ui::SkinBlock block = BarBlock(horizontal);
        block.m_mapKeyword["ButtonSize"] = horizontal ? ui::SkinValues{"0", "10"}
                                                      : ui::SkinValues{"10", "0"};
        m_pBar.reset(new CTestScrollBar(&m_accessor, block));
        m_bHorizontal = horizontal;
        Draw();
        const char* axis = horizontal ? "H " : "V ";
        // Caps of 3 at both ends; the middle's four rows (two and two) repeat from 3 on, the
        // last copy cut to two rows at 55, 56.
        const struct {
            int32_t along;
            COLORREF color;
        } rows[] = {
            {0, kStartCap}, {2, kStartCap}, {3, kMiddleA}, {4, kMiddleA}, {5, kMiddleB},
            {6, kMiddleB}, {7, kMiddleA}, {10, kMiddleB}, {51, kMiddleA}, {53, kMiddleB},
            {54, kMiddleB}, {55, kMiddleA}, {56, kMiddleA}, {57, kEndCap}, {59, kEndCap},
        };
        for (const auto& r : rows) {
            EXPECT_EQ(Pixel(r.along, 5), r.color) << axis << r.along;
            EXPECT_EQ(Pixel(r.along, 9), r.color) << axis << r.along;
            EXPECT_EQ(Pixel(r.along, 0), kGround) << axis << r.along << ": key colour";
        }
        EXPECT_EQ(Pixel(-1, 5), kGround) << axis << "outside the item";
        EXPECT_EQ(Pixel(60, 5), kGround) << axis << "outside the item";
    }
}

TEST_F(ScrollBarTest, CapsFillingTheImageLeaveTheMiddleEmpty)
{
    const struct {
        int32_t along;
        std::vector<COLORREF> expected;   // along the item, from its start
    } cases[] = {
        // Caps 5 and 5 of the 10-row image: rows 0-4 and 5-9 at the ends, nothing between.
        {16, {kStartCap, kStartCap, kStartCap, kMiddleA, kMiddleA, kGround, kGround, kGround,
              kGround, kGround, kGround, kMiddleB, kMiddleB, kEndCap, kEndCap, kEndCap}},
        {10, {kStartCap, kStartCap, kStartCap, kMiddleA, kMiddleA, kMiddleB, kMiddleB, kEndCap,
              kEndCap, kEndCap}},
        // Shorter than both: each cap cut to its share.
        {6, {kStartCap, kStartCap, kStartCap, kEndCap, kEndCap, kEndCap}},
        {3, {kStartCap, kEndCap, kEndCap}},
    };
    for (const auto& c : cases) {
        ui::SkinBlock block = BarBlock(false, c.along, "ZeroMiddle");
        block.m_mapKeyword["ButtonSize"] = ui::SkinValues{"10", "0"};
        m_pBar.reset(new CTestScrollBar(&m_accessor, block));
        m_bHorizontal = false;
        Draw();
        for (int32_t along = 0; along < c.along; ++along) {
            EXPECT_EQ(Pixel(along, 5), c.expected[along]) << c.along << " long, at " << along;
        }
        EXPECT_EQ(Pixel(c.along, 5), kGround);
    }
}

TEST_F(ScrollBarTest, ButtonsGlyphsAndTheirLooks)
{
    for (const bool horizontal : {false, true}) {
        const char* axis = horizontal ? "H " : "V ";
        Make(horizontal).SetRange(99, 10);
        m_pBar->SetPos(45);
        Draw();
        // Faces 10 x 8 over the base; glyphs 4 x 2 centred: 3 .. 5 along, 3 .. 7 across.
        EXPECT_EQ(Pixel(0, 0), kUp[0]) << axis;
        EXPECT_EQ(Pixel(7, 9), kUp[0]) << axis;
        EXPECT_EQ(Pixel(3, 3), kGlyphUp) << axis;
        EXPECT_EQ(Pixel(4, 6), kGlyphUp) << axis;
        EXPECT_EQ(Pixel(2, 3), kUp[0]) << axis;
        EXPECT_EQ(Pixel(3, 7), kUp[0]) << axis;
        EXPECT_EQ(Pixel(52, 0), kDown[0]) << axis;
        EXPECT_EQ(Pixel(55, 3), kGlyphDown) << axis;
        EXPECT_EQ(Pixel(59, 9), kDown[0]) << axis;

        const struct {
            const char* look;
            std::function<void()> drive;
            COLORREF down;
        } looks[] = {
            {"hot", [&] { Move(53); }, kDown[1]},
            {"pressed and hot", [&] { Press(53); }, kDown[3]},
            {"pressed, hot elsewhere", [&] { Release(53); Move(3); Press(53); }, kDown[2]},
            {"held, mouse off", [&] { Move(30); }, kDown[0]},
            {"released", [&] { Release(30); }, kDown[0]},
        };
        for (const auto& look : looks) {
            look.drive();
            Draw();
            EXPECT_EQ(Pixel(52, 0), look.down) << axis << look.look;
            EXPECT_EQ(Pixel(55, 3), kGlyphDown) << axis << look.look << ": one glyph for all";
        }

        // Disabled: plain faces, disabled glyphs, no thumb.
        Move(53);
        m_pBar->SetRange(9, 10);
        Draw();
        EXPECT_EQ(Pixel(52, 0), kDown[0]) << axis;
        EXPECT_EQ(Pixel(3, 3), kGlyphUpDisabled) << axis;
        EXPECT_EQ(Pixel(55, 3), kGlyphDownDisabled) << axis;
        EXPECT_EQ(Pixel(30, 5), kMiddleB) << axis << "the track, with no thumb";
    }
}

TEST_F(ScrollBarTest, ThumbPiecesAndFillers)
{
    const struct {
        int32_t page;
        int32_t pos;
        std::vector<COLORREF> expected;   // along the thumb, from its start
    } cases[] = {
        // Exactly its pieces: 9 long.
        {10, 45, {kThumbStart, kThumbStart, kThumbBefore, kThumbMiddle[0], kThumbMiddle[0],
                  kThumbMiddle[0], kThumbAfter, kThumbEnd, kThumbEnd}},
        // 25 long: the middle at 11 .. 14, the rows next to it repeated before and after.
        {50, 0, {kThumbStart, kThumbStart, kThumbBefore, kThumbBefore, kThumbBefore,
                 kThumbBefore, kThumbBefore, kThumbBefore, kThumbBefore, kThumbBefore,
                 kThumbBefore, kThumbMiddle[0], kThumbMiddle[0], kThumbMiddle[0], kThumbAfter,
                 kThumbAfter, kThumbAfter, kThumbAfter, kThumbAfter, kThumbAfter, kThumbAfter,
                 kThumbAfter, kThumbAfter, kThumbEnd, kThumbEnd}},
    };
    for (const bool horizontal : {false, true}) {
        for (const auto& c : cases) {
            Make(horizontal).SetRange(99, c.page);
            m_pBar->SetPos(c.pos);
            Draw();
            const Span thumb = AlongSpan(horizontal, m_pBar->GetPartRect(kThumb));
            ASSERT_EQ(static_cast<size_t>(thumb.end - thumb.start), c.expected.size());
            for (int32_t i = 0; i < thumb.end - thumb.start; ++i) {
                EXPECT_EQ(Pixel(thumb.start + i, 2), c.expected[i])
                    << (horizontal ? "H " : "V ") << "page " << c.page << " at " << i;
                EXPECT_EQ(Pixel(thumb.start + i, 7), c.expected[i]);
            }
            // Across: 6 wide and centred, the track beside it.
            EXPECT_NE(Pixel(thumb.start + 3, 1), c.expected[3]);
            EXPECT_NE(Pixel(thumb.start + 3, 8), c.expected[3]);
            EXPECT_NE(Pixel(thumb.start - 1, 5), c.expected[0]);
        }
    }
    // The thumb's look follows its state; a thumb past a short track stays on the track.
    Make().SetRange(99, 10);
    Move(10);
    Press(10);
    Draw();
    EXPECT_EQ(Pixel(12, 5), kThumbMiddle[3]);
    Make(false, 20).SetRange(99, 10);
    m_pBar->SetPos(90);
    Draw();
    EXPECT_EQ(Pixel(8, 5), kThumbStart);
    EXPECT_EQ(Pixel(11, 5), kThumbAfter) << "cut at the track's end";
    EXPECT_EQ(Pixel(12, 2), kDown[0]);
    EXPECT_EQ(Pixel(13, 2), kDown[0]);
}

TEST_F(ScrollBarTest, DrawsOnlyInsideTheBuffersClip)
{
    Make().SetRange(99, 10);
    m_accessor.Buffer().Fill(kGround);
    const RECT clip = {0, 0, 120, 60};   // the bar's first 20 rows
    m_accessor.Buffer().SetClipRect(clip);
    m_pBar->Draw();
    m_accessor.Buffer().ResetClipRect();
    EXPECT_EQ(Pixel(0, 5), kUp[0]);
    EXPECT_EQ(Pixel(19, 5), kMiddleA);
    EXPECT_EQ(Pixel(20, 5), kGround);
    EXPECT_EQ(Pixel(55, 3), kGround);
}

// ---- the skin block ----

TEST(ScrollBarBlockTest, RefusedBlocks)
{
    CFakeItemAccessor accessor(10, 10);
    const struct {
        const char* name;
        std::function<void(ui::SkinBlock&)> change;
        const char* box;
    } cases[] = {
        {"LowerCaseType", nullptr, "LowerCaseType 無効な スクロールタイプ(v)が指定されました"},
        {"Vertical", [](ui::SkinBlock& b) { b.m_mapKeyword["Type"] = {"VH"}; },
         "Vertical 無効な スクロールタイプ(VH)が指定されました"},
        {"Vertical", [](ui::SkinBlock& b) { b.m_mapKeyword["Type"] = {""}; },
         "Vertical 無効な スクロールタイプ()が指定されました"},
        {"Vertical", [](ui::SkinBlock& b) { b.m_mapKeyword["Type"] = {"V", "H"}; },
         "Vertical/Typeのパラメータは 1個必要ですが、2個指定されています"},
        {"Vertical", [](ui::SkinBlock& b) { b.m_mapKeyword.erase("Position"); },
         "Vertical/Positionが定義されていません"},
        {"NoDownButton", nullptr, "NoDownButton/DownButtonImageが定義されていません"},
        {"Vertical", [](ui::SkinBlock& b) { b.m_mapKeyword["ThumbPart"] = {"3", "3"}; },
         "Vertical/ThumbPartのパラメータは 3個必要です"},
        {"Vertical",
         [](ui::SkinBlock& b) {
             b.m_mapKeyword["BaseImage"] = {"TestNoScrollParts.png", "0", "0", "1", "1", "0", "0"};
         },
         "TestNoScrollParts.pngが読み込めません."},
    };
    for (const auto& c : cases) {
        ui::SkinBlock block = Block(c.name);
        if (c.change) c.change(block);
        const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] {
            CSkinWindowItemScrollBar bar(&accessor, 1, block, accessor.GetImageCache());
        });
        EXPECT_EQ(errors.m_vBox, std::vector<std::string>{c.box}) << c.box;
        EXPECT_EQ(errors.m_strThrown, c.box);
    }
}

TEST(ScrollBarBlockTest, ReadsItsBlock)
{
    CFakeItemAccessor accessor(10, 10);
    for (const char* name : {"Vertical", "Horizontal"}) {
        CSkinWindowItemScrollBar bar(&accessor, 3, Block(name), accessor.GetImageCache());
        const bool horizontal = std::string(name) == "Horizontal";
        EXPECT_EQ(bar.IsHorizontal(), horizontal);
        EXPECT_EQ(bar.GetId(), 3);
        EXPECT_EQ(bar.GetRect().left, horizontal ? 40 : 20);
        EXPECT_EQ(bar.GetRect().top, horizontal ? 160 : 40);
        EXPECT_EQ(bar.GetRect().Width(), horizontal ? 60 : 10);
        EXPECT_EQ(bar.GetRect().Height(), horizontal ? 10 : 60);
        EXPECT_EQ(bar.GetPos(), 0);
        int32_t maxPos = -1;
        int32_t page = -1;
        bar.GetRange(&maxPos, &page);
        EXPECT_EQ(maxPos, 0);
        EXPECT_EQ(page, 1);
    }
    EXPECT_EQ(accessor.GetImageCache()->GetNames(),
              std::vector<std::string>{"TESTSCROLLPARTS.PNG"});
}

TEST(ScrollBarBlockTest, TheProductsClassesBuildBars)
{
    // The classes of the product's Common.txt, with a place as a window's text gives it.
    const ui::SkinDefinition common = ui::LoadSkinDefinition("Common.txt", nullptr);
    CFakeItemAccessor accessor(320, 200);
    for (const bool horizontal : {false, true}) {
        ui::SkinBlock block =
            ui::GetSkinBlock(common, horizontal ? "ScrollBarHorizontal" : "ScrollBarVertical");
        block.m_mapKeyword["Position"] = {"100", "40"};
        block.m_mapKeyword["Size"] =
            horizontal ? ui::SkinValues{"144", "18"} : ui::SkinValues{"18", "120"};
        std::unique_ptr<CSkinWindowItemScrollBar> bar;
        const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] {
            bar.reset(new CSkinWindowItemScrollBar(&accessor, 1, block, accessor.GetImageCache()));
        });
        ASSERT_TRUE(errors.m_vBox.empty()) << errors.m_vBox.front();
        EXPECT_EQ(bar->IsHorizontal(), horizontal);
        bar->SetRange(99, 10);
        // 18 across; buttons 14 long; the thumb 12 across, centred, with pieces 4 + 4.
        EXPECT_EQ(AlongSpan(horizontal, bar->GetPartRect(kUpButton)), (Span{0, 14}));
        EXPECT_EQ(AcrossSpan(horizontal, bar->GetPartRect(kUpButton)), (Span{0, 18}));
        EXPECT_EQ(AcrossSpan(horizontal, bar->GetPartRect(kThumb)), (Span{3, 15}));
        // Travel: the length less two buttons and the thumb's fixed pieces.
        const int32_t length = horizontal ? bar->GetRect().Width() : bar->GetRect().Height();
        const Span thumb = AlongSpan(horizontal, bar->GetPartRect(kThumb));
        EXPECT_EQ(thumb.end - thumb.start, 10 * (length - 14 - 14 - 8) / 100 + 8);
        accessor.Buffer().Fill(kGround);
        bar->Draw();
        // Something of the look at the glyph and the thumb's middle; nothing of the key.
        const ui::SkinRect rect = bar->GetRect();
        const COLORREF glyph = horizontal ? PixelAt(accessor.Buffer(), rect.left + 5, rect.top + 9)
                                          : PixelAt(accessor.Buffer(), rect.left + 9, rect.top + 5);
        EXPECT_NE(glyph, kGround);
        for (int32_t y = rect.top; y < rect.bottom; ++y) {
            for (int32_t x = rect.left; x < rect.right; ++x) {
                ASSERT_NE(PixelAt(accessor.Buffer(), x, y), RGB(0xFF, 0, 0xFF)) << x << ", " << y;
            }
        }
    }
    EXPECT_EQ(accessor.GetImageCache()->GetNames(), std::vector<std::string>{"EDITIMAGE.PNG"});
}

// ---- on a skin window ----

// A window that answers its bar's notifications as an owner does, noting each.
class CScrollOwnerWindow : public skintest::CTestSkinWindow {
public:
    CSkinWindowItemScrollBar* m_pBar = nullptr;
    std::vector<SentItemMessage> m_vScroll;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_VSCROLL && m_pBar != nullptr) {
            m_vScroll.push_back(SentItemMessage{message, wParam, lParam});
            if (LOWORD(wParam) == SB_LINEDOWN) m_pBar->SetPos(m_pBar->GetPos() + 1);
            return 0;
        }
        return skintest::CTestSkinWindow::WindowProc(message, wParam, lParam);
    }
};

TEST(ScrollBarWindowTest, ABarOnASkinWindow)
{
    CScrollOwnerWindow window;
    ui::SkinDefinition definition;
    window.LoadSkin(definition, "TestScrollBar.txt", "Base", true);
    window.m_pBar = window.CreateScrollBar(2001, ui::GetSkinBlock(definition, "Vertical"));
    ASSERT_NE(window.m_pBar, nullptr);
    EXPECT_EQ(window.GetItemById(2001), window.m_pBar);
    window.m_pBar->SetRange(99, 10);
    HWND hwnd = window.Create(0, nullptr, "skin_scrollbar_test", WS_POPUP, 0, 0, 320, 200);
    ASSERT_NE(hwnd, nullptr);
    ::SetFocus(hwnd);
    const lib::wfc::CDIB& buffer = *window.GetBackBuffer();
    EXPECT_EQ(PixelAt(buffer, 20, 40), kUp[0]);
    EXPECT_EQ(PixelAt(buffer, 23, 43), kGlyphUp);
    EXPECT_EQ(PixelAt(buffer, 22, 48), kThumbStart);

    // A press on the down button: the notification, the capture, and the repeat on the
    // window's own tick once the press has been held past 500 ms (when, to the millisecond,
    // the fake clock's cases above show).
    ::SendMessageA(hwnd, WM_MOUSEMOVE, 0, skintest::ClientPoint(25, 95));
    ::SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, skintest::ClientPoint(25, 95));
    EXPECT_EQ(::GetCapture(), hwnd);
    ASSERT_EQ(window.m_vScroll.size(), 1u);
    EXPECT_EQ(window.m_vScroll[0], ScrollMessage(SB_LINEDOWN));
    EXPECT_EQ(PixelAt(buffer, 20, 92), kDown[3]);
    const DWORD start = ::GetTickCount();
    MSG msg;
    while (window.m_vScroll.size() < 3 && ::GetTickCount() - start < 30000) {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        ::Sleep(5);
    }
    EXPECT_GE(window.m_vScroll.size(), 3u) << "the press and its repeats";
    ::SendMessageA(hwnd, WM_LBUTTONUP, 0, skintest::ClientPoint(25, 95));
    EXPECT_NE(::GetCapture(), hwnd);
    EXPECT_EQ(window.m_pBar->GetPos(), static_cast<int32_t>(window.m_vScroll.size()));
    EXPECT_EQ(PixelAt(buffer, 20, 92), kDown[1]);
    window.DestroyWindow();
}

TEST(ScrollBarWindowTest, AFactoryWithARefusedBlockAddsNothing)
{
    skintest::CTestSkinWindow window;
    ui::SkinDefinition definition;
    window.LoadSkin(definition, "TestScrollBar.txt", "Base", true);
    const skintest::SkinErrors errors = skintest::CatchSkinErrors([&] {
        window.CreateScrollBar(2002, ui::GetSkinBlock(definition, "LowerCaseType"));
    });
    EXPECT_EQ(errors.m_strThrown, "LowerCaseType 無効な スクロールタイプ(v)が指定されました");
    EXPECT_TRUE(window.GetItems().empty());
}

} // namespace
