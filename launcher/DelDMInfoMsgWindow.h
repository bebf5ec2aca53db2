#pragma once
// The delete-data window's question before it deletes the product's data from a card: a
// skinned message box like ui::CMessageBoxWindow with a skin of its own and no Retry button.
//
//     ui::CDelDMInfoMsgWindow box(true);   // topmost
//     switch (box.DoModal(owner, text, MB_YESNOCANCEL | MB_ICONQUESTION)) {
//     case IDYES: ...
//
// Button sets (type AND 0x0F): MB_OK: OK; MB_OKCANCEL: OK, Cancel; MB_YESNOCANCEL: Yes, No,
// Cancel; MB_YESNO: Yes, No; any other value (MB_RETRYCANCEL too): none, so that the box ends
// only by its close button, WM_CLOSE or OnCancel, with IDCANCEL. Its skin text is
// "DelDMInfoMsgWindow.txt"; ids are counted from 1024.

#include "skin/MessageBoxWindowBase.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <vector>

namespace ui {

namespace DelDMInfoMsgWindowKey {
extern const SkinItemKey kBase;
extern const SkinItemKey kCloseButton;
extern const SkinItemKey kText;
extern const SkinItemKey kGroupingBase;
extern const SkinItemKey kOkButton;
extern const SkinItemKey kCancelButton;
extern const SkinItemKey kYesButton;
extern const SkinItemKey kNoButton;
extern const SkinItemKey kIcon;
extern const SkinItemKey kFrameOverlay;
} // namespace DelDMInfoMsgWindowKey

class CDelDMInfoMsgWindow : public CMessageBoxWindowBase {
public:
    explicit CDelDMInfoMsgWindow(bool topmost);
    ~CDelDMInfoMsgWindow() override;

    // The standard buttons of a button set, left to right.
    static std::vector<const SkinItemKey*> ButtonSet(UINT buttons);
};

} // namespace ui
