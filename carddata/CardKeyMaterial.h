#pragma once
// The two sets of key material from which the card cipher's keys are derived
// (DeriveCardKey in CardCipher.h). This is the one place that holds them.
//
// Each set is 32 bytes, read as four 8-byte parts in the order K3, X, K1, K2. A unit's
// files read correctly only under the material its own writer used; a mismatch shows as
// the "DECRYPT" marker check failing on the link file's data header. The values in
// CardKeyMaterial.cpp are this project's own: every card our tests and the demo build is
// enciphered under them. To read real units' cards, replace the two arrays there with the
// unit maker's material; nothing else changes.

#include <cstddef>
#include <cstdint>

const size_t CARD_KEY_MATERIAL_SIZE = 32;

// Each writes its 32 bytes into the caller's buffer; the caller wipes it after use.
void GetLinkFileKeyMaterial(uint8_t* material);
void GetProbeFileKeyMaterial(uint8_t* material);
