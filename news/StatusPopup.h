// The pop-up menu of the host's status bar: a right click on part 1 lists the current folder's
// new articles (brought in by the group updates since the folder was last opened, still unread)
// and the user's own articles (From names the account's address or name), and the one chosen
// becomes the current mail. Runs on the user-interface thread; one object per click.
#pragma once

#include <windows.h>

#include <string>

#include "news/PopupArticles.h"

class StatusPopup {
public:
    static constexpr UINT kFirstNewId = 40000;
    static constexpr UINT kFirstOwnId = 50000;

    StatusPopup() : new_(kFirstNewId), own_(kFirstOwnId) {}

    // StatusBarProc's right-button-down: swallowed when the cursor is outside part 1, otherwise
    // the menu is collected, tracked and acted on. Always 0; nothing is thrown.
    static LRESULT OnRightButtonDown(HWND statusBar);

    // Walks every message of the current folder and lists the new and the own ones. An empty
    // address or name matches nothing.
    void Collect(const std::string& address, const std::string& name);
    // The whole pop-up: "New Articles..." and "My Articles..." submenus, or "(None)" items.
    // The caller owns the menu; its submenus go with it.
    HMENU BuildMenu() const;
    // Makes the mail behind a chosen id the current one; false for ids that are not articles.
    bool Choose(UINT id) const;

    const PopupArticles& NewArticles() const { return new_; }
    const PopupArticles& OwnArticles() const { return own_; }

private:
    void Consider(const std::string& mail, const std::string& address, const std::string& name);

    PopupArticles new_;
    PopupArticles own_;
};
