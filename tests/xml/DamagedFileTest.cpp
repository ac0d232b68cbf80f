// A configuration file that does not parse: when it counts as damaged, where its copy goes, and
// what the user is told.
#include "xml/DamagedFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "xml/AtomicFile.h"
#include "xml/XmlConfig.h"

namespace {

TEST(DamagedFile, OnlyAStartTagThatFailsToParseIsDamage) {
    const std::pair<const char*, bool> cases[] = {
        {"", false},
        {" \r\n\t", false},
        {"<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n", false},  // what the converter starts from
        {"<!-- <Setup> --><!DOCTYPE r [ <!ELEMENT r ANY> ]>", false},
        {"<!-- never closed <Setup>", false},
        {"plain text", false},
        {"<Setup/>", false},
        {"<Setup><Configuration></Setup>", true},
        {"<?xml version=\"1.0\"?>\r\n<Setup>\r\n<Server>", true},
        {"</Setup><Setup>", true},
    };
    for (const auto& c : cases) {
        CXmlDocument doc;
        bool parsed = doc.ParseText(c.first);
        EXPECT_EQ(DamagedFile::IsDamagedText(doc.GetText(), parsed), c.second) << c.first;
    }
}

TEST(DamagedFile, CopyTakesTheFirstFreeNameAndTheDocumentStartsOver) {
    const std::string path = "damaged-test.xml";
    const std::string damaged = "<Setup><Server><ID>a</ID></Setup>";
    ASSERT_TRUE(atomicfile::WriteAll(path.c_str(), damaged));
    ASSERT_TRUE(atomicfile::WriteAll(DamagedFile::BackupPath(path, 0).c_str(), "earlier"));
    ASSERT_TRUE(atomicfile::WriteAll(DamagedFile::BackupPath(path, 1).c_str(), "earlier"));
    CXmlConfig config;
    config.LoadConfig(path.c_str());
    DamagedFile guard;
    ASSERT_TRUE(guard.Inspect(path, config));
    EXPECT_EQ(config.GetText(), "");
    ASSERT_TRUE(guard.SetAside());
    ASSERT_TRUE(guard.SetAside());  // once only
    EXPECT_EQ(guard.GetBackupPath(), path + ".damaged.2");
    std::string bytes;
    ASSERT_TRUE(atomicfile::ReadAll(guard.GetBackupPath().c_str(), bytes));
    EXPECT_EQ(bytes, damaged);
    ASSERT_TRUE(atomicfile::ReadAll(DamagedFile::BackupPath(path, 0).c_str(), bytes));
    EXPECT_EQ(bytes, "earlier");
    EXPECT_FALSE(atomicfile::ReadAll(DamagedFile::BackupPath(path, 3).c_str(), bytes));
    const std::string message = guard.Message();
    EXPECT_NE(message.find(guard.GetBackupPath()), std::string::npos) << message;
    EXPECT_NE(message.find("End tag does not correspond to Server"), std::string::npos) << message;
    for (int i = 0; i < 3; ++i)
        std::remove(DamagedFile::BackupPath(path, i).c_str());
    std::remove(path.c_str());

    // Where no copy can be written, the file must not be saved over; the user is told so.
    config.ParseText("<Setup><x></Setup>");
    ASSERT_TRUE(guard.Inspect("no-such-folder/Rillpost.xml", config));
    EXPECT_FALSE(guard.SetAside());
    EXPECT_NE(guard.Message().find("nothing is saved over it"), std::string::npos) << guard.Message();
}

}  // namespace
