// A static text control that looks and acts like a web link: drawn in the link colour, in the
// hover colour while the mouse is over it and in the visited colour once opened; underlined
// while hovered (or always, or never); a hand cursor and a tooltip with the target. A click
// opens the target through gOpenLink and tells the user when that failed. The object must
// outlive the control's window (a dialog member does); user-interface thread only.
#pragma once

#include <windows.h>

#include <string>

// Opens a link target ("https://...", "mailto:...") and returns the shell's result: above 32
// is success, else a shell error code. The shell (with the browser named in the registry as the
// fallback) by default, a recorder in tests.
extern INT_PTR (*gOpenLink)(const std::string& target);

class LinkControl {
public:
    enum Underline { kUnderlineOnHover = -1, kUnderlineNever = 0, kUnderlineAlways = 1 };

    LinkControl() = default;
    ~LinkControl();
    LinkControl(const LinkControl&) = delete;
    LinkControl& operator=(const LinkControl&) = delete;

    // Takes over the static `control`. An empty target takes the control's text; an empty text
    // shows the target.
    void Attach(HWND control);
    // Also refits the control and its tooltip once attached.
    void SetTarget(const std::string& target);
    const std::string& Target() const { return target_; }
    void SetUnderline(Underline mode);
    bool Visited() const { return visited_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    void FitToText();
    void SetTooltip();
    void SetFont(bool underlined);
    void Click();
    void HoverTick();

    HWND window_ = nullptr;
    HWND tooltip_ = nullptr;
    WNDPROC previous_ = nullptr;
    std::string target_;
    HFONT normal_ = nullptr;      // owned copies of the control's font
    HFONT underlined_ = nullptr;
    HFONT current_ = nullptr;     // one of the two
    Underline underline_ = kUnderlineOnHover;
    bool hovering_ = false;
    bool visited_ = false;
};
