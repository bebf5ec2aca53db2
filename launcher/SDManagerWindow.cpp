#include "launcher/SDManagerWindow.h"

#include "carddata/SDInfoMgr.h"
#include "launcher/UserMessage.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "skin/SkinWindowItemScrollBar.h"
#include "skin/SkinWindowItemStatic.h"

#include <vector>

SDCardListEntry::SDCardListEntry() : bMarked(0), cDrive(0) {}

SDCardListEntry::~SDCardListEntry() = default;

const std::string& SDCardListEntry::GetColumnText(int32_t column) const
{
    static const std::string s_strEmpty;
    switch (column) {
    case 0:
        return strName;
    case 1:
        return strFree;
    case 2:
        return strType;
    default:
        return s_strEmpty;
    }
}

namespace ui {

namespace SDManagerWindowKey {
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
const SkinItemKey kUpdateSDButton("UpdateSDButton", g_nKeyId);
const SkinItemKey kBackImage("BackImage", g_nKeyId);
const SkinItemKey kLogList("LogList", g_nKeyId);
const SkinItemKey kLogListScrollBar("LogListScrollBar", g_nKeyId);
} // namespace SDManagerWindowKey

namespace {

using namespace SDManagerWindowKey;

const char kWindowTitle[] = "SDカード選択";

struct ListColumn {
    const char* m_pszTitle;
    int32_t m_nWidth;
    UINT m_uFormat;
};

const ListColumn kColumns[] = {
    {"名前", 192, DT_LEFT},
    {"空き容量", 80, DT_RIGHT},
    {"種類", 160, DT_LEFT},
};

} // namespace

const char CSDManagerWindow::kUnsupportedCardMessage[] =
    "サポートされていないSDカードです。\r\nナビゲーションでの更新がご利用頂けません。\r\n"
    "SDまたはSDHC規格に対応したメモリーカードをご使用ください。";

CSDManagerWindow::CSDManagerWindow(HWND owner)
    : Base(&kFrameOverlay, &kApplicationIcon, TOOL_SYSCOMMANDS_CLOSE_MOVE)
    , m_hOwner(owner)
    , m_pLogList(nullptr)
    , m_pLogListScrollBar(nullptr)
    , m_pSDInfoMgr(new CSDInfoMgr)
{
}

CSDManagerWindow::~CSDManagerWindow()
{
    if (IsWindow()) DestroyWindow();
    delete m_pSDInfoMgr;
}

bool CSDManagerWindow::Create()
{
    if (!CreateFromSkin(&CSDManagerWindow::BuildFromSkin, &CSDManagerWindow::CreateHidden)) {
        return false;
    }
    _UpdateList();
    return true;
}

bool CSDManagerWindow::ShowOver(HWND owner)
{
    m_hOwner = owner;
    if (!Create()) return false;
    CenterWindow(m_hOwner != nullptr && ::IsWindowVisible(m_hOwner) ? m_hOwner : nullptr);
    ShowWindow(SW_SHOW);
    UpdateWindow();
    return true;
}

void CSDManagerWindow::BuildFromSkin()
{
    SkinDefinition definition;
    LoadSkin(definition, "SDManagerWindow.txt", kBase.m_strName.c_str(), true);
    // The list's frame first: the list and its bar stand on it.
    AddResizableStaticImage(definition, kBackImage);
    AddButton(definition, kApplicationIcon, CAPTION_ROLE_NONE);
    AddStatic(definition, kTitle);
    SetStaticFormat(kTitle, (GetStaticFormat(kTitle) & ~DT_CENTER) | DT_VCENTER | DT_SINGLELINE);
    AddButton(definition, kCloseButton, CAPTION_ROLE_CLOSE);
    AddButton(definition, kOKButton, CAPTION_ROLE_NONE);
    AddButton(definition, kCancelButton, CAPTION_ROLE_NONE);
    AddButton(definition, kUpdateSDButton, CAPTION_ROLE_NONE);

    m_pLogListScrollBar = CreateScrollBar(kLogListScrollBar.m_nId,
                                          GetSkinBlock(definition, kLogListScrollBar.m_strName));
    m_pLogListScrollBar->SetVisible(false);
    m_pLogList = new CButtonListView(this, kLogList.m_nId,
                                     GetSkinBlock(definition, kLogList.m_strName),
                                     GetImageCache(), m_pLogListScrollBar, this);
    m_pLogList->SetFitColumns(true);
    m_pLogList->ShowHeader(true);
    for (const ListColumn& column : kColumns) {
        m_pLogList->AddColumn(column.m_pszTitle, column.m_uFormat | DT_VCENTER | DT_SINGLELINE,
                              column.m_nWidth, true, false, false,
                              column.m_uFormat | DT_VCENTER | DT_SINGLELINE);
    }
    m_pLogList->SetTable(this);
    m_pLogList->RecalcColumns();
    m_pLogList->SetVisible(true);
    AddItem(m_pLogList);
    CreateFrameOverlay(definition);

    // The list and its frame grow with the window; the buttons keep to their corners.
    SetAnchor(kBackImage.m_nId, ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_FAR);
    SetAnchor(kLogList.m_nId, ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_FAR);
    SetAnchor(kLogListScrollBar.m_nId, ANCHOR_FAR, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_FAR);
    SetAnchor(kCloseButton.m_nId, ANCHOR_FAR, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_NEAR);
    SetAnchor(kOKButton.m_nId, ANCHOR_FAR, ANCHOR_FAR, ANCHOR_FAR, ANCHOR_FAR);
    SetAnchor(kCancelButton.m_nId, ANCHOR_FAR, ANCHOR_FAR, ANCHOR_FAR, ANCHOR_FAR);
    SetAnchor(kUpdateSDButton.m_nId, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_NEAR, ANCHOR_FAR);
}

void CSDManagerWindow::CreateHidden()
{
    const SkinSize size = GetDesignSize();
    Base::Create(0, nullptr, kWindowTitle, kStyle, 0, 0, size.cx, size.cy, m_hOwner, nullptr);
    if (!IsWindow()) return;
    EnableIME(false);
    // Over the main window when it is shown; a hidden owner gives the desktop's middle.
    CenterWindow(m_hOwner != nullptr && ::IsWindowVisible(m_hOwner) ? m_hOwner : nullptr);
}

// ---- the steps ----

void CSDManagerWindow::_UpdateList()
{
    std::vector<SDDriveInfo> drives;
    m_pSDInfoMgr->GetDriveList(drives);
    m_listEntries.clear();
    for (const SDDriveInfo& drive : drives) {
        SDCardListEntry entry;
        entry.cDrive = static_cast<uint8_t>(drive.m_cDrive);
        entry.strName = drive.m_strDisplayName;
        entry.strType = drive.m_strKind;
        entry.strFree = drive.m_strSize;
        // Whatever the active card: the user marks the one meant.
        entry.bMarked = m_listEntries.empty() ? 1 : 0;
        m_listEntries.push_back(entry);
    }
    if (m_pLogList != nullptr) m_pLogList->UpdateRow(-1);
}

void CSDManagerWindow::_OnButtonOK()
{
    char letter = 0;
    for (const SDCardListEntry& entry : m_listEntries) {
        if (entry.IsMarked()) {
            letter = entry.GetDrive();
            break;
        }
    }
    if (m_pSDInfoMgr->SelectDrive(letter)) {
        PostMessage(WM_CLOSE, 0, 0);
        return;
    }
    ShowMessageBox(GetHwnd(), kUnsupportedCardMessage, kUnsupportedCardStyle);
}

const SDCardListEntry* CSDManagerWindow::_EntryAt(int32_t row) const
{
    if (row < 0 || static_cast<size_t>(row) >= m_listEntries.size()) return nullptr;
    auto entry = m_listEntries.begin();
    std::advance(entry, row);
    return &*entry;
}

// ---- the table ----

int32_t CSDManagerWindow::GetRowCount(CButtonListView*)
{
    return static_cast<int32_t>(m_listEntries.size());
}

bool CSDManagerWindow::IsRowActive(CButtonListView*, int32_t row)
{
    const SDCardListEntry* entry = _EntryAt(row);
    return entry != nullptr && entry->bMarked == 1;
}

bool CSDManagerWindow::HasButton(CButtonListView*, int32_t, uint32_t) { return false; }
bool CSDManagerWindow::IsButtonOn(CButtonListView*, int32_t, uint32_t) { return false; }
int32_t CSDManagerWindow::GetButtonLabel(CButtonListView*, int32_t, uint32_t) { return -1; }

std::string CSDManagerWindow::GetCellText(CButtonListView*, int32_t row, int32_t column,
                                          const ButtonListViewTextFit&)
{
    const SDCardListEntry* entry = _EntryAt(row);
    return entry == nullptr ? std::string() : entry->GetColumnText(column);
}

COLORREF CSDManagerWindow::GetCellTextColor(CButtonListView*, int32_t, int32_t)
{
    return kTextColor;
}

std::string CSDManagerWindow::GetCellToolTip(CButtonListView*, int32_t, int32_t)
{
    return std::string();
}

int32_t CSDManagerWindow::GetMinColumnWidth(CButtonListView*) { return kMinColumnWidth; }

std::wstring CSDManagerWindow::GetCellTextW(CButtonListView*, int32_t, int32_t,
                                            const ButtonListViewTextFit&)
{
    return std::wstring();
}

bool CSDManagerWindow::IsWideText(CButtonListView*) { return false; }

// ---- the listener ----

void CSDManagerWindow::OnLayoutChanged(CButtonListView*) {}

void CSDManagerWindow::OnPress(CButtonListView*, int32_t row, int32_t part, int32_t, bool)
{
    if (part != LIST_PART_CELL || _EntryAt(row) == nullptr) return;
    int32_t index = 0;
    for (SDCardListEntry& entry : m_listEntries) entry.bMarked = index++ == row ? 1 : 0;
    m_pLogList->UpdateRow(-1);
}

void CSDManagerWindow::OnDoubleClick(CButtonListView*, int32_t row, int32_t part, int32_t, bool)
{
    if (part == LIST_PART_CELL && _EntryAt(row) != nullptr) _OnButtonOK();
}

void CSDManagerWindow::OnButtonClick(CButtonListView*, int32_t, uint32_t) {}

// ---- window ----

UINT CSDManagerWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

void CSDManagerWindow::OnCommand(UINT id, UINT code, HWND control)
{
    static const Command kCommands[] = {
        {&kCloseButton, &CSDManagerWindow::PostClose},
        {&kOKButton, &CSDManagerWindow::_OnButtonOK},
        {&kUpdateSDButton, &CSDManagerWindow::_UpdateList},
        {&kCancelButton, &CSDManagerWindow::PostClose},
    };
    if (!RunCommand(kCommands, id)) Base::OnCommand(id, code, control);
}

bool CSDManagerWindow::FilterKey(UINT key, LPARAM)
{
    return key == VK_TAB && ::GetKeyState(VK_CONTROL) < 0;
}

void CSDManagerWindow::OnDestroy()
{
    if (m_hOwner != nullptr) {
        ::SetForegroundWindow(m_hOwner);
        ::SetActiveWindow(m_hOwner);
        ::PostMessageA(m_hOwner, kChildClosedMessage, kChildCode, 0);
    }
    Base::OnDestroy();
}

void CSDManagerWindow::OnEndSession(bool ending, LPARAM lParam)
{
    if (ending) {
        PostMessage(WM_CLOSE, 0, 0);
        if (m_hOwner != nullptr) ::PostMessageA(m_hOwner, WM_ENDSESSION, 1, lParam);
    }
    Base::OnEndSession(ending, lParam);
}

} // namespace ui
