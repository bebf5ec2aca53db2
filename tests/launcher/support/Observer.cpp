#include "tests/launcher/support/Observer.h"

#include "tests/launcher/support/ProductFolder.h"
#include "tests/launcher/support/RecordFile.h"
#include "tests/support/TestSupport.h"

#include <atomic>
#include <cstdlib>

namespace launchertest {

namespace {

std::atomic<int> g_iObservers(0);

bool ParseLine(const std::string& line, ObservedMessage& message)
{
    const size_t first = line.find('\t');
    const size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
    if (second == std::string::npos) return false;
    message.sName = line.substr(0, first);
    message.uWParam = static_cast<uint32_t>(std::strtoul(line.c_str() + first + 1, nullptr, 16));
    message.uLParam = static_cast<uint32_t>(std::strtoul(line.c_str() + second + 1, nullptr, 16));
    return true;
}

} // namespace

CObserver::CObserver(const std::vector<std::string>& names, bool visible)
    : m_uStart(0), m_hProcess(nullptr), m_hWindow(nullptr)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    m_strRecord = std::string(temp) + "kestrum_observer_" + std::to_string(GetCurrentProcessId()) +
                  "_" + std::to_string(++g_iObservers) + ".txt";
    DeleteFileA(m_strRecord.c_str());

    std::string commandLine = "\"" + StandInFolder() + "launcher_observer.exe\" \"" + m_strRecord + "\"";
    if (visible) commandLine += " --visible";
    for (const std::string& name : names) commandLine += " \"" + name + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return;
    }
    CloseHandle(started.hThread);
    m_hProcess = started.hProcess;
    const DWORD begin = GetTickCount();
    while (GetTickCount() - begin < 20000) {
        const std::string text = testsupport::ReadFileBytes(m_strRecord);
        const std::vector<std::string> lines = WholeLines(text);
        if (!lines.empty()) {
            ObservedMessage ready;
            if (ParseLine(lines[0] + "\t0", ready) && ready.sName == "ready") {
                m_hWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(ready.uWParam));
                m_uStart = lines[0].size() + 2;
            }
            break;
        }
        if (WaitForSingleObject(m_hProcess, 20) == WAIT_OBJECT_0) break;
    }
}

CObserver::~CObserver()
{
    if (m_hProcess != nullptr) {
        if (m_hWindow != nullptr) PostMessageA(m_hWindow, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(m_hProcess, 5000) != WAIT_OBJECT_0) {
            TerminateProcess(m_hProcess, 1);
            WaitForSingleObject(m_hProcess, 5000);
        }
        CloseHandle(m_hProcess);
    }
    DeleteFileA(m_strRecord.c_str());
}

std::vector<ObservedMessage> CObserver::Seen() const
{
    std::vector<ObservedMessage> seen;
    for (const std::string& line : WholeLines(testsupport::ReadFileBytes(m_strRecord, m_uStart))) {
        ObservedMessage message;
        if (ParseLine(line, message)) seen.push_back(message);
    }
    return seen;
}

size_t CObserver::Count(const std::string& name) const
{
    size_t count = 0;
    for (const ObservedMessage& message : Seen()) count += message.sName == name ? 1 : 0;
    return count;
}

bool CObserver::WaitFor(const std::string& name, uint32_t wParam, DWORD timeoutMs) const
{
    const DWORD begin = GetTickCount();
    for (;;) {
        for (const ObservedMessage& message : Seen()) {
            if (message.sName == name && message.uWParam == wParam) return true;
        }
        if (GetTickCount() - begin >= timeoutMs) return false;
        Sleep(20);
    }
}

void CObserver::Forget()
{
    const std::string text = testsupport::ReadFileBytes(m_strRecord, m_uStart);
    const size_t end = text.rfind("\r\n");
    if (end != std::string::npos) m_uStart += end + 2;
}

} // namespace launchertest
