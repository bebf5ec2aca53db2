#include "tests/launcher/support/ChkdskGate.h"

#include <atomic>

namespace launchertest {

namespace {
std::atomic<int> g_iGates(0);
const char kVariable[] = "KESTRUM_CHKDSK_GATE";
} // namespace

CChkdskGate::CChkdskGate()
    : m_strName("KestrumChkdskGate_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++g_iGates)),
      m_hGate(CreateEventA(nullptr, TRUE, FALSE, m_strName.c_str()))
{
    if (m_hGate != nullptr) SetEnvironmentVariableA(kVariable, m_strName.c_str());
}

CChkdskGate::~CChkdskGate()
{
    if (m_hGate == nullptr) return;
    Release();
    SetEnvironmentVariableA(kVariable, nullptr);
    CloseHandle(m_hGate);
}

void CChkdskGate::Release()
{
    if (m_hGate != nullptr) SetEvent(m_hGate);
}

} // namespace launchertest
