// Texts that a conversation builds: commands, progress lines, socket error lines. Kept apart
// from the sockets so that their rules are tested natively.
#pragma once

#include <string>
#include <vector>

// "verb argument\r\n". False (and *command untouched) when the argument holds CR, LF or NUL: a
// user name or password with a line break would otherwise smuggle a second command to the server.
bool BuildCommand(const char* verb, const std::string& argument, std::string* command);

// The line without its CR LF (or bare LF or CR) at the end.
std::string WithoutLineEnd(std::string line);

// Texts shown when an operation ends in a processor fault or an exception it did not expect.
extern const char kAccessViolationText[];
extern const char kUnknownExceptionText[];

// True for a socket failure caused by a time-out: its message names the time-out.
bool IsTimeoutMessage(const std::string& message);

// "%s error #%d" (message, code) when code is non-zero, else "%s error", cut to maximum - 1
// characters and terminated. Nothing is written when maximum is 0.
bool FormatSocketError(const char* message, int code, char* buffer, unsigned maximum);

// Percentage of an expected size received so far, 0..100; 0 when nothing is expected.
int DownloadPercent(long long received, long long expected);

std::string FormatSyncProgress(int percent, const std::string& size, const std::string& item, int number, int count);
std::string FormatHostProgress(int percent, const std::string& size);
std::string FormatGroupsRetrieved(long long lines);

// Appends the group names of a LIST reply: the status line is skipped, every later line that ends
// in CR LF and is neither empty nor "." gives the text before its first space, tab, or bare CR or
// LF (the whole line when it has none). A trailing piece without CR LF is not a line.
void ParseGroupList(const std::string& reply, std::vector<std::string>* names);
// The same names in their stored form, appended to `joined`: each name followed by a comma.
void AppendGroupListText(const std::string& reply, std::string* joined);
// Turns a LIST reply into the same stored form in place: a large list needs no second buffer.
void MakeGroupListText(std::string* reply);
