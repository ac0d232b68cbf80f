// Stands in for the manage newsgroups dialog until it lands; the integrator removes this file.
#include "ui/ManageApi.h"

bool RunManageDialog(HWND, const std::string&, PendingChanges*) {
    return false;
}
