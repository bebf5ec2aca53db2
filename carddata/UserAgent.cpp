#include "carddata/UserAgent.h"

#include "carddata/PcLinkFile.h"
#include "lib/StringUtility.h"
#include "lib/wfc/CriticalSection.h"

#include <cstdint>

namespace {

struct SharedUserAgent {
    CUserAgent agent;
    lib::wfc::CCriticalSection lock;
};

// Never destroyed: job threads still ending while the program exits may ask for it.
SharedUserAgent& Shared()
{
    static SharedUserAgent* shared = new SharedUserAgent;
    return *shared;
}

} // namespace

CUserAgent::CUserAgent() : m_cDrive(0) {}

CUserAgent::~CUserAgent() = default;

bool CUserAgent::Build()
{
    if (m_cDrive == 0) return false;
    CPcLinkFile link(0, m_cDrive);
    if (!link.IsReadOk() || !link.IsValid()) return false;
    const uint32_t unitCode = link.GetRecordShort(PCLINK_RECORD_UNIT_INFO) & 0xFF;
    const uint32_t version = link.GetRecordValue(PCLINK_RECORD_UNIT_INFO);
    m_strUserAgent = lib::FormatString("%02X%s/%X.%06X", unitCode, "FerroxPA", version >> 24,
                                       version & 0xFFFFFF);
    return true;
}

std::wstring CUserAgent::GetUserAgentW() const
{
    return lib::StringToWString(m_strUserAgent);
}

CUserAgent GetUserAgent(char driveLetter)
{
    // The card is read outside the lock: a slow card must not hold up the threads that only
    // want the text.
    CUserAgent fresh;
    fresh.SetDriveLetter(driveLetter);
    const bool built = fresh.Build();

    SharedUserAgent& shared = Shared();
    lib::wfc::CCriticalSection::CLock lock(&shared.lock, true);
    shared.agent.SetDriveLetter(driveLetter);
    if (built) shared.agent = fresh;
    return shared.agent;
}
