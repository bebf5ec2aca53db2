// Unpacking and packing a 30 MB probe set as the probe upload drives it (per probe file:
// clear, read + decipher + gunzip + write the real files, merge the driving histories, gzip
// them into the send file), beside a plain file copy of the same real bytes in the same
// run. The send file is parsed back and every entry gunzipped and compared, so a fast but
// wrong figure cannot pass unnoticed.

#include "carddata/ProbeFile.h"
#include "carddata/UserListFile.h"
#include "lib/AppFolder.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "tests/carddata/support/ProbeBuilder.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

const int kProbeFiles = 6;
const size_t kRealBytesPerProbe = 5u << 20;   // 6 x 5 MiB = 30 MiB of real files
const char kDeviceNo[] = "DN00000000000001";

std::string g_strRoot;

HRESULT BenchAppDataFolder(char* path)
{
    std::strcpy(path, (g_strRoot + "AppData").c_str());
    return S_OK;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& freq)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}

double MegabytesPerSecond(uint64_t bytes, double seconds)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds;
}

// Records that compress like the unit's logs: slowly changing counters and positions with
// a little noise.
std::vector<uint8_t> Records(size_t size, std::mt19937& random)
{
    std::vector<uint8_t> data(size);
    uint32_t position = random();
    for (size_t i = 0; i + 16 <= size; i += 16) {
        position += random() % 64;
        const uint32_t values[4] = {static_cast<uint32_t>(i / 16), position,
                                    position ^ 0x5A5A0000u, random() % 256};
        std::memcpy(data.data() + i, values, sizeof values);
    }
    return data;
}

std::vector<uint8_t> HistoryMode0(const std::vector<uint8_t>& records)
{
    std::vector<uint8_t> file(12 + records.size(), 0);
    const uint32_t count = static_cast<uint32_t>(records.size() / 16);
    std::memcpy(file.data() + 4, &count, 4);
    std::memcpy(file.data() + 12, records.data(), records.size());
    return file;
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

// Every entry of the send file, gunzipped, by name.
bool ParseSendFile(const std::vector<uint8_t>& file, std::map<std::string, std::vector<uint8_t>>& entries)
{
    if (file.size() < 24 || std::memcmp(file.data(), "OFCD01", 6) != 0) return false;
    size_t at = 24;
    while (at + 44 <= file.size()) {
        uint64_t length = 0;
        uint32_t count = 0;
        std::memcpy(&length, file.data() + at, 8);
        std::memcpy(&count, file.data() + at + 20, 4);
        size_t p = at + 44;
        for (uint32_t i = 0; i < count; ++i) {
            RealFileHeader header;
            if (p + sizeof header > file.size()) return false;
            std::memcpy(&header, file.data() + p, sizeof header);
            if (p + sizeof header + header.m_ullDataSize > file.size()) return false;
            bool ok = false;
            const std::vector<uint8_t> gzip(file.begin() + p + sizeof header,
                                            file.begin() + p + sizeof header + header.m_ullDataSize);
            entries[header.m_szName] = CProbeBuilder::Gunzip(gzip, &ok);
            if (!ok) return false;
            p += sizeof header + header.m_ullDataSize;
        }
        if (p + 4 > file.size() || std::memcmp(file.data() + p, "EOF_", 4) != 0) return false;
        at += length + 8;
    }
    return at == file.size();
}

} // namespace

int main()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    g_strRoot = lib::FormatString("%sprobe_bench_%lu\\", temp, static_cast<unsigned long>(GetCurrentProcessId()));
    lib::CreateDirectoryRecursive(g_strRoot + "AppData");
    lib::SetAppDataFolderQuery(&BenchAppDataFolder);
    CUserListFile users;
    if (!users.SaveWithCurrentDevice(kDeviceNo, "bench", 0x0746, "UA/1.0", nullptr)) {
        std::printf("cannot register the bench user\n");
        return 1;
    }

    // The probe set: per probe file two driving histories (merged into one), a GPS log and
    // a plain record file, in two DATA blocks.
    std::mt19937 random(2026);
    std::vector<std::string> probePaths;
    std::map<std::string, std::vector<uint8_t>> expected;
    uint64_t realBytes = 0;
    uint64_t cardBytes = 0;
    std::vector<uint8_t> allReal;
    for (int i = 0; i < kProbeFiles; ++i) {
        const std::string prefix = lib::FormatString("2026120912%02d00", i);
        const size_t third = kRealBytesPerProbe / 3;
        const std::string laterPrefix = lib::FormatString("2026120912%02d30", i);
        const std::vector<uint8_t> history = HistoryMode0(Records(third / 2 - 12, random));
        const std::vector<uint8_t> history2 = HistoryMode0(Records(third - third / 2 - 12, random));
        const std::vector<uint8_t> gps = HistoryMode0(Records(third - 12, random));
        const std::vector<uint8_t> plain = Records(kRealBytesPerProbe - 2 * third, random);
        CProbeBuilder builder;
        builder.AddRealFile(prefix + "/DRVHISREC.DH6", history)
            .AddRealFile(laterPrefix + "/DRVHISREC.DH6", history2)
            .AddRealFile(prefix + "/GPSDATA.GD0", gps)
            .AddDataBlock()
            .AddRealFile(prefix + "/TRIPLOG.BIN", plain);
        const std::string path = lib::FormatString("%scard\\PROBE\\%04d\\ProbeData.dat", g_strRoot.c_str(), i);
        if (!builder.WriteTo(path)) {
            std::printf("cannot write %s\n", path.c_str());
            return 1;
        }
        probePaths.push_back(path);
        expected[prefix + "/TRIPLOG.BIN"] = plain;
        realBytes += history.size() + history2.size() + gps.size() + plain.size();
        cardBytes += ReadAll(path).size();
        allReal.insert(allReal.end(), history.begin(), history.end());
        allReal.insert(allReal.end(), history2.begin(), history2.end());
        allReal.insert(allReal.end(), gps.begin(), gps.end());
        allReal.insert(allReal.end(), plain.begin(), plain.end());
    }

    LARGE_INTEGER freq, t0, t1, t2;
    QueryPerformanceFrequency(&freq);
    const std::string work = g_strRoot + "work\\";
    const std::string send = work + "PROBE.DAT";
    CProbeFile probe(nullptr);
    probe.ResetSendHeader(false);
    double unpackSeconds = 0;
    double packSeconds = 0;
    for (const std::string& path : probePaths) {
        QueryPerformanceCounter(&t0);
        probe.ClearTempData();
        const uint32_t made = probe.MakeSendFile(path.c_str(), send.c_str());
        QueryPerformanceCounter(&t1);
        const uint32_t combined = probe.CombineDrvHiRecFile();
        const uint32_t created = probe.CreateSendFile();
        QueryPerformanceCounter(&t2);
        if (made != 0 || combined != 0 || created != 0) {
            std::printf("probe file %s failed: 0x%X 0x%X 0x%X\n", path.c_str(), made, combined, created);
            return 1;
        }
        unpackSeconds += Seconds(t0, t1, freq);
        packSeconds += Seconds(t1, t2, freq);
    }
    const uint64_t sendBytes = ReadAll(send).size();

    std::map<std::string, std::vector<uint8_t>> entries;
    if (!ParseSendFile(ReadAll(send), entries)) {
        std::printf("the send file does not parse back\n");
        return 1;
    }
    for (const auto& entry : expected) {
        if (entries[entry.first] != entry.second) {
            std::printf("entry %s differs\n", entry.first.c_str());
            return 1;
        }
    }

    // Reference: the same real bytes written once and copied as a plain file.
    const std::string copySource = g_strRoot + "copy_source.bin";
    const std::string copyTarget = g_strRoot + "copy_target.bin";
    WriteAll(copySource, allReal);
    QueryPerformanceCounter(&t0);
    CopyFileA(copySource.c_str(), copyTarget.c_str(), FALSE);
    QueryPerformanceCounter(&t1);
    const double copySeconds = Seconds(t0, t1, freq);
    // And the deflate that packing cannot avoid: the same bytes gzipped in memory.
    QueryPerformanceCounter(&t0);
    const size_t gzipped = CProbeBuilder::Gzip(allReal).size();
    QueryPerformanceCounter(&t1);
    const double gzipSeconds = Seconds(t0, t1, freq);

    std::printf("probe set: %d probe files, %.1f MB of real files, %.1f MB on the card, send file %.1f MB\n",
                kProbeFiles, realBytes / 1048576.0, cardBytes / 1048576.0, sendBytes / 1048576.0);
    std::printf("unpack (read, decipher, gunzip, write real files): %8.1f ms %8.1f MB/s\n",
                unpackSeconds * 1000, MegabytesPerSecond(realBytes, unpackSeconds));
    std::printf("merge and send file (gzip, pack, append):          %8.1f ms %8.1f MB/s\n",
                packSeconds * 1000, MegabytesPerSecond(realBytes, packSeconds));
    std::printf("whole probe set:                                   %8.1f ms %8.1f MB/s\n",
                (unpackSeconds + packSeconds) * 1000,
                MegabytesPerSecond(realBytes, unpackSeconds + packSeconds));
    std::printf("plain copy of the same bytes (CopyFile):           %8.1f ms %8.1f MB/s\n",
                copySeconds * 1000, MegabytesPerSecond(realBytes, copySeconds));
    std::printf("gzip of the same bytes in memory (zlib, %4.1f MB):  %8.1f ms %8.1f MB/s\n",
                gzipped / 1048576.0, gzipSeconds * 1000, MegabytesPerSecond(realBytes, gzipSeconds));

    lib::DeleteFolder(g_strRoot.c_str(), true);
    return 0;
}
