// Whole-file reads and writes for the files Virel keeps (battery RAM, save
// states, screenshots, settings). A write goes to a temporary file beside the
// target, which is then renamed over it, so a failed or interrupted write never
// destroys what was there before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

// A UTF-8 path as the file system expects it (wide on Windows).
std::filesystem::path Utf8Path(const std::string& path);

// Writes `bytes` to `path`, replacing the file only once the new contents are
// complete. Throws std::runtime_error with the reason; the old file is untouched
// and no temporary file is left behind.
void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

// Checks now that WriteFileAtomically(path, ...) will be able to create its
// file, for a write that happens much later (a recording written when it
// ends): the temporary file it would use is created and removed again, and
// an existing `path` is left as it is. Throws std::runtime_error with the
// same message the write would give.
void CheckFileCanBeWritten(const std::string& path);

// Reads at most `limit` bytes from the start of `path`. Throws
// std::runtime_error when the file cannot be opened or read.
std::vector<uint8_t> ReadFilePrefix(const std::string& path, size_t limit);
