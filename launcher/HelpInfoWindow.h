#pragma once
// The help balloon that the main window shows under its row of tool buttons while the mouse
// rests on one of them: a semi-transparent popup with an arrow pointing up at the button, a
// one-line title and a wrapped help text. Made anew for each button, never activated:
//     ui::CHelpInfoWindow* balloon = new ui::CHelpInfoWindow(owner);
//     balloon->Create(index);
//     balloon->ShowHelp(rc.left, rc.top, rc.right, rc.bottom, index, driveMemory);
//     balloon->ShowWindow(SW_SHOWNA);
// A mouse move over the balloon posts WM_LAUNCHER_CHILD_CLOSED with CHILD_HELP_INFO to the
// owner, which then closes and deletes it. Its skin text is "HelpInfoWindow.txt"; ids are
// counted from 1000.

#include "launcher/ToolWindowBase.h"
#include "skin/SkinDefinition.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <cstdint>

namespace ui {

class CSkinWindowItemStatic;

namespace HelpInfoWindowKey {
extern const SkinItemKey kBase;
extern const SkinItemKey kTextStaticAPP;
extern const SkinItemKey kTextStaticHelp;
extern const SkinItemKey kTextBackIcon;
extern const SkinItemKey kFrameOverlay;
} // namespace HelpInfoWindowKey

// One tool button's balloon.
struct HelpInfoEntry {
    int32_t m_nArrowX;     // the arrow's part in the arrow image, and its place in the balloon
    const char* m_pszTitle;
    const char* m_pszHelp;
};

class CHelpInfoWindow : public CToolWindowBase<CHelpInfoWindow> {
public:
    typedef CToolWindowBase<CHelpInfoWindow> Base;

    static const int32_t kEntryCount = 5;
    static const HelpInfoEntry kEntries[kEntryCount];
    // The arrow part's size in the arrow image.
    static const int32_t kArrowWidth = 15;
    static const int32_t kArrowHeight = 12;
    // Widths with the drive button shown and hidden; the texts end this far from the right.
    static const int32_t kWideWidth = 605;
    static const int32_t kNarrowWidth = 533;
    static const int32_t kTextLeft = 10;
    static const int32_t kTextRightMargin = 14;
    static const int32_t kTitleTop = 19;
    static const int32_t kTitleBottom = 33;
    static const int32_t kHelpTop = 38;
    static const int32_t kHelpBottom = 74;
    // The balloon lies this far from the owner's top-left corner.
    static const int32_t kOffsetX = 7;
    static const int32_t kOffsetY = 88;
    static const BYTE kAlpha = 242;
    static const DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN;

    explicit CHelpInfoWindow(HWND owner);
    ~CHelpInfoWindow() override;

    // Loads the skin with the arrow of the index and creates the hidden layered popup at the
    // skin's place and size. A skin error raises ui::CSkinWindowException.
    void Create(int32_t index);
    // Sets the texts of the index (with the drive button hidden, index 3 shows the texts of
    // index 4 under its own arrow), sizes the balloon to its text and moves it below the
    // owner's rectangle, without repainting at once.
    void ShowHelp(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t index,
                  bool driveMemory);

    // 20 pixels a line of help text and 40 for the rest; one line when the blank's height
    // could not be measured.
    static int32_t BalloonHeight(int32_t textHeight, int32_t blankHeight);

    // ---- window ----
    UINT GetOverlayMessage() override;
    void OnMouseMove(UINT keys, int x, int y) override;

protected:
    // The steps of Create: the items from the skin text with the index's arrow, and the
    // hidden layered window.
    void BuildFromSkin(int32_t index);
    void CreateHiddenWindow();

private:
    void _SetArrow(int32_t index);

    HWND m_hOwner;
    CSkinWindowItemStatic* m_pTitle;
    CSkinWindowItemStatic* m_pHelp;
    SkinBlock m_arrowBlock;   // the arrow's block, to make it again with another part
    int32_t m_nArrowX;        // the part shown, -1 before the first
};

} // namespace ui
