// "PcInfo.txt": the four blocks from given facts, byte for byte, and the facts of the system
// the test runs on.

#include "online/PcInfo.h"

#include "lib/SystemVersion.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

PcInfoFacts KnownFacts()
{
    PcInfoFacts facts;
    facts.bAdministrator = true;
    facts.eCpuSource = PCINFO_CPU_KNOWN;
    facts.stSystem.dwOemId = 9;
    facts.stSystem.dwPageSize = 4096;
    facts.stSystem.dwActiveProcessorMask = 0xF;
    facts.stSystem.dwNumberOfProcessors = 4;
    facts.stSystem.dwProcessorType = 8664;
    facts.stSystem.dwAllocationGranularity = 65536;
    facts.stSystem.wProcessorLevel = 6;
    facts.stSystem.wProcessorRevision = 0x9E0A;
    facts.bMemoryKnown = true;
    facts.stMemory.ullTotalPhys = 8589934592ULL; // beyond 32 bits
    facts.stMemory.ullAvailPhys = 4294967297ULL;
    facts.bVersionKnown = true;
    facts.stVersion.dwMajorVersion = 5;
    facts.stVersion.dwMinorVersion = 1;
    facts.stVersion.dwBuildNumber = 2600;
    facts.stVersion.dwPlatformId = 2;
    std::strcpy(facts.stVersion.szCSDVersion, "Service Pack 3");
    facts.stVersion.wServicePackMajor = 3;
    facts.stVersion.wServicePackMinor = 0;
    facts.stVersion.wSuiteMask = 0x100;
    facts.stVersion.wProductType = 1;
    return facts;
}

const char kKnownCpu[] =
    "CPU情報：\r\nOEMID:9\r\nProcessorArchitecture:9\r\nPageSize:4096\r\n"
    "ActiveProcessorMask:15\r\nNumberOfProcessors:4\r\nProcessorType:8664\r\n"
    "AllocationGranularity:65536\r\nProcessorLevel:6\r\nProcessorRevision:40458";
const char kKnownMemory[] = "メモリ情報：総サイズ8589934592byte 有効サイズ4294967297";
const char kKnownVersion[] =
    "OS情報：OS 5.1, BuildNumber 2600, PratformId 2, SP Service Pack 3(3.0), Suite 100, "
    "Product 1";

TEST(PcInfoTest, EveryBlockInEachOfItsForms)
{
    struct Case {
        const char* name;
        void (*change)(PcInfoFacts&);
        const char* user;
        const char* cpu;
        const char* memory;
        std::string version;
    };
    const Case cases[] = {
        {"all known", [](PcInfoFacts&) {}, "起動ユーザー：管理者", kKnownCpu, kKnownMemory,
         kKnownVersion},
        {"no administrator", [](PcInfoFacts& f) { f.bAdministrator = false; },
         "起動ユーザー：管理者以外", kKnownCpu, kKnownMemory, kKnownVersion},
        {"no library", [](PcInfoFacts& f) { f.eCpuSource = PCINFO_CPU_NO_DLL; },
         "起動ユーザー：管理者", "取得不可(DLL取得失敗)", kKnownMemory, kKnownVersion},
        {"no function", [](PcInfoFacts& f) { f.eCpuSource = PCINFO_CPU_NO_API; },
         "起動ユーザー：管理者", "取得不可(API取得失敗)", kKnownMemory, kKnownVersion},
        {"before XP", [](PcInfoFacts& f) { f.eCpuSource = PCINFO_CPU_TOO_OLD; },
         "起動ユーザー：管理者", "取得不可(XP未満)", kKnownMemory, kKnownVersion},
        {"no memory figures", [](PcInfoFacts& f) { f.bMemoryKnown = false; },
         "起動ユーザー：管理者", kKnownCpu, "メモリ情報：取得不可", kKnownVersion},
        {"no version", [](PcInfoFacts& f) { f.bVersionKnown = false; }, "起動ユーザー：管理者",
         kKnownCpu, kKnownMemory, "OS情報：取得不可"},
        {"service pack text filling its field",
         [](PcInfoFacts& f) {
             std::memset(f.stVersion.szCSDVersion, 'S', sizeof f.stVersion.szCSDVersion);
         },
         "起動ユーザー：管理者", kKnownCpu, kKnownMemory,
         "OS情報：OS 5.1, BuildNumber 2600, PratformId 2, SP " + std::string(128, 'S') +
             "(3.0), Suite 100, Product 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PcInfoFacts facts = KnownFacts();
        c.change(facts);
        EXPECT_EQ(FormatPcInfo(facts), std::string(c.user) + "\r\n\r\n" + c.cpu + "\r\n\r\n" +
                                           c.memory + "\r\n\r\n" + c.version + "\r\n\r\n");
    }
}

TEST(PcInfoTest, FactsOfThisSystem)
{
    const PcInfoFacts facts = GatherPcInfoFacts();
    EXPECT_EQ(facts.bAdministrator, lib::IsAdministrator());
    // Wine and every supported test system are XP or later, where the function exists.
    EXPECT_EQ(facts.eCpuSource, PCINFO_CPU_KNOWN);
    EXPECT_GT(facts.stSystem.dwNumberOfProcessors, 0u);
    EXPECT_TRUE(facts.bMemoryKnown);
    EXPECT_GT(facts.stMemory.ullTotalPhys, 0u);
    EXPECT_TRUE(facts.bVersionKnown);
    EXPECT_GE(facts.stVersion.dwMajorVersion, 5u);
}

TEST(PcInfoTest, FileIsWrittenWholeAndReplaced)
{
    const std::string path = testsupport::PrivateRoot() + "PcInfo.txt";
    ASSERT_TRUE(WritePcInfoFile(path, std::string(5000, 'x')));
    const std::string text = FormatPcInfo(KnownFacts());
    ASSERT_TRUE(WritePcInfoFile(path, text));
    EXPECT_EQ(testsupport::ReadFileBytes(path), text);
    // A folder in the way: refused, logged.
    const std::string folder = testsupport::PrivateRoot() + "PcInfoFolder";
    CreateDirectoryA(folder.c_str(), nullptr);
    testsupport::CLogCapture log;
    EXPECT_FALSE(WritePcInfoFile(folder, text));
    EXPECT_TRUE(log.HasLine("!!", "PcInfo.cpp", "PcInfo作成失敗"));
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
}

} // namespace
