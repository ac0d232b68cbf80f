#include "host/CSE.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <thread>

#include "host/Optex.h"
#include "tests/host/CSETestArch.h"

namespace {

void* ChainHead() {
    return GuardState();
}

int* volatile gNowhere = nullptr;

void WriteThroughNull() {
    *gNowhere = 1;
}

// Returns the code of the CSE that body raised, 0 when it returned normally.
template <class F>
DWORD FaultCode(F&& body) {
    try {
        CSE::Guard(body);
    } catch (const CSE& fault) {
        return fault.GetExceptionCode();
    }
    return 0;
}

TEST(CSE, AccessViolationBecomesAnExceptionAndTheCallerGoesOn) {
    void* headBefore = ChainHead();
    try {
        CSE::Guard([] { WriteThroughNull(); });
        FAIL() << "the fault was not raised";
    } catch (const CSE& fault) {
        EXPECT_EQ(fault.GetExceptionCode(), CSE::kAccessViolation);
        // The record carries the write and its address; the context is the faulting thread's.
        ASSERT_GE(fault.GetRecord().NumberParameters, 2u);
        EXPECT_EQ(fault.GetRecord().ExceptionInformation[0], 1u);
        EXPECT_EQ(fault.GetRecord().ExceptionInformation[1], 0u);
        EXPECT_NE(ContextIp(fault.GetContext()), 0u);
    }
    EXPECT_EQ(ChainHead(), headBefore);
}

__attribute__((noinline)) void FaultAndCatch() {
    try {
        CSE::Guard([] { WriteThroughNull(); });
    } catch (const CSE&) {
    }
}

TEST(CSE, CallerKeepsItsCalleeSavedRegistersAcrossAFault) {
    EXPECT_TRUE(CalleeSavedRegistersSurvive(&FaultAndCatch));
}

TEST(CSE, OtherProcessorFaultsKeepTheirCode) {
    volatile int zero = 0;
    EXPECT_EQ(FaultCode([&] {
                  volatile int x = 10 / zero;
                  (void)x;
              }),
              static_cast<DWORD>(EXCEPTION_INT_DIVIDE_BY_ZERO));
    EXPECT_EQ(FaultCode([] { asm volatile("ud2"); }), static_cast<DWORD>(EXCEPTION_ILLEGAL_INSTRUCTION));
}

TEST(CSE, FaultInsideCodeWithoutUnwindTablesIsCaught) {
    // msvcrt's memcpy is a system frame that our unwinder knows nothing about.
    auto* copy = reinterpret_cast<void* (*)(void*, const void*, size_t)>(
        GetProcAddress(GetModuleHandleA("msvcrt.dll"), "memcpy"));
    ASSERT_NE(copy, nullptr);
    char source[16] = "0123456789";
    EXPECT_EQ(FaultCode([&] { copy(gNowhere, source, sizeof(source)); }), CSE::kAccessViolation);
}

TEST(CSE, HandlersInsideTheBodyGetTheFaultFirst) {
    // The system handles its own probing fault; the guard must not take it away.
    BOOL bad = FALSE;
    EXPECT_EQ(FaultCode([&] { bad = IsBadReadPtr(reinterpret_cast<void*>(16), 4); }), 0u);
    EXPECT_TRUE(bad);
}

TEST(CSE, BodyWithoutFaultRunsOnceAndLeavesTheChainAsItWas) {
    void* headBefore = ChainHead();
    int runs = 0;
    EXPECT_EQ(FaultCode([&] { ++runs; }), 0u);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(ChainHead(), headBefore);
}

TEST(CSE, CppExceptionsPassThroughUnchanged) {
    void* headBefore = ChainHead();
    EXPECT_THROW(CSE::Guard([] { throw std::runtime_error("plain"); }), std::runtime_error);
    EXPECT_EQ(ChainHead(), headBefore);
    // The guard frame is gone from the chain: a later fault goes to a later guard.
    EXPECT_EQ(FaultCode([] { WriteThroughNull(); }), CSE::kAccessViolation);
}

TEST(CSE, InnermostGuardTakesTheFaultAndTheOuterOneStillWorks) {
    DWORD inner = 0;
    DWORD outer = FaultCode([&] {
        inner = FaultCode([] { WriteThroughNull(); });
        WriteThroughNull();
    });
    EXPECT_EQ(inner, CSE::kAccessViolation);
    EXPECT_EQ(outer, CSE::kAccessViolation);
}

TEST(CSE, RepeatedFaultsLeaveNothingBehind) {
    void* headBefore = ChainHead();
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(FaultCode([] { WriteThroughNull(); }), CSE::kAccessViolation) << i;
    EXPECT_EQ(ChainHead(), headBefore);
}

TEST(CSE, FaultOnAnotherThreadIsCaughtThere) {
    DWORD code = 0;
    std::thread([&] { code = FaultCode([] { WriteThroughNull(); }); }).join();
    EXPECT_EQ(code, CSE::kAccessViolation);
}

TEST(CSE, RegisteredLocksAreReleasedDownToTheDepthHeldAtEntry) {
    Optex config;
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    CSE::ReleaseOnFault(&config);
    CSE::ReleaseOnFault(&section);

    config.Enter();  // held before the guard: must stay held
    EXPECT_EQ(FaultCode([&] {
                  config.Enter();
                  config.Enter();
                  EnterCriticalSection(&section);
                  WriteThroughNull();
              }),
              CSE::kAccessViolation);
    EXPECT_EQ(config.OwnedDepth(), 1);
    config.Leave();

    bool configFree = false, sectionFree = false;
    std::thread([&] {
        configFree = config.TryEnter();
        if (configFree)
            config.Leave();
        sectionFree = TryEnterCriticalSection(&section) != FALSE;
        if (sectionFree)
            LeaveCriticalSection(&section);
    }).join();
    EXPECT_TRUE(configFree) << "the faulting thread still holds the configuration lock";
    EXPECT_TRUE(sectionFree);

    CSE::ForgetLock(&config);
    CSE::ForgetLock(&section);
    DeleteCriticalSection(&section);
}

TEST(CSE, OnlyProcessorFaultsAreTranslated) {
    struct CodeCase {
        DWORD code;
        bool fault;
    } cases[] = {
        {EXCEPTION_ACCESS_VIOLATION, true},    {EXCEPTION_INT_DIVIDE_BY_ZERO, true},
        {EXCEPTION_ILLEGAL_INSTRUCTION, true}, {EXCEPTION_FLT_DIVIDE_BY_ZERO, true},
        {EXCEPTION_IN_PAGE_ERROR, true},       {EXCEPTION_STACK_OVERFLOW, false},
        {EXCEPTION_BREAKPOINT, false},         {0xE06D7363, false} /* another compiler's C++ throw */,
        {DBG_PRINTEXCEPTION_C, false},
    };
    for (const CodeCase& c : cases)
        EXPECT_EQ(CSE::IsProcessorFault(c.code), c.fault) << std::hex << c.code;
}

}  // namespace
