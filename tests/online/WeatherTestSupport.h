#pragma once
// What the weather job's and the download scheduler's tests share: card Y: with its link
// file, the stand-in weather service (tools/standin/services/weather.py) behind the
// built-in account, the service's fixture as bytes, and taking the card away (Wine only).

#include "tests/carddata/support/CardAway.h"
#include "tests/online/support/StandIn.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>

class CSimulatedCard;

namespace weathertest {

// Y: belongs to online_weather_test (tools/wine-prefix).
const char kCard = 'Y';
const uint32_t kWeatherType = 38;
const uint32_t kTrafficType = 37;

extern const UINT kProgress;
extern const UINT kError;
extern const UINT kFinish;

// The weather service's folder, as a rule's key and as the start of a path.
const char kFolder[] = "/wlink36/*";
const char kFolderPath[] = "/wlink36/";

// What the link file that WriteLinkFile writes makes the card's user agent.
const char kUserAgent[] = "12FerroxPA/1.000A05";

// Writes the card's link file (unit 0x12, version 1.000A05).
bool WriteLinkFile(const CSimulatedCard& card);

// Points the request table at the stand-in (once per program) and puts the built-in
// account on the weather folder in "both" mode.
bool PrepareStandIn(onlinetest::CStandIn& standIn);

// The built-in account asked for in a mode.
onlinetest::CAnswer AccountAuth(onlinetest::AuthMode mode);

// An Authorization header that gives the built-in account: Basic with its id and password,
// or Digest with its id.
bool NamesTheAccount(const std::string& authorization);

// The names of the nine data files, in data file order (nullptr: none).
const int kDataFiles = 9;
using Names = std::array<const char*, kDataFiles>;
Names DefaultNames();
// The stand-in's values that put these names into its index files.
std::string NamesVars(const Names& names);
// The stand-in's files by name with these names in the index files: the four index files
// and the data files.
std::map<std::string, std::string> FixtureFiles(const Names& names);

// Taking card Y: out of its reader (Wine only).
using ::CCardAway;

} // namespace weathertest
