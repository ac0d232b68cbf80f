// Test helper for Windows programs: reads and closes the message boxes that the current thread
// shows while a BoxCatcher lives.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace lodestar_test {

struct SeenBox {
    std::string caption;
    std::string text;
};

// While it lives, closes every message box that this thread shows and keeps its caption and
// text. A thread hook sees the box on the thread that shows it, so nothing has to wait for the
// loader lock that the library's initialization holds.
class BoxCatcher {
public:
    BoxCatcher() {
        current_ = this;
        hook_ = SetWindowsHookExA(WH_CBT, &BoxCatcher::OnCbt, nullptr, GetCurrentThreadId());
    }
    ~BoxCatcher() {
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    BoxCatcher(const BoxCatcher&) = delete;
    BoxCatcher& operator=(const BoxCatcher&) = delete;

    const std::vector<SeenBox>& Boxes() const { return boxes_; }

private:
    static BOOL CALLBACK OnStatic(HWND child, LPARAM text) {
        char className[32] = {};
        char buffer[1024] = {};
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") == 0 && GetWindowTextA(child, buffer, sizeof buffer) > 0)
            *reinterpret_cast<std::string*>(text) = buffer;
        return TRUE;
    }

    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && current_) {
            const HWND window = reinterpret_cast<HWND>(wParam);
            char className[32] = {};
            GetClassNameA(window, className, sizeof className);
            if (lstrcmpA(className, "#32770") == 0) {
                SeenBox box;
                char caption[512] = {};
                GetWindowTextA(window, caption, sizeof caption);
                box.caption = caption;
                EnumChildWindows(window, &BoxCatcher::OnStatic, reinterpret_cast<LPARAM>(&box.text));
                current_->boxes_.push_back(box);
                EndDialog(window, IDOK);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline BoxCatcher* current_ = nullptr;
    HHOOK hook_;
    std::vector<SeenBox> boxes_;
};

}  // namespace lodestar_test
