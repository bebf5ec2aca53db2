#pragma once
// A real text-entry control inside a skin window: a child window of class "EDIT" or, for rich
// text, "RichEdit20A" (the wide form: L"EDIT", L"RichEdit20W"), placed inside a frame drawn
// from a skin image as a nine-grid. The item owns the control and subclasses it (through its
// private window base), keeps its text while the control does not exist (before the window
// is made, and after it is gone), filters what is typed (single-byte only, password,
// upper-case letters and digits), keeps an attached scroll bar item in step with the
// control's lines, moves the keyboard focus between the window's controls with Tab, reports
// Enter and Esc to its window, and takes the path of a file dropped onto it.
//
// Skin block:
//     Position = x, y;  Size = width, height;  Font = face, size, weight;
//     Limit = 20;                                        // optional: at most 20 characters
//     Frame = "Image.png", x0, x1, x2, x3, y0, y1, y2, y3;        // optional nine-grid
//     DisableFrame = "Image.png", x0, x1, x2, x3, y0, y1, y2, y3; // optional, when disabled
// The control lies inside the frame's borders (one more pixel at the top).
//
// Building one (options before the window is created):
//     CSkinWindowItemEditBox* nickName = window.AddEditBox(definition, kNickNameEdit);
//     nickName->SetSingleByteOnly();
//     nickName->EnableIme(false);
//     ...
//     nickName->SetFocus();                 // the keyboard focus to its control
//     std::string text = nickName->GetText();
//
// A box with an attached bar: the window hands the bar's notifications (WM_VSCROLL or
// WM_HSCROLL, which reach the window's WindowProc) to the box's OnMessage, which passes them
// to the control and brings the bar into step:
//     box->SetMultiLine(true);
//     box->AttachScrollBar(bar, 5);         // 5 lines visible: the bar's page
//     case WM_VSCROLL: return box->OnMessage(message, wParam, lParam);
// A parent that takes the control's EN_VSCROLL notification hands it on to the control
// (box->GetControl(), as WM_COMMAND), which brings the bar into step too.

#include "lib/wfc/Window.h"
#include "skin/ResizableDIBHelper.h"
#include "skin/SkinDefinition.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinWindowItem.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace lib {
namespace wfc {
class CFont;
}
} // namespace lib

namespace ui {

class CSkinWindowItemScrollBar;

class CSkinWindowItemEditBox : public CSkinWindowItem,
                               private CResizableDIBHelper,
                               private lib::wfc::CWindow {
public:
    // Checks the block (required group; Limit, Frame and DisableFrame when written) and reads
    // it; the frame images are taken into the cache. A skin error ends the window's building.
    CSkinWindowItemEditBox(ISkinWindowItemAccessor* accessor, int32_t id, const SkinBlock& block,
                           SkinImageCache* cache);
    // Destroys the control if it still stands.
    ~CSkinWindowItemEditBox() override;

    // ---- text ----
    // The control's text while it exists (kept as the item's text), else the kept text.
    // Either form may be asked of either kind of box; the other form is converted through
    // the ANSI code page.
    std::string GetText();
    std::wstring GetTextW();
    // Keeps the text; with a control, sets it, redraws the item and brings the bar into step.
    void SetText(const std::string& text);
    void SetText(const std::wstring& text);

    // ---- options ----
    // The input-method permission: applied at once to an existing control (its context taken
    // away and held, or given back), else when the control is made.
    void EnableIme(bool allow);
    // Password: no double-byte characters, the drawn text masked with "*"; the control masks
    // its text only when made after this call. No operation turns it off.
    void SetPassword();
    // Double-byte characters are refused from the next character on. No operation turns it off.
    void SetSingleByteOnly();
    // The rest are set before the window is created (the read-only state also later).
    void SetRich(bool rich) { m_bRich = rich; }
    // The wide window functions for the control, and the wide text kept.
    void SetWide(bool wide) { m_bWide = wide; }
    // Typed keys and characters, cut, paste, clear and the right button are refused; a rich
    // control is also made read-only itself.
    void SetReadOnly(bool readOnly);
    void SetNumberOnly(bool numberOnly) { m_bNumberOnly = numberOnly; }
    // Only 0-9, a-z, A-Z, Backspace and Ctrl+V pass; a-z become A-Z.
    void SetUpperAlphaNumeric(bool upper) { m_bUpperAlphaNumeric = upper; }
    // ES_MULTILINE | ES_AUTOVSCROLL; Enter is accepted.
    void SetMultiLine(bool multiLine) { m_bMultiLine = multiLine; }
    // WS_VSCROLL on the control.
    void SetVScrollStyle(bool vscroll) { m_bVScrollStyle = vscroll; }
    // Style bits added to ES_AUTOHSCROLL of a single-line control (ES_CENTER, ES_RIGHT), and
    // to the format of the drawn text (DT_CENTER, DT_RIGHT have the same values).
    void SetExtraStyle(DWORD style) { m_dwExtraStyle = style; }
    // A scroll bar item of the same window (not owned), kept in step with the control's
    // lines; `visibleLines` is its page.
    void AttachScrollBar(CSkinWindowItemScrollBar* bar, int32_t visibleLines);
    // Key-down handling runs even while the box is read-only or disabled.
    void SetKeysAlwaysHandled(bool handled) { m_bKeysAlwaysHandled = handled; }
    // Whenever the control gets the focus, the input method is opened and set to these modes.
    void SetImePreset(DWORD conversion, DWORD sentence);

    // The keyboard focus to the control (nothing before it exists).
    void SetFocus();
    // The control, null while it does not exist.
    HWND GetControl() const { return GetHwnd(); }
    // The control has the keyboard focus (as its own focus messages said).
    bool HasFocus() const { return m_bFocus; }
    int32_t GetLimit() const { return m_nLimit; }
    // The control's place in the window: the item's rectangle inside the frame's borders.
    SkinRect GetControlRect() const;

    // ---- item slots ----
    // WM_VSCROLL and WM_HSCROLL go on to the control (its answer is answered), and the bar is
    // brought into step; other messages are the base's.
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Creates the control (a window made again gets a new one, with the kept text). Throws
    // lib::wfc::bad_alloc when it cannot be made.
    void OnAttach(HWND window, int originX, int originY) override;
    void OnSetFocus() override;
    void Draw() override;
    // Position and size from the rectangle; the control follows.
    void SetRect(const SkinRect& rect) override;
    void OnEnableChanged() override;
    void OnVisibleChanged() override;

private:
    // The control's messages, before its own window procedure.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    using lib::wfc::CWindow::OnSetFocus;

    void _LoadFromBlock(const SkinBlock& block, SkinImageCache* cache);
    void _CreateControl(HWND window);
    // The ANSI text of a rich control.
    std::string _ReadRichText();
    // The kept text into the control (wide or ANSI, rich or plain).
    void _SetControlText();
    LRESULT _OnKeyDown(UINT key, LPARAM keyData);
    LRESULT _OnKeyUp(UINT key);
    LRESULT _OnChar(WPARAM character, LPARAM keyData);
    // True when the character filter refuses a double-byte byte (and remembers a lead byte).
    bool _RefuseDoubleByte(WPARAM character);
    LRESULT _OnImeNotify();
    LRESULT _OnMouseWheel(WPARAM wParam);
    void _OnDropFiles(HDROP drop);
    void _OnFocusIn();
    // Tab among the parent's visible, enabled tab stops, wrapping round.
    void _MoveTabFocus(bool backward);
    // Shown, enabled and read-only as the item is; then the item is redrawn.
    void _RefreshState();
    // Lines and first visible line into the attached bar.
    void _SyncScrollBar();
    void _ApplyDefaultFormat(DWORD scope);
    void _Redraw();
    void _DrawText(lib::wfc::CDIB& buffer);
    // Characters of the kept text (the limit counts characters).
    size_t _KeptLength() const;
    bool _CanType() { return !m_bReadOnly && IsEnabled(); }

    bool m_bRich;
    bool m_bFrame;
    std::string m_strFrameImage;
    NineGridCells m_frameCells;
    bool m_bDisableFrame;
    std::string m_strDisableFrameImage;
    NineGridCells m_disableFrameCells;
    std::unique_ptr<lib::wfc::CFont> m_pFont;
    int32_t m_nLimit;
    std::string m_strText;
    std::wstring m_wstrText;
    bool m_bWide;
    bool m_bReadOnly;
    bool m_bNumberOnly;
    bool m_bPassword;
    bool m_bImeAllowed;
    bool m_bSingleByteOnly;
    bool m_bUpperAlphaNumeric;
    bool m_bMultiLine;
    bool m_bVScrollStyle;
    DWORD m_dwExtraStyle;
    CSkinWindowItemScrollBar* m_pScrollBar;
    int32_t m_nVisibleLines;
    bool m_bKeysAlwaysHandled;
    bool m_bImePreset;
    DWORD m_dwImeConversion;
    DWORD m_dwImeSentence;
    BYTE m_byPendingLead;
    bool m_bFocus;
    SkinPoint m_ptOrigin;   // the window's item origin, from OnAttach
};

} // namespace ui
