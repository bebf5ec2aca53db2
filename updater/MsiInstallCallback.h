#pragma once
// Turns Windows Installer's messages for one request into the progress messages of the
// request's window: a start, the total and position in ticks, and an end.

#include <windows.h>

#include <cstdint>

namespace MsiInstaller {

class MsiInstallCallback {
public:
    MsiInstallCallback();

    // The window and message that get the progress; id is the request's APLType.
    void SetTarget(HWND window, UINT message, int32_t id);

    // Calls the handler of the message kind (0 to 14); other kinds give 0.
    int Dispatch(int kind, UINT flags, const char* text);

    // One handler per message kind, in the order of the kinds. Their answers are
    // computed for Windows Installer but not passed on (MsiInstall answers 0).
    virtual int OnFatalExit(UINT flags, const char* text);
    virtual int OnError(UINT flags, const char* text);
    virtual int OnWarning(UINT flags, const char* text);
    virtual int OnUser(UINT flags, const char* text);
    virtual int OnInfo(UINT flags, const char* text);
    virtual int OnFilesInUse(UINT flags, const char* text);
    virtual int OnResolveSource(UINT flags, const char* text);
    virtual int OnOutOfDiskSpace(UINT flags, const char* text);
    virtual int OnActionStart(UINT flags, const char* text);
    virtual int OnActionData(UINT flags, const char* text);
    virtual int OnProgress(UINT flags, const char* text);
    virtual int OnCommonData(UINT flags, const char* text);
    virtual int OnInitialize(UINT flags, const char* text);
    virtual int OnTerminate(UINT flags, const char* text);
    virtual int OnShowDialog(UINT flags, const char* text);

protected:
    // A progress record "1: k 2: n 3: n 4: n": the field kind and the numbers.
    struct ProgressFields {
        int32_t iKind;
        int32_t iField2;
        int32_t iField3;
        int32_t iField4;
    };
    static ProgressFields _ParseProgress(const char* text);

private:
    void _ResetProgress();
    void _Send(uint32_t code, uint32_t value);

    int32_t m_iTotal;
    bool m_bForward;
    bool m_bActionData;
    int32_t m_iPosition;
    int32_t m_iStep;
    HWND m_hProgressWnd;
    UINT m_uProgressMsg;
    int32_t m_iId;
};

} // namespace MsiInstaller
