#include "launcher/UserDataFolder.h"

#include "lib/AppFolder.h"
#include "lib/DbcsText.h"
#include "lib/Path.h"

#include <cstring>

namespace {

const char kReplacement = '_';

bool CannotStandInName(unsigned char c)
{
    return c < 0x20 || std::strchr("\\/:*?\"<>|", c) != nullptr;
}

} // namespace

std::string MakeUserFolderName(const std::string& userName)
{
    std::string name;
    name.reserve(userName.size() + 1);
    size_t lastCharacter = 0;  // where the last character starts
    for (const char* p = userName.c_str(); *p != '\0';) {
        const size_t size = lib::DbcsCharSize(p);
        lastCharacter = name.size();
        if (size == 1 && CannotStandInName(static_cast<unsigned char>(*p))) {
            name += kReplacement;
        } else {
            name.append(p, size);
        }
        p += size;
    }
    if (name.empty()) return std::string(1, kReplacement);
    // Windows drops a trailing blank or dot of a name, which would give two names one folder.
    if (name.size() == lastCharacter + 1 && (name.back() == ' ' || name.back() == '.')) {
        name.back() = kReplacement;
    }
    // Windows opens a device for "CON" and for "CON.txt" alike: the mark goes after the name
    // part, before the first dot.
    if (lib::IsDeviceName(name)) {
        const char* dot = lib::DbcsFindChar(name.c_str(), '.');
        name.insert(dot == nullptr ? name.size() : static_cast<size_t>(dot - name.c_str()), 1,
                    kReplacement);
    }
    return name;
}

std::string GetUserDataFolder(const std::string& userName)
{
    std::string folder = lib::GetDataFolder() + MakeUserFolderName(userName) + "\\";
    lib::CreateDirectoryRecursive(folder);
    return folder;
}
