#pragma once
// A looping frame animation from one skin image that holds the frames as a grid (columns by
// rows, numbered row by row, each frame the item's size), at a fixed time per frame, with an
// optional caption on top. It runs on the window's 33 ms tick and takes its frame from the
// time since its run began, never from a count of ticks; tick differences are unsigned, so
// the wrap of GetTickCount after 49.7 days does not disturb it. A disabled item is stopped at
// frame 0; enabling it starts it. It reports the mouse as the static image does (12, 14, 15).
//
// Skin block:
//     Position = x, y;  Size = width, height;      the frame size too
//     Image = "Frames.png", x, y, columns, rows;   x, y: the corner of frame 0 in the image
//     Time = 100;                                  milliseconds per frame
//     Text = ...; TextPosition, TextSize, TextFont, TextAntialias, TextColor   optional caption
// A frame time, column count or row count below 1 shows frame 0 and never advances.

#include "skin/SkinDefinition.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinItemCaption.h"
#include "skin/SkinWindowItem.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class CSkinWindowItemAnimation : public CSkinWindowItemMouseReport {
public:
    // Reads and checks the block and takes the image into the cache; not running, frame 0. A
    // skin error ends the window's construction.
    CSkinWindowItemAnimation(ISkinWindowItemAccessor* accessor, int32_t id,
                             const SkinBlock& block, SkinImageCache* cache);
    ~CSkinWindowItemAnimation() override;

    // Advances the frame while running; a new frame is redrawn.
    void OnTick(DWORD tick) override;
    void Draw() override;
    // Enabled starts the animation, disabled stops it; then the item is redrawn.
    void OnEnableChanged() override;

    // Runs on from the frame shown, its timing starting at the next tick (so a Start while
    // running continues without a jump).
    void Start();
    // Stops and shows frame 0.
    void Stop();

    bool IsRunning() const { return m_bRunning; }
    int32_t GetCurrentFrame() const { return m_nCurrentFrame; }
    // Where frame `frame` lies in the image.
    POINT GetFrameCorner(int32_t frame) const;
    const CSkinItemCaption& GetCaption() const { return m_caption; }

private:
    // Frame time, columns and rows are all at least 1.
    bool _CanAdvance() const;

    std::string m_strImageFile;
    POINT m_ptOrigin;
    int32_t m_nColumns;
    int32_t m_nRows;
    int32_t m_nFrameTime;
    bool m_bRunning;
    int32_t m_nCurrentFrame;
    DWORD m_dwStartTick;
    bool m_bStartTaken;        // m_dwStartTick holds the first tick of the run
    int32_t m_nStartFrame;
    CSkinItemCaption m_caption;
};

} // namespace ui
