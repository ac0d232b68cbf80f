#include "host/Optex.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

TEST(Optex, OwnerReentersAndReleasesAfterAsManyLeaves) {
    Optex lock;
    lock.Enter();
    lock.Enter();
    ASSERT_TRUE(lock.TryEnter());
    EXPECT_EQ(lock.OwnedDepth(), 3);

    bool otherGotIt = true;
    auto tryFromOtherThread = [&] {
        std::thread([&] {
            otherGotIt = lock.TryEnter();
            if (otherGotIt)
                lock.Leave();
        }).join();
    };
    lock.Leave();
    lock.Leave();
    tryFromOtherThread();
    EXPECT_FALSE(otherGotIt) << "released one level too early";
    lock.Leave();
    EXPECT_EQ(lock.OwnedDepth(), 0);
    tryFromOtherThread();
    EXPECT_TRUE(otherGotIt);
}

TEST(Optex, LeaveFromAThreadThatDoesNotOwnItChangesNothing) {
    Optex lock;
    lock.Enter();
    std::thread([&] { lock.Leave(); }).join();
    EXPECT_EQ(lock.OwnedDepth(), 1);
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = lock.TryEnter(); }).join();
    EXPECT_FALSE(otherGotIt);
    lock.Leave();
}

TEST(Optex, LeaveToReleasesDownToTheGivenDepth) {
    Optex lock;
    lock.Enter();
    lock.Enter();
    lock.Enter();
    lock.LeaveTo(1);
    EXPECT_EQ(lock.OwnedDepth(), 1);
    lock.LeaveTo(0);
    EXPECT_EQ(lock.OwnedDepth(), 0);
}

// Non-atomic read-modify-write under the lock: any lost increment means two owners at once.
void HammerCounter(Optex& lock, volatile long& counter, int rounds, bool recursive) {
    for (int i = 0; i < rounds; ++i) {
        lock.Enter();
        if (recursive)
            lock.Enter();
        long value = counter;
        if ((i & 63) == 0)
            Sleep(0);
        counter = value + 1;
        if (recursive)
            lock.Leave();
        lock.Leave();
    }
}

struct ContentionCase {
    DWORD spinCount;
    bool recursive;
};

class OptexContention : public ::testing::TestWithParam<ContentionCase> {};

TEST_P(OptexContention, LosesNoIncrement) {
    const int kThreads = 4;
    const int kRounds = 5000;
    Optex lock(GetParam().spinCount);
    volatile long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] { HammerCounter(lock, counter, kRounds, GetParam().recursive); });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, static_cast<long>(kThreads) * kRounds);
    EXPECT_EQ(lock.OwnedDepth(), 0);
}

// Spin count 0 forces every contended Enter onto the event.
INSTANTIATE_TEST_SUITE_P(Spins,
                         OptexContention,
                         ::testing::Values(ContentionCase{4000, false},
                                           ContentionCase{0, false},
                                           ContentionCase{4000, true},
                                           ContentionCase{0, true}),
                         [](const ::testing::TestParamInfo<ContentionCase>& info) {
                             return std::string(info.param.spinCount ? "Spinning" : "Blocking") +
                                    (info.param.recursive ? "Recursive" : "Flat");
                         });

std::string ChildPath() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length);
    return self.substr(0, self.rfind('\\') + 1) + "optex_child.exe";
}

// Runs optex_child.exe with args and returns its process handle (null on failure).
HANDLE StartChild(const std::string& args) {
    std::string commandLine = "\"" + ChildPath() + "\" " + args;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD WaitExitCode(HANDLE process) {
    WaitForSingleObject(process, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

std::string UniqueName(const char* what) {
    return std::string("RpTest_") + what + "_" + std::to_string(GetCurrentProcessId());
}

TEST(NamedOptex, IsOneLockAcrossProcesses) {
    std::string name = UniqueName("held");
    Optex lock(name.c_str());
    ASSERT_TRUE(lock.IsShared());
    lock.Enter();
    // Exit code 0: the child could not take the lock that this process holds.
    HANDLE child = StartChild("try " + name);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(WaitExitCode(child), 0u);
    lock.Leave();
    child = StartChild("try " + name);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(WaitExitCode(child), 1u) << "the child could not take the released lock";
}

TEST(NamedOptex, TwoProcessesLoseNoIncrement) {
    std::string name = UniqueName("count");
    std::string counterName = name + "_counter";
    Optex lock(name.c_str());
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, counterName.c_str());
    ASSERT_NE(mapping, nullptr);
    auto* counter = static_cast<volatile long*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 4));
    ASSERT_NE(counter, nullptr);

    // The child signals once it is ready, so both processes really compete.
    std::string readyName = name + "_ready";
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    const int kRounds = 20000;
    HANDLE child = StartChild("count " + name + " " + counterName + " " + std::to_string(kRounds) + " " + readyName);
    ASSERT_NE(child, nullptr);
    ASSERT_EQ(WaitForSingleObject(ready, 60000), WAIT_OBJECT_0);
    CloseHandle(ready);
    HammerCounter(lock, *counter, kRounds, false);
    EXPECT_EQ(WaitExitCode(child), 0u);
    EXPECT_EQ(*counter, 2L * kRounds);
    UnmapViewOfFile(const_cast<long*>(counter));
    CloseHandle(mapping);
}

TEST(NamedOptex, NullNameGivesAPrivateLock) {
    Optex lock(static_cast<const char*>(nullptr));
    EXPECT_FALSE(lock.IsShared());
    lock.Enter();
    EXPECT_EQ(lock.OwnedDepth(), 1);
    lock.Leave();
}

// A wait on a missing event would return at once and let a second thread in; without one the
// waiters poll, and a named lock stays in this process rather than share a block it cannot wake.
TEST(Optex, WithoutAnEventWaitersPollAndStillExcludeEachOther) {
    Optex::SetEventFailureForTesting(true);
    Optex local(DWORD{0});
    Optex named(UniqueName("no_event").c_str(), 0);
    Optex::SetEventFailureForTesting(false);
    EXPECT_FALSE(local.WaitsOnEvent());
    EXPECT_FALSE(named.WaitsOnEvent());
    EXPECT_FALSE(named.IsShared());
    for (Optex* lock : {&local, &named}) {
        volatile long counter = 0;
        std::vector<std::thread> threads;
        for (int t = 0; t < 3; ++t)
            threads.emplace_back([&, t] { HammerCounter(*lock, counter, 2000, t == 0); });
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(counter, 3L * 2000);
    }
}

TEST(NamedOptex, WideAndNarrowNamesMeetTheSameLock) {
    Optex narrow("RpTest_wide_meets_narrow");
    Optex wide(L"RpTest_wide_meets_narrow");
    narrow.Enter();
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = wide.TryEnter(); }).join();
    EXPECT_FALSE(otherGotIt);
    narrow.Leave();
}

}  // namespace
