#include "news/MailList.h"

#include <algorithm>

#include "host/SectionLock.h"

MailList gRetrievals;
MailList gRefreshedMails;

void MailList::Add(const std::string& mailId) {
    SectionLock hold(&lock_);
    mails_.push_back(mailId);
}

void MailList::Remove(const std::string& mailId) {
    SectionLock hold(&lock_);
    auto it = std::find(mails_.begin(), mails_.end(), mailId);
    if (it != mails_.end())
        mails_.erase(it);
}

bool MailList::Contains(const std::string& mailId) {
    SectionLock hold(&lock_);
    return std::find(mails_.begin(), mails_.end(), mailId) != mails_.end();
}

bool MailList::Empty() {
    SectionLock hold(&lock_);
    return mails_.empty();
}
