// Stands in for the posting progress window ("Posting your article...") when that window could
// not be made: the posting's title and status texts go to the host's status-bar message, and
// there is no Cancel. Safe on any thread and after the posting's record has gone.
#pragma once

#include <string>

#include "host/HostApi.h"
#include "nntp/NewsDisplay.h"

class StatusPostingView : public PostingView {
public:
    void SetTitle(const std::string& text) override { Show(text); }
    void Show() override {}
    void SetStatus(const std::string& text) override { Show(text); }
    void SetProgress(int /*percent*/) override {}  // the status text carries the percentage
    void Hide() override {}
    bool IsCancelled() override { return false; }

private:
    static void Show(const std::string& text) {
        if (gHostApi.IsBound())
            gHostApi.BKA_SetMessageText(nullptr, text.c_str());
    }
};
