#include "ui/GroupListModel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

std::string GroupListModel::Lower(const std::string& text) {
    std::string lowered(text);
    LowerInPlace(&lowered);
    return lowered;
}

void GroupListModel::LowerInPlace(std::string* text) {
    // ASCII only: a trail byte of a double-byte character is never changed.
    for (char& c : *text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
}

namespace {

// Eight bytes of a name, most significant first and zero-padded. The sort compares the first
// sixteen bytes of two names as two such numbers held in its array, and the names themselves
// only where those agree. Orders as the bytes do (unsigned), as std::string's comparison does.
uint64_t Prefix(std::string_view name) {
    uint64_t prefix = 0;
    for (size_t i = 0; i < 8; ++i)
        prefix = prefix << 8 | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
    return prefix;
}

}  // namespace

void GroupListModel::Load(const std::string& stored) {
    // Every buffer keeps its capacity from the last load: a refresh of a large list then fills
    // memory that is already the process's instead of taking fresh pages.
    pieces_.clear();
    keys_.clear();
    sorted_.clear();
    visible_.clear();
    text_ = stored;
    lowered_ = stored;
    LowerInPlace(&lowered_);
    size_t begin = 0;
    for (size_t at = 0; at <= stored.size(); ++at) {
        if (at == stored.size() || stored[at] == ',') {
            if (at > begin)
                pieces_.push_back({begin, at - begin});
            begin = at + 1;
        }
    }
    keys_.resize(pieces_.size());
    for (size_t i = 0; i < keys_.size(); ++i) {
        const std::string_view name = Lowered(i);
        keys_[i] = {Prefix(name), Prefix(name.substr(std::min<size_t>(8, name.size()))), i};
    }
    auto less = [this](const Key& a, const Key& b) {
        if (a.first != b.first)
            return a.first < b.first;
        if (a.second != b.second)
            return a.second < b.second;
        return Lowered(a.stored) < Lowered(b.stored);
    };
    // Servers tend to list their groups in order, one way or the other: such a list is taken as
    // it is, or turned round when every name is below the one before (no equal names, so no
    // order of equals to keep). Otherwise equal names keep their stored order.
    auto below = [&less, this](size_t i) { return less(keys_[i], keys_[i - 1]); };
    size_t i = 1;
    while (i < keys_.size() && !below(i))
        ++i;
    if (i < keys_.size()) {
        size_t j = 1;
        while (j < keys_.size() && below(j))
            ++j;
        if (j == keys_.size())
            std::reverse(keys_.begin(), keys_.end());
        else
            std::stable_sort(keys_.begin(), keys_.end(), less);
    }
    sorted_.resize(keys_.size());
    for (size_t i = 0; i < keys_.size(); ++i)
        sorted_[i] = keys_[i].stored;
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
        const std::string_view name = Lowered(stored);
        if (name.size() >= wanted.size() && name.find(wanted) != std::string_view::npos)
            visible_.push_back(stored);
    }
}

int GroupListModel::FirstStored(const std::string& name) const {
    const std::string wanted = Lower(name);
    auto it = std::lower_bound(sorted_.begin(), sorted_.end(), std::string_view(wanted),
                               [this](size_t stored, std::string_view key) { return Lowered(stored) < key; });
    if (it == sorted_.end() || Lowered(*it) != wanted)
        return -1;
    return static_cast<int>(*it);
}

int GroupListModel::RowOf(const std::string& name) const {
    int stored = FirstStored(name);
    if (stored < 0)
        return -1;
    // The visible rows keep the sorted order, so the row is found by the same comparison.
    const std::string_view key = Lowered(static_cast<size_t>(stored));
    auto it = std::lower_bound(visible_.begin(), visible_.end(), key,
                               [this](size_t s, std::string_view k) { return Lowered(s) < k; });
    if (it == visible_.end() || Lowered(*it) != key)
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
