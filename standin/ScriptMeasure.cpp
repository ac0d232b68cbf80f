// "measure paint <id> <command...>": how long the user waits for a list. The command runs as it
// would alone; meanwhile a watcher thread looks, every millisecond, for a control <id> in a
// dialog of this process that is visible, has rows and has nothing left to paint. It reads only
// window state (no message waits for the busy user-interface thread), so it sees the moment
// the first paint ends. The figure is printed, not checked: it depends on the machine.
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <memory>
#include <thread>

#include "standin/ScriptRunner.h"
#include "standin/UiProbe.h"

namespace {

bool Painted(int id) {
    for (HWND dialog : UiProbe::Dialogs()) {
        HWND control = UiProbe::FindControl(dialog, id);
        if (!control || !IsWindowVisible(control))
            continue;
        // The row count is asked without waiting: a busy thread means not painted yet.
        DWORD_PTR rows = 0;
        if (!SendMessageTimeoutA(control, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1, &rows) || rows == 0)
            continue;
        if (!GetUpdateRect(control, nullptr, FALSE))
            return true;
    }
    return false;
}

double Now() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

bool ScriptRunner::ExecuteMeasure(const std::vector<std::string>& w, std::string* error) {
    if (w.size() < 4 || w[1] != "paint") {
        *error = "usage: measure paint <id> <command...>";
        return false;
    }
    int id = atoi(w[2].c_str());
    auto done = std::make_shared<std::atomic<double>>(0.0);
    auto stop = std::make_shared<std::atomic<bool>>(false);
    double start = Now();
    std::thread watcher([id, done, stop] {
        while (!*stop) {
            if (Painted(id)) {
                *done = Now();
                return;
            }
            Sleep(1);
        }
    });
    bool ok = Execute(std::vector<std::string>(w.begin() + 3, w.end()), error);
    // The command may return before the paint (it returns once a dialog has stayed up briefly).
    ScriptWaitFor([done] { return *done != 0.0; }, 60000);
    *stop = true;
    watcher.join();
    if (!ok)
        return false;
    if (*done == 0.0) {
        *error = "control " + w[2] + " was not painted with rows within 60 s";
        return false;
    }
    char line[128];
    snprintf(line, sizeof line, "  control %d painted with rows after %.0f ms", id, *done - start);
    Out(line);
    return true;
}
