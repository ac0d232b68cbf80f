#include "ui/PendingList.h"

#include <algorithm>
#include <vector>

#include "ui/GroupListModel.h"

namespace {

// Locations and group names both compare ignoring case, as the dialog's "Sub" column does.
bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && GroupListModel::Lower(a) == GroupListModel::Lower(b);
}

template <typename List>
auto Find(List& list, const std::string& location, const std::string& group) -> decltype(list.begin()) {
    return std::find_if(list.begin(), list.end(), [&](const PendingGroup& entry) {
        return SameName(entry.group, group) && SameName(entry.location, location);
    });
}

const PendingGroup* FindIn(const std::vector<PendingGroup>& list,
                           const std::string& location,
                           const std::string& group) {
    auto it = Find(list, location, group);
    return it == list.end() ? nullptr : &*it;
}

// Adds entry to `into` unless `opposite` holds it, in which case the two cancel out.
void Note(const PendingGroup& entry, std::vector<PendingGroup>* into, std::vector<PendingGroup>* opposite) {
    auto undone = Find(*opposite, entry.location, entry.group);
    if (undone != opposite->end()) {
        opposite->erase(undone);
        return;
    }
    if (Find(*into, entry.location, entry.group) == into->end())
        into->push_back(entry);
}

}  // namespace

void PendingList::Subscribe(const PendingGroup& entry) {
    Note(entry, &changes_.subscribe, &changes_.unsubscribe);
}

void PendingList::Unsubscribe(const PendingGroup& entry) {
    Note(entry, &changes_.unsubscribe, &changes_.subscribe);
}

bool PendingList::SetStyle(const std::string& location, const std::string& group, int style) {
    auto it = Find(changes_.subscribe, location, group);
    if (it == changes_.subscribe.end())
        return false;
    it->style = style;
    return true;
}

const PendingGroup* PendingList::FindSubscribe(const std::string& location, const std::string& group) const {
    return FindIn(changes_.subscribe, location, group);
}

const PendingGroup* PendingList::FindUnsubscribe(const std::string& location, const std::string& group) const {
    return FindIn(changes_.unsubscribe, location, group);
}

bool PendingList::HasServer(const std::string& location) const {
    for (const auto* list : {&changes_.subscribe, &changes_.unsubscribe}) {
        for (const PendingGroup& entry : *list) {
            if (SameName(entry.location, location))
                return true;
        }
    }
    return false;
}

void PendingList::RenameServer(const std::string& from, const std::string& to) {
    for (auto* list : {&changes_.subscribe, &changes_.unsubscribe}) {
        for (PendingGroup& entry : *list) {
            if (SameName(entry.location, from))
                entry.location = to;
        }
    }
}
