#pragma once
// The launcher's "about" box: the launcher's version on one line. Holding the left button on
// the picture's emblem for five seconds reveals the four-part versions of the launcher and of
// the three sibling tools installed beside it. The box is one whole-window close button, so a
// click anywhere closes it; the release that ends a revealing press is swallowed once.
//
// Modal, on the stack of its opener: ui::CVersionInfoWindow::Run(owner) returns once the
// window has closed.
// Its skin text is "VersionInfoWindow.txt"; ids are counted from 2000.

#include "launcher/ToolWindowBase.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

class CSkinWindowItemStatic;

namespace VersionInfoWindowKey {
extern const SkinItemKey kBase;
extern const SkinItemKey kApplicationIcon;
extern const SkinItemKey kFrameOverlay;
extern const SkinItemKey kCloseButton;
extern const SkinItemKey kTextStatic;
extern const SkinItemKey kLCTextState1;
extern const SkinItemKey kLCTextState2;
extern const SkinItemKey kDGTextState1;
extern const SkinItemKey kDGTextState2;
extern const SkinItemKey kMDTextState1;
extern const SkinItemKey kMDTextState2;
extern const SkinItemKey kPMTextState1;
extern const SkinItemKey kPMTextState2;
extern const SkinItemKey kProductText;
} // namespace VersionInfoWindowKey

class CVersionInfoWindow : public CToolWindowBase<CVersionInfoWindow> {
public:
    typedef CToolWindowBase<CVersionInfoWindow> Base;

    // The timer that a press on the emblem arms, and how long the press must last.
    static const UINT_PTR kRevealTimerId = 8193;
    static const UINT kRevealDelay = 5000;
    // The emblem, in client coordinates, bounds excluded.
    static constexpr RECT kRevealArea = {44, 65, 80, 101};
    static const DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
    // The programs shown, in row order, in the launcher's own folder. The update tool's name
    // keeps the trailing blank the version check gives it; Windows drops it when opening.
    static const char* const kProgramFiles[4];

    explicit CVersionInfoWindow(HWND owner);
    ~CVersionInfoWindow() override;

    // Makes the window over the owner, shows it and runs the modal loop until it is gone (a
    // quit message read on the way is posted again). A skin error raises
    // ui::CSkinWindowException.
    static void Run(HWND owner);

    // Loads the skin and creates the hidden window, centred over its owner. A skin error
    // raises ui::CSkinWindowException.
    void Create();

    bool IsRevealed() const { return m_bRevealed; }
    bool IsSwallowingClose() const { return m_bSwallowClose; }

    // ---- window ----
    UINT GetOverlayMessage() override;
    void OnLButtonDown(UINT keys, int x, int y) override;
    void OnLButtonUp(UINT keys, int x, int y) override;
    void OnTimer(UINT_PTR id) override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void OnEndSession(bool ending, LPARAM lParam) override;

protected:
    // The steps of Create: the items from the skin text, and the hidden window over the
    // owner with the launcher's version line.
    void BuildFromSkin();
    void CreateHiddenWindow();
    // Puts the four versions into their rows (an empty text for a program that has none)
    // and shows each label beside the widest of them.
    void ShowVersions(const std::vector<std::string>& versions);

private:
    // The file's fixed version, "a.b.c.d" or "a.b.c"; empty without a version resource.
    static std::string _GetFileVersion(const std::string& path, bool fourParts);
    static bool _InRevealArea(int x, int y);
    // A press of the close button, unless it ends the press that revealed the versions.
    void _OnCloseButton();

    HWND m_hOwner;
    CSkinWindowItemStatic* m_pTextStatic;
    CSkinWindowItemStatic* m_pVersionText[4];
    bool m_bRevealed;
    bool m_bSwallowClose;
};

} // namespace ui
