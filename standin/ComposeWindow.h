// Compose windows: a top-level window per message being written, holding the whole message
// text (header block, blank line, body) in one edit. Created and used on the UI thread; the
// handle is what BKA_ComposeMail returns and what the BKA_Comp* functions take.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ComposeWindow {

void Register(HINSTANCE instance);
HWND Open(HINSTANCE instance, const std::string& text);
bool IsCompose(HWND window);
std::string GetText(HWND window);
void SetText(HWND window, const std::string& text);
// Completes the message and offers it to the plug-ins' BKC_OnSend: 0 stores it in the current
// mailbox's outbox and closes the window, -2 closes it (a plug-in took it over), -1 keeps it.
int Send(HWND window);
// Every open compose window, oldest first.
std::vector<HWND> All();
void CloseAll();

}  // namespace ComposeWindow
