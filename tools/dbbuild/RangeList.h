// The builder's input: a plain text list with one range per line,
//     <start> <end> <country> [<area> [<layout>]]
// Fields are separated by tabs when the line holds a tab (so texts may contain blanks), by runs
// of blanks otherwise. Addresses are dotted ("1.2.3.4") or plain decimal numbers. A country or
// area of "-" is the empty text; a missing area or "?" is the database's unknown-area marker.
// Empty lines and lines starting with '#' are skipped. Texts are copied byte for byte, so a list
// written in GBK gives GBK texts.
#pragma once

#include <string>
#include <vector>

#include "tools/dbbuild/MyipBuilder.h"
#include "tools/dbbuild/QqwryBuilder.h"

namespace dbbuild {

// Splits one line into its fields by the rule above.
std::vector<std::string> SplitFields(const std::string& line);

// Reads the list for the IP database; layouts named in the fifth field override defaultLayout.
// False with "line N: reason" on the first bad line.
bool ParseRangeList(const std::string& text, Layout defaultLayout, std::vector<Range>& ranges, std::string& error);

// Reads the list for the own table: the fields are kept as written (addresses too, unchecked),
// with "-" as the empty text; a fifth field is the note column.
bool ParseMyipList(const std::string& text, std::vector<MyipRow>& rows, std::string& error);

}  // namespace dbbuild
