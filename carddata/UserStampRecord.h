#pragma once
// What the PC remembers of the unit last used by a user: four link values read from the
// card and the unit's user-agent text. Filled by the drive manager from the card, kept per
// user in "UserList.info" and sent by the traffic download. Held in memory only.

#include <cstdint>
#include <string>

struct UserStampRecord {
    uint32_t m_uPositionX = 0;
    uint32_t m_uPositionY = 0;
    uint32_t m_uMapVersion = 0; // link-file record 0x30020001
    uint32_t m_uLinkYear = 0;
    std::string m_strUserAgent;
};
