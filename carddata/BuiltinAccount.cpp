#include "carddata/BuiltinAccount.h"

#include <cstring>

namespace {

const char kAccountId[] = "roadsentinel7";
const char kAccountPassword[] = "Qe37tovK";

} // namespace

bool GetBuiltinAccount(char* id, uint32_t idSize, char* password, uint32_t passwordSize)
{
    if (id == nullptr || password == nullptr || idSize == 0 || passwordSize == 0) return false;
    std::memset(id, 0, idSize);
    std::memset(password, 0, passwordSize);
    if (idSize < sizeof kAccountId || passwordSize < sizeof kAccountPassword) return false;
    std::memcpy(id, kAccountId, sizeof kAccountId);
    std::memcpy(password, kAccountPassword, sizeof kAccountPassword);
    return true;
}
