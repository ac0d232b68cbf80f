// A tab page: a child dialog holding one list view that fills it. The page forwards the list's
// notifications to its owner dialog, so that the logic of both pages stays in one place. The
// object outlives its window (both belong to the owner dialog).
#pragma once

#include <windows.h>

#include "ui/DialogBase.h"

class ListPage : public DialogBase {
public:
    ListPage(int templateId, int listId) : DialogBase(templateId), listId_(listId) {}

    HWND List() const { return Item(listId_); }

    // The dialog that receives the list's notifications; set before the page is created.
    HWND owner = nullptr;

protected:
    bool OnNotify(NMHDR* header) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int listId_;
};
