// Gallery pages of the product's common look (tests/skin/skins/TestCommonItems.txt, which
// includes "Common.txt"): every button class in each look side by side (normal, hot, pushed,
// hot and pushed, disabled), the caption buttons active and inactive, a check box blinking;
// and the static text classes: plain, centred, antialiased, several lines, wrapped, disabled.

#include "skin/SkinLookup.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemToggleButton.h"
#include "tests/gallery/Gallery.h"

#include <memory>
#include <string>

namespace {

const char kText[] = "TestCommonItems.txt";

// The button window: a column of row names, then one column per look.
const int kColumnX = 120;
const int kColumnPitch = 100;
const int kColumnWidth = 88;
const int kRowY = 72;
const int kRowPitch = 40;
const char* const kLookNames[] = {"通常", "ホット", "押下", "ホット＋押下", "無効"};
const int kLooks = 5;

enum Row { ROW_PUSH, ROW_CHECK, ROW_CHECKED, ROW_RADIO, ROW_RADIO_ON, ROW_TOGGLE, ROW_TOGGLE_ON };
const struct {
    const char* name;
    const char* block;
    bool toggle;
    bool check;      // a check button (kind 1)
    bool checked;
} kRows[] = {
    {"押しボタン", "Push", false, false, false},
    {"チェック", "Check", false, true, false},
    {"チェック済み", "Check", false, true, true},
    {"ラジオ", "Radio", false, true, false},
    {"ラジオ選択", "Radio", false, true, true},
    {"トグル", "Toggle", true, false, false},
    {"トグル済み", "Toggle", true, false, true},
};
const int kRowCount = sizeof kRows / sizeof kRows[0];

int32_t ButtonId(int row, int look) { return 100 + row * 10 + look; }

ui::SkinBlock Placed(const ui::SkinDefinition& definition, const char* name, int x, int y)
{
    ui::SkinBlock block = ui::GetSkinBlock(definition, name);
    block.m_mapKeyword["Position"] = {std::to_string(x), std::to_string(y)};
    return block;
}

ui::CSkinWindowItemStatic* AddText(ui::CSkinWindow& window, const ui::SkinDefinition& definition,
                                   int32_t id, const char* block, int x, int y, const char* text)
{
    ui::CSkinWindowItemStatic* item = window.CreateStatic(id, Placed(definition, block, x, y));
    item->SetText(text);
    return item;
}

std::unique_ptr<ui::CSkinWindow> BuildButtons()
{
    std::unique_ptr<ui::CSkinWindow> window(new ui::CSkinWindow);
    ui::SkinDefinition definition;
    window->LoadSkin(definition, kText, "Base", true);
    window->CreateStatic(1, ui::GetSkinBlock(definition, "Title"))->SetText("ボタンの見本");
    window->CreateButton(2, ui::GetSkinBlock(definition, "MinimizeButton"),
                         ui::CAPTION_ROLE_MINIMIZE);
    window->CreateButton(3, ui::GetSkinBlock(definition, "CloseButton"), ui::CAPTION_ROLE_CLOSE);
    for (int look = 0; look < kLooks; ++look) {
        ui::CSkinWindowItemStatic* heading = AddText(*window, definition, 10 + look, "Heading",
                                                     kColumnX + look * kColumnPitch, 48,
                                                     kLookNames[look]);
        heading->SetFormat(DT_CENTER | DT_SINGLELINE);
    }
    for (int row = 0; row < kRowCount; ++row) {
        const int y = kRowY + row * kRowPitch;
        AddText(*window, definition, 20 + row, "RowName", 16, y + 4, kRows[row].name);
        for (int look = 0; look < kLooks; ++look) {
            int x = kColumnX + look * kColumnPitch;
            // Marks stand in the middle of their column.
            if (kRows[row].check) x += (kColumnWidth - 24) / 2;
            const ui::SkinBlock block =
                Placed(definition, kRows[row].block, x, kRows[row].check ? y + 2 : y);
            ui::CSkinWindowItemButton* button =
                kRows[row].toggle
                    ? window->CreateToggleButton(ButtonId(row, look), block)
                    : window->CreateButton(ButtonId(row, look), block, ui::CAPTION_ROLE_NONE);
            if (kRows[row].check) button->OnMessage(ui::ITEM_MESSAGE_SET_KIND, 1, 0);
            button->OnMessage(ui::ITEM_MESSAGE_SET_CHECK, kRows[row].checked ? 1 : 0, 0);
        }
    }
    return window;
}

ui::CSkinWindowItemButton* Button(ui::CSkinWindow& window, int row, int look)
{
    return static_cast<ui::CSkinWindowItemButton*>(window.GetItemById(ButtonId(row, look)));
}

// Each column shows its look, driven as the window would drive the button.
void ButtonLooks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    for (int row = 0; row < kRowCount; ++row) {
        Button(window, row, 1)->OnMouseMove(5, 5);
        Button(window, row, 2)->OnLButtonDown(5, 5);
        Button(window, row, 3)->OnLButtonDown(5, 5);
        Button(window, row, 3)->OnMouseLeave();
        Button(window, row, 4)->SetEnable(false);
    }
    shots.Take("active", window);
    window.SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    shots.Take("inactive", window);
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    // The unchecked check boxes blinking: their mark alternates with the checked one.
    for (int look = 0; look < kLooks; ++look) {
        Button(window, ROW_CHECK, look)->OnMessage(ui::ITEM_MESSAGE_SET_BLINK, 1, 0);
    }
    for (const DWORD tick : {DWORD(0), DWORD(400)}) {
        for (int look = 0; look < kLooks; ++look) Button(window, ROW_CHECK, look)->OnTick(tick);
        shots.Take(tick == 0 ? "blink-shown" : "blink-hidden", window);
    }
}

std::unique_ptr<ui::CSkinWindow> BuildTexts()
{
    std::unique_ptr<ui::CSkinWindow> window(new ui::CSkinWindow);
    ui::SkinDefinition definition;
    window->LoadSkin(definition, kText, "TextBase", true);
    int32_t id = 1;
    for (const char* block : {"TextWindowTitle", "Body", "Lines", "Wrapped", "Strong", "Accent",
                              "Error", "Large"}) {
        window->CreateStatic(id++, ui::GetSkinBlock(definition, block));
    }
    window->CreateButton(id++, ui::GetSkinBlock(definition, "TextClose"), ui::CAPTION_ROLE_CLOSE);
    window->CreateCenterStatic(id++, ui::GetSkinBlock(definition, "Centred"));
    // The antialiased renderer draws single lines; a word-broken text falls back to DrawTextA.
    window->CreateStatic(id++, ui::GetSkinBlock(definition, "Smooth"))
        ->SetFormat(DT_SINGLELINE | DT_VCENTER);
    window->CreateStatic(id++, ui::GetSkinBlock(definition, "Disabled"))->SetEnable(false);
    return window;
}

const bool g_bPages =
    gallery::RegisterPage(
        {"CommonButtons", gallery::PAGE_TEST, &BuildButtons, nullptr, &ButtonLooks}) &&
    gallery::RegisterPage({"CommonTexts", gallery::PAGE_TEST, &BuildTexts, nullptr, nullptr});

} // namespace
