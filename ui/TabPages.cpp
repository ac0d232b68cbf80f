#include "ui/TabPages.h"

#include <commctrl.h>

namespace {

const UINT_PTR kSubclassId = 1;
// Room left between the tab control's display area and its page.
const int kPageMargin = 4;

}  // namespace

TabPages::~TabPages() {
    if (tab_ && IsWindow(tab_))
        RemoveWindowSubclass(tab_, TabProc, kSubclassId);
}

void TabPages::Attach(HWND tab) {
    tab_ = tab;
    SetWindowSubclass(tab_, TabProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void TabPages::AddPage(HWND page, const char* title) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(title);
    int index = static_cast<int>(pages_.size());
    SendMessageA(tab_, TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item));
    SetParent(page, tab_);
    pages_.push_back(Page{page, nullptr});
    Place(page);
    ShowWindow(page, index == 0 ? SW_SHOW : SW_HIDE);
}

int TabPages::Current() const {
    return tab_ ? static_cast<int>(SendMessageA(tab_, TCM_GETCURSEL, 0, 0)) : -1;
}

void TabPages::Place(HWND page) const {
    RECT area;
    GetClientRect(tab_, &area);
    SendMessageA(tab_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    InflateRect(&area, -kPageMargin, -kPageMargin);
    SetWindowPos(page, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOACTIVATE);
}

void TabPages::FocusPage(int index) const {
    if (index < 0 || index >= static_cast<int>(pages_.size()))
        return;
    const Page& page = pages_[index];
    HWND target = page.focus && IsWindow(page.focus) ? page.focus : GetNextDlgTabItem(page.window, nullptr, FALSE);
    if (target)
        SetFocus(target);
}

bool TabPages::OnNotify(const NMHDR* header) {
    if (header->hwndFrom != tab_)
        return false;
    int index = Current();
    bool valid = index >= 0 && index < static_cast<int>(pages_.size());
    if (header->code == TCN_SELCHANGING) {
        if (valid) {
            HWND focus = GetFocus();
            if (focus && IsChild(pages_[index].window, focus))
                pages_[index].focus = focus;
            ShowWindow(pages_[index].window, SW_HIDE);
        }
        return true;
    }
    if (header->code == TCN_SELCHANGE) {
        if (valid) {
            Place(pages_[index].window);
            ShowWindow(pages_[index].window, SW_SHOW);
            FocusPage(index);
        }
        SendMessageA(GetParent(tab_), kPageChanged, index, 0);
        return true;
    }
    return false;
}

LRESULT CALLBACK TabPages::TabProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR self) {
    if (message == WM_SETFOCUS) {
        auto* pages = reinterpret_cast<TabPages*>(self);
        int index = pages->Current();
        if (index >= 0 && index < static_cast<int>(pages->pages_.size()) && pages->pages_[index].focus) {
            pages->FocusPage(index);
            return 0;
        }
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
