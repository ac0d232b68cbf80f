#include "xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "中文" in GBK: the second byte of each character is in the ASCII range of '[' .. '~' for some
// characters; 0x5C ('\\') and 0x7C ('|') trail bytes are the classic traps.
const char kGbkText[] = "\xD6\xD0\xCE\xC4\x95\x5C\x81\x7C";

TEST(XmlParse, EmptyElementThenTextAndChild) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<a/>"));
    ASSERT_TRUE(doc.FindElement("a"));
    EXPECT_EQ(doc.GetElementText(), "");
    ASSERT_TRUE(doc.SetElementText("x", false));
    EXPECT_EQ(doc.GetText(), "<a>x</a>");
    EXPECT_EQ(doc.GetElementText(), "x");

    CXmlDocument doc2;
    ASSERT_TRUE(doc2.ParseText("<a/>"));
    ASSERT_TRUE(doc2.FindElement("a"));
    ASSERT_TRUE(doc2.AddChildElement("b", nullptr, false));
    EXPECT_EQ(doc2.GetText(), "<a>\r\n<b/>\r\n</a>");
    // The table stays consistent: the document reparses to the same structure.
    CXmlDocument again;
    ASSERT_TRUE(again.ParseText(doc2.GetText().c_str()));
    ASSERT_TRUE(again.FindElement("a"));
    ASSERT_TRUE(again.FindChildElement("b"));
}

struct ErrorCase {
    const char* text;
    const char* message;
};

TEST(XmlParse, ErrorsCarryTheirMessages) {
    const ErrorCase cases[] = {
        {"", "Element tag not found"},
        {"plain text", "Element tag not found"},
        {"<", "Abrupt end within tag"},
        {"<\"a\">", "Tag starts with quote"},
        {"<!-- open", "Invalid node"},
        {"<?xml version='1.0'", "Invalid node"},
        {"<a", "End of tag not found"},
        {"<a>x", "End tag of a element not found"},
        {"<a>x</b>", "End tag does not correspond to a"},
        {"<a>x</a", "End tag not completed for element a"},
        {"<a><b></b>", "End tag of a element not found"},
    };
    for (const ErrorCase& c : cases) {
        CXmlDocument doc;
        EXPECT_FALSE(doc.ParseText(c.text)) << c.text;
        EXPECT_EQ(doc.GetParseError(), c.message) << c.text;
        EXPECT_FALSE(doc.HasRootElement());
        // The unparsed text stays, and new elements go after it.
        EXPECT_EQ(doc.GetText(), c.text);
    }
}

TEST(XmlParse, LeadingEndTagFailsSilently) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.ParseText("</a>"));
    EXPECT_EQ(doc.GetParseError(), "");
}

TEST(XmlParse, FailedParseStillAllowsBuildingANewTopElement) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.ParseText("junk"));
    EXPECT_TRUE(doc.AddElement("Setup", nullptr, false));
    EXPECT_EQ(doc.GetText(), "junk<Setup/>\r\n");
}

TEST(XmlParse, SkipsDeclarationCommentsDoctypeAndCdata) {
    const char* text =
        "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<!-- a > comment -->\r\n"
        "<!DOCTYPE r [ <!ELEMENT r ANY> ]>\r\n<r><![CDATA[<not/>]]><c>1</c><!-- x --></r>";
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(text)) << doc.GetParseError();
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.FindChildElement("c"));
    EXPECT_EQ(doc.GetChildText(), "1");
    EXPECT_FALSE(doc.FindChildElement(nullptr));
}

TEST(XmlParse, QuotedGreaterThanEndsTheStartTag) {
    // Quotes are not honoured when looking for the end of a start tag.
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<a b=\">\">x</a>"));
    ASSERT_TRUE(doc.FindElement("a"));
    EXPECT_EQ(doc.GetElementText(), "\">x");
}

TEST(XmlParse, DeepNestingDoesNotExhaustTheStack) {
    std::string text;
    const int depth = 200000;
    for (int i = 0; i < depth; ++i)
        text += "<a>";
    for (int i = 0; i < depth; ++i)
        text += "</a>";
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(text.c_str()));
    ASSERT_TRUE(doc.FindElement("a"));
    int levels = 1;
    while (doc.FindChildElement("a") && doc.EnterElement())
        ++levels;
    EXPECT_EQ(levels, depth);
}

TEST(XmlParse, NameMatchingFollowsTheTokenRule) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<r><ab/><a/><a x='1'/></r>"));
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.FindElement("a"));
    EXPECT_EQ(doc.GetElementName(), "a");
    ASSERT_TRUE(doc.FindElement("a"));  // walks like-named siblings
    EXPECT_FALSE(doc.FindElement("a"));
    // A name may carry a predicate-like tail after '['.
    doc.ResetPosition();
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.FindChildElement("ab[1]"));
    EXPECT_EQ(doc.GetTagNameAt(doc.GetChildIndex()), "ab");
    // Names are case-sensitive.
    doc.ResetPosition();
    EXPECT_FALSE(doc.FindElement("R"));
}

TEST(XmlText, UnescapesEntitiesAndReferences) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<a>1 &lt; 2 &amp;&amp; &#65;&#x42; &nbsp; &#xZZ; &#12345678; &#0;</a>"));
    ASSERT_TRUE(doc.FindElement("a"));
    EXPECT_EQ(doc.GetElementText(), "1 < 2 && AB &nbsp; &#xZZ; &#12345678; &#0;");
}

TEST(XmlText, NumericReferenceGoesThroughTheCodePage) {
    CXmlDocument doc;
    // U+4E2D is GBK D6 D0; U+0E01 (Thai) has no GBK character and stays literal.
    ASSERT_TRUE(doc.ParseText("<a>&#x4e2d;&#3585;</a>"));
    ASSERT_TRUE(doc.FindElement("a"));
    EXPECT_EQ(doc.GetElementText(), "\xD6\xD0&#3585;");
}

TEST(XmlText, CdataIsReturnedRaw) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<a>  <![CDATA[x &lt; <y>]]></a>"));
    ASSERT_TRUE(doc.FindElement("a"));
    EXPECT_EQ(doc.GetElementText(), "x &lt; <y>");
    ASSERT_TRUE(doc.SetElementText("p]]>q", true));  // cannot be CDATA: escaped instead
    EXPECT_EQ(doc.GetText(), "<a>p]]&gt;q</a>");
    ASSERT_TRUE(doc.SetElementText("<z>", true));
    EXPECT_EQ(doc.GetText(), "<a><![CDATA[<z>]]></a>");
    EXPECT_EQ(doc.GetElementText(), "<z>");
}

TEST(XmlText, ElementWithChildrenHasNoText) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<a>x<b/>y</a>"));
    ASSERT_TRUE(doc.FindElement("a"));
    EXPECT_EQ(doc.GetElementText(), "");
    EXPECT_FALSE(doc.SetElementText("z", false));
    EXPECT_EQ(doc.GetText(), "<a>x<b/>y</a>");
}

TEST(XmlText, EscapeCoversBothVariants) {
    EXPECT_EQ(CXmlDocument::EscapeText("<a & 'b' \"c\">", false), "&lt;a &amp; 'b' \"c\"&gt;");
    EXPECT_EQ(CXmlDocument::EscapeText("<a & 'b' \"c\">", true), "&lt;a &amp; &apos;b&apos; &quot;c&quot;&gt;");
    EXPECT_EQ(CXmlDocument::EscapeText(nullptr, false), "");
}

TEST(XmlText, SettingTextShiftsEverythingAfterIt) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<r><a>1</a><b>2</b><c><d>4</d></c></r>"));
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.FindChildElement("a"));
    int a = doc.GetChildIndex();
    ASSERT_TRUE(doc.FindChildElement("b"));
    int b = doc.GetChildIndex();
    ASSERT_TRUE(doc.FindChildElement("c"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.FindChildElement("d"));
    int d = doc.GetChildIndex();
    ASSERT_TRUE(doc.SetTextAt(a, "longer & longer", false));
    ASSERT_TRUE(doc.SetTextAt(b, "", false));
    EXPECT_EQ(doc.GetTextAt(d), "4");
    ASSERT_TRUE(doc.SetTextAt(d, "four", false));
    EXPECT_EQ(doc.GetText(), "<r><a>longer &amp; longer</a><b></b><c><d>four</d></c></r>");
    EXPECT_EQ(doc.GetTextAt(a), "longer & longer");
    EXPECT_FALSE(doc.SetTextAt(0, "x", false));
}

TEST(XmlEdit, AddingToAnEmptyDocument) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.AddElement("Setup", nullptr, false));
    EXPECT_EQ(doc.GetText(), "<Setup/>\r\n");
    doc.ResetPosition();
    EXPECT_FALSE(doc.AddElement("Other", nullptr, false));
    EXPECT_EQ(doc.GetText(), "<Setup/>\r\n");
}

TEST(XmlEdit, AddAfterBeforeAndIntoBareContainer) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<r>\r\n<a/>\r\n<c/>\r\n</r>\r\n"));
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.FindElement("a"));
    ASSERT_TRUE(doc.AddElement("b", "2", false));
    EXPECT_EQ(doc.GetText(), "<r>\r\n<a/>\r\n<b>2</b>\r\n<c/>\r\n</r>\r\n");
    ASSERT_TRUE(doc.AddElement("z", nullptr, true));  // before b
    EXPECT_EQ(doc.GetText(), "<r>\r\n<a/>\r\n<z/>\r\n<b>2</b>\r\n<c/>\r\n</r>\r\n");
    doc.ResetPosition();
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.AddChildElement("first", nullptr, true));
    ASSERT_TRUE(doc.AddChildElement("p", nullptr, false));  // after "first"
    EXPECT_EQ(doc.GetText(), "<r>\r\n<first/>\r\n<p/>\r\n<a/>\r\n<z/>\r\n<b>2</b>\r\n<c/>\r\n</r>\r\n");

    // Child order follows the text.
    const char* order[] = {"first", "p", "a", "z", "b", "c"};
    doc.ResetPosition();
    ASSERT_TRUE(doc.FindElement("r"));
    for (const char* name : order) {
        ASSERT_TRUE(doc.FindChildElement(nullptr));
        EXPECT_EQ(doc.GetTagNameAt(doc.GetChildIndex()), name);
    }
    EXPECT_FALSE(doc.FindChildElement(nullptr));

    CXmlDocument bare;
    ASSERT_TRUE(bare.ParseText("<p></p>"));
    ASSERT_TRUE(bare.FindElement("p"));
    ASSERT_TRUE(bare.AddChildElement("n", "t<", false));
    EXPECT_EQ(bare.GetText(), "<p>\r\n<n>t&lt;</n>\r\n</p>");
    EXPECT_EQ(bare.GetChildText(), "t<");
}

TEST(XmlEdit, RemoveTakesTheLineAndItsBreakOnly) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<r>\r\n  <a>1</a>\r\n  <b>2</b>\r\n  <c>3</c>\r\n</r>"));
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.FindElement("b"));
    ASSERT_TRUE(doc.RemoveElement());
    EXPECT_EQ(doc.GetText(), "<r>\r\n  <a>1</a>\r\n  <c>3</c>\r\n</r>");
    EXPECT_EQ(doc.GetElementName(), "a");  // the previous sibling becomes current
    ASSERT_TRUE(doc.FindElement("c"));
    EXPECT_EQ(doc.GetElementText(), "3");
    ASSERT_TRUE(doc.RemoveElement());
    ASSERT_TRUE(doc.FindElement(nullptr) == false);
    ASSERT_TRUE(doc.RemoveElement());  // a; nothing current afterwards
    EXPECT_EQ(doc.GetCurrentIndex(), 0);
    EXPECT_FALSE(doc.RemoveElement());
    EXPECT_EQ(doc.GetText(), "<r>\r\n  </r>");
}

TEST(XmlPosition, SaveRestoreEnterLeave) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<r><s><k>1</k></s><s><k>2</k></s></r>"));
    EXPECT_FALSE(doc.EnterElement());
    EXPECT_FALSE(doc.LeaveElement());
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.FindChildElement("s"));
    ASSERT_TRUE(doc.FindChildElement("s"));
    ASSERT_TRUE(doc.EnterElement());  // into r, the second s is current
    ASSERT_TRUE(doc.SavePosition("T"));
    ASSERT_TRUE(doc.FindChildElement("k"));
    EXPECT_EQ(doc.GetChildText(), "2");
    doc.ResetPosition();
    EXPECT_FALSE(doc.RestorePosition("unknown"));
    EXPECT_FALSE(doc.RestorePosition(nullptr));
    EXPECT_FALSE(doc.SavePosition(nullptr));
    ASSERT_TRUE(doc.RestorePosition("T"));
    EXPECT_EQ(doc.GetElementName(), "s");
    ASSERT_TRUE(doc.LeaveElement());
    EXPECT_EQ(doc.GetElementName(), "r");
    // Parsing again forgets saved positions.
    ASSERT_TRUE(doc.ParseText("<r/>"));
    EXPECT_FALSE(doc.RestorePosition("T"));
}

TEST(XmlPosition, IndexesFromOutsideAreChecked) {
    const char text[] = "<r><a>1</a><b><c>2</c></b></r>";
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(text));
    // Records 1 to 4 are r, a, b, c. Indexes past the table or of no element, and levels that do
    // not fit together, leave the position as it was.
    const int bad[][3] = {{0, 99, 0}, {0, -1, 0}, {0, 5, 0}, {1 << 30, 0, 0}, {0, 1, 99}, {0, 2, 0}, {1, 1, 0}};
    for (const auto& p : bad) {
        doc.ResetPosition();
        doc.SetPosition(p[0], p[1], p[2], 1);
        EXPECT_EQ(doc.GetCurrentIndex() + doc.GetParentIndex() + doc.GetChildIndex(), 0) << p[1];
        EXPECT_FALSE(doc.EnterElement());
    }
    for (int index : {-1, 5, 99}) {
        EXPECT_EQ(doc.GetTextAt(index) + doc.GetTagNameAt(index), "");
        EXPECT_FALSE(doc.SetTextAt(index, "x", false));
    }
    // A removed element's index, kept by the caller or in a saved position, is no element any more.
    doc.SetPosition(3, 4, 0, 1);
    ASSERT_EQ(doc.GetElementName(), "c");
    ASSERT_TRUE(doc.SavePosition("kept"));
    doc.SetPosition(1, 3, 0, 1);
    ASSERT_TRUE(doc.RemoveElement());
    EXPECT_FALSE(doc.RestorePosition("kept"));
    EXPECT_FALSE(doc.SetTextAt(4, "x", false));
    EXPECT_EQ(doc.GetText(), "<r><a>1</a></r>");
}

TEST(XmlMultibyte, TrailBytesAreNeverDelimiters) {
    // 0x95 0x5C and 0x81 0x7C: trail bytes that equal '\\' and '|'; a GBK name and text
    // must come back whole.
    std::string text = std::string("<r><") + kGbkText + ">" + kGbkText + "</" + kGbkText + "></r>";
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(text.c_str())) << doc.GetParseError();
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.FindChildElement(kGbkText));
    EXPECT_EQ(doc.GetChildText(), kGbkText);
    // A trail byte equal to '>' cannot occur in GBK, but a trail byte '[' or ']' can; CDATA
    // scanning must not stop inside a character: 0x81 0x5D is one character.
    CXmlDocument cdata;
    ASSERT_TRUE(cdata.ParseText("<a><![CDATA[\x81]]]></a>"));
    ASSERT_TRUE(cdata.FindElement("a"));
    EXPECT_EQ(cdata.GetElementText(), "\x81]");
}

TEST(XmlMultibyte, SlashInsideACharacterDoesNotCloseTheTag) {
    // Found by fuzzing: 0xA9 0x2F is one character, so "<a\xA9/>" is a start tag, not <a/>.
    CXmlDocument open;
    EXPECT_FALSE(open.ParseText("<a\xA9/>"));
    CXmlDocument empty;
    ASSERT_TRUE(empty.ParseText("<a\xA9\xA9/>"));
    ASSERT_TRUE(empty.FindElement(nullptr));
    ASSERT_TRUE(empty.SetElementText("x", false));
    EXPECT_EQ(empty.GetText(), "<a\xA9\xA9>x</a\xA9\xA9>");
}

TEST(XmlMultibyte, LoneLeadByteInNewTextCannotSwallowMarkup) {
    // Text from a server may end in half a character; written raw, the lead byte would pair
    // with the '<' of the end tag and the file would no longer load.
    const char* texts[] = {"abc\xD6", "a\xD6<b", "\xD6&", "x\xD6"};
    for (const char* text : texts) {
        for (bool cdata : {false, true}) {
            CXmlDocument doc;
            ASSERT_TRUE(doc.ParseText("<r><a/><b>1</b></r>"));
            ASSERT_TRUE(doc.FindElement("r"));
            ASSERT_TRUE(doc.FindChildElement("a"));
            ASSERT_TRUE(doc.SetChildText(text, cdata));
            ASSERT_TRUE(doc.AddChildElement("c", text, false));
            CXmlDocument again;
            ASSERT_TRUE(again.ParseText(doc.GetText().c_str())) << again.GetParseError() << " for " << text;
            ASSERT_TRUE(again.FindElement("r"));
            ASSERT_TRUE(again.FindChildElement("b"));
            EXPECT_EQ(again.GetChildText(), "1");
        }
    }
    EXPECT_EQ(CXmlDocument::EscapeText("a\xD6<b", false), "a?&lt;b");
    EXPECT_EQ(CXmlDocument::EscapeText("\xD6\xD0<", false), "\xD6\xD0&lt;");
}

TEST(XmlEdit, OpeningAnEmptyElementWhoseTagEndsInTwoSlashes) {
    // Found by fuzzing: "<a//>" opened as "<a/>...</a>" would read back as empty and lose the
    // new content.
    CXmlDocument text;
    ASSERT_TRUE(text.ParseText("<a//>"));
    ASSERT_TRUE(text.FindElement("a"));
    ASSERT_TRUE(text.SetElementText("x", false));
    EXPECT_EQ(text.GetText(), "<a/ >x</a>");
    EXPECT_EQ(text.GetElementText(), "x");

    CXmlDocument child;
    ASSERT_TRUE(child.ParseText("\x01<a\x01<a//>"));
    ASSERT_TRUE(child.FindElement(nullptr));
    ASSERT_TRUE(child.AddChildElement("New", "t", false));
    CXmlDocument again;
    ASSERT_TRUE(again.ParseText(child.GetText().c_str()));
    ASSERT_TRUE(again.FindElement(nullptr));
    ASSERT_TRUE(again.FindChildElement("New"));
    EXPECT_EQ(again.GetChildText(), "t");
}

TEST(XmlRoundTrip, ByteExactAfterLoadEditSave) {
    std::string original =
        "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n"
        "<!-- settings written by hand -->\r\n"
        "<Setup>\r\n"
        "\t<Configuration>\r\n"
        "\t\t<MaxNum>  100 </MaxNum>\r\n"
        "\t</Configuration>\n"
        "   <Server >\r\n"
        "      <Location>news.example.com</Location>   \r\n"
        "      <Subgroup><GroupName>cn.bbs." +
        std::string(kGbkText) +
        "</GroupName></Subgroup>\r\n"
        "   </Server>\r\n"
        "</Setup>\r\n"
        "<!-- trailer -->";
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText(original.c_str()));
    EXPECT_EQ(doc.GetText(), original);
    ASSERT_TRUE(doc.FindElement("Setup"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.FindElement("Server"));
    ASSERT_TRUE(doc.FindChildElement("Location"));
    ASSERT_TRUE(doc.SetChildText("news.example.org", false));
    std::string expected = original;
    expected.replace(expected.find("news.example.com"), 16, "news.example.org");
    EXPECT_EQ(doc.GetText(), expected);
    ASSERT_TRUE(doc.FindChildElement("Subgroup"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.FindChildElement("GroupName"));
    EXPECT_EQ(doc.GetChildText(), std::string("cn.bbs.") + kGbkText);
}

}  // namespace
