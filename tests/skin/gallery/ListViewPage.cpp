// Gallery page of the list in the product's look: a window made of the classes of the
// product's "Common.txt" alone (FrameWindow, FramePanel, ListView, ScrollBarVertical,
// PushButton), holding a list of cards in three columns under a header, with its scroll bar.
// Looks: a few rows (one marked, the rows beyond them empty), many rows scrolled to the
// middle, the header hovered and pressed, and row buttons with their label in every look.
// What a window's own text would add to the classes is written here.

#include "lib/StringUtility.h"
#include "skin/ButtonListView.h"
#include "skin/ResizableSkinWindow.h"
#include "skin/SkinItemKey.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "skin/SkinWindowItemScrollBar.h"
#include "tests/gallery/Gallery.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

uint16_t g_nKeyId = 2000;
const ui::SkinItemKey kPanel("FramePanel", g_nKeyId);
const ui::SkinItemKey kBar("ScrollBarVertical", g_nKeyId);
const ui::SkinItemKey kList("ListView", g_nKeyId);
const ui::SkinItemKey kUpdate("PushButton", g_nKeyId);
const ui::SkinItemKey kOk("PushButton", g_nKeyId);

struct CardRow {
    std::string m_strName;
    std::string m_strFree;
    std::string m_strType;
};

const CardRow kCards[] = {
    {"NAVI_SD(E:)", "12.4GB", "リムーバブルディスク"},
    {"地図データ(G:)", "3.1GB", "リムーバブルディスク"},
    {"(H:)", "512MB", "リムーバブルディスク"},
    {"ドライブレコーダー(K:)", "28.7GB", "リムーバブルディスク"},
};

class CListSampleWindow : public ui::CResizableSkinWindow,
                          private ui::CButtonListViewListener,
                          private ui::CButtonListViewTableW {
public:
    std::vector<CardRow> m_vRow;
    int32_t m_nMarked = 0;
    ui::CButtonListView* m_pList = nullptr;
    ui::CSkinWindowItemScrollBar* m_pBar = nullptr;

    void ApplySkin(const ui::SkinBlock& block) override
    {
        ui::SkinBlock window = block;
        window.m_mapKeyword["Title"] = {"SDカード選択"};
        window.m_mapKeyword["MinSize"] = {"480", "304"};
        window.m_mapKeyword["LayoutSize"] = {"480", "304"};
        ui::CResizableSkinWindow::ApplySkin(window);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_VSCROLL && m_pList != nullptr) m_pList->OnMessage(message, wParam, lParam);
        return ui::CResizableSkinWindow::WindowProc(message, wParam, lParam);
    }

    void Build(const ui::SkinDefinition& definition)
    {
        CreateResizableStaticImage(kPanel.m_nId, Placed(definition, kPanel, 16, 48, 448, 204));
        m_pBar = CreateScrollBar(kBar.m_nId, Placed(definition, kBar, 442, 52, 18, 196));
        m_pList = new ui::CButtonListView(this, kList.m_nId,
                                          Placed(definition, kList, 20, 52, 422, 196),
                                          GetImageCache(), m_pBar, this);
        m_pList->SetFitColumns(true);
        m_pList->ShowHeader(true);
        const UINT header = DT_VCENTER | DT_SINGLELINE;
        m_pList->AddColumn("名前", DT_LEFT, 180, true, true, false, header);
        m_pList->AddColumn("空き容量", DT_RIGHT, 90, true, false, false, header | DT_RIGHT);
        m_pList->AddColumn("種類", DT_LEFT, 140, true, false, false, header);
        m_pList->SetTable(this);
        m_pList->RecalcColumns();
        m_pList->SetVisible(true);
        AddItem(m_pList);
        for (const auto& button : {std::make_pair(kUpdate, "更新"), std::make_pair(kOk, "OK")}) {
            ui::SkinBlock block = ui::GetSkinBlock(definition, button.first.m_strName);
            const int x = button.first.m_nId == kOk.m_nId ? 376 : 280;
            block.m_mapKeyword["Position"] = {std::to_string(x), "264"};
            block.m_mapKeyword["Text"] = {button.second};
            CreateButton(button.first.m_nId, block, ui::CAPTION_ROLE_NONE);
        }
    }

private:
    static ui::SkinBlock Placed(const ui::SkinDefinition& definition, const ui::SkinItemKey& key,
                                int x, int y, int width, int height)
    {
        ui::SkinBlock block = ui::GetSkinBlock(definition, key.m_strName);
        block.m_mapKeyword["Position"] = {std::to_string(x), std::to_string(y)};
        block.m_mapKeyword["Size"] = {std::to_string(width), std::to_string(height)};
        return block;
    }

    // ---- the rows ----
    int32_t GetRowCount(ui::CButtonListView*) override
    {
        return static_cast<int32_t>(m_vRow.size());
    }
    bool IsRowActive(ui::CButtonListView*, int32_t row) override { return row == m_nMarked; }
    bool HasButton(ui::CButtonListView*, int32_t row, uint32_t id) override
    {
        return !(row == 2 && id == 1);
    }
    bool IsButtonOn(ui::CButtonListView*, int32_t row, uint32_t) override
    {
        return row == m_nMarked;
    }
    int32_t GetButtonLabel(ui::CButtonListView*, int32_t, uint32_t) override { return 0; }
    std::string GetCellText(ui::CButtonListView*, int32_t row, int32_t column,
                            const ui::ButtonListViewTextFit&) override
    {
        if (row < 0 || row >= static_cast<int32_t>(m_vRow.size())) return std::string();
        const CardRow& card = m_vRow[row];
        return column == 0 ? card.m_strName : column == 1 ? card.m_strFree : card.m_strType;
    }
    COLORREF GetCellTextColor(ui::CButtonListView*, int32_t, int32_t) override
    {
        return RGB(31, 42, 55);
    }
    std::string GetCellToolTip(ui::CButtonListView*, int32_t, int32_t) override
    {
        return std::string();
    }
    int32_t GetMinColumnWidth(ui::CButtonListView*) override { return 50; }
    std::wstring GetCellTextW(ui::CButtonListView*, int32_t, int32_t,
                              const ui::ButtonListViewTextFit&) override
    {
        return std::wstring();
    }
    bool IsWideText(ui::CButtonListView*) override { return false; }

    // ---- what the user does: the page drives the looks itself ----
    void OnLayoutChanged(ui::CButtonListView*) override {}
    void OnPress(ui::CButtonListView*, int32_t, int32_t, int32_t, bool) override {}
    void OnDoubleClick(ui::CButtonListView*, int32_t, int32_t, int32_t, bool) override {}
    void OnButtonClick(ui::CButtonListView*, int32_t, uint32_t) override {}
};

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CListSampleWindow> window(new CListSampleWindow);
    ui::SkinDefinition definition;
    window->LoadSkin(definition, "Common.txt", "FrameWindow", true);
    window->m_vRow.assign(std::begin(kCards), std::end(kCards));
    window->Build(definition);
    return window;
}

void Mouse(ui::CSkinWindow& window, UINT message, int x, int y)
{
    window.SendMessage(message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                       MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    auto& sample = dynamic_cast<CListSampleWindow&>(window);
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    shots.Take("few", window);

    // Many rows, scrolled to the middle.
    sample.m_vRow.clear();
    for (int i = 0; i < 40; ++i) {
        sample.m_vRow.push_back(CardRow{lib::FormatString("記録カード%02d(%c:)", i + 1, 'D' + i % 23),
                                        lib::FormatString("%d.%dGB", 1 + i % 31, i % 10),
                                        "リムーバブルディスク"});
    }
    sample.m_nMarked = 17;
    sample.m_pList->UpdateRow(-1);
    ui::ScrollItemBy(15, sample.m_pList, sample.m_pBar);
    shots.Take("many", window);

    // The header: hovered, then pressed (the first column's header is clickable).
    Mouse(window, WM_MOUSEMOVE, 100, 66);
    shots.Take("header-hot", window);
    Mouse(window, WM_LBUTTONDOWN, 100, 66);
    shots.Take("header-pressed", window);
    Mouse(window, WM_LBUTTONUP, 100, 66);

    // Row buttons: one on the left (on in the marked row, missing in row 2), hovered and
    // pressed, and the same list disabled.
    sample.m_vRow.assign(std::begin(kCards), std::end(kCards));
    sample.m_nMarked = 1;
    sample.m_pList->AddButton(0, 1, ui::LIST_SIDE_LEFT, false, true);
    sample.m_pList->RecalcColumns();
    sample.m_pList->UpdateRow(-1);
    Mouse(window, WM_MOUSEMOVE, 32, 92);
    shots.Take("buttons-hot", window);
    Mouse(window, WM_LBUTTONDOWN, 32, 92);
    shots.Take("buttons-pressed", window);
    Mouse(window, WM_LBUTTONUP, 300, 290);
    Mouse(window, WM_MOUSEMOVE, 300, 290);
    sample.m_pList->SetEnable(false);
    shots.Take("buttons-disabled", window);
}

const bool g_bPage =
    gallery::RegisterPage({"ProductList", gallery::PAGE_PRODUCT, &Build, nullptr, &Looks});

} // namespace
