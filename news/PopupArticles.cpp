#include "news/PopupArticles.h"

void PopupArticles::Add(const std::string& mail, const std::string& text) {
    if (mails_.size() >= static_cast<size_t>(kMaxItems)) {
        ++left_;
        return;
    }
    mails_.push_back(mail);
    texts_.push_back(text);
}

HMENU PopupArticles::BuildMenu() const {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return nullptr;
    for (size_t n = 0; n < texts_.size(); ++n) {
        // '&' in a subject would otherwise underline the next letter and vanish.
        std::string text;
        for (char c : texts_[n]) {
            text += c;
            if (c == '&')
                text += '&';
        }
        AppendMenuA(menu, MF_STRING, firstId_ + static_cast<UINT>(n), text.c_str());
    }
    if (left_ > 0) {
        std::string more = "... and " + std::to_string(left_) + " more";
        AppendMenuA(menu, MF_STRING | MF_GRAYED, 0, more.c_str());
    }
    return menu;
}

bool PopupArticles::MailOf(UINT id, std::string* mail) const {
    if (id < firstId_ || id - firstId_ >= mails_.size())
        return false;
    *mail = mails_[id - firstId_];
    return true;
}
