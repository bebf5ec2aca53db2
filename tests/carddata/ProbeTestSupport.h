#pragma once
// Shared pieces of the probe file tests: a private application folder with one registered
// unit, a folder per test holding a "card" and a work folder, and byte helpers.

#include "carddata/ProbeFile.h"
#include "tests/carddata/support/ProbeBuilder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace probetest {

// The unit the builder's default header names, registered as "driver1".
extern const char* const kDeviceNo;
extern const char* const kNickName;

// "<temp>\carddata_probe_test_<pid>\", made once per process.
const std::string& TestRoot();

// A fresh, empty folder below the root for one test, with a trailing backslash.
std::string MakeCaseFolder(const std::string& name);

std::vector<uint8_t> ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> Bytes(const std::string& text);
// Names of the entries of a folder (no "." or ".."), sorted; folders end with '\'.
std::vector<std::string> ListFolder(const std::string& folder);
// The log lines this process wrote so far.
std::string LogText();

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t at);
uint64_t GetU64(const std::vector<uint8_t>& bytes, size_t at);

// Header of a driving-history file of the mode with a count and a flag; mode 1 also takes
// the record bytes at offset 20 and the two "greater" values.
std::vector<uint8_t> HistoryFile(uint32_t mode, uint32_t count, uint8_t flag,
                                 const std::vector<uint8_t>& records, uint32_t first = 0,
                                 uint32_t second = 0);

} // namespace probetest
