#include "ui/SyncDialog.h"

#include <commctrl.h>

#include "host/SectionLock.h"
#include "nntp/NewsClient.h"
#include "ui/DialogsRes.h"

namespace {

// Posted by the worker: it has ended (the finished message), and there is new progress to show.
const UINT kFinishedMessage = WM_APP + 3;
const UINT kProgressMessage = WM_APP + 4;

const char kUncompleted[] = "Uncompleted";
const char kOnlyHeader[] = "Only Header";
const char kWholeArticle[] = "Whole Article";

}  // namespace

// One press of "Process Now!". The groups are copied in, so the worker never reads the dialog.
struct SyncRun : SyncView {
    explicit SyncRun(SyncOperation& operation) : operation(operation), client(operation.OperationContext()) {
        InitializeCriticalSection(&lock);
    }
    ~SyncRun() override { DeleteCriticalSection(&lock); }

    // Worker side: progress goes into the fields below, and the dialog is woken once for all
    // that piles up before it looks.
    void SetStatus(const std::string& text) override {
        SectionLock hold(&lock);
        status = text;
        WakeLocked();
    }
    void SetItemProgress(int percent) override {
        SectionLock hold(&lock);
        itemPercent = percent;
        WakeLocked();
    }
    void SetRowResult(const std::string& text) override {
        SectionLock hold(&lock);
        if (row >= 0 && row < static_cast<int>(results.size()))
            results[row] = text;
        WakeLocked();
    }
    void WakeLocked() {
        if (window != nullptr && !wakePending)
            wakePending = PostMessageA(window, kProgressMessage, 0, 0) != FALSE;
    }
    void Finish() {
        SectionLock hold(&lock);
        if (window != nullptr)
            PostMessageA(window, kFinishedMessage, 0, 0);
    }

    SyncOperation& operation;
    std::string location;
    std::vector<SyncGroup> groups;
    NewsClient client;
    volatile LONG running = 1;  // cleared by the user's cancel

    CRITICAL_SECTION lock;
    HWND window = nullptr;  // null once the dialog has gone
    bool wakePending = false;
    std::string status;
    int itemPercent = 0;
    int overallPercent = 0;
    int row = -1;
    std::vector<std::string> results;
};

namespace {

struct WorkerBlock {
    std::shared_ptr<SyncRun> run;
};

DWORD WINAPI SyncWorker(void* param) {
    std::unique_ptr<WorkerBlock> block(static_cast<WorkerBlock*>(param));
    SyncRun& run = *block->run;
    int count = static_cast<int>(run.groups.size());
    for (int i = 0; i < count && run.running != 0 && !run.operation.Stopping(); ++i) {
        const SyncGroup& group = run.groups[i];
        {
            SectionLock hold(&run.lock);
            run.row = i;
            run.itemPercent = 0;
            run.WakeLocked();
        }
        // An update of the same folder already running (opened, Update Now, the timer) is left
        // to finish on its own; the row stays uncompleted.
        if (!group.folderId.empty())
            run.operation.UpdateGroup(run.client, run.location, group, &run);
        SectionLock hold(&run.lock);
        run.overallPercent = (i + 1) * 100 / count;
        run.WakeLocked();
    }
    run.running = 0;
    run.Finish();
    return 0;
}

void SetProgress(HWND bar, int percent) {
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(percent < 0 ? 0 : percent > 100 ? 100 : percent), 0);
}

}  // namespace

SyncDialog::SyncDialog(SyncOperation& operation) : DialogBase(IDD_SYNCHRONIZATION), operation_(operation) {}

SyncDialog::~SyncDialog() = default;

bool SyncDialog::OnInit() {
    HWND list = Item(IDC_SYNC_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    struct Column {
        const char* title;
        int width;
    } columns[] = {{"Newsgroup", 200}, {"Status", 100}, {"Action", 100}};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(columns[i].title);
        column.cx = columns[i].width;
        ListView_InsertColumn(list, i, &column);
    }
    SetItemText(IDC_SYNC_STATUS, "Ready!");
    for (int bar : {IDC_SYNC_ITEM_PROGRESS, IDC_SYNC_OVERALL_PROGRESS}) {
        SendMessageA(Item(bar), PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        SetProgress(Item(bar), 0);
    }

    std::vector<SyncGroup> groups;
    operation_.CurrentServer(&location_, &serverId_, &groups);
    for (const SyncGroup& group : groups) {
        rows_.push_back(Row{group.name, group.folderId, group.headersOnly != 0});
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(rows_.size()) - 1;
        item.pszText = const_cast<char*>(group.name.c_str());
        int index = ListView_InsertItem(list, &item);
        ListView_SetItemText(list, index, 1, const_cast<char*>(kUncompleted));
        ListView_SetItemText(list, index, 2, const_cast<char*>(group.headersOnly ? kOnlyHeader : kWholeArticle));
    }
    return true;
}

bool SyncDialog::OnOK() {
    if (run_ && run_->running != 0)
        return false;
    auto run = std::make_shared<SyncRun>(operation_);
    run->location = location_;
    // Each group's folder as it is now: a folder renamed since the dialog opened is followed.
    std::vector<SyncGroup> stored = operation_.StoredGroups(serverId_);
    for (const Row& row : rows_) {
        SyncGroup group{row.group, row.folderId, row.headersOnly ? 1 : 0};
        for (const SyncGroup& now : stored) {
            if (now.name == row.group) {
                group.folderId = now.folderId;
                break;
            }
        }
        run->groups.push_back(group);
    }
    run->results.resize(rows_.size());
    run->window = Window();
    SetProgress(Item(IDC_SYNC_ITEM_PROGRESS), 0);
    SetProgress(Item(IDC_SYNC_OVERALL_PROGRESS), 0);
    EnableWindow(Item(IDOK), FALSE);
    closeWhenFinished_ = false;
    finishedWhileAsking_ = false;
    run_ = run;
    auto block = std::make_unique<WorkerBlock>(WorkerBlock{run});
    if (operation_.Workers()(SyncWorker, block.get())) {
        block.release();
    } else {
        run_->running = 0;
        Finished();
    }
    return false;
}

bool SyncDialog::OnCancel() {
    if (!run_ || run_->running == 0)
        return true;
    if (closeWhenFinished_ || asking_)
        return false;
    // The run may end while the question is up: its finished message is then held back until
    // the answer, so that no message box opens over the question.
    asking_ = true;
    finishedWhileAsking_ = false;
    bool cancel = Message("Do you cancel this operation?", MB_YESNO | MB_ICONQUESTION) == IDYES;
    asking_ = false;
    if (cancel) {
        run_->running = 0;
        run_->client.Cancel();
        closeWhenFinished_ = true;
        SetItemText(IDC_SYNC_STATUS, "Cancelling...");
    }
    if (finishedWhileAsking_) {
        finishedWhileAsking_ = false;
        Finished();
    }
    return false;
}

void SyncDialog::ShowProgress() {
    std::string status;
    int item, overall;
    std::vector<std::string> results;
    {
        SectionLock hold(&run_->lock);
        run_->wakePending = false;
        status = run_->status;
        item = run_->itemPercent;
        overall = run_->overallPercent;
        results = run_->results;
    }
    if (!closeWhenFinished_ && !status.empty())
        SetItemText(IDC_SYNC_STATUS, status);
    SetProgress(Item(IDC_SYNC_ITEM_PROGRESS), item);
    SetProgress(Item(IDC_SYNC_OVERALL_PROGRESS), overall);
    HWND list = Item(IDC_SYNC_LIST);
    for (size_t i = 0; i < results.size(); ++i) {
        if (!results[i].empty())
            ListView_SetItemText(list, static_cast<int>(i), 1, const_cast<char*>(results[i].c_str()));
    }
}

void SyncDialog::Finished() {
    if (asking_) {
        finishedWhileAsking_ = true;
        return;
    }
    if (run_)
        ShowProgress();
    if (closeWhenFinished_) {
        End(IDCANCEL);
        return;
    }
    SetItemText(IDC_SYNC_STATUS, "Synchronization Completed!");
    Message("Synchronization Completed!", MB_OK | MB_ICONINFORMATION);
    EnableWindow(Item(IDOK), TRUE);
}

bool SyncDialog::OnMessage(UINT message, WPARAM, LPARAM) {
    switch (message) {
        case kProgressMessage:
            if (run_)
                ShowProgress();
            return true;
        case kFinishedMessage:
            Finished();
            return true;
        case WM_DESTROY:
            if (run_) {
                SectionLock hold(&run_->lock);
                run_->window = nullptr;
            }
            return false;
        default:
            return false;
    }
}

void RunSyncDialog(HWND parent, SyncOperation& operation) {
    SyncDialog dialog(operation);
    dialog.Run(parent);
}
