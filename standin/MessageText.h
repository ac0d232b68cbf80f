// Header access on raw message texts as the stand-in host stores them (CR LF lines, a blank
// line between header block and body). Portable: no Windows types, so the rules are tested
// natively as well.
#pragma once

#include <string>

namespace messagetext {

// Length of the header block including the blank line that ends it (the whole text when there
// is no blank line).
size_t HeaderBlockLength(const std::string& text);

// Value of the first header field called name (compared without regard to case), with folded
// continuation lines joined by a single blank and surrounding blanks removed. Empty when absent.
std::string GetHeader(const std::string& text, const std::string& name);

// Whether the header block holds a field called name (compared without regard to case).
bool HasHeader(const std::string& text, const std::string& name);

// Replaces the first header field called name (and its continuation lines) by "name: value", or
// appends it at the end of the header block when absent. Returns the new text.
std::string SetHeader(const std::string& text, const std::string& name, const std::string& value);

// Turns lone LF or CR line ends into CR LF, leaving existing CR LF pairs alone.
std::string ToCrLf(const std::string& text);

}  // namespace messagetext
