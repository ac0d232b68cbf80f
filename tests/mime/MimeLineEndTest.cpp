// Odd line ends inside a multipart: what is read, once stored and read again, must be the same
// tree, because the plug-in stores users' messages back after changing them.
#include <gtest/gtest.h>

#include <string>

#include "mime/MimeMessage.h"

namespace {

std::string Describe(const MimeBody& body) {
    std::string content;
    body.GetContent(content);
    std::string out = "{";
    for (const MimeField& f : body.Fields())
        out += f.GetName() + "=" + f.GetValue() + ";";
    out += "[" + content + "]";
    for (const auto& part : body.Parts())
        out += Describe(*part);
    return out + "}";
}

TEST(LineEnds, PartHeadersEndingInALoneCrKeepTheirShapeWhenStored) {
    const std::string head = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
    struct Case {
        const char* name;
        std::string body;  // after `head`
        size_t firstPartFields;
    } cases[] = {
        {"before a delimiter line", "--b\r\nX: 1\r\n\r--b\r\n\r\ntwo\r\n--b--\r\n", 0},
        {"before the closing line", "--b\r\nX: 1\r\n\r--b--\r\nafter\r\n--b--\r\n", 0},
        {"after a field ending in a bare LF", "--b\r\nX: 1\n\r\n\r--b\r\n\r\ntwo\r\n--b--\r\n", 0},
        {"of a nested part, before the outer line",
         "--b\r\nContent-Type: multipart/mixed; boundary=c\r\n\r\n--c\r\nX: 1\r\n\r--b\r\nin\r\n--c--\r\n--b--\r\n", 1},
        {"of a part with the same boundary",
         "--b\r\nContent-Type: multipart/mixed; boundary=b\r\n\r--b\r\n\r\nin\r\n--b--\r\n", 0},
        {"before a longer boundary", "--b\r\nX: 1\r\n\r--bb\r\n--b--\r\n", 1},
        {"before text", "--b\r\nX: 1\r\n\rtext\r\n--b--\r\n", 1},
    };
    for (const Case& c : cases) {
        const std::string text = head + c.body;
        MimeMessage msg;
        ASSERT_GT(msg.Load(text.data(), static_cast<int>(text.size())), 0) << c.name;
        ASSERT_EQ(msg.Parts().size(), 1u) << c.name;
        EXPECT_EQ(msg.Parts().front()->Fields().size(), c.firstPartFields) << c.name;
        std::string stored;
        ASSERT_TRUE(msg.StoreToString(stored)) << c.name;
        MimeMessage again;
        ASSERT_GT(again.Load(stored.data(), static_cast<int>(stored.size())), 0) << c.name;
        EXPECT_EQ(Describe(again), Describe(msg)) << c.name << ": " << stored;
        std::string storedAgain;
        ASSERT_TRUE(again.StoreToString(storedAgain)) << c.name;
        EXPECT_EQ(storedAgain, stored) << c.name;
    }
}

// Storing writes a bare line break in a field as a blank, so the nesting is read from the
// Content-Type as it will read back.
TEST(LineEnds, BareLineBreaksInTheContentTypeNestAsOnceStored) {
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {
        {"before the media type", "Content-Type: \n\nmultipart/mixed; boundary=b\r\n\r\n--b\r\n\r\none\r\n--b--\r\n"},
        {"inside the boundary",
         "Content-Type: multipart/mixed; boundary=\"a\nb\"\r\n\r\n--a b\r\n\r\none\r\n--a b--\r\n"},
    };
    for (const Case& c : cases) {
        MimeMessage msg;
        ASSERT_GT(msg.Load(c.text.data(), static_cast<int>(c.text.size())), 0) << c.name;
        EXPECT_EQ(msg.Parts().size(), 1u) << c.name;
        std::string stored;
        ASSERT_TRUE(msg.StoreToString(stored)) << c.name;
        MimeMessage again;
        ASSERT_GT(again.Load(stored.data(), static_cast<int>(stored.size())), 0) << c.name;
        // The field's value itself reads back with blanks for the line breaks.
        ASSERT_EQ(again.Parts().size(), 1u) << c.name << ": " << stored;
        EXPECT_EQ(Describe(*again.Parts().front()), Describe(*msg.Parts().front())) << c.name;
    }
}

// A multipart's own content ends with the CR LF before its first delimiter line. Decoded
// quoted-printable content may lose that CR LF (a soft break, an escape that takes the CR), and
// must still read back as it was; content that keeps it stores exactly as it was read.
TEST(LineEnds, QuotedPrintablePreamblesReadBackAsTheyWere) {
    const std::string head =
        "Content-Type: multipart/mixed; boundary=b\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n";
    const std::string tail = "--b\r\n\r\none\r\n--b--\r\n";
    struct Case {
        const char* name;
        std::string preamble;
        bool storedAsRead;
    } cases[] = {
        {"escape taking the CR", "pre=4\r\n", false},
        {"soft break", "pre=\r\n", false},
        {"trailing blank", "pre =\r\n", false},
        {"line end", "pre=3D\r\n", true},
    };
    for (const Case& c : cases) {
        const std::string text = head + c.preamble + tail;
        MimeMessage msg;
        ASSERT_GT(msg.Load(text.data(), static_cast<int>(text.size())), 0) << c.name;
        std::string stored;
        ASSERT_TRUE(msg.StoreToString(stored)) << c.name;
        MimeMessage again;
        ASSERT_GT(again.Load(stored.data(), static_cast<int>(stored.size())), 0) << c.name;
        EXPECT_EQ(Describe(again), Describe(msg)) << c.name << ": " << stored;
        if (c.storedAsRead)
            EXPECT_EQ(stored, text) << c.name;
    }
}

// A lone CR before ordinary content was always read as the header's end and stored as CR LF;
// messages like that must keep storing exactly as they did.
TEST(LineEnds, ALoneCrBeforeTextStoresAsBefore) {
    const std::string text = "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nX: 1\r\n\rtext\r\n--b--\r\n";
    MimeMessage msg;
    ASSERT_GT(msg.Load(text.data(), static_cast<int>(text.size())), 0);
    std::string stored;
    ASSERT_TRUE(msg.StoreToString(stored));
    EXPECT_EQ(stored, "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nX: 1\r\n\r\ntext\r\n--b--\r\n");
}

}  // namespace
