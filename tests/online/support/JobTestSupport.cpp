#include "tests/online/support/JobTestSupport.h"

#include "carddata/SDInfoFile.h"

namespace onlinetest {

std::pair<uint32_t, uint32_t> JobHistory(char card, uint32_t jobType)
{
    CSDInfoFile history(card);
    SYSTEMTIME time;
    uint32_t phase = 0;
    uint32_t result = 0;
    std::string text;
    history.GetHistory(jobType, &time, &phase, &text, &result);
    return {phase, result};
}

} // namespace onlinetest
