#include "tests/support/AgentBlock.h"

#include <gtest/gtest.h>

#include <cstring>

namespace testsupport {

CAgentBlock::CAgentBlock()
{
    m_dwCreated = m_oBlock.Create(CARD_SHARE_MEM_NAME, CARD_SHARE_MEM_SIZE, true, false);
}

void CAgentBlock::Write(int32_t removableMask, int32_t cardMask, char selected)
{
    CardShareRecord record;
    record.removableMask = removableMask;
    record.cardMask = cardMask;
    record.selectedDrive = static_cast<uint8_t>(selected);
    ASSERT_TRUE(m_oBlock.Lock());
    std::memcpy(m_oBlock.GetView(), &record, sizeof record);
    m_oBlock.Unlock();
}

CardShareRecord CAgentBlock::Read()
{
    CardShareRecord record;
    if (!m_oBlock.Lock()) return record;
    std::memcpy(&record, m_oBlock.GetView(), sizeof record);
    m_oBlock.Unlock();
    return record;
}

int32_t DriveBit(char letter) { return static_cast<int32_t>(1u << (letter - 'A')); }

} // namespace testsupport
