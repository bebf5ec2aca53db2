#include "tests/carddata/support/ProbeBuilder.h"

#include "carddata/CardCipher.h"
#include "lib/Handle.h"
#include "lib/Path.h"

#include "zlib.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace {

void SetField(char* field, size_t width, const std::string& text)
{
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(width, text.size()));
}

void AppendBytes(std::vector<uint8_t>& to, const void* data, size_t size)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    to.insert(to.end(), p, p + size);
}

} // namespace

CProbeBuilder::CProbeBuilder()
    : m_stHeader(), m_uHeadLength(sizeof(ProbeHeader)), m_abyIv{0x13, 0x57, 0x9B, 0xDF, 0x02, 0x46, 0x8A, 0xCE},
      m_szHeadTag{'H', 'E', 'A', 'D'}, m_bCountSet(false), m_ullCount(0), m_bEndMark(true)
{
    SetDeviceNo("DN00000000000001");
    SetCcid("0746052100000001");
    SetUid("U000000001");
    SetNaviModel("NV41");
    SetMaker("Halvorn");
    SetAplVer("0001020A");
    SetMapVer("20261101");
    SetBlockText("PB-TEXT-0001");
    std::memset(m_stHeader.m_abyReserved, 0xA5, sizeof m_stHeader.m_abyReserved);
}

CProbeBuilder& CProbeBuilder::SetDeviceNo(const std::string& text)
{
    SetField(m_stHeader.m_szDeviceNo, sizeof m_stHeader.m_szDeviceNo, text);
    return *this;
}

CProbeBuilder& CProbeBuilder::SetCcid(const std::string& text)
{
    SetField(m_stHeader.m_szCcid, sizeof m_stHeader.m_szCcid, text);
    return *this;
}

CProbeBuilder& CProbeBuilder::SetUid(const std::string& text)
{
    SetField(m_stHeader.m_szUid, sizeof m_stHeader.m_szUid, text);
    return *this;
}

CProbeBuilder& CProbeBuilder::SetNaviModel(const std::string& text)
{
    SetField(m_stHeader.m_szNaviModel, sizeof m_stHeader.m_szNaviModel, text);
    return *this;
}

CProbeBuilder& CProbeBuilder::SetMaker(const std::string& text)
{
    SetField(m_stHeader.m_szMaker, sizeof m_stHeader.m_szMaker, text);
    return *this;
}

CProbeBuilder& CProbeBuilder::SetAplVer(const std::string& text)
{
    SetField(m_stHeader.m_szAplVer, sizeof m_stHeader.m_szAplVer, text);
    return *this;
}

CProbeBuilder& CProbeBuilder::SetMapVer(const std::string& text)
{
    SetField(m_stHeader.m_szMapVer, sizeof m_stHeader.m_szMapVer, text);
    return *this;
}

CProbeBuilder& CProbeBuilder::SetBlockText(const std::string& text)
{
    SetField(m_stHeader.m_szBlockText, sizeof m_stHeader.m_szBlockText, text);
    return *this;
}

CProbeBuilder& CProbeBuilder::SetHeadPayloadLength(uint32_t length)
{
    m_uHeadLength = std::max<uint32_t>(length, sizeof(ProbeHeader));
    return *this;
}

CProbeBuilder& CProbeBuilder::SetIv(const uint8_t* iv)
{
    std::memcpy(m_abyIv, iv, sizeof m_abyIv);
    return *this;
}

CProbeBuilder& CProbeBuilder::SetHeadTag(const char* tag)
{
    std::memcpy(m_szHeadTag, tag, 4);
    return *this;
}

CProbeBuilder& CProbeBuilder::AddDataBlock()
{
    m_vecBlocks.emplace_back();
    return *this;
}

CProbeBuilder::DataBlock& CProbeBuilder::_LastBlock()
{
    if (m_vecBlocks.empty()) m_vecBlocks.emplace_back();
    return m_vecBlocks.back();
}

CProbeBuilder& CProbeBuilder::AddRealFile(const std::string& name, const std::vector<uint8_t>& data)
{
    _LastBlock().m_vecFiles.push_back(ProbeRealFile{name, data});
    return *this;
}

CProbeBuilder& CProbeBuilder::SetRawGzip(const std::vector<uint8_t>& gzip)
{
    DataBlock& block = _LastBlock();
    block.m_bRawGzip = true;
    block.m_vecRawGzip = gzip;
    return *this;
}

CProbeBuilder& CProbeBuilder::SetBundleEditor(Editor editor)
{
    _LastBlock().m_fnBundleEditor = editor;
    return *this;
}

CProbeBuilder& CProbeBuilder::SetPayloadEditor(Editor editor)
{
    _LastBlock().m_fnPayloadEditor = editor;
    return *this;
}

CProbeBuilder& CProbeBuilder::SetBlockCount(uint64_t count)
{
    m_bCountSet = true;
    m_ullCount = count;
    return *this;
}

CProbeBuilder& CProbeBuilder::SetEndMark(bool on)
{
    m_bEndMark = on;
    return *this;
}

std::vector<uint8_t> CProbeBuilder::BuildBundle(const std::vector<ProbeRealFile>& files)
{
    std::vector<uint8_t> bundle;
    const uint64_t count = files.size();
    AppendBytes(bundle, &count, sizeof count);
    for (const ProbeRealFile& file : files) {
        RealFileHeader header = {};
        std::memcpy(header.m_szMagic, "8BIN", 4);
        header.m_ullDataSize = file.m_vecData.size();
        header.m_uNameLength = static_cast<uint32_t>(file.m_strName.size());
        std::memcpy(header.m_szName, file.m_strName.data(),
                    std::min(file.m_strName.size(), sizeof header.m_szName));
        AppendBytes(bundle, &header, sizeof header);
        AppendBytes(bundle, file.m_vecData.data(), file.m_vecData.size());
    }
    return bundle;
}

std::vector<uint8_t> CProbeBuilder::Gzip(const std::vector<uint8_t>& data)
{
    z_stream zs = {};
    deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&zs, static_cast<uLong>(data.size())) + 64);
    zs.next_in = const_cast<Bytef*>(data.data());
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

std::vector<uint8_t> CProbeBuilder::Gunzip(const std::vector<uint8_t>& gzip, bool* ok)
{
    std::vector<uint8_t> out;
    z_stream zs = {};
    *ok = false;
    if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK) return out;
    zs.next_in = const_cast<Bytef*>(gzip.data());
    zs.avail_in = static_cast<uInt>(gzip.size());
    uint8_t piece[65536];
    int status = Z_OK;
    while (status == Z_OK) {
        zs.next_out = piece;
        zs.avail_out = sizeof piece;
        status = inflate(&zs, Z_NO_FLUSH);
        out.insert(out.end(), piece, piece + (sizeof piece - zs.avail_out));
    }
    inflateEnd(&zs);
    *ok = status == Z_STREAM_END && zs.avail_in == 0;
    if (!*ok) out.clear();
    return out;
}

void CProbeBuilder::EncipherPayload(std::vector<uint8_t>& payload, const uint8_t* iv)
{
    for (size_t done = 0; done < payload.size(); done += CProbeFile::CIPHER_CHUNK) {
        const size_t chunk = std::min<size_t>(CProbeFile::CIPHER_CHUNK, payload.size() - done);
        if (chunk < 8) break;
        uint8_t key[16] = {};
        MakeProbeFileKey(key);
        DesCbcCrypt(payload.data() + done, key, iv, static_cast<uint32_t>(chunk / 8), 0);
    }
}

std::vector<uint8_t> CProbeBuilder::Build() const
{
    std::vector<uint8_t> file;
    const uint64_t count = m_bCountSet ? m_ullCount : 1 + m_vecBlocks.size();
    AppendBytes(file, &count, sizeof count);

    std::vector<uint8_t> head(m_uHeadLength);
    for (size_t i = 0; i < head.size(); ++i) head[i] = static_cast<uint8_t>(i * 7 + 3);
    std::memcpy(head.data(), &m_stHeader, sizeof m_stHeader);
    EncipherPayload(head, m_abyIv);
    ProbeBlockHeader block = {};
    std::memcpy(block.m_szTag, m_szHeadTag, 4);
    block.m_uPayloadLength = static_cast<uint32_t>(head.size());
    block.m_uReserved = 0x01020304;
    std::memcpy(block.m_abyIv, m_abyIv, sizeof m_abyIv);
    AppendBytes(file, &block, sizeof block);
    AppendBytes(file, head.data(), head.size());

    for (const DataBlock& data : m_vecBlocks) {
        std::vector<uint8_t> gzip = data.m_vecRawGzip;
        if (!data.m_bRawGzip) {
            std::vector<uint8_t> bundle = BuildBundle(data.m_vecFiles);
            if (data.m_fnBundleEditor) data.m_fnBundleEditor(bundle);
            gzip = Gzip(bundle);
        }
        std::vector<uint8_t> payload;
        const uint64_t length = gzip.size();
        AppendBytes(payload, &length, sizeof length);
        AppendBytes(payload, gzip.data(), gzip.size());
        if (data.m_fnPayloadEditor) data.m_fnPayloadEditor(payload);
        EncipherPayload(payload, m_abyIv);
        std::memcpy(block.m_szTag, "DATA", 4);
        block.m_uPayloadLength = static_cast<uint32_t>(payload.size());
        AppendBytes(file, &block, sizeof block);
        AppendBytes(file, payload.data(), payload.size());
    }
    if (m_bEndMark) AppendBytes(file, "EOF_", 4);
    return file;
}

bool CProbeBuilder::WriteTo(const std::string& path) const
{
    const std::string folder = lib::GetParentFolder(path);
    if (!folder.empty()) lib::CreateDirectoryRecursive(folder);
    const std::vector<uint8_t> bytes = Build();
    lib::CHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}
