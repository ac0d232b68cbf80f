// One submenu of the status bar's pop-up menu: the articles listed in it, with menu ids counted
// from a first id. A submenu holds at most kMaxItems articles, so that its ids never reach the
// next submenu's range (new articles from 40000, own articles from 50000); what does not fit is
// only counted. Lives for one pop-up on the user-interface thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class PopupArticles {
public:
    static constexpr int kMaxItems = 9999;

    explicit PopupArticles(UINT firstId) : firstId_(firstId) {}

    // Lists the mail with its menu text; past kMaxItems the article is only counted.
    void Add(const std::string& mail, const std::string& text);
    bool Empty() const { return mails_.empty(); }
    size_t Count() const { return mails_.size(); }
    int Left() const { return left_; }

    // A new pop-up menu with one item per article (id firstId + n) and, when articles were left
    // out, a greyed last item saying how many. The caller owns it (or the menu it is put into).
    HMENU BuildMenu() const;
    // The mail identifier behind a chosen menu id; false when the id is not one of ours.
    bool MailOf(UINT id, std::string* mail) const;

private:
    UINT firstId_;
    std::vector<std::string> mails_;
    std::vector<std::string> texts_;
    int left_ = 0;
};
