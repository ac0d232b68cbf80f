// Helpers shared by the picture tests: an in-memory folder and a uuencoder.
#pragma once

#include <map>
#include <set>
#include <string>

#include "nntp/PictureFolder.h"

class MapPictureFiles : public PictureFiles {
public:
    ReadResult Read(const std::string& path, std::string* bytes) override {
        if (unreadable.count(path))
            return kUnreadable;
        auto it = files.find(path);
        if (it == files.end())
            return kMissing;
        *bytes = it->second;
        return kRead;
    }
    bool Write(const std::string& path, const std::string& bytes) override {
        if (refused.count(path))
            return false;
        ++writes;
        files[path] = bytes;
        return true;
    }

    std::map<std::string, std::string> files;
    std::set<std::string> refused;
    std::set<std::string> unreadable;
    int writes = 0;
};

// A uuencoded block for `bytes`, 45 bytes a line, with `eol` as line end.
inline std::string Uuencode(const std::string& name, const std::string& bytes, const std::string& eol = "\r\n") {
    auto put = [](unsigned v) { return static_cast<char>(v ? 32 + v : '`'); };
    std::string out = "begin 644 " + name + eol;
    for (size_t i = 0; i < bytes.size(); i += 45) {
        size_t n = bytes.size() - i < 45 ? bytes.size() - i : 45;
        out += put(static_cast<unsigned>(n));
        for (size_t j = 0; j < n; j += 3) {
            unsigned char b[3] = {0, 0, 0};
            for (size_t k = 0; k < 3 && j + k < n; ++k)
                b[k] = static_cast<unsigned char>(bytes[i + j + k]);
            out += put(b[0] >> 2);
            out += put((b[0] << 4 | b[1] >> 4) & 63);
            out += put((b[1] << 2 | b[2] >> 6) & 63);
            out += put(b[2] & 63);
        }
        out += eol;
    }
    return out + "`" + eol + "end" + eol;
}
