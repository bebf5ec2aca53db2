#include "lib/wfc/ContextMenu.h"

#include "lib/TolveLog.h"

namespace lib {
namespace wfc {

CContextMenu::CContextMenu()
    : m_hMenu(nullptr)
{
}

CContextMenu::~CContextMenu()
{
    Destroy();
}

void CContextMenu::Destroy()
{
    if (m_hMenu == nullptr) {
        return;
    }
    if (!::DestroyMenu(m_hMenu)) {
        TOLVE_LOG(LOG_ERROR, "DestroyMenu ERR:%lu", ::GetLastError());
    }
    m_hMenu = nullptr;
}

HMENU CContextMenu::_GetOrCreatePopup()
{
    if (m_hMenu == nullptr) {
        m_hMenu = ::CreatePopupMenu();
        if (m_hMenu == nullptr) {
            TOLVE_LOG(LOG_ERROR, "CreatePopupMenu ERR:%lu", ::GetLastError());
        }
    }
    return m_hMenu;
}

HMENU CContextMenu::AppendItem(UINT_PTR idOrSubmenu, const char* text, UINT flags)
{
    HMENU menu = _GetOrCreatePopup();
    if (menu == nullptr) {
        return nullptr;
    }
    // A failed append only loses that entry; the menu stays usable.
    if (!::AppendMenuA(menu, flags, idOrSubmenu, text)) {
        TOLVE_LOG(LOG_ERROR, "AppendMenuA ERR:%lu flags:0x%X", ::GetLastError(), flags);
    }
    return menu;
}

HMENU CContextMenu::AppendItem(const Item& item)
{
    return AppendItem(item.id, item.text, item.flags);
}

HMENU CContextMenu::AppendSeparator()
{
    return AppendItem(0, nullptr, MF_SEPARATOR);
}

void CContextMenu::Build(const std::vector<Item>& items)
{
    Destroy();
    if (_GetOrCreatePopup() == nullptr) {
        return;
    }
    for (const Item& item : items) {
        AppendItem(item);
    }
}

HMENU CContextMenu::_MakeSubMenu(const std::vector<Item>& items, const char* text)
{
    if (_GetOrCreatePopup() == nullptr) {
        return nullptr;
    }
    HMENU subMenu = ::CreatePopupMenu();
    if (subMenu == nullptr) {
        TOLVE_LOG(LOG_ERROR, "CreatePopupMenu ERR:%lu", ::GetLastError());
        return nullptr;
    }
    for (const Item& item : items) {
        if (!::AppendMenuA(subMenu, item.flags, item.id, item.text)) {
            TOLVE_LOG(LOG_ERROR, "AppendMenuA ERR:%lu flags:0x%X", ::GetLastError(), item.flags);
        }
    }
    // Once attached, the parent destroys the submenu with itself; until then it is ours.
    if (!::AppendMenuA(m_hMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(subMenu), text)) {
        TOLVE_LOG(LOG_ERROR, "AppendMenuA ERR:%lu (submenu)", ::GetLastError());
        ::DestroyMenu(subMenu);
        return nullptr;
    }
    return subMenu;
}

HMENU CContextMenu::AppendSubMenu(const std::vector<Item>& items, const char* text)
{
    _MakeSubMenu(items, text);
    return m_hMenu;
}

HMENU CContextMenu::CreateSubMenu(const std::vector<Item>& items, const char* text)
{
    return _MakeSubMenu(items, text);
}

void CContextMenu::AddItem(UINT_PTR id, const char* text, bool grayed)
{
    CollectedItem item;
    item.id = id;
    item.text = (text != nullptr) ? text : "";
    item.flags = MF_STRING | (grayed ? MF_GRAYED : 0u);
    m_vecCollected.push_back(item);
}

HMENU CContextMenu::CreateSubMenu(const char* title)
{
    // The records point into the collection, which stays untouched until the submenu is built.
    std::vector<Item> items;
    items.reserve(m_vecCollected.size());
    for (const CollectedItem& collected : m_vecCollected) {
        items.push_back(Item{collected.id, collected.text.c_str(), collected.flags});
    }
    HMENU subMenu = _MakeSubMenu(items, title);
    m_vecCollected.clear();
    return subMenu;
}

BOOL CContextMenu::Track(HWND owner, const POINT& clientPoint, UINT flags)
{
    if (m_hMenu == nullptr) {
        TOLVE_LOG(LOG_ERROR, "CContextMenu::Track no menu");
        return FALSE;
    }
    POINT screenPoint = clientPoint;
    if (!::ClientToScreen(owner, &screenPoint)) {
        TOLVE_LOG(LOG_ERROR, "ClientToScreen ERR:%lu", ::GetLastError());
        return FALSE;
    }
    return ::TrackPopupMenu(m_hMenu, flags, screenPoint.x, screenPoint.y, 0, owner, nullptr);
}

void CContextMenu::AddItem(std::vector<Item>& items, UINT_PTR id, const char* text, UINT flags)
{
    items.push_back(Item{id, text, flags});
}

} // namespace wfc
} // namespace lib
