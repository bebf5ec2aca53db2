#pragma once
// Makes a skin window's tooltip show up once the mouse has rested. The window reports each
// mouse position and asks on every timer tick; everything runs on the window's own thread
// (no thread of the base is ever started).

#include "lib/wfc/CriticalSection.h"
#include "lib/wfc/Thread.h"

#include <windows.h>

#include <cstdint>

namespace lib {
namespace wfc {

class CTooltipActivator : public CThread {
public:
    CTooltipActivator();
    ~CTooltipActivator() override;

    // Keeps the tooltip and takes its initial delay. No thread is started whatever
    // startThread says: the window's timer drives the activator.
    void Attach(HWND tooltip, bool startThread);
    // A changed point (client coordinates) restarts the rest; the same point changes nothing.
    void OnMouseMove(int32_t x, int32_t y);
    // From the window's timer: once the mouse has rested longer than the delay, asks a
    // hidden tooltip to update itself, once per rest.
    void _OnTick();
    // Forgets the tooltip.
    void Stop();

protected:
    DWORD _ProcThread() override;
    // The millisecond tick of the rest; a test may move it to the wrap of the counter.
    virtual uint32_t _GetTickCount() const;

private:
    HWND m_hTooltip;
    bool m_bPending;          // an update is due once the delay has passed
    uint32_t m_dwLastMove;    // tick of the last change of the point
    uint32_t m_dwDelay;       // ms
    int32_t m_iLastX;
    int32_t m_iLastY;
    CCriticalSection m_csState; // over pending, last move and last point
};

} // namespace wfc
} // namespace lib
