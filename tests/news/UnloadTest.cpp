// Rillpost.dll loaded into this program, which exports the host functions: the library binds,
// and it is never unloaded under a worker that is still running.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "host/HostApi.h"
#include "host/PluginCallbacks.h"
#include "tests/news/FakeHost.h"

namespace {

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length);
    return self.substr(0, self.rfind('\\') + 1);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool IsLoaded() {
    return GetModuleHandleA("Rillpost.dll") != nullptr;
}

template <class F>
bool WaitFor(F condition, int timeoutMs = 10000) {
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (condition())
            return true;
        Sleep(10);
    }
    return condition();
}

// A private plug-ins folder per test with its own copy of the library and configuration.
class PluginFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ProgramFolder() + "unload_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        CreateDirectoryA(folder_.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "Rillpost.dll").c_str(), (folder_ + "Rillpost.dll").c_str(), FALSE));
    }
    void TearDown() override {
        gFakeHost.Release();
        WaitFor([] { return !IsLoaded(); });
        DeleteFileA((folder_ + "Rillpost.dll").c_str());
        DeleteFileA((folder_ + "Rillpost.xml").c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    void WriteConfig(const std::string& text) { std::ofstream(folder_ + "Rillpost.xml", std::ios::binary) << text; }
    HMODULE Load() { return LoadLibraryA((folder_ + "Rillpost.dll").c_str()); }
    template <class Fn>
    Fn Export(HMODULE plugin, const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(plugin, name)));
    }

    std::string folder_;
};

TEST_F(PluginFolder, BindsStartsExitsAndUnloads) {
    WriteConfig("<Setup>\r\n<Server><Subgroup><HaveRead>1</HaveRead></Subgroup></Server>\r\n</Setup>\r\n");
    HMODULE plugin = Load();
    ASSERT_NE(plugin, nullptr) << "error " << GetLastError();
    auto onStart = Export<BKC_OnStart_Fn>(plugin, "BKC_OnStart");
    auto onExit = Export<BKC_OnExit_Fn>(plugin, "BKC_OnExit");
    ASSERT_TRUE(onStart && onExit);
    EXPECT_EQ(onStart(), 0);
    EXPECT_EQ(onExit(), 0);
    EXPECT_EQ(ReadFile(folder_ + "Rillpost.xml"),
              "<Setup>\r\n<Server><Subgroup><HaveRead>0</HaveRead></Subgroup></Server>\r\n"
              "<Configuration>\r\n<Online>1</Online>\r\n</Configuration>\r\n</Setup>\r\n");
    FreeLibrary(plugin);
    EXPECT_FALSE(IsLoaded());
}

TEST_F(PluginFolder, WorkerStillRunningKeepsTheLibraryUntilItEnds) {
    // SynTime 1: the timer fires 10 ms after start and its run reports "Done." through the host,
    // where the fake host holds it.
    WriteConfig("<Setup><Configuration><SynTime>1</SynTime></Configuration></Setup>");
    gFakeHost.Hold();
    HMODULE plugin = Load();
    ASSERT_NE(plugin, nullptr);
    ASSERT_EQ(Export<BKC_OnStart_Fn>(plugin, "BKC_OnStart")(), 0);
    ASSERT_TRUE(gFakeHost.WaitEntered(10000)) << "the timer's run never reached the host";

    // Exit neither waits for the worker nor lets the timer start another run: it returns while
    // the worker is still held in the host. Were it to wait, the held worker would block it for
    // good, so it runs on its own thread and the test gives up on it after a generous time-out.
    auto* onExit = Export<BKC_OnExit_Fn>(plugin, "BKC_OnExit");
    std::atomic<int> exitResult{-1};
    std::thread exitThread([&] { exitResult = onExit(); });
    bool returned = WaitFor([&] { return exitResult != -1; }, 60000);
    if (!returned)
        gFakeHost.Release();
    exitThread.join();
    ASSERT_TRUE(returned) << "BKC_OnExit waited for a running worker";
    EXPECT_EQ(exitResult, 0);

    FreeLibrary(plugin);
    EXPECT_TRUE(IsLoaded()) << "unloaded under a running worker";
    gFakeHost.Release();
    EXPECT_TRUE(WaitFor([] { return !IsLoaded(); })) << "the last worker did not let the library go";
    EXPECT_EQ(gFakeHost.Messages(), std::vector<std::string>{"Done."});
}

TEST(HostTable, BindsEveryNameIntoItsSlotInTableOrder) {
    HostApi api;
    ASSERT_TRUE(api.BindTo(GetModuleHandleA(nullptr)));
    EXPECT_EQ(api.host, GetModuleHandleA(nullptr));
    // The pointers are the table's first members, one per name, in the names' order.
    auto* slots = reinterpret_cast<void* const*>(&api);
    for (int i = 0; i < HostApi::kFunctionCount; ++i) {
        void* exported = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(nullptr), HostApi::kNames[i]));
        ASSERT_NE(exported, nullptr) << HostApi::kNames[i];
        EXPECT_EQ(slots[i], exported) << HostApi::kNames[i];
    }
    EXPECT_STREQ(HostApi::kNames[0], "BKA_GetVersion");
    EXPECT_STREQ(HostApi::kNames[HostApi::kFunctionCount - 1], "BKA_NextUnread");
    // Bound already: nothing is looked up again, even against another module.
    EXPECT_TRUE(api.BindTo(GetModuleHandleA("kernel32.dll")));
    EXPECT_EQ(api.host, GetModuleHandleA(nullptr));
    api.Unbind();
    EXPECT_FALSE(api.IsBound());
    EXPECT_EQ(api.BKA_GetVersion, nullptr);
    // A module without the host functions is refused and leaves the table unbound.
    EXPECT_FALSE(api.BindTo(GetModuleHandleA("kernel32.dll")));
    EXPECT_FALSE(api.IsBound());
}

}  // namespace
