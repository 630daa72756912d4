#pragma once

#include <string>
#include <utility>

#include "engine/errors.h"

namespace aerovell {

// Every failure of an HTTP request: a bad URL, no connection, a time-out, an
// answer that breaks off or goes beyond the client's bounds.
class EHTTPError : public EGameError {
 public:
  using EGameError::EGameError;
};

// The server answered, but not with a body the game takes: an error status, a
// redirect (never followed) or an informational status other than 100. The
// message is the status line; the body read with the answer comes along.
class EHTTPProtocolError : public EHTTPError {
 public:
  EHTTPProtocolError(int code, const std::string& status_line, std::string status_text, std::string body)
      : EHTTPError(status_line), code_(code), status_text_(std::move(status_text)), body_(std::move(body)) {}

  // -1 when the status line carries no number.
  int Code() const { return code_; }
  const std::string& StatusText() const { return status_text_; }
  const std::string& Body() const { return body_; }

 private:
  int code_;
  std::string status_text_;
  std::string body_;
};

}  // namespace aerovell
