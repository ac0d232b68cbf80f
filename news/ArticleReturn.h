// Articles that could not be posted go back to the user. The compose window can only be opened
// on the user-interface thread, so a posting worker puts the article into a list of the
// plug-in's own and posts a bare "look at the list" message to the hooked status bar, whose
// window procedure reopens the listed articles there. The message carries nothing: it is a
// registered message that any process could post, with any parameters.
#pragma once

#include <windows.h>

#include <string>

// Worker side. Lists the article for the user-interface thread; when no message can carry the
// news there (no status bar, or the plug-in is exiting), stores it in inboxFolder at once.
void ReturnArticleToUser(const std::string& text, const std::string& inboxFolder);

// User-interface side, called by the status bar's window procedure for every message: true when
// the message was the returned-article message. Every listed article is then reopened in a
// compose window or, when none opens (or opening one faults), stored in the inbox, and the user
// told which. lParam is never looked at.
bool HandleArticleReturn(UINT message, LPARAM lParam);

// At exit: every article still listed goes to its inbox now, with no message box; a posted
// message may never be handled once the host is exiting.
void StoreReturnedArticlesNow();

// Appends the article to inboxFolder through the host, inside a fault guard. False when it was
// not stored.
bool StoreArticleInInbox(const std::string& text, const std::string& inboxFolder);
