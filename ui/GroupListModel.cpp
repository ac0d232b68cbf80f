#include "ui/GroupListModel.h"

#include <algorithm>
#include <cstring>

std::string GroupListModel::Lower(const std::string& text) {
    std::string lowered(text);
    // ASCII only: a trail byte of a double-byte character is never changed.
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

void GroupListModel::Load(const std::string& stored) {
    names_.clear();
    lowered_.clear();
    sorted_.clear();
    visible_.clear();
    size_t pieces = static_cast<size_t>(std::count(stored.begin(), stored.end(), ',')) + 1;
    names_.reserve(pieces);
    size_t begin = 0;
    while (begin <= stored.size()) {
        size_t comma = stored.find(',', begin);
        if (comma == std::string::npos)
            comma = stored.size();
        if (comma > begin)
            names_.emplace_back(stored, begin, comma - begin);
        begin = comma + 1;
    }
    lowered_.reserve(names_.size());
    for (const std::string& name : names_)
        lowered_.push_back(Lower(name));
    sorted_.resize(names_.size());
    for (size_t i = 0; i < sorted_.size(); ++i)
        sorted_[i] = i;
    std::stable_sort(sorted_.begin(), sorted_.end(),
                     [this](size_t a, size_t b) { return lowered_[a] < lowered_[b]; });
    visible_ = sorted_;
}

std::string GroupListModel::Join(const std::vector<std::string>& names) {
    size_t length = 0;
    for (const std::string& name : names)
        length += name.size() + 1;
    std::string text;
    text.reserve(length);
    for (const std::string& name : names) {
        text += name;
        text += ',';
    }
    return text;
}

void GroupListModel::SetFilter(const std::string& filter) {
    std::string wanted = Lower(filter);
    if (wanted.empty()) {
        visible_ = sorted_;
        return;
    }
    visible_.clear();
    for (size_t stored : sorted_) {
        const std::string& name = lowered_[stored];
        if (name.size() >= wanted.size() && name.find(wanted) != std::string::npos)
            visible_.push_back(stored);
    }
}

int GroupListModel::FirstStored(const std::string& name) const {
    std::string wanted = Lower(name);
    auto it = std::lower_bound(sorted_.begin(), sorted_.end(), wanted,
                               [this](size_t stored, const std::string& key) { return lowered_[stored] < key; });
    if (it == sorted_.end() || lowered_[*it] != wanted)
        return -1;
    return static_cast<int>(*it);
}

int GroupListModel::RowOf(const std::string& name) const {
    int stored = FirstStored(name);
    if (stored < 0)
        return -1;
    // The visible rows keep the sorted order, so the row is found by the same comparison.
    const std::string& key = lowered_[stored];
    auto it = std::lower_bound(visible_.begin(), visible_.end(), key,
                               [this](size_t s, const std::string& k) { return lowered_[s] < k; });
    if (it == visible_.end() || lowered_[*it] != key)
        return -1;
    return static_cast<int>(it - visible_.begin());
}

void GroupListModel::MarkSubscribed(const std::string& name, bool on) {
    if (on)
        subscribed_.insert(Lower(name));
    else
        subscribed_.erase(Lower(name));
}

bool GroupListModel::IsSubscribed(const std::string& name) const {
    return subscribed_.count(Lower(name)) != 0;
}
