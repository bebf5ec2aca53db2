// Table-driven DES and its CBC chaining in the card files' byte order (see CardCipher.h).

#include "carddata/CardCipher.h"

#include "carddata/CardKeyMaterial.h"

#include <windows.h>

#include <array>
#include <cstring>

namespace {

// The textbook tables, with bit 1 the most significant bit of the block or key.
const uint8_t kSBox[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7,
     0,  15, 7,  4, 14, 2,  13, 1,  10, 6,  12, 11, 9,  5,  3, 8,
     4,  1,  14, 8, 13, 6,  2,  11, 15, 12, 9,  7,  3,  10, 5, 0,
     15, 12, 8,  2, 4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6, 13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7, 2,  13, 12, 0, 5,  10,
     3,  13, 4,  7,  15, 2,  8,  14, 12, 0, 1,  10, 6,  9, 11, 5,
     0,  14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,  9,  3, 2,  15,
     13, 8,  10, 1,  3,  15, 4,  2,  11, 6, 7,  12, 0,  5, 14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,
     13, 7,  0,  9,  3, 4,  6,  10, 2,  8,  5,  14, 12, 11, 15, 1,
     13, 6,  4,  9,  8, 15, 3,  0,  11, 1,  2,  12, 5,  10, 14, 7,
     1,  10, 13, 0,  6, 9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3, 0,  6,  9,  10, 1,  2, 8, 5,  11, 12, 4,  15,
     13, 8,  11, 5, 6,  15, 0,  3,  4,  7, 2, 12, 1,  10, 14, 9,
     10, 6,  9,  0, 12, 11, 7,  13, 15, 1, 3, 14, 5,  2,  8,  4,
     3,  15, 0,  6, 10, 1,  13, 8,  9,  4, 5, 11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0, 14, 9,
     14, 11, 2,  12, 4,  7,  13, 1,  5,  0,  15, 10, 3,  9, 8,  6,
     4,  2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,  6,  3, 0,  14,
     11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4, 5,  3},
    {12, 1,  10, 15, 9, 2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11,
     10, 15, 4,  2,  7, 12, 9,  5,  6,  1,  13, 14, 0,  11, 3,  8,
     9,  14, 15, 5,  2, 8,  12, 3,  7,  0,  4,  10, 1,  13, 11, 6,
     4,  3,  2,  12, 9, 5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0, 8,  13, 3,  12, 9, 7,  5,  10, 6, 1,
     13, 0,  11, 7,  4,  9, 1,  10, 14, 3,  5, 12, 2,  15, 8, 6,
     1,  4,  11, 13, 12, 3, 7,  14, 10, 15, 6, 8,  0,  5,  9, 2,
     6,  11, 13, 8,  1,  4, 10, 7,  9,  5,  0, 15, 14, 2,  3, 12},
    {13, 2,  8,  4, 6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,
     1,  15, 13, 8, 10, 3,  7,  4,  12, 5,  6,  11, 0,  14, 9,  2,
     7,  11, 4,  1, 9,  12, 14, 2,  0,  6,  10, 13, 15, 3,  5,  8,
     2,  1,  14, 7, 4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11}};

const uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                        2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

const uint8_t kPC1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                          10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                          63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                          14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

const uint8_t kPC2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10,
                          23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
                          41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
                          44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

const uint8_t kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

using SpTables = std::array<std::array<uint32_t, 64>, 8>;

// Each S-box merged with P: entry v of table i is P applied to S-box i's output for the
// 6-bit input v (outer bits pick the row), placed in that box's nibble, rotated left by 5.
constexpr SpTables MakeSpTables()
{
    SpTables tables{};
    for (int box = 0; box < 8; ++box) {
        for (int v = 0; v < 64; ++v) {
            const int row = ((v >> 4) & 2) | (v & 1);
            const int column = (v >> 1) & 15;
            const uint32_t s = static_cast<uint32_t>(kSBox[box][row * 16 + column])
                               << (28 - 4 * box);
            uint32_t p = 0;
            for (int bit = 0; bit < 32; ++bit) {
                if (s & (0x80000000u >> (kP[bit] - 1))) p |= 0x80000000u >> bit;
            }
            // Stored rotated like the halves in the rounds (see CryptWords).
            tables[box][v] = (p << 5) | (p >> 27);
        }
    }
    return tables;
}

constexpr SpTables kSp = MakeSpTables();

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadWord(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline void StoreWord(uint8_t* p, uint32_t x)
{
    p[0] = static_cast<uint8_t>(x);
    p[1] = static_cast<uint8_t>(x >> 8);
    p[2] = static_cast<uint8_t>(x >> 16);
    p[3] = static_cast<uint8_t>(x >> 24);
}

// Initial permutation as five masked swaps; each swap undoes itself, so the final
// permutation is the same steps backwards.
inline void InitialPermutation(uint32_t& l, uint32_t& r)
{
    uint32_t w;
    w = ((l >> 4) ^ r) & 0x0F0F0F0Fu; r ^= w; l ^= w << 4;
    w = ((l >> 16) ^ r) & 0x0000FFFFu; r ^= w; l ^= w << 16;
    w = ((r >> 2) ^ l) & 0x33333333u; l ^= w; r ^= w << 2;
    w = ((r >> 8) ^ l) & 0x00FF00FFu; l ^= w; r ^= w << 8;
    w = ((l >> 1) ^ r) & 0x55555555u; r ^= w; l ^= w << 1;
}

inline void FinalPermutation(uint32_t& l, uint32_t& r)
{
    uint32_t w;
    w = ((l >> 1) ^ r) & 0x55555555u; r ^= w; l ^= w << 1;
    w = ((r >> 8) ^ l) & 0x00FF00FFu; l ^= w; r ^= w << 8;
    w = ((r >> 2) ^ l) & 0x33333333u; l ^= w; r ^= w << 2;
    w = ((l >> 16) ^ r) & 0x0000FFFFu; r ^= w; l ^= w << 16;
    w = ((l >> 4) ^ r) & 0x0F0F0F0Fu; r ^= w; l ^= w << 4;
}

// The expansion's 6-bit group i is rotl(r, 4i + 5) & 63. The rounds keep both halves
// rotated left by 5, which puts groups 0, 6, 4, 2 in the low 6 bits of each byte, and one
// more rotation by 4 puts groups 1, 7, 5, 3 there; the subkey words are laid out to match
// (see DesSetKey) and the tables hold their outputs rotated alike.
inline uint32_t Feistel(uint32_t r, const uint32_t* k)
{
    // One mask per word leaves each table index a plain byte.
    const uint32_t a = (r ^ k[0]) & 0x3F3F3F3Fu;
    const uint32_t b = (RotateLeft(r, 4) ^ k[1]) & 0x3F3F3F3Fu;
    return kSp[0][static_cast<uint8_t>(a)] ^ kSp[6][static_cast<uint8_t>(a >> 8)] ^
           kSp[4][static_cast<uint8_t>(a >> 16)] ^ kSp[2][a >> 24] ^
           kSp[1][static_cast<uint8_t>(b)] ^ kSp[7][static_cast<uint8_t>(b >> 8)] ^
           kSp[5][static_cast<uint8_t>(b >> 16)] ^ kSp[3][b >> 24];
}

inline void CryptWords(uint32_t& left, uint32_t& right, const uint32_t* subkeys)
{
    uint32_t l = left, r = right;
    InitialPermutation(l, r);
    l = RotateLeft(l, 5);
    r = RotateLeft(r, 5);
    for (int round = 0; round < 16; round += 2) {
        l ^= Feistel(r, subkeys + 2 * round);
        r ^= Feistel(l, subkeys + 2 * round + 2);
    }
    l = RotateLeft(l, 27);
    r = RotateLeft(r, 27);
    // The last round does not swap the halves.
    FinalPermutation(r, l);
    left = r;
    right = l;
}

void CryptBlockWithSchedule(uint8_t* block, const uint8_t* key, int decrypt)
{
    uint32_t subkeys[DES_SUBKEY_WORDS];
    DesSetKey(key, decrypt, subkeys);
    DesCryptBlock(block, subkeys);
    SecureZeroMemory(subkeys, sizeof subkeys);
}

} // namespace

void DesSetKey(const uint8_t* key, int decrypt, uint32_t* subkeys)
{
    // Bit n (1 = most significant) of the 64-bit key in the card byte order.
    const uint64_t k = static_cast<uint64_t>(LoadWord(key)) << 32 | LoadWord(key + 4);
    uint32_t c = 0, d = 0;
    for (int i = 0; i < 28; ++i) {
        c = (c << 1) | static_cast<uint32_t>((k >> (64 - kPC1[i])) & 1);
        d = (d << 1) | static_cast<uint32_t>((k >> (64 - kPC1[28 + i])) & 1);
    }
    for (int round = 0; round < 16; ++round) {
        for (int s = 0; s < kShifts[round]; ++s) {
            c = ((c << 1) | (c >> 27)) & 0x0FFFFFFFu;
            d = ((d << 1) | (d >> 27)) & 0x0FFFFFFFu;
        }
        const uint64_t cd = static_cast<uint64_t>(c) << 28 | d;
        uint32_t groups[8] = {};
        for (int bit = 0; bit < 48; ++bit) {
            const uint32_t b = static_cast<uint32_t>((cd >> (56 - kPC2[bit])) & 1);
            groups[bit / 6] |= b << (5 - bit % 6);
        }
        const int slot = decrypt ? 15 - round : round;
        subkeys[2 * slot] = groups[0] | groups[6] << 8 | groups[4] << 16 | groups[2] << 24;
        subkeys[2 * slot + 1] = groups[1] | groups[7] << 8 | groups[5] << 16 | groups[3] << 24;
    }
}

void DesCryptBlock(uint8_t* block, const uint32_t* subkeys)
{
    uint32_t l = LoadWord(block), r = LoadWord(block + 4);
    CryptWords(l, r, subkeys);
    StoreWord(block, l);
    StoreWord(block + 4, r);
}

void DesCbcCrypt(uint8_t* data, const uint8_t* key, const uint8_t* iv, uint32_t blockCount,
                 int decrypt)
{
    if (blockCount == 0) return;
    uint32_t subkeys[DES_SUBKEY_WORDS];
    DesSetKey(key, decrypt, subkeys);
    // The chain value stays in registers; the iv buffer is only read.
    uint32_t chainL = LoadWord(iv), chainR = LoadWord(iv + 4);
    uint8_t* p = data;
    if (decrypt) {
        for (uint32_t i = 0; i < blockCount; ++i, p += 8) {
            const uint32_t cl = LoadWord(p), cr = LoadWord(p + 4);
            uint32_t l = cl, r = cr;
            CryptWords(l, r, subkeys);
            StoreWord(p, l ^ chainL);
            StoreWord(p + 4, r ^ chainR);
            chainL = cl;
            chainR = cr;
        }
    } else {
        for (uint32_t i = 0; i < blockCount; ++i, p += 8) {
            uint32_t l = LoadWord(p) ^ chainL, r = LoadWord(p + 4) ^ chainR;
            CryptWords(l, r, subkeys);
            StoreWord(p, l);
            StoreWord(p + 4, r);
            chainL = l;
            chainR = r;
        }
    }
    SecureZeroMemory(subkeys, sizeof subkeys);
}

void DeriveCardKey(const uint8_t* material, uint8_t* key)
{
    const uint8_t* k3 = material;
    const uint8_t* x = material + 8;
    const uint8_t* k1 = material + 16;
    const uint8_t* k2 = material + 24;
    uint8_t block[8];
    std::memcpy(block, x, sizeof block);
    CryptBlockWithSchedule(block, k1, 0);
    CryptBlockWithSchedule(block, k2, 1);
    CryptBlockWithSchedule(block, k3, 0);
    for (int i = 0; i < 8; ++i) key[i] = block[i] ^ x[i];
    SecureZeroMemory(block, sizeof block);
}

void MakeLinkFileKey(uint8_t* key)
{
    uint8_t material[CARD_KEY_MATERIAL_SIZE];
    GetLinkFileKeyMaterial(material);
    DeriveCardKey(material, key);
    SecureZeroMemory(material, sizeof material);
}

void MakeProbeFileKey(uint8_t* key)
{
    uint8_t material[CARD_KEY_MATERIAL_SIZE];
    GetProbeFileKeyMaterial(material);
    DeriveCardKey(material, key);
    SecureZeroMemory(material, sizeof material);
}
