#include "news/WindowHooks.h"

#include <commctrl.h>

#include <vector>

#include "news/ArticleReturn.h"
#include "news/NewsState.h"

namespace {

struct Subclass {
    HWND window;
    WNDPROC ours;
    WNDPROC previous;
};

// User-interface thread only, like the window procedures that read it.
std::vector<Subclass> gSubclasses;

const int kStatusBarParts = 5;
const int kPartOneWidening = 50;

}  // namespace

WNDPROC SubclassWindow(HWND window, WNDPROC proc) {
    if (window == nullptr || !IsWindow(window))
        return nullptr;
    auto previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
    gSubclasses.push_back(Subclass{window, proc, previous});
    return previous;
}

WNDPROC PreviousWindowProc(HWND window) {
    for (const Subclass& subclass : gSubclasses) {
        if (subclass.window == window)
            return subclass.previous;
    }
    return nullptr;
}

void RestoreSubclassedWindows() {
    // Latest first, so a window subclassed twice ends with its original procedure.
    for (auto it = gSubclasses.rbegin(); it != gSubclasses.rend(); ++it) {
        if (IsWindow(it->window) && reinterpret_cast<WNDPROC>(GetWindowLongPtrA(it->window, GWLP_WNDPROC)) == it->ours)
            SetWindowLongPtrA(it->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->previous));
    }
    // The list itself stays: a message already on its way into one of our procedures may still
    // look its previous procedure up.
}

bool HookStatusBar(HWND mainWindow) {
    if (mainWindow == nullptr)
        return false;
    // Once per run: a second start must not move the edges again.
    if (gStatusBar != nullptr)
        return true;
    HWND statusBar = FindWindowExA(mainWindow, nullptr, STATUSCLASSNAMEA, nullptr);
    if (statusBar == nullptr)
        return false;
    int edges[kStatusBarParts] = {};
    // A bar with fewer parts keeps its count: setting five edges would add parts to it.
    int parts =
        static_cast<int>(SendMessageA(statusBar, SB_GETPARTS, kStatusBarParts, reinterpret_cast<LPARAM>(edges)));
    if (parts > kStatusBarParts)
        parts = kStatusBarParts;
    if (parts > 0) {
        edges[0] -= kPartOneWidening;
        SendMessageA(statusBar, SB_SETPARTS, parts, reinterpret_cast<LPARAM>(edges));
    }
    if (SubclassWindow(statusBar, StatusBarProc) == nullptr)
        return false;
    gStatusBar = statusBar;
    return true;
}

LRESULT CALLBACK StatusBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Posting workers send articles that were not posted here, to reopen them on this thread.
    if (HandleArticleReturn(message, lParam))
        return 0;
    WNDPROC previous = PreviousWindowProc(window);
    if (previous == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(previous, window, message, wParam, lParam);
}
