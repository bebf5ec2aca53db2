// Owners of device contexts, bitmaps and fonts, the state saver and the default font.
#include "lib/SystemVersion.h"
#include "lib/wfc/DC.h"
#include "lib/wfc/Window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

using lib::wfc::CClientDC;
using lib::wfc::CDC;
using lib::wfc::CDCStateSaver;
using lib::wfc::CFont;
using lib::wfc::CMemDC;
using lib::wfc::CPaintDC;
using lib::wfc::CWindow;

namespace {

class CFrameworkEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        lib::wfc::Initialize(GetModuleHandleA(nullptr), "lib_dc_test", nullptr, nullptr);
        lib::wfc::AllocThreadMessageRecord();
    }
    void TearDown() override
    {
        lib::wfc::FreeThreadMessageRecord();
        lib::wfc::Terminate();
    }
};

::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new CFrameworkEnvironment);

HFONT MakeFont(int height)
{
    LOGFONTA logFont = {};
    logFont.lfHeight = height;
    std::strcpy(logFont.lfFaceName, "Arial");
    return CreateFontIndirectA(&logFont);
}

HGDIOBJ CurrentFont(HDC dc)
{
    return GetCurrentObject(dc, OBJ_FONT);
}

TEST(DCTest, MemDCIsCompatibleAndReplacedOnlyOnSuccess)
{
    CMemDC memory;
    HDC first = memory.GetHDC();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetObjectType(first), static_cast<DWORD>(OBJ_MEMDC));

    memory.CreateCompatibleDC(nullptr);
    EXPECT_NE(memory.GetHDC(), nullptr);
    EXPECT_EQ(GetObjectType(first), 0u) << "the earlier device context is deleted";

    memory.DeleteDC();
    EXPECT_EQ(memory.GetHDC(), nullptr);
}

TEST(DCTest, SelectObjectThrowsTheFrameworksBadAllocOnFailure)
{
    CMemDC memory;
    HFONT font = MakeFont(12);
    DeleteObject(font); // a stale handle cannot be selected
    EXPECT_THROW(memory.SelectObject(font), lib::wfc::bad_alloc);
}

TEST(DCTest, SaverWithoutADeviceContextThrowsInsteadOfCrashing)
{
    CDCStateSaver saver(nullptr);
    EXPECT_EQ(saver.GetHDC(), nullptr);
    EXPECT_THROW(saver.SelectFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))),
                 lib::wfc::bad_alloc);
    saver.Restore();
}

TEST(DCTest, SaverPutsBackTheFontSelectedBeforeItsFirstSelection)
{
    CMemDC memory;
    HDC dc = memory.GetHDC();
    const HGDIOBJ original = CurrentFont(dc);
    HFONT fontA = MakeFont(11);
    HFONT fontB = MakeFont(13);
    {
        CDCStateSaver saver(&memory);
        EXPECT_EQ(saver.GetHDC(), dc);
        EXPECT_EQ(saver.SelectFont(fontA), original);
        EXPECT_EQ(saver.SelectFont(fontB), fontA);
        saver.Restore();
        EXPECT_EQ(CurrentFont(dc), original);
    }
    EXPECT_EQ(CurrentFont(dc), original);
    DeleteObject(fontA);
    DeleteObject(fontB);
}

TEST(DCTest, SelectingTheOriginalFontAgainForgetsIt)
{
    CMemDC memory;
    HDC dc = memory.GetHDC();
    const HGDIOBJ original = CurrentFont(dc);
    HFONT fontA = MakeFont(11);
    HFONT fontB = MakeFont(13);
    {
        CDCStateSaver saver(&memory);
        saver.SelectFont(fontA);
        saver.SelectFont(static_cast<HFONT>(original)); // put back by the user
        SelectObject(dc, fontB);                        // not through the saver
        saver.Restore();
        EXPECT_EQ(CurrentFont(dc), fontB) << "nothing was left to restore";
    }
    EXPECT_EQ(CurrentFont(dc), fontB) << "nor on destruction";
    SelectObject(dc, original);
    DeleteObject(fontA);
    DeleteObject(fontB);
}

TEST(DCTest, SaverRestoresBitmapModeAndColourOnDestruction)
{
    CMemDC memory;
    HDC dc = memory.GetHDC();
    SetBkMode(dc, OPAQUE);
    SetTextColor(dc, RGB(1, 2, 3));
    const HGDIOBJ originalBitmap = GetCurrentObject(dc, OBJ_BITMAP);
    const HGDIOBJ originalFont = CurrentFont(dc);
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 1, nullptr);
    HFONT font = MakeFont(15);
    {
        CDCStateSaver saver(&memory);
        saver.SelectBitmap(bitmap);
        saver.SelectFont(font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(200, 100, 50));
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bitmap);
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), originalBitmap);
    EXPECT_EQ(CurrentFont(dc), originalFont);
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
    // The saver let go of them, so they can be deleted.
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteObject(font));
}

TEST(DCTest, FontOwnerDeletesItsFontAndAttachLeavesTheEarlierOne)
{
    LOGFONTA logFont = {};
    lib::wfc::GetDefaultLogFont(&logFont);
    HFONT first = nullptr;
    HFONT second = MakeFont(20);
    {
        CFont font(&logFont);
        first = font.GetHandle();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(font.Attach(second), second);
        EXPECT_EQ(font.GetHandle(), second);
    }
    EXPECT_EQ(GetObjectType(first), static_cast<DWORD>(OBJ_FONT)) << "neither deleted";
    EXPECT_EQ(GetObjectType(second), 0u) << "the held font goes with its owner";
    DeleteObject(first);
}

TEST(DCTest, DefaultFontFollowsTheSystemVersion)
{
    EXPECT_EQ(lib::wfc::GetFaceNameCapacity(), 32u);
    LOGFONTA expected = {};
    expected.lfHeight = 10;
    expected.lfCharSet = DEFAULT_CHARSET;
    std::strcpy(expected.lfFaceName, lib::IsVistaOrLater() ? "Meiryo" : "MS PGothic");

    LOGFONTA logFont;
    std::memset(&logFont, 0x5A, sizeof(logFont));
    EXPECT_EQ(lib::wfc::GetDefaultLogFont(&logFont), &logFont);
    EXPECT_EQ(std::memcmp(&logFont, &expected, sizeof(logFont)), 0);

    std::memset(&logFont, 0x5A, sizeof(logFont));
    lib::wfc::GetDefaultLogFont(&logFont, "Courier New");
    EXPECT_EQ(std::memcmp(&logFont, &expected, sizeof(logFont)), 0) << "a given face is ignored";
}

TEST(DCTest, DrawTextShowsTheAmpersand)
{
    CMemDC memory;
    HDC dc = memory.GetHDC();
    RECT prefixed = {0, 0, 500, 100};
    RECT literal = {0, 0, 500, 100};
    DrawTextA(dc, "&File", -1, &prefixed, DT_CALCRECT | DT_SINGLELINE);
    DrawTextA(dc, "&File", -1, &literal, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    ASSERT_NE(prefixed.right, literal.right);

    for (int wide = 0; wide < 2; ++wide) {
        RECT ours = {0, 0, 500, 100};
        const int height = wide ? memory.DrawText(L"&File", &ours, DT_CALCRECT | DT_SINGLELINE)
                                : memory.DrawText("&File", &ours, DT_CALCRECT | DT_SINGLELINE);
        EXPECT_GT(height, 0);
        EXPECT_EQ(ours.right, literal.right) << "wide " << wide;
    }
    RECT free = {0, 0, 500, 100};
    lib::wfc::DrawText(dc, "&File", 5, &free, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(free.right, literal.right);
}

class CPaintingWindow : public CWindow {
public:
    int paints = 0;
    RECT paintRect = {};
    HDC paintDC = nullptr;
    void OnPaint() override
    {
        CPaintDC dc(*this);
        ++paints;
        paintRect = dc.GetPaintRect();
        paintDC = dc.GetHDC();
    }
};

TEST(DCTest, ClientAndPaintDCsAreGivenBack)
{
    CPaintingWindow window;
    window.Create(0, nullptr, "lib_dc_test", WS_POPUP | WS_VISIBLE, 10, 10, 60, 40);
    {
        CClientDC client(&window);
        EXPECT_NE(client.GetHDC(), nullptr);
        CClientDC screen(nullptr);
        EXPECT_NE(screen.GetHDC(), nullptr);
    }
    window.InvalidateRect(nullptr, false);
    window.UpdateWindow();
    EXPECT_GE(window.paints, 1);
    EXPECT_NE(window.paintDC, nullptr);
    EXPECT_FALSE(IsRectEmpty(&window.paintRect));
    EXPECT_FALSE(GetUpdateRect(window.GetHwnd(), nullptr, FALSE)) << "EndPaint validated it";
    window.DestroyWindow();
}

} // namespace
