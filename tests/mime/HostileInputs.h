// Messages built to make careless parsing quadratic. The tests load and store them whole; the
// benchmark times them.
#pragma once

#include <string>
#include <utility>
#include <vector>

// (name, message text) pairs: a boundary that is never closed with many near misses, a header
// folded 100,000 times, and 100,000 encoded-word prefixes in one field.
inline std::vector<std::pair<std::string, std::string>> HostileInputs() {
    std::string unclosed = "Content-Type: multipart/mixed; boundary=\"" + std::string(200, 'x') + "\"\r\n\r\n";
    for (int i = 0; i < 5000; ++i)
        unclosed += "\r\n--" + std::string(199, 'x') + "y";
    std::string folded = "Subject: a";
    for (int i = 0; i < 100000; ++i)
        folded += "\r\n b";
    folded += "\r\n\r\n";
    std::string prefixes = "Subject: ";
    for (int i = 0; i < 100000; ++i)
        prefixes += "=?x?y?";
    prefixes += "\r\n\r\n";
    return {{"unclosed boundary", unclosed}, {"folded header", folded}, {"word prefixes", prefixes}};
}
