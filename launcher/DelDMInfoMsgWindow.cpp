#include "launcher/DelDMInfoMsgWindow.h"

namespace ui {

namespace DelDMInfoMsgWindowKey {
namespace {
uint16_t g_nKeyId = 1024;
} // namespace

const SkinItemKey kBase("Base", g_nKeyId);
const SkinItemKey kCloseButton("CloseButton", g_nKeyId);
const SkinItemKey kText("Text", g_nKeyId);
const SkinItemKey kGroupingBase("GroupingBase", g_nKeyId);
const SkinItemKey kOkButton("OkButton", g_nKeyId);
const SkinItemKey kCancelButton("CancelButton", g_nKeyId);
const SkinItemKey kYesButton("YesButton", g_nKeyId);
const SkinItemKey kNoButton("NoButton", g_nKeyId);
const SkinItemKey kIcon("__internal_item_Icon__", g_nKeyId);
const SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
} // namespace DelDMInfoMsgWindowKey

namespace {

using namespace DelDMInfoMsgWindowKey;

const MessageBoxCommand kCommands[] = {
    {&kCloseButton, IDCANCEL}, {&kOkButton, IDOK}, {&kCancelButton, IDCANCEL},
    {&kYesButton, IDYES},      {&kNoButton, IDNO},
};

const MessageBoxDescription kDescription = {
    "DelDMInfoMsgWindow.txt", &kBase,     &kCloseButton, &kText, &kGroupingBase,
    &kIcon,                   &kFrameOverlay, kCommands, sizeof kCommands / sizeof kCommands[0],
    &CDelDMInfoMsgWindow::ButtonSet,
};

} // namespace

CDelDMInfoMsgWindow::CDelDMInfoMsgWindow(bool topmost)
    : CMessageBoxWindowBase(kDescription, topmost)
{
}

CDelDMInfoMsgWindow::~CDelDMInfoMsgWindow() = default;

std::vector<const SkinItemKey*> CDelDMInfoMsgWindow::ButtonSet(UINT buttons)
{
    switch (buttons) {
    case MB_OK: return {&kOkButton};
    case MB_OKCANCEL: return {&kOkButton, &kCancelButton};
    case MB_YESNOCANCEL: return {&kYesButton, &kNoButton, &kCancelButton};
    case MB_YESNO: return {&kYesButton, &kNoButton};
    default: return {};
    }
}

} // namespace ui
