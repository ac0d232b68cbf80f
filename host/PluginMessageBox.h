// Shows the plug-in's message boxes; MessageBoxA unless a test replaces it to see them without
// a window. Set only while no other thread can show a box.
#pragma once

#include <windows.h>

extern int(WINAPI* gShowMessageBox)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
