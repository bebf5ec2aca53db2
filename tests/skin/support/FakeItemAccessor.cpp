#include "tests/skin/support/FakeItemAccessor.h"

#include "lib/StringUtility.h"
#include "skin/SkinWindowItem.h"

#include <algorithm>
#include <ostream>

using lib::FormatString;

namespace skintest {

std::string Describe(const SentItemMessage& message)
{
    return FormatString("%u %u %u %lld", message.m_uMessage, LOWORD(message.m_wParam),
                        HIWORD(message.m_wParam), static_cast<long long>(message.m_lParam));
}

void PrintTo(const SentItemMessage& message, std::ostream* out)
{
    *out << Describe(message);
}

CFakeItemAccessor::CFakeItemAccessor(int width, int height, COLORREF fill) : m_bSuspended(false)
{
    m_buffer.Create(nullptr, width, height, 24);
    m_buffer.Fill(fill);
}

CFakeItemAccessor::~CFakeItemAccessor() = default;

std::string CFakeItemAccessor::Take()
{
    std::string all;
    for (const std::string& line : m_vCall) all += (all.empty() ? "" : "|") + line;
    m_vCall.clear();
    m_vSent.clear();
    return all;
}

size_t CFakeItemAccessor::CountRedraws() const
{
    return static_cast<size_t>(std::count_if(m_vCall.begin(), m_vCall.end(), [](const std::string& line) {
        return line.compare(0, 7, "Redraw ") == 0;
    }));
}

bool CFakeItemAccessor::IsReady() { return m_bReady; }
ui::CSkinWindowItem* CFakeItemAccessor::FindItemFromPoint(int32_t, int32_t) { return nullptr; }
ui::SkinImageCache* CFakeItemAccessor::GetImageCache() { return &m_cache; }
lib::wfc::CDIB* CFakeItemAccessor::GetBackBuffer() { return &m_buffer; }

void CFakeItemAccessor::RedrawRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                   bool updateNow)
{
    m_vCall.push_back(FormatString("Redraw %d %d %d %d %d", left, top, right, bottom,
                                   updateNow ? 1 : 0));
}

bool CFakeItemAccessor::PostItemCommand(int32_t id, int32_t event, LPARAM)
{
    m_vCall.push_back(FormatString("Post %d %d", id, event));
    return true;
}

void CFakeItemAccessor::NotifyEnter(int32_t id) { m_vCall.push_back(FormatString("Enter %d", id)); }

void CFakeItemAccessor::NotifyEscape(int32_t id)
{
    m_vCall.push_back(FormatString("Escape %d", id));
}

bool CFakeItemAccessor::ForwardKey(UINT key, LPARAM)
{
    m_vCall.push_back(FormatString("Key %u", key));
    return false;
}

LRESULT CFakeItemAccessor::SendItemMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    m_vSent.push_back(SentItemMessage{message, wParam, lParam});
    return m_fnSend ? m_fnSend(message, wParam, lParam) : 0;
}

ui::CSkinWindowItem* CFakeItemAccessor::GetCaptureItem() { return m_pCaptureItem; }
bool CFakeItemAccessor::HasWindow() { return false; }

void CFakeItemAccessor::SetTooltip(ui::CSkinWindowItem* item)
{
    m_vCall.push_back(FormatString("Tooltip %d %d", item->GetId(),
                                   static_cast<int>(item->GetToolState())));
}

bool CFakeItemAccessor::SuspendRedraw(bool suspend)
{
    m_vCall.push_back(FormatString("Suspend %d", suspend ? 1 : 0));
    const bool previous = m_bSuspended;
    m_bSuspended = suspend;
    return previous;
}

} // namespace skintest
