// Pictures in articles: names from strangers, the uudecoder, the folder they are saved into and
// the conversion that shows them.
#include "tests/nntp/PictureTest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "mime/MimeMessage.h"
#include "nntp/BodyConverter.h"
#include "nntp/PictureBudget.h"
#include "nntp/PictureFileName.h"
#include "nntp/Uudecode.h"

namespace {

std::string Bytes(size_t n, int seed = 0) {
    std::string b(n, '\0');
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<char>((i * 37 + seed * 11 + 5) & 0xFF);
    return b;
}

TEST(PictureFileName, ArticleNamesNeverBecomePathsOrDevices) {
    const std::pair<std::string, std::string> cases[] = {
        {"../../x.jpg", "x.jpg"},
        {"..\\x.gif", "x.gif"},
        {"C:\\x.jpg", "x.jpg"},
        {"C:x.jpg", "x.jpg"},
        {"a<b>|?*\"\t.gif", "ab.gif"},
        {"x.jpg . ", "x.jpg"},
        {"", ""},
        {"..", ""},
        {"dir/", ""},
        {"NUL.gif", ""},
        {"nul .tar.gif", ""},
        {"CON", ""},
        {"com1.jpg", ""},
        {"COM10.gif", "COM10.gif"},
        // superscript port numbers count too, in the Western code page and in UTF-8
        {"lpt\xC2\xB3.jpg", ""},
        {"COM\xC2\xB9 .gif", ""},
        // a double-byte character whose trail byte is "\" is no separator; a lone lead byte goes
        {"\x81\x5C.jpg", "\x81\x5C.jpg"},
        {"a\x81/b.gif", "b.gif"},
        {"b.gif\x81", "b.gif"},
        // long names are cut to 200 bytes, keeping the extension and whole characters
        {std::string(300, 'a') + ".jpeg", std::string(195, 'a') + ".jpeg"},
        {"a" + std::string(300, '\xC4') + ".gif", "a" + std::string(194, '\xC4') + ".gif"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, SafePictureFileName(c.first)) << c.first;

    EXPECT_EQ(std::string(192, 'a') + " (7).gif", NumberedFileName(std::string(196, 'a') + ".gif", 7));
    EXPECT_EQ("x (2).jpg", NumberedFileName("x.jpg", 2));
    EXPECT_TRUE(IsImageFileName("d.x.JPEG"));
    EXPECT_FALSE(IsImageFileName("a.gif.txt"));
    EXPECT_EQ(
        "x\x81"
        "Ab.gif",
        LowerFileName("X\x81"
                      "AB.GIF"));  // a trail byte keeps its value
}

TEST(Uudecode, DecodesWhatWasEncodedAndStopsAtTheBuffer) {
    for (size_t n : {0, 1, 2, 3, 44, 45, 46, 200}) {
        std::string bytes = Bytes(n);
        std::string block = Uuencode("x.gif", bytes);
        std::vector<char> out(block.size());
        size_t decoded = 99;
        ASSERT_TRUE(UudecodeBlock(block.data(), block.size(), out.data(), out.size(), &decoded));
        EXPECT_EQ(bytes, std::string(out.data(), decoded)) << n;
    }
    // Length characters that claim far more than the lines hold: output ends at the buffer.
    const std::string hostile = "M\nM!!\n}}}}\nM";
    for (size_t capacity : {0, 1, 5, 12}) {
        std::vector<char> out(capacity);
        size_t decoded = 99;
        ASSERT_TRUE(UudecodeBlock(hostile.data(), hostile.size(), out.data(), capacity, &decoded));
        EXPECT_EQ(capacity, decoded);
    }
    // Trailing blanks dropped by a transport were zero bits: "#" claims 3 bytes from "!!".
    std::vector<char> out(8);
    size_t decoded = 0;
    UudecodeBlock("#!!\r\n", 5, out.data(), out.size(), &decoded);
    EXPECT_EQ(std::string("\x04\x10\x00", 3), std::string(out.data(), decoded));
    EXPECT_FALSE(UudecodeBlock(nullptr, 0, out.data(), 1, &decoded));
}

TEST(Uudecode, BlockWithoutEndRunsToTheEndOfTheText) {
    UuBlock block;
    std::string text = "begin 644 a b.gif \r\nM!!\r\n";
    ASSERT_TRUE(FindUuBlock(text, 0, &block));
    EXPECT_EQ("b.gif", block.fileName);
    EXPECT_EQ(text.size(), block.end);
    EXPECT_FALSE(FindUuBlock(text, block.end, &block));
}

class ConvertBodyTest : public ::testing::Test {
protected:
    bool Convert(const std::string& body, const std::string& header = kHeader) {
        PictureFolder folder("C:\\Temp", files);
        converted.clear();
        return ConvertBody(header + body, folder, &converted);
    }
    bool Convert(const std::string& body, const std::string& header, PictureBudget& budget) {
        PictureFolder folder("C:\\Temp", files);
        converted.clear();
        return ConvertBody(header + body, folder, budget, &converted);
    }
    bool Shows(const std::string& name) const { return converted.find(">" + name + "</font>") != std::string::npos; }

    static constexpr const char* kHeader = "Subject: pics\r\nContent-Type: text/plain; charset=gb2312\r\n\r\n";
    MapPictureFiles files;
    std::string converted;
};

TEST_F(ConvertBodyTest, UuencodedPictureBecomesAFileAndAnHtmlPart) {
    std::string photo = Bytes(100);
    ASSERT_TRUE(Convert("Look:\r\n" + Uuencode("photo.jpg", photo) + "bye\r\n"));
    EXPECT_EQ(photo, files.files["C:\\Temp\\photo.jpg"]);

    MimeMessage message;
    ASSERT_GT(message.Load(converted.data(), static_cast<int>(converted.size())), 0);
    EXPECT_EQ("multipart/mixed", message.GetFieldValue("Content-Type").substr(0, 15));
    EXPECT_EQ(0, message.GetContentLength());
    ASSERT_EQ(2u, message.Parts().size());
    const MimeBody& text = *message.Parts().front();
    EXPECT_EQ("text/plain; charset=gb2312", text.GetFieldValue("Content-Type"));
    EXPECT_EQ(0, std::string(text.GetContentData()).find("Look:\r\nbegin 644 photo.jpg"));
    const MimeBody& html = *message.Parts().back();
    EXPECT_EQ("text/html", html.GetFieldValue("Content-Type"));
    EXPECT_STREQ(
        "<HTML><HEAD></HEAD><BODY><font face=\"Tahoma\" size=\"2\">photo.jpg</font></P>"
        "<IMG SRC=\"C:\\Temp\\photo.jpg\"></P></BODY></HTML>",
        html.GetContentData());

    // a non-picture block cancels everything; so does an article without pictures
    EXPECT_FALSE(Convert("x\r\n" + Uuencode("photo.jpg", "abc") + Uuencode("notes.txt", "t")));
    EXPECT_EQ("", converted);
    EXPECT_FALSE(Convert("plain text\r\n"));
}

TEST_F(ConvertBodyTest, ImagePartIsSavedUnderItsLowerCasedName) {
    ASSERT_TRUE(Convert(
        "--b\r\nContent-Type: text/plain\r\n\r\nhello\r\n"
        "--b\r\nContent-Type: image/gif; name=\"A.GIF\"\r\nContent-Transfer-Encoding: base64\r\n\r\nR0lGODlh\r\n"
        "--b\r\nContent-Type: application/octet-stream; name=\"x.exe\"\r\n\r\nMZ\r\n"
        "--b\r\nContent-Type: image/gif; name=\"y.hta\"\r\n\r\nMZ\r\n--b--\r\n",
        "Subject: p\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"));
    EXPECT_EQ(1u, files.files.size());
    EXPECT_EQ("GIF89a", files.files["C:\\Temp\\a.gif"]);
    EXPECT_NE(std::string::npos, converted.find(">a.gif</font></P><IMG SRC=\"C:\\Temp\\a.gif\">"));
    MimeMessage message;
    ASSERT_GT(message.Load(converted.data(), static_cast<int>(converted.size())), 0);
    EXPECT_EQ(5u, message.Parts().size());  // the four parts stay, the page follows
}

TEST_F(ConvertBodyTest, SamePictureReusesItsFileAndADifferentOneGetsItsOwnName) {
    files.files["C:\\Temp\\x.gif"] = "someone else's file";
    std::string body = "t\r\n" + Uuencode("x.gif", Bytes(60));
    ASSERT_TRUE(Convert(body));
    EXPECT_EQ("someone else's file", files.files["C:\\Temp\\x.gif"]);
    EXPECT_EQ(Bytes(60), files.files["C:\\Temp\\x (2).gif"]);

    int writes = files.writes;  // opened again: the same file, nothing rewritten
    ASSERT_TRUE(Convert(body));
    EXPECT_EQ(writes, files.writes);
    EXPECT_NE(std::string::npos, converted.find("SRC=\"C:\\Temp\\x (2).gif\""));
}

TEST_F(ConvertBodyTest, HostileNamesAreReducedAndEscapedAndFailuresLeftOut) {
    files.refused.insert("C:\\Temp\\a.gif");
    files.unreadable.insert("C:\\Temp\\b.gif");
    ASSERT_TRUE(Convert("t\r\n" + Uuencode("../../a&b'<i>.jpg", "abc") + Uuencode("NUL.gif", "def") +
                        Uuencode("C:\\Windows\\c\".jpg", "ghi") + Uuencode("a.gif", "aaa") + Uuencode("b.gif", "bbb")));
    EXPECT_EQ(3u, files.files.size());
    EXPECT_EQ("abc", files.files["C:\\Temp\\a&b'i.jpg"]);
    EXPECT_EQ("ghi", files.files["C:\\Temp\\c.jpg"]);
    EXPECT_TRUE(Shows("a&amp;b&#39;i.jpg"));
    EXPECT_TRUE(Shows("b (2).gif"));
    EXPECT_FALSE(Shows("a.gif"));
    EXPECT_FALSE(Shows("NUL.gif"));
    EXPECT_FALSE(Convert("t\r\n" + Uuencode("a.gif", "aaa")));  // nothing saved: not converted
}

TEST_F(ConvertBodyTest, BareLineFeedArticleConvertsWithTheWholeName) {
    ASSERT_TRUE(Convert("hi\n" + Uuencode("pic.bmp", Bytes(10), "\n") + "bye\n", "Subject: lf\nFrom: a@b\n\n"));
    EXPECT_EQ(Bytes(10), files.files["C:\\Temp\\pic.bmp"]);
    // the folder gets its separator, but not from a double-byte character ending in the byte of "\"
    EXPECT_EQ("C:\\\x81\x5C\\", PictureFolder("C:\\\x81\x5C", files).Folder());
    EXPECT_EQ("/tmp/", PictureFolder("/tmp/", files).Folder());
}

TEST_F(ConvertBodyTest, PicturesPastTheLimitsStayTextAndTheEarlierOnesShow) {
    struct Case {
        bool mime;
        int pictures;
        size_t size;
        PictureBudget budget;
        int shown;
    };
    Case cases[] = {
        {false, 51, 3, PictureBudget(), 50},
        {true, 51, 3, PictureBudget(), 50},
        // 300-byte pictures against 1000 bytes: the fourth would pass the limit, so it and the
        // fifth (which would still fit after a refusal of the fourth alone) stay text
        {false, 5, 300, PictureBudget(50, 1000), 3},
        {true, 5, 300, PictureBudget(50, 1000), 3},
        {false, 4, 250, PictureBudget(50, 1000), 4},  // reaching the limit exactly is allowed
    };
    for (Case& c : cases) {
        files = MapPictureFiles();
        std::string body = c.mime ? "--b\r\nContent-Type: text/plain\r\n\r\nhi\r\n" : "hi\r\n";
        for (int i = 1; i <= c.pictures; ++i) {
            std::string name = "p" + std::to_string(i) + ".gif";
            // the last picture is small: it would fit the bytes left, yet stays text
            size_t size = i == c.pictures && c.shown < c.pictures ? 1 : c.size;
            if (c.mime)
                body += "--b\r\nContent-Type: image/gif; name=\"" + name + "\"\r\n\r\n" +
                        std::string(size, static_cast<char>('a' + i % 26)) + "\r\n";
            else
                body += Uuencode(name, Bytes(size, i));
        }
        if (c.mime)
            body += "--b--\r\n";
        std::string header = c.mime ? "Subject: p\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n" : kHeader;
        SCOPED_TRACE(std::string(c.mime ? "mime " : "uu ") + std::to_string(c.pictures) + "x" + std::to_string(c.size));
        ASSERT_TRUE(Convert(body, header, c.budget));
        EXPECT_EQ(static_cast<size_t>(c.shown), files.files.size());
        for (int i = 1; i <= c.pictures; ++i)
            EXPECT_EQ(i <= c.shown, Shows("p" + std::to_string(i) + ".gif")) << i;
        // what was not converted is still there as text, in the first part or as its own part
        std::string last = "p" + std::to_string(c.pictures) + ".gif";
        EXPECT_NE(std::string::npos, converted.find(c.mime ? "name=\"" + last + "\"" : "begin 644 " + last));
    }

    // The limits a message gets unless told otherwise.
    PictureBudget standard;
    EXPECT_EQ(50, standard.MaxPictures());
    EXPECT_EQ(size_t{64} << 20, standard.MaxBytes());
    EXPECT_TRUE(standard.Admits(size_t{64} << 20));
    standard.Saved(size_t{64} << 20);
    EXPECT_FALSE(standard.Admits(1));
}

TEST(DiskPictureFiles, TellsAMissingFileFromAReadOne) {
    DiskPictureFiles disk;
    std::string path = "rp_picture_test.gif", bytes;
    std::remove(path.c_str());
    EXPECT_EQ(PictureFiles::kMissing, disk.Read(path, &bytes));
    ASSERT_TRUE(disk.Write(path, std::string("GIF\0x", 5)));
    EXPECT_EQ(PictureFiles::kRead, disk.Read(path, &bytes));
    EXPECT_EQ(std::string("GIF\0x", 5), bytes);
    std::remove(path.c_str());
}

}  // namespace
