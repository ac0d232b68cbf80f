// The stored state of one subscribed group that an update reads and writes: "LastNumber" of the
// Subgroup whose FolderID is the folder, inside the Server whose Location is the server.
// LastNumber is the number of the first article not yet fetched (0 or absent before the first
// update). The caller holds the document's lock; every function leaves the position reset.
#pragma once

#include <string>

class CXmlConfig;

// False when the configuration has no such server or group (the update then has nowhere to
// keep its progress and does nothing).
bool ReadLastNumber(CXmlConfig& config, const std::string& location, const std::string& folderId, long long* value);

// Writes LastNumber into the group record, creating the child when missing. False when there is
// no such record.
bool WriteLastNumber(CXmlConfig& config, const std::string& location, const std::string& folderId, long long value);

// After a failed update: LastNumber goes back to `fallback` (one past the last article the
// update actually appended, or the first article it asked for) unless it no longer holds the
// `reserved` value that this update stored, which means a later update has moved it since.
// True when it was written back.
bool GiveBackLastNumber(CXmlConfig& config,
                        const std::string& location,
                        const std::string& folderId,
                        long long reserved,
                        long long fallback);

// The folder that holds `folderId`: without its trailing backslashes, cut after the last
// backslash (one that is the trail byte of a double-byte character does not count). Empty when
// there is none.
std::string ParentFolderId(const std::string& folderId);
