#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>

namespace aerovell {

// An input/output failure; the message names the file and the system's reason.
class EInOutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Replaces `path` with exactly `bytes` so that, whatever happens meanwhile, the
// file is either the old one or the new one, whole: a temporary file beside it
// (always the same name, so a store killed half-way leaves at most that one
// behind, and the next store reuses it) is written, flushed to disk and renamed
// over it, and the folder is flushed too.
// - A symbolic link stays one: its final target is the file replaced.
// - Anything but a regular file there (after following links: a device, a
//   pipe, a folder) is left alone and reported.
// - The file keeps its permission bits; a new file gets those of any new file.
// - A file that exists but may not be written is left alone and reported, as
//   opening it would be.
// - In a folder that takes no new files but whose file may be written, the
//   file is written in place instead.
// Every failure is an EInOutError naming the file and the system's reason.
void WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes);

// The temporary file a store of `path` uses, beside the link's final target.
std::filesystem::path TemporaryFileFor(const std::filesystem::path& path);
// Removes the temporary file a killed store may have left; nothing when none.
void RemoveStaleTemporary(const std::filesystem::path& path);

}  // namespace aerovell
