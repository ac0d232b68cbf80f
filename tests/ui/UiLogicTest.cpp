// The editing rules behind the preferences, header and combine dialogs.
#include <gtest/gtest.h>

#include <algorithm>

#include "mime/MimeMessage.h"
#include "ui/CombineParts.h"
#include "ui/FolderName.h"
#include "ui/GroupListDocument.h"
#include "ui/GroupListModel.h"
#include "ui/HeaderBlock.h"
#include "ui/LinkText.h"
#include "ui/PendingList.h"
#include "ui/PreferenceRules.h"
#include "ui/ServerLocation.h"
#include "xml/XmlDocument.h"

namespace {

const std::string kMessage =
    "Received: from a\r\n\tby b\r\nSubject: Hello\r\nReceived: from c\r\nX-Keep:  odd  spacing \r\n\r\n"
    "=E4body line 1\r\nbody: not a header\r\n";
const std::string kBody = "\r\n=E4body line 1\r\nbody: not a header\r\n";

TEST(PreferenceRules, ParsesOnlyIntegersInsideTheRange) {
    const std::string range = kRangeMessage;
    const std::string oneTo1000 =
        "\xA1\xB0\xC7\xEB\xCC\xEE\xC8\xEB\xD2\xBB\xB8\xF6\xD4\xDA"
        "1\xBA\xCD"
        "1000\xD6\xAE\xBC\xE4\xB5\xC4\xD5\xFB\xCA\xFD\xA1\xA3\xA1\xB1";
    struct Case {
        const char* text;
        bool ok;
        int value;
        std::string message;
    } cases[] = {
        {"1", true, 1, ""},
        {" 1000 ", true, 1000, ""},
        {"0", false, 0, oneTo1000},
        {"1001", false, 0, oneTo1000},
        {"99999999999", false, 0, oneTo1000},
        {"4294967297", false, 0, oneTo1000},
        {"-5", false, 0, oneTo1000},
        {"", false, 0, kIntegerMessage},
        {"12a", false, 0, kIntegerMessage},
        {"-", false, 0, kIntegerMessage},
    };
    for (const Case& c : cases) {
        int value = -1;
        std::string message;
        EXPECT_EQ(ParseBoundedInt(c.text, 1, 1000, &value, &message), c.ok) << c.text;
        EXPECT_EQ(message, c.message) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(PreferenceRules, StoredOddValuesShowWithinTheirRange) {
    Preferences stored{5, 7, 0, -1, 2, 1, 0, 3, 71583, 0};
    Preferences shown = PreferencesForDialog(stored);
    EXPECT_EQ(shown.maxNum, 5);  // left for validation to refuse
    EXPECT_EQ(shown.downloadStyle, 1);
    EXPECT_EQ(shown.synTime, 10000);
    int bits[] = {shown.encodeHeader, shown.threadSort, shown.updateNow,    shown.markRead,
                  shown.postPopup,    shown.submenu,    shown.pictureRender};
    int expected[] = {1, 0, 1, 1, 0, 1, 0};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(bits[i], expected[i]) << i;
    EXPECT_EQ(PreferencesForDialog(Preferences{1, 0, 0, 0, 0, 0, 0, 0, 0, 0}).downloadStyle, 0);
}

TEST(HeaderEditor, UnchangedMessageIsWrittenBackByteForByte) {
    HeaderEditor editor(kMessage);
    ASSERT_EQ(editor.RowCount(), 4);
    EXPECT_EQ(editor.RowValue(0), "from a\r\n\tby b");
    EXPECT_EQ(editor.Write(), kMessage);
    // Selecting a row shows its value; the echo of that value changes nothing.
    editor.Select(4 - 1);
    EXPECT_FALSE(editor.ContentTyped("X-Keep", editor.RowValue(3)));
    EXPECT_EQ(editor.Write(), kMessage);
}

TEST(HeaderEditor, EachRowEditsItsOwnOccurrence) {
    HeaderEditor editor(kMessage);
    editor.Select(2);
    EXPECT_TRUE(editor.ContentTyped("Received", "from z"));
    EXPECT_EQ(editor.Write(),
              "Received: from a\r\n\tby b\r\nSubject: Hello\r\nReceived: from z\r\nX-Keep:  odd  spacing \r\n" + kBody);
}

TEST(HeaderEditor, TypedValuesCannotEndTheBlockOrStartAField) {
    struct Case {
        const char* typed;
        const char* field;
    } cases[] = {
        {"a\r\n\r\nb", "Subject: a\r\n b\r\n"},
        {"a\r\nBcc: x@example.org", "Subject: a\r\n Bcc: x@example.org\r\n"},
        {"a\n\tb\r\n  \r\n", "Subject: a\r\n\tb\r\n"},
        {"", "Subject: \r\n"},
    };
    for (const Case& c : cases) {
        HeaderEditor editor(kMessage);
        editor.Select(1);
        editor.ContentTyped("Subject", c.typed);
        std::string out = editor.Write();
        EXPECT_NE(out.find(c.field), std::string::npos) << c.typed;
        EXPECT_EQ(out.substr(out.size() - kBody.size()), kBody) << c.typed;
        EXPECT_EQ(HeaderBlock::Parse(out).fields.size(), 4u) << c.typed;
    }
}

TEST(HeaderEditor, ContentEditsOnlyTheSelectedNamedField) {
    HeaderEditor editor(kMessage);
    EXPECT_FALSE(editor.ContentTyped("", "typed before any selection"));
    editor.Select(1);
    EXPECT_FALSE(editor.ContentTyped("X-New", "preparing a new field"));
    EXPECT_TRUE(editor.DeleteSelected());
    EXPECT_FALSE(editor.DeleteSelected());
    EXPECT_FALSE(editor.ContentTyped("Subject", "after delete"));
    EXPECT_EQ(editor.Write().find("Subject"), std::string::npos);
}

TEST(HeaderEditor, AddRefusesBadAndDuplicateNames) {
    struct Case {
        const char* name;
        bool added;
    } cases[] = {{"X-Tag", true},     {"", false},    {"subject", false},  {"RECEIVED", false},
                 {"Bad Name", false}, {"A:B", false}, {"\xC4\xE3", false}, {"X\x7F", false}};
    for (const Case& c : cases) {
        HeaderEditor editor(kMessage);
        std::string error = editor.Add(c.name, "v1\r\nv2");
        EXPECT_EQ(error.empty(), c.added) << c.name;
        EXPECT_EQ(editor.RowCount(), c.added ? 5 : 4) << c.name;
    }
    EXPECT_EQ(HeaderEditor(kMessage).Add("", "x"), kFieldNameEmpty);
    EXPECT_EQ(HeaderEditor(kMessage).Add("SUBJECT", "x"), kFieldExists);
    HeaderEditor editor(kMessage);
    editor.Add("X-Tag", "v1\r\nv2");
    EXPECT_EQ(editor.Write(),
              "Received: from a\r\n\tby b\r\nSubject: Hello\r\nReceived: from c\r\nX-Keep:  odd  spacing \r\n"
              "X-Tag: v1\r\n v2\r\n" +
                  kBody);
}

TEST(HeaderEditor, KeepsLfLineEndsAndHeaderOnlyTexts) {
    HeaderEditor lf("A: 1\nB: 2\n\nbody\n");
    lf.Add("C", "3");
    EXPECT_EQ(lf.Write(), "A: 1\nB: 2\nC: 3\n\nbody\n");
    HeaderEditor bare("A: 1");
    bare.Add("B", "2");
    EXPECT_EQ(bare.Write(), "A: 1\r\nB: 2\r\n");
}

TEST(Combine, SubjectsSortByNumberAndDecodedText) {
    std::vector<CombinePart> parts;
    for (const char* subject :
         {"Pic [10/12]", "pic [2/12]", "Pic [1/12]", "=?gb2312?B?xOO6ww==?= 3/3", "\xC4\xE3\xBA\xC3 1/3"})
        parts.push_back(CombinePart{"", std::string("Subject: ") + subject + "\r\n\r\n", ""});
    for (CombinePart& part : parts)
        part.subject = MessageSubject(part.source);
    SortParts(&parts);
    std::vector<std::string> order;
    for (const CombinePart& part : parts)
        order.push_back(part.subject);
    EXPECT_EQ(order, (std::vector<std::string>{"Pic [1/12]", "pic [2/12]", "Pic [10/12]", "\xC4\xE3\xBA\xC3 1/3",
                                               "\xC4\xE3\xBA\xC3 3/3"}));
    EXPECT_LT(CompareSubjects("part 02", "part 10"), 0);
    EXPECT_EQ(CompareSubjects("Part 2", "part 02"), 0);
}

TEST(Combine, MovesFollowTheButtonRules) {
    struct Case {
        int selected;
        RowMove move;
        int target;
        const char* order;
    } cases[] = {
        {2, RowMove::kTop, 0, "cab"},    {2, RowMove::kUp, 1, "acb"},      {0, RowMove::kDown, 1, "bac"},
        {0, RowMove::kBottom, 2, "bca"}, {0, RowMove::kUp, -1, "abc"},     {0, RowMove::kTop, -1, "abc"},
        {2, RowMove::kDown, -1, "abc"},  {2, RowMove::kBottom, -1, "abc"}, {-1, RowMove::kUp, -1, "abc"},
    };
    for (const Case& c : cases) {
        std::vector<char> rows{'a', 'b', 'c'};
        EXPECT_EQ(MoveRow(&rows, c.selected, c.move), c.target);
        EXPECT_EQ(std::string(rows.begin(), rows.end()), c.order);
    }
}

TEST(Combine, JoinsBodiesUnderTheFirstHeaderWithoutPlaceholderFields) {
    std::string a =
        "From: a\r\nSubject: part 1/3\r\nX-RILLPOST-FLAG: TRUE\r\nx-rillpost-size: 10\r\n\r\nbegin 644 x\r\nM1\r\n";
    std::string b = "From: b\r\nSubject: part 2/3\r\n\r\nM2";
    std::string c = "From: c\r\n\r\nM3\r\nend\r\n";
    EXPECT_EQ(CombineMessages({&a, &b, &c}, "whole"),
              "From: a\r\nSubject: whole\r\n\r\nbegin 644 x\r\nM1\r\nM2\r\nM3\r\nend\r\n");
    EXPECT_EQ(CombineMessages({&c}, "new"), "From: c\r\nSubject: new\r\n\r\nM3\r\nend\r\n");
    EXPECT_EQ(CombineMessages({}, "x"), "");
}

TEST(Combine, AJoinedFileBecomesANamedBase64PartUnderTheFirstHeader) {
    std::string bytes;
    for (int i = 0; i < 300; ++i)
        bytes.push_back(static_cast<char>(i * 7));
    std::string first =
        "From: a\r\nSubject: p 1/2\r\nX-RILLPOST-FLAG: FALSE\r\nContent-Type: text/plain\r\n"
        "MIME-Version: 1.0\r\n\r\n=ybegin part=1\r\n";
    std::string text = CombineFileMessage(first, "whole", "a\"b.JPG", bytes, 2);
    MimeMessage message;
    ASSERT_GT(message.Load(text.data(), static_cast<int>(text.size())), 0);
    EXPECT_EQ("a", message.GetFieldValue("From"));
    EXPECT_EQ("whole", message.GetFieldValue("Subject"));
    EXPECT_EQ(std::string::npos, text.find("X-RILLPOST-FLAG"));
    EXPECT_EQ(std::string::npos, text.find("text/plain\r\nMIME-Version"));
    ASSERT_EQ(2u, message.Parts().size());
    const MimeBody& picture = *message.Parts().back();
    EXPECT_EQ(MimeHeader::kMediaImage, picture.GetMediaType());
    EXPECT_EQ("ab.JPG", picture.GetName());
    std::string content;
    picture.GetContent(content);
    EXPECT_EQ(bytes, content);
}

// A part still being fetched ("TRUE") is no more an article than one never fetched.
TEST(Combine, EitherDownloadFlagMarksAPlaceholder) {
    EXPECT_TRUE(IsPlaceholder("Subject: s\r\nX-RILLPOST-FLAG: FALSE\r\n\r\n"));
    EXPECT_TRUE(IsPlaceholder("Subject: s\r\nX-RILLPOST-FLAG: TRUE\r\n\r\n"));
    EXPECT_FALSE(IsPlaceholder("Subject: s\r\n\r\nX-RILLPOST-FLAG: FALSE\r\n"));
}

std::vector<std::string> VisibleNames(const GroupListModel& model) {
    std::vector<std::string> names;
    for (size_t row = 0; row < model.VisibleCount(); ++row)
        names.push_back(model.Name(model.VisibleAt(row)));
    return names;
}

TEST(GroupListModel, SortsIgnoringCaseAndFiltersAnywhereInTheName) {
    GroupListModel model;
    model.Load(",comp.lang.c,,alt.test,Comp.Os,b,alt.test,");
    EXPECT_EQ(model.Size(), 5u);
    EXPECT_EQ(model.Name(0), "comp.lang.c");
    struct Case {
        const char* filter;
        std::vector<std::string> shown;
    } cases[] = {
        {"", {"alt.test", "alt.test", "b", "comp.lang.c", "Comp.Os"}},
        {"COMP", {"comp.lang.c", "Comp.Os"}},
        {".c", {"comp.lang.c"}},
        {"t.t", {"alt.test", "alt.test"}},
        {"zzz", {}},
    };
    for (const Case& c : cases) {
        model.SetFilter(c.filter);
        EXPECT_EQ(VisibleNames(model), c.shown) << c.filter;
    }
    model.SetFilter("comp");
    EXPECT_EQ(model.RowOf("COMP.OS"), 1);
    EXPECT_EQ(model.RowOf("b"), -1);
    EXPECT_TRUE(model.Contains("B"));
    EXPECT_FALSE(model.Contains("comp"));
    EXPECT_EQ(GroupListModel::Join({"a.b", "c.d"}), "a.b,c.d,");
    model.Load("");
    EXPECT_EQ(model.VisibleCount(), 0u);
}

// Names that agree in their first sixteen bytes, differ only in case, run past a double-byte
// character or are each other's prefixes, given in any order or already sorted either way: the
// order is that of a plain stable sort of the lower-cased names.
TEST(GroupListModel, OrderMatchesAStableSortOfLoweredNames) {
    const char* const parts[] = {"comp", "COMP", "comp.lang", "Comp.Lang", "c", "\xb1\xb1\xbe\xa9", "a", "\x7f", "z."};
    uint32_t seed = 99;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i) {
        std::string name;
        for (uint32_t n = 1 + next() % 3; n > 0; --n)
            name += parts[next() % 9];
        names.push_back(name);
    }
    auto lowerFirst = [](const std::string& a, const std::string& b) {
        return GroupListModel::Lower(a) < GroupListModel::Lower(b);
    };
    std::vector<std::string> ascending = names;
    std::stable_sort(ascending.begin(), ascending.end(), lowerFirst);
    // Lists a server may send in order, either way, with and without names equal but for case.
    const std::vector<std::string> lists[] = {
        names,
        ascending,
        {ascending.rbegin(), ascending.rend()},
        {"d", "c", "b", "a"},
        {"B", "b", "A", "a"},
        {"a", "A", "b", "B"},
    };
    GroupListModel model;
    for (const std::vector<std::string>& list : lists) {
        model.Load(GroupListModel::Join(list));
        std::vector<std::string> expected = list;
        std::stable_sort(expected.begin(), expected.end(), lowerFirst);
        EXPECT_EQ(VisibleNames(model), expected) << list.front() << " first of " << list.size();
    }
}

TEST(GroupListModel, SubscribedNamesIgnoreCase) {
    GroupListModel model;
    model.Load("Comp.Os,alt.test,");
    model.MarkSubscribed("comp.os", true);
    EXPECT_TRUE(model.IsSubscribed("COMP.OS"));
    EXPECT_FALSE(model.IsSubscribed("alt.test"));
    model.MarkSubscribed("Comp.OS", false);
    EXPECT_FALSE(model.IsSubscribed("comp.os"));
}

TEST(ServerLocation, TrimsAndRefusesWhatCannotNameItsGroupList) {
    // "a..80" was stored before its name was checked; its list is the element "a..80".
    const std::vector<std::string> existing = {"news.Example.com", "127.0.0.1", "a..80"};
    struct Case {
        const char* typed;
        bool ok;
        const char* location;
        const char* messagePart;
    } cases[] = {
        {"  news.other-site_1.org\t", true, "news.other-site_1.org", ""},
        {"127.0.0.2", true, "127.0.0.2", ""},
        {"   ", false, "", "enter"},
        {"news server", false, "news server", "only"},
        {"news:119", true, "news:119", ""},
        {"127.0.0.1:563", true, "127.0.0.1:563", ""},
        {"news:65535", true, "news:65535", ""},
        {"news:0", false, "news:0", "port"},
        {"news:65536", false, "news:65536", "port"},
        {"news:", false, "news:", "port"},
        {"news:1:2", false, "news:1:2", "port"},
        {":119", false, ":119", "only"},
        {"news..a:119", false, "news..a:119", ".."},
        {"news\xC4\xE3.cn", false, "news\xC4\xE3.cn", "only"},
        {"<Server>", false, "<Server>", "only"},
        {" NEWS.example.COM ", false, "NEWS.example.COM", "already"},
        {"a:80", false, "a:80", "group list"},
        {"A:80", false, "A:80", "group list"},
        {"a:81", true, "a:81", ""},
    };
    for (const Case& c : cases) {
        std::string location, message;
        EXPECT_EQ(CheckServerLocation(c.typed, existing, &location, &message), c.ok) << c.typed;
        EXPECT_EQ(location, c.location);
        EXPECT_NE(message.find(c.messagePart), std::string::npos) << message;
    }
    EXPECT_FALSE(CanStoreGroupList(""));
    EXPECT_TRUE(CanStoreGroupList("news.a:119"));
    EXPECT_FALSE(CanStoreGroupList("news.a:x"));
    // A ':' would be a namespace prefix in the element name; bare names are unchanged.
    EXPECT_EQ("news.a..119", GroupListElementName("news.a:119"));
    EXPECT_EQ("news.a", GroupListElementName("news.a"));
}

TEST(ServerLocation, AGroupListStoredForAHostAndPortIsFoundAfterAReparse) {
    CXmlDocument stored;
    ASSERT_TRUE(stored.ParseText("<Server><news.a>x.y,</news.a></Server>"));
    ASSERT_TRUE(stored.FindElement("Server"));
    stored.EnterElement();
    ASSERT_TRUE(stored.AddElement(GroupListElementName("news.a:563").c_str(), "a.b,c.d,", false));
    CXmlDocument reread;
    ASSERT_TRUE(reread.ParseText(stored.GetText().c_str())) << reread.GetParseError();
    ASSERT_TRUE(reread.FindElement("Server"));
    reread.EnterElement();
    ASSERT_TRUE(reread.FindElement(GroupListElementName("news.a:563").c_str())) << stored.GetText();
    EXPECT_EQ("a.b,c.d,", reread.GetElementText());
    reread.ResetPosition();
    ASSERT_TRUE(reread.FindElement("Server"));
    reread.EnterElement();
    ASSERT_TRUE(reread.FindElement("news.a"));
    EXPECT_EQ("x.y,", reread.GetElementText());
}

}  // namespace

TEST(FolderName, OnlyNamesTheFileSystemTakesAsOneSegmentNameAGroupFolder) {
    for (const char* name : {"comp.lang.c", "alt.\xd6\xd0\xce\xc4"})
        EXPECT_TRUE(IsValidFolderName(name)) << name;
    for (const char* name :
         {"",       ".",   "..",    "a\\b", "a/b",        "a:b",       "a*b",       "a?b", "a\"b",
          "a<b",    "a>b", "a|b",   "a\tb", "a\x7f",      "trailing.", "trailing ", "con", "CON.test",
          "nul .x", "aux", "prn.y", "com1", "LPT9.group", "com\xB9",   "lpt\xB2.z"})
        EXPECT_FALSE(IsValidFolderName(name)) << name;
}

TEST(LinkText, KnownShellErrorsHaveTheirMessageAndOthersTheirCode) {
    const struct {
        long long code;
        const char* text;
    } cases[] = {
        {0, "The operating system is out\nof memory or resources."},
        {26, "A sharing violation occurred. "},
        {32, "The specified dynamic-link library was not found."},
        {1, "Unknown Error (1) occurred."},
        {33, "Unknown Error (33) occurred."},
        {-7, "Unknown Error (-7) occurred."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, LinkErrorText(c.code)) << c.code;
}

TEST(LinkText, BrowserCommandIsCutBeforeItsPlaceholder) {
    const struct {
        const char* command;
        const char* line;
    } cases[] = {
        {"\"C:\\Web\\web.exe\" -osint -url \"%1\"", "\"C:\\Web\\web.exe\" -osint -url  https://x.example/"},
        {"web.exe %1", "web.exe  https://x.example/"},
        {"web.exe %1 \"%1\"", "web.exe %1  https://x.example/"},
        {"web.exe -nohome", "web.exe -nohome https://x.example/"},
        {"", " https://x.example/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.line, BrowserCommandLine(c.command, "https://x.example/")) << c.command;
}

// What the manage dialog hands over after a visit: only the net effect, per server and group.
TEST(PendingList, KeepsOnlyTheNetEffectPerServerAndGroup) {
    struct Step {
        char action;  // 's' subscribe, 'u' unsubscribe
        const char* location;
        const char* group;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::string> subscribe;  // "location/group"
        std::vector<std::string> unsubscribe;
    } cases[] = {
        {"subscribe a new group", {{'s', "a", "g"}}, {"a/g"}, {}},
        {"subscribe then unsubscribe a new group", {{'s', "a", "g"}, {'u', "a", "g"}}, {}, {}},
        {"unsubscribe then subscribe a stored group", {{'u', "a", "g"}, {'s', "a", "g"}}, {}, {}},
        {"subscribe twice", {{'s', "a", "g"}, {'s', "a", "g"}}, {"a/g"}, {}},
        {"unsubscribe twice", {{'u', "a", "g"}, {'u', "a", "g"}}, {}, {"a/g"}},
        {"the same group on two servers", {{'s', "a", "g"}, {'s', "b", "g"}, {'u', "b", "g"}}, {"a/g"}, {}},
        {"servers compare ignoring case", {{'s', "News.A", "g"}, {'u', "news.a", "g"}}, {}, {}},
        // "Comp.Os" shown as subscribed and "comp.os" from the server's list are one group: the
        // visit changes nothing, and the stored folder is never deleted.
        {"groups compare ignoring case", {{'u', "a", "Comp.Os"}, {'s', "a", "comp.os"}}, {}, {}},
        {"back and forth three times", {{'s', "a", "g"}, {'u', "a", "g"}, {'s', "a", "g"}}, {"a/g"}, {}},
    };
    auto keys = [](const std::vector<PendingGroup>& list) {
        std::vector<std::string> out;
        for (const PendingGroup& entry : list)
            out.push_back(entry.location + "/" + entry.group);
        return out;
    };
    for (const Case& c : cases) {
        PendingList pending;
        for (const Step& step : c.steps) {
            PendingGroup entry{step.location, "id", step.group, 0};
            if (step.action == 's')
                pending.Subscribe(entry);
            else
                pending.Unsubscribe(entry);
        }
        EXPECT_EQ(keys(pending.Changes().subscribe), c.subscribe) << c.name;
        EXPECT_EQ(keys(pending.Changes().unsubscribe), c.unsubscribe) << c.name;
    }
}

TEST(PendingList, StyleAndRenameFollowThePendingEntry) {
    PendingList pending;
    pending.Subscribe(PendingGroup{"a", "id", "g", 0});
    EXPECT_TRUE(pending.SetStyle("A", "g", 2));
    EXPECT_FALSE(pending.SetStyle("a", "other", 1));
    pending.RenameServer("a", "b");
    ASSERT_NE(pending.FindSubscribe("b", "g"), nullptr);
    EXPECT_EQ(pending.FindSubscribe("b", "g")->style, 2);
    EXPECT_TRUE(pending.HasServer("B"));
    EXPECT_FALSE(pending.HasServer("a"));
}

TEST(GroupListDocument, RenameReplacesAStaleListOfTheNewName) {
    GroupListDocument lists;
    lists.Load("no-such-folder/RillpostData.xml");
    ASSERT_TRUE(lists.Set("old.host", "moved,"));
    ASSERT_TRUE(lists.Set("new.host", "stale,"));
    ASSERT_TRUE(lists.Rename("old.host", "new.host"));
    std::string text;
    EXPECT_FALSE(lists.Get("old.host", &text));
    ASSERT_TRUE(lists.Get("new.host", &text));
    EXPECT_EQ(text, "moved,");
    // One element only: once it is removed, nothing of that name is left.
    EXPECT_TRUE(lists.Remove("new.host"));
    EXPECT_FALSE(lists.Get("new.host", &text));
}
