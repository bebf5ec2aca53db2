#pragma once
// What the skin window tests share: the window framework started for the whole run, probe
// items that record every call the window makes on them and paint their rectangle in one
// colour, a trap that fails the test when a deleted probe is called again, and reading the
// pixels of a back buffer.

#include "lib/wfc/DIB.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItem.h"
#include "skin/SkinWindowItemAccessor.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace skintest {

// Starts the window framework for the test program (its title is the name).
class CWindowFrameworkEnvironment : public ::testing::Environment {
public:
    explicit CWindowFrameworkEnvironment(const char* name) : m_pszName(name) {}
    void SetUp() override;
    void TearDown() override;

private:
    const char* m_pszName;
};

// The calls a window made on its probes, one line each: "<id> <operation> [arguments]".
class CProbeJournal {
public:
    void Note(const std::string& line) { m_vLine.push_back(line); }
    // The lines since the last Take, joined by "|", and forgotten.
    std::string Take();
    void Clear() { m_vLine.clear(); }
    // Whether any line since the last Take holds the text.
    bool Has(const std::string& text) const;

private:
    std::vector<std::string> m_vLine;
};

// An item that notes every call into a journal. Draws its rectangle in its colour (inside
// the buffer's clip rectangle). Its operator delete leaves a CDeadProbe in the freed place,
// so that a window calling a deleted probe fails the test instead of reading freed memory.
class CProbeItem : public ui::CSkinWindowItem {
public:
    CProbeItem(ui::ISkinWindowItemAccessor* accessor, int32_t id, CProbeJournal* journal,
               const ui::SkinRect& rect, COLORREF color);
    ~CProbeItem() override;

    static void* operator new(size_t size);
    static void operator delete(void* memory, size_t size);

    // What the probe answers.
    bool m_bTakePress = true;          // OnLButtonDown / OnRButtonDown
    bool m_bHitTestable = true;
    bool m_bSetCursor = false;
    UINT m_uConsume = 0;               // PreTranslateMessage consumes this message
    std::string m_strTooltip;          // GetTooltipText
    COLORREF m_crColor;

    ui::ISkinWindowItemAccessor* Accessor() const { return GetAccessor(); }

    bool IsEnabled() override;
    std::string GetTooltipText() override;
    bool IsHitTestable() override;
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnMouseMove(int x, int y) override;
    bool OnLButtonDown(int x, int y) override;
    bool OnLButtonDblClk(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnLButtonCancel(int x, int y) override;
    bool OnRButtonDown(int x, int y) override;
    bool OnRButtonDblClk(int x, int y) override;
    void OnRButtonUp(int x, int y) override;
    void OnRButtonCancel(int x, int y) override;
    void OnMouseLeave() override;
    bool OnSetCursor(int x, int y) override;
    void OnTick(DWORD tick) override;
    void OnAttach(HWND window, int originX, int originY) override;
    void OnSetFocus() override;
    void OnKillFocus() override;
    bool PreTranslateMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void Draw() override;
    void OnEnableChanged() override;
    void OnVisibleChanged() override;

    // The check state of OnMessage's set and get check.
    bool m_bChecked = false;

private:
    void _Note(const std::string& call);

    CProbeJournal* m_pJournal;
};

// A skin window that notes its own hooks ("UpdateBuffer 0 320 200", "DefaultKey -1 1",
// "CaptureReleased", "BeforeRelayout"), counts its paints, and lends tests what only the
// window and its item kinds reach: its accessor, probes, its caption-button pointers.
class CTestSkinWindow : public ui::CSkinWindow {
public:
    CProbeJournal m_journal;            // what its probes heard
    std::vector<std::string> m_vCall;   // its own hooks
    int m_nPaints = 0;
    bool m_bFilterKeys = false;         // FilterKey's answer

    // A probe added to the window, and one for AddItem.
    CProbeItem* AddProbe(int32_t id, const ui::SkinRect& rect, COLORREF color);
    CProbeItem* MakeProbe(int32_t id, const ui::SkinRect& rect, COLORREF color);
    void SetCloseButton(ui::CSkinWindowItem* item) { m_pCloseButton = item; }
    ui::ISkinWindowItemAccessor* Accessor() { return this; }
    // The hooks noted since the last call, joined by "|".
    std::string Calls();

    void OnPaint() override;
    bool UpdateBuffer(UINT type, int width, int height) override;
    void OnDefaultKey(int32_t id, bool enter) override;
    bool FilterKey(UINT key, LPARAM keyData) override;
    void OnCaptureReleased() override;
    void OnBeforeRelayout() override;
};

// A client point as mouse messages carry it.
inline LPARAM ClientPoint(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// What takes a deleted probe's place: every operation fails the running test.
class CDeadProbe : public ui::CSkinWindowItem {
public:
    explicit CDeadProbe(int32_t id);
    // Deleting a deleted item again fails too; the place is kept.
    ~CDeadProbe() override;
    static void operator delete(void*, size_t) {}

    bool IsEnabled() override;
    std::string GetTooltipText() override;
    bool IsHitTestable() override;
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnMouseMove(int x, int y) override;
    bool OnLButtonDown(int x, int y) override;
    bool OnLButtonDblClk(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnLButtonCancel(int x, int y) override;
    bool OnRButtonDown(int x, int y) override;
    bool OnRButtonDblClk(int x, int y) override;
    void OnRButtonUp(int x, int y) override;
    void OnRButtonCancel(int x, int y) override;
    void OnMouseLeave() override;
    bool OnSetCursor(int x, int y) override;
    void OnTick(DWORD tick) override;
    void OnAttach(HWND window, int originX, int originY) override;
    void OnSetFocus() override;
    void OnKillFocus() override;
    bool PreTranslateMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void Draw() override;
    void SetRect(const ui::SkinRect& rect) override;
    void OnEnableChanged() override;
    void OnVisibleChanged() override;

private:
    void _Called(const char* operation);
};

// The colour of the buffer's pixel at (x, y), counted from the top-left corner; CLR_INVALID
// outside the buffer.
COLORREF PixelAt(const lib::wfc::CDIB& dib, int x, int y);

// Fills the rectangle of the buffer with the colour, inside the buffer's clip rectangle.
void FillRectClipped(lib::wfc::CDIB& dib, const RECT& rect, COLORREF color);

} // namespace skintest
