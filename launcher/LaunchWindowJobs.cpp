// The main window's jobs: the downloads and the stored-probe upload with their progress rows,
// the repeat timers, the jobs' errors, and the cards coming and going.

#include "launcher/LaunchWindow.h"

#include "carddata/SDInfoMgr.h"
#include "carddata/UserListFile.h"
#include "carddata/VolumeControl.h"
#include "launcher/LaunchWindowMessages.h"
#include "launcher/LaunchWindowTexts.h"
#include "launcher/LauncherSetting.h"
#include "launcher/RunAPPMgr.h"
#include "launcher/UserMessage.h"
#include "lib/TolveLog.h"
#include "online/Charge.h"
#include "online/InfoChargeCtrl.h"
#include "online/ProbeUpload.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemStaticImage.h"

#include <string>

namespace ui {

namespace {

using namespace LaunchWindowKey;
using namespace LaunchWindowText;

bool IsCardLetter(char letter) { return letter >= 'D' && letter <= 'Z'; }

// A catalogue text with the name in place of its one "%s".
std::string WithName(const char* text, const std::string& name)
{
    std::string result = text;
    const size_t at = result.find("%s");
    if (at != std::string::npos) result.replace(at, 2, name);
    return result;
}

const uint32_t kAskRenewCode = 0x25200202;

} // namespace

void CLaunchWindow::_ShowImages(CSkinWindowItemStaticImage* const images[3], int32_t count)
{
    for (int32_t i = 0; i < 3; ++i) {
        if (images[i] != nullptr) images[i]->SetVisible(i < count);
    }
}

// ---- downloads ----

void CLaunchWindow::_OnUpdateInfo()
{
    TOLVE_LOG(LOG_DEBUG, "CLaunchWindow::_OnUpdateInfo  Start");
    if (!IsWritableDrive(m_cActiveSD)) {
        TOLVE_LOG(LOG_INFO, "CLaunchWindow::_OnButtonUpdateInfo  SD Card is lock");
        ShowMessageBox(GetHwnd(), kCardLocked, kTextStyle);
        return;
    }
    CLauncherSetting& setting = CLauncherSetting::GetInstance();
    if (setting.GetAutoDLTraffic()) {
        if (m_strNickName.empty()) {
            ShowMessageBox(GetHwnd(), kNeedRegistration, kTextStyle);
        } else {
            const int32_t started = m_pInfoChargeCtrl->StartVelocet(GetHwnd());
            if (started == INFO_CHARGE_SKIPPED) {
                _ShowImages(m_pVelocetIngImage, 3);
                if (m_pVelocetDLImage != nullptr) m_pVelocetDLImage->SetVisible(true);
            } else if (started == 1) {
                m_bVelocetRunning = true;
                m_uVelocetProgress = 0;
                _ShowImages(m_pVelocetIngImage, 0);
                SetTimer(TIMER_VELOCET_BLINK, kBlinkPeriodMs);
            }
        }
    }
    if (setting.GetAutoDLWeather()) {
        const int32_t started = m_pInfoChargeCtrl->StartWeather(GetHwnd());
        if (started == INFO_CHARGE_SKIPPED) {
            _ShowImages(m_pWeatherIngImage, 3);
            if (m_pWeatherDLImage != nullptr) m_pWeatherDLImage->SetVisible(true);
        } else if (started == 1) {
            m_uWeatherProgress = 0;
            _ShowImages(m_pWeatherIngImage, 0);
            SetTimer(TIMER_WEATHER_BLINK, kBlinkPeriodMs);
        }
    }
}

// ---- stored-probe upload ----

// A job that still runs keeps everything it was given: its window, its card and its flag;
// only a new run is set up, and only once it has really started is the row reset.
void CLaunchWindow::_StartProbeUpload(bool automatic)
{
    if (!IsCardLetter(m_cActiveSD) || !m_pSDInfoMgr || !CSDInfoMgr::HasProbeData(m_cActiveSD)) {
        return;
    }
    if (m_pProbeUpload->IsRunning()) return;
    if (!m_pTool[TOOL_PROBE_LOG]) {
        m_pTool[TOOL_PROBE_LOG] = m_pFactory->MakeProbeLogWindow(GetHwnd());
        if (!m_pTool[TOOL_PROBE_LOG]) return;
        m_pTool[TOOL_PROBE_LOG]->CreateProbeLog(false);
    }
    m_pProbeUpload->SetNotifyWindow(m_pTool[TOOL_PROBE_LOG]->GetWindow());
    m_pProbeUpload->SetDriveLetter(m_cActiveSD);
    m_pProbeUpload->SetAutomatic(automatic);
    if (!m_pProbeUpload->StartProc()) return;
    m_uProbeProgress = 0;
    _ShowImages(m_pProbleIngImage, 0);
    SetTimer(TIMER_PROBE_BLINK, kBlinkPeriodMs);
    if (CLauncherSetting::GetInstance().GetDisplayUpload()) {
        m_pTool[TOOL_PROBE_LOG]->Show(SW_SHOW);
    }
}

bool CLaunchWindow::_IsSilentProbeUpload() const
{
    return m_pProbeUpload->IsAutomatic() && !CLauncherSetting::GetInstance().GetDisplayUpload();
}

// ---- progress ----

void CLaunchWindow::_OnProgress(uint32_t percent, uint32_t jobType)
{
    TOLVE_LOG(LOG_DEBUG, "CLaunchWindow::_OnProgressFinish uiProgress:%x,uiParam:%x", jobType,
              percent);
    switch (jobType) {
    case CHARGTYPE_PROBE_UPLOAD:
        m_uProbeProgress = percent;
        _ShowImages(m_pProbleIngImage, percent >= 100 ? 3 : percent >= 66 ? 2 : percent >= 33 ? 1 : 0);
        return;
    case CHARGTYPE_TRAFFIC:
    case CHARGTYPE_WEATHER: {
        const bool velocet = jobType == CHARGTYPE_TRAFFIC;
        (velocet ? m_uVelocetProgress : m_uWeatherProgress) = percent;
        CSkinWindowItemStaticImage* const* images = velocet ? m_pVelocetIngImage : m_pWeatherIngImage;
        if (percent == 33) {
            _ShowImages(images, 1);
        } else if (percent == 66) {
            _ShowImages(images, 2);
        } else if (percent == 100) {
            _ShowImages(images, 3);
            _StartRepeat(velocet ? TIMER_AUTO_VELOCET : TIMER_AUTO_WEATHER, velocet);
        }
        return;
    }
    default:
        return;
    }
}

void CLaunchWindow::_StartRepeat(UINT_PTR timer, bool velocet)
{
    SetTimer(timer, velocet ? kAutoVelocetPeriodMs : kAutoWeatherPeriodMs);
}

void CLaunchWindow::_OnProgressFinish(uint32_t jobType)
{
    TOLVE_LOG(LOG_DEBUG, "CLaunchWindow::_OnProgressFinish %x", jobType);
    switch (jobType) {
    case CHARGTYPE_TRAFFIC:
        _ShowImages(m_pVelocetIngImage, 3);
        m_bVelocetRunning = false;
        KillTimer(TIMER_VELOCET_BLINK);
        if (m_uVelocetProgress == 100) m_dwVelocetFinishTick = ::GetTickCount();
        if (m_pVelocetDLImage != nullptr) m_pVelocetDLImage->SetVisible(m_uVelocetProgress == 100);
        return;
    case CHARGTYPE_WEATHER:
        _ShowImages(m_pWeatherIngImage, 3);
        KillTimer(TIMER_WEATHER_BLINK);
        if (m_pWeatherDLImage != nullptr) m_pWeatherDLImage->SetVisible(m_uWeatherProgress == 100);
        return;
    case CHARGTYPE_PROBE_UPLOAD:
        _ShowImages(m_pProbleIngImage, 3);
        KillTimer(TIMER_PROBE_BLINK);
        if (m_pProbleINGImage != nullptr) m_pProbleINGImage->SetVisible(m_uProbeProgress == 100);
        if (m_uProbeProgress == 100) _InitMenu();
        return;
    default:
        return;
    }
}

// ---- timers ----

void CLaunchWindow::_Blink(UINT_PTR timer, uint32_t percent, uint8_t& phase,
                           CSkinWindowItemStaticImage* const images[3])
{
    phase = phase == 0 ? 1 : 0;
    if (percent >= 100) {
        KillTimer(timer);
        if (images[2] != nullptr) images[2]->SetVisible(true);
        return;
    }
    const int index = percent < 33 ? 0 : percent < 66 ? 1 : 2;
    if (images[index] != nullptr) images[index]->SetVisible(phase != 0);
}

void CLaunchWindow::OnTimer(UINT_PTR id)
{
    switch (id) {
    case TIMER_PROBE_BLINK:
        _Blink(id, m_uProbeProgress, m_byProbeBlink, m_pProbleIngImage);
        break;
    case TIMER_WEATHER_BLINK:
        _Blink(id, m_uWeatherProgress, m_byWeatherBlink, m_pWeatherIngImage);
        break;
    case TIMER_VELOCET_BLINK:
        _Blink(id, m_uVelocetProgress, m_byVelocetBlink, m_pVelocetIngImage);
        break;
    case TIMER_AUTO_VELOCET:
        if (m_bPaired && m_pInfoChargeCtrl->StartVelocet(GetHwnd()) == 1) {
            m_uVelocetProgress = 0;
            _ShowImages(m_pVelocetIngImage, 0);
            SetTimer(TIMER_VELOCET_BLINK, kBlinkPeriodMs);
        }
        break;
    case TIMER_AUTO_WEATHER:
        if (m_bPaired && m_pInfoChargeCtrl->StartWeather(GetHwnd()) == 1) {
            m_uWeatherProgress = 0;
            _ShowImages(m_pWeatherIngImage, 0);
            SetTimer(TIMER_WEATHER_BLINK, kBlinkPeriodMs);
        }
        break;
    default:
        break;
    }
    Base::OnTimer(id);
}

// ---- errors ----

void CLaunchWindow::_OnNotifyError(uint32_t code, uint32_t extra)
{
    if ((code >> CHARGE_TYPE_SHIFT) == 0) return;
    if ((code >> CHARGE_TYPE_SHIFT) == CHARGTYPE_PROBE_UPLOAD && _IsSilentProbeUpload()) return;
    const uint32_t detail = code & CHARGE_DETAIL_MASK;
    if ((code & CHARGE_CODE_MASK) == 0 || detail == CHARGE_DETAIL_ABORTED ||
        detail == CHARGE_DETAIL_UNRECORDED || detail == CHARGE_DETAIL_NO_DATA ||
        detail == CHARGE_DETAIL_NO_CARD) {
        return;
    }
    uint32_t style = 0;
    const std::string text = GetUserMessage(code, style, static_cast<int32_t>(extra));
    if (text.empty()) return;
    if (code == kAskRenewCode) {
        if (ShowMessageBox(GetHwnd(), text, kQuestionStyle) == IDYES) {
            _OpenWebPage(PAGE_VELOCET_RENEW);
        }
        return;
    }
    ShowMessageBox(GetHwnd(), text, style);
}

void CLaunchWindow::_OnProbeUploadError(uint32_t code, uint32_t extra)
{
    if (_IsSilentProbeUpload()) return;
    if (code == PROBE_NOTICE_OTHER_MODEL) {
        ShowMessageBox(GetHwnd(), kProbeOtherModel, kTextStyle);
        return;
    }
    uint32_t style = 0;
    const std::string text = GetUserMessage(code, style, static_cast<int32_t>(extra));
    if (!text.empty()) ShowMessageBox(GetHwnd(), text, style);
}

void CLaunchWindow::_ProbeMessagePro(uint32_t kind, int32_t userIndex)
{
    if (_IsSilentProbeUpload()) return;
    CUserListFile users;
    std::string deviceNo;
    std::string nickName;
    std::string folder;
    if (!users.GetUserByIndex(userIndex, deviceNo, nickName, folder)) {
        TOLVE_LOG(LOG_ERROR, "_ProbeMessagePro,nickname error  UserID:%d", userIndex);
        return;
    }
    const char* text = nullptr;
    uint32_t page = 0;
    if (kind == 1) {
        text = kProbeNotRegistered;
        page = PAGE_VELOCET_REGIST;
    } else if (kind == 2) {
        text = kProbeExpired;
        page = PAGE_VELOCET_RENEW;
    } else {
        return;
    }
    if (ShowMessageBox(GetHwnd(), WithName(text, nickName), kQuestionStyle) == IDYES) {
        _OpenWebPage(page);
    }
}

void CLaunchWindow::_OnNewNaviSD()
{
    if (m_bNewNaviAsking) return;
    m_bNewNaviAsking = true;
    const int answer = ShowMessageBox(GetHwnd(), kNewNaviSD, kQuestionStyle);
    m_bNewNaviAsking = false;
    if (answer != IDYES) return;
    if (_HasToolWindow(TOOL_PROBE_LOG)) {
        ::PostMessageA(m_pTool[TOOL_PROBE_LOG]->GetWindow(), WM_CLOSE, 0, 0);
    }
    _OnButtonLogin();
}

// ---- cards ----

void CLaunchWindow::_OnSDCardEjected(WPARAM result)
{
    _EnableAllButtons(true);
    m_pSDInfoMgr->StopEjectThread();
    if (result == 0) {
        m_pSDInfoMgr->SelectDrive(0);
        _UpdateSDState();
        ShowMessageBox(GetHwnd(), kEjected, MB_ICONINFORMATION);
    } else if (result == ERROR_ACCESS_DENIED) {
        ShowMessageBox(GetHwnd(), kEjectBusy, kTextStyle);
    } else {
        ShowMessageBox(GetHwnd(), kEjectFailed, kTextStyle);
    }
}

void CLaunchWindow::_BroadcastDeviceChange(WPARAM kind)
{
    DWORD recipients = BSM_APPLICATIONS;
    ::BroadcastSystemMessageA(BSF_POSTMESSAGE | BSF_IGNORECURRENTTASK, &recipients,
                              m_uDeviceChangeMsg, kind, 0);
}

void CLaunchWindow::_OnDeviceChange(WPARAM kind)
{
    bool choose = false;
    if (kind == DEVICE_ADD) {
        TOLVE_LOG(LOG_INFO, "CLaunchWindow::_OnDeviceChange DEVICE_ADD ");
        choose = !(m_cActiveSD >= 'C' && m_cActiveSD <= 'Z');
    } else if (kind == DEVICE_REMOVE) {
        TOLVE_LOG(LOG_INFO, "CLaunchWindow::_OnDeviceChange DEVICE_REMOVE ");
        const char root[] = {m_cActiveSD, ':', '\\', '\0'};
        choose = ::GetFileAttributesA(root) == INVALID_FILE_ATTRIBUTES;
    } else {
        return;
    }
    if (!choose || !m_pSDInfoMgr) {
        _BroadcastDeviceChange(kind);
        return;
    }
    const bool chosen = m_pSDInfoMgr->FindUnitCardDrive();
    _BroadcastDeviceChange(kind);
    // Refused: the drive's file system is neither FAT32 nor FAT.
    if (!chosen) {
        ShowMessageBox(GetHwnd(), kUnsupportedCard, kTextStyle);
    }
    _UpdateSDState();
    _InitMenu();
}

void CLaunchWindow::_UpdateSDState()
{
    if (m_pSDInfoMgr) {
        m_cActiveSD = m_pSDInfoMgr->GetSelectedDrive();
        m_bPaired = m_pSDInfoMgr->IsUnitCardDrive(m_cActiveSD);
    }
    if (!IsCardLetter(m_cActiveSD)) {
        if (m_pButtonUpdate != nullptr) m_pButtonUpdate->SetEnable(false);
        if (m_pButtonSDChoose != nullptr) m_pButtonSDChoose->SetVisible(true);
        if (m_pButtonClassSD != nullptr) m_pButtonClassSD->SetVisible(false);
        if (m_pButtonClassSDPairing != nullptr) m_pButtonClassSDPairing->SetVisible(false);
    } else {
        if (_HasToolWindow(TOOL_SD_MANAGER)) {
            ::PostMessageA(m_pTool[TOOL_SD_MANAGER]->GetWindow(), WM_CLOSE, 0, 0);
        }
        if (!IsWritableDrive(m_cActiveSD) && m_uStartMask == START_CHAIN_DONE) {
            ShowMessageBox(GetHwnd(), kCardLocked, kTextStyle);
        }
        if (m_pSDInfoMgr) m_cActiveSD = m_pSDInfoMgr->GetSelectedDrive();
        if (IsCardLetter(m_cActiveSD)) {
            if (m_pButtonUpdate != nullptr) m_pButtonUpdate->SetEnable(true);
            if (m_pButtonSDChoose != nullptr) m_pButtonSDChoose->SetVisible(false);
            if (m_pButtonClassSD != nullptr) m_pButtonClassSD->SetVisible(!m_bPaired);
            if (m_pButtonClassSDPairing != nullptr) m_pButtonClassSDPairing->SetVisible(m_bPaired);
            if (m_uStartMask == START_CHAIN_DONE) _StartProbeUpload(true);
        }
    }
    if (_HasToolWindow(TOOL_SETTING)) {
        ::PostMessageA(m_pTool[TOOL_SETTING]->GetWindow(), WM_LAUNCHER_CARD_STATE,
                       IsCardLetter(m_cActiveSD) ? 1 : 0, 0);
    }
}

} // namespace ui
