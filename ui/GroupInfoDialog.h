// "Getting group info...": fetches a server's group list on a worker thread while a modal
// dialog shows a busy animation, the fetch's status line and a Cancel button.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "nntp/NewsClient.h"
#include "ui/WorkerStart.h"

// Runs the dialog over `parent` and fetches the group list of `server` with `client`
// (NewsClient::GetGroupList; the client's display shows its messages) on a thread started by
// `start`. User-interface thread.
//
// Returns IDOK when the fetch has ended, successfully or with its error already shown; the
// names are then in client->GroupNames(), appended after any that were there. Returns IDCANCEL
// at once when the user cancelled: the connection is closed and the fetch ends by itself, on
// its own thread, still using the client, so the caller must not read the client afterwards
// (the shared pointer keeps it alive until then). Returns -1 when the dialog or its thread could
// not be started.
INT_PTR RunGroupInfoDialog(HWND parent,
                           const std::string& server,
                           const std::shared_ptr<NewsClient>& client,
                           WorkerStart start);
