// Card cipher: textbook DES vectors in the card byte order, CBC chaining, key derivation.

#include "carddata/CardCipher.h"
#include "carddata/CardKeyMaterial.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromHex(const char* hex)
{
    Bytes bytes;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(std::string(hex + i, 2), nullptr, 16)));
    }
    return bytes;
}

// Textbook DES bytes <-> card byte order: each 4-byte half reversed.
Bytes SwapHalves(Bytes bytes)
{
    for (size_t h = 0; h + 4 <= bytes.size(); h += 4) {
        std::swap(bytes[h], bytes[h + 3]);
        std::swap(bytes[h + 1], bytes[h + 2]);
    }
    return bytes;
}

Bytes RandomBytes(size_t count, uint32_t seed)
{
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

Bytes EncryptBlock(const Bytes& key, Bytes block, int decrypt = 0)
{
    uint32_t subkeys[DES_SUBKEY_WORDS];
    DesSetKey(key.data(), decrypt, subkeys);
    DesCryptBlock(block.data(), subkeys);
    return block;
}

struct KnownAnswer {
    const char* key;
    const char* plain;
    const char* cipher;
};

// Published single-block DES vectors, written in textbook byte order.
const KnownAnswer kKnownAnswers[] = {
    {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
    {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
};

TEST(CardCipherBlock, KnownAnswersInCardByteOrderBothWays)
{
    for (const auto& v : kKnownAnswers) {
        SCOPED_TRACE(v.key);
        const Bytes key = SwapHalves(FromHex(v.key));
        const Bytes plain = SwapHalves(FromHex(v.plain));
        const Bytes cipher = SwapHalves(FromHex(v.cipher));
        EXPECT_EQ(EncryptBlock(key, plain, 0), cipher);
        EXPECT_EQ(EncryptBlock(key, cipher, 1), plain);
    }
}

TEST(CardCipherBlock, BytesAsTheyStandAreNotTextbookDes)
{
    const KnownAnswer& v = kKnownAnswers[0];
    EXPECT_NE(EncryptBlock(FromHex(v.key), FromHex(v.plain)), FromHex(v.cipher));
}

TEST(CardCipherBlock, ParityBitsAreIgnored)
{
    const Bytes key = SwapHalves(FromHex("133457799BBCDFF1"));
    const Bytes plain = RandomBytes(64, 7);
    const Bytes iv = RandomBytes(8, 8);
    for (uint8_t mask : {0x01, 0x55, 0xFF}) {
        Bytes flipped = key;
        for (size_t i = 0; i < 8; ++i) {
            if (mask & (1u << i)) flipped[i] ^= 1;
        }
        Bytes a = plain, b = plain;
        DesCbcCrypt(a.data(), key.data(), iv.data(), 8, 0);
        DesCbcCrypt(b.data(), flipped.data(), iv.data(), 8, 0);
        EXPECT_EQ(a, b) << "mask " << int(mask);
    }
    // A non-parity bit does change the result.
    Bytes other = key;
    other[0] ^= 2;
    EXPECT_NE(EncryptBlock(key, plain), EncryptBlock(other, plain));
}

TEST(CardCipherCbc, KnownChainAndRoundTripKeepTheIv)
{
    const Bytes key = SwapHalves(FromHex("133457799BBCDFF1"));
    const Bytes iv = RandomBytes(8, 1);
    for (uint32_t blocks : {1u, 2u, 8u, 21u, 1000u}) {
        SCOPED_TRACE(blocks);
        const Bytes plain = RandomBytes(blocks * 8, blocks);
        Bytes data = plain;
        Bytes ivCopy = iv;
        DesCbcCrypt(data.data(), key.data(), ivCopy.data(), blocks, 0);
        EXPECT_EQ(ivCopy, iv);

        // Enciphering chains: block i is E(P_i XOR C_(i-1)), C_(-1) = iv.
        Bytes previous = iv;
        for (uint32_t i = 0; i < blocks; ++i) {
            Bytes block(plain.begin() + i * 8, plain.begin() + i * 8 + 8);
            for (size_t j = 0; j < 8; ++j) block[j] ^= previous[j];
            const Bytes expected = EncryptBlock(key, block);
            ASSERT_EQ(Bytes(data.begin() + i * 8, data.begin() + i * 8 + 8), expected) << i;
            previous = expected;
        }

        DesCbcCrypt(data.data(), key.data(), ivCopy.data(), blocks, 1);
        EXPECT_EQ(ivCopy, iv);
        EXPECT_EQ(data, plain);
    }
}

TEST(CardCipherCbc, ZeroBlocksTouchNothing)
{
    const Bytes key = RandomBytes(8, 2), iv = RandomBytes(8, 3);
    Bytes data(16, 0xA5);
    DesCbcCrypt(data.data(), key.data(), iv.data(), 0, 1);
    DesCbcCrypt(data.data(), key.data(), iv.data(), 0, 0);
    EXPECT_EQ(data, Bytes(16, 0xA5));
}

TEST(CardCipherCbc, RecordsEncipheredAlikeStayIndependent)
{
    // Two 21-block records, each enciphered by itself from the same iv, as in the link file.
    const Bytes key = RandomBytes(8, 4), iv = RandomBytes(8, 5);
    const Bytes record = RandomBytes(168, 6);
    Bytes first = record, second = record;
    DesCbcCrypt(first.data(), key.data(), iv.data(), 21, 0);
    DesCbcCrypt(second.data(), key.data(), iv.data(), 21, 0);
    EXPECT_EQ(first, second);

    Bytes file = first;
    file.insert(file.end(), second.begin(), second.end());
    file[40] ^= 0xFF; // damage the first record only
    DesCbcCrypt(file.data(), key.data(), iv.data(), 21, 1);
    DesCbcCrypt(file.data() + 168, key.data(), iv.data(), 21, 1);
    EXPECT_NE(Bytes(file.begin(), file.begin() + 168), record);
    EXPECT_EQ(Bytes(file.begin() + 168, file.end()), record);
    // CBC limits the damage to the block hit and the one after it.
    EXPECT_EQ(Bytes(file.begin() + 56, file.begin() + 168), Bytes(record.begin() + 56, record.end()));
}

// Windows' own DES-CBC, fed the textbook byte order, must agree on every block.
TEST(CardCipherCbc, AgreesWithCryptoApiOnRandomData)
{
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT)) {
        GTEST_SKIP() << "no CryptoAPI provider: " << GetLastError();
    }
    for (uint32_t seed = 10; seed < 30; ++seed) {
        SCOPED_TRACE(seed);
        const Bytes key = RandomBytes(8, seed), iv = RandomBytes(8, seed + 100);
        const Bytes plain = RandomBytes(8 * 64, seed + 200);

        struct {
            BLOBHEADER header;
            DWORD size;
            BYTE key[8];
        } blob = {{PLAINTEXTKEYBLOB, CUR_BLOB_VERSION, 0, CALG_DES}, 8, {}};
        const Bytes textbookKey = SwapHalves(key);
        std::memcpy(blob.key, textbookKey.data(), 8);
        HCRYPTKEY handle = 0;
        ASSERT_TRUE(CryptImportKey(provider, reinterpret_cast<BYTE*>(&blob), sizeof blob, 0, 0,
                                   &handle)) << GetLastError();
        Bytes textbookIv = SwapHalves(iv);
        DWORD mode = CRYPT_MODE_CBC;
        ASSERT_TRUE(CryptSetKeyParam(handle, KP_MODE, reinterpret_cast<BYTE*>(&mode), 0));
        ASSERT_TRUE(CryptSetKeyParam(handle, KP_IV, textbookIv.data(), 0));
        Bytes theirs = SwapHalves(plain);
        DWORD length = static_cast<DWORD>(theirs.size());
        ASSERT_TRUE(CryptEncrypt(handle, 0, FALSE, 0, theirs.data(), &length, length));
        CryptDestroyKey(handle);

        Bytes ours = plain;
        DesCbcCrypt(ours.data(), key.data(), iv.data(), 64, 0);
        EXPECT_EQ(ours, SwapHalves(theirs));
    }
    CryptReleaseContext(provider, 0);
}

TEST(CardKeyDerivation, TripleStepOverKnownVectors)
{
    // With K1 = K2 = K3 the middle step undoes the first, so the derived key is
    // E(K, X) XOR X: the textbook vector XOR its own plain text.
    const Bytes k = SwapHalves(FromHex("133457799BBCDFF1"));
    const Bytes x = SwapHalves(FromHex("0123456789ABCDEF"));
    Bytes material = k;                              // K3
    material.insert(material.end(), x.begin(), x.end()); // X
    material.insert(material.end(), k.begin(), k.end()); // K1
    material.insert(material.end(), k.begin(), k.end()); // K2
    Bytes key(8);
    DeriveCardKey(material.data(), key.data());
    // 85E813540F0AB405 XOR 0123456789ABCDEF
    EXPECT_EQ(key, SwapHalves(FromHex("84CB563386A179EA")));
}

TEST(CardKeyDerivation, PartsAreTakenInTheirOrder)
{
    const Bytes material = RandomBytes(32, 42);
    const Bytes k3(material.begin(), material.begin() + 8), x(material.begin() + 8, material.begin() + 16);
    const Bytes k1(material.begin() + 16, material.begin() + 24), k2(material.begin() + 24, material.end());
    Bytes expected = EncryptBlock(k3, EncryptBlock(k2, EncryptBlock(k1, x), 1));
    for (size_t i = 0; i < 8; ++i) expected[i] ^= x[i];
    Bytes key(8);
    DeriveCardKey(material.data(), key.data());
    EXPECT_EQ(key, expected);
}

TEST(CardKeyDerivation, LinkAndProbeKeysComeFromTheirOwnMaterial)
{
    uint8_t material[CARD_KEY_MATERIAL_SIZE];
    Bytes link(16, 0), probe(16, 0), expected(8);

    MakeLinkFileKey(link.data());
    GetLinkFileKeyMaterial(material);
    DeriveCardKey(material, expected.data());
    EXPECT_EQ(Bytes(link.begin(), link.begin() + 8), expected);
    EXPECT_EQ(Bytes(link.begin() + 8, link.end()), Bytes(8, 0)) << "writes 8 bytes only";

    MakeProbeFileKey(probe.data());
    GetProbeFileKeyMaterial(material);
    DeriveCardKey(material, expected.data());
    EXPECT_EQ(Bytes(probe.begin(), probe.begin() + 8), expected);
    EXPECT_NE(link, probe);
}

} // namespace
