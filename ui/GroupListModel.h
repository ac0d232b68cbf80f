// The group lists of the manage dialog as data: every group name of one server as stored
// ("a.b,c.d,"), sorted once ignoring case, a filtered view as positions into that order, and the
// set of subscribed names, compared ignoring case. Portable; the dialog shows the view in
// virtual list views, so a list of 100,000 groups costs no window items.
//
// The model owns its names. Positions and references stay valid until the next Load.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class GroupListModel {
public:
    // Replaces every name with those of the stored text, split at commas, empty pieces skipped.
    void Load(const std::string& stored);
    // The stored text of names: each followed by a comma, in the order given.
    static std::string Join(const std::vector<std::string>& names);

    size_t Size() const { return pieces_.size(); }
    // Names in stored order.
    std::string Name(size_t stored) const { return std::string(text_, pieces_[stored].begin, pieces_[stored].length); }

    // Keeps the names whose lower-cased form contains the lower-cased filter, in sorted order.
    void SetFilter(const std::string& filter);
    size_t VisibleCount() const { return visible_.size(); }
    // The stored position of the row-th visible name.
    size_t VisibleAt(size_t row) const { return visible_[row]; }
    // The visible row of a name, compared ignoring case; -1 when it is not shown.
    int RowOf(const std::string& name) const;
    bool Contains(const std::string& name) const { return FirstStored(name) >= 0; }

    void ClearSubscribed() { subscribed_.clear(); }
    void MarkSubscribed(const std::string& name, bool on);
    bool IsSubscribed(const std::string& name) const;

    static std::string Lower(const std::string& text);
    static void LowerInPlace(std::string* text);

private:
    // The first stored position of a name, compared ignoring case; -1 when there is none.
    int FirstStored(const std::string& name) const;

    // Where a name stands in text_ and, lower-cased, at the same place in lowered_. Names live
    // in the two texts rather than one string each: a large server lists 100,000 of them.
    struct Piece {
        size_t begin;
        size_t length;
    };
    std::string_view Lowered(size_t stored) const {
        return std::string_view(lowered_).substr(pieces_[stored].begin, pieces_[stored].length);
    }

    std::string text_;     // the stored text as loaded
    std::string lowered_;  // text_ lower-cased
    std::vector<Piece> pieces_;
    // The sort's keys: a name's first sixteen lower-cased bytes as two numbers, and its position.
    struct Key {
        uint64_t first;
        uint64_t second;
        size_t stored;
    };
    std::vector<Key> keys_;
    std::vector<size_t> sorted_;                  // stored positions ordered by lowered name, ties by position
    std::vector<size_t> visible_;                 // a filtered subsequence of sorted_
    std::unordered_set<std::string> subscribed_;  // lowered names
};
