#include "host/PluginMessageBox.h"

int(WINAPI* gShowMessageBox)(HWND owner, LPCSTR text, LPCSTR caption, UINT type) = MessageBoxA;
