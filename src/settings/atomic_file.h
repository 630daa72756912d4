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
// file is either the old one or the new one, whole: a temporary file in the same
// folder is written, flushed to disk and renamed over it. A file that exists but
// may not be written is left alone and reported, as opening it would be.
void WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes);

}  // namespace aerovell
