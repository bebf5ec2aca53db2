#pragma once
// Builds the unit's link file ("PC\NAVIINFO.DAT") as the unit writes it, enciphered with
// our own cipher under the link-file key, plus the damaged forms tests need.
// A default-built file is valid for the supported unit family and holds no records.

#include "carddata/PcLinkFile.h"

#include <cstdint>
#include <string>
#include <vector>

class CSimulatedCard;

class CLinkFileBuilder {
public:
    static const char* const kNaviInfoPath; // "PC\NAVIINFO.DAT"
    static const char* const kPcLinkPath;   // "PCLINK.DAT"

    CLinkFileBuilder();

    CLinkFileBuilder& SetFormatVersion(uint32_t version);
    // At most 16 characters are kept; 16 fill the field without a terminator.
    CLinkFileBuilder& SetDeviceNo(const std::string& deviceNo);
    CLinkFileBuilder& SetPosition(int32_t positionY, int32_t positionX);
    CLinkFileBuilder& SetCcidHead(uint32_t ccidHead);
    CLinkFileBuilder& SetModelCode(uint8_t modelCode);
    CLinkFileBuilder& SetLinkWord(uint16_t linkWord);
    CLinkFileBuilder& SetIv(const uint8_t* iv);
    // Enciphers under this key instead of the link-file key (a unit with other material).
    CLinkFileBuilder& SetKey(const uint8_t* key);

    CLinkFileBuilder& AddRecord(uint32_t id, uint32_t value, uint16_t shortValue);
    // A record whose marker does not read "DECRYPT" once deciphered.
    CLinkFileBuilder& AddRecordWithWrongMarker(uint32_t id, uint32_t value, uint16_t shortValue);
    // Appends bytes of a record that the unit never finished (1 to 167).
    CLinkFileBuilder& SetPartialTail(size_t bytes);
    // Cuts the finished file to this many bytes (short headers); 0 keeps it whole.
    CLinkFileBuilder& SetTruncateAt(size_t bytes);

    std::vector<uint8_t> Build() const;
    // Writes "PC\NAVIINFO.DAT" (or another path on the card).
    bool WriteTo(const CSimulatedCard& card, const char* relativePath = kNaviInfoPath) const;

private:
    PcLinkFileHeader m_stFileHeader;
    PcLinkDataHeader m_stDataHeader;
    std::vector<PcLinkRecord> m_vecRecords;
    uint8_t m_abyKey[8];
    size_t m_nPartialTail;
    size_t m_nTruncateAt;
};
