// Deciphering speed of the card cipher beside Windows CryptoAPI's DES-CBC (CALG_DES) on the
// same 64 MiB in the same run. Both outputs are checked against the plain text, so a fast
// but wrong figure cannot pass unnoticed.

#include "carddata/CardCipher.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

const size_t kDataSize = 64u << 20;
const int kRuns = 3;

void SwapHalves(std::vector<uint8_t>& bytes)
{
    for (size_t h = 0; h + 4 <= bytes.size(); h += 4) {
        std::swap(bytes[h], bytes[h + 3]);
        std::swap(bytes[h + 1], bytes[h + 2]);
    }
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& freq)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}

double MegabytesPerSecond(double seconds)
{
    return static_cast<double>(kDataSize) / (1024.0 * 1024.0) / seconds;
}

} // namespace

int main()
{
    std::mt19937 random(2026);
    std::vector<uint8_t> plain(kDataSize);
    for (auto& b : plain) b = static_cast<uint8_t>(random());
    uint8_t key[8], iv[8];
    for (auto& b : key) b = static_cast<uint8_t>(random());
    for (auto& b : iv) b = static_cast<uint8_t>(random());

    std::vector<uint8_t> cipher = plain;
    const uint32_t blocks = static_cast<uint32_t>(kDataSize / 8);
    DesCbcCrypt(cipher.data(), key, iv, blocks, 0);

    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);

    double ours = 1e30;
    std::vector<uint8_t> work;
    for (int run = 0; run < kRuns; ++run) {
        work = cipher;
        QueryPerformanceCounter(&t0);
        DesCbcCrypt(work.data(), key, iv, blocks, 1);
        QueryPerformanceCounter(&t1);
        ours = std::min(ours, Seconds(t0, t1, freq));
    }
    const bool oursRight = work == plain;

    // CryptoAPI works in textbook byte order: give it the card data with each half reversed.
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT)) {
        std::printf("CryptoAPI provider unavailable (error %lu)\n", GetLastError());
        return 1;
    }
    struct {
        BLOBHEADER header;
        DWORD size;
        BYTE key[8];
    } blob = {{PLAINTEXTKEYBLOB, CUR_BLOB_VERSION, 0, CALG_DES}, 8, {}};
    std::vector<uint8_t> textbookKey(key, key + 8), textbookIv(iv, iv + 8);
    SwapHalves(textbookKey);
    SwapHalves(textbookIv);
    std::memcpy(blob.key, textbookKey.data(), 8);
    std::vector<uint8_t> textbookCipher = cipher;
    SwapHalves(textbookCipher);

    double theirs = 1e30;
    bool theirsRight = true;
    for (int run = 0; run < kRuns; ++run) {
        HCRYPTKEY handle = 0;
        DWORD mode = CRYPT_MODE_CBC;
        if (!CryptImportKey(provider, reinterpret_cast<BYTE*>(&blob), sizeof blob, 0, 0, &handle) ||
            !CryptSetKeyParam(handle, KP_MODE, reinterpret_cast<BYTE*>(&mode), 0) ||
            !CryptSetKeyParam(handle, KP_IV, textbookIv.data(), 0)) {
            std::printf("CryptoAPI key set-up failed (error %lu)\n", GetLastError());
            return 1;
        }
        work = textbookCipher;
        DWORD length = static_cast<DWORD>(work.size());
        QueryPerformanceCounter(&t0);
        const BOOL ok = CryptDecrypt(handle, 0, FALSE, 0, work.data(), &length);
        QueryPerformanceCounter(&t1);
        CryptDestroyKey(handle);
        if (!ok) {
            std::printf("CryptDecrypt failed (error %lu)\n", GetLastError());
            return 1;
        }
        theirs = std::min(theirs, Seconds(t0, t1, freq));
        SwapHalves(work);
        theirsRight = theirsRight && work == plain;
    }
    CryptReleaseContext(provider, 0);

    std::printf("DES-CBC decipher, 64 MiB, best of %d runs\n", kRuns);
    std::printf("  DesCbcCrypt          %8.1f MB/s  %s\n", MegabytesPerSecond(ours),
                oursRight ? "output correct" : "OUTPUT WRONG");
    std::printf("  CryptoAPI CALG_DES   %8.1f MB/s  %s\n", MegabytesPerSecond(theirs),
                theirsRight ? "output correct" : "OUTPUT WRONG");
    std::printf("  ratio                %8.2f x CryptoAPI\n", theirs / ours);
    return oursRight && theirsRight ? 0 : 1;
}
