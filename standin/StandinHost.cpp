#include "standin/StandinHost.h"

#include <memory>

#include "standin/MainWindow.h"

StandinHost& StandinHost::Instance() {
    static StandinHost host;
    return host;
}

UINT StandinHost::RegisterCommand(const std::string& comment, int target, HostCommandProc command) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    HostCommand c;
    // Ids stay below the system command range; a long session wraps around and reuses the ids
    // of the oldest context-menu registrations.
    if (nextCommandId_ >= 0xE000)
        nextCommandId_ = 45000;
    c.id = nextCommandId_++;
    c.comment = comment;
    c.target = target;
    c.command = command;
    for (auto it = commands.begin(); it != commands.end(); ++it) {
        if (it->id == c.id) {
            commands.erase(it);
            break;
        }
    }
    commands.push_back(c);
    return c.id;
}

void StandinHost::RegisterUi(UINT id, HostUiProc ui) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    for (HostCommand& c : commands) {
        if (c.id == id)
            c.ui = ui;
    }
}

bool StandinHost::FindCommand(UINT id, HostCommand* out) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    for (const HostCommand& c : commands) {
        if (c.id == id) {
            *out = c;
            return true;
        }
    }
    return false;
}

void StandinHost::Log(const std::string& line) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    log.push_back(line);
}

void StandinHost::NoteCall() {
    if (!OnUiThread())
        lastForeignCall_.store(GetTickCount());
}

void StandinHost::CountCall(const char* function) {
    std::lock_guard<std::mutex> lock(callsMutex_);
    ++calls_[function];
}

void StandinHost::ResetCalls() {
    std::lock_guard<std::mutex> lock(callsMutex_);
    calls_.clear();
}

std::map<std::string, long long> StandinHost::CallCounts() {
    std::lock_guard<std::mutex> lock(callsMutex_);
    return calls_;
}

void StandinHost::ArmFault(const std::string& function, int calls, bool access, bool workerOnly) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->function == function) {
            faults_.erase(it);
            break;
        }
    }
    if (calls > 0)
        faults_.push_back(Fault{function, calls, access, workerOnly});
}

namespace {
// Read through a volatile so that the compiler emits a real store to an unmapped page, not a
// trap instruction of its own.
volatile uintptr_t gUnmappedAddress = 16;
}  // namespace

bool StandinHost::FaultHere(const char* function) {
    bool access = false;
    {
        std::lock_guard<std::recursive_mutex> lock(mutex);
        auto it = faults_.begin();
        while (it != faults_.end() && (it->function != function || (it->workerOnly && OnUiThread())))
            ++it;
        if (it == faults_.end() || --it->callsLeft > 0)
            return false;
        access = it->access;
        faults_.erase(it);
        log.push_back(std::string("fault ") + function + (access ? " access" : " fail"));
    }
    // The host's lock is released first: the fault abandons this frame.
    if (access)
        *reinterpret_cast<volatile int*>(gUnmappedAddress) = 0;
    return !access;
}

void StandinHost::Marshal(const std::function<void()>& fn) {
    if (!marshal.load() || OnUiThread()) {
        fn();
        return;
    }
    // Without a time limit: a host that marshals waits for its window thread however long it
    // is busy, which is what an exit that waits for such a caller would deadlock on.
    if (!RunOnUi(fn, true, INFINITE))
        fn();  // the window is gone (the host is exiting): run it here as an unmarshalled host would
}

bool StandinHost::RunOnUi(std::function<void()> fn, bool wait, DWORD timeoutMs) {
    if (OnUiThread()) {
        fn();
        return true;
    }
    HWND target = window ? window->hwnd : nullptr;
    if (!target)
        return false;
    if (!wait) {
        auto* copy = new std::function<void()>(std::move(fn));
        if (!PostMessageA(target, WM_STANDIN_RUN_POSTED, 0, reinterpret_cast<LPARAM>(copy))) {
            delete copy;
            return false;
        }
        return true;
    }
    auto job = std::make_shared<UiJob>();
    job->fn = std::move(fn);
    job->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto* ticket = new std::shared_ptr<UiJob>(job);
    if (!PostMessageA(target, WM_STANDIN_RUN, 0, reinterpret_cast<LPARAM>(ticket))) {
        delete ticket;
        return false;
    }
    if (WaitForSingleObject(job->done, timeoutMs) == WAIT_OBJECT_0)
        return true;
    {
        // The caller's fn refers to its locals: it may run only while the caller still waits.
        std::lock_guard<std::mutex> lock(job->m);
        if (!job->started) {
            job->abandoned = true;
            return false;
        }
    }
    WaitForSingleObject(job->done, INFINITE);
    return true;
}

void StandinHost::RunJob(LPARAM ticket) {
    std::unique_ptr<std::shared_ptr<UiJob>> owned(reinterpret_cast<std::shared_ptr<UiJob>*>(ticket));
    UiJob& job = **owned;
    {
        std::lock_guard<std::mutex> lock(job.m);
        if (job.abandoned)
            return;
        job.started = true;
    }
    job.fn();
    SetEvent(job.done);
}

StandinHost::UiJob::~UiJob() {
    if (done)
        CloseHandle(done);
}
