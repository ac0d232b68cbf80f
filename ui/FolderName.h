// Whether a newsgroup's name can name the host folder that holds it: one path segment that the
// file system accepts. Portable.
#pragma once

#include <string>

// False for an empty name, "." and "..", a device name (CON, NUL, COM1 ..., with any extension:
// see xml/DeviceName.h), a name ending in '.' or ' ', and a name holding a
// control character or one of \ / : * ? " < > |. Bytes are checked one by one, so a multibyte
// character whose second byte is one of these is refused too.
bool IsValidFolderName(const std::string& name);
