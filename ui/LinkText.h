// The texts behind the link control: what the user is told when a link cannot be opened, and
// the browser command line made from the registry's open command when the shell cannot open it.
#pragma once

#include <string>

// The message for a shell error code (a result of 32 or less), shown after
// "Unable to open hyperlink:\n\n".
std::string LinkErrorText(long long code);

// `command` (the ".htm" class's open command) cut at its first "%1" that stands between double
// quotes (before the opening quote), else at its first "%1", else whole; then a blank and the
// target.
std::string BrowserCommandLine(const std::string& command, const std::string& target);
