#include "xml/XmlConfig.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "xml/AtomicFile.h"

namespace {

const char kTwoServers[] =
    "<Setup>\r\n"
    "<Server>\r\n<ID>a</ID>\r\n<Location>news.a</Location>\r\n<Username>ua</Username>\r\n"
    "<Subgroup>\r\n<FolderID>a\\g1\\</FolderID>\r\n<GroupName>g.one</GroupName>\r\n<HaveRead>1</HaveRead>\r\n"
    "</Subgroup>\r\n</Server>\r\n"
    "<Server>\r\n<ID>b</ID>\r\n<Location>news.b</Location>\r\n<Username>ub</Username>\r\n</Server>\r\n"
    "</Setup>\r\n";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string TempPath(const char* name) {
    return std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" + name;
}

TEST(XmlConfigSettings, EmptyDocumentGivesDefaultsAndSetCreatesThePath) {
    CXmlConfig config;
    EXPECT_EQ(config.GetInt("Setup:Configuration:MaxNum", 100, false), 100);
    EXPECT_EQ(config.GetText(), "");  // a getter creates nothing
    ASSERT_TRUE(config.SetInt("Setup:Configuration:MaxNum", 100, true, false));
    EXPECT_EQ(config.GetText(),
              "<Setup>\r\n<Configuration>\r\n<MaxNum>100</MaxNum>\r\n</Configuration>\r\n</Setup>\r\n");
    EXPECT_EQ(config.GetInt("Setup:Configuration:MaxNum", 7, false), 100);
    ASSERT_TRUE(config.SetString("Setup:Configuration:Online", "1", true, false));
    ASSERT_TRUE(config.SetInt("Setup:Configuration:MaxNum", 250, true, false));
    EXPECT_EQ(config.GetText(),
              "<Setup>\r\n<Configuration>\r\n<MaxNum>250</MaxNum>\r\n<Online>1</Online>\r\n</Configuration>\r\n"
              "</Setup>\r\n");
}

TEST(XmlConfigSettings, ValuesReadAsAtoiWouldAndEmptyIsNotDefault) {
    CXmlConfig config;
    ASSERT_TRUE(config.ParseText(
        "<Setup><Configuration><A>  42xyz</A><B>abc</B><C></C><D/><E>99999999999</E><F>-7</F></Configuration>"
        "</Setup>"));
    EXPECT_EQ(config.GetInt("Setup:Configuration:A", 1, false), 42);
    EXPECT_EQ(config.GetInt("Setup:Configuration:B", 1, false), 0);
    EXPECT_EQ(config.GetInt("Setup:Configuration:C", 1, false), 0);
    EXPECT_EQ(config.GetString("Setup:Configuration:D", "dflt", false), "");
    EXPECT_EQ(config.GetInt("Setup:Configuration:E", 1, false), INT32_MAX);
    EXPECT_EQ(config.GetInt("Setup:Configuration:F", 1, false), -7);
    EXPECT_EQ(config.GetInt("Setup:Configuration:Missing", 5, false), 5);
    EXPECT_EQ(config.GetString("Setup::Configuration::B", "", false), "abc");  // empty pieces skipped
}

TEST(XmlConfigSettings, PathOutsideTheTopElementWritesNothing) {
    CXmlConfig config;
    ASSERT_TRUE(config.ParseText("<Setup></Setup>"));
    EXPECT_FALSE(config.SetString("Other:Key", "v", true, false));
    EXPECT_EQ(config.GetText(), "<Setup></Setup>");
}

TEST(XmlConfigRecords, SelectByKeyAndReadChildrenRelatively) {
    CXmlConfig config;
    ASSERT_TRUE(config.ParseText(kTwoServers));
    ASSERT_TRUE(config.SelectRecord("Setup:Server", "ID", "b", false, true));
    ASSERT_TRUE(config.SavePosition("TEMP"));
    EXPECT_EQ(config.GetString("Location", "", true), "news.b");
    // Without restoring, the position was reset: the relative read finds nothing.
    EXPECT_EQ(config.GetString("Username", "none", true), "none");
    ASSERT_TRUE(config.RestorePosition("TEMP"));
    EXPECT_EQ(config.GetString("Username", "none", true), "ub");
    ASSERT_TRUE(config.RestorePosition("TEMP"));
    EXPECT_EQ(config.GetInt("Authenication", 0, true), 0);
    ASSERT_TRUE(config.RestorePosition("TEMP"));
    ASSERT_TRUE(config.SetString("Password", "pw", true, true));
    EXPECT_NE(config.GetText().find("<Username>ub</Username>\r\n<Password>pw</Password>\r\n</Server>"),
              std::string::npos);

    std::string before = config.GetText();
    config.ResetPosition();
    EXPECT_FALSE(config.SelectRecord("Setup:Server", "ID", "c", false, true));
    EXPECT_EQ(config.GetText(), before);
}

TEST(XmlConfigRecords, LookupsAreExactAndNeverChangeTheDocument) {
    const char* text =
        "<Setup>\r\n<Server>\r\n<Location>x</Location>\r\n</Server>\r\n"
        "<Server>\r\n<ID></ID>\r\n<Subgroup><GroupName>g</GroupName></Subgroup>\r\n</Server>\r\n</Setup>";
    struct Case {
        const char* name;
        const char* serverId;
        const char* folderId;  // null: the news-mailbox test alone
        bool strict;
        bool found;
    } cases[] = {
        {"a server without ID matches no ID", "zzz", nullptr, true, false},
        {"not even when not strict", "zzz", nullptr, false, false},
        {"an empty ID matches only an empty ID element", "", nullptr, true, true},
        {"a group without FolderID matches no folder", "", "f\\", false, false},
        {"nor an empty one", "", "", true, false},
    };
    for (const Case& c : cases) {
        CXmlConfig config;
        ASSERT_TRUE(config.ParseText(text));
        bool found = c.folderId ? config.SelectServerGroup(c.serverId, c.folderId, c.strict, false)
                                : config.SelectRecord("Setup:Server", "ID", c.serverId, false, c.strict);
        EXPECT_EQ(found, c.found) << c.name;
        EXPECT_EQ(config.GetText(), text) << c.name;
    }
    CXmlConfig other;
    ASSERT_TRUE(other.ParseText("<Other/>"));
    EXPECT_FALSE(other.SelectRecord("Setup:Server", "ID", "a", false, false));
    EXPECT_EQ(other.GetText(), "<Other/>");
}

TEST(XmlConfigRecords, ForceNewLandsAfterTheFirstRecordOfItsName) {
    CXmlConfig config;
    ASSERT_TRUE(config.ParseText(kTwoServers));
    ASSERT_TRUE(config.SelectRecord("Setup:Server", "ID", "", true, false));
    ASSERT_TRUE(config.SavePosition("T"));
    ASSERT_TRUE(config.SetString("ID", "c", true, true));
    ASSERT_TRUE(config.RestorePosition("T"));
    ASSERT_TRUE(config.SetString("Location", "news.c", true, true));

    // Servers in file order: a, c, b.
    const char* expected[] = {"a", "c", "b"};
    config.ResetPosition();
    ASSERT_TRUE(config.FindElement("Setup"));
    ASSERT_TRUE(config.EnterElement());
    for (const char* id : expected) {
        ASSERT_TRUE(config.FindElement("Server"));
        ASSERT_TRUE(config.FindChildElement("ID"));
        EXPECT_EQ(config.GetChildText(), id);
        config.SetPosition(config.GetParentIndex(), config.GetCurrentIndex(), 0, 1);
    }
    EXPECT_FALSE(config.FindElement("Server"));
    EXPECT_NE(config.GetText().find("</Server>\r\n<Server>\r\n<ID>c</ID>\r\n<Location>news.c</Location>\r\n</Server>"
                                    "\r\n<Server>\r\n<ID>b</ID>"),
              std::string::npos);

    // The first record in an empty document goes after the last child.
    CXmlConfig empty;
    ASSERT_TRUE(empty.SelectRecord("Setup:Server", "ID", "", true, false));
    EXPECT_EQ(empty.GetText(), "<Setup>\r\n<Server>\r\n<ID/>\r\n</Server>\r\n</Setup>\r\n");
}

TEST(XmlConfigRecords, ServerGroupLookupAndSubscription) {
    CXmlConfig config;
    ASSERT_TRUE(config.ParseText(kTwoServers));
    ASSERT_TRUE(config.SelectServerGroup("a", "a\\g1\\", true, false));
    ASSERT_TRUE(config.SavePosition("TE"));
    EXPECT_EQ(config.GetString("GroupName", "", true), "g.one");
    EXPECT_FALSE(config.SelectServerGroup("a", "a\\g2\\", true, false));
    EXPECT_FALSE(config.SelectServerGroup("z", "a\\g1\\", true, false));

    // Subscribe a new group on server b.
    ASSERT_TRUE(config.SelectServerGroup("b", "", false, true));
    ASSERT_TRUE(config.SavePosition("TE"));
    ASSERT_TRUE(config.SetString("FolderID", "b\\g9\\", true, true));
    ASSERT_TRUE(config.RestorePosition("TE"));
    ASSERT_TRUE(config.SetString("GroupName", "g.nine", true, true));
    ASSERT_TRUE(config.SelectServerGroup("b", "b\\g9\\", true, false));
    ASSERT_TRUE(config.RemoveElement());
    EXPECT_FALSE(config.SelectServerGroup("b", "b\\g9\\", true, false));
    CXmlConfig reparsed;
    ASSERT_TRUE(reparsed.ParseText(config.GetText().c_str())) << reparsed.GetParseError();
}

// The indexed lookup must land where the walk of SelectRecord does, after any mix of edits:
// keys renamed into duplicates, records added and removed, the text parsed again.
TEST(XmlConfigRecords, ServerGroupLookupFollowsEveryEdit) {
    const char* ids[] = {"a", "b", "c"};
    const char* folders[] = {"f1", "f2", "f3", "f4"};
    CXmlConfig config;
    ASSERT_TRUE(
        config.ParseText("<Setup>\r\n<Server>\r\n<ID>a</ID>\r\n<Subgroup>\r\n<FolderID>f1</FolderID>\r\n</Subgroup>\r\n"
                         "</Server>\r\n<Server>\r\n<Location>no id</Location>\r\n</Server>\r\n</Setup>\r\n"));
    std::mt19937 rng(5);
    auto pick = [&rng](auto& table) { return table[rng() % (sizeof table / sizeof table[0])]; };
    for (int step = 0; step < 3000; ++step) {
        const char* id = pick(ids);
        const char* folder = pick(folders);
        switch (rng() % 7) {
            case 0:  // a folder renamed, maybe onto another subscription's key
                if (config.SelectServerGroup(id, folder, true, false) && config.SavePosition("TE"))
                    config.SetString("FolderID", pick(folders), true, true);
                break;
            case 1:  // a server's mailbox changed
                if (config.SelectRecord("Setup:Server", "ID", id, false, true) && config.SavePosition("T"))
                    config.SetString("ID", pick(ids), true, true);
                break;
            case 2:  // a subscription
                if (config.SelectServerGroup(id, "", false, true))
                    config.SetChildText(folder, false);
                break;
            case 3:
                if (config.SelectServerGroup(id, folder, true, false))
                    config.RemoveElement();
                break;
            case 4:  // a new server; its key child is the current child
                if (rng() % 4 == 0 && config.SelectRecord("Setup:Server", "ID", "", true, false))
                    config.SetChildText(id, false);
                break;
            case 5:
                if (rng() % 8 == 0 && config.SelectRecord("Setup:Server", "ID", id, false, true))
                    config.RemoveElement();
                break;
            default:
                if (rng() % 50 == 0) {
                    ASSERT_TRUE(config.ParseText(std::string(config.GetText()).c_str()));
                }
                break;
        }
        for (const char* i : ids) {
            for (const char* f : folders) {
                bool found = config.SelectServerGroup(i, f, true, false);
                int parent = config.GetParentIndex(), current = config.GetCurrentIndex();
                config.ResetPosition();
                bool walked = config.SelectRecord("Setup:Server", "ID", i, false, true) && config.EnterElement() &&
                              config.SelectRecord("Subgroup", "FolderID", f, false, true);
                ASSERT_EQ(found, walked) << "step " << step << " " << i << " " << f;
                if (found) {
                    ASSERT_EQ(parent, config.GetParentIndex()) << "step " << step;
                    ASSERT_EQ(current, config.GetCurrentIndex()) << "step " << step;
                }
            }
        }
    }
}

// Texts that are not keys change length far more often than keys do (a group's numbers grow):
// after each such edit, a key rename, an added or a removed element, every lookup and every text
// read through it must match a fresh parse of the same text.
TEST(XmlConfigRecords, LookupsAndTextsMatchAFreshParseAcrossEdits) {
    const char* ids[] = {"a", "b"};
    const char* folders[] = {"f1", "f2", "f3"};
    CXmlConfig config;
    ASSERT_TRUE(
        config.ParseText("<Setup>\r\n<Server>\r\n<ID>a</ID>\r\n<Subgroup>\r\n<FolderID>f1</FolderID>\r\n"
                         "<LastNumber>7</LastNumber>\r\n</Subgroup>\r\n<Subgroup>\r\n<FolderID>f2</FolderID>\r\n"
                         "</Subgroup>\r\n</Server>\r\n<Server>\r\n<ID>b</ID>\r\n</Server>\r\n</Setup>\r\n"));
    std::mt19937 rng(11);
    auto pick = [&rng](auto& table) { return table[rng() % (sizeof table / sizeof table[0])]; };
    for (int step = 0; step < 2000; ++step) {
        const char* id = pick(ids);
        const char* folder = pick(folders);
        int action = rng() % 8;
        if (action < 4) {  // a number of any length, its element added when missing
            if (config.SelectServerGroup(id, folder, true, false) && config.SavePosition("TE"))
                config.SetString("LastNumber", std::string(rng() % 12, '0' + step % 10).c_str(), true, true);
        } else if (action == 4) {
            if (config.SelectServerGroup(id, folder, true, false) && config.SavePosition("TE"))
                config.SetString("FolderID", pick(folders), true, true);
        } else if (action == 5) {
            if (config.SelectServerGroup(id, "", false, true))
                config.SetChildText(folder, false);
        } else if (action == 6) {
            if (config.SelectServerGroup(id, folder, true, false) && config.EnterElement() &&
                config.FindElement("LastNumber"))
                config.RemoveElement();
        } else if (config.SelectServerGroup(id, folder, true, false)) {
            config.RemoveElement();
        }
        CXmlConfig fresh;
        ASSERT_TRUE(fresh.ParseText(config.GetText().c_str())) << "step " << step;
        for (const char* i : ids) {
            for (const char* f : folders) {
                bool found = config.SelectServerGroup(i, f, true, false);
                ASSERT_EQ(found, fresh.SelectServerGroup(i, f, true, false)) << "step " << step << " " << i << f;
                if (!found)
                    continue;
                config.SavePosition("TE");
                fresh.SavePosition("TE");
                ASSERT_EQ(fresh.GetString("LastNumber", "-", true), config.GetString("LastNumber", "-", true))
                    << "step " << step;
                config.RestorePosition("TE");
                fresh.RestorePosition("TE");
                ASSERT_EQ(fresh.GetString("FolderID", "-", true), config.GetString("FolderID", "-", true))
                    << "step " << step;
            }
        }
    }
}

// New texts are written into the text only when it is needed; many of them written at once, among
// added, removed and opened elements, must give the bytes and values that writing each at once gives.
TEST(XmlConfigRecords, TextsWrittenTogetherMatchTextsWrittenOneByOne) {
    const char* ids[] = {"a", "b"};
    const char* folders[] = {"f1", "f2", "f3"};
    const char* values[] = {"", "7", "123456789", "<&>", "x]]>y", "\xD6\xD0"};
    const std::string group = "<LastNumber>7</LastNumber>\r\n<HaveRead></HaveRead>\r\n</Subgroup>\r\n";
    const std::string start =
        "<Setup>\r\n<Server>\r\n<ID>a</ID>\r\n<Note/>\r\n<Subgroup>\r\n<FolderID>f1</FolderID>\r\n" + group +
        "<Subgroup>\r\n<FolderID>f2</FolderID>\r\n" + group +
        "</Server>\r\n<Server>\r\n<ID>b</ID>\r\n<Subgroup>\r\n<FolderID>f1</FolderID>\r\n" + group +
        "</Server>\r\n</Setup>\r\n";
    CXmlConfig eager, held;
    ASSERT_TRUE(eager.ParseText(start.c_str()));
    ASSERT_TRUE(held.ParseText(start.c_str()));
    std::mt19937 rng(5);
    auto pick = [&rng](auto& table) { return table[rng() % (sizeof table / sizeof table[0])]; };
    for (int step = 0; step < 3000; ++step) {
        const char* id = pick(ids);
        const char* folder = pick(folders);
        const char* value = pick(values);
        const char* child = rng() % 2 ? "LastNumber" : "HaveRead";
        const char* renamed = pick(folders);
        // Mostly texts, so that several are held at once; the rest change tags.
        int action = rng() % 48;
        for (CXmlConfig* c : {&eager, &held}) {
            if (action == 39) {
                if (c->SelectServerGroup(id, "", false, true))
                    c->SetChildText(folder, false);
            } else if (c->SelectServerGroup(id, folder, true, false) && c->SavePosition("TE")) {
                if (action < 30) {
                    c->SetString(child, value, true, true);
                } else if (action < 34) {
                    c->EnterElement();
                    if (c->FindElement(child))
                        c->SetElementText(value, true);
                } else if (action < 37) {
                    c->SetString("FolderID", renamed, true, true);
                } else if (action == 37) {
                    c->SetString("Setup:Server:Note", value, true, false);
                } else if (action == 38) {
                    c->RemoveElement();
                }
            }
            c->ResetPosition();
        }
        eager.GetText();
        if (action == 40) {
            ASSERT_EQ(held.GetText(), eager.GetText()) << "step " << step;
        }
        ASSERT_EQ(held.SelectServerGroup(id, folder, true, false), eager.SelectServerGroup(id, folder, true, false));
        held.SavePosition("TE");
        eager.SavePosition("TE");
        ASSERT_EQ(held.GetString(child, "-", true), eager.GetString(child, "-", true)) << "step " << step;
    }
    EXPECT_EQ(held.GetText(), eager.GetText());
}

TEST(XmlConfigFiles, MissingFileLoadsEmptyAndSaveWritesBytes) {
    std::string path = TempPath("cfg.xml");
    std::remove(path.c_str());
    CXmlConfig config;
    config.LoadConfig(path.c_str());
    EXPECT_EQ(config.GetConfigPath(), path);
    EXPECT_FALSE(config.HasRootElement());
    ASSERT_TRUE(config.SetInt("Setup:Configuration:SynTime", 5, true, false));
    ASSERT_TRUE(config.SaveFile(path.c_str()));
    EXPECT_EQ(ReadFile(path), config.GetText());

    CXmlConfig reloaded;
    reloaded.LoadConfig(path.c_str());
    EXPECT_EQ(reloaded.GetInt("Setup:Configuration:SynTime", 0, false), 5);
    std::remove(path.c_str());
}

TEST(XmlConfigFiles, FailedSaveLeavesTheOldFileIntact) {
    std::string path = TempPath("cfg.xml");
    WriteFile(path, kTwoServers);
    CXmlConfig config;
    config.LoadConfig(path.c_str());
    ASSERT_TRUE(config.SetString("Setup:Configuration:Note", std::string(5000, 'x').c_str(), true, false));

    atomicfile::SetWriteLimitForTesting(100);  // the disk fills up after 100 bytes
    EXPECT_FALSE(config.SaveFile(path.c_str()));
    atomicfile::SetWriteLimitForTesting(SIZE_MAX);
    EXPECT_EQ(ReadFile(path), kTwoServers);

    ASSERT_TRUE(config.SaveFile(path.c_str()));
    EXPECT_EQ(ReadFile(path), config.GetText());
    std::remove(path.c_str());
}

// When the folder refuses the temporary file (here a folder stands in its way), the file is
// written in place: never shortened first, and given back its old bytes when the write fails.
TEST(XmlConfigFiles, InPlaceSaveNeverLeavesAnEmptyFile) {
    using atomicfile::WriteFailure;
    const std::string old(50, 'o');
    struct Case {
        const char* what;
        size_t newSize;
        size_t writeLimit;
        bool ok;
        WriteFailure failure;
        bool oldBytesAfter;
    } cases[] = {
        {"shorter new text", 10, SIZE_MAX, true, WriteFailure::kNone, false},
        {"longer new text", 5000, SIZE_MAX, true, WriteFailure::kNone, false},
        {"disk full: old bytes written back", 5000, 100, false, WriteFailure::kOldRestored, true},
        {"disk full for the old bytes too", 5000, 20, false, WriteFailure::kOldLost, false},
    };
    for (const Case& c : cases) {
        std::string path = TempPath("inplace.xml");
        std::string blocker = atomicfile::TempPathFor(path.c_str());
        std::filesystem::create_directory(blocker);
        WriteFile(path, old);
        CXmlDocument doc;
        doc.ParseText(("<a>" + std::string(c.newSize - 7, 'n') + "</a>").c_str());
        atomicfile::SetWriteLimitForTesting(c.writeLimit);
        WriteFailure failure = WriteFailure::kOldKept;
        EXPECT_EQ(doc.SaveFile(path.c_str(), &failure), c.ok) << c.what;
        atomicfile::SetWriteLimitForTesting(SIZE_MAX);
        EXPECT_EQ(failure, c.failure) << c.what;
        if (c.ok || c.oldBytesAfter) {
            EXPECT_EQ(ReadFile(path), c.ok ? doc.GetText() : old) << c.what;
        }
        EXPECT_FALSE(ReadFile(path).empty()) << c.what;
        std::remove(path.c_str());
        std::filesystem::remove(blocker);
    }
}

TEST(XmlConfigFiles, TwoThreadsSavingOneFileEachWriteWholeCopies) {
    std::string path = TempPath("shared.gif");
    const std::string a(70000, 'a'), b(50000, 'b');
    bool okA = true, okB = true;
    auto save = [&path](const std::string& bytes, bool* ok) {
        for (int i = 0; i < 100; ++i)
            *ok = atomicfile::WriteAllUnflushed(path.c_str(), bytes) && *ok;
    };
    std::thread first(save, std::cref(a), &okA), second(save, std::cref(b), &okB);
    first.join();
    second.join();
    EXPECT_TRUE(okA && okB);
    std::string got = ReadFile(path);
    EXPECT_TRUE(got == a || got == b) << got.size() << " bytes";
    std::remove(path.c_str());
}

TEST(XmlConfigFiles, UnparsableFileKeepsItsTextAndAppends) {
    std::string path = TempPath("bad.xml");
    WriteFile(path, "<Setup><oops></Setup>");
    CXmlConfig config;
    config.LoadConfig(path.c_str());
    EXPECT_EQ(config.GetInt("Setup:Configuration:MaxNum", 100, false), 100);
    ASSERT_TRUE(config.SetInt("Setup:Configuration:MaxNum", 3, true, false));
    EXPECT_EQ(config.GetText().rfind("<Setup><oops></Setup><Setup>", 0), 0u);
    std::remove(path.c_str());
}

}  // namespace
