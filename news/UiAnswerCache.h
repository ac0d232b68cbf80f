// The last answer of a UI callback, by the mailbox and folder it was given for. UI callbacks run
// whenever the host draws a menu; they only try the configuration lock, and while another
// thread holds it they repeat their last answer for the same mailbox and folder instead of
// waiting. User-interface thread only. Portable.
#pragma once

#include <string>

class UiAnswerCache {
public:
    void Remember(const std::string& mailBox, const std::string& folder, int answer) {
        known_ = true;
        mailBox_ = mailBox;
        folder_ = folder;
        answer_ = answer;
    }
    // The answer remembered for exactly this mailbox and folder; `otherwise` when there is none.
    int Recall(const std::string& mailBox, const std::string& folder, int otherwise) const {
        return known_ && mailBox == mailBox_ && folder == folder_ ? answer_ : otherwise;
    }

private:
    bool known_ = false;
    std::string mailBox_;
    std::string folder_;
    int answer_ = 0;
};
