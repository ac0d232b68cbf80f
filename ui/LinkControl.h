// A static text control that looks and acts like a web link: link colour, a hand cursor,
// underlined while the mouse is over it, visited colour once clicked; a click opens its target
// through gOpenLink. The object must outlive the control's window (a dialog member does).
#pragma once

#include <windows.h>

#include <string>

// Opens a link target ("https://...", "mailto:..."); the shell by default, a recorder in tests.
extern bool (*gOpenLink)(const std::string& target);

class LinkControl {
public:
    LinkControl() = default;
    ~LinkControl();
    LinkControl(const LinkControl&) = delete;
    LinkControl& operator=(const LinkControl&) = delete;

    // Takes over the static `control`. An empty target takes the control's text.
    void Attach(HWND control);
    void SetTarget(const std::string& target) { target_ = target; }
    const std::string& Target() const { return target_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    void FitToText();

    HWND window_ = nullptr;
    WNDPROC previous_ = nullptr;
    std::string target_;
    HFONT underlined_ = nullptr;  // owned; the normal font is the dialog's
    bool hovering_ = false;
    bool visited_ = false;
};
