// The message model: fields, headers, bodies, parts, boundaries, and parsing hostile input.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "mime/MimeMessage.h"
#include "tests/mime/HostileInputs.h"

namespace {

std::string Store(const MimeBody& body) {
    std::string out;
    EXPECT_TRUE(body.StoreToString(out));
    return out;
}

int Load(MimeBody& body, const std::string& text) {
    return body.Load(text.data(), static_cast<int>(text.size()));
}

std::string Content(const MimeBody& body) {
    std::string out;
    body.GetContent(out);
    return out;
}

const MimeBody& Part(const MimeBody& body, size_t index) {
    auto it = body.Parts().begin();
    std::advance(it, index);
    return **it;
}

TEST(FieldLoad, ReadsOneFieldWithItsContinuationLines) {
    struct Case {
        std::string in;
        int consumed;
        std::string name, value;
    } cases[] = {
        {"Subject: a\r\n\tb\r\nX: y\r\n", 16, "Subject", "a\r\n\tb"},
        {"To:   a@b\r\n", 11, "To", "a@b"},
        {"X-Empty:\r\n", 10, "X-Empty", ""},
        {"no colon here\r\n", 15, "", "no colon here"},
        {" stray\r\n\tmore\r\nName: v\r\n", 24, "Name", "v"},  // leading continuation lines skipped
        {"Name : v\r\n", 10, "Name ", "v"},                    // the name is not trimmed
        {"A: b\r\n", 6, "A", "b"},
        {"A: b", 0, "", ""},                // no CR LF
        {"A: b\r\n continued", 0, "", ""},  // continuation without CR LF
        {"\r\n", 0, "", ""},                // the empty line is no field
        {" \r\n", 0, "", ""},               // blank line ends in CR: fails
        {"A: b\n c\r\n", 9, "A", "b\n c"},  // bare LF is part of the value
        {std::string("A: \0b\r\n", 7), 7, "A", std::string("\0b", 2)},
    };
    for (const Case& c : cases) {
        MimeField f;
        EXPECT_EQ(f.Load(c.in.data(), static_cast<int>(c.in.size())), c.consumed) << c.in;
        if (c.consumed > 0) {
            EXPECT_EQ(f.GetName(), c.name) << c.in;
            EXPECT_EQ(f.GetValue(), c.value) << c.in;
        }
    }
}

TEST(FieldLoad, DecodesQWordUnderscoresAsSpaces) {
    MimeMessage msg;
    ASSERT_GT(Load(msg, "Subject: =?utf-8?Q?Hello_world?=\r\n\r\n"), 0);
    EXPECT_EQ(msg.GetFieldValue("subject"), "Hello world");
    EXPECT_EQ(msg.FindField("Subject")->GetCharset(), "utf-8");
    // Stored again with its charset, the space goes out escaped, never as '_' meaning '_'.
    EXPECT_EQ(Store(msg), "Subject: Hello world\r\n\r\n");
}

TEST(FieldParameters, FindsAndReplacesParameters) {
    struct Case {
        std::string value, attribute;
        bool found;
        std::string out;
    } cases[] = {
        {"text/plain; name=\"a b.txt\"", "name", true, "a b.txt"},
        {"text/plain; NAME=x", "name", true, "x"},
        {"text/plain; filename=x", "name", false, ""},
        {"text/plain; name*=x", "name", false, ""},
        {"text/plain; name =x", "name", true, "x"},
        {"text/plain;;; ;name=x.y/z", "name", true, "x.y/z"},
        {"a; b; c; name=\"unterminated", "name", true, "unterminated"},
        {"a; name=\"\"", "name", true, ""},
        {"a; charset=gb2312 (comment)", "charset", true, "gb2312"},
        {"name=x", "name", false, ""},  // parameters follow a ';'
        {"a; name", "name", false, ""},
    };
    for (const Case& c : cases) {
        MimeField f("Content-Type", c.value);
        std::string out = "junk";
        EXPECT_EQ(f.GetParameter(c.attribute, out), c.found) << c.value;
        EXPECT_EQ(out, c.out) << c.value;
    }

    MimeField f("Content-Type", "multipart/mixed");
    f.SetParameter("boundary", "x");
    EXPECT_EQ(f.GetValue(), "multipart/mixed; boundary=\"x\"");
    f.SetParameter("BOUNDARY", "\"y\"");
    EXPECT_EQ(f.GetValue(), "multipart/mixed; boundary=\"y\"");
    MimeField g("Content-Type", "text/plain; charset=us-ascii; format=flowed");
    g.SetParameter("charset", "gb2312");
    EXPECT_EQ(g.GetValue(), "text/plain; charset=\"gb2312\"; format=flowed");
}

TEST(FieldParameters, StayLinearWithThousandsOfParameters) {
    std::string value = "text/plain";
    for (int i = 0; i < 50000; ++i)
        value += ";a";
    value += "; name=found";
    MimeField f("Content-Type", value);
    std::string out;
    EXPECT_TRUE(f.GetParameter("name", out));
    EXPECT_EQ(out, "found");
}

TEST(Header, KeepsOrderAndFindsFieldsIgnoringCase) {
    MimeHeader h;
    std::string text = "From: a@b\r\nSubject: one\r\nsubject: two\r\n\r\nbody";
    EXPECT_EQ(h.Load(text.data(), static_cast<int>(text.size())), static_cast<int>(text.size()) - 4);
    ASSERT_EQ(h.Fields().size(), 3u);
    EXPECT_EQ(h.GetFieldValue("SUBJECT"), "one");
    h.SetField("SUBJECT", "new");
    EXPECT_EQ(h.Fields().begin()->GetName(), "From");
    EXPECT_EQ(std::next(h.Fields().begin())->GetName(), "SUBJECT");
    h.SetField("X-New", "v");
    EXPECT_EQ(h.Fields().back().GetName(), "X-New");
    EXPECT_TRUE(h.RemoveField("subject"));
    EXPECT_EQ(h.GetFieldValue("Subject"), "two");
    EXPECT_FALSE(h.RemoveField("absent"));
}

TEST(Header, MediaTypes) {
    struct Case {
        const char* contentType;
        int media;
        std::string main;
    } cases[] = {
        {nullptr, MimeHeader::kMediaText, "text"},
        {"text/plain", MimeHeader::kMediaText, "text"},
        {"IMAGE/gif", MimeHeader::kMediaImage, "IMAGE"},
        {"Multipart/Mixed; boundary=x", MimeHeader::kMediaMultipart, "Multipart"},
        {"message/rfc822", MimeHeader::kMediaMessage, "message"},
        {"application/octet-stream", MimeHeader::kMediaApplication, "application"},
        {"x-custom", MimeHeader::kMediaUnknown, "x-custom"},
    };
    for (const Case& c : cases) {
        MimeHeader h;
        if (c.contentType)
            h.SetField("Content-Type", c.contentType);
        EXPECT_EQ(h.GetMediaType(), c.media) << (c.contentType ? c.contentType : "none");
        EXPECT_EQ(h.GetMainType(), c.main);
    }
}

TEST(Header, StoreFailsWhenTheBufferIsTooSmall) {
    MimeHeader h;
    h.SetField("Subject", "hello");
    std::string buf(h.GetLength() + 8, '#');
    int n = h.Store(&buf[0], h.GetLength());
    EXPECT_EQ(buf.substr(0, n), "Subject: hello\r\n\r\n");
    for (int size = 0; size < n; ++size) {
        std::string small(size + 1, '#');
        EXPECT_EQ(h.Store(&small[0], size), 0) << size;
        EXPECT_EQ(small[size], '#') << size;
    }
}

int BoundaryCounter(const std::string& boundary) {
    std::smatch m;
    static const std::regex re("__=_Part_Boundary_(\\d{3})_\\d{6,}\\.\\d{6,}");
    EXPECT_TRUE(std::regex_match(boundary, m, re)) << boundary;
    return m.empty() ? -1 : std::stoi(m[1]);
}

TEST(Boundary, GeneratedBoundariesCountOneToNine) {
    MimeHeader h;
    std::string previous;
    int last = -1;
    for (int i = 0; i < 20; ++i) {
        h.SetBoundary();
        int counter = BoundaryCounter(h.GetBoundary());
        EXPECT_GE(counter, 1);
        EXPECT_LE(counter, 9);
        if (last > 0) {
            EXPECT_EQ(counter, last == 9 ? 1 : last + 1);
        }
        last = counter;
    }
}

TEST(Boundary, SameObjectWithinOneSecondDiffersOnlyInTheCounter) {
    MimeHeader h;
    for (int attempt = 0; attempt < 5; ++attempt) {
        time_t before = time(nullptr);
        std::string b[3];
        for (std::string& s : b) {
            h.SetBoundary();
            s = h.GetBoundary();
        }
        if (time(nullptr) != before)
            continue;
        EXPECT_EQ(b[0].substr(22), b[1].substr(22));
        EXPECT_EQ(b[1].substr(22), b[2].substr(22));
        EXPECT_NE(b[0], b[1]);
        return;
    }
}

TEST(Boundary, MakesTheHeaderMultipart) {
    MimeHeader h;
    h.SetBoundary("abc");
    EXPECT_EQ(h.GetFieldValue("Content-Type"), "multipart/mixed; boundary=\"abc\"");

    MimeHeader t;
    t.SetField("Content-Type", "text/plain; charset=gb2312");
    t.SetBoundary("x");
    EXPECT_EQ(t.GetFieldValue("Content-Type"), "multipart/mixed; boundary=\"x\"");

    MimeHeader m;
    m.SetField("Content-Type", "multipart/alternative; boundary=old");
    m.SetBoundary("new");
    EXPECT_EQ(m.GetFieldValue("Content-Type"), "multipart/alternative; boundary=\"new\"");
}

const char kMultipart[] =
    "Content-Type: multipart/mixed; boundary=\"b1\"\r\n"
    "\r\n"
    "This is the preamble.\r\n"
    "--b1\r\n"
    "Content-Type: text/plain\r\n"
    "\r\n"
    "first\r\n"
    "--b1\r\n"
    "Content-Type: application/octet-stream; name=\"x.bin\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "AAEC/w==\r\n"
    "--b1--\r\n"
    "trailing text";

TEST(BodyLoad, SplitsPreamblePartsAndStopsAtTheClosingLine) {
    MimeMessage msg;
    std::string text = kMultipart;
    int consumed = Load(msg, text);
    EXPECT_EQ(consumed, static_cast<int>(text.size() - strlen("trailing text")));
    EXPECT_EQ(Content(msg), "This is the preamble.\r\n");
    ASSERT_EQ(msg.Parts().size(), 2u);
    EXPECT_EQ(Content(Part(msg, 0)), "first");
    EXPECT_EQ(Content(Part(msg, 1)), std::string("\x00\x01\x02\xFF", 4));
    std::list<MimeBody*> attachments;
    EXPECT_EQ(msg.GetAttachments(attachments), 1);
    EXPECT_EQ(attachments.front()->GetName(), "x.bin");
}

TEST(BodyLoad, EdgeCasesOfDelimiters) {
    struct Case {
        const char* name;
        std::string body;  // after "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
        int parts;
        std::string preamble;
        bool consumedAll;
    } cases[] = {
        {"delimiter right after the header", "--b\r\n\r\none\r\n--b--\r\n", 1, "", true},
        {"never closed", "--b\r\n\r\none\r\n--b\r\n\r\ntwo", 2, "", true},
        {"closing line without CR LF", "--b\r\n\r\none\r\n--b--", 1, "", true},
        {"delimiter line without CR LF at the end", "--b\r\n\r\none\r\n--b", 1, "", true},
        {"no delimiter at all", "just text", 0, "just text", true},
        {"empty part", "--b\r\n--b\r\n\r\nx\r\n--b--\r\n", 2, "", true},
        {"padding after the boundary", "--b  \r\n\r\none\r\n--b--  \r\nrest", 1, "", false},
        {"longer boundary with ours as prefix", "pre\r\n--bb\r\n--b\r\n\r\none\r\n--b--\r\n", 1, "pre\r\n--bb\r\n",
         true},
        {"garbage after the boundary", "--b\r\n\r\none\r\n--b x\r\n--b--\r\n", 1, "", true},
    };
    for (const Case& c : cases) {
        MimeMessage msg;
        std::string text = "Content-Type: multipart/mixed; boundary=b\r\n\r\n" + c.body;
        int consumed = Load(msg, text);
        EXPECT_EQ(static_cast<int>(msg.Parts().size()), c.parts) << c.name;
        EXPECT_EQ(Content(msg), c.preamble) << c.name;
        if (c.consumedAll)
            EXPECT_EQ(consumed, static_cast<int>(text.size())) << c.name;
        else
            EXPECT_LT(consumed, static_cast<int>(text.size())) << c.name;
    }
}

TEST(BodyLoad, EmptyAndHeaderOnlyInput) {
    MimeMessage msg;
    EXPECT_EQ(msg.Load("", 0), 0);
    EXPECT_EQ(msg.Load(nullptr, 10), 0);
    EXPECT_EQ(Load(msg, "Subject: x"), 0);
    MimeMessage headerOnly;
    EXPECT_EQ(Load(headerOnly, "Subject: x\r\n"), 12);
    EXPECT_EQ(headerOnly.GetContentLength(), 0);
}

TEST(BodyStore, MultipartWithoutBoundaryFails) {
    MimeMessage msg;
    msg.SetField("Content-Type", "multipart/mixed");
    msg.CreatePart();
    std::vector<char> buf(msg.GetLength() + 100);
    EXPECT_EQ(msg.Store(buf.data(), static_cast<int>(buf.size())), -1);
}

TEST(BodyStore, SeparatorReusesTheHeadersLineEnd) {
    MimeMessage msg;
    msg.SetBoundary("b");
    msg.CreatePart()->SetContent("one", 0);
    EXPECT_EQ(Store(msg), "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n\r\none\r\n--b--\r\n");
    msg.SetContent("preamble", 0);
    EXPECT_EQ(Store(msg),
              "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\npreamble\r\n--b\r\n\r\none\r\n--b--\r\n");
}

// Builds the kind of message the news plug-in writes: encoded subject, alternative text, pictures.
void BuildSample(MimeMessage& msg) {
    msg.SetField("From", "\xD5\xC5\xC8\xFD <zhang@example.com>", "gb2312");
    msg.SetField("Newsgroups", "cn.test");
    msg.SetField("Subject", "\xB2\xE2\xCA\xD4 test subject that is long enough to need more than one word", "gb2312");
    msg.SetField("MIME-Version", "1.0");
    msg.SetBoundary(nullptr);
    MimeBody* alt = msg.CreatePart(MimeHeader::kMediaMultipart);
    alt->SetField("Content-Type", "multipart/alternative");
    alt->SetBoundary("alt-boundary");
    MimeBody* text = alt->CreatePart();
    text->SetField("Content-Type", "text/plain; charset=gb2312");
    text->SetField("Content-Transfer-Encoding", "quoted-printable");
    std::string body;
    for (int i = 0; i < 40; ++i)
        body += "Line " + std::to_string(i) + " \xD6\xD0\xCE\xC4 with = signs and trailing blank \r\n";
    body += ".\r\nlast";
    text->SetContent(body.data(), static_cast<int>(body.size()));
    MimeBody* html = alt->CreatePart();
    html->SetField("Content-Type", "text/html; charset=utf-8");
    html->SetContent("<p>hi</p>", 0);
    MimeBody* image = msg.CreatePart(MimeHeader::kMediaImage);
    image->SetField("Content-Type", "image/gif");
    image->FindField("Content-Type")->SetParameter("name", "A.GIF");
    image->SetField("Content-Transfer-Encoding", "base64");
    std::string gif;
    for (int i = 0; i < 1000; ++i)
        gif.push_back(static_cast<char>(i * 7 + i / 3));
    image->SetContent(gif.data(), static_cast<int>(gif.size()));
}

TEST(RoundTrip, StoreLoadStoreGivesTheSameText) {
    MimeMessage msg;
    BuildSample(msg);
    std::string first = Store(msg);
    MimeMessage again;
    EXPECT_EQ(Load(again, first), static_cast<int>(first.size()));
    std::string second = Store(again);
    EXPECT_EQ(second, first);
    // The decoded contents survive.
    ASSERT_EQ(again.Parts().size(), 2u);
    EXPECT_EQ(Content(Part(Part(again, 0), 0)), Content(Part(Part(msg, 0), 0)));
    EXPECT_EQ(Content(Part(again, 1)), Content(Part(msg, 1)));
    EXPECT_EQ(again.GetFieldValue("Subject"), msg.GetFieldValue("Subject"));
    EXPECT_EQ(again.GetFieldValue("From"), msg.GetFieldValue("From"));
}

TEST(RoundTrip, GetLengthBoundsStoreAndSmallBuffersFail) {
    MimeMessage msg;
    BuildSample(msg);
    int length = msg.GetLength();
    std::string buf(length + 1, '#');
    int n = msg.Store(&buf[0], length);
    ASSERT_GT(n, 0);
    EXPECT_LE(n, length);
    for (int size : {0, 1, n / 2, n - 1}) {
        std::string small(size + 1, '#');
        EXPECT_EQ(msg.Store(&small[0], size), -1) << size;
        EXPECT_EQ(small[size], '#') << size;
    }
}

// Nesting, fields and decoded contents of a body tree, for comparing two loads.
std::string Describe(const MimeBody& body) {
    std::string out = "{";
    for (const MimeField& f : body.Fields())
        out += f.GetName() + "=" + f.GetValue() + ";";
    out += "[" + Content(body) + "]";
    for (const auto& part : body.Parts())
        out += Describe(*part);
    return out + "}";
}

TEST(RoundTrip, MalformedPartsAndEpiloguesSurvive) {
    struct Case {
        const char* name;
        std::string body;  // after "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
        size_t parts;
        std::string kept;  // bytes the stored text must still hold
    } cases[] = {
        {"no empty line before the next delimiter", "--b\r\nContent-Type: text/plain\r\n--b\r\n\r\ntwo\r\n--b--\r\n", 2,
         "\r\nContent-Type: text/plain\r\n--b\r\n"},
        {"part without any line end", "--b\r\nno header at all\r\n--b--\r\n", 1, "no header at all\r\n--b--"},
        {"epilogue", "--b\r\n\r\none\r\n--b--\r\ntrailing text", 1, "--b--\r\ntrailing text"},
        {"epilogue of a nested multipart",
         "--b\r\nContent-Type: multipart/mixed; boundary=c\r\n\r\n--c\r\n\r\nin\r\n--c--\r\nafter c\r\n--b--\r\nafter "
         "b\r\n",
         1, "--c--\r\nafter c\r\n--b--\r\nafter b\r\n"},
        {"epilogue without parts", "pre\r\n--b--\r\nafter", 0, "pre\r\n--b--\r\nafter"},
    };
    for (const Case& c : cases) {
        MimeMessage msg;
        ASSERT_GT(Load(msg, "Content-Type: multipart/mixed; boundary=b\r\n\r\n" + c.body), 0) << c.name;
        EXPECT_EQ(msg.Parts().size(), c.parts) << c.name;
        std::string stored = Store(msg);
        EXPECT_NE(stored.find(c.kept), std::string::npos) << c.name << ": " << stored;
        MimeMessage again;
        ASSERT_GT(Load(again, stored), 0) << c.name;
        EXPECT_EQ(Describe(again), Describe(msg)) << c.name;
    }
}

// A message as a real client writes it: folded header, GBK and UTF-8 words, nested alternative,
// QP text and a base64 picture.
const char kRealWorld[] =
    "Path: news.example.net!not-for-mail\r\n"
    "From: =?GB2312?B?1cXI/Q==?= <zhang@example.com>\r\n"
    "Newsgroups: cn.comp.test\r\n"
    "Subject: =?UTF-8?B?5rWL6K+V?= =?UTF-8?Q?_caf=C3=A9?=\r\n"
    "Message-ID: <1@example.com>\r\n"
    "References: <a@example.com>\r\n"
    "\t<b@example.com>\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed;\r\n"
    "\tboundary=\"----=_NextPart_000\"\r\n"
    "\r\n"
    "This is a multi-part message in MIME format.\r\n"
    "\r\n"
    "------=_NextPart_000\r\n"
    "Content-Type: multipart/alternative; boundary=\"----=_NextPart_001\"\r\n"
    "\r\n"
    "\r\n"
    "------=_NextPart_001\r\n"
    "Content-Type: text/plain; charset=\"gb2312\"\r\n"
    "Content-Transfer-Encoding: quoted-printable\r\n"
    "\r\n"
    "=C4=E3=BA=C3 caf=E9 long line that was broken by the sender because it is far=\r\n"
    " too long\r\n"
    "a_b\r\n"
    "------=_NextPart_001\r\n"
    "Content-Type: text/html; charset=\"gb2312\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "PGI+xOO6wzwvYj4=\r\n"
    "\r\n"
    "------=_NextPart_001--\r\n"
    "\r\n"
    "------=_NextPart_000\r\n"
    "Content-Type: image/png; name=\"dot.png\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment; filename=\"dot.png\"\r\n"
    "\r\n"
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8/5+hHgAHggJ/\r\n"
    "PchI7wAAAABJRU5ErkJggg==\r\n"
    "\r\n"
    "------=_NextPart_000--\r\n";

TEST(RealWorld, DecodesEveryPartWithoutLoss) {
    MimeMessage msg;
    std::string text = kRealWorld;
    ASSERT_EQ(Load(msg, text), static_cast<int>(text.size()));
    EXPECT_EQ(msg.GetFieldValue("From"), "\xD5\xC5\xC8\xFD <zhang@example.com>");
    EXPECT_EQ(msg.FindField("From")->GetCharset(), "GB2312");
    EXPECT_EQ(msg.GetFieldValue("Subject"), "\xE6\xB5\x8B\xE8\xAF\x95 caf\xC3\xA9");
    EXPECT_EQ(msg.GetFieldValue("References"), "<a@example.com>\r\n\t<b@example.com>");
    EXPECT_EQ(msg.GetBoundary(), "----=_NextPart_000");
    ASSERT_EQ(msg.Parts().size(), 2u);
    const MimeBody& alt = Part(msg, 0);
    ASSERT_EQ(alt.Parts().size(), 2u);
    EXPECT_EQ(Content(Part(alt, 0)),
              "\xC4\xE3\xBA\xC3 caf\xE9 long line that was broken by the sender because it is far too long\r\na_b");
    EXPECT_EQ(Content(Part(alt, 1)), "<b>\xC4\xE3\xBA\xC3</b>");
    const MimeBody& png = Part(msg, 1);
    std::string bytes = Content(png);
    ASSERT_EQ(bytes.size(), 70u);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1A\n");
    EXPECT_EQ(bytes.substr(62), std::string("IEND\xAE\x42\x60\x82", 8));

    // Written out and read again, nothing changes any more.
    std::string stored = Store(msg);
    MimeMessage again;
    ASSERT_EQ(Load(again, stored), static_cast<int>(stored.size()));
    EXPECT_EQ(Store(again), stored);
    EXPECT_EQ(Content(Part(again, 1)), bytes);
}

TEST(RealWorld, EveryTruncationLoadsSafelyAndStoresWithinItsLength) {
    std::string text = kRealWorld;
    for (size_t len = 0; len <= text.size(); ++len) {
        std::string prefix = text.substr(0, len);  // exact-size copy: ASan sees any over-read
        MimeMessage msg;
        int consumed = Load(msg, prefix);
        ASSERT_LE(consumed, static_cast<int>(len));
        if (consumed < 1)
            continue;
        int length = msg.GetLength();
        std::vector<char> buf(length);
        int n = msg.Store(buf.data(), length);
        EXPECT_GT(n, 0) << len;
        EXPECT_LE(n, length);
    }
}

TEST(Hostile, DeepNestingStopsAtTheDepthLimit) {
    const int depth = 5000;
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "Content-Type: multipart/mixed; boundary=\"b" + std::to_string(i) + "\"\r\n\r\n--b" +
                std::to_string(i) + "\r\n";
    text += "\r\ninnermost";
    MimeMessage msg;
    EXPECT_EQ(Load(msg, text), static_cast<int>(text.size()));
    int levels = 0;
    const MimeBody* body = &msg;
    while (!body->Parts().empty()) {
        body = body->Parts().front().get();
        ++levels;
    }
    EXPECT_EQ(levels, MimeBody::kMaxDepth);
    // The last part keeps the deeper text as its content.
    std::string rest = Content(*body);
    EXPECT_NE(rest.find("--b64\r\n"), std::string::npos);
    EXPECT_NE(rest.find("innermost"), std::string::npos);
}

// Their speed is measured in bench_mime ("hostile" rows); here they must load and store whole.
TEST(Hostile, LargeInputsLoadAndStoreWhole) {
    for (const auto& input : HostileInputs()) {
        const std::string* text = &input.second;
        MimeMessage msg;
        EXPECT_EQ(Load(msg, *text), static_cast<int>(text->size())) << input.first;
        std::string out;
        EXPECT_TRUE(msg.StoreToString(out));
    }
}

TEST(Parts, CreateInsertEraseAndAttachments) {
    MimeMessage msg;
    msg.SetBoundary("b");
    MimeBody* last = msg.CreatePart();
    MimeBody* first = msg.CreatePart(MimeHeader::kMediaImage, last);
    MimeBody stranger;
    MimeBody* end = msg.CreatePart(MimeHeader::kMediaText, &stranger);
    ASSERT_EQ(msg.Parts().size(), 3u);
    EXPECT_EQ(msg.Parts().front().get(), first);
    EXPECT_EQ(msg.Parts().back().get(), end);
    first->SetField("Content-Type", "image/gif; name=\"a.gif\"");
    end->SetField("Content-Type", "text/plain; name=\"\"");
    std::list<MimeBody*> list;
    EXPECT_EQ(msg.GetAttachments(list), 1);
    EXPECT_EQ(list.front(), first);
    msg.ErasePart(first);
    EXPECT_EQ(msg.Parts().size(), 2u);
    msg.Clear();
    EXPECT_TRUE(msg.Parts().empty());
    EXPECT_TRUE(msg.Fields().empty());
}

TEST(Content, SetContentCopiesAndKeepsATerminator) {
    MimeBody b;
    EXPECT_EQ(b.SetContent("abc", 0), 3);
    EXPECT_EQ(b.GetContentData()[3], '\0');
    EXPECT_EQ(b.SetContent("x\0y", 3), 3);
    EXPECT_EQ(Content(b), std::string("x\0y", 3));
}

TEST(Content, WriteToFileWritesTheDecodedBytes) {
    std::string path = testing::TempDir() + "mime_write_test.bin";
    std::remove(path.c_str());
    MimeBody empty;
    EXPECT_TRUE(empty.WriteToFile(path));
    EXPECT_FALSE(std::ifstream(path).good());

    MimeBody b;
    std::string data;
    for (int i = 0; i < 1500; ++i)
        data.push_back(static_cast<char>(i));
    b.SetContent(data.data(), static_cast<int>(data.size()));
    ASSERT_TRUE(b.WriteToFile(path));
    std::ifstream in(path, std::ios::binary);
    std::stringstream read;
    read << in.rdbuf();
    EXPECT_EQ(read.str(), data);
    in.close();
    std::remove(path.c_str());
    EXPECT_FALSE(b.WriteToFile(testing::TempDir() + "no/such/dir/x.bin"));
}

}  // namespace
