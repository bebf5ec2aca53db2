// Reader of the navigation unit's link file.

#include "carddata/PcLinkFile.h"

#include "carddata/CardCipher.h"
#include "lib/Handle.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"

#include <windows.h>

#include <cstring>

const char PCLINK_MARKER[8] = {'D', 'E', 'C', 'R', 'Y', 'P', 'T', '\0'};

namespace {

bool ReadExactly(HANDLE file, void* buffer, DWORD size)
{
    DWORD read = 0;
    return ReadFile(file, buffer, size, &read, nullptr) && read == size;
}

bool HasMarker(const char* marker) { return std::memcmp(marker, PCLINK_MARKER, 8) == 0; }

} // namespace

CPcLinkFile::CPcLinkFile(uint8_t kind, char driveLetter)
    : m_byKind(kind), m_cDrive(driveLetter), m_bReadOk(false)
{
    Clear();
    m_bReadOk = Read();
}

CPcLinkFile::~CPcLinkFile() = default;

void CPcLinkFile::Clear()
{
    std::memset(&m_stFileHeader, 0, sizeof m_stFileHeader);
    std::memset(&m_stDataHeader, 0, sizeof m_stDataHeader);
    m_vecRecords.clear();
}

bool CPcLinkFile::IsValid() const
{
    return m_bReadOk && m_stDataHeader.modelCode == PCLINK_MODEL_CODE &&
           m_stFileHeader.formatVersion == PCLINK_FORMAT_VERSION;
}

std::string CPcLinkFile::GetDeviceNo() const
{
    // The field may fill all 16 bytes without a terminator.
    const char* text = m_stDataHeader.deviceNo;
    const void* nul = std::memchr(text, '\0', sizeof m_stDataHeader.deviceNo);
    const size_t length = nul ? static_cast<const char*>(nul) - text : sizeof m_stDataHeader.deviceNo;
    return std::string(text, length);
}

uint32_t CPcLinkFile::GetRecordValue(uint32_t id) const
{
    const PcLinkRecord* record = _FindRecord(id);
    return record ? record->value : 0;
}

uint16_t CPcLinkFile::GetRecordShort(uint32_t id) const
{
    const PcLinkRecord* record = _FindRecord(id);
    return record ? record->shortValue : 0;
}

const PcLinkRecord* CPcLinkFile::_FindRecord(uint32_t id) const
{
    for (const PcLinkRecord& record : m_vecRecords) {
        if (record.id == id) return &record;
    }
    return nullptr;
}

bool CPcLinkFile::Read()
{
    const std::string root = lib::FormatString("%c:\\", m_cDrive);
    if (m_cDrive == '\0' || !lib::PathFileExistsStr(root)) {
        TOLVE_LOG(LOG_INFO, "%sファイル読み込み時のSD無し", m_byKind != 0 ? "PCLINK" : "NAVIINFO");
        return false;
    }

    Clear();
    m_strPath = m_byKind == 0 ? lib::FormatString("%c:\\PC\\NAVIINFO.DAT", m_cDrive)
                              : lib::FormatString("%c:\\PCLINK.DAT", m_cDrive);
    // A card without the file is an ordinary card: no log line.
    if (GetFileAttributesA(m_strPath.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    lib::CHandle file(CreateFileA(m_strPath.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;

    if (!ReadExactly(file.Get(), &m_stFileHeader, sizeof m_stFileHeader)) {
        TOLVE_LOG(LOG_ERROR, "お出かけ管理ファイルファイルヘッダ読込失敗 0x%08X",
                  static_cast<unsigned>(GetLastError()));
        return false;
    }

    uint8_t key[16] = {};
    MakeLinkFileKey(key);

    if (!ReadExactly(file.Get(), &m_stDataHeader, sizeof m_stDataHeader)) {
        TOLVE_LOG(LOG_ERROR, "お出かけ管理ファイルデータヘッダ読込失敗 0x%08X",
                  static_cast<unsigned>(GetLastError()));
        SecureZeroMemory(key, sizeof key);
        return false;
    }
    DesCbcCrypt(reinterpret_cast<uint8_t*>(&m_stDataHeader), key, m_stFileHeader.iv,
                sizeof m_stDataHeader / 8, 1);
    if (!HasMarker(m_stDataHeader.marker)) {
        TOLVE_LOG(LOG_ERROR, "%s", "お出かけ管理ファイルデータヘッダ復号化不正");
        SecureZeroMemory(key, sizeof key);
        return false;
    }

    // A damaged or hostile card must not make us allocate without bound.
    DWORD sizeHigh = 0;
    const DWORD sizeLow = GetFileSize(file.Get(), &sizeHigh);
    if (sizeLow == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        TOLVE_LOG(LOG_ERROR, "お出かけ管理ファイルデータレコード読込失敗 0x%08X",
                  static_cast<unsigned>(GetLastError()));
        SecureZeroMemory(key, sizeof key);
        return false;
    }
    if (sizeHigh != 0 || sizeLow > PCLINK_MAX_FILE_SIZE) {
        TOLVE_LOG(LOG_ERROR, "お出かけ管理ファイルデータレコード読込失敗 0x%08X",
                  static_cast<unsigned>(ERROR_FILE_TOO_LARGE));
        SecureZeroMemory(key, sizeof key);
        return false;
    }
    const DWORD headersSize = sizeof m_stFileHeader + sizeof m_stDataHeader;
    if (sizeLow > headersSize) m_vecRecords.reserve((sizeLow - headersSize) / sizeof(PcLinkRecord));

    bool ok = true;
    for (;;) {
        PcLinkRecord record;
        std::memset(&record, 0, sizeof record);
        DWORD read = 0;
        // A stale end-of-file code from an earlier call must not end the file early.
        SetLastError(NO_ERROR);
        const BOOL readOk = ReadFile(file.Get(), &record, sizeof record, &read, nullptr);
        const DWORD error = GetLastError();
        if (error == ERROR_HANDLE_EOF) break;
        if (!readOk || (read != 0 && read != sizeof record)) {
            TOLVE_LOG(LOG_ERROR, "お出かけ管理ファイルデータレコード読込失敗 0x%08X",
                      static_cast<unsigned>(error));
            ok = false;
            break;
        }
        if (read == 0) break;
        DesCbcCrypt(reinterpret_cast<uint8_t*>(&record), key, m_stFileHeader.iv,
                    sizeof record / 8, 1);
        if (!HasMarker(record.marker)) {
            TOLVE_LOG(LOG_ERROR, "%s", "お出かけ管理ファイルデータレコード復号化不正");
        }
        m_vecRecords.push_back(record);
    }
    SecureZeroMemory(key, sizeof key);
    return ok;
}

std::string GetNaviInfoDeviceNo(char driveLetter)
{
    const CPcLinkFile file(0, driveLetter);
    return file.IsValid() ? file.GetDeviceNo() : std::string();
}

uint32_t GetNaviInfoCcidHead(char driveLetter)
{
    const CPcLinkFile file(0, driveLetter);
    return file.IsValid() ? file.GetCcidHead() : 0;
}

void GetNaviInfoPosition(char driveLetter, int32_t& positionY, int32_t& positionX)
{
    const CPcLinkFile file(0, driveLetter);
    if (!file.IsValid()) return;
    positionY = file.GetPositionY();
    positionX = file.GetPositionX();
}
