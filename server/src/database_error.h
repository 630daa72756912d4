#pragma once

#include <stdexcept>

namespace aerovell::scores {

// A failure of the store; its text names the file or server and the cause.
class DatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace aerovell::scores
