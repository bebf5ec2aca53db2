#pragma once
// The card's job history "PC\SDINFO.DAT": for each kind of online job, when it last ran and
// how it ended. The whole file is read into memory and rewritten whole after a change; no
// handle is kept between operations.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// One 128-byte record of the file, little-endian, no header before the first.
struct SDInfoHistoryRecord {
    uint32_t dwKey;         // job type
    SYSTEMTIME stTime;      // local time of the entry
    uint32_t dwPhase;       // SDINFO_PHASE_*
    char szText[92];        // NUL-terminated, zero-filled when no text was given
    uint32_t dwMapVersion;
    uint32_t dwResultCode;  // job type in the top 8 bits, 24-bit result below (0 = success)
    uint32_t dwDataVersion;
};
static_assert(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME is eight 16-bit words");
static_assert(sizeof(SDInfoHistoryRecord) == 128, "SDINFO.DAT records are 128 bytes");

enum : uint32_t {
    SDINFO_PHASE_STARTED = 1,
    SDINFO_PHASE_SUCCEEDED = 2,
    SDINFO_PHASE_FAILED = 4,
    SDINFO_PHASE_NONE = 0xFFFFFFFF // GetHistory's phase when the key has no record
};

class CSDInfoFile {
public:
    // Reads the card's file at once (the result is not kept: SaveHistory reads again). A
    // drive letter of 0 gives an empty object that reads and writes nothing.
    explicit CSDInfoFile(char driveLetter);
    virtual ~CSDInfoFile();

    CSDInfoFile(const CSDInfoFile&) = delete;
    CSDInfoFile& operator=(const CSDInfoFile&) = delete;

    // Appends the file's records to the list. A missing file (or PC folder) reads as empty;
    // a missing card, a file that exists but cannot be opened, a failed read or a length
    // that is not a multiple of 128 bytes fail (records read before stay listed); so does a
    // file of more than 8192 records, which only damage makes.
    bool Read();
    // Writes every listed record from the start of the file, creating it when missing.
    bool Write();

    // Brings the file up to date with one entry for the key: replaces the key's first record
    // in place, or appends one. A given text is cut at 91 bytes on a character boundary;
    // a null text keeps a replaced record's text and leaves a new record's text zero-filled.
    // False, with nothing written, when the file cannot be read.
    bool SaveHistory(uint32_t key, const SYSTEMTIME& time, uint32_t phase, uint32_t resultCode,
                     uint32_t dataVersion, uint32_t mapVersion, const char* text);

    // The key's first record. Without one: false, a zero time, SDINFO_PHASE_NONE and an
    // empty text. The time, phase and text outputs are required, the result code whenever a
    // record is found; the versions may be null.
    bool GetHistory(uint32_t key, SYSTEMTIME* time, uint32_t* phase, std::string* text,
                    uint32_t* resultCode, uint32_t* dataVersion = nullptr,
                    uint32_t* mapVersion = nullptr) const;

private:
    bool _DriveExists() const;
    const SDInfoHistoryRecord* _Find(uint32_t key) const;

    std::string m_strPath;
    char m_cDrive;
    std::vector<SDInfoHistoryRecord> m_vecRecords;
};
