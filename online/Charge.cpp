#include "online/Charge.h"

#include "carddata/SDInfoFile.h"
#include "lib/Path.h"
#include "lib/TolveLog.h"
#include "lib/WinFileSystemLib.h"

#include <process.h>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<ChargeVolumeFlush> g_pVolumeFlush{nullptr};

bool FlushVolume(char driveLetter)
{
    const ChargeVolumeFlush flush = g_pVolumeFlush.load();
    return flush != nullptr ? flush(driveLetter) : lib::IsLockableDrive(driveLetter);
}

} // namespace

void SetChargeVolumeFlush(ChargeVolumeFlush flush) { g_pVolumeFlush.store(flush); }

CCharge::CCharge(uint32_t chargeType)
    : CHARGTYPE(chargeType)
    , m_hNotifyWnd(nullptr)
    , m_byReRun(0)
    , m_cDriveLetter(0)
    , m_bFinishPosted(false)
{
}

CCharge::~CCharge()
{
    if (m_hThread.IsValid()) {
        // The worker may be waiting on the abort event or about to test it: it must end
        // before the event is closed, or it would wait on a handle value that the system
        // may already have given to another object.
        if (m_hAbortEvent.IsValid()) SetEvent(m_hAbortEvent.Get());
        if (WaitForSingleObject(m_hThread.Get(), CHARGE_DESTROY_WAIT_MS) == WAIT_TIMEOUT) {
            TOLVE_LOG(LOG_ERROR, "CCharge::~CCharge: worker terminated CHARGTYPE:%08X",
                      CHARGTYPE);
            TerminateThread(m_hThread.Get(), 0);
            WaitForSingleObject(m_hThread.Get(), INFINITE);
        }
        m_hThread.Close();
    }
    m_hAbortEvent.Close();
}

bool CCharge::StartProc()
{
    if (!_ReleaseEndedWorker()) {
        TOLVE_LOG(LOG_ERROR, "%s", "CCharge::StartProc: already Start");
        return false;
    }

    if (!m_hAbortEvent.IsValid()) {
        char name[32];
        std::snprintf(name, sizeof name, "Event_Core_Abort_%08X", CHARGTYPE);
        *m_hAbortEvent.Out() = CreateEventA(nullptr, TRUE, FALSE, name);
        if (!m_hAbortEvent.IsValid()) {
            // The run goes on and sees itself aborted (IsAbort).
            TOLVE_LOG(LOG_ERROR, "CCharge::StartProc: abort event failure %s ERR:0x%08lX", name,
                      GetLastError());
        }
    }
    if (m_hAbortEvent.IsValid()) ResetEvent(m_hAbortEvent.Get());

    if (!_IsSDExists()) {
        TOLVE_LOG(LOG_INFO, "CCharge::StartProc No SD Card CHARGTYPE:%08X", CHARGTYPE);
        _NotifyError(CHARGE_RESULT_NO_CARD, 0);
        _PostRegistered(QZL_NOTIFY_FINISH, 0, CHARGTYPE);
        return true;
    }

    // Made suspended so that the handle is in place before the worker posts its value.
    HANDLE thread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &CCharge::_ProcThread, this, CREATE_SUSPENDED, nullptr));
    if (thread == nullptr) {
        TOLVE_LOG(LOG_ERROR, "CCharge::StartProc:Processing thread beginning failure ERR:0x%08lX.",
                  GetLastError());
        return false;
    }
    *m_hThread.Out() = thread;
    m_bFinishPosted.store(false);
    if (ResumeThread(thread) == static_cast<DWORD>(-1)) {
        TOLVE_LOG(LOG_ERROR, "CCharge::StartProc:Processing thread beginning failure ERR:0x%08lX.",
                  GetLastError());
        TerminateThread(thread, 0);
        m_hThread.Close();
        return false;
    }
    return true;
}

bool CCharge::AbortProc(DWORD timeoutMs)
{
    if (_ReleaseEndedWorker()) {
        TOLVE_LOG(LOG_ERROR, "%s", "CCharge::AbortProc Thread none at processing interruption");
        return false;
    }
    if (m_hAbortEvent.IsValid()) SetEvent(m_hAbortEvent.Get());
    if (WaitForSingleObject(m_hThread.Get(), timeoutMs) != WAIT_TIMEOUT) m_hThread.Close();
    return true;
}

bool CCharge::IsRunning() { return !_ReleaseEndedWorker(); }

bool CCharge::_ReleaseEndedWorker()
{
    if (!m_hThread.IsValid()) return true;
    // A finish that has been posted may already have been handled by the caller, who then
    // rightly sees the run as over: give the worker its moment to return.
    const DWORD wait = m_bFinishPosted.load() ? CHARGE_FINISHING_WAIT_MS : 0;
    if (WaitForSingleObject(m_hThread.Get(), wait) != WAIT_OBJECT_0) return false;
    m_hThread.Close();
    return true;
}

bool CCharge::IsAbort() const
{
    return WaitForSingleObject(m_hAbortEvent.Get(), 0) != WAIT_TIMEOUT;
}

unsigned __stdcall CCharge::_ProcThread(void* parameter)
{
    CCharge* self = static_cast<CCharge*>(parameter);
    uint32_t result = CHARGE_RESULT_SUCCESS;
    for (;;) {
        const bool wasRepeat = self->m_byReRun != 0;
        self->m_byReRun = 0;
        result = self->_Proc();
        if (wasRepeat || self->m_byReRun == 0) break;
    }

    // Locking the volume makes Windows write the card's cached data out, so the card can
    // be pulled once the finish message has arrived.
    if (!FlushVolume(self->m_cDriveLetter)) {
        TOLVE_LOG(LOG_ERROR, "CCharge::_ProcThread: SD flash failure SD:%c ERR:0x%08lX",
                  self->m_cDriveLetter, GetLastError());
    }

    self->m_bFinishPosted.store(true);
    self->_PostRegistered(QZL_NOTIFY_FINISH, reinterpret_cast<WPARAM>(self->m_hThread.Get()),
                          self->CHARGTYPE);
    return result;
}

bool CCharge::_IsSDExists() const
{
    if (m_cDriveLetter == 0) return false;
    const char root[] = {m_cDriveLetter, ':', '\\', '\0'};
    return lib::PathFileExistsStr(root);
}

void CCharge::_PostRegistered(const char* name, WPARAM wParam, LPARAM lParam)
{
    PostMessageA(m_hNotifyWnd, lib::GetRegisteredMessage(name), wParam, lParam);
}

void CCharge::_NotifyProgress(uint32_t percent)
{
    _PostRegistered(QZL_NOTIFY_PROGRESS, percent, CHARGTYPE);
}

void CCharge::_NotifyError(uint32_t code, uint32_t extra)
{
    _PostRegistered(QZL_NOTIFY_ERROR, MakeChargeResult(CHARGTYPE, code), extra);
}

void CCharge::_PostStatusMessage(WPARAM wParam, LPARAM lParam)
{
    PostMessageA(m_hNotifyWnd, WM_PROBEUPLOAD_STATUS, wParam, lParam);
}

void CCharge::_PostPercentMessage(uint32_t percent)
{
    PostMessageA(m_hNotifyWnd, WM_PROBEUPLOAD_PERCENT, percent, 0);
}

bool CCharge::_SaveHistory(uint32_t kind, uint32_t code, uint32_t dataVersion,
                           uint32_t mapVersion, uint32_t key)
{
    const uint32_t result = MakeChargeResult(CHARGTYPE, code);
    TOLVE_LOG(LOG_INFO, "CCharge::_SaveHistory - Start RES:0x%08X VER:0x%08X MAP:0x%08X", result,
              dataVersion, mapVersion);
    // Only a job of type 16 would record its starts; none of this system's jobs is one.
    if (kind == CHARGE_HISTORY_STARTED && CHARGTYPE != 16) return true;
    const uint32_t detail = code & CHARGE_DETAIL_MASK;
    if (detail == CHARGE_DETAIL_UNRECORDED || detail == CHARGE_DETAIL_NO_DATA) return true;

    SYSTEMTIME now;
    GetLocalTime(&now);
    CSDInfoFile history(m_cDriveLetter);
    return history.SaveHistory(key != 0 ? key : CHARGTYPE, now, kind, result, dataVersion,
                               mapVersion, nullptr);
}

uint32_t CCharge::_WriteNewCardFile(const std::string& path, const void* data, uint32_t size,
                                    uint32_t* error)
{
    *error = 0;
    // A folder that cannot be made shows in the creation's error below.
    lib::CreateDirectoryRecursive(lib::PathRemoveFileSpecStr(path));
    DeleteFileA(path.c_str());
    CWinFileSystemLib files(GetAbortEvent());
    lib::CHandle file(files.CreateFile_Recover(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                               nullptr, CREATE_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                               nullptr));
    if (!file.IsValid()) {
        *error = files.GetLastError();
        return CHARGE_RESULT_CARD_CREATE;
    }
    DWORD written = 0;
    if (!files.WriteFile_Recover(file.Get(), data, size, &written, nullptr) || written != size) {
        // A short write that the system called a success leaves no error of its own.
        *error = files.GetLastError() != 0 ? files.GetLastError() : ERROR_HANDLE_DISK_FULL;
        file.Close();
        DeleteFileA(path.c_str());
        return CHARGE_RESULT_CARD_WRITE;
    }
    return CHARGE_RESULT_SUCCESS;
}
