#include "tests/skin/support/SkinItemTestSupport.h"

#include "lib/StringUtility.h"
#include "skin/SkinWindowItemButton.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace skintest {

CRecordingAccessor::CRecordingAccessor(int width, int height) : CFakeItemAccessor(width, height)
{
}

std::string CRecordingAccessor::TakeEvents()
{
    std::string events;
    events.swap(m_strEvents);
    return events;
}

std::string CRecordingAccessor::TakeCheckAtClicks()
{
    std::string checks;
    checks.swap(m_strCheckAtClicks);
    return checks;
}

void CRecordingAccessor::Clear()
{
    Take();
    m_strEvents.clear();
    m_strCheckAtClicks.clear();
    m_nCommands = 0;
    m_nRedraws = 0;
    m_nTooltips = 0;
}

void CRecordingAccessor::RedrawRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                    bool updateNow)
{
    CFakeItemAccessor::RedrawRect(left, top, right, bottom, updateNow);
    ++m_nRedraws;
    m_rcLastRedraw = RECT{left, top, right, bottom};
}

bool CRecordingAccessor::PostItemCommand(int32_t id, int32_t event, LPARAM reserved)
{
    CFakeItemAccessor::PostItemCommand(id, event, reserved);
    m_strEvents += (m_strEvents.empty() ? "" : " ") + std::to_string(event);
    if (event == ui::ITEM_EVENT_CLICK) {
        ++m_nCommands;
        if (m_pItem != nullptr) {
            m_strCheckAtClicks += m_pItem->OnMessage(ui::ITEM_MESSAGE_GET_CHECK, 0, 0) ? "1" : "0";
        }
        return true;
    }
    return m_setConsumed.count(event) != 0;
}

void CRecordingAccessor::SetTooltip(ui::CSkinWindowItem* item)
{
    CFakeItemAccessor::SetTooltip(item);
    ++m_nTooltips;
}

void RunItemScript(ui::CSkinWindowItem& item, const std::string& script)
{
    for (const std::string& step : lib::SplitString(script.c_str(), ";")) {
        std::istringstream in(step);
        std::string verb;
        int a = 0;
        int b = 0;
        in >> verb >> a >> b;
        if (verb == "down") {
            item.OnLButtonDown(a, b);
        } else if (verb == "up") {
            item.OnLButtonUp(a, b);
        } else if (verb == "cancel") {
            item.OnLButtonCancel(a, b);
        } else if (verb == "dbl") {
            item.OnLButtonDblClk(a, b);
        } else if (verb == "move") {
            item.OnMouseMove(a, b);
        } else if (verb == "rdown") {
            item.OnRButtonDown(a, b);
        } else if (verb == "rup") {
            item.OnRButtonUp(a, b);
        } else if (verb == "rdbl") {
            item.OnRButtonDblClk(a, b);
        } else if (verb == "leave") {
            item.OnMouseLeave();
        } else if (verb == "disable" || verb == "enable") {
            item.SetEnable(verb == "enable");
        } else if (verb == "check") {
            item.OnMessage(ui::ITEM_MESSAGE_SET_CHECK, a, 0);
        } else if (verb == "kind") {
            item.OnMessage(ui::ITEM_MESSAGE_SET_KIND, a, 0);
        } else if (verb == "blink") {
            item.OnMessage(ui::ITEM_MESSAGE_SET_BLINK, a, 0);
        } else if (verb == "tick") {
            item.OnTick(static_cast<DWORD>(a));
        } else if (verb == "auto") {
            auto* button = dynamic_cast<ui::CSkinWindowItemButton*>(&item);
            ASSERT_NE(button, nullptr) << step;
            button->SetAutoCheck(a != 0);
        } else if (!verb.empty()) {
            ADD_FAILURE() << "unknown step: " << step;
        }
    }
}

ui::SkinBlock MakeSkinBlock(const std::string& name, const std::string& keywords)
{
    ui::SkinBlock block;
    block.m_strName = name;
    for (const std::string& entry : lib::SplitString(keywords.c_str(), ";")) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) continue;
        ui::SkinValues values = lib::SplitString(entry.c_str() + equals + 1, ",");
        if (values.empty()) values.push_back(std::string());
        block.m_mapKeyword[entry.substr(0, equals)] = values;
    }
    return block;
}

} // namespace skintest
