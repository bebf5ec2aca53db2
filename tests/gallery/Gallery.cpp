#include "tests/gallery/Gallery.h"

#include "lib/wfc/DC.h"
#include "lib/wfc/DIB.h"

#include <algorithm>
#include <cstring>

namespace gallery {

namespace {

// Built on first use: pages register from static initialisers of other files.
std::vector<Page>& Registry()
{
    static std::vector<Page> pages;
    return pages;
}

} // namespace

bool RegisterPage(const Page& page)
{
    Registry().push_back(page);
    return true;
}

std::vector<Page> Pages()
{
    std::vector<Page> pages = Registry();
    std::sort(pages.begin(), pages.end(), [](const Page& a, const Page& b) {
        return std::strcmp(a.m_pszName, b.m_pszName) < 0;
    });
    return pages;
}

void CreateHidden(ui::CSkinWindow& window)
{
    const ui::SkinSize size = window.GetDesignSize();
    window.Create(0, nullptr, window.GetTitle().c_str(), WS_POPUP, 0, 0, size.cx, size.cy);
}

void CreatePageWindow(const Page& page, ui::CSkinWindow& window)
{
    if (page.m_pfnCreate != nullptr) {
        page.m_pfnCreate(window);
    } else {
        CreateHidden(window);
    }
}

void TakeBothLooks(ui::CSkinWindow& window, CShots& shots)
{
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    shots.Take("active", window);
    window.SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    shots.Take("inactive", window);
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
}

void TakePageLooks(const Page& page, ui::CSkinWindow& window, CShots& shots)
{
    if (page.m_pfnLooks != nullptr) {
        page.m_pfnLooks(window, shots);
    } else {
        TakeBothLooks(window, shots);
    }
}

// WM_PRINT draws a control with its text into a memory DC of the caller's.
void PrintChildControls(ui::CSkinWindow& window)
{
    lib::wfc::CDIB* buffer = window.GetBackBuffer();
    if (buffer == nullptr) return;
    for (HWND child = ::GetWindow(window.GetHwnd(), GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((::GetWindowLongPtrA(child, GWL_STYLE) & WS_VISIBLE) == 0) continue;
        RECT rect = {};
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, window.GetHwnd(), reinterpret_cast<POINT*>(&rect), 2);
        const int width = rect.right - rect.left;
        const int height = rect.bottom - rect.top;
        if (width <= 0 || height <= 0) continue;
        lib::wfc::CDIB picture;
        picture.Create(nullptr, width, height, 24);
        {
            lib::wfc::CMemDC memory(nullptr);
            lib::wfc::CDCStateSaver saver(&memory);
            saver.SelectBitmap(picture.GetHandle());
            ::SendMessageA(child, WM_PRINT, reinterpret_cast<WPARAM>(saver.GetHDC()),
                           PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
            ::GdiFlush();
        }
        buffer->Blt(rect.left, rect.top, width, height, picture, 0, 0, lib::wfc::kNoKeyColor);
    }
}

} // namespace gallery
