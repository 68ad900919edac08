// Whole-file reads and safe whole-file writes for the small files the program keeps (the
// project file, the options file). Paths are Shift_JIS texts; errno tells why a call failed.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace corvane {

// Reads the whole file into `bytes`. False (errno set) when it cannot be opened or read.
bool ReadWholeFile(const std::string& sjisPath, std::string& bytes);
// Reads a file a piece of at most `pieceSize` bytes at a time, handing each to `take`, which
// may end the reading early by returning false. False (errno set) when the file cannot be
// opened or read.
bool ReadFileInPieces(const std::string& sjisPath, size_t pieceSize,
                      const std::function<bool(std::string_view piece)>& take);

// Replaces the file's contents with `bytes` so that the old contents stay in place until the
// new ones are completely on disk: the bytes go to a temporary file in the same folder, which
// is then renamed over the target. A symbolic link is followed and its target replaced; the
// permissions of an existing file are kept. False (errno set, nothing changed) on failure.
bool WriteFileReplacing(const std::string& sjisPath, const std::string& bytes);

}  // namespace corvane
