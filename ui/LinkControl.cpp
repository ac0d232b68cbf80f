#include "ui/LinkControl.h"

#include <shellapi.h>

#include <vector>

namespace {

const COLORREF kLinkColour = RGB(0, 0, 238);
const COLORREF kVisitedColour = RGB(85, 26, 139);
const COLORREF kHoverColour = RGB(255, 0, 0);

bool ShellOpen(const std::string& target) {
    return reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) >
           32;
}

std::string TextOf(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    GetWindowTextA(window, text.data(), length + 1);
    return text.data();
}

HFONT FontOf(HWND window) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

bool (*gOpenLink)(const std::string& target) = ShellOpen;

LinkControl::~LinkControl() {
    if (underlined_)
        DeleteObject(underlined_);
}

void LinkControl::Attach(HWND control) {
    window_ = control;
    if (target_.empty())
        target_ = TextOf(control);
    SetWindowLongPtrA(control, GWL_STYLE, GetWindowLongPtrA(control, GWL_STYLE) | SS_NOTIFY);
    LOGFONTA font = {};
    GetObjectA(FontOf(control), sizeof font, &font);
    font.lfUnderline = TRUE;
    underlined_ = CreateFontIndirectA(&font);
    FitToText();
    SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LinkControl::Procedure)));
}

// The control ends where its text ends, so the hand cursor shows only over the link.
void LinkControl::FitToText() {
    HDC dc = GetDC(window_);
    HGDIOBJ old = SelectObject(dc, FontOf(window_));
    std::string text = TextOf(window_);
    SIZE size = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(window_, dc);
    RECT rect;
    GetWindowRect(window_, &rect);
    SetWindowPos(window_, nullptr, 0, 0, size.cx + 2, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER);
}

void LinkControl::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    RECT client;
    GetClientRect(window_, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    HGDIOBJ old = SelectObject(dc, hovering_ ? underlined_ : FontOf(window_));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, hovering_ ? kHoverColour : visited_ ? kVisitedColour : kLinkColour);
    std::string text = TextOf(window_);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &client, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(window_, &paint);
}

LRESULT CALLBACK LinkControl::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<LinkControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    WNDPROC previous = self->previous_;
    switch (message) {
        case WM_PAINT:
            self->Paint();
            return 0;
        case WM_SETCURSOR:
            SetCursor(LoadCursor(nullptr, IDC_HAND));
            return TRUE;
        case WM_MOUSEMOVE:
            if (!self->hovering_) {
                self->hovering_ = true;
                TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, 0};
                TrackMouseEvent(&track);
                InvalidateRect(window, nullptr, FALSE);
            }
            break;
        case WM_MOUSELEAVE:
            self->hovering_ = false;
            InvalidateRect(window, nullptr, FALSE);
            break;
        case WM_LBUTTONUP:
            self->visited_ = true;
            gOpenLink(self->target_);
            InvalidateRect(window, nullptr, FALSE);
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            self->window_ = nullptr;
            break;
        default:
            break;
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}
