#include "skin/LayoutManager.h"

#include <algorithm>
#include <climits>

namespace ui {

namespace {

// Sizes and offsets come from skins and from the system; the sums are done wide so that no
// extreme value overflows.
int32_t Clamp32(int64_t value)
{
    return static_cast<int32_t>(std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, value)));
}

int32_t EdgeOf(const SkinRect& rect, int32_t edge)
{
    switch (edge) {
    case EDGE_LEFT: return rect.left;
    case EDGE_TOP: return rect.top;
    case EDGE_RIGHT: return rect.right;
    default: return rect.bottom;
    }
}

bool IsHorizontal(int32_t edge) { return edge == EDGE_LEFT || edge == EDGE_RIGHT; }

} // namespace

CLayoutManager::CLayoutManager() = default;
CLayoutManager::~CLayoutManager() = default;

int32_t CLayoutManager::AnchorOffset(int32_t kind, int32_t edge, int32_t design)
{
    switch (kind) {
    case ANCHOR_NEAR: return edge;
    case ANCHOR_FAR:
    case ANCHOR_MIDDLE: return Clamp32(static_cast<int64_t>(edge) - design);
    default: return 0;
    }
}

int32_t CLayoutManager::AnchoredEdge(int32_t kind, int32_t offset, int32_t current, int32_t size,
                                     int32_t design)
{
    switch (kind) {
    case ANCHOR_NEAR: return offset;
    case ANCHOR_FAR: return Clamp32(static_cast<int64_t>(size) + offset);
    case ANCHOR_MIDDLE:
        // Integer division truncates toward zero, as the layouts were made with.
        return Clamp32((static_cast<int64_t>(size) - design) / 2 + design + offset);
    default: return current;
    }
}

void CLayoutManager::SetAnchor(int32_t id, int32_t left, int32_t top, int32_t right,
                               int32_t bottom)
{
    CSkinWindowItem* item = GetItemById(id);
    if (item == nullptr) return;
    const SkinRect rect = item->GetRect();
    const SkinSize design = GetDesignSize();
    AnchorEntry entry = {id, {left, top, right, bottom}, {0, 0, 0, 0}};
    for (int32_t edge = EDGE_LEFT; edge <= EDGE_BOTTOM; ++edge) {
        entry.m_nOffset[edge] = AnchorOffset(entry.m_nKind[edge], EdgeOf(rect, edge),
                                             IsHorizontal(edge) ? design.cx : design.cy);
    }
    const auto same = std::find_if(m_vAnchor.begin(), m_vAnchor.end(),
                                   [id](const AnchorEntry& other) { return other.m_nId == id; });
    if (same != m_vAnchor.end()) {
        *same = entry;
    } else {
        m_vAnchor.push_back(entry);
    }
}

void CLayoutManager::ClearAnchors()
{
    m_vAnchor.clear();
}

void CLayoutManager::Layout(int32_t width, int32_t height)
{
    const SkinSize design = GetDesignSize();
    // By index: an item's SetRect may reach back into the window.
    for (size_t i = 0; i < m_vAnchor.size(); ++i) {
        const AnchorEntry entry = m_vAnchor[i];
        CSkinWindowItem* item = GetItemById(entry.m_nId);
        if (item == nullptr) continue;
        const SkinRect current = item->GetRect();
        int32_t edges[4];
        for (int32_t edge = EDGE_LEFT; edge <= EDGE_BOTTOM; ++edge) {
            const bool horizontal = IsHorizontal(edge);
            edges[edge] = AnchoredEdge(entry.m_nKind[edge], entry.m_nOffset[edge],
                                       EdgeOf(current, edge), horizontal ? width : height,
                                       horizontal ? design.cx : design.cy);
        }
        const SkinRect moved = {edges[EDGE_LEFT], edges[EDGE_TOP], edges[EDGE_RIGHT],
                                edges[EDGE_BOTTOM]};
        if (moved.left != current.left || moved.top != current.top ||
            moved.right != current.right || moved.bottom != current.bottom) {
            item->SetRect(moved);
        }
    }
}

} // namespace ui
