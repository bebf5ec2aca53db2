#pragma once
// A button that stays in: its pushed look stands for its check state, a click flips the state
// (with auto check on) and the look stays after the release. Built from an ordinary button
// block (skin/SkinWindowItemButton.h):
//     window.AddToggleButton(definition, kMenuKey);
// Its own handlers report only the click (event 0), after the state changed; double clicks,
// the right button and leaves report as the button's.

#include "skin/SkinWindowItemButton.h"

namespace ui {

class CSkinWindowItemToggleButton : public CSkinWindowItemButton {
public:
    CSkinWindowItemToggleButton(ISkinWindowItemAccessor* accessor, int32_t id,
                                const SkinBlock& block, SkinImageCache* cache);
    ~CSkinWindowItemToggleButton() override;

    // Set check also shows the state, and redraws and refreshes the tip even when the state
    // stays; ignored during a press.
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnMouseMove(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnLButtonCancel(int x, int y) override;

protected:
    void _EndPressOnDisable() override;

private:
    // Shown-pressed takes the check state; true when the look changed.
    bool _ShowCheckState(bool hot);
};

} // namespace ui
