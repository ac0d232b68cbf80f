#include "tools/dbbuild/RangeList.h"

#include "lodestar/IpAddress.h"
#include "lodestar/LodestarTexts.h"

namespace dbbuild {

namespace {

bool ParseAddress(const std::string& text, uint32_t& value) {
    if (lodestar::ParseDottedAddress(text, value))
        return true;
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned long long number = std::stoull(text);
    if (number > 0xFFFFFFFFull)
        return false;
    value = static_cast<uint32_t>(number);
    return true;
}

std::string TextField(const std::string& field) {
    return field == "-" ? std::string() : field;
}

// Calls handle(lineNumber, fields) for every line that carries data; stops at its first false.
template <typename Handler>
bool ForEachLine(const std::string& text, Handler handle) {
    size_t pos = 0;
    int number = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> fields = SplitFields(line);
        if (fields.empty() || fields[0][0] == '#')
            continue;
        if (!handle(number, fields))
            return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    if (line.find('\t') != std::string::npos) {
        size_t pos = 0;
        for (;;) {
            const size_t tab = line.find('\t', pos);
            fields.push_back(line.substr(pos, tab == std::string::npos ? std::string::npos : tab - pos));
            if (tab == std::string::npos)
                break;
            pos = tab + 1;
        }
        // Tabs are separators, not part of a field: drop the empties that runs of tabs leave.
        std::vector<std::string> kept;
        for (std::string& field : fields) {
            if (!field.empty())
                kept.push_back(std::move(field));
        }
        return kept;
    }
    size_t pos = 0;
    while (pos < line.size()) {
        const size_t start = line.find_first_not_of(' ', pos);
        if (start == std::string::npos)
            break;
        const size_t end = line.find(' ', start);
        fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        pos = end == std::string::npos ? line.size() : end;
    }
    return fields;
}

bool ParseRangeList(const std::string& text, Layout defaultLayout, std::vector<Range>& ranges, std::string& error) {
    return ForEachLine(text, [&](int number, const std::vector<std::string>& fields) {
        const std::string where = "line " + std::to_string(number) + ": ";
        Range range;
        range.layout = defaultLayout;
        if (fields.size() < 3 || fields.size() > 5) {
            error = where + "expected <start> <end> <country> [<area> [<layout>]]";
            return false;
        }
        if (!ParseAddress(fields[0], range.start) || !ParseAddress(fields[1], range.end)) {
            error = where + "bad address";
            return false;
        }
        range.country = TextField(fields[2]);
        range.area = fields.size() < 4 || fields[3] == "?" ? lodestar::kUnknownAreaMarker : TextField(fields[3]);
        if (fields.size() == 5 && !ParseLayout(fields[4], range.layout)) {
            error = where + "unknown layout '" + fields[4] + "'";
            return false;
        }
        ranges.push_back(std::move(range));
        return true;
    });
}

bool ParseMyipList(const std::string& text, std::vector<MyipRow>& rows, std::string& error) {
    return ForEachLine(text, [&](int number, const std::vector<std::string>& fields) {
        if (fields.size() < 3 || fields.size() > 5) {
            error = "line " + std::to_string(number) + ": expected <start> <end> <country> [<area> [<note>]]";
            return false;
        }
        MyipRow row;
        row.start = TextField(fields[0]);
        row.end = TextField(fields[1]);
        row.country = TextField(fields[2]);
        row.area = fields.size() > 3 ? TextField(fields[3]) : std::string();
        row.note = fields.size() > 4 ? TextField(fields[4]) : std::string();
        rows.push_back(std::move(row));
        return true;
    });
}

}  // namespace dbbuild
