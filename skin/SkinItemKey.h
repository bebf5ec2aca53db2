#pragma once
// How a window file names the items of its skin text: the block's name and the item's id.
// Keys are constants of the window file, numbered in declaration order from the file's own
// counter, so that the ids of one window follow the order its keys are written in:
//     namespace { uint16_t g_nKeyId = 2000; }
//     const ui::SkinItemKey kOkButton("OkButton", g_nKeyId);       // id 2000
//     const ui::SkinItemKey kCancelButton("CancelButton", g_nKeyId); // id 2001
// The id is also the command id of WM_COMMAND when the item is clicked. The counter is a
// constant-initialised integer, so it holds its start value before the first key is built.

#include <cstdint>
#include <string>

namespace ui {

struct SkinItemKey {
    // Takes the counter's value as the id and moves the counter on.
    SkinItemKey(const char* name, uint16_t& counter) : m_strName(name), m_nId(counter++) {}

    std::string m_strName;
    uint16_t m_nId;
};

} // namespace ui
