#include "updater/MsiInstallCallback.h"

#include "updater/CopyDataInstall.h"

#include <cstdlib>
#include <cstring>

namespace MsiInstaller {

namespace {

// Windows Installer's progress field kinds.
enum : int32_t {
    PROGRESS_RESET = 0,
    PROGRESS_ACTIONINFO = 1,
    PROGRESS_REPORT = 2,
    PROGRESS_ADDTOTAL = 3,
};

constexpr DWORD kSendTimeoutMs = 10000;

// The value after the first "N:" of the text, or false when the label is missing.
bool FieldAfter(const char* text, const char* label, int32_t& value)
{
    const char* at = std::strstr(text, label);
    if (at == nullptr) return false;
    value = static_cast<int32_t>(std::atol(at + 2));
    return true;
}

uint32_t High16(int32_t value) { return static_cast<uint32_t>(value) << 16; }

} // namespace

MsiInstallCallback::MsiInstallCallback()
    : m_hProgressWnd(nullptr)
    , m_uProgressMsg(0)
    , m_iId(-1)
{
    _ResetProgress();
}

void MsiInstallCallback::SetTarget(HWND window, UINT message, int32_t id)
{
    m_hProgressWnd = window;
    m_uProgressMsg = message;
    m_iId = id;
}

int MsiInstallCallback::Dispatch(int kind, UINT flags, const char* text)
{
    typedef int (MsiInstallCallback::*Handler)(UINT, const char*);
    static const Handler handlers[] = {
        &MsiInstallCallback::OnFatalExit,    &MsiInstallCallback::OnError,
        &MsiInstallCallback::OnWarning,      &MsiInstallCallback::OnUser,
        &MsiInstallCallback::OnInfo,         &MsiInstallCallback::OnFilesInUse,
        &MsiInstallCallback::OnResolveSource, &MsiInstallCallback::OnOutOfDiskSpace,
        &MsiInstallCallback::OnActionStart,  &MsiInstallCallback::OnActionData,
        &MsiInstallCallback::OnProgress,     &MsiInstallCallback::OnCommonData,
        &MsiInstallCallback::OnInitialize,   &MsiInstallCallback::OnTerminate,
        &MsiInstallCallback::OnShowDialog,
    };
    if (kind < 0 || kind >= static_cast<int>(sizeof handlers / sizeof handlers[0])) return 0;
    return (this->*handlers[kind])(flags, text != nullptr ? text : "");
}

MsiInstallCallback::ProgressFields MsiInstallCallback::_ParseProgress(const char* text)
{
    ProgressFields fields = {0, 0, 0, 0};
    if (text == nullptr) return fields;
    const char* kind = std::strstr(text, "1:");
    // The kind is the character three places on ("1: k"); a text that ends before it is a
    // record without a kind.
    if (kind == nullptr || kind[1] == '\0' || kind[2] == '\0' || kind[3] == '\0') {
        return fields;
    }
    fields.iKind = kind[3] - '0';
    if (!FieldAfter(text, "2:", fields.iField2)) return fields;
    if (!FieldAfter(text, "3:", fields.iField3)) return fields;
    FieldAfter(text, "4:", fields.iField4);
    return fields;
}

void MsiInstallCallback::_ResetProgress()
{
    m_iTotal = 0;
    m_bForward = true;
    m_bActionData = false;
    m_iPosition = 0;
    m_iStep = 0;
}

void MsiInstallCallback::_Send(uint32_t code, uint32_t value)
{
    if (!IsWindow(m_hProgressWnd)) return;
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(m_hProgressWnd, m_uProgressMsg, code, static_cast<LPARAM>(value),
                        SMTO_BLOCK, kSendTimeoutMs, &answer);
}

int MsiInstallCallback::OnFatalExit(UINT, const char*)
{
    _ResetProgress();
    return 0;
}

int MsiInstallCallback::OnError(UINT, const char*) { return 0; }
int MsiInstallCallback::OnWarning(UINT, const char*) { return 0; }

int MsiInstallCallback::OnUser(UINT flags, const char*)
{
    switch (flags & 0xF) {
    case MB_OK:
    case MB_OKCANCEL:
        return IDOK;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    case MB_RETRYCANCEL:
        return IDCANCEL;
    case MB_YESNOCANCEL:
    case MB_YESNO:
        return IDYES;
    default:
        return IDNO;
    }
}

int MsiInstallCallback::OnInfo(UINT, const char*) { return 0; }
int MsiInstallCallback::OnFilesInUse(UINT, const char*) { return 0; }
int MsiInstallCallback::OnResolveSource(UINT, const char*) { return 0; }
int MsiInstallCallback::OnOutOfDiskSpace(UINT, const char*) { return 0; }
int MsiInstallCallback::OnActionStart(UINT, const char*) { return 1; }

int MsiInstallCallback::OnActionData(UINT, const char*)
{
    if (m_bActionData) {
        m_iPosition += m_bForward ? m_iStep : -m_iStep;
        _Send(INSTALL_PROGRESS_POSITION, static_cast<uint32_t>(m_iPosition));
    }
    return 1;
}

int MsiInstallCallback::OnProgress(UINT, const char* text)
{
    const ProgressFields fields = _ParseProgress(text);
    switch (fields.iKind) {
    case PROGRESS_RESET:
        m_iTotal = fields.iField2;
        m_bForward = fields.iField3 == 0;
        m_iPosition = m_bForward ? 0 : m_iTotal;
        _Send(INSTALL_PROGRESS_TOTAL, High16(m_iTotal));
        return 1;
    case PROGRESS_ACTIONINFO:
        m_bActionData = fields.iField3 == 1;
        if (m_bActionData) m_iStep = fields.iField2;
        return 1;
    case PROGRESS_REPORT:
        // Before any reset the total is unknown and the position means nothing.
        if (m_iTotal != 0) {
            m_iPosition += m_bForward ? fields.iField2 : -fields.iField2;
            _Send(INSTALL_PROGRESS_POSITION, static_cast<uint32_t>(m_iPosition));
        }
        return 1;
    case PROGRESS_ADDTOTAL:
        if (fields.iField2 != 0) {
            m_iTotal += fields.iField2;
            _Send(INSTALL_PROGRESS_ADDTOTAL, High16(m_iTotal));
        }
        return 1;
    default:
        return 0;
    }
}

int MsiInstallCallback::OnCommonData(UINT, const char*) { return 1; }

int MsiInstallCallback::OnInitialize(UINT, const char*)
{
    _ResetProgress();
    _Send(INSTALL_PROGRESS_START, High16(m_iId));
    return 1;
}

int MsiInstallCallback::OnTerminate(UINT, const char*)
{
    // Posted: the receiver takes it as the signal to send its next package.
    if (IsWindow(m_hProgressWnd)) {
        PostMessageA(m_hProgressWnd, m_uProgressMsg, INSTALL_PROGRESS_END,
                     static_cast<LPARAM>(High16(m_iId)));
    }
    _ResetProgress();
    return 1;
}

int MsiInstallCallback::OnShowDialog(UINT, const char*) { return 1; }

} // namespace MsiInstaller
