// The module that holds the dialogs' templates, menus and animations: the one this code is
// linked into (the plug-in library, or a test program that links the dialogs directly).
#pragma once

#include <windows.h>

HMODULE ResourceModule();
