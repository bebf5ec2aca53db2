#pragma once
// The information downloads of the launcher's main window: one weather job and one traffic
// job, and the decision whether a requested download really runs. A download is skipped
// while the active card's last successful acquisition of that kind is known and recent:
// younger than 720 minutes for weather, 30 minutes for traffic. Otherwise the job gets the
// notify window and the active card's letter (from "KestrumShareMemName") and is started;
// with no card it reports the missing card itself.
//
// The main window owns one scheduler for its whole life and calls it on its own thread:
//     int32_t started = scheduler.StartWeather(window); // -1 skipped, 1 started, 0 refused
//     ...
//     scheduler.AbortAll(INFINITE);                     // before deleting it

#include <windows.h>

#include <cstdint>
#include <memory>

class CCharge;
class CInfoChargeWeather;
class CInfoChargeVelocet;

// Minimum time between two successful acquisitions.
const int32_t INFO_CHARGE_WEATHER_INTERVAL_MINUTES = 720;
const int32_t INFO_CHARGE_TRAFFIC_INTERVAL_MINUTES = 30;

// The kinds of _GetElapsedMinutes.
enum : int32_t {
    INFO_CHARGE_KIND_TRAFFIC = 0,
    INFO_CHARGE_KIND_WEATHER = 1,
};

// StartWeather and StartVelocet: the download was skipped, its last success being recent.
const int32_t INFO_CHARGE_SKIPPED = -1;

class CInfoChargeCtrl {
public:
    // Makes both jobs.
    CInfoChargeCtrl();
    // Deletes the weather job, then the traffic job. Call AbortAll first: a job's body must
    // not outlive its object.
    virtual ~CInfoChargeCtrl();

    CInfoChargeCtrl(const CInfoChargeCtrl&) = delete;
    CInfoChargeCtrl& operator=(const CInfoChargeCtrl&) = delete;

    // 0 while the job still runs (nothing of it is touched); INFO_CHARGE_SKIPPED; or the
    // job's StartProc: 1 started (or the missing card reported at once), 0 no worker could
    // be made.
    int32_t StartWeather(HWND notifyWindow);
    int32_t StartVelocet(HWND notifyWindow);

    // Aborts the weather job, then the traffic job, each waiting up to the time-out.
    void AbortAll(DWORD timeoutMs);

private:
    // Starts the job with the window and the active card unless its last success is younger
    // than the interval.
    int32_t _StartWhenDue(CCharge& job, int32_t kind, int32_t intervalMinutes, HWND notifyWindow);
    // Minutes since the active card's last successful acquisition of the kind, -1 when
    // unknown (no card, no success recorded, a time that is no time, or one in the future).
    int32_t _GetElapsedMinutes(int32_t kind);

    std::unique_ptr<CInfoChargeWeather> m_pWeather;
    std::unique_ptr<CInfoChargeVelocet> m_pVelocet;
};
