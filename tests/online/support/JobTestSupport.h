#pragma once
// What the tests of the online workers share beyond the stand-in itself.

#include "tests/online/support/StandIn.h"
#include "tests/support/TestSupport.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class CBlockShareMemHolder;

namespace onlinetest {

// "0x%08X", so that a failed comparison of result codes reads as the codes are written.
inline std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// A body that keeps trickling in, pieces 40 ms apart, and never ends: the stand-in gives one
// answer 120 s, a gigabyte at this pace takes some 45 minutes. A request stopped while it
// reads sees the stop at the end of the read it is in (under Wine a blocked WinHTTP read
// cannot be cut short, see tools/README.md), and no load can let the reply finish first.
inline CAnswer TrickleWithoutEnd() { return CAnswer().Pattern(1u << 30).Trickle(16384, 40); }

// Lets an answer held at a gate go once this process has logged a text (or after 20 s).
// Wine lets a blocked WinHTTP receive run on until its reply comes, so a request cancelled
// while its reply is held would keep the abort waiting for its full time: the test releases
// the reply only once the worker has logged that its own wait ended.
class CReleaseWhenLogged {
public:
    CReleaseWhenLogged(CStandIn& standIn, const char* gate, const char* text)
        : m_rStandIn(standIn), m_sGate(gate), m_sText(text)
    {
        m_oThread = std::thread([this] { _Run(); });
    }
    ~CReleaseWhenLogged() { m_oThread.join(); }
    CReleaseWhenLogged(const CReleaseWhenLogged&) = delete;
    CReleaseWhenLogged& operator=(const CReleaseWhenLogged&) = delete;

    bool SawText() const { return m_bSawText; }

private:
    void _Run()
    {
        const DWORD start = GetTickCount();
        while (!m_oLog.Has(m_sText) && GetTickCount() - start < 20000) Sleep(5);
        m_bSawText = m_oLog.Has(m_sText);
        m_rStandIn.Release(m_sGate);
    }

    CStandIn& m_rStandIn;
    std::string m_sGate;
    std::string m_sText;
    testsupport::CLogCapture m_oLog;
    std::atomic<bool> m_bSawText{false};
    std::thread m_oThread;
};

// The phase and result word of a job type's history record on a card (zeros when none).
std::pair<uint32_t, uint32_t> JobHistory(char card, uint32_t jobType);

// Posted values as hexadecimal words, so that a failed comparison shows them all.
std::string Describe(const std::vector<uint32_t>& values);

// "UserAgentShareMemName", made at the first call and kept for the program's life as the
// launcher's main window keeps it: the jobs read their current user from it.
CBlockShareMemHolder& CurrentUserBlock();

SYSTEMTIME LocalNow();

} // namespace onlinetest
