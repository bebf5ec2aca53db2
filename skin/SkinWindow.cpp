#include "skin/SkinWindow.h"

#include "lib/DbcsText.h"
#include "lib/TolveLog.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinKeywordTable.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindowItemButton.h"

#include <commctrl.h>

#include <algorithm>

namespace ui {

namespace {

const char kInternalMessageName[] =
    "SkinWindowInternalMessage-{774AC32D-5AEC-4eb1-B2F8-8905C27F00F2}";
const char kFontKeyword[] = "Font";
const int kMaxTipWidth = 640;

UINT g_uInternalMessage = ::RegisterWindowMessageA(kInternalMessageName);

} // namespace

UINT GetSkinWindowInternalMessage()
{
    // A static initialiser of another file may ask before this file's own one ran.
    if (g_uInternalMessage == 0) g_uInternalMessage = ::RegisterWindowMessageA(kInternalMessageName);
    return g_uInternalMessage;
}

CSkinWindow::CSkinWindow()
    : m_pCloseButton(nullptr)
    , m_pMinimizeButton(nullptr)
    , m_pThirdButton(nullptr)
    , m_hTooltip(nullptr)
    , m_pTooltipItem(nullptr)
    , m_pCaptureItem(nullptr)
    , m_eCaptureButton(PRESS_NONE)
    , m_pHotItem(nullptr)
    , m_pFocusItem(nullptr)
    , m_rcImageCut()
    , m_ptItemOrigin{0, 0}
    , m_nCaptionHeight(0)
    , m_bRedrawSuspended(false)
    , m_bRegion(false)
    , m_bInactiveLook(false)
    , m_hRegion(nullptr)
{
}

CSkinWindow::~CSkinWindow()
{
    _DeleteItems();
    m_pBackBuffer.reset();
    if (m_pImageCache) m_pImageCache->ReleaseAll();
    m_pImageCache.reset();
    if (m_hRegion != nullptr) ::DeleteObject(m_hRegion);
    m_hRegion = nullptr;
    m_pFont.reset();
}

// ---- message procedure ----

LRESULT CSkinWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A hidden window goes through both looks and ends in the inactive one.
    const bool hiding = message == WM_SHOWWINDOW && wParam == FALSE;
    const bool activating = message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE;
    const bool deactivating = message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE;
    if (activating || hiding) _RefreshLook(false);

    if (m_pFocusItem != nullptr) {
        LRESULT result = 0;
        if (m_pFocusItem->PreTranslateMessage(message, wParam, lParam, &result)) return result;
    }

    if (deactivating || hiding) {
        _RefreshLook(true);
        if (m_hTooltip != nullptr && ::IsWindowVisible(m_hTooltip)) {
            ::SendMessageA(m_hTooltip, TTM_POP, 0, 0);
        }
    }

    if (message == GetSkinWindowInternalMessage() && wParam == 0 && HasWindow()) {
        CRedrawSuspension suspension(this);
        OnBeforeRelayout();
        const SkinSize client = _GetClientSize();
        UpdateBuffer(0, client.cx, client.cy);
        _ApplyRegion();
        RedrawRect(0, 0, client.cx, client.cy, true);
    }
    return CRegionWindow::WindowProc(message, wParam, lParam);
}

bool CSkinWindow::OnCreate(CREATESTRUCTA* create)
{
    if (!CRegionWindow::OnCreate(create)) return false;
    if (m_pFont) SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_pFont->GetHandle()), FALSE);

    const SkinSize client = _GetClientSize();
    {
        std::unique_ptr<lib::wfc::CDIB> buffer(new lib::wfc::CDIB);
        lib::wfc::CClientDC dc(this);
        buffer->Create(dc.GetHDC(), std::max(client.cx, 1), std::max(client.cy, 1), 24);
        buffer->Fill(0);
        m_pBackBuffer = std::move(buffer);
    }
    UpdateBuffer(0, client.cx, client.cy);

    for (size_t i = 0; i < m_vItem.size(); ++i) {
        m_vItem[i]->OnAttach(GetHwnd(), m_ptItemOrigin.x, m_ptItemOrigin.y);
    }
    if (m_pFocusItem != nullptr) m_pFocusItem->OnSetFocus();

    _CreateTooltip();
    SetTimer(kSkinTickTimerId, kSkinTickPeriod);
    _RebuildRegion();
    _ApplyRegion();
    return true;
}

void CSkinWindow::OnDestroy()
{
    if (m_hTooltip != nullptr) {
        ::DestroyWindow(m_hTooltip);
        m_hTooltip = nullptr;
    }
    // A window made again adds the tools afresh.
    for (CSkinWindowItem* item : m_vItem) {
        if (item->GetToolState() == TOOL_ADDED) item->SetToolState(TOOL_ADD);
    }
    m_tooltipActivator.Stop();
    m_pBackBuffer.reset();
    if (m_hRegion != nullptr) {
        ::DeleteObject(m_hRegion);
        m_hRegion = nullptr;
    }
    CRegionWindow::OnDestroy();
}

void CSkinWindow::OnSize(UINT type, int cx, int cy)
{
    if (HasWindow()) {
        CRedrawSuspension suspension(this);
        if (UpdateBuffer(type, cx, cy) && m_bRegion) {
            _ApplyRegion();
            UpdateWindow();
        }
    }
    CRegionWindow::OnSize(type, cx, cy);
}

void CSkinWindow::OnSetFocus(HWND previous)
{
    if (m_pFocusItem != nullptr) m_pFocusItem->OnSetFocus();
    CRegionWindow::OnSetFocus(previous);
}

void CSkinWindow::OnKillFocus(HWND next)
{
    if (m_pFocusItem != nullptr) m_pFocusItem->OnKillFocus();
    CRegionWindow::OnKillFocus(next);
}

void CSkinWindow::OnPaint()
{
    lib::wfc::CPaintDC dc(*this);
    if (!m_pBackBuffer) return;
    const RECT& paint = dc.GetPaintRect();
    lib::wfc::CMemDC memory(dc.GetHDC());
    lib::wfc::CDCStateSaver saver(&memory);
    saver.SelectBitmap(m_pBackBuffer->GetHandle());
    ::BitBlt(dc.GetHDC(), paint.left, paint.top, paint.right - paint.left,
             paint.bottom - paint.top, memory.GetHDC(), paint.left, paint.top, SRCCOPY);
    saver.Restore();
}

bool CSkinWindow::OnSetCursor(LPARAM lParam)
{
    const POINT point = _GetCursorClientPoint();
    CSkinWindowItem* item = FindItemFromPoint(point.x, point.y);
    if (item != nullptr) {
        const SkinPoint at = item->GetPosition();
        if (item->OnSetCursor(point.x - at.x, point.y - at.y)) return true;
    }
    return CRegionWindow::OnSetCursor(lParam);
}

// ---- mouse ----

void CSkinWindow::OnMouseMove(UINT, int x, int y)
{
    m_tooltipActivator.OnMouseMove(x, y);
    if (m_pCaptureItem != nullptr) {
        const SkinPoint at = m_pCaptureItem->GetPosition();
        m_pCaptureItem->OnMouseMove(x - at.x, y - at.y);
        return;
    }
    CSkinWindowItem* item = FindItemFromPoint(x, y);
    _SetHotItem(item, x, y);
    m_pTooltipItem = item != nullptr && item->GetToolState() != TOOL_NONE ? item : nullptr;

    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE | TME_HOVER;
    track.hwndTrack = GetHwnd();
    track.dwHoverTime = HOVER_DEFAULT;
    ::TrackMouseEvent(&track);
}

void CSkinWindow::OnLButtonDown(UINT, int x, int y) { _Press(PRESS_LEFT, x, y, false); }
void CSkinWindow::OnLButtonUp(UINT, int x, int y) { _Release(PRESS_LEFT, x, y); }
void CSkinWindow::OnLButtonDblClk(UINT, int x, int y) { _Press(PRESS_LEFT, x, y, true); }
void CSkinWindow::OnRButtonDown(UINT, int x, int y) { _Press(PRESS_RIGHT, x, y, false); }
void CSkinWindow::OnRButtonUp(UINT, int x, int y) { _Release(PRESS_RIGHT, x, y); }
void CSkinWindow::OnRButtonDblClk(UINT, int x, int y) { _Press(PRESS_RIGHT, x, y, true); }

void CSkinWindow::_Press(PressButton button, int x, int y, bool doubleClick)
{
    if (doubleClick) {
        if (m_pCaptureItem != nullptr) _Release(m_eCaptureButton, x, y);
    } else {
        ::SetFocus(GetHwnd());
        if (m_pCaptureItem != nullptr) return;
    }
    CSkinWindowItem* item = FindItemFromPoint(x, y);
    if (item == nullptr) return;
    const SkinPoint at = item->GetPosition();
    const int rx = x - at.x;
    const int ry = y - at.y;
    bool taken;
    if (button == PRESS_LEFT) {
        taken = doubleClick ? item->OnLButtonDblClk(rx, ry) : item->OnLButtonDown(rx, ry);
    } else {
        taken = doubleClick ? item->OnRButtonDblClk(rx, ry) : item->OnRButtonDown(rx, ry);
    }
    // A double click that took a press captures like a press: released outside, the item
    // still hears of it.
    if (taken) {
        m_pCaptureItem = item;
        m_eCaptureButton = button;
        ::SetCapture(GetHwnd());
    }
    if (taken || !doubleClick) {
        _MoveFocus(item);
        m_pHotItem = item;
    }
}

void CSkinWindow::_Release(PressButton button, int x, int y)
{
    CSkinWindowItem* item = m_pCaptureItem;
    PressButton pressed = button;
    if (item != nullptr) {
        pressed = m_eCaptureButton;
        // Cleared first: the WM_CAPTURECHANGED of the release must not cancel the press.
        m_pCaptureItem = nullptr;
        m_eCaptureButton = PRESS_NONE;
        if (::GetCapture() == GetHwnd()) ::ReleaseCapture();
        OnCaptureReleased();
    } else {
        item = FindItemFromPoint(x, y);
        if (item == nullptr) return;
    }
    const SkinPoint at = item->GetPosition();
    if (pressed == PRESS_LEFT) {
        item->OnLButtonUp(x - at.x, y - at.y);
    } else {
        item->OnRButtonUp(x - at.x, y - at.y);
    }
}

void CSkinWindow::_CancelPress()
{
    CSkinWindowItem* item = m_pCaptureItem;
    if (item == nullptr) return;
    const PressButton pressed = m_eCaptureButton;
    m_pCaptureItem = nullptr;
    m_eCaptureButton = PRESS_NONE;
    if (::GetCapture() == GetHwnd()) ::ReleaseCapture();
    OnCaptureReleased();
    const POINT point = _GetCursorClientPoint();
    const SkinPoint at = item->GetPosition();
    if (pressed == PRESS_LEFT) {
        item->OnLButtonCancel(point.x - at.x, point.y - at.y);
    } else {
        item->OnRButtonCancel(point.x - at.x, point.y - at.y);
    }
}

void CSkinWindow::OnMouseLeave()
{
    CSkinWindowItem* hot = m_pHotItem;
    m_pHotItem = nullptr;
    if (hot != nullptr) hot->OnMouseLeave();
    CRegionWindow::OnMouseLeave();
}

void CSkinWindow::OnCaptureChanged(HWND gaining)
{
    _CancelPress();
    CRegionWindow::OnCaptureChanged(gaining);
}

void CSkinWindow::_SetHotItem(CSkinWindowItem* item, int x, int y)
{
    if (m_pHotItem != nullptr && m_pHotItem != item) {
        CSkinWindowItem* previous = m_pHotItem;
        m_pHotItem = nullptr;
        previous->OnMouseLeave();
    }
    m_pHotItem = item;
    if (item != nullptr) {
        const SkinPoint at = item->GetPosition();
        item->OnMouseMove(x - at.x, y - at.y);
    }
}

void CSkinWindow::_MoveFocus(CSkinWindowItem* item)
{
    if (item == m_pFocusItem) return;
    CSkinWindowItem* previous = m_pFocusItem;
    m_pFocusItem = item;
    if (previous != nullptr) previous->OnKillFocus();
    if (item != nullptr) item->OnSetFocus();
}

// ---- keyboard, caption, notifications, tick ----

bool CSkinWindow::OnNotify(WPARAM id, NMHDR* header, LRESULT* result)
{
    if (header == nullptr || header->code != TTN_GETDISPINFOA) {
        return CRegionWindow::OnNotify(id, header, result);
    }
    NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    info->szText[0] = '\0';
    info->lpszText = info->szText;
    if (m_pTooltipItem != nullptr && m_pTooltipItem->IsEnabled()) {
        // Cut to the buffer on a character boundary, so no lead byte is left alone at its end.
        const std::string text = m_pTooltipItem->GetTooltipText();
        lib::DbcsCopy(info->szText, sizeof info->szText, text.c_str());
    }
    *result = 0;
    return true;
}

void CSkinWindow::OnDisplayChange(UINT, UINT, UINT) {}

LRESULT CSkinWindow::OnNcHitTest(int x, int y)
{
    POINT point = {x, y};
    ScreenToClient(&point);
    if (point.y < m_nCaptionHeight && FindItemFromPoint(point.x, point.y) == nullptr) {
        return HTCAPTION;
    }
    return CRegionWindow::OnNcHitTest(x, y);
}

void CSkinWindow::OnNcMouseMove(UINT hit, int x, int y)
{
    // Items hear of the mouse over the caption too (their hot look follows it there).
    POINT point = {x, y};
    ScreenToClient(&point);
    SendMessage(WM_MOUSEMOVE, hit,
                MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
    CRegionWindow::OnNcMouseMove(hit, x, y);
}

void CSkinWindow::OnKeyDown(UINT key, LPARAM lParam)
{
    if (key == VK_RETURN) {
        OnDefaultKey(-1, true);
    } else if (key == VK_ESCAPE) {
        OnDefaultKey(-1, false);
    }
    CRegionWindow::OnKeyDown(key, lParam);
}

void CSkinWindow::OnCommand(UINT id, UINT code, HWND control)
{
    CRegionWindow::OnCommand(id, code, control);
}

void CSkinWindow::OnTimer(UINT_PTR id)
{
    if (id != kSkinTickTimerId) {
        CRegionWindow::OnTimer(id);
        return;
    }
    const DWORD tick = ::GetTickCount();
    // By index: an item may add items while it ticks.
    for (size_t i = 0; i < m_vItem.size(); ++i) m_vItem[i]->OnTick(tick);
    m_tooltipActivator._OnTick();
}

// ---- own operations ----

CSkinImageRef CSkinWindow::GetActiveImage()
{
    return m_pImageCache ? m_pImageCache->FindImage(m_strActiveImage) : CSkinImageRef();
}

CSkinImageRef CSkinWindow::GetInactiveImage()
{
    return m_pImageCache ? m_pImageCache->FindImage(m_strInactiveImage) : CSkinImageRef();
}

RECT CSkinWindow::GetImageCutRect() { return m_rcImageCut; }

SkinSize CSkinWindow::GetImageCutSize()
{
    return SkinSize{m_rcImageCut.right - m_rcImageCut.left, m_rcImageCut.bottom - m_rcImageCut.top};
}

SkinSize CSkinWindow::GetDesignSize() { return GetImageCutSize(); }

RECT CSkinWindow::GetMinTrackRect()
{
    const SkinSize design = GetDesignSize();
    RECT rect = {0, 0, design.cx, design.cy};
    return rect;
}

void CSkinWindow::OnCaptureReleased() {}

void CSkinWindow::ApplySkin(const SkinBlock& block)
{
    CheckKeywordGroup(block, WindowKeywords(), keyword::kWindowRequired);
    const SkinValues& image = block.m_mapKeyword.at("Image");
    m_strActiveImage = image[0];
    m_rcImageCut = ToRect(image, 1);
    m_strInactiveImage = block.m_mapKeyword.at("ImageInactive")[0];
    m_strTitle = block.m_mapKeyword.at("Title")[0];
    m_nCaptionHeight = SkinValueToInt(block.m_mapKeyword.at("CaptionHeight"), 0);
    m_pFont = CreateSkinFont(block.m_mapKeyword.at(kFontKeyword), 0, false);
    if (!m_pImageCache) m_pImageCache.reset(new SkinImageCache);
    m_pImageCache->GetImage(m_strActiveImage);
    m_pImageCache->GetImage(m_strInactiveImage);
}

void CSkinWindow::DeleteAllItems()
{
    _DeleteItems();
}

void CSkinWindow::DrawBackground(int x, int y, lib::wfc::CDIB& buffer, CSkinImageRef& image,
                                 const RECT* clip)
{
    const bool wasLocked = image.IsLocked();
    const lib::wfc::CDIB* picture = image.Lock();
    if (picture != nullptr) {
        const RECT area = {x, y, x + picture->GetWidth(), y + picture->GetHeight()};
        lib::wfc::CDIBClipScope narrowed(buffer, clip != nullptr ? *clip : area);
        buffer.Blt(x, y, picture->GetWidth(), picture->GetHeight(), *picture, m_rcImageCut.left,
                   m_rcImageCut.top, lib::wfc::kNoKeyColor);
    }
    if (!wasLocked) image.Unlock();
}

bool CSkinWindow::UpdateBuffer(UINT, int width, int height)
{
    _RebuildBuffer(width, height);
    return true;
}

void CSkinWindow::OnDefaultKey(int32_t, bool) {}
bool CSkinWindow::FilterKey(UINT, LPARAM) { return false; }
void CSkinWindow::OnBeforeRelayout() {}

// ---- accessor ----

bool CSkinWindow::IsReady()
{
    return HasWindow() && m_pBackBuffer != nullptr;
}

CSkinWindowItem* CSkinWindow::FindItemFromPoint(int32_t x, int32_t y)
{
    for (auto it = m_vItem.rbegin(); it != m_vItem.rend(); ++it) {
        CSkinWindowItem* item = *it;
        if (item->IsVisible() && item->IsHitTestable() && item->GetRect().Contains(x, y)) {
            return item;
        }
    }
    return nullptr;
}

SkinImageCache* CSkinWindow::GetImageCache() { return m_pImageCache.get(); }
lib::wfc::CDIB* CSkinWindow::GetBackBuffer() { return m_pBackBuffer.get(); }

void CSkinWindow::RedrawRect(int32_t left, int32_t top, int32_t right, int32_t bottom, bool)
{
    if (!IsReady()) return;
    // The window is updated when the outermost suspension ends: at the end of this call
    // unless a caller suspended redraw around it, whatever the caller asked.
    CRedrawSuspension suspension(this);
    lib::wfc::CDIB& buffer = *m_pBackBuffer;
    const RECT asked = {left, top, right, bottom};
    lib::wfc::CDIBClipScope narrowed(buffer, asked);

    // One pass in drawing order: an item is taken when it meets the rectangle grown so far.
    RECT dirty = asked;
    for (CSkinWindowItem* item : m_vItem) {
        const RECT rect = item->GetRect().ToRECT();
        if (item->IsVisible() && RectsMeet(rect, dirty)) ::UnionRect(&dirty, &dirty, &rect);
    }
    CSkinImageRef background = GetActiveImage();
    DrawBackground(m_ptItemOrigin.x, m_ptItemOrigin.y, buffer, background, &dirty);
    for (size_t i = 0; i < m_vItem.size(); ++i) {
        CSkinWindowItem* item = m_vItem[i];
        if (item->IsVisible() && RectsMeet(item->GetRect().ToRECT(), dirty)) item->Draw();
    }
    InvalidateRect(&dirty, false);
}

bool CSkinWindow::PostItemCommand(int32_t id, int32_t event, LPARAM)
{
    if (event != ITEM_EVENT_CLICK || !HasWindow()) return false;
    return PostMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 1), 0);
}

void CSkinWindow::NotifyEnter(int32_t id) { OnDefaultKey(id, true); }
void CSkinWindow::NotifyEscape(int32_t id) { OnDefaultKey(id, false); }

bool CSkinWindow::ForwardKey(UINT key, LPARAM keyData)
{
    if (!FilterKey(key, keyData)) return false;
    PostMessage(WM_KEYDOWN, key, keyData);
    return true;
}

LRESULT CSkinWindow::SendItemMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return HasWindow() ? SendMessage(message, wParam, lParam) : 0;
}

CSkinWindowItem* CSkinWindow::GetCaptureItem() { return m_pCaptureItem; }

bool CSkinWindow::HasWindow() { return IsWindow(); }

void CSkinWindow::SetTooltip(CSkinWindowItem* item)
{
    if (item == nullptr || !IsReady() || m_hTooltip == nullptr) return;
    TTTOOLINFOA& info = _ToolInfoOf(item);
    const LPARAM record = reinterpret_cast<LPARAM>(&info);
    switch (item->GetToolState()) {
    case TOOL_ADD:
        ::SendMessageA(m_hTooltip, TTM_DELTOOLA, 0, record);
        if (!::SendMessageA(m_hTooltip, TTM_ADDTOOLA, 0, record)) {
            TOLVE_LOG(LOG_ERROR, "TTM_ADDTOOL ID:%d", item->GetId());
        }
        item->SetToolState(TOOL_ADDED);
        break;
    case TOOL_ADDED:
        ::SendMessageA(m_hTooltip, TTM_NEWTOOLRECTA, 0, record);
        ::SendMessageA(m_hTooltip, TTM_UPDATETIPTEXTA, 0, record);
        break;
    case TOOL_REMOVE:
        ::SendMessageA(m_hTooltip, TTM_DELTOOLA, 0, record);
        break;
    default:
        break;
    }
}

bool CSkinWindow::SuspendRedraw(bool suspend)
{
    const bool previous = m_bRedrawSuspended;
    m_bRedrawSuspended = suspend;
    if (previous && !suspend && HasWindow()) UpdateWindow();
    return previous;
}

CSkinWindowItem* CSkinWindow::GetItemById(int32_t id)
{
    for (auto it = m_vItem.rbegin(); it != m_vItem.rend(); ++it) {
        if ((*it)->GetId() == id) return *it;
    }
    return nullptr;
}

void CSkinWindow::RefreshTooltips()
{
    for (CSkinWindowItem* item : m_vItem) {
        if (item->GetToolState() == TOOL_NONE) continue;
        item->SetToolState(item->IsVisible() ? TOOL_ADD : TOOL_REMOVE);
    }
    _RefreshToolRects();
}

// ---- building ----

void CSkinWindow::LoadSkin(SkinDefinition& definition, const char* skinName,
                           const char* blockName, bool region)
{
    definition = LoadSkinDefinition(skinName, nullptr);
    const std::string windowBlock = blockName != nullptr ? blockName : "";
    const auto base = definition.m_mapBlock.find(windowBlock);
    if (base != definition.m_mapBlock.end() && base->second.Has(kFontKeyword)) {
        const SkinValues font = base->second.m_mapKeyword.at(kFontKeyword);
        for (auto& block : definition.m_mapBlock) {
            if (!block.second.Has(kFontKeyword)) block.second.m_mapKeyword[kFontKeyword] = font;
        }
    }
    if (!m_pImageCache) m_pImageCache.reset(new SkinImageCache);
    m_bRegion = region;
    ApplySkin(GetSkinBlock(definition, windowBlock));
}

CSkinWindowItem* CSkinWindow::AddItem(CSkinWindowItem* item)
{
    if (item == nullptr) return nullptr;
    std::unique_ptr<CSkinWindowItem, SkinItemDisposer> owned(item);
    const auto same = std::find_if(m_vItem.begin(), m_vItem.end(), [&](CSkinWindowItem* other) {
        return other->GetId() == item->GetId();
    });
    if (same != m_vItem.end()) {
        std::unique_ptr<CSkinWindowItem, SkinItemDisposer> old(*same);
        _Forget(old.get());
        *same = owned.release();
    } else {
        m_vItem.push_back(item);
        owned.release();
    }
    // An item added to a living window is attached and shown at once.
    if (IsReady()) {
        item->OnAttach(GetHwnd(), m_ptItemOrigin.x, m_ptItemOrigin.y);
        item->GetToolInfo().rect = item->GetRect().ToRECT();
        SetTooltip(item);
        const SkinRect rect = item->GetRect();
        RedrawRect(rect.left, rect.top, rect.right, rect.bottom, false);
    }
    return item;
}

void CSkinWindow::CheckRadioButton(const int32_t* ids, size_t count, int32_t selected)
{
    for (size_t i = 0; i < count; ++i) {
        CSkinWindowItem* item = GetItemById(ids[i]);
        if (item == nullptr) continue;
        item->OnMessage(ITEM_MESSAGE_GET_CHECK, 0, 0);
        item->OnMessage(ITEM_MESSAGE_SET_CHECK, ids[i] == selected ? 1 : 0, 0);
    }
}

void CSkinWindow::ClickItem(int32_t id)
{
    if (!HasWindow() || !::IsWindowEnabled(GetHwnd())) return;
    CSkinWindowItem* item = GetItemById(id);
    if (item == nullptr || !item->IsEnabled()) return;
    PostMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 1), 0);
}

void CSkinWindow::CenterWindow(HWND window, HWND parent)
{
    lib::wfc::CenterWindow(window, parent);
}

HFONT CSkinWindow::GetFont() const
{
    return m_pFont ? m_pFont->GetHandle() : nullptr;
}

// ---- inside ----

void CSkinWindow::_RefreshLook(bool inactive)
{
    _CancelPress();
    _ApplyCaptionLook(inactive);
    if (!IsReady()) return;
    const SkinSize client = _GetClientSize();
    _RebuildBuffer(client.cx, client.cy);
    _ApplyRegion();
    InvalidateRect(nullptr, false);
}

void CSkinWindow::_ApplyCaptionLook(bool inactive)
{
    // The look of the close, minimise and third caption buttons: each button item keeps it as
    // a flag of its own, set here; a caption button made later takes IsInactiveLook() from
    // the button factory. The caller redraws.
    m_bInactiveLook = inactive;
    for (CSkinWindowItem* item : {m_pCloseButton, m_pMinimizeButton, m_pThirdButton}) {
        // Only button items have the look.
        CSkinWindowItemButton* button = dynamic_cast<CSkinWindowItemButton*>(item);
        if (button != nullptr) button->SetInactiveLook(inactive);
    }
}

void CSkinWindow::_RebuildBuffer(int width, int height)
{
    std::unique_ptr<lib::wfc::CDIB> buffer(new lib::wfc::CDIB);
    {
        lib::wfc::CClientDC dc(this);
        buffer->Create(dc.GetHDC(), std::max(width, 1), std::max(height, 1), 24);
    }
    buffer->Fill(0);
    m_pBackBuffer = std::move(buffer);
    _RedrawAll();
    _RebuildRegion();
    _RefreshToolRects();
}

void CSkinWindow::_RedrawAll()
{
    if (!m_pBackBuffer) return;
    CSkinImageRef background = GetActiveImage();
    DrawBackground(m_ptItemOrigin.x, m_ptItemOrigin.y, *m_pBackBuffer, background, nullptr);
    for (size_t i = 0; i < m_vItem.size(); ++i) {
        if (m_vItem[i]->IsVisible()) m_vItem[i]->Draw();
    }
}

void CSkinWindow::_RebuildRegion()
{
    // Only a shaped window keeps a region.
    if (!m_bRegion || !m_pBackBuffer) return;
    HRGN region = CreateRegionFromDIB(*m_pBackBuffer, 0, 0, m_pBackBuffer->GetWidth(),
                                      m_pBackBuffer->GetHeight(), kSkinKeyColor);
    if (m_hRegion != nullptr) ::DeleteObject(m_hRegion);
    m_hRegion = region;
}

void CSkinWindow::_ApplyRegion()
{
    if (m_bRegion && m_hRegion != nullptr && HasWindow()) SetWindowRegion(m_hRegion);
}

void CSkinWindow::_RefreshToolRects()
{
    // Each tool covers its whole item again; SetTooltip keeps the rectangle an item set (a
    // list's tool covers the part under the mouse).
    for (CSkinWindowItem* item : m_vItem) {
        item->GetToolInfo().rect = item->GetRect().ToRECT();
        SetTooltip(item);
    }
}

void CSkinWindow::_CreateTooltip()
{
    m_hTooltip = lib::wfc::CreateWindowExChecked(
        WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetHwnd(), nullptr);
    ::SendMessageA(m_hTooltip, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
    _RefreshToolRects();
    m_tooltipActivator.Attach(m_hTooltip, false);
    if (m_pFont) {
        ::SendMessageA(m_hTooltip, WM_SETFONT, reinterpret_cast<WPARAM>(m_pFont->GetHandle()),
                       FALSE);
    }
}

void CSkinWindow::_DeleteTool(CSkinWindowItem* item)
{
    if (m_hTooltip == nullptr || item->GetToolState() == TOOL_NONE) return;
    ::SendMessageA(m_hTooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&_ToolInfoOf(item)));
    item->SetToolState(TOOL_REMOVE);
}

TTTOOLINFOA& CSkinWindow::_ToolInfoOf(CSkinWindowItem* item)
{
    TTTOOLINFOA& info = item->GetToolInfo();
    info.cbSize = sizeof info;
    info.uFlags = TTF_SUBCLASS;
    info.hwnd = GetHwnd();
    info.uId = static_cast<UINT_PTR>(static_cast<uint32_t>(item->GetId()));
    info.hinst = lib::wfc::GetModuleInstance();
    return info;
}

void CSkinWindow::_Forget(CSkinWindowItem* item)
{
    if (m_pCaptureItem == item) {
        // Cleared before the capture goes: its WM_CAPTURECHANGED must call nothing on the
        // item being deleted.
        m_pCaptureItem = nullptr;
        m_eCaptureButton = PRESS_NONE;
        if (HasWindow() && ::GetCapture() == GetHwnd()) ::ReleaseCapture();
        OnCaptureReleased();
    }
    if (m_pTooltipItem == item) m_pTooltipItem = nullptr;
    if (m_pHotItem == item) m_pHotItem = nullptr;
    if (m_pFocusItem == item) m_pFocusItem = nullptr;
    if (m_pCloseButton == item) m_pCloseButton = nullptr;
    if (m_pMinimizeButton == item) m_pMinimizeButton = nullptr;
    if (m_pThirdButton == item) m_pThirdButton = nullptr;
    _DeleteTool(item);
}

void CSkinWindow::_DeleteItems()
{
    std::vector<CSkinWindowItem*> items;
    items.swap(m_vItem);
    for (CSkinWindowItem* item : items) _Forget(item);
    m_eCaptureButton = PRESS_NONE;
    for (CSkinWindowItem* item : items) item->Dispose();
}

SkinSize CSkinWindow::_GetClientSize() const
{
    RECT client = {};
    if (!GetClientRect(&client)) return SkinSize{0, 0};
    return SkinSize{client.right - client.left, client.bottom - client.top};
}

POINT CSkinWindow::_GetCursorClientPoint() const
{
    POINT point = {};
    ::GetCursorPos(&point);
    ScreenToClient(&point);
    return point;
}

} // namespace ui
