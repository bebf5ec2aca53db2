#include "online/InfoChargeCtrl.h"

#include "carddata/SDInfoFile.h"
#include "lib/BlockShareMemHolder.h"
#include "lib/TolveLog.h"
#include "online/Charge.h"
#include "online/InfoChargeVelocet.h"
#include "online/InfoChargeWeather.h"

#include <cstdint>
#include <string>

namespace {

// File times count 100 ns.
const uint64_t kFileTimeUnitsPerMinute = 600000000ull;

// The active card: the letter that the launcher chose in the agent's record, 0 for none.
char SelectedDrive()
{
    CBlockShareMemHolder holder;
    return holder.GetSelectDrive();
}

bool ToFileTime(const SYSTEMTIME& time, uint64_t* units)
{
    FILETIME file;
    if (!SystemTimeToFileTime(&time, &file)) return false;
    *units = static_cast<uint64_t>(file.dwHighDateTime) << 32 | file.dwLowDateTime;
    return true;
}

} // namespace

CInfoChargeCtrl::CInfoChargeCtrl()
    : m_pWeather(new CInfoChargeWeather())
    , m_pVelocet(new CInfoChargeVelocet())
{
}

CInfoChargeCtrl::~CInfoChargeCtrl()
{
    m_pWeather.reset();
    m_pVelocet.reset();
}

int32_t CInfoChargeCtrl::StartWeather(HWND notifyWindow)
{
    return _StartWhenDue(*m_pWeather, INFO_CHARGE_KIND_WEATHER,
                         INFO_CHARGE_WEATHER_INTERVAL_MINUTES, notifyWindow);
}

int32_t CInfoChargeCtrl::StartVelocet(HWND notifyWindow)
{
    return _StartWhenDue(*m_pVelocet, INFO_CHARGE_KIND_TRAFFIC,
                         INFO_CHARGE_TRAFFIC_INTERVAL_MINUTES, notifyWindow);
}

int32_t CInfoChargeCtrl::_StartWhenDue(CCharge& job, int32_t kind, int32_t intervalMinutes,
                                       HWND notifyWindow)
{
    // A running job keeps its window and card: it reads both until it ends.
    if (job.IsRunning()) {
        TOLVE_LOG(LOG_INFO, "CInfoChargeCtrl: kind %d still running", kind);
        return 0;
    }
    const int32_t minutes = _GetElapsedMinutes(kind);
    if (minutes != -1 && minutes < intervalMinutes) {
        TOLVE_LOG(LOG_INFO, "CInfoChargeCtrl: kind %d skipped, last success %d minutes ago", kind,
                  minutes);
        return INFO_CHARGE_SKIPPED;
    }
    job.SetNotifyWindow(notifyWindow);
    job.SetDriveLetter(SelectedDrive());
    return job.StartProc() ? 1 : 0;
}

void CInfoChargeCtrl::AbortAll(DWORD timeoutMs)
{
    m_pWeather->AbortProc(timeoutMs);
    m_pVelocet->AbortProc(timeoutMs);
}

int32_t CInfoChargeCtrl::_GetElapsedMinutes(int32_t kind)
{
    CSDInfoFile history(SelectedDrive());
    SYSTEMTIME recorded = {};
    uint32_t key = 0; // another kind looks nothing up
    if (kind == INFO_CHARGE_KIND_TRAFFIC) key = CHARGTYPE_TRAFFIC;
    if (kind == INFO_CHARGE_KIND_WEATHER) key = CHARGTYPE_WEATHER;
    if (key != 0) {
        SYSTEMTIME time;
        uint32_t phase = 0;
        uint32_t result = 0;
        std::string text;
        // Only a success of that job counts: its type in the top byte, 0 below.
        if (history.GetHistory(key, &time, &phase, &text, &result) &&
            result == MakeChargeResult(key, CHARGE_RESULT_SUCCESS)) {
            recorded = time;
        }
    }

    SYSTEMTIME now;
    GetLocalTime(&now);
    if (recorded.wYear == 0) return -1;
    uint64_t nowUnits = 0;
    uint64_t recordedUnits = 0;
    // A time that is no time (a damaged record) is as unknown as none: the download runs.
    if (!ToFileTime(now, &nowUnits) || !ToFileTime(recorded, &recordedUnits)) return -1;
    // A record from the future (the clock was set back) is unknown too.
    if (nowUnits < recordedUnits) return -1;
    const uint64_t minutes = (nowUnits - recordedUnits) / kFileTimeUnitsPerMinute;
    return minutes > INT32_MAX ? INT32_MAX : static_cast<int32_t>(minutes);
}
