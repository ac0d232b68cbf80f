// yEnc pictures in articles: a whole file in one block is shown as a uuencoded one is; a damaged
// block, a part of several or a block that names no picture stays text.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "nntp/BodyConverter.h"
#include "nntp/Ydecode.h"
#include "nntp/YencJoin.h"
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
std::string YencLines(const std::string& bytes) {
    std::string out, line;
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
    return out;
}

std::string Yencode(const std::string& name, const std::string& bytes) {
    return "=ybegin line=128 size=" + std::to_string(bytes.size()) + " name=" + name + "\r\n" + YencLines(bytes) +
           "=yend size=" + std::to_string(bytes.size()) + " crc32=" + Hex(Crc32(bytes.data(), bytes.size())) + "\r\n";
}

// Part `part` of `total` of the file, holding its bytes [begin, end) (0-based here, 1-based in
// the block), as an article with the part in its body.
std::string YencodePart(const std::string& name,
                        const std::string& file,
                        int part,
                        int total,
                        size_t begin,
                        size_t end) {
    std::string bytes = file.substr(begin, end - begin);
    return "Subject: " + name + " (" + std::to_string(part) + "/" + std::to_string(total) + ")\r\n\r\n" +
           "=ybegin part=" + std::to_string(part) + " total=" + std::to_string(total) +
           " line=128 size=" + std::to_string(file.size()) + " name=" + name +
           "\r\n=ypart begin=" + std::to_string(begin + 1) + " end=" + std::to_string(end) + "\r\n" + YencLines(bytes) +
           "=yend size=" + std::to_string(bytes.size()) + " part=" + std::to_string(part) +
           " pcrc32=" + Hex(Crc32(bytes.data(), bytes.size())) + " crc32=" + Hex(Crc32(file.data(), file.size())) +
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

TEST(Yenc, PartsJoinInTheirByteOrderAndEveryGapOrDamageIsNamed) {
    const std::string file = AllBytes();  // 768 bytes in four parts of 200, 200, 200, 168
    std::vector<std::string> parts;
    for (int i = 0; i < 4; ++i)
        parts.push_back(YencodePart("big.jpg", file, i + 1, 4, i * 200, i == 3 ? file.size() : (i + 1) * 200));
    auto without = [](std::string text, const std::string& what) {
        size_t at = text.find(what);
        return at == std::string::npos ? text : text.erase(at, what.size());
    };
    struct Case {
        const char* what;
        std::vector<std::string> texts;
        const char* problem;  // null: joined
    } cases[] = {
        {"shuffled", {parts[2], parts[0], parts[3], parts[1]}, nullptr},
        {"one missing", {parts[0], parts[1], parts[3]}, "Part 3 of 4 is missing."},
        {"two missing", {parts[1], parts[2]}, "Part 1 of 4 is missing.\nPart 4 of 4 is missing."},
        {"a gap, no count",
         {without(parts[0], " total=4"), without(parts[2], " total=4"), without(parts[3], " total=4")},
         "Bytes 201 to 400 of big.jpg are missing."},
        {"a damaged part",
         {parts[0], Replaced(parts[1], "pcrc32=", "pcrc32=1"), parts[2], parts[3]},
         "Part 2 of 4 is damaged."},
        {"a part twice",
         {parts[0], parts[1], parts[1], parts[2], parts[3]},
         "Part 2 of 4 overlaps the part before it."},
        {"another file",
         {parts[0], YencodePart("other.jpg", file, 2, 4, 200, 400)},
         "The selected parts belong to different files."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<const std::string*> texts;
        for (const std::string& t : c.texts)
            texts.push_back(&t);
        YencJoin join = JoinYencParts(texts);
        EXPECT_TRUE(join.found);
        EXPECT_EQ(c.problem ? c.problem : "", join.problem);
        EXPECT_EQ(c.problem ? "" : file, join.bytes);
        EXPECT_EQ("big.jpg", join.fileName);
    }

    // A whole file in one block, or no yEnc at all, is nothing to join.
    std::string whole = Yencode("a.gif", "x"), plain = "Subject: s\r\n\r\ntext\r\n";
    EXPECT_FALSE(JoinYencParts({&whole, &plain}).found);
}

}  // namespace
