#pragma once
// The users registered on this PC, kept in "UserList.info" in the Data folder: one
// scrambled line per user, keyed by the user's current device number. A plain value: each
// piece of code that needs the list builds its own object, which reads the file at its first
// query and rewrites the whole file when saved, so the last complete save wins.

#include "carddata/UserStampRecord.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct UserListEntry {
    uint32_t m_uCurrentIndex = 0;           // position of the current device in the list
    std::vector<std::string> m_vDeviceNo;   // every unit the user logged in with
    std::string m_strNickName;
    std::string m_strDataFolder;            // the user's own folder, no trailing backslash
    std::string m_strUserAgent;
    int32_t m_iCurrentFlag = 0;
    uint32_t m_uCcidHead = 0;
    uint32_t m_uStamp[4] = {};              // position x, position y, map version, link year

    const std::string& CurrentDeviceNo() const { return m_vDeviceNo[m_uCurrentIndex]; }
};

class CUserListFile {
public:
    CUserListFile() = default;

    // Reads the file into the list. A missing file leaves the list as it is and succeeds.
    bool Load();
    // Writes every user as it stands.
    bool Save();
    // Adds or updates the user of the device, makes that user the only current one and
    // writes the file (without reading it first). Null texts and stamp mean "none".
    bool SaveWithCurrentDevice(const char* deviceNo, const char* nickName, uint32_t ccidHead,
                               const char* userAgent, const UserStampRecord* stamp);

    // The queries read the file first while the list is empty. Positions and "first" follow
    // the ascending byte order of the users' current device numbers.
    int32_t GetIndexByNickName(const char* nickName);
    // How many users the list holds; positions run from 0 to one less.
    int32_t GetUserCount();
    bool GetUserByIndex(int32_t index, std::string& deviceNo, std::string& nickName,
                        std::string& dataFolder, std::string* userAgent = nullptr,
                        uint32_t* ccidHead = nullptr);
    // Matches any device number of a user; deviceNo then receives the current one.
    bool FindUserByDeviceNo(std::string* deviceNo, std::string* nickName,
                            std::string* dataFolder = nullptr, std::string* userAgent = nullptr,
                            uint32_t* ccidHead = nullptr);
    bool GetUserByNickName(const char* nickName, std::string* deviceNo = nullptr,
                           uint32_t* ccidHead = nullptr, std::string* dataFolder = nullptr,
                           std::string* userAgent = nullptr);
    bool GetCurrentUser(std::string* deviceNo = nullptr, std::string* nickName = nullptr,
                        std::string* userAgent = nullptr, uint32_t* ccidHead = nullptr);
    bool GetUserStampByNickName(const char* nickName, UserStampRecord& stamp);

    // Makes the user current and records the stamp with the next save.
    bool SetCurrentUserByNickName(const char* nickName, const UserStampRecord* stamp);
    // Removes the whole user that holds the device number and saves; the user's data
    // folder stays on disk.
    bool DeleteUserByDeviceNo(const char* deviceNo);

private:
    typedef std::map<std::string, UserListEntry> EntryMap;

    bool _LoadIfEmpty();
    bool _ParseLine(const std::string& scrambled);
    bool _WriteFile();
    std::string _MakeDataFolder(const char* nickName, const UserListEntry* owner) const;
    EntryMap::iterator _FindByNickName(const char* nickName);

    EntryMap m_mapEntry;
};
