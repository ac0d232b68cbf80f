#include "ui/LinkControl.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "host/PluginMessageBox.h"
#include "ui/LinkText.h"
#include "ui/ResourceModule.h"

namespace {

const COLORREF kLinkColour = RGB(0, 0, 238);
const COLORREF kVisitedColour = RGB(85, 26, 139);
const COLORREF kHoverColour = RGB(255, 0, 0);
const UINT_PTR kHoverTimer = 1;
const UINT kHoverPeriodMs = 100;
const char kUnableToOpen[] = "Unable to open hyperlink:\n\n";

std::string TextOf(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    GetWindowTextA(window, text.data(), length + 1);
    return text.data();
}

// The default value of a key under the class root, or false.
bool ClassRootValue(const std::string& key, std::string* value) {
    char data[1024];
    LONG size = sizeof data;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), data, &size) != ERROR_SUCCESS)
        return false;
    data[sizeof data - 1] = '\0';
    *value = data;
    return true;
}

INT_PTR ShellOpen(const std::string& target) {
    auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32)
        return result;
    // No association for the target itself: hand it to the program that opens web pages.
    std::string pageClass, command;
    if (!ClassRootValue(".htm", &pageClass) || !ClassRootValue(pageClass + "\\shell\\open\\command", &command))
        return result;
    return static_cast<INT_PTR>(WinExec(BrowserCommandLine(command, target).c_str(), SW_SHOWNORMAL));
}

// The help program's hand, copied once for the process; null when it cannot be had.
HCURSOR HandCursor() {
    static HCURSOR hand = [] {
        char folder[MAX_PATH] = "";
        GetWindowsDirectoryA(folder, MAX_PATH);
        HCURSOR copy = nullptr;
        HMODULE help =
            LoadLibraryExA((std::string(folder) + "\\winhlp32.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (help) {
            HCURSOR cursor = LoadCursorA(help, MAKEINTRESOURCEA(106));
            if (cursor)
                copy = CopyCursor(cursor);
            FreeLibrary(help);
        }
        return copy ? copy : LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // IDC_HAND
    }();
    return hand;
}

HFONT ControlFont(HWND window) {
    auto font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    if (!font)
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!font)
        font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    return font;
}

}  // namespace

INT_PTR (*gOpenLink)(const std::string& target) = ShellOpen;

LinkControl::~LinkControl() {
    if (normal_)
        DeleteObject(normal_);
    if (underlined_)
        DeleteObject(underlined_);
}

void LinkControl::Attach(HWND control) {
    window_ = control;
    SetWindowLongPtrA(control, GWL_STYLE, GetWindowLongPtrA(control, GWL_STYLE) | SS_NOTIFY);
    if (target_.empty())
        target_ = TextOf(control);
    else if (TextOf(control).empty())
        SetWindowTextA(control, target_.c_str());
    LOGFONTA font = {};
    GetObjectA(ControlFont(control), sizeof font, &font);
    normal_ = CreateFontIndirectA(&font);
    font.lfUnderline = TRUE;
    underlined_ = CreateFontIndirectA(&font);
    SetFont(underline_ == kUnderlineAlways);
    FitToText();
    SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LinkControl::Procedure)));
    tooltip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, GetParent(control), nullptr, ResourceModule(), nullptr);
    SetTooltip();
}

void LinkControl::SetTarget(const std::string& target) {
    target_ = target;
    if (window_) {
        FitToText();
        SetTooltip();
    }
}

void LinkControl::SetUnderline(Underline mode) {
    underline_ = mode;
    if (window_) {
        SetFont(mode == kUnderlineAlways || (mode == kUnderlineOnHover && hovering_));
        InvalidateRect(window_, nullptr, TRUE);
    }
}

void LinkControl::SetFont(bool underlined) {
    current_ = underlined ? underlined_ : normal_;
}

// The tooltip shows the target over the whole control.
void LinkControl::SetTooltip() {
    if (!tooltip_)
        return;
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = 1;
    GetClientRect(window_, &tool.rect);
    tool.lpszText = const_cast<char*>(target_.c_str());
    SendMessageA(tooltip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

// The control ends where its text ends, so the hand cursor shows only over the link. Centred
// and right-aligned statics keep their centre or right edge; vertically centred ones their
// vertical centre.
void LinkControl::FitToText() {
    HDC dc = GetDC(window_);
    HGDIOBJ old = SelectObject(dc, normal_);
    std::string text = TextOf(window_);
    SIZE size = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(window_, dc);

    RECT window, client;
    GetWindowRect(window_, &window);
    GetClientRect(window_, &client);
    MapWindowPoints(nullptr, GetParent(window_), reinterpret_cast<POINT*>(&window), 2);
    int borderX = (window.right - window.left) - client.right;
    int borderY = (window.bottom - window.top) - client.bottom;
    int width = size.cx + borderX;
    int height = size.cy + borderY;
    LONG_PTR style = GetWindowLongPtrA(window_, GWL_STYLE);
    int top = window.top;
    if (style & SS_CENTERIMAGE)
        top = (window.top + window.bottom - height) / 2;
    int left = window.left;
    if ((style & SS_TYPEMASK) == SS_CENTER)
        left = (window.left + window.right - width) / 2;
    else if ((style & SS_TYPEMASK) == SS_RIGHT)
        left = window.right - width;
    SetWindowPos(window_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void LinkControl::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    RECT client;
    GetClientRect(window_, &client);
    // The parent paints the background of statics; asking it keeps dialog themes right.
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
        GetParent(window_), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window_)));
    FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
    HGDIOBJ old = SelectObject(dc, current_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, hovering_ ? kHoverColour : visited_ ? kVisitedColour : kLinkColour);
    std::string text = TextOf(window_);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &client, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(window_, &paint);
}

void LinkControl::HoverTick() {
    POINT cursor;
    GetCursorPos(&cursor);
    RECT rect;
    GetWindowRect(window_, &rect);
    if (PtInRect(&rect, cursor))
        return;
    hovering_ = false;
    KillTimer(window_, kHoverTimer);
    if (underline_ != kUnderlineAlways)
        SetFont(false);
    InvalidateRect(window_, nullptr, TRUE);
}

void LinkControl::Click() {
    hovering_ = false;
    INT_PTR result = gOpenLink(target_);
    if (result > 32) {
        visited_ = true;
        InvalidateRect(window_, nullptr, TRUE);
        return;
    }
    MessageBeep(MB_ICONEXCLAMATION);
    char caption[256] = "";
    GetWindowTextA(GetParent(window_), caption, sizeof caption);
    gShowMessageBox(GetParent(window_), (kUnableToOpen + LinkErrorText(result)).c_str(), caption,
                    MB_OK | MB_ICONWARNING);
}

LRESULT CALLBACK LinkControl::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<LinkControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    WNDPROC previous = self->previous_;
    switch (message) {
        case WM_PAINT:
            self->Paint();
            return 0;
        case WM_SETCURSOR:
            if (HCURSOR hand = HandCursor()) {
                SetCursor(hand);
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            if (!self->hovering_) {
                self->hovering_ = true;
                if (self->underline_ == kUnderlineOnHover)
                    self->SetFont(true);
                InvalidateRect(window, nullptr, TRUE);
                SetTimer(window, kHoverTimer, kHoverPeriodMs, nullptr);
            }
            break;
        case WM_TIMER:
            if (wParam == kHoverTimer) {
                self->HoverTick();
                return 0;
            }
            break;
        case WM_LBUTTONUP:
            self->Click();
            break;
        case WM_NCDESTROY:
            KillTimer(window, kHoverTimer);
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            self->window_ = nullptr;
            self->tooltip_ = nullptr;  // a child of the dialog, destroyed with it
            break;
        default:
            break;
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}
