// The layout manager on its own: where each kind of anchor puts an edge as the size grows
// and shrinks, that the design size moves nothing, that anchoring again replaces an entry in
// place, and that items gone or unchanged are left alone.

#include "lib/StringUtility.h"
#include "skin/LayoutManager.h"
#include "skin/SkinWindowItem.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using lib::FormatString;
using ui::ANCHOR_FAR;
using ui::ANCHOR_MIDDLE;
using ui::ANCHOR_NEAR;
using ui::ANCHOR_NONE;
using ui::SkinRect;

namespace {

// An item that the layout may stretch, counting the rectangles it is given.
class CStretchItem : public ui::CSkinWindowItem {
public:
    CStretchItem(int32_t id, const SkinRect& rect) : ui::CSkinWindowItem(nullptr, id)
    {
        SetBounds(rect.left, rect.top, rect.right, rect.bottom);
    }
    void SetRect(const SkinRect& rect) override
    {
        ++m_nSetRect;
        SetBounds(rect.left, rect.top, rect.right, rect.bottom);
    }
    int m_nSetRect = 0;
};

class CTestLayout : public ui::CLayoutManager {
public:
    explicit CTestLayout(ui::SkinSize design) : m_design(design) {}
    CStretchItem* Add(int32_t id, const SkinRect& rect)
    {
        m_vItem.emplace_back(new CStretchItem(id, rect));
        return m_vItem.back().get();
    }
    void Remove(int32_t id)
    {
        for (auto it = m_vItem.begin(); it != m_vItem.end(); ++it) {
            if ((*it)->GetId() == id) {
                m_vItem.erase(it);
                return;
            }
        }
    }
    ui::CSkinWindowItem* GetItemById(int32_t id) override
    {
        for (auto& item : m_vItem) {
            if (item->GetId() == id) return item.get();
        }
        return nullptr;
    }
    ui::SkinSize GetDesignSize() override { return m_design; }

private:
    ui::SkinSize m_design;
    std::vector<std::unique_ptr<CStretchItem>> m_vItem;
};

std::string Text(const SkinRect& rect)
{
    return FormatString("%d,%d,%d,%d", rect.left, rect.top, rect.right, rect.bottom);
}

const ui::SkinSize kDesign = {300, 200};
const SkinRect kItem = {10, 20, 110, 70};

TEST(LayoutManagerTest, EachKindOfAnchorFollowsTheSize)
{
    const struct {
        const char* what;
        int kinds[4];   // left, top, right, bottom
        int width;
        int height;
        const char* rect;
    } cases[] = {
        {"near: fixed distance from the left and top", {1, 1, 1, 1}, 400, 300, "10,20,110,70"},
        {"far: fixed distance from the right and bottom", {2, 2, 2, 2}, 400, 300,
         "110,120,210,170"},
        {"stretched by the growth", {1, 1, 2, 2}, 400, 300, "10,20,210,170"},
        {"stretched, shrinking", {1, 1, 2, 2}, 250, 150, "10,20,60,20"},
        {"stretched past its own size", {1, 1, 2, 2}, 150, 100, "10,20,-40,-30"},
        {"half of the growth: 100 wider moves it 50", {3, 3, 3, 3}, 400, 300, "60,70,160,120"},
        {"half of an odd growth, toward zero", {3, 3, 3, 3}, 401, 301, "60,70,160,120"},
        {"half of an odd shrink, toward zero", {3, 3, 3, 3}, 199, 99, "-40,-30,60,20"},
        {"centred and stretched", {3, 1, 2, 3}, 500, 260, "110,20,310,100"},
        {"stays: kind 0 keeps the edge where it is", {0, 2, 0, 2}, 400, 300, "10,120,110,170"},
        {"an unknown kind keeps the edge", {7, 1, -1, 1}, 400, 300, "10,20,110,70"},
        {"a zero size", {2, 2, 2, 2}, 0, 0, "-290,-180,-190,-130"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CTestLayout layout(kDesign);
        CStretchItem* item = layout.Add(5, kItem);
        layout.SetAnchor(5, c.kinds[0], c.kinds[1], c.kinds[2], c.kinds[3]);
        layout.Layout(c.width, c.height);
        EXPECT_EQ(Text(item->GetRect()), c.rect);
        // And back at the design size, every kind puts the item where it was designed.
        layout.Layout(kDesign.cx, kDesign.cy);
        EXPECT_EQ(Text(item->GetRect()), Text(kItem));
    }
}

TEST(LayoutManagerTest, TheDesignSizeMovesNothing)
{
    CTestLayout layout(kDesign);
    std::vector<CStretchItem*> items;
    for (int kind = ANCHOR_NONE; kind <= ANCHOR_MIDDLE; ++kind) {
        items.push_back(layout.Add(kind, SkinRect{kind * 7, kind * 5, 300 - kind, 199 - kind}));
        layout.SetAnchor(kind, kind, kind, kind, kind);
    }
    layout.Layout(kDesign.cx, kDesign.cy);
    for (CStretchItem* item : items) EXPECT_EQ(item->m_nSetRect, 0) << item->GetId();

    // A size that changes only the height leaves the items anchored only across alone.
    layout.Layout(kDesign.cx, 260);
    EXPECT_EQ(items[ANCHOR_NEAR]->m_nSetRect, 0);
    EXPECT_EQ(items[ANCHOR_FAR]->m_nSetRect, 1);
}

TEST(LayoutManagerTest, AnchoringAgainReplacesTheEntryInPlace)
{
    CTestLayout layout(kDesign);
    layout.Add(1, kItem);
    layout.Add(2, SkinRect{0, 0, 50, 50});
    layout.SetAnchor(1, ANCHOR_FAR, ANCHOR_FAR, ANCHOR_FAR, ANCHOR_FAR);
    layout.SetAnchor(2, ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_FAR);
    layout.SetAnchor(1, ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_FAR);
    ASSERT_EQ(layout.GetAnchors().size(), 2u);
    const ui::AnchorEntry& first = layout.GetAnchors()[0];
    EXPECT_EQ(first.m_nId, 1);
    EXPECT_EQ(FormatString("%d %d %d %d / %d %d %d %d", first.m_nKind[0], first.m_nKind[1],
                           first.m_nKind[2], first.m_nKind[3], first.m_nOffset[0],
                           first.m_nOffset[1], first.m_nOffset[2], first.m_nOffset[3]),
              "1 1 1 2 / 10 20 110 -130");
    layout.Layout(400, 300);
    EXPECT_EQ(Text(layout.GetItemById(1)->GetRect()), "10,20,110,170");
    EXPECT_EQ(Text(layout.GetItemById(2)->GetRect()), "0,0,150,150");
}

TEST(LayoutManagerTest, ItemsThatAreGoneAreSkipped)
{
    CTestLayout layout(kDesign);
    layout.Add(1, kItem);
    CStretchItem* kept = layout.Add(2, kItem);
    layout.SetAnchor(3, ANCHOR_FAR, ANCHOR_FAR, ANCHOR_FAR, ANCHOR_FAR);
    EXPECT_TRUE(layout.GetAnchors().empty()) << "no item, no entry";
    layout.SetAnchor(1, ANCHOR_FAR, ANCHOR_FAR, ANCHOR_FAR, ANCHOR_FAR);
    layout.SetAnchor(2, ANCHOR_FAR, ANCHOR_FAR, ANCHOR_FAR, ANCHOR_FAR);
    layout.Remove(1);
    layout.Layout(400, 300);
    EXPECT_EQ(Text(kept->GetRect()), "110,120,210,170");

    layout.ClearAnchors();
    layout.Layout(300, 200);
    EXPECT_EQ(Text(kept->GetRect()), "110,120,210,170");
}

} // namespace
