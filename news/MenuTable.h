// The plug-in's command table for the host's three menus.
#pragma once

#include <windows.h>

// Registers the commands of one menu type (BkcMenuType) with the host and adds them to menu:
// to the main menu's fifth submenu, after a separator in the context menus, and in the folder
// tree grouped in a "Rillpost" submenu while the Submenu setting is on.
void InitMenus(HMENU menu, int type);
