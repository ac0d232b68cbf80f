// Body and field coders, the registries and the header-text helpers.
#include <gtest/gtest.h>

#include <string>

#include "mime/MimeBase64Coder.h"
#include "mime/MimeHeaderText.h"
#include "mime/MimeQpCoder.h"
#include "mime/MimeRegistry.h"

namespace {

std::string RunCoder(MimeCoder& coder, const std::string& in, bool encode) {
    coder.SetInput(in.data(), static_cast<int>(in.size()), encode);
    int estimate = coder.GetOutputLength();
    std::string out(estimate, '\0');
    int n = coder.GetOutput(&out[0], estimate);
    EXPECT_FALSE(coder.Overflowed()) << "estimate " << estimate << " too small for " << in.size() << " bytes";
    out.resize(n);
    return out;
}

std::string QpEncode(const std::string& in) {
    MimeQpCoder c;
    return RunCoder(c, in, true);
}
std::string QpDecode(const std::string& in) {
    MimeQpCoder c;
    return RunCoder(c, in, false);
}
std::string B64Encode(const std::string& in) {
    MimeBase64Coder c;
    return RunCoder(c, in, true);
}
std::string B64Decode(const std::string& in) {
    MimeBase64Coder c;
    return RunCoder(c, in, false);
}

std::string FieldEncode(const std::string& name, const std::string& charset, const std::string& value) {
    auto coder = CreateFieldCoder(name);
    coder->SetCharset(charset);
    return coder->EncodeValue(value);
}

std::string FieldDecode(const std::string& name, const std::string& value, std::string* charset = nullptr) {
    auto coder = CreateFieldCoder(name);
    std::string out = coder->DecodeValue(value);
    if (charset)
        *charset = coder->GetCharset();
    return out;
}

const std::string kZhongWen = "\xD6\xD0\xCE\xC4";  // two Chinese characters in GB2312

TEST(QuotedPrintable, EncodesPerByteRules) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"a \r\n", "a=20\r\n"},                    // blank before CR is escaped
        {"a\t", "a=09"},                           // blank as last byte is escaped
        {"a b", "a b"},                            // inner blank stays
        {"x=y", "x=3Dy"},                          // '=' always escaped
        {"\x80\xFF", "=80=FF"},                    // 8-bit, upper-case hex
        {std::string("\0", 1), "=00"},             // NUL
        {"a\r\n.\r\nb", "a\r\n=2E\r\nb"},          // lone dot line
        {".\r\n", ".\r\n"},                        // dot within the first two bytes stays
        {"a\r\n.x\r\n", "a\r\n.x\r\n"},            // dot with company stays
        {"line1\r\nline2\n", "line1\r\nline2\n"},  // CR and LF literal
        {"_~!", "_~!"},
        {"--b\r\n", "=2D-b\r\n"},                    // a line starting with "--" could be a delimiter
        {"a\r\n--b--\r\n", "a\r\n=2D-b--\r\n"},      // only the line's first '-' is escaped
        {"x\n--", "x\n=2D-"},                        // after a bare LF too
        {"-b\r\na--b\r\n- -", "-b\r\na--b\r\n- -"},  // other dashes keep their bytes
    };
    for (const Case& c : cases)
        EXPECT_EQ(QpEncode(c.in), c.out) << c.in;
}

TEST(QuotedPrintable, KeepsLinesWithin76Columns) {
    std::string letters(80, 'a');
    EXPECT_EQ(QpEncode(letters), std::string(75, 'a') + "=\r\n" + std::string(5, 'a'));

    // The break goes after the last blank of the line; the word after it moves down.
    std::string words = std::string(70, 'a') + " " + std::string(10, 'b');
    EXPECT_EQ(QpEncode(words), std::string(70, 'a') + " =\r\n" + std::string(10, 'b'));

    // An escape is never split by a soft break.
    std::string escapes = std::string(74, 'a') + "\xE9";
    EXPECT_EQ(QpEncode(escapes), std::string(74, 'a') + "=\r\n=E9");

    // A hard line break restarts the count.
    std::string twoLines = std::string(75, 'a') + "\r\n" + std::string(75, 'b');
    EXPECT_EQ(QpEncode(twoLines), twoLines);

    // Soft breaks never start a line with "--": the dashes are escaped, or the tail stays put.
    EXPECT_EQ(QpEncode(std::string(75, 'a') + "--b"), std::string(75, 'a') + "=\r\n=2D-b");
    EXPECT_EQ(QpEncode(std::string(70, 'a') + " --bbbbb"), std::string(70, 'a') + " --bb=\r\nbbb");
}

TEST(QuotedPrintable, BlankBeforeLineEndIsEscapedAtEveryColumn) {
    // The escape fits up to column 72; later it goes to the next line. A blank in the first
    // column is never a break point.
    struct Case {
        int column;
        bool fits;
    } cases[] = {{0, true}, {71, true}, {72, true}, {73, false}, {75, false}};
    for (const Case& c : cases) {
        const std::string text(c.column, 'a');
        const std::string wrap = c.fits ? "" : "=\r\n";
        EXPECT_EQ(QpEncode(text + " \r\n"), text + wrap + "=20\r\n") << c.column;
        EXPECT_EQ(QpEncode(text + "\t\r\n"), text + wrap + "=09\r\n") << c.column;
    }
    EXPECT_EQ(QpEncode(" " + std::string(80, 'a')), " " + std::string(74, 'a') + "=\r\n" + std::string(6, 'a'));
    EXPECT_EQ(QpEncode(std::string(70, 'a') + "\t" + std::string(10, 'b')),
              std::string(70, 'a') + "\t=\r\n" + std::string(10, 'b'));
}

TEST(QuotedPrintable, EncodedLinesNeverExceed76AndDecodeBack) {
    unsigned seed = 12345;
    for (int round = 0; round < 200; ++round) {
        std::string in;
        int len = round * 7 % 600;
        for (int i = 0; i < len; ++i) {
            seed = seed * 1103515245 + 12345;
            const char pool[] = "ab \t=.\r\n\xE9x--";
            in.push_back(round % 3 == 0 ? static_cast<char>(seed >> 16) : pool[(seed >> 16) % 12]);
        }
        std::string enc = QpEncode(in);
        size_t lineStart = 0;
        for (size_t i = 0; i <= enc.size(); ++i) {
            if (i == enc.size() || enc[i] == '\r' || enc[i] == '\n') {
                EXPECT_LE(i - lineStart, 76u) << "round " << round;
                EXPECT_NE(enc.compare(lineStart, 2, "--"), 0) << "round " << round;
                lineStart = i + 1;
            }
        }
        EXPECT_EQ(QpDecode(enc), in) << "round " << round;
    }
}

TEST(QuotedPrintable, DecodesEscapesSoftBreaksAndStrayEquals) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"=41=3d=\r\nB", "A=B"},  // lower-case second digit, soft break
        {"a_b", "a_b"},           // '_' is literal in bodies
        {"=\r\n", ""},            // lone soft break
        {"a=", "a"},              // trailing '='
        {"a=4", "a4"},            // truncated escape at the end: '=' dropped
        {"=zz", "zz"},            // '=' before a non-hex byte is dropped, the byte kept
        {"==41", "=41"},          // ... even when that byte is '='
        {"=a1", "\xA1"},          // lower-case escapes decode too
        {"=c3=a9", "\xC3\xA9"},
        {"=g1", "g1"},                                     // 'g' is no hex digit
        {"=\rX", "\rX"},                                   // '=' CR without LF
        {std::string("=4\0", 3), std::string("\x40", 1)},  // second byte taken by its low bits
    };
    for (const Case& c : cases)
        EXPECT_EQ(QpDecode(c.in), c.out) << c.in;
}

// Bodies are decoded several bytes at a time, header words one byte at a time: without '_' both
// must give the same bytes, malformed escapes and soft breaks included.
TEST(QuotedPrintable, BodyDecodingMatchesWordDecoding) {
    unsigned seed = 4242;
    const char pool[] = "==\r\nA3fz \x80-";
    for (int round = 0; round < 3000; ++round) {
        std::string in;
        const int len = round % 97;
        for (int i = 0; i < len; ++i) {
            seed = seed * 1103515245 + 12345;
            in.push_back(pool[(seed >> 16) % 11]);
        }
        std::string word(in.size(), '\0');
        bool overflowed = false;
        const int n = static_cast<int>(in.size());
        word.resize(MimeQpCoder::DecodeBytes(in.data(), n, n ? &word[0] : nullptr, n, true, &overflowed));
        EXPECT_EQ(QpDecode(in), word) << in;
    }
}

TEST(Base64, BodyFormBreaksLinesAt76) {
    std::string in57(57, 'x');
    std::string enc = B64Encode(in57);
    ASSERT_EQ(enc.size(), 78u);
    EXPECT_EQ(enc.substr(76), "\r\n");

    std::string in58(58, 'x');
    enc = B64Encode(in58);
    EXPECT_EQ(enc.substr(76, 2), "\r\n");
    EXPECT_EQ(enc.substr(78), "eA==\r\n");

    EXPECT_EQ(B64Encode(""), "");
    EXPECT_EQ(B64Encode("a"), "YQ==\r\n");
}

TEST(Base64, DecodingSkipsForeignBytesAndStopsAtPadding) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"YWJj\r\nZGVm", "abcdef"},
        {"YQ==YWJj", "a"},                       // stops at the first '='
        {"YWJj ZGVm", "abcdef"},                 // blanks are skipped
        {" YW\tJj\r\n  ZG\fVm \r\n", "abcdef"},  // indented and folded
        {"YW*Jj", "abc"},                        // so is any other byte outside the alphabet
        {"YWI", "ab"},                           // unpadded tail still gives its whole bytes
        {"Y", ""},                               // a single character gives nothing
        {"\r\n\r\n", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(B64Decode(c.in), c.out) << c.in;
}

TEST(Base64, RoundTripsEveryLength) {
    std::string in;
    for (int len = 0; len < 300; ++len) {
        EXPECT_EQ(B64Decode(B64Encode(in)), in) << len;
        in.push_back(static_cast<char>(len * 37));
    }
}

TEST(Coders, StopAtCapacityAndReportIt) {
    std::string in(100, '\xE9');
    for (auto make : {+[] { return CreateBodyCoder("quoted-printable"); }, +[] { return CreateBodyCoder("base64"); },
                      +[] { return CreateBodyCoder("7bit"); }}) {
        auto coder = make();
        coder->SetInput(in.data(), static_cast<int>(in.size()), true);
        std::string out(50, '#');
        out.push_back('!');
        int n = coder->Encode(&out[0], 50);
        EXPECT_LE(n, 50);
        EXPECT_TRUE(coder->Overflowed());
        EXPECT_EQ(out[50], '!');
    }
}

TEST(Registry, ChoosesCodersByNameIgnoringCase) {
    std::string in = "a=b";
    auto qp = CreateBodyCoder("Quoted-Printable");
    EXPECT_EQ(RunCoder(*qp, in, true), "a=3Db");
    for (const char* name : {"", "7bit", "8bit", "binary", "x-unknown"}) {
        auto copy = CreateBodyCoder(name);
        EXPECT_EQ(RunCoder(*copy, in, true), in) << name;
    }
    EXPECT_EQ(CreateFieldCoder("SUBJECT")->GetKind(), MimeFieldCoder::kText);
    EXPECT_EQ(CreateFieldCoder("resent-reply-to")->GetKind(), MimeFieldCoder::kAddress);
    EXPECT_EQ(CreateFieldCoder("Content-Disposition")->GetKind(), MimeFieldCoder::kParameter);
    EXPECT_EQ(CreateFieldCoder("X-Anything")->GetKind(), MimeFieldCoder::kPlain);
}

TEST(Registry, RegisteringReplacesAnEntry) {
    RegisterFieldCoder("X-Test-List", [] { return std::make_unique<MimeFieldCoder>(MimeFieldCoder::kAddress); });
    EXPECT_EQ(CreateFieldCoder("x-test-list")->GetKind(), MimeFieldCoder::kAddress);
    RegisterFieldCoder("X-TEST-LIST", [] { return std::make_unique<MimeFieldCoder>(MimeFieldCoder::kText); });
    EXPECT_EQ(CreateFieldCoder("x-test-list")->GetKind(), MimeFieldCoder::kText);
}

TEST(FieldEncoding, EmptyCharsetWritesTheValueUnchanged) {
    EXPECT_EQ(FieldEncode("Subject", "", kZhongWen), kZhongWen);
    EXPECT_EQ(FieldEncode("To", "", "a@b, c@d"), "a@b, c@d");
}

TEST(FieldEncoding, ChoosesBOrQByTheShareOf8BitBytes) {
    // Two Chinese characters: all 8-bit, so B.
    EXPECT_EQ(FieldEncode("Subject", "gb2312", kZhongWen), "=?gb2312?B?1tDOxA==?=");
    // Mostly ASCII with one 8-bit byte: Q, with blanks, '_' and '?' escaped.
    EXPECT_EQ(FieldEncode("Subject", "iso-8859-1", "caf\xE9 ok_?"), "=?iso-8859-1?Q?caf=E9=20ok=5F=3F?=");
    // Plain ASCII is never encoded.
    EXPECT_EQ(FieldEncode("Subject", "utf-8", "hello world"), "hello world");
}

TEST(FieldEncoding, SplitsLongWordsWithinTheBudget) {
    std::string longText(120, '\xB0');
    std::string enc = FieldEncode("Subject", "gb2312", longText);
    // (68 - 6) / 4 * 3 = 45 bytes per word: 60 base64 characters.
    EXPECT_EQ(enc.find("?= =?gb2312?B?"), 11u + 60u);
    EXPECT_EQ(FieldDecode("Subject", enc), longText);

    std::string mostlyAscii = std::string(100, 'a') + "\xE9";
    enc = FieldEncode("Subject", "utf-8", mostlyAscii);
    size_t gap = enc.find("?= =?utf-8?Q?");
    ASSERT_NE(gap, std::string::npos);
    EXPECT_EQ(gap, 10u + 63u);  // 68 - 5 payload characters
    EXPECT_EQ(FieldDecode("Subject", enc), mostlyAscii);
}

TEST(FieldEncoding, FoldsAfterListAndParameterDelimiters) {
    std::string to = "\xD5\xC5 <a@b>,  c@d";
    EXPECT_EQ(FieldEncode("To", "gb2312", to), "=?gb2312?B?1cU=?= <a@b>,\r\n\tc@d");
    EXPECT_EQ(FieldEncode("Content-Type", "gb2312", "text/plain;  name=\"\xB0\xA1\""),
              "text/plain;\r\n\tname=\"=?gb2312?B?sKE=?=\"");
    EXPECT_EQ(FieldEncode("Reply-To", "utf-8", "group: a@b;"), "group:\r\n\ta@b;");
    // Plain and text fields write no line breaks.
    EXPECT_EQ(FieldEncode("X-Note", "utf-8", "a, b; c"), "a, b; c");
}

TEST(FieldEncoding, KeepsBlanksBetweenTwoEncodedWords) {
    // Readers drop blanks between encoded words, so they must travel inside the second word.
    std::string value = "\xB0\xA1 \xB0\xA2";
    std::string enc = FieldEncode("X-Names", "gb2312", value);
    EXPECT_EQ(FieldDecode("X-Names", enc), value);
    EXPECT_EQ(enc, "=?gb2312?B?sKE=?= =?gb2312?B?ILCi?=");
}

TEST(FieldEncoding, NeverWritesABareLineBreak) {
    struct Case {
        const char* field;
        const char* charset;
        std::string value, out;
    } cases[] = {
        {"Subject", "us-ascii", "Hello\r\nX: y", "=?us-ascii?Q?Hello=0D=0AX:=20y?="},  // forced to encode
        {"Subject", "us-ascii", "a\r\n b", "a\r\n b"},                                 // a fold stays
        {"Subject", "", "a\nb\rc\r\n d", "a b c\r\n d"},                               // no charset: blanks
        {"To", "us-ascii", "x\ny <a@b>", "=?us-ascii?B?eAp5?= <a@b>"},
        {"Content-Type", "gb2312", "a; n=\"\xB0\r\n\r\nx\"", "a;\r\n\tn=\"=?gb2312?B?sA0KDQp4?=\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FieldEncode(c.field, c.charset, c.value), c.out) << c.field;
}

TEST(FieldDecoding, DecodesEncodedWordsAndReportsTheFirstCharset) {
    struct Case {
        const char* field;
        std::string in, out, charset;
    } cases[] = {
        {"Subject", "=?gb2312?B?1tA=?= =?gb2312?B?zsQ=?=", kZhongWen, "gb2312"},  // adjacent words join
        {"Subject", "=?utf-8?Q?Hello_world?=", "Hello world", "utf-8"},           // '_' is a space
        {"Subject", "=?utf-8?q?a=5Fb?=", "a_b", "utf-8"},                         // escaped '_' stays
        {"Subject", "Re: =?utf-8?Q?x?=", "Re: x", "utf-8"},                       // text before a word keeps its blank
        {"Subject", "=?a?Q?x?=\r\n =?b?Q?y?=", "xy", "a"},                        // folded adjacent words join
        {"Subject", "=?utf-8?Q?x?= y", "x y", "utf-8"},
        {"Subject", "=?utf-8?X?abc?=", "=?utf-8?X?abc?=", ""},  // unknown letter stays text
        {"Subject", "=?utf-8?Q?open", "open", "utf-8"},         // unterminated: to the end
        {"Subject", "=?utf-8?Q?", "=?utf-8?Q?", ""},            // nothing after the letter
        {"Subject", "=??Q?x?=", "=??Q?x?=", ""},                // empty charset
        {"Subject", "a =? b", "a =? b", ""},
        {"To", "=?utf-8?B?5byg?= <a@b>", "\xE5\xBC\xA0 <a@b>", "utf-8"},
    };
    for (const Case& c : cases) {
        std::string charset;
        EXPECT_EQ(FieldDecode(c.field, c.in, &charset), c.out) << c.in;
        EXPECT_EQ(charset, c.charset) << c.in;
    }
}

TEST(FieldDecoding, StaysLinearOnThousandsOfWordPrefixes) {
    std::string hostile;
    for (int i = 0; i < 20000; ++i)
        hostile += "=?x?y?";
    hostile += std::string(20000, '=') + "?" + std::string(20000, 'a');
    std::string out = FieldDecode("Subject", hostile);
    EXPECT_FALSE(out.empty());
}

// Folding adds CR LF TAB after the kind's delimiters and drops the blanks after them.
std::string Unfold(MimeFieldCoder::Kind kind, const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s.compare(i, 3, "\r\n\t") == 0) {
            i += 2;
            continue;
        }
        out.push_back(s[i]);
        bool folds = (kind == MimeFieldCoder::kAddress && (s[i] == ',' || s[i] == ':')) ||
                     (kind == MimeFieldCoder::kParameter && s[i] == ';');
        while (folds && i + 1 < s.size() && s[i + 1] == ' ')
            ++i;
    }
    return out;
}

TEST(FieldCoders, RoundTripEveryKind) {
    const std::string values[] = {
        kZhongWen,
        "\xD5\xC5\xC8\xFD <zhang@example.com>, \"\xC0\xEE\xCB\xC4\" <li@example.com>",
        "text/plain; charset=gb2312; name=\"\xB1\xA8\xB8\xE6.txt\"",
        "mixed \xB0\xA1 text (comment \xB0\xA2) a\tb",
        "\xB0\xA1\v\xB0\xA2 \xB0\xA3\r\n \xB0\xA4",  // whitespace between encoded words is dropped on reading
        "=?utf-8?Q?x?= \xB0\xA1 a=?b",               // text shaped like an encoded word
    };
    for (const char* name : {"Subject", "To", "Content-Type", "X-Other"}) {
        MimeFieldCoder::Kind kind = CreateFieldCoder(name)->GetKind();
        for (const std::string& value : values) {
            std::string enc = FieldEncode(name, "gb2312", value);
            for (unsigned char c : enc)
                ASSERT_LT(c, 0x80) << name << ": " << enc;
            EXPECT_EQ(Unfold(kind, FieldDecode(name, enc)), Unfold(kind, value)) << name << ": " << enc;
        }
    }
}

TEST(HeaderText, DecodesWordsAndConverts) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"=?x?Q?a_b?=", "a b"},
        {"=?x?Q?a=5Fb?=", "a_b"},  // an escaped underscore is not a space
        {"  =?gb2312?B?1tDOxA==?=  ", kZhongWen},
        {"=?utf-8?Q?=E4=B8=AD?=", "\xD6\xD0"},                               // UTF-8 to the ANSI code page (GBK)
        {"=?UTF-8?B?5Lit?= and =?utf-8?B?5paH?=", "\xD6\xD0 and \xCE\xC4"},  // text between words kept
        {"=?koi8-r?B?4w==?=", "\xD6"},                                       // KOI8-R 'ц' to Windows-1251
        {"=?x?Z?abc?=", "abc"},                                              // unknown letter: text as it is
        {"plain", "plain"},
        {"=?broken", "=?broken"},
        {"=?x?Q?=4", "=?x?Q?=4"},    // no closing "?=": copied as it is
        {"=?x?Q?abc=4?=", "abc"},    // '=' with fewer than two bytes ends the word
        {"=?x?B?YWJjZA?=", "abc"},   // incomplete last group dropped
        {"=?x?B?Y W J j?=", "abc"},  // foreign bytes skipped
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeHeaderText(c.in), c.out) << c.in;
    EXPECT_EQ(DecodeHeaderWord("nothing"), "nothing");
    EXPECT_EQ(DecodeHeaderWord("cs?rest"), "rest");
    EXPECT_EQ(DecodeQWord("=4"), "");
    EXPECT_EQ(DecodeQWord("=zz"), std::string(1, '\0'));
}

TEST(HeaderText, Koi8ToCp1251MatchesTheStandardTables) {
    // 0xC0..0xFE are the Cyrillic letters in KOI8-R order; compare with the cp1251 letters.
    const char* koiOrder =
        "\xFE\xE0\xE1\xF6\xE4\xE5\xF4\xE3\xF5\xE8\xE9\xEA\xEB\xEC\xED\xEE"
        "\xEF\xFF\xF0\xF1\xF2\xF3\xE6\xE2\xFC\xFB\xE7\xF8\xFD\xF9\xF7\xFA";
    std::string in, expected;
    for (int i = 0; i < 31; ++i) {
        in.push_back(static_cast<char>(0xC0 + i));
        expected.push_back(koiOrder[i]);
        in.push_back(static_cast<char>(0xE0 + i));
        expected.push_back(static_cast<char>(static_cast<unsigned char>(koiOrder[i]) - 0x20));
    }
    in +=
        "\xA3\xB3\x81\xBF\x80\xFF"
        "a";
    expected +=
        "\xB8\xA8\x80\x80\x80\xFF"
        "a";
    EXPECT_EQ(Koi8ToCp1251(in), expected);
}

}  // namespace
