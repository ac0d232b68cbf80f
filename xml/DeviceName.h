// Names that Windows takes for a device in any folder, so that a file or folder given such a name
// would open the device instead. Portable, so that the rules are tested natively.
#pragma once

#include <string>

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9 and LPT0-9 (also with a superscript 1, 2 or 3:
// the byte of the Western code page, or its UTF-8 form), compared ignoring case, whatever
// extension follows, and with blanks before the first dot.
bool IsDeviceName(const std::string& name);
