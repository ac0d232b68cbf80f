// State of the fake host that the unload test program is: it records status texts and can hold
// a caller inside BKA_SetMessageText, to keep a plug-in worker busy for as long as a test needs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class FakeHost {
public:
    FakeHost() {
        InitializeCriticalSection(&lock_);
        entered_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        release_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    }

    // From now on callers of BKA_SetMessageText wait inside it until Release.
    void Hold() {
        ResetEvent(entered_);
        ResetEvent(release_);
    }
    void Release() { SetEvent(release_); }
    bool WaitEntered(DWORD ms) { return WaitForSingleObject(entered_, ms) == WAIT_OBJECT_0; }

    void OnMessageText(const char* text) {
        EnterCriticalSection(&lock_);
        messages_.push_back(text ? text : "");
        LeaveCriticalSection(&lock_);
        SetEvent(entered_);
        WaitForSingleObject(release_, INFINITE);
    }

    std::vector<std::string> Messages() {
        EnterCriticalSection(&lock_);
        std::vector<std::string> copy = messages_;
        LeaveCriticalSection(&lock_);
        return copy;
    }

private:
    CRITICAL_SECTION lock_;
    HANDLE entered_;
    HANDLE release_;
    std::vector<std::string> messages_;
};

extern FakeHost gFakeHost;
