// Gallery page of the card choice window (product skin "SDManagerWindow.txt"): with two
// drives, the second marked, and with none. The rows are the page's own, as the drive list
// would give them; the window is built and created as its Create does.

#include "launcher/SDManagerWindow.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

class CGallerySDManager : public ui::CSDManagerWindow {
public:
    CGallerySDManager() : ui::CSDManagerWindow(nullptr) {}
    using ui::CSDManagerWindow::BuildFromSkin;
    using ui::CSDManagerWindow::CreateHidden;

    void SetRows(bool two)
    {
        m_listEntries.clear();
        if (two) {
            AddRow('F', "(F:)", "28.9GB", false);
            AddRow('G', "NAVI_SD(G:)", "1.50GB", true);
        }
        GetList()->UpdateRow(-1);
    }

private:
    void AddRow(char letter, const char* name, const char* free, bool marked)
    {
        SDCardListEntry entry;
        entry.cDrive = static_cast<uint8_t>(letter);
        entry.strName = name;
        entry.strFree = free;
        entry.strType = "リムーバブルディスク";
        entry.bMarked = marked ? 1 : 0;
        m_listEntries.push_back(entry);
    }
};

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CGallerySDManager> window(new CGallerySDManager);
    window->BuildFromSkin();
    return window;
}

void Create(ui::CSkinWindow& window) { dynamic_cast<CGallerySDManager&>(window).CreateHidden(); }

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    CGallerySDManager& manager = dynamic_cast<CGallerySDManager&>(window);
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    manager.SetRows(true);
    shots.Take("two-drives", window);
    manager.SetRows(false);
    shots.Take("no-drive", window);
    window.SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    shots.Take("no-drive-inactive", window);
}

const bool g_bPage =
    gallery::RegisterPage({"SDManager", gallery::PAGE_PRODUCT, &Build, &Create, &Looks});

} // namespace
