#pragma once
// The unit's driving logs on the card ("%c:\PROBE\<recording>\ProbeData.dat") and the send
// file we build from them for the probe service.
//
// A probe file is a block count, an enciphered HEAD block (the unit's identity) and DATA
// blocks, each a gzip of a bundle of "real files" (the unit's record and history files).
// Reading one unpacks its real files into the send file's folder (the work folder) and sorts
// them into the nine driving-history kinds or the send list; the history kinds are then
// merged, and the send list is packed as one "PROBE_" block of the "OFCD" send file.
// Several probe files go into one send file only when they come from one unit, one user and
// one software state: the first read after a full ResetSendHeader keeps the identity, later
// reads must match it.
//
// Every length, count and offset of a card file is checked against the bytes that remain
// before use; damaged files give 0x102 and are never changed.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#pragma pack(push, 1)

// 20 bytes before every block's payload.
struct ProbeBlockHeader {
    char m_szTag[4];           // "HEAD", "DATA"; "EOF_" may stand here instead of a header
    uint32_t m_uPayloadLength;
    uint32_t m_uReserved;      // not read
    uint8_t m_abyIv[8];        // every cipher chunk of the payload starts from it
};
static_assert(sizeof(ProbeBlockHeader) == 20, "ProbeBlockHeader is 20 bytes on the card");

// The first 132 bytes of the deciphered HEAD payload.
struct ProbeHeader {
    char m_szDeviceNo[16];     // the first three may fill their field without a terminator
    char m_szCcid[16];         // begins with the unit's model code
    char m_szUid[10];
    char m_szNaviModel[6];     // offset 42: the kept area starts here
    char m_szMaker[16];
    char m_szAplVer[16];       // hexadecimal text
    char m_szMapVer[16];       // hexadecimal text
    uint8_t m_abyReserved[16]; // not read
    char m_szBlockText[20];    // copied into every block of the send file
};
static_assert(sizeof(ProbeHeader) == 132, "ProbeHeader is 132 bytes");

// Header of one real file, in a bundle of the card and in an entry of the send file.
struct RealFileHeader {
    char m_szMagic[4];         // "8BIN"
    uint64_t m_ullDataSize;
    uint32_t m_uNameLength;    // not read when unpacking
    char m_szName[128];        // zero-padded
};
static_assert(sizeof(RealFileHeader) == 144, "RealFileHeader is 144 bytes");

// Head of the send file.
struct ProbeSendHeader {
    char m_szTag[4];           // "OFCD"
    char m_szVersion[2];       // "01"
    uint8_t m_abyZero[6];
    uint32_t m_uBlockCount;
    uint64_t m_ullTotalLength; // bytes of all blocks
};
static_assert(sizeof(ProbeSendHeader) == 24, "ProbeSendHeader is 24 bytes");

#pragma pack(pop)

// The real files of one driving-history kind, merged into one file before packing.
struct HistoryKindSlot {
    uint32_t m_uCombineMode = 4;          // 4 until the kind's first file arrives
    std::vector<std::string> m_vecPath;
};

class CProbeFile {
public:
    // Result codes.
    static constexpr uint32_t PROBE_OK = 0;
    static constexpr uint32_t PROBE_BAD_DATA = 0x102;
    static constexpr uint32_t PROBE_OPEN_FAILED = 0x103;
    static constexpr uint32_t PROBE_READ_FAILED = 0x104;
    static constexpr uint32_t PROBE_WRITE_FAILED = 0x105;
    static constexpr uint32_t PROBE_CLEAR_FAILED = 0x106;
    static constexpr uint32_t PROBE_GZIP_FAILED = 0x107;
    static constexpr uint32_t PROBE_GUNZIP_FAILED = 0x108;
    static constexpr uint32_t PROBE_OTHER_MODEL = 0x110;
    static constexpr uint32_t PROBE_EMPTY_FILE = 0xFF02;
    static constexpr uint32_t PROBE_UNKNOWN_USER = 0xFF08;
    static constexpr uint32_t PROBE_OTHER_IDENTITY = 0xFF09;
    static constexpr uint32_t PROBE_OTHER_SOFTWARE = 0xFF10;
    static constexpr uint32_t PROBE_NO_MEMORY = 0xFFFF;

    static constexpr size_t HISTORY_KIND_COUNT = 9;
    static constexpr uint32_t CIPHER_CHUNK = 307200;
    static constexpr uint32_t BLOCK_BUFFER_SIZE = 0x1E00000;
    // Far above any recording of the unit; a DATA block that expands past it is a gzip
    // bomb and is refused before it fills the disk.
    static constexpr uint64_t UNPACK_LIMIT = 256ull * 1024 * 1024;

    // abortEvent (may be null, not owned) only shortens the retry waits of file operations.
    explicit CProbeFile(HANDLE abortEvent, uint64_t unpackLimit = UNPACK_LIMIT);
    virtual ~CProbeFile();
    CProbeFile(const CProbeFile&) = delete;
    CProbeFile& operator=(const CProbeFile&) = delete;

    // Unpacks the probe file into the folder of sendPath.
    uint32_t MakeSendFile(const char* probePath, const char* sendPath);
    // The upload's scan: model code and registered device of a probe file. Keeps nothing.
    uint32_t _CheckProbeFile(const char* probePath);

    // Merges each history kind that holds several files into one file of the send list.
    uint32_t CombineDrvHiRecFile();
    // Packs the send list as one block at the end of the send file.
    uint32_t CreateSendFile();
    // Deletes every listed work file and empties the lists.
    uint32_t ClearTempData();
    // Starts a new send file; without keepTexts also a new unit identity.
    void ResetSendHeader(bool keepTexts);
    // Bytes of the files packed since the last reset, before compression.
    uint32_t GetTotalSize() const { return m_uTotalSize; }

    std::string GetLastCCID() const { return m_strLastCcid; }
    std::string GetUid() const { return m_strUid; }
    std::string GetNickName() const { return m_strNickName; }
    std::string GetNaviModel() const;
    std::string GetMaker() const;
    uint32_t GetAplVer() const;
    uint32_t GetMapVer() const;

    const HistoryKindSlot& GetHistoryKindSlot(size_t slot) const { return m_stSlot[slot]; }
    const std::vector<std::string>& GetSendList() const { return m_vecSendList; }
    DWORD GetLastErrorCode() const { return m_dwLastError; }

private:
    uint32_t _ReadFile();
    uint32_t _ReadWholeFile(const char* path, bool zeroSizeOnly, std::vector<uint8_t>& data);
    void _DecryptPayload(uint8_t* payload, uint32_t length, const uint8_t* iv) const;
    // A block's payload copied out of the file and deciphered; false when no memory.
    bool _TakePayload(const uint8_t* source, const ProbeBlockHeader& block,
                      std::vector<uint8_t>& payload);
    uint32_t _TakeProbeHeader(const std::vector<uint8_t>& file, uint64_t* headEnd,
                              ProbeHeader* header);
    uint32_t _ReadDataBlock(const std::vector<uint8_t>& file, uint64_t* offset,
                            const std::string& workFolder, uint32_t* realFiles);
    uint32_t _UnGZipPayload(const std::string& source, const std::string& target);
    uint32_t _ReadBundleFile(const std::string& path, std::vector<uint8_t>& bundle);
    uint32_t _WriteRealFiles(const std::vector<uint8_t>& bundle, const std::string& workFolder,
                             uint32_t* realFiles);
    std::string _KeptText(size_t offset) const;

    void _AddRealFile(std::string path);
    uint32_t _CombineHistoryKind(size_t slot);
    uint32_t _AppendBlock(HANDLE sendFile, const std::vector<uint8_t>& block, uint32_t length);
    uint32_t _AddSendEntry(const std::string& path, std::vector<uint8_t>& block,
                           uint32_t* length);

    HistoryKindSlot m_stSlot[HISTORY_KIND_COUNT];
    std::vector<std::string> m_vecSendList;
    std::string m_strLastCcid;
    std::string m_strNickName;
    std::string m_strDeviceNo;
    std::string m_strUid;
    std::string m_strNamePrefix;
    std::string m_strProbePath;
    std::string m_strSendPath;
    uint8_t m_abyKeptHeader[90];     // probe-header bytes 42 to 131 of the kept identity
    ProbeSendHeader m_stSendHeader;
    HANDLE m_hAbortEvent;
    DWORD m_dwLastError;
    uint32_t m_uTotalSize;
    uint64_t m_ullUnpackLimit;
};
