#include "skin/ResizableSkinWindow.h"

#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinKeywordTable.h"
#include "skin/SkinValue.h"

#include <algorithm>

namespace ui {

namespace {

// Zones by row band (top border, top corner, caption, middle, bottom corner, bottom border)
// and column band (left border, left corner, middle, right corner, right border).
const int32_t kZoneTable[6][5] = {
    {ZONE_TOP_LEFT, ZONE_TOP_LEFT, ZONE_TOP, ZONE_TOP_RIGHT, ZONE_TOP_RIGHT},
    {ZONE_TOP_LEFT, ZONE_TOP_LEFT, ZONE_CAPTION, ZONE_TOP_RIGHT, ZONE_TOP_RIGHT},
    {ZONE_LEFT, ZONE_CLIENT, ZONE_CLIENT, ZONE_CLIENT, ZONE_RIGHT},
    {ZONE_LEFT, ZONE_CLIENT, ZONE_CLIENT, ZONE_CLIENT, ZONE_RIGHT},
    {ZONE_BOTTOM_LEFT, ZONE_BOTTOM_LEFT, ZONE_CLIENT, ZONE_BOTTOM_RIGHT, ZONE_BOTTOM_RIGHT},
    {ZONE_BOTTOM_LEFT, ZONE_BOTTOM_LEFT, ZONE_BOTTOM, ZONE_BOTTOM_RIGHT, ZONE_BOTTOM_RIGHT},
};

// The first band [edges[i], edges[i + 1]) that holds the value, or -1.
template <size_t N>
int BandOf(int64_t value, const int64_t (&edges)[N])
{
    for (size_t i = 0; i + 1 < N; ++i) {
        if (value >= edges[i] && value < edges[i + 1]) return static_cast<int>(i);
    }
    return -1;
}

bool MovesLeft(int32_t zone)
{
    return zone == ZONE_TOP_LEFT || zone == ZONE_LEFT || zone == ZONE_BOTTOM_LEFT;
}
bool MovesRight(int32_t zone)
{
    return zone == ZONE_TOP_RIGHT || zone == ZONE_RIGHT || zone == ZONE_BOTTOM_RIGHT;
}
bool MovesTop(int32_t zone)
{
    return zone == ZONE_TOP_LEFT || zone == ZONE_TOP || zone == ZONE_TOP_RIGHT;
}
bool MovesBottom(int32_t zone)
{
    return zone == ZONE_BOTTOM_LEFT || zone == ZONE_BOTTOM || zone == ZONE_BOTTOM_RIGHT;
}

bool SizingMovesLeft(UINT edge)
{
    return edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
}
bool SizingMovesRight(UINT edge)
{
    return edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
}
bool SizingMovesTop(UINT edge)
{
    return edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
}
bool SizingMovesBottom(UINT edge)
{
    return edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
}

} // namespace

CResizableSkinWindow::CResizableSkinWindow()
    : m_nBorderWidth(0)
    , m_backgroundCells()
    , m_sizeMin{0, 0}
    , m_sizeDesign{0, 0}
    , m_nDragZone(ZONE_OUTSIDE)
    , m_ptDragStart{0, 0}
    , m_rcDragStart()
    , m_rcDragLimit()
    , m_bResizable(true)
{
}

CResizableSkinWindow::~CResizableSkinWindow() = default;

// ---- the rules ----

int32_t CResizableSkinWindow::ResizeZoneAt(int32_t x, int32_t y, const RECT& client,
                                           int32_t borderWidth, int32_t captionHeight)
{
    const int64_t b = borderWidth;
    const int64_t c = borderWidth != 0 ? kResizeCornerSize : 0;
    const int64_t columns[] = {client.left, client.left + b, client.left + c, client.right - c,
                               client.right - b, client.right};
    const int64_t rows[] = {client.top,         client.top + b,    client.top + c,
                            client.top + c + captionHeight,        client.bottom - c,
                            client.bottom - b,  client.bottom};
    const int column = BandOf(x, columns);
    const int row = BandOf(y, rows);
    if (column < 0 || row < 0) return ZONE_OUTSIDE;
    return kZoneTable[row][column];
}

bool CResizableSkinWindow::IsResizeZone(int32_t zone)
{
    return zone >= ZONE_TOP_LEFT && zone <= ZONE_BOTTOM_RIGHT && zone != ZONE_CLIENT;
}

LPCSTR CResizableSkinWindow::ResizeCursorOf(int32_t zone)
{
    switch (zone) {
    case ZONE_TOP_LEFT:
    case ZONE_BOTTOM_RIGHT: return IDC_SIZENWSE;
    case ZONE_TOP:
    case ZONE_BOTTOM: return IDC_SIZENS;
    case ZONE_TOP_RIGHT:
    case ZONE_BOTTOM_LEFT: return IDC_SIZENESW;
    case ZONE_LEFT:
    case ZONE_RIGHT: return IDC_SIZEWE;
    default: return nullptr;
    }
}

UINT CResizableSkinWindow::SizingEdgeOf(int32_t zone)
{
    switch (zone) {
    case ZONE_TOP_LEFT: return WMSZ_TOPLEFT;
    case ZONE_TOP: return WMSZ_TOP;
    case ZONE_TOP_RIGHT: return WMSZ_TOPRIGHT;
    case ZONE_LEFT: return WMSZ_LEFT;
    case ZONE_RIGHT: return WMSZ_RIGHT;
    case ZONE_BOTTOM_LEFT: return WMSZ_BOTTOMLEFT;
    case ZONE_BOTTOM: return WMSZ_BOTTOM;
    case ZONE_BOTTOM_RIGHT: return WMSZ_BOTTOMRIGHT;
    default: return 0;
    }
}

RECT CResizableSkinWindow::DragLimits(int32_t zone, const RECT& start, SkinSize minimum)
{
    // Only the dragged edges are limited, each by the minimum from the edge that stays.
    RECT limits = start;
    if (MovesLeft(zone)) limits.left = start.right - minimum.cx;
    if (MovesTop(zone)) limits.top = start.bottom - minimum.cy;
    if (MovesRight(zone)) limits.right = start.left + minimum.cx;
    if (MovesBottom(zone)) limits.bottom = start.top + minimum.cy;
    return limits;
}

RECT CResizableSkinWindow::DraggedRect(int32_t zone, const RECT& start, int32_t dx, int32_t dy,
                                       const RECT& limits)
{
    RECT rect = start;
    if (MovesLeft(zone)) rect.left += dx;
    if (MovesRight(zone)) rect.right += dx;
    if (MovesTop(zone)) rect.top += dy;
    if (MovesBottom(zone)) rect.bottom += dy;
    rect.left = std::min(rect.left, limits.left);
    rect.top = std::min(rect.top, limits.top);
    rect.right = std::max(rect.right, limits.right);
    rect.bottom = std::max(rect.bottom, limits.bottom);
    return rect;
}

int32_t CResizableSkinWindow::HitTestResizeZone(int32_t x, int32_t y)
{
    if (FindItemFromPoint(x, y) != nullptr) return ZONE_CLIENT;
    RECT client = {};
    GetClientRect(&client);
    return ResizeZoneAt(x, y, client, m_nBorderWidth, GetCaptionHeight());
}

// ---- window messages ----

bool CResizableSkinWindow::OnSetCursor(LPARAM lParam)
{
    if (m_bResizable && !::IsZoomed(GetHwnd())) {
        POINT point = {};
        ::GetCursorPos(&point);
        ScreenToClient(&point);
        const LPCSTR cursor = ResizeCursorOf(HitTestResizeZone(point.x, point.y));
        if (cursor != nullptr) {
            ::SetCursor(::LoadCursorA(nullptr, cursor));
            return true;
        }
    }
    return CSkinWindow::OnSetCursor(lParam);
}

void CResizableSkinWindow::OnMouseMove(UINT keys, int x, int y)
{
    if (IsDragging() && ::GetCapture() == GetHwnd()) {
        _DragTo(x, y);
        return;
    }
    CSkinWindow::OnMouseMove(keys, x, y);
}

void CResizableSkinWindow::OnLButtonDown(UINT keys, int x, int y)
{
    const int32_t zone = m_bResizable && !::IsZoomed(GetHwnd()) ? HitTestResizeZone(x, y)
                                                                 : ZONE_OUTSIDE;
    if (!IsResizeZone(zone)) {
        CSkinWindow::OnLButtonDown(keys, x, y);
        return;
    }
    ::SetCapture(GetHwnd());
    // Kept once the capture is ours, so that no capture change of the taking ends the drag.
    m_ptDragStart = POINT{x, y};
    ::ClientToScreen(GetHwnd(), &m_ptDragStart);
    GetWindowRect(&m_rcDragStart);
    m_rcDragLimit = DragLimits(zone, m_rcDragStart, m_sizeMin);
    m_nDragZone = zone;
}

void CResizableSkinWindow::OnLButtonUp(UINT keys, int x, int y)
{
    if (!IsDragging()) {
        CSkinWindow::OnLButtonUp(keys, x, y);
        return;
    }
    _DragTo(x, y);
    _EndDrag(true);
}

void CResizableSkinWindow::OnCaptureChanged(HWND gaining)
{
    // Left in a drag, the next release anywhere would run the drag's last step from the old
    // press point: the window would jump on an unrelated click, and the item under that
    // click would never hear of it. So a drag ends here as at a release, where the window is.
    if (IsDragging() && gaining != GetHwnd()) _EndDrag(false);
    CSkinWindow::OnCaptureChanged(gaining);
}

bool CResizableSkinWindow::OnSizing(UINT edge, RECT* rect)
{
    if (edge < WMSZ_LEFT || edge > WMSZ_BOTTOMRIGHT || rect == nullptr) {
        return CSkinWindow::OnSizing(edge, rect);
    }
    const LONG width = ::GetSystemMetrics(SM_CXMAXTRACK);
    const LONG height = ::GetSystemMetrics(SM_CYMAXTRACK);
    if (rect->right - rect->left > width) {
        if (SizingMovesLeft(edge)) rect->left = rect->right - width;
        if (SizingMovesRight(edge)) rect->right = rect->left + width;
    }
    if (rect->bottom - rect->top > height) {
        if (SizingMovesTop(edge)) rect->top = rect->bottom - height;
        if (SizingMovesBottom(edge)) rect->bottom = rect->top + height;
    }
    return true;
}

LRESULT CResizableSkinWindow::OnNcHitTest(int x, int y)
{
    if (m_bResizable) {
        POINT point = {x, y};
        ScreenToClient(&point);
        const int32_t zone = HitTestResizeZone(point.x, point.y);
        // The window drags its frame itself, from client messages.
        if (IsResizeZone(zone)) return HTCLIENT;
        if (zone == ZONE_CAPTION) return HTCAPTION;
    }
    return CSkinWindow::OnNcHitTest(x, y);
}

void CResizableSkinWindow::OnExitSizeMove()
{
    lib::wfc::KeepWindowOnScreen(GetHwnd());
    CSkinWindow::OnExitSizeMove();
}

void CResizableSkinWindow::_DragTo(int x, int y)
{
    // The message's own point: the cursor may have moved on since, and a posted message
    // does not move it at all.
    POINT point = {x, y};
    ::ClientToScreen(GetHwnd(), &point);
    RECT rect = DraggedRect(m_nDragZone, m_rcDragStart, point.x - m_ptDragStart.x,
                            point.y - m_ptDragStart.y, m_rcDragLimit);
    SendMessage(WM_SIZING, SizingEdgeOf(m_nDragZone), reinterpret_cast<LPARAM>(&rect));
    RECT current = {};
    GetWindowRect(&current);
    if (::EqualRect(&rect, &current)) return;
    ::SetWindowPos(GetHwnd(), nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOOWNERZORDER);
}

void CResizableSkinWindow::_EndDrag(bool releaseCapture)
{
    m_nDragZone = ZONE_OUTSIDE;
    if (releaseCapture && ::GetCapture() == GetHwnd()) ::ReleaseCapture();
    SendMessage(WM_EXITSIZEMOVE, 0, 0);
}

// ---- the skin window's operations ----

SkinSize CResizableSkinWindow::GetDesignSize() { return m_sizeDesign; }

RECT CResizableSkinWindow::GetMinTrackRect()
{
    RECT rect = {0, 0, std::max(m_sizeMin.cx, m_sizeDesign.cx),
                 std::max(m_sizeMin.cy, m_sizeDesign.cy)};
    return rect;
}

void CResizableSkinWindow::ApplySkin(const SkinBlock& block)
{
    CSkinWindow::ApplySkin(block);
    CheckKeywordGroup(block, ResizableWindowKeywords(), keyword::kResizableWindowRequired);
    m_nBorderWidth = SkinValueToInt(block.m_mapKeyword.at("BorderWidth"), 0);

    const SkinValues& division = block.m_mapKeyword.at("DivPoint");
    const int32_t x0 = SkinValueToInt(division, 0);
    const int32_t y0 = SkinValueToInt(division, 1);
    const int32_t x1 = SkinValueToInt(division, 2);
    const int32_t y1 = SkinValueToInt(division, 3);
    const RECT cut = GetImageCutRect();
    m_backgroundCells = MakeNineGridCells({cut.left, x0, x1, cut.right},
                                          {cut.top, y0, y1, cut.bottom});

    // The corners alone, unless the skin asks for more (or less).
    m_sizeMin = SkinSize{(x0 - cut.left) + (cut.right - x1), (y0 - cut.top) + (cut.bottom - y1)};
    const SkinValues& minimum = block.m_mapKeyword.at("MinSize");
    if (SkinValueToInt(minimum, 0) != 0) m_sizeMin.cx = SkinValueToInt(minimum, 0);
    if (SkinValueToInt(minimum, 1) != 0) m_sizeMin.cy = SkinValueToInt(minimum, 1);

    const SkinValues& layout = block.m_mapKeyword.at("LayoutSize");
    SetLayoutSize(SkinValueToInt(layout, 0), SkinValueToInt(layout, 1));
}

void CResizableSkinWindow::SetLayoutSize(int32_t width, int32_t height)
{
    m_sizeDesign = SkinSize{width, height};
}

void CResizableSkinWindow::DeleteAllItems()
{
    ClearAnchors();
    CSkinWindow::DeleteAllItems();
}

void CResizableSkinWindow::DrawBackground(int x, int y, lib::wfc::CDIB& buffer,
                                          CSkinImageRef& image, const RECT* clip)
{
    const bool wasLocked = image.IsLocked();
    const lib::wfc::CDIB* picture = image.Lock();
    if (picture != nullptr) {
        const RECT area = {x, y, x + buffer.GetWidth(), y + buffer.GetHeight()};
        DrawNineGrid(buffer, *picture, area, clip, m_backgroundCells, 255, lib::wfc::kNoKeyColor);
    }
    if (!wasLocked) image.Unlock();
}

bool CResizableSkinWindow::UpdateBuffer(UINT type, int width, int height)
{
    Layout(width, height);
    return CSkinWindow::UpdateBuffer(type, width, height);
}

CSkinWindowItem* CResizableSkinWindow::GetItemById(int32_t id)
{
    return CSkinWindow::GetItemById(id);
}

} // namespace ui
