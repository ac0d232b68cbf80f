#include "nntp/NewsDisplay.h"

#include "host/HostApi.h"

void HostNewsDisplay::ShowMessage(const std::string& text) {
    MessageBoxA(static_cast<HWND>(owner_), text.c_str(), caption_.c_str(), MB_OK);
}

void HostNewsDisplay::SetHostMessage(const std::string& text) {
    if (gHostApi.IsBound())
        gHostApi.BKA_SetMessageText(nullptr, text.c_str());
}

std::string HostNewsDisplay::CurrentMail() {
    if (!gHostApi.IsBound())
        return std::string();
    LPCSTR mail = gHostApi.BKA_GetCurrentMail();
    return mail ? std::string(mail) : std::string();
}
