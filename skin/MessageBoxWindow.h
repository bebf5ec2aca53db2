#pragma once
// The skinned message box of the launcher, in place of MessageBoxA: every user message is
// shown through it.
//
//     ui::CMessageBoxWindow box(true);   // topmost
//     switch (box.DoModal(owner, "カードを取り出しますか？", MB_YESNO | MB_ICONQUESTION)) {
//     case IDYES: ...
//
// Button sets (type AND 0x0F): MB_OK: OK; MB_OKCANCEL: OK, Cancel; MB_YESNOCANCEL: Yes, No,
// Cancel; MB_YESNO: Yes, No; MB_RETRYCANCEL: Retry, Cancel; any other value: none (such a box
// ends only by its close button, WM_CLOSE or OnCancel, with IDCANCEL). The text is drawn red
// for MB_ICONEXCLAMATION. Its skin text is "MessageBoxWindow.txt"; ids are counted from 1024.

#include "skin/MessageBoxWindowBase.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <vector>

namespace ui {

namespace MessageBoxWindowKey {
extern const SkinItemKey kBase;
extern const SkinItemKey kCloseButton;
extern const SkinItemKey kText;
extern const SkinItemKey kGroupingBase;
extern const SkinItemKey kOkButton;
extern const SkinItemKey kCancelButton;
extern const SkinItemKey kYesButton;
extern const SkinItemKey kNoButton;
extern const SkinItemKey kRetryButton;
extern const SkinItemKey kIcon;
extern const SkinItemKey kFrameOverlay;
} // namespace MessageBoxWindowKey

class CMessageBoxWindow : public CMessageBoxWindowBase {
public:
    explicit CMessageBoxWindow(bool topmost);
    ~CMessageBoxWindow() override;

    // The standard buttons of a button set, left to right.
    static std::vector<const SkinItemKey*> ButtonSet(UINT buttons);
};

} // namespace ui
