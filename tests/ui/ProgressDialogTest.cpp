// The group-list dialog run in this process against the scripted news server: the end of the
// fetch closes it with OK, and Cancel closes it at once while the stalled fetch ends by itself
// without a message. With RP_SCREENSHOT_DIR set, the stalled dialog is captured there.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/Optex.h"
#include "news/NewsState.h"
#include "news/Workers.h"
#include "standin/UiProbe.h"
#include "tests/nntp/FakeNewsServer.h"
#include "ui/GroupInfoDialog.h"
#include "xml/XmlConfig.h"

namespace {

::testing::Environment* const gSockets = ::testing::AddGlobalTestEnvironment(new SocketsEnvironment);

const char kTitle[] = "Getting group info...";

class RecordingDisplay : public NewsDisplay {
public:
    void ShowMessage(const std::string& text) override {
        std::lock_guard<std::mutex> hold(lock);
        messages.push_back(text);
    }
    void SetHostMessage(const std::string&) override {}
    std::string CurrentMail() override { return std::string(); }
    std::vector<std::string> Messages() {
        std::lock_guard<std::mutex> hold(lock);
        return messages;
    }
    std::mutex lock;
    std::vector<std::string> messages;
};

// The dialog's questions: recorded and answered from a script, No until told otherwise.
std::vector<std::string> gQuestions;
std::atomic<int> gAnswer{IDNO};
int WINAPI AnswerQuestion(HWND, LPCSTR text, LPCSTR, UINT) {
    gQuestions.push_back(text);
    return gAnswer;
}

template <class F>
bool WaitFor(F condition, int timeoutMs = 10000) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (condition())
            return true;
        Sleep(20);
    }
    return condition();
}

std::string StatusOf(HWND dialog) {
    char text[256] = "";
    GetDlgItemTextA(dialog, 2024, text, sizeof text);
    return text;
}

class GroupInfoDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        RP_REQUIRE_OR_SKIP(server_.Load(), "the scripted news server is not running");
        gModule = GetModuleHandleA(nullptr);
        gShowMessageBox = AnswerQuestion;
        gQuestions.clear();
        gAnswer = IDNO;
        ASSERT_TRUE(config_.ParseText("<Setup><Server><ID>1</ID><Location>127.0.0.1</Location></Server></Setup>"));
        client_->SetPort(server_.NewsPort());
        client_->SetTimeout(20);
    }
    void TearDown() override {
        EXPECT_TRUE(WaitFor([] { return ActiveWorkerCount() == 0; }, 30000)) << "the fetch never ended";
        gShowMessageBox = MessageBoxA;
    }

    FakeNewsServer server_;
    CXmlConfig config_;
    Optex optex_;
    RecordingDisplay display_;
    std::shared_ptr<NewsClient> client_ = std::make_shared<NewsClient>(NewsContext{&config_, &optex_, &display_});
};

TEST_F(GroupInfoDialogTest, EndOfTheFetchClosesWithOkAndLeavesTheNames) {
    server_.Use("list_ok");
    EXPECT_EQ(IDOK, RunGroupInfoDialog(nullptr, "127.0.0.1", client_, StartWorker));
    EXPECT_EQ((std::vector<std::string>{"comp.lang.c", "alt.test", ".odd.group"}), client_->GroupNames());
    EXPECT_TRUE(display_.Messages().empty());
}

TEST_F(GroupInfoDialogTest, CancelAskedTwiceClosesAtOnceAndTheStalledFetchEndsQuietly) {
    server_.Use("silent_mid_list");
    std::atomic<bool> stalled{false};
    std::thread user([&] {
        HWND dialog = nullptr;
        if (!WaitFor([&] { return (dialog = FindWindowA(nullptr, kTitle)) != nullptr; }) ||
            !WaitFor([&] { return StatusOf(dialog).find("groups retrieved...") != std::string::npos; }))
            return;
        stalled = true;
        Sleep(300);  // a few frames of the animation
        const char* shots = std::getenv("RP_SCREENSHOT_DIR");
        if (shots && *shots)
            UiProbe::SaveWindowBitmap(dialog, std::string(shots) + "\\group-info.bmp");
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);  // answered No: the dialog stays
        gAnswer = IDYES;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    DWORD start = GetTickCount();
    INT_PTR result = RunGroupInfoDialog(nullptr, "127.0.0.1", client_, StartWorker);
    DWORD elapsed = GetTickCount() - start;
    user.join();
    ASSERT_TRUE(stalled) << "the dialog never showed the stalled list";
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_LT(elapsed, 8000u) << "Cancel waited for the fetch";
    EXPECT_EQ((std::vector<std::string>(2, "Do you want to cancel this operation?")), gQuestions);
    ASSERT_TRUE(WaitFor([] { return ActiveWorkerCount() == 0; }, 30000));
    EXPECT_TRUE(display_.Messages().empty()) << display_.Messages()[0];
}

}  // namespace
