#pragma once
// A system icon drawn at its place in a skin window: one of the shared icons that
// LoadIcon(nullptr, IDI_...) gives, at the system's icon size. Built without an icon it has
// no size and draws nothing. It takes no part in tooltips.

#include "skin/SkinWindowItem.h"

#include <windows.h>

#include <cstdint>

namespace ui {

class CSkinWindowItemIcon : public CSkinWindowItem {
public:
    // icon: an IDI_ identifier, or null for none.
    CSkinWindowItemIcon(ISkinWindowItemAccessor* accessor, int32_t id, LPCSTR icon);
    ~CSkinWindowItemIcon() override;

    void Draw() override;

    HICON GetIcon() const { return m_hIcon; }

private:
    HICON m_hIcon;   // shared by the system: never destroyed
};

} // namespace ui
