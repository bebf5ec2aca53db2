#pragma once
// The gallery: every skin window the framework can build, driven into its looks by sent
// messages and written as pictures for the eye (`./kestrum shots`). A window takes part with
// one page, registered from a source file of its own in a folder named "gallery" below its
// tests (tests/<folder>/gallery/*.cpp, found by the build); nothing else is edited:
//
//     namespace {
//     std::unique_ptr<ui::CSkinWindow> Build()
//     {
//         std::unique_ptr<CMyWindow> window(new CMyWindow);
//         ui::SkinDefinition definition;
//         window->LoadSkin(definition, "MyWindow.txt", "Base", true);
//         window->AddButton(definition, kOkKey, ui::CAPTION_ROLE_NONE);
//         return std::move(window);
//     }
//     void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
//     {
//         gallery::TakeBothLooks(window, shots);
//         ... send the window what shows its other looks, shots.Take("pressed", window) ...
//     }
//     const bool g_bPage = gallery::RegisterPage(
//         {"MyWindow", gallery::PAGE_PRODUCT, &Build, nullptr, &Looks});
//     }
//
// The same pages serve the skin lint (every product page is built and its "Skin Load" boxes
// reported), the gallery's test (every page builds, is created and gives its pictures) and
// the window benchmark (which times the largest page).

#include "skin/SkinWindow.h"

#include <memory>
#include <string>
#include <vector>

namespace gallery {

enum PageKind {
    PAGE_TEST = 0,     // a window of the test skins
    PAGE_PRODUCT = 1,  // a window of the product's skin
};

// Where a page's pictures go.
class CShots {
public:
    virtual ~CShots() = default;
    // One picture of the window as it stands now, from its back buffer.
    virtual void Take(const std::string& look, ui::CSkinWindow& window) = 0;
};

struct Page {
    const char* m_pszName;   // file names of its pictures start with it
    PageKind m_eKind;
    // Builds the window from its skin, items included; not yet created.
    std::unique_ptr<ui::CSkinWindow> (*m_pfnBuild)();
    // Creates the built window, hidden (null: CreateHidden).
    void (*m_pfnCreate)(ui::CSkinWindow& window);
    // Drives the created window into its looks, taking a picture of each (null: TakeBothLooks).
    void (*m_pfnLooks)(ui::CSkinWindow& window, CShots& shots);
};

// From a static initialiser of the page's own file; answers true.
bool RegisterPage(const Page& page);
// Every registered page, by name.
std::vector<Page> Pages();

// A hidden popup of the window's design size at 0, 0.
void CreateHidden(ui::CSkinWindow& window);
// The page's own creation, or CreateHidden.
void CreatePageWindow(const Page& page, ui::CSkinWindow& window);
// "active" and "inactive": the window activated and deactivated by sent WM_ACTIVATE.
void TakeBothLooks(ui::CSkinWindow& window, CShots& shots);
// The page's own looks, or TakeBothLooks.
void TakePageLooks(const Page& page, ui::CSkinWindow& window, CShots& shots);
// Prints every visible child control (an edit box's) into the back buffer where it stands,
// since the buffer holds only what the window draws; before a picture of such a window.
void PrintChildControls(ui::CSkinWindow& window);

} // namespace gallery
