// The dialog commands of the message list and the folder tree behind a host whose functions
// fault: each command returns to the host, says so, and leaves no lock held.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "host/HostApi.h"
#include "news/DialogCommands.h"
#include "news/NewsState.h"

namespace {

int* volatile gNowhere = nullptr;
std::vector<std::string> gTexts;

LPCSTR WINAPI FaultingText() {
    return reinterpret_cast<LPCSTR>(static_cast<size_t>(*gNowhere));
}

int WINAPI FaultingNextMail(int, LPSTR, int, BOOL) {
    return *gNowhere;
}

void WINAPI RecordText(HWND, LPCSTR text) {
    gTexts.push_back(text ? text : "");
}

TEST(CommandGuard, AFaultingHostCallEndsOnlyTheCommand) {
    gHostApi.Unbind();
    gHostApi.host = GetModuleHandleA(nullptr);
    gHostApi.BKA_GetCurrentMailBox = FaultingText;
    gHostApi.BKA_GetCurrentMail = FaultingText;
    gHostApi.BKA_GetNextMail = FaultingNextMail;
    gHostApi.BKA_SetMessageText = RecordText;
    GuardSharedLocks();
    const struct {
        const char* name;
        void(WINAPI* command)(HWND, LPARAM);
    } commands[] = {
        {"modify headers", OnModifyHeaders},
        {"combine", OnCombineMail},
        {"manage", OnManageNewsGroup},
        {"synchronization", OnSynchronization},
    };
    for (const auto& c : commands) {
        gTexts.clear();
        c.command(nullptr, 0);
        EXPECT_EQ(gTexts, std::vector<std::string>{"Access Violation from Becky!"}) << c.name;
        bool free = false;
        std::thread([&] {
            free = gConfigOptex.TryEnter();
            if (free)
                gConfigOptex.Leave();
        }).join();
        EXPECT_TRUE(free) << c.name;
    }
    ForgetSharedLocks();
    gHostApi.Unbind();
}

}  // namespace
