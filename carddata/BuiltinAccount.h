#pragma once
// The fixed account of the weather service's digest authentication, the same for every
// installation.

#include <cstdint>

// Copies the account id and its password, each with its NUL, into the two buffers. A null
// buffer or a size of 0 gives false and touches nothing; otherwise both buffers are
// zero-filled over their whole sizes first, and a buffer too small for its text (14 bytes for
// the id, 9 for the password) gives false with both left zero-filled.
bool GetBuiltinAccount(char* id, uint32_t idSize, char* password, uint32_t passwordSize);
