#include "news/StatusPopup.h"

#include <commctrl.h>

#include <memory>
#include <type_traits>

#include "host/CSE.h"
#include "host/HostApi.h"
#include "host/MailboxAccount.h"
#include "mime/MimeHeader.h"
#include "mime/MimeHeaderText.h"
#include "news/NewsState.h"
#include "news/Workers.h"

namespace {

const int kMailIdBuffer = 256;
// The status-bar part that the menu belongs to: the one widened at start.
const int kMenuPart = 1;

struct MenuDeleter {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using MenuHandle = std::unique_ptr<std::remove_pointer<HMENU>::type, MenuDeleter>;

// A folded header value as one menu line.
std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c != '\r' && c != '\n')
            line += c;
    }
    return line;
}

bool CursorInPart(HWND statusBar, int part) {
    RECT rect = {};
    if (!SendMessageA(statusBar, SB_GETRECT, part, reinterpret_cast<LPARAM>(&rect)))
        return false;
    MapWindowPoints(statusBar, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    POINT cursor = {};
    return GetCursorPos(&cursor) && PtInRect(&rect, cursor);
}

void AppendList(HMENU popup, const PopupArticles& list, const char* text) {
    HMENU submenu = list.Empty() ? nullptr : list.BuildMenu();
    if (submenu == nullptr) {
        AppendMenuA(popup, MF_STRING, 0, "(None)");
        return;
    }
    // From here the pop-up owns the submenu.
    if (!AppendMenuA(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), text))
        DestroyMenu(submenu);
}

}  // namespace

void StatusPopup::Collect(const std::string& address, const std::string& name) {
    char mail[kMailIdBuffer];
    for (int index = -1;;) {
        mail[0] = '\0';
        index = gHostApi.BKA_GetNextMail(index, mail, kMailIdBuffer, FALSE);
        if (index == -1)
            break;
        mail[kMailIdBuffer - 1] = '\0';
        Consider(mail, address, name);
    }
}

void StatusPopup::Consider(const std::string& mail, const std::string& address, const std::string& name) {
    // The header block is the host's until this object gives it back, also when parsing throws.
    HostString block(gHostApi.BKA_GetHeader(mail.c_str()));
    if (block.Get() == nullptr)
        return;
    MimeHeader header;
    header.Load(block.Get(), static_cast<int>(strlen(block.Get())));
    std::string from = header.GetFieldValue("From");
    bool own = (!address.empty() && from.find(address) != std::string::npos) ||
               (!name.empty() && from.find(name) != std::string::npos);
    if (own)
        own_.Add(mail, OneLine(header.GetFieldValue("Subject")));
    std::string subject;
    std::string messageId = header.GetFieldValue("Message-ID");
    if (!messageId.empty() && gNewArticles.Find(messageId, &subject) &&
        (gHostApi.BKA_GetStatus(mail.c_str()) & kBkaStatusRead) == 0)
        new_.Add(mail, OneLine(DecodeHeaderText(subject)));
}

HMENU StatusPopup::BuildMenu() const {
    HMENU popup = CreatePopupMenu();
    if (popup == nullptr)
        return nullptr;
    AppendList(popup, new_, "New Articles...");
    AppendList(popup, own_, "My Articles...");
    return popup;
}

bool StatusPopup::Choose(UINT id) const {
    std::string mail;
    if (!new_.MailOf(id, &mail) && !own_.MailOf(id, &mail))
        return false;
    gHostApi.BKA_SetCurrentMail(mail.c_str());
    return true;
}

LRESULT StatusPopup::OnRightButtonDown(HWND statusBar) {
    if (!CursorInPart(statusBar, kMenuPart) || !gHostApi.IsBound())
        return 0;
    try {
        CSE::Guard([statusBar] {
            StatusPopup popup;
            MailboxAccount account = MailboxAccount::Read(HostText(gHostApi.BKA_GetDataFolder()) +
                                                          HostText(gHostApi.BKA_GetCurrentMailBox()));
            popup.Collect(account.mailAddress, account.yourName);
            MenuHandle menu(popup.BuildMenu());
            if (!menu)
                return;
            POINT at = {};
            GetCursorPos(&at);
            HWND owner = GetFocus();
            if (owner == nullptr)
                owner = statusBar;
            UINT id = static_cast<UINT>(
                TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr));
            popup.Choose(id);
        });
    } catch (const CSE& fault) {
        ReportProcessorFault(fault.GetExceptionCode());
    } catch (...) {
    }
    return 0;
}
