#include "news/PostingWindowList.h"

#include <algorithm>

#include "host/SectionLock.h"

bool (*gCreatePostingWindow)(PostingRecord* record, HWND parent) = nullptr;

PostingWindowList::~PostingWindowList() {
    // Records still listed at unload belong to postings that never ended; their windows went
    // with the host's windows, so only the records are freed.
    for (PostingRecord* record : records_)
        delete record;
    DeleteCriticalSection(&lock_);
}

void PostingWindowList::Add(PostingRecord* record) {
    SectionLock hold(&lock_);
    records_.push_back(record);
}

void PostingWindowList::DestroyFinished() {
    std::vector<PostingRecord*> finished;
    {
        SectionLock hold(&lock_);
        auto split = std::stable_partition(records_.begin(), records_.end(),
                                           [](PostingRecord* record) { return record->inProgress != 0; });
        finished.assign(split, records_.end());
        records_.erase(split, records_.end());
    }
    // Destroyed outside the lock: destroying a window sends it messages.
    for (PostingRecord* record : finished) {
        if (record->destroyWindow && record->window)
            record->destroyWindow(record->window);
        delete record;
    }
}

void PostingWindowList::Finish(PostingRecord* record) {
    SectionLock hold(&lock_);
    record->inProgress = 0;
}

size_t PostingWindowList::Size() {
    SectionLock hold(&lock_);
    return records_.size();
}

bool PostingWindowList::AllFinished() {
    SectionLock hold(&lock_);
    return std::none_of(records_.begin(), records_.end(),
                        [](PostingRecord* record) { return record->inProgress != 0; });
}

std::vector<std::pair<std::string, std::string>> PostingWindowList::TakeOverRunning() {
    std::vector<std::pair<std::string, std::string>> articles;
    std::vector<std::shared_ptr<NewsClient>> running;
    {
        SectionLock hold(&lock_);
        for (PostingRecord* record : records_) {
            if (record->inProgress == 0 || !record->client)
                continue;
            running.push_back(record->client);
            if (record->client->ClaimGiveBack())
                articles.emplace_back(record->article, record->inbox);
        }
    }
    // Outside the lock: a Cancel closes a socket, which may take a moment.
    for (const auto& client : running)
        client->Cancel();
    return articles;
}
