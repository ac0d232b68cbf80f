// File names for pictures that articles carry. The names come from strangers, so before one is
// joined to the temporary folder it is reduced to a plain name that Windows creates as it is:
// no folders, no drive, no device, no characters that Windows refuses or silently drops.
// Text is in the system's multibyte code page: double-byte characters are never split, and
// their trail bytes (which may look like "\" or "|") are never read as single characters.
#pragma once

#include <cstddef>
#include <string>

// Longest name produced, in bytes.
constexpr size_t kMaxPictureFileName = 200;

// True when the text after the last "." is gif, bmp, jpg or jpeg, ignoring case.
bool IsImageFileName(const std::string& name);

// The name made safe, or empty when none is left (an empty name, only dots and blanks, a
// reserved device name such as NUL.gif or COM1):
//   only the last path component ("\", "/" and ":" separate);
//   control characters and < > " | ? * dropped, and a lead byte without a valid trail byte;
//   trailing dots and blanks trimmed;
//   cut to kMaxPictureFileName bytes keeping the extension.
std::string SafePictureFileName(const std::string& name);

// A to Z lowered; double-byte characters stay as they are.
std::string LowerFileName(const std::string& name);

// A safe name with " (n)" before its extension, its stem cut so that the whole stays within
// kMaxPictureFileName: the alternative tried when the plain name belongs to a different file.
std::string NumberedFileName(const std::string& safeName, int n);
