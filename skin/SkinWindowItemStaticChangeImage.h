#pragma once
// A picture with two states, not yet done and done: a part of one skin image (ImageInit)
// until its window switches it to another (ImageFinish), each centred on the item. The
// registration wizard's step marks are made of them (class "StaticChangeImage" of
// "Common.txt"). No mouse behaviour, caption or tooltip.
//
// Skin block:
//     Position = x, y;  Size = width, height;
//     ImageInit   = "StepMark.png", 0, 0, 136, 12;    left, top, right, bottom
//     ImageFinish = "StepMark.png", 0, 12, 136, 24;

#include "skin/SkinDefinition.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinWindowItem.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class CSkinWindowItemStaticChangeImage : public CSkinWindowItem {
public:
    // Reads and checks the block and takes both images into the cache, the initial one
    // first; a skin error ends the window's construction.
    CSkinWindowItemStaticChangeImage(ISkinWindowItemAccessor* accessor, int32_t id,
                                     const SkinBlock& block, SkinImageCache* cache);
    ~CSkinWindowItemStaticChangeImage() override;

    void Draw() override;

    // A change of state redraws the item; setting the state it has does nothing.
    void SetFinish(bool finish);
    bool IsFinish() const { return m_bFinish; }

private:
    ImageCut m_init;
    ImageCut m_finish;
    bool m_bFinish;
};

} // namespace ui
