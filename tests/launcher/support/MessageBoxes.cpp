#include "tests/launcher/support/MessageBoxes.h"

#include "lib/DbcsText.h"
#include "lib/TolveLog.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/MessageBoxWindow.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <cstring>

namespace launchertest {

namespace {

const char kBoxLine[] = "ShowMessageBox owner:";

// One box line of a log: where it ends, its owner, style and escaped text.
struct BoxLine {
    size_t uEnd = 0;
    uint32_t uOwner = 0;
    uint32_t uStyle = 0;
    std::string sEscaped;
};

// The next whole box line at or after `from`; false when none is complete yet.
bool NextBoxLine(const std::string& log, size_t from, BoxLine& line)
{
    for (size_t at = from; (at = log.find(kBoxLine, at)) != std::string::npos; ++at) {
        const size_t end = log.find("\r\n", at);
        if (end == std::string::npos) return false;
        // "ShowMessageBox owner:XXXXXXXX style:0xXXXXXXXX text"
        const char* p = log.c_str() + at + sizeof kBoxLine - 1;
        char* after = nullptr;
        line.uOwner = static_cast<uint32_t>(std::strtoul(p, &after, 16));
        if (after != p + 8 || std::strncmp(after, " style:0x", 9) != 0) continue;
        p = after + 9;
        line.uStyle = static_cast<uint32_t>(std::strtoul(p, &after, 16));
        if (after != p + 8 || after >= log.c_str() + end || *after != ' ') continue;
        line.sEscaped.assign(static_cast<const char*>(after) + 1, log.c_str() + end);
        line.uEnd = end + 2;
        return true;
    }
    return false;
}

std::string UnescapeBoxText(const std::string& escaped)
{
    std::string text;
    const char* p = escaped.c_str();
    const char* end = p + escaped.size();
    while (p < end) {
        const size_t size = lib::DbcsCharSizeN(p, static_cast<size_t>(end - p));
        if (size == 1 && *p == '\\' && p + 1 < end && (p[1] == 'r' || p[1] == 'n')) {
            text += p[1] == 'r' ? '\r' : '\n';
            p += 2;
            continue;
        }
        text.append(p, size);
        p += size;
    }
    return text;
}

ShownBox ToShownBox(const BoxLine& line)
{
    ShownBox box;
    box.uOwner = line.uOwner;
    box.uStyle = line.uStyle;
    box.sText = UnescapeBoxText(line.sEscaped);
    return box;
}

uint32_t HandleValue(HWND window) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)); }

struct BoxSearch {
    DWORD dwProcess;
    uint32_t uOwner;
    std::string sTitle;
    HWND hFound;
};

BOOL CALLBACK TestWindow(HWND window, LPARAM parameter)
{
    BoxSearch& search = *reinterpret_cast<BoxSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search.dwProcess || !IsWindowVisible(window)) return TRUE;
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, lib::wfc::kDefaultWindowClass) != 0) return TRUE;
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    const LONG_PTR boxStyle = ui::CMessageBoxWindowBase::kStyle;
    if ((style & boxStyle) != boxStyle) return TRUE;
    const uint32_t owner = HandleValue(GetWindow(window, GW_OWNER));
    const uint32_t desktop = HandleValue(GetDesktopWindow());
    const bool ownerless = search.uOwner == 0 || search.uOwner == desktop;
    if (ownerless ? (owner != 0 && owner != desktop) : owner != search.uOwner) return TRUE;
    // The box takes its owner's title.
    char title[100] = {};
    GetWindowTextA(window, title, sizeof title);
    if (search.sTitle != title) return TRUE;
    search.hFound = window;
    return FALSE;
}

const ShownBox& NoBox()
{
    static const ShownBox s_none;
    return s_none;
}

} // namespace

std::string EscapeBoxText(const std::string& text)
{
    // CR and LF are never the trail byte of a double-byte character.
    std::string escaped;
    for (const char c : text) {
        if (c == '\r') {
            escaped += "\\r";
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

CBoxWatch::CBoxWatch(const std::string& logPath, DWORD processId, size_t from)
    : m_strLog(logPath), m_dwProcess(processId), m_uNext(from)
{
}

HWND CBoxWatch::FindBoxWindow(DWORD processId, uint32_t owner)
{
    BoxSearch search = {processId, owner, std::string(), nullptr};
    const uint32_t desktop = HandleValue(GetDesktopWindow());
    if (owner != 0 && owner != desktop) {
        HWND ownerWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(owner));
        // A modal box disables its owner while it runs.
        if (!IsWindow(ownerWindow) || IsWindowEnabled(ownerWindow)) return nullptr;
        char title[100] = {};
        GetWindowTextA(ownerWindow, title, sizeof title);
        search.sTitle = title;
    }
    EnumWindows(&TestWindow, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

ShownBox CBoxWatch::WaitForBox(const std::string& text, DWORD timeoutMs)
{
    const std::string wanted = EscapeBoxText(text);
    const DWORD begin = GetTickCount();
    size_t from = m_uNext;
    bool lineSeen = false;
    BoxLine line;
    for (;;) {
        if (!lineSeen) {
            // The file from the watch's offset on, read afresh: it only grows.
            const std::string log = testsupport::ReadFileBytes(m_strLog, m_uNext);
            BoxLine candidate;
            while (NextBoxLine(log, from - m_uNext, candidate)) {
                from = m_uNext + candidate.uEnd;
                if (text.empty() || candidate.sEscaped == wanted) {
                    line = candidate;
                    lineSeen = true;
                    break;
                }
            }
        }
        if (lineSeen) {
            if (HWND window = FindBoxWindow(m_dwProcess, line.uOwner)) {
                m_uNext = from;
                ShownBox box = ToShownBox(line);
                box.hBox = window;
                return box;
            }
        }
        if (GetTickCount() - begin >= timeoutMs) {
            if (!lineSeen) return NoBox();
            m_uNext = from;
            return ToShownBox(line);
        }
        Sleep(20);
    }
}

ShownBox WaitForBox(const std::string& text, DWORD timeoutMs)
{
    const std::string wanted = EscapeBoxText(text);
    const DWORD begin = GetTickCount();
    for (;;) {
        const std::string log = testsupport::ReadLog();
        BoxLine newest, candidate;
        bool seen = false;
        for (size_t from = 0; NextBoxLine(log, from, candidate); from = candidate.uEnd) {
            if (text.empty() || candidate.sEscaped == wanted) {
                newest = candidate;
                seen = true;
            }
        }
        if (seen) {
            if (HWND window = CBoxWatch::FindBoxWindow(GetCurrentProcessId(), newest.uOwner)) {
                ShownBox box = ToShownBox(newest);
                box.hBox = window;
                return box;
            }
        }
        if (GetTickCount() - begin >= timeoutMs) return seen ? ToShownBox(newest) : NoBox();
        Sleep(20);
    }
}

bool PressBox(const ShownBox& box, int result)
{
    namespace key = ui::MessageBoxWindowKey;
    if (!box.Found()) return false;
    const std::vector<const ui::SkinItemKey*> buttons =
        ui::CMessageBoxWindow::ButtonSet(box.uStyle & MB_TYPEMASK);
    const ui::SkinItemKey* pressed = nullptr;
    for (const ui::SkinItemKey* button : buttons) {
        const int offered = button == &key::kOkButton       ? IDOK
                            : button == &key::kCancelButton ? IDCANCEL
                            : button == &key::kYesButton    ? IDYES
                            : button == &key::kNoButton     ? IDNO
                            : button == &key::kRetryButton  ? IDRETRY
                                                            : 0;
        if (offered == result) pressed = button;
    }
    if (pressed == nullptr && result == IDCANCEL) pressed = &key::kCloseButton;
    if (pressed == nullptr) return false;
    return PostMessageA(box.hBox, WM_COMMAND, MAKEWPARAM(pressed->m_nId, 1), 0) != FALSE;
}

// ---- pressing from inside the box's loop ----

namespace {
CBoxPresser* g_pPresser = nullptr;
const UINT kPresserTickMs = 30;
} // namespace

CBoxPresser::CBoxPresser(const std::string& text, int result, DWORD timeoutMs)
    : m_strText(text), m_iResult(result), m_dwTimeoutMs(timeoutMs), m_dwStart(GetTickCount()),
      m_uTimer(0), m_bPressed(false)
{
    g_pPresser = this;
    m_uTimer = SetTimer(nullptr, 0, kPresserTickMs, &CBoxPresser::_OnTimer);
}

CBoxPresser::~CBoxPresser()
{
    if (m_uTimer != 0) KillTimer(nullptr, m_uTimer);
    if (g_pPresser == this) g_pPresser = nullptr;
}

void CALLBACK CBoxPresser::_OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    if (g_pPresser != nullptr && g_pPresser->m_uTimer == id) {
        g_pPresser->_Tick();
    } else {
        KillTimer(nullptr, id);
    }
}

void CBoxPresser::_Tick()
{
    const ShownBox box = WaitForBox(m_strText, 0);
    const bool ready = box.Found() && (!m_fnReady || m_fnReady());
    if (ready && PressBox(box, m_iResult)) {
        m_box = box;
        m_bPressed = true;
    } else if (GetTickCount() - m_dwStart >= m_dwTimeoutMs) {
        // Whatever box stands ends, so that its loop returns and the test reports.
        m_box = WaitForBox(std::string(), 0);
        if (m_box.Found()) PostMessageA(m_box.hBox, WM_CLOSE, 0, 0);
    } else {
        return;
    }
    KillTimer(nullptr, m_uTimer);
    m_uTimer = 0;
}

} // namespace launchertest
