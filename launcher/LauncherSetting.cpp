#include "launcher/LauncherSetting.h"

#include "launcher/UserDataFolder.h"
#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"

#include <windows.h>

namespace {

const wchar_t kSection[] = L"Launcher";
const char kPcFileName[] = "Launcher.ini";
const char kUserFileName[] = "Setting.ini";

struct SettingKey {
    const wchar_t* m_pszKey;
    int32_t CLauncherSettingFile::*m_pField;
    int32_t m_iDefault;
};

// In file order: the user's keys 1 to 8, then the PC's 9 to 11.
const SettingKey kUserKeys[] = {
    {L"AutoDLWeather", &CLauncherSettingFile::m_iAutoDLWeather, 1},
    {L"AutoDLTraffic", &CLauncherSettingFile::m_iAutoDLTraffic, 1},
    {L"MachineType", &CLauncherSettingFile::m_iMachineType, 0},
    {L"DriveMemory", &CLauncherSettingFile::m_iDriveMemory, 1},
    {L"DisplayUpload", &CLauncherSettingFile::m_iDisplayUpload, 1},
    {L"UploadCurrNum", &CLauncherSettingFile::m_iUploadCurrNum, 0},
    {L"UploadTotNum", &CLauncherSettingFile::m_iUploadTotNum, 0},
    {L"Atlaro", &CLauncherSettingFile::m_iAtlaro, 1},
};
const SettingKey kPcKeys[] = {
    {L"FirstRan", &CLauncherSettingFile::m_iFirstRan, 1},
    {L"NickNameNo", &CLauncherSettingFile::m_iNickNameNo, -1},
    {L"AutoStartLauncher", &CLauncherSettingFile::m_iAutoStartLauncher, 1},
};

template <size_t N>
void ReadKeys(CLauncherSettingFile& record, const SettingKey (&keys)[N], const std::string& path)
{
    if (!lib::FileExists(path)) return;
    const std::wstring file = lib::StringToWString(path);
    for (const SettingKey& key : keys) {
        record.*key.m_pField = static_cast<int32_t>(
            ::GetPrivateProfileIntW(kSection, key.m_pszKey, key.m_iDefault, file.c_str()));
    }
}

template <size_t N>
void WriteKeys(const CLauncherSettingFile& record, const SettingKey (&keys)[N],
               const std::string& path)
{
    const std::wstring file = lib::StringToWString(path);
    for (const SettingKey& key : keys) {
        const std::wstring value = std::to_wstring(record.*key.m_pField);
        ::WritePrivateProfileStringW(kSection, key.m_pszKey, value.c_str(), file.c_str());
    }
}

bool IsOn(int32_t value) { return value == 1; }

} // namespace

CLauncherSettingFile::CLauncherSettingFile()
{
    for (const SettingKey& key : kUserKeys) this->*key.m_pField = key.m_iDefault;
    for (const SettingKey& key : kPcKeys) this->*key.m_pField = key.m_iDefault;
}

std::string CLauncherSettingFile::GetPcFilePath() { return lib::GetSettingFolder() + kPcFileName; }

std::string CLauncherSettingFile::GetUserFilePath(const std::string& userName)
{
    if (userName.empty()) return GetPcFilePath();
    return GetUserDataFolder(userName) + kUserFileName;
}

void CLauncherSettingFile::Load(const std::string& userName)
{
    ReadKeys(*this, kUserKeys, GetUserFilePath(userName));
    ReadKeys(*this, kPcKeys, GetPcFilePath());
}

void CLauncherSettingFile::Save(const std::string& userName) const
{
    WriteKeys(*this, kUserKeys, GetUserFilePath(userName));
    WriteKeys(*this, kPcKeys, GetPcFilePath());
}

CLauncherSetting& CLauncherSetting::GetInstance()
{
    static CLauncherSetting instance;
    return instance;
}

void CLauncherSetting::Load(const std::string& userName)
{
    CLauncherSettingFile file;
    file.Load(userName);
    m_uMachineType = static_cast<uint32_t>(file.m_iMachineType);
    m_bAutoDLWeather = IsOn(file.m_iAutoDLWeather);
    m_bAutoDLTraffic = IsOn(file.m_iAutoDLTraffic);
    m_bDriveMemory = IsOn(file.m_iDriveMemory);
    m_bDisplayUpload = IsOn(file.m_iDisplayUpload);
    m_bAtlaro = IsOn(file.m_iAtlaro);
    m_uUploadCurrNum = static_cast<uint32_t>(file.m_iUploadCurrNum);
    m_uUploadTotNum = static_cast<uint32_t>(file.m_iUploadTotNum);
    m_bFirstRan = IsOn(file.m_iFirstRan);
    m_iNickNameNo = file.m_iNickNameNo;
    m_bAutoStartLauncher = IsOn(file.m_iAutoStartLauncher);
}

void CLauncherSetting::Save(const std::string& userName) const
{
    CLauncherSettingFile file;
    file.m_iMachineType = static_cast<int32_t>(m_uMachineType);
    file.m_iAutoDLWeather = m_bAutoDLWeather ? 1 : 0;
    file.m_iAutoDLTraffic = m_bAutoDLTraffic ? 1 : 0;
    file.m_iDriveMemory = m_bDriveMemory ? 1 : 0;
    file.m_iDisplayUpload = m_bDisplayUpload ? 1 : 0;
    file.m_iAtlaro = m_bAtlaro ? 1 : 0;
    file.m_iUploadCurrNum = static_cast<int32_t>(m_uUploadCurrNum);
    file.m_iUploadTotNum = static_cast<int32_t>(m_uUploadTotNum);
    file.m_iFirstRan = m_bFirstRan ? 1 : 0;
    file.m_iNickNameNo = m_iNickNameNo;
    file.m_iAutoStartLauncher = m_bAutoStartLauncher ? 1 : 0;
    file.Save(userName);
}

void CLauncherSetting::StoreProbeHistory(const std::string& userName, bool displayUpload,
                                         uint32_t uploadCurrNum, uint32_t uploadTotNum)
{
    CLauncherSettingFile file;
    file.Load(userName);
    file.m_iDisplayUpload = displayUpload ? 1 : 0;
    file.m_iUploadCurrNum = static_cast<int32_t>(uploadCurrNum);
    file.m_iUploadTotNum = static_cast<int32_t>(uploadTotNum);
    file.Save(userName);
}
