// The plug-in's lifecycle driven in this process: the host table is pointed at fakes here, so
// no host program is needed. Lifecycle through a real host is tested with the stand-in host.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "tests/RequireOrSkip.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "host/CSE.h"
#include "host/HostApi.h"
#include "news/NewsExports.h"
#include "news/NewsState.h"
#include "news/NewsTasks.h"
#include "news/PluginNewsHost.h"
#include "news/SyncTimer.h"
#include "news/WindowHooks.h"
#include "news/Workers.h"
#include "nntp/ArticleText.h"
#include "xml/XmlConfig.h"

namespace {

CRITICAL_SECTION gFakeLock;
std::vector<std::string> gMessages;
std::vector<std::pair<std::string, std::string>> gSetSources;

void WINAPI FakeSetMessageText(HWND, LPCSTR text) {
    EnterCriticalSection(&gFakeLock);
    gMessages.push_back(text);
    LeaveCriticalSection(&gFakeLock);
}

void WINAPI FakeSetSource(LPCSTR mailId, LPCSTR source) {
    if (std::strcmp(mailId, "faults") == 0)
        *static_cast<volatile int*>(nullptr) = 0;
    gSetSources.emplace_back(mailId, source);
}

std::vector<std::pair<std::string, std::string>> gAppended;

int WINAPI FakeAppendMessage(LPCSTR folder, LPCSTR text) {
    gAppended.emplace_back(folder, text);
    return 0;
}

std::vector<std::string> Messages() {
    EnterCriticalSection(&gFakeLock);
    std::vector<std::string> copy = gMessages;
    LeaveCriticalSection(&gFakeLock);
    return copy;
}

// Waits up to timeoutMs for condition; false when it never held.
template <class F>
bool WaitFor(F condition, int timeoutMs = 10000) {
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (condition())
            return true;
        Sleep(10);
    }
    return condition();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Lifecycle : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitializeCriticalSection(&gFakeLock); }

    void SetUp() override {
        gHostApi.Unbind();
        gHostApi.host = GetModuleHandleA(nullptr);
        gHostApi.BKA_SetMessageText = FakeSetMessageText;
        gHostApi.BKA_SetSource = FakeSetSource;
        gHostApi.BKA_AppendMessage = FakeAppendMessage;
        gAppended.clear();
        gMessages.clear();
        gSetSources.clear();
        gSettings = SettingCache();
        gShuttingDown = 0;
        configPath_ = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".xml";
        std::remove(configPath_.c_str());
        gConfig.LoadConfig(configPath_.c_str());
    }

    void TearDown() override {
        CancelSyncTimer();
        WaitFor([] { return ActiveWorkerCount() == 0; });
        gShuttingDown = 0;
        gRunPreferencesDialog = nullptr;
        gHostApi.Unbind();
        std::remove(configPath_.c_str());
    }

    void LoadConfigText(const std::string& text) {
        std::ofstream(configPath_, std::ios::binary) << text;
        gConfig.LoadConfig(configPath_.c_str());
        gSettings.Load(gConfig);
    }

    std::string configPath_;
};

TEST_F(Lifecycle, PlugInInfoFillsTheFourFields) {
    BkcPlugInInfo info;
    std::memset(&info, 'x', sizeof(info));
    EXPECT_EQ(BKC_OnPlugInInfo(&info), 0);
    EXPECT_STREQ(info.name, "Rillpost Plugin");
    EXPECT_STREQ(info.version, "1.82");
    EXPECT_STREQ(info.description, "Enable Becky! to visit NewsGroup");
    EXPECT_GT(std::strlen(info.vendor), 0u);
    EXPECT_EQ(BKC_OnPlugInInfo(nullptr), 0);
}

TEST_F(Lifecycle, LibraryRefusesToLoadIntoAProcessWithoutTheHostFunctions) {
    SetLastError(0);
    HMODULE plugin = LoadLibraryA("Rillpost.dll");
    EXPECT_EQ(plugin, nullptr) << "bound against a process that exports no BKA_ function";
    if (plugin)
        FreeLibrary(plugin);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
}

TEST_F(Lifecycle, StartWithoutMainWindowGeomarkOrSynTimeHooksNothing) {
    gMainWindow = nullptr;
    EXPECT_EQ(BKC_OnStart(), 0);
    EXPECT_EQ(gStatusBar, nullptr);
    EXPECT_EQ(gGeomark, nullptr);
    EXPECT_EQ(gGeomarkModule, nullptr);
    EXPECT_FALSE(HasSyncTimer());
    EXPECT_EQ(gRenameTracking, 1);
}

TEST_F(Lifecycle, SynTimeAtStartMakesATimerThatFiresAtOnceAndRunsTheSync) {
    LoadConfigText("<Setup><Configuration><SynTime>3</SynTime></Configuration></Setup>");
    ASSERT_EQ(BKC_OnStart(), 0);
    ASSERT_TRUE(HasSyncTimer());
    LONG before = SyncRunsStarted();
    // The first run comes after 10 ms, not after three minutes; with no groups it only says so.
    EXPECT_TRUE(WaitFor([&] { return SyncRunsStarted() > before && !Messages().empty(); }));
    EXPECT_TRUE(WaitFor([] { return ActiveWorkerCount() == 0; }));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Done."});
    CancelSyncTimer();
    EXPECT_FALSE(HasSyncTimer());
}

TEST_F(Lifecycle, ReschedulingCreatesChangesAndDeletesTheTimer) {
    RescheduleSyncTimer(0, 0);
    EXPECT_FALSE(HasSyncTimer());
    LONG firings = SyncTimerFirings();
    RescheduleSyncTimer(0, 5);
    EXPECT_TRUE(HasSyncTimer());
    EXPECT_EQ(SyncTimerPeriod(), 300000u);
    RescheduleSyncTimer(5, 10);
    EXPECT_TRUE(HasSyncTimer());
    EXPECT_EQ(SyncTimerPeriod(), 600000u);
    Sleep(200);
    EXPECT_EQ(SyncTimerFirings(), firings) << "switched on from the preferences: first run after one period";
    RescheduleSyncTimer(10, 0);
    EXPECT_FALSE(HasSyncTimer());
    EXPECT_EQ(SyncTimerPeriod(), 0u);
    // A changed value without a timer (creation failed earlier) creates one.
    RescheduleSyncTimer(7, 9);
    EXPECT_TRUE(HasSyncTimer());
}

// 71583 minutes times 60000 wraps in 32 bits to a period of a few seconds.
TEST_F(Lifecycle, LongIntervalsNeverWrapIntoShortPeriods) {
    const struct {
        int minutes;
        DWORD period;
    } cases[] = {{1, 60000}, {10000, 600000000}, {10001, 600000000}, {71583, 600000000}, {2147483647, 600000000}};
    for (const auto& c : cases)
        EXPECT_EQ(SyncPeriodMs(c.minutes), c.period) << c.minutes;
    ASSERT_TRUE(CreateSyncTimer(600000000, 71583));
    EXPECT_EQ(SyncTimerPeriod(), 600000000u);
}

TEST_F(Lifecycle, SyncRunSkipsBusyFoldersAndLeavesNoneBehind) {
    LoadConfigText(
        "<Setup><Server><Location>news.a</Location>"
        "<Subgroup><FolderID>a\\1\\</FolderID><GroupName>g1</GroupName><Synchronization>1</Synchronization></Subgroup>"
        "<Subgroup><FolderID>a\\2\\</FolderID><GroupName>g2</GroupName><Synchronization>2</Synchronization></Subgroup>"
        "<Subgroup><GroupName>no.folder</GroupName><Synchronization>1</Synchronization></Subgroup>"
        "</Server></Setup>");
    ASSERT_TRUE(gBusyFolders.TryAdd("a\\2\\"));
    RunScheduledSync();
    // The run's own texts; the failed connection to the made-up server reports in between.
    std::vector<std::string> runTexts;
    for (const std::string& m : Messages()) {
        if (m == "Synchronization..." || m == "Done.")
            runTexts.push_back(m);
    }
    EXPECT_EQ(runTexts, (std::vector<std::string>{"Synchronization...", "Synchronization...", "Done."}));
    EXPECT_FALSE(gBusyFolders.Contains("a\\1\\"));
    EXPECT_TRUE(gBusyFolders.Contains("a\\2\\")) << "the run removed an entry it did not add";
    gBusyFolders.Remove("a\\2\\");
}

int* volatile gNowhere = nullptr;

DWORD WINAPI FaultingWorker(void*) {
    *gNowhere = 1;
    return 0;
}

// The host's second status text faults: that comes inside the group's update, while the run
// holds the group's folder busy.
volatile LONG gTextsUntilFault = 0;

void WINAPI FaultingSetMessageText(HWND window, LPCSTR text) {
    if (InterlockedDecrement(&gTextsUntilFault) == 0)
        *gNowhere = 1;
    FakeSetMessageText(window, text);
}

TEST_F(Lifecycle, AFaultInATimerRunLeavesNeitherTheRunNorItsFolderStuck) {
    GuardSharedLocks();
    LoadConfigText(
        "<Setup><Server><Location>news.a</Location>"
        "<Subgroup><FolderID>a\\1\\</FolderID><GroupName>g1</GroupName><Synchronization>1</Synchronization></Subgroup>"
        "</Server></Setup>");
    gHostApi.BKA_SetMessageText = FaultingSetMessageText;
    gTextsUntilFault = 2;
    ASSERT_TRUE(StartSyncRun());
    EXPECT_TRUE(WaitFor([] { return ActiveWorkerCount() == 0; }));
    EXPECT_FALSE(gBusyFolders.Contains("a\\1\\"));
    std::vector<std::string> texts = Messages();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "Access Violation from Becky!");
    // The next run is not refused as if the faulted one were still going.
    ASSERT_TRUE(StartSyncRun());
    EXPECT_TRUE(WaitFor([] { return ActiveWorkerCount() == 0; }));
    EXPECT_EQ(Messages().back(), "Done.");
    ForgetSharedLocks();
}

TEST_F(Lifecycle, AccessViolationInAWorkerIsReportedAndEndsOnlyThatWorker) {
    ASSERT_TRUE(StartWorker(FaultingWorker, nullptr));
    EXPECT_TRUE(WaitFor([] { return ActiveWorkerCount() == 0; }));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Access Violation from Becky!"});
}

CRITICAL_SECTION* volatile gHeldSection = nullptr;

DWORD WINAPI FaultingWorkerHoldingALock(void*) {
    if (gHeldSection)
        EnterCriticalSection(gHeldSection);
    else
        gConfigOptex.Enter();
    *gNowhere = 1;
    return 0;
}

// Every lock of the shared state, taken by a worker that then faults, is free again afterwards:
// one left held would block the next folder opening or update for good.
TEST_F(Lifecycle, WorkerFaultReleasesEverySharedLock) {
    GuardSharedLocks();
    for (CRITICAL_SECTION* section :
         {static_cast<CRITICAL_SECTION*>(nullptr), gBusyFolders.Lock(), gNewArticles.Lock(), gPostingWindows.Lock()}) {
        gHeldSection = section;
        ASSERT_TRUE(StartWorker(FaultingWorkerHoldingALock, nullptr));
        EXPECT_TRUE(WaitFor([] { return ActiveWorkerCount() == 0; }));
        bool free = section ? TryEnterCriticalSection(section) != FALSE : gConfigOptex.TryEnter();
        EXPECT_TRUE(free) << "a faulted worker still holds lock " << section;
        if (free && section)
            LeaveCriticalSection(section);
        else if (free)
            gConfigOptex.Leave();
    }
    ForgetSharedLocks();
}

TEST_F(Lifecycle, PendingSourcesWaitWhileTheirLockIsBusyWithoutTryingTwice) {
    gPendingSources.Add("m1", "one");
    gPendingSources.Add("m2", "two");
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        OptexLock hold(gSourceOptex);
        SetEvent(held);
        WaitForSingleObject(release, INFINITE);
    });
    WaitForSingleObject(held, INFINITE);
    EXPECT_FALSE(gPendingSources.Drain(false));
    EXPECT_TRUE(gSetSources.empty());
    SetEvent(release);
    holder.join();
    EXPECT_TRUE(gPendingSources.Drain(false));
    EXPECT_EQ(gSetSources, (std::vector<std::pair<std::string, std::string>>{{"m1", "one"}, {"m2", "two"}}));
    EXPECT_EQ(gPendingSources.Size(), 0u);
    CloseHandle(held);
    CloseHandle(release);
}

TEST_F(Lifecycle, AFaultingHandOverDropsOnlyItsOwnSourceAndLeavesTheLockFree) {
    GuardSharedLocks();
    gPendingSources.Add("m1", "one");
    gPendingSources.Add("faults", "lost");
    gPendingSources.Add("m3", "three");
    bool faulted = false;
    try {
        CSE::Guard([] { gPendingSources.Drain(true); });
    } catch (const CSE&) {
        faulted = true;
    }
    ForgetSharedLocks();
    ASSERT_TRUE(faulted);
    bool free = false;
    std::thread([&] {
        free = gSourceOptex.TryEnter();
        if (free)
            gSourceOptex.Leave();
    }).join();
    EXPECT_TRUE(free);
    EXPECT_EQ(gPendingSources.Size(), 1u);
    EXPECT_TRUE(gPendingSources.Drain(false));
    EXPECT_EQ(gSetSources, (std::vector<std::pair<std::string, std::string>>{{"m1", "one"}, {"m3", "three"}}));
}

// A worker keeps both locks (as one inside a host call that waits for this thread would): exit
// still returns, within its budget.
TEST_F(Lifecycle, ExitGivesUpOnLocksThatAWorkerKeeps) {
    gPendingSources.Add("m1", "kept");
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        OptexLock config(gConfigOptex);
        OptexLock sources(gSourceOptex);
        SetEvent(held);
        WaitForSingleObject(release, INFINITE);
    });
    WaitForSingleObject(held, INFINITE);
    HANDLE exited = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread host([&] {
        BKC_OnExit();
        SetEvent(exited);
    });
    EXPECT_EQ(WaitForSingleObject(exited, 15000), WAIT_OBJECT_0);
    SetEvent(release);
    worker.join();
    host.join();
    gPendingSources.Drain(true);
    for (HANDLE h : {held, release, exited})
        CloseHandle(h);
}

// A posting still running at exit: its article is stored in the news inbox from the exit, once;
// the posting can no longer give it back as well, and its connection is closed.
TEST_F(Lifecycle, ExitStoresTheArticleOfARunningPostingOnce) {
    auto* running = new PostingRecord;
    running->client = std::make_shared<NewsClient>(NewsContext{});
    running->article = "Newsgroups: a.b\r\n\r\nbody\r\n";
    running->inbox = "n\\!!!!Inbox\\";
    gPostingWindows.Add(running);
    EXPECT_EQ(BKC_OnExit(), 0);
    EXPECT_EQ(gAppended, (std::vector<std::pair<std::string, std::string>>{{running->inbox, running->article}}));
    EXPECT_FALSE(running->client->ClaimGiveBack());
    EXPECT_TRUE(running->client->IsCancelled());
    running->inProgress = 0;
    gPostingWindows.DestroyFinished();
}

int gDestroyed = 0;

TEST_F(Lifecycle, ExitSavesResetsReadMarksAndHandsOverPendingWork) {
    LoadConfigText(
        "<Setup>\r\n<Configuration><Online>1</Online><SynTime>2</SynTime></Configuration>\r\n"
        "<Server><ID>n\\</ID><Subgroup><FolderID>n\\g\\</FolderID><HaveRead>1</HaveRead></Subgroup></Server>\r\n"
        "</Setup>\r\n");
    ASSERT_EQ(BKC_OnStart(), 0);
    ASSERT_TRUE(HasSyncTimer());
    gSettings.online = 0;  // switched off during the run
    gPendingSources.Add("m1", "source one");
    gPendingSources.Add("TEMP", "source two");
    auto* finished = new PostingRecord;
    finished->window = &gDestroyed;
    finished->destroyWindow = [](void* window) { ++*static_cast<int*>(window); };
    finished->inProgress = 0;
    auto* running = new PostingRecord;
    running->window = &gDestroyed;
    running->destroyWindow = finished->destroyWindow;
    gPostingWindows.Add(finished);
    gPostingWindows.Add(running);

    EXPECT_EQ(BKC_OnExit(), 0);

    EXPECT_FALSE(HasSyncTimer());
    EXPECT_TRUE(IsShuttingDown());
    EXPECT_EQ(ReadFile(configPath_),
              "<Setup>\r\n<Configuration><Online>0</Online><SynTime>2</SynTime></Configuration>\r\n"
              "<Server><ID>n\\</ID><Subgroup><FolderID>n\\g\\</FolderID><HaveRead>0</HaveRead></Subgroup></Server>\r\n"
              "</Setup>\r\n");
    EXPECT_EQ(gSetSources,
              (std::vector<std::pair<std::string, std::string>>{{"m1", "source one"}, {"TEMP", "source two"}}));
    EXPECT_EQ(gDestroyed, 1);
    EXPECT_EQ(gPostingWindows.Size(), 1u) << "a running posting keeps its record";
    running->inProgress = 0;
    gPostingWindows.DestroyFinished();
    EXPECT_EQ(gDestroyed, 2);
}

std::vector<std::string> gBoxes;

int WINAPI CaptureMessageBox(HWND, LPCSTR text, LPCSTR, UINT) {
    gBoxes.push_back(text);
    return IDOK;
}

// A posting view that faults as the posting starts: the worker gives the article back itself,
// once, and ends the posting.
class FaultingView : public PostingView {
public:
    void SetTitle(const std::string&) override { *gNowhere = 1; }
    void Show() override {}
    void SetStatus(const std::string&) override {}
    void SetProgress(int) override {}
    void Hide() override {}
    bool IsCancelled() override { return false; }
};

TEST_F(Lifecycle, AFaultInAPostingGivesTheArticleBackAndEndsIt) {
    GuardSharedLocks();
    LoadConfigText("<Setup><Server><ID>n\\</ID><Location>127.0.0.1</Location></Server></Setup>");
    gBoxes.clear();
    gShowMessageBox = CaptureMessageBox;
    auto* record = new PostingRecord;
    record->client = std::make_shared<NewsClient>(PluginNewsContext());
    record->view = std::make_shared<FaultingView>();
    record->article = "Newsgroups: a.b\r\n\r\nbody\r\n";
    record->inbox = "n\\!!!!Inbox\\";
    gPostingWindows.Add(record);
    ASSERT_TRUE(StartPosting("127.0.0.1", record->article, record));
    EXPECT_TRUE(WaitFor([&] { return record->inProgress == 0 && ActiveWorkerCount() == 0; }));
    EXPECT_EQ(gAppended, (std::vector<std::pair<std::string, std::string>>{{record->inbox, record->article}}));
    EXPECT_EQ(gBoxes.size(), 1u) << "the user is told where the article went";
    EXPECT_FALSE(record->client->ClaimGiveBack());
    EXPECT_EQ(Messages(), std::vector<std::string>{"Access Violation from Becky!"});
    gPostingWindows.DestroyFinished();
    gShowMessageBox = MessageBoxA;
    ForgetSharedLocks();
}

// A file that does not parse is copied aside at load, never saved over before that, reported
// once at start, and replaced by a valid document at the next save.
TEST_F(Lifecycle, DamagedConfigurationIsKeptBesideItAndReportedOnceAtStart) {
    const std::string damaged = "<Setup><Configuration><MaxNum>5</MaxNum></Setup>";
    const std::string backup = configPath_ + ".damaged";
    std::remove(backup.c_str());
    std::ofstream(configPath_, std::ios::binary) << damaged;
    gBoxes.clear();
    gShowMessageBox = CaptureMessageBox;

    LoadConfiguration(configPath_);
    EXPECT_EQ(ReadFile(backup), damaged);
    EXPECT_EQ(gSettings.maxNum, 100);
    EXPECT_TRUE(gBoxes.empty()) << "no message box while the library loads";
    BKC_OnStart();
    BKC_OnStart();
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_NE(gBoxes[0].find(backup), std::string::npos) << gBoxes[0];
    EXPECT_NE(gBoxes[0].find("End tag does not correspond to Configuration"), std::string::npos) << gBoxes[0];

    BKC_OnExit();
    CXmlConfig saved;
    saved.LoadConfig(configPath_.c_str());
    EXPECT_TRUE(saved.HasRootElement()) << ReadFile(configPath_);
    EXPECT_EQ(ReadFile(backup), damaged);

    gShowMessageBox = MessageBoxA;
    gConfigDamage = DamagedFile();
    std::remove(backup.c_str());
}

TEST_F(Lifecycle, OpenFolderDoesNothingOfflineAndForgetsNewArticlesOnline) {
    gNewArticles.Set("<a@b>", "subject");
    gSettings.online = 0;
    EXPECT_EQ(BKC_OnOpenFolder("x\\!!!!Inbox\\"), 0);
    EXPECT_EQ(gNewArticles.Size(), 1u);
    gSettings.online = 1;
    EXPECT_EQ(BKC_OnOpenFolder("x\\!!!!Inbox\\"), 0);
    EXPECT_EQ(gNewArticles.Size(), 0u);
}

TEST_F(Lifecycle, SetupWithoutDialogDeclinesAndWithOneAppliesTheValues) {
    EXPECT_EQ(BKC_OnPlugInSetup(nullptr), 0);
    gRunPreferencesDialog = [](HWND, Preferences* values) {
        // The dialog runs with the configuration lock held by this thread.
        EXPECT_GT(gConfigOptex.OwnedDepth(), 0);
        values->synTime = 5;
        values->maxNum = 42;
        return true;
    };
    EXPECT_EQ(BKC_OnPlugInSetup(nullptr), 1);
    EXPECT_EQ(gConfigOptex.OwnedDepth(), 0);
    EXPECT_EQ(gSettings.maxNum, 42);
    EXPECT_EQ(gSettings.synTime, 5);
    EXPECT_TRUE(HasSyncTimer());
    EXPECT_NE(ReadFile(configPath_).find("<SynTime>5</SynTime>"), std::string::npos);

    gRunPreferencesDialog = [](HWND, Preferences* values) {
        values->synTime = 0;
        return false;  // Cancel: nothing changes
    };
    EXPECT_EQ(BKC_OnPlugInSetup(nullptr), 1);
    EXPECT_EQ(gSettings.synTime, 5);
    EXPECT_TRUE(HasSyncTimer());
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(Lifecycle, StatusBarGetsAWiderPartOneAndItsProcedureBackAtUnload) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PlainProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "RpTestMain";
    RegisterClassA(&windowClass);
    InitCommonControls();
    HWND main = CreateWindowA("RpTestMain", "main", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    // Under Wine windows need an X display; without one this is an environment limit, not a fault.
    RP_REQUIRE_OR_SKIP(main != nullptr || GetEnvironmentVariableA("DISPLAY", nullptr, 0) != 0,
                       "no display for windows");
    ASSERT_NE(main, nullptr);
    HWND bar = CreateWindowA(STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, main, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(bar, nullptr);
    int edges[5] = {200, 300, 400, 500, -1};
    SendMessageA(bar, SB_SETPARTS, 5, reinterpret_cast<LPARAM>(edges));
    LONG_PTR original = GetWindowLongPtrA(bar, GWLP_WNDPROC);

    gMainWindow = main;
    ASSERT_EQ(BKC_OnStart(), 0);
    EXPECT_EQ(gStatusBar, bar);
    int after[5] = {};
    EXPECT_EQ(SendMessageA(bar, SB_GETPARTS, 5, reinterpret_cast<LPARAM>(after)), 5);
    EXPECT_EQ(after[0], 150);
    EXPECT_EQ(after[1], 300);
    EXPECT_EQ(GetWindowLongPtrA(bar, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(StatusBarProc));
    // Messages still reach the bar's own procedure.
    EXPECT_EQ(SendMessageA(bar, SB_GETPARTS, 0, 0), 5);

    RestoreSubclassedWindows();
    EXPECT_EQ(GetWindowLongPtrA(bar, GWLP_WNDPROC), original);
    DestroyWindow(main);
    gMainWindow = nullptr;
    gStatusBar = nullptr;
}

}  // namespace

TEST_F(Lifecycle, SetupReportsAFailedSaveAndKeepsTheNewValues) {
    gConfig.LoadConfig("no-such-folder\\Rillpost.xml");
    gBoxes.clear();
    gShowMessageBox = CaptureMessageBox;
    gRunPreferencesDialog = [](HWND, Preferences* values) {
        values->maxNum = 77;
        return true;
    };
    EXPECT_EQ(BKC_OnPlugInSetup(nullptr), 1);
    gShowMessageBox = MessageBoxA;
    EXPECT_EQ(gSettings.maxNum, 77);
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_NE(gBoxes[0].find("could not be saved"), std::string::npos) << gBoxes[0];
}

LPCSTR WINAPI FakeVersion() {
    return "2.00.06";
}

LPCSTR WINAPI FakeMailBox() {
    return "news.mb\\";
}

// A send must not hang the host behind a worker that keeps the configuration through a slow
// login: it waits a few seconds at most, then gives the article back with a message (-1 keeps
// the compose window). When the configuration is free it answers at once.
TEST_F(Lifecycle, SendGivesTheArticleBackWhileTheConfigurationStaysBusy) {
    gHostApi.BKA_GetVersion = FakeVersion;
    gHostApi.BKA_GetCurrentMailBox = FakeMailBox;
    gBoxes.clear();
    gShowMessageBox = CaptureMessageBox;
    const std::string article = "X-Mailer: " + XMailerValue(FakeVersion()) + "\r\nSubject: s\r\n\r\nbody\r\n";

    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        OptexLock hold(gConfigOptex);
        SetEvent(held);
        WaitForSingleObject(release, 20000);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held, 5000));
    DWORD start = GetTickCount();
    EXPECT_EQ(kSendRefused, BKC_OnSend(article.c_str()));
    DWORD busy = GetTickCount() - start;
    SetEvent(release);
    holder.join();
    EXPECT_GE(busy, 2000u);
    EXPECT_LT(busy, 6000u);
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_NE(gBoxes[0].find("Please send it again"), std::string::npos) << gBoxes[0];

    // Free: no server for this mailbox, said at once.
    start = GetTickCount();
    EXPECT_EQ(kSendRefused, BKC_OnSend(article.c_str()));
    EXPECT_LT(GetTickCount() - start, 1000u);
    ASSERT_EQ(gBoxes.size(), 2u);
    EXPECT_EQ(gBoxes[1], "Please switch to your news mailbox before sending!");
    gShowMessageBox = MessageBoxA;
    CloseHandle(release);
    CloseHandle(held);
}
