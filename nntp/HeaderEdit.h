// Changes one header field of a stored message in its text, leaving every other byte as it is.
// Going through the message model would re-encode the body (base64 re-wrapped,
// quoted-printable re-flowed), which a flag change must never do. Portable.
#pragma once

#include <string>

// The message text with field `name` (compared without regard to case) set to `value`: the first
// such field, with its continuation lines, is replaced; without one the field is added as the
// last line of the header block (before the empty line; at the end of a text that has none).
// The line end of the text (CR LF, or LF alone) is kept. CR, LF and NUL in `value` become blanks.
std::string SetHeaderInText(const std::string& text, const std::string& name, const std::string& value);
