#pragma once
// Builds the unit's "ProbeData.dat" as the unit writes it: real files bundled and gzipped
// into DATA blocks, payloads enciphered in 307,200-byte chunks under the probe-file key,
// a HEAD block with the unit's identity, optionally the end mark "EOF_". Editors let tests
// damage any layer (the plain payload, the bundle) before the layers above are made.
// Also the host-side gzip helpers that tests use to check send files.

#include "carddata/ProbeFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ProbeRealFile {
    std::string m_strName;          // as stored: may hold '/'
    std::vector<uint8_t> m_vecData;
};

class CProbeBuilder {
public:
    typedef std::function<void(std::vector<uint8_t>&)> Editor;

    // A valid file of an accepted model with no DATA block.
    CProbeBuilder();

    // Texts are cut to their field; the first three may fill it without a terminator.
    CProbeBuilder& SetDeviceNo(const std::string& text);
    CProbeBuilder& SetCcid(const std::string& text);
    CProbeBuilder& SetUid(const std::string& text);
    CProbeBuilder& SetNaviModel(const std::string& text);
    CProbeBuilder& SetMaker(const std::string& text);
    CProbeBuilder& SetAplVer(const std::string& text);
    CProbeBuilder& SetMapVer(const std::string& text);
    CProbeBuilder& SetBlockText(const std::string& text);
    // The whole HEAD payload (at least 132 bytes; the rest is a byte pattern).
    CProbeBuilder& SetHeadPayloadLength(uint32_t length);
    CProbeBuilder& SetIv(const uint8_t* iv);
    CProbeBuilder& SetHeadTag(const char* tag);

    // Starts a new DATA block; AddRealFile adds to the last one (making one if needed).
    CProbeBuilder& AddDataBlock();
    CProbeBuilder& AddRealFile(const std::string& name, const std::vector<uint8_t>& data);
    // The last block's gzip data as given (bypasses bundle and gzip).
    CProbeBuilder& SetRawGzip(const std::vector<uint8_t>& gzip);
    // Edits the last block's bundle before gzip, and its plain payload before enciphering.
    CProbeBuilder& SetBundleEditor(Editor editor);
    CProbeBuilder& SetPayloadEditor(Editor editor);

    // Without an override the count is 1 + the number of DATA blocks.
    CProbeBuilder& SetBlockCount(uint64_t count);
    CProbeBuilder& SetEndMark(bool on);

    std::vector<uint8_t> Build() const;
    // Creates the file's folder when missing.
    bool WriteTo(const std::string& path) const;

    static std::vector<uint8_t> BuildBundle(const std::vector<ProbeRealFile>& files);
    static std::vector<uint8_t> Gzip(const std::vector<uint8_t>& data);
    // Empty result and ok false when the data is not one complete gzip stream.
    static std::vector<uint8_t> Gunzip(const std::vector<uint8_t>& gzip, bool* ok);
    // The unit's enciphering of a payload (chunked, each chunk from the IV).
    static void EncipherPayload(std::vector<uint8_t>& payload, const uint8_t* iv);

private:
    struct DataBlock {
        std::vector<ProbeRealFile> m_vecFiles;
        bool m_bRawGzip = false;
        std::vector<uint8_t> m_vecRawGzip;
        Editor m_fnBundleEditor;
        Editor m_fnPayloadEditor;
    };
    DataBlock& _LastBlock();

    ProbeHeader m_stHeader;
    uint32_t m_uHeadLength;
    uint8_t m_abyIv[8];
    char m_szHeadTag[4];
    std::vector<DataBlock> m_vecBlocks;
    bool m_bCountSet;
    uint64_t m_ullCount;
    bool m_bEndMark;
};
