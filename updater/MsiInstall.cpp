#include "updater/MsiInstall.h"

#include "lib/TolveLog.h"
#include "updater/MsiInstallCallback.h"

namespace {

// Every message kind from 0 (fatal exit) to 14 (show dialog).
constexpr DWORD kAllMessageKinds = 0x7FFF;
constexpr int kLastMessageKind = 14;
constexpr int kKindProgress = 10;  // INSTALLMESSAGE_PROGRESS >> 24
constexpr int kKindTerminate = 13; // INSTALLMESSAGE_TERMINATE >> 24

// msi.dll, bound by ordinal once and kept for the life of the process; functions it lacks
// stay null.
MsiFunctions BindMsiDll()
{
    MsiFunctions functions = {};
    HMODULE msi = LoadLibraryA("msi.dll");
    if (msi == nullptr) return functions;
    functions.InstallProduct = reinterpret_cast<decltype(functions.InstallProduct)>(
        reinterpret_cast<void*>(GetProcAddress(msi, MAKEINTRESOURCEA(87))));
    functions.QueryProductState = reinterpret_cast<decltype(functions.QueryProductState)>(
        reinterpret_cast<void*>(GetProcAddress(msi, MAKEINTRESOURCEA(112))));
    functions.SetExternalUI = reinterpret_cast<decltype(functions.SetExternalUI)>(
        reinterpret_cast<void*>(GetProcAddress(msi, MAKEINTRESOURCEA(136))));
    functions.SetInternalUI = reinterpret_cast<decltype(functions.SetInternalUI)>(
        reinterpret_cast<void*>(GetProcAddress(msi, MAKEINTRESOURCEA(141))));
    return functions;
}

// Built by a static initialiser, before any thread of the program runs.
lib::wfc::CCriticalSection g_csInstance;
MsiInstall* g_pInstance = nullptr;
std::atomic<const MsiFunctions*> g_pReplaced(nullptr);

const MsiFunctions& Functions()
{
    const MsiFunctions* replaced = g_pReplaced.load();
    if (replaced != nullptr) return *replaced;
    static const MsiFunctions msiDll = BindMsiDll();
    return msiDll;
}

} // namespace

void SetMsiFunctions(const MsiFunctions* functions) { g_pReplaced.store(functions); }

MsiInstall::MsiInstall()
    : m_bCancel(false)
    , m_pCallback(nullptr)
{
}

MsiInstall* MsiInstall::GetInstance()
{
    lib::wfc::CCriticalSection::CLock lock(&g_csInstance, true);
    if (g_pInstance == nullptr) g_pInstance = new MsiInstall;
    return g_pInstance;
}

void MsiInstall::Cancel()
{
    lib::wfc::CCriticalSection::CLock lock(&m_csCancel, true);
    m_bCancel = true;
}

void MsiInstall::SetCallback(MsiInstaller::MsiInstallCallback* callback)
{
    m_pCallback.store(callback);
}

UINT MsiInstall::Install(const char* package, const char* commandLine)
{
    const MsiFunctions& msi = Functions();
    if (msi.InstallProduct == nullptr || msi.SetExternalUI == nullptr ||
        msi.SetInternalUI == nullptr) {
        return ERROR_PROC_NOT_FOUND;
    }
    msi.SetExternalUI(&MsiInstall::ExternalUIHandler, kAllMessageKinds, this);
    const INSTALLUILEVEL replaced = msi.SetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    TOLVE_LOG(LOG_INFO, "MsiInstall::SetInternalUI[UILevel:0x%08X]",
              static_cast<uint32_t>(replaced));
    return msi.InstallProduct(package, commandLine);
}

INSTALLSTATE MsiInstall::QueryProductState(const char* product)
{
    const MsiFunctions& msi = Functions();
    if (msi.QueryProductState == nullptr) return INSTALLSTATE_UNKNOWN;
    return msi.QueryProductState(product);
}

INT CALLBACK MsiInstall::ExternalUIHandler(LPVOID context, UINT messageType, LPCSTR message)
{
    if (context == nullptr) return 0;
    return static_cast<MsiInstall*>(context)->OnExternalUI(messageType, message);
}

int MsiInstall::OnExternalUI(UINT messageType, const char* message)
{
    MsiInstaller::MsiInstallCallback* callback = m_pCallback.load();
    if (callback == nullptr) return 0;
    const int kind = static_cast<int>(messageType >> 24);
    const UINT flags = messageType & 0x00FFFFFF;
    if (kind > kLastMessageKind) return 0;
    if (kind == kKindProgress) {
        lib::wfc::CCriticalSection::CLock lock(&m_csCancel, true);
        if (m_bCancel) return IDCANCEL;
    }
    if (kind == kKindTerminate) {
        lib::wfc::CCriticalSection::CLock lock(&m_csCancel, true);
        m_bCancel = false;
    }
    // The handler's own answer stays here: Windows Installer is answered 0.
    callback->Dispatch(kind, flags, message);
    return 0;
}
