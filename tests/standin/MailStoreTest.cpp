// The stand-in host's mail store on disk: identifiers, folders, messages and read marks.
#include "standin/MailStore.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

class MailStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char path[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, path);
        root_ = std::string(path) + "\\store-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::string command = "cmd /c rmdir /s /q \"" + root_ + "\" 2>nul";
        system(command.c_str());
        ASSERT_TRUE(store_.Open(root_ + "\\deeper\\data"));
        ASSERT_TRUE(store_.CreateMailBox("news", &box_));
    }

    std::string root_, box_;
    MailStore store_;
};

TEST(MailStoreIds, FolderIdsStayBelowTheDataFolder) {
    struct Case {
        const char* id;
        bool valid;
    } cases[] = {
        {"news.mb\\!!!!Inbox\\", true},
        {"news.mb\\!!!!Inbox\\comp.lang.c\\", true},
        {"news.mb\\", false},             // a mailbox, not a folder
        {"news.mb\\!!!!Inbox", false},    // no closing backslash
        {"news\\!!!!Inbox\\", false},     // not a mailbox
        {"news.mb\\..\\..\\x\\", false},  // leaves the data folder
        {"news.mb\\.\\", false},
        {"news.mb\\!!!!Inbox\\\\", false},    // empty segment
        {"C:\\news.mb\\!!!!Inbox\\", false},  // absolute
        {"news.mb\\a/b\\", false},
        {"news.mb\\!!!!Inbox\\\xC4\xE3\xBA\xC3\\", true},  // GBK names are fine
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.valid, MailStore::IsValidFolderId(c.id)) << c.id;
}

TEST(MailStoreIds, PartsOfIdentifiers) {
    const std::string mail = "news.mb\\!!!!Inbox\\a.b\\00000003.msg";
    EXPECT_EQ("news.mb\\", MailStore::MailBoxOf(mail));
    EXPECT_EQ("news.mb\\!!!!Inbox\\a.b\\", MailStore::FolderOf(mail));
    EXPECT_EQ("a.b", MailStore::LastSegment("news.mb\\!!!!Inbox\\a.b\\"));
}

TEST_F(MailStoreTest, MailBoxHasInboxAndAccount) {
    EXPECT_EQ("news.mb\\", box_);
    EXPECT_TRUE(store_.FolderExists(box_ + "!!!!Inbox\\"));
    ASSERT_TRUE(store_.WriteAccount(box_, "Tester", "t@example.com"));
    char value[64] = {};
    GetPrivateProfileStringA("Account", "MailAddress", "", value, sizeof value,
                             (store_.Path(box_) + "MailBox.ini").c_str());
    EXPECT_STREQ("t@example.com", value);
    EXPECT_EQ(std::vector<std::string>{box_}, store_.MailBoxes());
    std::string again;
    EXPECT_TRUE(store_.CreateMailBox("news", &again));  // an existing mailbox is kept
    EXPECT_FALSE(store_.CreateMailBox("..\\evil", &again));
}

TEST_F(MailStoreTest, MessagesAreNumberedAfterTheHighestAndKeepTheirText) {
    const std::string inbox = box_ + "!!!!Inbox\\";
    std::string first = store_.AppendMessage(inbox, "Subject: 1\r\n\r\none");
    std::string second = store_.AppendMessage(inbox, "Subject: 2\r\n\r\ntwo");
    EXPECT_EQ(inbox + "00000001.msg", first);
    EXPECT_EQ(inbox + "00000002.msg", second);
    ASSERT_TRUE(DeleteFileA(store_.Path(first).c_str()));
    EXPECT_EQ(inbox + "00000003.msg", store_.AppendMessage(inbox, "x"));
    std::string text;
    ASSERT_TRUE(store_.ReadMessage(second, &text));
    EXPECT_EQ("Subject: 2\r\n\r\ntwo", text);
    ASSERT_TRUE(store_.WriteMessage(second, "replaced"));
    ASSERT_TRUE(store_.ReadMessage(second, &text));
    EXPECT_EQ("replaced", text);
    EXPECT_FALSE(store_.WriteMessage(inbox + "00000009.msg", "no such message"));
    EXPECT_FALSE(store_.ReadMessage(inbox + "..\\..\\MailBox.ini", &text));
    EXPECT_TRUE(store_.AppendMessage(box_ + "missing\\", "x").empty());
}

TEST_F(MailStoreTest, ReadMarksPersistPerMessage) {
    const std::string inbox = box_ + "!!!!Inbox\\";
    std::string a = store_.AppendMessage(inbox, "a"), b = store_.AppendMessage(inbox, "b");
    store_.SetStatus(a, 1, 0);
    store_.SetStatus(b, 4, 0);
    store_.SetStatus(b, 0, 4);
    EXPECT_EQ(1u, store_.GetStatus(a));
    EXPECT_EQ(0u, store_.GetStatus(b));
    MailStore reopened;
    ASSERT_TRUE(reopened.Open(store_.Root()));
    EXPECT_EQ(1u, reopened.GetStatus(a));
    EXPECT_EQ(std::vector<std::string>({a, b}), reopened.Messages(inbox));  // the status file is no message
}

TEST_F(MailStoreTest, FoldersAreCreatedRenamedAndDeletedWithTheirContent) {
    const std::string group = box_ + "!!!!Inbox\\comp.lang.c\\";
    ASSERT_TRUE(store_.CreateFolder(group + "sub\\"));
    store_.AppendMessage(group + "sub\\", "deep");
    EXPECT_EQ(std::vector<std::string>{group}, store_.SubFolders(box_ + "!!!!Inbox\\"));
    std::string renamed;
    ASSERT_TRUE(store_.RenameFolder(group, "comp.std.c", &renamed));
    EXPECT_EQ(box_ + "!!!!Inbox\\comp.std.c\\", renamed);
    EXPECT_EQ(1u, store_.Messages(renamed + "sub\\").size());
    EXPECT_FALSE(store_.RenameFolder(renamed, "..\\escape", &renamed));
    EXPECT_FALSE(store_.RenameFolder(renamed, "", &renamed));
    ASSERT_TRUE(store_.DeleteFolder(renamed));
    EXPECT_FALSE(store_.FolderExists(renamed));
    EXPECT_TRUE(store_.FolderExists(box_ + "!!!!Inbox\\"));
}

}  // namespace
