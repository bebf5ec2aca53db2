#pragma once
// What the skinned message boxes share: a modal skin window that shows one text with a set of
// buttons chosen by the type bits of MessageBoxA, and answers the button pressed with the
// Windows result codes (IDOK 1, IDCANCEL 2, IDRETRY 4, IDYES 6, IDNO 7). Each box is a class
// of its own (ui::CMessageBoxWindow, the deletion question of the delete-data window) that
// gives this base its skin text, its item keys and its two tables:
//
//     const ui::MessageBoxCommand kCommands[] = {{&kCloseButton, IDCANCEL}, {&kOkButton, IDOK},
//                                                ...};
//     const ui::MessageBoxDescription kDescription = {"MyBox.txt", &kBase, &kCloseButton, ...};
//     CMyBox box(true);                       // topmost
//     int32_t result = box.DoModal(owner, "テキスト", MB_OKCANCEL | MB_ICONEXCLAMATION);
//
// The box is 600 x 120 as its skin designs it ("MinSize" and "LayoutSize" of its window
// block) and grows by 20 pixels for each line of text beyond three. Its buttons stand at the
// bottom right; its close button (role 1) is shown for every type, so that a box without a
// standard button can still be closed. Enter and Esc do nothing of their own.

#include "skin/EndSessionWaitingWindow.h"
#include "skin/FrameOverlayWindowBase.h"
#include "skin/ResizableSkinWindow.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ui {

class CSkinWindowItemButton;
class CSkinWindowItemIcon;
class CSkinWindowItemResizableStaticImage;
class CSkinWindowItemStatic;

// A row of a box's command table: the item whose command ends the box with the result.
struct MessageBoxCommand {
    const SkinItemKey* m_pKey;
    int32_t m_nResult;
};

// What a skinned message box is made of. The keys and tables must outlive the box.
struct MessageBoxDescription {
    const char* m_pszSkinName;
    const SkinItemKey* m_pBase;         // the window block
    const SkinItemKey* m_pCloseButton;
    const SkinItemKey* m_pText;
    const SkinItemKey* m_pGrouping;     // the frame the text stands in
    const SkinItemKey* m_pIcon;         // no block: the icon item is made by the code
    const SkinItemKey* m_pFrameOverlay;
    // Searched in order for a command. Every row's item is a button built from its block;
    // the rows after the close button's are the standard buttons, made hidden.
    const MessageBoxCommand* m_pCommands;
    size_t m_nCommands;
    // The standard buttons of a button set (type AND 0x0F), left to right.
    std::vector<const SkinItemKey*> (*m_pfnButtonSet)(UINT buttons);
};

class CMessageBoxWindowBase
    : public CFrameOverlayWindowBase<CEndSessionWaitingWindow<CResizableSkinWindow>> {
public:
    typedef CFrameOverlayWindowBase<CEndSessionWaitingWindow<CResizableSkinWindow>> Base;

    // Margins of the button row and the gap between buttons; the text's rectangle before it
    // is measured; what the box grows by per line beyond three.
    static constexpr int32_t kButtonMargin = 10;
    static constexpr int32_t kButtonGap = 5;
    static constexpr SkinRect kTextRect = {20, 18, 580, 72};
    static constexpr int32_t kGrowthPerLine = 20;
    static constexpr int32_t kLinesWithoutGrowth = 3;
    // The text colours: for MB_ICONEXCLAMATION, and for every other icon class.
    static constexpr COLORREF kExclamationTextColor = RGB(224, 0, 88);
    static constexpr COLORREF kTextColor = RGB(40, 40, 40);
    // Window styles of the box (WS_EX_TOPMOST is added for a topmost box).
    static constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU;

    CMessageBoxWindowBase(const MessageBoxDescription& description, bool topmost);
    ~CMessageBoxWindowBase() override;

    // Builds the box from its skin, shows the text with the buttons of the type (low four bits)
    // in the colour of its icon class (bits 4 to 7) over the owner, and runs the modal loop
    // until the box ends. Answers the result: that of the button pressed, 2 for the close
    // button or a closed window, 0 when the loop ended without one (the owner hidden or gone,
    // the end of the session). A skin error raises ui::CSkinWindowException.
    int32_t DoModal(HWND owner, const std::string& text, UINT type);
    // Stores the result, ends the modal loop and hides the box.
    void EndWithResult(int32_t result);
    // Ends the box with 2 (IDCANCEL); other windows call it to close an open box.
    void OnCancel();

    int32_t GetResult() const { return m_nResult; }
    bool IsEnded() const { return m_bEnded; }
    // The lines of the text as last laid out (0 when the font's height could not be read).
    int32_t GetLineCount() const { return m_nLines; }
    CSkinWindowItemResizableStaticImage* GetGroupingItem() const { return m_pGrouping; }
    CSkinWindowItemStatic* GetTextItem() const { return m_pText; }

    // ---- window ----
    UINT GetOverlayMessage() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Ends with the stored result, or 2 when none was stored.
    void OnClose() override;
    void OnDestroy() override;
    // Every point that is not over an item drags the box.
    LRESULT OnNcHitTest(int x, int y) override;
    void OnCommand(UINT id, UINT code, HWND control) override;

protected:
    // The steps of DoModal before it shows the box and after it made its window.
    // Loads the skin text and makes every item.
    void BuildFromSkin();
    // Makes the hidden window at the design rectangle, owned by the owner and titled with its
    // text.
    void CreateBox(HWND owner);
    // Sets the text, chooses the buttons, sizes and centres the box on the work area and lays
    // out its items. It may run again on a box laid out before.
    void LayoutBox(const std::string& text, UINT type);

private:
    // The height of a line in the text item's font, 0 when it cannot be read.
    int32_t _LineHeight();
    // The keys of the command table's rows but the close button's.
    std::vector<const SkinItemKey*> _StandardButtons() const;
    void _Anchor();
    void _PlaceButtons(const std::vector<const SkinItemKey*>& buttons, SkinSize box);

    const MessageBoxDescription& m_description;
    CSkinWindowItemResizableStaticImage* m_pGrouping;
    CSkinWindowItemStatic* m_pText;
    CSkinWindowItemIcon* m_pIcon;
    bool m_bTopmost;
    int32_t m_nResult;
    bool m_bEnded;
    SkinSize m_sizeDesign;         // the box's size before it grows
    SkinRect m_rcGroupingDesign;   // the frame as the skin places it
    int32_t m_nLines;
};

} // namespace ui
