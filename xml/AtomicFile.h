// Whole-file reads and crash-safe whole-file writes. A write goes to a temporary file in the
// target's folder, which then replaces the target: a crash, a full disk or a power cut during
// the write leaves the old file as it was.
#pragma once

#include <cstddef>
#include <string>

namespace atomicfile {

// How a write that failed left the file at path.
enum class WriteFailure {
    kNone,         // the write succeeded
    kOldKept,      // the old file was not touched
    kOldRestored,  // written in place, which failed; the old bytes were written back
    kOldLost,      // written in place, which failed, and writing the old bytes back failed too
};

// False when the file cannot be opened or read.
bool ReadAll(const char* path, std::string& bytes);

// Writes bytes as the whole new content of path. False when the new content could not be
// written completely. When the folder refuses the temporary file, an existing file is
// overwritten in place: it is never shortened before all new bytes are written, and its old bytes,
// read first, are written back when the write fails. *failure (when given) tells which of those
// happened.
bool WriteAll(const char* path, const std::string& bytes, WriteFailure* failure = nullptr);

// As WriteAll, but without waiting for the bytes to reach the disk and without the in-place
// fallback: for files that are made again whenever they are missing (pictures converted for
// display), where a flush would only stall the caller. A reader still never sees a half-written
// file; after a power cut the file may be missing or short.
bool WriteAllUnflushed(const char* path, const std::string& bytes);

// Creates path with bytes as its content; never replaces an existing file. False with *existed
// set when path already exists; false otherwise when it could not be written (nothing is left).
bool CreateNew(const char* path, const std::string& bytes, bool* existed);

// The temporary file that WriteAll writes first, beside path.
std::string TempPathFor(const char* path);

// For tests: makes the next writes fail after `limit` bytes, as a full disk would.
// SIZE_MAX turns it off.
void SetWriteLimitForTesting(size_t limit);

}  // namespace atomicfile
