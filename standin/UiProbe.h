// What the script runner needs to look at from outside the UI thread: the dialogs and message
// boxes that are up, menus by text, the plug-ins' own threads, and the screen.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace UiProbe {

// Visible, enabled dialogs ("#32770") of this process, topmost first.
std::vector<HWND> Dialogs();
// The dialog that has the user's attention: the topmost visible enabled one, or null.
HWND ActiveDialog();
// A dialog that is not in before, or null.
HWND NewDialog(const std::set<HWND>& before);
// Message boxes carry their text in the static control 0xFFFF.
bool IsMessageBox(HWND dialog);
std::string WindowText(HWND window);
std::string ClassName(HWND window);
// A control by id anywhere below the dialog, child dialogs (pages) included.
HWND FindControl(HWND dialog, int id);
// One line per control below the dialog: id, class, text, state.
std::vector<std::string> DescribeDialog(HWND dialog);

// The item whose text (without '&' markers, ignoring case) matches path; path segments are
// separated by '>' to walk submenus, and a single segment is searched in every submenu.
// On success *owner receives the popup holding it and *position the item's position.
bool FindMenuItem(HMENU menu, const std::string& path, HMENU* owner, int* position);
// The menu as indented lines: text, [id], and "greyed"/"checked" states.
void DescribeMenu(HMENU menu, int depth, std::vector<std::string>* lines);

// The visible pop-up menu window ("#32768") of this process that was opened last, or null.
HWND PopupMenu();
// Chooses an item of the open pop-up menu by text ('>' walks into submenus) the way a user
// does: the mouse moves onto it and clicks. False when it is not found.
bool ChoosePopupItem(const std::string& path, std::string* error);

// Threads of this process that were started inside a plug-in library.
int PluginThreadCount();
// One line per thread of this process: id and the module its start address lies in.
std::vector<std::string> DescribeThreads();

// Captures the window (as the screen shows it) into a 24-bit BMP file.
bool SaveWindowBitmap(HWND window, const std::string& path, bool clientOnly = false);

}  // namespace UiProbe
