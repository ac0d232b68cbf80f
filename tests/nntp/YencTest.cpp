// yEnc pictures in articles: a whole file in one block is shown as a uuencoded one is; a damaged
// block, a part of several or a block that names no picture stays text.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "nntp/BodyConverter.h"
#include "nntp/Ydecode.h"
#include "tests/nntp/PictureTest.h"

namespace {

// Every byte value, with the ones that need escaping at line starts and ends among them.
std::string AllBytes() {
    std::string b;
    for (int round = 0; round < 3; ++round)
        for (int v = 0; v < 256; ++v)
            b.push_back(static_cast<char>((v * 7 + round) & 0xFF));
    return b;
}

std::string Hex(uint32_t v) {
    char text[9];
    snprintf(text, sizeof text, "%08x", v);
    return text;
}

// A single-part block: 128 characters a line, NUL, CR, LF and "=" always escaped, TAB, blank
// and "." escaped at line starts, TAB and blank at line ends.
std::string Yencode(const std::string& name, const std::string& bytes) {
    std::string out = "=ybegin line=128 size=" + std::to_string(bytes.size()) + " name=" + name + "\r\n";
    std::string line;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char c = static_cast<char>(static_cast<unsigned char>(bytes[i]) + 42);
        bool last = i + 1 == bytes.size() || line.size() >= 127;
        bool escape = c == '\0' || c == '\r' || c == '\n' || c == '=' ||
                      (line.empty() && (c == '\t' || c == ' ' || c == '.')) || (last && (c == '\t' || c == ' '));
        if (escape) {
            line.push_back('=');
            c = static_cast<char>(c + 64);
        }
        line.push_back(c);
        if (line.size() >= 128 || i + 1 == bytes.size()) {
            out += line + "\r\n";
            line.clear();
        }
    }
    return out + "=yend size=" + std::to_string(bytes.size()) + " crc32=" + Hex(Crc32(bytes.data(), bytes.size())) +
           "\r\n";
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

std::string WithoutCr(std::string text) {
    size_t at;
    while ((at = text.find('\r')) != std::string::npos)
        text.erase(at, 1);
    return text;
}

const char kHeader[] = "Subject: pics\r\nContent-Type: text/plain; charset=gb2312\r\n\r\n";

TEST(Yenc, CrcIsTheZipOne) {
    EXPECT_EQ(0xCBF43926u, Crc32("123456789", 9));
    EXPECT_EQ(0xCBF43926u, Crc32("6789", 4, Crc32("12345", 5)));
}

TEST(Yenc, WholeFilesShowAndEverythingElseStaysText) {
    const std::string photo = AllBytes();
    const std::string good = Yencode("photo.gif", photo);
    const std::string crc = Hex(Crc32(photo.data(), photo.size()));
    const std::string size = std::to_string(photo.size());
    struct Case {
        const char* what;
        std::string body;
        const char* shown;  // the picture's file, or null when the article stays as it was
    } cases[] = {
        {"a whole file", "Look:\r\n" + good + "bye\r\n", "photo.gif"},
        {"without crc32=", Replaced(good, " crc32=" + crc, ""), "photo.gif"},
        {"a name with blanks", Yencode("my photo.gif", photo), "my photo.gif"},
        {"bare line feeds", WithoutCr(good), "photo.gif"},
        {"a wrong crc32=", Replaced(good, crc, "0badc0de"), nullptr},
        {"a crc32= that is no number", Replaced(good, crc, "zz"), nullptr},
        {"=yend size= too small", Replaced(good, "=yend size=" + size, "=yend size=1"), nullptr},
        {"=ybegin size= too large", Replaced(good, "size=" + size, "size=9999999"), nullptr},
        {"no =yend", good.substr(0, good.find("=yend")), nullptr},
        {"=yend without size=", Replaced(good, "=yend size=" + size, "=yend"), nullptr},
        {"a lost escape at a line end", Replaced(good, "\r\n=yend", "=\r\n=yend"), nullptr},
        {"one part of several", Replaced(good, "=ybegin ", "=ybegin part=1 total=2 "), nullptr},
        {"a =ypart line", Replaced(good, "\r\n", "\r\n=ypart begin=1 end=" + size + "\r\n"), nullptr},
        {"no picture", Yencode("notes.txt", photo), nullptr},
        {"a picture, then no picture", good + Yencode("notes.txt", "x"), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MapPictureFiles files;
        PictureFolder folder("C:\\Temp", files);
        std::string converted;
        bool ok = ConvertBody(kHeader + c.body, folder, &converted);
        EXPECT_EQ(c.shown != nullptr, ok);
        if (c.shown) {
            ASSERT_EQ(1u, files.files.size());
            EXPECT_EQ(photo, files.files[std::string("C:\\Temp\\") + c.shown]);
            EXPECT_NE(std::string::npos, converted.find(std::string(">") + c.shown + "</font>"));
            // the text part keeps the block as it came
            EXPECT_NE(std::string::npos, converted.find("=ybegin line=128"));
        } else {
            // (a picture before a block that names none may already be saved, as with uuencode)
            if (c.body.find("=ybegin", 1) == std::string::npos) {
                EXPECT_TRUE(files.files.empty());
            }
            EXPECT_EQ("", converted);
        }
    }
}

TEST(Yenc, BlocksOfBothKindsShowInTheOrderTheyStand) {
    MapPictureFiles files;
    PictureFolder folder("C:\\Temp", files);
    std::string converted;
    std::string body = "one\r\n" + Uuencode("a.gif", "aaa") + Yencode("b.jpg", "bbbb") + "two\r\n" +
                       Uuencode("c.gif", "cc") + Yencode("d.bmp", "d");
    ASSERT_TRUE(ConvertBody(kHeader + body, folder, &converted));
    EXPECT_EQ(4u, files.files.size());
    EXPECT_EQ("bbbb", files.files["C:\\Temp\\b.jpg"]);
    size_t a = converted.find(">a.gif<"), b = converted.find(">b.jpg<"), c = converted.find(">c.gif<"),
           d = converted.find(">d.bmp<");
    ASSERT_NE(std::string::npos, d);
    EXPECT_TRUE(a < b && b < c && c < d);
}

}  // namespace
