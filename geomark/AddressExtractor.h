// Finds the sender's IP address text among a message's header fields.
#pragma once

#include <list>
#include <string>

#include "mime/MimeField.h"

namespace geomark {

// Scans the fields in message order. The first "X-Originating-IP" or "NNTP-Posting-Host" (names
// compared exactly) is the only candidate and wins wherever it stands; otherwise the "Received"
// values are tried from the lowest (nearest the sender) up, and the first that names an address
// outside 192.168 is taken. The result is the text to look up, possibly empty or not an address
// at all; the caller decides whether it is worth a lookup.
std::string ExtractAddress(const std::list<MimeField>& fields);

// One "X-Originating-IP" / "NNTP-Posting-Host" value: leading '[' and trailing ']' removed, then
// only what follows the first blank when there is one.
std::string AddressFromSingleValue(const std::string& value);

// One "Received" value of the form "from <host> (<name> [a.b.c.d]) by <relay> ...": the text
// between the blank after "from" and the blank before "by", narrowed to the bracketed part.
// False when the value has no "by" word, or the text is a bare host name (starts with a letter)
// without brackets; text then keeps what it held.
bool AddressFromReceived(const std::string& value, std::string& text);

}  // namespace geomark
