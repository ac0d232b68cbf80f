// The news-server dialogs, the host's new-mailbox dialogs driven through their hook, and the
// apply step of the Manage command, run in this process against the stand-in client's own
// windows and mail store (this program is a stand-in host itself). A second thread plays the
// user. With RP_SCREENSHOT_DIR set, the add dialog is captured there as add-server.bmp.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/HostApi.h"
#include "news/ManageApply.h"
#include "news/MenuCommands.h"
#include "news/NewMailboxDriver.h"
#include "news/NewsState.h"
#include "news/PluginManageStore.h"
#include "standin/MainWindow.h"
#include "standin/StandinHost.h"
#include "standin/UiProbe.h"
#include "ui/ManageApi.h"
#include "ui/ServerDialogs.h"

namespace {

std::string FullPath(const std::string& path) {
    return std::filesystem::absolute(path).string();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <class F>
bool WaitFor(F condition) {
    for (int waited = 0; waited < 10000 && !condition(); waited += 20)
        Sleep(20);
    return condition();
}

HWND WaitForDialog(const char* title) {
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = FindWindowA("#32770", title)) != nullptr && IsWindowVisible(dialog); });
    return dialog;
}

std::string Text(HWND dialog, int id) {
    return UiProbe::WindowText(GetDlgItem(dialog, id));
}

std::vector<std::string> ComboEntries(HWND combo) {
    std::vector<std::string> entries(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i].resize(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0));
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&entries[i][0]));
    }
    return entries;
}

void SetText(HWND dialog, int id, const std::string& text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Press(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetCheck(HWND dialog, int id, bool checked) {
    SendMessageA(GetDlgItem(dialog, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    Press(dialog, id);
}

// Whether Username and Password are enabled: 1 both, 0 neither, -1 mixed.
int LoginEnabled(HWND dialog) {
    int count =
        (IsWindowEnabled(GetDlgItem(dialog, 2028)) ? 1 : 0) + (IsWindowEnabled(GetDlgItem(dialog, 2029)) ? 1 : 0);
    return count == 2 ? 1 : count == 0 ? 0 : -1;
}

// The plug-in's message boxes, recorded and answered OK.
std::vector<std::string> gMessages;
int WINAPI RecordMessage(HWND, LPCSTR text, LPCSTR, UINT) {
    gMessages.push_back(text);
    return IDOK;
}

// One stand-in client for the whole program: its window on this thread, its data folder
// "manage-data" in the working folder, and the plug-in's code bound to it.
class StandinEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        data = FullPath("manage-data");
        std::filesystem::remove_all(data);
        StandinHost& host = StandinHost::Instance();
        host.uiThread = GetCurrentThreadId();
        host.tempFolder = FullPath(".") + "\\";
        ASSERT_TRUE(host.store.Open(data));
        host.window = &window;
        ASSERT_TRUE(window.Create(GetModuleHandleA(nullptr), SW_SHOW));
        gModule = GetModuleHandleA(nullptr);
        ASSERT_TRUE(gHostApi.BindTo(GetModuleHandleA(nullptr)));
        InitMenu(window.hwnd, window.menu, 0);
        gShowMessageBox = RecordMessage;
    }
    void TearDown() override {
        DestroyWindow(window.hwnd);
        StandinHost::Instance().window = nullptr;
    }
    std::string data;
    MainWindow window;
};
StandinEnvironment* const gStandin =
    static_cast<StandinEnvironment*>(::testing::AddGlobalTestEnvironment(new StandinEnvironment));

std::string MailboxIni(const std::string& folder) {
    return gStandin->data + "\\" + folder + "\\MailBox.ini";
}

void MakeMailbox(const std::string& folder, const std::string& yourName, const std::string& address) {
    CreateDirectoryA((gStandin->data + "\\" + folder).c_str(), nullptr);
    WritePrivateProfileStringA("Account", "YourName", yourName.c_str(), MailboxIni(folder).c_str());
    WritePrivateProfileStringA("Account", "MailAddress", address.c_str(), MailboxIni(folder).c_str());
}

class ManageTest : public ::testing::Test {
protected:
    void SetUp() override { gMessages.clear(); }
};

TEST_F(ManageTest, AddDialogSuggestsSendersRequiresFieldsAndChecksTheServer) {
    std::string longName(700, 'L');
    MakeMailbox("a.mb", "Ada", "ada@example.com");
    MakeMailbox("b.mb", "Bob", "ADA@example.com");  // the same address again
    MakeMailbox("c.MB", longName, "ada@");          // the beginning of one already listed
    MakeMailbox("d.notmb", "Dan", "dan@example.com");
    std::ofstream(gStandin->data + "\\x.mb") << "[Account]\r\nYourName=Xavier\r\n";

    std::vector<std::string> names, addresses;
    std::vector<int> login;        // at first, checked, unchecked with text typed
    std::vector<size_t> messages;  // after each OK
    std::thread user([&] {
        HWND dialog = WaitForDialog("Add a news server - Rillpost");
        if (!dialog)
            return;
        names = ComboEntries(GetDlgItem(dialog, 2038));
        addresses = ComboEntries(GetDlgItem(dialog, 2037));
        login.push_back(LoginEnabled(dialog));
        SetText(dialog, 2009, "Work");
        Press(dialog, IDOK);
        messages.push_back(gMessages.size());
        for (auto field : {std::make_pair(2008, "News.Example"), {2038, "Ada"}, {2037, "ada@example.com"}})
            SetText(dialog, field.first, field.second);
        SetCheck(dialog, 2027, true);
        login.push_back(LoginEnabled(dialog));
        SetText(dialog, 2028, "ada");
        SetText(dialog, 2029, "secret");
        SetCheck(dialog, 2027, false);
        login.push_back(LoginEnabled(dialog));
        SetCheck(dialog, 2027, true);
        const char* shots = std::getenv("RP_SCREENSHOT_DIR");
        if (shots && *shots) {
            RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            Sleep(500);  // the dialog's thread paints it
            UiProbe::SaveWindowBitmap(dialog, std::string(shots) + "\\add-server.bmp", true);
        }
        for (const char* location : {"news server!", "  news2.example "}) {
            Press(dialog, IDOK);
            messages.push_back(gMessages.size());
            SetText(dialog, 2008, location);
        }
        Press(dialog, IDOK);
    });
    AddServerDialog dialog;
    dialog.existing = {"news.example"};
    dialog.dataFolder = gStandin->data + "\\";
    INT_PTR result = dialog.Run(gStandin->window.hwnd);
    user.join();

    EXPECT_EQ((std::vector<std::string>{"Ada", "Bob", longName}), names);
    EXPECT_EQ((std::vector<std::string>{"ada@example.com"}), addresses);
    EXPECT_EQ((std::vector<int>{0, 1, 0}), login);
    EXPECT_EQ((std::vector<size_t>{1, 2, 3}), messages);
    ASSERT_EQ(3u, gMessages.size());
    EXPECT_EQ("Please fill in every field you see!", gMessages[0]);
    EXPECT_NE(std::string::npos, gMessages[1].find("already in the list")) << gMessages[1];
    EXPECT_NE(std::string::npos, gMessages[2].find("may hold only")) << gMessages[2];
    ASSERT_EQ(IDOK, result);
    const ServerFields& f = dialog.fields;
    EXPECT_EQ((std::vector<std::string>{"news2.example", "Work", "Ada", "ada@example.com", "ada", "secret"}),
              (std::vector<std::string>{f.location, f.mailboxName, f.yourName, f.yourEmail, f.username, f.password}));
    EXPECT_EQ(1, f.login);
}

TEST_F(ManageTest, ModifyDialogShowsThePresetAndRefusesOnlyAnotherServersName) {
    ASSERT_TRUE(
        gConfig.ParseText("<Setup><Server><ID>a.mb\\</ID><Location>a.example</Location></Server>"
                          "<Server><ID>b.mb\\</ID><Location>b.example</Location></Server></Setup>"));
    ServerFields fields;
    fields.location = "a.example";
    fields.login = 1;
    fields.username = "ann";
    fields.password = "pw";
    fields.security = 2;
    std::vector<std::string> shown;
    std::vector<int> login;
    int shownSecurity = -1;
    int shownExtensions = -1;
    std::thread user([&] {
        HWND dialog = WaitForDialog("Modify Server Info - Rillpost");
        if (!dialog)
            return;
        shown = {Text(dialog, 2008), Text(dialog, 2028), Text(dialog, 2029)};
        login = {IsDlgButtonChecked(dialog, 2027) == BST_CHECKED ? 1 : 0, LoginEnabled(dialog)};
        shownSecurity = static_cast<int>(SendDlgItemMessageA(dialog, 2050, CB_GETCURSEL, 0, 0));
        SendDlgItemMessageA(dialog, 2050, CB_SETCURSEL, 1, 0);
        shownExtensions = IsDlgButtonChecked(dialog, 2051) == BST_CHECKED ? 1 : 0;
        SetCheck(dialog, 2051, false);
        SetText(dialog, 2008, "B.Example");
        Press(dialog, IDOK);
        SetText(dialog, 2008, "a.example");
        SetText(dialog, 2028, "anna");
        SetCheck(dialog, 2027, false);
        login.push_back(LoginEnabled(dialog));
        Press(dialog, IDOK);
    });
    bool ok = RunModifyServerDialog(gStandin->window.hwnd, &fields);
    user.join();
    EXPECT_EQ((std::vector<std::string>{"a.example", "ann", "pw"}), shown);
    EXPECT_EQ((std::vector<int>{1, 1, 0}), login);
    ASSERT_EQ(1u, gMessages.size());
    EXPECT_NE(std::string::npos, gMessages[0].find("\"b.example\" is already in the list"));
    ASSERT_TRUE(ok);
    EXPECT_EQ("a.example", fields.location);
    EXPECT_EQ(0, fields.login);
    EXPECT_EQ("anna", fields.username) << "unchecking keeps the typed name";
    EXPECT_EQ("pw", fields.password);
    EXPECT_EQ(2, shownSecurity) << "the stored connection choice is preset";
    EXPECT_EQ(1, fields.security);
    EXPECT_EQ(1, shownExtensions) << "the extensions are on unless the record turns them off";
    EXPECT_EQ(0, fields.extensions);
}

// Runs the host's new-mailbox command by hand and reports what its name prompt showed, then
// cancels it: a prompt that is filled in or answered means a hook is still at work.
std::string PromptWithoutHook() {
    std::string shown = "<no prompt>";
    std::thread user([&] {
        HWND prompt = WaitForDialog("New Mailbox");
        if (!prompt)
            return;
        Sleep(300);
        shown = Text(prompt, 1001);
        PostMessageA(prompt, WM_COMMAND, IDCANCEL, 0);
    });
    SendMessageA(gStandin->window.hwnd, WM_COMMAND, 42787, 0);
    user.join();
    return shown;
}

TEST_F(ManageTest, NewMailboxIsCreatedWithTheTypedValuesAndTheHookGoes) {
    ServerFields fields;
    fields.mailboxName = "newsbox";
    fields.yourName = "Reader";
    fields.yourEmail = "reader@example.com";
    std::string id = CreateHostMailbox(gStandin->window.hwnd, fields);
    EXPECT_EQ("newsbox.mb\\", id);
    char value[256] = "";
    GetPrivateProfileStringA("Account", "YourName", "", value, sizeof value, MailboxIni("newsbox.mb").c_str());
    EXPECT_STREQ("Reader", value);
    GetPrivateProfileStringA("Account", "MailAddress", "", value, sizeof value, MailboxIni("newsbox.mb").c_str());
    EXPECT_STREQ("reader@example.com", value);
    EXPECT_EQ("", PromptWithoutHook());
}

TEST_F(ManageTest, NewMailboxRefusedByTheHostAndCancelledGivesNoIdAndTheHookGoes) {
    std::string before = gHostApi.BKA_GetCurrentMailBox();
    ServerFields fields;
    fields.mailboxName = "bad/name";
    std::string error;
    std::thread user([&] {
        HWND box = WaitForDialog("New Mailbox");  // the host's error box has the same title
        HWND message = nullptr;
        if (!box ||
            !WaitFor([&] { return (message = UiProbe::ActiveDialog()) != nullptr && UiProbe::IsMessageBox(message); }))
            return;
        error = Text(message, 0xFFFF);
        PostMessageA(message, WM_COMMAND, IDOK, 0);
        HWND prompt = nullptr;
        WaitFor([&] { return (prompt = UiProbe::ActiveDialog()) != nullptr && !UiProbe::IsMessageBox(prompt); });
        if (prompt)
            PostMessageA(prompt, WM_COMMAND, IDCANCEL, 0);
    });
    std::string id = CreateHostMailbox(gStandin->window.hwnd, fields);
    user.join();
    EXPECT_EQ("", id);
    EXPECT_NE(std::string::npos, error.find("mailbox name")) << error;
    EXPECT_EQ(before, gHostApi.BKA_GetCurrentMailBox());
    EXPECT_EQ("", PromptWithoutHook());
}

int ThreadViewCommands() {
    StandinHost& host = StandinHost::Instance();
    std::lock_guard<std::recursive_mutex> hold(host.mutex);
    int count = 0;
    for (const std::string& line : host.log)
        count += line.compare(0, 11, "thread view") == 0 ? 1 : 0;
    return count;
}

// The apply step against one news mailbox "apply.mb\" whose configuration file lies beside the
// data folder.
class ApplyTest : public ManageTest {
protected:
    void SetUp() override {
        ManageTest::SetUp();
        StandinHost& host = StandinHost::Instance();
        std::string id;
        ASSERT_TRUE(host.store.CreateMailBox("apply", &id));
        ASSERT_TRUE(host.store.FolderExists(inbox + "keep\\") || host.store.CreateFolder(inbox + "keep\\"));
        gStandin->window.PopulateTree();
        configPath = FullPath("manage-apply.xml");
        DeleteFileA(configPath.c_str());
        std::ofstream(configPath) << "<Setup><Configuration><Online>1</Online><ThreadSort>1</ThreadSort>"
                                     "</Configuration><Server><ID>apply.mb\\</ID><Location>127.0.0.1</Location>"
                                     "</Server></Setup>";
        gConfig.LoadConfig(configPath.c_str());
        gSettings.threadSort = 1;
        gSettings.updateNow = 0;
    }
    PendingGroup Entry(const std::string& group) { return PendingGroup{"127.0.0.1", "apply.mb\\", group, 1}; }
    bool Exists(const std::string& folder) { return std::filesystem::is_directory(gStandin->data + "\\" + folder); }

    const std::string inbox = "apply.mb\\!!!!Inbox\\";
    std::string configPath;
};

TEST_F(ApplyTest, SubscribedFoldersAreMadeAndOnlyTheRenamedGroupsFolderIsDeleted) {
    PendingChanges subscribe;
    subscribe.subscribe = {Entry("alt.one"), Entry("alt.two"), Entry("bad:name")};
    ApplyPendingChanges(subscribe);
    EXPECT_TRUE(Exists(inbox + "alt.one"));
    EXPECT_TRUE(Exists(inbox + "alt.two"));
    std::string saved = ReadFile(configPath);
    EXPECT_NE(std::string::npos, saved.find("<FolderID>apply.mb\\!!!!Inbox\\alt.one\\</FolderID>")) << saved;
    EXPECT_NE(std::string::npos, saved.find("<FolderID>apply.mb\\!!!!Inbox\\alt.two\\</FolderID>")) << saved;
    EXPECT_NE(std::string::npos, saved.find("<GroupName>alt.two</GroupName>")) << saved;
    EXPECT_EQ(std::string::npos, saved.find("bad:name"));
    ASSERT_EQ(1u, gMessages.size());
    EXPECT_NE(std::string::npos, gMessages[0].find("bad:name"));
    EXPECT_EQ(2, ThreadViewCommands());
    EXPECT_EQ(1, gSettings.online);
    EXPECT_EQ(1, gRenameTracking);

    // Subscribing again makes no second folder; an unknown group is not unsubscribed.
    PendingChanges again;
    again.subscribe = {Entry("alt.one")};
    again.unsubscribe = {Entry("alt.never")};
    ApplyPendingChanges(again);
    EXPECT_FALSE(Exists(inbox + "New Folder"));
    EXPECT_EQ(saved, ReadFile(configPath));

    // The renamed folder keeps its subscription; unsubscribing deletes that folder and nothing else.
    ASSERT_TRUE(gStandin->window.RenameFolder(inbox + "alt.one\\", "first"));
    PendingChanges unsubscribe;
    unsubscribe.unsubscribe = {Entry("alt.one")};
    ApplyPendingChanges(unsubscribe);
    EXPECT_FALSE(Exists(inbox + "first"));
    EXPECT_TRUE(Exists(inbox + "alt.two"));
    EXPECT_TRUE(Exists(inbox + "keep"));
    EXPECT_TRUE(Exists("apply.mb\\!!!!Inbox"));
    saved = ReadFile(configPath);
    EXPECT_EQ(std::string::npos, saved.find("alt.one")) << saved;
    EXPECT_NE(std::string::npos, saved.find("<GroupName>alt.two</GroupName>")) << saved;
}

TEST_F(ApplyTest, AGroupWhoseFolderIsGoneOrOutsideTheInboxLosesOnlyItsRecord) {
    gConfig.ParseText(
        "<Setup><Server><ID>apply.mb\\</ID><Location>127.0.0.1</Location>"
        "<Subgroup><FolderID>apply.mb\\!!!!Inbox\\gone\\</FolderID><GroupName>alt.gone</GroupName>"
        "</Subgroup><Subgroup><FolderID>apply.mb\\!!!!Inbox\\</FolderID><GroupName>alt.inbox"
        "</GroupName></Subgroup></Server></Setup>");
    // A delete sent without the missing folder selected would take the folder selected before.
    gHostApi.BKA_SetCurrentFolder((inbox + "keep\\").c_str());
    PendingChanges changes;
    changes.unsubscribe = {Entry("alt.gone"), Entry("alt.inbox")};
    ApplyPendingChanges(changes);
    EXPECT_TRUE(Exists(inbox + "keep"));
    EXPECT_TRUE(Exists("apply.mb\\!!!!Inbox"));
    std::string saved = ReadFile(configPath);
    EXPECT_EQ(std::string::npos, saved.find("alt.gone")) << saved;
    EXPECT_EQ(std::string::npos, saved.find("alt.inbox")) << saved;
    EXPECT_TRUE(gMessages.empty());
}

TEST_F(ApplyTest, AFailedSaveIsReported) {
    gConfig.LoadConfig(FullPath("no-such-folder\\Rillpost.xml").c_str());
    ApplyPendingChanges(PendingChanges());
    ASSERT_EQ(1u, gMessages.size());
    EXPECT_NE(std::string::npos, gMessages[0].find("could not be saved")) << gMessages[0];
}

}  // namespace
