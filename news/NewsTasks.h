// Starters of the background news operations. Each copies its texts into a parameter block
// owned by a new worker thread and returns at once; the worker runs the operation on a
// NewsClient of its own and frees the block.
#pragma once

#include <string>

// A group update in status-bar mode. The caller has put folderId into the busy-folder list; the
// update takes it out however it ends. False when no worker could be started (the folder is
// then taken out here).
bool StartGroupUpdate(const std::string& server, const std::string& group, const std::string& folderId);

// The retrieval of one article into its placeholder `mailId`. False when no worker could be
// started; the placeholder's download flag is then set back to "FALSE" here.
bool StartArticleRetrieval(const std::string& server,
                           const std::string& group,
                           const std::string& mailId,
                           const std::string& messageId,
                           int size);

struct PostingRecord;
// Posts `article` to `server` on a worker with the record's client and view; the worker ends the
// record's posting when it is done. False when no worker could be started (the record is then
// left running: the caller decides).
bool StartPosting(const std::string& server, const std::string& article, PostingRecord* record);
