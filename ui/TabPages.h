// A tab control that owns one child dialog per tab. The page dialogs become children of the tab
// control and fill its display area; only the current one is shown. The control's notifications
// reach its parent dialog, which hands them to OnNotify; after a change of page the parent gets
// kPageChanged. The focus moves with the page: each page remembers the control that last had
// it, and the tab control passes the focus on to it. Lives as long as the parent dialog's
// window; Attach once in the parent's OnInit. User-interface thread.
#pragma once

#include <windows.h>

#include <vector>

class TabPages {
public:
    // Sent to the tab control's parent after the current page changed.
    static const UINT kPageChanged = WM_APP + 2;

    TabPages() = default;
    ~TabPages();
    TabPages(const TabPages&) = delete;
    TabPages& operator=(const TabPages&) = delete;

    void Attach(HWND tab);
    // Adds a tab with the page; the first page added is shown, the others hidden.
    void AddPage(HWND page, const char* title);
    // The tab control's own notifications (TCN_SELCHANGING, TCN_SELCHANGE); true when handled.
    bool OnNotify(const NMHDR* header);
    int Current() const;

private:
    struct Page {
        HWND window;
        HWND focus;  // the control of the page that had the focus last; null at first
    };
    static LRESULT CALLBACK TabProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);
    void Place(HWND page) const;
    void FocusPage(int index) const;

    HWND tab_ = nullptr;
    std::vector<Page> pages_;
};
