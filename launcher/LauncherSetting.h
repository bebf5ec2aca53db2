#pragma once
// The launcher's eleven settings, kept in section "Launcher" of two ini files: keys 1 to 8
// belong to the current user ("Setting.ini" in the user's folder of the Data folder, or
// "Launcher.ini" itself while there is no current user), keys 9 to 11 to the PC
// ("Launcher.ini" in the Setting folder). The windows read and change only the process-wide
// CLauncherSetting; the main window loads it when it is built and at each change of user,
// and saves it at each change of user and when it is destroyed:
//
//     CLauncherSetting& setting = CLauncherSetting::GetInstance();
//     setting.Load(nickName);          // the current user's name in the user list, or ""
//     if (setting.GetDriveMemory()) ...
//     setting.SetAtlaro(false);
//     setting.Save(nickName);

#include <cstdint>
#include <string>

// The ini record: every setting as the file holds it, with its default until loaded.
// Missing files and keys keep the defaults; a value that is not a number reads as 0.
class CLauncherSettingFile {
public:
    CLauncherSettingFile();

    // Reads keys 1 to 8 from the user's file and 9 to 11 from "Launcher.ini", each from a
    // file that can be opened for reading.
    void Load(const std::string& userName);
    // Writes every key as decimal text; a file that cannot be written stays as it was.
    void Save(const std::string& userName) const;

    // "Launcher.ini", and the file of the user's keys 1 to 8.
    static std::string GetPcFilePath();
    static std::string GetUserFilePath(const std::string& userName);

    int32_t m_iAutoDLWeather;     // 1
    int32_t m_iAutoDLTraffic;     // 2
    int32_t m_iMachineType;       // 3: the unit's model, 0 while none was chosen
    int32_t m_iDriveMemory;       // 4: the camera-unit tool button (the wide window)
    int32_t m_iDisplayUpload;     // 5: the probe log window opens with a stored-probe upload
    int32_t m_iUploadCurrNum;     // 6
    int32_t m_iUploadTotNum;      // 7
    int32_t m_iAtlaro;            // 8
    int32_t m_iFirstRan;          // 9: no unit model has been chosen on this PC yet
    int32_t m_iNickNameNo;        // 10: the selected user's index in the user list, -1 none
    int32_t m_iAutoStartLauncher; // 11: the agent starts the launcher when a card arrives
};

// The process-wide settings: all zero (flags false) until the first load. A flag is true
// only for a file value of exactly 1 and is saved as 1 or 0.
class CLauncherSetting {
public:
    static CLauncherSetting& GetInstance();

    void Load(const std::string& userName);
    void Save(const std::string& userName) const;

    uint32_t GetMachineType() const { return m_uMachineType; }
    void SetMachineType(uint32_t value) { m_uMachineType = value; }
    bool GetAutoDLWeather() const { return m_bAutoDLWeather; }
    void SetAutoDLWeather(bool value) { m_bAutoDLWeather = value; }
    bool GetAutoDLTraffic() const { return m_bAutoDLTraffic; }
    void SetAutoDLTraffic(bool value) { m_bAutoDLTraffic = value; }
    bool GetDriveMemory() const { return m_bDriveMemory; }
    void SetDriveMemory(bool value) { m_bDriveMemory = value; }
    bool GetDisplayUpload() const { return m_bDisplayUpload; }
    void SetDisplayUpload(bool value) { m_bDisplayUpload = value; }
    bool GetAtlaro() const { return m_bAtlaro; }
    void SetAtlaro(bool value) { m_bAtlaro = value; }
    uint32_t GetUploadCurrNum() const { return m_uUploadCurrNum; }
    void SetUploadCurrNum(uint32_t value) { m_uUploadCurrNum = value; }
    uint32_t GetUploadTotNum() const { return m_uUploadTotNum; }
    void SetUploadTotNum(uint32_t value) { m_uUploadTotNum = value; }
    bool GetFirstRan() const { return m_bFirstRan; }
    void SetFirstRan(bool value) { m_bFirstRan = value; }
    int32_t GetNickNameNo() const { return m_iNickNameNo; }
    void SetNickNameNo(int32_t value) { m_iNickNameNo = value; }
    bool GetAutoStartLauncher() const { return m_bAutoStartLauncher; }
    void SetAutoStartLauncher(bool value) { m_bAutoStartLauncher = value; }

    // The probe log window's three values stored straight into the named user's file, for
    // a window that outlives the change of its user: the record in memory then belongs to
    // another user and is left alone. The user's file is loaded, the three set and it is
    // saved again for that user ("Launcher.ini" gets its keys back as they were read).
    static void StoreProbeHistory(const std::string& userName, bool displayUpload,
                                  uint32_t uploadCurrNum, uint32_t uploadTotNum);

private:
    CLauncherSetting() = default;
    CLauncherSetting(const CLauncherSetting&) = delete;
    CLauncherSetting& operator=(const CLauncherSetting&) = delete;

    uint32_t m_uMachineType = 0;
    bool m_bAutoDLWeather = false;
    bool m_bAutoDLTraffic = false;
    bool m_bDriveMemory = false;
    bool m_bDisplayUpload = false;
    bool m_bAtlaro = false;
    uint32_t m_uUploadCurrNum = 0;
    uint32_t m_uUploadTotNum = 0;
    bool m_bFirstRan = false;
    int32_t m_iNickNameNo = 0;
    bool m_bAutoStartLauncher = false;
};
