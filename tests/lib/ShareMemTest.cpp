// Named objects and shared blocks between two processes.

#include "lib/ShareMem.h"

#include "SharedMemTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

using sharedmem_test::RunChild;
using sharedmem_test::StartChild;
using sharedmem_test::UniqueName;

namespace {

// Wine, like every Windows from 2000 on, is NT 5 or later: global names get the prefix.
TEST(ObjGlobalName, NameRuleAndResults)
{
    struct Case {
        const char* name;
        bool global;
        const char* expected;  // null: no name
        DWORD error;
    };
    const Case cases[] = {
        {"KestrumShareMemName", true, "Global\\KestrumShareMemName", 0},
        {"KestrumShareMemName", false, "KestrumShareMemName", 0},
        {"", true, "Global\\", 0},
        {"", false, "", 0},
        {"Global\\Already", false, "Global\\Already", 0},
        {nullptr, true, nullptr, ERROR_INVALID_PARAMETER},
        {nullptr, false, nullptr, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        SetLastError(12345);
        CObjGlobalName name(c.name, c.global);
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(c.error, name.GetError());
        if (c.expected == nullptr) {
            EXPECT_EQ(nullptr, name.GetName());
        } else {
            ASSERT_NE(nullptr, name.GetName());
            EXPECT_STREQ(c.expected, name.GetName());
        }
    }
}

TEST(FullCtrlSecrAttr, NullDaclGrantsEveryone)
{
    CFullCtrlSecrAttr attributes;
    EXPECT_EQ(0u, attributes.GetError());
    SECURITY_ATTRIBUTES* sa = attributes.GetSecurityAttributes();
    EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), sa->nLength);
    EXPECT_FALSE(sa->bInheritHandle);
    ASSERT_NE(nullptr, sa->lpSecurityDescriptor);
    EXPECT_TRUE(IsValidSecurityDescriptor(sa->lpSecurityDescriptor));
    BOOL present = FALSE;
    BOOL defaulted = TRUE;
    PACL dacl = reinterpret_cast<PACL>(1);
    ASSERT_TRUE(GetSecurityDescriptorDacl(sa->lpSecurityDescriptor, &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_EQ(nullptr, dacl);
    EXPECT_FALSE(defaulted);
}

TEST(ShareMem, CreateRules)
{
    const std::string name = UniqueName("create");
    CShareMem first;
    ASSERT_EQ(0u, first.Create(name.c_str(), 16, false, false));
    ASSERT_NE(nullptr, first.GetView());
    const uint8_t zeros[16] = {};
    EXPECT_EQ(0, std::memcmp(zeros, first.GetView(), sizeof zeros));
    std::memcpy(first.GetView(), "0123456789ABCDEF", 16);

    // Refused: nothing stays open.
    CShareMem refused;
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS),
              refused.Create(name.c_str(), 16, false, false));
    EXPECT_EQ(nullptr, refused.GetView());

    // Accepted: the existing contents stay.
    CShareMem accepted;
    ASSERT_EQ(0u, accepted.Create(name.c_str(), 16, true, false));
    EXPECT_EQ(0, std::memcmp("0123456789ABCDEF", accepted.GetView(), 16));

    CShareMem opened;
    ASSERT_EQ(0u, opened.Open(name.c_str(), false));
    EXPECT_EQ(0, std::memcmp("0123456789ABCDEF", opened.GetView(), 16));
    opened.Close();
    EXPECT_EQ(nullptr, opened.GetView());
}

TEST(ShareMem, FailuresLeaveTheObjectClosed)
{
    CShareMem memory;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), memory.Create(nullptr, 16, true, false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), memory.Open(nullptr, false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              memory.Open(UniqueName("missing").c_str(), false));
    EXPECT_EQ(nullptr, memory.GetView());

    // A failed create or open also closes what the object held before.
    const std::string name = UniqueName("held");
    ASSERT_EQ(0u, memory.Create(name.c_str(), 16, false, false));
    EXPECT_NE(0u, memory.Open(UniqueName("missing").c_str(), false));
    EXPECT_EQ(nullptr, memory.GetView());
}

TEST(BlockShareMem, MutexIsGlobalAndMappingFollowsTheFlag)
{
    const std::string name = UniqueName("names");
    CBlockShareMem block;
    ASSERT_EQ(0u, block.Create(name.c_str(), 16, true, false));
    EXPECT_NE(nullptr, block.GetView());
    EXPECT_NE(nullptr, block.GetMutex());

    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    EXPECT_NE(nullptr, mapping);
    if (mapping) CloseHandle(mapping);
    mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, ("Global\\" + name).c_str());
    EXPECT_EQ(nullptr, mapping) << "the mapping must stay in the session";
    if (mapping) CloseHandle(mapping);

    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, ("Global\\" + name + "_MTX_EXT").c_str());
    EXPECT_NE(nullptr, mutex);
    if (mutex) CloseHandle(mutex);
    mutex = OpenMutexA(SYNCHRONIZE, FALSE, (name + "_MTX_EXT").c_str());
    EXPECT_EQ(nullptr, mutex) << "the mutex must carry the global prefix";
    if (mutex) CloseHandle(mutex);

    // With the flag the mapping moves to the global namespace too.
    const std::string globalName = UniqueName("global");
    CBlockShareMem global;
    ASSERT_EQ(0u, global.Create(globalName.c_str(), 16, true, true));
    mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, ("Global\\" + globalName).c_str());
    EXPECT_NE(nullptr, mapping);
    if (mapping) CloseHandle(mapping);
    CBlockShareMem reopened;
    EXPECT_EQ(0u, reopened.Open(globalName.c_str(), true));
}

TEST(BlockShareMem, OpenMakesTheMissingMutex)
{
    // A block made by a program that knows nothing of the mutex.
    const std::string name = UniqueName("foreign");
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4,
                                        name.c_str());
    ASSERT_NE(nullptr, mapping);
    CBlockShareMem block;
    ASSERT_EQ(0u, block.Open(name.c_str(), false));
    EXPECT_NE(nullptr, block.GetMutex());
    EXPECT_TRUE(block.Lock());
    block.Unlock();
    block.Close();
    CloseHandle(mapping);
}

TEST(BlockShareMem, RefusedOrFailedBlockHoldsNothing)
{
    const std::string name = UniqueName("refused");
    CBlockShareMem first;
    ASSERT_EQ(0u, first.Create(name.c_str(), 16, false, false));
    CBlockShareMem second;
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), second.Create(name.c_str(), 16, false, false));
    EXPECT_EQ(nullptr, second.GetView());
    EXPECT_EQ(nullptr, second.GetMutex());
    EXPECT_FALSE(second.Lock()) << "a closed block must not report its mutex as taken";
    second.Unlock();

    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), second.Open(UniqueName("none").c_str(), false));
    EXPECT_EQ(nullptr, second.GetView());
    EXPECT_EQ(nullptr, second.GetMutex());
}

// Only an acquired or abandoned mutex counts as held: a wait that fails (here the block's
// handle has gone stale) must not let the caller copy.
TEST(BlockShareMem, FailedWaitIsNotAHold)
{
    const std::string name = UniqueName("stale");
    CBlockShareMem block;
    ASSERT_EQ(0u, block.Create(name.c_str(), 16, false, false));
    // Closed behind the block's back; no handle is made before the wait, so none takes the
    // value over.
    ASSERT_TRUE(CloseHandle(block.GetMutex()));
    EXPECT_FALSE(block.Lock());
    block.Close();
}

// The child opens the block created here, waits for its mutex while this process holds
// it, and changes the block only once the mutex is released.
TEST(BlockShareMemTwoProcesses, ChildChangesTheBlockUnderItsMutex)
{
    const std::string name = UniqueName("shared");
    const std::string readyName = UniqueName("ready");
    CBlockShareMem block;
    ASSERT_EQ(0u, block.Create(name.c_str(), 16, false, false));
    uint32_t* words = static_cast<uint32_t*>(block.GetView());
    words[0] = 0x12345678;

    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    ASSERT_NE(nullptr, ready);
    ASSERT_TRUE(block.Lock());
    HANDLE child = StartChild("modify " + name + " " + readyName);
    ASSERT_NE(nullptr, child);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 10000));
    // Held here: the child must still be waiting and the block unchanged.
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(child, 300));
    EXPECT_EQ(0u, words[1]);
    block.Unlock();

    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child, 10000));
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(child, &code);
    EXPECT_EQ(0u, code);
    ASSERT_TRUE(block.Lock());
    EXPECT_EQ(0x12345679u, words[1]);
    block.Unlock();
    CloseHandle(child);
    CloseHandle(ready);
}

// Closing another access object of the same thread must not release this one's hold.
TEST(BlockShareMemTwoProcesses, CloseGivesBackOnlyItsOwnHolds)
{
    const std::string name = UniqueName("holds");
    const std::string readyName = UniqueName("ready");
    CBlockShareMem mine;
    ASSERT_EQ(0u, mine.Create(name.c_str(), 16, false, false));
    ASSERT_TRUE(mine.Lock());
    {
        CBlockShareMem other;
        ASSERT_EQ(0u, other.Open(name.c_str(), false));
        other.Unlock();
    }
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    ASSERT_NE(nullptr, ready);
    HANDLE child = StartChild("modify " + name + " " + readyName);
    ASSERT_NE(nullptr, child);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 10000));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(child, 300));
    mine.Unlock();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child, 10000));
    CloseHandle(child);
    CloseHandle(ready);
}

TEST(BlockShareMemTwoProcesses, AbandonedMutexCountsAsAcquired)
{
    const std::string name = UniqueName("abandoned");
    const std::string readyName = UniqueName("ready");
    CBlockShareMem block;
    ASSERT_EQ(0u, block.Create(name.c_str(), 16, false, false));
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    ASSERT_NE(nullptr, ready);
    EXPECT_EQ(0u, RunChild("abandon " + name + " " + readyName));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 0));
    EXPECT_TRUE(block.Lock());
    block.Unlock();
    CloseHandle(ready);
}

TEST(BlockShareMemTwoProcesses, SecondCreatorRefusedOrAcceptedKeepingTheRecord)
{
    const std::string name = UniqueName("second");
    CBlockShareMem block;
    ASSERT_EQ(0u, block.Create(name.c_str(), 16, true, false));
    std::memcpy(block.GetView(), "first creator!!", 16);

    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), RunChild("create " + name + " 16 0"));
    EXPECT_EQ(0u, RunChild("create " + name + " 16 1"));
    EXPECT_STREQ("first creator!!", static_cast<const char*>(block.GetView()));

    // A block that nobody holds any more is gone; a new one starts all zeros.
    block.Close();
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), block.Open(name.c_str(), false));
    ASSERT_EQ(0u, block.Create(name.c_str(), 16, false, false));
    const uint8_t zeros[16] = {};
    EXPECT_EQ(0, std::memcmp(zeros, block.GetView(), sizeof zeros));
}

} // namespace
