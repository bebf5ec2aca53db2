#include "carddata/UserListFile.h"

#include "carddata/UserListCodec.h"
#include "lib/AppFolder.h"
#include "lib/DbcsText.h"
#include "lib/Handle.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

const char kFileName[] = "UserList.info";

// A reader holds the file for one read at most; a replace that still meets it after this
// many tries is given up.
const int kReplaceAttempts = 20;
const DWORD kReplaceWaitMs = 50;

// Bytes the system refuses in a folder name, and the field separator of the line.
bool IsDroppedFromFolderName(char c)
{
    return std::strchr("\\/:*?\"<>|,", c) != nullptr && c != '\0';
}

// Windows takes "Taro" and "taro" for one folder, so a user's folder must differ from the
// others in more than the case of its letters. Double-byte characters compare exactly.
bool IsSameFolderName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    for (size_t i = 0; i < a.size();) {
        const size_t size = lib::DbcsCharSizeN(a.c_str() + i, a.size() - i);
        if (size == 2) {
            if (a.compare(i, 2, b, i, 2) != 0) return false;
        } else if (lower(a[i]) != lower(b[i])) {
            return false;
        }
        i += size;
    }
    return true;
}

std::string UserListPath()
{
    return lib::FormatString("%s%s", lib::GetDataFolder().c_str(), kFileName);
}

// Texts go into the line unquoted, exactly as they always have; only a text that the field
// scanner would split or unquote (a comma or a double quote in it) is written quoted, with
// its double quotes doubled.
std::string FieldText(const std::string& text)
{
    if (lib::DbcsFindChar(text.c_str(), ',') == nullptr &&
        lib::DbcsFindChar(text.c_str(), '"') == nullptr) {
        return text;
    }
    std::string quoted = "\"";
    for (const char* p = text.c_str(); *p;) {
        const size_t size = lib::DbcsCharSize(p);
        if (size == 1 && *p == '"') quoted += '"';
        quoted.append(p, size);
        p += size;
    }
    return quoted + '"';
}

std::string PlainLine(const UserListEntry& entry)
{
    std::string line = lib::FormatString("%X,%X,", static_cast<unsigned>(entry.m_vDeviceNo.size()),
                                         entry.m_uCurrentIndex);
    for (const std::string& deviceNo : entry.m_vDeviceNo) line += FieldText(deviceNo) + ",";
    line += FieldText(entry.m_strNickName) + "," + FieldText(entry.m_strDataFolder) + "," +
            FieldText(entry.m_strUserAgent) + ",";
    line += lib::FormatString("%d,%X,%X,%X,%X,%X", entry.m_iCurrentFlag, entry.m_uCcidHead,
                              entry.m_uStamp[0], entry.m_uStamp[1], entry.m_uStamp[2],
                              entry.m_uStamp[3]);
    return line;
}

uint32_t ParseHex(const std::string& field)
{
    return static_cast<uint32_t>(std::strtoul(field.c_str(), nullptr, 16));
}

// Removes a left-over work file; its failure changes nothing for the caller.
void RemoveWorkFile(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

} // namespace

bool CUserListFile::Load()
{
    const std::string path = UserListPath();
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        TOLVE_LOG(LOG_INFO, "UserList.infoファイルが存在しない:%s.", path.c_str());
        return true;
    }
    lib::CHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        const DWORD error = GetLastError();
        // Only a file removed by hand since the test above can vanish: a save replaces it
        // in one step.
        if (error == ERROR_FILE_NOT_FOUND) {
            TOLVE_LOG(LOG_INFO, "UserList.infoファイルが存在しない:%s.", path.c_str());
            return true;
        }
        TOLVE_LOG(LOG_ERROR, "UserList.infoファイルオープン失敗(ERR:0x%X).%s",
                  static_cast<unsigned>(error), path.c_str());
        SetLastError(error);
        return false;
    }

    LARGE_INTEGER fileSize = {};
    if (!GetFileSizeEx(file.Get(), &fileSize)) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "UserList.infoファイル読み込み失敗(ERR:0x%X).サイズ:%d",
                  static_cast<unsigned>(error), 0);
        SetLastError(error);
        return false;
    }
    // Far beyond any real list; refused rather than read into memory.
    if (fileSize.QuadPart >= 0x10000000) {
        TOLVE_LOG(LOG_ERROR, "UserList.infoファイル読み込み用バッファ確保失敗(ERR:0x%X).サイズ:%d",
                  static_cast<unsigned>(ERROR_NOT_ENOUGH_MEMORY),
                  static_cast<int>(fileSize.QuadPart));
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    const DWORD size = static_cast<DWORD>(fileSize.QuadPart);
    std::string text;
    try {
        text.assign(static_cast<size_t>(size) + 1, '\0');
    } catch (const std::bad_alloc&) {
        TOLVE_LOG(LOG_ERROR, "UserList.infoファイル読み込み用バッファ確保失敗(ERR:0x%X).サイズ:%d",
                  static_cast<unsigned>(ERROR_NOT_ENOUGH_MEMORY), static_cast<int>(size + 1));
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    DWORD read = 0;
    const BOOL readOk = ReadFile(file.Get(), &text[0], size + 1, &read, nullptr);
    const DWORD readError = GetLastError();
    file.Close();
    if (!readOk || read != size) {
        const DWORD error = readOk ? static_cast<DWORD>(ERROR_READ_FAULT) : readError;
        TOLVE_LOG(LOG_ERROR, "UserList.infoファイル読み込み失敗(ERR:0x%X).サイズ:%d",
                  static_cast<unsigned>(error), static_cast<int>(size + 1));
        SetLastError(error);
        return false;
    }
    text.resize(size);

    m_mapEntry.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        size_t next = end + 2;
        if (end == std::string::npos) {
            end = text.find('\n', start);
            next = end + 1;
        }
        if (end == std::string::npos) end = next = text.size();
        // An empty line carries no user; the users behind it are still read.
        if (end > start) _ParseLine(text.substr(start, end - start));
        start = next;
    }
    return true;
}

// Stores the user of one scrambled line; a damaged line is logged and left out.
bool CUserListFile::_ParseLine(const std::string& scrambled)
{
    std::string plain(scrambled.size() / 4 + 1, '\0');
    uint32_t plainSize = static_cast<uint32_t>(plain.size());
    // A NUL inside the line would hide the rest of it from the codec.
    if (scrambled.find('\0') != std::string::npos ||
        !UnscrambleUserListLine(scrambled.c_str(), &plain[0], plainSize, true)) {
        TOLVE_LOG(LOG_ERROR, "複合化時の不正な行:%s", scrambled.c_str());
        return false;
    }
    const char* line = plain.c_str();

    UserListEntry entry;
    uint64_t deviceCount = 1;
    const uint32_t fieldCount = lib::GetFieldCount(line, ',');
    std::string field;
    for (uint32_t i = 0; i < fieldCount; ++i) {
        if (!lib::GetField(line, i, field, ',')) break;
        if (i == 0) {
            deviceCount = ParseHex(field);
        } else if (i == 1) {
            entry.m_uCurrentIndex = ParseHex(field);
        } else if (i < 2 + deviceCount) {
            entry.m_vDeviceNo.push_back(field);
        } else if (i == deviceCount + 2) {
            entry.m_strNickName = field;
        } else if (i == deviceCount + 3) {
            entry.m_strDataFolder = field;
        } else if (i == deviceCount + 4) {
            entry.m_strUserAgent = field;
        } else if (i == deviceCount + 5) {
            entry.m_iCurrentFlag = static_cast<int32_t>(std::strtol(field.c_str(), nullptr, 10));
        } else if (i == deviceCount + 6) {
            entry.m_uCcidHead = ParseHex(field);
        } else if (i <= deviceCount + 10) {
            entry.m_uStamp[i - deviceCount - 7] = ParseHex(field);
        } else {
            break;
        }
    }
    // Without a current device the line has no key.
    if (entry.m_uCurrentIndex >= entry.m_vDeviceNo.size()) {
        TOLVE_LOG(LOG_ERROR, "複合化時の不正な行:%s", scrambled.c_str());
        return false;
    }
    const std::string key = entry.CurrentDeviceNo();
    m_mapEntry[key] = entry;
    return true;
}

bool CUserListFile::_LoadIfEmpty()
{
    return m_mapEntry.empty() ? Load() : true;
}

bool CUserListFile::Save()
{
    return _WriteFile();
}

// Writes the list into a new hidden file beside the old one and then puts it in the old
// one's place in one step, so that a failure at any point leaves the previous list whole.
bool CUserListFile::_WriteFile()
{
    std::vector<std::string> lines;
    lines.reserve(m_mapEntry.size());
    for (const auto& item : m_mapEntry) {
        const std::string plain = PlainLine(item.second);
        uint32_t size = static_cast<uint32_t>(plain.size() * 4 + 1);
        std::string scrambled(size, '\0');
        if (!ScrambleUserListLine(plain.c_str(), &scrambled[0], size, true)) {
            const DWORD error = GetLastError();
            TOLVE_LOG(LOG_ERROR, "UserList.info 書込み失敗(ERR:%d)", static_cast<int>(error));
            SetLastError(error);
            return false;
        }
        scrambled.resize(plain.size() * 4);
        lines.push_back(scrambled);
    }

    const std::string path = UserListPath();
    const std::string workPath = lib::FormatString(
        "%s.%lX_%lX.new", path.c_str(), static_cast<unsigned long>(GetCurrentProcessId()),
        static_cast<unsigned long>(GetCurrentThreadId()));
    lib::CHandle file(CreateFileA(workPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (!file.IsValid()) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "UserList.infoファイルオープン失敗(ERR:0x%X).%s",
                  static_cast<unsigned>(error), workPath.c_str());
        SetLastError(error);
        return false;
    }
    for (const std::string& line : lines) {
        DWORD written = 0;
        const DWORD length = static_cast<DWORD>(line.size());
        if (!WriteFile(file.Get(), line.data(), length, &written, nullptr) || written != length) {
            const DWORD error = GetLastError();
            TOLVE_LOG(LOG_ERROR, "UserList.info 書込み失敗(ERR:%d)", static_cast<int>(error));
            file.Close();
            RemoveWorkFile(workPath);
            SetLastError(error);
            return false;
        }
        if (!WriteFile(file.Get(), "\r\n", 2, &written, nullptr) || written != 2) {
            const DWORD error = GetLastError();
            TOLVE_LOG(LOG_ERROR, "UserList.info 改行書込み失敗(ERR:%d)", static_cast<int>(error));
            file.Close();
            RemoveWorkFile(workPath);
            SetLastError(error);
            return false;
        }
    }
    // The new list must be on the disk before it takes the old one's place.
    if (!FlushFileBuffers(file.Get())) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "UserList.info 書込み失敗(ERR:%d)", static_cast<int>(error));
        file.Close();
        RemoveWorkFile(workPath);
        SetLastError(error);
        return false;
    }
    file.Close();

    // Readers open the file without delete sharing for the moment of their read; the
    // replace waits them out for a short while.
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (MoveFileExA(workPath.c_str(), path.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
            error != ERROR_LOCK_VIOLATION) {
            break;
        }
        Sleep(kReplaceWaitMs);
    }
    TOLVE_LOG(LOG_ERROR, "UserList.infoファイル置換失敗(ERR:0x%X).%s",
              static_cast<unsigned>(error), path.c_str());
    RemoveWorkFile(workPath);
    SetLastError(error);
    return false;
}

bool CUserListFile::SaveWithCurrentDevice(const char* deviceNo, const char* nickName,
                                          uint32_t ccidHead, const char* userAgent,
                                          const UserStampRecord* stamp)
{
    if (deviceNo == nullptr || *deviceNo == '\0') {
        TOLVE_LOG(LOG_ERROR, "UserList.infoファイル保存時のデータ無し");
        return false;
    }
    const std::string key = deviceNo;

    UserListEntry added;
    added.m_vDeviceNo.push_back(key);
    added.m_strNickName = nickName != nullptr ? nickName : "";
    added.m_strUserAgent = userAgent != nullptr ? userAgent : "";
    added.m_iCurrentFlag = 1;
    added.m_uCcidHead = ccidHead;
    if (stamp != nullptr) {
        added.m_uStamp[0] = stamp->m_uPositionX;
        added.m_uStamp[1] = stamp->m_uPositionY;
        added.m_uStamp[2] = stamp->m_uMapVersion;
        added.m_uStamp[3] = stamp->m_uLinkYear;
        added.m_strUserAgent = stamp->m_strUserAgent;
    }

    EntryMap::iterator found = m_mapEntry.find(key);
    if (found == m_mapEntry.end()) {
        // A unit that is nobody's current one: a new user, or a known user's new unit.
        if (nickName == nullptr || *nickName == '\0') return false;
        EntryMap::iterator earlier = _FindByNickName(nickName);
        if (earlier != m_mapEntry.end()) {
            const UserListEntry& old = earlier->second;
            for (const std::string& oldDevice : old.m_vDeviceNo) {
                bool held = false;
                for (const std::string& device : added.m_vDeviceNo) held = held || device == oldDevice;
                if (!held) added.m_vDeviceNo.push_back(oldDevice);
            }
            if (stamp == nullptr) std::memcpy(added.m_uStamp, old.m_uStamp, sizeof added.m_uStamp);
            // The user's own files stay where they are: the same nickname gives the same
            // name again unless the folder got a counted one ("USER%d" or a collision
            // suffix), and a new count would move the user to an empty or foreign folder.
            added.m_strDataFolder = old.m_strDataFolder;
            m_mapEntry.erase(earlier);
        }
        UserListEntry& entry = m_mapEntry[key] = added;
        if (entry.m_strDataFolder.empty()) {
            entry.m_strDataFolder = _MakeDataFolder(nickName, &entry);
            if (!entry.m_strDataFolder.empty()) lib::CreateDirectoryRecursive(entry.m_strDataFolder);
        }
    } else {
        UserListEntry& entry = found->second;
        // The unit logged in under another nickname: it is now that user's unit, and the
        // user's folder is the one of that nickname.
        if (nickName != nullptr && *nickName != '\0' && entry.m_strNickName != nickName) {
            entry.m_strNickName = nickName;
            entry.m_strDataFolder = _MakeDataFolder(nickName, &entry);
            if (!entry.m_strDataFolder.empty()) lib::CreateDirectoryRecursive(entry.m_strDataFolder);
        }
        entry.m_iCurrentFlag = 1;
        if (userAgent != nullptr) entry.m_strUserAgent = userAgent;
        if (entry.m_strDataFolder.empty()) {
            entry.m_strDataFolder = _MakeDataFolder(nickName, &entry);
            if (!entry.m_strDataFolder.empty()) lib::CreateDirectoryRecursive(entry.m_strDataFolder);
        }
        if (ccidHead != 0) entry.m_uCcidHead = ccidHead;
        if (stamp != nullptr) {
            std::memcpy(entry.m_uStamp, added.m_uStamp, sizeof entry.m_uStamp);
            entry.m_strUserAgent = stamp->m_strUserAgent;
        }
    }

    for (auto& item : m_mapEntry) item.second.m_iCurrentFlag = item.first == key ? 1 : 0;
    return _WriteFile();
}

// The user's folder below the Data folder, named after the nickname without the characters
// a folder name cannot hold, and made unique among the other users' folders.
std::string CUserListFile::_MakeDataFolder(const char* nickName, const UserListEntry* owner) const
{
    if (nickName == nullptr) {
        TOLVE_LOG(LOG_ERROR, "ニックネームが不正.");
        return std::string();
    }
    std::string folder = lib::GetDataFolder();
    const size_t baseLength = folder.size();
    // Byte by byte, as folder names have always been made: a trail byte with one of these
    // codes is dropped too.
    for (const char* p = nickName; *p; ++p) {
        if (!IsDroppedFromFolderName(*p)) folder += *p;
    }
    // A dropped trail byte can leave a lead byte last, which would take the comma behind
    // the folder in the user's line for its second byte and shift every later field.
    for (size_t i = baseLength; i < folder.size();) {
        const size_t size = lib::DbcsCharSizeN(folder.c_str() + i, folder.size() - i);
        if (size == 1 && lib::IsDbcsLeadByte(static_cast<unsigned char>(folder[i]))) {
            folder.resize(i);
            break;
        }
        i += size;
    }
    const int count = static_cast<int>(m_mapEntry.size());
    if (folder.size() == baseLength) {
        TOLVE_LOG(LOG_ERROR, "ニックネームからデータパスを設定できなかった:%s.", nickName);
        folder += lib::FormatString("USER%d", count);
    }
    // Each change may meet another user's folder, so look again until none is met.
    for (bool changed = true; changed;) {
        changed = false;
        for (const auto& item : m_mapEntry) {
            if (&item.second == owner || !IsSameFolderName(item.second.m_strDataFolder, folder)) {
                continue;
            }
            TOLVE_LOG(LOG_ERROR, "データパスが重複した:%s, %s.", nickName, folder.c_str());
            folder += lib::FormatString("%d", count);
            TOLVE_LOG(LOG_ERROR, "データパスが重複した(変更パス), %s.", folder.c_str());
            changed = true;
            break;
        }
    }
    return folder;
}

CUserListFile::EntryMap::iterator CUserListFile::_FindByNickName(const char* nickName)
{
    if (nickName == nullptr) return m_mapEntry.end();
    for (auto it = m_mapEntry.begin(); it != m_mapEntry.end(); ++it) {
        if (it->second.m_strNickName == nickName) return it;
    }
    return m_mapEntry.end();
}

int32_t CUserListFile::GetIndexByNickName(const char* nickName)
{
    _LoadIfEmpty();
    if (nickName == nullptr) return -1;
    int32_t index = 0;
    for (const auto& item : m_mapEntry) {
        if (item.second.m_strNickName == nickName) return index;
        ++index;
    }
    return -1;
}

int32_t CUserListFile::GetUserCount()
{
    _LoadIfEmpty();
    return static_cast<int32_t>(m_mapEntry.size());
}

bool CUserListFile::GetUserByIndex(int32_t index, std::string& deviceNo, std::string& nickName,
                                   std::string& dataFolder, std::string* userAgent,
                                   uint32_t* ccidHead)
{
    _LoadIfEmpty();
    if (index < 0 || static_cast<size_t>(index) >= m_mapEntry.size()) {
        TOLVE_LOG(LOG_ERROR, "データ取得で不正なインデックスを指定された:%d", index);
        return false;
    }
    auto it = m_mapEntry.begin();
    std::advance(it, index);
    const UserListEntry& entry = it->second;
    deviceNo = entry.CurrentDeviceNo();
    nickName = entry.m_strNickName;
    dataFolder = entry.m_strDataFolder;
    if (userAgent != nullptr) *userAgent = entry.m_strUserAgent;
    if (ccidHead != nullptr) *ccidHead = entry.m_uCcidHead;
    return true;
}

bool CUserListFile::FindUserByDeviceNo(std::string* deviceNo, std::string* nickName,
                                       std::string* dataFolder, std::string* userAgent,
                                       uint32_t* ccidHead)
{
    _LoadIfEmpty();
    if (deviceNo == nullptr || nickName == nullptr) return false;
    for (const auto& item : m_mapEntry) {
        const UserListEntry& entry = item.second;
        for (const std::string& device : entry.m_vDeviceNo) {
            if (device != *deviceNo) continue;
            *deviceNo = entry.CurrentDeviceNo();
            *nickName = entry.m_strNickName;
            if (dataFolder != nullptr) *dataFolder = entry.m_strDataFolder;
            if (userAgent != nullptr) *userAgent = entry.m_strUserAgent;
            if (ccidHead != nullptr) *ccidHead = entry.m_uCcidHead;
            return true;
        }
    }
    return false;
}

bool CUserListFile::GetUserByNickName(const char* nickName, std::string* deviceNo,
                                      uint32_t* ccidHead, std::string* dataFolder,
                                      std::string* userAgent)
{
    _LoadIfEmpty();
    EntryMap::iterator it = _FindByNickName(nickName);
    if (it == m_mapEntry.end()) return false;
    const UserListEntry& entry = it->second;
    if (deviceNo != nullptr) *deviceNo = entry.CurrentDeviceNo();
    if (ccidHead != nullptr) *ccidHead = entry.m_uCcidHead;
    if (dataFolder != nullptr) *dataFolder = entry.m_strDataFolder;
    if (userAgent != nullptr) *userAgent = entry.m_strUserAgent;
    return true;
}

bool CUserListFile::GetCurrentUser(std::string* deviceNo, std::string* nickName,
                                   std::string* userAgent, uint32_t* ccidHead)
{
    _LoadIfEmpty();
    for (const auto& item : m_mapEntry) {
        const UserListEntry& entry = item.second;
        if (entry.m_iCurrentFlag == 0) continue;
        if (deviceNo != nullptr) *deviceNo = entry.CurrentDeviceNo();
        if (nickName != nullptr) *nickName = entry.m_strNickName;
        if (userAgent != nullptr) *userAgent = entry.m_strUserAgent;
        if (ccidHead != nullptr) *ccidHead = entry.m_uCcidHead;
        return true;
    }
    return false;
}

bool CUserListFile::GetUserStampByNickName(const char* nickName, UserStampRecord& stamp)
{
    if (!_LoadIfEmpty()) return false;
    EntryMap::iterator it = _FindByNickName(nickName);
    if (it == m_mapEntry.end()) return false;
    const UserListEntry& entry = it->second;
    stamp.m_uPositionX = entry.m_uStamp[0];
    stamp.m_uPositionY = entry.m_uStamp[1];
    stamp.m_uMapVersion = entry.m_uStamp[2];
    stamp.m_uLinkYear = entry.m_uStamp[3];
    stamp.m_strUserAgent = entry.m_strUserAgent;
    return true;
}

bool CUserListFile::SetCurrentUserByNickName(const char* nickName, const UserStampRecord* stamp)
{
    if (!_LoadIfEmpty()) return false;
    EntryMap::iterator it = _FindByNickName(nickName);
    if (it == m_mapEntry.end()) return false;
    const std::string deviceNo = it->first;
    return SaveWithCurrentDevice(deviceNo.c_str(), nullptr, 0, nullptr, stamp);
}

bool CUserListFile::DeleteUserByDeviceNo(const char* deviceNo)
{
    if (!_LoadIfEmpty()) return false;
    if (deviceNo != nullptr) {
        for (auto it = m_mapEntry.begin(); it != m_mapEntry.end(); ++it) {
            for (const std::string& device : it->second.m_vDeviceNo) {
                if (device != deviceNo) continue;
                m_mapEntry.erase(it);
                return Save();
            }
        }
    }
    TOLVE_LOG(LOG_ERROR, "ユーザー情報削除失敗：ユーザー情報なし");
    TOLVE_LOG(LOG_DEBUG, "\tDeviceNo : %s", deviceNo != nullptr ? deviceNo : "");
    return false;
}
