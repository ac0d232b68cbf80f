// Splits one line of a stand-in scenario into words. Portable so that the quoting rules are
// tested natively.
#pragma once

#include <string>
#include <vector>

namespace scriptline {

// Words are separated by blanks or tabs and taken as they stand. A word in double quotes may hold
// blanks and the escapes \" \\ \r \n \t and \xHH (one byte, so GBK text can be written on any
// terminal); any other backslash stays as it is. A '#' that begins the line or stands alone as a word starts a comment
// ("#3" is a word). False (with *error set) for an unterminated quote or a bad \x escape.
bool Split(const std::string& line, std::vector<std::string>* words, std::string* error);

// Text with the '&' markers of menu texts removed ("&&" stays as one '&').
std::string StripAmpersands(const std::string& text);

}  // namespace scriptline
