// Articles that could not be posted go back to the user. The compose window can only be opened
// on the user-interface thread, so a posting worker posts the article to the hooked status bar,
// whose window procedure reopens it there.
#pragma once

#include <windows.h>

#include <string>

// Worker side. Hands the article to the user-interface thread; when there is no window to
// carry it, stores it in inboxFolder at once and says so.
void ReturnArticleToUser(const std::string& text, const std::string& inboxFolder);

// User-interface side, called by the status bar's window procedure for every message: true when
// the message was a returned article, which is then reopened in a compose window (or, when no
// compose window opens, stored in the inbox) and the user told which.
bool HandleArticleReturn(UINT message, LPARAM lParam);
