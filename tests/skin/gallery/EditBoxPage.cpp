// Gallery page of the edit boxes in the product's look: a window made of the classes of the
// product's "Common.txt" alone (FrameWindow, TextBody, EditBox, ScrollBarVertical) with a
// single-line box, a password box, a disabled and a read-only box, and a multi-line box with
// its scroll bar; at the top of the text and scrolled down by the bar.
//
// The boxes' controls are child windows, not part of the back buffer the pictures are taken
// from: before each picture every visible control is printed into the buffer where it stands
// (gallery::PrintChildControls).

#include "lib/StringUtility.h"
#include "skin/ResizableSkinWindow.h"
#include "skin/SkinItemKey.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindowItemEditBox.h"
#include "skin/SkinWindowItemScrollBar.h"
#include "skin/SkinWindowItemStatic.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <cstdint>
#include <memory>

namespace {

uint16_t g_nKeyId = 2000;
const ui::SkinItemKey kSingleLine("EditBox", g_nKeyId);
const ui::SkinItemKey kPassword("EditBox", g_nKeyId);
const ui::SkinItemKey kDisabled("EditBox", g_nKeyId);
const ui::SkinItemKey kReadOnly("EditBox", g_nKeyId);
const ui::SkinItemKey kMultiLine("EditBox", g_nKeyId);
const ui::SkinItemKey kMultiLineBar("ScrollBarVertical", g_nKeyId);
const ui::SkinItemKey kLabel("TextBody", g_nKeyId);

// Each row: a label on the left, the box on the right.
const int32_t kLabelLeft = 16;
const int32_t kBoxLeft = 136;
const int32_t kBoxRight = 464;
const int32_t kRowHeight = 28;
const int32_t kBarWidth = 18;
const int32_t kMultiLineTop = 192;
const int32_t kMultiLineHeight = 104;
const int32_t kVisibleLines = 5;

class CEditSampleWindow : public ui::CResizableSkinWindow {
public:
    ui::CSkinWindowItemEditBox* m_pMultiLine = nullptr;

    void ApplySkin(const ui::SkinBlock& block) override
    {
        ui::SkinBlock window = block;
        window.m_mapKeyword["Title"] = {"入力欄"};
        window.m_mapKeyword["MinSize"] = {"480", "320"};
        window.m_mapKeyword["LayoutSize"] = {"480", "320"};
        ui::CResizableSkinWindow::ApplySkin(window);
    }
    // The bar's notifications go to the box it belongs to, as an application window's do.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if ((message == WM_VSCROLL || message == WM_HSCROLL) && m_pMultiLine != nullptr) {
            return m_pMultiLine->OnMessage(message, wParam, lParam);
        }
        return ui::CResizableSkinWindow::WindowProc(message, wParam, lParam);
    }
};

ui::SkinBlock Placed(const ui::SkinDefinition& definition, const ui::SkinItemKey& key, int32_t x,
                     int32_t y, int32_t width, int32_t height)
{
    ui::SkinBlock block = ui::GetSkinBlock(definition, key.m_strName);
    block.m_mapKeyword["Position"] = {lib::FormatString("%d", x), lib::FormatString("%d", y)};
    block.m_mapKeyword["Size"] = {lib::FormatString("%d", width), lib::FormatString("%d", height)};
    return block;
}

ui::CSkinWindowItemEditBox* AddRow(CEditSampleWindow& window, const ui::SkinDefinition& definition,
                                   const ui::SkinItemKey& key, int32_t top, const char* label,
                                   const char* text)
{
    ui::SkinBlock caption = Placed(definition, kLabel, kLabelLeft, top, kBoxLeft - kLabelLeft - 8,
                                   kRowHeight);
    caption.m_mapKeyword["Text"] = {label};
    ui::CSkinWindowItemStatic* labelItem = window.CreateStatic(key.m_nId + 100, caption);
    labelItem->SetFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    ui::CSkinWindowItemEditBox* box = window.CreateEditBox(
        key.m_nId, Placed(definition, key, kBoxLeft, top, kBoxRight - kBoxLeft, kRowHeight));
    box->SetText(text);
    return box;
}

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CEditSampleWindow> window(new CEditSampleWindow);
    ui::SkinDefinition definition;
    window->LoadSkin(definition, "Common.txt", "FrameWindow", true);
    window->SetResizable(false);
    AddRow(*window, definition, kSingleLine, 48, "ニックネーム", "kestrum-user");
    ui::CSkinWindowItemEditBox* password =
        AddRow(*window, definition, kPassword, 84, "パスワード", "secret");
    password->SetPassword();
    password->EnableIme(false);
    AddRow(*window, definition, kDisabled, 120, "使用不可", "入力できません")->SetEnable(false);
    AddRow(*window, definition, kReadOnly, 156, "読み取り専用", "変更できない値")
        ->SetReadOnly(true);

    ui::SkinBlock caption = Placed(definition, kLabel, kLabelLeft, kMultiLineTop,
                                   kBoxLeft - kLabelLeft - 8, kRowHeight);
    caption.m_mapKeyword["Text"] = {"複数行"};
    window->CreateStatic(kMultiLine.m_nId + 100, caption)
        ->SetFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    ui::CSkinWindowItemEditBox* multiLine = window->CreateEditBox(
        kMultiLine.m_nId, Placed(definition, kMultiLine, kBoxLeft, kMultiLineTop,
                                 kBoxRight - kBoxLeft - kBarWidth - 4, kMultiLineHeight));
    ui::CSkinWindowItemScrollBar* bar = window->CreateScrollBar(
        kMultiLineBar.m_nId, Placed(definition, kMultiLineBar, kBoxRight - kBarWidth, kMultiLineTop,
                                    kBarWidth, kMultiLineHeight));
    multiLine->SetMultiLine(true);
    multiLine->AttachScrollBar(bar, kVisibleLines);
    multiLine->SetText(
        "1. カードをパソコンに差し込みます。\r\n"
        "2. ランチャーがカードを見つけると、画面に表示されます。\r\n"
        "3. お客様登録を済ませてください。\r\n"
        "4. 交通情報と天気情報がカードに保存されます。\r\n"
        "5. 走行記録はサーバーに送られます。\r\n"
        "6. 終わったらカードを安全に取り外します。\r\n"
        "7. ナビゲーションにカードを戻します。\r\n"
        "8. 以上で完了です。");
    window->m_pMultiLine = multiLine;
    return window;
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    gallery::PrintChildControls(window);
    shots.Take("design", window);
    // Three lines down by the bar's arrow, as the window hands the bar's notices on.
    auto* bar = static_cast<ui::CSkinWindowItemScrollBar*>(window.GetItemById(kMultiLineBar.m_nId));
    const ui::SkinRect down = bar->GetPartRect(ui::SCROLL_PART_DOWN);
    for (int i = 0; i < 3; ++i) {
        bar->OnLButtonDown((down.left + down.right) / 2, (down.top + down.bottom) / 2);
        bar->OnLButtonUp((down.left + down.right) / 2, (down.top + down.bottom) / 2);
    }
    window.RedrawRect(0, 0, 480, 320, false);
    gallery::PrintChildControls(window);
    shots.Take("scrolled", window);
}

const bool g_bPage =
    gallery::RegisterPage({"EditBoxes", gallery::PAGE_PRODUCT, &Build, nullptr, &Looks});

} // namespace
