#pragma once
// Anchored layout: moves and stretches a window's items when the window's size differs from
// the size its skin was designed for. Each anchored item keeps, per edge, how the edge
// follows the window and an offset taken from the item's rectangle at the design size:
//
//     window.SetAnchor(kListKey.m_nId, ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_FAR);
//     ...
//     window.Layout(width, height);   // the list grows with the window
//
// The resizable window lays its items out whenever its back buffer is rebuilt.

#include "skin/SkinWindowItem.h"

#include <cstdint>
#include <vector>

namespace ui {

// How an edge follows a new size S (the width for left and right, the height for top and
// bottom) of a window designed at size D.
enum AnchorKind : int32_t {
    ANCHOR_NONE = 0,    // stays where it is
    ANCHOR_NEAR = 1,    // keeps its distance from the left or top: offset = edge
    ANCHOR_FAR = 2,     // keeps its distance from the right or bottom: S + (edge - D)
    ANCHOR_MIDDLE = 3,  // moves by half the growth: (S - D) / 2 + D + (edge - D), toward zero
};

// Edges in the order of an anchor entry.
enum AnchorEdge : int32_t {
    EDGE_LEFT = 0,
    EDGE_TOP = 1,
    EDGE_RIGHT = 2,
    EDGE_BOTTOM = 3,
};

struct AnchorEntry {
    int32_t m_nId;
    int32_t m_nKind[4];     // AnchorKind per AnchorEdge
    int32_t m_nOffset[4];
};

class CLayoutManager {
public:
    CLayoutManager();
    virtual ~CLayoutManager();

    // Gives every anchored item its edges for the size; an item whose rectangle would not
    // change is left alone, one that would gets its SetRect. Entries of items that are gone
    // are skipped.
    virtual void Layout(int32_t width, int32_t height);
    virtual CSkinWindowItem* GetItemById(int32_t id) = 0;
    virtual SkinSize GetDesignSize() = 0;

    // Anchors the item by its current rectangle, which must be its rectangle at the design
    // size. An item anchored again keeps its place among the entries with the new anchors.
    // Nothing is anchored for an id that names no item.
    void SetAnchor(int32_t id, int32_t left, int32_t top, int32_t right, int32_t bottom);
    void ClearAnchors();
    const std::vector<AnchorEntry>& GetAnchors() const { return m_vAnchor; }

    // The offset an edge at `edge` keeps for its kind, at design size `design`.
    static int32_t AnchorOffset(int32_t kind, int32_t edge, int32_t design);
    // Where the edge goes at `size`; `current` is where it is now (kept by ANCHOR_NONE and by
    // an unknown kind).
    static int32_t AnchoredEdge(int32_t kind, int32_t offset, int32_t current, int32_t size,
                                int32_t design);

private:
    std::vector<AnchorEntry> m_vAnchor;
};

} // namespace ui
