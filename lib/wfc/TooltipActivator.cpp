#include "lib/wfc/TooltipActivator.h"

#include "lib/TolveLog.h"

#include <commctrl.h>

namespace lib {
namespace wfc {

namespace {
const uint32_t kDefaultDelay = 500;
}

CTooltipActivator::CTooltipActivator()
    : m_hTooltip(nullptr)
    , m_bPending(true)
    , m_dwLastMove(::GetTickCount())
    , m_dwDelay(kDefaultDelay)
    , m_iLastX(-1)
    , m_iLastY(-1)
{
}

CTooltipActivator::~CTooltipActivator()
{
    Stop();
}

void CTooltipActivator::Attach(HWND tooltip, bool startThread)
{
    m_hTooltip = tooltip;
    if (tooltip != nullptr) {
        m_dwDelay = static_cast<uint32_t>(::SendMessageA(tooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
    }
}

void CTooltipActivator::OnMouseMove(int32_t x, int32_t y)
{
    CCriticalSection::CLock lock(&m_csState, true);
    if (x == m_iLastX && y == m_iLastY) {
        return;
    }
    m_iLastX = x;
    m_iLastY = y;
    m_bPending = true;
    m_dwLastMove = _GetTickCount();
}

void CTooltipActivator::_OnTick()
{
    CCriticalSection::CLock lock(&m_csState, true);
    if (!m_bPending) {
        return;
    }
    // Elapsed ticks, so that the rest is measured right across the wrap of the counter.
    if (static_cast<uint32_t>(_GetTickCount() - m_dwLastMove) <= m_dwDelay) {
        return;
    }
    m_bPending = false;
    if (m_hTooltip == nullptr || ::IsWindowVisible(m_hTooltip)) {
        return;
    }
    if (!::PostMessageA(m_hTooltip, TTM_UPDATE, 0, 0)) {
        TOLVE_LOG(LOG_ERROR, "PostMessage(TTM_UPDATE) ERR:%lu", ::GetLastError());
    }
}

void CTooltipActivator::Stop()
{
    CCriticalSection::CLock lock(&m_csState, true);
    m_hTooltip = nullptr;
}

DWORD CTooltipActivator::_ProcThread()
{
    // Never started: the window's timer calls _OnTick instead.
    return 0;
}

uint32_t CTooltipActivator::_GetTickCount() const
{
    return ::GetTickCount();
}

} // namespace wfc
} // namespace lib
