#include "tests/online/WeatherTestSupport.h"

#include "lib/Path.h"
#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"
#include "tests/online/support/ConnectionInfoForTests.h"
#include "tests/support/TestSupport.h"

#include <cstring>

namespace weathertest {

const UINT kProgress = lib::GetRegisteredMessage("QZLNotifyProgress");
const UINT kError = lib::GetRegisteredMessage("QZLNotifyError");
const UINT kFinish = lib::GetRegisteredMessage("QZLNotifyFinish");

namespace {

// Logs, the user list and settings of this program stay in a folder of its own.
const bool g_bPrivateAppData = testsupport::UsePrivateAppData("online_weather_test");

const char kAccountId[] = "roadsentinel7";
const char kAccountPassword[] = "Qe37tovK";
// Base64 of "roadsentinel7:Qe37tovK".
const char kBasicCredentials[] = "Basic cm9hZHNlbnRpbmVsNzpRZTM3dG92Sw==";

// The stand-in's fixture (weather.py): data file sizes, and where the index files hold the
// names.
const size_t kDataSizes[kDataFiles] = {43800, 13500, 39000, 1400, 9100, 20075, 1604, 2600, 10950};

struct IndexFile {
    const char* m_pszName;
    size_t m_uSize;
    uint64_t m_uPatternStart;
    std::vector<std::pair<size_t, int>> m_vecNames; // offset, data file
};

const IndexFile kIndexFiles[] = {
    {"all.man", 540, 0x10000, {{524, 0}}},
    {"all3.man", 316, 0x20000, {{12, 5}, {25, 6}, {38, 7}}},
    {"am_al.man", 84, 0x30000, {{6, 1}, {28, 2}, {48, 3}, {70, 4}}},
};

std::string WithNul(const char* name) { return std::string(name != nullptr ? name : "") + '\0'; }

} // namespace

bool WriteLinkFile(const CSimulatedCard& card)
{
    return CLinkFileBuilder().AddRecord(0x10000001, 0x01000A05, 0x0012).WriteTo(card);
}

bool PrepareStandIn(onlinetest::CStandIn& standIn)
{
    if (!g_bPrivateAppData || !standIn.IsRunning()) return false;
    // The request table reads it once, at its first use in this program.
    static const bool pointed = onlinetest::WriteConnectionInfo(standIn.BaseUrl());
    return pointed && standIn.Rule(kFolder, AccountAuth(onlinetest::AuthMode::Both));
}

onlinetest::CAnswer AccountAuth(onlinetest::AuthMode mode)
{
    return onlinetest::CAnswer().Auth(mode, kAccountId, kAccountPassword);
}

bool NamesTheAccount(const std::string& authorization)
{
    if (authorization == kBasicCredentials) return true;
    return authorization.compare(0, 7, "Digest ") == 0 &&
           authorization.find(std::string("username=\"") + kAccountId + "\"") != std::string::npos;
}

Names DefaultNames()
{
    return {"wt_data.bin",  "amds_dat.bin", "amds_pnt.bin", "snow_dat.bin", "snow_pnt.bin",
            "wt_wdata.bin", "wtwp_dat.bin", "wtwp_lst.bin", "wtcw_dat.bin"};
}

std::string NamesVars(const Names& names)
{
    std::string json = "{\"weather_names\":[";
    for (size_t k = 0; k < names.size(); ++k) {
        json += (k != 0 ? "," : "") + onlinetest::JsonString(names[k] != nullptr ? names[k] : "");
    }
    return json + "]}";
}

std::map<std::string, std::string> FixtureFiles(const Names& names)
{
    std::map<std::string, std::string> files;
    for (const IndexFile& index : kIndexFiles) {
        std::string bytes = onlinetest::PatternBytes(index.m_uSize, index.m_uPatternStart);
        for (const auto& place : index.m_vecNames) {
            const std::string name = WithNul(names[place.second]);
            bytes.replace(place.first, name.size(), name);
        }
        files[index.m_pszName] = bytes;
    }
    files["all1.man"] = WithNul(names[8]);
    for (int k = 0; k < kDataFiles; ++k) {
        if (names[k] == nullptr || names[k][0] == '\0' || files.count(names[k]) != 0) continue;
        files[names[k]] = onlinetest::PatternBytes(kDataSizes[k], (k + 1) * 0x100000ull);
    }
    return files;
}

} // namespace weathertest
