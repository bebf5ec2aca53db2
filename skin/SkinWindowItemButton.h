#pragma once
// The push button of skin windows, also their check box and radio button (kind 1), and the
// base of the toggle button. Drawn entirely from skin images: a face per look (normal, hot,
// pushed, hot and pushed, and the inactive look of caption buttons), an optional mark pair
// (unchecked, checked) centred on the face, and an optional caption with a shadow. It follows
// the mouse through the item operations its window calls and reports each action as an item
// event (ItemEvent); the window turns a click into WM_COMMAND.
//
// A window makes one from its skin block:
//     window.AddButton(definition, kOkKey, ui::CAPTION_ROLE_NONE);
// and a check box or radio button by sending it, right after:
//     button->OnMessage(ui::ITEM_MESSAGE_SET_KIND, 1, 0);
//     button->OnMessage(ui::ITEM_MESSAGE_SET_CHECK, checked, 0);
//
// Skin block (values as the button's keyword table gives them):
//     Position, Size               where, and the size of each face in its image
//     NormalImage, HotNormalImage, PushImage, HotPushImage = file, x, y;
//                                  x -1: NormalImage's x; y -1: NormalImage's y + index x
//                                  height, so the four looks can stand in one strip
//     PushImageShift = dx, dy;     moves caption and mark while pushed
//     ToolTipText[, ToolTipTextP]  tips when unchecked, checked
//     Image, ImageSize[, ImageP]   the mark pair, centred; DisableImage[P] its disabled form
//                                  (and the inactive face of caption buttons)
//     Width, Divide = l, m, r;     a wider face from three parts: left, repeated middle, right
//     Text, Font, TextColor[, TextP, Antialias, TextIndent]
//     TextColorNormal .. TextColorHotPush, TextColorHotNormalShadow, TextShadowOffset

#include "lib/wfc/DIB.h"
#include "skin/SkinDefinition.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinLabelDrawing.h"
#include "skin/SkinWindowItem.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class CSkinWindowItemButton : public CSkinWindowItem {
public:
    // The image records, by index.
    enum ImageIndex : int32_t {
        IMAGE_NORMAL = 0,
        IMAGE_HOT_NORMAL = 1,
        IMAGE_PUSH = 2,
        IMAGE_HOT_PUSH = 3,
        IMAGE_MARK = 4,            // Image: the unchecked mark
        IMAGE_MARK_CHECKED = 5,    // ImageP
        IMAGE_DISABLE = 6,         // DisableImage: disabled mark, inactive face
        IMAGE_DISABLE_CHECKED = 7, // DisableImageP
        IMAGE_COUNT = 8,
    };
    // The face drawn: an image index.
    enum Look : int32_t {
        LOOK_NORMAL = IMAGE_NORMAL,
        LOOK_HOT_NORMAL = IMAGE_HOT_NORMAL,
        LOOK_PUSHED = IMAGE_PUSH,
        LOOK_HOT_PUSHED = IMAGE_HOT_PUSH,
        LOOK_INACTIVE = IMAGE_DISABLE,
    };
    enum Kind : int32_t {
        KIND_PUSH = 0,
        KIND_CHECK = 1,
    };
    // Half of the blink period shows the mark, the other half hides it.
    static const DWORD kBlinkPeriod = 800;

    // Reads and checks the block (a skin error ends the window's construction) and takes
    // every image it names into the cache, so that drawing never loads.
    CSkinWindowItemButton(ISkinWindowItemAccessor* accessor, int32_t id, const SkinBlock& block,
                          SkinImageCache* cache);
    ~CSkinWindowItemButton() override;

    std::string GetTooltipText() override;
    // The item messages ITEM_MESSAGE_SET_CHECK .. ITEM_MESSAGE_SET_KIND.
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnMouseMove(int x, int y) override;
    bool OnLButtonDown(int x, int y) override;
    // A press unless the window takes event 3; true when the press began (the window then
    // holds the capture until the release).
    bool OnLButtonDblClk(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnLButtonCancel(int x, int y) override;
    bool OnRButtonDown(int x, int y) override;
    bool OnRButtonDblClk(int x, int y) override;
    void OnRButtonUp(int x, int y) override;
    void OnMouseLeave() override;
    bool OnSetCursor(int x, int y) override;
    // Blinking takes its phase from the tick value.
    void OnTick(DWORD tick) override;
    void Draw() override;
    // Moves to left, top; the width and the drawing width become right - left; the height stays.
    void SetRect(const SkinRect& rect) override;
    void OnEnableChanged() override;

    // Draws the mark for the check state, centred on the rectangle of target: the disabled
    // record when disabled and given, else the mark (greyed when disabled).
    virtual void DrawCheckImage(lib::wfc::CDIB& target, int left, int top, int right,
                                int bottom, bool checked);

    void SetAutoCheck(bool autoCheck) { m_bAutoCheck = autoCheck; }
    // The unchecked caption becomes the text; with fit, the width becomes the text's width in
    // the button's font plus both outer parts of the face. Then the button is redrawn.
    void CalcTextRect(const std::string& text, bool fit);

    // The window's inactive look, set by the window on its caption buttons; the window
    // redraws.
    void SetInactiveLook(bool inactive) { m_bInactiveLook = inactive; }
    bool IsInactiveLook() const { return m_bInactiveLook; }

    // ---- state, for the window's code and tests ----
    Look GetLook() const;
    bool IsPressed() const { return m_bPressed; }
    bool IsShownPressed() const { return m_bShownPressed; }
    bool IsHot() const { return m_bHot; }
    bool IsChecked() const { return m_bChecked; }
    bool IsBlinking() const { return m_bBlinking; }
    bool IsBlinkVisible() const { return m_bBlinkVisible; }
    int32_t GetKind() const { return m_nKind; }
    bool IsAutoCheck() const { return m_bAutoCheck; }
    int32_t GetDrawingWidth() const { return m_nDrawingWidth; }
    const SkinImagePart& GetImage(ImageIndex index) const { return m_image[index]; }
    const std::string& GetText() const { return m_strText; }
    const std::string& GetCheckedText() const { return m_strTextP; }
    const LOGFONTA& GetLogFont() const { return m_logFont; }
    // The caption's colour in the current look.
    COLORREF GetCaptionColor();

protected:
    // A release of the press (point: relative to the item; null when the press ends without
    // one, as when the button is disabled).
    void _Release(const POINT* point, bool cancelled);
    // Ends a press because the button was disabled. The toggle keeps its look there.
    virtual void _EndPressOnDisable();
    bool _Report(ItemEvent event);
    bool _Inside(int x, int y) const;

    bool m_bPressed;
    bool m_bShownPressed;
    bool m_bHot;
    bool m_bChecked;

private:
    void _ReadBlock(SkinBlock block);
    void _DrawFace(lib::wfc::CDIB& face, const SkinImagePart& part);
    void _DrawCaption(lib::wfc::CDIB& face, Look look);

    bool m_bBlinking;
    int32_t m_nKind;
    bool m_bBlinkVisible;
    bool m_bAutoCheck;
    SkinImagePart m_image[IMAGE_COUNT];
    POINT m_ptPushShift;
    std::string m_strTooltip;
    std::string m_strTooltipP;
    std::string m_strText;
    std::string m_strTextP;
    COLORREF m_crText;
    COLORREF m_crState[5];     // normal, disabled, pushed, hot normal, hot pushed
    COLORREF m_crShadow;
    bool m_bShadow;
    int32_t m_nShadowOffset;
    LOGFONTA m_logFont;
    bool m_bAntialias;
    int32_t m_nDrawingWidth;   // 0: the face in one piece
    int32_t m_nDivide[3];      // left, middle (not read), right
    int32_t m_nTextIndent;
    bool m_bInactiveLook;
    bool m_bStateColors;
    SkinImageCache* m_pImageCache;
};

} // namespace ui
