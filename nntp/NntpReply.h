// Reply codes of a news server and the strict reading of a reply line's code.
#pragma once

#include <cstddef>
#include <string>

// The replies this client meets. Every reply line starts with three digits; the first says
// whether the command succeeded, the second what the reply is about.
enum NntpReply {
    kReplyHelpFollows = 100,          // help text follows (multi-line)
    kReplyCapabilityList = 101,       // capability list follows (multi-line)
    kReplyPostingAllowed = 200,       // service available, posting allowed
    kReplyPostingProhibited = 201,    // service available, posting prohibited
    kReplyCompressionActive = 206,    // compression active: every byte from here on is compressed
    kReplyGroupSelected = 211,        // group selected: count, low, high, name
    kReplyListFollows = 215,          // information follows (multi-line), e.g. the LIST answer
    kReplyArticleFollows = 220,       // article follows (multi-line)
    kReplyHeadFollows = 221,          // headers follow (multi-line)
    kReplyBodyFollows = 222,          // body follows (multi-line)
    kReplyOverviewFollows = 224,      // overview information follows (multi-line)
    kReplyArticlePosted = 240,        // article received OK
    kReplyAuthAccepted = 281,         // authentication accepted
    kReplySendArticle = 340,          // send the article to be posted
    kReplyPasswordRequired = 381,     // password required
    kReplyContinueWithTls = 382,      // continue with TLS negotiation
    kReplyServiceDiscontinued = 400,  // service not available or no longer available
    kReplyChangeCapability = 401,     // the client must change state first (MODE-READER: a transit server)
    kReplyNoSuchGroup = 411,          // no such newsgroup
    kReplyNoArticleWithId = 430,      // no article with that message-id
    kReplyPostingFailed = 441,        // posting failed
    kReplyAuthRequired = 480,         // command unavailable until the client has authenticated
    kReplyAuthRejected = 481,         // authentication failed or rejected
    kReplyUnknownCommand = 500,       // unknown command
    kReplySyntaxError = 501,          // syntax error in command
    kReplyAccessDenied = 502,         // service or command permanently unavailable
};

// The code of a reply line: exactly three digits followed by a space, CR, LF or the end of the
// line. Returns false (and leaves *code alone) for anything else, so "2150", "21" or " 215" are
// not replies.
bool ParseReplyCode(const char* line, size_t length, int* code);

// True when the reply line's code parses and equals `expected`.
bool ReplyIs(const std::string& reply, int expected);

// True when the reply's code parses and lies in 100..399: the command was accepted. Only such a
// reply to a command that announces data is followed by a multi-line block.
bool IsPositiveReply(int code);

// True when a CAPABILITIES reply (status line first) lists `label` as the first word of one of
// its lines, ignoring case; with `argument`, only when that line also has it among its words.
bool HasCapability(const std::string& reply, const std::string& label, const std::string& argument = std::string());
