#include "tests/updater/ScriptedInstaller.h"

#include "lib/wfc/CriticalSection.h"

namespace updatertest {

namespace {

constexpr DWORD kPauseLimitMs = 30000;

struct CScript {
    lib::wfc::CCriticalSection lock;
    std::vector<ScriptStep> steps;
    UINT result = ERROR_SUCCESS;
    std::vector<InstallCall> calls;
    size_t finished = 0;
    INSTALLUI_HANDLERA handler = nullptr;
    LPVOID context = nullptr;
    HANDLE paused = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE resume = CreateEventA(nullptr, FALSE, FALSE, nullptr);
};

CScript& Script()
{
    static CScript* script = new CScript;
    return *script;
}

UINT WINAPI ScriptedInstallProduct(LPCSTR package, LPCSTR commandLine)
{
    CScript& script = Script();
    InstallCall call;
    call.strPackage = package != nullptr ? package : "";
    call.bCommandLine = commandLine != nullptr;
    call.strCommandLine = commandLine != nullptr ? commandLine : "";
    call.dwThreadId = GetCurrentThreadId();
    std::vector<ScriptStep> steps;
    size_t index;
    UINT result;
    INSTALLUI_HANDLERA handler;
    LPVOID context;
    {
        lib::wfc::CCriticalSection::CLock lock(&script.lock, true);
        steps = script.steps;
        result = script.result;
        handler = script.handler;
        context = script.context;
        index = script.calls.size();
        script.calls.push_back(call);
    }
    for (const ScriptStep& step : steps) {
        if (step.bPause) {
            SetEvent(script.paused);
            WaitForSingleObject(script.resume, kPauseLimitMs);
            continue;
        }
        const int answer = handler != nullptr ? handler(context, step.uType, step.pszText) : 0;
        lib::wfc::CCriticalSection::CLock lock(&script.lock, true);
        script.calls[index].vecAnswers.push_back(answer);
    }
    lib::wfc::CCriticalSection::CLock lock(&script.lock, true);
    ++script.finished;
    return result;
}

INSTALLSTATE WINAPI ScriptedQueryProductState(LPCSTR) { return INSTALLSTATE_UNKNOWN; }

INSTALLUI_HANDLERA WINAPI ScriptedSetExternalUI(INSTALLUI_HANDLERA handler, DWORD, LPVOID context)
{
    CScript& script = Script();
    lib::wfc::CCriticalSection::CLock lock(&script.lock, true);
    INSTALLUI_HANDLERA previous = script.handler;
    script.handler = handler;
    script.context = context;
    return previous;
}

INSTALLUILEVEL WINAPI ScriptedSetInternalUI(INSTALLUILEVEL, HWND*) { return INSTALLUILEVEL_DEFAULT; }

const MsiFunctions kScripted = {
    &ScriptedInstallProduct,
    &ScriptedQueryProductState,
    &ScriptedSetExternalUI,
    &ScriptedSetInternalUI,
};

} // namespace

std::vector<ScriptStep> PlainInstall()
{
    return {
        {INSTALLMESSAGE_INITIALIZE, "", false},
        {INSTALLMESSAGE_PROGRESS, "1: 0 2: 100 3: 0 4: 0", false},
        {INSTALLMESSAGE_PROGRESS, "1: 2 2: 40 3: 0 4: 0", false},
        {INSTALLMESSAGE_PROGRESS, "1: 2 2: 60 3: 0 4: 0", false},
        {INSTALLMESSAGE_TERMINATE, "", false},
    };
}

CScriptedInstaller::CScriptedInstaller()
{
    CScript& script = Script();
    {
        lib::wfc::CCriticalSection::CLock lock(&script.lock, true);
        script.steps.clear();
        script.result = ERROR_SUCCESS;
        script.calls.clear();
        script.finished = 0;
    }
    ResetEvent(script.paused);
    ResetEvent(script.resume);
    SetMsiFunctions(&kScripted);
}

CScriptedInstaller::~CScriptedInstaller()
{
    SetMsiFunctions(nullptr);
    Resume();
}

void CScriptedInstaller::SetScript(const std::vector<ScriptStep>& steps, UINT result)
{
    CScript& script = Script();
    lib::wfc::CCriticalSection::CLock lock(&script.lock, true);
    script.steps = steps;
    script.result = result;
}

std::vector<InstallCall> CScriptedInstaller::Calls() const
{
    CScript& script = Script();
    lib::wfc::CCriticalSection::CLock lock(&script.lock, true);
    return script.calls;
}

size_t CScriptedInstaller::Finished() const
{
    CScript& script = Script();
    lib::wfc::CCriticalSection::CLock lock(&script.lock, true);
    return script.finished;
}

bool CScriptedInstaller::TakePaused() const
{
    return WaitForSingleObject(Script().paused, 0) == WAIT_OBJECT_0;
}

void CScriptedInstaller::Resume() const { SetEvent(Script().resume); }

} // namespace updatertest
