#include "tests/carddata/support/LinkFileBuilder.h"

#include "carddata/CardCipher.h"
#include "tests/carddata/support/SimulatedCard.h"

#include <algorithm>
#include <cstring>

const char* const CLinkFileBuilder::kNaviInfoPath = "PC\\NAVIINFO.DAT";
const char* const CLinkFileBuilder::kPcLinkPath = "PCLINK.DAT";

namespace {

const uint8_t kDefaultIv[8] = {0x3C, 0x91, 0x07, 0xE2, 0x5A, 0xB8, 0x64, 0x1D};

// Fills the fields nobody interprets, so a reader that took them for something would show.
void FillReserved(uint8_t* bytes, size_t size, uint8_t seed)
{
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
}

template <typename Record>
void Encipher(Record& record, const uint8_t* key, const uint8_t* iv)
{
    static_assert(sizeof(Record) % 8 == 0, "whole blocks only");
    DesCbcCrypt(reinterpret_cast<uint8_t*>(&record), key, iv, sizeof(Record) / 8, 0);
}

void Append(std::vector<uint8_t>& bytes, const void* data, size_t size)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + size);
}

} // namespace

CLinkFileBuilder::CLinkFileBuilder() : m_nPartialTail(0), m_nTruncateAt(0)
{
    std::memset(&m_stFileHeader, 0, sizeof m_stFileHeader);
    std::memset(&m_stDataHeader, 0, sizeof m_stDataHeader);
    FillReserved(m_stFileHeader.reserved1, sizeof m_stFileHeader.reserved1, 0x11);
    FillReserved(m_stFileHeader.reserved2, sizeof m_stFileHeader.reserved2, 0x22);
    m_stFileHeader.formatVersion = PCLINK_FORMAT_VERSION;
    std::memcpy(m_stFileHeader.iv, kDefaultIv, sizeof kDefaultIv);

    std::memcpy(m_stDataHeader.marker, PCLINK_MARKER, sizeof m_stDataHeader.marker);
    FillReserved(m_stDataHeader.reserved1, sizeof m_stDataHeader.reserved1, 0x33);
    FillReserved(m_stDataHeader.reserved2, sizeof m_stDataHeader.reserved2, 0x44);
    m_stDataHeader.reserved3 = 0x55;
    FillReserved(m_stDataHeader.reserved4, sizeof m_stDataHeader.reserved4, 0x66);
    SetDeviceNo("KS40012345678");
    m_stDataHeader.positionY = 128456789;
    m_stDataHeader.positionX = 503123456;
    m_stDataHeader.ccidHead = 0x00A1B2C3;
    m_stDataHeader.modelCode = PCLINK_MODEL_CODE;
    m_stDataHeader.linkWord = 2026;

    uint8_t key[16] = {};
    MakeLinkFileKey(key);
    std::memcpy(m_abyKey, key, sizeof m_abyKey);
}

CLinkFileBuilder& CLinkFileBuilder::SetFormatVersion(uint32_t version)
{
    m_stFileHeader.formatVersion = version;
    return *this;
}

CLinkFileBuilder& CLinkFileBuilder::SetDeviceNo(const std::string& deviceNo)
{
    std::memset(m_stDataHeader.deviceNo, 0, sizeof m_stDataHeader.deviceNo);
    std::memcpy(m_stDataHeader.deviceNo, deviceNo.data(),
                std::min(deviceNo.size(), sizeof m_stDataHeader.deviceNo));
    return *this;
}

CLinkFileBuilder& CLinkFileBuilder::SetPosition(int32_t positionY, int32_t positionX)
{
    m_stDataHeader.positionY = positionY;
    m_stDataHeader.positionX = positionX;
    return *this;
}

CLinkFileBuilder& CLinkFileBuilder::SetCcidHead(uint32_t ccidHead)
{
    m_stDataHeader.ccidHead = ccidHead;
    return *this;
}

CLinkFileBuilder& CLinkFileBuilder::SetModelCode(uint8_t modelCode)
{
    m_stDataHeader.modelCode = modelCode;
    return *this;
}

CLinkFileBuilder& CLinkFileBuilder::SetLinkWord(uint16_t linkWord)
{
    m_stDataHeader.linkWord = linkWord;
    return *this;
}

CLinkFileBuilder& CLinkFileBuilder::SetIv(const uint8_t* iv)
{
    std::memcpy(m_stFileHeader.iv, iv, sizeof m_stFileHeader.iv);
    return *this;
}

CLinkFileBuilder& CLinkFileBuilder::SetKey(const uint8_t* key)
{
    std::memcpy(m_abyKey, key, sizeof m_abyKey);
    return *this;
}

CLinkFileBuilder& CLinkFileBuilder::AddRecord(uint32_t id, uint32_t value, uint16_t shortValue)
{
    PcLinkRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.marker, PCLINK_MARKER, sizeof record.marker);
    record.id = id;
    record.value = value;
    record.shortValue = shortValue;
    FillReserved(record.reserved, sizeof record.reserved, static_cast<uint8_t>(id));
    m_vecRecords.push_back(record);
    return *this;
}

CLinkFileBuilder& CLinkFileBuilder::AddRecordWithWrongMarker(uint32_t id, uint32_t value,
                                                             uint16_t shortValue)
{
    AddRecord(id, value, shortValue);
    std::memcpy(m_vecRecords.back().marker, "ENCRYPT", 8);
    return *this;
}

CLinkFileBuilder& CLinkFileBuilder::SetPartialTail(size_t bytes)
{
    m_nPartialTail = bytes;
    return *this;
}

CLinkFileBuilder& CLinkFileBuilder::SetTruncateAt(size_t bytes)
{
    m_nTruncateAt = bytes;
    return *this;
}

std::vector<uint8_t> CLinkFileBuilder::Build() const
{
    std::vector<uint8_t> bytes;
    Append(bytes, &m_stFileHeader, sizeof m_stFileHeader);

    PcLinkDataHeader header = m_stDataHeader;
    Encipher(header, m_abyKey, m_stFileHeader.iv);
    Append(bytes, &header, sizeof header);

    // Each record is chained afresh from the file's iv, as the unit writes them.
    for (PcLinkRecord record : m_vecRecords) {
        Encipher(record, m_abyKey, m_stFileHeader.iv);
        Append(bytes, &record, sizeof record);
    }
    if (m_nPartialTail > 0) {
        PcLinkRecord record;
        std::memset(&record, 0xA5, sizeof record);
        Append(bytes, &record, std::min(m_nPartialTail, sizeof record - 1));
    }
    if (m_nTruncateAt > 0 && m_nTruncateAt < bytes.size()) bytes.resize(m_nTruncateAt);
    return bytes;
}

bool CLinkFileBuilder::WriteTo(const CSimulatedCard& card, const char* relativePath) const
{
    return card.WriteFile(relativePath, Build());
}
