#include "tests/carddata/ProbeTestSupport.h"

#include "carddata/UserListFile.h"
#include "lib/AppFolder.h"
#include "lib/Handle.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>

namespace probetest {

const char* const kDeviceNo = "DN00000000000001";
const char* const kNickName = "driver1";

namespace {

std::string& Root()
{
    static std::string root;
    return root;
}

HRESULT TestAppDataFolder(char* path)
{
    std::strcpy(path, (Root() + "AppData").c_str());
    return S_OK;
}

class CProbeEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        Root() = lib::FormatString("%scarddata_probe_test_%lu\\", temp,
                                   static_cast<unsigned long>(GetCurrentProcessId()));
        lib::CreateDirectoryRecursive(Root() + "AppData");
        lib::SetAppDataFolderQuery(&TestAppDataFolder);
        CUserListFile users;
        ASSERT_TRUE(users.SaveWithCurrentDevice(kDeviceNo, kNickName, 0x0746, "UA/1.0", nullptr));
    }
    void TearDown() override { lib::DeleteFolder(Root().c_str(), true); }
};

::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new CProbeEnvironment);

} // namespace

const std::string& TestRoot() { return Root(); }

std::string MakeCaseFolder(const std::string& name)
{
    const std::string folder = Root() + name + "\\";
    lib::DeleteFolder(folder.c_str(), true);
    lib::CreateDirectoryRecursive(folder);
    return folder;
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    const std::string bytes = testsupport::ReadFileBytes(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    lib::CHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    DWORD written = 0;
    return bytes.empty() ||
           (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size());
}

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<WIN32_FIND_DATAA> found;
    lib::FindFiles(folder + "*", found);
    std::vector<std::string> names;
    for (const WIN32_FIND_DATAA& entry : found) {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        names.push_back((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? name + "\\" : name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string LogText() { return testsupport::ReadLog(); }

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

uint64_t GetU64(const std::vector<uint8_t>& bytes, size_t at)
{
    uint64_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

std::vector<uint8_t> HistoryFile(uint32_t mode, uint32_t count, uint8_t flag,
                                 const std::vector<uint8_t>& records, uint32_t first,
                                 uint32_t second)
{
    static const size_t sizes[] = {12, 64, 16, 12};
    std::vector<uint8_t> file(sizes[mode], 0);
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(0x40 + i);
    auto put = [&file](size_t at, uint32_t value) { std::memcpy(file.data() + at, &value, 4); };
    switch (mode) {
    case 1:
        put(0, first);
        put(4, second);
        put(20, static_cast<uint32_t>(records.size()));
        put(24, count);
        file[30] = flag;
        break;
    case 2:
        put(8, count);
        break;
    default:
        put(4, count);
        file[8] = flag;
        break;
    }
    file.insert(file.end(), records.begin(), records.end());
    return file;
}

} // namespace probetest
