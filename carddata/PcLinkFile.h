#pragma once
// The navigation unit's link file on its card ("PC\NAVIINFO.DAT"): a plain file header, an
// enciphered data header that identifies the unit, and enciphered 168-byte records.
// The object reads and deciphers the whole file once, in its constructor, and then only
// answers queries; it never writes the card and keeps no handle open.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// All fields little-endian. Fields named reserved are kept as read but have no settled
// meaning.
struct PcLinkFileHeader {
    uint8_t reserved1[8];
    uint32_t formatVersion; // 0x02000000 for the supported format
    uint8_t iv[8];          // chain start of the data header and of every record
    uint8_t reserved2[12];
};
static_assert(sizeof(PcLinkFileHeader) == 32, "link file header is 32 bytes on the card");
static_assert(offsetof(PcLinkFileHeader, formatVersion) == 8, "");
static_assert(offsetof(PcLinkFileHeader, iv) == 12, "");

struct PcLinkDataHeader {
    char marker[8];     // "DECRYPT\0" once deciphered under the right key
    uint8_t reserved1[4];
    char deviceNo[16];  // NUL-padded; all 16 may be used, then without a terminator
    uint8_t reserved2[8];
    int32_t positionY;
    int32_t positionX;
    uint32_t ccidHead;
    uint8_t modelCode;  // 14: the supported unit family
    uint8_t reserved3;
    uint16_t linkWord;  // the link-year word
    uint8_t reserved4[12];
};
static_assert(sizeof(PcLinkDataHeader) == 64, "link file data header is 64 bytes on the card");
static_assert(offsetof(PcLinkDataHeader, deviceNo) == 12, "");
static_assert(offsetof(PcLinkDataHeader, positionY) == 36, "");
static_assert(offsetof(PcLinkDataHeader, ccidHead) == 44, "");
static_assert(offsetof(PcLinkDataHeader, modelCode) == 48, "");
static_assert(offsetof(PcLinkDataHeader, linkWord) == 50, "");

struct PcLinkRecord {
    char marker[8]; // "DECRYPT\0"
    uint32_t id;
    uint32_t value;
    uint16_t shortValue;
    uint8_t reserved[150];
};
static_assert(sizeof(PcLinkRecord) == 168, "link file record is 168 bytes on the card");
static_assert(offsetof(PcLinkRecord, shortValue) == 16, "");

// Record ids the programs look up.
const uint32_t PCLINK_RECORD_UNIT_INFO = 0x10000001;  // short value: unit code (low 8 bits);
                                                      // value: software version
const uint32_t PCLINK_RECORD_LINK_VALUE = 0x30020001;

const uint32_t PCLINK_FORMAT_VERSION = 0x02000000;
const uint8_t PCLINK_MODEL_CODE = 14;

// The file's fixed marker, NUL included, at the start of the data header and each record.
extern const char PCLINK_MARKER[8];

// No card can hold a link file this large; a bigger one is damaged or hostile and is
// refused before anything is allocated for its records.
const uint32_t PCLINK_MAX_FILE_SIZE = 8u << 20;

class CPcLinkFile {
public:
    // kind 0: "<drive>:\PC\NAVIINFO.DAT"; any other kind: "<drive>:\PCLINK.DAT".
    CPcLinkFile(uint8_t kind, char driveLetter);
    virtual ~CPcLinkFile();
    CPcLinkFile(const CPcLinkFile&) = delete;
    CPcLinkFile& operator=(const CPcLinkFile&) = delete;

    void Clear();
    bool IsReadOk() const { return m_bReadOk; }
    // Read, model code 14 and format version 0x02000000. Test before using any field.
    bool IsValid() const;

    // Whatever the headers hold; zero (empty) when nothing was read.
    std::string GetDeviceNo() const;
    int32_t GetPositionY() const { return m_stDataHeader.positionY; }
    int32_t GetPositionX() const { return m_stDataHeader.positionX; }
    uint32_t GetCcidHead() const { return m_stDataHeader.ccidHead; }
    uint8_t GetModelCode() const { return m_stDataHeader.modelCode; }
    uint16_t GetLinkWord() const { return m_stDataHeader.linkWord; }
    uint32_t GetFileVersion() const { return m_stFileHeader.formatVersion; }

    // Of the first record with the id, in file order; 0 when none has it.
    uint32_t GetRecordValue(uint32_t id) const;
    uint16_t GetRecordShort(uint32_t id) const;

private:
    bool Read();
    const PcLinkRecord* _FindRecord(uint32_t id) const;

    uint8_t m_byKind;
    char m_cDrive;
    std::string m_strPath;
    PcLinkFileHeader m_stFileHeader;
    PcLinkDataHeader m_stDataHeader;
    std::vector<PcLinkRecord> m_vecRecords;
    bool m_bReadOk;
};

// Each reads the drive's "PC\NAVIINFO.DAT" afresh and gives its default when the file is
// not valid: empty text, 0, and for the position both outputs left untouched.
std::string GetNaviInfoDeviceNo(char driveLetter);
uint32_t GetNaviInfoCcidHead(char driveLetter);
void GetNaviInfoPosition(char driveLetter, int32_t& positionY, int32_t& positionX);
