#include "skin/MessageBoxWindowBase.h"

#include "lib/wfc/DC.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemIcon.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "skin/SkinWindowItemStatic.h"

#include <algorithm>

namespace ui {

namespace {

// The room an icon takes before the text: its width and a gap, none without an icon.
const int32_t kIconGap = 8;

} // namespace

CMessageBoxWindowBase::CMessageBoxWindowBase(const MessageBoxDescription& description,
                                             bool topmost)
    : Base(description.m_pFrameOverlay)
    , m_description(description)
    , m_pGrouping(nullptr)
    , m_pText(nullptr)
    , m_pIcon(nullptr)
    , m_bTopmost(topmost)
    , m_nResult(0)
    , m_bEnded(false)
    , m_sizeDesign{0, 0}
    , m_rcGroupingDesign{0, 0, 0, 0}
    , m_nLines(0)
{
    SetResizable(false);
}

CMessageBoxWindowBase::~CMessageBoxWindowBase()
{
    // A box left with its window (its build failed half-way) takes it along while it can
    // still answer the window's last messages.
    if (IsWindow()) DestroyWindow();
}

// ---- the box ----

int32_t CMessageBoxWindowBase::DoModal(HWND owner, const std::string& text, UINT type)
{
    m_nResult = 0;
    m_bEnded = false;
    BuildFromSkin();
    CreateBox(owner);
    LayoutBox(text, type);
    ShowWindow(SW_SHOW);
    UpdateWindow();
    ::SetForegroundWindow(GetHwnd());
    ::MessageBeep(type & MB_ICONMASK);
    // The loop eats a quit message that ends it: posted again, the thread's own loop ends too.
    int exitCode = 0;
    if (lib::wfc::RunModalLoop(GetHwnd(), owner, &m_bEnded, &exitCode)) {
        ::PostQuitMessage(exitCode);
    }
    if (IsWindow()) DestroyWindow();
    return m_nResult;
}

void CMessageBoxWindowBase::EndWithResult(int32_t result)
{
    m_nResult = result;
    m_bEnded = true;
    if (!IsWindow()) return;
    PostMessage(WM_NULL, 0, 0);
    ::SetWindowPos(GetHwnd(), nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

void CMessageBoxWindowBase::OnCancel() { EndWithResult(IDCANCEL); }

void CMessageBoxWindowBase::BuildFromSkin()
{
    SkinDefinition definition;
    LoadSkin(definition, m_description.m_pszSkinName, m_description.m_pBase->m_strName.c_str(),
             true);
    // Taken before any layout makes the box's size the layout size.
    const RECT design = GetMinTrackRect();
    m_sizeDesign = SkinSize{design.right - design.left, design.bottom - design.top};
    m_pGrouping = AddResizableStaticImage(definition, *m_description.m_pGrouping);
    m_rcGroupingDesign = m_pGrouping->GetRect();
    m_pIcon = AdoptItem(new CSkinWindowItemIcon(this, m_description.m_pIcon->m_nId, nullptr));
    m_pText = AddStatic(definition, *m_description.m_pText);
    m_pText->SetRect(kTextRect);
    m_pText->SetFormat(DT_WORDBREAK);

    for (size_t i = 0; i < m_description.m_nCommands; ++i) {
        const SkinItemKey& key = *m_description.m_pCommands[i].m_pKey;
        const bool close = &key == m_description.m_pCloseButton;
        CSkinWindowItemButton* button =
            AddButton(definition, key, close ? CAPTION_ROLE_CLOSE : CAPTION_ROLE_NONE);
        if (!close) button->SetVisible(false);
    }

    CreateFrameOverlay(definition);
    _Anchor();
}

void CMessageBoxWindowBase::CreateBox(HWND owner)
{
    char title[100] = {};
    if (owner != nullptr) ::GetWindowTextA(owner, title, sizeof title);
    Create(m_bTopmost ? WS_EX_TOPMOST : 0, nullptr, title, kStyle, 0, 0, m_sizeDesign.cx,
           m_sizeDesign.cy, owner, nullptr);
}

void CMessageBoxWindowBase::LayoutBox(const std::string& text, UINT type)
{
    m_pText->SetRect(kTextRect);
    m_pText->SetColor((type & MB_ICONMASK) == MB_ICONEXCLAMATION ? kExclamationTextColor
                                                                  : kTextColor);
    m_pText->SetText(text);
    const std::vector<const SkinItemKey*> buttons =
        m_description.m_pfnButtonSet(type & MB_TYPEMASK);

    // Measured as drawn: the item's font and format, from its rectangle's width. The line
    // height is that font's too, so that the count of lines is exact.
    const SkinSize measured = m_pText->CalcTextRect(m_pText->GetText());
    const int32_t lineHeight = _LineHeight();
    m_nLines = lineHeight > 0 ? measured.cy / lineHeight : 0;
    const int32_t extra =
        m_nLines > kLinesWithoutGrowth ? kGrowthPerLine * (m_nLines - kLinesWithoutGrowth) : 0;

    const SkinSize box = {m_sizeDesign.cx, m_sizeDesign.cy + extra};
    const RECT work = lib::wfc::GetWorkArea();
    const int32_t x = work.left + (work.right - work.left - box.cx) / 2;
    const int32_t y = work.top + (work.bottom - work.top - box.cy) / 2;
    SetLayoutSize(box.cx, box.cy);
    // The anchored items follow the new size here (WM_SIZE lays them out).
    ::SetWindowPos(GetHwnd(), nullptr, x, y, box.cx, box.cy, SWP_NOZORDER | SWP_NOACTIVATE);

    SkinRect grouping = m_rcGroupingDesign;
    grouping.bottom += extra;
    m_pGrouping->SetRect(grouping);

    const SkinRect textArea = m_pText->GetRect();
    const SkinSize icon = m_pIcon->GetSize();
    m_pIcon->SetPosition(textArea.left, textArea.top + (textArea.Height() - icon.cy) / 2);
    const int32_t iconRoom = icon.cx != 0 ? icon.cx + kIconGap : 0;
    const int32_t left = (box.cx - measured.cx) / 2 + iconRoom;
    const int32_t top = grouping.top + (grouping.Height() - measured.cy) / 2;
    m_pText->SetRect(SkinRect{left, top, left + measured.cx, top + measured.cy});

    _PlaceButtons(buttons, box);

    // Anchored again from where they now stand: a later layout at this size (the skin
    // window's relayout message) leaves the box as it was laid out here.
    _Anchor();
    RedrawRect(0, 0, box.cx, box.cy, true);
}

void CMessageBoxWindowBase::_PlaceButtons(const std::vector<const SkinItemKey*>& buttons,
                                          SkinSize box)
{
    for (const SkinItemKey* key : _StandardButtons()) {
        if (CSkinWindowItem* button = GetItemById(key->m_nId)) button->SetVisible(false);
    }
    // From the right: the last button ends at the margin, each one before it a gap earlier.
    int32_t right = box.cx - kButtonMargin;
    const int32_t bottom = box.cy - kButtonMargin;
    for (auto it = buttons.rbegin(); it != buttons.rend(); ++it) {
        CSkinWindowItem* button = GetItemById((*it)->m_nId);
        if (button == nullptr) continue;
        const SkinSize size = button->GetSize();
        button->SetRect(SkinRect{right - size.cx, bottom - size.cy, right, bottom});
        button->SetVisible(true);
        right -= size.cx + kButtonGap;
    }
}

std::vector<const SkinItemKey*> CMessageBoxWindowBase::_StandardButtons() const
{
    std::vector<const SkinItemKey*> keys;
    for (size_t i = 0; i < m_description.m_nCommands; ++i) {
        const SkinItemKey* key = m_description.m_pCommands[i].m_pKey;
        if (key != m_description.m_pCloseButton) keys.push_back(key);
    }
    return keys;
}

void CMessageBoxWindowBase::_Anchor()
{
    // The text stretches with the box; the buttons keep their distance from its bottom.
    SetAnchor(m_pText->GetId(), ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_FAR);
    for (const SkinItemKey* key : _StandardButtons()) {
        SetAnchor(key->m_nId, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_NEAR, ANCHOR_FAR);
    }
}

int32_t CMessageBoxWindowBase::_LineHeight()
{
    lib::wfc::CFont font(&m_pText->GetLogFont());
    lib::wfc::CClientDC dc(this);
    lib::wfc::CDCStateSaver saver(&dc);
    saver.SelectFont(font.GetHandle());
    TEXTMETRICA metrics = {};
    const bool read = ::GetTextMetricsA(saver.GetHDC(), &metrics) != FALSE;
    saver.Restore();
    return read ? std::max<int32_t>(metrics.tmHeight, 0) : 0;
}

// ---- window ----

UINT CMessageBoxWindowBase::GetOverlayMessage() { return kMessageBoxOverlayMessage; }

LRESULT CMessageBoxWindowBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
        const LONG_PTR exStyle = ::GetWindowLongPtrA(GetHwnd(), GWL_EXSTYLE);
        if ((exStyle & WS_EX_LAYERED) != 0) {
            ::SetLayeredWindowAttributes(GetHwnd(), 0, 255, LWA_ALPHA);
        }
    }
    return Base::WindowProc(message, wParam, lParam);
}

void CMessageBoxWindowBase::OnClose() { EndWithResult(m_nResult != 0 ? m_nResult : IDCANCEL); }

void CMessageBoxWindowBase::OnDestroy()
{
    m_bEnded = true;
    PostMessage(WM_NULL, 0, 0);
    Base::OnDestroy();
}

LRESULT CMessageBoxWindowBase::OnNcHitTest(int x, int y)
{
    POINT point = {x, y};
    ScreenToClient(&point);
    if (FindItemFromPoint(point.x, point.y) == nullptr) return HTCAPTION;
    return Base::OnNcHitTest(x, y);
}

void CMessageBoxWindowBase::OnCommand(UINT id, UINT code, HWND control)
{
    for (size_t i = 0; i < m_description.m_nCommands; ++i) {
        const MessageBoxCommand& command = m_description.m_pCommands[i];
        if (command.m_pKey->m_nId == id) {
            EndWithResult(command.m_nResult);
            return;
        }
    }
    Base::OnCommand(id, code, control);
}

} // namespace ui
