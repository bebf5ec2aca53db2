// Gallery pages of the registration and log-in wizard (product skin
// "InitializationWindow.txt"): page 0 as it opens (active and inactive), page 1 with a typed
// nickname and password, and page 2 after a successful check, with the unit's card and
// without it. Pages are turned by the commands the buttons post; page 2 is reached by the
// check's result message, its form chosen by the page's own card flag.

#include "launcher/InitializationWindow.h"
#include "online/LoginAdmin.h"
#include "skin/SkinWindowItemEditBox.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

using namespace ui::InitializationWindowKey;

class CGalleryInitializationWindow : public ui::CInitializationWindow {
public:
    explicit CGalleryInitializationWindow(bool cardChecked)
        : ui::CInitializationWindow(nullptr), m_bCardChecked(cardChecked)
    {
    }

protected:
    bool IsCardChecked() const override { return m_bCardChecked; }

private:
    bool m_bCardChecked;
};

std::unique_ptr<ui::CSkinWindow> BuildWith(bool cardChecked)
{
    std::unique_ptr<CGalleryInitializationWindow> window(
        new CGalleryInitializationWindow(cardChecked));
    window->LoadWindowSkin();
    return window;
}

std::unique_ptr<ui::CSkinWindow> BuildWithCard() { return BuildWith(true); }
std::unique_ptr<ui::CSkinWindow> BuildWithoutCard() { return BuildWith(false); }

void Click(ui::CSkinWindow& window, const ui::SkinItemKey& key)
{
    window.SendMessage(WM_COMMAND, MAKEWPARAM(key.m_nId, 1), 0);
}

void Type(ui::CSkinWindow& window, const ui::SkinItemKey& key, const char* text)
{
    auto* edit = dynamic_cast<ui::CSkinWindowItemEditBox*>(window.GetItemById(key.m_nId));
    if (edit != nullptr) edit->SetText(text);
}

// Pages 0 and 1, then the finished page as a successful check leaves it.
void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    gallery::TakeBothLooks(window, shots);
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    Click(window, kNextButton);
    Type(window, kNickNameEdit, "kestrum-user_01");
    Type(window, kPasswordEdit, "secret12");
    gallery::PrintChildControls(window);
    shots.Take("page1", window);
    window.SendMessage(WM_LOGINADMIN_RESULT, 0, 0);
    shots.Take("page2", window);
}

// Only the finished page differs.
void LooksWithoutCard(ui::CSkinWindow& window, gallery::CShots& shots)
{
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    Click(window, kNextButton);
    window.SendMessage(WM_LOGINADMIN_RESULT, 0, 0);
    shots.Take("page2", window);
}

const bool g_bWithCard = gallery::RegisterPage(
    {"InitializationWindow", gallery::PAGE_PRODUCT, &BuildWithCard, nullptr, &Looks});
const bool g_bWithoutCard = gallery::RegisterPage({"InitializationWindowNoCard",
                                                   gallery::PAGE_PRODUCT, &BuildWithoutCard,
                                                   nullptr, &LooksWithoutCard});

} // namespace
