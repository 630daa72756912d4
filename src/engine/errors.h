#pragma once

#include <stdexcept>
#include <string>

namespace aerovell {

// Failures carry the game's exact message; the top level shows it to the player.
class EGameError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EDXDrawError : public EGameError {
 public:
  using EGameError::EGameError;
};

// printf-style formatting of the game's messages.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace aerovell
