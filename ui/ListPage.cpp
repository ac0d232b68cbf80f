#include "ui/ListPage.h"

bool ListPage::OnNotify(NMHDR* header) {
    if (owner == nullptr || static_cast<int>(header->idFrom) != listId_)
        return false;
    return SendMessageA(owner, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header)) != 0;
}

bool ListPage::OnMessage(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_SIZE)
        return false;
    MoveWindow(Item(listId_), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    return true;
}
