// An article on its way from the compose window to the server: how the send event knows it, how
// its header fields are rebuilt without encoded words, and the bytes that go after POST.
// Portable; every function is pure and works on 8-bit text as the host hands it over.
#pragma once

#include <string>

// The X-Mailer value that the compose event writes into an article, for this host version.
std::string XMailerValue(const std::string& hostVersion);

// True when the message's header block (up to the first empty line) holds an X-Mailer field
// whose value is XMailerValue(hostVersion). The same text in the body, say in a quoted article,
// does not make a mail an article.
bool IsNewsArticle(const std::string& message, const std::string& hostVersion);

// The decoded Subject of an article, with line breaks made blanks; empty when it has none.
std::string ArticleSubject(const std::string& article);

// Every header field rebuilt in place from its decoded value, with no character set, so that
// encoded words go out as the raw bytes of their character set. Folded lines stay folded (CR LF
// and a blank); any other CR, LF or NUL in a decoded value becomes a blank, so a value can never
// start a field of its own. A rebuilt line longer than 998 bytes is folded at its last blank
// before that. The body after the header block is kept byte for byte. The article comes back
// unchanged when its header block cannot be read or written.
std::string RebuildHeaderFields(const std::string& article);
