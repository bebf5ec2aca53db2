#include "launcher/MachineSettingWindow.h"

#include "launcher/LauncherSetting.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemStaticImage.h"

namespace ui {

namespace MachineSettingWindowKey {
namespace {
uint16_t g_nKeyId = 2000;
} // namespace

const SkinItemKey kBase("Base", g_nKeyId);
const SkinItemKey kApplicationIcon("ApplicationIcon", g_nKeyId);
const SkinItemKey kTitle("Title", g_nKeyId);
const SkinItemKey kCloseButton("CloseButton", g_nKeyId);
const SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
const SkinItemKey kOKButton("OKButton", g_nKeyId);
const SkinItemKey kCancelButton("CancelButton", g_nKeyId);
const SkinItemKey kMachineTRK700H("MachineTRK700H", g_nKeyId);
const SkinItemKey kMachineTRK900H("MachineTRK900H", g_nKeyId);
const SkinItemKey kMachineTRK500CM01("MachineTRK500CM01", g_nKeyId);
const SkinItemKey kMachineRK600CM01("MachineRK600CM01", g_nKeyId);
const SkinItemKey kMachineTRK500("MachineTRK500", g_nKeyId);
const SkinItemKey kMachineTRK600("MachineTRK600", g_nKeyId);
const SkinItemKey kMachineTRK400("MachineTRK400", g_nKeyId);
const SkinItemKey kBackImage1("BackImage1", g_nKeyId);
const SkinItemKey kBackImage2("BackImage2", g_nKeyId);
namespace {
const SkinItemKey kTRK700HImage("TRK700HImage", g_nKeyId);
const SkinItemKey kTRK900HImage("TRK900HImage", g_nKeyId);
const SkinItemKey kMac1DImage("Mac1DImage", g_nKeyId);
const SkinItemKey kMac2DImage("Mac2DImage", g_nKeyId);
const SkinItemKey kTRK500Image("TRK500Image", g_nKeyId);
const SkinItemKey kTRK600Image("TRK600Image", g_nKeyId);
const SkinItemKey kTRK400Image("TRK400Image", g_nKeyId);
} // namespace
const SkinItemKey* const kModelImages[7] = {&kTRK700HImage, &kTRK900HImage, &kMac1DImage,
                                            &kMac2DImage,   &kTRK500Image,  &kTRK600Image,
                                            &kTRK400Image};
const SkinItemKey kMacTitleText("MacTitleText", g_nKeyId);
const SkinItemKey kVarnTitleText("VarnTitleText", g_nKeyId);
namespace {
const SkinItemKey kMachineTRK700HText("MachineTRK700HText", g_nKeyId);
const SkinItemKey kMachineTRK900HText("MachineTRK900HText", g_nKeyId);
const SkinItemKey kMachineTRK500CM01Text1("MachineTRK500CM01Text1", g_nKeyId);
const SkinItemKey kMachineTRK500CM01Text2("MachineTRK500CM01Text2", g_nKeyId);
const SkinItemKey kMachineTRK500CM01Text3("MachineTRK500CM01Text3", g_nKeyId);
const SkinItemKey kMachineTRK500CM01Text4("MachineTRK500CM01Text4", g_nKeyId);
const SkinItemKey kMachineRK600CM01Text1("MachineRK600CM01Text1", g_nKeyId);
const SkinItemKey kMachineRK600CM01Text2("MachineRK600CM01Text2", g_nKeyId);
const SkinItemKey kMachineRK600CM01Text3("MachineRK600CM01Text3", g_nKeyId);
const SkinItemKey kMachineRK600CM01Text4("MachineRK600CM01Text4", g_nKeyId);
const SkinItemKey kMachineTRK500Text("MachineTRK500Text", g_nKeyId);
const SkinItemKey kMachineTRK600Text("MachineTRK600Text", g_nKeyId);
const SkinItemKey kMachineTRK400Text("MachineTRK400Text", g_nKeyId);
} // namespace
const SkinItemKey* const kModelLabels[13] = {
    &kMachineTRK700HText,     &kMachineTRK900HText,     &kMachineTRK500CM01Text1,
    &kMachineTRK500CM01Text2, &kMachineTRK500CM01Text3, &kMachineTRK500CM01Text4,
    &kMachineRK600CM01Text1,  &kMachineRK600CM01Text2,  &kMachineRK600CM01Text3,
    &kMachineRK600CM01Text4,  &kMachineTRK500Text,      &kMachineTRK600Text,
    &kMachineTRK400Text};
} // namespace MachineSettingWindowKey

namespace {

using namespace MachineSettingWindowKey;

const char kWindowTitle[] = "機種選択";
const char kUpdateInfoMessageName[] = "Launcher_UpdateInfo";

} // namespace

const SkinItemKey* const CMachineSettingWindow::kModelItems[kModelCount] = {
    &kMachineTRK700H, &kMachineTRK900H, &kMachineTRK500CM01, &kMachineRK600CM01,
    &kMachineTRK500,  &kMachineTRK600,  &kMachineTRK400};

CMachineSettingWindow::CMachineSettingWindow(HWND owner)
    : Base(&kFrameOverlay, &kApplicationIcon, TOOL_SYSCOMMANDS_NONE)
    , m_hOwner(owner)
    , m_bCameraUnit(false)
    , m_iModel(kInitialModel)
    , m_uUpdateInfoMessage(::RegisterWindowMessageA(kUpdateInfoMessageName))
    , m_bNoticePosted(false)
{
    SetResizable(false);
}

CMachineSettingWindow::~CMachineSettingWindow()
{
    if (IsWindow()) DestroyWindow();
}

void CMachineSettingWindow::Create()
{
    BuildFromSkin();
    CreateHiddenWindow();
    ShowWindow(SW_SHOW);
    UpdateWindow();
}

void CMachineSettingWindow::BuildFromSkin()
{
    SkinDefinition definition;
    LoadSkin(definition, "MachineSettingWindow.txt", kBase.m_strName.c_str(), true);
    // Panels first: everything else stands on them.
    AddResizableStaticImage(definition, kBackImage1);
    AddResizableStaticImage(definition, kBackImage2);
    AddButton(definition, kApplicationIcon, CAPTION_ROLE_NONE);
    AddStatic(definition, kTitle);
    SetStaticFormat(kTitle, (GetStaticFormat(kTitle) & ~DT_CENTER) | DT_VCENTER | DT_SINGLELINE);
    AddButton(definition, kCloseButton, CAPTION_ROLE_CLOSE);
    AddButton(definition, kOKButton, CAPTION_ROLE_NONE);
    AddButton(definition, kCancelButton, CAPTION_ROLE_NONE);

    const CLauncherSetting& setting = CLauncherSetting::GetInstance();
    m_iModel = static_cast<int32_t>(setting.GetMachineType());
    m_bCameraUnit = setting.GetDriveMemory();
    for (size_t index = 0; index < kModelCount; ++index) {
        CSkinWindowItemButton* model = AddButton(definition, *kModelItems[index], CAPTION_ROLE_NONE);
        model->OnMessage(ITEM_MESSAGE_SET_KIND, CSkinWindowItemButton::KIND_CHECK, 0);
        model->SetAutoCheck(true);
        model->OnMessage(ITEM_MESSAGE_SET_CHECK, static_cast<int32_t>(index) == m_iModel, 0);
    }
    for (const SkinItemKey* image : kModelImages) AddStaticImage(definition, *image);
    AddStatic(definition, kMacTitleText);
    AddStatic(definition, kVarnTitleText);
    for (const SkinItemKey* label : kModelLabels) AddStatic(definition, *label);
    CreateFrameOverlay(definition);
}

void CMachineSettingWindow::CreateHiddenWindow()
{
    const SkinSize size = GetDesignSize();
    Base::Create(0, nullptr, kWindowTitle, kStyle, 0, 0, size.cx, size.cy, m_hOwner, nullptr);
    // Over the main window when it is shown; at the first start it is still hidden.
    CenterWindow(m_hOwner != nullptr && ::IsWindowVisible(m_hOwner) ? m_hOwner : nullptr);
}

UINT CMachineSettingWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

LRESULT CMachineSettingWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == m_uUpdateInfoMessage && message != 0) {
        if (m_hOwner != nullptr) ::PostMessageA(m_hOwner, message, wParam, lParam);
        return 0;
    }
    return Base::WindowProc(message, wParam, lParam);
}

void CMachineSettingWindow::OnCommand(UINT id, UINT code, HWND control)
{
    static const Command kCommands[] = {
        {&kCloseButton, &CMachineSettingWindow::_OnCancel},
        {&kCancelButton, &CMachineSettingWindow::_OnCancel},
        {&kOKButton, &CMachineSettingWindow::_OnOK},
    };
    if (RunCommand(kCommands, id)) return;
    int32_t group[kModelCount];
    bool model = false;
    for (size_t index = 0; index < kModelCount; ++index) {
        group[index] = kModelItems[index]->m_nId;
        model = model || group[index] == static_cast<int32_t>(id);
    }
    if (model) {
        CheckRadioButton(group, kModelCount, static_cast<int32_t>(id));
        return;
    }
    Base::OnCommand(id, code, control);
}

void CMachineSettingWindow::OnDestroy()
{
    if (m_hOwner != nullptr) {
        ::SetForegroundWindow(m_hOwner);
        ::SetActiveWindow(m_hOwner);
    }
    // Closed by its icon, the system menu or with its owner: the owner still learns that the
    // window is gone, so that its start chain goes on and the window can be opened again.
    if (!m_bNoticePosted) _PostNotice(0);
    Base::OnDestroy();
}

void CMachineSettingWindow::_OnOK()
{
    if (m_bNoticePosted) return;
    m_bCameraUnit = false;
    for (size_t index = 0; index < kModelCount; ++index) {
        CSkinWindowItem* model = GetItemById(kModelItems[index]->m_nId);
        if (model == nullptr || model->OnMessage(ITEM_MESSAGE_GET_CHECK, 0, 0) == 0) continue;
        m_iModel = static_cast<int32_t>(index);
        m_bCameraUnit = m_iModel < kCameraModelCount;
        break;
    }
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    setting.SetMachineType(static_cast<uint32_t>(m_iModel));
    setting.SetDriveMemory(m_bCameraUnit);
    _Finish(1);
}

void CMachineSettingWindow::_OnCancel()
{
    if (m_bNoticePosted) return;
    _Finish(0);
}

void CMachineSettingWindow::_Finish(LPARAM result)
{
    _PostNotice(result);
    PostMessage(WM_CLOSE, 0, 0);
}

void CMachineSettingWindow::_PostNotice(LPARAM result)
{
    m_bNoticePosted = true;
    if (m_hOwner != nullptr) ::PostMessageA(m_hOwner, kChildClosedMessage, kChildCode, result);
}

} // namespace ui
