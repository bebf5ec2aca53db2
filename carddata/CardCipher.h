#pragma once
// DES-CBC of the card files that the navigation unit enciphers (link file, probe files).
//
// Byte order: every 8-byte block, the iv and the key are two 32-bit little-endian words,
// the first word being the left half of the DES block. Against textbook DES that means the
// bytes of each 4-byte half are taken in reverse (3 2 1 0 7 6 5 4), so a standard DES
// library used on the bytes as they stand gives different output. The chaining XORs are
// bytewise and do not care.
//
// Only the unit writes these files; we decipher. Enciphering exists for symmetry and for
// the card builder of the tests and the demo.

#include <cstddef>
#include <cstdint>

// Round subkeys of one key schedule: two words per round, 16 rounds.
const size_t DES_SUBKEY_WORDS = 32;

// Enciphers (decrypt == 0) or deciphers blockCount * 8 bytes in place, chaining from iv.
// iv is never written, so every call starts the chain afresh. A count of 0 does nothing.
void DesCbcCrypt(uint8_t* data, const uint8_t* key, const uint8_t* iv, uint32_t blockCount,
                 int decrypt);

// The 16 round subkeys of an 8-byte key (parity bits ignored), in reverse order when
// decrypt is non-zero.
void DesSetKey(const uint8_t* key, int decrypt, uint32_t* subkeys);

// One 8-byte block in place.
void DesCryptBlock(uint8_t* block, const uint32_t* subkeys);

// key = E(K3, D(K2, E(K1, X))) XOR X over 32 bytes of material laid out K3, X, K1, K2.
void DeriveCardKey(const uint8_t* material, uint8_t* key);

// The 8-byte keys of the link file and of the probe files (material: CardKeyMaterial.h).
void MakeLinkFileKey(uint8_t* key);
void MakeProbeFileKey(uint8_t* key);
