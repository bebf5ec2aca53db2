#include "tests/launcher/support/Observer.h"

#include "lib/wfc/DC.h"
#include "tests/gallery/PngWriter.h"
#include "tests/launcher/support/ProductFolder.h"
#include "tests/launcher/support/RecordFile.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace launchertest {

namespace {

std::atomic<int> g_iObservers(0);
// The observer's own message and the name it records it under (ObserverMain.cpp).
const char kSyncMessage[] = "KestrumLauncherObserverSync";
const char kSyncName[] = "sync";

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
    : m_uStart(0), m_uSyncs(0), m_hProcess(nullptr), m_hWindow(nullptr)
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
    while (GetTickCount() - begin < 60000) {
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
        if (ParseLine(line, message) && message.sName != kSyncName) seen.push_back(message);
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

bool CObserver::Sync(DWORD timeoutMs) const
{
    static const UINT sync = RegisterWindowMessageA(kSyncMessage);
    if (m_hWindow == nullptr) return false;
    const uint32_t mark = ++m_uSyncs;
    if (!PostMessageA(m_hWindow, sync, mark, 0)) return false;
    const DWORD begin = GetTickCount();
    for (;;) {
        for (const std::string& line :
             WholeLines(testsupport::ReadFileBytes(m_strRecord, m_uStart))) {
            ObservedMessage message;
            if (ParseLine(line, message) && message.sName == kSyncName &&
                message.uWParam == mark) {
                return true;
            }
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

// ---- the screen ----

bool CopyWindowFromScreen(HWND window, lib::wfc::CDIB& picture)
{
    RECT rect = {};
    if (window == nullptr || !IsWindowVisible(window) || !GetWindowRect(window, &rect) ||
        rect.right <= rect.left || rect.bottom <= rect.top) {
        return false;
    }
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    picture.Create(screen, width, height, 24);
    bool copied = false;
    if (picture.GetHandle() != nullptr) {
        lib::wfc::CMemDC memory(screen);
        const HGDIOBJ previous = memory.SelectObject(picture.GetHandle());
        // CAPTUREBLT takes layered windows in on Windows.
        copied = BitBlt(memory.GetHDC(), 0, 0, width, height, screen, rect.left, rect.top,
                        SRCCOPY | CAPTUREBLT) != 0;
        memory.SelectObject(previous);
    }
    ReleaseDC(nullptr, screen);
    return copied;
}

namespace {

bool AllBlack(const lib::wfc::CDIB& picture)
{
    const uint8_t* bits = picture.GetBits();
    return std::all_of(bits, bits + picture.GetBitsSize(), [](uint8_t byte) { return byte == 0; });
}

bool Alike(const lib::wfc::CDIB& one, const lib::wfc::CDIB& other)
{
    return one.GetWidth() == other.GetWidth() && one.GetHeight() == other.GetHeight() &&
           one.GetBitsSize() == other.GetBitsSize() &&
           std::memcmp(one.GetBits(), other.GetBits(), one.GetBitsSize()) == 0;
}

} // namespace

bool ShootWindow(HWND window, const std::string& pngPath, DWORD boundMs)
{
    const DWORD kStepMs = 150;
    // Two copies taken in turn: the newest and the one before it.
    lib::wfc::CDIB copies[2];
    int newest = 0;
    if (!CopyWindowFromScreen(window, copies[newest])) return false;
    const DWORD begin = GetTickCount();
    for (;;) {
        Sleep(kStepMs);
        newest = 1 - newest;
        if (!CopyWindowFromScreen(window, copies[newest])) return false;
        const bool settled = !AllBlack(copies[newest]) && Alike(copies[0], copies[1]);
        // After the bound the window is taken as it is, black or still changing.
        if (settled || GetTickCount() - begin >= boundMs) {
            // CLR_INVALID: no pixel is a key colour here.
            return gallery::WritePng(pngPath, copies[newest], CLR_INVALID);
        }
    }
}

} // namespace launchertest
