#pragma once
// A popup menu built from plain item records and shown at a point of a window.

#include <windows.h>

#include <string>
#include <vector>

namespace lib {
namespace wfc {

class CContextMenu {
public:
    // One menu entry. text is not owned: the caller keeps it alive until the menu is built
    // (the menu copies it then). For MF_POPUP, id is the submenu's handle.
    struct Item {
        UINT_PTR id;
        const char* text;
        UINT flags;
    };

    CContextMenu();
    virtual ~CContextMenu();

    CContextMenu(const CContextMenu&) = delete;
    CContextMenu& operator=(const CContextMenu&) = delete;

    // Destroys the popup with every submenu attached to it.
    void Destroy();

    // Appends to the popup, creating it on first use; returns the popup (null when it could
    // not be made). flags are MF_ flags; MF_GRAYED is 1, so a grayed flag may be passed as is.
    HMENU AppendItem(UINT_PTR idOrSubmenu, const char* text, UINT flags);
    HMENU AppendItem(const Item& item);
    HMENU AppendSeparator();

    // Replaces the whole popup by one holding items, in order.
    void Build(const std::vector<Item>& items);

    // Both make a submenu of items and append it under text; AppendSubMenu returns this
    // menu's popup, CreateSubMenu the new submenu. The popup owns the submenu from then on.
    HMENU AppendSubMenu(const std::vector<Item>& items, const char* text);
    HMENU CreateSubMenu(const std::vector<Item>& items, const char* text);

    // Collects one item for the next CreateSubMenu (title). The text is copied, so a
    // temporary string serves.
    void AddItem(UINT_PTR id, const char* text, bool grayed = false);
    // Makes a submenu of the collected items under title, appends it and clears the
    // collection; returns the submenu (null on failure).
    HMENU CreateSubMenu(const char* title);

    // Shows the popup at a point in the owner's client coordinates. With TPM_RETURNCMD the
    // result is the chosen command id (0 when none), otherwise whether the menu was shown.
    BOOL Track(HWND owner, const POINT& clientPoint, UINT flags);

    // Appends one record to a menu description.
    static void AddItem(std::vector<Item>& items, UINT_PTR id, const char* text, UINT flags);

    // The popup, null until the first item; for radio marks and checks on its items.
    HMENU GetHandle() const { return m_hMenu; }

private:
    struct CollectedItem {
        UINT_PTR id;
        std::string text;
        UINT flags;
    };

    HMENU _GetOrCreatePopup();
    HMENU _MakeSubMenu(const std::vector<Item>& items, const char* text);

    HMENU m_hMenu;
    std::vector<CollectedItem> m_vecCollected;
};

} // namespace wfc
} // namespace lib
