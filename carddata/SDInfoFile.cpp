#include "carddata/SDInfoFile.h"

#include "lib/DbcsText.h"
#include "lib/Handle.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"

#include <cstring>

namespace {

// One record per kind of job is all this program writes; a file far beyond that is damaged
// (a broken cluster chain can make it gigabytes long) and must not exhaust memory.
const size_t MAX_RECORDS = 8192;

bool IsMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace

CSDInfoFile::CSDInfoFile(char driveLetter) : m_cDrive(driveLetter)
{
    if (driveLetter == 0) return;
    m_strPath = lib::FormatString("%C:\\PC\\SDINFO.DAT", static_cast<unsigned char>(driveLetter));
    Read();
}

CSDInfoFile::~CSDInfoFile() = default;

bool CSDInfoFile::_DriveExists() const
{
    if (m_cDrive == 0) return false;
    const std::string root = lib::FormatString("%c:\\", m_cDrive);
    return GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CSDInfoFile::Read()
{
    if (!_DriveExists()) {
        TOLVE_LOG(LOG_INFO, "%s", "SDINFOファイル読み込み時のSD無し");
        return false;
    }
    // Only a file that is not there reads as empty. Anything else that keeps us from it
    // (sharing, access, a failing card) must fail, or the next save would overwrite the
    // records we could not see.
    if (GetFileAttributesA(m_strPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (IsMissing(error)) return true;
        TOLVE_LOG(LOG_ERROR, "SD情報ファイルデータ読込失敗 0x%08lX", error);
        return false;
    }
    lib::CHandle file(CreateFileA(m_strPath.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        const DWORD error = GetLastError();
        if (IsMissing(error)) return true;
        TOLVE_LOG(LOG_ERROR, "SD情報ファイルデータ読込失敗 0x%08lX", error);
        return false;
    }

    for (size_t count = 0;; ++count) {
        SDInfoHistoryRecord record;
        std::memset(&record, 0, sizeof record);
        DWORD read = 0;
        if (!ReadFile(file.Get(), &record, sizeof record, &read, nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF) break;
            TOLVE_LOG(LOG_ERROR, "SD情報ファイルデータ読込失敗 0x%08lX", error);
            return false;
        }
        if (read == 0) break;
        if (read != sizeof record || count >= MAX_RECORDS) {
            // A partial record or an endless file: damaged, and rewriting it would lose its
            // tail.
            SetLastError(ERROR_INVALID_DATA);
            TOLVE_LOG(LOG_ERROR, "SD情報ファイルデータ読込失敗 0x%08lX",
                      static_cast<unsigned long>(ERROR_INVALID_DATA));
            return false;
        }
        m_vecRecords.push_back(record);
    }
    return true;
}

bool CSDInfoFile::Write()
{
    if (!_DriveExists()) {
        TOLVE_LOG(LOG_INFO, "%s", "SDINFOファイル読み込み時のSD無し");
        return false;
    }
    lib::CHandle file(CreateFileA(m_strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        TOLVE_LOG(LOG_ERROR, "履歴保存時のファイル生成失敗 ERR:0x%08lX", GetLastError());
        return false;
    }
    for (const SDInfoHistoryRecord& record : m_vecRecords) {
        DWORD written = 0;
        if (!WriteFile(file.Get(), &record, sizeof record, &written, nullptr) ||
            written != sizeof record) {
            const DWORD error = GetLastError();
            TOLVE_LOG(LOG_ERROR, "SD情報ファイルデータ書込み失敗 0x%08lX", error);
            return false;
        }
    }
    return true;
}

bool CSDInfoFile::SaveHistory(uint32_t key, const SYSTEMTIME& time, uint32_t phase,
                              uint32_t resultCode, uint32_t dataVersion, uint32_t mapVersion,
                              const char* text)
{
    m_vecRecords.clear();
    if (!Read()) return false;

    SDInfoHistoryRecord* record = nullptr;
    for (SDInfoHistoryRecord& listed : m_vecRecords) {
        if (listed.dwKey == key) {
            record = &listed;
            break;
        }
    }
    if (record == nullptr) {
        SDInfoHistoryRecord added;
        std::memset(&added, 0, sizeof added);
        added.dwKey = key;
        m_vecRecords.push_back(added);
        record = &m_vecRecords.back();
    }
    record->stTime = time;
    record->dwPhase = phase;
    record->dwResultCode = resultCode;
    record->dwDataVersion = dataVersion;
    record->dwMapVersion = mapVersion;
    if (text != nullptr) {
        // The field keeps its terminator; a cut never splits a double-byte character.
        std::memset(record->szText, 0, sizeof record->szText);
        lib::DbcsCopy(record->szText, sizeof record->szText, text);
    }
    return Write();
}

const SDInfoHistoryRecord* CSDInfoFile::_Find(uint32_t key) const
{
    for (const SDInfoHistoryRecord& record : m_vecRecords) {
        if (record.dwKey == key) return &record;
    }
    return nullptr;
}

bool CSDInfoFile::GetHistory(uint32_t key, SYSTEMTIME* time, uint32_t* phase, std::string* text,
                             uint32_t* resultCode, uint32_t* dataVersion,
                             uint32_t* mapVersion) const
{
    if (time == nullptr || phase == nullptr || text == nullptr) return false;
    std::memset(time, 0, sizeof *time);
    *phase = SDINFO_PHASE_NONE;
    text->clear();

    const SDInfoHistoryRecord* record = _Find(key);
    if (record == nullptr || resultCode == nullptr) return false;
    *time = record->stTime;
    *phase = record->dwPhase;
    // A record from another writer may fill the field without a terminator.
    text->assign(record->szText, strnlen(record->szText, sizeof record->szText));
    *resultCode = record->dwResultCode;
    if (dataVersion != nullptr) *dataVersion = record->dwDataVersion;
    if (mapVersion != nullptr) *mapVersion = record->dwMapVersion;
    return true;
}
