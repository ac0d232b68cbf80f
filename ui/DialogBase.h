// The base of the plug-in's dialogs: one dialog procedure for all of them. A dialog is a small
// class over its template in Dialogs.rc with its inputs and outputs as public fields; Run shows
// it modally from this module's resources. Nothing thrown inside a handler leaves the procedure.
#pragma once

#include <windows.h>

#include <string>

class DialogBase {
public:
    explicit DialogBase(int templateId) : templateId_(templateId) {}
    virtual ~DialogBase() = default;
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    // IDOK or IDCANCEL (or -1 when the dialog could not be created).
    INT_PTR Run(HWND parent);
    // The same dialog modeless and hidden until shown: it stays up after this returns, and its
    // owner destroys it with DestroyWindow on the user-interface thread. Null when it could not
    // be created.
    HWND CreateModeless(HWND parent);
    HWND Window() const { return window_; }

protected:
    virtual bool OnInit() { return true; }
    // Commands other than IDOK and IDCANCEL; true when handled.
    virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
    virtual bool OnNotify(NMHDR* /*header*/) { return false; }
    // Reads the controls; false keeps the dialog open.
    virtual bool OnOK() { return true; }
    // Escape or the title bar; false keeps the dialog open.
    virtual bool OnCancel() { return true; }
    // Any other message (private messages from workers, the dialog's own ones, WM_DESTROY); true
    // when handled.
    virtual bool OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return false; }

    HWND Item(int id) const { return GetDlgItem(window_, id); }
    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text) const { SetDlgItemTextA(window_, id, text.c_str()); }
    int Message(const std::string& text, UINT type) const;
    void End(INT_PTR result) const { EndDialog(window_, result); }

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
    HWND window_ = nullptr;
};
