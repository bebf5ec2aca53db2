#include "launcher/HelpInfoWindow.h"

#include "launcher/LaunchWindowMessages.h"
#include "lib/TolveLog.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemStaticImage.h"

#include <string>

namespace ui {

namespace HelpInfoWindowKey {
namespace {
uint16_t g_nKeyId = 1000;
} // namespace

const SkinItemKey kBase("Base", g_nKeyId);
const SkinItemKey kTextStaticAPP("TextStaticAPP", g_nKeyId);
const SkinItemKey kTextStaticHelp("TextStaticHelp", g_nKeyId);
const SkinItemKey kTextBackIcon("TextBackIcon", g_nKeyId);
const SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
} // namespace HelpInfoWindowKey

namespace {

using namespace HelpInfoWindowKey;

// With the drive button hidden, the last button stands in the place of the drive button.
const int32_t kDriveButtonIndex = 3;
const int32_t kLastButtonIndex = 4;
const int32_t kLinePitch = 20;
const int32_t kOtherHeight = 40;

} // namespace

const HelpInfoEntry CHelpInfoWindow::kEntries[kEntryCount] = {
    {24, "Atlaro Web for サルデッロにアクセスします。",
     "Atlaro Webの最新の地図や豊富なスポット情報を利用して、地点検索／保存、ルート作成／保存が行えます。保存したデータはナビゲーション本体へ簡単に転送することもできます。"},
    {96, "Sonavelle 5 for Sardello を起動します。",
     "SDカードを使って、パソコンの楽曲データをナビゲーションのOndelに転送したり、Ondelの楽曲タイトルの取得や編集等を行ないます。"},
    {168, "メンドリルを起動します。",
     "登録地点の編集や、オープニング画像などの各種画像編集を行ないます。"},
    {240, "ペリックマネージャーを起動します。",
     "ヴァーンペリックユニットで撮影した映像の再生、編集を行ないます。"},
    {312, "ダップルゲートを起動します。",
     "ナビゲーションの地図更新データのダウンロード、有償データの購入・ダウンロード手続きなどを行ないます。"},
};

CHelpInfoWindow::CHelpInfoWindow(HWND owner)
    : Base(&kFrameOverlay, nullptr, TOOL_SYSCOMMANDS_NONE)
    , m_hOwner(owner)
    , m_pTitle(nullptr)
    , m_pHelp(nullptr)
    , m_nArrowX(-1)
{
    SetResizable(false);
}

CHelpInfoWindow::~CHelpInfoWindow()
{
    if (IsWindow()) DestroyWindow();
}

void CHelpInfoWindow::Create(int32_t index)
{
    BuildFromSkin(index);
    CreateHiddenWindow();
}

void CHelpInfoWindow::BuildFromSkin(int32_t index)
{
    SkinDefinition definition;
    LoadSkin(definition, "HelpInfoWindow.txt", kBase.m_strName.c_str(), true);
    m_pTitle = AddStatic(definition, kTextStaticAPP);
    m_pTitle->SetFormat(m_pTitle->GetFormat() | DT_VCENTER | DT_SINGLELINE);
    m_pHelp = AddStatic(definition, kTextStaticHelp);
    m_arrowBlock = GetSkinBlock(definition, kTextBackIcon.m_strName);
    _SetArrow(index);
    CreateFrameOverlay(definition);
    // The texts follow the balloon's width; the help text its height too, so that no
    // wrapped line is cut.
    SetAnchor(kTextStaticAPP.m_nId, ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_NONE);
    SetAnchor(kTextStaticHelp.m_nId, ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_FAR);
}

void CHelpInfoWindow::CreateHiddenWindow()
{
    const SkinSize size = GetDesignSize();
    Base::Create(WS_EX_LAYERED, nullptr, "", kStyle, 0, 0, size.cx, size.cy, m_hOwner, nullptr);
    ::SetLayeredWindowAttributes(GetHwnd(), 0, kAlpha, LWA_ALPHA);
    EnableIME(false);
}

void CHelpInfoWindow::ShowHelp(int32_t left, int32_t top, int32_t, int32_t, int32_t index,
                               bool driveMemory)
{
    if (index < 0 || index >= kEntryCount) {
        TOLVE_LOG(LOG_ERROR, "CHelpInfoWindow::ShowHelp index:%d", index);
        return;
    }
    _SetArrow(index);
    const int32_t textIndex =
        !driveMemory && index == kDriveButtonIndex ? kLastButtonIndex : index;
    const HelpInfoEntry& entry = kEntries[textIndex];

    // Measured as drawn: the help item's font and format, wrapped to the width it will have.
    const int32_t width = driveMemory ? kWideWidth : kNarrowWidth;
    Layout(width, GetDesignSize().cy);
    const int32_t textHeight = m_pHelp->CalcTextRect(entry.m_pszHelp).cy;
    const int32_t blankHeight = m_pHelp->CalcTextRect(" ").cy;
    const int32_t height = BalloonHeight(textHeight, blankHeight);
    Layout(width, height);
    m_pTitle->SetText(entry.m_pszTitle);
    m_pHelp->SetText(entry.m_pszHelp);
    MoveWindow(left + kOffsetX, top + kOffsetY, width, height, false);
}

int32_t CHelpInfoWindow::BalloonHeight(int32_t textHeight, int32_t blankHeight)
{
    // A failed measurement gives no line height to divide by.
    if (blankHeight < 1) return kLinePitch + kOtherHeight;
    return textHeight * kLinePitch / blankHeight + kOtherHeight;
}

UINT CHelpInfoWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

void CHelpInfoWindow::OnMouseMove(UINT keys, int x, int y)
{
    if (m_hOwner != nullptr) ::PostMessageA(m_hOwner, WM_LAUNCHER_CHILD_CLOSED, CHILD_HELP_INFO, 0);
    Base::OnMouseMove(keys, x, y);
}

void CHelpInfoWindow::_SetArrow(int32_t index)
{
    if (index < 0 || index >= kEntryCount || kEntries[index].m_nArrowX == m_nArrowX) return;
    m_nArrowX = kEntries[index].m_nArrowX;
    // The arrow stands over its button: its part of the image at the same place in the
    // balloon. The item is made again with that part, in its place in the drawing order.
    const std::string x = std::to_string(kEntries[index].m_nArrowX);
    const std::string right = std::to_string(kEntries[index].m_nArrowX + kArrowWidth);
    SkinBlock block = m_arrowBlock;
    const std::string file = block.m_mapKeyword["Image"].empty()
                                 ? std::string()
                                 : block.m_mapKeyword["Image"][0];
    block.m_mapKeyword["Image"] = {file, x, "0", right, std::to_string(kArrowHeight)};
    block.m_mapKeyword["Position"] = {x, "0"};
    block.m_mapKeyword["Size"] = {std::to_string(kArrowWidth), std::to_string(kArrowHeight)};
    CreateStaticImage(kTextBackIcon.m_nId, block);
    // The arrow is part of the window's shape: the region is made again with the picture.
    if (HasWindow()) SendMessage(GetSkinWindowInternalMessage(), 0, 0);
}

} // namespace ui
