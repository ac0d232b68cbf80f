// "Synchronization - Rillpost": updates, one after another on a worker thread, every group of the
// current mailbox's news server whose download style is "Only Header" or "Whole Article".
//
// The dialog and its worker share one SyncRun (reference counted), never the dialog object: the
// worker writes what it has to show into the run and wakes the dialog with a posted message,
// and once the dialog's window is gone the run forgets it, so a closed dialog is never touched.
// The user-interface thread never waits for the worker.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/DialogBase.h"
#include "ui/SyncOperation.h"

struct SyncRun;

class SyncDialog : public DialogBase {
public:
    // The operation outlives the dialog.
    explicit SyncDialog(SyncOperation& operation);
    ~SyncDialog() override;

protected:
    bool OnInit() override;
    bool OnOK() override;
    bool OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Row {
        std::string group;
        std::string folderId;  // as listed when the dialog opened (empty: none)
        bool headersOnly;
    };
    void ShowProgress();
    void Finished();

    SyncOperation& operation_;
    std::vector<Row> rows_;
    std::string location_;
    std::string serverId_;              // the current mailbox: the server is this one, not every one at location_
    std::shared_ptr<SyncRun> run_;      // the running or last run; null before the first
    bool closeWhenFinished_ = false;    // the user cancelled this run; cleared at each start
    bool asking_ = false;               // "Do you cancel this operation?" is up
    bool finishedWhileAsking_ = false;  // the run ended while it was up; handled after the answer
};

// Runs the dialog modally over parent.
void RunSyncDialog(HWND parent, SyncOperation& operation);
