// The converter's main dialog: an introduction, "Convert Now!" and the hidden "Read" button that
// lists the subscriptions of a converted file. Each button builds what it needs and discards it.
#pragma once

#include <windows.h>

class CCfgshiftDialog {
public:
    explicit CCfgshiftDialog(HINSTANCE instance) : instance_(instance) {}
    ~CCfgshiftDialog();

    CCfgshiftDialog(const CCfgshiftDialog&) = delete;
    CCfgshiftDialog& operator=(const CCfgshiftDialog&) = delete;

    // Shows the dialog modally; returns when the user closes it.
    INT_PTR Run(HWND parent);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit();
    void OnPaintIconic();
    void OnConvert();
    void OnRead();

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    // Loaded at WM_INITDIALOG, owned here: the window only refers to them.
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
};
