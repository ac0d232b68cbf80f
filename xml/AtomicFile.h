// Whole-file reads and crash-safe whole-file writes. A write goes to a temporary file in the
// target's folder, which then replaces the target: a crash, a full disk or a power cut during
// the write leaves the old file as it was.
#pragma once

#include <cstddef>
#include <string>

namespace atomicfile {

// False when the file cannot be opened or read.
bool ReadAll(const char* path, std::string& bytes);

// Writes bytes as the whole new content of path. False when the new content could not be
// written completely; the old file is then unchanged.
bool WriteAll(const char* path, const std::string& bytes);

// For tests: makes the next writes fail after `limit` bytes, as a full disk would.
// SIZE_MAX turns it off.
void SetWriteLimitForTesting(size_t limit);

}  // namespace atomicfile
