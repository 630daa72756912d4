#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace aerovell {

// What the client keeps of an answer's status and header lines, taken one line
// at a time as they arrive: the status of the final answer (after any
// "100 Continue"), whether it names a Location or asks to close the
// connection, and every cookie the answer sets. Lines after the final header
// block (the trailer of a chunked body) only count against the bounds. An
// answer that gives its length twice, differently, is refused: which one
// frames the body is anybody's guess, and the two readings give two answers.
class THTTPResponseHead {
 public:
  // The longest status or header line, without its line end.
  static constexpr size_t kMaxLineLength = 16384;
  // All status and header lines of one request together, line ends included.
  static constexpr size_t kMaxBytes = 64 * 1024;

  // Takes one line as received, with or without its LF (a CR before the LF is
  // dropped too). Throws EHTTPError when a bound is exceeded or the answer
  // names two different Content-Length values.
  void TakeLine(std::string_view line);

  // The header block of an answer other than 100 has ended.
  bool Complete() const { return complete_; }
  // The number after the first space of the status line; -1 without one.
  int Code() const { return code_; }
  const std::string& StatusLine() const { return status_line_; }
  // What follows the code ("Not Found").
  const std::string& StatusText() const { return status_text_; }
  bool HasLocation() const { return has_location_; }
  // "Connection: close" or "Proxy-Connection: close".
  bool ConnectionClose() const { return connection_close_; }
  // The values of every "Set-cookie" and "Set-cookie2" header, in order.
  const std::vector<std::string>& SetCookies() const { return set_cookies_; }

 private:
  void TakeStatusLine(std::string_view line);
  void TakeHeaderLine(std::string_view line);
  void TakeContentLength(std::string_view value);

  size_t bytes_ = 0;
  bool expect_status_ = true;
  bool complete_ = false;
  int code_ = -1;
  std::string status_line_;
  std::string status_text_;
  bool has_location_ = false;
  bool connection_close_ = false;
  std::optional<std::string> content_length_;  // the value given first, without leading zeros
  std::vector<std::string> set_cookies_;
};

}  // namespace aerovell
