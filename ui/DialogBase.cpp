#include "ui/DialogBase.h"

#include <vector>

#include "host/PluginMessageBox.h"
#include "ui/ResourceModule.h"

INT_PTR DialogBase::Run(HWND parent) {
    return DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(templateId_), parent, Procedure,
                           reinterpret_cast<LPARAM>(this));
}

HWND DialogBase::CreateModeless(HWND parent) {
    return CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(templateId_), parent, Procedure,
                              reinterpret_cast<LPARAM>(this));
}

std::string DialogBase::ItemText(int id) const {
    HWND item = Item(id);
    int length = item ? GetWindowTextLengthA(item) : 0;
    std::vector<char> text(static_cast<size_t>(length) + 1);
    if (item)
        GetWindowTextA(item, text.data(), length + 1);
    return std::string(text.data());
}

int DialogBase::Message(const std::string& text, UINT type) const {
    char caption[256] = "";
    GetWindowTextA(window_, caption, sizeof caption);
    return gShowMessageBox(window_, text.c_str(), caption, type);
}

INT_PTR CALLBACK DialogBase::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        DialogBase* self;
        if (message == WM_INITDIALOG) {
            self = reinterpret_cast<DialogBase*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA, lParam);
            self->window_ = window;
        } else {
            self = reinterpret_cast<DialogBase*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        }
        return self ? self->Handle(message, wParam, lParam) : FALSE;
    } catch (...) {
        return TRUE;
    }
}

INT_PTR DialogBase::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInit() ? TRUE : FALSE;
        case WM_COMMAND: {
            int id = LOWORD(wParam);
            if (id == IDOK) {
                if (OnOK())
                    End(IDOK);
                return TRUE;
            }
            if (id == IDCANCEL) {
                if (OnCancel())
                    End(IDCANCEL);
                return TRUE;
            }
            return OnCommand(id, HIWORD(wParam)) ? TRUE : FALSE;
        }
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lParam)) ? TRUE : FALSE;
        default:
            return OnMessage(message, wParam, lParam) ? TRUE : FALSE;
    }
}
